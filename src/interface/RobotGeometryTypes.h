// Public geometric records of the SDK: positions, orientations, waypoints,
// joint sets, tools, user frames and the arm model reported by the controller.
// Units: metres, radians; quaternions are (w, x, y, z), Hamilton convention.
#ifndef RSKAVI_ROBOT_GEOMETRY_TYPES_H
#define RSKAVI_ROBOT_GEOMETRY_TYPES_H

namespace kavi_robot_namespace {

struct Pos {
  double x;
  double y;
  double z;
};

union cartesianPos_U {
  Pos position;
  double positionVector[3];
};

// Unit quaternion; (1, 0, 0, 0) is the identity.
struct Ori {
  double w;
  double x;
  double y;
  double z;
};

// A flange pose in the base frame together with the six SDK joint angles
// [rad] that reach it.
struct wayPoint_S {
  cartesianPos_U cartPos;
  Ori orientation;
  double jointpos[6];
};

struct JointParam {
  double jointPos[6];
};

// Per-joint speed [rad/s] or acceleration [rad/s^2] limits.
struct JointVelcAccParam {
  double jointPara[6];
};

// Tool-centre point and tool orientation in the flange frame.
struct ToolInEndDesc {
  Pos toolInEndPosition;
  Ori toolInEndOrientation;
};

// Roll about base x, pitch about base y, yaw about base z:
// R = Rz(rz) * Ry(ry) * Rx(rx).
struct Rpy {
  double rx;
  double ry;
  double rz;
};

enum coordinate_refer {
  BaseCoordinate = 0,
  EndCoordinate = 1,   // the flange frame, with or without a tool
  WorldCoordinate = 2  // a user frame taught by three points
};

// What the three taught points P0, P1, P2 mean; P0 is always the origin.
enum CoordCalibrateMathod {
  Origin_AnyPointOnPositiveXAxis_AnyPointOnPositiveYAxis = 0,
  Origin_AnyPointOnPositiveYAxis_AnyPointOnPositiveZAxis = 1,
  Origin_AnyPointOnPositiveZAxis_AnyPointOnPositiveXAxis = 2,
  Origin_AnyPointOnPositiveXAxis_AnyPointOnFirstQuadrantOfXOYPlane = 3,
  Origin_AnyPointOnPositiveXAxis_AnyPointOnFirstQuadrantOfXOZPlane = 4,
  Origin_AnyPointOnPositiveYAxis_AnyPointOnFirstQuadrantOfYOZPlane = 5,
  Origin_AnyPointOnPositiveYAxis_AnyPointOnFirstQuadrantOfYOXPlane = 6,
  Origin_AnyPointOnPositiveZAxis_AnyPointOnFirstQuadrantOfZOXPlane = 7,
  Origin_AnyPointOnPositiveZAxis_AnyPointOnFirstQuadrantOfZOYPlane = 8,
  CoordTypeCount = 9
};

// A user coordinate system as taught: three joint sets of the teaching poses
// and the tool whose tip touched the points.
struct CoordCalibrateByJointAngleAndTool {
  coordinate_refer coordType;
  CoordCalibrateMathod methods;
  JointParam wayPointArray[3];
  ToolInEndDesc toolDesc;
};
typedef CoordCalibrateByJointAngleAndTool CoordCalibrate;

enum ToolKinematicsOriCalibrateMathod {
  ToolKinematicsOriCalibrateMathod_Invalid = -1,
  ToolKinematicsOriCalibrateMathod_xOxy = 0,
  ToolKinematicsOriCalibrateMathod_yOyz = 1,
  ToolKinematicsOriCalibrateMathod_zOzx = 2,
  ToolKinematicsOriCalibrateMathod_TxRBz_TxyPBzAndTyABnz = 3,
  ToolKinematicsOriCalibrateMathod_TyRBz_TyzPBzAndTzABnz = 4,
  ToolKinematicsOriCalibrateMathod_TzRBz_TzxPBzAndTxABnz = 5,
  ToolKinematicsOriCalibrateMathodCount = 6
};

// Arm model as the controller reports it at login.
enum RobotType {
  ROBOT_HERON = 0,
  ROBOT_EGRET = 1,
  ROBOT_STORK = 2,
  ROBOT_PLOVER = 3,
  ROBOT_WREN = 4,
  ROBOT_IBIS = 5,
  ROBOT_RAIL = 6
};

// DH lengths [m] as the controller reports them at login.
struct RobotDhPara {
  double A3;  // upper-arm length
  double A4;  // forearm length
  double D1;  // shoulder axis height above the base origin
  double D2;  // total lateral offset of the link plane from the base axis
  double D5;  // fourth to sixth joint axis, along the fifth
  double D6;  // fifth joint axis to the flange centre, along the sixth
};

}  // namespace kavi_robot_namespace

#endif
