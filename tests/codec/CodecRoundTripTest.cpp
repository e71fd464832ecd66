// Round trips record -> wire text -> record for every record the system
// carries, through the encoders and decoders the services use, and the
// narrowing the decoders apply to wire values wider than the record fields.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <vector>

#include "CodecTestSupport.h"
#include "ProtoEncodeDecode.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace pc = kavi::robot::common;
namespace pm = kavi::robot::communication;
namespace kr = kavi_robot_namespace;
using codec_test::encode;
using codec_test::hexOf;
using codec_test::serialize;
using codec_test::zero;

namespace {

// A response wrapper around one data entry, with errorInfo code 0.
template <typename Wrapper>
void setOk(Wrapper& wrapper) {
  wrapper.mutable_errorinfo()->set_errorcode(0);
  wrapper.mutable_errorinfo()->set_errormsg("");
}

// Each pair: a sample record whose every field holds a distinct value that
// the record's width can carry, the wire text the system produces for it,
// and the decoder that reads it back.
struct JointStatusPair {
  using Record = kr::JointStatus;
  static Record sample() {
    Record r;
    zero(r);
    r = {-1200, 3000, 1.25f, 48.5f, 36.75f, -900, 2999.5f, 1.5f, 0xBEEF};
    return r;
  }
  static std::string wire(const Record& r) {
    pc::ProtoRobotAllJointStatusResponse m;
    m.set_jointcount(1);
    ProtoEncodeDecode::jointStatusTypeConversion(r, *m.add_jointstatus());
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_jointStatus(w.data(), int(w.size()), &r, 1, code);
  }
};

struct JointAnglePair {
  using Record = kr::JointParam;
  static Record sample() { return {{0.1, -0.2, 0.3, -0.4, 0.5, -3.1}}; }
  static std::string wire(const Record& r) {
    pc::ProtoJointAngleResponse m;
    ProtoEncodeDecode::jointAngleTypeConversion(r, *m.mutable_jointangle());
    m.add_errorinfo()->set_errorcode(0);
    m.mutable_errorinfo(0)->set_errormsg("");
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_jointAngle(w.data(), int(w.size()), r, code);
  }
};

struct DiagnosisPair {
  using Record = kr::RobotDiagnosis;
  static Record sample() {
    Record r;
    zero(r);
    r.armCanbusStatus = 0xA5;
    r.armPowerCurrent = 1.5f;
    r.armPowerVoltage = 48.25f;
    r.armPowerStatus = true;
    r.contorllerTemp = -12;
    r.contorllerHumidity = 77;
    r.softEmergency = true;
    r.robotCollision = true;
    r.brakeStuats = true;
    r.robotEndSpeed = 0.125f;
    r.robotMaxAcc = 123456;
    r.enableReadPose = true;
    r.staticCollisionDetect = true;
    r.jointCollisionDetect = 0x3F;
    r.jointErrorStatus = true;
    r.robotCurrentAlarm = true;
    r.toolIoError = 9;
    r.robotMountingPoseWarning = true;
    r.macTargetPosBufferSize = 65000;
    r.macTargetPosDataSize = 4321;
    r.macDataInterruptWarning = 200;
    return r;
  }
  static std::string wire(const Record& r) {
    pm::ProtoCommunicationRobotDiagnosisInfo m;
    m.set_num(1);
    ProtoEncodeDecode::robotDiagnosisTypeConversion(r, *m.add_robotdiagnosis());
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(w.data(), int(w.size()), r, code);
  }
};

struct DevInfoPair {
  using Record = kr::RobotDevInfo;
  static Record sample() {
    Record r;
    zero(r);
    r.type = 3;
    std::strcpy(r.revision, "rev-123456789AB");  // exactly 15 characters
    std::strcpy(r.manu_id, "kavi");
    std::strcpy(r.joint_type, "J6-large");
    for (int i = 0; i < 8; ++i) {
      std::snprintf(r.joint_ver[i].hw_version, 8, "hw%d", i);
      std::snprintf(r.joint_ver[i].sw_version, 16, "sw-1.%d.7", i);
      std::snprintf(r.jointProductID[i].productID, 16, "PID-000%d", i);
    }
    std::strcpy(r.desc, "arm-desc-11");
    std::strcpy(r.slave_version, "slave-2.0");
    std::strcpy(r.extio_version, "extio-3.1");
    return r;
  }
  static std::string wire(const Record& r) {
    pc::ProtoResponseRobotDevInfo m;
    ProtoEncodeDecode::robotDevInfoTypeConversion(r, *m.add_devinfo());
    setOk(m);
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_devInfo(w.data(), int(w.size()), r, code);
  }
};

// The set request and the read response carry the same parameters.
struct TcpParamPair {
  using Record = RobotTcpParam;
  static Record sample() { return {{0.01f, 0.02f, 0.03f, 1.5f}, {-0.01f, -0.02f, -0.03f, 2.5f}}; }
  static std::string wire(const Record& r) {
    const auto request = encode([&](char** p, int* s) { return ProtoEncodeDecode::getRequest_tcpParam(p, s, r); });
    pc::ProtoResponseRobotTcpParam m;
    if (!request.ok || !m.add_tcpparam()->ParseFromString(request.bytes)) {
      return std::string();
    }
    setOk(m);
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_tcpParam(w.data(), int(w.size()), r, code);
  }
};

// The set request is the same message as the read response.
struct ToolDynamicsPair {
  using Record = kr::ToolDynamicsParam;
  static Record sample() { return {0.1, 0.2, 0.3, 4.5, {1, 2, 3, 4, 5, 6}}; }
  static std::string wire(const Record& r) {
    return encode([&](char** p, int* s) { return ProtoEncodeDecode::getRequest_setToolDynamicsParam(p, s, r); })
        .bytes;
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_getToolDynamicsParam(w.data(), int(w.size()), r, code);
  }
};

struct SafetyConfigPair {
  using Record = kr::RobotSafetyConfig;
  static Record sample() {
    Record r;
    zero(r);
    const uint16_t speeds[6] = {100, 200, 300, 400, 500, 65535};
    std::memcpy(r.robotReducedConfigJointSpeed, speeds, sizeof(speeds));
    r.robotReducedConfigTcpSpeed = 4000000000u;  // above INT32_MAX: travels in an int32 field
    r.robotReducedConfigTcpForce = 150;
    r.robotReducedConfigMomentum = 25;
    r.robotReducedConfigPower = 300;
    r.robotSafeguradResetConfig = 1;
    r.robotOperationalModeConfig = 2;
    return r;
  }
  static std::string wire(const Record& r) {
    return encode([&](char** p, int* s) { return ProtoEncodeDecode::getRequest_setSafetyConfig(p, s, r); }).bytes;
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_safetyConfig(w.data(), int(w.size()), r, code);
  }
};

struct SafetyStatusPair {
  using Record = kr::OrpeSafetyStatus;
  static Record sample() {
    Record r;
    zero(r);
    r.orpePause = 1;
    r.orpeStop = 2;
    for (int i = 0; i < 16; ++i) {
      r.orpeError[i] = static_cast<uint8_t>(10 + i);
    }
    r.systemEmergencyStop = 3;
    r.reducedModeError = 4;
    r.safetyguardResetSucc = 5;
    return r;
  }
  static std::string wire(const Record& r) {
    pc::ProtoResponseOrpeSafetyStatus m;
    ProtoEncodeDecode::orpeSafetyStatusTypeConversion(r, *m.add_safetystatus());
    setOk(m);
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_safetyStatus(w.data(), int(w.size()), r, code);
  }
};

struct GravityPair {
  using Record = kr::RobotGravityComponent;
  static Record sample() { return {0.5f, -9.75f, 1.25f}; }
  static std::string wire(const Record& r) {
    pc::ProtoResponseRobotGravityComponent m;
    ProtoEncodeDecode::gravityComponentTypeConversion(r, *m.add_gravitycomponent());
    setOk(m);
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_gravityComponent(w.data(), int(w.size()), r, code);
  }
};

struct ToolIoStatusPair {
  using Record = kr::RobotToolAllIOStatus;
  static Record sample() {
    Record r;
    zero(r);
    r.powerType = kr::OUT_24V;
    r.systemVoltage = 24.5f;
    for (int i = 0; i < 4; ++i) {
      r.digitalIoStatus[i].ioType = (i % 2) ? kr::IO_OUT : kr::IO_IN;
      r.digitalIoStatus[i].ioData = static_cast<uint8_t>(i == 3);
    }
    r.aiData[0] = 1.25f;
    r.aiData[1] = 9.5f;
    r.systemTemperature = 41.0f;
    r.errorStatus = 7;
    return r;
  }
  static std::string wire(const Record& r) {
    pm::ProtoCommunicationToolAllIOStatusInfoResponse m;
    ProtoEncodeDecode::robotToolAllIOStatusTypeConversion(r, *m.mutable_tooliostatus());
    setOk(m);
    return serialize(m);
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_robotToolIoStatus(w.data(), int(w.size()), r, code);
  }
};

// The IO set requests and the IO read responses share their messages.
struct DigitalIoPair {
  using Record = std::vector<kr::RobotDiagnosisIODesc>;
  static Record sample() { return {{0, 1, 0}, {37, 0, 4}, {255, 1, 14}}; }
  static std::string wire(const Record& r) {
    return encode([&](char** p, int* s) { return ProtoEncodeDecode::getRequest_robotDiagnosisIOData(p, s, r); })
        .bytes;
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(w.data(), int(w.size()), r, code);
  }
};

struct AnalogIoPair {
  using Record = std::vector<kr::RobotAnalogIODesc>;
  static Record sample() {
    Record r(2);
    for (auto& d : r) {
      zero(d);
    }
    r[0].addr = 3;
    r[0].value = 2.5f;
    r[0].type = 0;
    r[1].addr = 200;
    r[1].value = -0.75f;
    r[1].type = 12;
    return r;
  }
  static std::string wire(const Record& r) {
    return encode([&](char** p, int* s) { return ProtoEncodeDecode::getRequest_robotAnalogIOData(p, s, r); })
        .bytes;
  }
  static bool decode(const std::string& w, Record& r, int& code) {
    return ProtoEncodeDecode::resolveResponse_robotAnalogIOData(w.data(), int(w.size()), r, code);
  }
};

template <typename T>
std::string bytesOf(const T& value) {
  return hexOf(value);
}
// Analog descriptions have padding; compare their fields.
std::string bytesOf(const kr::RobotAnalogIODesc& d) {
  return std::to_string(d.addr) + "/" + std::to_string(d.type) + "/" + hexOf(d.value);
}
template <typename T>
std::string bytesOf(const std::vector<T>& values) {
  std::string out;
  for (const T& v : values) {
    out += bytesOf(v) + " ";
  }
  return out;
}

template <typename T>
T blank() {
  if constexpr (std::is_trivially_copyable<T>::value) {
    T value;
    zero(value);
    return value;
  } else {
    return T();
  }
}

template <typename Pair>
class CodecRoundTrip : public ::testing::Test {};

using Pairs = ::testing::Types<JointStatusPair, JointAnglePair, DiagnosisPair, DevInfoPair, TcpParamPair,
                               ToolDynamicsPair, SafetyConfigPair, SafetyStatusPair, GravityPair,
                               ToolIoStatusPair, DigitalIoPair, AnalogIoPair>;
TYPED_TEST_SUITE(CodecRoundTrip, Pairs);

TYPED_TEST(CodecRoundTrip, RecordSurvivesTheWire) {
  using Record = typename TypeParam::Record;
  const Record original = TypeParam::sample();
  const std::string wire = TypeParam::wire(original);
  ASSERT_FALSE(wire.empty());
  Record decoded = blank<Record>();
  // Code-taking rules have their own tests; a repeated errorInfo that is
  // absent leaves the caller's value.
  int code = 0;
  ASSERT_TRUE(TypeParam::decode(wire, decoded, code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(bytesOf(decoded), bytesOf(original));
}

// ---- Narrowing of wire values wider than the record fields ----

TEST(CodecNarrowing, DigitalIoValuesKeepTheirLowByte) {
  pm::ProtoCommunicationRobotDiagnosisIOData m;
  m.set_type(0);
  auto* d = m.add_iodesc();
  d->set_addr(256 + 5);
  d->set_type(0x10E);
  d->set_value(300);
  const std::string w = serialize(m);
  std::vector<kr::RobotDiagnosisIODesc> out;
  int code = 0;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(w.data(), int(w.size()), out, code));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].value, 44);
  EXPECT_EQ(out[0].addr, 5);
  EXPECT_EQ(out[0].type, 14);
}

TEST(CodecNarrowing, JointErrorNumberKeepsSixteenBits) {
  pc::ProtoRobotAllJointStatusResponse m;
  m.set_jointcount(1);
  kr::JointStatus s;
  zero(s);
  ProtoEncodeDecode::jointStatusTypeConversion(s, *m.add_jointstatus());
  m.mutable_jointstatus(0)->set_jointerrornum(0x12345u);
  const std::string w = serialize(m);
  kr::JointStatus out;
  zero(out);
  int code = 0;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_jointStatus(w.data(), int(w.size()), &out, 1, code));
  EXPECT_EQ(codec_test::value(out.jointErrorNum), 0x2345);
}

TEST(CodecNarrowing, DiagnosisFieldsTakeTheirRecordWidths) {
  pm::ProtoCommunicationRobotDiagnosisInfo m;
  m.set_num(1);
  kr::RobotDiagnosis zeroDiagnosis;
  zero(zeroDiagnosis);
  pm::RobotDiagnosis* d = m.add_robotdiagnosis();
  ProtoEncodeDecode::robotDiagnosisTypeConversion(zeroDiagnosis, *d);
  d->set_armcanbusstatus(0x1FF);
  d->set_contorllertemp(-130);  // below the char range: wraps
  d->set_jointcollisiondetect(0x140);
  d->set_toolioerror(-1);
  d->set_mactargetposbuffersize(0x10002);
  d->set_macdatainterruptwarning(257);
  const std::string w = serialize(m);
  kr::RobotDiagnosis out;
  zero(out);
  int code = 5;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(w.data(), int(w.size()), out, code));
  EXPECT_EQ(code, 0);  // starts at 0 when the message carries no errorInfo
  EXPECT_EQ(out.armCanbusStatus, 0xFF);
  EXPECT_EQ(out.contorllerTemp, static_cast<char>(-130));
  EXPECT_EQ(out.jointCollisionDetect, 0x40);
  EXPECT_EQ(out.toolIoError, 0xFF);
  EXPECT_EQ(codec_test::value(out.macTargetPosBufferSize), 2);
  EXPECT_EQ(out.macDataInterruptWarning, 1);
}

TEST(CodecNarrowing, DeviceTextsAreCutToTheirWidths) {
  pc::ProtoResponseRobotDevInfo m;
  setOk(m);
  pm::DaxRobotDevInfo* d = m.add_devinfo();
  d->set_type(0x102);
  d->set_revision("123456789012345");  // exactly 15: stays whole
  d->set_manuid(std::string(40, 'm'));
  d->set_jointtype(std::string("ab\0cd", 5));  // copied up to the zero byte
  for (int i = 0; i < 10; ++i) {
    auto* v = d->add_jointver();
    v->set_hwversion("HW-" + std::to_string(i) + "-ABCDEFG");
    v->set_swversion(std::string(20, char('a' + i)));
    d->add_jointproductid(std::string(20, char('A' + i)));
  }
  d->set_desc(std::string(30, 'd'));
  d->set_slavedevversion(std::string(16, 's'));
  d->set_extendioboardversion(std::string(16, 'e'));
  const std::string w = serialize(m);

  kr::RobotDevInfo out;
  std::memset(&out, 'x', sizeof(out));  // stale content must be cleared
  int code = 9;
  ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_devInfo(w.data(), int(w.size()), out, code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(out.type, 2);
  EXPECT_STREQ(out.revision, "123456789012345");
  EXPECT_EQ(std::string(out.manu_id), std::string(15, 'm'));
  EXPECT_STREQ(out.joint_type, "ab");
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(std::string(out.joint_ver[i].hw_version), ("HW-" + std::to_string(i) + "-ABCDEFG").substr(0, 7));
    EXPECT_EQ(std::string(out.joint_ver[i].sw_version), std::string(15, char('a' + i)));
    EXPECT_EQ(std::string(out.jointProductID[i].productID), std::string(15, char('A' + i)));
  }
  EXPECT_EQ(std::string(out.desc), std::string(11, 'd'));
  for (std::size_t i = 11; i < sizeof(out.desc); ++i) {
    ASSERT_EQ(out.desc[i], '\0') << "desc byte " << i;
  }
  EXPECT_EQ(std::string(out.slave_version), std::string(15, 's'));
  EXPECT_EQ(std::string(out.extio_version), std::string(11, 'e'));
}

// Lists longer than the record's arrays fill the arrays; shorter ones leave
// the remaining entries as the caller had them.
TEST(CodecNarrowing, ListsFillAtMostTheRecordArrays) {
  struct Case {
    int entries;
    int expectedFilled;
  };
  for (const Case c : {Case{8, 6}, Case{3, 3}}) {
    SCOPED_TRACE("joint speeds on the wire: " + std::to_string(c.entries));
    pc::ProtoResponseRobotSafetyConfig m;
    setOk(m);
    pc::ProtoRobotSafetyConfig* s = m.add_safetyconfig();
    for (int i = 0; i < c.entries; ++i) {
      s->add_robotreducedconfigjointspeed(70000 + i);  // also narrowed to 16 bits
    }
    for (int f = 2; f <= 7; ++f) {
      s->GetReflection()->SetInt32(s, s->GetDescriptor()->FindFieldByNumber(f), 0x101);
    }
    const std::string w = serialize(m);
    kr::RobotSafetyConfig out;
    std::memset(&out, 0xAB, sizeof(out));
    int code = -1;
    ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_safetyConfig(w.data(), int(w.size()), out, code));
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(codec_test::value(out.robotReducedConfigJointSpeed[i]), i < c.expectedFilled ? uint16_t(70000 + i) : 0xABAB) << i;
    }
    EXPECT_EQ(codec_test::value(out.robotReducedConfigTcpSpeed), 0x101u);
    EXPECT_EQ(out.robotSafeguradResetConfig, 1);
    EXPECT_EQ(out.robotOperationalModeConfig, 1);
  }

  for (const Case c : {Case{20, 16}, Case{4, 4}}) {
    SCOPED_TRACE("ORPE errors on the wire: " + std::to_string(c.entries));
    pc::ProtoResponseOrpeSafetyStatus m;
    setOk(m);
    kr::OrpeSafetyStatus none;
    zero(none);
    pc::ProtoOrpeSafetyStatus* s = m.add_safetystatus();
    ProtoEncodeDecode::orpeSafetyStatusTypeConversion(none, *s);
    s->clear_orpeerror();
    for (int i = 0; i < c.entries; ++i) {
      s->add_orpeerror(0x100 + i);
    }
    s->set_orpepause(0x201);
    const std::string w = serialize(m);
    kr::OrpeSafetyStatus out;
    std::memset(&out, 0xCD, sizeof(out));
    int code = -1;
    ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_safetyStatus(w.data(), int(w.size()), out, code));
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(out.orpeError[i], i < c.expectedFilled ? uint8_t(i) : 0xCD) << i;
    }
    EXPECT_EQ(out.orpePause, 1);
  }

  for (const Case c : {Case{6, 4}, Case{2, 2}}) {
    SCOPED_TRACE("tool digital entries on the wire: " + std::to_string(c.entries));
    pm::ProtoCommunicationToolAllIOStatusInfoResponse m;
    setOk(m);
    pm::toolAllIOStatus* t = m.mutable_tooliostatus();
    t->set_powertype(1);
    t->set_systemvoltage(12.0);
    t->set_systemtemperature(30.0);
    t->set_errorstatus(0x1FE);
    for (int i = 0; i < c.entries; ++i) {
      auto* d = t->add_digitaliostatus();
      d->set_iotype(1);
      d->set_iodata(0x100 + i);
    }
    for (int i = 0; i < c.entries / 2 + 1; ++i) {  // 4 and 2 analog values
      t->add_aidata(0.5 * (i + 1));
    }
    const std::string w = serialize(m);
    kr::RobotToolAllIOStatus out;
    std::memset(&out, 0, sizeof(out));
    for (auto& d : out.digitalIoStatus) {
      d.ioData = 0xEE;
    }
    out.aiData[1] = -1.0f;
    int code = -1;
    ASSERT_TRUE(ProtoEncodeDecode::resolveResponse_robotToolIoStatus(w.data(), int(w.size()), out, code));
    EXPECT_EQ(codec_test::value(out.powerType), kr::OUT_12V);
    EXPECT_EQ(out.errorStatus, 0xFE);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(out.digitalIoStatus[i].ioData, i < c.expectedFilled ? uint8_t(i) : 0xEE) << i;
    }
    EXPECT_FLOAT_EQ(codec_test::value(out.aiData[0]), 0.5f);
    EXPECT_FLOAT_EQ(codec_test::value(out.aiData[1]), 1.0f);  // two or more analog values arrive: the second one
  }
}

}  // namespace
