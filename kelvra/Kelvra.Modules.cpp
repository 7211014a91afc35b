#include "kelvra/Kelvra.Modules.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

namespace kelvra {
namespace {

// dlopen reports failures as text only and leaves errno unset in most cases: a path that exists
// but does not load is a bad library, anything else was not found.
int GuessLoadErrorCode(const std::string& fileName) {
  const bool isPath = fileName.find('/') != std::string::npos;
  return isPath && access(fileName.c_str(), F_OK) == 0 ? ELIBBAD : ENOENT;
}

std::mutex unloadProcsLock;
std::vector<TModuleUnloadProc>& UnloadProcs() {
  static std::vector<TModuleUnloadProc> procs;
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
  std::vector<TModuleUnloadProc> procs;
  {
    std::lock_guard guard(unloadProcsLock);
    procs = UnloadProcs();
  }
  for (auto proc = procs.rbegin(); proc != procs.rend(); ++proc) (*proc)(module);
  dlclose(module);
}

void AddModuleUnloadProc(TModuleUnloadProc proc) {
  std::lock_guard guard(unloadProcsLock);
  UnloadProcs().push_back(proc);
}

void RemoveModuleUnloadProc(TModuleUnloadProc proc) {
  std::lock_guard guard(unloadProcsLock);
  std::erase(UnloadProcs(), proc);
}

bool IsAddressInModule(const void* address, HMODULE module) {
  Dl_info info;
  link_map* containing = nullptr;
  link_map* loaded = nullptr;
  return module &&
         dladdr1(address, &info, reinterpret_cast<void**>(&containing), RTLD_DL_LINKMAP) &&
         dlinfo(module, RTLD_DI_LINKMAP, &loaded) == 0 && containing == loaded;
}

void* GetProcAddress(HMODULE module, const char* name) {
  return module ? dlsym(module, name) : nullptr;
}

}  // namespace kelvra
