// Conveyor service: conveyor-tracking settings and objects of one controller
// connection, sent through the control service it is given.
#ifndef RSKAVI_ROBOT_CONVEYOR_TRACK_H
#define RSKAVI_ROBOT_CONVEYOR_TRACK_H

class RobotControlServices;

class RobotConveyorTrack {
 public:
  // Stores p (not owned); nothing is sent.
  explicit RobotConveyorTrack(RobotControlServices* p);

  RobotConveyorTrack(const RobotConveyorTrack&) = delete;
  RobotConveyorTrack& operator=(const RobotConveyorTrack&) = delete;

 private:
  RobotControlServices* m_robotBaseService;
};

#endif
