// A scripted controller for the facade tests: answers every request the way a
// controller would (login with the model-0 DH lengths, common responses,
// current joint angles, move control "no wait"), records what it received,
// and plays one chosen reaction to each move request.
#ifndef RSKAVI_TEST_FAKE_CONTROLLER_H
#define RSKAVI_TEST_FAKE_CONTROLLER_H

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ScriptedPeer.h"
#include "robotcommon.pb.h"

namespace rskavi_test {

class FakeController {
 public:
  // What the controller does when a move (type 22) or a track start arrives.
  enum class MoveReply {
    ArriveAfterResponse,   // response, then RobotEvent_atTrackTargetPos
    ArriveBeforeResponse,  // the arrival event overtakes the response
    ErrorAfterResponse,    // response, then RobotEvent_robotControllerError
    ResponseOnly,          // response and nothing else
    Reject,                // response with controller code 2
    CloseAfterResponse     // response, then the connection is closed
  };

  FakeController();

  ScriptedPeer& peer() { return m_peer; }
  uint16_t port() const { return m_peer.port(); }

  void setMoveReply(MoveReply reply) { m_moveReply = reply; }
  void setJoints(const std::array<double, 6>& joints);

  // Texts of the frames of one command type received so far, in order.
  std::vector<std::string> texts(int commandType) const;
  size_t count(int commandType) const { return texts(commandType).size(); }
  // The move requests (type 22) received so far, parsed.
  std::vector<kavi::robot::common::RobotMove> moves() const;

  bool sendEvent(int type, int code, const std::string& content);
  bool sendJointAngles(const std::array<double, 6>& joints);

  static std::string commonResponse(int code);

 private:
  void handle(ScriptedPeer& peer, const PeerFrame& frame);

  ScriptedPeer m_peer;
  std::atomic<MoveReply> m_moveReply{MoveReply::ArriveAfterResponse};
  mutable std::mutex m_mutex;
  std::array<double, 6> m_joints{};
};

}  // namespace rskavi_test

#endif
