#include "corvane/drawing/RQDrawLayers.h"

#include <algorithm>

#include "kelvra/Kelvra.Persistence.h"

namespace corvane {

using kelvra::TComponent;
using kelvra::TObject;

// ---------------------------------------------------------------------------------------------
// TRQDrawLayer

TRQDrawLayer::TRQDrawLayer(TComponent* AOwner) : TKDComponentItem(AOwner) { InitDefaults(ClassRef); }

TRQDrawLayer::~TRQDrawLayer() {
  const auto section = WriteLock();
  while (!FLayerLinks.empty()) delete FLayerLinks.back();  // each item leaves the links
}

const kelvra::TPropertyTable& TRQDrawLayer::Properties() {
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<TRQDrawLayer>().Property(
      "IsEnabled", &TRQDrawLayer::FEnabled, &TRQDrawLayer::SetIsEnabled, true);
  return table;
}

const kelvra::TClassRef& TRQDrawLayer::GetCollectionClass() const { return TRQDrawLayers::ClassRef; }

void TRQDrawLayer::DoLayerBegin(IKDCanvas&, int32_t, int32_t, float, float) {}
void TRQDrawLayer::DoLayerEnd() {}

void TRQDrawLayer::DoLayerDraw(IKDCanvas& ACanvas, int32_t AWidth, int32_t AHeight, float AX, float AY,
                               bool) {
  const auto section = GetLock()->EnterSection();
  if (section && GetIsEnabled()) DrawLayer(ACanvas, AWidth, AHeight, AX, AY);
}

void TRQDrawLayer::DoLayerMouseMove(TShiftState, float, float) {}
void TRQDrawLayer::DoLayerMouseDown(TMouseButton, TShiftState, float, float) {}
void TRQDrawLayer::DoLayerMouseUp(TMouseButton, TShiftState, float, float) {}
void TRQDrawLayer::DoLayerMouseWheelDown(TShiftState, float, float) {}
void TRQDrawLayer::DoLayerMouseWheelUp(TShiftState, float, float) {}
void TRQDrawLayer::DoLayerMouseEnter() {}
void TRQDrawLayer::DoLayerMouseLeave() {}

TObject* TRQDrawLayer::GetCachedData(const TObject* AKey) const {
  const auto key = std::ranges::find(FCacheKeys, AKey);
  return key == FCacheKeys.end() ? nullptr : FCacheData[size_t(key - FCacheKeys.begin())].get();
}

void TRQDrawLayer::SetCachedData(const TObject* AKey, std::unique_ptr<TObject> AData) {
  const auto key = std::ranges::find(FCacheKeys, AKey);
  if (key == FCacheKeys.end()) {
    if (!AData) return;
    FCacheKeys.push_back(AKey);
    FCacheData.push_back(std::move(AData));
    return;
  }
  const size_t index = size_t(key - FCacheKeys.begin());
  if (AData) {
    FCacheData[index] = std::move(AData);
  } else {
    FCacheKeys.erase(key);
    FCacheData.erase(FCacheData.begin() + ptrdiff_t(index));
  }
}

void TRQDrawLayer::ClearCachedData() {
  const auto section = WriteLock();
  FCacheKeys.clear();
  FCacheData.clear();
}

TRQDrawLayerOperations TRQDrawLayer::GetOperations() const {
  return GetIsEnabled() ? TRQDrawLayerOperations{dloDraw} : TRQDrawLayerOperations{};
}

void TRQDrawLayer::DrawLayer(IKDCanvas& ACanvas, int32_t AWidth, int32_t AHeight, float AX, float AY) {
  const auto graphics = ACanvas.GetGPGraphics();
  graphics->TranslateTransform(AX, AY, kelvra::MatrixOrderPrepend);
  IntDraw(*graphics, AWidth, AHeight);
}

void TRQDrawLayer::IntDraw(kelvra::IGPGraphics&, int32_t, int32_t) {}

void TRQDrawLayer::NotifyProp() {
  TKDComponentItem::NotifyProp();
  ClearCachedData();
}

void TRQDrawLayer::AddLayerLink(TRQLayerCollectionItem* AItem) {
  const auto section = WriteLock();
  FLayerLinks.push_back(AItem);
}

void TRQDrawLayer::RemoveLayerLink(TRQLayerCollectionItem* AItem) {
  const auto section = WriteLock();
  std::erase(FLayerLinks, AItem);
}

// ---------------------------------------------------------------------------------------------
// TRQLayerCollectionItem

TRQLayerCollectionItem::TRQLayerCollectionItem(kelvra::TLockCollection* ACollection)
    : TLockCollectionItem(ACollection) {
  if (TRQLayerCollection* collection = Collection()) collection->NewItemCreated(*this);
}

TRQLayerCollectionItem::~TRQLayerCollectionItem() { SetLayer(nullptr); }

TRQLayerCollection* TRQLayerCollectionItem::Collection() const {
  return dynamic_cast<TRQLayerCollection*>(GetCollection());
}

TKDComponentItems* TRQLayerCollectionItem::OwnerList() const {
  TRQLayerCollection* collection = Collection();
  return collection && collection->GetDrawLayer() ? collection->GetDrawLayer()->GetList() : nullptr;
}

TKDComponentItem* TRQLayerCollectionItem::GetLayer() {
  if (!FLayer && FLayerIndex != -1) SetLayerIndex(FLayerIndex);
  return FLayer;
}

void TRQLayerCollectionItem::SetLayer(TComponent* AComponent) {
  auto* layer = dynamic_cast<TKDComponentItem*>(AComponent);
  if (AComponent == FLayer) return;
  if (layer) {
    TRQLayerCollection* collection = Collection();
    TRQDrawLayer* own = collection ? collection->GetDrawLayer() : nullptr;
    if (layer == own || layer->GetList() != (own ? own->GetList() : nullptr)) return;
  }
  if (auto* old = dynamic_cast<TRQDrawLayer*>(FLayer)) old->RemoveLayerLink(this);
  FLayer = nullptr;
  FLayerIndex = -1;
  if (!layer) return;
  FLayer = layer;
  if (auto* drawLayer = dynamic_cast<TRQDrawLayer*>(layer)) drawLayer->AddLayerLink(this);
  FLayerIndex = layer->GetIndex();
}

int32_t TRQLayerCollectionItem::GetLayerIndex() { return FLayer ? FLayer->GetIndex() : FLayerIndex; }

void TRQLayerCollectionItem::SetLayerIndex(int32_t AIndex) {
  FLayerIndex = AIndex;
  TKDComponentItems* list = OwnerList();
  if (list && AIndex >= 0 && AIndex < list->Count()) SetLayer(list->Items(AIndex));
}

std::string TRQLayerCollectionItem::GetDisplayName() const {
  return FLayer ? FLayer->GetName() : TLockCollectionItem::GetDisplayName();
}

void TRQLayerCollectionItem::DefineProperties(kelvra::TFiler& AFiler) {
  AFiler.DefineProperty(
      "LayerIndex", [this](kelvra::TReader& AReader) { SetLayerIndex(int32_t(AReader.ReadInteger())); },
      [this](kelvra::TWriter& AWriter) { AWriter.WriteInteger(GetLayerIndex()); }, true);
}

// ---------------------------------------------------------------------------------------------
// TRQLayerCollection

TRQLayerCollection::TRQLayerCollection(TRQDrawLayer* ADrawLayer, kelvra::TProcedure AOnChange)
    : TTypedCollection(ADrawLayer, ADrawLayer->GetLock(), std::move(AOnChange)), FDrawLayer(ADrawLayer) {}

TRQLayerCollectionItem* TRQLayerCollection::Add() {
  const TKDComponentItems* list = FDrawLayer->GetList();
  if (!list || list->Count() == 0) return nullptr;
  return TTypedCollection::Add();
}

int32_t TRQLayerCollection::GetCountOfLayers(const TKDComponentItem* ALayer) const {
  int32_t count = 0;
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->GetLayer() == ALayer) ++count;
  return count;
}

TKDComponentItem* TRQLayerCollection::GetNewLayer() const {
  const TKDComponentItems* list = FDrawLayer->GetList();
  if (!list) return nullptr;
  TKDComponentItem* chosen = nullptr;
  int32_t fewest = 22000;
  for (TKDComponentItem* layer : *list)
    if (layer && layer != FDrawLayer)
      if (const int32_t count = GetCountOfLayers(layer); count < fewest) {
        fewest = count;
        chosen = layer;
      }
  return chosen;
}

void TRQLayerCollection::NewItemCreated(TRQLayerCollectionItem& AItem) { AItem.SetLayer(GetNewLayer()); }

// ---------------------------------------------------------------------------------------------

void RQRegisterLayerComponent(const kelvra::TClassRef& AComponentClass, const std::string& AGroupName) {
  const kelvra::TClassRef* collections[] = {&TRQDrawLayers::ClassRef};
  KDRegisterCollectionComponent(collections, AComponentClass, AGroupName);
}

void RQDrawLayers::RegisterPkg() {
  const kelvra::TClassRef* classes[] = {&TRQDrawLayers::ClassRef};
  kelvra::TClassManagement::RegisterClasses(classes);
}

}  // namespace corvane
