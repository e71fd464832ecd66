// User coordinate frames of the kinematics library: a frame built from three
// taught points P0 (origin), P1, P2 by one of nine teaching methods.
#ifndef DAX_ALG_USER_COORD_H
#define DAX_ALG_USER_COORD_H

#include "dax_alg_types.h"

// Builds the user frame from the positions of waypointptr[0..2].
// bInWOri (9, row-major) receives the user x, y, z axes in base coordinates as
// its rows (the rotation from base to user coordinates), wInBPos (3) the origin
// P0 in base coordinates and bInWPos (3) the base origin in user coordinates,
// -bInWOri * P0. Methods 0..2 take both taught directions as given (the frame is
// orthonormal only when they are perpendicular) and write their cosine to
// dotValue; methods 3..8 always give a right-handed orthonormal frame.
// Returns false for a method outside 0..8 or a null pointer; coincident or
// collinear points are not detected and give non-finite numbers.
bool userCoordinateCalibLib(wayPoint_S* waypointptr, char methods, double* bInWPos,
                            double* bInWOri, double* wInBPos, double& dotValue);

#endif
