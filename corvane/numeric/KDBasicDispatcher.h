// The table of IPP entry points that every vector operation of the package calls: one exported
// global per entry, named after the IPP 7.0 function, of type TPtr_<name>, called with IPP's
// argument order. Filled once at package start, read-only afterwards.
//
// Beside the table the unit holds routines with IPP-style names that are always built in: integer
// division by a constant, 64-bit integer conversion, the Kaiser window and the buffer memory pair.
#pragma once

#include "corvane/numeric/IPPPTypes.h"

namespace corvane {

#define CORVANE_SLOT_DECLARE(name, params) \
  using TPtr_##name = IppStatus (*) params; \
  extern TPtr_##name name;

// 186 slots: 175 looked up in the signal library, 11 in the image libraries.
#define KD_BASIC_DISPATCHER_FAMILIES(X)                     \
  X("Real 64-bit arithmetic", IPP_REAL64_ARITHMETIC)        \
  X("Real 32-bit arithmetic", IPP_REAL32_ARITHMETIC)        \
  X("Complex arithmetic", IPP_COMPLEX_ARITHMETIC)           \
  X("Scaled integer arithmetic", IPP_SCALED_INTEGER_ARITHMETIC) \
  X("Logic and shifts", IPP_LOGIC_AND_SHIFTS)               \
  X("Element functions", IPP_ELEMENT_FUNCTIONS)             \
  X("Complex parts and coordinates", IPP_COMPLEX_PARTS)     \
  X("Statistics and norms", IPP_STATISTICS)                 \
  X("Thresholds", IPP_THRESHOLDS)                           \
  X("Correlation and convolution", IPP_CORRELATION)         \
  X("FFT", IPP_FFT)                                         \
  X("Windows", IPP_WINDOWS)                                 \
  X("FIR and IIR filtering", IPP_FIR_IIR)                   \
  X("Fill, copy and move", IPP_FILL_COPY_MOVE)              \
  X("Type conversion and byte order", IPP_CONVERSION)       \
  X("Generators and matrix", IPP_GENERATORS_AND_MATRIX)

#define CORVANE_FAMILY_DECLARE(title, family) family(CORVANE_SLOT_DECLARE)
KD_BASIC_DISPATCHER_FAMILIES(CORVANE_FAMILY_DECLARE)
IPP_IMAGE(CORVANE_SLOT_DECLARE)
#undef CORVANE_FAMILY_DECLARE

// Built-in routines. Each handles a count of 0 or less by doing nothing and returns ippStsNoErr;
// with a positive count, a null pointer gives ippStsNullPtrErr and nothing is written.

// Each element := element div value, truncating toward zero; the scale factor is ignored.
// Callers test the divisor for 0 before calling.
IppStatus ippsDivC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor);
IppStatus ippsDivC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len,
                           int scaleFactor);
// Nearest double of each signed / unsigned 64-bit integer.
IppStatus ippsConvert_64s64f(const Ipp64s* pSrc, Ipp64f* pDst, int len);
IppStatus ippsConvert_64u64f(const Ipp64u* pSrc, Ipp64f* pDst, int len);
// Multiplies by the Kaiser window of `len` points and parameter alpha (see the definition).
IppStatus ippsWinKaiser_64f_I(Ipp64f* pSrcDst, int len, float alpha);
IppStatus ippsWinKaiser_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, float alpha);
IppStatus ippsWinKaiser_64fc_I(Ipp64fc* pSrcDst, int len, float alpha);

// The allocator behind the shared memory blocks: zero-filled, 64-byte aligned; nullptr for a
// size of 0 or less. Blocks go back through _ippFree (which accepts nullptr).
void* _ippMalloc(int32_t size);
void _ippFree(void* ptr);

void StartKDBasicDispatcher();   // sets "KMP_AFFINITY", then fills the table
void FinishKDBasicDispatcher();  // takes the slots that IPP filled off its library (ReleaseIPPSlots)

}  // namespace corvane
