// kavisim: a simulated robot controller. SimServer listens on a TCP port,
// runs one SimSession per client, owns the shared arm, the stores and the
// fault switches, and pushes real-time status to every client that asked.
#ifndef KAVISIM_SIM_SERVER_H
#define KAVISIM_SIM_SERVER_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FaultPlan.h"
#include "SimArm.h"
#include "SimFrameReader.h"
#include "SimState.h"

namespace kavisim {

class SimSession;
class SimDispatcher;

struct SimConfig {
  std::string host = "127.0.0.1";
  int port = 8899;            // 0 picks a free port (see SimServer::port)
  int model = 0;              // arm model 0..6 of the kinematics' model table
  double pushHz = 200;        // real-time push rate while enabled
  bool trace = false;         // log every frame in and out on standard error
  double startupSeconds = 0.5;
  double shutdownSeconds = 0.2;
  double excitationSeconds = 1.0;
  double offlineTrackPeriod = 0.01;  // [s] between offline-track waypoints
  bool joint6Rot360 = false;  // answer to the joint-6 full-turn flag query
  bool joint6Silent = false;  // leave that query unanswered
  bool armReady = false;      // start powered with brakes released
  // Done for each client right after its login answer: "garbage:N",
  // "badlength:L", "event:TYPE:CODE[:TEXT]", "close".
  std::vector<std::string> onLogin;
};

class SimServer {
 public:
  explicit SimServer(SimConfig config = SimConfig());
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Binds, listens and starts the threads. False with `error` set on failure.
  bool start(std::string* error = nullptr);
  void stop();
  // The bound port (the chosen one when the configuration asked for 0).
  int port() const { return m_port; }
  const SimConfig& config() const { return m_config; }

  SimArm& arm() { return *m_arm; }
  SimState& state() { return m_state; }
  FaultPlan& faults() { return m_faults; }
  size_t sessionCount();
  // Frames received so far, per command type (for tests and traces).
  uint64_t receivedCount(int commandType) const;

  // One-shot actions on every open connection.
  void pushEvent(int type, int code, const std::string& text);
  void pushErrorInfo(const std::string& json);
  void pushJoint6Flag(bool enabled);
  void pushControllerError(int code, const std::string& text);
  void pushSoftEmergency();
  void sendGarbage(size_t bytes);
  void sendBadLengthFrame(int32_t lengthBlock);
  void closeConnectionsNow();
  void closeConnectionsMidMove();

  // Used by the sessions and the dispatcher.
  void dispatch(SimSession& session, const SimFrame& frame);
  void broadcastEvent(const SimEvent& event);
  void runLoginActions(SimSession& session);
  void traceFrame(int session, bool outgoing, int type, size_t textSize);

 private:
  void acceptLoop();
  void pushLoop();
  void reap(bool all);
  std::vector<std::shared_ptr<SimSession>> liveSessions();

  SimConfig m_config;
  SimState m_state;
  FaultPlan m_faults;
  std::unique_ptr<SimArm> m_arm;
  std::unique_ptr<SimDispatcher> m_dispatcher;

  int m_listenFd = -1;
  int m_port = 0;
  std::atomic<bool> m_running{false};
  std::thread m_acceptThread;
  std::thread m_pushThread;
  std::mutex m_sessionsMutex;
  std::vector<std::shared_ptr<SimSession>> m_sessions;
  int m_nextId = 1;
  std::atomic<uint64_t> m_received[112] = {};
  std::mutex m_traceMutex;
};

}  // namespace kavisim

#endif
