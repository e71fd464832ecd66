// Motion service: the process-wide move profile and waypoint list, and the
// execution of joint, line, rotate, track and teach moves, blocking or not,
// with move control (stop, pause, continue, fast stop).
#ifndef RSKAVI_ROBOT_MOVE_SERVICE_H
#define RSKAVI_ROBOT_MOVE_SERVICE_H

#include <string>
#include <vector>

#include "CommunicationMateType.h"
#include "RobotControlServices.h"
#include "RobotMetaType.h"

class RobotMoveService {
 public:
  enum RobotMoveClass {
    ROBOT_MOVE_CLASS_GENARAL = 0,               // profile and waypoints as a RobotMove command
    ROBOT_MOVE_CLASS_OFFLINE_TRACK = 1,         // start of the controller's stored offline track
    ROBOT_MOVE_CLASS_OFFLINE_TRACK_RECOGNITION = 2  // start of an excitation trajectory
  };

  // Relative offset applied to every move, expressed in coordinateSystem.
  struct MoveRelativeParam_t {
    bool isEnable;
    kavi_robot_namespace::CoordCalibrateByJointAngleAndTool coordinateSystem;
    float relativePosition[3];  // [m]
    kavi_robot_namespace::Ori relativeOrientation;
  };

  struct MoveArrivalAhead_t {
    kavi_robot_namespace::arrival_ahead_state arrivalAheadStat;
    double arrivalAheadThr;  // [m] or [s] by mode
  };

  // The last excitation-trajectory request.
  struct offlineTrackRecognition {
    std::string trackName;
    int type;
    int subType;
  };

  // Stores p (not owned). The first motion service of the process applies the
  // profile defaults once.
  explicit RobotMoveService(RobotControlServices* p);

  // ---- Global profile (process-wide, no lock: one thread at a time) ----

  // Defaults for everything including the tool; returns 0.
  static int initClassProfile();
  // Defaults for everything but the tool; empties the waypoint list; returns 0.
  static int initMoveProfile();

  // Joint limits: each of the six values must be in (0, 4800.01 deg] for the
  // acceleration and (0, 500.01 deg] for the speed [rad/s^2, rad/s]; one bad
  // value rejects all six with ErrCode_ParamError and keeps the old ones.
  static int setMoveJointMaxAcc(const kavi_robot_namespace::JointVelcAccParam& moveMaxAcc);
  static int setMoveJointMaxVelc(const kavi_robot_namespace::JointVelcAccParam& moveMaxVelc);
  static void getMoveJointMaxAcc(kavi_robot_namespace::JointVelcAccParam& moveMaxAcc);
  static void getMoveJointMaxVelc(kavi_robot_namespace::JointVelcAccParam& moveMaxVelc);

  // End limits: line acceleration (0, 80.01] m/s^2, line speed (0, 5.01] m/s,
  // angular acceleration and speed (0, 180.01 deg]; else ErrCode_ParamError.
  static int setMoveEndMaxLineAcc(double moveMaxAcc);
  static int setMoveEndMaxLineVelc(double moveMaxVelc);
  static int setMoveEndMaxAngleAcc(double moveMaxAcc);
  static int setMoveEndMaxAngleVelc(double moveMaxVelc);
  static void getMoveEndMaxLineAcc(double& moveMaxAcc);
  static void getMoveEndMaxLineVelc(double& moveMaxVelc);
  static void getMoveEndMaxAngleAcc(double& moveMaxAcc);
  static void getMoveEndMaxAngleVelc(double& moveMaxVelc);

  static void clearWayPointVector();
  // ErrCode_MotionWaypointVetorSizeError once the list holds 5000 entries.
  static int addWayPoint(const kavi_robot_namespace::wayPoint_S& wayPoint);
  static void getWayPointVector(std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector);

  static float getBlendRadius();
  // 0 < value < 0.0501 [m], else ErrCode_ParamError.
  static int setBlendRadius(float value);
  static int getCircularLoopTimes();
  static void setCircularLoopTimes(int times);
  static double getTrackPlaybackCycle();
  static void setTrackPlaybackCycle(double second);
  static void setEnableIterIk(bool value);

  static int setMoveProfileRelativeParam(const kavi_robot_namespace::MoveRelative& relativeMoveOnBase);
  static int setMoveProfileRelativeParam(
      const kavi_robot_namespace::MoveRelative& relativeMoveOnUserCoord,
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord);
  static int setTeachCoordinateSystem(
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem);

  // The tool travels with every move; nothing is sent when it is set.
  static int setMoveProfileToolParam(const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);
  static int setMoveProfileToolParamIsNone();
  static int getMoveProfileToolParam(kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);

  static int setNoArrivalAhead();
  static int setArrivalAheadDistanceMode(double distance);
  static int setArrivalAheadTimeMode(double second);
  static int setArrivalAheadBlendDistanceMode(double distance);

  // ---- Profile building ----

  static void initDefaultMoveProfile(RobotMoveProfile& moveProfile);
  // A profile for one move from the globals, without the relative offset.
  static void getCurrentMoveProfileRemoveOffset(kavi_robot_namespace::move_mode moveMode,
                                                kavi_robot_namespace::move_track subMoveMode,
                                                kavi_robot_namespace::teach_mode teachMode,
                                                RobotMoveProfile& moveProfile);
  static void setMaxVelcAccByMoveMode(kavi_robot_namespace::move_mode moveMode,
                                      kavi_robot_namespace::move_track subMoveMode,
                                      RobotMoveProfile& moveProfile);
  // Writes the global relative offset, carried into the base frame for the
  // reference waypoint, into the profile. ErrCode_Failed (offset switched off
  // in the profile) when the conversion fails.
  static int modifyOffsetProfileByWaypointAndGlobalOffset(
      kavi_robot_namespace::wayPoint_S offset_reference_waypoint, RobotMoveProfile& moveProfile);

  // ---- Motion execution ----

  int robotJointMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
  int robotFollowModeJointMove(kavi_robot_namespace::wayPoint_S& wayPoint);
  int robotLineMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
  // Rotation by rotateAngle [rad] about an axis given in userCoord.
  int robotLineRotateMove(const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
                          const double* rotateAxisOnUserCoord, double rotateAngle, bool IsBolck);
  // Track through the global waypoint list (at least 3 waypoints).
  int robotTrackMove(kavi_robot_namespace::move_track subMoveMode, bool IsBolck);
  int robotTeachStart(kavi_robot_namespace::teach_mode teachMode, bool direction);
  int robotTeachStop();
  int robotMoveControl(kavi_robot_namespace::RobotMoveControlCommand cmd);
  int robotMoveFastStop();
  // Current joint angles from the controller and their forward kinematics.
  int getCurrnetRoadPoint(kavi_robot_namespace::wayPoint_S& wayPoint);

  int robotMoveService(const RobotMoveProfile& moveProfile,
                       const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector,
                       bool isBolck);
  // Sends one move and, when blocking, waits for arrival. A blocking move
  // ends with 0 on arrival and with ErrCode_MotionInterruptedByEvent on an
  // abnormal stop or when the connection is lost; it never waits on a dead
  // connection.
  int moveBaseService(RobotMoveClass MoveType, const RobotMoveProfile& moveProfile,
                      const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector,
                      bool IsBolck);
  int moveProfileAndWaypointsFormatCommunication(
      CommunicationCommandType commandType, const RobotMoveProfile& moveProfile,
      const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector);
  int robotTeachMove(const RobotMoveProfile& moveProfile,
                     const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem);
  int offlineTrackStartupBaseService();

 private:
  // The wait of a blocking move once its request was accepted.
  int waitForArrival(const RobotControlServices::RobotMoveWaitToken& token);

  RobotControlServices* m_robotBaseService;

  static kavi_robot_namespace::JointVelcAccParam s_moveProfileJointMaxAcc;
  static kavi_robot_namespace::JointVelcAccParam s_moveProfileJointMaxVelc;
  static double s_moveProfileEndMaxLineAcc;
  static double s_moveProfileEndMaxLineVelc;
  static double s_moveProfileEndMaxAngleAcc;
  static double s_moveProfileEndMaxAngleVelc;
  static std::vector<kavi_robot_namespace::wayPoint_S> s_moveWayPointVector;
  static kavi_robot_namespace::CoordCalibrateByJointAngleAndTool s_teachMoveCoordinateSystem;
  static MoveRelativeParam_t s_moveProfileRelativeParam;
  static double s_moveProfileBlendRadius;
  static double s_moveProfileTrackPlaybackCycle;
  static int s_moveProfileCircularLoopTimes;
  static bool s_moveProfileEnableIterIk;
  static kavi_robot_namespace::ToolInEndDesc s_moveProfileToolInEndDesc;
  static bool s_moveProfileToolTrack;
  static MoveArrivalAhead_t s_moveArrivalAhead;
  static bool s_moveProfileIsInited;
  static offlineTrackRecognition s_offlineTrackRecognition;
};

#endif
