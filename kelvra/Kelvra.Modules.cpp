#include "kelvra/Kelvra.Modules.h"

#include <dlfcn.h>

#include <cerrno>

namespace kelvra {

TLoadResult SafeLoadLibrary(const std::string& fileName) {
  TLoadResult result;
  errno = 0;
  result.Handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!result.Handle) {
    result.ErrorCode = errno;
    const char* text = dlerror();
    result.ErrorText = text ? text : "";
  }
  return result;
}

void FreeLibrary(HMODULE module) {
  if (module) dlclose(module);
}

void* GetProcAddress(HMODULE module, const char* name) {
  return module ? dlsym(module, name) : nullptr;
}

}  // namespace kelvra
