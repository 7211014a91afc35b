#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <vector>

#include "kernels/Correlation.h"
#include "kernels/ipps.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::RandomComplex;
using test::RandomReals;
using LComplex = std::complex<long double>;

constexpr double kTolerance = 1e-12;

LComplex Long(double x) { return x; }
LComplex Long(const Ipp64fc& z) { return {z.re, z.im}; }
LComplex Conj(double x) { return x; }
LComplex Conj(const Ipp64fc& z) { return {z.re, -z.im}; }

// Σ conj(a[i])·b[i + lag] over the i where both exist.
template <class T>
LComplex Correlation(const std::vector<T>& a, const std::vector<T>& b, int64_t lag) {
  LComplex sum = 0;
  for (int64_t i = 0; i < int64_t(a.size()); ++i)
    if (i + lag >= 0 && i + lag < int64_t(b.size())) sum += Conj(a[i]) * Long(b[i + lag]);
  return sum;
}

template <class T>
long double Norm(const std::vector<T>& x) {
  long double sum = 0;
  for (const T& v : x) sum += std::norm(Long(v));
  return std::sqrt(sum);
}

// Every output within kTolerance·‖a‖·‖b‖ (the Cauchy-Schwarz bound on each output) of `want`.
template <class T>
void ExpectClose(const std::vector<T>& got, const std::vector<LComplex>& want, long double scale,
                 const char* what) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t n = 0; n < want.size(); ++n)
    ASSERT_LE(double(std::abs(Long(got[n]) - want[n]) / scale), kTolerance)
        << what << ", output " << n << " of " << want.size();
}

template <class T>
std::vector<T> Random(int n, uint32_t seed) {
  if constexpr (std::is_same_v<T, Ipp64f>) return RandomReals(n, seed, -1, 1, false);
  else return RandomComplex(n, seed, -1, 1, false);
}

template <class T, class CrossCorr>
void CheckCrossCorrelation(CrossCorr crossCorr) {
  struct Case { int len1, len2, dstLen, lowLag; };
  const Case cases[] = {{9, 5, 13, -8}, {5, 9, 13, -4}, {1, 1, 1, 0},   {7, 3, 4, 2},
                        {4, 6, 3, 10},  {4, 6, 3, -20}, {30, 50, 200, -100},
                        {1000, 700, 1699, -999}, {3, 2000, 500, 700},
                        {600, 800, 20, INT_MAX - 10}, {600, 800, 20, INT_MIN}};
  for (const Case& c : cases) {
    const auto a = Random<T>(c.len1, c.len1), b = Random<T>(c.len2, c.len2 + 1);
    std::vector<T> got(c.dstLen);
    ASSERT_EQ(crossCorr(a.data(), c.len1, b.data(), c.len2, got.data(), c.dstLen, c.lowLag),
              ippStsNoErr);
    std::vector<LComplex> want(c.dstLen);
    for (int n = 0; n < c.dstLen; ++n) want[n] = Correlation(a, b, int64_t(n) + c.lowLag);
    ExpectClose(got, want, Norm(a) * Norm(b), "cross-correlation");
  }
}

KERNEL_TEST(Correlation, CrossCorrelationMatchesTheDirectSum, ippsCrossCorr_64f,
            ippsCrossCorr_64fc) {
  CheckCrossCorrelation<Ipp64f>(ippsCrossCorr_64f);
  CheckCrossCorrelation<Ipp64fc>(ippsCrossCorr_64fc);
}

template <class T, class AutoCorr>
void CheckAutoCorrelation(AutoCorr autoCorr, int normalisation) {
  for (int srcLen : {1, 5, 40, 1500}) {
    for (int dstLen : {1, srcLen / 2 + 1, srcLen, srcLen + 7}) {
      const auto x = Random<T>(srcLen, srcLen);
      std::vector<T> got(dstLen, T{});
      ASSERT_EQ(autoCorr(x.data(), srcLen, got.data(), dstLen), ippStsNoErr);
      std::vector<LComplex> want(dstLen);
      for (int n = 0; n < std::min(srcLen, dstLen); ++n) {
        const long double divisor = normalisation == 0 ? 1 : normalisation == 1 ? srcLen : srcLen - n;
        want[n] = Correlation(x, x, n) / divisor;
      }
      ExpectClose(got, want, Norm(x) * Norm(x) / (normalisation == 0 ? 1 : srcLen),
                  "auto-correlation");
    }
  }
}

KERNEL_TEST(Correlation, AutoCorrelationMatchesTheDirectSumWithEachNormalisation, ippsAutoCorr_64f,
            ippsAutoCorr_NormA_64f, ippsAutoCorr_NormB_64f, ippsAutoCorr_64fc,
            ippsAutoCorr_NormA_64fc, ippsAutoCorr_NormB_64fc) {
  CheckAutoCorrelation<Ipp64f>(ippsAutoCorr_64f, 0);
  CheckAutoCorrelation<Ipp64f>(ippsAutoCorr_NormA_64f, 1);
  CheckAutoCorrelation<Ipp64f>(ippsAutoCorr_NormB_64f, 2);
  CheckAutoCorrelation<Ipp64fc>(ippsAutoCorr_64fc, 0);
  CheckAutoCorrelation<Ipp64fc>(ippsAutoCorr_NormA_64fc, 1);
  CheckAutoCorrelation<Ipp64fc>(ippsAutoCorr_NormB_64fc, 2);
}

KERNEL_TEST(Correlation, ComplexAutoCorrelationConjugatesTheEarlierSample) {
  const Ipp64fc x[] = {{1, 0}, {0, 1}};  // r[1] = conj(x0)·x1 = i
  Ipp64fc r[2];
  ASSERT_EQ(ippsAutoCorr_64fc(x, 2, r, 2), ippStsNoErr);
  EXPECT_EQ(r[1].re, 0.0);
  EXPECT_EQ(r[1].im, 1.0);
}

std::vector<LComplex> Convolution(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<LComplex> c(a.size() + b.size() - 1);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) c[i + j] += (long double)a[i] * b[j];
  return c;
}

void CheckConvolution(int len1, int len2) {
  const auto a = RandomReals(len1, len1, -1, 1, false), b = RandomReals(len2, 7, -1, 1, false);
  const auto want = Convolution(a, b);
  std::vector<double> got(len1 + len2 - 1), swapped(got.size());
  ASSERT_EQ(ippsConv_64f(a.data(), len1, b.data(), len2, got.data()), ippStsNoErr);
  ASSERT_EQ(ippsConv_64f(b.data(), len2, a.data(), len1, swapped.data()), ippStsNoErr);
  ExpectClose(got, want, Norm(a) * Norm(b), "convolution");
  ExpectClose(swapped, want, Norm(a) * Norm(b), "convolution, swapped");
}

KERNEL_TEST(Correlation, ConvolutionMatchesTheDirectSum, ippsConv_64f) {
  for (auto [len1, len2] : {std::pair{1, 1}, {1, 9}, {3, 17}, {64, 64}, {2000, 5}, {900, 1300}})
    CheckConvolution(len1, len2);
}

// The shortest equal length of two signals that the FFT serves.
int FftCrossoverLength(bool complex) {
  int n = 1;
  while (!correlation::UsesFft(int64_t(n) * n, correlation::FftLength(n, n), complex)) ++n;
  return n;
}

KERNEL_TEST(Correlation, BothSidesOfTheFftCrossoverAgree) {
  const int real = FftCrossoverLength(false), complex = FftCrossoverLength(true);
  for (int n : {real - 1, real}) CheckConvolution(n, n);
  for (int n : {complex - 1, complex}) {
    const auto a = RandomComplex(n, 1, -1, 1, false), b = RandomComplex(n, 2, -1, 1, false);
    std::vector<Ipp64fc> got(2 * n - 1);
    ASSERT_EQ(ippsCrossCorr_64fc(a.data(), n, b.data(), n, got.data(), 2 * n - 1, 1 - n),
              ippStsNoErr);
    std::vector<LComplex> want(2 * n - 1);
    for (int k = 0; k < 2 * n - 1; ++k) want[k] = Correlation(a, b, k + 1 - n);
    ExpectClose(got, want, Norm(a) * Norm(b), "complex cross-correlation");
  }
}

TEST(Correlation, RunningOutOfMemoryOnTheFftPathIsAStatusAndWritesNothing) {
  const int n = 2 * std::max(FftCrossoverLength(false), FftCrossoverLength(true));
  const auto x = RandomReals(n, 1, -1, 1, false);
  const auto z = RandomComplex(n, 2, -1, 1, false);
  std::vector<double> out(size_t(2 * n - 1), 7.0);
  std::vector<Ipp64fc> zOut(size_t(2 * n - 1), Ipp64fc{7, 7});
  {
    test::OutOfMemory outOfMemory;
    EXPECT_EQ(ippsConv_64f(x.data(), n, x.data(), n, out.data()), ippStsMemAllocErr);
    EXPECT_EQ(ippsCrossCorr_64f(x.data(), n, x.data(), n, out.data(), 2 * n - 1, 1 - n),
              ippStsMemAllocErr);
    EXPECT_EQ(ippsAutoCorr_NormB_64f(x.data(), n, out.data(), n), ippStsMemAllocErr);
    EXPECT_EQ(ippsCrossCorr_64fc(z.data(), n, z.data(), n, zOut.data(), 2 * n - 1, 1 - n),
              ippStsMemAllocErr);
    EXPECT_EQ(ippsAutoCorr_64fc(z.data(), n, zOut.data(), n), ippStsMemAllocErr);
  }
  for (double v : out) ASSERT_EQ(v, 7.0);
  for (const Ipp64fc& v : zOut) ASSERT_TRUE(v.re == 7 && v.im == 7);
}

TEST(Correlation, ArgumentsAreChecked) {
  double x[4] = {1, 2, 3, 4}, out[8] = {5, 5, 5, 5, 5, 5, 5, 5};
  Ipp64fc z[4] = {}, zOut[4] = {};
  EXPECT_EQ(ippsAutoCorr_64f(nullptr, 4, out, 4), ippStsNullPtrErr);
  EXPECT_EQ(ippsAutoCorr_NormB_64f(x, 4, nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(ippsAutoCorr_NormA_64fc(z, 0, zOut, 4), ippStsSizeErr);
  EXPECT_EQ(ippsAutoCorr_64fc(z, 4, zOut, -1), ippStsSizeErr);
  EXPECT_EQ(ippsAutoCorr_NormB_64fc(nullptr, 0, zOut, 4), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64f(x, 4, nullptr, 4, out, 4, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64f(x, 4, x, 0, out, 4, 0), ippStsSizeErr);
  EXPECT_EQ(ippsCrossCorr_64fc(z, 4, z, 4, zOut, 0, 0), ippStsSizeErr);
  EXPECT_EQ(ippsCrossCorr_64fc(nullptr, 4, z, 4, zOut, 4, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConv_64f(x, 4, x, 4, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsConv_64f(x, 0, x, 4, out), ippStsSizeErr);
  EXPECT_EQ(ippsConv_64f(x, 4, x, -3, out), ippStsSizeErr);
  for (double v : out) EXPECT_EQ(v, 5.0);
}

}  // namespace
}  // namespace corvane::kernels
