// Scalar reference for the image kernels: every pixel of the region visited with plain loops and
// IPP's formulas written out, used by the tests to check the vector kernels exactly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "kernels/ImageSupport.h"

namespace corvane::kernels::reference {

// Channel c of pixel (x, y) of an image of `channels`-value pixels.
template <class T>
T& At(T* image, int step, int channels, int x, int y, int c) {
  return Row(image, step, y)[x * channels + c];
}

inline IppStatus Mirror(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                        IppiAxis flip, int channels) {
  if (IppStatus s = CheckImageArgs(roi, src, dst)) return s;
  if (flip != ippAxsHorizontal && flip != ippAxsVertical && flip != ippAxsBoth)
    return ippStsMirrorFlipErr;
  const int w = roi.width, h = roi.height, rowValues = w * channels;
  std::vector<Ipp8u> copy(size_t(h) * size_t(rowValues));  // so that src may be dst
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < rowValues; ++i) copy[size_t(y * rowValues + i)] = Row(src, srcStep, y)[i];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int fromX = flip == ippAxsHorizontal ? x : w - 1 - x;
      const int fromY = flip == ippAxsVertical ? y : h - 1 - y;
      for (int c = 0; c < channels; ++c)
        At(dst, dstStep, channels, x, y, c) =
            copy[size_t(fromY * rowValues + fromX * channels + c)];
    }
  return ippStsNoErr;
}
inline IppStatus ippiMirror_8u_C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep,
                                   IppiSize roi, IppiAxis flip) {
  return Mirror(src, srcStep, dst, dstStep, roi, flip, 3);
}
inline IppStatus ippiMirror_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep,
                                   IppiSize roi, IppiAxis flip) {
  return Mirror(src, srcStep, dst, dstStep, roi, flip, 4);
}
inline IppStatus ippiMirror_8u_C3IR(Ipp8u* srcDst, int step, IppiSize roi, IppiAxis flip) {
  return Mirror(srcDst, step, srcDst, step, roi, flip, 3);
}

template <class T>
IppStatus Copy(const T* src, int srcStep, T* dst, int dstStep, IppiSize roi, int channels) {
  if (IppStatus s = CheckImageArgs(roi, src, dst)) return s;
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < channels; ++c)
        At(dst, dstStep, channels, x, y, c) = At(src, srcStep, channels, x, y, c);
  return ippStsNoErr;
}
inline IppStatus ippiCopy_32s_C1R(const Ipp32s* src, int srcStep, Ipp32s* dst, int dstStep,
                                  IppiSize roi) {
  return Copy(src, srcStep, dst, dstStep, roi, 1);
}
inline IppStatus ippiCopy_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep,
                                 IppiSize roi) {
  return Copy(src, srcStep, dst, dstStep, roi, 4);
}

inline IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* dst, int dstStep, IppiSize roi) {
  if (IppStatus s = CheckImageArgs(roi, value, dst)) return s;
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < 4; ++c) At(dst, dstStep, 4, x, y, c) = value[c];
  return ippStsNoErr;
}

// t / 255 rounded to nearest, saturated to 255: t is 255 times a result.
inline Ipp8u Scale255(int t) {
  return Ipp8u(std::min((t + 127) / 255, 255));
}

// One channel of A `type` B: a colour (c < 3) or the alpha (c == 3), as the table of IPP's
// formulas gives it, each product of two bytes scaled by 1/255.
inline Ipp8u AlphaCompose(IppiAlphaType type, int A, int a, int B, int b, bool isAlpha) {
  const int na = 255 - a, nb = 255 - b;
  if (isAlpha) {
    const int alpha[6] = {255 * a + na * b, a * b,           a * nb,
                          a * b + na * b,   a * nb + na * b, 255 * a + 255 * b};
    return Scale255(alpha[type % 6]);
  }
  if (type >= ippAlphaOverPremul) {
    const int colour[6] = {255 * A + na * B, A * b,           A * nb,
                           A * b + na * B,   A * nb + na * B, 255 * A + 255 * B};
    return Scale255(colour[type % 6]);
  }
  const int pa = Scale255(a * A), pb = Scale255(b * B);  // αA·A and αB·B
  const int colour[6] = {a * A + na * pb,   pa * b,       pa * nb, pa * b + na * pb,
                         pa * nb + na * pb, a * A + b * B};
  return Scale255(colour[type]);
}

inline IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* src1, int src1Step, const Ipp8u* src2,
                                       int src2Step, Ipp8u* dst, int dstStep, IppiSize roi,
                                       IppiAlphaType type) {
  if (IppStatus s = CheckImageArgs(roi, src1, src2, dst)) return s;
  if (type < 0 || type > 11) return ippStsAlphaTypeErr;
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x) {
      const int a = At(src1, src1Step, 4, x, y, 3), b = At(src2, src2Step, 4, x, y, 3);
      for (int c = 0; c < 4; ++c)
        At(dst, dstStep, 4, x, y, c) = AlphaCompose(type, At(src1, src1Step, 4, x, y, c), a,
                                                    At(src2, src2Step, 4, x, y, c), b, c == 3);
    }
  return ippStsNoErr;
}

// v mapped through the levels and values of one channel.
inline Ipp8u LinearLookUp(int v, const Ipp32s* values, const Ipp32s* levels, int count) {
  for (int k = 0; k + 1 < count; ++k) {
    if (v < levels[k] || v >= levels[k + 1]) continue;
    const __int128 rise = __int128(int64_t(v) - levels[k]) * (int64_t(values[k + 1]) - values[k]);
    const __int128 result = values[k] + rise / (int64_t(levels[k + 1]) - levels[k]);
    return Ipp8u(result < 0 ? 0 : result > 255 ? 255 : result);
  }
  return Ipp8u(v);
}

inline IppStatus ippiLUT_Linear_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep,
                                       IppiSize roi, const Ipp32s* values[4],
                                       const Ipp32s* levels[4], int counts[4]) {
  if (AnyNull(values, levels, counts)) return ippStsNullPtrErr;
  for (int c = 0; c < 4; ++c)
    if (AnyNull(values[c], levels[c])) return ippStsNullPtrErr;
  if (IppStatus s = CheckImageArgs(roi, src, dst)) return s;
  for (int c = 0; c < 4; ++c)
    if (counts[c] < 2) return ippStsLUTNofLevelsErr;
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < 4; ++c)
        At(dst, dstStep, 4, x, y, c) =
            LinearLookUp(At(src, srcStep, 4, x, y, c), values[c], levels[c], counts[c]);
  return ippStsNoErr;
}

// *value = finish(fold of |src1 - src2| over the region, starting from 0).
template <class Fold, class Finish>
IppStatus NormDiff(const Ipp8u* src1, int src1Step, const Ipp8u* src2, int src2Step, IppiSize roi,
                   Ipp64f* value, Fold fold, Finish finish) {
  if (IppStatus s = CheckImageArgs(roi, src1, src2, value)) return s;
  uint64_t acc = 0;
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x)
      acc = fold(
          acc, uint64_t(std::abs(At(src1, src1Step, 1, x, y, 0) - At(src2, src2Step, 1, x, y, 0))));
  *value = finish(double(acc));
  return ippStsNoErr;
}
inline IppStatus ippiNormDiff_L1_8u_C1R(const Ipp8u* src1, int src1Step, const Ipp8u* src2,
                                        int src2Step, IppiSize roi, Ipp64f* value) {
  return NormDiff(
      src1, src1Step, src2, src2Step, roi, value, [](uint64_t s, uint64_t d) { return s + d; },
      [](double s) { return s; });
}
inline IppStatus ippiNormDiff_L2_8u_C1R(const Ipp8u* src1, int src1Step, const Ipp8u* src2,
                                        int src2Step, IppiSize roi, Ipp64f* value) {
  return NormDiff(
      src1, src1Step, src2, src2Step, roi, value, [](uint64_t s, uint64_t d) { return s + d * d; },
      [](double s) { return std::sqrt(s); });
}
inline IppStatus ippiNormDiff_Inf_8u_C1R(const Ipp8u* src1, int src1Step, const Ipp8u* src2,
                                         int src2Step, IppiSize roi, Ipp64f* value) {
  return NormDiff(
      src1, src1Step, src2, src2Step, roi, value,
      [](uint64_t s, uint64_t d) { return std::max(s, d); }, [](double s) { return s; });
}

}  // namespace corvane::kernels::reference
