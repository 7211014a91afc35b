#include "kelvra/Kelvra.Modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>

namespace kelvra {
namespace {

// dlopen reports failures as text only and leaves errno unset in most cases: a path that exists
// but does not load is a bad library, anything else was not found.
int GuessLoadErrorCode(const std::string& fileName) {
  const bool isPath = fileName.find('/') != std::string::npos;
  return isPath && access(fileName.c_str(), F_OK) == 0 ? ELIBBAD : ENOENT;
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
  if (module) dlclose(module);
}

void* GetProcAddress(HMODULE module, const char* name) {
  return module ? dlsym(module, name) : nullptr;
}

}  // namespace kelvra
