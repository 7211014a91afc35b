// Element-wise loop skeletons for the Highway kernels, compiled once per target.
//
// A loop runs whole vectors, then finishes the tail one lane at a time so that it never touches
// memory past `n` (masked loads are emulated on some targets by full loads). Sources may be the
// destination itself (the in-place forms call the out-of-place loops with src == dst); partial
// overlap is not supported, as in IPP.
//
// The functors are generic lambdas taking the tag and the loaded vectors: the same body serves
// the full-width loop and the one-lane tail.

#if defined(CORVANE_KERNELS_LOOPS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef CORVANE_KERNELS_LOOPS_INL_H_
#undef CORVANE_KERNELS_LOOPS_INL_H_
#else
#define CORVANE_KERNELS_LOOPS_INL_H_
#endif

#include <cstddef>

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// dst[i] = f(d, src[i])
template <class TIn, class TOut, class F>
HWY_INLINE void Map1(const TIn* src, TOut* dst, size_t n, const F& f) {
  const hn::ScalableTag<TIn> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) hn::StoreU(f(d, hn::LoadU(d, src + i)), hn::Rebind<TOut, decltype(d)>(), dst + i);
  const hn::CappedTag<TIn, 1> d1;
  for (; i < n; ++i) hn::StoreU(f(d1, hn::LoadU(d1, src + i)), hn::Rebind<TOut, decltype(d1)>(), dst + i);
}

// dst[i] = f(d, a[i], b[i])
template <class T, class F>
HWY_INLINE void Map2(const T* a, const T* b, T* dst, size_t n, const F& f) {
  const hn::ScalableTag<T> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) hn::StoreU(f(d, hn::LoadU(d, a + i), hn::LoadU(d, b + i)), d, dst + i);
  const hn::CappedTag<T, 1> d1;
  for (; i < n; ++i) hn::StoreU(f(d1, hn::LoadU(d1, a + i), hn::LoadU(d1, b + i)), d1, dst + i);
}

// Interleaved complex arrays (re, im, re, im, ...): `n` counts complex elements and the functor
// sees the real and imaginary parts as separate vectors.

// (dst[i].re, dst[i].im) = f(d, src[i].re, src[i].im, outRe, outIm)
template <class T, class F>
HWY_INLINE void MapComplex(const T* src, T* dst, size_t n, const F& f) {
  const auto body = [&f](auto d, const T* in, T* out) {
    hn::Vec<decltype(d)> re, im, outRe, outIm;
    hn::LoadInterleaved2(d, in, re, im);
    f(d, re, im, outRe, outIm);
    hn::StoreInterleaved2(outRe, outIm, d, out);
  };
  const hn::ScalableTag<T> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) body(d, src + 2 * i, dst + 2 * i);
  for (; i < n; ++i) body(hn::CappedTag<T, 1>(), src + 2 * i, dst + 2 * i);
}

// dst[i] = f(d, src[i].re, src[i].im)
template <class T, class F>
HWY_INLINE void MapComplexToReal(const T* src, T* dst, size_t n, const F& f) {
  const auto body = [&f](auto d, const T* in, T* out) {
    hn::Vec<decltype(d)> re, im;
    hn::LoadInterleaved2(d, in, re, im);
    hn::StoreU(f(d, re, im), d, out);
  };
  const hn::ScalableTag<T> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) body(d, src + 2 * i, dst + i);
  for (; i < n; ++i) body(hn::CappedTag<T, 1>(), src + 2 * i, dst + i);
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
