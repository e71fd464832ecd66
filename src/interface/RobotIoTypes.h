// Public IO records and enums: interface-board IO descriptions as the
// controller reports them, the IO catalogue record, and tool IO and power.
#ifndef RSKAVI_ROBOT_IO_TYPES_H
#define RSKAVI_ROBOT_IO_TYPES_H

#include <cstddef>
#include <cstdint>

namespace kavi_robot_namespace {

// Kind of an IO in the catalogue.
enum RobotIoType : int {
  RobotBoardControllerDI = 0,
  RobotBoardControllerDO = 1,
  RobotBoardControllerAI = 2,
  RobotBoardControllerAO = 3,
  RobotBoardUserDI = 4,
  RobotBoardUserDO = 5,
  RobotBoardUserAI = 6,
  RobotBoardUserAO = 7,
  RobotToolDI = 8,
  RobotToolDO = 9,
  RobotToolAI = 10,
  RobotToolAO = 11
};

// On/off value of a digital IO.
enum IO_STATUS : int {
  IO_STATUS_INVALID = 0,
  IO_STATUS_VALID = 1
};

// One IO of the catalogue; ioId and ioName are NUL-terminated (at most 31
// characters). ioValue: 0 or 1 for digital IO, the value for analog IO, -1
// where no value is known.
struct RobotIoDesc {
  char ioId[32];
  RobotIoType ioType;
  char ioName[32];
  int ioAddr;
  double ioValue;
};

// One digital IO of the interface board, by address.
struct RobotDiagnosisIODesc {
  uint8_t addr;
  uint8_t value;
  uint8_t type;
};

// One analog IO of the interface board, by address.
struct RobotAnalogIODesc {
  uint8_t addr;
  float value;
  uint8_t type;
};

// Tool supply voltage.
enum ToolPowerType : int {
  OUT_0V = 0,
  OUT_12V = 1,
  OUT_24V = 2
};

// Direction of a tool digital line.
enum ToolIOType : int {
  IO_IN = 0,
  IO_OUT = 1
};

enum ToolDigitalIOAddr : int {
  TOOL_DIGITAL_IO_0 = 0,
  TOOL_DIGITAL_IO_1 = 1,
  TOOL_DIGITAL_IO_2 = 2,
  TOOL_DIGITAL_IO_3 = 3
};

#pragma pack(push, 1)

struct RobotToolDigitalIOStatus {
  ToolIOType ioType;
  uint8_t ioData;
};

// Everything the tool flange reports at once (1-byte alignment).
struct RobotToolAllIOStatus {
  ToolPowerType powerType;
  float systemVoltage;  // [V]
  RobotToolDigitalIOStatus digitalIoStatus[4];
  float aiData[2];          // analog inputs [V]
  float systemTemperature;  // [degC]
  uint8_t errorStatus;
};

#pragma pack(pop)

static_assert(sizeof(RobotDiagnosisIODesc) == 3, "RobotDiagnosisIODesc layout");
static_assert(sizeof(RobotToolDigitalIOStatus) == 5, "RobotToolDigitalIOStatus layout");
static_assert(sizeof(RobotToolAllIOStatus) == 41, "RobotToolAllIOStatus layout");
static_assert(offsetof(RobotToolAllIOStatus, systemVoltage) == 4, "RobotToolAllIOStatus layout");
static_assert(offsetof(RobotToolAllIOStatus, digitalIoStatus) == 8, "RobotToolAllIOStatus layout");
static_assert(offsetof(RobotToolAllIOStatus, aiData) == 28, "RobotToolAllIOStatus layout");
static_assert(offsetof(RobotToolAllIOStatus, systemTemperature) == 36, "RobotToolAllIOStatus layout");
static_assert(offsetof(RobotToolAllIOStatus, errorStatus) == 40, "RobotToolAllIOStatus layout");
static_assert(sizeof(RobotIoDesc) == 80 && offsetof(RobotIoDesc, ioValue) == 72, "RobotIoDesc layout");

}  // namespace kavi_robot_namespace

#endif
