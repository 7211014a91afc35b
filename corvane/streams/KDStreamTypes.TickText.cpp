// The tick labels of a scale: how many decimals a span needs, and the label of one value.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "corvane/streams/KDStreamTypes.h"

namespace corvane {
namespace {

// The most digits the formatter writes after the point or in a mantissa, as the runtime's own
// number formatting does.
constexpr uint32_t kMaxDigits = 18;
// Fixed notation is kept for magnitudes below this; larger values are written in scientific form.
constexpr double kLargestFixed = 1e18;

std::string PrintF(const char* pattern, int digits, double value) {
  const int length = std::snprintf(nullptr, 0, pattern, digits, value);
  std::string text(size_t(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, digits, value);
  text.resize(size_t(length));
  return text;
}

// The scientific form "d.ddd…E+ddd": `digits` significant digits in all, the exponent signed and
// at least three digits long.
std::string Scientific(double value, uint32_t digits) {
  digits = std::clamp<uint32_t>(digits, 1, kMaxDigits);
  std::string text = PrintF("%.*E", int(digits - 1), value);
  if (!std::isfinite(value)) return text;
  const size_t e = text.find('E');
  std::string exponent = text.substr(e + 2);
  exponent.insert(0, exponent.size() < 3 ? 3 - exponent.size() : 0, '0');
  return text.substr(0, e + 2) + exponent;
}

std::string Fixed(double value, uint32_t decimals) {
  if (std::fabs(value) >= kLargestFixed) return Scientific(value, 15);
  return PrintF("%.*f", int(std::min(decimals, kMaxDigits)), value);
}

std::string WithSeparator(std::string text, const kelvra::TFormatSettings& settings) {
  std::replace(text.begin(), text.end(), '.', settings.DecimalSeparator);
  return text;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A fixed label that came out in scientific form keeps only `precision` decimals in its mantissa,
// and loses the zeros that lead its exponent.
void ShortenScientific(std::string& text, uint32_t precision, char separator) {
  const size_t e = text.find('E'), point = text.find(separator);
  if (e == std::string::npos) return;
  if (point != std::string::npos && e > point && e - point > precision)
    text.erase(point + precision + 1, e - (point + precision + 1));
  for (size_t zero = text.find("E0"); zero != std::string::npos; zero = text.find("E0"))
    text.erase(zero + 1, 1);
}

}  // namespace

int32_t KDGetDecimalPoints(double A, double B, int32_t APrecision, bool AFixed) {
  if (AFixed) return APrecision;
  if (APrecision < 1) return 0;
  const double span = std::fabs(A - B);
  int32_t decimals = span == 0 ? 0 : APrecision - int32_t(std::trunc(std::log10(span))) - 1;
  if (span < 1.0) ++decimals;
  return std::max(decimals, 0);
}

std::string KDGetScaleTickText(double AValue, double A, double B, bool AFixed, uint32_t APrecision,
                               bool AScientific, const kelvra::TFormatSettings& ASettings) {
  std::string text;
  if (!AScientific)
    text = Fixed(AValue, uint32_t(KDGetDecimalPoints(A, B, int32_t(std::min<uint32_t>(
                                                               APrecision, INT32_MAX)),
                                                      AFixed)));
  else
    text = Scientific(AValue, AFixed ? APrecision : 15);
  text = Trimmed(WithSeparator(std::move(text), ASettings));
  if (!AScientific && AFixed) ShortenScientific(text, APrecision, ASettings.DecimalSeparator);
  return text;
}

}  // namespace corvane
