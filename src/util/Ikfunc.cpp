// Front end of the kinematics library (see Ikfunc.h).
#include "Ikfunc.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

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
  // A non-finite matrix would otherwise hand back a NaN quaternion as valid.
  if (!(n > 0.0) || !std::isfinite(n)) return false;
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

namespace {

template <typename From, typename To>
void copyWayPoint(const From& src, To& target) {
  std::memset(&target, 0, sizeof target);
  target.cartPos.position.x = src.cartPos.position.x;
  target.cartPos.position.y = src.cartPos.position.y;
  target.cartPos.position.z = src.cartPos.position.z;
  target.orientation.w = src.orientation.w;
  target.orientation.x = src.orientation.x;
  target.orientation.y = src.orientation.y;
  target.orientation.z = src.orientation.z;
  for (int i = 0; i < 6; ++i) target.jointpos[i] = src.jointpos[i];
}

}  // namespace

void Ikfunc::ikFunRoadPintToKaviWayPoint(const wayPoint_S& src,
                                         kavi_robot_namespace::wayPoint_S& target) {
  copyWayPoint(src, target);
}

void Ikfunc::KaviWayPointToikFunRoadPint(const kavi_robot_namespace::wayPoint_S& src,
                                         wayPoint_S& target) {
  copyWayPoint(src, target);
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

}  // namespace

int Ikfunc::ComputeIk_new(wayPoint_S& cur_stat, double (*jointResults)[8]) {
  double qref[6];
  for (int i = 0; i < 6; ++i) qref[i] = -cur_stat.jointpos[i];
  double eerot[9];
  double eetrans[3];
  posOri2homoArr(cur_stat.cartPos, cur_stat.orientation, eerot, eetrans);
  int count = ComputeIkLib(qref, eerot, eetrans, jointResults);
  // Position check of all candidates at once, on the library angles (the
  // orientation is not checked, so no rotation is needed).
  double pos[3][8];
  ComputeFkPositionsLib(jointResults, count, pos);
  const Pos& target = cur_stat.cartPos.position;
  // Branch-free over the columns (so that it vectorises): |x| <= max is
  // false for infinities and NaN alike, and a NaN distance fails the
  // tolerance, so non-finite columns are dropped.
  constexpr double kMax = std::numeric_limits<double>::max();
  int keep[8];
  int keepAll = 1;
  for (int k = 0; k < count; ++k) {
    const double dx = pos[0][k] - target.x, dy = pos[1][k] - target.y, dz = pos[2][k] - target.z;
    const double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
    int ok = dist <= kPositionTolerance;
    for (int j = 0; j < 6; ++j) ok &= std::fabs(jointResults[j][k]) <= kMax;
    keep[k] = ok;
    keepAll &= ok;
  }
  if (!keepAll) {
    // A dropped column takes the last one's place, which is examined next.
    int k = 0;
    while (k < count) {
      if (keep[k]) {
        ++k;
        continue;
      }
      const int last = count - 1;
      for (int j = 0; j < 6; ++j) jointResults[j][k] = jointResults[j][last];
      keep[k] = keep[last];
      --count;
    }
  }
  for (int j = 0; j < 6; ++j) {
    for (int k = 0; k < count; ++k) jointResults[j][k] = -jointResults[j][k];
  }
  return count;
}

bool Ikfunc::ArmIk(wayPoint_S& cur_stat, double* joint, bool /*iterIK*/, bool /*relMove*/) {
  double ref[6];
  std::memcpy(ref, joint != nullptr ? joint : cur_stat.jointpos, sizeof ref);
  double jointResults[6][8];
  const int count = ComputeIk_new(cur_stat, jointResults);
  if (count == 0) return false;
  // Distance of the sixth joint; with the full-turn flag the joint may go
  // one turn towards the reference, which shifts its distance by 2 pi too.
  double d6[8];
  for (int k = 0; k < count; ++k) d6[k] = jointResults[5][k] - ref[5];
  if (joint6Rot360) {
    for (int k = 0; k < count; ++k) {
      double& q6 = jointResults[5][k];
      if (d6[k] < -kPi && q6 < 0.0) {
        q6 += 2.0 * kPi;
        d6[k] += 2.0 * kPi;
      } else if (d6[k] > kPi && q6 > 0.0) {
        q6 -= 2.0 * kPi;
        d6[k] -= 2.0 * kPi;
      }
    }
  }
  // Summed joint distances, in the order of the joints.
  double route[8];
  for (int k = 0; k < count; ++k) {
    double r = 0.0;
    for (int j = 0; j < 5; ++j) r += std::fabs(jointResults[j][k] - ref[j]);
    route[k] = r + std::fabs(d6[k]);
  }
  double best = 10000.0;
  int bestId = -1;
  for (int k = 0; k < count; ++k) {
    // A NaN route never compares smaller, so a non-finite reference selects
    // nothing.
    if (best > route[k]) {
      best = route[k];
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

// -----------------------------------------------------------------------------
// Geometry: rigid transforms, tool composition, orientation conversions, tool
// calibration and user coordinate frames.
// -----------------------------------------------------------------------------

namespace {

bool geoFinite(const double* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

bool geoFinite(const wayPoint_S& w) {
  return geoFinite(w.cartPos.positionVector, 3) && std::isfinite(w.orientation.w) &&
         std::isfinite(w.orientation.x) && std::isfinite(w.orientation.y) &&
         std::isfinite(w.orientation.z);
}

// out = R v (or R^T v when transposed), R row-major 3x3.
void geoRotate(const double* R, const double* v, bool transposed, double* out) {
  double r[3];
  for (int i = 0; i < 3; ++i) {
    r[i] = transposed ? R[i] * v[0] + R[3 + i] * v[1] + R[6 + i] * v[2]
                      : R[3 * i] * v[0] + R[3 * i + 1] * v[1] + R[3 * i + 2] * v[2];
  }
  for (int i = 0; i < 3; ++i) out[i] = r[i];
}

}  // namespace

void Ikfunc::hMatrixMultiply(double* eerot, double* eetrans, double* eerot1, double* eetrans1,
                             wayPoint_S* pos_transferred, double* new_rot) {
  if (eerot == nullptr || eerot1 == nullptr) return;
  double R[9];
  matrixMultiplication(R, eerot, eerot1, 3, 3, 3, true, true);
  if (eetrans != nullptr && eetrans1 != nullptr && pos_transferred != nullptr) {
    double t[3];
    geoRotate(eerot, eetrans1, false, t);
    for (int i = 0; i < 3; ++i) pos_transferred->cartPos.positionVector[i] = t[i] + eetrans[i];
    OriMatrixToQuaternion(R, pos_transferred->orientation);
  } else if (new_rot != nullptr) {
    for (int i = 0; i < 9; ++i) new_rot[i] = R[i];
  }
}

void Ikfunc::hMatrixVectorProduct(bool inv, double* pOrg, double* hRArr, bool relPos,
                                  double* posIn, double* posOut) {
  if (posIn == nullptr || posOut == nullptr || hRArr == nullptr) return;
  double R[9];
  double t[3] = {0.0, 0.0, 0.0};
  if (pOrg != nullptr || relPos) {
    for (int i = 0; i < 9; ++i) R[i] = hRArr[i];
    if (pOrg != nullptr) {
      for (int i = 0; i < 3; ++i) t[i] = pOrg[i];
    }
  } else {
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) R[3 * r + c] = hRArr[4 * r + c];
      t[r] = hRArr[4 * r + 3];
    }
  }
  double out[3];
  if (inv) {
    double v[3] = {posIn[0], posIn[1], posIn[2]};
    if (!relPos) {
      for (int i = 0; i < 3; ++i) v[i] -= t[i];
    }
    geoRotate(R, v, true, out);
  } else {
    geoRotate(R, posIn, false, out);
    if (!relPos) {
      for (int i = 0; i < 3; ++i) out[i] += t[i];
    }
  }
  for (int i = 0; i < 3; ++i) posOut[i] = out[i];
}

void Ikfunc::QuaternionMultply(Ori& end_ori, Ori left_ori, bool rightMul) {
  ::QuaternionMultply(end_ori, left_ori, rightMul);
}

void Ikfunc::QuaternionInversion(Ori& cur_ori) {
  cur_ori.x = -cur_ori.x;
  cur_ori.y = -cur_ori.y;
  cur_ori.z = -cur_ori.z;
}

void Ikfunc::endOrientation2ToolOrientation(Ori tcpOriInE, Ori endOri, Ori& toolOri) {
  ::QuaternionMultply(endOri, tcpOriInE, toolOri);
}

void Ikfunc::toolOrientation2EndOrientation(Ori tcpOriInE, Ori toolOri, Ori& endOri) {
  QuaternionInversion(tcpOriInE);
  ::QuaternionMultply(toolOri, tcpOriInE, endOri);
}

void Ikfunc::endPosition2ToolPosition(wayPoint_S& end_stat, double* toolPosInEnd,
                                      double* toolPosition) {
  double* p = end_stat.cartPos.positionVector;
  if (toolPosInEnd == nullptr) {
    if (toolPosition != nullptr) {
      for (int i = 0; i < 3; ++i) toolPosition[i] = p[i];
    }
    return;
  }
  double R[9];
  QuaternionToOriMatrix(end_stat.orientation, R);
  double d[3];
  geoRotate(R, toolPosInEnd, false, d);
  double* out = (toolPosition != nullptr) ? toolPosition : p;
  for (int i = 0; i < 3; ++i) out[i] = p[i] + d[i];
}

void Ikfunc::toolPosition2EndPosition(wayPoint_S tool_stat, cartesianPos_U& end_position,
                                      double* toolPosInEnd) {
  const double* p = tool_stat.cartPos.positionVector;
  double d[3] = {0.0, 0.0, 0.0};
  if (toolPosInEnd != nullptr) {
    double R[9];
    QuaternionToOriMatrix(tool_stat.orientation, R);
    geoRotate(R, toolPosInEnd, false, d);
  }
  for (int i = 0; i < 3; ++i) end_position.positionVector[i] = p[i] - d[i];
}

void Ikfunc::RPYToQuaternion(Ori& ori, float* rpy) {
  if (rpy == nullptr) return;
  const double hr = static_cast<double>(rpy[0]) / 2.0;
  const double hp = static_cast<double>(rpy[1]) / 2.0;
  const double hy = static_cast<double>(rpy[2]) / 2.0;
  const double cr = std::cos(hr), sr = std::sin(hr);
  const double cp = std::cos(hp), sp = std::sin(hp);
  const double cy = std::cos(hy), sy = std::sin(hy);
  ori.w = cr * cp * cy + sr * sp * sy;
  ori.x = sr * cp * cy - cr * sp * sy;
  ori.y = cr * sp * cy + sr * cp * sy;
  ori.z = cr * cp * sy - sr * sp * cy;
}

void Ikfunc::quaternionToRPY(Ori ori, float* rpy) {
  if (rpy == nullptr) return;
  const double w = ori.w, x = ori.x, y = ori.y, z = ori.z;
  const float r11 = static_cast<float>(2.0 * (w * w + x * x) - 1.0);
  const float r21 = static_cast<float>(2.0 * (w * z + x * y));
  const float r31 = static_cast<float>(2.0 * (x * z - w * y));
  const float r32 = static_cast<float>(2.0 * (w * x + y * z));
  const float r33 = static_cast<float>(2.0 * (w * w + z * z) - 1.0);
  const float r22 = static_cast<float>(2.0 * (w * w + y * y) - 1.0);
  const float r23 = static_cast<float>(2.0 * (y * z - w * x));
  float yaw, pitch, roll;
  if (std::fabs(r11) < 1e-16f && std::fabs(r21) < 1e-16f) {
    // Pitch at +-90 degrees: yaw and roll turn about the same axis.
    yaw = 0.0f;
    pitch = std::atan2(-r31, r11);
    roll = std::atan2(-r23, r22);
  } else {
    yaw = std::atan2(r21, r11);
    pitch = std::atan2(-r31, std::sqrt(r11 * r11 + r21 * r21));
    roll = std::atan2(r32, r33);
  }
  auto degrees = [](float a) {
    return static_cast<float>(static_cast<double>(180.0f * a) / M_PI);
  };
  rpy[0] = degrees(yaw);
  rpy[1] = degrees(pitch);
  rpy[2] = degrees(roll);
}

bool Ikfunc::toolCoordinateCalib(wayPoint_S* waypointptr, int posWpNum, bool waypoint_check,
                                 double* toolInEndPos, char poseCalibMethod,
                                 wayPoint_S* wpOriCalib, Ori* toolInEndOri) {
  if (waypointptr == nullptr || posWpNum <= 3) return false;
  const std::size_t n = static_cast<std::size_t>(posWpNum);
  std::unique_ptr<double[]> rot(new (std::nothrow) double[9 * n]);
  std::unique_ptr<double[]> pos(new (std::nothrow) double[3 * n]);
  if (!rot || !pos) return false;
  for (std::size_t i = 0; i < n; ++i) {
    posOri2homoArr(waypointptr[i].cartPos, waypointptr[i].orientation, &rot[9 * i], &pos[3 * i]);
  }
  double poseRot[3][9];
  double posePos[3][3];
  const int method = static_cast<signed char>(poseCalibMethod);
  if (wpOriCalib != nullptr) {
    const int count = method <= 2 ? 3 : 2;
    for (int k = 0; k < count; ++k) {
      posOri2homoArr(wpOriCalib[k].cartPos, wpOriCalib[k].orientation, poseRot[k], posePos[k]);
    }
  }
  double toolRot[9];
  const bool ok = toolCoordinateCalibLib(rot.get(), pos.get(), posWpNum, poseCalibMethod,
                                         wpOriCalib != nullptr ? poseRot : nullptr,
                                         wpOriCalib != nullptr ? posePos : nullptr,
                                         waypoint_check, 0.01, toolInEndPos, toolRot);
  if (ok && toolInEndOri != nullptr && method >= 0 && method <= 5) {
    OriMatrixToQuaternion(toolRot, *toolInEndOri);
  }
  return ok;
}

bool Ikfunc::api_tool_coord_calib(wayPoint_S* wpPosCalib, unsigned wpPosCalibSize,
                                  wayPoint_S* wpOriCalib, char poseCalibMethod,
                                  double* toolInEndPos, Ori& toolInEndOri) {
  if (wpPosCalib == nullptr || wpPosCalibSize <= 3 || toolInEndPos == nullptr) return false;
  if (wpPosCalibSize > static_cast<unsigned>(std::numeric_limits<int>::max())) return false;
  const int method = static_cast<signed char>(poseCalibMethod);
  if (method < 0 || method > 5 || wpOriCalib == nullptr) {
    return toolCoordinateCalib(wpPosCalib, static_cast<int>(wpPosCalibSize), false, toolInEndPos,
                               -1, nullptr, nullptr);
  }
  return toolCoordinateCalib(wpPosCalib, static_cast<int>(wpPosCalibSize), false, toolInEndPos,
                             poseCalibMethod, wpOriCalib, &toolInEndOri);
}

bool Ikfunc::userCoordinateCalib(wayPoint_S* waypointptr, char methods, double* bInWPos,
                                 double* bInWOri, double* wInBPos) {
  if (bInWPos == nullptr || bInWOri == nullptr || wInBPos == nullptr) return false;
  double dotValue = 1.0;
  double pos[3], rot[9], origin[3];
  // Coincident or collinear points leave the library frame non-finite; such a
  // frame is refused here so that no caller hands it on as a result.
  if (!userCoordinateCalibLib(waypointptr, methods, pos, rot, origin, dotValue) ||
      !geoFinite(pos, 3) || !geoFinite(rot, 9) || !geoFinite(origin, 3)) {
    kavi_robot_logtrace::W_WARN("User Coordinate Calib: Error Configuration, please re-try!");
    return false;
  }
  for (int i = 0; i < 3; ++i) {
    bInWPos[i] = pos[i];
    wInBPos[i] = origin[i];
  }
  for (int i = 0; i < 9; ++i) bInWOri[i] = rot[i];
  return true;
}

bool Ikfunc::api_user_coord_calib(wayPoint_S* waypointptr, char methods, double* bInWPos,
                                  double* bInWOri, double* wInBPos) {
  return userCoordinateCalib(waypointptr, methods, bInWPos, bInWOri, wInBPos);
}

bool Ikfunc::coordinateTransform(const wayPoint_S& poseOnBase, wayPoint_S* userPoints,
                                 char methods, wayPoint_S& poseOnUser) {
  double bInWPos[3], bInWOri[9], wInBPos[3];
  if (!userCoordinateCalib(userPoints, methods, bInWPos, bInWOri, wInBPos)) return false;
  wayPoint_S out = poseOnBase;
  double p[3] = {poseOnBase.cartPos.positionVector[0], poseOnBase.cartPos.positionVector[1],
                 poseOnBase.cartPos.positionVector[2]};
  hMatrixVectorProduct(false, bInWPos, bInWOri, false, p, out.cartPos.positionVector);
  double R[9], Ru[9];
  QuaternionToOriMatrix(poseOnBase.orientation, R);
  hMatrixMultiply(bInWOri, nullptr, R, nullptr, nullptr, Ru);
  if (!OriMatrixToQuaternion(Ru, out.orientation) || !geoFinite(out)) return false;
  poseOnUser = out;
  return true;
}

bool Ikfunc::waypointDisplay(const wayPoint_S& flangeOnBase, coordinate_refer coordType,
                             wayPoint_S* userPoints, char methods, double* toolPos, Ori toolOri,
                             wayPoint_S& toolEndOut) {
  wayPoint_S toolEnd = flangeOnBase;
  if (coordType == EndCoordinate) {
    // In the end frame the tool-end pose is the tool description itself.
    for (int i = 0; i < 3; ++i) {
      toolEnd.cartPos.positionVector[i] = (toolPos != nullptr) ? toolPos[i] : 0.0;
    }
    toolEnd.orientation = toolOri;
    if (!geoFinite(toolEnd)) return false;
    toolEndOut = toolEnd;
    return true;
  }
  endPosition2ToolPosition(toolEnd, toolPos, nullptr);
  endOrientation2ToolOrientation(toolOri, flangeOnBase.orientation, toolEnd.orientation);
  if (coordType == BaseCoordinate) {
    // A zero or non-finite flange quaternion leaves no usable pose.
    if (!geoFinite(toolEnd)) return false;
    toolEndOut = toolEnd;
    return true;
  }
  const int method = static_cast<signed char>(methods);
  if (method < 0 || method > 8) return false;
  return coordinateTransform(toolEnd, userPoints, methods, toolEndOut);
}

bool Ikfunc::robotCoordConvert(const wayPoint_S& toolEndPose, coordinate_refer coordType,
                               wayPoint_S* userPoints, char methods, double* toolPos, Ori toolOri,
                               wayPoint_S& flangeOnBase) {
  if (coordType != BaseCoordinate && coordType != WorldCoordinate) return false;
  wayPoint_S pose = toolEndPose;
  Ori& q = pose.orientation;
  const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (!(n > 0.0) || !std::isfinite(n)) return false;
  q.w /= n;
  q.x /= n;
  q.y /= n;
  q.z /= n;

  if (coordType == WorldCoordinate) {
    double bInWPos[3], bInWOri[9], wInBPos[3];
    if (!userCoordinateCalib(userPoints, methods, bInWPos, bInWOri, wInBPos)) return false;
    double p[3] = {pose.cartPos.positionVector[0], pose.cartPos.positionVector[1],
                   pose.cartPos.positionVector[2]};
    // p_base = bInWOri^T p_user + P0.
    hMatrixVectorProduct(true, nullptr, bInWOri, true, p, pose.cartPos.positionVector);
    for (int i = 0; i < 3; ++i) pose.cartPos.positionVector[i] += wInBPos[i];
    double R[9], Rb[9];
    QuaternionToOriMatrix(q, R);
    // R_base = bInWOri^T R_user.
    matrixMultiplication(Rb, bInWOri, R, 3, 3, 3, true, false);
    if (!OriMatrixToQuaternion(Rb, q)) return false;
  }

  // Remove the tool: q_f = q_b (x) conj(q_tool), p_f = p_b - R(q_f) t.
  wayPoint_S flange = pose;
  toolOrientation2EndOrientation(toolOri, pose.orientation, flange.orientation);
  toolPosition2EndPosition(flange, flange.cartPos, toolPos);
  if (!geoFinite(flange)) return false;
  flangeOnBase = flange;
  return true;
}
// -----------------------------------------------------------------------------
