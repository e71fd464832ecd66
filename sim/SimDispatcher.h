// The meaning of every command the simulated controller understands: one
// table of handlers indexed by command type. A handler parses the request,
// acts on the arm and the stores, and returns the response text; effects that
// raise events run after the response is queued.
#ifndef KAVISIM_SIM_DISPATCHER_H
#define KAVISIM_SIM_DISPATCHER_H

#include <array>
#include <functional>
#include <string>

#include "SimFrameReader.h"

namespace google {
namespace protobuf {
class Message;
}
}  // namespace google

namespace kavisim {

class SimServer;
class SimSession;
struct ArmSnapshot;

// Texts of the joint-status and joint-angle answers, shared by the queries
// and the real-time pushes.
std::string jointStatusText(const ArmSnapshot& snapshot);
std::string jointAngleText(const ArmSnapshot& snapshot);

class SimDispatcher {
 public:
  explicit SimDispatcher(SimServer& server);

  void handle(SimSession& session, const SimFrame& frame);
  // A complete response of command `type` carrying controller code `code`.
  std::string errorReply(int type, int code, const std::string& message) const;

 private:
  struct Reply {
    Reply() = default;
    explicit Reply(std::string t, std::function<void()> a = nullptr, bool s = false)
        : text(std::move(t)), after(std::move(a)), silent(s) {}
    std::string text;
    std::function<void()> after;  // runs once the response is queued
    bool silent = false;          // no response at all
  };
  using Handler = Reply (SimDispatcher::*)(SimSession&, const SimFrame&);
  struct Entry {
    Handler handler = nullptr;
    const google::protobuf::Message* response = nullptr;  // prototype of the response
  };

  void on(int type, Handler handler, const google::protobuf::Message* response = nullptr);
  Reply refuse(int type, int code, const std::string& why);

  Reply login(SimSession&, const SimFrame&);
  Reply pushSwitch(SimSession&, const SimFrame&);
  Reply jointStatus(SimSession&, const SimFrame&);
  Reply jointAngle(SimSession&, const SimFrame&);
  Reply diagnosis(SimSession&, const SimFrame&);
  Reply lifecycle(SimSession&, const SimFrame&);
  Reply robotControl(SimSession&, const SimFrame&);
  Reply move(SimSession&, const SimFrame&);
  Reply teach(SimSession&, const SimFrame&);
  Reply moveControl(SimSession&, const SimFrame&);
  Reply statusQuery(SimSession&, const SimFrame&);
  Reply configStore(SimSession&, const SimFrame&);
  Reply configRead(SimSession&, const SimFrame&);
  Reply boardIo(SimSession&, const SimFrame&);
  Reply toolIo(SimSession&, const SimFrame&);
  Reply safety(SimSession&, const SimFrame&);
  Reply offlineTrack(SimSession&, const SimFrame&);
  Reply excitation(SimSession&, const SimFrame&);
  Reply firmware(SimSession&, const SimFrame&);
  Reply conveyor(SimSession&, const SimFrame&);

  SimServer& m_server;
  std::array<Entry, 110> m_table;
};

}  // namespace kavisim

#endif
