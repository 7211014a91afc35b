// Convolution, auto- and cross-correlation of real and complex 64-bit signals.
//
// Each result is either summed directly (one vector multiply-add pass over the second signal for
// every sample of the first) or, for long signals, computed through FFTs of length L >= len1 +
// len2 - 1, so that the circular result equals the linear one. kernels/Correlation.h holds the
// measured crossover. The FFT specs are made once per length and kept for the process.
//
// Choices where IPP's documents leave a behaviour open:
// - CrossCorr_64fc conjugates pSrc1: pDst[n] = Σ conj(pSrc1[i])·pSrc2[i + n + lowLag], which makes
//   CrossCorr(x, x, lowLag 0) equal to AutoCorr(x).
// - The direct sums and the spectra's products use fused multiply-add where the target has it
//   (AVX2, AVX-512; SSE4 and SCALAR multiply and add separately), although the code is otherwise
//   compiled without contraction, and the FFT path adds the FFT's own rounding
//   (kernels/FFT.cpp). Results therefore differ between targets in the last bits: on every target
//   each output is within 1e-12·‖x‖·‖y‖ of the exact sum, ‖·‖ the L2 norms of the two signals
//   (the bound of tests/kernels/CorrelationTest.cpp).
// - When memory for the FFT path runs out the result is ippStsMemAllocErr and nothing is written.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Correlation.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

// dst[i] += c·src[i]
void AddScaled(const double* src, double c, double* dst, size_t n) {
  Map2(src, dst, dst, n, [c](auto d, auto x, auto y) { return hn::MulAdd(hn::Set(d, c), x, y); });
}

// dst[i] += conj(c)·src[i], n complex values
void AddConjScaled(const double* src, Ipp64fc c, double* dst, size_t n) {
  MapComplex2(src, dst, dst, n, [c](auto d, auto x, auto y) {
    const auto re = hn::Set(d, c.re), im = hn::Set(d, c.im);
    return ComplexVec<hn::Vec<decltype(d)>>{hn::MulAdd(re, x.re, hn::MulAdd(im, x.im, y.re)),
                                            hn::MulAdd(re, x.im, hn::NegMulAdd(im, x.re, y.im))};
  });
}

// dst[i] = a[i]·b[i], or conj(a[i])·b[i], n complex values
void MultiplySpectra(const double* a, const double* b, double* dst, size_t n, bool conjugateA) {
  const double sign = conjugateA ? -1.0 : 1.0;
  MapComplex2(a, b, dst, n, [sign](auto d, auto x, auto y) {
    const auto xIm = hn::Mul(x.im, hn::Set(d, sign));
    return ComplexVec<hn::Vec<decltype(d)>>{hn::MulSub(x.re, y.re, hn::Mul(xIm, y.im)),
                                            hn::MulAdd(x.re, y.im, hn::Mul(xIm, y.re))};
  });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <algorithm>
#include <mutex>
#include <vector>

#include "kernels/Correlation.h"
#include "kernels/KernelSupport.h"

namespace corvane::kernels {

HWY_EXPORT(AddScaled);
HWY_EXPORT(AddConjScaled);
HWY_EXPORT(MultiplySpectra);

namespace {

using correlation::FftLength;
using correlation::UsesFft;

int Log2(int64_t powerOfTwo) {
  int order = 0;
  while ((int64_t(1) << order) < powerOfTwo) ++order;
  return order;
}

// The FFT context of each order, made on first use with the inverse divided by N; never freed.
template <class Spec, class InitAlloc>
const Spec* CachedSpec(int order, InitAlloc initAlloc) {
  static std::mutex mutex;
  static Spec* specs[32] = {};
  std::lock_guard lock(mutex);
  if (!specs[order] && initAlloc(&specs[order], order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone))
    return nullptr;
  return specs[order];
}

// The operations on one kind of data: real (double) or complex (Ipp64fc).
template <class T>
struct Traits;

template <>
struct Traits<Ipp64f> {
  static constexpr bool kComplex = false;
  // dst[i] += c·src[i]; correlations conjugate c, which changes nothing for reals
  static void AddScaled(const Ipp64f* src, Ipp64f c, Ipp64f* dst, size_t n) {
    HWY_DYNAMIC_DISPATCH(AddScaled)(src, c, dst, n);
  }
  // The circular correlation (or convolution) of a and b, both zero-padded to length L.
  static IppStatus Circular(const Ipp64f* a, int lenA, const Ipp64f* b, int lenB, int64_t length,
                            bool correlate, std::vector<Ipp64f>& result) {
    const auto* spec = CachedSpec<IppsFFTSpec_R_64f>(Log2(length), ippsFFTInitAlloc_R_64f);
    if (!spec) return ippStsMemAllocErr;
    std::vector<Ipp64f> paddedA(length + 2), spectrumB(length + 2);
    std::copy_n(a, lenA, paddedA.begin());
    std::copy_n(b, lenB, spectrumB.begin());
    ippsFFTFwd_RToCCS_64f(paddedA.data(), paddedA.data(), spec, nullptr);
    ippsFFTFwd_RToCCS_64f(spectrumB.data(), spectrumB.data(), spec, nullptr);
    HWY_DYNAMIC_DISPATCH(MultiplySpectra)(paddedA.data(), spectrumB.data(), paddedA.data(),
                                          length / 2 + 1, correlate);
    result.resize(length + 2);
    ippsFFTInv_CCSToR_64f(paddedA.data(), result.data(), spec, nullptr);
    return ippStsNoErr;
  }
};

template <>
struct Traits<Ipp64fc> {
  static constexpr bool kComplex = true;
  // dst[i] += conj(c)·src[i]
  static void AddScaled(const Ipp64fc* src, Ipp64fc c, Ipp64fc* dst, size_t n) {
    HWY_DYNAMIC_DISPATCH(AddConjScaled)(&src->re, c, &dst->re, n);
  }
  static IppStatus Circular(const Ipp64fc* a, int lenA, const Ipp64fc* b, int lenB,
                            int64_t length, bool correlate, std::vector<Ipp64fc>& result) {
    const auto* spec = CachedSpec<IppsFFTSpec_C_64fc>(Log2(length), ippsFFTInitAlloc_C_64fc);
    if (!spec) return ippStsMemAllocErr;
    std::vector<Ipp64fc> paddedA(length), spectrumB(length);
    std::copy_n(a, lenA, paddedA.begin());
    std::copy_n(b, lenB, spectrumB.begin());
    ippsFFTFwd_CToC_64fc(paddedA.data(), paddedA.data(), spec, nullptr);
    ippsFFTFwd_CToC_64fc(spectrumB.data(), spectrumB.data(), spec, nullptr);
    HWY_DYNAMIC_DISPATCH(MultiplySpectra)(&paddedA[0].re, &spectrumB[0].re, &paddedA[0].re,
                                          length, correlate);
    result.resize(length);
    ippsFFTInv_CToC_64fc(paddedA.data(), result.data(), spec, nullptr);
    return ippStsNoErr;
  }
};

// pDst[n] = Σ_i conj(src1[i])·src2[i + n + lowLag] for n < dstLen, terms outside src2 zero.
template <class T>
IppStatus CrossCorrelate(const T* src1, int len1, const T* src2, int len2, T* dst, int dstLen,
                         int lowLag) {
  using Ops = Traits<T>;
  const int64_t first = lowLag, last = int64_t(lowLag) + dstLen - 1;  // lags wanted
  const int64_t minLag = 1 - int64_t(len1), maxLag = len2 - 1;        // lags with terms
  const int64_t from = std::max(first, minLag), to = std::min(last, maxLag);
  const int64_t length = FftLength(len1, len2);
  if (from <= to && UsesFft(int64_t(len1) * (to - from + 1), length, Ops::kComplex)) {
    return CatchAllocationFailure([&]() -> IppStatus {
      std::vector<T> circular;
      if (IppStatus s = Ops::Circular(src1, len1, src2, len2, length, true, circular)) return s;
      std::fill_n(dst, dstLen, T{});
      for (int64_t lag = from; lag <= to; ++lag)
        dst[lag - first] = circular[size_t((lag + length) % length)];
      return ippStsNoErr;
    });
  }
  // Sample i of src1 meets src2[i + lag] for the lags in [from, to] within src2.
  std::fill_n(dst, dstLen, T{});
  for (int64_t i = 0; i < len1; ++i) {
    const int64_t lo = std::max(from, -i), hi = std::min(to, len2 - 1 - i);
    if (lo <= hi) Ops::AddScaled(src2 + i + lo, src1[i], dst + (lo - first), size_t(hi - lo + 1));
  }
  return ippStsNoErr;
}

// The auto-correlation's lags 0 .. min(srcLen, dstLen) - 1, each divided by divisor(lag); the
// lags from srcLen on are 0.
template <class T, class Divisor>
IppStatus AutoCorrelate(const T* src, int srcLen, T* dst, int dstLen, const Divisor& divisor) {
  if (IppStatus s = CheckArgs(std::min(srcLen, dstLen), src, dst)) return s;
  const int lags = std::min(srcLen, dstLen);
  if (IppStatus s = CrossCorrelate(src, srcLen, src, srcLen, dst, lags, 0)) return s;
  for (int n = 0; n < lags; ++n) {
    const double d = divisor(n);
    if (d == 1) continue;
    if constexpr (Traits<T>::kComplex) dst[n] = {dst[n].re / d, dst[n].im / d};
    else dst[n] /= d;
  }
  std::fill(dst + lags, dst + dstLen, T{});
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsAutoCorr_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
  return AutoCorrelate(pSrc, srcLen, pDst, dstLen, [](int) { return 1.0; });
}
IppStatus ippsAutoCorr_NormA_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
  return AutoCorrelate(pSrc, srcLen, pDst, dstLen, [srcLen](int) { return double(srcLen); });
}
IppStatus ippsAutoCorr_NormB_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
  return AutoCorrelate(pSrc, srcLen, pDst, dstLen, [srcLen](int n) { return double(srcLen - n); });
}
IppStatus ippsAutoCorr_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
  return AutoCorrelate(pSrc, srcLen, pDst, dstLen, [](int) { return 1.0; });
}
IppStatus ippsAutoCorr_NormA_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
  return AutoCorrelate(pSrc, srcLen, pDst, dstLen, [srcLen](int) { return double(srcLen); });
}
IppStatus ippsAutoCorr_NormB_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
  return AutoCorrelate(pSrc, srcLen, pDst, dstLen, [srcLen](int n) { return double(srcLen - n); });
}

IppStatus ippsCrossCorr_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len,
                            Ipp64f* pDst, int dstLen, int lowLag) {
  if (AnyNull(pSrc1, pSrc2, pDst)) return ippStsNullPtrErr;
  if (src1Len <= 0 || src2Len <= 0 || dstLen <= 0) return ippStsSizeErr;
  return CrossCorrelate(pSrc1, src1Len, pSrc2, src2Len, pDst, dstLen, lowLag);
}
IppStatus ippsCrossCorr_64fc(const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2,
                             int src2Len, Ipp64fc* pDst, int dstLen, int lowLag) {
  if (AnyNull(pSrc1, pSrc2, pDst)) return ippStsNullPtrErr;
  if (src1Len <= 0 || src2Len <= 0 || dstLen <= 0) return ippStsSizeErr;
  return CrossCorrelate(pSrc1, src1Len, pSrc2, src2Len, pDst, dstLen, lowLag);
}

IppStatus ippsConv_64f(const Ipp64f* pSrc1, int lenSrc1, const Ipp64f* pSrc2, int lenSrc2,
                       Ipp64f* pDst) {
  if (AnyNull(pSrc1, pSrc2, pDst)) return ippStsNullPtrErr;
  if (lenSrc1 <= 0 || lenSrc2 <= 0) return ippStsSizeErr;
  const int64_t outLen = int64_t(lenSrc1) + lenSrc2 - 1, length = FftLength(lenSrc1, lenSrc2);
  if (UsesFft(int64_t(lenSrc1) * lenSrc2, length, false)) {
    return CatchAllocationFailure([&]() -> IppStatus {
      std::vector<Ipp64f> circular;
      if (IppStatus s =
              Traits<Ipp64f>::Circular(pSrc1, lenSrc1, pSrc2, lenSrc2, length, false, circular))
        return s;
      std::copy_n(circular.begin(), outLen, pDst);
      return ippStsNoErr;
    });
  }
  std::fill_n(pDst, outLen, 0.0);
  for (int k = 0; k < lenSrc1; ++k) Traits<Ipp64f>::AddScaled(pSrc2, pSrc1[k], pDst + k, lenSrc2);
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
