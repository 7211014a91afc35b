#include "corvane/drawing/RQGDIPlusProperties.Primitives.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace corvane {

using kelvra::TIGPLinearGradientBrush;
using kelvra::TIGPPathGradientBrush;
using kelvra::TIGPPen;
using kelvra::TIGPSolidBrush;
using kelvra::TIntf;
using kelvra::TPointF;

namespace {

constexpr double kPi = std::numbers::pi;
// The lighting model's phase: a quarter of π as a 32-bit float, as the model states it.
constexpr double kLightPhase = 0.7853982;
constexpr double kRadiansPerDegree = 0.017453292519943295;

// Rounds to the nearest integer, halves to even.
double RoundEven(double x) { return std::nearbyint(x); }

uint32_t Channel(TAlphaColor color, int shift) { return (color >> shift) & 0xFF; }

TAlphaColor WithAlpha(TAlphaColor color, uint32_t alpha) {
  return (color & 0x00FFFFFF) | std::min<uint32_t>(alpha, 255) << 24;
}

// The model's blend for a facing with sin value s: t = s/2 + 0.5.
TAlphaColor LitColor(TAlphaColor c1, TAlphaColor c2, double sine) {
  return RQInterpolateColorF(c1, c2, float(sine / 2 + 0.5));
}

TIGPRectF Inflated(const TIGPRectF& r, float dx, float dy) {
  return {r.X - dx, r.Y - dy, r.Width + 2 * dx, r.Height + 2 * dy};
}

void FillQuad(IGPGraphics& g, TAlphaColor color, std::initializer_list<TPointF> points) {
  g.FillPolygon(*TIGPSolidBrush::Create(color), {points.begin(), points.size()});
}

// The forward-diagonal gloss brush over R from c1 to c2 with the gloss factors at `positions`.
TIntf<kelvra::IGPLinearGradientBrush> GlossBrush(TAlphaColor c1, TAlphaColor c2, const TIGPRectF& r,
                                                 const float (&positions)[6]) {
  static constexpr float kFactors[6] = {0.35f, 1.0f, 1.0f, 0.5f, 0.0f, 0.0f};
  auto brush = TIGPLinearGradientBrush::Create(r, c1, c2, kelvra::LinearGradientModeForwardDiagonal);
  brush->SetBlend(kFactors, positions);
  return brush;
}

// The gloss positions [0, 0.1, 0.3, 0.5, 0.7, 1.0], the first five scaled to R's aspect.
TIntf<kelvra::IGPLinearGradientBrush> ScaledGlossBrush(TAlphaColor c1, TAlphaColor c2,
                                                       const TIGPRectF& r) {
  const float aspect = std::min(r.Width, r.Height) / std::max(r.Width, r.Height);
  const float positions[6] = {0, 0.1f * aspect, 0.3f * aspect, 0.5f * aspect, 0.7f * aspect, 1.0f};
  return GlossBrush(c1, c2, r, positions);
}

TIntf<kelvra::IGPLinearGradientBrush> DiamondGlossBrush(TAlphaColor c1, TAlphaColor c2,
                                                        const TIGPRectF& r) {
  static constexpr float kPositions[6] = {0, 0.2f, 0.4f, 0.6f, 0.8f, 1.0f};
  return GlossBrush(c1, c2, r, kPositions);
}

std::array<TPointF, 4> DiamondOf(const TIGPRectF& r) {
  return {{{r.X, r.Y + r.Height / 2},
           {r.X + r.Width / 2, r.Y},
           {r.X + r.Width, r.Y + r.Height / 2},
           {r.X + r.Width / 2, r.Y + r.Height}}};
}

bool SharpCorner(TIGPSizeF c) { return c.Width <= 0.001f || c.Height <= 0.001f; }

// A ring of 5-degree steps of colour that follows the direction of the edge of `a`, from
// `startAngle` over `sweepAngle` degrees, on a bitmap that a texture brush carries onto the pen
// of width `width`, with which `drawRing` draws.
template <class FDraw>
void DrawShadedRing(TAlphaColor c1, TAlphaColor c2, const TIGPRectF& a, float width,
                    float startAngle, float sweepAngle, FDraw drawRing) {
  const TIGPRectF bounds{0, 0, a.Width + width + 10, a.Height + width + 10};
  auto bitmap = kelvra::TIGPBitmap::Create(int32_t(RoundEven(bounds.Width + 1)),
                                           int32_t(RoundEven(bounds.Height + 1)));
  auto canvas = kelvra::TIGPGraphics::Create(*bitmap);
  const TPointF m{bounds.Width / 2, bounds.Height / 2};
  const double r = bounds.Width / 2;
  TAlphaColor previous = LitColor(c1, c2, std::sin(startAngle * kPi / 180 + kLightPhase));
  const long steps = long(RoundEven(startAngle + sweepAngle)) / 5 - long(RoundEven(startAngle)) / 5;
  double d = startAngle;
  for (long step = 0; step < steps; ++step) {
    d += 5;
    const double angle = d * kRadiansPerDegree, back = angle - 0.10471975511965977;
    TPointF p1{float(m.X + r * std::cos(back)), float(m.Y + r * std::sin(back))};
    TPointF p2{float(m.X + r * std::cos(angle)), float(m.Y + r * std::sin(angle))};
    if (p1.Y == p2.Y) p2.Y += 0.01f;
    if (p1.X == p2.X) p2.X += 0.01f;
    const TAlphaColor next = LitColor(c1, c2, std::sin(angle + kLightPhase));
    const TPointF wedge[] = {p1, p2};
    auto brush = TIGPPathGradientBrush::Create(wedge, kelvra::WrapModeClamp);
    brush->SetCenterPoint(m);
    const TAlphaColor surround[] = {previous, next};
    brush->SetSurroundColors(surround);
    brush->SetCenterColor(next);
    canvas->FillPie(*brush, bounds, float(d - 6), 6);
    previous = next;
  }
  canvas.reset();
  auto texture = kelvra::TIGPTextureBrush::Create(*bitmap, kelvra::WrapModeTile);
  texture->TranslateTransform(a.X - width / 2 - 5, a.Y - width / 2 - 5);
  drawRing(*TIGPPen::Create(texture, width));
}

void DrawShadedArc(IGPGraphics& g, TAlphaColor c1, TAlphaColor c2, const TIGPRectF& a, float width,
                   float startAngle, float sweepAngle) {
  DrawShadedRing(c1, c2, a, width, startAngle, sweepAngle,
                 [&](const IGPPen& pen) { g.DrawArc(pen, a, startAngle, sweepAngle); });
}

}  // namespace

TAlphaColor RQDimColor(TAlphaColor AColor, float AFactor) {
  const auto dim = [&](int shift) {
    const float value = float(Channel(AColor, shift)) * AFactor;
    return uint32_t(std::clamp(RoundEven(value), 0.0, 255.0)) << shift;
  };
  return (AColor & 0xFF000000) | dim(16) | dim(8) | dim(0);
}

TAlphaColor RQInterpolateColorF(TAlphaColor AColor1, TAlphaColor AColor2, float AT) {
  const float t = float(std::clamp(AT - 0.095 * std::sin(2 * kPi * AT), 0.0, 1.0));
  const double a1 = Channel(AColor1, 24), a2 = Channel(AColor2, 24);
  const uint32_t alpha = uint32_t(RoundEven(a1 + (a2 - a1) * t));
  const auto blend = [&](int shift) {
    const float c1 = float(Channel(AColor1, shift)), c2 = float(Channel(AColor2, shift));
    const float value = c1 + (c2 - c1) * t;
    return uint32_t(RoundEven(value)) << shift;
  };
  return alpha << 24 | blend(16) | blend(8) | blend(0);
}

TAlphaColor RQColorFromAngle(TAlphaColor AColor1, TAlphaColor AColor2, float AAngle) {
  return LitColor(AColor1, AColor2, std::sin(AAngle + kLightPhase));
}

double RQSec(double AX) { return 1 / std::cos(AX); }
double RQCsc(double AX) { return 1 / std::sin(AX); }

void RQDrawLine3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2, float AX1,
                   float AY1, float AX2, float AY2, float AWidth, bool AForward) {
  double theta = std::atan2(double(AY2) - AY1, double(AX2) - AX1);
  if (!AForward) theta += kPi;
  const auto pen = TIGPPen::Create(RQColorFromAngle(AColor1, AColor2, float(theta)), AWidth);
  AGraphics.DrawLine(*pen, AX1, AY1, AX2, AY2);
}

void RQDrawFrame3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                    const TIGPRectF& ARect, float AWidth) {
  const uint32_t state = AGraphics.Save();
  AGraphics.TranslateTransform(ARect.X - AWidth / 2, ARect.Y - AWidth / 2);
  const kelvra::TIGPSmoothingMode smoothing = AGraphics.GetSmoothingMode();
  AGraphics.SetSmoothingMode(kelvra::SmoothingModeDefault);
  const float w = ARect.Width, h = ARect.Height, W = AWidth;
  const auto lit = [&](double a) { return LitColor(AColor1, AColor2, std::sin(a)); };
  FillQuad(AGraphics, lit(kPi + kLightPhase), {{0, 0}, {w + W, 0}, {w, W}, {W, W}});
  FillQuad(AGraphics, lit(3 * kPi / 2 + kLightPhase), {{0, h + W}, {0, 0}, {W, W}, {W, h}});
  FillQuad(AGraphics, lit(kPi / 2 + kLightPhase), {{w + W, 0}, {w + W, h + W}, {w, h}, {w, W}});
  FillQuad(AGraphics, lit(kLightPhase), {{0, W + h}, {w + W, h + W}, {w, h}, {W, h}});
  AGraphics.Restore(state);
  AGraphics.SetSmoothingMode(smoothing);
}

void RQDrawDiamondFrame3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                           const TIGPRectF& ARect, float AWidth) {
  const uint32_t state = AGraphics.Save();
  const float w = ARect.Width, h = ARect.Height;
  const double theta = std::atan2(w, h);
  const float dx = float(AWidth * RQSec(theta)), dy = float(AWidth * RQCsc(theta));
  const float mx = (w + dx) / 2, my = (h + dy) / 2;
  AGraphics.TranslateTransform(ARect.X - dx / 2, ARect.Y - dy / 2);
  const float phi = float(std::atan2(h, w)), opposite = 3.1415927f - phi;
  FillQuad(AGraphics, RQColorFromAngle(AColor2, AColor1, phi),
           {{0, my + 0.2f}, {mx + 0.2f, 0}, {mx + 0.2f, dy}, {dx, my + 0.2f}});
  FillQuad(AGraphics, RQColorFromAngle(AColor1, AColor2, opposite),
           {{mx - 0.2f, 0}, {w + dx, my + 0.2f}, {w, my + 0.2f}, {mx - 0.2f, dy}});
  FillQuad(AGraphics, RQColorFromAngle(AColor1, AColor2, phi),
           {{w + dx, my - 0.2f}, {mx - 0.2f, h + dy}, {mx - 0.2f, h}, {w, my - 0.2f}});
  FillQuad(AGraphics, RQColorFromAngle(AColor2, AColor1, opposite),
           {{mx + 0.2f, h + dy}, {0, my - 0.2f}, {dx, my - 0.2f}, {mx + 0.2f, h}});
  AGraphics.Restore(state);
}

void RQGlossRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                         const TIGPRectF& ARect) {
  AGraphics.FillRectangle(*ScaledGlossBrush(AColor1, AColor2, ARect), ARect);
}

void RQGlossRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, const TIGPRectF& ARect) {
  RQGlossRectangle3DF(AGraphics, AColor1, 0x6EFFFFFF, ARect);
}

void RQGlossDiamond3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                       const TIGPRectF& ARect) {
  const auto diamond = DiamondOf(ARect);
  AGraphics.FillPolygon(*DiamondGlossBrush(AColor1, AColor2, ARect), diamond);
}

void RQGlossEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                       const TIGPRectF& ARect) {
  constexpr TAlphaColor kTransparent = 0x00FFFFFF;
  const TAlphaColor highlight = WithAlpha(AColor2, uint32_t(RoundEven(Channel(AColor2, 24) * 0.75)));
  if (AColor1 >> 24) AGraphics.FillEllipse(*TIGPSolidBrush::Create(AColor1), ARect);
  const float ratio = ARect.Width <= ARect.Height ? ARect.Width / ARect.Height : ARect.Height / ARect.Width;
  const float s = std::max(ARect.Width, ARect.Height);
  const TIGPRectF h{ARect.X + 0.09f * s, ARect.Y + 0.03f * s, 0.82f * s, 0.7f * s};
  const TIGPRectF brushRect{h.X, h.Y, h.Width + 1, h.Height + 1};

  auto linear = TIGPLinearGradientBrush::Create(brushRect, kTransparent, highlight,
                                                kelvra::LinearGradientModeVertical);
  linear->SetBlendBellShape(0.05f, 1.0f);
  auto outline = kelvra::TIGPGraphicsPath::Create();
  outline->AddEllipse(brushRect);
  auto glow = TIGPPathGradientBrush::Create(*outline);
  glow->SetCenterColor(highlight);
  const TAlphaColor surround[] = {kTransparent};
  glow->SetSurroundColors(surround);
  glow->SetCenterPoint({h.X + h.Width / 2, h.Y + h.Height / 6});
  static constexpr float kFactors[] = {0, 0.6f, 0.9f, 1.0f}, kPositions[] = {0, 0.3f, 0.6f, 1.0f};
  glow->SetBlend(kFactors, kPositions);

  const uint32_t state = AGraphics.Save();
  AGraphics.TranslateTransform(ARect.X + ARect.Width / 2, ARect.Y + ARect.Height / 2);
  if (ARect.Width <= ARect.Height)
    AGraphics.ScaleTransform(ratio, 1);
  else
    AGraphics.ScaleTransform(1, ratio);
  AGraphics.RotateTransform(-45);
  AGraphics.TranslateTransform(-(2 * ARect.X + s) / 2, -(2 * ARect.Y + s) / 2);
  AGraphics.FillEllipse(*glow, h);
  AGraphics.FillEllipse(*linear, h);
  AGraphics.Restore(state);
}

void RQGlossEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, const TIGPRectF& ARect) {
  RQGlossEllipse3DF(AGraphics, AColor1, 0x6EFFFFFF, ARect);
}

void RQFillBulb3DF(IGPGraphics& AGraphics, TAlphaColor AColor, const TIGPRectF& ARect) {
  AGraphics.FillEllipse(*TIGPSolidBrush::Create(AColor), ARect);
  const float w = ARect.Width, h = ARect.Height;
  auto outline = kelvra::TIGPGraphicsPath::Create();
  outline->AddEllipse({ARect.X - w / 22, ARect.Y - h / 22, w - w / 5.3f, h - h / 5.3f});
  auto glow = TIGPPathGradientBrush::Create(*outline);
  const TAlphaColor surround[] = {0};
  glow->SetSurroundColors(surround);
  glow->SetCenterColor(0xD7FFFFFF);
  AGraphics.FillEllipse(*glow, ARect);
  AGraphics.DrawEllipse(*TIGPPen::Create(glow, 1.0f), ARect);
}

kelvra::TIntf<IGPGraphicsPath> RQCreateRoundDiamondPathF(const TIGPRectF& ARect, TIGPSizeF ACorner) {
  auto path = kelvra::TIGPGraphicsPath::Create();
  path->StartFigure();
  if (SharpCorner(ACorner)) {
    const auto diamond = DiamondOf(ARect);
    path->AddLines(diamond);
  } else {
    const float cw = ACorner.Width, ch = ACorner.Height;
    const float a = float(std::atan2(ARect.Width - cw, ARect.Height - ch) / kPi * 180);
    const float midX = ARect.X + (ARect.Width - cw) / 2, midY = ARect.Y + (ARect.Height - ch) / 2;
    path->AddArc({ARect.X, midY, cw, ch}, 180 - a, 2 * a);
    path->AddArc({midX, ARect.Y, cw, ch}, a + 180, 180 - 2 * a);
    path->AddArc({ARect.X + ARect.Width - cw, midY, cw, ch}, 360 - a, 2 * a);
    path->AddArc({midX, ARect.Y + ARect.Height - ch, cw, ch}, a + 360, 180 - 2 * a);
  }
  path->CloseFigure();
  return path;
}

void RQDrawRoundDiamondF(IGPGraphics& AGraphics, const IGPPen& APen, const TIGPRectF& ARect,
                         TIGPSizeF ACorner) {
  if (SharpCorner(ACorner)) {
    const auto diamond = DiamondOf(ARect);
    AGraphics.DrawPolygon(APen, diamond);
  } else {
    AGraphics.DrawPath(APen, *RQCreateRoundDiamondPathF(ARect, ACorner));
  }
}

void RQDrawRoundDiamondF(IGPGraphics& AGraphics, const IGPPen& APen, const IGPBrush& ABrush,
                         const TIGPRectF& ARect, TIGPSizeF ACorner) {
  RQFillRoundDiamondF(AGraphics, ABrush, ARect, ACorner);
  RQDrawRoundDiamondF(AGraphics, APen, ARect, ACorner);
}

void RQFillRoundDiamondF(IGPGraphics& AGraphics, const IGPBrush& ABrush, const TIGPRectF& ARect,
                         TIGPSizeF ACorner) {
  if (SharpCorner(ACorner)) {
    const auto diamond = DiamondOf(ARect);
    AGraphics.FillPolygon(ABrush, diamond);
  } else {
    AGraphics.FillPath(ABrush, *RQCreateRoundDiamondPathF(ARect, ACorner));
  }
}

void RQDrawGlobeEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                           const TIGPRectF& ARect, float AWidth) {
  const float ratio = std::min(ARect.Width, ARect.Height) / std::max(ARect.Width, ARect.Height);
  auto brush = TIGPLinearGradientBrush::Create(Inflated(ARect, AWidth / 2, AWidth / 2), AColor1,
                                               AColor2, 45.0f, false);
  const float factors[] = {0, 0, 1, 1}, positions[] = {0, 0.14f * ratio, 1 - 0.14f * ratio, 1};
  brush->SetBlend(factors, positions);
  AGraphics.DrawEllipse(*TIGPPen::Create(brush, AWidth), ARect);
}

void RQDrawEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                      const TIGPRectF& ARect, float AWidth) {
  DrawShadedRing(AColor1, AColor2, ARect, AWidth, 0, 360,
                 [&](const IGPPen& pen) { AGraphics.DrawEllipse(pen, ARect); });
}

void RQGlossRoundRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                              const TIGPRectF& ARect, TIGPSizeF ACorner) {
  const TIGPSizeF c{std::max(ACorner.Width, 0.000001f), std::max(ACorner.Height, 0.000001f)};
  const TIGPRectF top{ARect.X, ARect.Y, ARect.Width, c.Height + 1};
  const TAlphaColor halfAlpha = WithAlpha(AColor2, Channel(AColor2, 24) / 2);
  auto band = TIGPLinearGradientBrush::Create(top, AColor1, halfAlpha, kelvra::LinearGradientModeVertical);
  static constexpr float kFactors[] = {0, 0.36f, 0.7f, 1.0f, 0.1f};
  static constexpr float kPositions[] = {0, 0.35f, 0.55f, 0.85f, 1.0f};
  band->SetBlend(kFactors, kPositions);
  auto path = kelvra::TIGPGraphicsPath::Create(kelvra::FillModeAlternate);
  path->StartFigure();
  path->AddArc({ARect.X, ARect.Y, 2 * c.Width, 2 * c.Height}, 180, 90);
  path->AddArc({ARect.X + ARect.Width - 2 * c.Width, ARect.Y, 2 * c.Width, 2 * c.Height}, 270, 90);
  path->CloseFigure();
  AGraphics.FillPath(*band, *path);
  AGraphics.FillRoundRect(*ScaledGlossBrush(AColor1, AColor2, ARect), ARect, c);
}

void RQGlossRoundRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, const TIGPRectF& ARect,
                              TIGPSizeF ACorner) {
  RQGlossRoundRectangle3DF(AGraphics, AColor1, 0x6EFFFFFF, ARect, ACorner);
}

void RQGlossRoundDiamond3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                            const TIGPRectF& ARect, TIGPSizeF ACorner) {
  RQFillRoundDiamondF(AGraphics, *DiamondGlossBrush(AColor1, AColor2, ARect), ARect, ACorner);
}

void RQDrawRoundRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                             const TIGPRectF& ARect, TIGPSizeF ACorner, float AWidth) {
  if (SharpCorner(ACorner)) return RQDrawFrame3DF(AGraphics, AColor1, AColor2, ARect, AWidth);
  const float x = ARect.X, y = ARect.Y, w = ARect.Width, h = ARect.Height;
  const float cw = ACorner.Width, ch = ACorner.Height;
  DrawShadedArc(AGraphics, AColor1, AColor2, {x, y, 2 * cw + 0.5f, 2 * ch + 0.5f}, AWidth, 180, 90);
  DrawShadedArc(AGraphics, AColor1, AColor2, {x, y + h - 2 * ch, 2 * cw + 0.5f, 2 * ch}, AWidth, 90, 90);
  DrawShadedArc(AGraphics, AColor1, AColor2, {x + w - 2 * cw, y, 2 * cw, 2 * ch + 0.5f}, AWidth, 270, 90);
  DrawShadedArc(AGraphics, AColor1, AColor2, {x + w - 2 * cw, y + h - 2 * ch, 2 * cw, 2 * ch}, AWidth, 0, 90);
  const auto edge = [&](double a, float x1, float y1, float x2, float y2) {
    const auto pen = TIGPPen::Create(LitColor(AColor1, AColor2, std::sin(a)), AWidth);
    AGraphics.DrawLine(*pen, x1, y1, x2, y2);
  };
  edge(3.926990853589793, x + cw - 0.5f, y, x + w - cw + 1, y);
  edge(5.49778718038469, x, y + ch - 0.5f, x, y + h - ch + 1);
  edge(2.3561945267948965, x + w, y + ch - 0.5f, x + w, y + h - ch + 1);
  edge(kLightPhase, x + cw - 0.5f, y + h, x + w - cw + 1, y + h);
}

void RQDrawRoundDiamondFrame3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                                const TIGPRectF& ARect, TIGPSizeF ACorner, float AWidth) {
  if (SharpCorner(ACorner)) return RQDrawDiamondFrame3DF(AGraphics, AColor1, AColor2, ARect, AWidth);
  const double cw = ACorner.Width, ch = ACorner.Height;
  const double cx = ARect.X + ARect.Width / 2.0, cy = ARect.Y + ARect.Height / 2.0;
  // The corner ellipses' centres form a diamond of half-diagonals (a, b); its upper-left edge has
  // the outward normal n, and the edge's tangent to the ellipses lies the ellipse's support h
  // further out, on a diamond scaled by (d0 + h) / d0 about the centre.
  const double a = std::max((ARect.Width - cw) / 2, 1e-6), b = std::max((ARect.Height - ch) / 2, 1e-6);
  const double d0 = 1 / std::hypot(1 / a, 1 / b);
  const double nx = d0 / a, ny = d0 / b;
  const double support = std::hypot(cw / 2 * nx, ch / 2 * ny);
  const double scale = (d0 + support) / d0;
  const TIGPRectF outer{float(cx - a * scale), float(cy - b * scale), float(2 * a * scale),
                        float(2 * b * scale)};
  // The tangent points on the left and the top ellipse, mirrored for the other edges.
  const double tx = (cw / 2) * (cw / 2) * nx / support, ty = (ch / 2) * (ch / 2) * ny / support;
  const TPointF left{float(cx - a - tx), float(cy - ty)}, top{float(cx - tx), float(cy - b - ty)};
  const float reach = AWidth + 1;
  auto clip = kelvra::TIGPGraphicsPath::Create(kelvra::FillModeWinding);
  for (const auto& [sx, sy] : {std::pair{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}) {
    const TPointF p1{float(cx + sx * (left.X - cx)), float(cy + sy * (left.Y - cy))};
    const TPointF p2{float(cx + sx * (top.X - cx)), float(cy + sy * (top.Y - cy))};
    const float ox = float(-sx * nx) * reach, oy = float(-sy * ny) * reach;
    const TPointF band[] = {{p1.X + ox, p1.Y + oy}, {p2.X + ox, p2.Y + oy},
                            {p2.X - ox, p2.Y - oy}, {p1.X - ox, p1.Y - oy}};
    clip->AddPolygon(band);
  }
  const uint32_t state = AGraphics.Save();
  AGraphics.SetClip(*clip);
  RQDrawDiamondFrame3DF(AGraphics, AColor1, AColor2, outer, AWidth);
  AGraphics.Restore(state);
  // The corner arcs run between the tangent points, at ±(tx, ty) from each ellipse's centre.
  const float angle = float(std::atan2(ty, tx) / kPi * 180);
  const float fw = float(cw), fh = float(ch);
  const float midX = ARect.X + (ARect.Width - fw) / 2, midY = ARect.Y + (ARect.Height - fh) / 2;
  DrawShadedArc(AGraphics, AColor1, AColor2, {ARect.X, midY, fw, fh}, AWidth, 180 - angle, 2 * angle);
  DrawShadedArc(AGraphics, AColor1, AColor2, {midX, ARect.Y, fw, fh}, AWidth, angle + 180, 180 - 2 * angle);
  DrawShadedArc(AGraphics, AColor1, AColor2, {ARect.X + ARect.Width - fw, midY, fw, fh}, AWidth,
                360 - angle, 2 * angle);
  DrawShadedArc(AGraphics, AColor1, AColor2, {midX, ARect.Y + ARect.Height - fh, fw, fh}, AWidth,
                angle, 180 - 2 * angle);
}

}  // namespace corvane
