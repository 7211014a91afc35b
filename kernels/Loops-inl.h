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
#include <type_traits>

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// dst[i] = f(d, src[i]), where d is a tag for TIn holding as many lanes as a full vector of
// TLanes: converting kernels pick the wider type so that f can Rebind d to TOut (or compute in a
// wider type) without exceeding a full vector.
template <class TLanes, class TIn, class TOut, class F>
HWY_INLINE void MapWithLanesOf(const TIn* src, TOut* dst, size_t n, const F& f) {
  const hn::Rebind<TIn, hn::ScalableTag<TLanes>> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) hn::StoreU(f(d, hn::LoadU(d, src + i)), hn::Rebind<TOut, decltype(d)>(), dst + i);
  const hn::Rebind<TIn, hn::CappedTag<TLanes, 1>> d1;
  for (; i < n; ++i) hn::StoreU(f(d1, hn::LoadU(d1, src + i)), hn::Rebind<TOut, decltype(d1)>(), dst + i);
}

// dst[i] = f(d, src[i]), vectors as wide as the wider of TIn and TOut allows.
template <class TIn, class TOut, class F>
HWY_INLINE void Map1(const TIn* src, TOut* dst, size_t n, const F& f) {
  using TWider = std::conditional_t<(sizeof(TIn) >= sizeof(TOut)), TIn, TOut>;
  MapWithLanesOf<TWider>(src, dst, n, f);
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

// Stores a value of kParts lanes (one for a real value; re and im for a complex one) over
// dst[0, n), n being a multiple of kParts. Vectors that cannot hold whole values (the one-lane
// scalar target) leave everything to the tail, which stores one lane at a time.
template <size_t kParts, class T>
HWY_INLINE void Fill(T* dst, size_t n, const T (&parts)[kParts]) {
  static_assert(kParts == 1 || kParts == 2);
  const hn::ScalableTag<T> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  if (lanes % kParts == 0) {
    // Even lanes get the first part, odd lanes the last (the same one for a real value).
    const auto v = hn::OddEven(hn::Set(d, parts[kParts - 1]), hn::Set(d, parts[0]));
    for (; i + lanes <= n; i += lanes) hn::StoreU(v, d, dst + i);
  }
  const hn::CappedTag<T, 1> d1;
  for (; i < n; ++i) hn::StoreU(hn::Set(d1, parts[i % kParts]), d1, dst + i);
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

// Interleaved complex source, real destination: `n` counts complex elements.
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
