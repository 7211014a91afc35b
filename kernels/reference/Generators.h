// Reference for the Jaehne generator and the complex L2 norm: IPP's formulas evaluated directly
// in long double, for the tests to bound the kernels' rounding.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

#include "corvane/numeric/IPPPTypes.h"

namespace corvane::kernels::reference {

// The sine's argument is reduced by its period exactly, so that long double keeps its precision
// for large n.
inline long double JaehneValue(int64_t n, int len, double magn) {
  const int64_t reduced = n * n % (4 * int64_t(len));
  return magn * std::sin(std::numbers::pi_v<long double> / 2 * reduced / len);
}

inline long double NormL2(const Ipp64fc* src, int len) {
  long double sum = 0;
  for (int i = 0; i < len; ++i)
    sum += (long double)src[i].re * src[i].re + (long double)src[i].im * src[i].im;
  return std::sqrt(sum);
}

}  // namespace corvane::kernels::reference
