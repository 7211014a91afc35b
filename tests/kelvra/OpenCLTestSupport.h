// The OpenCL context the tests run on: the first platform's devices (PoCL's CPU device in CI).
// A test that needs it skips, saying why, on a machine without any platform.
#pragma once

#include <gtest/gtest.h>

#include "kelvra/Kelvra.OpenCL.h"

namespace kelvra::testing {

inline TIntf<IOCLContext> FirstPlatformContext() {
  const auto platforms = TOpenCL::GetPlatforms();
  if (platforms.empty()) return {};
  const auto devices = platforms.front()->GetDevices();
  return TOCLContext::Create(devices);
}

#define SKIP_WITHOUT_OPENCL(context) \
  if (!(context)) GTEST_SKIP() << "no OpenCL platform installed"

// Adds AValue to every element of a buffer of doubles.
inline constexpr const char* kAddSource = R"(
#pragma OPENCL EXTENSION cl_khr_fp64 : enable
__kernel void add(__global double* data, double value) {
  data[get_global_id(0)] += value;
}
)";

}  // namespace kelvra::testing
