#include "corvane/algorithms/KDFilterTypes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>

#include "corvane/algorithms/KDFilterTypes.Transforms.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "corvane/numeric/KDNormDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

namespace {

constexpr int32_t kMaxWindowOrder = 27;

// Cosine-sum coefficient sets a0 … a(K−1) for K = 4 … 11 terms; each sums to 1.
constexpr double kCosSum4[] = {0.3635819267707608, 0.4891774371450171, 0.1365995139786921,
                               0.01064112210553003};
constexpr double kCosSum5[] = {0.3232153788877343, 0.471492143957626, 0.1755341299601972,
                               0.02849699010614994, 0.001261357088292677};
constexpr double kCosSum6[] = {0.2935578950102797,  0.4519357723474506,   0.2014164714263962,
                               0.04792610922105837, 0.005026196426859393, 0.0001375555679558877};
constexpr double kCosSum7[] = {0.2712203605850388,    0.4334446123274422,  0.2180041228929303,
                               0.06578534329560609,   0.01076186730534183, 0.0007700127105808265,
                               1.368088305992921e-05};
constexpr double kCosSum8[] = {0.2533176817029088,   0.4163269305810218,   0.2288396213719708,
                               0.08157508425925879,  0.01773592450349622,  0.002096702749032688,
                               0.0001067741302205525, 1.280702090361482e-06};
constexpr double kCosSum9[] = {0.2384331152777942,   0.400554534864382,    0.2358242530472107,
                               0.09527918858383112,  0.02537395516617152,  0.004152432907505835,
                               0.000368560416329818, 1.38435559391703e-05, 1.161808358932861e-07};
constexpr double kCosSum10[] = {0.2257345387130214,    0.3860122949150963,   0.2401294214106057,
                                0.1070542338664613,    0.03325916184016952,  0.006873374952321475,
                                0.000875167323803516,  6.008598932721187e-05, 1.710716472110202e-06,
                                1.027272130265191e-08};
constexpr double kCosSum11[] = {0.2151527506679809,    0.3731348357785249,   0.242424335844666,
                                0.1166907592689211,    0.04077422105878731,  0.01000904500852923,
                                0.001639806917362033,  0.0001651660820997142, 8.88466316854148e-06,
                                1.938617116029048e-07, 8.48248559933047e-10};
constexpr std::span<const double> kCosSumSets[] = {kCosSum4, kCosSum5, kCosSum6, kCosSum7,
                                                   kCosSum8, kCosSum9, kCosSum10, kCosSum11};

// Builds the cosine-sum window of K terms in w (n values) from its spectrum, which it writes to
// `spectrum` (n bins): bin k and bin n − k hold (−1)^k·a_k/2 (bin 0 a0), all divided by a0, and
// bins that two terms reach add up. The unscaled inverse real transform of the bins then gives
// w[n] = (1/a0)·Σ (−1)^k·a_k·cos(2πk·n/N).
void CosineSumWindow(int32_t terms, int n, int32_t order, double* w, Ipp64fc* spectrum) {
  ippsZero_64fc(spectrum, n);
  if (terms >= 4 && terms <= 11) {
    const std::span<const double> a = kCosSumSets[terms - 4];
    spectrum[0].re = a[0];
    for (size_t k = 1; k < a.size(); ++k) {
      const double half = (k % 2 ? -a[k] : a[k]) * 0.5;
      spectrum[k % n].re += half;
      spectrum[(n - k % n) % n].re += half;
    }
    for (int k = 0; k < n; ++k) spectrum[k].re *= 1.0 / a[0];
  }
  // The bins 0 … N/2 read as CCS: N + 2 doubles, which the N bins hold for N ≥ 2 (the one-point
  // transform reads a single value).
  algorithms::TRealTransform transform(order);
  ippsFFTInv_CCSToR_64f(&spectrum->re, w, transform.Get(), nullptr);
}

// w[n] = 1 − 1.93·c1 + 1.29·c2 − 0.388·c3 + 0.032·c4, ck = cos(2πk·n/(N − 1)).
void FlatTopWindow(int n, double* w) {
  if (n < 2) return;  // one point keeps its weight 1
  for (int i = 0; i < n; ++i) {
    const double x = 2 * std::numbers::pi * i / (n - 1);
    w[i] = 1 - 1.93 * std::cos(x) + 1.29 * std::cos(2 * x) - 0.388 * std::cos(3 * x) +
           0.032 * std::cos(4 * x);
  }
}

// Multiplies by w[n] = 1 − ((n − m)/m)², m = (N − 1)/2.
void WelchWindow(int n, double* data) {
  if (n < 2) return;  // one point keeps its weight 1
  const double m = (n - 1) / 2.0;
  for (int i = 0; i < n; ++i) {
    const double x = (i - m) / m;
    data[i] *= 1 - x * x;
  }
}

// The spectrum of the window in `data` (n points), unscaled.
void WindowSpectrum(bool complex, const void* data, int n, int32_t order, Ipp64fc* spectrum) {
  if (complex) {
    algorithms::TComplexTransform transform(order);
    ippsFFTFwd_CToC_64fc(static_cast<const Ipp64fc*>(data), spectrum, transform.Get(), nullptr);
  } else {
    algorithms::TRealTransform transform(order);
    ippsFFTFwd_RToCCS_64f(static_cast<const double*>(data), &spectrum->re, transform.Get(),
                          nullptr);
    ippsConjCcs_64fc_I(spectrum, n);
  }
}

}  // namespace

void KDWindowCalculator::CalculateWindowForMult(bool AComplex, TKDExtendedWindowType AWindowType,
                                                int32_t ACosSumTerms, double AAlpha, void* AData,
                                                int32_t AOrder, double& AGain,
                                                kelvra::TComplex* ASpectrum) {
  if (AOrder < 0 || AOrder > kMaxWindowOrder)
    throw kelvra::ERangeError("Window order out of range = " + std::to_string(AOrder));
  const int n = int(std::ldexp(1.0f, AOrder));
  auto* real = static_cast<double*>(AData);
  auto* complex = static_cast<Ipp64fc*>(AData);
  auto* spectrum = reinterpret_cast<Ipp64fc*>(ASpectrum);
  if (AComplex)
    ippsSet_64fc({1.0, 1.0}, complex, n);
  else
    ippsSet_64f(1.0, real, n);

  // Cosine sums and flat tops are computed as real curves; complex mode copies each weight to
  // both parts of its element.
  std::vector<double> scratch;
  double* curve = real;
  if (AComplex && (AWindowType == xwtCosSum || AWindowType == xwtFlatTop)) {
    scratch.assign(n, 1.0);
    curve = scratch.data();
  }

  bool transformed = true;
  switch (AWindowType) {
    case xwtNone:
      break;
    case xwtRect:
      ippsZero_64fc(spectrum, n);
      spectrum[0].re = 1.0;
      AGain = 1.0;
      return;
    case xwtBartlett:
      AComplex ? ippsWinBartlett_64fc_I(complex, n) : ippsWinBartlett_64f_I(real, n);
      break;
    case xwtBlackman:
      AComplex ? ippsWinBlackman_64fc_I(complex, n, -AAlpha)
               : ippsWinBlackman_64f_I(real, n, -AAlpha);
      break;
    case xwtHamming:
      AComplex ? ippsWinHamming_64fc_I(complex, n) : ippsWinHamming_64f_I(real, n);
      break;
    case xwtHanning:
      AComplex ? ippsWinHann_64fc_I(complex, n) : ippsWinHann_64f_I(real, n);
      break;
    case xwtKaiser:
      AComplex ? ippsWinKaiser_64fc_I(complex, n, float(AAlpha))
               : ippsWinKaiser_64f_I(real, n, float(AAlpha));
      break;
    case xwtCosSum:
      CosineSumWindow(ACosSumTerms, n, AOrder, curve, spectrum);
      transformed = false;
      break;
    case xwtFlatTop:
      FlatTopWindow(n, curve);
      break;
    case xwtWelch:
      // In complex mode the block is one curve of 2N real values.
      WelchWindow(AComplex ? 2 * n : n, real);
      break;
  }
  if (curve != real) ippsRealToCplx_64f(curve, curve, complex, n);

  if (transformed) {
    WindowSpectrum(AComplex, AData, n, AOrder, spectrum);
    ippsMulC_64fc(spectrum, {1.0 / n, 0.0}, spectrum, n);
  }
  ippsNorm_L2_64fc64f(spectrum, n, &AGain);
}

void KDWindowCalculator::CalculateOldWindow(bool AComplex, TKDWindowType AWindowType,
                                            double AAlpha, void* AData, int32_t AOrder,
                                            double& AGain, kelvra::TComplex* ASpectrum) {
  static constexpr TKDExtendedWindowType kExtended[] = {xwtRect,    xwtBartlett, xwtBlackman,
                                                        xwtHamming, xwtHanning,  xwtKaiser};
  if (AWindowType >= std::size(kExtended)) return;
  CalculateWindowForMult(AComplex, kExtended[AWindowType], 0, AAlpha, AData, AOrder, AGain,
                         ASpectrum);
}

int32_t KDGetOrderFromSize(int32_t ASize) {
  if (ASize < 1) return 0;
  int32_t order = 1;
  for (int32_t value = ASize / 2; value > 1; value /= 2) ++order;
  return order;
}

// ---------------------------------------------------------------------------------------------
// Enumeration identifiers

namespace {

template <size_t N>
TKDEnumTypeInfo InfoOf(const std::string_view (&identifiers)[N]) {
  return {identifiers};
}

constexpr std::string_view kExtendedWindowTypes[] = {
    "xwtNone",   "xwtRect",  "xwtBartlett", "xwtBlackman", "xwtHamming",
    "xwtHanning", "xwtKaiser", "xwtCosSum",  "xwtFlatTop",  "xwtWelch"};
constexpr std::string_view kWindowTypes[] = {"wtRect",    "wtBartlett", "wtBlackman",
                                             "wtHamming", "wtHanning",  "wtKaiser"};
constexpr std::string_view kFilterTypes[] = {"ftFIR", "ftIIR", "ftBiquadIIR"};
constexpr std::string_view kIIRFilterTypes[] = {"iirBessel", "iirButterworth", "iirChebyshev"};
constexpr std::string_view kFourierNormalizations[] = {"fnNone", "fnNormalize", "fnNormalizeSqrt"};
constexpr std::string_view kDelayModes[] = {"dmMilliseconds", "dmSamples"};
constexpr std::string_view kCombFeeds[] = {"cfForward", "cfBack"};
constexpr std::string_view kLevelDetectModes[] = {"dmAbove", "dmAboveEqual", "dmBelow",
                                                  "dmBelowEqual"};
constexpr std::string_view kCoordinateModes[] = {
    "cmLeftTop",     "cmLeftBottom", "cmLeftCenter",   "cmRightTop", "cmRightBottom",
    "cmRightCenter", "cmTopCenter",  "cmBottomCenter", "cmCenter"};
constexpr std::string_view kDisplayMarkerShapes[] = {
    "msPoint",        "msCircle",       "msSquare",        "msDiamond", "msPlus",
    "msCross",        "msStar",         "msTriangleUp",    "msTriangleDown",
    "msTriangleLeft", "msTriangleRight", "msHLine",        "msVLine"};

bool IsLower(char c) { return std::tolower(static_cast<unsigned char>(c)) == c; }
bool IsUpper(char c) { return std::toupper(static_cast<unsigned char>(c)) == c; }

}  // namespace

#define CORVANE_ENUM_TYPE_INFO(Type, identifiers) \
  template <>                                     \
  const TKDEnumTypeInfo& KDTypeInfo<Type>() {     \
    static const TKDEnumTypeInfo info = InfoOf(identifiers); \
    return info;                                  \
  }
CORVANE_ENUM_TYPE_INFO(TKDExtendedWindowType, kExtendedWindowTypes)
CORVANE_ENUM_TYPE_INFO(TKDWindowType, kWindowTypes)
CORVANE_ENUM_TYPE_INFO(TKDFilterType, kFilterTypes)
CORVANE_ENUM_TYPE_INFO(TKDIIRFilterType, kIIRFilterTypes)
CORVANE_ENUM_TYPE_INFO(TKDFourierNormalization, kFourierNormalizations)
CORVANE_ENUM_TYPE_INFO(TKDDelayMode, kDelayModes)
CORVANE_ENUM_TYPE_INFO(TKDCombFeed, kCombFeeds)
CORVANE_ENUM_TYPE_INFO(TKDLevelDetectMode, kLevelDetectModes)
CORVANE_ENUM_TYPE_INFO(TKDCoordinateMode, kCoordinateModes)
CORVANE_ENUM_TYPE_INFO(TKDDisplayMarkerShape, kDisplayMarkerShapes)
#undef CORVANE_ENUM_TYPE_INFO

std::vector<std::string> KDEnumTypeToStrings(const TKDEnumTypeInfo& ATypeInfo, bool AStripPrefix,
                                             bool ASplitWords) {
  std::vector<std::string> names;
  for (std::string_view identifier : ATypeInfo.Identifiers) {
    std::string name(identifier);
    if (AStripPrefix) {
      size_t start = 0;
      while (name.size() - start >= 2 && IsLower(name[start])) ++start;
      name.erase(0, start);
    }
    if (ASplitWords)
      for (size_t i = name.size(); i-- > 1;)
        if (IsUpper(name[i])) name.insert(i, 1, ' ');
    names.push_back(std::move(name));
  }
  return names;
}

std::string KDEnumValueToString(const TKDEnumTypeInfo& ATypeInfo, int32_t AOrdinal) {
  if (AOrdinal < 0 || size_t(AOrdinal) >= ATypeInfo.Identifiers.size())
    throw kelvra::ERangeError("Index out of range = " + std::to_string(uint32_t(AOrdinal)));
  return std::string(ATypeInfo.Identifiers[AOrdinal]);
}

int32_t KDEnumIndexFromIdent(const TKDEnumTypeInfo& ATypeInfo, std::string_view AIdent) {
  const auto sameText = [AIdent](std::string_view identifier) {
    return std::ranges::equal(identifier, AIdent, [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
  };
  const auto& identifiers = ATypeInfo.Identifiers;
  const auto found = std::ranges::find_if(identifiers, sameText);
  return found == identifiers.end() ? 0 : int32_t(found - identifiers.begin());
}

}  // namespace corvane
