// Every decoder against hostile texts: null and negative-size buffers,
// every truncation and every single-bit flip of a valid text, and seeded
// random bytes. Nothing may crash or read outside the buffer (each input is
// copied into an exactly sized allocation, so a sanitizer build catches a
// stray read), and a failed decode leaves its outputs as documented.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "CodecTestSupport.h"
#include "ProtoEncodeDecode.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace pc = kavi::robot::common;
namespace pm = kavi::robot::communication;
namespace kr = kavi_robot_namespace;
using codec_test::encode;
using codec_test::serialize;
using codec_test::zero;

namespace {

struct Outcome {
  bool ok;
  bool asDocumented;  // a failure left the outputs as the decoder promises
};
using Runner = std::function<Outcome(const char*, int)>;

struct DecoderEntry {
  const char* name;
  std::string sample;  // a valid text the decoder accepts
  Runner run;
};

// Decoders of the shape (buffer, size, Record&, int& errorCode) that leave the
// record untouched on failure (unless writesBeforeFailing).
template <typename Record, typename Fn>
Runner recordRunner(Fn fn, bool writesBeforeFailing = false) {
  return [fn, writesBeforeFailing](const char* buffer, int size) {
    Record record;
    std::memset(static_cast<void*>(&record), 0x5A, sizeof(record));
    const Record before = record;
    int code = 4321;
    const bool ok = fn(buffer, size, record, code);
    const bool untouched = std::memcmp(&before, &record, sizeof(record)) == 0;
    return Outcome{ok, ok || writesBeforeFailing || untouched};
  };
}

// List decoders that clear the list first.
template <typename Desc, typename Fn>
Runner clearedListRunner(Fn fn) {
  return [fn](const char* buffer, int size) {
    std::vector<Desc> list(3);
    int code = 4321;
    const bool ok = fn(buffer, size, list, code);
    return Outcome{ok, ok || list.empty()};
  };
}

// List decoders that leave the list alone when the text does not parse.
template <typename T, typename Fn>
Runner keptListRunner(Fn fn) {
  return [fn](const char* buffer, int size) {
    const std::vector<T> before = {T(1), T(2)};
    std::vector<T> list = before;
    int code = 0;
    const bool ok = fn(buffer, size, list, code);
    return Outcome{ok, ok || list == before};
  };
}

void ok(pc::RobotCommonResponse* info) {
  info->set_errorcode(0);
  info->set_errormsg("fine");
}
void ok(pm::ProtoRobotCommonResponse* info) {
  info->set_errorcode(0);
  info->set_errormsg("fine");
}

std::vector<DecoderEntry> decoders() {
  std::vector<DecoderEntry> entries;

  {
    pm::ProtoRobotCommonResponse m;
    ok(&m);
    entries.push_back({"commonFormat", serialize(m), [](const char* b, int n) {
                         CommunicationCommonResultResponse r;
                         r.m_errorCode = 55;
                         r.m_errorMsg = "kept";
                         const bool ok = ProtoEncodeDecode::resolveResponse_commonFormat(b, n, r);
                         return Outcome{ok, ok || (r.m_errorCode == 55 && r.m_errorMsg == "kept")};
                       }});
  }
  {
    pc::ProtoResponseRobotDhParam m;
    m.set_robottype(0);
    pc::DhParam* dh = m.mutable_dhparam();
    dh->set_a3(0.4);
    dh->set_a4(0.37);
    dh->set_d1(0.1);
    dh->set_d2(0.12);
    dh->set_d5(0.1);
    dh->set_d6(0.09);
    ok(m.mutable_errorinfo());
    entries.push_back({"DhParam", serialize(m), [](const char* b, int n) {
                         kr::RobotType type = kr::ROBOT_RAIL;
                         kr::RobotDhPara para{1, 2, 3, 4, 5, 6};
                         int code = 0;
                         const bool ok = ProtoEncodeDecode::resolveResponse_DhParam(b, n, type, para, code);
                         return Outcome{ok, ok || (type == kr::ROBOT_RAIL && para.A3 == 1 && para.D6 == 6)};
                       }});
  }
  {
    pc::ProtoRobotMoveFuncResult m;
    m.set_ret(2);
    ok(m.mutable_errorinfo());
    entries.push_back({"moveControlResule", serialize(m),
                       recordRunner<kr::call_robot_motion_func_result>(
                           ProtoEncodeDecode::resolveResponse_moveControlResule)});
  }
  {
    pm::ProtoCommunicationGeneralData m;
    ProtoEncodeDecode::makeProtoCommunicationGeneralData(m, {250, 1}, {true});
    ok(m.add_errorinfo());
    const std::string sample = serialize(m);
    entries.push_back({"robotEndSpeed", sample, [](const char* b, int n) {
                         double speed = -9.0;
                         const bool ok = ProtoEncodeDecode::resolveResponse_robotEndSpeed(b, n, speed);
                         return Outcome{ok, ok || speed == -9.0};
                       }});
    entries.push_back({"robotWorkMode", sample,
                       recordRunner<kr::RobotWorkMode>(ProtoEncodeDecode::resolveResponse_robotWorkMode)});
    entries.push_back({"robotState", sample, recordRunner<kr::RobotState>(ProtoEncodeDecode::resolveResponse_robotState)});
    entries.push_back({"isRealRobotExist", sample, [](const char* b, int n) {
                         bool flag = false;
                         int code = 0;
                         const bool ok = ProtoEncodeDecode::resolveResponse_isRealRobotExist(b, n, flag, code);
                         return Outcome{ok, ok || !flag};
                       }});
    entries.push_back({"GeneralDataMessageParse", sample, [](const char* b, int n) {
                         pm::ProtoCommunicationGeneralData message;
                         return Outcome{ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageParse(b, n, message), true};
                       }});
  }
  {
    pm::ProtoCommunicationIntVectorResponse m;
    m.set_num(2);
    m.add_value(-5);
    m.add_value(70000);
    ok(m.mutable_errorinfo());
    entries.push_back({"intTypeValueVector", serialize(m),
                       keptListRunner<int>(ProtoEncodeDecode::resolveResponse_intTypeValueVector)});
    pm::ProtoCommunicationDoubleVectorResponse d;
    d.set_num(1);
    d.add_value(0.5);
    ok(d.mutable_errorinfo());
    entries.push_back({"doubleTypeValueVector", serialize(d),
                       keptListRunner<double>(ProtoEncodeDecode::resolveResponse_doubleTypeValueVector)});
    pm::ProtoCommunicationDynIdentifyResults r;
    r.set_temp(0);
    r.add_param(3);
    r.add_param(-4);
    ok(r.add_errorinfo());
    entries.push_back({"getDynIdentifyResults", serialize(r),
                       keptListRunner<int>(ProtoEncodeDecode::resolveResponse_getDynIdentifyResults)});
  }
  {
    char buffer[64];
    int size = sizeof(buffer);
    ProtoEncodeDecode::getResponse_Event(buffer, &size, {kr::RobotEvent_socketDisconnected, 0, "Server disconnected."});
    entries.push_back({"robotEvent", std::string(buffer, size), [](const char* b, int n) {
                         kr::RobotEventInfo info{kr::robot_event_unknown, 8, "kept"};
                         const bool ok = ProtoEncodeDecode::resolveResponse_robotEvent(b, n, info);
                         return Outcome{ok, ok || (info.eventCode == 8 && info.eventContent == "kept")};
                       }});
  }
  {
    pc::ProtoRobotAllJointStatusResponse m;
    m.set_jointcount(2);
    for (int i = 0; i < 2; ++i) {
      kr::JointStatus s;
      zero(s);
      s.jointCurrentI = i;
      s.jointErrorNum = 3;
      ProtoEncodeDecode::jointStatusTypeConversion(s, *m.add_jointstatus());
    }
    ok(m.add_errorinfo());
    entries.push_back({"jointStatus", serialize(m), [](const char* b, int n) {
                         kr::JointStatus status[6];
                         std::memset(status, 0x5A, sizeof(status));
                         unsigned char before[sizeof(status)];
                         std::memcpy(before, status, sizeof(status));
                         int code = 0;
                         const bool ok = ProtoEncodeDecode::resolveResponse_jointStatus(b, n, status, 6, code);
                         return Outcome{ok, ok || std::memcmp(before, status, sizeof(status)) == 0};
                       }});
  }
  {
    pc::ProtoJointAngleResponse m;
    ProtoEncodeDecode::jointAngleTypeConversion(kr::JointParam{{1, 2, 3, 4, 5, 6}}, *m.mutable_jointangle());
    ok(m.add_errorinfo());
    // Writes the angles before it checks for errorInfo.
    entries.push_back({"jointAngle", serialize(m),
                       recordRunner<kr::JointParam>(ProtoEncodeDecode::resolveResponse_jointAngle, true)});
  }
  {
    pm::ProtoCommunicationRobotDiagnosisInfo m;
    m.set_num(1);
    kr::RobotDiagnosis d;
    zero(d);
    d.robotMaxAcc = 5;
    ProtoEncodeDecode::robotDiagnosisTypeConversion(d, *m.add_robotdiagnosis());
    ok(m.add_errorinfo());
    entries.push_back({"robotDiagnosisInfo", serialize(m),
                       recordRunner<kr::RobotDiagnosis>(ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo)});
  }
  {
    pc::ProtoResponseRobotDevInfo m;
    kr::RobotDevInfo d;
    zero(d);
    std::strcpy(d.revision, "r1");
    std::strcpy(d.desc, "desc");
    ProtoEncodeDecode::robotDevInfoTypeConversion(d, *m.add_devinfo());
    ok(m.mutable_errorinfo());
    entries.push_back({"devInfo", serialize(m), recordRunner<kr::RobotDevInfo>(ProtoEncodeDecode::resolveResponse_devInfo)});
  }
  {
    pc::ProtoResponseRobotTcpParam m;
    ProtoEncodeDecode::robotTcpParamTypeConversion(RobotTcpParam{{1, 2, 3, 4}, {5, 6, 7, 8}}, *m.add_tcpparam());
    ok(m.mutable_errorinfo());
    entries.push_back({"tcpParam", serialize(m), recordRunner<RobotTcpParam>(ProtoEncodeDecode::resolveResponse_tcpParam)});
  }
  entries.push_back({"getToolDynamicsParam",
                     encode([](char** p, int* s) {
                       return ProtoEncodeDecode::getRequest_setToolDynamicsParam(
                           p, s, kr::ToolDynamicsParam{1, 2, 3, 4, {5, 6, 7, 8, 9, 10}});
                     }).bytes,
                     recordRunner<kr::ToolDynamicsParam>(ProtoEncodeDecode::resolveResponse_getToolDynamicsParam)});
  {
    pc::ProtoResponseRobotGravityComponent m;
    ProtoEncodeDecode::gravityComponentTypeConversion(kr::RobotGravityComponent{1, 2, 3}, *m.add_gravitycomponent());
    ok(m.mutable_errorinfo());
    entries.push_back({"gravityComponent", serialize(m),
                       recordRunner<kr::RobotGravityComponent>(ProtoEncodeDecode::resolveResponse_gravityComponent)});
  }
  {
    pc::ProtoResponseRobotCollisionCurrent m;
    auto* c = m.add_collisioncurrent();
    c->set_collisionclass(6);
    c->add_jointcollisioncurrent(1);
    ok(m.mutable_errorinfo());
    entries.push_back({"collisionCurrent", serialize(m),
                       recordRunner<RobotCollisionCurrent>(ProtoEncodeDecode::resolveResponse_collisionCurrent)});
  }
  {
    kr::RobotSafetyConfig config;
    zero(config);
    config.robotReducedConfigJointSpeed[2] = 9;
    entries.push_back({"safetyConfig",
                       encode([&](char** p, int* s) { return ProtoEncodeDecode::getRequest_setSafetyConfig(p, s, config); })
                           .bytes,
                       recordRunner<kr::RobotSafetyConfig>(ProtoEncodeDecode::resolveResponse_safetyConfig)});
  }
  {
    pc::ProtoResponseOrpeSafetyStatus m;
    kr::OrpeSafetyStatus status;
    zero(status);
    status.orpeError[1] = 4;
    ProtoEncodeDecode::orpeSafetyStatusTypeConversion(status, *m.add_safetystatus());
    ok(m.mutable_errorinfo());
    entries.push_back({"safetyStatus", serialize(m),
                       recordRunner<kr::OrpeSafetyStatus>(ProtoEncodeDecode::resolveResponse_safetyStatus)});
  }
  {
    pm::ProtoCommunicationEthernetDeviceNameResponse m;
    m.set_name("eth0");
    ok(m.mutable_errorinfo());
    entries.push_back({"ethernetDeviceName", serialize(m), [](const char* b, int n) {
                         std::string name = "kept";
                         int code = 0;
                         const bool ok = ProtoEncodeDecode::resolveResponse_ethernetDeviceName(b, n, name, code);
                         return Outcome{ok, ok || name == "kept"};
                       }});
  }
  entries.push_back({"robotDiagnosisIOData",
                     encode([](char** p, int* s) {
                       return ProtoEncodeDecode::getRequest_robotDiagnosisIOData(
                           p, s, {kr::RobotDiagnosisIODesc{1, 1, 0}, kr::RobotDiagnosisIODesc{2, 0, 0}});
                     }).bytes,
                     clearedListRunner<kr::RobotDiagnosisIODesc>(ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData)});
  {
    kr::RobotAnalogIODesc d;
    zero(d);
    d.addr = 1;
    d.value = 3.5f;
    entries.push_back({"robotAnalogIOData",
                       encode([&](char** p, int* s) { return ProtoEncodeDecode::getRequest_robotAnalogIOData(p, s, {d, d}); })
                           .bytes,
                       clearedListRunner<kr::RobotAnalogIODesc>(ProtoEncodeDecode::resolveResponse_robotAnalogIOData)});
  }
  {
    pm::ProtoCommunicationToolAllIOStatusInfoResponse m;
    kr::RobotToolAllIOStatus status;
    zero(status);
    status.systemVoltage = 24;
    ProtoEncodeDecode::robotToolAllIOStatusTypeConversion(status, *m.mutable_tooliostatus());
    ok(m.mutable_errorinfo());
    entries.push_back({"robotToolIoStatus", serialize(m),
                       recordRunner<kr::RobotToolAllIOStatus>(ProtoEncodeDecode::resolveResponse_robotToolIoStatus)});
  }
  return entries;
}

// Runs the decoder on an exactly sized copy of bytes.
Outcome runOn(const DecoderEntry& entry, const std::string& bytes) {
  std::unique_ptr<char[]> copy(new char[bytes.size() == 0 ? 1 : bytes.size()]);
  std::memcpy(copy.get(), bytes.data(), bytes.size());
  return entry.run(copy.get(), static_cast<int>(bytes.size()));
}

TEST(CodecRobustness, DecodersSurviveHostileTexts) {
  const unsigned seed = 20240611u;
  SCOPED_TRACE("random seed " + std::to_string(seed));
  std::mt19937 random(seed);

  for (const DecoderEntry& entry : decoders()) {
    SCOPED_TRACE(entry.name);
    // Each failed decode writes a diagnostic line; keep them out of the log.
    ::testing::internal::CaptureStderr();
    struct StderrRelease {
      ~StderrRelease() { ::testing::internal::GetCapturedStderr(); }
    } release;
    ASSERT_FALSE(entry.sample.empty());
    ASSERT_TRUE(runOn(entry, entry.sample).ok) << "the sample text must decode";

    // No text at all, and sizes that do not describe the buffer.
    for (const auto& bad : {std::make_pair<const char*, int>(nullptr, 0),
                            std::make_pair<const char*, int>(nullptr, 16),
                            std::make_pair<const char*, int>(entry.sample.data(), -1),
                            std::make_pair<const char*, int>(entry.sample.data(), -100000)}) {
      const Outcome o = entry.run(bad.first, bad.second);
      EXPECT_FALSE(o.ok) << "size " << bad.second;
      EXPECT_TRUE(o.asDocumented) << "size " << bad.second;
    }

    // Every truncation: a required field or a length prefix goes missing.
    for (std::size_t length = 0; length < entry.sample.size(); ++length) {
      const Outcome o = runOn(entry, entry.sample.substr(0, length));
      ASSERT_TRUE(o.asDocumented) << "truncated to " << length;
    }

    // Every single-bit flip.
    for (std::size_t i = 0; i < entry.sample.size(); ++i) {
      for (int bit = 0; bit < 8; ++bit) {
        std::string flipped = entry.sample;
        flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
        const Outcome o = runOn(entry, flipped);
        ASSERT_TRUE(o.asDocumented) << "byte " << i << " bit " << bit;
      }
    }

    // Random texts and random overwrites of the sample.
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 300; ++round) {
      std::string text;
      if (round % 2 == 0) {
        text.resize(static_cast<std::size_t>(random() % 80));
        for (char& c : text) {
          c = static_cast<char>(byte(random));
        }
      } else {
        text = entry.sample;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < changes; ++k) {
          text[random() % text.size()] = static_cast<char>(byte(random));
        }
      }
      const Outcome o = runOn(entry, text);
      ASSERT_TRUE(o.asDocumented) << "round " << round << " text " << codec_test::hex(text);
    }
  }
}

}  // namespace
