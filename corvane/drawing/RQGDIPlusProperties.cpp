#include "corvane/drawing/RQGDIPlusProperties.h"

#include <array>
#include <filesystem>

#include "kelvra/Kelvra.Persistence.h"

namespace corvane {

using kelvra::TIntf;
using kelvra::TPropertyTable;
using kelvra::TPropertyTableBuilder;

namespace {

using Names = std::span<const std::string_view>;

constexpr std::string_view kBrushTypeNames[] = {"BrushTypeSolidColor", "BrushTypeHatchFill",
                                                "BrushTypeTextureFill", "BrushTypePathGradient",
                                                "BrushTypeLinearGradient"};
constexpr std::string_view kWrapModeNames[] = {"WrapModeTile", "WrapModeTileFlipX", "WrapModeTileFlipY",
                                               "WrapModeTileFlipXY", "WrapModeClamp"};
constexpr std::string_view kLinearModeNames[] = {"lmHorizontal", "lmVertical", "lmForwardDiagonal",
                                                 "lmBackwardDiagonal", "lmPoints"};
constexpr std::string_view kBlendShapeNames[] = {"bstNone", "bstTriangular", "bstBell"};
constexpr std::string_view kDashStyleNames[] = {"DashStyleSolid", "DashStyleDash", "DashStyleDot",
                                                "DashStyleDashDot", "DashStyleDashDotDot", "DashStyleCustom"};
constexpr std::string_view kPenAlignmentNames[] = {"PenAlignmentCenter", "PenAlignmentInset"};
constexpr std::string_view kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr std::string_view kLineJoinNames[] = {"LineJoinMiter", "LineJoinBevel", "LineJoinRound",
                                               "LineJoinMiterClipped"};

// The hatch styles' member names, "HatchStyle" and the name.
Names HatchStyleNames() {
  static const auto names = [] {
    static std::array<std::string, kelvra::HatchStyleTotal> texts;
    std::array<std::string_view, kelvra::HatchStyleTotal> views;
    for (int i = 0; i < kelvra::HatchStyleTotal; ++i) {
      texts[size_t(i)] = std::string("HatchStyle") + kelvra::kHatchStyleNames[i];
      views[size_t(i)] = texts[size_t(i)];
    }
    return views;
  }();
  return names;
}

// A procedure that calls AObject's NotifyProp: the change procedure of its sub-objects.
template <class T>
kelvra::TProcedure NotifyOf(T* AObject) {
  return [AObject] { AObject->NotifyProp(); };
}

}  // namespace

template <class TEntry>
void TRQGPValueList<TEntry>::Assign(const kelvra::TPersistent& ASource) {
  if (&ASource.ClassType() != &ClassType()) return TLockPersistent::Assign(ASource);
  const auto& source = static_cast<const TRQGPValueList&>(ASource);
  {
    const auto section = GetLock()->EnterStopSection();
    FItems = source.FItems;
  }
  NotifyProp();
}

namespace {

// The streamed form of the entries, by entry type: the list's property name, and one entry.
constexpr std::string_view ListName(TPointF*) { return "Points"; }
constexpr std::string_view ListName(TAlphaColor*) { return "Colors"; }
constexpr std::string_view ListName(kelvra::TIGPInterpolationColor*) { return "Colors"; }
constexpr std::string_view ListName(kelvra::TIGPBlend*) { return "Blends"; }
constexpr std::string_view ListName(float*) { return "Values"; }

float ReadSingle(kelvra::TReader& AReader) { return float(AReader.ReadFloat()); }
TAlphaColor ReadColor(kelvra::TReader& AReader) {
  const int64_t value = AReader.ReadInteger();
  if (value < 0 || value > int64_t(UINT32_MAX))
    throw kelvra::EReadError("'" + std::to_string(value) + "' is not a valid colour value");
  return TAlphaColor(value);
}

void WriteEntry(kelvra::TWriter& AWriter, float AValue) { AWriter.WriteSingle(AValue); }
void WriteEntry(kelvra::TWriter& AWriter, TAlphaColor AValue) { AWriter.WriteInteger(AValue); }
void WriteEntry(kelvra::TWriter& AWriter, kelvra::TIGPInterpolationColor AValue) {
  AWriter.WriteInteger(AValue.Color);
  AWriter.WriteSingle(AValue.Position);
}
void WritePair(kelvra::TWriter& AWriter, float AFirst, float ASecond) {
  AWriter.WriteListBegin();
  AWriter.WriteSingle(AFirst);
  AWriter.WriteSingle(ASecond);
  AWriter.WriteListEnd();
}
void WriteEntry(kelvra::TWriter& AWriter, TPointF AValue) { WritePair(AWriter, AValue.X, AValue.Y); }
void WriteEntry(kelvra::TWriter& AWriter, kelvra::TIGPBlend AValue) {
  WritePair(AWriter, AValue.Factor, AValue.Position);
}

void ReadEntry(kelvra::TReader& AReader, float& AValue) { AValue = ReadSingle(AReader); }
void ReadEntry(kelvra::TReader& AReader, TAlphaColor& AValue) { AValue = ReadColor(AReader); }
void ReadEntry(kelvra::TReader& AReader, kelvra::TIGPInterpolationColor& AValue) {
  AValue.Color = ReadColor(AReader);
  AValue.Position = ReadSingle(AReader);
}
void ReadPair(kelvra::TReader& AReader, float& AFirst, float& ASecond) {
  AReader.ReadListBegin();
  AFirst = ReadSingle(AReader);
  ASecond = ReadSingle(AReader);
  AReader.ReadListEnd();
}
void ReadEntry(kelvra::TReader& AReader, TPointF& AValue) { ReadPair(AReader, AValue.X, AValue.Y); }
void ReadEntry(kelvra::TReader& AReader, kelvra::TIGPBlend& AValue) {
  ReadPair(AReader, AValue.Factor, AValue.Position);
}

}  // namespace

template <class TEntry>
void TRQGPValueList<TEntry>::DefineProperties(kelvra::TFiler& AFiler) {
  TLockPersistent::DefineProperties(AFiler);
  AFiler.DefineProperty(
      ListName(static_cast<TEntry*>(nullptr)), [this](kelvra::TReader& AReader) { ReadItems(AReader); },
      [this](kelvra::TWriter& AWriter) { WriteItems(AWriter); }, !FItems.empty());
}

template <class TEntry>
void TRQGPValueList<TEntry>::ReadItems(kelvra::TReader& AReader) {
  {
    const auto section = GetLock()->EnterStopSection();
    AReader.ReadListBegin();
    const int64_t count = AReader.ReadInteger();
    std::vector<TEntry> items;
    while (!AReader.EndOfList() && int64_t(items.size()) < count) ReadEntry(AReader, items.emplace_back());
    if (count < 0 || int64_t(items.size()) < count)
      throw kelvra::EReadError("The list holds " + std::to_string(items.size()) + " entries, not " +
                               std::to_string(count));
    AReader.ReadListEnd();
    FItems = std::move(items);
  }
  NotifyProp();
}

template <class TEntry>
void TRQGPValueList<TEntry>::WriteItems(kelvra::TWriter& AWriter) const {
  const auto section = GetLock()->EnterSection();
  AWriter.WriteListBegin();
  AWriter.WriteInteger(int64_t(FItems.size()));
  for (const TEntry& entry : FItems) WriteEntry(AWriter, entry);
  AWriter.WriteListEnd();
}

template class TRQGPValueList<TPointF>;
template class TRQGPValueList<TAlphaColor>;
template class TRQGPValueList<kelvra::TIGPInterpolationColor>;
template class TRQGPValueList<kelvra::TIGPBlend>;
template class TRQGPValueList<float>;

// ---------------------------------------------------------------------------------------------

TRQGPPoint::TRQGPPoint(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                       kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPPoint::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPPoint>()
      .Property("X", &TRQGPPoint::GetX, &TRQGPPoint::SetX, 0.0f)
      .Property("Y", &TRQGPPoint::GetY, &TRQGPPoint::SetY, 0.0f);
  return table;
}

TRQGPCenterPoint::TRQGPCenterPoint(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                   kelvra::TProcedure AOnChange)
    : TRQGPPoint(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPCenterPoint::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPCenterPoint>().Property(
      "AutoCenter", &TRQGPCenterPoint::FAutoCenter, &TRQGPCenterPoint::SetAutoCenter, true);
  return table;
}

TRQGPCenterColor::TRQGPCenterColor(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                   kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, ALock, std::move(AOnChange)),
      FPoint(std::make_unique<TRQGPCenterPoint>(this, ALock, NotifyOf(this))) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPCenterColor::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPCenterColor>()
      .Property("Color", &TRQGPCenterColor::FColor, &TRQGPCenterColor::SetColor, 0xFFFFFFFFu)
      .Object("Point", &TRQGPCenterColor::FPoint);
  return table;
}

TRQGPHatch::TRQGPHatch(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                       kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPHatch::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPHatch>()
      .Property("ForegroundColor", &TRQGPHatch::FForegroundColor, &TRQGPHatch::SetForegroundColor, 0xFFFFFFFFu)
      .Property("BackgroundColor", &TRQGPHatch::FBackgroundColor, &TRQGPHatch::SetBackgroundColor, 0u)
      .Property("Style", &TRQGPHatch::FStyle, &TRQGPHatch::SetStyle, kelvra::HatchStyleHorizontal,
                HatchStyleNames());
  return table;
}

TRQGPBlendShape::TRQGPBlendShape(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                 kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPBlendShape::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPBlendShape>()
      .Property("ShapeType", &TRQGPBlendShape::FShapeType, &TRQGPBlendShape::SetShapeType, bstNone,
                kBlendShapeNames)
      .Property("Focus", &TRQGPBlendShape::FFocus, &TRQGPBlendShape::SetFocus, 0.5f)
      .Property("Scale", &TRQGPBlendShape::FScale, &TRQGPBlendShape::SetScale, 1.0f);
  return table;
}

TRQGPBlend::TRQGPBlend(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                       kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, ALock, std::move(AOnChange)),
      FBlends(std::make_unique<TRQGPBlends>(this, ALock, NotifyOf(this))),
      FShape(std::make_unique<TRQGPBlendShape>(this, ALock, NotifyOf(this))) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPBlend::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPBlend>()
      .Property("Enabled", &TRQGPBlend::FEnabled, &TRQGPBlend::SetEnabled, false)
      .Object("Blends", &TRQGPBlend::FBlends)
      .Object("Shape", &TRQGPBlend::FShape);
  return table;
}

TRQGPGradient::TRQGPGradient(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                             kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, ALock, std::move(AOnChange)),
      FPath(std::make_unique<TRQGPPoints>(this, ALock, NotifyOf(this))),
      FColors(std::make_unique<TRQGPColors>(this, ALock, NotifyOf(this))),
      FCenterColor(std::make_unique<TRQGPCenterColor>(this, ALock, NotifyOf(this))) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPGradient::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPGradient>()
      .Object("Path", &TRQGPGradient::FPath)
      .Object("Colors", &TRQGPGradient::FColors)
      .Object("CenterColor", &TRQGPGradient::FCenterColor)
      .Property("GammaCorrection", &TRQGPGradient::FGammaCorrection, &TRQGPGradient::SetGammaCorrection, false);
  return table;
}

// ---------------------------------------------------------------------------------------------
// Images

TRQGPImage::TRQGPImage(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                       kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPImage::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPImage>();
  return table;
}

void TRQGPImage::Clear() {
  FImage.reset();
  NotifyProp();
}

void TRQGPImage::LoadFromFile(const std::string& AFileName) {
  if (!std::filesystem::exists(AFileName))
    throw kelvra::EFOpenError("Cannot open file \"" + std::filesystem::absolute(AFileName).lexically_normal().string() +
                              "\".");
  FImage = kelvra::TIGPBitmap::FromFile(AFileName);
  NotifyProp();
}

void TRQGPImage::LoadFromStream(kelvra::TStream& AStream) {
  FImage = kelvra::TIGPBitmap::FromStream(AStream);
  NotifyProp();
}

void TRQGPImage::SaveToStream(kelvra::TStream& AStream, const std::string& AFormat) const {
  if (FImage) FImage->Save(AStream, AFormat);
}

void TRQGPImage::SaveToFile(const std::string& AFileName) const {
  std::string format = std::filesystem::path(AFileName).extension().string();
  if (!format.empty()) format.erase(0, 1);
  if (format.empty()) format = "bmp";
  if (format == "jpg") format = "jpeg";
  SaveToFile(AFileName, format);
}

void TRQGPImage::SaveToFile(const std::string& AFileName, const std::string& AFormat) const {
  if (FImage) FImage->Save(AFileName, AFormat);
}

std::vector<std::string> TRQGPImage::GetFormats() { return kelvra::TIGPImageCodecs::GetFormats(); }

void TRQGPImage::Assign(const kelvra::TPersistent& ASource) {
  const auto* source = dynamic_cast<const TRQGPImage*>(&ASource);
  if (!source) return TLockPersistent::Assign(ASource);
  if (source->FImage) {
    kelvra::TMemoryStream stream;
    source->SaveToStream(stream);
    stream.SetPosition(0);
    FImage = kelvra::TIGPBitmap::FromStream(stream);
  } else {
    FImage.reset();
  }
  NotifyProp();
}

void TRQGPImage::DefineProperties(kelvra::TFiler& AFiler) {
  AFiler.DefineBinaryProperty(
      "Data",
      [this](kelvra::TStream& AStream) {
        {
          const auto section = GetLock()->EnterStopSection();
          FImage = kelvra::TIGPBitmap::FromStream(AStream);
        }
        NotifyProp();
      },
      [this](kelvra::TStream& AStream) {
        const auto section = GetLock()->EnterStopSection();
        SaveToStream(AStream);
      },
      bool(FImage));
}

// ---------------------------------------------------------------------------------------------
// Brushes

TRQGPBrush::TRQGPBrush(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                       kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)), FScaleX(AScaleX), FScaleY(AScaleY) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPBrush::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPBrush>()
      .Property("BrushType", &TRQGPBrush::FBrushType, &TRQGPBrush::SetBrushType,
                kelvra::BrushTypeSolidColor, kBrushTypeNames)
      .Property("Color", &TRQGPBrush::FColor, &TRQGPBrush::SetColor)
      .Stored(&TRQGPBrush::ColorStored)
      .AutoManaged("Texture", &TRQGPBrush::FTexture)
      .AutoManaged("Gradient", &TRQGPBrush::FGradient)
      .AutoManaged("Hatch", &TRQGPBrush::FHatch)
      .AutoManaged("Blend", &TRQGPBrush::FBlend)
      .AutoManaged("InterpolationColors", &TRQGPBrush::FInterpolationColors)
      .Property("WrapMode", &TRQGPBrush::FWrapMode, &TRQGPBrush::SetWrapMode, kelvra::WrapModeClamp,
                kWrapModeNames)
      .Property("LinearGradientMode", &TRQGPBrush::FLinearGradientMode, &TRQGPBrush::SetLinearGradientMode,
                lmHorizontal, kLinearModeNames);
  return table;
}

void TRQGPBrush::SetColorDefault(TAlphaColor AValue) {
  SetColor(AValue);
  FColorDefault = AValue;
}

void TRQGPBrush::NotifyProp() {
  FBrush.reset();
  TLockPersistent::NotifyProp();
}

TIntf<kelvra::IGPBrush> TRQGPBrush::GetGPBrush(const TIGPRectF& ARect) {
  if (!FBrush) FBrush = MakeBrush(ARect);
  return FBrush;
}

// The interpolation colours, then the blend with its shape, as the brush's settings give them.
void TRQGPBrush::ShapeGradient(kelvra::IGPGradientBrush& ABrush) const {
  if (FInterpolationColors->Count() > 0) ABrush.SetInterpolationColors(FInterpolationColors->Values());
  if (!FBlend->GetEnabled()) return;
  std::vector<float> factors, positions;
  for (const kelvra::TIGPBlend& blend : FBlend->GetBlends()->Values()) {
    factors.push_back(blend.Factor);
    positions.push_back(blend.Position);
  }
  ABrush.SetBlend(factors, positions);
  const TRQGPBlendShape& shape = *FBlend->GetShape();
  if (shape.GetShapeType() == bstTriangular) ABrush.SetBlendTriangularShape(shape.GetFocus(), shape.GetScale());
  if (shape.GetShapeType() == bstBell) ABrush.SetBlendBellShape(shape.GetFocus(), shape.GetScale());
}

TIntf<kelvra::IGPBrush> TRQGPBrush::MakeBrush(const TIGPRectF& ARect) const {
  using namespace kelvra;
  const TRQGPPoints& path = *FGradient->GetPath();
  const TRQGPColors& colors = *FGradient->GetColors();
  switch (FBrushType) {
    case BrushTypeHatchFill:
      return TIGPHatchBrush::Create(FHatch->GetStyle(), FHatch->GetForegroundColor(), FHatch->GetBackgroundColor());
    case BrushTypeTextureFill: {
      if (FTexture->IsEmpty()) break;
      auto brush = TIGPTextureBrush::Create(*FTexture->GetGPImage(), WrapModeTile);
      brush->SetWrapMode(FWrapMode);
      return brush;
    }
    case BrushTypePathGradient: {
      if (path.Count() == 0) return TIGPSolidBrush::Create(FGradient->GetCenterColor()->GetColor());
      std::vector<TPointF> points;
      for (const TPointF& p : path.Values()) points.push_back(Scaled(p));
      auto brush = TIGPPathGradientBrush::Create(points, WrapModeClamp);
      const TRQGPCenterColor& center = *FGradient->GetCenterColor();
      brush->SetCenterColor(center.GetColor());
      brush->SetGammaCorrection(FGradient->GetGammaCorrection());
      brush->SetWrapMode(FWrapMode);
      if (colors.Count() > 0) brush->SetSurroundColors(colors.Values());
      if (!center.GetPoint()->GetAutoCenter())
        brush->SetCenterPoint({center.GetPoint()->GetX(), center.GetPoint()->GetY()});
      ShapeGradient(*brush);
      return brush;
    }
    case BrushTypeLinearGradient: {
      const TPointF start = path.Count() > 0 ? Scaled(path.Items(0)) : TPointF{};
      const TPointF end = path.Count() > 1 ? Scaled(path.Items(1)) : TPointF{};
      const TAlphaColor first = colors.Count() > 0 ? colors.Items(0) : 0xFFFF0000;
      const TAlphaColor second = colors.Count() > 1 ? colors.Items(1) : 0xFFFFFF00;
      const TIGPWrapMode wrap = FWrapMode == WrapModeClamp ? WrapModeTile : FWrapMode;
      auto brush = FLinearGradientMode == lmPoints
                       ? TIGPLinearGradientBrush::Create(start, end, first, second)
                       : TIGPLinearGradientBrush::Create(ARect, first, second,
                                                         TIGPLinearGradientMode(FLinearGradientMode));
      brush->SetGammaCorrection(FGradient->GetGammaCorrection());
      brush->SetWrapMode(wrap);
      ShapeGradient(*brush);
      return brush;
    }
    default:
      break;
  }
  return TIGPSolidBrush::Create(FColor);
}

// ---------------------------------------------------------------------------------------------
// Pens

TRQGPDashStyle::TRQGPDashStyle(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                               kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPDashStyle::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPDashStyle>()
      .Property("Style", &TRQGPDashStyle::FStyle, &TRQGPDashStyle::SetStyle, kelvra::DashStyleSolid,
                kDashStyleNames)
      .Property("Offset", &TRQGPDashStyle::FOffset, &TRQGPDashStyle::SetOffset, 0.0f)
      .AutoManaged("CustomDash", &TRQGPDashStyle::FCustomDash);
  return table;
}

TRQGPPen::TRQGPPen(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                   kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TLockPersistent(AOwner, ALock, std::move(AOnChange)),
      FBrush(std::make_unique<TRQGPBrush>(this, ALock, NotifyOf(this), AScaleX, AScaleY)),
      FDashStyle(std::make_unique<TRQGPDashStyle>(this, ALock, NotifyOf(this))),
      FCompound(std::make_unique<TRQGPPenCompound>(this, ALock, NotifyOf(this))) {
  InitDefaults(ClassRef);
  FBrush->FColor = FBrush->FColorDefault = 0xFFFF0000;
}

const TPropertyTable& TRQGPPen::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPPen>()
      .Object("Brush", &TRQGPPen::FBrush)
      .Property("Width", &TRQGPPen::FWidth, &TRQGPPen::SetWidth, 1.0f)
      .Property("Alignment", &TRQGPPen::FAlignment, &TRQGPPen::SetAlignment, kelvra::PenAlignmentCenter,
                kPenAlignmentNames)
      .Property("MiterLimit", &TRQGPPen::FMiterLimit, &TRQGPPen::SetMiterLimit, 0.0f)
      .Object("DashStyle", &TRQGPPen::FDashStyle)
      .Property("LineJoin", &TRQGPPen::FLineJoin, &TRQGPPen::SetLineJoin, kelvra::LineJoinMiter,
                kLineJoinNames)
      .Object("Compound", &TRQGPPen::FCompound);
  return table;
}

void TRQGPPen::NotifyProp() {
  FPen.reset();
  TLockPersistent::NotifyProp();
}

TIntf<IGPPen> TRQGPPen::GetGPPenInt(const TIGPRectF& ARect, float AScale) {
  if (FPen) return FPen;
  auto pen = kelvra::TIGPPen::Create(FBrush->GetGPBrush(ARect), AScale * FWidth * FBrush->ScaleX());
  pen->SetAlignment(FAlignment);
  pen->SetMiterLimit(FMiterLimit);
  pen->SetDashOffset(FDashStyle->GetOffset());
  pen->SetLineJoin(FLineJoin);
  if (FDashStyle->GetStyle() == kelvra::DashStyleCustom)
    pen->SetDashPattern(FDashStyle->GetCustomDash()->Values());
  else
    pen->SetDashStyle(FDashStyle->GetStyle());
  if (FCompound->Count() > 0) pen->SetCompoundArray(FCompound->Values());
  FPen = pen;
  return FPen;
}

// ---------------------------------------------------------------------------------------------
// Optional pens and pen collections

TRQGPOptionalPen::TRQGPOptionalPen(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                   kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TRQGPPen(AOwner, std::move(ALock), std::move(AOnChange), AScaleX, AScaleY) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPOptionalPen::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPOptionalPen>()
      .Property("Enabled", &TRQGPOptionalPen::FEnabled, &TRQGPOptionalPen::SetEnabled)
      .Stored(&TRQGPOptionalPen::EnabledStored);
  return table;
}

void TRQGPOptionalPen::SetEnabledDefault(bool AValue) {
  SetEnabled(AValue);
  FEnabledDefault = AValue;
}

const TAlphaColor TRQGPPenCollection::kPalette[14] = {
    0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF7F50, 0xFF808000,
    0xFFFFFFFF, 0xFF90EE90, 0xFF800080, 0xFFFF00FF, 0xFF00FFFF, 0xFF008080, 0xFF000080};

TAlphaColor RQGetNewColor(std::span<const TAlphaColor> APalette,
                          const std::function<int32_t(TAlphaColor)>& ACountOfColor) {
  TAlphaColor color = 0xFFFF0000;
  int32_t fewest = 22000;
  for (const TAlphaColor candidate : APalette)
    if (const int32_t count = ACountOfColor(candidate); count < fewest) {
      fewest = count;
      color = candidate;
    }
  return color;
}

TRQGPPenCollectionItem::TRQGPPenCollectionItem(kelvra::TLockCollection* ACollection)
    : TLockCollectionItem(ACollection) {
  auto* pens = dynamic_cast<TRQGPPenCollection*>(ACollection);
  FPen = std::make_unique<TRQGPPen>(this, GetLock(), [this] { NotifyProp(); }, pens ? pens->ScaleX() : 1,
                                    pens ? pens->ScaleY() : 1);
  InitDefaults(ClassRef);
  if (pens) pens->NewItemCreated(*this);
}

const TPropertyTable& TRQGPPenCollectionItem::Properties() {
  static const TPropertyTable table =
      TPropertyTableBuilder<TRQGPPenCollectionItem>().Object("Pen", &TRQGPPenCollectionItem::FPen);
  return table;
}

TRQGPPenCollection::TRQGPPenCollection(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                       kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TTypedCollection(AOwner, std::move(ALock), std::move(AOnChange)), FScaleX(AScaleX), FScaleY(AScaleY) {}

void TRQGPPenCollection::NewItemCreated(TRQGPPenCollectionItem& AItem) {
  AItem.GetPen()->GetBrush()->SetColor(GetNewColor(kPalette));
  if (FOnChange) FOnChange();
}

TAlphaColor TRQGPPenCollection::GetNewColor(std::span<const TAlphaColor> APalette) const {
  return RQGetNewColor(APalette, [this](TAlphaColor AColor) { return GetCountOfColor(AColor); });
}

int32_t TRQGPPenCollection::GetCountOfColor(TAlphaColor AColor) const {
  int32_t count = 0;
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->GetPen()->GetBrush()->GetColor() == AColor) ++count;
  return count;
}

void TRQGPPenCollection::Update(kelvra::TLockCollectionItem* AItem) {
  TTypedCollection::Update(AItem);
  if (FOnChange) FOnChange();
}

TRQGPOptionalMultiPen::TRQGPOptionalMultiPen(kelvra::TPersistent* AOwner,
                                             TIntf<kelvra::IChangeNotifyLock> ALock,
                                             kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TRQGPOptionalPen(AOwner, ALock, std::move(AOnChange), AScaleX, AScaleY),
      FAdditionalPens(std::make_unique<TRQGPPenCollection>(this, ALock, NotifyOf(this), AScaleX, AScaleY)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPOptionalMultiPen::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPOptionalMultiPen>()
      .Object("AdditionalPens", &TRQGPOptionalMultiPen::FAdditionalPens)
      .Stored(&TRQGPOptionalMultiPen::AdditionalPensStored);
  return table;
}

TRQGPColorItem::TRQGPColorItem(kelvra::TLockCollection* ACollection) : TLockCollectionItem(ACollection) {
  InitDefaults(ClassRef);
  if (auto* items = dynamic_cast<TRQGPBasicColorItems<TRQGPColorItem>*>(ACollection))
    items->NewItemCreated(*this);
}

const TPropertyTable& TRQGPColorItem::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPColorItem>().Property(
      "Color", &TRQGPColorItem::FColor, &TRQGPColorItem::SetColor);
  return table;
}

// ---------------------------------------------------------------------------------------------
// Fonts

TRQGPBasicFont::TRQGPBasicFont(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                               kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPBasicFont::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPBasicFont>()
      .Property("Name", &TRQGPBasicFont::FName, &TRQGPBasicFont::SetName, std::string("Microsoft Sans Serif"))
      .Property("Style", &TRQGPBasicFont::FStyle, &TRQGPBasicFont::SetStyle, kFontStyleNames)
      .Stored(&TRQGPBasicFont::StyleStored);
  return table;
}

void TRQGPBasicFont::SetStyleDefault(TFontStyles AValue) {
  SetStyle(AValue);
  FStyleDefault = AValue;
}

TRQGPSimpleBrushFont::TRQGPSimpleBrushFont(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                           kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TRQGPBasicFont(AOwner, ALock, std::move(AOnChange)),
      FBrush(std::make_unique<TRQGPBrush>(this, ALock, [this] { BrushChange(); }, AScaleX, AScaleY)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPSimpleBrushFont::Properties() {
  static const TPropertyTable table =
      TPropertyTableBuilder<TRQGPSimpleBrushFont>().Object("Brush", &TRQGPSimpleBrushFont::FBrush);
  return table;
}

void TRQGPSimpleBrushFont::BrushChange() {
  FBrush->FBrush.reset();
  NotifyProp();
}

TRQGPSimpleFont::TRQGPSimpleFont(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                 kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TRQGPSimpleBrushFont(AOwner, ALock, std::move(AOnChange), AScaleX, AScaleY),
      FPen(std::make_unique<TRQGPOptionalMultiPen>(this, ALock, NotifyOf(this), AScaleX, AScaleY)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPSimpleFont::Properties() {
  static const TPropertyTable table =
      TPropertyTableBuilder<TRQGPSimpleFont>().Object("Pen", &TRQGPSimpleFont::FPen);
  return table;
}

void TRQGPSimpleFont::NotifyProp() {
  FPen->FPen.reset();
  FPen->GetBrush()->FBrush.reset();
  TRQGPSimpleBrushFont::NotifyProp();
}

void TRQGPSimpleFont::DrawOnGraphics(IGPGraphics& AGraphics, IGPGraphicsPath& APath, float AScale) {
  const TIGPRectF bounds = APath.GetBounds();
  AGraphics.FillPath(*GetBrush()->GetGPBrush(bounds), APath);
  if (!FPen->GetEnabled()) return;
  AGraphics.DrawPath(*FPen->GetGPPenInt(bounds, AScale), APath);
  const TRQGPPenCollection& extra = *FPen->GetAdditionalPens();
  for (int32_t i = 0; i < extra.Count(); ++i)
    AGraphics.DrawPath(*extra.Items(i)->GetPen()->GetGPPenInt(bounds, AScale), APath);
}

TRQGPBrushFont::TRQGPBrushFont(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                               kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TRQGPSimpleBrushFont(AOwner, std::move(ALock), std::move(AOnChange), AScaleX, AScaleY) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPBrushFont::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPBrushFont>().Property(
      "Size", &TRQGPBrushFont::FSize, &TRQGPBrushFont::SetSize, 10);
  return table;
}

TIntf<kelvra::IGPFont> TRQGPBrushFont::GetGPFont() const {
  return kelvra::TIGPFont::Create(kelvra::TIGPFontFamily::Create(GetName()), float(FSize),
                                  GetStyle().Bits(), kelvra::UnitPoint);
}

TRQGPFont::TRQGPFont(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                     kelvra::TProcedure AOnChange, float AScaleX, float AScaleY)
    : TRQGPSimpleFont(AOwner, std::move(ALock), std::move(AOnChange), AScaleX, AScaleY) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPFont::Properties() {
  static const TPropertyTable table =
      TPropertyTableBuilder<TRQGPFont>().Property("Size", &TRQGPFont::FSize, &TRQGPFont::SetSize, 10);
  return table;
}

TRQGPOptionalText::TRQGPOptionalText(kelvra::TPersistent* AOwner, TIntf<kelvra::IChangeNotifyLock> ALock,
                                     kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, ALock, std::move(AOnChange)),
      FFont(std::make_unique<TRQGPFont>(this, ALock, NotifyOf(this))) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TRQGPOptionalText::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TRQGPOptionalText>()
      .Object("Font", &TRQGPOptionalText::FFont)
      .Property("Enabled", &TRQGPOptionalText::FEnabled, &TRQGPOptionalText::SetEnabled, true);
  return table;
}

}  // namespace corvane
