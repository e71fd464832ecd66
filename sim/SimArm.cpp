// The shared simulated arm and its 1-ms step.
#include "SimArm.h"

#include <algorithm>
#include <cmath>

#include "RobotEventTypes.h"
#include "RobotStatusTypes.h"
#include "SimKinematics.h"

namespace kavisim {

namespace krn = kavi_robot_namespace;
using Clock = std::chrono::steady_clock;

namespace {
constexpr double kStep = 0.001;        // simulation step [s]
constexpr double kMaxStep = 0.02;      // longest step taken after a stall [s]
constexpr double kMinRampTime = 0.01;  // shortest stop or pause ramp [s]
constexpr double kFastStopScale = 4;   // a fast stop brakes this much harder
}  // namespace

SimArm::SimArm(SimState& state, FaultPlan& faults, EventSink sink, Action closeAllConnections)
    : m_state(state), m_faults(faults), m_sink(std::move(sink)), m_closeAll(std::move(closeAllConnections)) {
  // A pose away from the singular stretched-out configuration.
  const double home[6] = {0.0, -0.26, 1.74, 0.43, 1.57, 0.0};
  setJoints(home);
}

SimArm::~SimArm() { stop(); }

void SimArm::start() {
  if (m_run.exchange(true)) return;
  m_thread = std::thread([this] { loop(); });
}

void SimArm::stop() {
  if (!m_run.exchange(false)) return;
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

ArmSnapshot SimArm::snapshot() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  ArmSnapshot s;
  for (int j = 0; j < 6; ++j) {
    s.joints[j] = m_q[j];
    s.velocity[j] = m_qd[j];
  }
  s.endSpeed = m_endSpeed;
  s.powered = m_powered;
  s.brakeReleased = m_brakeReleased;
  s.serviceState = m_serviceState;
  s.robotState = m_robotState;
  s.moving = m_plan != nullptr;
  s.paused = m_mode == Mode::Paused;
  s.teaching = m_teaching;
  s.collision = m_collision;
  s.softEmergency = m_softEmergency;
  s.planTime = m_clock;
  s.planDuration = m_plan ? m_plan->duration() : 0;
  s.arrivals = m_arrivals;
  return s;
}

void SimArm::makeReady() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_powered = true;
  m_brakeReleased = true;
  m_serviceState = krn::ROBOT_SERVICE_WORKING;
}

void SimArm::setJoints(const double q[6]) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (int j = 0; j < 6; ++j) {
    m_q[j] = q[j];
    m_qd[j] = 0;
  }
  SimPose p = SimKinematics::fk(m_q);
  for (int i = 0; i < 3; ++i) m_lastFlange[i] = p.p[i];
}

void SimArm::emit(int type, int code, const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_pending.push_back({type, code, text});
}

void SimArm::schedule(double delaySeconds, Action action) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto due = Clock::now() + std::chrono::microseconds(static_cast<int64_t>(delaySeconds * 1e6));
  m_scheduled.push_back({due, std::move(action)});
}

void SimArm::startup(double seconds) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_powered && m_brakeReleased && m_serviceState == krn::ROBOT_SERVICE_WORKING &&
        m_faults.startupResult() == krn::ROBOT_SERVICE_WORKING) {
      m_pending.push_back({krn::RobotEvent_robotStartupDoneResult, krn::ROBOT_SERVICE_WORKING,
                           "robot already working"});
      return;
    }
    m_serviceState = krn::ROBOT_SERVICE_STARTING;
    m_pending.push_back({krn::RobotEvent_robotStartupPhase, 1, "start-up: powering the arm"});
  }
  schedule(0.3 * seconds, [this] {
    int result = m_faults.startupResult();
    if (result == krn::ROBOT_SETVICE_FAULT_POWER || result == krn::ROBOT_SETVICE_FAULT_NO_ROBOT) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_powered = false;
      m_brakeReleased = false;
      return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_powered = true;
    m_pending.push_back({krn::RobotEvent_powerChanged, 1, "arm power on"});
    m_pending.push_back({krn::RobotSetPowerOnDone, 0, "power on done"});
    m_pending.push_back({krn::RobotEvent_robotStartupPhase, 2, "start-up: releasing the brakes"});
  });
  schedule(0.8 * seconds, [this] {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_faults.startupResult() != krn::ROBOT_SERVICE_WORKING) {
      m_brakeReleased = false;
      return;
    }
    m_brakeReleased = true;
    m_pending.push_back({krn::RobotReleaseBrakeDone, 0, "brake release done"});
  });
  schedule(seconds, [this] {
    int result = m_faults.startupResult();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_serviceState = result;
    m_pending.push_back({krn::RobotEvent_robotStartupDoneResult, result, "start-up done"});
  });
}

void SimArm::shutdown(double seconds) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    endPlan();
    m_brakeReleased = false;
    m_serviceState = krn::ROBOT_SERVICE_CLOSING;
  }
  schedule(seconds, [this] {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_powered = false;
    m_serviceState = krn::ROBOT_SERVICE_CLOSED;
    m_pending.push_back({krn::RobotEvent_powerChanged, 0, "arm power off"});
    m_pending.push_back({krn::RobotEvent_ArmPowerOff, 0, "arm power off"});
    m_pending.push_back({krn::RobotEvent_robotShutdownDone, 0, "shutdown done"});
  });
}

int SimArm::setPower(bool on) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (on) {
    if (!m_powered) {
      m_powered = true;
      m_pending.push_back({krn::RobotEvent_powerChanged, 1, "arm power on"});
    }
    m_pending.push_back({krn::RobotSetPowerOnDone, 0, "power on done"});
  } else {
    endPlan();
    bool was = m_powered;
    m_powered = false;
    m_brakeReleased = false;
    if (m_serviceState == krn::ROBOT_SERVICE_WORKING) m_serviceState = krn::ROBOT_SERVICE_CLOSED;
    if (was) m_pending.push_back({krn::RobotEvent_powerChanged, 0, "arm power off"});
    m_pending.push_back({krn::RobotEvent_ArmPowerOff, 0, "arm power off"});
  }
  return 0;
}

int SimArm::releaseBrake() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_powered) return 2;
  m_brakeReleased = true;
  m_pending.push_back({krn::RobotReleaseBrakeDone, 0, "brake release done"});
  return 0;
}

void SimArm::collisionRecover() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_collision) {
    m_collision = false;
    m_pending.push_back({krn::RobotEvent_collisionStatusChanged, 0, "collision cleared"});
  }
}

void SimArm::raiseCollision() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_collision = true;
  bool wasMoving = m_plan != nullptr;
  endPlan();
  m_pending.push_back({krn::RobotEvent_collision, 1, "collision detected"});
  if (wasMoving) m_pending.push_back({krn::RobotEvent_robotControllerStateChaned, 0, "robot stopped"});
}

void SimArm::raiseSoftEmergency() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_softEmergency = true;
  bool wasMoving = m_plan != nullptr;
  endPlan();
  m_pending.push_back({krn::RobotEvent_softEmergency, 1, "soft emergency"});
  if (wasMoving) m_pending.push_back({krn::RobotEvent_robotControllerStateChaned, 0, "robot stopped"});
}

void SimArm::clearSoftEmergency() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_softEmergency) return;
  m_softEmergency = false;
  m_pending.push_back({krn::RobotEvent_exitSoftEmergency, 0, "soft emergency cleared"});
}

void SimArm::raiseControllerError(int code, const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  endPlan();
  m_pending.push_back({krn::RobotEvent_robotControllerError, code, text});
}

bool SimArm::canMove(const char** reason) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const char* why = nullptr;
  if (!m_powered)
    why = "arm not powered";
  else if (!m_brakeReleased)
    why = "brakes not released";
  else if (m_softEmergency)
    why = "soft emergency active";
  else if (m_collision)
    why = "collision not recovered";
  if (reason) *reason = why;
  return why == nullptr;
}

bool SimArm::busy() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_plan != nullptr;
}

int SimArm::startMove(std::unique_ptr<MotionPlan> plan, bool retarget, const char** reason, bool hold) {
  if (!canMove(reason)) return 2;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_plan) {
    // Only a running follow-mode move may be given a new target.
    if (!retarget || m_mode != Mode::Running || m_teaching) {
      if (reason) *reason = "a move is already running";
      return 2;
    }
  }
  m_plan = std::move(plan);
  m_teaching = m_plan->duration() == MotionPlan::kForever;
  m_mode = hold ? Mode::Held : Mode::Running;
  m_clock = 0;
  m_rate = m_rateTarget = 1;
  m_rateSlope = 0;
  m_robotState = krn::RobotRunning;
  return 0;
}

void SimArm::go() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_mode == Mode::Held) m_mode = Mode::Running;
}

void SimArm::engageBrake() {
  std::lock_guard<std::mutex> lock(m_mutex);
  bool wasMoving = m_plan != nullptr;
  endPlan();
  m_brakeReleased = false;
  if (wasMoving) m_pending.push_back({krn::RobotEvent_robotControllerStateChaned, krn::RobotStopped, "robot stopped"});
}

void SimArm::startRamp(double targetRate, double accelScale) {
  // The plan's clock slows linearly to 0 so that the arm decelerates on its
  // own path within the plan's deceleration limit.
  double accel = (m_plan ? m_plan->stopAccel() : 1.5) * accelScale;
  double peak = 0;
  for (double v : m_qd) peak = std::max(peak, std::fabs(v));
  double ramp = std::max(kMinRampTime, accel > 0 ? peak / accel : kMinRampTime);
  m_rateTarget = targetRate;
  m_rateSlope = 1.0 / ramp;
}

void SimArm::stopMove(bool fast, bool moveControl) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_plan) {
    if (moveControl) m_pending.push_back({krn::RobotEvent_RobotMoveControlStopDone, 0, "stop done"});
    return;
  }
  m_stopReportsDone = m_stopReportsDone || moveControl;
  if (m_mode == Mode::Paused || m_mode == Mode::Held) {
    // Already at rest: the stop completes at once.
    m_mode = Mode::Stopping;
    m_rate = 0;
    return;
  }
  m_mode = Mode::Stopping;
  startRamp(0, fast ? kFastStopScale : 1);
}

void SimArm::pause() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_mode == Mode::Held) m_mode = Mode::Running;
  if (!m_plan || m_mode != Mode::Running) {
    m_pending.push_back({krn::RobotEvent_RobotMoveControlPauseDone, 0, "pause done"});
    return;
  }
  m_mode = Mode::Pausing;
  startRamp(0, 1);
}

void SimArm::resume() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_plan && (m_mode == Mode::Paused || m_mode == Mode::Pausing)) {
    m_mode = Mode::Running;
    m_rateTarget = 1;
    if (m_rateSlope <= 0) m_rateSlope = 1.0 / kMinRampTime;
    m_robotState = krn::RobotResumed;
    m_pending.push_back({krn::RobotEvent_robotControllerStateChaned, krn::RobotResumed, "robot resumed"});
  }
  m_pending.push_back({krn::RobotEvent_RobotMoveControlContinueDone, 0, "continue done"});
}

void SimArm::teachStop() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_plan || !m_teaching) return;
  m_mode = Mode::Stopping;
  startRamp(0, 1);
}

bool SimArm::applyDirect(const double q[6]) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_plan) return false;
  for (int j = 0; j < 6; ++j) m_q[j] = q[j];
  return true;
}

void SimArm::endPlan() {
  m_plan.reset();
  m_teaching = false;
  m_mode = Mode::Idle;
  m_clock = 0;
  m_rate = m_rateTarget = 1;
  m_stopReportsDone = false;
  m_robotState = krn::RobotStopped;
}

void SimArm::loop() {
  auto next = Clock::now();
  auto last = next;
  while (m_run) {
    next += std::chrono::microseconds(1000);
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait_until(lock, next, [this] { return !m_run.load(); });
    }
    if (!m_run) break;
    auto now = Clock::now();
    if (now - next > std::chrono::milliseconds(20)) next = now;  // stalled: do not try to catch up
    double dt = std::min(kMaxStep, std::chrono::duration<double>(now - last).count());
    last = now;
    std::vector<SimEvent> events;
    std::vector<Action> actions;
    step(dt, events, actions);
    m_state.advanceConveyor(dt, events);
    for (Action& a : actions) a();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      events.insert(events.end(), m_pending.begin(), m_pending.end());
      m_pending.clear();
    }
    for (const SimEvent& e : events) m_sink(e);
  }
}

void SimArm::step(double dt, std::vector<SimEvent>& events, std::vector<Action>& actions) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // Events raised before this step (responses already queued) go out first.
  events.swap(m_pending);
  auto now = Clock::now();
  for (size_t i = 0; i < m_scheduled.size();) {
    if (m_scheduled[i].due <= now) {
      actions.push_back(std::move(m_scheduled[i].action));
      m_scheduled.erase(m_scheduled.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  double prev[6];
  for (int j = 0; j < 6; ++j) prev[j] = m_q[j];
  if (m_plan && m_mode != Mode::Held) {
    if (m_rate != m_rateTarget) {
      double delta = m_rateSlope * dt;
      m_rate = m_rate < m_rateTarget ? std::min(m_rateTarget, m_rate + delta)
                                     : std::max(m_rateTarget, m_rate - delta);
    }
    m_clock += m_rate * dt;
    double duration = m_plan->duration();
    bool ok = m_plan->sample(std::min(m_clock, duration), m_q);
    double half = duration == MotionPlan::kForever ? 0.2 : duration / 2;
    if (m_clock >= half && m_faults.closeMidMoveArmed() && m_faults.takeCloseMidMove())
      actions.push_back(m_closeAll);
    if (m_clock >= duration) {
      bool reportStop = m_mode == Mode::Stopping && m_stopReportsDone;
      endPlan();
      ++m_arrivals;
      events.push_back({krn::RobotEvent_atTrackTargetPos, 0, "arrived at the track target"});
      if (reportStop) events.push_back({krn::RobotEvent_RobotMoveControlStopDone, 0, "stop done"});
    } else if (!ok) {
      // A teach motion reached the edge of the workspace.
      endPlan();
      events.push_back({krn::RobotEvent_robotControllerStateChaned, krn::RobotStopped, "robot stopped"});
    } else if (m_rate == 0 && m_mode == Mode::Pausing) {
      m_mode = Mode::Paused;
      m_robotState = krn::RobotPaused;
      events.push_back({krn::RobotEvent_RobotMoveControlPauseDone, 0, "pause done"});
      events.push_back({krn::RobotEvent_robotControllerStateChaned, krn::RobotPaused, "robot paused"});
    } else if (m_rate == 0 && m_mode == Mode::Stopping) {
      bool report = m_stopReportsDone;
      bool teach = m_teaching;
      endPlan();
      if (report) events.push_back({krn::RobotEvent_RobotMoveControlStopDone, 0, "stop done"});
      if (!teach) events.push_back({krn::RobotEvent_robotControllerStateChaned, krn::RobotStopped, "robot stopped"});
    }
  }
  SimPose pose = SimKinematics::fk(m_q);
  double dist = 0;
  for (int i = 0; i < 3; ++i) {
    dist += (pose.p[i] - m_lastFlange[i]) * (pose.p[i] - m_lastFlange[i]);
    m_lastFlange[i] = pose.p[i];
  }
  if (dt > 0) {
    // Light smoothing: the step timing jitters by a fraction of a millisecond.
    m_endSpeed = 0.7 * m_endSpeed + 0.3 * (std::sqrt(dist) / dt);
    for (int j = 0; j < 6; ++j) m_qd[j] = 0.7 * m_qd[j] + 0.3 * ((m_q[j] - prev[j]) / dt);
  }
}

}  // namespace kavisim
