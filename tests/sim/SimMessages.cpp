// Request messages the simulator tests send.
#include "SimMessages.h"

namespace simtest {

namespace pbc = kavi::robot::common;
namespace mc = kavi::robot::movecondition;

pbc::RobotMoveProfile profile(int moveMode, double velc, double acc) {
  pbc::RobotMoveProfile p;
  p.set_movemode(static_cast<mc::move_mode>(moveMode));
  p.set_submovemode(mc::NO_TRACK);
  p.set_teachmode(mc::NO_TEACH);
  p.set_enableiterik(false);
  p.set_tooltrack(false);
  p.mutable_toolinendposition()->set_x(0);
  p.mutable_toolinendposition()->set_y(0);
  p.mutable_toolinendposition()->set_z(0);
  auto* o = p.mutable_toolinendorientation();
  o->set_w(1);
  o->set_x(0);
  o->set_y(0);
  o->set_z(0);
  auto* rel = p.mutable_relativemove();
  rel->set_ena(false);
  rel->mutable_relativeorientation();
  for (int j = 0; j < 6; ++j) {
    p.mutable_maxvelc()->add_jointpara(velc);
    p.mutable_maxacc()->add_jointpara(acc);
  }
  p.set_blendradius(0.02f);
  p.set_circularlooptimes(0);
  p.mutable_arrivalahead()->set_arrivalaheadstat(0);
  p.mutable_arrivalahead()->set_arrivalaheadthr(0);
  return p;
}

pbc::ProtoRoadPoint waypoint(const double q[6], const double p[3], const double o[4]) {
  pbc::ProtoRoadPoint wp;
  auto* pos = wp.mutable_cartpos()->add_position();
  pos->set_x(p[0]);
  pos->set_y(p[1]);
  pos->set_z(p[2]);
  for (int i = 0; i < 3; ++i) wp.mutable_cartpos()->add_positionvector(p[i]);
  wp.mutable_orientation()->set_w(o[0]);
  wp.mutable_orientation()->set_x(o[1]);
  wp.mutable_orientation()->set_y(o[2]);
  wp.mutable_orientation()->set_z(o[3]);
  for (int j = 0; j < 6; ++j) wp.add_jointpos(q[j]);
  return wp;
}

pbc::RobotMove jointMove(const double target[6], double velc, double acc) {
  pbc::RobotMove m;
  *m.mutable_move_profile() = profile(mc::MODEJ, velc, acc);
  const double p[3] = {0, 0, 0}, o[4] = {1, 0, 0, 0};
  *m.add_roadpointvector() = waypoint(target, p, o);
  return m;
}

pbc::RobotMove lineMove(const double p[3], const double o[4], double velc, double acc) {
  pbc::RobotMove m;
  *m.mutable_move_profile() = profile(mc::MODEL, velc, acc);
  const double q[6] = {0, 0, 0, 0, 0, 0};
  *m.add_roadpointvector() = waypoint(q, p, o);
  return m;
}

kavi::robot::communication::ProtoCommunicationGeneralData generalData(int value) {
  kavi::robot::communication::ProtoCommunicationGeneralData g;
  g.set_type(1);
  g.add_property1(value);
  return g;
}

}  // namespace simtest
