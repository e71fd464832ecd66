// Kinematics of the simulated arm: model selection, flange pose from SDK
// joint angles, the inverse solution nearest to a reference, and the
// quaternion helpers the planners need. It never touches the kinematics
// library's process-wide lengths, which the SDK in the same process may set.
// SDK angles theta; the library works in q = -theta. Matrices are row-major.
#ifndef KAVISIM_SIM_KINEMATICS_H
#define KAVISIM_SIM_KINEMATICS_H

namespace kavisim {

struct SimPose {
  double p[3] = {0, 0, 0};     // flange position in the base frame [m]
  double q[4] = {1, 0, 0, 0};  // orientation quaternion (w, x, y, z)
};

class SimKinematics {
 public:
  // Makes `model` (0..6) the arm's model and gives its DH lengths A3, A4,
  // D1, D2, D5, D6 [m]; false for a model outside 0..6. Called before the
  // arm's threads run.
  static bool selectModel(int model, double dh[6]);
  // The lengths of `model` without selecting it.
  static bool modelLengths(int model, double dh[6]);
  static SimPose fk(const double theta[6]);
  // Joint angles reaching `pose` nearest to `ref` (each joint within one turn
  // of its reference); false when the pose has no solution.
  static bool ik(const SimPose& pose, const double ref[6], double theta[6]);

  static void quatToMatrix(const double q[4], double r[9]);
  static void matrixToQuat(const double r[9], double q[4]);
  static void quatMul(const double a[4], const double b[4], double out[4]);
  static void normalize(double q[4]);
  static void slerp(const double a[4], const double b[4], double s, double out[4]);
  // Rotation angle between two orientations [rad], 0..pi.
  static double angleBetween(const double a[4], const double b[4]);
  // v rotated by q.
  static void rotate(const double q[4], const double v[3], double out[3]);
};

}  // namespace kavisim

#endif
