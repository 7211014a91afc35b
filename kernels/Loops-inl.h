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

// A vector of complex values held as separate vectors of real and imaginary parts.
template <class V>
struct ComplexVec {
  V re;
  V im;
};

// Interleaved complex data, n (re, im) pairs of T: dst[i] = f(d, src[i]...). The functor gets and
// returns ComplexVec: loads split the pairs into parts and stores interleave them again, so the
// functor computes lane by lane on any target.
template <class T, class F, class... Src>
HWY_INLINE void MapComplexN(size_t n, const F& f, T* dst, const Src*... src) {
  const auto run = [&](auto d, size_t i) {
    const auto load = [d, i](const T* p) {
      ComplexVec<hn::Vec<decltype(d)>> x;
      hn::LoadInterleaved2(d, p + 2 * i, x.re, x.im);
      return x;
    };
    const auto result = f(d, load(src)...);
    hn::StoreInterleaved2(result.re, result.im, d, dst + 2 * i);
  };
  const hn::ScalableTag<T> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) run(d, i);
  for (; i < n; ++i) run(hn::CappedTag<T, 1>(), i);
}
template <class T, class F>
HWY_INLINE void MapComplex1(const T* src, T* dst, size_t n, const F& f) {
  MapComplexN(n, f, dst, src);
}
template <class T, class F>
HWY_INLINE void MapComplex2(const T* a, const T* b, T* dst, size_t n, const F& f) {
  MapComplexN(n, f, dst, a, b);
}

// dst[i] = narrow(f(dw, widen(src[i])...)): narrow lanes T computed in wider signed lanes W, so
// that integer results are exact before they are scaled and saturated. `f` must return values in
// T's range; the narrowing keeps the low bits.
template <class W, class T, class F, class... Src>
HWY_INLINE void MapWidenedN(size_t n, const F& f, T* dst, const Src*... src) {
  const auto run = [&](auto dw, size_t i) {
    const hn::Rebind<T, decltype(dw)> dt;
    const auto result = f(dw, hn::PromoteTo(dw, hn::LoadU(dt, src + i))...);
    const hn::Rebind<hwy::MakeUnsigned<T>, decltype(dw)> du;
    const auto bits = hn::BitCast(hn::RebindToUnsigned<decltype(dw)>(), result);
    hn::StoreU(hn::BitCast(dt, hn::TruncateTo(du, bits)), dt, dst + i);
  };
  const hn::ScalableTag<W> dw;
  const size_t lanes = hn::Lanes(dw);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) run(dw, i);
  for (; i < n; ++i) run(hn::CappedTag<W, 1>(), i);
}
template <class W, class T, class F>
HWY_INLINE void MapWidened1(const T* src, T* dst, size_t n, const F& f) {
  MapWidenedN<W>(n, f, dst, src);
}
template <class W, class T, class F>
HWY_INLINE void MapWidened2(const T* a, const T* b, T* dst, size_t n, const F& f) {
  MapWidenedN<W>(n, f, dst, a, b);
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
