// The library's trace log: five printf-style writers over one process-wide
// log4cplus logger configured from "./config/tracelog.properties".
#ifndef RSKAVI_ROBOT_TRACE_LOG_H
#define RSKAVI_ROBOT_TRACE_LOG_H

#include <string>

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

#endif
