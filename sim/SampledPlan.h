// A motion given as joint samples at a fixed period, played back with linear
// interpolation: Cartesian lines (joints precomputed by inverse kinematics),
// offline tracks and excitation trajectories.
#ifndef KAVISIM_SAMPLED_PLAN_H
#define KAVISIM_SAMPLED_PLAN_H

#include <array>
#include <vector>

#include "MotionPlan.h"

namespace kavisim {

using JointSample = std::array<double, 6>;

class SampledPlan : public MotionPlan {
 public:
  // period [s] > 0 between consecutive samples; at least one sample.
  SampledPlan(double period, std::vector<JointSample> samples, double stopAccel = 1.5);

  double duration() const override;
  bool sample(double t, double q[6]) override;
  double stopAccel() const override { return m_stopAccel; }

 private:
  double m_period;
  std::vector<JointSample> m_samples;
  double m_stopAccel;
};

}  // namespace kavisim

#endif
