// Jacobian, damped least squares, dense matrix algebra and library quaternions.
#include "dax_alg_matrix.h"

#include <cmath>
#include <cstddef>
#include <new>

#include "dax_alg_model.h"

namespace {

// Scratch space for the small matrices this library handles lives on the
// stack; only larger requests fall back to the heap.
constexpr std::size_t kStackScratch = 64;

class Scratch {
 public:
  explicit Scratch(std::size_t n) {
    if (n <= kStackScratch) {
      data_ = local_;
    } else {
      heap_ = new (std::nothrow) double[n];
      data_ = heap_;
    }
  }
  ~Scratch() { delete[] heap_; }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  double* get() { return data_; }

 private:
  double local_[kStackScratch];
  double* heap_ = nullptr;
  double* data_ = nullptr;
};

}  // namespace

void getJacobiLib(double J[6][6], double* q) {
  if (J == nullptr || q == nullptr) return;
  double a2, a3, d1, d2, d5, d6;
  getDhPara(a2, a3, d1, d2, d5, d6, nullptr);
  (void)d1;

  const double s1 = std::sin(q[0]), c1 = std::cos(q[0]);
  const double s2 = std::sin(q[1]), c2 = std::cos(q[1]);
  const double s5 = std::sin(q[4]), c5 = std::cos(q[4]);
  const double s23 = std::sin(q[1] - q[2]), c23 = std::cos(q[1] - q[2]);
  const double s234 = std::sin(q[1] - q[2] + q[3]), c234 = std::cos(q[1] - q[2] + q[3]);

  // Terms of the forward position (see ComputeFkLib).
  const double rho = a2 * s2 + a3 * s23 + d5 * s234;
  const double r13 = -c5 * s1 - c1 * c234 * s5;
  const double r23 = s1 * c234 * s5 - c1 * c5;
  const double r33 = s5 * s234;
  const double px = c1 * rho - d2 * s1 + d6 * r13;
  const double py = -s1 * rho - d2 * c1 + d6 * r23;

  // Planar derivatives along the parallel axes 2, 3, 4: each joint moves the
  // links beyond it in the arm plane; e_k is the in-plane reach derivative and
  // f_k the height derivative, with the d6 wrist term through s5.
  const double wrist = d6 * s5;
  const double e4 = d5 * c234 + wrist * s234;
  const double f4 = -d5 * s234 + wrist * c234;
  const double e3 = a3 * c23 + e4;
  const double f3 = -a3 * s23 + f4;
  const double e2 = a2 * c2 + e3;
  const double f2 = -a2 * s2 + f3;

  // Joint 1: rotation about base -z.
  J[0][0] = py;
  J[1][0] = -px;
  J[2][0] = 0.0;
  // Joint 2 (q2 enters with +), joint 3 (with -), joint 4 (with +).
  J[0][1] = c1 * e2;
  J[1][1] = -s1 * e2;
  J[2][1] = f2;
  J[0][2] = -c1 * e3;
  J[1][2] = s1 * e3;
  J[2][2] = -f3;
  J[0][3] = c1 * e4;
  J[1][3] = -s1 * e4;
  J[2][3] = f4;
  // Joint 5: only the d6 lever moves.
  J[0][4] = d6 * (s5 * s1 - c1 * c234 * c5);
  J[1][4] = d6 * (s1 * c234 * c5 + c1 * s5);
  J[2][4] = d6 * c5 * s234;
  // Joint 6 turns about the flange axis through the flange centre.
  J[0][5] = 0.0;
  J[1][5] = 0.0;
  J[2][5] = 0.0;

  // Unit axes in base coordinates.
  J[3][0] = 0.0;
  J[4][0] = 0.0;
  J[5][0] = -1.0;
  J[3][1] = s1;
  J[4][1] = c1;
  J[5][1] = 0.0;
  J[3][2] = -s1;
  J[4][2] = -c1;
  J[5][2] = 0.0;
  J[3][3] = s1;
  J[4][3] = c1;
  J[5][3] = 0.0;
  J[3][4] = -c1 * s234;
  J[4][4] = s1 * s234;
  J[5][4] = -c234;
  J[3][5] = -r13;
  J[4][5] = -r23;
  J[5][5] = -r33;
}

bool dampedLeastSquare(double J[6][6], double* dx, double* dq) {
  if (J == nullptr || dx == nullptr || dq == nullptr) return false;
  double M[36];
  for (int r = 0; r < 6; ++r) {
    for (int c = 0; c < 6; ++c) {
      double s = 0.0;
      for (int k = 0; k < 6; ++k) s += J[r][k] * J[c][k];
      M[r * 6 + c] = s;
    }
    M[r * 6 + r] += 1000.0;
  }
  if (!positiveDefiniteMatrixInverse(M, 6)) return false;
  double v[6];
  for (int r = 0; r < 6; ++r) {
    double s = 0.0;
    for (int k = 0; k < 6; ++k) s += M[r * 6 + k] * dx[k];
    v[r] = s;
  }
  for (int c = 0; c < 6; ++c) {
    double s = 0.0;
    for (int k = 0; k < 6; ++k) s += J[k][c] * v[k];
    dq[c] = s;
  }
  return true;
}

bool positiveDefiniteMatrixInverse(double* A, int n) {
  if (A == nullptr || n < 1) return false;
  Scratch scratch(static_cast<std::size_t>(n));
  double* h = scratch.get();
  if (h == nullptr) return false;
  auto a = [A, n](int r, int c) -> double& { return A[r * n + c]; };

  for (int i = n; i > 0; --i) {
    const double p = a(0, 0);
    if (std::fabs(p) + 1.0 == 1.0) return false;
    for (int k = 1; k < n; ++k) {
      const double d = a(k, 0);
      h[k] = (k < i) ? -d / p : d / p;
      for (int l = 0; l < k; ++l) a(k - 1, l) = a(k, l + 1) + h[l + 1] * d;
    }
    a(n - 1, n - 1) = 1.0 / p;
    for (int l = 0; l < n - 1; ++l) a(n - 1, l) = h[l + 1];
  }
  for (int r = 0; r < n; ++r) {
    for (int c = r + 1; c < n; ++c) a(r, c) = a(c, r);
  }
  return true;
}

bool matrixMultiplication(double* C, double* A, double* B, unsigned m, unsigned n, unsigned p,
                          bool clear, bool plainA) {
  if (C == nullptr || A == nullptr || B == nullptr) return false;
  const std::size_t size = static_cast<std::size_t>(m) * p;
  Scratch scratch(size);
  double* t = scratch.get();
  if (t == nullptr) return false;
  for (unsigned i = 0; i < m; ++i) {
    for (unsigned j = 0; j < p; ++j) {
      double s = clear ? 0.0 : C[static_cast<std::size_t>(i) * p + j];
      for (unsigned k = 0; k < n; ++k) {
        const double aik = plainA ? A[static_cast<std::size_t>(i) * n + k]
                                  : A[static_cast<std::size_t>(k) * m + i];
        s += aik * B[static_cast<std::size_t>(k) * p + j];
      }
      t[static_cast<std::size_t>(i) * p + j] = s;
    }
  }
  for (std::size_t e = 0; e < size; ++e) C[e] = t[e];
  return true;
}

void vectorCrossProduct(double* out, double* a, double* b, bool normalize) {
  if (out == nullptr || a == nullptr || b == nullptr) return;
  double r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  if (normalize) {
    const double len = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    for (double& v : r) v /= len;
  }
  out[0] = r[0];
  out[1] = r[1];
  out[2] = r[2];
}

void vectorCrossProduct(Pos& out, Pos a, Pos b, bool normalize) {
  double va[3] = {a.x, a.y, a.z};
  double vb[3] = {b.x, b.y, b.z};
  double r[3];
  vectorCrossProduct(r, va, vb, normalize);
  out.x = r[0];
  out.y = r[1];
  out.z = r[2];
}

void QuaternionMultply(Ori a, Ori b, Ori& out) {
  Ori r;
  r.w = a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z);
  r.x = a.w * b.x + b.w * a.x + (a.y * b.z - a.z * b.y);
  r.y = a.w * b.y + b.w * a.y + (a.z * b.x - a.x * b.z);
  r.z = a.w * b.z + b.w * a.z + (a.x * b.y - a.y * b.x);
  out = r;
}

void QuaternionMultply(Ori& ori, Ori q, bool rightMul) {
  if (rightMul) {
    QuaternionMultply(ori, q, ori);
  } else {
    QuaternionMultply(q, ori, ori);
  }
}

void QuaternionMultply(Ori& ori, double s, Ori* out) {
  Ori& target = (out != nullptr) ? *out : ori;
  const Ori src = ori;
  target.w = src.w * s;
  target.x = src.x * s;
  target.y = src.y * s;
  target.z = src.z * s;
}

void QuaternionLog(Ori q, Ori& out) {
  if (q.w < 0.0) {
    q.w = -q.w;
    q.x = -q.x;
    q.y = -q.y;
    q.z = -q.z;
  }
  Ori r{0.0, 0.0, 0.0, 0.0};
  if (std::fabs(q.w) < 0.99999998) {
    const double theta = std::acos(q.w);
    const double k = theta / std::sin(theta);
    r.x = q.x * k;
    r.y = q.y * k;
    r.z = q.z * k;
  }
  out = r;
}

void QuaternionExp(Ori v, Ori& out) {
  const double theta = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (theta < 0.00017453292519943296) {
    out = Ori{1.0, 0.0, 0.0, 0.0};
    return;
  }
  const double k = std::sin(theta) / theta;
  out = Ori{std::cos(theta), v.x * k, v.y * k, v.z * k};
}
