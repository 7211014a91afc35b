// Scalar reference for Abs, Sqr, Sqrt and the complex Sqr and Sqrt: plain loops over IPP's
// formulas, used by the tests to check the vector kernels bit for bit. Exp and Ln are checked
// against long-double libm instead.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

// dst[i] = f(src[i]) after IPP's argument checks.
template <class T, class F>
IppStatus Unary(const T* src, T* dst, int len, F f) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = f(src[i]);
  return ippStsNoErr;
}

inline IppStatus ippsAbs_64f(const Ipp64f* src, Ipp64f* dst, int len) {
  return Unary(src, dst, len, [](double x) { return std::fabs(x); });
}
inline IppStatus ippsSqr_64f(const Ipp64f* src, Ipp64f* dst, int len) {
  return Unary(src, dst, len, [](double x) { return x * x; });
}
inline IppStatus ippsSqrt_64f(const Ipp64f* src, Ipp64f* dst, int len) {
  bool negative = false;
  IppStatus s = Unary(src, dst, len, [&negative](double x) {
    negative |= x < 0;
    return x < 0 ? std::numeric_limits<double>::quiet_NaN() : std::sqrt(x);
  });
  return s == ippStsNoErr && negative ? ippStsSqrtNegArg : s;
}

inline IppStatus ippsSqr_64fc(const Ipp64fc* src, Ipp64fc* dst, int len) {
  return Unary(src, dst, len, [](Ipp64fc z) {
    return Ipp64fc{z.re * z.re - z.im * z.im, z.re * z.im + z.re * z.im};
  });
}

// Principal root, with both parts scaled by 2^-e (e even) so that the larger lies in [1, 4).
inline Ipp64fc ComplexSqrt(Ipp64fc z) {
  const double a = z.re, b = z.im;
  const double big = std::fabs(a) > std::fabs(b) ? std::fabs(a) : std::fabs(b);
  if (big == 0) return {0.0, b};
  if (std::isinf(b)) return {std::numeric_limits<double>::infinity(), b};
  const int e = std::clamp(std::ilogb(big) & ~1, -1022, 1022);
  const double sa = std::ldexp(a, -e), sb = std::ldexp(b, -e);
  const double scaledT = std::sqrt((std::sqrt(sa * sa + sb * sb) + std::fabs(sa)) * 0.5);
  const double t = scaledT * std::ldexp(1.0, e / 2);
  const double q = b / (t + t);
  if (a < 0) return {std::fabs(q), std::copysign(t, b)};
  return {t, q};
}

inline IppStatus ippsSqrt_64fc(const Ipp64fc* src, Ipp64fc* dst, int len) {
  return Unary(src, dst, len, ComplexSqrt);
}

}  // namespace corvane::kernels::reference
