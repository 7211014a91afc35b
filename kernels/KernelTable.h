// Lookup of the built-in kernels by IPP entry-point name, as the dispatcher looks names up in the
// IPP libraries.
#pragma once

#include <string_view>
#include <vector>

namespace corvane::kernels {

// The kernel that implements `name`, or nullptr when there is none (yet).
void* FindKernel(std::string_view name);

// The names of all kernels in the table, in its order.
std::vector<std::string_view> KernelNames();

// The instruction set that the kernels dispatch to on this machine ("AVX3", "AVX2", ...).
const char* KernelTargetName();

}  // namespace corvane::kernels
