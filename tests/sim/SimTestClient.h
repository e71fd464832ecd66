// A small raw-socket client for frame-level tests of the simulator: it frames
// requests itself, records every frame it receives with its arrival time, and
// waits for frames with a deadline. Independent of the library's client and
// of the simulator's own framing.
#ifndef RSKAVI_TESTS_SIM_TEST_CLIENT_H
#define RSKAVI_TESTS_SIM_TEST_CLIENT_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <google/protobuf/message.h>

struct ReceivedFrame {
  int32_t type = 0;
  std::string text;
  std::chrono::steady_clock::time_point at;
  // For events (type 2): the decoded event type and code.
  int eventType = -1;
  int eventCode = 0;
};

class SimTestClient {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SimTestClient(int port);
  ~SimTestClient();

  bool connected() const { return m_fd >= 0; }
  void send(int32_t type, const std::string& text = std::string());
  void send(int32_t type, const google::protobuf::Message& msg) { send(type, msg.SerializeAsString()); }
  void sendRaw(const std::string& bytes);

  // Waits until a frame satisfying `pred` arrives after index `from`; returns
  // its index or -1 at the deadline.
  int waitFor(const std::function<bool(const ReceivedFrame&)>& pred, std::chrono::milliseconds timeout,
              size_t from = 0);
  // Sends a request and waits for the frame of the same type; -1 on time-out.
  int request(int32_t type, const std::string& text, std::chrono::milliseconds timeout = std::chrono::milliseconds(800));
  int request(int32_t type, const google::protobuf::Message& msg,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(800)) {
    return request(type, msg.SerializeAsString(), timeout);
  }
  int waitEvent(int eventType, std::chrono::milliseconds timeout, size_t from = 0);
  // True when the peer closed the connection before the deadline.
  bool waitClosed(std::chrono::milliseconds timeout);

  ReceivedFrame frame(int index);
  size_t count();
  size_t countType(int32_t type, size_t from = 0);
  // Bytes that did not belong to a frame.
  size_t strayBytes();
  // Response code of a common response at `index` (-1 when it does not parse).
  int commonCode(int index);

 private:
  void readLoop();

  int m_fd = -1;
  std::thread m_reader;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<ReceivedFrame> m_frames;
  size_t m_stray = 0;
  bool m_closed = false;
};

#endif
