// The table of built-in kernels: every kernel in it is checked against a reference on every
// target by some KERNEL_TEST.
#include "kernels/KernelTable.h"

#include <gtest/gtest.h>

#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

TEST(KernelTable, EveryKernelHasAReferenceCase) {
  const auto& checked = test::KernelsWithReferenceCases();
  for (std::string_view name : KernelNames())
    EXPECT_TRUE(checked.contains(FindKernel(name))) << name << " has no KERNEL_TEST";
}

}  // namespace
}  // namespace corvane::kernels
