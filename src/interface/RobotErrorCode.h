// Result codes of every facade and service operation.
#ifndef RSKAVI_ROBOT_ERROR_CODE_H
#define RSKAVI_ROBOT_ERROR_CODE_H

namespace kavi_robot_namespace {

enum RobotErrorCode {
  ErrnoSucc = 0,
  ErrCode_Base = 10000,
  ErrCode_Failed = 10001,
  ErrCode_ParamError = 10002,
  ErrCode_ConnectSocketFailed = 10003,
  ErrCode_SocketDisconnect = 10004,
  ErrCode_CreateRequestFailed = 10005,
  ErrCode_RequestRelatedVariableError = 10006,
  ErrCode_RequestTimeout = 10007,
  ErrCode_SendRequestFailed = 10008,
  ErrCode_ResponseInfoIsNULL = 10009,
  ErrCode_ResolveResponseFailed = 10010,
  ErrCode_FkFailed = 10011,
  ErrCode_IkFailed = 10012,
  ErrCode_ToolCalibrateError = 10013,
  ErrCode_ToolCalibrateParamError = 10014,
  ErrCode_CoordinateSystemCalibrateError = 10015,
  ErrCode_BaseToUserConvertFailed = 10016,
  ErrCode_UserToBaseConvertFailed = 10017,
  ErrCode_MotionRelatedVariableError = 10018,
  ErrCode_MotionRequestFailed = 10019,
  ErrCode_CreateMotionRequestFailed = 10020,
  ErrCode_MotionInterruptedByEvent = 10021,
  ErrCode_MotionWaypointVetorSizeError = 10022,
  ErrCode_ResponseReturnError = 10023,
  ErrCode_RealRobotNoExist = 10024,
  ErrCode_moveControlSlowStopFailed = 10025,
  ErrCode_moveControlFastStopFailed = 10026,
  ErrCode_moveControlPauseFailed = 10027,
  ErrCode_moveControlContinueFailed = 10028,
  // Kept at its historical value: it is not the number of codes.
  ErrCode_Count = 26
};

}  // namespace kavi_robot_namespace

#endif
