// Scalar reference for the complex 64-bit arithmetic kernels: plain loops over IPP's textbook
// formulas, one rounding per operation, used by the tests to check the vector kernels.
#pragma once

#include <limits>

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

inline Ipp64fc ComplexProduct(Ipp64fc x, Ipp64fc y) {
  return {x.re * y.re - x.im * y.im, x.re * y.im + x.im * y.re};
}
inline Ipp64fc ComplexQuotient(Ipp64fc x, Ipp64fc y) {
  const double denominator = y.re * y.re + y.im * y.im;
  return {(x.re * y.re + x.im * y.im) / denominator, (x.im * y.re - x.re * y.im) / denominator};
}

// dst[i] = f(a[i], b[i]) after IPP's argument checks.
template <class F>
IppStatus ComplexBinary(const Ipp64fc* a, const Ipp64fc* b, Ipp64fc* dst, int len, F f) {
  if (IppStatus s = CheckArgs(len, a, b, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = f(a[i], b[i]);
  return ippStsNoErr;
}

inline IppStatus ippsAdd_64fc(const Ipp64fc* a, const Ipp64fc* b, Ipp64fc* dst, int len) {
  return ComplexBinary(a, b, dst, len, [](Ipp64fc x, Ipp64fc y) {
    return Ipp64fc{x.re + y.re, x.im + y.im};
  });
}
inline IppStatus ippsSub_64fc_I(const Ipp64fc* src, Ipp64fc* srcDst, int len) {
  return ComplexBinary(src, srcDst, srcDst, len, [](Ipp64fc x, Ipp64fc y) {
    return Ipp64fc{y.re - x.re, y.im - x.im};
  });
}
inline IppStatus ippsMul_64fc_I(const Ipp64fc* src, Ipp64fc* srcDst, int len) {
  return ComplexBinary(src, srcDst, srcDst, len,
                       [](Ipp64fc x, Ipp64fc y) { return ComplexProduct(y, x); });
}
inline IppStatus ippsDiv_64fc_I(const Ipp64fc* src, Ipp64fc* srcDst, int len) {
  bool zero = false;
  IppStatus s = ComplexBinary(src, srcDst, srcDst, len, [&zero](Ipp64fc x, Ipp64fc y) {
    if (x.re == 0.0 && x.im == 0.0) {
      zero = true;
      const double nan = std::numeric_limits<double>::quiet_NaN();
      return Ipp64fc{nan, nan};
    }
    return ComplexQuotient(y, x);
  });
  return s == ippStsNoErr && zero ? ippStsDivByZero : s;
}
inline IppStatus ippsAddC_64fc(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
  return ComplexBinary(src, src, dst, len, [val](Ipp64fc x, Ipp64fc) {
    return Ipp64fc{x.re + val.re, x.im + val.im};
  });
}
inline IppStatus ippsSubC_64fc(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
  return ComplexBinary(src, src, dst, len, [val](Ipp64fc x, Ipp64fc) {
    return Ipp64fc{x.re - val.re, x.im - val.im};
  });
}
inline IppStatus ippsSubCRev_64fc(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
  return ComplexBinary(src, src, dst, len, [val](Ipp64fc x, Ipp64fc) {
    return Ipp64fc{val.re - x.re, val.im - x.im};
  });
}
inline IppStatus ippsMulC_64fc(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
  return ComplexBinary(src, src, dst, len,
                       [val](Ipp64fc x, Ipp64fc) { return ComplexProduct(x, val); });
}
inline IppStatus ippsDivC_64fc(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (val.re == 0.0 && val.im == 0.0) return ippStsDivByZeroErr;
  return ComplexBinary(src, src, dst, len,
                       [val](Ipp64fc x, Ipp64fc) { return ComplexQuotient(x, val); });
}

}  // namespace corvane::kernels::reference
