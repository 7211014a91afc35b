// Scalar reference for the real 64-bit arithmetic kernels: plain loops over IPP's formulas,
// used by the tests to check the vector kernels bit for bit.
#pragma once

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

// dst[i] = f(a[i], b[i]) after IPP's argument checks.
template <class F>
IppStatus Binary(const Ipp64f* a, const Ipp64f* b, Ipp64f* dst, int len, F f) {
  if (IppStatus s = CheckArgs(len, a, b, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = f(a[i], b[i]);
  return ippStsNoErr;
}

inline IppStatus ippsAdd_64f(const Ipp64f* a, const Ipp64f* b, Ipp64f* dst, int len) {
  return Binary(a, b, dst, len, [](double x, double y) { return x + y; });
}
inline IppStatus ippsSub_64f_I(const Ipp64f* src, Ipp64f* srcDst, int len) {
  return Binary(src, srcDst, srcDst, len, [](double x, double y) { return y - x; });
}
inline IppStatus ippsMul_64f(const Ipp64f* a, const Ipp64f* b, Ipp64f* dst, int len) {
  return Binary(a, b, dst, len, [](double x, double y) { return x * y; });
}
inline IppStatus ippsDiv_64f_I(const Ipp64f* src, Ipp64f* srcDst, int len) {
  bool zero = false;
  IppStatus s = Binary(src, srcDst, srcDst, len, [&zero](double x, double y) {
    zero |= x == 0.0;
    return y / x;
  });
  return s == ippStsNoErr && zero ? ippStsDivByZero : s;
}
inline IppStatus ippsAddC_64f(const Ipp64f* src, Ipp64f val, Ipp64f* dst, int len) {
  return Binary(src, src, dst, len, [val](double x, double) { return x + val; });
}
inline IppStatus ippsSubC_64f(const Ipp64f* src, Ipp64f val, Ipp64f* dst, int len) {
  return Binary(src, src, dst, len, [val](double x, double) { return x - val; });
}
inline IppStatus ippsSubCRev_64f(const Ipp64f* src, Ipp64f val, Ipp64f* dst, int len) {
  return Binary(src, src, dst, len, [val](double x, double) { return val - x; });
}
inline IppStatus ippsMulC_64f(const Ipp64f* src, Ipp64f val, Ipp64f* dst, int len) {
  return Binary(src, src, dst, len, [val](double x, double) { return x * val; });
}
inline IppStatus ippsDivC_64f(const Ipp64f* src, Ipp64f val, Ipp64f* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (val == 0.0) return ippStsDivByZeroErr;
  return Binary(src, src, dst, len, [val](double x, double) { return x / val; });
}

}  // namespace corvane::kernels::reference
