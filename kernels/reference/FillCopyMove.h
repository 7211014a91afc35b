// Scalar reference for the Set, Zero, Copy and Move kernels: plain element loops, used by the
// tests to check the vector kernels bit for bit.
#pragma once

#include "kernels/KernelSupport.h"

namespace corvane::kernels::reference {

template <class T>
IppStatus Set(T val, T* dst, int len) {
  if (IppStatus s = CheckArgs(len, dst)) return s;
  for (int i = 0; i < len; ++i) dst[i] = val;
  return ippStsNoErr;
}

template <class T>
IppStatus Zero(T* dst, int len) {
  return Set(T{}, dst, len);  // value-initialised: +0 for the float types, {+0, +0} for complex
}

// Copies front to back when the destination lies below the source and back to front otherwise,
// so overlapping elements are read before they are overwritten.
template <class T>
IppStatus Move(const T* src, T* dst, int len) {
  if (IppStatus s = CheckArgs(len, src, dst)) return s;
  if (dst < src) {
    for (int i = 0; i < len; ++i) dst[i] = src[i];
  } else {
    for (int i = len - 1; i >= 0; --i) dst[i] = src[i];
  }
  return ippStsNoErr;
}

}  // namespace corvane::kernels::reference
