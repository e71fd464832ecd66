// Tool calibration of the kinematics library: the tool-centre point from N >= 4
// flange poses whose tool tips meet at one point, and the tool orientation by
// one of six teaching methods. Rotations are row-major 3x3 (flange to base).
#ifndef DAX_ALG_TOOL_CALIB_H
#define DAX_ALG_TOOL_CALIB_H

// rot: posWpNum rotations (9 doubles each), pos: posWpNum positions (3 each);
// both are overwritten with differences to the first pose.
// poseCalibMethod 0..2 uses three orientation poses (poseRot, posePos), 3..5
// uses two (poseRot only); any other value calibrates the position only.
// toolInEndPos receives the least-squares tool-centre point in the flange frame
// [m]; toolPoseRot (for methods 0..5) the tool frame in the flange frame.
// With waypoint_check, det(M) of the normal equations must exceed checkThr.
// Returns false when an input is missing, posWpNum <= 3, the normal matrix
// cannot be inverted, orientation points lie closer than 0.01 m, the taught
// directions are parallel, or the result is not finite.
bool toolCoordinateCalibLib(double* rot, double* pos, int posWpNum, char poseCalibMethod,
                            double (*poseRot)[9], double (*posePos)[3], bool waypoint_check,
                            double checkThr, double* toolInEndPos, double* toolPoseRot);

#endif
