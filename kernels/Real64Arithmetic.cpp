// Real 64-bit arithmetic: element-wise IEEE operations, bit for bit the plain scalar formulas.
//
// Choices where IPP's documents leave a behaviour open:
// - DivC divides by the constant; it does not multiply by a precomputed reciprocal.
// - Div_I reports ippStsDivByZero (6) when any divisor element is +0 or -0; the quotients are the
//   IEEE ones (x/0 = +-Inf, 0/0 = NaN).

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Real64Arithmetic.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

void Add(const double* a, const double* b, double* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::Add(x, y); });
}
// dst = b - a: IPP's in-place Sub takes the subtrahend first.
void SubRev(const double* a, const double* b, double* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::Sub(y, x); });
}
void Mul(const double* a, const double* b, double* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::Mul(x, y); });
}
// dst = b / a; returns true when some divisor a[i] is zero.
bool DivRev(const double* a, const double* b, double* dst, size_t n) {
  bool zeroDivisor = false;
  Map2(a, b, dst, n, [&zeroDivisor](auto d, auto x, auto y) {
    zeroDivisor |= !hn::AllFalse(d, hn::Eq(x, hn::Zero(d)));
    return hn::Div(y, x);
  });
  return zeroDivisor;
}
void AddC(const double* src, double val, double* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Add(x, hn::Set(d, val)); });
}
void SubC(const double* src, double val, double* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Sub(x, hn::Set(d, val)); });
}
void SubCRev(const double* src, double val, double* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Sub(hn::Set(d, val), x); });
}
void MulC(const double* src, double val, double* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Mul(x, hn::Set(d, val)); });
}
void DivC(const double* src, double val, double* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Div(x, hn::Set(d, val)); });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(Add);
HWY_EXPORT(SubRev);
HWY_EXPORT(Mul);
HWY_EXPORT(DivRev);
HWY_EXPORT(AddC);
HWY_EXPORT(SubC);
HWY_EXPORT(SubCRev);
HWY_EXPORT(MulC);
HWY_EXPORT(DivC);

IppStatus ippsAdd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Add)(pSrc1, pSrc2, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsAdd_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  return ippsAdd_64f(pSrc, pSrcDst, pSrcDst, len);
}
IppStatus ippsSub_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubRev)(pSrc, pSrcDst, pSrcDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMul_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Mul)(pSrc1, pSrc2, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMul_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  return ippsMul_64f(pSrc, pSrcDst, pSrcDst, len);
}
IppStatus ippsDiv_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  return HWY_DYNAMIC_DISPATCH(DivRev)(pSrc, pSrcDst, pSrcDst, size_t(len)) ? ippStsDivByZero
                                                                           : ippStsNoErr;
}
IppStatus ippsAddC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(AddC)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsAddC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  return ippsAddC_64f(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsSubC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubC)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSubC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  return ippsSubC_64f(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsSubCRev_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubCRev)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSubCRev_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  return ippsSubCRev_64f(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsMulC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(MulC)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMulC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  return ippsMulC_64f(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsDivC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (val == 0.0) return ippStsDivByZeroErr;
  HWY_DYNAMIC_DISPATCH(DivC)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsDivC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  return ippsDivC_64f(pSrcDst, val, pSrcDst, len);
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
