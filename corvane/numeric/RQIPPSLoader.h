// Loads IPP's one-dimensional signal library and its core library at package start, and looks
// entry points up in the signal library.
#pragma once

#include <string>
#include <string_view>

#include "kelvra/Kelvra.Modules.h"

namespace corvane::RQIPPSLoader {

// File names of the IPP 7.0 libraries on this platform.
inline constexpr const char* kIppsFileName = "libipps.so.7.0";
inline constexpr const char* kIppcoreFileName = "libippcore.so.7.0";

extern kelvra::HMODULE ippsLIB;     // nullptr when absent or not loadable
extern kelvra::HMODULE ippcoreLIB;  // loaded beside ipps; nothing is looked up in it

// A folder searched before the system's usual order, for all five IPP libraries. Takes effect at
// the next package start; an empty string (the default) searches the system order only.
void SetIPPSearchFolder(std::string folder);

// Loads one IPP library: from the search folder if set and the file is there, else by bare name.
// A failure leaves nullptr, with no message.
kelvra::HMODULE LoadIPPLibrary(const char* fileName);

// The entry `name` of the signal library, or nullptr when the library or the entry is missing.
void* GetIPPSProcAddress(std::string_view name);

// True when the signal library is loaded (the core library is not tested).
bool CheckIPPSDLLs();

void Start();   // loads ipps, then ippcore
void Finish();  // frees ippcore, then ipps, each only if loaded

}  // namespace corvane::RQIPPSLoader
