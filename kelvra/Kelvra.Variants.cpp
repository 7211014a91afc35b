#include "kelvra/Kelvra.Variants.h"

#include <bit>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

void AppendUtf8(std::string& out, uint32_t c) {
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
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  size_t produced = 0;
  DecodeUtf8(reinterpret_cast<const uint8_t*>(s.data()), s.size(), true, out.data(), produced);
  out.resize(produced);
  return out;
}

namespace {
// Widens the ASCII bytes from bytes[i] on, a block at a time (sixteen bytes where SSE2 is there,
// then eight), up to the first other byte or the last whole block. A block is widened whole even
// when it holds other bytes: the code units past its ASCII start are written over afterwards. The output has room for that, as it
// has room for `count` code units and `produced` never passes `i`.
void WidenAsciiRun(const uint8_t* bytes, size_t count, size_t& i, char16_t* out, size_t& produced) {
#if defined(__SSE2__)
  while (i + 16 <= count) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + produced), _mm_unpacklo_epi8(block, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + produced + 8), _mm_unpackhi_epi8(block, zero));
    const unsigned others = unsigned(_mm_movemask_epi8(block));
    const size_t ascii = others ? size_t(std::countr_zero(others)) : 16;
    i += ascii;
    produced += ascii;
    if (others) return;
  }
#endif
  while (i + 8 <= count) {
    uint64_t block;
    std::memcpy(&block, bytes + i, sizeof block);  // little-endian: byte k in bits 8k..8k+7
    for (size_t k = 0; k < 8; ++k) out[produced + k] = char16_t(block >> (8 * k) & 0xFF);
    const uint64_t others = block & 0x8080808080808080u;
    const size_t ascii = others ? size_t(std::countr_zero(others)) / 8 : 8;
    i += ascii;
    produced += ascii;
    if (others) return;
  }
}
}  // namespace

size_t DecodeUtf8(const uint8_t* bytes, size_t count, bool final, char16_t* out, size_t& produced) {
  // The positions live in locals: kept in the caller's variable, the count would be stored and
  // loaded again for every character.
  size_t i = 0, n = 0;
  while (i < count) {
    WidenAsciiRun(bytes, count, i, out, n);  // ASCII runs, the common case
    while (i < count && bytes[i] < 0x80) out[n++] = bytes[i++];  // and their tails
    if (i == count) break;
    // The length of the sequence that the lead byte starts (0: none) and the range of its second
    // byte, which rules out overlong forms, surrogates and code points past U+10FFFF (the table
    // of well-formed byte sequences in chapter 3 of the Unicode Standard).
    const uint8_t lead = bytes[i];
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      low = lead == 0xE0 ? 0xA0 : 0x80;
      high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      low = lead == 0xF0 ? 0x90 : 0x80;
      high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    uint32_t c = lead & (0x7F >> length);
    size_t valid = 1;  // the bytes of the sequence well-formed so far
    for (; valid < length && i + valid < count; ++valid) {
      const uint8_t next = bytes[i + valid];
      if (next < (valid == 1 ? low : 0x80) || next > (valid == 1 ? high : 0xBF)) break;
      c = c << 6 | (next & 0x3F);
    }
    if (valid == length) {
      if (c >= 0x10000) {
        out[n++] = char16_t(0xD800 + ((c - 0x10000) >> 10));
        out[n++] = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        out[n++] = char16_t(c);
      }
      i += length;
      continue;
    }
    if (length != 0 && i + valid == count && !final) break;  // the next bytes may complete it
    out[n++] = 0xFFFD;  // one for the maximal subpart
    i += valid;
  }
  produced = n;
  return i;
}

}  // namespace kelvra
