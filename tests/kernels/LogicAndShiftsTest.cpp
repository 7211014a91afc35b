#include <gtest/gtest.h>

#include <climits>

#include "kernels/ipps.h"
#include "kernels/reference/LogicAndShifts.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::ExpectSameAsReference;
using test::ForEachTarget;
using test::kLengths;
using test::RandomIntegersWithLimits;

using TInPlace = IppStatus (*)(const Ipp32u*, Ipp32u*, int);
using TConstant = IppStatus (*)(const Ipp32u*, Ipp32u, Ipp32u*, int);
using TConstantInPlace = IppStatus (*)(Ipp32u, Ipp32u*, int);
using TShift = IppStatus (*)(const Ipp32s*, int, Ipp32s*, int);
using TShiftInPlace = IppStatus (*)(int, Ipp32s*, int);

void ExpectInPlaceMatches(TInPlace kernel, TInPlace reference) {
  for (int len : kLengths)
    ExpectSameAsReference(
        [&](int n, Ipp32u* src, Ipp32u* srcDst) { return kernel(src, srcDst, n); },
        [&](int n, Ipp32u* src, Ipp32u* srcDst) { return reference(src, srcDst, n); }, len,
        RandomIntegersWithLimits<Ipp32u>(len, 1 + len),
        RandomIntegersWithLimits<Ipp32u>(len, 2 + len));
}

void ExpectConstantMatches(TConstant kernel, TConstantInPlace kernelInPlace, TConstant reference) {
  for (Ipp32u val : {0u, 0xFFFFFFFFu, 0x80000001u, 0x0F0F00F0u}) {
    for (int len : kLengths) {
      const auto src = RandomIntegersWithLimits<Ipp32u>(len, 3 + len);
      const auto referenceCall = [&](int n, Ipp32u* x, Ipp32u* out) {
        return reference(x, val, out, n);
      };
      ExpectSameAsReference([&](int n, Ipp32u* x, Ipp32u* out) { return kernel(x, val, out, n); },
                            referenceCall, len, src, std::vector<Ipp32u>(src.size()));
      ExpectSameAsReference([&](int n, Ipp32u* x) { return kernelInPlace(val, x, n); },
                            [&](int n, Ipp32u* x) { return referenceCall(n, x, x); }, len, src);
    }
  }
}

void ExpectShiftMatches(TShift kernel, TShiftInPlace kernelInPlace, TShift reference) {
  for (int count : {0, 1, 7, 30, 31, 32, 33, 100, INT_MAX, -1, INT_MIN}) {
    SCOPED_TRACE(testing::Message() << "count " << count);
    for (int len : kLengths) {
      const auto src = RandomIntegersWithLimits<Ipp32s>(len, 4 + len);
      const auto referenceCall = [&](int n, Ipp32s* x, Ipp32s* out) {
        return reference(x, count, out, n);
      };
      ExpectSameAsReference([&](int n, Ipp32s* x, Ipp32s* out) { return kernel(x, count, out, n); },
                            referenceCall, len, src, std::vector<Ipp32s>(src.size()));
      ExpectSameAsReference([&](int n, Ipp32s* x) { return kernelInPlace(count, x, n); },
                            [&](int n, Ipp32s* x) { return referenceCall(n, x, x); }, len, src);
    }
  }
}

TEST(LogicAndShifts, MatchesScalarReferenceOnEveryTarget) {
  ForEachTarget([] {
    ExpectInPlaceMatches(ippsAnd_32u_I, reference::ippsAnd_32u_I);
    ExpectInPlaceMatches(ippsOr_32u_I, reference::ippsOr_32u_I);
    ExpectInPlaceMatches(ippsXor_32u_I, reference::ippsXor_32u_I);
    ExpectConstantMatches(ippsAndC_32u, ippsAndC_32u_I, reference::ippsAndC_32u);
    ExpectConstantMatches(ippsOrC_32u, ippsOrC_32u_I, reference::ippsOrC_32u);
    ExpectConstantMatches(ippsXorC_32u, ippsXorC_32u_I, reference::ippsXorC_32u);
    ExpectShiftMatches(ippsLShiftC_32s, ippsLShiftC_32s_I, reference::ippsLShiftC_32s);
    ExpectShiftMatches(ippsRShiftC_32s, ippsRShiftC_32s_I, reference::ippsRShiftC_32s);
  });
}

TEST(LogicAndShifts, ShiftsOfNegativeValuesAndLongCounts) {
  std::vector<Ipp32s> v = {-1, -3, INT_MIN, 5};
  ASSERT_EQ(ippsRShiftC_32s_I(1, v.data(), 4), ippStsNoErr);  // arithmetic: floor division
  EXPECT_EQ(v, (std::vector<Ipp32s>{-1, -2, INT_MIN / 2, 2}));
  ASSERT_EQ(ippsRShiftC_32s_I(40, v.data(), 4), ippStsNoErr);  // only the sign is left
  EXPECT_EQ(v, (std::vector<Ipp32s>{-1, -1, -1, 0}));
  std::vector<Ipp32s> w = {-1, 0x40000001, 3};
  ASSERT_EQ(ippsLShiftC_32s_I(1, w.data(), 3), ippStsNoErr);  // bits shifted out are lost
  EXPECT_EQ(w, (std::vector<Ipp32s>{-2, INT_MIN + 2, 6}));
  ASSERT_EQ(ippsLShiftC_32s_I(32, w.data(), 3), ippStsNoErr);
  EXPECT_EQ(w, (std::vector<Ipp32s>{0, 0, 0}));
}

TEST(LogicAndShifts, BadArgumentsWriteNothing) {
  std::vector<Ipp32s> src = {1, 2}, dst = {7, 7};
  std::vector<Ipp32u> bits = {7, 7};
  EXPECT_EQ(ippsLShiftC_32s(src.data(), -1, dst.data(), 2), ippStsShiftErr);
  EXPECT_EQ(ippsRShiftC_32s_I(-5, dst.data(), 2), ippStsShiftErr);
  EXPECT_EQ(ippsRShiftC_32s(src.data(), -1, nullptr, 2), ippStsNullPtrErr);  // pointers first
  EXPECT_EQ(ippsLShiftC_32s_I(-1, dst.data(), 0), ippStsSizeErr);            // then the length
  EXPECT_EQ(ippsAnd_32u_I(nullptr, bits.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsXorC_32u_I(1, bits.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsOrC_32u(bits.data(), 1, nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(dst, (std::vector<Ipp32s>{7, 7}));
  EXPECT_EQ(bits, (std::vector<Ipp32u>{7, 7}));
}

}  // namespace
}  // namespace corvane::kernels
