// Kinematics service (see RobotUtilService.h).
#include "RobotUtilService.h"

#include <cmath>
#include <cstring>
#include <sstream>

#include "Ikfunc.h"
#include "RobotErrorCode.h"
#include "RobotTraceLog.h"

using kavi_robot_namespace::ErrCode_IkFailed;
using kavi_robot_namespace::ErrCode_ParamError;
using kavi_robot_namespace::ErrnoSucc;
using kavi_robot_namespace::RobotDhPara;
using KaviWayPoint = kavi_robot_namespace::wayPoint_S;

// ---- Arm model, forward and inverse kinematics ----

void RobotUtilService::setRobotDhParam(int robotType, const RobotDhPara& robotDhPara) {
  Ikfunc::setDhParameters(static_cast<kavi_robot_type>(robotType), robotDhPara.A3, robotDhPara.A4,
                          robotDhPara.D1, robotDhPara.D2, robotDhPara.D5, robotDhPara.D6);
}

int RobotUtilService::robotFk(const double* jointAngle, int size, KaviWayPoint& wayPoint) {
  if (size != 6 || jointAngle == nullptr) return ErrCode_ParamError;
  wayPoint_S wp;
  std::memset(&wp, 0, sizeof wp);
  std::memcpy(wp.jointpos, jointAngle, sizeof wp.jointpos);
  Ikfunc::ArmFk(wp);
  ikFunRoadPintToKaviWayPoint(wp, wayPoint);
  return ErrnoSucc;
}

int RobotUtilService::robotIk(const double* startPointJointAngle,
                              const kavi_robot_namespace::Pos& position,
                              const kavi_robot_namespace::Ori& ori, KaviWayPoint& wayPoint) {
  if (startPointJointAngle == nullptr) {
    kavi_robot_logtrace::W_ERROR("sdk log: robotIk: expected 6 reference joint angles, got none.");
    return ErrCode_ParamError;
  }
  wayPoint_S wp;
  std::memset(&wp, 0, sizeof wp);
  wp.cartPos.position.x = position.x;
  wp.cartPos.position.y = position.y;
  wp.cartPos.position.z = position.z;
  wp.orientation.w = ori.w;
  wp.orientation.x = ori.x;
  wp.orientation.y = ori.y;
  wp.orientation.z = ori.z;
  std::memcpy(wp.jointpos, startPointJointAngle, sizeof wp.jointpos);
  if (!Ikfunc::ArmIk(wp, nullptr, false, false)) {
    kavi_robot_logtrace::W_ERROR("sdk log: call robotIk error.");
    return ErrCode_IkFailed;
  }
  ikFunRoadPintToKaviWayPoint(wp, wayPoint);
  return ErrnoSucc;
}

int RobotUtilService::setJoint6Rot360(bool enable) {
  Ikfunc::joint6Rot360 = enable;
  if (enable) {
    kavi_robot_logtrace::W_DEBUG("sdk log: enable joint6 360.");
  } else {
    kavi_robot_logtrace::W_DEBUG("sdk log: disenable joint6 360.");
  }
  return ErrnoSucc;
}

bool RobotUtilService::getJoint6Rot360() { return Ikfunc::joint6Rot360; }

bool RobotUtilService::jointStringToWaypoint(const std::string& jointString, KaviWayPoint& waypoint) {
  std::memset(&waypoint, 0, sizeof waypoint);
  std::istringstream in(jointString);
  in >> waypoint.jointpos[0];
  int read = 1;
  while (in.good() && read < 6) {
    char separator;
    in >> separator;
    in >> waypoint.jointpos[read];
    ++read;
  }
  double joints[6];
  std::memcpy(joints, waypoint.jointpos, sizeof joints);
  robotFk(joints, 6, waypoint);
  return true;
}

void RobotUtilService::ikFunRoadPintToKaviWayPoint(const wayPoint_S& src, KaviWayPoint& target) {
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

void RobotUtilService::KaviWayPointToikFunRoadPint(const KaviWayPoint& src, wayPoint_S& target) {
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

// ---- Tools ----

bool RobotUtilService::isNoneTool(const kavi_robot_namespace::ToolInEndDesc& toolParam) {
  const auto& p = toolParam.toolInEndPosition;
  const auto& o = toolParam.toolInEndOrientation;
  constexpr double kTol = 1e-5;
  return std::fabs(p.x) < kTol && std::fabs(p.y) < kTol && std::fabs(p.z) < kTol &&
         std::fabs(o.w - 1.0) < kTol && std::fabs(o.x) < kTol && std::fabs(o.y) < kTol &&
         std::fabs(o.z) < kTol;
}

// ---- Coordinate frames, calibration and conversions ----
