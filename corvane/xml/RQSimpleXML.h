// RQSimpleXML: a small XML document model (document, elements, text, CDATA sections, comments,
// processing instructions) with a streaming text parser, an indenting text writer and a compact
// binary form. Names are interned per document in a name table and compared by identity.
//
// Untrusted input: parsing, writing, binary reading and the destruction of a tree are iterative,
// so any nesting depth is safe; the binary reader never reads past its input and sizes nothing
// from a count field beyond what the remaining input can hold.
//
// Threads: a document, its nodes and its name table are used by one thread at a time; their
// reference counts are plain integers. Nodes live in memory kept by their document's node store,
// which stays alive while any of its nodes is referenced.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kelvra/Kelvra.Classes.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"
#include "kelvra/Kelvra.Variants.h"

namespace corvane {

using kelvra::TIntf;
using kelvra::Variant;

// Every failure of the XML readers and writers that has a text of this unit.
class EXmlError : public kelvra::Exception {
 public:
  using Exception::Exception;
};

enum TXmlNodeType : uint8_t {
  NODE_INVALID,
  NODE_ELEMENT,
  NODE_TEXT,
  NODE_CDATA_SECTION,
  NODE_PROCESSING_INSTRUCTION,
  NODE_COMMENT,
  NODE_DOCUMENT
};

// An interned name: the name table's own string, compared by address. The empty name is nullptr.
using TXmlNameId = const std::u16string*;

extern const std::u16string XMLPathDelimiter;  // one backslash
extern std::u16string DefaultIndentText;        // one tab
extern bool DefaultPreserveWhiteSpace;          // false
extern const std::string BinXmlSignature;       // "< binary-xml >", 14 bytes

// The hash of a name over its UTF-16 code units: h = h + ((h << 6) xor c), modulo 2^32.
uint32_t XmlNameHash(std::u16string_view name);

class IXmlNode;
class IXmlElement;
class IXmlDocument;
class IXmlNodeList;

class IXmlBase : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C01}");
};

class IXmlNameTable : public virtual IXmlBase {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C02}");
  // Interns `name` (appending it to its bucket when absent) and returns its identifier.
  virtual TXmlNameId GetID(std::u16string_view name) = 0;
  static const std::u16string& GetName(TXmlNameId id);
};

// A list of nodes owned by a node (its children) or free (a selection).
class IXmlNodeList : public virtual IXmlBase {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C03}");
  virtual int32_t GetCount() const = 0;
  // Raises "Error obtaining the element the list: Index out of range" outside 0..count-1.
  virtual TIntf<IXmlNode> Get(int32_t index) const = 0;
  // Inserts at `index` (-1 appends); a list with an owner makes the node its child.
  virtual void Insert(const TIntf<IXmlNode>& node, int32_t index = -1) = 0;
  virtual void Delete(int32_t index) = 0;
  virtual void Remove(const TIntf<IXmlNode>& node) = 0;
  virtual void Exchange(int32_t index1, int32_t index2) = 0;
  virtual void Replace(int32_t index, const TIntf<IXmlNode>& node) = 0;
  virtual int32_t IndexOf(const IXmlNode* node) const = 0;
  virtual void Clear() = 0;
};

class IXmlNode : public virtual IXmlBase {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C04}");

  virtual TIntf<IXmlNameTable> GetNameTable() const = 0;
  virtual TXmlNodeType GetNodeType() const = 0;
  // The element's or instruction's name; "#text", "#cdata-section", "#comment", "#document".
  virtual std::u16string GetNodeName() const = 0;
  virtual IXmlNode* GetParentNode() const = 0;
  virtual TIntf<IXmlDocument> GetOwnerDocument() const = 0;

  // The children, created on first use.
  virtual TIntf<IXmlNodeList> GetChildNodes() = 0;
  virtual bool HasChildNodes() const = 0;
  virtual void AppendChild(const TIntf<IXmlNode>& child) = 0;
  virtual TIntf<IXmlElement> AppendElement(std::u16string_view name) = 0;
  virtual TIntf<IXmlNode> AppendText(std::u16string_view text) = 0;
  virtual TIntf<IXmlNode> AppendCDATA(std::u16string_view text) = 0;
  virtual TIntf<IXmlNode> AppendComment(std::u16string_view text) = 0;
  virtual TIntf<IXmlNode> AppendProcessingInstruction(std::u16string_view name,
                                                      std::u16string_view data) = 0;

  // The element's or text node's value; the text of CDATA sections, comments and instructions.
  virtual Variant GetValue() const = 0;
  virtual void SetValue(const Variant& value) = 0;
  // The node's XML text (see the writer's rules in RQSimpleXML.cpp).
  virtual std::u16string GetXml() const = 0;

  // Attributes, in insertion order.
  virtual int32_t AttrCount() const = 0;
  virtual std::u16string AttrName(int32_t index) const = 0;
  virtual bool AttrExists(std::u16string_view name) const = 0;
  virtual Variant GetVarAttr(std::u16string_view name, const Variant& defaultValue = {}) const = 0;
  virtual void SetVarAttr(std::u16string_view name, const Variant& value) = 0;
  virtual void RemoveAttr(std::u16string_view name) = 0;
  virtual void ClearAttrs() = 0;
  // Optional reads: the default when the attribute is missing.
  virtual std::u16string GetAttr(std::u16string_view name, std::u16string_view defaultValue = {}) const = 0;
  virtual int64_t GetIntAttr(std::u16string_view name, int64_t defaultValue = 0) const = 0;
  virtual bool GetBoolAttr(std::u16string_view name, bool defaultValue = false) const = 0;
  virtual double GetFloatAttr(std::u16string_view name, double defaultValue = 0) const = 0;
  // The index of the value in `allowed`, `defaultValue` when the attribute is missing; a value
  // outside the list raises "Incorrect value of the attribute ...".
  virtual int32_t GetEnumAttr(std::u16string_view name, std::span<const std::u16string> allowed,
                              int32_t defaultValue) const = 0;
  // Required reads: "Attribute "%s" not assigned" / "Attribute "%s" not found" when missing.
  virtual std::u16string NeedAttr(std::u16string_view name) const = 0;
  virtual int32_t NeedEnumAttr(std::u16string_view name,
                               std::span<const std::u16string> allowed) const = 0;
  virtual void SetAttr(std::u16string_view name, std::u16string_view value) = 0;

  // Child elements.
  virtual TIntf<IXmlElement> FindElement(std::u16string_view name) const = 0;  // empty if none
  virtual TIntf<IXmlElement> NeedChild(std::u16string_view name) const = 0;    // raises if none
  // A name selects every child element of that name; "first\rest" descends into the first child
  // element named "first".
  virtual TIntf<IXmlNodeList> SelectNodes(std::u16string_view expression) = 0;
  virtual TIntf<IXmlNode> SelectSingleNode(std::u16string_view expression) = 0;
  // The names of the element ancestors below the document and of this node, joined by the path
  // delimiter.
  virtual std::u16string FullPath() const = 0;
};

class IXmlElement : public virtual IXmlNode {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C05}");
};

class IXmlCharacterData : public virtual IXmlNode {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C06}");
};

class IXmlText : public virtual IXmlCharacterData {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C07}");
};

class IXmlCDATASection : public virtual IXmlCharacterData {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C08}");
};

class IXmlComment : public virtual IXmlCharacterData {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C09}");
};

class IXmlProcessingInstruction : public virtual IXmlNode {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C0A}");
};

class IXmlDocument : public virtual IXmlNode {
 public:
  static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse("{5A1D6C30-7E41-4C8B-9E60-2F0B8E1A4C0B}");

  virtual bool GetPreserveWhiteSpace() const = 0;
  virtual void SetPreserveWhiteSpace(bool preserve) = 0;
  // The first element child, empty when there is none.
  virtual TIntf<IXmlElement> DocumentElement() const = 0;

  // Every load clears the document first; after a failed load it holds what was parsed so far.
  virtual void LoadXML(std::string_view xml) = 0;             // binary or text
  virtual void LoadBinaryXML(std::string_view xml) = 0;
  virtual void Load(kelvra::TStream& stream) = 0;             // binary or text
  virtual void Load(const std::string& fileName) = 0;
  virtual void LoadResource(std::string_view type, std::string_view name) = 0;
  // The text form in the declared encoding (UTF-8 without one).
  virtual void Save(kelvra::TStream& stream) const = 0;
  // The binary form; bit 0 of `options` stores names and texts as UTF-16.
  virtual void SaveBinary(kelvra::TStream& stream, uint32_t options = 0) const = 0;
  virtual std::string GetBinaryXML() const = 0;  // the binary form, options 0
  // Clears the document, inserts the "xml" declaration and a root element named `rootName`.
  virtual TIntf<IXmlElement> NewDocument(std::u16string_view version, std::u16string_view encoding,
                                         std::u16string_view rootName) = 0;
};

// ---------------------------------------------------------------------------------------------
// Exported routines

TIntf<IXmlNameTable> CreateNameTable(int32_t hashSize = 1009);
TIntf<IXmlDocument> CreateXmlDocument(std::u16string_view rootName = {},
                                      std::u16string_view version = u"1.0",
                                      std::u16string_view encoding = u"UTF-8",
                                      TIntf<IXmlNameTable> nameTable = {});
TIntf<IXmlElement> CreateXmlElement(std::u16string_view name, TIntf<IXmlNameTable> nameTable = {});

TIntf<IXmlDocument> LoadXmlDocument(kelvra::TStream& stream);
TIntf<IXmlDocument> LoadXmlDocument(const std::string& fileName);
TIntf<IXmlDocument> LoadXmlDocument(std::string_view resourceType, std::string_view resourceName);
TIntf<IXmlDocument> LoadXmlDocumentFromXML(std::string_view xml);
TIntf<IXmlDocument> LoadXmlDocumentFromBinaryXML(std::string_view xml);

// At least 15 bytes, the first 14 of them the signature.
bool XmlIsInBinaryFormat(std::string_view s);
// The signature, or "<?xml " after leading tabs, line feeds, carriage returns and spaces.
bool IsXmlDataString(std::string_view s);

std::u16string TextToXML(std::u16string_view s);
std::u16string VarToXSTR(const Variant& v);
std::u16string FloatToXSTR(double x);
std::u16string DateTimeToXSTR(kelvra::TDateTime t);
double XSTRToFloat(std::u16string_view s);  // EConvertError on bad text

std::u16string BinToBase64(const void* data, size_t length, int32_t lineLength = 0);
std::vector<uint8_t> Base64ToBin(std::u16string_view s);

// When `name` is not empty, replaces `element` by a new child of that name appended to it.
void PrepareToSaveXml(TIntf<IXmlElement>& element, std::u16string_view name);
// When `name` is not empty and `element` is assigned, replaces it by its child of that name
// (empty when there is none). Returns whether `element` is assigned.
bool PrepareToLoadXml(TIntf<IXmlElement>& element, std::u16string_view name);

// The code page of an encoding name of the encoding table (any letter case); 0 when absent.
int32_t XmlCodePage(std::u16string_view encoding);

// Package start-up: prepares the character classes and code-page converters of the parser.
void StartRQSimpleXML();

}  // namespace corvane
