// Resources compiled into the library: files embedded at build time (see
// cmake/EmbedResources.cmake) and found by type and name, as a module's resources are.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

// The bytes of the resource, or an empty span when the library has none of that type and name.
// Type and name compare without regard to ASCII letter case.
std::span<const uint8_t> FindModuleResource(std::string_view type, std::string_view name);

}  // namespace corvane
