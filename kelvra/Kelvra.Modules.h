// Loading shared libraries by file name: the platform loader (dlopen) behind the runtime's
// "safe loader".
#pragma once

#include <string>

namespace kelvra {

using HMODULE = void*;  // nullptr (0) when a library is not loaded

struct TLoadResult {
  HMODULE Handle = nullptr;
  int ErrorCode = 0;        // an errno value (ENOENT, ELIBBAD, ...), 0 on success
  std::string ErrorText;    // the loader's own message, empty on success
};

// Loads `fileName` (a bare name is searched in the system's usual order). Never raises and never
// prints: a failure is reported in the result.
TLoadResult SafeLoadLibrary(const std::string& fileName);
void FreeLibrary(HMODULE module);
void* GetProcAddress(HMODULE module, const char* name);

}  // namespace kelvra
