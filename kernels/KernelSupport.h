// Argument checks shared by the built-in kernels and their scalar references, in IPP's order:
// null pointers first, then the length; and the status of entry points that allocate.
#pragma once

#include <new>
#include <stdexcept>

#include "corvane/numeric/IPPPTypes.h"

namespace corvane::kernels {

template <class... P>
constexpr bool AnyNull(const P*... pointers) {
  return ((pointers == nullptr) || ...);
}

// ippStsNullPtrErr when any pointer is null, ippStsSizeErr when len <= 0, else ippStsNoErr.
template <class... P>
constexpr IppStatus CheckArgs(int len, const P*... pointers) {
  if (AnyNull(pointers...)) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  return ippStsNoErr;
}

// Runs `work`, the part of an entry point that allocates, and returns its status, or
// ippStsMemAllocErr when memory runs out: no exception leaves an IPP-style entry point. `work`
// writes its outputs only once it has all the memory it needs.
template <class Work>
IppStatus CatchAllocationFailure(const Work& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return ippStsMemAllocErr;
  } catch (const std::length_error&) {  // a size beyond what a container can hold
    return ippStsMemAllocErr;
  }
}

}  // namespace corvane::kernels
