#include "bench/ScalarPeers.h"

#include <climits>
#include <cmath>

#include "kernels/KernelSupport.h"

namespace corvane::bench::scalar {

using kernels::CheckArgs;

IppStatus ippsAdd_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  for (int i = 0; i < len; ++i) pSrcDst[i] += pSrc[i];
  return ippStsNoErr;
}

IppStatus ippsMul_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDst)) return s;
  for (int i = 0; i < len; ++i) pDst[i] = pSrc1[i] * pSrc2[i];
  return ippStsNoErr;
}

IppStatus ippsAddC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrcDst)) return s;
  for (int i = 0; i < len; ++i) pSrcDst[i] += val;
  return ippStsNoErr;
}

IppStatus ippsSum_64f(const Ipp64f* pSrc, int len, Ipp64f* pSum) {
  if (IppStatus s = CheckArgs(len, pSrc, pSum)) return s;
  double sum = 0.0;
  for (int i = 0; i < len; ++i) sum += pSrc[i];
  *pSum = sum;
  return ippStsNoErr;
}

IppStatus ippsDotProd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDp)) return s;
  double sum = 0.0;
  for (int i = 0; i < len; ++i) sum += pSrc1[i] * pSrc2[i];
  *pDp = sum;
  return ippStsNoErr;
}

// The first index of the largest value; pIndx may be null.
IppStatus ippsMaxIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax, int* pIndx) {
  if (IppStatus s = CheckArgs(len, pSrc, pMax)) return s;
  int best = 0;
  for (int i = 1; i < len; ++i)
    if (pSrc[i] > pSrc[best]) best = i;
  *pMax = pSrc[best];
  if (pIndx) *pIndx = best;
  return ippStsNoErr;
}

IppStatus ippsSqrt_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  bool negative = false;
  for (int i = 0; i < len; ++i) {
    negative |= pSrc[i] < 0.0;
    pDst[i] = std::sqrt(pSrc[i]);
  }
  return negative ? ippStsSqrtNegArg : ippStsNoErr;
}

IppStatus ippsExp_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  for (int i = 0; i < len; ++i) pDst[i] = std::exp(pSrc[i]);
  return ippStsNoErr;
}

IppStatus ippsLn_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  bool negative = false, zero = false;
  for (int i = 0; i < len; ++i) {
    negative |= pSrc[i] < 0.0;
    zero |= pSrc[i] == 0.0;
    pDst[i] = std::log(pSrc[i]);
  }
  return negative ? ippStsLnNegArg : zero ? ippStsLnZeroArg : ippStsNoErr;
}

// (a+bi)(c+di) = (ac - bd) + (ad + bc)i, with pSrcDst the left operand.
IppStatus ippsMul_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  for (int i = 0; i < len; ++i) {
    const Ipp64fc x = pSrcDst[i], y = pSrc[i];
    pSrcDst[i] = {x.re * y.re - x.im * y.im, x.re * y.im + x.im * y.re};
  }
  return ippStsNoErr;
}

IppStatus ippsThreshold_64f_I(Ipp64f* pSrcDst, int len, Ipp64f level, IppCmpOp relOp) {
  if (IppStatus s = CheckArgs(len, pSrcDst)) return s;
  if (relOp == ippCmpLess) {
    for (int i = 0; i < len; ++i) pSrcDst[i] = pSrcDst[i] < level ? level : pSrcDst[i];
  } else if (relOp == ippCmpGreater) {
    for (int i = 0; i < len; ++i) pSrcDst[i] = pSrcDst[i] > level ? level : pSrcDst[i];
  } else {
    return ippStsBadArgErr;
  }
  return ippStsNoErr;
}

namespace {

// Saturates a whole-valued double into Ipp32s; NaN gives INT_MIN, as the hardware conversion does.
Ipp32s Saturate(double whole) {
  if (whole >= double(INT_MAX)) return INT_MAX;
  if (whole > double(INT_MIN)) return Ipp32s(whole);
  return INT_MIN;
}

}  // namespace

// Scales by 2^-scaleFactor, rounds in the given mode (ties to even for ippRndNear), saturates.
IppStatus ippsConvert_64f32s_Sfs(const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (rndMode != ippRndNear && rndMode != ippRndZero) return ippStsRoundModeNotSupportedErr;
  const double scale = std::ldexp(1.0, -scaleFactor);
  for (int i = 0; i < len; ++i) {
    const double scaled = pSrc[i] * scale;
    pDst[i] = Saturate(rndMode == ippRndNear ? std::rint(scaled) : std::trunc(scaled));
  }
  return ippStsNoErr;
}

}  // namespace corvane::bench::scalar
