#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Statistics.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::kLengths;
using test::Misaligned;
using test::RandomComplex;
using test::RandomDoubles;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kEps = std::numeric_limits<double>::epsilon();

// Finite data with a nonzero mean, so that sums both accumulate and cancel.
std::vector<double> SumData(int len, uint32_t seed) {
  return RandomDoubles(len, seed, -60, 140, false);
}

long double SumOfMagnitudes(const std::vector<double>& terms) {
  long double sum = 0;
  for (double t : terms) sum += std::fabs(t);
  return sum;
}

// A sum of len doubles in any order is off the exact one by at most len·eps·Σ|terms|.
void ExpectSumClose(double want, double got, int len, long double magnitude) {
  EXPECT_NEAR(got, want, double(len * kEps * magnitude)) << "len " << len;
}

TEST(Statistics, SumsAgreeWithLongDoubleReference) {
  for (int len : kLengths) {
    const auto x = SumData(len, 10 + len), y = SumData(len, 20 + len);
    Misaligned<double> mx(x), my(y);
    std::vector<double> products(x.size()), differences(x.size());
    for (size_t i = 0; i < x.size(); ++i) products[i] = x[i] * y[i], differences[i] = x[i] - y[i];
    double want = 0, got = 0;

    reference::ippsSum_64f(x.data(), len, &want);
    ASSERT_EQ(ippsSum_64f(mx.Data(), len, &got), ippStsNoErr);
    ExpectSumClose(want, got, len, SumOfMagnitudes(x));

    reference::ippsMean_64f(x.data(), len, &want);
    ippsMean_64f(mx.Data(), len, &got);
    ExpectSumClose(want, got, len, SumOfMagnitudes(x) / len);

    reference::ippsDotProd_64f(x.data(), y.data(), len, &want);
    ippsDotProd_64f(mx.Data(), my.Data(), len, &got);
    ExpectSumClose(want, got, len, SumOfMagnitudes(products));

    reference::ippsNormDiff_L1_64f(x.data(), y.data(), len, &want);
    ippsNormDiff_L1_64f(mx.Data(), my.Data(), len, &got);
    ExpectSumClose(want, got, len, want);

    reference::ippsNormDiff_L2_64f(x.data(), y.data(), len, &want);
    ippsNormDiff_L2_64f(mx.Data(), my.Data(), len, &got);
    ExpectSumClose(want, got, len, want);

    if (len > 1) {
      reference::ippsStdDev_64f(x.data(), len, &want);
      ASSERT_EQ(ippsStdDev_64f(mx.Data(), len, &got), ippStsNoErr);
      ExpectSumClose(want, got, len, want);
    }

    const auto floats = test::ToFloats(x);
    Misaligned<float> mf(floats);
    float wantF = 0, gotF = 0;
    reference::ippsMean_32f(floats.data(), len, &wantF, ippAlgHintFast);
    ippsMean_32f(mf.Data(), len, &gotF, ippAlgHintFast);
    EXPECT_NEAR(gotF, wantF, std::fabs(wantF) * std::numeric_limits<float>::epsilon()) << len;
  }
}

TEST(Statistics, ComplexDotProductDoesNotConjugate) {
  for (int len : kLengths) {
    const auto a = RandomComplex(len, 30 + len, -60, 140, false);
    const auto b = RandomComplex(len, 40 + len, -60, 140, false);
    Misaligned<Ipp64fc> ma(a), mb(b);
    Ipp64fc want{}, got{};
    reference::ippsDotProd_64fc(a.data(), b.data(), len, &want);
    ASSERT_EQ(ippsDotProd_64fc(ma.Data(), mb.Data(), len, &got), ippStsNoErr);
    long double magnitude = 0;
    for (int i = 0; i < len; ++i)
      magnitude += std::hypot(a[i].re, a[i].im) * std::hypot(b[i].re, b[i].im);
    ExpectSumClose(want.re, got.re, 2 * len, magnitude);
    ExpectSumClose(want.im, got.im, 2 * len, magnitude);
  }
  const std::vector<Ipp64fc> a = {{1, 2}, {3, -1}}, b = {{0, 1}, {2, 2}};
  Ipp64fc dp{};
  ippsDotProd_64fc(a.data(), b.data(), 2, &dp);
  EXPECT_EQ(dp.re, -2 + 8);  // (1+2i)·i + (3-i)(2+2i) = (-2+i) + (8+4i)
  EXPECT_EQ(dp.im, 1 + 4);
}

TEST(Statistics, SumsPropagateInfinityAndNaN) {
  const std::vector<double> withInf = {1, kInf, 2, 3, 4, 5}, withNaN = {1, 2, 3, 4, kNaN, 6},
                            opposite = {kInf, 1, 2, 3, 4, -kInf};
  double result = 0;
  ippsSum_64f(withInf.data(), 6, &result);
  EXPECT_EQ(result, kInf);
  ippsSum_64f(withNaN.data(), 6, &result);
  EXPECT_TRUE(std::isnan(result));
  ippsSum_64f(opposite.data(), 6, &result);
  EXPECT_TRUE(std::isnan(result));
  ippsDotProd_64f(withInf.data(), withInf.data(), 6, &result);
  EXPECT_EQ(result, kInf);
  ippsNormDiff_L2_64f(withNaN.data(), withInf.data(), 6, &result);
  EXPECT_TRUE(std::isnan(result));
}

TEST(Statistics, StdDevIsTheUnbiasedEstimate) {
  const std::vector<double> x = {2, 4, 4, 4, 5, 5, 7, 9};
  double stdDev = 0;
  ASSERT_EQ(ippsStdDev_64f(x.data(), 8, &stdDev), ippStsNoErr);
  EXPECT_DOUBLE_EQ(stdDev, std::sqrt(32.0 / 7));
  // A large offset must not cost the precision that a one-pass Σx² - (Σx)²/n would lose.
  const std::vector<double> shifted = {1e9 + 1, 1e9 + 2, 1e9 + 3};
  ippsStdDev_64f(shifted.data(), 3, &stdDev);
  EXPECT_DOUBLE_EQ(stdDev, 1.0);
}

using TExtreme = IppStatus (*)(const Ipp64f*, int, Ipp64f*);
using TExtremeIndex = IppStatus (*)(const Ipp64f*, int, Ipp64f*, int*);

// Every extremum kernel against the reference, bit for bit (the sign of zeros and the payload of
// NaN included) and index for index.
void ExpectExtremaMatch(const std::vector<double>& x) {
  const int len = int(x.size());
  Misaligned<double> mx(x);
  for (auto [kernel, expected] :
       {std::pair<TExtreme, TExtreme>{ippsMin_64f, reference::ippsMin_64f},
        {ippsMax_64f, reference::ippsMax_64f}}) {
    std::vector<double> want(1), got(1);
    expected(x.data(), len, want.data());
    ASSERT_EQ(kernel(mx.Data(), len, got.data()), ippStsNoErr);
    EXPECT_TRUE(BitwiseEqual(want, got));
  }
  for (auto [kernel, expected] :
       {std::pair<TExtremeIndex, TExtremeIndex>{ippsMinIndx_64f, reference::ippsMinIndx_64f},
        {ippsMaxIndx_64f, reference::ippsMaxIndx_64f}}) {
    std::vector<double> want(1), got(1), valueOnly(1);
    int wantIndex = -1, gotIndex = -1;
    expected(x.data(), len, want.data(), &wantIndex);
    ASSERT_EQ(kernel(mx.Data(), len, got.data(), &gotIndex), ippStsNoErr);
    EXPECT_TRUE(BitwiseEqual(want, got));
    EXPECT_EQ(wantIndex, gotIndex);
    ASSERT_EQ(kernel(mx.Data(), len, valueOnly.data(), nullptr), ippStsNoErr);
    EXPECT_TRUE(BitwiseEqual(want, valueOnly));
  }
  std::vector<double> want(2), got(2);
  reference::ippsMinMax_64f(x.data(), len, &want[0], &want[1]);
  ASSERT_EQ(ippsMinMax_64f(mx.Data(), len, &got[0], &got[1]), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(want, got));
}

// Few distinct values, so that extremes repeat, with zeros of both signs and NaNs among them.
std::vector<double> ManyTies(int len, uint32_t seed) {
  const double values[] = {-0.0, 0.0, 1.0, -1.0, kNaN, 2.0};
  auto picks = test::RandomIntegers<int>(len, seed, 0, 5);
  std::vector<double> x(picks.size());
  for (size_t i = 0; i < x.size(); ++i) x[i] = values[picks[i]];
  return x;
}

TEST(Statistics, ExtremaMatchReferenceBitForBit) {
  for (int len : kLengths) {
    SCOPED_TRACE(len);
    ExpectExtremaMatch(RandomDoubles(len, 50 + len));
    ExpectExtremaMatch(RandomDoubles(len, 60 + len, -1e6, 1e6, false));
    ExpectExtremaMatch(ManyTies(len, 70 + len));
    ExpectExtremaMatch(std::vector<double>(size_t(len), kNaN));
    std::vector<double> zeros(size_t(len), 0.0);
    zeros.back() = -0.0;  // the first zero wins whatever its sign
    ExpectExtremaMatch(zeros);
    std::vector<double> infinities(size_t(len), kInf);
    infinities.front() = kNaN;
    ExpectExtremaMatch(infinities);
    std::vector<double> ramp(static_cast<size_t>(len));  // a new extreme in every block of the screening
    for (int i = 0; i < len; ++i) ramp[size_t(i)] = i % 3 == 1 ? kNaN : i;
    ExpectExtremaMatch(ramp);
    std::vector<double> negativeInfinities(size_t(len), -kInf);
    negativeInfinities.front() = kNaN;
    ExpectExtremaMatch(negativeInfinities);
  }
}

TEST(Statistics, ExtremaTakeTheFirstIndexAndIgnoreNaN) {
  const std::vector<double> x = {kNaN, 3, 1, 7, 1, 7, kNaN, -0.0, 0.0};
  double value = 0;
  int index = -1;
  ippsMinIndx_64f(x.data(), 7, &value, &index);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(index, 2);
  ippsMaxIndx_64f(x.data(), 7, &value, &index);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(index, 3);
  ippsMinIndx_64f(x.data() + 7, 2, &value, &index);
  EXPECT_TRUE(std::signbit(value));
  EXPECT_EQ(index, 0);

  const std::vector<double> allNaN = {kNaN, kNaN, kNaN};
  ippsMaxIndx_64f(allNaN.data(), 3, &value, &index);
  EXPECT_TRUE(std::isnan(value));
  EXPECT_EQ(index, 0);
  double min = 0, max = 0;
  ippsMinMax_64f(allNaN.data(), 3, &min, &max);
  EXPECT_TRUE(std::isnan(min) && std::isnan(max));
}

TEST(Statistics, InfinityNormIsExactAndPropagatesNaN) {
  for (int len : kLengths) {
    for (bool specials : {false, true}) {
      const auto a = RandomDoubles(len, 80 + len, -100, 100, specials);
      const auto b = RandomDoubles(len, 90 + len, -100, 100, specials);
      Misaligned<double> ma(a), mb(b);
      std::vector<double> want(1), got(1);
      reference::ippsNormDiff_Inf_64f(a.data(), b.data(), len, want.data());
      ASSERT_EQ(ippsNormDiff_Inf_64f(ma.Data(), mb.Data(), len, got.data()), ippStsNoErr);
      EXPECT_TRUE(want[0] == got[0] || (std::isnan(want[0]) && std::isnan(got[0]))) << len;
    }
  }
  const std::vector<double> a = {1, 2, kInf, 5, 1}, b = {0, 0, kInf, 0, 0};
  double norm = 0;
  ippsNormDiff_Inf_64f(a.data(), b.data(), 5, &norm);
  EXPECT_TRUE(std::isnan(norm));  // Inf - Inf
  ippsNormDiff_Inf_64f(a.data(), b.data(), 2, &norm);
  EXPECT_EQ(norm, 2);
}

TEST(Statistics, IntegerDotProductIsExactThenScaledAndSaturated) {
  const int scaleFactors[] = {-3, 0, 1, 16, 31, 33, 40, 62, 70, 100};
  for (int len : kLengths) {
    const auto a = test::RandomIntegers<Ipp32s>(len, 100 + len);
    const auto b = test::RandomIntegers<Ipp32s>(len, 110 + len);
    const auto small = test::RandomIntegers<Ipp32s>(len, 120 + len, -3000, 3000);
    Misaligned<Ipp32s> ma(a), mb(b), msmall(small);
    for (int sf : scaleFactors) {
      Ipp32s want = 0, got = 0;
      reference::ippsDotProd_32s_Sfs(a.data(), b.data(), len, &want, sf);
      ASSERT_EQ(ippsDotProd_32s_Sfs(ma.Data(), mb.Data(), len, &got, sf), ippStsNoErr);
      EXPECT_EQ(want, got) << "len " << len << " sf " << sf;
      reference::ippsDotProd_32s_Sfs(small.data(), b.data(), len, &want, sf);
      ippsDotProd_32s_Sfs(msmall.Data(), mb.Data(), len, &got, sf);
      EXPECT_EQ(want, got) << "small, len " << len << " sf " << sf;
    }
  }
}

Ipp32s DotProd32s(std::vector<Ipp32s> a, std::vector<Ipp32s> b, int scaleFactor) {
  Ipp32s dp = 0;
  EXPECT_EQ(ippsDotProd_32s_Sfs(a.data(), b.data(), int(a.size()), &dp, scaleFactor), ippStsNoErr);
  return dp;
}

TEST(Statistics, IntegerDotProductRoundsTiesToEven) {
  EXPECT_EQ(DotProd32s({5}, {1}, 1), 2);
  EXPECT_EQ(DotProd32s({7}, {1}, 1), 4);
  EXPECT_EQ(DotProd32s({-5}, {1}, 1), -2);
  EXPECT_EQ(DotProd32s({-7}, {1}, 1), -4);
  EXPECT_EQ(DotProd32s({-1}, {1}, 1), 0);
  EXPECT_EQ(DotProd32s({-1}, {1}, 1000), 0);
  EXPECT_EQ(DotProd32s({3}, {5}, -2), 60);
  EXPECT_EQ(DotProd32s({1}, {1}, -40), INT32_MAX);
  EXPECT_EQ(DotProd32s({-1}, {1}, std::numeric_limits<int>::min()), INT32_MIN);
  EXPECT_EQ(DotProd32s({0}, {0}, -1000), 0);
  // 4·2^62 = 2^64 needs more than 64 bits before it is scaled.
  EXPECT_EQ(DotProd32s({INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
                       {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN}, 40),
            1 << 24);
  // 2^62 + 2^31 + 1 is just above the tie 2^30 + 1/2; a double sum would drop the 1.
  EXPECT_EQ(DotProd32s({INT32_MIN, 1 << 16, 1}, {INT32_MIN, 1 << 15, 1}, 32), (1 << 30) + 1);
}

using TNormalize64 = IppStatus (*)(const Ipp64f*, Ipp64f*, int, Ipp64f, Ipp64f);

TEST(Statistics, NormalizeMatchesReferenceBitForBit) {
  for (double vdiv : {3.0, -0.7, 1e-300, std::numeric_limits<double>::min()}) {
    for (int len : kLengths) {
      SCOPED_TRACE(testing::Message() << "vdiv " << vdiv << " len " << len);
      const auto x = RandomDoubles(len, 130 + len);
      std::vector<double> want(x.size());
      Misaligned<double> mx(x), mdst(want), minPlace(x);
      reference::ippsNormalize_64f(x.data(), want.data(), len, 1.5, vdiv);
      ASSERT_EQ(ippsNormalize_64f(mx.Data(), mdst.Data(), len, 1.5, vdiv), ippStsNoErr);
      ASSERT_EQ(ippsNormalize_64f(minPlace.Data(), minPlace.Data(), len, 1.5, vdiv), ippStsNoErr);
      EXPECT_TRUE(BitwiseEqual(want, mdst.Values()));
      EXPECT_TRUE(BitwiseEqual(want, minPlace.Values()));

      const auto f = test::ToFloats(x);
      std::vector<float> wantF(f.size());
      Misaligned<float> mf(f), mdstF(wantF);
      const float vdivF = std::fabs(vdiv) < 1e-30 ? 1e-30f : float(vdiv);
      reference::ippsNormalize_32f(f.data(), wantF.data(), len, -2.5f, vdivF);
      ASSERT_EQ(ippsNormalize_32f(mf.Data(), mdstF.Data(), len, -2.5f, vdivF), ippStsNoErr);
      EXPECT_TRUE(BitwiseEqual(wantF, mdstF.Values()));

      const auto z = RandomComplex(len, 140 + len);
      std::vector<Ipp64fc> wantZ(z.size());
      Misaligned<Ipp64fc> mz(z), mdstZ(wantZ), mzInPlace(z);
      reference::ippsNormalize_64fc(z.data(), wantZ.data(), len, {1.5, -4}, vdiv);
      ASSERT_EQ(ippsNormalize_64fc(mz.Data(), mdstZ.Data(), len, {1.5, -4}, vdiv), ippStsNoErr);
      ippsNormalize_64fc(mzInPlace.Data(), mzInPlace.Data(), len, {1.5, -4}, vdiv);
      EXPECT_TRUE(BitwiseEqual(wantZ, mdstZ.Values()));
      EXPECT_TRUE(BitwiseEqual(wantZ, mzInPlace.Values()));
    }
  }
}

TEST(Statistics, NormalizeRejectsDivisorsBelowTheSmallestNormal) {
  std::vector<double> x = {1, 2}, dst = {7, 7};
  const double subnormal = std::numeric_limits<double>::denorm_min();
  for (double vdiv : {0.0, -0.0, subnormal, -subnormal, -1e-308})
    EXPECT_EQ(ippsNormalize_64f(x.data(), dst.data(), 2, 0, vdiv), ippStsDivByZeroErr) << vdiv;
  EXPECT_EQ(dst, (std::vector<double>{7, 7}));
  const double smallestNormal = std::numeric_limits<double>::min();
  EXPECT_EQ(ippsNormalize_64f(x.data(), dst.data(), 2, 0, -smallestNormal), ippStsNoErr);
  EXPECT_EQ(dst[0], -1 / smallestNormal);

  std::vector<float> xf = {1, 2}, dstF = {7, 7};
  EXPECT_EQ(ippsNormalize_32f(xf.data(), dstF.data(), 2, 0, 1e-39f), ippStsDivByZeroErr);
  EXPECT_EQ(dstF, (std::vector<float>{7, 7}));
  std::vector<Ipp64fc> z = {{1, 1}}, dstZ = {{7, 7}};
  EXPECT_EQ(ippsNormalize_64fc(z.data(), dstZ.data(), 1, {0, 0}, 0.0), ippStsDivByZeroErr);
  EXPECT_EQ(ippsNormalize_64fc(nullptr, dstZ.data(), 1, {0, 0}, 0.0), ippStsNullPtrErr);
  EXPECT_EQ(ippsNormalize_64fc(z.data(), dstZ.data(), 0, {0, 0}, 0.0), ippStsSizeErr);
  EXPECT_EQ(dstZ[0].re, 7);
}

TEST(Statistics, BadArgumentsWriteNothing) {
  const std::vector<double> x = {1, 2, 3};
  const std::vector<Ipp32s> xi = {1, 2};
  double out = 7;
  int index = 7;
  Ipp32s outI = 7;
  EXPECT_EQ(ippsSum_64f(nullptr, 3, &out), ippStsNullPtrErr);
  EXPECT_EQ(ippsSum_64f(x.data(), 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsSum_64f(x.data(), 0, &out), ippStsSizeErr);
  EXPECT_EQ(ippsMean_64f(x.data(), -1, &out), ippStsSizeErr);
  EXPECT_EQ(ippsStdDev_64f(x.data(), 1, &out), ippStsSizeErr);
  EXPECT_EQ(ippsStdDev_64f(nullptr, 1, &out), ippStsNullPtrErr);  // pointers checked first
  EXPECT_EQ(ippsMinMax_64f(x.data(), 3, &out, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsMinIndx_64f(x.data(), 0, &out, &index), ippStsSizeErr);
  EXPECT_EQ(ippsMaxIndx_64f(x.data(), 3, nullptr, &index), ippStsNullPtrErr);
  EXPECT_EQ(ippsDotProd_64f(x.data(), nullptr, 3, &out), ippStsNullPtrErr);
  EXPECT_EQ(ippsNormDiff_Inf_64f(x.data(), nullptr, 3, &out), ippStsNullPtrErr);
  EXPECT_EQ(ippsNormDiff_L1_64f(x.data(), x.data(), 0, &out), ippStsSizeErr);
  EXPECT_EQ(ippsDotProd_32s_Sfs(xi.data(), xi.data(), 0, &outI, 0), ippStsSizeErr);
  EXPECT_EQ(out, 7);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(outI, 7);
  float outF = 7;
  EXPECT_EQ(ippsMean_32f(nullptr, 3, &outF, ippAlgHintNone), ippStsNullPtrErr);
  EXPECT_EQ(outF, 7);
  Ipp64fc outZ{7, 7};
  EXPECT_EQ(ippsDotProd_64fc(nullptr, &outZ, 1, &outZ), ippStsNullPtrErr);
  EXPECT_EQ(outZ.re, 7);
}

}  // namespace
}  // namespace corvane::kernels
