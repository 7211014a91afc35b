// The routines that the basic dispatcher always builds in.
#include "corvane/numeric/KDBasicDispatcher.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace corvane {
namespace {

TEST(BuiltinIntegerDivision, TruncatesTowardZeroAndIgnoresTheScaleFactor) {
  std::vector<int32_t> v = {-7, 7, -6, 2, INT_MIN};
  ippsDivC_32s_ISfs(3, v.data(), int(v.size()), 5);
  EXPECT_EQ(v, (std::vector<int32_t>{-2, 2, -2, 0, INT_MIN / 3}));

  std::vector<int32_t> src = {9, -9, INT_MIN}, dst(3);
  ippsDivC_32s_Sfs(src.data(), -2, dst.data(), 3, -4);
  EXPECT_EQ(dst, (std::vector<int32_t>{-4, 4, 1073741824}));
}

TEST(BuiltinIntegerDivision, DivisorsThatTrapInHardwareAreSafe) {
  std::vector<int32_t> v = {INT_MIN, 5};
  ippsDivC_32s_ISfs(-1, v.data(), 2, 0);
  EXPECT_EQ(v, (std::vector<int32_t>{INT_MIN, -5}));  // two's-complement wrap
  EXPECT_EQ(ippsDivC_32s_ISfs(0, v.data(), 2, 0), ippStsDivByZeroErr);
  EXPECT_EQ(v, (std::vector<int32_t>{INT_MIN, -5}));
}

TEST(Builtin64BitConversion, UnsignedValuesAboveTheSignedRangeStayPositive) {
  std::vector<uint64_t> u = {UINT64_MAX, 0, 1ull << 63, 12345};
  std::vector<double> d(4);
  ippsConvert_64u64f(u.data(), d.data(), 4);
  EXPECT_EQ(d, (std::vector<double>{18446744073709551616.0, 0.0, 9223372036854775808.0, 12345.0}));

  std::vector<int64_t> s = {INT64_MIN, -1, (1ll << 53) + 1};
  ippsConvert_64s64f(s.data(), d.data(), 3);
  EXPECT_EQ(d[0], -9223372036854775808.0);
  EXPECT_EQ(d[1], -1.0);
  EXPECT_EQ(d[2], 9007199254740992.0);  // nearest, ties to even
}

TEST(BuiltinRoutines, CountsOfZeroOrBelowAndNullPointersWriteNothing) {
  std::vector<double> d = {5.0};
  std::vector<int32_t> i = {5};
  const std::vector<int64_t> s = {1};
  const std::vector<uint64_t> u = {1};
  std::vector<Ipp64fc> c = {{5.0, 6.0}};
  for (int len : {0, -1}) {
    ippsDivC_32s_ISfs(2, i.data(), len, 0);
    ippsConvert_64u64f(u.data(), d.data(), len);
    ippsWinKaiser_64f_I(d.data(), len, 2.0f);
    ippsWinKaiser_64fc_I(c.data(), len, 2.0f);
  }
  EXPECT_EQ(ippsConvert_64u64f(nullptr, nullptr, 0), ippStsNoErr);
  // With a positive count every pointer is tested, before the divisor.
  EXPECT_EQ(ippsDivC_32s_ISfs(2, nullptr, 1, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsDivC_32s_Sfs(nullptr, 2, i.data(), 1, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsDivC_32s_Sfs(i.data(), 0, nullptr, 1, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_64s64f(nullptr, d.data(), 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_64s64f(s.data(), nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_64u64f(nullptr, d.data(), 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_64u64f(u.data(), nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsWinKaiser_64f_I(nullptr, 3, 2.0f), ippStsNullPtrErr);
  EXPECT_EQ(ippsWinKaiser_64f(nullptr, d.data(), 1, 2.0f), ippStsNullPtrErr);
  EXPECT_EQ(ippsWinKaiser_64f(d.data(), nullptr, 1, 2.0f), ippStsNullPtrErr);
  EXPECT_EQ(ippsWinKaiser_64fc_I(nullptr, 3, 2.0f), ippStsNullPtrErr);
  EXPECT_EQ(i[0], 5);
  EXPECT_EQ(d[0], 5.0);
  EXPECT_EQ(c[0].re, 5.0);
}

// I0 by the nine-term series, in long double, as the window definition states it.
long double SeriesI0(long double x) {
  long double sum = 1, factorial = 1;
  for (int k = 1; k <= 9; ++k) {
    factorial *= k;
    long double term = std::pow(x / 2, (long double)k) / factorial;
    sum += term * term;
  }
  return sum;
}

TEST(BuiltinKaiserWindow, MatchesTheSeriesDefinition) {
  const int n = 8;
  const float alpha = 0.7f;
  std::vector<double> ones(n, 1.0), window(n);
  ippsWinKaiser_64f(ones.data(), window.data(), n, alpha);
  const long double m = (n - 1) / 2.0L;
  for (int i = 0; i < n; ++i) {
    long double x = i - m;
    long double want = SeriesI0(alpha * std::sqrt(m * m - x * x)) / SeriesI0(alpha * m);
    EXPECT_NEAR(window[i], double(want), 1e-14) << i;
    EXPECT_DOUBLE_EQ(window[i], window[n - 1 - i]) << "symmetric";
  }
  EXPECT_DOUBLE_EQ(window[0], double(1 / SeriesI0(alpha * m)));
}

TEST(BuiltinKaiserWindow, SpecialCases) {
  std::vector<double> single = {3.5};
  ippsWinKaiser_64f_I(single.data(), 1, 4.0f);
  EXPECT_EQ(single[0], 3.5);

  std::vector<double> flat = {1, 2, 3, 4, 5};
  ippsWinKaiser_64f_I(flat.data(), 5, 0.0f);
  EXPECT_EQ(flat, (std::vector<double>{1, 2, 3, 4, 5}));

  std::vector<Ipp64fc> c(5, Ipp64fc{2.0, -3.0});
  std::vector<double> real(5, 1.0);
  ippsWinKaiser_64fc_I(c.data(), 5, 1.5f);
  ippsWinKaiser_64f_I(real.data(), 5, 1.5f);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(c[i].re, 2.0 * real[i]);
    EXPECT_EQ(c[i].im, -3.0 * real[i]);
  }
}

TEST(BuiltinMemory, BlocksAreZeroFilledAndAligned) {
  auto* block = static_cast<uint8_t*>(_ippMalloc(1000));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 64, 0u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(block[i], 0) << i;
  _ippFree(block);
  EXPECT_EQ(_ippMalloc(0), nullptr);
  EXPECT_EQ(_ippMalloc(-5), nullptr);
  _ippFree(nullptr);
}

}  // namespace
}  // namespace corvane
