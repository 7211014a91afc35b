// Bitwise logic on 32u data and shifts of 32s data by a constant count; no scaling, no
// saturation: bits shifted out are lost.
//
// Choices where IPP's documents leave a behaviour open:
// - A negative shift count is the error ippStsShiftErr (-32), checked after the pointers and the
//   length; nothing is written.
// - A count of 32 or more shifts every bit out, as SSE's shifts do: LShiftC gives 0 and RShiftC,
//   an arithmetic shift, gives the sign fill (0 or -1).

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/LogicAndShifts.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <algorithm>

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

void And32u(const uint32_t* a, const uint32_t* b, uint32_t* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::And(x, y); });
}
void Or32u(const uint32_t* a, const uint32_t* b, uint32_t* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::Or(x, y); });
}
void Xor32u(const uint32_t* a, const uint32_t* b, uint32_t* dst, size_t n) {
  Map2(a, b, dst, n, [](auto, auto x, auto y) { return hn::Xor(x, y); });
}
void AndC32u(const uint32_t* src, uint32_t val, uint32_t* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::And(x, hn::Set(d, val)); });
}
void OrC32u(const uint32_t* src, uint32_t val, uint32_t* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Or(x, hn::Set(d, val)); });
}
void XorC32u(const uint32_t* src, uint32_t val, uint32_t* dst, size_t n) {
  Map1(src, dst, n, [val](auto d, auto x) { return hn::Xor(x, hn::Set(d, val)); });
}
// count >= 0
void LShift32s(const int32_t* src, int count, int32_t* dst, size_t n) {
  Map1(src, dst, n,
       [count](auto d, auto x) { return count >= 32 ? hn::Zero(d) : hn::ShiftLeftSame(x, count); });
}
// count >= 0; shifting by 31 already leaves only the sign fill.
void RShift32s(const int32_t* src, int count, int32_t* dst, size_t n) {
  Map1(src, dst, n, [count](auto, auto x) { return hn::ShiftRightSame(x, std::min(count, 31)); });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(And32u);
HWY_EXPORT(Or32u);
HWY_EXPORT(Xor32u);
HWY_EXPORT(AndC32u);
HWY_EXPORT(OrC32u);
HWY_EXPORT(XorC32u);
HWY_EXPORT(LShift32s);
HWY_EXPORT(RShift32s);

IppStatus ippsAnd_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(And32u)(pSrc, pSrcDst, pSrcDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsAndC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(AndC32u)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsAndC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len) {
  return ippsAndC_32u(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsOr_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(Or32u)(pSrc, pSrcDst, pSrcDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsOrC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(OrC32u)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsOrC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len) {
  return ippsOrC_32u(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsXor_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pSrcDst)) return s;
  HWY_DYNAMIC_DISPATCH(Xor32u)(pSrc, pSrcDst, pSrcDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsXorC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(XorC32u)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsXorC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len) {
  return ippsXorC_32u(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsLShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (val < 0) return ippStsShiftErr;
  HWY_DYNAMIC_DISPATCH(LShift32s)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsLShiftC_32s_I(int val, Ipp32s* pSrcDst, int len) {
  return ippsLShiftC_32s(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsRShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  if (val < 0) return ippStsShiftErr;
  HWY_DYNAMIC_DISPATCH(RShift32s)(pSrc, val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsRShiftC_32s_I(int val, Ipp32s* pSrcDst, int len) {
  return ippsRShiftC_32s(pSrcDst, val, pSrcDst, len);
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
