#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "kernels/ipps.h"
#include "kernels/reference/ScaledIntegerArithmetic.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::ExpectSameAsReference;
using test::kLengths;
using test::RandomIntegers;
using test::RandomIntegersWithLimits;

template <class T>
using TInPlace = IppStatus (*)(const T*, T*, int, int);
using TConstant = IppStatus (*)(const Ipp32s*, Ipp32s, Ipp32s*, int, int);
using TConstantInPlace = IppStatus (*)(Ipp32s, Ipp32s*, int, int);

// Every scale factor from -3 to 31, and the large ones around the points where results stop
// changing (all saturated, or all rounded to 0).
std::vector<int> ScaleFactors() {
  std::vector<int> sfs = {INT_MIN, -100, -64, -63, -62, -61, -33, -32, -31, -8,   -7,
                          32,      33,   34,  40,  61,  62,  63,  64,  65,  1000, INT_MAX};
  for (int sf = -3; sf <= 31; ++sf) sfs.push_back(sf);
  return sfs;
}

// Operands over the whole range with the range limits mixed in, and small ones, whose sums and
// products stay in range for small scale factors.
template <class T>
std::vector<std::vector<T>> Operands(int len, uint32_t seed) {
  return {RandomIntegersWithLimits<T>(len, seed),
          RandomIntegers<T>(len, seed + 1, std::is_signed_v<T> ? T(-70000) : T(0),
                            std::is_signed_v<T> ? T(70000) : T(20))};
}

template <class T>
void ExpectInPlaceMatches(TInPlace<T> kernel, TInPlace<T> reference) {
  for (int sf : ScaleFactors()) {
    SCOPED_TRACE(testing::Message() << "sf " << sf);
    const auto call = test::PointersLenThen(sf);
    for (int len : kLengths) {
      const auto sources = Operands<T>(len, 1 + len), values = Operands<T>(len, 5 + len);
      for (size_t i = 0; i < sources.size(); ++i)
        ExpectSameAsReference(call(kernel), call(reference), len, sources[i], values[i]);
    }
  }
}

void ExpectConstantMatches(TConstant kernel, TConstantInPlace kernelInPlace, TConstant reference) {
  for (int sf : ScaleFactors()) {
    for (Ipp32s val : {0, 1, -3, 65536, INT_MAX, INT_MIN}) {
      SCOPED_TRACE(testing::Message() << "sf " << sf << " val " << val);
      const auto outOfPlace = [=](auto fn) {
        return [=](int n, Ipp32s* x, Ipp32s* out) { return fn(x, val, out, n, sf); };
      };
      for (int len : kLengths) {
        for (const auto& src : Operands<Ipp32s>(len, 9 + len)) {
          ExpectSameAsReference(outOfPlace(kernel), outOfPlace(reference), len, src,
                                std::vector<Ipp32s>(src.size()));
          ExpectSameAsReference([=](int n, Ipp32s* x) { return kernelInPlace(val, x, n, sf); },
                                [=](int n, Ipp32s* x) { return reference(x, val, x, n, sf); }, len,
                                src);
        }
      }
    }
  }
}

KERNEL_TEST(ScaledIntegerArithmetic, VectorVectorMatchesScalarReferenceOnEveryTarget,
            ippsAdd_32s_ISfs, ippsSub_32s_ISfs, ippsMul_32s_ISfs, ippsDiv_32s_ISfs, ippsAdd_8u_ISfs,
            ippsSub_8u_ISfs, ippsMul_8u_ISfs) {
  ExpectInPlaceMatches<Ipp32s>(ippsAdd_32s_ISfs, reference::ippsAdd_32s_ISfs);
  ExpectInPlaceMatches<Ipp32s>(ippsSub_32s_ISfs, reference::ippsSub_32s_ISfs);
  ExpectInPlaceMatches<Ipp32s>(ippsMul_32s_ISfs, reference::ippsMul_32s_ISfs);
  ExpectInPlaceMatches<Ipp32s>(ippsDiv_32s_ISfs, reference::ippsDiv_32s_ISfs);
  ExpectInPlaceMatches<Ipp8u>(ippsAdd_8u_ISfs, reference::ippsAdd_8u_ISfs);
  ExpectInPlaceMatches<Ipp8u>(ippsSub_8u_ISfs, reference::ippsSub_8u_ISfs);
  ExpectInPlaceMatches<Ipp8u>(ippsMul_8u_ISfs, reference::ippsMul_8u_ISfs);
}

KERNEL_TEST(ScaledIntegerArithmetic, VectorConstantMatchesScalarReferenceOnEveryTarget,
            ippsAddC_32s_Sfs, ippsAddC_32s_ISfs, ippsSubC_32s_Sfs, ippsSubC_32s_ISfs,
            ippsSubCRev_32s_Sfs, ippsSubCRev_32s_ISfs, ippsMulC_32s_Sfs, ippsMulC_32s_ISfs) {
  ExpectConstantMatches(ippsAddC_32s_Sfs, ippsAddC_32s_ISfs, reference::ippsAddC_32s_Sfs);
  ExpectConstantMatches(ippsSubC_32s_Sfs, ippsSubC_32s_ISfs, reference::ippsSubC_32s_Sfs);
  ExpectConstantMatches(ippsSubCRev_32s_Sfs, ippsSubCRev_32s_ISfs, reference::ippsSubCRev_32s_Sfs);
  ExpectConstantMatches(ippsMulC_32s_Sfs, ippsMulC_32s_ISfs, reference::ippsMulC_32s_Sfs);
}

KERNEL_TEST(ScaledIntegerArithmetic, ExactHalvesRoundToEven) {
  for (int sf = 1; sf <= 31; ++sf) {
    // (2k + 1) * 2^(sf - 1) scaled by 2^-sf is k + 1/2.
    std::vector<Ipp32s> halves, expected;
    for (int64_t k = -4; k <= 3; ++k) {
      const int64_t v = (2 * k + 1) << (sf - 1);
      if (v < INT_MIN || v > INT_MAX) continue;
      halves.push_back(Ipp32s(v));
      expected.push_back(Ipp32s(std::nearbyint(double(2 * k + 1) / 2)));
    }
    ASSERT_EQ(ippsAddC_32s_ISfs(0, halves.data(), int(halves.size()), sf), ippStsNoErr);
    EXPECT_EQ(halves, expected) << "sf " << sf;
  }
}

TEST(ScaledIntegerArithmetic, DocumentedExamples) {
  std::vector<Ipp32s> x = {-1, INT_MAX, 2, 30000};  // x + x halved loses nothing
  ASSERT_EQ(ippsAdd_32s_ISfs(x.data(), x.data(), 4, 1), ippStsNoErr);
  EXPECT_EQ(x, (std::vector<Ipp32s>{-1, INT_MAX, 2, 30000}));

  std::vector<Ipp8u> four = {4, 4}, three = {3, 3};  // 3 - 4 saturates to 0; -0.5 rounds to 0
  ASSERT_EQ(ippsSub_8u_ISfs(four.data(), three.data(), 1, 0), ippStsNoErr);
  ASSERT_EQ(ippsSub_8u_ISfs(four.data() + 1, three.data() + 1, 1, 1), ippStsNoErr);
  EXPECT_EQ(three, (std::vector<Ipp8u>{0, 0}));

  Ipp32s out = 0, minimum = INT_MIN;
  ASSERT_EQ(ippsSubCRev_32s_Sfs(&minimum, 0, &out, 1, 0), ippStsNoErr);
  EXPECT_EQ(out, INT_MAX);

  std::vector<Ipp32s> big = {65536};
  ASSERT_EQ(ippsMul_32s_ISfs(big.data(), big.data(), 1, 0), ippStsNoErr);
  EXPECT_EQ(big[0], INT_MAX);
}

TEST(ScaledIntegerArithmetic, DivisionRoundsTheRealQuotient) {
  std::vector<Ipp32s> divisor = {-2, 2, 0, 0, 0}, value = {-3, 2, 0, 300, -5};
  EXPECT_EQ(ippsDiv_32s_ISfs(divisor.data(), value.data(), 5, -1), ippStsDivByZero);
  EXPECT_EQ(value, (std::vector<Ipp32s>{3, 2, 0, INT_MAX, INT_MIN}));

  std::vector<Ipp32s> twos(6, 2), halves = {-1, -3, -5, 5, 7, 1};
  EXPECT_EQ(ippsDiv_32s_ISfs(twos.data(), halves.data(), 6, 0), ippStsNoErr);
  EXPECT_EQ(halves, (std::vector<Ipp32s>{0, -2, -2, 2, 4, 0}));

  std::vector<Ipp32s> minusOne = {-1}, minimum = {INT_MIN};
  EXPECT_EQ(ippsDiv_32s_ISfs(minusOne.data(), minimum.data(), 1, 0), ippStsNoErr);
  EXPECT_EQ(minimum[0], INT_MAX);
}

TEST(ScaledIntegerArithmetic, BadArgumentsWriteNothing) {
  std::vector<Ipp32s> a = {1, 2}, dst = {7, 7};
  std::vector<Ipp8u> bytes = {7, 7};
  EXPECT_EQ(ippsAdd_32s_ISfs(nullptr, dst.data(), 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsDiv_32s_ISfs(a.data(), dst.data(), 0, 0), ippStsSizeErr);
  EXPECT_EQ(ippsMulC_32s_Sfs(a.data(), 3, nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsSubCRev_32s_ISfs(3, dst.data(), -1, 0), ippStsSizeErr);
  EXPECT_EQ(ippsMul_8u_ISfs(bytes.data(), nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsAdd_8u_ISfs(bytes.data(), bytes.data(), 0, 0), ippStsSizeErr);
  EXPECT_EQ(dst, (std::vector<Ipp32s>{7, 7}));
  EXPECT_EQ(bytes, (std::vector<Ipp8u>{7, 7}));
}

}  // namespace
}  // namespace corvane::kernels
