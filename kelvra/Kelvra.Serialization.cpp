#include "kelvra/Kelvra.Serialization.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra {
namespace {

constexpr char kMagic[4] = {'K', 'V', 'S', 'R'};
constexpr uint16_t kVersion = 1;
constexpr int kMaxDepth = 64;

enum TValueTag : uint8_t { tagBoolean = 1, tagInt64 = 2, tagBytes = 3, tagObject = 4, tagList = 5 };

// Smallest encodings, used to bound counts by the input that is left.
constexpr size_t kMinObjectSize = 4 + 4;      // empty class name, entry count
constexpr size_t kMinEntrySize = 4 + 1 + 1;   // empty key, tag, Boolean

[[noreturn]] void Corrupt(const std::string& what) {
  throw EReadError("Invalid serialized data: " + what);
}

// A new object of the class registered under `name`; empty when none is, or when it cannot be
// made as a serialisable object.
TIntf<ISerializable> CreateInstance(std::string_view name) {
  const TClassRef* cls = TClassManagement::FindClass(name);
  if (!cls || !cls->CanCreate<TSerializableFactory>()) return {};
  return cls->Create<TSerializableFactory>();
}

// ---------------------------------------------------------------------------------------------
// Writing

class TBinaryWriter final : public ISequentialWriter {
 public:
  std::vector<uint8_t> bytes;

  void WriteDocument(ISerializable& object) {
    bytes.insert(bytes.end(), std::begin(kMagic), std::end(kMagic));
    PutInteger(kVersion, 2);
    PutObject(object);
  }

  void WriteBoolean(std::string_view key, bool value) override {
    PutEntry(key, tagBoolean);
    bytes.push_back(value ? 1 : 0);
  }
  void WriteInt64(std::string_view key, int64_t value) override {
    PutEntry(key, tagInt64);
    PutInteger(uint64_t(value), 8);
  }
  void WriteBytes(std::string_view key, std::span<const uint8_t> data) override {
    PutEntry(key, tagBytes);
    PutInteger(Length(data.size()), 4);
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  void WriteObject(std::string_view key, ISerializable& object) override {
    PutEntry(key, tagObject);
    PutObject(object);
  }
  void WriteObjectList(std::string_view key, std::span<ISerializable* const> objects) override {
    PutEntry(key, tagList);
    PutInteger(Length(objects.size()), 4);
    for (ISerializable* object : objects) PutObject(*object);
  }

 private:
  static uint32_t Length(size_t n) {
    if (n > UINT32_MAX) throw EWriteError("Stream write error");
    return uint32_t(n);
  }
  void PutInteger(uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
  }
  void PutString(std::string_view text) {
    PutInteger(Length(text.size()), 4);
    bytes.insert(bytes.end(), text.begin(), text.end());
  }
  void PutEntry(std::string_view key, TValueTag tag) {
    PutString(key);
    bytes.push_back(tag);
    ++entryCounts_.back();
  }
  // The entry count is patched in once the object has written its entries.
  void PutObject(ISerializable& object) {
    PutString(object.ClassType().Name());
    const size_t countAt = bytes.size();
    PutInteger(0, 4);
    entryCounts_.push_back(0);
    object.SerializationWrite(*this);
    const uint32_t count = entryCounts_.back();
    entryCounts_.pop_back();
    for (int i = 0; i < 4; ++i) bytes[countAt + i] = uint8_t(count >> (8 * i));
  }

  std::vector<uint32_t> entryCounts_{0};
};

// ---------------------------------------------------------------------------------------------
// Reading: the document is parsed into a tree of values first, then objects read from it by key.

struct TStoredObject;

struct TStoredValue {
  TValueTag tag = tagBoolean;
  int64_t integer = 0;  // Boolean (0/1) or Int64
  std::span<const uint8_t> bytes;
  std::vector<TStoredObject> objects;  // one for tagObject, n for tagList
};

struct TStoredEntry;

struct TStoredObject {
  std::string className;
  std::vector<TStoredEntry> entries;
};

struct TStoredEntry {
  std::string key;
  TStoredValue value;
};

class TDocumentParser {
 public:
  explicit TDocumentParser(std::span<const uint8_t> input) : input_(input) {}

  TStoredObject Parse() {
    const auto magic = Take(4, "magic");
    if (std::memcmp(magic.data(), kMagic, 4) != 0) Corrupt("not a serialized document");
    if (const uint64_t version = Integer(2, "version"); version != kVersion)
      Corrupt("unsupported version " + std::to_string(version));
    TStoredObject root = Object(1);
    if (position_ != input_.size()) Corrupt("data after the end of the document");
    return root;
  }

 private:
  size_t Remaining() const { return input_.size() - position_; }

  std::span<const uint8_t> Take(size_t n, const char* what) {
    if (n > Remaining()) Corrupt(std::string("truncated at ") + what);
    auto part = input_.subspan(position_, n);
    position_ += n;
    return part;
  }
  uint64_t Integer(int byteCount, const char* what) {
    const auto raw = Take(size_t(byteCount), what);
    uint64_t value = 0;
    for (int i = byteCount; i-- > 0;) value = value << 8 | raw[i];
    return value;
  }
  // A count of items each taking at least `minItemSize` bytes.
  size_t Count(size_t minItemSize, const char* what) {
    const uint64_t n = Integer(4, what);
    if (n > Remaining() / minItemSize) Corrupt(std::string("count beyond the input at ") + what);
    return size_t(n);
  }
  std::string String(const char* what) {
    const auto raw = Take(size_t(Integer(4, what)), what);
    return std::string(raw.begin(), raw.end());
  }

  TStoredObject Object(int depth) {
    if (depth > kMaxDepth) Corrupt("objects nested too deeply");
    TStoredObject object;
    object.className = String("class name");
    for (size_t n = Count(kMinEntrySize, "entry count"); n > 0; --n) {
      TStoredEntry entry{String("key"), Value(depth)};
      for (const TStoredEntry& other : object.entries)
        if (other.key == entry.key) Corrupt("key \"" + entry.key + "\" repeated");
      object.entries.push_back(std::move(entry));
    }
    return object;
  }

  TStoredValue Value(int depth) {
    TStoredValue value;
    value.tag = TValueTag(Integer(1, "tag"));
    switch (value.tag) {
      case tagBoolean:
        value.integer = int64_t(Integer(1, "Boolean"));
        if (value.integer > 1) Corrupt("Boolean out of range");
        break;
      case tagInt64:
        value.integer = int64_t(Integer(8, "Int64"));
        break;
      case tagBytes:
        value.bytes = Take(size_t(Integer(4, "byte count")), "bytes");
        break;
      case tagObject:
        value.objects.push_back(Object(depth + 1));
        break;
      case tagList:
        for (size_t n = Count(kMinObjectSize, "list count"); n > 0; --n)
          value.objects.push_back(Object(depth + 1));
        break;
      default:
        Corrupt("unknown value tag " + std::to_string(int(value.tag)));
    }
    return value;
  }

  std::span<const uint8_t> input_;
  size_t position_ = 0;
};

class TBinaryReader final : public ISequentialReader {
 public:
  explicit TBinaryReader(const TStoredObject& object) : object_(object) {}

  bool ReadBoolean(std::string_view key) override { return Find(key, tagBoolean).integer != 0; }
  int64_t ReadInt64(std::string_view key) override { return Find(key, tagInt64).integer; }
  std::span<const uint8_t> ReadBytes(std::string_view key) override {
    return Find(key, tagBytes).bytes;
  }
  void ReadObject(std::string_view key, ISerializable& object) override {
    TBinaryReader nested(Find(key, tagObject).objects.front());
    object.SerializationRead(nested);
  }
  std::vector<TIntf<ISerializable>> ReadObjectList(std::string_view key) override {
    std::vector<TIntf<ISerializable>> result;
    for (const TStoredObject& stored : Find(key, tagList).objects) {
      if (TIntf<ISerializable> object = CreateInstance(stored.className)) {
        TBinaryReader nested(stored);
        object->SerializationRead(nested);
        result.push_back(std::move(object));
      }
    }
    return result;
  }

 private:
  const TStoredValue& Find(std::string_view key, TValueTag tag) const {
    for (const TStoredEntry& entry : object_.entries) {
      if (entry.key != key) continue;
      if (entry.value.tag != tag) Corrupt("\"" + entry.key + "\" holds another kind of value");
      return entry.value;
    }
    Corrupt("\"" + std::string(key) + "\" missing");
  }
  const TStoredObject& object_;
};

// The rest of the stream from its position. Its size bounds the allocation.
std::vector<uint8_t> ReadRest(TStream& stream) {
  const int64_t left = std::max<int64_t>(0, stream.Size() - stream.Position());
  std::vector<uint8_t> bytes(size_t(left), 0);
  stream.ReadBuffer(bytes.data(), left);
  return bytes;
}

}  // namespace

void TSerialize::Serialize(ISerializable& object, TStream& stream) {
  TBinaryWriter writer;
  writer.WriteDocument(object);
  stream.WriteBuffer(writer.bytes.data(), int64_t(writer.bytes.size()));
}

void TSerialize::Deserialize(TStream& stream, ISerializable& object) {
  const std::vector<uint8_t> bytes = ReadRest(stream);
  const TStoredObject root = TDocumentParser(bytes).Parse();
  TBinaryReader reader(root);
  object.SerializationRead(reader);
}

TIntf<ISerializable> TSerialize::Deserialize(TStream& stream) {
  const std::vector<uint8_t> bytes = ReadRest(stream);
  const TStoredObject root = TDocumentParser(bytes).Parse();
  TIntf<ISerializable> object = CreateInstance(root.className);
  if (!object) Corrupt("class \"" + root.className + "\" is not registered");
  TBinaryReader reader(root);
  object->SerializationRead(reader);
  return object;
}

}  // namespace kelvra
