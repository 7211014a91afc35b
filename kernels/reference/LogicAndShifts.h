// Scalar reference for the logic and shift kernels: plain loops on the bit patterns, used by the
// tests to check the vector kernels.
#pragma once

#include <cstdint>

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

// dst[i] = f(src[i]) after IPP's argument checks.
template <class T, class F>
IppStatus BitwiseMap(const T* src, T* dst, int len, F f) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = f(src[i]);
  return ippStsNoErr;
}

inline IppStatus ippsAnd_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len) {
  if (IppStatus s = CheckArgs(len, src, srcDst)) return s;
  for (int i = 0; i < len; ++i) srcDst[i] &= src[i];
  return ippStsNoErr;
}
inline IppStatus ippsOr_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len) {
  if (IppStatus s = CheckArgs(len, src, srcDst)) return s;
  for (int i = 0; i < len; ++i) srcDst[i] |= src[i];
  return ippStsNoErr;
}
inline IppStatus ippsXor_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len) {
  if (IppStatus s = CheckArgs(len, src, srcDst)) return s;
  for (int i = 0; i < len; ++i) srcDst[i] ^= src[i];
  return ippStsNoErr;
}
inline IppStatus ippsAndC_32u(const Ipp32u* src, Ipp32u val, Ipp32u* dst, int len) {
  return BitwiseMap(src, dst, len, [val](uint32_t x) { return x & val; });
}
inline IppStatus ippsOrC_32u(const Ipp32u* src, Ipp32u val, Ipp32u* dst, int len) {
  return BitwiseMap(src, dst, len, [val](uint32_t x) { return x | val; });
}
inline IppStatus ippsXorC_32u(const Ipp32u* src, Ipp32u val, Ipp32u* dst, int len) {
  return BitwiseMap(src, dst, len, [val](uint32_t x) { return x ^ val; });
}
inline IppStatus ippsLShiftC_32s(const Ipp32s* src, int val, Ipp32s* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (val < 0) return ippStsShiftErr;
  return BitwiseMap(src, dst, len,
                    [val](int32_t x) { return val >= 32 ? 0 : int32_t(uint32_t(x) << val); });
}
inline IppStatus ippsRShiftC_32s(const Ipp32s* src, int val, Ipp32s* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (val < 0) return ippStsShiftErr;
  return BitwiseMap(src, dst, len,
                    [val](int32_t x) { return val >= 32 ? (x < 0 ? -1 : 0) : x >> val; });
}

}  // namespace corvane::kernels::reference
