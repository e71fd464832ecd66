// Shared helpers of the kinematics tests: a fixture that puts the
// process-wide model and the sixth-joint flag back to their load state, and
// pose comparisons.
#ifndef KINEMATICS_FIXTURE_H
#define KINEMATICS_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>

#include "Ikfunc.h"
#include "RobotGeometryTypes.h"
#include "RobotUtilService.h"

namespace kin_test {

constexpr double kPi = 3.14159265358979323846;

// The kinematic globals are process-wide: every test starts and ends on
// model 0 with the sixth-joint flag off.
class KinematicsTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    setDhParaLen(kavi_heron);
    Ikfunc::joint6Rot360 = false;
  }
};

inline kavi_robot_namespace::wayPoint_S fk(const double* joints) {
  kavi_robot_namespace::wayPoint_S wp{};
  EXPECT_EQ(RobotUtilService::robotFk(joints, 6, wp), 0);
  return wp;
}

inline double positionError(const kavi_robot_namespace::Pos& a, const kavi_robot_namespace::Pos& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                   (a.z - b.z) * (a.z - b.z));
}

// q and -q are the same rotation.
inline double quaternionError(const kavi_robot_namespace::Ori& a, const kavi_robot_namespace::Ori& b) {
  double same = 0, flipped = 0;
  const double da[4] = {a.w - b.w, a.x - b.x, a.y - b.y, a.z - b.z};
  const double db[4] = {a.w + b.w, a.x + b.x, a.y + b.y, a.z + b.z};
  for (int i = 0; i < 4; ++i) {
    same = std::fmax(same, std::fabs(da[i]));
    flipped = std::fmax(flipped, std::fabs(db[i]));
  }
  return std::fmin(same, flipped);
}

inline double maxJointError(const double* a, const double* b) {
  double e = 0;
  for (int i = 0; i < 6; ++i) e = std::fmax(e, std::fabs(a[i] - b[i]));
  return e;
}

}  // namespace kin_test

#endif
