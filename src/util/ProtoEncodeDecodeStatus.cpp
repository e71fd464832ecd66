// Codec: joint status and angles, diagnosis, device information, tool centre
// and dynamics, gravity, collision class, safety configuration and status,
// start-up profile, joint offsets, firmware, identification results and the
// network device name.
#include <algorithm>
#include <cstring>

#include "ProtoEncodeDecode.h"
#include "ProtoEncodeDecodeSupport.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace pc = kavi::robot::common;
namespace pm = kavi::robot::communication;
namespace kr = kavi_robot_namespace;
using proto_codec_support::copyText;
using proto_codec_support::diagnostic;
using proto_codec_support::parseText;
using proto_codec_support::serializeToNewBuffer;

// ---- Converters ----

void ProtoEncodeDecode::jointStatusTypeConversion(const pc::ProtoJointStatus& source, kr::JointStatus& target) {
  target.jointCurrentI = source.jointcurrenti();
  target.jointSpeedMoto = source.jointspeedmoto();
  target.jointPosJ = source.jointposj();
  target.jointCurVol = source.jointcurvol();
  target.jointCurTemp = source.jointcurtemp();
  target.jointTagCurrentI = source.jointtagcurrenti();
  target.jointTagSpeedMoto = source.jointtagspeedmoto();
  target.jointTagPosJ = source.jointtagposj();
  target.jointErrorNum = static_cast<uint16_t>(source.jointerrornum());
}

void ProtoEncodeDecode::jointStatusTypeConversion(const kr::JointStatus& source, pc::ProtoJointStatus& target) {
  target.set_jointcurrenti(source.jointCurrentI);
  target.set_jointspeedmoto(source.jointSpeedMoto);
  target.set_jointposj(source.jointPosJ);
  target.set_jointcurvol(source.jointCurVol);
  target.set_jointcurtemp(source.jointCurTemp);
  target.set_jointtagcurrenti(source.jointTagCurrentI);
  target.set_jointtagspeedmoto(source.jointTagSpeedMoto);
  target.set_jointtagposj(source.jointTagPosJ);
  target.set_jointerrornum(source.jointErrorNum);
}

void ProtoEncodeDecode::jointAngleTypeConversion(const pc::ProtoJointAngle& source, kr::JointParam& target) {
  target.jointPos[0] = source.joint1();
  target.jointPos[1] = source.joint2();
  target.jointPos[2] = source.joint3();
  target.jointPos[3] = source.joint4();
  target.jointPos[4] = source.joint5();
  target.jointPos[5] = source.joint6();
}

void ProtoEncodeDecode::jointAngleTypeConversion(const kr::JointParam& source, pc::ProtoJointAngle& target) {
  target.set_joint1(source.jointPos[0]);
  target.set_joint2(source.jointPos[1]);
  target.set_joint3(source.jointPos[2]);
  target.set_joint4(source.jointPos[3]);
  target.set_joint5(source.jointPos[4]);
  target.set_joint6(source.jointPos[5]);
}

void ProtoEncodeDecode::robotDiagnosisTypeConversion(const pm::RobotDiagnosis& s, kr::RobotDiagnosis& t) {
  t.armCanbusStatus = static_cast<uint8_t>(s.armcanbusstatus());
  t.armPowerCurrent = s.armpowercurrent();
  t.armPowerVoltage = s.armpowervoltage();
  t.armPowerStatus = s.armpowerstatus();
  t.contorllerTemp = static_cast<char>(s.contorllertemp());
  t.contorllerHumidity = static_cast<uint8_t>(s.contorllerhumidity());
  t.remoteHalt = s.remotehalt();
  t.softEmergency = s.softemergency();
  t.remoteEmergency = s.remoteemergency();
  t.robotCollision = s.robotcollision();
  t.forceControlMode = s.forcecontrolmode();
  t.brakeStuats = s.brakestuats();
  t.robotEndSpeed = s.robotendspeed();
  t.robotMaxAcc = s.robotmaxacc();
  t.orpeStatus = s.orpestatus();
  t.enableReadPose = s.enablereadpose();
  t.robotMountingPoseChanged = s.robotmountingposechanged();
  t.encoderErrorStatus = s.encodererrorstatus();
  t.staticCollisionDetect = s.staticcollisiondetect();
  t.jointCollisionDetect = static_cast<uint8_t>(s.jointcollisiondetect());
  t.encoderLinesError = s.encoderlineserror();
  t.jointErrorStatus = s.jointerrorstatus();
  t.singularityOverSpeedAlarm = s.singularityoverspeedalarm();
  t.robotCurrentAlarm = s.robotcurrentalarm();
  t.toolIoError = static_cast<uint8_t>(s.toolioerror());
  t.robotMountingPoseWarning = s.robotmountingposewarning();
  t.macTargetPosBufferSize = static_cast<uint16_t>(s.mactargetposbuffersize());
  t.macTargetPosDataSize = static_cast<uint16_t>(s.mactargetposdatasize());
  t.macDataInterruptWarning = static_cast<uint8_t>(s.macdatainterruptwarning());
}

void ProtoEncodeDecode::robotDiagnosisTypeConversion(const kr::RobotDiagnosis& s, pm::RobotDiagnosis& t) {
  t.set_armcanbusstatus(s.armCanbusStatus);
  t.set_armpowercurrent(s.armPowerCurrent);
  t.set_armpowervoltage(s.armPowerVoltage);
  t.set_armpowerstatus(s.armPowerStatus);
  t.set_contorllertemp(s.contorllerTemp);
  t.set_contorllerhumidity(s.contorllerHumidity);
  t.set_remotehalt(s.remoteHalt);
  t.set_softemergency(s.softEmergency);
  t.set_remoteemergency(s.remoteEmergency);
  t.set_robotcollision(s.robotCollision);
  t.set_forcecontrolmode(s.forceControlMode);
  t.set_brakestuats(s.brakeStuats);
  t.set_robotendspeed(s.robotEndSpeed);
  t.set_robotmaxacc(s.robotMaxAcc);
  t.set_orpestatus(s.orpeStatus);
  t.set_enablereadpose(s.enableReadPose);
  t.set_robotmountingposechanged(s.robotMountingPoseChanged);
  t.set_encodererrorstatus(s.encoderErrorStatus);
  t.set_staticcollisiondetect(s.staticCollisionDetect);
  t.set_jointcollisiondetect(s.jointCollisionDetect);
  t.set_encoderlineserror(s.encoderLinesError);
  t.set_jointerrorstatus(s.jointErrorStatus);
  t.set_singularityoverspeedalarm(s.singularityOverSpeedAlarm);
  t.set_robotcurrentalarm(s.robotCurrentAlarm);
  t.set_toolioerror(s.toolIoError);
  t.set_robotmountingposewarning(s.robotMountingPoseWarning);
  t.set_mactargetposbuffersize(s.macTargetPosBufferSize);
  t.set_mactargetposdatasize(s.macTargetPosDataSize);
  t.set_macdatainterruptwarning(s.macDataInterruptWarning);
}

// Widths the controller's texts are cut to (characters, without the NUL).
namespace {
constexpr std::size_t kDevDescChars = 11;
constexpr std::size_t kDevExtIoVersionChars = 11;
}  // namespace

void ProtoEncodeDecode::robotDevInfoTypeConversion(const pm::DaxRobotDevInfo& s, kr::RobotDevInfo& t) {
  std::memset(&t, 0, sizeof(t));
  t.type = static_cast<uint8_t>(s.type());
  copyText(t.revision, sizeof(t.revision), s.revision());
  copyText(t.manu_id, sizeof(t.manu_id), s.manuid());
  copyText(t.joint_type, sizeof(t.joint_type), s.jointtype());
  const int versions = std::min(s.jointver_size(), 8);
  for (int i = 0; i < versions; ++i) {
    copyText(t.joint_ver[i].hw_version, sizeof(t.joint_ver[i].hw_version), s.jointver(i).hwversion());
    copyText(t.joint_ver[i].sw_version, sizeof(t.joint_ver[i].sw_version), s.jointver(i).swversion());
  }
  const int products = std::min(s.jointproductid_size(), 8);
  for (int i = 0; i < products; ++i) {
    copyText(t.jointProductID[i].productID, sizeof(t.jointProductID[i].productID), s.jointproductid(i));
  }
  copyText(t.desc, kDevDescChars + 1, s.desc());
  copyText(t.slave_version, sizeof(t.slave_version), s.slavedevversion());
  copyText(t.extio_version, kDevExtIoVersionChars + 1, s.extendioboardversion());
}

namespace {
// A record text up to its NUL, never beyond its field.
std::string fieldText(const char* field, std::size_t capacity) {
  return std::string(field, strnlen(field, capacity));
}
}  // namespace

void ProtoEncodeDecode::robotDevInfoTypeConversion(const kr::RobotDevInfo& s, pm::DaxRobotDevInfo& t) {
  t.Clear();
  t.set_type(s.type);
  t.set_revision(fieldText(s.revision, sizeof(s.revision)));
  t.set_manuid(fieldText(s.manu_id, sizeof(s.manu_id)));
  t.set_jointtype(fieldText(s.joint_type, sizeof(s.joint_type)));
  for (const kr::RobotJointVersion& version : s.joint_ver) {
    pm::JointVersion* v = t.add_jointver();
    v->set_hwversion(fieldText(version.hw_version, sizeof(version.hw_version)));
    v->set_swversion(fieldText(version.sw_version, sizeof(version.sw_version)));
  }
  for (const kr::RobotJointProductID& product : s.jointProductID) {
    t.add_jointproductid(fieldText(product.productID, sizeof(product.productID)));
  }
  t.set_desc(fieldText(s.desc, sizeof(s.desc)));
  t.set_slavedevversion(fieldText(s.slave_version, sizeof(s.slave_version)));
  t.set_extendioboardversion(fieldText(s.extio_version, sizeof(s.extio_version)));
}

void ProtoEncodeDecode::tcpParamTypeConversion(const pm::TcpParam& source, TcpParam& target) {
  target.positionX = source.positionx();
  target.positionY = source.positiony();
  target.positionZ = source.positionz();
  target.payload = source.payload();
}

void ProtoEncodeDecode::tcpParamTypeConversion(const TcpParam& source, pm::TcpParam& target) {
  target.set_positionx(source.positionX);
  target.set_positiony(source.positionY);
  target.set_positionz(source.positionZ);
  target.set_payload(source.payload);
}

void ProtoEncodeDecode::robotTcpParamTypeConversion(const pm::RobotTcpParam& source, RobotTcpParam& target) {
  tcpParamTypeConversion(source.paramautorun(), target.paramAutorun);
  tcpParamTypeConversion(source.parammanual(), target.paramManual);
}

void ProtoEncodeDecode::robotTcpParamTypeConversion(const RobotTcpParam& source, pm::RobotTcpParam& target) {
  tcpParamTypeConversion(source.paramAutorun, *target.mutable_paramautorun());
  tcpParamTypeConversion(source.paramManual, *target.mutable_parammanual());
}

void ProtoEncodeDecode::toolDynamicsParamTypeConversion(const pc::ToolDynamicsParam& s,
                                                        kr::ToolDynamicsParam& t) {
  t.positionX = s.positionx();
  t.positionY = s.positiony();
  t.positionZ = s.positionz();
  t.payload = s.payload();
  const pc::ToolInertia& inertia = s.toolinertia();
  t.toolInertia.xx = inertia.xx();
  t.toolInertia.xy = inertia.xy();
  t.toolInertia.xz = inertia.xz();
  t.toolInertia.yy = inertia.yy();
  t.toolInertia.yz = inertia.yz();
  t.toolInertia.zz = inertia.zz();
}

void ProtoEncodeDecode::toolDynamicsParamTypeConversion(const kr::ToolDynamicsParam& s,
                                                        pc::ToolDynamicsParam& t) {
  t.set_positionx(s.positionX);
  t.set_positiony(s.positionY);
  t.set_positionz(s.positionZ);
  t.set_payload(s.payload);
  pc::ToolInertia* inertia = t.mutable_toolinertia();
  inertia->set_xx(s.toolInertia.xx);
  inertia->set_xy(s.toolInertia.xy);
  inertia->set_xz(s.toolInertia.xz);
  inertia->set_yy(s.toolInertia.yy);
  inertia->set_yz(s.toolInertia.yz);
  inertia->set_zz(s.toolInertia.zz);
}

void ProtoEncodeDecode::gravityComponentTypeConversion(const pm::RobotGravityComponent& source,
                                                       kr::RobotGravityComponent& target) {
  target.x = source.x();
  target.y = source.y();
  target.z = source.z();
}

void ProtoEncodeDecode::gravityComponentTypeConversion(const kr::RobotGravityComponent& source,
                                                       pm::RobotGravityComponent& target) {
  target.set_x(source.x);
  target.set_y(source.y);
  target.set_z(source.z);
}

void ProtoEncodeDecode::safetyConfigTypeConversion(const pc::ProtoRobotSafetyConfig& s,
                                                   kr::RobotSafetyConfig& t) {
  const int speeds = std::min(s.robotreducedconfigjointspeed_size(), 6);
  for (int i = 0; i < speeds; ++i) {
    t.robotReducedConfigJointSpeed[i] = static_cast<uint16_t>(s.robotreducedconfigjointspeed(i));
  }
  t.robotReducedConfigTcpSpeed = static_cast<uint32_t>(s.robotreducedconfigtcpspeed());
  t.robotReducedConfigTcpForce = static_cast<uint32_t>(s.robotreducedconfigtcpforce());
  t.robotReducedConfigMomentum = static_cast<uint32_t>(s.robotreducedconfigmomentum());
  t.robotReducedConfigPower = static_cast<uint32_t>(s.robotreducedconfigpower());
  t.robotSafeguradResetConfig = static_cast<uint8_t>(s.robotsafeguradresetconfig());
  t.robotOperationalModeConfig = static_cast<uint8_t>(s.robotoperationalmodeconfig());
}

void ProtoEncodeDecode::safetyConfigTypeConversion(const kr::RobotSafetyConfig& s,
                                                   pc::ProtoRobotSafetyConfig& t) {
  t.Clear();
  for (uint16_t speed : s.robotReducedConfigJointSpeed) {
    t.add_robotreducedconfigjointspeed(speed);
  }
  // uint32 limits travel in int32 fields; the cast keeps their bits.
  t.set_robotreducedconfigtcpspeed(static_cast<int32_t>(s.robotReducedConfigTcpSpeed));
  t.set_robotreducedconfigtcpforce(static_cast<int32_t>(s.robotReducedConfigTcpForce));
  t.set_robotreducedconfigmomentum(static_cast<int32_t>(s.robotReducedConfigMomentum));
  t.set_robotreducedconfigpower(static_cast<int32_t>(s.robotReducedConfigPower));
  t.set_robotsafeguradresetconfig(s.robotSafeguradResetConfig);
  t.set_robotoperationalmodeconfig(s.robotOperationalModeConfig);
}

void ProtoEncodeDecode::orpeSafetyStatusTypeConversion(const pc::ProtoOrpeSafetyStatus& s,
                                                       kr::OrpeSafetyStatus& t) {
  t.orpePause = static_cast<uint8_t>(s.orpepause());
  t.orpeStop = static_cast<uint8_t>(s.orpestop());
  const int errors = std::min(s.orpeerror_size(), 16);
  for (int i = 0; i < errors; ++i) {
    t.orpeError[i] = static_cast<uint8_t>(s.orpeerror(i));
  }
  t.systemEmergencyStop = static_cast<uint8_t>(s.systememergencystop());
  t.reducedModeError = static_cast<uint8_t>(s.reducedmodeerror());
  t.safetyguardResetSucc = static_cast<uint8_t>(s.safetyguardresetsucc());
}

void ProtoEncodeDecode::orpeSafetyStatusTypeConversion(const kr::OrpeSafetyStatus& s,
                                                       pc::ProtoOrpeSafetyStatus& t) {
  t.Clear();
  t.set_orpepause(s.orpePause);
  t.set_orpestop(s.orpeStop);
  for (uint8_t error : s.orpeError) {
    t.add_orpeerror(error);
  }
  t.set_systememergencystop(s.systemEmergencyStop);
  t.set_reducedmodeerror(s.reducedModeError);
  t.set_safetyguardresetsucc(s.safetyguardResetSucc);
}

// ---- Decoders ----

bool ProtoEncodeDecode::resolveResponse_jointStatus(const char* buffer, int size,
                                                    kr::JointStatus* jointStatus, int len,
                                                    int& errorCode) {
  pc::ProtoRobotAllJointStatusResponse message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_jointStatus Parse fail.")) {
    return false;
  }
  const int count = (jointStatus == nullptr || len <= 0) ? 0 : std::min(message.jointstatus_size(), len);
  for (int i = 0; i < count; ++i) {
    jointStatusTypeConversion(message.jointstatus(i), jointStatus[i]);
  }
  if (message.errorinfo_size() > 0) {
    errorCode = message.errorinfo(0).errorcode();
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_jointAngle(const char* buffer, int size,
                                                   kr::JointParam& jointParam, int& errorCode) {
  pc::ProtoJointAngleResponse message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_jointAngle Parse fail.")) {
    return false;
  }
  jointAngleTypeConversion(message.jointangle(), jointParam);
  if (message.errorinfo_size() == 0) {
    return false;
  }
  errorCode = message.errorinfo(0).errorcode();
  return true;
}

bool ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(const char* buffer, int size,
                                                           kr::RobotDiagnosis& diagnosis, int& errorCode) {
  pm::ProtoCommunicationRobotDiagnosisInfo message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_robotDiagnosisInfo Parse fail.")) {
    return false;
  }
  errorCode = 0;
  if (message.errorinfo_size() > 0) {
    errorCode = message.errorinfo(0).errorcode();
  }
  if (message.robotdiagnosis_size() > 0) {
    robotDiagnosisTypeConversion(message.robotdiagnosis(0), diagnosis);
  } else if (errorCode == 0) {
    // A success without the record would hand the caller stale data.
    diagnostic("ERROR: resolveResponse_robotDiagnosisInfo no diagnosis in a successful response.");
    return false;
  }
  return true;
}

namespace {

// The response wrappers: code from the single errorInfo; with code 0 the
// first data entry must be there.
template <typename Message>
bool codeAndFirstEntry(const Message& message, int entries, int& errorCode, const char* missingText) {
  errorCode = message.errorinfo().errorcode();
  if (errorCode == 0 && entries == 0) {
    diagnostic(missingText);
    return false;
  }
  return true;
}

}  // namespace

bool ProtoEncodeDecode::resolveResponse_devInfo(const char* buffer, int size, kr::RobotDevInfo& devInfo,
                                                int& errorCode) {
  pc::ProtoResponseRobotDevInfo message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_devInfo Parse fail.") ||
      !codeAndFirstEntry(message, message.devinfo_size(), errorCode,
                         "ERROR: resolveResponse_devInfo no device information in a successful response.")) {
    return false;
  }
  if (errorCode == 0) {
    robotDevInfoTypeConversion(message.devinfo(0), devInfo);
  }
  return true;
}

bool ProtoEncodeDecode::getRequest_tcpParam(char** ptr, int* size, const RobotTcpParam& tcpParam) {
  pm::RobotTcpParam message;
  robotTcpParamTypeConversion(tcpParam, message);
  return serializeToNewBuffer(message, ptr, size, "ERROR: getRequest_tcpParam Serialize fail.");
}

bool ProtoEncodeDecode::resolveResponse_tcpParam(const char* buffer, int size, RobotTcpParam& tcpParam,
                                                 int& errorCode) {
  pc::ProtoResponseRobotTcpParam message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_tcpParam Parse fail.") ||
      !codeAndFirstEntry(message, message.tcpparam_size(), errorCode,
                         "ERROR: resolveResponse_tcpParam no parameters in a successful response.")) {
    return false;
  }
  if (errorCode == 0) {
    robotTcpParamTypeConversion(message.tcpparam(0), tcpParam);
  }
  return true;
}

bool ProtoEncodeDecode::getRequest_setToolDynamicsParam(char** ptr, int* size,
                                                        const kr::ToolDynamicsParam& param) {
  pc::ToolParam message;
  toolDynamicsParamTypeConversion(param, *message.add_tooldynamicsparam());
  // errorInfo is required by the schema; a request carries a neutral one so
  // that the message is complete for any peer.
  pc::RobotCommonResponse* info = message.mutable_errorinfo();
  info->set_errorcode(0);
  info->set_errormsg("");
  return serializeToNewBuffer(message, ptr, size, "ERROR: getRequest_setToolDynamicsParam Serialize fail.");
}

bool ProtoEncodeDecode::resolveResponse_getToolDynamicsParam(const char* buffer, int size,
                                                             kr::ToolDynamicsParam& param, int& errorCode) {
  pc::ToolParam message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_getToolDynamicsParam Parse fail.") ||
      !codeAndFirstEntry(message, message.tooldynamicsparam_size(), errorCode,
                         "ERROR: resolveResponse_getToolDynamicsParam no tool in a successful response.")) {
    return false;
  }
  if (errorCode == 0) {
    toolDynamicsParamTypeConversion(message.tooldynamicsparam(0), param);
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_gravityComponent(const char* buffer, int size,
                                                         kr::RobotGravityComponent& gravity, int& errorCode) {
  pc::ProtoResponseRobotGravityComponent message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_gravityComponent Parse fail.") ||
      !codeAndFirstEntry(message, message.gravitycomponent_size(), errorCode,
                         "ERROR: resolveResponse_gravityComponent no value in a successful response.")) {
    return false;
  }
  if (errorCode == 0) {
    gravityComponentTypeConversion(message.gravitycomponent(0), gravity);
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_collisionCurrent(const char* buffer, int size,
                                                         RobotCollisionCurrent& collisionCurrent,
                                                         int& errorCode) {
  pc::ProtoResponseRobotCollisionCurrent message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_collisionCurrent Parse fail.") ||
      !codeAndFirstEntry(message, message.collisioncurrent_size(), errorCode,
                         "ERROR: resolveResponse_collisionCurrent no value in a successful response.")) {
    return false;
  }
  if (errorCode == 0) {
    collisionCurrent.CollisionClass = static_cast<uint8_t>(message.collisioncurrent(0).collisionclass());
  }
  return true;
}

bool ProtoEncodeDecode::getRequest_robotStartup(char** ptr, int* size, const RobotTcpParam& tcpParam,
                                                uint8_t collisionClass, bool readPose,
                                                bool staticCollisionDetect, int maxAcc) {
  pm::ProtoCommunicationRobotStartupProfile message;
  robotTcpParamTypeConversion(tcpParam, *message.mutable_tcpparam());
  message.set_readpose(readPose);
  message.set_staticcollisiondetect(staticCollisionDetect);
  message.set_collisionclass(collisionClass);
  message.set_maxacc(maxAcc);
  return serializeToNewBuffer(message, ptr, size, "ERROR: getRequest_robotStartup Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_setSafetyConfig(char** ptr, int* size, const kr::RobotSafetyConfig& config) {
  pc::ProtoResponseRobotSafetyConfig message;
  safetyConfigTypeConversion(config, *message.add_safetyconfig());
  pc::RobotCommonResponse* info = message.mutable_errorinfo();
  info->set_errorcode(0);
  info->set_errormsg("");
  return serializeToNewBuffer(message, ptr, size, "ERROR: getRequest_setSafetyConfig Serialize fail.");
}

bool ProtoEncodeDecode::resolveResponse_safetyConfig(const char* buffer, int size,
                                                     kr::RobotSafetyConfig& config, int& errorCode) {
  pc::ProtoResponseRobotSafetyConfig message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_safetyConfig Parse fail.") ||
      !codeAndFirstEntry(message, message.safetyconfig_size(), errorCode,
                         "ERROR: resolveResponse_safetyConfig no configuration in a successful response.")) {
    return false;
  }
  if (errorCode == 0) {
    safetyConfigTypeConversion(message.safetyconfig(0), config);
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_safetyStatus(const char* buffer, int size,
                                                     kr::OrpeSafetyStatus& status, int& errorCode) {
  pc::ProtoResponseOrpeSafetyStatus message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_safetyStatus Parse fail.") ||
      !codeAndFirstEntry(message, message.safetystatus_size(), errorCode,
                         "ERROR: resolveResponse_safetyStatus no status in a successful response.")) {
    return false;
  }
  if (errorCode == 0) {
    orpeSafetyStatusTypeConversion(message.safetystatus(0), status);
  }
  return true;
}

bool ProtoEncodeDecode::getRequest_safeIoParamAbout(char** ptr, int* size, const std::vector<int>& params) {
  pm::protoSafeCommunicationParam message;
  message.set_paramreserved(0);
  for (int v : params) {
    message.add_param(static_cast<uint32_t>(v));
  }
  return serializeToNewBuffer(message, ptr, size, "ERROR: getRequest_safeIoParamAbout Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_robotRobotJointOffsetData(char** ptr, int* size,
                                                             const kr::RobotJointOffset& jointOffset) {
  pc::RobotJointOffset message;
  message.set_joint1(jointOffset.jointOffset[0]);
  message.set_joint2(jointOffset.jointOffset[1]);
  message.set_joint3(jointOffset.jointOffset[2]);
  message.set_joint4(jointOffset.jointOffset[3]);
  message.set_joint5(jointOffset.jointOffset[4]);
  message.set_joint6(jointOffset.jointOffset[5]);
  return serializeToNewBuffer(message, ptr, size,
                              "ERROR: getRequest_robotRobotJointOffsetData Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_firmwareUpgrade(char** ptr, int* size, int cmd,
                                                   const void* firmwareContent, int length) {
  static const char kFailure[] = "ERROR: getRequest_firmwareUpgrade Serialize fail.";
  if (length < 0 || (firmwareContent == nullptr && length > 0)) {
    if (ptr != nullptr && size != nullptr) {
      *ptr = nullptr;
      *size = 0;
    }
    diagnostic(kFailure);
    return false;
  }
  pm::ProtoCommunicationRobotBoardFirmware message;
  message.set_command(cmd);
  message.set_firmwarecontent(length > 0 ? static_cast<const char*>(firmwareContent) : "",
                              static_cast<std::size_t>(length));
  message.set_firmwarecontentsize(length);
  return serializeToNewBuffer(message, ptr, size, kFailure);
}

bool ProtoEncodeDecode::resolveResponse_getDynIdentifyResults(const char* buffer, int size,
                                                              std::vector<int>& params, int& errorCode) {
  pm::ProtoCommunicationDynIdentifyResults message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_getDynIdentifyResults Parse fail.")) {
    return false;
  }
  if (message.errorinfo_size() > 0) {
    errorCode = message.errorinfo(0).errorcode();
  }
  if (errorCode == 0) {
    params.assign(message.param().begin(), message.param().end());
  }
  return true;
}

bool ProtoEncodeDecode::resolveResponse_ethernetDeviceName(const char* buffer, int size, std::string& name,
                                                           int& errorCode) {
  pm::ProtoCommunicationEthernetDeviceNameResponse message;
  if (!parseText(message, buffer, size, "ERROR: resolveResponse_ethernetDeviceName Parse fail.")) {
    return false;
  }
  name = message.name();
  errorCode = message.errorinfo().errorcode();
  return true;
}
