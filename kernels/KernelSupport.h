// Argument checks shared by the built-in kernels and their scalar references, in IPP's order:
// null pointers first, then the length.
#pragma once

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

}  // namespace corvane::kernels
