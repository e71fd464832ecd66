// Joint move: every joint follows a trapezoidal profile within its speed and
// acceleration limits, synchronised so that all joints start and arrive together.
#ifndef KAVISIM_JOINT_PLAN_H
#define KAVISIM_JOINT_PLAN_H

#include "MotionPlan.h"

namespace kavisim {

class JointPlan : public MotionPlan {
 public:
  // from/to [rad], vmax [rad/s], amax [rad/s^2]; every limit must be > 0.
  JointPlan(const double from[6], const double to[6], const double vmax[6], const double amax[6]);

  double duration() const override { return m_total; }
  bool sample(double t, double q[6]) override;
  double stopAccel() const override { return m_minAccel; }

 private:
  double m_from[6];
  TrapezoidProfile m_profile[6];
  double m_total = 0;
  double m_minAccel = 1.5;
};

}  // namespace kavisim

#endif
