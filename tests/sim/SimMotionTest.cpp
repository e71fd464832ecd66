// Motion of the simulated arm in time: trapezoidal joint moves, pause and
// continue, line moves, and refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "SimFixture.h"
#include "SimKinematics.h"
#include "SimMessages.h"
#include "SimTestClient.h"
#include "dax_alg.h"

using namespace std::chrono_literals;
namespace pbc = kavi::robot::common;

namespace {

class SimMotionTest : public SimFixture {
 protected:
  void configure(kavisim::SimConfig& c) override { c.armReady = true; }

  // Sends a move, expects it accepted, returns the time of its response.
  SimTestClient::Clock::time_point startMove(SimTestClient& client, const pbc::RobotMove& move) {
    int i = client.request(22, move);
    EXPECT_GE(i, 0);
    EXPECT_EQ(client.commonCode(i), 0);
    return client.frame(i).at;
  }

  void target(const double delta[6], double out[6]) {
    kavisim::ArmSnapshot s = arm().snapshot();
    for (int j = 0; j < 6; ++j) out[j] = s.joints[j] + delta[j];
  }
};

struct JointCase {
  const char* name;
  double delta[6];
  double velc, acc;
  double expected;  // profile time of the leading joint [s]
};

class SimJointMoveTest : public SimMotionTest, public ::testing::WithParamInterface<JointCase> {};

TEST_P(SimJointMoveTest, ArrivalMatchesTheTrapezoidalProfile) {
  const JointCase& c = GetParam();
  SimTestClient client(port());
  double goal[6];
  target(c.delta, goal);
  size_t from = client.count();
  auto sent = startMove(client, simtest::jointMove(goal, c.velc, c.acc));
  int e = client.waitEvent(22, std::chrono::milliseconds(static_cast<int>(c.expected * 2000 + 500)), from);
  ASSERT_GE(e, 0) << "no arrival";
  double took = std::chrono::duration<double>(client.frame(e).at - sent).count();
  EXPECT_NEAR(took, c.expected, 0.1 * c.expected) << c.name;
  kavisim::ArmSnapshot s = arm().snapshot();
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(s.joints[j], goal[j], 1e-9) << "joint " << j;
  EXPECT_FALSE(s.moving);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, SimJointMoveTest,
    ::testing::Values(
        // 0.6 rad at 1 rad/s, 4 rad/s^2: cruise reached, T = d/v + v/a.
        JointCase{"trapezoid", {0.6, 0, 0, 0, 0, 0}, 1.0, 4.0, 0.6 / 1.0 + 1.0 / 4.0},
        // 0.2 rad at 2 rad/s, 2 rad/s^2: cruise never reached, T = 2 sqrt(d/a).
        JointCase{"triangle", {0, 0.2, 0, 0, 0, 0}, 2.0, 2.0, 2 * std::sqrt(0.2 / 2.0)},
        // Several joints: the longest one leads, the others arrive with it.
        JointCase{"synchronised", {0.1, -0.4, 0.2, 0, 0.05, 0.3}, 1.0, 4.0, 0.4 / 1.0 + 1.0 / 4.0}),
    [](const ::testing::TestParamInfo<JointCase>& i) { return std::string(i.param.name); });

TEST_F(SimMotionTest, PauseFreezesTheArmAndContinueResumesIt) {
  SimTestClient client(port());
  const double delta[6] = {0.8, 0, 0, 0, 0, 0};
  double goal[6];
  target(delta, goal);
  size_t from = client.count();
  startMove(client, simtest::jointMove(goal, 1.0, 4.0));  // 1.05 s
  std::this_thread::sleep_for(300ms);
  int r = client.request(91, "");
  ASSERT_GE(r, 0);
  pbc::ProtoRobotMoveFuncResult answer;
  ASSERT_TRUE(answer.ParseFromString(client.frame(r).text));
  EXPECT_EQ(answer.ret(), 1) << "pause should answer 'wait done'";
  ASSERT_GE(client.waitEvent(45, 1000ms, from), 0) << "no pause-done event";
  kavisim::ArmSnapshot held = arm().snapshot();
  std::this_thread::sleep_for(300ms);
  kavisim::ArmSnapshot later = arm().snapshot();
  for (int j = 0; j < 6; ++j) EXPECT_EQ(later.joints[j], held.joints[j]) << "joint " << j << " moved while paused";
  EXPECT_TRUE(later.moving);
  EXPECT_LT(held.joints[0], goal[0] - 0.1);
  EXPECT_EQ(client.waitEvent(22, 0ms, from), -1) << "arrived while paused";

  size_t resumed = client.count();
  ASSERT_GE(client.request(92, ""), 0);
  ASSERT_GE(client.waitEvent(46, 500ms, resumed), 0) << "no continue-done event";
  ASSERT_GE(client.waitEvent(22, 2000ms, resumed), 0) << "no arrival after continue";
  EXPECT_NEAR(arm().snapshot().joints[0], goal[0], 1e-9);
}

TEST_F(SimMotionTest, SlowStopDeceleratesAndEndsTheMoveWithoutArrival) {
  SimTestClient client(port());
  const double delta[6] = {1.0, 0, 0, 0, 0, 0};
  double goal[6];
  target(delta, goal);
  size_t from = client.count();
  startMove(client, simtest::jointMove(goal, 1.0, 4.0));
  std::this_thread::sleep_for(400ms);
  double before = arm().snapshot().joints[0];
  ASSERT_GE(client.request(89, ""), 0);
  ASSERT_GE(client.waitEvent(44, 1000ms, from), 0) << "no stop-done event";
  kavisim::ArmSnapshot s = arm().snapshot();
  EXPECT_FALSE(s.moving);
  // Braking at 4 rad/s^2 from 1 rad/s covers about 0.125 rad, not a jump.
  EXPECT_GT(s.joints[0], before);
  EXPECT_LT(s.joints[0], goal[0] - 0.05);
  EXPECT_EQ(client.waitEvent(22, 200ms, from), -1);
  EXPECT_GE(client.waitEvent(25, 0ms, from), 0) << "a waiting blocking move needs the stopped state";
}

TEST_F(SimMotionTest, LineMoveReachesItsTargetAndAnUnreachableOneIsRefused) {
  SimTestClient client(port());
  kavisim::ArmSnapshot s = arm().snapshot();
  double q[6], p[3], r[9];
  for (int j = 0; j < 6; ++j) q[j] = -s.joints[j];
  ComputeFkLib(q, p, r);
  kavisim::SimPose start = kavisim::SimKinematics::fk(s.joints);
  double goal[3] = {p[0], p[1], p[2] - 0.03};
  size_t from = client.count();
  auto sent = startMove(client, simtest::lineMove(goal, start.q, 0.1, 0.5));
  int e = client.waitEvent(22, 2000ms, from);
  ASSERT_GE(e, 0);
  // 3 cm at 0.1 m/s, 0.5 m/s^2: triangular, 2 sqrt(0.03 / 0.5).
  // Early arrival is a profile fault; late arrival may also be a loaded machine
  // (sanitizer builds under parallel ctest), so that side gets more room.
  const double took = std::chrono::duration<double>(client.frame(e).at - sent).count();
  EXPECT_GE(took, 2 * std::sqrt(0.06) - 0.05);
  EXPECT_LE(took, 2 * std::sqrt(0.06) + 0.15);
  s = arm().snapshot();
  for (int j = 0; j < 6; ++j) q[j] = -s.joints[j];
  ComputeFkLib(q, p, r);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], goal[k], 1e-6);

  const double far[3] = {5.0, 0, 0.3};
  int i = client.request(22, simtest::lineMove(far, start.q, 0.1, 0.5));
  ASSERT_GE(i, 0);
  EXPECT_NE(client.commonCode(i), 0) << "a target out of reach must be refused";
  EXPECT_FALSE(arm().snapshot().moving);
}

TEST_F(SimMotionTest, ASecondMoveWhileOneRunsIsRefused) {
  SimTestClient client(port());
  const double delta[6] = {0.5, 0, 0, 0, 0, 0};
  double goal[6];
  target(delta, goal);
  startMove(client, simtest::jointMove(goal, 1.0, 4.0));
  EXPECT_NE(client.commonCode(client.request(22, simtest::jointMove(goal, 1.0, 4.0))), 0);
}

TEST_F(SimFixture, MovesAreRefusedUntilTheArmIsStarted) {
  SimTestClient client(port());
  kavisim::ArmSnapshot s = arm().snapshot();
  EXPECT_NE(client.commonCode(client.request(22, simtest::jointMove(s.joints, 1.0, 1.0))), 0);
}

}  // namespace
