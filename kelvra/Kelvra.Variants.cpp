#include "kelvra/Kelvra.Variants.h"

#include <cmath>

namespace kelvra {

Variant Variant::Null() {
  Variant v;
  v.type_ = varNull;
  return v;
}

Variant Variant::WideString(std::u16string s, TVarType type) {
  KELVRA_ASSERT(type == varUString || type == varOleStr);
  Variant v(std::move(s));
  v.type_ = type;
  return v;
}

Variant Variant::AnsiString(std::string s) {
  Variant v;
  v.type_ = varString;
  v.data_ = std::move(s);
  return v;
}

Variant Variant::ByteArray(std::vector<uint8_t> bytes) {
  Variant v;
  v.type_ = varByteArray;
  v.data_ = std::move(bytes);
  return v;
}

// ---------------------------------------------------------------------------------------------
// Dates: day 0 is 1899-12-30; the civil calendar conversion counts from 1970-01-01.

namespace {
constexpr int64_t kDaysFrom1899To1970 = 25569;
constexpr int64_t kMsPerDay = 86400000;

// Howard Hinnant's days_from_civil / civil_from_days (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(int64_t(yoe) + era * 400 + (month <= 2));
}
}  // namespace

TDateTimeFields DecodeDateTime(TDateTime t) {
  // The runtime's range: 0001-01-01 to the last millisecond of 9999-12-31. Anything else (NaN,
  // infinities, or a stored value from untrusted input) has no calendar date.
  constexpr double kMinDays = -693593.0, kMaxDays = 2958466.0;
  if (!(t.Days >= kMinDays && t.Days < kMaxDays))
    throw EConvertError("'" + std::to_string(t.Days) + "' is not a valid date and time");
  // As the runtime does: the whole part is the day, the fraction's magnitude the time of day.
  double whole = std::trunc(t.Days);
  int64_t ms = std::llround(std::fabs(t.Days - whole) * double(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    whole += t.Days < 0 ? -1 : 1;
  }
  TDateTimeFields f{};
  CivilFromDays(int64_t(whole) - kDaysFrom1899To1970, f.Year, f.Month, f.Day);
  f.Hour = int(ms / 3600000);
  f.Minute = int(ms / 60000 % 60);
  f.Second = int(ms / 1000 % 60);
  f.Millisecond = int(ms % 1000);
  return f;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  const double days = double(DaysFromCivil(year, unsigned(month), unsigned(day)) + kDaysFrom1899To1970);
  const double time =
      double(((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + millisecond) / double(kMsPerDay);
  return {days + time};
}

// ---------------------------------------------------------------------------------------------

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | c >> 12);
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | c >> 18);
      out += char(0x80 | (c >> 12 & 0x3F));
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b = uint8_t(s[i]);
    int length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    bool valid = length > 0 && i + size_t(length) <= s.size();
    for (int k = 1; valid && k < length; ++k) {
      const uint8_t next = uint8_t(s[i + size_t(k)]);
      valid = (next & 0xC0) == 0x80;
      c = c << 6 | (next & 0x3F);
    }
    static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!valid || c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += char16_t(0xD800 + ((c - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += char16_t(c);
    }
    i += size_t(length);
  }
  return out;
}

}  // namespace kelvra
