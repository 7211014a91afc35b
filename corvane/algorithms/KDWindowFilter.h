// Filter design: windowed-sinc FIR filters, direct-form IIR filters and cascades of second-order
// IIR sections, each returned as an immutable filter description (IKDFilterInfo) that gives the
// coefficients and a frequency response for display.
//
// KDFilterCalc is a pure function of its arguments: it runs a designer for the one call and
// returns plain arrays in a reference-counted description; nothing is shared between calls, so
// designs may run on several threads at once once the package has started
// (corvane::Initialize()), since the windows and transforms run through the dispatch slots.
//
// The IIR designs place the poles of a Bessel (table for orders 1 to 10), Butterworth or
// Chebyshev (−1 dB ripple) analogue prototype, move them to the requested band, map them to the
// z-plane by the bilinear transform with pre-warped edges, and normalise the gain: at DC for
// low-pass, at Nyquist for high-pass, at the arithmetic band centre for band-pass and by the
// geometric mean of the DC and Nyquist gains for band-stop. Frequencies outside (0, rate/2),
// and a second edge below the first, pass straight into the formulas.
//
// Decisions where the design rules leave cases open:
// - Effective order: the order the poles are computed from and the coefficients are counted by.
//   Band-pass and band-stop designs with an odd order are designed at the next even order (so a
//   direct-form band design of order n has 2n + 2 coefficients per polynomial for odd n, the
//   poles of order n + 1). An order below 0 counts as 0 (FIR: one tap; IIR: b = (1), a = (−1)).
//   A direct-form design has at most 32 prototype poles, the width of the pole mask: higher
//   orders design order 32. A direct-form Bessel design, whose pole table ends at order 10,
//   designs order 10 for any higher order. A biquad cascade is designed at the order clamped to
//   2 … 16 and raised to the next even number, with Butterworth in place of Bessel.
// - Pairing the poles of a biquad cascade: each pole not yet placed, in index order, is paired
//   with the other pole not yet placed that lies nearest its conjugate, if that one agrees with
//   the conjugate within 1e-7 in each part. Neither the sign of a real part is compared (poles
//   near a quarter of the sampling rate have real parts of ±0 up to rounding) nor is the first
//   pole within the tolerance taken (poles of very narrow or very low bands lie closer together
//   than 1e-7), so every section gets the conjugate pair that the design made. Poles left
//   without a partner follow in index order, two to a section. Each section's denominator
//   takes the real parts of its multiplied-out pair.
// - Band-stop sections: the numerator is (1, −2·Re(z), 1) for the section's zero z, so the notch
//   sits at z also below a quarter of the sampling rate; middle values below 1e-15 in magnitude
//   become 0.
//
// Errors: KDFilterCalc with a filter kind outside the three raises EAssertionFailed "Unkonwn
// filter type (KDWindowFilter, line …)"; IIR and biquad descriptions whose numerator and
// denominator lengths differ (or, for biquads, are not whole sections) raise "Assertion failure";
// KDGetFIRResponse of more than 2^27 taps raises ERangeError ("Index out of range = <last
// index>"); a transform that cannot be set up raises EOutOfMemory.
#pragma once

#include <cstdint>
#include <vector>

#include "corvane/algorithms/KDFilterTypes.h"
#include "kelvra/Kelvra.Math.Complex.h"
#include "kelvra/Kelvra.Types.h"

namespace corvane {

enum TKDDesignFilterType : uint8_t { fdftLowPass, fdftHighPass, fdftBandPass, fdftBandStop };
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDDesignFilterType>();

class IKDFilterInfo : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{8E76CBFD-DA97-4963-A201-3CC987222806}");
  virtual const std::vector<double>& GetCoefficients() = 0;
  // Fills APower (squared magnitude) and APhase, one entry per frequency.
  virtual void GetResponse(std::vector<double>& APower, std::vector<double>& APhase) = 0;
};

class TKDFilterInfo : public kelvra::TInterfacedObject, public IKDFilterInfo {
 public:
  const std::vector<double>& GetCoefficients() override { return coefficients_; }
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDFilterInfo, IKDFilterInfo>(this, iid, out);
  }

 protected:
  explicit TKDFilterInfo(std::vector<double> ACoefficients)
      : coefficients_(std::move(ACoefficients)) {}

 private:
  const std::vector<double> coefficients_;
};

// The taps h[0 … L − 1]; the response is KDGetFIRResponse of the taps.
class TKDFIRFilterInfo : public TKDFilterInfo {
 public:
  static kelvra::TIntf<IKDFilterInfo> Create(std::vector<double> ATaps);
  void GetResponse(std::vector<double>& APower, std::vector<double>& APhase) override;

 private:
  using TKDFilterInfo::TKDFilterInfo;
};

// Numerator b and denominator a (a[0] = −1: the filter runs as
// out[n] = Σ b[k]·in[n − k] + Σ over k ≥ 1 of a[k]·out[n − k]); the coefficients are b then a.
// The response has 129 points: ω = i·π/128, the end points pulled in by π/10000, power
// (Br² + Bi²)/(Ar² + Ai²) and phase arctan((Bi + Ai)/(1 − (Br − Ar))), where Br + i·Bi and
// Ar + i·Ai are Σ b[n]·e^{inω} and Σ a[n]·e^{inω}.
class TKDIIRFilterInfo : public TKDFilterInfo {
 public:
  static kelvra::TIntf<IKDFilterInfo> Create(std::vector<double> AB, std::vector<double> AA);
  void GetResponse(std::vector<double>& APower, std::vector<double>& APhase) override;

 private:
  TKDIIRFilterInfo(std::vector<double> AB, std::vector<double> AA);
  const std::vector<double> b_, a_;
};

// Sections of three numerator values (b0, b1, b2) and three denominator values (1, a1, a2);
// the coefficients list b0, b1, b2, a0, a1, a2 per section. The response has the 129 points
// of the IIR response: per section p = (Br² + Bi²)/(Ar² + Ai²) and x = (Bi + Ai)/(1 − (Br − Ar)),
// the power the product of the p, the phase the angle of the product of the p·e^{ix}.
class TKDBiquadIIRFilterInfo : public TKDFilterInfo {
 public:
  static kelvra::TIntf<IKDFilterInfo> Create(std::vector<double> ANumerators,
                                             std::vector<double> ADenominators);
  void GetResponse(std::vector<double>& APower, std::vector<double>& APhase) override;

 private:
  TKDBiquadIIRFilterInfo(std::vector<double> ANumerators, std::vector<double> ADenominators);
  const std::vector<double> numerators_, denominators_;
};

// The direct-form IIR designer. Set the inputs, call Calculate, read the results; one design
// per object.
class TKDDesignedIIRbase : public kelvra::TObject {
 public:
  // Options bits 1 and 2: either switches pre-warping off (the edges are used as they are).
  static constexpr uint32_t kNoPrewarp = (1u << 1) | (1u << 2);

  TKDDesignedIIRbase() = default;
  ~TKDDesignedIIRbase() override = default;

  virtual void SetOrder(int32_t AOrder) { order_ = AOrder; }
  // The order the poles are computed from (see the decisions above).
  virtual int32_t GetOrder() const;
  void SetPrototype(TKDIIRFilterType APrototype) { prototype_ = APrototype; }
  // Edges as fractions of the sampling rate.
  void SetEdges(double AF1, double AF2) { f1_ = AF1, f2_ = AF2; }
  void SetDesignType(TKDDesignFilterType ADesignType) { designType_ = ADesignType; }
  // Chebyshev pass-band ripple in dB; 0 or more stands for −1 dB.
  void SetRipple(float ARipple) { ripple_ = ARipple; }
  void SetOptions(uint32_t AOptions) { options_ = AOptions; }

  virtual void Calculate();

  const std::vector<kelvra::TComplex>& GetZPoles() const { return zPoles_; }
  const std::vector<kelvra::TComplex>& GetZZeros() const { return zZeros_; }
  // Numerator and denominator: whole polynomials, or for a cascade its sections in turn.
  const std::vector<double>& GetB() const { return b_; }
  const std::vector<double>& GetA() const { return a_; }

 protected:
  virtual void TransformToBand();
  virtual void BilinearTransform();
  virtual void ExpandPolynomials();
  virtual void NormalizeGain();
  virtual void NormalizeSections() {}

  bool IsBandDesign() const { return designType_ == fdftBandPass || designType_ == fdftBandStop; }
  // The gain that normalises a design: DC, Nyquist, centre or the root of DC × Nyquist.
  kelvra::TComplex ChosenGain(kelvra::TComplex ADC, kelvra::TComplex ACenter,
                              kelvra::TComplex ANyquist) const;
  // z = e^{iπ(f1 + f2)}, the arithmetic centre of the band (the edge for low- and high-pass).
  kelvra::TComplex CenterPoint() const;

  double f1_ = 10000.0, f2_ = -1.0;
  int32_t order_ = 8;
  TKDDesignFilterType designType_ = fdftLowPass;
  std::vector<kelvra::TComplex> sPoles_, sZeros_, zPoles_, zZeros_;
  TKDIIRFilterType prototype_ = iirButterworth;
  float ripple_ = -1.0f;
  uint32_t poleMask_ = ~0u;
  uint32_t options_ = 0;
  double w1_ = 0, w2_ = 0;
  kelvra::TComplex dcGain_, centerGain_, nyquistGain_;
  std::vector<double> b_, a_;
  int32_t coefficientCount_ = 0;

 private:
  void AddPrototypePole(kelvra::TComplex APole);
  void PlacePrototypePoles();
};

// The cascade of second-order sections: poles paired into conjugate pairs, one section per
// pair, each normalised on its own.
class TKDDesignedIIRbiquad : public TKDDesignedIIRbase {
 public:
  int32_t GetOrder() const override;
  void Calculate() override;

 protected:
  void ExpandPolynomials() override;
  void NormalizeGain() override {}
  void NormalizeSections() override;

 private:
  // The pole indices in pair order.
  std::vector<size_t> PairOrder() const;
};

// Designs a filter. AFirstEdge, ASecondEdge and ASamplingRate are in one unit; the second edge
// is read for band designs only. ftFIR applies the window and its parameter (Blackman: the
// classic window is 0.16; Kaiser: alpha), the IIR kinds the prototype.
kelvra::TIntf<IKDFilterInfo> KDFilterCalc(TKDFilterType AFilterType,
                                          TKDDesignFilterType ADesignType, int32_t AOrder,
                                          double AFirstEdge, double ASecondEdge,
                                          double ASamplingRate, TKDWindowType AWindowType,
                                          TKDIIRFilterType APrototype, double AWindowParameter);

// The angular frequency of point AIndex of a response over AIntervals intervals: AIndex·π/
// AIntervals, the first and last points pulled in by π/10000.
double KDGetResponseFrequency(int32_t AIndex, int32_t AIntervals);

// The response of the taps ATaps[0 … ALastIndex] at K + 1 frequencies ω = i·π/K (the first
// point at π/10000, the last at π − π/10000), K half the smallest power of two of at least 512
// that is not below the tap count: APower[i] = R² + I², APhase[i] = arctan(I/(1 − R)), with
// R + i·I = Σ h[n]·e^{inω}. The inner points are read off one real FFT of the zero-padded taps.
void KDGetFIRResponse(const double* ATaps, int32_t ALastIndex, std::vector<double>& APower,
                      std::vector<double>& APhase);

}  // namespace corvane
