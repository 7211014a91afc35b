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

[[noreturn, gnu::noinline]] void RaiseReadError() { throw EReadError("Stream read error"); }

// The bytes at hand not read yet: [Cur, End).
struct TByteWindow {
  const uint8_t* Cur = nullptr;
  const uint8_t* End = nullptr;

  size_t Size() const { return size_t(End - Cur); }
};

// The UTF-16 string whose code units `bytes` holds.
std::u16string WideStringOf(std::string_view bytes) {
  std::u16string s(bytes.size() / sizeof(char16_t), u'\0');
  std::memcpy(s.data(), bytes.data(), bytes.size());
  return s;
}

// Where the input comes from: all of it at once for a string, buffer-sized windows for a stream.
// Both start with an empty window. The source keeps no read position: its slow paths take the
// reader's window and return the one after the bytes they read.
class TBinXmlSource {
 public:
  TBinXmlSource(const TBinXmlSource&) = delete;
  TBinXmlSource& operator=(const TBinXmlSource&) = delete;

  uint64_t Unread() const { return unread_; }

  // Reads exactly `count` bytes, which `window` does not hold, moving on to the next windows;
  // raises EReadError when the input ends first.
  [[gnu::noinline]] TByteWindow ReadAcross(TByteWindow window, uint8_t* data, size_t count) {
    if (count > window.Size() + unread_) RaiseReadError();
    while (count > 0) {
      if (window.Size() == 0) {
        window = Refill();
        if (window.Size() == 0) RaiseReadError();
      }
      const size_t n = std::min(count, window.Size());
      std::memcpy(data, window.Cur, n);
      window.Cur += n;
      data += n;
      count -= n;
    }
    return window;
  }

  // Copies the next `count` bytes, which run past `window`, into Gathered().
  [[gnu::noinline]] TByteWindow Gather(TByteWindow window, size_t count) {
    gathered_.resize(count);
    return ReadAcross(window, reinterpret_cast<uint8_t*>(gathered_.data()), count);
  }

  // Valid until the next Gather.
  std::string_view Gathered() const { return gathered_; }

 protected:
  explicit TBinXmlSource(uint64_t size) : unread_(size) {}
  ~TBinXmlSource() = default;
  // The next window of the input; empty when none is left.
  virtual TByteWindow Refill() = 0;

  uint64_t unread_;  // input bytes behind the window

 private:
  std::string gathered_;
};

// The bytes taken from the stream already, then `rest` bytes of the stream.
class TStreamBinXmlSource final : public TBinXmlSource {
 public:
  TStreamBinXmlSource(TStream& stream, std::string_view taken, uint64_t rest)
      : TBinXmlSource(taken.size() + rest), stream_(stream), taken_(taken.size()) {
    KELVRA_ASSERT(taken.size() <= kBufferSize);
    std::memcpy(buffer_.data(), taken.data(), taken.size());
  }

 protected:
  TByteWindow Refill() override {
    size_t count = std::exchange(taken_, 0);
    if (count == 0) {
      const int64_t wanted = int64_t(std::min<uint64_t>(kBufferSize, unread_));
      const int64_t read = wanted > 0 ? stream_.Read(buffer_.data(), wanted) : 0;
      if (read <= 0) return {};
      count = size_t(read);
    }
    unread_ -= count;
    return {buffer_.data(), buffer_.data() + count};
  }

 private:
  TStream& stream_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kBufferSize);
  size_t taken_;  // in the buffer, for the first window
};

// The whole string is one window, read in place.
class TStringBinXmlSource final : public TBinXmlSource {
 public:
  explicit TStringBinXmlSource(std::string_view bytes)
      : TBinXmlSource(bytes.size()), bytes_(bytes) {}

 protected:
  TByteWindow Refill() override {
    if (unread_ == 0) return {};
    unread_ = 0;
    const auto* start = reinterpret_cast<const uint8_t*>(bytes_.data());
    return {start, start + bytes_.size()};
  }

 private:
  std::string_view bytes_;
};

// Reads a source through the window that it holds by value. A reader kept in a local variable
// whose address stays private keeps its read position in registers, so its reads are always
// inlined (one call with `this` would put the reader back in memory for the whole caller), and
// everything out of line (refills, reads across windows, rare value types) gets the window by
// value and returns the new one. Every read is checked against the bytes that remain.
class TBinXmlReader {
 public:
  explicit TBinXmlReader(TBinXmlSource& source) : source_(&source) {}

  // Reads exactly `count` bytes or raises EReadError.
  [[gnu::always_inline]] void Read(void* data, size_t count) {
    if (window_.Size() >= count) {
      std::memcpy(data, window_.Cur, count);
      window_.Cur += count;
    } else {
      window_ = source_->ReadAcross(window_, static_cast<uint8_t*>(data), count);
    }
  }

  template <class T>
  [[gnu::always_inline]] T ReadRaw() {
    T value;
    Read(&value, sizeof value);  // little-endian: the machine's order on every supported target
    return value;
  }

  [[gnu::always_inline]] int32_t ReadCompact() {
    if (window_.Size() >= 5) {  // the longest form lies in the window: read in place
      const uint8_t* cur = window_.Cur;
      const uint8_t first = cur[0];
      if (first < 0x80) return window_.Cur += 1, first;
      if (first != 0xFF) return window_.Cur += 2, int32_t((first & 0x7F) << 8 | cur[1]);
      int32_t value;
      std::memcpy(&value, cur + 1, sizeof value);
      window_.Cur += 5;
      return value;
    }
    const uint8_t first = ReadRaw<uint8_t>();
    if (first < 0x80) return first;
    if (first == 0xFF) return ReadRaw<int32_t>();
    return int32_t((first & 0x7F) << 8 | ReadRaw<uint8_t>());
  }

  // A count of items that take at least `minimumBytes` each: never more than the rest of the
  // input can hold.
  [[gnu::always_inline]] size_t ReadCount(size_t minimumBytes) {
    const int32_t count = ReadCompact();
    const uint64_t least = uint64_t(count) * minimumBytes;
    if (count < 0 || (least > window_.Size() && least > window_.Size() + source_->Unread()))
      RaiseReadError();
    return size_t(count);
  }

  [[gnu::always_inline]] std::u16string ReadWideString() {
    return WideStringOf(ReadBytes(ReadCount(sizeof(char16_t)) * sizeof(char16_t)));
  }

  [[gnu::always_inline]] std::u16string ReadUtf8String() {
    return Utf8ToUtf16(ReadBytes(ReadCount(1)));
  }

  // A value into the empty `value`, UTF-8 strings without a Variant on the way.
  [[gnu::always_inline]] void ReadValue(TXmlNodeStore& store, TXmlValue& value) {
    const int32_t type = ReadCompact();
    if (type == varEmpty) return;
    if (type == varUString) return value.SetUtf8(store, ReadBytes(ReadCount(1)));
    window_ = ReadOtherValue(*source_, window_, store, value, type);
  }

  // Takes the next value if it is empty (one byte, the type code): what the value of an element
  // with children or without text always is.
  [[gnu::always_inline]] bool SkipEmptyValue() {
    if (window_.Size() == 0 || *window_.Cur != varEmpty) return false;
    ++window_.Cur;
    return true;
  }

  [[gnu::always_inline]] std::u16string ReadString() {
    return options_ & kWideStrings ? ReadWideString() : ReadUtf8String();
  }

  [[gnu::always_inline]] void ReadOptions() { options_ = ReadRaw<uint32_t>(); }

 private:
  // The value types name their string form, so a reader of values needs no options.
  TBinXmlReader(TBinXmlSource& source, TByteWindow window) : source_(&source), window_(window) {}

  // Out of line on a reader of its own, which takes over the caller's window and hands it back:
  // the caller's reader never has its address taken.
  [[gnu::noinline]] static TByteWindow ReadOtherValue(TBinXmlSource& source, TByteWindow window,
                                                      TXmlNodeStore& store, TXmlValue& value,
                                                      int32_t type) {
    TBinXmlReader reader(source, window);
    value.Set(store, reader.ReadVariantOf(type));
    return reader.window_;
  }

  std::string ReadAnsiString() { return std::string(ReadBytes(ReadCount(1))); }

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

  // The next `count` bytes, in the window when it holds them, else gathered by the source; valid
  // until the next read.
  [[gnu::always_inline]] std::string_view ReadBytes(size_t count) {
    const auto* start = reinterpret_cast<const char*>(window_.Cur);
    if (window_.Size() >= count) {
      window_.Cur += count;
      return {start, count};
    }
    window_ = source_->Gather(window_, count);
    return source_->Gathered();
  }

  TBinXmlSource* source_;
  TByteWindow window_;
  uint32_t options_ = 0;
};

// Turns name hashes back into names. The hashes of a document repeat all the time, so the last
// answer for each of a few slots is kept in front of the name table's lookup. A slot holds hashes
// of its own remainder only, so it starts with one of another, which no lookup matches.
class TNameLookup {
 public:
  explicit TNameLookup(const TXmlNameTable& names) : names_(names) {
    for (uint32_t i = 0; i < kSlots; ++i) slots_[i].Hash = i + 1;
  }
  TXmlNameId operator()(uint32_t hash) {
    TSlot& slot = slots_[hash % kSlots];
    if (slot.Hash != hash) slot = {hash, names_.FindHash(hash)};
    return slot.Name;
  }

 private:
  struct TSlot {
    uint32_t Hash;
    TXmlNameId Name;
  };
  static constexpr uint32_t kSlots = 64;
  const TXmlNameTable& names_;
  TSlot slots_[kSlots];
};

// The attribute count of a node that has no attributes nor memory for them, a new one or the
// cleared document, and room reserved for them. Always inline, as ReadAttributeList, so that the
// caller's reader does not have its address taken.
[[gnu::always_inline]] inline size_t ReserveAttributes(TBinXmlReader& reader, TXmlNode& node) {
  const size_t count = reader.ReadCount(2);  // a hash and a type code at least
  if (count > 0) node.Attrs().ReserveFresh(node.Store(), count);
  return count;
}

// `count` attributes into the room reserved for them.
[[gnu::always_inline]] inline void ReadAttributeList(TBinXmlReader& reader, TXmlNode& node, size_t count,
                                                     TNameLookup& nameOf) {
  TXmlAttrs& attrs = node.Attrs();
  for (size_t i = 0; i < count; ++i) {
    const TXmlNameId name = nameOf(uint32_t(reader.ReadCompact()));
    TXmlAttr& attr = attrs.AppendNew(&node.Store());
    attr.Name = name;
    reader.ReadValue(node.Store(), attr.Value);
  }
}

// The reader is taken by value: the node loop's own copy, kept in registers.
void ReadDocument(TBinXmlReader reader, TXmlDocument& document) {
  reader.ReadOptions();
  TXmlNameTable& names = document.Names();
  names.ClearBuckets();
  for (size_t count = reader.ReadCount(1); count > 0; --count) names.GetID(reader.ReadString());
  TNameLookup nameOf(names);
  ReadAttributeList(reader, document, ReserveAttributes(reader, document), nameOf);

  // The children block being read is kept in locals; the blocks it interrupts wait on a stack,
  // unless it starts with their last node, which leaves nothing of them to come back to. Nodes
  // are read into new elements and instructions, or the cleared document: none has children
  // yet, nor memory for them.
  struct TChildBlock {
    TXmlNode* Container;
    size_t Left;
  };
  TXmlNodeStore& store = document.Store();
  std::vector<TChildBlock> waiting;
  TChildBlock block = {&document, reader.ReadCount(1)};
  if (block.Left > 0) document.ReserveNewChildren(block.Left);
  for (;;) {
    if (block.Left == 0) {
      if (waiting.empty()) return;
      block = waiting.back();
      waiting.pop_back();
      continue;
    }
    --block.Left;
    const uint8_t type = reader.ReadRaw<uint8_t>();
    TXmlNode* node;
    size_t attributes;
    if (type == NODE_ELEMENT) {
      const TXmlNameId name = nameOf(uint32_t(reader.ReadCompact()));
      if (reader.SkipEmptyValue()) {
        // The attribute count comes next: the node is made with room for the attributes.
        attributes = reader.ReadCount(2);
        node = TXmlNode::MakeElement(store, name, attributes);
        block.Container->AppendNewChild(node);
      } else {
        node = TXmlNode::MakeElement(store, name);
        block.Container->AppendNewChild(node);
        reader.ReadValue(store, node->MutableValue());
        attributes = ReserveAttributes(reader, *node);
      }
    } else if (type == NODE_PROCESSING_INSTRUCTION) {
      node = TXmlNode::Make(NODE_PROCESSING_INSTRUCTION, store, nameOf(uint32_t(reader.ReadCompact())));
      block.Container->AppendNewChild(node);
      node->SetText(reader.ReadString());
      attributes = ReserveAttributes(reader, *node);
    } else {  // the kinds without attributes or children
      if (type < NODE_ELEMENT || type > NODE_COMMENT)
        throw EXmlError("Error of reading binary XML: incorrect node-type");
      node = TXmlNode::Make(TXmlNodeType(type), store);
      block.Container->AppendNewChild(node);
      if (type == NODE_TEXT)
        reader.ReadValue(store, node->MutableValue());
      else
        node->SetText(reader.ReadString());
      continue;
    }
    // What elements and instructions have besides, in one place so that it is inlined once.
    ReadAttributeList(reader, *node, attributes, nameOf);
    if (const size_t children = reader.ReadCount(1); children > 0) {
      node->ReserveNewChildren(children);
      if (block.Left > 0) waiting.push_back(block);
      block = {node, children};
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

void ReadBinaryXml(TXmlDocument& document, TStream& stream, std::string_view taken) {
  const int64_t size = stream.Size();
  if (size < 0) {
    // The reader checks every count against the bytes that remain, which a pipe tells only at
    // its end: its bytes are read whole first.
    std::string bytes(taken);
    char chunk[4096];
    for (int64_t read; (read = stream.Read(chunk, sizeof chunk)) > 0;) bytes.append(chunk, size_t(read));
    TStringBinXmlSource source(bytes);
    return ReadDocument(TBinXmlReader(source), document);
  }
  TStreamBinXmlSource source(stream, taken, uint64_t(std::max<int64_t>(0, size - stream.Position())));
  ReadDocument(TBinXmlReader(source), document);
}

void ReadBinaryXmlString(TXmlDocument& document, std::string_view xml) {
  TStringBinXmlSource source(xml);
  TBinXmlReader reader(source);
  std::string signature(14, '\0');  // read and discarded, not compared
  reader.Read(signature.data(), signature.size());
  ReadDocument(reader, document);
}

}  // namespace corvane
