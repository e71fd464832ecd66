// Motion through the facade against a scripted controller: what each move
// sends, how blocking moves end, and the profile as it travels on the wire.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include "FacadeTestSupport.h"
#include "RobotControlServices.h"
#include "RobotMoveService.h"
#include "RobotUtilService.h"
#include "robotcommon.pb.h"

using namespace kavi_robot_namespace;
using rskavi_test::FakeController;
using Reply = FakeController::MoveReply;
using Clock = std::chrono::steady_clock;

namespace {

namespace pc = kavi::robot::common;

constexpr double kPose[6] = {0.2, -0.3, 1.4, 0.3, 1.5, 0.1};

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class FacadeMotion : public rskavi_test::FacadeWithController {
 protected:
  pc::RobotMove lastMove() {
    auto moves = controller.moves();
    EXPECT_FALSE(moves.empty());
    return moves.empty() ? pc::RobotMove() : moves.back();
  }
  void addTrack(int n) {
    robot.robotServiceClearGlobalWayPointVector();
    for (int i = 0; i < n; ++i) {
      double joints[6] = {0.1 * i, -0.3, 1.4, 0.3, 1.5, 0.0};
      ASSERT_EQ(robot.robotServiceAddGlobalWayPoint(joints), ErrnoSucc);
    }
  }
};

TEST_F(FacadeMotion, BlockingMovesEndByHowTheControllerReplies) {
  struct Case {
    Reply reply;
    int expected;
  };
  const Case cases[] = {
      {Reply::ArriveAfterResponse, ErrnoSucc},
      {Reply::ArriveBeforeResponse, ErrnoSucc},
      {Reply::ErrorAfterResponse, ErrCode_MotionInterruptedByEvent},
      {Reply::Reject, ErrCode_ResponseReturnError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.reply));
    controller.setMoveReply(c.reply);
    double joints[6];
    std::copy(kPose, kPose + 6, joints);
    const auto start = Clock::now();
    EXPECT_EQ(robot.robotServiceJointMove(joints, true), c.expected);
    wayPoint_S w;
    ServiceInterface::initWayPointDataType(w);
    std::copy(kPose, kPose + 6, w.jointpos);
    EXPECT_EQ(robot.robotServiceLineMove(w, true), c.expected);
    EXPECT_LT(secondsSince(start), 1.5);
  }
}

TEST_F(FacadeMotion, ArrivalLeftFromAnEarlierMoveDoesNotEndTheNextBlockingMove) {
  // A non-blocking move's arrival sets the flag; the next blocking move must
  // clear it and wait for its own arrival (here: an error).
  controller.setMoveReply(Reply::ArriveAfterResponse);
  double joints[6];
  std::copy(kPose, kPose + 6, joints);
  ASSERT_EQ(robot.robotServiceJointMove(joints, false), ErrnoSucc);
  ASSERT_TRUE(rskavi_test::eventually([&] { return controller.count(22) == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  controller.setMoveReply(Reply::ErrorAfterResponse);
  EXPECT_EQ(robot.robotServiceJointMove(joints, true), ErrCode_MotionInterruptedByEvent);
}

TEST_F(FacadeMotion, NonBlockingMoveReturnsTheResponseAndLeavesTheArrivalFlags) {
  RobotControlServices control;
  RobotMoveService motion(&control);
  auto login = std::async(std::launch::async, [&] {
    RobotType type;
    RobotDhPara dh;
    return control.loginService("127.0.0.1", controller.port(), "kavi", "x", type, dh);
  });
  ASSERT_TRUE(controller.peer().waitForClient());
  ASSERT_EQ(login.get(), ErrnoSucc);

  control.setRobotMoveAtTrackTargetSignalFlag(true);
  control.setRobotMoveAbnormalStopFlag(true);
  wayPoint_S w;
  ASSERT_EQ(RobotUtilService::robotFk(kPose, 6, w), ErrnoSucc);
  controller.setMoveReply(Reply::ResponseOnly);
  EXPECT_EQ(motion.robotJointMove(w, false), ErrnoSucc);
  controller.setMoveReply(Reply::Reject);
  EXPECT_EQ(motion.robotLineMove(w, false), ErrCode_ResponseReturnError);
  EXPECT_TRUE(control.getRobotMoveAtTrackTargetSignalFlag());
  EXPECT_TRUE(control.getRobotMoveAbnormalStopFlag());
  control.logoutService();
}

TEST_F(FacadeMotion, BlockingMoveEndsWhenTheConnectionDrops) {
  controller.setMoveReply(Reply::ResponseOnly);
  double joints[6];
  std::copy(kPose, kPose + 6, joints);
  auto move = std::async(std::launch::async, [&] { return robot.robotServiceJointMove(joints, true); });
  ASSERT_TRUE(rskavi_test::eventually([&] { return controller.count(22) == 1; }));
  EXPECT_EQ(move.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout)
      << "the move returned before the arm arrived";
  const auto start = Clock::now();
  controller.peer().closeClient();
  ASSERT_EQ(move.wait_for(std::chrono::seconds(3)), std::future_status::ready);
  EXPECT_EQ(move.get(), ErrCode_MotionInterruptedByEvent);
  EXPECT_LT(secondsSince(start), 1.0);
}

TEST_F(FacadeMotion, BlockingMoveEndsWhenAnotherThreadLogsOut) {
  controller.setMoveReply(Reply::ResponseOnly);
  double joints[6];
  std::copy(kPose, kPose + 6, joints);
  auto move = std::async(std::launch::async, [&] { return robot.robotServiceJointMove(joints, true); });
  ASSERT_TRUE(rskavi_test::eventually([&] { return controller.count(22) == 1; }));
  const auto start = Clock::now();
  robot.robotServiceLogout();
  ASSERT_EQ(move.wait_for(std::chrono::seconds(3)), std::future_status::ready);
  // The logout may overtake the move's response (then the request itself ends
  // as disconnected) or come while the move waits for arrival; either way the
  // call ends at once, not after a time-out.
  const int ret = move.get();
  EXPECT_TRUE(ret == ErrCode_MotionInterruptedByEvent || ret == ErrCode_SocketDisconnect) << ret;
  EXPECT_LT(secondsSince(start), 0.5) << "the call waited out the response time-out";
}

TEST_F(FacadeMotion, LineMoveSendsThePoseOfItsJoints) {
  wayPoint_S w;
  ServiceInterface::initWayPointDataType(w);
  std::copy(kPose, kPose + 6, w.jointpos);
  w.cartPos.position = Pos{9.0, 9.0, 9.0};  // disagrees with the joints
  w.orientation = Ori{0.0, 1.0, 0.0, 0.0};
  ASSERT_EQ(robot.robotServiceLineMove(w, false), ErrnoSucc);

  wayPoint_S fk;
  ASSERT_EQ(robot.robotServiceRobotFk(kPose, 6, fk), ErrnoSucc);
  EXPECT_DOUBLE_EQ(w.cartPos.position.x, fk.cartPos.position.x);
  EXPECT_DOUBLE_EQ(w.orientation.w, fk.orientation.w);
  ASSERT_TRUE(rskavi_test::eventually([&] { return controller.count(22) == 1; }));
  pc::RobotMove sent = lastMove();
  ASSERT_EQ(sent.roadpointvector_size(), 1);
  const pc::ProtoRoadPoint& p = sent.roadpointvector(0);
  EXPECT_DOUBLE_EQ(p.cartpos().position(0).x(), fk.cartPos.position.x);
  EXPECT_DOUBLE_EQ(p.cartpos().position(0).z(), fk.cartPos.position.z);
  EXPECT_DOUBLE_EQ(p.orientation().x(), fk.orientation.x);
  EXPECT_EQ(sent.move_profile().movemode(), MODEL);
  EXPECT_EQ(sent.move_profile().submovemode(), NO_TRACK);
  // Line moves carry the end limits in the first two entries.
  EXPECT_DOUBLE_EQ(sent.move_profile().maxvelc().jointpara(0), 0.03);
  EXPECT_DOUBLE_EQ(sent.move_profile().maxvelc().jointpara(1), 1.7453292519943295);
}

TEST_F(FacadeMotion, TrackMoveNeedsThreeWaypointsAndSendsThemAll) {
  addTrack(2);
  EXPECT_EQ(robot.robotServiceTrackMove(CARTESIAN_MOVEP, false), ErrCode_MotionWaypointVetorSizeError);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(controller.count(22), 0u);

  addTrack(3);
  EXPECT_EQ(robot.robotServiceTrackMove(CARTESIAN_MOVEP, true), ErrnoSucc);
  pc::RobotMove sent = lastMove();
  ASSERT_EQ(sent.roadpointvector_size(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(sent.roadpointvector(i).jointpos(0), 0.1 * i);
  std::vector<wayPoint_S> kept;
  robot.robotServiceGetGlobalWayPointVector(kept);
  EXPECT_EQ(kept.size(), 3u) << "the list stays after a track move";
}

TEST_F(FacadeMotion, TrackSubModesAreRewrittenOnTheWire) {
  struct Case {
    move_track requested;
    int sentSubMode;
    float blend;
    int loops;
  };
  robot.robotServiceSetGlobalCircularLoopTimes(4);
  robot.robotServiceSetTrackPlaybackCycle(0.25);
  const Case cases[] = {
      {ARC, ARC_CIR, 1.0f, 0},
      {CIRCLE, ARC_CIR, 1.0f, 4},
      {ARC_ORI_ROTATED, ARC_CIR, -1.0f, 0},
      {CIRCLE_ORI_ROTATED, ARC_CIR, -1.0f, 1},
      {ORI_POSITION_ROTATE_CIRCUMFERENCE, ARC_CIR, -1.0f, 1},
      {JOINT_UBSPLINEINTP, JOINT_UBSPLINEINTP, 0.25f, 4},
      {CARTESIAN_MOVEP, CARTESIAN_MOVEP, 0.02f, 4},
  };
  addTrack(3);
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.requested));
    ASSERT_EQ(robot.robotServiceTrackMove(c.requested, true), ErrnoSucc);
    const pc::RobotMoveProfile p = lastMove().move_profile();
    EXPECT_EQ(p.movemode(), MODEP);
    EXPECT_EQ(p.submovemode(), c.sentSubMode);
    EXPECT_FLOAT_EQ(p.blendradius(), c.blend);
    EXPECT_EQ(p.circularlooptimes(), c.loops);
  }
}

TEST_F(FacadeMotion, LimitsFollowTheModeOnTheWire) {
  JointVelcAccParam velc{{0.5, 0.6, 0.7, 0.8, 0.9, 1.0}};
  ASSERT_EQ(robot.robotServiceSetGlobalMoveJointMaxVelc(velc), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceSetGlobalMoveEndMaxLineVelc(0.2), ErrnoSucc);
  addTrack(3);
  struct Case {
    move_track subMode;
    double first;  // maxVelc jointPara[0]
    double last;   // maxVelc jointPara[5]
  };
  const double deflt = 0.4363323129985824;
  const Case cases[] = {
      {JIONT_CUBICSPLINE, 0.5, 1.0},
      {CARTESIAN_CUBICSPLINE, 0.2, deflt},
      {TRACKING, deflt, deflt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.subMode));
    ASSERT_EQ(robot.robotServiceTrackMove(c.subMode, true), ErrnoSucc);
    const pc::RobotMoveProfile p = lastMove().move_profile();
    ASSERT_EQ(p.maxvelc().jointpara_size(), 6);
    EXPECT_DOUBLE_EQ(p.maxvelc().jointpara(0), c.first);
    EXPECT_DOUBLE_EQ(p.maxvelc().jointpara(5), c.last);
  }
  double joints[6];
  std::copy(kPose, kPose + 6, joints);
  ASSERT_EQ(robot.robotServiceJointMove(joints, true), ErrnoSucc);
  EXPECT_DOUBLE_EQ(lastMove().move_profile().maxvelc().jointpara(2), 0.7);
}

TEST_F(FacadeMotion, ArrivalAheadModesDecideTheLineSubMode) {
  struct Case {
    std::function<int()> set;
    int subMode;
    int state;
  };
  const Case cases[] = {
      {[&] { return robot.robotServiceSetArrivalAheadDistanceMode(0.01); }, TRACKING, 1},
      {[&] { return robot.robotServiceSetArrivalAheadTimeMode(0.2); }, TRACKING, 2},
      {[&] { return robot.robotServiceSetArrivalAheadBlendDistanceMode(0.01); }, NO_TRACK, 3},
      {[&] { return robot.robotServiceSetNoArrivalAhead(); }, NO_TRACK, 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.set(), ErrnoSucc);
    double joints[6];
    std::copy(kPose, kPose + 6, joints);
    ASSERT_EQ(robot.robotServiceLineMove(joints, true), ErrnoSucc);
    const pc::RobotMoveProfile p = lastMove().move_profile();
    EXPECT_EQ(p.submovemode(), c.subMode) << c.state;
    EXPECT_EQ(p.arrivalahead().arrivalaheadstat(), c.state);
  }
}

TEST_F(FacadeMotion, RelativeOffsetAndToolTravelWithTheMove) {
  MoveRelative offset;
  ServiceInterface::initMoveRelativeDataType(offset);
  offset.ena = true;
  offset.relativePosition[2] = 0.05f;
  ASSERT_EQ(robot.robotServiceSetMoveRelativeParam(offset), ErrnoSucc);
  ToolInEndDesc tool{{0.0, 0.0, 0.1}, {1.0, 0.0, 0.0, 0.0}};
  ASSERT_EQ(robot.robotServiceSetToolKinematicsParam(tool), ErrnoSucc);
  double joints[6];
  std::copy(kPose, kPose + 6, joints);
  ASSERT_EQ(robot.robotServiceJointMove(joints, true), ErrnoSucc);
  const pc::RobotMoveProfile p = lastMove().move_profile();
  EXPECT_TRUE(p.relativemove().ena());
  ASSERT_EQ(p.relativemove().relativeposition_size(), 3);
  EXPECT_FLOAT_EQ(p.relativemove().relativeposition(2), 0.05f);
  EXPECT_TRUE(p.tooltrack());
  EXPECT_DOUBLE_EQ(p.toolinendposition().z(), 0.1);
}

TEST_F(FacadeMotion, TeachStartChoosesModeAndDirection) {
  struct Case {
    teach_mode mode;
    bool direction;
    int moveMode;
    int loops;
  };
  const Case cases[] = {
      {MOV_Z, true, MODEL, 1}, {ROT_X, false, MODEL, 0}, {JOINT3, false, MODEJ, 0}, {JOINT6, true, MODEJ, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    const size_t before = controller.count(23);
    ASSERT_EQ(robot.robotServiceTeachStart(c.mode, c.direction), ErrnoSucc);
    ASSERT_EQ(controller.count(23), before + 1);
    pc::RobotTeachMove teach;
    ASSERT_TRUE(teach.ParseFromString(controller.texts(23).back()));
    EXPECT_EQ(teach.move_profile().movemode(), c.moveMode);
    EXPECT_EQ(teach.move_profile().submovemode(), TRACKING);
    EXPECT_EQ(teach.move_profile().teachmode(), c.mode);
    EXPECT_EQ(teach.move_profile().circularlooptimes(), c.loops);
    EXPECT_EQ(teach.calibrateroadpointvector_size(), 3);
  }
  EXPECT_EQ(robot.robotServiceTeachStop(), ErrnoSucc);
  EXPECT_EQ(controller.count(24), 1u);
}

TEST_F(FacadeMotion, MoveControlSendsItsCommandAndIgnoresUnknownValues) {
  struct Case {
    std::function<int()> call;
    int type;
  };
  const Case cases[] = {
      {[&] { return robot.rootServiceRobotMoveControl(RobotMoveStop); }, 89},
      {[&] { return robot.robotMoveFastStop(); }, 90},
      {[&] { return robot.rootServiceRobotMoveControl(RobotMovePause); }, 91},
      {[&] { return robot.rootServiceRobotMoveControl(RobotMoveContinue); }, 92},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.call(), ErrnoSucc) << c.type;
    EXPECT_EQ(controller.count(c.type), 1u) << c.type;
  }
  const size_t frames = controller.peer().frames().size();
  EXPECT_EQ(robot.rootServiceRobotMoveControl(static_cast<RobotMoveControlCommand>(7)), ErrnoSucc);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(controller.peer().frames().size(), frames);
}

TEST_F(FacadeMotion, RotateMoveSendsTheCurrentPoseWithAngleAndBaseAxis) {
  controller.setJoints({0.1, -0.2, 1.3, 0.2, 1.5, 0.0});
  CoordCalibrateByJointAngleAndTool base;
  ServiceInterface::initCoordCalibrateByJointAngleAndToolDataType(base);
  const double axis[3] = {0.0, 0.0, 1.0};
  ASSERT_EQ(robot.robotServiceRotateMove(base, axis, 0.5, true), ErrnoSucc);
  pc::RobotMove sent = lastMove();
  ASSERT_EQ(sent.roadpointvector_size(), 1);
  EXPECT_DOUBLE_EQ(sent.roadpointvector(0).jointpos(2), 1.3);
  EXPECT_DOUBLE_EQ(sent.roadpointvector(0).orientation().w(), 0.5);
  EXPECT_NEAR(sent.roadpointvector(0).orientation().z(), 1.0, 1e-9);
  EXPECT_EQ(sent.move_profile().teachmode(), ROT_Y);
}

TEST_F(FacadeMotion, CurrentWaypointIsTheForwardKinematicsOfTheControllerJoints) {
  controller.setJoints({0.4, -0.1, 1.0, 0.0, 1.2, 0.3});
  wayPoint_S here;
  ASSERT_EQ(robot.robotServiceGetCurrentWaypointInfo(here), ErrnoSucc);
  const double joints[6] = {0.4, -0.1, 1.0, 0.0, 1.2, 0.3};
  wayPoint_S fk;
  robot.robotServiceRobotFk(joints, 6, fk);
  EXPECT_DOUBLE_EQ(here.cartPos.position.y, fk.cartPos.position.y);
  EXPECT_DOUBLE_EQ(here.jointpos[5], 0.3);

  robot.robotServiceLogout();
  wayPoint_S untouched;
  untouched.jointpos[0] = 42.0;
  EXPECT_EQ(robot.robotServiceGetCurrentWaypointInfo(untouched), ErrCode_SocketDisconnect);
  EXPECT_EQ(untouched.jointpos[0], 42.0);
  double j[6] = {0, 0, 0, 0, 0, 0};
  EXPECT_EQ(robot.robotServiceJointMove(j, true), ErrCode_SocketDisconnect);
}

}  // namespace
