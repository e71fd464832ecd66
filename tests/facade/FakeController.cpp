// Scripted controller for the facade tests.
#include "FakeController.h"

#include "robotcommunication.pb.h"

namespace rskavi_test {

namespace {

namespace pc = kavi::robot::common;
namespace pm = kavi::robot::communication;

template <typename Message>
std::string serialise(const Message& m) {
  std::string out;
  m.SerializeToString(&out);
  return out;
}

// A joint-angle answer or push with a success code: the same text for both.
std::string jointAngleText(const std::array<double, 6>& j) {
  pc::ProtoJointAngleResponse r;
  pc::ProtoJointAngle* a = r.mutable_jointangle();
  a->set_joint1(j[0]);
  a->set_joint2(j[1]);
  a->set_joint3(j[2]);
  a->set_joint4(j[3]);
  a->set_joint5(j[4]);
  a->set_joint6(j[5]);
  pc::RobotCommonResponse* e = r.add_errorinfo();
  e->set_errorcode(0);
  e->set_errormsg("");
  return serialise(r);
}

}  // namespace

FakeController::FakeController() {
  m_peer.setFrameHandler([this](ScriptedPeer& peer, const PeerFrame& frame) { handle(peer, frame); });
}

void FakeController::setJoints(const std::array<double, 6>& joints) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_joints = joints;
}

std::vector<std::string> FakeController::texts(int commandType) const {
  std::vector<std::string> out;
  for (const PeerFrame& f : m_peer.frames()) {
    if (f.commandType == commandType) out.push_back(f.text);
  }
  return out;
}

std::vector<pc::RobotMove> FakeController::moves() const {
  std::vector<pc::RobotMove> out;
  for (const std::string& text : texts(22)) {
    pc::RobotMove move;
    if (move.ParseFromString(text)) out.push_back(move);
  }
  return out;
}

std::string FakeController::commonResponse(int code) {
  pm::ProtoRobotCommonResponse r;
  r.set_errorcode(code);
  r.set_errormsg("");
  return serialise(r);
}

bool FakeController::sendEvent(int type, int code, const std::string& content) {
  pm::ProtoCommunicationRobotEvent e;
  e.set_eventtype(type);
  e.set_eventcode(code);
  e.set_eventcontent(content);
  return m_peer.sendFrame(2, serialise(e));
}

bool FakeController::sendJointAngles(const std::array<double, 6>& j) {
  return m_peer.sendFrame(7, jointAngleText(j));
}

void FakeController::handle(ScriptedPeer& peer, const PeerFrame& frame) {
  const int type = frame.commandType;
  switch (type) {
    case 0: {  // login: model 0 with its own default lengths, so nothing changes
      pc::ProtoResponseRobotDhParam r;
      r.set_robottype(0);
      pc::DhParam* dh = r.mutable_dhparam();
      dh->set_a3(0.408);
      dh->set_a4(0.376);
      dh->set_d1(0.0985);
      dh->set_d2(0.1215);
      dh->set_d5(0.1025);
      dh->set_d6(0.094);
      r.mutable_errorinfo()->set_errorcode(0);
      r.mutable_errorinfo()->set_errormsg("");
      peer.sendFrame(0, serialise(r));
      return;
    }
    case 87: {
      pm::ProtoCommunicationGeneralData r;
      r.add_property2(false);
      pm::ProtoRobotCommonResponse* e = r.add_errorinfo();
      e->set_errorcode(0);
      e->set_errormsg("");
      r.set_type(0);
      peer.sendFrame(87, serialise(r));
      return;
    }
    case 10: {
      std::array<double, 6> j;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        j = m_joints;
      }
      peer.sendFrame(10, jointAngleText(j));
      return;
    }
    case 89:
    case 90:
    case 91:
    case 92: {
      pc::ProtoRobotMoveFuncResult r;
      r.set_ret(2);  // done at once, nothing to wait for
      r.mutable_errorinfo()->set_errorcode(0);
      r.mutable_errorinfo()->set_errormsg("");
      peer.sendFrame(type, serialise(r));
      return;
    }
    case 22:
    case 73: {
      switch (m_moveReply.load()) {
        case MoveReply::ArriveAfterResponse:
          peer.sendFrame(type, commonResponse(0));
          sendEvent(22, 0, "");
          break;
        case MoveReply::ArriveBeforeResponse:
          sendEvent(22, 0, "");
          peer.sendFrame(type, commonResponse(0));
          break;
        case MoveReply::ErrorAfterResponse:
          peer.sendFrame(type, commonResponse(0));
          sendEvent(26, 7, "joint error");
          break;
        case MoveReply::ResponseOnly:
          peer.sendFrame(type, commonResponse(0));
          break;
        case MoveReply::Reject:
          peer.sendFrame(type, commonResponse(2));
          break;
        case MoveReply::CloseAfterResponse:
          peer.sendFrame(type, commonResponse(0));
          // The close itself must come from another thread: the handler runs
          // on the peer's reader.
          break;
      }
      return;
    }
    default:
      peer.sendFrame(type, commonResponse(0));
      return;
  }
}

}  // namespace rskavi_test
