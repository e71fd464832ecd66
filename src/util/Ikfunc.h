// Front end of the kinematics library: SDK joint angles (theta = -q of the
// library), quaternion and matrix conversions, inverse-kinematics choice.
// All members are static; the only state is the sixth-joint full-turn flag.
#ifndef IKFUNC_H
#define IKFUNC_H

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
  // leaves result unchanged when the matrix gives a zero quaternion.
  static bool OriMatrixToQuaternion(double* eerot, Ori& result);
  // Quaternion (normalised first) to a row-major rotation.
  static void QuaternionToOriMatrix(Ori q, double* eerot);
  // eetrans = position, eerot = rotation of quat.
  static void posOri2homoArr(cartesianPos_U position, Ori quat, double* eerot, double* eetrans);

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
};

#endif
