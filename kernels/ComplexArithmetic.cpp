// Complex 64-bit arithmetic on interleaved (re, im) doubles, bit for bit the scalar formulas:
//   (a+bi)(c+di) = (ac - bd) + (ad + bc)i
//   (a+bi)/(c+di) = ((ac + bd) + (bc - ad)i) / (c*c + d*d)
// Every product, sum and quotient is rounded on its own (no fused multiply-add).
//
// Choices where IPP's documents leave a behaviour open:
// - Multiplication and division use the textbook formulas above in that order, without Smith's
//   scaling, so a divisor whose c*c + d*d overflows or underflows gives 0, Inf or NaN parts.
// - Div_I treats a divisor as zero when both parts compare equal to zero (+0 or -0); the quotient
//   is then a quiet NaN in both parts and the status the warning ippStsDivByZero (6). A nonzero
//   divisor whose c*c + d*d underflows to zero is not a zero divisor: it gets the formula's result.
// - DivC divides every element by the constant with the formula; it does not multiply by a
//   precomputed reciprocal.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/ComplexArithmetic.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <limits>

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace {

template <class D>
HWY_INLINE ComplexVec<hn::Vec<D>> Broadcast(D d, Ipp64fc val) {
  return {hn::Set(d, val.re), hn::Set(d, val.im)};
}

template <class V>
HWY_INLINE ComplexVec<V> ComplexProduct(ComplexVec<V> x, ComplexVec<V> y) {
  return {hn::Sub(hn::Mul(x.re, y.re), hn::Mul(x.im, y.im)),
          hn::Add(hn::Mul(x.re, y.im), hn::Mul(x.im, y.re))};
}

template <class V>
HWY_INLINE ComplexVec<V> ComplexQuotient(ComplexVec<V> x, ComplexVec<V> y) {
  const V denominator = hn::Add(hn::Mul(y.re, y.re), hn::Mul(y.im, y.im));
  return {hn::Div(hn::Add(hn::Mul(x.re, y.re), hn::Mul(x.im, y.im)), denominator),
          hn::Div(hn::Sub(hn::Mul(x.im, y.re), hn::Mul(x.re, y.im)), denominator)};
}

}  // namespace

void ComplexAdd(const double* a, const double* b, double* dst, size_t n) {
  Map2(a, b, dst, 2 * n, [](auto, auto x, auto y) { return hn::Add(x, y); });
}
// dst = b - a: IPP's in-place Sub takes the subtrahend first.
void ComplexSubRev(const double* a, const double* b, double* dst, size_t n) {
  Map2(a, b, dst, 2 * n, [](auto, auto x, auto y) { return hn::Sub(y, x); });
}
void ComplexMul(const double* a, const double* b, double* dst, size_t n) {
  MapComplex2(a, b, dst, n, [](auto, auto x, auto y) { return ComplexProduct(x, y); });
}
// dst = b / a; returns true when some divisor a[i] is zero.
bool ComplexDivRev(const double* a, const double* b, double* dst, size_t n) {
  bool zeroDivisor = false;
  MapComplex2(a, b, dst, n, [&zeroDivisor](auto d, auto divisor, auto dividend) {
    const auto zero = hn::And(hn::Eq(divisor.re, hn::Zero(d)), hn::Eq(divisor.im, hn::Zero(d)));
    zeroDivisor |= !hn::AllFalse(d, zero);
    const auto nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    auto quotient = ComplexQuotient(dividend, divisor);
    quotient.re = hn::IfThenElse(zero, nan, quotient.re);
    quotient.im = hn::IfThenElse(zero, nan, quotient.im);
    return quotient;
  });
  return zeroDivisor;
}
void ComplexAddC(const double* src, Ipp64fc val, double* dst, size_t n) {
  MapComplex1(src, dst, n, [val](auto d, auto x) {
    return ComplexVec{hn::Add(x.re, hn::Set(d, val.re)), hn::Add(x.im, hn::Set(d, val.im))};
  });
}
void ComplexSubC(const double* src, Ipp64fc val, double* dst, size_t n) {
  MapComplex1(src, dst, n, [val](auto d, auto x) {
    return ComplexVec{hn::Sub(x.re, hn::Set(d, val.re)), hn::Sub(x.im, hn::Set(d, val.im))};
  });
}
void ComplexSubCRev(const double* src, Ipp64fc val, double* dst, size_t n) {
  MapComplex1(src, dst, n, [val](auto d, auto x) {
    return ComplexVec{hn::Sub(hn::Set(d, val.re), x.re), hn::Sub(hn::Set(d, val.im), x.im)};
  });
}
void ComplexMulC(const double* src, Ipp64fc val, double* dst, size_t n) {
  MapComplex1(src, dst, n, [val](auto d, auto x) { return ComplexProduct(x, Broadcast(d, val)); });
}
void ComplexDivC(const double* src, Ipp64fc val, double* dst, size_t n) {
  MapComplex1(src, dst, n, [val](auto d, auto x) { return ComplexQuotient(x, Broadcast(d, val)); });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {
namespace {

// An array of n Ipp64fc is 2n interleaved doubles.
const double* Parts(const Ipp64fc* p) {
  return reinterpret_cast<const double*>(p);
}
double* Parts(Ipp64fc* p) {
  return reinterpret_cast<double*>(p);
}

}  // namespace

HWY_EXPORT(ComplexAdd);
HWY_EXPORT(ComplexSubRev);
HWY_EXPORT(ComplexMul);
HWY_EXPORT(ComplexDivRev);
HWY_EXPORT(ComplexAddC);
HWY_EXPORT(ComplexSubC);
HWY_EXPORT(ComplexSubCRev);
HWY_EXPORT(ComplexMulC);
HWY_EXPORT(ComplexDivC);

IppStatus ippsAdd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(ComplexAdd)(Parts(pSrc1), Parts(pSrc2), Parts(pDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsAdd_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  return ippsAdd_64fc(pSrc, pSrcDst, pSrcDst, len);
}
IppStatus ippsSub_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(ComplexSubRev)(Parts(pSrc), Parts(pSrcDst), Parts(pSrcDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMul_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(ComplexMul)(Parts(pSrcDst), Parts(pSrc), Parts(pSrcDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsDiv_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  const bool zeroDivisor =
      HWY_DYNAMIC_DISPATCH(ComplexDivRev)(Parts(pSrc), Parts(pSrcDst), Parts(pSrcDst), size_t(len));
  return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}
IppStatus ippsAddC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(ComplexAddC)(Parts(pSrc), val, Parts(pDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsAddC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsAddC_64fc(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsSubC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(ComplexSubC)(Parts(pSrc), val, Parts(pDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSubC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsSubC_64fc(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsSubCRev_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(ComplexSubCRev)(Parts(pSrc), val, Parts(pDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMulC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(ComplexMulC)(Parts(pSrc), val, Parts(pDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMulC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsMulC_64fc(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsDivC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (val.re == 0.0 && val.im == 0.0) return ippStsDivByZeroErr;
  HWY_DYNAMIC_DISPATCH(ComplexDivC)(Parts(pSrc), val, Parts(pDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsDivC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsDivC_64fc(pSrcDst, val, pSrcDst, len);
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
