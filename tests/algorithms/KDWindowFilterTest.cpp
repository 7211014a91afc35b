// Filter designs and responses against golden values, and the design rules' edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "corvane/algorithms/KDWindowFilter.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "tests/algorithms/AlgorithmsTestSupport.h"

namespace corvane {
namespace {

using testing::ExpectNear;
using testing::Golden;
using testing::Member;
using V = std::vector<double>;

kelvra::TIntf<IKDFilterInfo> FIR(const nlohmann::json& c) {
  return KDFilterCalc(ftFIR, Member<TKDDesignFilterType>(c["band"]), c["order"], c["f1"], c["f2"],
                      c["rate"], Member<TKDWindowType>(c["window"]), iirBessel, c["parameter"]);
}

kelvra::TIntf<IKDFilterInfo> IIR(const nlohmann::json& c) {
  return KDFilterCalc(Member<TKDFilterType>(c["kind"]), Member<TKDDesignFilterType>(c["band"]),
                      c["order"], c["f1"], c["f2"], c["rate"], wtRect,
                      Member<TKDIIRFilterType>(c["prototype"]), 0);
}

kelvra::TIntf<IKDFilterInfo> Design(TKDFilterType kind, TKDDesignFilterType band, int order,
                                    double f1, double f2 = 0,
                                    TKDIIRFilterType prototype = iirButterworth) {
  return KDFilterCalc(kind, band, order, f1, f2, 8000, wtHamming, prototype, 0);
}

V Power(const kelvra::TIntf<IKDFilterInfo>& info) {
  V power, phase;
  info->GetResponse(power, phase);
  return power;
}

TEST(KDFilterCalc, MatchesTheGoldenDesigns) {
  for (const auto& c : Golden()["fir"]) {
    SCOPED_TRACE(c.dump().substr(0, 120));
    ExpectNear(FIR(c)->GetCoefficients(), c["taps"].get<V>());
  }
  for (const auto& c : Golden()["iir"]) {
    SCOPED_TRACE(c.dump().substr(0, 120));
    const auto info = IIR(c);
    const V& actual = info->GetCoefficients();
    const V expected = c["coefficients"];
    ASSERT_EQ(actual.size(), expected.size());
    // A direct form's numerator and denominator differ in scale by many decades: each on its own.
    const size_t half = c["kind"] == "ftIIR" ? actual.size() / 2 : actual.size();
    ExpectNear({actual.data(), half}, {expected.data(), half});
    ExpectNear({actual.data() + half, actual.size() - half},
               {expected.data() + half, expected.size() - half});
  }
}

TEST(KDFilterCalc, ResponsesMatchTheGoldenOnes) {
  for (const auto& c : Golden()["responses"]) {
    SCOPED_TRACE(c["design"].get<std::string>() + " " + std::to_string(c["index"].get<int>()));
    const auto& design = Golden()[c["design"].get<std::string>()][c["index"].get<int>()];
    V power, phase;
    (c["design"] == "fir" ? FIR(design) : IIR(design))->GetResponse(power, phase);
    ExpectNear(power, c["power"].get<V>());
    ASSERT_EQ(phase.size(), c["phase"].size());
    for (size_t i = 0; i < phase.size(); ++i)
      if (!c["phase"][i].is_null()) {
        ASSERT_NEAR(phase[i], c["phase"][i].get<double>(), 1e-9) << i;
      }
  }
}

TEST(KDGetFIRResponse, EqualsTheDirectSums) {
  std::mt19937_64 random(14);
  std::uniform_real_distribution<double> value(-1, 1);
  V taps(4096);
  for (double& t : taps) t = value(random) / 64;
  V power, phase;
  KDGetFIRResponse(taps.data(), int32_t(taps.size()) - 1, power, phase);
  ASSERT_EQ(power.size(), 2049u);
  const double peak = *std::max_element(power.begin(), power.end());
  for (size_t i = 0; i < power.size(); i += 7) {
    double r = 0, im = 0;
    const double w = KDGetResponseFrequency(int32_t(i), 2048);
    for (size_t n = 0; n < taps.size(); ++n) r += taps[n] * std::cos(n * w), im += taps[n] * std::sin(n * w);
    ASSERT_NEAR(power[i], r * r + im * im, 1e-12 * peak) << i;
    if (std::abs(1 - r) > 1e-6) {
      ASSERT_NEAR(phase[i], std::atan(im / (1 - r)), 1e-9) << i;
    }
  }
}

TEST(KDGetFIRResponse, HasHalfThePowerOfTwoThatHoldsTheTapsPlusOnePoints) {
  const std::pair<int, size_t> cases[] = {{0, 257}, {10, 257}, {512, 257}, {600, 513}};
  for (auto [count, points] : cases) {
    V taps(count, 0.5), power, phase;
    KDGetFIRResponse(taps.data(), count - 1, power, phase);
    EXPECT_EQ(power.size(), points);
    EXPECT_EQ(phase.size(), points);
  }
}

TEST(KDFilterCalc, FIRTapCountsCentresAndGains) {
  const V lowPass = KDFilterCalc(ftFIR, fdftLowPass, 4, 2000, 0, 8000, wtRect, iirBessel, 0)
                        ->GetCoefficients();
  ExpectNear(lowPass, V{0, 1 / std::numbers::pi, 0.5, 1 / std::numbers::pi, 0}, 1e-15);
  EXPECT_EQ(Design(ftFIR, fdftLowPass, 7, 1000)->GetCoefficients().size(), 7u);
  EXPECT_EQ(Design(ftFIR, fdftLowPass, 0, 1000)->GetCoefficients().size(), 1u);
  EXPECT_EQ(Design(ftFIR, fdftLowPass, -4, 1000)->GetCoefficients().size(), 1u);
  // Unit gain at Nyquist after spectral inversion (centre index 2, even).
  const V highPass = Design(ftFIR, fdftHighPass, 4, 1000)->GetCoefficients();
  ASSERT_EQ(highPass.size(), 5u);
  EXPECT_NEAR(std::abs(highPass[0] - highPass[1] + highPass[2] - highPass[3] + highPass[4]), 1.0, 1e-15);
}

TEST(KDFilterCalc, DirectFormIIRHasUnitGainAndOrderPlusOneCoefficients) {
  for (auto prototype : {iirBessel, iirButterworth, iirChebyshev}) {
    const V c = Design(ftIIR, fdftLowPass, 6, 1000, 0, prototype)->GetCoefficients();
    ASSERT_EQ(c.size(), 14u);
    double sumB = 0, sumA = 0;
    for (int k = 0; k < 7; ++k) sumB += c[k], sumA += c[7 + k];
    EXPECT_EQ(c[7], -1.0);
    EXPECT_NEAR(std::abs(sumB / -sumA), 1.0, 1e-12);
  }
}

TEST(KDFilterCalc, OrdersBeyondTheLimitsDesignTheLimits) {
  const auto coefficients = [](TKDFilterType kind, TKDDesignFilterType band, int order,
                               TKDIIRFilterType prototype) {
    return Design(kind, band, order, 1000, 2000, prototype)->GetCoefficients();
  };
  EXPECT_EQ(coefficients(ftIIR, fdftLowPass, 12, iirBessel), coefficients(ftIIR, fdftLowPass, 10, iirBessel));
  EXPECT_EQ(coefficients(ftIIR, fdftLowPass, 40, iirButterworth).size(), 66u);
  EXPECT_EQ(coefficients(ftIIR, fdftBandPass, 3, iirButterworth),
            coefficients(ftIIR, fdftBandPass, 4, iirButterworth));
  EXPECT_EQ(coefficients(ftIIR, fdftHighPass, -2, iirChebyshev), (V{1.0, -1.0}));
  EXPECT_EQ(coefficients(ftBiquadIIR, fdftLowPass, 1, iirButterworth).size(), 6u);
  EXPECT_EQ(coefficients(ftBiquadIIR, fdftLowPass, 20, iirButterworth).size(), 48u);
  EXPECT_EQ(coefficients(ftBiquadIIR, fdftBandStop, 5, iirBessel),
            coefficients(ftBiquadIIR, fdftBandStop, 6, iirButterworth));
}

TKDDesignedIIRbiquad Calculated(TKDDesignFilterType band, int order, double f1, double f2,
                                TKDIIRFilterType prototype) {
  TKDDesignedIIRbiquad designer;
  designer.SetOrder(order);
  designer.SetPrototype(prototype);
  designer.SetEdges(f1 / 8000, f2 / 8000);
  designer.SetDesignType(band);
  designer.Calculate();
  return designer;
}

// Poles near a quarter of the rate, near 1 and near −1, and of bands so narrow or low that
// different poles lie within the pairing tolerance of each other: each section gets a pair.
TEST(TKDDesignedIIRbiquad, PairsEveryPoleWithItsConjugate) {
  const std::pair<double, double> bands[] = {{2000, 2000.0001}, {1999.9999, 2000.0001}, {0.001, 0.002},
                                             {1990, 2010},      {10, 30},               {3950, 3990}};
  for (auto prototype : {iirButterworth, iirChebyshev})
    for (auto band : {fdftLowPass, fdftHighPass, fdftBandPass, fdftBandStop})
      for (auto [f1, f2] : bands)
        for (int order : {2, 4, 8, 16}) {
          const auto poles = Calculated(band, order, f1, f2, prototype).GetZPoles();
          for (size_t k = 0; k + 1 < poles.size(); k += 2)
            ASSERT_LT((poles[k] - poles[k + 1].Conjugate()).Abs(), 1e-12)
                << int(prototype) << " " << int(band) << " " << f1 << " " << order << " pole " << k;
        }
}

// The cascade's power response divided by that of the designer's poles and zeros is constant
// when the sections hold the designer's pairs.
TEST(KDFilterCalc, BiquadSectionsHoldThePairedPoles) {
  const auto check = [](TKDDesignFilterType band, int order, double f1, double f2) {
    SCOPED_TRACE(std::to_string(band) + " " + std::to_string(f1) + " " + std::to_string(order));
    const TKDDesignedIIRbiquad designer = Calculated(band, order, f1, f2, iirChebyshev);
    const V power = Power(Design(ftBiquadIIR, band, order, f1, f2, iirChebyshev));
    double ratio = 0;
    for (int i = 0; i <= 128; ++i) {
      const double w = KDGetResponseFrequency(i, 128);
      const kelvra::TComplex z{std::cos(w), std::sin(w)};
      double factored = 1;
      for (const auto& zero : designer.GetZZeros()) factored *= (z - zero).Abs() * (z - zero).Abs();
      for (const auto& pole : designer.GetZPoles()) factored /= (z - pole).Abs() * (z - pole).Abs();
      if (factored < 1e-6) continue;  // at a notch the ratio says nothing
      if (ratio == 0) ratio = power[i] / factored;
      ASSERT_NEAR(power[i] / factored, ratio, 1e-9 * ratio) << i;
    }
  };
  const std::pair<double, double> bands[] = {{1990, 2010}, {1900, 2100}, {300, 500}, {10, 30}, {3950, 3990}};
  for (auto band : {fdftBandPass, fdftBandStop})
    for (auto [f1, f2] : bands)
      for (int order : {2, 4, 6}) check(band, order, f1, f2);
  for (double f : {2000.0, 10.0, 3990.0}) check(fdftLowPass, 8, f, 0);
}

TEST(KDFilterCalc, BandStopSectionsNotchBelowAQuarterOfTheRate) {
  const V power = Power(Design(ftBiquadIIR, fdftBandStop, 4, 400, 600));
  EXPECT_LT(power[16], 1e-6);  // 500 Hz = 16 of the 128 intervals of 4000 Hz
  EXPECT_NEAR(power[64], 1.0, 1e-3);
}

TEST(KDFilterCalc, ErrorsCarryTheirTexts) {
  try {
    Design(TKDFilterType(3), fdftLowPass, 4, 1000);
    FAIL();
  } catch (const kelvra::EAssertionFailed& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Unkonwn filter type (KDWindowFilter, line ", 0), 0u);
  }
  EXPECT_THROW(TKDIIRFilterInfo::Create({1, 2}, {-1}), kelvra::EAssertionFailed);
  EXPECT_THROW(TKDBiquadIIRFilterInfo::Create({1, 2}, {1, 2}), kelvra::EAssertionFailed);
}

TEST(TKDDesignedIIRbase, ARippleOfZeroOrMoreStandsForMinusOneDecibel) {
  const auto poles = [](float ripple) {
    TKDDesignedIIRbase designer;
    designer.SetPrototype(iirChebyshev);
    designer.SetEdges(0.1, 0.1);
    designer.SetRipple(ripple);
    designer.Calculate();
    return designer.GetZPoles();
  };
  EXPECT_EQ(poles(0.0f), poles(-1.0f));
  EXPECT_EQ(poles(3.0f), poles(-1.0f));
  EXPECT_NE(poles(-0.5f), poles(-1.0f));
}

}  // namespace
}  // namespace corvane
