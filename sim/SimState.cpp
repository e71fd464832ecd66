// Stores of the simulated controller, and the conveyor belt model.
#include "SimState.h"

#include <cmath>

#include "RobotEventTypes.h"

namespace kavisim {

namespace {
constexpr double kCatchupTime = 0.2;  // [s] the arm needs to match the belt
}

SimStateData::SimStateData() {
  for (auto* p : {tcpParam.mutable_paramautorun(), tcpParam.mutable_parammanual()}) {
    p->set_positionx(0);
    p->set_positiony(0);
    p->set_positionz(0);
    p->set_payload(0);
  }
  toolDynamics.set_positionx(0);
  toolDynamics.set_positiony(0);
  toolDynamics.set_positionz(0);
  toolDynamics.set_payload(0);
  auto* inertia = toolDynamics.mutable_toolinertia();
  inertia->set_xx(0);
  inertia->set_xy(0);
  inertia->set_xz(0);
  inertia->set_yy(0);
  inertia->set_yz(0);
  inertia->set_zz(0);
  for (auto* t : {&robotTool, &conveyor.cameraCalib}) {
    auto* p = t->mutable_toolposition();
    p->set_x(0);
    p->set_y(0);
    p->set_z(0);
    auto* o = t->mutable_toolori();
    o->set_w(1);
    o->set_x(0);
    o->set_y(0);
    o->set_z(0);
  }
  for (int i = 0; i < 6; ++i) safetyConfig.add_robotreducedconfigjointspeed(180);
  safetyConfig.set_robotreducedconfigtcpspeed(1500);
  safetyConfig.set_robotreducedconfigtcpforce(150);
  safetyConfig.set_robotreducedconfigmomentum(25);
  safetyConfig.set_robotreducedconfigpower(300);
  safetyConfig.set_robotsafeguradresetconfig(0);
  safetyConfig.set_robotoperationalmodeconfig(0);
  orpeStatus.set_orpepause(0);
  orpeStatus.set_orpestop(0);
  orpeStatus.set_systememergencystop(0);
  orpeStatus.set_reducedmodeerror(0);
  orpeStatus.set_safetyguardresetsucc(0);
  jointOffset.set_joint1(0);
  jointOffset.set_joint2(0);
  jointOffset.set_joint3(0);
  jointOffset.set_joint4(0);
  jointOffset.set_joint5(0);
  jointOffset.set_joint6(0);
}

void SimState::advanceConveyor(double dt, std::vector<SimEvent>& events) {
  std::lock_guard<std::mutex> lock(m_mutex);
  ConveyorState& c = m_data.conveyor;
  if (!c.running) return;
  c.encoder += c.direction * c.velocity * c.encoderPerMeter * dt;
  if (!c.trackingEnabled || c.encoderPerMeter == 0) return;
  for (ConveyorObject& o : c.objects) {
    if (o.done) continue;
    double travelled = std::fabs((c.encoder - o.timestamp) / c.encoderPerMeter);
    if (!o.started) {
      if (travelled >= c.startWindowUpstream) {
        o.started = true;
        o.catchupIn = c.systemDelay + kCatchupTime;
        events.push_back({kavi_robot_namespace::RobotEvent_ConveyorTrackRobotStartup, 0,
                          "conveyor track: robot starts following the object"});
      }
    } else {
      o.catchupIn -= dt;
      if (o.catchupIn <= 0) {
        o.done = true;
        events.push_back({kavi_robot_namespace::RobotEvent_ConveyorTrackRobotCatchup, 0,
                          "conveyor track: robot caught up with the object"});
      }
    }
  }
}

}  // namespace kavisim
