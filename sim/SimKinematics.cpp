// Kinematics of the simulated arm on top of the kinematics library.
#include "SimKinematics.h"

#include <cmath>

#include "dax_alg.h"

namespace kavisim {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

bool SimKinematics::selectModel(int model, double dh[6]) {
  if (model < 0 || model > 6) return false;
  setDhParaLen(static_cast<kavi_robot_type>(model));
  double a2, a3, d1, d2, d5, d6;
  getDhPara(a2, a3, d1, d2, d5, d6, nullptr);
  dh[0] = a2;
  dh[1] = a3;
  dh[2] = d1;
  dh[3] = d2;
  dh[4] = d5;
  dh[5] = d6;
  return true;
}

SimPose SimKinematics::fk(const double theta[6]) {
  double q[6], r[9];
  for (int i = 0; i < 6; ++i) q[i] = -theta[i];
  SimPose pose;
  ComputeFkLib(q, pose.p, r);
  matrixToQuat(r, pose.q);
  return pose;
}

bool SimKinematics::ik(const SimPose& pose, const double ref[6], double theta[6]) {
  double r[9], t[3], qref[6], sol[6][8];
  quatToMatrix(pose.q, r);
  for (int i = 0; i < 3; ++i) t[i] = pose.p[i];
  for (int i = 0; i < 6; ++i) qref[i] = -ref[i];
  int count = ComputeIkLib(qref, r, t, sol);
  double best = -1;
  for (int k = 0; k < count && k < 8; ++k) {
    double cand[6];
    double dist = 0;
    for (int j = 0; j < 6; ++j) {
      double a = -sol[j][k];
      if (!std::isfinite(a)) {
        dist = -1;
        break;
      }
      // The equivalent angle nearest the reference keeps the path continuous.
      a += 2 * kPi * std::round((ref[j] - a) / (2 * kPi));
      cand[j] = a;
      dist += std::fabs(a - ref[j]);
    }
    if (dist < 0) continue;
    SimPose check = fk(cand);
    double err = 0;
    for (int i = 0; i < 3; ++i) err += std::fabs(check.p[i] - pose.p[i]);
    if (err > 1e-5 || angleBetween(check.q, pose.q) > 1e-4) continue;
    if (best < 0 || dist < best) {
      best = dist;
      for (int j = 0; j < 6; ++j) theta[j] = cand[j];
    }
  }
  return best >= 0;
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
