// Raw-socket test client for the simulator.
#include "SimTestClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "robotcommunication.pb.h"

namespace {
const char kSof[4] = {'\xEE', '\xCC', '\xFF', '\xFF'};

void put32(std::string& s, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t get32(const char* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return static_cast<int32_t>(u);
}
}  // namespace

SimTestClient::SimTestClient(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    ::close(fd);
    return;
  }
  m_fd = fd;
  m_reader = std::thread([this] { readLoop(); });
}

SimTestClient::~SimTestClient() {
  if (m_fd >= 0) {
    ::shutdown(m_fd, SHUT_RDWR);
    if (m_reader.joinable()) m_reader.join();
    ::close(m_fd);
  }
}

void SimTestClient::send(int32_t type, const std::string& text) {
  std::string f(kSof, 4);
  put32(f, static_cast<int32_t>(text.size() + 12));
  put32(f, type);
  f += text;
  f.append(4, '\0');
  f.append(4, '\xFF');
  sendRaw(f);
}

void SimTestClient::sendRaw(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

void SimTestClient::readLoop() {
  std::string buf;
  char chunk[8192];
  for (;;) {
    ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), 0);
    if (n <= 0) break;
    buf.append(chunk, static_cast<size_t>(n));
    for (;;) {
      size_t pos = buf.find(std::string(kSof, 4));
      if (pos == std::string::npos) {
        size_t keep = buf.size() < 3 ? buf.size() : 3;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stray += buf.size() - keep;
        buf.erase(0, buf.size() - keep);
        break;
      }
      if (pos > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stray += pos;
        buf.erase(0, pos);
      }
      if (buf.size() < 8) break;
      int32_t len = get32(buf.data() + 4);
      if (len < 12 || len > 1048576) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stray += 4;
        buf.erase(0, 4);
        continue;
      }
      if (buf.size() < 8 + static_cast<size_t>(len)) break;
      ReceivedFrame f;
      f.type = get32(buf.data() + 8);
      f.text = buf.substr(12, static_cast<size_t>(len) - 12);
      f.at = Clock::now();
      if (f.type == 2) {
        kavi::robot::communication::ProtoCommunicationRobotEvent e;
        if (e.ParseFromString(f.text)) {
          f.eventType = e.eventtype();
          f.eventCode = e.eventcode();
        }
      }
      buf.erase(0, 8 + static_cast<size_t>(len));
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back(std::move(f));
      }
      m_cv.notify_all();
    }
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_closed = true;
  m_cv.notify_all();
}

int SimTestClient::waitFor(const std::function<bool(const ReceivedFrame&)>& pred,
                           std::chrono::milliseconds timeout, size_t from) {
  std::unique_lock<std::mutex> lock(m_mutex);
  auto deadline = Clock::now() + timeout;
  size_t next = from;
  for (;;) {
    for (; next < m_frames.size(); ++next)
      if (pred(m_frames[next])) return static_cast<int>(next);
    if (m_cv.wait_until(lock, deadline) == std::cv_status::timeout) {
      for (; next < m_frames.size(); ++next)
        if (pred(m_frames[next])) return static_cast<int>(next);
      return -1;
    }
  }
}

int SimTestClient::request(int32_t type, const std::string& text, std::chrono::milliseconds timeout) {
  size_t from = count();
  send(type, text);
  return waitFor([type](const ReceivedFrame& f) { return f.type == type; }, timeout, from);
}

int SimTestClient::waitEvent(int eventType, std::chrono::milliseconds timeout, size_t from) {
  return waitFor([eventType](const ReceivedFrame& f) { return f.type == 2 && f.eventType == eventType; }, timeout,
                 from);
}

bool SimTestClient::waitClosed(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, timeout, [this] { return m_closed; });
}

ReceivedFrame SimTestClient::frame(int index) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (index < 0 || static_cast<size_t>(index) >= m_frames.size()) return ReceivedFrame{};
  return m_frames[static_cast<size_t>(index)];
}

size_t SimTestClient::count() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_frames.size();
}

size_t SimTestClient::countType(int32_t type, size_t from) {
  std::lock_guard<std::mutex> lock(m_mutex);
  size_t n = 0;
  for (size_t i = from; i < m_frames.size(); ++i)
    if (m_frames[i].type == type) ++n;
  return n;
}

size_t SimTestClient::strayBytes() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_stray;
}

int SimTestClient::commonCode(int index) {
  kavi::robot::communication::ProtoRobotCommonResponse r;
  if (!r.ParseFromString(frame(index).text)) return -1;
  return r.errorcode();
}
