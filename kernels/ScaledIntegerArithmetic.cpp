// Integer arithmetic with IPP's scale factor: the exact result of each element is multiplied by
// 2^-scaleFactor, rounded to the nearest integer with ties to even, then saturated to the
// destination type (32s: [-2^31, 2^31-1], 8u: [0, 255]). Negative scale factors multiply.
//
// The exact results are formed in lanes twice as wide as the data (32s in 64-bit lanes, 8u in
// 32-bit lanes), where every sum, difference and product fits with room for the rounding.
// Division is done per element in 128-bit integers: a vector integer divide does not pay.
//
// Choices where IPP's documents leave a behaviour open:
// - Mul_32s and MulC_32s scale the exact 64-bit product, not a double-precision one.
// - Div_32s rounds the exact real quotient with ties to even, like the other scaled operations.
// - Div_32s by a zero element writes 0 for 0/0, IPP_MAX_32S for a positive dividend and
//   IPP_MIN_32S for a negative one, whatever the scale factor, and returns the warning
//   ippStsDivByZero (6), as IPP documents for its 16s and 32sc divisions.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/ScaledIntegerArithmetic.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <algorithm>
#include <limits>
#include <type_traits>

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace {

// The lanes in which the exact results of T operands are formed.
template <class T>
using Wide = std::conditional_t<sizeof(T) == 4, int64_t, int32_t>;

// round(v * 2^-sf) with ties to even, saturated to T's range. |v| must stay within a quarter of
// the lane type's range (2^62 in 64-bit lanes), which all exact results here do.
template <class T, class D, class V>
HWY_INLINE V ScaleAndSaturate(D d, V v, int sf) {
  using W = hn::TFromD<D>;
  const V lo = hn::Set(d, W(std::numeric_limits<T>::min()));
  const V hi = hn::Set(d, W(std::numeric_limits<T>::max()));
  if (sf > 0) {
    // From bits(W) - 1 on, every such v rounds to 0, as it already does at bits(W) - 1.
    const int shift = std::min(sf, int(sizeof(W) * 8) - 1);
    // Adding half - 1 carries into the quotient exactly when the remainder exceeds half; the
    // extra 1 for an odd quotient makes an exact half carry as well: ties go to even.
    const V bias = hn::Set(d, W((W(1) << (shift - 1)) - 1));
    const V odd = hn::And(hn::ShiftRightSame(v, shift), hn::Set(d, W(1)));
    v = hn::ShiftRightSame(hn::Add(hn::Add(v, bias), odd), shift);
  } else if (sf < 0) {
    // Doubling keeps a value beyond T's range beyond it, and a nonzero value in range leaves the
    // range within bits(T) doublings: clamping first and capping the shift cannot overflow W.
    const int bits = int(sizeof(T) * 8);
    v = hn::ShiftLeftSame(hn::Min(hn::Max(v, lo), hi), sf < -bits ? bits : -sf);
  }
  return hn::Min(hn::Max(v, lo), hi);
}

// x * y for values that fit in half a lane: exact in the full lane.
template <class D, class V>
HWY_INLINE V WideMul(D, V x, V y) {
  if constexpr (sizeof(hn::TFromD<D>) == 8 && HWY_TARGET != HWY_SCALAR) {
    // x86 multiplies 64-bit lanes only with AVX-512DQ: multiply the low 32-bit halves, which are
    // the even 32-bit lanes, into full 64-bit products.
    const hn::Repartition<int32_t, D> d32;
    return hn::MulEven(hn::BitCast(d32, x), hn::BitCast(d32, y));
  } else {
    return hn::Mul(x, y);
  }
}

template <class T>
void ScaledAdd(const T* a, const T* b, T* dst, size_t n, int sf) {
  MapWidened2<Wide<T>>(a, b, dst, n, [sf](auto d, auto x, auto y) {
    return ScaleAndSaturate<T>(d, hn::Add(x, y), sf);
  });
}
// dst = b - a: IPP's in-place Sub takes the subtrahend first.
template <class T>
void ScaledSubRev(const T* a, const T* b, T* dst, size_t n, int sf) {
  MapWidened2<Wide<T>>(a, b, dst, n, [sf](auto d, auto x, auto y) {
    return ScaleAndSaturate<T>(d, hn::Sub(y, x), sf);
  });
}
template <class T>
void ScaledMul(const T* a, const T* b, T* dst, size_t n, int sf) {
  MapWidened2<Wide<T>>(a, b, dst, n, [sf](auto d, auto x, auto y) {
    return ScaleAndSaturate<T>(d, WideMul(d, x, y), sf);
  });
}

}  // namespace

void Add32s(const int32_t* a, const int32_t* b, int32_t* dst, size_t n, int sf) {
  ScaledAdd(a, b, dst, n, sf);
}
void SubRev32s(const int32_t* a, const int32_t* b, int32_t* dst, size_t n, int sf) {
  ScaledSubRev(a, b, dst, n, sf);
}
void Mul32s(const int32_t* a, const int32_t* b, int32_t* dst, size_t n, int sf) {
  ScaledMul(a, b, dst, n, sf);
}
void Add8u(const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n, int sf) {
  ScaledAdd(a, b, dst, n, sf);
}
void SubRev8u(const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n, int sf) {
  ScaledSubRev(a, b, dst, n, sf);
}
void Mul8u(const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n, int sf) {
  ScaledMul(a, b, dst, n, sf);
}
// dst = src + offset; SubC passes the negated constant, which the 64-bit offset holds exactly.
void AddC32s(const int32_t* src, int64_t offset, int32_t* dst, size_t n, int sf) {
  MapWidened1<int64_t>(src, dst, n, [offset, sf](auto d, auto x) {
    return ScaleAndSaturate<int32_t>(d, hn::Add(x, hn::Set(d, offset)), sf);
  });
}
void SubCRev32s(const int32_t* src, int32_t val, int32_t* dst, size_t n, int sf) {
  MapWidened1<int64_t>(src, dst, n, [val, sf](auto d, auto x) {
    return ScaleAndSaturate<int32_t>(d, hn::Sub(hn::Set(d, int64_t(val)), x), sf);
  });
}
void MulC32s(const int32_t* src, int32_t val, int32_t* dst, size_t n, int sf) {
  MapWidened1<int64_t>(src, dst, n, [val, sf](auto d, auto x) {
    return ScaleAndSaturate<int32_t>(d, WideMul(d, x, hn::Set(d, int64_t(val))), sf);
  });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {
namespace {

__extension__ typedef __int128 Int128;

// round(a / b * 2^-sf) with ties to even, saturated to 32s; b != 0. Computed exactly as the
// fraction (a * 2^-sf) / (b * 2^sf).
int32_t ScaledQuotient(int32_t a, int32_t b, int sf) {
  // |a / b| is at most 2^31 and, for a != 0, at least 2^-31: from sf = 33 on the result is 0 and
  // from sf = -62 on it is saturated, so the scale is capped there.
  const int scale = std::clamp(sf, -62, 33);
  Int128 numerator = Int128(a) * (Int128(1) << std::max(-scale, 0));
  Int128 denominator = Int128(b) << std::max(scale, 0);
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  Int128 quotient = numerator / denominator, remainder = numerator % denominator;
  if (remainder < 0) {  // floor division: 0 <= remainder < denominator
    --quotient;
    remainder += denominator;
  }
  if (2 * remainder > denominator || (2 * remainder == denominator && (quotient & 1) != 0))
    ++quotient;
  return int32_t(std::clamp<Int128>(quotient, std::numeric_limits<int32_t>::min(),
                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

HWY_EXPORT(Add32s);
HWY_EXPORT(SubRev32s);
HWY_EXPORT(Mul32s);
HWY_EXPORT(Add8u);
HWY_EXPORT(SubRev8u);
HWY_EXPORT(Mul8u);
HWY_EXPORT(AddC32s);
HWY_EXPORT(SubCRev32s);
HWY_EXPORT(MulC32s);

IppStatus ippsAdd_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(Add32s)(pSrc, pSrcDst, pSrcDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsSub_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubRev32s)(pSrc, pSrcDst, pSrcDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsMul_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(Mul32s)(pSrc, pSrcDst, pSrcDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsDiv_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int ScaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  bool zeroDivisor = false;
  for (int i = 0; i < len; ++i) {
    const int32_t dividend = pSrcDst[i], divisor = pSrc[i];
    if (divisor != 0) {
      pSrcDst[i] = ScaledQuotient(dividend, divisor, ScaleFactor);
      continue;
    }
    zeroDivisor = true;
    pSrcDst[i] = dividend == 0  ? 0
                 : dividend > 0 ? std::numeric_limits<int32_t>::max()
                                : std::numeric_limits<int32_t>::min();
  }
  return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}
IppStatus ippsAddC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(AddC32s)(pSrc, int64_t(val), pDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsAddC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return ippsAddC_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}
IppStatus ippsSubC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(AddC32s)(pSrc, -int64_t(val), pDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsSubC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return ippsSubC_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}
IppStatus ippsSubCRev_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len,
                              int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubCRev32s)(pSrc, val, pDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsSubCRev_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return ippsSubCRev_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}
IppStatus ippsMulC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(MulC32s)(pSrc, val, pDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsMulC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return ippsMulC_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}
IppStatus ippsAdd_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(Add8u)(pSrc, pSrcDst, pSrcDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsSub_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubRev8u)(pSrc, pSrcDst, pSrcDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}
IppStatus ippsMul_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(Mul8u)(pSrc, pSrcDst, pSrcDst, size_t(len), scaleFactor);
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
