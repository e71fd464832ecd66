// The facade against the embedded simulator: a session through every group
// (lifecycle, profile and moves, status, kinematics), an arrival that
// overtakes the move's response, and a connection closed in mid-move.
#include <gtest/gtest.h>

#include <chrono>

#include "FacadeTestSupport.h"
#include "SimFixture.h"

using namespace kavi_robot_namespace;

namespace {

constexpr int kRobotMove = 22;

class FacadeSim : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    rskavi_test::restoreDefaultProfile(robot);
    ASSERT_EQ(robot.robotServiceLogin("127.0.0.1", port(), "kavi", "123456"), ErrnoSucc);
    ToolDynamicsParam tool;
    ServiceInterface::initToolDynamicsParamDataType(tool);
    ROBOT_SERVICE_STATE state = ROBOT_SERVICE_READY;
    ASSERT_EQ(robot.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true), ErrnoSucc);
    ASSERT_EQ(state, ROBOT_SERVICE_WORKING);
    JointVelcAccParam fast;
    for (double& v : fast.jointPara) v = 3.0;
    ASSERT_EQ(robot.robotServiceSetGlobalMoveJointMaxAcc(fast), ErrnoSucc);
    ASSERT_EQ(robot.robotServiceSetGlobalMoveJointMaxVelc(fast), ErrnoSucc);
  }
  void TearDown() override {
    robot.robotServiceLogout();
    rskavi_test::restoreDefaultProfile(robot);
    SimFixture::TearDown();
  }

  ServiceInterface robot;
};

TEST_F(FacadeSim, SessionThroughEveryGroup) {
  double a[6] = {0.0, -0.26, 1.74, 0.44, 1.57, 0.0};
  double b[6] = {0.3, -0.2, 1.6, 0.3, 1.5, 0.2};
  ASSERT_EQ(robot.robotServiceJointMove(a, true), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceJointMove(b, true), ErrnoSucc);

  wayPoint_S here;
  ASSERT_EQ(robot.robotServiceGetCurrentWaypointInfo(here), ErrnoSucc);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(here.jointpos[i], b[i], 1e-3) << i;

  // A short line from the current pose, its target by inverse kinematics.
  Pos goal = here.cartPos.position;
  goal.z += 0.03;
  wayPoint_S target;
  ASSERT_EQ(robot.robotServiceRobotIk(here.jointpos, goal, here.orientation, target), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceSetGlobalMoveEndMaxLineVelc(0.5), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceSetGlobalMoveEndMaxLineAcc(1.0), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceLineMove(target, true), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceGetCurrentWaypointInfo(here), ErrnoSucc);
  EXPECT_NEAR(here.cartPos.position.z, goal.z, 1e-3);

  robot.robotServiceClearGlobalWayPointVector();
  ASSERT_EQ(robot.robotServiceAddGlobalWayPoint(a), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceAddGlobalWayPoint(b), ErrnoSucc);
  ASSERT_EQ(robot.robotServiceAddGlobalWayPoint(a), ErrnoSucc);
  EXPECT_EQ(robot.robotServiceTrackMove(JIONT_CUBICSPLINE, true), ErrnoSucc);

  JointStatus status[6];
  EXPECT_EQ(robot.robotServiceGetRobotJointStatus(status, 6), ErrnoSucc);
  RobotDiagnosis diagnosis;
  EXPECT_EQ(robot.robotServiceGetRobotDiagnosisInfo(diagnosis), ErrnoSucc);
  ToolDynamicsParam tool{0.01, 0.02, 0.03, 1.5, {1, 2, 3, 4, 5, 6}};
  ASSERT_EQ(robot.robotServiceSetToolDynamicsParam(tool), ErrnoSucc);
  ToolDynamicsParam back;
  ASSERT_EQ(robot.robotServiceGetToolDynamicsParam(back), ErrnoSucc);
  EXPECT_DOUBLE_EQ(back.payload, static_cast<double>(1.5f));
  EXPECT_DOUBLE_EQ(back.positionX, static_cast<double>(0.01f));
  EXPECT_EQ(back.toolInertia.xx, 0.0);

  EXPECT_EQ(robot.robotServiceRobotShutdown(true), ErrnoSucc);
}

TEST_F(FacadeSim, ArrivalBeforeResponseReturnsAtOnce) {
  kavisim::CommandFault fault;
  fault.eventBeforeResponse = true;
  faults().set(kRobotMove, fault);
  double a[6] = {0.0, -0.26, 1.74, 0.44, 1.57, 0.0};
  // Already there: the simulator reports arrival at once, before the response.
  ASSERT_EQ(robot.robotServiceJointMove(a, true), ErrnoSucc);
  EXPECT_EQ(robot.robotServiceJointMove(a, true), ErrnoSucc);
  faults().clear(kRobotMove);
}

TEST_F(FacadeSim, RefusedMoveReturnsTheControllerCodeWithoutWaiting) {
  kavisim::CommandFault fault;
  fault.errorCode = 2;
  faults().set(kRobotMove, fault);
  double a[6] = {0.3, -0.2, 1.6, 0.3, 1.5, 0.2};
  EXPECT_EQ(robot.robotServiceJointMove(a, true), ErrCode_ResponseReturnError);
  faults().clear(kRobotMove);
}

TEST_F(FacadeSim, ConnectionClosedMidMoveEndsTheBlockingMove) {
  double a[6] = {0.0, -0.26, 1.74, 0.44, 1.57, 0.0};
  ASSERT_EQ(robot.robotServiceJointMove(a, true), ErrnoSucc);
  faults().armCloseMidMove(true);
  double far[6] = {1.5, -0.2, 1.2, 0.3, 1.0, 1.0};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(robot.robotServiceJointMove(far, true), ErrCode_MotionInterruptedByEvent);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  bool connected = true;
  robot.robotServiceGetConnectStatus(connected);
  EXPECT_FALSE(connected);
}

}  // namespace
