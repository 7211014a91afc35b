#include "corvane/numeric/RQIPPILoader.h"

#include <string>

#include "corvane/numeric/RQIPPSLoader.h"

namespace corvane::RQIPPILoader {
namespace {
kelvra::HMODULE ippiLIB = nullptr;
kelvra::HMODULE ippccLIB = nullptr;
kelvra::HMODULE ippcvLIB = nullptr;

void Release(kelvra::HMODULE& module) {
  kelvra::FreeLibrary(module);
  module = nullptr;
}
}  // namespace

void* GetIPPIProcAddress(std::string_view name) {
  const std::string entry(name);
  for (kelvra::HMODULE module : {ippiLIB, ippccLIB, ippcvLIB})
    if (void* address = kelvra::GetProcAddress(module, entry.c_str())) return address;
  return nullptr;
}

bool CheckIPPSDLLs() { return ippiLIB != nullptr && ippccLIB != nullptr; }

kelvra::HMODULE ippiHandle() { return ippiLIB; }
kelvra::HMODULE ippccHandle() { return ippccLIB; }
kelvra::HMODULE ippcvHandle() { return ippcvLIB; }

void Start() {
  ippiLIB = RQIPPSLoader::LoadIPPLibrary(kIppiFileName);
  ippccLIB = RQIPPSLoader::LoadIPPLibrary(kIppccFileName);
  ippcvLIB = RQIPPSLoader::LoadIPPLibrary(kIppcvFileName);
}

void Finish() {
  Release(ippcvLIB);
  Release(ippccLIB);
  Release(ippiLIB);
}

}  // namespace corvane::RQIPPILoader
