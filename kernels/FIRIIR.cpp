// FIR and IIR filters whose states keep the signal's history from one call to the next, so that
// filtering a signal in pieces gives the result of filtering it whole.
//
// FIR: y(n) = Σ_k taps[k]·x(n−k). A vector holds consecutive outputs, each lane summing its
// products in tap order (four vectors side by side hide the latency of the additions). Every
// output is thus the same sum of the same products whatever the target, its place in a vector or
// the way the signal is cut into calls: pieces give the same bits as the whole, and as a plain
// scalar loop. The outputs run from the last to the first, so that pDst may be pSrc.
//
// IIR: transposed direct form II on the taps divided by A0 (section by section for biquads), one
// sample at a time: the recursion leaves nothing to vectorise at the orders filters use.
//
// Choices where IPP's documents leave a behaviour open:
// - FIR delay line: pDlyLine[j] = x(−1−j), newest sample first; of its tapsLen values the last
//   one is not used.
// - IIR delay line: the transposed direct form II state of the normalised filter, pDlyLine[j] =
//   d_j, `order` values; biquads take two per section (d0, d1), section by section.
// - An IIR order (number of biquads) below 1 is ippStsIIROrderErr.
// - pSrc may equal pDst in ippsFIR_64f and ippsIIR_64f.
// - A state is recognised by a tag word; a freed state cannot be told apart from a live one, so
//   passing one is undefined, as in IPP.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/FIRIIR.cpp"
#include "hwy/foreach_target.h"  // must precede highway.h

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "hwy/highway.h"
#include "kernels/KernelSupport.h"
#include "kernels/ipps.h"

HWY_BEFORE_NAMESPACE();
namespace corvane::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// y[i] = Σ_{k<numTaps} taps[k]·x[i + numTaps−1−k] for the kVectors·Lanes(d) outputs from y: all
// loads come before the stores.
template <size_t kVectors, class D>
HWY_INLINE void FirOutputs(D d, const double* taps, size_t numTaps, const double* x, double* y) {
  const size_t lanes = hn::Lanes(d);
  hn::Vec<D> sums[kVectors];
  for (auto& sum : sums) sum = hn::Zero(d);
  for (size_t k = 0; k < numTaps; ++k) {
    const auto tap = hn::Set(d, taps[k]);
    const double* newest = x + numTaps - 1 - k;
    for (size_t v = 0; v < kVectors; ++v)
      sums[v] = hn::Add(sums[v], hn::Mul(tap, hn::LoadU(d, newest + v * lanes)));
  }
  for (size_t v = 0; v < kVectors; ++v) hn::StoreU(sums[v], d, y + v * lanes);
}

// `count` outputs of the FIR filter from x, which holds count + numTaps − 1 inputs, the oldest
// first. The outputs run from the last to the first, so y may overlap x as y = x + numTaps − 1.
void Fir(const double* taps, size_t numTaps, const double* x, double* y, size_t count) {
  const hn::ScalableTag<double> d;
  const hn::CappedTag<double, 1> d1;
  const size_t lanes = hn::Lanes(d);
  size_t end = count;
  for (; end % lanes != 0; --end) FirOutputs<1>(d1, taps, numTaps, x + end - 1, y + end - 1);
  for (; end >= 4 * lanes; end -= 4 * lanes)
    FirOutputs<4>(d, taps, numTaps, x + end - 4 * lanes, y + end - 4 * lanes);
  for (; end >= lanes; end -= lanes)
    FirOutputs<1>(d, taps, numTaps, x + end - lanes, y + end - lanes);
}

}  // namespace corvane::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace corvane {

enum : uint32_t { kFirStateTag = 0x46495236, kIirStateTag = 0x49495236 };  // "FIR6", "IIR6"

struct IppsFIRState_64f {
  uint32_t tag = kFirStateTag;
  std::vector<double> taps;
  std::vector<double> history;  // the last tapsLen − 1 inputs, oldest first
  std::vector<double> window;   // scratch: history followed by a call's first inputs
};

// A cascade of sections of one order (a single section for the arbitrary-order form), each
// filtering the previous one's output.
struct IppsIIRState_64f {
  uint32_t tag = kIirStateTag;
  size_t order = 0;
  std::vector<double> taps;   // per section b0..b_order, 1, a1..a_order: divided by A0
  std::vector<double> state;  // per section d0..d_order−1 of transposed direct form II
};

}  // namespace corvane

namespace corvane::kernels {

HWY_EXPORT(Fir);

namespace {

// Allocates a state built by `init`: ippStsMemAllocErr when memory runs out.
template <class State, class Init>
IppStatus Allocate(State** out, const Init& init) {
  return CatchAllocationFailure([&] {
    auto state = std::make_unique<State>();
    init(*state);
    *out = state.release();
    return ippStsNoErr;
  });
}

template <class State>
IppStatus Free(State* state, uint32_t tag) {
  if (state == nullptr) return ippStsNullPtrErr;
  if (state->tag != tag) return ippStsContextMatchErr;
  delete state;
  return ippStsNoErr;
}

// One section in transposed direct form II over n samples; src may be dst.
void FilterSection(const double* b, const double* a, double* d, size_t order, const double* src,
                   double* dst, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const double x = src[i];
    const double y = b[0] * x + d[0];
    for (size_t j = 0; j + 1 < order; ++j) d[j] = b[j + 1] * x - a[j + 1] * y + d[j + 1];
    d[order - 1] = b[order] * x - a[order] * y;
    dst[i] = y;
  }
}

// An IIR state of `sections` sections of `order`, from taps laid out B0..B_order A0..A_order per
// section; the caller has checked that every A0 is nonzero.
IppStatus InitIir(IppsIIRState_64f** ppState, const Ipp64f* pTaps, size_t sections, size_t order,
                  const Ipp64f* pDlyLine) {
  return Allocate(ppState, [&](IppsIIRState_64f& s) {
    const size_t tapsPerSection = 2 * (order + 1);
    s.order = order;
    s.taps.assign(pTaps, pTaps + sections * tapsPerSection);
    for (size_t first = 0; first < s.taps.size(); first += tapsPerSection) {
      const double a0 = s.taps[first + order + 1];
      for (size_t k = first; k < first + tapsPerSection; ++k) s.taps[k] /= a0;
    }
    if (pDlyLine != nullptr)
      s.state.assign(pDlyLine, pDlyLine + sections * order);
    else
      s.state.assign(sections * order, 0.0);
  });
}

}  // namespace

IppStatus ippsFIRInitAlloc_64f(IppsFIRState_64f** pState, const Ipp64f* pTaps, int tapsLen,
                               const Ipp64f* pDlyLine) {
  if (AnyNull(pState, pTaps)) return ippStsNullPtrErr;
  if (tapsLen <= 0) return ippStsFIRLenErr;
  return Allocate(pState, [&](IppsFIRState_64f& s) {
    const size_t past = size_t(tapsLen) - 1;
    s.taps.assign(pTaps, pTaps + tapsLen);
    s.history.assign(past, 0.0);
    // The delay line holds the past newest first; the history, oldest first.
    if (pDlyLine != nullptr) std::reverse_copy(pDlyLine, pDlyLine + past, s.history.begin());
    s.window.resize(2 * past);
  });
}

IppStatus ippsFIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int numIters, IppsFIRState_64f* pState) {
  if (AnyNull(pSrc, pDst, pState)) return ippStsNullPtrErr;
  if (numIters <= 0) return ippStsSizeErr;
  if (pState->tag != kFirStateTag) return ippStsContextMatchErr;
  IppsFIRState_64f& s = *pState;
  const size_t n = size_t(numIters), numTaps = s.taps.size(), past = numTaps - 1;
  // The outputs that reach back before this call read a window of the history followed by the
  // first inputs; the others read pSrc alone.
  const size_t early = std::min(n, past);
  std::copy(s.history.begin(), s.history.end(), s.window.begin());
  std::copy(pSrc, pSrc + early, s.window.begin() + past);
  // The new history is taken before pDst, which may be pSrc, is written.
  if (n >= past)
    std::copy(pSrc + n - past, pSrc + n, s.history.begin());
  else
    std::copy(s.window.begin() + n, s.window.begin() + n + past, s.history.begin());
  const auto fir = HWY_DYNAMIC_DISPATCH(Fir);
  if (n > past) fir(s.taps.data(), numTaps, pSrc, pDst + past, n - past);
  fir(s.taps.data(), numTaps, s.window.data(), pDst, early);
  return ippStsNoErr;
}

IppStatus ippsFIRFree_64f(IppsFIRState_64f* pState) {
  return Free(pState, kFirStateTag);
}

IppStatus ippsIIRInitAlloc_64f(IppsIIRState_64f** ppState, const Ipp64f* pTaps, int order,
                               const Ipp64f* pDlyLine) {
  if (AnyNull(ppState, pTaps)) return ippStsNullPtrErr;
  if (order < 1) return ippStsIIROrderErr;
  if (pTaps[size_t(order) + 1] == 0.0) return ippStsDivByZeroErr;
  return InitIir(ppState, pTaps, 1, size_t(order), pDlyLine);
}

IppStatus ippsIIRInitAlloc_BiQuad_64f(IppsIIRState_64f** ppState, const Ipp64f* pTaps, int numBq,
                                      const Ipp64f* pDlyLine) {
  if (AnyNull(ppState, pTaps)) return ippStsNullPtrErr;
  if (numBq < 1) return ippStsIIROrderErr;
  for (size_t section = 0; section < size_t(numBq); ++section) {
    const Ipp64f* taps = pTaps + 6 * section;
    if (taps[0] == 0.0 || taps[3] == 0.0) return ippStsDivByZeroErr;
  }
  return InitIir(ppState, pTaps, size_t(numBq), 2, pDlyLine);
}

IppStatus ippsIIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, IppsIIRState_64f* pState) {
  if (AnyNull(pSrc, pDst, pState)) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (pState->tag != kIirStateTag) return ippStsContextMatchErr;
  IppsIIRState_64f& s = *pState;
  const size_t order = s.order, sections = s.state.size() / order;
  const Ipp64f* src = pSrc;
  for (size_t k = 0; k < sections; ++k) {
    const double* b = s.taps.data() + k * 2 * (order + 1);
    FilterSection(b, b + order + 1, s.state.data() + k * order, order, src, pDst, size_t(len));
    src = pDst;
  }
  return ippStsNoErr;
}

IppStatus ippsIIRFree_64f(IppsIIRState_64f* pState) {
  return Free(pState, kIirStateTag);
}

}  // namespace corvane::kernels
#endif  // HWY_ONCE
