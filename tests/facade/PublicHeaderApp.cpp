// An application that sees only src/interface: it must compile with
// -I src/interface alone and link against librskavi.
#include "ServiceInterface.h"

int main() {
  ServiceInterface robot;
  kavi_robot_namespace::wayPoint_S w;
  ServiceInterface::initWayPointDataType(w);
  bool connected = true;
  robot.robotServiceGetConnectStatus(connected);
  return connected ? 1 : 0;
}
