// The runtime's variant: a value that carries its own type code. The codes are the runtime's
// (and COM's) variant type numbers, which the binary XML form stores as they are. A variant may
// also hold an interface (varUnknown), so that parameter lists can pass an object: copies of the
// variant share it, each holding a reference.
//
// Reading a variant as a kind of value it does not hold raises EVariantError ("Invalid variant
// type conversion"). A variant is a value: one thread at a time per variable.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

using TVarType = uint16_t;

constexpr TVarType varEmpty = 0;
constexpr TVarType varNull = 1;
constexpr TVarType varSmallint = 2;   // int16_t
constexpr TVarType varInteger = 3;    // int32_t
constexpr TVarType varSingle = 4;     // float
constexpr TVarType varDouble = 5;     // double
constexpr TVarType varCurrency = 6;   // 64-bit fixed point with 4 decimals
constexpr TVarType varDate = 7;       // days since 1899-12-30, the fraction is the time of day
constexpr TVarType varOleStr = 8;     // UTF-16 string
constexpr TVarType varBoolean = 11;
constexpr TVarType varUnknown = 13;   // an interface, held as TIntf<IInterface>
constexpr TVarType varShortInt = 16;  // int8_t
constexpr TVarType varByte = 17;      // uint8_t
constexpr TVarType varWord = 18;      // uint16_t
constexpr TVarType varLongWord = 19;  // uint32_t
constexpr TVarType varInt64 = 20;
constexpr TVarType varUInt64 = 21;
constexpr TVarType varString = 256;   // 8-bit string (UTF-8 here)
constexpr TVarType varUString = 258;  // the host string type: UTF-16
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByteArray = varArray | varByte;  // zero-based one-dimensional byte array

// The 64-bit fixed-point currency value: `Scaled` is the amount times 10,000.
struct TCurrency {
  int64_t Scaled = 0;
  double ToDouble() const { return double(Scaled) / 10000.0; }
  friend bool operator==(TCurrency, TCurrency) = default;
};

// A date-time: whole days since 1899-12-30 plus the fraction of the day.
struct TDateTime {
  double Days = 0;
  friend bool operator==(TDateTime, TDateTime) = default;
};

// The fields of a date-time, as the runtime's DecodeDate and DecodeTime give them.
struct TDateTimeFields {
  int Year, Month, Day, Hour, Minute, Second, Millisecond;
};
// Raises EConvertError for a value outside 0001-01-01 .. 9999-12-31 (NaN and infinities included).
TDateTimeFields DecodeDateTime(TDateTime t);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond);

class Variant {
 public:
  Variant() = default;  // empty
  static Variant Null();
  Variant(bool v) : type_(varBoolean), data_(int64_t(v)) {}
  Variant(int8_t v) : type_(varShortInt), data_(int64_t(v)) {}
  Variant(uint8_t v) : type_(varByte), data_(int64_t(v)) {}
  Variant(int16_t v) : type_(varSmallint), data_(int64_t(v)) {}
  Variant(uint16_t v) : type_(varWord), data_(int64_t(v)) {}
  Variant(int32_t v) : type_(varInteger), data_(int64_t(v)) {}
  Variant(uint32_t v) : type_(varLongWord), data_(int64_t(v)) {}
  Variant(int64_t v) : type_(varInt64), data_(v) {}
  Variant(uint64_t v) : type_(varUInt64), data_(v) {}
  Variant(float v) : type_(varSingle), data_(double(v)) {}
  Variant(double v) : type_(varDouble), data_(v) {}
  Variant(TCurrency v) : type_(varCurrency), data_(v.Scaled) {}
  Variant(TDateTime v) : type_(varDate), data_(v.Days) {}
  // An interface (varUnknown); an empty pointer makes a varUnknown variant holding none.
  template <class I>
    requires std::is_convertible_v<I*, IInterface*>
  Variant(const TIntf<I>& v) : type_(varUnknown), data_(TIntf<IInterface>(v)) {}
  // A UTF-16 string of the host string type (varUString).
  Variant(std::u16string v) : type_(varUString), data_(std::move(v)) {}
  Variant(const char16_t* v) : Variant(std::u16string(v)) {}
  // A UTF-16 string with an explicit string type code: varUString or varOleStr.
  static Variant WideString(std::u16string v, TVarType type);
  // An 8-bit string (varString).
  static Variant AnsiString(std::string v);
  static Variant ByteArray(std::vector<uint8_t> bytes);

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsWideString() const { return type_ == varUString || type_ == varOleStr; }

  // The stored value of the matching kind; EVariantError for a variant of another kind. The
  // caller checks VarType first: AsInt64 serves the Boolean, signed integer (of every width up to
  // 64 bits, and varLongWord) and currency types, AsDouble the floating-point and date types.
  int64_t AsInt64() const { return Get<int64_t>(); }
  uint64_t AsUInt64() const { return Get<uint64_t>(); }
  double AsDouble() const { return Get<double>(); }
  const std::u16string& AsWideString() const { return Get<std::u16string>(); }
  const std::string& AsAnsiString() const { return Get<std::string>(); }
  std::span<const uint8_t> AsBytes() const { return Get<std::vector<uint8_t>>(); }
  const TIntf<IInterface>& AsInterface() const { return Get<TIntf<IInterface>>(); }

  // Same type code and same value; interfaces are the same when they are the same object.
  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  template <class T>
  const T& Get() const {
    if (const T* value = std::get_if<T>(&data_)) return *value;
    throw EVariantError("Invalid variant type conversion");
  }

  TVarType type_ = varEmpty;
  std::variant<std::monostate, int64_t, uint64_t, double, std::u16string, std::string,
               std::vector<uint8_t>, TIntf<IInterface>>
      data_;
};

// UTF-8 <-> UTF-16. A lone surrogate becomes U+FFFD, and so does ill-formed UTF-8 (see DecodeUtf8).
std::string Utf16ToUtf8(std::u16string_view s);
// Appends the UTF-8 form of the Unicode scalar value c (not a surrogate, at most 0x10FFFF).
void AppendUtf8(std::string& out, uint32_t c);
std::u16string Utf8ToUtf16(std::string_view s);

// Decodes the UTF-8 bytes[0..count) into `out`, which has room for `count` code units (never more
// are needed), sets `produced` to the code units written and returns the bytes consumed. Each
// maximal subpart of an ill-formed sequence (the longest start of a well-formed sequence there,
// else one byte) becomes one U+FFFD, as the Unicode Standard recommends (chapter 3, "U+FFFD
// Substitution of Maximal Subparts"). Unless `final`, a sequence that the end of the bytes cuts
// short is not consumed: the caller passes it again with the bytes that follow.
size_t DecodeUtf8(const uint8_t* bytes, size_t count, bool final, char16_t* out, size_t& produced);

}  // namespace kelvra
