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

// The even exponent e that brings the larger part `big` of a complex value into [1, 4) by 2^-e,
// limited to [-1022, 1022] so that 2^-e is a normal double.
inline int EvenExponent(double big) {
  return std::clamp(std::ilogb(big) & ~1, -1022, 1022);
}

// A complex value's parts scaled by 2^-e (EvenExponent) and their magnitude sqrt(re² + im²).
struct ScaledComplex {
  double re, im, magnitude;
  int exponent;
};
inline ScaledComplex ScaleComplex(Ipp64fc z) {
  const int e = EvenExponent(std::max(std::fabs(z.re), std::fabs(z.im)));
  const double re = std::ldexp(z.re, -e), im = std::ldexp(z.im, -e);
  return {re, im, std::sqrt(re * re + im * im), e};
}

// |z| without overflow or underflow of the squares.
inline double Magnitude(Ipp64fc z) {
  const ScaledComplex scaled = ScaleComplex(z);
  return std::ldexp(scaled.magnitude, scaled.exponent);
}

// Principal root, computed from the scaled parts.
inline Ipp64fc ComplexSqrt(Ipp64fc z) {
  const double a = z.re, b = z.im;
  if (std::isinf(b)) return {std::numeric_limits<double>::infinity(), b};
  if (a == 0 && b == 0) return {0.0, b};
  const ScaledComplex scaled = ScaleComplex(z);
  const double scaledT = std::sqrt((scaled.magnitude + std::fabs(scaled.re)) * 0.5);
  const double t = scaledT * std::ldexp(1.0, scaled.exponent / 2);
  const double q = b / (t + t);
  if (a < 0) return {std::fabs(q), std::copysign(t, b)};
  return {t, q};
}

inline IppStatus ippsSqrt_64fc(const Ipp64fc* src, Ipp64fc* dst, int len) {
  return Unary(src, dst, len, ComplexSqrt);
}

}  // namespace corvane::kernels::reference
