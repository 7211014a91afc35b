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
  writer.WriteCompact(int32_t(node.Attrs().size()));
  for (const TXmlAttr& attr : node.Attrs()) {
    writer.WriteCompact(HashField(attr.Name));
    writer.WriteVariant(attr.Value);
  }
}

void WriteDocument(TBinXmlWriter& writer, const TXmlDocument& document) {
  const TXmlNameTable& names = document.Names();
  writer.WriteCompact(int32_t(names.NameCount()));
  names.ForEachName([&writer](const std::u16string& name) { writer.WriteString(name); });
  WriteAttributes(writer, document);

  struct TFrame {
    const TXmlNodeList* List;
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
        writer.WriteVariant(node.HasChildNodes() ? Variant() : node.Value());
        WriteAttributes(writer, node);
        writeChildBlock(node);  // invalidates `frame`
        break;
      case NODE_TEXT:
        writer.WriteRaw(uint8_t(type));
        writer.WriteVariant(node.Value());
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

class TBinXmlReader {
 public:
  virtual ~TBinXmlReader() = default;

  // Reads exactly `count` bytes or raises EReadError.
  void Read(void* data, size_t count) {
    if (count > remaining_) throw EReadError("Stream read error");
    if (count == 0) return;
    ReadAvailable(static_cast<uint8_t*>(data), count);
    remaining_ -= count;
  }

  template <class T>
  T ReadRaw() {
    T value;
    Read(&value, sizeof value);
    return value;
  }

  int32_t ReadCompact() {
    const uint8_t first = ReadRaw<uint8_t>();
    if (first < 0x80) return first;
    if (first == 0xFF) return ReadRaw<int32_t>();
    return int32_t((first & 0x7F) << 8 | ReadRaw<uint8_t>());
  }

  // A count of items that take at least `minimumBytes` each: never more than the rest of the
  // input can hold.
  size_t ReadCount(size_t minimumBytes) {
    const int32_t count = ReadCompact();
    if (count < 0 || uint64_t(count) * minimumBytes > remaining_) throw EReadError("Stream read error");
    return size_t(count);
  }

  std::u16string ReadWideString() {
    std::u16string s(ReadCount(sizeof(char16_t)), u'\0');
    Read(s.data(), s.size() * sizeof(char16_t));
    return s;
  }

  std::string ReadAnsiString() {
    std::string s(ReadCount(1), '\0');
    Read(s.data(), s.size());
    return s;
  }

  std::u16string ReadString() {
    return options_ & kWideStrings ? ReadWideString() : Utf8ToUtf16(ReadAnsiString());
  }

  Variant ReadVariant() {
    const int32_t type = ReadCompact();
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
      case varUString: return Utf8ToUtf16(ReadAnsiString());
      case varByteArray: {
        std::vector<uint8_t> bytes(ReadCount(1));
        Read(bytes.data(), bytes.size());
        return Variant::ByteArray(std::move(bytes));
      }
      default: throw EXmlError("Error reading value: incorrect type");
    }
  }

  void ReadOptions() { options_ = ReadRaw<uint32_t>(); }

 protected:
  explicit TBinXmlReader(uint64_t size) : remaining_(size) {}
  // Copies `count` bytes that are known to exist.
  virtual void ReadAvailable(uint8_t* data, size_t count) = 0;

 private:
  uint64_t remaining_;
  uint32_t options_ = 0;
};

class TStreamBinXmlReader : public TBinXmlReader {
 public:
  explicit TStreamBinXmlReader(TStream& stream)
      : TBinXmlReader(uint64_t(std::max<int64_t>(0, stream.Size() - stream.Position()))), stream_(stream) {}

 protected:
  void ReadAvailable(uint8_t* data, size_t count) override {
    while (count > 0) {
      if (pos_ == len_) {
        pos_ = 0;
        len_ = size_t(stream_.Read(buffer_.data(), int64_t(kBufferSize)));
        if (len_ == 0) throw EReadError("Stream read error");
      }
      const size_t n = std::min(count, len_ - pos_);
      std::memcpy(data, buffer_.data() + pos_, n);
      pos_ += n;
      data += n;
      count -= n;
    }
  }

 private:
  TStream& stream_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kBufferSize);
  size_t pos_ = 0, len_ = 0;
};

class TStringBinXmlReader : public TBinXmlReader {
 public:
  explicit TStringBinXmlReader(std::string_view bytes) : TBinXmlReader(bytes.size()), bytes_(bytes) {}

 protected:
  void ReadAvailable(uint8_t* data, size_t count) override {
    std::memcpy(data, bytes_.data() + pos_, count);
    pos_ += count;
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

void ReadAttributes(TBinXmlReader& reader, TXmlNode& node, const TXmlNameTable& names) {
  const size_t count = reader.ReadCount(2);  // a hash and a type code at least
  std::vector<TXmlAttr>& attrs = node.Attrs();
  attrs.clear();
  attrs.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const TXmlNameId name = names.FindHash(uint32_t(reader.ReadCompact()));
    attrs.push_back({name, reader.ReadVariant()});
  }
}

void ReadDocument(TBinXmlReader& reader, TXmlDocument& document) {
  reader.ReadOptions();
  TXmlNameTable& names = document.Names();
  names.ClearBuckets();
  for (size_t count = reader.ReadCount(1); count > 0; --count) names.GetID(reader.ReadString());
  ReadAttributes(reader, document, names);

  struct TFrame {
    TXmlNode* Container;
    size_t Left;
  };
  std::vector<TFrame> frames;
  auto readChildBlock = [&](TXmlNode& node) {
    const size_t count = reader.ReadCount(1);
    TXmlNodeList& children = node.Children();
    children.Clear();
    children.Reserve(count);
    if (count > 0) frames.push_back({&node, count});
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
      name = names.FindHash(uint32_t(reader.ReadCompact()));
    TXmlNode* node = TXmlNode::Make(TXmlNodeType(type), &names, name);
    container.Children().AppendNew(node);
    switch (type) {
      case NODE_ELEMENT:
        node->SetValueDirect(reader.ReadVariant());
        ReadAttributes(reader, *node, names);
        readChildBlock(*node);
        break;
      case NODE_TEXT: node->SetValueDirect(reader.ReadVariant()); break;
      case NODE_CDATA_SECTION:
      case NODE_COMMENT: node->SetText(reader.ReadString()); break;
      case NODE_PROCESSING_INSTRUCTION:
        node->SetText(reader.ReadString());
        ReadAttributes(reader, *node, names);
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
