// Loading shared libraries by file name: the platform loader (dlopen) behind the runtime's
// "safe loader", and the procedures that clean up after a library's classes when it is freed.
//
// Threads: any thread may load and free libraries and add or remove unload procedures; the
// procedures run on the thread that frees the library.
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
// Runs the module-unload procedures with `module`, the last added first, then releases it.
void FreeLibrary(HMODULE module);
void* GetProcAddress(HMODULE module, const char* name);

// Called with a library that is about to be freed: whoever keeps class references or code
// addresses of libraries drops those that lie in it (IsAddressInModule).
using TModuleUnloadProc = void (*)(HMODULE module);
void AddModuleUnloadProc(TModuleUnloadProc proc);
void RemoveModuleUnloadProc(TModuleUnloadProc proc);
// Whether `address` lies in the code or data of the loaded `module` (a handle of dlopen, the
// program's own included).
bool IsAddressInModule(const void* address, HMODULE module);

}  // namespace kelvra
