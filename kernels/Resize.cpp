// ResizeCenter: scaling about a fixed point, for 8-bit images of 1, 3 and 4 channels and 16-bit
// images of 1 channel. pSrc is the origin of the whole source image, srcRoi the part of it that
// may be read, pDst the top-left pixel of the destination region.
//
// The filters are separable: each destination column and row gets its source taps and weights
// once (per axis), and every pixel then sums Σ_rows wy · Σ_columns wx · src in double. Plain C++:
// the tap lists vary in length from pixel to pixel, and this family is not a hot path.
//
// Choices where IPP's documents leave a behaviour open:
// - Mapping: (xCenter, yCenter) stays fixed. Source and destination share one pixel-centre
//   coordinate system with its origin at pSrc and at pDst, and destination pixel (xd, yd) samples
//   the source at xs = xCenter + (xd - xCenter) / xFactor, ys = yCenter + (yd - yCenter) / yFactor.
// - Only source pixels inside srcRoi ∩ image are read. A destination pixel is written only when
//   its position lies on a source pixel of that region, x0 - 1/2 <= xs < x1 - 1/2 (and so for
//   y); the others keep their contents. Filter taps that fall outside the region are dropped and
//   the remaining weights renormalised to sum 1 (for LINEAR the same as replicating the edge).
// - Interpolation codes: NN (nearest, ties toward the higher pixel), LINEAR (tent), CUBIC
//   (Catmull-Rom, B = 0 and C = 1/2, the same as CUBIC2P_CATMULLROM), CUBIC2P_BSPLINE (B = 1,
//   C = 0), CUBIC2P_B05C03 (B = 1/2, C = 3/10), LANCZOS (three lobes, 6 taps) and SUPER (the
//   average of the source area a destination pixel covers). Any other code, flag bits such as
//   IPPI_SMOOTH_EDGE included, is ippStsInterpolationErr.
// - SUPER with a factor above 1 is ippStsResizeFactorErr, as are factors that are not > 0 (NaN).
// - Statuses in order: ippStsNullPtrErr, ippStsSizeErr (any size or srcRoi dimension <= 0),
//   ippStsResizeFactorErr, ippStsInterpolationErr, then the warning ippStsWrongIntersectROI when
//   srcRoi does not meet the image (nothing written). Steps are not checked.
// - Results are clamped to the type's range and rounded half up; ippStsMemAllocErr when the tap
//   lists cannot be allocated.

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "kernels/ImageSupport.h"
#include "kernels/ResizeSupport.h"
#include "kernels/ipps.h"

namespace corvane::kernels {
namespace {

// The pixels [lo, hi) along one axis of the readable source region.
struct Span {
  int lo, hi;
};

// The source taps of one destination column or row: `count` pixels from `first`, their weights
// from `offset` in the axis' weight list. No taps: the position lies outside the region.
struct Taps {
  int first = 0;
  int count = 0;
  size_t offset = 0;
};

struct AxisSampling {
  std::vector<Taps> taps;  // per destination coordinate
  std::vector<double> weights;
};

AxisSampling SampleAxis(int dstLength, double factor, double center, Span span,
                        const ResampleFilter& filter) {
  AxisSampling axis;
  axis.taps.resize(size_t(dstLength));
  for (int d = 0; d < dstLength; ++d) {
    const double s = center + (d - center) / factor;
    if (!(s >= span.lo - 0.5 && s < span.hi - 0.5)) continue;
    // Bounded by the span before conversion: a wide SUPER box may reach past int's range.
    const int first = int(std::max(std::ceil(s - filter.Radius()), double(span.lo)));
    const int last = int(std::min(std::floor(s + filter.Radius()), double(span.hi - 1)));
    Taps& taps = axis.taps[size_t(d)];
    taps = {first, last - first + 1, axis.weights.size()};
    double sum = 0;
    for (int i = first; i <= last; ++i) {
      axis.weights.push_back(filter.Weight(s - i));
      sum += axis.weights.back();
    }
    for (size_t k = taps.offset; k < axis.weights.size(); ++k) axis.weights[k] /= sum;
  }
  return axis;
}

// v clamped to T's range and rounded half up.
template <class T>
T Saturate(double v) {
  constexpr double kMax = std::numeric_limits<T>::max();
  if (!(v > 0)) return 0;
  return v >= kMax ? T(kMax) : T(v + 0.5);
}

template <int kChannels, class T>
void Resample(const T* src, int srcStep, T* dst, int dstStep, IppiSize dstSize,
              const AxisSampling& columns, const AxisSampling& rows) {
  for (int yd = 0; yd < dstSize.height; ++yd) {
    const Taps& ty = rows.taps[size_t(yd)];
    if (ty.count == 0) continue;
    T* out = Row(dst, dstStep, yd);
    for (int xd = 0; xd < dstSize.width; ++xd) {
      const Taps& tx = columns.taps[size_t(xd)];
      if (tx.count == 0) continue;
      for (int c = 0; c < kChannels; ++c) {
        double sum = 0;
        for (int j = 0; j < ty.count; ++j) {
          const T* in = Row(src, srcStep, ty.first + j) + size_t(tx.first) * kChannels + c;
          double rowSum = 0;
          for (int i = 0; i < tx.count; ++i)
            rowSum += columns.weights[tx.offset + size_t(i)] * in[size_t(i) * kChannels];
          sum += rows.weights[ty.offset + size_t(j)] * rowSum;
        }
        out[size_t(xd) * kChannels + size_t(c)] = Saturate<T>(sum);
      }
    }
  }
}

// [max(start, 0), min(start + length, limit)): empty when the region misses the image.
Span Intersect(int start, int length, int limit) {
  return {std::max(start, 0), int(std::min<int64_t>(int64_t(start) + length, limit))};
}

template <int kChannels, class T>
IppStatus ResizeCenter(const T* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi, T* pDst,
                       int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor,
                       double xCenter, double yCenter, int interpolation) {
  if (IppStatus s = CheckResizeCenterArgs(pSrc, srcSize, srcRoi, pDst, dstRoiSize, xFactor, yFactor,
                                          interpolation))
    return s;
  const Span xSpan = Intersect(srcRoi.x, srcRoi.width, srcSize.width);
  const Span ySpan = Intersect(srcRoi.y, srcRoi.height, srcSize.height);
  if (xSpan.lo >= xSpan.hi || ySpan.lo >= ySpan.hi) return ippStsWrongIntersectROI;
  return CatchAllocationFailure([&] {
    const auto xFilter = *ResampleFilter::ForInterpolation(interpolation, xFactor);
    const auto yFilter = *ResampleFilter::ForInterpolation(interpolation, yFactor);
    const AxisSampling columns = SampleAxis(dstRoiSize.width, xFactor, xCenter, xSpan, xFilter);
    const AxisSampling rows = SampleAxis(dstRoiSize.height, yFactor, yCenter, ySpan, yFilter);
    Resample<kChannels>(pSrc, srcStep, pDst, dstStep, dstRoiSize, columns, rows);
    return ippStsNoErr;
  });
}

}  // namespace

IppStatus ippiResizeCenter_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                                  Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                                  double yFactor, double xCenter, double yCenter,
                                  int interpolation) {
  return ResizeCenter<1>(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor,
                         yFactor, xCenter, yCenter, interpolation);
}
IppStatus ippiResizeCenter_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                                  Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                                  double yFactor, double xCenter, double yCenter,
                                  int interpolation) {
  return ResizeCenter<3>(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor,
                         yFactor, xCenter, yCenter, interpolation);
}
IppStatus ippiResizeCenter_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                                  Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                                  double yFactor, double xCenter, double yCenter,
                                  int interpolation) {
  return ResizeCenter<4>(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor,
                         yFactor, xCenter, yCenter, interpolation);
}
IppStatus ippiResizeCenter_16u_C1R(const Ipp16u* pSrc, IppiSize srcSize, int srcStep,
                                   IppiRect srcRoi, Ipp16u* pDst, int dstStep, IppiSize dstRoiSize,
                                   double xFactor, double yFactor, double xCenter, double yCenter,
                                   int interpolation) {
  return ResizeCenter<1>(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor,
                         yFactor, xCenter, yCenter, interpolation);
}

}  // namespace corvane::kernels
