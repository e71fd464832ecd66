// Teach (jog) motion at constant speed.
#include "TeachPlan.h"

#include <cmath>

namespace kavisim {

namespace {
constexpr double kJointLimit = 2 * 3.14159265358979323846;
}

TeachPlan::TeachPlan(const double from[6], int mode, bool positive, double speed)
    : m_mode(mode), m_speed(positive ? speed : -speed) {
  for (int j = 0; j < 6; ++j) m_from[j] = m_last[j] = from[j];
  m_start = SimKinematics::fk(from);
}

bool TeachPlan::sample(double t, double q[6]) {
  for (int j = 0; j < 6; ++j) q[j] = m_last[j];
  if (m_mode >= 1 && m_mode <= 6) {
    int j = m_mode - 1;
    double a = m_from[j] + m_speed * t;
    if (std::fabs(a) > kJointLimit) return false;
    q[j] = a;
  } else if (m_mode >= 7 && m_mode <= 12) {
    SimPose pose = m_start;
    int axis = (m_mode - 7) % 3;
    if (m_mode <= 9) {
      pose.p[axis] += m_speed * t;
    } else {
      double half = 0.5 * m_speed * t;
      double dq[4] = {std::cos(half), 0, 0, 0};
      dq[1 + axis] = std::sin(half);
      SimKinematics::quatMul(dq, m_start.q, pose.q);
    }
    double next[6];
    if (!SimKinematics::ik(pose, m_last, next)) return false;
    for (int j = 0; j < 6; ++j) {
      if (std::fabs(next[j] - m_last[j]) > 0.2) return false;  // a singular flip
      q[j] = next[j];
    }
  } else {
    return false;
  }
  for (int j = 0; j < 6; ++j) m_last[j] = q[j];
  return true;
}

}  // namespace kavisim
