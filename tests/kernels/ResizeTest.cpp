#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/Resize.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::ExpectSameImage;
using test::TestImage;

template <class T>
using TResize = IppStatus (*)(const T*, IppiSize, int, IppiRect, T*, int, IppiSize, double, double,
                              double, double, int);

constexpr int kInterpolations[] = {
    IPPI_INTER_NN,           IPPI_INTER_LINEAR,   IPPI_INTER_CUBIC,   kInterCubic2PBSpline,
    kInterCubic2PCatmullRom, kInterCubic2PB05C03, IPPI_INTER_LANCZOS, IPPI_INTER_SUPER};

struct Geometry {
  IppiSize srcSize;
  IppiRect srcRoi;
  IppiSize dstSize;
  double xFactor, yFactor, xCenter, yCenter;
};

constexpr Geometry kGeometries[] = {
    // Enlarging from a region inside the image, off-centre: the destination's borders fall
    // outside the region.
    {{13, 9}, {2, 1, 9, 7}, {17, 11}, 1.7, 1.3, 5.5, 3.2},
    // Shrinking the whole image about its middle, and about a point outside it.
    {{13, 9}, {0, 0, 13, 9}, {9, 7}, 0.45, 0.6, 6, 4},
    {{13, 9}, {0, 0, 13, 9}, {12, 12}, 0.3, 0.8, -2.5, 11},
    // A region reaching past the image; one axis enlarged, the other shrunk.
    {{11, 12}, {-3, 5, 20, 10}, {15, 8}, 2.5, 0.7, 0, 7.5},
};

template <int kChannels, class T>
void ExpectResizeMatchesReference(TResize<T> kernel) {
  for (const Geometry& g : kGeometries) {
    const TestImage<T> src(g.srcSize.width, g.srcSize.height, kChannels, 1, 3);
    const TestImage<T> dst(g.dstSize.width, g.dstSize.height, kChannels, 2, 5);
    for (int interpolation : kInterpolations) {
      SCOPED_TRACE(testing::Message() << "interpolation " << interpolation << ", factors "
                                      << g.xFactor << " " << g.yFactor);
      const auto run = [&](TResize<T> function) {
        return [&, function](T* d, int step) {
          return function(src.Data(), g.srcSize, src.Step(), g.srcRoi, d, step, g.dstSize,
                          g.xFactor, g.yFactor, g.xCenter, g.yCenter, interpolation);
        };
      };
      ExpectSameImage(dst, run(kernel), run(reference::ResizeCenter<kChannels, T>));
    }
  }
}

KERNEL_TEST(Resize, MatchesReferenceForEveryInterpolationAndType, ippiResizeCenter_8u_C1R,
            ippiResizeCenter_8u_C3R, ippiResizeCenter_8u_C4R, ippiResizeCenter_16u_C1R) {
  ExpectResizeMatchesReference<1, Ipp8u>(ippiResizeCenter_8u_C1R);
  ExpectResizeMatchesReference<3, Ipp8u>(ippiResizeCenter_8u_C3R);
  ExpectResizeMatchesReference<4, Ipp8u>(ippiResizeCenter_8u_C4R);
  ExpectResizeMatchesReference<1, Ipp16u>(ippiResizeCenter_16u_C1R);
}

// One row resized along x about xCenter, factor 1 along y; the destination starts out as 99s.
std::vector<int> ResizeRow(std::vector<Ipp8u> src, int dstWidth, double xFactor, double xCenter,
                           int interpolation) {
  std::vector<Ipp8u> dst(size_t(dstWidth), 99);
  const int width = int(src.size());
  EXPECT_EQ(ippiResizeCenter_8u_C1R(src.data(), {width, 1}, width, {0, 0, width, 1}, dst.data(),
                                    dstWidth, {dstWidth, 1}, xFactor, 1, xCenter, 0, interpolation),
            ippStsNoErr);
  return {dst.begin(), dst.end()};
}

KERNEL_TEST(Resize, CentreStaysFixedAndUnmappedPixelsAreKept) {
  // Position xd / 2: ties go to the higher pixel; 2.5 lies past the last pixel.
  EXPECT_EQ(ResizeRow({10, 20, 30}, 6, 2, 0, IPPI_INTER_NN),
            (std::vector<int>{10, 20, 20, 30, 30, 99}));
  EXPECT_EQ(ResizeRow({0, 10, 20, 30}, 8, 2, 0, IPPI_INTER_LINEAR),
            (std::vector<int>{0, 5, 10, 15, 20, 25, 30, 99}));
  // About centre 3: position 3 + (xd - 3) / 2.
  EXPECT_EQ(ResizeRow({0, 10, 20, 30, 40}, 8, 2, 3, IPPI_INTER_LINEAR),
            (std::vector<int>{15, 20, 25, 30, 35, 40, 99, 99}));
}

KERNEL_TEST(Resize, FactorOneCopiesForInterpolatingFilters) {
  // B-splines and B = 1/2, C = 3/10 smooth: they do not interpolate.
  constexpr int kInterpolating[] = {IPPI_INTER_NN,      IPPI_INTER_LINEAR,       IPPI_INTER_CUBIC,
                                    IPPI_INTER_LANCZOS, kInterCubic2PCatmullRom, IPPI_INTER_SUPER};
  const TestImage<Ipp8u> src(7, 5, 3, 3);
  for (int interpolation : kInterpolating) {
    TestImage<Ipp8u> dst(7, 5, 3, 4, 0);
    ASSERT_EQ(ippiResizeCenter_8u_C3R(src.Data(), {7, 5}, src.Step(), {0, 0, 7, 5}, dst.Data(),
                                      dst.Step(), {7, 5}, 1, 1, 4, 2, interpolation),
              ippStsNoErr);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(dst.At(x, y, c), src.At(x, y, c))
              << "interpolation " << interpolation << " at " << x << ", " << y;
  }
}

KERNEL_TEST(Resize, ConstantImagesStayConstantUpToTheEdges) {
  for (int interpolation : kInterpolations) {
    std::vector<Ipp16u> src(6 * 4, 65535), dst(9 * 7, 0);
    const double factor = interpolation == IPPI_INTER_SUPER ? 0.7 : 1.6;
    ASSERT_EQ(ippiResizeCenter_16u_C1R(src.data(), {6, 4}, 12, {0, 0, 6, 4}, dst.data(), 18, {9, 7},
                                       factor, factor, 2.5, 1.5, interpolation),
              ippStsNoErr);
    for (Ipp16u value : dst) {
      if (value != 0) {
        ASSERT_EQ(value, 65535) << "interpolation " << interpolation;
      }
    }
  }
}

KERNEL_TEST(Resize, SupersamplingAveragesTheCoveredArea) {
  // Halving about (-1/2, -1/2): destination pixel x covers source pixels 2x and 2x + 1.
  const std::vector<Ipp8u> src = {1, 2, 0, 255, 3, 5, 0, 254};
  std::vector<Ipp8u> dst(2);
  ASSERT_EQ(ippiResizeCenter_8u_C1R(src.data(), {4, 2}, 4, {0, 0, 4, 2}, dst.data(), 2, {2, 1}, 0.5,
                                    0.5, -0.5, -0.5, IPPI_INTER_SUPER),
            ippStsNoErr);
  EXPECT_EQ(dst, (std::vector<Ipp8u>{3, 127}));  // 2.75 and 127.25, rounded
}

TEST(Resize, BadArgumentsInIppOrderWriteNothing) {
  TestImage<Ipp8u> image(4, 3, 1, 5);
  const std::vector<Ipp8u> before = image.Values();
  Ipp8u* p = image.Data();
  const int step = image.Step();
  const auto resize = [&](const Ipp8u* src, IppiSize srcSize, IppiRect roi, IppiSize dstSize,
                          double xFactor, double yFactor, int interpolation) {
    return ippiResizeCenter_8u_C1R(src, srcSize, step, roi, p, step, dstSize, xFactor, yFactor, 1,
                                   1, interpolation);
  };
  const IppiSize size{4, 3};
  const IppiRect roi{0, 0, 4, 3};
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(resize(nullptr, {0, 0}, roi, size, 0, 1, 3), ippStsNullPtrErr);
  EXPECT_EQ(resize(p, {0, 3}, roi, size, 0, 1, 3), ippStsSizeErr);
  EXPECT_EQ(resize(p, size, {0, 0, 4, 0}, size, 1, 1, 1), ippStsSizeErr);
  EXPECT_EQ(resize(p, size, roi, {-1, 3}, 1, 1, 1), ippStsSizeErr);
  EXPECT_EQ(resize(p, size, roi, size, 0, 1, 3), ippStsResizeFactorErr);
  EXPECT_EQ(resize(p, size, roi, size, 1, -2, 1), ippStsResizeFactorErr);
  EXPECT_EQ(resize(p, size, roi, size, kNaN, 1, 1), ippStsResizeFactorErr);
  for (int code : {0, 3, 9, 32, IPPI_INTER_LINEAR | (1 << 30)})
    EXPECT_EQ(resize(p, size, roi, size, 1, 1, code), ippStsInterpolationErr) << code;
  EXPECT_EQ(resize(p, size, roi, size, 0.5, 1.5, IPPI_INTER_SUPER), ippStsResizeFactorErr);
  EXPECT_EQ(resize(p, size, {4, 0, 2, 3}, size, 1, 1, 1), ippStsWrongIntersectROI);
  EXPECT_EQ(resize(p, size, {-2, 1, 2, 3}, size, 1, 1, 1), ippStsWrongIntersectROI);
  EXPECT_EQ(image.Values(), before);
}

}  // namespace
}  // namespace corvane::kernels
