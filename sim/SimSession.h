// One client connection of the simulated controller: reads frames, hands
// them to the dispatcher, and writes through one ordered outgoing queue (a
// response with nothing ahead of it is sent at once by the calling thread), so
// that a response always leaves before the event that completes it (unless a
// fault says otherwise). Holds the connection's push switches.
#ifndef KAVISIM_SIM_SESSION_H
#define KAVISIM_SIM_SESSION_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FaultPlan.h"

namespace kavisim {

class SimServer;

class SimSession {
 public:
  SimSession(SimServer& server, int fd, int id);
  ~SimSession();
  SimSession(const SimSession&) = delete;
  SimSession& operator=(const SimSession&) = delete;

  void start();
  // Closes the connection; the threads end by themselves.
  void close();
  bool finished() const { return m_finished; }
  int id() const { return m_id; }

  // Queues the response of `type`; `after` runs once the response is queued
  // (or would have been, for a dropped one). `fault` may delay, drop, garble
  // or hold it back until the next event.
  void sendResponse(int type, const std::string& text, std::function<void()> after,
                    const CommandFault* fault);
  void sendEvent(const std::string& frame);
  void sendPush(const std::string& frame);
  void sendRaw(const std::string& bytes);

  std::atomic<bool> pushJointStatus{false};
  std::atomic<bool> pushJointAngle{false};
  std::atomic<bool> pushEndSpeed{false};
  std::atomic<bool> loggedIn{false};

 private:
  using Clock = std::chrono::steady_clock;
  struct Timed {
    Clock::time_point due;
    std::string frame;
    std::function<void()> after;
  };

  void readLoop();
  void writeLoop();
  void enqueue(std::string frame);
  bool sendAll(const std::string& frame);

  SimServer& m_server;
  int m_fd;
  int m_id;
  std::atomic<bool> m_finished{false};
  std::atomic<bool> m_closing{false};
  std::thread m_reader;
  std::thread m_writer;

  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<std::string> m_queue;
  // Some thread owns the socket for sending: the writer with frames taken
  // from the queue, or a caller sending a response nothing was queued ahead
  // of. Frames queued meanwhile wait, so they keep their order and never
  // interleave.
  bool m_sending = false;
  std::vector<Timed> m_timed;
  bool m_hasHeld = false;
  std::string m_held;
  Clock::time_point m_heldDue;
};

}  // namespace kavisim

#endif
