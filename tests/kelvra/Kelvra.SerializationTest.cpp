#include "kelvra/Kelvra.Serialization.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kelvra {
namespace {

// A serialisable object with one value of every kind.
class TRecord : public TInterfacedObject, public ISerializable {
 public:
  static const TClassRef ClassRef;
  const TClassRef& ClassType() const override { return ClassRef; }
  template <class T>
  static TIntf<ISerializable> MakeInstance() {
    return new T();
  }

  bool flag = false;
  int64_t number = 0;
  std::vector<uint8_t> bytes;
  std::vector<TIntf<ISerializable>> children;

  void SerializationWrite(ISequentialWriter& writer) override {
    writer.WriteInt64("Number", number);
    writer.WriteBoolean("Flag", flag);
    writer.WriteBytes("Bytes", bytes);
    std::vector<ISerializable*> list;
    for (auto& child : children) list.push_back(child.get());
    writer.WriteObjectList("Children", list);
  }
  // Reads in another order than it writes: values are found by key.
  void SerializationRead(ISequentialReader& reader) override {
    children = reader.ReadObjectList("Children");
    auto stored = reader.ReadBytes("Bytes");
    bytes.assign(stored.begin(), stored.end());
    flag = reader.ReadBoolean("Flag");
    number = reader.ReadInt64("Number");
  }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TRecord, ISerializable>(this, iid, out);
  }
};
inline constexpr TClassRef TRecord::ClassRef = ClassRefOf<TRecord>("TRecord");

class SerializationTest : public ::testing::Test {
 protected:
  const std::array<const TClassRef*, 1> classes_{&TRecord::ClassRef};
  void SetUp() override { TClassManagement::RegisterClasses(classes_); }
  void TearDown() override { TClassManagement::UnregisterClasses(classes_); }

  static std::vector<uint8_t> Store(ISerializable& object) {
    TMemoryStream stream;
    TSerialize::Serialize(object, stream);
    return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
  }
  static TIntf<ISerializable> Recreate(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.SetPosition(0);
    return TSerialize::Deserialize(stream);
  }
};

TEST_F(SerializationTest, RoundTripsNestedObjectsByClass) {
  TIntf<TRecord> record(new TRecord());
  record->flag = true;
  record->number = -1234567890123;
  record->bytes = {0, 255, 7};
  TIntf<TRecord> child(new TRecord());
  child->number = 5;
  record->children = {child, child};

  auto copy = Recreate(Store(*record));
  auto* restored = dynamic_cast<TRecord*>(copy.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_TRUE(restored->flag);
  EXPECT_EQ(restored->number, -1234567890123);
  EXPECT_EQ(restored->bytes, (std::vector<uint8_t>{0, 255, 7}));
  ASSERT_EQ(restored->children.size(), 2u);
  EXPECT_EQ(dynamic_cast<TRecord*>(restored->children[1].get())->number, 5);
}

TEST_F(SerializationTest, TheFormatIsVersionedAndLittleEndian) {
  TRecord record;
  record.number = 0x0102030405060708;
  const auto bytes = Store(record);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "KVSR");
  EXPECT_EQ(bytes[4], 1);  // version 1, low byte first
  EXPECT_EQ(bytes[5], 0);
  // class name "TRecord", 4 entries, then the key "Number", tag 2 and the value.
  const size_t value = 6 + 4 + 7 + 4 + 4 + 6 + 1;
  ASSERT_GT(bytes.size(), value + 8);
  EXPECT_EQ(bytes[value], 0x08);
  EXPECT_EQ(bytes[value + 7], 0x01);
}

// A class of the same name that is not serialisable is no better than none.
struct TNotSerializable {
  static const TClassRef ClassRef;
  template <class T>
  static T* MakeInstance() {
    return new T();
  }
};
inline constexpr TClassRef TNotSerializable::ClassRef = ClassRefOf<TNotSerializable>("TRecord");

TEST_F(SerializationTest, ObjectsOfUnknownClassesAreSkippedInLists) {
  TIntf<TRecord> record(new TRecord());
  record->children = {new TRecord()};
  const auto bytes = Store(*record);
  const TClassRef* const others[] = {nullptr, &TNotSerializable::ClassRef};
  for (const TClassRef* other : others) {
    TClassManagement::UnregisterClasses(classes_);
    if (other) TClassManagement::RegisterClasses({&other, 1});
    EXPECT_THROW(Recreate(bytes), EReadError);  // the root's class is unknown
    TIntf<TRecord> into(new TRecord());
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.SetPosition(0);
    TSerialize::Deserialize(stream, *into);
    EXPECT_TRUE(into->children.empty());
    if (other) TClassManagement::UnregisterClasses({&other, 1});
  }
}

TEST_F(SerializationTest, EveryTruncationIsRefused) {
  TIntf<TRecord> record(new TRecord());
  record->bytes = {1, 2, 3};
  record->children = {new TRecord()};
  const auto bytes = Store(*record);
  for (size_t length = 0; length < bytes.size(); ++length)
    EXPECT_THROW(Recreate({bytes.begin(), bytes.begin() + length}), EReadError) << length;
  auto longer = bytes;
  longer.push_back(0);
  EXPECT_THROW(Recreate(longer), EReadError);
}

// A hand-made document: header, then an object of class "TRecord" whose entries are `entries`.
std::vector<uint8_t> Document(uint32_t entryCount, const std::vector<uint8_t>& entries) {
  std::vector<uint8_t> bytes = {'K', 'V', 'S', 'R', 1, 0, 7, 0, 0, 0};
  for (char c : std::string("TRecord")) bytes.push_back(uint8_t(c));
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(entryCount >> (8 * i)));
  bytes.insert(bytes.end(), entries.begin(), entries.end());
  return bytes;
}

TEST_F(SerializationTest, InconsistentInputIsRefusedWithoutAllocatingWhatItClaims) {
  const std::vector<uint8_t> flagEntry = {4, 0, 0, 0, 'F', 'l', 'a', 'g', 1, 1};
  auto twice = flagEntry;
  twice.insert(twice.end(), flagEntry.begin(), flagEntry.end());

  const std::vector<std::vector<uint8_t>> corrupt = {
      {'K', 'V', 'S', 'X', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // magic
      {'K', 'V', 'S', 'R', 2, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // version
      Document(0xFFFFFFFF, {}),                              // entry count beyond the input
      Document(1, {4, 0, 0, 0, 'F', 'l', 'a', 'g', 1, 2}),   // Boolean out of range
      Document(1, {4, 0, 0, 0, 'F', 'l', 'a', 'g', 9, 0}),   // unknown tag
      Document(1, {4, 0, 0, 0, 'D', 'a', 't', 'a', 3, 0xFF, 0xFF, 0xFF, 0x7F}),  // byte count
      Document(1, {4, 0, 0, 0, 'L', 'i', 's', 't', 5, 0xFF, 0xFF, 0xFF, 0xFF}),  // list count
      Document(1, {0xF0, 0xFF, 0xFF, 0xFF}),                 // key length
      Document(2, twice),                                    // repeated key
  };
  for (size_t i = 0; i < corrupt.size(); ++i)
    EXPECT_THROW(Recreate(corrupt[i]), EReadError) << "case " << i;

  // A value of the wrong kind, or a missing key, is refused when the object reads it.
  EXPECT_THROW(Recreate(Document(1, {6, 0, 0, 0, 'N', 'u', 'm', 'b', 'e', 'r', 1, 0})), EReadError);
  EXPECT_THROW(Recreate(Document(0, {})), EReadError);
}

TEST_F(SerializationTest, DeepNestingIsRefused) {
  // 100 objects, each the single entry "C" of the one before.
  std::vector<uint8_t> entries;
  const int depth = 100;
  std::vector<uint8_t> bytes = {'K', 'V', 'S', 'R', 1, 0};
  for (int i = 0; i < depth; ++i) {
    const std::vector<uint8_t> object = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'C', 4};
    bytes.insert(bytes.end(), object.begin(), object.end());
  }
  const std::vector<uint8_t> last = {0, 0, 0, 0, 0, 0, 0, 0};
  bytes.insert(bytes.end(), last.begin(), last.end());
  EXPECT_THROW(Recreate(bytes), EReadError);
}

}  // namespace
}  // namespace kelvra
