#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Thresholds.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::kLengths;
using test::Misaligned;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr IppCmpOp kRelOps[] = {ippCmpLess, ippCmpGreater};

// Runs the in-place kernel and its reference on copies of `data`: statuses and results equal.
template <class T, class Kernel, class Reference>
void ExpectInPlaceMatches(const std::vector<T>& data, Kernel kernel, Reference expected) {
  std::vector<T> want = data;
  Misaligned<T> got(data);
  const IppStatus status = expected(want.data(), int(data.size()));
  ASSERT_EQ(kernel(got.Data(), int(data.size())), status);
  EXPECT_TRUE(BitwiseEqual(want, got.Values())) << "len " << data.size();
}

TEST(Thresholds, RealFormsMatchReferenceBitForBit) {
  for (int len : kLengths) {
    const auto x = test::RandomDoubles(len, 1 + len);
    const auto f = test::ToFloats(test::RandomDoubles(len, 2 + len));
    const auto i = test::RandomIntegers<Ipp32s>(len, 3 + len);
    for (IppCmpOp op : kRelOps) {
      for (double level : {0.0, -20.0, 35.5, kInf}) {
        SCOPED_TRACE(testing::Message() << "op " << op << " level " << level);
        std::vector<double> want(x.size());
        Misaligned<double> mx(x), mdst(want);
        reference::ippsThreshold_64f(x.data(), want.data(), len, level, op);
        ASSERT_EQ(ippsThreshold_64f(mx.Data(), mdst.Data(), len, level, op), ippStsNoErr);
        EXPECT_TRUE(BitwiseEqual(want, mdst.Values()));
        ExpectInPlaceMatches(
            x, [&](double* p, int n) { return ippsThreshold_64f_I(p, n, level, op); },
            [&](double* p, int n) { return reference::ippsThreshold_64f_I(p, n, level, op); });
        ExpectInPlaceMatches(
            f, [&](float* p, int n) { return ippsThreshold_32f_I(p, n, float(level), op); },
            [&](float* p, int n) {
              return reference::ippsThreshold_32f_I(p, n, float(level), op);
            });
      }
    }
    for (Ipp32s level : {0, -7, INT32_MAX, INT32_MIN}) {
      ExpectInPlaceMatches(
          i, [&](Ipp32s* p, int n) { return ippsThreshold_LT_32s_I(p, n, level); },
          [&](Ipp32s* p, int n) { return reference::ippsThreshold_LT_32s_I(p, n, level); });
      ExpectInPlaceMatches(
          i, [&](Ipp32s* p, int n) { return ippsThreshold_GT_32s_I(p, n, level); },
          [&](Ipp32s* p, int n) { return reference::ippsThreshold_GT_32s_I(p, n, level); });
    }
  }
}

TEST(Thresholds, ComplexFormsMatchReferenceBitForBit) {
  for (int len : kLengths) {
    auto z = test::RandomComplex(len, 4 + len);
    z[z.size() / 2] = {0.0, -0.0};
    for (IppCmpOp op : kRelOps) {
      for (double level : {0.0, 1.0, 60.0, kInf}) {
        SCOPED_TRACE(testing::Message() << "op " << op << " level " << level << " len " << len);
        std::vector<Ipp64fc> want(z.size());
        Misaligned<Ipp64fc> mz(z), mdst(want);
        reference::ippsThreshold_64fc(z.data(), want.data(), len, level, op);
        ASSERT_EQ(ippsThreshold_64fc(mz.Data(), mdst.Data(), len, level, op), ippStsNoErr);
        EXPECT_TRUE(BitwiseEqual(want, mdst.Values()));
        ExpectInPlaceMatches(
            z, [&](Ipp64fc* p, int n) { return ippsThreshold_64fc_I(p, n, level, op); },
            [&](Ipp64fc* p, int n) { return reference::ippsThreshold_64fc_I(p, n, level, op); });
      }
    }
  }
}

TEST(Thresholds, StrictComparisonAndNaNPassesThrough) {
  std::vector<double> x = {-1, 0, -0.0, 1, kNaN, 2};
  ippsThreshold_64f_I(x.data(), 6, 0.0, ippCmpLess);
  EXPECT_TRUE(BitwiseEqual(x, {0, 0, -0.0, 1, kNaN, 2}));  // -0 is not below 0
  ippsThreshold_64f_I(x.data(), 6, 1.0, ippCmpGreater);
  EXPECT_TRUE(BitwiseEqual(x, {0, 0, -0.0, 1, kNaN, 1}));
  std::vector<Ipp32s> i = {-5, 3, 9};
  ippsThreshold_LT_32s_I(i.data(), 3, 3);
  EXPECT_EQ(i, (std::vector<Ipp32s>{3, 3, 9}));
  ippsThreshold_GT_32s_I(i.data(), 3, 4);
  EXPECT_EQ(i, (std::vector<Ipp32s>{3, 3, 4}));
}

TEST(Thresholds, ComplexFormsLimitTheMagnitudeKeepingThePhase) {
  std::vector<Ipp64fc> z = {{3, 4}, {0.3, -0.4}, {0, 0}, {kNaN, 1}};
  ippsThreshold_64fc_I(z.data(), 4, 1.0, ippCmpGreater);
  EXPECT_DOUBLE_EQ(z[0].re, 0.6);
  EXPECT_DOUBLE_EQ(z[0].im, 0.8);
  EXPECT_EQ(z[1].re, 0.3);
  ippsThreshold_64fc_I(z.data(), 4, 2.0, ippCmpLess);
  EXPECT_DOUBLE_EQ(z[1].re, 1.2);
  EXPECT_DOUBLE_EQ(z[1].im, -1.6);
  EXPECT_EQ(z[2].re, 2.0);  // a zero element has phase 0
  EXPECT_EQ(z[2].im, 0.0);
  EXPECT_TRUE(std::isnan(z[3].re));
  EXPECT_EQ(z[3].im, 1.0);
}

TEST(Thresholds, BadArgumentsWriteNothing) {
  std::vector<double> x = {5, -5};
  for (IppCmpOp op : {ippCmpLessEq, ippCmpEq, ippCmpGreaterEq, IppCmpOp(7)}) {
    EXPECT_EQ(ippsThreshold_64f_I(x.data(), 2, 0.0, op), ippStsBadArgErr);
    EXPECT_EQ(ippsThreshold_64f(x.data(), x.data(), 2, 0.0, op), ippStsBadArgErr);
  }
  EXPECT_EQ(ippsThreshold_64f(nullptr, x.data(), 2, 0.0, ippCmpEq), ippStsNullPtrErr);
  EXPECT_EQ(ippsThreshold_64f(x.data(), x.data(), 0, 0.0, ippCmpEq), ippStsSizeErr);
  EXPECT_EQ(x, (std::vector<double>{5, -5}));

  std::vector<float> f = {5, -5};
  EXPECT_EQ(ippsThreshold_32f_I(f.data(), 2, 0.0f, ippCmpEq), ippStsBadArgErr);
  EXPECT_EQ(ippsThreshold_32f_I(nullptr, 2, 0.0f, ippCmpLess), ippStsNullPtrErr);
  EXPECT_EQ(f, (std::vector<float>{5, -5}));

  std::vector<Ipp64fc> z = {{5, 5}};
  EXPECT_EQ(ippsThreshold_64fc_I(z.data(), 1, -1.0, ippCmpGreater), ippStsThreshNegLevelErr);
  EXPECT_EQ(ippsThreshold_64fc(z.data(), z.data(), 1, -1.0, ippCmpEq), ippStsBadArgErr);
  EXPECT_EQ(ippsThreshold_64fc(z.data(), z.data(), -1, -1.0, ippCmpEq), ippStsSizeErr);
  EXPECT_EQ(ippsThreshold_64fc(z.data(), nullptr, 1, 1.0, ippCmpLess), ippStsNullPtrErr);
  EXPECT_EQ(z[0].re, 5);

  std::vector<Ipp32s> i = {5, -5};
  EXPECT_EQ(ippsThreshold_LT_32s_I(nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsThreshold_GT_32s_I(i.data(), 0, 0), ippStsSizeErr);
  EXPECT_EQ(i, (std::vector<Ipp32s>{5, -5}));
}

}  // namespace
}  // namespace corvane::kernels
