#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Real64Arithmetic.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::ExpectSameAsReference;
using test::kLengths;
using test::RandomReals;

using TBinaryInPlace = IppStatus (*)(const Ipp64f*, Ipp64f*, int);
using TConstant = IppStatus (*)(const Ipp64f*, Ipp64f, Ipp64f*, int);
using TConstantInPlace = IppStatus (*)(Ipp64f, Ipp64f*, int);

// The in-place form of a binary reference: srcDst = f(src, srcDst).
template <IppStatus (*reference)(const Ipp64f*, const Ipp64f*, Ipp64f*, int)>
IppStatus InPlace(const Ipp64f* src, Ipp64f* srcDst, int len) {
  return reference(src, srcDst, srcDst, len);
}

void ExpectInPlaceMatches(TBinaryInPlace kernel, TBinaryInPlace reference) {
  const auto call = test::PointersLenThen();
  for (int len : kLengths)
    ExpectSameAsReference(call(kernel), call(reference), len, RandomReals(len, 3 + len),
                          RandomReals(len, 4 + len));
}

void ExpectConstantMatches(TConstant kernel, TConstantInPlace kernelInPlace, TConstant reference) {
  for (double val : {2.5, -0.0, std::numeric_limits<double>::infinity(), 1e-310}) {
    SCOPED_TRACE(testing::Message() << "val " << val);
    const auto outOfPlace = [val](TConstant fn) {
      return [=](int n, const double* src, double* dst) { return fn(src, val, dst, n); };
    };
    for (int len : kLengths) {
      const auto src = RandomReals(len, 5 + len);
      ExpectSameAsReference(outOfPlace(kernel), outOfPlace(reference), len, src,
                            std::vector<double>(src.size()));
      ExpectSameAsReference([=](int n, double* x) { return kernelInPlace(val, x, n); },
                            [=](int n, double* x) { return reference(x, val, x, n); }, len, src);
    }
  }
}

KERNEL_TEST(Real64Arithmetic, VectorVectorMatchesScalarReference, ippsAdd_64f, ippsMul_64f,
            ippsAdd_64f_I, ippsMul_64f_I, ippsSub_64f_I, ippsDiv_64f_I) {
  const auto call = test::PointersLenThen();
  for (int len : kLengths) {
    const auto a = RandomReals(len, 1 + len), b = RandomReals(len, 2 + len);
    const std::vector<double> dst(a.size());
    ExpectSameAsReference(call(ippsAdd_64f), call(reference::ippsAdd_64f), len, a, b, dst);
    ExpectSameAsReference(call(ippsMul_64f), call(reference::ippsMul_64f), len, a, b, dst);
  }
  ExpectInPlaceMatches(ippsAdd_64f_I, InPlace<reference::ippsAdd_64f>);
  ExpectInPlaceMatches(ippsMul_64f_I, InPlace<reference::ippsMul_64f>);
  ExpectInPlaceMatches(ippsSub_64f_I, reference::ippsSub_64f_I);
  ExpectInPlaceMatches(ippsDiv_64f_I, reference::ippsDiv_64f_I);
}

KERNEL_TEST(Real64Arithmetic, VectorConstantMatchesScalarReference, ippsAddC_64f, ippsAddC_64f_I,
            ippsSubC_64f, ippsSubC_64f_I, ippsSubCRev_64f, ippsSubCRev_64f_I, ippsMulC_64f,
            ippsMulC_64f_I, ippsDivC_64f, ippsDivC_64f_I) {
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

KERNEL_TEST(Real64Arithmetic, DivisionByZero) {
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
