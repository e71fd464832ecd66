// The global move profile through the facade: range checks that keep the
// previous value, the waypoint list limit, and defaults.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "FacadeTestSupport.h"
#include "ServiceInterface.h"

using namespace kavi_robot_namespace;

namespace {

constexpr double kDeg = M_PI / 180.0;

class MoveProfile : public ::testing::Test {
 protected:
  void SetUp() override { rskavi_test::restoreDefaultProfile(robot); }
  void TearDown() override { rskavi_test::restoreDefaultProfile(robot); }
  ServiceInterface robot;
};

// One scalar limit: how to set and read it, and its upper bound.
struct ScalarLimit {
  const char* name;
  std::function<int(ServiceInterface&, double)> set;
  std::function<double(ServiceInterface&)> get;
  double upper;
};

std::vector<ScalarLimit> scalarLimits() {
  return {
      {"end line acc", [](ServiceInterface& r, double v) { return r.robotServiceSetGlobalMoveEndMaxLineAcc(v); },
       [](ServiceInterface& r) { double v; r.robotServiceGetGlobalMoveEndMaxLineAcc(v); return v; }, 80.01},
      {"end line velc", [](ServiceInterface& r, double v) { return r.robotServiceSetGlobalMoveEndMaxLineVelc(v); },
       [](ServiceInterface& r) { double v; r.robotServiceGetGlobalMoveEndMaxLineVelc(v); return v; }, 5.01},
      {"end angle acc", [](ServiceInterface& r, double v) { return r.robotServiceSetGlobalMoveEndMaxAngleAcc(v); },
       [](ServiceInterface& r) { double v; r.robotServiceGetGlobalMoveEndMaxAngleAcc(v); return v; },
       3.141767186514992},
      {"end angle velc", [](ServiceInterface& r, double v) { return r.robotServiceSetGlobalMoveEndMaxAngleVelc(v); },
       [](ServiceInterface& r) { double v; r.robotServiceGetGlobalMoveEndMaxAngleVelc(v); return v; },
       3.141767186514992},  // 180.01 deg
  };
}

TEST_F(MoveProfile, ScalarLimitsRejectOutOfRangeAndKeepThePreviousValue) {
  for (const ScalarLimit& limit : scalarLimits()) {
    SCOPED_TRACE(limit.name);
    ASSERT_EQ(limit.set(robot, 0.25), ErrnoSucc);
    for (double bad : {0.0, -0.1, limit.upper * 1.0001, std::nan("")}) {
      EXPECT_EQ(limit.set(robot, bad), ErrCode_ParamError) << bad;
      EXPECT_DOUBLE_EQ(limit.get(robot), 0.25) << bad;
    }
    EXPECT_EQ(limit.set(robot, limit.upper), ErrnoSucc);
    EXPECT_DOUBLE_EQ(limit.get(robot), limit.upper);
  }
}

TEST_F(MoveProfile, JointLimitsRejectAllSixWhenOneIsBad) {
  struct JointLimit {
    const char* name;
    std::function<int(const JointVelcAccParam&)> set;
    std::function<void(JointVelcAccParam&)> get;
    double upper;
  };
  const std::vector<JointLimit> limits = {
      {"acc", [&](const JointVelcAccParam& p) { return robot.robotServiceSetGlobalMoveJointMaxAcc(p); },
       [&](JointVelcAccParam& p) { robot.robotServiceGetGlobalMoveJointMaxAcc(p); }, 83.77597862865302},
      {"velc", [&](const JointVelcAccParam& p) { return robot.robotServiceSetGlobalMoveJointMaxVelc(p); },
       [&](JointVelcAccParam& p) { robot.robotServiceGetGlobalMoveJointMaxVelc(p); }, 8.726820792896847},
  };
  for (const JointLimit& limit : limits) {
    SCOPED_TRACE(limit.name);
    JointVelcAccParam good{{0.1, 0.2, 0.3, 0.4, 0.5, 0.6}};
    ASSERT_EQ(limit.set(good), ErrnoSucc);
    for (int joint = 0; joint < 6; ++joint) {
      for (double bad : {0.0, -1.0, limit.upper * 1.0001}) {
        JointVelcAccParam p{{1.0, 1.0, 1.0, 1.0, 1.0, 1.0}};
        p.jointPara[joint] = bad;
        EXPECT_EQ(limit.set(p), ErrCode_ParamError) << "joint " << joint << " value " << bad;
        JointVelcAccParam now;
        limit.get(now);
        for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(now.jointPara[i], good.jointPara[i]);
      }
    }
    JointVelcAccParam top;
    for (double& v : top.jointPara) v = limit.upper;
    EXPECT_EQ(limit.set(top), ErrnoSucc);
  }
}

TEST_F(MoveProfile, BlendRadiusIsOpenOnBothSides) {
  EXPECT_EQ(robot.robotServiceSetGlobalBlendRadius(0.05f), ErrnoSucc);
  EXPECT_FLOAT_EQ(robot.robotServiceGetGlobalBlendRadius(), 0.05f);
  for (float bad : {0.0f, -0.01f, 0.0501f, 0.2f}) {
    EXPECT_EQ(robot.robotServiceSetGlobalBlendRadius(bad), ErrCode_ParamError) << bad;
    EXPECT_FLOAT_EQ(robot.robotServiceGetGlobalBlendRadius(), 0.05f);
  }
}

TEST_F(MoveProfile, WaypointListHoldsAtMost5000) {
  const double joints[6] = {0.1, -0.2, 1.2, 0.3, 1.5, 0.0};
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(robot.robotServiceAddGlobalWayPoint(joints), ErrnoSucc) << i;
  wayPoint_S extra;
  ServiceInterface::initWayPointDataType(extra);
  EXPECT_EQ(robot.robotServiceAddGlobalWayPoint(extra), ErrCode_MotionWaypointVetorSizeError);
  EXPECT_EQ(robot.robotServiceAddGlobalWayPoint(joints), ErrCode_MotionWaypointVetorSizeError);
  std::vector<wayPoint_S> list;
  robot.robotServiceGetGlobalWayPointVector(list);
  EXPECT_EQ(list.size(), 5000u);

  robot.robotServiceClearGlobalWayPointVector();
  EXPECT_EQ(robot.robotServiceAddGlobalWayPoint(extra), ErrnoSucc);
}

TEST_F(MoveProfile, JointAngleWaypointCarriesItsForwardKinematics) {
  const double joints[6] = {0.3, -0.4, 1.1, 0.2, 1.4, -0.6};
  ASSERT_EQ(robot.robotServiceAddGlobalWayPoint(joints), ErrnoSucc);
  wayPoint_S fk;
  ASSERT_EQ(robot.robotServiceRobotFk(joints, 6, fk), ErrnoSucc);
  std::vector<wayPoint_S> list;
  robot.robotServiceGetGlobalWayPointVector(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_DOUBLE_EQ(list[0].cartPos.position.x, fk.cartPos.position.x);
  EXPECT_DOUBLE_EQ(list[0].cartPos.position.y, fk.cartPos.position.y);
  EXPECT_DOUBLE_EQ(list[0].cartPos.position.z, fk.cartPos.position.z);
  EXPECT_DOUBLE_EQ(list[0].orientation.w, fk.orientation.w);
  for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(list[0].jointpos[i], joints[i]);
}

TEST_F(MoveProfile, InitRestoresDefaultsButKeepsTheTool) {
  ToolInEndDesc tool{{0.0, 0.0, 0.12}, {1.0, 0.0, 0.0, 0.0}};
  robot.robotServiceSetToolKinematicsParam(tool);
  robot.robotServiceSetGlobalMoveEndMaxLineVelc(1.0);
  robot.robotServiceSetGlobalBlendRadius(0.04f);
  robot.robotServiceSetTrackPlaybackCycle(0.5);
  robot.robotServiceSetGlobalCircularLoopTimes(3);
  const double joints[6] = {0, 0, 0, 0, 0, 0};
  robot.robotServiceAddGlobalWayPoint(joints);

  EXPECT_EQ(robot.robotServiceInitGlobalMoveProfile(), ErrnoSucc);
  double v;
  robot.robotServiceGetGlobalMoveEndMaxLineVelc(v);
  EXPECT_DOUBLE_EQ(v, 0.03);
  EXPECT_FLOAT_EQ(robot.robotServiceGetGlobalBlendRadius(), 0.02f);
  EXPECT_DOUBLE_EQ(robot.robotServiceGetTrackPlaybackCycle(), 0.1);
  EXPECT_EQ(robot.robotServiceGetGlobalCircularLoopTimes(), 0);
  std::vector<wayPoint_S> list;
  robot.robotServiceGetGlobalWayPointVector(list);
  EXPECT_TRUE(list.empty());
  JointVelcAccParam acc;
  robot.robotServiceGetGlobalMoveJointMaxAcc(acc);
  for (double a : acc.jointPara) EXPECT_DOUBLE_EQ(a, 25 * kDeg);
  ToolInEndDesc kept;
  robot.robotServiceGetToolKinematicsParam(kept);
  EXPECT_DOUBLE_EQ(kept.toolInEndPosition.z, 0.12);
}

TEST_F(MoveProfile, TwoFacadesShareOneProfile) {
  ServiceInterface other;
  ASSERT_EQ(robot.robotServiceSetGlobalMoveEndMaxLineAcc(2.5), ErrnoSucc);
  double v = 0;
  other.robotServiceGetGlobalMoveEndMaxLineAcc(v);
  EXPECT_DOUBLE_EQ(v, 2.5);
}

}  // namespace
