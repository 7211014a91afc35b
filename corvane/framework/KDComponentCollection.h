// Ordered lists of components held by a component (the layers of a drawing component, say), and
// the registry of which component classes may be placed in which kind of list.
//
// A list (TKDComponentItems) is a property object of its owner component, reached through one of
// the owner's published properties. Its members (TKDComponentItem) are full components, as a rule
// owned by the same owner, that know their list: an item leaves its list when it is freed (the
// list hears of it by the components' free notification, TKDComponentItems::Notification), and
// streams the name of the owner's property that holds the list as "_OwnerCollection":
//
//   class: TDrawing
//   properties:
//     Layers: {}
//   components:
//     - class: TTextLayer
//       name: Title
//       properties:
//         _OwnerCollection: "Layers"
//   ...
//
// Reading that item joins the list held by the reader's root under that name. An item stores the
// same value in kelvra's binary serialisation (ISerializable), where nothing reads a tree: there
// the root is the item's owner, so an item read into a component made with the list's owner joins
// its list; an item without owner is its own root and joins none.
//
// Entries of a list may be empty (AddItemAtFixedIndex leaves gaps); Items gives nullptr there.
// Every change of a list notifies its owner (NotifyProp), except while the owner is being freed.
// SetIndex exchanges two items rather than shifting the ones between.
//
// Threads: lists and their items are made, changed and freed on the main thread, as components
// are; an item changes its list in a section of its own lock. The registry locks itself: any
// thread may register and ask.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kelvra/Kelvra.Components.h"
#include "kelvra/Kelvra.Serialization.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane {

class TKDComponentItem;
class TKDComponentItems;

class IKDComponentItem : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{6C2E9A41-7B3D-4F58-A0C6-1D84E5F2B937}");
  // The name of the list owner's property that holds the list; empty when in no list.
  virtual std::string GetOwnerProperty() = 0;
  virtual int32_t GetIndex() = 0;
  virtual void SetListIndex(TKDComponentItems* AList, int32_t AIndex) = 0;
  virtual void SetList(TKDComponentItems* AList) = 0;
  virtual TKDComponentItems* GetList() = 0;
  virtual void SetListOwner(kelvra::TComponent* AOwner) = 0;
  virtual kelvra::TComponent* GetListOwner() = 0;
  virtual kelvra::TComponent* GetComponentInstance() = 0;
  virtual void SetIndex(int32_t AIndex) = 0;
};

// A component that is a member of a component list.
class TKDComponentItem : public kelvra::TLockComponent,
                         public IKDComponentItem,
                         public virtual kelvra::ISerializable {
 public:
  static const kelvra::TClassRef ClassRef;
  explicit TKDComponentItem(kelvra::TComponent* AOwner) : TLockComponent(AOwner) {}
  // Leaves the list as Free does (for an item deleted without Free).
  ~TKDComponentItem() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDComponentItem, IKDComponentItem, kelvra::ISerializable>(this, iid,
                                                                                       out);
  }

  // The list class it belongs in: SetParentComponent and reading look for a property of the
  // owner whose list is of this class.
  virtual const kelvra::TClassRef& GetCollectionClass() const;

  std::string GetOwnerProperty() override;
  // The place in the list; -1 in none.
  int32_t GetIndex() override;
  // Joins AList (leaving the present one) at AIndex when AIndex >= 0, filling gaps
  // (AddItemAtFixedIndex), else at its end. In the same list, moves to AIndex when it lies in
  // 0 .. Count - 1, the items between shifting.
  void SetListIndex(TKDComponentItems* AList, int32_t AIndex) override;
  // Leaves the present list and joins the end of AList (none with nullptr); nothing when AList
  // is the present list.
  void SetList(TKDComponentItems* AList) override;
  TKDComponentItems* GetList() override { return list_; }
  void SetListOwner(kelvra::TComponent* AOwner) override { listOwner_ = AOwner; }
  kelvra::TComponent* GetListOwner() override { return listOwner_; }
  kelvra::TComponent* GetComponentInstance() override { return this; }
  // Exchanges places with the item at AIndex, clamped to 0 .. Count - 1; then
  // ComponentIndexChanged. Nothing in no list.
  void SetIndex(int32_t AIndex) override;

  bool HasParent() const { return list_ != nullptr; }
  kelvra::TComponent* GetParentComponent() const { return listOwner_; }
  // Takes AParent as list owner and, unless loading, joins the list held by its first property
  // (by name) whose list is of GetCollectionClass.
  void SetParentComponent(kelvra::TComponent* AParent);

  // "_OwnerCollection": the property of the list owner that holds the list.
  void DefineProperties(kelvra::TFiler& AFiler) override;
  // The same "_OwnerCollection", empty in no list; the root that reading looks the name up on is
  // the item's owner (see the top of this header).
  void SerializationRead(kelvra::ISequentialReader& AReader) override;
  void SerializationWrite(kelvra::ISequentialWriter& AWriter) override;

 protected:
  // The item joined another list or left its list; nothing here.
  virtual void ComponentOwnerChanged() {}
  // SetIndex moved the item to AIndex; nothing here.
  virtual void ComponentIndexChanged(int32_t /*AIndex*/) {}

 private:
  friend class TKDComponentItems;
  // Joins the list that ARoot's property AName holds, unless ARoot is this item;
  // EComponentError when ARoot has no such list.
  void JoinListOf(kelvra::TComponent& ARoot, const std::string& AName);

  TKDComponentItems* list_ = nullptr;
  kelvra::TComponent* listOwner_ = nullptr;
};

// A list of component items owned by a component (the list's owner, which must be a TComponent).
class TKDComponentItems : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  using TItemAdded = std::function<void(TKDComponentItem& AItem)>;

  TKDComponentItems(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                    kelvra::TProcedure AOnChange);
  // Clear(true).
  ~TKDComponentItems() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  // An item of this list being freed (opRemove) leaves it; other notices change nothing. Each
  // item is linked to the list by the components' free notification while it is in the list.
  void Notification(kelvra::TComponent* AComponent, kelvra::TOperation AOperation);

  kelvra::TComponent* Owner() const { return owner_; }
  // Called with every item AddItem adds.
  void SetOnAdded(TItemAdded AOnAdded) { onAdded_ = std::move(AOnAdded); }

  // Appends AItem, which leaves its present place; its list owner becomes this list's owner.
  void AddItem(TKDComponentItem& AItem);
  // Appends empty entries until the list is longer than AIndex, then puts AItem at AIndex (an
  // item that was there leaves the list).
  void AddItemAtFixedIndex(int32_t AIndex, TKDComponentItem& AItem);
  // Puts AItem at AIndex (0 .. Count), the items from there shifting up.
  void InsertItem(int32_t AIndex, TKDComponentItem& AItem);
  // Takes the entry at AIndex out; its item leaves the list, unfreed.
  void DeleteItem(int32_t AIndex);
  void Exchange(int32_t A, int32_t B);
  // Takes AItem out; false when it is not in the list.
  bool RemoveItem(TKDComponentItem& AItem);
  // The place of AItem; false when it is not in the list.
  bool IndexOf(const TKDComponentItem& AItem, int32_t& AIndex) const;
  int32_t Count() const { return int32_t(items_.size()); }
  // nullptr for an empty entry; ERangeError for an index outside 0 .. Count - 1.
  TKDComponentItem* Items(int32_t AIndex) const {
    return items_[kelvra::CheckListIndex(AIndex, items_.size())];
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  auto Reversed() const { return std::views::reverse(items_); }
  // The items (empty entries left out) for which APredicate holds, in order.
  template <class P>
  std::vector<TKDComponentItem*> Query(P APredicate) const {
    std::vector<TKDComponentItem*> found;
    std::ranges::copy_if(items_, std::back_inserter(found),
                         [&](TKDComponentItem* item) { return item && APredicate(item); });
    return found;
  }
  // Takes the items out one by one, the first first. With AFree, each one also leaves the
  // owner's components, goes through RQRemoveCollectionControl and is freed; without, it is only
  // detached (no list, no list owner).
  void Clear(bool AFree);

 private:
  friend class TKDComponentItem;
  class TFreeWatch;
  // AItem leaves whatever list it is in, without joining another.
  static void Release(TKDComponentItem& AItem);
  void Link(TKDComponentItem& AItem);
  void Unlink(TKDComponentItem& AItem);
  void Changed();

  kelvra::TComponent* owner_;
  // Hears of the items being freed and passes it on to Notification.
  kelvra::TOwnedComponent<TFreeWatch> freeWatch_;
  TItemAdded onAdded_;
  std::vector<TKDComponentItem*> items_;  // not owned; nullptr for an empty entry
};

// The list typed by the class of its items, T (a TKDComponentItem descendant).
template <class T>
class TKDTypedComponentItems : public TKDComponentItems {
 public:
  using TKDComponentItems::TKDComponentItems;
  T* Items(int32_t AIndex) const { return static_cast<T*>(TKDComponentItems::Items(AIndex)); }
  void AddItem(T& AItem) { TKDComponentItems::AddItem(AItem); }
};

// ---------------------------------------------------------------------------------------------
// Property look-ups. Each walks the object properties of AInstance in the order of their names
// and stops at the first match.

// The first property whose object is of AClass or a descendant.
bool RQGetProperty(const kelvra::TPersistent& AInstance, const kelvra::TClassRef& AClass,
                   kelvra::TPersistent*& AValue);
// The first property whose object is AObject.
bool RQGetObjPropertyName(const kelvra::TPersistent& AInstance, const kelvra::TPersistent& AObject,
                          std::string& AName);
// The object property named AName.
bool RQGetPropertyByName(const kelvra::TPersistent& AInstance, std::string_view AName,
                         kelvra::TPersistent*& AValue);

// ---------------------------------------------------------------------------------------------
// The registry of which component classes each list class may hold, with a group name each.

// Registers AComponentClass as a nested component, and for each of ACollectionClasses: registers
// the list class and the component class with the class registry unless classes of their names
// are known, and appends the component class with AGroupName to the list class's entry. A list
// class whose entry holds the component class already is left as it is.
void KDRegisterCollectionComponent(std::span<const kelvra::TClassRef* const> ACollectionClasses,
                                   const kelvra::TClassRef& AComponentClass,
                                   const std::string& AGroupName);
// 0 for a list class that has no entry.
int32_t KDGetRegisteredCollectionComponentCount(const kelvra::TClassRef& ACollectionClass);
// ERangeError for an index outside 0 .. count - 1.
const kelvra::TClassRef& KDGetRegisteredCollectionComponent(
    const kelvra::TClassRef& ACollectionClass, int32_t AIndex);
std::string KDGetRegisteredCollectionComponentGroupName(const kelvra::TClassRef& ACollectionClass,
                                                        int32_t AIndex);
// The same by the list class's name; 0 and an empty name where there is no such entry or index.
int32_t KDGetRegisteredCollectionComponentCountByName(std::string_view ACollectionName);
std::string KDGetRegisteredCollectionComponentNameByName(std::string_view ACollectionName,
                                                         int32_t AIndex);

// The same for collections of persistent items, from the runtime's registration of collection
// item classes (kelvra::RegisterCollectionItemClasses): the registered item classes that are the
// class named AItemClassName or derive from it, in registration order; 0 and an empty name for a
// name that is not registered or an index past them.
int32_t RQGetRegisteredCollectionPersistentCountByName(std::string_view AItemClassName);
std::string RQGetRegisteredCollectionPersistentNameByName(std::string_view AItemClassName,
                                                          int32_t AIndex);

// What other packages hook in to hear of a component leaving a list of AOwner's (their editors
// drop their controls). RQRemoveCollectionControl calls the hooks that are set.
using TRQRemoveCollectionControlProc = void (*)(kelvra::TComponent* AOwner,
                                                kelvra::TComponent* AComponent);
inline TRQRemoveCollectionControlProc RQRemoveCollectionControlHooks[2] = {};
void RQRemoveCollectionControl(kelvra::TComponent* AOwner, kelvra::TComponent* AComponent);

// The unit's start and end: the module-unload procedure that drops the component classes of a
// library being freed from every entry.
void StartKDComponentCollection();
void FinishKDComponentCollection();

// ---------------------------------------------------------------------------------------------

inline constexpr kelvra::TClassRef TKDComponentItem::ClassRef =
    kelvra::ClassRefOf<TKDComponentItem, kelvra::TLockComponent>("TKDComponentItem");
inline constexpr kelvra::TClassRef TKDComponentItems::ClassRef =
    kelvra::ClassRefOf<TKDComponentItems, kelvra::TLockPersistent>("TKDComponentItems");

}  // namespace corvane
