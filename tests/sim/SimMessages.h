// Request messages the simulator tests send, built from the schema directly.
#ifndef RSKAVI_TESTS_SIM_MESSAGES_H
#define RSKAVI_TESTS_SIM_MESSAGES_H

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace simtest {

// A complete move profile: every limit `velc` / `acc`, no offset, no tool.
kavi::robot::common::RobotMoveProfile profile(int moveMode, double velc, double acc);
// A waypoint with joint angles `q` and flange pose (p, quaternion o).
kavi::robot::common::ProtoRoadPoint waypoint(const double q[6], const double p[3], const double o[4]);
kavi::robot::common::RobotMove jointMove(const double target[6], double velc, double acc);
kavi::robot::common::RobotMove lineMove(const double p[3], const double o[4], double velc, double acc);
kavi::robot::communication::ProtoCommunicationGeneralData generalData(int value);

}  // namespace simtest

#endif
