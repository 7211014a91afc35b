#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "kernels/ipps.h"
#include "kernels/reference/ComplexParts.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::kLengths;
using test::Misaligned;
using test::RandomComplex;
using test::RandomDoubles;
using test::UlpError;

constexpr double kPi = std::numbers::pi;

using TComplexToReal = IppStatus (*)(const Ipp64fc*, Ipp64f*, int);

void ExpectComplexToRealMatches(TComplexToReal kernel, TComplexToReal expected) {
  for (int len : kLengths) {
    const auto src = RandomComplex(len, 10 + len, -1e160, 1e160);
    std::vector<double> want(src.size()), got(src.size());
    Misaligned<Ipp64fc> msrc(src);
    Misaligned<double> mdst(got);
    ASSERT_EQ(expected(src.data(), want.data(), len), kernel(msrc.Data(), mdst.Data(), len));
    EXPECT_TRUE(BitwiseEqual(want, mdst.Values())) << "len " << len;
  }
}

TEST(ComplexParts, PartsMagnitudeAndPowerMatchScalarReference) {
  ExpectComplexToRealMatches(ippsReal_64fc, reference::ippsReal_64fc);
  ExpectComplexToRealMatches(ippsImag_64fc, reference::ippsImag_64fc);
  ExpectComplexToRealMatches(ippsMagnitude_64fc, reference::ippsMagnitude_64fc);
  ExpectComplexToRealMatches(ippsPowerSpectr_64fc, reference::ippsPowerSpectr_64fc);
}

template <class T, class TC>
void ExpectRealToCplxMatches(IppStatus (*kernel)(const T*, const T*, TC*, int)) {
  for (int len : kLengths) {
    std::vector<T> re, im;
    for (double x : RandomDoubles(len, 20 + len)) re.push_back(T(x));
    for (double x : RandomDoubles(len, 30 + len)) im.push_back(T(x));
    Misaligned<T> mre(re), mim(im);
    // Both parts, real part only, imaginary part only.
    const std::pair<const T*, const T*> sources[] = {
        {re.data(), im.data()}, {re.data(), nullptr}, {nullptr, im.data()}};
    const std::pair<const T*, const T*> misalignedSources[] = {
        {mre.Data(), mim.Data()}, {mre.Data(), nullptr}, {nullptr, mim.Data()}};
    for (int s = 0; s < 3; ++s) {
      std::vector<TC> want(re.size()), got(re.size(), TC{7, 7});
      Misaligned<TC> mdst(got);
      ASSERT_EQ(reference::RealToCplx(sources[s].first, sources[s].second, want.data(), len),
                ippStsNoErr);
      ASSERT_EQ(kernel(misalignedSources[s].first, misalignedSources[s].second, mdst.Data(), len),
                ippStsNoErr);
      EXPECT_TRUE(BitwiseEqual(want, mdst.Values())) << "len " << len << " sources " << s;
    }
  }
}

TEST(ComplexParts, RealToCplxMatchesScalarReference) {
  ExpectRealToCplxMatches(ippsRealToCplx_64f);
  ExpectRealToCplxMatches(ippsRealToCplx_32f);
}

// Random finite values over several decades, with zeros of both signs on the axes.
template <class T>
std::vector<T> Coordinates(int n, uint32_t seed) {
  std::vector<T> v;
  for (double x : RandomDoubles(n, seed, -1e3, 1e3, false)) v.push_back(T(x));
  for (int i = 0; i < n; i += 9) v[size_t(i)] = (i / 9) % 2 ? T(-0.0) : T(0);
  return v;
}

// Phase is atan2 within 2 ulp of the long-double result, with -0 imaginary parts read as +0.
template <class T>
void ExpectPhase(T re, T im, T got) {
  const long double want = std::atan2(im == 0 ? 0.0L : (long double)im, (long double)re);
  EXPECT_LE(UlpError(got, want), 2.0) << "phase of (" << re << ", " << im << "): " << got;
}

TEST(ComplexParts, PhaseIsAtan2InHalfOpenRange) {
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

TEST(ComplexParts, CartToPolarAndBack) {
  ExpectCartToPolarRoundTrip(ippsCartToPolar_64f, ippsPolarToCart_64f);
  ExpectCartToPolarRoundTrip(ippsCartToPolar_32f, ippsPolarToCart_32f);
}

TEST(ComplexParts, ConjCcsExpandsConjugateSymmetricHalf) {
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
