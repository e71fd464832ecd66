// Tool calibration (tool-centre point and the six orientation methods), tool
// composition, orientation conversions and the record initialisers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "GeometryTestUtil.h"
#include "RobotUtilService.h"

namespace {

using geotest::Mat3;
using geotest::Rng;
using geotest::Vec3;
namespace krn = kavi_robot_namespace;

krn::wayPoint_S waypoint(const Vec3& p, const krn::Ori& q) {
  krn::wayPoint_S w{};
  w.cartPos.position = geotest::pos(p);
  w.orientation = q;
  return w;
}

// Flange poses whose tool tips, for `tool`, all touch the point `tip`.
std::vector<krn::wayPoint_S> tcpPoses(Rng& rng, const krn::ToolInEndDesc& tool, const Vec3& tip, int n) {
  std::vector<krn::wayPoint_S> poses;
  const Vec3 t = geotest::vec(tool.toolInEndPosition);
  for (int i = 0; i < n; ++i) {
    const krn::Ori q = rng.quaternion();
    poses.push_back(waypoint(geotest::sub(tip, geotest::apply(geotest::quatToMat(q), t)), q));
  }
  return poses;
}

// Rotation that takes the unit axis `axis` (0: x, 1: y, 2: z) to base -z.
Mat3 axisToMinusZ(int axis) {
  switch (axis) {
    case 0: return geotest::axisRotation(1, M_PI / 2);
    case 1: return geotest::axisRotation(0, -M_PI / 2);
    default: return geotest::axisRotation(0, M_PI);
  }
}

// Orientation-teaching poses of `method` for a tool mounted as `tool`.
std::vector<krn::wayPoint_S> orientationPoses(Rng& rng, const krn::ToolInEndDesc& tool, int method) {
  const Mat3 Rt = geotest::quatToMat(tool.toolInEndOrientation);
  const Vec3 t = geotest::vec(tool.toolInEndPosition);
  std::vector<krn::wayPoint_S> poses;
  if (method <= 2) {
    // Tool tip at the tool origin, on its first axis, in the plane of the
    // first and second axes; tool axes measured with the first pose.
    const Mat3 R0 = geotest::quatToMat(rng.quaternion());
    const Mat3 T = geotest::mul(R0, Rt);
    const int first = method, second = (method + 1) % 3;
    const Vec3 axisA{T[first], T[3 + first], T[6 + first]};
    const Vec3 axisB{T[second], T[3 + second], T[6 + second]};
    const Vec3 O = geotest::vec(rng.position(0.5));
    const Vec3 tips[3] = {O, geotest::add(O, geotest::scale(axisA, 0.12)),
                          geotest::add(O, geotest::add(geotest::scale(axisA, 0.05), geotest::scale(axisB, 0.08)))};
    for (int k = 0; k < 3; ++k) {
      const Mat3 R = k == 0 ? R0 : geotest::quatToMat(rng.quaternion());
      poses.push_back(waypoint(geotest::sub(tips[k], geotest::apply(R, t)), geotest::matToQuat(R)));
    }
  } else {
    // Pose A: first tool axis along base -z; pose B: the next axis.
    const int first = method - 3;
    for (int axis : {first, (first + 1) % 3}) {
      const Mat3 R = geotest::mul(geotest::mul(geotest::axisRotation(2, rng.uniform(-3, 3)), axisToMinusZ(axis)),
                                  geotest::transpose(Rt));
      poses.push_back(waypoint(geotest::vec(rng.position(0.5)), geotest::matToQuat(R)));
    }
  }
  return poses;
}

TEST(ToolCentrePoint, ExactFromFiveOrMorePoses) {
  Rng rng(101);
  SCOPED_TRACE(rng.seedTrace());
  for (int n : {4, 5, 9}) {
    krn::ToolInEndDesc tool = rng.tool();
    if (n == 5) tool.toolInEndPosition = krn::Pos{0.01, -0.02, 0.15};
    const auto poses = tcpPoses(rng, tool, geotest::vec(rng.position(0.6)), n);
    krn::ToolInEndDesc out{};
    ASSERT_EQ(RobotUtilService::toolCalibration(poses, 0, out), krn::ErrnoSucc) << n;
    EXPECT_LT(geotest::maxDiff(geotest::vec(out.toolInEndPosition), geotest::vec(tool.toolInEndPosition)), 1e-12) << n;
    EXPECT_EQ(out.toolInEndOrientation.w, 1.0);
    EXPECT_EQ(out.toolInEndOrientation.x, 0.0);
  }
}

TEST(ToolCentrePoint, NoisyPosesGiveTheLeastSquaresSolution) {
  Rng rng(202);
  SCOPED_TRACE(rng.seedTrace());
  const krn::ToolInEndDesc tool = rng.tool();
  auto poses = tcpPoses(rng, tool, geotest::vec(rng.position(0.6)), 7);
  for (auto& p : poses) {
    p.cartPos.position.x += rng.uniform(-1e-3, 1e-3);
    p.cartPos.position.y += rng.uniform(-1e-3, 1e-3);
    p.cartPos.position.z += rng.uniform(-1e-3, 1e-3);
  }
  // Normal equations of (R_i - R_0) t = -(p_i - p_0), solved by Cramer's rule.
  double M[9] = {}, b[3] = {};
  const Mat3 R0 = geotest::quatToMat(poses[0].orientation);
  const Vec3 p0 = geotest::vec(poses[0].cartPos.position);
  for (std::size_t i = 1; i < poses.size(); ++i) {
    const Mat3 Ri = geotest::quatToMat(poses[i].orientation);
    const Vec3 y = geotest::sub(geotest::vec(poses[i].cartPos.position), p0);
    double A[9];
    for (int k = 0; k < 9; ++k) A[k] = Ri[k] - R0[k];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        for (int k = 0; k < 3; ++k) M[3 * r + c] += A[3 * k + r] * A[3 * k + c];
      }
    for (int r = 0; r < 3; ++r)
      for (int k = 0; k < 3; ++k) b[r] -= A[3 * k + r] * y[k];
  }
  auto det = [](const double* m) {
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]);
  };
  Vec3 expect;
  for (int c = 0; c < 3; ++c) {
    double Mc[9];
    std::memcpy(Mc, M, sizeof M);
    for (int r = 0; r < 3; ++r) Mc[3 * r + c] = b[r];
    expect[c] = det(Mc) / det(M);
  }
  krn::ToolInEndDesc out{};
  ASSERT_EQ(RobotUtilService::toolCalibration(poses, {}, krn::ToolKinematicsOriCalibrateMathod_Invalid, out),
            krn::ErrnoSucc);
  EXPECT_LT(geotest::maxDiff(geotest::vec(out.toolInEndPosition), expect), 1e-10);
  // The noise moves the answer, but not far.
  EXPECT_LT(geotest::maxDiff(geotest::vec(out.toolInEndPosition), geotest::vec(tool.toolInEndPosition)), 1e-2);
}

TEST(ToolOrientation, EveryMethodReproducesAKnownTool) {
  Rng rng(303);
  SCOPED_TRACE(rng.seedTrace());
  for (int method = 0; method <= 5; ++method) {
    for (int sample = 0; sample < 5; ++sample) {
      const krn::ToolInEndDesc tool = rng.tool();
      const auto posPoses = tcpPoses(rng, tool, geotest::vec(rng.position(0.6)), 6);
      const auto oriPoses = orientationPoses(rng, tool, method);
      krn::ToolInEndDesc out{};
      ASSERT_EQ(RobotUtilService::toolCalibration(
                    posPoses, oriPoses, static_cast<krn::ToolKinematicsOriCalibrateMathod>(method), out),
                krn::ErrnoSucc)
          << "method " << method;
      EXPECT_GE(out.toolInEndOrientation.w, 0.0);
      EXPECT_LT(geotest::quatDistance(out.toolInEndOrientation, tool.toolInEndOrientation), 1e-9)
          << "method " << method << " sample " << sample;
      EXPECT_LT(geotest::maxDiff(geotest::vec(out.toolInEndPosition), geotest::vec(tool.toolInEndPosition)), 1e-10);
    }
  }
}

TEST(ToolCalibration, ParameterSizesAgainstMethod) {
  struct Case {
    int posCount;
    int oriFromMethod;  // poses taught for this method (-1: none)
    int oriCount;
    int method;
    int expected;
  };
  const Case cases[] = {
      {3, -1, 0, -1, krn::ErrCode_ToolCalibrateParamError},
      {4, -1, 0, -1, krn::ErrnoSucc},
      {4, -1, 0, 3, krn::ErrnoSucc},  // no orientation poses: position only
      {4, 3, 2, 1, krn::ErrCode_ToolCalibrateParamError},
      {4, 0, 3, 4, krn::ErrCode_ToolCalibrateParamError},
      {4, 3, 1, 3, krn::ErrCode_ToolCalibrateParamError},
      {4, 0, 3, -1, krn::ErrCode_ToolCalibrateParamError},
      {4, 0, 3, 2, krn::ErrnoSucc},
      {4, 3, 2, 5, krn::ErrnoSucc},
  };
  Rng rng(404);
  SCOPED_TRACE(rng.seedTrace());
  for (const Case& c : cases) {
    const krn::ToolInEndDesc tool = rng.tool();
    const auto posPoses = tcpPoses(rng, tool, geotest::vec(rng.position(0.6)), c.posCount);
    std::vector<krn::wayPoint_S> oriPoses;
    if (c.oriFromMethod >= 0) oriPoses = orientationPoses(rng, tool, c.oriFromMethod);
    oriPoses.resize(c.oriCount);
    krn::ToolInEndDesc out{{7, 7, 7}, {7, 7, 7, 7}};
    EXPECT_EQ(RobotUtilService::toolCalibration(posPoses, oriPoses,
                                                static_cast<krn::ToolKinematicsOriCalibrateMathod>(c.method), out),
              c.expected)
        << c.posCount << " poses, " << c.oriCount << " orientation poses, method " << c.method;
    if (c.expected != krn::ErrnoSucc) {
      EXPECT_EQ(out.toolInEndPosition.x, 7.0);
    }
  }
  // The position-only form reports every failure as a calibration error.
  krn::ToolInEndDesc out{};
  EXPECT_EQ(RobotUtilService::toolCalibration(tcpPoses(rng, rng.tool(), {0, 0, 0}, 3), 0, out),
            krn::ErrCode_ToolCalibrateError);
}

TEST(ToolCalibration, DegeneratePosesFailWithoutWritingTheTool) {
  Rng rng(505);
  SCOPED_TRACE(rng.seedTrace());
  const krn::ToolInEndDesc tool = rng.tool();
  const Vec3 tip{0.4, 0.1, 0.2};
  // Every flange orientation a turn about base z: the tool height is unknown.
  std::vector<krn::wayPoint_S> zTurns;
  for (int i = 0; i < 6; ++i) {
    const double a = 0.5 * i;
    const krn::Ori q{std::cos(a / 2), 0, 0, std::sin(a / 2)};
    zTurns.push_back(waypoint(geotest::sub(tip, geotest::apply(geotest::quatToMat(q), geotest::vec(tool.toolInEndPosition))), q));
  }
  const auto posPoses = tcpPoses(rng, tool, tip, 5);
  // Orientation points closer than 1 cm, and two orientation poses that show
  // the same direction.
  auto closePoints = orientationPoses(rng, tool, 0);
  closePoints[1] = closePoints[0];
  auto sameDirection = orientationPoses(rng, tool, 3);
  sameDirection[1] = sameDirection[0];

  struct Case {
    const char* name;
    const std::vector<krn::wayPoint_S>& pos;
    std::vector<krn::wayPoint_S> ori;
    int method;
  };
  const Case cases[] = {
      {"turns about z", zTurns, {}, -1},
      {"orientation points coincide", posPoses, closePoints, 0},
      {"taught directions parallel", posPoses, sameDirection, 3},
  };
  for (const Case& c : cases) {
    krn::ToolInEndDesc out{{7, 7, 7}, {7, 7, 7, 7}};
    EXPECT_EQ(RobotUtilService::toolCalibration(c.pos, c.ori,
                                                static_cast<krn::ToolKinematicsOriCalibrateMathod>(c.method), out),
              krn::ErrCode_ToolCalibrateError)
        << c.name;
    EXPECT_EQ(out.toolInEndPosition.x, 7.0) << c.name;
    EXPECT_EQ(out.toolInEndOrientation.w, 7.0) << c.name;
  }
}

TEST(ToolComposition, EndAndToolOrientationAndPosition) {
  Rng rng(606);
  SCOPED_TRACE(rng.seedTrace());
  krn::Ori tcp = rng.quaternion();
  const krn::Ori flange = rng.quaternion();
  krn::Ori toolOri, back;
  ASSERT_EQ(RobotUtilService::endOrientation2ToolOrientation(tcp, flange, toolOri), krn::ErrnoSucc);
  EXPECT_LT(geotest::quatDistance(toolOri, geotest::quatMul(flange, tcp)), 1e-15);
  ASSERT_EQ(RobotUtilService::toolOrientation2EndOrientation(tcp, toolOri, back), krn::ErrnoSucc);
  EXPECT_LT(geotest::quatDistance(back, flange), 1e-14);

  const krn::wayPoint_S f = waypoint(geotest::vec(rng.position(1)), flange);
  const krn::Pos offset = rng.position(0.2);
  krn::Pos base;
  ASSERT_EQ(RobotUtilService::endPosition2BasePosition(f, offset, base), krn::ErrnoSucc);
  const Vec3 expect = geotest::add(geotest::vec(f.cartPos.position),
                                   geotest::apply(geotest::quatToMat(flange), geotest::vec(offset)));
  EXPECT_LT(geotest::maxDiff(geotest::vec(base), expect), 1e-15);

  // Non-finite input is refused and the outputs stay as they were.
  krn::Ori bad{NAN, 0, 0, 0}, untouched{5, 5, 5, 5};
  EXPECT_EQ(RobotUtilService::endOrientation2ToolOrientation(bad, flange, untouched), krn::ErrCode_ParamError);
  EXPECT_EQ(RobotUtilService::toolOrientation2EndOrientation(tcp, bad, untouched), krn::ErrCode_ParamError);
  EXPECT_EQ(untouched.w, 5.0);
  krn::Pos unchanged{5, 5, 5};
  EXPECT_EQ(RobotUtilService::endPosition2BasePosition(f, krn::Pos{INFINITY, 0, 0}, unchanged),
            krn::ErrCode_ParamError);
  EXPECT_EQ(unchanged.x, 5.0);
}

TEST(OrientationConversions, RollPitchYaw) {
  const krn::Rpy rpy{0.3, -0.4, 1.2};
  krn::Ori q;
  ASSERT_EQ(RobotUtilService::RPYToQuaternion(rpy, q), krn::ErrnoSucc);
  const Mat3 R = geotest::mul(geotest::mul(geotest::axisRotation(2, 1.2), geotest::axisRotation(1, -0.4)),
                              geotest::axisRotation(0, 0.3));
  EXPECT_LT(geotest::quatDistance(q, geotest::matToQuat(R)), 1e-7);
  krn::Rpy back;
  ASSERT_EQ(RobotUtilService::quaternionToRPY(q, back), krn::ErrnoSucc);
  EXPECT_NEAR(back.rx, 0.3, 2e-7);
  EXPECT_NEAR(back.ry, -0.4, 2e-7);
  EXPECT_NEAR(back.rz, 1.2, 2e-7);

  Rng rng(707);
  SCOPED_TRACE(rng.seedTrace());
  for (int sample = 0; sample < 200; ++sample) {
    const krn::Rpy in{rng.uniform(-3.1, 3.1), rng.uniform(-1.5, 1.5), rng.uniform(-3.1, 3.1)};
    krn::Ori qq;
    krn::Rpy out;
    ASSERT_EQ(RobotUtilService::RPYToQuaternion(in, qq), krn::ErrnoSucc);
    ASSERT_EQ(RobotUtilService::quaternionToRPY(qq, out), krn::ErrnoSucc);
    // Single precision on the way: a few ulp of float at angles up to pi.
    EXPECT_NEAR(out.rx, in.rx, 1e-6) << sample;
    EXPECT_NEAR(out.ry, in.ry, 1e-6) << sample;
    EXPECT_NEAR(out.rz, in.rz, 1e-6) << sample;
  }

  krn::Ori untouched{5, 5, 5, 5};
  EXPECT_EQ(RobotUtilService::RPYToQuaternion(krn::Rpy{NAN, 0, 0}, untouched), krn::ErrCode_ParamError);
  EXPECT_EQ(untouched.w, 5.0);
  krn::Rpy keep{5, 5, 5};
  EXPECT_EQ(RobotUtilService::quaternionToRPY(krn::Ori{0, 0, 0, 0}, keep), krn::ErrCode_ParamError);
  EXPECT_EQ(RobotUtilService::quaternionToRPY(krn::Ori{1, NAN, 0, 0}, keep), krn::ErrCode_ParamError);
  EXPECT_EQ(keep.rx, 5.0);
}

TEST(OrientationConversions, MatrixToQuaternion) {
  struct Case {
    double R[9];
    krn::Ori expected;
  };
  const Case cases[] = {
      {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 0, 0, 0}},
      {{1, 0, 0, 0, -1, 0, 0, 0, -1}, {0, 1, 0, 0}},
      {{-1, 0, 0, 0, -1, 0, 0, 0, 1}, {0, 0, 0, 1}},
      {{1, 0, 0, 0, 0, -1, 0, 1, 0}, {M_SQRT1_2, M_SQRT1_2, 0, 0}},
  };
  for (const Case& c : cases) {
    double R[9];
    std::memcpy(R, c.R, sizeof R);
    krn::Ori q{};
    ASSERT_EQ(RobotUtilService::oriMatrixToQuaternion(R, q), krn::ErrnoSucc);
    EXPECT_NEAR(q.w, c.expected.w, 1e-15);
    EXPECT_NEAR(q.x, c.expected.x, 1e-15);
    EXPECT_NEAR(q.y, c.expected.y, 1e-15);
    EXPECT_NEAR(q.z, c.expected.z, 1e-15);
  }
  double bad[9] = {NAN, 0, 0, 0, 1, 0, 0, 0, 1};
  krn::Ori untouched{5, 5, 5, 5};
  EXPECT_EQ(RobotUtilService::oriMatrixToQuaternion(bad, untouched), krn::ErrCode_Failed);
  EXPECT_EQ(untouched.w, 5.0);
  EXPECT_EQ(RobotUtilService::oriMatrixToQuaternion(nullptr, untouched), krn::ErrCode_ParamError);
}

TEST(RecordInitialisers, ResetEveryField) {
  geotest::ModelGuard restoreModel0;
  setDhParaLen(kavi_heron);
  krn::wayPoint_S w;
  std::memset(&w, 0x7f, sizeof w);
  RobotUtilService::initWayPointDataType(w);
  for (double j : w.jointpos) EXPECT_EQ(j, 0.0);
  EXPECT_NEAR(w.cartPos.position.x, 0.0, 1e-15);
  EXPECT_NEAR(w.cartPos.position.y, -0.2155, 1e-15);
  EXPECT_NEAR(w.cartPos.position.z, 0.985, 1e-15);
  EXPECT_NEAR(w.orientation.w, M_SQRT1_2, 1e-15);
  EXPECT_NEAR(w.orientation.x, M_SQRT1_2, 1e-15);

  krn::MoveRelative rel;
  std::memset(&rel, 0x7f, sizeof rel);
  RobotUtilService::initMoveRelativeDataType(rel);
  EXPECT_FALSE(rel.ena);
  EXPECT_EQ(rel.relativePosition[2], 0.0f);
  EXPECT_EQ(rel.relativeOri.w, 1.0);
  EXPECT_EQ(rel.relativeOri.z, 0.0);

  krn::CoordCalibrateByJointAngleAndTool coord;
  std::memset(&coord, 0x7f, sizeof coord);
  RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(coord);
  EXPECT_EQ(coord.coordType, krn::BaseCoordinate);
  EXPECT_EQ(coord.methods, 0);
  EXPECT_EQ(coord.wayPointArray[2].jointPos[5], 0.0);
  EXPECT_TRUE(RobotUtilService::isNoneTool(coord.toolDesc));
  EXPECT_EQ(coord.toolDesc.toolInEndOrientation.w, 1.0);

  krn::ToolDynamicsParam dyn;
  std::memset(&dyn, 0x7f, sizeof dyn);
  RobotUtilService::initToolDynamicsParamDataType(dyn);
  EXPECT_EQ(dyn.payload, 0.0);
  EXPECT_EQ(dyn.toolInertia.zz, 0.0);

  krn::Ori o{0, 0, 0, 0};
  RobotUtilService::initOrientation(o);
  EXPECT_EQ(o.w, 1.0);
}

}  // namespace
