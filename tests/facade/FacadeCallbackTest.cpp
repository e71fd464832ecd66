// Facade callbacks and forwarding: slots replaced and cleared while pushes
// stream in, a callback that makes a request, the event copy, the push
// switches, and the command each forwarder sends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "FacadeTestSupport.h"

using namespace kavi_robot_namespace;
using Clock = std::chrono::steady_clock;

namespace {

class FacadeCallbacks : public rskavi_test::FacadeWithController {};

struct Counter {
  std::atomic<long> calls{0};
  std::atomic<bool> cleared{false};
  std::atomic<long> callsAfterClear{0};
};

void countWaypoint(const wayPoint_S*, void* arg) {
  auto* c = static_cast<Counter*>(arg);
  c->calls++;
  if (c->cleared) c->callsAfterClear++;
}

void countWaypointOther(const wayPoint_S*, void* arg) { static_cast<Counter*>(arg)->calls++; }

TEST_F(FacadeCallbacks, SlotsChangeSafelyWhilePushesStream) {
  std::atomic<bool> stop{false};
  std::thread pusher([&] {
    const std::array<double, 6> j{0.1, -0.2, 1.3, 0.2, 1.5, 0.0};
    // 5 kHz, well above a controller's push rate, yet slow enough for the
    // client to keep up so that the registration requests get answers.
    while (!stop) {
      controller.sendJointAngles(j);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  Counter first, second;
  const auto end = Clock::now() + std::chrono::milliseconds(1000);
  unsigned seed = 7;
  while (Clock::now() < end) {
    seed = seed * 1103515245u + 12345u;
    switch ((seed >> 16) % 3) {
      case 0:
        robot.robotServiceRegisterRealTimeRoadPointCallback(countWaypoint, &first);
        break;
      case 1:
        robot.robotServiceRegisterRealTimeRoadPointCallback(countWaypointOther, &second);
        break;
      default:
        robot.robotServiceRegisterRealTimeRoadPointCallback(nullptr, nullptr);
        break;
    }
  }
  robot.robotServiceRegisterRealTimeRoadPointCallback(countWaypoint, &first);
  ASSERT_TRUE(rskavi_test::eventually([&] { return first.calls > 0; })) << "seed 7";
  // Once the clearing call has returned, the old callback never runs again.
  robot.robotServiceRegisterRealTimeRoadPointCallback(nullptr, nullptr);
  first.cleared = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  stop = true;
  pusher.join();
  EXPECT_EQ(first.callsAfterClear, 0);
  EXPECT_GT(first.calls + second.calls, 0);
}

struct RequestFromCallback {
  ServiceInterface* robot;
  std::atomic<int> result{-1};
  std::atomic<double> seconds{0};
};

void requestInsideEvent(const RobotEventInfo* info, void* arg) {
  if (info->eventType != RobotEvent_User) return;
  auto* r = static_cast<RequestFromCallback*>(arg);
  const auto start = Clock::now();
  JointParam j;
  r->result = r->robot->robotServiceGetJointAngleInfo(j);
  r->seconds = std::chrono::duration<double>(Clock::now() - start).count();
}

TEST_F(FacadeCallbacks, RequestFromInsideACallbackTimesOutInsteadOfHanging) {
  RequestFromCallback r;
  r.robot = &robot;
  robot.robotServiceRegisterRobotEventInfoCallback(requestInsideEvent, &r);
  ASSERT_TRUE(controller.sendEvent(RobotEvent_User, 0, ""));
  ASSERT_TRUE(rskavi_test::eventually([&] { return r.result.load() != -1; }, std::chrono::seconds(3)));
  EXPECT_EQ(r.result, ErrCode_RequestTimeout);
  EXPECT_LT(r.seconds, 1.5);
  robot.robotServiceRegisterRobotEventInfoCallback(nullptr, nullptr);
  // Reception goes on afterwards.
  JointParam j;
  EXPECT_EQ(robot.robotServiceGetJointAngleInfo(j), ErrnoSucc);
}

struct SeenEvent {
  std::atomic<bool> got{false};
  RobotEventInfo info;
  const RobotEventInfo* address = nullptr;
};

void keepEvent(const RobotEventInfo* info, void* arg) {
  auto* s = static_cast<SeenEvent*>(arg);
  if (s->got) return;
  s->info = *info;
  s->address = info;
  s->got = true;
}

TEST_F(FacadeCallbacks, EventCallbackGetsTheEventAndItsArgument) {
  SeenEvent seen;
  robot.robotServiceRegisterRobotEventInfoCallback(keepEvent, &seen);
  ASSERT_TRUE(controller.sendEvent(RobotEvent_collision, 3, "bump"));
  ASSERT_TRUE(rskavi_test::eventually([&] { return seen.got.load(); }));
  EXPECT_EQ(seen.info.eventType, RobotEvent_collision);
  EXPECT_EQ(seen.info.eventCode, 3);
  EXPECT_EQ(seen.info.eventContent, "bump");
}

TEST_F(FacadeCallbacks, RegisteringARealTimeCallbackSwitchesItsPush) {
  struct Case {
    std::function<void(bool)> reg;
    int on;
    int off;
  };
  const Case cases[] = {
      {[&](bool set) {
         robot.robotServiceRegisterRealTimeJointStatusCallback(
             set ? +[](const JointStatus*, int, void*) {} : nullptr, nullptr);
       }, 4, 5},
      {[&](bool set) {
         robot.robotServiceRegisterRealTimeRoadPointCallback(set ? +[](const wayPoint_S*, void*) {} : nullptr,
                                                            nullptr);
       }, 8, 9},
      {[&](bool set) {
         robot.robotServiceRegisterRealTimeEndSpeedCallback(set ? +[](double, void*) {} : nullptr, nullptr);
       }, 12, 13},
  };
  const size_t framesBefore = controller.peer().frames().size();
  robot.robotServiceRegisterRobotEventInfoCallback(nullptr, nullptr);
  EXPECT_EQ(controller.peer().frames().size(), framesBefore) << "the event slot sends nothing";
  for (const Case& c : cases) {
    c.reg(true);
    c.reg(false);
    EXPECT_EQ(controller.count(c.on), 1u);
    EXPECT_EQ(controller.count(c.off), 1u);
  }
}

TEST(FacadeOffline, CallbacksRegisterBeforeLoginAndStatusNeedsNoController) {
  ServiceInterface robot;
  EXPECT_EQ(robot.robotServiceRegisterRealTimeRoadPointCallback([](const wayPoint_S*, void*) {}, nullptr),
            ErrnoSucc);
  EXPECT_EQ(robot.robotServiceSetRealTimeRoadPointPush(true), ErrCode_SocketDisconnect);
  bool connected = true;
  robot.robotServiceGetConnectStatus(connected);
  EXPECT_FALSE(connected);
  bool mac = false;
  EXPECT_EQ(robot.robotServiceGetMacCommunicationStatus(mac), ErrnoSucc);
  EXPECT_TRUE(mac);
  EXPECT_EQ(robot.robotServiceSetRobotMaxACC(123), ErrnoSucc);
  EXPECT_FALSE(robot.getErrDescByCode(ErrCode_MotionInterruptedByEvent).empty());
  EXPECT_EQ(robot.robotServiceLogout(), ErrnoSucc);
}

// Each forwarder sends its own command and returns the controller's answer.
TEST_F(FacadeCallbacks, ForwardersSendTheirCommand) {
  struct Case {
    const char* name;
    std::function<int()> call;
    int type;
  };
  ToolDynamicsParam tool;
  ServiceInterface::initToolDynamicsParamDataType(tool);
  uint8 orpe[4] = {1, 2, 3, 4};
  RobotJointOffset offset{{0, 0, 0, 0, 0, 0}};
  const Case cases[] = {
      {"robot control", [&] { return robot.rootServiceRobotControl(RobotRelease); }, 18},
      {"power", [&] { return robot.robotServicePowerControl(true); }, 20},
      {"release brake", [&] { return robot.robotServiceReleaseBrake(); }, 21},
      {"shutdown", [&] { return robot.robotServiceRobotShutdown(false); }, 17},
      {"collision recover", [&] { return robot.robotServiceCollisionRecover(); }, 19},
      {"work mode", [&] { return robot.robotServiceSetRobotWorkMode(RobotModeSimulator); }, 33},
      {"collision class", [&] { return robot.robotServiceSetRobotCollisionClass(6); }, 40},
      {"origin pose", [&] { return robot.robotServiceSetRobotAtOriginPose(); }, 60},
      {"orpe pause", [&] { return robot.robotServiceSetRobotOrpePause(1); }, 64},
      {"orpe stop", [&] { return robot.robotServiceSetRobotOrpeStop(1); }, 65},
      {"orpe error", [&] { return robot.robotServiceSetRobotOrpeError(orpe, 4); }, 66},
      {"clear emergency", [&] { return robot.robotServiceClearSystemEmergencyStop(1); }, 67},
      {"clear reduced", [&] { return robot.robotServiceClearReducedModeError(1); }, 68},
      {"safeguard reset", [&] { return robot.robotServiceRobotSafetyguardResetSucc(1); }, 69},
      {"joint offset", [&] { return robot.robotServiceSetRobotJointOffset(offset); }, 86},
      {"tool dynamics", [&] { return robot.robotServiceSetToolDynamicsParam(tool); }, 27},
      {"no tool dynamics", [&] { return robot.robotServiceSetNoneToolDynamicsParam(); }, 27},
      {"handshake", [&] { return robot.robotServiceRobotHandShake(false); }, 80},
      {"start-up", [&] {
         ROBOT_SERVICE_STATE s;
         return robot.rootServiceRobotStartup(tool, 6, true, true, 1000, s, false);
       }, 16},
  };
  for (const Case& c : cases) {
    const size_t before = controller.count(c.type);
    EXPECT_EQ(c.call(), ErrnoSucc) << c.name;
    EXPECT_EQ(controller.count(c.type), before + 1) << c.name;
  }
}

TEST_F(FacadeCallbacks, ToolDynamicsTravelAsFloatsWithoutInertia) {
  ToolDynamicsParam tool{0.01, 0.02, 0.03, 1.5, {1, 2, 3, 4, 5, 6}};
  ASSERT_EQ(robot.robotServiceSetToolDynamicsParam(tool), ErrnoSucc);
  ASSERT_EQ(controller.count(27), 1u);
  kavi::robot::communication::RobotTcpParam sent;
  ASSERT_TRUE(sent.ParseFromString(controller.texts(27).back()));
  EXPECT_FLOAT_EQ(sent.paramautorun().positionx(), 0.01f);
  EXPECT_FLOAT_EQ(sent.parammanual().payload(), 1.5f);
}

}  // namespace
