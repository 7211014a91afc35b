// Serialisation of the runtime: objects that write themselves as keyed values, recreated by the
// name of their class through the class registry (TClassManagement, kelvra/Kelvra.ClassRef.h),
// and the binary form they are stored in.
//
// Binary form, version 2. All numbers are little-endian; strings are UTF-8 with a length prefix.
//
//   document := magic "KVSR" (4 bytes), version u16 = 2, object
//   object   := class name (string), entry count u32, entries
//   entry    := key (string), tag u8, payload
//   payload  := tag 1 Boolean: u8 0 or 1
//               tag 2 Int64:   i64 (also enumerations, by value, and sets, by their bits)
//               tag 3 Bytes:   u32 n, n bytes
//               tag 4 Object:  object
//               tag 5 List:    u32 n, n objects
//               tag 6 Double:  IEEE 754 binary64
//               tag 7 String:  string
//               tag 8 Variant: type code u16 (the Variant's), then by type:
//                              empty, null: nothing; Boolean: u8 0 or 1;
//                              int8, int16, int32, int64, uint8, uint16, uint32, uint64:
//                              that integer; currency: i64 (the amount times 10,000);
//                              single: binary32; double, date: binary64;
//                              UTF-16 strings (8, 258): u32 n, n UTF-16 code units;
//                              8-bit string (256): string; byte array: u32 n, n bytes
//   string   := u32 n, n bytes
//
// Version 1 is version 2 without tags 6 to 8; documents of either version are read. Keys are
// unique within an object. The reader parses the whole document before any object reads from it
// and refuses, with EReadError, a wrong magic or version, a length or count that the remaining
// input cannot hold, an unknown tag or variant type, a Boolean other than 0 or 1, a repeated key,
// nesting deeper than 64 objects and bytes after the document; it never allocates more than the
// input's own size justifies. An object then reads its values by key, in any order. Writing a
// variant that holds an interface raises EVariantError: objects are stored as objects.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "kelvra/Kelvra.ClassRef.h"
#include "kelvra/Kelvra.Classes.h"
#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.Types.h"
#include "kelvra/Kelvra.Variants.h"

namespace kelvra {

class ISequentialReader;
class ISequentialWriter;

// A serialisable object. Its class is stored with it, by name.
class ISerializable : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{3D1E8A60-2B7F-4C3A-9E51-8F0C6B7D2A14}");
  virtual void SerializationRead(ISequentialReader& reader) = 0;
  virtual void SerializationWrite(ISequentialWriter& writer) = 0;
  // The object's class, whose name is stored with it.
  virtual const TClassRef& ClassType() const = 0;
};

// The factory signature of serialisable classes: a registered class whose family gives it a
// factory of this signature (kelvra/Kelvra.ClassRef.h) is recreated from its stored name.
using TSerializableFactory = TIntf<ISerializable>();

// An enumeration of a fixed underlying type, whose values therefore do not depend on the compiler.
template <class E>
concept FixedEnumeration = std::is_enum_v<E> && requires { E{std::underlying_type_t<E>{}}; };

class ISequentialWriter {
 public:
  virtual ~ISequentialWriter() = default;
  virtual void WriteBoolean(std::string_view key, bool value) = 0;
  virtual void WriteInt64(std::string_view key, int64_t value) = 0;
  virtual void WriteDouble(std::string_view key, double value) = 0;
  virtual void WriteString(std::string_view key, std::string_view utf8) = 0;
  // Every kind of variant but an interface, which raises EVariantError.
  virtual void WriteVariant(std::string_view key, const Variant& value) = 0;
  virtual void WriteBytes(std::string_view key, std::span<const uint8_t> bytes) = 0;
  template <FixedEnumeration E>
  void WriteEnum(std::string_view key, E value) {
    WriteInt64(key, int64_t(std::underlying_type_t<E>(value)));
  }
  template <class E, class TBits>
  void WriteSet(std::string_view key, TSet<E, TBits> value) {
    WriteInt64(key, int64_t(value.Bits()));
  }
  // A nested object, stored with its class name so that a reader can recreate it.
  virtual void WriteObject(std::string_view key, ISerializable& object) = 0;
  virtual void WriteObjectList(std::string_view key, std::span<ISerializable* const> objects) = 0;
};

// Reads the values of one stored object by key. A key that is missing or holds another kind of
// value raises EReadError.
class ISequentialReader {
 public:
  virtual ~ISequentialReader() = default;
  virtual bool ReadBoolean(std::string_view key) = 0;
  virtual int64_t ReadInt64(std::string_view key) = 0;
  virtual double ReadDouble(std::string_view key) = 0;
  virtual std::string ReadString(std::string_view key) = 0;
  virtual Variant ReadVariant(std::string_view key) = 0;
  // An enumeration whose members run from value 0 to `last`; EReadError for another value.
  template <FixedEnumeration E>
  E ReadEnum(std::string_view key, E last) {
    const int64_t value = ReadInt64(key);
    if (value < 0 || value > int64_t(std::underlying_type_t<E>(last))) OutOfRange(key);
    return E(value);
  }
  // A set of members from value 0 to `last`; EReadError when it holds others.
  template <class TSetOf>
  TSetOf ReadSet(std::string_view key, typename TSetOf::TMember last) {
    const uint64_t bits = uint64_t(ReadInt64(key));
    const uint64_t members = (uint64_t(TSetOf{last}.Bits()) << 1) - 1;
    if ((bits & ~members) != 0) OutOfRange(key);
    return TSetOf::FromBits(typename TSetOf::TStorage(bits));
  }
  // A view of the stored bytes, valid while the reader lives.
  virtual std::span<const uint8_t> ReadBytes(std::string_view key) = 0;
  // Reads the nested object's values into `object`.
  virtual void ReadObject(std::string_view key, ISerializable& object) = 0;
  // Recreates each stored object whose class is registered with a serialisable factory, in order;
  // objects of other classes are skipped.
  virtual std::vector<TIntf<ISerializable>> ReadObjectList(std::string_view key) = 0;

 private:
  [[noreturn]] static void OutOfRange(std::string_view key);
};

struct TSerialize {
  // Writes `object` as a document at the stream's position.
  static void Serialize(ISerializable& object, TStream& stream);
  // Reads a document from the stream's position to its end into `object`.
  static void Deserialize(TStream& stream, ISerializable& object);
  // Reads a document and recreates its object by class; EReadError when the class is unknown.
  static TIntf<ISerializable> Deserialize(TStream& stream);
};

}  // namespace kelvra
