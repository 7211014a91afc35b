// Real 32-bit arithmetic: element-wise IEEE single-precision operations, computed in float and bit
// for bit the plain scalar formulas.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Real32Arithmetic.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

// dst = b - a: IPP's in-place Sub takes the subtrahend first.
void SubRev32f(const float* a, const float* b, float* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::Sub(y, x); });
}
void Mul32f(const float* a, const float* b, float* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::Mul(x, y); });
}
void MulC32f(const float* src, float val, float* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Mul(x, hn::Set(d, val)); });
}
void SubCRev32f(const float* src, float val, float* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Sub(hn::Set(d, val), x); });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(SubRev32f);
HWY_EXPORT(Mul32f);
HWY_EXPORT(MulC32f);
HWY_EXPORT(SubCRev32f);

IppStatus ippsSub_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubRev32f)(pSrc, pSrcDst, pSrcDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMul_32f(const Ipp32f* pSrc1, const Ipp32f* pSrc2, Ipp32f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc1, pSrc2, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Mul32f)(pSrc1, pSrc2, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMul_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len) {
  return ippsMul_32f(pSrc, pSrcDst, pSrcDst, len);
}
IppStatus ippsMulC_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(MulC32f)(pSrcDst, val, pSrcDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSubCRev_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(SubCRev32f)(pSrcDst, val, pSrcDst, size_t(len));
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
