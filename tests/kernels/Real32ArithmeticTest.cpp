#include <gtest/gtest.h>

#include "kernels/ipps.h"
#include "kernels/reference/Real32Arithmetic.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::ExpectSameAsReference;
using test::kLengths;
using test::RandomReals;

KERNEL_TEST(Real32Arithmetic, MatchesScalarReferenceOnEveryTarget, ippsMul_32f, ippsMul_32f_I,
            ippsSub_32f_I, ippsMulC_32f_I, ippsSubCRev_32f_I) {
  const auto call = test::PointersLenThen();
  for (int len : kLengths) {
    const auto a = RandomReals<float>(len, 1 + len), b = RandomReals<float>(len, 2 + len);
    ExpectSameAsReference(call(ippsMul_32f), call(reference::ippsMul_32f), len, a, b,
                          std::vector<float>(a.size()));
    ExpectSameAsReference(
        call(ippsMul_32f_I),
        [](int n, float* x, float* y) { return reference::ippsMul_32f(x, y, y, n); }, len, a, b);
    ExpectSameAsReference(call(ippsSub_32f_I), call(reference::ippsSub_32f_I), len, a, b);
    for (float val : {2.5f, -0.0f, std::numeric_limits<float>::infinity(), 1e-40f}) {
      // The constant comes first in the in-place forms.
      const auto valFirst = [val](auto fn) {
        return [=](int n, float* x) { return fn(val, x, n); };
      };
      ExpectSameAsReference(valFirst(ippsMulC_32f_I), valFirst(reference::ippsMulC_32f_I), len, a);
      ExpectSameAsReference(valFirst(ippsSubCRev_32f_I), valFirst(reference::ippsSubCRev_32f_I),
                            len, a);
    }
  }
}

TEST(Real32Arithmetic, SubtractsTheFirstArgumentFromTheSecond) {
  std::vector<float> src = {1, 4}, srcDst = {10, 20};
  ASSERT_EQ(ippsSub_32f_I(src.data(), srcDst.data(), 2), ippStsNoErr);
  EXPECT_EQ(srcDst, (std::vector<float>{9, 16}));
  ASSERT_EQ(ippsSubCRev_32f_I(10, srcDst.data(), 2), ippStsNoErr);
  EXPECT_EQ(srcDst, (std::vector<float>{1, -6}));
}

TEST(Real32Arithmetic, BadArgumentsWriteNothing) {
  std::vector<float> a = {1, 2}, dst = {7, 7};
  EXPECT_EQ(ippsMul_32f(a.data(), nullptr, dst.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsMul_32f(a.data(), a.data(), dst.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsSub_32f_I(nullptr, dst.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsMulC_32f_I(2.0f, nullptr, -1), ippStsNullPtrErr);  // pointers checked first
  EXPECT_EQ(ippsSubCRev_32f_I(2.0f, dst.data(), -1), ippStsSizeErr);
  EXPECT_EQ(dst, (std::vector<float>{7, 7}));
}

}  // namespace
}  // namespace corvane::kernels
