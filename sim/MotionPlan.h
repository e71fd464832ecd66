// A planned motion of the simulated arm: joint angles as a function of the
// plan's own clock. The arm advances the clock by its 1-ms step (scaled down
// to zero when pausing or stopping) and samples the plan.
#ifndef KAVISIM_MOTION_PLAN_H
#define KAVISIM_MOTION_PLAN_H

#include <limits>

namespace kavisim {

// Rest-to-rest trapezoidal profile of one scalar distance.
struct TrapezoidProfile {
  double distance = 0;  // signed
  double velocity = 0;  // cruise speed, >= 0
  double accel = 0;     // >= 0
  double total = 0;     // duration [s]
  double rampTime = 0;  // acceleration (and deceleration) time [s]

  // Shortest time to cover |d| within vmax and amax (both > 0).
  static double minTime(double d, double vmax, double amax);
  // The profile covering d in exactly `time` (>= minTime) with acceleration amax.
  static TrapezoidProfile fit(double d, double amax, double time);
  // Position at time t (clamped to 0..total).
  double position(double t) const;
};

class MotionPlan {
 public:
  static constexpr double kForever = std::numeric_limits<double>::infinity();

  virtual ~MotionPlan() = default;
  // Length of the plan on its own clock [s]; kForever for a teach motion.
  virtual double duration() const = 0;
  // Joint angles [rad] at plan time t; false when the motion cannot go on
  // (a teach motion at the edge of the workspace), q then holds the last pose.
  virtual bool sample(double t, double q[6]) = 0;
  // Deceleration the arm may use to stop this motion [rad/s^2 per joint].
  virtual double stopAccel() const { return 1.5; }
};

}  // namespace kavisim

#endif
