// Power-of-two FFTs: complex to complex, and real to CCS-packed complex and back.
//
// The complex transform is a Stockham autosort FFT (no bit reversal pass) of decimation in
// frequency stages of radix R = 2, 4 or 8. Stage i reads x and writes y, both of N points, as
//     y[q + s(Rp + r)] = w^(rp) · DFTR(x[q + s(p + km)], k < R)[r],  w = exp(-2πi/n),
// with s the product of the earlier radices, n = N/s, m = n/R, p < m, q < s. Every access is
// contiguous in q. The first stage (s = 1) is radix 4 and runs over p instead, interleaving its
// four outputs on store; the second is the radix that the order needs beyond the largest radix
// (a cheap pass while s is short), and all later ones are of the largest radix: 8 on targets
// with 32 vector registers, 4 on those with 16, where the eight points and seven twiddles of a
// radix-8 butterfly no longer fit. Where s is half a vector, a vector takes two consecutive p so
// the stage runs at full width. The last stage (p = 0 only) has no twiddles to apply. Inside, the
// data are held split (all real parts, then all imaginary parts) so that each lane computes one
// point; the first stage deinterleaves IPP's (re, im) pairs as it loads them and the last stage
// interleaves them back, so no separate conversion pass is needed. The scale factor is applied
// by the last stage. The inverse is the forward transform of the data with real and imaginary
// parts swapped, swapped back on output.
//
// Transforms of up to 2^12 points run through code compiled for their size, with every stage
// inlined: at those sizes the loop control and divisions of the general code would be a large
// part of the time. On AVX2, transforms of 64 and 256 points between interleaved arrays have
// kernels of their own that keep the data in registers between the radix-4 steps (Dft64,
// Dft256): with the 16 registers of AVX2 the general stages pass all data through memory, and at
// these sizes those passes cost more than the arithmetic.
//
// The real transform of N points is the complex transform of the N/2 points x[2n] + i·x[2n+1]
// followed by one pass that separates the even and odd halves' spectra (and the reverse for the
// inverse).
//
// The twiddles are computed once per spec in long double. Transforms need scratch memory of
// about 4N doubles (3N for the real ones), which each thread keeps and grows as needed; the work
// buffer argument is not used.
//
// Choices where IPP's documents leave a behaviour open:
// - Orders 0 to 27 are accepted, larger ones answer ippStsFftOrderErr.
// - The hint is ignored.
// - The imaginary parts of the DC and Nyquist bins of a CCS input are ignored.
// - Source and destination may be the same array.
// - Spec headers are recycled rather than returned to the heap, so that a call with a freed spec
//   finds a header marked free and answers ippStsContextMatchErr.
// - The twiddle products use fused multiply-add where the target has it (AVX2, AVX-512; SSE4 and
//   SCALAR multiply and add separately), although the code is otherwise compiled without
//   contraction: results differ between targets in the last bits, each target's within a relative
//   RMS error of 1e-15·log2(N) of the exact transform (the bound of tests/kernels/FFTTest.cpp).

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/FFT.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <type_traits>
#include <utility>
#include <vector>

#include "hwy/aligned_allocator.h"
#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"

#ifndef CORVANE_KERNELS_FFT_PLAN_
#define CORVANE_KERNELS_FFT_PLAN_
// Forces a lambda inline, so that the constants of its caller reach it.
#define CORVANE_INLINE_LAMBDA __attribute__((always_inline))

namespace corvane::kernels::fft {

// One pass of the complex transform: a radix-`radix` stage with stride s (see above). Its
// twiddles start at `twiddles` in the plan's table.
struct Stage {
  int radix = 1;
  size_t stride = 1;
  size_t twiddles = 0;
};

// The stages of a complex transform of 2^order points and the size of their twiddle table.
// From order 3 on, the first stage is radix 4 with vectors over p; its twiddles are w^p, w^2p
// and w^3p (w = exp(-2πi/N), p < N/4) as six arrays: w^p re, w^p im, w^2p re, ..., read a vector
// at a time. The later stages run over q: first the radix that the order needs beyond the largest
// radix, then the largest radix; their twiddles w^(rp) of the stage's own length,
// r = 1..radix-1, lie p after p in the order they are used: w^p re, w^p im, w^2p re, ... The last
// stage (p = 0 only) has none.
struct StageList {
  static constexpr size_t kMax = 16;
  Stage stage[kMax];
  size_t count = 0;
  size_t twiddleEntries = 0;
};

constexpr StageList StagesOf(int order, int largestRadixOrder) {
  StageList list;
  const size_t size = size_t(1) << order;
  const auto add = [&](int radixOrder, size_t stride) {
    list.stage[list.count++] = {1 << radixOrder, stride, list.twiddleEntries};
    if (stride << radixOrder < size) list.twiddleEntries += 2 * size / stride;
  };
  if (order == 0) return list;
  if (order <= 2) {
    add(order, 1);
    return list;
  }
  add(2, 1);
  size_t stride = 4;
  for (int left = order - 2; left > 0;) {
    const int radixOrder = left % largestRadixOrder ? left % largestRadixOrder : largestRadixOrder;
    add(radixOrder, stride);
    stride <<= radixOrder;
    left -= radixOrder;
  }
  return list;
}

struct ComplexPlan {
  int order = 0;
  size_t size = 1;
  int largestRadixOrder = 3;
  StageList stages;
  hwy::AlignedFreeUniquePtr<double[]> tables;
  const double* Twiddles(const Stage& stage) const { return tables.get() + stage.twiddles; }
};

// A real transform of N = 2^order points: the complex plan of N/2 points and the twiddles
// exp(-2πik/N) for k <= N/4 of the pass that splits the even and odd spectra.
struct RealPlan {
  ComplexPlan half;
  hwy::AlignedFreeUniquePtr<double[]> splitRe, splitIm;
};

// Split complex data: parts in separate arrays.
struct Split {
  double* re;
  double* im;
};
// Interleaved (re, im) pairs. kSwapped exchanges the parts on the way in and out (the inverse
// transform); `scale` multiplies the values stored.
template <bool kSwapped>
struct Interleaved {
  double* data;
  double scale = 1;
};

// Scratch memory: the complex transforms use parts 0 to 3 (two split buffers), the real ones
// also parts 4 and 5. The parts lie a few cache lines apart rather than at power-of-two distances,
// which would put them into the same cache sets, where they evict each other.
inline constexpr size_t kScratchGap = 32;
inline double* ScratchPart(double* work, size_t n, int part) {
  return work + part * (n + kScratchGap);
}
inline size_t ScratchSize(size_t n, int parts) {
  return parts * (n + kScratchGap);
}

// exp(-2πi·k/n) in long double, rounded once.
inline void UnitRoot(size_t k, size_t n, double& re, double& im) {
  const long double angle = 2 * std::numbers::pi_v<long double> * (long double)k / (long double)n;
  re = double(std::cos(angle));
  im = double(-std::sin(angle));
}

// The twiddles of the register-resident transforms of 64 and 256 points (see Dft64): for each
// length n, w^(rp) with w = exp(-2πi/n), r = 1..3, p < n/4, as six arrays (w^p re, w^p im,
// w^2p re, ...), each in the lane order of LoadInBlocks: p = 4g, 4g+2, 4g+1, 4g+3 for g = 0, 1, ...
struct BlockTwiddles {
  alignas(64) double of16[6 * 4];
  alignas(64) double of64[6 * 16];
  alignas(64) double of256[6 * 64];
};

inline void FillBlockTwiddles(double* table, size_t n) {
  constexpr size_t kLaneOrder[4] = {0, 2, 1, 3};
  const size_t m = n / 4;
  for (size_t r = 1; r < 4; ++r)
    for (size_t i = 0; i < m; ++i)
      UnitRoot(r * (i - i % 4 + kLaneOrder[i % 4]), n, table[2 * (r - 1) * m + i],
               table[(2 * r - 1) * m + i]);
}

inline const BlockTwiddles& TheBlockTwiddles() {
  static const BlockTwiddles twiddles = [] {
    BlockTwiddles t;
    FillBlockTwiddles(t.of16, 16);
    FillBlockTwiddles(t.of64, 64);
    FillBlockTwiddles(t.of256, 256);
    return t;
  }();
  return twiddles;
}

}  // namespace corvane::kernels::fft
#endif

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

using fft::ComplexPlan;
using fft::Interleaved;
using fft::RealPlan;
using fft::Stage;
using fft::ScratchPart;
using fft::Split;

template <class D>
using Cx = ComplexVec<hn::Vec<D>>;

template <class D>
HWY_INLINE Cx<D> Load(D d, const Split& in, size_t i) {
  return {hn::LoadU(d, in.re + i), hn::LoadU(d, in.im + i)};
}
template <class D, bool kSwapped>
HWY_INLINE Cx<D> Load(D d, const Interleaved<kSwapped>& in, size_t i) {
  Cx<D> z;
  if constexpr (kSwapped)
    hn::LoadInterleaved2(d, in.data + 2 * i, z.im, z.re);
  else
    hn::LoadInterleaved2(d, in.data + 2 * i, z.re, z.im);
  return z;
}
template <class D>
HWY_INLINE void Store(D d, const Cx<D>& z, const Split& out, size_t i) {
  hn::StoreU(z.re, d, out.re + i);
  hn::StoreU(z.im, d, out.im + i);
}
template <class D, bool kSwapped>
HWY_INLINE void Store(D d, const Cx<D>& z, const Interleaved<kSwapped>& out, size_t i) {
  const auto scale = hn::Set(d, out.scale);
  const auto re = hn::Mul(z.re, scale), im = hn::Mul(z.im, scale);
  if constexpr (kSwapped)
    hn::StoreInterleaved2(im, re, d, out.data + 2 * i);
  else
    hn::StoreInterleaved2(re, im, d, out.data + 2 * i);
}

template <class V>
HWY_INLINE ComplexVec<V> Add(const ComplexVec<V>& a, const ComplexVec<V>& b) {
  return {hn::Add(a.re, b.re), hn::Add(a.im, b.im)};
}
template <class V>
HWY_INLINE ComplexVec<V> Sub(const ComplexVec<V>& a, const ComplexVec<V>& b) {
  return {hn::Sub(a.re, b.re), hn::Sub(a.im, b.im)};
}
template <class V>
HWY_INLINE ComplexVec<V> Mul(const ComplexVec<V>& a, const ComplexVec<V>& w) {
  return {hn::MulSub(a.re, w.re, hn::Mul(a.im, w.im)), hn::MulAdd(a.re, w.im, hn::Mul(a.im, w.re))};
}
// a - i·b and a + i·b
template <class V>
HWY_INLINE ComplexVec<V> SubTimesI(const ComplexVec<V>& a, const ComplexVec<V>& b) {
  return {hn::Add(a.re, b.im), hn::Sub(a.im, b.re)};
}
template <class V>
HWY_INLINE ComplexVec<V> AddTimesI(const ComplexVec<V>& a, const ComplexVec<V>& b) {
  return {hn::Sub(a.re, b.im), hn::Add(a.im, b.re)};
}

// In-place forward DFTs of 2, 4 and 8 points.
template <class D>
HWY_INLINE void Dft(D, Cx<D> (&x)[2]) {
  const auto sum = Add(x[0], x[1]);
  x[1] = Sub(x[0], x[1]);
  x[0] = sum;
}
template <class D>
HWY_INLINE void Dft(D, Cx<D> (&x)[4]) {
  const auto sum02 = Add(x[0], x[2]), diff02 = Sub(x[0], x[2]);
  const auto sum13 = Add(x[1], x[3]), diff13 = Sub(x[1], x[3]);
  x[0] = Add(sum02, sum13);
  x[1] = SubTimesI(diff02, diff13);
  x[2] = Sub(sum02, sum13);
  x[3] = AddTimesI(diff02, diff13);
}
// Two DFTs of 4 points (even and odd samples), then X[k], X[k+4] = E[k] ± v^k·O[k] with
// v = exp(-2πi/8) = (1 - i)/√2.
template <class D>
HWY_INLINE void Dft(D d, Cx<D> (&x)[8]) {
  Cx<D> even[4] = {x[0], x[2], x[4], x[6]}, odd[4] = {x[1], x[3], x[5], x[7]};
  Dft(d, even);
  Dft(d, odd);
  const auto rootHalf = hn::Set(d, std::numbers::sqrt2 / 2);
  const Cx<D> odd1{hn::Mul(hn::Add(odd[1].re, odd[1].im), rootHalf),
                   hn::Mul(hn::Sub(odd[1].im, odd[1].re), rootHalf)};   // v·O[1]
  const Cx<D> odd3{hn::Mul(hn::Sub(odd[3].im, odd[3].re), rootHalf),
                   hn::Neg(hn::Mul(hn::Add(odd[3].re, odd[3].im), rootHalf))};  // v^3·O[3]
  x[0] = Add(even[0], odd[0]);
  x[4] = Sub(even[0], odd[0]);
  x[1] = Add(even[1], odd1);
  x[5] = Sub(even[1], odd1);
  x[2] = SubTimesI(even[2], odd[2]);  // v^2 = -i
  x[6] = AddTimesI(even[2], odd[2]);
  x[3] = Add(even[3], odd3);
  x[7] = Sub(even[3], odd3);
}

// A radix-R stage with vectors running over q (Lanes(d) must divide s). Without twiddles it
// must be the last stage.
template <size_t R, bool kTwiddled, class D, class In, class Out>
HWY_INLINE void StageOverQ(D d, size_t size, size_t s, const double* twiddles, const In in,
                           const Out out) {
  const size_t m = size / s / R;
  for (size_t p = 0; p < m; ++p) {
    Cx<D> w[R];
    if constexpr (kTwiddled) {
      const double* wp = twiddles + 2 * (R - 1) * p;
      for (size_t r = 1; r < R; ++r)
        w[r] = {hn::Set(d, wp[2 * r - 2]), hn::Set(d, wp[2 * r - 1])};
    }
    for (size_t q = 0; q < s; q += hn::Lanes(d)) {
      Cx<D> x[R];
      for (size_t k = 0; k < R; ++k) x[k] = Load(d, in, q + s * (p + k * m));
      Dft(d, x);
      const size_t y = q + s * R * p;
      Store(d, x[0], out, y);
      for (size_t r = 1; r < R; ++r) Store(d, kTwiddled ? Mul(x[r], w[r]) : x[r], out, y + r * s);
    }
  }
}

#if HWY_TARGET != HWY_SCALAR
// A twiddled radix-R stage with s = Lanes(d)/2, at full width: each vector holds the q < s of two
// consecutive p.
template <size_t R, class D, class In, class Out>
HWY_INLINE void StageOverQPairs(D d, size_t size, size_t s, const double* twiddles, const In in,
                                const Out out) {
  const hn::Half<D> dh;
  const size_t m = size / s / R, perP = 2 * (R - 1);
  const auto twiddle = [&](const double* w0) {
    return hn::Combine(d, hn::Set(dh, w0[perP]), hn::Set(dh, w0[0]));
  };
  for (size_t p = 0; p < m; p += 2) {
    const double* wp = twiddles + perP * p;
    Cx<D> x[R];
    for (size_t k = 0; k < R; ++k) x[k] = Load(d, in, s * (p + k * m));
    Dft(d, x);
    for (size_t r = 1; r < R; ++r)
      x[r] = Mul(x[r], Cx<D>{twiddle(wp + 2 * r - 2), twiddle(wp + 2 * r - 1)});
    // The lower halves of x[r] go to y[s(Rp + r) + q], the upper halves to y[s(R(p+1) + r) + q].
    const size_t y = s * R * p;
    for (size_t r = 0; r < R; r += 2) {
      const Cx<D> lower{hn::ConcatLowerLower(d, x[r + 1].re, x[r].re),
                        hn::ConcatLowerLower(d, x[r + 1].im, x[r].im)};
      const Cx<D> upper{hn::ConcatUpperUpper(d, x[r + 1].re, x[r].re),
                        hn::ConcatUpperUpper(d, x[r + 1].im, x[r].im)};
      Store(d, lower, out, y + r * s);
      Store(d, upper, out, y + s * R + r * s);
    }
  }
}
#endif

// The first radix-4 stage (s = 1) with vectors running over p (Lanes(d) must divide N/4); the
// outputs y[4p + r] are interleaved into a split destination.
template <class D, class In>
HWY_INLINE void Radix4FirstOverP(D d, size_t size, const double* twiddles, const In in,
                                 const Split out) {
  const size_t m = size / 4;
  const auto twiddle = [&](int power, size_t p) {
    const double* re = twiddles + 2 * (power - 1) * m + p;
    return Cx<D>{hn::LoadU(d, re), hn::LoadU(d, re + m)};
  };
  for (size_t p = 0; p < m; p += hn::Lanes(d)) {
    Cx<D> x[4] = {Load(d, in, p), Load(d, in, p + m), Load(d, in, p + 2 * m),
                  Load(d, in, p + 3 * m)};
    Dft(d, x);
    const auto y1 = Mul(x[1], twiddle(1, p)), y2 = Mul(x[2], twiddle(2, p)),
               y3 = Mul(x[3], twiddle(3, p));
    hn::StoreInterleaved4(x[0].re, y1.re, y2.re, y3.re, d, out.re + 4 * p);
    hn::StoreInterleaved4(x[0].im, y1.im, y2.im, y3.im, d, out.im + 4 * p);
  }
}

// Calls body(d) with the widest tag whose lane count divides `count` (a power of two).
template <class Body>
HWY_INLINE void WithLanesDividing(size_t count, const Body& body) {
  const hn::ScalableTag<double> d;
  if (count >= hn::Lanes(d)) return body(d);
  if (count >= 4) return body(hn::CappedTag<double, 4>());
  if (count >= 2) return body(hn::CappedTag<double, 2>());
  body(hn::CappedTag<double, 1>());
}

// The largest radix of the stages: radix 8 keeps its points and twiddles in registers only with
// 32 vector registers; with 16 it spills them, and radix 4 runs faster.
constexpr int kLargestRadixOrder = HWY_TARGET <= HWY_AVX3 ? 3 : 2;

int LargestRadixOrder() {
  return kLargestRadixOrder;
}

// One stage of a transform of n points. Inlined where n and the stage are constants, it runs
// without divisions and with loops of known length.
template <class In, class Out>
HWY_INLINE void RunStage(size_t n, const Stage stage, const double* twiddles, const In in,
                         const Out out) {
  const size_t s = stage.stride;
  if constexpr (std::is_same_v<Out, Split>) {
    if (s == 1 && n > 4)
      return WithLanesDividing(n / 4, [&](auto d) CORVANE_INLINE_LAMBDA {
        Radix4FirstOverP(d, n, twiddles, in, out);
      });
  }
  const bool last = s * stage.radix == n;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<double> d;
  if (!last && hn::Lanes(d) == 2 * s) {
    switch (stage.radix) {
      case 2: return StageOverQPairs<2>(d, n, s, twiddles, in, out);
      case 4: return StageOverQPairs<4>(d, n, s, twiddles, in, out);
      default: return StageOverQPairs<8>(d, n, s, twiddles, in, out);
    }
  }
#endif
  WithLanesDividing(s, [&](auto d) CORVANE_INLINE_LAMBDA {
    switch (stage.radix) {
      case 2:
        if (last) return StageOverQ<2, false>(d, n, s, twiddles, in, out);
        return StageOverQ<2, true>(d, n, s, twiddles, in, out);
      case 4:
        if (last) return StageOverQ<4, false>(d, n, s, twiddles, in, out);
        return StageOverQ<4, true>(d, n, s, twiddles, in, out);
      default:
        if (last) return StageOverQ<8, false>(d, n, s, twiddles, in, out);
        return StageOverQ<8, true>(d, n, s, twiddles, in, out);
    }
  });
}

template <class In, class Out>
HWY_NOINLINE void RunStageOf(const ComplexPlan& plan, const Stage& stage, const In in,
                             const Out out) {
  RunStage(plan.size, stage, plan.Twiddles(stage), in, out);
}

// Unnormalised forward transform of plan.size points from `in` to `out`, which may be the same
// memory; `work` holds scratch parts 0 to 3.
template <class In, class Out>
void ForwardAnySize(const ComplexPlan& plan, const In in, const Out out, double* work) {
  const size_t n = plan.size, stages = plan.stages.count;
  const Stage* stage = plan.stages.stage;
  if (stages == 1) return RunStageOf(plan, stage[0], in, out);
  const Split buffers[2] = {{ScratchPart(work, n, 0), ScratchPart(work, n, 1)},
                            {ScratchPart(work, n, 2), ScratchPart(work, n, 3)}};
  RunStageOf(plan, stage[0], in, buffers[0]);
  for (size_t i = 1; i + 1 < stages; ++i)
    RunStageOf(plan, stage[i], buffers[(i - 1) & 1], buffers[i & 1]);
  RunStageOf(plan, stage[stages - 1], buffers[(stages - 2) & 1], out);
}

// ForwardAnySize for a plan of 2^kOrder points made for this target, with every stage inlined and
// its sizes known at compile time.
template <int kOrder, class In, class Out>
void ForwardOfOrder(const ComplexPlan& plan, const In in, const Out out, double* work) {
  static constexpr fft::StageList kStages = fft::StagesOf(kOrder, kLargestRadixOrder);
  constexpr size_t n = size_t(1) << kOrder, kLast = kStages.count - 1;
  const Split buffers[2] = {{ScratchPart(work, n, 0), ScratchPart(work, n, 1)},
                            {ScratchPart(work, n, 2), ScratchPart(work, n, 3)}};
  const auto run = [&]<size_t i>(std::integral_constant<size_t, i>) CORVANE_INLINE_LAMBDA {
    constexpr Stage stage = kStages.stage[i];
    const double* twiddles = plan.tables.get() + stage.twiddles;
    if constexpr (i == 0 && i == kLast)
      RunStage(n, stage, twiddles, in, out);
    else if constexpr (i == 0)
      RunStage(n, stage, twiddles, in, buffers[0]);
    else if constexpr (i == kLast)
      RunStage(n, stage, twiddles, buffers[(i - 1) & 1], out);
    else
      RunStage(n, stage, twiddles, buffers[(i - 1) & 1], buffers[i & 1]);
  };
  [&]<size_t... i>(std::index_sequence<i...>) {
    (run(std::integral_constant<size_t, i>()), ...);
  }(std::make_index_sequence<kStages.count>());
}

#if HWY_TARGET == HWY_AVX2
// Transforms of 64 and 256 points between interleaved arrays, on vectors of four lanes that
// stay in registers from step to step instead of passing through scratch memory.
using D4 = hn::FixedTag<double, 4>;

// Loads the complex values in[i..i+3] split, with the lanes in the order i, i+2, i+1, i+3: one
// shuffle within 128-bit blocks per vector, where the memory order needs a second across them.
template <bool kSwapped>
HWY_INLINE Cx<D4> LoadInBlocks(D4 d, const Interleaved<kSwapped>& in, size_t i) {
  const auto first = hn::LoadU(d, in.data + 2 * i), second = hn::LoadU(d, in.data + 2 * i + 4);
  const auto re = hn::InterleaveLower(d, first, second), im = hn::InterleaveUpper(d, first, second);
  if constexpr (kSwapped) return {im, re};
  return {re, im};
}
// Split data keep the lanes in the order they were stored in: the scratch data between the steps
// of Dft256 stay in block order without a shuffle.
HWY_INLINE Cx<D4> LoadInBlocks(D4 d, const Split& in, size_t i) {
  return Load(d, in, i);
}
// Stores lane j of z to out[first + j·stride] (complex indices), multiplied by out.scale where
// kScaled.
template <bool kScaled, bool kSwapped>
HWY_INLINE void StoreLanes(D4 d, const Cx<D4>& z, const Interleaved<kSwapped>& out, size_t first,
                           size_t stride) {
  auto re = z.re, im = z.im;
  if constexpr (kScaled) {
    const auto scale = hn::Set(d, out.scale);
    re = hn::Mul(re, scale), im = hn::Mul(im, scale);
  }
  if constexpr (kSwapped) std::swap(re, im);
  const auto lanes02 = hn::InterleaveLower(d, re, im), lanes13 = hn::InterleaveUpper(d, re, im);
  const hn::Half<D4> dh;
  double* at = out.data + 2 * first;
  const size_t step = 2 * stride;
  hn::StoreU(hn::LowerHalf(dh, lanes02), dh, at);
  hn::StoreU(hn::LowerHalf(dh, lanes13), dh, at + step);
  hn::StoreU(hn::UpperHalf(dh, lanes02), dh, at + 2 * step);
  hn::StoreU(hn::UpperHalf(dh, lanes13), dh, at + 3 * step);
}

// Transposes the 4×4 matrix of rows v[0..3].
HWY_INLINE void Transpose(D4 d, hn::Vec<D4> (&v)[4]) {
  const auto t0 = hn::InterleaveLower(d, v[0], v[1]), t1 = hn::InterleaveUpper(d, v[0], v[1]);
  const auto t2 = hn::InterleaveLower(d, v[2], v[3]), t3 = hn::InterleaveUpper(d, v[2], v[3]);
  v[0] = hn::ConcatLowerLower(d, t2, t0);
  v[1] = hn::ConcatLowerLower(d, t3, t1);
  v[2] = hn::ConcatUpperUpper(d, t2, t0);
  v[3] = hn::ConcatUpperUpper(d, t3, t1);
}

// x[r] ·= w^(rp) for r = 1..3, from a BlockTwiddles table of m entries per array, lanes p on.
HWY_INLINE void Twiddle(D4 d, Cx<D4> (&x)[4], const double* table, size_t m, size_t p) {
  for (size_t r = 1; r < 4; ++r)
    x[r] = Mul(x[r], Cx<D4>{hn::Load(d, table + 2 * (r - 1) * m + p),
                            hn::Load(d, table + (2 * r - 1) * m + p)});
}

// The DFT of the 64 points in[n0 + 4n1 + 16n2] to out[first + stride·(k0 + 4k1 + 16k2)] in three
// radix-4 steps of decimation in frequency (W. M. Gentleman and G. Sande, "Fast Fourier
// transforms: for fun and profit", AFIPS 1966): over n2 for each n1, then twiddled by
// w64^(k0(n0 + 4n1)); over n1 for each k0, then twiddled by w16^(k1·n0); over n0 for each k0 and
// k1. The vectors run over n0 (in LoadInBlocks order), so the first two steps work lane by lane;
// transposing the four vectors of a k0 brings n0 across vectors for the third, whose lanes are
// then k1, stored one by one. Between the first two steps all the data are live, 32 vectors of
// parts: the ones that the registers cannot hold the compiler keeps on the stack.
template <bool kScaled, class In, bool kSwapped>
HWY_INLINE void Dft64(D4 d, const In in, const Interleaved<kSwapped> out, size_t first,
                      size_t stride) {
  const fft::BlockTwiddles& twiddles = fft::TheBlockTwiddles();
  Cx<D4> a[4][4];  // a[k0][n1]
  for (size_t n1 = 0; n1 < 4; ++n1) {
    Cx<D4> x[4];
    for (size_t n2 = 0; n2 < 4; ++n2) x[n2] = LoadInBlocks(d, in, 4 * n1 + 16 * n2);
    Dft(d, x);
    Twiddle(d, x, twiddles.of64, 16, 4 * n1);
    for (size_t k0 = 0; k0 < 4; ++k0) a[k0][n1] = x[k0];
  }
  for (size_t k0 = 0; k0 < 4; ++k0) {
    Cx<D4> y[4] = {a[k0][0], a[k0][1], a[k0][2], a[k0][3]};
    Dft(d, y);
    Twiddle(d, y, twiddles.of16, 4, 0);
    hn::Vec<D4> re[4] = {y[0].re, y[1].re, y[2].re, y[3].re};
    hn::Vec<D4> im[4] = {y[0].im, y[1].im, y[2].im, y[3].im};
    Transpose(d, re);
    Transpose(d, im);
    Cx<D4> z[4] = {{re[0], im[0]}, {re[2], im[2]}, {re[1], im[1]}, {re[3], im[3]}};  // z[n0]
    Dft(d, z);
    for (size_t k2 = 0; k2 < 4; ++k2)
      StoreLanes<kScaled>(d, z[k2], out, first + stride * (k0 + 16 * k2), 4 * stride);
  }
}

// The DFT of 256 points: one radix-4 step of decimation in frequency, its four outputs of 64
// points kept split in `work` (512 doubles) in block order, then Dft64 on each of them.
template <bool kScaled, bool kSwapped>
HWY_INLINE void Dft256(D4 d, const Interleaved<kSwapped> in, const Interleaved<kSwapped> out,
                       double* work) {
  const double* twiddles = fft::TheBlockTwiddles().of256;
  const Split steps{work, work + 256};
  for (size_t p = 0; p < 64; p += 4) {
    Cx<D4> x[4];
    for (size_t k = 0; k < 4; ++k) x[k] = LoadInBlocks(d, in, p + 64 * k);
    Dft(d, x);
    Twiddle(d, x, twiddles, 64, p);
    for (size_t r = 0; r < 4; ++r) Store(d, x[r], steps, 64 * r + p);
  }
  for (size_t r = 0; r < 4; ++r)
    Dft64<kScaled>(d, Split{steps.re + 64 * r, steps.im + 64 * r}, out, r, 4);
}

// Runs body(std::bool_constant<scale != 1>()): the unscaled transforms skip the multiplication.
template <class Body>
HWY_INLINE void WithScaling(double scale, const Body& body) {
  if (scale == 1) return body(std::false_type());
  body(std::true_type());
}

template <class T>
constexpr bool kIsInterleaved = false;
template <bool kSwapped>
constexpr bool kIsInterleaved<Interleaved<kSwapped>> = true;
#endif

// Transforms up to this order run through ForwardOfOrder.
constexpr int kLargestFixedOrder = 12;

template <class In, class Out>
void Forward(const ComplexPlan& plan, const In in, const Out out, double* work) {
  using Fixed = void (*)(const ComplexPlan&, In, Out, double*);
  static constexpr auto kFixed = []<size_t... k>(std::index_sequence<k...>) {
    return std::array<Fixed, sizeof...(k)>{&ForwardOfOrder<int(k) + 1, In, Out>...};
  }(std::make_index_sequence<kLargestFixedOrder>());
  if (plan.order == 0) {
    const hn::CappedTag<double, 1> d1;
    return Store(d1, Load(d1, in, 0), out, 0);
  }
#if HWY_TARGET == HWY_AVX2
  if constexpr (kIsInterleaved<In> && kIsInterleaved<Out>) {
    if (plan.order == 6)
      return WithScaling(out.scale, [&](auto scaled) CORVANE_INLINE_LAMBDA {
        Dft64<scaled()>(D4(), in, out, 0, 1);
      });
    if (plan.order == 8)
      return WithScaling(out.scale, [&](auto scaled) CORVANE_INLINE_LAMBDA {
        Dft256<scaled()>(D4(), in, out, work);
      });
  }
#endif
  if (plan.order <= kLargestFixedOrder && plan.largestRadixOrder == kLargestRadixOrder)
    return kFixed[plan.order - 1](plan, in, out, work);
  ForwardAnySize(plan, in, out, work);
}

void ComplexTransform(const ComplexPlan& plan, const double* src, double* dst, bool inverse,
                      double scale, double* work) {
  if (inverse)
    Forward(plan, Interleaved<true>{const_cast<double*>(src)}, Interleaved<true>{dst, scale}, work);
  else
    Forward(plan, Interleaved<false>{const_cast<double*>(src)}, Interleaved<false>{dst, scale},
            work);
}

// Calls body(d, k) over the k in [1, n/4] (N/4 + 1 - 1 pairs of mirrored bins): whole vectors
// when they fit, else single lanes.
template <class Body>
HWY_INLINE void ForEachBinPair(size_t quarter, const Body& body) {
  const hn::ScalableTag<double> d;
  const size_t lanes = hn::Lanes(d);
  size_t k = 1;
  if (quarter >= lanes)
    for (; k + lanes <= quarter + 1; k += lanes) body(d, k);
  for (; k <= quarter; ++k) body(hn::CappedTag<double, 1>(), k);
}

template <class D>
HWY_INLINE Cx<D> Reversed(D d, const Cx<D>& z) {
  return {hn::Reverse(d, z.re), hn::Reverse(d, z.im)};
}
template <class V>
HWY_INLINE ComplexVec<V> Conj(const ComplexVec<V>& z) {
  return {z.re, hn::Neg(z.im)};
}

void RealForward(const RealPlan& plan, const double* src, double* dst, double scale,
                 double* work) {
  const size_t m = plan.half.size;  // complex points
  const Split z{ScratchPart(work, m, 4), ScratchPart(work, m, 5)};
  Forward(plan.half, Interleaved<false>{const_cast<double*>(src)}, z, work);
  const double z0re = z.re[0], z0im = z.im[0];
  // X[k] = E + W^k·O and X[M-k] = conj(E - W^k·O) with E = (Z[k] + conj(Z[M-k]))/2,
  // O = (Z[k] - conj(Z[M-k]))/(2i), W = exp(-2πi/N).
  const double half = 0.5 * scale;
  ForEachBinPair(m / 2, [&](auto d, size_t k) {
    const size_t lanes = hn::Lanes(d), mirror = m - k - lanes + 1;
    const auto a = Load(d, z, k), b = Conj(Reversed(d, Load(d, z, mirror)));
    const auto even = Add(a, b), diff = Sub(a, b);
    const Cx<decltype(d)> odd{diff.im, hn::Neg(diff.re)};
    const Cx<decltype(d)> w{hn::LoadU(d, plan.splitRe.get() + k),
                            hn::LoadU(d, plan.splitIm.get() + k)};
    const auto wOdd = Mul(odd, w);
    const Interleaved<false> out{dst, half};
    Store(d, Add(even, wOdd), out, k);
    Store(d, Reversed(d, Conj(Sub(even, wOdd))), out, mirror);
  });
  dst[0] = scale * (z0re + z0im);
  dst[1] = 0;
  dst[2 * m] = scale * (z0re - z0im);
  dst[2 * m + 1] = 0;
}

void RealInverse(const RealPlan& plan, const double* src, double* dst, double scale,
                 double* work) {
  const size_t m = plan.half.size;
  const Split z{ScratchPart(work, m, 4), ScratchPart(work, m, 5)};
  // Z[k] = E + i·conj(W^k)·D and Z[M-k] = conj(E) + i·conj(conj(W^k)·D) with
  // E = X[k] + conj(X[M-k]), D = X[k] - conj(X[M-k]): twice the spectra of the even and odd
  // samples, so the unnormalised inverse of Z gives N·x.
  const Interleaved<false> in{const_cast<double*>(src)};
  ForEachBinPair(m / 2, [&](auto d, size_t k) {
    const size_t lanes = hn::Lanes(d), mirror = m - k - lanes + 1;
    const auto a = Load(d, in, k), b = Conj(Reversed(d, Load(d, in, mirror)));
    const auto even = Add(a, b);
    const Cx<decltype(d)> w{hn::LoadU(d, plan.splitRe.get() + k),
                        hn::Neg(hn::LoadU(d, plan.splitIm.get() + k))};
    const auto odd = Mul(Sub(a, b), w);
    Store(d, AddTimesI(even, odd), z, k);
    Store(d, Reversed(d, AddTimesI(Conj(even), Conj(odd))), z, mirror);
  });
  const double x0 = src[0], xm = src[2 * m];
  z.re[0] = x0 + xm;
  z.im[0] = x0 - xm;
  Forward(plan.half, Split{z.im, z.re}, Interleaved<true>{dst, scale}, work);
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <algorithm>
#include <memory>
#include <mutex>
#include <numbers>
#include <new>
#include <vector>

namespace corvane::kernels {

HWY_EXPORT(ComplexTransform);
HWY_EXPORT(RealForward);
HWY_EXPORT(RealInverse);
HWY_EXPORT(LargestRadixOrder);

namespace {

constexpr int kMaxOrder = 27;

using fft::UnitRoot;

void MakeComplexPlan(fft::ComplexPlan& plan, int order) {
  plan.order = order;
  plan.size = size_t(1) << order;
  plan.largestRadixOrder = HWY_DYNAMIC_DISPATCH(LargestRadixOrder)();
  plan.stages = fft::StagesOf(order, plan.largestRadixOrder);
  plan.tables = hwy::AllocateAligned<double>(std::max<size_t>(plan.stages.twiddleEntries, 1));
  if (!plan.tables) throw std::bad_alloc();
  for (size_t i = 0; i < plan.stages.count; ++i) {
    const fft::Stage& stage = plan.stages.stage[i];
    const size_t radix = stage.radix, count = plan.size / stage.stride / radix;
    if (count == 1) continue;  // the last stage
    double* table = plan.tables.get() + stage.twiddles;
    const bool overP = stage.stride == 1;  // see StageList for the two layouts
    for (size_t r = 1; r < radix; ++r)
      for (size_t p = 0; p < count; ++p) {
        double& re = overP ? table[2 * (r - 1) * count + p] : table[2 * ((radix - 1) * p + r - 1)];
        double& im = overP ? table[(2 * r - 1) * count + p] : (&re)[1];
        UnitRoot(r * p * stage.stride, plan.size, re, im);
      }
  }
}

void MakeRealPlan(fft::RealPlan& plan, int order) {
  MakeComplexPlan(plan.half, std::max(order - 1, 0));
  const size_t n = size_t(1) << order, count = n / 4 + 1;
  plan.splitRe = hwy::AllocateAligned<double>(count);
  plan.splitIm = hwy::AllocateAligned<double>(count);
  if (!plan.splitRe || !plan.splitIm) throw std::bad_alloc();
  for (size_t k = 0; k < count; ++k) UnitRoot(k, n, plan.splitRe[k], plan.splitIm[k]);
}

enum class SpecKind : uint32_t { kFree = 0x46524545, kReal = 0x52464654, kComplex = 0x43464654 };

struct Spec {
  SpecKind kind = SpecKind::kFree;
  int order = 0;
  double forwardScale = 1, inverseScale = 1;
  std::unique_ptr<fft::RealPlan> real;
  std::unique_ptr<fft::ComplexPlan> complex;
};

// Headers of freed specs, handed out again by the next InitAlloc. The pool has room for every
// header ever made, so that returning one to it never allocates.
std::mutex gSpecPoolMutex;
size_t gSpecCount = 0;
std::vector<Spec*>& SpecPool() {
  static std::vector<Spec*>* pool = new std::vector<Spec*>;
  return *pool;
}

// Throws std::bad_alloc when memory runs out.
Spec* TakeSpec() {
  std::lock_guard lock(gSpecPoolMutex);
  auto& pool = SpecPool();
  if (pool.empty()) {
    if (pool.capacity() <= gSpecCount) pool.reserve(2 * gSpecCount + 1);
    Spec* spec = new Spec;
    ++gSpecCount;
    return spec;
  }
  Spec* spec = pool.back();
  pool.pop_back();
  return spec;
}

void ReturnSpec(Spec* spec) {
  spec->kind = SpecKind::kFree;
  spec->real.reset();
  spec->complex.reset();
  std::lock_guard lock(gSpecPoolMutex);
  SpecPool().push_back(spec);  // within the capacity that TakeSpec reserved
}

template <class Opaque>
const Spec* AsSpec(const Opaque* opaque) {
  return reinterpret_cast<const Spec*>(opaque);
}

// Scratch memory of the calling thread, at least `count` doubles.
double* Scratch(size_t count) {
  thread_local hwy::AlignedFreeUniquePtr<double[]> buffer;
  thread_local size_t capacity = 0;
  if (count > capacity) {
    buffer = hwy::AllocateAligned<double>(count);
    capacity = buffer ? count : 0;
  }
  return buffer.get();
}

// The scale factors of a normalisation flag, false when the flag is none of IPP's four.
bool Scales(int flag, int order, double& forward, double& inverse) {
  const double n = std::ldexp(1.0, order);
  switch (flag) {
    case IPP_FFT_DIV_FWD_BY_N: forward = 1 / n, inverse = 1; return true;
    case IPP_FFT_DIV_INV_BY_N: forward = 1, inverse = 1 / n; return true;
    case IPP_FFT_DIV_BY_SQRTN: forward = inverse = 1 / std::sqrt(n); return true;
    case IPP_FFT_NODIV_BY_ANY: forward = inverse = 1; return true;
    default: return false;
  }
}

template <class Opaque, class MakePlan>
IppStatus InitAlloc(Opaque** ppFFTSpec, int order, int flag, SpecKind kind,
                    const MakePlan& makePlan) {
  if (ppFFTSpec == nullptr) return ippStsNullPtrErr;
  if (order < 0 || order > kMaxOrder) return ippStsFftOrderErr;
  double forward, inverse;
  if (!Scales(flag, order, forward, inverse)) return ippStsFftFlagErr;
  Spec* spec = nullptr;
  try {
    spec = TakeSpec();
    makePlan(*spec);
  } catch (const std::bad_alloc&) {
    if (spec) ReturnSpec(spec);
    return ippStsMemAllocErr;
  }
  spec->order = order;
  spec->forwardScale = forward;
  spec->inverseScale = inverse;
  spec->kind = kind;
  *ppFFTSpec = reinterpret_cast<Opaque*>(spec);
  return ippStsNoErr;
}

template <class Opaque>
IppStatus Free(Opaque* pFFTSpec, SpecKind kind) {
  if (pFFTSpec == nullptr) return ippStsNullPtrErr;
  Spec* spec = const_cast<Spec*>(AsSpec(pFFTSpec));
  if (spec->kind != kind) return ippStsContextMatchErr;
  ReturnSpec(spec);
  return ippStsNoErr;
}

// Argument checks of a transform: null pointers, then the kind of the FFT context.
template <class Opaque>
IppStatus CheckTransform(const void* src, const void* dst, const Opaque* spec, SpecKind kind) {
  if (src == nullptr || dst == nullptr || spec == nullptr) return ippStsNullPtrErr;
  return AsSpec(spec)->kind == kind ? ippStsNoErr : ippStsContextMatchErr;
}

IppStatus RunComplex(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pFFTSpec,
                     bool inverse) {
  if (IppStatus s = CheckTransform(pSrc, pDst, pFFTSpec, SpecKind::kComplex)) return s;
  const Spec& spec = *AsSpec(pFFTSpec);
  double* work = Scratch(fft::ScratchSize(spec.complex->size, 4));
  if (!work) return ippStsMemAllocErr;
  HWY_DYNAMIC_DISPATCH(ComplexTransform)(*spec.complex, &pSrc->re, &pDst->re, inverse,
                                         inverse ? spec.inverseScale : spec.forwardScale, work);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsFFTInitAlloc_C_64fc(IppsFFTSpec_C_64fc** ppFFTSpec, int order, int flag,
                                  IppHintAlgorithm) {
  return InitAlloc(ppFFTSpec, order, flag, SpecKind::kComplex, [order](Spec& spec) {
    spec.complex = std::make_unique<fft::ComplexPlan>();
    MakeComplexPlan(*spec.complex, order);
  });
}

IppStatus ippsFFTInitAlloc_R_64f(IppsFFTSpec_R_64f** ppFFTSpec, int order, int flag,
                                 IppHintAlgorithm) {
  return InitAlloc(ppFFTSpec, order, flag, SpecKind::kReal, [order](Spec& spec) {
    spec.real = std::make_unique<fft::RealPlan>();
    MakeRealPlan(*spec.real, order);
  });
}

IppStatus ippsFFTFree_C_64fc(IppsFFTSpec_C_64fc* pFFTSpec) {
  return Free(pFFTSpec, SpecKind::kComplex);
}

IppStatus ippsFFTFree_R_64f(IppsFFTSpec_R_64f* pFFTSpec) {
  return Free(pFFTSpec, SpecKind::kReal);
}

IppStatus ippsFFTFwd_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst,
                               const IppsFFTSpec_C_64fc* pFFTSpec, Ipp8u*) {
  return RunComplex(pSrc, pDst, pFFTSpec, false);
}

IppStatus ippsFFTInv_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst,
                               const IppsFFTSpec_C_64fc* pFFTSpec, Ipp8u*) {
  return RunComplex(pSrc, pDst, pFFTSpec, true);
}

IppStatus ippsFFTFwd_RToCCS_64f(const Ipp64f* pSrc, Ipp64f* pDst,
                                const IppsFFTSpec_R_64f* pFFTSpec, Ipp8u*) {
  if (IppStatus s = CheckTransform(pSrc, pDst, pFFTSpec, SpecKind::kReal)) return s;
  const Spec& spec = *AsSpec(pFFTSpec);
  if (spec.order == 0) {
    pDst[0] = spec.forwardScale * pSrc[0];
    pDst[1] = 0;
    return ippStsNoErr;
  }
  double* work = Scratch(fft::ScratchSize(spec.real->half.size, 6));
  if (!work) return ippStsMemAllocErr;
  HWY_DYNAMIC_DISPATCH(RealForward)(*spec.real, pSrc, pDst, spec.forwardScale, work);
  return ippStsNoErr;
}

IppStatus ippsFFTInv_CCSToR_64f(const Ipp64f* pSrc, Ipp64f* pDst,
                                const IppsFFTSpec_R_64f* pFFTSpec, Ipp8u*) {
  if (IppStatus s = CheckTransform(pSrc, pDst, pFFTSpec, SpecKind::kReal)) return s;
  const Spec& spec = *AsSpec(pFFTSpec);
  if (spec.order == 0) {
    pDst[0] = spec.inverseScale * pSrc[0];
    return ippStsNoErr;
  }
  double* work = Scratch(fft::ScratchSize(spec.real->half.size, 6));
  if (!work) return ippStsMemAllocErr;
  HWY_DYNAMIC_DISPATCH(RealInverse)(*spec.real, pSrc, pDst, spec.inverseScale, work);
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
