// The library's trace log: five printf-style writers over one process-wide
// log4cplus logger configured from "./config/tracelog.properties".
#ifndef RSKAVI_ROBOT_TRACE_LOG_H
#define RSKAVI_ROBOT_TRACE_LOG_H

#include <string>

#include <log4cplus/logger.h>

namespace kavi_robot_logtrace {

// Each writer formats at most 2047 characters and hands the text to the
// trace log; none of them reports failure.
void W_INFO(const char* format, ...) __attribute__((format(printf, 1, 2)));
void W_DEBUG(const char* format, ...) __attribute__((format(printf, 1, 2)));
void W_WARN(const char* format, ...) __attribute__((format(printf, 1, 2)));
void W_ERROR(const char* format, ...) __attribute__((format(printf, 1, 2)));
void W_FATAL(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kavi_robot_logtrace

// Current local wall-clock time as text with milliseconds.
std::string sysUsecTime();

// Levels the writers pass to printTrace. The numbering is not a severity
// order: debug sits between info and warn.
enum LOG_LEVEL : int {
  LL_INFO = 0,
  LL_DEBUG = 1,
  LL_WARN = 2,
  LL_ERROR = 3,
  LL_FATAL = 4
};

// Owns the logger "daxrobottrace". The only instance is the one getTraceLog()
// returns; it reads the properties file once, when it is created.
class RobotTraceLog {
 public:
  // Configures the logger from "./config/tracelog.properties" (relative to the
  // working directory at that moment); a missing file leaves it without
  // appenders and is not an error.
  RobotTraceLog();
  ~RobotTraceLog();

  RobotTraceLog(const RobotTraceLog&) = delete;
  RobotTraceLog& operator=(const RobotTraceLog&) = delete;

  // Starts log4cplus and configures it from doConfig. Returns false only if the
  // logging library threw.
  bool initTraceLog(const char* doConfig);

  // Routes one finished message: LL_DEBUG to standard output, the other four
  // levels to the logger, any other value nowhere.
  void printTrace(LOG_LEVEL level, const char* buf);

 private:
  log4cplus::Logger m_traceLogger;
};

// The process-wide trace log, created (and configured) on the first call.
RobotTraceLog* getTraceLog();

#endif
