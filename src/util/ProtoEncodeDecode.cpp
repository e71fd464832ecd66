// Codec: common response, login, move-function result, general data, number
// lists and robot events.
#include "ProtoEncodeDecode.h"

#include <cstring>

#include "ProtoEncodeDecodeSupport.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "trace/RobotTraceLog.h"

namespace pc = kavi::robot::common;
namespace pm = kavi::robot::communication;
namespace kr = kavi_robot_namespace;
using proto_codec_support::parseText;
using proto_codec_support::serializeToNewBuffer;

bool ProtoEncodeDecode::resolveResponse_commonFormat(const char* buffer, int size,
                                                     CommunicationCommonResultResponse& response) {
  pm::ProtoRobotCommonResponse message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_commonFormat Parse fail.")) {
    return false;
  }
  response.m_errorCode = message.errorcode();
  response.m_errorMsg = message.errormsg();
  return true;
}

bool ProtoEncodeDecode::getRequest_login(char** ptr, int* size, const std::string& name,
                                         const std::string& passwd) {
  pm::ProtoRequestLogin message;
  message.set_username(name.data(), name.size());
  message.set_passwd(passwd.data(), passwd.size());
  return serializeToNewBuffer(message, ptr, size, "ERROR: getRequest_login Serialize fail.");
}

bool ProtoEncodeDecode::resolveResponse_DhParam(const char* buffer, int size, kr::RobotType& robotType,
                                                kr::RobotDhPara& dhPara, int& errorCode) {
  pc::ProtoResponseRobotDhParam message;
  if (!parseText(message, buffer, size, "resolveResponse_DhParam Parse fail.")) {
    return false;
  }
  errorCode = message.errorinfo().errorcode();
  if (errorCode == 0) {
    robotType = static_cast<kr::RobotType>(message.robottype());
    const pc::DhParam& dh = message.dhparam();
    dhPara.A3 = dh.a3();
    dhPara.A4 = dh.a4();
    dhPara.D1 = dh.d1();
    dhPara.D2 = dh.d2();
    dhPara.D5 = dh.d5();
    dhPara.D6 = dh.d6();
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_moveControlResule(const char* buffer, int size,
                                                          kr::call_robot_motion_func_result& result,
                                                          int& errorCode) {
  pc::ProtoRobotMoveFuncResult message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_moveControlResule Parse fail.")) {
    return false;
  }
  errorCode = message.errorinfo().errorcode();
  if (errorCode == 0) {
    result = static_cast<kr::call_robot_motion_func_result>(message.ret());
  }
  return true;
}

// ---- General data ----

void ProtoEncodeDecode::makeProtoCommunicationGeneralData(ProtoGeneralData& message,
                                                          const std::vector<int>& intValues,
                                                          const std::vector<bool>& boolValues) {
  message.Clear();
  message.set_type(1);
  for (int v : intValues) {
    message.add_property1(v);
  }
  for (bool v : boolValues) {
    message.add_property2(v);
  }
}

bool ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageSerialize(const ProtoGeneralData& message,
                                                                      char** ptr, int* size) {
  return serializeToNewBuffer(message, ptr, size,
                              "ERROR:ProtoCommunicationGeneralDataMessageSerialize Serialize fail.");
}

bool ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageParse(const char* buffer, int size,
                                                                  ProtoGeneralData& message) {
  return parseText(message, buffer, size, "ERROR: ProtoCommunicationGeneralDataMessageParse fail.");
}

void ProtoEncodeDecode::resolveProtoCommunicationGeneralData(const ProtoGeneralData& message,
                                                             std::vector<int>& intValues,
                                                             std::vector<bool>& boolValues,
                                                             int& errorCode) {
  intValues.assign(message.property1().begin(), message.property1().end());
  boolValues.assign(message.property2().begin(), message.property2().end());
  if (message.errorinfo_size() > 0) {
    errorCode = message.errorinfo(0).errorcode();
  }
}

namespace {

bool encodeGeneralData(char** ptr, int* size, const std::vector<int>& intValues,
                       const std::vector<bool>& boolValues) {
  pm::ProtoCommunicationGeneralData message;
  ProtoEncodeDecode::makeProtoCommunicationGeneralData(message, intValues, boolValues);
  return ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageSerialize(message, ptr, size);
}

// Parses a general-data text and takes it apart; false when it does not parse.
bool decodeGeneralData(const char* buffer, int size, std::vector<int>& intValues,
                       std::vector<bool>& boolValues, int& errorCode) {
  pm::ProtoCommunicationGeneralData message;
  if (!ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageParse(buffer, size, message)) {
    return false;
  }
  ProtoEncodeDecode::resolveProtoCommunicationGeneralData(message, intValues, boolValues, errorCode);
  return true;
}

}  // namespace

bool ProtoEncodeDecode::getRequest_robotControl(char** ptr, int* size, kr::RobotControlCommand cmd) {
  return encodeGeneralData(ptr, size, {static_cast<int>(cmd)}, {});
}

bool ProtoEncodeDecode::getRequest_setRobotPowerStatus(char** ptr, int* size, bool on) {
  return encodeGeneralData(ptr, size, {}, {on});
}

bool ProtoEncodeDecode::getRequest_setRobotWorkMode(char** ptr, int* size, kr::RobotWorkMode mode) {
  return encodeGeneralData(ptr, size, {static_cast<int>(mode)}, {});
}

bool ProtoEncodeDecode::getRequest_setRobotCollision(char** ptr, int* size, int grade) {
  return encodeGeneralData(ptr, size, {grade}, {});
}

bool ProtoEncodeDecode::getRequest_setRobotBoardMaxAcc(char** ptr, int* size, int maxAcc) {
  return encodeGeneralData(ptr, size, {maxAcc}, {});
}

bool ProtoEncodeDecode::getRequest_robotMoveControl(char** ptr, int* size,
                                                    kr::RobotMoveControlCommand cmd) {
  return encodeGeneralData(ptr, size, {static_cast<int>(cmd)}, {});
}

bool ProtoEncodeDecode::resolveResponse_robotEndSpeed(const char* buffer, int size, double& endSpeed) {
  std::vector<int> ints;
  std::vector<bool> bools;
  int unusedCode = 0;
  if (!decodeGeneralData(buffer, size, ints, bools, unusedCode) || ints.empty()) {
    return false;
  }
  endSpeed = ints[0] / 1000.0;
  return true;
}

bool ProtoEncodeDecode::resolveResponse_robotWorkMode(const char* buffer, int size,
                                                      kr::RobotWorkMode& mode, int& errorCode) {
  std::vector<int> ints;
  std::vector<bool> bools;
  if (!decodeGeneralData(buffer, size, ints, bools, errorCode) || ints.empty()) {
    return false;
  }
  mode = static_cast<kr::RobotWorkMode>(ints[0]);
  return true;
}

bool ProtoEncodeDecode::resolveResponse_robotState(const char* buffer, int size, kr::RobotState& state,
                                                   int& errorCode) {
  std::vector<int> ints;
  std::vector<bool> bools;
  if (!decodeGeneralData(buffer, size, ints, bools, errorCode) || ints.empty()) {
    return false;
  }
  state = static_cast<kr::RobotState>(ints[0]);
  return true;
}

bool ProtoEncodeDecode::resolveResponse_isRealRobotExist(const char* buffer, int size, bool& flag,
                                                         int& errorCode) {
  std::vector<int> ints;
  std::vector<bool> bools;
  if (!decodeGeneralData(buffer, size, ints, bools, errorCode) || bools.empty()) {
    return false;
  }
  flag = bools[0];
  return true;
}

// ---- Number lists ----

bool ProtoEncodeDecode::getRequest_intTypeValueVector(char** ptr, int* size,
                                                      const std::vector<int>& values) {
  pm::ProtoCommunicationIntVector message;
  message.set_num(static_cast<int>(values.size()));
  for (int v : values) {
    message.add_value(v);
  }
  return serializeToNewBuffer(message, ptr, size, "ERROR: getRequest_intTypeValueVector Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_doubleTypeValueVector(char** ptr, int* size,
                                                         const std::vector<double>& values) {
  pm::ProtoCommunicationDoubleVector message;
  message.set_num(static_cast<int>(values.size()));
  for (double v : values) {
    message.add_value(v);
  }
  return serializeToNewBuffer(message, ptr, size,
                              "ERROR: getRequest_doubleTypeValueVector Serialize fail.");
}

bool ProtoEncodeDecode::resolveResponse_intTypeValueVector(const char* buffer, int size,
                                                           std::vector<int>& values, int& errorCode) {
  pm::ProtoCommunicationIntVectorResponse message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_intTypeValueVector Parse fail.")) {
    return false;
  }
  values.assign(message.value().begin(), message.value().end());
  errorCode = message.errorinfo().errorcode();
  return true;
}

bool ProtoEncodeDecode::resolveResponse_doubleTypeValueVector(const char* buffer, int size,
                                                              std::vector<double>& values,
                                                              int& errorCode) {
  pm::ProtoCommunicationDoubleVectorResponse message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_doubleTypeValueVector Parse fail.")) {
    return false;
  }
  values.assign(message.value().begin(), message.value().end());
  errorCode = message.errorinfo().errorcode();
  return true;
}

// ---- Events ----

void ProtoEncodeDecode::robotEventTypeConversion(const pm::ProtoCommunicationRobotEvent& source,
                                                 kr::RobotEventInfo& target) {
  target.eventType = static_cast<kr::RobotEventType>(source.eventtype());
  target.eventCode = source.eventcode();
  target.eventContent = source.eventcontent();
}

void ProtoEncodeDecode::robotEventTypeConversion(const kr::RobotEventInfo& source,
                                                 pm::ProtoCommunicationRobotEvent& target) {
  target.set_eventtype(static_cast<int32_t>(source.eventType));
  target.set_eventcode(source.eventCode);
  target.set_eventcontent(source.eventContent);
}

bool ProtoEncodeDecode::getResponse_Event(char* ptr, int* size, const kr::RobotEventInfo& event) {
  if (ptr == nullptr || size == nullptr || *size < 0) {
    return false;
  }
  pm::ProtoCommunicationRobotEvent message;
  robotEventTypeConversion(event, message);
  const std::size_t length = message.ByteSizeLong();
  if (length > static_cast<std::size_t>(*size)) {
    return false;
  }
  if (!message.SerializeToArray(ptr, static_cast<int>(length))) {
    *size = 0;
    kavi_robot_logtrace::W_ERROR("getResponse_Event Serialize fail.");
    return false;
  }
  *size = static_cast<int>(length);
  return true;
}

bool ProtoEncodeDecode::resolveResponse_robotEvent(const char* buffer, int size,
                                                   kr::RobotEventInfo& event) {
  pm::ProtoCommunicationRobotEvent message;
  if (!parseText(message, buffer, size, "ERROR:resolveResponse_robotEvent Parse fail.")) {
    return false;
  }
  robotEventTypeConversion(message, event);
  return true;
}
