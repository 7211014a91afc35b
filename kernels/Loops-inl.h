// Loop skeletons for the Highway kernels, compiled once per target: element-wise maps and folds
// (reductions).
//
// A map runs whole vectors, then finishes the tail one lane at a time so that it never touches
// memory past `n` (masked loads are emulated on some targets by full loads); a fold reads its last
// partial vector from a padded copy instead. Sources may be the destination itself (the in-place
// forms call the out-of-place loops with src == dst); partial overlap is not supported, as in IPP.
//
// The functors are generic lambdas taking the tag and the loaded vectors: the same body serves
// the full-width loop and the one-lane head and tail.

#if defined(CORVANE_KERNELS_LOOPS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef CORVANE_KERNELS_LOOPS_INL_H_
#undef CORVANE_KERNELS_LOOPS_INL_H_
#else
#define CORVANE_KERNELS_LOOPS_INL_H_
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Calls body(d, i) to process the elements from index i, Lanes(d) of them, so that all of
// [0, n) is covered: single lanes until `dst` is aligned to a whole vector of TLane (AVX-512
// stores that straddle cache lines take half as long again), then whole vectors, two per
// iteration to halve the loop overhead, then single lanes for the tail. Vectors hold at most
// kMaxLanes lanes.
template <class TLane, size_t kMaxLanes = HWY_LANES(TLane), class TDst, class Body>
HWY_INLINE void ForEachVector(const TDst* dst, size_t n, const Body& body) {
  const hn::CappedTag<TLane, kMaxLanes> d;
  const hn::CappedTag<TLane, 1> d1;
  const size_t lanes = hn::Lanes(d);
  const size_t vectorBytes = lanes * sizeof(TDst);
  const size_t offset = reinterpret_cast<uintptr_t>(dst) % vectorBytes;
  const bool alignable = offset != 0 && offset % sizeof(TDst) == 0;
  const size_t head = alignable ? std::min((vectorBytes - offset) / sizeof(TDst), n) : 0;
  size_t i = 0;
  for (; i < head; ++i) body(d1, i);
  for (; i + 2 * lanes <= n; i += 2 * lanes) {
    body(d, i);
    body(d, i + lanes);
  }
  for (; i + lanes <= n; i += lanes) body(d, i);
  for (; i < n; ++i) body(d1, i);
}

// dst[i] = f(d, src[i]), where d is a tag for TIn holding as many lanes as a full vector of
// TLanes: converting kernels pick the wider type so that f can Rebind d to TOut (or compute in a
// wider type) without exceeding a full vector. Vectors hold at most kMaxLanes lanes.
template <class TLanes, size_t kMaxLanes = HWY_LANES(TLanes), class TIn, class TOut, class F>
HWY_INLINE void MapWithLanesOf(const TIn* src, TOut* dst, size_t n, const F& f) {
  ForEachVector<TLanes, kMaxLanes>(dst, n, [&](auto lanesTag, size_t i) {
    const hn::Rebind<TIn, decltype(lanesTag)> d;
    hn::StoreU(f(d, hn::LoadU(d, src + i)), hn::Rebind<TOut, decltype(d)>(), dst + i);
  });
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
  ForEachVector<T>(dst, n, [&](auto d, size_t i) {
    hn::StoreU(f(d, hn::LoadU(d, a + i), hn::LoadU(d, b + i)), d, dst + i);
  });
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

// Interleaved complex data, n (re, im) pairs of 64-bit T: dst[i] = f(d, src[i]...). The functor
// gets and returns ComplexVec and computes lane by lane. Whole vectors take two vectors of pairs
// per array and split them with InterleaveLower/Upper, which work within 128-bit blocks: the
// parts come out in a block-wise order, the same for every array, and the same two operations on
// the results restore the pairs in memory order. This costs one in-block shuffle per vector where
// a true deinterleave needs shuffles across blocks. The tail takes one pair at a time.
template <class T, class F, class... Src>
HWY_INLINE void MapComplexN(size_t n, const F& f, T* dst, const Src*... src) {
  static_assert(sizeof(T) == 8, "a 128-bit block must hold exactly one pair");
  size_t i = 0;
#if HWY_TARGET != HWY_SCALAR  // one-lane vectors leave everything to the tail
  {
    const hn::ScalableTag<T> d;
    const size_t lanes = hn::Lanes(d);
    const auto load = [d, lanes](const T* p) {
      const auto first = hn::LoadU(d, p), second = hn::LoadU(d, p + lanes);
      return ComplexVec<hn::Vec<decltype(d)>>{hn::InterleaveLower(d, first, second),
                                              hn::InterleaveUpper(d, first, second)};
    };
    for (; i + lanes <= n; i += lanes) {
      const auto result = f(d, load(src + 2 * i)...);
      hn::StoreU(hn::InterleaveLower(d, result.re, result.im), d, dst + 2 * i);
      hn::StoreU(hn::InterleaveUpper(d, result.re, result.im), d, dst + 2 * i + lanes);
    }
  }
#endif
  const hn::CappedTag<T, 1> d1;
  for (; i < n; ++i) {
    const auto load = [d1, i](const T* p) {
      ComplexVec<hn::Vec<decltype(d1)>> x;
      hn::LoadInterleaved2(d1, p + 2 * i, x.re, x.im);
      return x;
    };
    const auto result = f(d1, load(src)...);
    hn::StoreInterleaved2(result.re, result.im, d1, dst + 2 * i);
  }
}
template <class T, class F>
HWY_INLINE void MapComplex1(const T* src, T* dst, size_t n, const F& f) {
  MapComplexN(n, f, dst, src);
}
template <class T, class F>
HWY_INLINE void MapComplex2(const T* a, const T* b, T* dst, size_t n, const F& f) {
  MapComplexN(n, f, dst, a, b);
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

// A Fold source of complex numbers stored as interleaved scalars: the step receives a Complex.
template <class T>
struct ComplexSource {
  const T* data;
};

// The Lanes(d) elements of a Fold source from index i, in the source's own lane type (a float
// source under a double tag gives a half-width float vector).
template <class D, class T>
HWY_INLINE auto LoadElements(D, const T* src, size_t i) {
  return hn::LoadU(hn::Rebind<T, D>(), src + i);
}
template <class D, class T>
HWY_INLINE auto LoadElements(D, ComplexSource<T> src, size_t i) {
  const hn::Rebind<T, D> dt;
  ComplexVec<hn::Vec<decltype(dt)>> z;
  hn::LoadInterleaved2(dt, src.data + 2 * i, z.re, z.im);
  return z;
}

// As LoadElements for the `count` < Lanes(d) last elements, read from a copy filled up with
// `pad`, so that nothing past the data is touched.
template <class D, class T, class Pad>
HWY_INLINE auto LoadPadded(D d, const T* src, size_t i, size_t count, Pad pad) {
  HWY_ALIGN T buffer[hn::MaxLanes(hn::Rebind<T, D>())];
  for (size_t k = 0; k < hn::Lanes(d); ++k) buffer[k] = k < count ? src[i + k] : T(pad);
  return LoadElements(d, buffer, 0);
}
template <class D, class T, class Pad>
HWY_INLINE auto LoadPadded(D d, ComplexSource<T> src, size_t i, size_t count, Pad pad) {
  HWY_ALIGN T buffer[2 * hn::MaxLanes(hn::Rebind<T, D>())];
  for (size_t k = 0; k < 2 * hn::Lanes(d); ++k)
    buffer[k] = k < 2 * count ? src.data[2 * i + k] : T(pad);
  return LoadElements(d, ComplexSource<T>{buffer}, 0);
}

// Folds n elements of the sources, Lanes(d) at a time, into an accumulator:
// acc = step(d, acc, x...) where x are the sources' elements at the same index (see
// LoadElements). Four accumulators, each starting at `init`, take turns so that consecutive
// vectors do not wait on the latency of the previous step; `merge` combines them at the end. The
// last partial vector is padded with `pad`, which the step must treat as neutral. The accumulator
// may be a vector or a small struct of vectors.
template <class D, class Acc, class Pad, class Step, class Merge, class... Source>
HWY_INLINE Acc Fold(D d, size_t n, Acc init, Pad pad, const Step& step, const Merge& merge,
                    const Source&... src) {
  const size_t lanes = hn::Lanes(d);
  Acc acc0 = init, acc1 = init, acc2 = init, acc3 = init;
  size_t i = 0;
  for (; i + 4 * lanes <= n; i += 4 * lanes) {
    acc0 = step(d, acc0, LoadElements(d, src, i)...);
    acc1 = step(d, acc1, LoadElements(d, src, i + lanes)...);
    acc2 = step(d, acc2, LoadElements(d, src, i + 2 * lanes)...);
    acc3 = step(d, acc3, LoadElements(d, src, i + 3 * lanes)...);
  }
  for (; i + lanes <= n; i += lanes) acc0 = step(d, acc0, LoadElements(d, src, i)...);
  if (i < n) acc1 = step(d, acc1, LoadPadded(d, src, i, n - i, pad)...);
  return merge(merge(acc0, acc1), merge(acc2, acc3));
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
