// Chain of motion segments.
#include "TrackPlan.h"

namespace kavisim {

void TrackPlan::append(std::unique_ptr<MotionPlan> segment) {
  m_starts.push_back(m_total);
  m_total += segment->duration();
  m_segments.push_back(std::move(segment));
}

bool TrackPlan::sample(double t, double q[6]) {
  if (m_segments.empty()) return false;
  size_t i = 0;
  while (i + 1 < m_segments.size() && t >= m_starts[i + 1]) ++i;
  m_current = i;
  return m_segments[i]->sample(t - m_starts[i], q);
}

double TrackPlan::stopAccel() const {
  return m_segments.empty() ? 1.5 : m_segments[m_current]->stopAccel();
}

}  // namespace kavisim
