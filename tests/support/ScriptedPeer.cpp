// Loopback scripted peer for protocol tests.
#include "ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace rskavi_test {

namespace {

int32_t readInt32LE(const std::string& bytes, size_t at) {
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) {
    u = (u << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  }
  return static_cast<int32_t>(u);
}

}  // namespace

ScriptedPeer::ScriptedPeer() {
  m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_listenFd < 0) {
    ADD_FAILURE() << "ScriptedPeer: socket failed: " << std::strerror(errno);
    return;
  }
  const int on = 1;
  setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(m_listenFd, 8) != 0) {
    ADD_FAILURE() << "ScriptedPeer: bind/listen failed: " << std::strerror(errno);
    return;
  }
  socklen_t length = sizeof(address);
  getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length);
  m_port = ntohs(address.sin_port);
}

ScriptedPeer::~ScriptedPeer() {
  closeClient();
  if (m_listenFd >= 0) {
    close(m_listenFd);
  }
}

bool ScriptedPeer::waitForClient(std::chrono::milliseconds timeout) {
  if (!hasPendingClient(timeout)) {
    return false;
  }
  const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  closeClient();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clientFd = fd;
    m_clientClosed = false;
    m_received.clear();
    m_framesHandled = 0;
    ++m_accepted;
  }
  m_reader = std::thread(&ScriptedPeer::readerLoop, this, fd);
  return true;
}

int ScriptedPeer::acceptedCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_accepted;
}

bool ScriptedPeer::hasPendingClient(std::chrono::milliseconds within) const {
  pollfd p{m_listenFd, POLLIN, 0};
  return poll(&p, 1, static_cast<int>(within.count())) == 1 && (p.revents & POLLIN);
}

void ScriptedPeer::setFrameHandler(FrameHandler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_handler = std::move(handler);
}

void ScriptedPeer::readerLoop(int fd) {
  char chunk[4096];
  for (;;) {
    const ssize_t n = recv(fd, chunk, sizeof(chunk), 0);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_clientClosed = true;
      m_changed.notify_all();
      return;
    }
    std::vector<PeerFrame> fresh;
    FrameHandler handler;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_received.append(chunk, static_cast<size_t>(n));
      m_changed.notify_all();
      if (m_handler) {
        handler = m_handler;
        std::vector<PeerFrame> all = cutFrames(m_received);
        fresh.assign(all.begin() + static_cast<std::ptrdiff_t>(m_framesHandled), all.end());
        m_framesHandled = all.size();
      }
    }
    // Outside the lock: the handler may call back into the peer.
    for (const PeerFrame& frame : fresh) {
      handler(*this, frame);
    }
  }
}

std::string ScriptedPeer::received() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_received;
}

std::vector<PeerFrame> ScriptedPeer::frames() const { return cutFrames(received()); }

bool ScriptedPeer::waitUntil(const std::function<bool(const std::string&)>& pred,
                             std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_changed.wait_for(lock, timeout, [&] { return pred(m_received); });
}

bool ScriptedPeer::waitForBytes(size_t count, std::chrono::milliseconds timeout) {
  return waitUntil([count](const std::string& bytes) { return bytes.size() >= count; }, timeout);
}

bool ScriptedPeer::waitForFrames(size_t count, std::chrono::milliseconds timeout) {
  return waitUntil(
      [count](const std::string& bytes) { return cutFrames(bytes).size() >= count; }, timeout);
}

bool ScriptedPeer::waitForClientClose(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_changed.wait_for(lock, timeout, [&] { return m_clientClosed; });
}

bool ScriptedPeer::sendRaw(const std::string& bytes) {
  std::lock_guard<std::mutex> sendLock(m_sendMutex);
  int fd;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    fd = m_clientFd;
  }
  if (fd < 0) {
    return false;
  }
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool ScriptedPeer::sendRawInPieces(const std::string& bytes, size_t pieceSize,
                                   std::chrono::milliseconds delay) {
  if (pieceSize == 0) {
    return false;
  }
  for (size_t at = 0; at < bytes.size(); at += pieceSize) {
    if (at > 0) {
      std::this_thread::sleep_for(delay);
    }
    if (!sendRaw(bytes.substr(at, pieceSize))) {
      return false;
    }
  }
  return true;
}

bool ScriptedPeer::sendFrame(int32_t commandType, const std::string& text) {
  return sendRaw(buildFrame(commandType, text));
}

void ScriptedPeer::stopReader() {
  if (m_reader.joinable()) {
    m_reader.join();
  }
}

void ScriptedPeer::closeClient() {
  int fd;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    fd = m_clientFd;
  }
  if (fd >= 0) {
    // Wakes the reader; the descriptor stays valid until it has ended.
    shutdown(fd, SHUT_RDWR);
  }
  stopReader();
  if (fd >= 0) {
    std::lock_guard<std::mutex> sendLock(m_sendMutex);
    std::lock_guard<std::mutex> lock(m_mutex);
    close(fd);
    m_clientFd = -1;
  }
}

const std::string& ScriptedPeer::startMarker() {
  static const std::string marker("\xEE\xCC\xFF\xFF", 4);
  return marker;
}

std::string ScriptedPeer::int32LE(int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[static_cast<size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
  }
  return bytes;
}

std::string ScriptedPeer::buildRawFrame(int32_t lengthBlock, int32_t commandType,
                                        const std::string& text, const std::string& checkField,
                                        const std::string& endMarker) {
  return startMarker() + int32LE(lengthBlock) + int32LE(commandType) + text + checkField +
         endMarker;
}

std::string ScriptedPeer::buildFrame(int32_t commandType, const std::string& text) {
  return buildRawFrame(static_cast<int32_t>(text.size() + 12), commandType, text,
                       std::string(4, '\0'), std::string(4, '\xFF'));
}

std::vector<PeerFrame> ScriptedPeer::cutFrames(const std::string& bytes) {
  std::vector<PeerFrame> out;
  size_t at = 0;
  while (true) {
    const size_t start = bytes.find(startMarker(), at);
    if (start == std::string::npos || bytes.size() - start < 8) {
      break;
    }
    const int32_t lengthBlock = readInt32LE(bytes, start + 4);
    if (lengthBlock < 12) {
      // Not a frame we can cut: look for the next marker.
      at = start + 1;
      continue;
    }
    const size_t total = 8 + static_cast<size_t>(lengthBlock);
    if (bytes.size() - start < total) {
      break;
    }
    PeerFrame frame;
    frame.lengthBlock = lengthBlock;
    frame.commandType = readInt32LE(bytes, start + 8);
    frame.text = bytes.substr(start + 12, static_cast<size_t>(lengthBlock) - 12);
    frame.checkField = bytes.substr(start + total - 8, 4);
    frame.endMarker = bytes.substr(start + total - 4, 4);
    out.push_back(std::move(frame));
    at = start + total;
  }
  return out;
}

}  // namespace rskavi_test
