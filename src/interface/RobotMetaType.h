// The public records, enums and callback types of the SDK in one include.
#ifndef RSKAVI_ROBOT_META_TYPE_H
#define RSKAVI_ROBOT_META_TYPE_H

#include "RobotErrorCode.h"
#include "RobotGeometryTypes.h"
#include "RobotStatusTypes.h"
#include "RobotIoTypes.h"
#include "RobotMoveTypes.h"
#include "RobotEventTypes.h"

#endif
