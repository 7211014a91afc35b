#include "kelvra/Kelvra.Components.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "kelvra/Kelvra.Modules.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace kelvra {
namespace {

bool IsIdentifier(std::string_view AName) {
  const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
  return !AName.empty() && letter(AName[0]) &&
         std::all_of(AName.begin(), AName.end(), [&](char c) {
           return letter(c) || std::isdigit(static_cast<unsigned char>(c));
         });
}

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(*this);
}

TComponent::~TComponent() { Release(); }

void TComponent::Free() {
  BeforeDestruction();
  Release();
  delete this;
}

void TComponent::BeforeDestruction() { SetDestroying(); }

void TComponent::SetDestroying() {
  state_ |= TComponentState{csDestroying};
  for (TComponent* component : components_) component->SetDestroying();
}

void TComponent::Release() {
  if (std::exchange(released_, true)) return;
  SetDestroying();
  // Each link is undone before its notice, so that a Notification that does not pass the notice
  // on to TComponent cannot keep this loop going.
  while (!freeNotifies_.empty()) {
    TComponent* linked = freeNotifies_.back();
    freeNotifies_.pop_back();
    linked->Unlink(*this);
    linked->Notification(this, opRemove);
  }
  while (!components_.empty()) {
    TComponent* component = components_.back();
    components_.pop_back();
    component->owner_ = nullptr;
    component->Free();
  }
  if (owner_) owner_->RemoveComponent(*this);
}

void TComponent::SetName(const std::string& AName) {
  if (AName == name_) return;
  if (!AName.empty() && !IsIdentifier(AName))
    throw EComponentError("'" + AName + "' is not a valid component name");
  if (owner_) {
    const TComponent* same = owner_->FindComponent(AName);
    if (same && same != this) throw EComponentError("A component named " + AName + " already exists");
  }
  name_ = AName;
}

TComponent* TComponent::Components(int32_t AIndex) const {
  return components_[CheckListIndex(AIndex, components_.size())];
}

int32_t TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& siblings = owner_->components_;
  return int32_t(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty()) return nullptr;
  const auto found = std::find_if(components_.begin(), components_.end(),
                                  [&](const TComponent* c) { return SameText(c->name_, AName); });
  return found == components_.end() ? nullptr : *found;
}

void TComponent::InsertComponent(TComponent& AComponent) {
  for (const TComponent* c = this; c; c = c->owner_)
    if (c == &AComponent) throw EComponentError("A component cannot own itself or its owner");
  const TComponent* same = FindComponent(AComponent.name_);
  if (same && same != &AComponent)
    throw EComponentError("A component named " + AComponent.name_ + " already exists");
  if (AComponent.owner_) AComponent.owner_->RemoveComponent(AComponent);
  components_.push_back(&AComponent);
  AComponent.owner_ = this;
  AComponent.SetDesigning(state_.Contains(csDesigning));
  Notification(&AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent& AComponent) {
  if (AComponent.owner_ != this) return;
  std::erase(components_, &AComponent);
  AComponent.owner_ = nullptr;
  Notification(&AComponent, opRemove);
}

void TComponent::SetDesigning(bool ADesigning) {
  if (ADesigning)
    state_ |= TComponentState{csDesigning};
  else
    state_ -= TComponentState{csDesigning};
  for (TComponent* component : components_) component->SetDesigning(ADesigning);
}

void TComponent::FreeNotification(TComponent& AComponent) {
  if (&AComponent == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), &AComponent) != freeNotifies_.end())
    return;
  freeNotifies_.push_back(&AComponent);
  AComponent.freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent& AComponent) {
  Unlink(AComponent);
  AComponent.Unlink(*this);
}

void TComponent::Notification(TComponent* AComponent, TOperation AOperation) {
  if (AOperation == opRemove && AComponent) RemoveFreeNotification(*AComponent);
  // A notice may free components of this one: the index is checked at every step.
  for (size_t i = components_.size(); i-- > 0;)
    if (i < components_.size()) components_[i]->Notification(AComponent, AOperation);
}

void TComponent::Loaded() { state_ -= TComponentState{csLoading}; }

// ---------------------------------------------------------------------------------------------

namespace {

struct TRegistry {
  std::mutex lock;
  std::vector<const TClassRef*> components, nested, items;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

// A library being freed takes its class references with it.
void ForgetModuleClasses(HMODULE AModule) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (auto* list : {&registry.components, &registry.nested, &registry.items})
    std::erase_if(*list, [AModule](const TClassRef* cls) { return IsAddressInModule(cls, AModule); });
}

void Record(std::vector<const TClassRef*> TRegistry::*AList,
            std::span<const TClassRef* const> AClasses, const TClassRef& AFamily) {
  [[maybe_unused]] static const bool forgetsModules = (AddModuleUnloadProc(&ForgetModuleClasses), true);
  for (const TClassRef* cls : AClasses) KELVRA_ASSERT(cls->InheritsFrom(AFamily));
  TClassManagement::RegisterClasses(AClasses);
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  auto& list = registry.*AList;
  for (const TClassRef* cls : AClasses)
    if (std::find(list.begin(), list.end(), cls) == list.end()) list.push_back(cls);
}

std::vector<const TClassRef*> Recorded(std::vector<const TClassRef*> TRegistry::*AList) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  return registry.*AList;
}

}  // namespace

void RegisterComponents(std::span<const TClassRef* const> AClasses) {
  Record(&TRegistry::components, AClasses, TComponent::ClassRef);
}

std::vector<const TClassRef*> RegisteredComponents() { return Recorded(&TRegistry::components); }

void RegisterNestedComponent(const TClassRef& AClass) {
  const TClassRef* classes[] = {&AClass};
  Record(&TRegistry::nested, classes, TComponent::ClassRef);
}

std::vector<const TClassRef*> RegisteredNestedComponents() { return Recorded(&TRegistry::nested); }

void RegisterCollectionItemClasses(std::span<const TClassRef* const> AClasses) {
  Record(&TRegistry::items, AClasses, TLockCollectionItem::ClassRef);
}

std::vector<const TClassRef*> RegisteredCollectionItemClasses(const TClassRef& ABase) {
  std::vector<const TClassRef*> classes = Recorded(&TRegistry::items);
  std::erase_if(classes, [&](const TClassRef* cls) { return !cls->InheritsFrom(ABase); });
  return classes;
}

}  // namespace kelvra
