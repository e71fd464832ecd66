// The control service's request/response engine, the frame dispatch of the
// receive thread, the push handlers with the event reactions, the callback
// registration and the motion signalling.
#include "RobotControlServices.h"

#include <cstring>
#include <new>

#include "ErrorInfoService.h"
#include "ProtoEncodeDecode.h"
#include "RobotTraceLog.h"
#include "RobotUtilService.h"

using namespace kavi_robot_namespace;
using kavi_robot_logtrace::W_DEBUG;
using kavi_robot_logtrace::W_ERROR;
using kavi_robot_logtrace::W_INFO;

namespace {

// Frames of these types are pushed by the controller and never answer a request.
bool isPushType(int type) {
  return type == CommunicationType_Event || type == CommunicationType_RealTimeJointStatus ||
         type == CommunicationType_RealTimeRobotJointAngle ||
         type == CommunicationType_RealTimeRobotEndSpeed;
}

std::string commandDesc(int type) {
  return CommunicationMateType::instance()->getCommandDescByType(
      static_cast<CommunicationCommandType>(type));
}

}  // namespace

constexpr std::chrono::milliseconds RobotControlServices::kResponseTimeout;
constexpr std::chrono::seconds RobotControlServices::kHandShakeTimeout;
constexpr std::chrono::seconds RobotControlServices::kStartupTimeout;
constexpr std::chrono::seconds RobotControlServices::kShutdownTimeout;

RobotControlServices::RobotControlServices() : m_robotStartupDoneResult(ROBOT_SERVICE_READY) {}

RobotControlServices::~RobotControlServices() {
  // The receive thread must be gone before the slots and signals it uses.
  disconnectRobotServer();
}

// ---------------------------------------------------------------------------
// Engine
// ---------------------------------------------------------------------------

int RobotControlServices::sendRequestWaitResponse(const CommunicationRequest& requestInfo,
                                                  CommunicationResponse& responseInfo) {
  // Taken before any lock: waiting for the locks counts against the deadline.
  const Clock::time_point deadline = Clock::now() + kResponseTimeout;
  const int type = requestInfo.m_commandType;
  const uint64_t lossCount = m_connectionLossCount.load();

  if (!getCurrentConnectStatus()) {
    W_ERROR("sdk log: Current connect disconnect.");
    return ErrCode_SocketDisconnect;
  }
  if (type < 0 || type >= CommunicationTypeCount) {
    W_ERROR("sdk log: Request command type %d not exist.", type);
    return ErrCode_ParamError;
  }

  RequestLock& requestLock = m_robotCommandMutexSet[type];
  if (!requestLock.try_lock_until(deadline)) {
    // Earlier requests of this type held the lock past our whole deadline.
    W_ERROR("sdk log: Wait response timeout. cmd type: %s", commandDesc(type).c_str());
    return ErrCode_RequestTimeout;
  }
  // Released on every return below, after the slot mutex.
  struct Release {
    RequestLock& lock;
    ~Release() { lock.unlock(); }
  } release{requestLock};
  CommunicationResponse& slot = m_robotCommandResponseSet[type];
  std::unique_lock<std::mutex> slotLock(slot.m_mutex);

  // A late answer to an earlier request of this type is dropped here.
  slot.destroy();

  if (!encodeAndSendCommunicationPackage(requestInfo)) {
    W_ERROR("sdk log: encode and send request failed.");
    return ErrCode_SendRequestFailed;
  }
  if (type == CommunicationType_RobotMove) {
    W_INFO("sdk log: Sending robotMove request was successful, waiting for server response.");
  }

  // The slot mutex is held from before the send until the wait releases it, so
  // the answer cannot be stored and signalled before we wait.
  // A logout or a lost connection ends the wait at once: no answer can come.
  const bool ended = slot.m_conditon.wait_until(slotLock, deadline, [&] {
    return slot.m_commandType == type || connectionLostSince(lossCount);
  });
  if (ended && slot.m_commandType != type) {
    W_ERROR("sdk log: Connection lost while waiting for response. cmd type: %s", commandDesc(type).c_str());
    return ErrCode_SocketDisconnect;
  }
  if (!ended) {
    W_ERROR("sdk log: Wait response timeout. cmd type: %s", commandDesc(type).c_str());
    return ErrCode_RequestTimeout;
  }

  char* copy = nullptr;
  if (slot.m_textPtr != nullptr && slot.m_textLength > 0) {
    copy = new (std::nothrow) char[slot.m_textLength];
    if (copy == nullptr) {
      W_ERROR("sdk log: Copy response text failed. command:%d", type);
      return ErrCode_RequestRelatedVariableError;
    }
    std::memcpy(copy, slot.m_textPtr, slot.m_textLength);
  } else {
    W_ERROR("recv response text is NULL, command:%d", type);
  }
  responseInfo.destroy();
  responseInfo.setProperty(slot.m_socketFd, static_cast<CommunicationCommandType>(type), copy,
                           copy != nullptr ? slot.m_textLength : 0);
  if (type == CommunicationType_RobotMove) {
    W_INFO("sdk log: Successfully waited for a robotMove response from the server.");
  }
  return ErrnoSucc;
}

int RobotControlServices::requestServiceOnlyCheckSendResultMode(RobotCommandType robotCommandType,
                                                                void* protobufTextPtr,
                                                                int protobufTextLength) {
  CommunicationRequest request;
  request.setProperty(-1, robotCommandType, static_cast<char*>(protobufTextPtr),
                      protobufTextLength);
  CommunicationResponse response;
  response.setProperty(-1, robotCommandType, nullptr, 0);

  int ret = sendRequestWaitResponse(request, response);
  if (ret == ErrnoSucc) {
    if (response.m_textPtr != nullptr) {
      CommunicationCommonResultResponse common;
      common.m_errorCode = 0;
      if (!ProtoEncodeDecode::resolveResponse_commonFormat(response.m_textPtr,
                                                           response.m_textLength, common)) {
        // A garbled answer is not a success: the command's outcome is unknown.
        W_ERROR("sdk log: Resolve common response failed. cmd Type:%s",
                commandDesc(robotCommandType).c_str());
        ret = ErrCode_ResolveResponseFailed;
      } else {
        ret = getErrCodeByServerResponse(common.m_errorCode);
        if (ret != ErrnoSucc) {
          W_ERROR("sdk log: Response return false. cmd Type:%s  errorCode:%d",
                  commandDesc(robotCommandType).c_str(), ret);
        }
      }
    } else {
      W_ERROR("sdk log: robot server response text is NULL.");
      ret = ErrCode_ResponseInfoIsNULL;
    }
  }
  request.destroy();
  response.destroy();
  return ret;
}

int RobotControlServices::requestServiceGetResponseContentMode(RobotCommandType robotCommandType,
                                                               void* protobufTextPtr,
                                                               int protobufTextLength,
                                                               CommunicationResponse& robotResponse) {
  CommunicationRequest request;
  request.setProperty(-1, robotCommandType, static_cast<char*>(protobufTextPtr),
                      protobufTextLength);
  robotResponse.destroy();
  robotResponse.setProperty(-1, robotCommandType, nullptr, 0);

  int ret = sendRequestWaitResponse(request, robotResponse);
  if (ret == ErrnoSucc && robotResponse.m_textPtr == nullptr) {
    W_ERROR("sdk log: robot server response text is NULL.");
    ret = ErrCode_ResponseInfoIsNULL;
  }
  request.destroy();
  return ret;
}

RobotErrorCode RobotControlServices::getErrCodeByServerResponse(int code) {
  switch (code) {
    case RobotResponseCode_SUCC:
      return ErrnoSucc;
    case RobotResponseCode_RealRobotNoExist:
      return ErrCode_RealRobotNoExist;
    default:
      return ErrCode_ResponseReturnError;
  }
}

int RobotControlServices::setRealTimeJointStatusPush(bool enable) {
  return requestNoText(enable ? CommunicationType_EnableRealTimeJointStatusPush
                              : CommunicationType_DisableRealTimeJointStatusPush);
}

int RobotControlServices::setRealTimeJointAnglePush(bool enable) {
  return requestNoText(enable ? CommunicationType_EnableRealTimeJointAnglePush
                              : CommunicationType_DisableRealTimeJointAnglePush);
}

int RobotControlServices::setRealTimeEndSpeedPush(bool enable) {
  return requestNoText(enable ? CommunicationType_EnableRealTimeEndSpeedPush
                              : CommunicationType_DisableRealTimeEndSpeedPush);
}

int RobotControlServices::requestNoText(RobotCommandType type) {
  return requestServiceOnlyCheckSendResultMode(type, nullptr, 0);
}

// ---------------------------------------------------------------------------
// Frame dispatch (receive thread)
// ---------------------------------------------------------------------------

void RobotControlServices::responseProcess(int socketFd, const char* requestContentPtr,
                                           int requestContentLength) {
  // Nothing that comes off the wire may end the receive thread.
  try {
    if (requestContentPtr == nullptr || requestContentLength < 4) {
      W_ERROR("sdk log: Frame too short to hold a command type. length:%d", requestContentLength);
      return;
    }
    int32_t type = 0;
    std::memcpy(&type, requestContentPtr, sizeof(type));
    if (type < 0 || type >= CommunicationTypeCount) {
      W_ERROR("sdk log:  Command type not exist.");
      return;
    }
    const int textLength = requestContentLength - 4;
    char* text = new char[textLength > 0 ? textLength : 1];
    if (textLength > 0) std::memcpy(text, requestContentPtr + 4, textLength);
    const CommunicationCommandType commandType = static_cast<CommunicationCommandType>(type);
    CommunicationResponse& slot = m_robotCommandResponseSet[type];

    if (isPushType(type)) {
      // Push slots are used by this thread alone: no lock.
      slot.destroy();
      slot.setProperty(socketFd, commandType, text, textLength);
      switch (type) {
        case CommunicationType_Event:
          realTimeRobotEventInfoService(slot);
          break;
        case CommunicationType_RealTimeJointStatus:
          realTimeJointStatusService(slot);
          break;
        case CommunicationType_RealTimeRobotJointAngle:
          realTimeJointAngleService(slot);
          break;
        default:
          realTimeEndSpeedService(slot);
          break;
      }
      return;
    }

    if (type == CommunicationType_RobotMove) {
      W_INFO("sdk log: Processing the robotMove response from the server..");
    }
    {
      std::lock_guard<std::mutex> lock(slot.m_mutex);
      slot.destroy();
      slot.setProperty(socketFd, commandType, text, textLength);
    }
    // notify_all: only the one requester of this type can be waiting (the
    // request lock), and it re-checks the slot under the mutex.
    slot.m_conditon.notify_all();
  } catch (const std::exception& e) {
    W_ERROR("sdk log: Frame dropped, processing failed: %s", e.what());
  } catch (...) {
    W_ERROR("sdk log: Frame dropped, processing failed.");
  }
}

void RobotControlServices::realTimeJointStatusService(CommunicationResponse& response) {
  JointStatus jointStatus[6];
  std::memset(jointStatus, 0, sizeof(jointStatus));
  int errorCode = 0;
  const bool ok = ProtoEncodeDecode::resolveResponse_jointStatus(
      response.m_textPtr, response.m_textLength, jointStatus, 6, errorCode);
  response.destroy();
  if (!ok) {
    W_ERROR("sdk log: Resolve realtime joint status info failed.");
    return;
  }
  const auto [callback, arg] =
      loadCallback(m_realTimeJointStatusCallback, m_realTimeJointStatusCallbackArg);
  if (callback != nullptr) callback(jointStatus, 6, arg);
}

void RobotControlServices::realTimeJointAngleService(CommunicationResponse& response) {
  JointParam jointAngle;
  std::memset(&jointAngle, 0, sizeof(jointAngle));
  int errorCode = 0;
  const bool ok = ProtoEncodeDecode::resolveResponse_jointAngle(
      response.m_textPtr, response.m_textLength, jointAngle, errorCode);
  response.destroy();
  if (!ok) {
    W_ERROR("sdk log: Resolve realtime joint angle info failed.");
    return;
  }
  wayPoint_S wayPoint;
  std::memset(&wayPoint, 0, sizeof(wayPoint));
  // The kinematics result is not consulted: the callback gets what it produced.
  RobotUtilService::robotFk(jointAngle.jointPos, 6, wayPoint);
  const auto [callback, arg] =
      loadCallback(m_realTimeRoadPointCallback, m_realTimeRoadPointCallbackArg);
  if (callback != nullptr) callback(&wayPoint, arg);
}

void RobotControlServices::realTimeEndSpeedService(CommunicationResponse& response) {
  double speed = 0.0;
  const bool ok =
      ProtoEncodeDecode::resolveResponse_robotEndSpeed(response.m_textPtr, response.m_textLength, speed);
  response.destroy();
  if (!ok) {
    W_ERROR("sdk log: Resolve realtime end speed info failed.");
    return;
  }
  const auto [callback, arg] =
      loadCallback(m_robotEndSpeedCallback, m_robotEndSpeedCallbackArg);
  if (callback != nullptr) callback(speed, arg);
}

void RobotControlServices::realTimeRobotEventInfoService(CommunicationResponse& response) {
  RobotEventInfo event;
  event.eventType = RobotEvent_exceptEvent;
  event.eventCode = 0;
  // The text stays in the slot until the next event replaces it.
  if (!ProtoEncodeDecode::resolveResponse_robotEvent(response.m_textPtr, response.m_textLength,
                                                     event)) {
    W_ERROR("sdk log: Resolve realtime robot event failed.");
    return;
  }
  dispatchEvent(event);
}

void RobotControlServices::dispatchEvent(RobotEventInfo& event) {
  const int type = static_cast<int>(event.eventType);
  const int code = event.eventCode;

  switch (type) {
    case RobotEvent_atTrackTargetPos: {
      W_INFO("sdk log: RobotEvent_atTrackTargetPos processing.");
      {
        std::lock_guard<std::mutex> lock(m_robotMoveAtTrackTargetPosMutex);
        m_robotMoveAtTrackTargetSignalFlag = true;
      }
      m_robotMoveAtTrackTargetPosConditon.notify_all();
      break;
    }
    case RobotEvent_robotControllerStateChaned:
    case RobotEvent_robotControllerError:
      if (type == RobotEvent_robotControllerError || code == 0) {
        {
          std::lock_guard<std::mutex> lock(m_robotMoveAtTrackTargetPosMutex);
          m_robotMoveAbnormalStopFlag = true;
        }
        m_robotMoveAtTrackTargetPosConditon.notify_all();
      }
      break;
    case RobotEvent_robotStartupDoneResult: {
      {
        std::lock_guard<std::mutex> lock(m_startupDoneMutex);
        m_robotStartupDoneResult = static_cast<ROBOT_SERVICE_STATE>(code);
        ++m_startupDoneSeq;
      }
      m_startupDoneConditon.notify_all();
      break;
    }
    case RobotEvent_robotShutdownDone:
      signalEvent(m_shutDownDoneMutex, m_shutDownDoneConditon, m_shutDownDoneSeq);
      break;
    case RobotEvent_RobotHandShakeSucc:
    case RobotEvent_RobotHandShakeFailed: {
      {
        std::lock_guard<std::mutex> lock(m_robotHandShakeFinishMutex);
        m_robotHandShakeSuccFlag = (type == RobotEvent_RobotHandShakeSucc);
        ++m_robotHandShakeFinishSeq;
      }
      m_robotHandShakeFinishConditon.notify_all();
      break;
    }
    case RobotEvent_softEmergency:
    case RobotEvent_RobotMoveControlStopDone:
      signalEvent(m_robotMoveControlStopMutex, m_robotMoveControlStopConditon,
                  m_robotMoveControlStopSeq);
      signalEvent(m_robotMoveControlPauseMutex, m_robotMoveControlPauseConditon,
                  m_robotMoveControlPauseSeq);
      signalEvent(m_robotMoveControlContinueMutex, m_robotMoveControlContinueConditon,
                  m_robotMoveControlContinueSeq);
      break;
    case RobotEvent_RobotMoveControlPauseDone:
      signalEvent(m_robotMoveControlPauseMutex, m_robotMoveControlPauseConditon,
                  m_robotMoveControlPauseSeq);
      break;
    case RobotEvent_RobotMoveControlContinueDone:
      signalEvent(m_robotMoveControlContinueMutex, m_robotMoveControlContinueConditon,
                  m_robotMoveControlContinueSeq);
      break;
    case RobotEvent_RobotErrorInfoNotify: {
      std::string translated;
      std::string line = "robotErrorInfoNotifyEvent:";
      if (ErrorInfoService::robotErrorInfoNotifyEventResolve(event.eventContent, translated) ==
          ErrnoSucc) {
        event.eventContent = translated;
      }
      line += event.eventContent;
      // The content comes from the wire: never a format string.
      W_INFO("%s", line.c_str());
      break;
    }
    case RobotEvent_UpdateJoint6Rot360Flag:
      RobotUtilService::setJoint6Rot360(code > 0);
      W_INFO("sdk log: init ik param success.");
      break;
    case RobotEvent_socketDisconnected:
      // The transport also makes this event for a socket exception while the
      // connection stays open; only a real loss ends the waits.
      if (!getCurrentConnectStatus()) wakeAllWaitsOnConnectionLoss();
      break;
    default:
      break;
  }

  const auto [callback, arg] =
      loadCallback(m_robotEventCallback, m_robotEventCallbackArg);
  if (callback != nullptr) callback(&event, arg);
}

// ---------------------------------------------------------------------------
// Callback registration
// ---------------------------------------------------------------------------

void RobotControlServices::robotServiceRegisterRealTimeJointStatusCallbackService(
    RealTimeJointStatusCallback ptr, void* arg) {
  std::lock_guard<std::mutex> lock(m_callbackMutex);
  m_realTimeJointStatusCallback = ptr;
  m_realTimeJointStatusCallbackArg = arg;
}

void RobotControlServices::robotServiceRegisterRealTimeRoadPointCallbackService(
    RealTimeRoadPointCallback ptr, void* arg) {
  std::lock_guard<std::mutex> lock(m_callbackMutex);
  m_realTimeRoadPointCallback = ptr;
  m_realTimeRoadPointCallbackArg = arg;
}

void RobotControlServices::robotServiceRegisterRealTimeEndSpeedCallbackService(
    RealTimeEndSpeedCallback ptr, void* arg) {
  std::lock_guard<std::mutex> lock(m_callbackMutex);
  m_robotEndSpeedCallback = ptr;
  m_robotEndSpeedCallbackArg = arg;
}

void RobotControlServices::robotServiceRegisterRobotEventInfoCallbackService(RobotEventCallback ptr,
                                                                             void* arg) {
  std::lock_guard<std::mutex> lock(m_callbackMutex);
  m_robotEventCallback = ptr;
  m_robotEventCallbackArg = arg;
}

// ---------------------------------------------------------------------------
// Signals and motion signalling
// ---------------------------------------------------------------------------

void RobotControlServices::signalEvent(std::mutex& mutex, std::condition_variable& cond,
                                       uint64_t& seq) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    ++seq;
  }
  cond.notify_all();
}

bool RobotControlServices::connectionLostSince(uint64_t lossCount) const {
  return m_connectionLossCount.load() != lossCount || !getCurrentConnectStatus();
}

uint64_t RobotControlServices::getConnectionLossCount() const { return m_connectionLossCount.load(); }

void RobotControlServices::wakeAllWaitsOnConnectionLoss() {
  ++m_connectionLossCount;
  // Taking each mutex before notifying closes the gap between a waiter's
  // predicate check and its sleep.
  std::mutex* mutexes[] = {&m_startupDoneMutex,          &m_shutDownDoneMutex,
                           &m_robotHandShakeFinishMutex, &m_robotMoveControlStopMutex,
                           &m_robotMoveControlPauseMutex, &m_robotMoveControlContinueMutex,
                           &m_robotMoveAtTrackTargetPosMutex};
  std::condition_variable* conds[] = {&m_startupDoneConditon,          &m_shutDownDoneConditon,
                                      &m_robotHandShakeFinishConditon,
                                      &m_robotMoveControlStopConditon,
                                      &m_robotMoveControlPauseConditon,
                                      &m_robotMoveControlContinueConditon,
                                      &m_robotMoveAtTrackTargetPosConditon};
  for (size_t i = 0; i < sizeof(mutexes) / sizeof(mutexes[0]); ++i) {
    { std::lock_guard<std::mutex> lock(*mutexes[i]); }
    conds[i]->notify_all();
  }
  for (CommunicationResponse& slot : m_robotCommandResponseSet) {
    { std::lock_guard<std::mutex> lock(slot.m_mutex); }
    slot.m_conditon.notify_all();
  }
}

RobotControlServices::EventWaitEnd RobotControlServices::waitForEvent(
    std::mutex& mutex, std::condition_variable& cond, const uint64_t& seq, uint64_t startSeq,
    uint64_t lossCount, Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(mutex);
  auto done = [&] { return seq != startSeq || connectionLostSince(lossCount); };
  if (deadline == Clock::time_point::max()) {
    cond.wait(lock, done);
  } else if (!cond.wait_until(lock, deadline, done)) {
    return EventWaitEnd::Timeout;
  }
  // An event that came before the loss still counts.
  return seq != startSeq ? EventWaitEnd::Signalled : EventWaitEnd::ConnectionLost;
}

RobotControlServices::RobotMoveWaitToken RobotControlServices::prepareRobotMoveWait() {
  RobotMoveWaitToken token{m_connectionLossCount.load()};
  std::lock_guard<std::mutex> lock(m_robotMoveAtTrackTargetPosMutex);
  m_robotMoveAtTrackTargetSignalFlag = false;
  m_robotMoveAbnormalStopFlag = false;
  return token;
}

RobotMoveWaitResult RobotControlServices::waitRobotMoveAtTrackTargetPos(
    const RobotMoveWaitToken& token, Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_robotMoveAtTrackTargetPosMutex);
  auto done = [&] {
    return m_robotMoveAtTrackTargetSignalFlag.load() || m_robotMoveAbnormalStopFlag.load() ||
           connectionLostSince(token.connectionLossCount);
  };
  if (deadline == Clock::time_point::max()) {
    m_robotMoveAtTrackTargetPosConditon.wait(lock, done);
  } else if (!m_robotMoveAtTrackTargetPosConditon.wait_until(lock, deadline, done)) {
    return RobotMoveWaitResult::Timeout;
  }
  if (m_robotMoveAtTrackTargetSignalFlag.load()) return RobotMoveWaitResult::AtTarget;
  if (m_robotMoveAbnormalStopFlag.load()) return RobotMoveWaitResult::AbnormalStop;
  return RobotMoveWaitResult::Disconnected;
}

std::condition_variable* RobotControlServices::getRobotMoveAtTrackTargetPosConditonPtr() {
  return &m_robotMoveAtTrackTargetPosConditon;
}

std::mutex* RobotControlServices::getRobotMoveAtTrackTargetPosMutexPtr() {
  return &m_robotMoveAtTrackTargetPosMutex;
}

bool RobotControlServices::getRobotMoveAtTrackTargetSignalFlag() const {
  return m_robotMoveAtTrackTargetSignalFlag.load();
}

void RobotControlServices::setRobotMoveAtTrackTargetSignalFlag(bool value) {
  m_robotMoveAtTrackTargetSignalFlag = value;
}

bool RobotControlServices::getRobotMoveAbnormalStopFlag() const {
  return m_robotMoveAbnormalStopFlag.load();
}

void RobotControlServices::setRobotMoveAbnormalStopFlag(bool value) {
  m_robotMoveAbnormalStopFlag = value;
}
