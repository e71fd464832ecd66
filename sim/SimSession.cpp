// One client connection of the simulated controller.
#include "SimSession.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "SimFrameReader.h"
#include "SimServer.h"

namespace kavisim {

namespace {
constexpr size_t kMaxQueuedFrames = 20000;  // a client that stops reading loses pushes beyond this
constexpr auto kHeldResponseLimit = std::chrono::milliseconds(400);
}  // namespace

SimSession::SimSession(SimServer& server, int fd, int id) : m_server(server), m_fd(fd), m_id(id) {}

SimSession::~SimSession() {
  close();
  m_cv.notify_all();
  if (m_reader.joinable()) m_reader.join();
  if (m_writer.joinable()) m_writer.join();
  ::close(m_fd);
}

void SimSession::start() {
  m_reader = std::thread([this] { readLoop(); });
  m_writer = std::thread([this] { writeLoop(); });
}

void SimSession::close() {
  if (m_closing.exchange(true)) return;
  // Wakes the reader's recv; the socket is released by the destructor.
  ::shutdown(m_fd, SHUT_RDWR);
  m_cv.notify_all();
}

void SimSession::enqueue(std::string frame) {
  m_queue.push_back(std::move(frame));
}

void SimSession::sendResponse(int type, const std::string& text, std::function<void()> after,
                              const CommandFault* fault) {
  std::string body = text;
  if (fault && fault->garble) {
    // 0xFF is a tag with wire type 7, which no parser accepts.
    body.assign(body.size() < 3 ? 3 : body.size(), '\xFF');
  }
  std::string frame = SimFrameReader::encode(type, body);
  m_server.traceFrame(m_id, true, type, body.size());
  if (fault && fault->drop) {
    if (after) after();
    return;
  }
  bool direct = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fault && fault->delayMs > 0) {
      m_timed.push_back({Clock::now() + std::chrono::milliseconds(fault->delayMs), std::move(frame), std::move(after)});
      m_cv.notify_all();
      return;
    }
    if (fault && fault->eventBeforeResponse) {
      if (m_hasHeld) enqueue(std::move(m_held));
      m_hasHeld = true;
      m_held = std::move(frame);
      m_heldDue = Clock::now() + kHeldResponseLimit;
    } else if (m_queue.empty() && !m_sending && !m_closing) {
      // Nothing is ahead of it: this thread sends it, saving the hop through
      // the writer. Owning the socket keeps every later frame behind it.
      m_sending = true;
      direct = true;
    } else {
      enqueue(std::move(frame));
    }
  }
  if (direct) {
    bool ok = sendAll(frame);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_sending = false;
    }
    if (!ok) close();
  }
  m_cv.notify_all();
  if (after) after();
}

bool SimSession::sendAll(const std::string& f) {
  size_t sent = 0;
  while (sent < f.size()) {
    ssize_t n = ::send(m_fd, f.data() + sent, f.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

void SimSession::sendEvent(const std::string& frame) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    enqueue(frame);
    if (m_hasHeld) {
      enqueue(std::move(m_held));
      m_hasHeld = false;
    }
  }
  m_cv.notify_all();
}

void SimSession::sendPush(const std::string& frame) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_queue.size() >= kMaxQueuedFrames) return;
    enqueue(frame);
  }
  m_cv.notify_all();
}

void SimSession::sendRaw(const std::string& bytes) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    enqueue(bytes);
  }
  m_cv.notify_all();
}

void SimSession::readLoop() {
  SimFrameReader reader;
  std::vector<char> buffer(65536);
  for (;;) {
    ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reader.feed(buffer.data(), static_cast<size_t>(n));
    SimFrame frame;
    while (!m_closing && reader.next(frame)) {
      m_server.traceFrame(m_id, false, frame.type, frame.text.size());
      m_server.dispatch(*this, frame);
    }
    if (m_closing) break;
  }
  m_closing = true;
  m_finished = true;
  m_cv.notify_all();
}

void SimSession::writeLoop() {
  for (;;) {
    std::vector<std::string> out;
    std::vector<std::function<void()>> afters;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      auto deadline = Clock::now() + std::chrono::milliseconds(100);
      for (const Timed& t : m_timed) deadline = std::min(deadline, t.due);
      if (m_hasHeld) deadline = std::min(deadline, m_heldDue);
      // A frame another thread is sending directly goes first.
      m_cv.wait_until(lock, deadline, [this] { return m_closing.load() || (!m_queue.empty() && !m_sending); });
      if (m_closing) break;
      if (m_sending) {
        m_cv.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_closing.load() || !m_sending; });
        continue;
      }
      auto now = Clock::now();
      for (size_t i = 0; i < m_timed.size();) {
        if (m_timed[i].due <= now) {
          enqueue(std::move(m_timed[i].frame));
          if (m_timed[i].after) afters.push_back(std::move(m_timed[i].after));
          m_timed.erase(m_timed.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
          ++i;
        }
      }
      if (m_hasHeld && m_heldDue <= now) {
        enqueue(std::move(m_held));
        m_hasHeld = false;
      }
      while (!m_queue.empty()) {
        out.push_back(std::move(m_queue.front()));
        m_queue.pop_front();
      }
      m_sending = !out.empty();
    }
    bool failed = false;
    for (const std::string& f : out) {
      if (!sendAll(f)) {
        failed = true;
        break;
      }
    }
    if (!out.empty()) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_sending = false;
    }
    for (auto& a : afters) a();
    if (failed) {
      close();
      break;
    }
  }
}

}  // namespace kavisim
