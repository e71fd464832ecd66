// Codec: interface-board IO lists and the tool IO status.
#include <algorithm>

#include "ProtoEncodeDecode.h"
#include "ProtoEncodeDecodeSupport.h"
#include "robotcommunication.pb.h"

namespace pm = kavi::robot::communication;
namespace kr = kavi_robot_namespace;
using proto_codec_support::parseText;
using proto_codec_support::serializeToNewBuffer;

void ProtoEncodeDecode::RobotDiagnosisIODescTypeConversion(const kr::RobotDiagnosisIODesc& source,
                                                           pm::ProtoRobotDiagnosisIODesc& target) {
  target.set_addr(source.addr);
  target.set_type(source.type);
  target.set_value(source.value);
}

void ProtoEncodeDecode::RobotDiagnosisIODescTypeConversion(const pm::ProtoRobotDiagnosisIODesc& source,
                                                           kr::RobotDiagnosisIODesc& target) {
  target.addr = static_cast<uint8_t>(source.addr());
  target.type = static_cast<uint8_t>(source.type());
  target.value = static_cast<uint8_t>(source.value());
}

void ProtoEncodeDecode::RobotAnalogIODescTypeConversion(const kr::RobotAnalogIODesc& source,
                                                        pm::ProtoRobotAnalogIODesc& target) {
  target.set_addr(source.addr);
  target.set_type(source.type);
  target.set_value(source.value);
}

void ProtoEncodeDecode::RobotAnalogIODescTypeConversion(const pm::ProtoRobotAnalogIODesc& source,
                                                        kr::RobotAnalogIODesc& target) {
  target.addr = static_cast<uint8_t>(source.addr());
  target.type = static_cast<uint8_t>(source.type());
  target.value = source.value();
}

void ProtoEncodeDecode::robotToolAllIOStatusTypeConversion(const pm::toolAllIOStatus& source,
                                                           kr::RobotToolAllIOStatus& target) {
  target.powerType = static_cast<kr::ToolPowerType>(source.powertype());
  target.systemVoltage = static_cast<float>(source.systemvoltage());
  target.systemTemperature = static_cast<float>(source.systemtemperature());
  target.errorStatus = static_cast<uint8_t>(source.errorstatus());
  const int digital = std::min(source.digitaliostatus_size(), 4);
  for (int i = 0; i < digital; ++i) {
    target.digitalIoStatus[i].ioType = static_cast<kr::ToolIOType>(source.digitaliostatus(i).iotype());
    target.digitalIoStatus[i].ioData = static_cast<uint8_t>(source.digitaliostatus(i).iodata());
  }
  const int analog = std::min(source.aidata_size(), 2);
  for (int i = 0; i < analog; ++i) {
    target.aiData[i] = static_cast<float>(source.aidata(i));
  }
}

void ProtoEncodeDecode::robotToolAllIOStatusTypeConversion(const kr::RobotToolAllIOStatus& source,
                                                           pm::toolAllIOStatus& target) {
  target.Clear();
  target.set_powertype(static_cast<uint32_t>(source.powerType));
  target.set_systemvoltage(source.systemVoltage);
  target.set_systemtemperature(source.systemTemperature);
  target.set_errorstatus(source.errorStatus);
  for (const kr::RobotToolDigitalIOStatus& io : source.digitalIoStatus) {
    pm::ToolDigitalStatus* entry = target.add_digitaliostatus();
    entry->set_iotype(static_cast<uint32_t>(io.ioType));
    entry->set_iodata(io.ioData);
  }
  for (float v : source.aiData) {
    target.add_aidata(v);
  }
}

bool ProtoEncodeDecode::getRequest_robotDiagnosisIOData(char** ptr, int* size,
                                                        const std::vector<kr::RobotDiagnosisIODesc>& ioDesc) {
  pm::ProtoCommunicationRobotDiagnosisIOData message;
  message.set_type(0);
  for (const kr::RobotDiagnosisIODesc& desc : ioDesc) {
    RobotDiagnosisIODescTypeConversion(desc, *message.add_iodesc());
  }
  return serializeToNewBuffer(message, ptr, size, "ERROR:getResponse_robotDiagnosisIOData Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_robotAnalogIOData(char** ptr, int* size,
                                                     const std::vector<kr::RobotAnalogIODesc>& ioDesc) {
  pm::ProtoCommunicationRobotAnalogIOData message;
  message.set_type(0);
  for (const kr::RobotAnalogIODesc& desc : ioDesc) {
    RobotAnalogIODescTypeConversion(desc, *message.add_iodesc());
  }
  return serializeToNewBuffer(message, ptr, size, "ERROR:getResponse_robotAnalogIOData Serialize fail.");
}

bool ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(const char* buffer, int size,
                                                             std::vector<kr::RobotDiagnosisIODesc>& ioDesc,
                                                             int& errorCode) {
  ioDesc.clear();
  pm::ProtoCommunicationRobotDiagnosisIOData message;
  if (!parseText(message, buffer, size, "ERROR:resolveRequest_robotDiagnosisIOData Parse fail.")) {
    return false;
  }
  ioDesc.resize(static_cast<std::size_t>(message.iodesc_size()));
  for (int i = 0; i < message.iodesc_size(); ++i) {
    RobotDiagnosisIODescTypeConversion(message.iodesc(i), ioDesc[static_cast<std::size_t>(i)]);
  }
  if (message.errorinfo_size() > 0) {
    errorCode = message.errorinfo(0).errorcode();
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_robotAnalogIOData(const char* buffer, int size,
                                                          std::vector<kr::RobotAnalogIODesc>& ioDesc,
                                                          int& errorCode) {
  ioDesc.clear();
  pm::ProtoCommunicationRobotAnalogIOData message;
  if (!parseText(message, buffer, size, "ERROR:resolveRequest_robotAnalogIOData Parse fail.")) {
    return false;
  }
  ioDesc.resize(static_cast<std::size_t>(message.iodesc_size()));
  for (int i = 0; i < message.iodesc_size(); ++i) {
    RobotAnalogIODescTypeConversion(message.iodesc(i), ioDesc[static_cast<std::size_t>(i)]);
  }
  if (message.errorinfo_size() > 0) {
    errorCode = message.errorinfo(0).errorcode();
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_robotToolIoStatus(const char* buffer, int size,
                                                          kr::RobotToolAllIOStatus& status, int& errorCode) {
  pm::ProtoCommunicationToolAllIOStatusInfoResponse message;
  if (!parseText(message, buffer, size, "ERROR:resolveResponse_robotToolIoStatus Parse fail.")) {
    return false;
  }
  robotToolAllIOStatusTypeConversion(message.tooliostatus(), status);
  errorCode = message.errorinfo().errorcode();
  return true;
}
