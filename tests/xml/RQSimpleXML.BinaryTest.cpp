#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.Classes.h"
#include "tests/xml/XmlTestSupport.h"

namespace corvane {
namespace {

using kelvra::TIntf;

using xmltest::Bytes;
using xmltest::MessageOf;
using xmltest::SaveText;

TEST(BinaryXml, CompactIntegerSizes) {
  // The element value's variant is type 3 + 4 bytes; attributes carry the values under test.
  // A byte array of `value` bytes stores its count as a compact integer of `size` bytes.
  const std::pair<int32_t, size_t> cases[] = {{0, 1}, {127, 1}, {128, 2}, {32511, 2}, {32512, 5}};
  for (const auto& [value, size] : cases) {
    TIntf<IXmlDocument> document = CreateXmlDocument();
    document->SetVarAttr(u"b", Variant::ByteArray(std::vector<uint8_t>(size_t(value), 7)));
    const std::string binary = document->GetBinaryXML();
    TIntf<IXmlDocument> empty = CreateXmlDocument();
    empty->SetVarAttr(u"b", Variant::ByteArray({}));
    EXPECT_EQ(binary.size() - empty->GetBinaryXML().size() - size_t(value), size - 1) << value;
    EXPECT_EQ(LoadXmlDocumentFromBinaryXML(binary)->GetVarAttr(u"b").AsBytes().size(), size_t(value));
  }
  // Negative values and hashes use the 5-byte form: an integer attribute keeps -1.
  TIntf<IXmlDocument> document = CreateXmlDocument(u"r");
  document->DocumentElement()->SetVarAttr(u"v", int32_t(-1));
  EXPECT_EQ(LoadXmlDocumentFromBinaryXML(document->GetBinaryXML())->DocumentElement()->GetVarAttr(u"v"),
            Variant(int32_t(-1)));
}

TEST(BinaryXml, ElementValueOnlyWithoutChildren) {
  TIntf<IXmlDocument> document = CreateXmlDocument();
  TIntf<IXmlElement> e = document->AppendElement(u"e");  // name hash of "e" = 101: one byte
  e->SetValue(int32_t(5));
  const std::string expected = std::string("\x00", 1)     // document attributes: 0
                               + "\x01"                    // one child
                               + "\x01" "\x65"             // element, hash 101
                               + "\x03" + std::string("\x05\x00\x00\x00", 4)  // integer 5
                               + std::string("\x00\x00", 2);  // no attributes, no children
  EXPECT_TRUE(document->GetBinaryXML().ends_with(expected));

  e->AppendText(u"t");
  const std::string withChild = std::string("\x00\x01\x01\x65\x00\x00\x01\x02", 8);  // empty variant
  EXPECT_NE(document->GetBinaryXML().find(withChild), std::string::npos);
}

TEST(BinaryXml, EveryVariantTypeRoundTrips) {
  using namespace kelvra;
  const Variant values[] = {
      Variant(),
      Variant::Null(),
      Variant(int16_t(-300)),
      Variant(int32_t(-70000)),
      Variant(1.5f),
      Variant(2.25),
      Variant(TCurrency{-123456}),
      Variant(EncodeDateTime(2020, 11, 26, 4, 4, 31, 500)),
      Variant::WideString(u"ol\u00E9", varOleStr),
      Variant(true),
      Variant(int8_t(-8)),
      Variant(uint8_t(200)),
      Variant(uint16_t(60000)),
      Variant(uint32_t(4000000000u)),
      Variant(int64_t(-5000000000)),
      Variant::AnsiString("ansi \xC3\xA9"),
      Variant(u"unicode \u20AC"),
      Variant::ByteArray({0, 1, 255}),
  };
  for (uint32_t options : {0u, 1u}) {
    TIntf<IXmlDocument> document = CreateXmlDocument(u"r");
    TIntf<IXmlElement> root = document->DocumentElement();
    for (size_t i = 0; i < std::size(values); ++i)
      root->AppendElement(u"v")->SetVarAttr(u"a" + std::u16string(1, char16_t(u'a' + i)), values[i]);
    root->AppendElement(u"t")->AppendText(u"")->SetValue(values[10]);
    kelvra::TMemoryStream stream;
    document->SaveBinary(stream, options);
    stream.SetPosition(0);
    TIntf<IXmlDocument> back = LoadXmlDocument(stream);
    TIntf<IXmlNodeList> children = back->DocumentElement()->GetChildNodes();
    for (size_t i = 0; i < std::size(values); ++i) {
      const Variant v = children->Get(int32_t(i))->GetVarAttr(u"a" + std::u16string(1, char16_t(u'a' + i)));
      EXPECT_EQ(v, values[i]) << "value " << i << " options " << options;
    }
    EXPECT_EQ(children->Get(int32_t(std::size(values)))->GetChildNodes()->Get(0)->GetValue(), values[10]);
  }
  // A boolean reads back true from any non-zero payload; unsigned 64-bit and interfaces are
  // refused on writing.
  for (const Variant& refused :
       {Variant(uint64_t(1)), Variant(TIntf<IXmlDocument>(CreateXmlDocument()))}) {
    TIntf<IXmlDocument> document = CreateXmlDocument(u"r");
    document->DocumentElement()->SetVarAttr(u"u", refused);
    EXPECT_EQ(MessageOf<EXmlError>([&] { document->GetBinaryXML(); }),
              "Unknown data type in variant");
  }
}

TEST(BinaryXml, WideOptionStoresNamesAndTextsAsUtf16) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"r");
  document->DocumentElement()->AppendComment(u"\u00E9t\u00E9");
  for (uint32_t options : {0u, 1u}) {
    kelvra::TMemoryStream stream;
    document->SaveBinary(stream, options);
    const std::string binary = Bytes(stream);
    uint32_t stored;
    std::memcpy(&stored, binary.data() + 14, 4);
    EXPECT_EQ(stored, options);
    const std::string wide("\x03\xE9\x00t\x00\xE9\x00", 7);
    const std::string utf8("\x05\xC3\xA9t\xC3\xA9", 6);
    EXPECT_NE(binary.find(options ? wide : utf8), std::string::npos);
    EXPECT_NE(binary.find(options ? std::string("\x05#\x00t\x00", 5) : std::string("\x05#text")),
              std::string::npos);
    stream.SetPosition(0);
    EXPECT_EQ(SaveText(LoadXmlDocument(stream)), SaveText(document));
  }
}

// A stream is read in windows of 64 KiB: hashes, counts, numbers and strings of varied lengths
// fall across their ends, in both string forms. A stream cut short ends in a read error.
TEST(BinaryXml, StreamInputAcrossWindows) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"r");
  TIntf<IXmlElement> root = document->DocumentElement();
  for (int32_t i = 0; i < 4000; ++i) {
    TIntf<IXmlElement> item = root->AppendElement(u"item" + std::u16string(size_t(i % 3), u'x'));
    item->SetVarAttr(u"n", kelvra::Variant(int32_t(i * 977)));
    item->SetAttr(u"s", std::u16string(size_t(i % 41), u'\u00E9'));
    item->AppendComment(std::u16string(size_t(i % 23), u'c'));
  }
  for (uint32_t options : {0u, 1u}) {
    kelvra::TMemoryStream stream;
    document->SaveBinary(stream, options);
    ASSERT_GT(stream.Size(), 3 * 65536);
    stream.SetPosition(0);
    EXPECT_EQ(SaveText(LoadXmlDocument(stream)), SaveText(document)) << options;
    const std::string binary = Bytes(stream);
    for (size_t cut : {size_t(14 + 65536 + 1), binary.size() / 2, binary.size() - 1}) {
      kelvra::TMemoryStream truncated;
      truncated.WriteBuffer(binary.data(), int64_t(cut));
      truncated.SetPosition(0);
      EXPECT_THROW(LoadXmlDocument(truncated), kelvra::EReadError) << options << " " << cut;
    }
  }
}

TEST(BinaryXml, TextToBinaryToTextOnVariedDocuments) {
  const char* documents[] = {
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?><!--c--><r a=\"\x80\"><![CDATA[x]]]]><![CDATA[>y]]>"
      "<?pi data?><e>t &amp; u</e><f/></r>",
      "<r><a><b><c>deep</c></b></a><w x=\"1\" y=\"2\" z=\"3\"/></r>",
  };
  for (const char* xml : documents) {
    TIntf<IXmlDocument> document = LoadXmlDocumentFromXML(xml);
    const std::string binary = document->GetBinaryXML();
    EXPECT_TRUE(XmlIsInBinaryFormat(binary));
    EXPECT_EQ(SaveText(LoadXmlDocumentFromXML(binary)), SaveText(document));
  }
  // Texts of 3-byte characters decode to a third as many code units: short and long ones.
  for (size_t count : {5, 100, 3000}) {
    std::string euros;
    for (size_t i = 0; i < count; ++i) euros += "\xE2\x82\xAC";
    TIntf<IXmlDocument> document = LoadXmlDocumentFromXML("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r a=\"" + euros + "\">" + euros + "</r>");
    TIntf<IXmlDocument> loaded = LoadXmlDocumentFromXML(document->GetBinaryXML());
    EXPECT_EQ(loaded->DocumentElement()->GetAttr(u"a"), std::u16string(count, u'\u20AC'));
    EXPECT_EQ(SaveText(loaded), SaveText(document)) << count;
  }
}

// Values of every length around the sizes a value keeps in place and the decoder's block sizes,
// with a character of each UTF-8 length at every position; names of every length that differ in
// their last character only. Read from text, then from the binary form of that document.
TEST(BinaryXml, ValuesAndNamesOfEveryLengthSurviveBothForms) {
  const std::pair<std::string, std::u16string> inserts[] = {
      {"", u""}, {"\xC3\xA9", u"\u00E9"}, {"\xE2\x82\xAC", u"\u20AC"}, {"\xF0\x9F\x98\x80", u"\U0001F600"}};
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>";
  std::vector<std::u16string> values, names;
  for (size_t length = 0; length <= 34; ++length)
    for (const auto& [utf8, utf16] : inserts)
      for (size_t at = 0; at <= length; at += utf8.empty() ? length + 1 : 1) {
        std::string value8;
        std::u16string value;
        for (size_t i = 0; i < length; ++i) {
          if (i == at) value8 += utf8, value += utf16;
          value8 += char('a' + i % 26);
          value += char16_t('a' + i % 26);
        }
        const std::u16string name = std::u16string(length % 12, u'n') + char16_t(u'a' + at % 4);
        xml += "<" + kelvra::Utf16ToUtf8(name) + " x=\"" + value8 + "\">" + value8 + "</" + kelvra::Utf16ToUtf8(name) + ">";
        values.push_back(value);
        names.push_back(name);
      }
  xml += "</r>";
  TIntf<IXmlDocument> parsed = LoadXmlDocumentFromXML(xml);
  for (const TIntf<IXmlDocument>& document : {parsed, LoadXmlDocumentFromXML(parsed->GetBinaryXML())}) {
    TIntf<IXmlNodeList> items = document->DocumentElement()->GetChildNodes();
    ASSERT_EQ(size_t(items->GetCount()), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
      TIntf<IXmlNode> item = items->Get(int32_t(i));
      EXPECT_EQ(item->GetNodeName(), names[i]) << i;
      EXPECT_EQ(item->GetAttr(u"x"), values[i]) << i;
      EXPECT_EQ(item->HasChildNodes() ? VarToXSTR(item->GetChildNodes()->Get(0)->GetValue()) : u"", values[i]) << i;
    }
  }
}

// Elements read from the binary form share a block with their attributes. Editing them gives the
// parts back one by one, and the nodes and attributes made afterwards take the freed blocks: the
// same edits on the document read from text must give the same document.
TEST(BinaryXml, LoadedElementsStayEditable) {
  std::string xml = "<r>";
  for (int i = 0; i < 60; ++i) {
    const std::string n = std::to_string(i);
    xml += "<one a=\"" + n + "\"/><three a=\"" + n + "\" b=\"a longer value " + n + "\" c=\"c\"/>"
           "<eight a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\" f=\"6\" g=\"7\" h=\"8\"/><none>" + n + "</none>";
  }
  xml += "</r>";
  const auto edit = [](const TIntf<IXmlDocument>& document) {
    TIntf<IXmlElement> root = document->DocumentElement();
    TIntf<IXmlNodeList> items = root->GetChildNodes();
    for (int32_t i = items->GetCount() - 1; i >= 0; i -= 3) items->Delete(i);
    for (int32_t i = 0; i < items->GetCount(); ++i) {
      TIntf<IXmlNode> item = items->Get(i);
      item->SetAttr(u"added", u"a value kept in the store");
      item->RemoveAttr(u"a");
    }
    for (int i = 0; i < 100; ++i) root->AppendElement(u"new")->SetAttr(u"n", std::u16string(size_t(i % 20), u'v'));
    return SaveText(document);
  };
  TIntf<IXmlDocument> parsed = LoadXmlDocumentFromXML(xml);
  TIntf<IXmlDocument> loaded = LoadXmlDocumentFromBinaryXML(parsed->GetBinaryXML());
  EXPECT_EQ(edit(loaded), edit(parsed));
}

TEST(BinaryXml, ExactlyTheSignatureIsText) {
  kelvra::TMemoryStream stream;
  stream.WriteBuffer(BinXmlSignature.data(), 14);
  stream.SetPosition(0);
  // Parsed as text: "<" followed by a blank is not a name.
  EXPECT_EQ(MessageOf<EXmlError>([&] { LoadXmlDocument(stream); }),
            "Name must start with letter or \" _\"");
}

// A stream that reads forward only, a few bytes at a time, as a pipe does: it can neither move
// back nor tell its size.
class TPipeStream : public kelvra::TStream {
 public:
  explicit TPipeStream(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t Read(void* buffer, int64_t count) override {
    const size_t n = std::min({size_t(count), bytes_.size() - position_, size_t(7)});
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return int64_t(n);
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t, kelvra::TSeekOrigin) override { return -1; }
  void SetSize(int64_t) override {}

 private:
  std::string bytes_;
  size_t position_ = 0;
};

TEST(BinaryXml, BothFormsLoadFromPipes) {
  TIntf<IXmlDocument> document = LoadXmlDocumentFromXML("<r a=\"1\"><e>text</e><!--c--></r>");
  kelvra::TMemoryStream wide;
  document->SaveBinary(wide, 1);
  const std::string binary = document->GetBinaryXML();
  for (const std::string& bytes : {SaveText(document), binary, Bytes(wide)}) {
    TPipeStream pipe(bytes);
    EXPECT_EQ(SaveText(LoadXmlDocument(pipe)), SaveText(document));
  }
  TPipeStream cut(binary.substr(0, binary.size() - 1));
  EXPECT_THROW(LoadXmlDocument(cut), kelvra::EReadError);
  TPipeStream signature(BinXmlSignature);
  EXPECT_THROW(LoadXmlDocument(signature), EXmlError);  // parsed as text
}

TEST(BinaryXml, MissingHashGivesEmptyName) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"root");
  std::string binary = document->GetBinaryXML();
  // Rename "root" in the stored name table: its hash no longer finds it.
  binary.replace(binary.find("root"), 4, "toor");
  TIntf<IXmlDocument> back = LoadXmlDocumentFromBinaryXML(binary);
  EXPECT_EQ(back->DocumentElement()->GetNodeName(), u"");
}

TEST(BinaryXml, DamagedInputRaisesErrors) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"root");
  document->DocumentElement()->SetAttr(u"a", u"value");
  document->DocumentElement()->AppendElement(u"child")->SetValue(1.5);
  const std::string binary = document->GetBinaryXML();
  // Every truncation ends in a read error, never a read past the end.
  for (size_t n = 15; n < binary.size(); ++n)
    EXPECT_THROW(LoadXmlDocumentFromBinaryXML(binary.substr(0, n)), kelvra::EReadError) << n;

  const auto message = [](const std::string& bytes) {
    return MessageOf([&] { LoadXmlDocumentFromBinaryXML(bytes); });
  };
  const std::string header = BinXmlSignature + std::string(4, '\0') + std::string(1, '\0') + std::string(1, '\0');
  EXPECT_EQ(message(header + "\x01\x09"), "Error of reading binary XML: incorrect node-type");
  EXPECT_EQ(message(header + "\x01\x02\x09"), "Error reading value: incorrect type");
  // A huge count is refused before anything is allocated for it.
  EXPECT_EQ(message(header + "\x01\x03\xFF\xFF\xFF\xFF\x7F"), "Stream read error");
  EXPECT_EQ(message(header + std::string("\x01\x02\xFF\x11\x20\x00\x00\xFF\xFF\xFF\x7F", 11)),
            "Stream read error");
  EXPECT_EQ(message(header + "\xFF\xFF\xFF\xFF\xFF"), "Stream read error");  // negative count
}

}  // namespace
}  // namespace corvane
