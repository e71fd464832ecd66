// Forward kinematics: joints 2, 3 and 4 are parallel, so only the sums
// q2 - q3 and q2 - q3 + q4 enter; each sine and cosine is taken once. The
// sines and cosines are taken together in fixed-length loops that the
// compiler vectorises; angles out of the polynomial's range go through libm.
#include "dax_alg_fk.h"

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

void ComputeFkPositionsLib(const double (*q)[8], int count, double (*pos)[8]) {
  if (q == nullptr || pos == nullptr || count <= 0) return;
  if (count > 8) count = 8;
  using namespace dax_alg;
  // An odd count leaves one zero column to fill the last vector pair.
  double x[5][8] = {};
  for (int k = 0; k < count; ++k) {
    x[0][k] = q[0][k];
    x[1][k] = q[1][k];
    x[2][k] = q[4][k];
    x[3][k] = q[1][k] - q[2][k];
    x[4][k] = x[3][k] + q[3][k];
  }
  // Whole vector pairs of columns only.
  const int n = (count + 1) & ~1;
  bool inRange = true;
  for (int r = 0; r < 5; ++r) {
    for (int k = 0; k < n; ++k) inRange &= sinCosInRange(x[r][k]);
  }
  double s[5][8], c[5][8];
  for (int r = 0; r < 5; ++r) {
    if (inRange) {
      for (int k = 0; k < n; ++k) sinCosReduced(x[r][k], s[r][k], c[r][k]);
    } else {
      for (int k = 0; k < n; ++k) sinCos(x[r][k], s[r][k], c[r][k]);
    }
  }
  double p[3][8];
  for (int k = 0; k < n; ++k) {
    const double s1 = s[0][k], c1 = c[0][k], s2 = s[1][k], c2 = c[1][k];
    const double s5 = s[2][k], c5 = c[2][k], s23 = s[3][k], c23 = c[3][k];
    const double s234 = s[4][k], c234 = c[4][k];
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
