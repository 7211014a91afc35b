#include "corvane/numeric/KDBasicDispatcher.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "corvane/numeric/KDDispatchReport.h"
#include "corvane/numeric/RQIPPILoader.h"
#include "corvane/numeric/RQIPPSLoader.h"

namespace corvane {

#define CORVANE_SLOT_DEFINE(name, params) TPtr_##name name = nullptr;
#define CORVANE_FAMILY_DEFINE(title, family) family(CORVANE_SLOT_DEFINE)
KD_BASIC_DISPATCHER_FAMILIES(CORVANE_FAMILY_DEFINE)
IPP_IMAGE(CORVANE_SLOT_DEFINE)
#undef CORVANE_FAMILY_DEFINE

#define CORVANE_SLOT_FILL(name, params) filler.Fill(name, #name);

void StartKDBasicDispatcher() {
  // IPP's OpenMP layer must not pin threads; set before any IPP function runs.
  setenv("KMP_AFFINITY", "disabled", 1);

  TSlotFiller filler("KDBasicDispatcher", RQIPPSLoader::GetIPPSProcAddress);
#define CORVANE_FAMILY_FILL(title, family) \
  filler.SetFamily(title);                 \
  family(CORVANE_SLOT_FILL)
  KD_BASIC_DISPATCHER_FAMILIES(CORVANE_FAMILY_FILL)
#undef CORVANE_FAMILY_FILL

  filler.SetFamily("Image");
  filler.SetLookup(RQIPPILoader::GetIPPIProcAddress);
  IPP_IMAGE(CORVANE_SLOT_FILL)
}

void FinishKDBasicDispatcher() {
  ReleaseIPPSlots("KDBasicDispatcher");
}

// ---------------------------------------------------------------------------------------------
// Built-in routines

namespace {

// ippStsNullPtrErr when the count is positive and a pointer is null, else ippStsNoErr: a count of
// 0 or less makes the routines' loops do nothing, whatever the pointers.
template <class... P>
IppStatus CheckPointers(int len, const P*... pointers) {
  return len > 0 && ((pointers == nullptr) || ...) ? ippStsNullPtrErr : ippStsNoErr;
}

// I0 by the fixed nine-term series: 1 + sum over k = 1..9 of ((x/2)^k / k!)^2, with k! by
// repeated integer multiplication and the power by the general power function.
double BesselI0(double x) {
  double sum = 1.0;
  int64_t factorial = 1;
  for (int k = 1; k <= 9; ++k) {
    factorial *= k;
    double term = std::pow(x / 2.0, k) / double(factorial);
    sum += term * term;
  }
  return sum;
}

// Calls apply(n, weight) for the Kaiser weights of an N-point window.
template <class Apply>
void ForKaiserWeights(int len, float alpha, Apply apply) {
  const double a = alpha;
  const double m = (len - 1) / 2.0;
  const double denominator = BesselI0(a * m);
  for (int n = 0; n < len; ++n) {
    const double x = n - m;
    apply(n, BesselI0(a * std::sqrt(m * m - x * x)) / denominator);
  }
}

}  // namespace

IppStatus ippsDivC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return ippsDivC_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}

IppStatus ippsDivC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int) {
  if (IppStatus s = CheckPointers(len, pSrc, pDst)) return s;
  // Callers never pass 0; a stray one must not trap, so it changes nothing.
  if (val == 0) return ippStsDivByZeroErr;
  // C++ division truncates toward zero. INT_MIN / -1 does not fit: it wraps, as the 32-bit
  // hardware division it stands for would fault; keep the defined two's-complement wrap instead.
  for (int i = 0; i < len; ++i)
    pDst[i] = (val == -1) ? Ipp32s(0u - uint32_t(pSrc[i])) : pSrc[i] / val;
  return ippStsNoErr;
}

IppStatus ippsConvert_64s64f(const Ipp64s* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckPointers(len, pSrc, pDst)) return s;
  for (int i = 0; i < len; ++i) pDst[i] = double(pSrc[i]);
  return ippStsNoErr;
}

IppStatus ippsConvert_64u64f(const Ipp64u* pSrc, Ipp64f* pDst, int len) {
  if (IppStatus s = CheckPointers(len, pSrc, pDst)) return s;
  // Read as signed and corrected by 2^64 when negative: the conversion the 64-bit float unit
  // offers. The sum rounds once more, which the definition accepts.
  for (int i = 0; i < len; ++i) {
    double value = double(Ipp64s(pSrc[i]));
    pDst[i] = value < 0 ? value + 18446744073709551616.0 : value;
  }
  return ippStsNoErr;
}

IppStatus ippsWinKaiser_64f_I(Ipp64f* pSrcDst, int len, float alpha) {
  return ippsWinKaiser_64f(pSrcDst, pSrcDst, len, alpha);
}

IppStatus ippsWinKaiser_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, float alpha) {
  if (IppStatus s = CheckPointers(len, pSrc, pDst)) return s;
  ForKaiserWeights(len, alpha, [&](int n, double w) { pDst[n] = pSrc[n] * w; });
  return ippStsNoErr;
}

IppStatus ippsWinKaiser_64fc_I(Ipp64fc* pSrcDst, int len, float alpha) {
  if (IppStatus s = CheckPointers(len, pSrcDst)) return s;
  ForKaiserWeights(len, alpha, [&](int n, double w) {
    pSrcDst[n].re *= w;
    pSrcDst[n].im *= w;
  });
  return ippStsNoErr;
}

void* _ippMalloc(int32_t size) {
  if (size <= 0) return nullptr;
  // calloc rather than memset: large blocks come as fresh pages that are zero already, so a
  // buffer that detaches without copying pays for its zeros only as it writes them. The 64-byte
  // alignment is made here; the allocation's own address is kept just before the block.
  constexpr size_t kAlignment = 64;
  void* raw = std::calloc(1, size_t(size) + kAlignment);
  if (!raw) return nullptr;
  const uintptr_t block = (reinterpret_cast<uintptr_t>(raw) + kAlignment) & ~uintptr_t(kAlignment - 1);
  reinterpret_cast<void**>(block)[-1] = raw;
  return reinterpret_cast<void*>(block);
}

void _ippFree(void* ptr) {
  if (ptr) std::free(static_cast<void**>(ptr)[-1]);
}

}  // namespace corvane
