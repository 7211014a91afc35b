// Windowed-sinc FIR design, the filter descriptions and their responses, and KDFilterCalc. The
// IIR designers are in KDWindowFilter.IIR.cpp.
#include "corvane/algorithms/KDWindowFilter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <numbers>
#include <span>
#include <string>

#include "corvane/algorithms/KDFilterTypes.Transforms.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TComplex;
using kelvra::TIntf;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int64_t kMaxResponseTaps = int64_t(1) << 27;  // the largest transform
constexpr int kIIRResponseIntervals = 128;

constexpr std::string_view kDesignFilterTypes[] = {"fdftLowPass", "fdftHighPass", "fdftBandPass",
                                                   "fdftBandStop"};

// Multiplies the taps by the window of their length.
void ApplyWindow(TKDWindowType AWindowType, double AParameter, std::vector<double>& h) {
  const int length = int(h.size());
  switch (AWindowType) {
    case wtRect: break;
    case wtBartlett: ippsWinBartlett_64f_I(h.data(), length); break;
    case wtBlackman: ippsWinBlackman_64f_I(h.data(), length, -AParameter); break;
    case wtHamming: ippsWinHamming_64f_I(h.data(), length); break;
    case wtHanning: ippsWinHann_64f_I(h.data(), length); break;
    case wtKaiser: ippsWinKaiser_64f_I(h.data(), length, float(AParameter)); break;
  }
}

// Windowed sinc: the ideal response of L taps about the centre M, windowed, and for high-pass
// and band-stop inverted (negated, 1 added at the centre) and scaled to unit gain at Nyquist by
// the alternating sum, whose centre term enters with a plus sign whatever the centre's parity.
std::vector<double> DesignFIR(TKDDesignFilterType ADesignType, int32_t AOrder, double AFirstEdge,
                              double ASecondEdge, double ASamplingRate, TKDWindowType AWindowType,
                              double AWindowParameter) {
  const int32_t order = std::max(AOrder, 0);
  const int32_t length = order % 2 ? order : order + 1;
  const int32_t centre = (length - 1) / 2;
  const double c1 = 2 * AFirstEdge / ASamplingRate;
  const double c2 = 2 * ASecondEdge / ASamplingRate;
  const bool band = ADesignType == fdftBandPass || ADesignType == fdftBandStop;

  std::vector<double> h(length);
  h[centre] = band ? c2 - c1 : c1;
  for (int32_t k = 1; k <= centre; ++k) {
    const double x = kPi * k;
    const double value = band ? 2 * std::sin((c2 - c1) / 2 * x) * std::cos((c2 + c1) / 2 * x) / x
                              : std::sin(c1 * x) / x;
    h[centre - k] = h[centre + k] = value;
  }
  ApplyWindow(AWindowType, AWindowParameter, h);

  if (ADesignType == fdftHighPass || ADesignType == fdftBandStop) {
    ippsMulC_64f_I(-1.0, h.data(), length);
    double alternating = 0;
    for (int32_t n = 0; n < length; ++n) alternating += n % 2 ? -h[n] : h[n];
    h[centre] += 1;
    alternating += 1;
    ippsDivC_64f_I(std::abs(alternating), h.data(), length);
  }
  return h;
}

}  // namespace

template <>
const TKDEnumTypeInfo& KDTypeInfo<TKDDesignFilterType>() {
  static const TKDEnumTypeInfo info{kDesignFilterTypes};
  return info;
}

// ---------------------------------------------------------------------------------------------
// Responses

double KDGetResponseFrequency(int32_t AIndex, int32_t AIntervals) {
  if (AIndex == 0) return kPi / 10000;
  if (AIndex == AIntervals) return kPi - kPi / 10000;
  return double(AIndex) * kPi / double(AIntervals);
}

namespace {

// Σ h[n]·cos(nω) + i·Σ h[n]·sin(nω).
TComplex TapSums(std::span<const double> ATaps, double AOmega) {
  TComplex sum;
  for (size_t n = 0; n < ATaps.size(); ++n) {
    const double x = double(n) * AOmega;
    sum.Real += ATaps[n] * std::cos(x);
    sum.Imag += ATaps[n] * std::sin(x);
  }
  return sum;
}

}  // namespace

void KDGetFIRResponse(const double* ATaps, int32_t ALastIndex, std::vector<double>& APower,
                      std::vector<double>& APhase) {
  const int64_t count = std::max<int64_t>(int64_t(ALastIndex) + 1, 0);
  if (count > kMaxResponseTaps)
    throw kelvra::ERangeError("Index out of range = " + std::to_string(uint32_t(ALastIndex)));
  const std::span<const double> taps(ATaps, size_t(count));
  int64_t points = 512;
  while (count > points) points *= 2;
  const int64_t intervals = points / 2;
  APower.assign(size_t(intervals + 1), 0.0);
  APhase.assign(size_t(intervals + 1), 0.0);
  const auto store = [&](int64_t i, TComplex sums) {
    APower[i] = sums.Real * sums.Real + sums.Imag * sums.Imag;
    APhase[i] = std::atan(sums.Imag / (1.0 - sums.Real));
  };

  // ω = i·π/K = 2π·i/P for 0 < i < K are bins of the P-point transform, whose bin i is
  // Σ h[n]·e^{−inω} = R − i·I. The end points lie off that grid and are summed directly.
  std::vector<double> padded(size_t(points), 0.0);
  std::copy(taps.begin(), taps.end(), padded.begin());
  std::vector<Ipp64fc> bins(size_t(intervals + 1));
  algorithms::TRealTransform transform(std::countr_zero(uint64_t(points)));
  ippsFFTFwd_RToCCS_64f(padded.data(), &bins[0].re, transform.Get(), nullptr);
  for (int64_t i = 1; i < intervals; ++i) store(i, {bins[i].re, -bins[i].im});
  for (int64_t i : {int64_t(0), intervals})
    store(i, TapSums(taps, KDGetResponseFrequency(int32_t(i), int32_t(intervals))));
}

// ---------------------------------------------------------------------------------------------
// Filter descriptions

TIntf<IKDFilterInfo> TKDFIRFilterInfo::Create(std::vector<double> ATaps) {
  return TIntf<IKDFilterInfo>(new TKDFIRFilterInfo(std::move(ATaps)));
}

void TKDFIRFilterInfo::GetResponse(std::vector<double>& APower, std::vector<double>& APhase) {
  const std::vector<double>& taps = GetCoefficients();
  KDGetFIRResponse(taps.data(), int32_t(taps.size()) - 1, APower, APhase);
}

namespace {

std::vector<double> Concatenate(const std::vector<double>& first, const std::vector<double>& second) {
  std::vector<double> both(first);
  both.insert(both.end(), second.begin(), second.end());
  return both;
}

// The sums of the two arrays at each of the 129 frequencies of the IIR responses.
template <class PerFrequency>
void ForIIRResponseFrequencies(std::vector<double>& APower, std::vector<double>& APhase,
                               const PerFrequency& perFrequency) {
  APower.assign(kIIRResponseIntervals + 1, 0.0);
  APhase.assign(kIIRResponseIntervals + 1, 0.0);
  for (int i = 0; i <= kIIRResponseIntervals; ++i)
    perFrequency(KDGetResponseFrequency(i, kIIRResponseIntervals), APower[i], APhase[i]);
}

}  // namespace

TKDIIRFilterInfo::TKDIIRFilterInfo(std::vector<double> AB, std::vector<double> AA)
    : TKDFilterInfo(Concatenate(AB, AA)), b_(std::move(AB)), a_(std::move(AA)) {}

TIntf<IKDFilterInfo> TKDIIRFilterInfo::Create(std::vector<double> AB, std::vector<double> AA) {
  KELVRA_ASSERT(AB.size() == AA.size());
  return TIntf<IKDFilterInfo>(new TKDIIRFilterInfo(std::move(AB), std::move(AA)));
}

void TKDIIRFilterInfo::GetResponse(std::vector<double>& APower, std::vector<double>& APhase) {
  ForIIRResponseFrequencies(APower, APhase, [this](double omega, double& power, double& phase) {
    const TComplex b = TapSums(b_, omega), a = TapSums(a_, omega);
    power = (b.Real * b.Real + b.Imag * b.Imag) / (a.Real * a.Real + a.Imag * a.Imag);
    phase = std::atan((b.Imag + a.Imag) / (1.0 - (b.Real - a.Real)));
  });
}

namespace {

// Section by section: b0 b1 b2 then 1 a1 a2 of each.
std::vector<double> InterleaveSections(const std::vector<double>& numerators,
                                       const std::vector<double>& denominators) {
  std::vector<double> coefficients;
  for (size_t s = 0; s + 3 <= numerators.size(); s += 3) {
    coefficients.insert(coefficients.end(), &numerators[s], &numerators[s] + 3);
    coefficients.insert(coefficients.end(), &denominators[s], &denominators[s] + 3);
  }
  return coefficients;
}

}  // namespace

TKDBiquadIIRFilterInfo::TKDBiquadIIRFilterInfo(std::vector<double> ANumerators,
                                               std::vector<double> ADenominators)
    : TKDFilterInfo(InterleaveSections(ANumerators, ADenominators)),
      numerators_(std::move(ANumerators)),
      denominators_(std::move(ADenominators)) {}

TIntf<IKDFilterInfo> TKDBiquadIIRFilterInfo::Create(std::vector<double> ANumerators,
                                                    std::vector<double> ADenominators) {
  KELVRA_ASSERT(ANumerators.size() == ADenominators.size() && ANumerators.size() % 3 == 0);
  return TIntf<IKDFilterInfo>(
      new TKDBiquadIIRFilterInfo(std::move(ANumerators), std::move(ADenominators)));
}

void TKDBiquadIIRFilterInfo::GetResponse(std::vector<double>& APower, std::vector<double>& APhase) {
  const size_t sections = (numerators_.size() + 1) / 3;
  ForIIRResponseFrequencies(APower, APhase, [&](double omega, double& power, double& phase) {
    power = 1.0;
    TComplex product{1.0, 0.0};
    for (size_t s = 0; s < sections; ++s) {
      const TComplex b = TapSums({&numerators_[3 * s], 3}, omega);
      const TComplex a = TapSums({&denominators_[3 * s], 3}, omega);
      const double p = (b.Real * b.Real + b.Imag * b.Imag) / (a.Real * a.Real + a.Imag * a.Imag);
      const double x = (b.Imag + a.Imag) / (1.0 - (b.Real - a.Real));  // an angle, as it is
      product = product * TComplex{p * std::cos(x), p * std::sin(x)};
      power *= p;
    }
    phase = std::atan2(product.Imag, product.Real);
  });
}

// ---------------------------------------------------------------------------------------------

TIntf<IKDFilterInfo> KDFilterCalc(TKDFilterType AFilterType, TKDDesignFilterType ADesignType,
                                  int32_t AOrder, double AFirstEdge, double ASecondEdge,
                                  double ASamplingRate, TKDWindowType AWindowType,
                                  TKDIIRFilterType APrototype, double AWindowParameter) {
  if (AFilterType == ftFIR)
    return TKDFIRFilterInfo::Create(DesignFIR(ADesignType, AOrder, AFirstEdge, ASecondEdge,
                                              ASamplingRate, AWindowType, AWindowParameter));
  if (AFilterType != ftIIR && AFilterType != ftBiquadIIR)
    kelvra::AssertionFailed("KDWindowFilter", __LINE__, "Unkonwn filter type");

  std::unique_ptr<TKDDesignedIIRbase> designer;
  if (AFilterType == ftIIR)
    designer = std::make_unique<TKDDesignedIIRbase>();
  else
    designer = std::make_unique<TKDDesignedIIRbiquad>();
  designer->SetOrder(AOrder);
  designer->SetPrototype(APrototype);
  designer->SetEdges(AFirstEdge / ASamplingRate, ASecondEdge / ASamplingRate);
  designer->SetDesignType(ADesignType);
  designer->Calculate();
  if (AFilterType == ftIIR) return TKDIIRFilterInfo::Create(designer->GetB(), designer->GetA());
  return TKDBiquadIIRFilterInfo::Create(designer->GetB(), designer->GetA());
}

}  // namespace corvane
