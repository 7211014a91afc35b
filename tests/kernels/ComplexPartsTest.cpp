#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <type_traits>

#include "kernels/ipps.h"
#include "kernels/reference/ComplexParts.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::ExpectSameAsReference;
using test::kLengths;
using test::RandomReals;
using test::UlpError;

constexpr double kPi = std::numbers::pi;

KERNEL_TEST(ComplexParts, PartsMagnitudeAndPowerMatchScalarReference, ippsReal_64fc, ippsImag_64fc,
            ippsMagnitude_64fc, ippsPowerSpectr_64fc) {
  const auto call = test::PointersLenThen();
  for (int len : kLengths) {
    const auto src = test::RandomComplexOfAnyMagnitude(len, 10 + len);
    const std::vector<double> dst(src.size());
    ExpectSameAsReference(call(ippsReal_64fc), call(reference::ippsReal_64fc), len, src, dst);
    ExpectSameAsReference(call(ippsImag_64fc), call(reference::ippsImag_64fc), len, src, dst);
    ExpectSameAsReference(call(ippsMagnitude_64fc), call(reference::ippsMagnitude_64fc), len, src,
                          dst);
    ExpectSameAsReference(call(ippsPowerSpectr_64fc), call(reference::ippsPowerSpectr_64fc), len,
                          src, dst);
  }
}

// Magnitudes whose squares lie beyond the double range, below its normal range, or beyond it
// for floats, within an ulp of the exact value.
KERNEL_TEST(ComplexParts, MagnitudesNeitherOverflowNorUnderflow) {
  constexpr double kInf = std::numeric_limits<double>::infinity(), kMax = DBL_MAX;
  const std::vector<double> re = {1e200, -3e300, 1e-200, 3e-320, kMax, 3, kInf, NAN};
  const std::vector<double> im = {0, 4e300, 1e-200, -4e-320, kMax, 4, NAN, 0};
  const auto exact = [](long double x, long double y) { return std::sqrt(x * x + y * y); };
  std::vector<Ipp64fc> z;
  for (size_t i = 0; i < re.size(); ++i) z.push_back({re[i], im[i]});
  std::vector<double> magnitude(z.size()), magn(z.size()), phase(z.size());
  ASSERT_EQ(ippsMagnitude_64fc(z.data(), magnitude.data(), int(z.size())), ippStsNoErr);
  ASSERT_EQ(ippsCartToPolar_64f(re.data(), im.data(), magn.data(), phase.data(), int(z.size())),
            ippStsNoErr);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_LE(UlpError(magnitude[i], exact(re[i], im[i])), 1.0) << z[i];
    EXPECT_LE(UlpError(magn[i], exact(re[i], im[i])), 1.0) << z[i];
  }
  // A NaN part makes the magnitude NaN (where hypot makes (Inf, NaN) infinite).
  EXPECT_TRUE(std::isnan(magnitude[6]) && std::isnan(magnitude[7]));

  const std::vector<float> reF = {1e30f, -3e30f, 1e-30f, 3e-44f}, imF = {0, 4e30f, 1e-30f, -4e-44f};
  std::vector<float> magnF(reF.size()), phaseF(reF.size());
  ASSERT_EQ(ippsCartToPolar_32f(reF.data(), imF.data(), magnF.data(), phaseF.data(), 4),
            ippStsNoErr);
  for (size_t i = 0; i < reF.size(); ++i)
    EXPECT_LE(UlpError(magnF[i], exact(reF[i], imF[i])), 1.0) << reF[i] << ", " << imF[i];
}

template <class T, class TC>
void ExpectRealToCplxMatches(IppStatus (*kernel)(const T*, const T*, TC*, int)) {
  // Called with both parts, the real part only or the imaginary part only.
  const auto withSources = [](bool withRe, bool withIm, auto fn) {
    return [=](int n, T* re, T* im, TC* dst) {
      return fn(withRe ? re : nullptr, withIm ? im : nullptr, dst, n);
    };
  };
  for (int len : kLengths) {
    const auto re = test::RandomReals<T>(len, 20 + len), im = test::RandomReals<T>(len, 30 + len);
    for (auto [withRe, withIm] : {std::pair{true, true}, {true, false}, {false, true}})
      ExpectSameAsReference(withSources(withRe, withIm, kernel),
                            withSources(withRe, withIm, reference::RealToCplx<T, TC>), len, re, im,
                            std::vector<TC>(re.size(), TC{7, 7}));
  }
}

KERNEL_TEST(ComplexParts, RealToCplxMatchesScalarReference, ippsRealToCplx_64f,
            ippsRealToCplx_32f) {
  ExpectRealToCplxMatches(ippsRealToCplx_64f);
  ExpectRealToCplxMatches(ippsRealToCplx_32f);
}

// Random finite values over several decades, with zeros of both signs on the axes.
template <class T>
std::vector<T> Coordinates(int n, uint32_t seed) {
  std::vector<T> v;
  for (double x : RandomReals(n, seed, -1e3, 1e3, false)) v.push_back(T(x));
  for (int i = 0; i < n; i += 9) v[size_t(i)] = (i / 9) % 2 ? T(-0.0) : T(0);
  return v;
}

// Phase is atan2 within 2 ulp of the long-double result, with -0 imaginary parts read as +0.
template <class T>
void ExpectPhase(T re, T im, T got) {
  const long double want = std::atan2(im == 0 ? 0.0L : (long double)im, (long double)re);
  EXPECT_LE(UlpError(got, want), 2.0) << "phase of (" << re << ", " << im << "): " << got;
}

KERNEL_TEST(ComplexParts, PhaseIsAtan2InHalfOpenRange, ippsPhase_64fc) {
  const int n = 1027;
  const auto re = Coordinates<double>(n, 1), im = Coordinates<double>(n + 4, 2);
  std::vector<Ipp64fc> src(size_t(n), Ipp64fc{0, 0});
  for (int i = 0; i < n; ++i) src[size_t(i)] = {re[size_t(i)], im[size_t(i) + 4]};
  std::vector<double> got(src.size());
  ASSERT_EQ(ippsPhase_64fc(src.data(), got.data(), n), ippStsNoErr);
  for (int i = 0; i < n; ++i) ExpectPhase(src[size_t(i)].re, src[size_t(i)].im, got[size_t(i)]);

  const std::vector<Ipp64fc> axes = {{0, 0}, {-1, 0}, {-1, -0.0}, {2, -0.0}, {0, -3}};
  std::vector<double> phases(axes.size());
  ASSERT_EQ(ippsPhase_64fc(axes.data(), phases.data(), int(axes.size())), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(phases, {0.0, kPi, kPi, 0.0, -kPi / 2}));
}

template <class T>
void ExpectCartToPolarRoundTrip(IppStatus (*toPolar)(const T*, const T*, T*, T*, int),
                                IppStatus (*toCart)(const T*, const T*, T*, T*, int)) {
  for (int len : kLengths) {
    const auto re = Coordinates<T>(len, 40 + len), im = Coordinates<T>(len, 50 + len);
    std::vector<T> magn(re.size()), phase(re.size());
    ASSERT_EQ(toPolar(re.data(), im.data(), magn.data(), phase.data(), len), ippStsNoErr);
    for (size_t i = 0; i < re.size(); ++i) {
      const long double x = re[i], y = im[i];
      EXPECT_LE(UlpError(magn[i], std::sqrt(x * x + y * y)), 2.0) << re[i] << ", " << im[i];
      ExpectPhase(re[i], im[i], phase[i]);
    }
    std::vector<T> backRe(re.size()), backIm(re.size());
    ASSERT_EQ(toCart(magn.data(), phase.data(), backRe.data(), backIm.data(), len), ippStsNoErr);
    for (size_t i = 0; i < re.size(); ++i) {
      const long double r = magn[i], theta = phase[i];
      EXPECT_LE(UlpError(backRe[i], r * std::cos(theta)), 2.0) << magn[i] << " at " << phase[i];
      EXPECT_LE(UlpError(backIm[i], r * std::sin(theta)), 2.0) << magn[i] << " at " << phase[i];
    }

    // Outputs over the inputs give the same results.
    auto inRe = re, inIm = im;
    ASSERT_EQ(toPolar(inRe.data(), inIm.data(), inRe.data(), inIm.data(), len), ippStsNoErr);
    EXPECT_TRUE(BitwiseEqual(magn, inRe));
    EXPECT_TRUE(BitwiseEqual(phase, inIm));
    ASSERT_EQ(toCart(inRe.data(), inIm.data(), inIm.data(), inRe.data(), len), ippStsNoErr);
    EXPECT_TRUE(BitwiseEqual(backRe, inIm));
    EXPECT_TRUE(BitwiseEqual(backIm, inRe));
  }
}

KERNEL_TEST(ComplexParts, CartToPolarAndBack, ippsCartToPolar_64f, ippsPolarToCart_64f,
            ippsCartToPolar_32f, ippsPolarToCart_32f) {
  ExpectCartToPolarRoundTrip(ippsCartToPolar_64f, ippsPolarToCart_64f);
  ExpectCartToPolarRoundTrip(ippsCartToPolar_32f, ippsPolarToCart_32f);
}

KERNEL_TEST(ComplexParts, ConjCcsExpandsConjugateSymmetricHalf, ippsConjCcs_64fc_I) {
  const Ipp64fc junk{99, 99};
  std::vector<Ipp64fc> even = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, junk, junk, junk, junk};
  ASSERT_EQ(ippsConjCcs_64fc_I(even.data(), 8), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(
      even, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {3, -3}, {2, -2}, {1, -1}, junk}));

  std::vector<Ipp64fc> odd = {{0, 0}, {1, 1}, {2, -2}, junk, junk};
  ASSERT_EQ(ippsConjCcs_64fc_I(odd.data(), 5), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(odd, {{0, 0}, {1, 1}, {2, -2}, {2, 2}, {1, -1}}));

  std::vector<Ipp64fc> tiny = {{5, 0}, junk};
  ASSERT_EQ(ippsConjCcs_64fc_I(tiny.data(), 1), ippStsNoErr);
  ASSERT_EQ(ippsConjCcs_64fc_I(tiny.data(), 2), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(tiny, {{5, 0}, junk}));
}

TEST(ComplexParts, BadArgumentsWriteNothing) {
  std::vector<double> re = {1, 2}, out = {7, 7}, out2 = {7, 7};
  std::vector<Ipp64fc> c = {{7, 7}, {7, 7}};
  EXPECT_EQ(ippsRealToCplx_64f(nullptr, nullptr, c.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsRealToCplx_64f(re.data(), nullptr, nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsRealToCplx_64f(nullptr, re.data(), c.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsMagnitude_64fc(c.data(), nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsPhase_64fc(c.data(), out.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsCartToPolar_64f(re.data(), re.data(), out.data(), nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsPolarToCart_64f(re.data(), re.data(), out.data(), out2.data(), -1), ippStsSizeErr);
  EXPECT_EQ(ippsConjCcs_64fc_I(nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(ippsConjCcs_64fc_I(c.data(), 0), ippStsSizeErr);
  EXPECT_EQ(out, (std::vector<double>{7, 7}));
  EXPECT_EQ(out2, (std::vector<double>{7, 7}));
  EXPECT_TRUE(BitwiseEqual(c, {{7, 7}, {7, 7}}));
}

}  // namespace
}  // namespace corvane::kernels
