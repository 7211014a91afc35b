#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/LogicAndShifts.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::ExpectSameAsReference;
using test::kLengths;
using test::RandomIntegersWithLimits;

using TInPlace = IppStatus (*)(const Ipp32u*, Ipp32u*, int);

void ExpectInPlaceMatches(TInPlace kernel, TInPlace reference) {
  const auto call = test::PointersLenThen();
  for (int len : kLengths)
    ExpectSameAsReference(call(kernel), call(reference), len,
                          RandomIntegersWithLimits<Ipp32u>(len, 1 + len),
                          RandomIntegersWithLimits<Ipp32u>(len, 2 + len));
}

// kernel(src, value, dst, len) and kernelInPlace(value, srcDst, len) against the reference's
// out-of-place form, for each of `values` (constants, shift counts).
template <class T, class V>
void ExpectValueFormsMatch(IppStatus (*kernel)(const T*, V, T*, int),
                           IppStatus (*kernelInPlace)(V, T*, int),
                           IppStatus (*reference)(const T*, V, T*, int),
                           std::initializer_list<V> values) {
  for (V val : values) {
    SCOPED_TRACE(testing::Message() << "value " << val);
    const auto outOfPlace = [val](auto fn) {
      return [=](int n, T* src, T* dst) { return fn(src, val, dst, n); };
    };
    for (int len : kLengths) {
      const auto src = RandomIntegersWithLimits<T>(len, 3 + len);
      ExpectSameAsReference(outOfPlace(kernel), outOfPlace(reference), len, src,
                            std::vector<T>(src.size()));
      ExpectSameAsReference([=](int n, T* x) { return kernelInPlace(val, x, n); },
                            [=](int n, T* x) { return reference(x, val, x, n); }, len, src);
    }
  }
}

KERNEL_TEST(LogicAndShifts, MatchesScalarReferenceOnEveryTarget, ippsAnd_32u_I, ippsOr_32u_I,
            ippsXor_32u_I, ippsAndC_32u, ippsAndC_32u_I, ippsOrC_32u, ippsOrC_32u_I, ippsXorC_32u,
            ippsXorC_32u_I, ippsLShiftC_32s, ippsLShiftC_32s_I, ippsRShiftC_32s,
            ippsRShiftC_32s_I) {
  ExpectInPlaceMatches(ippsAnd_32u_I, reference::ippsAnd_32u_I);
  ExpectInPlaceMatches(ippsOr_32u_I, reference::ippsOr_32u_I);
  ExpectInPlaceMatches(ippsXor_32u_I, reference::ippsXor_32u_I);
  const auto constants = {0u, 0xFFFFFFFFu, 0x80000001u, 0x0F0F00F0u};
  ExpectValueFormsMatch(ippsAndC_32u, ippsAndC_32u_I, reference::ippsAndC_32u, constants);
  ExpectValueFormsMatch(ippsOrC_32u, ippsOrC_32u_I, reference::ippsOrC_32u, constants);
  ExpectValueFormsMatch(ippsXorC_32u, ippsXorC_32u_I, reference::ippsXorC_32u, constants);
  const auto counts = {0, 1, 7, 30, 31, 32, 33, 100, INT_MAX, -1, INT_MIN};
  ExpectValueFormsMatch(ippsLShiftC_32s, ippsLShiftC_32s_I, reference::ippsLShiftC_32s, counts);
  ExpectValueFormsMatch(ippsRShiftC_32s, ippsRShiftC_32s_I, reference::ippsRShiftC_32s, counts);
}

KERNEL_TEST(LogicAndShifts, ShiftsOfNegativeValuesAndLongCounts) {
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
