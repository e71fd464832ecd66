// Robot events pushed by the controller and the four callback types through
// which events and real-time data reach the application (called on the
// connection's receive thread; the records live only for the call).
#ifndef RSKAVI_ROBOT_EVENT_TYPES_H
#define RSKAVI_ROBOT_EVENT_TYPES_H

#include <string>

#include "RobotGeometryTypes.h"
#include "RobotStatusTypes.h"

namespace kavi_robot_namespace {

// The event type travels as a plain int32, so values outside this list pass
// through unchanged; the fixed underlying type makes every int32 valid.
enum RobotEventType : int {
  RobotEvent_armCanbusError = 0,
  RobotEvent_remoteHalt = 1,
  RobotEvent_remoteEmergencyStop = 2,
  RobotEvent_jointError = 3,
  RobotEvent_forceControl = 4,
  RobotEvent_exitForceControl = 5,
  RobotEvent_softEmergency = 6,
  RobotEvent_exitSoftEmergency = 7,
  RobotEvent_collision = 8,
  RobotEvent_collisionStatusChanged = 9,
  RobotEvent_tcpParametersSucc = 10,
  RobotEvent_powerChanged = 11,
  RobotEvent_ArmPowerOff = 12,
  RobotEvent_mountingPoseChanged = 13,
  RobotEvent_encoderError = 14,
  RobotEvent_encoderLinesError = 15,
  RobotEvent_singularityOverspeed = 16,
  RobotEvent_currentAlarm = 17,
  RobotEvent_toolioError = 18,
  RobotEvent_robotStartupPhase = 19,
  RobotEvent_robotStartupDoneResult = 20,
  RobotEvent_robotShutdownDone = 21,
  RobotEvent_atTrackTargetPos = 22,
  RobotSetPowerOnDone = 23,
  RobotReleaseBrakeDone = 24,
  RobotEvent_robotControllerStateChaned = 25,
  RobotEvent_robotControllerError = 26,
  RobotEvent_socketDisconnected = 27,
  RobotEvent_robotControlException = 28,
  RobotEvent_trackPlayInterrupte = 29,
  RobotEvent_staticCollisionStatusChanged = 30,
  RobotEvent_MountingPoseWarning = 31,
  RobotEvent_MacDataInterruptWarning = 32,
  RobotEvent_ToolIoError = 33,
  RobotEvent_InterfacBoardSafeIoEvent = 34,
  RobotEvent_RobotHandShakeSucc = 35,
  RobotEvent_RobotHandShakeFailed = 36,
  RobotEvent_RobotErrorInfoNotify = 37,
  RobotEvent_InterfacBoardDIChanged = 38,
  RobotEvent_InterfacBoardDOChanged = 39,
  RobotEvent_InterfacBoardAIChanged = 40,
  RobotEvent_InterfacBoardAOChanged = 41,
  RobotEvent_UpdateJoint6Rot360Flag = 42,
  RobotEvent_RobotMoveControlDone = 43,
  RobotEvent_RobotMoveControlStopDone = 44,
  RobotEvent_RobotMoveControlPauseDone = 45,
  RobotEvent_RobotMoveControlContinueDone = 46,
  RobotEvent_RobotSwitchToOnlineMaster = 47,
  RobotEvent_RobotSwitchToOnlineSlave = 48,
  RobotEvent_ConveyorTrackRobotStartup = 49,
  RobotEvent_ConveyorTrackRobotCatchup = 50,
  RobotEvent_exceptEvent = 100,
  robot_event_unknown = 101,
  RobotEvent_User = 1000,
  RobotEvent_MaxUser = 65535
};

struct RobotEventInfo {
  RobotEventType eventType;
  int eventCode;
  std::string eventContent;
};

typedef void (*RobotEventCallback)(const RobotEventInfo* event, void* arg);
typedef void (*RealTimeEndSpeedCallback)(double speed, void* arg);  // [m/s]
// jointStatus: an array of `size` records (always 6).
typedef void (*RealTimeJointStatusCallback)(const JointStatus* jointStatus, int size, void* arg);
typedef void (*RealTimeRoadPointCallback)(const wayPoint_S* wayPoint, void* arg);

static_assert(sizeof(RobotEventType) == sizeof(int), "RobotEventType is int-sized");

}  // namespace kavi_robot_namespace

#endif
