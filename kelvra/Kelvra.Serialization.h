// Serialisation of the runtime: objects that write themselves as keyed values, recreated by the
// name of their class through the class registry (TClassManagement, kelvra/Kelvra.ClassRef.h),
// and the binary form they are stored in.
//
// Binary form, version 1. All integers are little-endian; strings are UTF-8 with a length prefix.
//
//   document := magic "KVSR" (4 bytes), version u16 = 1, object
//   object   := class name (string), entry count u32, entries
//   entry    := key (string), tag u8, payload
//   payload  := tag 1 Boolean: u8 0 or 1
//               tag 2 Int64:   i64
//               tag 3 Bytes:   u32 n, n bytes
//               tag 4 Object:  object
//               tag 5 List:    u32 n, n objects
//   string   := u32 n, n bytes
//
// Keys are unique within an object. The reader parses the whole document before any object reads
// from it and refuses, with EReadError, a wrong magic or version, a length or count that the
// remaining input cannot hold, an unknown tag, a Boolean other than 0 or 1, a repeated key,
// nesting deeper than 64 objects and bytes after the document; it never allocates more than the
// input's own size justifies. An object then reads its values by key, in any order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kelvra/Kelvra.ClassRef.h"
#include "kelvra/Kelvra.Classes.h"
#include "kelvra/Kelvra.Types.h"

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

class ISequentialWriter {
 public:
  virtual ~ISequentialWriter() = default;
  virtual void WriteBoolean(std::string_view key, bool value) = 0;
  virtual void WriteInt64(std::string_view key, int64_t value) = 0;
  virtual void WriteBytes(std::string_view key, std::span<const uint8_t> bytes) = 0;
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
  // A view of the stored bytes, valid while the reader lives.
  virtual std::span<const uint8_t> ReadBytes(std::string_view key) = 0;
  // Reads the nested object's values into `object`.
  virtual void ReadObject(std::string_view key, ISerializable& object) = 0;
  // Recreates each stored object whose class is registered with a serialisable factory, in order;
  // objects of other classes are skipped.
  virtual std::vector<TIntf<ISerializable>> ReadObjectList(std::string_view key) = 0;
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
