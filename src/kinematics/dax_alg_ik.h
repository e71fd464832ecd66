// Closed-form inverse kinematics of the six-joint arm in library angles
// (q = -theta of the SDK angles), with the lengths of the active model.
#ifndef DAX_ALG_IK_H
#define DAX_ALG_IK_H

// The angle [rad] in (-pi, pi] whose sine and cosine are proportional to s
// and c (the two-argument arctangent; (0, negative) gives pi). Returns NaN
// when both are zero or either is not finite.
double antiSinCos(double s, double c);

// Up to eight candidate joint sets reaching the flange pose (eerot row-major,
// eetrans [m]) in library angles. qref: six library reference angles, used
// only where the wrist is singular and the arm is redundant. Candidates go to
// sol[joint][k], k < returned count. eerot and eetrans are overwritten
// (pass scratch copies). Returns 0 when the pose is out of reach or inside the
// cylinder swept by the shoulder offset. Candidates may still be imprecise
// near the reach limit: callers check them by forward kinematics.
int ComputeIkLib(double* qref, double* eerot, double* eetrans, double (*sol)[8]);

#endif
