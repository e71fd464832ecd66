// Numeric routines of the kinematics library: the manipulator Jacobian, a
// damped least-squares step, small dense matrix algebra (row-major) and the
// library's quaternion product, scaling, logarithm and exponential.
// All routines are stateless; quaternions are (w, x, y, z), Hamilton product,
// and nothing here normalises unless it says so.
#ifndef DAX_ALG_MATRIX_H
#define DAX_ALG_MATRIX_H

#include "dax_alg_types.h"

// Geometric Jacobian of ComputeFkLib at the library angles q[6] (q = -theta)
// with the active model's DH lengths. Column c belongs to joint c + 1; rows
// 0..2 are d(flange position)/dq in base coordinates, rows 3..5 the joint's
// unit rotation axis (flange angular velocity per unit joint rate).
void getJacobiLib(double J[6][6], double* q);

// dq = J^T (J J^T + 1000 I)^-1 dx. Returns false, leaving dq untouched, when
// the damped matrix cannot be inverted.
bool dampedLeastSquare(double J[6][6], double* dx, double* dq);

// In-place inverse of a symmetric n x n matrix (row-major) by cyclic
// Gauss-Jordan exchange without pivoting. Reads only the lower triangle and
// writes the full symmetric inverse. Returns false when a leading principal
// pivot vanishes (|p| + 1 == 1), when n < 1 or A is null; A is then in an
// unspecified state.
bool positiveDefiniteMatrixInverse(double* A, int n);

// C (m x p) = (clear ? 0 : C) + op(A) * B, with op(A) = A stored m x n when
// plainA, else A^T with A stored n x m; B is n x p. C may alias A or B.
// Returns false, without writing C, when a pointer is null or the scratch
// buffer cannot be had.
bool matrixMultiplication(double* C, double* A, double* B, unsigned m, unsigned n, unsigned p,
                          bool clear, bool plainA);

// out = a x b, divided by |a x b| when normalize (a zero product then gives
// non-finite components).
void vectorCrossProduct(Pos& out, Pos a, Pos b, bool normalize);
void vectorCrossProduct(double* out, double* a, double* b, bool normalize);

// ori = ori (x) q when rightMul, else q (x) ori.
void QuaternionMultply(Ori& ori, Ori q, bool rightMul);
// out = a (x) b.
void QuaternionMultply(Ori a, Ori b, Ori& out);
// Every component of ori times s, into out, or back into ori when out is null.
void QuaternionMultply(Ori& ori, double s, Ori* out);
// Logarithm of a unit quaternion as (0, axis * angle/2); q and -q give the
// same result; (0, 0, 0, 0) near the identity.
void QuaternionLog(Ori q, Ori& out);
// Exponential of a pure quaternion (0, v); (1, 0, 0, 0) when |v| is below one
// hundredth of a degree.
void QuaternionExp(Ori v, Ori& out);

#endif
