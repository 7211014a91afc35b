#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "kernels/ipps.h"
#include "kernels/reference/FIRIIR.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::ForEachTarget;
using test::kLengths;
using test::Misaligned;
using test::RandomReals;

constexpr double kEps = std::numeric_limits<double>::epsilon();
// Piece lengths that cut a signal shorter and longer than the filters and their vectors.
constexpr int kPieces[] = {1, 2, 7, 64, 3, 33, 950};

std::vector<double> Signal(int len, uint32_t seed) {
  return RandomReals(len, seed, -1, 1, false);
}

// Runs a filter over x in the pieces above (the last one cut to fit), out of place.
template <class Run>
std::vector<double> FilterInPieces(const Run& run, const std::vector<double>& x) {
  std::vector<double> y(x.size());
  size_t start = 0;
  for (size_t p = 0; start < x.size(); ++p) {
    const size_t count = std::min(size_t(kPieces[p % std::size(kPieces)]), x.size() - start);
    EXPECT_EQ(run(x.data() + start, y.data() + start, int(count)), ippStsNoErr);
    start += count;
  }
  return y;
}

// A filter state, run by `run` and freed by `free` at the end of its life.
template <class State, IppStatus (*run)(const Ipp64f*, Ipp64f*, int, State*),
          IppStatus (*free)(State*)>
class FilterState {
 public:
  ~FilterState() { EXPECT_EQ(free(state_), ippStsNoErr); }
  IppStatus operator()(const double* src, double* dst, int n) const {
    return run(src, dst, n, state_);
  }
  std::vector<double> Filter(const std::vector<double>& x) const {
    std::vector<double> y(x.size());
    EXPECT_EQ((*this)(x.data(), y.data(), int(x.size())), ippStsNoErr);
    return y;
  }
  State* state_ = nullptr;
};

struct Fir : FilterState<IppsFIRState_64f, ippsFIR_64f, ippsFIRFree_64f> {
  explicit Fir(const std::vector<double>& taps, const double* dlyLine = nullptr) {
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state_, taps.data(), int(taps.size()), dlyLine), ippStsNoErr);
  }
};

// The FIR's rounding: each output is a sum of numTaps products.
void ExpectNearFir(const std::vector<long double>& want, const std::vector<double>& got,
                   const std::vector<double>& taps, const std::vector<double>& x) {
  long double tapMagnitude = 0, inputMagnitude = 0;
  for (double t : taps) tapMagnitude += std::fabs(t);
  for (double v : x) inputMagnitude = std::max<long double>(inputMagnitude, std::fabs(v));
  const double tolerance = double(taps.size() * kEps * tapMagnitude * inputMagnitude);
  for (size_t n = 0; n < got.size(); ++n)
    ASSERT_NEAR(got[n], double(want[n]), tolerance) << "n " << n;
}

KERNEL_TEST(FIR, MatchesTheConvolutionSumWithOrWithoutDelayLine, ippsFIRInitAlloc_64f, ippsFIR_64f,
            ippsFIRFree_64f) {
  for (int numTaps : {1, 2, 5, 31, 100}) {
    for (int len : kLengths) {
      SCOPED_TRACE(testing::Message() << numTaps << " taps, " << len << " samples");
      const auto taps = Signal(numTaps, uint32_t(numTaps)), x = Signal(len, uint32_t(len));
      const auto past = Signal(numTaps, 99);
      ExpectNearFir(reference::FirOutputs(taps, x), Fir(taps).Filter(x), taps, x);
      ExpectNearFir(reference::FirOutputs(taps, x, past), Fir(taps, past.data()).Filter(x), taps,
                    x);
    }
  }
}

TEST(FIR, PiecesInPlaceAndEveryTargetGiveTheWholeSignalsBits) {
  const auto x = Signal(1027, 1);
  for (int numTaps : {1, 5, 31, 100}) {
    SCOPED_TRACE(numTaps);
    const auto taps = Signal(numTaps, 2), past = Signal(numTaps, 3);
    std::vector<double> firstTarget;
    ForEachTarget([&] {
      const auto whole = Fir(taps, past.data()).Filter(x);
      if (firstTarget.empty()) firstTarget = whole;
      EXPECT_TRUE(BitwiseEqual(firstTarget, whole));
      EXPECT_TRUE(BitwiseEqual(whole, FilterInPieces(Fir(taps, past.data()), x)));
      const Fir inPlace(taps, past.data());
      const auto inPlaceRun = [&](const double* src, double* dst, int n) {
        std::copy(src, src + n, dst);
        return inPlace(dst, dst, n);
      };
      EXPECT_TRUE(BitwiseEqual(whole, FilterInPieces(inPlaceRun, x)));
      Misaligned<double> src(x), dst(std::vector<double>(x.size()));
      Fir(taps, past.data())(src.Data(), dst.Data(), int(x.size()));
      EXPECT_TRUE(BitwiseEqual(whole, dst.Values()));
    });
  }
}

KERNEL_TEST(FIR, DelayLineHoldsThePastNewestFirstAndTapsAreCopied) {
  const auto x = Signal(300, 4);
  auto taps = Signal(9, 5);
  const auto whole = Fir(taps).Filter(x);
  // Continue after 100 samples from a delay line of the last nine inputs, newest first.
  const std::vector<double> first(x.begin(), x.begin() + 100), rest(x.begin() + 100, x.end());
  std::vector<double> past(first.rbegin(), first.rbegin() + 9);
  const Fir resumed(taps, past.data());
  std::fill(taps.begin(), taps.end(), 0.0);
  std::fill(past.begin(), past.end(), 0.0);
  EXPECT_TRUE(
      BitwiseEqual(std::vector<double>(whole.begin() + 100, whole.end()), resumed.Filter(rest)));
}

TEST(FIR, StatusesAndContextChecks) {
  const std::vector<double> taps = {1, 2}, x = {1, 2, 3};
  std::vector<double> y = {7, 7, 7};
  IppsFIRState_64f* state = nullptr;
  EXPECT_EQ(ippsFIRInitAlloc_64f(nullptr, taps.data(), 2, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIRInitAlloc_64f(&state, nullptr, 2, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), 0, nullptr), ippStsFIRLenErr);
  EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), -1, nullptr), ippStsFIRLenErr);
  EXPECT_EQ(state, nullptr);
  const Fir fir(taps);
  EXPECT_EQ(ippsFIR_64f(nullptr, y.data(), 3, fir.state_), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIR_64f(x.data(), nullptr, 3, fir.state_), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIR_64f(x.data(), y.data(), 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIR_64f(x.data(), y.data(), 0, fir.state_), ippStsSizeErr);
  EXPECT_EQ(y, (std::vector<double>{7, 7, 7}));
  EXPECT_EQ(ippsFIRFree_64f(nullptr), ippStsNullPtrErr);
  // An IIR state is not an FIR state, nor the reverse.
  const double iirTaps[] = {1, 0, 1, 0};
  IppsIIRState_64f* iir = nullptr;
  ASSERT_EQ(ippsIIRInitAlloc_64f(&iir, iirTaps, 1, nullptr), ippStsNoErr);
  auto* wrongFir = reinterpret_cast<IppsFIRState_64f*>(iir);
  auto* wrongIir = reinterpret_cast<IppsIIRState_64f*>(fir.state_);
  EXPECT_EQ(ippsFIR_64f(x.data(), y.data(), 3, wrongFir), ippStsContextMatchErr);
  EXPECT_EQ(ippsFIRFree_64f(wrongFir), ippStsContextMatchErr);
  EXPECT_EQ(ippsIIR_64f(x.data(), y.data(), 3, wrongIir), ippStsContextMatchErr);
  EXPECT_EQ(ippsIIRFree_64f(wrongIir), ippStsContextMatchErr);
  EXPECT_EQ(ippsIIRFree_64f(iir), ippStsNoErr);
}

struct Iir : FilterState<IppsIIRState_64f, ippsIIR_64f, ippsIIRFree_64f> {
  // Arbitrary order from B0..B_order A0..A_order, or biquads from 6 taps per section.
  Iir(const std::vector<double>& taps, bool biquads, const double* dlyLine = nullptr) {
    const IppStatus s =
        biquads ? ippsIIRInitAlloc_BiQuad_64f(&state_, taps.data(), int(taps.size() / 6), dlyLine)
                : ippsIIRInitAlloc_64f(&state_, taps.data(), int(taps.size() / 2 - 1), dlyLine);
    EXPECT_EQ(s, ippStsNoErr);
  }
};

struct Polynomials {
  std::vector<double> b, a;
};

// A stable section: complex poles of radius 0.3 to 0.9, random zeros, scaled so that A0 != 1.
Polynomials RandomBiquad(std::mt19937& rng) {
  std::uniform_real_distribution<double> radius(0.3, 0.9), angle(0, std::numbers::pi),
      coefficient(-1, 1), gain(0.5, 3);
  const double r = radius(rng), phi = angle(rng), g = gain(rng);
  return {{g * (1.5 + coefficient(rng)), g * coefficient(rng), g * coefficient(rng)},
          {g, -2 * g * r * std::cos(phi), g * r * r}};
}

std::vector<double> Multiply(const std::vector<double>& p, const std::vector<double>& q) {
  std::vector<double> product(p.size() + q.size() - 1);
  for (size_t i = 0; i < p.size(); ++i)
    for (size_t j = 0; j < q.size(); ++j) product[i + j] += p[i] * q[j];
  return product;
}

std::vector<double> Concatenate(const std::vector<double>& p, const std::vector<double>& q) {
  std::vector<double> both(p);
  both.insert(both.end(), q.begin(), q.end());
  return both;
}

// Sections of a random cascade, and the cascade as one filter of twice their number in order.
struct Cascade {
  std::vector<Polynomials> sections;
  std::vector<double> biquadTaps, arbitraryTaps;
};
Cascade RandomCascade(int numSections, uint32_t seed) {
  std::mt19937 rng(seed);
  Cascade c;
  Polynomials whole{{1}, {1}};
  for (int k = 0; k < numSections; ++k) {
    c.sections.push_back(RandomBiquad(rng));
    c.biquadTaps = Concatenate(c.biquadTaps, Concatenate(c.sections[k].b, c.sections[k].a));
    whole = {Multiply(whole.b, c.sections[k].b), Multiply(whole.a, c.sections[k].a)};
  }
  c.arbitraryTaps = Concatenate(whole.b, whole.a);
  return c;
}

void ExpectNearIir(const std::vector<long double>& want, const std::vector<double>& got) {
  long double peak = 0;
  for (long double v : want) peak = std::max(peak, std::fabs(v));
  for (size_t n = 0; n < got.size(); ++n)
    ASSERT_NEAR(got[n], double(want[n]), double(1e-12 * peak)) << "n " << n;
}

KERNEL_TEST(IIR, MatchesTheDifferenceEquationInBothForms, ippsIIRInitAlloc_64f,
            ippsIIRInitAlloc_BiQuad_64f, ippsIIR_64f, ippsIIRFree_64f) {
  for (int numSections : {1, 2, 3}) {
    SCOPED_TRACE(numSections);
    const Cascade c = RandomCascade(numSections, uint32_t(numSections));
    const auto x = Signal(1027, 7);
    std::vector<long double> want(x.begin(), x.end());
    for (const auto& section : c.sections) want = reference::IirOutputs(section.b, section.a, want);
    ExpectNearIir(want, Iir(c.biquadTaps, true).Filter(x));
    ExpectNearIir(want, Iir(c.arbitraryTaps, false).Filter(x));
  }
}

KERNEL_TEST(IIR, PiecesAndInPlaceGiveTheWholeSignalsBits) {
  const Cascade c = RandomCascade(3, 11);
  const auto x = Signal(1027, 12);
  for (bool biquads : {false, true}) {
    const auto& taps = biquads ? c.biquadTaps : c.arbitraryTaps;
    const auto whole = Iir(taps, biquads).Filter(x);
    EXPECT_TRUE(BitwiseEqual(whole, FilterInPieces(Iir(taps, biquads), x)));
    std::vector<double> inPlace = x;
    Iir(taps, biquads)(inPlace.data(), inPlace.data(), int(x.size()));
    EXPECT_TRUE(BitwiseEqual(whole, inPlace));
  }
}

// The delay line is the transposed direct form II state of the normalised filter: after sample
// n−1, d_j = Σ_{k>j} b_k·x(n+j−k) − a_k·y(n+j−k).
KERNEL_TEST(IIR, DelayLineIsTheTransposedDirectFormState) {
  const Cascade c = RandomCascade(2, 13);
  const auto x = Signal(400, 14);
  const size_t split = 150;
  const std::vector<double> b(c.arbitraryTaps.begin(), c.arbitraryTaps.begin() + 5),
      a(c.arbitraryTaps.begin() + 5, c.arbitraryTaps.end());
  const auto y = reference::IirOutputs(b, a, {x.begin(), x.end()});
  std::vector<double> state(4);
  for (size_t j = 0; j < 4; ++j) {
    long double d = 0;
    for (size_t k = j + 1; k <= 4; ++k)
      d += (b[k] * x[split + j - k] - a[k] * y[split + j - k]) / a[0];
    state[j] = double(d);
  }
  const auto resumed =
      Iir(c.arbitraryTaps, false, state.data()).Filter({x.begin() + split, x.end()});
  ExpectNearIir({y.begin() + split, y.end()}, resumed);
}

// Biquads run in array order, each with its own two delay values.
KERNEL_TEST(IIR, BiquadsAreACascadeOfSecondOrderSections) {
  const Cascade c = RandomCascade(2, 15);
  const auto x = Signal(200, 16);
  const std::vector<double> state = {0.25, -0.5, 0.75, 0.125};
  const auto first = Concatenate(c.sections[0].b, c.sections[0].a);
  const auto second = Concatenate(c.sections[1].b, c.sections[1].a);
  const auto chained =
      Iir(second, false, state.data() + 2).Filter(Iir(first, false, state.data()).Filter(x));
  EXPECT_TRUE(BitwiseEqual(chained, Iir(c.biquadTaps, true, state.data()).Filter(x)));
}

TEST(IIR, StatusesForOrdersAndZeroLeadingTaps) {
  IppsIIRState_64f* state = nullptr;
  const double taps[] = {1, 0.5, 0.25, 2, 0.1, 0.2};
  EXPECT_EQ(ippsIIRInitAlloc_64f(nullptr, taps, 2, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsIIRInitAlloc_64f(&state, nullptr, 2, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsIIRInitAlloc_64f(&state, taps, 0, nullptr), ippStsIIROrderErr);
  EXPECT_EQ(ippsIIRInitAlloc_BiQuad_64f(&state, taps, 0, nullptr), ippStsIIROrderErr);
  EXPECT_EQ(ippsIIRInitAlloc_BiQuad_64f(nullptr, taps, 1, nullptr), ippStsNullPtrErr);
  const double zeroA0[] = {1, 0.5, 0, 0.2};
  EXPECT_EQ(ippsIIRInitAlloc_64f(&state, zeroA0, 1, nullptr), ippStsDivByZeroErr);
  const double zeroB0[] = {1, 2, 3, 1, 0, 0, 0, 2, 3, 1, 0, 0};
  EXPECT_EQ(ippsIIRInitAlloc_BiQuad_64f(&state, zeroB0, 2, nullptr), ippStsDivByZeroErr);
  const double zeroSecondA0[] = {1, 2, 3, 1, 0, 0, 1, 2, 3, 0, 0, 0};
  EXPECT_EQ(ippsIIRInitAlloc_BiQuad_64f(&state, zeroSecondA0, 2, nullptr), ippStsDivByZeroErr);
  EXPECT_EQ(state, nullptr);
  // A zero leading numerator tap is fine for the arbitrary-order form: a pure delay.
  const double delay[] = {0, 3, 1.5, 0};
  ASSERT_EQ(ippsIIRInitAlloc_64f(&state, delay, 1, nullptr), ippStsNoErr);
  std::vector<double> x = {1, 2, 3}, y = {7, 7, 7};
  EXPECT_EQ(ippsIIR_64f(nullptr, y.data(), 3, state), ippStsNullPtrErr);
  EXPECT_EQ(ippsIIR_64f(x.data(), nullptr, 3, state), ippStsNullPtrErr);
  EXPECT_EQ(ippsIIR_64f(x.data(), y.data(), 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsIIR_64f(x.data(), y.data(), 0, state), ippStsSizeErr);
  EXPECT_EQ(y, (std::vector<double>{7, 7, 7}));
  ASSERT_EQ(ippsIIR_64f(x.data(), y.data(), 3, state), ippStsNoErr);
  EXPECT_EQ(y, (std::vector<double>{0, 2, 4}));  // 3/1.5 = 2 times the previous input
  EXPECT_EQ(ippsIIRFree_64f(state), ippStsNoErr);
  EXPECT_EQ(ippsIIRFree_64f(nullptr), ippStsNullPtrErr);
}

}  // namespace
}  // namespace corvane::kernels
