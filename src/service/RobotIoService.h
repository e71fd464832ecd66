// IO service: interface-board and tool IO of one controller connection. It
// sends every request through the control service it is given.
#ifndef RSKAVI_ROBOT_IO_SERVICE_H
#define RSKAVI_ROBOT_IO_SERVICE_H

class RobotControlServices;

class RobotIoService {
 public:
  // Stores p (not owned); nothing is sent.
  explicit RobotIoService(RobotControlServices* p);

  RobotIoService(const RobotIoService&) = delete;
  RobotIoService& operator=(const RobotIoService&) = delete;

 private:
  RobotControlServices* m_robotBaseService;
};

#endif
