// Statistics and norms of vectors: sums, means, extrema with their index, dot products, norms of
// differences, and Normalize.
//
// The reductions run four vector accumulators side by side (Fold), so their summation order
// differs from a left-to-right loop; results agree with it to rounding, as IPP's own do.
//
// Choices where IPP's documents leave a behaviour open:
// - Mean_32f sums in double whatever the hint, divides in double and rounds once to float; hint
//   values outside the enumeration are accepted like ippAlgHintNone.
// - StdDev is the two-pass formula: the mean first, then the squared deviations from it.
// - Min, Max, MinMax, MinIndx and MaxIndx ignore NaN elements and return the first extreme
//   element (lowest index) of the others, so the sign of a zero extremum is that of its first
//   occurrence. When every element is NaN they return element 0 and index 0.
// - NormDiff_Inf is NaN when some difference is NaN, as the L1 and L2 norms are; a NULL pSrc2 is
//   ippStsNullPtrErr. L2 squares the differences without scaling, so it overflows past ~1e154.
// - DotProd_32s_Sfs sums the products exactly (128 bits) before scaling with ties to even and
//   saturating to Ipp32s.
// - Normalize rejects |vdiv| below the smallest normal number of the type (and zero) with
//   ippStsDivByZeroErr; it divides by vdiv rather than multiplying by its reciprocal, and the 32f
//   form computes in float.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Statistics.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <algorithm>
#include <cmath>
#include <limits>

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

using DF64 = hn::ScalableTag<double>;
using VF64 = hn::Vec<DF64>;

struct AddVectors {
  template <class V>
  V operator()(V a, V b) const {
    return hn::Add(a, b);
  }
};

// Σ term(d, x...) over the elements of the sources, the tail padded with `pad` (which the term
// must map to zero).
template <class Term, class... T>
double SumOf(size_t n, double pad, const Term& term, const T*... src) {
  const DF64 d;
  const auto step = [&term](DF64 d, VF64 acc, auto... x) { return hn::Add(acc, term(d, x...)); };
  return hn::GetLane(hn::SumOfLanes(d, Fold(d, n, hn::Zero(d), pad, step, AddVectors(), src...)));
}

double Sum(const double* src, size_t n) {
  return SumOf(
      n, 0.0, [](DF64, VF64 x) { return x; }, src);
}
double SumInDouble(const float* src, size_t n) {
  return SumOf(
      n, 0.0, [](DF64 d, auto x) { return hn::PromoteTo(d, x); }, src);
}
double SumSquaredDeviations(const double* src, size_t n, double mean) {
  return SumOf(
      n, mean,
      [mean](DF64 d, VF64 x) {
        const VF64 deviation = hn::Sub(x, hn::Set(d, mean));
        return hn::Mul(deviation, deviation);
      },
      src);
}
double DotProd(const double* a, const double* b, size_t n) {
  return SumOf(
      n, 0.0, [](DF64, VF64 x, VF64 y) { return hn::Mul(x, y); }, a, b);
}
double SumAbsDiff(const double* a, const double* b, size_t n) {
  return SumOf(
      n, 0.0, [](DF64, VF64 x, VF64 y) { return hn::Abs(hn::Sub(x, y)); }, a, b);
}
double SumSquaredDiff(const double* a, const double* b, size_t n) {
  return SumOf(
      n, 0.0,
      [](DF64, VF64 x, VF64 y) {
        const VF64 diff = hn::Sub(x, y);
        return hn::Mul(diff, diff);
      },
      a, b);
}

// Σ a[k]·b[k] over n interleaved complex numbers, no conjugation.
void DotProdComplex(const double* a, const double* b, size_t n, double* re, double* im) {
  const DF64 d;
  using C = ComplexVec<VF64>;
  const auto step = [](DF64, C acc, C x, C y) {
    return C{hn::Add(acc.re, hn::Sub(hn::Mul(x.re, y.re), hn::Mul(x.im, y.im))),
             hn::Add(acc.im, hn::Add(hn::Mul(x.re, y.im), hn::Mul(x.im, y.re)))};
  };
  const auto merge = [](C s, C t) { return C{hn::Add(s.re, t.re), hn::Add(s.im, t.im)}; };
  const C zero{hn::Zero(d), hn::Zero(d)};
  const C sum =
      Fold(d, n, zero, 0.0, step, merge, ComplexSource<double>{a}, ComplexSource<double>{b});
  *re = hn::GetLane(hn::SumOfLanes(d, sum.re));
  *im = hn::GetLane(hn::SumOfLanes(d, sum.im));
}

// The exact 64-bit products of the int32 lanes of x and y (vectors of Lanes(d) values).
template <class D, class V32>
HWY_INLINE hn::Vec<D> WideProducts(D d, V32 x, V32 y) {
#if HWY_TARGET == HWY_SCALAR
  (void)d;
  return hn::MulEven(x, y);  // the single lane is the even one
#else
  // Promoted to 64-bit lanes, the values sit in the low (even) 32-bit halves that MulEven takes.
  const hn::Repartition<int32_t, D> d32;
  return hn::MulEven(hn::BitCast(d32, hn::PromoteTo(d, x)), hn::BitCast(d32, hn::PromoteTo(d, y)));
#endif
}

// Σ a[k]·b[k] exactly. Each 64-bit product is split into its signed high and unsigned low 32-bit
// halves, summed in separate 64-bit lanes: for fewer than 2^31 products neither sum can overflow.
__int128 DotProdExact(const int32_t* a, const int32_t* b, size_t n) {
  const hn::ScalableTag<int64_t> d;
  using V = hn::Vec<decltype(d)>;
  struct Halves {
    V high, low;
  };
  const auto step = [](auto d, Halves acc, auto x, auto y) {
    const V product = WideProducts(d, x, y);
    return Halves{hn::Add(acc.high, hn::ShiftRight<32>(product)),
                  hn::Add(acc.low, hn::And(product, hn::Set(d, 0xFFFFFFFF)))};
  };
  const auto merge = [](Halves s, Halves t) {
    return Halves{hn::Add(s.high, t.high), hn::Add(s.low, t.low)};
  };
  const Halves zero{hn::Zero(d), hn::Zero(d)};
  const Halves sums = Fold(d, n, zero, 0, step, merge, a, b);
  HWY_ALIGN int64_t high[hn::MaxLanes(d)], low[hn::MaxLanes(d)];
  hn::Store(sums.high, d, high);
  hn::Store(sums.low, d, low);
  __int128 total = 0;
  for (size_t k = 0; k < hn::Lanes(d); ++k) total += (__int128(high[k]) << 32) + low[k];
  return total;
}

// Whether x is less (kGreatest: greater) than `best` in each lane; false where either is NaN.
template <bool kGreatest>
HWY_INLINE auto Beats(VF64 x, VF64 best) {
  if constexpr (kGreatest)
    return hn::Gt(x, best);
  else
    return hn::Lt(x, best);
}

// The lesser (kGreatest: greater) of acc and x in each lane; NaN lanes of x leave acc as it is.
template <bool kGreatest>
HWY_INLINE VF64 Extend(VF64 acc, VF64 x) {
  return hn::IfThenElse(Beats<kGreatest>(x, acc), x, acc);
}

// The index of the first element equal to `value`, or 0 when there is none (all NaN).
size_t FirstIndexOf(const double* src, size_t n, double value) {
  const DF64 d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const intptr_t k = hn::FindFirstTrue(d, hn::Eq(hn::LoadU(d, src + i), hn::Set(d, value)));
    if (k >= 0) return i + size_t(k);
  }
  for (; i < n; ++i)
    if (src[i] == value) return i;
  return 0;
}

// The index of the first least (kGreatest: greatest) element, NaN ignored; 0 when all are NaN.
// Blocks of eight vectors are screened against the extreme found so far, which costs a compare
// per vector; only a block that holds something beyond it (rare past the first blocks, unless the
// data run monotonically) is searched for its extreme and that extreme's first index. The
// comparisons are strict and false for NaN, so NaN never wins and the first of equal elements
// does. Nothing beats the starting infinity itself, so an extreme of that infinity (or an all-NaN
// source) is looked up at the end.
template <bool kGreatest>
size_t FirstExtremeIndex(const double* src, size_t n) {
  const DF64 d;
  constexpr size_t kVectors = 8;
  const size_t lanes = hn::Lanes(d), block = kVectors * lanes;
  const double none = kGreatest ? -HUGE_VAL : HUGE_VAL;
  double extreme = none;
  size_t index = 0, i = 0;
  for (; i + block <= n; i += block) {
    const VF64 bound = hn::Set(d, extreme);
    auto beyond = Beats<kGreatest>(hn::LoadU(d, src + i), bound);
    for (size_t k = 1; k < kVectors; ++k)
      beyond = hn::Or(beyond, Beats<kGreatest>(hn::LoadU(d, src + i + k * lanes), bound));
    if (hn::AllFalse(d, beyond)) continue;
    VF64 acc = bound;
    for (size_t k = 0; k < kVectors; ++k) acc = Extend<kGreatest>(acc, hn::LoadU(d, src + i + k * lanes));
    extreme = hn::GetLane(kGreatest ? hn::MaxOfLanes(d, acc) : hn::MinOfLanes(d, acc));
    index = i + FirstIndexOf(src + i, block, extreme);
  }
  for (; i < n; ++i)
    if (kGreatest ? src[i] > extreme : src[i] < extreme) extreme = src[i], index = i;
  return extreme == none ? FirstIndexOf(src, n, none) : index;
}

size_t LeastIndex(const double* src, size_t n) {
  return FirstExtremeIndex<false>(src, n);
}
size_t GreatestIndex(const double* src, size_t n) {
  return FirstExtremeIndex<true>(src, n);
}

// max |a[k] - b[k]|, NaN when some difference is NaN.
double MaxAbsDiff(const double* a, const double* b, size_t n) {
  const DF64 d;
  struct Bound {
    VF64 greatest, nan;  // nan: NaN in the lanes that met one
  };
  const auto step = [](DF64, Bound acc, VF64 x, VF64 y) {
    const VF64 diff = hn::Abs(hn::Sub(x, y));
    return Bound{Extend<true>(acc.greatest, diff), hn::IfThenElse(hn::IsNaN(diff), diff, acc.nan)};
  };
  const auto merge = [](Bound s, Bound t) {
    return Bound{hn::Max(s.greatest, t.greatest), hn::IfThenElse(hn::IsNaN(s.nan), s.nan, t.nan)};
  };
  const Bound zero{hn::Zero(d), hn::Zero(d)};
  const Bound bound = Fold(d, n, zero, 0.0, step, merge, a, b);
  if (!hn::AllFalse(d, hn::IsNaN(bound.nan))) return std::numeric_limits<double>::quiet_NaN();
  return hn::GetLane(hn::MaxOfLanes(d, bound.greatest));
}

template <class T>
void Normalize(const T* src, T* dst, size_t n, T vsub, T vdiv) {
  Map1(src, dst, n, [vsub, vdiv](auto d, auto x) {
    return hn::Div(hn::Sub(x, hn::Set(d, vsub)), hn::Set(d, vdiv));
  });
}
void Normalize64(const double* src, double* dst, size_t n, double vsub, double vdiv) {
  Normalize(src, dst, n, vsub, vdiv);
}
void Normalize32(const float* src, float* dst, size_t n, float vsub, float vdiv) {
  Normalize(src, dst, n, vsub, vdiv);
}
void NormalizeComplex(const double* src, double* dst, size_t n, Ipp64fc vsub, double vdiv) {
  MapComplex1(src, dst, n, [vsub, vdiv](auto d, auto z) {
    const auto divisor = hn::Set(d, vdiv);
    return decltype(z){hn::Div(hn::Sub(z.re, hn::Set(d, vsub.re)), divisor),
                       hn::Div(hn::Sub(z.im, hn::Set(d, vsub.im)), divisor)};
  });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(Sum);
HWY_EXPORT(SumInDouble);
HWY_EXPORT(SumSquaredDeviations);
HWY_EXPORT(DotProd);
HWY_EXPORT(DotProdComplex);
HWY_EXPORT(DotProdExact);
HWY_EXPORT(SumAbsDiff);
HWY_EXPORT(SumSquaredDiff);
HWY_EXPORT(MaxAbsDiff);
HWY_EXPORT(LeastIndex);
HWY_EXPORT(GreatestIndex);
HWY_EXPORT(Normalize64);
HWY_EXPORT(Normalize32);
HWY_EXPORT(NormalizeComplex);

namespace {

const double* Doubles(const Ipp64fc* p) {
  return reinterpret_cast<const double*>(p);
}
double* Doubles(Ipp64fc* p) {
  return reinterpret_cast<double*>(p);
}

// v·2^-scaleFactor rounded to nearest with ties to even, saturated to Ipp32s. |v| < 2^94.
Ipp32s ScaleToInt32(__int128 v, int scaleFactor) {
  __int128 scaled;
  if (scaleFactor <= 0) {
    // Any nonzero v saturates once shifted by 32 bits, so longer shifts need not be done.
    const int shift = scaleFactor < -32 ? 32 : -scaleFactor;
    scaled = v * (__int128(1) << shift);
  } else {
    // Past 95 bits every |v| < 2^94 rounds to 0, as it does at 100.
    const int shift = std::min(scaleFactor, 100);
    const __int128 floor = v >> shift;
    const __int128 remainder = v - floor * (__int128(1) << shift);
    const __int128 half = __int128(1) << (shift - 1);
    scaled = floor + (remainder > half || (remainder == half && (floor & 1) != 0));
  }
  return Ipp32s(std::clamp<__int128>(scaled, INT32_MIN, INT32_MAX));
}

}  // namespace

IppStatus ippsSum_64f(const Ipp64f* pSrc, int len, Ipp64f* pSum) {
  if (IppStatus s = CheckArgs(len, pSrc, pSum)) return s;
  *pSum = HWY_DYNAMIC_DISPATCH(Sum)(pSrc, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMean_64f(const Ipp64f* pSrc, int len, Ipp64f* pMean) {
  if (IppStatus s = CheckArgs(len, pSrc, pMean)) return s;
  *pMean = HWY_DYNAMIC_DISPATCH(Sum)(pSrc, size_t(len)) / len;
  return ippStsNoErr;
}
IppStatus ippsMean_32f(const Ipp32f* pSrc, int len, Ipp32f* pMean, IppHintAlgorithm) {
  if (IppStatus s = CheckArgs(len, pSrc, pMean)) return s;
  *pMean = Ipp32f(HWY_DYNAMIC_DISPATCH(SumInDouble)(pSrc, size_t(len)) / len);
  return ippStsNoErr;
}
IppStatus ippsStdDev_64f(const Ipp64f* pSrc, int len, Ipp64f* pStdDev) {
  if (IppStatus s = CheckArgs(len, pSrc, pStdDev)) return s;
  if (len < 2) return ippStsSizeErr;
  const double mean = HWY_DYNAMIC_DISPATCH(Sum)(pSrc, size_t(len)) / len;
  *pStdDev =
      std::sqrt(HWY_DYNAMIC_DISPATCH(SumSquaredDeviations)(pSrc, size_t(len), mean) / (len - 1));
  return ippStsNoErr;
}

IppStatus ippsMin_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin) {
  if (IppStatus s = CheckArgs(len, pSrc, pMin)) return s;
  *pMin = pSrc[HWY_DYNAMIC_DISPATCH(LeastIndex)(pSrc, size_t(len))];
  return ippStsNoErr;
}
IppStatus ippsMax_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax) {
  if (IppStatus s = CheckArgs(len, pSrc, pMax)) return s;
  *pMax = pSrc[HWY_DYNAMIC_DISPATCH(GreatestIndex)(pSrc, size_t(len))];
  return ippStsNoErr;
}
IppStatus ippsMinMax_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin, Ipp64f* pMax) {
  if (IppStatus s = CheckArgs(len, pSrc, pMin, pMax)) return s;
  *pMin = pSrc[HWY_DYNAMIC_DISPATCH(LeastIndex)(pSrc, size_t(len))];
  *pMax = pSrc[HWY_DYNAMIC_DISPATCH(GreatestIndex)(pSrc, size_t(len))];
  return ippStsNoErr;
}
// pIndx may be null: IPP then returns the value only.
IppStatus ippsMinIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin, int* pIndx) {
  if (IppStatus s = CheckArgs(len, pSrc, pMin)) return s;
  const size_t index = HWY_DYNAMIC_DISPATCH(LeastIndex)(pSrc, size_t(len));
  *pMin = pSrc[index];
  if (pIndx) *pIndx = int(index);
  return ippStsNoErr;
}
IppStatus ippsMaxIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax, int* pIndx) {
  if (IppStatus s = CheckArgs(len, pSrc, pMax)) return s;
  const size_t index = HWY_DYNAMIC_DISPATCH(GreatestIndex)(pSrc, size_t(len));
  *pMax = pSrc[index];
  if (pIndx) *pIndx = int(index);
  return ippStsNoErr;
}

IppStatus ippsDotProd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDp)) return s;
  *pDp = HWY_DYNAMIC_DISPATCH(DotProd)(pSrc1, pSrc2, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsDotProd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDp)) return s;
  HWY_DYNAMIC_DISPATCH(DotProdComplex)
  (Doubles(pSrc1), Doubles(pSrc2), size_t(len), &pDp->re, &pDp->im);
  return ippStsNoErr;
}
IppStatus ippsDotProd_32s_Sfs(const Ipp32s* pSrc1, const Ipp32s* pSrc2, int len, Ipp32s* pDp,
                              int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDp)) return s;
  *pDp = ScaleToInt32(HWY_DYNAMIC_DISPATCH(DotProdExact)(pSrc1, pSrc2, size_t(len)), scaleFactor);
  return ippStsNoErr;
}

IppStatus ippsNormDiff_L1_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pNorm)) return s;
  *pNorm = HWY_DYNAMIC_DISPATCH(SumAbsDiff)(pSrc1, pSrc2, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsNormDiff_L2_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pNorm)) return s;
  *pNorm = std::sqrt(HWY_DYNAMIC_DISPATCH(SumSquaredDiff)(pSrc1, pSrc2, size_t(len)));
  return ippStsNoErr;
}
IppStatus ippsNormDiff_Inf_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pNorm)) return s;
  *pNorm = HWY_DYNAMIC_DISPATCH(MaxAbsDiff)(pSrc1, pSrc2, size_t(len));
  return ippStsNoErr;
}

IppStatus ippsNormalize_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f vsub, Ipp64f vdiv) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (std::fabs(vdiv) < std::numeric_limits<Ipp64f>::min()) return ippStsDivByZeroErr;
  HWY_DYNAMIC_DISPATCH(Normalize64)(pSrc, pDst, size_t(len), vsub, vdiv);
  return ippStsNoErr;
}
IppStatus ippsNormalize_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len, Ipp32f vsub, Ipp32f vdiv) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (std::fabs(vdiv) < std::numeric_limits<Ipp32f>::min()) return ippStsDivByZeroErr;
  HWY_DYNAMIC_DISPATCH(Normalize32)(pSrc, pDst, size_t(len), vsub, vdiv);
  return ippStsNoErr;
}
IppStatus ippsNormalize_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc vsub,
                             Ipp64f vdiv) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (std::fabs(vdiv) < std::numeric_limits<Ipp64f>::min()) return ippStsDivByZeroErr;
  HWY_DYNAMIC_DISPATCH(NormalizeComplex)(Doubles(pSrc), Doubles(pDst), size_t(len), vsub, vdiv);
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
