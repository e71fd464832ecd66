// Faults the simulated controller injects on request.
#include "FaultPlan.h"

namespace kavisim {

void FaultPlan::set(int commandType, const CommandFault& fault) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_faults[commandType] = fault;
}

void FaultPlan::clear(int commandType) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_faults.erase(commandType);
}

void FaultPlan::clearAll() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_faults.clear();
  m_startupResult = 2;
  m_closeMidMove = false;
}

bool FaultPlan::take(int commandType, CommandFault& fault) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_faults.find(commandType);
  if (it == m_faults.end()) return false;
  fault = it->second;
  if (it->second.remaining > 0 && --it->second.remaining == 0) m_faults.erase(it);
  return true;
}

void FaultPlan::setStartupResult(int code) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_startupResult = code;
}

int FaultPlan::startupResult() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_startupResult;
}

void FaultPlan::armCloseMidMove(bool armed) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_closeMidMove = armed;
}

bool FaultPlan::takeCloseMidMove() {
  std::lock_guard<std::mutex> lock(m_mutex);
  bool armed = m_closeMidMove;
  m_closeMidMove = false;
  return armed;
}

bool FaultPlan::closeMidMoveArmed() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_closeMidMove;
}

}  // namespace kavisim
