// The control service: the one object that talks to the controller. It owns
// the connection (by derivation from the TCP client), sends every command and
// waits for its response, decodes the frames the controller pushes, reacts to
// robot events and hands them to the registered callbacks. Login, the arm
// lifecycle and every status, configuration, safety and IO command live here.
//
// Threads. Any number of caller threads may issue requests; one receive thread
// per connection runs responseProcess, the push decoders, the event reactions
// and every callback, one frame at a time. Callbacks run with no lock of this
// class held. A callback that itself issues a request cannot have its answer
// read (the answer would need the thread the callback runs on), so such a
// request gets its answer or, at the latest, ErrCode_RequestTimeout after the
// 0.8-s deadline; it never hangs.
//
// Every wait of this class ends: requests after 0.8 s; handshake, start-up and
// shutdown at their time-outs; move control and the motion wait when their
// event comes or when the connection is lost (ErrCode_SocketDisconnect). The
// disconnect event never completes a wait as a success.
#ifndef RSKAVI_ROBOT_CONTROL_SERVICES_H
#define RSKAVI_ROBOT_CONTROL_SERVICES_H

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>
#include <string>
#include <vector>

#include "CommunicationMateType.h"
#include "RobotCommunicationClient.h"
#include "RobotMetaType.h"

// How a wait for the arm's arrival at its track target ended.
enum class RobotMoveWaitResult {
  AtTarget,      // RobotEvent_atTrackTargetPos came
  AbnormalStop,  // the controller reported an abnormal stop (events 25 with code 0, 26)
  Disconnected,  // the connection was lost (or closed by logout) during the wait
  Timeout        // the caller's deadline passed first
};

class RobotControlServices : public RobotCommunicationClient {
 public:
  using Clock = std::chrono::steady_clock;

  // Deadline of every request, counted from the call (lock waits included).
  static constexpr std::chrono::milliseconds kResponseTimeout{800};
  static constexpr std::chrono::seconds kHandShakeTimeout{30};
  static constexpr std::chrono::seconds kStartupTimeout{60};
  static constexpr std::chrono::seconds kShutdownTimeout{30};

  RobotControlServices();
  // Disconnects first (stops and joins the receive thread), then frees the slots.
  ~RobotControlServices();

  RobotControlServices(const RobotControlServices&) = delete;
  RobotControlServices& operator=(const RobotControlServices&) = delete;

  // ------------------------------------------------------------------
  // Request/response engine
  // ------------------------------------------------------------------

  // Sends one request and waits (at most 0.8 s from the call, lock waits
  // included) for the response of the same command type; responseInfo gets a
  // private copy of its text (null when the response carried no text).
  // Returns 0, ErrCode_SocketDisconnect, ErrCode_SendRequestFailed,
  // ErrCode_RequestTimeout or ErrCode_ParamError (type outside 0..109).
  int sendRequestWaitResponse(const CommunicationRequest& requestInfo,
                              CommunicationResponse& responseInfo);

  // For commands answered by the common response. Takes ownership of
  // protobufTextPtr (new char[], may be null with length 0). Returns 0, the
  // mapped controller code, ErrCode_ResponseInfoIsNULL for an empty answer,
  // ErrCode_ResolveResponseFailed for an answer that does not decode, or an
  // engine error.
  int requestServiceOnlyCheckSendResultMode(RobotCommandType robotCommandType,
                                            void* protobufTextPtr, int protobufTextLength);

  // For commands with a content response: robotResponse receives the answer's
  // text, which the caller decodes and releases with destroy(). Takes ownership
  // of the request text. ErrCode_ResponseInfoIsNULL when the answer is empty.
  int requestServiceGetResponseContentMode(RobotCommandType robotCommandType,
                                           void* protobufTextPtr, int protobufTextLength,
                                           CommunicationResponse& robotResponse);

  // Controller code -> result: 0 -> ErrnoSucc, 4 -> ErrCode_RealRobotNoExist,
  // any other -> ErrCode_ResponseReturnError.
  static kavi_robot_namespace::RobotErrorCode getErrCodeByServerResponse(int code);

  // Receive-thread hook: one block (int32 command type, then the text).
  void responseProcess(int socketFd, const char* requestContentPtr,
                       int requestContentLength) override;

  // Push handlers, called by responseProcess with the slot holding the text.
  void realTimeJointStatusService(CommunicationResponse& response);
  void realTimeJointAngleService(CommunicationResponse& response);
  void realTimeEndSpeedService(CommunicationResponse& response);
  void realTimeRobotEventInfoService(CommunicationResponse& response);

  // Push switches (types 4/5, 8/9, 12/13, no text).
  int setRealTimeJointStatusPush(bool enable);
  int setRealTimeJointAnglePush(bool enable);
  int setRealTimeEndSpeedPush(bool enable);

  // Callback registration: a null pointer disables the callback. Safe while
  // connected; a callback already running finishes with the old pointer.
  void robotServiceRegisterRealTimeJointStatusCallbackService(
      kavi_robot_namespace::RealTimeJointStatusCallback ptr, void* arg);
  void robotServiceRegisterRealTimeRoadPointCallbackService(
      kavi_robot_namespace::RealTimeRoadPointCallback ptr, void* arg);
  void robotServiceRegisterRealTimeEndSpeedCallbackService(
      kavi_robot_namespace::RealTimeEndSpeedCallback ptr, void* arg);
  void robotServiceRegisterRobotEventInfoCallbackService(
      kavi_robot_namespace::RobotEventCallback ptr, void* arg);

  // ------------------------------------------------------------------
  // Motion signalling (used by the motion service)
  //
  // The receive thread only ever sets the two flags, always under the
  // at-target mutex and followed by notify_all on the at-target condition.
  // A blocking move therefore runs:
  //   auto token = prepareRobotMoveWait();     // clears both flags
  //   send the move; on success:
  //   switch (waitRobotMoveAtTrackTargetPos(token)) { ... }
  // An arrival that comes before the wait starts is not lost (the flag is
  // tested under the mutex first), and a lost connection ends the wait.
  // ------------------------------------------------------------------

  // Identifies the connection a wait belongs to; see prepareRobotMoveWait.
  struct RobotMoveWaitToken {
    uint64_t connectionLossCount;
  };

  // Clears both flags under the at-target mutex and notes the connection.
  RobotMoveWaitToken prepareRobotMoveWait();
  // Waits until arrival, abnormal stop, loss of the connection (since the
  // token was taken) or the deadline; arrival wins when several hold.
  RobotMoveWaitResult waitRobotMoveAtTrackTargetPos(
      const RobotMoveWaitToken& token, Clock::time_point deadline = Clock::time_point::max());

  std::condition_variable* getRobotMoveAtTrackTargetPosConditonPtr();
  std::mutex* getRobotMoveAtTrackTargetPosMutexPtr();
  bool getRobotMoveAtTrackTargetSignalFlag() const;
  void setRobotMoveAtTrackTargetSignalFlag(bool value);
  bool getRobotMoveAbnormalStopFlag() const;
  void setRobotMoveAbnormalStopFlag(bool value);

  // Increases each time the connection is lost or closed; lets a waiter tell
  // that the connection it waited on is gone even if a new one was opened.
  uint64_t getConnectionLossCount() const;

  // ------------------------------------------------------------------
  // Login and arm lifecycle
  // ------------------------------------------------------------------

  // Connects, logs in and (first login of the process only) installs the arm
  // model and DH lengths in the kinematics, then reads the joint-6 full-turn
  // flag. Returns 0; ErrCode_ParamError (null host); ErrCode_CreateRequestFailed;
  // ErrCode_ConnectSocketFailed (also when already connected: the open
  // connection is left as it is); an engine error;
  // ErrCode_ResolveResponseFailed; or the mapped controller code when the
  // controller refuses the login. After a failure past the connect step the
  // connection stays open for the caller's logout.
  int loginService(const char* host, int port, const std::string& userName,
                   const std::string& possword, kavi_robot_namespace::RobotType& robotType,
                   kavi_robot_namespace::RobotDhPara& robotDhPara);
  // Closes the connection (nothing is sent) and wakes every wait on it. 0.
  int logoutService();
  int getJoint6Rotate360EnableFlag(bool& joint6Rot360Enable);

  // Blocking: 0 after event 35, ErrCode_ResponseReturnError after event 36,
  // ErrCode_MotionRelatedVariableError after 30 s, ErrCode_SocketDisconnect
  // when the connection is lost first.
  int robotHandShakeService(bool isBlock);
  // Blocking: 0 with result = the code of event 20; ErrCode_RequestRelatedVariableError
  // after 60 s; ErrCode_SocketDisconnect when the connection is lost first.
  int robotStartupService(const RobotTcpParam& tcpParam, uint8_t collisionClass, bool readPose,
                          bool staticCollisionDetect, int maxAcc,
                          kavi_robot_namespace::ROBOT_SERVICE_STATE& result, bool IsBolck);
  // Blocking: 0 after event 21; ErrCode_Failed after 30 s;
  // ErrCode_SocketDisconnect when the connection is lost first.
  int robotShutdownService(bool IsBolck);
  int robotControlService(kavi_robot_namespace::RobotControlCommand cmd);
  int armPowerControlService(bool value);
  int rootReleaseBrake();
  int collisionRecover();
  // Types 89..92 only (else ErrCode_ParamError). When the controller answers
  // "wait done" this waits, without a time-out, for the done event (44 or 6
  // for the stops, 45/44/6 for pause, 46/44/6 for continue) or the loss of the
  // connection (ErrCode_SocketDisconnect).
  int robotMoveControlService(CommunicationCommandType cmdType);

  // True once a login of this process has installed the DH lengths.
  static bool isDhParamInstalled();

  // ------------------------------------------------------------------
  // Status, configuration and safety
  // ------------------------------------------------------------------

  int getRobotJointStatus(kavi_robot_namespace::JointStatus* jointStatus, int size);
  int getCurrentJointAngle(kavi_robot_namespace::JointParam& jointAngle);
  int getRobotDiagnosisInfo(kavi_robot_namespace::RobotDiagnosis& robotDiagnosisInfo);
  int getRobotCurrentStateService(kavi_robot_namespace::RobotState& state);
  int setTcpParamService(const RobotTcpParam& tcpParam);
  int getTcpParamService(RobotTcpParam& tcpParam);
  int setToolDynamicsParamService(const kavi_robot_namespace::ToolDynamicsParam& toolDynamicsParam);
  int getToolDynamicsParamService(kavi_robot_namespace::ToolDynamicsParam& toolDynamicsParam);
  int setRobotWorkModeService(kavi_robot_namespace::RobotWorkMode mode);
  int getRobotWorkModeService(kavi_robot_namespace::RobotWorkMode& mode);
  int getRobotGravityComponent(kavi_robot_namespace::RobotGravityComponent& gravityComponent);
  int getRobotCollisionCurrentService(RobotCollisionCurrent& collisionCurrent);
  int getIsRealRobotExist(bool& value);
  int getRobotDevInfoService(kavi_robot_namespace::RobotDevInfo& devInfo);
  int setRobotCollisionClassService(int grade);
  int setRobotAtOriginPoseService();
  int getRobotSafetyConfig(kavi_robot_namespace::RobotSafetyConfig& safetyConfig);
  int setRobotSafetyConfig(const kavi_robot_namespace::RobotSafetyConfig& safetyConfig);
  int getOrpeSafetyStatus(kavi_robot_namespace::OrpeSafetyStatus& safetyStatus);

  // Safety IO (types 64..69): the integers go out as one list.
  int safeIoAboutCommunication(RobotCommandType commandType, const std::vector<int>& paramVeror);
  int setRobotOrpePause(uint8_t data);
  int setRobotOrpeStop(uint8_t data);
  // len bytes, each one integer; a null data with len > 0, or len < 0, is
  // ErrCode_ParamError.
  int setRobotOrpeError(const uint8_t* data, int len);
  int clearSystemEmergencyStop(uint8_t data);
  int clearReducedModeError(uint8_t data);
  int robotSafetyguardResetSucc(uint8_t data);

  int startupOfflineExcitTrajService(const char* trackFile,
                                     kavi_robot_namespace::Robot_Dyn_identify_traj type,
                                     int subtype);
  int getDynIdentifyResultsService(std::vector<int>& paramVector);
  int updateRobotBoardFirmwareService(kavi_robot_namespace::update_board_firmware_cmd cmd,
                                      const void* data, uint16_t length);
  int getBoardFirmwareUpdateResultService(bool& value);
  int getRobotEthernetDeviceNameService(std::string& ethernetDeviceName);
  int setRobotJointOffsetService(kavi_robot_namespace::RobotJointOffset& jointOffset);

  // Interface-board and tool IO. The list getters clear the caller's list first.
  int getInterfaceBoardAllDIStatusService(
      std::vector<kavi_robot_namespace::RobotDiagnosisIODesc>& statusVector);
  int getInterfaceBoardAllDOStatusService(
      std::vector<kavi_robot_namespace::RobotDiagnosisIODesc>& statusVector);
  int getInterfaceBoardAllAIStatusService(
      std::vector<kavi_robot_namespace::RobotAnalogIODesc>& statusVector);
  int getInterfaceBoardAllAOStatusService(
      std::vector<kavi_robot_namespace::RobotAnalogIODesc>& statusVector);
  int getInterfaceBoardDIStatusService(int addr, kavi_robot_namespace::IO_STATUS& status);
  int getInterfaceBoardDOStatusService(int addr, kavi_robot_namespace::IO_STATUS& status);
  int getInterfaceBoardAIStatusService(int addr, double& status);
  int getInterfaceBoardAOStatusService(int addr, double& status);
  int setInterfaceBoardDOStatusService(int addr, kavi_robot_namespace::IO_STATUS status);
  int setInterfaceBoardAOStatusService(int addr, double status);
  int getToolPowerVoltageTypeService(kavi_robot_namespace::ToolPowerType& type);
  int setToolPowerVoltageTypeService(kavi_robot_namespace::ToolPowerType value);
  int setToolPowerTypeAndDigitalIOTypeService(kavi_robot_namespace::ToolPowerType type,
                                              kavi_robot_namespace::ToolIOType io0,
                                              kavi_robot_namespace::ToolIOType io1,
                                              kavi_robot_namespace::ToolIOType io2,
                                              kavi_robot_namespace::ToolIOType io3);
  int setToolDigitalIOTypeService(kavi_robot_namespace::ToolDigitalIOAddr addr,
                                  kavi_robot_namespace::ToolIOType type);
  int getToolPowerVoltageStatusService(double& status);
  int getToolAllDigitalIOStatusService(
      std::vector<kavi_robot_namespace::RobotDiagnosisIODesc>& statusVector);
  int getToolAllAIStatusService(std::vector<kavi_robot_namespace::RobotAnalogIODesc>& statusVector);
  int setToolDigitalIOStatusService(kavi_robot_namespace::ToolDigitalIOAddr addr,
                                    kavi_robot_namespace::IO_STATUS value);
  int getToolAllIOStatusService(kavi_robot_namespace::RobotToolAllIOStatus& toolAllIOStatus);

  // One digital (analog) IO value through a one-description request of
  // commandType; status is written only when the answer carries a value.
  int getRobotDigitalIOStatusService(RobotCommandType commandType, int addr, int& status);
  int getRobotAnalogIOStatusService(RobotCommandType commandType, int addr, double& status);

 private:
  // How a lifecycle wait ended.
  enum class EventWaitEnd { Signalled, ConnectionLost, Timeout };

  // Waits on cond/mutex until seq differs from startSeq (the event came), the
  // connection is lost since lossCount, or the deadline.
  EventWaitEnd waitForEvent(std::mutex& mutex, std::condition_variable& cond,
                            const uint64_t& seq, uint64_t startSeq, uint64_t lossCount,
                            Clock::time_point deadline);
  bool connectionLostSince(uint64_t lossCount) const;
  // Counts a loss of the connection and wakes every wait of this class.
  void wakeAllWaitsOnConnectionLoss();
  // Bumps seq under mutex and wakes the waiters of cond.
  static void signalEvent(std::mutex& mutex, std::condition_variable& cond, uint64_t& seq);

  // Common-result request with no text.
  int requestNoText(RobotCommandType type);
  // Content request with no text, decoded by resolve(text, length, code);
  // a false decode logs failMessage and gives failCode, otherwise the mapped
  // controller code.
  template <typename Resolve>
  int requestAndResolve(RobotCommandType type, Resolve resolve, int failCode,
                        const char* failMessage);
  int getDigitalIoList(RobotCommandType type,
                       std::vector<kavi_robot_namespace::RobotDiagnosisIODesc>& list,
                       const char* failMessage);
  int getAnalogIoList(RobotCommandType type,
                      std::vector<kavi_robot_namespace::RobotAnalogIODesc>& list,
                      const char* failMessage);
  int setDigitalIoList(RobotCommandType type,
                       const std::vector<kavi_robot_namespace::RobotDiagnosisIODesc>& list,
                       const char* failMessage);

  void dispatchEvent(kavi_robot_namespace::RobotEventInfo& event);

  // A request lock whose acquisition can give up at a deadline. Built on a
  // mutex and a condition variable (not std::timed_mutex, whose deadline lock
  // the thread sanitizer cannot follow). Meets TimedLockable for unique_lock.
  class RequestLock {
   public:
    bool try_lock_until(Clock::time_point deadline) {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (!m_free.wait_until(lock, deadline, [this] { return !m_busy; })) return false;
      m_busy = true;
      return true;
    }
    void unlock() {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_busy = false;
      }
      m_free.notify_one();
    }

   private:
    std::mutex m_mutex;
    std::condition_variable m_free;
    bool m_busy = false;
  };

  // One response slot and one request lock per command type.
  std::array<CommunicationResponse, CommunicationTypeCount> m_robotCommandResponseSet;
  std::array<RequestLock, CommunicationTypeCount> m_robotCommandMutexSet;

  // Lifecycle signals. Each *Seq counts the events of its kind; a waiter
  // notes the count before it sends and waits for it to change, so an event
  // that comes between the response and the wait is not lost.
  std::condition_variable m_startupDoneConditon;
  std::mutex m_startupDoneMutex;
  uint64_t m_startupDoneSeq = 0;
  kavi_robot_namespace::ROBOT_SERVICE_STATE m_robotStartupDoneResult;
  std::condition_variable m_shutDownDoneConditon;
  std::mutex m_shutDownDoneMutex;
  uint64_t m_shutDownDoneSeq = 0;
  std::condition_variable m_robotHandShakeFinishConditon;
  std::mutex m_robotHandShakeFinishMutex;
  uint64_t m_robotHandShakeFinishSeq = 0;
  bool m_robotHandShakeSuccFlag = false;
  std::condition_variable m_robotMoveControlStopConditon;
  std::mutex m_robotMoveControlStopMutex;
  uint64_t m_robotMoveControlStopSeq = 0;
  std::condition_variable m_robotMoveControlPauseConditon;
  std::mutex m_robotMoveControlPauseMutex;
  uint64_t m_robotMoveControlPauseSeq = 0;
  std::condition_variable m_robotMoveControlContinueConditon;
  std::mutex m_robotMoveControlContinueMutex;
  uint64_t m_robotMoveControlContinueSeq = 0;
  std::mutex m_robotMoveControlMutex;

  // Callbacks: pointer and argument are read together under the mutex and
  // called after it is released.
  std::mutex m_callbackMutex;
  // One consistent (pointer, argument) pair of a callback slot.
  template <typename Callback>
  std::pair<Callback, void*> loadCallback(const Callback& callback, void* const& arg) {
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    return {callback, arg};
  }
  kavi_robot_namespace::RobotEventCallback m_robotEventCallback = nullptr;
  void* m_robotEventCallbackArg = nullptr;
  kavi_robot_namespace::RealTimeEndSpeedCallback m_robotEndSpeedCallback = nullptr;
  void* m_robotEndSpeedCallbackArg = nullptr;
  kavi_robot_namespace::RealTimeJointStatusCallback m_realTimeJointStatusCallback = nullptr;
  void* m_realTimeJointStatusCallbackArg = nullptr;
  kavi_robot_namespace::RealTimeRoadPointCallback m_realTimeRoadPointCallback = nullptr;
  void* m_realTimeRoadPointCallbackArg = nullptr;

  // Arrival at the track target, shared with the motion service.
  std::condition_variable m_robotMoveAtTrackTargetPosConditon;
  std::mutex m_robotMoveAtTrackTargetPosMutex;
  std::atomic<bool> m_robotMoveAbnormalStopFlag{false};
  std::atomic<bool> m_robotMoveAtTrackTargetSignalFlag{false};

  std::atomic<uint64_t> m_connectionLossCount{0};
};

#endif
