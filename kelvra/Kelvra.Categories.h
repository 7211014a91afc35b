// Class categories: the classes that components name in their category attributes, and that an
// editor shows as a tree, each with an image.
//
// A category is a class derived from TClassCategory with no code of its own. All it says lies in
// the attributes of its class reference:
//   DisplayName          its name, as an editor shows it
//   Categories           its parent category: one entry, or none for a category at the top
//   AlternateCategories  further categories under which it is listed as well
//   ParentImage          the category whose image it shows; without one it shows its own image,
//                        the PNG resource named after its class in upper case
//
//   struct TFiltersToolbarCategory : kelvra::TClassCategory {
//     static const kelvra::TClassRef ClassRef;
//   };
//   inline constexpr kelvra::TClassRef TFiltersToolbarCategory::ClassRef =
//       kelvra::ClassRefOf<TFiltersToolbarCategory, kelvra::TClassCategory>(
//           "TFiltersToolbarCategory",
//           {.DisplayName = "Filters", .Categories = kelvra::ClassRefs<&TMyRoot::ClassRef>});
//
// The category registry holds the categories that the packages declare, for an editor to draw:
// the roots, each category's children and the categories it lists as an alternate place, and each
// category's image, found in the modules that offer images (a package adds its module's resource
// lookup as an image source when it registers its categories).
//
// Any thread may register, unregister and ask; the lists returned are copies.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "kelvra/Kelvra.ClassRef.h"

namespace kelvra {

// The root of the category classes.
class TClassCategory {
 public:
  static const TClassRef ClassRef;
};
inline constexpr TClassRef TClassCategory::ClassRef = ClassRefOf<TClassCategory>("TClassCategory");

// A module's resource by type and name; an empty span when the module has none of them.
using TResourceLookup = std::span<const uint8_t> (*)(std::string_view type, std::string_view name);

// The resource type of category images.
inline constexpr std::string_view kCategoryImageType = "PNG";

// The parent of a category; nullptr for one at the top.
constexpr const TClassRef* ParentCategory(const TClassRef& category) {
  const auto parents = category.Attributes().Categories;
  return parents.empty() ? nullptr : parents[0];
}

// The category whose image `category` shows: itself, or where its ParentImage attributes lead.
constexpr const TClassRef& ImageCategory(const TClassRef& category) {
  const TClassRef* shown = &category;
  while (shown->Attributes().ParentImage) shown = shown->Attributes().ParentImage;
  return *shown;
}

class TCategoryRegistry {
 public:
  // Registers the categories in order; a name registered again takes the new class, at the place
  // of the first. Raises EInvalidCast ("Invalid class typecast"), registering none of them, when
  // one is not a category class or names more than one parent.
  static void RegisterCategories(std::span<const TClassRef* const> categories);
  static void UnregisterCategories(std::span<const TClassRef* const> categories);
  // The category registered under `name`; nullptr when there is none.
  static const TClassRef* FindCategory(std::string_view name);

  // Every registered category, in registration order; the lists below keep that order too.
  static std::vector<const TClassRef*> Categories();
  // The categories at the top of the tree: those without a parent, and those whose parent is not
  // registered.
  static std::vector<const TClassRef*> Roots();
  // The categories whose parent is `category`.
  static std::vector<const TClassRef*> Children(const TClassRef& category);
  // The categories that name `category` among their AlternateCategories.
  static std::vector<const TClassRef*> AlternateChildren(const TClassRef& category);

  // A module's resources as a source of category images; the source added last is asked first.
  static void AddImageSource(TResourceLookup source);
  static void RemoveImageSource(TResourceLookup source);
  // The PNG image that `category` shows: the resource of type kCategoryImageType named after
  // ImageCategory(category) in upper case, from the first image source that has it; empty when
  // none has.
  static std::span<const uint8_t> Image(const TClassRef& category);
};

}  // namespace kelvra
