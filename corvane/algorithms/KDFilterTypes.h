// Window functions and the enumerations that the signal components publish.
//
// KDWindowCalculator fills a block of 2^order values with a window and, in the same call, gives
// the window's spectrum (its transform divided by N, so that bin 0 is the window's mean) and a
// gain figure (the L2 norm of that spectrum). The windows that IPP offers are computed by the
// dispatch slots of their name, the Kaiser window by the built-in ippsWinKaiser_64f_I, the
// cosine-sum, flat-top and Welch windows here. Nothing is kept between calls: the calculator
// may run on several threads at once once the package has started (corvane::Initialize()).
//
// Decisions where the window formulas leave small sizes open:
// - The order must lie in 0 … 27 (2^27 points, the largest transform): others raise ERangeError
//   ("Window order out of range = <order>") before anything is written.
// - Order 0 (one point): a flat-top curve and a real-mode Welch curve would divide by zero; the
//   point keeps the weight 1, as the windows that IPP computes leave blocks below their minimum
//   length of 3. (The complex-mode Welch curve has two points and is evaluated.)
// - Cosine sums on fewer than 2K points: the mirrored bins of the terms meet bins that are
//   already set, and are added to them (bin k mod N and bin −k mod N each receive half of the
//   term), so that every N gives w[n] = (1/a0)·Σ (−1)^k·a_k·cos(2πk·n/N) exactly, and N ≥ 2K
//   gives the plain construction. K outside 4 … 11 gives an all-zero window and gain 0.
// - A transform that cannot be set up (no memory) raises EOutOfMemory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kelvra/Kelvra.Math.Complex.h"

namespace corvane {

enum TKDExtendedWindowType : uint8_t {
  xwtNone, xwtRect, xwtBartlett, xwtBlackman, xwtHamming, xwtHanning, xwtKaiser, xwtCosSum,
  xwtFlatTop, xwtWelch
};
enum TKDWindowType : uint8_t { wtRect, wtBartlett, wtBlackman, wtHamming, wtHanning, wtKaiser };
enum TKDFilterType : uint8_t { ftFIR, ftIIR, ftBiquadIIR };
enum TKDIIRFilterType : uint8_t { iirBessel, iirButterworth, iirChebyshev };
enum TKDFourierNormalization : uint8_t { fnNone, fnNormalize, fnNormalizeSqrt };
enum TKDDelayMode : uint8_t { dmMilliseconds, dmSamples };
enum TKDCombFeed : uint8_t { cfForward, cfBack };
enum TKDLevelDetectMode : uint8_t { dmAbove, dmAboveEqual, dmBelow, dmBelowEqual };
enum TKDCoordinateMode : uint8_t {
  cmLeftTop, cmLeftBottom, cmLeftCenter, cmRightTop, cmRightBottom, cmRightCenter, cmTopCenter,
  cmBottomCenter, cmCenter
};
enum TKDDisplayMarkerShape : uint8_t {
  msPoint, msCircle, msSquare, msDiamond, msPlus, msCross, msStar, msTriangleUp, msTriangleDown,
  msTriangleLeft, msTriangleRight, msHLine, msVLine
};

class KDWindowCalculator {
 public:
  KDWindowCalculator() = delete;

  // Fills AData with the window of N = 2^AOrder points (N doubles, or in complex mode N complex
  // values carrying the weight in both parts), ASpectrum with N complex bins and AGain with
  // their L2 norm. ACosSumTerms is read only for xwtCosSum, AAlpha only for xwtBlackman (the
  // classic window is AAlpha = 0.16) and xwtKaiser (narrowed to a 32-bit float).
  static void CalculateWindowForMult(bool AComplex, TKDExtendedWindowType AWindowType,
                                     int32_t ACosSumTerms, double AAlpha, void* AData,
                                     int32_t AOrder, double& AGain, kelvra::TComplex* ASpectrum);
  // The extended window of the same name with 0 terms; nothing for a type outside the list.
  static void CalculateOldWindow(bool AComplex, TKDWindowType AWindowType, double AAlpha,
                                 void* AData, int32_t AOrder, double& AGain,
                                 kelvra::TComplex* ASpectrum);
};

// 0 for sizes below 1, otherwise the floor of log2(ASize) but at least 1.
int32_t KDGetOrderFromSize(int32_t ASize);

// The identifiers of an enumeration in ordinal order: the type information that the
// enumeration routines below read. KDTypeInfo<E>() gives it for each enumeration of the
// package (the design enumeration is declared in KDWindowFilter.h).
struct TKDEnumTypeInfo {
  std::span<const std::string_view> Identifiers;
};
template <class E>
const TKDEnumTypeInfo& KDTypeInfo();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDExtendedWindowType>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDWindowType>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDFilterType>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDIIRFilterType>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDFourierNormalization>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDDelayMode>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDCombFeed>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDLevelDetectMode>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDCoordinateMode>();
template <> const TKDEnumTypeInfo& KDTypeInfo<TKDDisplayMarkerShape>();

// The identifiers in ordinal order. AStripPrefix removes leading characters that equal their
// own lower-case form while two or more characters remain (xwtFlatTop → FlatTop); ASplitWords
// puts a blank before every character after the first that equals its own upper-case form
// (FlatTop → Flat Top; a digit also gets one).
std::vector<std::string> KDEnumTypeToStrings(const TKDEnumTypeInfo& ATypeInfo, bool AStripPrefix,
                                             bool ASplitWords);
// The plain identifier of an ordinal; an ordinal outside the enumeration raises ERangeError
// ("Index out of range = <ordinal>").
std::string KDEnumValueToString(const TKDEnumTypeInfo& ATypeInfo, int32_t AOrdinal);
// The index of the identifier among the plain identifiers, compared without regard to case as
// the string-list lookup does; 0 when it is not found.
int32_t KDEnumIndexFromIdent(const TKDEnumTypeInfo& ATypeInfo, std::string_view AIdent);

}  // namespace corvane
