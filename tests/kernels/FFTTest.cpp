#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "kernels/ipps.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::Misaligned;
using test::RandomComplex;
using test::RandomReals;
using LComplex = std::complex<long double>;

constexpr int kMaxTestedOrder = 16;
constexpr int kFlags[] = {IPP_FFT_DIV_FWD_BY_N, IPP_FFT_DIV_INV_BY_N, IPP_FFT_DIV_BY_SQRTN,
                          IPP_FFT_NODIV_BY_ANY};

// Unnormalised DFT with exponent sign `sign`, in long double: the direct sum for short inputs,
// a recursive radix-2 FFT for long ones (a direct sum would take too long).
std::vector<LComplex> ReferenceDft(const std::vector<LComplex>& x, int sign) {
  const size_t n = x.size();
  std::vector<LComplex> roots(n);
  for (size_t j = 0; j < n; ++j)
    roots[j] = std::polar(1.0L, sign * 2 * std::numbers::pi_v<long double> * j / n);
  std::vector<LComplex> y(n);
  if (n <= 256) {
    for (size_t k = 0; k < n; ++k)
      for (size_t j = 0; j < n; ++j) y[k] += x[j] * roots[(j * k) % n];
    return y;
  }
  // y[k] over the m points x[offset + stride·j]; roots of m points are roots[j·stride].
  auto recurse = [&](auto& self, size_t offset, size_t stride, size_t m, LComplex* out) -> void {
    if (m == 1) {
      out[0] = x[offset];
      return;
    }
    std::vector<LComplex> even(m / 2), odd(m / 2);
    self(self, offset, 2 * stride, m / 2, even.data());
    self(self, offset + stride, 2 * stride, m / 2, odd.data());
    for (size_t k = 0; k < m / 2; ++k) {
      const LComplex t = roots[k * stride] * odd[k];
      out[k] = even[k] + t;
      out[k + m / 2] = even[k] - t;
    }
  };
  recurse(recurse, 0, 1, n, y.data());
  return y;
}

// Relative RMS distance of `got` from `want`.
template <class T>
double RelativeRmsError(const std::vector<T>& got, const std::vector<LComplex>& want,
                        long double scale = 1) {
  long double error = 0, norm = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    error += std::norm(LComplex(got[i].re, got[i].im) - scale * want[i]);
    norm += std::norm(scale * want[i]);
  }
  return norm == 0 ? double(error) : double(std::sqrt(error / norm));
}

double Bound(int order) { return 1e-15 * std::max(order, 1); }

std::vector<LComplex> ToLong(const std::vector<Ipp64fc>& x) {
  std::vector<LComplex> y;
  for (const Ipp64fc& z : x) y.emplace_back(z.re, z.im);
  return y;
}

void Scales(int flag, int order, long double& forward, long double& inverse) {
  const long double n = std::ldexp(1.0L, order);
  forward = flag == IPP_FFT_DIV_FWD_BY_N ? 1 / n : flag == IPP_FFT_DIV_BY_SQRTN ? 1 / std::sqrt(n) : 1;
  inverse = flag == IPP_FFT_DIV_INV_BY_N ? 1 / n : flag == IPP_FFT_DIV_BY_SQRTN ? 1 / std::sqrt(n) : 1;
}

// CCS data as complex bins 0..N/2.
std::vector<Ipp64fc> AsBins(const std::vector<double>& ccs) {
  std::vector<Ipp64fc> bins(ccs.size() / 2);
  for (size_t k = 0; k < bins.size(); ++k) bins[k] = {ccs[2 * k], ccs[2 * k + 1]};
  return bins;
}

KERNEL_TEST(FFT, ComplexTransformsMatchLongDoubleDftAtEveryOrder, ippsFFTInitAlloc_C_64fc,
            ippsFFTFwd_CToC_64fc, ippsFFTInv_CToC_64fc, ippsFFTFree_C_64fc) {
  // Every flag up to order 8, where the small sizes have code of their own for the scaled and
  // the unscaled transforms; one flag an order beyond.
  for (int order = 0; order <= kMaxTestedOrder; ++order)
    for (const int flag : kFlags) {
      if (order > 8 && flag != kFlags[order % 4]) continue;
      const int n = 1 << order;
      long double forwardScale, inverseScale;
      Scales(flag, order, forwardScale, inverseScale);
      IppsFFTSpec_C_64fc* spec = nullptr;
      ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&spec, order, flag, ippAlgHintNone), ippStsNoErr);
      const auto x = RandomComplex(n, order, -1, 1, false);
      Misaligned<Ipp64fc> src(x), dst{std::vector<Ipp64fc>(n)};
      ASSERT_EQ(ippsFFTFwd_CToC_64fc(src.Data(), dst.Data(), spec, nullptr), ippStsNoErr);
      EXPECT_LE(RelativeRmsError(dst.Values(), ReferenceDft(ToLong(x), -1), forwardScale),
                Bound(order))
          << "forward, order " << order << ", flag " << flag;
      ASSERT_EQ(ippsFFTInv_CToC_64fc(src.Data(), dst.Data(), spec, nullptr), ippStsNoErr);
      EXPECT_LE(RelativeRmsError(dst.Values(), ReferenceDft(ToLong(x), +1), inverseScale),
                Bound(order))
          << "inverse, order " << order << ", flag " << flag;
      EXPECT_EQ(ippsFFTFree_C_64fc(spec), ippStsNoErr);
    }
}

KERNEL_TEST(FFT, RealTransformsMatchLongDoubleDftAtEveryOrder, ippsFFTInitAlloc_R_64f,
            ippsFFTFwd_RToCCS_64f, ippsFFTInv_CCSToR_64f, ippsFFTFree_R_64f) {
  for (int order = 0; order <= kMaxTestedOrder; ++order) {
    const int n = 1 << order;
    const int flag = kFlags[(order + 1) % 4];
    long double forwardScale, inverseScale;
    Scales(flag, order, forwardScale, inverseScale);
    IppsFFTSpec_R_64f* spec = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&spec, order, flag, ippAlgHintFast), ippStsNoErr);

    const auto x = RandomReals(n, 100 + order, -1, 1, false);
    std::vector<LComplex> xl(x.begin(), x.end());
    Misaligned<double> src(x), ccs{std::vector<double>(n + 2, 7.0)};
    ASSERT_EQ(ippsFFTFwd_RToCCS_64f(src.Data(), ccs.Data(), spec, nullptr), ippStsNoErr);
    auto spectrum = ReferenceDft(xl, -1);
    spectrum.resize(n / 2 + 1);
    const auto got = ccs.Values();
    EXPECT_LE(RelativeRmsError(AsBins(got), spectrum, forwardScale), Bound(order))
        << "forward, order " << order;
    EXPECT_EQ(got[1], 0.0);
    if (n > 1) {  // N = 1 has a single bin
      EXPECT_EQ(got[n + 1], 0.0);
    }

    // Any CCS input: the imaginary parts of DC and Nyquist must not take part.
    auto bins = RandomReals(n + 2, 200 + order, -1, 1, false);
    std::vector<LComplex> hermitian(n);
    for (int k = 0; k <= n / 2; ++k) {
      const bool real = k == 0 || 2 * k == n;
      hermitian[k] = {bins[2 * k], real ? 0.0L : bins[2 * k + 1]};
      hermitian[(n - k) % n] = std::conj(hermitian[k]);
    }
    Misaligned<double> ccsIn(bins), out{std::vector<double>(n)};
    ASSERT_EQ(ippsFFTInv_CCSToR_64f(ccsIn.Data(), out.Data(), spec, nullptr), ippStsNoErr);
    std::vector<Ipp64fc> outComplex;
    for (double v : out.Values()) outComplex.push_back({v, 0});
    EXPECT_LE(RelativeRmsError(outComplex, ReferenceDft(hermitian, +1), inverseScale), Bound(order))
        << "inverse, order " << order;
    EXPECT_EQ(ippsFFTFree_R_64f(spec), ippStsNoErr);
  }
}

KERNEL_TEST(FFT, ForwardThenInverseReturnsTheInput) {
  for (int order = 0; order <= kMaxTestedOrder; ++order) {
    const int n = 1 << order;
    IppsFFTSpec_C_64fc* complexSpec = nullptr;
    IppsFFTSpec_R_64f* realSpec = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone),
              ippStsNoErr);
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, order, IPP_FFT_DIV_BY_SQRTN, ippAlgHintNone),
              ippStsNoErr);
    const auto z = RandomComplex(n, 300 + order, -1, 1, false);
    std::vector<Ipp64fc> zBack(z);  // in place
    ippsFFTFwd_CToC_64fc(zBack.data(), zBack.data(), complexSpec, nullptr);
    ippsFFTInv_CToC_64fc(zBack.data(), zBack.data(), complexSpec, nullptr);
    EXPECT_LE(RelativeRmsError(zBack, ToLong(z)), Bound(order)) << "complex, order " << order;

    const auto x = RandomReals(n, 400 + order, -1, 1, false);
    std::vector<double> xBack(x);
    xBack.resize(n + 2);  // in place
    ippsFFTFwd_RToCCS_64f(xBack.data(), xBack.data(), realSpec, nullptr);
    ippsFFTInv_CCSToR_64f(xBack.data(), xBack.data(), realSpec, nullptr);
    std::vector<Ipp64fc> got;
    std::vector<LComplex> want;
    for (int i = 0; i < n; ++i) got.push_back({xBack[i], 0}), want.emplace_back(x[i]);
    EXPECT_LE(RelativeRmsError(got, want), Bound(order)) << "real, order " << order;
    ippsFFTFree_C_64fc(complexSpec);
    ippsFFTFree_R_64f(realSpec);
  }
}

KERNEL_TEST(FFT, SmallRealTransformsFollowTheCcsLayout) {
  IppsFFTSpec_R_64f* spec = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&spec, 0, IPP_FFT_DIV_FWD_BY_N, ippAlgHintNone), ippStsNoErr);
  double one[] = {3.0}, ccsOne[] = {9, 9};
  ippsFFTFwd_RToCCS_64f(one, ccsOne, spec, nullptr);
  EXPECT_EQ(ccsOne[0], 3.0);
  EXPECT_EQ(ccsOne[1], 0.0);
  ippsFFTFree_R_64f(spec);

  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&spec, 1, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone), ippStsNoErr);
  double two[] = {3.0, 5.0}, ccsTwo[] = {9, 9, 9, 9};
  ippsFFTFwd_RToCCS_64f(two, ccsTwo, spec, nullptr);
  EXPECT_EQ(std::vector<double>(ccsTwo, ccsTwo + 4), (std::vector<double>{8, 0, -2, 0}));
  ippsFFTFree_R_64f(spec);
}

TEST(FFT, InitAllocChecksItsArguments) {
  IppsFFTSpec_C_64fc* complexSpec = nullptr;
  IppsFFTSpec_R_64f* realSpec = nullptr;
  EXPECT_EQ(ippsFFTInitAlloc_C_64fc(nullptr, 3, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
            ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTInitAlloc_R_64f(nullptr, 3, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
            ippStsNullPtrErr);
  for (int order : {-1, 28, 1000}) {
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, order, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
              ippStsFftOrderErr);
    EXPECT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, order, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
              ippStsFftOrderErr);
  }
  for (int flag : {0, 3, 5, 16, -1}) {
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 3, flag, ippAlgHintNone), ippStsFftFlagErr);
    EXPECT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, 3, flag, ippAlgHintNone), ippStsFftFlagErr);
  }
  EXPECT_EQ(complexSpec, nullptr);
  EXPECT_EQ(realSpec, nullptr);
  // The hint does not matter, whatever its value.
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 20, IPP_FFT_NODIV_BY_ANY, IppHintAlgorithm(7)),
            ippStsNoErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(complexSpec), ippStsNoErr);
}

TEST(FFT, RunningOutOfMemoryIsAStatus) {
  IppsFFTSpec_C_64fc* complexSpec = nullptr;
  IppsFFTSpec_R_64f* realSpec = nullptr;
  {
    test::OutOfMemory outOfMemory;
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 5, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
              ippStsMemAllocErr);
    EXPECT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, 5, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
              ippStsMemAllocErr);
  }
  EXPECT_EQ(complexSpec, nullptr);
  EXPECT_EQ(realSpec, nullptr);
  // Freeing needs no memory, and the freed spec is still recognised as freed.
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 5, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
            ippStsNoErr);
  {
    test::OutOfMemory outOfMemory;
    EXPECT_EQ(ippsFFTFree_C_64fc(complexSpec), ippStsNoErr);
  }
  std::vector<Ipp64fc> z(32);
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(z.data(), z.data(), complexSpec, nullptr), ippStsContextMatchErr);
}

TEST(FFT, TransformsRejectNullPointersAndForeignOrFreedSpecs) {
  IppsFFTSpec_C_64fc* complexSpec = nullptr;
  IppsFFTSpec_R_64f* realSpec = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 4, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
            ippStsNoErr);
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, 4, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
            ippStsNoErr);
  std::vector<Ipp64fc> z(16, Ipp64fc{1, 1}), zOut(16, Ipp64fc{5, 5});
  std::vector<double> x(18, 1.0), xOut(18, 5.0);
  const auto complexAsReal = reinterpret_cast<IppsFFTSpec_R_64f*>(complexSpec);
  const auto realAsComplex = reinterpret_cast<IppsFFTSpec_C_64fc*>(realSpec);

  EXPECT_EQ(ippsFFTFwd_CToC_64fc(nullptr, zOut.data(), complexSpec, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTInv_CToC_64fc(z.data(), nullptr, complexSpec, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(z.data(), zOut.data(), nullptr, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFwd_RToCCS_64f(nullptr, xOut.data(), realSpec, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTInv_CCSToR_64f(x.data(), xOut.data(), nullptr, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFree_R_64f(nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(nullptr), ippStsNullPtrErr);

  EXPECT_EQ(ippsFFTFwd_CToC_64fc(z.data(), zOut.data(), realAsComplex, nullptr),
            ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTInv_CCSToR_64f(x.data(), xOut.data(), complexAsReal, nullptr),
            ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_R_64f(complexAsReal), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(realAsComplex), ippStsContextMatchErr);

  ASSERT_EQ(ippsFFTFree_C_64fc(complexSpec), ippStsNoErr);
  ASSERT_EQ(ippsFFTFree_R_64f(realSpec), ippStsNoErr);
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(z.data(), zOut.data(), complexSpec, nullptr),
            ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFwd_RToCCS_64f(x.data(), xOut.data(), realSpec, nullptr),
            ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(complexSpec), ippStsContextMatchErr);
  // Nothing was written by the failed calls.
  for (const Ipp64fc& v : zOut) EXPECT_EQ(v.re, 5.0);
  for (double v : xOut) EXPECT_EQ(v, 5.0);
}

}  // namespace
}  // namespace corvane::kernels
