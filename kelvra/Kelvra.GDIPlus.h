// The 2D drawing wrapper: reference-counted IGP* interfaces for graphics, paths, brushes, pens,
// fonts and images, made by the TIGP* factories and drawn with Cairo (text through Pango).
//
// Coordinates are world units (pixels under the identity transform), y growing downwards; angles
// are degrees, clockwise on the screen. Colours are TAlphaColor values, 0xAARRGGBB, not
// premultiplied. The enumerations carry the numeric values of the GDI+ API they model, so that
// values stored by components keep their meaning.
//
// Choices of this wrapper:
// - A new graphics starts with smoothing mode SmoothingModeDefault, which draws without
//   antialiasing (as SmoothingModeNone and SmoothingModeHighSpeed); SmoothingModeAntiAlias and
//   SmoothingModeHighQuality antialias.
// - Elliptic arcs and pies take their angles as true angles on the screen, not as parameters of
//   the ellipse.
// - Blend and interpolation-colour positions run from the start to the end colour of a linear
//   gradient, and from the boundary (0) to the centre (1) of a path gradient. The bell shape is a
//   raised-cosine rise to Scale at Focus and fall after it; the triangular shape is linear.
// - A path gradient paints only inside its boundary, whatever its wrap mode. Linear gradients
//   repeat (tile), mirror (the flip modes) or extend their end colours (clamp).
// - Gamma correction blends the gradients' colours in linear light (gamma 2.2).
// - PenAlignmentInset draws a closed figure's outline inside the figure only.
// - Compound lines of a centred pen are drawn symmetric about the line's centre: a band [a, b]
//   covers the distances from the centre line that it spans, on both sides; those of an inset
//   pen cover the distances a·width to b·width inside the outline.
// - Fonts are looked up by family name through fontconfig, which substitutes a near face for a
//   missing one; a point is 96/72 pixels.
// - Images are 32-bit ARGB surfaces. GetFormats lists "png" and "bmp"; other formats raise
//   EWriteError "Unknown image format %s" on save. A file that is no readable PNG raises
//   EReadError "Invalid image".
//
// Thread use: an object may be used from one thread at a time; distinct objects (also distinct
// graphics over distinct images) may be used from different threads. Releasing the last reference
// frees the Cairo and Pango resources that an object holds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kelvra/Kelvra.Classes.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

using TAlphaColor = uint32_t;  // 0xAARRGGBB

struct TPointF {
  float X = 0, Y = 0;
  friend bool operator==(const TPointF&, const TPointF&) = default;
};

struct TIGPSizeF {
  float Width = 0, Height = 0;
  friend bool operator==(const TIGPSizeF&, const TIGPSizeF&) = default;
};

struct TIGPRectF {
  float X = 0, Y = 0, Width = 0, Height = 0;
  friend bool operator==(const TIGPRectF&, const TIGPRectF&) = default;
};

// An affine transform: x' = M11 x + M21 y + DX, y' = M12 x + M22 y + DY.
struct TIGPMatrix {
  float M11 = 1, M12 = 0, M21 = 0, M22 = 1, DX = 0, DY = 0;
  friend bool operator==(const TIGPMatrix&, const TIGPMatrix&) = default;
};

// A blend entry: the share of the end colour at a position.
struct TIGPBlend {
  float Factor = 0, Position = 0;
  friend bool operator==(const TIGPBlend&, const TIGPBlend&) = default;
};

// An interpolation-colour entry: a colour at a position.
struct TIGPInterpolationColor {
  float Position = 0;
  TAlphaColor Color = 0;
  friend bool operator==(const TIGPInterpolationColor&, const TIGPInterpolationColor&) = default;
};

enum TIGPBrushType : int32_t {
  BrushTypeSolidColor = 0,
  BrushTypeHatchFill = 1,
  BrushTypeTextureFill = 2,
  BrushTypePathGradient = 3,
  BrushTypeLinearGradient = 4,
};

enum TIGPHatchStyle : int32_t {
  HatchStyleHorizontal, HatchStyleVertical, HatchStyleForwardDiagonal, HatchStyleBackwardDiagonal,
  HatchStyleCross, HatchStyleDiagonalCross, HatchStyle05Percent, HatchStyle10Percent,
  HatchStyle20Percent, HatchStyle25Percent, HatchStyle30Percent, HatchStyle40Percent,
  HatchStyle50Percent, HatchStyle60Percent, HatchStyle70Percent, HatchStyle75Percent,
  HatchStyle80Percent, HatchStyle90Percent, HatchStyleLightDownwardDiagonal,
  HatchStyleLightUpwardDiagonal, HatchStyleDarkDownwardDiagonal, HatchStyleDarkUpwardDiagonal,
  HatchStyleWideDownwardDiagonal, HatchStyleWideUpwardDiagonal, HatchStyleLightVertical,
  HatchStyleLightHorizontal, HatchStyleNarrowVertical, HatchStyleNarrowHorizontal,
  HatchStyleDarkVertical, HatchStyleDarkHorizontal, HatchStyleDashedDownwardDiagonal,
  HatchStyleDashedUpwardDiagonal, HatchStyleDashedHorizontal, HatchStyleDashedVertical,
  HatchStyleSmallConfetti, HatchStyleLargeConfetti, HatchStyleZigZag, HatchStyleWave,
  HatchStyleDiagonalBrick, HatchStyleHorizontalBrick, HatchStyleWeave, HatchStylePlaid,
  HatchStyleDivot, HatchStyleDottedGrid, HatchStyleDottedDiamond, HatchStyleShingle,
  HatchStyleTrellis, HatchStyleSphere, HatchStyleSmallGrid, HatchStyleSmallCheckerBoard,
  HatchStyleLargeCheckerBoard, HatchStyleOutlinedDiamond, HatchStyleSolidDiamond,
  HatchStyleTotal,  // the number of styles
};
// The styles' names without the prefix, in value order ("Horizontal" … "SolidDiamond").
extern const char* const kHatchStyleNames[HatchStyleTotal];

enum TIGPWrapMode : int32_t {
  WrapModeTile = 0,
  WrapModeTileFlipX = 1,
  WrapModeTileFlipY = 2,
  WrapModeTileFlipXY = 3,
  WrapModeClamp = 4,
};

enum TIGPLinearGradientMode : int32_t {
  LinearGradientModeHorizontal = 0,
  LinearGradientModeVertical = 1,
  LinearGradientModeForwardDiagonal = 2,
  LinearGradientModeBackwardDiagonal = 3,
};

enum TIGPDashStyle : int32_t {
  DashStyleSolid = 0,
  DashStyleDash = 1,
  DashStyleDot = 2,
  DashStyleDashDot = 3,
  DashStyleDashDotDot = 4,
  DashStyleCustom = 5,
};

enum TIGPLineJoin : int32_t {
  LineJoinMiter = 0,
  LineJoinBevel = 1,
  LineJoinRound = 2,
  LineJoinMiterClipped = 3,
};

enum TIGPPenAlignment : int32_t { PenAlignmentCenter = 0, PenAlignmentInset = 1 };

enum TIGPSmoothingMode : int32_t {
  SmoothingModeDefault = 0,
  SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2,
  SmoothingModeNone = 3,
  SmoothingModeAntiAlias = 4,
};

enum TIGPFillMode : int32_t { FillModeAlternate = 0, FillModeWinding = 1 };

enum TIGPMatrixOrder : int32_t { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };

// Font style bits.
enum TIGPFontStyle : int32_t {
  FontStyleRegular = 0,
  FontStyleBold = 1,
  FontStyleItalic = 2,
  FontStyleUnderline = 4,
  FontStyleStrikeout = 8,
};

enum TIGPUnit : int32_t {
  UnitWorld = 0,
  UnitDisplay = 1,
  UnitPixel = 2,
  UnitPoint = 3,
  UnitInch = 4,
  UnitDocument = 5,
  UnitMillimeter = 6,
};

enum TIGPPixelFormat : int32_t { PixelFormat32bppARGB = 0x0026200A };

// ---------------------------------------------------------------------------------------------
// Interfaces

class IGPImage : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{7D3F2B91-6C48-4E0A-B5D7-19E8A4C6F032}");
  virtual uint32_t GetWidth() = 0;
  virtual uint32_t GetHeight() = 0;
  // Writes the image in `format` (one of TIGPImageCodecs::GetFormats).
  virtual void Save(TStream& stream, const std::string& format) = 0;
  virtual void Save(const std::string& fileName, const std::string& format) = 0;
};

class IGPBitmap : public virtual IGPImage {
 public:
  static constexpr TGUID IID = TGUID::Parse("{2B6E0C47-91D3-4F8A-A6E2-5C0D7B3F1948}");
  virtual TAlphaColor GetPixel(int32_t x, int32_t y) = 0;
  virtual void SetPixel(int32_t x, int32_t y, TAlphaColor color) = 0;
};

class IGPBrush : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{A4C1E7D2-3B58-4F96-8E0A-D2B7C6F41583}");
  virtual TIGPBrushType GetType() = 0;
};

class IGPSolidBrush : public virtual IGPBrush {
 public:
  static constexpr TGUID IID = TGUID::Parse("{C93B7A15-E2D4-4A06-9F18-6B5E3D0C7A24}");
  virtual TAlphaColor GetColor() = 0;
  virtual void SetColor(TAlphaColor color) = 0;
};

class IGPHatchBrush : public virtual IGPBrush {
 public:
  static constexpr TGUID IID = TGUID::Parse("{5E08D3B6-7A91-4C2F-B4D5-E1A6907F3C82}");
  virtual TIGPHatchStyle GetHatchStyle() = 0;
  virtual TAlphaColor GetForegroundColor() = 0;
  virtual TAlphaColor GetBackgroundColor() = 0;
};

class IGPTextureBrush : public virtual IGPBrush {
 public:
  static constexpr TGUID IID = TGUID::Parse("{0F7A2C94-D6E1-4B38-85C7-A3E9D1B06F25}");
  virtual TIGPWrapMode GetWrapMode() = 0;
  virtual void SetWrapMode(TIGPWrapMode mode) = 0;
  virtual void TranslateTransform(float dx, float dy, TIGPMatrixOrder order = MatrixOrderPrepend) = 0;
  virtual IGPImage* GetImage() = 0;
};

// What the two gradient brushes share: shaping of the colour run.
class IGPGradientBrush : public virtual IGPBrush {
 public:
  static constexpr TGUID IID = TGUID::Parse("{E6D49B03-28C7-4F15-A0B9-7C3F5E2D8A61}");
  virtual TIGPWrapMode GetWrapMode() = 0;
  virtual void SetWrapMode(TIGPWrapMode mode) = 0;
  virtual bool GetGammaCorrection() = 0;
  virtual void SetGammaCorrection(bool value) = 0;
  // Factors and positions of equal length, positions from 0 to 1.
  virtual void SetBlend(std::span<const float> factors, std::span<const float> positions) = 0;
  virtual std::vector<TIGPBlend> GetBlend() = 0;
  virtual void SetInterpolationColors(std::span<const TIGPInterpolationColor> colors) = 0;
  virtual void SetBlendTriangularShape(float focus, float scale = 1.0f) = 0;
  virtual void SetBlendBellShape(float focus, float scale = 1.0f) = 0;
};

class IGPLinearGradientBrush : public virtual IGPGradientBrush {
 public:
  static constexpr TGUID IID = TGUID::Parse("{38B5F1A7-0C2E-4D69-B7A4-91E6C3D2F058}");
  virtual TAlphaColor GetStartColor() = 0;
  virtual TAlphaColor GetEndColor() = 0;
  virtual void SetLinearColors(TAlphaColor start, TAlphaColor end) = 0;
};

class IGPPathGradientBrush : public virtual IGPGradientBrush {
 public:
  static constexpr TGUID IID = TGUID::Parse("{9D2A6E58-B143-4C07-8F3E-D5A0B7C19E46}");
  virtual TAlphaColor GetCenterColor() = 0;
  virtual void SetCenterColor(TAlphaColor color) = 0;
  // One colour per boundary point; the last is repeated for the points past it.
  virtual void SetSurroundColors(std::span<const TAlphaColor> colors) = 0;
  virtual TPointF GetCenterPoint() = 0;
  virtual void SetCenterPoint(TPointF point) = 0;
};

class IGPPen : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{61F8C2D3-4A7B-4E95-9C06-B2D8E5A3F714}");
  virtual float GetWidth() = 0;
  virtual void SetWidth(float width) = 0;
  virtual TIGPPenAlignment GetAlignment() = 0;
  virtual void SetAlignment(TIGPPenAlignment alignment) = 0;
  virtual float GetMiterLimit() = 0;
  virtual void SetMiterLimit(float limit) = 0;  // below 1 draws as 1
  virtual TIGPLineJoin GetLineJoin() = 0;
  virtual void SetLineJoin(TIGPLineJoin join) = 0;
  virtual TIGPDashStyle GetDashStyle() = 0;
  virtual void SetDashStyle(TIGPDashStyle style) = 0;
  virtual float GetDashOffset() = 0;
  virtual void SetDashOffset(float offset) = 0;  // in pen widths
  // Dash and gap lengths in pen widths; sets the style to DashStyleCustom.
  virtual void SetDashPattern(std::span<const float> dashes) = 0;
  virtual std::vector<float> GetDashPattern() = 0;
  // Pairs of fractions of the width, each from 0 to 1, ascending.
  virtual void SetCompoundArray(std::span<const float> values) = 0;
  virtual std::vector<float> GetCompoundArray() = 0;
  virtual TIntf<IGPBrush> GetBrush() = 0;
};

class IGPFontFamily : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{B7E04A19-5D36-4C82-A1F9-3E6D8C2B5074}");
  virtual std::string GetFamilyName() = 0;
};

class IGPFont : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{4C9D1F62-E8A5-4B07-93D6-0A7E2C5B8F13}");
  virtual TIntf<IGPFontFamily> GetFamily() = 0;
  virtual float GetSize() = 0;
  virtual TIGPUnit GetUnit() = 0;
  virtual int32_t GetStyle() = 0;  // TIGPFontStyle bits
  // The em height in pixels.
  virtual float GetPixelSize() = 0;
};

class IGPGraphicsPath : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{D05B8E3A-7F29-4A61-B8C4-2E9F6D1A7C35}");
  virtual TIGPFillMode GetFillMode() = 0;
  virtual void SetFillMode(TIGPFillMode mode) = 0;
  virtual void StartFigure() = 0;
  virtual void CloseFigure() = 0;
  virtual void AddLine(float x1, float y1, float x2, float y2) = 0;
  virtual void AddLines(std::span<const TPointF> points) = 0;
  virtual void AddArc(const TIGPRectF& rect, float startAngle, float sweepAngle) = 0;
  virtual void AddBezier(TPointF p1, TPointF p2, TPointF p3, TPointF p4) = 0;
  virtual void AddRectangle(const TIGPRectF& rect) = 0;
  virtual void AddEllipse(const TIGPRectF& rect) = 0;
  virtual void AddPie(const TIGPRectF& rect, float startAngle, float sweepAngle) = 0;
  virtual void AddPolygon(std::span<const TPointF> points) = 0;
  // The outlines of the text's glyphs, the em height `emSize` in world units, the layout's top
  // left corner at `origin`.
  virtual void AddString(const std::string& text, const IGPFontFamily& family, int32_t style,
                         float emSize, TPointF origin) = 0;
  virtual TIGPRectF GetBounds() = 0;
  virtual int32_t GetPointCount() = 0;
};

class IGPGraphics : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{83A6F5C1-2D94-4E7B-A05E-C7B1D9F4E268}");
  // State: Save returns a token; Restore(token) returns to the state Save found, dropping the
  // states saved after it.
  virtual uint32_t Save() = 0;
  virtual void Restore(uint32_t state) = 0;
  virtual TIGPSmoothingMode GetSmoothingMode() = 0;
  virtual void SetSmoothingMode(TIGPSmoothingMode mode) = 0;
  virtual TIGPMatrix GetTransform() = 0;
  virtual void SetTransform(const TIGPMatrix& matrix) = 0;
  virtual void ResetTransform() = 0;
  virtual void TranslateTransform(float dx, float dy, TIGPMatrixOrder order = MatrixOrderPrepend) = 0;
  virtual void ScaleTransform(float sx, float sy, TIGPMatrixOrder order = MatrixOrderPrepend) = 0;
  virtual void RotateTransform(float angle, TIGPMatrixOrder order = MatrixOrderPrepend) = 0;
  // Drawing is limited to the inside of the path (under the transform in force now) until
  // ResetClip or the Restore of a state saved before.
  virtual void SetClip(const IGPGraphicsPath& path) = 0;
  virtual void ResetClip() = 0;

  virtual void Clear(TAlphaColor color) = 0;
  virtual void FillRectangle(const IGPBrush& brush, const TIGPRectF& rect) = 0;
  virtual void DrawRectangle(const IGPPen& pen, const TIGPRectF& rect) = 0;
  virtual void FillRoundRect(const IGPBrush& brush, const TIGPRectF& rect, TIGPSizeF corner) = 0;
  virtual void DrawRoundRect(const IGPPen& pen, const TIGPRectF& rect, TIGPSizeF corner) = 0;
  virtual void FillPolygon(const IGPBrush& brush, std::span<const TPointF> points,
                           TIGPFillMode mode = FillModeAlternate) = 0;
  virtual void DrawPolygon(const IGPPen& pen, std::span<const TPointF> points) = 0;
  virtual void FillEllipse(const IGPBrush& brush, const TIGPRectF& rect) = 0;
  virtual void DrawEllipse(const IGPPen& pen, const TIGPRectF& rect) = 0;
  virtual void FillPie(const IGPBrush& brush, const TIGPRectF& rect, float startAngle,
                       float sweepAngle) = 0;
  virtual void DrawArc(const IGPPen& pen, const TIGPRectF& rect, float startAngle,
                       float sweepAngle) = 0;
  virtual void DrawLine(const IGPPen& pen, float x1, float y1, float x2, float y2) = 0;
  virtual void DrawLines(const IGPPen& pen, std::span<const TPointF> points) = 0;
  virtual void FillPath(const IGPBrush& brush, const IGPGraphicsPath& path) = 0;
  virtual void DrawPath(const IGPPen& pen, const IGPGraphicsPath& path) = 0;
  // The text with its layout's top left corner at `origin`.
  virtual void DrawString(const std::string& text, const IGPFont& font, const IGPBrush& brush,
                          TPointF origin) = 0;
  // The size the text takes when drawn with the font.
  virtual TIGPSizeF MeasureString(const std::string& text, const IGPFont& font) = 0;
  virtual void DrawImage(IGPImage& image, float x, float y) = 0;
};

// ---------------------------------------------------------------------------------------------
// Factories

struct TIGPBitmap {
  // A transparent bitmap (PixelFormat32bppARGB is the one format).
  static TIntf<IGPBitmap> Create(int32_t width, int32_t height,
                                 TIGPPixelFormat format = PixelFormat32bppARGB);
  static TIntf<IGPBitmap> FromFile(const std::string& fileName);  // EFOpenError, EReadError
  static TIntf<IGPBitmap> FromStream(TStream& stream);            // EReadError
};

struct TIGPImageCodecs {
  // The formats images can be saved in ("png", "bmp").
  static std::vector<std::string> GetFormats();
};

struct TIGPGraphics {
  // Draws on the image; the graphics keeps a reference to it.
  static TIntf<IGPGraphics> Create(IGPImage& image);
};

struct TIGPGraphicsPath {
  static TIntf<IGPGraphicsPath> Create(TIGPFillMode mode = FillModeAlternate);
};

struct TIGPSolidBrush {
  static TIntf<IGPSolidBrush> Create(TAlphaColor color);
};

struct TIGPHatchBrush {
  static TIntf<IGPHatchBrush> Create(TIGPHatchStyle style, TAlphaColor foreground,
                                     TAlphaColor background = 0xFF000000);
};

struct TIGPTextureBrush {
  static TIntf<IGPTextureBrush> Create(IGPImage& image, TIGPWrapMode mode = WrapModeTile);
};

struct TIGPLinearGradientBrush {
  static TIntf<IGPLinearGradientBrush> Create(TPointF start, TPointF end, TAlphaColor startColor,
                                              TAlphaColor endColor);
  static TIntf<IGPLinearGradientBrush> Create(const TIGPRectF& rect, TAlphaColor startColor,
                                              TAlphaColor endColor, TIGPLinearGradientMode mode);
  // The colours run at `angle` degrees; with `scalable` the angle is taken in the rectangle
  // stretched to a square, so that 45 degrees runs corner to corner.
  static TIntf<IGPLinearGradientBrush> Create(const TIGPRectF& rect, TAlphaColor startColor,
                                              TAlphaColor endColor, float angle, bool scalable);
};

struct TIGPPathGradientBrush {
  // Over the polygon of the points; the centre point starts at their mean.
  static TIntf<IGPPathGradientBrush> Create(std::span<const TPointF> points,
                                            TIGPWrapMode mode = WrapModeClamp);
  // Over the (flattened) outline of the path; the centre point starts at its bounds' centre.
  static TIntf<IGPPathGradientBrush> Create(const IGPGraphicsPath& path);
};

struct TIGPPen {
  static TIntf<IGPPen> Create(TAlphaColor color, float width = 1.0f);
  static TIntf<IGPPen> Create(const TIntf<IGPBrush>& brush, float width = 1.0f);
};

struct TIGPFontFamily {
  static TIntf<IGPFontFamily> Create(const std::string& name);
};

struct TIGPFont {
  static TIntf<IGPFont> Create(const TIntf<IGPFontFamily>& family, float emSize,
                               int32_t style = FontStyleRegular, TIGPUnit unit = UnitPoint);
};

}  // namespace kelvra
