// When the correlation and convolution kernels go through the FFT: shared with their tests, which
// check both sides of the crossover.
#pragma once

#include <cstdint>

namespace corvane::kernels::correlation {

// The FFT pays off once the direct method's products outnumber kFftCrossover·L·log2(L), L the FFT
// length. Timed on an AVX-512 Xeon: for two real signals of equal length n both methods take about
// 0.5 µs near n = 48 (2304 products, L = 128), for two complex ones about 0.6 µs near n = 32
// (1024 products, L = 64); both put the crossover near 2.5·L·log2(L) products.
inline constexpr double kRealFftCrossover = 2.5;
inline constexpr double kComplexFftCrossover = 2.5;

// The FFT length for a full result of len1 + len2 - 1 points: the power of two at or above it.
inline int64_t FftLength(int64_t len1, int64_t len2) {
  int64_t length = 1;
  while (length < len1 + len2 - 1) length *= 2;
  return length;
}

inline bool UsesFft(int64_t products, int64_t fftLength, bool complex) {
  int log2 = 0;
  while ((int64_t(1) << log2) < fftLength) ++log2;
  const double crossover = complex ? kComplexFftCrossover : kRealFftCrossover;
  return fftLength >= 4 && double(products) > crossover * double(fftLength) * log2;
}

}  // namespace corvane::kernels::correlation
