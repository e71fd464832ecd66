// Helpers of the geometry tests: seeded random poses and tools, and a small
// independent set of rotation and quaternion routines to check results with.
#ifndef GEOMETRY_TEST_UTIL_H
#define GEOMETRY_TEST_UTIL_H

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "RobotGeometryTypes.h"
#include "dax_alg_model.h"

namespace geotest {

namespace krn = kavi_robot_namespace;

using Mat3 = std::array<double, 9>;  // row-major
using Vec3 = std::array<double, 3>;

// Seeded generator; the seed goes into every failure message via seedTrace().
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : seed_(seed), gen_(seed) {}
  double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen_); }
  double normal(double sigma) { return std::normal_distribution<double>(0.0, sigma)(gen_); }
  std::string seedTrace() const { return "seed=" + std::to_string(seed_); }

  // Uniformly distributed unit quaternion (w >= 0).
  krn::Ori quaternion() {
    krn::Ori q{normal(1.0), normal(1.0), normal(1.0), normal(1.0)};
    const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    const double s = (q.w < 0.0 ? -1.0 : 1.0) / n;
    return krn::Ori{q.w * s, q.x * s, q.y * s, q.z * s};
  }
  krn::Pos position(double range) {
    return krn::Pos{uniform(-range, range), uniform(-range, range), uniform(-range, range)};
  }
  krn::ToolInEndDesc tool() {
    return krn::ToolInEndDesc{krn::Pos{uniform(-0.1, 0.1), uniform(-0.1, 0.1), uniform(0.05, 0.25)},
                              quaternion()};
  }
  std::array<double, 6> joints(double range) {
    std::array<double, 6> j;
    for (double& v : j) v = uniform(-range, range);
    return j;
  }

 private:
  std::uint64_t seed_;
  std::mt19937_64 gen_;
};

inline Mat3 quatToMat(const krn::Ori& q0) {
  const double n = std::sqrt(q0.w * q0.w + q0.x * q0.x + q0.y * q0.y + q0.z * q0.z);
  const double w = q0.w / n, x = q0.x / n, y = q0.y / n, z = q0.z / n;
  return Mat3{1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),
              2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
              2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y)};
}

inline krn::Ori quatMul(const krn::Ori& a, const krn::Ori& b) {
  return krn::Ori{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
                  a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                  a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                  a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

// Library quaternion as a public one.
inline krn::Ori pub(const ::Ori& q) { return krn::Ori{q.w, q.x, q.y, q.z}; }

inline krn::Ori conj(const krn::Ori& q) { return krn::Ori{q.w, -q.x, -q.y, -q.z}; }

inline Mat3 mul(const Mat3& A, const Mat3& B) {
  Mat3 C{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) C[3 * i + j] += A[3 * i + k] * B[3 * k + j];
  return C;
}

inline Mat3 transpose(const Mat3& A) {
  return Mat3{A[0], A[3], A[6], A[1], A[4], A[7], A[2], A[5], A[8]};
}

inline Vec3 apply(const Mat3& R, const Vec3& v) {
  return Vec3{R[0] * v[0] + R[1] * v[1] + R[2] * v[2], R[3] * v[0] + R[4] * v[1] + R[5] * v[2],
              R[6] * v[0] + R[7] * v[1] + R[8] * v[2]};
}

inline Vec3 vec(const krn::Pos& p) { return Vec3{p.x, p.y, p.z}; }
inline krn::Pos pos(const Vec3& v) { return krn::Pos{v[0], v[1], v[2]}; }
inline Vec3 add(const Vec3& a, const Vec3& b) { return Vec3{a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 sub(const Vec3& a, const Vec3& b) { return Vec3{a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 scale(const Vec3& a, double s) { return Vec3{a[0] * s, a[1] * s, a[2] * s}; }

inline double maxDiff(const Vec3& a, const Vec3& b) {
  double m = 0.0;
  for (int i = 0; i < 3; ++i) m = std::fmax(m, std::fabs(a[i] - b[i]));
  return m;
}

// Distance between two rotations given as quaternions, independent of sign.
inline double quatDistance(const krn::Ori& a, const krn::Ori& b) {
  const Mat3 A = quatToMat(a), B = quatToMat(b);
  double m = 0.0;
  for (int i = 0; i < 9; ++i) m = std::fmax(m, std::fabs(A[i] - B[i]));
  return m;
}

// Rotation about a base axis (0: x, 1: y, 2: z).
inline Mat3 axisRotation(int axis, double a) {
  const double c = std::cos(a), s = std::sin(a);
  switch (axis) {
    case 0: return Mat3{1, 0, 0, 0, c, -s, 0, s, c};
    case 1: return Mat3{c, 0, s, 0, 1, 0, -s, 0, c};
    default: return Mat3{c, -s, 0, s, c, 0, 0, 0, 1};
  }
}

// Quaternion (w >= 0) of a rotation matrix, by the largest-pivot method.
inline krn::Ori matToQuat(const Mat3& R) {
  krn::Ori q;
  const double tr = R[0] + R[4] + R[8];
  if (tr > 0) {
    const double s = std::sqrt(tr + 1.0) * 2;
    q = {0.25 * s, (R[7] - R[5]) / s, (R[2] - R[6]) / s, (R[3] - R[1]) / s};
  } else if (R[0] > R[4] && R[0] > R[8]) {
    const double s = std::sqrt(1.0 + R[0] - R[4] - R[8]) * 2;
    q = {(R[7] - R[5]) / s, 0.25 * s, (R[1] + R[3]) / s, (R[2] + R[6]) / s};
  } else if (R[4] > R[8]) {
    const double s = std::sqrt(1.0 + R[4] - R[0] - R[8]) * 2;
    q = {(R[2] - R[6]) / s, (R[1] + R[3]) / s, 0.25 * s, (R[5] + R[7]) / s};
  } else {
    const double s = std::sqrt(1.0 + R[8] - R[0] - R[4]) * 2;
    q = {(R[3] - R[1]) / s, (R[2] + R[6]) / s, (R[5] + R[7]) / s, 0.25 * s};
  }
  if (q.w < 0) q = {-q.w, -q.x, -q.y, -q.z};
  return q;
}

// Restores model 0 when a test that switches arm models ends: the kinematic
// lengths are process-wide.
struct ModelGuard {
  ModelGuard() = default;
  ModelGuard(const ModelGuard&) = delete;
  ModelGuard& operator=(const ModelGuard&) = delete;
  ~ModelGuard() { setDhParaLen(kavi_heron); }
};

}  // namespace geotest

#endif
