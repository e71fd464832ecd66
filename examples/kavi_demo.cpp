// kavi_demo: drives a controller (normally kavi-sim) through a short session
// with the public facade only: login, start-up, limits, joint, line, track and
// relative moves, pause and continue, status reads, shutdown and logout.
// Usage: kavi_demo <host> <port>. Exits 0 only when every step succeeded.
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ServiceInterface.h"

using namespace kavi_robot_namespace;
using Clock = std::chrono::steady_clock;

namespace {

// What the callbacks saw; they run on the library's receive thread.
struct Observed {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<RobotEventInfo> events;
  std::vector<wayPoint_S> samples;  // every 50th streamed waypoint
  long waypointCount = 0;
  int arrivals = 0;
};

void onEvent(const RobotEventInfo* info, void* arg) {
  auto* seen = static_cast<Observed*>(arg);
  std::lock_guard<std::mutex> lock(seen->mutex);
  seen->events.push_back(*info);
  if (info->eventType == RobotEvent_atTrackTargetPos) ++seen->arrivals;
  seen->changed.notify_all();
}

void onWaypoint(const wayPoint_S* wayPoint, void* arg) {
  auto* seen = static_cast<Observed*>(arg);
  std::lock_guard<std::mutex> lock(seen->mutex);
  if (seen->waypointCount % 50 == 0 && seen->samples.size() < 8) seen->samples.push_back(*wayPoint);
  ++seen->waypointCount;
}

class Transcript {
 public:
  explicit Transcript(ServiceInterface& robot) : m_robot(robot) {}

  // Runs one step, prints its result text and duration, remembers failures.
  bool step(const char* name, const std::function<int()>& body) {
    const auto start = Clock::now();
    const int ret = body();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const std::string text = m_robot.getErrDescByCode(static_cast<RobotErrorCode>(ret));
    std::printf("%-4s %-44s %6.2f s  %d %s\n", ret == ErrnoSucc ? "ok" : "FAIL", name, seconds, ret,
                text.c_str());
    std::fflush(stdout);
    if (ret != ErrnoSucc) ++m_failures;
    return ret == ErrnoSucc;
  }

  int failures() const { return m_failures; }

 private:
  ServiceInterface& m_robot;
  int m_failures = 0;
};

void printWaypoint(const char* label, const wayPoint_S& w) {
  std::printf("     %s joints [%.3f %.3f %.3f %.3f %.3f %.3f] pos (%.3f %.3f %.3f)\n", label,
              w.jointpos[0], w.jointpos[1], w.jointpos[2], w.jointpos[3], w.jointpos[4],
              w.jointpos[5], w.cartPos.position.x, w.cartPos.position.y, w.cartPos.position.z);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <host> <port>\n", argv[0]);
    return 2;
  }
  const char* host = argv[1];
  const int port = std::atoi(argv[2]);

  Observed seen;
  ServiceInterface robot;
  Transcript t(robot);
  std::printf("kavi_demo: controller %s:%d\n", host, port);

  // Without a connection nothing else can work.
  RobotType robotType = ROBOT_HERON;
  RobotDhPara dh{};
  if (!t.step("login", [&] { return robot.robotServiceLogin(host, port, "kavi", "123456", robotType, dh); })) {
    return 1;
  }
  std::printf("     arm model %d, DH A3=%.4f A4=%.4f D1=%.4f\n", static_cast<int>(robotType), dh.A3,
              dh.A4, dh.D1);

  t.step("register event callback", [&] { return robot.robotServiceRegisterRobotEventInfoCallback(onEvent, &seen); });
  t.step("register real-time waypoint callback",
         [&] { return robot.robotServiceRegisterRealTimeRoadPointCallback(onWaypoint, &seen); });

  ToolDynamicsParam tool;
  ServiceInterface::initToolDynamicsParamDataType(tool);
  ROBOT_SERVICE_STATE startup = ROBOT_SERVICE_READY;
  t.step("start-up (blocking)", [&] {
    int ret = robot.rootServiceRobotStartup(tool, 6, true, true, 1000, startup, true);
    if (ret == ErrnoSucc && startup != ROBOT_SERVICE_WORKING) {
      std::printf("     start-up result %d\n", static_cast<int>(startup));
      return static_cast<int>(ErrCode_Failed);
    }
    return ret;
  });

  JointVelcAccParam jointAcc, jointVelc;
  for (int i = 0; i < 6; ++i) {
    jointAcc.jointPara[i] = 1.5;
    jointVelc.jointPara[i] = 1.2;
  }
  t.step("set joint limits", [&] {
    int ret = robot.robotServiceSetGlobalMoveJointMaxAcc(jointAcc);
    return ret != ErrnoSucc ? ret : robot.robotServiceSetGlobalMoveJointMaxVelc(jointVelc);
  });
  t.step("set end limits", [&] {
    int ret = robot.robotServiceSetGlobalMoveEndMaxLineAcc(0.5);
    if (ret == ErrnoSucc) ret = robot.robotServiceSetGlobalMoveEndMaxLineVelc(0.3);
    if (ret == ErrnoSucc) ret = robot.robotServiceSetGlobalMoveEndMaxAngleAcc(1.5);
    if (ret == ErrnoSucc) ret = robot.robotServiceSetGlobalMoveEndMaxAngleVelc(1.0);
    return ret;
  });

  double poses[3][6] = {{0.0, -0.26, 1.74, 0.44, 1.57, 0.0},
                        {0.5, -0.10, 1.50, 0.05, 1.57, 0.3},
                        {-0.3, -0.30, 1.60, 0.30, 1.40, -0.2}};
  for (int i = 0; i < 3; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "joint move to pose %d (blocking)", i + 1);
    t.step(name, [&] { return robot.robotServiceJointMove(poses[i], true); });
  }

  // A short straight line: the target's joints come from inverse kinematics
  // of the current pose moved 5 cm along base x.
  t.step("line move 5 cm along x (blocking)", [&] {
    wayPoint_S here, target;
    int ret = robot.robotServiceGetCurrentWaypointInfo(here);
    if (ret != ErrnoSucc) return ret;
    Pos goal = here.cartPos.position;
    goal.x += 0.05;
    ret = robot.robotServiceRobotIk(here.jointpos, goal, here.orientation, target);
    return ret != ErrnoSucc ? ret : robot.robotServiceLineMove(target, true);
  });

  t.step("track move through 3 waypoints (blocking)", [&] {
    robot.robotServiceClearGlobalWayPointVector();
    for (int i = 0; i < 3; ++i) {
      int ret = robot.robotServiceAddGlobalWayPoint(poses[i]);
      if (ret != ErrnoSucc) return ret;
    }
    return robot.robotServiceTrackMove(JIONT_CUBICSPLINE, true);
  });

  // The global relative offset shifts the next move's target by 3 cm up.
  t.step("relative move +3 cm z (blocking)", [&] {
    MoveRelative offset;
    ServiceInterface::initMoveRelativeDataType(offset);
    offset.ena = true;
    offset.relativePosition[2] = 0.03f;
    robot.robotServiceSetMoveRelativeParam(offset);
    int ret = robot.robotServiceJointMove(poses[0], true);
    ServiceInterface::initMoveRelativeDataType(offset);
    robot.robotServiceSetMoveRelativeParam(offset);
    return ret;
  });

  t.step("non-blocking move, pause, continue", [&] {
    int arrivalsBefore;
    {
      std::lock_guard<std::mutex> lock(seen.mutex);
      arrivalsBefore = seen.arrivals;
    }
    int ret = robot.robotServiceJointMove(poses[1], false);
    if (ret != ErrnoSucc) return ret;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ret = robot.rootServiceRobotMoveControl(RobotMovePause);
    if (ret != ErrnoSucc) return ret;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ret = robot.rootServiceRobotMoveControl(RobotMoveContinue);
    if (ret != ErrnoSucc) return ret;
    std::unique_lock<std::mutex> lock(seen.mutex);
    if (!seen.changed.wait_for(lock, std::chrono::seconds(20),
                               [&] { return seen.arrivals > arrivalsBefore; })) {
      std::printf("     no arrival event within 20 s\n");
      return static_cast<int>(ErrCode_Failed);
    }
    return ret;
  });

  t.step("read joint status", [&] {
    JointStatus status[6];
    int ret = robot.robotServiceGetRobotJointStatus(status, 6);
    if (ret == ErrnoSucc) {
      std::printf("     joint 1: current %d, position %.3f, temperature %.1f\n", status[0].jointCurrentI,
                  status[0].jointPosJ, status[0].jointCurTemp);
    }
    return ret;
  });
  t.step("read diagnosis", [&] {
    RobotDiagnosis diagnosis;
    int ret = robot.robotServiceGetRobotDiagnosisInfo(diagnosis);
    if (ret == ErrnoSucc) {
      std::printf("     power %s, %.1f V, %.2f A, brakes %s\n", diagnosis.armPowerStatus ? "on" : "off",
                  diagnosis.armPowerVoltage, diagnosis.armPowerCurrent,
                  diagnosis.brakeStuats ? "released" : "engaged");
    }
    return ret;
  });
  t.step("read current waypoint", [&] {
    wayPoint_S here;
    int ret = robot.robotServiceGetCurrentWaypointInfo(here);
    if (ret == ErrnoSucc) printWaypoint("now   ", here);
    return ret;
  });

  t.step("shutdown (blocking)", [&] { return robot.robotServiceRobotShutdown(true); });
  // Clear the callbacks before the connection goes, so that nothing runs
  // while the transcript below is printed.
  robot.robotServiceRegisterRealTimeRoadPointCallback(nullptr, nullptr);
  t.step("logout", [&] { return robot.robotServiceLogout(); });
  robot.robotServiceRegisterRobotEventInfoCallback(nullptr, nullptr);

  {
    std::lock_guard<std::mutex> lock(seen.mutex);
    std::printf("streamed waypoints: %ld, samples:\n", seen.waypointCount);
    for (const wayPoint_S& w : seen.samples) printWaypoint("sample", w);
    std::printf("events received: %zu\n", seen.events.size());
    for (const RobotEventInfo& e : seen.events) {
      std::printf("     type %d code %d %s\n", static_cast<int>(e.eventType), e.eventCode,
                  e.eventContent.c_str());
    }
    if (seen.waypointCount == 0) {
      std::printf("FAIL no real-time waypoint was streamed\n");
      return 1;
    }
  }
  std::printf("kavi_demo: %s (%d failed steps)\n", t.failures() == 0 ? "all steps succeeded" : "FAILED",
              t.failures());
  return t.failures() == 0 ? 0 : 1;
}
