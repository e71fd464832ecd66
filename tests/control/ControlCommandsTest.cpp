// Every status, configuration, safety, IO, firmware, excitation and
// joint-offset command of the control service against the embedded
// simulator: once as the controller answers it (with the value read back
// where there is one), and once with its answer garbled, which must give the
// command's decode-failure code.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "SimFixture.h"

using namespace kavi_robot_namespace;
using kavisim::SimStateData;

namespace {

struct Ctx {
  RobotControlServices& svc;
  kavisim::SimServer& sim;
};

struct CommandCase {
  const char* name;
  // Command whose answer is garbled in the second run.
  int faultType;
  // Result when that answer does not decode.
  int garbledCode;
  // Runs the command (and any read-back); returns the first non-zero result.
  std::function<int(Ctx&)> run;
};

template <typename T>
T simRead(kavisim::SimServer& sim, std::function<T(const SimStateData&)> f) {
  return sim.state().read(f);
}

// Chains results: the first failure wins.
#define RUN(expr)                 \
  do {                            \
    const int r_ = (expr);        \
    if (r_ != ErrnoSucc) return r_; \
  } while (0)

const std::vector<CommandCase>& commandCases() {
  static const std::vector<CommandCase> cases = {
      {"joint status", CommunicationType_GetRobotJointStatus, ErrCode_ResolveResponseFailed,
       [](Ctx& c) {
         // Three records asked for: the caller's fourth stays as it was.
         JointStatus status[4];
         std::memset(status, 0, sizeof(status));
         status[3].jointCurrentI = 4711;
         RUN(c.svc.getRobotJointStatus(status, 3));
         EXPECT_EQ(4711, int{status[3].jointCurrentI});  // packed member: compare a copy
         JointParam q{};
         RUN(c.svc.getCurrentJointAngle(q));
         for (int i = 0; i < 3; ++i) EXPECT_NEAR(q.jointPos[i], status[i].jointPosJ, 1e-4);
         return 0;
       }},
      {"joint angle", CommunicationType_GetRobotJointAngle, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         JointParam q{};
         RUN(c.svc.getCurrentJointAngle(q));
         const auto snap = c.sim.arm().snapshot();
         for (int i = 0; i < 6; ++i) EXPECT_NEAR(snap.joints[i], q.jointPos[i], 1e-9);
         return 0;
       }},
      {"diagnosis", CommunicationType_GetRobotDiagnosis, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RobotDiagnosis d{};
         RUN(c.svc.getRobotDiagnosisInfo(d));
         EXPECT_EQ(c.sim.arm().snapshot().powered, d.armPowerStatus);
         return 0;
       }},
      {"current state", CommunicationType_GetRobotCurrentState, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RobotState s = RobotPaused;
         RUN(c.svc.getRobotCurrentStateService(s));
         EXPECT_EQ(c.sim.arm().snapshot().robotState, static_cast<int>(s));
         return 0;
       }},
      {"tcp param", CommunicationType_GetRobotTcpParam, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         const RobotTcpParam set{{0.01f, 0.02f, 0.03f, 1.5f}, {0.04f, 0.05f, 0.06f, 2.5f}};
         RUN(c.svc.setTcpParamService(set));
         RobotTcpParam got{};
         RUN(c.svc.getTcpParamService(got));
         EXPECT_EQ(0, std::memcmp(&set, &got, sizeof(set)));
         return 0;
       }},
      {"tcp param set", CommunicationType_SetRobotTcpParam, ErrCode_ResolveResponseFailed,
       [](Ctx& c) { return c.svc.setTcpParamService(RobotTcpParam{}); }},
      {"tool dynamics", CommunicationType_GetToolDynamicsParam, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         const ToolDynamicsParam set{0.1, 0.2, 0.3, 4.5, {0.01, 0.0, 0.0, 0.02, 0.0, 0.03}};
         RUN(c.svc.setToolDynamicsParamService(set));
         ToolDynamicsParam got{};
         RUN(c.svc.getToolDynamicsParamService(got));
         EXPECT_EQ(0, std::memcmp(&set, &got, sizeof(set)));
         return 0;
       }},
      {"work mode", CommunicationType_GetRobotMode, ErrCode_ResolveResponseFailed,
       [](Ctx& c) {
         RUN(c.svc.setRobotWorkModeService(RobotModeReal));
         RobotWorkMode mode = RobotModeSimulator;
         RUN(c.svc.getRobotWorkModeService(mode));
         EXPECT_EQ(RobotModeReal, mode);
         return 0;
       }},
      {"gravity component", CommunicationType_GetRobotGravityComponent,
       ErrCode_ResolveResponseFailed,
       [](Ctx& c) {
         RobotGravityComponent g{};
         return c.svc.getRobotGravityComponent(g);
       }},
      {"collision class", CommunicationType_GetRobotCollisionCurrent, ErrCode_ResolveResponseFailed,
       [](Ctx& c) {
         RUN(c.svc.setRobotCollisionClassService(8));
         RobotCollisionCurrent current{};
         current.JointCollisionCurrent[2][1] = 77;
         RUN(c.svc.getRobotCollisionCurrentService(current));
         EXPECT_EQ(8, current.CollisionClass);
         EXPECT_EQ(77, current.JointCollisionCurrent[2][1]);
         return 0;
       }},
      {"real robot", CommunicationType_GetIsRealRobotExist, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         bool exists = true;
         return c.svc.getIsRealRobotExist(exists);
       }},
      {"device info", CommunicationType_GetDeviceInfo, ErrCode_ResolveResponseFailed,
       [](Ctx& c) {
         RobotDevInfo info;
         std::memset(&info, 'x', sizeof(info));
         RUN(c.svc.getRobotDevInfoService(info));
         // Every text stays terminated inside its field.
         EXPECT_NE(nullptr, std::memchr(info.revision, '\0', sizeof(info.revision)));
         EXPECT_NE(nullptr, std::memchr(info.desc, '\0', sizeof(info.desc)));
         return 0;
       }},
      {"origin pose", CommunicationType_SetRobotAtOriginPose, ErrCode_ResolveResponseFailed,
       [](Ctx& c) { return c.svc.setRobotAtOriginPoseService(); }},
      {"safety config", CommunicationType_GetRobotSafetyConfig, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         const RobotSafetyConfig set{{100, 110, 120, 130, 140, 150}, 1000, 150, 25, 300, 1, 2};
         RUN(c.svc.setRobotSafetyConfig(set));
         RobotSafetyConfig got{};
         RUN(c.svc.getRobotSafetyConfig(got));
         EXPECT_EQ(0, std::memcmp(&set, &got, sizeof(set)));
         return 0;
       }},
      {"safety io", CommunicationType_GetOrpeSafetyStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         uint8_t errors[16];
         for (int i = 0; i < 16; ++i) errors[i] = static_cast<uint8_t>(i * 3);
         RUN(c.svc.setRobotOrpePause(1));
         RUN(c.svc.setRobotOrpeStop(2));
         RUN(c.svc.setRobotOrpeError(errors, 16));
         RUN(c.svc.clearSystemEmergencyStop(3));
         RUN(c.svc.clearReducedModeError(4));
         RUN(c.svc.robotSafetyguardResetSucc(5));
         OrpeSafetyStatus s{};
         RUN(c.svc.getOrpeSafetyStatus(s));
         EXPECT_EQ(1, s.orpePause);
         EXPECT_EQ(2, s.orpeStop);
         EXPECT_EQ(0, std::memcmp(errors, s.orpeError, 16));
         EXPECT_EQ(3, s.systemEmergencyStop);
         EXPECT_EQ(4, s.reducedModeError);
         EXPECT_EQ(5, s.safetyguardResetSucc);
         // An empty error list is sent as such.
         RUN(c.svc.setRobotOrpeError(nullptr, 0));
         RUN(c.svc.getOrpeSafetyStatus(s));
         return 0;
       }},
      {"excitation trajectory", CommunicationType_GetDynIdentifyResults, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RUN(c.svc.startupOfflineExcitTrajService("track_a.offt", Dyn_identify_traj_tool, 3));
         const auto sent = simRead<kavi::robot::communication::ProtoCommunicationOfflineExcitTraj>(
             c.sim, [](const SimStateData& d) { return d.excitation; });
         EXPECT_EQ("track_a.offt", sent.trackfile());
         EXPECT_EQ(Dyn_identify_traj_tool, sent.type());
         EXPECT_EQ(3, sent.subtype());
         // The results are there once the trajectory has run.
         std::vector<int> params{42};
         int ret = ErrCode_Failed;
         ctl_test::waitFor([&] {
           ret = c.svc.getDynIdentifyResultsService(params);
           return ret != ErrCode_ResponseReturnError;
         });
         RUN(ret);
         EXPECT_EQ(simRead<std::vector<int>>(c.sim, [](const SimStateData& d) { return d.dynIdentifyResults; }),
                   params);
         return 0;
       }},
      {"firmware", CommunicationType_FirmwareUpdateResult, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         const std::string piece1 = "\x01\x02\x00\x03", piece2 = "tail";
         RUN(c.svc.updateRobotBoardFirmwareService(update_master_board_firmware_trans_start, nullptr, 0));
         RUN(c.svc.updateRobotBoardFirmwareService(update_master_board_firmware_trans_data,
                                                   piece1.data(), static_cast<uint16_t>(piece1.size())));
         RUN(c.svc.updateRobotBoardFirmwareService(update_master_board_firmware_trans_data,
                                                   piece2.data(), static_cast<uint16_t>(piece2.size())));
         RUN(c.svc.updateRobotBoardFirmwareService(update_master_board_firmware_trans_end, nullptr, 0));
         EXPECT_EQ(piece1 + piece2,
                   simRead<std::string>(c.sim, [](const SimStateData& d) { return d.firmware; }));
         bool result = false;
         RUN(c.svc.getBoardFirmwareUpdateResultService(result));
         EXPECT_TRUE(result);
         return 0;
       }},
      {"ethernet device", CommunicationType_GetRobotEthernetDeviceName, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         std::string name;
         RUN(c.svc.getRobotEthernetDeviceNameService(name));
         EXPECT_EQ("eth0", name);
         return 0;
       }},
      {"joint offset", CommunicationType_RobotSetJointOffset, ErrCode_ResolveResponseFailed,
       [](Ctx& c) {
         RobotJointOffset offset{{0.01, -0.02, 0.03, -0.04, 0.05, -0.06}};
         RUN(c.svc.setRobotJointOffsetService(offset));
         const auto got = simRead<kavi::robot::common::RobotJointOffset>(
             c.sim, [](const SimStateData& d) { return d.jointOffset; });
         EXPECT_DOUBLE_EQ(0.01, got.joint1());
         EXPECT_DOUBLE_EQ(-0.06, got.joint6());
         return 0;
       }},
      {"board DI", CommunicationType_GetInterfaceBoardAllDIData, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         c.sim.state().write([](SimStateData& d) { d.boardDI[5] = 1; });
         std::vector<RobotDiagnosisIODesc> all(3);
         RUN(c.svc.getInterfaceBoardAllDIStatusService(all));
         EXPECT_EQ(static_cast<size_t>(SimStateData::kDigitalInputs), all.size());
         IO_STATUS one = IO_STATUS_INVALID;
         RUN(c.svc.getInterfaceBoardDIStatusService(5, one));
         EXPECT_EQ(IO_STATUS_VALID, one);
         return 0;
       }},
      {"board DI one", CommunicationType_GetInterfaceBoardOneDIStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         IO_STATUS one = IO_STATUS_VALID;
         return c.svc.getInterfaceBoardDIStatusService(1, one);
       }},
      {"board DO", CommunicationType_GetInterfaceBoardOneDOStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RUN(c.svc.setInterfaceBoardDOStatusService(7, IO_STATUS_VALID));
         IO_STATUS one = IO_STATUS_INVALID;
         RUN(c.svc.getInterfaceBoardDOStatusService(7, one));
         EXPECT_EQ(IO_STATUS_VALID, one);
         std::vector<RobotDiagnosisIODesc> all;
         RUN(c.svc.getInterfaceBoardAllDOStatusService(all));
         EXPECT_EQ(static_cast<size_t>(SimStateData::kDigitalOutputs), all.size());
         return 0;
       }},
      {"board DO set", CommunicationType_SetInterfaceBoardOneDOStatus, ErrCode_ResolveResponseFailed,
       [](Ctx& c) { return c.svc.setInterfaceBoardDOStatusService(2, IO_STATUS_INVALID); }},
      {"board DO all", CommunicationType_GetInterfaceBoardAllDOData, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         std::vector<RobotDiagnosisIODesc> all;
         return c.svc.getInterfaceBoardAllDOStatusService(all);
       }},
      {"board AI", CommunicationType_GetInterfaceBoardAllAIData, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         c.sim.state().write([](SimStateData& d) { d.boardAI[1] = 2.25f; });
         std::vector<RobotAnalogIODesc> all;
         RUN(c.svc.getInterfaceBoardAllAIStatusService(all));
         EXPECT_EQ(static_cast<size_t>(SimStateData::kAnalogInputs), all.size());
         double one = 0;
         RUN(c.svc.getInterfaceBoardAIStatusService(1, one));
         EXPECT_DOUBLE_EQ(2.25, one);
         return 0;
       }},
      {"board AI one", CommunicationType_GetInterfaceBoardOneAIStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         double one = 0;
         return c.svc.getInterfaceBoardAIStatusService(0, one);
       }},
      {"board AO", CommunicationType_GetInterfaceBoardOneAOStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RUN(c.svc.setInterfaceBoardAOStatusService(2, 3.5));
         double one = 0;
         RUN(c.svc.getInterfaceBoardAOStatusService(2, one));
         EXPECT_DOUBLE_EQ(3.5, one);
         std::vector<RobotAnalogIODesc> all;
         RUN(c.svc.getInterfaceBoardAllAOStatusService(all));
         EXPECT_EQ(static_cast<size_t>(SimStateData::kAnalogOutputs), all.size());
         return 0;
       }},
      {"board AO all", CommunicationType_GetInterfaceBoardAllAOData, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         std::vector<RobotAnalogIODesc> all;
         return c.svc.getInterfaceBoardAllAOStatusService(all);
       }},
      {"board AO set", CommunicationType_SetInterfaceBoardOneAOStatus, ErrCode_ResolveResponseFailed,
       [](Ctx& c) { return c.svc.setInterfaceBoardAOStatusService(0, 1.0); }},
      {"tool power type", CommunicationType_GetToolPowerVoltageType, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RUN(c.svc.setToolPowerVoltageTypeService(OUT_12V));
         ToolPowerType type = OUT_0V;
         RUN(c.svc.getToolPowerVoltageTypeService(type));
         EXPECT_EQ(OUT_12V, type);
         return 0;
       }},
      {"tool power and io types", CommunicationType_GetToolAllIoStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RUN(c.svc.setToolPowerTypeAndDigitalIOTypeService(OUT_24V, IO_IN, IO_OUT, IO_IN, IO_OUT));
         RUN(c.svc.setToolDigitalIOTypeService(TOOL_DIGITAL_IO_2, IO_OUT));
         RUN(c.svc.setToolDigitalIOStatusService(TOOL_DIGITAL_IO_1, IO_STATUS_VALID));
         RobotToolAllIOStatus status;
         std::memset(&status, 0, sizeof(status));
         RUN(c.svc.getToolAllIOStatusService(status));
         EXPECT_EQ(OUT_24V, status.powerType);
         const ToolIOType directions[4] = {IO_IN, IO_OUT, IO_OUT, IO_OUT};
         for (int i = 0; i < 4; ++i) EXPECT_EQ(directions[i], ToolIOType{status.digitalIoStatus[i].ioType}) << i;
         EXPECT_EQ(1, status.digitalIoStatus[1].ioData);
         return 0;
       }},
      {"tool power voltage", CommunicationType_GetToolPowerVoltage, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         RUN(c.svc.setToolPowerVoltageTypeService(OUT_24V));
         double volts = -1;
         RUN(c.svc.getToolPowerVoltageStatusService(volts));
         EXPECT_GT(volts, 0.0);
         return 0;
       }},
      {"tool digital io", CommunicationType_GetToolAllDigitalIOStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         std::vector<RobotDiagnosisIODesc> all;
         RUN(c.svc.getToolAllDigitalIOStatusService(all));
         EXPECT_EQ(4u, all.size());
         return 0;
       }},
      {"tool analog io", CommunicationType_GetToolAllAIStatus, ErrCode_CreateRequestFailed,
       [](Ctx& c) {
         std::vector<RobotAnalogIODesc> all;
         RUN(c.svc.getToolAllAIStatusService(all));
         EXPECT_EQ(2u, all.size());
         return 0;
       }},
  };
  return cases;
}

class ControlCommands : public SimFixture {
 protected:
  // Powered with brakes released, so that motion-like commands are accepted.
  void configure(kavisim::SimConfig& config) override { config.armReady = true; }
  void SetUp() override {
    SimFixture::SetUp();
    RobotType type;
    RobotDhPara dh;
    ASSERT_EQ(ErrnoSucc, svc.loginService("127.0.0.1", port(), "user", "pw", type, dh));
  }
  void TearDown() override {
    svc.logoutService();
    SimFixture::TearDown();
  }
  RobotControlServices svc;
};

TEST_F(ControlCommands, EveryCommandAnswersAndReadsBack) {
  Ctx ctx{svc, sim()};
  for (const auto& c : commandCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ErrnoSucc, c.run(ctx));
  }
}

TEST_F(ControlCommands, GarbledAnswersGiveTheCommandsDecodeFailureCode) {
  Ctx ctx{svc, sim()};
  for (const auto& c : commandCases()) {
    SCOPED_TRACE(c.name);
    kavisim::CommandFault fault;
    fault.garble = true;
    faults().set(c.faultType, fault);
    EXPECT_EQ(c.garbledCode, c.run(ctx));
    faults().clear(c.faultType);
  }
}

TEST_F(ControlCommands, RefusedCommandsReportTheControllerCode) {
  for (int code : {2, 4}) {
    kavisim::CommandFault fault;
    fault.errorCode = code;
    faults().set(CommunicationType_SetRobotAtOriginPose, fault);
    faults().set(CommunicationType_GetRobotJointAngle, fault);
    const int expected = code == 4 ? ErrCode_RealRobotNoExist : ErrCode_ResponseReturnError;
    EXPECT_EQ(expected, svc.setRobotAtOriginPoseService());
    JointParam q{};
    EXPECT_EQ(expected, svc.getCurrentJointAngle(q));
  }
}

TEST_F(ControlCommands, BadArgumentsAreRefusedBeforeSending) {
  const uint64_t before = sim().receivedCount(CommunicationType_GetInterfaceBoardOneDIStatus);
  IO_STATUS status = IO_STATUS_VALID;
  EXPECT_EQ(ErrCode_ParamError, svc.getInterfaceBoardDIStatusService(256, status));
  EXPECT_EQ(ErrCode_ParamError, svc.getInterfaceBoardDIStatusService(-1, status));
  EXPECT_EQ(ErrCode_ParamError, svc.setInterfaceBoardAOStatusService(300, 1.0));
  EXPECT_EQ(ErrCode_ParamError, svc.getRobotJointStatus(nullptr, 6));
  EXPECT_EQ(ErrCode_ParamError, svc.setRobotOrpeError(nullptr, 3));
  EXPECT_EQ(ErrCode_ParamError, svc.updateRobotBoardFirmwareService(
                                    update_master_board_firmware_trans_data, nullptr, 10));
  EXPECT_EQ(ErrCode_ParamError,
            svc.startupOfflineExcitTrajService(nullptr, Dyn_identify_traj_robot, 0));
  EXPECT_EQ(before, sim().receivedCount(CommunicationType_GetInterfaceBoardOneDIStatus));
}

}  // namespace
