// Fresh-process test runner on top of GoogleTest's re-executing death tests.
#include "FreshProcess.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "TempWorkDir.h"

namespace rskavi_test {

namespace {

[[noreturn]] void runChild(const std::map<std::string, std::string>& files,
                           const std::function<std::string()>& body) {
  std::string failure;
  {
    TempWorkDir dir(files);
    failure = body();
  }
  if (!failure.empty()) {
    std::fprintf(stderr, "fresh-process check failed: %s\n", failure.c_str());
  }
  std::fflush(stdout);
  std::fflush(stderr);
  // Skip static destructors: the child has done its job.
  std::_Exit(failure.empty() ? 0 : 1);
}

}  // namespace

void expectInFreshProcess(const std::map<std::string, std::string>& files,
                          const std::function<std::string()>& body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(runChild(files, body), ::testing::ExitedWithCode(0), "");
}

}  // namespace rskavi_test
