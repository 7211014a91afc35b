// What the drawing wrapper's sources share about its Cairo side; included by them only, never by a
// public header (users of the library need no Cairo headers).
#pragma once

#include <cairo.h>

#include "kelvra/Kelvra.GDIPlus.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra::gdiplus {

// The part of every brush that Cairo paints with.
class TCairoBrush {
 public:
  virtual ~TCairoBrush() = default;
  // The pattern to paint with, owned by the brush and valid until its next change.
  virtual cairo_pattern_t* Pattern() = 0;
};

// The part of every pen that strokes.
class TCairoPen {
 public:
  virtual ~TCairoPen() = default;
  // Strokes the current path of `cr` and clears it; `closed` tells whether it is a closed figure
  // (an inset pen draws inside such a figure only).
  virtual void StrokeCurrentPath(cairo_t* cr, bool closed) const = 0;
};

// The implementation class T of an object of the wrapper; EInvalidCast for a foreign object.
template <class T, class From>
T& ImplementationOf(From& object) {
  if (auto* implementation = dynamic_cast<T*>(&object)) return *implementation;
  throw EInvalidCast("Invalid class typecast");
}

// The Cairo sides of the wrapper's objects; EInvalidCast for an object not made by the wrapper.
TCairoBrush& CairoBrushOf(const IGPBrush& brush);
const TCairoPen& CairoPenOf(const IGPPen& pen);
cairo_surface_t* SurfaceOf(IGPImage& image);
// A copy of the path's outline (destroy with cairo_path_destroy) and its fill rule.
cairo_path_t* CopyPathOf(const IGPGraphicsPath& path);
cairo_fill_rule_t FillRuleOf(TIGPFillMode mode);

// A context for building paths only, over an unbounded surface, so that no outline (and no text)
// is culled at any coordinates; destroy with cairo_destroy.
cairo_t* CreateScratchContext();

void SetSourceColor(cairo_t* cr, TAlphaColor color);
// The colour as a pixel of a Cairo ARGB32 surface (premultiplied by its alpha).
uint32_t Premultiplied(TAlphaColor color);
cairo_matrix_t CairoMatrixOf(const TIGPMatrix& matrix);
TIGPMatrix MatrixOf(const cairo_matrix_t& matrix);
// `step` applied before `current` (prepended) or after it (appended).
cairo_matrix_t Combined(const cairo_matrix_t& current, const cairo_matrix_t& step, TIGPMatrixOrder order);

// Outline builders on the current path of `cr`, in its user space.
void AppendArc(cairo_t* cr, const TIGPRectF& rect, float startAngle, float sweepAngle);
void AppendEllipse(cairo_t* cr, const TIGPRectF& rect);
void AppendPie(cairo_t* cr, const TIGPRectF& rect, float startAngle, float sweepAngle);
void AppendPolygon(cairo_t* cr, std::span<const TPointF> points);
void AppendRoundRect(cairo_t* cr, const TIGPRectF& rect, TIGPSizeF corner);
// The text's glyph outlines with the layout's top left corner at the current point.
void AppendText(cairo_t* cr, const std::string& text, const std::string& family, int32_t style,
                float pixelSize);

}  // namespace kelvra::gdiplus
