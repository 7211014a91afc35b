// Scalar reference for the threshold kernels: plain loops over IPP's formulas, used by the tests
// to check the vector kernels bit for bit.
#pragma once

#include <cmath>

#include "kernels/KernelSupport.h"
#include "kernels/reference/ElementFunctions.h"

namespace corvane::kernels::reference {

// dst[i] = level where src[i] is strictly beyond it in relOp's direction, else src[i].
template <class T>
IppStatus Threshold(const T* src, T* dst, int len, T level, IppCmpOp relOp) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (relOp != ippCmpLess && relOp != ippCmpGreater) return ippStsBadArgErr;
  for (int i = 0; i < len; ++i) {
    const bool beyond = relOp == ippCmpLess ? src[i] < level : src[i] > level;
    dst[i] = beyond ? level : src[i];
  }
  return ippStsNoErr;
}

inline IppStatus ippsThreshold_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f level,
                                   IppCmpOp relOp) {
  return Threshold(src, dst, len, level, relOp);
}
inline IppStatus ippsThreshold_64f_I(Ipp64f* srcDst, int len, Ipp64f level, IppCmpOp relOp) {
  return Threshold(srcDst, srcDst, len, level, relOp);
}
inline IppStatus ippsThreshold_32f_I(Ipp32f* srcDst, int len, Ipp32f level, IppCmpOp relOp) {
  return Threshold(srcDst, srcDst, len, level, relOp);
}
inline IppStatus ippsThreshold_LT_32s_I(Ipp32s* srcDst, int len, Ipp32s level) {
  return Threshold(srcDst, srcDst, len, level, ippCmpLess);
}
inline IppStatus ippsThreshold_GT_32s_I(Ipp32s* srcDst, int len, Ipp32s level) {
  return Threshold(srcDst, srcDst, len, level, ippCmpGreater);
}

inline IppStatus ippsThreshold_64fc(const Ipp64fc* src, Ipp64fc* dst, int len, Ipp64f level,
                                    IppCmpOp relOp) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (relOp != ippCmpLess && relOp != ippCmpGreater) return ippStsBadArgErr;
  if (level < 0) return ippStsThreshNegLevelErr;
  for (int i = 0; i < len; ++i) {
    const ScaledComplex scaled = ScaleComplex(src[i]);
    const double magnitude = std::ldexp(scaled.magnitude, scaled.exponent);
    const bool beyond = relOp == ippCmpLess ? magnitude < level : magnitude > level;
    if (!beyond) {
      dst[i] = src[i];
    } else if (scaled.magnitude == 0) {
      dst[i] = {level, 0.0};
    } else {
      // level·(z/|z|), the phase taken from the scaled parts.
      dst[i] = {scaled.re / scaled.magnitude * level, scaled.im / scaled.magnitude * level};
    }
  }
  return ippStsNoErr;
}
inline IppStatus ippsThreshold_64fc_I(Ipp64fc* srcDst, int len, Ipp64f level, IppCmpOp relOp) {
  return ippsThreshold_64fc(srcDst, srcDst, len, level, relOp);
}

}  // namespace corvane::kernels::reference
