// Rest-to-rest trapezoidal profile shared by the planners.
#include "MotionPlan.h"

#include <cmath>

namespace kavisim {

double TrapezoidProfile::minTime(double d, double vmax, double amax) {
  d = std::fabs(d);
  if (d == 0) return 0;
  // Triangular when the cruise speed is never reached.
  if (vmax * vmax / amax >= d) return 2 * std::sqrt(d / amax);
  return d / vmax + vmax / amax;
}

TrapezoidProfile TrapezoidProfile::fit(double d, double amax, double time) {
  TrapezoidProfile p;
  p.distance = d;
  p.total = time;
  double ad = std::fabs(d);
  if (ad == 0 || time <= 0) return p;
  // Cruise speed v with v * (T - v / a) = |d|; the smaller root keeps v <= a T / 2.
  double disc = amax * amax * time * time - 4 * amax * ad;
  if (disc < 0) disc = 0;
  p.velocity = (amax * time - std::sqrt(disc)) / 2;
  p.accel = amax;
  p.rampTime = p.velocity / amax;
  return p;
}

double TrapezoidProfile::position(double t) const {
  if (total <= 0) return distance;
  if (t <= 0) return 0;
  if (t >= total) return distance;
  double s;
  double ad = std::fabs(distance);
  if (t < rampTime)
    s = 0.5 * accel * t * t;
  else if (t < total - rampTime)
    s = 0.5 * accel * rampTime * rampTime + velocity * (t - rampTime);
  else {
    double r = total - t;
    s = ad - 0.5 * accel * r * r;
  }
  return distance < 0 ? -s : s;
}

}  // namespace kavisim
