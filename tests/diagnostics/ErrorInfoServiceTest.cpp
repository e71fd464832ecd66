// Result-code descriptions and the translation of the controller's
// error-info events through ./config/robot_error_info.conf.
#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ErrorInfoService.h"
#include "FreshProcess.h"
#include "TempWorkDir.h"

namespace {

using namespace kavi_robot_namespace;
using rskavi_test::TempWorkDir;

struct CodeCase {
  int code;
  const char* description;
};
void PrintTo(const CodeCase& c, std::ostream* os) { *os << c.code << " -> \"" << c.description << '"'; }

class ErrorDescription : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ErrorDescription, IsTheFixedText) {
  EXPECT_EQ(GetParam().description,
            ErrorInfoService::getErrDescByCode(static_cast<RobotErrorCode>(GetParam().code)));
}

INSTANTIATE_TEST_SUITE_P(
    ErrorInfo, ErrorDescription,
    ::testing::Values(
        CodeCase{ErrnoSucc, "Success."}, CodeCase{ErrCode_Base, "Error number base value."},
        CodeCase{ErrCode_Failed, "Failed."}, CodeCase{ErrCode_ParamError, "Parameter error."},
        CodeCase{ErrCode_ConnectSocketFailed, "Socket connect failed."},
        CodeCase{ErrCode_SocketDisconnect, "Socket disconnect."},
        CodeCase{ErrCode_CreateRequestFailed, "Create request failed."},
        CodeCase{ErrCode_RequestRelatedVariableError, "Internal variable error."},
        CodeCase{ErrCode_RequestTimeout, "Request timeout."},
        CodeCase{ErrCode_SendRequestFailed, "Send request error."},
        CodeCase{ErrCode_ResponseInfoIsNULL, "Response is NULL."},
        CodeCase{ErrCode_ResolveResponseFailed, "Resolve response failed."},
        CodeCase{ErrCode_FkFailed, "forward kin failed."},
        CodeCase{ErrCode_IkFailed, "inverse kin failed."},
        CodeCase{ErrCode_ToolCalibrateError, "Tool calibration error."},
        CodeCase{ErrCode_ToolCalibrateParamError, "Tool calibration parameter error."},
        CodeCase{ErrCode_CoordinateSystemCalibrateError, "Coordinate system calibration error."},
        CodeCase{ErrCode_BaseToUserConvertFailed, "Base coordinate to user coordinate error."},
        CodeCase{ErrCode_UserToBaseConvertFailed, "User coordinate to base coordinate error."},
        CodeCase{ErrCode_MotionRelatedVariableError, "Motion-related variable error."},
        CodeCase{ErrCode_MotionRequestFailed, "Motion-related request error."},
        CodeCase{ErrCode_CreateMotionRequestFailed, "Motion-related create request error."},
        CodeCase{ErrCode_MotionInterruptedByEvent, "The movement was interrupted by the event."},
        CodeCase{ErrCode_MotionWaypointVetorSizeError, "Waypoint vector length issue."},
        CodeCase{ErrCode_ResponseReturnError, "There is an error message in the response."},
        CodeCase{ErrCode_RealRobotNoExist, "Real robotic arm does not exist."},
        CodeCase{ErrCode_moveControlSlowStopFailed, "call slowStop return error."},
        CodeCase{ErrCode_moveControlFastStopFailed, "call fastStop return error."},
        CodeCase{ErrCode_moveControlPauseFailed, "call pause return error."},
        CodeCase{ErrCode_moveControlContinueFailed, "call continue return error."},
        CodeCase{ErrCode_Count, ""}, CodeCase{10029, ""}, CodeCase{16383, ""}, CodeCase{1, ""}));

TEST(ErrorInfo, ConcurrentFirstLookupsAllSeeTheTable) {
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&wrong] {
      for (int i = 0; i < 200; ++i) {
        if (ErrorInfoService::getErrDescByCode(ErrCode_RequestTimeout) != "Request timeout.") {
          wrong.fetch_add(1);
        }
        ErrorInfoService constructed;  // fills the table again: must stay harmless
        (void)constructed;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(0, wrong.load());
}

// A small file of our own, so the expectations do not depend on the wording
// of the shipped defaults.
const char* kDescribedConf = R"(
error_src = { src_0x01 = "source one"; src_0x02 = "source two"; src_0x0F = "source fifteen"; };
stop_model = { stop_model_0x00 = "stop zero"; stop_model_0x02 = "stop two"; };
err_type = { err_type_0x0A = "type ten"; err_type_0x00 = "type zero"; };
err_class = { err_class_0x00 = "class zero"; err_class_0x03 = "class three"; };
err_class_node = { joint_error_node_0x05 = "node five"; joint_error_node_0x00 = "node zero"; };
err_class_0x03 = {
  robot_error_code_0x1A5 = "code 1A5";
  robot_error_code_0x1A = "wrong: 0x1A";
  robot_error_code_0x05 = "code five";
};
err_class_0x00 = { robot_error_code_0x00 = "code zero"; };
)";

constexpr const char* kConfPath = "config/robot_error_info.conf";

std::string translate(const std::string& source, int* result = nullptr) {
  std::string dest = "untouched";
  const int r = ErrorInfoService::robotErrorInfoNotifyEventResolve(source, dest);
  if (result) *result = r;
  return dest;
}

std::string report(int src, int stop, int type, int cls, int code, int node) {
  std::ostringstream s;
  s << "{\"src\":" << src << ",\"stop_model\":" << stop << ",\"err_type\":" << type
    << ",\"err_class\":" << cls << ",\"err_code\":" << code << ",\"err_node\":" << node << "}";
  return s.str();
}

TEST(ErrorInfo, AllFieldsDescribedInFixedOrder) {
  TempWorkDir dir(kConfPath, kDescribedConf);
  int result = -1;
  // Members in the report's own order differ from the output order.
  const std::string out = translate(report(1, 2, 10, 3, 0x1A5, 5), &result);
  EXPECT_EQ(ErrnoSucc, result);
  EXPECT_EQ(
      "{\"src\":{\"0x01\":\"source one\"},\"stop_model\":{\"0x02\":\"stop two\"},"
      "\"err_type\":{\"0x0A\":\"type ten\"},\"err_class\":{\"0x03\":\"class three\"},"
      "\"err_node\":{\"0x05\":\"node five\"},\"err_code\":{\"0x1A5\":\"code 1A5\"}}",
      out);
}

TEST(ErrorInfo, NothingDescribedGivesPlainHexTexts) {
  TempWorkDir dir(kConfPath, "# no settings\n");
  int result = -1;
  const std::string out = translate(report(1, 2, 3, 4, 5, 6), &result);
  EXPECT_EQ(ErrnoSucc, result);
  EXPECT_EQ(
      "{\"src\":\"0x01\",\"stop_model\":\"0x02\",\"err_type\":\"0x03\",\"err_class\":\"0x04\","
      "\"err_node\":\"0x06\",\"err_code\":\"0x05\"}",
      out);
}

TEST(ErrorInfo, CodeIsLookedUpInItsOwnClassWithThreeDigitHex) {
  TempWorkDir dir(kConfPath, kDescribedConf);
  // Same code in a class without a group: no description.
  EXPECT_NE(std::string::npos, translate(report(1, 2, 10, 4, 0x1A5, 5))
                                   .find("\"err_code\":\"0x1A5\""));
  EXPECT_NE(std::string::npos, translate(report(1, 2, 10, 3, 5, 5))
                                   .find("\"err_code\":{\"0x05\":\"code five\"}"));
}

TEST(ErrorInfo, SettingsThatAreNotStringsCountAsMissing) {
  TempWorkDir dir(kConfPath, "error_src = { src_0x01 = 5; };\n"
                               "stop_model = { stop_model_0x02 = [\"a\"]; };\n");
  const std::string out = translate(report(1, 2, 0, 0, 0, 0));
  EXPECT_NE(std::string::npos, out.find("\"src\":\"0x01\",\"stop_model\":\"0x02\"")) << out;
}

TEST(ErrorInfo, DescriptionsAreEscapedAsJson) {
  TempWorkDir dir(kConfPath, "error_src = { src_0x01 = \"quote \\\" and \\\\ back\"; };\n");
  const std::string out = translate(report(1, 0, 0, 0, 0, 0));
  EXPECT_NE(std::string::npos, out.find("{\"src\":{\"0x01\":\"quote \\\" and \\\\ back\"}"))
      << out;
}

struct TruncationCase {
  const char* field;
  int value;
  const char* expectedMember;
};
void PrintTo(const TruncationCase& c, std::ostream* os) { *os << c.field << "=" << c.value; }

class LowBitTruncation : public ::testing::TestWithParam<TruncationCase> {};

// Each field keeps only the bits of its width, and is described under the
// truncated value.
TEST_P(LowBitTruncation, KeepsLowBitsOfEachField) {
  TempWorkDir dir(kConfPath, kDescribedConf);
  const std::string field = GetParam().field;
  auto valueFor = [&](const char* name) { return field == name ? GetParam().value : 0; };
  int result = -1;
  const std::string out = translate(report(valueFor("src"), valueFor("stop_model"),
                                           valueFor("err_type"), valueFor("err_class"),
                                           valueFor("err_code"), valueFor("err_node")),
                                    &result);
  ASSERT_EQ(ErrnoSucc, result);
  EXPECT_NE(std::string::npos, out.find(GetParam().expectedMember)) << out;
}

INSTANTIATE_TEST_SUITE_P(
    ErrorInfo, LowBitTruncation,
    ::testing::Values(TruncationCase{"src", 18, "\"src\":{\"0x02\":\"source two\"}"},
                      TruncationCase{"src", 17, "\"src\":{\"0x01\":\"source one\"}"},
                      TruncationCase{"src", -1, "\"src\":{\"0x0F\":\"source fifteen\"}"},
                      TruncationCase{"stop_model", 0x12, "\"stop_model\":{\"0x02\":\"stop two\"}"},
                      TruncationCase{"err_type", 0x1A, "\"err_type\":{\"0x0A\":\"type ten\"}"},
                      TruncationCase{"err_class", 256, "\"err_class\":{\"0x00\":\"class zero\"}"},
                      TruncationCase{"err_node", 0x105, "\"err_node\":{\"0x05\":\"node five\"}"},
                      TruncationCase{"err_code", 0x10000, "\"err_code\":{\"0x00\":\"code zero\"}"},
                      TruncationCase{"err_code", 0xFFFF, "\"err_code\":\"0xFFFF\""}));

struct RejectCase {
  const char* name;
  std::string source;
};
void PrintTo(const RejectCase& c, std::ostream* os) { *os << c.name; }

class RejectedReport : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectedReport, FailsAndLeavesDestinationAlone) {
  TempWorkDir dir(kConfPath, kDescribedConf);
  int result = -1;
  EXPECT_EQ("untouched", translate(GetParam().source, &result));
  EXPECT_EQ(ErrCode_Failed, result);
}

INSTANTIATE_TEST_SUITE_P(
    ErrorInfo, RejectedReport,
    ::testing::Values(
        RejectCase{"float_member",
                   R"({"src":2.0,"stop_model":1,"err_type":1,"err_class":1,"err_code":1,"err_node":1})"},
        RejectCase{"string_member",
                   R"({"src":1,"stop_model":"1","err_type":1,"err_class":1,"err_code":1,"err_node":1})"},
        RejectCase{"bool_member",
                   R"({"src":1,"stop_model":1,"err_type":true,"err_class":1,"err_code":1,"err_node":1})"},
        RejectCase{"null_member",
                   R"({"src":1,"stop_model":1,"err_type":1,"err_class":null,"err_code":1,"err_node":1})"},
        RejectCase{"beyond_int32",
                   R"({"src":1,"stop_model":1,"err_type":1,"err_class":1,"err_code":4294967296,"err_node":1})"},
        RejectCase{"missing_member",
                   R"({"src":1,"stop_model":1,"err_type":1,"err_class":1,"err_code":1})"},
        RejectCase{"array", "[1,2,3,4,5,6]"}, RejectCase{"number", "42"},
        RejectCase{"not_json", "src=1"}, RejectCase{"empty", ""},
        RejectCase{"trailing_garbage", report(1, 2, 3, 4, 5, 6) + "x"}),
    [](const ::testing::TestParamInfo<RejectCase>& info) { return info.param.name; });

TEST(ErrorInfo, UnreadableFileFailsAndLeavesDestinationAlone) {
  TempWorkDir dir(kConfPath, "error_src = { src_0x01 = \"unterminated; };\n");
  int result = -1;
  EXPECT_EQ("untouched", translate(report(1, 2, 3, 4, 5, 6), &result));
  EXPECT_EQ(ErrCode_Failed, result);
}

// Missing file: one ERROR line "<path> <file>:<line> - <reader's text>". The
// trace log is configured once per process, hence the fresh process.
TEST(ErrorInfo, MissingFileFailsWithOneErrorLine) {
  rskavi_test::expectInFreshProcess(
      {{"config/tracelog.properties",
        "log4cplus.rootLogger=TRACE, FILE\n"
        "log4cplus.appender.FILE=log4cplus::FileAppender\n"
        "log4cplus.appender.FILE.File=./trace.log\n"
        "log4cplus.appender.FILE.layout=log4cplus::PatternLayout\n"
        "log4cplus.appender.FILE.layout.ConversionPattern=%p %m%n\n"}},
      []() -> std::string {
        int result = -1;
        const std::string dest = translate(report(1, 2, 3, 4, 5, 6), &result);
        if (result != ErrCode_Failed) return "result " + std::to_string(result);
        if (dest != "untouched") return "destination changed to " + dest;
        std::ifstream in("trace.log");
        std::string line;
        std::vector<std::string> errors;
        while (std::getline(in, line)) {
          if (line.rfind("ERROR ", 0) == 0) errors.push_back(line);
        }
        if (errors.size() != 1) return "expected one ERROR line, got " + std::to_string(errors.size());
        if (errors[0].rfind("ERROR ./config/robot_error_info.conf :0 - ", 0) != 0) {
          return "unexpected line: " + errors[0];
        }
        return "";
      });
}

TEST(ErrorInfo, ShippedFileDescribesClassThreeCode1A5) {
  std::ifstream in(RSKAVI_SOURCE_DIR "/config/robot_error_info.conf");
  std::ostringstream text;
  text << in.rdbuf();
  ASSERT_FALSE(text.str().empty());
  TempWorkDir dir(kConfPath, text.str());
  int result = -1;
  const std::string out = translate(report(1, 2, 1, 3, 0x1A5, 5), &result);
  ASSERT_EQ(ErrnoSucc, result);
  for (const char* member : {"\"src\":{\"0x01\":", "\"stop_model\":{\"0x02\":",
                             "\"err_type\":{\"0x01\":", "\"err_class\":{\"0x03\":",
                             "\"err_node\":{\"0x05\":", "\"err_code\":{\"0x1A5\":"}) {
    EXPECT_NE(std::string::npos, out.find(member)) << member << " in " << out;
  }
}

TEST(ErrorInfo, RecordHoldsTwoWordsInDeclaredBitPositions) {
  RobotErrorInfo info;
  std::memset(&info, 0, sizeof(info));
  info.err_code = 0x1A5;
  info.err_node = 0x05;
  info.err_class = 0x03;
  info.err_type = 0x0A;
  info.stop_model = 0x2;
  info.src = 0x1;
  uint32_t words[2];
  std::memcpy(words, &info, sizeof(words));
  EXPECT_EQ(0x030501A5u, words[0]);
  EXPECT_EQ(0x1000002Au, words[1]);
}

}  // namespace
