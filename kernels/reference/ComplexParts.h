// Scalar reference for the vector kernels among the complex parts: plain loops over IPP's
// formulas, used by the tests to check them bit for bit.
#pragma once

#include <cmath>

#include "kernels/reference/ElementFunctions.h"

namespace corvane::kernels::reference {

template <class T, class TC>
IppStatus RealToCplx(const T* re, const T* im, TC* dst, int len) {
  if (re == nullptr && im == nullptr) return ippStsNullPtrErr;
  if (IppStatus s = CheckArgs(len, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = {re ? re[i] : T(0), im ? im[i] : T(0)};
  return ippStsNoErr;
}

// dst[i] = f(src[i]) from complex to real, after IPP's argument checks.
template <class F>
IppStatus ComplexToReal(const Ipp64fc* src, Ipp64f* dst, int len, F f) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = f(src[i]);
  return ippStsNoErr;
}

inline IppStatus ippsReal_64fc(const Ipp64fc* src, Ipp64f* dst, int len) {
  return ComplexToReal(src, dst, len, [](Ipp64fc z) { return z.re; });
}
inline IppStatus ippsImag_64fc(const Ipp64fc* src, Ipp64f* dst, int len) {
  return ComplexToReal(src, dst, len, [](Ipp64fc z) { return z.im; });
}
inline IppStatus ippsPowerSpectr_64fc(const Ipp64fc* src, Ipp64f* dst, int len) {
  return ComplexToReal(src, dst, len, [](Ipp64fc z) { return z.re * z.re + z.im * z.im; });
}
inline IppStatus ippsMagnitude_64fc(const Ipp64fc* src, Ipp64f* dst, int len) {
  return ComplexToReal(src, dst, len, Magnitude);
}

}  // namespace corvane::kernels::reference
