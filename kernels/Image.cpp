// Image kernels on interleaved 8-bit and 32-bit pixels: mirror, copy, set, alpha compositing,
// piecewise-linear lookup tables and norms of differences, each over a region of interest whose
// rows lie `step` bytes apart (kernels/ImageSupport.h). Nothing outside the region is read or
// written, the padding between rows included.
//
// Mirror reverses rows a vector of pixels at a time from both ends, so the same loop serves the
// in-place form; Copy is memcpy per row; Set and AlphaComp are Highway loops; LUT_Linear looks
// every value up in a 256-entry table per channel built first; the norms fold differences in
// 32-bit lanes, a bounded number of elements at a time, into exact 64-bit totals.
//
// Choices where IPP's documents leave a behaviour open:
// - AlphaComp scales every product of two 8-bit quantities by 1/255 with rounding to nearest,
//   (t + 127) / 255. A sum of two products is scaled once: OVER is
//   (αA·A + (255 - αA)·(αB·B/255)) / 255. A triple product scales its first pair first: the
//   non-premultiplied colour by its own alpha (αA·A/255), then by the other alpha. A result above
//   255 (PLUS, or premultiplied colours larger than their alpha) saturates to 255. The result
//   alpha, computed by the same formulas, goes to channel 3; the colours are not divided by it.
// - LUT_Linear interpolates with integer arithmetic, truncating the quotient toward zero, and
//   clamps the result to 0..255. Values below the first level or at or above the last one pass
//   unchanged. Levels are not checked for order: a value takes the first segment
//   L[k] <= v < L[k+1] that holds it, and empty segments are skipped.
// - Mirror, Copy and Set do not check the steps (IPP lists no step check); callers pass positive
//   steps of at least a row.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/Image.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <utility>

#include "hwy/highway.h"
#include "kernels/ImageSupport.h"
#include "kernels/Loops-inl.h"
#include "kernels/ipps.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {

using DU8 = hn::ScalableTag<uint8_t>;
using DU16 = hn::ScalableTag<uint16_t>;
using DI32 = hn::ScalableTag<int32_t>;

// ------------------------------------------------------------------------------------------------
// Mirror

// Lanes(d) interleaved pixels of kChannels bytes, one vector per channel.
template <size_t kChannels, class D>
struct Pixels {
  hn::Vec<D> channel[kChannels];
};

template <size_t kChannels, class D>
HWY_INLINE Pixels<kChannels, D> LoadPixels(D d, const uint8_t* p) {
  static_assert(kChannels == 3 || kChannels == 4);
  Pixels<kChannels, D> px;
  auto* c = px.channel;
  if constexpr (kChannels == 3)
    hn::LoadInterleaved3(d, p, c[0], c[1], c[2]);
  else
    hn::LoadInterleaved4(d, p, c[0], c[1], c[2], c[3]);
  return px;
}

// The bytes of v in reverse order. Highway's Reverse takes no 8-bit lanes: bytes are reversed
// within each 128-bit block, then the blocks are.
template <class D>
HWY_INLINE hn::Vec<D> ReverseBytes(D d, hn::Vec<D> v) {
  if constexpr (hn::MaxLanes(d) == 1) {
    return v;
  } else {
    static constexpr uint8_t kReversedBlock[16] = {15, 14, 13, 12, 11, 10, 9, 8,
                                                   7,  6,  5,  4,  3,  2,  1, 0};
    return hn::ReverseBlocks(d, hn::TableLookupBytes(v, hn::LoadDup128(d, kReversedBlock)));
  }
}

// Stores the pixels in reverse order, the channels inside each pixel kept.
template <size_t kChannels, class D>
HWY_INLINE void StoreReversed(D d, Pixels<kChannels, D> px, uint8_t* p) {
  auto* c = px.channel;
  for (auto& v : px.channel) v = ReverseBytes(d, v);
  if constexpr (kChannels == 3)
    hn::StoreInterleaved3(c[0], c[1], c[2], d, p);
  else
    hn::StoreInterleaved4(c[0], c[1], c[2], c[3], d, p);
}

// dst = the `width` pixels of src in reverse order; src may be dst. Blocks from both ends are
// exchanged, each loaded before either is stored, so that in place nothing is overwritten early.
template <size_t kChannels>
void ReversePixels(const uint8_t* src, uint8_t* dst, size_t width) {
  size_t lo = 0, hi = width;  // the pixels [lo, hi) remain
  const auto exchange = [&](auto d) {
    const size_t count = hn::Lanes(d);
    const auto left = LoadPixels<kChannels>(d, src + lo * kChannels);
    const auto right = LoadPixels<kChannels>(d, src + (hi - count) * kChannels);
    StoreReversed<kChannels>(d, right, dst + lo * kChannels);
    StoreReversed<kChannels>(d, left, dst + (hi - count) * kChannels);
    lo += count;
    hi -= count;
  };
  const DU8 d;
  while (hi - lo >= 2 * hn::Lanes(d)) exchange(d);
  while (hi - lo >= 2) exchange(hn::CappedTag<uint8_t, 1>());
  if (hi > lo && src != dst)  // the middle pixel of an odd row stays in place
    for (size_t c = 0; c < kChannels; ++c) dst[lo * kChannels + c] = src[lo * kChannels + c];
}

// Exchanges the n bytes at a and b (two distinct rows).
void SwapBytes(uint8_t* a, uint8_t* b, size_t n) {
  const DU8 d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto va = hn::LoadU(d, a + i);
    hn::StoreU(hn::LoadU(d, b + i), d, a + i);
    hn::StoreU(va, d, b + i);
  }
  for (; i < n; ++i) std::swap(a[i], b[i]);
}

// ippAxsHorizontal turns the image upside down, ippAxsVertical reverses each row, ippAxsBoth
// does both.
bool FlipsRows(IppiAxis flip) {
  return flip != ippAxsVertical;
}
bool FlipsColumns(IppiAxis flip) {
  return flip != ippAxsHorizontal;
}

template <size_t kChannels>
void Mirror(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep, IppiSize roi,
            IppiAxis flip) {
  const size_t width = size_t(roi.width);
  for (int y = 0; y < roi.height; ++y) {
    const uint8_t* from = Row(src, srcStep, FlipsRows(flip) ? roi.height - 1 - y : y);
    uint8_t* to = Row(dst, dstStep, y);
    if (FlipsColumns(flip))
      ReversePixels<kChannels>(from, to, width);
    else
      std::memcpy(to, from, width * kChannels);
  }
}
void Mirror3(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep, IppiSize roi,
             IppiAxis flip) {
  Mirror<3>(src, srcStep, dst, dstStep, roi, flip);
}
void Mirror4(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep, IppiSize roi,
             IppiAxis flip) {
  Mirror<4>(src, srcStep, dst, dstStep, roi, flip);
}

// In place: rows are exchanged pairwise from top and bottom, then each row is reversed.
void MirrorInPlace3(uint8_t* image, int step, IppiSize roi, IppiAxis flip) {
  if (FlipsRows(flip))
    for (int y = 0; y < roi.height / 2; ++y)
      SwapBytes(Row(image, step, y), Row(image, step, roi.height - 1 - y), RowValues(roi, 3));
  if (FlipsColumns(flip))
    for (int y = 0; y < roi.height; ++y) {
      uint8_t* row = Row(image, step, y);
      ReversePixels<3>(row, row, size_t(roi.width));
    }
}

// ------------------------------------------------------------------------------------------------
// Set

// The n bytes at dst = value[0], value[1], value[2], value[3], value[0], ... Vectors that do not
// hold whole pixels (the one-lane scalar target) leave everything to the byte loop.
void SetPixels4(const uint8_t value[4], uint8_t* dst, size_t n) {
  const DU8 d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  if (lanes % 4 == 0) {
    HWY_ALIGN uint8_t pattern[hn::MaxLanes(d)];
    for (size_t k = 0; k < lanes; ++k) pattern[k] = value[k % 4];
    const auto v = hn::Load(d, pattern);
    for (; i + lanes <= n; i += lanes) hn::StoreU(v, d, dst + i);
  }
  for (; i < n; ++i) dst[i] = value[i % 4];
}

void SetImage4(const uint8_t value[4], uint8_t* dst, int dstStep, IppiSize roi) {
  for (int y = 0; y < roi.height; ++y) SetPixels4(value, Row(dst, dstStep, y), RowValues(roi, 4));
}

// ------------------------------------------------------------------------------------------------
// Alpha compositing, in 16-bit lanes: every term is a product of two bytes, at most 255·255.

// round(t / 255) for t <= 255·255, as (t + 127) / 255.
template <class D>
HWY_INLINE hn::Vec<D> Div255(D d, hn::Vec<D> t) {
  const auto u = hn::Add(t, hn::Set(d, 128));
  return hn::ShiftRight<8>(hn::Add(u, hn::ShiftRight<8>(u)));
}

// The factor of one source's premultiplied value in a compositing formula: 0, 1, the other
// source's alpha or its complement (1 - alpha).
enum class Weight { kZero, kOne, kOtherAlpha, kOtherComplement };

struct CompositeRule {
  Weight a, b;
};
// Indexed by IppiAlphaType modulo 6: OVER, IN, OUT, ATOP, XOR, PLUS.
constexpr CompositeRule kRules[6] = {
    {Weight::kOne, Weight::kOtherComplement},              // A + (1-αA)·B
    {Weight::kOtherAlpha, Weight::kZero},                  // A·αB
    {Weight::kOtherComplement, Weight::kZero},             // A·(1-αB)
    {Weight::kOtherAlpha, Weight::kOtherComplement},       // A·αB + (1-αA)·B
    {Weight::kOtherComplement, Weight::kOtherComplement},  // A·(1-αB) + (1-αA)·B
    {Weight::kOne, Weight::kOne},                          // A + B
};

// 255 times one source's share of a result channel. `value` is the channel as the formulas see
// it: a colour, or for the alpha channel 255 (non-premultiplied) or the alpha itself
// (premultiplied), so that its premultiplied value is the alpha.
template <Weight kWeight, bool kPremultiplied, class D>
HWY_INLINE hn::Vec<D> Share(D d, hn::Vec<D> value, hn::Vec<D> alpha, hn::Vec<D> otherAlpha) {
  const auto k255 = hn::Set(d, 255);
  if constexpr (kWeight == Weight::kZero) return hn::Zero(d);
  const auto premultipliedTimes255 = hn::Mul(value, kPremultiplied ? k255 : alpha);
  if constexpr (kWeight == Weight::kOne) return premultipliedTimes255;
  const auto premultiplied = kPremultiplied ? value : Div255(d, premultipliedTimes255);
  const auto weight = kWeight == Weight::kOtherAlpha ? otherAlpha : hn::Sub(k255, otherAlpha);
  return hn::Mul(premultiplied, weight);
}

template <int kType, class D>
HWY_INLINE hn::Vec<D> Composite(D d, hn::Vec<D> valueA, hn::Vec<D> alphaA, hn::Vec<D> valueB,
                                hn::Vec<D> alphaB) {
  constexpr CompositeRule rule = kRules[kType % 6];
  constexpr bool kPremultiplied = kType >= ippAlphaOverPremul;
  const auto sum = hn::SaturatedAdd(Share<rule.a, kPremultiplied>(d, valueA, alphaA, alphaB),
                                    Share<rule.b, kPremultiplied>(d, valueB, alphaB, alphaA));
  return Div255(d, hn::Min(sum, hn::Set(d, 255 * 255)));  // saturates at 255
}

// Composites Lanes(d) pixels, d being a tag for uint16_t.
template <int kType, class D>
HWY_INLINE void CompositePixels(D d, const uint8_t* a, const uint8_t* b, uint8_t* dst) {
  const hn::Rebind<uint8_t, D> d8;
  hn::Vec<decltype(d8)> a8[4], b8[4];
  hn::LoadInterleaved4(d8, a, a8[0], a8[1], a8[2], a8[3]);
  hn::LoadInterleaved4(d8, b, b8[0], b8[1], b8[2], b8[3]);
  hn::Vec<D> va[4], vb[4], out[4];
  for (int c = 0; c < 4; ++c) va[c] = hn::PromoteTo(d, a8[c]), vb[c] = hn::PromoteTo(d, b8[c]);
  for (int c = 0; c < 3; ++c) out[c] = Composite<kType>(d, va[c], va[3], vb[c], vb[3]);
  // The alpha channel composites as a channel whose non-premultiplied value is 1 (255).
  constexpr bool premultiplied = kType >= ippAlphaOverPremul;
  const auto k255 = hn::Set(d, 255);
  out[3] =
      Composite<kType>(d, premultiplied ? va[3] : k255, va[3], premultiplied ? vb[3] : k255, vb[3]);
  hn::StoreInterleaved4(hn::TruncateTo(d8, out[0]), hn::TruncateTo(d8, out[1]),
                        hn::TruncateTo(d8, out[2]), hn::TruncateTo(d8, out[3]), d8, dst);
}

template <int kType>
void CompositeImage(const uint8_t* a, int aStep, const uint8_t* b, int bStep, uint8_t* dst,
                    int dstStep, IppiSize roi) {
  const DU16 d;
  const size_t lanes = hn::Lanes(d), width = size_t(roi.width);
  for (int y = 0; y < roi.height; ++y) {
    const uint8_t* rowA = Row(a, aStep, y);
    const uint8_t* rowB = Row(b, bStep, y);
    uint8_t* rowDst = Row(dst, dstStep, y);
    size_t x = 0;
    for (; x + lanes <= width; x += lanes)
      CompositePixels<kType>(d, rowA + 4 * x, rowB + 4 * x, rowDst + 4 * x);
    for (; x < width; ++x)
      CompositePixels<kType>(hn::CappedTag<uint16_t, 1>(), rowA + 4 * x, rowB + 4 * x,
                             rowDst + 4 * x);
  }
}

using CompositeImageFn = void (*)(const uint8_t*, int, const uint8_t*, int, uint8_t*, int,
                                  IppiSize);

template <int... kTypes>
constexpr std::array<CompositeImageFn, sizeof...(kTypes)> CompositeTable(
    std::integer_sequence<int, kTypes...>) {
  return {&CompositeImage<kTypes>...};
}

// `type` is one of the 12 IppiAlphaType values.
void AlphaComposite(const uint8_t* a, int aStep, const uint8_t* b, int bStep, uint8_t* dst,
                    int dstStep, IppiSize roi, IppiAlphaType type) {
  static constexpr auto kByType = CompositeTable(std::make_integer_sequence<int, 12>());
  kByType[size_t(type)](a, aStep, b, bStep, dst, dstStep, roi);
}

// ------------------------------------------------------------------------------------------------
// Norms of differences: folds over 32-bit lanes. A segment of at most kSegment elements keeps
// every lane sum below 2^31 (255² · 2^15 < 2^31); segment results add up in 64 bits.

constexpr size_t kSegment = size_t(1) << 15;

struct AddVectors {
  template <class V>
  V operator()(V a, V b) const {
    return hn::Add(a, b);
  }
};
struct MaxVectors {
  template <class V>
  V operator()(V a, V b) const {
    return hn::Max(a, b);
  }
};

template <class D, class V8>
HWY_INLINE hn::Vec<D> Difference(D d, V8 x, V8 y) {
  return hn::Sub(hn::PromoteTo(d, x), hn::PromoteTo(d, y));
}

// Folds the differences of the ROI's rows, segment by segment: `segment` reduces the n
// differences from a and b to one int32, `combine` accumulates those into a 64-bit total.
template <class Segment, class Combine>
uint64_t FoldDifferences(const uint8_t* a, int aStep, const uint8_t* b, int bStep, IppiSize roi,
                         const Segment& segment, const Combine& combine) {
  uint64_t total = 0;
  const size_t width = size_t(roi.width);
  for (int y = 0; y < roi.height; ++y) {
    const uint8_t* rowA = Row(a, aStep, y);
    const uint8_t* rowB = Row(b, bStep, y);
    for (size_t x = 0; x < width; x += kSegment)
      total = combine(total, uint64_t(segment(rowA + x, rowB + x, std::min(kSegment, width - x))));
  }
  return total;
}

// Σ term(d, difference) over n elements, in int32 lanes.
template <class Term>
int32_t SumSegment(const uint8_t* a, const uint8_t* b, size_t n, const Term& term) {
  const DI32 d;
  const auto step = [&term](DI32 d, auto acc, auto x, auto y) {
    return hn::Add(acc, term(d, Difference(d, x, y)));
  };
  return hn::GetLane(hn::SumOfLanes(d, Fold(d, n, hn::Zero(d), 0, step, AddVectors(), a, b)));
}

uint64_t SumAbsDiff(const uint8_t* a, int aStep, const uint8_t* b, int bStep, IppiSize roi) {
  const auto segment = [](const uint8_t* a, const uint8_t* b, size_t n) {
    return SumSegment(a, b, n, [](DI32, auto diff) { return hn::Abs(diff); });
  };
  return FoldDifferences(a, aStep, b, bStep, roi, segment, std::plus<uint64_t>());
}

uint64_t SumSquaredDiff(const uint8_t* a, int aStep, const uint8_t* b, int bStep, IppiSize roi) {
  const auto segment = [](const uint8_t* a, const uint8_t* b, size_t n) {
    return SumSegment(a, b, n, [](DI32, auto diff) { return hn::Mul(diff, diff); });
  };
  return FoldDifferences(a, aStep, b, bStep, roi, segment, std::plus<uint64_t>());
}

uint64_t MaxAbsDiff(const uint8_t* a, int aStep, const uint8_t* b, int bStep, IppiSize roi) {
  const auto segment = [](const uint8_t* a, const uint8_t* b, size_t n) {
    const DI32 d;
    const auto step = [](DI32 d, auto acc, auto x, auto y) {
      return hn::Max(acc, hn::Abs(Difference(d, x, y)));
    };
    return hn::GetLane(hn::MaxOfLanes(d, Fold(d, n, hn::Zero(d), 0, step, MaxVectors(), a, b)));
  };
  const auto larger = [](uint64_t x, uint64_t y) { return std::max(x, y); };
  return FoldDifferences(a, aStep, b, bStep, roi, segment, larger);
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace corvane::kernels {

HWY_EXPORT(Mirror3);
HWY_EXPORT(Mirror4);
HWY_EXPORT(MirrorInPlace3);
HWY_EXPORT(SetImage4);
HWY_EXPORT(AlphaComposite);
HWY_EXPORT(SumAbsDiff);
HWY_EXPORT(SumSquaredDiff);
HWY_EXPORT(MaxAbsDiff);

namespace {

bool IsAxis(IppiAxis flip) {
  return flip == ippAxsHorizontal || flip == ippAxsVertical || flip == ippAxsBoth;
}

template <class T>
IppStatus CopyRows(const T* src, int srcStep, T* dst, int dstStep, IppiSize roi, int channels) {
  if (IppStatus s = CheckImageArgs(roi, src, dst)) return s;
  const size_t rowBytes = RowValues(roi, channels) * sizeof(T);
  for (int y = 0; y < roi.height; ++y)
    std::memcpy(Row(dst, dstStep, y), Row(src, srcStep, y), rowBytes);
  return ippStsNoErr;
}

using NormFn = uint64_t (*)(const uint8_t*, int, const uint8_t*, int, IppiSize);

// Checks the arguments, then *value = finish(norm(...)).
template <class Finish>
IppStatus NormDiff(NormFn norm, const Ipp8u* a, int aStep, const Ipp8u* b, int bStep, IppiSize roi,
                   Ipp64f* value, const Finish& finish) {
  if (IppStatus s = CheckImageArgs(roi, a, b, value)) return s;
  *value = finish(double(norm(a, aStep, b, bStep, roi)));
  return ippStsNoErr;
}

using ChannelTable = std::array<uint8_t, 256>;

// The output for every byte value v of one channel: v outside the levels, else the value
// interpolated in the first segment L[k] <= v < L[k+1], truncated toward zero and clamped.
ChannelTable InterpolationTable(const Ipp32s* values, const Ipp32s* levels, int count) {
  ChannelTable table;
  std::array<bool, 256> done{};
  for (int v = 0; v < 256; ++v) table[size_t(v)] = uint8_t(v);
  for (int k = 0; k + 1 < count; ++k) {
    const int64_t first = std::max<int64_t>(levels[k], 0);
    const int64_t last = std::min<int64_t>(int64_t(levels[k + 1]) - 1, 255);
    for (int64_t v = first; v <= last; ++v) {
      if (done[size_t(v)]) continue;
      // 128 bits: v - L[k] and V[k+1] - V[k] each take up to 33 bits.
      const __int128 rise = __int128(v - levels[k]) * (int64_t(values[k + 1]) - values[k]);
      const __int128 result = values[k] + rise / (int64_t(levels[k + 1]) - levels[k]);
      table[size_t(v)] = uint8_t(std::clamp<__int128>(result, 0, 255));
      done[size_t(v)] = true;
    }
  }
  return table;
}

}  // namespace

IppStatus ippiMirror_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip) {
  if (IppStatus s = CheckImageArgs(roiSize, pSrcDst)) return s;
  if (!IsAxis(flip)) return ippStsMirrorFlipErr;
  HWY_DYNAMIC_DISPATCH(MirrorInPlace3)(pSrcDst, srcDstStep, roiSize, flip);
  return ippStsNoErr;
}
IppStatus ippiMirror_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, IppiAxis flip) {
  if (IppStatus s = CheckImageArgs(roiSize, pSrc, pDst)) return s;
  if (!IsAxis(flip)) return ippStsMirrorFlipErr;
  HWY_DYNAMIC_DISPATCH(Mirror3)(pSrc, srcStep, pDst, dstStep, roiSize, flip);
  return ippStsNoErr;
}
IppStatus ippiMirror_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, IppiAxis flip) {
  if (IppStatus s = CheckImageArgs(roiSize, pSrc, pDst)) return s;
  if (!IsAxis(flip)) return ippStsMirrorFlipErr;
  HWY_DYNAMIC_DISPATCH(Mirror4)(pSrc, srcStep, pDst, dstStep, roiSize, flip);
  return ippStsNoErr;
}

IppStatus ippiCopy_32s_C1R(const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                           IppiSize roiSize) {
  return CopyRows(pSrc, srcStep, pDst, dstStep, roiSize, 1);
}
IppStatus ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return CopyRows(pSrc, srcStep, pDst, dstStep, roiSize, 4);
}

IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus s = CheckImageArgs(roiSize, value, pDst)) return s;
  HWY_DYNAMIC_DISPATCH(SetImage4)(value, pDst, dstStep, roiSize);
  return ippStsNoErr;
}

IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                IppiAlphaType alphaType) {
  if (IppStatus s = CheckImageArgs(roiSize, pSrc1, pSrc2, pDst)) return s;
  if (alphaType < ippAlphaOver || alphaType > ippAlphaPlusPremul) return ippStsAlphaTypeErr;
  HWY_DYNAMIC_DISPATCH(AlphaComposite)
  (pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, alphaType);
  return ippStsNoErr;
}

IppStatus ippiLUT_Linear_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, const Ipp32s* pValues[4],
                                const Ipp32s* pLevels[4], int nLevels[4]) {
  if (AnyNull(pValues, pLevels, nLevels)) return ippStsNullPtrErr;
  for (int c = 0; c < 4; ++c)
    if (AnyNull(pValues[c], pLevels[c])) return ippStsNullPtrErr;
  if (IppStatus s = CheckImageArgs(roiSize, pSrc, pDst)) return s;
  for (int c = 0; c < 4; ++c)
    if (nLevels[c] < 2) return ippStsLUTNofLevelsErr;

  ChannelTable tables[4];
  for (int c = 0; c < 4; ++c) tables[c] = InterpolationTable(pValues[c], pLevels[c], nLevels[c]);
  const size_t rowValues = RowValues(roiSize, 4);
  for (int y = 0; y < roiSize.height; ++y) {
    const Ipp8u* src = Row(pSrc, srcStep, y);
    Ipp8u* dst = Row(pDst, dstStep, y);
    for (size_t i = 0; i < rowValues; ++i) dst[i] = tables[i % 4][src[i]];
  }
  return ippStsNoErr;
}

IppStatus ippiNormDiff_L1_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                                 IppiSize roiSize, Ipp64f* pValue) {
  return NormDiff(HWY_DYNAMIC_DISPATCH(SumAbsDiff), pSrc1, src1Step, pSrc2, src2Step, roiSize,
                  pValue, [](double sum) { return sum; });
}
IppStatus ippiNormDiff_L2_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                                 IppiSize roiSize, Ipp64f* pValue) {
  return NormDiff(HWY_DYNAMIC_DISPATCH(SumSquaredDiff), pSrc1, src1Step, pSrc2, src2Step, roiSize,
                  pValue, [](double sum) { return std::sqrt(sum); });
}
IppStatus ippiNormDiff_Inf_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,
                                  int src2Step, IppiSize roiSize, Ipp64f* pValue) {
  return NormDiff(HWY_DYNAMIC_DISPATCH(MaxAbsDiff), pSrc1, src1Step, pSrc2, src2Step, roiSize,
                  pValue, [](double largest) { return largest; });
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
