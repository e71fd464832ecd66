// Runs a piece of a test in a freshly started copy of the test program, for
// process-wide state that is set up only once (the trace log reads its
// properties file at the first message).
#ifndef RSKAVI_TEST_FRESH_PROCESS_H
#define RSKAVI_TEST_FRESH_PROCESS_H

#include <functional>
#include <map>
#include <string>

namespace rskavi_test {

// Re-executes the test program (a "threadsafe" death-test child), makes a new
// temporary working directory holding files (see TempWorkDir), and runs body
// there. body returns "" on success or a description of what went wrong;
// the calling test fails with that text (and the child's standard error)
// unless body succeeded.
void expectInFreshProcess(const std::map<std::string, std::string>& files,
                          const std::function<std::string()>& body);

}  // namespace rskavi_test

#endif
