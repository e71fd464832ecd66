// Internal records of the kinematics library: positions, quaternions and
// waypoints in the global namespace (same layout as the public records of
// kavi_robot_namespace), and the library's arm-model selector.
#ifndef DAX_ALG_TYPES_H
#define DAX_ALG_TYPES_H

// Position [m].
struct Pos {
  double x;
  double y;
  double z;
};

union cartesianPos_U {
  Pos position;
  double positionVector[3];
};

// Unit quaternion (w, x, y, z), Hamilton convention.
struct Ori {
  double w;
  double x;
  double y;
  double z;
};

// A flange pose in the base frame with its six SDK joint angles [rad].
struct wayPoint_S {
  cartesianPos_U cartPos;
  Ori orientation;
  double jointpos[6];
};

// Arm models of the library's table. Value 6 (the rail arm) is also handled
// although it has no enumerator; values outside 0..6 fall back to model 0.
enum kavi_robot_type {
  kavi_heron = 0,
  kavi_egret = 1,
  kavi_stork = 2,
  kavi_crane = 3,
  kavi_wren = 4,
  kavi_ibis = 5
};

#endif
