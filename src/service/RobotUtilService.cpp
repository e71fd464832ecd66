// Kinematics service (see RobotUtilService.h).
#include "RobotUtilService.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <sstream>
#include <vector>

#include "Ikfunc.h"
#include "RobotErrorCode.h"
#include "RobotTraceLog.h"

using kavi_robot_namespace::ErrCode_IkFailed;
using kavi_robot_namespace::ErrCode_ParamError;
using kavi_robot_namespace::ErrnoSucc;
using kavi_robot_namespace::RobotDhPara;
using KaviWayPoint = kavi_robot_namespace::wayPoint_S;

// ---- Arm model, forward and inverse kinematics ----

void RobotUtilService::setRobotDhParam(int robotType, const RobotDhPara& robotDhPara) {
  Ikfunc::setDhParameters(static_cast<kavi_robot_type>(robotType), robotDhPara.A3, robotDhPara.A4,
                          robotDhPara.D1, robotDhPara.D2, robotDhPara.D5, robotDhPara.D6);
}

int RobotUtilService::robotFk(const double* jointAngle, int size, KaviWayPoint& wayPoint) {
  if (size != 6 || jointAngle == nullptr) return ErrCode_ParamError;
  wayPoint_S wp;
  std::memset(&wp, 0, sizeof wp);
  std::memcpy(wp.jointpos, jointAngle, sizeof wp.jointpos);
  Ikfunc::ArmFk(wp);
  Ikfunc::ikFunRoadPintToKaviWayPoint(wp, wayPoint);
  return ErrnoSucc;
}

int RobotUtilService::robotIk(const double* startPointJointAngle,
                              const kavi_robot_namespace::Pos& position,
                              const kavi_robot_namespace::Ori& ori, KaviWayPoint& wayPoint) {
  if (startPointJointAngle == nullptr) {
    kavi_robot_logtrace::W_ERROR("sdk log: robotIk: expected 6 reference joint angles, got none.");
    return ErrCode_ParamError;
  }
  wayPoint_S wp;
  std::memset(&wp, 0, sizeof wp);
  wp.cartPos.position.x = position.x;
  wp.cartPos.position.y = position.y;
  wp.cartPos.position.z = position.z;
  wp.orientation.w = ori.w;
  wp.orientation.x = ori.x;
  wp.orientation.y = ori.y;
  wp.orientation.z = ori.z;
  std::memcpy(wp.jointpos, startPointJointAngle, sizeof wp.jointpos);
  if (!Ikfunc::ArmIk(wp, nullptr, false, false)) {
    kavi_robot_logtrace::W_ERROR("sdk log: call robotIk error.");
    return ErrCode_IkFailed;
  }
  Ikfunc::ikFunRoadPintToKaviWayPoint(wp, wayPoint);
  return ErrnoSucc;
}

int RobotUtilService::setJoint6Rot360(bool enable) {
  Ikfunc::joint6Rot360 = enable;
  if (enable) {
    kavi_robot_logtrace::W_DEBUG("sdk log: enable joint6 360.");
  } else {
    kavi_robot_logtrace::W_DEBUG("sdk log: disenable joint6 360.");
  }
  return ErrnoSucc;
}

bool RobotUtilService::getJoint6Rot360() { return Ikfunc::joint6Rot360; }

bool RobotUtilService::jointStringToWaypoint(const std::string& jointString, KaviWayPoint& waypoint) {
  std::memset(&waypoint, 0, sizeof waypoint);
  std::istringstream in(jointString);
  in >> waypoint.jointpos[0];
  int read = 1;
  while (in.good() && read < 6) {
    char separator;
    in >> separator;
    in >> waypoint.jointpos[read];
    ++read;
  }
  double joints[6];
  std::memcpy(joints, waypoint.jointpos, sizeof joints);
  robotFk(joints, 6, waypoint);
  return true;
}

// ---- Tools ----

bool RobotUtilService::isNoneTool(const kavi_robot_namespace::ToolInEndDesc& toolParam) {
  const auto& p = toolParam.toolInEndPosition;
  const auto& o = toolParam.toolInEndOrientation;
  constexpr double kTol = 1e-5;
  return std::fabs(p.x) < kTol && std::fabs(p.y) < kTol && std::fabs(p.z) < kTol &&
         std::fabs(o.w - 1.0) < kTol && std::fabs(o.x) < kTol && std::fabs(o.y) < kTol &&
         std::fabs(o.z) < kTol;
}

// ---- Coordinate frames, calibration and conversions ----

// -----------------------------------------------------------------------------
// Geometry: tool calibration and composition, orientation conversions, record
// initialisers, user coordinate frames and conversions between frames.
// -----------------------------------------------------------------------------

namespace {

namespace krn = kavi_robot_namespace;

bool geoFinite(const double* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

bool geoFinite(const krn::Pos& p) { return geoFinite(&p.x, 1) && geoFinite(&p.y, 1) && geoFinite(&p.z, 1); }

bool geoFinite(const krn::Ori& q) {
  const double v[4] = {q.w, q.x, q.y, q.z};
  return geoFinite(v, 4);
}

bool geoFinite(const krn::wayPoint_S& w) {
  return geoFinite(w.cartPos.position) && geoFinite(w.orientation);
}

Ori geoIkOri(const krn::Ori& q) { return Ori{q.w, q.x, q.y, q.z}; }
krn::Ori geoKaviOri(const Ori& q) { return krn::Ori{q.w, q.x, q.y, q.z}; }

// A frame method as the library's signed char; values outside 0..8 become -1
// so that a large enum value cannot wrap into the valid range.
char geoMethod(int method) { return static_cast<char>((method >= 0 && method <= 8) ? method : -1); }

Ikfunc::coordinate_refer geoFrame(krn::coordinate_refer type) {
  switch (type) {
    case krn::BaseCoordinate: return Ikfunc::BaseCoordinate;
    case krn::EndCoordinate: return Ikfunc::EndCoordinate;
    default: return Ikfunc::WorldCoordinate;
  }
}

// C = A * op(B), 3x3 row-major, op(B) = B^T when transposed.
void geoMul3(const double* A, const double* B, bool transposed, double* C) {
  double r[9];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      double s = 0.0;
      for (int k = 0; k < 3; ++k) s += A[3 * i + k] * (transposed ? B[3 * j + k] : B[3 * k + j]);
      r[3 * i + j] = s;
    }
  }
  for (int i = 0; i < 9; ++i) C[i] = r[i];
}

void geoApply(const double* R, const double* v, double* out) {
  double r[3];
  for (int i = 0; i < 3; ++i) r[i] = R[3 * i] * v[0] + R[3 * i + 1] * v[1] + R[3 * i + 2] * v[2];
  for (int i = 0; i < 3; ++i) out[i] = r[i];
}

const krn::ToolInEndDesc kGeoNoneTool = {{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0, 0.0}};

// Library form of a frame conversion: the pose, the three taught points and
// the tool.
struct GeoLibRequest {
  GeoLibRequest(const krn::wayPoint_S& p, const RobotUtilService::CoordCalibrateByToolEndPoint& frame,
                const krn::ToolInEndDesc& t)
      : tool{t.toolInEndPosition.x, t.toolInEndPosition.y, t.toolInEndPosition.z},
        toolOri(geoIkOri(t.toolInEndOrientation)),
        frameType(geoFrame(frame.coordType)),
        method(geoMethod(frame.methods)) {
    Ikfunc::KaviWayPointToikFunRoadPint(p, pose);
    for (int k = 0; k < 3; ++k) Ikfunc::KaviWayPointToikFunRoadPint(frame.wayPointArray[k], points[k]);
  }
  wayPoint_S pose;
  wayPoint_S points[3];
  double tool[3];
  Ori toolOri;
  Ikfunc::coordinate_refer frameType;
  char method;
};

// Adds or removes the tool orientation tcp with `compose`; non-finite input
// is refused and leaves `out` as it was.
int geoComposeTool(const char* what, void (*compose)(Ori, Ori, Ori&), const krn::Ori& tcp,
                   const krn::Ori& in, krn::Ori& out) {
  if (!geoFinite(tcp) || !geoFinite(in)) {
    kavi_robot_logtrace::W_ERROR("sdk log: %s param error, value not finite.", what);
    return krn::ErrCode_ParamError;
  }
  Ori result;
  compose(geoIkOri(tcp), geoIkOri(in), result);
  out = geoKaviOri(result);
  return krn::ErrnoSucc;
}

using GeoPrivateConversion = int (*)(const krn::wayPoint_S&,
                                     const RobotUtilService::CoordCalibrateByToolEndPoint&,
                                     const krn::ToolInEndDesc&, krn::wayPoint_S&);

// A pose through one of the private conversions, with the frame taught by
// joint angles; the outputs are written only on success.
int geoConvertPose(const krn::Pos& position, const krn::Ori& orientation,
                   const krn::CoordCalibrateByJointAngleAndTool& frame, const krn::ToolInEndDesc& tool,
                   GeoPrivateConversion convert, krn::Pos& outPosition, krn::Ori& outOrientation) {
  krn::wayPoint_S pose;
  RobotUtilService::initWayPointDataType(pose);
  pose.cartPos.position = position;
  pose.orientation = orientation;
  RobotUtilService::CoordCalibrateByToolEndPoint points;
  int ret = RobotUtilService::CoordCalibrateTypeConvert(frame, points);
  if (ret != krn::ErrnoSucc) return ret;
  krn::wayPoint_S result;
  ret = convert(pose, points, tool, result);
  if (ret == krn::ErrnoSucc) {
    outPosition = result.cartPos.position;
    outOrientation = result.orientation;
  }
  return ret;
}

}  // namespace

int RobotUtilService::toolCalibration(const std::vector<krn::wayPoint_S>& wayPointPosCalibVector,
                                      const std::vector<krn::wayPoint_S>& wayPointOriCalibVector,
                                      krn::ToolKinematicsOriCalibrateMathod poseCalibMethod,
                                      krn::ToolInEndDesc& toolInEndDesc) {
  const std::size_t posCount = wayPointPosCalibVector.size();
  const std::size_t oriCount = wayPointOriCalibVector.size();
  const int method = static_cast<int>(poseCalibMethod);
  const bool oriSizeOk = oriCount == 0 || (oriCount == 2 && method >= 3 && method <= 5) ||
                         (oriCount == 3 && method >= 0 && method <= 2);
  if (posCount < 4 || posCount > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
      !oriSizeOk) {
    kavi_robot_logtrace::W_ERROR("sdk log: toolCalibration\u3000error, param error.");
    return krn::ErrCode_ToolCalibrateParamError;
  }
  std::vector<wayPoint_S> posPoints(posCount);
  std::vector<wayPoint_S> oriPoints(oriCount);
  for (std::size_t i = 0; i < posCount; ++i) {
    Ikfunc::KaviWayPointToikFunRoadPint(wayPointPosCalibVector[i], posPoints[i]);
  }
  for (std::size_t i = 0; i < oriCount; ++i) {
    Ikfunc::KaviWayPointToikFunRoadPint(wayPointOriCalibVector[i], oriPoints[i]);
  }
  const char libMethod = static_cast<char>(oriCount == 0 ? -1 : method);
  Ori toolOri{1.0, 0.0, 0.0, 0.0};
  double tcp[3] = {0.0, 0.0, 0.0};
  if (!Ikfunc::api_tool_coord_calib(posPoints.data(), static_cast<unsigned>(posCount),
                                    oriCount == 0 ? nullptr : oriPoints.data(), libMethod, tcp,
                                    toolOri)) {
    kavi_robot_logtrace::W_ERROR("sdk log: Call ikfun api_tool_coord_calib failed.");
    return krn::ErrCode_ToolCalibrateError;
  }
  toolInEndDesc.toolInEndPosition = krn::Pos{tcp[0], tcp[1], tcp[2]};
  toolInEndDesc.toolInEndOrientation = geoKaviOri(toolOri);
  return krn::ErrnoSucc;
}

int RobotUtilService::toolCalibration(const std::vector<krn::wayPoint_S>& wayPointPosCalibVector,
                                      char poseCalibMethod, krn::ToolInEndDesc& toolInEndDesc) {
  (void)poseCalibMethod;  // this form calibrates the position only
  const std::vector<krn::wayPoint_S> noOrientationPoses;
  if (toolCalibration(wayPointPosCalibVector, noOrientationPoses,
                      krn::ToolKinematicsOriCalibrateMathod_Invalid, toolInEndDesc) != krn::ErrnoSucc) {
    kavi_robot_logtrace::W_ERROR("sdk log: call toolCalibration error.");
    return krn::ErrCode_ToolCalibrateError;
  }
  toolInEndDesc.toolInEndOrientation = krn::Ori{1.0, 0.0, 0.0, 0.0};
  return krn::ErrnoSucc;
}

int RobotUtilService::endPosition2BasePosition(const krn::wayPoint_S& flangeCenterPointOnBase,
                                               const krn::Pos& endPosition, krn::Pos& basePosition) {
  if (!geoFinite(flangeCenterPointOnBase) || !geoFinite(endPosition)) {
    kavi_robot_logtrace::W_ERROR("sdk log: endPosition2BasePosition param error, value not finite.");
    return krn::ErrCode_ParamError;
  }
  wayPoint_S flange;
  Ikfunc::KaviWayPointToikFunRoadPint(flangeCenterPointOnBase, flange);
  double offset[3] = {endPosition.x, endPosition.y, endPosition.z};
  double out[3];
  Ikfunc::endPosition2ToolPosition(flange, offset, out);
  basePosition = krn::Pos{out[0], out[1], out[2]};
  return krn::ErrnoSucc;
}

int RobotUtilService::endOrientation2ToolOrientation(krn::Ori& tcpOriInEnd, const krn::Ori& endOri,
                                                     krn::Ori& toolOri) {
  return geoComposeTool("endOrientation2ToolOrientation", &Ikfunc::endOrientation2ToolOrientation,
                        tcpOriInEnd, endOri, toolOri);
}

int RobotUtilService::toolOrientation2EndOrientation(krn::Ori& tcpOriInEnd, const krn::Ori& toolOri,
                                                     krn::Ori& endOri) {
  return geoComposeTool("toolOrientation2EndOrientation", &Ikfunc::toolOrientation2EndOrientation,
                        tcpOriInEnd, toolOri, endOri);
}

int RobotUtilService::RPYToQuaternion(const krn::Rpy& rpy, krn::Ori& ori) {
  float angles[3] = {static_cast<float>(rpy.rx), static_cast<float>(rpy.ry),
                     static_cast<float>(rpy.rz)};
  if (!std::isfinite(angles[0]) || !std::isfinite(angles[1]) || !std::isfinite(angles[2])) {
    kavi_robot_logtrace::W_ERROR("sdk log: RPYToQuaternion param error, angle not finite.");
    return krn::ErrCode_ParamError;
  }
  Ori out;
  Ikfunc::RPYToQuaternion(out, angles);
  ori = geoKaviOri(out);
  return krn::ErrnoSucc;
}

int RobotUtilService::quaternionToRPY(const krn::Ori& ori, krn::Rpy& rpy) {
  const double norm2 = ori.w * ori.w + ori.x * ori.x + ori.y * ori.y + ori.z * ori.z;
  if (!geoFinite(ori) || !(norm2 > 0.0)) {
    kavi_robot_logtrace::W_ERROR("sdk log: quaternionToRPY param error, not a rotation.");
    return krn::ErrCode_ParamError;
  }
  float ypr[3];
  Ikfunc::quaternionToRPY(geoIkOri(ori), ypr);
  rpy.rx = static_cast<double>(ypr[2]) / 180.0 * M_PI;
  rpy.ry = static_cast<double>(ypr[1]) / 180.0 * M_PI;
  rpy.rz = static_cast<double>(ypr[0]) / 180.0 * M_PI;
  return krn::ErrnoSucc;
}

int RobotUtilService::oriMatrixToQuaternion(double* eerot, krn::Ori& result) {
  if (eerot == nullptr) return krn::ErrCode_ParamError;
  Ori q;
  // A non-finite matrix would come back as a non-finite quaternion.
  if (!geoFinite(eerot, 9) || !Ikfunc::OriMatrixToQuaternion(eerot, q) || !geoFinite(geoKaviOri(q))) {
    return krn::ErrCode_Failed;
  }
  result = geoKaviOri(q);
  return krn::ErrnoSucc;
}

void RobotUtilService::initPosDataType(krn::Pos& pos) { pos = krn::Pos{0.0, 0.0, 0.0}; }

void RobotUtilService::initOriDataType(krn::Ori& ori) { ori = krn::Ori{1.0, 0.0, 0.0, 0.0}; }

void RobotUtilService::initOrientation(krn::Ori& ori) { initOriDataType(ori); }

void RobotUtilService::initMoveRelativeDataType(krn::MoveRelative& moveRelative) {
  moveRelative = krn::MoveRelative{};
  moveRelative.ena = false;
  for (float& v : moveRelative.relativePosition) v = 0.0f;
  initOriDataType(moveRelative.relativeOri);
}

void RobotUtilService::initWayPointDataType(krn::wayPoint_S& wayPoint) {
  const double zero[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  wayPoint = krn::wayPoint_S{};
  robotFk(zero, 6, wayPoint);
}

void RobotUtilService::initToolInEndDescDataType(krn::ToolInEndDesc& toolInEndDesc) {
  toolInEndDesc = kGeoNoneTool;
}

void RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(
    krn::CoordCalibrateByJointAngleAndTool& coordCalibrate) {
  coordCalibrate = krn::CoordCalibrateByJointAngleAndTool{};
  coordCalibrate.coordType = krn::BaseCoordinate;
  initToolInEndDescDataType(coordCalibrate.toolDesc);
}

void RobotUtilService::initToolInertiaDataType(krn::ToolInertia& toolInertia) {
  toolInertia = krn::ToolInertia{};
}

void RobotUtilService::initToolDynamicsParamDataType(krn::ToolDynamicsParam& toolDynamicsParam) {
  toolDynamicsParam = krn::ToolDynamicsParam{};
}

int RobotUtilService::CoordCalibrateTypeConvert(const krn::CoordCalibrateByJointAngleAndTool& source,
                                                CoordCalibrateByToolEndPoint& target) {
  target = CoordCalibrateByToolEndPoint{};
  target.coordType = source.coordType;
  target.methods = source.methods;
  if (source.coordType == krn::BaseCoordinate) return krn::ErrnoSucc;
  for (int k = 0; k < 3; ++k) {
    krn::wayPoint_S flange{};
    robotFk(source.wayPointArray[k].jointPos, 6, flange);
    const int ret = base2BaseAdditionalTool(flange, source.toolDesc, target.wayPointArray[k]);
    if (ret != krn::ErrnoSucc) return ret;
  }
  return krn::ErrnoSucc;
}

int RobotUtilService::coordinateSystemCalibration(
    const krn::CoordCalibrateByJointAngleAndTool& coordCalibrate, double* bInWPos, double* bInWOri,
    double* wInBPos) {
  CoordCalibrateByToolEndPoint points;
  const int ret = CoordCalibrateTypeConvert(coordCalibrate, points);
  if (ret != krn::ErrnoSucc) return ret;
  return coordinateSystemCalibration(points, bInWPos, bInWOri, wInBPos);
}

int RobotUtilService::coordinateSystemCalibration(const CoordCalibrateByToolEndPoint& coordCalibrate,
                                                  double* bInWPos, double* bInWOri, double* wInBPos) {
  if (coordCalibrate.coordType != krn::WorldCoordinate) {
    kavi_robot_logtrace::W_ERROR(
        "sdk log: Coordinate system calibration\u3000param error, coordType!=WorldCoordinate.");
    return krn::ErrCode_ParamError;
  }
  wayPoint_S points[3];
  for (int k = 0; k < 3; ++k) Ikfunc::KaviWayPointToikFunRoadPint(coordCalibrate.wayPointArray[k], points[k]);
  if (!Ikfunc::api_user_coord_calib(points, geoMethod(coordCalibrate.methods), bInWPos, bInWOri,
                                    wInBPos)) {
    kavi_robot_logtrace::W_ERROR("sdk log: call ikFun api_user_coord_calib failed.");
    return krn::ErrCode_CoordinateSystemCalibrateError;
  }
  return krn::ErrnoSucc;
}

int RobotUtilService::checkCoordinateSystemCalibration(
    const krn::CoordCalibrateByJointAngleAndTool& coordCalibrate) {
  double bInWPos[3] = {0.0, 0.0, 0.0};
  double bInWOri[9] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  double wInBPos[3] = {0.0, 0.0, 0.0};
  return coordinateSystemCalibration(coordCalibrate, bInWPos, bInWOri, wInBPos);
}

int RobotUtilService::base2UserCoordinate(const krn::Pos& flangeCenterPositionOnBase,
                                          const krn::Ori& flangeCenterOrientationOnBase,
                                          const krn::CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                          const krn::ToolInEndDesc& toolInEndDesc,
                                          krn::Pos& toolEndPositionOnUserCoord,
                                          krn::Ori& toolEndOrientationOnUserCoord) {
  if (userCoordSystem.coordType == krn::EndCoordinate) {
    const krn::ToolInEndDesc& result =
        isNoneTool(userCoordSystem.toolDesc) ? toolInEndDesc : kGeoNoneTool;
    toolEndPositionOnUserCoord = result.toolInEndPosition;
    toolEndOrientationOnUserCoord = result.toolInEndOrientation;
    return krn::ErrnoSucc;
  }
  return geoConvertPose(flangeCenterPositionOnBase, flangeCenterOrientationOnBase, userCoordSystem,
                        toolInEndDesc, &base2UserCoordinatePrivate, toolEndPositionOnUserCoord,
                        toolEndOrientationOnUserCoord);
}

int RobotUtilService::base2UserCoordinatePrivate(const krn::wayPoint_S& flangeCenterPointOnBase,
                                                 const CoordCalibrateByToolEndPoint& userCoordSystem,
                                                 const krn::ToolInEndDesc& toolInEndDesc,
                                                 krn::wayPoint_S& toolEndPointOnUserCoord) {
  GeoLibRequest r(flangeCenterPointOnBase, userCoordSystem, toolInEndDesc);
  wayPoint_S result;
  if (!Ikfunc::waypointDisplay(r.pose, r.frameType, r.points, r.method, r.tool, r.toolOri, result)) {
    return krn::ErrCode_BaseToUserConvertFailed;
  }
  Ikfunc::ikFunRoadPintToKaviWayPoint(result, toolEndPointOnUserCoord);
  return krn::ErrnoSucc;
}

int RobotUtilService::base2BaseAdditionalTool(const krn::wayPoint_S& flangeCenterPointOnBase,
                                              const krn::ToolInEndDesc& toolInEndDesc,
                                              krn::wayPoint_S& toolEndPointOnBase) {
  toolEndPointOnBase = flangeCenterPointOnBase;
  CoordCalibrateByToolEndPoint base{};
  base.coordType = krn::BaseCoordinate;
  return base2UserCoordinatePrivate(flangeCenterPointOnBase, base, toolInEndDesc, toolEndPointOnBase);
}

int RobotUtilService::user2BaseCoordinate(const krn::Pos& toolEndPositionOnUserCoord,
                                          const krn::Ori& toolEndOrientationOnUserCoord,
                                          const krn::CoordCalibrateByJointAngleAndTool& userCoord,
                                          const krn::ToolInEndDesc& toolInEndDesc,
                                          krn::Pos& flangeCenterPositionOnBase,
                                          krn::Ori& flangeCenterOrientationOnBase) {
  if (userCoord.coordType == krn::EndCoordinate) {
    kavi_robot_logtrace::W_ERROR(
        "sdk log: user2BaseCoordinate() Does not support end coordinate systems.");
    return krn::ErrCode_ParamError;
  }
  return geoConvertPose(toolEndPositionOnUserCoord, toolEndOrientationOnUserCoord, userCoord,
                        toolInEndDesc, &user2BaseCoordinatePrivate, flangeCenterPositionOnBase,
                        flangeCenterOrientationOnBase);
}

int RobotUtilService::user2BaseCoordinatePrivate(const krn::wayPoint_S& toolEndPointOnUserCoord,
                                                 const CoordCalibrateByToolEndPoint& userCoordSystem,
                                                 const krn::ToolInEndDesc& toolInEndDesc,
                                                 krn::wayPoint_S& flangeCenterPointOnBase) {
  const krn::coordinate_refer type = userCoordSystem.coordType;
  if (type != krn::BaseCoordinate && type != krn::WorldCoordinate) {
    return krn::ErrCode_UserToBaseConvertFailed;
  }
  GeoLibRequest r(toolEndPointOnUserCoord, userCoordSystem, toolInEndDesc);
  wayPoint_S flange;
  if (!Ikfunc::robotCoordConvert(r.pose, r.frameType, r.points, r.method, r.tool, r.toolOri, flange)) {
    return krn::ErrCode_UserToBaseConvertFailed;
  }
  Ikfunc::ikFunRoadPintToKaviWayPoint(flange, flangeCenterPointOnBase);
  return krn::ErrnoSucc;
}

int RobotUtilService::userCoordPoint2BasePoint(const krn::Pos& userCoordPoint,
                                               const krn::CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                               krn::Pos& basePoint) {
  switch (userCoordSystem.coordType) {
    case krn::BaseCoordinate:
      if (!geoFinite(userCoordPoint)) {
        kavi_robot_logtrace::W_ERROR("sdk log: userCoordPoint2BasePoint param error, value not finite.");
        return krn::ErrCode_ParamError;
      }
      basePoint = userCoordPoint;
      return krn::ErrnoSucc;
    case krn::WorldCoordinate: {
      krn::Pos position;
      krn::Ori orientation;
      const int ret = user2BaseCoordinate(userCoordPoint, krn::Ori{1.0, 0.0, 0.0, 0.0},
                                          userCoordSystem, kGeoNoneTool, position, orientation);
      if (ret != krn::ErrnoSucc) {
        kavi_robot_logtrace::W_ERROR(
            "sdk log: userCoordPoint2BasePoint call userToBaseCoordinate failed.");
        return ret;
      }
      basePoint = position;
      return krn::ErrnoSucc;
    }
    default:
      kavi_robot_logtrace::W_ERROR("sdk log:Does not support end coordinate systems.");
      return krn::ErrCode_ParamError;
  }
}

int RobotUtilService::offsetVectorUserCoord2Base(const double* vectorOnUserCoord,
                                                 const krn::CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                                 double* vectorOnBaseCoord) {
  if (vectorOnUserCoord == nullptr || vectorOnBaseCoord == nullptr) return krn::ErrCode_ParamError;
  if (userCoordSystem.coordType == krn::BaseCoordinate) {
    if (!geoFinite(vectorOnUserCoord, 3)) return krn::ErrCode_ParamError;
    for (int i = 0; i < 3; ++i) vectorOnBaseCoord[i] = vectorOnUserCoord[i];
    return krn::ErrnoSucc;
  }
  if (userCoordSystem.coordType != krn::WorldCoordinate) return krn::ErrCode_ParamError;
  krn::Pos origin;
  int ret = userCoordPoint2BasePoint(krn::Pos{0.0, 0.0, 0.0}, userCoordSystem, origin);
  if (ret != krn::ErrnoSucc) return ret;
  krn::Pos tip;
  ret = userCoordPoint2BasePoint(
      krn::Pos{vectorOnUserCoord[0], vectorOnUserCoord[1], vectorOnUserCoord[2]}, userCoordSystem, tip);
  if (ret != krn::ErrnoSucc) {
    kavi_robot_logtrace::W_ERROR(
        "sdk log: offsetVectorUserCoord2Base call userToBaseCoordinate failed.");
    return ret;
  }
  vectorOnBaseCoord[0] = tip.x - origin.x;
  vectorOnBaseCoord[1] = tip.y - origin.y;
  vectorOnBaseCoord[2] = tip.z - origin.z;
  return krn::ErrnoSucc;
}

bool RobotUtilService::relativeMoveAndRot(krn::wayPoint_S& firstFlangeWaypointInMove,
                                          const krn::CoordCalibrateByJointAngleAndTool& coord,
                                          krn::ToolInEndDesc realToolInEnd,
                                          const krn::Pos& sourceRelativePositionOnUser,
                                          const krn::Ori& sourceRelativeOriOnUser,
                                          krn::Pos& targetRelativePositionOnBase,
                                          krn::Ori& targetRelativeOriOnBase) {
  const double dp[3] = {sourceRelativePositionOnUser.x, sourceRelativePositionOnUser.y,
                        sourceRelativePositionOnUser.z};
  const Ori dq = geoIkOri(sourceRelativeOriOnUser);
  double outPos[3];
  Ori outOri;

  if (coord.coordType == krn::BaseCoordinate) {
    for (int i = 0; i < 3; ++i) outPos[i] = dp[i];
    outOri = dq;
  } else if (coord.coordType == krn::WorldCoordinate) {
    // Taught points: tool-tip positions of the coordinate system's tool.
    wayPoint_S points[3];
    double toolPos[3] = {coord.toolDesc.toolInEndPosition.x, coord.toolDesc.toolInEndPosition.y,
                         coord.toolDesc.toolInEndPosition.z};
    for (int k = 0; k < 3; ++k) {
      krn::wayPoint_S flange{};
      robotFk(coord.wayPointArray[k].jointPos, 6, flange);
      Ikfunc::KaviWayPointToikFunRoadPint(flange, points[k]);
      Ikfunc::endPosition2ToolPosition(points[k], toolPos, nullptr);
    }
    double bInWPos[3], W[9], wInBPos[3];
    if (!Ikfunc::userCoordinateCalib(points, geoMethod(coord.methods), bInWPos, W, wInBPos)) {
      return false;
    }
    // T_bw o T_rel o T_wb with T_wb(x) = W x + b and T_bw its inverse W^T (y - b).
    double Rrel[9], tmp[9], Rot[9];
    Ikfunc::QuaternionToOriMatrix(dq, Rrel);
    geoMul3(Rrel, W, false, tmp);
    double Wt[9];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) Wt[3 * i + j] = W[3 * j + i];
    }
    geoMul3(Wt, tmp, false, Rot);
    double v[3];
    geoApply(Rrel, bInWPos, v);
    for (int i = 0; i < 3; ++i) v[i] += dp[i] - bInWPos[i];
    geoApply(Wt, v, outPos);
    if (!geoFinite(Rot, 9) || !Ikfunc::OriMatrixToQuaternion(Rot, outOri)) return false;
  } else {
    wayPoint_S first;
    Ikfunc::KaviWayPointToikFunRoadPint(firstFlangeWaypointInMove, first);
    const double* pF = first.cartPos.positionVector;
    double RF[9];
    Ikfunc::QuaternionToOriMatrix(first.orientation, RF);
    if (isNoneTool(coord.toolDesc) && !isNoneTool(realToolInEnd)) {
      // Absolute flange target that moves the real tool tip by dp in flange
      // axes and turns it by dq; w + 6 marks the absolute form.
      const double t[3] = {realToolInEnd.toolInEndPosition.x, realToolInEnd.toolInEndPosition.y,
                           realToolInEnd.toolInEndPosition.z};
      Ori qNew;
      ::QuaternionMultply(first.orientation, dq, qNew);
      double Rnew[9];
      Ikfunc::QuaternionToOriMatrix(qNew, Rnew);
      double shifted[3] = {t[0] + dp[0], t[1] + dp[1], t[2] + dp[2]};
      double a[3], b[3];
      geoApply(RF, shifted, a);
      geoApply(Rnew, t, b);
      for (int i = 0; i < 3; ++i) outPos[i] = pF[i] + a[i] - b[i];
      outOri = Ori{6.0 + qNew.w, qNew.x, qNew.y, qNew.z};
    } else {
      // X = T_F o T_c; result X o T_rel o X^-1 as a base-frame transform.
      const krn::ToolInEndDesc& c = coord.toolDesc;
      double Rc[9], RX[9];
      Ikfunc::QuaternionToOriMatrix(geoIkOri(c.toolInEndOrientation), Rc);
      geoMul3(RF, Rc, false, RX);
      const double tc[3] = {c.toolInEndPosition.x, c.toolInEndPosition.y, c.toolInEndPosition.z};
      double pX[3];
      geoApply(RF, tc, pX);
      for (int i = 0; i < 3; ++i) pX[i] += pF[i];
      double Rrel[9], tmp[9], G[9];
      Ikfunc::QuaternionToOriMatrix(dq, Rrel);
      geoMul3(RX, Rrel, false, tmp);
      geoMul3(tmp, RX, true, G);
      double gp[3], shift[3];
      geoApply(G, pX, gp);
      geoApply(RX, dp, shift);
      for (int i = 0; i < 3; ++i) outPos[i] = pX[i] - gp[i] + shift[i];
      if (!geoFinite(G, 9) || !Ikfunc::OriMatrixToQuaternion(G, outOri)) return false;
    }
  }
  const krn::Pos pos{outPos[0], outPos[1], outPos[2]};
  const krn::Ori ori = geoKaviOri(outOri);
  if (!geoFinite(pos) || !geoFinite(ori)) return false;
  targetRelativePositionOnBase = pos;
  targetRelativeOriOnBase = ori;
  return true;
}
// -----------------------------------------------------------------------------
