#include <gtest/gtest.h>

#include "kernels/ipps.h"
#include "kernels/reference/Real64Arithmetic.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::kLengths;
using test::Misaligned;
using test::RandomDoubles;

using TBinary = IppStatus (*)(const Ipp64f*, const Ipp64f*, Ipp64f*, int);
using TBinaryInPlace = IppStatus (*)(const Ipp64f*, Ipp64f*, int);
using TConstant = IppStatus (*)(const Ipp64f*, Ipp64f, Ipp64f*, int);
using TConstantInPlace = IppStatus (*)(Ipp64f, Ipp64f*, int);

// The out-of-place kernel on misaligned memory against the reference, bit for bit.
void ExpectBinaryMatches(TBinary kernel, TBinary expected) {
  for (int len : kLengths) {
    auto a = RandomDoubles(len, 1 + len), b = RandomDoubles(len, 2 + len);
    std::vector<double> want(static_cast<size_t>(len)), got(static_cast<size_t>(len));
    Misaligned<double> ma(a), mb(b), mdst(got);
    ASSERT_EQ(expected(a.data(), b.data(), want.data(), len), kernel(ma.Data(), mb.Data(), mdst.Data(), len));
    EXPECT_TRUE(BitwiseEqual(want, mdst.Values())) << "len " << len;
  }
}

void ExpectInPlaceMatches(TBinaryInPlace kernel, TBinaryInPlace expected) {
  for (int len : kLengths) {
    auto src = RandomDoubles(len, 3 + len), want = RandomDoubles(len, 4 + len);
    Misaligned<double> msrc(src), mdst(want);
    ASSERT_EQ(expected(src.data(), want.data(), len), kernel(msrc.Data(), mdst.Data(), len));
    EXPECT_TRUE(BitwiseEqual(want, mdst.Values())) << "len " << len;
  }
}

void ExpectConstantMatches(TConstant kernel, TConstantInPlace kernelInPlace, TConstant expected) {
  for (double val : {2.5, -0.0, std::numeric_limits<double>::infinity(), 1e-310}) {
    for (int len : kLengths) {
      auto src = RandomDoubles(len, 5 + len);
      std::vector<double> want(static_cast<size_t>(len)), got(static_cast<size_t>(len));
      Misaligned<double> msrc(src), mdst(got), minplace(src);
      IppStatus status = expected(src.data(), val, want.data(), len);
      ASSERT_EQ(status, kernel(msrc.Data(), val, mdst.Data(), len));
      ASSERT_EQ(status, kernelInPlace(val, minplace.Data(), len));
      if (status != ippStsNoErr) continue;
      EXPECT_TRUE(BitwiseEqual(want, mdst.Values())) << "val " << val << " len " << len;
      EXPECT_TRUE(BitwiseEqual(want, minplace.Values())) << "in place, val " << val;
    }
  }
}

TEST(Real64Arithmetic, VectorVectorMatchesScalarReference) {
  ExpectBinaryMatches(ippsAdd_64f, reference::ippsAdd_64f);
  ExpectBinaryMatches(ippsMul_64f, reference::ippsMul_64f);
  ExpectInPlaceMatches(ippsAdd_64f_I, [](const Ipp64f* s, Ipp64f* d, int n) {
    return reference::ippsAdd_64f(s, d, d, n);
  });
  ExpectInPlaceMatches(ippsMul_64f_I, [](const Ipp64f* s, Ipp64f* d, int n) {
    return reference::ippsMul_64f(s, d, d, n);
  });
  ExpectInPlaceMatches(ippsSub_64f_I, reference::ippsSub_64f_I);
  ExpectInPlaceMatches(ippsDiv_64f_I, reference::ippsDiv_64f_I);
}

TEST(Real64Arithmetic, VectorConstantMatchesScalarReference) {
  ExpectConstantMatches(ippsAddC_64f, ippsAddC_64f_I, reference::ippsAddC_64f);
  ExpectConstantMatches(ippsSubC_64f, ippsSubC_64f_I, reference::ippsSubC_64f);
  ExpectConstantMatches(ippsSubCRev_64f, ippsSubCRev_64f_I, reference::ippsSubCRev_64f);
  ExpectConstantMatches(ippsMulC_64f, ippsMulC_64f_I, reference::ippsMulC_64f);
  ExpectConstantMatches(ippsDivC_64f, ippsDivC_64f_I, reference::ippsDivC_64f);
}

TEST(Real64Arithmetic, OperandOrderOfNonCommutativeForms) {
  std::vector<double> src = {1, 4}, dst = {10, 20};
  ippsSub_64f_I(src.data(), dst.data(), 2);
  EXPECT_EQ(dst, (std::vector<double>{9, 16}));
  ippsDiv_64f_I(src.data(), dst.data(), 2);
  EXPECT_EQ(dst, (std::vector<double>{9, 4}));
  ippsSubCRev_64f(src.data(), 10, dst.data(), 2);
  EXPECT_EQ(dst, (std::vector<double>{9, 6}));
}

TEST(Real64Arithmetic, DivisionByZero) {
  std::vector<double> divisor = {0.0, -0.0, 0.0, 2.0}, values = {1.0, 1.0, 0.0, 1.0};
  EXPECT_EQ(ippsDiv_64f_I(divisor.data(), values.data(), 4), ippStsDivByZero);
  EXPECT_EQ(values[0], std::numeric_limits<double>::infinity());
  EXPECT_EQ(values[1], -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(values[2]));
  EXPECT_EQ(values[3], 0.5);

  std::vector<double> untouched = {3.0, 4.0};
  EXPECT_EQ(ippsDivC_64f_I(0.0, untouched.data(), 2), ippStsDivByZeroErr);
  EXPECT_EQ(untouched, (std::vector<double>{3.0, 4.0}));
}

TEST(Real64Arithmetic, BadArgumentsWriteNothing) {
  std::vector<double> a = {1, 2}, dst = {7, 7};
  EXPECT_EQ(ippsAdd_64f(nullptr, a.data(), dst.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsAdd_64f(a.data(), a.data(), nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsAdd_64f(a.data(), a.data(), dst.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsMulC_64f_I(2.0, dst.data(), -1), ippStsSizeErr);
  EXPECT_EQ(ippsDivC_64f(nullptr, 0.0, dst.data(), 2), ippStsNullPtrErr);  // pointers checked first
  EXPECT_EQ(dst, (std::vector<double>{7, 7}));
}

}  // namespace
}  // namespace corvane::kernels
