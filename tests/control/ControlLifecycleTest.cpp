// Login, logout and the arm lifecycle of the control service (handshake,
// start-up, shutdown, move control) against a scripted loopback peer.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <future>

#include "ControlTestSupport.h"
#include "FreshProcess.h"
#include "RobotUtilService.h"

using namespace ctl_test;
using namespace kavi_robot_namespace;

namespace {


bool ready(std::future<int>& f, std::chrono::milliseconds within = 0ms) {
  return f.wait_for(within) == std::future_status::ready;
}

TEST(ControlLogin, SecondLoginIsRefusedAndKeepsTheFirstConnection) {
  RulePeer peer;
  peer.answerLogin(kDh);
  RobotControlServices svc;
  ASSERT_EQ(ErrnoSucc, loginAt(svc, peer));
  RobotType type;
  RobotDhPara dh;
  EXPECT_EQ(ErrCode_ConnectSocketFailed, svc.loginService("127.0.0.1", peer.port() + 1, "u", "p", type, dh));
  EXPECT_FALSE(peer.peer().hasPendingClient(100ms));
  EXPECT_EQ(1u, peer.arrivals(CommunicationType_Login).size());
  EXPECT_EQ(ErrnoSucc, svc.setRobotAtOriginPoseService());
  svc.logoutService();
  EXPECT_FALSE(svc.getCurrentConnectStatus());
}

TEST(ControlLogin, SilentJointSixQueryStillLogsInWithAFatalLine) {
  LogCapture log;
  RulePeer peer;
  peer.answerLogin(kDh);
  peer.silence(CommunicationType_getEnableJoint6Rot360Flag);
  RobotControlServices svc;
  EXPECT_EQ(ErrnoSucc, loginAt(svc, peer));
  EXPECT_TRUE(log.containsAt(log4cplus::FATAL_LOG_LEVEL,
                             "sdk log: login completed, get joint6 retate 360 falg failed."));
  EXPECT_TRUE(svc.getCurrentConnectStatus());
  svc.logoutService();
}

TEST(ControlLogin, JointSixFlagOfTheControllerIsInstalled) {
  for (bool flag : {true, false}) {
    SCOPED_TRACE(flag);
    LogCapture log;
    RulePeer peer;
    peer.answerLogin(kDh, 0, flag);
    RobotControlServices svc;
    ASSERT_EQ(ErrnoSucc, loginAt(svc, peer));
    EXPECT_EQ(flag, RobotUtilService::getJoint6Rot360());
    EXPECT_TRUE(log.contains(std::string("joint6Rot360Enable=") + (flag ? "1" : "0")));
    svc.logoutService();
  }
}

// A login that does not succeed leaves the connection open for the logout
// and never asks for the joint-6 flag.
TEST(ControlLogin, FailedLoginsReportTheirCauseAndLeaveTheConnectionOpen) {
  const struct {
    const char* name;
    bool answer;
    std::string text;
    int expected;
  } cases[] = {
      {"refused", true, dhResponse(0, kDh, 2), ErrCode_ResponseReturnError},
      {"no real arm", true, dhResponse(0, kDh, 4), ErrCode_RealRobotNoExist},
      {"garbled", true, "\x0a\x03xyz", ErrCode_ResolveResponseFailed},
      {"empty", true, "", ErrCode_ResponseInfoIsNULL},
      {"silent", false, "", ErrCode_RequestTimeout},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RulePeer peer;
    if (c.answer) {
      peer.answer(CommunicationType_Login, c.text);
    } else {
      peer.silence(CommunicationType_Login);
    }
    RobotControlServices svc;
    EXPECT_EQ(c.expected, loginAt(svc, peer));
    EXPECT_TRUE(svc.getCurrentConnectStatus());
    EXPECT_TRUE(peer.arrivals(CommunicationType_getEnableJoint6Rot360Flag).empty());
    EXPECT_EQ(ErrnoSucc, svc.logoutService());
    EXPECT_FALSE(svc.getCurrentConnectStatus());
    EXPECT_TRUE(peer.peer().waitForClientClose());
  }
}

TEST(ControlLogin, BadAddressesFailCleanly) {
  RobotControlServices svc;
  RobotType type;
  RobotDhPara dh;
  EXPECT_EQ(ErrCode_ParamError, svc.loginService(nullptr, 1, "u", "p", type, dh));
  EXPECT_EQ(ErrCode_ConnectSocketFailed, svc.loginService("no.such.host", 1, "u", "p", type, dh));
  EXPECT_FALSE(svc.getCurrentConnectStatus());
}

// The arm model is one per process: only the first successful login installs
// its DH lengths; later logins hand the controller's values back only.
TEST(ControlLogin, DhLengthsAreInstalledOncePerProcess) {
  rskavi_test::expectInFreshProcess({}, []() -> std::string {
    const double q[6] = {0.3, -0.7, 1.1, 0.4, -0.9, 0.2};
    auto fkPosition = [&] {
      wayPoint_S w{};
      RobotUtilService::robotFk(q, 6, w);
      return w.cartPos.position;
    };
    auto same = [](const Pos& a, const Pos& b) {
      return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9 && std::fabs(a.z - b.z) < 1e-9;
    };
    const Pos before = fkPosition();
    if (RobotControlServices::isDhParamInstalled()) return "installed before any login";

    const RobotDhPara first{0.52, 0.47, 0.13, 0.14, 0.115, 0.097};
    const RobotDhPara second{0.30, 0.25, 0.09, 0.10, 0.08, 0.07};
    Pos afterFirst{};
    const RobotDhPara* logins[] = {&first, &second};
    for (const RobotDhPara* login : logins) {
      const RobotDhPara& dh = *login;
      RulePeer peer;
      peer.answerLogin(dh, 0);
      RobotControlServices svc;
      RobotType type = ROBOT_EGRET;
      RobotDhPara got{};
      if (loginAt(svc, peer, &type, &got) != ErrnoSucc) return "login failed";
      if (got.A3 != dh.A3 || got.D6 != dh.D6) return "login did not hand back the controller's lengths";
      if (type != ROBOT_HERON) return "login did not hand back the controller's model";
      svc.logoutService();
      if (login == &first) {
        afterFirst = fkPosition();
        if (same(afterFirst, before)) return "first login did not install the lengths";
      } else if (!same(fkPosition(), afterFirst)) {
        return "second login replaced the installed lengths";
      }
    }
    return RobotControlServices::isDhParamInstalled() ? "" : "flag not set";
  });
}

class ControlLifecycle : public LoggedInControl {};

using BlockingCall = std::function<int(RobotControlServices&, ROBOT_SERVICE_STATE&)>;

int blockingHandShake(RobotControlServices& s, ROBOT_SERVICE_STATE&) {
  return s.robotHandShakeService(true);
}
int blockingStartup(RobotControlServices& s, ROBOT_SERVICE_STATE& r) {
  RobotTcpParam tcp{};
  return s.robotStartupService(tcp, 6, true, true, 1000, r, true);
}
int blockingShutdown(RobotControlServices& s, ROBOT_SERVICE_STATE&) {
  return s.robotShutdownService(true);
}

// Each blocking command waits past its response for its completion event.
TEST_F(ControlLifecycle, BlockingCommandsCompleteOnTheirEvent) {
  const struct {
    const char* name;
    BlockingCall call;
    int requestType;
    int eventType;
    int eventCode;
    bool eventBeforeResponse;
    int expected;
    ROBOT_SERVICE_STATE result;
  } cases[] = {
      {"handshake ok", blockingHandShake, CommunicationType_RobotHandShake,
       RobotEvent_RobotHandShakeSucc, 0, false, ErrnoSucc, ROBOT_SERVICE_READY},
      {"handshake failed", blockingHandShake, CommunicationType_RobotHandShake,
       RobotEvent_RobotHandShakeFailed, 0, false, ErrCode_ResponseReturnError, ROBOT_SERVICE_READY},
      {"startup power fault", blockingStartup, CommunicationType_RobotStartup,
       RobotEvent_robotStartupDoneResult, 5, false, ErrnoSucc, ROBOT_SETVICE_FAULT_POWER},
      {"startup event first", blockingStartup, CommunicationType_RobotStartup,
       RobotEvent_robotStartupDoneResult, 2, true, ErrnoSucc, ROBOT_SERVICE_WORKING},
      {"shutdown", blockingShutdown, CommunicationType_RobotShutdown,
       RobotEvent_robotShutdownDone, 0, false, ErrnoSucc, ROBOT_SERVICE_READY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.eventBeforeResponse) {
      peer.silence(c.requestType);
    } else {
      peer.answer(c.requestType, commonResponse(0));
    }
    ROBOT_SERVICE_STATE result = ROBOT_SERVICE_READY;
    const size_t before = peer.arrivals(c.requestType).size();
    auto call = std::async(std::launch::async, [&] { return c.call(svc, result); });
    ASSERT_TRUE(peer.waitForArrivals(c.requestType, before + 1));
    if (c.eventBeforeResponse) {
      peer.push(CommunicationType_Event, eventText(c.eventType, c.eventCode));
      peer.push(c.requestType, commonResponse(0));
    } else {
      // Answered, but still waiting for the event.
      EXPECT_FALSE(ready(call, 200ms));
      peer.push(CommunicationType_Event, eventText(c.eventType, c.eventCode));
    }
    ASSERT_TRUE(ready(call, 3000ms));
    EXPECT_EQ(c.expected, call.get());
    EXPECT_EQ(c.result, result);
  }
}

TEST_F(ControlLifecycle, RefusedOrUnsentBlockingCommandsDoNotWait) {
  peer.answer(CommunicationType_RobotStartup, commonResponse(2));
  peer.answer(CommunicationType_RobotShutdown, commonResponse(4));
  ROBOT_SERVICE_STATE result = ROBOT_SERVICE_CLOSED;
  const auto start = Clock::now();
  EXPECT_EQ(ErrCode_ResponseReturnError, blockingStartup(svc, result));
  EXPECT_EQ(ErrCode_RealRobotNoExist, blockingShutdown(svc, result));
  EXPECT_LT(Clock::now() - start, 500ms);
  EXPECT_EQ(ROBOT_SERVICE_CLOSED, result);
  // Not blocking: only the response counts.
  peer.answer(CommunicationType_RobotStartup, commonResponse(0));
  RobotTcpParam tcp{};
  EXPECT_EQ(ErrnoSucc, svc.robotStartupService(tcp, 6, true, true, 1000, result, false));
  EXPECT_EQ(ROBOT_SERVICE_CLOSED, result);
}

TEST_F(ControlLifecycle, MoveControlWaitsOnlyWhenTheControllerSaysSo) {
  const int pause = CommunicationType_RobotMoveControlType_Pause;
  const int slow = CommunicationType_RobotMoveControlType_SlowStop;
  const int fast = CommunicationType_RobotMoveControlType_FastStop;
  const int cont = CommunicationType_RobotMoveControlType_Continue;
  const int none = -1;
  const struct {
    int type;
    std::string answer;
    int wrongEvent;  // must not end the wait
    int event;       // ends the wait
    int expected;
  } cases[] = {
      {pause, moveFuncResult(2), none, none, ErrnoSucc},
      {pause, moveFuncResult(1), RobotEvent_RobotMoveControlContinueDone,
       RobotEvent_RobotMoveControlPauseDone, ErrnoSucc},
      {pause, moveFuncResult(1), none, RobotEvent_RobotMoveControlStopDone, ErrnoSucc},
      {pause, moveFuncResult(1), none, RobotEvent_softEmergency, ErrnoSucc},
      {slow, moveFuncResult(1), RobotEvent_RobotMoveControlPauseDone,
       RobotEvent_RobotMoveControlStopDone, ErrnoSucc},
      {fast, moveFuncResult(1), none, RobotEvent_softEmergency, ErrnoSucc},
      {cont, moveFuncResult(1), RobotEvent_RobotMoveControlPauseDone,
       RobotEvent_RobotMoveControlContinueDone, ErrnoSucc},
      {pause, moveFuncResult(0), none, none, ErrCode_moveControlPauseFailed},
      {pause, moveFuncResult(1, 2), none, none, ErrCode_moveControlPauseFailed},
      {slow, moveFuncResult(0), none, none, ErrCode_moveControlSlowStopFailed},
      {fast, moveFuncResult(0), none, none, ErrCode_moveControlFastStopFailed},
      {cont, moveFuncResult(0), none, none, ErrCode_moveControlContinueFailed},
      {cont, moveFuncResult(7), none, none, ErrCode_moveControlSlowStopFailed},
      {pause, "\xff", none, none, ErrCode_ResolveResponseFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " event " << c.event);
    peer.answer(c.type, c.answer);
    const size_t before = peer.answers(c.type).size();
    auto call = std::async(std::launch::async, [&] {
      return svc.robotMoveControlService(static_cast<CommunicationCommandType>(c.type));
    });
    if (c.event != none) {
      ASSERT_TRUE(peer.waitForAnswers(c.type, before + 1));
      if (c.wrongEvent != none) peer.push(CommunicationType_Event, eventText(c.wrongEvent, 0));
      EXPECT_FALSE(ready(call, 200ms));
      const size_t seen = events.ofType(c.event).size();
      peer.push(CommunicationType_Event, eventText(c.event, 0));
      // The callback comes after every reaction: the next case starts clean.
      ASSERT_TRUE(events.waitForType(c.event, seen + 1));
    }
    ASSERT_TRUE(ready(call, 3000ms));
    EXPECT_EQ(c.expected, call.get());
  }
}

// Losing the connection ends every wait that needs an event from it, and
// never as a success; the disconnect event still reaches the callback.
TEST_F(ControlLifecycle, LostConnectionEndsEveryWaitAsAFailure) {
  peer.answer(CommunicationType_RobotMoveControlType_Pause, moveFuncResult(1));
  ROBOT_SERVICE_STATE r1 = ROBOT_SERVICE_CLOSED, r2 = ROBOT_SERVICE_CLOSED, r3 = ROBOT_SERVICE_CLOSED;
  auto handShake = std::async(std::launch::async, [&] { return blockingHandShake(svc, r1); });
  auto startup = std::async(std::launch::async, [&] { return blockingStartup(svc, r2); });
  auto shutdown = std::async(std::launch::async, [&] { return blockingShutdown(svc, r3); });
  auto pause = std::async(std::launch::async, [&] {
    return svc.robotMoveControlService(CommunicationType_RobotMoveControlType_Pause);
  });
  const auto token = svc.prepareRobotMoveWait();
  auto move = std::async(std::launch::async, [&] { return svc.waitRobotMoveAtTrackTargetPos(token); });
  for (int type : {CommunicationType_RobotHandShake, CommunicationType_RobotStartup,
                   CommunicationType_RobotShutdown, CommunicationType_RobotMoveControlType_Pause}) {
    ASSERT_TRUE(peer.waitForAnswers(type, 1)) << type;
  }
  EXPECT_FALSE(ready(startup, 100ms));
  peer.peer().closeClient();

  std::future<int>* waits[] = {&handShake, &startup, &shutdown, &pause};
  for (auto* w : waits) {
    ASSERT_TRUE(ready(*w, 3000ms));
    EXPECT_EQ(ErrCode_SocketDisconnect, w->get());
  }
  ASSERT_EQ(std::future_status::ready, move.wait_for(3000ms));
  EXPECT_EQ(RobotMoveWaitResult::Disconnected, move.get());
  EXPECT_EQ(ROBOT_SERVICE_CLOSED, r2);
  ASSERT_TRUE(events.waitForType(RobotEvent_socketDisconnected));
}

TEST_F(ControlLifecycle, LogoutEndsAWaitingStartup) {
  ROBOT_SERVICE_STATE result = ROBOT_SERVICE_CLOSED;
  auto startup = std::async(std::launch::async, [&] { return blockingStartup(svc, result); });
  ASSERT_TRUE(peer.waitForAnswers(CommunicationType_RobotStartup, 1));
  EXPECT_FALSE(ready(startup, 100ms));
  EXPECT_EQ(ErrnoSucc, svc.logoutService());
  ASSERT_TRUE(ready(startup, 3000ms));
  EXPECT_EQ(ErrCode_SocketDisconnect, startup.get());
  EXPECT_EQ(ROBOT_SERVICE_CLOSED, result);
}

TEST_F(ControlLifecycle, SimpleCommandsSendTheirValue) {
  EXPECT_EQ(ErrnoSucc, svc.robotControlService(ClearRobotCurrentAlarm));
  EXPECT_EQ(ErrnoSucc, svc.armPowerControlService(true));
  EXPECT_EQ(ErrnoSucc, svc.rootReleaseBrake());
  EXPECT_EQ(ErrnoSucc, svc.collisionRecover());
  for (bool on : {true, false}) {
    EXPECT_EQ(ErrnoSucc, svc.setRealTimeJointStatusPush(on));
    EXPECT_EQ(ErrnoSucc, svc.setRealTimeJointAnglePush(on));
    EXPECT_EQ(ErrnoSucc, svc.setRealTimeEndSpeedPush(on));
  }
  comm::ProtoCommunicationGeneralData control, power;
  ASSERT_EQ(1u, peer.texts(CommunicationType_RobotControl).size());
  ASSERT_TRUE(control.ParseFromString(peer.texts(CommunicationType_RobotControl)[0]));
  ASSERT_EQ(1, control.property1_size());
  EXPECT_EQ(ClearRobotCurrentAlarm, control.property1(0));
  ASSERT_TRUE(power.ParseFromString(peer.texts(CommunicationType_SetRobotPowerStatus)[0]));
  ASSERT_EQ(1, power.property2_size());
  EXPECT_TRUE(power.property2(0));
  EXPECT_EQ("", peer.texts(CommunicationType_SetRobotReleaseBrake)[0]);
  for (int type : {4, 5, 8, 9, 12, 13}) EXPECT_EQ(1u, peer.arrivals(type).size()) << type;
}

}  // namespace
