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
    TMemoryStream stream = StreamOf(bytes);
    return TSerialize::Deserialize(stream);
  }
  static void Load(const std::vector<uint8_t>& bytes, ISerializable& into) {
    TMemoryStream stream = StreamOf(bytes);
    TSerialize::Deserialize(stream, into);
  }

 private:
  static TMemoryStream StreamOf(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.SetPosition(0);
    return stream;
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
  EXPECT_EQ(bytes[4], 2);  // version 2, low byte first
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

// Version 1 had the kinds of values that TRecord stores, in the same layout.
TEST_F(SerializationTest, ReadsVersion1Documents) {
  TIntf<TRecord> record(new TRecord());
  record->number = 77;
  record->children = {new TRecord()};
  auto bytes = Store(*record);
  bytes[4] = 1;
  auto copy = Recreate(bytes);
  EXPECT_EQ(static_cast<TRecord*>(copy.get())->number, 77);
  EXPECT_EQ(static_cast<TRecord*>(copy.get())->children.size(), 1u);
}

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
    Load(bytes, *into);
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
std::vector<uint8_t> Document(uint32_t entryCount, const std::vector<uint8_t>& entries,
                              uint8_t version = 1) {
  std::vector<uint8_t> bytes = {'K', 'V', 'S', 'R', version, 0, 7, 0, 0, 0};
  for (char c : std::string("TRecord")) bytes.push_back(uint8_t(c));
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(entryCount >> (8 * i)));
  bytes.insert(bytes.end(), entries.begin(), entries.end());
  return bytes;
}

TEST_F(SerializationTest, InconsistentInputIsRefusedWithoutAllocatingWhatItClaims) {
  const std::vector<uint8_t> flagEntry = {4, 0, 0, 0, 'F', 'l', 'a', 'g', 1, 1};
  auto twice = flagEntry;
  twice.insert(twice.end(), flagEntry.begin(), flagEntry.end());

  // Each is refused as it is parsed, before the object reads a value.
  const struct {
    std::vector<uint8_t> bytes;
    const char* reason;
  } corrupt[] = {
      {{'K', 'V', 'S', 'X', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not a serialized document"},
      {{'K', 'V', 'S', 'R', 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "unsupported version 3"},
      {Document(0xFFFFFFFF, {}), "count beyond the input"},
      {Document(1, {4, 0, 0, 0, 'F', 'l', 'a', 'g', 1, 2}), "Boolean out of range"},
      {Document(1, {4, 0, 0, 0, 'F', 'l', 'a', 'g', 9, 0}), "unknown value tag 9"},
      {Document(1, {4, 0, 0, 0, 'D', 'a', 't', 'a', 3, 0xFF, 0xFF, 0xFF, 0x7F}), "truncated"},
      {Document(1, {4, 0, 0, 0, 'L', 'i', 's', 't', 5, 0xFF, 0xFF, 0xFF, 0xFF}), "count beyond"},
      {Document(1, {0xF0, 0xFF, 0xFF, 0xFF, 1, 0}), "truncated at key"},
      {Document(2, twice), "repeated"},
      {Document(1, {1, 0, 0, 0, 'D', 6, 0, 0, 0, 0, 0, 0, 0, 0}), "unknown value tag 6"},
      {Document(1, {1, 0, 0, 0, 'X', 9, 0}, 2), "unknown value tag 9"},
      {Document(1, {1, 0, 0, 0, 'V', 8, 14, 0}, 2), "unknown variant type 14"},
      {Document(1, {1, 0, 0, 0, 'V', 8, 11, 0, 2}, 2), "Boolean out of range"},
      {Document(1, {1, 0, 0, 0, 'V', 8, 8, 0, 0xFF, 0xFF, 0xFF, 0x7F}, 2), "truncated at variant"},
  };
  for (const auto& c : corrupt) {
    try {
      Recreate(c.bytes);
      ADD_FAILURE() << c.reason;
    } catch (const EReadError& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }

  // A value of the wrong kind, or a missing key, is refused when the object reads it.
  EXPECT_THROW(Recreate(Document(1, {6, 0, 0, 0, 'N', 'u', 'm', 'b', 'e', 'r', 1, 0})), EReadError);
  EXPECT_THROW(Recreate(Document(0, {})), EReadError);
}

enum TState : uint8_t { stIdle, stRunning, stStopped };
using TStates = TSet<TState, uint8_t>;

// An object of the kinds of values that came with version 2.
class TValues : public TInterfacedObject, public ISerializable {
 public:
  static const TClassRef ClassRef;
  const TClassRef& ClassType() const override { return ClassRef; }

  double real = 0;
  std::string text;
  TState state = stIdle;
  TStates states;
  Variant value;

  void SerializationWrite(ISequentialWriter& writer) override {
    writer.WriteDouble("Real", real);
    writer.WriteString("Text", text);
    writer.WriteEnum("State", state);
    writer.WriteSet("States", states);
    writer.WriteVariant("Value", value);
  }
  void SerializationRead(ISequentialReader& reader) override {
    real = reader.ReadDouble("Real");
    text = reader.ReadString("Text");
    state = reader.ReadEnum("State", stStopped);
    states = reader.ReadSet<TStates>("States", stStopped);
    value = reader.ReadVariant("Value");
  }
};
inline constexpr TClassRef TValues::ClassRef = ClassRefOf<TValues>("TValues");

TEST_F(SerializationTest, DoublesStringsEnumerationsSetsAndEveryKindOfVariant) {
  const uint8_t bytes[] = {0, 200, 7};
  const Variant variants[] = {
      Variant(), Variant::Null(), true, int8_t(-8), uint8_t(200), int16_t(-30000),
      uint16_t(60000), int32_t(-2000000000), uint32_t(4000000000u), int64_t(-9000000000000),
      uint64_t(18000000000000000000ull), 1.5f, -2.25, TCurrency{-123456}, TDateTime{45000.75},
      Variant::WideString(u"w\u00E9\xD800", varOleStr), Variant(u"\U0001F600"),
      Variant::AnsiString("caf\xC3\xA9"), Variant::ByteArray({bytes, bytes + 3})};
  for (const Variant& v : variants) {
    TIntf<TValues> values(new TValues());
    values->real = -0.1;
    values->text = "na\xC3\xAFve";
    values->state = stStopped;
    values->states = {stIdle, stStopped};
    values->value = v;
    const auto stored = Store(*values);
    TIntf<TValues> copy(new TValues());
    Load(stored, *copy);
    EXPECT_EQ(copy->real, -0.1);
    EXPECT_EQ(copy->text, values->text);
    EXPECT_EQ(copy->state, stStopped);
    EXPECT_EQ(copy->states, values->states);
    EXPECT_EQ(copy->value, v) << "variant type " << v.VarType();
    for (size_t length = 0; length < stored.size(); ++length)
      EXPECT_THROW(Load({stored.begin(), stored.begin() + length}, *copy), EReadError) << length;
  }
}

TEST_F(SerializationTest, ValuesOutOfTheirRangeAndInterfacesAreRefused) {
  TIntf<TValues> values(new TValues());
  values->value = TIntf<ISerializable>(new TValues());
  EXPECT_THROW(Store(*values), EVariantError);

  // An enumeration value or a set member past the last member.
  values->value = Variant();
  TIntf<TValues> copy(new TValues());
  auto withState = [&](uint8_t state, uint8_t states) {
    values->state = TState(state);
    values->states = TStates::FromBits(states);
    return Store(*values);
  };
  EXPECT_NO_THROW(Load(withState(2, 7), *copy));
  EXPECT_THROW(Load(withState(3, 0), *copy), EReadError);
  EXPECT_THROW(Load(withState(0, 8), *copy), EReadError);
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
