// Scalar reference for the scaled integer kernels: each exact result is scaled by 2^-sf with the
// textbook floor-and-remainder rounding (ties to even) and then saturated, element by element.
// Used by the tests to check the vector kernels bit for bit.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

// round(v * 2^-sf), ties to even, saturated to [lo, hi].
inline int64_t ScaleAndSaturate(int64_t v, int sf, int64_t lo, int64_t hi) {
  if (sf < 0) {
    for (int i = 0; i > sf && v != 0 && lo <= v && v <= hi; --i) v *= 2;
  } else if (sf >= 64) {
    v = 0;  // |v| <= 2^63, so |v| * 2^-sf <= 1/2, which rounds to the even 0
  } else if (sf > 0) {
    int64_t quotient = v >> sf;  // floor
    const uint64_t remainder = uint64_t(v) & ((uint64_t(1) << sf) - 1);
    const uint64_t half = uint64_t(1) << (sf - 1);
    if (remainder > half || (remainder == half && (quotient & 1) != 0)) ++quotient;
    v = quotient;
  }
  return std::clamp(v, lo, hi);
}

template <class T>
T ScaleAndSaturate(int64_t v, int sf) {
  return T(ScaleAndSaturate(v, sf, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// round(a / b * 2^-sf), ties to even, saturated to 32s: the exact fraction (a * 2^-sf) / (b * 2^sf)
// rounded with truncating division and a remainder test. Past |sf| = 64 the result no longer
// changes (it is 0, or saturated).
inline int32_t ScaledQuotient(int32_t a, int32_t b, int sf) {
  __extension__ typedef __int128 Int128;
  const int scale = std::clamp(sf, -64, 64);
  const Int128 numerator = Int128(a) * (Int128(1) << std::max(-scale, 0));
  const Int128 denominator = Int128(b) * (Int128(1) << std::max(scale, 0));
  Int128 quotient = numerator / denominator;
  const Int128 remainder = numerator % denominator;
  const Int128 twiceRemainder = remainder < 0 ? -2 * remainder : 2 * remainder;
  const Int128 magnitude = denominator < 0 ? -denominator : denominator;
  const int direction = (numerator < 0) == (denominator < 0) ? 1 : -1;
  if (twiceRemainder > magnitude || (twiceRemainder == magnitude && quotient % 2 != 0))
    quotient += direction;
  return int32_t(std::clamp<Int128>(quotient, std::numeric_limits<int32_t>::min(),
                                    std::numeric_limits<int32_t>::max()));
}

// dst[i] = scale(exact(a[i], b[i])) after IPP's argument checks.
template <class T, class F>
IppStatus ScaledBinary(const T* a, const T* b, T* dst, int len, int sf, F exact) {
  if (IppStatus s = CheckArgs(len, a, b, dst)) return s;
  for (int i = 0; i < len; ++i)
    dst[i] = ScaleAndSaturate<T>(exact(int64_t(a[i]), int64_t(b[i])), sf);
  return ippStsNoErr;
}

template <class T>
IppStatus ScaledAdd(const T* src, T* srcDst, int len, int sf) {
  return ScaledBinary(src, srcDst, srcDst, len, sf, [](int64_t x, int64_t y) { return y + x; });
}
template <class T>
IppStatus ScaledSub(const T* src, T* srcDst, int len, int sf) {
  return ScaledBinary(src, srcDst, srcDst, len, sf, [](int64_t x, int64_t y) { return y - x; });
}
template <class T>
IppStatus ScaledMul(const T* src, T* srcDst, int len, int sf) {
  return ScaledBinary(src, srcDst, srcDst, len, sf, [](int64_t x, int64_t y) { return y * x; });
}

inline IppStatus ippsAdd_32s_ISfs(const Ipp32s* src, Ipp32s* srcDst, int len, int sf) {
  return ScaledAdd(src, srcDst, len, sf);
}
inline IppStatus ippsSub_32s_ISfs(const Ipp32s* src, Ipp32s* srcDst, int len, int sf) {
  return ScaledSub(src, srcDst, len, sf);
}
inline IppStatus ippsMul_32s_ISfs(const Ipp32s* src, Ipp32s* srcDst, int len, int sf) {
  return ScaledMul(src, srcDst, len, sf);
}
inline IppStatus ippsAdd_8u_ISfs(const Ipp8u* src, Ipp8u* srcDst, int len, int sf) {
  return ScaledAdd(src, srcDst, len, sf);
}
inline IppStatus ippsSub_8u_ISfs(const Ipp8u* src, Ipp8u* srcDst, int len, int sf) {
  return ScaledSub(src, srcDst, len, sf);
}
inline IppStatus ippsMul_8u_ISfs(const Ipp8u* src, Ipp8u* srcDst, int len, int sf) {
  return ScaledMul(src, srcDst, len, sf);
}
inline IppStatus ippsAddC_32s_Sfs(const Ipp32s* src, Ipp32s val, Ipp32s* dst, int len, int sf) {
  return ScaledBinary(src, src, dst, len, sf, [val](int64_t x, int64_t) { return x + val; });
}
inline IppStatus ippsSubC_32s_Sfs(const Ipp32s* src, Ipp32s val, Ipp32s* dst, int len, int sf) {
  return ScaledBinary(src, src, dst, len, sf, [val](int64_t x, int64_t) { return x - val; });
}
inline IppStatus ippsSubCRev_32s_Sfs(const Ipp32s* src, Ipp32s val, Ipp32s* dst, int len, int sf) {
  return ScaledBinary(src, src, dst, len, sf, [val](int64_t x, int64_t) { return val - x; });
}
inline IppStatus ippsMulC_32s_Sfs(const Ipp32s* src, Ipp32s val, Ipp32s* dst, int len, int sf) {
  return ScaledBinary(src, src, dst, len, sf, [val](int64_t x, int64_t) { return x * val; });
}
inline IppStatus ippsDiv_32s_ISfs(const Ipp32s* src, Ipp32s* srcDst, int len, int sf) {
  if (IppStatus s = CheckArgs(len, src, srcDst)) return s;
  IppStatus status = ippStsNoErr;
  for (int i = 0; i < len; ++i) {
    if (src[i] != 0) {
      srcDst[i] = ScaledQuotient(srcDst[i], src[i], sf);
    } else {
      status = ippStsDivByZero;
      srcDst[i] = srcDst[i] == 0 ? 0 : srcDst[i] > 0 ? INT32_MAX : INT32_MIN;
    }
  }
  return status;
}

}  // namespace corvane::kernels::reference
