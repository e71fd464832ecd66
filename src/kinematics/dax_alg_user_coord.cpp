// User frame from three taught points.
#include "dax_alg_user_coord.h"

#include <cmath>

#include "dax_alg_matrix.h"

namespace {

void unit(double* v) {
  const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  for (int i = 0; i < 3; ++i) v[i] /= len;
}

void negate(double* v) {
  for (int i = 0; i < 3; ++i) v[i] = -v[i];
}

}  // namespace

bool userCoordinateCalibLib(wayPoint_S* waypointptr, char methods, double* bInWPos,
                            double* bInWOri, double* wInBPos, double& dotValue) {
  const int method = static_cast<signed char>(methods);
  if (method < 0 || method > 8) return false;
  if (waypointptr == nullptr || bInWPos == nullptr || bInWOri == nullptr || wInBPos == nullptr) {
    return false;
  }
  const double* p0 = waypointptr[0].cartPos.positionVector;
  const double* p1 = waypointptr[1].cartPos.positionVector;
  const double* p2 = waypointptr[2].cartPos.positionVector;
  double a[3], b[3], n[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = p1[i] - p0[i];
    b[i] = p2[i] - p0[i];
  }
  vectorCrossProduct(n, a, b, true);
  unit(a);
  unit(b);

  // axis[k] is the user axis k (x, y, z) in base coordinates.
  double axis[3][3];
  auto set = [&axis](int k, const double* v) {
    for (int i = 0; i < 3; ++i) axis[k][i] = v[i];
  };
  // Remaining axis k = axis i x axis j.
  auto cross = [&axis](int k, int i, int j) { vectorCrossProduct(axis[k], axis[i], axis[j], false); };
  switch (method) {
    case 0:  set(0, a); set(1, b); set(2, n); break;
    case 1:  set(1, a); set(2, b); set(0, n); break;
    case 2:  set(2, a); set(0, b); set(1, n); break;
    case 3:  set(0, a); set(2, n); cross(1, 2, 0); break;
    case 4:  set(0, a); negate(n); set(1, n); cross(2, 0, 1); break;
    case 5:  set(1, a); set(0, n); cross(2, 0, 1); break;
    case 6:  set(1, a); negate(n); set(2, n); cross(0, 1, 2); break;
    case 7:  set(2, a); set(1, n); cross(0, 1, 2); break;
    default: set(2, a); negate(n); set(0, n); cross(1, 2, 0); break;
  }
  if (method <= 2) dotValue = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];

  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < 3; ++i) bInWOri[k * 3 + i] = axis[k][i];
  }
  for (int i = 0; i < 3; ++i) wInBPos[i] = p0[i];
  for (int k = 0; k < 3; ++k) {
    bInWPos[k] = -(axis[k][0] * p0[0] + axis[k][1] * p0[1] + axis[k][2] * p0[2]);
  }
  return true;
}
