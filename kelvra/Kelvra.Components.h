// Components: named persistent objects that own other components, and the registration of the
// classes that editors offer and that streaming recreates.
//
// Ownership. A component made with an owner, `new TFoo(owner)`, joins the owner's components and
// is freed with it; one made without an owner belongs to its maker, best held in a
// TOwnedComponent. A class reference makes components of its class with an owner:
// `ClassRef.Create<TComponent*(TComponent*)>(owner)`.
//
// Freeing. Free() (which owners, TOwnedComponent and streaming use) runs, in this order:
//   1. BeforeDestruction: the component and, recursively, its owned components take the state
//      csDestroying; a derived class stops its work here (TLockComponent marks its lock), while
//      the whole object still exists;
//   2. every component linked to it by FreeNotification gets Notification(it, opRemove), the
//      latest link first;
//   3. its owned components are freed, the last made first, each by these same steps;
//   4. it leaves its owner, which gets Notification(it, opRemove) and passes it on to its other
//      components, the last first;
//   5. the destructors.
// Deleting a component directly skips step 1 and runs steps 2 to 4 from ~TComponent, after the
// derived parts are gone: free components with Free.
//
// Notification(component, operation) tells a component that `component` joined (opInsert) or
// left (opRemove) its owner's components, or, for opRemove, that a component linked to it by
// FreeNotification is being freed; a component passes every notice on to its own components.
// FreeNotification links two components both ways, so that neither keeps a pointer to the other
// past its end.
//
// Names are empty or identifiers (a letter or "_", then letters, digits and "_"), unique among
// the owner's components regardless of ASCII case; EComponentError otherwise.
//
// Threads: the tree (owners, names, notifications, states) is made, changed and freed on one
// thread, the main thread. What a component shares with other threads is guarded by its lock
// (TLockComponent, kelvra/Kelvra.Types.LockComponents.h).
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kelvra/Kelvra.ClassRef.h"
#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.Persistence.h"

namespace kelvra {

KELVRA_DECLARE_EXCEPTION(EComponentError, Exception);

enum TOperation : uint8_t { opInsert, opRemove };

enum TComponentStateMember : uint8_t {
  csLoading,     // being read from a stream, until its Loaded
  csDesigning,   // in an editor
  csDestroying,  // being freed
};
using TComponentState = TSet<TComponentStateMember, uint8_t>;

class TComponent : public TPersistent {
 public:
  static const TClassRef ClassRef;
  // How a class reference makes a component: with its owner.
  template <class T>
    requires std::derived_from<T, TComponent> && std::constructible_from<T, TComponent*>
  static TComponent* MakeInstance(TComponent* AOwner) {
    return new T(AOwner);
  }

  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  const TClassRef& ClassType() const override { return ClassRef; }

  // Frees the component (see the top of this header).
  void Free();

  TComponent* GetOwner() const override { return owner_; }
  const std::string& GetName() const { return name_; }
  void SetName(const std::string& AName);

  int32_t ComponentCount() const { return int32_t(components_.size()); }
  // ERangeError for an index outside 0 .. ComponentCount - 1.
  TComponent* Components(int32_t AIndex) const;
  // The component's place among its owner's components; -1 without owner.
  int32_t ComponentIndex() const;
  // The owned component of that name (any ASCII case); nullptr when none or for an empty name.
  TComponent* FindComponent(std::string_view AName) const;
  // Makes this the owner of AComponent, taking it from its former owner.
  void InsertComponent(TComponent& AComponent);
  // AComponent leaves this owner's components, which are told (opRemove); it is not freed.
  void RemoveComponent(TComponent& AComponent);

  TComponentState ComponentState() const { return state_; }
  // csDesigning for this component and, recursively, its owned components.
  void SetDesigning(bool ADesigning);
  // csLoading until Loaded: what a reader sets before it reads the component.
  void BeginLoading() { state_ |= TComponentState{csLoading}; }

  // Links this component and AComponent: each is told (opRemove) when the other is freed.
  void FreeNotification(TComponent& AComponent);
  void RemoveFreeNotification(TComponent& AComponent);

  virtual void Notification(TComponent* AComponent, TOperation AOperation);
  // Called once the component and its whole tree have been read: ends csLoading.
  virtual void Loaded();
  // The first step of Free (see the top of this header): csDestroying.
  virtual void BeforeDestruction();

 private:
  // Steps 2 to 4 of Free, once.
  void Release();
  void SetDestroying();
  void Unlink(TComponent& AComponent) { std::erase(freeNotifies_, &AComponent); }

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;   // in order of joining; owned
  std::vector<TComponent*> freeNotifies_;  // linked both ways
  TComponentState state_;
  bool released_ = false;
};

inline constexpr TClassRef TComponent::ClassRef =
    ClassRefOf<TComponent, TPersistent>("TComponent");

// Frees a component (Free), for holders of components without owner.
struct TComponentFree {
  void operator()(TComponent* AComponent) const { AComponent->Free(); }
};
template <class T>
using TOwnedComponent = std::unique_ptr<T, TComponentFree>;

// Registration. Each function registers the classes with the class registry (TClassManagement),
// so that streaming can recreate them by name, and records them for editors; registering a class
// again changes nothing. Any thread may register and ask.

// Components that editors offer to place.
void RegisterComponents(std::span<const TClassRef* const> AClasses);
std::vector<const TClassRef*> RegisteredComponents();
// A component class that lives only inside other components (the members of a component list):
// recreated by streaming, not offered to place.
void RegisterNestedComponent(const TClassRef& AClass);
std::vector<const TClassRef*> RegisteredNestedComponents();
// Collection item classes (TLockCollectionItem descendants) that a collection may hold beside
// its own item class.
void RegisterCollectionItemClasses(std::span<const TClassRef* const> AClasses);
// The registered item classes that are ABase or derive from it, in registration order.
std::vector<const TClassRef*> RegisteredCollectionItemClasses(const TClassRef& ABase);

}  // namespace kelvra
