// The IIR designers: analogue prototype poles, band transform, bilinear transform, expansion
// into polynomials or second-order sections, and gain normalisation.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "corvane/algorithms/KDWindowFilter.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TComplex;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kBesselMaxOrder = 10;
constexpr int32_t kMaxPrototypePoles = 32;  // the width of the pole mask
constexpr int32_t kBiquadMinOrder = 2, kBiquadMaxOrder = 16;
constexpr double kPairTolerance = 1e-7;

// Bessel prototype poles for orders 1 to 10: order n starts at index n·n div 4; an odd order's
// first value is its real pole, then one value per conjugate pair.
constexpr TComplex kBesselPoles[30] = {
    {-1.0, 0},
    {-1.10160133059, 0.636009824757},
    {-1.32267579991, 0},
    {-1.04740916101, 0.999264436281},
    {-1.37006783055, 0.410249717494},
    {-0.99520876435, 1.25710573945},
    {-1.50231627145, 0},
    {-1.38087732586, 0.717909587627},
    {-0.957676548563, 1.47112432073},
    {-1.57149040362, 0.320896374221},
    {-1.3818580976, 0.971471890712},
    {-0.930656522947, 1.66186326894},
    {-1.68436817927, 0},
    {-1.61203876622, 0.589244506931},
    {-1.3789032168, 1.1915667778},
    {-0.909867780623, 1.83645135304},
    {-1.7574084004, 0.272867575103},
    {-1.63693941813, 0.822795625139},
    {-1.37384121764, 1.38835657588},
    {-0.892869718847, 1.99832584364},
    {-1.85660050123, 0},
    {-1.80717053496, 0.512383730575},
    {-1.65239648458, 1.03138956698},
    {-1.36758830979, 1.56773371224},
    {-0.878399276161, 2.14980052431},
    {-1.92761969145, 0.241623471082},
    {-1.84219624443, 0.727257597722},
    {-1.6618102414, 1.22110021857},
    {-1.36069227838, 1.73350574267},
    {-0.865756901707, 2.29260483098},
};

TComplex Real(double x) { return {x, 0.0}; }
TComplex Scaled(TComplex z, double factor) { return {z.Real * factor, z.Imag * factor}; }
TComplex UnitPoint(double angle) { return {std::cos(angle), std::sin(angle)}; }

// The polynomial Π (z − root), coefficient i of z^i, starting from 1.
std::vector<TComplex> Expand(const std::vector<TComplex>& roots) {
  std::vector<TComplex> p{Real(1.0)};
  for (TComplex root : roots) {
    p.push_back(Real(0.0));
    for (size_t i = p.size() - 1; i > 0; --i) p[i] = p[i - 1] - root * p[i];
    p[0] = Real(0.0) - root * p[0];
  }
  return p;
}

// Π (z − root): the expanded polynomial's value at z, without the cancellation that summing its
// coefficients suffers near the roots.
TComplex EvaluateFactored(const std::vector<TComplex>& roots, TComplex z) {
  TComplex value = Real(1.0);
  for (TComplex root : roots) value = value * (z - root);
  return value;
}

// A section's gain at z: (b0 + b1/z + b2/z²)/(1 + a1/z + a2/z²).
TComplex SectionGain(const double* b, const double* a, TComplex z) {
  const TComplex inverse = Real(1.0) / z, inverse2 = inverse * inverse;
  const TComplex top = Real(b[0]) + Scaled(inverse, b[1]) + Scaled(inverse2, b[2]);
  const TComplex bottom = Real(a[0]) + Scaled(inverse, a[1]) + Scaled(inverse2, a[2]);
  return top / bottom;
}

double NormalisingFactor(TComplex gain) {
  const double magnitude = gain.Abs();
  return magnitude == 0 ? 1.0 : 1.0 / magnitude;
}

bool Near(double a, double b) { return std::abs(a - b) <= kPairTolerance; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TKDDesignedIIRbase

int32_t TKDDesignedIIRbase::GetOrder() const {
  const int32_t limit = prototype_ == iirBessel ? kBesselMaxOrder : kMaxPrototypePoles;
  int32_t order = std::clamp(order_, 0, limit);
  if (IsBandDesign() && order % 2) ++order;
  return order;
}

void TKDDesignedIIRbase::AddPrototypePole(TComplex APole) {
  if (APole.Real >= 0 || !(poleMask_ & 1)) return;
  sPoles_.push_back(APole);
  poleMask_ >>= 1;
}

void TKDDesignedIIRbase::PlacePrototypePoles() {
  const int32_t n = GetOrder();
  sPoles_.clear();
  if (prototype_ == iirBessel) {
    const int32_t start = n * n / 4;
    int32_t index = start;
    if (n % 2) AddPrototypePole(kBesselPoles[index++]);
    for (int32_t pair = 0; pair < n / 2; ++pair, ++index) {
      AddPrototypePole(kBesselPoles[index]);
      AddPrototypePole(kBesselPoles[index].Conjugate());
    }
    return;
  }
  for (int32_t j = 0; j < 2 * n; ++j)
    AddPrototypePole(UnitPoint((n % 2 ? j : j + 0.5) * kPi / n));
  if (prototype_ != iirChebyshev) return;
  const double ripple = ripple_ >= 0 ? -1.0 : double(ripple_);
  const double epsilon = std::sqrt(std::pow(10.0, -ripple / 10) - 1);
  const double x = 1 / epsilon;
  const double y = std::log(x + std::sqrt(x * x + 1)) / n;
  for (TComplex& pole : sPoles_) pole = {pole.Real * std::sinh(y), pole.Imag * std::cosh(y)};
}

void TKDDesignedIIRbase::Calculate() {
  poleMask_ = ~0u;
  if (!IsBandDesign()) f2_ = f1_;
  PlacePrototypePoles();
  const bool prewarp = !(options_ & kNoPrewarp);
  w1_ = prewarp ? std::tan(kPi * f1_) / kPi : f1_;
  w2_ = prewarp ? std::tan(kPi * f2_) / kPi : f2_;
  TransformToBand();
  BilinearTransform();
  ExpandPolynomials();
  NormalizeGain();
  NormalizeSections();
}

void TKDDesignedIIRbase::TransformToBand() {
  const double omega1 = 2 * kPi * w1_, omega2 = 2 * kPi * w2_;
  const double omega0 = std::sqrt(omega1 * omega2), bandwidth = omega2 - omega1;
  const size_t prototypePoles = sPoles_.size();
  std::vector<TComplex> poles;
  sZeros_.clear();
  for (TComplex p : sPoles_) {
    switch (designType_) {
      case fdftLowPass:
        poles.push_back(Scaled(p, omega1));
        break;
      case fdftHighPass:
        poles.push_back(Real(omega1) / p);
        break;
      case fdftBandPass:
      case fdftBandStop: {
        const TComplex h = designType_ == fdftBandPass ? Scaled(p, 0.5 * bandwidth)
                                                       : Real(0.5 * bandwidth) / p;
        const TComplex t = (Real(1.0) - (Real(omega0) / h).Square()).SquareRoot();
        poles.push_back(h * (Real(1.0) + t));
        poles.push_back(h * (Real(1.0) - t));
        if (designType_ == fdftBandStop) {
          sZeros_.push_back({0.0, omega0});
          sZeros_.push_back({0.0, -omega0});
        }
        break;
      }
    }
  }
  if (designType_ == fdftHighPass || designType_ == fdftBandPass)
    sZeros_.assign(prototypePoles, Real(0.0));
  sPoles_ = std::move(poles);
}

void TKDDesignedIIRbase::BilinearTransform() {
  const auto map = [](TComplex s) { return (Real(2.0) + s) / (Real(2.0) - s); };
  zPoles_.clear();
  zZeros_.clear();
  for (TComplex s : sPoles_) zPoles_.push_back(map(s));
  for (TComplex s : sZeros_) zZeros_.push_back(map(s));
  if (zZeros_.size() < zPoles_.size()) zZeros_.resize(zPoles_.size(), Real(-1.0));
}

TComplex TKDDesignedIIRbase::CenterPoint() const { return UnitPoint(kPi * (f1_ + f2_)); }

TComplex TKDDesignedIIRbase::ChosenGain(TComplex ADC, TComplex ACenter, TComplex ANyquist) const {
  switch (designType_) {
    case fdftLowPass: return ADC;
    case fdftHighPass: return ANyquist;
    case fdftBandPass: return ACenter;
    case fdftBandStop: break;
  }
  return (ADC * ANyquist).SquareRoot();
}

void TKDDesignedIIRbase::ExpandPolynomials() {
  const auto gain = [this](TComplex z) {
    return EvaluateFactored(zZeros_, z) / EvaluateFactored(zPoles_, z);
  };
  dcGain_ = gain(Real(1.0));
  centerGain_ = gain(CenterPoint());
  nyquistGain_ = gain(Real(-1.0));
  const std::vector<TComplex> top = Expand(zZeros_), bottom = Expand(zPoles_);

  coefficientCount_ = GetOrder() * (IsBandDesign() ? 2 : 1) + 1;
  KELVRA_ASSERT(size_t(coefficientCount_) == bottom.size() && top.size() == bottom.size());
  const double lead = bottom.back().Real;
  b_.resize(coefficientCount_);
  a_.resize(coefficientCount_);
  for (int32_t k = 0; k < coefficientCount_; ++k) {
    b_[k] = top[coefficientCount_ - 1 - k].Real / lead;
    a_[k] = -bottom[coefficientCount_ - 1 - k].Real / lead;
  }
}

void TKDDesignedIIRbase::NormalizeGain() {
  const double factor = NormalisingFactor(ChosenGain(dcGain_, centerGain_, nyquistGain_));
  for (double& value : b_) value *= factor;
}

// ---------------------------------------------------------------------------------------------
// TKDDesignedIIRbiquad

int32_t TKDDesignedIIRbiquad::GetOrder() const {
  const int32_t order = std::clamp(order_, kBiquadMinOrder, kBiquadMaxOrder);
  return order % 2 ? order + 1 : order;
}

void TKDDesignedIIRbiquad::Calculate() {
  if (prototype_ == iirBessel) prototype_ = iirButterworth;
  TKDDesignedIIRbase::Calculate();
}

std::vector<size_t> TKDDesignedIIRbiquad::PairOrder() const {
  const size_t count = zPoles_.size();
  std::vector<bool> placed(count, false);
  std::vector<size_t> order;
  for (size_t i = 0; i < count; ++i) {
    if (placed[i]) continue;
    const TComplex conjugate = zPoles_[i].Conjugate();
    size_t nearest = count;
    for (size_t j = 0; j < count; ++j)
      if (j != i && !placed[j] &&
          (nearest == count || (zPoles_[j] - conjugate).Abs() < (zPoles_[nearest] - conjugate).Abs()))
        nearest = j;
    if (nearest == count || !Near(zPoles_[nearest].Real, conjugate.Real) ||
        !Near(zPoles_[nearest].Imag, conjugate.Imag))
      continue;
    placed[i] = placed[nearest] = true;
    order.insert(order.end(), {i, nearest});
  }
  for (size_t i = 0; i < count; ++i)
    if (!placed[i]) order.push_back(i);
  return order;
}

void TKDDesignedIIRbiquad::ExpandPolynomials() {
  const std::vector<size_t> order = PairOrder();
  std::vector<TComplex> poles, zeros;
  for (size_t i : order) {
    poles.push_back(zPoles_[i]);
    zeros.push_back(zZeros_[i]);
  }
  zPoles_ = std::move(poles);
  if (designType_ != fdftBandPass) zZeros_ = std::move(zeros);

  // Sections in pair order, then listed last to first: b = (1, b1, b2), a = (1, a1, a2) with
  // z² + a1·z + a2 the pair multiplied out.
  const size_t sections = zPoles_.size() / 2;
  b_.assign(3 * sections, 0.0);
  a_.assign(3 * sections, 0.0);
  for (size_t k = 0; k < sections; ++k) {
    const TComplex p = zPoles_[2 * k], q = zPoles_[2 * k + 1];
    const double zeroReal = zZeros_[2 * k].Real;
    double b1 = 0, b2 = 1;
    switch (designType_) {
      case fdftLowPass: b1 = 2 * std::abs(zeroReal); break;
      case fdftHighPass: b1 = -2 * std::abs(zeroReal); break;
      case fdftBandPass: b2 = -1; break;
      case fdftBandStop:
        b1 = -2 * zeroReal;
        if (std::abs(b1) < 1e-15) b1 = 0;
        break;
    }
    const size_t s = 3 * (sections - 1 - k);
    b_[s] = 1, b_[s + 1] = b1, b_[s + 2] = b2;
    a_[s] = 1, a_[s + 1] = (Real(0.0) - (p + q)).Real, a_[s + 2] = (p * q).Real;
  }
}

void TKDDesignedIIRbiquad::NormalizeSections() {
  for (size_t s = 0; s + 3 <= b_.size(); s += 3) {
    const double* b = &b_[s];
    const double* a = &a_[s];
    const TComplex gain = ChosenGain(SectionGain(b, a, Real(1.0)), SectionGain(b, a, CenterPoint()),
                                     SectionGain(b, a, Real(-1.0)));
    const double factor = NormalisingFactor(gain);
    for (size_t i = s; i < s + 3; ++i) b_[i] *= factor;
  }
}

}  // namespace corvane
