// Vector initialisation: Set, Zero, Copy, Move.
//
// Set writes with Highway stores of a broadcast value. Zero, byte Set, Copy and Move use the C
// library's memset, memcpy and memmove: they are the fastest correct choice (glibc picks the
// widest stores the CPU has and handles alignment), and they copy bits, so NaN payloads and -0
// are kept. IPP leaves overlapping Copy undefined; Move is memmove, overlap-safe both ways.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/FillCopyMove.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <cstring>

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"
#include "kernels/KernelSupport.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

void SetInt32(int32_t val, int32_t* dst, size_t n) {
  Fill(dst, n, {val});
}
void SetFloat(float val, float* dst, size_t n) {
  Fill(dst, n, {val});
}
void SetDouble(double val, double* dst, size_t n) {
  Fill(dst, n, {val});
}

// Fills n complex values, seen as 2n interleaved doubles re, im, re, im, ...
void SetComplex(double re, double im, double* dst, size_t n) {
  Fill(dst, 2 * n, {re, im});
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(SetInt32);
HWY_EXPORT(SetFloat);
HWY_EXPORT(SetDouble);
HWY_EXPORT(SetComplex);

namespace {

template <class T>
IppStatus ZeroBytes(T* dst, int len) {
  if (IppStatus s = CheckArgs(len, dst)) return s;
  std::memset(dst, 0, size_t(len) * sizeof(T));  // all bits zero is +0.0 for the float types
  return ippStsNoErr;
}
template <class T>
IppStatus CopyBytes(const T* src, T* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (src != dst) std::memcpy(dst, src, size_t(len) * sizeof(T));  // memcpy forbids src == dst
  return ippStsNoErr;
}
template <class T>
IppStatus MoveBytes(const T* src, T* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  std::memmove(dst, src, size_t(len) * sizeof(T));
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsSet_64f(Ipp64f val, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SetDouble)(val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSet_32f(Ipp32f val, Ipp32f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SetFloat)(val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSet_32s(Ipp32s val, Ipp32s* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SetInt32)(val, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSet_64fc(Ipp64fc val, Ipp64fc* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SetComplex)(val.re, val.im, reinterpret_cast<double*>(pDst), size_t(len));
  return ippStsNoErr;
}
IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  std::memset(pDst, val, size_t(len));
  return ippStsNoErr;
}

IppStatus ippsZero_64f(Ipp64f* pDst, int len) {
  return ZeroBytes(pDst, len);
}
IppStatus ippsZero_32f(Ipp32f* pDst, int len) {
  return ZeroBytes(pDst, len);
}
IppStatus ippsZero_32s(Ipp32s* pDst, int len) {
  return ZeroBytes(pDst, len);
}
IppStatus ippsZero_16s(Ipp16s* pDst, int len) {
  return ZeroBytes(pDst, len);
}
IppStatus ippsZero_64fc(Ipp64fc* pDst, int len) {
  return ZeroBytes(pDst, len);
}
IppStatus ippsZero_8u(Ipp8u* pDst, int len) {
  return ZeroBytes(pDst, len);
}

IppStatus ippsCopy_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  return CopyBytes(pSrc, pDst, len);
}
IppStatus ippsCopy_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len) {
  return CopyBytes(pSrc, pDst, len);
}
IppStatus ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  return CopyBytes(pSrc, pDst, len);
}

IppStatus ippsMove_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  return MoveBytes(pSrc, pDst, len);
}
IppStatus ippsMove_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  return MoveBytes(pSrc, pDst, len);
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
