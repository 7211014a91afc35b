// Signal generators (Jaehne chirp, uniform random numbers) and the L2 norm of a complex vector.
// The singular value decomposition of the same family is in kernels/Svd.cpp.
//
// - VectorJaehne: pDst[n] = magn·sin(π/2·n²/len). n² is reduced modulo 4·len, the period of the
//   sine in n², exactly in integers, so that the phase stays in [0, 2π) and the result within a
//   few ulp of the exact one at any length, where the direct formula loses accuracy as n² grows.
//   The sine is Highway's vector sine (within 3 ulp).
// - RandUniform_Direct: IPP does not document its generator. We use the one that IPP is known to
//   have shipped for this family: a subtract-with-borrow sequence on 32-bit words,
//   x(n) = x(n−2) − x(n−3) + c (c = −1 on a borrow, which also subtracts 18), started from the
//   seed s as x(−1) = s, x(−2) = 69069·s + 1013904243, x(−3) = 69069·x(−2) + 1013904243, c = −1,
//   whose words are added to a linear congruential sequence w ← 69069·w + 1013904243 (from
//   w = 0x436CBAE9) to give the signed 32-bit sample u. The 64f values are
//   (low+high)/2 + (high−low)·K·u with K ≈ 2^−32, in [low, high) up to rounding at the lower
//   end; the 16s values are ((high−low)·256·u >> 32) + 128·(low+high) >> 8, in [low, high−1].
//   The seed is updated to the last word x(len−1), so the next call starts a new sequence. low >
//   high is not checked.
// - Norm_L2_64fc64f: the square root of the sum of the squared parts, summed in four vector
//   accumulators. A sum that overflows, or is so small that squares in it may have lost bits
//   below the normal range, is summed again with the parts scaled by the power of two that brings
//   the largest near 1, so the norm is accurate over the whole double range.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Generators.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "hwy/contrib/math/math-inl.h"
#include "hwy/highway.h"
#include "kernels/KernelSupport.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

// data[i] = magn·sin(data[i]·scale)
void ScaledSine(double* data, size_t n, double scale, double magn) {
  Map1(data, data, n, [scale, magn](auto d, auto x) {
    return hn::Mul(hn::Set(d, magn), hn::Sin(d, hn::Mul(x, hn::Set(d, scale))));
  });
}

// Σ (x[i]·scale)² over n doubles.
double SumOfScaledSquares(const double* x, size_t n, double scale) {
  const hn::ScalableTag<double> d;
  const auto step = [scale](auto dv, auto acc, auto v) {
    const auto scaled = hn::Mul(v, hn::Set(dv, scale));
    return hn::Add(acc, hn::Mul(scaled, scaled));
  };
  const auto merge = [](auto a, auto b) { return hn::Add(a, b); };
  return hn::GetLane(hn::SumOfLanes(d, Fold(d, n, hn::Zero(d), 0.0, step, merge, x)));
}

// max |x[i]| over n doubles without NaN.
double LargestMagnitude(const double* x, size_t n) {
  const hn::ScalableTag<double> d;
  const auto step = [](auto, auto acc, auto v) { return hn::Max(acc, hn::Abs(v)); };
  const auto merge = [](auto a, auto b) { return hn::Max(a, b); };
  return hn::GetLane(hn::MaxOfLanes(d, Fold(d, n, hn::Zero(d), 0.0, step, merge, x)));
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(ScaledSine);
HWY_EXPORT(SumOfScaledSquares);
HWY_EXPORT(LargestMagnitude);

IppStatus ippsVectorJaehne_64f(Ipp64f* pDst, int len, Ipp64f magn) {
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  if (magn < 0) return ippStsJaehneErr;
  // pDst[n] = n² mod 4·len, stepped by (n+1)² − n² = 2n + 1 < 2·len.
  const uint64_t period = 4 * uint64_t(len);
  uint64_t phase = 0;
  for (uint64_t n = 0; n < uint64_t(len); ++n) {
    pDst[n] = double(phase);
    phase += 2 * n + 1;
    if (phase >= period) phase -= period;
  }
  constexpr double kHalfPi = 1.57079632679489661923;
  HWY_DYNAMIC_DISPATCH(ScaledSine)(pDst, size_t(len), kHalfPi / len, magn);
  return ippStsNoErr;
}

namespace {

// The random sequence described at the top of this file.
class SubtractWithBorrow {
 public:
  explicit SubtractWithBorrow(uint32_t seed) {
    newest_ = seed;
    middle_ = Congruential(seed);
    oldest_ = Congruential(middle_);
  }
  // The next sample u.
  int32_t Next() {
    uint32_t t = middle_ - oldest_ + borrow_;
    borrow_ = int32_t(t) < 0 ? ~0u : 0u;
    if (borrow_ != 0) t -= 18;
    oldest_ = middle_;
    middle_ = newest_;
    newest_ = t;
    congruential_ = Congruential(congruential_);
    return int32_t(newest_ + congruential_);
  }
  uint32_t NewestWord() const { return newest_; }

 private:
  static uint32_t Congruential(uint32_t w) { return 69069u * w + 1013904243u; }

  uint32_t newest_, middle_, oldest_;  // x(n−1), x(n−2), x(n−3)
  uint32_t borrow_ = ~0u;
  uint32_t congruential_ = 0x436CBAE9u;
};

// Fills dst[0, len) with toValue(u) and updates the seed.
template <class T, class ToValue>
IppStatus FillRandom(T* dst, int len, unsigned int* pSeed, const ToValue& toValue) {
  if (IppStatus s = CheckArgs(len, dst, pSeed)) return s;
  SubtractWithBorrow generator(*pSeed);
  for (int i = 0; i < len; ++i) dst[i] = toValue(generator.Next());
  *pSeed = generator.NewestWord();
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsRandUniform_Direct_16s(Ipp16s* pDst, int len, Ipp16s low, Ipp16s high,
                                     unsigned int* pSeed) {
  const int64_t range = int64_t(high) - low, sum = int64_t(low) + high;
  return FillRandom(pDst, len, pSeed, [range, sum](int32_t u) {
    const int64_t scaled = (range * 256 * u) >> 32;
    return Ipp16s((scaled + 128 * sum) >> 8);
  });
}

IppStatus ippsRandUniform_Direct_64f(Ipp64f* pDst, int len, Ipp64f low, Ipp64f high,
                                     unsigned int* pSeed) {
  constexpr uint64_t kScaleBits = 0x3DF0000000000007;  // 2^−32·(1 + 7·2^−52)
  double k;
  std::memcpy(&k, &kScaleBits, sizeof k);
  const double middle = (low + high) / 2, scale = (high - low) * k;
  return FillRandom(pDst, len, pSeed, [middle, scale](int32_t u) { return middle + scale * u; });
}

IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm) {
  if (IppStatus s = CheckArgs(len, pSrc, pNorm)) return s;
  const double* parts = &pSrc->re;
  const size_t count = 2 * size_t(len);
  const double sum = HWY_DYNAMIC_DISPATCH(SumOfScaledSquares)(parts, count, 1.0);
  // Squares below 2^-1022 lose bits, which count once the sum is below about 2^-968.
  const bool accurate = sum >= 0x1p-968 && !std::isinf(sum);
  if (accurate || std::isnan(sum)) {
    *pNorm = std::sqrt(sum);
    return ippStsNoErr;
  }
  const double largest = HWY_DYNAMIC_DISPATCH(LargestMagnitude)(parts, count);
  if (largest == 0 || std::isinf(largest)) {
    *pNorm = largest;
    return ippStsNoErr;
  }
  // 2^-exponent brings the largest part into [1, 2), or a denormal one as near as a normal
  // scale factor allows.
  const int exponent = std::max(std::ilogb(largest), -1022);
  const double scaledSum =
      HWY_DYNAMIC_DISPATCH(SumOfScaledSquares)(parts, count, std::ldexp(1.0, -exponent));
  *pNorm = std::ldexp(std::sqrt(scaledSum), exponent);
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
