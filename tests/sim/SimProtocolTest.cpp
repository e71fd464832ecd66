// Frame-level tests of the simulator's protocol side: login per model, push
// rate and switches, IO read-back, one answer per request, and the ordering
// of responses and their completion events.
#include <gtest/gtest.h>

#include <cmath>

#include "SimFixture.h"
#include "SimMessages.h"
#include "SimTestClient.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

using namespace std::chrono_literals;
namespace pbc = kavi::robot::common;
namespace pbm = kavi::robot::communication;

namespace {

pbm::ProtoRequestLogin loginRequest() {
  pbm::ProtoRequestLogin req;
  req.set_username("user");
  req.set_passwd("pass");
  return req;
}

// Model table the controller must report: A3, A4, D1, D2, D5, D6 [m].
struct ModelCase {
  int model;
  double dh[6];
};

class SimLoginTest : public SimFixture, public ::testing::WithParamInterface<ModelCase> {
 protected:
  void configure(kavisim::SimConfig& c) override { c.model = GetParam().model; }
};

TEST_P(SimLoginTest, AnswersTheModelAndItsDhLengths) {
  SimTestClient client(port());
  ASSERT_TRUE(client.connected());
  int i = client.request(0, loginRequest());
  ASSERT_GE(i, 0) << "no login answer within 0.8 s";
  pbc::ProtoResponseRobotDhParam answer;
  ASSERT_TRUE(answer.ParseFromString(client.frame(i).text));
  EXPECT_EQ(answer.errorinfo().errorcode(), 0);
  EXPECT_EQ(answer.robottype(), GetParam().model);
  const auto& d = answer.dhparam();
  const double got[6] = {d.a3(), d.a4(), d.d1(), d.d2(), d.d5(), d.d6()};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(got[k], GetParam().dh[k], 1e-12) << "length " << k;
}

INSTANTIATE_TEST_SUITE_P(Models, SimLoginTest,
                         ::testing::Values(ModelCase{0, {0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094}},
                                           ModelCase{1, {0.552, 0.495, 0.1632, 0.178, 0.1025, 0.094}},
                                           ModelCase{2, {0.632, 0.6005, 0.1632, 0.2013, 0.1025, 0.094}},
                                           ModelCase{3, {0.229, 0.2015, 0.1395, 0.11055, 0.08955, 0.09055}},
                                           ModelCase{4, {0.266, 0.2565, 0.157, 0.119, 0.1025, 0.094}},
                                           ModelCase{5, {0.245, 0.215, 0.1215, 0.1215, 0.1025, 0.094}},
                                           ModelCase{6, {0.608, 0.6395, 0.1215, 0.1215, 0.1025, 0.094}}));

class SimPushTest : public SimFixture {
 protected:
  void configure(kavisim::SimConfig& c) override { c.pushHz = 100; }
};

TEST_F(SimPushTest, PushRateFollowsTheConfigurationAndSwitchesArePerConnection) {
  SimTestClient pushed(port());
  SimTestClient quiet(port());
  ASSERT_GE(pushed.request(8, ""), 0);
  ASSERT_GE(pushed.request(4, ""), 0);
  std::this_thread::sleep_for(200ms);  // settle
  size_t from = pushed.count();
  auto start = SimTestClient::Clock::now();
  std::this_thread::sleep_for(1000ms);
  double seconds = std::chrono::duration<double>(SimTestClient::Clock::now() - start).count();
  double rate = pushed.countType(7, from) / seconds;
  EXPECT_NEAR(rate, 100.0, 10.0);
  EXPECT_NEAR(pushed.countType(3, from) / seconds, 100.0, 10.0);
  EXPECT_EQ(pushed.countType(11, from), 0u) << "end speed was not switched on";
  EXPECT_EQ(quiet.countType(7), 0u) << "another connection's switch leaked";

  // Joint angle pushes parse and carry the error entry clients rely on.
  int i = pushed.waitFor([](const ReceivedFrame& f) { return f.type == 7; }, 500ms, from);
  pbc::ProtoJointAngleResponse angles;
  ASSERT_TRUE(angles.ParseFromString(pushed.frame(i).text));
  EXPECT_EQ(angles.errorinfo_size(), 1);

  ASSERT_GE(pushed.request(9, ""), 0);
  std::this_thread::sleep_for(100ms);
  size_t after = pushed.count();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(pushed.countType(7, after), 0u) << "pushes went on after the disable request";
}

class SimReadyTest : public SimFixture {
 protected:
  void configure(kavisim::SimConfig& c) override { c.armReady = true; }
};

TEST_F(SimReadyTest, BoardOutputsStaySetRaiseEventsAndReadBack) {
  SimTestClient client(port());
  pbm::ProtoCommunicationRobotDiagnosisIOData set;
  set.set_type(0);
  auto* d = set.add_iodesc();
  d->set_addr(40);
  d->set_value(1);
  d->set_type(0);
  size_t from = client.count();
  int i = client.request(50, set);
  ASSERT_GE(i, 0);
  EXPECT_EQ(client.commonCode(i), 0);
  int e = client.waitEvent(39, 500ms, from);
  ASSERT_GE(e, 0) << "no DO-changed event";
  EXPECT_GT(e, i) << "the event overtook the response";

  d->set_value(0);
  i = client.request(47, set);
  pbm::ProtoCommunicationRobotDiagnosisIOData one;
  ASSERT_TRUE(one.ParseFromString(client.frame(i).text));
  ASSERT_EQ(one.iodesc_size(), 1);
  EXPECT_EQ(one.iodesc(0).value(), 1u);

  i = client.request(42, "");
  pbm::ProtoCommunicationRobotDiagnosisIOData all;
  ASSERT_TRUE(all.ParseFromString(client.frame(i).text));
  ASSERT_EQ(all.iodesc_size(), 48);
  for (int k = 0; k < 48; ++k) EXPECT_EQ(all.iodesc(k).value(), k == 40 ? 1u : 0u) << "address " << k;

  i = client.request(41, "");
  ASSERT_TRUE(all.ParseFromString(client.frame(i).text));
  EXPECT_EQ(all.iodesc_size(), 52);

  // Out of range: refused, nothing stored.
  d->set_addr(48);
  i = client.request(50, set);
  EXPECT_NE(client.commonCode(i), 0);

  pbm::ProtoCommunicationRobotAnalogIOData ao;
  ao.set_type(0);
  auto* a = ao.add_iodesc();
  a->set_addr(2);
  a->set_type(0);
  a->set_value(2.5f);
  EXPECT_EQ(client.commonCode(client.request(51, ao)), 0);
  i = client.request(49, ao);
  pbm::ProtoCommunicationRobotAnalogIOData back;
  ASSERT_TRUE(back.ParseFromString(client.frame(i).text));
  ASSERT_EQ(back.iodesc_size(), 1);
  EXPECT_FLOAT_EQ(back.iodesc(0).value(), 2.5f);
}

TEST_F(SimReadyTest, ConfigurationStoresReadBackExactly) {
  SimTestClient client(port());
  pbc::ProtoResponseRobotSafetyConfig set;
  auto* c = set.add_safetyconfig();
  for (int j = 0; j < 6; ++j) c->add_robotreducedconfigjointspeed(100 + j);
  c->set_robotreducedconfigtcpspeed(1234);
  c->set_robotreducedconfigtcpforce(77);
  c->set_robotreducedconfigmomentum(12);
  c->set_robotreducedconfigpower(250);
  c->set_robotsafeguradresetconfig(1);
  c->set_robotoperationalmodeconfig(2);
  set.mutable_errorinfo()->set_errorcode(0);
  set.mutable_errorinfo()->set_errormsg("");
  EXPECT_EQ(client.commonCode(client.request(62, set)), 0);
  pbc::ProtoResponseRobotSafetyConfig got;
  ASSERT_TRUE(got.ParseFromString(client.frame(client.request(61, "")).text));
  ASSERT_EQ(got.safetyconfig_size(), 1);
  EXPECT_EQ(got.safetyconfig(0).SerializeAsString(), c->SerializeAsString());

  // Tool dynamics arrive without the errorInfo the schema requires.
  pbc::ToolParam tool;
  auto* t = tool.add_tooldynamicsparam();
  t->set_positionx(0.01);
  t->set_positiony(0.02);
  t->set_positionz(0.03);
  t->set_payload(1.5);
  auto* in = t->mutable_toolinertia();
  in->set_xx(1);
  in->set_xy(2);
  in->set_xz(3);
  in->set_yy(4);
  in->set_yz(5);
  in->set_zz(6);
  EXPECT_EQ(client.commonCode(client.request(29, tool.SerializePartialAsString())), 0);
  pbc::ToolParam back;
  ASSERT_TRUE(back.ParseFromString(client.frame(client.request(30, "")).text));
  ASSERT_EQ(back.tooldynamicsparam_size(), 1);
  EXPECT_EQ(back.tooldynamicsparam(0).SerializeAsString(), t->SerializeAsString());

  pbm::ProtoCommunicationGeneralData real;
  ASSERT_TRUE(real.ParseFromString(client.frame(client.request(37, "")).text));
  ASSERT_EQ(real.property2_size(), 1);
  EXPECT_FALSE(real.property2(0)) << "a simulator is not a real arm";
}

TEST_F(SimFixture, EveryRequestGetsExactlyOneAnswerOfItsType) {
  SimTestClient client(port());
  // A known command, one never sent by the library, one out of range, a garbled text.
  for (int type : {26, 70, 88, 111}) {
    int i = client.request(type, "");
    ASSERT_GE(i, 0) << "type " << type << " left unanswered";
  }
  int i = client.request(27, std::string("\xFF\xFF\xFF", 3));
  ASSERT_GE(i, 0);
  EXPECT_EQ(client.commonCode(i), 1) << "a request that does not parse is a format error";
  std::this_thread::sleep_for(100ms);
  for (int type : {26, 70, 88, 111, 27}) EXPECT_EQ(client.countType(type), 1u) << "type " << type;
}

TEST_F(SimFixture, ResponsesLeaveBeforeTheEventsThatCompleteThem) {
  SimTestClient client(port());
  struct Step {
    int type;
    std::string text;
    int event;
  };
  pbm::ProtoCommunicationRobotStartupProfile startup;
  for (auto* p : {startup.mutable_tcpparam()->mutable_paramautorun(), startup.mutable_tcpparam()->mutable_parammanual()}) {
    p->set_positionx(0);
    p->set_positiony(0);
    p->set_positionz(0);
    p->set_payload(0);
  }
  startup.set_readpose(true);
  startup.set_staticcollisiondetect(true);
  startup.set_collisionclass(6);
  startup.set_maxacc(100);
  const Step steps[] = {{80, "", 35}, {16, startup.SerializeAsString(), 20}, {91, "", 45}, {92, "", 46},
                        {89, "", 44}, {90, "", 44}, {17, "", 21}};
  for (const Step& s : steps) {
    size_t from = client.count();
    client.send(s.type, s.text);
    int e = client.waitEvent(s.event, 2000ms, from);
    ASSERT_GE(e, 0) << "no completion event for " << s.type;
    int r = client.waitFor([&](const ReceivedFrame& f) { return f.type == s.type; }, 100ms, from);
    ASSERT_GE(r, 0);
    EXPECT_LT(r, e) << "event " << s.event << " overtook the response to " << s.type;
    if (s.event == 20) {
      EXPECT_EQ(client.frame(e).eventCode, 2) << "start-up should end working";
    }
  }
}

}  // namespace
