// Login, logout and the arm lifecycle of the control service: handshake,
// start-up and shutdown with their completion events, power, brake, robot
// control, collision recovery and the move-control commands.
#include <mutex>

#include "ProtoEncodeDecode.h"
#include "RobotControlServices.h"
#include "RobotTraceLog.h"
#include "RobotUtilService.h"

using namespace kavi_robot_namespace;
using kavi_robot_logtrace::W_DEBUG;
using kavi_robot_logtrace::W_ERROR;
using kavi_robot_logtrace::W_FATAL;
using kavi_robot_logtrace::W_INFO;

namespace {

// One arm model per process: the first successful login installs its DH
// lengths; the mutex makes "install and mark" one step across contexts.
std::mutex S_setDhParamMutex;
bool S_setDhParam = false;

}  // namespace

bool RobotControlServices::isDhParamInstalled() {
  std::lock_guard<std::mutex> lock(S_setDhParamMutex);
  return S_setDhParam;
}

int RobotControlServices::loginService(const char* host, int port, const std::string& userName,
                                       const std::string& possword, RobotType& robotType,
                                       RobotDhPara& robotDhPara) {
  if (host == nullptr) {
    W_ERROR("sdk log: Login service server address is NULL.");
    return ErrCode_ParamError;
  }
  char* text = nullptr;
  int textLength = 0;
  if (!ProtoEncodeDecode::getRequest_login(&text, &textLength, userName, possword)) {
    W_ERROR("sdk log: Make login protobuf content failed.");
    return ErrCode_CreateRequestFailed;
  }
  // An open connection stays as it is: its address is not overwritten either.
  if (getCurrentConnectStatus()) {
    delete[] text;
    W_ERROR("sdk log: Login service connect server failed.");
    return ErrCode_ConnectSocketFailed;
  }
  setServerIP(host);
  setServerPort(port);
  if (connectRobotServer() != ErrnoSucc) {
    delete[] text;
    W_ERROR("sdk log: Login service connect server failed.");
    return ErrCode_ConnectSocketFailed;
  }
  W_INFO("sdk log: Connect robot server success.");

  CommunicationResponse response;
  int ret = requestServiceGetResponseContentMode(CommunicationType_Login, text, textLength, response);
  if (ret == ErrnoSucc) {
    int errorCode = 0;
    if (!ProtoEncodeDecode::resolveResponse_DhParam(response.m_textPtr, response.m_textLength,
                                                    robotType, robotDhPara, errorCode)) {
      W_ERROR("sdk log: resolveResponse_DhParam  error.");
      ret = ErrCode_ResolveResponseFailed;
    } else if (errorCode == 0) {
      std::lock_guard<std::mutex> lock(S_setDhParamMutex);
      if (!S_setDhParam) {
        RobotUtilService::setRobotDhParam(robotType, robotDhPara);
        S_setDhParam = true;
        W_INFO("sdk log: set dhparam success. type:%d, DhParam:%f,%f,%f,%f,%f,%f",
               static_cast<int>(robotType), robotDhPara.A3, robotDhPara.A4, robotDhPara.D1,
               robotDhPara.D2, robotDhPara.D5, robotDhPara.D6);
      }
      W_INFO("sdk log: login  success.");
    } else {
      // A refused login is not a success; the connection stays for logout.
      ret = getErrCodeByServerResponse(errorCode);
      W_ERROR("sdk log: Login refused by the robot server. errorCode:%d", errorCode);
    }
  }
  response.destroy();

  if (ret == ErrnoSucc) {
    bool joint6Rot360Enable = false;
    if (getJoint6Rotate360EnableFlag(joint6Rot360Enable) != ErrnoSucc) {
      W_FATAL("sdk log: login completed, get joint6 retate 360 falg failed.");
    } else {
      RobotUtilService::setJoint6Rot360(joint6Rot360Enable);
      W_INFO("sdk log: login completed, set joint6 retate 360 falg success. joint6Rot360Enable=%d",
             joint6Rot360Enable ? 1 : 0);
    }
  }
  return ret;
}

int RobotControlServices::logoutService() {
  disconnectRobotServer();
  // No disconnect event comes when we close the connection ourselves.
  wakeAllWaitsOnConnectionLoss();
  return ErrnoSucc;
}

int RobotControlServices::getJoint6Rotate360EnableFlag(bool& joint6Rot360Enable) {
  CommunicationResponse response;
  int ret = requestServiceGetResponseContentMode(CommunicationType_getEnableJoint6Rot360Flag,
                                                 nullptr, 0, response);
  if (ret != ErrnoSucc) return ret;
  int errorCode = 0;
  if (!ProtoEncodeDecode::resolveResponse_isRealRobotExist(response.m_textPtr, response.m_textLength,
                                                           joint6Rot360Enable, errorCode)) {
    W_ERROR("sdk log: Resolve getEnableJoint6Rot360Flag response failed.");
    return ErrCode_CreateRequestFailed;
  }
  return getErrCodeByServerResponse(errorCode);
}

int RobotControlServices::robotHandShakeService(bool isBlock) {
  if (!isBlock) return requestNoText(CommunicationType_RobotHandShake);

  const Clock::time_point deadline = Clock::now() + kHandShakeTimeout;
  uint64_t startSeq;
  {
    std::lock_guard<std::mutex> lock(m_robotHandShakeFinishMutex);
    startSeq = m_robotHandShakeFinishSeq;
  }
  const uint64_t lossCount = m_connectionLossCount.load();
  int ret = requestNoText(CommunicationType_RobotHandShake);
  if (ret != ErrnoSucc) return ret;

  switch (waitForEvent(m_robotHandShakeFinishMutex, m_robotHandShakeFinishConditon,
                       m_robotHandShakeFinishSeq, startSeq, lossCount, deadline)) {
    case EventWaitEnd::Signalled: {
      std::lock_guard<std::mutex> lock(m_robotHandShakeFinishMutex);
      return m_robotHandShakeSuccFlag ? ErrnoSucc : ErrCode_ResponseReturnError;
    }
    case EventWaitEnd::ConnectionLost:
      W_ERROR("sdk log: Wait handShake signal ended, connection lost.");
      return ErrCode_SocketDisconnect;
    case EventWaitEnd::Timeout:
    default:
      W_ERROR("sdk log: Wait handShake signal timeout.");
      return ErrCode_MotionRelatedVariableError;
  }
}

int RobotControlServices::robotStartupService(const RobotTcpParam& tcpParam, uint8_t collisionClass,
                                              bool readPose, bool staticCollisionDetect,
                                              int maxAcc, ROBOT_SERVICE_STATE& result,
                                              bool IsBolck) {
  char* text = nullptr;
  int textLength = 0;
  if (!ProtoEncodeDecode::getRequest_robotStartup(&text, &textLength, tcpParam, collisionClass,
                                                  readPose, staticCollisionDetect, maxAcc)) {
    W_ERROR("sdk log: Make robotStartup protobuf content failed.");
    return ErrCode_CreateRequestFailed;
  }
  if (!IsBolck) {
    return requestServiceOnlyCheckSendResultMode(CommunicationType_RobotStartup, text, textLength);
  }

  const Clock::time_point deadline = Clock::now() + kStartupTimeout;
  uint64_t startSeq;
  {
    std::lock_guard<std::mutex> lock(m_startupDoneMutex);
    startSeq = m_startupDoneSeq;
  }
  const uint64_t lossCount = m_connectionLossCount.load();
  int ret = requestServiceOnlyCheckSendResultMode(CommunicationType_RobotStartup, text, textLength);
  if (ret != ErrnoSucc) return ret;

  switch (waitForEvent(m_startupDoneMutex, m_startupDoneConditon, m_startupDoneSeq, startSeq,
                       lossCount, deadline)) {
    case EventWaitEnd::Signalled: {
      std::lock_guard<std::mutex> lock(m_startupDoneMutex);
      result = m_robotStartupDoneResult;
      return ErrnoSucc;
    }
    case EventWaitEnd::ConnectionLost:
      W_ERROR("sdk log: Wait StartupDone signal ended, connection lost.");
      return ErrCode_SocketDisconnect;
    case EventWaitEnd::Timeout:
    default:
      W_ERROR("sdk log: Wait StartupDone signal timeout.");
      return ErrCode_RequestRelatedVariableError;
  }
}

int RobotControlServices::robotShutdownService(bool IsBolck) {
  if (!IsBolck) return requestNoText(CommunicationType_RobotShutdown);

  const Clock::time_point deadline = Clock::now() + kShutdownTimeout;
  uint64_t startSeq;
  {
    std::lock_guard<std::mutex> lock(m_shutDownDoneMutex);
    startSeq = m_shutDownDoneSeq;
  }
  const uint64_t lossCount = m_connectionLossCount.load();
  int ret = requestNoText(CommunicationType_RobotShutdown);
  if (ret != ErrnoSucc) return ret;

  switch (waitForEvent(m_shutDownDoneMutex, m_shutDownDoneConditon, m_shutDownDoneSeq, startSeq,
                       lossCount, deadline)) {
    case EventWaitEnd::Signalled:
      return ErrnoSucc;
    case EventWaitEnd::ConnectionLost:
      W_ERROR("sdk log: Wait shutDown Done signal ended, connection lost.");
      return ErrCode_SocketDisconnect;
    case EventWaitEnd::Timeout:
    default:
      W_ERROR("sdk log: Wait shutDown Done signal timeout.");
      return ErrCode_Failed;
  }
}

int RobotControlServices::robotControlService(RobotControlCommand cmd) {
  char* text = nullptr;
  int textLength = 0;
  if (!ProtoEncodeDecode::getRequest_robotControl(&text, &textLength, cmd)) {
    W_ERROR("sdk log: Make RobotCmd_robotControl protobuf content failed.");
    return ErrCode_CreateRequestFailed;
  }
  return requestServiceOnlyCheckSendResultMode(CommunicationType_RobotControl, text, textLength);
}

int RobotControlServices::armPowerControlService(bool value) {
  char* text = nullptr;
  int textLength = 0;
  if (!ProtoEncodeDecode::getRequest_setRobotPowerStatus(&text, &textLength, value)) {
    W_ERROR("sdk log: Make armPowerControl request failed.");
    return ErrCode_CreateRequestFailed;
  }
  return requestServiceOnlyCheckSendResultMode(CommunicationType_SetRobotPowerStatus, text,
                                               textLength);
}

int RobotControlServices::rootReleaseBrake() {
  return requestNoText(CommunicationType_SetRobotReleaseBrake);
}

int RobotControlServices::collisionRecover() {
  return requestNoText(CommunicationType_CollisionRecover);
}

int RobotControlServices::robotMoveControlService(CommunicationCommandType cmdType) {
  std::mutex* mutex;
  std::condition_variable* cond;
  const uint64_t* seq;
  int refusedCode;
  switch (cmdType) {
    case CommunicationType_RobotMoveControlType_SlowStop:
      mutex = &m_robotMoveControlStopMutex;
      cond = &m_robotMoveControlStopConditon;
      seq = &m_robotMoveControlStopSeq;
      refusedCode = ErrCode_moveControlSlowStopFailed;
      break;
    case CommunicationType_RobotMoveControlType_FastStop:
      mutex = &m_robotMoveControlStopMutex;
      cond = &m_robotMoveControlStopConditon;
      seq = &m_robotMoveControlStopSeq;
      refusedCode = ErrCode_moveControlFastStopFailed;
      break;
    case CommunicationType_RobotMoveControlType_Pause:
      mutex = &m_robotMoveControlPauseMutex;
      cond = &m_robotMoveControlPauseConditon;
      seq = &m_robotMoveControlPauseSeq;
      refusedCode = ErrCode_moveControlPauseFailed;
      break;
    case CommunicationType_RobotMoveControlType_Continue:
      mutex = &m_robotMoveControlContinueMutex;
      cond = &m_robotMoveControlContinueConditon;
      seq = &m_robotMoveControlContinueSeq;
      refusedCode = ErrCode_moveControlContinueFailed;
      break;
    default:
      W_ERROR("sdk log: Move control command type %d not supported.", static_cast<int>(cmdType));
      return ErrCode_ParamError;
  }

  // One move-control command at a time.
  std::lock_guard<std::mutex> moveControlLock(m_robotMoveControlMutex);
  uint64_t startSeq;
  {
    std::lock_guard<std::mutex> lock(*mutex);
    startSeq = *seq;
  }
  const uint64_t lossCount = m_connectionLossCount.load();

  CommunicationResponse response;
  int ret = requestServiceGetResponseContentMode(cmdType, nullptr, 0, response);
  if (ret != ErrnoSucc) return ret;

  call_robot_motion_func_result answer = call_robot_motion_func_failed;
  int errorCode = 0;
  if (!ProtoEncodeDecode::resolveResponse_moveControlResule(response.m_textPtr,
                                                            response.m_textLength, answer,
                                                            errorCode)) {
    W_ERROR("sdk log: Resolve devInfo moveControlResule failed.");
    return ErrCode_ResolveResponseFailed;
  }
  response.destroy();
  switch (answer) {
    case call_robot_motion_func_succ_wait_done:
      W_DEBUG("sdk log: robot control wait done...");
      if (waitForEvent(*mutex, *cond, *seq, startSeq, lossCount, Clock::time_point::max()) !=
          EventWaitEnd::Signalled) {
        W_ERROR("sdk log: Wait move control done signal ended, connection lost.");
        return ErrCode_SocketDisconnect;
      }
      return ErrnoSucc;
    case call_robot_motion_func_succ_nowait:
      return ErrnoSucc;
    case call_robot_motion_func_failed:
      return refusedCode;
    default:
      return ErrCode_moveControlSlowStopFailed;
  }
}
