// Embedded simulated controller for tests.
#include "SimFixture.h"

void SimFixture::SetUp() { restart(); }

void SimFixture::TearDown() {
  if (m_sim) m_sim->stop();
  m_sim.reset();
}

void SimFixture::restart() {
  if (m_sim) m_sim->stop();
  m_sim.reset();
  kavisim::SimConfig config;
  config.port = 0;
  config.startupSeconds = 0.05;
  config.shutdownSeconds = 0.02;
  config.excitationSeconds = 0.2;
  configure(config);
  m_sim = std::make_unique<kavisim::SimServer>(config);
  std::string error;
  ASSERT_TRUE(m_sim->start(&error)) << "simulator did not start: " << error;
}
