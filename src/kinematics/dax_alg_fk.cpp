// Forward kinematics: joints 2, 3 and 4 are parallel, so only the sums
// q2 - q3 and q2 - q3 + q4 enter; each sine and cosine is taken once.
#include "dax_alg_fk.h"

#include "dax_alg_model.h"
#include "dax_alg_sincos.h"

void ComputeFkLib(const double* q, double* eetrans, double* eerot) {
  if (q == nullptr || eetrans == nullptr || eerot == nullptr) return;
  using namespace dax_alg;
  double c1, s1, c2, s2, c5, s5, c6, s6, c23, s23, c234, s234;
  sinCos(q[0], s1, c1);
  sinCos(q[1], s2, c2);
  sinCos(q[4], s5, c5);
  sinCos(q[5], s6, c6);
  const double q23 = q[1] - q[2];
  const double q234 = q23 + q[3];
  sinCos(q23, s23, c23);
  sinCos(q234, s234, c234);

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
