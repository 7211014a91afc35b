#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <type_traits>

#include "kernels/ipps.h"
#include "kernels/reference/Conversion.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::kLengths;
using test::Misaligned;
using test::RandomIntegers;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

template <class TIn, class TOut, class... Extra>
using TKernel = IppStatus (*)(const TIn*, TOut*, int, Extra...);

// The kernel on misaligned copies of `src` against the reference, bit for bit; where source and
// destination types agree, also with src == dst. `len` defaults to one element per entry of src.
template <class TIn, class TOut, class... Extra>
void ExpectMatches(TKernel<TIn, TOut, Extra...> kernel, TKernel<TIn, TOut, Extra...> expected,
                   const std::vector<TIn>& src, int len, std::type_identity_t<Extra>... extra) {
  std::vector<TOut> want(src.size());
  Misaligned<TIn> msrc(src);
  Misaligned<TOut> mdst(want);
  const IppStatus status = expected(src.data(), want.data(), len, extra...);
  ASSERT_EQ(status, kernel(msrc.Data(), mdst.Data(), len, extra...));
  EXPECT_TRUE(BitwiseEqual(want, mdst.Values())) << "len " << len;
  if constexpr (std::is_same_v<TIn, TOut>) {
    Misaligned<TIn> inPlace(src);
    ASSERT_EQ(status, kernel(inPlace.Data(), inPlace.Data(), len, extra...));
    EXPECT_TRUE(BitwiseEqual(want, inPlace.Values())) << "in place, len " << len;
  }
}

// Random signs and mantissas with binary exponents spread evenly over [minExp, maxExp], every
// seventh entry taken from `specials` instead.
template <class T>
std::vector<T> RandomMagnitudes(int n, uint32_t seed, int minExp, int maxExp,
                                const std::vector<T>& specials) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> mantissa(-2.0, 2.0);
  std::uniform_int_distribution<int> exponent(minExp, maxExp);
  std::vector<T> v(static_cast<size_t>(n));
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = i % 7 == 3 ? specials[(i / 7) % specials.size()]
                      : T(std::ldexp(mantissa(rng), exponent(rng)));
  return v;
}

// clang-format off
const std::vector<double> kDoubleSpecials = {
    0.0, -0.0, kInf, -kInf, kNaN, std::bit_cast<double>(uint64_t{0xfff8000000000abc}),
    std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::max(), double(FLT_MAX),
    3.4028235677973366e38 /* rounds to float Inf */, -3.4028235677973362e38, 1e-45, 0x1p-149,
    0x1.8p-149};
const std::vector<float> kFloatSpecials = {
    0.0f, -0.0f, float(kInf), -float(kInf), std::bit_cast<float>(0x7fc00abcu),
    std::numeric_limits<float>::denorm_min(), FLT_MAX, -FLT_MAX, 0.5f, 2.5f, -1.5f, 16777217.0f};

// Values whose rounding is delicate once scaled by 2^-sf: ties, neighbours of ties and of the
// int32 limits, and the 2^52 boundary above which every double is an integer.
const std::vector<double> kRoundingEdges = {
    0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994, -0.49999999999999994, 0.5000000000000001,
    1.4, 1.6, -2.4, 123456.5, -123457.5, 2147483646.5, 2147483647.0, 2147483647.4, 2147483647.5,
    2147483648.0, -2147483647.5, -2147483648.0, -2147483648.4, -2147483648.5, -2147483649.0,
    4503599627370495.5, -4503599627370495.5, 4503599627370496.0, 9007199254740993.0};
// clang-format on

// Sources for a float-to-int32 conversion with scale factor sf: the rounding edges and random
// values around the int32 range, both multiplied by 2^sf so that the kernel scales them back,
// mixed with values of every magnitude and the IEEE specials.
std::vector<double> Int32ConversionSources(int len, int sf) {
  auto values = RandomMagnitudes(len, 20 + len, -1074, 1023, kDoubleSpecials);
  std::mt19937 rng(sf + 1000);
  std::uniform_real_distribution<double> aroundInt32(-5e9, 5e9);
  for (size_t i = 0; i < values.size(); ++i) {
    if (i % 7 == 1) values[i] = std::ldexp(kRoundingEdges[(i / 7) % kRoundingEdges.size()], sf);
    if (i % 7 == 5) values[i] = std::ldexp(aroundInt32(rng), sf);
  }
  return values;
}

// A float with the double's value where it fits, else +-Inf (a plain cast would be undefined).
float ToFloat(double x) {
  return std::fabs(x) <= FLT_MAX ? float(x) : float(std::copysign(kInf, x));
}

std::vector<int> ScaleFactorsToTry() {
  std::vector<int> factors = {INT_MIN, -2000, -1300, -1200, -1100, -1075, -1074, -1023, -1022,
                              1022,    1023,  1074,  1075,  1100,  1200,  1300,  2000,  INT_MAX};
  for (int sf = -40; sf <= 40; ++sf) factors.push_back(sf);
  return factors;
}

KERNEL_TEST(Conversion, FloatConversionsMatchScalarReference, ippsConvert_64f32f,
            ippsConvert_32f64f, ippsConvert_32s64f, ippsConvert_32s32f) {
  for (int len : kLengths) {
    const auto doubles = RandomMagnitudes(len, 1 + len, -160, 140, kDoubleSpecials);
    const auto floats = RandomMagnitudes(len, 2 + len, -150, 126, kFloatSpecials);
    const auto ints = RandomIntegers<int32_t>(len, 3 + len);
    ExpectMatches(ippsConvert_64f32f, reference::ippsConvert_64f32f, doubles, len);
    ExpectMatches(ippsConvert_32f64f, reference::ippsConvert_32f64f, floats, len);
    ExpectMatches(ippsConvert_32s64f, reference::ippsConvert_32s64f, ints, len);
    ExpectMatches(ippsConvert_32s32f, reference::ippsConvert_32s32f, ints, len);
  }
}

KERNEL_TEST(Conversion, DoubleToFloatSaturatesOnlyFiniteOverflow) {
  const std::vector<double> src = {1e300, -1e300, 3.4028235677973366e38, kInf, -kInf, kNaN,
                                   1e-50, -0.0};
  std::vector<float> dst(src.size());
  ASSERT_EQ(ippsConvert_64f32f(src.data(), dst.data(), int(src.size())), ippStsNoErr);
  const float kInfF = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(BitwiseEqual({FLT_MAX, -FLT_MAX, FLT_MAX, kInfF, -kInfF, NAN, 0.0f, -0.0f}, dst,
                           test::NaNs::kAny));
}

KERNEL_TEST(Conversion, ScaledInt16ToDoubleIsExactForAnyScaleFactor, ippsConvert_16s64f_Sfs) {
  for (int len : kLengths) {
    auto src = RandomIntegers<int16_t>(len, 4 + len);
    src[0] = INT16_MIN;
    for (int sf : ScaleFactorsToTry()) {
      SCOPED_TRACE(sf);
      ExpectMatches(ippsConvert_16s64f_Sfs, reference::ippsConvert_16s64f_Sfs, src, len, sf);
    }
  }
  const std::vector<Ipp16s> q15 = {INT16_MIN, 16384, 0, -1};
  std::vector<double> dst(4);
  ippsConvert_16s64f_Sfs(q15.data(), dst.data(), 4, 15);
  EXPECT_EQ(dst, (std::vector<double>{-1.0, 0.5, 0.0, -0x1p-15}));
  ippsConvert_16s64f_Sfs(q15.data(), dst.data(), 4, -2000);  // 2^2000 overflows; 0 stays 0, not NaN
  EXPECT_EQ(dst, (std::vector<double>{-kInf, kInf, 0.0, -kInf}));
}

KERNEL_TEST(Conversion, RoundedInt32ConversionsMatchScalarReference, ippsConvert_64f32s_Sfs,
            ippsConvert_32f32s_Sfs) {
  for (int len : kLengths) {
    for (int sf : ScaleFactorsToTry()) {
      const auto doubles = Int32ConversionSources(len, sf == INT_MIN || sf == INT_MAX ? 0 : sf);
      std::vector<float> floats(doubles.size());
      std::transform(doubles.begin(), doubles.end(), floats.begin(), ToFloat);
      for (IppRoundMode mode : {ippRndZero, ippRndNear, ippRndFinancial}) {
        SCOPED_TRACE(testing::Message() << "sf " << sf << " mode " << mode);
        ExpectMatches(ippsConvert_64f32s_Sfs, reference::ippsConvert_64f32s_Sfs, doubles, len, mode,
                      sf);
        ExpectMatches(ippsConvert_32f32s_Sfs, reference::ippsConvert_32f32s_Sfs, floats, len, mode,
                      sf);
      }
    }
  }
}

std::vector<int32_t> ToInt32(const std::vector<double>& src, IppRoundMode mode, int sf) {
  std::vector<int32_t> dst(src.size());
  EXPECT_EQ(ippsConvert_64f32s_Sfs(src.data(), dst.data(), int(src.size()), mode, sf), ippStsNoErr);
  return dst;
}

KERNEL_TEST(Conversion, RoundingModesTiesAndSaturation) {
  const std::vector<double> ties = {2.5, 3.5, -2.5, -0.5, -1.5, -2.4, 1.4, 1.6, -2.7};
  EXPECT_EQ(ToInt32(ties, ippRndNear, 0), (std::vector<int32_t>{2, 4, -2, 0, -2, -2, 1, 2, -3}));
  EXPECT_EQ(ToInt32(ties, ippRndFinancial, 0),
            (std::vector<int32_t>{3, 4, -3, -1, -2, -2, 1, 2, -3}));
  EXPECT_EQ(ToInt32(ties, ippRndZero, 0), (std::vector<int32_t>{2, 3, -2, 0, -1, -2, 1, 1, -2}));

  EXPECT_EQ(ToInt32({126.6, -125.4}, ippRndNear, 2), (std::vector<int32_t>{32, -31}));
  EXPECT_EQ(ToInt32({126.6, -125.4}, ippRndZero, 2), (std::vector<int32_t>{31, -31}));

  const std::vector<double> limits = {kInf,          -kInf, kNaN,     2147483647.5,
                                      -2147483648.5, 1e300, 0x1p-1074};
  EXPECT_EQ(
      ToInt32(limits, ippRndNear, 0),
      (std::vector<int32_t>{INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, 0}));
  // Scaling happens before saturation, exactly even where 2^-sf alone is not a double.
  EXPECT_EQ(ToInt32({0x1p-1074, 1e300, 3.0}, ippRndNear, -1100),
            (std::vector<int32_t>{1 << 26, INT32_MAX, INT32_MAX}));
  EXPECT_EQ(ToInt32({0x1p1000, -kInf, 0.0}, ippRndNear, 1100),
            (std::vector<int32_t>{0, INT32_MIN, 0}));
}

KERNEL_TEST(Conversion, SwapBytesMatchesScalarReference, ippsSwapBytes_16u, ippsSwapBytes_32u,
            ippsSwapBytes_24u, ippsSwapBytes_32u_I) {
  for (int len : kLengths) {
    ExpectMatches(ippsSwapBytes_16u, reference::ippsSwapBytes_16u,
                  RandomIntegers<uint16_t>(len, 5 + len), len);
    ExpectMatches(ippsSwapBytes_32u, reference::ippsSwapBytes_32u,
                  RandomIntegers<uint32_t>(len, 6 + len), len);
    ExpectMatches(ippsSwapBytes_24u, reference::ippsSwapBytes_24u,
                  RandomIntegers<uint8_t>(3 * len, 7 + len), len);
  }
  std::vector<Ipp16u> u16 = {0x1234};
  ippsSwapBytes_16u(u16.data(), u16.data(), 1);
  EXPECT_EQ(u16[0], 0x3412);
  std::vector<Ipp32u> u32 = {0xAABBCCDD, 0x01020304};
  ippsSwapBytes_32u_I(u32.data(), 2);
  EXPECT_EQ(u32, (std::vector<Ipp32u>{0xDDCCBBAA, 0x04030201}));
  // len counts 3-byte elements; bytes past 3 * len stay.
  std::vector<Ipp8u> u24 = {1, 2, 3, 4, 5, 6, 7}, swapped(7, 0);
  ippsSwapBytes_24u(u24.data(), swapped.data(), 2);
  EXPECT_EQ(swapped, (std::vector<Ipp8u>{3, 2, 1, 6, 5, 4, 0}));
}

TEST(Conversion, BadArgumentsWriteNothing) {
  const std::vector<double> src = {1.5, 2.5};
  std::vector<int32_t> dst = {7, 7};
  EXPECT_EQ(ippsConvert_64f32s_Sfs(src.data(), dst.data(), 2, IppRoundMode(3), 0),
            ippStsRoundModeNotSupportedErr);
  EXPECT_EQ(ippsConvert_64f32s_Sfs(src.data(), dst.data(), 2, IppRoundMode(-1), 0),
            ippStsRoundModeNotSupportedErr);
  EXPECT_EQ(ippsConvert_64f32s_Sfs(nullptr, dst.data(), 2, IppRoundMode(3), 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_64f32s_Sfs(src.data(), dst.data(), 0, IppRoundMode(3), 0), ippStsSizeErr);
  const std::vector<float> floats = {1.5f};
  EXPECT_EQ(ippsConvert_32f32s_Sfs(floats.data(), dst.data(), 1, IppRoundMode(7), 0),
            ippStsRoundModeNotSupportedErr);
  EXPECT_EQ(ippsConvert_32f32s_Sfs(floats.data(), nullptr, 1, ippRndNear, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_16s64f_Sfs(nullptr, nullptr, -1, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_32s32f(nullptr, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsSwapBytes_24u(reinterpret_cast<const Ipp8u*>(src.data()),
                              reinterpret_cast<Ipp8u*>(dst.data()), 0),
            ippStsSizeErr);
  EXPECT_EQ(ippsSwapBytes_32u_I(reinterpret_cast<Ipp32u*>(dst.data()), -1), ippStsSizeErr);
  EXPECT_EQ(dst, (std::vector<int32_t>{7, 7}));
}

}  // namespace
}  // namespace corvane::kernels
