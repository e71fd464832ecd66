// Arm models, DH lengths, forward kinematics and the quaternion/matrix
// conversions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <random>
#include <string>

#include "KinematicsFixture.h"
#include "RobotErrorCode.h"

using namespace kin_test;
using KaviWayPoint = kavi_robot_namespace::wayPoint_S;

namespace {

struct DhLengths {
  double a2, a3, d1, d2, d5, d6, d4;
};

DhLengths readLengths() {
  DhLengths l{};
  getDhPara(l.a2, l.a3, l.d1, l.d2, l.d5, l.d6, nullptr);
  double d2Joint2;
  getDhPara(l.a2, l.a3, l.d1, d2Joint2, l.d5, l.d6, &l.d4);
  return l;
}

// Independent forward kinematics: the arm as a chain of elementary rotations
// about the joint axes of the zero pose (arm straight up) and link offsets,
// in SDK angles. Checked against the closed form.
struct Mat3 {
  double m[9];
};

Mat3 mul(const Mat3& a, const Mat3& b) {
  Mat3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) r.m[3 * i + j] += a.m[3 * i + k] * b.m[3 * k + j];
  return r;
}

void apply(const Mat3& a, const double* v, double* out) {
  for (int i = 0; i < 3; ++i) out[i] = a.m[3 * i] * v[0] + a.m[3 * i + 1] * v[1] + a.m[3 * i + 2] * v[2];
}

Mat3 rotY(double a) { return {{std::cos(a), 0, std::sin(a), 0, 1, 0, -std::sin(a), 0, std::cos(a)}}; }
Mat3 rotZ(double a) { return {{std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a), 0, 0, 0, 1}}; }

void chainFk(const double* theta, const DhLengths& l, double* pos, double* rot) {
  // SDK axes: joint 1 about +z, joints 2 and 4 about -y, joint 3 about +y,
  // joint 5 about +z, joint 6 about -y (all at the zero pose).
  const Mat3 rots[6] = {rotZ(theta[0]), rotY(-theta[1]), rotY(theta[2]),
                        rotY(-theta[3]), rotZ(theta[4]), rotY(-theta[5])};
  const double links[6][3] = {{0, 0, l.d1}, {0, 0, l.a2}, {0, 0, l.a3},
                              {0, -l.d2, l.d5}, {0, -l.d6, 0}, {0, 0, 0}};
  Mat3 r{{1, 0, 0, 0, 1, 0, 0, 0, 1}};
  double p[3] = {0, 0, 0};
  for (int i = 0; i < 6; ++i) {
    r = mul(r, rots[i]);
    double step[3];
    apply(r, links[i], step);
    for (int k = 0; k < 3; ++k) p[k] += step[k];
  }
  const Mat3 flange{{1, 0, 0, 0, 0, -1, 0, 1, 0}};
  r = mul(r, flange);
  std::memcpy(pos, p, sizeof p);
  std::memcpy(rot, r.m, sizeof r.m);
}

}  // namespace

// ---- Model table and DH lengths ----

struct ModelCase {
  int type;
  bool accepted;
  int activeType;
  double a2;
};

void PrintTo(const ModelCase& c, std::ostream* os) { *os << "model " << c.type; }

class ModelSelection : public KinematicsTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ModelSelection, LoadsTheRowAndReportsUnknownModels) {
  const ModelCase c = GetParam();
  setDhParaLen(kavi_stork);  // something else first, so the row really changes
  EXPECT_EQ(setDhParaLen(static_cast<kavi_robot_type>(c.type)), c.accepted);
  EXPECT_EQ(getRobotType(), c.activeType);
  EXPECT_DOUBLE_EQ(readLengths().a2, c.a2);
}

INSTANTIATE_TEST_SUITE_P(Table, ModelSelection,
                         ::testing::Values(ModelCase{0, true, 0, 0.408},
                                           ModelCase{7, false, 0, 0.408},
                                           ModelCase{-1, false, 0, 0.408},
                                           ModelCase{3, true, 3, 0.229},
                                           ModelCase{6, true, 6, 0.608}));

TEST_F(KinematicsTest, DhParametersOfTheRailModelKeepTheTableAndD4) {
  Ikfunc::setDhParameters(static_cast<kavi_robot_type>(6), 0.608, 0.6395, 0.1215, 0.1215, 0.1025,
                          0.094);
  EXPECT_EQ(getRobotType(), 6);
  const DhLengths l = readLengths();
  EXPECT_DOUBLE_EQ(l.a2, 0.608);
  EXPECT_DOUBLE_EQ(l.a3, 0.6395);
  EXPECT_DOUBLE_EQ(l.d1, 0.1215);
  EXPECT_DOUBLE_EQ(l.d2, 0.1215);
  EXPECT_DOUBLE_EQ(l.d5, 0.1025);
  EXPECT_DOUBLE_EQ(l.d6, 0.094);
  EXPECT_DOUBLE_EQ(l.d4, -0.019);
  double a2, a3, d1, d2, d5, d6, d4;
  getDhPara(a2, a3, d1, d2, d5, d6, &d4);
  EXPECT_NEAR(d2, 0.1405, 1e-15);
  EXPECT_DOUBLE_EQ(d4, -0.019);
}

TEST_F(KinematicsTest, ControllerLengthsAreImposedUpToFloatRoundingOfTheDifference) {
  const kavi_robot_namespace::RobotDhPara dh{0.6, 0.5, 0.17, 0.18, 0.11, 0.09};
  RobotUtilService::setRobotDhParam(1, dh);
  const DhLengths l = readLengths();
  EXPECT_EQ(getRobotType(), 1);
  EXPECT_NEAR(l.a2, dh.A3, 1e-8);
  EXPECT_NEAR(l.a3, dh.A4, 1e-8);
  EXPECT_NEAR(l.d1, dh.D1, 1e-8);
  EXPECT_NEAR(l.d2, dh.D2, 1e-8);
  EXPECT_NEAR(l.d5, dh.D5, 1e-8);
  EXPECT_NEAR(l.d6, dh.D6, 1e-8);
  EXPECT_DOUBLE_EQ(l.d4, 0.0);

  // An unknown model works on the model-0 table.
  RobotUtilService::setRobotDhParam(9, dh);
  EXPECT_EQ(getRobotType(), 0);
  EXPECT_NEAR(readLengths().a2, 0.6, 1e-8);
  EXPECT_DOUBLE_EQ(readLengths().d4, -0.019);
}

TEST_F(KinematicsTest, ModifyMovesD2AndD4ByTheFourthOffset) {
  float da[6] = {9, 9, 0.01f, 0.02f, 9, 9};
  float dd[6] = {0.001f, 0.002f, 9, 0.004f, 0.005f, 0.006f};
  modifyDhParaLen(da, dd);
  const DhLengths l = readLengths();
  EXPECT_DOUBLE_EQ(l.a2, 0.408 + 0.01f);
  EXPECT_DOUBLE_EQ(l.a3, 0.376 + 0.02f);
  EXPECT_DOUBLE_EQ(l.d1, 0.0985 + 0.001f);
  EXPECT_DOUBLE_EQ(l.d2, 0.1215 + (0.002f + 0.004f));
  EXPECT_DOUBLE_EQ(l.d4, -0.019 + 0.004f);
  EXPECT_DOUBLE_EQ(l.d5, 0.1025 + 0.005f);
  EXPECT_DOUBLE_EQ(l.d6, 0.094 + 0.006f);
  modifyDhParaLen(nullptr, dd);  // ignored
  EXPECT_DOUBLE_EQ(readLengths().a2, 0.408 + 0.01f);
}

// ---- Forward kinematics ----

TEST_F(KinematicsTest, ZeroPoseOfModel0) {
  const double zero[6] = {0, 0, 0, 0, 0, 0};
  const KaviWayPoint wp = fk(zero);
  EXPECT_NEAR(wp.cartPos.position.x, 0.0, 1e-15);
  EXPECT_NEAR(wp.cartPos.position.y, -0.2155, 1e-15);
  EXPECT_NEAR(wp.cartPos.position.z, 0.985, 1e-15);
  EXPECT_NEAR(wp.orientation.w, std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(wp.orientation.x, std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(wp.orientation.y, 0.0, 1e-15);
  EXPECT_NEAR(wp.orientation.z, 0.0, 1e-15);
}

TEST_F(KinematicsTest, FkRejectsAnythingButSixAnglesAndLeavesTheWaypoint) {
  const double joints[7] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7};
  for (int size : {5, 7, 0, -6}) {
    KaviWayPoint wp;
    std::memset(&wp, 0x5a, sizeof wp);
    KaviWayPoint before = wp;
    EXPECT_EQ(RobotUtilService::robotFk(joints, size, wp), kavi_robot_namespace::ErrCode_ParamError)
        << "size " << size;
    EXPECT_EQ(std::memcmp(&wp, &before, sizeof wp), 0);
  }
  KaviWayPoint wp{};
  EXPECT_EQ(RobotUtilService::robotFk(nullptr, 6, wp), kavi_robot_namespace::ErrCode_ParamError);
}

// The closed form against an elementary chain, for every model, and the
// quaternion of robotFk against the matrix of the library (theta = -q).
TEST_F(KinematicsTest, ClosedFormMatchesAChainOfRotationsForEveryModel) {
  const unsigned seed = 20240611;
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (int model = 0; model <= 6; ++model) {
    setDhParaLen(static_cast<kavi_robot_type>(model));
    const DhLengths l = readLengths();
    for (int n = 0; n < 500; ++n) {
      double theta[6], q[6];
      for (int i = 0; i < 6; ++i) {
        theta[i] = angle(rng);
        q[i] = -theta[i];
      }
      double pos[3], rot[9], refPos[3], refRot[9];
      ComputeFkLib(q, pos, rot);
      chainFk(theta, l, refPos, refRot);
      for (int i = 0; i < 3; ++i) ASSERT_NEAR(pos[i], refPos[i], 1e-12) << "seed " << seed << " model " << model;
      for (int i = 0; i < 9; ++i) ASSERT_NEAR(rot[i], refRot[i], 1e-12) << "seed " << seed << " model " << model;

      const KaviWayPoint wp = fk(theta);
      Ori o{wp.orientation.w, wp.orientation.x, wp.orientation.y, wp.orientation.z};
      double fromQuat[9];
      Ikfunc::QuaternionToOriMatrix(o, fromQuat);
      for (int i = 0; i < 9; ++i) ASSERT_NEAR(fromQuat[i], rot[i], 1e-12) << "seed " << seed;
      ASSERT_GE(wp.orientation.w, 0.0);
      for (int i = 0; i < 6; ++i) ASSERT_EQ(wp.jointpos[i], theta[i]);
    }
  }
}

TEST_F(KinematicsTest, NullOutputsLeaveFkAlone) {
  const double q[6] = {0, 0, 0, 0, 0, 0};
  double pos[3] = {7, 7, 7};
  ComputeFkLib(q, pos, nullptr);
  EXPECT_EQ(pos[0], 7.0);
}

// ---- Quaternion and matrix conversions ----

struct MatrixCase {
  const char* name;
  double r[9];
  Ori q;
};

void PrintTo(const MatrixCase& c, std::ostream* os) { *os << c.name; }

class MatrixToQuaternion : public KinematicsTest, public ::testing::WithParamInterface<MatrixCase> {};

TEST_P(MatrixToQuaternion, GivesTheUnitQuaternionWithNonNegativeW) {
  const MatrixCase c = GetParam();
  double r[9];
  std::memcpy(r, c.r, sizeof r);
  Ori out{9, 9, 9, 9};
  ASSERT_TRUE(Ikfunc::OriMatrixToQuaternion(r, out));
  EXPECT_NEAR(out.w, c.q.w, 1e-15);
  EXPECT_NEAR(out.x, c.q.x, 1e-15);
  EXPECT_NEAR(out.y, c.q.y, 1e-15);
  EXPECT_NEAR(out.z, c.q.z, 1e-15);
  double back[9];
  Ikfunc::QuaternionToOriMatrix(out, back);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(back[i], c.r[i], 1e-15);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MatrixToQuaternion,
    ::testing::Values(MatrixCase{"identity", {1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 0, 0, 0}},
                      MatrixCase{"pi_about_x", {1, 0, 0, 0, -1, 0, 0, 0, -1}, {0, 1, 0, 0}},
                      MatrixCase{"pi_about_y", {-1, 0, 0, 0, 1, 0, 0, 0, -1}, {0, 0, 1, 0}},
                      MatrixCase{"pi_about_z", {-1, 0, 0, 0, -1, 0, 0, 0, 1}, {0, 0, 0, 1}},
                      MatrixCase{"half_pi_about_z",
                                 {0, -1, 0, 1, 0, 0, 0, 0, 1},
                                 {std::sqrt(0.5), 0, 0, std::sqrt(0.5)}},
                      MatrixCase{"minus_half_pi_about_y",
                                 {0, 0, -1, 0, 1, 0, 1, 0, 0},
                                 {std::sqrt(0.5), 0, -std::sqrt(0.5), 0}}),
    [](const ::testing::TestParamInfo<MatrixCase>& i) { return std::string(i.param.name); });

TEST_F(KinematicsTest, NonFiniteMatrixIsRefusedWithoutWriting) {
  double r[9] = {NAN, 0, 0, 0, 1, 0, 0, 0, 1};
  Ori out{0.5, 0.5, 0.5, 0.5};
  EXPECT_FALSE(Ikfunc::OriMatrixToQuaternion(r, out));
  EXPECT_EQ(out.w, 0.5);
  EXPECT_EQ(out.x, 0.5);
}

TEST_F(KinematicsTest, QuaternionIsNormalisedBeforeConversion) {
  double r[9];
  Ikfunc::QuaternionToOriMatrix(Ori{2, 0, 0, 2}, r);  // half turn about z, length 2.83
  const double expected[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(r[i], expected[i], 1e-15);
}

// ---- Joint text and tools ----

struct JointTextCase {
  const char* text;
  double joints[6];
};

void PrintTo(const JointTextCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class JointText : public KinematicsTest, public ::testing::WithParamInterface<JointTextCase> {};

TEST_P(JointText, FillsTheJointsReadAndTheirPose) {
  const JointTextCase c = GetParam();
  KaviWayPoint wp;
  std::memset(&wp, 0x5a, sizeof wp);
  EXPECT_TRUE(RobotUtilService::jointStringToWaypoint(c.text, wp));
  for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(wp.jointpos[i], c.joints[i]) << i;
  const KaviWayPoint expected = fk(c.joints);
  EXPECT_EQ(std::memcmp(&wp, &expected, sizeof wp), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JointText,
    ::testing::Values(JointTextCase{"0.1,0.2,0.3,0.4,0.5,0.6", {0.1, 0.2, 0.3, 0.4, 0.5, 0.6}},
                      JointTextCase{"0.1,-0.2", {0.1, -0.2, 0, 0, 0, 0}},
                      JointTextCase{" 1 ; 2 ;3 ", {1, 2, 3, 0, 0, 0}},
                      JointTextCase{"1,2,3,4,5,6,7,8", {1, 2, 3, 4, 5, 6}},
                      JointTextCase{"1,x,3", {1, 0, 0, 0, 0, 0}},
                      JointTextCase{"", {0, 0, 0, 0, 0, 0}}));

TEST(RobotUtilServiceTools, NoneToolWithinTolerance) {
  using kavi_robot_namespace::ToolInEndDesc;
  EXPECT_TRUE(RobotUtilService::isNoneTool(ToolInEndDesc{{0, 0, 0}, {1, 0, 0, 0}}));
  EXPECT_TRUE(RobotUtilService::isNoneTool(ToolInEndDesc{{9e-6, -9e-6, 0}, {1 - 9e-6, 0, 9e-6, 0}}));
  EXPECT_FALSE(RobotUtilService::isNoneTool(ToolInEndDesc{{0, 0, 2e-5}, {1, 0, 0, 0}}));
  EXPECT_FALSE(RobotUtilService::isNoneTool(ToolInEndDesc{{0, 0, 0}, {0, 0, 0, 1}}));
  EXPECT_FALSE(RobotUtilService::isNoneTool(ToolInEndDesc{{0, 0, 0}, {1, 0, 0, -2e-5}}));
}
