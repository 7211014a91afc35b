#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Windows.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::Misaligned;
using test::RandomReals;

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr int kWindowLengths[] = {3, 4, 5, 17, 1027};

// One window in its three forms, with its exact weights.
struct Window {
  std::string name;
  std::function<IppStatus(const Ipp64f*, Ipp64f*, int)> real;
  std::function<IppStatus(Ipp64f*, int)> inPlace;
  std::function<IppStatus(Ipp64fc*, int)> complex;
  std::function<long double(int n, int len)> weight;
  double coefficientSum;  // bounds |w| and scales the rounding error
};

std::vector<Window> AllWindows() {
  std::vector<Window> windows = {
      {"Bartlett", ippsWinBartlett_64f, ippsWinBartlett_64f_I, ippsWinBartlett_64fc_I,
       reference::BartlettWeight, 1},
      {"Hann", ippsWinHann_64f, ippsWinHann_64f_I, ippsWinHann_64fc_I, reference::HannWeight, 1},
      {"Hamming", ippsWinHamming_64f, ippsWinHamming_64f_I, ippsWinHamming_64fc_I,
       reference::HammingWeight, 1}};
  for (double alpha : {-0.16, 0.0, 2.5}) {
    windows.push_back(
        {"Blackman " + std::to_string(alpha),
         [alpha](const Ipp64f* s, Ipp64f* d, int n) { return ippsWinBlackman_64f(s, d, n, alpha); },
         [alpha](Ipp64f* sd, int n) { return ippsWinBlackman_64f_I(sd, n, alpha); },
         [alpha](Ipp64fc* sd, int n) { return ippsWinBlackman_64fc_I(sd, n, alpha); },
         [alpha](int n, int len) { return reference::BlackmanWeight(n, len, alpha); },
         1 + std::fabs(alpha)});
  }
  return windows;
}

// The window applied to ones.
std::vector<double> Bare(const Window& window, int len) {
  std::vector<double> w(size_t(len), 1.0);
  EXPECT_EQ(window.inPlace(w.data(), len), ippStsNoErr);
  return w;
}

KERNEL_TEST(Windows, AgreeWithExactFormulasInEveryForm, ippsWinBartlett_64f, ippsWinBartlett_64f_I,
            ippsWinBartlett_64fc_I, ippsWinBlackman_64f, ippsWinBlackman_64f_I,
            ippsWinBlackman_64fc_I, ippsWinHamming_64f, ippsWinHamming_64f_I, ippsWinHamming_64fc_I,
            ippsWinHann_64f, ippsWinHann_64f_I, ippsWinHann_64fc_I) {
  for (const Window& window : AllWindows()) {
    SCOPED_TRACE(window.name);
    for (int len : kWindowLengths) {
      const auto re = RandomReals(len, 10 + len, -100, 100, false);
      const auto im = RandomReals(len, 20 + len, -100, 100, false);
      std::vector<double> out(re.size());
      Misaligned<double> src(re), dst(out), inPlace(re);
      ASSERT_EQ(window.real(src.Data(), dst.Data(), len), ippStsNoErr);
      const auto got = dst.Values();
      for (int n = 0; n < len; ++n) {
        const long double want = re[n] * window.weight(n, len);
        EXPECT_NEAR(got[n], double(want), 8 * kEps * std::fabs(re[n]) * window.coefficientSum)
            << "n " << n << ", len " << len;
      }
      EXPECT_TRUE(BitwiseEqual(re, src.Values())) << "source changed";
      ASSERT_EQ(window.inPlace(inPlace.Data(), len), ippStsNoErr);
      EXPECT_TRUE(BitwiseEqual(got, inPlace.Values())) << "in place, len " << len;

      // Both parts of a complex element take the real form's weight.
      std::vector<Ipp64fc> z(re.size());
      for (size_t n = 0; n < z.size(); ++n) z[n] = {re[n], im[n]};
      Misaligned<Ipp64fc> mz(z);
      std::vector<double> imWindowed(im.size());
      ASSERT_EQ(window.complex(mz.Data(), len), ippStsNoErr);
      window.real(im.data(), imWindowed.data(), len);
      std::vector<double> gotRe, gotIm;
      for (const Ipp64fc& v : mz.Values()) gotRe.push_back(v.re), gotIm.push_back(v.im);
      EXPECT_TRUE(BitwiseEqual(got, gotRe)) << "complex re, len " << len;
      EXPECT_TRUE(BitwiseEqual(imWindowed, gotIm)) << "complex im, len " << len;
    }
  }
}

KERNEL_TEST(Windows, AreExactlySymmetricWithExactEndsAndCentre) {
  for (const Window& window : AllWindows()) {
    SCOPED_TRACE(window.name);
    for (int len : {3, 4, 5, 6, 17, 1027, 1028}) {
      const auto w = Bare(window, len);
      const double end = window.name == "Hamming" ? 0.54 - 0.46 : 0.0;
      EXPECT_EQ(w.front(), end) << len;
      if (len % 2) {
        EXPECT_EQ(w[size_t(len / 2)], 1.0) << len;
      }
      const std::vector<double> reversed(w.rbegin(), w.rend());
      EXPECT_TRUE(BitwiseEqual(w, reversed)) << "len " << len;
    }
  }
}

KERNEL_TEST(Windows, ShortWindowsHaveTheirTextbookValues) {
  const Window bartlett = AllWindows()[0], hann = AllWindows()[1];
  EXPECT_EQ(Bare(bartlett, 5), (std::vector<double>{0, 0.5, 1, 0.5, 0}));
  EXPECT_EQ(Bare(bartlett, 4), (std::vector<double>{0, 2.0 / 3, 2.0 / 3, 0}));
  const auto h = Bare(hann, 5);
  EXPECT_NEAR(h[1], 0.5, kEps);
  EXPECT_NEAR(h[3], 0.5, kEps);
  std::vector<double> blackman(3, 1.0);
  ippsWinBlackman_64f_I(blackman.data(), 3, -0.16);
  EXPECT_EQ(blackman, (std::vector<double>{0, 1, 0}));
  // Samples are multiplied by the weights: an infinite end sample becomes NaN.
  const double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> spikes = {kInf, 2, -kInf};
  ippsWinHann_64f_I(spikes.data(), 3);
  EXPECT_TRUE(std::isnan(spikes[0]) && std::isnan(spikes[2]));
  EXPECT_EQ(spikes[1], 2);
}

TEST(Windows, RejectNullPointersAndFewerThanThreeSamples) {
  for (const Window& window : AllWindows()) {
    SCOPED_TRACE(window.name);
    std::vector<double> data = {5, 6, 7}, out = {9, 9, 9};
    Ipp64fc z[3] = {{1, 2}, {3, 4}, {5, 6}};
    EXPECT_EQ(window.real(nullptr, out.data(), 3), ippStsNullPtrErr);
    EXPECT_EQ(window.real(data.data(), nullptr, 3), ippStsNullPtrErr);
    EXPECT_EQ(window.inPlace(nullptr, 3), ippStsNullPtrErr);
    EXPECT_EQ(window.complex(nullptr, 3), ippStsNullPtrErr);
    for (int len : {2, 1, 0, -1}) {
      EXPECT_EQ(window.real(data.data(), out.data(), len), ippStsSizeErr) << len;
      EXPECT_EQ(window.inPlace(data.data(), len), ippStsSizeErr) << len;
      EXPECT_EQ(window.complex(z, len), ippStsSizeErr) << len;
    }
    EXPECT_EQ(data, (std::vector<double>{5, 6, 7}));
    EXPECT_EQ(out, (std::vector<double>{9, 9, 9}));
    EXPECT_EQ(z[1].re, 3);
  }
}

}  // namespace
}  // namespace corvane::kernels
