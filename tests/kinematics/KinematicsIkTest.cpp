// Inverse kinematics: candidates, the position check, the nearest-solution
// choice with the sixth-joint full-turn rule, failures, and properties over
// seeded random joint sets for every model.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>

#include "KinematicsFixture.h"
#include "RobotErrorCode.h"

using namespace kin_test;
using KaviWayPoint = kavi_robot_namespace::wayPoint_S;
using kavi_robot_namespace::ErrCode_IkFailed;
using kavi_robot_namespace::ErrCode_ParamError;
using kavi_robot_namespace::ErrnoSucc;

namespace {

// Candidates of the pose of `joints`, in SDK angles, with `ref` as reference.
int candidates(const double* joints, const double* ref, double (*sol)[8]) {
  const KaviWayPoint target = fk(joints);
  wayPoint_S wp;
  Ikfunc::KaviWayPointToikFunRoadPint(target, wp);
  std::memcpy(wp.jointpos, ref, sizeof wp.jointpos);
  return Ikfunc::ComputeIk_new(wp, sol);
}

int ik(const double* ref, const KaviWayPoint& target, KaviWayPoint& out) {
  return RobotUtilService::robotIk(ref, target.cartPos.position, target.orientation, out);
}

// Largest pose miss of the joint set `joints` against `target`.
void expectReaches(const double* joints, const KaviWayPoint& target, double tol,
                   const std::string& what) {
  const KaviWayPoint got = fk(joints);
  EXPECT_LE(positionError(got.cartPos.position, target.cartPos.position), tol) << what;
  EXPECT_LE(quaternionError(got.orientation, target.orientation), tol) << what;
}

}  // namespace

// ---- Candidates and the choice ----

struct CandidateCase {
  const char* name;
  double joints[6];
  int count;
};

void PrintTo(const CandidateCase& c, std::ostream* os) { *os << c.name; }

class IkCandidates : public KinematicsTest, public ::testing::WithParamInterface<CandidateCase> {};

TEST_P(IkCandidates, AllReachThePoseAndTheGeneratorIsChosen) {
  const CandidateCase c = GetParam();
  double sol[6][8];
  const int count = candidates(c.joints, c.joints, sol);
  ASSERT_EQ(count, c.count);
  const KaviWayPoint target = fk(c.joints);
  for (int k = 0; k < count; ++k) {
    double cand[6];
    for (int j = 0; j < 6; ++j) cand[j] = sol[j][k];
    expectReaches(cand, target, 1e-12, "candidate " + std::to_string(k));
  }
  KaviWayPoint out{};
  ASSERT_EQ(ik(c.joints, target, out), ErrnoSucc);
  EXPECT_LE(maxJointError(out.jointpos, c.joints), 1e-12);
  // Position and orientation are handed back as passed in.
  EXPECT_EQ(std::memcmp(&out.cartPos, &target.cartPos, sizeof out.cartPos), 0);
  EXPECT_EQ(std::memcmp(&out.orientation, &target.orientation, sizeof out.orientation), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Model0, IkCandidates,
    ::testing::Values(CandidateCase{"eight", {1.0, 0.5, 1.5, 0.5, 1.0, 0.5}, 8},
                      CandidateCase{"four", {0.5, 0.3, 1.2, 0.4, 1.2, 0.5}, 4},
                      CandidateCase{"stretched_up", {0, 0, 0, 0, 0, 0}, 1}),
    [](const ::testing::TestParamInfo<CandidateCase>& i) { return std::string(i.param.name); });

TEST_F(KinematicsTest, AllZeroPoseHasTheSingleAllZeroCandidate) {
  const double zero[6] = {0, 0, 0, 0, 0, 0};
  double sol[6][8];
  ASSERT_EQ(candidates(zero, zero, sol), 1);
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(sol[j][0], 0.0, 1e-15) << j;
}

struct TurnCase {
  const char* name;
  bool fullTurn;
  double joint6;  // generating and reference sixth joint
  double expected;
};

void PrintTo(const TurnCase& c, std::ostream* os) { *os << c.name; }

class SixthJointTurn : public KinematicsTest, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(SixthJointTurn, FollowsTheReferenceOnlyWithTheFlag) {
  const TurnCase c = GetParam();
  EXPECT_EQ(RobotUtilService::setJoint6Rot360(c.fullTurn), ErrnoSucc);
  EXPECT_EQ(RobotUtilService::getJoint6Rot360(), c.fullTurn);
  const double joints[6] = {0.3, -0.5, 0.7, 0.2, 1.0, c.joint6};
  KaviWayPoint out{};
  ASSERT_EQ(ik(joints, fk(joints), out), ErrnoSucc);
  EXPECT_NEAR(out.jointpos[5], c.expected, 1e-12);
  for (int j = 0; j < 5; ++j) EXPECT_NEAR(out.jointpos[j], joints[j], 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SixthJointTurn,
    ::testing::Values(TurnCase{"off_above", false, 3.3, 3.3 - 2 * kPi},
                      TurnCase{"on_above", true, 3.3, 3.3},
                      TurnCase{"off_below", false, -3.3, 2 * kPi - 3.3},
                      TurnCase{"on_below", true, -3.3, -3.3},
                      TurnCase{"on_within", true, 2.0, 2.0}),
    [](const ::testing::TestParamInfo<TurnCase>& i) { return std::string(i.param.name); });

TEST_F(KinematicsTest, SixthJointIsNotShiftedAwayFromItsSign) {
  RobotUtilService::setJoint6Rot360(true);
  const double joints[6] = {0.3, -0.5, 0.7, 0.2, 1.0, 0.2};
  double ref[6] = {0.3, -0.5, 0.7, 0.2, 1.0, 6.4};
  KaviWayPoint out{};
  ASSERT_EQ(ik(ref, fk(joints), out), ErrnoSucc);
  EXPECT_NEAR(out.jointpos[5], 0.2, 1e-12);
}

TEST_F(KinematicsTest, SwitchingTheFlagLogsWhichWay) {
  ::testing::internal::CaptureStdout();
  RobotUtilService::setJoint6Rot360(true);
  RobotUtilService::setJoint6Rot360(false);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_THAT(out, ::testing::HasSubstr("sdk log: enable joint6 360."));
  EXPECT_THAT(out, ::testing::HasSubstr("sdk log: disenable joint6 360."));
}

TEST_F(KinematicsTest, FirstJointComesBackWrapped) {
  const double joints[6] = {3.5, -0.5, 0.7, 0.2, 1.0, 0.4};
  KaviWayPoint out{};
  ASSERT_EQ(ik(joints, fk(joints), out), ErrnoSucc);
  EXPECT_NEAR(out.jointpos[0], 3.5 - 2 * kPi, 1e-12);
  for (int j = 1; j < 6; ++j) EXPECT_NEAR(out.jointpos[j], joints[j], 1e-12);
}

// ---- Singular wrist ----

TEST_F(KinematicsTest, SingularWristFollowsAConsistentReference) {
  const double joints[6] = {0.3, -0.5, 0.7, 0.2, 0, 0.4};
  const KaviWayPoint target = fk(joints);
  KaviWayPoint out{};
  ASSERT_EQ(ik(joints, target, out), ErrnoSucc);
  EXPECT_LE(maxJointError(out.jointpos, joints), 1e-12);

  // Joint 2 held at -0.4 misses the target; the regular solution of the other
  // joint-1 candidate is left.
  const double ref[6] = {0.3, -0.4, 0.8, 0.2, 0, 0.4};
  ASSERT_EQ(ik(ref, target, out), ErrnoSucc);
  const double expected[6] = {3.0619, 1.1051, 0.3127, -0.7925, -2.7619, -0.6};
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(out.jointpos[j], expected[j], 5e-5) << j;
  expectReaches(out.jointpos, target, 1e-12, "regular solution");
}

// Stretched arm on a singular wrist: every target of the stretched band
// (horizontal, vertical and at other angles, exact or slightly bent) has a
// candidate that reaches it exactly, whatever the reference. From a random
// reference another configuration at its own reach limit may be nearer and
// is chosen; it still passes the position check.
struct StretchedCase {
  const char* name;
  double joints[6];
};

void PrintTo(const StretchedCase& c, std::ostream* os) { *os << c.name; }

class StretchedWrist : public KinematicsTest, public ::testing::WithParamInterface<StretchedCase> {};

TEST_P(StretchedWrist, HasAnExactCandidateFromAnyReference) {
  const StretchedCase c = GetParam();
  const KaviWayPoint target = fk(c.joints);
  KaviWayPoint out{};
  ASSERT_EQ(ik(c.joints, target, out), ErrnoSucc);
  expectReaches(out.jointpos, target, 1e-9, "generating reference");

  const unsigned seed = 77;
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (int n = 0; n < 50; ++n) {
    const std::string where = "seed 77 sample " + std::to_string(n);
    double ref[6];
    for (double& r : ref) r = angle(rng);
    ASSERT_EQ(ik(ref, target, out), ErrnoSucc) << where;
    const KaviWayPoint got = fk(out.jointpos);
    EXPECT_LE(positionError(got.cartPos.position, target.cartPos.position), 1e-4) << where;
    EXPECT_LE(quaternionError(got.orientation, target.orientation), 1e-9) << where;

    double sol[6][8];
    const int count = candidates(c.joints, ref, sol);
    double best = 1;
    for (int k = 0; k < count; ++k) {
      double cand[6];
      for (int j = 0; j < 6; ++j) cand[j] = sol[j][k];
      best = std::fmin(best, positionError(fk(cand).cartPos.position, target.cartPos.position));
    }
    EXPECT_LE(best, 1e-9) << where;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Model0, StretchedWrist,
    ::testing::Values(StretchedCase{"horizontal", {0.4, -kPi / 2, 0, 0, 0, 0.3}},
                      StretchedCase{"horizontal_other_side", {-1.1, kPi / 2, 0, 0, kPi, 0.3}},
                      StretchedCase{"horizontal_tilted", {0.4, -kPi / 2 + 0.01, 0, 0, 0, 0.3}},
                      StretchedCase{"horizontal_bent", {0.4, -kPi / 2, -0.01, -0.005, 0, 0.3}},
                      StretchedCase{"vertical_tilted", {0.4, 0.012, 0, 0, 0, -0.7}},
                      StretchedCase{"diagonal", {0.4, -0.7, 0, 0, 0, -0.7}}),
    [](const ::testing::TestParamInfo<StretchedCase>& i) { return std::string(i.param.name); });

// ---- Failures ----

struct FailCase {
  const char* name;
  kavi_robot_namespace::Pos position;
  kavi_robot_namespace::Ori ori;
  double ref[6];
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class IkFailure : public KinematicsTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(IkFailure, ReportsIkFailedAndLeavesTheWaypoint) {
  const FailCase c = GetParam();
  KaviWayPoint out;
  std::memset(&out, 0x5a, sizeof out);
  const KaviWayPoint before = out;
  EXPECT_EQ(RobotUtilService::robotIk(c.ref, c.position, c.ori, out), ErrCode_IkFailed);
  EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// Flange z pointing down: the wrist point is straight above the flange.
constexpr kavi_robot_namespace::Ori kDown{0, 1, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Table, IkFailure,
    ::testing::Values(
        FailCase{"inside_shoulder_cylinder", {0.01, 0.02, 0.5}, kDown, {0, 0, 0, 0, 0, 0}},
        FailCase{"beyond_reach", {1.5, 0.0, 0.3}, kDown, {0, 0, 0, 0, 0, 0}},
        FailCase{"nan_position", {kNaN, 0.2, 0.3}, kDown, {0, 0, 0, 0, 0, 0}},
        FailCase{"infinite_position", {0.3, kInf, 0.3}, kDown, {0, 0, 0, 0, 0, 0}},
        FailCase{"zero_quaternion", {0.4, 0.2, 0.3}, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
        FailCase{"nan_quaternion", {0.4, 0.2, 0.3}, {kNaN, 1, 0, 0}, {0, 0, 0, 0, 0, 0}},
        FailCase{"nan_reference", {0.4, 0.2, 0.3}, kDown, {0, kNaN, 0, 0, 0, 0}},
        FailCase{"infinite_reference", {0.4, 0.2, 0.3}, kDown, {0, 0, 0, 0, 0, -kInf}}),
    [](const ::testing::TestParamInfo<FailCase>& i) { return std::string(i.param.name); });

TEST_F(KinematicsTest, NullReferenceIsAParameterError) {
  KaviWayPoint out{};
  EXPECT_EQ(RobotUtilService::robotIk(nullptr, {0.4, 0.2, 0.3}, kDown, out), ErrCode_ParamError);
}

// A non-finite reference on the singular wrist makes a non-finite candidate;
// it is dropped by the position check and never chosen.
TEST_F(KinematicsTest, NonFiniteCandidatesAreDropped) {
  const double joints[6] = {0.3, -0.5, 0.7, 0.2, 0, 0.4};
  const double ref[6] = {0.3, kNaN, 0.7, 0.2, 0, 0.4};
  double sol[6][8];
  const int count = candidates(joints, ref, sol);
  ASSERT_GT(count, 0);
  for (int k = 0; k < count; ++k)
    for (int j = 0; j < 6; ++j) EXPECT_TRUE(std::isfinite(sol[j][k])) << j << "," << k;
}

TEST_F(KinematicsTest, AntiSinCosIsTheTwoArgumentArctangent) {
  const struct {
    double s, c, expected;
  } cases[] = {{0, -1, kPi},       {-0.0, -1, kPi},         {1, 0, kPi / 2},
               {-3, 0, -kPi / 2},   {1, 1e-6, kPi / 2 - 1e-6}, {-2, -1e-6, -kPi / 2 - 5e-7},
               {0.5, 0.5, kPi / 4}, {-1, -1, -3 * kPi / 4}};
  for (const auto& c : cases) EXPECT_NEAR(antiSinCos(c.s, c.c), c.expected, 1e-15) << c.s << "," << c.c;
  EXPECT_TRUE(std::isnan(antiSinCos(0, 0)));
  EXPECT_TRUE(std::isnan(antiSinCos(kNaN, 1)));
}

// ---- Properties over random joint sets, every model ----

namespace {

// How close the pose of `theta` is to the solver's own singular bands: the
// wrist (|cos q5| within 6e-8 of 1 is treated as singular), the elbow
// (|cos q3| within 5e-13 of 1) and the shoulder (joint-1 pair within 2e-5
// of each other), with a margin.
bool nearSingular(const double* theta) {
  double a2, a3, d1, d2, d5, d6;
  getDhPara(a2, a3, d1, d2, d5, d6, nullptr);
  if (std::fabs(std::sin(theta[4])) < 1e-3) return true;
  if (std::fabs(std::sin(theta[2])) < 1e-5) return true;
  double q[6], pos[3], rot[9];
  for (int i = 0; i < 6; ++i) q[i] = -theta[i];
  ComputeFkLib(q, pos, rot);
  const double wx = pos[0] - d6 * rot[2], wy = pos[1] - d6 * rot[5];
  const double rho = std::sqrt(wx * wx + wy * wy);
  return d2 / rho > 1.0 - 1e-8;
}

class IkProperties : public KinematicsTest, public ::testing::WithParamInterface<int> {};

}  // namespace

TEST_P(IkProperties, GeneratorReturnsAndRandomReferenceGetsTheNearestExactSolution) {
  const int model = GetParam();
  setDhParaLen(static_cast<kavi_robot_type>(model));
  const unsigned seed = 1000 + model;
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  int checked = 0;
  for (int n = 0; n < 3000; ++n) {
    double theta[6], ref[6];
    for (double& t : theta) t = angle(rng);
    for (double& r : ref) r = angle(rng);
    if (nearSingular(theta)) continue;
    ++checked;
    const std::string where = "seed " + std::to_string(seed) + " sample " + std::to_string(n);
    const KaviWayPoint target = fk(theta);

    KaviWayPoint out{};
    ASSERT_EQ(ik(theta, target, out), ErrnoSucc) << where;
    ASSERT_LE(maxJointError(out.jointpos, theta), 1e-9) << where;

    ASSERT_EQ(ik(ref, target, out), ErrnoSucc) << where;
    const KaviWayPoint got = fk(out.jointpos);
    const double miss = positionError(got.cartPos.position, target.cartPos.position);
    ASSERT_LE(miss, 1e-4) << where;
    ASSERT_LE(quaternionError(got.orientation, target.orientation), 1e-9) << where;
    // Only a configuration at its reach limit (elbow stretched or folded
    // within the tolerance) may miss the position, and only by the check.
    if (std::fabs(std::sin(out.jointpos[2])) > 1e-6) {
      ASSERT_LE(miss, 1e-9) << where;
    }

    // Every candidate has the orientation (the check only looks at the
    // position) and none is nearer to the reference than the chosen one.
    double sol[6][8];
    const int count = candidates(theta, ref, sol);
    double chosen = 0;
    for (int j = 0; j < 6; ++j) chosen += std::fabs(out.jointpos[j] - ref[j]);
    for (int k = 0; k < count; ++k) {
      double cand[6], route = 0;
      for (int j = 0; j < 6; ++j) {
        cand[j] = sol[j][k];
        route += std::fabs(cand[j] - ref[j]);
      }
      const KaviWayPoint c = fk(cand);
      ASSERT_LE(quaternionError(c.orientation, target.orientation), 1e-9) << where << " cand " << k;
      if (std::fabs(std::sin(cand[2])) > 1e-6) {
        ASSERT_LE(positionError(c.cartPos.position, target.cartPos.position), 1e-9)
            << where << " cand " << k;
      }
      ASSERT_GE(route, chosen - 1e-12) << where << " cand " << k;
    }
  }
  EXPECT_GT(checked, 2900);
}

INSTANTIATE_TEST_SUITE_P(EveryModel, IkProperties, ::testing::Range(0, 7));
