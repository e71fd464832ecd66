// Synchronised trapezoidal joint move.
#include "JointPlan.h"

#include <algorithm>

namespace kavisim {

JointPlan::JointPlan(const double from[6], const double to[6], const double vmax[6],
                     const double amax[6]) {
  m_total = 0;
  for (int j = 0; j < 6; ++j) {
    m_from[j] = from[j];
    m_total = std::max(m_total, TrapezoidProfile::minTime(to[j] - from[j], vmax[j], amax[j]));
  }
  m_minAccel = amax[0];
  for (int j = 0; j < 6; ++j) {
    // Slower joints stretch their profile to the leading joint's time.
    m_profile[j] = TrapezoidProfile::fit(to[j] - from[j], amax[j], m_total);
    m_minAccel = std::min(m_minAccel, amax[j]);
  }
}

bool JointPlan::sample(double t, double q[6]) {
  for (int j = 0; j < 6; ++j) q[j] = m_from[j] + m_profile[j].position(t);
  return true;
}

}  // namespace kavisim
