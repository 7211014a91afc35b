// Vector initialisation: Set, Zero, Copy, Move.
//
// Set writes with Highway stores of a broadcast value. Zero, byte Set and Move use the C
// library's memset and memmove: they are the fastest correct choice (glibc picks the widest
// stores the CPU has and handles alignment). Copy uses memcpy too, except for runs of a few KiB
// (see CopyBytes). All of them copy bits, so NaN payloads and -0 are kept. IPP leaves overlapping
// Copy undefined; Move is memmove, overlap-safe both ways.

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

// Copies n bytes, n at least one vector: the first and the last vector unaligned, and in between
// whole vectors stored at dst's vector boundaries, four per iteration. The first and last vectors
// may overlap the middle ones; they are loaded before anything is stored.
void CopyVectors(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, size_t n) {
#if HWY_TARGET == HWY_SCALAR
  std::memcpy(dst, src, n);  // one byte at a time cannot beat the C library
#else
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  const auto first = hn::LoadU(d, src);
  const auto last = hn::LoadU(d, src + n - lanes);
  size_t i = lanes - reinterpret_cast<uintptr_t>(dst) % lanes;
  for (; i + 4 * lanes <= n; i += 4 * lanes) {
    const auto v0 = hn::LoadU(d, src + i), v1 = hn::LoadU(d, src + i + lanes);
    const auto v2 = hn::LoadU(d, src + i + 2 * lanes), v3 = hn::LoadU(d, src + i + 3 * lanes);
    hn::Store(v0, d, dst + i);
    hn::Store(v1, d, dst + i + lanes);
    hn::Store(v2, d, dst + i + 2 * lanes);
    hn::Store(v3, d, dst + i + 3 * lanes);
  }
  for (; i + lanes <= n; i += lanes) hn::Store(hn::LoadU(d, src + i), d, dst + i);
  hn::StoreU(first, d, dst);
  hn::StoreU(last, d, dst + n - lanes);
#endif
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(SetInt32);
HWY_EXPORT(SetFloat);
HWY_EXPORT(SetDouble);
HWY_EXPORT(SetComplex);
HWY_EXPORT(CopyVectors);

namespace {

template <class T>
IppStatus ZeroBytes(T* dst, int len) {
  if (IppStatus s = CheckArgs(len, dst)) return s;
  std::memset(dst, 0, size_t(len) * sizeof(T));  // all bits zero is +0.0 for the float types
  return ippStsNoErr;
}

// Copies of kVectorCopyMin to kVectorCopyMax bytes run our vector loop, others memcpy. On x86
// glibc's memcpy leaves its own vector loop for `rep movsb` above about 2 KiB (2112 bytes where
// short rep moves are fast), and the instruction's start-up costs as much as copying another KiB,
// more when consecutive copies differ in size, as the runs of a buffer queue do. Below the range
// memcpy's loop is as fast as ours; above it the start-up no longer counts.
constexpr size_t kVectorCopyMin = 2048, kVectorCopyMax = 32768;

template <class T>
IppStatus CopyBytes(const T* src, T* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (src == dst) return ippStsNoErr;  // nothing to do; memcpy forbids it
  const size_t bytes = size_t(len) * sizeof(T);
  const auto* from = reinterpret_cast<const uint8_t*>(src);
  auto* to = reinterpret_cast<uint8_t*>(dst);
  if (bytes >= kVectorCopyMin && bytes <= kVectorCopyMax)
    HWY_DYNAMIC_DISPATCH(CopyVectors)(from, to, bytes);
  else
    std::memcpy(to, from, bytes);
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
