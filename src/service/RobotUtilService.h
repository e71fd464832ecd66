// Kinematics service: the operations the facade, the control and the motion
// services call for forward and inverse kinematics, the arm model and
// geometry. All members static, no instance state; results are
// RobotErrorCode values.
#ifndef ROBOT_UTIL_SERVICE_H
#define ROBOT_UTIL_SERVICE_H

#include <string>
#include <vector>

#include "RobotGeometryTypes.h"
#include "RobotMetaType.h"

// Only public records appear here: files that use kavi_robot_namespace may
// include this header without meeting the library's global Pos, Ori and
// wayPoint_S (the conversions between both live in Ikfunc).

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

  // ---- Tools ----

  // True when the tool is the none tool: position 0 and identity orientation,
  // each component within 1e-5.
  static bool isNoneTool(const kavi_robot_namespace::ToolInEndDesc& toolParam);

  // ---- Coordinate frames, calibration and conversions ----

  // ---------------------------------------------------------------------------
  // Geometry: tool calibration and composition, orientation conversions, record
  // initialisers, user coordinate frames and conversions between frames.
  // Poses are flange or tool-end poses [m, unit quaternion (w, x, y, z)].
  // ---------------------------------------------------------------------------

  // A user frame given by the three tool-tip poses on the base that taught it.
  struct CoordCalibrateByToolEndPoint {
    kavi_robot_namespace::coordinate_refer coordType;
    kavi_robot_namespace::CoordCalibrateMathod methods;
    kavi_robot_namespace::wayPoint_S wayPointArray[3];
  };

  // Tool-centre point from >= 4 flange poses and, with 3 (methods 0..2) or 2
  // (methods 3..5) orientation poses, the tool orientation; position only when
  // wayPointOriCalibVector is empty. ErrCode_ToolCalibrateParamError for other
  // sizes, ErrCode_ToolCalibrateError when the poses do not determine the tool.
  static int toolCalibration(const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointPosCalibVector,
                             const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointOriCalibVector,
                             kavi_robot_namespace::ToolKinematicsOriCalibrateMathod poseCalibMethod,
                             kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);
  // Position only; the orientation of the result is (1, 0, 0, 0).
  static int toolCalibration(const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointPosCalibVector,
                             char poseCalibMethod, kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);

  // basePosition = flange position + R(flange orientation) endPosition.
  static int endPosition2BasePosition(const kavi_robot_namespace::wayPoint_S& flangeCenterPointOnBase,
                                      const kavi_robot_namespace::Pos& endPosition,
                                      kavi_robot_namespace::Pos& basePosition);
  // toolOri = endOri (x) tcpOriInEnd.
  static int endOrientation2ToolOrientation(kavi_robot_namespace::Ori& tcpOriInEnd,
                                            const kavi_robot_namespace::Ori& endOri,
                                            kavi_robot_namespace::Ori& toolOri);
  // endOri = toolOri (x) conj(tcpOriInEnd).
  static int toolOrientation2EndOrientation(kavi_robot_namespace::Ori& tcpOriInEnd,
                                            const kavi_robot_namespace::Ori& toolOri,
                                            kavi_robot_namespace::Ori& endOri);
  // Angles are rounded to single precision on the way.
  static int RPYToQuaternion(const kavi_robot_namespace::Rpy& rpy, kavi_robot_namespace::Ori& ori);
  static int quaternionToRPY(const kavi_robot_namespace::Ori& ori, kavi_robot_namespace::Rpy& rpy);
  // Row-major rotation to a quaternion with w >= 0; ErrCode_Failed (result
  // untouched) when the matrix has no usable quaternion.
  static int oriMatrixToQuaternion(double* eerot, kavi_robot_namespace::Ori& result);
  static void initPosDataType(kavi_robot_namespace::Pos& pos);
  static void initOriDataType(kavi_robot_namespace::Ori& ori);
  static void initOrientation(kavi_robot_namespace::Ori& ori);
  static void initMoveRelativeDataType(kavi_robot_namespace::MoveRelative& moveRelative);
  // Zero joints with the zero pose of the active model.
  static void initWayPointDataType(kavi_robot_namespace::wayPoint_S& wayPoint);
  static void initToolInEndDescDataType(kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);
  static void initCoordCalibrateByJointAngleAndToolDataType(
      kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coordCalibrate);
  static void initToolInertiaDataType(kavi_robot_namespace::ToolInertia& toolInertia);
  static void initToolDynamicsParamDataType(kavi_robot_namespace::ToolDynamicsParam& toolDynamicsParam);

  // The three tool-tip poses of a taught frame (not computed for the base frame).
  static int CoordCalibrateTypeConvert(const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& source,
                                       CoordCalibrateByToolEndPoint& target);
  // User frame (see userCoordinateCalibLib for the outputs). ErrCode_ParamError
  // unless coordType is WorldCoordinate; ErrCode_CoordinateSystemCalibrateError
  // for a bad method or points that do not span a frame.
  static int coordinateSystemCalibration(const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coordCalibrate,
                                         double* bInWPos, double* bInWOri, double* wInBPos);
  static int coordinateSystemCalibration(const CoordCalibrateByToolEndPoint& coordCalibrate,
                                         double* bInWPos, double* bInWOri, double* wInBPos);
  static int checkCoordinateSystemCalibration(
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coordCalibrate);

  // Tool-end pose in userCoordSystem of a flange pose on the base.
  static int base2UserCoordinate(const kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                 const kavi_robot_namespace::Ori& flangeCenterOrientationOnBase,
                                 const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                 const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                 kavi_robot_namespace::Pos& toolEndPositionOnUserCoord,
                                 kavi_robot_namespace::Ori& toolEndOrientationOnUserCoord);
  // Flange pose on the base of a tool-end pose given in userCoord.
  static int user2BaseCoordinate(const kavi_robot_namespace::Pos& toolEndPositionOnUserCoord,
                                 const kavi_robot_namespace::Ori& toolEndOrientationOnUserCoord,
                                 const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
                                 const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                 kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                 kavi_robot_namespace::Ori& flangeCenterOrientationOnBase);
  // Tool-end pose on the base of a flange pose on the base (joints copied).
  static int base2BaseAdditionalTool(const kavi_robot_namespace::wayPoint_S& flangeCenterPointOnBase,
                                     const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                     kavi_robot_namespace::wayPoint_S& toolEndPointOnBase);
  static int base2UserCoordinatePrivate(const kavi_robot_namespace::wayPoint_S& flangeCenterPointOnBase,
                                        const CoordCalibrateByToolEndPoint& userCoordSystem,
                                        const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                        kavi_robot_namespace::wayPoint_S& toolEndPointOnUserCoord);
  static int user2BaseCoordinatePrivate(const kavi_robot_namespace::wayPoint_S& toolEndPointOnUserCoord,
                                        const CoordCalibrateByToolEndPoint& userCoordSystem,
                                        const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                        kavi_robot_namespace::wayPoint_S& flangeCenterPointOnBase);
  static int userCoordPoint2BasePoint(const kavi_robot_namespace::Pos& userCoordPoint,
                                      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                      kavi_robot_namespace::Pos& basePoint);
  // A direction vector (3 doubles) in user axes turned into base axes.
  static int offsetVectorUserCoord2Base(const double* vectorOnUserCoord,
                                        const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                        double* vectorOnBaseCoord);
  // A relative move given in coord as the base-frame relative transform the
  // controller applies; in the end frame with only a real tool, an absolute
  // flange target marked by w + 6. False when the frame cannot be built.
  static bool relativeMoveAndRot(kavi_robot_namespace::wayPoint_S& firstFlangeWaypointInMove,
                                 const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coord,
                                 kavi_robot_namespace::ToolInEndDesc realToolInEnd,
                                 const kavi_robot_namespace::Pos& sourceRelativePositionOnUser,
                                 const kavi_robot_namespace::Ori& sourceRelativeOriOnUser,
                                 kavi_robot_namespace::Pos& targetRelativePositionOnBase,
                                 kavi_robot_namespace::Ori& targetRelativeOriOnBase);
  // ---------------------------------------------------------------------------
};

#endif
