// Process-wide arm model of the kinematics library: the active model and its
// DH lengths [m], and the operations that select, read and adjust them.
// One model per process; no locks (set once at login, read everywhere).
#ifndef DAX_ALG_MODEL_H
#define DAX_ALG_MODEL_H

#include "dax_alg_types.h"

namespace dax_alg {
// Active model (a kavi_robot_type value, or 6 for the rail arm); 0 at load.
extern int robot_type;
// Upper arm, forearm, shoulder height, total lateral offset, offset part at
// joint 4, joint 4 to 6 along joint 5, joint 5 to flange along joint 6.
extern double a2, a3, d1, d2, d4, d5, d6;
}  // namespace dax_alg

// The active model (nothing in the library needs it; kept for callers).
int getRobotType();

// Loads the default lengths of `type`. Unknown values (outside 0..6) load
// model 0, set the model to 0 and return false; known values return true.
bool setDhParaLen(kavi_robot_type type);

// Reads the lengths. With a non-null `d4` it also reports d4 and gives
// d2 - d4 (the offset at the second joint) as `d2`; otherwise the total d2.
void getDhPara(double& a2, double& a3, double& d1, double& d2, double& d5, double& d6,
               double* d4);

// Adds corrections: a2 += da[2], a3 += da[3], d1 += dd[0],
// d2 += dd[1] + dd[3] (summed in float), d5 += dd[4], d6 += dd[5],
// d4 += dd[3]; other entries are ignored. Does nothing if either is null.
void modifyDhParaLen(float* da, float* dd);

#endif
