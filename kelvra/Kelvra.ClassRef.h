// Class references: a value that stands for a class, as operation classes, proxy classes,
// serialisable classes, pins, converters, components and collection items are passed around.
// A class reference has a name, its parent class, a factory, and the class's attributes as plain
// data. The class registry maps names to class references.
//
// Declaring one is a line next to the class, which holds it as its static member `ClassRef`:
//
//   class TKDRealBuffer : public TKDLinearMemoryBuffer, ... {
//     static const kelvra::TClassRef ClassRef;
//     ...
//   };
//   inline constexpr kelvra::TClassRef TKDRealBuffer::ClassRef =
//       kelvra::ClassRefOf<TKDRealBuffer, TKDLinearMemoryBuffer>("TKDRealBuffer");
//
// The reference is a constant, made at compile time: no start-up order to mind, and a class is
// its parent or a descendant of it by a walk along the parents. Families whose objects tell their
// class (operations, proxies, serialisable objects) do so through a virtual `ClassType()` that
// each class of the family overrides to return its `ClassRef`.
//
// Factories. The root class of a family says how its classes are made, with a static member
//   template <class T> requires <T can be made so> static R MakeInstance(Args...);
// ClassRefOf<Self, Parent> gives Self the factory Parent::MakeInstance<Self> (found through the
// parent), or none when Self cannot be made that way (an abstract class, one that needs other
// construction values). Create<R(Args...)> calls it: EAbstractError when the class has no
// factory, EInvalidCast when its factory takes other arguments or gives another result.
//
// The references are immutable and may be read from any thread. The registry locks its map: any
// thread may register, unregister and find.
#pragma once

#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

class TClassRef;
class TPropertyTable;

// What a class declares about itself beyond its code: read by the registries and the designer.
// A category class (Kelvra.Categories.h) names its parent category as its one entry of
// `Categories`, the further categories it is listed under as `AlternateCategories`, and the
// category whose image it shows as `ParentImage`.
struct TClassAttributes {
  std::string_view DisplayName = {};
  std::string_view ImageName = {};          // the name of its image resource
  std::span<const TGUID> StreamTypes = {};  // the stream types a pin class accepts
  // A format converter class converts from one stream type to another; zero GUIDs otherwise.
  TGUID ConvertFrom = {};
  TGUID ConvertTo = {};
  std::span<const TClassRef* const> Categories = {};  // the category classes it is listed under
  std::span<const TClassRef* const> AlternateCategories = {};  // further places, for a category
  const TClassRef* ParentImage = nullptr;  // a category that shows another category's image
  // The published properties the class itself declares (kelvra/Kelvra.Persistence.h); its
  // ancestors' come from their own class references.
  const TPropertyTable& (*Properties)() = nullptr;
};

// A list of class references for the attributes, made at compile time:
//   .Categories = kelvra::ClassRefs<&TFiltersToolbarCategory::ClassRef>
template <const TClassRef*... Classes>
inline constexpr const TClassRef* ClassRefs[] = {Classes...};

namespace detail {
// One address per factory signature, to tell at run time which signature a factory has.
template <class Signature>
inline constexpr char kSignatureTag = 0;
// A factory function as an object whose address a class reference keeps.
template <auto Function>
inline constexpr auto kFactory = Function;
}  // namespace detail

// The class reference of Self, derived from Parent (void for the root of a family), whose own
// reference is Parent::ClassRef.
template <class Self, class Parent = void>
consteval TClassRef ClassRefOf(std::string_view name, TClassAttributes attributes = {});

class TClassRef {
 public:
  constexpr std::string_view Name() const { return name_; }
  constexpr const TClassRef* Parent() const { return parent_; }
  constexpr const TClassAttributes& Attributes() const { return attributes_; }

  // True when this is `ancestor` or a class derived from it.
  constexpr bool InheritsFrom(const TClassRef& ancestor) const {
    for (const TClassRef* c = this; c; c = c->parent_)
      if (c == &ancestor) return true;
    return false;
  }

  // Whether Create<Signature> can make an object of the class.
  template <class Signature>
  bool CanCreate() const {
    return signature_ == &detail::kSignatureTag<Signature>;
  }

  // A new object of the class, made by its factory of signature R(Args...).
  template <class Signature, class... Args>
  auto Create(Args&&... args) const {
    if (!factory_) throw EAbstractError("Abstract Error");
    if (!CanCreate<Signature>()) throw EInvalidCast("Invalid class typecast");
    return (*static_cast<Signature* const*>(factory_))(std::forward<Args>(args)...);
  }

  friend constexpr bool operator==(const TClassRef& a, const TClassRef& b) { return &a == &b; }

 private:
  template <class Self, class Parent>
  friend consteval TClassRef ClassRefOf(std::string_view name, TClassAttributes attributes);

  constexpr TClassRef(std::string_view name, const TClassRef* parent, TClassAttributes attributes,
                      const void* factory, const void* signature)
      : name_(name),
        parent_(parent),
        attributes_(attributes),
        factory_(factory),
        signature_(signature) {}
  TClassRef(const TClassRef&) = delete;
  TClassRef& operator=(const TClassRef&) = delete;

  std::string_view name_;
  const TClassRef* parent_;
  TClassAttributes attributes_;
  const void* factory_;    // a detail::kFactory<...>: a function pointer of the signature below
  const void* signature_;  // the detail::kSignatureTag of the factory's signature
};

template <class Self, class Parent>
consteval TClassRef ClassRefOf(std::string_view name, TClassAttributes attributes) {
  static_assert(std::is_void_v<Parent> || std::is_base_of_v<Parent, Self>,
                "the parent class is not a base of the class");
  using TFamily = std::conditional_t<std::is_void_v<Parent>, Self, Parent>;
  const TClassRef* parent = nullptr;
  if constexpr (!std::is_void_v<Parent>) parent = &Parent::ClassRef;
  if constexpr (requires { &TFamily::template MakeInstance<Self>; }) {
    constexpr auto factory = &TFamily::template MakeInstance<Self>;
    return TClassRef(name, parent, attributes, &detail::kFactory<factory>,
                     &detail::kSignatureTag<std::remove_pointer_t<decltype(factory)>>);
  } else {
    return TClassRef(name, parent, attributes, nullptr, nullptr);
  }
}

// The class registry: class references by name, for whatever recreates objects by class name
// (serialisation, component streaming).
class TClassManagement {
 public:
  // Registers the classes in order; a name registered again takes the new class. A class whose
  // reference lies in a library leaves the registry when the library is freed (FreeLibrary).
  static void RegisterClasses(std::span<const TClassRef* const> classes);
  static void UnregisterClasses(std::span<const TClassRef* const> classes);
  // The class registered under `name`; nullptr when there is none.
  static const TClassRef* FindClass(std::string_view name);
  // Every registered class, in the order of their names.
  static std::vector<const TClassRef*> Classes();
};

}  // namespace kelvra
