#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Generators.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::kLengths;
using test::Misaligned;
using test::RandomComplex;
using test::RandomReals;

constexpr double kEps = std::numeric_limits<double>::epsilon();

KERNEL_TEST(Jaehne, StaysWithinAFewUlpOfTheExactChirpAtAnyLength, ippsVectorJaehne_64f) {
  for (int len : {1, 3, 17, 1027, 100000}) {
    std::vector<double> v(static_cast<size_t>(len));
    Misaligned<double> dst(v);
    ASSERT_EQ(ippsVectorJaehne_64f(dst.Data(), len, 2.5), ippStsNoErr);
    const auto got = dst.Values();
    EXPECT_EQ(got[0], 0.0);
    for (int n = 0; n < len; ++n)
      ASSERT_NEAR(got[n], double(reference::JaehneValue(n, len, 2.5)), 8 * kEps * 2.5)
          << "n " << n << ", len " << len;
  }
}

TEST(Jaehne, RejectsNegativeMagnitudes) {
  std::vector<double> v = {7, 7};
  EXPECT_EQ(ippsVectorJaehne_64f(nullptr, 2, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsVectorJaehne_64f(v.data(), 0, 1), ippStsSizeErr);
  EXPECT_EQ(ippsVectorJaehne_64f(v.data(), 2, -1e-300), ippStsJaehneErr);
  EXPECT_EQ(v, (std::vector<double>{7, 7}));
  EXPECT_EQ(ippsVectorJaehne_64f(v.data(), 2, 0), ippStsNoErr);
  EXPECT_EQ(v, (std::vector<double>{0, 0}));
}

KERNEL_TEST(RandUniform, FollowsTheDocumentedGeneratorAndUpdatesTheSeed, ippsRandUniform_Direct_64f,
            ippsRandUniform_Direct_16s) {
  // The first samples for seed 12345, worked out by hand from the recurrences.
  unsigned int seed = 12345;
  double real[4];
  ASSERT_EQ(ippsRandUniform_Direct_64f(real, 4, -1, 3, &seed), ippStsNoErr);
  EXPECT_EQ(seed, 1047462051u);
  const double wantReal[] = {0.2064930088818061, 2.726550320163372, 1.0494816340506077,
                             2.615948975086215};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(real[i], wantReal[i]) << i;
  seed = 12345;
  Ipp16s small[4];
  ASSERT_EQ(ippsRandUniform_Direct_16s(small, 4, -100, 100, &seed), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp16s>(small, small + 4), (std::vector<Ipp16s>{-40, 86, 2, 80}));
  EXPECT_EQ(seed, 1047462051u);
  // The updated seed starts a different sequence.
  ASSERT_EQ(ippsRandUniform_Direct_16s(small, 4, -100, 100, &seed), ippStsNoErr);
  EXPECT_NE(std::vector<Ipp16s>(small, small + 4), (std::vector<Ipp16s>{-40, 86, 2, 80}));
}

TEST(RandUniform, FillsTheRangeUniformly) {
  constexpr int kCount = 100000;
  unsigned int seed = 7;
  std::vector<double> real(kCount);
  ASSERT_EQ(ippsRandUniform_Direct_64f(real.data(), kCount, 10, 20, &seed), ippStsNoErr);
  const auto [lowest, highest] = std::minmax_element(real.begin(), real.end());
  EXPECT_GE(*lowest, 10.0);
  EXPECT_LT(*highest, 20.0);
  double sum = 0;
  for (double x : real) sum += x;
  EXPECT_NEAR(sum / kCount, 15.0, 0.05);

  std::vector<Ipp16s> small(kCount);
  ASSERT_EQ(ippsRandUniform_Direct_16s(small.data(), kCount, -3, 4, &seed), ippStsNoErr);
  int histogram[7] = {};
  for (Ipp16s v : small) {
    ASSERT_TRUE(v >= -3 && v <= 3) << v;  // high itself is never drawn
    ++histogram[v + 3];
  }
  for (int count : histogram) EXPECT_NEAR(count, kCount / 7, kCount / 70);
  // The full 16-bit range neither overflows nor misses its ends.
  ASSERT_EQ(ippsRandUniform_Direct_16s(small.data(), kCount, -32768, 32767, &seed), ippStsNoErr);
  const auto [low16, high16] = std::minmax_element(small.begin(), small.end());
  EXPECT_LT(*low16, -32000);
  EXPECT_GT(*high16, 32000);
}

TEST(RandUniform, Statuses) {
  unsigned int seed = 1;
  double real[2] = {7, 7};
  Ipp16s small[2] = {7, 7};
  EXPECT_EQ(ippsRandUniform_Direct_64f(nullptr, 2, 0, 1, &seed), ippStsNullPtrErr);
  EXPECT_EQ(ippsRandUniform_Direct_64f(real, 2, 0, 1, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsRandUniform_Direct_64f(real, 0, 0, 1, &seed), ippStsSizeErr);
  EXPECT_EQ(ippsRandUniform_Direct_16s(nullptr, 2, 0, 1, &seed), ippStsNullPtrErr);
  EXPECT_EQ(ippsRandUniform_Direct_16s(small, 2, 0, 1, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsRandUniform_Direct_16s(small, -1, 0, 1, &seed), ippStsSizeErr);
  EXPECT_EQ(seed, 1u);
  EXPECT_EQ(real[0], 7);
  EXPECT_EQ(small[0], 7);
}

KERNEL_TEST(Norm, L2OfComplexAgreesWithLongDoubleSumAtAnyScale, ippsNorm_L2_64fc64f) {
  // Squares beyond the double range, below its normal range, and of denormal parts.
  for (double scale : {1.0, 1e200, 1e-200, 1e-310}) {
    for (int len : kLengths) {
      auto z = RandomComplex(len, uint32_t(len), -100, 100, false);
      for (Ipp64fc& v : z) v = {v.re * scale, v.im * scale};
      Misaligned<Ipp64fc> src(z);
      double norm = 0;
      ASSERT_EQ(ippsNorm_L2_64fc64f(src.Data(), len, &norm), ippStsNoErr);
      const long double want = reference::NormL2(z.data(), len);
      EXPECT_NEAR(norm, double(want), double(2 * len * kEps * want)) << len << " at " << scale;
    }
  }
}

TEST(Norm, SpecialValuesAndStatuses) {
  const Ipp64fc z[] = {{3, 4}, {0, -12}};
  double norm = 0;
  ippsNorm_L2_64fc64f(z, 2, &norm);
  EXPECT_EQ(norm, 13);
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const Ipp64fc infinite[] = {{1, 2}, {-kInf, 1e300}}, withNaN[] = {{kInf, 0}, {NAN, 1}},
                zeros[] = {{0, -0.0}, {-0.0, 0}};
  ippsNorm_L2_64fc64f(infinite, 2, &norm);
  EXPECT_EQ(norm, kInf);
  ippsNorm_L2_64fc64f(withNaN, 2, &norm);
  EXPECT_TRUE(std::isnan(norm));
  ippsNorm_L2_64fc64f(zeros, 2, &norm);
  EXPECT_EQ(norm, 0);
  EXPECT_EQ(ippsNorm_L2_64fc64f(nullptr, 2, &norm), ippStsNullPtrErr);
  EXPECT_EQ(ippsNorm_L2_64fc64f(z, 2, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsNorm_L2_64fc64f(z, 0, &norm), ippStsSizeErr);
}

}  // namespace
}  // namespace corvane::kernels
