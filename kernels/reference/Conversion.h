// Scalar reference for the conversion and byte-swapping kernels: plain loops over the C library's
// conversions (ldexp for the scaling, trunc/nearbyint/round for the rounding modes), used by the
// tests to check the vector kernels bit for bit.
#pragma once

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

// dst[i] = f(src[i]) after IPP's argument checks.
template <class TIn, class TOut, class F>
IppStatus Convert(const TIn* src, TOut* dst, int len, F f) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = f(src[i]);
  return ippStsNoErr;
}

inline IppStatus ippsConvert_32f64f(const Ipp32f* src, Ipp64f* dst, int len) {
  return Convert(src, dst, len, [](float x) { return double(x); });
}
inline IppStatus ippsConvert_32s64f(const Ipp32s* src, Ipp64f* dst, int len) {
  return Convert(src, dst, len, [](int32_t x) { return double(x); });
}
inline IppStatus ippsConvert_32s32f(const Ipp32s* src, Ipp32f* dst, int len) {
  return Convert(src, dst, len, [](int32_t x) { return float(x); });
}
inline IppStatus ippsConvert_64f32f(const Ipp64f* src, Ipp32f* dst, int len) {
  return Convert(src, dst, len, [](double x) {
    return std::isfinite(x) && std::fabs(x) > FLT_MAX ? float(std::copysign(double(FLT_MAX), x))
                                                      : float(x);
  });
}

// x * 2^-scaleFactor, rounded once (ldexp's exponent is clamped only to stay an int).
inline double ScaleBy(double x, int scaleFactor) {
  return std::ldexp(x, int(std::clamp(-int64_t(scaleFactor), int64_t(INT_MIN), int64_t(INT_MAX))));
}

inline IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* src, Ipp64f* dst, int len, int scaleFactor) {
  return Convert(src, dst, len, [scaleFactor](int16_t x) { return ScaleBy(x, scaleFactor); });
}

// Rounds per mode (nearbyint in the default rounding mode rounds ties to even), saturates to
// int32; NaN gives INT32_MIN.
inline int32_t RoundToInt32(double y, IppRoundMode mode) {
  const double rounded = mode == ippRndZero   ? std::trunc(y)
                         : mode == ippRndNear ? std::nearbyint(y)
                                              : std::round(y);
  if (std::isnan(rounded) || rounded <= INT32_MIN) return INT32_MIN;
  if (rounded >= INT32_MAX) return INT32_MAX;
  return int32_t(rounded);
}

template <class TIn>
IppStatus ConvertToInt32(const TIn* src, Ipp32s* dst, int len, IppRoundMode mode, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (mode != ippRndZero && mode != ippRndNear && mode != ippRndFinancial)
    return ippStsRoundModeNotSupportedErr;
  return Convert(src, dst, len, [=](TIn x) { return RoundToInt32(ScaleBy(x, scaleFactor), mode); });
}
inline IppStatus ippsConvert_64f32s_Sfs(const Ipp64f* src, Ipp32s* dst, int len, IppRoundMode mode,
                                        int scaleFactor) {
  return ConvertToInt32(src, dst, len, mode, scaleFactor);
}
inline IppStatus ippsConvert_32f32s_Sfs(const Ipp32f* src, Ipp32s* dst, int len, IppRoundMode mode,
                                        int scaleFactor) {
  return ConvertToInt32(src, dst, len, mode, scaleFactor);
}

inline IppStatus ippsSwapBytes_16u(const Ipp16u* src, Ipp16u* dst, int len) {
  return Convert(src, dst, len, [](uint16_t x) { return uint16_t(x << 8 | x >> 8); });
}
inline IppStatus ippsSwapBytes_32u(const Ipp32u* src, Ipp32u* dst, int len) {
  return Convert(src, dst, len, [](uint32_t x) {
    return x << 24 | (x & 0xff00u) << 8 | (x >> 8 & 0xff00u) | x >> 24;
  });
}
inline IppStatus ippsSwapBytes_24u(const Ipp8u* src, Ipp8u* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  for (int i = 0; i < len; ++i) {
    const Ipp8u first = src[3 * i], middle = src[3 * i + 1], last = src[3 * i + 2];
    dst[3 * i] = last;
    dst[3 * i + 1] = middle;
    dst[3 * i + 2] = first;
  }
  return ippStsNoErr;
}

}  // namespace corvane::kernels::reference
