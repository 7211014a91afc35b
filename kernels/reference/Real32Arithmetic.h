// Scalar reference for the real 32-bit arithmetic kernels: plain loops over IPP's formulas in
// float, used by the tests to check the vector kernels bit for bit.
#pragma once

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

inline IppStatus ippsSub_32f_I(const Ipp32f* src, Ipp32f* srcDst, int len) {
  if (IppStatus s = CheckArgs(len, src, srcDst)) return s;
  for (int i = 0; i < len; ++i) srcDst[i] = srcDst[i] - src[i];
  return ippStsNoErr;
}
inline IppStatus ippsMul_32f(const Ipp32f* a, const Ipp32f* b, Ipp32f* dst, int len) {
  if (IppStatus s = CheckArgs(len, a, b, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = a[i] * b[i];
  return ippStsNoErr;
}
inline IppStatus ippsMulC_32f_I(Ipp32f val, Ipp32f* srcDst, int len) {
  if (IppStatus s = CheckArgs(len, srcDst)) return s;
  for (int i = 0; i < len; ++i) srcDst[i] = srcDst[i] * val;
  return ippStsNoErr;
}
inline IppStatus ippsSubCRev_32f_I(Ipp32f val, Ipp32f* srcDst, int len) {
  if (IppStatus s = CheckArgs(len, srcDst)) return s;
  for (int i = 0; i < len; ++i) srcDst[i] = val - srcDst[i];
  return ippStsNoErr;
}

}  // namespace corvane::kernels::reference
