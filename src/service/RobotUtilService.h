// Kinematics service: the operations the facade, the control and the motion
// services call for forward and inverse kinematics, the arm model and
// geometry. All members static, no instance state; results are
// RobotErrorCode values.
#ifndef ROBOT_UTIL_SERVICE_H
#define ROBOT_UTIL_SERVICE_H

#include <string>

#include "RobotGeometryTypes.h"
#include "dax_alg_types.h"

class RobotUtilService {
 public:
  // ---- Arm model, forward and inverse kinematics ----

  // Installs the arm model and DH lengths reported by the controller.
  static void setRobotDhParam(int robotType, const kavi_robot_namespace::RobotDhPara& robotDhPara);

  // Flange pose of six SDK joint angles [rad] into wayPoint (jointpos = the
  // given angles). ErrCode_ParamError (wayPoint untouched) unless size is 6
  // and jointAngle is non-null.
  static int robotFk(const double* jointAngle, int size, kavi_robot_namespace::wayPoint_S& wayPoint);

  // Joint angles reaching the flange pose (position [m], quaternion) nearest
  // to the six reference angles startPointJointAngle. ErrCode_IkFailed when
  // no solution reaches the pose (wayPoint untouched); ErrCode_ParamError for
  // a null reference.
  static int robotIk(const double* startPointJointAngle, const kavi_robot_namespace::Pos& position,
                     const kavi_robot_namespace::Ori& ori, kavi_robot_namespace::wayPoint_S& wayPoint);

  // Lets the sixth joint pass beyond +-pi towards the reference. Always
  // ErrnoSucc.
  static int setJoint6Rot360(bool enable);
  static bool getJoint6Rot360();

  // Up to six joint angles separated by one non-blank character each
  // ("0.1,0.2,..."); missing or unreadable values are 0. The pose is filled
  // by forward kinematics. Always true.
  static bool jointStringToWaypoint(const std::string& jointString,
                                    kavi_robot_namespace::wayPoint_S& waypoint);

  // Zero the target and copy the thirteen doubles between the library's
  // waypoint and the public one.
  static void ikFunRoadPintToKaviWayPoint(const wayPoint_S& src,
                                          kavi_robot_namespace::wayPoint_S& target);
  static void KaviWayPointToikFunRoadPint(const kavi_robot_namespace::wayPoint_S& src,
                                          wayPoint_S& target);

  // ---- Tools ----

  // True when the tool is the none tool: position 0 and identity orientation,
  // each component within 1e-5.
  static bool isNoneTool(const kavi_robot_namespace::ToolInEndDesc& toolParam);

  // ---- Coordinate frames, calibration and conversions ----
};

#endif
