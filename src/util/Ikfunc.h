// Front end of the kinematics library: SDK joint angles (theta = -q of the
// library), quaternion and matrix conversions, inverse-kinematics choice.
// All members are static; the only state is the sixth-joint full-turn flag.
#ifndef IKFUNC_H
#define IKFUNC_H

#include "RobotGeometryTypes.h"
#include "dax_alg.h"

class Ikfunc {
 public:
  // ---- Arm model, forward kinematics and conversions ----

  // Selects a model and imposes the given lengths [m]; an unknown model
  // starts from the model-0 table. Each length ends up as
  // default + float(given - default); d4 keeps the model's default.
  static void setDhParameters(kavi_robot_type robotType, double A3, double A4, double D1,
                              double D2, double D5, double D6);

  // Flange position and quaternion of the six SDK angles in joint_solve.
  // Returns true (false only for a null joint_solve).
  static bool ArmFk(Pos& arm_pos, Ori& arm_ori, double* joint_solve);
  // The same on the waypoint's own jointpos; writes cartPos and orientation.
  static bool ArmFk(wayPoint_S& arm_pos);

  // Row-major rotation to a unit quaternion with w >= 0. Returns false and
  // leaves result unchanged when the matrix gives a zero or non-finite one.
  static bool OriMatrixToQuaternion(double* eerot, Ori& result);
  // Quaternion (normalised first) to a row-major rotation.
  static void QuaternionToOriMatrix(Ori q, double* eerot);
  // eetrans = position, eerot = rotation of quat.
  static void posOri2homoArr(cartesianPos_U position, Ori quat, double* eerot, double* eetrans);

  // Zero the target and copy the thirteen doubles between the library's
  // waypoint and the public one (same fields and meaning).
  static void ikFunRoadPintToKaviWayPoint(const wayPoint_S& src,
                                          kavi_robot_namespace::wayPoint_S& target);
  static void KaviWayPointToikFunRoadPint(const kavi_robot_namespace::wayPoint_S& src,
                                          wayPoint_S& target);

  // 1.0 for x >= 0, otherwise -1.0 (also for NaN).
  static double SIGN(double x);
  static double NORM(double a, double b, double c, double d);

  // ---- Inverse kinematics ----

  // When true the choice may move the sixth joint by one turn towards the
  // reference; false at load.
  static bool joint6Rot360;

  // Candidates (SDK angles, jointResults[joint][k]) reaching the position of
  // cur_stat within 1e-4 m, with its jointpos as reference. Candidates that
  // are not finite are dropped. Returns their count (0..8).
  static int ComputeIk_new(wayPoint_S& cur_stat, double (*jointResults)[8]);

  // Writes into cur_stat.jointpos the candidate nearest (summed joint
  // distance) to `joint`, or to cur_stat.jointpos when `joint` is null.
  // Returns false and leaves cur_stat unchanged when no finite candidate
  // reaches the pose. iterIK and relMove have no effect.
  static bool ArmIk(wayPoint_S& cur_stat, double* joint, bool iterIK, bool relMove);
  // ArmIk with last_jointpos (or res.jointpos when null) as reference; on
  // success the solution is also copied into last_jointpos.
  static bool ArmIkProtect(wayPoint_S& res, double* last_jointpos, bool iterIK, bool relMove);
  // Solution nearest to the reference angles in joint_solve, left there.
  static bool api_arm_ik(Pos arm_pos, Ori arm_ori, double* joint_solve);

  // ---- Coordinate frames, tools and matrix routines ----

  // ---------------------------------------------------------------------------
  // Geometry: rigid transforms, tool composition, orientation conversions, tool
  // calibration and user coordinate frames. Rotations are row-major 3x3;
  // quaternions (w, x, y, z), Hamilton product, not normalised unless stated.
  // ---------------------------------------------------------------------------

  // Frames a pose can be given in (same values as the public enum).
  enum coordinate_refer { BaseCoordinate = 0, EndCoordinate = 1, WorldCoordinate = 2 };

  // Composes (R1, t1) = (eerot, eetrans) with (R2, t2) = (eerot1, eetrans1):
  // R = R1 R2, t = R1 t2 + t1. With both translations and pos_transferred given,
  // writes t and the quaternion of R into pos_transferred; otherwise copies R
  // into new_rot when that is non-null.
  static void hMatrixMultiply(double* eerot, double* eetrans, double* eerot1, double* eetrans1,
                              wayPoint_S* pos_transferred, double* new_rot);
  // posOut = R posIn + t (inv false) or R^T posIn - R^T t (inv true); only the
  // rotation when relPos. R is hRArr as 3x3 when pOrg is given or relPos, else
  // as 3x4 with t in the fourth column; t is pOrg otherwise.
  static void hMatrixVectorProduct(bool inv, double* pOrg, double* hRArr, bool relPos,
                                   double* posIn, double* posOut);

  // end_ori = end_ori (x) left_ori when rightMul, else left_ori (x) end_ori.
  static void QuaternionMultply(Ori& end_ori, Ori left_ori, bool rightMul);
  // Conjugate in place (no normalisation).
  static void QuaternionInversion(Ori& cur_ori);
  // toolOri = endOri (x) tcpOriInE.
  static void endOrientation2ToolOrientation(Ori tcpOriInE, Ori endOri, Ori& toolOri);
  // endOri = toolOri (x) conj(tcpOriInE).
  static void toolOrientation2EndOrientation(Ori tcpOriInE, Ori toolOri, Ori& endOri);
  // Tool-tip position p + R(q) toolPosInEnd of the flange pose end_stat, into
  // toolPosition, or into end_stat itself when toolPosition is null. Without a
  // tool the flange position is copied.
  static void endPosition2ToolPosition(wayPoint_S& end_stat, double* toolPosInEnd,
                                       double* toolPosition);
  // Flange position p - R(q) toolPosInEnd of the tool-end pose tool_stat.
  static void toolPosition2EndPosition(wayPoint_S tool_stat, cartesianPos_U& end_position,
                                       double* toolPosInEnd);
  // rpy = (roll, pitch, yaw) [rad] to the quaternion of Rz(yaw) Ry(pitch) Rx(roll).
  static void RPYToQuaternion(Ori& ori, float* rpy);
  // Unit quaternion to (yaw, pitch, roll) in degrees, single precision.
  static void quaternionToRPY(Ori ori, float* rpy);

  // Tool-centre point (and, for methods 0..5 with wpOriCalib, the tool
  // orientation) from posWpNum > 3 flange poses. False on any failure.
  static bool toolCoordinateCalib(wayPoint_S* waypointptr, int posWpNum, bool waypoint_check,
                                  double* toolInEndPos, char poseCalibMethod,
                                  wayPoint_S* wpOriCalib, Ori* toolInEndOri);
  // Front end of toolCoordinateCalib: position only when the method is outside
  // 0..5 or wpOriCalib is null (toolInEndOri then stays as it is).
  static bool api_tool_coord_calib(wayPoint_S* wpPosCalib, unsigned wpPosCalibSize,
                                   wayPoint_S* wpOriCalib, char poseCalibMethod,
                                   double* toolInEndPos, Ori& toolInEndOri);

  // User frame from three taught points (see userCoordinateCalibLib). False,
  // with a warning, for a method outside 0..8 or a frame that is not finite
  // (coincident or collinear points).
  static bool userCoordinateCalib(wayPoint_S* waypointptr, char methods, double* bInWPos,
                                  double* bInWOri, double* wInBPos);
  static bool api_user_coord_calib(wayPoint_S* waypointptr, char methods, double* bInWPos,
                                   double* bInWOri, double* wInBPos);
  // A pose in the base frame expressed in the user frame of userPoints[3].
  static bool coordinateTransform(const wayPoint_S& poseOnBase, wayPoint_S* userPoints,
                                  char methods, wayPoint_S& poseOnUser);
  // Tool-end pose of a flange pose in the frame coordType: the tool itself in
  // the end frame, the composed pose in the base frame, and that pose in the
  // user frame otherwise. False (nothing written) for a method outside 0..8 or
  // a frame that cannot be built.
  static bool waypointDisplay(const wayPoint_S& flangeOnBase, coordinate_refer coordType,
                              wayPoint_S* userPoints, char methods, double* toolPos, Ori toolOri,
                              wayPoint_S& toolEndOut);
  // Flange pose in the base frame of a tool-end pose given in the base or the
  // user frame. False (nothing written) for another frame, a zero quaternion
  // or a frame that cannot be built.
  static bool robotCoordConvert(const wayPoint_S& toolEndPose, coordinate_refer coordType,
                                wayPoint_S* userPoints, char methods, double* toolPos, Ori toolOri,
                                wayPoint_S& flangeOnBase);
  // ---------------------------------------------------------------------------
};

#endif
