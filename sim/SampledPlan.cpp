// Joint samples at a fixed period, linearly interpolated.
#include "SampledPlan.h"

#include <cmath>

namespace kavisim {

SampledPlan::SampledPlan(double period, std::vector<JointSample> samples, double stopAccel)
    : m_period(period > 0 ? period : 0.001), m_samples(std::move(samples)), m_stopAccel(stopAccel) {
  if (m_samples.empty()) m_samples.push_back(JointSample{});
}

double SampledPlan::duration() const { return m_period * static_cast<double>(m_samples.size() - 1); }

bool SampledPlan::sample(double t, double q[6]) {
  double x = t / m_period;
  if (!(x > 0)) x = 0;
  size_t last = m_samples.size() - 1;
  size_t i = static_cast<size_t>(std::floor(x));
  if (i >= last) {
    for (int j = 0; j < 6; ++j) q[j] = m_samples[last][j];
    return true;
  }
  double f = x - static_cast<double>(i);
  for (int j = 0; j < 6; ++j) q[j] = m_samples[i][j] + f * (m_samples[i + 1][j] - m_samples[i][j]);
  return true;
}

}  // namespace kavisim
