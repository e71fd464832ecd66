// Tool-centre point by least squares and tool orientation by taught poses.
#include "dax_alg_tool_calib.h"

#include <cmath>

#include "dax_alg_matrix.h"

namespace {

double det3(const double* M) {
  return M[0] * (M[4] * M[8] - M[5] * M[7]) - M[1] * (M[3] * M[8] - M[5] * M[6]) +
         M[2] * (M[3] * M[7] - M[4] * M[6]);
}

bool finite(const double* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

// Unit vector of v; false when v has no usable length.
bool normalised(double* v) {
  const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (!(len > 0.0) || !std::isfinite(len)) return false;
  for (int i = 0; i < 3; ++i) v[i] /= len;
  return true;
}

// Orthonormal right-handed triad from a first direction a and a second
// direction e in the plane of a and b: c = a x e, b = c x a.
bool triad(double* a, double* e, double* b, double* c) {
  if (!normalised(a) || !normalised(e)) return false;
  vectorCrossProduct(c, a, e, false);
  if (!normalised(c)) return false;
  vectorCrossProduct(b, c, a, false);
  return normalised(b);
}

bool toolCentrePoint(double* rot, double* pos, int n, bool check, double checkThr, double* t) {
  double M[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  double b[3] = {0, 0, 0};
  for (int i = 1; i < n; ++i) {
    double* A = rot + 9 * i;
    double* y = pos + 3 * i;
    for (int k = 0; k < 9; ++k) A[k] -= rot[k];
    for (int k = 0; k < 3; ++k) y[k] -= pos[k];
    if (!matrixMultiplication(M, A, A, 3, 3, 3, false, false)) return false;
    double Aty[3];
    if (!matrixMultiplication(Aty, A, y, 3, 3, 1, true, false)) return false;
    for (int k = 0; k < 3; ++k) b[k] -= Aty[k];
  }
  if (check && !(det3(M) > checkThr)) return false;
  if (!positiveDefiniteMatrixInverse(M, 3)) return false;
  double r[3];
  if (!matrixMultiplication(r, M, b, 3, 3, 1, true, true)) return false;
  if (!finite(r, 3)) return false;
  for (int k = 0; k < 3; ++k) t[k] = r[k];
  return true;
}

bool toolOrientation(int method, double (*poseRot)[9], double (*posePos)[3], const double* t,
                     double* out) {
  double a[3], e[3], b[3], c[3];
  if (method <= 2) {
    if (posePos == nullptr) return false;
    double tp[3][3];
    for (int k = 0; k < 3; ++k) {
      double tt[3] = {t[0], t[1], t[2]};
      if (!matrixMultiplication(tp[k], poseRot[k], tt, 3, 3, 1, true, true)) return false;
      for (int j = 0; j < 3; ++j) tp[k][j] += posePos[k][j];
    }
    double d1sq = 0.0, d2sq = 0.0;
    for (int j = 0; j < 3; ++j) {
      a[j] = tp[1][j] - tp[0][j];
      e[j] = tp[2][j] - tp[0][j];
      d1sq += a[j] * a[j];
      d2sq += e[j] * e[j];
    }
    if (!(d1sq >= 1e-4) || !(d2sq >= 1e-4)) return false;
  } else {
    // The base -z axis seen in the flange frame: minus the third row.
    for (int j = 0; j < 3; ++j) {
      a[j] = -poseRot[0][6 + j];
      e[j] = -poseRot[1][6 + j];
    }
  }
  if (!triad(a, e, b, c)) return false;

  // Column order of (a, b, c) in the tool frame.
  const int first = method % 3;  // 0: x, 1: y, 2: z
  double F[9];
  for (int r = 0; r < 3; ++r) {
    F[r * 3 + first] = a[r];
    F[r * 3 + (first + 1) % 3] = b[r];
    F[r * 3 + (first + 2) % 3] = c[r];
  }
  double R[9];
  if (method <= 2) {
    // Measured in the base frame at pose 0; bring it into the flange frame.
    if (!matrixMultiplication(R, poseRot[0], F, 3, 3, 3, true, false)) return false;
  } else {
    for (int k = 0; k < 9; ++k) R[k] = F[k];
  }
  if (!finite(R, 9)) return false;
  for (int k = 0; k < 9; ++k) out[k] = R[k];
  return true;
}

}  // namespace

bool toolCoordinateCalibLib(double* rot, double* pos, int posWpNum, char poseCalibMethod,
                            double (*poseRot)[9], double (*posePos)[3], bool waypoint_check,
                            double checkThr, double* toolInEndPos, double* toolPoseRot) {
  if (pos == nullptr || rot == nullptr || toolInEndPos == nullptr || posWpNum <= 3) return false;
  const int method = static_cast<signed char>(poseCalibMethod);
  const bool withOrientation = method >= 0 && method <= 5;
  if (withOrientation && (poseRot == nullptr || toolPoseRot == nullptr)) return false;

  double t[3];
  if (!toolCentrePoint(rot, pos, posWpNum, waypoint_check, checkThr, t)) return false;
  if (withOrientation) {
    double R[9];
    if (!toolOrientation(method, poseRot, posePos, t, R)) return false;
    for (int k = 0; k < 9; ++k) toolPoseRot[k] = R[k];
  }
  for (int k = 0; k < 3; ++k) toolInEndPos[k] = t[k];
  return true;
}
