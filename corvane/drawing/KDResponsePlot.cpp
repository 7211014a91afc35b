// The response plot: the scales, the two panels and their curves.
#include "corvane/drawing/KDResponsePlot.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "corvane/streams/KDStreamTypes.h"

namespace corvane {

using namespace kelvra;

std::vector<double> TKDPlotScale::Ticks() const {
  std::vector<double> ticks;
  const auto first = std::llround(Min / Step), last = std::llround(Max / Step);
  for (auto k = first; k <= last; ++k) ticks.push_back(double(k) * Step);  // 0 exactly, never -0
  return ticks;
}

// How far, as a share of the span, the ends of a scale may fall short of the values.
constexpr double kScaleSlack = 0.01;

TKDPlotScale KDNiceScale(double lo, double hi, int maxTicks) {
  if (!std::isfinite(hi - lo)) lo = hi = 0;  // not numbers, or a span beyond the doubles
  if (hi < lo) std::swap(lo, hi);
  if (hi == lo) {
    const double pad = std::max(1.0, std::fabs(lo));
    lo -= pad, hi += pad;
  }
  maxTicks = std::max(maxTicks, 2);
  // Steps 1, 2, 5 times a power of ten, from one below the span's share per tick upwards.
  const double slack = (hi - lo) * kScaleSlack;
  for (double decade = std::pow(10.0, std::floor(std::log10((hi - lo) / maxTicks)) - 1);; decade *= 10)
    for (const double mantissa : {1.0, 2.0, 5.0}) {
      const double step = mantissa * decade;
      const double min = std::floor((lo + slack) / step) * step, max = std::ceil((hi - slack) / step) * step;
      if ((max - min) / step + 1 <= maxTicks + 1e-9) return {min, max, step};
    }
}

namespace {

constexpr TAlphaColor kPaper = 0xFFFFFFFF, kInk = 0xFF202020, kGrid = 0xFFDCDCDC, kFrame = 0xFF707070;
constexpr TAlphaColor kPowerColor = 0xFF1F5FBF, kPhaseColor = 0xFFC04A10;
// Room around the panels for the titles (above each), the value labels (left) and the frequency
// labels and axis title (below the lower panel).
constexpr float kLeft = 64, kRight = 28, kTop = 30, kBetween = 40, kBottom = 54;
constexpr float kTickLength = 4, kLabelGap = 6;
constexpr double kPowerRangeDb = 120;
constexpr int kMaxXTicks = 11, kMaxYTicks = 7;

struct TPanel {
  TIGPRectF Area;
  TKDPlotScale X, Y;
  float XAt(double x) const { return Area.X + float((x - X.Min) / (X.Max - X.Min)) * Area.Width; }
  float YAt(double y) const {
    return Area.Y + Area.Height - float((std::clamp(y, Y.Min, Y.Max) - Y.Min) / (Y.Max - Y.Min)) * Area.Height;
  }
};

// The label of a tick: as many decimals as the step needs.
std::string TickText(double value, const TKDPlotScale& scale) {
  return KDGetScaleTickText(value, 0, scale.Step, false, 1, false);
}

// The smallest and largest finite value.
std::pair<double, double> FiniteRange(std::span<const double> values) {
  double lo = INFINITY, hi = -INFINITY;
  for (const double v : values)
    if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
  return lo <= hi ? std::pair(lo, hi) : std::pair(0.0, 0.0);
}

class TPlotPainter {
 public:
  explicit TPlotPainter(IGPGraphics& graphics)
      : g_(graphics),
        family_(TIGPFontFamily::Create("DejaVu Sans")),
        label_(TIGPFont::Create(family_, 8)),
        title_(TIGPFont::Create(family_, 9, FontStyleBold)),
        ink_(TIGPSolidBrush::Create(kInk)),
        grid_(TIGPPen::Create(kGrid, 1)),
        frame_(TIGPPen::Create(kFrame, 1)) {}

  // The frame, grid, value labels and title of a panel.
  void Axes(const TPanel& panel, const std::string& title) {
    const TIGPRectF& a = panel.Area;
    for (const double x : panel.X.Ticks()) {
      const float px = Pixel(panel.XAt(x));
      g_.DrawLine(*grid_, px, a.Y, px, a.Y + a.Height);
      g_.DrawLine(*frame_, px, a.Y + a.Height, px, a.Y + a.Height + kTickLength);
    }
    for (const double y : panel.Y.Ticks()) {
      const float py = Pixel(panel.YAt(y));
      g_.DrawLine(*grid_, a.X, py, a.X + a.Width, py);
      g_.DrawLine(*frame_, a.X - kTickLength, py, a.X, py);
      const std::string text = TickText(y, panel.Y);
      const TIGPSizeF size = g_.MeasureString(text, *label_);
      g_.DrawString(text, *label_, *ink_, {a.X - kTickLength - kLabelGap - size.Width, py - size.Height / 2});
    }
    g_.DrawRectangle(*frame_, {Pixel(a.X), Pixel(a.Y), std::round(a.Width), std::round(a.Height)});
    const TIGPSizeF size = g_.MeasureString(title, *title_);
    g_.DrawString(title, *title_, *ink_, {a.X, a.Y - size.Height - 4});
  }

  // The frequency labels under a panel and the axis title under them.
  void FrequencyLabels(const TPanel& panel) {
    const TIGPRectF& a = panel.Area;
    float bottom = a.Y + a.Height;
    for (const double x : panel.X.Ticks()) {
      const std::string text = TickText(x, panel.X);
      const TIGPSizeF size = g_.MeasureString(text, *label_);
      g_.DrawString(text, *label_, *ink_, {panel.XAt(x) - size.Width / 2, a.Y + a.Height + kTickLength + 2});
      bottom = std::max(bottom, a.Y + a.Height + kTickLength + 2 + size.Height);
    }
    const TIGPSizeF size = g_.MeasureString("Frequency", *title_);
    g_.DrawString("Frequency", *title_, *ink_, {a.X + (a.Width - size.Width) / 2, bottom + 4});
  }

  // The curve through (frequency, value), broken at values that are not numbers and, where
  // `wrapStep` is given, at steps larger than it.
  void Curve(const TPanel& panel, std::span<const double> x, std::span<const double> y, TAlphaColor color,
             double wrapStep = INFINITY) {
    const auto pen = TIGPPen::Create(color, 1.5f);
    pen->SetLineJoin(LineJoinRound);
    std::vector<TPointF> run;
    const auto flush = [&] {
      if (run.size() > 1) g_.DrawLines(*pen, run);
      run.clear();
    };
    for (size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
      if (std::isnan(x[i]) || std::isnan(y[i]) || (i > 0 && std::fabs(y[i] - y[i - 1]) > wrapStep)) flush();
      if (!std::isnan(x[i]) && !std::isnan(y[i])) run.push_back({panel.XAt(x[i]), panel.YAt(y[i])});
    }
    flush();
  }

 private:
  // The centre of the pixel a coordinate falls in, where a one-pixel line is sharp.
  static float Pixel(float v) { return std::floor(v) + 0.5f; }

  IGPGraphics& g_;
  TIntf<IGPFontFamily> family_;
  TIntf<IGPFont> label_, title_;
  TIntf<IGPBrush> ink_;
  TIntf<IGPPen> grid_, frame_;
};

}  // namespace

void KDDrawResponsePlot(IGPGraphics& graphics, TIGPSizeF size, const TKDResponseCurves& curves) {
  const uint32_t state = graphics.Save();
  graphics.SetSmoothingMode(SmoothingModeAntiAlias);
  graphics.FillRectangle(*TIGPSolidBrush::Create(kPaper), {0, 0, size.Width, size.Height});

  const auto [fLo, fHi] = FiniteRange(curves.Frequency);
  const TKDPlotScale frequency = KDNiceScale(fLo, fHi, kMaxXTicks);
  const auto [pLo, pHi] = FiniteRange(curves.PowerDb);
  const auto [phLo, phHi] = FiniteRange(curves.Phase);
  const float width = size.Width - kLeft - kRight;
  const float height = (size.Height - kTop - kBetween - kBottom) / 2;
  const TPanel power{{kLeft, kTop, width, height}, frequency,
                     KDNiceScale(std::max(pLo, pHi - kPowerRangeDb), pHi, kMaxYTicks)};
  const TPanel phase{{kLeft, kTop + height + kBetween, width, height}, frequency, KDNiceScale(phLo, phHi, kMaxYTicks)};

  TPlotPainter painter(graphics);
  painter.Axes(power, "Power (dB)");
  painter.Axes(phase, "Phase (rad)");
  painter.FrequencyLabels(phase);
  painter.Curve(power, curves.Frequency, curves.PowerDb, kPowerColor);
  painter.Curve(phase, curves.Frequency, curves.Phase, kPhaseColor, std::numbers::pi);
  graphics.Restore(state);
}

}  // namespace corvane
