// The text form of RQSimpleXML: a node's XML text with its indentation and line-break rules, and
// the saver that writes that text to a stream in a code page of the encoding table.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "corvane/xml/RQSimpleXML.Model.h"

namespace corvane {
namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

bool HasLineBreak(std::u16string_view s) {
  return FindFirstOf(s.data(), s.data() + s.size(), u'\r', u'\n') != s.data() + s.size();
}

// Builds the text depth-first without recursion. Each open element remembers where its start tag
// ended, so that an empty content turns ">" into "/>", and whether its content holds a line
// break, which decides where its end tag goes. With a sink, the text is handed over in pieces as
// it grows, after every node, start tag and end tag and within long indentation, so that the
// writer holds no more than a piece and the largest value, however long the text.
class TXmlTextWriter {
 public:
  using TSink = std::function<void(std::u16string_view)>;

  TXmlTextWriter(const TXmlNode& root, TSink sink = nullptr)
      : preserve_(root.Document() ? root.Document()->GetPreserveWhiteSpace() : DefaultPreserveWhiteSpace),
        indentHasLineBreak_(HasLineBreak(DefaultIndentText)),
        sink_(std::move(sink)) {}

  // The whole text, or, with a sink, what is left after the last piece handed over.
  std::u16string Write(const TXmlNode& root) {
    int depth = 0;
    for (const TXmlNode* p = root.Parent(); p; p = p->Parent()) depth += p->GetNodeType() == NODE_ELEMENT;
    frames_.push_back({nullptr, 0, 0, 0, depth, false});  // collects the root's line breaks
    WriteNode(root, depth);
    while (frames_.size() > 1) {
      TFrame& frame = frames_.back();
      const TXmlChildren& children = frame.Node->Children();
      if (frame.NextChild < children.Size()) {
        const TXmlNode& child = *children.Item(frame.NextChild++);
        WriteNode(child, frame.Node->GetNodeType() == NODE_ELEMENT ? frame.Depth + 1 : frame.Depth);
      } else {
        Close();
      }
      HandOver();
    }
    return std::move(out_);
  }

 private:
  struct TFrame {
    const TXmlNode* Node;
    size_t NextChild;
    size_t StartTagEnd;   // position in the whole text of the ">" of the start tag
    size_t ContentStart;
    int Depth;            // element ancestors of Node
    bool LineBreak;       // the content written so far holds CR or LF
  };

  static constexpr size_t kHandOverSize = 32768;
  // The indentation is appended this many indentation texts at a time.
  static constexpr size_t kIndentPiece = 1024;

  // The position in the whole text of the end of out_.
  size_t Position() const { return handedOver_ + out_.size(); }

  // Once enough text has gathered, passes it to the sink, all but what Close may still look at
  // or change: the last two characters (the ">" of an element whose content is still empty
  // becomes "/>"; an end tag looks for a line break before it), and a high surrogate waiting for
  // its pair.
  void HandOver() {
    if (!sink_ || out_.size() < kHandOverSize) return;
    size_t count = out_.size() - kLineBreak.size();
    if (out_[count - 1] >= 0xD800 && out_[count - 1] <= 0xDBFF) --count;
    sink_(std::u16string_view(out_).substr(0, count));
    out_.erase(0, count);
    handedOver_ += count;
  }

  void Append(std::u16string_view piece) {
    out_ += piece;
    NoteLineBreaks(piece);
  }
  // Markup of the writer's own, which holds no line break.
  void AppendMarkup(std::u16string_view markup) { out_ += markup; }

  void NoteLineBreaks(std::u16string_view piece) {
    if (!frames_.back().LineBreak && HasLineBreak(piece)) frames_.back().LineBreak = true;
  }

  // A value escaped with TextToXML; text values are escaped straight from where they are kept.
  void AppendValue(const TXmlValue& value) {
    if (value.IsText()) {
      AppendTextToXML(out_, value.Text());
      NoteLineBreaks(value.Text());
    } else {
      const std::u16string text = value.ToXSTR();
      AppendTextToXML(out_, text);
      NoteLineBreaks(text);
    }
  }

  // Appends `depth` indentation texts, in pieces cut from a run of up to kIndentPiece of them:
  // the indentation of a deep document is far longer than the document.
  void Indent(int depth) {
    if (depth > 0 && indentHasLineBreak_) frames_.back().LineBreak = true;
    for (size_t left = size_t(std::max(depth, 0)); left > 0;) {
      const size_t count = std::min(left, kIndentPiece);
      while (indentRun_.size() < count * DefaultIndentText.size()) indentRun_ += DefaultIndentText;
      out_.append(indentRun_, 0, count * DefaultIndentText.size());
      left -= count;
      HandOver();
    }
  }

  void WriteAttributes(const TXmlNode& node) {
    for (const TXmlAttr& attr : node.Attrs()) {
      AppendMarkup(u" ");
      Append(IXmlNameTable::GetName(attr.Name));
      AppendMarkup(u"=\"");
      AppendValue(attr.Value);
      AppendMarkup(u"\"");
    }
  }

  void WriteCDATA(std::u16string_view text) {
    // A terminator inside the text splits it after its first bracket.
    for (size_t end; (end = text.find(u"]]>")) != std::u16string_view::npos; text.remove_prefix(end + 1)) {
      Append(u"<![CDATA[");
      Append(text.substr(0, end + 1));
      Append(u"]]>");
    }
    Append(u"<![CDATA[");
    Append(text);
    Append(u"]]>");
  }

  void WriteNode(const TXmlNode& node, int depth) {
    switch (node.GetNodeType()) {
      case NODE_DOCUMENT:
        if (node.HasChildNodes()) frames_.push_back({&node, 0, 0, 0, depth, false});
        break;
      case NODE_ELEMENT: {
        if (!preserve_) {
          Append(kLineBreak);
          Indent(depth);
        }
        AppendMarkup(u"<");
        Append(IXmlNameTable::GetName(node.NameId()));
        WriteAttributes(node);
        const size_t startTagEnd = Position();
        out_ += u'>';
        frames_.push_back({&node, 0, startTagEnd, Position(), depth, false});
        if (!node.HasChildNodes()) {
          if (!node.Value().IsEmpty()) AppendValue(node.Value());
          Close();
        }
        break;
      }
      case NODE_TEXT: AppendValue(node.Value()); break;
      case NODE_CDATA_SECTION: WriteCDATA(node.Text()); break;
      case NODE_COMMENT:
        Append(u"<!--");
        Append(node.Text());
        Append(u"-->");
        break;
      case NODE_PROCESSING_INSTRUCTION:
        Append(u"<?");
        Append(IXmlNameTable::GetName(node.NameId()));
        if (!node.Text().empty()) {
          Append(u" ");
          Append(node.Text());
        } else {
          WriteAttributes(node);
        }
        Append(u"?>");
        break;
      default: break;
    }
  }

  // Ends the innermost open node: an element gets its end tag or becomes an empty-element tag.
  void Close() {
    const TFrame frame = frames_.back();
    frames_.pop_back();
    if (frame.Node->GetNodeType() != NODE_ELEMENT) return;
    const std::u16string& name = IXmlNameTable::GetName(frame.Node->NameId());
    TFrame& parent = frames_.back();
    parent.LineBreak = parent.LineBreak || frame.LineBreak || !preserve_;
    if (Position() == frame.ContentStart) {
      out_.resize(frame.StartTagEnd - handedOver_);
      out_ += u"/>";
      return;
    }
    if (!preserve_ && frame.LineBreak) {
      if (!out_.ends_with(kLineBreak)) out_ += kLineBreak;
      Indent(frame.Depth);  // the parent has a line break already
    }
    out_ += u"</";
    out_ += name;
    out_ += u'>';
  }

  const bool preserve_;
  const bool indentHasLineBreak_;
  const TSink sink_;
  std::vector<TFrame> frames_;
  std::u16string out_;
  size_t handedOver_ = 0;  // the characters passed to the sink before out_
  std::u16string indentRun_;
};

}  // namespace

std::u16string WriteXmlText(const TXmlNode& node) { return TXmlTextWriter(node).Write(node); }

// ---------------------------------------------------------------------------------------------
// TXmlSaver: a 4,096-byte output buffer; each conversion takes at most a third of the free space
// in characters, so that even three bytes per character fit.

namespace {

class TXmlSaver {
 public:
  TXmlSaver(int32_t codePage, kelvra::TStream& stream) : stream_(stream), codePage_(codePage) {
    if (codePage != 65001) {
      converter_ = iconv_open(IconvCharset(codePage).c_str(), "UTF-16LE");
      if (converter_ == iconv_t(-1))
        throw EXmlError("Encoding \"" + IconvCharset(codePage) + "\" is not supported by SimpleXML");
    }
  }
  ~TXmlSaver() {
    if (converter_ != iconv_t(-1)) iconv_close(converter_);
  }

  void Write(std::u16string_view text) {
    while (!text.empty()) {
      if (kBufferSize - used_ < 12) Flush();
      size_t count = std::min(text.size(), (kBufferSize - used_) / 3);
      // Keep a surrogate pair together.
      if (count < text.size() && count > 1 && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) --count;
      Convert(text.substr(0, count));
      text.remove_prefix(count);
    }
  }

  void Finish() {
    if (converter_ != iconv_t(-1)) {  // return a stateful encoding to its initial state
      char* out = reinterpret_cast<char*>(buffer_ + used_);
      size_t outLeft = kBufferSize - used_;
      iconv(converter_, nullptr, nullptr, &out, &outLeft);
      used_ = kBufferSize - outLeft;
    }
    Flush();
  }

 private:
  static constexpr size_t kBufferSize = 4096;

  void Flush() {
    stream_.WriteBuffer(buffer_, int64_t(used_));
    used_ = 0;
  }

  void Convert(std::u16string_view chunk) {
    if (codePage_ == 65001) return EncodeUtf8(chunk);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(chunk.data()));
    size_t inLeft = chunk.size() * 2;
    while (inLeft > 0) {
      char* out = reinterpret_cast<char*>(buffer_ + used_);
      size_t outLeft = kBufferSize - used_;
      const size_t result = iconv(converter_, &in, &inLeft, &out, &outLeft);
      used_ = kBufferSize - outLeft;
      if (result != size_t(-1)) break;
      if (errno == E2BIG) {
        Flush();
      } else {  // a character the code page lacks, or a lone surrogate: written as "?"
        if (used_ == kBufferSize) Flush();
        buffer_[used_++] = '?';
        const char16_t c = *reinterpret_cast<const char16_t*>(in);
        const size_t skip = c >= 0xD800 && c <= 0xDBFF && inLeft >= 4 ? 4 : 2;
        in += skip;
        inLeft -= std::min(inLeft, skip);
      }
    }
  }

  // The built-in encoder; the chunk keeps surrogate pairs whole, a lone surrogate becomes U+FFFD.
  // ASCII goes eight characters at a time where SSE2 is there.
  void EncodeUtf8(std::u16string_view chunk) {
    uint8_t* out = buffer_ + used_;
    for (size_t i = 0; i < chunk.size(); ++i) {
#if defined(__SSE2__)
      for (__m128i chars; i + 8 <= chunk.size(); i += 8, out += 8) {
        chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk.data() + i));
        const __m128i high = _mm_and_si128(chars, _mm_set1_epi16(short(0xFF80)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(chars, chars));
      }
      if (i == chunk.size()) break;
#endif
      uint32_t c = chunk[i];
      if (c < 0x80) {
        *out++ = uint8_t(c);
        continue;
      }
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < chunk.size() && chunk[i + 1] >= 0xDC00 && chunk[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (chunk[++i] - 0xDC00);
        *out++ = uint8_t(0xF0 | c >> 18);
        *out++ = uint8_t(0x80 | (c >> 12 & 0x3F));
      } else {
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        if (c < 0x800) {
          *out++ = uint8_t(0xC0 | c >> 6);
          *out++ = uint8_t(0x80 | (c & 0x3F));
          continue;
        }
        *out++ = uint8_t(0xE0 | c >> 12);
      }
      *out++ = uint8_t(0x80 | (c >> 6 & 0x3F));
      *out++ = uint8_t(0x80 | (c & 0x3F));
    }
    used_ = size_t(out - buffer_);
  }

  kelvra::TStream& stream_;
  const int32_t codePage_;
  iconv_t converter_ = iconv_t(-1);
  uint8_t buffer_[kBufferSize];
  size_t used_ = 0;
};

}  // namespace

void SaveXmlText(const TXmlNode& node, int32_t codePage, kelvra::TStream& stream) {
  TXmlSaver saver(codePage, stream);
  TXmlTextWriter writer(node, [&saver](std::u16string_view text) { saver.Write(text); });
  saver.Write(writer.Write(node));
  saver.Finish();
}

}  // namespace corvane
