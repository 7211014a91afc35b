#include "corvane/framework/KDComponentCollection.h"

#include <limits>
#include <mutex>

#include "kelvra/Kelvra.Modules.h"

namespace corvane {

using kelvra::TClassRef;
using kelvra::TComponent;
using kelvra::TPersistent;

// ---------------------------------------------------------------------------------------------
// Property look-ups.

namespace {

// The object properties of AInstance, sorted by name.
std::vector<const kelvra::TPropertyInfo*> ObjectProperties(const TPersistent& AInstance) {
  std::vector<const kelvra::TPropertyInfo*> properties =
      kelvra::PublishedProperties(AInstance.ClassType());
  std::erase_if(properties,
                [](const kelvra::TPropertyInfo* p) { return p->Kind() != kelvra::pkObject; });
  std::ranges::sort(properties, {}, &kelvra::TPropertyInfo::Name);
  return properties;
}

// The first object property of AInstance, by name, whose object AMatches; nullptr when none.
template <class P>
const kelvra::TPropertyInfo* FindObjectProperty(const TPersistent& AInstance, P AMatches) {
  for (const kelvra::TPropertyInfo* info : ObjectProperties(AInstance))
    if (AMatches(*info, info->GetObject(AInstance))) return info;
  return nullptr;
}

}  // namespace

bool RQGetProperty(const TPersistent& AInstance, const TClassRef& AClass, TPersistent*& AValue) {
  const auto* found = FindObjectProperty(AInstance, [&](auto&, TPersistent* AObject) {
    return AObject && AObject->ClassType().InheritsFrom(AClass);
  });
  if (found) AValue = found->GetObject(AInstance);
  return found;
}

bool RQGetObjPropertyName(const TPersistent& AInstance, const TPersistent& AObject,
                          std::string& AName) {
  const auto* found =
      FindObjectProperty(AInstance, [&](auto&, TPersistent* AValue) { return AValue == &AObject; });
  if (found) AName = found->Name();
  return found;
}

bool RQGetPropertyByName(const TPersistent& AInstance, std::string_view AName,
                         TPersistent*& AValue) {
  const auto* found = FindObjectProperty(
      AInstance, [&](const kelvra::TPropertyInfo& AInfo, auto) { return AInfo.Name() == AName; });
  if (found) AValue = found->GetObject(AInstance);
  return found;
}

// ---------------------------------------------------------------------------------------------
// TKDComponentItem

TKDComponentItem::~TKDComponentItem() {
  if (list_) list_->Notification(this, kelvra::opRemove);
}

const TClassRef& TKDComponentItem::GetCollectionClass() const {
  return TKDComponentItems::ClassRef;
}

std::string TKDComponentItem::GetOwnerProperty() {
  std::string name;
  if (list_ && list_->Owner()) RQGetObjPropertyName(*list_->Owner(), *list_, name);
  return name;
}

int32_t TKDComponentItem::GetIndex() {
  int32_t index = -1;
  if (list_) list_->IndexOf(*this, index);
  return index;
}

void TKDComponentItem::SetList(TKDComponentItems* AList) {
  SetListIndex(AList, -1);
}

void TKDComponentItem::SetListIndex(TKDComponentItems* AList, int32_t AIndex) {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  if (AList == list_) {
    if (AList && AIndex >= 0 && AIndex < AList->Count()) {
      AList->RemoveItem(*this);
      AList->InsertItem(AIndex, *this);
    }
    return;
  }
  if (!AList) {
    TKDComponentItems::Release(*this);
    SetListOwner(nullptr);
  } else if (AIndex >= 0) {
    AList->AddItemAtFixedIndex(AIndex, *this);
  } else {
    AList->AddItem(*this);
  }
  ComponentOwnerChanged();
}

void TKDComponentItem::SetIndex(int32_t AIndex) {
  if (!list_) return;
  const int32_t index = std::clamp(AIndex, 0, list_->Count() - 1);
  const int32_t current = GetIndex();
  if (index == current) return;
  list_->Exchange(current, index);
  ComponentIndexChanged(index);
}

void TKDComponentItem::SetParentComponent(TComponent* AParent) {
  SetListOwner(AParent);
  TPersistent* list = nullptr;
  if (AParent && !ComponentState().Contains(kelvra::csLoading) &&
      RQGetProperty(*AParent, GetCollectionClass(), list))
    SetList(static_cast<TKDComponentItems*>(list));
}

void TKDComponentItem::JoinListOf(TComponent& ARoot, const std::string& AName) {
  if (&ARoot == this) return;
  TPersistent* list = nullptr;
  if (!RQGetPropertyByName(ARoot, AName, list) ||
      !list->ClassType().InheritsFrom(GetCollectionClass()))
    throw kelvra::EComponentError("No list property " + AName + " in " +
                                  std::string(ARoot.ClassName()));
  SetList(static_cast<TKDComponentItems*>(list));
}

void TKDComponentItem::DefineProperties(kelvra::TFiler& AFiler) {
  TLockComponent::DefineProperties(AFiler);
  const std::string property = GetOwnerProperty();
  AFiler.DefineProperty(
      "_OwnerCollection",
      [this](kelvra::TReader& AReader) { JoinListOf(AReader.Root(), AReader.ReadString()); },
      [property](kelvra::TWriter& AWriter) { AWriter.WriteString(property); }, !property.empty());
}

void TKDComponentItem::SerializationRead(kelvra::ISequentialReader& AReader) {
  const std::string name = AReader.ReadString("_OwnerCollection");
  if (!name.empty()) JoinListOf(GetOwner() ? *GetOwner() : *this, name);
}

void TKDComponentItem::SerializationWrite(kelvra::ISequentialWriter& AWriter) {
  AWriter.WriteString("_OwnerCollection", GetOwnerProperty());
}

// ---------------------------------------------------------------------------------------------
// TKDComponentItems

// A list is no component, so a component of its own takes the free notices of its items.
class TKDComponentItems::TFreeWatch final : public TComponent {
 public:
  explicit TFreeWatch(TKDComponentItems& AList) : TComponent(nullptr), list_(AList) {}
  void Notification(TComponent* AComponent, kelvra::TOperation AOperation) override {
    TComponent::Notification(AComponent, AOperation);
    list_.Notification(AComponent, AOperation);
  }

 private:
  TKDComponentItems& list_;
};

TKDComponentItems::TKDComponentItems(TPersistent* AOwner,
                                     kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                                     kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)),
      owner_(AOwner && AOwner->ClassType().InheritsFrom(TComponent::ClassRef)
                 ? static_cast<TComponent*>(AOwner)
                 : nullptr),
      freeWatch_(new TFreeWatch(*this)) {
  KELVRA_ASSERT(owner_ || !AOwner);
}

TKDComponentItems::~TKDComponentItems() {
  Clear(true);
}

void TKDComponentItems::Notification(TComponent* AComponent, kelvra::TOperation AOperation) {
  if (AOperation != kelvra::opRemove) return;
  const auto found = std::ranges::find(items_, AComponent,
                                       [](TKDComponentItem* AItem) -> TComponent* { return AItem; });
  if (found == items_.end()) return;
  TKDComponentItem& item = **found;
  // A stop section: the item is being freed, and plain sections are refused from then on.
  const auto section = item.GetLock()->EnterStopSection();
  RemoveItem(item);
}

void TKDComponentItems::Release(TKDComponentItem& AItem) {
  TKDComponentItems* list = AItem.list_;
  if (!list) return;
  list->Unlink(AItem);
  std::erase(list->items_, &AItem);
  list->Changed();
}

void TKDComponentItems::Link(TKDComponentItem& AItem) {
  AItem.list_ = this;
  AItem.SetListOwner(owner_);
  freeWatch_->FreeNotification(AItem);
}

void TKDComponentItems::Unlink(TKDComponentItem& AItem) {
  AItem.list_ = nullptr;
  freeWatch_->RemoveFreeNotification(AItem);
}

void TKDComponentItems::Changed() {
  if (!GetLock()->IsDestroying()) NotifyProp();
}

void TKDComponentItems::AddItem(TKDComponentItem& AItem) {
  Release(AItem);
  items_.push_back(&AItem);
  Link(AItem);
  Changed();
  if (onAdded_) onAdded_(AItem);
}

void TKDComponentItems::AddItemAtFixedIndex(int32_t AIndex, TKDComponentItem& AItem) {
  Release(AItem);
  kelvra::CheckListIndex(AIndex, std::numeric_limits<int32_t>::max());
  if (size_t(AIndex) >= items_.size()) items_.resize(size_t(AIndex) + 1);
  if (TKDComponentItem* previous = items_[size_t(AIndex)]) Unlink(*previous);
  items_[size_t(AIndex)] = &AItem;
  Link(AItem);
  Changed();
}

void TKDComponentItems::InsertItem(int32_t AIndex, TKDComponentItem& AItem) {
  Release(AItem);
  kelvra::CheckListIndex(AIndex, items_.size() + 1);
  items_.insert(items_.begin() + AIndex, &AItem);
  Link(AItem);
  Changed();
}

void TKDComponentItems::DeleteItem(int32_t AIndex) {
  TKDComponentItem* item = items_[kelvra::CheckListIndex(AIndex, items_.size())];
  items_.erase(items_.begin() + AIndex);
  if (item) Unlink(*item);
  Changed();
}

void TKDComponentItems::Exchange(int32_t A, int32_t B) {
  std::swap(items_[kelvra::CheckListIndex(A, items_.size())],
            items_[kelvra::CheckListIndex(B, items_.size())]);
  Changed();
}

bool TKDComponentItems::RemoveItem(TKDComponentItem& AItem) {
  if (AItem.list_ != this) return false;
  Release(AItem);
  return true;
}

bool TKDComponentItems::IndexOf(const TKDComponentItem& AItem, int32_t& AIndex) const {
  const auto found = std::ranges::find(items_, &AItem);
  if (found == items_.end()) return false;
  AIndex = int32_t(found - items_.begin());
  return true;
}

void TKDComponentItems::Clear(bool AFree) {
  if (items_.empty()) return;
  while (!items_.empty()) {
    TKDComponentItem* item = items_.front();
    items_.erase(items_.begin());
    if (!item) continue;
    Unlink(*item);
    item->SetListOwner(nullptr);
    if (!AFree) continue;
    if (owner_ && item->GetOwner() == owner_) owner_->RemoveComponent(*item);
    RQRemoveCollectionControl(owner_, item);
    item->Free();
  }
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Registry.

namespace {

struct TKDCollectionComponentClass {
  const TClassRef* CollectionClass = nullptr;
  std::vector<const TClassRef*> Components;
  std::vector<std::string> GroupNames;
};

struct TCollectionRegistry {
  std::mutex lock;
  std::vector<TKDCollectionComponentClass> entries;

  // The entry of the list class, by its reference or its name; nullptr when none.
  template <class P>
  TKDCollectionComponentClass* Find(P AMatches) {
    const auto found = std::ranges::find_if(entries, [&](const TKDCollectionComponentClass& e) {
      return AMatches(*e.CollectionClass);
    });
    return found == entries.end() ? nullptr : &*found;
  }
};

TCollectionRegistry& Registry() {
  static TCollectionRegistry registry;
  return registry;
}

void RegisterUnlessKnown(const TClassRef& AClass) {
  if (kelvra::TClassManagement::FindClass(AClass.Name())) return;
  const TClassRef* classes[] = {&AClass};
  kelvra::TClassManagement::RegisterClasses(classes);
}

// A copy of the entry of the list class that AMatches; an empty one when there is none.
template <class P>
TKDCollectionComponentClass EntryOf(P AMatches) {
  TCollectionRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  const TKDCollectionComponentClass* entry = registry.Find(AMatches);
  return entry ? *entry : TKDCollectionComponentClass{};
}

auto IsClass(const TClassRef& AClass) {
  return [&AClass](const TClassRef& c) { return &c == &AClass; };
}
auto IsNamed(std::string_view AName) {
  return [AName](const TClassRef& c) { return c.Name() == AName; };
}

// Drops the component classes whose code lies in the library being freed.
void RemoveModuleClasses(kelvra::HMODULE AModule) {
  TCollectionRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (TKDCollectionComponentClass& entry : registry.entries)
    for (size_t i = entry.Components.size(); i-- > 0;)
      if (kelvra::IsAddressInModule(entry.Components[i], AModule)) {
        entry.Components.erase(entry.Components.begin() + ptrdiff_t(i));
        entry.GroupNames.erase(entry.GroupNames.begin() + ptrdiff_t(i));
      }
}

}  // namespace

void KDRegisterCollectionComponent(std::span<const TClassRef* const> ACollectionClasses,
                                   const TClassRef& AComponentClass,
                                   const std::string& AGroupName) {
  kelvra::RegisterNestedComponent(AComponentClass);
  for (const TClassRef* collection : ACollectionClasses) {
    RegisterUnlessKnown(*collection);
    RegisterUnlessKnown(AComponentClass);
    TCollectionRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    TKDCollectionComponentClass* entry = registry.Find(IsClass(*collection));
    if (!entry)
      entry = &registry.entries.emplace_back(TKDCollectionComponentClass{collection, {}, {}});
    if (std::ranges::find(entry->Components, &AComponentClass) != entry->Components.end()) continue;
    entry->Components.push_back(&AComponentClass);
    entry->GroupNames.push_back(AGroupName);
  }
}

int32_t KDGetRegisteredCollectionComponentCount(const TClassRef& ACollectionClass) {
  return int32_t(EntryOf(IsClass(ACollectionClass)).Components.size());
}

const TClassRef& KDGetRegisteredCollectionComponent(const TClassRef& ACollectionClass,
                                                    int32_t AIndex) {
  const auto entry = EntryOf(IsClass(ACollectionClass));
  return *entry.Components[kelvra::CheckListIndex(AIndex, entry.Components.size())];
}

std::string KDGetRegisteredCollectionComponentGroupName(const TClassRef& ACollectionClass,
                                                        int32_t AIndex) {
  const auto entry = EntryOf(IsClass(ACollectionClass));
  return entry.GroupNames[kelvra::CheckListIndex(AIndex, entry.Components.size())];
}

int32_t KDGetRegisteredCollectionComponentCountByName(std::string_view ACollectionName) {
  return int32_t(EntryOf(IsNamed(ACollectionName)).Components.size());
}

std::string KDGetRegisteredCollectionComponentNameByName(std::string_view ACollectionName,
                                                         int32_t AIndex) {
  const auto entry = EntryOf(IsNamed(ACollectionName));
  return AIndex >= 0 && size_t(AIndex) < entry.Components.size()
             ? std::string(entry.Components[size_t(AIndex)]->Name())
             : std::string();
}

namespace {

std::vector<const TClassRef*> RegisteredItemClasses(std::string_view AItemClassName) {
  const TClassRef* base = kelvra::TClassManagement::FindClass(AItemClassName);
  return base ? kelvra::RegisteredCollectionItemClasses(*base) : std::vector<const TClassRef*>();
}

}  // namespace

int32_t RQGetRegisteredCollectionPersistentCountByName(std::string_view AItemClassName) {
  return int32_t(RegisteredItemClasses(AItemClassName).size());
}

std::string RQGetRegisteredCollectionPersistentNameByName(std::string_view AItemClassName,
                                                          int32_t AIndex) {
  const auto classes = RegisteredItemClasses(AItemClassName);
  return AIndex >= 0 && size_t(AIndex) < classes.size()
             ? std::string(classes[size_t(AIndex)]->Name())
             : std::string();
}

void RQRemoveCollectionControl(TComponent* AOwner, TComponent* AComponent) {
  for (TRQRemoveCollectionControlProc hook : RQRemoveCollectionControlHooks)
    if (hook) hook(AOwner, AComponent);
}

void StartKDComponentCollection() {
  kelvra::AddModuleUnloadProc(&RemoveModuleClasses);
}

void FinishKDComponentCollection() {
  kelvra::RemoveModuleUnloadProc(&RemoveModuleClasses);
}

}  // namespace corvane
