// Loads IPP's image, colour-conversion and computer-vision libraries at package start and looks
// entry points up in them.
#pragma once

#include <string_view>

#include "kelvra/Kelvra.Modules.h"

namespace corvane::RQIPPILoader {

inline constexpr const char* kIppiFileName = "libippi.so.7.0";
inline constexpr const char* kIppccFileName = "libippcc.so.7.0";
inline constexpr const char* kIppcvFileName = "libippcv.so.7.0";

// The entry `name` from ippi, else ippcc, else ippcv (libraries not loaded are skipped); the
// first hit wins, nullptr when none has it.
void* GetIPPIProcAddress(std::string_view name);

// True when both ippi and ippcc are loaded (ippcv is not tested).
bool CheckIPPSDLLs();

// The three handles, for reports; nullptr where not loaded.
kelvra::HMODULE ippiHandle();
kelvra::HMODULE ippccHandle();
kelvra::HMODULE ippcvHandle();

void Start();   // loads ippi, ippcc, ippcv
void Finish();  // frees ippcv, ippcc, ippi, each only if loaded

}  // namespace corvane::RQIPPILoader
