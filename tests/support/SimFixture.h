// GoogleTest fixture that runs an embedded simulated controller (kavisim) on
// a free loopback port inside the test process. The test gets the port, the
// arm, the stores and the fault switches. Start-up is short (50 ms) so tests
// stay fast; override configure() to change the configuration before start.
#ifndef RSKAVI_TESTS_SIM_FIXTURE_H
#define RSKAVI_TESTS_SIM_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>

#include "SimServer.h"

class SimFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Adjust the configuration; port 0 and the short start-up are already set.
  virtual void configure(kavisim::SimConfig& config) { (void)config; }

  int port() const { return m_sim->port(); }
  kavisim::SimServer& sim() { return *m_sim; }
  kavisim::SimArm& arm() { return m_sim->arm(); }
  kavisim::SimState& state() { return m_sim->state(); }
  kavisim::FaultPlan& faults() { return m_sim->faults(); }
  // Stops and starts the simulator again with a fresh configuration.
  void restart();

 private:
  std::unique_ptr<kavisim::SimServer> m_sim;
};

#endif
