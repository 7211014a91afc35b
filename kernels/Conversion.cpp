// Type conversions and byte swapping.
//
// Scaled conversions multiply by 2^-scaleFactor exactly, with ldexp's result for every
// scaleFactor: the power is applied as two factors that are both normal doubles (see
// PowerOfTwoFactors), so a huge scaleFactor neither overflows the factor to Inf (0 * Inf = NaN) nor
// flushes it to 0. Float-to-integer conversions then round the scaled value per IppRoundMode and
// saturate it to the int32 range.
//
// Choices where IPP's documents leave a behaviour open:
// - Convert_64f32f saturates finite values beyond the float range to +-FLT_MAX, keeps +-Inf as
//   +-Inf and NaN as NaN; results in the float denormal range round as IEEE does.
// - Convert_32f32s_Sfs / Convert_64f32s_Sfs convert NaN to INT32_MIN, what the x86 conversion
//   instructions give, and answer ippStsRoundModeNotSupportedErr for a rndMode other than
//   ippRndZero, ippRndNear or ippRndFinancial (ippRndFinancial is supported), checked after the
//   pointers and the length.
// - SwapBytes_24u's len counts 3-byte elements, as in IPP's other 24u functions.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Conversion.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <type_traits>

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

// Exact widening of float and int32 lanes.
constexpr auto kPromoteToDouble = [](auto d, auto x) {
  return hn::PromoteTo(hn::Rebind<double, decltype(d)>(), x);
};
void Convert32fTo64f(const float* src, double* dst, size_t n) {
  Map1(src, dst, n, kPromoteToDouble);
}
void Convert32sTo64f(const int32_t* src, double* dst, size_t n) {
  Map1(src, dst, n, kPromoteToDouble);
}
void Convert32sTo32f(const int32_t* src, float* dst, size_t n) {
  Map1(src, dst, n,
       [](auto d, auto x) { return hn::ConvertTo(hn::Rebind<float, decltype(d)>(), x); });
}

// Rounds to nearest float; finite values beyond the float range give +-FLT_MAX.
void Convert64fTo32f(const double* src, float* dst, size_t n) {
  Map1(src, dst, n, [](auto d, auto x) {
    const hn::Rebind<float, decltype(d)> df;
    const auto beyondFloat =
        hn::And(hn::Gt(hn::Abs(x), hn::Set(d, double(FLT_MAX))), hn::IsFinite(x));
    auto narrowed = hn::DemoteTo(
        df, hn::IfThenElse(beyondFloat, hn::CopySign(hn::Set(d, double(FLT_MAX)), x), x));
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
    // The portable targets' DemoteTo saturates +-Inf to +-FLT_MAX as well; IEEE (and x86) keep Inf.
    const auto wasInf = hn::DemoteTo(df, hn::IfThenElseZero(hn::IsInf(x), hn::Set(d, 1.0)));
    narrowed = hn::IfThenElse(hn::Eq(wasInf, hn::Set(df, 1.0f)),
                              hn::CopySign(hn::Inf(df), narrowed), narrowed);
#endif
    return narrowed;
  });
}

// x * first * second, the exact scaling by two power-of-two factors.
template <class D, class V>
HWY_INLINE V Scale(D d, V x, double first, double second) {
  return hn::Mul(hn::Mul(x, hn::Set(d, first)), hn::Set(d, second));
}

void Convert16sTo64fScaled(const int16_t* src, double* dst, size_t n, double first, double second) {
  Map1(src, dst, n, [first, second](auto d, auto x) {
    const hn::Rebind<double, decltype(d)> dd;
    const auto wide = hn::PromoteTo(dd, hn::PromoteTo(hn::Rebind<int32_t, decltype(d)>(), x));
    return Scale(dd, wide, first, second);
  });
}

// Rounds a >= 0 (or NaN, or Inf, both kept) to an integral double per kMode.
template <IppRoundMode kMode, class D, class V>
HWY_INLINE V RoundMagnitude(D d, V a) {
  if constexpr (kMode == ippRndZero) {
    return hn::Trunc(a);
  } else if constexpr (kMode == ippRndNear) {
    return hn::Round(a);  // ties to even
  } else {                // ippRndFinancial: ties away from zero
    const auto whole = hn::Trunc(a);
    const auto upward = hn::Ge(hn::Sub(a, whole), hn::Set(d, 0.5));  // a - whole is exact
    return hn::IfThenElse(upward, hn::Add(whole, hn::Set(d, 1.0)), whole);
  }
}

// Rounds y per kMode and saturates it to the int32 range; NaN gives INT32_MIN.
template <IppRoundMode kMode, class D, class V>
HWY_INLINE auto RoundToInt32(D d, V y) {
  const auto rounded = hn::CopySign(RoundMagnitude<kMode>(d, hn::Abs(y)), y);
  const auto lowest = hn::Set(d, -2147483648.0), highest = hn::Set(d, 2147483647.0);
  const auto numeric = hn::IfThenElse(hn::IsNaN(rounded), lowest, rounded);
  return hn::DemoteTo(hn::Rebind<int32_t, D>(), hn::Min(hn::Max(numeric, lowest), highest));
}

// Floats are widened to double (exactly) so that both sources share the scaling and rounding.
template <IppRoundMode kMode, class TIn>
void ConvertToInt32(const TIn* src, int32_t* dst, size_t n, double first, double second) {
  MapWithLanesOf<double>(src, dst, n, [first, second](auto d, auto x) {
    const hn::Rebind<double, decltype(d)> dd;
    if constexpr (std::is_same_v<TIn, double>) {
      return RoundToInt32<kMode>(dd, Scale(dd, x, first, second));
    } else {
      return RoundToInt32<kMode>(dd, Scale(dd, hn::PromoteTo(dd, x), first, second));
    }
  });
}

template <class TIn>
void ConvertToInt32(const TIn* src, int32_t* dst, size_t n, IppRoundMode mode, double first,
                    double second) {
  switch (mode) {
    case ippRndZero:
      return ConvertToInt32<ippRndZero>(src, dst, n, first, second);
    case ippRndNear:
      return ConvertToInt32<ippRndNear>(src, dst, n, first, second);
    case ippRndFinancial:
      return ConvertToInt32<ippRndFinancial>(src, dst, n, first, second);
  }
}
void Convert64fTo32sScaled(const double* src, int32_t* dst, size_t n, IppRoundMode mode,
                           double first, double second) {
  ConvertToInt32(src, dst, n, mode, first, second);
}
void Convert32fTo32sScaled(const float* src, int32_t* dst, size_t n, IppRoundMode mode,
                           double first, double second) {
  ConvertToInt32(src, dst, n, mode, first, second);
}

// Shifts and masks rather than byte shuffles: they exist on every target, the one-lane scalar
// target included.
void SwapBytes16(const uint16_t* src, uint16_t* dst, size_t n) {
  Map1(src, dst, n, [](auto, auto x) { return hn::Or(hn::ShiftLeft<8>(x), hn::ShiftRight<8>(x)); });
}
void SwapBytes32(const uint32_t* src, uint32_t* dst, size_t n) {
  Map1(src, dst, n, [](auto d, auto x) {
    const auto byte1 = hn::Set(d, 0xff00u);
    const auto outer = hn::Or(hn::ShiftLeft<24>(x), hn::ShiftRight<24>(x));
    const auto inner =
        hn::Or(hn::ShiftLeft<8>(hn::And(x, byte1)), hn::And(hn::ShiftRight<8>(x), byte1));
    return hn::Or(outer, inner);
  });
}

// Exchanges the outer bytes of n packed 3-byte elements.
void SwapBytes24(const uint8_t* src, uint8_t* dst, size_t n) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  hn::Vec<decltype(d)> low, middle, high;
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    hn::LoadInterleaved3(d, src + 3 * i, low, middle, high);
    hn::StoreInterleaved3(high, middle, low, d, dst + 3 * i);
  }
  const hn::CappedTag<uint8_t, 1> d1;
  hn::Vec<decltype(d1)> low1, middle1, high1;
  for (; i < n; ++i) {
    hn::LoadInterleaved3(d1, src + 3 * i, low1, middle1, high1);
    hn::StoreInterleaved3(high1, middle1, low1, d1, dst + 3 * i);
  }
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(Convert32fTo64f);
HWY_EXPORT(Convert32sTo64f);
HWY_EXPORT(Convert32sTo32f);
HWY_EXPORT(Convert64fTo32f);
HWY_EXPORT(Convert16sTo64fScaled);
HWY_EXPORT(Convert64fTo32sScaled);
HWY_EXPORT(Convert32fTo32sScaled);
HWY_EXPORT(SwapBytes16);
HWY_EXPORT(SwapBytes32);
HWY_EXPORT(SwapBytes24);

namespace {

// 2^-scaleFactor as two factors whose product is the power and which are both normal doubles.
// Multiplying by the first is exact for every source value that the second does not take out of
// range anyway, so x * first * second rounds once, like ldexp. Exponents beyond +-1200 change no
// result: from 2^1200 up, every nonzero source (the least is 2^-1074) saturates; below 2^-1200
// every source (the largest is below 2^1024) rounds to 0 or, for the 16s source, underflows to 0.
struct ScalingFactors {
  double first;
  double second;
};
ScalingFactors PowerOfTwoFactors(int scaleFactor) {
  constexpr int kLargestUsefulExponent = 1200;
  const int exponent = -std::clamp(scaleFactor, -kLargestUsefulExponent, kLargestUsefulExponent);
  const int half = exponent / 2;
  return {std::ldexp(1.0, half), std::ldexp(1.0, exponent - half)};
}

bool IsRoundMode(IppRoundMode mode) {
  return mode == ippRndZero || mode == ippRndNear || mode == ippRndFinancial;
}

}  // namespace

IppStatus ippsConvert_32f64f(const Ipp32f* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Convert32fTo64f)(pSrc, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Convert64fTo32f)(pSrc, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  const ScalingFactors scale = PowerOfTwoFactors(scaleFactor);
  HWY_DYNAMIC_DISPATCH(Convert16sTo64fScaled)(pSrc, pDst, size_t(len), scale.first, scale.second);
  return ippStsNoErr;
}
IppStatus ippsConvert_64f32s_Sfs(const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (!IsRoundMode(rndMode)) return ippStsRoundModeNotSupportedErr;
  const ScalingFactors scale = PowerOfTwoFactors(scaleFactor);
  HWY_DYNAMIC_DISPATCH(Convert64fTo32sScaled)
  (pSrc, pDst, size_t(len), rndMode, scale.first, scale.second);
  return ippStsNoErr;
}
IppStatus ippsConvert_32s64f(const Ipp32s* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Convert32sTo64f)(pSrc, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsConvert_32f32s_Sfs(const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (!IsRoundMode(rndMode)) return ippStsRoundModeNotSupportedErr;
  const ScalingFactors scale = PowerOfTwoFactors(scaleFactor);
  HWY_DYNAMIC_DISPATCH(Convert32fTo32sScaled)
  (pSrc, pDst, size_t(len), rndMode, scale.first, scale.second);
  return ippStsNoErr;
}
IppStatus ippsConvert_32s32f(const Ipp32s* pSrc, Ipp32f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Convert32sTo32f)(pSrc, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SwapBytes16)(pSrc, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSwapBytes_24u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SwapBytes24)(pSrc, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSwapBytes_32u(const Ipp32u* pSrc, Ipp32u* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SwapBytes32)(pSrc, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSwapBytes_32u_I(Ipp32u* pSrcDst, int len) {
  return ippsSwapBytes_32u(pSrcDst, pSrcDst, len);
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
