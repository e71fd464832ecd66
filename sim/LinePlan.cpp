// Cartesian line planner.
#include "LinePlan.h"

#include <algorithm>
#include <cmath>

namespace kavisim {

namespace {
constexpr double kGridStep = 0.005;   // [s] between precomputed joint samples
constexpr double kMaxJointJump = 0.35;  // [rad] per sample: more means a singular flip
constexpr double kMaxDuration = 600;  // [s]
}  // namespace

std::unique_ptr<MotionPlan> LinePlan::build(const double from[6], const SimPose& target,
                                            const LineLimits& limits, const double* toolInFlange,
                                            const char** reason) {
  const char* dummy;
  if (!reason) reason = &dummy;
  if (!(limits.lineVelc > 0 && limits.lineAcc > 0 && limits.angleVelc > 0 && limits.angleAcc > 0)) {
    *reason = "line limits must be positive";
    return nullptr;
  }
  double tool[3] = {0, 0, 0};
  if (toolInFlange)
    for (int i = 0; i < 3; ++i) tool[i] = toolInFlange[i];
  SimPose start = SimKinematics::fk(from);
  double off0[3], off1[3], tip0[3], tip1[3];
  SimKinematics::rotate(start.q, tool, off0);
  SimKinematics::rotate(target.q, tool, off1);
  double length = 0;
  for (int i = 0; i < 3; ++i) {
    tip0[i] = start.p[i] + off0[i];
    tip1[i] = target.p[i] + off1[i];
    length += (tip1[i] - tip0[i]) * (tip1[i] - tip0[i]);
  }
  length = std::sqrt(length);
  double angle = SimKinematics::angleBetween(start.q, target.q);
  double tLin = TrapezoidProfile::minTime(length, limits.lineVelc, limits.lineAcc);
  double tAng = TrapezoidProfile::minTime(angle, limits.angleVelc, limits.angleAcc);
  double total = std::max(tLin, tAng);
  if (total > kMaxDuration) {
    *reason = "line move too long";
    return nullptr;
  }
  double endJoints[6];
  if (!SimKinematics::ik(target, from, endJoints)) {
    *reason = "target out of reach";
    return nullptr;
  }
  std::vector<JointSample> samples;
  JointSample prev;
  for (int j = 0; j < 6; ++j) prev[j] = from[j];
  samples.push_back(prev);
  if (total <= 0) return std::make_unique<SampledPlan>(kGridStep, samples);

  // Normalised path parameter s in 0..1 on the limiting of the two profiles.
  double sAccel = tLin >= tAng ? limits.lineAcc / length : limits.angleAcc / angle;
  TrapezoidProfile profile = TrapezoidProfile::fit(1.0, sAccel, total);
  size_t steps = static_cast<size_t>(std::ceil(total / kGridStep));
  double period = total / static_cast<double>(steps);
  samples.reserve(steps + 1);
  for (size_t k = 1; k <= steps; ++k) {
    double s = profile.position(period * static_cast<double>(k));
    SimPose pose;
    SimKinematics::slerp(start.q, target.q, s, pose.q);
    double off[3];
    SimKinematics::rotate(pose.q, tool, off);
    for (int i = 0; i < 3; ++i) pose.p[i] = tip0[i] + s * (tip1[i] - tip0[i]) - off[i];
    JointSample next;
    if (!SimKinematics::ik(pose, prev.data(), next.data())) {
      *reason = "a point of the line is out of reach";
      return nullptr;
    }
    for (int j = 0; j < 6; ++j) {
      if (std::fabs(next[j] - prev[j]) > kMaxJointJump) {
        *reason = "the line passes a singularity";
        return nullptr;
      }
    }
    samples.push_back(next);
    prev = next;
  }
  return std::make_unique<SampledPlan>(period, std::move(samples), 1.5);
}

}  // namespace kavisim
