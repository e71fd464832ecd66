// Exact wire content of the requests where the controller depends on it:
// field numbers, unpacked repeated numbers, both union alternatives, the
// disconnect event, teach moves and offline-track appends, and refusal of
// profile values the wire enums cannot carry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "CodecTestSupport.h"
#include "ProtoEncodeDecode.h"
#include "RobotUtilService.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace pc = kavi::robot::common;
namespace pm = kavi::robot::communication;
namespace kr = kavi_robot_namespace;
using codec_test::encode;
using codec_test::Encoded;
using codec_test::hex;
using codec_test::zero;

namespace {

struct WireCase {
  const char* name;
  std::function<bool(char**, int*)> encoder;
  std::string expectedHex;
};

TEST(CodecWire, RequestsHaveTheExpectedBytes) {
  const std::vector<WireCase> cases = {
      {"login with empty name and password keeps both fields",
       [](char** p, int* s) { return ProtoEncodeDecode::getRequest_login(p, s, "", ""); }, "0a001200"},
      {"login bytes are taken whole",
       [](char** p, int* s) { return ProtoEncodeDecode::getRequest_login(p, s, std::string("a\0b", 3), "pw"); },
       "0a0361006212027077"},
      {"general data from empty lists carries only type 1",
       [](char** p, int* s) {
         pm::ProtoCommunicationGeneralData m;
         ProtoEncodeDecode::makeProtoCommunicationGeneralData(m, {}, {});
         return ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageSerialize(m, p, s);
       },
       "2001"},
      {"robot control sends its command in property1",
       [](char** p, int* s) { return ProtoEncodeDecode::getRequest_robotControl(p, s, kr::RobotBrake); },
       "08012001"},
      {"power status sends its flag in property2",
       [](char** p, int* s) { return ProtoEncodeDecode::getRequest_setRobotPowerStatus(p, s, true); }, "10012001"},
      {"analog IO list: ioDesc is field 1, type is field 3",
       [](char** p, int* s) {
         kr::RobotAnalogIODesc d;
         zero(d);
         d.addr = 3;
         d.value = 2.5f;
         return ProtoEncodeDecode::getRequest_robotAnalogIOData(p, s, {d});
       },
       "0a09080310001d000020401800"},
      {"digital IO list: type is field 1, ioDesc is field 3",
       [](char** p, int* s) {
         return ProtoEncodeDecode::getRequest_robotDiagnosisIOData(p, s, {kr::RobotDiagnosisIODesc{40, 1, 5}});
       },
       "08001a06082810051801"},
      {"repeated doubles travel unpacked, one entry each",
       [](char** p, int* s) { return ProtoEncodeDecode::getRequest_doubleTypeValueVector(p, s, {1.0, 2.0, 3.0}); },
       "0803" "11000000000000f03f" "110000000000000040" "110000000000000840"},
      {"int list with its count",
       [](char** p, int* s) { return ProtoEncodeDecode::getRequest_intTypeValueVector(p, s, {-1, 5}); },
       "080210ffffffffffffffffff011005"},
      {"safety IO parameters with a zero reserved field",
       [](char** p, int* s) { return ProtoEncodeDecode::getRequest_safeIoParamAbout(p, s, {1, 0}); }, "080010011000"},
      {"firmware bytes with their length",
       [](char** p, int* s) {
         const char content[3] = {'\x00', '\xff', 'A'};
         return ProtoEncodeDecode::getRequest_firmwareUpgrade(p, s, kr::update_slave_board_firmware_trans_data,
                                                              content, 3);
       },
       "0805120300ff411803"},
  };
  for (const WireCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Encoded e = encode(c.encoder);
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(hex(e.bytes), c.expectedHex);
  }
}

TEST(CodecWire, DisconnectEventMatchesTheTransportBytes) {
  const kr::RobotEventInfo event{kr::RobotEvent_socketDisconnected, 0, "Server disconnected."};
  const std::string expected = "081b10001a14" + hex("Server disconnected.");
  char buffer[64];
  int size = sizeof(buffer);
  ASSERT_TRUE(ProtoEncodeDecode::getResponse_Event(buffer, &size, event));
  EXPECT_EQ(hex(std::string(buffer, size)), expected);
  EXPECT_EQ(size, 26);

  // A capacity of exactly the event's length is enough; one byte less is not
  // and leaves both buffer and capacity alone.
  int exact = 26;
  EXPECT_TRUE(ProtoEncodeDecode::getResponse_Event(buffer, &exact, event));
  char small[25];
  std::memset(small, 0x5A, sizeof(small));
  int capacity = sizeof(small);
  EXPECT_FALSE(ProtoEncodeDecode::getResponse_Event(small, &capacity, event));
  EXPECT_EQ(capacity, 25);
  EXPECT_EQ(std::string(small, sizeof(small)), std::string(sizeof(small), '\x5A'));

  int negative = -1;
  EXPECT_FALSE(ProtoEncodeDecode::getResponse_Event(buffer, &negative, event));
  EXPECT_FALSE(ProtoEncodeDecode::getResponse_Event(nullptr, &size, event));
}

kr::wayPoint_S sampleWayPoint(double base) {
  kr::wayPoint_S w;
  zero(w);
  w.cartPos.position = {base + 0.1, base + 0.2, base + 0.3};
  w.orientation = {0.5, 0.5, -0.5, 0.5};
  for (int i = 0; i < 6; ++i) {
    w.jointpos[i] = base + 0.01 * i;
  }
  return w;
}

void expectRoadPoint(const pc::ProtoRoadPoint& actual, const kr::wayPoint_S& expected) {
  const kr::Pos& p = expected.cartPos.position;
  ASSERT_EQ(actual.cartpos().position_size(), 1);
  EXPECT_EQ(actual.cartpos().position(0).x(), p.x);
  EXPECT_EQ(actual.cartpos().position(0).y(), p.y);
  EXPECT_EQ(actual.cartpos().position(0).z(), p.z);
  ASSERT_EQ(actual.cartpos().positionvector_size(), 3);
  EXPECT_EQ(actual.cartpos().positionvector(0), p.x);
  EXPECT_EQ(actual.cartpos().positionvector(1), p.y);
  EXPECT_EQ(actual.cartpos().positionvector(2), p.z);
  EXPECT_EQ(actual.orientation().w(), expected.orientation.w);
  EXPECT_EQ(actual.orientation().x(), expected.orientation.x);
  EXPECT_EQ(actual.orientation().y(), expected.orientation.y);
  EXPECT_EQ(actual.orientation().z(), expected.orientation.z);
  ASSERT_EQ(actual.jointpos_size(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(actual.jointpos(i), expected.jointpos[i]) << "joint " << i;
  }
}

RobotMoveProfile zeroProfile() {
  RobotMoveProfile profile;
  zero(profile);
  return profile;
}

TEST(CodecWire, OfflineTrackAppendWithAnAllZeroProfile) {
  const std::vector<kr::wayPoint_S> points = {sampleWayPoint(0), sampleWayPoint(1), sampleWayPoint(2)};
  const Encoded e = encode([&](char** p, int* s) {
    return ProtoEncodeDecode::getRequest_robotMove(p, s, zeroProfile(), points);
  });
  ASSERT_TRUE(e.ok);
  pc::RobotMove move;
  ASSERT_TRUE(move.ParseFromString(e.bytes));

  const pc::RobotMoveProfile& m = move.move_profile();
  EXPECT_EQ(m.movemode(), 0);
  EXPECT_EQ(m.submovemode(), 0);
  EXPECT_EQ(m.teachmode(), 0);
  EXPECT_FALSE(m.enableiterik());
  EXPECT_FALSE(m.tooltrack());
  EXPECT_FALSE(m.relativemove().ena());
  EXPECT_EQ(m.relativemove().relativeposition_size(), 3);
  EXPECT_EQ(m.relativemove().relativeorientation().orientation_size(), 1);
  EXPECT_EQ(m.relativemove().relativeorientation().quaternionvector_size(), 4);
  for (const pc::joint_cart_U* limits : {&m.maxvelc(), &m.maxacc()}) {
    EXPECT_EQ(limits->cartpara_size(), 0);
    ASSERT_EQ(limits->jointpara_size(), 6);
    for (double v : limits->jointpara()) {
      EXPECT_EQ(v, 0.0);
    }
  }
  EXPECT_EQ(m.blendradius(), 0.0f);
  EXPECT_EQ(m.circularlooptimes(), 0);
  EXPECT_EQ(m.arrivalahead().arrivalaheadstat(), 0);
  EXPECT_EQ(m.arrivalahead().arrivalaheadthr(), 0.0);

  ASSERT_EQ(move.roadpointvector_size(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE("waypoint " + std::to_string(i));
    expectRoadPoint(move.roadpointvector(i), points[static_cast<std::size_t>(i)]);
  }

  // Without waypoints only the profile travels.
  const Encoded empty = encode([&](char** p, int* s) {
    return ProtoEncodeDecode::getRequest_robotMove(p, s, zeroProfile(), {});
  });
  ASSERT_TRUE(empty.ok);
  pc::RobotMove onlyProfile;
  ASSERT_TRUE(onlyProfile.ParseFromString(empty.bytes));
  EXPECT_EQ(onlyProfile.roadpointvector_size(), 0);
}

TEST(CodecWire, ProfileFieldsTravelAsTheyAre) {
  RobotMoveProfile profile = zeroProfile();
  profile.moveMode = kr::MODEL;
  profile.subMoveMode = kr::TRACKING;
  profile.teachMode = kr::ROT_Z;
  profile.enableIterIk = true;
  profile.toolTrack = true;
  profile.toolInEndPosition.position = {0.01, 0.02, 0.03};
  profile.toolInEndOrientation = {0.0, 1.0, 0.0, 0.0};
  profile.relativeMove.ena = true;
  profile.relativeMove.relativePosition[0] = 0.5f;
  profile.relativeMove.relativePosition[1] = -0.25f;
  profile.relativeMove.relativePosition[2] = 0.125f;
  profile.relativeMove.relativeOrientation.orientation = {7.0, 0.0, 0.0, 0.0};  // absolute-target mark: w + 6
  for (int i = 0; i < 6; ++i) {
    profile.maxVelc.jointPara[i] = 0.4;
    profile.maxAcc.jointPara[i] = 0.8;
  }
  profile.maxVelc.cartPara[0] = 0.03;
  profile.maxVelc.cartPara[1] = 1.7;
  profile.blendRadius = -1.0f;
  profile.circularLoopTimes = 3;
  profile.arrivalAhead.arrivalAheadStat = kr::arrival_ahead_time;
  profile.arrivalAhead.arrivalAheadThr = 0.2;

  const Encoded e = encode([&](char** p, int* s) {
    return ProtoEncodeDecode::getRequest_robotMove(p, s, profile, {sampleWayPoint(0)});
  });
  ASSERT_TRUE(e.ok);
  pc::RobotMove move;
  ASSERT_TRUE(move.ParseFromString(e.bytes));
  const pc::RobotMoveProfile& m = move.move_profile();
  EXPECT_EQ(m.movemode(), 2);
  EXPECT_EQ(m.submovemode(), 1);
  EXPECT_EQ(m.teachmode(), 12);
  EXPECT_TRUE(m.enableiterik());
  EXPECT_TRUE(m.tooltrack());
  EXPECT_EQ(m.toolinendposition().z(), 0.03);
  EXPECT_EQ(m.toolinendorientation().x(), 1.0);
  EXPECT_TRUE(m.relativemove().ena());
  EXPECT_EQ(m.relativemove().relativeposition(1), -0.25f);
  EXPECT_EQ(m.relativemove().relativeorientation().orientation(0).w(), 7.0);
  EXPECT_EQ(m.relativemove().relativeorientation().quaternionvector(0), 7.0);
  // A Cartesian pair travels as the first two jointPara entries.
  const std::vector<double> velc(m.maxvelc().jointpara().begin(), m.maxvelc().jointpara().end());
  EXPECT_EQ(velc, (std::vector<double>{0.03, 1.7, 0.4, 0.4, 0.4, 0.4}));
  EXPECT_EQ(m.maxvelc().cartpara_size(), 0);
  EXPECT_EQ(m.maxacc().jointpara(5), 0.8);
  EXPECT_EQ(m.blendradius(), -1.0f);
  EXPECT_EQ(m.circularlooptimes(), 3);
  EXPECT_EQ(m.arrivalahead().arrivalaheadstat(), 2);
  EXPECT_EQ(m.arrivalahead().arrivalaheadthr(), 0.2);
}

TEST(CodecWire, TeachMoveCarriesThreeCalibrationPointsOneMethodAndOneTool) {
  kr::CoordCalibrateByJointAngleAndTool coord;
  zero(coord);
  coord.coordType = kr::WorldCoordinate;
  coord.methods = kr::Origin_AnyPointOnPositiveXAxis_AnyPointOnFirstQuadrantOfXOYPlane;
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < 6; ++i) {
      coord.wayPointArray[k].jointPos[i] = 0.1 * (k + 1) + 0.02 * i;
    }
  }
  coord.toolDesc.toolInEndPosition = {0.0, 0.0, 0.15};
  coord.toolDesc.toolInEndOrientation = {1.0, 0.0, 0.0, 0.0};
  RobotMoveProfile profile = zeroProfile();
  profile.teachMode = kr::MOV_Y;

  const Encoded e = encode([&](char** p, int* s) {
    return ProtoEncodeDecode::getRequest_robotTeachMove(p, s, profile, coord);
  });
  ASSERT_TRUE(e.ok);
  pc::RobotTeachMove teach;
  ASSERT_TRUE(teach.ParseFromString(e.bytes));
  EXPECT_EQ(teach.move_profile().teachmode(), 8);
  EXPECT_EQ(teach.coordinatesystemtype(), 2);
  ASSERT_EQ(teach.calibratemathod_size(), 1);
  EXPECT_EQ(teach.calibratemathod(0), 3);
  ASSERT_EQ(teach.calibrateroadpointvector_size(), 3);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("calibration point " + std::to_string(k));
    kr::wayPoint_S expected;
    zero(expected);
    ASSERT_EQ(RobotUtilService::robotFk(coord.wayPointArray[k].jointPos, 6, expected), 0);
    expectRoadPoint(teach.calibrateroadpointvector(k), expected);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(expected.jointpos[i], coord.wayPointArray[k].jointPos[i]);
    }
  }
  ASSERT_EQ(teach.toolinenddesc_size(), 1);
  EXPECT_EQ(teach.toolinenddesc(0).toolinendposition().z(), 0.15);
  EXPECT_EQ(teach.toolinenddesc(0).toolinendorientation().w(), 1.0);
}

// Values that the schema's enums cannot carry are an encoding failure, not
// a request (nor an assertion in the generated setters).
TEST(CodecWire, ProfilesOutsideTheWireEnumsAreRefused) {
  struct Case {
    const char* name;
    std::function<void(RobotMoveProfile&)> spoil;
  };
  const std::vector<Case> cases = {
      {"ARC", [](RobotMoveProfile& p) { p.subMoveMode = kr::ARC; }},
      {"CIRCLE_ORI_ROTATED", [](RobotMoveProfile& p) { p.subMoveMode = kr::CIRCLE_ORI_ROTATED; }},
      {"ORI_POSITION_ROTATE_CIRCUMFERENCE",
       [](RobotMoveProfile& p) { p.subMoveMode = kr::ORI_POSITION_ROTATE_CIRCUMFERENCE; }},
      {"negative sub-mode", [](RobotMoveProfile& p) { p.subMoveMode = static_cast<kr::move_track>(-1); }},
      {"move mode 4", [](RobotMoveProfile& p) { p.moveMode = static_cast<kr::move_mode>(4); }},
      {"teach mode 13", [](RobotMoveProfile& p) { p.teachMode = static_cast<kr::teach_mode>(13); }},
  };
  kr::CoordCalibrateByJointAngleAndTool coord;
  zero(coord);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RobotMoveProfile profile = zeroProfile();
    c.spoil(profile);
    const Encoded move = encode([&](char** p, int* s) {
      return ProtoEncodeDecode::getRequest_robotMove(p, s, profile, {sampleWayPoint(0)});
    });
    EXPECT_FALSE(move.ok);
    EXPECT_TRUE(move.failureClean);
    const Encoded teach = encode([&](char** p, int* s) {
      return ProtoEncodeDecode::getRequest_robotTeachMove(p, s, profile, coord);
    });
    EXPECT_FALSE(teach.ok);
    EXPECT_TRUE(teach.failureClean);
  }
  // The highest values that do travel.
  RobotMoveProfile highest = zeroProfile();
  highest.moveMode = kr::MODEP;
  highest.subMoveMode = kr::JOINT_GNUBSPLINEINTP;
  highest.teachMode = kr::ROT_Z;
  EXPECT_TRUE(encode([&](char** p, int* s) {
                return ProtoEncodeDecode::getRequest_robotMove(p, s, highest, {});
              }).ok);
}

TEST(CodecWire, SafetyConfigAndToolDynamicsRequestsAreCompleteMessages) {
  kr::RobotSafetyConfig config;
  zero(config);
  for (auto& speed : config.robotReducedConfigJointSpeed) {
    speed = 100;
  }
  const Encoded safety = encode([&](char** p, int* s) {
    return ProtoEncodeDecode::getRequest_setSafetyConfig(p, s, config);
  });
  ASSERT_TRUE(safety.ok);
  pc::ProtoResponseRobotSafetyConfig safetyMessage;
  ASSERT_TRUE(safetyMessage.ParseFromString(safety.bytes));
  ASSERT_EQ(safetyMessage.safetyconfig_size(), 1);
  const std::vector<int> speeds(safetyMessage.safetyconfig(0).robotreducedconfigjointspeed().begin(),
                                safetyMessage.safetyconfig(0).robotreducedconfigjointspeed().end());
  EXPECT_EQ(speeds, std::vector<int>(6, 100));
  EXPECT_EQ(safetyMessage.errorinfo().errorcode(), 0);
  EXPECT_EQ(safetyMessage.errorinfo().errormsg(), "");

  const kr::ToolDynamicsParam tool{0.0, 0.0, 0.05, 1.2, {0, 0, 0, 0, 0, 0}};
  const Encoded dynamics = encode([&](char** p, int* s) {
    return ProtoEncodeDecode::getRequest_setToolDynamicsParam(p, s, tool);
  });
  ASSERT_TRUE(dynamics.ok);
  pc::ToolParam toolMessage;
  ASSERT_TRUE(toolMessage.ParseFromString(dynamics.bytes));  // a strict parser accepts it
  ASSERT_EQ(toolMessage.tooldynamicsparam_size(), 1);
  EXPECT_EQ(toolMessage.tooldynamicsparam(0).payload(), 1.2);
  EXPECT_EQ(toolMessage.toolkinematicsparam_size(), 0);
}

TEST(CodecWire, FirmwareRequestRejectsInconsistentContent) {
  EXPECT_FALSE(encode([](char** p, int* s) {
                 return ProtoEncodeDecode::getRequest_firmwareUpgrade(p, s, 1, "abc", -1);
               }).ok);
  const Encoded nullContent = encode([](char** p, int* s) {
    return ProtoEncodeDecode::getRequest_firmwareUpgrade(p, s, 1, nullptr, 4);
  });
  EXPECT_FALSE(nullContent.ok);
  EXPECT_TRUE(nullContent.failureClean);
  EXPECT_TRUE(encode([](char** p, int* s) {
                return ProtoEncodeDecode::getRequest_firmwareUpgrade(p, s, 3, nullptr, 0);
              }).ok);
}

}  // namespace
