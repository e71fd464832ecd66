// Cartesian line move: the flange (or, with a tool, the tool tip) moves on a
// straight line with a trapezoidal speed profile within the end limits, the
// orientation turns by slerp, and the joints follow by inverse kinematics
// with the previous joints as reference.
#ifndef KAVISIM_LINE_PLAN_H
#define KAVISIM_LINE_PLAN_H

#include <memory>

#include "SampledPlan.h"
#include "SimKinematics.h"

namespace kavisim {

struct LineLimits {
  double lineVelc = 0.03;  // [m/s]
  double lineAcc = 0.03;   // [m/s^2]
  double angleVelc = 1.7;  // [rad/s]
  double angleAcc = 1.7;   // [rad/s^2]
};

class LinePlan {
 public:
  // Plans the line from the joints `from` to the flange pose `target`.
  // `toolInFlange` is the tool tip in the flange frame (null: plan the flange).
  // Returns null when a point of the line has no inverse solution or the
  // joints would jump (a singularity); `reason` then says why.
  static std::unique_ptr<MotionPlan> build(const double from[6], const SimPose& target,
                                           const LineLimits& limits, const double* toolInFlange,
                                           const char** reason);
};

}  // namespace kavisim

#endif
