// Closed-form inverse kinematics: joint 1 from the wrist point, joints 5 and
// 6 from the orientation, then a planar two-link problem for joints 2 and 3
// and joint 4 from the wrist-link direction. A singular wrist (joint 5 at 0
// or pi) leaves the arm redundant: there joint 2 follows the reference, or,
// when the arm is (nearly) stretched, the wrist link is laid along the
// direction of the wrist point.
#include "dax_alg_ik.h"

#include <cmath>

#include "dax_alg_atan2.h"
#include "dax_alg_model.h"
#include "dax_alg_sincos.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kSinPi = 1.2246467991473532e-16;  // sin(pi) in double

// Elbow tolerance in cos q3: first pass, and second pass for targets just
// beyond reach (the caller's position check decides about those).
constexpr double kElbowTol = 1.0001;
constexpr double kElbowTolRetry = 1.046;

// Brings a finite angle into (-pi, pi]; non-finite values pass unchanged.
double wrapPi(double a) {
  if (!std::isfinite(a)) return a;
  while (a <= -kPi) a += kTwoPi;
  while (a > kPi) a -= kTwoPi;
  return a;
}

struct Candidates {
  double (*sol)[8];
  int count;
  void append(double q1, double q2, double q3, double q4, double q5, double q6) {
    if (count >= 8) return;
    sol[0][count] = q1;
    sol[1][count] = q2;
    sol[2][count] = q3;
    sol[3][count] = q4;
    sol[4][count] = q5;
    sol[5][count] = q6;
    ++count;
  }
};

// Target after the half turn about base z.
struct Target {
  double r11, r12, r13, r21, r22, r23, r31, r32, r33;
  double tx, ty, tz;
};

// Planar two-link solutions of a2*e(q2) + a3*e(q2 - q3) = (w, B), with
// e(a) = (sin a, cos a); psi is the wrist-link direction q2 - q3 + q4.
// Appends (q1, q2, q3, wrap(psi - q2 + q3), q5, q6) per elbow value.
void solveElbow(Candidates& out, double w, double B, double tau, double q1, double psi,
                double q5, double q6) {
  using namespace dax_alg;
  const double C = (w * w + B * B - a2 * a2 - a3 * a3) / (2.0 * a2 * a3);
  if (!(std::fabs(C) <= tau)) return;
  double q3s[2];
  double s3s[2];
  int n3;
  if (std::fabs(C) > 0.9999999999995) {
    n3 = 1;
    q3s[0] = C > 0 ? 0.0 : kPi;
    s3s[0] = C > 0 ? 0.0 : kSinPi;
  } else {
    n3 = 2;
    q3s[0] = std::acos(C);
    q3s[1] = -q3s[0];
    s3s[0] = std::sqrt((1.0 - C) * (1.0 + C));  // sin(acos C)
    s3s[1] = -s3s[0];
  }
  for (int i = 0; i < n3; ++i) {
    // k1 keeps the unclamped C, so a target just beyond reach still gives the
    // direction of the stretched (or folded) arm.
    const double k1 = a2 + a3 * C;
    const double k2 = a3 * s3s[i];
    const double invD = 1.0 / (k1 * k1 + k2 * k2);
    const double sv = (k2 * B + k1 * w) * invD;
    const double cv = (k1 * B - k2 * w) * invD;
    if (sv * sv + cv * cv > 1.0001) continue;
    const double q2 = antiSinCos(sv, cv);
    out.append(q1, q2, q3s[i], wrapPi(psi - q2 + q3s[i]), q5, q6);
  }
}

// The direction opposite to the angle a of (-pi, pi], in (-pi, pi]: what
// antiSinCos(-s, -c) gives for a = antiSinCos(s, c), within an ulp of pi.
double oppositeAngle(double a) { return a > 0.0 ? a - kPi : a + kPi; }

// Regular wrist, both joint-5 values +-acos(c5) in this order: joint 6 and the
// wrist-link direction psi = q2 - q3 + q4 from the orientation, then the
// elbow. Turning joint 5 the other way negates sin q5 and with it u, v, m and
// o exactly, so joint 6 and psi of the second value are the opposite
// directions of the first: the arctangents are taken once.
void regularWrist(Candidates& out, const Target& t, double q1, double s1, double c1, double c5,
                  double tau) {
  using namespace dax_alg;
  const double q5 = std::acos(c5);
  // sin(acos c5), factored so that it stays accurate for |c5| near 1.
  const double s5 = std::sqrt((1.0 - c5) * (1.0 + c5));
  const double u = (t.r21 * c1 + t.r11 * s1) / s5;
  const double v = (t.r22 * c1 + t.r12 * s1) / s5;
  const double n = std::sqrt(u * u + v * v);
  const double uh = u / n;
  const double vh = v / n;
  const double q6 = antiSinCos(vh, uh);
  const double m = s5 * t.r33 - c5 * t.r31 * uh - c5 * t.r32 * vh;
  const double o = t.r32 * uh - t.r31 * vh;
  const double psi = antiSinCos(m, o);
  const double w0 = t.ty * s1 - t.tx * c1 + d6 * (t.r13 * c1 - t.r23 * s1);
  const double B0 = t.tz - d1 - d6 * t.r33;
  solveElbow(out, w0 - d5 * m, B0 - d5 * o, tau, q1, psi, q5, q6);
  solveElbow(out, w0 + d5 * m, B0 + d5 * o, tau, q1, oppositeAngle(psi), -q5,
             oppositeAngle(q6));
}

// Stretched (or folded) arm on a singular wrist: the wrist link is laid along
// the wrist-point direction beta (q3b = 0) or against it (q3b = pi), and the
// remaining two links are solved exactly, so every reachable target of the
// band gets a candidate that reaches it.
void stretchedWrist(Candidates& out, double l, double m, double q1, double q5, double q6v,
                    double sign5, double q3b) {
  using namespace dax_alg;
  const double n = std::sqrt(l * l + m * m);
  const double beta = antiSinCos(l / n, m / n);
  const double x = wrapPi(beta + q3b);
  const double w = l - d5 * std::sin(x);
  const double B = m - d5 * std::cos(x);
  Candidates arm{out.sol, out.count};
  solveElbow(arm, w, B, kElbowTol, q1, x, q5, 0.0);
  for (int k = out.count; k < arm.count; ++k) out.sol[5][k] = q6v - x * sign5;
  out.count = arm.count;
}

// Singular wrist (q5 = 0 or pi): only q6 -/+ (q2 - q3 + q4) is fixed by the
// orientation; joint 2 follows the reference.
void singularWrist(Candidates& out, const Target& t, const double* qref, double q1, double s1,
                   double c1, double q5, double sign5) {
  using namespace dax_alg;
  const double q6v = antiSinCos(-t.r31, t.r32);
  const double l = (t.r13 * d6 - t.tx) * c1 + (t.ty - t.r23 * d6) * s1;
  const double m = t.tz - d1 - d6 * t.r33;
  const double L = a2 + a3 + d5;
  if (std::fabs(std::fabs(l) - L) < 1e-4 || std::fabs(std::fabs(m) - L) < 1e-4) {
    // Stretched horizontally or vertically.
    stretchedWrist(out, l, m, q1, q5, q6v, sign5, 0.0);
    return;
  }
  const double n = std::sqrt(m * m + l * l);
  const double K1 = (d5 * d5 + n * n - a2 * a2 - a3 * a3) / (2.0 * a2 * a3);
  const double K2 = -n * d5 / (a2 * a3);
  if (!(std::fabs(K1) <= 1.0 - K2 + 1e-4)) return;
  if (std::fabs(K1) > 1.0 - K2 - 1e-4) {
    // Stretched (K1 > 0) or folded (K1 < 0) at any other angle.
    stretchedWrist(out, l, m, q1, q5, q6v, sign5, K1 > 0 ? 0.0 : kPi);
    return;
  }
  const double q2 = qref[1];
  const double c = std::cos(qref[2]);
  const double lo = K1 + K2;
  const double hi = K1 - K2;
  double q3;
  if (lo <= c && c <= hi) {
    q3 = qref[2];
  } else {
    if (lo > c && std::fabs(lo) <= 1.0) {
      q3 = std::acos(lo);
    } else if (c > hi && std::fabs(hi) <= 1.0) {
      q3 = std::acos(hi);
    } else {
      return;
    }
    if (std::fabs(q3 - qref[2]) > std::fabs(qref[2] + q3)) q3 = -q3;
  }
  const double x = antiSinCos((l - a2 * std::sin(q2) - a3 * std::sin(q2 - q3)) / d5,
                              (m - a2 * std::cos(q2) - a3 * std::cos(q2 - q3)) / d5);
  out.append(q1, q2, q3, q3 + x - q2, q5, q6v - x * sign5);
}

}  // namespace

double antiSinCos(double s, double c) {
  // The squared norm fails exactly where the norm would (zero, underflow,
  // overflow, non-finite), without the square root.
  const double n2 = s * s + c * c;
  if (!(n2 > 0.0) || !std::isfinite(n2)) return std::nan("");
  const double a = dax_alg::atan2Finite(s, c);
  // atan2 gives -pi for (-0, negative); the range is (-pi, pi].
  return a <= -kPi ? kPi : a;
}

int ComputeIkLib(double* qref, double* eerot, double* eetrans, double (*sol)[8]) {
  if (qref == nullptr || eerot == nullptr || eetrans == nullptr || sol == nullptr) return 0;
  using namespace dax_alg;
  // Half turn about base z.
  for (int i = 0; i < 6; ++i) eerot[i] = -eerot[i];
  eetrans[0] = -eetrans[0];
  eetrans[1] = -eetrans[1];
  const Target t{eerot[0], eerot[1], eerot[2], eerot[3], eerot[4], eerot[5],
                 eerot[6], eerot[7], eerot[8], eetrans[0], eetrans[1], eetrans[2]};

  // Joint 1 from the wrist point's horizontal distance to the base axis.
  const double wx = t.tx - d6 * t.r13;
  const double wy = t.ty - d6 * t.r23;
  const double rho = std::sqrt(wx * wx + wy * wy);
  if (!(rho >= d2 - 0.0125)) return 0;
  const double phi = antiSinCos(wx / rho, wy / rho);
  double q1s[2];
  int n1;
  if (d2 / rho > 0.9999999998) {
    n1 = 1;
    q1s[0] = phi;
  } else {
    n1 = 2;
    const double alpha = std::acos(d2 / rho);
    q1s[0] = phi + alpha;
    if (q1s[0] > kPi) q1s[0] -= kTwoPi;
    q1s[1] = phi - alpha;
    if (q1s[1] <= -kPi) q1s[1] += kTwoPi;
  }

  Candidates out{sol, 0};
  bool regular[2] = {false, false};
  double c5s[2] = {0.0, 0.0};
  for (int i = 0; i < n1; ++i) {
    const double q1 = q1s[i];
    double s1, c1;
    sinCos(q1, s1, c1);
    const double c5 = t.r23 * c1 + t.r13 * s1;
    const double sign5 = c5 > 0 ? 1.0 : -1.0;
    c5s[i] = c5;
    if (!(std::fabs(c5) <= 1.0001)) continue;
    if (std::fabs(c5) > 0.99999994) {
      singularWrist(out, t, qref, q1, s1, c1, c5 > 0 ? 0.0 : kPi, sign5);
      continue;
    }
    regular[i] = true;
    regularWrist(out, t, q1, s1, c1, c5, kElbowTol);
  }

  // Nothing within reach: once more with a wider elbow tolerance, for
  // targets just beyond it.
  if (out.count == 0 && (regular[0] || regular[1])) {
    for (int i = 0; i < n1; ++i) {
      if (!regular[i]) continue;
      double s1, c1;
      sinCos(q1s[i], s1, c1);
      regularWrist(out, t, q1s[i], s1, c1, c5s[i], kElbowTolRetry);
    }
  }
  return out.count;
}
