// The drawing wrapper's images, graphics, paths, pens and fonts over Cairo and Pango. The brushes
// are in Kelvra.GDIPlus.Brushes.cpp.
#include "kelvra/Kelvra.GDIPlus.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "kelvra/Kelvra.GDIPlus.Cairo.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra {
namespace gdiplus {

void SetSourceColor(cairo_t* cr, TAlphaColor color) {
  cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                        (color & 0xFF) / 255.0, (color >> 24) / 255.0);
}

cairo_t* CreateScratchContext() {
  cairo_surface_t* surface = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
  cairo_t* cr = cairo_create(surface);
  cairo_surface_destroy(surface);  // the context keeps it
  return cr;
}

uint32_t Premultiplied(TAlphaColor color) {
  const uint32_t a = color >> 24;
  const auto channel = [&](int shift) { return (((color >> shift) & 0xFF) * a + 127) / 255; };
  return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

cairo_matrix_t CairoMatrixOf(const TIGPMatrix& m) {
  cairo_matrix_t c;
  cairo_matrix_init(&c, m.M11, m.M12, m.M21, m.M22, m.DX, m.DY);
  return c;
}

TIGPMatrix MatrixOf(const cairo_matrix_t& m) {
  return {float(m.xx), float(m.yx), float(m.xy), float(m.yy), float(m.x0), float(m.y0)};
}

cairo_matrix_t Combined(const cairo_matrix_t& current, const cairo_matrix_t& step, TIGPMatrixOrder order) {
  cairo_matrix_t result;
  if (order == MatrixOrderAppend)
    cairo_matrix_multiply(&result, &current, &step);
  else
    cairo_matrix_multiply(&result, &step, &current);
  return result;
}

cairo_fill_rule_t FillRuleOf(TIGPFillMode mode) {
  return mode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
}

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// A radius below this is taken as this, which keeps the scaled arc's matrix invertible.
constexpr double kMinRadius = 1e-6;

// The ellipse parameter of the point that lies at the true angle `angle` (radians) on the screen.
double EllipseParameter(double angle, double rx, double ry) {
  return std::atan2(rx * std::sin(angle), ry * std::cos(angle));
}

}  // namespace

void AppendArc(cairo_t* cr, const TIGPRectF& rect, float startAngle, float sweepAngle) {
  const double rx = std::max(rect.Width / 2.0, kMinRadius), ry = std::max(rect.Height / 2.0, kMinRadius);
  const double start = startAngle * kRadiansPerDegree, sweep = sweepAngle * kRadiansPerDegree;
  const double t0 = EllipseParameter(start, rx, ry);
  // The end parameter, moved by whole turns to lie as far from t0 as the sweep asks.
  double t1 = EllipseParameter(start + sweep, rx, ry);
  t1 += std::round((t0 + sweep - t1) / (2 * std::numbers::pi)) * 2 * std::numbers::pi;
  cairo_save(cr);
  cairo_translate(cr, rect.X + rect.Width / 2.0, rect.Y + rect.Height / 2.0);
  cairo_scale(cr, rx, ry);
  if (sweep >= 0)
    cairo_arc(cr, 0, 0, 1, t0, t1);
  else
    cairo_arc_negative(cr, 0, 0, 1, t0, t1);
  cairo_restore(cr);
}

void AppendEllipse(cairo_t* cr, const TIGPRectF& rect) {
  cairo_new_sub_path(cr);
  AppendArc(cr, rect, 0, 360);
  cairo_close_path(cr);
}

void AppendPie(cairo_t* cr, const TIGPRectF& rect, float startAngle, float sweepAngle) {
  cairo_move_to(cr, rect.X + rect.Width / 2.0, rect.Y + rect.Height / 2.0);
  AppendArc(cr, rect, startAngle, sweepAngle);
  cairo_close_path(cr);
}

void AppendPolygon(cairo_t* cr, std::span<const TPointF> points) {
  if (points.empty()) return;
  cairo_move_to(cr, points[0].X, points[0].Y);
  for (const TPointF& p : points.subspan(1)) cairo_line_to(cr, p.X, p.Y);
  cairo_close_path(cr);
}

void AppendRoundRect(cairo_t* cr, const TIGPRectF& r, TIGPSizeF corner) {
  const float w = std::min(2 * corner.Width, r.Width), h = std::min(2 * corner.Height, r.Height);
  cairo_new_sub_path(cr);
  AppendArc(cr, {r.X, r.Y, w, h}, 180, 90);
  AppendArc(cr, {r.X + r.Width - w, r.Y, w, h}, 270, 90);
  AppendArc(cr, {r.X + r.Width - w, r.Y + r.Height - h, w, h}, 0, 90);
  AppendArc(cr, {r.X, r.Y + r.Height - h, w, h}, 90, 90);
  cairo_close_path(cr);
}

namespace {

struct TLayoutDeleter {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using TLayout = std::unique_ptr<PangoLayout, TLayoutDeleter>;

// A Pango layout of the text for `cr`, in the family at the em height in pixels, with the style
// bits' weight, slant, underline and strike-out.
TLayout MakeLayout(cairo_t* cr, const std::string& text, const std::string& family, int32_t style,
                   float pixelSize) {
  TLayout layout(pango_cairo_create_layout(cr));
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, family.c_str());
  pango_font_description_set_absolute_size(font, std::max(pixelSize, 0.01f) * PANGO_SCALE);
  pango_font_description_set_weight(font, style & FontStyleBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(font, style & FontStyleItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout.get(), font);
  pango_font_description_free(font);
  PangoAttrList* attributes = pango_attr_list_new();
  if (style & FontStyleUnderline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (style & FontStyleStrikeout) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(true));
  pango_layout_set_attributes(layout.get(), attributes);
  pango_attr_list_unref(attributes);
  pango_layout_set_text(layout.get(), text.data(), int(text.size()));
  return layout;
}

}  // namespace

void AppendText(cairo_t* cr, const std::string& text, const std::string& family, int32_t style,
                float pixelSize) {
  const TLayout layout = MakeLayout(cr, text, family, style, pixelSize);
  pango_cairo_layout_path(cr, layout.get());
}

namespace {

// ---------------------------------------------------------------------------------------------
// Images

[[noreturn]] void ThrowInvalidImage() { throw EReadError("Invalid image"); }

cairo_status_t WriteToStream(void* closure, const unsigned char* data, unsigned int length) {
  return static_cast<TStream*>(closure)->Write(data, length) == length ? CAIRO_STATUS_SUCCESS
                                                                     : CAIRO_STATUS_WRITE_ERROR;
}

cairo_status_t ReadFromStream(void* closure, unsigned char* data, unsigned int length) {
  return static_cast<TStream*>(closure)->Read(data, length) == length ? CAIRO_STATUS_SUCCESS
                                                                    : CAIRO_STATUS_READ_ERROR;
}

void PutLE(std::vector<uint8_t>& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}

class TGPBitmap : public TInterfacedObject, public IGPBitmap {
 public:
  // Takes over the surface, converted to 32-bit ARGB when it is not.
  explicit TGPBitmap(cairo_surface_t* surface) : surface_(surface) {
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(surface_);
      ThrowInvalidImage();
    }
    if (cairo_image_surface_get_format(surface_) != CAIRO_FORMAT_ARGB32) {
      cairo_surface_t* argb = cairo_image_surface_create(
          CAIRO_FORMAT_ARGB32, int(GetWidth()), int(GetHeight()));
      cairo_t* cr = cairo_create(argb);
      cairo_set_source_surface(cr, surface_, 0, 0);
      cairo_paint(cr);
      cairo_destroy(cr);
      cairo_surface_destroy(std::exchange(surface_, argb));
    }
  }
  ~TGPBitmap() override { cairo_surface_destroy(surface_); }

  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPBitmap, IGPBitmap, IGPImage>(this, iid, out);
  }
  cairo_surface_t* Surface() const { return surface_; }

  uint32_t GetWidth() override { return uint32_t(cairo_image_surface_get_width(surface_)); }
  uint32_t GetHeight() override { return uint32_t(cairo_image_surface_get_height(surface_)); }

  TAlphaColor GetPixel(int32_t x, int32_t y) override {
    if (!Inside(x, y)) return 0;
    cairo_surface_flush(surface_);
    const uint32_t p = Pixels(y)[x], a = p >> 24;
    if (a == 0) return 0;
    const auto channel = [&](int shift) { return (((p >> shift) & 0xFF) * 255 + a / 2) / a; };
    return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
  }

  void SetPixel(int32_t x, int32_t y, TAlphaColor color) override {
    if (!Inside(x, y)) return;
    cairo_surface_flush(surface_);
    Pixels(y)[x] = Premultiplied(color);
    cairo_surface_mark_dirty(surface_);
  }

  void Save(TStream& stream, const std::string& format) override {
    cairo_surface_flush(surface_);
    if (format == "png") {
      if (cairo_surface_write_to_png_stream(surface_, WriteToStream, &stream) != CAIRO_STATUS_SUCCESS)
        throw EWriteError("Stream write error");
    } else if (format == "bmp") {
      const std::vector<uint8_t> bytes = EncodeBmp();
      stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    } else {
      throw EWriteError("Unknown image format " + format);
    }
  }

  void Save(const std::string& fileName, const std::string& format) override {
    TFileStream file(fileName, fmCreate);
    Save(file, format);
    file.Close();
  }

 private:
  bool Inside(int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && uint32_t(x) < GetWidth() && uint32_t(y) < GetHeight();
  }
  uint32_t* Pixels(int32_t y) {
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_) +
                                       ptrdiff_t(y) * cairo_image_surface_get_stride(surface_));
  }

  // A 32-bit bottom-up BMP with a BITMAPINFOHEADER, the colours not premultiplied.
  std::vector<uint8_t> EncodeBmp() {
    const uint32_t width = GetWidth(), height = GetHeight(), imageSize = width * height * 4;
    std::vector<uint8_t> bytes = {'B', 'M'};
    PutLE(bytes, 54 + imageSize, 4);
    PutLE(bytes, 0, 4);
    PutLE(bytes, 54, 4);
    PutLE(bytes, 40, 4);
    PutLE(bytes, width, 4);
    PutLE(bytes, height, 4);
    PutLE(bytes, 1, 2);
    PutLE(bytes, 32, 2);
    PutLE(bytes, 0, 4);
    PutLE(bytes, imageSize, 4);
    for (int i = 0; i < 4; ++i) PutLE(bytes, 0, 4);
    for (uint32_t y = height; y-- > 0;)
      for (uint32_t x = 0; x < width; ++x) PutLE(bytes, GetPixel(int32_t(x), int32_t(y)), 4);
    return bytes;
  }

  cairo_surface_t* surface_;
};

// ---------------------------------------------------------------------------------------------
// Paths

class TGPGraphicsPath : public TInterfacedObject, public IGPGraphicsPath {
 public:
  explicit TGPGraphicsPath(TIGPFillMode mode)
      : cr_(CreateScratchContext()), mode_(mode) {}
  ~TGPGraphicsPath() override { cairo_destroy(cr_); }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPGraphicsPath, IGPGraphicsPath>(this, iid, out);
  }
  cairo_path_t* Copy() const { return cairo_copy_path(cr_); }

  TIGPFillMode GetFillMode() override { return mode_; }
  void SetFillMode(TIGPFillMode mode) override { mode_ = mode; }
  void StartFigure() override { cairo_new_sub_path(cr_); }
  void CloseFigure() override {
    cairo_close_path(cr_);
    cairo_new_sub_path(cr_);
  }
  void AddLine(float x1, float y1, float x2, float y2) override {
    ContinueAt(x1, y1);
    cairo_line_to(cr_, x2, y2);
  }
  void AddLines(std::span<const TPointF> points) override {
    if (points.empty()) return;
    ContinueAt(points[0].X, points[0].Y);
    for (const TPointF& p : points.subspan(1)) cairo_line_to(cr_, p.X, p.Y);
  }
  void AddArc(const TIGPRectF& rect, float startAngle, float sweepAngle) override {
    AppendArc(cr_, rect, startAngle, sweepAngle);
  }
  void AddBezier(TPointF p1, TPointF p2, TPointF p3, TPointF p4) override {
    ContinueAt(p1.X, p1.Y);
    cairo_curve_to(cr_, p2.X, p2.Y, p3.X, p3.Y, p4.X, p4.Y);
  }
  void AddRectangle(const TIGPRectF& r) override {
    cairo_rectangle(cr_, r.X, r.Y, r.Width, r.Height);
    cairo_new_sub_path(cr_);
  }
  void AddEllipse(const TIGPRectF& rect) override { Closed([&] { AppendEllipse(cr_, rect); }); }
  void AddPie(const TIGPRectF& rect, float startAngle, float sweepAngle) override {
    Closed([&] { AppendPie(cr_, rect, startAngle, sweepAngle); });
  }
  void AddPolygon(std::span<const TPointF> points) override {
    Closed([&] { AppendPolygon(cr_, points); });
  }
  void AddString(const std::string& text, const IGPFontFamily& family, int32_t style, float emSize,
                 TPointF origin) override {
    Closed([&] {
      cairo_move_to(cr_, origin.X, origin.Y);
      AppendText(cr_, text, const_cast<IGPFontFamily&>(family).GetFamilyName(), style, emSize);
    });
  }
  TIGPRectF GetBounds() override {
    double x1, y1, x2, y2;
    cairo_path_extents(cr_, &x1, &y1, &x2, &y2);
    return {float(x1), float(y1), float(x2 - x1), float(y2 - y1)};
  }
  int32_t GetPointCount() override {
    cairo_path_t* path = Copy();
    int32_t count = 0;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length)
      count += path->data[i].header.length - 1;
    cairo_path_destroy(path);
    return count;
  }

 private:
  // Starts a figure at (x, y) unless one is open, which a line to (x, y) then continues.
  void ContinueAt(float x, float y) {
    if (cairo_has_current_point(cr_))
      cairo_line_to(cr_, x, y);
    else
      cairo_move_to(cr_, x, y);
  }
  // Adds a closed figure of its own.
  template <class F>
  void Closed(F add) {
    cairo_new_sub_path(cr_);
    add();
    cairo_new_sub_path(cr_);
  }

  cairo_t* cr_;
  TIGPFillMode mode_;
};

// ---------------------------------------------------------------------------------------------
// Pens

class TGPPen : public TInterfacedObject, public IGPPen, public TCairoPen {
 public:
  TGPPen(TIntf<IGPBrush> brush, float width) : brush_(std::move(brush)), width_(width) {}
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPPen, IGPPen>(this, iid, out);
  }

  float GetWidth() override { return width_; }
  void SetWidth(float width) override { width_ = width; }
  TIGPPenAlignment GetAlignment() override { return alignment_; }
  void SetAlignment(TIGPPenAlignment alignment) override { alignment_ = alignment; }
  float GetMiterLimit() override { return miterLimit_; }
  void SetMiterLimit(float limit) override { miterLimit_ = limit; }
  TIGPLineJoin GetLineJoin() override { return join_; }
  void SetLineJoin(TIGPLineJoin join) override { join_ = join; }
  TIGPDashStyle GetDashStyle() override { return dashStyle_; }
  void SetDashStyle(TIGPDashStyle style) override { dashStyle_ = style; }
  float GetDashOffset() override { return dashOffset_; }
  void SetDashOffset(float offset) override { dashOffset_ = offset; }
  void SetDashPattern(std::span<const float> dashes) override {
    customDashes_.assign(dashes.begin(), dashes.end());
    dashStyle_ = DashStyleCustom;
  }
  std::vector<float> GetDashPattern() override { return Dashes(); }
  void SetCompoundArray(std::span<const float> values) override {
    compound_.assign(values.begin(), values.end());
  }
  std::vector<float> GetCompoundArray() override { return compound_; }
  TIntf<IGPBrush> GetBrush() override { return brush_; }

  void StrokeCurrentPath(cairo_t* cr, bool closed) const override {
    cairo_save(cr);
    static constexpr cairo_line_join_t kJoins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_BEVEL,
                                                   CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_MITER};
    cairo_set_line_join(cr, kJoins[std::clamp<int>(join_, 0, 3)]);
    cairo_set_miter_limit(cr, std::max(miterLimit_, 1.0f));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    std::vector<double> dashes;
    for (float d : Dashes()) dashes.push_back(std::max(d * width_, 1e-3f));
    cairo_set_dash(cr, dashes.data(), int(dashes.size()), dashOffset_ * width_);
    // An inset pen strokes twice as wide, clipped to the figure.
    const bool inset = alignment_ == PenAlignmentInset && closed;
    if (inset) cairo_clip_preserve(cr);
    cairo_set_source(cr, CairoBrushOf(*brush_).Pattern());
    if (compound_.size() < 2) {
      cairo_set_line_width(cr, inset ? 2.0 * width_ : width_);
      cairo_stroke(cr);
    } else {
      StrokeCompound(cr, inset);
    }
    cairo_restore(cr);
  }

 private:
  std::vector<float> Dashes() const {
    switch (dashStyle_) {
      case DashStyleDash: return {3, 1};
      case DashStyleDot: return {1, 1};
      case DashStyleDashDot: return {3, 1, 1, 1};
      case DashStyleDashDotDot: return {3, 1, 1, 1, 1, 1};
      case DashStyleCustom: return customDashes_;
      default: return {};
    }
  }

  // Each band [a, b] of the compound array is drawn as a mask of a wide stroke less a narrow one.
  // An inset pen lies wholly inside the figure, so a band covers the distances a·w to b·w inside
  // the outline; a centred pen covers the distances from the centre line that the band spans, on
  // both sides of the line.
  void StrokeCompound(cairo_t* cr, bool inset) const {
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    for (size_t i = 0; i + 1 < compound_.size(); i += 2) {
      const double a = std::clamp(compound_[i], 0.0f, 1.0f), b = std::clamp(compound_[i + 1], 0.0f, 1.0f);
      double outer = 2 * b * width_, inner = 2 * a * width_;
      if (!inset) {
        outer = std::max(std::fabs(a - 0.5), std::fabs(b - 0.5)) * 2 * width_;
        inner = a < 0.5 && b > 0.5 ? 0 : std::min(std::fabs(a - 0.5), std::fabs(b - 0.5)) * 2 * width_;
      }
      cairo_push_group_with_content(cr, CAIRO_CONTENT_ALPHA);
      cairo_set_source_rgba(cr, 0, 0, 0, 1);
      cairo_append_path(cr, path);
      cairo_set_line_width(cr, std::max(outer, 1e-3));
      cairo_stroke(cr);
      if (inner > 0) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_append_path(cr, path);
        cairo_set_line_width(cr, inner);
        cairo_stroke(cr);
      }
      cairo_pattern_t* mask = cairo_pop_group(cr);
      cairo_mask(cr, mask);
      cairo_pattern_destroy(mask);
    }
    cairo_path_destroy(path);
  }

  TIntf<IGPBrush> brush_;
  float width_;
  TIGPPenAlignment alignment_ = PenAlignmentCenter;
  float miterLimit_ = 10;
  TIGPLineJoin join_ = LineJoinMiter;
  TIGPDashStyle dashStyle_ = DashStyleSolid;
  float dashOffset_ = 0;
  std::vector<float> customDashes_ = {1};
  std::vector<float> compound_;
};

// ---------------------------------------------------------------------------------------------
// Fonts

class TGPFontFamily : public TInterfacedObject, public IGPFontFamily {
 public:
  explicit TGPFontFamily(std::string name) : name_(std::move(name)) {}
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPFontFamily, IGPFontFamily>(this, iid, out);
  }
  std::string GetFamilyName() override { return name_; }

 private:
  std::string name_;
};

class TGPFont : public TInterfacedObject, public IGPFont {
 public:
  TGPFont(TIntf<IGPFontFamily> family, float size, int32_t style, TIGPUnit unit)
      : family_(std::move(family)), size_(size), style_(style), unit_(unit) {}
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPFont, IGPFont>(this, iid, out);
  }
  TIntf<IGPFontFamily> GetFamily() override { return family_; }
  float GetSize() override { return size_; }
  TIGPUnit GetUnit() override { return unit_; }
  int32_t GetStyle() override { return style_; }
  float GetPixelSize() override {
    constexpr float kDpi = 96;
    switch (unit_) {
      case UnitPoint: return size_ * kDpi / 72;
      case UnitInch: return size_ * kDpi;
      case UnitDocument: return size_ * kDpi / 300;
      case UnitMillimeter: return size_ * kDpi / 25.4f;
      default: return size_;
    }
  }

 private:
  TIntf<IGPFontFamily> family_;
  float size_;
  int32_t style_;
  TIGPUnit unit_;
};

// ---------------------------------------------------------------------------------------------
// Graphics

class TGPGraphics : public TInterfacedObject, public IGPGraphics {
 public:
  explicit TGPGraphics(IGPImage& image) : image_(&image), cr_(cairo_create(SurfaceOf(image))) {
    SetSmoothingMode(SmoothingModeDefault);
  }
  ~TGPGraphics() override {
    cairo_destroy(cr_);
    cairo_surface_flush(SurfaceOf(*image_));
  }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TGPGraphics, IGPGraphics>(this, iid, out);
  }

  // Cairo's saved states hold the transform, clip and antialiasing; the smoothing mode that chose
  // the antialiasing is kept beside them.
  uint32_t Save() override {
    cairo_save(cr_);
    savedSmoothing_.push_back(smoothing_);
    return uint32_t(savedSmoothing_.size());
  }
  void Restore(uint32_t state) override {
    while (state > 0 && savedSmoothing_.size() >= state) {
      cairo_restore(cr_);
      smoothing_ = savedSmoothing_.back();
      savedSmoothing_.pop_back();
    }
  }
  TIGPSmoothingMode GetSmoothingMode() override { return smoothing_; }
  void SetSmoothingMode(TIGPSmoothingMode mode) override {
    smoothing_ = mode;
    const bool smooth = mode == SmoothingModeAntiAlias || mode == SmoothingModeHighQuality;
    cairo_set_antialias(cr_, smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  }
  TIGPMatrix GetTransform() override {
    cairo_matrix_t m;
    cairo_get_matrix(cr_, &m);
    return MatrixOf(m);
  }
  void SetTransform(const TIGPMatrix& matrix) override {
    const cairo_matrix_t m = CairoMatrixOf(matrix);
    cairo_set_matrix(cr_, &m);
  }
  void ResetTransform() override { cairo_identity_matrix(cr_); }
  void TranslateTransform(float dx, float dy, TIGPMatrixOrder order) override {
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, dx, dy);
    Multiply(m, order);
  }
  void ScaleTransform(float sx, float sy, TIGPMatrixOrder order) override {
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, sx, sy);
    Multiply(m, order);
  }
  void RotateTransform(float angle, TIGPMatrixOrder order) override {
    cairo_matrix_t m;
    cairo_matrix_init_rotate(&m, angle * kRadiansPerDegree);
    Multiply(m, order);
  }

  void SetClip(const IGPGraphicsPath& path) override {
    cairo_reset_clip(cr_);
    AppendPathOf(path);
    cairo_set_fill_rule(cr_, FillRuleOf(const_cast<IGPGraphicsPath&>(path).GetFillMode()));
    cairo_clip(cr_);
  }
  void ResetClip() override { cairo_reset_clip(cr_); }

  void Clear(TAlphaColor color) override {
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr_, color);
    cairo_paint(cr_);
    cairo_restore(cr_);
  }
  void FillRectangle(const IGPBrush& brush, const TIGPRectF& r) override {
    cairo_rectangle(cr_, r.X, r.Y, r.Width, r.Height);
    Fill(brush, CAIRO_FILL_RULE_WINDING);
  }
  void DrawRectangle(const IGPPen& pen, const TIGPRectF& r) override {
    cairo_rectangle(cr_, r.X, r.Y, r.Width, r.Height);
    CairoPenOf(pen).StrokeCurrentPath(cr_, true);
  }
  void FillRoundRect(const IGPBrush& brush, const TIGPRectF& rect, TIGPSizeF corner) override {
    AppendRoundRect(cr_, rect, corner);
    Fill(brush, CAIRO_FILL_RULE_WINDING);
  }
  void DrawRoundRect(const IGPPen& pen, const TIGPRectF& rect, TIGPSizeF corner) override {
    AppendRoundRect(cr_, rect, corner);
    CairoPenOf(pen).StrokeCurrentPath(cr_, true);
  }
  void FillPolygon(const IGPBrush& brush, std::span<const TPointF> points,
                   TIGPFillMode mode) override {
    AppendPolygon(cr_, points);
    Fill(brush, FillRuleOf(mode));
  }
  void DrawPolygon(const IGPPen& pen, std::span<const TPointF> points) override {
    AppendPolygon(cr_, points);
    CairoPenOf(pen).StrokeCurrentPath(cr_, true);
  }
  void FillEllipse(const IGPBrush& brush, const TIGPRectF& rect) override {
    AppendEllipse(cr_, rect);
    Fill(brush, CAIRO_FILL_RULE_WINDING);
  }
  void DrawEllipse(const IGPPen& pen, const TIGPRectF& rect) override {
    AppendEllipse(cr_, rect);
    CairoPenOf(pen).StrokeCurrentPath(cr_, true);
  }
  void FillPie(const IGPBrush& brush, const TIGPRectF& rect, float startAngle,
               float sweepAngle) override {
    AppendPie(cr_, rect, startAngle, sweepAngle);
    Fill(brush, CAIRO_FILL_RULE_WINDING);
  }
  void DrawArc(const IGPPen& pen, const TIGPRectF& rect, float startAngle, float sweepAngle) override {
    cairo_new_sub_path(cr_);
    AppendArc(cr_, rect, startAngle, sweepAngle);
    CairoPenOf(pen).StrokeCurrentPath(cr_, false);
  }
  void DrawLine(const IGPPen& pen, float x1, float y1, float x2, float y2) override {
    cairo_move_to(cr_, x1, y1);
    cairo_line_to(cr_, x2, y2);
    CairoPenOf(pen).StrokeCurrentPath(cr_, false);
  }
  void DrawLines(const IGPPen& pen, std::span<const TPointF> points) override {
    if (points.empty()) return;
    cairo_move_to(cr_, points[0].X, points[0].Y);
    for (const TPointF& p : points.subspan(1)) cairo_line_to(cr_, p.X, p.Y);
    CairoPenOf(pen).StrokeCurrentPath(cr_, false);
  }
  void FillPath(const IGPBrush& brush, const IGPGraphicsPath& path) override {
    AppendPathOf(path);
    Fill(brush, FillRuleOf(const_cast<IGPGraphicsPath&>(path).GetFillMode()));
  }
  void DrawPath(const IGPPen& pen, const IGPGraphicsPath& path) override {
    AppendPathOf(path);
    CairoPenOf(pen).StrokeCurrentPath(cr_, true);
  }
  void DrawString(const std::string& text, const IGPFont& font, const IGPBrush& brush,
                  TPointF origin) override {
    cairo_save(cr_);
    cairo_move_to(cr_, origin.X, origin.Y);
    AppendText(cr_, text, FamilyName(font), Font(font).GetStyle(), Font(font).GetPixelSize());
    cairo_set_source(cr_, CairoBrushOf(brush).Pattern());
    cairo_fill(cr_);
    cairo_restore(cr_);
  }
  TIGPSizeF MeasureString(const std::string& text, const IGPFont& font) override {
    cairo_t* scratch = CreateScratchContext();
    cairo_move_to(scratch, 0, 0);
    AppendText(scratch, text, FamilyName(font), Font(font).GetStyle(), Font(font).GetPixelSize());
    double x1, y1, x2, y2;
    cairo_path_extents(scratch, &x1, &y1, &x2, &y2);
    cairo_destroy(scratch);
    return {float(x2), float(y2)};
  }
  void DrawImage(IGPImage& image, float x, float y) override {
    cairo_save(cr_);
    cairo_set_source_surface(cr_, SurfaceOf(image), x, y);
    cairo_paint(cr_);
    cairo_restore(cr_);
  }

 private:
  static IGPFont& Font(const IGPFont& font) { return const_cast<IGPFont&>(font); }
  static std::string FamilyName(const IGPFont& font) {
    return Font(font).GetFamily()->GetFamilyName();
  }
  void Multiply(const cairo_matrix_t& m, TIGPMatrixOrder order) {
    cairo_matrix_t current;
    cairo_get_matrix(cr_, &current);
    const cairo_matrix_t result = Combined(current, m, order);
    cairo_set_matrix(cr_, &result);
  }
  void AppendPathOf(const IGPGraphicsPath& path) {
    cairo_path_t* copy = CopyPathOf(path);
    cairo_new_path(cr_);
    cairo_append_path(cr_, copy);
    cairo_path_destroy(copy);
  }
  void Fill(const IGPBrush& brush, cairo_fill_rule_t rule) {
    cairo_set_fill_rule(cr_, rule);
    cairo_set_source(cr_, CairoBrushOf(brush).Pattern());
    cairo_fill(cr_);
  }

  TIntf<IGPImage> image_;
  cairo_t* cr_;
  TIGPSmoothingMode smoothing_ = SmoothingModeDefault;
  std::vector<TIGPSmoothingMode> savedSmoothing_;
};

}  // namespace

const TCairoPen& CairoPenOf(const IGPPen& pen) {
  return ImplementationOf<const TGPPen>(pen);
}
cairo_surface_t* SurfaceOf(IGPImage& image) { return ImplementationOf<TGPBitmap>(image).Surface(); }
cairo_path_t* CopyPathOf(const IGPGraphicsPath& path) {
  return ImplementationOf<const TGPGraphicsPath>(path).Copy();
}

}  // namespace gdiplus

using namespace gdiplus;

TIntf<IGPBitmap> TIGPBitmap::Create(int32_t width, int32_t height, TIGPPixelFormat) {
  return new TGPBitmap(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 0), std::max(height, 0)));
}

TIntf<IGPBitmap> TIGPBitmap::FromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  return FromStream(file);
}

TIntf<IGPBitmap> TIGPBitmap::FromStream(TStream& stream) {
  return new TGPBitmap(cairo_image_surface_create_from_png_stream(ReadFromStream, &stream));
}

std::vector<std::string> TIGPImageCodecs::GetFormats() { return {"png", "bmp"}; }

TIntf<IGPGraphics> TIGPGraphics::Create(IGPImage& image) { return new TGPGraphics(image); }

TIntf<IGPGraphicsPath> TIGPGraphicsPath::Create(TIGPFillMode mode) {
  return new TGPGraphicsPath(mode);
}

TIntf<IGPPen> TIGPPen::Create(TAlphaColor color, float width) {
  return Create(TIGPSolidBrush::Create(color), width);
}

TIntf<IGPPen> TIGPPen::Create(const TIntf<IGPBrush>& brush, float width) {
  CairoBrushOf(*brush);  // a brush of the wrapper's own
  return new TGPPen(brush, width);
}

TIntf<IGPFontFamily> TIGPFontFamily::Create(const std::string& name) {
  return new TGPFontFamily(name);
}

TIntf<IGPFont> TIGPFont::Create(const TIntf<IGPFontFamily>& family, float emSize, int32_t style,
                                TIGPUnit unit) {
  return new TGPFont(family, emSize, style, unit);
}

}  // namespace kelvra
