#include "kelvra/Kelvra.Persistence.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>

#include "kelvra/Kelvra.Components.h"

namespace kelvra {
namespace {

std::atomic<int64_t> liveInstances{0};

[[noreturn]] void InvalidText(std::string_view AText, std::string_view AWhat) {
  throw EConvertError("'" + std::string(AText) + "' is not a valid " + std::string(AWhat));
}

template <class F>
std::string FloatText(F AValue) {
  if (std::isnan(AValue)) return ".nan";
  if (std::isinf(AValue)) return AValue < 0 ? "-.inf" : ".inf";
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, AValue);
  return std::string(text, result.ptr);
}

// The special values in their text form (".inf", "-.inf", ".nan", in any of the three cases the
// text form allows); nothing for other texts.
template <class F>
std::optional<F> SpecialFloat(std::string_view AText) {
  const bool negative = AText.starts_with('-');
  if (negative || AText.starts_with('+')) AText.remove_prefix(1);
  for (std::string_view inf : {".inf", ".Inf", ".INF"})
    if (AText == inf) return negative ? -std::numeric_limits<F>::infinity()
                                      : std::numeric_limits<F>::infinity();
  for (std::string_view nan : {".nan", ".NaN", ".NAN"})
    if (AText == nan && !negative) return std::numeric_limits<F>::quiet_NaN();
  return {};
}

template <class F>
F TextToFloat(std::string_view AText) {
  if (const auto special = SpecialFloat<F>(AText)) return *special;
  std::string_view digits = AText;
  if (digits.starts_with('+')) digits.remove_prefix(1);  // from_chars takes no plus sign
  F value{};
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  if (digits.empty() || digits.starts_with('-') != AText.starts_with('-') || error != std::errc() ||
      stop != end)
    InvalidText(AText, "floating point value");
  return value;
}

}  // namespace

std::string BooleanToText(bool AValue) { return AValue ? "true" : "false"; }

bool TextToBoolean(std::string_view AText) {
  for (std::string_view t : {"true", "True", "TRUE"})
    if (AText == t) return true;
  for (std::string_view f : {"false", "False", "FALSE"})
    if (AText == f) return false;
  InvalidText(AText, "boolean value");
}

std::string FloatToText(double AValue) { return FloatText(AValue); }
std::string FloatToText(float AValue) { return FloatText(AValue); }
double TextToDouble(std::string_view AText) { return TextToFloat<double>(AText); }
float TextToSingle(std::string_view AText) { return TextToFloat<float>(AText); }

void InvalidIntegerText(std::string_view AText) { InvalidText(AText, "integer value"); }

std::string_view EnumToText(int64_t AValue, std::span<const std::string_view> ANames) {
  KELVRA_ASSERT(AValue >= 0 && size_t(AValue) < ANames.size());
  return ANames[size_t(AValue)];
}

int64_t TextToEnum(std::string_view AText, std::span<const std::string_view> ANames) {
  const auto found = std::find(ANames.begin(), ANames.end(), AText);
  if (found == ANames.end()) {
    std::string members;
    for (std::string_view name : ANames) members += (members.empty() ? "" : ", ") + std::string(name);
    InvalidText(AText, "value (one of " + members + ")");
  }
  return found - ANames.begin();
}

std::string SetToText(uint64_t ABits, std::span<const std::string_view> ANames) {
  std::string text = "[";
  for (size_t i = 0; i < ANames.size(); ++i)
    if (ABits & (uint64_t(1) << i)) text += (text.size() > 1 ? ", " : "") + std::string(ANames[i]);
  return text + "]";
}

uint64_t TextToSet(std::string_view AText, std::span<const std::string_view> ANames) {
  if (AText.size() < 2 || AText.front() != '[' || AText.back() != ']')
    InvalidText(AText, "set value ([member, ...])");
  std::string_view members = AText.substr(1, AText.size() - 2);
  uint64_t bits = 0;
  while (members.find_first_not_of(' ') != std::string_view::npos) {
    const size_t comma = std::min(members.find(','), members.size());
    std::string_view member = members.substr(0, comma);
    member.remove_prefix(std::min(member.find_first_not_of(' '), member.size()));
    member.remove_suffix(member.size() - std::min(member.find_last_not_of(' ') + 1, member.size()));
    bits |= uint64_t(1) << TextToEnum(member, ANames);
    members.remove_prefix(std::min(comma + 1, members.size()));
  }
  return bits;
}

// ---------------------------------------------------------------------------------------------

bool TPropertyInfo::IsStored(const TPersistent& AInstance) const {
  if (stored_ && !stored_(AInstance)) return false;
  return kind_ == pkObject || !defaultText_ || GetText(AInstance) != *defaultText_;
}

void TPropertyInfo::Copy(TPersistent& ADest, const TPersistent& ASource) const {
  if (kind_ != pkObject) return SetText(ADest, GetText(ASource));
  TPersistent* dest = GetObject(ADest);
  const TPersistent* source = GetObject(ASource);
  if (dest && source) dest->Assign(*source);
}

std::vector<const TPropertyInfo*> PublishedProperties(const TClassRef& AClass) {
  std::vector<const TClassRef*> lineage;
  for (const TClassRef* c = &AClass; c; c = c->Parent()) lineage.push_back(c);
  std::vector<const TPropertyInfo*> properties;
  for (auto c = lineage.rbegin(); c != lineage.rend(); ++c) {
    if (!(*c)->Attributes().Properties) continue;
    for (const TPropertyInfo& info : (*c)->Attributes().Properties().Entries()) {
      const auto same = std::find_if(properties.begin(), properties.end(),
                                     [&](const TPropertyInfo* p) { return p->Name() == info.Name(); });
      if (same != properties.end())
        *same = &info;
      else
        properties.push_back(&info);
    }
  }
  return properties;
}

// ---------------------------------------------------------------------------------------------

TPersistent::TPersistent() { liveInstances.fetch_add(1, std::memory_order_relaxed); }

TPersistent::~TPersistent() { liveInstances.fetch_sub(1, std::memory_order_relaxed); }

int64_t TPersistent::LiveInstances() { return liveInstances.load(std::memory_order_relaxed); }

void TPersistent::Assign(const TPersistent& ASource) {
  const TClassRef* shared = &ClassType();
  while (shared && !ASource.ClassType().InheritsFrom(*shared)) shared = shared->Parent();
  const auto properties = shared ? PublishedProperties(*shared) : std::vector<const TPropertyInfo*>();
  if (properties.empty()) return ASource.AssignTo(*this);
  for (const TPropertyInfo* info : properties) info->Copy(*this, ASource);
}

void TPersistent::AssignTo(TPersistent& ADest) const {
  throw EConvertError("Cannot assign a " + std::string(ClassName()) + " to a " +
                      std::string(ADest.ClassName()));
}

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::InitDefaults(const TClassRef& AClass) {
  if (!AClass.Attributes().Properties) return;
  for (const TPropertyInfo& info : AClass.Attributes().Properties().Entries())
    if (info.initAtConstruction_) info.initAtConstruction_(*this);
}

// ---------------------------------------------------------------------------------------------
// Managed fields

namespace {

struct TManagedMakerRegistry {
  std::mutex lock;
  std::map<const TClassRef*, TManagedMakers> makers;
};

TManagedMakerRegistry& ManagedMakerRegistry() {
  static TManagedMakerRegistry registry;
  return registry;
}

// The component that AObject is or belongs to, up its owners; nullptr when none.
TComponent* OwningComponent(TPersistent& AObject) {
  for (TPersistent* object = &AObject; object; object = object->GetOwner())
    if (auto* component = dynamic_cast<TComponent*>(object)) return component;
  return nullptr;
}

}  // namespace

void RegisterManagedMakers(const TClassRef& AClass, TManagedMakers AMakers) {
  auto& registry = ManagedMakerRegistry();
  std::lock_guard guard(registry.lock);
  registry.makers[&AClass] = std::move(AMakers);
}

void UnregisterManagedMakers(const TClassRef& AClass) {
  auto& registry = ManagedMakerRegistry();
  std::lock_guard guard(registry.lock);
  registry.makers.erase(&AClass);
}

std::optional<TManagedMakers> FindManagedMakers(const TClassRef& AClass) {
  auto& registry = ManagedMakerRegistry();
  std::lock_guard guard(registry.lock);
  const auto found = registry.makers.find(&AClass);
  if (found == registry.makers.end()) return std::nullopt;
  return found->second;
}

TPersistent* MakeManaged(const TClassRef& AClass, TPersistent& AOwner, std::string_view AName,
                         const TIntf<IChangeNotifyLock>& ALock) {
  const auto makers = FindManagedMakers(AClass);
  if (!makers || !makers->ForOwner)
    throw EAbstractError("No maker is registered for a managed " + std::string(AClass.Name()));
  return makers->ForOwner(OwningComponent(AOwner), AOwner, AName, ALock);
}

}  // namespace kelvra
