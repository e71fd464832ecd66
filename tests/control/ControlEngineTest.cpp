// Request/response engine and push dispatch of the control service, against
// a scripted loopback peer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <future>

#include "ControlTestSupport.h"
#include "ErrorInfoService.h"
#include "RobotUtilService.h"
#include "TempWorkDir.h"

using namespace ctl_test;
using namespace kavi_robot_namespace;

namespace {


class ControlEngine : public LoggedInControl {};

// Two requests of one type never overlap on the wire; two of different types do.
TEST_F(ControlEngine, SameTypeSerialisesDifferentTypesRunInParallel) {
  const int typeA = CommunicationType_SetRobotAtOriginPose;
  const int typeB = CommunicationType_CollisionRecover;
  peer.answer(typeA, commonResponse(0), 300ms);
  peer.answer(typeB, commonResponse(0), 300ms);

  {
    auto first = std::async(std::launch::async, [&] { return svc.setRobotAtOriginPoseService(); });
    auto second = std::async(std::launch::async, [&] { return svc.setRobotAtOriginPoseService(); });
    EXPECT_EQ(ErrnoSucc, first.get());
    EXPECT_EQ(ErrnoSucc, second.get());
    const auto in = peer.arrivals(typeA);
    const auto out = peer.answers(typeA);
    ASSERT_EQ(2u, in.size());
    ASSERT_EQ(2u, out.size());
    // The second request went out only after the first was answered.
    EXPECT_GE(in[1].at, out[0].at);
  }
  {
    auto a = std::async(std::launch::async, [&] { return svc.setRobotAtOriginPoseService(); });
    auto b = std::async(std::launch::async, [&] { return svc.collisionRecover(); });
    EXPECT_EQ(ErrnoSucc, a.get());
    EXPECT_EQ(ErrnoSucc, b.get());
    const auto inA = peer.arrivals(typeA);
    const auto inB = peer.arrivals(typeB);
    ASSERT_EQ(3u, inA.size());
    ASSERT_EQ(1u, inB.size());
    // Both were on the wire before either answer came back.
    const auto firstAnswer = std::min(peer.answers(typeA).back().at, peer.answers(typeB).back().at);
    EXPECT_LT(inA.back().at, firstAnswer);
    EXPECT_LT(inB.back().at, firstAnswer);
  }
}

// A late answer ends the request with a time-out and is not taken as the
// answer of the next request of that type.
TEST_F(ControlEngine, LateResponseTimesOutAndIsDroppedByTheNextRequest) {
  const int type = CommunicationType_SetRobotAtOriginPose;
  // Code 2 would map to ErrCode_ResponseReturnError if it were taken.
  peer.answer(type, commonResponse(2), 1000ms);
  const auto start = Clock::now();
  EXPECT_EQ(ErrCode_RequestTimeout, svc.setRobotAtOriginPoseService());
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 790ms);
  EXPECT_LT(elapsed, 1000ms);

  ASSERT_TRUE(peer.waitForAnswers(type, 1));
  // Let the stale answer reach its slot before the next request.
  std::this_thread::sleep_for(150ms);
  peer.answer(type, commonResponse(0));
  EXPECT_EQ(ErrnoSucc, svc.setRobotAtOriginPoseService());
}

TEST_F(ControlEngine, ControllerCodesAreMapped) {
  const int type = CommunicationType_SetRobotAtOriginPose;
  const struct {
    std::string text;
    int expected;
  } cases[] = {
      {commonResponse(0), ErrnoSucc},
      {commonResponse(4), ErrCode_RealRobotNoExist},
      {commonResponse(1), ErrCode_ResponseReturnError},
      {commonResponse(3), ErrCode_ResponseReturnError},
      {commonResponse(-7), ErrCode_ResponseReturnError},
      // An empty answer carries no result at all.
      {"", ErrCode_ResponseInfoIsNULL},
      // A garbled answer is not a success.
      {"\x08", ErrCode_ResolveResponseFailed},
  };
  for (const auto& c : cases) {
    peer.answer(type, c.text);
    EXPECT_EQ(c.expected, svc.setRobotAtOriginPoseService()) << "answer of " << c.text.size()
                                                             << " bytes";
  }
}

TEST_F(ControlEngine, UnknownFrameTypesAreDroppedAndReceptionGoesOn) {
  LogCapture log;
  for (int type : {120, 110, -1}) {
    SCOPED_TRACE(type);
    ASSERT_TRUE(peer.push(type, commonResponse(0)));
  }
  // A garbage push of every pushed type never reaches a callback.
  ASSERT_TRUE(peer.push(CommunicationType_Event, "\xff\xff\xff"));
  ASSERT_TRUE(peer.push(CommunicationType_RealTimeJointStatus, "\x01\x02"));
  double q[6] = {0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(peer.push(CommunicationType_RealTimeRobotJointAngle, jointAngleText(q, false)));
  ASSERT_TRUE(peer.push(CommunicationType_RealTimeRobotEndSpeed, generalData({}, {})));

  ASSERT_TRUE(peer.push(CommunicationType_Event, eventText(RobotEvent_powerChanged, 7, "after")));
  ASSERT_TRUE(events.waitForType(RobotEvent_powerChanged));
  EXPECT_EQ(1u, events.size());
  EXPECT_TRUE(log.contains("sdk log:  Command type not exist."));
  EXPECT_TRUE(log.contains("sdk log: Resolve realtime robot event failed."));
  EXPECT_TRUE(log.contains("sdk log: Resolve realtime joint status info failed."));
  EXPECT_TRUE(log.contains("sdk log: Resolve realtime end speed info failed."));
  // Requests still work after all that.
  EXPECT_EQ(ErrnoSucc, svc.setRobotAtOriginPoseService());
}

struct JointStatusSink {
  std::mutex mutex;
  std::vector<std::vector<JointStatus>> calls;
  static void callback(const JointStatus* status, int size, void* arg) {
    auto* self = static_cast<JointStatusSink*>(arg);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->calls.emplace_back(status, status + size);
  }
  size_t count() {
    std::lock_guard<std::mutex> lock(mutex);
    return calls.size();
  }
};

TEST_F(ControlEngine, JointStatusPushHandsOverSixRecords) {
  JointStatusSink sink;
  svc.robotServiceRegisterRealTimeJointStatusCallbackService(&JointStatusSink::callback, &sink);
  for (int entries : {8, 4}) {
    SCOPED_TRACE(entries);
    const size_t before = sink.count();
    ASSERT_TRUE(peer.push(CommunicationType_RealTimeJointStatus, jointStatusText(entries)));
    ASSERT_TRUE(waitFor([&] { return sink.count() == before + 1; }));
    std::lock_guard<std::mutex> lock(sink.mutex);
    const auto& records = sink.calls.back();
    ASSERT_EQ(6u, records.size());
    for (int i = 0; i < 6; ++i) {
      const bool present = i < entries;
      EXPECT_EQ(present ? i + 1 : 0, int{records[i].jointCurrentI}) << "record " << i;
      EXPECT_EQ(present ? i + 1.0f : 0.0f, float{records[i].jointTagPosJ}) << "record " << i;
      EXPECT_EQ(present ? i + 1 : 0, int{records[i].jointErrorNum}) << "record " << i;
    }
  }
}

TEST_F(ControlEngine, EndSpeedAndJointAnglePushesReachTheirCallbacks) {
  static std::atomic<double> speed{-1.0};
  static std::atomic<int> wayPoints{0};
  static wayPoint_S lastWayPoint;
  svc.robotServiceRegisterRealTimeEndSpeedCallbackService([](double s, void*) { speed = s; },
                                                          nullptr);
  svc.robotServiceRegisterRealTimeRoadPointCallbackService(
      [](const wayPoint_S* w, void*) {
        lastWayPoint = *w;
        ++wayPoints;
      },
      nullptr);
  ASSERT_TRUE(peer.push(CommunicationType_RealTimeRobotEndSpeed, generalData({1500}, {})));
  ASSERT_TRUE(waitFor([] { return speed.load() >= 0.0; }));
  EXPECT_DOUBLE_EQ(1.5, speed.load());

  const double q[6] = {0.1, -0.2, 0.3, -0.4, 0.5, -0.6};
  ASSERT_TRUE(peer.push(CommunicationType_RealTimeRobotJointAngle, jointAngleText(q)));
  ASSERT_TRUE(waitFor([] { return wayPoints.load() == 1; }));
  for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(q[i], lastWayPoint.jointpos[i]);
  // The pose is the forward kinematics of the angles, a unit quaternion.
  const Ori& o = lastWayPoint.orientation;
  EXPECT_NEAR(1.0, o.w * o.w + o.x * o.x + o.y * o.y + o.z * o.z, 1e-9);

  // A null registration switches the callback off.
  svc.robotServiceRegisterRealTimeEndSpeedCallbackService(nullptr, nullptr);
  ASSERT_TRUE(peer.push(CommunicationType_RealTimeRobotEndSpeed, generalData({250}, {})));
  ASSERT_TRUE(peer.push(CommunicationType_Event, eventText(RobotEvent_powerChanged, 0)));
  ASSERT_TRUE(events.waitForType(RobotEvent_powerChanged));
  EXPECT_DOUBLE_EQ(1.5, speed.load());
}

// Which flags each event sets before the event reaches the callback.
TEST_F(ControlEngine, MotionEventsSetTheirFlagBeforeTheCallback) {
  const struct {
    int type;
    int code;
    bool atTarget;
    bool abnormal;
    RobotMoveWaitResult wait;
  } cases[] = {
      {RobotEvent_atTrackTargetPos, 0, true, false, RobotMoveWaitResult::AtTarget},
      {RobotEvent_robotControllerStateChaned, 0, false, true, RobotMoveWaitResult::AbnormalStop},
      {RobotEvent_robotControllerStateChaned, 3, false, false, RobotMoveWaitResult::Timeout},
      {RobotEvent_robotControllerError, 9, false, true, RobotMoveWaitResult::AbnormalStop},
      {RobotEvent_collision, 0, false, false, RobotMoveWaitResult::Timeout},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "event " << c.type << " code " << c.code);
    const auto token = svc.prepareRobotMoveWait();
    auto wait = std::async(std::launch::async, [&] {
      return svc.waitRobotMoveAtTrackTargetPos(token, Clock::now() + 800ms);
    });
    const size_t before = events.ofType(c.type).size();
    ASSERT_TRUE(peer.push(CommunicationType_Event, eventText(c.type, c.code)));
    ASSERT_TRUE(events.waitForType(c.type, before + 1));
    const auto entry = events.ofType(c.type).back();
    EXPECT_EQ(c.atTarget, entry.atTargetFlag);
    EXPECT_EQ(c.abnormal, entry.abnormalFlag);
    EXPECT_EQ(c.wait, wait.get());
  }
}

TEST_F(ControlEngine, UnlistedEventTypesPassThroughUnchanged) {
  ASSERT_TRUE(peer.push(CommunicationType_Event, eventText(4242, -3, "x")));
  ASSERT_TRUE(events.waitForType(4242));
  EXPECT_EQ(-3, events.ofType(4242).front().code);
  EXPECT_EQ("x", events.ofType(4242).front().content);
}

TEST_F(ControlEngine, JointSixFlagEventUpdatesTheKinematics) {
  for (int code : {1, 0, 5, -1}) {
    SCOPED_TRACE(code);
    const size_t before = events.ofType(RobotEvent_UpdateJoint6Rot360Flag).size();
    ASSERT_TRUE(peer.push(CommunicationType_Event, eventText(RobotEvent_UpdateJoint6Rot360Flag, code)));
    ASSERT_TRUE(events.waitForType(RobotEvent_UpdateJoint6Rot360Flag, before + 1));
    EXPECT_EQ(code > 0, RobotUtilService::getJoint6Rot360());
  }
}

TEST_F(ControlEngine, ErrorInfoEventReachesTheCallbackTranslated) {
  rskavi_test::TempWorkDir dir(std::map<std::string, std::string>{
      {"config/robot_error_info.conf",
        "error_src = { src_0x01 = \"controller\"; };\n"
        "err_class_0x03 = { robot_error_code_0x1A5 = \"over current\"; };\n"}});
  const std::string json =
      "{\"src\":1,\"stop_model\":2,\"err_type\":4,\"err_class\":3,\"err_code\":421,\"err_node\":5}";
  ASSERT_TRUE(peer.push(CommunicationType_Event, eventText(RobotEvent_RobotErrorInfoNotify, 0, json)));
  // Not JSON: handed on as it came. Percent signs must not be taken as a format.
  ASSERT_TRUE(
      peer.push(CommunicationType_Event, eventText(RobotEvent_RobotErrorInfoNotify, 1, "%s%n oops")));
  ASSERT_TRUE(events.waitForType(RobotEvent_RobotErrorInfoNotify, 2));
  const auto got = events.ofType(RobotEvent_RobotErrorInfoNotify);
  EXPECT_EQ(
      "{\"src\":{\"0x01\":\"controller\"},\"stop_model\":\"0x02\",\"err_type\":\"0x04\","
      "\"err_class\":\"0x03\",\"err_node\":\"0x05\",\"err_code\":{\"0x1A5\":\"over current\"}}",
      got[0].content);
  EXPECT_EQ("%s%n oops", got[1].content);
}

// A request issued from inside a callback cannot be answered while the
// callback runs: it ends with the time-out, and reception then goes on.
TEST_F(ControlEngine, RequestFromInsideACallbackTimesOutInsteadOfHanging) {
  struct Ctx {
    RobotControlServices* svc;
    std::atomic<int> result{-1};
    Clock::duration took{};
  } ctx{&svc};
  svc.robotServiceRegisterRobotEventInfoCallbackService(
      [](const RobotEventInfo* e, void* arg) {
        auto* c = static_cast<Ctx*>(arg);
        if (e->eventType != RobotEvent_collision) return;
        const auto start = Clock::now();
        const int r = c->svc->setRobotAtOriginPoseService();
        c->took = Clock::now() - start;
        c->result = r;
      },
      &ctx);
  ASSERT_TRUE(peer.push(CommunicationType_Event, eventText(RobotEvent_collision, 0)));
  ASSERT_TRUE(waitFor([&] { return ctx.result.load() != -1; }, 3000ms));
  EXPECT_EQ(ErrCode_RequestTimeout, ctx.result.load());
  EXPECT_LT(ctx.took, 1500ms);
  svc.robotServiceRegisterRobotEventInfoCallbackService(nullptr, nullptr);
  EXPECT_EQ(ErrnoSucc, svc.setRobotAtOriginPoseService());
}

TEST(ControlEngineOffline, RequestsFailAtOnceWithoutAConnection) {
  RobotControlServices svc;
  const auto start = Clock::now();
  EXPECT_EQ(ErrCode_SocketDisconnect, svc.setRobotAtOriginPoseService());
  RobotState state;
  EXPECT_EQ(ErrCode_SocketDisconnect, svc.getRobotCurrentStateService(state));
  EXPECT_EQ(ErrCode_SocketDisconnect,
            svc.robotMoveControlService(CommunicationType_RobotMoveControlType_Pause));
  EXPECT_LT(Clock::now() - start, 100ms);
  EXPECT_EQ(ErrCode_ParamError, svc.robotMoveControlService(CommunicationType_RobotMove));
}

TEST(ControlEngineOffline, PeerCloseMakesLaterRequestsFailAtOnce) {
  RulePeer peer;
  peer.answerLogin(kDh);
  RobotControlServices svc;
  EventLog events;
  events.attach(svc);
  ASSERT_EQ(ErrnoSucc, loginAt(svc, peer));
  peer.peer().closeClient();
  ASSERT_TRUE(events.waitForType(RobotEvent_socketDisconnected));
  const auto e = events.ofType(RobotEvent_socketDisconnected).front();
  EXPECT_EQ(0, e.code);
  EXPECT_EQ("Server disconnected.", e.content);
  EXPECT_FALSE(svc.getCurrentConnectStatus());
  EXPECT_EQ(ErrCode_SocketDisconnect, svc.setRobotAtOriginPoseService());
}

}  // namespace
