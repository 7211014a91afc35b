#include <gtest/gtest.h>

#include <cmath>

#include "kernels/ipps.h"
#include "kernels/reference/ComplexArithmetic.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::kLengths;
using test::RandomReals;

using TBinaryInPlace = IppStatus (*)(const Ipp64fc*, Ipp64fc*, int);
using TConstant = IppStatus (*)(const Ipp64fc*, Ipp64fc, Ipp64fc*, int);
using TConstantInPlace = IppStatus (*)(Ipp64fc, Ipp64fc*, int);

// Products and quotients combine several operations, so two NaNs meet and either may come out.
template <class... Args>
void ExpectSameAsReference(const Args&... args) {
  test::ExpectSameAsReference<test::NaNs::kAny>(args...);
}

// The test data are vectors of 2n doubles, the layout of n Ipp64fc.
Ipp64fc* AsComplex(double* parts) {
  return reinterpret_cast<Ipp64fc*>(parts);
}

// fn(pointers..., len) called with the test data's doubles.
template <class Fn>
auto OnParts(Fn fn) {
  return [=](int n, auto*... parts) { return fn(AsComplex(parts)..., n); };
}

// 2n random parts with special values, and with every eleventh value a zero (+0 or -0 parts).
std::vector<double> RandomComplex(int n, uint32_t seed) {
  auto parts = RandomReals(2 * n, seed);
  for (size_t i = 5; 2 * i < parts.size(); i += 11) {
    parts[2 * i] = i % 2 ? -0.0 : 0.0;
    parts[2 * i + 1] = 0.0;
  }
  return parts;
}

const Ipp64fc kConstants[] = {{2.5, -1.0},     {0.0, -3.0}, {-0.0, 0.0},   {1e-310, 0.0},
                              {INFINITY, 1.0}, {NAN, 0.0},  {1e200, 1e200}};

void ExpectInPlaceMatches(TBinaryInPlace kernel, TBinaryInPlace reference) {
  for (int len : kLengths)
    ExpectSameAsReference(OnParts(kernel), OnParts(reference), len, RandomComplex(len, 1 + len),
                          RandomComplex(len, 2 + len));
}

// kernel(src, val, dst, len), and kernelInPlace(val, srcDst, len) where there is one, against the
// reference's out-of-place form.
void ExpectConstantMatches(TConstant kernel, TConstantInPlace kernelInPlace, TConstant reference) {
  for (Ipp64fc val : kConstants) {
    SCOPED_TRACE(testing::Message() << "val " << val);
    const auto outOfPlace = [val](TConstant fn) {
      return
          [=](int n, double* x, double* out) { return fn(AsComplex(x), val, AsComplex(out), n); };
    };
    for (int len : kLengths) {
      const auto src = RandomComplex(len, 3 + len);
      ExpectSameAsReference(outOfPlace(kernel), outOfPlace(reference), len, src,
                            std::vector<double>(src.size()));
      if (kernelInPlace)
        ExpectSameAsReference(
            [=](int n, double* x) { return kernelInPlace(val, AsComplex(x), n); },
            [=](int n, double* x) { return reference(AsComplex(x), val, AsComplex(x), n); }, len,
            src);
    }
  }
}

KERNEL_TEST(ComplexArithmetic, VectorVectorMatchesScalarReferenceOnEveryTarget, ippsAdd_64fc,
            ippsAdd_64fc_I, ippsSub_64fc_I, ippsMul_64fc_I, ippsDiv_64fc_I) {
  for (int len : kLengths) {
    const auto a = RandomComplex(len, 4 + len), b = RandomComplex(len, 5 + len);
    ExpectSameAsReference(OnParts(ippsAdd_64fc), OnParts(reference::ippsAdd_64fc), len, a, b,
                          std::vector<double>(a.size()));
  }
  ExpectInPlaceMatches(ippsAdd_64fc_I, [](const Ipp64fc* src, Ipp64fc* srcDst, int n) {
    return reference::ippsAdd_64fc(src, srcDst, srcDst, n);
  });
  ExpectInPlaceMatches(ippsSub_64fc_I, reference::ippsSub_64fc_I);
  ExpectInPlaceMatches(ippsMul_64fc_I, reference::ippsMul_64fc_I);
  ExpectInPlaceMatches(ippsDiv_64fc_I, reference::ippsDiv_64fc_I);
}

KERNEL_TEST(ComplexArithmetic, VectorConstantMatchesScalarReferenceOnEveryTarget, ippsAddC_64fc,
            ippsAddC_64fc_I, ippsSubC_64fc, ippsSubC_64fc_I, ippsMulC_64fc, ippsMulC_64fc_I,
            ippsDivC_64fc, ippsDivC_64fc_I, ippsSubCRev_64fc) {
  ExpectConstantMatches(ippsAddC_64fc, ippsAddC_64fc_I, reference::ippsAddC_64fc);
  ExpectConstantMatches(ippsSubC_64fc, ippsSubC_64fc_I, reference::ippsSubC_64fc);
  ExpectConstantMatches(ippsMulC_64fc, ippsMulC_64fc_I, reference::ippsMulC_64fc);
  ExpectConstantMatches(ippsDivC_64fc, ippsDivC_64fc_I, reference::ippsDivC_64fc);
  ExpectConstantMatches(ippsSubCRev_64fc, nullptr, reference::ippsSubCRev_64fc);
}

KERNEL_TEST(ComplexArithmetic, TextbookProductAndQuotient) {
  std::vector<Ipp64fc> factor = {{3, 4}}, value = {{1, 2}}, out(1);
  ASSERT_EQ(ippsMul_64fc_I(factor.data(), value.data(), 1), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(value, {{-5, 10}}));
  ASSERT_EQ(ippsDiv_64fc_I(factor.data(), value.data(), 1), ippStsNoErr);  // value / factor
  EXPECT_TRUE(BitwiseEqual(value, {{1, 2}}));
  ASSERT_EQ(ippsSubCRev_64fc(value.data(), {10, 10}, out.data(), 1), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(out, {{9, 8}}));
}

KERNEL_TEST(ComplexArithmetic, ZeroDivisorsGiveNaNAndAWarning) {
  std::vector<Ipp64fc> divisor = {{0, 0}, {-0.0, 0}, {0, -0.0}, {2, 0}, {1e-200, 0}};
  std::vector<Ipp64fc> value = {{1, 1}, {0, 0}, {INFINITY, 0}, {2, 4}, {1, 0}};
  ASSERT_EQ(ippsDiv_64fc_I(divisor.data(), value.data(), 5), ippStsDivByZero);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isnan(value[i].re) && std::isnan(value[i].im)) << i;
  EXPECT_TRUE(value[3].re == 1 && value[3].im == 2);
  // c*c + d*d underflows to 0 for this nonzero divisor: the formula's result, no warning.
  std::vector<Ipp64fc> tiny = {{1e-200, 0}}, one = {{1, 0}};
  EXPECT_EQ(ippsDiv_64fc_I(tiny.data(), one.data(), 1), ippStsNoErr);
  EXPECT_EQ(one[0].re, INFINITY);
}

TEST(ComplexArithmetic, ZeroConstantDivisorsAndBadArgumentsWriteNothing) {
  std::vector<Ipp64fc> a = {{1, 2}}, dst = {{7, 7}};
  EXPECT_EQ(ippsDivC_64fc(a.data(), {0, 0}, dst.data(), 1), ippStsDivByZeroErr);
  EXPECT_EQ(ippsDivC_64fc_I({-0.0, 0}, dst.data(), 1), ippStsDivByZeroErr);
  EXPECT_EQ(ippsDivC_64fc_I({0, 0}, nullptr, 1), ippStsNullPtrErr);  // pointers checked first
  EXPECT_EQ(ippsDivC_64fc_I({0, 0}, dst.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsAdd_64fc(a.data(), nullptr, dst.data(), 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsAdd_64fc(a.data(), a.data(), dst.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsMul_64fc_I(nullptr, dst.data(), 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsDiv_64fc_I(a.data(), dst.data(), -1), ippStsSizeErr);
  EXPECT_EQ(ippsSubCRev_64fc(a.data(), {1, 1}, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsMulC_64fc_I({1, 1}, dst.data(), 0), ippStsSizeErr);
  EXPECT_TRUE(BitwiseEqual(dst, {{7, 7}}));
}

}  // namespace
}  // namespace corvane::kernels
