// Public status and parameter records exchanged with the controller: joint
// status, diagnosis, device information, tool centre and tool dynamics,
// gravity component, collision class, safety configuration and status, joint
// offsets, and the enums of the arm's state and lifecycle.
// Records marked "packed" have 1-byte alignment; the flat interface and the
// Python module read them by that layout, which the static_asserts pin.
#ifndef RSKAVI_ROBOT_STATUS_TYPES_H
#define RSKAVI_ROBOT_STATUS_TYPES_H

#include <cstddef>
#include <cstdint>

static_assert(sizeof(bool) == 1, "the packed records need a one-byte bool");
static_assert(sizeof(float) == 4 && sizeof(double) == 8 && sizeof(int) == 4,
              "the records need 32-bit int and float and 64-bit double");

#pragma pack(push, 1)

// Collision currents per joint and the active collision class (0..10).
struct RobotCollisionCurrent {
  uint16_t JointCollisionCurrent[6][4];
  uint8_t CollisionClass;
};

#pragma pack(pop)

// Tool-centre parameters handed to start-up: position of the payload's
// centre of mass in the flange frame [m] and payload [kg].
struct TcpParam {
  float positionX;
  float positionY;
  float positionZ;
  float payload;
};

// Parameters for automatic and manual operation.
struct RobotTcpParam {
  TcpParam paramAutorun;
  TcpParam paramManual;
};

static_assert(sizeof(RobotCollisionCurrent) == 49, "RobotCollisionCurrent layout");
static_assert(offsetof(RobotCollisionCurrent, CollisionClass) == 48, "RobotCollisionCurrent layout");
static_assert(sizeof(RobotTcpParam) == 32, "RobotTcpParam layout");

namespace kavi_robot_namespace {

#pragma pack(push, 1)

// State of one joint as the controller reports it.
struct JointStatus {
  int jointCurrentI;        // current [mA]
  int jointSpeedMoto;       // motor speed
  float jointPosJ;          // joint angle [rad]
  float jointCurVol;        // voltage [V]
  float jointCurTemp;       // temperature [degC]
  int jointTagCurrentI;     // target current [mA]
  float jointTagSpeedMoto;  // target motor speed
  float jointTagPosJ;       // target joint angle [rad]
  uint16_t jointErrorNum;   // joint error bits
};

// Diagnosis of the arm and its controller.
struct RobotDiagnosis {
  uint8_t armCanbusStatus;
  float armPowerCurrent;  // [A]
  float armPowerVoltage;  // [V]
  bool armPowerStatus;
  char contorllerTemp;         // [degC]
  uint8_t contorllerHumidity;  // [%]
  bool remoteHalt;
  bool softEmergency;
  bool remoteEmergency;
  bool robotCollision;
  bool forceControlMode;
  bool brakeStuats;
  float robotEndSpeed;  // [m/s]
  int robotMaxAcc;
  bool orpeStatus;
  bool enableReadPose;
  bool robotMountingPoseChanged;
  bool encoderErrorStatus;
  bool staticCollisionDetect;
  uint8_t jointCollisionDetect;  // one bit per joint
  bool encoderLinesError;
  bool jointErrorStatus;
  bool singularityOverSpeedAlarm;
  bool robotCurrentAlarm;
  uint8_t toolIoError;
  bool robotMountingPoseWarning;
  uint16_t macTargetPosBufferSize;
  uint16_t macTargetPosDataSize;
  uint8_t macDataInterruptWarning;
};

// Hardware and software versions of one joint.
struct RobotJointVersion {
  char hw_version[8];
  char sw_version[16];
};

struct RobotJointProductID {
  char productID[16];
};

// Device information; every text is NUL-terminated within its field.
struct RobotDevInfo {
  uint8_t type;
  char revision[16];
  char manu_id[16];
  char joint_type[16];
  RobotJointVersion joint_ver[8];
  char desc[64];
  RobotJointProductID jointProductID[8];
  char slave_version[16];
  char extio_version[16];
};

// Reduced-mode limits and safeguard configuration.
struct RobotSafetyConfig {
  uint16_t robotReducedConfigJointSpeed[6];
  uint32_t robotReducedConfigTcpSpeed;
  uint32_t robotReducedConfigTcpForce;
  uint32_t robotReducedConfigMomentum;
  uint32_t robotReducedConfigPower;
  uint8_t robotSafeguradResetConfig;
  uint8_t robotOperationalModeConfig;
};

#pragma pack(pop)

// Safety-IO status (all single bytes, so the natural layout has no padding).
struct OrpeSafetyStatus {
  uint8_t orpePause;
  uint8_t orpeStop;
  uint8_t orpeError[16];
  uint8_t systemEmergencyStop;
  uint8_t reducedModeError;
  uint8_t safetyguardResetSucc;
};

struct ToolInertia {
  double xx;
  double xy;
  double xz;
  double yy;
  double yz;
  double zz;
};

// Tool dynamics: centre of mass in the flange frame [m], payload [kg] and
// inertia [kg m^2].
struct ToolDynamicsParam {
  double positionX;
  double positionY;
  double positionZ;
  double payload;
  ToolInertia toolInertia;
};

// Gravity component measured by the controller.
struct RobotGravityComponent {
  float x;
  float y;
  float z;
};

// Zero-position offset of each joint [rad].
struct RobotJointOffset {
  double jointOffset[6];
};

enum RobotState : int {
  RobotStopped = 0,
  RobotRunning = 1,
  RobotPaused = 2,
  RobotResumed = 3
};

enum RobotWorkMode : int {
  RobotModeSimulator = 0,
  RobotModeReal = 1
};

enum update_board_firmware_cmd : int {
  update_master_board_firmware_trans_start = 1,
  update_master_board_firmware_trans_data = 2,
  update_master_board_firmware_trans_end = 3,
  update_slave_board_firmware_trans_start = 4,
  update_slave_board_firmware_trans_data = 5,
  update_slave_board_firmware_trans_end = 6
};

// Result of a blocking start-up; the code of the start-up-done event.
enum ROBOT_SERVICE_STATE : int {
  ROBOT_SERVICE_READY = 0,
  ROBOT_SERVICE_STARTING = 1,
  ROBOT_SERVICE_WORKING = 2,
  ROBOT_SERVICE_CLOSING = 3,
  ROBOT_SERVICE_CLOSED = 4,
  ROBOT_SETVICE_FAULT_POWER = 5,
  ROBOT_SETVICE_FAULT_BRAKE = 6,
  ROBOT_SETVICE_FAULT_NO_ROBOT = 7
};

// Sent as the one integer of a robot control request.
enum RobotControlCommand : int {
  RobotRelease = 0,
  RobotBrake = 1,
  OverspeedWarning = 2,
  OverspeedRecover = 3,
  DisableForceControl = 4,
  EnableForceControl = 5,
  OrpeOpen = 6,
  OrpeClose = 7,
  EnableReadPose = 8,
  DisableReadPose = 9,
  MountingPoseChanged = 10,
  MountingPoseUnChanged = 11,
  EnableStaticCollisionDetect = 12,
  DisableStaticCollisionDetect = 13,
  ClearSingularityOverSpeedAlarm = 14,
  ClearRobotCurrentAlarm = 15
};

static_assert(sizeof(JointStatus) == 34, "JointStatus layout");
static_assert(offsetof(JointStatus, jointTagPosJ) == 28, "JointStatus layout");
static_assert(offsetof(JointStatus, jointErrorNum) == 32, "JointStatus layout");

static_assert(sizeof(RobotDiagnosis) == 43, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, armPowerCurrent) == 1, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, contorllerTemp) == 10, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, robotEndSpeed) == 18, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, robotMaxAcc) == 22, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, jointCollisionDetect) == 31, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, toolIoError) == 36, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, macTargetPosBufferSize) == 38, "RobotDiagnosis layout");
static_assert(offsetof(RobotDiagnosis, macDataInterruptWarning) == 42, "RobotDiagnosis layout");

static_assert(sizeof(RobotJointVersion) == 24, "RobotJointVersion layout");
static_assert(sizeof(RobotDevInfo) == 465, "RobotDevInfo layout");
static_assert(offsetof(RobotDevInfo, revision) == 1, "RobotDevInfo layout");
static_assert(offsetof(RobotDevInfo, joint_ver) == 49, "RobotDevInfo layout");
static_assert(offsetof(RobotDevInfo, desc) == 241, "RobotDevInfo layout");
static_assert(offsetof(RobotDevInfo, jointProductID) == 305, "RobotDevInfo layout");
static_assert(offsetof(RobotDevInfo, slave_version) == 433, "RobotDevInfo layout");
static_assert(offsetof(RobotDevInfo, extio_version) == 449, "RobotDevInfo layout");

static_assert(sizeof(RobotSafetyConfig) == 30, "RobotSafetyConfig layout");
static_assert(offsetof(RobotSafetyConfig, robotReducedConfigTcpSpeed) == 12, "RobotSafetyConfig layout");
static_assert(offsetof(RobotSafetyConfig, robotSafeguradResetConfig) == 28, "RobotSafetyConfig layout");
static_assert(offsetof(RobotSafetyConfig, robotOperationalModeConfig) == 29, "RobotSafetyConfig layout");

static_assert(sizeof(OrpeSafetyStatus) == 21, "OrpeSafetyStatus layout");
static_assert(offsetof(OrpeSafetyStatus, systemEmergencyStop) == 18, "OrpeSafetyStatus layout");

static_assert(sizeof(RobotState) == sizeof(int) && sizeof(ROBOT_SERVICE_STATE) == sizeof(int),
              "the enums are int-sized");

}  // namespace kavi_robot_namespace

#endif
