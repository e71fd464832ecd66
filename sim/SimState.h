// Everything the simulated controller stores apart from the arm's motion:
// interface-board IO, tool IO, the configuration stores (each read back
// exactly as written), offline track, excitation results and the conveyor.
// Thread-safe: all access goes through read()/write() under one mutex.
#ifndef KAVISIM_SIM_STATE_H
#define KAVISIM_SIM_STATE_H

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace kavisim {

struct SimEvent {
  int type = 0;
  int code = 0;
  std::string text;
};

struct ConveyorObject {
  double position[3] = {0, 0, 0};
  double orientation[4] = {1, 0, 0, 0};
  int32_t timestamp = 0;  // encoder count when the object was seen
  bool started = false;   // the arm has begun to follow it
  double catchupIn = 0;   // [s] until the arm has caught up, once started
  bool done = false;
};

struct ConveyorState {
  double encoder = 0;  // counts (fractional while the belt runs)
  bool running = false;
  int direction = 1;
  double velocity = 0;          // [m/s]
  int32_t encoderPerMeter = 0;  // counts per metre
  double startWindowUpstream = 0;
  double startWindowDownstream = 0;
  double trackDownstream = 0;
  double robotMaxVelc = 0;
  double robotMaxAcc = 0;
  double systemDelay = 0;
  bool trackingEnabled = false;
  kavi::robot::common::ToolKinematicsParam cameraCalib;
  std::vector<ConveyorObject> objects;
};

struct SimStateData {
  static constexpr int kDigitalInputs = 52;
  static constexpr int kDigitalOutputs = 48;
  static constexpr int kAnalogInputs = 4;
  static constexpr int kAnalogOutputs = 4;

  std::vector<int> boardDI = std::vector<int>(kDigitalInputs, 0);
  std::vector<int> boardDO = std::vector<int>(kDigitalOutputs, 0);
  std::vector<float> boardAI = std::vector<float>(kAnalogInputs, 0.0f);
  std::vector<float> boardAO = std::vector<float>(kAnalogOutputs, 0.0f);

  int toolPowerType = 0;        // 0 V, 12 V, 24 V
  int toolDirection[4] = {0, 0, 0, 0};  // 0 input, 1 output
  int toolValue[4] = {0, 0, 0, 0};
  double toolAI[2] = {0.0, 0.0};
  double toolTemperature = 31.5;

  kavi::robot::communication::RobotTcpParam tcpParam;
  kavi::robot::common::ToolDynamicsParam toolDynamics;
  kavi::robot::common::ToolKinematicsParam robotTool;
  kavi::robot::common::ProtoRobotSafetyConfig safetyConfig;
  kavi::robot::common::ProtoOrpeSafetyStatus orpeStatus;
  kavi::robot::common::RobotJointOffset jointOffset;
  kavi::robot::communication::ProtoCommunicationRobotStartupProfile startupProfile;
  int collisionClass = 6;
  int workMode = 0;  // RobotModeSimulator
  std::vector<int> robotControlCommands;  // every robot control command, in order
  bool forceControl = false;
  bool orpeOpen = false;
  bool readPose = false;
  bool mountingPoseChanged = false;
  bool staticCollisionDetect = false;

  int firmwareCommand = 0;
  std::string firmware;
  bool firmwareResult = false;
  std::string ethernetDeviceName = "eth0";

  std::vector<kavi::robot::common::ProtoRoadPoint> offlineTrack;
  bool canbusMode = false;
  kavi::robot::communication::ProtoCommunicationOfflineExcitTraj excitation;
  bool excitationDone = false;
  std::vector<int> dynIdentifyResults;

  ConveyorState conveyor;
  bool joint6Rot360 = false;

  SimStateData();
};

class SimState {
 public:
  template <class F>
  auto read(F f) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return f(static_cast<const SimStateData&>(m_data));
  }
  template <class F>
  auto write(F f) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return f(m_data);
  }

  // Advances the conveyor by dt [s]; tracking events go to `events`.
  void advanceConveyor(double dt, std::vector<SimEvent>& events);

 private:
  mutable std::mutex m_mutex;
  SimStateData m_data;
};

}  // namespace kavisim

#endif
