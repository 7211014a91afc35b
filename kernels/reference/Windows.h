// Reference for the window kernels: IPP's window formulas evaluated directly in long double, for
// the tests to bound the vector kernels' rounding.
#pragma once

#include <cmath>
#include <numbers>

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

// w(n) of a window of len samples, exactly up to long double rounding.
inline long double BartlettWeight(int n, int len) {
  const long double x = 2.0L * n / (len - 1);
  return x <= 1 ? x : 2 - x;
}
inline long double CosineSumWeight(int n, int len, long double c0, long double c1, long double c2) {
  const long double theta = 2 * std::numbers::pi_v<long double> * n / (len - 1);
  return c0 - c1 * std::cos(theta) - c2 * std::cos(2 * theta);
}
inline long double HannWeight(int n, int len) {
  return CosineSumWeight(n, len, 0.5L, 0.5L, 0);
}
inline long double HammingWeight(int n, int len) {
  return CosineSumWeight(n, len, 0.54, 0.46, 0);  // IPP's constants are the doubles
}
inline long double BlackmanWeight(int n, int len, double alpha) {
  return CosineSumWeight(n, len, (alpha + 1.0L) / 2, 0.5L, alpha / 2.0L);
}

}  // namespace corvane::kernels::reference
