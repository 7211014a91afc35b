// Symmetric window functions (Bartlett, Hann, Hamming, Blackman) applied to real and complex data:
// pDst[n] = pSrc[n]·w(n) for n < N, the complex forms scaling both parts by the same weight.
//
// The weights are evaluated at the distance m = min(n, N−1−n) from the nearer end, so that
// w(n) = w(N−1−n) exactly, with Highway's vector cosine (within 3 ulp): results agree with the
// exact formulas to a few ulp, as IPP's own cosine recurrence does. An element's result does not
// depend on its position in a vector.
//
// Choices where IPP's documents leave a behaviour open:
// - The end samples take the exact end weight of the formula: 0 for Bartlett, Hann and Blackman
//   (every alpha), 0.54 − 0.46 for Hamming. For odd N the centre sample takes weight exactly 1,
//   as every one of the four formulas gives there. Samples are multiplied by these weights, not
//   overwritten, so an infinite end sample becomes NaN.
// - Bartlett's weight is m·(2/(N−1)) computed for each sample rather than stepped, so that it
//   does not accumulate rounding.
// - pSrc may equal pDst.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Windows.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <cstddef>

#include "hwy/contrib/math/math-inl.h"
#include "hwy/highway.h"
#include "kernels/KernelSupport.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"

#ifndef CORVANE_KERNELS_WINDOW_SHAPE_
#define CORVANE_KERNELS_WINDOW_SHAPE_
namespace corvane::kernels {

// The weight of a window of `len` samples as a function of the distance m from the nearer end.
struct WindowShape {
  enum Kind { kTriangle, kCosineSum } kind;
  size_t len;
  double step;        // triangle: w = m·step; cosine sum: θ = m·step
  double c0, c1, c2;  // cosine sum: w = c0 − c1·cos θ − c2·cos 2θ
  double end;         // w at m = 0
};

}  // namespace corvane::kernels
#endif

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

// The weights of the samples i, i+1, ... (as many as d has lanes).
template <class D>
HWY_INLINE hn::Vec<D> Weights(D d, size_t i, const WindowShape& shape) {
  const auto n = hn::Iota(d, double(i));
  const double last = double(shape.len - 1);
  const auto m = hn::Min(n, hn::Sub(hn::Set(d, last), n));
  hn::Vec<D> w;
  if (shape.kind == WindowShape::kTriangle) {
    w = hn::Mul(m, hn::Set(d, shape.step));
  } else {
    const auto theta = hn::Mul(m, hn::Set(d, shape.step));
    w = hn::Sub(hn::Set(d, shape.c0), hn::Mul(hn::Set(d, shape.c1), hn::Cos(d, theta)));
    if (shape.c2 != 0.0)
      w = hn::Sub(w, hn::Mul(hn::Set(d, shape.c2), hn::Cos(d, hn::Add(theta, theta))));
  }
  w = hn::IfThenElse(hn::Eq(m, hn::Zero(d)), hn::Set(d, shape.end), w);
  // Only an odd window has an integer centre.
  return hn::IfThenElse(hn::Eq(m, hn::Set(d, last / 2)), hn::Set(d, 1.0), w);
}

void ApplyWindow(const double* src, double* dst, const WindowShape& shape) {
  ForEachVector<double>(dst, shape.len, [&](auto d, size_t i) {
    hn::StoreU(hn::Mul(hn::LoadU(d, src + i), Weights(d, i, shape)), d, dst + i);
  });
}

void ApplyWindowComplex(Ipp64fc* data, const WindowShape& shape) {
  double* parts = &data->re;
  ForEachVector<double>(data, shape.len, [&](auto d, size_t i) {
    hn::Vec<decltype(d)> re, im;
    hn::LoadInterleaved2(d, parts + 2 * i, re, im);
    const auto w = Weights(d, i, shape);
    hn::StoreInterleaved2(hn::Mul(re, w), hn::Mul(im, w), d, parts + 2 * i);
  });
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(ApplyWindow);
HWY_EXPORT(ApplyWindowComplex);

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// The shapes, for len >= 3.
WindowShape Bartlett(int len) {
  return {WindowShape::kTriangle, size_t(len), 2.0 / (len - 1), 0, 0, 0, 0.0};
}
WindowShape CosineSum(int len, double c0, double c1, double c2, double end) {
  return {WindowShape::kCosineSum, size_t(len), kTwoPi / (len - 1), c0, c1, c2, end};
}
WindowShape Hann(int len) {
  return CosineSum(len, 0.5, 0.5, 0.0, 0.0);
}
WindowShape Hamming(int len) {
  return CosineSum(len, 0.54, 0.46, 0.0, 0.54 - 0.46);
}
WindowShape Blackman(int len, double alpha) {
  return CosineSum(len, (alpha + 1) * 0.5, 0.5, alpha * 0.5, 0.0);
}

// IPP's checks for every window: null pointers, then len < 3.
template <class... P>
IppStatus CheckWindowArgs(int len, const P*... pointers) {
  if (AnyNull(pointers...)) return ippStsNullPtrErr;
  return len < 3 ? ippStsSizeErr : ippStsNoErr;
}

template <class Shape>
IppStatus WindowReal(const Ipp64f* src, Ipp64f* dst, int len, const Shape& shape) {
  if (IppStatus s = CheckWindowArgs(len, src, dst)) return s;
  HWY_DYNAMIC_DISPATCH(ApplyWindow)(src, dst, shape(len));
  return ippStsNoErr;
}
template <class Shape>
IppStatus WindowComplex(Ipp64fc* data, int len, const Shape& shape) {
  if (IppStatus s = CheckWindowArgs(len, data)) return s;
  HWY_DYNAMIC_DISPATCH(ApplyWindowComplex)(data, shape(len));
  return ippStsNoErr;
}

auto BlackmanWith(double alpha) {
  return [alpha](int len) { return Blackman(len, alpha); };
}

}  // namespace

IppStatus ippsWinBartlett_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  return WindowReal(pSrc, pDst, len, Bartlett);
}
IppStatus ippsWinBartlett_64f_I(Ipp64f* pSrcDst, int len) {
  return WindowReal(pSrcDst, pSrcDst, len, Bartlett);
}
IppStatus ippsWinBartlett_64fc_I(Ipp64fc* pSrcDst, int len) {
  return WindowComplex(pSrcDst, len, Bartlett);
}
IppStatus ippsWinBlackman_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, double alpha) {
  return WindowReal(pSrc, pDst, len, BlackmanWith(alpha));
}
IppStatus ippsWinBlackman_64f_I(Ipp64f* pSrcDst, int len, double alpha) {
  return WindowReal(pSrcDst, pSrcDst, len, BlackmanWith(alpha));
}
IppStatus ippsWinBlackman_64fc_I(Ipp64fc* pSrcDst, int len, double alpha) {
  return WindowComplex(pSrcDst, len, BlackmanWith(alpha));
}
IppStatus ippsWinHamming_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  return WindowReal(pSrc, pDst, len, Hamming);
}
IppStatus ippsWinHamming_64f_I(Ipp64f* pSrcDst, int len) {
  return WindowReal(pSrcDst, pSrcDst, len, Hamming);
}
IppStatus ippsWinHamming_64fc_I(Ipp64fc* pSrcDst, int len) {
  return WindowComplex(pSrcDst, len, Hamming);
}
IppStatus ippsWinHann_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
  return WindowReal(pSrc, pDst, len, Hann);
}
IppStatus ippsWinHann_64f_I(Ipp64f* pSrcDst, int len) {
  return WindowReal(pSrcDst, pSrcDst, len, Hann);
}
IppStatus ippsWinHann_64fc_I(Ipp64fc* pSrcDst, int len) {
  return WindowComplex(pSrcDst, len, Hann);
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
