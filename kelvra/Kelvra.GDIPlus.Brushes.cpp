// The drawing wrapper's brushes as Cairo patterns: solid colours, 8x8 hatch tiles, textures,
// linear gradients and path gradients (mesh patterns of one patch per boundary edge and ring).
#include <algorithm>
#include <cmath>
#include <numbers>

#include "kelvra/Kelvra.GDIPlus.Cairo.h"
#include "kelvra/Kelvra.GDIPlus.h"

namespace kelvra {

const char* const kHatchStyleNames[HatchStyleTotal] = {
    "Horizontal", "Vertical", "ForwardDiagonal", "BackwardDiagonal", "Cross", "DiagonalCross",
    "05Percent", "10Percent", "20Percent", "25Percent", "30Percent", "40Percent", "50Percent",
    "60Percent", "70Percent", "75Percent", "80Percent", "90Percent", "LightDownwardDiagonal",
    "LightUpwardDiagonal", "DarkDownwardDiagonal", "DarkUpwardDiagonal", "WideDownwardDiagonal",
    "WideUpwardDiagonal", "LightVertical", "LightHorizontal", "NarrowVertical", "NarrowHorizontal",
    "DarkVertical", "DarkHorizontal", "DashedDownwardDiagonal", "DashedUpwardDiagonal",
    "DashedHorizontal", "DashedVertical", "SmallConfetti", "LargeConfetti", "ZigZag", "Wave",
    "DiagonalBrick", "HorizontalBrick", "Weave", "Plaid", "Divot", "DottedGrid", "DottedDiamond",
    "Shingle", "Trellis", "Sphere", "SmallGrid", "SmallCheckerBoard", "LargeCheckerBoard",
    "OutlinedDiamond", "SolidDiamond"};

namespace gdiplus {
namespace {

// The 8x8 tiles of the hatch styles, a byte per row from the top, the leftmost pixel in the top
// bit; set bits take the foreground colour.
constexpr uint8_t kHatchTiles[HatchStyleTotal][8] = {
    {0xFF, 0, 0, 0, 0, 0, 0, 0},                              // Horizontal
    {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},         // Vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},         // ForwardDiagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},         // BackwardDiagonal
    {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},         // Cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},         // DiagonalCross
    {0x80, 0, 0, 0, 0x08, 0, 0, 0},                           // 05Percent
    {0x80, 0, 0x08, 0, 0x80, 0, 0x08, 0},                     // 10Percent
    {0x88, 0, 0x22, 0, 0x88, 0, 0x22, 0},                     // 20Percent
    {0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22},         // 25Percent
    {0xAA, 0x44, 0xAA, 0x00, 0xAA, 0x44, 0xAA, 0x00},         // 30Percent
    {0xAA, 0x55, 0xAA, 0x44, 0xAA, 0x55, 0xAA, 0x44},         // 40Percent
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},         // 50Percent
    {0x55, 0xAA, 0x55, 0xBB, 0x55, 0xAA, 0x55, 0xBB},         // 60Percent
    {0x55, 0xBB, 0x55, 0xFF, 0x55, 0xBB, 0x55, 0xFF},         // 70Percent
    {0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD},         // 75Percent
    {0x77, 0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF},         // 80Percent
    {0x7F, 0xFF, 0xF7, 0xFF, 0x7F, 0xFF, 0xF7, 0xFF},         // 90Percent
    {0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11},         // LightDownwardDiagonal
    {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88},         // LightUpwardDiagonal
    {0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99},         // DarkDownwardDiagonal
    {0x33, 0x66, 0xCC, 0x99, 0x33, 0x66, 0xCC, 0x99},         // DarkUpwardDiagonal
    {0xE0, 0x70, 0x38, 0x1C, 0x0E, 0x07, 0x83, 0xC1},         // WideDownwardDiagonal
    {0x07, 0x0E, 0x1C, 0x38, 0x70, 0xE0, 0xC1, 0x83},         // WideUpwardDiagonal
    {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88},         // LightVertical
    {0xFF, 0, 0, 0, 0xFF, 0, 0, 0},                           // LightHorizontal
    {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA},         // NarrowVertical
    {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0},                     // NarrowHorizontal
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},         // DarkVertical
    {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0},                     // DarkHorizontal
    {0, 0, 0x88, 0x44, 0x22, 0x11, 0, 0},                     // DashedDownwardDiagonal
    {0, 0, 0x11, 0x22, 0x44, 0x88, 0, 0},                     // DashedUpwardDiagonal
    {0xF0, 0, 0, 0, 0x0F, 0, 0, 0},                           // DashedHorizontal
    {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08},         // DashedVertical
    {0x80, 0x08, 0x40, 0x02, 0x10, 0x01, 0x20, 0x04},         // SmallConfetti
    {0xB1, 0x30, 0x03, 0x1B, 0xD8, 0xC0, 0x0C, 0x8D},         // LargeConfetti
    {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18},         // ZigZag
    {0x00, 0x18, 0xA4, 0x03, 0x00, 0x18, 0xA4, 0x03},         // Wave
    {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81},         // DiagonalBrick
    {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08},         // HorizontalBrick
    {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51},         // Weave
    {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0},         // Plaid
    {0x00, 0x10, 0x08, 0x10, 0x00, 0x01, 0x80, 0x01},         // Divot
    {0xAA, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00},         // DottedGrid
    {0x80, 0x00, 0x22, 0x00, 0x08, 0x00, 0x22, 0x00},         // DottedDiamond
    {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01},         // Shingle
    {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99},         // Trellis
    {0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8},         // Sphere
    {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88},         // SmallGrid
    {0x99, 0x66, 0x66, 0x99, 0x99, 0x66, 0x66, 0x99},         // SmallCheckerBoard
    {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F},         // LargeCheckerBoard
    {0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82, 0x01},         // OutlinedDiamond
    {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00},         // SolidDiamond
};

// A pattern that keeps its Cairo object until the brush changes.
class TPatternCache {
 public:
  TPatternCache() = default;
  TPatternCache(const TPatternCache&) = delete;
  TPatternCache& operator=(const TPatternCache&) = delete;
  ~TPatternCache() { Drop(); }
  template <class F>
  cairo_pattern_t* Get(F make) {
    if (!pattern_) pattern_ = make();
    return pattern_;
  }
  void Drop() {
    if (pattern_) cairo_pattern_destroy(std::exchange(pattern_, nullptr));
  }

 private:
  cairo_pattern_t* pattern_ = nullptr;
};

cairo_extend_t ExtendOf(TIGPWrapMode mode) {
  switch (mode) {
    case WrapModeTile: return CAIRO_EXTEND_REPEAT;
    case WrapModeClamp: return CAIRO_EXTEND_PAD;
    default: return CAIRO_EXTEND_REFLECT;
  }
}

class TGPSolidBrush : public TInterfacedObject, public IGPSolidBrush, public TCairoBrush {
 public:
  explicit TGPSolidBrush(TAlphaColor color) : color_(color) {}
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPSolidBrush, IGPSolidBrush, IGPBrush>(this, iid, out);
  }
  TIGPBrushType GetType() override { return BrushTypeSolidColor; }
  TAlphaColor GetColor() override { return color_; }
  void SetColor(TAlphaColor color) override {
    color_ = color;
    pattern_.Drop();
  }
  cairo_pattern_t* Pattern() override {
    return pattern_.Get([&] {
      return cairo_pattern_create_rgba(((color_ >> 16) & 0xFF) / 255.0, ((color_ >> 8) & 0xFF) / 255.0,
                                       (color_ & 0xFF) / 255.0, (color_ >> 24) / 255.0);
    });
  }

 private:
  TAlphaColor color_;
  TPatternCache pattern_;
};

class TGPHatchBrush : public TInterfacedObject, public IGPHatchBrush, public TCairoBrush {
 public:
  TGPHatchBrush(TIGPHatchStyle style, TAlphaColor foreground, TAlphaColor background)
      : style_(TIGPHatchStyle(std::clamp<int32_t>(style, 0, HatchStyleTotal - 1))),
        foreground_(foreground),
        background_(background) {}
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPHatchBrush, IGPHatchBrush, IGPBrush>(this, iid, out);
  }
  TIGPBrushType GetType() override { return BrushTypeHatchFill; }
  TIGPHatchStyle GetHatchStyle() override { return style_; }
  TAlphaColor GetForegroundColor() override { return foreground_; }
  TAlphaColor GetBackgroundColor() override { return background_; }
  cairo_pattern_t* Pattern() override {
    return pattern_.Get([&] {
      cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
      unsigned char* data = cairo_image_surface_get_data(tile);
      const int stride = cairo_image_surface_get_stride(tile);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          reinterpret_cast<uint32_t*>(data + y * stride)[x] =
              Premultiplied(kHatchTiles[style_][y] & (0x80 >> x) ? foreground_ : background_);
      cairo_surface_mark_dirty(tile);
      cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
      cairo_surface_destroy(tile);
      cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
      cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
      return pattern;
    });
  }

 private:
  TIGPHatchStyle style_;
  TAlphaColor foreground_, background_;
  TPatternCache pattern_;
};

class TGPTextureBrush : public TInterfacedObject, public IGPTextureBrush, public TCairoBrush {
 public:
  TGPTextureBrush(IGPImage& image, TIGPWrapMode mode) : image_(&image), mode_(mode) {}
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPTextureBrush, IGPTextureBrush, IGPBrush>(this, iid, out);
  }
  TIGPBrushType GetType() override { return BrushTypeTextureFill; }
  TIGPWrapMode GetWrapMode() override { return mode_; }
  void SetWrapMode(TIGPWrapMode mode) override {
    mode_ = mode;
    pattern_.Drop();
  }
  void TranslateTransform(float dx, float dy, TIGPMatrixOrder order) override {
    cairo_matrix_t step;
    cairo_matrix_init_translate(&step, dx, dy);
    transform_ = MatrixOf(Combined(CairoMatrixOf(transform_), step, order));
    pattern_.Drop();
  }
  IGPImage* GetImage() override { return image_.get(); }
  cairo_pattern_t* Pattern() override {
    return pattern_.Get([&] {
      cairo_pattern_t* pattern = cairo_pattern_create_for_surface(SurfaceOf(*image_));
      cairo_pattern_set_extend(pattern, mode_ == WrapModeClamp ? CAIRO_EXTEND_NONE : ExtendOf(mode_));
      // The pattern maps user space to the image: the brush transform's inverse.
      cairo_matrix_t inverse = CairoMatrixOf(transform_);
      if (cairo_matrix_invert(&inverse) == CAIRO_STATUS_SUCCESS) cairo_pattern_set_matrix(pattern, &inverse);
      return pattern;
    });
  }

 private:
  TIntf<IGPImage> image_;
  TIGPWrapMode mode_;
  TIGPMatrix transform_;
  TPatternCache pattern_;
};

// ---------------------------------------------------------------------------------------------
// Gradients

struct TColorStop {
  double Position, R, G, B, A;
};

TColorStop StopOf(double position, TAlphaColor color) {
  return {position, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
          (color & 0xFF) / 255.0, (color >> 24) / 255.0};
}

TColorStop Mix(const TColorStop& a, const TColorStop& b, double t, bool linearLight) {
  const auto channel = [&](double x, double y) {
    if (!linearLight) return x + (y - x) * t;
    return std::pow(std::pow(x, 2.2) + (std::pow(y, 2.2) - std::pow(x, 2.2)) * t, 1 / 2.2);
  };
  return {a.Position + (b.Position - a.Position) * t, channel(a.R, b.R), channel(a.G, b.G),
          channel(a.B, b.B), a.A + (b.A - a.A) * t};
}

// Shared by the linear and the path gradient: the colour run from a start to an end colour as
// blend factors or interpolation colours shape it.
class TGPGradientBrush : public TInterfacedObject, public virtual IGPGradientBrush, public TCairoBrush {
 public:
  TIGPWrapMode GetWrapMode() override { return wrap_; }
  void SetWrapMode(TIGPWrapMode mode) override { Change(wrap_, mode); }
  bool GetGammaCorrection() override { return gamma_; }
  void SetGammaCorrection(bool value) override { Change(gamma_, value); }
  void SetBlend(std::span<const float> factors, std::span<const float> positions) override {
    std::vector<TIGPBlend> blend;
    for (size_t i = 0; i < std::min(factors.size(), positions.size()); ++i)
      blend.push_back({factors[i], positions[i]});
    interpolation_.clear();
    Change(blend_, blend);
  }
  std::vector<TIGPBlend> GetBlend() override { return blend_; }
  void SetInterpolationColors(std::span<const TIGPInterpolationColor> colors) override {
    blend_.clear();
    Change(interpolation_, std::vector<TIGPInterpolationColor>(colors.begin(), colors.end()));
  }
  void SetBlendTriangularShape(float focus, float scale) override {
    const float factors[] = {0, scale, 0}, positions[] = {0, focus, 1};
    SetBlend(factors, positions);
  }
  // A raised-cosine rise from 0 to `scale` at `focus` and fall back to 0 at 1.
  void SetBlendBellShape(float focus, float scale) override {
    constexpr int kHalfSteps = 8;
    std::vector<float> factors, positions;
    for (int i = 0; i <= 2 * kHalfSteps; ++i) {
      const bool rising = i <= kHalfSteps;
      const double u = rising ? double(i) / kHalfSteps : double(i - kHalfSteps) / kHalfSteps;
      positions.push_back(float(rising ? focus * u : focus + (1 - focus) * u));
      factors.push_back(float(scale * (rising ? 1 - std::cos(std::numbers::pi * u)
                                              : 1 + std::cos(std::numbers::pi * u)) / 2));
    }
    SetBlend(factors, positions);
  }
  cairo_pattern_t* Pattern() override { return pattern_.Get([&] { return MakePattern(); }); }

 protected:
  template <class T>
  void Change(T& field, const T& value) {
    field = value;
    pattern_.Drop();
  }
  virtual cairo_pattern_t* MakePattern() = 0;

  // The stops from `start` (position 0) to `end` (position 1), covering 0 to 1.
  std::vector<TColorStop> Ramp(TAlphaColor start, TAlphaColor end) const {
    std::vector<TColorStop> stops;
    if (interpolation_.size() >= 2) {
      for (const auto& entry : interpolation_) stops.push_back(StopOf(entry.Position, entry.Color));
    } else if (!blend_.empty()) {
      const TColorStop a = StopOf(0, start), b = StopOf(1, end);
      for (const auto& entry : blend_) {
        TColorStop stop = Mix(a, b, entry.Factor, false);
        stop.Position = entry.Position;
        stops.push_back(stop);
      }
    } else {
      stops = {StopOf(0, start), StopOf(1, end)};
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.Position < b.Position; });
    if (stops.front().Position > 0) stops.insert(stops.begin(), {0, stops.front().R, stops.front().G, stops.front().B, stops.front().A});
    if (stops.back().Position < 1) stops.push_back({1, stops.back().R, stops.back().G, stops.back().B, stops.back().A});
    return gamma_ ? InLinearLight(stops) : stops;
  }

  TIGPWrapMode wrap_ = WrapModeTile;

 private:
  static std::vector<TColorStop> InLinearLight(const std::vector<TColorStop>& stops) {
    constexpr int kSteps = 8;
    std::vector<TColorStop> result{stops.front()};
    for (size_t i = 1; i < stops.size(); ++i)
      for (int k = 1; k <= kSteps; ++k) result.push_back(Mix(stops[i - 1], stops[i], double(k) / kSteps, true));
    return result;
  }

  bool gamma_ = false;
  std::vector<TIGPBlend> blend_;
  std::vector<TIGPInterpolationColor> interpolation_;
  TPatternCache pattern_;
};

class TGPLinearGradientBrush : public TGPGradientBrush, public IGPLinearGradientBrush {
 public:
  // The colours run from `start` to `end`, both in the space that `toPattern` maps user space to.
  TGPLinearGradientBrush(TPointF start, TPointF end, TAlphaColor startColor, TAlphaColor endColor,
                         const cairo_matrix_t& toPattern)
      : start_(start), end_(end), startColor_(startColor), endColor_(endColor), toPattern_(toPattern) {}
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPLinearGradientBrush, IGPLinearGradientBrush, IGPBrush,
                            IGPGradientBrush>(this, iid, out);
  }
  TIGPBrushType GetType() override { return BrushTypeLinearGradient; }
  TAlphaColor GetStartColor() override { return startColor_; }
  TAlphaColor GetEndColor() override { return endColor_; }
  void SetLinearColors(TAlphaColor start, TAlphaColor end) override {
    startColor_ = start;
    Change(endColor_, end);
  }

 private:
  cairo_pattern_t* MakePattern() override {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(start_.X, start_.Y, end_.X, end_.Y);
    for (const TColorStop& s : Ramp(startColor_, endColor_))
      cairo_pattern_add_color_stop_rgba(pattern, s.Position, s.R, s.G, s.B, s.A);
    cairo_pattern_set_matrix(pattern, &toPattern_);
    cairo_pattern_set_extend(pattern, ExtendOf(wrap_));
    return pattern;
  }

  TPointF start_, end_;
  TAlphaColor startColor_, endColor_;
  cairo_matrix_t toPattern_;
};

class TGPPathGradientBrush : public TGPGradientBrush, public IGPPathGradientBrush {
 public:
  TGPPathGradientBrush(std::vector<TPointF> boundary, TPointF center, TIGPWrapMode mode)
      : boundary_(std::move(boundary)), center_(center) {
    wrap_ = mode;
  }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPPathGradientBrush, IGPPathGradientBrush, IGPBrush,
                            IGPGradientBrush>(this, iid, out);
  }
  TIGPBrushType GetType() override { return BrushTypePathGradient; }
  TAlphaColor GetCenterColor() override { return centerColor_; }
  void SetCenterColor(TAlphaColor color) override { Change(centerColor_, color); }
  void SetSurroundColors(std::span<const TAlphaColor> colors) override {
    Change(surround_, std::vector<TAlphaColor>(colors.begin(), colors.end()));
  }
  TPointF GetCenterPoint() override { return center_; }
  void SetCenterPoint(TPointF point) override { Change(center_, point); }

 private:
  TAlphaColor SurroundOf(size_t i) const {
    return surround_.empty() ? 0xFFFFFFFF : surround_[std::min(i, surround_.size() - 1)];
  }
  // The point a share `p` of the way from boundary point `i` to the centre.
  TPointF Toward(size_t i, double p) const {
    const TPointF& b = boundary_[i];
    return {float(b.X + (center_.X - b.X) * p), float(b.Y + (center_.Y - b.Y) * p)};
  }

  // One patch per boundary edge and ring between two stops, its corners coloured by the ramps of
  // the edge's two boundary points.
  cairo_pattern_t* MakePattern() override {
    cairo_pattern_t* mesh = cairo_pattern_create_mesh();
    const size_t n = boundary_.size();
    std::vector<std::vector<TColorStop>> ramps;
    for (size_t i = 0; i < n; ++i) ramps.push_back(Ramp(SurroundOf(i), centerColor_));
    for (size_t i = 0; i < n && n >= 2; ++i) {
      const size_t k = (i + 1) % n;
      for (size_t j = 0; j + 1 < ramps[i].size(); ++j) {
        const TColorStop *outer = &ramps[i][j], *inner = &ramps[i][j + 1];
        if (inner->Position <= outer->Position) continue;
        const TPointF corners[] = {Toward(i, outer->Position), Toward(k, outer->Position),
                                   Toward(k, inner->Position), Toward(i, inner->Position)};
        const TColorStop colors[] = {*outer, ramps[k][j], ramps[k][j + 1], *inner};
        cairo_mesh_pattern_begin_patch(mesh);
        cairo_mesh_pattern_move_to(mesh, corners[0].X, corners[0].Y);
        for (int c = 1; c < 4; ++c) cairo_mesh_pattern_line_to(mesh, corners[c].X, corners[c].Y);
        for (int c = 0; c < 4; ++c)
          cairo_mesh_pattern_set_corner_color_rgba(mesh, c, colors[c].R, colors[c].G, colors[c].B, colors[c].A);
        cairo_mesh_pattern_end_patch(mesh);
      }
    }
    return mesh;
  }

  std::vector<TPointF> boundary_;
  TPointF center_;
  TAlphaColor centerColor_ = 0xFF000000;
  std::vector<TAlphaColor> surround_;
};

// The gradient line's ends in a space where the rectangle is `rect`: the extreme projections of
// its corners on the direction `angle` (radians).
std::pair<TPointF, TPointF> SpanAlong(const TIGPRectF& rect, double angle) {
  const double dx = std::cos(angle), dy = std::sin(angle);
  double low = INFINITY, high = -INFINITY;
  for (const double x : {rect.X, rect.X + rect.Width})
    for (const double y : {rect.Y, rect.Y + rect.Height}) {
      low = std::min(low, x * dx + y * dy);
      high = std::max(high, x * dx + y * dy);
    }
  return {{float(low * dx), float(low * dy)}, {float(high * dx), float(high * dy)}};
}

}  // namespace

TCairoBrush& CairoBrushOf(const IGPBrush& brush) {
  return ImplementationOf<TCairoBrush>(const_cast<IGPBrush&>(brush));
}

}  // namespace gdiplus

using namespace gdiplus;

TIntf<IGPSolidBrush> TIGPSolidBrush::Create(TAlphaColor color) { return new TGPSolidBrush(color); }

TIntf<IGPHatchBrush> TIGPHatchBrush::Create(TIGPHatchStyle style, TAlphaColor foreground,
                                            TAlphaColor background) {
  return new TGPHatchBrush(style, foreground, background);
}

TIntf<IGPTextureBrush> TIGPTextureBrush::Create(IGPImage& image, TIGPWrapMode mode) {
  SurfaceOf(image);  // an image of the wrapper's own
  return new TGPTextureBrush(image, mode);
}

TIntf<IGPLinearGradientBrush> TIGPLinearGradientBrush::Create(TPointF start, TPointF end,
                                                              TAlphaColor startColor,
                                                              TAlphaColor endColor) {
  cairo_matrix_t identity;
  cairo_matrix_init_identity(&identity);
  return new TGPLinearGradientBrush(start, end, startColor, endColor, identity);
}

TIntf<IGPLinearGradientBrush> TIGPLinearGradientBrush::Create(const TIGPRectF& rect,
                                                              TAlphaColor startColor,
                                                              TAlphaColor endColor,
                                                              TIGPLinearGradientMode mode) {
  static constexpr float kAngles[] = {0, 90, 45, 135};
  const bool diagonal = mode == LinearGradientModeForwardDiagonal || mode == LinearGradientModeBackwardDiagonal;
  return Create(rect, startColor, endColor, kAngles[std::clamp<int>(mode, 0, 3)], diagonal);
}

TIntf<IGPLinearGradientBrush> TIGPLinearGradientBrush::Create(const TIGPRectF& rect,
                                                              TAlphaColor startColor,
                                                              TAlphaColor endColor, float angle,
                                                              bool scalable) {
  const double radians = angle * std::numbers::pi / 180;
  cairo_matrix_t toPattern;
  if (scalable) {
    // In the rectangle stretched to the unit square.
    const double w = std::max(std::fabs(rect.Width), 1e-6f), h = std::max(std::fabs(rect.Height), 1e-6f);
    cairo_matrix_init(&toPattern, 1 / w, 0, 0, 1 / h, -rect.X / w, -rect.Y / h);
    const auto [start, end] = SpanAlong({0, 0, 1, 1}, radians);
    return new TGPLinearGradientBrush(start, end, startColor, endColor, toPattern);
  }
  cairo_matrix_init_identity(&toPattern);
  const auto [start, end] = SpanAlong(rect, radians);
  return new TGPLinearGradientBrush(start, end, startColor, endColor, toPattern);
}

TIntf<IGPPathGradientBrush> TIGPPathGradientBrush::Create(std::span<const TPointF> points,
                                                          TIGPWrapMode mode) {
  TPointF center;
  for (const TPointF& p : points) {
    center.X += p.X / float(points.size());
    center.Y += p.Y / float(points.size());
  }
  return new TGPPathGradientBrush({points.begin(), points.end()}, center, mode);
}

TIntf<IGPPathGradientBrush> TIGPPathGradientBrush::Create(const IGPGraphicsPath& path) {
  // The first figure of the path, flattened into its points.
  cairo_t* cr = CreateScratchContext();
  cairo_path_t* outline = CopyPathOf(path);
  cairo_append_path(cr, outline);
  cairo_path_destroy(outline);
  double x1, y1, x2, y2;
  cairo_path_extents(cr, &x1, &y1, &x2, &y2);
  cairo_path_t* flat = cairo_copy_path_flat(cr);
  std::vector<TPointF> points;
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    const cairo_path_data_t& item = flat->data[i];
    if (item.header.type == CAIRO_PATH_MOVE_TO && !points.empty()) break;
    if (item.header.type == CAIRO_PATH_MOVE_TO || item.header.type == CAIRO_PATH_LINE_TO)
      points.push_back({float(flat->data[i + 1].point.x), float(flat->data[i + 1].point.y)});
  }
  cairo_path_destroy(flat);
  cairo_destroy(cr);
  return new TGPPathGradientBrush(std::move(points), {float((x1 + x2) / 2), float((y1 + y2) / 2)},
                                  WrapModeClamp);
}

}  // namespace kelvra
