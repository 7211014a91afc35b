#include "corvane/drawing/RQGDIPlusProperties.Primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/drawing/DrawingTestSupport.h"

namespace corvane::test {
namespace {

using namespace kelvra;

constexpr TAlphaColor kLight = 0xFFE8ECF4, kDark = 0xFF303848, kBlue = 0xFF2060C0;

TEST(ShadingColorTest, DimColorScalesRoundsHalvesToEvenAndCaps) {
  EXPECT_EQ(RQDimColor(0x80204060, 2.0f), 0x804080C0u);
  EXPECT_EQ(RQDimColor(0x80204060, 10.0f), 0x80FFFFFFu);
  EXPECT_EQ(RQDimColor(0xFF010305, 0.5f), 0xFF000202u);  // 0.5 → 0, 1.5 → 2, 2.5 → 2
  EXPECT_EQ(RQDimColor(0x7F204060, -1.0f), 0x7F000000u);
}

TEST(ShadingColorTest, InterpolationEasesAndRoundsToTheBit) {
  EXPECT_EQ(RQInterpolateColorF(0x12345678, 0x9ABCDEF0, 0), 0x12345678u);
  EXPECT_EQ(RQInterpolateColorF(0x12345678, 0x9ABCDEF0, 1), 0x9ABCDEF0u);
  // The middle: 127.5 → 128, 14.5 → 14, 15.5 → 16.
  EXPECT_EQ(RQInterpolateColorF(0x00000000, 0xFF1D1F00, 0.5f), 0x800E1000u);
  // t = 0.25 blends at t' = 0.155: alpha 215.475, red 31.0, green 39.525, blue 15.5.
  EXPECT_EQ(RQInterpolateColorF(0xFF000000, 0x00C8FF64, 0.25f), 0xD71F2810u);
  // Eased values outside [0, 1] are clamped.
  EXPECT_EQ(RQInterpolateColorF(0xFF000000, 0xFFFFFFFF, 1.02f), 0xFFFFFFFFu);
}

TEST(ShadingColorTest, ColorFromAngleFollowsTheLightingModel) {
  const TAlphaColor c1 = 0xFF000000, c2 = 0x01FF1D1F;
  EXPECT_EQ(RQColorFromAngle(c1, c2, -0.7853982f), RQInterpolateColorF(c1, c2, 0.5f));
  EXPECT_EQ(RQColorFromAngle(c1, c2, float(3 * std::numbers::pi / 2 - 0.7853982)), c1);
  EXPECT_EQ(RQColorFromAngle(c1, c2, float(std::numbers::pi / 2 - 0.7853982)), c2);
  EXPECT_DOUBLE_EQ(RQSec(0), 1);
  EXPECT_DOUBLE_EQ(RQCsc(std::numbers::pi / 2), 1);
}

// The colour of a pixel drawn without antialiasing.
TAlphaColor PixelOf(int32_t x, int32_t y, const TDraw& draw) {
  return Render(40, 40, draw, SmoothingModeDefault)->GetPixel(x, y);
}

TEST(ShadingShapeTest, LineColourFollowsItsDirection) {
  const auto line = [](float x1, float x2, bool forward) {
    return PixelOf(20, 10, [=](IGPGraphics& g) { RQDrawLine3DF(g, kDark, kLight, x1, 10, x2, 10, 3, forward); });
  };
  const TAlphaColor lit = RQColorFromAngle(kDark, kLight, 0), shaded = RQColorFromAngle(kDark, kLight, 3.1415927f);
  EXPECT_EQ(line(5, 35, true), lit);  // θ = 0, t ≈ 0.854
  EXPECT_EQ(line(5, 35, false), shaded);
  EXPECT_EQ(line(35, 5, true), shaded);
}

TEST(ShadingShapeTest, FrameSidesTakeTheirLightAndLeaveTheGraphicsAsFound) {
  auto image = TIGPBitmap::Create(40, 40);
  auto g = TIGPGraphics::Create(*image);
  g->SetSmoothingMode(SmoothingModeAntiAlias);
  g->TranslateTransform(1, 2);
  RQDrawFrame3DF(*g, kDark, kLight, {5, 5, 20, 20}, 4);
  EXPECT_EQ(g->GetSmoothingMode(), SmoothingModeAntiAlias);
  EXPECT_EQ(g->GetTransform(), (TIGPMatrix{1, 0, 0, 1, 1, 2}));
  const auto lit = [](double a) { return RQInterpolateColorF(kDark, kLight, float(std::sin(a) / 2 + 0.5)); };
  // The frame spans (3, 3) to (27, 27) before the translation; quads are not antialiased.
  EXPECT_EQ(image->GetPixel(1 + 15, 2 + 4), lit(std::numbers::pi + 0.7853982));        // top
  EXPECT_EQ(image->GetPixel(1 + 4, 2 + 15), lit(3 * std::numbers::pi / 2 + 0.7853982));  // left
  EXPECT_EQ(image->GetPixel(1 + 26, 2 + 15), lit(std::numbers::pi / 2 + 0.7853982));     // right
  EXPECT_EQ(image->GetPixel(1 + 15, 2 + 26), lit(0.7853982));                            // bottom
  EXPECT_EQ(image->GetPixel(1 + 15, 2 + 15), 0u);                                        // inside
}

TEST(ShadingShapeTest, GlossEllipseRestoresTheTransform) {
  auto image = TIGPBitmap::Create(40, 40);
  auto g = TIGPGraphics::Create(*image);
  RQGlossEllipse3DF(*g, kBlue, {4, 4, 30, 20});
  EXPECT_EQ(g->GetTransform(), TIGPMatrix{});
}

TEST(ShadingShapeTest, RoundDiamondWithAZeroCornerIsTheSharpDiamond) {
  const TIGPRectF r{4, 4, 32, 24};
  const auto pen = TIGPPen::Create(kDark, 2);
  const auto brush = TIGPSolidBrush::Create(kBlue);
  const TPointF diamond[] = {{4, 16}, {20, 4}, {36, 16}, {20, 28}};
  auto sharp = Render(40, 32, [&](IGPGraphics& g) {
    g.FillPolygon(*brush, diamond);
    g.DrawPolygon(*pen, diamond);
  });
  auto drawn = Render(40, 32, [&](IGPGraphics& g) { RQDrawRoundDiamondF(g, *pen, *brush, r, {0, 5}); });
  EXPECT_TRUE(SamePixels(*drawn, *sharp, 0));
  auto round = Render(40, 32, [&](IGPGraphics& g) { RQDrawRoundDiamondF(g, *pen, *brush, r, {8, 6}); });
  EXPECT_FALSE(SamePixels(*round, *sharp, 16));
  EXPECT_GT(RQCreateRoundDiamondPathF(r, {8, 6})->GetPointCount(), 4 * 3);
}

struct TPrimitiveCase {
  const char* Name;
  TDraw Draw;
};

const TIGPRectF kBox{6, 6, 52, 36};

const TPrimitiveCase kPrimitiveCases[] = {
    {"RQDrawLine3DF", [](IGPGraphics& g) {
       for (int i = 0; i < 8; ++i) {
         const float a = float(i) * 0.785398f;
         RQDrawLine3DF(g, kDark, kLight, 32, 24, 32 + 20 * std::cos(a), 24 + 20 * std::sin(a), 3, true);
       }
     }},
    {"RQDrawFrame3DF", [](IGPGraphics& g) { RQDrawFrame3DF(g, kLight, kDark, kBox, 5); }},
    {"RQDrawDiamondFrame3DF", [](IGPGraphics& g) { RQDrawDiamondFrame3DF(g, kLight, kDark, kBox, 5); }},
    {"RQGlossRectangle3DF", [](IGPGraphics& g) { RQGlossRectangle3DF(g, kBlue, 0xC0FFFFFF, kBox); }},
    {"RQGlossDiamond3DF", [](IGPGraphics& g) { RQGlossDiamond3DF(g, kBlue, 0xC0FFFFFF, kBox); }},
    {"RQGlossEllipse3DF", [](IGPGraphics& g) { RQGlossEllipse3DF(g, kBlue, kBox); }},
    {"RQFillBulb3DF", [](IGPGraphics& g) { RQFillBulb3DF(g, 0xFF20C020, kBox); }},
    {"RQFillRoundDiamondF", [](IGPGraphics& g) { RQFillRoundDiamondF(g, *TIGPSolidBrush::Create(kBlue), kBox, {12, 8}); }},
    {"RQDrawRoundDiamondF", [](IGPGraphics& g) { RQDrawRoundDiamondF(g, *TIGPPen::Create(kDark, 2), kBox, {12, 8}); }},
    {"RQDrawGlobeEllipse3DF", [](IGPGraphics& g) { RQDrawGlobeEllipse3DF(g, kLight, kDark, kBox, 5); }},
    {"RQDrawEllipse3DF", [](IGPGraphics& g) { RQDrawEllipse3DF(g, kLight, kDark, kBox, 5); }},
    {"RQGlossRoundRectangle3DF", [](IGPGraphics& g) { RQGlossRoundRectangle3DF(g, kBlue, 0xE0FFFFFF, kBox, {8, 8}); }},
    {"RQGlossRoundDiamond3DF", [](IGPGraphics& g) { RQGlossRoundDiamond3DF(g, kBlue, 0xC0FFFFFF, kBox, {12, 8}); }},
    {"RQDrawRoundRectangle3DF", [](IGPGraphics& g) { RQDrawRoundRectangle3DF(g, kLight, kDark, kBox, {8, 8}, 4); }},
    {"RQDrawRoundDiamondFrame3DF", [](IGPGraphics& g) { RQDrawRoundDiamondFrame3DF(g, kLight, kDark, kBox, {12, 8}, 4); }},
};

TEST(ShadingShapeTest, EveryRoutineDrawsAsItsReference) {
  for (const TPrimitiveCase& c : kPrimitiveCases) {
    auto image = Render(64, 48, c.Draw);
    EXPECT_TRUE(MatchesReference(*image, c.Name));
  }
}

}  // namespace
}  // namespace corvane::test
