// The lock-holding bases of components and of the objects they own.
//
// TLockComponent: a component with one change-notify lock (kelvra/Kelvra.Threading.ChangeNotifyLock.h),
// taken by everything that reads or changes its state from more than one thread. Its setters
// store under the lock and call NotifyProp when the value changed. BeforeDestruction marks the
// lock destroying before anything else happens, so that work on other threads that takes
// sections from then on is skipped.
//
// TLockPersistent: a property object of an owner, created with the owner, the owner's lock and a
// change procedure (as a rule one that calls the owner's NotifyProp). Its setters store under
// that lock and call NotifyProp, which calls the change procedure, when the value changed.
// TEnabledPersistent adds the published Boolean Enabled (default false).
//
// TLockCollection: an ordered list of items that it owns (TLockCollectionItem descendants), with
// the owner's lock and change procedure. Adding, inserting, moving and freeing items take a stop
// section of the lock (taken even while the owner is being destroyed); item setters store under
// the lock, then the item reports its change to the collection (Changed), which calls its change
// procedure through Update. BeginUpdate/EndUpdate gather changes into one report. An item's
// display name is its class name unless the class says otherwise. TTypedCollection<T> is the
// same collection typed by its item class.
//
// Threads: values are guarded by the lock as said; the structure of a collection (its items, their
// order) is changed on the main thread and read there or under a section of the lock.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "kelvra/Kelvra.Components.h"
#include "kelvra/Kelvra.Persistence.h"
#include "kelvra/Kelvra.Threading.ChangeNotifyLock.h"

namespace kelvra {

class TLockComponent : public TComponent {
 public:
  static const TClassRef ClassRef;
  explicit TLockComponent(TComponent* AOwner);
  ~TLockComponent() override;
  const TClassRef& ClassType() const override { return ClassRef; }

  // The component lock. Its change procedure calls NotifyProp: it must not be used once the
  // component is gone.
  const TIntf<IChangeNotifyLock>& GetLock() const { return lock_; }
  // A published property changed; nothing here: derived classes react (drop caches, tell
  // editors).
  virtual void NotifyProp() {}
  // The component's start once it is complete. Loaded calls it, with false, for a component read
  // from a stream; code that makes a component calls it when the component is to start as one
  // read would. What the flag means is the class's own; nothing happens here.
  virtual void CreateStart(bool AFlag);
  // Ends loading, then CreateStart(false).
  void Loaded() override;
  // Marks the lock destroying, then the inherited step.
  void BeforeDestruction() override;

 protected:
  // Puts ALock in the place of the component lock (a class that splits its lock does so in its
  // constructor, before anything has taken the first one).
  void ReplaceLock(TIntf<IChangeNotifyLock> ALock) { lock_ = std::move(ALock); }
  // Stores AValue in AField under the lock; NotifyProp when it changed. True when it changed.
  template <class T>
  bool SetProperty(T& AField, std::type_identity_t<T> AValue) {
    return lock_->Setter().Set(AField, std::move(AValue), {}, true);
  }

 private:
  TIntf<IChangeNotifyLock> lock_;
};

inline constexpr TClassRef TLockComponent::ClassRef =
    ClassRefOf<TLockComponent, TComponent>("TLockComponent");

class TLockPersistent : public TBasicPersistent {
 public:
  static const TClassRef ClassRef;
  // AOnChange: what NotifyProp calls; may be empty.
  TLockPersistent(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock, TProcedure AOnChange)
      : TBasicPersistent(AOwner), lock_(std::move(ALock)), onChange_(std::move(AOnChange)) {}
  const TClassRef& ClassType() const override { return ClassRef; }

  const TIntf<IChangeNotifyLock>& GetLock() const { return lock_; }
  // The object changed: calls the change procedure.
  virtual void NotifyProp();

 protected:
  // Stores AValue in AField under the lock; NotifyProp when it changed. True when it changed.
  template <class T>
  bool SetProperty(T& AField, std::type_identity_t<T> AValue) {
    return lock_->Setter().Set(AField, std::move(AValue), [this] { NotifyProp(); }, false);
  }

 private:
  TIntf<IChangeNotifyLock> lock_;
  TProcedure onChange_;
};

inline constexpr TClassRef TLockPersistent::ClassRef =
    ClassRefOf<TLockPersistent, TBasicPersistent>("TLockPersistent");

class TEnabledPersistent : public TLockPersistent {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties();
  TEnabledPersistent(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock, TProcedure AOnChange);
  const TClassRef& ClassType() const override { return ClassRef; }

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }

 protected:
  bool FEnabled{};
};

inline constexpr TClassRef TEnabledPersistent::ClassRef = ClassRefOf<TEnabledPersistent, TLockPersistent>(
    "TEnabledPersistent", {.Properties = &TEnabledPersistent::Properties});

class TLockCollection;

class TLockCollectionItem : public TPersistent {
 public:
  static const TClassRef ClassRef;
  // How a class reference makes an item: in its collection.
  template <class T>
    requires std::derived_from<T, TLockCollectionItem> &&
             std::constructible_from<T, TLockCollection*>
  static TLockCollectionItem* MakeInstance(TLockCollection* ACollection) {
    return new T(ACollection);
  }

  // Joins ACollection at its end; an item made without collection belongs to its maker.
  explicit TLockCollectionItem(TLockCollection* ACollection);
  // Leaves the collection.
  ~TLockCollectionItem() override;
  const TClassRef& ClassType() const override { return ClassRef; }

  TLockCollection* GetCollection() const { return collection_; }
  // Leaves the present collection and joins the end of ACollection, which then owns the item;
  // with nullptr the item is in none and belongs to the caller.
  void SetCollection(TLockCollection* ACollection);
  // The place in the collection; -1 in none.
  int32_t GetIndex() const;
  // Moves the item to AIndex, the items between shifting by one; ERangeError for an index outside
  // 0 .. Count - 1.
  void SetIndex(int32_t AIndex);
  // The text an editor lists the item by: the class name here.
  virtual std::string GetDisplayName() const;
  TPersistent* GetOwner() const override;

  // The collection's lock (for the sub-objects of an item).
  const TIntf<IChangeNotifyLock>& GetLock() const;
  // Something of the item changed: Changed(false).
  void NotifyProp() { Changed(false); }

 protected:
  // Reports a change to the collection (Update): of this item or, with AAllItems, of all.
  // Nothing while the collection gathers changes (BeginUpdate) or without collection.
  void Changed(bool AAllItems);
  // Stores AValue in AField under the collection's lock; Changed(false) when it changed. True when
  // it changed.
  template <class T>
  bool SetProperty(T& AField, std::type_identity_t<T> AValue) {
    if (!collection_) {
      const T old = std::exchange(AField, std::move(AValue));
      return old != AField;
    }
    return GetLock()->Setter().Set(AField, std::move(AValue), [this] { Changed(false); }, false);
  }

 private:
  friend class TLockCollection;
  TLockCollection* collection_ = nullptr;
};

inline constexpr TClassRef TLockCollectionItem::ClassRef =
    ClassRefOf<TLockCollectionItem, TPersistent>("TLockCollectionItem");

class TLockCollection : public TPersistent {
 public:
  static const TClassRef ClassRef;
  // AItemClass: the class Add makes, a TLockCollectionItem descendant.
  TLockCollection(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock, TProcedure AOnChange,
                  const TClassRef& AItemClass);
  // Frees the items, the last first.
  ~TLockCollection() override;
  const TClassRef& ClassType() const override { return ClassRef; }

  const TClassRef& ItemClass() const { return itemClass_; }
  int32_t Count() const { return int32_t(items_.size()); }
  // ERangeError for an index outside 0 .. Count - 1.
  TLockCollectionItem* Items(int32_t AIndex) const;
  // A new item of the item class at the end.
  TLockCollectionItem* Add() { return Add(itemClass_); }
  // A new item of AClass (the item class or a descendant; EInvalidCast otherwise) at the end.
  TLockCollectionItem* Add(const TClassRef& AClass);
  // A new item of the item class at AIndex (0 .. Count).
  TLockCollectionItem* Insert(int32_t AIndex);
  // Frees the item at AIndex.
  void Delete(int32_t AIndex);
  // Frees every item, the last first.
  void Clear();
  void BeginUpdate() { ++updateCount_; }
  // Ends what BeginUpdate began; the last EndUpdate reports one change of the whole collection.
  void EndUpdate();
  // From another collection: the items are replaced by items of the same classes (where this
  // collection may hold them, else of its item class), each assigned from its source.
  void Assign(const TPersistent& ASource) override;
  TPersistent* GetOwner() const override { return owner_; }
  const TIntf<IChangeNotifyLock>& GetLock() const { return lock_; }

 protected:
  // A change of AItem, or of the whole collection with nullptr: calls the change procedure.
  virtual void Update(TLockCollectionItem* AItem);

 private:
  friend class TLockCollectionItem;
  // Reports a change of AItem (nullptr: of all) unless changes are being gathered.
  void Changed(TLockCollectionItem* AItem);
  // AItem joins the end, without a report; Leave takes it out and reports the change.
  void Join(TLockCollectionItem& AItem);
  void Leave(TLockCollectionItem& AItem);

  TPersistent* owner_;
  TIntf<IChangeNotifyLock> lock_;
  TProcedure onChange_;
  const TClassRef& itemClass_;
  std::vector<TLockCollectionItem*> items_;  // owned
  int32_t updateCount_ = 0;
};

inline constexpr TClassRef TLockCollection::ClassRef =
    ClassRefOf<TLockCollection, TPersistent>("TLockCollection");

// A collection of items of class T (a TLockCollectionItem descendant with its own ClassRef).
template <class T>
class TTypedCollection : public TLockCollection {
 public:
  TTypedCollection(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock, TProcedure AOnChange)
      : TLockCollection(AOwner, std::move(ALock), std::move(AOnChange), T::ClassRef) {}

  using TLockCollection::Add;
  T* Add() { return static_cast<T*>(TLockCollection::Add()); }
  T* Insert(int32_t AIndex) { return static_cast<T*>(TLockCollection::Insert(AIndex)); }
  T* Items(int32_t AIndex) const { return static_cast<T*>(TLockCollection::Items(AIndex)); }
};

}  // namespace kelvra
