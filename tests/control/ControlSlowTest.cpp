// Lifecycle waits that end only at their full time-out.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"

using namespace ctl_test;
using namespace kavi_robot_namespace;

namespace {

TEST(ControlSlow, BlockingShutdownWithoutItsEventFailsAfterThirtySeconds) {
  RulePeer peer;
  peer.answerLogin(RobotDhPara{0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094});
  RobotControlServices svc;
  ASSERT_EQ(ErrnoSucc, loginAt(svc, peer));
  LogCapture log;
  const auto start = Clock::now();
  EXPECT_EQ(ErrCode_Failed, svc.robotShutdownService(true));
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 30s);
  EXPECT_LT(elapsed, 32s);
  EXPECT_TRUE(log.contains("sdk log: Wait shutDown Done signal timeout."));
  // The connection is still usable afterwards.
  EXPECT_EQ(ErrnoSucc, svc.collisionRecover());
  svc.logoutService();
}

}  // namespace
