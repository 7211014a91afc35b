// The scale-label routines that display components share.
//
// Scale tick text. KDGetDecimalPoints chooses how many decimals the labels of a scale from A to B
// show for `APrecision` significant digits (the fixed flag asks for exactly APrecision decimals);
// KDGetScaleTickText writes one value's label:
//   not scientific   fixed notation with KDGetDecimalPoints decimals;
//   scientific       "d.dddE+ddd" with APrecision digits in all when fixed, else 15.
// Fixed notation is used below 1e18 in magnitude; a larger value comes out in the scientific
// form with 15 digits, which for a fixed, not scientific label is then cut to APrecision
// decimals and loses the zeros that lead its exponent. At most 18 decimals or digits are written.
// The decimal separator is the C locale's "." unless the caller passes other settings. Pure
// functions: any thread.
#pragma once

#include <cstdint>
#include <string>

#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

int32_t KDGetDecimalPoints(double A, double B, int32_t APrecision, bool AFixed);

std::string KDGetScaleTickText(double AValue, double A, double B, bool AFixed, uint32_t APrecision,
                               bool AScientific,
                               const kelvra::TFormatSettings& ASettings = {});

}  // namespace corvane
