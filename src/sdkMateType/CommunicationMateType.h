// The wire layer's command catalogue: every frame's command type with its
// printable name, the controller's response codes, and the three records that
// carry a frame's content between the transport and the request engine.
#ifndef RSKAVI_COMMUNICATION_MATE_TYPE_H
#define RSKAVI_COMMUNICATION_MATE_TYPE_H

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

// Command types 0..86, in value order. Each has a printable description equal
// to its own name (used in log messages).
#define RSKAVI_DESCRIBED_COMMAND_TYPES(X)                         \
  /* 0-1 login and logout */                                      \
  X(CommunicationType_Login)                                      \
  X(CommunicationType_Logout)                                     \
  /* 2 pushed event */                                            \
  X(CommunicationType_Event)                                      \
  /* 3-6 joint status (3 is pushed) */                            \
  X(CommunicationType_RealTimeJointStatus)                        \
  X(CommunicationType_EnableRealTimeJointStatusPush)              \
  X(CommunicationType_DisableRealTimeJointStatusPush)             \
  X(CommunicationType_GetRobotJointStatus)                        \
  /* 7-10 joint angle (7 is pushed) */                            \
  X(CommunicationType_RealTimeRobotJointAngle)                    \
  X(CommunicationType_EnableRealTimeJointAnglePush)               \
  X(CommunicationType_DisableRealTimeJointAnglePush)              \
  X(CommunicationType_GetRobotJointAngle)                         \
  /* 11-13 end speed (11 is pushed) */                            \
  X(CommunicationType_RealTimeRobotEndSpeed)                      \
  X(CommunicationType_EnableRealTimeEndSpeedPush)                 \
  X(CommunicationType_DisableRealTimeEndSpeedPush)                \
  /* 14-15 diagnosis */                                           \
  X(CommunicationType_RealTimeRobotDiagnosis)                     \
  X(CommunicationType_GetRobotDiagnosis)                          \
  /* 16-21 arm lifecycle */                                       \
  X(CommunicationType_RobotStartup)                               \
  X(CommunicationType_RobotShutdown)                              \
  X(CommunicationType_RobotControl)                               \
  X(CommunicationType_CollisionRecover)                           \
  X(CommunicationType_SetRobotPowerStatus)                        \
  X(CommunicationType_SetRobotReleaseBrake)                       \
  /* 22-25 motion */                                              \
  X(CommunicationType_RobotMove)                                  \
  X(CommunicationType_RobotTeachMoveStart)                        \
  X(CommunicationType_RobotTeachMoveStop)                         \
  X(CommunicationType_RobotMoveControl)                           \
  /* 26-40 state, tool and arm parameters */                      \
  X(CommunicationType_GetRobotCurrentState)                       \
  X(CommunicationType_SetRobotTcpParam)                           \
  X(CommunicationType_GetRobotTcpParam)                           \
  X(CommunicationType_SetToolDynamicsParam)                       \
  X(CommunicationType_GetToolDynamicsParam)                       \
  X(CommunicationType_SetToolKinematicsParam)                     \
  X(CommunicationType_GetToolKinematicsParam)                     \
  X(CommunicationType_SetRobotMode)                               \
  X(CommunicationType_GetRobotMode)                               \
  X(CommunicationType_GetRobotGravityComponent)                   \
  X(CommunicationType_GetRobotCollisionCurrent)                   \
  X(CommunicationType_GetIsRealRobotExist)                        \
  X(CommunicationType_GetDeviceInfo)                              \
  X(CommunicationType_SetMaxAcc)                                  \
  X(CommunicationType_SetRobotCollisionGrade)                     \
  /* 41-51 interface-board IO */                                  \
  X(CommunicationType_GetInterfaceBoardAllDIData)                 \
  X(CommunicationType_GetInterfaceBoardAllDOData)                 \
  X(CommunicationType_GetInterfaceBoardAllAIData)                 \
  X(CommunicationType_GetInterfaceBoardAllAOData)                 \
  X(CommunicationType_GetInterfaceBoardAllData)                   \
  X(CommunicationType_GetInterfaceBoardOneDIStatus)               \
  X(CommunicationType_GetInterfaceBoardOneDOStatus)               \
  X(CommunicationType_GetInterfaceBoardOneAIStatus)               \
  X(CommunicationType_GetInterfaceBoardOneAOStatus)               \
  X(CommunicationType_SetInterfaceBoardOneDOStatus)               \
  X(CommunicationType_SetInterfaceBoardOneAOStatus)               \
  /* 52-59 tool power and tool IO */                              \
  X(CommunicationType_GetToolPowerVoltageType)                    \
  X(CommunicationType_SetToolPowerVoltageType)                    \
  X(CommunicationType_SetToolPowerTypeAndDigitalIOType)           \
  X(CommunicationType_SetToolDigitalIOType)                       \
  X(CommunicationType_GetToolPowerVoltage)                        \
  X(CommunicationType_GetToolAllDigitalIOStatus)                  \
  X(CommunicationType_GetToolAllAIStatus)                         \
  X(CommunicationType_SetToolDigitalIOStatus)                     \
  /* 60 origin pose */                                            \
  X(CommunicationType_SetRobotAtOriginPose)                       \
  /* 61-69 safety */                                              \
  X(CommunicationType_GetRobotSafetyConfig)                       \
  X(CommunicationType_SetRobotSafetyConfig)                       \
  X(CommunicationType_GetOrpeSafetyStatus)                        \
  X(CommunicationType_SafetyIoAbout_setRobotOrpePause)            \
  X(CommunicationType_SafetyIoAbout_setRobotOrpeStop)             \
  X(CommunicationType_SafetyIoAbout_setRobotOrpeError)            \
  X(CommunicationType_SafetyIoAbout_clearSystemEmergencyStop)     \
  X(CommunicationType_SafetyIoAbout_clearReducedModeError)        \
  X(CommunicationType_SafetyIoAbout_robotSafetyguardResetSucc)    \
  /* 70 system halt */                                            \
  X(CommunicationType_SystemHalt)                                 \
  /* 71-79 offline track, CAN-bus streaming, excitation */        \
  X(CommunicationType_OfflineTrackWaypointAppend)                 \
  X(CommunicationType_OfflineTrackWaypointClear)                  \
  X(CommunicationType_OfflineTrackMoveStartup)                    \
  X(CommunicationType_OfflineTrackMoveStop)                       \
  X(CommunicationType_EnterTcp2CanbusMode)                        \
  X(CommunicationType_LeaveTcp2CanbusMode)                        \
  X(CommunicationType_SetRobotPosData2Canbus)                     \
  X(CommunicationType_StartupOfflineExcitTraj)                    \
  X(CommunicationType_GetDynIdentifyResults)                      \
  /* 80 handshake */                                              \
  X(CommunicationType_RobotHandShake)                             \
  /* 81-86 tool IO, firmware, network, fast stop, joint offset */ \
  X(CommunicationType_GetToolAllIoStatus)                         \
  X(CommunicationType_UpdateRobotBoardFirmware)                   \
  X(CommunicationType_FirmwareUpdateResult)                       \
  X(CommunicationType_GetRobotEthernetDeviceName)                 \
  X(CommunicationType_RobotMoveFastStop)                          \
  X(CommunicationType_RobotSetJointOffset)

// Command types 87..109: real command types without a description entry.
#define RSKAVI_UNDESCRIBED_COMMAND_TYPES(X)                       \
  /* 87 joint-6 rotation flag */                                  \
  X(CommunicationType_getEnableJoint6Rot360Flag)                  \
  /* 88-92 move control */                                        \
  X(CommunicationType_RobotMoveControlType)                       \
  X(CommunicationType_RobotMoveControlType_SlowStop)              \
  X(CommunicationType_RobotMoveControlType_FastStop)              \
  X(CommunicationType_RobotMoveControlType_Pause)                 \
  X(CommunicationType_RobotMoveControlType_Continue)              \
  /* 93-108 conveyor tracking and camera calibration */           \
  X(CommunicationType_setConveyorEncoderReset)                    \
  X(CommunicationType_setConveyorStartup)                         \
  X(CommunicationType_setConveyorStop)                            \
  X(CommunicationType_setConveyorDir)                             \
  X(CommunicationType_setRobotCameraCalib)                        \
  X(CommunicationType_setConveyorVelc)                            \
  X(CommunicationType_setEncoderValPerMeter)                      \
  X(CommunicationType_setStartWindowUpstream)                     \
  X(CommunicationType_setStartWindowDownstream)                   \
  X(CommunicationType_setConveyorTrackDownstream)                 \
  X(CommunicationType_enableConveyorTrack)                        \
  X(CommunicationType_getConveyorEncoderVal)                      \
  X(CommunicationType_appendObject2ConveyorTrackQueue)            \
  X(CommunicationType_setRobotConveyorTrackMaxVelc)               \
  X(CommunicationType_setRobotConveyorTrackMaxAcc)                \
  X(CommunicationType_setRobotConveyorSystemDelay)                \
  /* 109 tool */                                                  \
  X(CommunicationType_setRobotTool)

#define RSKAVI_COMMAND_TYPE_ENUMERATOR(name) name,

// The value that goes into a frame's command-type field. Values are
// consecutive from 0. The enumerators live at namespace scope so callers can
// write CommunicationType_Login; the type is also reachable as
// CommunicationMateType::CommunicationCommandType and RobotCommandType.
enum CommunicationCommandType : int32_t {
  RSKAVI_DESCRIBED_COMMAND_TYPES(RSKAVI_COMMAND_TYPE_ENUMERATOR)
  RSKAVI_UNDESCRIBED_COMMAND_TYPES(RSKAVI_COMMAND_TYPE_ENUMERATOR)
  // Number of real command types; sizes every per-command table.
  CommunicationTypeCount,
  // Marks an empty record.
  CommunicationType_Unknown
};

#undef RSKAVI_COMMAND_TYPE_ENUMERATOR

static_assert(CommunicationType_Event == 2, "command type values are fixed by the wire");
static_assert(CommunicationType_SafetyIoAbout_setRobotOrpePause == 64, "wire value");
static_assert(CommunicationType_RobotHandShake == 80, "wire value");
static_assert(CommunicationType_RobotSetJointOffset == 86, "wire value");
static_assert(CommunicationType_getEnableJoint6Rot360Flag == 87, "wire value");
static_assert(CommunicationType_RobotMoveControlType_Continue == 92, "wire value");
static_assert(CommunicationType_setRobotTool == 109, "wire value");
static_assert(CommunicationTypeCount == 110, "wire value");
static_assert(CommunicationType_Unknown == 111, "wire value");

// Codes the controller puts into a response's errorCode field.
enum RobotControlServerErrorCode {
  RobotResponseCode_SUCC = 0,
  RobotResponseCode_RequestFormatError = 1,
  RobotResponseCode_ProcessRequesFailed = 2,
  RobotResponseCode_ConnectBreak = 3,
  RobotResponseCode_RealRobotNoExist = 4
};

// Printable names of the command types (process-wide single instance).
class CommunicationMateType {
 public:
  using CommunicationCommandType = ::CommunicationCommandType;

  // Created on first use (thread-safe); lives until the process ends.
  static CommunicationMateType* instance();

  // Clears the map and enters the descriptions of types 0..86.
  void initCommunicationCommandTypeDescMap();

  // The description of type, or "unknow" when it has none (87 and above, or a
  // value outside the enumeration).
  std::string getCommandDescByType(CommunicationCommandType type) const;

  CommunicationMateType(const CommunicationMateType&) = delete;
  CommunicationMateType& operator=(const CommunicationMateType&) = delete;

 private:
  CommunicationMateType();

  std::map<CommunicationCommandType, std::string> m_communicationCommandTypeDescMap;
};

using RobotCommandType = CommunicationMateType::CommunicationCommandType;

// What requests and responses share: a socket, an owned text (which must
// come from new char[]) and a command type.
class CommunicationTextRecord {
 public:
  CommunicationTextRecord(const CommunicationTextRecord&) = delete;
  CommunicationTextRecord& operator=(const CommunicationTextRecord&) = delete;

  // Socket -1, no text, length 0, type CommunicationType_Unknown.
  void init();
  // Stores the four values and takes ownership of textPtr. A text the record
  // still held is not released here: call destroy() first.
  void setProperty(int socketFd, CommunicationCommandType commandType, char* textPtr,
                   int textLength);
  // Releases the text (if any) and resets the fields; safe to repeat.
  void destroy();

  int m_socketFd;
  char* m_textPtr;
  int m_textLength;
  CommunicationCommandType m_commandType;

 protected:
  CommunicationTextRecord();
  ~CommunicationTextRecord();
};

// An outgoing request.
class CommunicationRequest : public CommunicationTextRecord {};

// A received response, or one per-command slot of the request engine (which
// alone uses the mutex and condition variable).
class CommunicationResponse : public CommunicationTextRecord {
 public:
  std::mutex m_mutex;
  std::condition_variable m_conditon;
};

// The decoded common part of a response.
struct CommunicationCommonResultResponse {
  int m_errorCode = 0;
  std::string m_errorMsg;
};

#endif
