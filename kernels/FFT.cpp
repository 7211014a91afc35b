// Power-of-two FFTs: complex to complex, and real to CCS-packed complex and back.
//
// The complex transform is a Stockham autosort FFT (no bit reversal pass): radix-4 decimation in
// frequency stages, plus one radix-2 stage at the end for odd orders. Stage i reads x and writes
// y, both of N points, as
//     y[q + s(4p + r)] = w^(rp) · DFT4(x[q + s(p + km)], k = 0..3)[r],  w = exp(-2πi/n),
// with s = 4^i, n = N/s, m = n/4, p < m, q < s. Every access is contiguous in q; the first stage
// (s = 1) runs over p instead and interleaves its four outputs on store. Inside, the data are held
// split (all real parts, then all imaginary parts) so that each lane computes one point; the
// first stage deinterleaves IPP's (re, im) pairs as it loads them and the last stage interleaves
// them back, so no separate conversion pass is needed. The scale factor is applied by the last
// stage. The inverse is the forward transform of the data with real and imaginary parts swapped,
// swapped back on output.
//
// The real transform of N points is the complex transform of the N/2 points x[2n] + i·x[2n+1]
// followed by one pass that separates the even and odd halves' spectra (and the reverse for the
// inverse).
//
// The twiddles are computed once per spec in long double. Transforms need scratch memory of 5N
// doubles, which each thread keeps and grows as needed; the work buffer argument is not used.
//
// Choices where IPP's documents leave a behaviour open:
// - Orders 0 to 27 are accepted, larger ones answer ippStsFftOrderErr.
// - The hint is ignored.
// - The imaginary parts of the DC and Nyquist bins of a CCS input are ignored.
// - Source and destination may be the same array.
// - Spec headers are recycled rather than returned to the heap, so that a call with a freed spec
//   finds a header marked free and answers ippStsContextMatchErr.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/FFT.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "hwy/aligned_allocator.h"
#include "hwy/highway.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"

#ifndef CORVANE_KERNELS_FFT_PLAN_
#define CORVANE_KERNELS_FFT_PLAN_
namespace corvane::kernels::fft {

// Twiddles of a complex transform of 2^order points: for p < N/4, w^p, w^2p and w^3p with
// w = exp(-2πi/N). The stage of sub-length n = N/s uses the entries at p·s.
struct ComplexPlan {
  int order = 0;
  size_t size = 1;
  size_t quarter = 0;                          // N/4: entries per table
  hwy::AlignedFreeUniquePtr<double[]> tables;  // w^p re, w^p im, w^2p re, ..., w^3p im
  const double* Re(int power) const { return tables.get() + 2 * (power - 1) * quarter; }
  const double* Im(int power) const { return Re(power) + quarter; }
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
// Interleaved (re, im) pairs. `swapped` exchanges the parts on the way in and out (the inverse
// transform); `scale` multiplies the values stored.
struct Interleaved {
  double* data;
  bool swapped;
  double scale;
};

}  // namespace corvane::kernels::fft
#endif

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

using fft::ComplexPlan;
using fft::Interleaved;
using fft::RealPlan;
using fft::Split;

template <class D>
using Cx = ComplexVec<hn::Vec<D>>;

template <class D>
HWY_INLINE Cx<D> Load(D d, const Split& in, size_t i) {
  return {hn::LoadU(d, in.re + i), hn::LoadU(d, in.im + i)};
}
template <class D>
HWY_INLINE Cx<D> Load(D d, const Interleaved& in, size_t i) {
  Cx<D> z;
  hn::LoadInterleaved2(d, in.data + 2 * i, z.re, z.im);
  if (in.swapped) std::swap(z.re, z.im);
  return z;
}
template <class D>
HWY_INLINE void Store(D d, const Cx<D>& z, const Split& out, size_t i) {
  hn::StoreU(z.re, d, out.re + i);
  hn::StoreU(z.im, d, out.im + i);
}
template <class D>
HWY_INLINE void Store(D d, const Cx<D>& z, const Interleaved& out, size_t i) {
  const auto scale = hn::Set(d, out.scale);
  const auto re = hn::Mul(z.re, scale), im = hn::Mul(z.im, scale);
  if (out.swapped)
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

// One radix-4 butterfly of the forward transform, with its output twiddles w1..w3 applied.
template <class V>
struct Butterfly4 {
  ComplexVec<V> y0, y1, y2, y3;
  Butterfly4(const ComplexVec<V> (&x)[4], const ComplexVec<V>& w1, const ComplexVec<V>& w2,
             const ComplexVec<V>& w3) {
    const auto sum02 = Add(x[0], x[2]), diff02 = Sub(x[0], x[2]);
    const auto sum13 = Add(x[1], x[3]), diff13 = Sub(x[1], x[3]);
    y0 = Add(sum02, sum13);
    y1 = Mul(SubTimesI(diff02, diff13), w1);
    y2 = Mul(Sub(sum02, sum13), w2);
    y3 = Mul(AddTimesI(diff02, diff13), w3);
  }
};

// Radix-4 stage, vectors running over q (Lanes(d) must divide s).
template <class D, class In, class Out>
HWY_INLINE void Radix4OverQ(D d, const ComplexPlan& plan, size_t s, const In& in, const Out& out) {
  const size_t m = plan.size / s / 4;
  for (size_t p = 0; p < m; ++p) {
    const size_t t = p * s;  // index of w^p in the tables of the full length
    const Cx<D> w1{hn::Set(d, plan.Re(1)[t]), hn::Set(d, plan.Im(1)[t])};
    const Cx<D> w2{hn::Set(d, plan.Re(2)[t]), hn::Set(d, plan.Im(2)[t])};
    const Cx<D> w3{hn::Set(d, plan.Re(3)[t]), hn::Set(d, plan.Im(3)[t])};
    for (size_t q = 0; q < s; q += hn::Lanes(d)) {
      const Cx<D> x[4] = {Load(d, in, q + s * p), Load(d, in, q + s * (p + m)),
                          Load(d, in, q + s * (p + 2 * m)), Load(d, in, q + s * (p + 3 * m))};
      const Butterfly4<hn::Vec<D>> b(x, w1, w2, w3);
      const size_t y = q + s * 4 * p;
      Store(d, b.y0, out, y);
      Store(d, b.y1, out, y + s);
      Store(d, b.y2, out, y + 2 * s);
      Store(d, b.y3, out, y + 3 * s);
    }
  }
}

// The first radix-4 stage (s = 1), vectors running over p (Lanes(d) must divide N/4); the
// outputs y[4p + r] are interleaved into a split destination.
template <class D, class In>
HWY_INLINE void Radix4FirstOverP(D d, const ComplexPlan& plan, const In& in, const Split& out) {
  const size_t m = plan.quarter;
  const auto twiddle = [&](int power, size_t p) {
    return Cx<D>{hn::LoadU(d, plan.Re(power) + p), hn::LoadU(d, plan.Im(power) + p)};
  };
  for (size_t p = 0; p < m; p += hn::Lanes(d)) {
    const Cx<D> x[4] = {Load(d, in, p), Load(d, in, p + m), Load(d, in, p + 2 * m),
                        Load(d, in, p + 3 * m)};
    const Butterfly4<hn::Vec<D>> b(x, twiddle(1, p), twiddle(2, p), twiddle(3, p));
    hn::StoreInterleaved4(b.y0.re, b.y1.re, b.y2.re, b.y3.re, d, out.re + 4 * p);
    hn::StoreInterleaved4(b.y0.im, b.y1.im, b.y2.im, b.y3.im, d, out.im + 4 * p);
  }
}

// The radix-2 stage of odd orders, always the last one: s = N/2, no twiddles.
template <class D, class In, class Out>
HWY_INLINE void Radix2Last(D d, size_t s, const In& in, const Out& out) {
  for (size_t q = 0; q < s; q += hn::Lanes(d)) {
    const auto a = Load(d, in, q), b = Load(d, in, q + s);
    Store(d, Add(a, b), out, q);
    Store(d, Sub(a, b), out, q + s);
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

template <class In, class Out>
void RunStage(const ComplexPlan& plan, size_t s, const In& in, const Out& out) {
  if (s == plan.size / 2)
    return WithLanesDividing(s, [&](auto d) { Radix2Last(d, s, in, out); });
  if constexpr (std::is_same_v<Out, Split>) {
    const hn::ScalableTag<double> d;
    if (s == 1 && hn::Lanes(d) > 1 && plan.quarter >= hn::Lanes(d))
      return Radix4FirstOverP(d, plan, in, out);
  }
  WithLanesDividing(s, [&](auto d) { Radix4OverQ(d, plan, s, in, out); });
}

// Unnormalised forward transform of plan.size points from `in` to `out`, which may be the same
// memory; `work` holds 4N doubles.
template <class In, class Out>
void Forward(const ComplexPlan& plan, const In& in, const Out& out, double* work) {
  const size_t n = plan.size;
  if (n == 1) {
    const hn::CappedTag<double, 1> d1;
    return Store(d1, Load(d1, in, 0), out, 0);
  }
  if (n <= 4) return RunStage(plan, 1, in, out);
  const Split buffers[2] = {{work, work + n}, {work + 2 * n, work + 3 * n}};
  RunStage(plan, 1, in, buffers[0]);
  int current = 0;
  size_t s = 4;
  for (; n / s > 4; s *= 4, current ^= 1) RunStage(plan, s, buffers[current], buffers[current ^ 1]);
  RunStage(plan, s, buffers[current], out);
}

void ComplexTransform(const ComplexPlan& plan, const double* src, double* dst, bool inverse,
                      double scale, double* work) {
  const Interleaved in{const_cast<double*>(src), inverse, 1.0};
  Forward(plan, in, Interleaved{dst, inverse, scale}, work);
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
  const Split z{work + 4 * m, work + 5 * m};
  Forward(plan.half, Interleaved{const_cast<double*>(src), false, 1.0}, z, work);
  const double z0re = z.re[0], z0im = z.im[0];
  // X[k] = E + W^k·O and X[M-k] = conj(E - W^k·O) with E = (Z[k] + conj(Z[M-k]))/2,
  // O = (Z[k] - conj(Z[M-k]))/(2i), W = exp(-2πi/N).
  const double half = 0.5 * scale;
  ForEachBinPair(m / 2, [&](auto d, size_t k) {
    const size_t lanes = hn::Lanes(d), mirror = m - k - lanes + 1;
    const auto a = Load(d, z, k), b = Conj(Reversed(d, Load(d, z, mirror)));
    const auto even = Add(a, b), diff = Sub(a, b);
    const Cx<decltype(d)> odd{diff.im, hn::Neg(diff.re)};
    const Cx<decltype(d)> w{hn::LoadU(d, plan.splitRe.get() + k), hn::LoadU(d, plan.splitIm.get() + k)};
    const auto wOdd = Mul(odd, w);
    const Interleaved out{dst, false, half};
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
  const Split z{work + 4 * m, work + 5 * m};
  // Z[k] = E + i·conj(W^k)·D and Z[M-k] = conj(E) + i·conj(conj(W^k)·D) with
  // E = X[k] + conj(X[M-k]), D = X[k] - conj(X[M-k]): twice the spectra of the even and odd
  // samples, so the unnormalised inverse of Z gives N·x.
  const Interleaved in{const_cast<double*>(src), false, 1.0};
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
  Forward(plan.half, Split{z.im, z.re}, Interleaved{dst, true, scale}, work);
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

namespace {

constexpr int kMaxOrder = 27;

// exp(-2πi·k/n) in long double, rounded once.
void UnitRoot(size_t k, size_t n, double& re, double& im) {
  const long double angle = 2 * std::numbers::pi_v<long double> * (long double)k / (long double)n;
  re = double(std::cos(angle));
  im = double(-std::sin(angle));
}

void MakeComplexPlan(fft::ComplexPlan& plan, int order) {
  plan.order = order;
  plan.size = size_t(1) << order;
  plan.quarter = plan.size / 4;
  plan.tables = hwy::AllocateAligned<double>(std::max<size_t>(6 * plan.quarter, 1));
  if (!plan.tables) throw std::bad_alloc();
  for (int power = 1; power <= 3; ++power) {
    double* re = const_cast<double*>(plan.Re(power));
    double* im = const_cast<double*>(plan.Im(power));
    for (size_t p = 0; p < plan.quarter; ++p) UnitRoot(power * p, plan.size, re[p], im[p]);
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

// Headers of freed specs, handed out again by the next InitAlloc.
std::mutex gSpecPoolMutex;
std::vector<Spec*>& SpecPool() {
  static std::vector<Spec*>* pool = new std::vector<Spec*>;
  return *pool;
}

Spec* TakeSpec() {
  std::lock_guard lock(gSpecPoolMutex);
  auto& pool = SpecPool();
  if (pool.empty()) return new Spec;
  Spec* spec = pool.back();
  pool.pop_back();
  return spec;
}

void ReturnSpec(Spec* spec) {
  spec->kind = SpecKind::kFree;
  spec->real.reset();
  spec->complex.reset();
  std::lock_guard lock(gSpecPoolMutex);
  SpecPool().push_back(spec);
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
  Spec* spec = TakeSpec();
  try {
    makePlan(*spec);
  } catch (const std::bad_alloc&) {
    ReturnSpec(spec);
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

// Argument checks of a transform: null pointers, then the spec's kind.
template <class Opaque>
IppStatus CheckTransform(const void* src, const void* dst, const Opaque* spec, SpecKind kind) {
  if (src == nullptr || dst == nullptr || spec == nullptr) return ippStsNullPtrErr;
  return AsSpec(spec)->kind == kind ? ippStsNoErr : ippStsContextMatchErr;
}

IppStatus RunComplex(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pFFTSpec,
                     bool inverse) {
  if (IppStatus s = CheckTransform(pSrc, pDst, pFFTSpec, SpecKind::kComplex)) return s;
  const Spec& spec = *AsSpec(pFFTSpec);
  double* work = Scratch(4 * spec.complex->size);
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
  double* work = Scratch(6 * spec.real->half.size);
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
  double* work = Scratch(6 * spec.real->half.size);
  if (!work) return ippStsMemAllocErr;
  HWY_DYNAMIC_DISPATCH(RealInverse)(*spec.real, pSrc, pDst, spec.inverseScale, work);
  return ippStsNoErr;
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
