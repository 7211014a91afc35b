// The persistent property objects that components build their drawing tools from: brushes (solid,
// hatch, texture, linear and path gradient) and pens (dash style, compound lines), with the value
// lists that gradients, blends and dashes need, and the image they carry. Each object keeps its
// settings as published properties and makes, on request, a drawing-wrapper object
// (kelvra/Kelvra.GDIPlus.h) from them. The shading routines of the same unit are in
// RQGDIPlusProperties.Primitives.h.
//
// Every object is a TLockPersistent of its owner: setters store under the owner's lock and notify
// only on a change; a sub-object reports its changes to its owner. A brush or pen keeps the
// wrapper object it made until its next change (NotifyProp), whatever rectangle or scale a later
// request passes. The scales are fixed at construction.
//
// Threads: property writes go through the owner's lock; GetGPBrush and GetGPPen take no lock and
// are called from one thread at a time (the drawing one).
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "corvane/drawing/RQGDIPlusProperties.Primitives.h"
#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane {

using kelvra::IGPImage;
using kelvra::TPointF;

enum TRQGPLinerGradientBrushMode : uint8_t {
  lmHorizontal,
  lmVertical,
  lmForwardDiagonal,
  lmBackwardDiagonal,
  lmPoints
};
enum TRQGPBlendShapeType : uint8_t { bstNone, bstTriangular, bstBell };

// The base of the five value lists: a growable array with an update counter. Add, Clear and item
// writes notify; BeginUpdate/EndUpdate hold notifications back until the counter is 0 again.
//
// A list that is not empty streams as one list value under its name ("Points", "Colors",
// "Blends" or "Values"): the count, then the entries; a point or a blend as a list of its two
// singles (x, y; factor, position), a colour as an integer (its unsigned value), an interpolation
// colour as its colour and its position, not nested. Reading sets the length to the count, fills
// the entries in order and notifies once; entries past the count are passed over, and a count
// that is negative or larger than the entries present raises EReadError.
template <class TEntry>
class TRQGPValueList : public kelvra::TLockPersistent {
 public:
  using TLockPersistent::TLockPersistent;
  int32_t Count() const { return int32_t(FItems.size()); }
  TEntry Items(int32_t AIndex) const { return FItems[size_t(AIndex)]; }
  void SetItems(int32_t AIndex, TEntry AValue) {
    FItems[size_t(AIndex)] = Checked(AValue);
    NotifyProp();
  }
  std::span<const TEntry> Values() const { return FItems; }
  void Clear() {
    FItems.clear();
    NotifyProp();
  }
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    --FUpdateCount;
    NotifyProp();
  }
  void NotifyProp() override {
    if (FUpdateCount == 0) TLockPersistent::NotifyProp();
  }
  // From a list of the same class: a copy of its entries, taken under the lock, then a notification.
  void Assign(const kelvra::TPersistent& ASource) override;
  void DefineProperties(kelvra::TFiler& AFiler) override;

 protected:
  void AddEntry(TEntry AValue) {
    FItems.push_back(Checked(AValue));
    NotifyProp();
  }
  // The value as the list stores it.
  virtual TEntry Checked(TEntry AValue) const { return AValue; }

 private:
  void ReadItems(kelvra::TReader& AReader);
  void WriteItems(kelvra::TWriter& AWriter) const;

  std::vector<TEntry> FItems;
  int32_t FUpdateCount = 0;
};

#define CORVANE_VALUE_LIST_CLASS(Name)                                              \
  static const kelvra::TClassRef ClassRef;                                          \
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

class TRQGPPoints : public TRQGPValueList<TPointF> {
 public:
  CORVANE_VALUE_LIST_CLASS(TRQGPPoints)
  using TRQGPValueList::TRQGPValueList;
  void Add(float AX, float AY) { AddEntry({AX, AY}); }
};

class TRQGPColors : public TRQGPValueList<TAlphaColor> {
 public:
  CORVANE_VALUE_LIST_CLASS(TRQGPColors)
  using TRQGPValueList::TRQGPValueList;
  void Add(TAlphaColor AColor) { AddEntry(AColor); }
};

class TRQGPInterpolationColors : public TRQGPValueList<kelvra::TIGPInterpolationColor> {
 public:
  CORVANE_VALUE_LIST_CLASS(TRQGPInterpolationColors)
  using TRQGPValueList::TRQGPValueList;
  void Add(TAlphaColor AColor, float APosition) { AddEntry({APosition, AColor}); }
};

class TRQGPBlends : public TRQGPValueList<kelvra::TIGPBlend> {
 public:
  CORVANE_VALUE_LIST_CLASS(TRQGPBlends)
  using TRQGPValueList::TRQGPValueList;
  void Add(kelvra::TIGPBlend ABlend) { AddEntry(ABlend); }
  void Add(float AFactor, float APosition) { AddEntry({AFactor, APosition}); }
};

// Values of 0 or more: a negative one is stored as 0.
class TRQGPSingleArray : public TRQGPValueList<float> {
 public:
  CORVANE_VALUE_LIST_CLASS(TRQGPSingleArray)
  using TRQGPValueList::TRQGPValueList;
  void Add(float AValue) { AddEntry(AValue); }

 protected:
  float Checked(float AValue) const override { return std::max(AValue, 0.0f); }
};

class TRQGPCustomDash : public TRQGPSingleArray {
 public:
  CORVANE_VALUE_LIST_CLASS(TRQGPCustomDash)
  using TRQGPSingleArray::TRQGPSingleArray;
};

// Values from 0 to 1.
class TRQGPPenCompound : public TRQGPSingleArray {
 public:
  CORVANE_VALUE_LIST_CLASS(TRQGPPenCompound)
  using TRQGPSingleArray::TRQGPSingleArray;

 protected:
  float Checked(float AValue) const override { return TRQGPSingleArray::Checked(std::min(AValue, 1.0f)); }
};

#undef CORVANE_VALUE_LIST_CLASS

// Declares the class reference, the property table and the constructor of a property object.
#define CORVANE_PROPERTY_CLASS(Name)                                                 \
 public:                                                                             \
  static const kelvra::TClassRef ClassRef;                                           \
  static const kelvra::TPropertyTable& Properties();                                 \
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }          \
  Name(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock, \
       kelvra::TProcedure AOnChange)

class TRQGPPoint : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPPoint);
  float GetX() const { return FPoint.X; }
  float GetY() const { return FPoint.Y; }
  void SetX(float AValue) { SetProperty(FPoint.X, AValue); }
  void SetY(float AValue) { SetProperty(FPoint.Y, AValue); }

 private:
  TPointF FPoint;
};

class TRQGPCenterPoint : public TRQGPPoint {
  CORVANE_PROPERTY_CLASS(TRQGPCenterPoint);
  bool GetAutoCenter() const { return FAutoCenter; }
  void SetAutoCenter(bool AValue) { SetProperty(FAutoCenter, AValue); }

 private:
  bool FAutoCenter{};
};

class TRQGPCenterColor : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPCenterColor);
  TAlphaColor GetColor() const { return FColor; }
  void SetColor(TAlphaColor AValue) { SetProperty(FColor, AValue); }
  TRQGPCenterPoint* GetPoint() const { return FPoint.get(); }

 private:
  TAlphaColor FColor{};
  std::unique_ptr<TRQGPCenterPoint> FPoint;
};

class TRQGPHatch : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPHatch);
  TAlphaColor GetForegroundColor() const { return FForegroundColor; }
  void SetForegroundColor(TAlphaColor AValue) { SetProperty(FForegroundColor, AValue); }
  TAlphaColor GetBackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TAlphaColor AValue) { SetProperty(FBackgroundColor, AValue); }
  kelvra::TIGPHatchStyle GetStyle() const { return FStyle; }
  void SetStyle(kelvra::TIGPHatchStyle AValue) { SetProperty(FStyle, AValue); }

 private:
  TAlphaColor FForegroundColor{}, FBackgroundColor{};
  kelvra::TIGPHatchStyle FStyle{};
};

class TRQGPBlendShape : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPBlendShape);
  TRQGPBlendShapeType GetShapeType() const { return FShapeType; }
  void SetShapeType(TRQGPBlendShapeType AValue) { SetProperty(FShapeType, AValue); }
  float GetFocus() const { return FFocus; }
  void SetFocus(float AValue) { SetProperty(FFocus, AValue); }
  float GetScale() const { return FScale; }
  void SetScale(float AValue) { SetProperty(FScale, AValue); }

 private:
  TRQGPBlendShapeType FShapeType{};
  float FFocus{}, FScale{};
};

class TRQGPBlend : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPBlend);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }
  TRQGPBlends* GetBlends() const { return FBlends.get(); }
  TRQGPBlendShape* GetShape() const { return FShape.get(); }

 private:
  bool FEnabled{};
  std::unique_ptr<TRQGPBlends> FBlends;
  std::unique_ptr<TRQGPBlendShape> FShape;
};

class TRQGPGradient : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPGradient);
  TRQGPPoints* GetPath() const { return FPath.get(); }
  TRQGPColors* GetColors() const { return FColors.get(); }
  TRQGPCenterColor* GetCenterColor() const { return FCenterColor.get(); }
  bool GetGammaCorrection() const { return FGammaCorrection; }
  void SetGammaCorrection(bool AValue) { SetProperty(FGammaCorrection, AValue); }

 private:
  std::unique_ptr<TRQGPPoints> FPath;
  std::unique_ptr<TRQGPColors> FColors;
  std::unique_ptr<TRQGPCenterColor> FCenterColor;
  bool FGammaCorrection{};
};

// An image, streamed as "Data" (PNG) when there is one.
class TRQGPImage : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPImage);
  kelvra::TIntf<IGPImage> GetGPImage() const { return FImage; }
  void SetGPImage(const kelvra::TIntf<IGPImage>& AImage) { SetProperty(FImage, AImage); }
  bool IsEmpty() const { return !FImage; }
  void Clear();
  uint32_t Width() const { return FImage ? FImage->GetWidth() : 0; }
  uint32_t Height() const { return FImage ? FImage->GetHeight() : 0; }
  // EFOpenError "Cannot open file "<expanded name>"." for a missing file, the image unchanged.
  void LoadFromFile(const std::string& AFileName);
  void LoadFromStream(kelvra::TStream& AStream);
  void SaveToStream(kelvra::TStream& AStream) const { SaveToStream(AStream, "png"); }
  void SaveToStream(kelvra::TStream& AStream, const std::string& AFormat) const;
  // In the format the name's extension names ("jpg" as "jpeg", none as "bmp"); nothing without
  // an image.
  void SaveToFile(const std::string& AFileName) const;
  void SaveToFile(const std::string& AFileName, const std::string& AFormat) const;
  static std::vector<std::string> GetFormats();
  void Assign(const kelvra::TPersistent& ASource) override;
  void DefineProperties(kelvra::TFiler& AFiler) override;

 private:
  kelvra::TIntf<IGPImage> FImage;
};

class TRQGPBrush : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TRQGPBrush(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
             kelvra::TProcedure AOnChange, float AScaleX = 1, float AScaleY = 1);

  kelvra::TIGPBrushType GetBrushType() const { return FBrushType; }
  void SetBrushType(kelvra::TIGPBrushType AValue) { SetProperty(FBrushType, AValue); }
  TAlphaColor GetColor() const { return FColor; }
  void SetColor(TAlphaColor AValue) { SetProperty(FColor, AValue); }
  // Sets both Color and its default.
  void SetColorDefault(TAlphaColor AValue);
  TRQGPImage* GetTexture() const { return FTexture.get(); }
  TRQGPGradient* GetGradient() const { return FGradient.get(); }
  TRQGPHatch* GetHatch() const { return FHatch.get(); }
  TRQGPBlend* GetBlend() const { return FBlend.get(); }
  TRQGPInterpolationColors* GetInterpolationColors() const { return FInterpolationColors.get(); }
  kelvra::TIGPWrapMode GetWrapMode() const { return FWrapMode; }
  void SetWrapMode(kelvra::TIGPWrapMode AValue) { SetProperty(FWrapMode, AValue); }
  TRQGPLinerGradientBrushMode GetLinearGradientMode() const { return FLinearGradientMode; }
  void SetLinearGradientMode(TRQGPLinerGradientBrushMode AValue) { SetProperty(FLinearGradientMode, AValue); }
  float ScaleX() const { return FScaleX; }
  float ScaleY() const { return FScaleY; }

  // The cached brush, or a new one for the rectangle.
  kelvra::TIntf<kelvra::IGPBrush> GetGPBrush(const TIGPRectF& ARect);
  // Drops the cached brush, then notifies.
  void NotifyProp() override;

 private:
  friend class TRQGPPen;
  friend class TRQGPSimpleBrushFont;
  friend class TRQGPSimpleFont;
  bool ColorStored() const { return FColor != FColorDefault; }
  kelvra::TIntf<kelvra::IGPBrush> MakeBrush(const TIGPRectF& ARect) const;
  TPointF Scaled(TPointF APoint) const { return {APoint.X * FScaleX, APoint.Y * FScaleY}; }
  void ShapeGradient(kelvra::IGPGradientBrush& ABrush) const;

  kelvra::TIGPBrushType FBrushType{};
  TAlphaColor FColor{}, FColorDefault = 0xFFFFFF00;
  std::unique_ptr<TRQGPImage> FTexture;
  std::unique_ptr<TRQGPGradient> FGradient;
  std::unique_ptr<TRQGPHatch> FHatch;
  std::unique_ptr<TRQGPBlend> FBlend;
  std::unique_ptr<TRQGPInterpolationColors> FInterpolationColors;
  kelvra::TIGPWrapMode FWrapMode{};
  TRQGPLinerGradientBrushMode FLinearGradientMode{};
  float FScaleX, FScaleY;
  kelvra::TIntf<kelvra::IGPBrush> FBrush;
};

class TRQGPDashStyle : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPDashStyle);
  kelvra::TIGPDashStyle GetStyle() const { return FStyle; }
  void SetStyle(kelvra::TIGPDashStyle AValue) { SetProperty(FStyle, AValue); }
  float GetOffset() const { return FOffset; }
  void SetOffset(float AValue) { SetProperty(FOffset, AValue); }
  TRQGPCustomDash* GetCustomDash() const { return FCustomDash.get(); }

 private:
  kelvra::TIGPDashStyle FStyle{};
  float FOffset{};
  std::unique_ptr<TRQGPCustomDash> FCustomDash;
};

class TRQGPPen : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TRQGPPen(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
           kelvra::TProcedure AOnChange, float AScaleX = 1, float AScaleY = 1);

  TRQGPBrush* GetBrush() const { return FBrush.get(); }
  float GetWidth() const { return FWidth; }
  // A width of 0 or less is stored as 0.0001.
  void SetWidth(float AValue) { SetProperty(FWidth, AValue <= 0 ? 0.0001f : AValue); }
  kelvra::TIGPPenAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(kelvra::TIGPPenAlignment AValue) { SetProperty(FAlignment, AValue); }
  float GetMiterLimit() const { return FMiterLimit; }
  void SetMiterLimit(float AValue) { SetProperty(FMiterLimit, AValue); }
  TRQGPDashStyle* GetDashStyle() const { return FDashStyle.get(); }
  kelvra::TIGPLineJoin GetLineJoin() const { return FLineJoin; }
  void SetLineJoin(kelvra::TIGPLineJoin AValue) { SetProperty(FLineJoin, AValue); }
  TRQGPPenCompound* GetCompound() const { return FCompound.get(); }

  kelvra::TIntf<IGPPen> GetGPPen(const TIGPRectF& ARect) { return GetGPPenInt(ARect, 1.0f); }
  // The cached pen, or a new one for the rectangle, its width multiplied by AScale.
  kelvra::TIntf<IGPPen> GetGPPenInt(const TIGPRectF& ARect, float AScale);
  // Drops the cached pen, then notifies.
  void NotifyProp() override;

 private:
  friend class TRQGPSimpleFont;
  std::unique_ptr<TRQGPBrush> FBrush;
  float FWidth{};
  kelvra::TIGPPenAlignment FAlignment{};
  float FMiterLimit{};
  std::unique_ptr<TRQGPDashStyle> FDashStyle;
  kelvra::TIGPLineJoin FLineJoin{};
  std::unique_ptr<TRQGPPenCompound> FCompound;
  kelvra::TIntf<IGPPen> FPen;
};


// A pen that can be switched off.
class TRQGPOptionalPen : public TRQGPPen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TRQGPOptionalPen(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                   kelvra::TProcedure AOnChange, float AScaleX = 1, float AScaleY = 1);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }
  // Sets both Enabled and its default.
  void SetEnabledDefault(bool AValue);

 private:
  bool EnabledStored() const { return FEnabled != FEnabledDefault; }
  bool FEnabled{}, FEnabledDefault{};
};

class TRQGPPenCollection;

class TRQGPPenCollectionItem : public kelvra::TLockCollectionItem {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  // Joins ACollection (a TRQGPPenCollection), whose lock and scales its pen takes, and is given its
  // colour there.
  explicit TRQGPPenCollectionItem(kelvra::TLockCollection* ACollection);
  TRQGPPen* GetPen() const { return FPen.get(); }

 private:
  std::unique_ptr<TRQGPPen> FPen;
};

// Picks the palette colour that the fewest items carry (see GetNewColor).
TAlphaColor RQGetNewColor(std::span<const TAlphaColor> APalette,
                          const std::function<int32_t(TAlphaColor)>& ACountOfColor);

// Extra pens, each new one in the palette colour that the fewest pens of the collection have.
class TRQGPPenCollection : public kelvra::TTypedCollection<TRQGPPenCollectionItem> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static const TAlphaColor kPalette[14];
  TRQGPPenCollection(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                     kelvra::TProcedure AOnChange, float AScaleX = 1, float AScaleY = 1);
  float ScaleX() const { return FScaleX; }
  float ScaleY() const { return FScaleY; }
  // Called after every change and new item, when set.
  kelvra::TProcedure FOnChange;
  // Gives the new item its pen colour, then calls FOnChange.
  void NewItemCreated(TRQGPPenCollectionItem& AItem);
  TAlphaColor GetNewColor(std::span<const TAlphaColor> APalette) const;
  // The items held now whose pen's brush has the colour.
  int32_t GetCountOfColor(TAlphaColor AColor) const;

 protected:
  void Update(kelvra::TLockCollectionItem* AItem) override;

 private:
  float FScaleX, FScaleY;
};

// An optional pen with further pens drawn after it.
class TRQGPOptionalMultiPen : public TRQGPOptionalPen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TRQGPOptionalMultiPen(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                        kelvra::TProcedure AOnChange, float AScaleX = 1, float AScaleY = 1);
  TRQGPPenCollection* GetAdditionalPens() const { return FAdditionalPens.get(); }

 private:
  bool AdditionalPensStored() const { return FAdditionalPens->Count() > 0; }
  std::unique_ptr<TRQGPPenCollection> FAdditionalPens;
};

class TRQGPColorItem : public kelvra::TLockCollectionItem {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  // Joins ACollection (a TRQGPBasicColorItems), which gives it its colour.
  explicit TRQGPColorItem(kelvra::TLockCollection* ACollection);
  TAlphaColor GetColor() const { return FColor; }
  void SetColor(TAlphaColor AValue) { SetProperty(FColor, AValue); }

 private:
  TAlphaColor FColor{};
};

// Colour items, each new one in the palette colour that the fewest other items have.
template <class T>
class TRQGPBasicColorItems : public kelvra::TTypedCollection<T> {
 public:
  TRQGPBasicColorItems(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                       kelvra::TProcedure AOnChange, std::span<const TAlphaColor> APalette)
      : kelvra::TTypedCollection<T>(AOwner, std::move(ALock), std::move(AOnChange)),
        FPalette(APalette.begin(), APalette.end()) {}
  kelvra::TProcedure FOnChange;
  void NewItemCreated(T& AItem) {
    AItem.SetColor(GetNewColor(FPalette, &AItem));
    if (FOnChange) FOnChange();
  }
  // The palette colour the fewest items other than ANew carry.
  TAlphaColor GetNewColor(std::span<const TAlphaColor> APalette, const T* ANew = nullptr) const {
    return RQGetNewColor(APalette, [&](TAlphaColor AColor) { return GetCountOfColor(AColor, ANew); });
  }
  int32_t GetCountOfColor(TAlphaColor AColor, const T* ANew = nullptr) const {
    int32_t count = 0;
    for (int32_t i = 0; i < this->Count(); ++i)
      if (const T* item = this->Items(i); item != ANew && item->GetColor() == AColor) ++count;
    return count;
  }

 protected:
  void Update(kelvra::TLockCollectionItem* AItem) override {
    kelvra::TTypedCollection<T>::Update(AItem);
    if (FOnChange) FOnChange();
  }

 private:
  std::vector<TAlphaColor> FPalette;
};

class TRQGPColorItems : public TRQGPBasicColorItems<TRQGPColorItem> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TRQGPBasicColorItems::TRQGPBasicColorItems;
};

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
// Its bits are the font style bits of the drawing wrapper (bold 1, italic 2, underline 4,
// strike-out 8); the published Style streams as the set of its members' names.
using TFontStyles = kelvra::TSet<TFontStyle, uint8_t>;

// Declares the class reference, the property table and the scaled constructor of a font.
#define CORVANE_FONT_CLASS(Name)                                                           \
 public:                                                                                   \
  static const kelvra::TClassRef ClassRef;                                                 \
  static const kelvra::TPropertyTable& Properties();                                       \
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }                \
  Name(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,       \
       kelvra::TProcedure AOnChange, float AScaleX = 1, float AScaleY = 1)

class TRQGPBasicFont : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TRQGPBasicFont(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                 kelvra::TProcedure AOnChange);
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& AValue) { SetProperty(FName, AValue); }
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles AValue) { SetProperty(FStyle, AValue); }
  // Sets Style through its setter, then its default.
  void SetStyleDefault(TFontStyles AValue);

 private:
  bool StyleStored() const { return FStyle != FStyleDefault; }
  std::string FName;
  TFontStyles FStyle, FStyleDefault;
};

class TRQGPSimpleBrushFont : public TRQGPBasicFont {
  CORVANE_FONT_CLASS(TRQGPSimpleBrushFont);
  TRQGPBrush* GetBrush() const { return FBrush.get(); }
  // Drops the cached brush of Brush, then NotifyProp.
  void BrushChange();

 private:
  std::unique_ptr<TRQGPBrush> FBrush;
};

class TRQGPSimpleFont : public TRQGPSimpleBrushFont {
  CORVANE_FONT_CLASS(TRQGPSimpleFont);
  TRQGPOptionalMultiPen* GetPen() const { return FPen.get(); }
  // Fills the path with the brush over the path's bounds, then, when the pen is enabled, draws
  // it with the pen and each additional pen in turn, their widths times AScale.
  void DrawOnGraphics(IGPGraphics& AGraphics, IGPGraphicsPath& APath, float AScale);
  // Drops the cached pen of Pen and the cached brush of Pen.Brush, then notifies.
  void NotifyProp() override;

 private:
  std::unique_ptr<TRQGPOptionalMultiPen> FPen;
};

class TRQGPBrushFont : public TRQGPSimpleBrushFont {
  CORVANE_FONT_CLASS(TRQGPBrushFont);
  int32_t GetSize() const { return FSize; }
  void SetSize(int32_t AValue) { SetProperty(FSize, AValue); }
  // A new font of the family Name, em size Size in points, style Style; nothing is cached.
  kelvra::TIntf<kelvra::IGPFont> GetGPFont() const;

 private:
  int32_t FSize{};
};

class TRQGPFont : public TRQGPSimpleFont {
  CORVANE_FONT_CLASS(TRQGPFont);
  int32_t GetSize() const { return FSize; }
  void SetSize(int32_t AValue) { SetProperty(FSize, AValue); }

 private:
  int32_t FSize{};
};

class TRQGPOptionalText : public kelvra::TLockPersistent {
  CORVANE_PROPERTY_CLASS(TRQGPOptionalText);
  TRQGPFont* GetFont() const { return FFont.get(); }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }

 private:
  std::unique_ptr<TRQGPFont> FFont;
  bool FEnabled{};
};

#undef CORVANE_FONT_CLASS

#undef CORVANE_PROPERTY_CLASS

inline constexpr kelvra::TClassRef TRQGPPoints::ClassRef =
    kelvra::ClassRefOf<TRQGPPoints, kelvra::TLockPersistent>("TRQGPPoints");
inline constexpr kelvra::TClassRef TRQGPColors::ClassRef =
    kelvra::ClassRefOf<TRQGPColors, kelvra::TLockPersistent>("TRQGPColors");
inline constexpr kelvra::TClassRef TRQGPInterpolationColors::ClassRef =
    kelvra::ClassRefOf<TRQGPInterpolationColors, kelvra::TLockPersistent>("TRQGPInterpolationColors");
inline constexpr kelvra::TClassRef TRQGPBlends::ClassRef =
    kelvra::ClassRefOf<TRQGPBlends, kelvra::TLockPersistent>("TRQGPBlends");
inline constexpr kelvra::TClassRef TRQGPSingleArray::ClassRef =
    kelvra::ClassRefOf<TRQGPSingleArray, kelvra::TLockPersistent>("TRQGPSingleArray");
inline constexpr kelvra::TClassRef TRQGPCustomDash::ClassRef =
    kelvra::ClassRefOf<TRQGPCustomDash, TRQGPSingleArray>("TRQGPCustomDash");
inline constexpr kelvra::TClassRef TRQGPPenCompound::ClassRef =
    kelvra::ClassRefOf<TRQGPPenCompound, TRQGPSingleArray>("TRQGPPenCompound");

#define CORVANE_PROPERTY_CLASS_REF(Name, Parent)      \
  inline constexpr kelvra::TClassRef Name::ClassRef = \
      kelvra::ClassRefOf<Name, Parent>(#Name, {.Properties = &Name::Properties});
CORVANE_PROPERTY_CLASS_REF(TRQGPPoint, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPCenterPoint, TRQGPPoint)
CORVANE_PROPERTY_CLASS_REF(TRQGPCenterColor, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPHatch, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPBlendShape, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPBlend, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPGradient, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPImage, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPBrush, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPDashStyle, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPPen, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPOptionalPen, TRQGPPen)
CORVANE_PROPERTY_CLASS_REF(TRQGPOptionalMultiPen, TRQGPOptionalPen)
CORVANE_PROPERTY_CLASS_REF(TRQGPPenCollectionItem, kelvra::TLockCollectionItem)
CORVANE_PROPERTY_CLASS_REF(TRQGPColorItem, kelvra::TLockCollectionItem)
CORVANE_PROPERTY_CLASS_REF(TRQGPBasicFont, kelvra::TLockPersistent)
CORVANE_PROPERTY_CLASS_REF(TRQGPSimpleBrushFont, TRQGPBasicFont)
CORVANE_PROPERTY_CLASS_REF(TRQGPSimpleFont, TRQGPSimpleBrushFont)
CORVANE_PROPERTY_CLASS_REF(TRQGPBrushFont, TRQGPSimpleBrushFont)
CORVANE_PROPERTY_CLASS_REF(TRQGPFont, TRQGPSimpleFont)
CORVANE_PROPERTY_CLASS_REF(TRQGPOptionalText, kelvra::TLockPersistent)
inline constexpr kelvra::TClassRef TRQGPPenCollection::ClassRef =
    kelvra::ClassRefOf<TRQGPPenCollection, kelvra::TLockCollection>("TRQGPPenCollection");
inline constexpr kelvra::TClassRef TRQGPColorItems::ClassRef =
    kelvra::ClassRefOf<TRQGPColorItems, kelvra::TLockCollection>("TRQGPColorItems");
#undef CORVANE_PROPERTY_CLASS_REF

}  // namespace corvane
