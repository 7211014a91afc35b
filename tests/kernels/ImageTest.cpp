#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Image.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::ExpectSameImage;
using test::TestImage;

// A single pixel, less than a vector of pixels, and rows that take several vectors from both
// ends on every target, odd widths leaving a middle pixel.
constexpr IppiSize kSizes[] = {{1, 1}, {3, 2}, {17, 5}, {131, 4}, {301, 3}};
constexpr IppiAxis kAxes[] = {ippAxsHorizontal, ippAxsVertical, ippAxsBoth};

using TMirror = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis);
using TMirrorInPlace = IppStatus (*)(Ipp8u*, int, IppiSize, IppiAxis);

KERNEL_TEST(Image, MirrorMatchesReferenceOutOfPlaceAndInPlace, ippiMirror_8u_C3R, ippiMirror_8u_C4R,
            ippiMirror_8u_C3IR) {
  for (IppiSize size : kSizes)
    for (IppiAxis flip : kAxes) {
      SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << " flip " << flip);
      for (auto [kernel, expected, channels] :
           {std::tuple<TMirror, TMirror, int>{ippiMirror_8u_C3R, reference::ippiMirror_8u_C3R, 3},
            {ippiMirror_8u_C4R, reference::ippiMirror_8u_C4R, 4}}) {
        const TestImage<Ipp8u> src(size.width, size.height, channels, 1, 5);
        const auto run = [&](TMirror fn) {
          return [&, fn](Ipp8u* d, int step) {
            return fn(src.Data(), src.Step(), d, step, size, flip);
          };
        };
        ExpectSameImage(TestImage<Ipp8u>(size.width, size.height, channels, 2, 2), run(kernel),
                        run(expected));
      }
      const auto inPlace = [&](TMirrorInPlace fn) {
        return [&, fn](Ipp8u* image, int step) { return fn(image, step, size, flip); };
      };
      ExpectSameImage(TestImage<Ipp8u>(size.width, size.height, 3, 3), inPlace(ippiMirror_8u_C3IR),
                      inPlace(reference::ippiMirror_8u_C3IR));
    }
}

KERNEL_TEST(Image, MirrorAxesMoveWholePixels) {
  // A 2x2 image of 3-byte pixels; pixel (x, y) holds 10*(2y + x) + channel.
  TestImage<Ipp8u> image(2, 2, 3, 4);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      for (int c = 0; c < 3; ++c) image.At(x, y, c) = Ipp8u(10 * (2 * y + x) + c);
  const auto firstChannels = [](TestImage<Ipp8u> copy, IppiAxis flip) {
    EXPECT_EQ(ippiMirror_8u_C3IR(copy.Data(), copy.Step(), copy.Size(), flip), ippStsNoErr);
    return std::vector<int>{copy.At(0, 0), copy.At(1, 0), copy.At(0, 1), copy.At(1, 1),
                            copy.At(1, 1, 2)};
  };
  EXPECT_EQ(firstChannels(image, ippAxsHorizontal), (std::vector<int>{20, 30, 0, 10, 12}));
  EXPECT_EQ(firstChannels(image, ippAxsVertical), (std::vector<int>{10, 0, 30, 20, 22}));
  EXPECT_EQ(firstChannels(image, ippAxsBoth), (std::vector<int>{30, 20, 10, 0, 2}));
}

KERNEL_TEST(Image, CopyAndSetMatchReference, ippiCopy_32s_C1R, ippiCopy_8u_C4R, ippiSet_8u_C4R) {
  const Ipp8u value[4] = {1, 2, 250, 4};
  for (IppiSize size : kSizes) {
    const TestImage<Ipp32s> src32(size.width, size.height, 1, 5, 1);
    const TestImage<Ipp8u> src8(size.width, size.height, 4, 7, 7);
    const TestImage<Ipp8u> dst8(size.width, size.height, 4, 8, 1);
    const auto copyFrom = [&](const auto& src, auto fn) {
      return [&, fn](auto* d, int step) { return fn(src.Data(), src.Step(), d, step, size); };
    };
    const auto set = [&](auto fn) {
      return [&, fn](Ipp8u* d, int step) { return fn(value, d, step, size); };
    };
    ExpectSameImage(TestImage<Ipp32s>(size.width, size.height, 1, 6, 3),
                    copyFrom(src32, ippiCopy_32s_C1R),
                    copyFrom(src32, reference::ippiCopy_32s_C1R));
    ExpectSameImage(dst8, copyFrom(src8, ippiCopy_8u_C4R),
                    copyFrom(src8, reference::ippiCopy_8u_C4R));
    ExpectSameImage(dst8, set(ippiSet_8u_C4R), set(reference::ippiSet_8u_C4R));
  }
}

KERNEL_TEST(Image, AlphaCompositingMatchesReferenceForEveryType, ippiAlphaComp_8u_AC4R) {
  for (IppiSize size : {IppiSize{1, 1}, IppiSize{17, 5}, IppiSize{131, 4}}) {
    TestImage<Ipp8u> src1(size.width, size.height, 4, 9, 4), src2(size.width, size.height, 4, 10);
    // Opaque and transparent pixels meet random ones and each other.
    for (int y = 0; y < size.height; ++y)
      for (int x = 0; x < size.width; ++x) {
        if (x % 3 == 1) src1.At(x, y, 3) = x % 2 ? 255 : 0;
        if (x % 4 == 2) src2.At(x, y, 3) = y % 2 ? 255 : 0;
      }
    const TestImage<Ipp8u> dst(size.width, size.height, 4, 11, 2);
    for (int type = 0; type < 12; ++type) {
      SCOPED_TRACE(testing::Message() << "type " << type << ", width " << size.width);
      const auto run = [&](auto function) {
        return [&, function](Ipp8u* d, int step) {
          return function(src1.Data(), src1.Step(), src2.Data(), src2.Step(), d, step, size,
                          IppiAlphaType(type));
        };
      };
      ExpectSameImage(dst, run(ippiAlphaComp_8u_AC4R), run(reference::ippiAlphaComp_8u_AC4R));
    }
  }
}

// A composited over (in, ...) B for one pixel of each.
std::vector<int> Composite(std::vector<Ipp8u> a, std::vector<Ipp8u> b, IppiAlphaType type) {
  std::vector<Ipp8u> dst(4);
  EXPECT_EQ(ippiAlphaComp_8u_AC4R(a.data(), 4, b.data(), 4, dst.data(), 4, {1, 1}, type),
            ippStsNoErr);
  return {dst.begin(), dst.end()};
}

KERNEL_TEST(Image, AlphaCompositingFormulas) {
  // A transparent source over B leaves B weighted by its alpha, not B: 100·128/255 = 50.
  EXPECT_EQ(Composite({200, 7, 9, 0}, {100, 255, 0, 128}, ippAlphaOver),
            (std::vector<int>{50, 128, 0, 128}));
  // Products round to nearest: 1·200/255 = 0.78 gives 1.
  EXPECT_EQ(Composite({1, 255, 0, 255}, {9, 9, 9, 200}, ippAlphaIn),
            (std::vector<int>{1, 200, 0, 200}));
  // Sums above 255 saturate.
  EXPECT_EQ(Composite({200, 1, 0, 255}, {100, 2, 0, 255}, ippAlphaPlus),
            (std::vector<int>{255, 3, 0, 255}));
  EXPECT_EQ(Composite({200, 1, 0, 100}, {100, 2, 0, 200}, ippAlphaPlusPremul),
            (std::vector<int>{255, 3, 0, 255}));
  // Premultiplied OVER: A + (1 - αA)·B = 40 + 155·100/255 = 100.8.
  EXPECT_EQ(Composite({40, 0, 0, 100}, {100, 0, 0, 255}, ippAlphaOverPremul),
            (std::vector<int>{101, 0, 0, 255}));
}

// One table per channel: inversion over the whole range, a partial range (values outside pass
// unchanged), results beyond 0..255 (clamped), and a staircase of many segments.
struct LookUpTables {
  std::vector<Ipp32s> levels[4] = {{0, 256}, {50, 100, 180}, {0, 128, 256}, {}};
  std::vector<Ipp32s> values[4] = {{255, 0}, {0, 30, 7}, {-100, 400, -3}, {}};
  const Ipp32s* levelPointers[4];
  const Ipp32s* valuePointers[4];
  int counts[4];

  LookUpTables() {
    for (int k = 0; k <= 256; k += 16)
      levels[3].push_back(k), values[3].push_back(k * 7 % 300 - 20);
    for (int c = 0; c < 4; ++c) {
      levelPointers[c] = levels[c].data();
      valuePointers[c] = values[c].data();
      counts[c] = int(levels[c].size());
    }
  }
};

KERNEL_TEST(Image, LinearLookUpMatchesReference, ippiLUT_Linear_8u_C4R) {
  LookUpTables t;
  for (IppiSize size : kSizes) {
    const TestImage<Ipp8u> src(size.width, size.height, 4, 12, 1);
    const auto run = [&](auto function) {
      return [&, function](Ipp8u* d, int step) {
        return function(src.Data(), src.Step(), d, step, size, t.valuePointers, t.levelPointers,
                        t.counts);
      };
    };
    ExpectSameImage(TestImage<Ipp8u>(size.width, size.height, 4, 13, 2), run(ippiLUT_Linear_8u_C4R),
                    run(reference::ippiLUT_Linear_8u_C4R));
  }
}

KERNEL_TEST(Image, LinearLookUpInterpolatesTruncatingAndPassesOthersThrough) {
  LookUpTables t;
  const std::vector<Ipp8u> src = {1, 49, 0, 0, 255, 99, 64, 0, 128, 180, 255, 0};
  std::vector<Ipp8u> dst(src.size());
  ASSERT_EQ(ippiLUT_Linear_8u_C4R(src.data(), 12, dst.data(), 12, {3, 1}, t.valuePointers,
                                  t.levelPointers, t.counts),
            ippStsNoErr);
  // 255 - 255/256 truncates to 255; 255 - 255·255/256 = 1.004 to 1; 128 gives 255 - 127.5.
  EXPECT_EQ(dst[0], 255);
  EXPECT_EQ(dst[4], 1);
  EXPECT_EQ(dst[8], 128);
  // Below the first level and at the last one, values pass through; 99 is in the first segment.
  EXPECT_EQ(dst[1], 49);
  EXPECT_EQ(dst[5], 29);
  EXPECT_EQ(dst[9], 180);
  // -100 + 64·500/128 = 150; -100 clamps to 0; the quotient truncates, not the result:
  // 400 + (-51181/128 = -399.9) gives 1.
  EXPECT_EQ(dst[6], 150);
  EXPECT_EQ(dst[2], 0);
  EXPECT_EQ(dst[10], 1);
}

KERNEL_TEST(Image, NormsOfDifferencesMatchReference, ippiNormDiff_L1_8u_C1R, ippiNormDiff_L2_8u_C1R,
            ippiNormDiff_Inf_8u_C1R) {
  using TNorm = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, int, IppiSize, Ipp64f*);
  const std::pair<TNorm, TNorm> norms[] = {
      {ippiNormDiff_L1_8u_C1R, reference::ippiNormDiff_L1_8u_C1R},
      {ippiNormDiff_L2_8u_C1R, reference::ippiNormDiff_L2_8u_C1R},
      {ippiNormDiff_Inf_8u_C1R, reference::ippiNormDiff_Inf_8u_C1R}};
  for (IppiSize size : {IppiSize{1, 1}, IppiSize{3, 2}, IppiSize{301, 3}, IppiSize{70001, 2}}) {
    const TestImage<Ipp8u> a(size.width, size.height, 1, 14, 3), b(size.width, size.height, 1, 15);
    for (auto [kernel, reference] : norms) {
      double want = -1, got = -1;
      EXPECT_EQ(reference(a.Data(), a.Step(), b.Data(), b.Step(), size, &want), ippStsNoErr);
      EXPECT_EQ(kernel(a.Data(), a.Step(), b.Data(), b.Step(), size, &got), ippStsNoErr);
      EXPECT_EQ(want, got) << "width " << size.width;
    }
  }
}

KERNEL_TEST(Image, NormsOfLargestDifferencesDoNotOverflow) {
  // Rows longer than the kernels' 32-bit segments, every difference 255 (or -255).
  TestImage<Ipp8u> a(70001, 2, 1, 16), b(70001, 2, 1, 17);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 70001; ++x) a.At(x, y) = y ? 0 : 255, b.At(x, y) = y ? 255 : 0;
  const double n = 2 * 70001;
  double value = 0;
  ippiNormDiff_L1_8u_C1R(a.Data(), a.Step(), b.Data(), b.Step(), a.Size(), &value);
  EXPECT_EQ(value, 255 * n);
  ippiNormDiff_L2_8u_C1R(a.Data(), a.Step(), b.Data(), b.Step(), a.Size(), &value);
  EXPECT_EQ(value, std::sqrt(255 * 255 * n));
  ippiNormDiff_Inf_8u_C1R(a.Data(), a.Step(), b.Data(), b.Step(), a.Size(), &value);
  EXPECT_EQ(value, 255);
}

TEST(Image, BadArgumentsWriteNothing) {
  TestImage<Ipp8u> image(3, 2, 4, 18);
  const std::vector<Ipp8u> before = image.Values();
  Ipp8u* p = image.Data();
  const int step = image.Step();
  const IppiSize size = image.Size();
  const Ipp8u value[4] = {};
  double norm = 7;

  EXPECT_EQ(ippiMirror_8u_C4R(nullptr, step, p, step, size, ippAxsBoth), ippStsNullPtrErr);
  EXPECT_EQ(ippiMirror_8u_C3IR(p, step, {0, 2}, ippAxsBoth), ippStsSizeErr);
  EXPECT_EQ(ippiMirror_8u_C3R(p, step, p, step, {3, -1}, ippAxsBoth), ippStsSizeErr);
  EXPECT_EQ(ippiMirror_8u_C3IR(p, step, size, IppiAxis(3)), ippStsMirrorFlipErr);
  EXPECT_EQ(ippiMirror_8u_C4R(p, step, p, step, size, IppiAxis(-1)), ippStsMirrorFlipErr);
  EXPECT_EQ(ippiMirror_8u_C3IR(nullptr, step, {0, 0}, IppiAxis(7)), ippStsNullPtrErr);

  EXPECT_EQ(ippiCopy_8u_C4R(p, step, nullptr, step, size), ippStsNullPtrErr);
  EXPECT_EQ(ippiCopy_32s_C1R(nullptr, step, nullptr, step, {0, 0}), ippStsNullPtrErr);
  EXPECT_EQ(ippiCopy_8u_C4R(p, step, p, step, {0, 1}), ippStsSizeErr);
  EXPECT_EQ(ippiSet_8u_C4R(nullptr, p, step, size), ippStsNullPtrErr);
  EXPECT_EQ(ippiSet_8u_C4R(value, p, step, {1, 0}), ippStsSizeErr);

  EXPECT_EQ(ippiAlphaComp_8u_AC4R(p, step, nullptr, step, p, step, size, ippAlphaOver),
            ippStsNullPtrErr);
  EXPECT_EQ(ippiAlphaComp_8u_AC4R(p, step, p, step, p, step, {-2, 1}, ippAlphaOver), ippStsSizeErr);
  EXPECT_EQ(ippiAlphaComp_8u_AC4R(p, step, p, step, p, step, size, IppiAlphaType(12)),
            ippStsAlphaTypeErr);
  EXPECT_EQ(ippiAlphaComp_8u_AC4R(p, step, p, step, p, step, size, IppiAlphaType(-1)),
            ippStsAlphaTypeErr);

  LookUpTables t;
  const auto lut = [&](IppiSize roi) {
    return ippiLUT_Linear_8u_C4R(p, step, p, step, roi, t.valuePointers, t.levelPointers, t.counts);
  };
  t.counts[2] = 1;
  EXPECT_EQ(lut(size), ippStsLUTNofLevelsErr);
  EXPECT_EQ(lut({0, 1}), ippStsSizeErr);  // sizes before levels
  t.levelPointers[3] = nullptr;
  EXPECT_EQ(lut({0, 1}), ippStsNullPtrErr);
  EXPECT_EQ(ippiLUT_Linear_8u_C4R(p, step, p, step, size, t.valuePointers, nullptr, t.counts),
            ippStsNullPtrErr);

  EXPECT_EQ(ippiNormDiff_L1_8u_C1R(p, step, p, step, size, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippiNormDiff_L2_8u_C1R(nullptr, step, p, step, size, &norm), ippStsNullPtrErr);
  EXPECT_EQ(ippiNormDiff_Inf_8u_C1R(p, step, p, step, {1, 0}, &norm), ippStsSizeErr);
  EXPECT_EQ(norm, 7);

  EXPECT_EQ(image.Values(), before);
}

}  // namespace
}  // namespace corvane::kernels
