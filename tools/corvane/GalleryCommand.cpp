// `corvane gallery OUT.png`: one labelled sheet with every shading routine, every brush kind and
// hatch style, the pen settings (widths, alignments, joins, dash styles, compound lines) and the
// font styles, drawn with the drawing wrapper and saved as PNG.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include <CLI/CLI.hpp>

#include "corvane/drawing/RQGDIPlusProperties.Primitives.h"
#include "kelvra/Kelvra.GDIPlus.h"
#include "tools/corvane/AlgorithmCommands.h"

namespace corvane::tool {
namespace {

using namespace kelvra;

constexpr int kSheetWidth = 1280, kSheetHeight = 1600;
constexpr TAlphaColor kInk = 0xFF202020, kPaper = 0xFFF4F4F0;
constexpr TAlphaColor kDark = 0xFF303848, kLight = 0xFFE8ECF4, kBlue = 0xFF2060C0;

// Lays out labelled cells left to right in rows under section headings.
class TSheet {
 public:
  explicit TSheet(IGPGraphics& graphics)
      : g_(graphics),
        family_(TIGPFontFamily::Create("DejaVu Sans")),
        label_(TIGPFont::Create(family_, 7.5f)),
        heading_(TIGPFont::Create(family_, 11, FontStyleBold)) {}

  IGPGraphics& Graphics() { return g_; }
  const TIntf<IGPFontFamily>& Family() { return family_; }

  void Section(const std::string& title) {
    NewRow();
    y_ += 8;
    g_.DrawString(title, *heading_, *TIGPSolidBrush::Create(kInk), {kMargin, y_});
    y_ += 22;
  }

  // A cell of the size with the label under it; `draw` gets the drawing area.
  void Cell(const std::string& label, float width, float height,
            const std::function<void(const TIGPRectF&)>& draw) {
    if (x_ + width > kSheetWidth - kMargin) NewRow();
    const TIGPRectF area{x_, y_, width, height};
    const uint32_t state = g_.Save();
    draw(area);
    g_.Restore(state);
    g_.DrawString(label, *label_, *TIGPSolidBrush::Create(kInk), {x_, y_ + height + 2});
    x_ += width + kGap;
    rowHeight_ = std::max(rowHeight_, height + 26);
  }

  void NewRow() {
    if (x_ > kMargin) y_ += rowHeight_ + 6;
    x_ = kMargin;
    rowHeight_ = 0;
  }

 private:
  static constexpr float kMargin = 16, kGap = 14;
  IGPGraphics& g_;
  TIntf<IGPFontFamily> family_;
  TIntf<IGPFont> label_, heading_;
  float x_ = kMargin, y_ = 8, rowHeight_ = 0;
};

TIGPRectF Inset(const TIGPRectF& r, float d) {
  return {r.X + d, r.Y + d, r.Width - 2 * d, r.Height - 2 * d};
}

void DrawPrimitives(TSheet& sheet) {
  IGPGraphics& g = sheet.Graphics();
  sheet.Section("Shading routines");
  const float w = 150, h = 96;
  sheet.Cell("RQDrawLine3DF\n(forward, back)", w, h, [&](const TIGPRectF& r) {
    for (int i = 0; i < 8; ++i) {
      const float a = float(i) * 0.785398f, cx = r.X + 40, cy = r.Y + 48;
      RQDrawLine3DF(g, kDark, kLight, cx, cy, cx + 36 * std::cos(a), cy + 36 * std::sin(a), 4, true);
      RQDrawLine3DF(g, kDark, kLight, cx + 70, cy, cx + 70 + 36 * std::cos(a), cy + 36 * std::sin(a), 4, false);
    }
  });
  sheet.Cell("RQDrawFrame3DF", w, h, [&](const TIGPRectF& r) {
    RQDrawFrame3DF(g, kLight, kDark, Inset(r, 8), 8);
  });
  sheet.Cell("RQDrawDiamondFrame3DF", w, h, [&](const TIGPRectF& r) {
    RQDrawDiamondFrame3DF(g, kLight, kDark, Inset(r, 8), 8);
  });
  sheet.Cell("RQDrawRoundRectangle3DF", w, h, [&](const TIGPRectF& r) {
    RQDrawRoundRectangle3DF(g, kLight, kDark, Inset(r, 8), {14, 14}, 6);
  });
  sheet.Cell("RQDrawRound-\nDiamondFrame3DF", w, h, [&](const TIGPRectF& r) {
    RQDrawRoundDiamondFrame3DF(g, kLight, kDark, Inset(r, 8), {24, 16}, 6);
  });
  sheet.Cell("RQDrawEllipse3DF", w, h, [&](const TIGPRectF& r) {
    RQDrawEllipse3DF(g, kLight, kDark, Inset(r, 8), 8);
  });
  sheet.Cell("RQDrawGlobeEllipse3DF", w, h, [&](const TIGPRectF& r) {
    RQDrawGlobeEllipse3DF(g, kLight, kDark, Inset(r, 8), 8);
  });
  sheet.Cell("RQGlossRectangle3DF", w, h, [&](const TIGPRectF& r) {
    g.FillRectangle(*TIGPSolidBrush::Create(kBlue), Inset(r, 4));
    RQGlossRectangle3DF(g, 0x00FFFFFF, 0xC0FFFFFF, Inset(r, 4));
  });
  sheet.Cell("RQGlossRectangle3DF\n(colour 2 white 110)", w, h, [&](const TIGPRectF& r) {
    g.FillRectangle(*TIGPSolidBrush::Create(0xFF208040), Inset(r, 4));
    RQGlossRectangle3DF(g, 0x00FFFFFF, Inset(r, 4));
  });
  sheet.Cell("RQGlossDiamond3DF", w, h, [&](const TIGPRectF& r) {
    RQFillRoundDiamondF(g, *TIGPSolidBrush::Create(kBlue), Inset(r, 4), {0, 0});
    RQGlossDiamond3DF(g, 0x00FFFFFF, 0xC0FFFFFF, Inset(r, 4));
  });
  sheet.Cell("RQGlossRoundDiamond3DF", w, h, [&](const TIGPRectF& r) {
    RQFillRoundDiamondF(g, *TIGPSolidBrush::Create(0xFFA03020), Inset(r, 4), {24, 16});
    RQGlossRoundDiamond3DF(g, 0x00FFFFFF, 0xC0FFFFFF, Inset(r, 4), {24, 16});
  });
  sheet.Cell("RQGlossRoundRectangle3DF", w, h, [&](const TIGPRectF& r) {
    g.FillRoundRect(*TIGPSolidBrush::Create(kBlue), Inset(r, 4), {14, 14});
    RQGlossRoundRectangle3DF(g, 0x40FFFFFF, 0xE0FFFFFF, Inset(r, 4), {14, 14});
  });
  sheet.Cell("RQGlossRoundRectangle3DF\n(colour 2 white 110)", w, h, [&](const TIGPRectF& r) {
    g.FillRoundRect(*TIGPSolidBrush::Create(0xFF208040), Inset(r, 4), {14, 14});
    RQGlossRoundRectangle3DF(g, 0x40FFFFFF, Inset(r, 4), {14, 14});
  });
  sheet.Cell("RQGlossEllipse3DF", w, h, [&](const TIGPRectF& r) {
    RQGlossEllipse3DF(g, kBlue, 0xFFFFFFFF, Inset(r, 4));
  });
  sheet.Cell("RQGlossEllipse3DF\n(colour 2 white 110)", w, h, [&](const TIGPRectF& r) {
    RQGlossEllipse3DF(g, 0xFFC02020, {r.X + 45, r.Y + 4, 60, 88});
  });
  sheet.Cell("RQFillBulb3DF", w, h, [&](const TIGPRectF& r) {
    RQFillBulb3DF(g, 0xFF20C020, {r.X + 10, r.Y + 18, 60, 60});
    RQFillBulb3DF(g, 0xFFE02020, {r.X + 84, r.Y + 28, 40, 40});
  });
  sheet.Cell("RQDrawRoundDiamondF\n(pen; pen and brush)", w, h, [&](const TIGPRectF& r) {
    RQDrawRoundDiamondF(g, *TIGPPen::Create(kDark, 2), {r.X + 4, r.Y + 8, 66, 80}, {16, 12});
    RQDrawRoundDiamondF(g, *TIGPPen::Create(kDark, 2), *TIGPSolidBrush::Create(0xFFE0B040),
                        {r.X + 80, r.Y + 8, 66, 80}, {16, 12});
  });
  sheet.Cell("RQFillRoundDiamondF\n(corner 0x5: sharp; 20x20)", w, h, [&](const TIGPRectF& r) {
    RQFillRoundDiamondF(g, *TIGPSolidBrush::Create(0xFF8040C0), {r.X + 4, r.Y + 8, 66, 80}, {0, 5});
    RQFillRoundDiamondF(g, *TIGPSolidBrush::Create(0xFF8040C0), {r.X + 80, r.Y + 8, 66, 80}, {20, 20});
  });
  sheet.Cell("RQDimColor\n(0.25 to 1.75)", w, h, [&](const TIGPRectF& r) {
    for (int i = 0; i < 7; ++i)
      g.FillRectangle(*TIGPSolidBrush::Create(RQDimColor(0xFF4080A0, 0.25f * float(i + 1))),
                      {r.X + float(i) * 21, r.Y + 10, 20, 76});
  });
  sheet.Cell("RQInterpolateColorF\n(t = 0 to 1)", w, h, [&](const TIGPRectF& r) {
    for (int i = 0; i <= 14; ++i)
      g.FillRectangle(*TIGPSolidBrush::Create(RQInterpolateColorF(0xFFC02020, 0xFF2020C0, float(i) / 14)),
                      {r.X + float(i) * 10, r.Y + 10, 10, 76});
  });
  sheet.Cell("RQColorFromAngle\n(0 to 2 pi)", w, h, [&](const TIGPRectF& r) {
    for (int i = 0; i < 36; ++i)
      g.FillPie(*TIGPSolidBrush::Create(RQColorFromAngle(kDark, kLight, float(i) * 0.174533f)),
                {r.X + 27, r.Y + 2, 92, 92}, float(i) * 10 - 5, 10.5f);
  });
}

void DrawBrushes(TSheet& sheet) {
  IGPGraphics& g = sheet.Graphics();
  sheet.Section("Brushes: solid, hatch styles");
  sheet.Cell("solid", 60, 36, [&](const TIGPRectF& r) { g.FillRectangle(*TIGPSolidBrush::Create(kBlue), r); });
  for (int style = 0; style < HatchStyleTotal; ++style)
    sheet.Cell(kHatchStyleNames[style], 110, 36, [&](const TIGPRectF& r) {
      g.FillRectangle(*TIGPHatchBrush::Create(TIGPHatchStyle(style), kDark, 0xFFFFFFFF), r);
    });

  sheet.Section("Brushes: texture (wrap modes), linear gradients, path gradients");
  auto tile = TIGPBitmap::Create(24, 24);
  {
    auto tg = TIGPGraphics::Create(*tile);
    tg->SetSmoothingMode(SmoothingModeAntiAlias);
    tg->FillRectangle(*TIGPSolidBrush::Create(0xFFFFE0A0), {0, 0, 24, 24});
    const TPointF arrow[] = {{2, 12}, {14, 2}, {14, 8}, {22, 8}, {22, 16}, {14, 16}, {14, 22}};
    tg->FillPolygon(*TIGPSolidBrush::Create(0xFFC04020), arrow);
  }
  const char* wrapNames[] = {"texture Tile", "TileFlipX", "TileFlipY", "TileFlipXY", "Clamp"};
  for (int mode = 0; mode <= WrapModeClamp; ++mode)
    sheet.Cell(wrapNames[mode], 90, 70, [&](const TIGPRectF& r) {
      auto brush = TIGPTextureBrush::Create(*tile, TIGPWrapMode(mode));
      brush->TranslateTransform(r.X + 8, r.Y + 8);
      g.FillRectangle(*brush, r);
    });
  const char* modeNames[] = {"linear Horizontal", "Vertical", "ForwardDiagonal", "BackwardDiagonal"};
  for (int mode = 0; mode < 4; ++mode)
    sheet.Cell(modeNames[mode], 90, 70, [&](const TIGPRectF& r) {
      g.FillRectangle(*TIGPLinearGradientBrush::Create(r, 0xFFE02020, 0xFF2020E0,
                                                       TIGPLinearGradientMode(mode)), r);
    });
  sheet.Cell("two points,\nTileFlipX", 90, 70, [&](const TIGPRectF& r) {
    auto brush = TIGPLinearGradientBrush::Create({r.X + 20, r.Y}, {r.X + 45, r.Y + 20}, 0xFFFFFF00, 0xFF008000);
    brush->SetWrapMode(WrapModeTileFlipX);
    g.FillRectangle(*brush, r);
  });
  sheet.Cell("blend, triangular", 90, 70, [&](const TIGPRectF& r) {
    auto brush = TIGPLinearGradientBrush::Create(r, 0xFF000000, 0xFFFFFFFF, LinearGradientModeHorizontal);
    brush->SetBlendTriangularShape(0.3f);
    g.FillRectangle(*brush, r);
  });
  sheet.Cell("bell, gamma\ncorrected", 90, 70, [&](const TIGPRectF& r) {
    auto brush = TIGPLinearGradientBrush::Create(r, 0xFF0000FF, 0xFFFFFF00, LinearGradientModeHorizontal);
    brush->SetBlendBellShape(0.5f);
    brush->SetGammaCorrection(true);
    g.FillRectangle(*brush, r);
  });
  sheet.Cell("interpolation\ncolours", 90, 70, [&](const TIGPRectF& r) {
    auto brush = TIGPLinearGradientBrush::Create(r, 0, 0, LinearGradientModeHorizontal);
    const TIGPInterpolationColor colors[] = {
        {0, 0xFFFF0000}, {0.33f, 0xFFFFFF00}, {0.66f, 0xFF00C000}, {1, 0xFF0000FF}};
    brush->SetInterpolationColors(colors);
    g.FillRectangle(*brush, r);
  });
  sheet.Cell("path: centre,\nsurround colours", 90, 70, [&](const TIGPRectF& r) {
    const TPointF star[] = {{r.X + 45, r.Y}, {r.X + 90, r.Y + 28}, {r.X + 72, r.Y + 70},
                            {r.X + 18, r.Y + 70}, {r.X, r.Y + 28}};
    auto brush = TIGPPathGradientBrush::Create(star);
    brush->SetCenterColor(0xFFFFFFFF);
    const TAlphaColor around[] = {0xFFFF0000, 0xFF00C000, 0xFF0000FF, 0xFFFFC000, 0xFF8000FF};
    brush->SetSurroundColors(around);
    g.FillPolygon(*brush, star);
  });
  sheet.Cell("path: ellipse,\ncentre point, bell", 90, 70, [&](const TIGPRectF& r) {
    auto path = TIGPGraphicsPath::Create();
    path->AddEllipse(r);
    auto brush = TIGPPathGradientBrush::Create(*path);
    brush->SetCenterColor(0xFFFFFF80);
    const TAlphaColor around[] = {0xFF004080};
    brush->SetSurroundColors(around);
    brush->SetCenterPoint({r.X + 30, r.Y + 24});
    brush->SetBlendBellShape(0.6f);
    g.FillPath(*brush, *path);
  });
}

void DrawPens(TSheet& sheet) {
  IGPGraphics& g = sheet.Graphics();
  sheet.Section("Pens: widths, alignment, line joins, miter limit, dash styles, compound lines");
  sheet.Cell("widths 1, 2, 4, 8", 110, 60, [&](const TIGPRectF& r) {
    const float widths[] = {1, 2, 4, 8};
    float y = r.Y + 6;
    for (float width : widths) {
      g.DrawLine(*TIGPPen::Create(kDark, width), r.X, y, r.X + r.Width, y);
      y += width + 8;
    }
  });
  const char* alignNames[] = {"PenAlignmentCenter", "PenAlignmentInset"};
  for (int align = 0; align < 2; ++align)
    sheet.Cell(alignNames[align], 110, 60, [&](const TIGPRectF& r) {
      const TIGPRectF box = Inset(r, 10);
      g.FillRectangle(*TIGPSolidBrush::Create(0xFFD0D8E8), box);
      auto pen = TIGPPen::Create(0xA0C02020, 10);
      pen->SetAlignment(TIGPPenAlignment(align));
      g.DrawRectangle(*pen, box);
      g.DrawRectangle(*TIGPPen::Create(kInk, 1), box);
    });
  const char* joinNames[] = {"LineJoinMiter", "LineJoinBevel", "LineJoinRound", "LineJoinMiterClipped"};
  for (int join = 0; join < 4; ++join)
    sheet.Cell(joinNames[join], 110, 60, [&](const TIGPRectF& r) {
      auto pen = TIGPPen::Create(kBlue, 10);
      pen->SetLineJoin(TIGPLineJoin(join));
      const TPointF zig[] = {{r.X + 10, r.Y + 50}, {r.X + 40, r.Y + 10}, {r.X + 70, r.Y + 50}, {r.X + 100, r.Y + 14}};
      g.DrawLines(*pen, zig);
    });
  sheet.Cell("miter limit 1 / 10", 110, 60, [&](const TIGPRectF& r) {
    for (int i = 0; i < 2; ++i) {
      auto pen = TIGPPen::Create(kBlue, 8);
      pen->SetMiterLimit(i == 0 ? 1.0f : 10.0f);
      const float x = r.X + 12 + float(i) * 50;
      const TPointF spike[] = {{x, r.Y + 55}, {x + 15, r.Y + 12}, {x + 30, r.Y + 55}};
      g.DrawLines(*pen, spike);
    }
  });
  sheet.NewRow();
  const char* dashNames[] = {"DashStyleSolid", "DashStyleDash", "DashStyleDot", "DashStyleDashDot",
                             "DashStyleDashDotDot", "DashStyleCustom 4 1 1 1 1 3"};
  for (int dash = 0; dash <= DashStyleCustom; ++dash)
    sheet.Cell(dashNames[dash], 170, 30, [&](const TIGPRectF& r) {
      auto pen = TIGPPen::Create(kDark, 4);
      if (dash == DashStyleCustom) {
        const float pattern[] = {4, 1, 1, 1, 1, 3};
        pen->SetDashPattern(pattern);
      } else {
        pen->SetDashStyle(TIGPDashStyle(dash));
      }
      g.DrawLine(*pen, r.X, r.Y + 8, r.X + r.Width, r.Y + 8);
      pen->SetDashOffset(1.5f);
      g.DrawLine(*pen, r.X, r.Y + 22, r.X + r.Width, r.Y + 22);
    });
  sheet.Cell("compound 0 .2 .4 .6 .8 1", 170, 30, [&](const TIGPRectF& r) {
    auto pen = TIGPPen::Create(0xFF806020, 18);
    const float bands[] = {0, 0.2f, 0.4f, 0.6f, 0.8f, 1};
    pen->SetCompoundArray(bands);
    g.DrawLine(*pen, r.X, r.Y + 14, r.X + r.Width, r.Y + 14);
  });
  sheet.Cell("brush pens: hatch, gradient", 170, 30, [&](const TIGPRectF& r) {
    g.DrawLine(*TIGPPen::Create(TIGPHatchBrush::Create(HatchStyleLargeCheckerBoard, kDark, 0xFFFFE040), 10),
               r.X, r.Y + 6, r.X + r.Width, r.Y + 6);
    auto gradient = TIGPLinearGradientBrush::Create(r, 0xFFE02020, 0xFF2020E0, LinearGradientModeHorizontal);
    g.DrawLine(*TIGPPen::Create(gradient, 10), r.X, r.Y + 22, r.X + r.Width, r.Y + 22);
  });
}

void DrawFonts(TSheet& sheet) {
  IGPGraphics& g = sheet.Graphics();
  sheet.Section("Fonts: styles and sizes");
  const struct {
    const char* name;
    int32_t style;
  } styles[] = {{"Regular", FontStyleRegular},     {"Bold", FontStyleBold},
                {"Italic", FontStyleItalic},       {"Underline", FontStyleUnderline},
                {"Strikeout", FontStyleStrikeout}, {"Bold Italic", FontStyleBold | FontStyleItalic}};
  for (const auto& style : styles)
    sheet.Cell(style.name, 190, 30, [&](const TIGPRectF& r) {
      auto font = TIGPFont::Create(TIGPFontFamily::Create("Microsoft Sans Serif"), 14, style.style);
      g.DrawString("Corvane 0123", *font, *TIGPSolidBrush::Create(kInk), {r.X, r.Y});
    });
  for (const float size : {8.0f, 12.0f, 18.0f, 26.0f})
    sheet.Cell(std::to_string(int(size)) + " pt", 280, 44, [&](const TIGPRectF& r) {
      auto font = TIGPFont::Create(TIGPFontFamily::Create("DejaVu Serif"), size);
      g.DrawString("Gallery", *font, *TIGPSolidBrush::Create(kBlue), {r.X, r.Y});
    });
  sheet.Cell("text path: gradient fill, pen outline", 280, 56, [&](const TIGPRectF& r) {
    auto path = TIGPGraphicsPath::Create();
    path->AddString("Outline", *sheet.Family(), FontStyleBold, 44, {r.X, r.Y});
    g.FillPath(*TIGPLinearGradientBrush::Create(r, 0xFFFFE040, 0xFFE04000, LinearGradientModeVertical), *path);
    g.DrawPath(*TIGPPen::Create(kDark, 1.5f), *path);
  });
}

}  // namespace

int RunGallery(int argc, char** argv) {
  CLI::App app{"Draws one labelled sheet with every shading routine, brush kind and hatch style, "
               "pen setting and font style, and saves it as PNG.",
               "corvane gallery"};
  std::string output;
  app.add_option("OUT", output, "the PNG file to write")->required();
  if (auto status = ParseArguments(app, argc, argv)) return *status;
  auto sheet = TIGPBitmap::Create(kSheetWidth, kSheetHeight);
  {
    auto graphics = TIGPGraphics::Create(*sheet);
    graphics->Clear(kPaper);
    graphics->SetSmoothingMode(SmoothingModeAntiAlias);
    TSheet layout(*graphics);
    DrawPrimitives(layout);
    DrawBrushes(layout);
    DrawPens(layout);
    DrawFonts(layout);
  }
  return SavePng(app, *sheet, output);
}

}  // namespace corvane::tool
