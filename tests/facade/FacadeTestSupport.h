// Shared pieces of the facade tests: logging a facade in to a fake
// controller, bounded waits, and restoring the process-wide move profile.
#ifndef RSKAVI_TEST_FACADE_TEST_SUPPORT_H
#define RSKAVI_TEST_FACADE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "FakeController.h"
#include "ServiceInterface.h"

namespace rskavi_test {

// Logs robot in to controller (the peer accepts while the login waits).
inline int loginTo(ServiceInterface& robot, FakeController& controller) {
  auto login = std::async(std::launch::async, [&] {
    return robot.robotServiceLogin("127.0.0.1", controller.port(), "kavi", "123456");
  });
  EXPECT_TRUE(controller.peer().waitForClient());
  return login.get();
}

// Polls pred until it holds or the deadline passes.
inline bool eventually(const std::function<bool()>& pred,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return pred();
}

// The move profile is process-wide: every test that changes it starts and
// ends with the defaults (tool included).
inline void restoreDefaultProfile(ServiceInterface& robot) {
  robot.robotServiceInitGlobalMoveProfile();
  robot.robotServiceSetNoneToolKinematicsParam();
}

// A facade logged in to its own fake controller, default profile around it.
class FacadeWithController : public ::testing::Test {
 protected:
  void SetUp() override {
    restoreDefaultProfile(robot);
    ASSERT_EQ(loginTo(robot, controller), 0);
  }
  void TearDown() override { restoreDefaultProfile(robot); }

  FakeController controller;
  ServiceInterface robot;
};

}  // namespace rskavi_test

#endif
