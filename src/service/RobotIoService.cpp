// IO service of one controller connection.
#include "RobotIoService.h"

RobotIoService::RobotIoService(RobotControlServices* p) : m_robotBaseService(p) {
  (void)m_robotBaseService;
}
