// The window calculator against golden windows, spectra and gains, its edge cases, and the
// enumeration routines.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "corvane/algorithms/KDFilterTypes.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "tests/algorithms/AlgorithmsTestSupport.h"

namespace corvane {
namespace {

using kelvra::TComplex;
using testing::ExpectNear;
using testing::Golden;
using testing::Member;

struct TWindow {
  std::vector<double> data;  // N values, or 2N parts in complex mode
  std::vector<TComplex> spectrum;
  double gain = -1;
};

TWindow Calculate(bool complex, TKDExtendedWindowType type, int order, int terms = 0,
                  double alpha = 0) {
  const size_t n = size_t(1) << order;
  TWindow w{std::vector<double>(complex ? 2 * n : n), std::vector<TComplex>(n)};
  KDWindowCalculator::CalculateWindowForMult(complex, type, terms, alpha, w.data.data(), order,
                                             w.gain, w.spectrum.data());
  return w;
}

std::vector<double> Parts(const std::vector<TComplex>& values, double TComplex::*part) {
  std::vector<double> parts;
  for (const TComplex& v : values) parts.push_back(v.*part);
  return parts;
}

TEST(KDWindowCalculator, MatchesTheGoldenWindowsSpectraAndGains) {
  for (const auto& c : Golden()["windows"]) {
    SCOPED_TRACE(c.dump().substr(0, 90));
    const TWindow w = Calculate(c["complex"], Member<TKDExtendedWindowType>(c["type"]),
                                c["order"], c["terms"], c["alpha"]);
    ExpectNear(w.data, c["data"].get<std::vector<double>>());
    // Both parts relative to the largest bin.
    std::vector<double> expected = c["spectrum_re"], actual = Parts(w.spectrum, &TComplex::Real);
    const std::vector<double> imag = c["spectrum_im"], actualImag = Parts(w.spectrum, &TComplex::Imag);
    expected.insert(expected.end(), imag.begin(), imag.end());
    actual.insert(actual.end(), actualImag.begin(), actualImag.end());
    ExpectNear(actual, expected);
    EXPECT_NEAR(w.gain, c["gain"].get<double>(), 1e-12 * c["gain"].get<double>());
  }
}

TEST(KDWindowCalculator, RectangleIsExactInBothModes) {
  for (bool complex : {false, true}) {
    const TWindow w = Calculate(complex, xwtRect, 5);
    EXPECT_EQ(w.gain, 1.0);
    EXPECT_EQ(w.data, std::vector<double>(w.data.size(), 1.0));
    EXPECT_EQ(w.spectrum[0], (TComplex{1.0, 0.0}));
    for (size_t k = 1; k < w.spectrum.size(); ++k) EXPECT_EQ(w.spectrum[k], TComplex{});
  }
  EXPECT_DOUBLE_EQ(Calculate(true, xwtNone, 5).gain, std::sqrt(2.0));
}

TEST(KDWindowCalculator, FlatTopEndsAtItsEndWeight) {
  const TWindow w = Calculate(false, xwtFlatTop, 2);
  ExpectNear(w.data, std::vector<double>{0.004, 0.916, 0.916, 0.004}, 1e-14);
}

TEST(KDWindowCalculator, OnePointKeepsWeightOneWhereTheFormulaDividesByZero) {
  for (auto type : {xwtFlatTop, xwtWelch, xwtHanning}) {
    const TWindow w = Calculate(false, type, 0);
    EXPECT_EQ(w.data[0], 1.0);
    EXPECT_EQ(w.gain, 1.0);
  }
  const TWindow welch = Calculate(true, xwtWelch, 0);  // a curve of two parts
  EXPECT_EQ(welch.data, (std::vector<double>{0.0, 0.0}));
}

TEST(KDWindowCalculator, OrdersBeyondTheLargestTransformRaiseRangeErrors) {
  double gain = 0;
  for (int order : {-1, 28})
    EXPECT_THROW(KDWindowCalculator::CalculateWindowForMult(false, xwtHanning, 0, 0, nullptr,
                                                            order, gain, nullptr),
                 kelvra::ERangeError);
}

TEST(KDWindowCalculator, OldWindowsAreTheExtendedOnesOfTheSameName) {
  const TWindow blackman = Calculate(false, xwtBlackman, 4, 0, 0.16);
  TWindow old{std::vector<double>(16), std::vector<TComplex>(16)};
  KDWindowCalculator::CalculateOldWindow(false, wtBlackman, 0.16, old.data.data(), 4, old.gain,
                                         old.spectrum.data());
  EXPECT_EQ(old.data, blackman.data);
  EXPECT_EQ(old.gain, blackman.gain);

  TWindow untouched{std::vector<double>(16, 7.0), std::vector<TComplex>(16)};
  KDWindowCalculator::CalculateOldWindow(false, TKDWindowType(6), 0, untouched.data.data(), 4,
                                         untouched.gain, untouched.spectrum.data());
  EXPECT_EQ(untouched.data, std::vector<double>(16, 7.0));
  EXPECT_EQ(untouched.gain, -1);
}

TEST(KDGetOrderFromSize, IsTheFloorOfTheBinaryLogarithmButAtLeastOne) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 0},   {-5, 0},    {1, 1},    {2, 1},
                                               {3, 1},   {4, 2},     {7, 2},    {8, 3},
                                               {1000, 9}, {1024, 10}, {INT32_MAX, 30}};
  for (auto [size, order] : cases) EXPECT_EQ(KDGetOrderFromSize(size), order) << size;
}

TEST(KDEnumRoutines, StripPrefixesAndSplitWords) {
  const auto& info = KDTypeInfo<TKDExtendedWindowType>();
  EXPECT_EQ(KDEnumTypeToStrings(info, false, false)[8], "xwtFlatTop");
  EXPECT_EQ(KDEnumTypeToStrings(info, true, false)[8], "FlatTop");
  EXPECT_EQ(KDEnumTypeToStrings(info, true, true)[8], "Flat Top");
  EXPECT_EQ(KDEnumTypeToStrings(KDTypeInfo<TKDFilterType>(), true, true)[2], "Biquad I I R");
  EXPECT_EQ(KDEnumTypeToStrings(KDTypeInfo<TKDDisplayMarkerShape>(), true, true)[11], "H Line");
  // Lower-case characters are stripped while two or more remain.
  const std::string_view plain[] = {"abc", "x9Y"};
  EXPECT_EQ(KDEnumTypeToStrings({plain}, true, true), (std::vector<std::string>{"c", "Y"}));
  EXPECT_EQ(KDEnumTypeToStrings({plain}, false, true), (std::vector<std::string>{"abc", "x 9 Y"}));
}

TEST(KDEnumRoutines, ValuesAndIdentifiers) {
  const auto& info = KDTypeInfo<TKDIIRFilterType>();
  EXPECT_EQ(KDEnumValueToString(info, 2), "iirChebyshev");
  EXPECT_THROW(KDEnumValueToString(info, 3), kelvra::ERangeError);
  EXPECT_EQ(KDEnumIndexFromIdent(info, "iirButterworth"), 1);
  EXPECT_EQ(KDEnumIndexFromIdent(info, "IIRCHEBYSHEV"), 2);
  EXPECT_EQ(KDEnumIndexFromIdent(info, "Chebyshev"), 0);
}

}  // namespace
}  // namespace corvane
