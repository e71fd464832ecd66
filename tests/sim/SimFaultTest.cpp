// Each fault switch of the simulator does what it says.
#include <gtest/gtest.h>

#include <functional>

#include "SimFixture.h"
#include "SimMessages.h"
#include "SimTestClient.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

using namespace std::chrono_literals;
namespace pbc = kavi::robot::common;
namespace pbm = kavi::robot::communication;

namespace {

struct FaultCase {
  const char* name;
  std::function<void(kavisim::SimServer&, SimTestClient&)> check;
};

class SimFaultTest : public SimFixture, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void configure(kavisim::SimConfig& c) override { c.armReady = true; }
};

TEST_P(SimFaultTest, DoesWhatItSays) {
  SimTestClient client(port());
  ASSERT_TRUE(client.connected());
  // One exchange first: the simulator knows the connection from then on.
  ASSERT_GE(client.request(26, ""), 0);
  GetParam().check(sim(), client);
}

kavisim::CommandFault fault(std::function<void(kavisim::CommandFault&)> set) {
  kavisim::CommandFault f;
  set(f);
  return f;
}

// Any later request still gets its answer: the connection survived.
void expectAlive(SimTestClient& c) { EXPECT_GE(c.request(26, ""), 0) << "connection unusable afterwards"; }

const FaultCase kCases[] = {
    {"DelayedResponse",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.faults().set(26, fault([](kavisim::CommandFault& f) { f.delayMs = 300; }));
       auto sent = SimTestClient::Clock::now();
       int i = c.request(26, "", 1000ms);
       ASSERT_GE(i, 0);
       EXPECT_GE(std::chrono::duration<double>(c.frame(i).at - sent).count(), 0.29);
     }},
    {"DroppedResponseOnce",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.faults().set(26, fault([](kavisim::CommandFault& f) {
         f.drop = true;
         f.remaining = 1;
       }));
       EXPECT_EQ(c.request(26, "", 500ms), -1);
       expectAlive(c);
     }},
    {"GarbledResponse",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.faults().set(26, fault([](kavisim::CommandFault& f) { f.garble = true; }));
       int i = c.request(26, "");
       ASSERT_GE(i, 0);
       pbm::ProtoCommunicationGeneralData g;
       EXPECT_FALSE(g.ParseFromString(c.frame(i).text));
     }},
    {"ControllerErrorCodeOnContentResponse",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.faults().set(10, fault([](kavisim::CommandFault& f) { f.errorCode = 4; }));
       int i = c.request(10, "");
       pbc::ProtoJointAngleResponse r;
       ASSERT_TRUE(r.ParseFromString(c.frame(i).text)) << "an error answer must still be complete";
       ASSERT_EQ(r.errorinfo_size(), 1);
       EXPECT_EQ(r.errorinfo(0).errorcode(), 4);
     }},
    {"ControllerErrorCodeRefusesTheCommand",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.faults().set(50, fault([](kavisim::CommandFault& f) { f.errorCode = 3; }));
       pbm::ProtoCommunicationRobotDiagnosisIOData set;
       set.set_type(0);
       auto* d = set.add_iodesc();
       d->set_addr(33);
       d->set_value(1);
       d->set_type(0);
       EXPECT_EQ(c.commonCode(c.request(50, set)), 3);
       EXPECT_EQ(s.state().read([](const kavisim::SimStateData& st) { return st.boardDO[33]; }), 0);
     }},
    {"CompletionEventBeforeResponse",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.faults().set(91, fault([](kavisim::CommandFault& f) { f.eventBeforeResponse = true; }));
       size_t from = c.count();
       int r = c.request(91, "");
       ASSERT_GE(r, 0);
       int e = c.waitEvent(45, 0ms, from);
       ASSERT_GE(e, 0);
       EXPECT_LT(e, r);
     }},
    {"GarbageBytes",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.sendGarbage(64);
       expectAlive(c);
       EXPECT_GE(c.strayBytes(), 64u);
     }},
    {"BadLengthBlock",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.sendBadLengthFrame(5);
       expectAlive(c);
       EXPECT_GE(c.strayBytes(), 8u);
     }},
    {"PushErrorInfoEvent",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.pushErrorInfo("{\"code\":1001}");
       int e = c.waitEvent(37, 500ms);
       ASSERT_GE(e, 0);
       pbm::ProtoCommunicationRobotEvent ev;
       ASSERT_TRUE(ev.ParseFromString(c.frame(e).text));
       EXPECT_EQ(ev.eventcontent(), "{\"code\":1001}");
     }},
    {"PushJoint6FlagEvent",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.pushJoint6Flag(true);
       int e = c.waitEvent(42, 500ms);
       ASSERT_GE(e, 0);
       EXPECT_GT(c.frame(e).eventCode, 0);
       pbm::ProtoCommunicationGeneralData g;
       ASSERT_TRUE(g.ParseFromString(c.frame(c.request(87, "")).text));
       ASSERT_EQ(g.property2_size(), 1);
       EXPECT_TRUE(g.property2(0)) << "the query must agree with the event";
     }},
    {"ControllerErrorHaltsTheArm",
     [](kavisim::SimServer& s, SimTestClient& c) {
       double goal[6];
       kavisim::ArmSnapshot a = s.arm().snapshot();
       for (int j = 0; j < 6; ++j) goal[j] = a.joints[j] + (j == 0 ? 0.5 : 0);
       EXPECT_EQ(c.commonCode(c.request(22, simtest::jointMove(goal, 1.0, 4.0))), 0);
       s.pushControllerError(9, "joint fault");
       EXPECT_GE(c.waitEvent(26, 500ms), 0);
       EXPECT_FALSE(s.arm().snapshot().moving);
     }},
    {"SoftEmergency",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.pushSoftEmergency();
       EXPECT_GE(c.waitEvent(6, 500ms), 0);
       double goal[6];
       kavisim::ArmSnapshot a = s.arm().snapshot();
       for (int j = 0; j < 6; ++j) goal[j] = a.joints[j];
       EXPECT_NE(c.commonCode(c.request(22, simtest::jointMove(goal, 1.0, 4.0))), 0)
           << "no move during a soft emergency";
     }},
    {"StartupFaultCode",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.faults().setStartupResult(5);
       pbm::ProtoCommunicationRobotStartupProfile p;
       p.mutable_tcpparam();
       p.set_readpose(false);
       p.set_staticcollisiondetect(false);
       p.set_collisionclass(6);
       p.set_maxacc(0);
       size_t from = c.count();
       EXPECT_EQ(c.commonCode(c.request(16, p.SerializePartialAsString())), 1)
           << "an incomplete start-up profile is a format error";
       for (auto* t : {p.mutable_tcpparam()->mutable_paramautorun(), p.mutable_tcpparam()->mutable_parammanual()}) {
         t->set_positionx(0);
         t->set_positiony(0);
         t->set_positionz(0);
         t->set_payload(0);
       }
       EXPECT_EQ(c.commonCode(c.request(16, p)), 0);
       int e = c.waitEvent(20, 1000ms, from);
       ASSERT_GE(e, 0);
       EXPECT_EQ(c.frame(e).eventCode, 5);
     }},
    {"CloseNow",
     [](kavisim::SimServer& s, SimTestClient& c) {
       expectAlive(c);
       s.closeConnectionsNow();
       EXPECT_TRUE(c.waitClosed(1000ms));
     }},
    {"CloseMidMove",
     [](kavisim::SimServer& s, SimTestClient& c) {
       s.closeConnectionsMidMove();
       double goal[6];
       kavisim::ArmSnapshot a = s.arm().snapshot();
       for (int j = 0; j < 6; ++j) goal[j] = a.joints[j] + (j == 0 ? 0.4 : 0);
       int r = c.request(22, simtest::jointMove(goal, 1.0, 4.0));  // 0.65 s
       ASSERT_GE(r, 0);
       auto sent = c.frame(r).at;
       ASSERT_TRUE(c.waitClosed(2000ms));
       double at = std::chrono::duration<double>(SimTestClient::Clock::now() - sent).count();
       EXPECT_GT(at, 0.2);
       EXPECT_LT(at, 0.6);
       EXPECT_EQ(c.waitEvent(22, 0ms), -1) << "closed only after arrival";
     }},
};

INSTANTIATE_TEST_SUITE_P(Switches, SimFaultTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FaultCase>& i) { return std::string(i.param.name); });

}  // namespace
