// Front end of the kinematics library (see Ikfunc.h).
#include "Ikfunc.h"

#include <cmath>
#include <cstring>

#include "RobotTraceLog.h"

// ---- Arm model, forward kinematics and conversions ----

void Ikfunc::setDhParameters(kavi_robot_type robotType, double A3, double A4, double D1,
                             double D2, double D5, double D6) {
  setDhParaLen(robotType);
  double a2, a3, d1, d2, d5, d6;
  getDhPara(a2, a3, d1, d2, d5, d6, nullptr);
  float da[6] = {0, 0, 0, 0, 0, 0};
  float dd[6] = {0, 0, 0, 0, 0, 0};
  da[2] = static_cast<float>(A3 - a2);
  da[3] = static_cast<float>(A4 - a3);
  dd[0] = static_cast<float>(D1 - d1);
  dd[1] = static_cast<float>(D2 - d2);
  dd[4] = static_cast<float>(D5 - d5);
  dd[5] = static_cast<float>(D6 - d6);
  modifyDhParaLen(da, dd);
}

bool Ikfunc::ArmFk(Pos& arm_pos, Ori& arm_ori, double* joint_solve) {
  if (joint_solve == nullptr) return false;
  double q[6];
  for (int i = 0; i < 6; ++i) q[i] = -joint_solve[i];
  double eetrans[3];
  double eerot[9];
  ComputeFkLib(q, eetrans, eerot);
  arm_pos.x = eetrans[0];
  arm_pos.y = eetrans[1];
  arm_pos.z = eetrans[2];
  OriMatrixToQuaternion(eerot, arm_ori);
  return true;
}

bool Ikfunc::ArmFk(wayPoint_S& arm_pos) {
  return ArmFk(arm_pos.cartPos.position, arm_pos.orientation, arm_pos.jointpos);
}

bool Ikfunc::OriMatrixToQuaternion(double* eerot, Ori& result) {
  const double* r = eerot;
  const double w2 = (r[0] + r[4] + r[8] + 1.0) / 4.0;
  double sq[4] = {w2, (1.0 + r[0]) / 2.0 - w2, (1.0 + r[4]) / 2.0 - w2,
                  (1.0 + r[8]) / 2.0 - w2};
  for (int i = 0; i < 4; ++i) {
    if (sq[i] < 0.0) {
      kavi_robot_logtrace::W_INFO("negative quaternion square: %d %f", i, sq[i]);
      sq[i] = 0.0;
    } else {
      sq[i] = std::sqrt(sq[i]);
    }
  }
  const double w = sq[0];
  const double x = sq[1] * SIGN(r[7] - r[5]);
  const double y = sq[2] * SIGN(r[2] - r[6]);
  const double z = sq[3] * SIGN(r[3] - r[1]);
  const double n = NORM(w, x, y, z);
  if (n == 0.0) return false;
  result.w = w / n;
  result.x = x / n;
  result.y = y / n;
  result.z = z / n;
  return true;
}

void Ikfunc::QuaternionToOriMatrix(Ori q, double* eerot) {
  const double s = 1.0 / std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  const double w = q.w * s, x = q.x * s, y = q.y * s, z = q.z * s;
  eerot[0] = 1 - 2 * y * y - 2 * z * z;
  eerot[1] = 2 * x * y - 2 * z * w;
  eerot[2] = 2 * y * w + 2 * x * z;
  eerot[3] = 2 * z * w + 2 * x * y;
  eerot[4] = 1 - 2 * x * x - 2 * z * z;
  eerot[5] = 2 * y * z - 2 * x * w;
  eerot[6] = 2 * x * z - 2 * y * w;
  eerot[7] = 2 * x * w + 2 * y * z;
  eerot[8] = 1 - 2 * x * x - 2 * y * y;
}

void Ikfunc::posOri2homoArr(cartesianPos_U position, Ori quat, double* eerot, double* eetrans) {
  for (int i = 0; i < 3; ++i) eetrans[i] = position.positionVector[i];
  QuaternionToOriMatrix(quat, eerot);
}

double Ikfunc::SIGN(double x) { return x >= 0.0 ? 1.0 : -1.0; }

double Ikfunc::NORM(double a, double b, double c, double d) {
  return std::sqrt(a * a + b * b + c * c + d * d);
}

// ---- Inverse kinematics ----

bool Ikfunc::joint6Rot360 = false;

namespace {

constexpr double kPi = 3.14159265358979323846;
// Largest flange-position miss [m] of a candidate that still counts.
constexpr double kPositionTolerance = 1e-4;

bool columnFinite(double (*sol)[8], int k) {
  for (int j = 0; j < 6; ++j) {
    if (!std::isfinite(sol[j][k])) return false;
  }
  return true;
}

}  // namespace

int Ikfunc::ComputeIk_new(wayPoint_S& cur_stat, double (*jointResults)[8]) {
  double qref[6];
  for (int i = 0; i < 6; ++i) qref[i] = -cur_stat.jointpos[i];
  double eerot[9];
  double eetrans[3];
  posOri2homoArr(cur_stat.cartPos, cur_stat.orientation, eerot, eetrans);
  int count = ComputeIkLib(qref, eerot, eetrans, jointResults);
  for (int k = 0; k < count; ++k) {
    for (int j = 0; j < 6; ++j) jointResults[j][k] = -jointResults[j][k];
  }
  const Pos& target = cur_stat.cartPos.position;
  int k = 0;
  while (k < count) {
    double joints[6];
    for (int j = 0; j < 6; ++j) joints[j] = jointResults[j][k];
    Pos p;
    Ori o;
    ArmFk(p, o, joints);
    const double dx = p.x - target.x, dy = p.y - target.y, dz = p.z - target.z;
    const double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
    // Written so that a NaN distance (or a non-finite joint) drops the column.
    if (columnFinite(jointResults, k) && dist <= kPositionTolerance) {
      ++k;
      continue;
    }
    for (int j = 0; j < 6; ++j) jointResults[j][k] = jointResults[j][count - 1];
    --count;
  }
  return count;
}

bool Ikfunc::ArmIk(wayPoint_S& cur_stat, double* joint, bool /*iterIK*/, bool /*relMove*/) {
  double ref[6];
  std::memcpy(ref, joint != nullptr ? joint : cur_stat.jointpos, sizeof ref);
  double jointResults[6][8];
  const int count = ComputeIk_new(cur_stat, jointResults);
  if (count == 0) return false;
  double best = 10000.0;
  int bestId = -1;
  for (int k = 0; k < count; ++k) {
    double route = 0.0;
    for (int j = 0; j < 6; ++j) {
      double d = jointResults[j][k] - ref[j];
      if (j == 5 && joint6Rot360) {
        if (d < -kPi && jointResults[j][k] < 0.0) {
          jointResults[j][k] += 2.0 * kPi;
          d += 2.0 * kPi;
        } else if (d > kPi && jointResults[j][k] > 0.0) {
          jointResults[j][k] -= 2.0 * kPi;
          d -= 2.0 * kPi;
        }
      }
      route += std::fabs(d);
    }
    // A NaN route never compares smaller, so a non-finite reference selects
    // nothing.
    if (best > route) {
      best = route;
      bestId = k;
    }
  }
  if (bestId < 0) return false;
  for (int j = 0; j < 6; ++j) cur_stat.jointpos[j] = jointResults[j][bestId];
  return true;
}

bool Ikfunc::ArmIkProtect(wayPoint_S& res, double* last_jointpos, bool iterIK, bool relMove) {
  if (last_jointpos == nullptr) last_jointpos = res.jointpos;
  if (!ArmIk(res, last_jointpos, iterIK, relMove)) return false;
  if (last_jointpos != res.jointpos) std::memcpy(last_jointpos, res.jointpos, 6 * sizeof(double));
  return true;
}

bool Ikfunc::api_arm_ik(Pos arm_pos, Ori arm_ori, double* joint_solve) {
  if (joint_solve == nullptr) return false;
  wayPoint_S wp;
  std::memset(&wp, 0, sizeof wp);
  wp.cartPos.position = arm_pos;
  wp.orientation = arm_ori;
  std::memcpy(wp.jointpos, joint_solve, sizeof wp.jointpos);
  return ArmIkProtect(wp, joint_solve, false, true);
}

// ---- Coordinate frames, tools and matrix routines ----
