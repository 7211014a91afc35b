// Argument checks and pixel addressing shared by the image kernels and their scalar references.
//
// IPP addresses channel c of pixel (x, y) at p + y*step + (x*n + c)*sizeof(T): steps are in
// bytes whatever the pixel type, and the pointer is the top-left pixel of the region of interest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "kernels/KernelSupport.h"

namespace corvane::kernels {

// ippStsNullPtrErr when any pointer is null, else ippStsSizeErr when the region is empty.
template <class... P>
constexpr IppStatus CheckImageArgs(IppiSize roi, const P*... pointers) {
  if (AnyNull(pointers...)) return ippStsNullPtrErr;
  if (roi.width <= 0 || roi.height <= 0) return ippStsSizeErr;
  return ippStsNoErr;
}

// The start of row y of an image whose rows lie `step` bytes apart.
template <class T>
T* Row(T* origin, int step, int y) {
  using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(origin) + std::ptrdiff_t(y) * step);
}

// The number of values in one row of a region `width` pixels wide.
inline size_t RowValues(IppiSize roi, int channels) {
  return size_t(roi.width) * size_t(channels);
}

}  // namespace corvane::kernels
