#include "kelvra/Kelvra.Types.LockComponents.h"

#include <algorithm>

namespace kelvra {

TLockComponent::TLockComponent(TComponent* AOwner)
    : TComponent(AOwner), lock_(TChangeNotifyLock::Create([this] { NotifyProp(); })) {}

// A component deleted without Free gets here without BeforeDestruction.
TLockComponent::~TLockComponent() { lock_->MarkDestroying(); }

void TLockComponent::CreateStart(bool) {}

void TLockComponent::Loaded() {
  TComponent::Loaded();
  CreateStart(false);
}

void TLockComponent::BeforeDestruction() {
  lock_->MarkDestroying();
  TComponent::BeforeDestruction();
}

// ---------------------------------------------------------------------------------------------

void TLockPersistent::NotifyProp() {
  if (onChange_) onChange_();
}

TEnabledPersistent::TEnabledPersistent(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock,
                                       TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TEnabledPersistent::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TEnabledPersistent>().Property(
      "Enabled", &TEnabledPersistent::FEnabled, &TEnabledPersistent::SetEnabled, false);
  return table;
}

// ---------------------------------------------------------------------------------------------

// Joins without a report: the item is not made yet. The collection that makes it reports it.
TLockCollectionItem::TLockCollectionItem(TLockCollection* ACollection) {
  if (ACollection) ACollection->Join(*this);
}

TLockCollectionItem::~TLockCollectionItem() {
  if (collection_) collection_->Leave(*this);
}

void TLockCollectionItem::SetCollection(TLockCollection* ACollection) {
  if (ACollection == collection_) return;
  if (collection_) collection_->Leave(*this);
  if (!ACollection) return;
  ACollection->Join(*this);
  ACollection->Changed(nullptr);
}

int32_t TLockCollectionItem::GetIndex() const {
  if (!collection_) return -1;
  const auto& items = collection_->items_;
  return int32_t(std::find(items.begin(), items.end(), this) - items.begin());
}

void TLockCollectionItem::SetIndex(int32_t AIndex) {
  const int32_t current = GetIndex();
  if (current < 0 || AIndex == current) return;
  collection_->Items(AIndex);  // the range check
  {
    const auto section = GetLock()->EnterStopSection();
    auto& items = collection_->items_;
    items.erase(items.begin() + current);
    items.insert(items.begin() + AIndex, this);
  }
  Changed(true);
}

std::string TLockCollectionItem::GetDisplayName() const { return std::string(ClassName()); }

TPersistent* TLockCollectionItem::GetOwner() const { return collection_; }

const TIntf<IChangeNotifyLock>& TLockCollectionItem::GetLock() const {
  KELVRA_ASSERT(collection_);
  return collection_->GetLock();
}

void TLockCollectionItem::Changed(bool AAllItems) {
  if (collection_) collection_->Changed(AAllItems ? nullptr : this);
}

// ---------------------------------------------------------------------------------------------

TLockCollection::TLockCollection(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock,
                                 TProcedure AOnChange, const TClassRef& AItemClass)
    : owner_(AOwner), lock_(std::move(ALock)), onChange_(std::move(AOnChange)), itemClass_(AItemClass) {
  KELVRA_ASSERT(AItemClass.InheritsFrom(TLockCollectionItem::ClassRef));
}

TLockCollection::~TLockCollection() {
  ++updateCount_;  // no reports from a collection that is going
  Clear();
}

TLockCollectionItem* TLockCollection::Items(int32_t AIndex) const {
  return items_[CheckListIndex(AIndex, items_.size())];
}

TLockCollectionItem* TLockCollection::Add(const TClassRef& AClass) {
  if (!AClass.InheritsFrom(itemClass_))
    throw EInvalidCast("Invalid class typecast: " + std::string(AClass.Name()) + " is no " +
                       std::string(itemClass_.Name()));
  TLockCollectionItem* item = AClass.Create<TLockCollectionItem*(TLockCollection*)>(this);
  Changed(nullptr);
  return item;
}

TLockCollectionItem* TLockCollection::Insert(int32_t AIndex) {
  if (AIndex != Count()) Items(AIndex);  // the range check: Count is the end
  TLockCollectionItem* item = Add();
  item->SetIndex(AIndex);
  return item;
}

void TLockCollection::Delete(int32_t AIndex) { delete Items(AIndex); }

void TLockCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

void TLockCollection::EndUpdate() {
  if (--updateCount_ == 0) Changed(nullptr);
}

void TLockCollection::Assign(const TPersistent& ASource) {
  if (!ASource.ClassType().InheritsFrom(ClassRef)) return TPersistent::Assign(ASource);
  if (&ASource == this) return;
  const auto& source = static_cast<const TLockCollection&>(ASource);
  BeginUpdate();
  struct TEnd {
    TLockCollection& collection;
    ~TEnd() { collection.EndUpdate(); }
  } end{*this};
  Clear();
  for (const TLockCollectionItem* item : source.items_) {
    const TClassRef& cls = item->ClassType().InheritsFrom(itemClass_) ? item->ClassType() : itemClass_;
    Add(cls)->Assign(*item);
  }
}

void TLockCollection::Update(TLockCollectionItem*) {
  if (onChange_) onChange_();
}

void TLockCollection::Changed(TLockCollectionItem* AItem) {
  if (updateCount_ == 0) Update(AItem);
}

void TLockCollection::Join(TLockCollectionItem& AItem) {
  const auto section = lock_->EnterStopSection();
  items_.push_back(&AItem);
  AItem.collection_ = this;
}

void TLockCollection::Leave(TLockCollectionItem& AItem) {
  {
    const auto section = lock_->EnterStopSection();
    std::erase(items_, &AItem);
    AItem.collection_ = nullptr;
  }
  Changed(nullptr);
}

}  // namespace kelvra
