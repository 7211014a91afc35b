// When the correlation and convolution kernels go through the FFT: shared with their tests, which
// check both sides of the crossover.
#pragma once

#include <cstdint>

namespace corvane::kernels::correlation {

// The FFT pays off once the direct method's products outnumber kFftCrossover·L·log2(L), L the FFT
// length. Measured on a Xeon (AVX-512): for two real signals of equal length n the FFT becomes
// faster from about n = 100, for complex ones from about n = 60.
inline constexpr double kRealFftCrossover = 1.6;
inline constexpr double kComplexFftCrossover = 1.1;

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
