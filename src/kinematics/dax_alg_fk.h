// Closed-form forward kinematics of the six-joint arm in library angles
// (q = -theta of the SDK angles), with the lengths of the active model.
#ifndef DAX_ALG_FK_H
#define DAX_ALG_FK_H

// q: six library angles [rad]. eetrans: flange centre in the base frame [m]
// (3 doubles). eerot: flange rotation, row-major (9 doubles), column j is the
// flange's j-th axis in the base frame. Does nothing if an output is null.
void ComputeFkLib(const double* q, double* eetrans, double* eerot);

// Flange centres only, of `count` (at most 8) joint sets given joint-major as
// the inverse kinematics writes them: q[joint][k] in library angles, into
// pos[axis][k] [m]. The same values as ComputeFkLib gives, for a fraction of
// the cost of `count` calls. Does nothing if a pointer is null.
void ComputeFkPositionsLib(const double (*q)[8], int count, double (*pos)[8]);

#endif
