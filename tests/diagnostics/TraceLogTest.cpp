// The trace log: message length limit, level routing, a missing or shipped
// properties file, and concurrent first messages. The logger reads its
// properties once per process, so tests that depend on a file run in a fresh
// copy of the test program.
#include <unistd.h>

#include <fcntl.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "FreshProcess.h"
#include "RobotTraceLog.h"

namespace {

using namespace kavi_robot_logtrace;
using rskavi_test::expectInFreshProcess;

// Everything to ./trace.log as "LEVEL message".
const char* kFileProperties =
    "log4cplus.rootLogger=TRACE, FILE\n"
    "log4cplus.appender.FILE=log4cplus::FileAppender\n"
    "log4cplus.appender.FILE.File=./trace.log\n"
    "log4cplus.appender.FILE.layout=log4cplus::PatternLayout\n"
    "log4cplus.appender.FILE.layout.ConversionPattern=%p %m%n\n";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

size_t countOccurrences(const std::string& haystack, const std::string& needle) {
  size_t count = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size())) {
    ++count;
  }
  return count;
}

struct LengthCase {
  size_t length;
  size_t written;
};
void PrintTo(const LengthCase& c, std::ostream* os) {
  *os << c.length << " characters, " << c.written << " written";
}

class DebugMessageLength : public ::testing::TestWithParam<LengthCase> {};

// Debug text goes to standard output, so the limit is visible in-process.
TEST_P(DebugMessageLength, IsCutTo2047Characters) {
  getTraceLog();  // any start-up output of the logger stays out of the capture
  const std::string message(GetParam().length, 'm');
  testing::internal::CaptureStdout();
  W_DEBUG("%s", message.c_str());
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::string(GetParam().written, 'm') + "\n", out);
}

INSTANTIATE_TEST_SUITE_P(TraceLog, DebugMessageLength,
                         ::testing::Values(LengthCase{0, 0}, LengthCase{1, 1},
                                           LengthCase{2046, 2046}, LengthCase{2047, 2047},
                                           LengthCase{2048, 2047}, LengthCase{5000, 2047}),
                         [](const ::testing::TestParamInfo<LengthCase>& info) {
                           return "length_" + std::to_string(info.param.length);
                         });

TEST(TraceLog, LevelsReachTheirDestinationsAndLongMessagesAreCut) {
  expectInFreshProcess({{"config/tracelog.properties", kFileProperties}}, []() -> std::string {
    testing::internal::CaptureStdout();
    W_INFO("info %d", 1);
    W_DEBUG("debug %s", "text");
    W_WARN("warn");
    W_ERROR("error %c", 'e');
    W_FATAL("fatal");
    getTraceLog()->printTrace(static_cast<LOG_LEVEL>(7), "out of range level");
    getTraceLog()->printTrace(static_cast<LOG_LEVEL>(-1), "negative level");
    W_INFO("%s", std::string(2047, 'a').c_str());
    W_INFO("%s", std::string(2048, 'b').c_str());
    const std::string out = testing::internal::GetCapturedStdout();
    if (out.find("debug text\n") == std::string::npos) return "debug text not on stdout: " + out;
    const std::string expected = "INFO log4cplus started.\nINFO info 1\nWARN warn\n"
                                 "ERROR error e\nFATAL fatal\nINFO " +
                                 std::string(2047, 'a') + "\nINFO " + std::string(2047, 'b') +
                                 "\n";
    const std::string file = readFile("trace.log");
    if (file != expected) return "log file differs:\n" + file;
    return "";
  });
}

TEST(TraceLog, MissingPropertiesFileBreaksNothing) {
  expectInFreshProcess({}, []() -> std::string {
    testing::internal::CaptureStdout();
    W_INFO("info");
    W_WARN("warn");
    W_ERROR("error");
    W_FATAL("fatal");
    W_DEBUG("still printed");
    const bool secondInit = getTraceLog()->initTraceLog("./config/not-there.properties");
    const std::string out = testing::internal::GetCapturedStdout();
    if (out.find("still printed\n") == std::string::npos) return "debug text missing: " + out;
    if (!secondInit) return "initTraceLog failed on a missing file";
    if (access("log", F_OK) == 0) return "a log folder appeared without configuration";
    return "";
  });
}

TEST(TraceLog, ConcurrentFirstMessagesConfigureOneLogger) {
  expectInFreshProcess({{"config/tracelog.properties", kFileProperties}}, []() -> std::string {
    constexpr int kThreads = 8;
    constexpr int kMessages = 25;
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([t, &ready] {
        ready.fetch_add(1);
        while (ready.load() < kThreads) {
          std::this_thread::yield();
        }
        for (int i = 0; i < kMessages; ++i) {
          W_INFO("thread %d message %d", t, i);
        }
      });
    }
    for (auto& th : threads) th.join();
    const std::string file = readFile("trace.log");
    if (countOccurrences(file, "log4cplus started.") != 1) return "logger configured twice:\n" + file;
    std::istringstream lines(file);
    std::string line;
    int messageLines = 0;
    const std::regex shape("INFO (log4cplus started\\.|thread [0-9] message [0-9]+)");
    while (std::getline(lines, line)) {
      if (!std::regex_match(line, shape)) return "garbled line: " + line;
      if (line != "INFO log4cplus started.") ++messageLines;
    }
    if (messageLines != kThreads * kMessages) {
      return "expected " + std::to_string(kThreads * kMessages) + " messages, got " +
             std::to_string(messageLines);
    }
    return "";
  });
}

// The shipped default: a rolling file under ./log/ with time, level and
// thread, and only errors on standard error.
TEST(TraceLog, ShippedPropertiesWriteLogFolderAndErrorsToStderr) {
  const std::string shipped = readFile(RSKAVI_SOURCE_DIR "/config/tracelog.properties");
  ASSERT_FALSE(shipped.empty());
  expectInFreshProcess({{"config/tracelog.properties", shipped}}, []() -> std::string {
    const int saved = dup(2);
    const int errFile = open("stderr.txt", O_CREAT | O_TRUNC | O_WRONLY, 0600);
    dup2(errFile, 2);
    W_INFO("an info line");
    W_WARN("a warning line");
    W_ERROR("an error line");
    dup2(saved, 2);
    close(errFile);
    close(saved);
    const std::string log = readFile("log/rskavi.log");
    const std::regex infoLine(
        "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} INFO +\\[[0-9]+\\] "
        "an info line\n");
    if (!std::regex_search(log, infoLine)) return "no well-formed info line in:\n" + log;
    if (log.find("an error line") == std::string::npos) return "error line not in the file";
    const std::string err = readFile("stderr.txt");
    if (err.find("an error line") == std::string::npos) return "error not on stderr: " + err;
    if (err.find("an info line") != std::string::npos ||
        err.find("a warning line") != std::string::npos) {
      return "below-error messages on stderr: " + err;
    }
    return "";
  });
}

TEST(TraceLog, SysUsecTimeIsLocalTimeWithMilliseconds) {
  const time_t before = time(nullptr);
  const std::string text = sysUsecTime();
  const time_t after = time(nullptr);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      text, m,
      std::regex("([0-9]{4})-([0-9]{2})-([0-9]{2}) ([0-9]{2}):([0-9]{2}):([0-9]{2})\\.[0-9]{3}")))
      << text;
  struct tm local;
  localtime_r(&before, &local);
  struct tm localAfter;
  localtime_r(&after, &localAfter);
  EXPECT_EQ(local.tm_year + 1900, std::stoi(m[1]));
  EXPECT_TRUE(std::stoi(m[6]) == local.tm_sec || std::stoi(m[6]) == localAfter.tm_sec) << text;
}

}  // namespace
