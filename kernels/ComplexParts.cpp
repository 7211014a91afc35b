// Complex parts and coordinate conversions: RealToCplx, Real, Imag, Magnitude, PowerSpectr,
// Phase, CartToPolar, PolarToCart and the CCS expansion ConjCcs.
//
// Phase, CartToPolar and PolarToCart call the C library's atan2, sin and cos element by element
// (in float for the 32f forms); the library call dominates their cost, so their loops are plain
// scalar code, which also keeps them correct when an output aliases an input.
//
// Choices where IPP's documents leave a behaviour open:
// - RealToCplx with both sources null returns ippStsNullPtrErr.
// - Magnitudes do not overflow or underflow in the squares, where the plain sqrt(re*re + im*im)
//   gives Inf for parts beyond about 1.3e154 and loses bits below about 1.5e-154. Magnitude
//   scales the parts by a power of two (kernels/Magnitude-inl.h) and agrees with the plain
//   formula bit for bit wherever that neither overflows nor underflows; CartToPolar calls hypot.
// - Phases lie in (-pi, pi]: the sign of a zero imaginary part is ignored, so re < 0 with
//   im = -0 gives +pi (C's atan2 would give -pi).
// - ConjCcs leaves elements 0 .. lenDst/2 as they are (the imaginary parts of X[0] and X[N/2] are
//   not forced to 0); lenDst = 1 writes nothing.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/ComplexParts.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <cmath>

#include "hwy/highway.h"
#include "kernels/KernelSupport.h"
#include "kernels/Loops-inl.h"
#include "kernels/Magnitude-inl.h"
#include "kernels/ipps.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

// dst[i] = (re[i], im[i]); a null source contributes zeros.
template <class T>
void Interleave(const T* re, const T* im, T* dst, size_t n) {
  const auto body = [re, im, dst](auto d, size_t i) {
    const auto vRe = re ? hn::LoadU(d, re + i) : hn::Zero(d);
    const auto vIm = im ? hn::LoadU(d, im + i) : hn::Zero(d);
    hn::StoreInterleaved2(vRe, vIm, d, dst + 2 * i);
  };
  const hn::ScalableTag<T> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) body(d, i);
  for (; i < n; ++i) body(hn::CappedTag<T, 1>(), i);
}
void Interleave64(const double* re, const double* im, double* dst, size_t n) {
  Interleave(re, im, dst, n);
}
void Interleave32(const float* re, const float* im, float* dst, size_t n) {
  Interleave(re, im, dst, n);
}

// `src` holds `n` interleaved complex values.
void RealParts(const double* src, double* dst, size_t n) {
  MapComplexToReal(src, dst, n, [](auto, auto re, auto) { return re; });
}
void ImagParts(const double* src, double* dst, size_t n) {
  MapComplexToReal(src, dst, n, [](auto, auto, auto im) { return im; });
}
void PowerSpectrum(const double* src, double* dst, size_t n) {
  MapComplexToReal(src, dst, n, [](auto, auto re, auto im) {
    return hn::Add(hn::Mul(re, re), hn::Mul(im, im));
  });
}
void Magnitudes(const double* src, double* dst, size_t n) {
  MapComplexToReal(src, dst, n, [](auto d, auto re, auto im) { return Magnitude(d, re, im); });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {
namespace {

// atan2 in (-pi, pi]: a zero imaginary part counts as +0.
template <class T>
T PhaseOf(T re, T im) {
  return std::atan2(im == 0 ? T(0) : im, re);
}

template <class T>
IppStatus CartToPolar(const T* re, const T* im, T* magn, T* phase, int len) {
  if (IppStatus s = CheckArgs(len, re, im, magn, phase)) return s;
  for (int i = 0; i < len; ++i) {
    const T x = re[i], y = im[i];
    magn[i] = std::hypot(x, y);
    phase[i] = PhaseOf(x, y);
  }
  return ippStsNoErr;
}

template <class T>
IppStatus PolarToCart(const T* magn, const T* phase, T* re, T* im, int len) {
  if (IppStatus s = CheckArgs(len, magn, phase, re, im)) return s;
  for (int i = 0; i < len; ++i) {
    const T r = magn[i], theta = phase[i];
    re[i] = r * std::cos(theta);
    im[i] = r * std::sin(theta);
  }
  return ippStsNoErr;
}

}  // namespace

HWY_EXPORT(Interleave64);
HWY_EXPORT(Interleave32);
HWY_EXPORT(RealParts);
HWY_EXPORT(ImagParts);
HWY_EXPORT(PowerSpectrum);
HWY_EXPORT(Magnitudes);

IppStatus ippsRealToCplx_64f(const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len) {
  if (pSrcRe == nullptr && pSrcIm == nullptr) return ippStsNullPtrErr;
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Interleave64)(pSrcRe, pSrcIm, &pDst->re, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsRealToCplx_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32fc* pDst, int len) {
  if (pSrcRe == nullptr && pSrcIm == nullptr) return ippStsNullPtrErr;
  if (IppStatus s = CheckArgs(len, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Interleave32)(pSrcRe, pSrcIm, &pDst->re, size_t(len));
  return ippStsNoErr;
}

IppStatus ippsReal_64fc(const Ipp64fc* pSrc, Ipp64f* pDstRe, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDstRe)) return s;
  HWY_DYNAMIC_DISPATCH(RealParts)(&pSrc->re, pDstRe, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsImag_64fc(const Ipp64fc* pSrc, Ipp64f* pDstIm, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDstIm)) return s;
  HWY_DYNAMIC_DISPATCH(ImagParts)(&pSrc->re, pDstIm, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsMagnitude_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(Magnitudes)(&pSrc->re, pDst, size_t(len));
  return ippStsNoErr;
}
IppStatus ippsPowerSpectr_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(PowerSpectrum)(&pSrc->re, pDst, size_t(len));
  return ippStsNoErr;
}

IppStatus ippsPhase_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckArgs(len, pSrc, pDst)) return s;
  for (int i = 0; i < len; ++i) pDst[i] = PhaseOf(pSrc[i].re, pSrc[i].im);
  return ippStsNoErr;
}

IppStatus ippsCartToPolar_64f(const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64f* pDstMagn,
                              Ipp64f* pDstPhase, int len) {
  return CartToPolar(pSrcRe, pSrcIm, pDstMagn, pDstPhase, len);
}
IppStatus ippsCartToPolar_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32f* pDstMagn,
                              Ipp32f* pDstPhase, int len) {
  return CartToPolar(pSrcRe, pSrcIm, pDstMagn, pDstPhase, len);
}
IppStatus ippsPolarToCart_64f(const Ipp64f* pSrcMagn, const Ipp64f* pSrcPhase, Ipp64f* pDstRe,
                              Ipp64f* pDstIm, int len) {
  return PolarToCart(pSrcMagn, pSrcPhase, pDstRe, pDstIm, len);
}
IppStatus ippsPolarToCart_32f(const Ipp32f* pSrcMagn, const Ipp32f* pSrcPhase, Ipp32f* pDstRe,
                              Ipp32f* pDstIm, int len) {
  return PolarToCart(pSrcMagn, pSrcPhase, pDstRe, pDstIm, len);
}

// X[k] = conj(X[N - k]) for k = N/2 + 1 .. N - 1; the sources all lie in the kept half.
IppStatus ippsConjCcs_64fc_I(Ipp64fc* pSrcDst, int lenDst) {
  if (IppStatus s = CheckArgs(lenDst, pSrcDst)) return s;
  for (int k = lenDst / 2 + 1; k < lenDst; ++k)
    pSrcDst[k] = {pSrcDst[lenDst - k].re, -pSrcDst[lenDst - k].im};
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
