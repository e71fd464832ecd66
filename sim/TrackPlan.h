// Track move: a chain of segments (joint moves or lines) through a waypoint
// list, played one after the other. Blends are approximated by stopping at
// each waypoint.
#ifndef KAVISIM_TRACK_PLAN_H
#define KAVISIM_TRACK_PLAN_H

#include <memory>
#include <vector>

#include "MotionPlan.h"

namespace kavisim {

class TrackPlan : public MotionPlan {
 public:
  void append(std::unique_ptr<MotionPlan> segment);
  bool empty() const { return m_segments.empty(); }

  double duration() const override { return m_total; }
  bool sample(double t, double q[6]) override;
  double stopAccel() const override;

 private:
  std::vector<std::unique_ptr<MotionPlan>> m_segments;
  std::vector<double> m_starts;
  double m_total = 0;
  size_t m_current = 0;
};

}  // namespace kavisim

#endif
