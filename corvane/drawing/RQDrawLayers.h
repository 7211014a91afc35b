// Draw layers: components that a visual component lists, in order, to draw extra content over
// itself. A draw layer is a component item, so the layers of one owner form the owner's component
// list (a TRQDrawLayers); a layer collection (TRQLayerCollection) of one layer refers to sibling
// layers of the same owner through its items.
//
// A layer keeps cached data by key (objects it owns) and drops them all on any property change.
// Destroying a layer frees, last first, every collection item that refers to it.
//
// Decisions: a new layer is enabled (IsEnabled true); a layer's read section is the lock's
// EnterSection (empty while the layer is being destroyed, when drawing is skipped), its write
// section EnterStopSection.
//
// Threads: layers are made, listed and changed on the main thread; DoLayerDraw may run on the
// drawing thread under the read section.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "corvane/drawing/Kelvra.CanvasIntf.h"
#include "corvane/framework/KDComponentCollection.h"
#include "corvane/streams/KDStreamTypes.h"
#include "kelvra/Kelvra.Containers.h"

namespace corvane {

class TRQDrawLayer;
class TRQLayerCollectionItem;

// The component list that draw layers belong in.
class TRQDrawLayers : public TKDTypedComponentItems<TRQDrawLayer> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDTypedComponentItems::TKDTypedComponentItems;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

enum TRQDrawLayerOperation : uint8_t { dloDraw };
using TRQDrawLayerOperations = kelvra::TSet<TRQDrawLayerOperation, uint8_t>;

class TRQDrawLayer : public TKDComponentItem {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQDrawLayer(kelvra::TComponent* AOwner);
  // Frees the collection items that refer to this layer, the last first, under the write section.
  ~TRQDrawLayer() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  const kelvra::TClassRef& GetCollectionClass() const override;

  virtual void DoLayerBegin(IKDCanvas& ACanvas, int32_t AWidth, int32_t AHeight, float AX, float AY);
  virtual void DoLayerEnd();
  // Under a read section that is not empty, DrawLayer when the layer is enabled.
  virtual void DoLayerDraw(IKDCanvas& ACanvas, int32_t AWidth, int32_t AHeight, float AX, float AY,
                           bool AFlag);
  virtual void DoLayerMouseMove(TShiftState AShift, float AX, float AY);
  virtual void DoLayerMouseDown(TMouseButton AButton, TShiftState AShift, float AX, float AY);
  virtual void DoLayerMouseUp(TMouseButton AButton, TShiftState AShift, float AX, float AY);
  virtual void DoLayerMouseWheelDown(TShiftState AShift, float AX, float AY);
  virtual void DoLayerMouseWheelUp(TShiftState AShift, float AX, float AY);
  virtual void DoLayerMouseEnter();
  virtual void DoLayerMouseLeave();
  // The data stored for the key, or nullptr.
  virtual kelvra::TObject* GetCachedData(const kelvra::TObject* AKey) const;
  // For a known key, nullptr removes the key and frees its data, other data replaces (and frees)
  // the old; for a new key, data other than nullptr is stored.
  virtual void SetCachedData(const kelvra::TObject* AKey, std::unique_ptr<kelvra::TObject> AData);
  virtual void ClearCachedData();
  // {dloDraw} while enabled, else empty.
  virtual TRQDrawLayerOperations GetOperations() const;
  // Translates the canvas's graphics by (AX, AY), prepended, and calls IntDraw.
  virtual void DrawLayer(IKDCanvas& ACanvas, int32_t AWidth, int32_t AHeight, float AX, float AY);
  // What a derived layer draws; nothing here.
  virtual void IntDraw(kelvra::IGPGraphics& AGraphics, int32_t AWidth, int32_t AHeight);
  virtual bool GetIsEnabled() const { return FEnabled; }
  virtual void SetIsEnabled(bool AValue) { SetProperty(FEnabled, AValue); }
  // The inherited notification, then ClearCachedData.
  void NotifyProp() override;

  kelvra::TIntf<kelvra::IChangeNotifySection> WriteLock() const { return GetLock()->EnterStopSection(); }
  void AddLayerLink(TRQLayerCollectionItem* AItem);
  void RemoveLayerLink(TRQLayerCollectionItem* AItem);
  const std::vector<TRQLayerCollectionItem*>& LayerLinks() const { return FLayerLinks; }

 private:
  bool FEnabled{};
  std::vector<TRQLayerCollectionItem*> FLayerLinks;
  std::vector<const kelvra::TObject*> FCacheKeys;
  std::vector<std::unique_ptr<kelvra::TObject>> FCacheData;
};

class TRQLayerCollection;

// An item of a layer collection: a sibling layer, or none, with its index in the owner's list.
class TRQLayerCollectionItem : public kelvra::TLockCollectionItem {
 public:
  static const kelvra::TClassRef ClassRef;
  // Joins ACollection (a TRQLayerCollection), which gives it its layer (GetNewLayer).
  explicit TRQLayerCollectionItem(kelvra::TLockCollection* ACollection);
  ~TRQLayerCollectionItem() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  // Resolves a stored index into a layer first, when no layer is set.
  TKDComponentItem* GetLayer();
  // Refuses the collection's own draw layer and layers of other lists; a component that is no
  // component item leaves the item without layer.
  void SetLayer(kelvra::TComponent* AComponent);
  // The layer's index when a layer is set, else the stored index.
  int32_t GetLayerIndex();
  // Stores the index and, when the draw layer is in a list, takes the list's item there.
  void SetLayerIndex(int32_t AIndex);
  std::string GetDisplayName() const override;
  // "LayerIndex", always written.
  void DefineProperties(kelvra::TFiler& AFiler) override;

 private:
  TRQLayerCollection* Collection() const;
  TKDComponentItems* OwnerList() const;

  TKDComponentItem* FLayer = nullptr;
  int32_t FLayerIndex = -1;
};

class TRQLayerCollection : public kelvra::TTypedCollection<TRQLayerCollectionItem> {
 public:
  static const kelvra::TClassRef ClassRef;
  TRQLayerCollection(TRQDrawLayer* ADrawLayer, kelvra::TProcedure AOnChange);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TRQDrawLayer* GetDrawLayer() const { return FDrawLayer; }
  // A new item when the draw layer's list holds a component; nullptr otherwise.
  TRQLayerCollectionItem* Add();
  // How many items refer to the layer.
  int32_t GetCountOfLayers(const TKDComponentItem* ALayer) const;
  // The layer of the owner's list, other than the draw layer, that the fewest items refer to
  // (the first on a tie; none referred to 22000 times or more); nullptr when there is none.
  TKDComponentItem* GetNewLayer() const;
  void NewItemCreated(TRQLayerCollectionItem& AItem);

 private:
  TRQDrawLayer* FDrawLayer;
};

// Lists AComponentClass under AGroupName as a component of the draw layer list class.
void RQRegisterLayerComponent(const kelvra::TClassRef& AComponentClass, const std::string& AGroupName);
// The unit's registration, named after the unit, since every unit of a package may have one.
namespace RQDrawLayers {
// Registers the class TRQDrawLayers.
void RegisterPkg();
}  // namespace RQDrawLayers

inline constexpr kelvra::TClassRef TRQDrawLayers::ClassRef =
    kelvra::ClassRefOf<TRQDrawLayers, TKDComponentItems>("TRQDrawLayers");
inline constexpr kelvra::TClassRef TRQDrawLayer::ClassRef = kelvra::ClassRefOf<TRQDrawLayer, TKDComponentItem>(
    "TRQDrawLayer", {.Properties = &TRQDrawLayer::Properties});
inline constexpr kelvra::TClassRef TRQLayerCollectionItem::ClassRef =
    kelvra::ClassRefOf<TRQLayerCollectionItem, kelvra::TLockCollectionItem>("TRQLayerCollectionItem");
inline constexpr kelvra::TClassRef TRQLayerCollection::ClassRef =
    kelvra::ClassRefOf<TRQLayerCollection, kelvra::TLockCollection>("TRQLayerCollection");

}  // namespace corvane
