// Kinematics of the simulated arm, on its own copy of the model lengths.
#include "SimKinematics.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

namespace kavisim {

namespace {
constexpr double kPi = 3.14159265358979323846;

// Lengths A3, A4, D1, D2 (total lateral offset), D5, D6 [m] of models 0..6.
// The simulator keeps its own table: the kinematics library holds its lengths
// in process-wide variables that the SDK rewrites once at login, from its own
// thread, while the arm thread here computes poses all the time.
constexpr double kModelDh[7][6] = {
    {0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094},    // 0 heron
    {0.552, 0.495, 0.1632, 0.178, 0.1025, 0.094},     // 1 egret
    {0.632, 0.6005, 0.1632, 0.2013, 0.1025, 0.094},   // 2 stork
    {0.229, 0.2015, 0.1395, 0.11055, 0.08955, 0.09055}, // 3 crane
    {0.266, 0.2565, 0.157, 0.119, 0.1025, 0.094},     // 4 wren
    {0.245, 0.215, 0.1215, 0.1215, 0.1025, 0.094},    // 5 ibis
    {0.608, 0.6395, 0.1215, 0.1215, 0.1025, 0.094},   // 6 rail
};

// Row of the selected model; an index into a constant table, so a pose
// computed while the model changes still uses one consistent set of lengths.
std::atomic<int> g_model{0};

// Flange pose of library angles q (= -theta) with lengths dh; r row-major.
void flange(const double dh[6], const double q[6], double p[3], double r[9]) {
  const double a2 = dh[0], a3 = dh[1], d1 = dh[2], d2 = dh[3], d5 = dh[4], d6 = dh[5];
  const double q23 = q[1] - q[2];
  const double s1 = std::sin(q[0]), c1 = std::cos(q[0]), s2 = std::sin(q[1]), c2 = std::cos(q[1]);
  const double s5 = std::sin(q[4]), c5 = std::cos(q[4]), s6 = std::sin(q[5]), c6 = std::cos(q[5]);
  const double s23 = std::sin(q23), c23 = std::cos(q23);
  const double s234 = std::sin(q23 + q[3]), c234 = std::cos(q23 + q[3]);
  const double t1 = s1 * s5 - c5 * c1 * c234;
  const double t2 = c5 * c234 * s1 + c1 * s5;
  r[0] = -c6 * t1 - s6 * c1 * s234;
  r[1] = c6 * c1 * s234 - s6 * t1;
  r[2] = -c5 * s1 - c1 * c234 * s5;
  r[3] = s6 * s1 * s234 - c6 * t2;
  r[4] = -s6 * t2 - c6 * s1 * s234;
  r[5] = s1 * c234 * s5 - c1 * c5;
  r[6] = -s6 * c234 - c6 * c5 * s234;
  r[7] = c6 * c234 - s6 * c5 * s234;
  r[8] = s5 * s234;
  const double rho = a2 * s2 + a3 * s23 + d5 * s234;
  p[0] = c1 * rho - d2 * s1 + d6 * r[2];
  p[1] = -s1 * rho - d2 * c1 + d6 * r[5];
  p[2] = d1 + a2 * c2 + a3 * c23 + d5 * c234 + d6 * r[8];
}

// Position error and orientation error (rotation vector) from `from` to `to`.
void poseError(const SimPose& from, const SimPose& to, double e[6]) {
  for (int i = 0; i < 3; ++i) e[i] = to.p[i] - from.p[i];
  double inv[4] = {from.q[0], -from.q[1], -from.q[2], -from.q[3]};
  double d[4];
  SimKinematics::quatMul(to.q, inv, d);
  if (d[0] < 0)
    for (double& v : d) v = -v;
  double sinHalf = std::sqrt(d[1] * d[1] + d[2] * d[2] + d[3] * d[3]);
  double angle = 2 * std::atan2(sinHalf, d[0]);
  double k = sinHalf > 1e-12 ? angle / sinHalf : 2.0;
  for (int i = 0; i < 3; ++i) e[3 + i] = k * d[1 + i];
}

bool within(const SimPose& a, const SimPose& b) {
  double err = 0;
  for (int i = 0; i < 3; ++i) err += std::fabs(a.p[i] - b.p[i]);
  return err <= 1e-5 && SimKinematics::angleBetween(a.q, b.q) <= 1e-4;
}

// Solves (J^T J + lambda^2 I) x = J^T e for the 6x6 Jacobian J.
bool dampedSolve(const double jac[6][6], const double e[6], double x[6]) {
  constexpr double kDamping = 1e-6;
  double m[6][7];
  for (int r = 0; r < 6; ++r) {
    for (int c = 0; c < 6; ++c) {
      double s = 0;
      for (int k = 0; k < 6; ++k) s += jac[k][r] * jac[k][c];
      m[r][c] = s + (r == c ? kDamping : 0);
    }
    double s = 0;
    for (int k = 0; k < 6; ++k) s += jac[k][r] * e[k];
    m[r][6] = s;
  }
  for (int c = 0; c < 6; ++c) {
    int piv = c;
    for (int r = c + 1; r < 6; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[piv][c])) piv = r;
    if (!(std::fabs(m[piv][c]) > 1e-300)) return false;
    if (piv != c)
      for (int k = 0; k < 7; ++k) std::swap(m[c][k], m[piv][k]);
    for (int r = c + 1; r < 6; ++r) {
      double f = m[r][c] / m[c][c];
      for (int k = c; k < 7; ++k) m[r][k] -= f * m[c][k];
    }
  }
  for (int r = 5; r >= 0; --r) {
    double s = m[r][6];
    for (int k = r + 1; k < 6; ++k) s -= m[r][k] * x[k];
    x[r] = s / m[r][r];
  }
  return true;
}

// Newton iterations from `theta` towards `pose`; theta holds the result.
bool newton(const SimPose& pose, double theta[6]) {
  constexpr int kMaxIterations = 60;
  constexpr double kMaxStep = 0.3;  // rad per iteration, keeps far starts stable
  constexpr double kDelta = 1e-7;
  for (int it = 0; it < kMaxIterations; ++it) {
    SimPose now = SimKinematics::fk(theta);
    double e[6];
    poseError(now, pose, e);
    double worst = 0;
    for (double v : e) worst = std::max(worst, std::fabs(v));
    if (worst < 1e-11) return true;
    double jac[6][6];
    for (int j = 0; j < 6; ++j) {
      double t[6];
      for (int k = 0; k < 6; ++k) t[k] = theta[k];
      t[j] += kDelta;
      double col[6];
      poseError(now, SimKinematics::fk(t), col);
      for (int i = 0; i < 6; ++i) jac[i][j] = col[i] / kDelta;
    }
    double step[6];
    if (!dampedSolve(jac, e, step)) return false;
    double largest = 0;
    for (double v : step) largest = std::max(largest, std::fabs(v));
    double scale = largest > kMaxStep ? kMaxStep / largest : 1.0;
    for (int j = 0; j < 6; ++j) {
      theta[j] += scale * step[j];
      if (!std::isfinite(theta[j])) return false;
    }
  }
  return within(SimKinematics::fk(theta), pose);
}

}  // namespace

bool SimKinematics::selectModel(int model, double dh[6]) {
  if (model < 0 || model > 6) return false;
  g_model.store(model);
  return modelLengths(model, dh);
}

bool SimKinematics::modelLengths(int model, double dh[6]) {
  if (model < 0 || model > 6) return false;
  for (int i = 0; i < 6; ++i) dh[i] = kModelDh[model][i];
  return true;
}

SimPose SimKinematics::fk(const double theta[6]) {
  double q[6], r[9];
  for (int i = 0; i < 6; ++i) q[i] = -theta[i];
  SimPose pose;
  flange(kModelDh[g_model.load(std::memory_order_relaxed)], q, pose.p, r);
  matrixToQuat(r, pose.q);
  return pose;
}

bool SimKinematics::ik(const SimPose& pose, const double ref[6], double theta[6]) {
  // Newton from the reference finds the solution on the reference's branch;
  // when the target is far, the path from the reference's pose is followed
  // in shorter pieces, each starting from the last one's solution.
  SimPose start = fk(ref);
  for (int pieces : {1, 8, 64}) {
    double q[6];
    for (int j = 0; j < 6; ++j) q[j] = ref[j];
    bool ok = true;
    for (int k = 1; k <= pieces && ok; ++k) {
      double s = static_cast<double>(k) / pieces;
      SimPose via;
      for (int i = 0; i < 3; ++i) via.p[i] = start.p[i] + s * (pose.p[i] - start.p[i]);
      slerp(start.q, pose.q, s, via.q);
      if (k == pieces) via = pose;
      ok = newton(via, q);
    }
    if (ok && within(fk(q), pose)) {
      for (int j = 0; j < 6; ++j) {
        // The equivalent angle nearest the reference keeps the path continuous.
        theta[j] = q[j] + 2 * kPi * std::round((ref[j] - q[j]) / (2 * kPi));
      }
      return true;
    }
  }
  return false;
}

void SimKinematics::quatToMatrix(const double q[4], double r[9]) {
  double w = q[0], x = q[1], y = q[2], z = q[3];
  r[0] = 1 - 2 * (y * y + z * z);
  r[1] = 2 * (x * y - w * z);
  r[2] = 2 * (x * z + w * y);
  r[3] = 2 * (x * y + w * z);
  r[4] = 1 - 2 * (x * x + z * z);
  r[5] = 2 * (y * z - w * x);
  r[6] = 2 * (x * z - w * y);
  r[7] = 2 * (y * z + w * x);
  r[8] = 1 - 2 * (x * x + y * y);
}

void SimKinematics::matrixToQuat(const double r[9], double q[4]) {
  double tr = r[0] + r[4] + r[8];
  if (tr > 0) {
    double s = std::sqrt(tr + 1.0) * 2;
    q[0] = 0.25 * s;
    q[1] = (r[7] - r[5]) / s;
    q[2] = (r[2] - r[6]) / s;
    q[3] = (r[3] - r[1]) / s;
  } else if (r[0] > r[4] && r[0] > r[8]) {
    double s = std::sqrt(1.0 + r[0] - r[4] - r[8]) * 2;
    q[0] = (r[7] - r[5]) / s;
    q[1] = 0.25 * s;
    q[2] = (r[1] + r[3]) / s;
    q[3] = (r[2] + r[6]) / s;
  } else if (r[4] > r[8]) {
    double s = std::sqrt(1.0 + r[4] - r[0] - r[8]) * 2;
    q[0] = (r[2] - r[6]) / s;
    q[1] = (r[1] + r[3]) / s;
    q[2] = 0.25 * s;
    q[3] = (r[5] + r[7]) / s;
  } else {
    double s = std::sqrt(1.0 + r[8] - r[0] - r[4]) * 2;
    q[0] = (r[3] - r[1]) / s;
    q[1] = (r[2] + r[6]) / s;
    q[2] = (r[5] + r[7]) / s;
    q[3] = 0.25 * s;
  }
  if (q[0] < 0)
    for (int i = 0; i < 4; ++i) q[i] = -q[i];
  normalize(q);
}

void SimKinematics::quatMul(const double a[4], const double b[4], double out[4]) {
  double w = a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3];
  double x = a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2];
  double y = a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1];
  double z = a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0];
  out[0] = w;
  out[1] = x;
  out[2] = y;
  out[3] = z;
}

void SimKinematics::normalize(double q[4]) {
  double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (n < 1e-12) {
    q[0] = 1;
    q[1] = q[2] = q[3] = 0;
    return;
  }
  for (int i = 0; i < 4; ++i) q[i] /= n;
}

void SimKinematics::slerp(const double a[4], const double b[4], double s, double out[4]) {
  double bb[4] = {b[0], b[1], b[2], b[3]};
  double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
  if (dot < 0) {
    dot = -dot;
    for (double& v : bb) v = -v;
  }
  double wa, wb;
  if (dot > 0.9995) {
    wa = 1 - s;
    wb = s;
  } else {
    double th = std::acos(dot);
    wa = std::sin((1 - s) * th) / std::sin(th);
    wb = std::sin(s * th) / std::sin(th);
  }
  for (int i = 0; i < 4; ++i) out[i] = wa * a[i] + wb * bb[i];
  normalize(out);
}

double SimKinematics::angleBetween(const double a[4], const double b[4]) {
  double dot = std::fabs(a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]);
  if (dot > 1) dot = 1;
  return 2 * std::acos(dot);
}

void SimKinematics::rotate(const double q[4], const double v[3], double out[3]) {
  double r[9];
  quatToMatrix(q, r);
  for (int i = 0; i < 3; ++i) out[i] = r[3 * i] * v[0] + r[3 * i + 1] * v[1] + r[3 * i + 2] * v[2];
}

}  // namespace kavisim
