// The runtime's complex number: two doubles, real part first, so that an array of TComplex is
// an array of IPP's Ipp64fc.
#pragma once

#include <cmath>

namespace kelvra {

struct TComplex {
  double Real = 0.0;
  double Imag = 0.0;

  friend constexpr TComplex operator+(TComplex a, TComplex b) { return {a.Real + b.Real, a.Imag + b.Imag}; }
  friend constexpr TComplex operator-(TComplex a, TComplex b) { return {a.Real - b.Real, a.Imag - b.Imag}; }
  friend constexpr TComplex operator*(TComplex a, TComplex b) {
    return {a.Real * b.Real - a.Imag * b.Imag, a.Real * b.Imag + a.Imag * b.Real};
  }
  // Textbook quotient, the formula IPP documents for its complex division.
  friend constexpr TComplex operator/(TComplex a, TComplex b) {
    double d = b.Real * b.Real + b.Imag * b.Imag;
    return {(a.Real * b.Real + a.Imag * b.Imag) / d, (a.Imag * b.Real - a.Real * b.Imag) / d};
  }
  friend constexpr bool operator==(TComplex, TComplex) = default;

  double Abs() const { return std::hypot(Real, Imag); }
  constexpr TComplex Conjugate() const { return {Real, -Imag}; }
  constexpr TComplex Square() const { return *this * *this; }
  // Principal square root: non-negative real part, imaginary part with the sign of Imag.
  TComplex SquareRoot() const {
    double r = Abs();
    return {std::sqrt((r + Real) / 2), std::copysign(std::sqrt((r - Real) / 2), Imag)};
  }
};

static_assert(sizeof(TComplex) == 2 * sizeof(double), "TComplex must have the layout of Ipp64fc");

}  // namespace kelvra
