// Conveyor service of one controller connection.
#include "RobotConveyorTrack.h"

RobotConveyorTrack::RobotConveyorTrack(RobotControlServices* p) : m_robotBaseService(p) {
  (void)m_robotBaseService;
}
