// Scalar reference for ResizeCenter: each destination pixel computed on its own, straight from
// the mapping xs = xCenter + (xd - xCenter) / xFactor (ys likewise), weighting every pixel of the
// readable source region with the filter (most weights are zero).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "kernels/ImageSupport.h"
#include "kernels/ResizeSupport.h"

namespace corvane::kernels::reference {

// The normalised weights of the pixels lo .. hi-1 for position s, or none when s does not lie on
// one of them.
inline std::optional<std::vector<double>> RegionWeights(double s, int lo, int hi,
                                                        const ResampleFilter& filter) {
  if (!(s >= lo - 0.5 && s < hi - 0.5)) return std::nullopt;
  std::vector<double> weights;
  double sum = 0;
  for (int i = lo; i < hi; ++i) {
    weights.push_back(filter.Weight(s - i));
    sum += weights.back();
  }
  for (double& w : weights) w /= sum;
  return weights;
}

template <int kChannels, class T>
IppStatus ResizeCenter(const T* src, IppiSize srcSize, int srcStep, IppiRect roi, T* dst,
                       int dstStep, IppiSize dstSize, double xFactor, double yFactor,
                       double xCenter, double yCenter, int interpolation) {
  if (IppStatus s =
          CheckResizeCenterArgs(src, srcSize, roi, dst, dstSize, xFactor, yFactor, interpolation))
    return s;
  const int x0 = std::max(roi.x, 0), y0 = std::max(roi.y, 0);
  const int x1 = int(std::min<int64_t>(int64_t(roi.x) + roi.width, srcSize.width));
  const int y1 = int(std::min<int64_t>(int64_t(roi.y) + roi.height, srcSize.height));
  if (x0 >= x1 || y0 >= y1) return ippStsWrongIntersectROI;
  const ResampleFilter xFilter = *ResampleFilter::ForInterpolation(interpolation, xFactor);
  const ResampleFilter yFilter = *ResampleFilter::ForInterpolation(interpolation, yFactor);
  constexpr double kMax = std::numeric_limits<T>::max();
  for (int yd = 0; yd < dstSize.height; ++yd)
    for (int xd = 0; xd < dstSize.width; ++xd) {
      const auto wx = RegionWeights(xCenter + (xd - xCenter) / xFactor, x0, x1, xFilter);
      const auto wy = RegionWeights(yCenter + (yd - yCenter) / yFactor, y0, y1, yFilter);
      if (!wx || !wy) continue;
      for (int c = 0; c < kChannels; ++c) {
        double sum = 0;
        for (int y = y0; y < y1; ++y) {
          double rowSum = 0;
          for (int x = x0; x < x1; ++x)
            rowSum += (*wx)[size_t(x - x0)] * Row(src, srcStep, y)[x * kChannels + c];
          sum += (*wy)[size_t(y - y0)] * rowSum;
        }
        Row(dst, dstStep, yd)[xd * kChannels + c] = T(std::floor(std::clamp(sum, 0.0, kMax) + 0.5));
      }
    }
  return ippStsNoErr;
}

}  // namespace corvane::kernels::reference
