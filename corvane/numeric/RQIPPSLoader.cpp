#include "corvane/numeric/RQIPPSLoader.h"

#include <filesystem>

namespace corvane::RQIPPSLoader {

kelvra::HMODULE ippsLIB = nullptr;
kelvra::HMODULE ippcoreLIB = nullptr;

namespace {
std::string searchFolder;

void Release(kelvra::HMODULE& module) {
  kelvra::FreeLibrary(module);
  module = nullptr;
}
}  // namespace

void SetIPPSearchFolder(std::string folder) { searchFolder = std::move(folder); }

kelvra::HMODULE LoadIPPLibrary(const char* fileName) {
  if (!searchFolder.empty()) {
    std::filesystem::path candidate = std::filesystem::path(searchFolder) / fileName;
    std::error_code ec;
    if (std::filesystem::exists(candidate, ec))
      return kelvra::SafeLoadLibrary(candidate.string()).Handle;
  }
  return kelvra::SafeLoadLibrary(fileName).Handle;
}

void* GetIPPSProcAddress(std::string_view name) {
  return kelvra::GetProcAddress(ippsLIB, std::string(name).c_str());
}

bool CheckIPPSDLLs() { return ippsLIB != nullptr; }

void Start() {
  ippsLIB = LoadIPPLibrary(kIppsFileName);
  ippcoreLIB = LoadIPPLibrary(kIppcoreFileName);
}

void Finish() {
  Release(ippcoreLIB);
  Release(ippsLIB);
}

}  // namespace corvane::RQIPPSLoader
