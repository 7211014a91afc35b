// The text parser of RQSimpleXML: a character source that decodes the input chunk by chunk in the
// declared code page, and a tokenizer that builds the document without recursion (open elements
// are kept on an explicit stack), so that no nesting depth can exhaust the call stack.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "corvane/xml/RQSimpleXML.Model.h"

namespace corvane {

namespace {

constexpr size_t kChunkSize = 16384;

// TXmlSource: bytes are read from a stream in chunks of 16,384, or taken where they lie in
// memory. Until a code page is set every byte is one character of the same value; then the bytes
// not yet taken are decoded in that code page, by the built-in UTF-8 decoder or through iconv, at
// most a chunk's worth at a time, with an incomplete sequence at the end of a chunk carried over
// to the front of the next.
class TXmlSource {
 public:
  // Bytes taken from the stream already (a few), then the rest of the stream.
  TXmlSource(kelvra::TStream& stream, std::string_view taken) : stream_(&stream), byteLen_(taken.size()) {
    KELVRA_ASSERT(taken.size() <= kChunkSize);
    std::memcpy(buffer_, taken.data(), taken.size());
  }
  // Bytes that stay in memory while the source reads them: no chunk is copied.
  explicit TXmlSource(std::string_view bytes)
      : bytes_(reinterpret_cast<const uint8_t*>(bytes.data())), byteLen_(bytes.size()), ended_(true) {}
  ~TXmlSource() {
    if (converter_ != iconv_t(-1)) iconv_close(converter_);
  }
  TXmlSource(const TXmlSource&) = delete;
  TXmlSource& operator=(const TXmlSource&) = delete;

  // The next character without taking it; -1 at the end of input.
  int Peek() { return cur_ < end_ || Fill() ? *cur_ : -1; }
  int Next() {
    const int c = Peek();
    cur_ += c >= 0;
    return c;
  }
  void Skip() { ++cur_; }

  // The characters available without reading: [Current(), End()).
  const char16_t* Current() const { return cur_; }
  const char16_t* End() const { return end_; }
  void Advance(const char16_t* to) { cur_ = to; }
  bool Available() { return cur_ < end_ || Fill(); }

  int32_t CodePage() const { return codePage_; }
  void SetCodePage(int32_t codePage) {
    // The characters not taken yet stand one for one for the bytes from which they came.
    bytePos_ = charsFirstByte_ + size_t(cur_ - chars_);
    cur_ = end_ = chars_;
    carryOnly_ = false;
    codePage_ = codePage;
    if (codePage != 65001) {
      converter_ = iconv_open("UTF-16LE", IconvCharset(codePage).c_str());
      if (converter_ == iconv_t(-1))
        throw EXmlError("Encoding \"" + IconvCharset(codePage) + "\" is not supported by SimpleXML");
    }
  }

 private:
  // Reads the next chunk behind the bytes still pending; false at the end of input.
  bool ReadBytes() {
    std::memmove(buffer_, bytes_ + bytePos_, byteLen_ - bytePos_);
    byteLen_ -= bytePos_;
    bytePos_ = 0;
    const int64_t read = stream_->Read(buffer_ + byteLen_, int64_t(kChunkSize - byteLen_));
    if (read <= 0) return false;
    byteLen_ += size_t(read);
    return true;
  }

  bool Fill() {
    cur_ = end_ = chars_;
    len_ = 0;
    while (len_ == 0) {
      if (bytePos_ == byteLen_ || carryOnly_) {
        if (ended_ || !ReadBytes()) {
          ended_ = true;
          if (bytePos_ == byteLen_) return false;
        }
      }
      charsFirstByte_ = bytePos_;
      const size_t take = std::min(byteLen_ - bytePos_, kChunkSize);
      const bool final = ended_ && take == byteLen_ - bytePos_;
      if (codePage_ == 0) {
        for (size_t i = 0; i < take; ++i) chars_[len_++] = bytes_[bytePos_ + i];
        bytePos_ += take;
      } else if (codePage_ == 65001) {
        bytePos_ += kelvra::DecodeUtf8(bytes_ + bytePos_, take, final, chars_, len_);
      } else {
        ConvertWithIconv(final);
      }
      // Nothing decoded: the pending bytes are the start of a sequence that the next chunk ends.
      carryOnly_ = len_ == 0;
    }
    end_ = chars_ + len_;
    return true;
  }

  void ConvertWithIconv(bool final) {
    char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes_ + bytePos_));  // iconv does not write it
    size_t inLeft = byteLen_ - bytePos_;
    char* out = reinterpret_cast<char*>(chars_);
    size_t outLeft = kChunkSize * sizeof(char16_t);
    while (inLeft > 0) {
      if (iconv(converter_, &in, &inLeft, &out, &outLeft) != size_t(-1) || errno == E2BIG) break;
      if (errno == EINVAL && !final) break;  // incomplete sequence: carried over
      // An ill-formed byte (or one cut off at the end of input) becomes U+FFFD.
      if (outLeft < 2) break;
      *reinterpret_cast<char16_t*>(out) = 0xFFFD;
      out += 2;
      outLeft -= 2;
      ++in;
      --inLeft;
    }
    bytePos_ = size_t(reinterpret_cast<uint8_t*>(in) - bytes_);
    len_ = (kChunkSize * sizeof(char16_t) - outLeft) / 2;
  }

  kelvra::TStream* const stream_ = nullptr;  // none for bytes in memory
  uint8_t buffer_[kChunkSize];                // a stream's chunk
  const uint8_t* const bytes_ = buffer_;      // the buffer, or the bytes in memory
  size_t bytePos_ = 0, byteLen_ = 0;
  int32_t codePage_ = 0;
  iconv_t converter_ = iconv_t(-1);
  bool ended_ = false;      // no more bytes to read
  bool carryOnly_ = false;  // the pending bytes need more input to decode
  size_t charsFirstByte_ = 0;  // the byte from which chars_[0] came, while the code page is 0
  char16_t chars_[kChunkSize + 2];
  size_t len_ = 0;  // the characters decoded into chars_
  // The characters not taken yet: [cur_, end_) in chars_. Pointers rather than indices: every
  // character read goes through them.
  const char16_t* cur_ = chars_;
  const char16_t* end_ = chars_;
};

bool IsBlank(int c) { return c >= 0 && c < 33; }

// The ASCII name characters in tables, the rest through the Unicode classes.
constexpr auto AsciiTable(bool (*test)(int)) {
  std::array<bool, 128> table{};
  for (int c = 0; c < 128; ++c) table[size_t(c)] = test(c);
  return table;
}
constexpr auto kAsciiNameStart =
    AsciiTable([](int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; });
constexpr auto kAsciiNameChars = AsciiTable(
    [](int c) { return kAsciiNameStart[size_t(c)] || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'; });
inline bool IsNameChar(char16_t c) { return c < 128 ? kAsciiNameChars[c] : IsXmlNameChar(c); }
inline bool IsNameStart(int c) {
  if (c < 0) return false;
  return c < 128 ? kAsciiNameStart[size_t(c)] : IsXmlNameStart(char16_t(c));
}

// Whether the n characters at a and b are the same. Names are short: up to eight characters are
// compared as two overlapping words, which costs less than a loop or a call.
inline bool SameChars(const char16_t* a, const char16_t* b, size_t n) {
  const auto same = [&]<class TWord>(TWord) {
    TWord a1, a2, b1, b2;
    std::memcpy(&a1, a, sizeof a1);
    std::memcpy(&b1, b, sizeof b1);
    std::memcpy(&a2, a + n - sizeof a2 / 2, sizeof a2);
    std::memcpy(&b2, b + n - sizeof b2 / 2, sizeof b2);
    return ((a1 ^ b1) | (a2 ^ b2)) == 0;
  };
  if (n > 8) return std::memcmp(a, b, n * sizeof(char16_t)) == 0;
  if (n >= 4) return same(uint64_t());
  if (n >= 2) return same(uint32_t());
  return n == 0 || *a == *b;
}

class TXmlParser {
 public:
  // Reads a stream, or bytes in memory.
  template <class... TInput>
  TXmlParser(TXmlDocument& document, TInput&&... input)
      : document_(document),
        names_(&document.Names()),
        source_(std::forward<TInput>(input)...),
        preserve_(document.GetPreserveWhiteSpace()) {}

  void Run() {
    std::vector<TXmlNode*> open;  // the elements whose end tag is still to come
    for (;;) {
      TXmlNode& container = open.empty() ? static_cast<TXmlNode&>(document_) : *open.back();
      ReadText(container);
      if (source_.Next() < 0) {  // "<" or the end of input, which must not cut an element short
        if (!open.empty()) Expected("Text \"%s\" expected", u"</" + *open.back()->NameId() + u">");
        return;
      }
      switch (source_.Peek()) {
        case '/':
          source_.Skip();
          if (open.empty()) return;  // the end of the document's content
          ReadEndTag(*open.back());
          open.pop_back();
          break;
        case '?':
          source_.Skip();
          ReadProcessingInstruction(container);
          break;
        case '!':
          source_.Skip();
          ReadDeclarationOrSection(container);
          break;
        default:
          if (TXmlNode* element = ReadElement(container)) open.push_back(element);
      }
    }
  }

 private:
  [[noreturn]] static void Expected(const char* format, std::u16string_view what) { RaiseXml(format, what); }

  void ExpectCharacter(char16_t c) {
    if (source_.Next() != c) Expected("Character \"%s\" expected", std::u16string_view(&c, 1));
  }

  void ExpectText(std::u16string_view text) {
    for (char16_t c : text)
      if (source_.Next() != c) Expected("Text \"%s\" expected", text);
  }

  void SkipBlanks() {
    while (IsBlank(source_.Peek())) source_.Skip();
  }

  // Text up to "<" with its entities; trimmed unless white space is preserved.
  // A text that ends in the decoded chunk without entities is taken from it without a copy.
  void ReadText(TXmlNode& container) {
    if (source_.Available() && *source_.Current() == u'<') return;  // tags back to back: no text
    token_.clear();
    std::u16string_view text;
    while (source_.Available()) {
      const char16_t* p = source_.Current();
      const char16_t* end = source_.End();
      const char16_t* q = FindFirstOf(p, end, u'<', u'&');
      source_.Advance(q);
      if (q < end && *q == u'<' && token_.empty()) {
        text = {p, size_t(q - p)};
        break;
      }
      token_.append(p, q);
      text = token_;
      if (q == end) continue;
      if (*q == u'<') break;
      source_.Skip();
      ReadEntity(token_);
      text = token_;
    }
    if (!preserve_) {
      while (!text.empty() && text.front() <= 32) text.remove_prefix(1);
      while (!text.empty() && text.back() <= 32) text.remove_suffix(1);
    }
    if (text.empty()) return;
    TXmlNode* node = TXmlNode::Make(NODE_TEXT, document_.Store());
    node->SetText(text);
    container.AppendNewChild(node);
  }

  static constexpr std::pair<std::u16string_view, char16_t> kEntities[] = {
      {u"amp", u'&'}, {u"quot", u'"'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"apos", u'\''}};

  // After "&": a named entity or a character reference, appended to `out`.
  void ReadEntity(std::u16string& out) {
    if (const char16_t character = ReadEntityInChunk()) return out.push_back(character);
    const int c = source_.Next();
    if (c == '#') {
      const bool hex = source_.Peek() == 'x';
      if (hex) source_.Skip();
      uint32_t code = 0;
      int digits = 0;
      for (int d; (d = source_.Peek()) >= 0; source_.Skip(), ++digits) {
        const int value = d >= '0' && d <= '9'             ? d - '0'
                          : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                          : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                        : -1;
        if (value < 0) break;
        code = std::min<uint32_t>(code * (hex ? 16 : 10) + uint32_t(value), 0x110000);
      }
      if (digits == 0) throw EXmlError(hex ? "Hexadecimal number expected" : "Number expected");
      ExpectCharacter(u';');
      if (code > 0x10FFFF) {
        out += u'\xFFFD';
      } else if (code >= 0x10000) {
        out += char16_t(0xD800 + ((code - 0x10000) >> 10));
        out += char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        out += char16_t(code);
      }
      return;
    }
    if (c < 0 || !IsNameChar(char16_t(c))) throw EXmlError("\"#\" or XML entity symbol name expected");
    std::u16string& name = entity_;
    name.assign(1, char16_t(c));
    AppendWhile(name, IsNameChar);
    for (const auto& [entity, character] : kEntities)
      if (name == entity) {
        ExpectCharacter(u';');
        out += character;
        return;
      }
    Expected("Unknown XML entity symbol name \"%s\" found", name);
  }

  // A predefined entity whose name and ";" lie in the decoded chunk, taken where it lies; 0 when
  // there is none, and nothing is taken.
  char16_t ReadEntityInChunk() {
    const char16_t* p = source_.Current();
    const size_t available = size_t(source_.End() - p);
    for (const auto& [entity, character] : kEntities)
      if (available > entity.size() && p[entity.size()] == u';' && SameChars(p, entity.data(), entity.size())) {
        source_.Advance(p + entity.size() + 1);
        return character;
      }
    return 0;
  }

  // A name: "_" or a letter, then letters, digits, "-", ".", ":" and "_". Returns it interned.
  // Appends the characters from here on to `out` while `accept` holds for them.
  template <class F>
  void AppendWhile(std::u16string& out, F accept) {
    while (source_.Available()) {
      const char16_t* p = source_.Current();
      const char16_t* end = source_.End();
      const char16_t* q = p;
      while (q < end && accept(*q)) ++q;
      out.append(p, q);
      source_.Advance(q);
      if (q < end) return;
    }
  }

  // A name that ends within the decoded chunk is read here, inline; one that runs on into the
  // next chunk is gathered by ReadSplitName.
  TXmlNameId ReadName() {
    if (!IsNameStart(source_.Peek())) throw EXmlError("Name must start with letter or \" _\"");
    const char16_t* p = source_.Current();
    const char16_t* end = source_.End();
    const char16_t* q = p;
    uint32_t hash = 0;
    while (q < end && IsNameChar(*q)) hash += (hash << 6) ^ *q++;
    source_.Advance(q);
    if (q == end) return ReadSplitName(p, hash);
    return Intern({p, size_t(q - p)}, hash);
  }

  // The rest of a name whose start [start, the chunk's end) has been read and hashed.
  TXmlNameId ReadSplitName(const char16_t* start, uint32_t hash) {
    name_.assign(start, source_.End());
    AppendWhile(name_, [&hash](char16_t c) {
      if (!IsNameChar(c)) return false;
      hash += (hash << 6) ^ c;
      return true;
    });
    return Intern(name_, hash);
  }

  // The names of a document repeat: the last one seen for each of a few hash slots is compared
  // before the name table is asked.
  TXmlNameId Intern(std::u16string_view name, uint32_t hash) {
    TNameSlot& slot = nameSlots_[hash % kNameSlots];
    if (slot.Hash == hash && slot.Text.size() == name.size() && slot.Name &&
        SameChars(slot.Text.data(), name.data(), name.size()))
      return slot.Name;
    slot.Name = names_->GetID(name, hash);
    slot.Hash = hash;
    slot.Text = *slot.Name;
    return slot.Name;
  }

  // After "<": the element, its attributes and, unless it is an empty-element tag, its start.
  // Returns the element when its content follows.
  TXmlNode* ReadElement(TXmlNode& container) {
    TXmlNode* element = TXmlNode::Make(NODE_ELEMENT, document_.Store(), ReadName());
    container.AppendNewChild(element);
    const int c = source_.Peek();
    if (c < 0) throw EXmlError("The determination of the element is not completed");
    if (!IsBlank(c) && c != '/' && c != '>') throw EXmlError("Invalid symbol in the name of the element");
    ReadAttributes(*element);
    if (source_.Peek() == '/') {
      ExpectText(u"/>");
      return nullptr;
    }
    ExpectCharacter(u'>');
    return element;
  }

  // After "</": the element's name, optional blanks and ">".
  void ReadEndTag(const TXmlNode& element) {
    const std::u16string& name = *element.NameId();  // every element has one
    if (source_.Available() && size_t(source_.End() - source_.Current()) >= name.size() &&
        std::u16string_view(source_.Current(), name.size()) == name)
      source_.Advance(source_.Current() + name.size());
    else
      ExpectText(name);
    SkipBlanks();
    ExpectCharacter(u'>');
  }

  // The attributes are gathered in a scratch list and given to the node in one allocation; their
  // values are in the store already and go back to it when the tag is ill-formed.
  void ReadAttributes(TXmlNode& node) {
    if (!attrIndex_.empty()) attrIndex_.clear();  // clear() wipes every bucket, used or not
    scratch_.clear();
    try {
      ReadAttributeList();
    } catch (...) {
      for (TXmlAttr& attr : scratch_) attr.Value.Clear(document_.Store());
      throw;
    }
    node.Attrs().Assign(&node.Store(), scratch_.data(), scratch_.size());
  }

  void ReadAttributeList() {
    for (;;) {
      SkipBlanks();
      const int c = source_.Peek();
      if (!IsNameStart(c)) break;
      const TXmlNameId name = ReadName();
      SkipBlanks();
      ExpectCharacter(u'=');
      SkipBlanks();
      const int quote = source_.Next();
      if (quote < 0) throw EXmlError("The value of the attribute is expected");
      if (quote != '"' && quote != '\'') throw EXmlError("Line constant expected");
      AddAttribute(name, ReadAttributeValue(char16_t(quote)));
    }
  }

  // The value up to the closing quote, seen in the decoded chunk when it lies there whole; valid
  // until the next read.
  std::u16string_view ReadAttributeValue(char16_t quote) {
    token_.clear();
    for (;;) {
      if (!source_.Available()) Expected("\"%s\" expected", std::u16string_view(&quote, 1));
      const char16_t* p = source_.Current();
      const char16_t* end = source_.End();
      const char16_t* q = FindFirstOf(p, end, quote, u'&', u'<');
      source_.Advance(q);
      if (q < end && *q == quote && token_.empty()) {
        source_.Skip();
        return {p, size_t(q - p)};
      }
      token_.append(p, q);
      if (q == end) continue;
      source_.Skip();
      if (*q == quote) return token_;
      if (*q == u'<') throw EXmlError("Character \"<\" cannot be used in the values of attributes");
      ReadEntity(token_);
    }
  }

  // A repeated attribute name replaces the earlier value. Past a few attributes the names are
  // indexed, so that an element with very many attributes parses in linear time.
  void AddAttribute(TXmlNameId name, std::u16string_view value) {
    std::vector<TXmlAttr>& attrs = scratch_;
    constexpr size_t kLinearLimit = 16;
    TXmlAttr* attr = nullptr;
    if (attrs.size() < kLinearLimit) {
      for (TXmlAttr& a : attrs)
        if (a.Name == name) attr = &a;
    } else {
      if (attrIndex_.empty())
        for (size_t i = 0; i < attrs.size(); ++i) attrIndex_.emplace(attrs[i].Name, i);
      const auto [it, added] = attrIndex_.emplace(name, attrs.size());
      if (!added) attr = &attrs[it->second];
    }
    if (!attr) {
      attr = &attrs.emplace_back();  // made in place: no copy through the stack
      attr->Name = name;
    }
    attr->Value.SetText(document_.Store(), value);
  }

  // Everything up to `terminator`, which is taken but not kept, into token_.
  void ReadUntil(std::u16string_view terminator) {
    token_.clear();
    const char16_t last = terminator.back();
    for (;;) {
      if (!source_.Available()) Expected("\"%s\" expected", terminator);
      const char16_t* p = source_.Current();
      const char16_t* end = source_.End();
      const char16_t* q = p;
      while (q < end && *q != last) ++q;
      if (q == end) {
        token_.append(p, q);
        source_.Advance(q);
        continue;
      }
      token_.append(p, q + 1);
      source_.Advance(q + 1);
      if (token_.ends_with(terminator)) {
        token_.resize(token_.size() - terminator.size());
        return;
      }
    }
  }

  // After "<?": the "xml" declaration sets the code page; other instructions keep their text.
  void ReadProcessingInstruction(TXmlNode& container) {
    const TXmlNameId name = ReadName();
    TXmlNode* instruction = TXmlNode::Make(NODE_PROCESSING_INSTRUCTION, document_.Store(), name);
    container.AppendNewChild(instruction);
    if (name != names_->idXml) {
      SkipBlanks();
      ReadUntil(u"?>");
      instruction->SetText(token_);
      return;
    }
    ReadAttributes(*instruction);
    SkipBlanks();
    ExpectText(u"?>");
    const TXmlAttr* encoding = instruction->FindAttr(names_->idEncoding);
    const std::u16string encodingName = encoding ? encoding->Value.ToXSTR() : std::u16string();
    const int32_t codePage = encodingName.empty() ? 65001 : XmlCodePage(encodingName);
    if (codePage == 0) Expected("Encoding \"%s\" is not supported by SimpleXML", encodingName);
    // The first declaration fixes the code page of the rest of the input.
    if (source_.CodePage() == 0) source_.SetCodePage(codePage);
  }

  // After "<!": a comment, a CDATA section or a declaration (skipped).
  void ReadDeclarationOrSection(TXmlNode& container) {
    const int c = source_.Peek();
    if (c == '-') {
      ExpectText(u"--");
      ReadUntil(u"-->");
      TXmlNode* comment = TXmlNode::Make(NODE_COMMENT, document_.Store());
      comment->SetText(token_);
      container.AppendNewChild(comment);
    } else if (c == '[') {
      ExpectText(u"[CDATA[");
      ReadUntil(u"]]>");
      TXmlNode* section = TXmlNode::Make(NODE_CDATA_SECTION, document_.Store());
      section->SetText(token_);
      container.AppendNewChild(section);
    } else {
      ExpectText(u"DOCTYPE");
      ReadUntil(u">");
    }
  }

  TXmlDocument& document_;
  TXmlNameTable* names_;
  TXmlSource source_;
  const bool preserve_;
  std::u16string token_, name_, entity_;
  std::vector<TXmlAttr> scratch_;
  std::unordered_map<TXmlNameId, size_t> attrIndex_;
  struct TNameSlot {
    uint32_t Hash;
    TXmlNameId Name;
    std::u16string_view Text;  // the name's characters, compared without a visit to the name
  };
  static constexpr size_t kNameSlots = 64;
  TNameSlot nameSlots_[kNameSlots] = {};
};

}  // namespace

void ParseXmlText(TXmlDocument& document, kelvra::TStream& stream, std::string_view taken) {
  // The source holds two 16 KB buffers: kept off the stack of the caller.
  std::make_unique<TXmlParser>(document, stream, taken)->Run();
}

void ParseXmlText(TXmlDocument& document, std::string_view bytes) {
  std::make_unique<TXmlParser>(document, bytes)->Run();
}

}  // namespace corvane
