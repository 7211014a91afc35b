// The value conversions of RQSimpleXML: values to their XML text and back (numbers, booleans,
// dates, byte arrays as Base64), and the escaping of text for markup.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "corvane/xml/RQSimpleXML.Model.h"

namespace corvane {

std::u16string TextToXML(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  AppendTextToXML(out, s);
  return out;
}

void AppendTextToXML(std::u16string& out, std::u16string_view s) {
  const char16_t* p = s.data();
  const char16_t* const end = p + s.size();
  for (;;) {
    const char16_t* const special = FindFirstOf(p, end, u'"', u'&', u'<', u'>');
    out.append(p, special);
    if (special == end) return;
    switch (*special) {
      case u'"': out += u"&quot;"; break;
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      default: out += u"&gt;"; break;
    }
    p = special + 1;
  }
}

namespace {
std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }
}  // namespace

std::u16string VarToXSTR(const Variant& v) {
  using namespace kelvra;
  switch (v.VarType()) {
    case varNull: return u"{{null}}";
    case varBoolean: return v.AsInt64() ? u"1" : u"0";
    case varShortInt: case varByte: case varSmallint: case varWord:
    case varInteger: case varLongWord: case varInt64:
      return Widen(std::to_string(v.AsInt64()));
    case varUInt64: return Widen(std::to_string(v.AsUInt64()));
    case varSingle: case varDouble: return FloatToXSTR(v.AsDouble());
    case varCurrency: return FloatToXSTR(TCurrency{v.AsInt64()}.ToDouble());
    case varDate: return DateTimeToXSTR(TDateTime{v.AsDouble()});
    case varOleStr: case varUString: return v.AsWideString();
    case varString: return Utf8ToUtf16(v.AsAnsiString());
    case varByteArray: return BinToBase64(v.AsBytes().data(), v.AsBytes().size(), 0);
    case varUnknown: throw EVariantError("Invalid variant type conversion");
    default: return {};  // empty: the general conversion gives the empty text
  }
}

// The general float format with 15 significant digits: fixed notation when the decimal exponent
// lies in -5..14, else scientific as "1.5E-7"; "NAN", "INF", "-INF" for the special values.
std::u16string FloatToXSTR(double x) {
  if (std::isnan(x)) return u"NAN";
  if (std::isinf(x)) return x > 0 ? u"INF" : u"-INF";
  char digits[32];
  std::snprintf(digits, sizeof digits, "%.14e", x);  // d.dddddddddddddde±XX
  std::string text(digits);
  const size_t e = text.find('e');
  const int exponent = std::atoi(text.c_str() + e + 1);
  const bool negative = text[0] == '-';
  std::string mantissa;
  for (char c : text.substr(0, e))
    if (c >= '0' && c <= '9') mantissa += c;
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  std::string out = negative ? "-" : "";
  if (x == 0) {
    out = "0";
  } else if (exponent >= -5 && exponent < 15) {
    if (exponent < 0) {
      out += "0." + std::string(size_t(-exponent - 1), '0') + mantissa;
    } else {
      if (mantissa.size() <= size_t(exponent) + 1) mantissa.append(size_t(exponent) + 1 - mantissa.size(), '0');
      out += mantissa.substr(0, size_t(exponent) + 1);
      if (mantissa.size() > size_t(exponent) + 1) out += "." + mantissa.substr(size_t(exponent) + 1);
    }
  } else {
    out += mantissa.substr(0, 1);
    if (mantissa.size() > 1) out += "." + mantissa.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return Widen(out);
}

std::u16string DateTimeToXSTR(kelvra::TDateTime t) {
  const kelvra::TDateTimeFields f = kelvra::DecodeDateTime(t);
  char text[64];
  std::snprintf(text, sizeof text, "%.4d-%.2d-%.2dT%.2d-%.2d-%.2d", f.Year, f.Month, f.Day, f.Hour,
                f.Minute, f.Second);
  return Widen(text);
}

double XSTRToFloat(std::u16string_view s) {
  const std::string text = MessageText(s);
  // Decimal text with "." as separator, parsed without the locale; "INF"/"NAN" words only when
  // the number fails at its first or second character.
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digitsStart = i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits > 0 && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      i = j;
    }
  }
  if (digits > 0 && i == text.size()) return std::strtod(text.c_str(), nullptr);
  const size_t failedAt = digits == 0 ? digitsStart : i;
  if (failedAt <= 1) {
    std::string upper;
    for (char c : text) upper += char(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (upper == "INF" || upper == "+INF") return HUGE_VAL;
    if (upper == "-INF") return -HUGE_VAL;
    if (upper == "NAN") return std::nan("");
  }
  throw kelvra::EConvertError("'" + text + "' is not a valid floating point value");
}

int64_t XSTRToInt64(std::u16string_view s) {
  const std::string text = MessageText(s);
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE)
    throw kelvra::EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

bool XSTRToBool(std::u16string_view s) {
  if (s == u"0" || EqualsIgnoringAsciiCase(s, u"false")) return false;
  if (s == u"1" || EqualsIgnoringAsciiCase(s, u"true")) return true;
  throw kelvra::EConvertError("'" + MessageText(s) + "' is not a valid boolean value");
}

// ---------------------------------------------------------------------------------------------
// Base64

namespace {
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::u16string BinToBase64(const void* data, size_t length, int32_t lineLength) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::u16string text;
  text.reserve((length + 2) / 3 * 4);
  for (size_t i = 0; i < length; i += 3) {
    const uint32_t group = uint32_t(bytes[i]) << 16 | (i + 1 < length ? uint32_t(bytes[i + 1]) << 8 : 0) |
                           (i + 2 < length ? bytes[i + 2] : 0);
    text += char16_t(kBase64[group >> 18]);
    text += char16_t(kBase64[group >> 12 & 63]);
    text += i + 1 < length ? char16_t(kBase64[group >> 6 & 63]) : u'=';
    text += i + 2 < length ? char16_t(kBase64[group & 63]) : u'=';
  }
  if (lineLength <= 0) return text;
  // CR LF before the 1-based positions L, 2L + 2, 3L + 4, ... of the growing text.
  std::u16string broken;
  broken.reserve(text.size() + text.size() / size_t(lineLength) * 2 + 2);
  size_t nextBreak = size_t(lineLength);  // 1-based position in `broken`
  for (char16_t c : text) {
    if (broken.size() + 1 == nextBreak) {
      broken += u"\r\n";
      nextBreak += size_t(lineLength) + 2;
    }
    broken += c;
  }
  return broken;
}

// Characters outside the alphabet (line breaks, blanks) are skipped; decoding stops at the
// first fill character; a trailing single character is dropped.
std::vector<uint8_t> Base64ToBin(std::u16string_view s) {
  std::vector<uint8_t> bytes;
  bytes.reserve(s.size() / 4 * 3);
  uint32_t group = 0;
  int count = 0;
  for (char16_t c : s) {
    if (c == u'=') break;
    const char* p = c < 128 && c != 0 ? std::strchr(kBase64, char(c)) : nullptr;
    if (!p) continue;
    group = group << 6 | uint32_t(p - kBase64);
    if (++count == 4) {
      bytes.push_back(uint8_t(group >> 16));
      bytes.push_back(uint8_t(group >> 8));
      bytes.push_back(uint8_t(group));
      group = 0;
      count = 0;
    }
  }
  if (count == 2) bytes.push_back(uint8_t(group >> 4));
  if (count == 3) {
    bytes.push_back(uint8_t(group >> 10));
    bytes.push_back(uint8_t(group >> 2));
  }
  return bytes;
}

}  // namespace corvane
