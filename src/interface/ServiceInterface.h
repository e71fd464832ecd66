// ServiceInterface: the object an application holds to drive one robot
// controller. It owns the control, motion, IO and conveyor services, keeps the
// application's four callbacks, and forwards every call to the service that
// does the work. Results are RobotErrorCode values; nothing throws.
//
// Threads and callbacks: every callback runs on the connection's receive
// thread with its slot's mutex held, one frame at a time. A callback
//  - must not register a callback of its own kind (the slot mutex is not
//    recursive) and should return quickly: while it runs no frame is read;
//  - may issue a request, but its response can only be read once the callback
//    has returned, so such a request ends with ErrCode_RequestTimeout after
//    0.8 s (never a hang);
//  - never runs after the registration call that cleared or replaced it has
//    returned.
// Only this folder is needed to compile an application: the services are
// reached through forward declarations.
#ifndef RSKAVI_SERVICE_INTERFACE_H
#define RSKAVI_SERVICE_INTERFACE_H

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "RobotMetaType.h"

class RobotControlServices;
class RobotIoService;
class RobotMoveService;
class RobotConveyorTrack;

namespace kavi_robot_namespace {
typedef std::uint8_t uint8;
typedef std::uint16_t uint16;
}  // namespace kavi_robot_namespace

class ServiceInterface {
 public:
  // Creates the services and registers the facade's receivers; connects to
  // nothing and sends nothing.
  ServiceInterface();
  // Closes the connection and joins its receive thread: no callback runs
  // after the destructor has returned. The global move profile survives.
  ~ServiceInterface();

  ServiceInterface(const ServiceInterface&) = delete;
  ServiceInterface& operator=(const ServiceInterface&) = delete;

  // ---- Record initialisers (no controller access) ----
  static void initPosDataType(kavi_robot_namespace::Pos& postion);
  static void initOriDataType(kavi_robot_namespace::Ori& ori);
  static void initMoveRelativeDataType(kavi_robot_namespace::MoveRelative& moveRelative);
  // Joints 0 and the flange pose of the zero joint vector for the current model.
  static void initWayPointDataType(kavi_robot_namespace::wayPoint_S& wayPoint);
  static void initToolInEndDescDataType(kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);
  static void initCoordCalibrateByJointAngleAndToolDataType(
      kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coord);
  static void initToolInertiaDataType(kavi_robot_namespace::ToolInertia& toolInertia);
  static void initToolDynamicsParamDataType(kavi_robot_namespace::ToolDynamicsParam& toolDynamicsParam);

  // ---- Login and connection ----
  int robotServiceLogin(const char* host, int port, const char* userName, const char* possword);
  // Also returns the arm model and DH lengths the controller reported.
  int robotServiceLogin(const char* host, int port, const char* userName, const char* possword,
                        kavi_robot_namespace::RobotType& robotType,
                        kavi_robot_namespace::RobotDhPara& robotDhPara);
  void robotServiceGetConnectStatus(bool& connectStatus);
  int robotServiceLogout();
  int robotServiceRobotHandShake(bool isBlock);

  // ---- Real-time pushes and callbacks ----
  int robotServiceSetRealTimeJointStatusPush(bool enable);
  int robotServiceSetRealTimeRoadPointPush(bool enable);
  int robotServiceSetRealTimeEndSpeedPush(bool enable);
  // Each switches the controller's push of that kind on (callback given) or
  // off (null) and stores the callback; always ErrnoSucc.
  int robotServiceRegisterRealTimeJointStatusCallback(
      kavi_robot_namespace::RealTimeJointStatusCallback ptr, void* arg);
  int robotServiceRegisterRealTimeRoadPointCallback(
      kavi_robot_namespace::RealTimeRoadPointCallback ptr, void* arg);
  int robotServiceRegisterRealTimeEndSpeedCallback(
      kavi_robot_namespace::RealTimeEndSpeedCallback ptr, void* arg);
  // Events are always pushed; nothing is sent.
  int robotServiceRegisterRobotEventInfoCallback(kavi_robot_namespace::RobotEventCallback ptr,
                                                 void* arg);

  // ---- Lifecycle, status and configuration (control service) ----
  int rootServiceRobotControl(kavi_robot_namespace::RobotControlCommand cmd);
  int robotServicePowerControl(bool value);
  int robotServiceReleaseBrake();
  int robotServiceRobotShutdown(bool IsBolck);
  int getDynIdentifyResultsService(std::vector<int>& paramVector);
  int robotServiceGetRobotWorkMode(kavi_robot_namespace::RobotWorkMode& mode);
  int robotServiceSetRobotWorkMode(kavi_robot_namespace::RobotWorkMode mode);
  int robotServiceGetRobotGravityComponent(
      kavi_robot_namespace::RobotGravityComponent& gravityComponent);
  int robotServiceSetRobotCollisionClass(int grade);
  int robotServiceGetRobotDevInfoService(kavi_robot_namespace::RobotDevInfo& devInfo);
  int robotServiceCollisionRecover();
  int robotServiceGetRobotCurrentState(kavi_robot_namespace::RobotState& state);
  int robotServiceGetIsRealRobotExist(bool& value);
  int robotServiceGetJoint6Rotate360EnableFlag(bool& value);
  int robotServiceGetRobotJointStatus(kavi_robot_namespace::JointStatus* jointStatus, int size);
  int robotServiceGetRobotDiagnosisInfo(kavi_robot_namespace::RobotDiagnosis& robotDiagnosisInfo);
  int robotServiceGetJointAngleInfo(kavi_robot_namespace::JointParam& jointParam);
  int robotServiceSetRobotAtOriginPose();
  int robotServiceSetRobotOrpePause(kavi_robot_namespace::uint8 data);
  int robotServiceSetRobotOrpeStop(kavi_robot_namespace::uint8 data);
  int robotServiceSetRobotOrpeError(kavi_robot_namespace::uint8* data, int len);
  int robotServiceClearSystemEmergencyStop(kavi_robot_namespace::uint8 data);
  int robotServiceClearReducedModeError(kavi_robot_namespace::uint8 data);
  int robotServiceRobotSafetyguardResetSucc(kavi_robot_namespace::uint8 data);
  int robotServiceGetRobotSafetyConfig(kavi_robot_namespace::RobotSafetyConfig& safetyConfig);
  int robotServiceGetOrpeSafetyStatus(kavi_robot_namespace::OrpeSafetyStatus& safetyStatus);
  int robotServiceUpdateRobotBoardFirmware(kavi_robot_namespace::update_board_firmware_cmd cmd,
                                           const void* data, kavi_robot_namespace::uint16 length);
  int robotServiceGetBoardFirmwareUpdateResultService(bool& value);
  int robotServiceGetRobotEthernetDeviceName(std::string& ethernetDeviceName);
  int robotServiceSetRobotJointOffset(kavi_robot_namespace::RobotJointOffset& jointOffset);

  // Current joint angles and their flange pose; on failure the waypoint is
  // left as it was.
  int robotServiceGetCurrentWaypointInfo(kavi_robot_namespace::wayPoint_S& wayPoint);
  std::string getErrDescByCode(kavi_robot_namespace::RobotErrorCode code);
  // Accepted for compatibility; does nothing.
  int robotServiceSetRobotMaxACC(int maxAcc);
  // Always reports true; asks nothing of the controller.
  int robotServiceGetMacCommunicationStatus(bool& value);

  // ---- Tool dynamics and start-up ----
  // Sends position and payload (as float); the inertia is not sent.
  int robotServiceSetToolDynamicsParam(const kavi_robot_namespace::ToolDynamicsParam& toolDynamicsParam);
  int robotServiceSetNoneToolDynamicsParam();
  // Position and payload as the controller holds them; the inertia is 0.
  int robotServiceGetToolDynamicsParam(kavi_robot_namespace::ToolDynamicsParam& toolDynamicsParam);
  // Powers the arm up; blocking waits up to 60 s for the start-up result.
  int rootServiceRobotStartup(const kavi_robot_namespace::ToolDynamicsParam& toolDynamicsParam,
                              kavi_robot_namespace::uint8 collisionClass, bool readPose,
                              bool staticCollisionDetect, int boardBaxAcc,
                              kavi_robot_namespace::ROBOT_SERVICE_STATE& result, bool IsBolck);

  // ---- Global move profile (process-wide, shared by every facade) ----
  int robotServiceInitGlobalMoveProfile();
  int robotServiceSetGlobalMoveJointMaxAcc(const kavi_robot_namespace::JointVelcAccParam& moveMaxAcc);
  int robotServiceSetGlobalMoveJointMaxVelc(const kavi_robot_namespace::JointVelcAccParam& moveMaxVelc);
  void robotServiceGetGlobalMoveJointMaxAcc(kavi_robot_namespace::JointVelcAccParam& moveMaxAcc);
  void robotServiceGetGlobalMoveJointMaxVelc(kavi_robot_namespace::JointVelcAccParam& moveMaxVelc);
  int robotServiceSetGlobalMoveEndMaxLineAcc(double moveMaxAcc);
  int robotServiceSetGlobalMoveEndMaxLineVelc(double moveMaxVelc);
  void robotServiceGetGlobalMoveEndMaxLineAcc(double& moveMaxAcc);
  void robotServiceGetGlobalMoveEndMaxLineVelc(double& moveMaxVelc);
  int robotServiceSetGlobalMoveEndMaxAngleAcc(double moveMaxAcc);
  int robotServiceSetGlobalMoveEndMaxAngleVelc(double moveMaxVelc);
  void robotServiceGetGlobalMoveEndMaxAngleAcc(double& moveMaxAcc);
  void robotServiceGetGlobalMoveEndMaxAngleVelc(double& moveMaxVelc);
  void robotServiceClearGlobalWayPointVector();
  int robotServiceAddGlobalWayPoint(const kavi_robot_namespace::wayPoint_S& wayPoint);
  // The waypoint of the six joint angles, by forward kinematics.
  int robotServiceAddGlobalWayPoint(const double* jointAngle);
  void robotServiceGetGlobalWayPointVector(std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector);
  float robotServiceGetGlobalBlendRadius();
  int robotServiceSetGlobalBlendRadius(float value);
  double robotServiceGetTrackPlaybackCycle();
  int robotServiceSetTrackPlaybackCycle(double second);
  int robotServiceGetGlobalCircularLoopTimes();
  void robotServiceSetGlobalCircularLoopTimes(int times);
  int robotServiceSetMoveRelativeParam(const kavi_robot_namespace::MoveRelative& relativeMoveOnBase);
  int robotServiceSetMoveRelativeParam(
      const kavi_robot_namespace::MoveRelative& relativeMoveOnUserCoord,
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord);
  int robotServiceSetNoArrivalAhead();
  int robotServiceSetArrivalAheadDistanceMode(double distance);
  int robotServiceSetArrivalAheadTimeMode(double second);
  int robotServiceSetArrivalAheadBlendDistanceMode(double distance);
  int robotServiceSetTeachCoordinateSystem(
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem);
  int robotServiceSetToolKinematicsParam(
      const kavi_robot_namespace::ToolKinematicsParam& toolKinematicsParam);
  int robotServiceSetNoneToolKinematicsParam();
  int robotServiceGetToolKinematicsParam(kavi_robot_namespace::ToolKinematicsParam& toolKinematicsParam);

  // ---- Motion ----
  // A blocking move returns when the arm has arrived (0), when the controller
  // reports an abnormal stop or the connection is lost
  // (ErrCode_MotionInterruptedByEvent), or at once when the request fails.
  // One blocking move at a time per facade.
  int robotServiceJointMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
  int robotServiceJointMove(double* jointAngle, bool IsBolck);
  int robotServiceFollowModeJointMove(double* jointAngle);
  // The Cartesian part of wayPoint is recomputed from its joints (and written
  // back) before it is sent.
  int robotServiceLineMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
  int robotServiceLineMove(double* jointAngle, bool IsBolck);
  int robotServiceRotateMove(const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
                             const double* rotateAxisOnUserCoord, double rotateAngle, bool IsBolck);
  // Through the global waypoint list (at least 3 waypoints).
  int robotServiceTrackMove(kavi_robot_namespace::move_track subMoveMode, bool IsBolck);
  int robotServiceTeachStart(kavi_robot_namespace::teach_mode mode, bool direction);
  int robotServiceTeachStop();
  int rootServiceRobotMoveControl(kavi_robot_namespace::RobotMoveControlCommand cmd);
  int robotMoveFastStop();

  // ---- Kinematics and coordinates (local computation, no controller) ----
  int robotServiceRobotFk(const double* jointAngle, int size, kavi_robot_namespace::wayPoint_S& wayPoint);
  int robotServiceRobotIk(const double* startPointJointAngle, const kavi_robot_namespace::Pos& position,
                          const kavi_robot_namespace::Ori& ori, kavi_robot_namespace::wayPoint_S& wayPoint);
  int robotServiceToolCalibration(const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointPosVector,
                                  char poseCalibMethod, kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);
  int robotServiceToolCalibration(
      const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointPosCalibVector,
      const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointOriCalibVector,
      kavi_robot_namespace::ToolKinematicsOriCalibrateMathod poseCalibMethod,
      kavi_robot_namespace::ToolInEndDesc& toolInEndDesc);
  int robotServiceCheckUserCoordinate(
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem);
  int robotServiceUserCoordinateCalibration(
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem, double* bInWPos,
      double* bInWOri, double* wInBPos);
  int robotServiceOriMatrixToQuaternion(double* eerot, kavi_robot_namespace::Ori& result);
  static int baseToUserCoordinate(const kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                  const kavi_robot_namespace::Ori& flangeCenterOrientationOnBase,
                                  const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
                                  const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                  kavi_robot_namespace::Pos& toolEndPositionOnUserCoord,
                                  kavi_robot_namespace::Ori& toolEndOrientationOnUserCoord);
  static int userToBaseCoordinate(const kavi_robot_namespace::Pos& toolEndPositionOnUserCoord,
                                  const kavi_robot_namespace::Ori& toolEndOrientationOnUserCoord,
                                  const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
                                  const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                  kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                  kavi_robot_namespace::Ori& flangeCenterOrientationOnBase);
  static int userCoordPointToBasePoint(
      const kavi_robot_namespace::Pos& userCoordPoint,
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
      kavi_robot_namespace::Pos& basePoint);
  static int endOrientation2ToolOrientation(kavi_robot_namespace::Ori& tcpOriInEnd,
                                            const kavi_robot_namespace::Ori& endOri,
                                            kavi_robot_namespace::Ori& toolOri);
  static int toolOrientation2EndOrientation(kavi_robot_namespace::Ori& tcpOriInEnd,
                                            const kavi_robot_namespace::Ori& toolOri,
                                            kavi_robot_namespace::Ori& endOri);
  int quaternionToRPY(const kavi_robot_namespace::Ori& ori, kavi_robot_namespace::Rpy& rpy);
  int RPYToQuaternion(const kavi_robot_namespace::Rpy& rpy, kavi_robot_namespace::Ori& ori);
  // Tool-end pose in the base frame of a flange pose and a tool.
  static int baseToBaseAdditionalTool(const kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                      const kavi_robot_namespace::Ori& flangeCenterOrientationOnBase,
                                      const kavi_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                      kavi_robot_namespace::Pos& toolEndPositionOnBase,
                                      kavi_robot_namespace::Ori& toolEndOrientationOnBase);

 private:
  // Receivers registered with the control service; arg is the facade.
  static void recvRealTimeJointStatusPushCallback(const kavi_robot_namespace::JointStatus* jointStatus,
                                                  int size, void* arg);
  static void recvRealTimeWaypointPushCallback(const kavi_robot_namespace::wayPoint_S* waypoint,
                                               void* arg);
  static void recvRealTimeEndSpeedPushCallback(double speed, void* arg);
  static void recvRobotEventPushCallback(const kavi_robot_namespace::RobotEventInfo* info, void* arg);

  RobotControlServices* m_robotBaseService;
  RobotIoService* m_robotIoService;
  RobotMoveService* m_robotMoveService;
  RobotConveyorTrack* m_robotConveyorTrack;

  void* m_realTimeJointStatusCallbackArg;
  kavi_robot_namespace::RealTimeJointStatusCallback m_realTimeJointStatusCallback;
  std::mutex m_realTimeJointStatusCallbackChangeMutex;

  void* m_realTimeRoadPointCallbackArg;
  kavi_robot_namespace::RealTimeRoadPointCallback m_realTimeRoadPointCallback;
  std::mutex m_realTimeRoadPointCallbackChangeMutex;

  void* m_robotEventCallbackArg;
  kavi_robot_namespace::RobotEventCallback m_robotEventCallback;
  std::mutex m_robotEventCallbackChangeMutex;

  void* m_robotEndSpeedCallbackArg;
  kavi_robot_namespace::RealTimeEndSpeedCallback m_robotEndSpeedCallback;
  std::mutex m_robotEndSpeedCallbackChangeMutex;
};

#endif
