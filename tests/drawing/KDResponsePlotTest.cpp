#include "corvane/drawing/KDResponsePlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tests/drawing/DrawingTestSupport.h"

namespace corvane::test {
namespace {

using namespace kelvra;

TEST(ResponsePlotTest, ScalesEndOnTicksOfOneTwoOrFive) {
  struct Case {
    double lo, hi;
    int maxTicks;
    TKDPlotScale expected;
  } cases[] = {
      {0.4, 3999.6, 11, {0, 4000, 500}},
      {-98.2, 0.004, 7, {-100, 0, 20}},   // the ripple above 0 dB costs no step
      {-1.53, 1.49, 7, {-1.5, 1.5, 0.5}},
      {0.5, 0.5, 5, {-0.5, 1.5, 0.5}},    // width 0: widened by 1
      {2e6, 2e6, 3, {0, 4e6, 2e6}},       // by the magnitude
      {5, -5, 3, {-5, 5, 5}},            // ends swapped
      {NAN, 1, 3, {-1, 1, 1}},            // not finite: the scale of 0
  };
  for (const Case& c : cases) {
    const TKDPlotScale scale = KDNiceScale(c.lo, c.hi, c.maxTicks);
    EXPECT_DOUBLE_EQ(scale.Min, c.expected.Min) << c.lo << " to " << c.hi;
    EXPECT_DOUBLE_EQ(scale.Max, c.expected.Max) << c.lo << " to " << c.hi;
    EXPECT_DOUBLE_EQ(scale.Step, c.expected.Step) << c.lo << " to " << c.hi;
    EXPECT_LE(scale.Ticks().size(), size_t(std::max(c.maxTicks, 2)));
  }
  const auto ticks = KDNiceScale(-0.9, 0.9, 5).Ticks();
  EXPECT_EQ(ticks, (std::vector<double>{-1, -0.5, 0, 0.5, 1}));
  EXPECT_FALSE(std::signbit(ticks[2])) << "0, not -0, which would be labelled \"-0\"";
}

// Counts the pixels of a half of the bitmap whose colour leans clearly to blue (the power curve)
// or to red (the phase curve).
struct TCurvePixels {
  int bluish = 0, reddish = 0;
};

TCurvePixels CountCurvePixels(IGPBitmap& bitmap, int32_t top, int32_t bottom) {
  TCurvePixels count;
  for (int32_t y = top; y < bottom; ++y)
    for (int32_t x = 0; x < int32_t(bitmap.GetWidth()); ++x) {
      const TAlphaColor c = bitmap.GetPixel(x, y);
      const int r = (c >> 16) & 0xFF, b = c & 0xFF;
      count.bluish += b > r + 80;
      count.reddish += r > b + 80;
    }
  return count;
}

TEST(ResponsePlotTest, DrawsThePowerAboveAndThePhaseBelow) {
  // A lowpass-like response with a zero (-inf dB) and a point that is not a number.
  std::vector<double> frequency, power, phase;
  for (int i = 0; i <= 100; ++i) {
    frequency.push_back(i * 40.0);
    power.push_back(i < 40 ? 0 : -2.0 * (i - 40));
    phase.push_back(std::remainder(-0.2 * i, 2 * std::numbers::pi));
  }
  power[70] = -INFINITY;
  phase[50] = NAN;
  const int32_t width = 400, height = 300;
  auto bitmap = Render(width, height, [&](IGPGraphics& g) {
    KDDrawResponsePlot(g, {float(width), float(height)}, {frequency, power, phase});
  });
  EXPECT_EQ(bitmap->GetPixel(2, 2), 0xFFFFFFFFu) << "a white background";
  const TCurvePixels upper = CountCurvePixels(*bitmap, 0, height / 2);
  const TCurvePixels lower = CountCurvePixels(*bitmap, height / 2, height);
  EXPECT_GT(upper.bluish, 200);
  EXPECT_EQ(upper.reddish, 0);
  EXPECT_GT(lower.reddish, 200);
  EXPECT_EQ(lower.bluish, 0);
}

}  // namespace
}  // namespace corvane::test
