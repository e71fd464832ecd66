// The shared simulated arm: joint angles advanced by a fixed 1-ms step along
// the active motion plan, the lifecycle (power, brakes, start-up, shutdown),
// and the events every state change raises. Thread-safe.
#ifndef KAVISIM_SIM_ARM_H
#define KAVISIM_SIM_ARM_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "FaultPlan.h"
#include "MotionPlan.h"
#include "SimState.h"

namespace kavisim {

struct ArmSnapshot {
  double joints[6] = {0, 0, 0, 0, 0, 0};      // [rad]
  double velocity[6] = {0, 0, 0, 0, 0, 0};    // [rad/s]
  double endSpeed = 0;                        // flange speed [m/s]
  bool powered = false;
  bool brakeReleased = false;
  int serviceState = 0;  // ROBOT_SERVICE_STATE
  int robotState = 0;    // RobotStopped / Running / Paused / Resumed
  bool moving = false;   // a plan is active (paused included)
  bool paused = false;
  bool teaching = false;
  bool collision = false;
  bool softEmergency = false;
  double planTime = 0;      // plan clock [s]
  double planDuration = 0;  // [s]
  uint64_t arrivals = 0;    // arrival events so far
};

class SimArm {
 public:
  using EventSink = std::function<void(const SimEvent&)>;
  using Action = std::function<void()>;

  SimArm(SimState& state, FaultPlan& faults, EventSink sink, Action closeAllConnections);
  ~SimArm();
  SimArm(const SimArm&) = delete;
  SimArm& operator=(const SimArm&) = delete;

  void start();
  void stop();

  ArmSnapshot snapshot() const;
  // Power on and brakes released at once (start-up already done).
  void makeReady();
  void setJoints(const double q[6]);

  // Lifecycle. Results are controller codes (0 = accepted).
  void startup(double seconds);
  void shutdown(double seconds);
  int setPower(bool on);
  int releaseBrake();
  void collisionRecover();
  void raiseCollision();
  void raiseSoftEmergency();
  void clearSoftEmergency();
  // Abnormal stop by a controller error: the arm halts, event 26 follows.
  void raiseControllerError(int code, const std::string& text);

  // Motion. 0 when the plan runs, else a controller code with `reason` set.
  // With `hold` the plan is installed (the arm counts as busy) but its clock
  // starts only at go(), so that the request's answer leaves first.
  int startMove(std::unique_ptr<MotionPlan> plan, bool retarget, const char** reason, bool hold = false);
  void go();
  void engageBrake();
  // Ready to move: powered, brakes released, no emergency or collision.
  bool canMove(const char** reason) const;
  bool busy() const;
  // Decelerates to a halt; with `moveControl` the stop-done event follows.
  void stopMove(bool fast, bool moveControl);
  void pause();
  void resume();
  void teachStop();
  // Joint angles applied directly (CAN-bus streaming); false while a plan runs.
  bool applyDirect(const double q[6]);

  void schedule(double delaySeconds, Action action);
  void emit(int type, int code, const std::string& text);

 private:
  enum class Mode { Idle, Held, Running, Pausing, Paused, Stopping };
  struct Scheduled {
    std::chrono::steady_clock::time_point due;
    Action action;
  };

  void loop();
  void step(double dt, std::vector<SimEvent>& events, std::vector<Action>& actions);
  void startRamp(double targetRate, double accelScale);
  void endPlan();

  SimState& m_state;
  FaultPlan& m_faults;
  EventSink m_sink;
  Action m_closeAll;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::thread m_thread;
  std::atomic<bool> m_run{false};

  double m_q[6] = {0, 0, 0, 0, 0, 0};
  double m_qd[6] = {0, 0, 0, 0, 0, 0};
  double m_endSpeed = 0;
  double m_lastFlange[3] = {0, 0, 0};
  bool m_powered = false;
  bool m_brakeReleased = false;
  int m_serviceState = 0;
  int m_robotState = 0;
  bool m_collision = false;
  bool m_softEmergency = false;
  uint64_t m_arrivals = 0;

  std::unique_ptr<MotionPlan> m_plan;
  bool m_teaching = false;
  Mode m_mode = Mode::Idle;
  double m_clock = 0;
  double m_rate = 1;
  double m_rateTarget = 1;
  double m_rateSlope = 0;  // rate change per second
  bool m_stopReportsDone = false;

  std::vector<SimEvent> m_pending;
  std::vector<Scheduled> m_scheduled;
};

}  // namespace kavisim

#endif
