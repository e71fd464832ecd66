// Status, configuration, safety, IO, firmware, excitation-trajectory and
// joint-offset commands of the control service: each is one request through
// the engine, with its encoder or decoder.
#include "ProtoEncodeDecode.h"
#include "RobotControlServices.h"
#include "RobotTraceLog.h"

using namespace kavi_robot_namespace;
using kavi_robot_logtrace::W_ERROR;

namespace {

// Encodes with encode(char**, int*) and sends a common-result request; an
// encoder failure logs failMessage and gives ErrCode_CreateRequestFailed.
template <typename Encode>
int encodeAndRequest(RobotControlServices& service, RobotCommandType type, Encode encode,
                     const char* failMessage) {
  char* text = nullptr;
  int textLength = 0;
  if (!encode(&text, &textLength)) {
    W_ERROR("%s", failMessage);
    return ErrCode_CreateRequestFailed;
  }
  return service.requestServiceOnlyCheckSendResultMode(type, text, textLength);
}

// IO addresses travel as one byte.
bool validIoAddr(int addr) {
  if (addr < 0 || addr > 255) {
    W_ERROR("sdk log: IO address %d out of range 0..255.", addr);
    return false;
  }
  return true;
}

}  // namespace

template <typename Resolve>
int RobotControlServices::requestAndResolve(RobotCommandType type, Resolve resolve, int failCode,
                                            const char* failMessage) {
  CommunicationResponse response;
  int ret = requestServiceGetResponseContentMode(type, nullptr, 0, response);
  if (ret != ErrnoSucc) return ret;
  int errorCode = 0;
  if (!resolve(response.m_textPtr, response.m_textLength, errorCode)) {
    W_ERROR("%s", failMessage);
    return failCode;
  }
  return getErrCodeByServerResponse(errorCode);
}

// ---------------------------------------------------------------------------
// Status and configuration
// ---------------------------------------------------------------------------

int RobotControlServices::getRobotJointStatus(JointStatus* jointStatus, int size) {
  if (jointStatus == nullptr || size <= 0) {
    W_ERROR("sdk log: getRobotJointStatus needs an array of at least one record.");
    return ErrCode_ParamError;
  }
  return requestAndResolve(
      CommunicationType_GetRobotJointStatus,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_jointStatus(buffer, length, jointStatus, size,
                                                              code);
      },
      ErrCode_ResolveResponseFailed, "sdk log: Resolve jointStatus response failed.");
}

int RobotControlServices::getCurrentJointAngle(JointParam& jointAngle) {
  return requestAndResolve(
      CommunicationType_GetRobotJointAngle,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_jointAngle(buffer, length, jointAngle, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve jointAngle response failed.");
}

int RobotControlServices::getRobotDiagnosisInfo(RobotDiagnosis& robotDiagnosisInfo) {
  return requestAndResolve(
      CommunicationType_GetRobotDiagnosis,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(buffer, length,
                                                                     robotDiagnosisInfo, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve DiagnosisInfo response failed.");
}

int RobotControlServices::getRobotCurrentStateService(RobotState& state) {
  return requestAndResolve(
      CommunicationType_GetRobotCurrentState,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_robotState(buffer, length, state, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve RobotCurrentState response failed.");
}

int RobotControlServices::setTcpParamService(const RobotTcpParam& tcpParam) {
  return encodeAndRequest(
      *this, CommunicationType_SetRobotTcpParam,
      [&](char** ptr, int* size) { return ProtoEncodeDecode::getRequest_tcpParam(ptr, size, tcpParam); },
      "sdk log: Make setTcpParam protobuf content failed.");
}

int RobotControlServices::getTcpParamService(RobotTcpParam& tcpParam) {
  return requestAndResolve(
      CommunicationType_GetRobotTcpParam,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_tcpParam(buffer, length, tcpParam, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve tcpParam response failed.");
}

int RobotControlServices::setToolDynamicsParamService(const ToolDynamicsParam& toolDynamicsParam) {
  return encodeAndRequest(
      *this, CommunicationType_SetToolDynamicsParam,
      [&](char** ptr, int* size) {
        return ProtoEncodeDecode::getRequest_setToolDynamicsParam(ptr, size, toolDynamicsParam);
      },
      "sdk log: Make RobotCmd_setToolDynamicsParam protobuf content failed.");
}

int RobotControlServices::getToolDynamicsParamService(ToolDynamicsParam& toolDynamicsParam) {
  return requestAndResolve(
      CommunicationType_GetToolDynamicsParam,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_getToolDynamicsParam(buffer, length,
                                                                       toolDynamicsParam, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve toolDynamicsParam response failed.");
}

int RobotControlServices::setRobotWorkModeService(RobotWorkMode mode) {
  return encodeAndRequest(
      *this, CommunicationType_SetRobotMode,
      [&](char** ptr, int* size) { return ProtoEncodeDecode::getRequest_setRobotWorkMode(ptr, size, mode); },
      "sdk log: Make RobotCmd_setRobotMode protobuf content failed.");
}

int RobotControlServices::getRobotWorkModeService(RobotWorkMode& mode) {
  return requestAndResolve(
      CommunicationType_GetRobotMode,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_robotWorkMode(buffer, length, mode, code);
      },
      ErrCode_ResolveResponseFailed, "sdk log: Resolve robotWorkMode response failed.");
}

int RobotControlServices::getRobotGravityComponent(RobotGravityComponent& gravityComponent) {
  return requestAndResolve(
      CommunicationType_GetRobotGravityComponent,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_gravityComponent(buffer, length, gravityComponent,
                                                                   code);
      },
      ErrCode_ResolveResponseFailed, "sdk log: Resolve gravityComponent response failed.");
}

int RobotControlServices::getRobotCollisionCurrentService(RobotCollisionCurrent& collisionCurrent) {
  return requestAndResolve(
      CommunicationType_GetRobotCollisionCurrent,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_collisionCurrent(buffer, length, collisionCurrent,
                                                                   code);
      },
      ErrCode_ResolveResponseFailed, "sdk log: Resolve devInfo RobotCollisionCurrent failed.");
}

int RobotControlServices::getIsRealRobotExist(bool& value) {
  return requestAndResolve(
      CommunicationType_GetIsRealRobotExist,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_isRealRobotExist(buffer, length, value, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve isRobotExist response failed.");
}

int RobotControlServices::getRobotDevInfoService(RobotDevInfo& devInfo) {
  return requestAndResolve(
      CommunicationType_GetDeviceInfo,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_devInfo(buffer, length, devInfo, code);
      },
      ErrCode_ResolveResponseFailed, "sdk log: Resolve devInfo response failed.");
}

int RobotControlServices::setRobotCollisionClassService(int grade) {
  return encodeAndRequest(
      *this, CommunicationType_SetRobotCollisionGrade,
      [&](char** ptr, int* size) { return ProtoEncodeDecode::getRequest_setRobotCollision(ptr, size, grade); },
      "sdk log: Make RobotCmd_setRobotCollisionGrade protobuf content failed.");
}

int RobotControlServices::setRobotAtOriginPoseService() {
  return requestNoText(CommunicationType_SetRobotAtOriginPose);
}

// ---------------------------------------------------------------------------
// Safety
// ---------------------------------------------------------------------------

int RobotControlServices::getRobotSafetyConfig(RobotSafetyConfig& safetyConfig) {
  return requestAndResolve(
      CommunicationType_GetRobotSafetyConfig,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_safetyConfig(buffer, length, safetyConfig, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve SafetyConfig response failed.");
}

int RobotControlServices::setRobotSafetyConfig(const RobotSafetyConfig& safetyConfig) {
  return encodeAndRequest(
      *this, CommunicationType_SetRobotSafetyConfig,
      [&](char** ptr, int* size) {
        return ProtoEncodeDecode::getRequest_setSafetyConfig(ptr, size, safetyConfig);
      },
      "sdk log: Make setRobotSafetyConfig protobuf content failed.");
}

int RobotControlServices::getOrpeSafetyStatus(OrpeSafetyStatus& safetyStatus) {
  return requestAndResolve(
      CommunicationType_GetOrpeSafetyStatus,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_safetyStatus(buffer, length, safetyStatus, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve SafetyStatus response failed.");
}

int RobotControlServices::safeIoAboutCommunication(RobotCommandType commandType,
                                                   const std::vector<int>& paramVeror) {
  return encodeAndRequest(
      *this, commandType,
      [&](char** ptr, int* size) {
        return ProtoEncodeDecode::getRequest_safeIoParamAbout(ptr, size, paramVeror);
      },
      "sdk log: Make safeIoAboutCommunication request failed.");
}

int RobotControlServices::setRobotOrpePause(uint8_t data) {
  return safeIoAboutCommunication(CommunicationType_SafetyIoAbout_setRobotOrpePause, {data});
}

int RobotControlServices::setRobotOrpeStop(uint8_t data) {
  return safeIoAboutCommunication(CommunicationType_SafetyIoAbout_setRobotOrpeStop, {data});
}

int RobotControlServices::setRobotOrpeError(const uint8_t* data, int len) {
  if (len < 0 || (data == nullptr && len > 0)) {
    W_ERROR("sdk log: setRobotOrpeError needs %d bytes of data.", len);
    return ErrCode_ParamError;
  }
  std::vector<int> params(data, data + len);
  return safeIoAboutCommunication(CommunicationType_SafetyIoAbout_setRobotOrpeError, params);
}

int RobotControlServices::clearSystemEmergencyStop(uint8_t data) {
  return safeIoAboutCommunication(CommunicationType_SafetyIoAbout_clearSystemEmergencyStop, {data});
}

int RobotControlServices::clearReducedModeError(uint8_t data) {
  return safeIoAboutCommunication(CommunicationType_SafetyIoAbout_clearReducedModeError, {data});
}

int RobotControlServices::robotSafetyguardResetSucc(uint8_t data) {
  return safeIoAboutCommunication(CommunicationType_SafetyIoAbout_robotSafetyguardResetSucc, {data});
}

// ---------------------------------------------------------------------------
// Excitation trajectory, firmware, network, joint offsets
// ---------------------------------------------------------------------------

int RobotControlServices::startupOfflineExcitTrajService(const char* trackFile,
                                                         Robot_Dyn_identify_traj type, int subtype) {
  if (trackFile == nullptr) {
    W_ERROR("sdk log: startupOfflineExcitTraj track file is NULL.");
    return ErrCode_ParamError;
  }
  const std::string name(trackFile);
  return encodeAndRequest(
      *this, CommunicationType_StartupOfflineExcitTraj,
      [&](char** ptr, int* size) {
        return ProtoEncodeDecode::getRequest_startupOfflineExcitTraj(ptr, size, name, type, subtype);
      },
      "sdk log: Make getRequest_startupOfflineExcitTraj request failed.");
}

int RobotControlServices::getDynIdentifyResultsService(std::vector<int>& paramVector) {
  return requestAndResolve(
      CommunicationType_GetDynIdentifyResults,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_getDynIdentifyResults(buffer, length, paramVector,
                                                                        code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve DynIdentify response failed.");
}

int RobotControlServices::updateRobotBoardFirmwareService(update_board_firmware_cmd cmd,
                                                          const void* data, uint16_t length) {
  if (data == nullptr && length > 0) {
    W_ERROR("sdk log: updateRobotBoardFirmware data is NULL.");
    return ErrCode_ParamError;
  }
  return encodeAndRequest(
      *this, CommunicationType_UpdateRobotBoardFirmware,
      [&](char** ptr, int* size) {
        return ProtoEncodeDecode::getRequest_firmwareUpgrade(ptr, size, cmd, data, length);
      },
      "sdk log: Make RobotCmd_updateRobotBoardFirmware request failed.");
}

int RobotControlServices::getBoardFirmwareUpdateResultService(bool& value) {
  return requestAndResolve(
      CommunicationType_FirmwareUpdateResult,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_isRealRobotExist(buffer, length, value, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve BoardFirmwareUpdateResult response failed.");
}

int RobotControlServices::getRobotEthernetDeviceNameService(std::string& ethernetDeviceName) {
  return requestAndResolve(
      CommunicationType_GetRobotEthernetDeviceName,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_ethernetDeviceName(buffer, length,
                                                                     ethernetDeviceName, code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve EthernetDeviceName response failed.");
}

int RobotControlServices::setRobotJointOffsetService(RobotJointOffset& jointOffset) {
  return encodeAndRequest(
      *this, CommunicationType_RobotSetJointOffset,
      [&](char** ptr, int* size) {
        return ProtoEncodeDecode::getRequest_robotRobotJointOffsetData(ptr, size, jointOffset);
      },
      "sdk log: Make setRobotJointOffset protobuf content failed.");
}

// ---------------------------------------------------------------------------
// Interface-board and tool IO
// ---------------------------------------------------------------------------

int RobotControlServices::getDigitalIoList(RobotCommandType type,
                                           std::vector<RobotDiagnosisIODesc>& list,
                                           const char* failMessage) {
  list.clear();
  return requestAndResolve(
      type,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(buffer, length, list, code);
      },
      ErrCode_CreateRequestFailed, failMessage);
}

int RobotControlServices::getAnalogIoList(RobotCommandType type,
                                          std::vector<RobotAnalogIODesc>& list,
                                          const char* failMessage) {
  list.clear();
  return requestAndResolve(
      type,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_robotAnalogIOData(buffer, length, list, code);
      },
      ErrCode_CreateRequestFailed, failMessage);
}

int RobotControlServices::setDigitalIoList(RobotCommandType type,
                                           const std::vector<RobotDiagnosisIODesc>& list,
                                           const char* failMessage) {
  return encodeAndRequest(
      *this, type,
      [&](char** ptr, int* size) {
        return ProtoEncodeDecode::getRequest_robotDiagnosisIOData(ptr, size, list);
      },
      failMessage);
}

int RobotControlServices::getInterfaceBoardAllDIStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
  return getDigitalIoList(CommunicationType_GetInterfaceBoardAllDIData, statusVector,
                          "sdk log: Resolve BoardAllDIStatus response failed.");
}

int RobotControlServices::getInterfaceBoardAllDOStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
  return getDigitalIoList(CommunicationType_GetInterfaceBoardAllDOData, statusVector,
                          "sdk log: Resolve BoardAllDOStatus response failed.");
}

int RobotControlServices::getInterfaceBoardAllAIStatusService(
    std::vector<RobotAnalogIODesc>& statusVector) {
  return getAnalogIoList(CommunicationType_GetInterfaceBoardAllAIData, statusVector,
                         "sdk log: Resolve BoardAllAIStatus response failed.");
}

int RobotControlServices::getInterfaceBoardAllAOStatusService(
    std::vector<RobotAnalogIODesc>& statusVector) {
  return getAnalogIoList(CommunicationType_GetInterfaceBoardAllAOData, statusVector,
                         "sdk log: Send get BoardAllAOStatus and wait response failed.");
}

int RobotControlServices::getRobotDigitalIOStatusService(RobotCommandType commandType, int addr,
                                                         int& status) {
  if (!validIoAddr(addr)) return ErrCode_ParamError;
  const std::vector<RobotDiagnosisIODesc> request{
      RobotDiagnosisIODesc{static_cast<uint8_t>(addr), 0, 0}};
  char* text = nullptr;
  int textLength = 0;
  if (!ProtoEncodeDecode::getRequest_robotDiagnosisIOData(&text, &textLength, request)) {
    W_ERROR("sdk log: Make DiagnosisIO request failed.");
    return ErrCode_CreateRequestFailed;
  }
  CommunicationResponse response;
  int ret = requestServiceGetResponseContentMode(commandType, text, textLength, response);
  if (ret != ErrnoSucc) return ret;
  std::vector<RobotDiagnosisIODesc> list;
  int errorCode = 0;
  if (!ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(response.m_textPtr,
                                                               response.m_textLength, list,
                                                               errorCode)) {
    W_ERROR("sdk log: Resolve DiagnosisIO response failed.");
    return ErrCode_CreateRequestFailed;
  }
  ret = getErrCodeByServerResponse(errorCode);
  if (ret == ErrnoSucc && !list.empty()) status = list.front().value;
  return ret;
}

int RobotControlServices::getRobotAnalogIOStatusService(RobotCommandType commandType, int addr,
                                                        double& status) {
  if (!validIoAddr(addr)) return ErrCode_ParamError;
  const std::vector<RobotAnalogIODesc> request{
      RobotAnalogIODesc{static_cast<uint8_t>(addr), 0.0f, 0}};
  char* text = nullptr;
  int textLength = 0;
  if (!ProtoEncodeDecode::getRequest_robotAnalogIOData(&text, &textLength, request)) {
    W_ERROR("sdk log: Make AnalogIO request failed.");
    return ErrCode_CreateRequestFailed;
  }
  CommunicationResponse response;
  int ret = requestServiceGetResponseContentMode(commandType, text, textLength, response);
  if (ret != ErrnoSucc) return ret;
  std::vector<RobotAnalogIODesc> list;
  int errorCode = 0;
  if (!ProtoEncodeDecode::resolveResponse_robotAnalogIOData(response.m_textPtr,
                                                            response.m_textLength, list,
                                                            errorCode)) {
    W_ERROR("sdk log: Resolve AnalogIO response failed.");
    return ErrCode_CreateRequestFailed;
  }
  ret = getErrCodeByServerResponse(errorCode);
  if (ret == ErrnoSucc && !list.empty()) status = static_cast<double>(list.front().value);
  return ret;
}

int RobotControlServices::getInterfaceBoardDIStatusService(int addr, IO_STATUS& status) {
  int value = 0;
  const int ret =
      getRobotDigitalIOStatusService(CommunicationType_GetInterfaceBoardOneDIStatus, addr, value);
  status = static_cast<IO_STATUS>(value);
  return ret;
}

int RobotControlServices::getInterfaceBoardDOStatusService(int addr, IO_STATUS& status) {
  int value = 0;
  const int ret =
      getRobotDigitalIOStatusService(CommunicationType_GetInterfaceBoardOneDOStatus, addr, value);
  status = static_cast<IO_STATUS>(value);
  return ret;
}

int RobotControlServices::getInterfaceBoardAIStatusService(int addr, double& status) {
  double value = 0.0;
  const int ret =
      getRobotAnalogIOStatusService(CommunicationType_GetInterfaceBoardOneAIStatus, addr, value);
  status = value;
  return ret;
}

int RobotControlServices::getInterfaceBoardAOStatusService(int addr, double& status) {
  double value = 0.0;
  const int ret =
      getRobotAnalogIOStatusService(CommunicationType_GetInterfaceBoardOneAOStatus, addr, value);
  status = value;
  return ret;
}

int RobotControlServices::setInterfaceBoardDOStatusService(int addr, IO_STATUS status) {
  if (!validIoAddr(addr)) return ErrCode_ParamError;
  return setDigitalIoList(
      CommunicationType_SetInterfaceBoardOneDOStatus,
      {RobotDiagnosisIODesc{static_cast<uint8_t>(addr), static_cast<uint8_t>(status), 0}},
      "sdk log: Make RobotCmd_setInterfaceBoardOneDOStatus protobuf content failed.");
}

int RobotControlServices::setInterfaceBoardAOStatusService(int addr, double status) {
  if (!validIoAddr(addr)) return ErrCode_ParamError;
  const std::vector<RobotAnalogIODesc> list{
      RobotAnalogIODesc{static_cast<uint8_t>(addr), static_cast<float>(status), 0}};
  return encodeAndRequest(
      *this, CommunicationType_SetInterfaceBoardOneAOStatus,
      [&](char** ptr, int* size) { return ProtoEncodeDecode::getRequest_robotAnalogIOData(ptr, size, list); },
      "sdk log: Make setInterfaceBoardAOStatus protobuf content failed.");
}

int RobotControlServices::getToolPowerVoltageTypeService(ToolPowerType& type) {
  int value = 0;
  const int ret =
      getRobotDigitalIOStatusService(CommunicationType_GetToolPowerVoltageType, 0, value);
  type = static_cast<ToolPowerType>(value);
  return ret;
}

int RobotControlServices::setToolPowerVoltageTypeService(ToolPowerType value) {
  return setDigitalIoList(CommunicationType_SetToolPowerVoltageType,
                          {RobotDiagnosisIODesc{0, static_cast<uint8_t>(value), 0}},
                          "sdk log: Make RobotCmd_SetToolPowerVoltageType protobuf content failed.");
}

int RobotControlServices::setToolPowerTypeAndDigitalIOTypeService(ToolPowerType type,
                                                                  ToolIOType io0, ToolIOType io1,
                                                                  ToolIOType io2, ToolIOType io3) {
  auto desc = [](uint8_t addr, int value) {
    return RobotDiagnosisIODesc{addr, static_cast<uint8_t>(value), static_cast<uint8_t>(value)};
  };
  return setDigitalIoList(
      CommunicationType_SetToolPowerTypeAndDigitalIOType,
      {desc(0, type), desc(0, io0), desc(1, io1), desc(2, io2), desc(3, io3)},
      "sdk log: Make RobotCmd_SetToolPowerTypeAndDigitalIOType protobuf content failed.");
}

int RobotControlServices::setToolDigitalIOTypeService(ToolDigitalIOAddr addr, ToolIOType type) {
  // The direction goes in both value and type, as in the combined command.
  return setDigitalIoList(CommunicationType_SetToolDigitalIOType,
                          {RobotDiagnosisIODesc{static_cast<uint8_t>(addr),
                                                static_cast<uint8_t>(type),
                                                static_cast<uint8_t>(type)}},
                          "sdk log: Make RobotCmd_SetToolDigitalIOType protobuf content failed.");
}

int RobotControlServices::getToolPowerVoltageStatusService(double& status) {
  int value = 0;
  const int ret = getRobotDigitalIOStatusService(CommunicationType_GetToolPowerVoltage, 0, value);
  status = static_cast<double>(value);
  return ret;
}

int RobotControlServices::getToolAllDigitalIOStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
  return getDigitalIoList(CommunicationType_GetToolAllDigitalIOStatus, statusVector,
                          "sdk log: Resolve ToolAllDigitalIOStatus response failed.");
}

int RobotControlServices::getToolAllAIStatusService(std::vector<RobotAnalogIODesc>& statusVector) {
  return getAnalogIoList(CommunicationType_GetToolAllAIStatus, statusVector,
                         "sdk log: Resolve ToolAllAIStatus response failed.");
}

int RobotControlServices::setToolDigitalIOStatusService(ToolDigitalIOAddr addr, IO_STATUS value) {
  return setDigitalIoList(
      CommunicationType_SetToolDigitalIOStatus,
      {RobotDiagnosisIODesc{static_cast<uint8_t>(addr), static_cast<uint8_t>(value), 0}},
      "sdk log: Make RobotCmd_setToolDigitalIOStatus protobuf content failed.");
}

int RobotControlServices::getToolAllIOStatusService(RobotToolAllIOStatus& toolAllIOStatus) {
  return requestAndResolve(
      CommunicationType_GetToolAllIoStatus,
      [&](const char* buffer, int length, int& code) {
        return ProtoEncodeDecode::resolveResponse_robotToolIoStatus(buffer, length, toolAllIOStatus,
                                                                    code);
      },
      ErrCode_CreateRequestFailed, "sdk log: Resolve toolAllIOStatus response failed.");
}
