// Motion records and enums: move modes, track kinds, teach directions,
// relative offsets, arrival-ahead settings and the move profile that travels
// with every motion command.
#ifndef RSKAVI_ROBOT_MOVE_TYPES_H
#define RSKAVI_ROBOT_MOVE_TYPES_H

#include "RobotGeometryTypes.h"

namespace kavi_robot_namespace {

enum move_mode : int {
  NO_MOVEMODE = 0,
  MODEJ = 1,  // joint-space move
  MODEL = 2,  // straight-line move
  MODEP = 3   // track move through several waypoints
};

// Track kind. 10..13 and 101 are accepted from the application only and are
// rewritten to ARC_CIR before a profile goes on the wire.
enum move_track : int {
  NO_TRACK = 0,
  TRACKING = 1,
  ARC_CIR = 2,
  CARTESIAN_MOVEP = 3,
  CARTESIAN_CUBICSPLINE = 4,
  CARTESIAN_UBSPLINEINTP = 5,
  CARTESIAN_GNUBSPLINEINTP = 6,
  JIONT_CUBICSPLINE = 7,
  JOINT_UBSPLINEINTP = 8,
  JOINT_GNUBSPLINEINTP = 9,
  ARC = 10,
  CIRCLE = 11,
  ARC_ORI_ROTATED = 12,
  CIRCLE_ORI_ROTATED = 13,
  ORI_POSITION_ROTATE_CIRCUMFERENCE = 101
};

// Axis or direction of a teach move.
enum teach_mode : int {
  NO_TEACH = 0,
  JOINT1 = 1,
  JOINT2 = 2,
  JOINT3 = 3,
  JOINT4 = 4,
  JOINT5 = 5,
  JOINT6 = 6,
  MOV_X = 7,
  MOV_Y = 8,
  MOV_Z = 9,
  ROT_X = 10,
  ROT_Y = 11,
  ROT_Z = 12
};

enum arrival_ahead_state : int {
  arrival_ahead_none = 0,
  arrival_ahead_distance = 1,        // threshold in metres
  arrival_ahead_time = 2,            // threshold in seconds
  arrival_ahead_blend_distance = 3,  // threshold in metres
  arrival_ahead_blend_time = 4,
  arrival_ahead_done = 5
};

enum RobotMoveControlCommand : int {
  RobotMoveStop = 0,
  RobotMovePause = 1,
  RobotMoveContinue = 2
};

// The controller's answer to a move-control request.
enum call_robot_motion_func_result : int {
  call_robot_motion_func_failed = 0,
  call_robot_motion_func_succ_wait_done = 1,
  call_robot_motion_func_succ_nowait = 2
};

enum Robot_Dyn_identify_traj : int {
  Dyn_identify_traj_none = 0,
  Dyn_identify_traj_robot = 1,
  Dyn_identify_traj_tool = 2,
  Dyn_identify_traj_tool_abort = 3
};

// Names of the tool record in the facade's signatures.
typedef ToolInEndDesc ToolKinematicsParam;
typedef ToolInEndDesc RobotCameraCalib;

// Relative offset applied to moves: position [m] and rotation; the identity
// quaternion (1, 0, 0, 0) means no rotation.
struct MoveRelative {
  bool ena;
  float relativePosition[3];
  Ori relativeOri;
};

}  // namespace kavi_robot_namespace

// Two views of one quaternion.
union cartesian_Ori_U {
  kavi_robot_namespace::Ori orientation;
  double quaternionVector[4];
};

// Speed or acceleration limits: six joint values, or a Cartesian pair
// (linear, angular) sharing the storage of the first two joint values.
union joint_cart_U {
  double cartPara[2];
  double jointPara[6];
};

struct RobotMoveRelative_t {
  bool ena;
  float relativePosition[3];  // [m]
  cartesian_Ori_U relativeOrientation;
};

struct RobotMoveArrivalAhead_t {
  kavi_robot_namespace::arrival_ahead_state arrivalAheadStat;
  double arrivalAheadThr;
};

// Everything one motion command carries besides its waypoints.
struct RobotMoveProfile {
  kavi_robot_namespace::move_mode moveMode;
  kavi_robot_namespace::move_track subMoveMode;
  kavi_robot_namespace::teach_mode teachMode;
  bool enableIterIk;
  bool toolTrack;  // plan for the tool end point instead of the flange
  kavi_robot_namespace::cartesianPos_U toolInEndPosition;  // [m], flange frame
  kavi_robot_namespace::Ori toolInEndOrientation;          // flange frame
  RobotMoveRelative_t relativeMove;
  joint_cart_U maxVelc;
  joint_cart_U maxAcc;
  RobotMoveArrivalAhead_t arrivalAhead;
  float blendRadius;  // [m]; carries +1/-1 for arcs and the playback cycle for joint B-splines
  int circularLoopTimes;
};

static_assert(sizeof(joint_cart_U) == 6 * sizeof(double), "joint_cart_U layout");
static_assert(sizeof(cartesian_Ori_U) == 4 * sizeof(double), "cartesian_Ori_U layout");

#endif
