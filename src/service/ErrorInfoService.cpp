// Result-code descriptions and the controller error-info translation.
#include "ErrorInfoService.h"

#include <libconfig.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "RobotTraceLog.h"

using namespace kavi_robot_namespace;

namespace {

constexpr const char* kErrorInfoConfigFile = "./config/robot_error_info.conf";

std::once_flag g_descTableOnce;

struct ConfigDeleter {
  void operator()(config_t* cfg) const {
    config_destroy(cfg);
    delete cfg;
  }
};

// "0x%02X": upper-case, at least two digits (0x05, 0x1A5).
std::string hexText(unsigned value) {
  char text[16];
  snprintf(text, sizeof(text), "0x%02X", value);
  return std::string(text);
}

// Adds member name: {"0xNN": description} when the file describes the value
// at path, otherwise the plain hexadecimal text.
void addDescribedMember(rapidjson::Document& doc, const config_t* cfg, const char* name,
                        const std::string& path, unsigned value) {
  auto& alloc = doc.GetAllocator();
  const std::string hex = hexText(value);
  const char* description = nullptr;
  rapidjson::Value member;
  if (config_lookup_string(cfg, path.c_str(), &description) == CONFIG_TRUE &&
      description != nullptr) {
    member.SetObject();
    member.AddMember(rapidjson::Value(hex.c_str(), alloc), rapidjson::Value(description, alloc),
                     alloc);
  } else {
    member.SetString(hex.c_str(), alloc);
  }
  doc.AddMember(rapidjson::StringRef(name), member, alloc);
}

template <typename... Values>
std::string lookupPath(const char* format, Values... values) {
  char path[96];
  snprintf(path, sizeof(path), format, static_cast<unsigned>(values)...);
  return std::string(path);
}

}  // namespace

std::map<RobotErrorCode, std::string> ErrorInfoService::S_errInfoDescMaping;
std::atomic<bool> ErrorInfoService::S_isInitInfoDescMaping{false};

ErrorInfoService::ErrorInfoService() { initErrInfoDescMaping(); }

void ErrorInfoService::initErrInfoDescMaping() {
  std::call_once(g_descTableOnce, [] {
    S_errInfoDescMaping = {
        {ErrnoSucc, "Success."},
        {ErrCode_Base, "Error number base value."},
        {ErrCode_Failed, "Failed."},
        {ErrCode_ParamError, "Parameter error."},
        {ErrCode_ConnectSocketFailed, "Socket connect failed."},
        {ErrCode_SocketDisconnect, "Socket disconnect."},
        {ErrCode_CreateRequestFailed, "Create request failed."},
        {ErrCode_RequestRelatedVariableError, "Internal variable error."},
        {ErrCode_RequestTimeout, "Request timeout."},
        {ErrCode_SendRequestFailed, "Send request error."},
        {ErrCode_ResponseInfoIsNULL, "Response is NULL."},
        {ErrCode_ResolveResponseFailed, "Resolve response failed."},
        {ErrCode_FkFailed, "forward kin failed."},
        {ErrCode_IkFailed, "inverse kin failed."},
        {ErrCode_ToolCalibrateError, "Tool calibration error."},
        {ErrCode_ToolCalibrateParamError, "Tool calibration parameter error."},
        {ErrCode_CoordinateSystemCalibrateError, "Coordinate system calibration error."},
        {ErrCode_BaseToUserConvertFailed, "Base coordinate to user coordinate error."},
        {ErrCode_UserToBaseConvertFailed, "User coordinate to base coordinate error."},
        {ErrCode_MotionRelatedVariableError, "Motion-related variable error."},
        {ErrCode_MotionRequestFailed, "Motion-related request error."},
        {ErrCode_CreateMotionRequestFailed, "Motion-related create request error."},
        {ErrCode_MotionInterruptedByEvent, "The movement was interrupted by the event."},
        {ErrCode_MotionWaypointVetorSizeError, "Waypoint vector length issue."},
        {ErrCode_ResponseReturnError, "There is an error message in the response."},
        {ErrCode_RealRobotNoExist, "Real robotic arm does not exist."},
        {ErrCode_moveControlSlowStopFailed, "call slowStop return error."},
        {ErrCode_moveControlFastStopFailed, "call fastStop return error."},
        {ErrCode_moveControlPauseFailed, "call pause return error."},
        {ErrCode_moveControlContinueFailed, "call continue return error."},
    };
    S_isInitInfoDescMaping.store(true, std::memory_order_release);
  });
}

std::string ErrorInfoService::getErrDescByCode(RobotErrorCode code) {
  if (!S_isInitInfoDescMaping.load(std::memory_order_acquire)) {
    initErrInfoDescMaping();
  }
  auto it = S_errInfoDescMaping.find(code);
  return it == S_errInfoDescMaping.end() ? std::string() : it->second;
}

int ErrorInfoService::robotErrorInfoNotifyEventResolve(const std::string& source,
                                                       std::string& dest) {
  rapidjson::Document doc;
  doc.Parse(source.c_str(), source.size());
  if (doc.HasParseError() || !doc.IsObject()) {
    return ErrCode_Failed;
  }

  RobotErrorInfo info;
  std::memset(&info, 0, sizeof(info));
  int result = ErrnoSucc;
  // Every member is examined even after a failure; any one missing or
  // non-integer member fails the whole translation.
  auto readMember = [&](const char* name, int& out) {
    auto it = doc.FindMember(name);
    if (it == doc.MemberEnd() || !it->value.IsInt()) {
      result = ErrCode_Failed;
      return false;
    }
    out = it->value.GetInt();
    return true;
  };
  int value = 0;
  // Bit-field assignment keeps the low bits of each value.
  if (readMember("src", value)) info.src = static_cast<uint32_t>(value);
  if (readMember("stop_model", value)) info.stop_model = static_cast<uint32_t>(value);
  if (readMember("err_type", value)) info.err_type = static_cast<uint32_t>(value);
  if (readMember("err_class", value)) info.err_class = static_cast<uint32_t>(value);
  if (readMember("err_code", value)) info.err_code = static_cast<uint32_t>(value);
  if (readMember("err_node", value)) info.err_node = static_cast<uint32_t>(value);

  if (result != ErrnoSucc) {
    return ErrCode_Failed;
  }
  return ResolveRobotErrorInfo(info, dest);
}

int ErrorInfoService::ResolveRobotErrorInfo(const RobotErrorInfo& robotErrInfo,
                                            std::string& jsonText) {
  std::unique_ptr<config_t, ConfigDeleter> cfg(new config_t);
  config_init(cfg.get());
  if (config_read_file(cfg.get(), kErrorInfoConfigFile) != CONFIG_TRUE) {
    const char* file = config_error_file(cfg.get());
    const char* text = config_error_text(cfg.get());
    kavi_robot_logtrace::W_ERROR("%s %s:%d - %s", kErrorInfoConfigFile, file ? file : "",
                                 config_error_line(cfg.get()), text ? text : "");
    return ErrCode_Failed;
  }

  // Output order; the code is looked up within its class.
  const unsigned errClass = robotErrInfo.err_class;
  const struct {
    const char* name;
    std::string path;
    unsigned value;
  } fields[] = {
      {"src", lookupPath("error_src.src_0x%02X", robotErrInfo.src), robotErrInfo.src},
      {"stop_model", lookupPath("stop_model.stop_model_0x%02X", robotErrInfo.stop_model),
       robotErrInfo.stop_model},
      {"err_type", lookupPath("err_type.err_type_0x%02X", robotErrInfo.err_type),
       robotErrInfo.err_type},
      {"err_class", lookupPath("err_class.err_class_0x%02X", errClass), errClass},
      {"err_node", lookupPath("err_class_node.joint_error_node_0x%02X", robotErrInfo.err_node),
       robotErrInfo.err_node},
      {"err_code", lookupPath("err_class_0x%02X.robot_error_code_0x%02X", errClass,
                              robotErrInfo.err_code),
       robotErrInfo.err_code},
  };
  rapidjson::Document doc;
  doc.SetObject();
  for (const auto& field : fields) {
    addDescribedMember(doc, cfg.get(), field.name, field.path, field.value);
  }

  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  doc.Accept(writer);
  jsonText.assign(buffer.GetString(), buffer.GetSize());
  return ErrnoSucc;
}
