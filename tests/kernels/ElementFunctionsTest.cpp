#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "kernels/ipps.h"
#include "kernels/reference/ElementFunctions.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::ForEachTarget;
using test::kLengths;
using test::Misaligned;
using test::UlpError;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

template <class T>
using TUnary = IppStatus (*)(const T*, T*, int);
template <class T>
using TUnaryInPlace = IppStatus (*)(T*, int);

// Out of place and in place on misaligned memory against the reference: status and bits.
template <class T, class MakeData>
void ExpectUnaryMatches(TUnary<T> kernel, TUnaryInPlace<T> kernelInPlace, TUnary<T> expected,
                        MakeData makeData) {
  for (int len : kLengths) {
    const std::vector<T> src = makeData(len, uint32_t(len));
    std::vector<T> want(src.size());
    Misaligned<T> msrc(src), mdst(want), minplace(src);
    const IppStatus status = expected(src.data(), want.data(), len);
    ASSERT_EQ(status, kernel(msrc.Data(), mdst.Data(), len)) << "len " << len;
    ASSERT_EQ(status, kernelInPlace(minplace.Data(), len)) << "len " << len;
    EXPECT_TRUE(BitwiseEqual(want, mdst.Values())) << "len " << len;
    EXPECT_TRUE(BitwiseEqual(want, minplace.Values())) << "in place, len " << len;
  }
}

std::vector<double> Reals(int len, uint32_t seed) {
  return test::RandomReals(len, seed);
}

// Random complex values, many with parts of very different magnitudes, and every pairing of
// zeros, infinities, NaN, huge and denormal parts.
std::vector<Ipp64fc> Complexes(int len, uint32_t seed) {
  auto values = test::RandomComplex(len, seed);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> exponent(-1070, 1020);
  const double edges[] = {0.0, -0.0, 1.0, -4.0, kInf, -kInf, kNaN, kDenormMin, 1e300, -1e-310};
  for (size_t i = 0; i < values.size(); ++i) {
    if (i % 5 == 1)
      values[i] = {std::ldexp(values[i].re, exponent(rng)),
                   std::ldexp(values[i].im, exponent(rng))};
    if (i % 5 == 2) values[i] = {edges[i % 10], edges[(i / 10) % 10]};
  }
  return values;
}

KERNEL_TEST(ElementFunctions, RealFunctionsMatchScalarReferenceOnEveryTarget, ippsAbs_64f,
            ippsAbs_64f_I, ippsSqr_64f, ippsSqr_64f_I, ippsSqrt_64f, ippsSqrt_64f_I) {
  ExpectUnaryMatches<double>(ippsAbs_64f, ippsAbs_64f_I, reference::ippsAbs_64f, Reals);
  ExpectUnaryMatches<double>(ippsSqr_64f, ippsSqr_64f_I, reference::ippsSqr_64f, Reals);
  ExpectUnaryMatches<double>(ippsSqrt_64f, ippsSqrt_64f_I, reference::ippsSqrt_64f, Reals);
  ExpectUnaryMatches<double>(
      ippsSqrt_64f, ippsSqrt_64f_I, reference::ippsSqrt_64f,
      [](int len, uint32_t seed) { return test::RandomReals(len, seed, 0, 1e6); });
}

KERNEL_TEST(ElementFunctions, ComplexFunctionsMatchScalarReferenceOnEveryTarget, ippsSqr_64fc,
            ippsSqr_64fc_I, ippsSqrt_64fc, ippsSqrt_64fc_I) {
  ExpectUnaryMatches<Ipp64fc>(ippsSqr_64fc, ippsSqr_64fc_I, reference::ippsSqr_64fc, Complexes);
  ExpectUnaryMatches<Ipp64fc>(ippsSqrt_64fc, ippsSqrt_64fc_I, reference::ippsSqrt_64fc, Complexes);
}

KERNEL_TEST(ElementFunctions, SqrtOfNegativeIsNaNWithWarning) {
  std::vector<double> v = {4.0, -0.0, kNaN, kInf};
  EXPECT_EQ(ippsSqrt_64f_I(v.data(), 4), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(v, {2.0, -0.0, kNaN, kInf}));
  v = {-1.0, 9.0, -kInf};
  EXPECT_EQ(ippsSqrt_64f_I(v.data(), 3), ippStsSqrtNegArg);
  EXPECT_TRUE(BitwiseEqual(v, {kNaN, 3.0, kNaN}));
}

KERNEL_TEST(ElementFunctions, ComplexSqrtIsPrincipalRoot) {
  const std::vector<Ipp64fc> src = {{3, 4},       {-4, 0},   {-4, -0.0}, {0, 2},
                                    {-0.0, -0.0}, {5, kInf}, {kNaN, 0},  {0, kNaN}};
  const std::vector<Ipp64fc> want = {{2, 1},    {0, 2},       {0, -2},      {1, 1},
                                     {0, -0.0}, {kInf, kInf}, {kNaN, kNaN}, {kNaN, kNaN}};
  std::vector<Ipp64fc> got(src.size());
  ASSERT_EQ(ippsSqrt_64fc(src.data(), got.data(), int(src.size())), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(want, got));
  std::vector<Ipp64fc> squares = {{3, 4}, {-3, -4}};
  ASSERT_EQ(ippsSqr_64fc_I(squares.data(), 2), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(squares, {{-7, 24}, {-7, 24}}));
}

// Parts from denormal to near overflow, where an unscaled |z| would overflow or underflow.
KERNEL_TEST(ElementFunctions, ComplexSqrtIsAccurateOverTheWholeRange) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> mantissa(-2, 2);
  std::uniform_int_distribution<int> exponent(-1073, 1022);
  std::vector<Ipp64fc> src(20000), got(src.size());
  for (auto& z : src)
    z = {std::ldexp(mantissa(rng), exponent(rng)), std::ldexp(mantissa(rng), exponent(rng))};
  ASSERT_EQ(ippsSqrt_64fc(src.data(), got.data(), int(src.size())), ippStsNoErr);
  for (size_t i = 0; i < src.size(); ++i) {
    const auto want = std::sqrt(std::complex<long double>(src[i].re, src[i].im));
    // The larger part is within 2 ulp; the smaller one comes from it through a division.
    const bool reLarger = std::fabs(want.real()) >= std::fabs(want.imag());
    const double larger = reLarger ? got[i].re : got[i].im,
                 smaller = reLarger ? got[i].im : got[i].re;
    const long double wantLarger = reLarger ? want.real() : want.imag();
    const long double wantSmaller = reLarger ? want.imag() : want.real();
    ASSERT_LE(UlpError(larger, wantLarger), 2.0) << src[i] << " -> " << got[i];
    ASSERT_LE(std::fabs(smaller - wantSmaller) / std::fabs(wantLarger), 0x1p-51L)
        << src[i] << " -> " << got[i];
  }
}

// ---- Exp and Ln: within 2 ulp of long-double libm, same bits in the vector and the tail path.

// Runs the kernel over all of `src` at once (vector path) and element by element (tail path);
// checks both give the same bits and that every result is within 2 ulp of `exact`.
template <class Exact>
void ExpectAccurate(TUnary<double> kernel, const std::vector<double>& src, Exact exact) {
  std::vector<double> got(src.size());
  ASSERT_EQ(kernel(src.data(), got.data(), int(src.size())), ippStsNoErr);
  double worst = 0, worstAt = 0;
  for (size_t i = 0; i < src.size(); ++i) {
    double single;
    kernel(&src[i], &single, 1);
    ASSERT_EQ(std::memcmp(&single, &got[i], sizeof(double)), 0) << "tail differs at " << src[i];
    const double error = UlpError(got[i], exact((long double)src[i]));
    if (error > worst) worst = error, worstAt = src[i];
  }
  EXPECT_LE(worst, 2.0) << "at " << worstAt;
}

// `n` random doubles in [lo, hi), no special values.
std::vector<double> Uniform(int n, uint32_t seed, double lo, double hi) {
  return test::RandomReals(n, seed, lo, hi, false);
}

TEST(ElementFunctions, ExpIsWithinTwoUlp) {
  auto exact = [](long double x) { return std::exp(x); };
  // Overflow, the normal range, denormal results and total underflow.
  ExpectAccurate(ippsExp_64f, Uniform(1000000, 1, -760, 720), exact);
  // Small arguments, where exp(x) - 1 carries the information.
  auto small = Uniform(200000, 2, -1, 1);
  for (size_t i = 0; i < small.size(); ++i) small[i] = std::ldexp(small[i], -int(i % 60));
  ExpectAccurate(ippsExp_64f, small, exact);
}

// Exp and Ln have no scalar reference: the best target's results, checked against long double by
// the tests around, are the reference for the others, which must give the same bits.
TEST(ElementFunctions, ExpAndLnGiveTheSameBitsOnEveryTarget) {
  auto src = Uniform(100000, 5, -760, 720);
  const auto positive = Uniform(100000, 6, 0, 1e300);
  src.insert(src.end(), positive.begin(), positive.end());
  src.insert(src.end(), {0.0, -0.0, kDenormMin, kInf, -kInf, kNaN, -1.0});
  for (auto kernel : {ippsExp_64f, ippsLn_64f}) {
    std::vector<double> want(src.size()), got(src.size());
    kernel(src.data(), want.data(), int(src.size()));
    ForEachTarget([&] {
      kernel(src.data(), got.data(), int(src.size()));
      EXPECT_TRUE(BitwiseEqual(want, got));
    });
  }
}

TEST(ElementFunctions, LnIsWithinTwoUlp) {
  auto exact = [](long double x) { return std::log(x); };
  // Random bit patterns of positive normal doubles: every exponent equally often.
  std::mt19937_64 rng(3);
  std::uniform_int_distribution<uint64_t> bits(0x0010000000000000ull, 0x7fefffffffffffffull);
  std::vector<double> src(1000000);
  for (auto& x : src) {
    const uint64_t b = bits(rng);
    std::memcpy(&x, &b, sizeof x);
  }
  ExpectAccurate(ippsLn_64f, src, exact);
  // Near 1, where ln(x) cancels.
  auto nearOne = Uniform(200000, 4, -0.3, 0.42);
  for (size_t i = 0; i < nearOne.size(); ++i) nearOne[i] = 1 + std::ldexp(nearOne[i], -int(i % 45));
  ExpectAccurate(ippsLn_64f, nearOne, exact);
}

KERNEL_TEST(ElementFunctions, ExpSpecialValues, ippsExp_64f, ippsExp_64f_I) {
  const std::vector<double> v = {0.0,    -0.0,   709.79, 1e308, kInf,
                                 -744.0, -745.0, -745.2, -kInf, kNaN};
  const std::vector<double> want = {1.0,        1.0, kInf, kInf, kInf, 2 * kDenormMin,
                                    kDenormMin, 0.0, 0.0,  kNaN};
  Misaligned<double> m(v);
  std::vector<double> got(v.size());
  EXPECT_EQ(ippsExp_64f(m.Data(), got.data(), int(v.size())), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(want, got));
  EXPECT_EQ(ippsExp_64f_I(m.Data(), int(v.size())), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(want, m.Values()));
}

KERNEL_TEST(ElementFunctions, LnSpecialValuesAndWarnings, ippsLn_64f, ippsLn_64f_I) {
  const double min = std::numeric_limits<double>::min();
  struct Case {
    std::vector<double> src, want;
    IppStatus status;
  };
  const Case cases[] = {
      {{1.0, kInf, kNaN}, {0.0, kInf, kNaN}, ippStsNoErr},
      {{1.0, 0.0, -0.0, kDenormMin, min - kDenormMin},
       {0.0, -kInf, -kInf, -kInf, -kInf},
       ippStsLnZeroArg},
      {{-1.0, 1.0, -kInf, -kDenormMin}, {kNaN, 0.0, kNaN, kNaN}, ippStsLnNegArg},
      {{0.0, -2.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
       {-kInf, kNaN, -kInf, -kInf, -kInf, -kInf, -kInf, -kInf, -kInf},
       ippStsLnNegArg},
  };
  for (const auto& c : cases) {
    std::vector<double> got(c.src.size());
    EXPECT_EQ(ippsLn_64f(c.src.data(), got.data(), int(got.size())), c.status);
    EXPECT_TRUE(BitwiseEqual(c.want, got));
    auto inPlace = c.src;
    EXPECT_EQ(ippsLn_64f_I(inPlace.data(), int(inPlace.size())), c.status);
    EXPECT_TRUE(BitwiseEqual(c.want, inPlace));
  }
  double lnMin;
  EXPECT_EQ(ippsLn_64f(&min, &lnMin, 1), ippStsNoErr);  // the smallest normal is no zero
  EXPECT_LE(UlpError(lnMin, std::log((long double)min)), 2.0);
}

TEST(ElementFunctions, BadArgumentsWriteNothing) {
  std::vector<double> v = {7, 7};
  std::vector<Ipp64fc> c = {{7, 7}};
  EXPECT_EQ(ippsAbs_64f(nullptr, v.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsSqrt_64f(v.data(), nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsExp_64f_I(nullptr, 0), ippStsNullPtrErr);  // pointers checked first
  EXPECT_EQ(ippsLn_64f_I(v.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsSqr_64f_I(v.data(), -1), ippStsSizeErr);
  EXPECT_EQ(ippsSqrt_64fc(c.data(), nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsSqr_64fc_I(c.data(), 0), ippStsSizeErr);
  EXPECT_EQ(v, (std::vector<double>{7, 7}));
  EXPECT_TRUE(BitwiseEqual(c, {{7, 7}}));
}

}  // namespace
}  // namespace corvane::kernels
