// Motion service: global move profile, profile building and move execution.
#include "RobotMoveService.h"

#include <cstdio>
#include <cstring>

#include "ProtoEncodeDecode.h"
#include "RobotControlServices.h"
#include "RobotTraceLog.h"
#include "RobotUtilService.h"

using namespace kavi_robot_namespace;
using kavi_robot_logtrace::W_ERROR;
using kavi_robot_logtrace::W_INFO;

namespace {

constexpr double kDefaultJointLimit = 0.4363323129985824;  // 25 deg
constexpr double kDefaultEndAngleLimit = 1.7453292519943295;  // 100 deg
constexpr double kMaxJointAcc = 83.77597862865302;           // 4800.01 deg
constexpr double kMaxJointVelc = 8.726820792896847;          // 500.01 deg
constexpr double kMaxEndLineAcc = 80.01;
constexpr double kMaxEndLineVelc = 5.01;
constexpr double kMaxEndAngle = 3.141767186514992;  // 180.01 deg
constexpr size_t kMaxWayPoints = 5000;

bool inRange(double v, double max) { return v > 0.0 && v <= max; }

void setNoneTool(ToolInEndDesc& tool) {
  tool.toolInEndPosition = kavi_robot_namespace::Pos{0.0, 0.0, 0.0};
  tool.toolInEndOrientation = kavi_robot_namespace::Ori{1.0, 0.0, 0.0, 0.0};
}

}  // namespace

JointVelcAccParam RobotMoveService::s_moveProfileJointMaxAcc;
JointVelcAccParam RobotMoveService::s_moveProfileJointMaxVelc;
double RobotMoveService::s_moveProfileEndMaxLineAcc;
double RobotMoveService::s_moveProfileEndMaxLineVelc;
double RobotMoveService::s_moveProfileEndMaxAngleAcc;
double RobotMoveService::s_moveProfileEndMaxAngleVelc;
std::vector<kavi_robot_namespace::wayPoint_S> RobotMoveService::s_moveWayPointVector;
CoordCalibrateByJointAngleAndTool RobotMoveService::s_teachMoveCoordinateSystem;
RobotMoveService::MoveRelativeParam_t RobotMoveService::s_moveProfileRelativeParam;
double RobotMoveService::s_moveProfileBlendRadius;
double RobotMoveService::s_moveProfileTrackPlaybackCycle;
int RobotMoveService::s_moveProfileCircularLoopTimes;
bool RobotMoveService::s_moveProfileEnableIterIk;
ToolInEndDesc RobotMoveService::s_moveProfileToolInEndDesc;
bool RobotMoveService::s_moveProfileToolTrack;
RobotMoveService::MoveArrivalAhead_t RobotMoveService::s_moveArrivalAhead;
bool RobotMoveService::s_moveProfileIsInited = false;
RobotMoveService::offlineTrackRecognition RobotMoveService::s_offlineTrackRecognition{"", 0, 0};

RobotMoveService::RobotMoveService(RobotControlServices* p) : m_robotBaseService(p) {
  if (!s_moveProfileIsInited) {
    initClassProfile();
    s_moveProfileIsInited = true;
  }
}

int RobotMoveService::initClassProfile() {
  int ret = initMoveProfile();
  setNoneTool(s_moveProfileToolInEndDesc);
  s_moveProfileToolTrack = false;
  return ret;
}

int RobotMoveService::initMoveProfile() {
  s_moveWayPointVector.clear();
  for (int i = 0; i < 6; ++i) {
    s_moveProfileJointMaxAcc.jointPara[i] = kDefaultJointLimit;
    s_moveProfileJointMaxVelc.jointPara[i] = kDefaultJointLimit;
  }
  s_moveProfileEndMaxLineAcc = 0.03;
  s_moveProfileEndMaxLineVelc = 0.03;
  s_moveProfileEndMaxAngleAcc = kDefaultEndAngleLimit;
  s_moveProfileEndMaxAngleVelc = kDefaultEndAngleLimit;
  s_teachMoveCoordinateSystem.coordType = BaseCoordinate;

  std::memset(&s_moveProfileRelativeParam, 0, sizeof(s_moveProfileRelativeParam));
  s_moveProfileRelativeParam.isEnable = false;
  s_moveProfileRelativeParam.coordinateSystem.coordType = BaseCoordinate;
  s_moveProfileRelativeParam.relativeOrientation = kavi_robot_namespace::Ori{1.0, 0.0, 0.0, 0.0};

  s_moveProfileBlendRadius = 0.02;
  s_moveProfileTrackPlaybackCycle = 0.1;
  s_moveProfileCircularLoopTimes = 0;
  s_moveProfileEnableIterIk = false;
  s_moveArrivalAhead.arrivalAheadStat = arrival_ahead_none;
  s_moveArrivalAhead.arrivalAheadThr = 0.0;
  s_offlineTrackRecognition = offlineTrackRecognition{"", 0, 0};
  return ErrnoSucc;
}

int RobotMoveService::setMoveJointMaxAcc(const JointVelcAccParam& moveMaxAcc) {
  for (double v : moveMaxAcc.jointPara) {
    if (!inRange(v, kMaxJointAcc)) return ErrCode_ParamError;
  }
  s_moveProfileJointMaxAcc = moveMaxAcc;
  return ErrnoSucc;
}

int RobotMoveService::setMoveJointMaxVelc(const JointVelcAccParam& moveMaxVelc) {
  for (double v : moveMaxVelc.jointPara) {
    if (!inRange(v, kMaxJointVelc)) return ErrCode_ParamError;
  }
  s_moveProfileJointMaxVelc = moveMaxVelc;
  return ErrnoSucc;
}

void RobotMoveService::getMoveJointMaxAcc(JointVelcAccParam& moveMaxAcc) {
  moveMaxAcc = s_moveProfileJointMaxAcc;
}

void RobotMoveService::getMoveJointMaxVelc(JointVelcAccParam& moveMaxVelc) {
  moveMaxVelc = s_moveProfileJointMaxVelc;
}

int RobotMoveService::setMoveEndMaxLineAcc(double moveMaxAcc) {
  if (!inRange(moveMaxAcc, kMaxEndLineAcc)) return ErrCode_ParamError;
  s_moveProfileEndMaxLineAcc = moveMaxAcc;
  return ErrnoSucc;
}

int RobotMoveService::setMoveEndMaxLineVelc(double moveMaxVelc) {
  if (!inRange(moveMaxVelc, kMaxEndLineVelc)) return ErrCode_ParamError;
  s_moveProfileEndMaxLineVelc = moveMaxVelc;
  return ErrnoSucc;
}

int RobotMoveService::setMoveEndMaxAngleAcc(double moveMaxAcc) {
  if (!inRange(moveMaxAcc, kMaxEndAngle)) return ErrCode_ParamError;
  s_moveProfileEndMaxAngleAcc = moveMaxAcc;
  return ErrnoSucc;
}

int RobotMoveService::setMoveEndMaxAngleVelc(double moveMaxVelc) {
  if (!inRange(moveMaxVelc, kMaxEndAngle)) return ErrCode_ParamError;
  s_moveProfileEndMaxAngleVelc = moveMaxVelc;
  return ErrnoSucc;
}

void RobotMoveService::getMoveEndMaxLineAcc(double& v) { v = s_moveProfileEndMaxLineAcc; }
void RobotMoveService::getMoveEndMaxLineVelc(double& v) { v = s_moveProfileEndMaxLineVelc; }
void RobotMoveService::getMoveEndMaxAngleAcc(double& v) { v = s_moveProfileEndMaxAngleAcc; }
void RobotMoveService::getMoveEndMaxAngleVelc(double& v) { v = s_moveProfileEndMaxAngleVelc; }

void RobotMoveService::clearWayPointVector() { s_moveWayPointVector.clear(); }

int RobotMoveService::addWayPoint(const kavi_robot_namespace::wayPoint_S& wayPoint) {
  if (s_moveWayPointVector.size() >= kMaxWayPoints) return ErrCode_MotionWaypointVetorSizeError;
  s_moveWayPointVector.push_back(wayPoint);
  return ErrnoSucc;
}

void RobotMoveService::getWayPointVector(std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector) {
  wayPointVector.clear();
  wayPointVector.insert(wayPointVector.end(), s_moveWayPointVector.begin(),
                        s_moveWayPointVector.end());
}

float RobotMoveService::getBlendRadius() { return static_cast<float>(s_moveProfileBlendRadius); }

int RobotMoveService::setBlendRadius(float value) {
  if (!(value > 0.0f && value < 0.0501f)) return ErrCode_ParamError;
  s_moveProfileBlendRadius = value;
  return ErrnoSucc;
}

int RobotMoveService::getCircularLoopTimes() { return s_moveProfileCircularLoopTimes; }
void RobotMoveService::setCircularLoopTimes(int times) { s_moveProfileCircularLoopTimes = times; }
double RobotMoveService::getTrackPlaybackCycle() { return s_moveProfileTrackPlaybackCycle; }
void RobotMoveService::setTrackPlaybackCycle(double second) {
  s_moveProfileTrackPlaybackCycle = second;
}
void RobotMoveService::setEnableIterIk(bool value) { s_moveProfileEnableIterIk = value; }

int RobotMoveService::setMoveProfileRelativeParam(const MoveRelative& relativeMoveOnBase) {
  CoordCalibrateByJointAngleAndTool base;
  std::memset(&base, 0, sizeof(base));
  base.coordType = BaseCoordinate;
  return setMoveProfileRelativeParam(relativeMoveOnBase, base);
}

int RobotMoveService::setMoveProfileRelativeParam(const MoveRelative& relativeMoveOnUserCoord,
                                                  const CoordCalibrateByJointAngleAndTool& userCoord) {
  s_moveProfileRelativeParam.isEnable = relativeMoveOnUserCoord.ena;
  s_moveProfileRelativeParam.coordinateSystem = userCoord;
  s_moveProfileRelativeParam.relativeOrientation = relativeMoveOnUserCoord.relativeOri;
  for (int i = 0; i < 3; ++i) {
    s_moveProfileRelativeParam.relativePosition[i] = relativeMoveOnUserCoord.relativePosition[i];
  }
  return ErrnoSucc;
}

int RobotMoveService::setTeachCoordinateSystem(const CoordCalibrateByJointAngleAndTool& coordSystem) {
  s_teachMoveCoordinateSystem = coordSystem;
  return ErrnoSucc;
}

int RobotMoveService::setMoveProfileToolParam(const ToolInEndDesc& toolInEndDesc) {
  s_moveProfileToolInEndDesc = toolInEndDesc;
  s_moveProfileToolTrack = true;
  return ErrnoSucc;
}

int RobotMoveService::setMoveProfileToolParamIsNone() {
  setNoneTool(s_moveProfileToolInEndDesc);
  s_moveProfileToolTrack = false;
  return ErrnoSucc;
}

int RobotMoveService::getMoveProfileToolParam(ToolInEndDesc& toolInEndDesc) {
  toolInEndDesc = s_moveProfileToolInEndDesc;
  return ErrnoSucc;
}

int RobotMoveService::setNoArrivalAhead() {
  s_moveArrivalAhead.arrivalAheadStat = arrival_ahead_none;
  s_moveArrivalAhead.arrivalAheadThr = 0.0;
  return ErrnoSucc;
}

int RobotMoveService::setArrivalAheadDistanceMode(double distance) {
  s_moveArrivalAhead.arrivalAheadStat = arrival_ahead_distance;
  s_moveArrivalAhead.arrivalAheadThr = distance;
  return ErrnoSucc;
}

int RobotMoveService::setArrivalAheadTimeMode(double second) {
  s_moveArrivalAhead.arrivalAheadStat = arrival_ahead_time;
  s_moveArrivalAhead.arrivalAheadThr = second;
  return ErrnoSucc;
}

int RobotMoveService::setArrivalAheadBlendDistanceMode(double distance) {
  s_moveArrivalAhead.arrivalAheadStat = arrival_ahead_blend_distance;
  s_moveArrivalAhead.arrivalAheadThr = distance;
  return ErrnoSucc;
}

// ---- Profile building ----

void RobotMoveService::initDefaultMoveProfile(RobotMoveProfile& p) {
  std::memset(&p, 0, sizeof(p));
  p.moveMode = NO_MOVEMODE;
  p.subMoveMode = NO_TRACK;
  p.teachMode = NO_TEACH;
  p.enableIterIk = false;
  p.toolTrack = false;
  p.toolInEndPosition.position = kavi_robot_namespace::Pos{0.0, 0.0, 0.0};
  p.toolInEndOrientation = kavi_robot_namespace::Ori{1.0, 0.0, 0.0, 0.0};
  p.blendRadius = 0.02f;
  p.circularLoopTimes = 0;
  for (int i = 0; i < 6; ++i) {
    p.maxVelc.jointPara[i] = kDefaultJointLimit;
    p.maxAcc.jointPara[i] = kDefaultJointLimit;
  }
  p.relativeMove.ena = false;
  for (float& v : p.relativeMove.relativePosition) v = 0.0f;
  p.relativeMove.relativeOrientation.orientation = kavi_robot_namespace::Ori{1.0, 0.0, 0.0, 0.0};
  p.arrivalAhead.arrivalAheadStat = arrival_ahead_none;
  p.arrivalAhead.arrivalAheadThr = 0.0;
}

void RobotMoveService::getCurrentMoveProfileRemoveOffset(move_mode moveMode, move_track subMoveMode,
                                                         teach_mode teachMode,
                                                         RobotMoveProfile& p) {
  initDefaultMoveProfile(p);
  p.moveMode = moveMode;
  p.subMoveMode = subMoveMode;
  p.teachMode = teachMode;
  p.enableIterIk = s_moveProfileEnableIterIk;
  p.toolTrack = s_moveProfileToolTrack;
  p.blendRadius = static_cast<float>(s_moveProfileBlendRadius);
  p.circularLoopTimes = s_moveProfileCircularLoopTimes;

  p.relativeMove.ena = false;
  for (float& v : p.relativeMove.relativePosition) v = 0.0f;
  p.relativeMove.relativeOrientation.orientation = kavi_robot_namespace::Ori{1.0, 0.0, 0.0, 0.0};

  p.toolInEndPosition.position = s_moveProfileToolInEndDesc.toolInEndPosition;
  p.toolInEndOrientation = s_moveProfileToolInEndDesc.toolInEndOrientation;

  if (moveMode == MODEP) {
    // The blend-radius field carries the playback cycle for this sub-mode.
    if (subMoveMode == JOINT_UBSPLINEINTP) {
      p.blendRadius = static_cast<float>(s_moveProfileTrackPlaybackCycle);
    }
    // Arc and circle sub-modes travel as ARC_CIR; the sign of the blend radius
    // says whether the orientation turns with the arc, the loop count how
    // often a circle is run.
    switch (subMoveMode) {
      case ARC:
        p.subMoveMode = ARC_CIR;
        p.blendRadius = 1.0f;
        p.circularLoopTimes = 0;
        break;
      case CIRCLE:
        p.subMoveMode = ARC_CIR;
        p.blendRadius = 1.0f;
        break;
      case ARC_ORI_ROTATED:
        p.subMoveMode = ARC_CIR;
        p.blendRadius = -1.0f;
        p.circularLoopTimes = 0;
        break;
      case CIRCLE_ORI_ROTATED:
      case ORI_POSITION_ROTATE_CIRCUMFERENCE:
        p.subMoveMode = ARC_CIR;
        p.blendRadius = -1.0f;
        p.circularLoopTimes = 1;
        break;
      default:
        break;
    }
  }

  p.arrivalAhead.arrivalAheadStat = s_moveArrivalAhead.arrivalAheadStat;
  p.arrivalAhead.arrivalAheadThr = s_moveArrivalAhead.arrivalAheadThr;
  if ((moveMode == MODEJ || moveMode == MODEL) &&
      (s_moveArrivalAhead.arrivalAheadStat == arrival_ahead_distance ||
       s_moveArrivalAhead.arrivalAheadStat == arrival_ahead_time)) {
    p.subMoveMode = TRACKING;
  }
  setMaxVelcAccByMoveMode(moveMode, p.subMoveMode, p);
}

void RobotMoveService::setMaxVelcAccByMoveMode(move_mode moveMode, move_track subMoveMode,
                                               RobotMoveProfile& p) {
  auto joint = [&p]() {
    for (int i = 0; i < 6; ++i) {
      p.maxAcc.jointPara[i] = s_moveProfileJointMaxAcc.jointPara[i];
      p.maxVelc.jointPara[i] = s_moveProfileJointMaxVelc.jointPara[i];
    }
  };
  auto end = [&p]() {
    p.maxAcc.cartPara[0] = s_moveProfileEndMaxLineAcc;
    p.maxVelc.cartPara[0] = s_moveProfileEndMaxLineVelc;
    p.maxAcc.cartPara[1] = s_moveProfileEndMaxAngleAcc;
    p.maxVelc.cartPara[1] = s_moveProfileEndMaxAngleVelc;
  };
  if (moveMode == MODEJ) {
    joint();
  } else if (moveMode == MODEL) {
    end();
  } else if (moveMode == MODEP) {
    switch (subMoveMode) {
      case ARC_CIR:
      case CARTESIAN_MOVEP:
      case CARTESIAN_CUBICSPLINE:
      case CARTESIAN_UBSPLINEINTP:
        end();
        break;
      case CARTESIAN_GNUBSPLINEINTP:
      case JIONT_CUBICSPLINE:
      case JOINT_UBSPLINEINTP:
      case JOINT_GNUBSPLINEINTP:
        joint();
        break;
      default:
        break;
    }
  }
}

int RobotMoveService::modifyOffsetProfileByWaypointAndGlobalOffset(
    kavi_robot_namespace::wayPoint_S offset_reference_waypoint, RobotMoveProfile& p) {
  const MoveRelativeParam_t& rel = s_moveProfileRelativeParam;
  p.relativeMove.ena = rel.isEnable;
  if (!rel.isEnable) return ErrnoSucc;

  if (rel.coordinateSystem.coordType == BaseCoordinate) {
    p.relativeMove.relativeOrientation.orientation = rel.relativeOrientation;
    for (int i = 0; i < 3; ++i) p.relativeMove.relativePosition[i] = rel.relativePosition[i];
    return ErrnoSucc;
  }

  kavi_robot_namespace::Pos source{rel.relativePosition[0], rel.relativePosition[1], rel.relativePosition[2]};
  kavi_robot_namespace::Pos targetPos{0.0, 0.0, 0.0};
  kavi_robot_namespace::Ori targetOri{1.0, 0.0, 0.0, 0.0};
  if (RobotUtilService::relativeMoveAndRot(offset_reference_waypoint, rel.coordinateSystem,
                                           s_moveProfileToolInEndDesc, source,
                                           rel.relativeOrientation, targetPos, targetOri)) {
    p.relativeMove.relativePosition[0] = static_cast<float>(targetPos.x);
    p.relativeMove.relativePosition[1] = static_cast<float>(targetPos.y);
    p.relativeMove.relativePosition[2] = static_cast<float>(targetPos.z);
    p.relativeMove.relativeOrientation.orientation = targetOri;
    return ErrnoSucc;
  }
  p.relativeMove.ena = false;
  return ErrCode_Failed;
}

// ---- Motion execution ----

int RobotMoveService::robotJointMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck) {
  RobotMoveProfile profile;
  getCurrentMoveProfileRemoveOffset(MODEJ, NO_TRACK, NO_TEACH, profile);
  modifyOffsetProfileByWaypointAndGlobalOffset(wayPoint, profile);
  return robotMoveService(profile, std::vector<kavi_robot_namespace::wayPoint_S>{wayPoint}, IsBolck);
}

int RobotMoveService::robotFollowModeJointMove(kavi_robot_namespace::wayPoint_S& wayPoint) {
  RobotMoveProfile profile;
  getCurrentMoveProfileRemoveOffset(MODEJ, TRACKING, NO_TEACH, profile);
  modifyOffsetProfileByWaypointAndGlobalOffset(wayPoint, profile);
  return robotMoveService(profile, std::vector<kavi_robot_namespace::wayPoint_S>{wayPoint}, false);
}

int RobotMoveService::robotLineMove(kavi_robot_namespace::wayPoint_S& wayPoint, bool IsBolck) {
  RobotMoveProfile profile;
  getCurrentMoveProfileRemoveOffset(MODEL, NO_TRACK, NO_TEACH, profile);
  modifyOffsetProfileByWaypointAndGlobalOffset(wayPoint, profile);
  return robotMoveService(profile, std::vector<kavi_robot_namespace::wayPoint_S>{wayPoint}, IsBolck);
}

int RobotMoveService::robotLineRotateMove(const CoordCalibrateByJointAngleAndTool& userCoord,
                                          const double* rotateAxisOnUserCoord, double rotateAngle,
                                          bool IsBolck) {
  if (rotateAxisOnUserCoord == nullptr) {
    W_ERROR("sdk log: robotLineRotateMove called without a rotation axis.");
    return ErrCode_ParamError;
  }
  kavi_robot_namespace::wayPoint_S current;
  int ret = getCurrnetRoadPoint(current);
  if (ret != ErrnoSucc) return ret;

  RobotMoveProfile profile;
  getCurrentMoveProfileRemoveOffset(MODEL, NO_TRACK, ROT_Y, profile);
  modifyOffsetProfileByWaypointAndGlobalOffset(current, profile);

  double baseAxis[3] = {0.0, 0.0, 0.0};
  ret = RobotUtilService::offsetVectorUserCoord2Base(rotateAxisOnUserCoord, userCoord, baseAxis);
  if (ret != ErrnoSucc) {
    std::printf("baseRotateAxis%f,%f,%f\n", baseAxis[0], baseAxis[1], baseAxis[2]);
    return ret;
  }
  // The controller reads the orientation slot as angle and axis.
  current.orientation = kavi_robot_namespace::Ori{rotateAngle, baseAxis[0], baseAxis[1], baseAxis[2]};
  return robotMoveService(profile, std::vector<kavi_robot_namespace::wayPoint_S>{current}, IsBolck);
}

int RobotMoveService::robotTrackMove(move_track subMoveMode, bool IsBolck) {
  if (s_moveWayPointVector.size() < 3) {
    W_ERROR("sdk log: Number of waypoints less than 3.");
    return ErrCode_MotionWaypointVetorSizeError;
  }
  RobotMoveProfile profile;
  getCurrentMoveProfileRemoveOffset(MODEP, subMoveMode, NO_TEACH, profile);
  modifyOffsetProfileByWaypointAndGlobalOffset(s_moveWayPointVector.front(), profile);
  return robotMoveService(profile, s_moveWayPointVector, IsBolck);
}

int RobotMoveService::robotTeachStart(teach_mode teachMode, bool direction) {
  move_mode mode = MODEJ;
  switch (teachMode) {
    case MOV_X:
    case MOV_Y:
    case MOV_Z:
    case ROT_X:
    case ROT_Y:
    case ROT_Z:
      mode = MODEL;
      break;
    default:
      mode = MODEJ;
      break;
  }
  RobotMoveProfile profile;
  getCurrentMoveProfileRemoveOffset(mode, TRACKING, teachMode, profile);
  // The loop-count field carries the direction of the teach motion.
  profile.circularLoopTimes = direction ? 1 : 0;
  return robotTeachMove(profile, s_teachMoveCoordinateSystem);
}

int RobotMoveService::robotTeachStop() {
  return m_robotBaseService->requestServiceOnlyCheckSendResultMode(
      CommunicationType_RobotTeachMoveStop, nullptr, 0);
}

int RobotMoveService::robotMoveControl(RobotMoveControlCommand cmd) {
  switch (cmd) {
    case RobotMoveStop:
      return m_robotBaseService->robotMoveControlService(
          CommunicationType_RobotMoveControlType_SlowStop);
    case RobotMovePause:
      return m_robotBaseService->robotMoveControlService(CommunicationType_RobotMoveControlType_Pause);
    case RobotMoveContinue:
      return m_robotBaseService->robotMoveControlService(
          CommunicationType_RobotMoveControlType_Continue);
    default:
      return ErrnoSucc;
  }
}

int RobotMoveService::robotMoveFastStop() {
  return m_robotBaseService->robotMoveControlService(CommunicationType_RobotMoveControlType_FastStop);
}

int RobotMoveService::getCurrnetRoadPoint(kavi_robot_namespace::wayPoint_S& wayPoint) {
  JointParam joints;
  std::memset(&joints, 0, sizeof(joints));
  int ret = m_robotBaseService->getCurrentJointAngle(joints);
  if (ret != ErrnoSucc) {
    W_ERROR("sdk log: getCurrentJointAngle error.");
    return ret;
  }
  RobotUtilService::robotFk(joints.jointPos, 6, wayPoint);
  return ErrnoSucc;
}

int RobotMoveService::robotMoveService(const RobotMoveProfile& moveProfile,
                                       const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector,
                                       bool isBolck) {
  return moveBaseService(ROBOT_MOVE_CLASS_GENARAL, moveProfile, wayPointVector, isBolck);
}

int RobotMoveService::moveProfileAndWaypointsFormatCommunication(
    CommunicationCommandType commandType, const RobotMoveProfile& moveProfile,
    const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector) {
  char* text = nullptr;
  int size = 0;
  if (!ProtoEncodeDecode::getRequest_robotMove(&text, &size, moveProfile, wayPointVector)) {
    W_ERROR("sdk log: Create move request failed.");
    return ErrCode_CreateMotionRequestFailed;
  }
  int ret = m_robotBaseService->requestServiceOnlyCheckSendResultMode(commandType, text, size);
  if (ret != ErrnoSucc) {
    W_ERROR("sdk log: Move interface call, function-sendRequestCheckResponseResult return false. ret=%d",
            ret);
  }
  return ret;
}

int RobotMoveService::robotTeachMove(const RobotMoveProfile& moveProfile,
                                     const CoordCalibrateByJointAngleAndTool& userCoordSystem) {
  char* text = nullptr;
  int size = 0;
  if (!ProtoEncodeDecode::getRequest_robotTeachMove(&text, &size, moveProfile, userCoordSystem)) {
    W_ERROR("sdk log: Create robotTeachStart request failed.");
    return ErrCode_CreateRequestFailed;
  }
  return m_robotBaseService->requestServiceOnlyCheckSendResultMode(
      CommunicationType_RobotTeachMoveStart, text, size);
}

int RobotMoveService::offlineTrackStartupBaseService() {
  return m_robotBaseService->requestServiceOnlyCheckSendResultMode(
      CommunicationType_OfflineTrackMoveStartup, nullptr, 0);
}

int RobotMoveService::moveBaseService(RobotMoveClass MoveType, const RobotMoveProfile& moveProfile,
                                      const std::vector<kavi_robot_namespace::wayPoint_S>& wayPointVector, bool IsBolck) {
  int ret = ErrCode_Failed;
  W_INFO(IsBolck ? "sdk log: User blocking call motion interface."
                 : "sdk log: User non-blocking call motion interface.");
  RobotControlServices::RobotMoveWaitToken token{0};
  if (IsBolck) {
    // Cleared before sending, so an arrival event that overtakes the response
    // is kept for the wait below.
    token = m_robotBaseService->prepareRobotMoveWait();
  }
  switch (MoveType) {
    case ROBOT_MOVE_CLASS_GENARAL:
      ret = moveProfileAndWaypointsFormatCommunication(CommunicationType_RobotMove, moveProfile,
                                                       wayPointVector);
      break;
    case ROBOT_MOVE_CLASS_OFFLINE_TRACK:
      ret = offlineTrackStartupBaseService();
      break;
    case ROBOT_MOVE_CLASS_OFFLINE_TRACK_RECOGNITION:
      ret = m_robotBaseService->startupOfflineExcitTrajService(
          s_offlineTrackRecognition.trackName.c_str(),
          static_cast<Robot_Dyn_identify_traj>(s_offlineTrackRecognition.type),
          s_offlineTrackRecognition.subType);
      break;
    default:
      W_ERROR("sdk log:Move class not exist.");
      break;
  }
  if (IsBolck) {
    if (ret != ErrnoSucc) {
      W_ERROR("sdk log: robotMoveInterface return false, because server return false.");
    } else {
      ret = waitForArrival(token);
    }
  }
  W_INFO("sdk log: User call motion interface finish.");
  return ret;
}

int RobotMoveService::waitForArrival(const RobotControlServices::RobotMoveWaitToken& token) {
  {
    std::lock_guard<std::mutex> lock(*m_robotBaseService->getRobotMoveAtTrackTargetPosMutexPtr());
    if (m_robotBaseService->getRobotMoveAtTrackTargetSignalFlag()) {
      W_INFO("sdk log: atTrackTargetPos singal before the response appears");
      return ErrnoSucc;
    }
  }
  // Wake-ups without either flag set wait again inside; the wait also ends
  // when the connection it was started on is lost.
  switch (m_robotBaseService->waitRobotMoveAtTrackTargetPos(token)) {
    case RobotMoveWaitResult::AtTarget:
      W_INFO("sdk log:Success wait for the signal to arrive target positon.");
      return ErrnoSucc;
    case RobotMoveWaitResult::AbnormalStop:
      W_ERROR("sdk log: robotMoveInterface  return false, because stop the event.");
      return ErrCode_MotionInterruptedByEvent;
    case RobotMoveWaitResult::Disconnected:
      W_ERROR("sdk log: robotMoveInterface  return false, because the connection was lost.");
      return ErrCode_MotionInterruptedByEvent;
    case RobotMoveWaitResult::Timeout:
    default:
      W_ERROR("sdk log: Call robotMoveInterface  pthread_cond_wait failed.");
      return ErrCode_MotionRelatedVariableError;
  }
}
