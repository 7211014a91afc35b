#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Statistics.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::ExpectSameAsReference;
using test::kLengths;
using test::Misaligned;
using test::RandomComplex;
using test::RandomReals;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kEps = std::numeric_limits<double>::epsilon();

// Finite data with a nonzero mean, so that sums both accumulate and cancel.
std::vector<double> SumData(int len, uint32_t seed) {
  return RandomReals(len, seed, -60, 140, false);
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

// The result of the reduction fn(sources..., len, &result) run on misaligned copies of `sources`.
template <class T, class Fn, class... Source>
T Reduce(const Fn& fn, int len, const std::vector<Source>&... sources) {
  T result{};
  std::tuple<Misaligned<Source>...> copies{Misaligned<Source>(sources)...};
  const auto status = std::apply([&](auto&... m) { return fn(m.Data()..., len, &result); }, copies);
  EXPECT_EQ(status, ippStsNoErr);
  return result;
}

KERNEL_TEST(Statistics, SumsAgreeWithLongDoubleReference, ippsSum_64f, ippsMean_64f,
            ippsDotProd_64f, ippsNormDiff_L1_64f, ippsNormDiff_L2_64f, ippsStdDev_64f,
            ippsMean_32f) {
  for (int len : kLengths) {
    const auto x = SumData(len, 10 + len), y = SumData(len, 20 + len);
    std::vector<double> products(x.size());
    for (size_t i = 0; i < x.size(); ++i) products[i] = x[i] * y[i];
    const auto expectClose = [len](const auto& kernel, const auto& reference, long double magnitude,
                                   const auto&... sources) {
      ExpectSumClose(Reduce<double>(reference, len, sources...),
                     Reduce<double>(kernel, len, sources...), len, magnitude);
    };
    expectClose(ippsSum_64f, reference::ippsSum_64f, SumOfMagnitudes(x), x);
    expectClose(ippsMean_64f, reference::ippsMean_64f, SumOfMagnitudes(x) / len, x);
    expectClose(ippsDotProd_64f, reference::ippsDotProd_64f, SumOfMagnitudes(products), x, y);
    // Norms and deviations sum terms of one sign: their size bounds the error.
    const double l1 = Reduce<double>(reference::ippsNormDiff_L1_64f, len, x, y);
    const double l2 = Reduce<double>(reference::ippsNormDiff_L2_64f, len, x, y);
    expectClose(ippsNormDiff_L1_64f, reference::ippsNormDiff_L1_64f, l1, x, y);
    expectClose(ippsNormDiff_L2_64f, reference::ippsNormDiff_L2_64f, l2, x, y);
    if (len > 1) {
      const double deviation = Reduce<double>(reference::ippsStdDev_64f, len, x);
      expectClose(ippsStdDev_64f, reference::ippsStdDev_64f, deviation, x);
    }

    const auto floats = test::ToFloats(x);
    const auto meanFast = [](auto fn) {
      return
          [fn](const float* src, int n, float* mean) { return fn(src, n, mean, ippAlgHintFast); };
    };
    const float want = Reduce<float>(meanFast(reference::ippsMean_32f), len, floats);
    EXPECT_NEAR(Reduce<float>(meanFast(ippsMean_32f), len, floats), want,
                std::fabs(want) * std::numeric_limits<float>::epsilon())
        << len;
  }
}

KERNEL_TEST(Statistics, ComplexDotProductDoesNotConjugate, ippsDotProd_64fc) {
  for (int len : kLengths) {
    const auto a = RandomComplex(len, 30 + len, -60, 140, false);
    const auto b = RandomComplex(len, 40 + len, -60, 140, false);
    const auto want = Reduce<Ipp64fc>(reference::ippsDotProd_64fc, len, a, b);
    const auto got = Reduce<Ipp64fc>(ippsDotProd_64fc, len, a, b);
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

KERNEL_TEST(Statistics, SumsPropagateInfinityAndNaN) {
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

KERNEL_TEST(Statistics, StdDevIsTheUnbiasedEstimate) {
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

KERNEL_TEST(Statistics, ExtremaMatchReferenceBitForBit, ippsMin_64f, ippsMax_64f, ippsMinIndx_64f,
            ippsMaxIndx_64f, ippsMinMax_64f) {
  for (int len : kLengths) {
    SCOPED_TRACE(len);
    ExpectExtremaMatch(RandomReals(len, 50 + len));
    ExpectExtremaMatch(RandomReals(len, 60 + len, -1e6, 1e6, false));
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

KERNEL_TEST(Statistics, ExtremaTakeTheFirstIndexAndIgnoreNaN) {
  const std::vector<double> x = {kNaN, 3, 1, 7, 1, 7, kNaN, -0.0, 0.0};
  double value = 0;
  int index = -1;
  ippsMinIndx_64f(x.data(), 7, &value, &index);
  EXPECT_EQ(std::pair(value, index), std::pair(1.0, 2));
  ippsMaxIndx_64f(x.data(), 7, &value, &index);
  EXPECT_EQ(std::pair(value, index), std::pair(7.0, 3));
  ippsMinIndx_64f(x.data() + 7, 2, &value, &index);
  EXPECT_TRUE(std::signbit(value) && index == 0);

  const std::vector<double> allNaN = {kNaN, kNaN, kNaN};
  ippsMaxIndx_64f(allNaN.data(), 3, &value, &index);
  EXPECT_TRUE(std::isnan(value));
  EXPECT_EQ(index, 0);
  double min = 0, max = 0;
  ippsMinMax_64f(allNaN.data(), 3, &min, &max);
  EXPECT_TRUE(std::isnan(min) && std::isnan(max));
}

KERNEL_TEST(Statistics, InfinityNormIsExactAndPropagatesNaN, ippsNormDiff_Inf_64f) {
  for (int len : kLengths) {
    for (bool specials : {false, true}) {
      const auto a = RandomReals(len, 80 + len, -100, 100, specials);
      const auto b = RandomReals(len, 90 + len, -100, 100, specials);
      const double want = Reduce<double>(reference::ippsNormDiff_Inf_64f, len, a, b);
      const double got = Reduce<double>(ippsNormDiff_Inf_64f, len, a, b);
      EXPECT_TRUE(want == got || (std::isnan(want) && std::isnan(got))) << len;
    }
  }
  const std::vector<double> a = {1, 2, kInf, 5, 1}, b = {0, 0, kInf, 0, 0};
  double norm = 0;
  ippsNormDiff_Inf_64f(a.data(), b.data(), 5, &norm);
  EXPECT_TRUE(std::isnan(norm));  // Inf - Inf
  ippsNormDiff_Inf_64f(a.data(), b.data(), 2, &norm);
  EXPECT_EQ(norm, 2);
}

KERNEL_TEST(Statistics, IntegerDotProductIsExactThenScaledAndSaturated, ippsDotProd_32s_Sfs) {
  const int scaleFactors[] = {-3, 0, 1, 16, 31, 33, 40, 62, 70, 100};
  for (int len : kLengths) {
    const auto a = test::RandomIntegers<Ipp32s>(len, 100 + len);
    const auto b = test::RandomIntegers<Ipp32s>(len, 110 + len);
    const auto small = test::RandomIntegers<Ipp32s>(len, 120 + len, -3000, 3000);
    for (int sf : scaleFactors) {
      const auto scaled = [sf](auto fn) {
        return [=](const Ipp32s* x, const Ipp32s* y, int n, Ipp32s* dp) {
          return fn(x, y, n, dp, sf);
        };
      };
      const auto kernel = scaled(ippsDotProd_32s_Sfs),
                 expected = scaled(reference::ippsDotProd_32s_Sfs);
      EXPECT_EQ(Reduce<Ipp32s>(expected, len, a, b), Reduce<Ipp32s>(kernel, len, a, b))
          << "len " << len << " sf " << sf;
      EXPECT_EQ(Reduce<Ipp32s>(expected, len, small, b), Reduce<Ipp32s>(kernel, len, small, b))
          << "small, len " << len << " sf " << sf;
    }
  }
}

Ipp32s DotProd32s(std::vector<Ipp32s> a, std::vector<Ipp32s> b, int scaleFactor) {
  Ipp32s dp = 0;
  EXPECT_EQ(ippsDotProd_32s_Sfs(a.data(), b.data(), int(a.size()), &dp, scaleFactor), ippStsNoErr);
  return dp;
}

KERNEL_TEST(Statistics, IntegerDotProductRoundsTiesToEven) {
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

KERNEL_TEST(Statistics, NormalizeMatchesReferenceBitForBit, ippsNormalize_64f, ippsNormalize_32f,
            ippsNormalize_64fc) {
  // Normalize(src, dst, len, vsub, vdiv) with dst = src.
  const auto inPlace = [](auto fn, auto vsub, auto vdiv) {
    return [=](int n, auto* srcDst) { return fn(srcDst, srcDst, n, vsub, vdiv); };
  };
  for (double vdiv : {3.0, -0.7, 1e-300, std::numeric_limits<double>::min()}) {
    for (int len : kLengths) {
      SCOPED_TRACE(testing::Message() << "vdiv " << vdiv << " len " << len);
      const auto x = RandomReals(len, 130 + len);
      const auto call = test::PointersLenThen(1.5, vdiv);
      ExpectSameAsReference(call(ippsNormalize_64f), call(reference::ippsNormalize_64f), len, x,
                            std::vector<double>(x.size()));
      ExpectSameAsReference(inPlace(ippsNormalize_64f, 1.5, vdiv),
                            inPlace(reference::ippsNormalize_64f, 1.5, vdiv), len, x);

      const float vdivF = std::fabs(vdiv) < 1e-30 ? 1e-30f : float(vdiv);
      const auto callF = test::PointersLenThen(-2.5f, vdivF);
      ExpectSameAsReference(callF(ippsNormalize_32f), callF(reference::ippsNormalize_32f), len,
                            test::ToFloats(x), std::vector<float>(x.size()));

      const auto z = RandomComplex(len, 140 + len);
      const Ipp64fc vsub{1.5, -4};
      const auto callZ = test::PointersLenThen(vsub, vdiv);
      ExpectSameAsReference(callZ(ippsNormalize_64fc), callZ(reference::ippsNormalize_64fc), len, z,
                            std::vector<Ipp64fc>(z.size()));
      ExpectSameAsReference(inPlace(ippsNormalize_64fc, vsub, vdiv),
                            inPlace(reference::ippsNormalize_64fc, vsub, vdiv), len, z);
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
