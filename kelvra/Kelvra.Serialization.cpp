#include "kelvra/Kelvra.Serialization.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra {
namespace {

constexpr char kMagic[4] = {'K', 'V', 'S', 'R'};
constexpr uint16_t kVersion = 2;
constexpr int kMaxDepth = 64;

enum TValueTag : uint8_t {
  tagBoolean = 1,
  tagInt64 = 2,
  tagBytes = 3,
  tagObject = 4,
  tagList = 5,
  tagDouble = 6,  // tags from here on came with version 2
  tagString = 7,
  tagVariant = 8,
};
// The last tag of each version.
constexpr TValueTag kLastTags[] = {TValueTag(0), tagList, tagVariant};

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
  void WriteDouble(std::string_view key, double value) override {
    PutEntry(key, tagDouble);
    PutInteger(std::bit_cast<uint64_t>(value), 8);
  }
  void WriteString(std::string_view key, std::string_view utf8) override {
    PutEntry(key, tagString);
    PutString(utf8);
  }
  void WriteVariant(std::string_view key, const Variant& value) override {
    const TVarType type = value.VarType();
    if (type == varUnknown)
      throw EVariantError("A variant that holds an interface cannot be stored");
    PutEntry(key, tagVariant);
    PutInteger(type, 2);
    switch (type) {
      case varEmpty: case varNull: return;
      case varBoolean: case varShortInt: case varByte:
        return PutInteger(uint64_t(value.AsInt64()), 1);
      case varSmallint: case varWord: return PutInteger(uint64_t(value.AsInt64()), 2);
      case varInteger: case varLongWord: return PutInteger(uint64_t(value.AsInt64()), 4);
      case varInt64: case varCurrency: return PutInteger(uint64_t(value.AsInt64()), 8);
      case varUInt64: return PutInteger(value.AsUInt64(), 8);
      case varSingle: return PutInteger(std::bit_cast<uint32_t>(float(value.AsDouble())), 4);
      case varDouble: case varDate: return PutInteger(std::bit_cast<uint64_t>(value.AsDouble()), 8);
      case varOleStr: case varUString: {
        const std::u16string& text = value.AsWideString();
        PutInteger(Length(text.size()), 4);
        for (char16_t c : text) PutInteger(c, 2);
        return;
      }
      case varString: return PutString(value.AsAnsiString());
      case varByteArray: return PutBytes(value.AsBytes());
    }
    AssertionFailed(__FILE__, __LINE__, "A variant of type " + std::to_string(type));
  }
  void WriteBytes(std::string_view key, std::span<const uint8_t> data) override {
    PutEntry(key, tagBytes);
    PutBytes(data);
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
  void PutBytes(std::span<const uint8_t> data) {
    PutInteger(Length(data.size()), 4);
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  void PutString(std::string_view text) {
    PutBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
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
  int64_t integer = 0;             // Boolean (0/1), Int64, or the bits of a Double
  std::span<const uint8_t> bytes;  // Bytes or String
  Variant variant;
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
    version_ = Integer(2, "version");
    if (version_ < 1 || version_ > kVersion)
      Corrupt("unsupported version " + std::to_string(version_));
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
  uint8_t Boolean() {
    const uint64_t value = Integer(1, "Boolean");
    if (value > 1) Corrupt("Boolean out of range");
    return uint8_t(value);
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
    if (value.tag > kLastTags[version_])
      Corrupt("unknown value tag " + std::to_string(int(value.tag)));
    switch (value.tag) {
      case tagBoolean:
        value.integer = Boolean();
        break;
      case tagInt64:
        value.integer = int64_t(Integer(8, "Int64"));
        break;
      case tagDouble:
        value.integer = int64_t(Integer(8, "Double"));
        break;
      case tagString:
        value.bytes = Take(size_t(Integer(4, "string length")), "string");
        break;
      case tagVariant:
        value.variant = VariantValue();
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

  Variant VariantValue() {
    const TVarType type = TVarType(Integer(2, "variant type"));
    const char* const what = "variant";
    switch (type) {
      case varEmpty: return {};
      case varNull: return Variant::Null();
      case varBoolean: return Variant(Boolean() != 0);
      case varShortInt: return Variant(int8_t(Integer(1, what)));
      case varByte: return Variant(uint8_t(Integer(1, what)));
      case varSmallint: return Variant(int16_t(Integer(2, what)));
      case varWord: return Variant(uint16_t(Integer(2, what)));
      case varInteger: return Variant(int32_t(Integer(4, what)));
      case varLongWord: return Variant(uint32_t(Integer(4, what)));
      case varInt64: return Variant(int64_t(Integer(8, what)));
      case varUInt64: return Variant(uint64_t(Integer(8, what)));
      case varCurrency: return Variant(TCurrency{int64_t(Integer(8, what))});
      case varSingle: return Variant(std::bit_cast<float>(uint32_t(Integer(4, what))));
      case varDouble: return Variant(std::bit_cast<double>(Integer(8, what)));
      case varDate: return Variant(TDateTime{std::bit_cast<double>(Integer(8, what))});
      case varOleStr: case varUString: {
        const auto raw = Take(size_t(Integer(4, what)) * 2, what);
        std::u16string text(raw.size() / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i)
          text[i] = char16_t(raw[2 * i] | raw[2 * i + 1] << 8);
        return Variant::WideString(std::move(text), type);
      }
      case varString: return Variant::AnsiString(String(what));
      case varByteArray: {
        const auto raw = Take(size_t(Integer(4, what)), what);
        return Variant::ByteArray(std::vector<uint8_t>(raw.begin(), raw.end()));
      }
      default: Corrupt("unknown variant type " + std::to_string(type));
    }
  }

  std::span<const uint8_t> input_;
  size_t position_ = 0;
  uint64_t version_ = kVersion;
};

class TBinaryReader final : public ISequentialReader {
 public:
  explicit TBinaryReader(const TStoredObject& object) : object_(object) {}

  bool ReadBoolean(std::string_view key) override { return Find(key, tagBoolean).integer != 0; }
  int64_t ReadInt64(std::string_view key) override { return Find(key, tagInt64).integer; }
  double ReadDouble(std::string_view key) override {
    return std::bit_cast<double>(Find(key, tagDouble).integer);
  }
  std::string ReadString(std::string_view key) override {
    const std::span<const uint8_t> text = Find(key, tagString).bytes;
    return std::string(text.begin(), text.end());
  }
  Variant ReadVariant(std::string_view key) override { return Find(key, tagVariant).variant; }
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

void ISequentialReader::OutOfRange(std::string_view key) {
  Corrupt("\"" + std::string(key) + "\" out of range");
}

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
