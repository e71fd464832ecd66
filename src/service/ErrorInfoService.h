// Descriptions of the library's result codes, and translation of the
// controller's error-info events into described JSON text.
#ifndef RSKAVI_ERROR_INFO_SERVICE_H
#define RSKAVI_ERROR_INFO_SERVICE_H

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "RobotErrorCode.h"

// One controller error report, as two 32-bit words of bit-fields. A value too
// wide for its field keeps only its low bits (src 18 is stored as 2).
struct RobotErrorInfo {
  // First word.
  uint32_t err_code : 16;   // error code within its class
  uint32_t err_node : 8;    // node (joint) that reports the error
  uint32_t err_class : 8;   // error class
  // Second word.
  uint32_t err_type : 4;    // error type
  uint32_t stop_model : 4;  // stop mode
  uint32_t : 20;            // always zero
  uint32_t src : 4;         // error source
};

static_assert(sizeof(RobotErrorInfo) == 8, "RobotErrorInfo is two 32-bit words");

class ErrorInfoService {
 public:
  // Fills the description table (once per process).
  ErrorInfoService();

  // The fixed English description of code, or "" when the code has none
  // (ErrCode_Count, or a number outside the enumeration). Safe from any thread.
  static std::string getErrDescByCode(kavi_robot_namespace::RobotErrorCode code);

  // Fills the description table. The first call does the work; later and
  // concurrent calls wait for it and change nothing, so readers never see a
  // table being rebuilt.
  static void initErrInfoDescMaping();

  // Parses the controller's JSON object of six integer members (src,
  // stop_model, err_type, err_class, err_code, err_node) and writes the
  // described text to dest. Returns ErrnoSucc, or ErrCode_Failed (dest
  // untouched) when the text is not such an object or the error-info file
  // cannot be read.
  static int robotErrorInfoNotifyEventResolve(const std::string& source, std::string& dest);

  // Looks each field up in "./config/robot_error_info.conf" (read afresh on
  // every call) and writes compact JSON: per field either {"0xNN":"desc"} or
  // just "0xNN". ErrCode_Failed, with an ERROR log line, when the file cannot
  // be read or parsed.
  static int ResolveRobotErrorInfo(const RobotErrorInfo& robotErrInfo, std::string& jsonText);

 private:
  static std::map<kavi_robot_namespace::RobotErrorCode, std::string> S_errInfoDescMaping;
  static std::atomic<bool> S_isInitInfoDescMaping;
};

#endif
