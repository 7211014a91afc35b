#include "kelvra/Kelvra.Categories.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <mutex>
#include <string>

namespace kelvra {
namespace {

std::mutex registryLock;

// Under registryLock.
std::vector<const TClassRef*>& Registered() {
  static std::vector<const TClassRef*> categories;
  return categories;
}

std::vector<TResourceLookup>& ImageSources() {
  static std::vector<TResourceLookup> sources;
  return sources;
}

auto Named(std::string_view name) {
  return std::find_if(Registered().begin(), Registered().end(),
                      [name](const TClassRef* category) { return category->Name() == name; });
}

bool IsCategoryClass(const TClassRef& cls) {
  return cls.InheritsFrom(TClassCategory::ClassRef) && cls.Attributes().Categories.size() <= 1;
}

// The registered categories that `belongs` accepts.
template <class Predicate>
std::vector<const TClassRef*> RegisteredWhere(Predicate belongs) {
  std::lock_guard guard(registryLock);
  std::vector<const TClassRef*> found;
  std::copy_if(Registered().begin(), Registered().end(), std::back_inserter(found), belongs);
  return found;
}

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace

void TCategoryRegistry::RegisterCategories(std::span<const TClassRef* const> categories) {
  for (const TClassRef* category : categories)
    if (!IsCategoryClass(*category)) throw EInvalidCast("Invalid class typecast");
  std::lock_guard guard(registryLock);
  for (const TClassRef* category : categories) {
    const auto entry = Named(category->Name());
    if (entry == Registered().end())
      Registered().push_back(category);
    else
      *entry = category;
  }
}

void TCategoryRegistry::UnregisterCategories(std::span<const TClassRef* const> categories) {
  std::lock_guard guard(registryLock);
  for (const TClassRef* category : categories) std::erase(Registered(), category);
}

const TClassRef* TCategoryRegistry::FindCategory(std::string_view name) {
  std::lock_guard guard(registryLock);
  const auto entry = Named(name);
  return entry == Registered().end() ? nullptr : *entry;
}

std::vector<const TClassRef*> TCategoryRegistry::Categories() {
  return RegisteredWhere([](const TClassRef*) { return true; });
}

std::vector<const TClassRef*> TCategoryRegistry::Roots() {
  // The predicate runs under the registry's lock.
  return RegisteredWhere([](const TClassRef* category) {
    const TClassRef* parent = ParentCategory(*category);
    return !parent || std::find(Registered().begin(), Registered().end(), parent) == Registered().end();
  });
}

std::vector<const TClassRef*> TCategoryRegistry::Children(const TClassRef& category) {
  return RegisteredWhere([&](const TClassRef* child) { return ParentCategory(*child) == &category; });
}

std::vector<const TClassRef*> TCategoryRegistry::AlternateChildren(const TClassRef& category) {
  return RegisteredWhere([&](const TClassRef* child) {
    const auto places = child->Attributes().AlternateCategories;
    return std::find(places.begin(), places.end(), &category) != places.end();
  });
}

void TCategoryRegistry::AddImageSource(TResourceLookup source) {
  std::lock_guard guard(registryLock);
  ImageSources().push_back(source);
}

void TCategoryRegistry::RemoveImageSource(TResourceLookup source) {
  std::lock_guard guard(registryLock);
  const auto entry = std::find(ImageSources().begin(), ImageSources().end(), source);
  if (entry != ImageSources().end()) ImageSources().erase(entry);
}

std::span<const uint8_t> TCategoryRegistry::Image(const TClassRef& category) {
  const std::string name = UpperCase(ImageCategory(category).Name());
  std::vector<TResourceLookup> sources;
  {
    std::lock_guard guard(registryLock);
    sources = ImageSources();
  }
  for (auto source = sources.rbegin(); source != sources.rend(); ++source)
    if (const auto image = (*source)(kCategoryImageType, name); !image.empty()) return image;
  return {};
}

}  // namespace kelvra
