// Decoder outcomes: missing required fields, where the controller's code is
// taken from, responses that report success without their data, and the
// one-value decoders.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "CodecTestSupport.h"
#include "ProtoEncodeDecode.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace pc = kavi::robot::common;
namespace pm = kavi::robot::communication;
namespace kr = kavi_robot_namespace;
using codec_test::serialize;
using codec_test::zero;

namespace {

TEST(CodecDecoder, MissingRequiredFieldFailsAndLeavesTheOutput) {
  pm::ProtoRobotCommonResponse noMessage;
  noMessage.set_errorcode(3);  // errorMsg missing
  const std::string w = serialize(noMessage);
  CommunicationCommonResultResponse result;
  result.m_errorCode = 11;
  result.m_errorMsg = "before";
  EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_commonFormat(w.data(), int(w.size()), result));
  EXPECT_EQ(result.m_errorCode, 11);
  EXPECT_EQ(result.m_errorMsg, "before");

  noMessage.set_errormsg("busy");
  const std::string complete = serialize(noMessage);
  EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_commonFormat(complete.data(), int(complete.size()), result));
  EXPECT_EQ(result.m_errorCode, 3);
  EXPECT_EQ(result.m_errorMsg, "busy");

  // A DH response without dhParam.
  pc::ProtoResponseRobotDhParam dh;
  dh.set_robottype(2);
  dh.mutable_errorinfo()->set_errorcode(0);
  dh.mutable_errorinfo()->set_errormsg("");
  const std::string noDh = serialize(dh);
  kr::RobotType type = kr::ROBOT_RAIL;
  kr::RobotDhPara para{1, 2, 3, 4, 5, 6};
  int code = 77;
  EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_DhParam(noDh.data(), int(noDh.size()), type, para, code));
  EXPECT_EQ(type, kr::ROBOT_RAIL);
  EXPECT_EQ(code, 77);
}

TEST(CodecDecoder, DhParamIsTakenOnlyWithCodeZero) {
  pc::ProtoResponseRobotDhParam m;
  m.set_robottype(1);
  pc::DhParam* dh = m.mutable_dhparam();
  dh->set_a3(0.408);
  dh->set_a4(0.376);
  dh->set_d1(0.0985);
  dh->set_d2(0.1215);
  dh->set_d5(0.1025);
  dh->set_d6(0.094);
  m.mutable_errorinfo()->set_errormsg("");
  for (int controllerCode : {0, 2}) {
    SCOPED_TRACE("controller code " + std::to_string(controllerCode));
    m.mutable_errorinfo()->set_errorcode(controllerCode);
    const std::string w = serialize(m);
    kr::RobotType type = kr::ROBOT_HERON;
    kr::RobotDhPara para{9, 9, 9, 9, 9, 9};
    int code = -1;
    ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_DhParam(w.data(), int(w.size()), type, para, code));
    EXPECT_EQ(code, controllerCode);
    if (controllerCode == 0) {
      EXPECT_EQ(type, kr::ROBOT_EGRET);
      EXPECT_EQ(para.A3, 0.408);
      EXPECT_EQ(para.A4, 0.376);
      EXPECT_EQ(para.D1, 0.0985);
      EXPECT_EQ(para.D2, 0.1215);
      EXPECT_EQ(para.D5, 0.1025);
      EXPECT_EQ(para.D6, 0.094);
    } else {
      EXPECT_EQ(type, kr::ROBOT_HERON);
      EXPECT_EQ(para.A3, 9);
      EXPECT_EQ(para.D6, 9);
    }
  }
}

// Messages with a repeated errorInfo: the first entry's code, or the
// caller's value when there is none.
TEST(CodecDecoder, RepeatedErrorInfoGivesTheFirstCodeOrKeepsTheCallers) {
  struct Case {
    std::vector<int> codes;
    int expected;
  };
  for (const Case& c : {Case{{}, 42}, Case{{7}, 7}, Case{{9, 3}, 9}}) {
    SCOPED_TRACE("errorInfo entries: " + std::to_string(c.codes.size()));
    pm::ProtoCommunicationRobotDiagnosisIOData m;
    m.set_type(0);
    for (int i = 0; i < 5; ++i) {
      auto* d = m.add_iodesc();
      d->set_addr(i);
      d->set_type(0);
      d->set_value(i % 2);
    }
    for (int code : c.codes) {
      auto* e = m.add_errorinfo();
      e->set_errorcode(code);
      e->set_errormsg("x");
    }
    const std::string w = serialize(m);
    std::vector<kr::RobotDiagnosisIODesc> out(2);
    int code = 42;
    ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(w.data(), int(w.size()), out, code));
    EXPECT_EQ(out.size(), 5u);
    EXPECT_EQ(code, c.expected);

    // The same rule for general data and the joint-status list.
    pm::ProtoCommunicationGeneralData g;
    ProtoEncodeDecode::makeProtoCommunicationGeneralData(g, {5}, {true});
    for (int code2 : c.codes) {
      auto* e = g.add_errorinfo();
      e->set_errorcode(code2);
      e->set_errormsg("");
    }
    const std::string gw = serialize(g);
    kr::RobotState state = kr::RobotPaused;
    int generalCode = 42;
    ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_robotState(gw.data(), int(gw.size()), state, generalCode));
    EXPECT_EQ(state, 5);
    EXPECT_EQ(generalCode, c.expected);
  }
}

struct MissingEntryCase {
  const char* name;
  // Builds the wrapper without its data entry and with the given code, and
  // decodes it into a sentinel-filled record; returns the decoder's result
  // and whether the record stayed as it was.
  std::function<bool(int code, int& codeOut, bool& untouched)> run;
};

template <typename Wrapper, typename Record, typename Decoder>
MissingEntryCase missingEntry(const char* name, Decoder decoder) {
  return {name, [decoder](int code, int& codeOut, bool& untouched) {
            Wrapper w;
            w.mutable_errorinfo()->set_errorcode(code);
            w.mutable_errorinfo()->set_errormsg("");
            const std::string text = serialize(w);
            Record record;
            std::memset(static_cast<void*>(&record), 0x3C, sizeof(record));
            Record before = record;
            const bool ok = decoder(text.data(), int(text.size()), record, codeOut);
            untouched = std::memcmp(&before, &record, sizeof(record)) == 0;
            return ok;
          }};
}

TEST(CodecDecoder, SuccessWithoutItsDataIsADecodingFailure) {
  const std::vector<MissingEntryCase> cases = {
      missingEntry<pc::ProtoResponseRobotTcpParam, RobotTcpParam>("tcp param", ProtoEncodeDecode::resolveResponse_tcpParam),
      missingEntry<pc::ToolParam, kr::ToolDynamicsParam>("tool dynamics",
                                                        ProtoEncodeDecode::resolveResponse_getToolDynamicsParam),
      missingEntry<pc::ProtoResponseRobotGravityComponent, kr::RobotGravityComponent>(
          "gravity", ProtoEncodeDecode::resolveResponse_gravityComponent),
      missingEntry<pc::ProtoResponseRobotCollisionCurrent, RobotCollisionCurrent>(
          "collision current", ProtoEncodeDecode::resolveResponse_collisionCurrent),
      missingEntry<pc::ProtoResponseRobotSafetyConfig, kr::RobotSafetyConfig>(
          "safety config", ProtoEncodeDecode::resolveResponse_safetyConfig),
      missingEntry<pc::ProtoResponseOrpeSafetyStatus, kr::OrpeSafetyStatus>(
          "safety status", ProtoEncodeDecode::resolveResponse_safetyStatus),
      missingEntry<pc::ProtoResponseRobotDevInfo, kr::RobotDevInfo>("device info",
                                                                   ProtoEncodeDecode::resolveResponse_devInfo),
  };
  for (const MissingEntryCase& c : cases) {
    SCOPED_TRACE(c.name);
    int code = -1;
    bool untouched = false;
    EXPECT_FALSE(c.run(0, code, untouched));
    EXPECT_TRUE(untouched);
    // With a failure code the missing entry is expected: the code is reported.
    code = -1;
    EXPECT_TRUE(c.run(2, code, untouched));
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(untouched);
  }

  // The diagnosis response carries its code in a repeated errorInfo.
  pm::ProtoCommunicationRobotDiagnosisInfo diagnosis;
  diagnosis.set_num(0);
  const std::string empty = serialize(diagnosis);
  kr::RobotDiagnosis record;
  zero(record);
  int code = 7;
  EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(empty.data(), int(empty.size()), record, code));
  auto* e = diagnosis.add_errorinfo();
  e->set_errorcode(4);
  e->set_errormsg("no arm");
  const std::string failed = serialize(diagnosis);
  EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(failed.data(), int(failed.size()), record, code));
  EXPECT_EQ(code, 4);
}

TEST(CodecDecoder, CollisionCurrentSetsOnlyTheClass) {
  pc::ProtoResponseRobotCollisionCurrent m;
  m.mutable_errorinfo()->set_errorcode(0);
  m.mutable_errorinfo()->set_errormsg("");
  auto* c = m.add_collisioncurrent();
  c->set_collisionclass(6);
  for (int i = 0; i < 24; ++i) {
    c->add_jointcollisioncurrent(1000 + i);
  }
  const std::string w = serialize(m);
  RobotCollisionCurrent out;
  std::memset(&out, 0x11, sizeof(out));
  int code = -1;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_collisionCurrent(w.data(), int(w.size()), out, code));
  EXPECT_EQ(out.CollisionClass, 6);
  for (const auto& joint : out.JointCollisionCurrent) {
    for (uint16_t v : joint) {
      EXPECT_EQ(v, 0x1111);
    }
  }
}

TEST(CodecDecoder, JointAngleNeedsAnErrorInfoEntry) {
  pc::ProtoJointAngleResponse m;
  kr::JointParam angles{{0.1, 0.2, 0.3, 0.4, 0.5, 0.6}};
  ProtoEncodeDecode::jointAngleTypeConversion(angles, *m.mutable_jointangle());
  const std::string without = serialize(m);
  kr::JointParam out{};
  int code = 13;
  EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_jointAngle(without.data(), int(without.size()), out, code));
  EXPECT_EQ(out.jointPos[5], 0.6);  // written all the same
  EXPECT_EQ(code, 13);

  auto* e = m.add_errorinfo();
  e->set_errorcode(0);
  e->set_errormsg("");
  const std::string with = serialize(m);
  EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_jointAngle(with.data(), int(with.size()), out, code));
  EXPECT_EQ(code, 0);
}

TEST(CodecDecoder, JointStatusFillsAtMostTheCallersArray) {
  struct Case {
    int entries;
    int len;
    int filled;
  };
  for (const Case c : {Case{8, 6, 6}, Case{3, 6, 3}, Case{4, 0, 0}}) {
    SCOPED_TRACE("entries " + std::to_string(c.entries) + ", len " + std::to_string(c.len));
    pc::ProtoRobotAllJointStatusResponse m;
    m.set_jointcount(c.entries);
    for (int i = 0; i < c.entries; ++i) {
      kr::JointStatus s;
      zero(s);
      s.jointCurrentI = 100 + i;
      ProtoEncodeDecode::jointStatusTypeConversion(s, *m.add_jointstatus());
    }
    const std::string w = serialize(m);
    kr::JointStatus out[6];
    for (auto& s : out) {
      zero(s);
      s.jointCurrentI = -5;
    }
    int code = 8;
    ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_jointStatus(w.data(), int(w.size()), out, c.len, code));
    EXPECT_EQ(code, 8);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(codec_test::value(out[i].jointCurrentI), i < c.filled ? 100 + i : -5) << i;
    }
  }
}

TEST(CodecDecoder, OneValueGeneralData) {
  auto general = [](std::vector<int> ints, std::vector<bool> bools) {
    pm::ProtoCommunicationGeneralData m;
    ProtoEncodeDecode::makeProtoCommunicationGeneralData(m, ints, bools);
    return serialize(m);
  };
  double speed = -1.0;
  const std::string s250 = general({250}, {});
  EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotEndSpeed(s250.data(), int(s250.size()), speed));
  EXPECT_DOUBLE_EQ(speed, 0.25);
  const std::string s1500 = general({1500, 3}, {});
  EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotEndSpeed(s1500.data(), int(s1500.size()), speed));
  EXPECT_DOUBLE_EQ(speed, 1.5);
  const std::string none = general({}, {true});
  speed = -1.0;
  EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_robotEndSpeed(none.data(), int(none.size()), speed));
  EXPECT_EQ(speed, -1.0);

  bool flag = false;
  int code = 0;
  EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_isRealRobotExist(none.data(), int(none.size()), flag, code));
  EXPECT_TRUE(flag);
  EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_isRealRobotExist(s250.data(), int(s250.size()), flag, code));

  kr::RobotWorkMode mode = kr::RobotModeSimulator;
  const std::string real = general({1}, {});
  EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotWorkMode(real.data(), int(real.size()), mode, code));
  EXPECT_EQ(mode, kr::RobotModeReal);
  EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_robotWorkMode(none.data(), int(none.size()), mode, code));
}

TEST(CodecDecoder, NumberListsAndNamedResults) {
  pm::ProtoCommunicationIntVectorResponse ints;
  ints.set_num(99);  // not consulted
  ints.add_value(12345);
  ints.add_value(-1);
  ints.mutable_errorinfo()->set_errorcode(0);
  ints.mutable_errorinfo()->set_errormsg("");
  const std::string iw = serialize(ints);
  std::vector<int> values = {7, 7, 7};
  int code = -1;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_intTypeValueVector(iw.data(), int(iw.size()), values, code));
  EXPECT_EQ(values, (std::vector<int>{12345, -1}));
  EXPECT_EQ(code, 0);

  pc::ProtoRobotMoveFuncResult result;
  result.set_ret(1);
  result.mutable_errorinfo()->set_errorcode(0);
  result.mutable_errorinfo()->set_errormsg("");
  const std::string rw = serialize(result);
  kr::call_robot_motion_func_result ret = kr::call_robot_motion_func_failed;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_moveControlResule(rw.data(), int(rw.size()), ret, code));
  EXPECT_EQ(ret, kr::call_robot_motion_func_succ_wait_done);

  pm::ProtoCommunicationDynIdentifyResults dyn;
  dyn.set_temp(1);
  for (int i = 0; i < 4; ++i) {
    dyn.add_param(i * 10);
  }
  const std::string dw = serialize(dyn);
  std::vector<int> params = {1};
  code = 0;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_getDynIdentifyResults(dw.data(), int(dw.size()), params, code));
  EXPECT_EQ(params, (std::vector<int>{0, 10, 20, 30}));

  // Events keep an event type outside the known list.
  pm::ProtoCommunicationRobotEvent event;
  event.set_eventtype(123456);
  event.set_eventcode(-3);
  event.set_eventcontent("custom");
  const std::string ew = serialize(event);
  kr::RobotEventInfo info{kr::robot_event_unknown, 0, ""};
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_robotEvent(ew.data(), int(ew.size()), info));
  EXPECT_EQ(static_cast<int>(info.eventType), 123456);
  EXPECT_EQ(info.eventCode, -3);
  EXPECT_EQ(info.eventContent, "custom");
}

}  // namespace
