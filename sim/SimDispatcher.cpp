// Command handlers of the simulated controller.
#include "SimDispatcher.h"

#include <google/protobuf/descriptor.h>
#include <google/protobuf/message.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "CommunicationMateType.h"
#include "JointPlan.h"
#include "LinePlan.h"
#include "RobotEventTypes.h"
#include "RobotMoveTypes.h"
#include "RobotStatusTypes.h"
#include "SampledPlan.h"
#include "SimKinematics.h"
#include "SimServer.h"
#include "SimSession.h"
#include "TeachPlan.h"
#include "TrackPlan.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace kavisim {

namespace gp = google::protobuf;
namespace pbc = kavi::robot::common;
namespace pbm = kavi::robot::communication;
namespace krn = kavi_robot_namespace;

namespace {

constexpr int kFormatError = 1;     // RobotResponseCode_RequestFormatError
constexpr int kProcessFailed = 2;   // RobotResponseCode_ProcessRequesFailed

// Sets every required field that is still missing to its zero value, so that
// any response the simulator builds parses on the client.
void fillRequired(gp::Message* m) {
  const gp::Descriptor* d = m->GetDescriptor();
  const gp::Reflection* r = m->GetReflection();
  for (int i = 0; i < d->field_count(); ++i) {
    const gp::FieldDescriptor* f = d->field(i);
    if (f->is_repeated()) {
      if (f->cpp_type() == gp::FieldDescriptor::CPPTYPE_MESSAGE)
        for (int k = 0; k < r->FieldSize(*m, f); ++k) fillRequired(r->MutableRepeatedMessage(m, f, k));
      continue;
    }
    if (f->cpp_type() == gp::FieldDescriptor::CPPTYPE_MESSAGE) {
      if (f->is_required() || r->HasField(*m, f)) fillRequired(r->MutableMessage(m, f));
      continue;
    }
    if (!f->is_required() || r->HasField(*m, f)) continue;
    switch (f->cpp_type()) {
      case gp::FieldDescriptor::CPPTYPE_INT32: r->SetInt32(m, f, 0); break;
      case gp::FieldDescriptor::CPPTYPE_INT64: r->SetInt64(m, f, 0); break;
      case gp::FieldDescriptor::CPPTYPE_UINT32: r->SetUInt32(m, f, 0); break;
      case gp::FieldDescriptor::CPPTYPE_UINT64: r->SetUInt64(m, f, 0); break;
      case gp::FieldDescriptor::CPPTYPE_DOUBLE: r->SetDouble(m, f, 0); break;
      case gp::FieldDescriptor::CPPTYPE_FLOAT: r->SetFloat(m, f, 0); break;
      case gp::FieldDescriptor::CPPTYPE_BOOL: r->SetBool(m, f, false); break;
      case gp::FieldDescriptor::CPPTYPE_ENUM: r->SetEnum(m, f, f->enum_type()->value(0)); break;
      case gp::FieldDescriptor::CPPTYPE_STRING: r->SetString(m, f, ""); break;
      default: break;
    }
  }
}

// Puts the controller code into the message's errorInfo (or into the message
// itself for the common response), fills the rest and serialises.
std::string finish(gp::Message& m, int code = 0, const std::string& text = "") {
  const gp::Descriptor* d = m.GetDescriptor();
  const gp::Reflection* r = m.GetReflection();
  gp::Message* info = nullptr;
  if (d->FindFieldByName("errorCode")) {
    info = &m;
  } else if (const gp::FieldDescriptor* f = d->FindFieldByName("errorInfo")) {
    if (f->is_repeated())
      info = r->FieldSize(m, f) > 0 ? r->MutableRepeatedMessage(&m, f, 0) : r->AddMessage(&m, f);
    else
      info = r->MutableMessage(&m, f);
  }
  if (info) {
    const gp::Descriptor* id = info->GetDescriptor();
    info->GetReflection()->SetInt32(info, id->FindFieldByName("errorCode"), code);
    info->GetReflection()->SetString(info, id->FindFieldByName("errorMsg"), text);
  }
  fillRequired(&m);
  return m.SerializeAsString();
}

std::string commonText(int code, const std::string& text = "") {
  pbm::ProtoRobotCommonResponse m;
  return finish(m, code, text);
}

// Parses a request; every required field must be there except `optional`.
bool parse(gp::Message& m, const std::string& text, const char* optional = nullptr) {
  if (!m.ParsePartialFromString(text)) return false;
  if (m.IsInitialized()) return true;
  if (!optional) return false;
  std::vector<std::string> missing;
  m.FindInitializationErrors(&missing);
  for (const std::string& name : missing)
    if (name != optional) return false;
  return true;
}

void logRefusal(int type, int code, const std::string& why) {
  std::fprintf(stderr, "kavi-sim: command %d refused with code %d: %s\n", type, code, why.c_str());
}

bool jointsOf(const pbc::ProtoRoadPoint& wp, double q[6]) {
  if (wp.jointpos_size() < 6) return false;
  for (int j = 0; j < 6; ++j) {
    q[j] = wp.jointpos(j);
    if (!std::isfinite(q[j])) return false;
  }
  return true;
}

SimPose poseOf(const pbc::ProtoRoadPoint& wp) {
  SimPose p;
  const auto& c = wp.cartpos();
  if (c.position_size() > 0) {
    p.p[0] = c.position(0).x();
    p.p[1] = c.position(0).y();
    p.p[2] = c.position(0).z();
  } else if (c.positionvector_size() >= 3) {
    for (int i = 0; i < 3; ++i) p.p[i] = c.positionvector(i);
  }
  p.q[0] = wp.orientation().w();
  p.q[1] = wp.orientation().x();
  p.q[2] = wp.orientation().y();
  p.q[3] = wp.orientation().z();
  SimKinematics::normalize(p.q);
  return p;
}

// The profile's relative offset: a base-frame shift and rotation, or, with w
// raised into 5..7, an absolute flange target.
struct Offset {
  bool enabled = false;
  bool absolute = false;
  double p[3] = {0, 0, 0};
  double q[4] = {1, 0, 0, 0};

  explicit Offset(const pbc::RobotMoveProfile& profile) {
    const auto& rel = profile.relativemove();
    enabled = rel.ena();
    if (!enabled) return;
    for (int i = 0; i < 3 && i < rel.relativeposition_size(); ++i) p[i] = rel.relativeposition(i);
    const auto& o = rel.relativeorientation();
    if (o.orientation_size() > 0) {
      q[0] = o.orientation(0).w();
      q[1] = o.orientation(0).x();
      q[2] = o.orientation(0).y();
      q[3] = o.orientation(0).z();
    } else if (o.quaternionvector_size() >= 4) {
      for (int i = 0; i < 4; ++i) q[i] = o.quaternionvector(i);
    }
    if (q[0] > 5 && q[0] < 7) {
      absolute = true;
      q[0] -= 6;
    }
    SimKinematics::normalize(q);
  }

  SimPose apply(const SimPose& target) const {
    if (!enabled) return target;
    SimPose out;
    if (absolute) {
      for (int i = 0; i < 3; ++i) out.p[i] = p[i];
      for (int i = 0; i < 4; ++i) out.q[i] = q[i];
      return out;
    }
    for (int i = 0; i < 3; ++i) out.p[i] = target.p[i] + p[i];
    SimKinematics::quatMul(q, target.q, out.q);
    SimKinematics::normalize(out.q);
    return out;
  }
};

bool jointLimits(const pbc::RobotMoveProfile& profile, double v[6], double a[6]) {
  if (profile.maxvelc().jointpara_size() < 6 || profile.maxacc().jointpara_size() < 6) return false;
  for (int j = 0; j < 6; ++j) {
    v[j] = profile.maxvelc().jointpara(j);
    a[j] = profile.maxacc().jointpara(j);
    if (!(v[j] > 0 && a[j] > 0 && std::isfinite(v[j]) && std::isfinite(a[j]))) return false;
  }
  return true;
}

bool lineLimits(const pbc::RobotMoveProfile& profile, LineLimits& l) {
  const auto& v = profile.maxvelc().jointpara_size() >= 2 ? profile.maxvelc().jointpara()
                                                           : profile.maxvelc().cartpara();
  const auto& a = profile.maxacc().jointpara_size() >= 2 ? profile.maxacc().jointpara()
                                                          : profile.maxacc().cartpara();
  if (v.size() < 2 || a.size() < 2) return false;
  l.lineVelc = v.Get(0);
  l.angleVelc = v.Get(1);
  l.lineAcc = a.Get(0);
  l.angleAcc = a.Get(1);
  return l.lineVelc > 0 && l.angleVelc > 0 && l.lineAcc > 0 && l.angleAcc > 0;
}

std::string ioList(const std::vector<int>& values, int type) {
  pbm::ProtoCommunicationRobotDiagnosisIOData m;
  m.set_type(type);
  for (size_t i = 0; i < values.size(); ++i) {
    auto* d = m.add_iodesc();
    d->set_addr(static_cast<uint32_t>(i));
    d->set_type(static_cast<uint32_t>(type));
    d->set_value(static_cast<uint32_t>(values[i]));
  }
  return finish(m);
}

std::string analogList(const std::vector<float>& values, int type) {
  pbm::ProtoCommunicationRobotAnalogIOData m;
  m.set_type(type);
  for (size_t i = 0; i < values.size(); ++i) {
    auto* d = m.add_iodesc();
    d->set_addr(static_cast<uint32_t>(i));
    d->set_type(static_cast<uint32_t>(type));
    d->set_value(values[i]);
  }
  return finish(m);
}

std::string generalData(std::vector<int> ints, std::vector<bool> flags) {
  pbm::ProtoCommunicationGeneralData m;
  m.set_type(1);
  for (int v : ints) m.add_property1(v);
  for (bool b : flags) m.add_property2(b);
  return finish(m);
}

std::string ioEventText(int addr, double value) {
  char buf[96];
  std::snprintf(buf, sizeof(buf), "{\"addr\":%d,\"value\":%g}", addr, value);
  return buf;
}

}  // namespace

std::string jointStatusText(const ArmSnapshot& s) {
  // Holding current grows with the gravity load of shoulder and elbow and
  // with speed; 48 V bus while powered.
  static const double kHold[6] = {300, 2200, 1400, 420, 300, 120};  // [mA]
  pbc::ProtoRobotAllJointStatusResponse m;
  m.set_jointcount(6);
  for (int j = 0; j < 6; ++j) {
    auto* js = m.add_jointstatus();
    double load = j == 1 ? std::fabs(std::cos(s.joints[1]))
                  : j == 2 ? std::fabs(std::cos(s.joints[1] + s.joints[2]))
                           : 0.5;
    double current = s.powered ? kHold[j] * (0.4 + 0.6 * load) + 900 * std::fabs(s.velocity[j]) : 0;
    double rpm = s.velocity[j] * 60.0 / (2 * 3.14159265358979323846) * 100.0;  // behind a 1:100 gear
    js->set_jointcurrenti(static_cast<int32_t>(current));
    js->set_jointspeedmoto(static_cast<int32_t>(rpm));
    js->set_jointposj(static_cast<float>(s.joints[j]));
    js->set_jointcurvol(s.powered ? 48.0f : 0.0f);
    js->set_jointcurtemp(static_cast<float>(34.0 + 0.8 * j + (s.powered ? 2.0 : 0.0)));
    js->set_jointtagcurrenti(static_cast<int32_t>(current));
    js->set_jointtagspeedmoto(static_cast<float>(rpm));
    js->set_jointtagposj(static_cast<float>(s.joints[j]));
    js->set_jointerrornum(0);
  }
  return finish(m);
}

std::string jointAngleText(const ArmSnapshot& s) {
  pbc::ProtoJointAngleResponse m;
  auto* a = m.mutable_jointangle();
  a->set_joint1(s.joints[0]);
  a->set_joint2(s.joints[1]);
  a->set_joint3(s.joints[2]);
  a->set_joint4(s.joints[3]);
  a->set_joint5(s.joints[4]);
  a->set_joint6(s.joints[5]);
  return finish(m);
}

SimDispatcher::SimDispatcher(SimServer& server) : m_server(server) {
  using S = SimDispatcher;
  const gp::Message* common = &pbm::ProtoRobotCommonResponse::default_instance();
  const gp::Message* general = &pbm::ProtoCommunicationGeneralData::default_instance();
  const gp::Message* digital = &pbm::ProtoCommunicationRobotDiagnosisIOData::default_instance();
  const gp::Message* analog = &pbm::ProtoCommunicationRobotAnalogIOData::default_instance();
  const gp::Message* moveResult = &pbc::ProtoRobotMoveFuncResult::default_instance();
  for (auto& e : m_table) e.response = common;

  on(CommunicationType_Login, &S::login, &pbc::ProtoResponseRobotDhParam::default_instance());
  for (int t : {4, 5, 8, 9, 12, 13}) on(t, &S::pushSwitch);
  on(CommunicationType_GetRobotJointStatus, &S::jointStatus, &pbc::ProtoRobotAllJointStatusResponse::default_instance());
  on(CommunicationType_GetRobotJointAngle, &S::jointAngle, &pbc::ProtoJointAngleResponse::default_instance());
  on(CommunicationType_GetRobotDiagnosis, &S::diagnosis, &pbm::ProtoCommunicationRobotDiagnosisInfo::default_instance());
  for (int t : {16, 17, 19, 20, 21, 80}) on(t, &S::lifecycle);
  on(CommunicationType_RobotControl, &S::robotControl);
  on(CommunicationType_RobotMove, &S::move);
  on(CommunicationType_RobotTeachMoveStart, &S::teach);
  on(CommunicationType_RobotTeachMoveStop, &S::teach);
  for (int t : {89, 90, 91, 92}) on(t, &S::moveControl, moveResult);
  on(CommunicationType_GetRobotCurrentState, &S::statusQuery, general);
  on(CommunicationType_GetRobotMode, &S::statusQuery, general);
  on(CommunicationType_GetIsRealRobotExist, &S::statusQuery, general);
  on(CommunicationType_getEnableJoint6Rot360Flag, &S::statusQuery, general);
  on(CommunicationType_GetRobotEthernetDeviceName, &S::statusQuery,
     &pbm::ProtoCommunicationEthernetDeviceNameResponse::default_instance());
  on(CommunicationType_GetDeviceInfo, &S::statusQuery, &pbc::ProtoResponseRobotDevInfo::default_instance());
  on(CommunicationType_GetRobotGravityComponent, &S::statusQuery,
     &pbc::ProtoResponseRobotGravityComponent::default_instance());
  on(CommunicationType_GetRobotCollisionCurrent, &S::statusQuery,
     &pbc::ProtoResponseRobotCollisionCurrent::default_instance());
  for (int t : {27, 29, 33, 40, 60, 86, 109}) on(t, &S::configStore);
  on(CommunicationType_GetRobotTcpParam, &S::configRead, &pbc::ProtoResponseRobotTcpParam::default_instance());
  on(CommunicationType_GetToolDynamicsParam, &S::configRead, &pbc::ToolParam::default_instance());
  for (int t : {41, 42, 46, 47}) on(t, &S::boardIo, digital);
  for (int t : {43, 44, 48, 49}) on(t, &S::boardIo, analog);
  on(CommunicationType_SetInterfaceBoardOneDOStatus, &S::boardIo);
  on(CommunicationType_SetInterfaceBoardOneAOStatus, &S::boardIo);
  for (int t : {52, 56, 57}) on(t, &S::toolIo, digital);
  on(CommunicationType_GetToolAllAIStatus, &S::toolIo, analog);
  on(CommunicationType_GetToolAllIoStatus, &S::toolIo,
     &pbm::ProtoCommunicationToolAllIOStatusInfoResponse::default_instance());
  for (int t : {53, 54, 55, 59}) on(t, &S::toolIo);
  on(CommunicationType_GetRobotSafetyConfig, &S::safety, &pbc::ProtoResponseRobotSafetyConfig::default_instance());
  on(CommunicationType_GetOrpeSafetyStatus, &S::safety, &pbc::ProtoResponseOrpeSafetyStatus::default_instance());
  for (int t = 62; t <= 69; ++t)
    if (t != 63) on(t, &S::safety);
  for (int t = 71; t <= 77; ++t) on(t, &S::offlineTrack);
  on(CommunicationType_StartupOfflineExcitTraj, &S::excitation);
  on(CommunicationType_GetDynIdentifyResults, &S::excitation,
     &pbm::ProtoCommunicationDynIdentifyResults::default_instance());
  on(CommunicationType_UpdateRobotBoardFirmware, &S::firmware);
  on(CommunicationType_FirmwareUpdateResult, &S::firmware, general);
  for (int t = 93; t <= 108; ++t) on(t, &S::conveyor);
  on(CommunicationType_getConveyorEncoderVal, &S::conveyor,
     &pbm::ProtoCommunicationIntVectorResponse::default_instance());
}

void SimDispatcher::on(int type, Handler handler, const gp::Message* response) {
  m_table[static_cast<size_t>(type)].handler = handler;
  if (response) m_table[static_cast<size_t>(type)].response = response;
}

std::string SimDispatcher::errorReply(int type, int code, const std::string& message) const {
  const gp::Message* proto = &pbm::ProtoRobotCommonResponse::default_instance();
  if (type >= 0 && type < static_cast<int>(m_table.size())) proto = m_table[static_cast<size_t>(type)].response;
  std::unique_ptr<gp::Message> m(proto->New());
  return finish(*m, code, message);
}

SimDispatcher::Reply SimDispatcher::refuse(int type, int code, const std::string& why) {
  logRefusal(type, code, why);
  return Reply(errorReply(type, code, why));
}

void SimDispatcher::handle(SimSession& session, const SimFrame& frame) {
  CommandFault fault;
  bool faulty = m_server.faults().take(frame.type, fault);
  Reply reply;
  if (faulty && fault.errorCode != 0) {
    reply.text = errorReply(frame.type, fault.errorCode, "refused on request");
  } else if (frame.type >= 0 && frame.type < static_cast<int>(m_table.size()) &&
             m_table[static_cast<size_t>(frame.type)].handler) {
    reply = (this->*m_table[static_cast<size_t>(frame.type)].handler)(session, frame);
  } else {
    // Every request gets exactly one answer, even one the simulator does not know.
    reply = refuse(frame.type, kProcessFailed, "command not supported by the simulator");
  }
  if (reply.silent) return;
  session.sendResponse(frame.type, reply.text, std::move(reply.after), faulty ? &fault : nullptr);
}

SimDispatcher::Reply SimDispatcher::login(SimSession& session, const SimFrame& f) {
  pbm::ProtoRequestLogin req;
  if (!parse(req, f.text)) return refuse(f.type, kFormatError, "login request does not parse");
  double dh[6];
  SimKinematics::modelLengths(m_server.config().model, dh);
  pbc::ProtoResponseRobotDhParam m;
  m.set_robottype(m_server.config().model);
  auto* p = m.mutable_dhparam();
  p->set_a3(dh[0]);
  p->set_a4(dh[1]);
  p->set_d1(dh[2]);
  p->set_d2(dh[3]);
  p->set_d5(dh[4]);
  p->set_d6(dh[5]);
  session.loggedIn = true;
  return Reply{finish(m), [this, &session] { m_server.runLoginActions(session); }};
}

SimDispatcher::Reply SimDispatcher::pushSwitch(SimSession& session, const SimFrame& f) {
  switch (f.type) {
    case 4: session.pushJointStatus = true; break;
    case 5: session.pushJointStatus = false; break;
    case 8: session.pushJointAngle = true; break;
    case 9: session.pushJointAngle = false; break;
    case 12: session.pushEndSpeed = true; break;
    default: session.pushEndSpeed = false; break;
  }
  return Reply{commonText(0)};
}

SimDispatcher::Reply SimDispatcher::jointStatus(SimSession&, const SimFrame&) {
  return Reply(jointStatusText(m_server.arm().snapshot()));
}

SimDispatcher::Reply SimDispatcher::jointAngle(SimSession&, const SimFrame&) {
  return Reply(jointAngleText(m_server.arm().snapshot()));
}

SimDispatcher::Reply SimDispatcher::diagnosis(SimSession&, const SimFrame&) {
  ArmSnapshot s = m_server.arm().snapshot();
  pbm::ProtoCommunicationRobotDiagnosisInfo m;
  m.set_num(1);
  auto* d = m.add_robotdiagnosis();
  m_server.state().read([&](const SimStateData& st) {
    d->set_armcanbusstatus(st.canbusMode ? 1 : 0);
    d->set_armpowercurrent(s.powered ? 1.2f + static_cast<float>(s.endSpeed) * 4.0f : 0.0f);
    d->set_armpowervoltage(s.powered ? 48.0f : 0.0f);
    d->set_armpowerstatus(s.powered);
    d->set_contorllertemp(38);
    d->set_contorllerhumidity(40);
    d->set_remotehalt(false);
    d->set_softemergency(s.softEmergency);
    d->set_remoteemergency(false);
    d->set_robotcollision(s.collision);
    d->set_forcecontrolmode(st.forceControl);
    d->set_brakestuats(!s.brakeReleased);
    d->set_robotendspeed(static_cast<float>(s.endSpeed));
    d->set_robotmaxacc(st.startupProfile.has_maxacc() ? st.startupProfile.maxacc() : 0);
    d->set_orpestatus(st.orpeOpen);
    d->set_enablereadpose(st.readPose);
    d->set_robotmountingposechanged(st.mountingPoseChanged);
    d->set_encodererrorstatus(false);
    d->set_staticcollisiondetect(st.staticCollisionDetect);
    d->set_jointcollisiondetect(0);
    d->set_encoderlineserror(false);
    d->set_jointerrorstatus(false);
    d->set_singularityoverspeedalarm(false);
    d->set_robotcurrentalarm(false);
    d->set_toolioerror(0);
    d->set_robotmountingposewarning(false);
    d->set_mactargetposbuffersize(1024);
    d->set_mactargetposdatasize(0);
    d->set_macdatainterruptwarning(0);
  });
  return Reply{finish(m)};
}

SimDispatcher::Reply SimDispatcher::lifecycle(SimSession&, const SimFrame& f) {
  SimArm& arm = m_server.arm();
  const SimConfig& cfg = m_server.config();
  switch (f.type) {
    case CommunicationType_RobotStartup: {
      pbm::ProtoCommunicationRobotStartupProfile req;
      if (!parse(req, f.text)) return refuse(f.type, kFormatError, "start-up profile does not parse");
      m_server.state().write([&](SimStateData& d) {
        d.startupProfile = req;
        d.tcpParam = req.tcpparam();
        d.collisionClass = req.collisionclass();
        d.readPose = req.readpose();
        d.staticCollisionDetect = req.staticcollisiondetect();
      });
      double seconds = cfg.startupSeconds;
      return Reply{commonText(0), [&arm, seconds] { arm.startup(seconds); }};
    }
    case CommunicationType_RobotShutdown: {
      double seconds = cfg.shutdownSeconds;
      return Reply{commonText(0), [&arm, seconds] { arm.shutdown(seconds); }};
    }
    case CommunicationType_CollisionRecover:
      return Reply{commonText(0), [&arm] { arm.collisionRecover(); }};
    case CommunicationType_SetRobotPowerStatus: {
      pbm::ProtoCommunicationGeneralData req;
      if (!parse(req, f.text) || req.property2_size() < 1)
        return refuse(f.type, kFormatError, "power request needs one flag");
      bool on = req.property2(0);
      return Reply{commonText(0), [&arm, on] { arm.setPower(on); }};
    }
    case CommunicationType_SetRobotReleaseBrake:
      if (!arm.snapshot().powered) return refuse(f.type, kProcessFailed, "arm not powered");
      return Reply{commonText(0), [&arm] { arm.releaseBrake(); }};
    default:  // handshake
      return Reply{commonText(0), [&arm] { arm.emit(krn::RobotEvent_RobotHandShakeSucc, 0, "handshake done"); }};
  }
}

SimDispatcher::Reply SimDispatcher::robotControl(SimSession&, const SimFrame& f) {
  pbm::ProtoCommunicationGeneralData req;
  if (!parse(req, f.text) || req.property1_size() < 1)
    return refuse(f.type, kFormatError, "robot control needs one command");
  int cmd = req.property1(0);
  if (cmd < krn::RobotRelease || cmd > krn::ClearRobotCurrentAlarm)
    return refuse(f.type, kFormatError, "unknown robot control command");
  SimArm& arm = m_server.arm();
  if (cmd == krn::RobotRelease && !arm.snapshot().powered) return refuse(f.type, kProcessFailed, "arm not powered");
  m_server.state().write([&](SimStateData& d) {
    d.robotControlCommands.push_back(cmd);
    switch (cmd) {
      case krn::DisableForceControl: d.forceControl = false; break;
      case krn::EnableForceControl: d.forceControl = true; break;
      case krn::OrpeOpen: d.orpeOpen = true; break;
      case krn::OrpeClose: d.orpeOpen = false; break;
      case krn::EnableReadPose: d.readPose = true; break;
      case krn::DisableReadPose: d.readPose = false; break;
      case krn::MountingPoseChanged: d.mountingPoseChanged = true; break;
      case krn::MountingPoseUnChanged: d.mountingPoseChanged = false; break;
      case krn::EnableStaticCollisionDetect: d.staticCollisionDetect = true; break;
      case krn::DisableStaticCollisionDetect: d.staticCollisionDetect = false; break;
      default: break;
    }
  });
  return Reply{commonText(0), [&arm, cmd] {
                 if (cmd == krn::RobotRelease) arm.releaseBrake();
                 if (cmd == krn::RobotBrake) arm.engageBrake();
                 if (cmd == krn::EnableForceControl) arm.emit(krn::RobotEvent_forceControl, 0, "force control on");
                 if (cmd == krn::DisableForceControl) arm.emit(krn::RobotEvent_exitForceControl, 0, "force control off");
               }};
}

SimDispatcher::Reply SimDispatcher::move(SimSession&, const SimFrame& f) {
  pbc::RobotMove req;
  if (!parse(req, f.text)) return refuse(f.type, kFormatError, "move request does not parse");
  const pbc::RobotMoveProfile& profile = req.move_profile();
  if (req.roadpointvector_size() == 0) return refuse(f.type, kFormatError, "move without a waypoint");
  SimArm& arm = m_server.arm();
  const char* reason = nullptr;
  if (!arm.canMove(&reason)) return refuse(f.type, kProcessFailed, reason);
  ArmSnapshot now = arm.snapshot();
  Offset offset(profile);
  double tool[3] = {profile.toolinendposition().x(), profile.toolinendposition().y(),
                    profile.toolinendposition().z()};
  const double* toolTip = profile.tooltrack() ? tool : nullptr;
  int mode = profile.movemode();
  int sub = profile.submovemode();
  bool retarget = sub == kavi::robot::movecondition::TRACKING && mode != kavi::robot::movecondition::MODEP;
  std::unique_ptr<MotionPlan> plan;

  // Target joints of one waypoint, with the profile's offset applied.
  auto jointTarget = [&](const pbc::ProtoRoadPoint& wp, double q[6]) {
    if (!jointsOf(wp, q)) return false;
    if (!offset.enabled) return true;
    double ref[6];
    for (int j = 0; j < 6; ++j) ref[j] = q[j];
    return SimKinematics::ik(offset.apply(SimKinematics::fk(ref)), ref, q);
  };

  if (mode == kavi::robot::movecondition::MODEJ) {
    double v[6], a[6], target[6];
    if (!jointLimits(profile, v, a)) return refuse(f.type, kFormatError, "joint limits missing or not positive");
    if (!jointTarget(req.roadpointvector(req.roadpointvector_size() - 1), target))
      return refuse(f.type, kProcessFailed, "joint target invalid or out of reach");
    plan = std::make_unique<JointPlan>(now.joints, target, v, a);
  } else if (mode == kavi::robot::movecondition::MODEL) {
    LineLimits limits;
    if (!lineLimits(profile, limits)) return refuse(f.type, kFormatError, "end limits missing or not positive");
    const pbc::ProtoRoadPoint& wp = req.roadpointvector(req.roadpointvector_size() - 1);
    SimPose target;
    if (profile.teachmode() == kavi::robot::movecondition::ROT_Y) {
      // Rotate move: the waypoint's orientation slot carries angle and base axis.
      target = SimKinematics::fk(now.joints);
      double axis[3] = {wp.orientation().x(), wp.orientation().y(), wp.orientation().z()};
      double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
      if (!(n > 1e-9)) return refuse(f.type, kFormatError, "rotation axis is zero");
      double half = 0.5 * wp.orientation().w();
      double dq[4] = {std::cos(half), std::sin(half) * axis[0] / n, std::sin(half) * axis[1] / n,
                      std::sin(half) * axis[2] / n};
      double q[4];
      SimKinematics::quatMul(dq, target.q, q);
      for (int i = 0; i < 4; ++i) target.q[i] = q[i];
    } else {
      target = offset.apply(poseOf(wp));
    }
    plan = LinePlan::build(now.joints, target, limits, toolTip, &reason);
    if (!plan) return refuse(f.type, kProcessFailed, reason ? reason : "line not possible");
  } else if (mode == kavi::robot::movecondition::MODEP) {
    auto track = std::make_unique<TrackPlan>();
    bool cartesian = sub >= kavi::robot::movecondition::ARC_CIR && sub <= kavi::robot::movecondition::CARTESIAN_UBSPLINEINTP;
    double from[6];
    for (int j = 0; j < 6; ++j) from[j] = now.joints[j];
    double v[6], a[6];
    LineLimits limits;
    if (cartesian ? !lineLimits(profile, limits) : !jointLimits(profile, v, a))
      return refuse(f.type, kFormatError, "track limits missing or not positive");
    for (const auto& wp : req.roadpointvector()) {
      std::unique_ptr<MotionPlan> segment;
      double to[6];
      if (cartesian) {
        segment = LinePlan::build(from, offset.apply(poseOf(wp)), limits, toolTip, &reason);
        if (!segment) return refuse(f.type, kProcessFailed, reason ? reason : "track not possible");
        segment->sample(segment->duration(), to);
      } else {
        if (!jointTarget(wp, to)) return refuse(f.type, kProcessFailed, "track waypoint invalid or out of reach");
        segment = std::make_unique<JointPlan>(from, to, v, a);
      }
      track->append(std::move(segment));
      for (int j = 0; j < 6; ++j) from[j] = to[j];
    }
    plan = std::move(track);
  } else {
    return refuse(f.type, kFormatError, "unknown move mode");
  }
  int code = arm.startMove(std::move(plan), retarget, &reason, true);
  if (code != 0) return refuse(f.type, code, reason ? reason : "move refused");
  return Reply{commonText(0), [&arm] { arm.go(); }};
}

SimDispatcher::Reply SimDispatcher::teach(SimSession&, const SimFrame& f) {
  SimArm& arm = m_server.arm();
  if (f.type == CommunicationType_RobotTeachMoveStop) return Reply{commonText(0), [&arm] { arm.teachStop(); }};
  pbc::RobotTeachMove req;
  if (!parse(req, f.text)) return refuse(f.type, kFormatError, "teach request does not parse");
  const pbc::RobotMoveProfile& profile = req.move_profile();
  int mode = profile.teachmode();
  if (mode < 1 || mode > 12) return refuse(f.type, kFormatError, "unknown teach mode");
  // Teach speeds: a fraction of the profile's limits, never fast.
  double speed;
  const auto& v = profile.maxvelc().jointpara();
  if (mode <= 6)
    speed = std::min(0.25, v.size() >= mode && v.Get(mode - 1) > 0 ? v.Get(mode - 1) : 0.25);
  else if (mode <= 9)
    speed = std::min(0.05, v.size() >= 1 && v.Get(0) > 0 ? v.Get(0) : 0.05);
  else
    speed = std::min(0.25, v.size() >= 2 && v.Get(1) > 0 ? v.Get(1) : 0.25);
  ArmSnapshot now = arm.snapshot();
  const char* reason = nullptr;
  int code = arm.startMove(std::make_unique<TeachPlan>(now.joints, mode, profile.circularlooptimes() == 1, speed),
                           false, &reason, true);
  if (code != 0) return refuse(f.type, code, reason ? reason : "teach refused");
  return Reply{commonText(0), [&arm] { arm.go(); }};
}

SimDispatcher::Reply SimDispatcher::moveControl(SimSession&, const SimFrame& f) {
  SimArm& arm = m_server.arm();
  pbc::ProtoRobotMoveFuncResult m;
  m.set_ret(1);  // call_robot_motion_func_succ_wait_done: the done event follows
  int type = f.type;
  return Reply{finish(m), [&arm, type] {
                 if (type == CommunicationType_RobotMoveControlType_SlowStop) arm.stopMove(false, true);
                 if (type == CommunicationType_RobotMoveControlType_FastStop) arm.stopMove(true, true);
                 if (type == CommunicationType_RobotMoveControlType_Pause) arm.pause();
                 if (type == CommunicationType_RobotMoveControlType_Continue) arm.resume();
               }};
}

SimDispatcher::Reply SimDispatcher::statusQuery(SimSession&, const SimFrame& f) {
  ArmSnapshot s = m_server.arm().snapshot();
  const SimConfig& cfg = m_server.config();
  switch (f.type) {
    case CommunicationType_GetRobotCurrentState:
      return Reply{generalData({s.robotState}, {})};
    case CommunicationType_GetRobotMode:
      return Reply{generalData({m_server.state().read([](const SimStateData& d) { return d.workMode; })}, {})};
    case CommunicationType_GetIsRealRobotExist:
      return Reply{generalData({}, {false})};  // a simulator, not an arm
    case CommunicationType_getEnableJoint6Rot360Flag:
      if (cfg.joint6Silent) return Reply("", nullptr, true);
      return Reply{generalData({}, {m_server.state().read([](const SimStateData& d) { return d.joint6Rot360; })})};
    case CommunicationType_GetRobotEthernetDeviceName: {
      pbm::ProtoCommunicationEthernetDeviceNameResponse m;
      m.set_name(m_server.state().read([](const SimStateData& d) { return d.ethernetDeviceName; }));
      return Reply{finish(m)};
    }
    case CommunicationType_GetDeviceInfo: {
      pbc::ProtoResponseRobotDevInfo m;
      auto* d = m.add_devinfo();
      d->set_type(static_cast<uint32_t>(cfg.model));
      d->set_revision("V3.1.0");  // an interface board with the safety configuration
      d->set_manuid("KAVI-SIM");
      d->set_jointtype("SIM-J");
      for (int j = 0; j < 6; ++j) {
        auto* v = d->add_jointver();
        v->set_hwversion("HW1.0");
        v->set_swversion("SW2.4.1");
        char id[16];
        std::snprintf(id, sizeof(id), "SIMJ%04d", j + 1);
        d->add_jointproductid(id);
      }
      d->set_desc("kavi-sim");
      d->set_slavedevversion("SLV1.2.0");
      d->set_extendioboardversion("EXT1.0");
      return Reply{finish(m)};
    }
    case CommunicationType_GetRobotGravityComponent: {
      double payload = m_server.state().read([](const SimStateData& d) { return d.toolDynamics.payload(); });
      pbc::ProtoResponseRobotGravityComponent m;
      auto* g = m.add_gravitycomponent();
      g->set_x(0);
      g->set_y(0);
      g->set_z(static_cast<float>(-9.81 * payload));
      return Reply{finish(m)};
    }
    default: {  // collision current
      int grade = m_server.state().read([](const SimStateData& d) { return d.collisionClass; });
      pbc::ProtoResponseRobotCollisionCurrent m;
      auto* c = m.add_collisioncurrent();
      for (int j = 0; j < 6; ++j)
        for (int k = 0; k < 4; ++k)
          c->add_jointcollisioncurrent(static_cast<uint32_t>((j < 3 ? 6000 : 3000) - 300 * grade + 100 * k));
      c->set_collisionclass(static_cast<uint32_t>(grade));
      return Reply{finish(m)};
    }
  }
}

SimDispatcher::Reply SimDispatcher::configStore(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  switch (f.type) {
    case CommunicationType_SetRobotTcpParam: {
      pbm::RobotTcpParam req;
      if (!parse(req, f.text)) return refuse(f.type, kFormatError, "TCP parameters do not parse");
      st.write([&](SimStateData& d) { d.tcpParam = req; });
      return Reply{commonText(0), [this] { m_server.arm().emit(krn::RobotEvent_tcpParametersSucc, 0, "tcp parameters set"); }};
    }
    case CommunicationType_SetToolDynamicsParam: {
      pbc::ToolParam req;
      // The library's request carries no errorInfo.
      if (!parse(req, f.text, "errorInfo") || req.tooldynamicsparam_size() < 1)
        return refuse(f.type, kFormatError, "tool dynamics do not parse");
      st.write([&](SimStateData& d) { d.toolDynamics = req.tooldynamicsparam(0); });
      return Reply{commonText(0)};
    }
    case CommunicationType_SetRobotMode:
    case CommunicationType_SetRobotCollisionGrade: {
      pbm::ProtoCommunicationGeneralData req;
      if (!parse(req, f.text) || req.property1_size() < 1) return refuse(f.type, kFormatError, "one value expected");
      int v = req.property1(0);
      if (f.type == CommunicationType_SetRobotMode) {
        if (v != 0 && v != 1) return refuse(f.type, kFormatError, "work mode must be 0 or 1");
        st.write([&](SimStateData& d) { d.workMode = v; });
      } else {
        if (v < 0 || v > 10) return refuse(f.type, kFormatError, "collision class must be 0..10");
        st.write([&](SimStateData& d) { d.collisionClass = v; });
      }
      return Reply{commonText(0)};
    }
    case CommunicationType_RobotSetJointOffset: {
      pbc::RobotJointOffset req;
      if (!parse(req, f.text)) return refuse(f.type, kFormatError, "joint offsets do not parse");
      st.write([&](SimStateData& d) { d.jointOffset = req; });
      return Reply{commonText(0)};
    }
    case CommunicationType_setRobotTool: {
      pbc::ToolKinematicsParam req;
      if (!parse(req, f.text)) return refuse(f.type, kFormatError, "tool does not parse");
      st.write([&](SimStateData& d) { d.robotTool = req; });
      return Reply{commonText(0)};
    }
    default:  // origin pose
      return Reply{commonText(0)};
  }
}

SimDispatcher::Reply SimDispatcher::configRead(SimSession&, const SimFrame& f) {
  if (f.type == CommunicationType_GetRobotTcpParam) {
    pbc::ProtoResponseRobotTcpParam m;
    *m.add_tcpparam() = m_server.state().read([](const SimStateData& d) { return d.tcpParam; });
    return Reply{finish(m)};
  }
  pbc::ToolParam m;
  *m.add_tooldynamicsparam() = m_server.state().read([](const SimStateData& d) { return d.toolDynamics; });
  return Reply{finish(m)};
}

SimDispatcher::Reply SimDispatcher::boardIo(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  switch (f.type) {
    case CommunicationType_GetInterfaceBoardAllDIData:
      return Reply{ioList(st.read([](const SimStateData& d) { return d.boardDI; }), 0)};
    case CommunicationType_GetInterfaceBoardAllDOData:
      return Reply{ioList(st.read([](const SimStateData& d) { return d.boardDO; }), 1)};
    case CommunicationType_GetInterfaceBoardAllAIData:
      return Reply{analogList(st.read([](const SimStateData& d) { return d.boardAI; }), 2)};
    case CommunicationType_GetInterfaceBoardAllAOData:
      return Reply{analogList(st.read([](const SimStateData& d) { return d.boardAO; }), 3)};
    default: break;
  }
  bool analogType = f.type == 48 || f.type == 49 || f.type == 51;
  int addr = -1;
  double value = 0;
  if (analogType) {
    pbm::ProtoCommunicationRobotAnalogIOData req;
    if (parse(req, f.text) && req.iodesc_size() > 0) {
      addr = static_cast<int>(req.iodesc(0).addr());
      value = req.iodesc(0).value();
    }
  } else {
    pbm::ProtoCommunicationRobotDiagnosisIOData req;
    if (parse(req, f.text) && req.iodesc_size() > 0) {
      addr = static_cast<int>(req.iodesc(0).addr());
      value = req.iodesc(0).value();
    }
  }
  if (addr < 0) return refuse(f.type, kFormatError, "one IO description expected");
  const int sizes[] = {SimStateData::kDigitalInputs, SimStateData::kDigitalOutputs, SimStateData::kAnalogInputs,
                       SimStateData::kAnalogOutputs};
  int kind = (f.type == 46) ? 0 : (f.type == 47 || f.type == 50) ? 1 : (f.type == 48) ? 2 : 3;
  if (addr >= sizes[kind]) return refuse(f.type, kProcessFailed, "IO address out of range");
  if (f.type == CommunicationType_SetInterfaceBoardOneDOStatus) {
    int v = value != 0 ? 1 : 0;
    bool changed = st.write([&](SimStateData& d) {
      bool c = d.boardDO[static_cast<size_t>(addr)] != v;
      d.boardDO[static_cast<size_t>(addr)] = v;
      return c;
    });
    if (!changed) return Reply{commonText(0)};
    return Reply{commonText(0), [this, addr, v] {
                   m_server.arm().emit(krn::RobotEvent_InterfacBoardDOChanged, addr, ioEventText(addr, v));
                 }};
  }
  if (f.type == CommunicationType_SetInterfaceBoardOneAOStatus) {
    float v = static_cast<float>(value);
    bool changed = st.write([&](SimStateData& d) {
      bool c = d.boardAO[static_cast<size_t>(addr)] != v;
      d.boardAO[static_cast<size_t>(addr)] = v;
      return c;
    });
    if (!changed) return Reply{commonText(0)};
    return Reply{commonText(0), [this, addr, v] {
                   m_server.arm().emit(krn::RobotEvent_InterfacBoardAOChanged, addr, ioEventText(addr, v));
                 }};
  }
  if (kind <= 1) {
    int v = st.read([&](const SimStateData& d) {
      return kind == 0 ? d.boardDI[static_cast<size_t>(addr)] : d.boardDO[static_cast<size_t>(addr)];
    });
    pbm::ProtoCommunicationRobotDiagnosisIOData m;
    m.set_type(kind);
    auto* d = m.add_iodesc();
    d->set_addr(static_cast<uint32_t>(addr));
    d->set_type(static_cast<uint32_t>(kind));
    d->set_value(static_cast<uint32_t>(v));
    return Reply{finish(m)};
  }
  float v = st.read([&](const SimStateData& d) {
    return kind == 2 ? d.boardAI[static_cast<size_t>(addr)] : d.boardAO[static_cast<size_t>(addr)];
  });
  pbm::ProtoCommunicationRobotAnalogIOData m;
  m.set_type(kind);
  auto* d = m.add_iodesc();
  d->set_addr(static_cast<uint32_t>(addr));
  d->set_type(static_cast<uint32_t>(kind));
  d->set_value(v);
  return Reply{finish(m)};
}

SimDispatcher::Reply SimDispatcher::toolIo(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  static const int kVolts[3] = {0, 12, 24};
  switch (f.type) {
    case CommunicationType_GetToolPowerVoltageType:
      return Reply{ioList({st.read([](const SimStateData& d) { return d.toolPowerType; })}, 0)};
    case CommunicationType_GetToolPowerVoltage:
      return Reply{ioList({kVolts[st.read([](const SimStateData& d) { return d.toolPowerType; })]}, 0)};
    case CommunicationType_GetToolAllDigitalIOStatus: {
      pbm::ProtoCommunicationRobotDiagnosisIOData m;
      m.set_type(0);
      st.read([&](const SimStateData& d) {
        for (int i = 0; i < 4; ++i) {
          auto* io = m.add_iodesc();
          io->set_addr(static_cast<uint32_t>(i));
          io->set_type(static_cast<uint32_t>(d.toolDirection[i]));
          io->set_value(static_cast<uint32_t>(d.toolValue[i]));
        }
        return 0;
      });
      return Reply{finish(m)};
    }
    case CommunicationType_GetToolAllAIStatus: {
      std::vector<float> ai = st.read([](const SimStateData& d) {
        return std::vector<float>{static_cast<float>(d.toolAI[0]), static_cast<float>(d.toolAI[1])};
      });
      return Reply{analogList(ai, 0)};
    }
    case CommunicationType_GetToolAllIoStatus: {
      pbm::ProtoCommunicationToolAllIOStatusInfoResponse m;
      auto* s = m.mutable_tooliostatus();
      st.read([&](const SimStateData& d) {
        s->set_powertype(static_cast<uint32_t>(d.toolPowerType));
        s->set_systemvoltage(kVolts[d.toolPowerType] == 0 ? 0.0 : kVolts[d.toolPowerType] + 0.02);
        s->set_systemtemperature(d.toolTemperature);
        s->set_errorstatus(0);
        for (int i = 0; i < 4; ++i) {
          auto* io = s->add_digitaliostatus();
          io->set_iotype(static_cast<uint32_t>(d.toolDirection[i]));
          io->set_iodata(static_cast<uint32_t>(d.toolValue[i]));
        }
        s->add_aidata(d.toolAI[0]);
        s->add_aidata(d.toolAI[1]);
        return 0;
      });
      return Reply{finish(m)};
    }
    default: break;
  }
  pbm::ProtoCommunicationRobotDiagnosisIOData req;
  if (!parse(req, f.text) || req.iodesc_size() < 1) return refuse(f.type, kFormatError, "IO description expected");
  const auto& first = req.iodesc(0);
  if (f.type == CommunicationType_SetToolPowerVoltageType || f.type == CommunicationType_SetToolPowerTypeAndDigitalIOType) {
    if (first.value() > 2) return refuse(f.type, kFormatError, "tool power type must be 0..2");
    if (f.type == CommunicationType_SetToolPowerTypeAndDigitalIOType && req.iodesc_size() < 5)
      return refuse(f.type, kFormatError, "power type and four line types expected");
    for (int i = 1; i < req.iodesc_size() && i < 5; ++i)
      if (req.iodesc(i).addr() > 3) return refuse(f.type, kFormatError, "tool line address must be 0..3");
    st.write([&](SimStateData& d) {
      d.toolPowerType = static_cast<int>(first.value());
      for (int i = 1; i < req.iodesc_size() && i < 5; ++i) {
        const auto& io = req.iodesc(i);
        d.toolDirection[io.addr()] = (io.value() != 0 || io.type() != 0) ? 1 : 0;
      }
    });
    return Reply{commonText(0)};
  }
  if (first.addr() > 3) return refuse(f.type, kFormatError, "tool line address must be 0..3");
  int addr = static_cast<int>(first.addr());
  if (f.type == CommunicationType_SetToolDigitalIOType) {
    st.write([&](SimStateData& d) { d.toolDirection[addr] = (first.value() != 0 || first.type() != 0) ? 1 : 0; });
    return Reply{commonText(0)};
  }
  // Set a tool output: only a line configured as output can be driven.
  bool isOutput = st.read([&](const SimStateData& d) { return d.toolDirection[addr] == 1; });
  if (!isOutput) return refuse(f.type, kProcessFailed, "tool line is configured as input");
  st.write([&](SimStateData& d) { d.toolValue[addr] = first.value() != 0 ? 1 : 0; });
  return Reply{commonText(0)};
}

SimDispatcher::Reply SimDispatcher::safety(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  if (f.type == CommunicationType_GetRobotSafetyConfig) {
    pbc::ProtoResponseRobotSafetyConfig m;
    *m.add_safetyconfig() = st.read([](const SimStateData& d) { return d.safetyConfig; });
    return Reply{finish(m)};
  }
  if (f.type == CommunicationType_GetOrpeSafetyStatus) {
    pbc::ProtoResponseOrpeSafetyStatus m;
    *m.add_safetystatus() = st.read([](const SimStateData& d) { return d.orpeStatus; });
    return Reply{finish(m)};
  }
  if (f.type == CommunicationType_SetRobotSafetyConfig) {
    pbc::ProtoResponseRobotSafetyConfig req;
    if (!parse(req, f.text) || req.safetyconfig_size() < 1)
      return refuse(f.type, kFormatError, "safety configuration does not parse");
    if (req.safetyconfig(0).robotreducedconfigjointspeed_size() != 6)
      return refuse(f.type, kFormatError, "six reduced joint speeds expected");
    st.write([&](SimStateData& d) { d.safetyConfig = req.safetyconfig(0); });
    return Reply{commonText(0)};
  }
  pbm::protoSafeCommunicationParam req;
  if (!parse(req, f.text)) return refuse(f.type, kFormatError, "safety IO parameters do not parse");
  if (f.type != CommunicationType_SafetyIoAbout_setRobotOrpeError && req.param_size() < 1)
    return refuse(f.type, kFormatError, "one value expected");
  if (req.param_size() > 16) return refuse(f.type, kFormatError, "at most 16 values");
  st.write([&](SimStateData& d) {
    auto& o = d.orpeStatus;
    int v = req.param_size() > 0 ? static_cast<int>(req.param(0)) : 0;
    switch (f.type) {
      case CommunicationType_SafetyIoAbout_setRobotOrpePause: o.set_orpepause(v); break;
      case CommunicationType_SafetyIoAbout_setRobotOrpeStop: o.set_orpestop(v); break;
      case CommunicationType_SafetyIoAbout_setRobotOrpeError:
        o.clear_orpeerror();
        for (uint32_t e : req.param()) o.add_orpeerror(e);
        break;
      case CommunicationType_SafetyIoAbout_clearSystemEmergencyStop: o.set_systememergencystop(v); break;
      case CommunicationType_SafetyIoAbout_clearReducedModeError: o.set_reducedmodeerror(v); break;
      default: o.set_safetyguardresetsucc(v); break;
    }
  });
  return Reply{commonText(0)};
}

SimDispatcher::Reply SimDispatcher::offlineTrack(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  SimArm& arm = m_server.arm();
  switch (f.type) {
    case CommunicationType_OfflineTrackWaypointAppend:
    case CommunicationType_SetRobotPosData2Canbus: {
      pbc::RobotMove req;
      if (!parse(req, f.text)) return refuse(f.type, kFormatError, "waypoints do not parse");
      for (const auto& wp : req.roadpointvector()) {
        double q[6];
        if (!jointsOf(wp, q)) return refuse(f.type, kFormatError, "waypoint without six joint angles");
      }
      if (f.type == CommunicationType_OfflineTrackWaypointAppend) {
        st.write([&](SimStateData& d) {
          for (const auto& wp : req.roadpointvector()) d.offlineTrack.push_back(wp);
        });
        return Reply{commonText(0)};
      }
      if (!st.read([](const SimStateData& d) { return d.canbusMode; }))
        return refuse(f.type, kProcessFailed, "not in CAN-bus mode");
      if (req.roadpointvector_size() == 0) return Reply{commonText(0)};
      double q[6];
      jointsOf(req.roadpointvector(req.roadpointvector_size() - 1), q);
      const char* reason = nullptr;
      if (!arm.canMove(&reason)) return refuse(f.type, kProcessFailed, reason);
      if (!arm.applyDirect(q)) return refuse(f.type, kProcessFailed, "a move is running");
      return Reply{commonText(0)};
    }
    case CommunicationType_OfflineTrackWaypointClear:
      st.write([](SimStateData& d) { d.offlineTrack.clear(); });
      return Reply{commonText(0)};
    case CommunicationType_OfflineTrackMoveStartup: {
      std::vector<JointSample> samples = st.read([](const SimStateData& d) {
        std::vector<JointSample> out;
        for (const auto& wp : d.offlineTrack) {
          JointSample s;
          jointsOf(wp, s.data());
          out.push_back(s);
        }
        return out;
      });
      if (samples.empty()) return refuse(f.type, kProcessFailed, "offline track is empty");
      ArmSnapshot now = arm.snapshot();
      auto track = std::make_unique<TrackPlan>();
      // Reach the first waypoint at moderate joint speed, then play at the fixed period.
      const double v[6] = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
      const double a[6] = {1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
      track->append(std::make_unique<JointPlan>(now.joints, samples.front().data(), v, a));
      track->append(std::make_unique<SampledPlan>(m_server.config().offlineTrackPeriod, std::move(samples)));
      const char* reason = nullptr;
      int code = arm.startMove(std::move(track), false, &reason, true);
      if (code != 0) return refuse(f.type, code, reason ? reason : "offline track refused");
      return Reply{commonText(0), [&arm] { arm.go(); }};
    }
    case CommunicationType_OfflineTrackMoveStop:
      return Reply{commonText(0), [&arm] {
                     if (arm.busy()) arm.emit(krn::RobotEvent_trackPlayInterrupte, 0, "offline track stopped");
                     arm.stopMove(false, false);
                   }};
    case CommunicationType_EnterTcp2CanbusMode:
      if (arm.busy()) return refuse(f.type, kProcessFailed, "a move is running");
      st.write([](SimStateData& d) { d.canbusMode = true; });
      return Reply{commonText(0)};
    default:  // leave CAN-bus mode
      st.write([](SimStateData& d) { d.canbusMode = false; });
      return Reply{commonText(0)};
  }
}

SimDispatcher::Reply SimDispatcher::excitation(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  if (f.type == CommunicationType_GetDynIdentifyResults) {
    pbm::ProtoCommunicationDynIdentifyResults m;
    bool done = st.read([&](const SimStateData& d) {
      for (int v : d.dynIdentifyResults) m.add_param(v);
      return d.excitationDone;
    });
    m.set_temp(done ? 35 : 0);
    return Reply{finish(m, done ? 0 : kProcessFailed, done ? "" : "no identification run yet")};
  }
  pbm::ProtoCommunicationOfflineExcitTraj req;
  if (!parse(req, f.text)) return refuse(f.type, kFormatError, "excitation request does not parse");
  if (req.type() < krn::Dyn_identify_traj_none || req.type() > krn::Dyn_identify_traj_tool_abort)
    return refuse(f.type, kFormatError, "unknown excitation kind");
  SimArm& arm = m_server.arm();
  if (req.type() == krn::Dyn_identify_traj_tool_abort)
    return Reply{commonText(0), [&arm] { arm.stopMove(false, false); }};
  // A short excursion of every joint that ends where it started.
  double seconds = m_server.config().excitationSeconds;
  ArmSnapshot now = arm.snapshot();
  const double period = 0.005;
  size_t n = static_cast<size_t>(std::ceil(seconds / period));
  std::vector<JointSample> samples(n + 1);
  for (size_t k = 0; k <= n; ++k)
    for (int j = 0; j < 6; ++j)
      samples[k][j] = now.joints[j] + 0.05 * std::sin(2 * 3.14159265358979323846 * (j + 1) * static_cast<double>(k) / n);
  const char* reason = nullptr;
  int code = arm.startMove(std::make_unique<SampledPlan>(seconds / static_cast<double>(n), std::move(samples)),
                           false, &reason, true);
  if (code != 0) return refuse(f.type, code, reason ? reason : "excitation refused");
  st.write([&](SimStateData& d) {
    d.excitation = req;
    d.excitationDone = false;
    d.dynIdentifyResults.clear();
  });
  int model = m_server.config().model;
  int kind = req.type(), subtype = req.subtype();
  return Reply{commonText(0), [this, &arm, seconds, model, kind, subtype] {
                 arm.go();
                 arm.schedule(seconds, [this, model, kind, subtype] {
                   m_server.state().write([&](SimStateData& d) {
                     d.excitationDone = true;
                     d.dynIdentifyResults.clear();
                     // Identified parameters (fixed-point), reproducible per model and kind.
                     for (int i = 0; i < (kind == krn::Dyn_identify_traj_tool ? 10 : 60); ++i)
                       d.dynIdentifyResults.push_back(1000 * (model + 1) + 37 * i + 5 * subtype);
                   });
                 });
               }};
}

SimDispatcher::Reply SimDispatcher::firmware(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  if (f.type == CommunicationType_FirmwareUpdateResult)
    return Reply{generalData({}, {st.read([](const SimStateData& d) { return d.firmwareResult; })})};
  pbm::ProtoCommunicationRobotBoardFirmware req;
  if (!parse(req, f.text)) return refuse(f.type, kFormatError, "firmware piece does not parse");
  int cmd = req.command();
  if (cmd < 1 || cmd > 6) return refuse(f.type, kFormatError, "unknown firmware command");
  if (static_cast<size_t>(req.firmwarecontentsize()) != req.firmwarecontent().size())
    return refuse(f.type, kFormatError, "firmware size does not match its content");
  st.write([&](SimStateData& d) {
    d.firmwareCommand = cmd;
    if (cmd == 1 || cmd == 4) {
      d.firmware.clear();
      d.firmwareResult = false;
    } else if (cmd == 2 || cmd == 5) {
      d.firmware += req.firmwarecontent();
    } else {
      d.firmwareResult = !d.firmware.empty();
    }
  });
  return Reply{commonText(0)};
}

SimDispatcher::Reply SimDispatcher::conveyor(SimSession&, const SimFrame& f) {
  SimState& st = m_server.state();
  if (f.type == CommunicationType_getConveyorEncoderVal) {
    pbm::ProtoCommunicationIntVectorResponse m;
    m.set_num(1);
    m.add_value(st.read([](const SimStateData& d) { return static_cast<int32_t>(std::lround(d.conveyor.encoder)); }));
    return Reply{finish(m)};
  }
  switch (f.type) {
    case CommunicationType_setConveyorEncoderReset:
      st.write([](SimStateData& d) { d.conveyor.encoder = 0; });
      return Reply{commonText(0)};
    case CommunicationType_setConveyorStartup:
      st.write([](SimStateData& d) { d.conveyor.running = true; });
      return Reply{commonText(0)};
    case CommunicationType_setConveyorStop:
      st.write([](SimStateData& d) { d.conveyor.running = false; });
      return Reply{commonText(0)};
    case CommunicationType_enableConveyorTrack:
      st.write([](SimStateData& d) { d.conveyor.trackingEnabled = true; });
      return Reply{commonText(0)};
    case CommunicationType_setRobotCameraCalib: {
      pbc::ToolKinematicsParam req;
      if (!parse(req, f.text)) return refuse(f.type, kFormatError, "camera calibration does not parse");
      st.write([&](SimStateData& d) { d.conveyor.cameraCalib = req; });
      return Reply{commonText(0)};
    }
    case CommunicationType_appendObject2ConveyorTrackQueue: {
      pbc::ProtoConveyorTrackValuePoint req;
      if (!parse(req, f.text)) return refuse(f.type, kFormatError, "conveyor object does not parse");
      ConveyorObject o;
      o.position[0] = req.position().x();
      o.position[1] = req.position().y();
      o.position[2] = req.position().z();
      o.orientation[0] = req.ori().w();
      o.orientation[1] = req.ori().x();
      o.orientation[2] = req.ori().y();
      o.orientation[3] = req.ori().z();
      o.timestamp = req.timestamp();
      st.write([&](SimStateData& d) { d.conveyor.objects.push_back(o); });
      return Reply{commonText(0)};
    }
    case CommunicationType_setConveyorDir:
    case CommunicationType_setEncoderValPerMeter: {
      pbm::ProtoCommunicationIntVector req;
      if (!parse(req, f.text) || req.value_size() < 1) return refuse(f.type, kFormatError, "one integer expected");
      int v = req.value(0);
      st.write([&](SimStateData& d) {
        if (f.type == CommunicationType_setConveyorDir)
          d.conveyor.direction = v;
        else
          d.conveyor.encoderPerMeter = v;
      });
      return Reply{commonText(0)};
    }
    default: {
      pbm::ProtoCommunicationDoubleVector req;
      if (!parse(req, f.text) || req.value_size() < 1) return refuse(f.type, kFormatError, "one number expected");
      double v = req.value(0);
      st.write([&](SimStateData& d) {
        ConveyorState& c = d.conveyor;
        switch (f.type) {
          case CommunicationType_setConveyorVelc: c.velocity = v; break;
          case CommunicationType_setStartWindowUpstream: c.startWindowUpstream = v; break;
          case CommunicationType_setStartWindowDownstream: c.startWindowDownstream = v; break;
          case CommunicationType_setConveyorTrackDownstream: c.trackDownstream = v; break;
          case CommunicationType_setRobotConveyorTrackMaxVelc: c.robotMaxVelc = v; break;
          case CommunicationType_setRobotConveyorTrackMaxAcc: c.robotMaxAcc = v; break;
          default: c.systemDelay = v; break;
        }
      });
      return Reply{commonText(0)};
    }
  }
}

}  // namespace kavisim
