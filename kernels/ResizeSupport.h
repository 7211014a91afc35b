// Argument checks and resampling filters shared by the ResizeCenter kernels and their scalar
// reference.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "kernels/KernelSupport.h"

namespace corvane::kernels {

// IPP's two-parameter cubic codes (IPPI_INTER_CUBIC2P_*), accepted beside the IPPI_INTER_*
// values that IPPPTypes.h names.
inline constexpr int kInterCubic2PBSpline = 5, kInterCubic2PCatmullRom = 6, kInterCubic2PB05C03 = 7;

// The weight of a source pixel at distance t (in source pixels) from a sampled position, along
// one axis; zero from Radius() on. Weights are normalised by the caller.
class ResampleFilter {
 public:
  // The filter of an IPPI_INTER_* code at scale `factor` (destination / source); none for a code
  // that ResizeCenter does not take.
  static std::optional<ResampleFilter> ForInterpolation(int interpolation, double factor) {
    switch (interpolation) {
      case IPPI_INTER_NN:
        return ResampleFilter(Shape::kNearest, 0.5);
      case IPPI_INTER_LINEAR:
        return ResampleFilter(Shape::kLinear, 1.0);
      case IPPI_INTER_CUBIC:
      case kInterCubic2PCatmullRom:
        return ResampleFilter(Shape::kCubic, 2.0, 0.0, 0.5);
      case kInterCubic2PBSpline:
        return ResampleFilter(Shape::kCubic, 2.0, 1.0, 0.0);
      case kInterCubic2PB05C03:
        return ResampleFilter(Shape::kCubic, 2.0, 0.5, 0.3);
      case IPPI_INTER_LANCZOS:
        return ResampleFilter(Shape::kLanczos, 3.0);
      case IPPI_INTER_SUPER: {
        const double boxWidth = 1.0 / factor;  // one destination pixel, in source pixels
        return ResampleFilter(Shape::kBox, boxWidth / 2 + 0.5, boxWidth);
      }
      default:
        return std::nullopt;
    }
  }

  double Radius() const { return radius_; }

  double Weight(double t) const {
    switch (shape_) {
      case Shape::kNearest:
        return t >= -0.5 && t < 0.5 ? 1.0 : 0.0;  // ties round up
      case Shape::kLinear:
        return std::max(0.0, 1.0 - std::fabs(t));
      case Shape::kCubic:
        return Cubic(std::fabs(t));
      case Shape::kLanczos:
        return Lanczos3(t);
      case Shape::kBox:
        break;
    }
    // The part of the source pixel [-1/2, 1/2) that the box [t - w/2, t + w/2) covers.
    const double halfWidth = p_ / 2;
    return std::max(0.0, std::min(0.5, t + halfWidth) - std::max(-0.5, t - halfWidth));
  }

 private:
  enum class Shape { kNearest, kLinear, kCubic, kLanczos, kBox };

  ResampleFilter(Shape shape, double radius, double p = 0, double q = 0)
      : shape_(shape), radius_(radius), p_(p), q_(q) {}

  // Mitchell and Netravali's cubic with B = p_, C = q_, at t >= 0.
  double Cubic(double t) const {
    const double b = p_, c = q_;
    if (t < 1)
      return ((12 - 9 * b - 6 * c) * t * t * t + (-18 + 12 * b + 6 * c) * t * t + (6 - 2 * b)) / 6;
    if (t < 2)
      return ((-b - 6 * c) * t * t * t + (6 * b + 30 * c) * t * t + (-12 * b - 48 * c) * t +
              (8 * b + 24 * c)) /
             6;
    return 0;
  }

  static double Lanczos3(double t) {
    if (t == 0) return 1;
    if (std::fabs(t) >= 3) return 0;
    const double x = std::numbers::pi * t;
    return 3 * std::sin(x) * std::sin(x / 3) / (x * x);
  }

  Shape shape_;
  double radius_;
  double p_, q_;  // cubic: B and C; box: its width
};

// IPP's checks in order: null pointers, sizes, factors, the interpolation code. Supersampling
// only shrinks.
inline IppStatus CheckResizeCenterArgs(const void* src, IppiSize srcSize, IppiRect srcRoi,
                                       const void* dst, IppiSize dstRoiSize, double xFactor,
                                       double yFactor, int interpolation) {
  if (AnyNull(src, dst)) return ippStsNullPtrErr;
  if (srcSize.width <= 0 || srcSize.height <= 0 || srcRoi.width <= 0 || srcRoi.height <= 0 ||
      dstRoiSize.width <= 0 || dstRoiSize.height <= 0)
    return ippStsSizeErr;
  if (!(xFactor > 0) || !(yFactor > 0)) return ippStsResizeFactorErr;
  if (!ResampleFilter::ForInterpolation(interpolation, 1.0)) return ippStsInterpolationErr;
  if (interpolation == IPPI_INTER_SUPER && (xFactor > 1 || yFactor > 1))
    return ippStsResizeFactorErr;
  return ippStsNoErr;
}

}  // namespace corvane::kernels
