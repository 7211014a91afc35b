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
using test::ExpectSameAsReference;
using test::kLengths;
using test::PointersLenThen;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr IppCmpOp kRelOps[] = {ippCmpLess, ippCmpGreater};

KERNEL_TEST(Thresholds, RealFormsMatchReferenceBitForBit, ippsThreshold_64f, ippsThreshold_64f_I,
            ippsThreshold_32f_I, ippsThreshold_LT_32s_I, ippsThreshold_GT_32s_I) {
  for (int len : kLengths) {
    const auto x = test::RandomReals(len, 1 + len);
    const auto f = test::ToFloats(test::RandomReals(len, 2 + len));
    for (IppCmpOp op : kRelOps) {
      for (double level : {0.0, -20.0, 35.5, kInf}) {
        SCOPED_TRACE(testing::Message() << "op " << op << " level " << level);
        const auto call = PointersLenThen(level, op);
        ExpectSameAsReference(call(ippsThreshold_64f), call(reference::ippsThreshold_64f), len, x,
                              std::vector<double>(x.size()));
        ExpectSameAsReference(call(ippsThreshold_64f_I), call(reference::ippsThreshold_64f_I), len,
                              x);
        const auto callFloat = PointersLenThen(float(level), op);
        ExpectSameAsReference(callFloat(ippsThreshold_32f_I),
                              callFloat(reference::ippsThreshold_32f_I), len, f);
      }
    }
    const auto i = test::RandomIntegers<Ipp32s>(len, 3 + len);
    for (Ipp32s level : {0, -7, INT32_MAX, INT32_MIN}) {
      const auto call = PointersLenThen(level);
      ExpectSameAsReference(call(ippsThreshold_LT_32s_I), call(reference::ippsThreshold_LT_32s_I),
                            len, i);
      ExpectSameAsReference(call(ippsThreshold_GT_32s_I), call(reference::ippsThreshold_GT_32s_I),
                            len, i);
    }
  }
}

KERNEL_TEST(Thresholds, ComplexFormsMatchReferenceBitForBit, ippsThreshold_64fc,
            ippsThreshold_64fc_I) {
  for (int len : kLengths) {
    auto z = test::RandomComplexOfAnyMagnitude(len, 4 + len);
    z[z.size() / 2] = {0.0, -0.0};
    for (IppCmpOp op : kRelOps) {
      for (double level : {0.0, 1.0, 60.0, 1e-300, 1e300, kInf}) {
        SCOPED_TRACE(testing::Message() << "op " << op << " level " << level << " len " << len);
        const auto call = PointersLenThen(level, op);
        ExpectSameAsReference(call(ippsThreshold_64fc), call(reference::ippsThreshold_64fc), len, z,
                              std::vector<Ipp64fc>(z.size()));
        ExpectSameAsReference(call(ippsThreshold_64fc_I), call(reference::ippsThreshold_64fc_I),
                              len, z);
      }
    }
  }
}

KERNEL_TEST(Thresholds, StrictComparisonAndNaNPassesThrough) {
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

KERNEL_TEST(Thresholds, ComplexFormsLimitTheMagnitudeKeepingThePhaseAtAnyMagnitude) {
  const long double half = std::sqrt(0.5L);
  const struct {
    Ipp64fc z;
    double level;
    IppCmpOp relOp;
    long double wantRe, wantIm;
  } cases[] = {
      {{3, 4}, 1.0, ippCmpGreater, 0.6L, 0.8L},
      {{0.3, -0.4}, 1.0, ippCmpGreater, 0.3, -0.4},
      {{0.3, -0.4}, 2.0, ippCmpLess, 1.2L, -1.6L},
      {{0, 0}, 2.0, ippCmpLess, 2, 0},  // a zero element has phase 0
      {{kNaN, 1}, 2.0, ippCmpLess, kNaN, 1},
      // Parts whose squares lie beyond the double range, or below its normal range.
      {{1e200, 0}, 1.0, ippCmpGreater, 1, 0},
      {{-1e300, 1e300}, 1.0, ippCmpGreater, -half, half},
      {{1e-200, 1e-200}, 1.0, ippCmpLess, half, half},
      {{-4e-320, 0}, 1.0, ippCmpLess, -1, 0},
      {{1e-300, -1e-300}, 1e300, ippCmpLess, 1e300L * half, -1e300L * half},
  };
  for (const auto& c : cases) {
    Ipp64fc got = c.z;
    ASSERT_EQ(ippsThreshold_64fc_I(&got, 1, c.level, c.relOp), ippStsNoErr);
    SCOPED_TRACE(testing::Message() << c.z << " limited to " << c.level << ": " << got);
    EXPECT_LE(test::UlpError(got.re, c.wantRe), 2.0);
    EXPECT_LE(test::UlpError(got.im, c.wantIm), 2.0);
  }
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
