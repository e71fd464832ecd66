// Codec: move profile, waypoints, moves, teach moves, excitation
// trajectories, tool kinematics and conveyor objects.
#include "ProtoEncodeDecode.h"

#include "ProtoEncodeDecodeSupport.h"
#include "RobotUtilService.h"
#include "robotcommon.pb.h"
#include "robotmovecondition.pb.h"

namespace pc = kavi::robot::common;
namespace pmc = kavi::robot::movecondition;
namespace kr = kavi_robot_namespace;
using proto_codec_support::diagnostic;
using proto_codec_support::serializeToNewBuffer;

namespace {

void setPos(pc::Pos* target, const kr::Pos& source) {
  target->set_x(source.x);
  target->set_y(source.y);
  target->set_z(source.z);
}

void setOri(pc::Ori* target, const kr::Ori& source) {
  target->set_w(source.w);
  target->set_x(source.x);
  target->set_y(source.y);
  target->set_z(source.z);
}

}  // namespace

void ProtoEncodeDecode::roadPointTypeConversion(const kr::wayPoint_S& source, pc::ProtoRoadPoint& target) {
  target.Clear();
  pc::cartesianPos_U* cartPos = target.mutable_cartpos();
  // Both alternatives of the union travel, as the controller may read either.
  setPos(cartPos->add_position(), source.cartPos.position);
  cartPos->add_positionvector(source.cartPos.position.x);
  cartPos->add_positionvector(source.cartPos.position.y);
  cartPos->add_positionvector(source.cartPos.position.z);
  setOri(target.mutable_orientation(), source.orientation);
  for (double angle : source.jointpos) {
    target.add_jointpos(angle);
  }
}

void ProtoEncodeDecode::cartesianOriUTypeConversion(const cartesian_Ori_U& source,
                                                    pc::cartesianOri_U& target) {
  target.Clear();
  setOri(target.add_orientation(), source.orientation);
  for (double v : source.quaternionVector) {
    target.add_quaternionvector(v);
  }
}

void ProtoEncodeDecode::jointCartUTypeConversion(const joint_cart_U& source, pc::joint_cart_U& target) {
  target.Clear();
  // Only jointPara travels; a Cartesian pair is its first two entries.
  for (double v : source.jointPara) {
    target.add_jointpara(v);
  }
}

bool ProtoEncodeDecode::KaviRobotMoveProfileType2ProtoType(const RobotMoveProfile& source,
                                                           pc::RobotMoveProfile& target) {
  // The generated setters assert on values outside the wire enums; such a
  // profile cannot be carried and is refused instead.
  if (!pmc::move_mode_IsValid(source.moveMode) || !pmc::move_track_IsValid(source.subMoveMode) ||
      !pmc::teach_mode_IsValid(source.teachMode)) {
    return false;
  }
  target.Clear();
  target.set_movemode(static_cast<pmc::move_mode>(source.moveMode));
  target.set_submovemode(static_cast<pmc::move_track>(source.subMoveMode));
  target.set_teachmode(static_cast<pmc::teach_mode>(source.teachMode));
  target.set_enableiterik(source.enableIterIk);
  target.set_tooltrack(source.toolTrack);
  setPos(target.mutable_toolinendposition(), source.toolInEndPosition.position);
  setOri(target.mutable_toolinendorientation(), source.toolInEndOrientation);

  pc::relativeMove_t* relative = target.mutable_relativemove();
  relative->set_ena(source.relativeMove.ena);
  for (float v : source.relativeMove.relativePosition) {
    relative->add_relativeposition(v);
  }
  cartesianOriUTypeConversion(source.relativeMove.relativeOrientation,
                              *relative->mutable_relativeorientation());

  jointCartUTypeConversion(source.maxVelc, *target.mutable_maxvelc());
  jointCartUTypeConversion(source.maxAcc, *target.mutable_maxacc());
  target.set_blendradius(source.blendRadius);
  target.set_circularlooptimes(source.circularLoopTimes);
  pc::arrivalAhead_t* ahead = target.mutable_arrivalahead();
  ahead->set_arrivalaheadstat(static_cast<int32_t>(source.arrivalAhead.arrivalAheadStat));
  ahead->set_arrivalaheadthr(source.arrivalAhead.arrivalAheadThr);
  return true;
}

bool ProtoEncodeDecode::RobotMovePatamTypeConversion(const RobotMoveProfile& moveProfile,
                                                     const std::vector<kr::wayPoint_S>& wayPointVector,
                                                     pc::RobotMove& target) {
  target.Clear();
  if (!KaviRobotMoveProfileType2ProtoType(moveProfile, *target.mutable_move_profile())) {
    return false;
  }
  for (const kr::wayPoint_S& wayPoint : wayPointVector) {
    roadPointTypeConversion(wayPoint, *target.add_roadpointvector());
  }
  return true;
}

bool ProtoEncodeDecode::getRequest_robotMove(char** ptr, int* size, const RobotMoveProfile& moveProfile,
                                             const std::vector<kr::wayPoint_S>& wayPointVector) {
  static const char kFailure[] = "ERROR: getRequest_robotMove Serialize fail.";
  pc::RobotMove message;
  if (!RobotMovePatamTypeConversion(moveProfile, wayPointVector, message)) {
    if (ptr != nullptr && size != nullptr) {
      *ptr = nullptr;
      *size = 0;
    }
    diagnostic("ERROR: getRequest_robotMove move profile holds a mode outside the wire enums.");
    return false;
  }
  return serializeToNewBuffer(message, ptr, size, kFailure);
}

bool ProtoEncodeDecode::getRequest_robotTeachMove(char** ptr, int* size,
                                                  const RobotMoveProfile& moveProfile,
                                                  const kr::CoordCalibrateByJointAngleAndTool& userCoordSystem) {
  static const char kFailure[] = "ERROR: getRequest_robotTeachMove Serialize fail.";
  if (ptr != nullptr && size != nullptr) {
    *ptr = nullptr;
    *size = 0;
  }
  pc::RobotTeachMove message;
  if (!KaviRobotMoveProfileType2ProtoType(moveProfile, *message.mutable_move_profile())) {
    diagnostic("ERROR: getRequest_robotTeachMove move profile holds a mode outside the wire enums.");
    return false;
  }
  message.set_coordinatesystemtype(static_cast<int32_t>(userCoordSystem.coordType));
  message.add_calibratemathod(static_cast<int32_t>(userCoordSystem.methods));
  for (const kr::JointParam& joints : userCoordSystem.wayPointArray) {
    kr::wayPoint_S wayPoint{};
    if (RobotUtilService::robotFk(joints.jointPos, 6, wayPoint) != 0) {
      diagnostic("ERROR: getRequest_robotTeachMove forward kinematics fail.");
      return false;
    }
    roadPointTypeConversion(wayPoint, *message.add_calibrateroadpointvector());
  }
  pc::ProtoToolInEndDesc* tool = message.add_toolinenddesc();
  setPos(tool->mutable_toolinendposition(), userCoordSystem.toolDesc.toolInEndPosition);
  setOri(tool->mutable_toolinendorientation(), userCoordSystem.toolDesc.toolInEndOrientation);
  return serializeToNewBuffer(message, ptr, size, kFailure);
}

bool ProtoEncodeDecode::getRequest_startupOfflineExcitTraj(char** ptr, int* size, const std::string& name,
                                                           int type, int subtype) {
  kavi::robot::communication::ProtoCommunicationOfflineExcitTraj message;
  message.set_trackfile(name.data(), name.size());
  message.set_type(type);
  message.set_subtype(subtype);
  return serializeToNewBuffer(message, ptr, size,
                              "ERROR: getRequest_startupOfflineExcitTraj Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_setToolKinematicsParam(char** ptr, int* size,
                                                          const kr::ToolInEndDesc& tool) {
  pc::ToolKinematicsParam message;
  setPos(message.mutable_toolposition(), tool.toolInEndPosition);
  setOri(message.mutable_toolori(), tool.toolInEndOrientation);
  return serializeToNewBuffer(message, ptr, size,
                              "ERROR: getRequest_setToolKinematicsParam Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_ConveyorTrackValuePoint(char** ptr, int* size, const kr::Pos& pos,
                                                           const kr::Ori& ori, int timestamp) {
  pc::ProtoConveyorTrackValuePoint message;
  setPos(message.mutable_position(), pos);
  setOri(message.mutable_ori(), ori);
  message.set_timestamp(timestamp);
  return serializeToNewBuffer(message, ptr, size,
                              "ERROR: getRequest_ConveyorTrackValuePoint Serialize fail.");
}
