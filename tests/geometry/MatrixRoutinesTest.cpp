// Jacobian, damped least squares, matrix inverse and product, cross product,
// library quaternions and the rigid-transform helpers of Ikfunc.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GeometryTestUtil.h"
#include "Ikfunc.h"
#include "dax_alg.h"

namespace {

using geotest::Rng;

void fk(const double* q, double* t, double* R) { ComputeFkLib(q, t, R); }

// Jacobian by central differences of ComputeFkLib: linear rows from the
// position, angular rows from the skew part of dR/dq R^T.
void numericJacobian(const double* q, double J[6][6]) {
  const double h = 1e-6;
  double t0[3], R0[9];
  fk(q, t0, R0);
  for (int c = 0; c < 6; ++c) {
    double qp[6], qm[6];
    for (int i = 0; i < 6; ++i) qp[i] = qm[i] = q[i];
    qp[c] += h;
    qm[c] -= h;
    double tp[3], tm[3], Rp[9], Rm[9];
    fk(qp, tp, Rp);
    fk(qm, tm, Rm);
    for (int i = 0; i < 3; ++i) J[i][c] = (tp[i] - tm[i]) / (2 * h);
    double S[9] = {};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) S[3 * i + j] += (Rp[3 * i + k] - Rm[3 * i + k]) / (2 * h) * R0[3 * j + k];
    J[3][c] = S[7];
    J[4][c] = S[2];
    J[5][c] = S[3];
  }
}

TEST(Jacobian, MatchesCentralDifferencesForEveryModel) {
  geotest::ModelGuard restoreModel0;
  Rng rng(20240611);
  SCOPED_TRACE(rng.seedTrace());
  for (int model = 0; model <= 6; ++model) {
    setDhParaLen(static_cast<kavi_robot_type>(model));
    for (int sample = 0; sample < 25; ++sample) {
      const auto q = rng.joints(3.0);
      double J[6][6], N[6][6];
      getJacobiLib(J, const_cast<double*>(q.data()));
      numericJacobian(q.data(), N);
      for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c)
          ASSERT_NEAR(J[r][c], N[r][c], 1e-8) << "model " << model << " sample " << sample
                                              << " entry " << r << "," << c;
    }
  }
}

TEST(Jacobian, KnownAxesAtReferencePose) {
  double q[6] = {0.3, -0.5, 0.7, 0.2, 1.0, 0.4};
  double J[6][6];
  getJacobiLib(J, q);
  EXPECT_DOUBLE_EQ(J[5][0], -1.0);
  EXPECT_DOUBLE_EQ(J[3][1], std::sin(0.3));
  EXPECT_DOUBLE_EQ(J[4][2], -std::cos(0.3));
  for (int r = 0; r < 3; ++r) EXPECT_EQ(J[r][5], 0.0);
}

TEST(DampedLeastSquare, SolvesTheDampedNormalEquations) {
  Rng rng(77);
  SCOPED_TRACE(rng.seedTrace());
  for (int sample = 0; sample < 20; ++sample) {
    double J[6][6], dx[6], dq[6];
    for (auto& row : J)
      for (double& v : row) v = rng.uniform(-1, 1);
    for (double& v : dx) v = rng.uniform(-0.01, 0.01);
    ASSERT_TRUE(dampedLeastSquare(J, dx, dq));
    // J^T (J J^T + k I)^-1 dx equals (J^T J + k I)^-1 J^T dx.
    for (int i = 0; i < 6; ++i) {
      double lhs = 1000.0 * dq[i], rhs = 0.0;
      for (int j = 0; j < 6; ++j) {
        double jtj = 0.0;
        for (int k = 0; k < 6; ++k) jtj += J[k][i] * J[k][j];
        lhs += jtj * dq[j];
        rhs += J[j][i] * dx[j];
      }
      EXPECT_NEAR(lhs, rhs, 1e-13);
    }
  }
}

struct InverseCase {
  const char* name;
  std::vector<double> A;
  bool ok;
  std::vector<double> inverse;  // empty: not compared
};

TEST(PositiveDefiniteMatrixInverse, TableOfCases) {
  const std::vector<InverseCase> cases = {
      {"upper triangle ignored", {2, 0, 1, 3}, true, {0.6, -0.2, -0.2, 0.4}},
      {"zero leading pivot", {0, 1, 1, 0}, false, {}},
      {"pivot below resolution", {1e-17, 0, 0, 1}, false, {}},
      {"small pivot still resolved", {1e-15, 0, 0, 1}, true, {1e15, 0, 0, 1}},
      {"one by one", {4}, true, {0.25}},
      {"indefinite with non-zero pivots", {1, 2, 2, 1}, true, {-1.0 / 3, 2.0 / 3, 2.0 / 3, -1.0 / 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> A = c.A;
    const int n = static_cast<int>(std::lround(std::sqrt(static_cast<double>(A.size()))));
    ASSERT_EQ(positiveDefiniteMatrixInverse(A.data(), n), c.ok);
    for (std::size_t i = 0; i < c.inverse.size(); ++i) EXPECT_NEAR(A[i], c.inverse[i], 1e-12 * std::fabs(c.inverse[i]) + 1e-15);
  }
  double one = 1.0;
  EXPECT_FALSE(positiveDefiniteMatrixInverse(&one, 0));
  EXPECT_FALSE(positiveDefiniteMatrixInverse(nullptr, 2));
}

TEST(PositiveDefiniteMatrixInverse, RandomSymmetricMatricesTimesInverseGiveIdentity) {
  Rng rng(31337);
  SCOPED_TRACE(rng.seedTrace());
  for (int n : {3, 6, 20}) {  // 20 exceeds the stack scratch of the routine
    for (int sample = 0; sample < 5; ++sample) {
      std::vector<double> B(n * n), A(n * n, 0.0);
      for (double& v : B) v = rng.uniform(-1, 1);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
          for (int k = 0; k < n; ++k) A[i * n + j] += B[i * n + k] * B[j * n + k];
      for (int i = 0; i < n; ++i) A[i * n + i] += 0.5;
      std::vector<double> inv = A;
      ASSERT_TRUE(positiveDefiniteMatrixInverse(inv.data(), n));
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          double s = 0.0;
          for (int k = 0; k < n; ++k) s += A[i * n + k] * inv[k * n + j];
          EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-9) << "n=" << n;
        }
    }
  }
}

TEST(MatrixMultiplication, PlainAndTransposedWithAndWithoutClear) {
  // A is 2x3 (plain) or stored 3x2 (transposed form), B is 3x2.
  double Aplain[6] = {1, 2, 3, 4, 5, 6};
  double Astored[6] = {1, 4, 2, 5, 3, 6};  // Aplain^T
  double B[6] = {7, 8, 9, 10, 11, 12};
  const double AB[4] = {58, 64, 139, 154};
  for (bool plain : {true, false}) {
    for (bool clear : {true, false}) {
      double C[4] = {1, 1, 1, 1};
      ASSERT_TRUE(matrixMultiplication(C, plain ? Aplain : Astored, B, 2, 3, 2, clear, plain));
      for (int i = 0; i < 4; ++i) EXPECT_EQ(C[i], AB[i] + (clear ? 0.0 : 1.0)) << plain << clear;
    }
  }
  // The result may overwrite an operand.
  double S[4] = {1, 2, 3, 4};
  double I[4] = {0, 1, 1, 0};
  ASSERT_TRUE(matrixMultiplication(S, S, I, 2, 2, 2, true, true));
  EXPECT_EQ(S[0], 2);
  EXPECT_EQ(S[1], 1);
  EXPECT_EQ(S[2], 4);
  EXPECT_EQ(S[3], 3);
  double C[4] = {9, 9, 9, 9};
  EXPECT_FALSE(matrixMultiplication(C, nullptr, B, 2, 3, 2, true, true));
  EXPECT_FALSE(matrixMultiplication(nullptr, Aplain, B, 2, 3, 2, true, true));
  EXPECT_EQ(C[0], 9);
}

TEST(VectorCrossProduct, BothFormsAndNormalisation) {
  double a[3] = {2, 0, 0}, b[3] = {0, 3, 0}, out[3];
  vectorCrossProduct(out, a, b, false);
  EXPECT_EQ(out[2], 6.0);
  vectorCrossProduct(out, a, b, true);
  EXPECT_EQ(out[0], 0.0);
  EXPECT_EQ(out[2], 1.0);
  Pos p;
  vectorCrossProduct(p, Pos{0, 1, 0}, Pos{1, 0, 0}, false);
  EXPECT_EQ(p.z, -1.0);
  // Parallel vectors: a zero product stays non-finite when normalised.
  vectorCrossProduct(out, a, a, true);
  EXPECT_FALSE(std::isfinite(out[0]));
}

TEST(LibraryQuaternions, ProductOverloadsAgree) {
  Rng rng(5);
  SCOPED_TRACE(rng.seedTrace());
  const auto a = rng.quaternion(), b = rng.quaternion();
  const auto ab = geotest::quatMul(a, b);
  Ori la{a.w, a.x, a.y, a.z}, lb{b.w, b.x, b.y, b.z}, out;
  QuaternionMultply(la, lb, out);
  EXPECT_NEAR(out.w, ab.w, 1e-15);
  EXPECT_NEAR(out.z, ab.z, 1e-15);
  Ori right = la;
  QuaternionMultply(right, lb, true);  // a (x) b
  EXPECT_NEAR(right.x, ab.x, 1e-15);
  Ori left = lb;
  QuaternionMultply(left, la, false);  // a (x) b
  EXPECT_NEAR(left.y, ab.y, 1e-15);
  Ori scaled = la;
  QuaternionMultply(scaled, 2.0, nullptr);
  EXPECT_EQ(scaled.w, 2.0 * a.w);
  Ori target{};
  QuaternionMultply(la, -1.0, &target);
  EXPECT_EQ(target.x, -a.x);
  EXPECT_EQ(la.x, a.x);
}

TEST(LibraryQuaternions, LogOfBothSignsAndExpRoundTrip) {
  Rng rng(6);
  SCOPED_TRACE(rng.seedTrace());
  for (int sample = 0; sample < 50; ++sample) {
    const auto k = rng.quaternion();
    Ori q{k.w, k.x, k.y, k.z}, nq{-k.w, -k.x, -k.y, -k.z}, l1, l2, e;
    QuaternionLog(q, l1);
    QuaternionLog(nq, l2);
    EXPECT_EQ(l1.w, 0.0);
    EXPECT_NEAR(l1.x, l2.x, 1e-15);
    EXPECT_NEAR(l1.z, l2.z, 1e-15);
    QuaternionExp(l1, e);
    EXPECT_NEAR(e.w, q.w, 1e-12);
    EXPECT_NEAR(e.x, q.x, 1e-12);
    EXPECT_NEAR(e.y, q.y, 1e-12);
    EXPECT_NEAR(e.z, q.z, 1e-12);
  }
  Ori out;
  QuaternionLog(Ori{1, 0, 0, 0}, out);
  EXPECT_EQ(out.x, 0.0);
  QuaternionExp(Ori{0, 1e-5, 0, 0}, out);
  EXPECT_EQ(out.w, 1.0);
  EXPECT_EQ(out.x, 0.0);
}

TEST(IkfuncTransforms, ComposeApplyAndInvert) {
  Rng rng(8);
  SCOPED_TRACE(rng.seedTrace());
  const auto q1 = rng.quaternion(), q2 = rng.quaternion();
  auto R1 = geotest::quatToMat(q1), R2 = geotest::quatToMat(q2);
  auto t1 = geotest::vec(rng.position(1)), t2 = geotest::vec(rng.position(1));

  wayPoint_S composed{};
  Ikfunc::hMatrixMultiply(R1.data(), t1.data(), R2.data(), t2.data(), &composed, nullptr);
  const auto expectPos = geotest::add(geotest::apply(R1, t2), t1);
  EXPECT_LT(geotest::maxDiff(geotest::Vec3{composed.cartPos.positionVector[0], composed.cartPos.positionVector[1],
                                           composed.cartPos.positionVector[2]},
                             expectPos),
            1e-14);
  const auto& o = composed.orientation;
  EXPECT_LT(geotest::quatDistance(geotest::pub(o), geotest::quatMul(q1, q2)), 1e-12);

  double Rout[9];
  Ikfunc::hMatrixMultiply(R1.data(), nullptr, R2.data(), t2.data(), &composed, Rout);
  const auto R12 = geotest::mul(R1, R2);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(Rout[i], R12[i], 1e-15);

  // 3x3 with a separate translation, 3x4 with the translation column, and
  // the rotation alone; forward then inverse returns the point.
  double H[12];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) H[4 * r + c] = R1[3 * r + c];
    H[4 * r + 3] = t1[r];
  }
  auto x = geotest::vec(rng.position(1));
  double y[3], back[3], y34[3], rel[3];
  Ikfunc::hMatrixVectorProduct(false, t1.data(), R1.data(), false, x.data(), y);
  Ikfunc::hMatrixVectorProduct(false, nullptr, H, false, x.data(), y34);
  Ikfunc::hMatrixVectorProduct(true, t1.data(), R1.data(), false, y, back);
  Ikfunc::hMatrixVectorProduct(false, t1.data(), R1.data(), true, x.data(), rel);
  const auto expectY = geotest::add(geotest::apply(R1, x), t1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(y[i], expectY[i], 1e-15);
    EXPECT_NEAR(y34[i], expectY[i], 1e-15);
    EXPECT_NEAR(back[i], x[i], 1e-14);
    EXPECT_NEAR(rel[i], expectY[i] - t1[i], 1e-15);
  }
}

}  // namespace
