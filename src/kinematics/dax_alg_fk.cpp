// Forward kinematics: joints 2, 3 and 4 are parallel, so only the sums
// q2 - q3 and q2 - q3 + q4 enter; each sine and cosine is taken once. The
// sines and cosines are taken together in fixed-length loops that the
// compiler vectorises; angles out of the polynomial's range go through libm.
#include "dax_alg_fk.h"

#include <cmath>
#include <cstring>

#include "dax_alg_model.h"
#include "dax_alg_sincos.h"

namespace {

// s[i], c[i] of x[i] for i < N; bit for bit the values of dax_alg::sinCos.
template <int N>
void sinCosN(const double* x, double* s, double* c) {
  bool inRange = true;
  for (int i = 0; i < N; ++i) inRange &= dax_alg::sinCosInRange(x[i]);
  if (inRange) {
    for (int i = 0; i < N; ++i) dax_alg::sinCosReduced(x[i], s[i], c[i]);
  } else {
    for (int i = 0; i < N; ++i) dax_alg::sinCos(x[i], s[i], c[i]);
  }
}

}  // namespace

void ComputeFkLib(const double* q, double* eetrans, double* eerot) {
  if (q == nullptr || eetrans == nullptr || eerot == nullptr) return;
  using namespace dax_alg;
  const double q23 = q[1] - q[2];
  const double x[6] = {q[0], q[1], q[4], q[5], q23, q23 + q[3]};
  double s[6], c[6];
  sinCosN<6>(x, s, c);
  const double s1 = s[0], c1 = c[0], s2 = s[1], c2 = c[1], s5 = s[2], c5 = c[2];
  const double s6 = s[3], c6 = c[3], s23 = s[4], c23 = c[4], s234 = s[5], c234 = c[5];

  const double t1 = s1 * s5 - c5 * c1 * c234;
  const double t2 = c5 * c234 * s1 + c1 * s5;
  const double r11 = -c6 * t1 - s6 * c1 * s234;
  const double r12 = c6 * c1 * s234 - s6 * t1;
  const double r13 = -c5 * s1 - c1 * c234 * s5;
  const double r21 = s6 * s1 * s234 - c6 * t2;
  const double r22 = -s6 * t2 - c6 * s1 * s234;
  const double r23 = s1 * c234 * s5 - c1 * c5;
  const double r31 = -s6 * c234 - c6 * c5 * s234;
  const double r32 = c6 * c234 - s6 * c5 * s234;
  const double r33 = s5 * s234;

  const double rho = a2 * s2 + a3 * s23 + d5 * s234;
  eetrans[0] = c1 * rho - d2 * s1 + d6 * r13;
  eetrans[1] = -s1 * rho - d2 * c1 + d6 * r23;
  eetrans[2] = d1 + a2 * c2 + a3 * c23 + d5 * c234 + d6 * r33;

  eerot[0] = r11;
  eerot[1] = r12;
  eerot[2] = r13;
  eerot[3] = r21;
  eerot[4] = r22;
  eerot[5] = r23;
  eerot[6] = r31;
  eerot[7] = r32;
  eerot[8] = r33;
}

namespace {

// Index of v among the first n values of u by bit pattern (so that 0 and -0
// stay apart and NaN never matches), appending it when it is new.
int uniqueIndex(double* u, int& n, double v) {
  for (int i = 0; i < n; ++i) {
    if (std::memcmp(&u[i], &v, sizeof v) == 0) return i;
  }
  u[n] = v;
  return n++;
}

}  // namespace

void ComputeFkPositionsLib(const double (*q)[8], int count, double (*pos)[8]) {
  if (q == nullptr || pos == nullptr || count <= 0) return;
  if (count > 8) count = 8;
  using namespace dax_alg;
  // Candidates of one pose share joint 1 (two values at most) and joint 5 up
  // to its sign, and sin(-a) = -sin(a), cos(-a) = cos(a) hold exactly for
  // these kernels: those sines and cosines are taken once per distinct value.
  double u[16];
  int nu = 0;
  int i1[8], i5[8];
  for (int k = 0; k < count; ++k) {
    i1[k] = uniqueIndex(u, nu, q[0][k]);
    i5[k] = uniqueIndex(u, nu, std::fabs(q[4][k]));
  }
  // The angles that differ per candidate. An odd count leaves one zero
  // column to fill the last vector pair.
  double x[3][8] = {};
  for (int k = 0; k < count; ++k) {
    x[0][k] = q[1][k];
    x[1][k] = q[1][k] - q[2][k];
    x[2][k] = x[1][k] + q[3][k];
  }
  // Whole vector pairs of columns only.
  const int n = (count + 1) & ~1;
  bool inRange = true;
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < n; ++k) inRange &= sinCosInRange(x[r][k]);
  }
  for (int i = 0; i < nu; ++i) inRange &= sinCosInRange(u[i]);
  double s[3][8], c[3][8], su[16], cu[16];
  if (inRange) {
    for (int r = 0; r < 3; ++r) {
      for (int k = 0; k < n; ++k) sinCosReduced(x[r][k], s[r][k], c[r][k]);
    }
    for (int i = 0; i < nu; ++i) sinCosReduced(u[i], su[i], cu[i]);
  } else {
    for (int r = 0; r < 3; ++r) {
      for (int k = 0; k < n; ++k) sinCos(x[r][k], s[r][k], c[r][k]);
    }
    for (int i = 0; i < nu; ++i) sinCos(u[i], su[i], cu[i]);
  }
  double s1v[8] = {}, c1v[8] = {}, s5v[8] = {}, c5v[8] = {};
  for (int k = 0; k < count; ++k) {
    s1v[k] = su[i1[k]];
    c1v[k] = cu[i1[k]];
    s5v[k] = std::signbit(q[4][k]) ? -su[i5[k]] : su[i5[k]];
    c5v[k] = cu[i5[k]];
  }
  double p[3][8];
  for (int k = 0; k < n; ++k) {
    const double s1 = s1v[k], c1 = c1v[k], s2 = s[0][k], c2 = c[0][k];
    const double s5 = s5v[k], c5 = c5v[k], s23 = s[1][k], c23 = c[1][k];
    const double s234 = s[2][k], c234 = c[2][k];
    // The same expressions as ComputeFkLib, rotation terms only where the
    // position needs them.
    const double r13 = -c5 * s1 - c1 * c234 * s5;
    const double r23 = s1 * c234 * s5 - c1 * c5;
    const double r33 = s5 * s234;
    const double rho = a2 * s2 + a3 * s23 + d5 * s234;
    p[0][k] = c1 * rho - d2 * s1 + d6 * r13;
    p[1][k] = -s1 * rho - d2 * c1 + d6 * r23;
    p[2][k] = d1 + a2 * c2 + a3 * c23 + d5 * c234 + d6 * r33;
  }
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < count; ++k) pos[i][k] = p[i][k];
  }
}
