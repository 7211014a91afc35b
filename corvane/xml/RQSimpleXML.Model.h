// The classes behind the RQSimpleXML interfaces, shared by the model, the text parser and writer,
// and the binary form.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "corvane/xml/RQSimpleXML.h"

namespace corvane {

class TXmlNameTable : public kelvra::TInterfacedObject, public virtual IXmlNameTable {
 public:
  explicit TXmlNameTable(int32_t hashSize);

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
  TXmlNameId GetID(std::u16string_view name) override;
  TXmlNameId GetID(std::u16string_view name, uint32_t hash);
  // The first name of the hash's bucket with that hash; nullptr (the empty name) when none.
  TXmlNameId FindHash(uint32_t hash) const;
  // Empties every bucket; the identifiers handed out so far stay valid.
  void ClearBuckets();
  size_t NameCount() const;
  // Calls f(name) for every name, bucket by bucket, in insertion order within a bucket.
  template <class F>
  void ForEachName(F&& f) const {
    for (const TBucket& bucket : buckets_)
      for (TXmlNameId name : bucket.Names) f(*name);
  }

  // The names interned first, kept for quick comparison.
  TXmlNameId idText = nullptr, idCDATASection = nullptr, idComment = nullptr, idDocument = nullptr,
             idXml = nullptr, idEncoding = nullptr;

 private:
  struct TBucket {
    std::vector<TXmlNameId> Names;
    std::vector<uint32_t> Hashes;
  };
  TXmlNameId Append(TBucket& bucket, std::u16string_view name, uint32_t hash);

  std::vector<TBucket> buckets_;
  std::deque<std::u16string> storage_;  // every name ever interned: identifiers stay valid
};

class TXmlNode;

// A node's children are a list inside the node, counted with it: a reference to the list keeps
// the node alive. A selection is a free list with its own count.
class TXmlNodeList : public kelvra::TInterfacedObject, public virtual IXmlNodeList {
 public:
  explicit TXmlNodeList(TXmlNode* owner) : owner_(owner) {}

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
  int32_t _AddRef() override;
  int32_t _Release() override;
  int32_t GetCount() const override { return int32_t(items_.size()); }
  TIntf<IXmlNode> Get(int32_t index) const override;
  void Insert(const TIntf<IXmlNode>& node, int32_t index = -1) override;
  void Delete(int32_t index) override;
  void Remove(const TIntf<IXmlNode>& node) override;
  void Exchange(int32_t index1, int32_t index2) override;
  void Replace(int32_t index, const TIntf<IXmlNode>& node) override;
  int32_t IndexOf(const IXmlNode* node) const override;
  void Clear() override;

  // Appends a node that has no parent yet (the parsers' and builders' fast path).
  void AppendNew(TXmlNode* node);
  TXmlNode* Item(size_t index) const { return items_[index].get(); }
  size_t Size() const { return items_.size(); }
  void Reserve(size_t count) { items_.reserve(count); }

 private:
  friend class TXmlNode;
  void CheckIndex(int32_t index) const;
  void Adopt(TXmlNode* node);
  void Release(TXmlNode* node);

  TXmlNode* const owner_;  // nullptr for a selection, which does not re-parent its nodes
  std::vector<TIntf<TXmlNode>> items_;
};

struct TXmlAttr {
  TXmlNameId Name;
  Variant Value;
};

class TXmlDocument;

// The common node. One class carries the fields of every kind; the kinds differ by type and by
// the interfaces they answer.
class TXmlNode : public kelvra::TInterfacedObject, public virtual IXmlNode {
 public:
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;

  TIntf<IXmlNameTable> GetNameTable() const override { return names_; }
  TXmlNodeType GetNodeType() const override { return type_; }
  std::u16string GetNodeName() const override;
  IXmlNode* GetParentNode() const override { return parent_; }
  TIntf<IXmlDocument> GetOwnerDocument() const override;

  TIntf<IXmlNodeList> GetChildNodes() override { return &children_; }
  bool HasChildNodes() const override { return children_.Size() > 0; }
  void AppendChild(const TIntf<IXmlNode>& child) override;
  TIntf<IXmlElement> AppendElement(std::u16string_view name) override;
  TIntf<IXmlNode> AppendText(std::u16string_view text) override;
  TIntf<IXmlNode> AppendCDATA(std::u16string_view text) override;
  TIntf<IXmlNode> AppendComment(std::u16string_view text) override;
  TIntf<IXmlNode> AppendProcessingInstruction(std::u16string_view name,
                                              std::u16string_view data) override;

  Variant GetValue() const override;
  void SetValue(const Variant& value) override;
  std::u16string GetXml() const override;

  int32_t AttrCount() const override { return int32_t(attrs_.size()); }
  std::u16string AttrName(int32_t index) const override;
  bool AttrExists(std::u16string_view name) const override;
  Variant GetVarAttr(std::u16string_view name, const Variant& defaultValue = {}) const override;
  void SetVarAttr(std::u16string_view name, const Variant& value) override;
  void RemoveAttr(std::u16string_view name) override;
  void ClearAttrs() override { attrs_.clear(); }
  std::u16string GetAttr(std::u16string_view name, std::u16string_view defaultValue = {}) const override;
  int64_t GetIntAttr(std::u16string_view name, int64_t defaultValue = 0) const override;
  bool GetBoolAttr(std::u16string_view name, bool defaultValue = false) const override;
  double GetFloatAttr(std::u16string_view name, double defaultValue = 0) const override;
  int32_t GetEnumAttr(std::u16string_view name, std::span<const std::u16string> allowed,
                      int32_t defaultValue) const override;
  std::u16string NeedAttr(std::u16string_view name) const override;
  int32_t NeedEnumAttr(std::u16string_view name, std::span<const std::u16string> allowed) const override;
  void SetAttr(std::u16string_view name, std::u16string_view value) override;

  TIntf<IXmlElement> FindElement(std::u16string_view name) const override;
  TIntf<IXmlElement> NeedChild(std::u16string_view name) const override;
  TIntf<IXmlNodeList> SelectNodes(std::u16string_view expression) override;
  TIntf<IXmlNode> SelectSingleNode(std::u16string_view expression) override;
  std::u16string FullPath() const override;

  // ---- for the parsers and writers of this unit
  TXmlNameTable& Names() const { return *names_; }
  TXmlNameId NameId() const { return name_; }
  void SetNameId(TXmlNameId name) { name_ = name; }
  TXmlNodeList& Children() { return children_; }
  const TXmlNodeList& Children() const { return children_; }
  TXmlNode* Parent() const { return parent_; }
  std::vector<TXmlAttr>& Attrs() { return attrs_; }
  const std::vector<TXmlAttr>& Attrs() const { return attrs_; }
  const TXmlAttr* FindAttr(TXmlNameId name) const;
  // Sets the attribute with an interned name, replacing an existing one.
  void SetAttrById(TXmlNameId name, Variant value);
  const Variant& Value() const { return value_; }
  void SetValueDirect(Variant value) { value_ = std::move(value); }
  // The text of a CDATA section, comment or instruction (kept as the value).
  const std::u16string& Text() const;
  void SetText(std::u16string text) { value_ = Variant(std::move(text)); }
  // The document this node belongs to, nullptr for a free node.
  const TXmlDocument* Document() const;

  // Appends a new child of `type` and returns it.
  TXmlNode* AppendNew(TXmlNodeType type, TXmlNameId name);
  // Makes a node of `type` (element, text, CDATA, comment or processing instruction).
  static TXmlNode* Make(TXmlNodeType type, TIntf<TXmlNameTable> names, TXmlNameId name = nullptr);

 protected:
  TXmlNode(TXmlNodeType type, TIntf<TXmlNameTable> names, TXmlNameId name);
  ~TXmlNode() override;

 private:
  friend class TXmlNodeList;
  [[noreturn]] void AttributeMissing(const char* format, std::u16string_view name) const;

  const TXmlNodeType type_;
  TXmlNameId name_;  // elements and processing instructions
  TIntf<TXmlNameTable> names_;
  TXmlNode* parent_ = nullptr;
  TXmlNodeList children_{this};
  std::vector<TXmlAttr> attrs_;
  Variant value_;  // element and text values; the text of the other kinds
};

class TXmlElement : public TXmlNode, public virtual IXmlElement {
 public:
  TXmlElement(TIntf<TXmlNameTable> names, TXmlNameId name) : TXmlNode(NODE_ELEMENT, std::move(names), name) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlCharacterData : public TXmlNode, public virtual IXmlCharacterData {
 public:
  using TXmlNode::TXmlNode;
};

class TXmlText : public TXmlCharacterData, public virtual IXmlText {
 public:
  explicit TXmlText(TIntf<TXmlNameTable> names) : TXmlCharacterData(NODE_TEXT, std::move(names), nullptr) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlCDATASection : public TXmlCharacterData, public virtual IXmlCDATASection {
 public:
  explicit TXmlCDATASection(TIntf<TXmlNameTable> names)
      : TXmlCharacterData(NODE_CDATA_SECTION, std::move(names), nullptr) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlComment : public TXmlCharacterData, public virtual IXmlComment {
 public:
  explicit TXmlComment(TIntf<TXmlNameTable> names) : TXmlCharacterData(NODE_COMMENT, std::move(names), nullptr) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlProcessingInstruction : public TXmlNode, public virtual IXmlProcessingInstruction {
 public:
  TXmlProcessingInstruction(TIntf<TXmlNameTable> names, TXmlNameId name)
      : TXmlNode(NODE_PROCESSING_INSTRUCTION, std::move(names), name) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlDocument : public TXmlNode, public virtual IXmlDocument {
 public:
  explicit TXmlDocument(TIntf<TXmlNameTable> names);
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;

  bool GetPreserveWhiteSpace() const override { return preserveWhiteSpace_; }
  void SetPreserveWhiteSpace(bool preserve) override { preserveWhiteSpace_ = preserve; }
  TIntf<IXmlElement> DocumentElement() const override;

  void LoadXML(std::string_view xml) override;
  void LoadBinaryXML(std::string_view xml) override;
  void Load(kelvra::TStream& stream) override;
  void Load(const std::string& fileName) override;
  void LoadResource(std::string_view type, std::string_view name) override;
  void Save(kelvra::TStream& stream) const override;
  void SaveBinary(kelvra::TStream& stream, uint32_t options = 0) const override;
  std::string GetBinaryXML() const override;
  TIntf<IXmlElement> NewDocument(std::u16string_view version, std::u16string_view encoding,
                                 std::u16string_view rootName) override;

  // Clears the children and the attributes: the first step of every load.
  void ClearForLoad();
  // The "encoding" attribute of the "xml" declaration, empty when there is none.
  std::u16string DeclaredEncoding() const;

 private:
  bool preserveWhiteSpace_;
};

// ---- the seams between the source files of this unit

// The text parser: reads `stream` from its position into the (cleared) document.
void ParseXmlText(TXmlDocument& document, kelvra::TStream& stream);
// The node's XML text.
std::u16string WriteXmlText(const TXmlNode& node);
// Writes UTF-16 text to a stream in a code page of the encoding table.
void SaveXmlText(std::u16string_view text, int32_t codePage, kelvra::TStream& stream);
// The binary form.
void WriteBinaryXml(const TXmlDocument& document, kelvra::TStream& stream, uint32_t options);
std::string WriteBinaryXmlString(const TXmlDocument& document);
// Reads after the signature: options, name table, document node.
void ReadBinaryXml(TXmlDocument& document, kelvra::TStream& stream);
void ReadBinaryXmlString(TXmlDocument& document, std::string_view xml);

// The iconv name of a code page of the encoding table.
std::string IconvCharset(int32_t codePage);

// Name character tests: Unicode letters and digits.
bool IsXmlNameStart(char16_t c);
bool IsXmlNameChar(char16_t c);
// UTF-16 names in exception messages, which are UTF-8.
inline std::string MessageText(std::u16string_view s) { return kelvra::Utf16ToUtf8(s); }
[[noreturn]] void RaiseXml(const char* format, std::u16string_view argument);

}  // namespace corvane
