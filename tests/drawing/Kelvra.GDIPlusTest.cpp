#include "kelvra/Kelvra.GDIPlus.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/ExceptionMessage.h"
#include "tests/drawing/DrawingTestSupport.h"

namespace corvane::test {
namespace {

using namespace kelvra;

constexpr TAlphaColor kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kInk = 0xFF202020;

struct TBrushCase {
  const char* Name;
  TDraw Draw;
};

// Every brush kind and its shaping settings, filling a 48x32 surface.
const TBrushCase kBrushCases[] = {
    {"brush_solid", [](IGPGraphics& g) { g.FillEllipse(*TIGPSolidBrush::Create(0x80FF8000), {4, 4, 40, 24}); }},
    {"brush_hatch_diagonal_cross",
     [](IGPGraphics& g) {
       g.FillRectangle(*TIGPHatchBrush::Create(HatchStyleDiagonalCross, kInk, 0xFFFFFF00), {0, 0, 48, 32});
     }},
    {"brush_hatch_horizontal_brick",
     [](IGPGraphics& g) {
       g.FillRectangle(*TIGPHatchBrush::Create(HatchStyleHorizontalBrick, kRed, 0), {0, 0, 48, 32});
     }},
    {"brush_texture_flip_xy",
     [](IGPGraphics& g) {
       auto tile = Render(8, 8, [](IGPGraphics& t) {
         const TPointF corner[] = {{0, 0}, {8, 0}, {0, 8}};
         t.FillPolygon(*TIGPSolidBrush::Create(kBlue), corner);
       });
       auto brush = TIGPTextureBrush::Create(*tile, WrapModeTileFlipXY);
       brush->TranslateTransform(3, 2);
       g.FillRectangle(*brush, {0, 0, 48, 32});
     }},
    {"brush_linear_forward_diagonal_blend",
     [](IGPGraphics& g) {
       auto brush = TIGPLinearGradientBrush::Create({0, 0, 48, 32}, kRed, kBlue, LinearGradientModeForwardDiagonal);
       const float factors[] = {0, 1, 0.2f}, positions[] = {0, 0.4f, 1};
       brush->SetBlend(factors, positions);
       g.FillRectangle(*brush, {0, 0, 48, 32});
     }},
    {"brush_linear_points_interpolation_tile",
     [](IGPGraphics& g) {
       auto brush = TIGPLinearGradientBrush::Create(TPointF{10, 0}, TPointF{30, 0}, 0, 0);
       const TIGPInterpolationColor colors[] = {{0, kRed}, {0.5f, 0xFF00FF00}, {1, kBlue}};
       brush->SetInterpolationColors(colors);
       g.FillRectangle(*brush, {0, 0, 48, 32});
     }},
    {"brush_path_gradient_surround",
     [](IGPGraphics& g) {
       const TPointF triangle[] = {{24, 0}, {48, 32}, {0, 32}};
       auto brush = TIGPPathGradientBrush::Create(triangle);
       brush->SetCenterColor(0xFFFFFFFF);
       const TAlphaColor surround[] = {kRed, 0xFF00FF00, kBlue};
       brush->SetSurroundColors(surround);
       brush->SetCenterPoint({24, 12});
       g.FillPolygon(*brush, triangle);
     }},
    {"brush_path_gradient_ellipse_bell",
     [](IGPGraphics& g) {
       auto path = TIGPGraphicsPath::Create();
       path->AddEllipse({2, 2, 44, 28});
       auto brush = TIGPPathGradientBrush::Create(*path);
       brush->SetCenterColor(0xFFFFFF00);
       const TAlphaColor surround[] = {0x00000000};
       brush->SetSurroundColors(surround);
       brush->SetBlendBellShape(0.5f);
       g.FillPath(*brush, *path);
     }},
    {"pen_dash_dot_offset_round_join",
     [](IGPGraphics& g) {
       auto pen = TIGPPen::Create(kInk, 3);
       pen->SetDashStyle(DashStyleDashDot);
       pen->SetDashOffset(2);
       pen->SetLineJoin(LineJoinRound);
       const TPointF zig[] = {{2, 28}, {16, 4}, {30, 28}, {46, 4}};
       g.DrawLines(*pen, zig);
     }},
    {"pen_custom_dash_compound_inset",
     [](IGPGraphics& g) {
       auto pen = TIGPPen::Create(kRed, 8);
       const float dashes[] = {2, 1}, bands[] = {0, 0.3f, 0.7f, 1};
       pen->SetDashPattern(dashes);
       pen->SetCompoundArray(bands);
       pen->SetAlignment(PenAlignmentInset);
       g.DrawRectangle(*pen, {4, 4, 40, 24});
     }},
    {"pen_bevel_miter_limit_arc_pie",
     [](IGPGraphics& g) {
       auto pen = TIGPPen::Create(kBlue, 4);
       pen->SetLineJoin(LineJoinBevel);
       const TPointF spike[] = {{4, 30}, {12, 2}, {20, 30}};
       g.DrawLines(*pen, spike);
       g.DrawArc(*TIGPPen::Create(kInk, 2), {22, 2, 24, 28}, 200, 250);
       g.FillPie(*TIGPSolidBrush::Create(0xC000A000), {26, 8, 16, 16}, -30, 120);
     }},
};

TEST(GDIPlusDrawingTest, EveryBrushAndPenKindDrawsAsItsReference) {
  for (const TBrushCase& c : kBrushCases) {
    auto image = Render(48, 32, c.Draw);
    EXPECT_TRUE(MatchesReference(*image, c.Name));
  }
}

TEST(GDIPlusDrawingTest, SolidFillsWithoutAntialiasingHitExactPixels) {
  auto image = Render(10, 10, [](IGPGraphics& g) {
    g.FillRectangle(*TIGPSolidBrush::Create(0x80FF0000), {2, 2, 4, 4});
  }, SmoothingModeDefault);
  EXPECT_EQ(image->GetPixel(2, 2), 0x80FF0000u);
  EXPECT_EQ(image->GetPixel(5, 5), 0x80FF0000u);
  EXPECT_EQ(image->GetPixel(6, 6), 0u);
  EXPECT_EQ(image->GetPixel(-1, 0), 0u);  // outside: transparent
}

TEST(GDIPlusDrawingTest, RestoreReturnsToTheSavedTransformSmoothingAndClip) {
  auto image = TIGPBitmap::Create(20, 20);
  auto g = TIGPGraphics::Create(*image);
  g->TranslateTransform(5, 0);
  const uint32_t outer = g->Save();
  g->SetSmoothingMode(SmoothingModeAntiAlias);
  g->ScaleTransform(2, 2);
  auto clip = TIGPGraphicsPath::Create();
  clip->AddRectangle({0, 0, 1, 1});
  g->SetClip(*clip);
  g->Save();
  g->RotateTransform(90);
  g->Restore(outer);  // drops the inner state too
  EXPECT_EQ(g->GetSmoothingMode(), SmoothingModeDefault);
  EXPECT_EQ(g->GetTransform(), (TIGPMatrix{1, 0, 0, 1, 5, 0}));
  g->FillRectangle(*TIGPSolidBrush::Create(kRed), {0, 0, 20, 20});
  EXPECT_EQ(image->GetPixel(10, 10), kRed);  // no clip left
  EXPECT_EQ(image->GetPixel(2, 10), 0u);     // shifted by the kept translation
}

TEST(GDIPlusDrawingTest, TransformsPrependOrAppend) {
  auto image = TIGPBitmap::Create(4, 4);
  auto g = TIGPGraphics::Create(*image);
  g->ScaleTransform(2, 2);
  g->TranslateTransform(1, 1);  // prepended: in scaled units
  EXPECT_EQ(g->GetTransform(), (TIGPMatrix{2, 0, 0, 2, 2, 2}));
  g->TranslateTransform(1, 1, MatrixOrderAppend);  // appended: in device units
  EXPECT_EQ(g->GetTransform(), (TIGPMatrix{2, 0, 0, 2, 3, 3}));
}

TEST(GDIPlusPathTest, FiguresAndTextGiveOutlinesAtAnyCoordinates) {
  auto path = TIGPGraphicsPath::Create();
  path->AddRectangle({10, 20, 30, 40});
  EXPECT_EQ(path->GetBounds(), (TIGPRectF{10, 20, 30, 40}));
  // Text far off any surface keeps its outline (no culling).
  auto text = TIGPGraphicsPath::Create();
  text->AddString("Wg", *TIGPFontFamily::Create("DejaVu Sans"), FontStyleBold, 40, {5000, 9000});
  const TIGPRectF bounds = text->GetBounds();
  EXPECT_GT(text->GetPointCount(), 20);
  EXPECT_GE(bounds.X, 5000);
  EXPECT_GE(bounds.Y, 9000);
  EXPECT_GT(bounds.Height, 20);
}

TEST(GDIPlusFontTest, TextSizeFollowsEmSizeUnitAndStyle) {
  auto image = TIGPBitmap::Create(1, 1);
  auto g = TIGPGraphics::Create(*image);
  auto family = TIGPFontFamily::Create("Microsoft Sans Serif");  // a substitute is found
  auto small = TIGPFont::Create(family, 10), large = TIGPFont::Create(family, 20);
  auto bold = TIGPFont::Create(family, 10, FontStyleBold);
  EXPECT_FLOAT_EQ(small->GetPixelSize(), 10 * 96.0f / 72);
  EXPECT_FLOAT_EQ(TIGPFont::Create(family, 10, 0, UnitPixel)->GetPixelSize(), 10);
  const TIGPSizeF a = g->MeasureString("Corvane", *small), b = g->MeasureString("Corvane", *large);
  EXPECT_GT(a.Width, 20);
  EXPECT_NEAR(b.Width / a.Width, 2, 0.25);
  EXPECT_GT(g->MeasureString("Corvane", *bold).Width, a.Width);
}

TEST(GDIPlusImageTest, SavedAndLoadedBackEqual) {
  auto image = Render(16, 12, [](IGPGraphics& g) {
    g.FillEllipse(*TIGPLinearGradientBrush::Create({0, 0, 16, 12}, 0x40FF0000, kBlue, LinearGradientModeVertical),
                  {0, 0, 16, 12});
  });
  TMemoryStream stream;
  image->Save(stream, "png");
  stream.SetPosition(0);
  auto loaded = TIGPBitmap::FromStream(stream);
  EXPECT_TRUE(SamePixels(*loaded, *image, 0));

  const std::string file = testing::TempDir() + "gdiplus_image.png";
  image->Save(file, "png");
  EXPECT_TRUE(SamePixels(*TIGPBitmap::FromFile(file), *image, 0));
  std::remove(file.c_str());
}

TEST(GDIPlusImageTest, FormatsAndBadInput) {
  EXPECT_EQ(TIGPImageCodecs::GetFormats(), (std::vector<std::string>{"png", "bmp"}));
  auto image = TIGPBitmap::Create(3, 2);
  image->SetPixel(0, 1, 0xFF102030);  // bottom-left: first pixel of a bottom-up BMP
  TMemoryStream bmp;
  image->Save(bmp, "bmp");
  ASSERT_EQ(bmp.Size(), 54 + 3 * 2 * 4);
  EXPECT_EQ(bmp.Memory()[0], 'B');
  EXPECT_EQ(bmp.Memory()[54], 0x30);  // blue, green, red, alpha
  EXPECT_EQ(bmp.Memory()[57], 0xFF);
  TMemoryStream sink;
  EXPECT_EQ(MessageOf<EWriteError>([&] { image->Save(sink, "tiff"); }), "Unknown image format tiff");
  TMemoryStream junk;
  junk.Write("not an image", 12);
  junk.SetPosition(0);
  EXPECT_EQ(MessageOf<EReadError>([&] { TIGPBitmap::FromStream(junk); }), "Invalid image");
  EXPECT_EQ(MessageOf<EFOpenError>([] { TIGPBitmap::FromFile("/nonexistent/x.png"); }),
            "Cannot open file \"/nonexistent/x.png\".");
}

}  // namespace
}  // namespace corvane::test
