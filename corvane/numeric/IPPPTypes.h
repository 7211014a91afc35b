// Declarations of Intel IPP 7.0 that the dispatch tables name: element types, status codes,
// enumerations, opaque state handles, and the prototypes of every entry point a slot holds.
//
// The prototypes are kept as lists of X(name, (parameters)) per family so that the dispatcher's
// `TPtr_` types, its slots and the built-in kernels are all declared from one text. The family
// order and contents are the ones the dispatch tables document.
#pragma once

#include <cstdint>

namespace corvane {

using Ipp8u = uint8_t;
using Ipp8s = int8_t;
using Ipp16u = uint16_t;
using Ipp16s = int16_t;
using Ipp32u = uint32_t;
using Ipp32s = int32_t;
using Ipp64s = int64_t;
using Ipp64u = uint64_t;
using Ipp32f = float;
using Ipp64f = double;

struct Ipp32fc {
  Ipp32f re;
  Ipp32f im;
};
// Same layout as the runtime's TComplex: real part first.
struct Ipp64fc {
  Ipp64f re;
  Ipp64f im;
};
static_assert(sizeof(Ipp64fc) == 16);

using IppStatus = int32_t;

enum : IppStatus {
  ippStsNotSupportedModeErr = -9999,
  ippStsRoundModeNotSupportedErr = -213,
  ippStsResizeNoOperationErr = -201,
  ippStsLUTNofLevelsErr = -106,
  ippStsSVDCnvgErr = -65,
  ippStsAlphaTypeErr = -50,
  ippStsHugeWinErr = -39,
  ippStsJaehneErr = -38,
  ippStsShiftErr = -32,
  ippStsFIRLenErr = -26,
  ippStsIIROrderErr = -25,
  ippStsResizeFactorErr = -23,
  ippStsInterpolationErr = -22,
  ippStsMirrorFlipErr = -21,
  ippStsThreshNegLevelErr = -19,
  ippStsContextMatchErr = -17,
  ippStsFftFlagErr = -16,
  ippStsFftOrderErr = -15,
  ippStsStepErr = -14,
  ippStsOutOfRangeErr = -11,
  ippStsDivByZeroErr = -10,
  ippStsMemAllocErr = -9,
  ippStsNullPtrErr = -8,
  ippStsRangeErr = -7,
  ippStsSizeErr = -6,
  ippStsBadArgErr = -5,
  ippStsNoMemErr = -4,
  ippStsErr = -2,
  ippStsNoErr = 0,
  ippStsOk = ippStsNoErr,
  ippStsNoOperation = 1,
  ippStsMisalignedBuf = 2,
  ippStsSqrtNegArg = 3,
  ippStsInvZero = 4,
  ippStsEvenMedianMaskSize = 5,
  ippStsDivByZero = 6,
  ippStsLnZeroArg = 7,
  ippStsLnNegArg = 8,
  ippStsNanArg = 9,
  ippStsOverflow = 12,
  ippStsUnderflow = 17,
  ippStsSingularity = 18,
  ippStsDomain = 19,
  ippStsWrongIntersectROI = 29,
};

enum IppRoundMode : int32_t { ippRndZero = 0, ippRndNear = 1, ippRndFinancial = 2 };
enum IppHintAlgorithm : int32_t { ippAlgHintNone = 0, ippAlgHintFast = 1, ippAlgHintAccurate = 2 };
enum IppCmpOp : int32_t {
  ippCmpLess = 0,
  ippCmpLessEq = 1,
  ippCmpEq = 2,
  ippCmpGreaterEq = 3,
  ippCmpGreater = 4
};
enum IppWinType : int32_t {
  ippWinBartlett = 0,
  ippWinBlackman = 1,
  ippWinHamming = 2,
  ippWinHann = 3,
  ippWinRect = 4
};
enum IppiAxis : int32_t { ippAxsHorizontal = 0, ippAxsVertical = 1, ippAxsBoth = 2 };
enum IppiAlphaType : int32_t {
  ippAlphaOver = 0,
  ippAlphaIn = 1,
  ippAlphaOut = 2,
  ippAlphaATop = 3,
  ippAlphaXor = 4,
  ippAlphaPlus = 5,
  ippAlphaOverPremul = 6,
  ippAlphaInPremul = 7,
  ippAlphaOutPremul = 8,
  ippAlphaATopPremul = 9,
  ippAlphaXorPremul = 10,
  ippAlphaPlusPremul = 11
};

// FFT normalisation flags.
enum : int32_t {
  IPP_FFT_DIV_FWD_BY_N = 1,
  IPP_FFT_DIV_INV_BY_N = 2,
  IPP_FFT_DIV_BY_SQRTN = 4,
  IPP_FFT_NODIV_BY_ANY = 8
};
// Image interpolation codes.
enum : int32_t {
  IPPI_INTER_NN = 1,
  IPPI_INTER_LINEAR = 2,
  IPPI_INTER_CUBIC = 4,
  IPPI_INTER_SUPER = 8,
  IPPI_INTER_LANCZOS = 16
};

struct IppiSize {
  int width;
  int height;
};
struct IppiRect {
  int x;
  int y;
  int width;
  int height;
};

// Opaque state and FFT-plan handles: only the routine that made one reads or frees it.
struct IppsFFTSpec_R_64f;
struct IppsFFTSpec_C_64fc;
struct IppsFIRState_64f;
struct IppsIIRState_64f;
using PIppsFFTSpec_R_64f = IppsFFTSpec_R_64f*;
using PIppsFFTSpec_C_64fc = IppsFFTSpec_C_64fc*;
using PIppsFIRState_64f = IppsFIRState_64f*;
using PIppsIIRState_64f = IppsIIRState_64f*;

}  // namespace corvane

// ---------------------------------------------------------------------------------------------
// Entry-point prototypes, by family. Every one returns IppStatus.

#define IPP_REAL64_ARITHMETIC(X)                                                              \
  X(ippsAdd_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len))          \
  X(ippsAdd_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len))                            \
  X(ippsSub_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len))                            \
  X(ippsMul_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len))          \
  X(ippsMul_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len))                            \
  X(ippsDiv_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len))                            \
  X(ippsAddC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len))                    \
  X(ippsAddC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len))                                   \
  X(ippsSubC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len))                    \
  X(ippsSubC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len))                                   \
  X(ippsSubCRev_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len))                 \
  X(ippsMulC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len))                    \
  X(ippsMulC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len))                                   \
  X(ippsDivC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len))                    \
  X(ippsDivC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len))

#define IPP_REAL32_ARITHMETIC(X)                                                              \
  X(ippsSub_32f_I, (const Ipp32f* pSrc, Ipp32f* pSrcDst, int len))                            \
  X(ippsMul_32f, (const Ipp32f* pSrc1, const Ipp32f* pSrc2, Ipp32f* pDst, int len))          \
  X(ippsMul_32f_I, (const Ipp32f* pSrc, Ipp32f* pSrcDst, int len))                            \
  X(ippsMulC_32f_I, (Ipp32f val, Ipp32f* pSrcDst, int len))

#define IPP_COMPLEX_ARITHMETIC(X)                                                             \
  X(ippsAdd_64fc, (const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len))      \
  X(ippsAdd_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len))                         \
  X(ippsSub_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len))                         \
  X(ippsMul_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len))                         \
  X(ippsDiv_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len))                         \
  X(ippsAddC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len))                \
  X(ippsAddC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len))                                \
  X(ippsSubC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len))                \
  X(ippsSubC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len))                                \
  X(ippsSubCRev_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len))             \
  X(ippsMulC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len))                \
  X(ippsMulC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len))                                \
  X(ippsDivC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len))                \
  X(ippsDivC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len))

#define IPP_SCALED_INTEGER_ARITHMETIC(X)                                                      \
  X(ippsAdd_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor))        \
  X(ippsSub_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor))        \
  X(ippsMul_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor))        \
  X(ippsDiv_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int ScaleFactor))        \
  X(ippsAddC_32s_Sfs, (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor)) \
  X(ippsAddC_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor))               \
  X(ippsSubC_32s_Sfs, (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor)) \
  X(ippsSubC_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor))               \
  X(ippsSubCRev_32s_Sfs,                                                                      \
    (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor))                 \
  X(ippsMulC_32s_Sfs, (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor)) \
  X(ippsMulC_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor))               \
  X(ippsAdd_8u_ISfs, (const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor))           \
  X(ippsSub_8u_ISfs, (const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor))           \
  X(ippsMul_8u_ISfs, (const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor))

#define IPP_LOGIC_AND_SHIFTS(X)                                                               \
  X(ippsAnd_32u_I, (const Ipp32u* pSrc, Ipp32u* pSrcDst, int len))                            \
  X(ippsAndC_32u, (const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len))                    \
  X(ippsAndC_32u_I, (Ipp32u val, Ipp32u* pSrcDst, int len))                                   \
  X(ippsOr_32u_I, (const Ipp32u* pSrc, Ipp32u* pSrcDst, int len))                             \
  X(ippsOrC_32u, (const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len))                     \
  X(ippsOrC_32u_I, (Ipp32u val, Ipp32u* pSrcDst, int len))                                    \
  X(ippsXor_32u_I, (const Ipp32u* pSrc, Ipp32u* pSrcDst, int len))                            \
  X(ippsXorC_32u, (const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len))                    \
  X(ippsXorC_32u_I, (Ipp32u val, Ipp32u* pSrcDst, int len))                                   \
  X(ippsLShiftC_32s, (const Ipp32s* pSrc, int val, Ipp32s* pDst, int len))                    \
  X(ippsLShiftC_32s_I, (int val, Ipp32s* pSrcDst, int len))                                   \
  X(ippsRShiftC_32s, (const Ipp32s* pSrc, int val, Ipp32s* pDst, int len))                    \
  X(ippsRShiftC_32s_I, (int val, Ipp32s* pSrcDst, int len))

#define IPP_ELEMENT_FUNCTIONS(X)                                                              \
  X(ippsAbs_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                                 \
  X(ippsAbs_64f_I, (Ipp64f* pSrcDst, int len))                                                \
  X(ippsSqr_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                                 \
  X(ippsSqr_64f_I, (Ipp64f* pSrcDst, int len))                                                \
  X(ippsSqrt_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                                \
  X(ippsSqrt_64f_I, (Ipp64f* pSrcDst, int len))                                               \
  X(ippsExp_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                                 \
  X(ippsExp_64f_I, (Ipp64f* pSrcDst, int len))                                                \
  X(ippsLn_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                                  \
  X(ippsLn_64f_I, (Ipp64f* pSrcDst, int len))                                                 \
  X(ippsSqr_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst, int len))                              \
  X(ippsSqr_64fc_I, (Ipp64fc* pSrcDst, int len))                                              \
  X(ippsSqrt_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst, int len))                             \
  X(ippsSqrt_64fc_I, (Ipp64fc* pSrcDst, int len))

#define IPP_COMPLEX_PARTS(X)                                                                  \
  X(ippsRealToCplx_64f, (const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len)) \
  X(ippsRealToCplx_32f, (const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32fc* pDst, int len)) \
  X(ippsReal_64fc, (const Ipp64fc* pSrc, Ipp64f* pDstRe, int len))                            \
  X(ippsImag_64fc, (const Ipp64fc* pSrc, Ipp64f* pDstIm, int len))                            \
  X(ippsPhase_64fc, (const Ipp64fc* pSrc, Ipp64f* pDst, int len))                             \
  X(ippsMagnitude_64fc, (const Ipp64fc* pSrc, Ipp64f* pDst, int len))                         \
  X(ippsPowerSpectr_64fc, (const Ipp64fc* pSrc, Ipp64f* pDst, int len))                       \
  X(ippsConjCcs_64fc_I, (Ipp64fc* pSrcDst, int lenDst))                                       \
  X(ippsCartToPolar_64f, (const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64f* pDstMagn,       \
                          Ipp64f* pDstPhase, int len))                                        \
  X(ippsPolarToCart_64f, (const Ipp64f* pSrcMagn, const Ipp64f* pSrcPhase, Ipp64f* pDstRe,    \
                          Ipp64f* pDstIm, int len))                                           \
  X(ippsCartToPolar_32f, (const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32f* pDstMagn,       \
                          Ipp32f* pDstPhase, int len))                                        \
  X(ippsPolarToCart_32f, (const Ipp32f* pSrcMagn, const Ipp32f* pSrcPhase, Ipp32f* pDstRe,    \
                          Ipp32f* pDstIm, int len))

#define IPP_STATISTICS(X)                                                                     \
  X(ippsSum_64f, (const Ipp64f* pSrc, int len, Ipp64f* pSum))                                 \
  X(ippsMean_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMean))                               \
  X(ippsMean_32f, (const Ipp32f* pSrc, int len, Ipp32f* pMean, IppHintAlgorithm hint))        \
  X(ippsStdDev_64f, (const Ipp64f* pSrc, int len, Ipp64f* pStdDev))                           \
  X(ippsMin_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMin))                                 \
  X(ippsMax_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMax))                                 \
  X(ippsMinMax_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMin, Ipp64f* pMax))                \
  X(ippsMinIndx_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMin, int* pIndx))                 \
  X(ippsMaxIndx_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMax, int* pIndx))                 \
  X(ippsDotProd_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp))        \
  X(ippsDotProd_64fc, (const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp))    \
  X(ippsDotProd_32s_Sfs,                                                                      \
    (const Ipp32s* pSrc1, const Ipp32s* pSrc2, int len, Ipp32s* pDp, int scaleFactor))        \
  X(ippsNormDiff_L1_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm))  \
  X(ippsNormDiff_L2_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm))  \
  X(ippsNormDiff_Inf_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm)) \
  X(ippsNormalize_64f,                                                                        \
    (const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f vsub, Ipp64f vdiv))                    \
  X(ippsNormalize_32f,                                                                        \
    (const Ipp32f* pSrc, Ipp32f* pDst, int len, Ipp32f vsub, Ipp32f vdiv))                    \
  X(ippsNormalize_64fc,                                                                       \
    (const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc vsub, Ipp64f vdiv))

#define IPP_THRESHOLDS(X)                                                                     \
  X(ippsThreshold_64f,                                                                        \
    (const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f level, IppCmpOp relOp))                \
  X(ippsThreshold_64f_I, (Ipp64f* pSrcDst, int len, Ipp64f level, IppCmpOp relOp))            \
  X(ippsThreshold_32f_I, (Ipp32f* pSrcDst, int len, Ipp32f level, IppCmpOp relOp))            \
  X(ippsThreshold_64fc,                                                                       \
    (const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level, IppCmpOp relOp))              \
  X(ippsThreshold_64fc_I, (Ipp64fc* pSrcDst, int len, Ipp64f level, IppCmpOp relOp))

#define IPP_CORRELATION(X)                                                                    \
  X(ippsAutoCorr_64f, (const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen))             \
  X(ippsAutoCorr_NormA_64f, (const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen))       \
  X(ippsAutoCorr_NormB_64f, (const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen))       \
  X(ippsAutoCorr_64fc, (const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen))          \
  X(ippsAutoCorr_NormA_64fc, (const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen))    \
  X(ippsAutoCorr_NormB_64fc, (const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen))    \
  X(ippsCrossCorr_64f, (const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len,   \
                        Ipp64f* pDst, int dstLen, int lowLag))                                \
  X(ippsCrossCorr_64fc, (const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2,             \
                         int src2Len, Ipp64fc* pDst, int dstLen, int lowLag))                 \
  X(ippsConv_64f,                                                                             \
    (const Ipp64f* pSrc1, int lenSrc1, const Ipp64f* pSrc2, int lenSrc2, Ipp64f* pDst))

#define IPP_FFT(X)                                                                            \
  X(ippsFFTInitAlloc_R_64f,                                                                   \
    (IppsFFTSpec_R_64f * *ppFFTSpec, int order, int flag, IppHintAlgorithm hint))             \
  X(ippsFFTInitAlloc_C_64fc,                                                                  \
    (IppsFFTSpec_C_64fc * *ppFFTSpec, int order, int flag, IppHintAlgorithm hint))            \
  X(ippsFFTFree_R_64f, (IppsFFTSpec_R_64f * pFFTSpec))                                        \
  X(ippsFFTFree_C_64fc, (IppsFFTSpec_C_64fc * pFFTSpec))                                      \
  X(ippsFFTFwd_RToCCS_64f, (const Ipp64f* pSrc, Ipp64f* pDst,                                 \
                            const IppsFFTSpec_R_64f* pFFTSpec, Ipp8u* pBuffer))               \
  X(ippsFFTInv_CCSToR_64f, (const Ipp64f* pSrc, Ipp64f* pDst,                                 \
                            const IppsFFTSpec_R_64f* pFFTSpec, Ipp8u* pBuffer))               \
  X(ippsFFTFwd_CToC_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst,                                \
                           const IppsFFTSpec_C_64fc* pFFTSpec, Ipp8u* pBuffer))               \
  X(ippsFFTInv_CToC_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst,                                \
                           const IppsFFTSpec_C_64fc* pFFTSpec, Ipp8u* pBuffer))

#define IPP_WINDOWS(X)                                                                        \
  X(ippsWinBartlett_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                         \
  X(ippsWinBartlett_64f_I, (Ipp64f* pSrcDst, int len))                                        \
  X(ippsWinBartlett_64fc_I, (Ipp64fc* pSrcDst, int len))                                      \
  X(ippsWinBlackman_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len, double alpha))           \
  X(ippsWinBlackman_64f_I, (Ipp64f* pSrcDst, int len, double alpha))                          \
  X(ippsWinBlackman_64fc_I, (Ipp64fc* pSrcDst, int len, double alpha))                        \
  X(ippsWinHamming_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                          \
  X(ippsWinHamming_64f_I, (Ipp64f* pSrcDst, int len))                                         \
  X(ippsWinHamming_64fc_I, (Ipp64fc* pSrcDst, int len))                                       \
  X(ippsWinHann_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                             \
  X(ippsWinHann_64f_I, (Ipp64f* pSrcDst, int len))                                            \
  X(ippsWinHann_64fc_I, (Ipp64fc* pSrcDst, int len))

#define IPP_FIR_IIR(X)                                                                        \
  X(ippsFIRInitAlloc_64f, (IppsFIRState_64f * *pState, const Ipp64f* pTaps, int tapsLen,      \
                           const Ipp64f* pDlyLine))                                           \
  X(ippsFIR_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int numIters, IppsFIRState_64f* pState))  \
  X(ippsFIRFree_64f, (IppsFIRState_64f * pState))                                             \
  X(ippsIIRInitAlloc_64f, (IppsIIRState_64f * *ppState, const Ipp64f* pTaps, int order,       \
                           const Ipp64f* pDlyLine))                                           \
  X(ippsIIRInitAlloc_BiQuad_64f, (IppsIIRState_64f * *ppState, const Ipp64f* pTaps,           \
                                  int numBq, const Ipp64f* pDlyLine))                         \
  X(ippsIIR_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len, IppsIIRState_64f* pState))       \
  X(ippsIIRFree_64f, (IppsIIRState_64f * pState))

#define IPP_FILL_COPY_MOVE(X)                                                                 \
  X(ippsSet_64f, (Ipp64f val, Ipp64f* pDst, int len))                                         \
  X(ippsSet_32f, (Ipp32f val, Ipp32f* pDst, int len))                                         \
  X(ippsSet_32s, (Ipp32s val, Ipp32s* pDst, int len))                                         \
  X(ippsSet_64fc, (Ipp64fc val, Ipp64fc* pDst, int len))                                      \
  X(ippsSet_8u, (Ipp8u val, Ipp8u* pDst, int len))                                            \
  X(ippsZero_64f, (Ipp64f * pDst, int len))                                                   \
  X(ippsZero_32f, (Ipp32f * pDst, int len))                                                   \
  X(ippsZero_32s, (Ipp32s * pDst, int len))                                                   \
  X(ippsZero_16s, (Ipp16s * pDst, int len))                                                   \
  X(ippsZero_64fc, (Ipp64fc * pDst, int len))                                                 \
  X(ippsZero_8u, (Ipp8u * pDst, int len))                                                     \
  X(ippsCopy_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))                                \
  X(ippsCopy_32f, (const Ipp32f* pSrc, Ipp32f* pDst, int len))                                \
  X(ippsCopy_8u, (const Ipp8u* pSrc, Ipp8u* pDst, int len))                                   \
  X(ippsMove_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len))

#define IPP_CONVERSION(X)                                                                     \
  X(ippsConvert_32f64f, (const Ipp32f* pSrc, Ipp64f* pDst, int len))                          \
  X(ippsConvert_64f32f, (const Ipp64f* pSrc, Ipp32f* pDst, int len))                          \
  X(ippsConvert_16s64f_Sfs, (const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor))     \
  X(ippsConvert_64f32s_Sfs, (const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, \
                             int scaleFactor))                                                \
  X(ippsConvert_32s64f, (const Ipp32s* pSrc, Ipp64f* pDst, int len))                          \
  X(ippsConvert_32f32s_Sfs, (const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, \
                             int scaleFactor))                                                \
  X(ippsConvert_32s32f, (const Ipp32s* pSrc, Ipp32f* pDst, int len))                          \
  X(ippsSwapBytes_16u, (const Ipp16u* pSrc, Ipp16u* pDst, int len))                           \
  X(ippsSwapBytes_24u, (const Ipp8u* pSrc, Ipp8u* pDst, int len))                             \
  X(ippsSwapBytes_32u, (const Ipp32u* pSrc, Ipp32u* pDst, int len))                           \
  X(ippsSwapBytes_32u_I, (Ipp32u * pSrcDst, int len))

#define IPP_GENERATORS_AND_MATRIX(X)                                                          \
  X(ippsVectorJaehne_64f, (Ipp64f * pDst, int len, Ipp64f magn))                              \
  X(ippsRandUniform_Direct_16s,                                                               \
    (Ipp16s * pDst, int len, Ipp16s low, Ipp16s high, unsigned int* pSeed))                   \
  X(ippsRandUniform_Direct_64f,                                                               \
    (Ipp64f * pDst, int len, Ipp64f low, Ipp64f high, unsigned int* pSeed))                   \
  X(ippsSVD_64f_D2L, (const Ipp64f** mSrcA, Ipp64f** mDstU, int height, Ipp64f* pDstW,        \
                      Ipp64f** mDstV, int width, int nIter))

#define IPP_IMAGE(X)                                                                          \
  X(ippiMirror_8u_C3IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip))   \
  X(ippiMirror_8u_C3R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,             \
                        IppiSize roiSize, IppiAxis flip))                                     \
  X(ippiMirror_8u_C4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,             \
                        IppiSize roiSize, IppiAxis flip))                                     \
  X(ippiCopy_32s_C1R,                                                                         \
    (const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roiSize))           \
  X(ippiCopy_8u_C4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize)) \
  X(ippiSet_8u_C4R, (const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize))       \
  X(ippiAlphaComp_8u_AC4R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,             \
                            int src2Step, Ipp8u* pDst, int dstStep, IppiSize roiSize,         \
                            IppiAlphaType alphaType))                                         \
  X(ippiLUT_Linear_8u_C4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,         \
                            IppiSize roiSize, const Ipp32s* pValues[4],                       \
                            const Ipp32s* pLevels[4], int nLevels[4]))                        \
  X(ippiNormDiff_L1_8u_C1R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,            \
                             int src2Step, IppiSize roiSize, Ipp64f* pValue))                 \
  X(ippiNormDiff_L2_8u_C1R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,            \
                             int src2Step, IppiSize roiSize, Ipp64f* pValue))                 \
  X(ippiNormDiff_Inf_8u_C1R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,           \
                              int src2Step, IppiSize roiSize, Ipp64f* pValue))

#define IPP_RESIZE(X)                                                                         \
  X(ippiResizeCenter_8u_C3R, (const Ipp8u* pSrc, IppiSize srcSize, int srcStep,               \
                              IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, \
                              double xFactor, double yFactor, double xCenter, double yCenter, \
                              int interpolation))                                             \
  X(ippiResizeCenter_8u_C1R, (const Ipp8u* pSrc, IppiSize srcSize, int srcStep,               \
                              IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, \
                              double xFactor, double yFactor, double xCenter, double yCenter, \
                              int interpolation))                                             \
  X(ippiResizeCenter_16u_C1R, (const Ipp16u* pSrc, IppiSize srcSize, int srcStep,             \
                               IppiRect srcRoi, Ipp16u* pDst, int dstStep,                    \
                               IppiSize dstRoiSize, double xFactor, double yFactor,           \
                               double xCenter, double yCenter, int interpolation))            \
  X(ippiResizeCenter_8u_C4R, (const Ipp8u* pSrc, IppiSize srcSize, int srcStep,               \
                              IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, \
                              double xFactor, double yFactor, double xCenter, double yCenter, \
                              int interpolation))

// The scope table repeats ippsConvert_64f32f as a separate slot of its own.
#define IPP_SCOPE(X)                                                                          \
  X(ippsConvert_64f32f, (const Ipp64f* pSrc, Ipp32f* pDst, int len))                          \
  X(ippsMove_8u, (const Ipp8u* pSrc, Ipp8u* pDst, int len))                                   \
  X(ippsSubCRev_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor))            \
  X(ippsSubCRev_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len))                                \
  X(ippsSubCRev_32f_I, (Ipp32f val, Ipp32f* pSrcDst, int len))                                \
  X(ippsThreshold_LT_32s_I, (Ipp32s * pSrcDst, int len, Ipp32s level))                        \
  X(ippsThreshold_GT_32s_I, (Ipp32s * pSrcDst, int len, Ipp32s level))

#define IPP_NORM(X) X(ippsNorm_L2_64fc64f, (const Ipp64fc* pSrc, int len, Ipp64f* pNorm))
