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

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Calls body(d, i) to process the elements from index i, Lanes(d) of them, so that all of
// [0, n) is covered: single lanes until `dst` is aligned to a whole vector of TLane (AVX-512
// stores that straddle cache lines take half as long again), then whole vectors, two per
// iteration to halve the loop overhead, then single lanes for the tail.
template <class TLane, class TDst, class Body>
HWY_INLINE void ForEachVector(const TDst* dst, size_t n, const Body& body) {
  const hn::ScalableTag<TLane> d;
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

// dst[i] = f(d, src[i])
template <class TIn, class TOut, class F>
HWY_INLINE void Map1(const TIn* src, TOut* dst, size_t n, const F& f) {
  ForEachVector<TIn>(dst, n, [&](auto d, size_t i) {
    hn::StoreU(f(d, hn::LoadU(d, src + i)), hn::Rebind<TOut, decltype(d)>(), dst + i);
  });
}

// dst[i] = f(d, a[i], b[i])
template <class T, class F>
HWY_INLINE void Map2(const T* a, const T* b, T* dst, size_t n, const F& f) {
  ForEachVector<T>(dst, n, [&](auto d, size_t i) {
    hn::StoreU(f(d, hn::LoadU(d, a + i), hn::LoadU(d, b + i)), d, dst + i);
  });
}

// The real and imaginary parts of Lanes(d) complex numbers, one vector each.
template <class V>
struct Complex {
  V re, im;
};

// dst[i] = f(d, src[i]) over n complex numbers stored as 2n interleaved scalars (re, im); f takes
// and returns a Complex of vectors.
template <class T, class F>
HWY_INLINE void MapComplex(const T* src, T* dst, size_t n, const F& f) {
  const auto run = [&f](auto d, const T* from, T* to) {
    Complex<hn::Vec<decltype(d)>> z;
    hn::LoadInterleaved2(d, from, z.re, z.im);
    z = f(d, z);
    hn::StoreInterleaved2(z.re, z.im, d, to);
  };
  const hn::ScalableTag<T> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) run(d, src + 2 * i, dst + 2 * i);
  for (; i < n; ++i) run(hn::CappedTag<T, 1>(), src + 2 * i, dst + 2 * i);
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
  Complex<hn::Vec<decltype(dt)>> z;
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
