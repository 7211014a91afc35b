// Reference for the FIR and IIR kernels: the filters' difference equations evaluated in long
// double, for the tests to bound the kernels' rounding.
#pragma once

#include <cstddef>
#include <vector>

namespace corvane::kernels::reference {

// y(n) = Σ_k taps[k]·x(n−k), where x(−1−j) = pastNewestFirst[j] (zero beyond it).
inline std::vector<long double> FirOutputs(const std::vector<double>& taps,
                                           const std::vector<double>& x,
                                           const std::vector<double>& pastNewestFirst = {}) {
  const auto input = [&](std::ptrdiff_t m) -> long double {
    if (m >= 0) return x[size_t(m)];
    const size_t j = size_t(-1 - m);
    return j < pastNewestFirst.size() ? pastNewestFirst[j] : 0.0L;
  };
  std::vector<long double> y(x.size());
  for (size_t n = 0; n < x.size(); ++n)
    for (size_t k = 0; k < taps.size(); ++k)
      y[n] += taps[k] * input(std::ptrdiff_t(n) - std::ptrdiff_t(k));
  return y;
}

// A0·y(n) = Σ_k B_k·x(n−k) − Σ_{k≥1} A_k·y(n−k) from rest; b and a hold B_0.. and A_0...
inline std::vector<long double> IirOutputs(const std::vector<double>& b,
                                           const std::vector<double>& a,
                                           const std::vector<long double>& x) {
  std::vector<long double> y(x.size());
  for (size_t n = 0; n < x.size(); ++n) {
    long double sum = 0;
    for (size_t k = 0; k < b.size() && k <= n; ++k) sum += b[k] * x[n - k];
    for (size_t k = 1; k < a.size() && k <= n; ++k) sum -= a[k] * y[n - k];
    y[n] = sum / a[0];
  }
  return y;
}

}  // namespace corvane::kernels::reference
