// The message codec: builds request texts from the library's records and takes
// response texts apart into records, one pair of static functions per command.
//
// Encoders (getRequest_*) return true and hand over a new char[] of *size
// bytes in *ptr, owned by the caller; on failure *ptr is null, *size is 0 and
// one diagnostic line goes to standard error. Decoders (resolveResponse_*)
// return true when the text parsed as the expected message (and, where stated,
// carried the data asked for); errorCode then holds the controller's code. A
// decoder never reads outside [buffer, buffer + size) and rejects a null
// buffer with a positive size and a negative size.
#ifndef RSKAVI_PROTO_ENCODE_DECODE_H
#define RSKAVI_PROTO_ENCODE_DECODE_H

#include <cstdint>
#include <string>
#include <vector>

#include "CommunicationMateType.h"
#include "RobotMetaType.h"

// Generated message classes used in the converters' signatures; the
// generated headers stay inside the codec's sources.
namespace kavi {
namespace robot {
namespace common {
class ProtoRoadPoint;
class RobotMoveProfile;
class RobotMove;
class cartesianOri_U;
class joint_cart_U;
class ProtoJointStatus;
class ProtoJointAngle;
class ToolDynamicsParam;
class ProtoRobotSafetyConfig;
class ProtoOrpeSafetyStatus;
class RobotJointOffset;
}  // namespace common
namespace communication {
class ProtoCommunicationGeneralData;
class ProtoCommunicationRobotEvent;
class RobotDiagnosis;
class DaxRobotDevInfo;
class TcpParam;
class RobotTcpParam;
class RobotGravityComponent;
class ProtoRobotDiagnosisIODesc;
class ProtoRobotAnalogIODesc;
class toolAllIOStatus;
}  // namespace communication
}  // namespace robot
}  // namespace kavi

class ProtoEncodeDecode {
 public:
  using ProtoGeneralData = kavi::robot::communication::ProtoCommunicationGeneralData;

  // ---- Common response, login, move-function result ----

  // ProtoRobotCommonResponse -> code and text; the record is untouched on failure.
  static bool resolveResponse_commonFormat(const char* buffer, int size,
                                           CommunicationCommonResultResponse& response);
  static bool getRequest_login(char** ptr, int* size, const std::string& name,
                               const std::string& passwd);
  // Model and DH lengths are written only when the controller's code is 0.
  static bool resolveResponse_DhParam(const char* buffer, int size,
                                      kavi_robot_namespace::RobotType& robotType,
                                      kavi_robot_namespace::RobotDhPara& dhPara, int& errorCode);
  // The result is written only when the controller's code is 0.
  static bool resolveResponse_moveControlResule(
      const char* buffer, int size, kavi_robot_namespace::call_robot_motion_func_result& result,
      int& errorCode);

  // ---- General data (type 1, a list of ints and a list of bools) ----

  static void makeProtoCommunicationGeneralData(ProtoGeneralData& message,
                                                const std::vector<int>& intValues,
                                                const std::vector<bool>& boolValues);
  static bool ProtoCommunicationGeneralDataMessageSerialize(const ProtoGeneralData& message,
                                                            char** ptr, int* size);
  static bool ProtoCommunicationGeneralDataMessageParse(const char* buffer, int size,
                                                        ProtoGeneralData& message);
  // Replaces both lists; errorCode = the first errorInfo's code when there is one.
  static void resolveProtoCommunicationGeneralData(const ProtoGeneralData& message,
                                                   std::vector<int>& intValues,
                                                   std::vector<bool>& boolValues,
                                                   int& errorCode);

  static bool getRequest_robotControl(char** ptr, int* size,
                                      kavi_robot_namespace::RobotControlCommand cmd);
  static bool getRequest_setRobotPowerStatus(char** ptr, int* size, bool on);
  static bool getRequest_setRobotWorkMode(char** ptr, int* size,
                                          kavi_robot_namespace::RobotWorkMode mode);
  static bool getRequest_setRobotCollision(char** ptr, int* size, int grade);
  static bool getRequest_setRobotBoardMaxAcc(char** ptr, int* size, int maxAcc);
  static bool getRequest_robotMoveControl(char** ptr, int* size,
                                          kavi_robot_namespace::RobotMoveControlCommand cmd);

  // One-value responses: false when the list read is empty.
  // End speed [m/s] = property1[0] / 1000 (the controller sends thousandths).
  static bool resolveResponse_robotEndSpeed(const char* buffer, int size, double& endSpeed);
  static bool resolveResponse_robotWorkMode(const char* buffer, int size,
                                            kavi_robot_namespace::RobotWorkMode& mode,
                                            int& errorCode);
  static bool resolveResponse_robotState(const char* buffer, int size,
                                         kavi_robot_namespace::RobotState& state, int& errorCode);
  // flag = property2[0]: real arm present, sixth-joint full turn, firmware update result.
  static bool resolveResponse_isRealRobotExist(const char* buffer, int size, bool& flag,
                                               int& errorCode);

  // ---- Number lists ----

  static bool getRequest_intTypeValueVector(char** ptr, int* size, const std::vector<int>& values);
  static bool getRequest_doubleTypeValueVector(char** ptr, int* size,
                                               const std::vector<double>& values);
  static bool resolveResponse_intTypeValueVector(const char* buffer, int size,
                                                 std::vector<int>& values, int& errorCode);
  static bool resolveResponse_doubleTypeValueVector(const char* buffer, int size,
                                                    std::vector<double>& values, int& errorCode);

  // ---- Events ----

  static void robotEventTypeConversion(const kavi::robot::communication::ProtoCommunicationRobotEvent& source,
                                       kavi_robot_namespace::RobotEventInfo& target);
  static void robotEventTypeConversion(const kavi_robot_namespace::RobotEventInfo& source,
                                       kavi::robot::communication::ProtoCommunicationRobotEvent& target);
  // Serialises into the caller's buffer; *size is its capacity on entry and the
  // length written on success. A too-small buffer gives false and leaves *size.
  static bool getResponse_Event(char* ptr, int* size, const kavi_robot_namespace::RobotEventInfo& event);
  static bool resolveResponse_robotEvent(const char* buffer, int size,
                                         kavi_robot_namespace::RobotEventInfo& event);

  // ---- Motion ----

  // Fails (as an encoding failure) when moveMode, subMoveMode or teachMode is
  // not a value of the wire enums (subMoveMode only 0..9 travels).
  static bool getRequest_robotMove(char** ptr, int* size, const RobotMoveProfile& moveProfile,
                                   const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector);
  // Three calibration waypoints by forward kinematics, one method, one tool.
  static bool getRequest_robotTeachMove(
      char** ptr, int* size, const RobotMoveProfile& moveProfile,
      const kavi_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem);
  static bool getRequest_startupOfflineExcitTraj(char** ptr, int* size, const std::string& name,
                                                 int type, int subtype);
  static bool getRequest_setToolKinematicsParam(char** ptr, int* size,
                                                const kavi_robot_namespace::ToolInEndDesc& tool);
  static bool getRequest_ConveyorTrackValuePoint(char** ptr, int* size,
                                                 const kavi_robot_namespace::Pos& pos,
                                                 const kavi_robot_namespace::Ori& ori, int timestamp);

  static void roadPointTypeConversion(const kavi_robot_namespace::wayPoint_S& source,
                                      kavi::robot::common::ProtoRoadPoint& target);
  static bool KaviRobotMoveProfileType2ProtoType(const RobotMoveProfile& source,
                                                 kavi::robot::common::RobotMoveProfile& target);
  static bool RobotMovePatamTypeConversion(
      const RobotMoveProfile& moveProfile,
      const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector,
      kavi::robot::common::RobotMove& target);
  static void cartesianOriUTypeConversion(const cartesian_Ori_U& source,
                                          kavi::robot::common::cartesianOri_U& target);
  static void jointCartUTypeConversion(const joint_cart_U& source,
                                       kavi::robot::common::joint_cart_U& target);

  // ---- Status, diagnosis, tool, safety, device ----

  // Copies the first min(entries, len) statuses; the rest of the array stays.
  static bool resolveResponse_jointStatus(const char* buffer, int size,
                                          kavi_robot_namespace::JointStatus* jointStatus, int len,
                                          int& errorCode);
  // Writes the angles; true only when the message carries an errorInfo entry.
  static bool resolveResponse_jointAngle(const char* buffer, int size,
                                         kavi_robot_namespace::JointParam& jointParam,
                                         int& errorCode);
  static bool resolveResponse_robotDiagnosisInfo(const char* buffer, int size,
                                                 kavi_robot_namespace::RobotDiagnosis& diagnosis,
                                                 int& errorCode);
  static bool resolveResponse_devInfo(const char* buffer, int size,
                                      kavi_robot_namespace::RobotDevInfo& devInfo, int& errorCode);
  static bool getRequest_tcpParam(char** ptr, int* size, const RobotTcpParam& tcpParam);
  static bool resolveResponse_tcpParam(const char* buffer, int size, RobotTcpParam& tcpParam,
                                       int& errorCode);
  static bool getRequest_setToolDynamicsParam(char** ptr, int* size,
                                              const kavi_robot_namespace::ToolDynamicsParam& param);
  static bool resolveResponse_getToolDynamicsParam(const char* buffer, int size,
                                                   kavi_robot_namespace::ToolDynamicsParam& param,
                                                   int& errorCode);
  static bool resolveResponse_gravityComponent(
      const char* buffer, int size, kavi_robot_namespace::RobotGravityComponent& gravity,
      int& errorCode);
  // Sets only CollisionClass; JointCollisionCurrent stays as the caller had it.
  static bool resolveResponse_collisionCurrent(const char* buffer, int size,
                                               RobotCollisionCurrent& collisionCurrent,
                                               int& errorCode);
  static bool getRequest_robotStartup(char** ptr, int* size, const RobotTcpParam& tcpParam,
                                      uint8_t collisionClass, bool readPose,
                                      bool staticCollisionDetect, int maxAcc);
  static bool getRequest_setSafetyConfig(char** ptr, int* size,
                                         const kavi_robot_namespace::RobotSafetyConfig& config);
  static bool resolveResponse_safetyConfig(const char* buffer, int size,
                                           kavi_robot_namespace::RobotSafetyConfig& config,
                                           int& errorCode);
  static bool resolveResponse_safetyStatus(const char* buffer, int size,
                                           kavi_robot_namespace::OrpeSafetyStatus& status,
                                           int& errorCode);
  static bool getRequest_safeIoParamAbout(char** ptr, int* size, const std::vector<int>& params);
  static bool getRequest_robotRobotJointOffsetData(
      char** ptr, int* size, const kavi_robot_namespace::RobotJointOffset& jointOffset);
  // Fails for a negative length or a null content with a positive length.
  static bool getRequest_firmwareUpgrade(char** ptr, int* size, int cmd,
                                         const void* firmwareContent, int length);
  static bool resolveResponse_getDynIdentifyResults(const char* buffer, int size,
                                                    std::vector<int>& params, int& errorCode);
  static bool resolveResponse_ethernetDeviceName(const char* buffer, int size, std::string& name,
                                                 int& errorCode);

  // Converters of the status records, both directions; record <- message
  // narrows every value to the record's width.
  static void jointStatusTypeConversion(const kavi::robot::common::ProtoJointStatus& source,
                                        kavi_robot_namespace::JointStatus& target);
  static void jointStatusTypeConversion(const kavi_robot_namespace::JointStatus& source,
                                        kavi::robot::common::ProtoJointStatus& target);
  static void jointAngleTypeConversion(const kavi::robot::common::ProtoJointAngle& source,
                                       kavi_robot_namespace::JointParam& target);
  static void jointAngleTypeConversion(const kavi_robot_namespace::JointParam& source,
                                       kavi::robot::common::ProtoJointAngle& target);
  static void robotDiagnosisTypeConversion(const kavi::robot::communication::RobotDiagnosis& source,
                                           kavi_robot_namespace::RobotDiagnosis& target);
  static void robotDiagnosisTypeConversion(const kavi_robot_namespace::RobotDiagnosis& source,
                                           kavi::robot::communication::RobotDiagnosis& target);
  // Clears the record, then copies each text cut to its width.
  static void robotDevInfoTypeConversion(const kavi::robot::communication::DaxRobotDevInfo& source,
                                         kavi_robot_namespace::RobotDevInfo& target);
  static void robotDevInfoTypeConversion(const kavi_robot_namespace::RobotDevInfo& source,
                                         kavi::robot::communication::DaxRobotDevInfo& target);
  static void tcpParamTypeConversion(const kavi::robot::communication::TcpParam& source,
                                     TcpParam& target);
  static void tcpParamTypeConversion(const TcpParam& source,
                                     kavi::robot::communication::TcpParam& target);
  static void robotTcpParamTypeConversion(const kavi::robot::communication::RobotTcpParam& source,
                                          RobotTcpParam& target);
  static void robotTcpParamTypeConversion(const RobotTcpParam& source,
                                          kavi::robot::communication::RobotTcpParam& target);
  static void toolDynamicsParamTypeConversion(const kavi::robot::common::ToolDynamicsParam& source,
                                              kavi_robot_namespace::ToolDynamicsParam& target);
  static void toolDynamicsParamTypeConversion(const kavi_robot_namespace::ToolDynamicsParam& source,
                                              kavi::robot::common::ToolDynamicsParam& target);
  static void gravityComponentTypeConversion(
      const kavi::robot::communication::RobotGravityComponent& source,
      kavi_robot_namespace::RobotGravityComponent& target);
  static void gravityComponentTypeConversion(
      const kavi_robot_namespace::RobotGravityComponent& source,
      kavi::robot::communication::RobotGravityComponent& target);
  // At most six joint speeds are taken; missing ones stay as they were.
  static void safetyConfigTypeConversion(const kavi::robot::common::ProtoRobotSafetyConfig& source,
                                         kavi_robot_namespace::RobotSafetyConfig& target);
  static void safetyConfigTypeConversion(const kavi_robot_namespace::RobotSafetyConfig& source,
                                         kavi::robot::common::ProtoRobotSafetyConfig& target);
  // At most 16 orpeError values are taken.
  static void orpeSafetyStatusTypeConversion(const kavi::robot::common::ProtoOrpeSafetyStatus& source,
                                             kavi_robot_namespace::OrpeSafetyStatus& target);
  static void orpeSafetyStatusTypeConversion(const kavi_robot_namespace::OrpeSafetyStatus& source,
                                             kavi::robot::common::ProtoOrpeSafetyStatus& target);

  // ---- IO ----

  static bool getRequest_robotDiagnosisIOData(
      char** ptr, int* size, const std::vector<kavi_robot_namespace::RobotDiagnosisIODesc>& ioDesc);
  static bool getRequest_robotAnalogIOData(
      char** ptr, int* size, const std::vector<kavi_robot_namespace::RobotAnalogIODesc>& ioDesc);
  // The list is cleared first, also when the text does not parse.
  static bool resolveResponse_robotDiagnosisIOData(
      const char* buffer, int size, std::vector<kavi_robot_namespace::RobotDiagnosisIODesc>& ioDesc,
      int& errorCode);
  static bool resolveResponse_robotAnalogIOData(
      const char* buffer, int size, std::vector<kavi_robot_namespace::RobotAnalogIODesc>& ioDesc,
      int& errorCode);
  // At most 4 digital entries and 2 analog values; entries beyond the
  // message's lists keep their earlier values.
  static bool resolveResponse_robotToolIoStatus(const char* buffer, int size,
                                                kavi_robot_namespace::RobotToolAllIOStatus& status,
                                                int& errorCode);

  static void RobotDiagnosisIODescTypeConversion(const kavi_robot_namespace::RobotDiagnosisIODesc& source,
                                                 kavi::robot::communication::ProtoRobotDiagnosisIODesc& target);
  static void RobotDiagnosisIODescTypeConversion(const kavi::robot::communication::ProtoRobotDiagnosisIODesc& source,
                                                 kavi_robot_namespace::RobotDiagnosisIODesc& target);
  static void RobotAnalogIODescTypeConversion(const kavi_robot_namespace::RobotAnalogIODesc& source,
                                              kavi::robot::communication::ProtoRobotAnalogIODesc& target);
  static void RobotAnalogIODescTypeConversion(const kavi::robot::communication::ProtoRobotAnalogIODesc& source,
                                              kavi_robot_namespace::RobotAnalogIODesc& target);
  static void robotToolAllIOStatusTypeConversion(const kavi::robot::communication::toolAllIOStatus& source,
                                                 kavi_robot_namespace::RobotToolAllIOStatus& target);
  static void robotToolAllIOStatusTypeConversion(const kavi_robot_namespace::RobotToolAllIOStatus& source,
                                                 kavi::robot::communication::toolAllIOStatus& target);
};

#endif
