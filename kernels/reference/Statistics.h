// Scalar reference for the statistics kernels: plain left-to-right loops. The sums run in long
// double, so that the tests can bound the rounding error of the vector kernels' reordered sums;
// extrema, the infinity norm, the integer dot product and Normalize are exact and compared bit
// for bit.
#pragma once

#include <cmath>
#include <limits>

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

template <class T>
long double SumOf(const T* src, int len) {
  long double sum = 0;
  for (int i = 0; i < len; ++i) sum += src[i];
  return sum;
}

inline IppStatus ippsSum_64f(const Ipp64f* src, int len, Ipp64f* sum) {
  if (IppStatus s = CheckArgs(len, src, sum)) return s;
  *sum = Ipp64f(SumOf(src, len));
  return ippStsNoErr;
}
inline IppStatus ippsMean_64f(const Ipp64f* src, int len, Ipp64f* mean) {
  if (IppStatus s = CheckArgs(len, src, mean)) return s;
  *mean = Ipp64f(SumOf(src, len) / len);
  return ippStsNoErr;
}
inline IppStatus ippsMean_32f(const Ipp32f* src, int len, Ipp32f* mean, IppHintAlgorithm) {
  if (IppStatus s = CheckArgs(len, src, mean)) return s;
  *mean = Ipp32f(SumOf(src, len) / len);
  return ippStsNoErr;
}
inline IppStatus ippsStdDev_64f(const Ipp64f* src, int len, Ipp64f* stdDev) {
  if (IppStatus s = CheckArgs(len, src, stdDev)) return s;
  if (len < 2) return ippStsSizeErr;
  const long double mean = SumOf(src, len) / len;
  long double squares = 0;
  for (int i = 0; i < len; ++i) squares += (src[i] - mean) * (src[i] - mean);
  *stdDev = Ipp64f(std::sqrt(squares / (len - 1)));
  return ippStsNoErr;
}

// The index of the first element that no other non-NaN element is `better` than; NaN elements
// are skipped, and 0 is the answer when all are NaN.
template <class Better>
int FirstExtremeIndex(const Ipp64f* src, int len, Better better) {
  int best = -1;
  for (int i = 0; i < len; ++i)
    if (!std::isnan(src[i]) && (best < 0 || better(src[i], src[best]))) best = i;
  return best < 0 ? 0 : best;
}
inline int FirstLeast(const Ipp64f* src, int len) {
  return FirstExtremeIndex(src, len, [](double x, double best) { return x < best; });
}
inline int FirstGreatest(const Ipp64f* src, int len) {
  return FirstExtremeIndex(src, len, [](double x, double best) { return x > best; });
}

inline IppStatus ippsMin_64f(const Ipp64f* src, int len, Ipp64f* min) {
  if (IppStatus s = CheckArgs(len, src, min)) return s;
  *min = src[FirstLeast(src, len)];
  return ippStsNoErr;
}
inline IppStatus ippsMax_64f(const Ipp64f* src, int len, Ipp64f* max) {
  if (IppStatus s = CheckArgs(len, src, max)) return s;
  *max = src[FirstGreatest(src, len)];
  return ippStsNoErr;
}
inline IppStatus ippsMinMax_64f(const Ipp64f* src, int len, Ipp64f* min, Ipp64f* max) {
  if (IppStatus s = CheckArgs(len, src, min, max)) return s;
  *min = src[FirstLeast(src, len)];
  *max = src[FirstGreatest(src, len)];
  return ippStsNoErr;
}
inline IppStatus ippsMinIndx_64f(const Ipp64f* src, int len, Ipp64f* min, int* index) {
  if (IppStatus s = CheckArgs(len, src, min)) return s;
  const int i = FirstLeast(src, len);
  *min = src[i];
  if (index) *index = i;
  return ippStsNoErr;
}
inline IppStatus ippsMaxIndx_64f(const Ipp64f* src, int len, Ipp64f* max, int* index) {
  if (IppStatus s = CheckArgs(len, src, max)) return s;
  const int i = FirstGreatest(src, len);
  *max = src[i];
  if (index) *index = i;
  return ippStsNoErr;
}

inline IppStatus ippsDotProd_64f(const Ipp64f* a, const Ipp64f* b, int len, Ipp64f* dp) {
  if (IppStatus s = CheckArgs(len, a, b, dp)) return s;
  long double sum = 0;
  for (int i = 0; i < len; ++i) sum += (long double)a[i] * b[i];
  *dp = Ipp64f(sum);
  return ippStsNoErr;
}
inline IppStatus ippsDotProd_64fc(const Ipp64fc* a, const Ipp64fc* b, int len, Ipp64fc* dp) {
  if (IppStatus s = CheckArgs(len, a, b, dp)) return s;
  long double re = 0, im = 0;
  for (int i = 0; i < len; ++i) {
    re += (long double)a[i].re * b[i].re - (long double)a[i].im * b[i].im;
    im += (long double)a[i].re * b[i].im + (long double)a[i].im * b[i].re;
  }
  *dp = {Ipp64f(re), Ipp64f(im)};
  return ippStsNoErr;
}

// The exact sum, divided by 2^scaleFactor with a truncating division whose remainder decides
// the rounding (to nearest, ties to even), then saturated. scaleFactor in [-32, 120].
inline IppStatus ippsDotProd_32s_Sfs(const Ipp32s* a, const Ipp32s* b, int len, Ipp32s* dp,
                                     int scaleFactor) {
  if (IppStatus s = CheckArgs(len, a, b, dp)) return s;
  __int128 sum = 0;
  for (int i = 0; i < len; ++i) sum += int64_t(a[i]) * b[i];
  __int128 result;
  if (scaleFactor <= 0) {
    result = sum * (__int128(1) << -scaleFactor);
  } else {
    const __int128 divisor = __int128(1) << scaleFactor;
    result = sum / divisor;
    const __int128 twiceRemainder = 2 * (sum % divisor < 0 ? -(sum % divisor) : sum % divisor);
    if (twiceRemainder > divisor || (twiceRemainder == divisor && result % 2 != 0))
      result += sum < 0 ? -1 : 1;
  }
  *dp = Ipp32s(result > INT32_MAX ? INT32_MAX : result < INT32_MIN ? INT32_MIN : result);
  return ippStsNoErr;
}

inline IppStatus ippsNormDiff_L1_64f(const Ipp64f* a, const Ipp64f* b, int len, Ipp64f* norm) {
  if (IppStatus s = CheckArgs(len, a, b, norm)) return s;
  long double sum = 0;
  for (int i = 0; i < len; ++i) sum += std::fabs(a[i] - b[i]);
  *norm = Ipp64f(sum);
  return ippStsNoErr;
}
inline IppStatus ippsNormDiff_L2_64f(const Ipp64f* a, const Ipp64f* b, int len, Ipp64f* norm) {
  if (IppStatus s = CheckArgs(len, a, b, norm)) return s;
  long double sum = 0;
  for (int i = 0; i < len; ++i) sum += (long double)(a[i] - b[i]) * (a[i] - b[i]);
  *norm = Ipp64f(std::sqrt(sum));
  return ippStsNoErr;
}
inline IppStatus ippsNormDiff_Inf_64f(const Ipp64f* a, const Ipp64f* b, int len, Ipp64f* norm) {
  if (IppStatus s = CheckArgs(len, a, b, norm)) return s;
  double max = 0;
  for (int i = 0; i < len && !std::isnan(max); ++i) {
    const double diff = std::fabs(a[i] - b[i]);
    if (std::isnan(diff) || diff > max) max = diff;
  }
  *norm = max;
  return ippStsNoErr;
}

inline IppStatus ippsNormalize_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f vsub,
                                   Ipp64f vdiv) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (std::fabs(vdiv) < std::numeric_limits<Ipp64f>::min()) return ippStsDivByZeroErr;
  for (int i = 0; i < len; ++i) dst[i] = (src[i] - vsub) / vdiv;
  return ippStsNoErr;
}
inline IppStatus ippsNormalize_32f(const Ipp32f* src, Ipp32f* dst, int len, Ipp32f vsub,
                                   Ipp32f vdiv) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (std::fabs(vdiv) < std::numeric_limits<Ipp32f>::min()) return ippStsDivByZeroErr;
  for (int i = 0; i < len; ++i) dst[i] = (src[i] - vsub) / vdiv;
  return ippStsNoErr;
}
inline IppStatus ippsNormalize_64fc(const Ipp64fc* src, Ipp64fc* dst, int len, Ipp64fc vsub,
                                    Ipp64f vdiv) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (std::fabs(vdiv) < std::numeric_limits<Ipp64f>::min()) return ippStsDivByZeroErr;
  for (int i = 0; i < len; ++i)
    dst[i] = {(src[i].re - vsub.re) / vdiv, (src[i].im - vsub.im) / vdiv};
  return ippStsNoErr;
}

}  // namespace corvane::kernels::reference
