// ServiceInterface: service ownership, callback slots and forwarding.
#include "ServiceInterface.h"

#include <cstdio>
#include <cstring>

#include "ErrorInfoService.h"
#include "RobotControlServices.h"
#include "RobotConveyorTrack.h"
#include "RobotIoService.h"
#include "RobotMoveService.h"
#include "RobotUtilService.h"

using namespace kavi_robot_namespace;

namespace {

// Position and payload go to the controller as floats, the same values for
// automatic and manual operation; the inertia is not part of the record.
RobotTcpParam toTcpParam(const ToolDynamicsParam& tool) {
  TcpParam p;
  p.positionX = static_cast<float>(tool.positionX);
  p.positionY = static_cast<float>(tool.positionY);
  p.positionZ = static_cast<float>(tool.positionZ);
  p.payload = static_cast<float>(tool.payload);
  RobotTcpParam tcp;
  tcp.paramAutorun = p;
  tcp.paramManual = p;
  return tcp;
}

}  // namespace

ServiceInterface::ServiceInterface()
    : m_robotBaseService(new RobotControlServices()),
      m_robotIoService(nullptr),
      m_robotMoveService(nullptr),
      m_robotConveyorTrack(nullptr),
      m_realTimeJointStatusCallbackArg(nullptr),
      m_realTimeJointStatusCallback(nullptr),
      m_realTimeRoadPointCallbackArg(nullptr),
      m_realTimeRoadPointCallback(nullptr),
      m_robotEventCallbackArg(nullptr),
      m_robotEventCallback(nullptr),
      m_robotEndSpeedCallbackArg(nullptr),
      m_robotEndSpeedCallback(nullptr) {
  // The motion service comes before the IO service: the first one in the
  // process sets up the global move profile.
  m_robotMoveService = new RobotMoveService(m_robotBaseService);
  m_robotIoService = new RobotIoService(m_robotBaseService);
  m_robotConveyorTrack = new RobotConveyorTrack(m_robotBaseService);

  m_robotBaseService->robotServiceRegisterRealTimeJointStatusCallbackService(
      recvRealTimeJointStatusPushCallback, this);
  m_robotBaseService->robotServiceRegisterRealTimeRoadPointCallbackService(
      recvRealTimeWaypointPushCallback, this);
  m_robotBaseService->robotServiceRegisterRobotEventInfoCallbackService(recvRobotEventPushCallback,
                                                                        this);
  m_robotBaseService->robotServiceRegisterRealTimeEndSpeedCallbackService(
      recvRealTimeEndSpeedPushCallback, this);
}

ServiceInterface::~ServiceInterface() {
  delete m_robotIoService;
  m_robotIoService = nullptr;
  delete m_robotMoveService;
  m_robotMoveService = nullptr;
  delete m_robotConveyorTrack;
  m_robotConveyorTrack = nullptr;
  // Closes the connection and joins the receive thread; the receivers touch
  // only the callback slots, which live until this object is gone.
  delete m_robotBaseService;
  m_robotBaseService = nullptr;
}

// ---- Record initialisers ----

void ServiceInterface::initPosDataType(kavi_robot_namespace::Pos& postion) { postion = kavi_robot_namespace::Pos{0.0, 0.0, 0.0}; }

void ServiceInterface::initOriDataType(kavi_robot_namespace::Ori& ori) { ori = kavi_robot_namespace::Ori{1.0, 0.0, 0.0, 0.0}; }

void ServiceInterface::initMoveRelativeDataType(MoveRelative& moveRelative) {
  moveRelative.ena = false;
  for (float& v : moveRelative.relativePosition) v = 0.0f;
  initOriDataType(moveRelative.relativeOri);
}

void ServiceInterface::initWayPointDataType(kavi_robot_namespace::wayPoint_S& wayPoint) {
  std::memset(&wayPoint, 0, sizeof(wayPoint));
  wayPoint.orientation = kavi_robot_namespace::Ori{1.0, 0.0, 0.0, 0.0};
  const double zero[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  RobotUtilService::robotFk(zero, 6, wayPoint);
}

void ServiceInterface::initToolInEndDescDataType(ToolInEndDesc& toolInEndDesc) {
  initPosDataType(toolInEndDesc.toolInEndPosition);
  initOriDataType(toolInEndDesc.toolInEndOrientation);
}

void ServiceInterface::initCoordCalibrateByJointAngleAndToolDataType(
    CoordCalibrateByJointAngleAndTool& coord) {
  std::memset(&coord, 0, sizeof(coord));
  initToolInEndDescDataType(coord.toolDesc);
}

void ServiceInterface::initToolInertiaDataType(ToolInertia& toolInertia) {
  toolInertia.xx = toolInertia.xy = toolInertia.xz = 0.0;
  toolInertia.yy = toolInertia.yz = toolInertia.zz = 0.0;
}

void ServiceInterface::initToolDynamicsParamDataType(ToolDynamicsParam& toolDynamicsParam) {
  toolDynamicsParam.positionX = toolDynamicsParam.positionY = toolDynamicsParam.positionZ = 0.0;
  toolDynamicsParam.payload = 0.0;
  initToolInertiaDataType(toolDynamicsParam.toolInertia);
}

// ---- Login and connection ----

int ServiceInterface::robotServiceLogin(const char* host, int port, const char* userName,
                                        const char* possword) {
  RobotType robotType;
  RobotDhPara robotDhPara;
  return robotServiceLogin(host, port, userName, possword, robotType, robotDhPara);
}

int ServiceInterface::robotServiceLogin(const char* host, int port, const char* userName,
                                        const char* possword, RobotType& robotType,
                                        RobotDhPara& robotDhPara) {
  if (host == nullptr) return ErrCode_ParamError;
  const std::string user = userName ? userName : "";
  const std::string password = possword ? possword : "";
  return m_robotBaseService->loginService(host, port, user, password, robotType, robotDhPara);
}

void ServiceInterface::robotServiceGetConnectStatus(bool& connectStatus) {
  connectStatus = m_robotBaseService->getCurrentConnectStatus();
}

int ServiceInterface::robotServiceLogout() { return m_robotBaseService->logoutService(); }

int ServiceInterface::robotServiceRobotHandShake(bool isBlock) {
  return m_robotBaseService->robotHandShakeService(isBlock);
}

// ---- Real-time pushes and callbacks ----

int ServiceInterface::robotServiceSetRealTimeJointStatusPush(bool enable) {
  return m_robotBaseService->setRealTimeJointStatusPush(enable);
}

int ServiceInterface::robotServiceSetRealTimeRoadPointPush(bool enable) {
  return m_robotBaseService->setRealTimeJointAnglePush(enable);
}

int ServiceInterface::robotServiceSetRealTimeEndSpeedPush(bool enable) {
  return m_robotBaseService->setRealTimeEndSpeedPush(enable);
}

int ServiceInterface::robotServiceRegisterRealTimeJointStatusCallback(
    RealTimeJointStatusCallback ptr, void* arg) {
  m_robotBaseService->setRealTimeJointStatusPush(ptr != nullptr);
  std::lock_guard<std::mutex> lock(m_realTimeJointStatusCallbackChangeMutex);
  m_realTimeJointStatusCallback = ptr;
  m_realTimeJointStatusCallbackArg = arg;
  return ErrnoSucc;
}

int ServiceInterface::robotServiceRegisterRealTimeRoadPointCallback(RealTimeRoadPointCallback ptr,
                                                                    void* arg) {
  m_robotBaseService->setRealTimeJointAnglePush(ptr != nullptr);
  std::lock_guard<std::mutex> lock(m_realTimeRoadPointCallbackChangeMutex);
  m_realTimeRoadPointCallback = ptr;
  m_realTimeRoadPointCallbackArg = arg;
  return ErrnoSucc;
}

int ServiceInterface::robotServiceRegisterRealTimeEndSpeedCallback(RealTimeEndSpeedCallback ptr,
                                                                   void* arg) {
  m_robotBaseService->setRealTimeEndSpeedPush(ptr != nullptr);
  std::lock_guard<std::mutex> lock(m_robotEndSpeedCallbackChangeMutex);
  m_robotEndSpeedCallback = ptr;
  m_robotEndSpeedCallbackArg = arg;
  return ErrnoSucc;
}

int ServiceInterface::robotServiceRegisterRobotEventInfoCallback(RobotEventCallback ptr, void* arg) {
  std::lock_guard<std::mutex> lock(m_robotEventCallbackChangeMutex);
  m_robotEventCallback = ptr;
  m_robotEventCallbackArg = arg;
  return ErrnoSucc;
}

void ServiceInterface::recvRealTimeJointStatusPushCallback(const JointStatus* jointStatus, int size,
                                                           void* arg) {
  auto* self = static_cast<ServiceInterface*>(arg);
  if (self == nullptr) return;
  std::lock_guard<std::mutex> lock(self->m_realTimeJointStatusCallbackChangeMutex);
  if (self->m_realTimeJointStatusCallback != nullptr) {
    self->m_realTimeJointStatusCallback(jointStatus, size, self->m_realTimeJointStatusCallbackArg);
  }
}

void ServiceInterface::recvRealTimeWaypointPushCallback(const kavi_robot_namespace::wayPoint_S* waypoint, void* arg) {
  auto* self = static_cast<ServiceInterface*>(arg);
  if (self == nullptr) return;
  std::lock_guard<std::mutex> lock(self->m_realTimeRoadPointCallbackChangeMutex);
  if (self->m_realTimeRoadPointCallback != nullptr) {
    self->m_realTimeRoadPointCallback(waypoint, self->m_realTimeRoadPointCallbackArg);
  }
}

void ServiceInterface::recvRealTimeEndSpeedPushCallback(double speed, void* arg) {
  auto* self = static_cast<ServiceInterface*>(arg);
  if (self == nullptr) return;
  std::lock_guard<std::mutex> lock(self->m_robotEndSpeedCallbackChangeMutex);
  if (self->m_robotEndSpeedCallback != nullptr) {
    self->m_robotEndSpeedCallback(speed, self->m_robotEndSpeedCallbackArg);
  }
}

void ServiceInterface::recvRobotEventPushCallback(const RobotEventInfo* info, void* arg) {
  auto* self = static_cast<ServiceInterface*>(arg);
  if (self == nullptr || info == nullptr) return;
  // The application gets its own copy; the control service's record stays
  // private to it.
  const RobotEventInfo copy = *info;
  std::lock_guard<std::mutex> lock(self->m_robotEventCallbackChangeMutex);
  if (self->m_robotEventCallback != nullptr) {
    self->m_robotEventCallback(&copy, self->m_robotEventCallbackArg);
  }
}

// ---- Control-service forwarders ----

int ServiceInterface::rootServiceRobotControl(RobotControlCommand cmd) {
  return m_robotBaseService->robotControlService(cmd);
}

int ServiceInterface::robotServicePowerControl(bool value) {
  return m_robotBaseService->armPowerControlService(value);
}

int ServiceInterface::robotServiceReleaseBrake() { return m_robotBaseService->rootReleaseBrake(); }

int ServiceInterface::robotServiceRobotShutdown(bool IsBolck) {
  return m_robotBaseService->robotShutdownService(IsBolck);
}

int ServiceInterface::getDynIdentifyResultsService(std::vector<int>& paramVector) {
  return m_robotBaseService->getDynIdentifyResultsService(paramVector);
}

int ServiceInterface::robotServiceGetRobotWorkMode(RobotWorkMode& mode) {
  return m_robotBaseService->getRobotWorkModeService(mode);
}

int ServiceInterface::robotServiceSetRobotWorkMode(RobotWorkMode mode) {
  return m_robotBaseService->setRobotWorkModeService(mode);
}

int ServiceInterface::robotServiceGetRobotGravityComponent(RobotGravityComponent& gravityComponent) {
  return m_robotBaseService->getRobotGravityComponent(gravityComponent);
}

int ServiceInterface::robotServiceSetRobotCollisionClass(int grade) {
  return m_robotBaseService->setRobotCollisionClassService(grade);
}

int ServiceInterface::robotServiceGetRobotDevInfoService(RobotDevInfo& devInfo) {
  return m_robotBaseService->getRobotDevInfoService(devInfo);
}

int ServiceInterface::robotServiceCollisionRecover() { return m_robotBaseService->collisionRecover(); }

int ServiceInterface::robotServiceGetRobotCurrentState(RobotState& state) {
  return m_robotBaseService->getRobotCurrentStateService(state);
}

int ServiceInterface::robotServiceGetIsRealRobotExist(bool& value) {
  return m_robotBaseService->getIsRealRobotExist(value);
}

int ServiceInterface::robotServiceGetJoint6Rotate360EnableFlag(bool& value) {
  return m_robotBaseService->getJoint6Rotate360EnableFlag(value);
}

int ServiceInterface::robotServiceGetRobotJointStatus(JointStatus* jointStatus, int size) {
  return m_robotBaseService->getRobotJointStatus(jointStatus, size);
}

int ServiceInterface::robotServiceGetRobotDiagnosisInfo(RobotDiagnosis& robotDiagnosisInfo) {
  return m_robotBaseService->getRobotDiagnosisInfo(robotDiagnosisInfo);
}

int ServiceInterface::robotServiceGetJointAngleInfo(JointParam& jointParam) {
  return m_robotBaseService->getCurrentJointAngle(jointParam);
}

int ServiceInterface::robotServiceSetRobotAtOriginPose() {
  return m_robotBaseService->setRobotAtOriginPoseService();
}

int ServiceInterface::robotServiceSetRobotOrpePause(uint8 data) {
  return m_robotBaseService->setRobotOrpePause(data);
}

int ServiceInterface::robotServiceSetRobotOrpeStop(uint8 data) {
  return m_robotBaseService->setRobotOrpeStop(data);
}

int ServiceInterface::robotServiceSetRobotOrpeError(uint8* data, int len) {
  return m_robotBaseService->setRobotOrpeError(data, len);
}

int ServiceInterface::robotServiceClearSystemEmergencyStop(uint8 data) {
  return m_robotBaseService->clearSystemEmergencyStop(data);
}

int ServiceInterface::robotServiceClearReducedModeError(uint8 data) {
  return m_robotBaseService->clearReducedModeError(data);
}

int ServiceInterface::robotServiceRobotSafetyguardResetSucc(uint8 data) {
  return m_robotBaseService->robotSafetyguardResetSucc(data);
}

int ServiceInterface::robotServiceGetRobotSafetyConfig(RobotSafetyConfig& safetyConfig) {
  return m_robotBaseService->getRobotSafetyConfig(safetyConfig);
}

int ServiceInterface::robotServiceGetOrpeSafetyStatus(OrpeSafetyStatus& safetyStatus) {
  return m_robotBaseService->getOrpeSafetyStatus(safetyStatus);
}

int ServiceInterface::robotServiceUpdateRobotBoardFirmware(update_board_firmware_cmd cmd,
                                                           const void* data, uint16 length) {
  return m_robotBaseService->updateRobotBoardFirmwareService(cmd, data, length);
}

int ServiceInterface::robotServiceGetBoardFirmwareUpdateResultService(bool& value) {
  return m_robotBaseService->getBoardFirmwareUpdateResultService(value);
}

int ServiceInterface::robotServiceGetRobotEthernetDeviceName(std::string& ethernetDeviceName) {
  return m_robotBaseService->getRobotEthernetDeviceNameService(ethernetDeviceName);
}

int ServiceInterface::robotServiceSetRobotJointOffset(RobotJointOffset& jointOffset) {
  return m_robotBaseService->setRobotJointOffsetService(jointOffset);
}

int ServiceInterface::robotServiceGetCurrentWaypointInfo(kavi_robot_namespace::wayPoint_S& wayPoint) {
  JointParam joints;
  std::memset(&joints, 0, sizeof(joints));
  int ret = m_robotBaseService->getCurrentJointAngle(joints);
  if (ret != ErrnoSucc) return ret;
  RobotUtilService::robotFk(joints.jointPos, 6, wayPoint);
  return ErrnoSucc;
}

std::string ServiceInterface::getErrDescByCode(RobotErrorCode code) {
  return ErrorInfoService::getErrDescByCode(code);
}

int ServiceInterface::robotServiceSetRobotMaxACC(int /*maxAcc*/) { return ErrnoSucc; }

int ServiceInterface::robotServiceGetMacCommunicationStatus(bool& value) {
  value = true;
  return ErrnoSucc;
}

// ---- Tool dynamics and start-up ----

int ServiceInterface::robotServiceSetToolDynamicsParam(const ToolDynamicsParam& toolDynamicsParam) {
  return m_robotBaseService->setTcpParamService(toTcpParam(toolDynamicsParam));
}

int ServiceInterface::robotServiceSetNoneToolDynamicsParam() {
  ToolDynamicsParam none;
  initToolDynamicsParamDataType(none);
  return robotServiceSetToolDynamicsParam(none);
}

int ServiceInterface::robotServiceGetToolDynamicsParam(ToolDynamicsParam& toolDynamicsParam) {
  RobotTcpParam tcp;
  std::memset(&tcp, 0, sizeof(tcp));
  int ret = m_robotBaseService->getTcpParamService(tcp);
  if (ret != ErrnoSucc) return ret;
  initToolDynamicsParamDataType(toolDynamicsParam);
  toolDynamicsParam.positionX = tcp.paramAutorun.positionX;
  toolDynamicsParam.positionY = tcp.paramAutorun.positionY;
  toolDynamicsParam.positionZ = tcp.paramAutorun.positionZ;
  toolDynamicsParam.payload = tcp.paramAutorun.payload;
  return ErrnoSucc;
}

int ServiceInterface::rootServiceRobotStartup(const ToolDynamicsParam& toolDynamicsParam,
                                              uint8 collisionClass, bool readPose,
                                              bool staticCollisionDetect, int boardBaxAcc,
                                              ROBOT_SERVICE_STATE& result, bool IsBolck) {
  return m_robotBaseService->robotStartupService(toTcpParam(toolDynamicsParam), collisionClass,
                                                 readPose, staticCollisionDetect, boardBaxAcc,
                                                 result, IsBolck);
}

// ---- Global move profile ----

int ServiceInterface::robotServiceInitGlobalMoveProfile() { return RobotMoveService::initMoveProfile(); }

int ServiceInterface::robotServiceSetGlobalMoveJointMaxAcc(const JointVelcAccParam& moveMaxAcc) {
  return RobotMoveService::setMoveJointMaxAcc(moveMaxAcc);
}

int ServiceInterface::robotServiceSetGlobalMoveJointMaxVelc(const JointVelcAccParam& moveMaxVelc) {
  return RobotMoveService::setMoveJointMaxVelc(moveMaxVelc);
}

void ServiceInterface::robotServiceGetGlobalMoveJointMaxAcc(JointVelcAccParam& moveMaxAcc) {
  RobotMoveService::getMoveJointMaxAcc(moveMaxAcc);
}

void ServiceInterface::robotServiceGetGlobalMoveJointMaxVelc(JointVelcAccParam& moveMaxVelc) {
  RobotMoveService::getMoveJointMaxVelc(moveMaxVelc);
}

int ServiceInterface::robotServiceSetGlobalMoveEndMaxLineAcc(double moveMaxAcc) {
  return RobotMoveService::setMoveEndMaxLineAcc(moveMaxAcc);
}

int ServiceInterface::robotServiceSetGlobalMoveEndMaxLineVelc(double moveMaxVelc) {
  return RobotMoveService::setMoveEndMaxLineVelc(moveMaxVelc);
}

void ServiceInterface::robotServiceGetGlobalMoveEndMaxLineAcc(double& moveMaxAcc) {
  RobotMoveService::getMoveEndMaxLineAcc(moveMaxAcc);
}

void ServiceInterface::robotServiceGetGlobalMoveEndMaxLineVelc(double& moveMaxVelc) {
  RobotMoveService::getMoveEndMaxLineVelc(moveMaxVelc);
}

int ServiceInterface::robotServiceSetGlobalMoveEndMaxAngleAcc(double moveMaxAcc) {
  return RobotMoveService::setMoveEndMaxAngleAcc(moveMaxAcc);
}

int ServiceInterface::robotServiceSetGlobalMoveEndMaxAngleVelc(double moveMaxVelc) {
  return RobotMoveService::setMoveEndMaxAngleVelc(moveMaxVelc);
}

void ServiceInterface::robotServiceGetGlobalMoveEndMaxAngleAcc(double& moveMaxAcc) {
  RobotMoveService::getMoveEndMaxAngleAcc(moveMaxAcc);
}

void ServiceInterface::robotServiceGetGlobalMoveEndMaxAngleVelc(double& moveMaxVelc) {
  RobotMoveService::getMoveEndMaxAngleVelc(moveMaxVelc);
}

void ServiceInterface::robotServiceClearGlobalWayPointVector() {
  RobotMoveService::clearWayPointVector();
}

int ServiceInterface::robotServiceAddGlobalWayPoint(const kavi_robot_namespace::wayPoint_S& wayPoint) {
  return RobotMoveService::addWayPoint(wayPoint);
}

int ServiceInterface::robotServiceAddGlobalWayPoint(const double* jointAngle) {
  if (jointAngle == nullptr) return ErrCode_ParamError;
  kavi_robot_namespace::wayPoint_S wayPoint;
  initWayPointDataType(wayPoint);
  int ret = robotServiceRobotFk(jointAngle, 6, wayPoint);
  if (ret != ErrnoSucc) return ret;
  return RobotMoveService::addWayPoint(wayPoint);
}

void ServiceInterface::robotServiceGetGlobalWayPointVector(std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector) {
  RobotMoveService::getWayPointVector(wayPointVector);
}

float ServiceInterface::robotServiceGetGlobalBlendRadius() { return RobotMoveService::getBlendRadius(); }

int ServiceInterface::robotServiceSetGlobalBlendRadius(float value) {
  return RobotMoveService::setBlendRadius(value);
}

double ServiceInterface::robotServiceGetTrackPlaybackCycle() {
  return RobotMoveService::getTrackPlaybackCycle();
}

int ServiceInterface::robotServiceSetTrackPlaybackCycle(double second) {
  RobotMoveService::setTrackPlaybackCycle(second);
  return ErrnoSucc;
}

int ServiceInterface::robotServiceGetGlobalCircularLoopTimes() {
  return RobotMoveService::getCircularLoopTimes();
}

void ServiceInterface::robotServiceSetGlobalCircularLoopTimes(int times) {
  RobotMoveService::setCircularLoopTimes(times);
}

int ServiceInterface::robotServiceSetMoveRelativeParam(const MoveRelative& relativeMoveOnBase) {
  return RobotMoveService::setMoveProfileRelativeParam(relativeMoveOnBase);
}

int ServiceInterface::robotServiceSetMoveRelativeParam(const MoveRelative& relativeMoveOnUserCoord,
                                                       const CoordCalibrateByJointAngleAndTool& userCoord) {
  return RobotMoveService::setMoveProfileRelativeParam(relativeMoveOnUserCoord, userCoord);
}

int ServiceInterface::robotServiceSetNoArrivalAhead() { return RobotMoveService::setNoArrivalAhead(); }

int ServiceInterface::robotServiceSetArrivalAheadDistanceMode(double distance) {
  return RobotMoveService::setArrivalAheadDistanceMode(distance);
}

int ServiceInterface::robotServiceSetArrivalAheadTimeMode(double second) {
  return RobotMoveService::setArrivalAheadTimeMode(second);
}

int ServiceInterface::robotServiceSetArrivalAheadBlendDistanceMode(double distance) {
  return RobotMoveService::setArrivalAheadBlendDistanceMode(distance);
}

int ServiceInterface::robotServiceSetTeachCoordinateSystem(
    const CoordCalibrateByJointAngleAndTool& coordSystem) {
  return RobotMoveService::setTeachCoordinateSystem(coordSystem);
}

int ServiceInterface::robotServiceSetToolKinematicsParam(const ToolKinematicsParam& toolKinematicsParam) {
  return RobotMoveService::setMoveProfileToolParam(toolKinematicsParam);
}

int ServiceInterface::robotServiceSetNoneToolKinematicsParam() {
  return RobotMoveService::setMoveProfileToolParamIsNone();
}

int ServiceInterface::robotServiceGetToolKinematicsParam(ToolKinematicsParam& toolKinematicsParam) {
  return RobotMoveService::getMoveProfileToolParam(toolKinematicsParam);
}

// ---- Motion ----

int ServiceInterface::robotServiceJointMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck) {
  return m_robotMoveService->robotJointMove(wayPoint, IsBolck);
}

int ServiceInterface::robotServiceJointMove(double* jointAngle, bool IsBolck) {
  if (jointAngle == nullptr) return ErrCode_ParamError;
  kavi_robot_namespace::wayPoint_S wayPoint;
  initWayPointDataType(wayPoint);
  int ret = robotServiceRobotFk(jointAngle, 6, wayPoint);
  if (ret != ErrnoSucc) return ret;
  return robotServiceJointMove(wayPoint, IsBolck);
}

int ServiceInterface::robotServiceFollowModeJointMove(double* jointAngle) {
  if (jointAngle == nullptr) return ErrCode_ParamError;
  kavi_robot_namespace::wayPoint_S wayPoint;
  initWayPointDataType(wayPoint);
  int ret = robotServiceRobotFk(jointAngle, 6, wayPoint);
  if (ret != ErrnoSucc) return ret;
  return m_robotMoveService->robotFollowModeJointMove(wayPoint);
}

int ServiceInterface::robotServiceLineMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck) {
  // The joints are what the arm reaches: the pose sent must be theirs.
  const double joints[6] = {wayPoint.jointpos[0], wayPoint.jointpos[1], wayPoint.jointpos[2],
                            wayPoint.jointpos[3], wayPoint.jointpos[4], wayPoint.jointpos[5]};
  RobotUtilService::robotFk(joints, 6, wayPoint);
  return m_robotMoveService->robotLineMove(wayPoint, IsBolck);
}

int ServiceInterface::robotServiceLineMove(double* jointAngle, bool IsBolck) {
  if (jointAngle == nullptr) return ErrCode_ParamError;
  kavi_robot_namespace::wayPoint_S wayPoint;
  initWayPointDataType(wayPoint);
  robotServiceRobotFk(jointAngle, 6, wayPoint);
  return robotServiceLineMove(wayPoint, IsBolck);
}

int ServiceInterface::robotServiceRotateMove(const CoordCalibrateByJointAngleAndTool& userCoord,
                                             const double* rotateAxisOnUserCoord, double rotateAngle,
                                             bool IsBolck) {
  return m_robotMoveService->robotLineRotateMove(userCoord, rotateAxisOnUserCoord, rotateAngle,
                                                 IsBolck);
}

int ServiceInterface::robotServiceTrackMove(move_track subMoveMode, bool IsBolck) {
  return m_robotMoveService->robotTrackMove(subMoveMode, IsBolck);
}

int ServiceInterface::robotServiceTeachStart(teach_mode mode, bool direction) {
  return m_robotMoveService->robotTeachStart(mode, direction);
}

int ServiceInterface::robotServiceTeachStop() { return m_robotMoveService->robotTeachStop(); }

int ServiceInterface::rootServiceRobotMoveControl(RobotMoveControlCommand cmd) {
  std::printf("rootServiceRobotMoveControl called.cmd:%d\n", static_cast<int>(cmd));
  std::fflush(stdout);
  return m_robotMoveService->robotMoveControl(cmd);
}

int ServiceInterface::robotMoveFastStop() { return m_robotMoveService->robotMoveFastStop(); }

// ---- Kinematics and coordinates ----

int ServiceInterface::robotServiceRobotFk(const double* jointAngle, int size, kavi_robot_namespace::wayPoint_S& wayPoint) {
  if (jointAngle == nullptr) return ErrCode_ParamError;
  return RobotUtilService::robotFk(jointAngle, size, wayPoint);
}

int ServiceInterface::robotServiceRobotIk(const double* startPointJointAngle, const kavi_robot_namespace::Pos& position,
                                          const kavi_robot_namespace::Ori& ori, kavi_robot_namespace::wayPoint_S& wayPoint) {
  if (startPointJointAngle == nullptr) return ErrCode_ParamError;
  return RobotUtilService::robotIk(startPointJointAngle, position, ori, wayPoint);
}

int ServiceInterface::robotServiceToolCalibration(const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointPosVector,
                                                  char poseCalibMethod, ToolInEndDesc& toolInEndDesc) {
  return RobotUtilService::toolCalibration(wayPointPosVector, poseCalibMethod, toolInEndDesc);
}

int ServiceInterface::robotServiceToolCalibration(
    const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointPosCalibVector,
    const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointOriCalibVector,
    ToolKinematicsOriCalibrateMathod poseCalibMethod, ToolInEndDesc& toolInEndDesc) {
  return RobotUtilService::toolCalibration(wayPointPosCalibVector, wayPointOriCalibVector,
                                           poseCalibMethod, toolInEndDesc);
}

int ServiceInterface::robotServiceCheckUserCoordinate(
    const CoordCalibrateByJointAngleAndTool& coordSystem) {
  return RobotUtilService::checkCoordinateSystemCalibration(coordSystem);
}

int ServiceInterface::robotServiceUserCoordinateCalibration(
    const CoordCalibrateByJointAngleAndTool& coordSystem, double* bInWPos, double* bInWOri,
    double* wInBPos) {
  return RobotUtilService::coordinateSystemCalibration(coordSystem, bInWPos, bInWOri, wInBPos);
}

int ServiceInterface::robotServiceOriMatrixToQuaternion(double* eerot, kavi_robot_namespace::Ori& result) {
  if (eerot == nullptr) return ErrCode_ParamError;
  return RobotUtilService::oriMatrixToQuaternion(eerot, result);
}

int ServiceInterface::baseToUserCoordinate(const kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                           const kavi_robot_namespace::Ori& flangeCenterOrientationOnBase,
                                           const CoordCalibrateByJointAngleAndTool& userCoord,
                                           const ToolInEndDesc& toolInEndDesc,
                                           kavi_robot_namespace::Pos& toolEndPositionOnUserCoord,
                                           kavi_robot_namespace::Ori& toolEndOrientationOnUserCoord) {
  return RobotUtilService::base2UserCoordinate(flangeCenterPositionOnBase,
                                               flangeCenterOrientationOnBase, userCoord,
                                               toolInEndDesc, toolEndPositionOnUserCoord,
                                               toolEndOrientationOnUserCoord);
}

int ServiceInterface::userToBaseCoordinate(const kavi_robot_namespace::Pos& toolEndPositionOnUserCoord,
                                           const kavi_robot_namespace::Ori& toolEndOrientationOnUserCoord,
                                           const CoordCalibrateByJointAngleAndTool& userCoord,
                                           const ToolInEndDesc& toolInEndDesc,
                                           kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                           kavi_robot_namespace::Ori& flangeCenterOrientationOnBase) {
  return RobotUtilService::user2BaseCoordinate(toolEndPositionOnUserCoord,
                                               toolEndOrientationOnUserCoord, userCoord,
                                               toolInEndDesc, flangeCenterPositionOnBase,
                                               flangeCenterOrientationOnBase);
}

int ServiceInterface::userCoordPointToBasePoint(const kavi_robot_namespace::Pos& userCoordPoint,
                                                const CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                                kavi_robot_namespace::Pos& basePoint) {
  return RobotUtilService::userCoordPoint2BasePoint(userCoordPoint, userCoordSystem, basePoint);
}

int ServiceInterface::endOrientation2ToolOrientation(kavi_robot_namespace::Ori& tcpOriInEnd, const kavi_robot_namespace::Ori& endOri,
                                                     kavi_robot_namespace::Ori& toolOri) {
  return RobotUtilService::endOrientation2ToolOrientation(tcpOriInEnd, endOri, toolOri);
}

int ServiceInterface::toolOrientation2EndOrientation(kavi_robot_namespace::Ori& tcpOriInEnd, const kavi_robot_namespace::Ori& toolOri,
                                                     kavi_robot_namespace::Ori& endOri) {
  return RobotUtilService::toolOrientation2EndOrientation(tcpOriInEnd, toolOri, endOri);
}

int ServiceInterface::quaternionToRPY(const kavi_robot_namespace::Ori& ori, Rpy& rpy) {
  return RobotUtilService::quaternionToRPY(ori, rpy);
}

int ServiceInterface::RPYToQuaternion(const Rpy& rpy, kavi_robot_namespace::Ori& ori) {
  return RobotUtilService::RPYToQuaternion(rpy, ori);
}

int ServiceInterface::baseToBaseAdditionalTool(const kavi_robot_namespace::Pos& flangeCenterPositionOnBase,
                                               const kavi_robot_namespace::Ori& flangeCenterOrientationOnBase,
                                               const ToolInEndDesc& toolInEndDesc,
                                               kavi_robot_namespace::Pos& toolEndPositionOnBase,
                                               kavi_robot_namespace::Ori& toolEndOrientationOnBase) {
  kavi_robot_namespace::wayPoint_S flange;
  kavi_robot_namespace::wayPoint_S toolEnd;
  initWayPointDataType(flange);
  initWayPointDataType(toolEnd);
  flange.cartPos.position = flangeCenterPositionOnBase;
  flange.orientation = flangeCenterOrientationOnBase;
  int ret = RobotUtilService::base2BaseAdditionalTool(flange, toolInEndDesc, toolEnd);
  toolEndPositionOnBase = toolEnd.cartPos.position;
  toolEndOrientationOnBase = toolEnd.orientation;
  return ret;
}
