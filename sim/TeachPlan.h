// Teach (jog) motion: one joint, or the flange along or about a base axis,
// at a constant teach speed until stopped or until the workspace ends.
#ifndef KAVISIM_TEACH_PLAN_H
#define KAVISIM_TEACH_PLAN_H

#include "MotionPlan.h"
#include "SimKinematics.h"

namespace kavisim {

class TeachPlan : public MotionPlan {
 public:
  // mode: 1..6 joint, 7..9 move along x/y/z, 10..12 rotate about x/y/z.
  // speed: [rad/s] for joints and rotations, [m/s] for translations.
  TeachPlan(const double from[6], int mode, bool positive, double speed);

  double duration() const override { return kForever; }
  bool sample(double t, double q[6]) override;

 private:
  double m_from[6];
  double m_last[6];
  SimPose m_start;
  int m_mode;
  double m_speed;  // signed
};

}  // namespace kavisim

#endif
