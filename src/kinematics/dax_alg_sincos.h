// Sine and cosine of one angle together, for the kinematic kernels: Cody-Waite
// reduction to the nearest multiple of pi/2 and the fdlibm minimax polynomials
// on [-pi/4, pi/4] (error about 1 ulp). Several times faster than two libm calls; angles of
// magnitude 1e5 and above, and non-finite ones, go to libm.
#ifndef DAX_ALG_SINCOS_H
#define DAX_ALG_SINCOS_H

#include <cmath>
#include <cstdint>
#include <cstring>

namespace dax_alg {

// Sine and cosine of |x| < 1e5 (finite). Only 64-bit lane operations (no
// table look-ups, no branches, no conversions), so that loops over it
// vectorise with baseline SSE2.
inline void sinCosReduced(double x, double& s, double& c) {
  constexpr double kTwoOverPi = 6.36619772367581382433e-01;
  // pi/2 in three parts: the first two have few enough bits that k * part
  // is exact for every k reached here.
  constexpr double kPio2a = 1.57079632673412561417e+00;
  constexpr double kPio2b = 6.07710050630396597660e-11;
  constexpr double kPio2c = 2.02226624879595063154e-21;
  // Adding 1.5 * 2^52 rounds to the nearest integer k and leaves k in the
  // low bits of the sum's pattern.
  constexpr double kRound = 6755399441055744.0;
  const double t = x * kTwoOverPi + kRound;
  const double k = t - kRound;
  std::uint64_t ki;
  std::memcpy(&ki, &t, sizeof ki);
  const double r = ((x - k * kPio2a) - k * kPio2b) - k * kPio2c;
  const double z = r * r;
  const double sr =
      r + r * z *
              (-1.66666666666666324348e-01 +
               z * (8.33333333332248946124e-03 +
                    z * (-1.98412698298579493134e-04 +
                         z * (2.75573137070700676789e-06 +
                              z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
  const double cr =
      1.0 - 0.5 * z +
      z * z *
          (4.16666666666666019037e-02 +
           z * (-1.38888888888741095749e-03 +
                z * (2.48015872894767294178e-05 +
                     z * (-2.75573143513906633035e-07 +
                          z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
  // Odd quadrants swap sine and cosine, the signs follow the quadrant: as
  // bit masks (random angles would defeat a branch predictor).
  std::uint64_t sb, cb;
  std::memcpy(&sb, &sr, sizeof sb);
  std::memcpy(&cb, &cr, sizeof cb);
  const std::uint64_t swap = 0 - (ki & 1);
  const std::uint64_t sv = (sb & ~swap) | (cb & swap);
  const std::uint64_t cv = (cb & ~swap) | (sb & swap);
  const std::uint64_t ss = sv ^ ((ki & 2) << 62);
  const std::uint64_t cs = cv ^ (((ki + 1) & 2) << 62);
  std::memcpy(&s, &ss, sizeof s);
  std::memcpy(&c, &cs, sizeof c);
}

// True when sinCosReduced applies to x.
inline bool sinCosInRange(double x) { return std::fabs(x) < 1e5; }

inline void sinCos(double x, double& s, double& c) {
  if (!sinCosInRange(x)) {
    s = std::sin(x);
    c = std::cos(x);
    return;
  }
  sinCosReduced(x, s, c);
}

}  // namespace dax_alg

#endif
