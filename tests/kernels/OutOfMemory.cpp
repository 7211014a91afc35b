// The global operator new of the kernel tests, which fails on request (test::OutOfMemory), so that
// the tests can check what kernels answer when memory runs out.
#include <cstdlib>
#include <new>

#include "tests/kernels/KernelTestSupport.h"

namespace {
thread_local bool allocationsFail = false;
}  // namespace

namespace corvane::kernels::test {
OutOfMemory::OutOfMemory() {
  allocationsFail = true;
}
OutOfMemory::~OutOfMemory() {
  allocationsFail = false;
}
}  // namespace corvane::kernels::test

void* operator new(std::size_t size) {
  if (!allocationsFail)
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
