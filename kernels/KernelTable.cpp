#include "kernels/KernelTable.h"

#include <algorithm>
#include <array>
#include <utility>

#include "hwy/highway.h"
#include "hwy/targets.h"
#include "kernels/ipps.h"

namespace corvane::kernels {
namespace {

struct KernelEntry {
  std::string_view name;
  void* address;
};

#define CORVANE_KERNEL_ENTRY(name, params) KernelEntry{#name, reinterpret_cast<void*>(&name)},

// Every family of entry points that the dispatch tables hold.
const KernelEntry kKernels[] = {
    IPP_REAL64_ARITHMETIC(CORVANE_KERNEL_ENTRY)
    IPP_REAL32_ARITHMETIC(CORVANE_KERNEL_ENTRY)
    IPP_COMPLEX_ARITHMETIC(CORVANE_KERNEL_ENTRY)
    IPP_SCALED_INTEGER_ARITHMETIC(CORVANE_KERNEL_ENTRY)
    IPP_LOGIC_AND_SHIFTS(CORVANE_KERNEL_ENTRY)
    IPP_ELEMENT_FUNCTIONS(CORVANE_KERNEL_ENTRY)
    IPP_COMPLEX_PARTS(CORVANE_KERNEL_ENTRY)
    IPP_STATISTICS(CORVANE_KERNEL_ENTRY)
    IPP_THRESHOLDS(CORVANE_KERNEL_ENTRY)
    IPP_CORRELATION(CORVANE_KERNEL_ENTRY)
    IPP_FFT(CORVANE_KERNEL_ENTRY)
    IPP_WINDOWS(CORVANE_KERNEL_ENTRY)
    IPP_FIR_IIR(CORVANE_KERNEL_ENTRY)
    IPP_FILL_COPY_MOVE(CORVANE_KERNEL_ENTRY)
    IPP_CONVERSION(CORVANE_KERNEL_ENTRY)
    IPP_GENERATORS_AND_MATRIX(CORVANE_KERNEL_ENTRY)
    IPP_IMAGE(CORVANE_KERNEL_ENTRY)
    IPP_RESIZE(CORVANE_KERNEL_ENTRY)
    IPP_SCOPE(CORVANE_KERNEL_ENTRY)
    IPP_NORM(CORVANE_KERNEL_ENTRY)
};
#undef CORVANE_KERNEL_ENTRY

}  // namespace

void* FindKernel(std::string_view name) {
  auto it = std::find_if(std::begin(kKernels), std::end(kKernels),
                         [name](const KernelEntry& e) { return e.name == name; });
  return it == std::end(kKernels) ? nullptr : it->address;
}

std::vector<std::string_view> KernelNames() {
  std::vector<std::string_view> names;
  for (const KernelEntry& entry : kKernels) names.push_back(entry.name);
  return names;
}

const char* KernelTargetName() {
  // Highway dispatches to the best target that is both compiled in and supported by the CPU:
  // the lowest set bit of the intersection.
  const int64_t usable = hwy::SupportedTargets() & HWY_TARGETS;
  return hwy::TargetName(usable & -usable);
}

}  // namespace corvane::kernels
