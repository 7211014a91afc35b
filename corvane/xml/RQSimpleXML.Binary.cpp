// The binary form of RQSimpleXML: signature, options, the name table, then the document's
// attribute and child blocks, with names referred to by their hash and values stored as typed
// variants. Both directions walk the tree without recursion. The reader checks every count
// against the bytes that remain, so a damaged or hostile input ends in an exception, never in a
// read past its end or an allocation that the input cannot fill.
#include <cstring>

#include "corvane/xml/RQSimpleXML.Model.h"

namespace corvane {
namespace {

using namespace kelvra;  // variant type codes

constexpr size_t kBufferSize = 65536;
constexpr uint32_t kWideStrings = 1;  // options bit 0: names and texts as UTF-16

// ---------------------------------------------------------------------------------------------
// Byte writers

class TBinXmlWriter {
 public:
  virtual ~TBinXmlWriter() = default;

  // Writes the signature and the options: the first bytes of every binary document.
  void Start(uint32_t options) {
    options_ = options;
    Write(BinXmlSignature.data(), BinXmlSignature.size());
    WriteRaw(options);
  }

  void Write(const void* data, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
      if (used_ == kBufferSize) Flush();
      const size_t n = std::min(count, kBufferSize - used_);
      std::memcpy(buffer_.data() + used_, bytes, n);
      used_ += n;
      bytes += n;
      count -= n;
    }
  }

  template <class T>
  void WriteRaw(T value) {
    Write(&value, sizeof value);  // little-endian: the machine's order on every supported target
  }

  void WriteCompact(int32_t v) {
    if (v >= 0 && v <= 127) {
      WriteRaw(uint8_t(v));
    } else if (v >= 128 && v <= 32511) {
      const uint8_t pair[2] = {uint8_t(0x80 | (v >> 8)), uint8_t(v & 0xFF)};
      Write(pair, 2);
    } else {
      WriteRaw(uint8_t(0xFF));
      WriteRaw(v);
    }
  }

  void WriteWideString(std::u16string_view s) {
    WriteCompact(int32_t(s.size()));
    Write(s.data(), s.size() * sizeof(char16_t));
  }

  // 8-bit strings are UTF-8 here: a byte count and the bytes.
  void WriteAnsiString(std::string_view s) {
    WriteCompact(int32_t(s.size()));
    Write(s.data(), s.size());
  }

  void WriteString(std::u16string_view s) {
    if (options_ & kWideStrings)
      WriteWideString(s);
    else
      WriteAnsiString(Utf16ToUtf8(s));
  }

  void WriteVariant(const Variant& v) {
    const TVarType type = v.VarType();
    switch (type) {
      case varEmpty: case varNull: WriteCompact(type); return;
      case varSmallint: WriteCompact(type); WriteRaw(int16_t(v.AsInt64())); return;
      case varInteger: WriteCompact(type); WriteRaw(int32_t(v.AsInt64())); return;
      case varSingle: WriteCompact(type); WriteRaw(float(v.AsDouble())); return;
      case varDouble: case varDate: WriteCompact(type); WriteRaw(v.AsDouble()); return;
      case varCurrency: case varInt64: WriteCompact(type); WriteRaw(v.AsInt64()); return;
      case varOleStr: WriteCompact(type); WriteWideString(v.AsWideString()); return;
      case varBoolean: WriteCompact(type); WriteRaw(uint16_t(v.AsInt64() ? 0xFFFF : 0)); return;
      case varShortInt: WriteCompact(type); WriteRaw(int8_t(v.AsInt64())); return;
      case varByte: WriteCompact(type); WriteRaw(uint8_t(v.AsInt64())); return;
      case varWord: WriteCompact(type); WriteRaw(uint16_t(v.AsInt64())); return;
      case varLongWord: WriteCompact(type); WriteRaw(uint32_t(v.AsInt64())); return;
      case varString: WriteCompact(type); WriteAnsiString(v.AsAnsiString()); return;
      case varUString: WriteCompact(type); WriteAnsiString(Utf16ToUtf8(v.AsWideString())); return;
      case varByteArray:
        WriteCompact(type);
        WriteCompact(int32_t(v.AsBytes().size()));
        Write(v.AsBytes().data(), v.AsBytes().size());
        return;
      default: throw EXmlError("Unknown data type in variant");
    }
  }

  void WriteValue(const TXmlValue& v) {
    if (v.IsEmpty()) return WriteCompact(varEmpty);
    if (!v.IsText()) return WriteVariant(v.Boxed());
    WriteCompact(varUString);
    WriteAnsiString(Utf16ToUtf8(v.Text()));
  }

  void Flush() {
    Output(buffer_.data(), used_);
    used_ = 0;
  }

 protected:
  virtual void Output(const uint8_t* data, size_t count) = 0;

 private:
  uint32_t options_ = 0;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kBufferSize);
  size_t used_ = 0;
};

class TStreamBinXmlWriter : public TBinXmlWriter {
 public:
  explicit TStreamBinXmlWriter(TStream& stream) : stream_(stream) {}

 protected:
  void Output(const uint8_t* data, size_t count) override { stream_.WriteBuffer(data, int64_t(count)); }

 private:
  TStream& stream_;
};

class TStringBinXmlWriter : public TBinXmlWriter {
 public:
  std::string Result() { return std::move(result_); }

 protected:
  void Output(const uint8_t* data, size_t count) override {
    result_.append(reinterpret_cast<const char*>(data), count);
  }

 private:
  std::string result_;
};

int32_t HashField(TXmlNameId name) { return int32_t(XmlNameHash(IXmlNameTable::GetName(name))); }

void WriteAttributes(TBinXmlWriter& writer, const TXmlNode& node) {
  writer.WriteCompact(int32_t(node.Attrs().Size()));
  for (const TXmlAttr& attr : node.Attrs()) {
    writer.WriteCompact(HashField(attr.Name));
    writer.WriteValue(attr.Value);
  }
}

void WriteDocument(TBinXmlWriter& writer, const TXmlDocument& document) {
  const TXmlNameTable& names = document.Names();
  writer.WriteCompact(int32_t(names.NameCount()));
  names.ForEachName([&writer](const std::u16string& name) { writer.WriteString(name); });
  WriteAttributes(writer, document);

  struct TFrame {
    const TXmlChildren* List;
    size_t Next;
  };
  std::vector<TFrame> frames;
  auto writeChildBlock = [&](const TXmlNode& node) {
    const size_t count = node.Children().Size();
    writer.WriteCompact(int32_t(count));
    if (count > 0) frames.push_back({&node.Children(), 0});
  };
  writeChildBlock(document);
  while (!frames.empty()) {
    TFrame& frame = frames.back();
    if (frame.Next == frame.List->Size()) {
      frames.pop_back();
      continue;
    }
    const TXmlNode& node = *frame.List->Item(frame.Next++);
    const TXmlNodeType type = node.GetNodeType();
    switch (type) {
      case NODE_ELEMENT:
        writer.WriteRaw(uint8_t(type));
        writer.WriteCompact(HashField(node.NameId()));
        writer.WriteValue(node.HasChildNodes() ? TXmlValue() : node.Value());
        WriteAttributes(writer, node);
        writeChildBlock(node);  // invalidates `frame`
        break;
      case NODE_TEXT:
        writer.WriteRaw(uint8_t(type));
        writer.WriteValue(node.Value());
        break;
      case NODE_CDATA_SECTION:
      case NODE_COMMENT:
        writer.WriteRaw(uint8_t(type));
        writer.WriteString(node.Text());
        break;
      case NODE_PROCESSING_INSTRUCTION:
        writer.WriteRaw(uint8_t(type));
        writer.WriteCompact(HashField(node.NameId()));
        writer.WriteString(node.Text());
        WriteAttributes(writer, node);
        writeChildBlock(node);
        break;
      default: throw EXmlError("Error of the record of binary XML: incorrect node-type");
    }
  }
  writer.Flush();
}

// ---------------------------------------------------------------------------------------------
// Byte readers

// Reads from a window of bytes [cur_, end_): the whole input for a string, a buffer for a stream.
// Reads that the window holds are inline copies; the rest goes through ReadSlow, which refills
// the window. Every read is checked against the bytes that remain.
class TBinXmlReader {
 public:
  TBinXmlReader(const TBinXmlReader&) = delete;
  TBinXmlReader& operator=(const TBinXmlReader&) = delete;

  // Reads exactly `count` bytes or raises EReadError.
  void Read(void* data, size_t count) {
    if (size_t(end_ - cur_) >= count) {
      std::memcpy(data, cur_, count);
      cur_ += count;
    } else {
      ReadSlow(static_cast<uint8_t*>(data), count);
    }
  }

  template <class T>
  T ReadRaw() {
    T value;
    Read(&value, sizeof value);  // little-endian: the machine's order on every supported target
    return value;
  }

  int32_t ReadCompact() {
    if (end_ - cur_ >= 5) {  // the longest form lies in the window: read in place
      const uint8_t first = cur_[0];
      if (first < 0x80) return ++cur_, first;
      if (first != 0xFF) return cur_ += 2, int32_t((first & 0x7F) << 8 | cur_[-1]);
      int32_t value;
      std::memcpy(&value, cur_ + 1, sizeof value);
      cur_ += 5;
      return value;
    }
    const uint8_t first = ReadRaw<uint8_t>();
    if (first < 0x80) return first;
    if (first == 0xFF) return ReadRaw<int32_t>();
    return int32_t((first & 0x7F) << 8 | ReadRaw<uint8_t>());
  }

  // A count of items that take at least `minimumBytes` each: never more than the rest of the
  // input can hold.
  size_t ReadCount(size_t minimumBytes) {
    const int32_t count = ReadCompact();
    if (count < 0 || uint64_t(count) * minimumBytes > Remaining()) [[unlikely]]
      RaiseReadError();
    return size_t(count);
  }

  std::u16string ReadWideString() {
    std::u16string s(ReadCount(sizeof(char16_t)), u'\0');
    Read(s.data(), s.size() * sizeof(char16_t));
    return s;
  }

  std::string ReadAnsiString() {
    const std::string_view bytes = ReadBytes(ReadCount(1));
    return std::string(bytes);
  }

  // An 8-bit string decoded from UTF-8 straight into UTF-16.
  std::u16string ReadUtf8String() {
    const std::string_view bytes = ReadBytes(ReadCount(1));
    std::u16string s(bytes.size(), u'\0');  // never more code units than bytes
    size_t produced = 0;
    DecodeUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), true, s.data(), produced);
    s.resize(produced);
    return s;
  }

  // A value into the empty `value`, UTF-8 strings without a Variant on the way.
  void ReadValue(TXmlNodeStore& store, TXmlValue& value) {
    const int32_t type = ReadCompact();
    if (type == varEmpty) return;
    if (type == varUString) return value.SetUtf8(store, ReadBytes(ReadCount(1)));
    ReadOtherValue(store, value, type);
  }

  std::u16string ReadString() { return options_ & kWideStrings ? ReadWideString() : ReadUtf8String(); }

  Variant ReadVariant() { return ReadVariantOf(ReadCompact()); }

  [[gnu::noinline]] void ReadOtherValue(TXmlNodeStore& store, TXmlValue& value, int32_t type) {
    value.Set(store, ReadVariantOf(type));
  }

  // The value after its type code.
  Variant ReadVariantOf(int32_t type) {
    switch (type) {
      case varEmpty: return {};
      case varNull: return Variant::Null();
      case varSmallint: return ReadRaw<int16_t>();
      case varInteger: return ReadRaw<int32_t>();
      case varSingle: return ReadRaw<float>();
      case varDouble: return ReadRaw<double>();
      case varCurrency: return TCurrency{ReadRaw<int64_t>()};
      case varDate: return TDateTime{ReadRaw<double>()};
      case varOleStr: return Variant::WideString(ReadWideString(), varOleStr);
      case varBoolean: return ReadRaw<uint16_t>() != 0;
      case varShortInt: return ReadRaw<int8_t>();
      case varByte: return ReadRaw<uint8_t>();
      case varWord: return ReadRaw<uint16_t>();
      case varLongWord: return ReadRaw<uint32_t>();
      case varInt64: return ReadRaw<int64_t>();
      case varString: return Variant::AnsiString(ReadAnsiString());
      case varUString: return ReadUtf8String();
      case varByteArray: {
        const std::string_view bytes = ReadBytes(ReadCount(1));
        return Variant::ByteArray(std::vector<uint8_t>(bytes.begin(), bytes.end()));
      }
      default: throw EXmlError("Error reading value: incorrect type");
    }
  }

  void ReadOptions() { options_ = ReadRaw<uint32_t>(); }

 protected:
  TBinXmlReader(const uint8_t* bytes, size_t count, uint64_t unread)
      : cur_(bytes), end_(bytes + count), unread_(unread) {}
  ~TBinXmlReader() = default;
  // Moves the window on to the next bytes of the input; false when none are left.
  virtual bool Refill() = 0;

  const uint8_t* cur_;
  const uint8_t* end_;
  uint64_t unread_;  // input bytes behind the window

 private:
  uint64_t Remaining() const { return uint64_t(end_ - cur_) + unread_; }
  [[noreturn, gnu::noinline]] static void RaiseReadError() { throw EReadError("Stream read error"); }

  void ReadSlow(uint8_t* data, size_t count) {
    if (count > Remaining()) RaiseReadError();
    while (count > 0) {
      if (cur_ == end_ && !Refill()) RaiseReadError();
      const size_t n = std::min(count, size_t(end_ - cur_));
      std::memcpy(data, cur_, n);
      cur_ += n;
      data += n;
      count -= n;
    }
  }

  // The next `count` bytes, in the window when it holds them, else gathered in scratch_; valid
  // until the next read.
  std::string_view ReadBytes(size_t count) {
    const auto* start = reinterpret_cast<const char*>(cur_);
    if (size_t(end_ - cur_) >= count) {
      cur_ += count;
      return {start, count};
    }
    scratch_.resize(count);
    ReadSlow(reinterpret_cast<uint8_t*>(scratch_.data()), count);
    return scratch_;
  }

  uint32_t options_ = 0;
  std::string scratch_;
};

class TStreamBinXmlReader final : public TBinXmlReader {
 public:
  explicit TStreamBinXmlReader(TStream& stream)
      : TBinXmlReader(nullptr, 0, uint64_t(std::max<int64_t>(0, stream.Size() - stream.Position()))),
        stream_(stream) {}

 protected:
  bool Refill() override {
    const int64_t wanted = int64_t(std::min<uint64_t>(kBufferSize, unread_));
    const int64_t read = wanted > 0 ? stream_.Read(buffer_.data(), wanted) : 0;
    if (read <= 0) return false;
    unread_ -= uint64_t(read);
    cur_ = buffer_.data();
    end_ = cur_ + read;
    return true;
  }

 private:
  TStream& stream_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kBufferSize);
};

class TStringBinXmlReader final : public TBinXmlReader {
 public:
  explicit TStringBinXmlReader(std::string_view bytes)
      : TBinXmlReader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0) {}

 protected:
  bool Refill() override { return false; }
};

// Turns name hashes back into names. The hashes of a document repeat all the time, so the last
// answer for each of a few slots is kept in front of the name table's lookup.
class TNameLookup {
 public:
  explicit TNameLookup(const TXmlNameTable& names) : names_(names) {}
  TXmlNameId operator()(uint32_t hash) {
    TSlot& slot = slots_[hash % kSlots];
    if (!slot.Known || slot.Hash != hash) slot = {hash, names_.FindHash(hash), true};
    return slot.Name;
  }

 private:
  struct TSlot {
    uint32_t Hash;
    TXmlNameId Name;
    bool Known;
  };
  static constexpr size_t kSlots = 64;
  const TXmlNameTable& names_;
  TSlot slots_[kSlots] = {};
};

// Into a node that has no attributes: a new one or the cleared document.
void ReadAttributes(TBinXmlReader& reader, TXmlNode& node, TNameLookup& nameOf) {
  const size_t count = reader.ReadCount(2);  // a hash and a type code at least
  TXmlAttrs& attrs = node.Attrs();
  attrs.Reserve(&node.Store(), count);
  for (size_t i = 0; i < count; ++i) {
    const TXmlNameId name = nameOf(uint32_t(reader.ReadCompact()));
    TXmlAttr& attr = attrs.AppendNew(&node.Store());
    attr.Name = name;
    reader.ReadValue(node.Store(), attr.Value);
  }
}

void ReadDocument(TBinXmlReader& reader, TXmlDocument& document) {
  reader.ReadOptions();
  TXmlNameTable& names = document.Names();
  names.ClearBuckets();
  for (size_t count = reader.ReadCount(1); count > 0; --count) names.GetID(reader.ReadString());
  TNameLookup nameOf(names);
  ReadAttributes(reader, document, nameOf);

  struct TFrame {
    TXmlNode* Container;
    size_t Left;
  };
  std::vector<TFrame> frames;
  // Nodes are read into new elements and instructions, or the cleared document: none has
  // children yet.
  auto readChildBlock = [&](TXmlNode& node) {
    const size_t count = reader.ReadCount(1);
    if (count == 0) return;
    node.ReserveChildren(count);
    frames.push_back({&node, count});
  };
  readChildBlock(document);
  while (!frames.empty()) {
    if (frames.back().Left == 0) {
      frames.pop_back();
      continue;
    }
    --frames.back().Left;
    TXmlNode& container = *frames.back().Container;
    const uint8_t type = reader.ReadRaw<uint8_t>();
    if (type < NODE_ELEMENT || type > NODE_COMMENT)
      throw EXmlError("Error of reading binary XML: incorrect node-type");
    TXmlNameId name = nullptr;
    if (type == NODE_ELEMENT || type == NODE_PROCESSING_INSTRUCTION)
      name = nameOf(uint32_t(reader.ReadCompact()));
    TXmlNode* node = TXmlNode::Make(TXmlNodeType(type), document.Store(), name);
    container.AppendNewChild(node);
    switch (type) {
      case NODE_ELEMENT:
        reader.ReadValue(document.Store(), node->MutableValue());
        ReadAttributes(reader, *node, nameOf);
        readChildBlock(*node);
        break;
      case NODE_TEXT: reader.ReadValue(document.Store(), node->MutableValue()); break;
      case NODE_CDATA_SECTION:
      case NODE_COMMENT: node->SetText(reader.ReadString()); break;
      case NODE_PROCESSING_INSTRUCTION:
        node->SetText(reader.ReadString());
        ReadAttributes(reader, *node, nameOf);
        readChildBlock(*node);
        break;
    }
  }
}

}  // namespace

void WriteBinaryXml(const TXmlDocument& document, TStream& stream, uint32_t options) {
  TStreamBinXmlWriter writer(stream);
  writer.Start(options);
  WriteDocument(writer, document);
}

std::string WriteBinaryXmlString(const TXmlDocument& document) {
  TStringBinXmlWriter writer;
  writer.Start(0);
  WriteDocument(writer, document);
  return writer.Result();
}

void ReadBinaryXml(TXmlDocument& document, TStream& stream) {
  TStreamBinXmlReader reader(stream);
  ReadDocument(reader, document);
}

void ReadBinaryXmlString(TXmlDocument& document, std::string_view xml) {
  TStringBinXmlReader reader(xml);
  std::string signature(14, '\0');  // read and discarded, not compared
  reader.Read(signature.data(), signature.size());
  ReadDocument(reader, document);
}

}  // namespace corvane
