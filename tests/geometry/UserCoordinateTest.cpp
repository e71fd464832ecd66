// User coordinate frames: construction from taught points, calibration from
// joint angles, base/user conversions with tools, points and vectors from the
// user frame, and relative moves expressed in a coordinate system.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GeometryTestUtil.h"
#include "RobotUtilService.h"
#include "dax_alg.h"

namespace {

using geotest::Mat3;
using geotest::Rng;
using geotest::Vec3;
namespace krn = kavi_robot_namespace;
using EndPoints = RobotUtilService::CoordCalibrateByToolEndPoint;

// A user frame: rows of W are its axes in base coordinates, O its origin.
struct Frame {
  Mat3 W;
  Vec3 O;
};

Frame randomFrame(Rng& rng) {
  return Frame{geotest::transpose(geotest::quatToMat(rng.quaternion())), geotest::vec(rng.position(0.5))};
}

Vec3 axis(const Frame& f, int k) { return Vec3{f.W[3 * k], f.W[3 * k + 1], f.W[3 * k + 2]}; }

// The three points a method expects: the origin, a point on the first axis,
// and a point on the second axis (methods 0..2) or in the first quadrant of
// the plane of the first and second axes (methods 3..8).
std::array<Vec3, 3> teachPoints(const Frame& f, int method) {
  static const int axes[9][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 1}, {0, 2}, {1, 2}, {1, 0}, {2, 0}, {2, 1}};
  const Vec3 a = axis(f, axes[method][0]), b = axis(f, axes[method][1]);
  const Vec3 p1 = geotest::add(f.O, geotest::scale(a, 0.3));
  const Vec3 p2 = method <= 2 ? geotest::add(f.O, geotest::scale(b, 0.2))
                              : geotest::add(f.O, geotest::add(geotest::scale(a, 0.15), geotest::scale(b, 0.25)));
  return {f.O, p1, p2};
}

EndPoints endPoints(const std::array<Vec3, 3>& p, int method,
                    krn::coordinate_refer type = krn::WorldCoordinate) {
  EndPoints e{};
  e.coordType = type;
  e.methods = static_cast<krn::CoordCalibrateMathod>(method);
  for (int k = 0; k < 3; ++k) {
    e.wayPointArray[k].cartPos.position = geotest::pos(p[k]);
    e.wayPointArray[k].orientation = krn::Ori{1, 0, 0, 0};
  }
  return e;
}

krn::CoordCalibrateByJointAngleAndTool taughtByJoints(Rng& rng, int method, const krn::ToolInEndDesc& tool,
                                                      krn::coordinate_refer type = krn::WorldCoordinate) {
  krn::CoordCalibrateByJointAngleAndTool c{};
  c.coordType = type;
  c.methods = static_cast<krn::CoordCalibrateMathod>(method);
  for (auto& wp : c.wayPointArray) {
    const auto j = rng.joints(1.5);
    for (int i = 0; i < 6; ++i) wp.jointPos[i] = j[i];
  }
  c.toolDesc = tool;
  return c;
}

krn::wayPoint_S flangePose(Rng& rng) {
  krn::wayPoint_S w{};
  const auto j = rng.joints(2.5);
  RobotUtilService::robotFk(j.data(), 6, w);
  return w;
}

bool allFinite(const double* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

TEST(UserFrameLibrary, EveryMethodReproducesAKnownFrame) {
  Rng rng(1001);
  SCOPED_TRACE(rng.seedTrace());
  for (int method = 0; method <= 8; ++method) {
    for (int sample = 0; sample < 5; ++sample) {
      Frame f = randomFrame(rng);
      if (sample == 0) f.O = Vec3{0.1, 0.2, 0.3};
      const auto p = teachPoints(f, method);
      wayPoint_S pts[3] = {};
      for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) pts[k].cartPos.positionVector[i] = p[k][i];
      double bInWPos[3], bInWOri[9], wInBPos[3], dot = 42.0;
      ASSERT_TRUE(userCoordinateCalibLib(pts, static_cast<char>(method), bInWPos, bInWOri, wInBPos, dot));
      for (int i = 0; i < 9; ++i) EXPECT_NEAR(bInWOri[i], f.W[i], 1e-12) << "method " << method;
      const Vec3 expectB = geotest::scale(geotest::apply(f.W, f.O), -1.0);
      EXPECT_LT(geotest::maxDiff(Vec3{bInWPos[0], bInWPos[1], bInWPos[2]}, expectB), 1e-12);
      EXPECT_LT(geotest::maxDiff(Vec3{wInBPos[0], wInBPos[1], wInBPos[2]}, f.O), 1e-15);
      if (method <= 2) {
        EXPECT_NEAR(dot, 0.0, 1e-12);
      } else {
        EXPECT_EQ(dot, 42.0);
      }
    }
  }
  wayPoint_S pts[3] = {};
  double a[3], b[9], c[3], dot = 0;
  EXPECT_FALSE(userCoordinateCalibLib(pts, 9, a, b, c, dot));
  EXPECT_FALSE(userCoordinateCalibLib(pts, -1, a, b, c, dot));
}

TEST(UserFrameLibrary, SkewTaughtDirectionsKeptByMethod0AndSquaredByMethod3) {
  wayPoint_S pts[3] = {};
  pts[1].cartPos.positionVector[0] = 0.2;
  pts[2].cartPos.positionVector[0] = 0.3 * 0.5;
  pts[2].cartPos.positionVector[1] = 0.3 * std::sqrt(3.0) / 2;
  double b0[3], R0[9], o0[3], dot0 = 0;
  ASSERT_TRUE(userCoordinateCalibLib(pts, 0, b0, R0, o0, dot0));
  EXPECT_NEAR(dot0, 0.5, 1e-15);
  EXPECT_NEAR(R0[3], 0.5, 1e-15);
  EXPECT_NEAR(R0[4], std::sqrt(3.0) / 2, 1e-15);
  double b3[3], R3[9], o3[3], dot3 = 7;
  ASSERT_TRUE(userCoordinateCalibLib(pts, 3, b3, R3, o3, dot3));
  EXPECT_EQ(dot3, 7.0);
  const Vec3 expect[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(R3[3 * r + c], expect[r][c], 1e-15);
}

TEST(UserFrameConversions, DegenerateTeachingPointsAreReportedAsFailures) {
  const Vec3 o{0.3, 0.1, 0.2};
  const std::array<Vec3, 3> coincident = {o, o, o};
  const std::array<Vec3, 3> collinear = {o, geotest::add(o, {0.1, 0, 0}), geotest::add(o, {0.3, 0, 0})};
  Rng rng(1002);
  SCOPED_TRACE(rng.seedTrace());
  const krn::wayPoint_S flange = flangePose(rng);
  const krn::ToolInEndDesc tool = rng.tool();
  for (const auto* pts : {&coincident, &collinear}) {
    for (int method : {0, 3, 8}) {
      SCOPED_TRACE(::testing::Message() << (pts == &coincident ? "coincident" : "collinear") << " method " << method);
      // The library builds the frame regardless; it is not finite.
      wayPoint_S lib[3] = {};
      for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) lib[k].cartPos.positionVector[i] = (*pts)[k][i];
      double a[3], R[9], c[3], dot = 0;
      EXPECT_TRUE(userCoordinateCalibLib(lib, static_cast<char>(method), a, R, c, dot));
      EXPECT_FALSE(allFinite(R, 9));

      const EndPoints e = endPoints(*pts, method);
      double b[3], W[9], w[3];
      EXPECT_EQ(RobotUtilService::coordinateSystemCalibration(e, b, W, w), krn::ErrCode_CoordinateSystemCalibrateError);
      krn::wayPoint_S out{};
      EXPECT_EQ(RobotUtilService::base2UserCoordinatePrivate(flange, e, tool, out), krn::ErrCode_BaseToUserConvertFailed);
      EXPECT_EQ(RobotUtilService::user2BaseCoordinatePrivate(flange, e, tool, out), krn::ErrCode_UserToBaseConvertFailed);
    }
  }
}

TEST(UserFrameCalibration, ResultByTypeAndMethod) {
  Rng rng(1003);
  SCOPED_TRACE(rng.seedTrace());
  const krn::ToolInEndDesc tool = rng.tool();
  struct Case {
    const char* name;
    krn::coordinate_refer type;
    int method;
    bool sameJoints;
    int expected;
  };
  const Case cases[] = {
      {"user frame", krn::WorldCoordinate, 4, false, krn::ErrnoSucc},
      {"base frame", krn::BaseCoordinate, 4, false, krn::ErrCode_ParamError},
      {"end frame", krn::EndCoordinate, 4, false, krn::ErrCode_ParamError},
      {"method 9", krn::WorldCoordinate, 9, false, krn::ErrCode_CoordinateSystemCalibrateError},
      {"method 15", krn::WorldCoordinate, 15, false, krn::ErrCode_CoordinateSystemCalibrateError},
      {"one pose taught three times", krn::WorldCoordinate, 4, true, krn::ErrCode_CoordinateSystemCalibrateError},
  };
  for (const Case& c : cases) {
    auto coord = taughtByJoints(rng, c.method, tool, c.type);
    if (c.sameJoints) coord.wayPointArray[2] = coord.wayPointArray[1] = coord.wayPointArray[0];
    double b[3], W[9], w[3];
    EXPECT_EQ(RobotUtilService::coordinateSystemCalibration(coord, b, W, w), c.expected) << c.name;
    EXPECT_EQ(RobotUtilService::checkCoordinateSystemCalibration(coord), c.expected) << c.name;
  }
}

// Base to user then user to base returns the flange pose.
void expectRoundTrip(const krn::wayPoint_S& flange, const krn::wayPoint_S& back, const std::string& what) {
  EXPECT_LT(geotest::maxDiff(geotest::vec(back.cartPos.position), geotest::vec(flange.cartPos.position)), 1e-12) << what;
  EXPECT_LT(geotest::quatDistance(back.orientation, flange.orientation), 1e-12) << what;
}

TEST(UserFrameConversions, RoundTripForEveryMethodAndTool) {
  Rng rng(1004);
  SCOPED_TRACE(rng.seedTrace());
  for (int method = 0; method <= 8; ++method) {
    for (int sample = 0; sample < 10; ++sample) {
      const Frame f = randomFrame(rng);
      const EndPoints e = endPoints(teachPoints(f, method), method, sample == 0 ? krn::BaseCoordinate : krn::WorldCoordinate);
      const krn::ToolInEndDesc tool = rng.tool();
      const krn::wayPoint_S flange = flangePose(rng);
      krn::wayPoint_S user{}, back{};
      ASSERT_EQ(RobotUtilService::base2UserCoordinatePrivate(flange, e, tool, user), krn::ErrnoSucc);
      ASSERT_EQ(RobotUtilService::user2BaseCoordinatePrivate(user, e, tool, back), krn::ErrnoSucc);
      expectRoundTrip(flange, back, "method " + std::to_string(method));
      if (e.coordType == krn::WorldCoordinate) {
        // The tool tip expressed in the known frame.
        const Mat3 R = geotest::quatToMat(flange.orientation);
        const Vec3 tip = geotest::add(geotest::vec(flange.cartPos.position),
                                      geotest::apply(R, geotest::vec(tool.toolInEndPosition)));
        EXPECT_LT(geotest::maxDiff(geotest::vec(user.cartPos.position), geotest::apply(f.W, geotest::sub(tip, f.O))), 1e-12);
        EXPECT_GE(user.orientation.w, 0.0);
      }
    }
  }
}

TEST(UserFrameConversions, PublicRoundTripWithFramesTaughtByJointAngles) {
  Rng rng(1005);
  SCOPED_TRACE(rng.seedTrace());
  for (int method = 3; method <= 8; ++method) {
    for (int sample = 0; sample < 5; ++sample) {
      const auto coord = taughtByJoints(rng, method, rng.tool());
      const krn::ToolInEndDesc tool = rng.tool();
      const krn::wayPoint_S flange = flangePose(rng);
      krn::Pos userPos, basePos;
      krn::Ori userOri, baseOri;
      ASSERT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation, coord, tool,
                                                      userPos, userOri),
                krn::ErrnoSucc);
      ASSERT_EQ(RobotUtilService::user2BaseCoordinate(userPos, userOri, coord, tool, basePos, baseOri), krn::ErrnoSucc);
      krn::wayPoint_S back{};
      back.cartPos.position = basePos;
      back.orientation = baseOri;
      expectRoundTrip(flange, back, "method " + std::to_string(method));

      // The conversion uses the frame the calibration reports.
      double b[3], W[9], w[3];
      ASSERT_EQ(RobotUtilService::coordinateSystemCalibration(coord, b, W, w), krn::ErrnoSucc);
      krn::wayPoint_S tipOnBase{};
      ASSERT_EQ(RobotUtilService::base2BaseAdditionalTool(flange, tool, tipOnBase), krn::ErrnoSucc);
      Mat3 Wm;
      for (int i = 0; i < 9; ++i) Wm[i] = W[i];
      const Vec3 expect = geotest::add(geotest::apply(Wm, geotest::vec(tipOnBase.cartPos.position)), Vec3{b[0], b[1], b[2]});
      EXPECT_LT(geotest::maxDiff(geotest::vec(userPos), expect), 1e-12);
    }
  }
}

TEST(UserFrameConversions, ToolOnTheBaseKeepsJointsAndComposesTheTool) {
  Rng rng(1006);
  SCOPED_TRACE(rng.seedTrace());
  const krn::wayPoint_S flange = flangePose(rng);
  const krn::ToolInEndDesc tool = rng.tool();
  krn::wayPoint_S out{};
  ASSERT_EQ(RobotUtilService::base2BaseAdditionalTool(flange, tool, out), krn::ErrnoSucc);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out.jointpos[i], flange.jointpos[i]);
  const Vec3 tip = geotest::add(geotest::vec(flange.cartPos.position),
                                geotest::apply(geotest::quatToMat(flange.orientation), geotest::vec(tool.toolInEndPosition)));
  EXPECT_LT(geotest::maxDiff(geotest::vec(out.cartPos.position), tip), 1e-15);
  const krn::Ori q = geotest::quatMul(flange.orientation, tool.toolInEndOrientation);
  EXPECT_NEAR(out.orientation.w, q.w, 1e-15);
  EXPECT_NEAR(out.orientation.x, q.x, 1e-15);

  krn::wayPoint_S zeroQuaternion = flange;
  zeroQuaternion.orientation = krn::Ori{0, 0, 0, 0};
  EXPECT_EQ(RobotUtilService::base2BaseAdditionalTool(zeroQuaternion, tool, out), krn::ErrCode_BaseToUserConvertFailed);
}

TEST(UserFrameConversions, EndFrameAndRefusedInputs) {
  Rng rng(1007);
  SCOPED_TRACE(rng.seedTrace());
  const krn::ToolInEndDesc tool = rng.tool();
  const krn::wayPoint_S flange = flangePose(rng);
  const krn::ToolInEndDesc none{{0, 0, 0}, {1, 0, 0, 0}};
  krn::Pos p;
  krn::Ori q;

  // End frame, base to user: the tool itself when the frame has no tool of
  // its own, the identity pose otherwise.
  ASSERT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                  taughtByJoints(rng, 3, none, krn::EndCoordinate), tool, p, q),
            krn::ErrnoSucc);
  EXPECT_EQ(p.z, tool.toolInEndPosition.z);
  EXPECT_EQ(q.x, tool.toolInEndOrientation.x);
  ASSERT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                  taughtByJoints(rng, 3, rng.tool(), krn::EndCoordinate), tool, p, q),
            krn::ErrnoSucc);
  EXPECT_EQ(p.x, 0.0);
  EXPECT_EQ(p.z, 0.0);
  EXPECT_EQ(q.w, 1.0);

  krn::Pos keepP{5, 5, 5};
  krn::Ori keepQ{5, 5, 5, 5};
  EXPECT_EQ(RobotUtilService::user2BaseCoordinate(p, q, taughtByJoints(rng, 3, tool, krn::EndCoordinate), tool,
                                                  keepP, keepQ),
            krn::ErrCode_ParamError);
  EXPECT_EQ(RobotUtilService::user2BaseCoordinate(flange.cartPos.position, krn::Ori{0, 0, 0, 0},
                                                  taughtByJoints(rng, 3, tool), tool, keepP, keepQ),
            krn::ErrCode_UserToBaseConvertFailed);
  EXPECT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                  taughtByJoints(rng, 9, tool), tool, keepP, keepQ),
            krn::ErrCode_BaseToUserConvertFailed);
  EXPECT_EQ(RobotUtilService::user2BaseCoordinate(flange.cartPos.position, flange.orientation,
                                                  taughtByJoints(rng, 9, tool), tool, keepP, keepQ),
            krn::ErrCode_UserToBaseConvertFailed);
  EXPECT_EQ(keepP.x, 5.0);
  EXPECT_EQ(keepQ.w, 5.0);

  // A frame type the conversion does not know is refused from the user side.
  const EndPoints unknown = endPoints(teachPoints(randomFrame(rng), 3), 3, static_cast<krn::coordinate_refer>(3));
  krn::wayPoint_S out{};
  EXPECT_EQ(RobotUtilService::user2BaseCoordinatePrivate(flange, unknown, tool, out), krn::ErrCode_UserToBaseConvertFailed);
}

TEST(UserFramePoints, PointsAndVectorsToTheBase) {
  Rng rng(1008);
  SCOPED_TRACE(rng.seedTrace());
  const auto coord = taughtByJoints(rng, 5, rng.tool());
  double b[3], W[9], P0[3];
  ASSERT_EQ(RobotUtilService::coordinateSystemCalibration(coord, b, W, P0), krn::ErrnoSucc);
  Mat3 Wt;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) Wt[3 * r + c] = W[3 * c + r];

  krn::Pos base;
  ASSERT_EQ(RobotUtilService::userCoordPoint2BasePoint(krn::Pos{0, 0, 0}, coord, base), krn::ErrnoSucc);
  EXPECT_LT(geotest::maxDiff(geotest::vec(base), Vec3{P0[0], P0[1], P0[2]}), 1e-12);
  const Vec3 u{0.1, -0.2, 0.3};
  ASSERT_EQ(RobotUtilService::userCoordPoint2BasePoint(geotest::pos(u), coord, base), krn::ErrnoSucc);
  EXPECT_LT(geotest::maxDiff(geotest::vec(base), geotest::add(Vec3{P0[0], P0[1], P0[2]}, geotest::apply(Wt, u))), 1e-12);
  double v[3];
  ASSERT_EQ(RobotUtilService::offsetVectorUserCoord2Base(u.data(), coord, v), krn::ErrnoSucc);
  EXPECT_LT(geotest::maxDiff(Vec3{v[0], v[1], v[2]}, geotest::apply(Wt, u)), 1e-12);

  auto onBase = coord;
  onBase.coordType = krn::BaseCoordinate;
  ASSERT_EQ(RobotUtilService::userCoordPoint2BasePoint(geotest::pos(u), onBase, base), krn::ErrnoSucc);
  EXPECT_EQ(base.y, u[1]);
  ASSERT_EQ(RobotUtilService::offsetVectorUserCoord2Base(u.data(), onBase, v), krn::ErrnoSucc);
  EXPECT_EQ(v[2], u[2]);

  auto onEnd = coord;
  onEnd.coordType = krn::EndCoordinate;
  EXPECT_EQ(RobotUtilService::userCoordPoint2BasePoint(geotest::pos(u), onEnd, base), krn::ErrCode_ParamError);
  EXPECT_EQ(RobotUtilService::offsetVectorUserCoord2Base(u.data(), onEnd, v), krn::ErrCode_ParamError);
  auto badMethod = coord;
  badMethod.methods = static_cast<krn::CoordCalibrateMathod>(9);
  EXPECT_EQ(RobotUtilService::offsetVectorUserCoord2Base(u.data(), badMethod, v), krn::ErrCode_UserToBaseConvertFailed);
}

struct RelativeMove {
  krn::Pos pos;
  krn::Ori ori;
};

bool relative(krn::wayPoint_S first, const krn::CoordCalibrateByJointAngleAndTool& coord,
              const krn::ToolInEndDesc& realTool, const Vec3& dp, const krn::Ori& dq, RelativeMove& out) {
  return RobotUtilService::relativeMoveAndRot(first, coord, realTool, geotest::pos(dp), dq, out.pos, out.ori);
}

TEST(RelativeMove, BaseFrameUnchanged) {
  Rng rng(1009);
  SCOPED_TRACE(rng.seedTrace());
  auto coord = taughtByJoints(rng, 3, rng.tool(), krn::BaseCoordinate);
  const krn::Ori dq = rng.quaternion();
  RelativeMove out;
  ASSERT_TRUE(relative(flangePose(rng), coord, rng.tool(), {0.1, 0.2, 0.3}, dq, out));
  EXPECT_EQ(out.pos.y, 0.2);
  EXPECT_EQ(out.ori.x, dq.x);
}

TEST(RelativeMove, EndFrameWithARealToolMovesTheToolTipByTheOffset) {
  Rng rng(1010);
  SCOPED_TRACE(rng.seedTrace());
  const krn::ToolInEndDesc none{{0, 0, 0}, {1, 0, 0, 0}};
  for (int sample = 0; sample < 20; ++sample) {
    const auto coord = taughtByJoints(rng, 3, none, krn::EndCoordinate);
    const krn::ToolInEndDesc realTool = rng.tool();
    const krn::wayPoint_S first = flangePose(rng);
    const Vec3 dp = geotest::vec(rng.position(0.1));
    const krn::Ori dq = rng.quaternion();
    RelativeMove out;
    ASSERT_TRUE(relative(first, coord, realTool, dp, dq, out));
    ASSERT_GE(out.ori.w, 5.0);
    ASSERT_LE(out.ori.w, 7.0);
    const krn::Ori qNew{out.ori.w - 6.0, out.ori.x, out.ori.y, out.ori.z};
    const Mat3 RF = geotest::quatToMat(first.orientation);
    const Vec3 t = geotest::vec(realTool.toolInEndPosition);
    const Vec3 tipNow = geotest::add(geotest::vec(out.pos), geotest::apply(geotest::quatToMat(qNew), t));
    const Vec3 tipWanted = geotest::add(geotest::vec(first.cartPos.position), geotest::apply(RF, geotest::add(t, dp)));
    EXPECT_LT(geotest::maxDiff(tipNow, tipWanted), 1e-12);
    EXPECT_LT(geotest::quatDistance(qNew, geotest::quatMul(first.orientation, dq)), 1e-12);
  }
}

TEST(RelativeMove, EndFrameOfTheCoordinateToolIsABaseTransform) {
  Rng rng(1011);
  SCOPED_TRACE(rng.seedTrace());
  for (int sample = 0; sample < 20; ++sample) {
    const krn::ToolInEndDesc coordTool = rng.tool();
    const auto coord = taughtByJoints(rng, 3, coordTool, krn::EndCoordinate);
    const krn::wayPoint_S first = flangePose(rng);
    const Vec3 dp = geotest::vec(rng.position(0.1));
    const krn::Ori dq = rng.quaternion();
    RelativeMove out;
    ASSERT_TRUE(relative(first, coord, rng.tool(), dp, dq, out));
    EXPECT_GE(out.ori.w, 0.0);
    // G o X = X o T_rel for the tool-end pose X at the start.
    const Mat3 RX = geotest::mul(geotest::quatToMat(first.orientation), geotest::quatToMat(coordTool.toolInEndOrientation));
    const Vec3 pX = geotest::add(geotest::vec(first.cartPos.position),
                                 geotest::apply(geotest::quatToMat(first.orientation), geotest::vec(coordTool.toolInEndPosition)));
    const Mat3 G = geotest::quatToMat(out.ori);
    EXPECT_LT(geotest::maxDiff(geotest::add(geotest::apply(G, pX), geotest::vec(out.pos)),
                               geotest::add(pX, geotest::apply(RX, dp))),
              1e-12);
    const Mat3 lhs = geotest::mul(G, RX), rhs = geotest::mul(RX, geotest::quatToMat(dq));
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(lhs[i], rhs[i], 1e-12);
  }
}

TEST(RelativeMove, UserFrameMoveIsConjugatedIntoTheBase) {
  Rng rng(1012);
  SCOPED_TRACE(rng.seedTrace());
  for (int method = 3; method <= 8; ++method) {
    const auto coord = taughtByJoints(rng, method, rng.tool());
    double b[3], W[9], w[3];
    ASSERT_EQ(RobotUtilService::coordinateSystemCalibration(coord, b, W, w), krn::ErrnoSucc);
    Mat3 Wm;
    for (int i = 0; i < 9; ++i) Wm[i] = W[i];
    const Vec3 dp = geotest::vec(rng.position(0.1));
    const krn::Ori dq = rng.quaternion();
    RelativeMove out;
    ASSERT_TRUE(relative(flangePose(rng), coord, rng.tool(), dp, dq, out));
    // A base point x moves to W^T (R (W x + b) + dp - b).
    const Vec3 x = geotest::vec(rng.position(1.0));
    const Vec3 bv{b[0], b[1], b[2]};
    const Vec3 y = geotest::add(geotest::apply(geotest::quatToMat(dq), geotest::add(geotest::apply(Wm, x), bv)), dp);
    const Vec3 expect = geotest::apply(geotest::transpose(Wm), geotest::sub(y, bv));
    const Vec3 got = geotest::add(geotest::apply(geotest::quatToMat(out.ori), x), geotest::vec(out.pos));
    EXPECT_LT(geotest::maxDiff(got, expect), 1e-12) << "method " << method;
  }
}

TEST(RelativeMove, UnbuildableFrameOrRotationFailsWithoutWriting) {
  Rng rng(1013);
  SCOPED_TRACE(rng.seedTrace());
  auto badMethod = taughtByJoints(rng, 9, rng.tool());
  auto samePoints = taughtByJoints(rng, 3, rng.tool());
  samePoints.wayPointArray[1] = samePoints.wayPointArray[2] = samePoints.wayPointArray[0];
  const auto endFrame = taughtByJoints(rng, 3, rng.tool(), krn::EndCoordinate);
  struct Case {
    const char* name;
    const krn::CoordCalibrateByJointAngleAndTool& coord;
    krn::Ori dq;
  };
  const Case cases[] = {
      {"method 9", badMethod, {1, 0, 0, 0}},
      {"coincident points", samePoints, {1, 0, 0, 0}},
      {"zero rotation quaternion", endFrame, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    RelativeMove out{{5, 5, 5}, {5, 5, 5, 5}};
    EXPECT_FALSE(relative(flangePose(rng), c.coord, rng.tool(), {0.1, 0, 0}, c.dq, out)) << c.name;
    EXPECT_EQ(out.pos.x, 5.0) << c.name;
    EXPECT_EQ(out.ori.w, 5.0) << c.name;
  }
}

}  // namespace
