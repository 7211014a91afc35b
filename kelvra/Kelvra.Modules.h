// Loading shared libraries by file name: the platform loader (dlopen) behind the runtime's
// "safe loader".
#pragma once

#include <cstdint>
#include <functional>
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
// Tells the module-unload procedures, then unloads the module.
void FreeLibrary(HMODULE module);
void* GetProcAddress(HMODULE module, const char* name);

// Module-unload procedures: each is called with a module that FreeLibrary is about to unload, so
// that tables holding its code can drop it. Any thread may add and remove; a procedure runs on the
// thread that frees the module.
using TModuleUnloadProc = std::function<void(HMODULE module)>;
int32_t AddModuleUnloadProc(TModuleUnloadProc proc);  // returns the handle to remove it by
void RemoveModuleUnloadProc(int32_t handle);
// Whether `address` (a function or data) lies in `module`.
bool IsAddressInModule(const void* address, HMODULE module);

}  // namespace kelvra
