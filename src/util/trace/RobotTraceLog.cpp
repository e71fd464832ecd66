// Trace-log writers and the log4cplus-backed RobotTraceLog behind them.
#include "RobotTraceLog.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <log4cplus/configurator.h>
#include <log4cplus/helpers/loglog.h>
#include <log4cplus/initializer.h>
#include <log4cplus/loggingmacros.h>

namespace {

constexpr const char* kTraceConfigFile = "./config/tracelog.properties";
constexpr const char* kLoggerName = "daxrobottrace";

// The writers' buffer: one byte more than the formatting limit so the text is
// always terminated, whatever vsnprintf does.
constexpr size_t kMessageBufferSize = 2049;
constexpr size_t kMessageFormatLimit = 2048;

void writeTrace(LOG_LEVEL level, const char* format, va_list args) {
  char buffer[kMessageBufferSize];
  std::memset(buffer, 0, sizeof(buffer));
  vsnprintf(buffer, kMessageFormatLimit, format, args);
  getTraceLog()->printTrace(level, buffer);
}

}  // namespace

namespace kavi_robot_logtrace {

#define RSKAVI_DEFINE_TRACE_WRITER(name, level) \
  void name(const char* format, ...) {          \
    va_list args;                               \
    va_start(args, format);                     \
    writeTrace(level, format, args);            \
    va_end(args);                               \
  }

RSKAVI_DEFINE_TRACE_WRITER(W_INFO, LL_INFO)
RSKAVI_DEFINE_TRACE_WRITER(W_DEBUG, LL_DEBUG)
RSKAVI_DEFINE_TRACE_WRITER(W_WARN, LL_WARN)
RSKAVI_DEFINE_TRACE_WRITER(W_ERROR, LL_ERROR)
RSKAVI_DEFINE_TRACE_WRITER(W_FATAL, LL_FATAL)

#undef RSKAVI_DEFINE_TRACE_WRITER

}  // namespace kavi_robot_logtrace

std::string sysUsecTime() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  time_t seconds = tv.tv_sec;
  struct tm local;
  // Per-call result: concurrent callers do not share localtime's static.
  localtime_r(&seconds, &local);
  char text[64];
  snprintf(text, sizeof(text), "%d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
           local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
           static_cast<int>(tv.tv_usec / 1000));
  return std::string(text);
}

RobotTraceLog::RobotTraceLog() { initTraceLog(kTraceConfigFile); }

RobotTraceLog::~RobotTraceLog() {}

bool RobotTraceLog::initTraceLog(const char* doConfig) {
  try {
    log4cplus::initialize();
    log4cplus::helpers::LogLog::getLogLog()->setInternalDebugging(true);
    m_traceLogger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT(kLoggerName));
    log4cplus::PropertyConfigurator::doConfigure(LOG4CPLUS_C_STR_TO_TSTRING(doConfig),
                                                 log4cplus::Logger::getDefaultHierarchy(), 0);
    LOG4CPLUS_INFO(m_traceLogger, LOG4CPLUS_TEXT("log4cplus started."));
    return true;
  } catch (...) {
    std::puts("Exception...");
    try {
      LOG4CPLUS_FATAL(m_traceLogger, LOG4CPLUS_TEXT("Exception occured..."));
    } catch (...) {
      // The logger itself is broken; standard output already has the word.
    }
    return false;
  }
}

void RobotTraceLog::printTrace(LOG_LEVEL level, const char* buf) {
  log4cplus::LogLevel target;
  switch (level) {
    case LL_INFO:
      target = log4cplus::INFO_LOG_LEVEL;
      break;
    case LL_DEBUG:
      // Debug text bypasses the logger entirely.
      std::puts(buf);
      return;
    case LL_WARN:
      target = log4cplus::WARN_LOG_LEVEL;
      break;
    case LL_ERROR:
      target = log4cplus::ERROR_LOG_LEVEL;
      break;
    case LL_FATAL:
      target = log4cplus::FATAL_LOG_LEVEL;
      break;
    default:
      return;
  }
  if (m_traceLogger.isEnabledFor(target)) {
    m_traceLogger.forcedLog(target, LOG4CPLUS_C_STR_TO_TSTRING(buf), __FILE__, __LINE__,
                            __PRETTY_FUNCTION__);
  }
}

RobotTraceLog* getTraceLog() {
  // Guarded static initialisation: concurrent first messages construct and
  // configure exactly one logger.
  static RobotTraceLog instance;
  return &instance;
}
