// Powers of two as vectors, and the magnitude of complex values scaled so that it neither
// overflows nor underflows, compiled once per target (include after Loops-inl.h).

#if defined(CORVANE_KERNELS_MAGNITUDE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef CORVANE_KERNELS_MAGNITUDE_INL_H_
#undef CORVANE_KERNELS_MAGNITUDE_INL_H_
#else
#define CORVANE_KERNELS_MAGNITUDE_INL_H_
#endif

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// 2^e for integer lanes e in [-1022, 1023].
template <class D, class VI>
HWY_INLINE hn::Vec<D> Pow2(D d, VI e) {
  const hn::RebindToSigned<D> di;
  return hn::BitCast(d, hn::ShiftLeft<52>(hn::Add(e, hn::Set(di, 1023))));
}

// Even exponent e with 2^e <= big < 2^(e+2), limited to [-1022, 1022] so that 2^-e is a normal
// double; zero and denormal `big` get -1022, infinite and NaN `big` get 1022.
template <class D>
HWY_INLINE hn::Vec<hn::RebindToSigned<D>> EvenExponent(D, hn::Vec<D> big) {
  const hn::RebindToSigned<D> di;
  const auto biased = hn::ShiftRight<52>(hn::BitCast(di, big));
  const auto even = hn::And(hn::Sub(biased, hn::Set(di, 1023)), hn::Set(di, -2));
  return hn::Min(hn::Max(even, hn::Set(di, -1022)), hn::Set(di, 1022));
}

// The parts of complex values scaled by 2^-exponent, which brings the larger part of each into
// [1, 4), and the scaled magnitude sqrt(re² + im²) of the scaled parts.
template <class D>
struct ScaledComplex {
  hn::Vec<D> re, im, magnitude;
  hn::Vec<hn::RebindToSigned<D>> exponent;
};

// Scaling by a power of two is exact, so the squares of the scaled parts lose nothing to overflow
// or underflow (as in hypot), and wherever the plain sqrt(re² + im²) neither overflows nor
// underflows, magnitude·2^exponent has its bits.
template <class D>
HWY_INLINE ScaledComplex<D> ScaleComplex(D d, hn::Vec<D> re, hn::Vec<D> im) {
  const auto exponent = EvenExponent(d, hn::Max(hn::Abs(re), hn::Abs(im)));
  const auto scaleDown = Pow2(d, hn::Neg(exponent));
  const auto sre = hn::Mul(re, scaleDown), sim = hn::Mul(im, scaleDown);
  return {sre, sim, hn::Sqrt(hn::Add(hn::Mul(sre, sre), hn::Mul(sim, sim))), exponent};
}

// |z| = sqrt(re² + im²) over the whole double range: NaN when a part is NaN, else infinite only
// when a part is infinite or |z| exceeds DBL_MAX.
template <class D>
HWY_INLINE hn::Vec<D> Magnitude(D d, hn::Vec<D> re, hn::Vec<D> im) {
  const auto scaled = ScaleComplex(d, re, im);
  return hn::Mul(scaled.magnitude, Pow2(d, scaled.exponent));
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
