#include "kelvra/Kelvra.ClassRef.h"

#include <map>
#include <mutex>
#include <string>

#include "kelvra/Kelvra.Modules.h"

namespace kelvra {
namespace {

std::mutex registryLock;

std::map<std::string, const TClassRef*, std::less<>>& Registry() {
  static std::map<std::string, const TClassRef*, std::less<>> classes;
  return classes;
}

// A library being freed takes its class references with it.
void ForgetModuleClasses(HMODULE module) {
  std::lock_guard guard(registryLock);
  std::erase_if(Registry(), [module](const auto& entry) {
    return IsAddressInModule(entry.second, module);
  });
}

}  // namespace

void TClassManagement::RegisterClasses(std::span<const TClassRef* const> classes) {
  [[maybe_unused]] static const bool forgetsModules = (AddModuleUnloadProc(&ForgetModuleClasses), true);
  std::lock_guard guard(registryLock);
  for (const TClassRef* cls : classes) Registry().insert_or_assign(std::string(cls->Name()), cls);
}

void TClassManagement::UnregisterClasses(std::span<const TClassRef* const> classes) {
  std::lock_guard guard(registryLock);
  for (const TClassRef* cls : classes) {
    const auto entry = Registry().find(cls->Name());
    if (entry != Registry().end() && entry->second == cls) Registry().erase(entry);
  }
}

const TClassRef* TClassManagement::FindClass(std::string_view name) {
  std::lock_guard guard(registryLock);
  const auto entry = Registry().find(name);
  return entry == Registry().end() ? nullptr : entry->second;
}

std::vector<const TClassRef*> TClassManagement::Classes() {
  std::lock_guard guard(registryLock);
  std::vector<const TClassRef*> classes;
  for (const auto& [name, cls] : Registry()) classes.push_back(cls);
  return classes;
}

}  // namespace kelvra
