#include "kelvra/Kelvra.Modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>
#include <vector>

namespace kelvra {
namespace {

// dlopen reports failures as text only and leaves errno unset in most cases: a path that exists
// but does not load is a bad library, anything else was not found.
int GuessLoadErrorCode(const std::string& fileName) {
  const bool isPath = fileName.find('/') != std::string::npos;
  return isPath && access(fileName.c_str(), F_OK) == 0 ? ELIBBAD : ENOENT;
}

struct TUnloadProcs {
  std::mutex lock;
  int32_t lastHandle = 0;
  std::vector<std::pair<int32_t, TModuleUnloadProc>> procs;
};

TUnloadProcs& UnloadProcs() {
  static TUnloadProcs procs;
  return procs;
}

}  // namespace

TLoadResult SafeLoadLibrary(const std::string& fileName) {
  TLoadResult result;
  errno = 0;
  result.Handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!result.Handle) {
    result.ErrorCode = errno ? errno : GuessLoadErrorCode(fileName);
    const char* text = dlerror();
    result.ErrorText = text ? text : "";
  }
  return result;
}

void FreeLibrary(HMODULE module) {
  if (!module) return;
  std::vector<std::pair<int32_t, TModuleUnloadProc>> procs;
  {
    std::lock_guard guard(UnloadProcs().lock);
    procs = UnloadProcs().procs;
  }
  for (const auto& [handle, proc] : procs) proc(module);
  dlclose(module);
}

int32_t AddModuleUnloadProc(TModuleUnloadProc proc) {
  TUnloadProcs& procs = UnloadProcs();
  std::lock_guard guard(procs.lock);
  procs.procs.emplace_back(++procs.lastHandle, std::move(proc));
  return procs.lastHandle;
}

void RemoveModuleUnloadProc(int32_t handle) {
  TUnloadProcs& procs = UnloadProcs();
  std::lock_guard guard(procs.lock);
  std::erase_if(procs.procs, [handle](const auto& entry) { return entry.first == handle; });
}

bool IsAddressInModule(const void* address, HMODULE module) {
  Dl_info info{};
  if (!module || !dladdr(address, &info) || !info.dli_fname) return false;
  // Opening the file that holds the address without loading it gives that module's handle.
  void* holder = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (holder) dlclose(holder);
  return holder == module;
}

void* GetProcAddress(HMODULE module, const char* name) {
  return module ? dlsym(module, name) : nullptr;
}

}  // namespace kelvra
