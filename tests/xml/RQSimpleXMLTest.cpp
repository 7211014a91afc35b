#include "corvane/xml/RQSimpleXML.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "fuzz/FuzzSupport.h"
#include "kelvra/Kelvra.Classes.h"
#include "tests/xml/XmlTestSupport.h"

namespace corvane {
namespace {

using kelvra::TIntf;
using xmltest::MessageOf;
using xmltest::SaveText;

std::string Utf8(std::u16string_view s) { return kelvra::Utf16ToUtf8(s); }

TIntf<IXmlDocument> Parse(std::string_view xml, bool preserve = false) {
  TIntf<IXmlDocument> document = CreateXmlDocument();
  document->SetPreserveWhiteSpace(preserve);
  document->LoadXML(xml);
  return document;
}

// The text of the node's first child.
std::u16string FirstText(const TIntf<IXmlNode>& node) {
  return VarToXSTR(node->GetChildNodes()->Get(0)->GetValue());
}

std::string ErrorOf(std::string_view xml) {
  return MessageOf<EXmlError>([&] { Parse(xml); });
}

// ---------------------------------------------------------------------------------------------

TEST(XmlNameTable, InternsNamesByIdentityWithTheDocumentedHash) {
  EXPECT_EQ(XmlNameHash(u""), 0u);
  EXPECT_EQ(XmlNameHash(u"a"), 97u);
  EXPECT_EQ(XmlNameHash(u"ab"), 97u + ((97u << 6) ^ 98u));
  TIntf<IXmlNameTable> names = CreateNameTable(7);
  const TXmlNameId a = names->GetID(u"alpha");
  EXPECT_EQ(names->GetID(std::u16string(u"alp") + u"ha"), a);
  EXPECT_NE(names->GetID(u"beta"), a);
  EXPECT_EQ(names->GetID(u""), nullptr);
  EXPECT_EQ(IXmlNameTable::GetName(a), u"alpha");
  // Elements of one document share its table: their names are the same identifiers.
  TIntf<IXmlDocument> document = CreateXmlDocument(u"root", u"", u"", names);
  EXPECT_EQ(document->GetNameTable(), names);
}

TEST(XmlDocument, NewDocumentHasDeclarationAndRoot) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"root");
  ASSERT_EQ(document->GetChildNodes()->GetCount(), 2);
  TIntf<IXmlNode> declaration = document->GetChildNodes()->Get(0);
  EXPECT_EQ(declaration->GetNodeType(), NODE_PROCESSING_INSTRUCTION);
  EXPECT_EQ(declaration->GetAttr(u"version"), u"1.0");
  EXPECT_EQ(declaration->GetAttr(u"encoding"), u"UTF-8");
  EXPECT_EQ(document->DocumentElement()->GetNodeName(), u"root");
  EXPECT_EQ(SaveText(document), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root/>");
}

TEST(XmlNodeList, EditsAndRangeError) {
  TIntf<IXmlElement> root = CreateXmlElement(u"root");
  TIntf<IXmlNodeList> list = root->GetChildNodes();
  TIntf<IXmlElement> a = CreateXmlElement(u"a", root->GetNameTable());
  TIntf<IXmlElement> b = CreateXmlElement(u"b", root->GetNameTable());
  list->Insert(a);
  list->Insert(b, 0);
  EXPECT_EQ(list->IndexOf(a.get()), 1);
  EXPECT_EQ(a->GetParentNode(), static_cast<IXmlNode*>(root.get()));
  list->Exchange(0, 1);
  EXPECT_EQ(list->Get(0), TIntf<IXmlNode>(a));
  list->Remove(a);
  EXPECT_EQ(a->GetParentNode(), nullptr);
  EXPECT_EQ(list->GetCount(), 1);
  list->Replace(0, a);
  EXPECT_EQ(list->Get(0), TIntf<IXmlNode>(a));
  EXPECT_EQ(b->GetParentNode(), nullptr);
  for (int32_t bad : {-1, 1})
    EXPECT_EQ(MessageOf<EXmlError>([&] { list->Get(bad); }),
              "Error obtaining the element the list: Index out of range");
  // Moving a node to another parent takes it out of the first.
  TIntf<IXmlElement> other = CreateXmlElement(u"other", root->GetNameTable());
  other->AppendChild(a);
  EXPECT_EQ(list->GetCount(), 0);
  list->Clear();
}

// A node's child list lives as long as the node; a node made in the slot of a deleted one gets
// a list of its own.
TEST(XmlNodeList, EachNodeHasItsOwnListForItsLifetime) {
  TIntf<IXmlDocument> document = LoadXmlDocumentFromXML("<r><a><x/></a></r>");
  TIntf<IXmlElement> root = document->DocumentElement();
  EXPECT_EQ(root->GetChildNodes(), root->GetChildNodes());
  TIntf<IXmlNodeList> ofA = root->GetChildNodes()->Get(0)->GetChildNodes();
  EXPECT_EQ(ofA->GetCount(), 1);
  root->GetChildNodes()->Delete(0);  // `a` lives on through its list
  EXPECT_EQ(ofA->Get(0)->GetNodeName(), u"x");
  ofA = nullptr;
  for (int i = 0; i < 4; ++i) {
    TIntf<IXmlNodeList> fresh = root->AppendElement(u"b")->GetChildNodes();
    EXPECT_EQ(fresh->GetCount(), 0);
  }
}

// Nodes live in their document's memory: a node held past its document, one moved into another
// document, and the slots freed by deleted nodes must all stay sound (run under the sanitizers).
TEST(XmlNode, NodesOutliveTheirDocumentAndMoveBetweenDocuments) {
  TIntf<IXmlNode> kept;
  TIntf<IXmlNodeList> keptChildren;
  TIntf<IXmlDocument> target = CreateXmlDocument(u"target");
  {
    TIntf<IXmlDocument> source = Parse("<r><a x=\"long attribute value\"><b>text</b><c/></a><d/></r>");
    TIntf<IXmlElement> root = source->DocumentElement();
    kept = root->GetChildNodes()->Get(0);
    keptChildren = kept->GetChildNodes();
    target->DocumentElement()->AppendChild(root->GetChildNodes()->Get(1));  // <d/> moves
    EXPECT_EQ(root->GetChildNodes()->GetCount(), 1);
  }
  // The source document is gone; <a> and its subtree are a free tree now.
  EXPECT_EQ(kept->GetParentNode(), nullptr);
  EXPECT_EQ(kept->GetOwnerDocument(), TIntf<IXmlDocument>());
  EXPECT_EQ(Utf8(kept->GetAttr(u"x")), "long attribute value");
  ASSERT_EQ(keptChildren->GetCount(), 2);
  EXPECT_EQ(Utf8(keptChildren->Get(0)->GetXml()), "\r\n\t<b>text</b>");
  kept = nullptr;
  EXPECT_EQ(keptChildren->GetCount(), 2);  // the list keeps its node alive
  keptChildren = nullptr;
  TIntf<IXmlNode> moved = target->DocumentElement()->GetChildNodes()->Get(0);
  EXPECT_EQ(Utf8(moved->GetNodeName()), "d");
  EXPECT_EQ(moved->GetOwnerDocument(), target);
  // Churn: deleted nodes give their slots back and new ones reuse them.
  TIntf<IXmlElement> root = target->DocumentElement();
  for (int i = 0; i < 1000; ++i) {
    TIntf<IXmlElement> e = root->AppendElement(u"e");
    e->SetAttr(u"n", u"a value longer than the short-string buffer");
    e->AppendText(u"t");
    root->GetChildNodes()->Delete(root->GetChildNodes()->GetCount() - 1);
  }
  EXPECT_EQ(SaveText(target), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<target>\r\n\t<d/>\r\n</target>");
}

// Values are kept as text where they are text and as Variants otherwise; a tree that nothing
// else refers to goes at once with its document, one that is still referred to node by node
// (run under the sanitizers: nothing may leak or be read after it is freed).
TEST(XmlNode, ValuesKeepTheirTypesAndTreesGoWithTheirDocument) {
  TIntf<IXmlElement> e = CreateXmlElement(u"e");
  e->SetVarAttr(u"i", int32_t(7));
  e->SetVarAttr(u"w", Variant::WideString(u"ole", kelvra::varOleStr));
  e->SetAttr(u"t", u"text");
  EXPECT_EQ(e->GetVarAttr(u"i").VarType(), kelvra::varInteger);
  EXPECT_EQ(e->GetVarAttr(u"w").VarType(), kelvra::varOleStr);
  EXPECT_EQ(e->GetVarAttr(u"t"), Variant(u"text"));
  EXPECT_EQ(e->GetVarAttr(u"t", 1.5), Variant(u"text"));
  EXPECT_TRUE(e->GetVarAttr(u"none").IsEmpty());
  e->SetAttr(u"i", u"now text");
  e->SetVarAttr(u"t", 2.5);
  EXPECT_EQ(e->GetAttr(u"i"), u"now text");
  EXPECT_EQ(e->GetVarAttr(u"t").VarType(), kelvra::varDouble);
  e->SetValue(int64_t(42));
  EXPECT_EQ(e->GetValue().VarType(), kelvra::varInt64);
  e->SetValue(Variant(u""));
  EXPECT_EQ(e->GetValue(), Variant(u""));
  e->RemoveAttr(u"w");
  EXPECT_EQ(e->AttrCount(), 2);

  const std::string big(10000, 'v');  // past the store's largest block
  const std::string xml = "<r a=\"" + big + "\"><e n=\"1\">" + big + "</e><e n=\"2\"><f/></e><g/></r>";
  { TIntf<IXmlDocument> dropped = Parse(xml); }
  {
    TIntf<IXmlDocument> boxed = Parse(xml);
    boxed->DocumentElement()->SetVarAttr(u"when", kelvra::TDateTime{1.5});
  }
  TIntf<IXmlNodeList> selection;
  {
    TIntf<IXmlDocument> document = Parse(xml);
    selection = document->DocumentElement()->SelectNodes(u"e");
  }
  ASSERT_EQ(selection->GetCount(), 2);
  EXPECT_EQ(selection->Get(0)->GetChildNodes()->Get(0)->GetValue(), Variant(kelvra::Utf8ToUtf16(big)));
  EXPECT_EQ(selection->Get(1)->GetAttr(u"n"), u"2");
  EXPECT_EQ(Utf8(selection->Get(1)->GetChildNodes()->Get(0)->GetNodeName()), "f");
  EXPECT_EQ(selection->Get(1)->GetParentNode(), nullptr);
}

TEST(XmlNode, AttributesOptionalAndRequiredReads) {
  TIntf<IXmlElement> e = CreateXmlElement(u"item");
  e->SetAttr(u"name", u"x");
  e->SetVarAttr(u"count", int32_t(42));
  e->SetVarAttr(u"ratio", 0.5);
  e->SetVarAttr(u"flag", true);
  e->SetAttr(u"mode", u"fast");
  e->SetAttr(u"name", u"y");  // replaces
  EXPECT_EQ(e->AttrCount(), 5);
  EXPECT_EQ(e->AttrName(0), u"name");
  EXPECT_EQ(e->GetAttr(u"name"), u"y");
  EXPECT_EQ(e->GetAttr(u"missing", u"dflt"), u"dflt");
  EXPECT_EQ(e->GetIntAttr(u"count"), 42);
  EXPECT_EQ(e->GetIntAttr(u"missing", 7), 7);
  EXPECT_DOUBLE_EQ(e->GetFloatAttr(u"ratio"), 0.5);
  EXPECT_TRUE(e->GetBoolAttr(u"flag"));
  const std::u16string modes[] = {u"slow", u"fast"};
  EXPECT_EQ(e->GetEnumAttr(u"mode", modes, 0), 1);
  EXPECT_EQ(e->GetEnumAttr(u"absent", modes, 0), 0);
  EXPECT_EQ(e->NeedAttr(u"name"), u"y");
  EXPECT_EQ(MessageOf([&] { e->NeedAttr(u"absent"); }), "Attribute \"absent\" not assigned");
  EXPECT_EQ(MessageOf([&] { e->NeedEnumAttr(u"absent", modes); }), "Attribute \"absent\" not found");
  e->SetAttr(u"mode", u"warp");
  EXPECT_EQ(MessageOf([&] { e->NeedEnumAttr(u"mode", modes); }),
            "Incorrect value of the attribute \"mode\" at element \"item\".\r\nAllowed values are: "
            "\r\nslow, fast");
  EXPECT_EQ(MessageOf([&] { e->NeedChild(u"part"); }), "Error: Child node \"part\" not found");
  e->RemoveAttr(u"mode");
  EXPECT_FALSE(e->AttrExists(u"mode"));
}

TEST(XmlNode, SelectNodesByPathAndFullPath) {
  TIntf<IXmlDocument> document =
      Parse("<r><a><b>1</b><b>2</b><c/></a><a><b>3</b></a><b>top</b></r>");
  TIntf<IXmlElement> root = document->DocumentElement();
  EXPECT_EQ(root->SelectNodes(u"a")->GetCount(), 2);
  TIntf<IXmlNodeList> bs = root->SelectNodes(u"a\\b");  // the first a only
  ASSERT_EQ(bs->GetCount(), 2);
  EXPECT_EQ(bs->Get(1)->GetXml(), u"\r\n\t\t<b>2</b>");
  EXPECT_EQ(root->SelectNodes(u"x\\b")->GetCount(), 0);
  EXPECT_EQ(bs->Get(0)->FullPath(), u"r\\a\\b");
  EXPECT_EQ(root->SelectSingleNode(u"a\\c")->GetNodeName(), u"c");
  EXPECT_EQ(MessageOf<EXmlError>([&] { root->SelectNodes(u"a/b"); }),
            "This feature is not supported by SimpleXML");
  // Selections do not re-parent their nodes.
  EXPECT_EQ(bs->Get(0)->GetParentNode()->GetNodeName(), u"a");
}

TEST(XmlNode, PrepareToSaveAndLoad) {
  TIntf<IXmlElement> root = CreateXmlElement(u"root");
  TIntf<IXmlElement> e = root;
  PrepareToSaveXml(e, u"");
  EXPECT_EQ(e, root);
  PrepareToSaveXml(e, u"settings");
  EXPECT_EQ(e->GetNodeName(), u"settings");
  TIntf<IXmlElement> r = root;
  EXPECT_TRUE(PrepareToLoadXml(r, u"settings"));
  EXPECT_EQ(r, e);
  r = root;
  EXPECT_FALSE(PrepareToLoadXml(r, u"missing"));
  TIntf<IXmlElement> none;
  EXPECT_FALSE(PrepareToLoadXml(none, u"settings"));
}

// ---- text parsing

TEST(XmlParser, TrimsTextUnlessWhiteSpaceIsPreserved) {
  TIntf<IXmlDocument> trimmed = Parse("<a>  hello world \n</a>");
  TIntf<IXmlNode> text = trimmed->DocumentElement()->GetChildNodes()->Get(0);
  EXPECT_EQ(text->GetNodeType(), NODE_TEXT);
  EXPECT_EQ(VarToXSTR(text->GetValue()), u"hello world");
  TIntf<IXmlDocument> kept = Parse("<a>  hello world \n</a>", true);
  EXPECT_EQ(FirstText(kept->DocumentElement()), u"  hello world \n");
  EXPECT_EQ(SaveText(kept), "<a>  hello world \n</a>");
}

TEST(XmlParser, EmptyElementsBothWaysWriteBackAsEmptyTags) {
  TIntf<IXmlDocument> document = Parse("<r><a/><b></b><c x='1' /></r>");
  TIntf<IXmlElement> root = document->DocumentElement();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(root->GetChildNodes()->Get(i)->HasChildNodes());
  EXPECT_EQ(SaveText(document), "\r\n<r>\r\n\t<a/>\r\n\t<b/>\r\n\t<c x=\"1\"/>\r\n</r>");
}

TEST(XmlParser, EntitiesAndCharacterReferences) {
  TIntf<IXmlDocument> document =
      Parse("<a t=\"&quot;&apos;&lt;&gt;&amp;&#65;&#x41;&#x1F600;\">&#65;&#x41;&lt;&amp;</a>");
  TIntf<IXmlElement> a = document->DocumentElement();
  EXPECT_EQ(a->GetAttr(u"t"), u"\"'<>&AA\U0001F600");
  EXPECT_EQ(FirstText(a), u"AA<&");
  // Apostrophes are not escaped on output.
  EXPECT_EQ(Utf8(a->GetXml()), "\r\n<a t=\"&quot;'&lt;&gt;&amp;AA\xF0\x9F\x98\x80\">AA&lt;&amp;</a>");
}

TEST(XmlParser, CommentsCDATAInstructionsAndDoctype) {
  TIntf<IXmlDocument> document = Parse(
      "<!DOCTYPE r SYSTEM \"x\"><r><!-- a -- b --><![CDATA[x<y]]z]]]><?go fast now?></r>");
  TIntf<IXmlNodeList> children = document->DocumentElement()->GetChildNodes();
  ASSERT_EQ(children->GetCount(), 3);
  EXPECT_EQ(children->Get(0)->GetNodeType(), NODE_COMMENT);
  EXPECT_EQ(VarToXSTR(children->Get(0)->GetValue()), u" a -- b ");
  EXPECT_EQ(children->Get(1)->GetNodeType(), NODE_CDATA_SECTION);
  // The partial terminator "]]" followed by "]" is not lost: the text ends with "]".
  EXPECT_EQ(VarToXSTR(children->Get(1)->GetValue()), u"x<y]]z]");
  EXPECT_EQ(children->Get(2)->GetNodeName(), u"go");
  EXPECT_EQ(VarToXSTR(children->Get(2)->GetValue()), u"fast now");
  EXPECT_EQ(document->GetChildNodes()->GetCount(), 1);  // the declaration is discarded
}

TEST(XmlParser, TerminatorScanningLosesAndRepeatsNoCharacter) {
  for (const char* text : {"- -", "-- >", "---", "a--b-", "-", "-\n->"}) {
    TIntf<IXmlDocument> document = Parse(std::string("<r><!--") + text + "--></r>");
    EXPECT_EQ(Utf8(FirstText(document->DocumentElement())), text);
  }
  for (const char* text : {"]", "]]", "]]]", "]>", "a]]b]"}) {
    TIntf<IXmlDocument> document = Parse(std::string("<r><![CDATA[") + text + "]]></r>");
    EXPECT_EQ(Utf8(FirstText(document->DocumentElement())), text);
  }
}

TEST(XmlParser, UnicodeNames) {
  TIntf<IXmlDocument> document = Parse("<?xml version=\"1.0\"?><\xC3\xA9l\xC3\xA9ment_1 a.b-c:d=\"1\"/>");
  EXPECT_EQ(document->DocumentElement()->GetNodeName(), u"\u00E9l\u00E9ment_1");
  EXPECT_EQ(document->DocumentElement()->AttrName(0), u"a.b-c:d");
}

TEST(XmlParser, WithoutDeclarationEveryByteIsOneCharacter) {
  TIntf<IXmlElement> root = Parse("<a>caf\xC3\xA9</a>")->DocumentElement();
  EXPECT_TRUE(root->GetValue().IsEmpty());
  EXPECT_EQ(FirstText(root), u"caf\u00C3\u00A9");
}

TEST(XmlParser, DeclaredEncodingsAreDecoded) {
  struct {
    const char* encoding;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"utf-8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", u"caf\u00E9 \u20AC \U0001F600"},
      {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", u"\u041F\u0440\u0438\u0432\u0435\u0442"},
      {"WINDOWS-1252", "\x80\xE9", u"\u20AC\u00E9"},
      {"iso-8859-7", "\xE1\xE2", u"\u03B1\u03B2"},
      {"ISO-8859-1", "\xE9", u"\u00E9"},
      {"ISO-2022-JP", "\x1B$B$\"\x1B(B", u"\u3042"},
  };
  for (const auto& c : cases) {
    // Long enough to be decoded in several chunks, from memory and from a stream.
    std::string bytes;
    std::u16string text;
    while (bytes.size() < 40000) bytes += c.bytes + "x", text += c.text + u"x";
    const std::string xml =
        std::string("<?xml version=\"1.0\" encoding=\"") + c.encoding + "\"?><a>" + bytes + "</a>";
    TIntf<IXmlDocument> document = Parse(xml);
    EXPECT_EQ(FirstText(document->DocumentElement()), text) << c.encoding;
    kelvra::TMemoryStream stream;
    stream.WriteBuffer(xml.data(), int64_t(xml.size()));
    stream.Seek(0, kelvra::soBeginning);
    TIntf<IXmlDocument> fromStream = CreateXmlDocument();
    fromStream->Load(stream);
    EXPECT_EQ(FirstText(fromStream->DocumentElement()), text) << c.encoding;
    // Saved back in the same encoding, the bytes come back.
    EXPECT_NE(SaveText(document).find(c.bytes), std::string::npos) << c.encoding;
  }
}

TEST(XmlParser, Utf8SequencesAcrossChunkBoundaries) {
  // Multi-byte sequences at every offset around the 16,384-byte chunk edges.
  std::string xml = "<?xml version=\"1.0\"?><a>";
  std::u16string expected;
  while (xml.size() < 50000) {
    xml += "x\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9";
    expected += u"x\u20AC\U0001F600\u00E9";
  }
  xml += "</a>";
  for (size_t shift = 0; shift < 4; ++shift) {
    std::string shifted = xml;
    shifted.insert(shifted.find("<a>"), std::string(shift, ' '));
    TIntf<IXmlDocument> document = Parse(shifted);
    EXPECT_EQ(FirstText(document->DocumentElement()), expected);
  }
}

TEST(XmlParser, NamesAcrossChunkBoundaries) {
  for (size_t shift = 0; shift < 40; ++shift) {
    std::string xml = "<r>" + std::string(shift, ' ');
    while (xml.size() < 40000) xml += "<a_rather_long_element_name an_attribute_name=\"v\"/>";
    TIntf<IXmlNodeList> items = Parse(xml + "</r>")->DocumentElement()->GetChildNodes();
    for (int32_t i = 0; i < items->GetCount(); ++i) {
      ASSERT_EQ(items->Get(i)->GetNodeName(), u"a_rather_long_element_name") << shift;
      ASSERT_EQ(items->Get(i)->GetAttr(u"an_attribute_name"), u"v") << shift;
    }
  }
}

TEST(XmlParser, EntitiesAcrossChunkBoundaries) {
  // The predefined entities in a text and in an attribute value, each cut at every point by the
  // chunk edges: the shifts move a 25-character run across them.
  const std::string run = "&amp;&lt;&gt;&quot;&apos;";
  std::string encoded;
  std::u16string decoded;
  while (encoded.size() < 20000) encoded += run, decoded += u"&<>\"'";
  for (size_t shift = 0; shift < run.size(); ++shift) {
    const std::string xml = "<r>" + std::string(shift, ' ') + "<t>" + encoded + "</t><a v=\"" + encoded + "\"/></r>";
    TIntf<IXmlElement> root = Parse(xml)->DocumentElement();
    TIntf<IXmlNodeList> children = root->GetChildNodes();
    ASSERT_TRUE(FirstText(children->Get(0)) == decoded) << shift;
    ASSERT_TRUE(children->Get(1)->GetAttr(u"v") == decoded) << shift;
  }
}

TEST(XmlParser, EveryErrorMessage) {
  const std::pair<const char*, const char*> cases[] = {
      {"<a b=\"1\" c>", "Character \"=\" expected"},
      {"<a></b>", "Text \"a\" expected"},
      {"<a>", "Text \"</a>\" expected"},  // the input ends inside an element
      {"<r><a/><b>text", "Text \"</b>\" expected"},
      {"<a/ >", "Text \"/>\" expected"},
      {"<!-x-->", "Text \"--\" expected"},
      {"<![CDAT[x]]>", "Text \"[CDATA[\" expected"},
      {"<?xml version=\"1.0\"?<a/>", "Text \"?>\" expected"},
      {"<a b=\"<\"/>", "Character \"<\" cannot be used in the values of attributes"},
      {"<a b=\"1", "\"\"\" expected"},
      {"<a b='1", "\"'\" expected"},
      {"<a b=", "The value of the attribute is expected"},
      {"<a b=1/>", "Line constant expected"},
      {"<r><!-- open", "\"-->\" expected"},
      {"<r><![CDATA[open", "\"]]>\" expected"},
      {"<?pi open", "\"?>\" expected"},
      {"<!DOCTYPE open", "\">\" expected"},
      {"<1a/>", "Name must start with letter or \" _\""},
      {"<a>&#;</a>", "Number expected"},
      {"<a>&#x;</a>", "Hexadecimal number expected"},
      {"<a>&", "\"#\" or XML entity symbol name expected"},
      {"<a>&nbsp;</a>", "Unknown XML entity symbol name \"nbsp\" found"},
      {"<a>&#65</a>", "Character \";\" expected"},
      {"<a$/>", "Invalid symbol in the name of the element"},
      {"<abc", "The determination of the element is not completed"},
      {"<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>", "Encoding \"KOI8-R\" is not supported by SimpleXML"},
      {"<?xml version=\"1.0\" encoding=\"a&#0;b&#10;c\\d\"?><a/>",
       "Encoding \"a\\x00b\\x0Ac\\\\d\" is not supported by SimpleXML"},
      {"<a></a >", "(no error)"},
  };
  for (const auto& [xml, message] : cases) EXPECT_EQ(ErrorOf(xml), message) << xml;
}

TEST(XmlParser, FailedLoadKeepsWhatWasParsed) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"old");
  EXPECT_THROW(document->LoadXML("<r><a/><b x=1/></r>"), EXmlError);
  TIntf<IXmlElement> root = document->DocumentElement();
  EXPECT_EQ(root->GetNodeName(), u"r");
  EXPECT_EQ(root->GetChildNodes()->GetCount(), 2);  // a, and b without its attribute
}

// ---- text output

TEST(XmlWriter, IndentationAndLineBreakRules) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"root");
  TIntf<IXmlElement> root = document->DocumentElement();
  root->SetAttr(u"q", u"a\"b<c>&'");
  root->AppendElement(u"value")->SetValue(int32_t(5));
  root->AppendElement(u"multi")->SetValue(u"line1\r\nline2");
  root->AppendElement(u"trail")->AppendText(u"text\r\n");
  root->AppendComment(u" note ");
  root->AppendCDATA(u"a]]>b");
  EXPECT_EQ(SaveText(document),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<root q=\"a&quot;b&lt;c&gt;&amp;'\">\r\n"
            "\t<value>5</value>\r\n"
            "\t<multi>line1\r\nline2\r\n\t</multi>\r\n"
            "\t<trail>text\r\n\t</trail><!-- note --><![CDATA[a]]]><![CDATA[]>b]]>\r\n"
            "</root>");
  // Preserved white space: no added layout.
  document->SetPreserveWhiteSpace(true);
  EXPECT_EQ(Utf8(root->GetXml()),
            "<root q=\"a&quot;b&lt;c&gt;&amp;'\"><value>5</value><multi>line1\r\nline2</multi>"
            "<trail>text\r\n</trail><!-- note --><![CDATA[a]]]><![CDATA[]>b]]></root>");
}

// Save hands a large text over in pieces; wherever the pieces end (beside an empty element that
// becomes "/>", inside a surrogate pair, before an end tag's line break), the bytes equal those
// of the whole text.
TEST(XmlWriter, LargeTextsSaveAsTheyWriteWhole) {
  for (size_t shift = 0; shift < 150; ++shift) {  // moves the hand-over points across an item
    TIntf<IXmlDocument> document = CreateXmlDocument(u"root");
    TIntf<IXmlElement> root = document->DocumentElement();
    root->AppendText(std::u16string(shift, u'x'));
    for (int i = 0; i < 400; ++i) {
      TIntf<IXmlElement> item = root->AppendElement(u"item");
      item->AppendText(u"\U0001F600\U0001F600");
      item->AppendElement(u"empty");
      item->AppendElement(u"hollow")->AppendText(u"");  // written as an empty-element tag
      item->AppendElement(u"emoji")->AppendText(u"\U0001F600\U0001F600");
      item->AppendElement(i % 2 ? u"deep" : u"deeper")->AppendElement(u"inner")->AppendText(u"a\r\nb");
    }
    EXPECT_EQ(SaveText(document), Utf8(document->GetXml())) << shift;
  }
}

// Saving hands the text over as it is written: the indentation of a deep document, far longer
// than the document, never gathers in memory.
TEST(XmlWriter, SavingDeepDocumentsTakesBoundedMemory) {
  constexpr size_t kDepth = 3000;  // 9 million characters of indentation
  std::string deep;
  for (size_t i = 0; i < kDepth; ++i) deep += "<a>";
  for (size_t i = 0; i < kDepth; ++i) deep += "</a>";
  TIntf<IXmlDocument> document = Parse(deep);
  // Counts the bytes it is given, and the most heap memory in use meanwhile.
  class TMeasuringStream : public kelvra::TStream {
   public:
    static size_t HeapInUse() {
      const struct mallinfo2 info = mallinfo2();
      return info.uordblks + info.hblkhd;
    }
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
      written += size_t(count);
      peak = std::max(peak, HeapInUse());
      return count;
    }
    int64_t Seek(int64_t, kelvra::TSeekOrigin) override { return 0; }
    void SetSize(int64_t) override {}
    size_t written = 0, peak = 0;
  } sink;
  const size_t before = TMeasuringStream::HeapInUse();
  document->Save(sink);
  EXPECT_GT(sink.written, kDepth * kDepth);
  EXPECT_LT(sink.peak - std::min(before, sink.peak), size_t(1) << 20);
}

TEST(XmlWriter, CDATAWithTerminatorRoundTripsAsTwoSections) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"r");
  document->DocumentElement()->AppendCDATA(u"x]]>y]]>z");
  TIntf<IXmlDocument> loaded = Parse(SaveText(document));
  TIntf<IXmlNodeList> sections = loaded->DocumentElement()->GetChildNodes();
  ASSERT_EQ(sections->GetCount(), 3);
  std::u16string joined;
  for (int i = 0; i < 3; ++i) joined += VarToXSTR(sections->Get(i)->GetValue());
  EXPECT_EQ(joined, u"x]]>y]]>z");
  EXPECT_EQ(VarToXSTR(sections->Get(0)->GetValue()), u"x]");
}

TEST(XmlWriter, UnsupportedOrUnmappableEncodings) {
  TIntf<IXmlDocument> document = CreateXmlDocument(u"r", u"1.0", u"EBCDIC");
  EXPECT_EQ(MessageOf<EXmlError>([&] { SaveText(document); }),
            "Encoding \"EBCDIC\" is not supported by SimpleXML");
  TIntf<IXmlDocument> latin = CreateXmlDocument(u"r", u"1.0", u"ISO-8859-1");
  latin->DocumentElement()->SetValue(u"\u00E9\u20AC");
  EXPECT_NE(SaveText(latin).find("<r>\xE9?</r>"), std::string::npos);
}

TEST(XmlRoundTrip, TextModelTextIsStable) {
  const char* documents[] = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!--c--><r a=\"1\"><b>t &amp; u</b><c/><?p d?>"
      "<![CDATA[<x>]]><d e=\"&quot;\">\xE2\x82\xAC</d></r>",
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>\xCF\xF0\xE8</r>",
      "<r><a><b><c><d>deep</d></c></b></a><e>1</e><e>2</e></r>",
  };
  for (const char* xml : documents) {
    const std::string first = SaveText(Parse(xml));
    EXPECT_EQ(SaveText(Parse(first)), first) << xml;
  }
}

TEST(XmlRoundTrip, DeepAndWideTrees) {
  constexpr int kDepth = 200000;  // far beyond any call stack
  std::string deep;
  for (int i = 0; i < kDepth; ++i) deep += "<a>";
  deep += "x";
  for (int i = 0; i < kDepth; ++i) deep += "</a>";
  TIntf<IXmlDocument> document = Parse(deep);
  document->SetPreserveWhiteSpace(true);
  EXPECT_EQ(SaveText(document), deep);
  TIntf<IXmlDocument> binary = LoadXmlDocumentFromXML(document->GetBinaryXML());
  binary->SetPreserveWhiteSpace(true);
  EXPECT_EQ(SaveText(binary), deep);

  std::string wide = "<r>";
  for (int i = 0; i < 100000; ++i) wide += "<i n=\"" + std::to_string(i) + "\"/>";
  wide += "</r>";
  TIntf<IXmlDocument> w = Parse(wide);
  EXPECT_EQ(w->DocumentElement()->GetChildNodes()->GetCount(), 100000);
  EXPECT_EQ(w->DocumentElement()->GetChildNodes()->Get(99999)->GetAttr(u"n"), u"99999");
}

TEST(XmlParser, ManyAttributesAndRepeatedNames) {
  std::string xml = "<a";
  for (int i = 0; i < 50000; ++i) xml += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  xml += " n7=\"again\" n40000=\"again\"/>";
  TIntf<IXmlElement> a = Parse(xml)->DocumentElement();
  EXPECT_EQ(a->AttrCount(), 50000);
  EXPECT_EQ(a->GetAttr(u"n7"), u"again");
  EXPECT_EQ(a->GetAttr(u"n40000"), u"again");
}

// ---- loading from files, streams and resources

TEST(XmlLoad, FromFileStreamAndResource) {
  const auto path = std::filesystem::temp_directory_path() / "rqsimplexml_test.xml";
  {
    kelvra::TFileStream file(path.string(), kelvra::fmCreate);
    file.WriteBuffer("<r>file</r>", 11);
  }
  EXPECT_EQ(LoadXmlDocument(path.string())->DocumentElement()->GetNodeName(), u"r");
  std::filesystem::remove(path);
  EXPECT_EQ(MessageOf<kelvra::EFOpenError>([&] { LoadXmlDocument(path.string()); }),
            "Cannot open file \"" + path.string() + "\".");

  kelvra::TMemoryStream stream;
  stream.WriteBuffer("  <r/>", 6);
  stream.SetPosition(0);
  EXPECT_EQ(LoadXmlDocument(stream)->DocumentElement()->GetNodeName(), u"r");

  TIntf<IXmlDocument> messages = LoadXmlDocument("XML", "RQSIMPLEXML_MESSAGES");
  TIntf<IXmlNodeList> list = messages->DocumentElement()->SelectNodes(u"message");
  EXPECT_GT(list->GetCount(), 20);
  TIntf<IXmlDocument> missing = CreateXmlDocument(u"kept");
  missing->LoadResource("XML", "NO_SUCH_RESOURCE");
  EXPECT_FALSE(missing->HasChildNodes());
}

// The message table compiled into the library holds the texts the code raises.
TEST(XmlLoad, MessageResourceMatchesRaisedTexts) {
  TIntf<IXmlDocument> messages = LoadXmlDocument("xml", "rqsimplexml_messages");
  auto text = [&](std::u16string_view id) {
    TIntf<IXmlNodeList> list = messages->DocumentElement()->SelectNodes(u"message");
    for (int32_t i = 0; i < list->GetCount(); ++i)
      if (list->Get(i)->GetAttr(u"id") == id) return Utf8(FirstText(list->Get(i)));
    return std::string();
  };
  EXPECT_EQ(text(u"LessThanInAttribute"), ErrorOf("<a b=\"<\"/>"));
  EXPECT_EQ(text(u"ElementNotCompleted"), ErrorOf("<abc"));
  EXPECT_EQ(text(u"NameStart"), ErrorOf("<1/>"));
  EXPECT_EQ(text(u"EntityExpected"), ErrorOf("<a>&"));
}

// ---- conversions

TEST(XmlConversions, VarToXSTRForEveryType) {
  using namespace kelvra;
  EXPECT_EQ(VarToXSTR(Variant()), u"");
  EXPECT_EQ(VarToXSTR(Variant::Null()), u"{{null}}");
  EXPECT_EQ(VarToXSTR(true), u"1");
  EXPECT_EQ(VarToXSTR(false), u"0");
  EXPECT_EQ(VarToXSTR(int8_t(-5)), u"-5");
  EXPECT_EQ(VarToXSTR(uint16_t(65535)), u"65535");
  EXPECT_EQ(VarToXSTR(int64_t(-9000000000)), u"-9000000000");
  EXPECT_EQ(VarToXSTR(uint64_t(18446744073709551615ull)), u"18446744073709551615");
  EXPECT_EQ(VarToXSTR(TCurrency{12345}), u"1.2345");
  EXPECT_EQ(VarToXSTR(Variant::AnsiString("caf\xC3\xA9")), u"caf\u00E9");
  const uint8_t bytes[] = {'a', 'b', 'c'};
  EXPECT_EQ(VarToXSTR(Variant::ByteArray({bytes, bytes + 3})), u"YWJj");
  EXPECT_THROW(VarToXSTR(TIntf<IXmlDocument>(CreateXmlDocument())), EVariantError);
}

TEST(XmlConversions, FloatTexts) {
  EXPECT_EQ(FloatToXSTR(0), u"0");
  EXPECT_EQ(FloatToXSTR(1.5), u"1.5");
  EXPECT_EQ(FloatToXSTR(-0.1), u"-0.1");
  EXPECT_EQ(FloatToXSTR(100), u"100");
  EXPECT_EQ(FloatToXSTR(1.0 / 3), u"0.333333333333333");
  EXPECT_EQ(FloatToXSTR(123456789012345.0), u"123456789012345");
  EXPECT_EQ(FloatToXSTR(1e15), u"1E15");
  EXPECT_EQ(FloatToXSTR(0.00001), u"0.00001");
  EXPECT_EQ(FloatToXSTR(1.5e-7), u"1.5E-7");
  EXPECT_EQ(FloatToXSTR(HUGE_VAL), u"INF");
  EXPECT_EQ(XSTRToFloat(u"-2.5e3"), -2500);
  EXPECT_EQ(XSTRToFloat(u"inf"), HUGE_VAL);
  EXPECT_EQ(XSTRToFloat(u"+INF"), HUGE_VAL);
  EXPECT_EQ(XSTRToFloat(u"-Inf"), -HUGE_VAL);
  EXPECT_TRUE(std::isnan(XSTRToFloat(u"NaN")));
  for (const char16_t* bad : {u"", u"1,5", u"12x", u"INFINITY", u"1.5NAN"})
    EXPECT_EQ(MessageOf<kelvra::EConvertError>([&] { XSTRToFloat(bad); }),
              "'" + Utf8(bad) + "' is not a valid floating point value");
}

TEST(XmlConversions, DateTimeText) {
  const kelvra::TDateTime t = kelvra::EncodeDateTime(2020, 11, 26, 4, 4, 31, 500);
  EXPECT_EQ(DateTimeToXSTR(t), u"2020-11-26T04-04-31");
  EXPECT_EQ(DateTimeToXSTR({0}), u"1899-12-30T00-00-00");
}

TEST(XmlConversions, Base64) {
  EXPECT_EQ(BinToBase64("abc", 3), u"YWJj");
  const uint8_t ff = 0xFF;
  EXPECT_EQ(BinToBase64(&ff, 1), u"/w==");
  // Line breaks before positions L, 2L + 2, ...: the first line has L - 1 characters.
  const std::string data(12, 'x');  // 16 characters
  EXPECT_EQ(Utf8(BinToBase64(data.data(), data.size(), 5)), "eHh4\r\neHh4e\r\nHh4eH\r\nh4");
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[size_t(i)] = uint8_t(i);
  for (size_t n : {0, 1, 2, 3, 4, 255, 256})
    EXPECT_EQ(Base64ToBin(BinToBase64(all.data(), n, 7)), std::vector<uint8_t>(all.begin(), all.begin() + long(n)));
}

TEST(XmlConversions, DataStringDetection) {
  EXPECT_TRUE(IsXmlDataString(" \r\n\t<?xml version=\"1.0\"?>"));
  EXPECT_FALSE(IsXmlDataString("<?xml?>"));
  EXPECT_FALSE(IsXmlDataString("<root/>"));
  EXPECT_TRUE(IsXmlDataString(BinXmlSignature));
  EXPECT_FALSE(XmlIsInBinaryFormat(BinXmlSignature));
  EXPECT_TRUE(XmlIsInBinaryFormat(BinXmlSignature + "x"));
  EXPECT_EQ(XmlCodePage(u"windows-1251"), 1251);
  EXPECT_EQ(XmlCodePage(u"Iso-8859-9"), 28599);
  EXPECT_EQ(XmlCodePage(u"ISO-2022-JP"), 50220);
  EXPECT_EQ(XmlCodePage(u"KOI8-R"), 0);
}

// The fuzz targets pass the errors of bad input and stop at a broken invariant.
TEST(XmlFuzzTargetsDeathTest, AssertionFailuresAbort) {
  fuzz::RunAcceptingLibraryErrors([] { LoadXmlDocumentFromXML("<a b=1/>"); });
  EXPECT_DEATH(fuzz::RunAcceptingLibraryErrors([] { KELVRA_ASSERT(false); }), "Assertion failure");
}

}  // namespace
}  // namespace corvane
