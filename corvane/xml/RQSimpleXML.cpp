// The document model and the exported routines of RQSimpleXML.
#include "corvane/xml/RQSimpleXML.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <utility>

#include <locale.h>

#include "corvane/framework/ModuleResources.h"
#include "corvane/xml/RQSimpleXML.Model.h"

namespace corvane {

using kelvra::TIntf;

const std::u16string XMLPathDelimiter = u"\\";
std::u16string DefaultIndentText = u"\t";
bool DefaultPreserveWhiteSpace = false;
const std::string BinXmlSignature = "< binary-xml >";

namespace {
constexpr int32_t kDefaultHashSize = 1009;
}

uint32_t XmlNameHash(std::u16string_view name) {
  uint32_t h = 0;
  for (char16_t c : name) h += (h << 6) ^ c;
  return h;
}

namespace {
// A text as it stands between the quotes of a message: control characters as \xHH and
// backslashes doubled, so that none cuts the message short or breaks it into lines.
std::string EscapedForMessage(std::u16string_view s) {
  std::string escaped;
  for (const char c : MessageText(s)) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (uint8_t(c) < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(uint8_t(c)));
      escaped += hex;
    } else {
      escaped += c;
    }
  }
  return escaped;
}
}  // namespace

void RaiseXml(const char* format, std::u16string_view argument) {
  std::string message = format;
  message.replace(message.find("%s"), 2, EscapedForMessage(argument));
  throw EXmlError(message);
}

// ---------------------------------------------------------------------------------------------
// Name characters: ASCII directly, the rest through the Unicode classes of the C.UTF-8 locale.

namespace {
locale_t UnicodeLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  return locale;
}
}  // namespace

bool IsXmlNameStart(char16_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  return UnicodeLocale() && iswalpha_l(wint_t(c), UnicodeLocale());
}

bool IsXmlNameChar(char16_t c) {
  if (c < 0x80)
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == ':' || c == '_';
  return UnicodeLocale() && iswalnum_l(wint_t(c), UnicodeLocale());
}

namespace {
bool IsXmlName(std::u16string_view s) {
  if (s.empty() || !IsXmlNameStart(s[0])) return false;
  for (char16_t c : s.substr(1))
    if (!IsXmlNameChar(c)) return false;
  return true;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Encoding table

namespace {
struct TEncodingRow {
  const char16_t* Name;
  int32_t CodePage;
};
constexpr TEncodingRow kEncodings[] = {
    {u"UTF-8", 65001},        {u"WINDOWS-1250", 1250},  {u"WINDOWS-1251", 1251},
    {u"WINDOWS-1252", 1252},  {u"WINDOWS-1253", 1253},  {u"WINDOWS-1254", 1254},
    {u"WINDOWS-1255", 1255},  {u"WINDOWS-1256", 1256},  {u"WINDOWS-1257", 1257},
    {u"WINDOWS-1258", 1258},  {u"ISO-8859-1", 28591},   {u"ISO-8859-2", 28592},
    {u"ISO-8859-3", 28593},   {u"ISO-8859-4", 28594},   {u"ISO-8859-5", 28595},
    {u"ISO-8859-6", 28596},   {u"ISO-8859-7", 28597},   {u"ISO-8859-8", 28598},
    {u"ISO-8859-9", 28599},   {u"ISO-2022-JP", 50220},
};

}  // namespace

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char16_t(x - 32);
    if (y >= 'a' && y <= 'z') y = char16_t(y - 32);
    if (x != y) return false;
  }
  return true;
}

int32_t XmlCodePage(std::u16string_view encoding) {
  for (const TEncodingRow& row : kEncodings)
    if (EqualsIgnoringAsciiCase(encoding, row.Name)) return row.CodePage;
  return 0;
}

std::string IconvCharset(int32_t codePage) {
  if (codePage >= 1250 && codePage <= 1258) return "CP" + std::to_string(codePage);
  if (codePage >= 28591 && codePage <= 28599) return "ISO-8859-" + std::to_string(codePage - 28590);
  if (codePage == 50220) return "ISO-2022-JP";
  KELVRA_ASSERT(codePage == 65001);
  return "UTF-8";
}

// ---------------------------------------------------------------------------------------------
// TXmlNameTable

TXmlNameTable::TXmlNameTable(int32_t hashSize) : buckets_(size_t(hashSize > 0 ? hashSize : 1)) {
  idText = GetID(u"#text");
  idCDATASection = GetID(u"#cdata-section");
  idComment = GetID(u"#comment");
  idDocument = GetID(u"#document");
  idXml = GetID(u"xml");
  idEncoding = GetID(u"encoding");
}

bool TXmlNameTable::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlNameTable, IXmlNameTable, IXmlBase>(this, iid, out);
}

const std::u16string& IXmlNameTable::GetName(TXmlNameId id) {
  static const std::u16string empty;
  return id ? *id : empty;
}

TXmlNameId TXmlNameTable::GetID(std::u16string_view name) { return GetID(name, XmlNameHash(name)); }

TXmlNameId TXmlNameTable::GetID(std::u16string_view name, uint32_t hash) {
  if (name.empty()) return nullptr;
  TBucket& bucket = buckets_[hash % buckets_.size()];
  for (size_t i = 0; i < bucket.Hashes.size(); ++i)
    if (bucket.Hashes[i] == hash && *bucket.Names[i] == name) return bucket.Names[i];
  return Append(bucket, name, hash);
}

TXmlNameId TXmlNameTable::Append(TBucket& bucket, std::u16string_view name, uint32_t hash) {
  // After ClearBuckets the quick-comparison names come back with their old identifiers.
  TXmlNameId id = nullptr;
  for (TXmlNameId known : {idText, idCDATASection, idComment, idDocument, idXml, idEncoding})
    if (known && *known == name) id = known;
  if (!id) id = &storage_.emplace_back(name);
  bucket.Names.push_back(id);
  bucket.Hashes.push_back(hash);
  return id;
}

TXmlNameId TXmlNameTable::FindHash(uint32_t hash) const {
  const TBucket& bucket = buckets_[hash % buckets_.size()];
  for (size_t i = 0; i < bucket.Hashes.size(); ++i)
    if (bucket.Hashes[i] == hash) return bucket.Names[i];
  return nullptr;
}

void TXmlNameTable::ClearBuckets() {
  for (TBucket& bucket : buckets_) {
    bucket.Names.clear();
    bucket.Hashes.clear();
  }
}

size_t TXmlNameTable::NameCount() const {
  size_t count = 0;
  for (const TBucket& bucket : buckets_) count += bucket.Names.size();
  return count;
}

TIntf<IXmlNameTable> CreateNameTable(int32_t hashSize) { return new TXmlNameTable(hashSize); }

// ---------------------------------------------------------------------------------------------
// TXmlNodeStore

namespace {
// Every node kind but the document fits one slot, so that freed slots serve any kind.
constexpr size_t kNodeSlotSize = std::max({sizeof(TXmlElement), sizeof(TXmlText), sizeof(TXmlCDATASection),
                                           sizeof(TXmlComment), sizeof(TXmlProcessingInstruction)});
constexpr size_t kFirstChunk = 4096;
constexpr size_t kLargestChunk = size_t(1) << 20;
}  // namespace

TXmlNodeStore::~TXmlNodeStore() {
  for (void* chunk : chunks_) ::operator delete(chunk);
  for (TLargeBlock* block = large_.Next; block != &large_;) ::operator delete(std::exchange(block, block->Next));
}

void* TXmlNodeStore::AllocateSlow(size_t bytes) {
  if (bytes > kLargestClass) {
    auto* block = static_cast<TLargeBlock*>(::operator new(sizeof(TLargeBlock) + bytes));
    *block = {&large_, large_.Next};
    large_.Next->Prev = block;
    large_.Next = block;
    return block + 1;
  }
  static_assert(kFirstChunk >= kLargestClass, "every chunk holds a block of any class");
  const size_t sizeClass = SizeClass(bytes);
  if (TFreeBlock* block = free_[sizeClass]) {
    free_[sizeClass] = block->Next;
    return block;
  }
  // The rest of the full chunk is left unused: less than one block of the largest class.
  const size_t chunkSize = chunks_.empty() ? kFirstChunk : std::min(kLargestChunk, 2 * chunks_.size() * kFirstChunk);
  chunks_.reserve(chunks_.size() + 1);
  next_ = static_cast<char*>(::operator new(chunkSize));
  end_ = next_ + chunkSize;
  chunks_.push_back(next_);
  return std::exchange(next_, next_ + ClassSize(sizeClass));
}

void TXmlNodeStore::FreeLarge(void* block) {
  TLargeBlock* const large = static_cast<TLargeBlock*>(block) - 1;
  large->Prev->Next = large->Next;
  large->Next->Prev = large->Prev;
  ::operator delete(large);
}

// ---------------------------------------------------------------------------------------------
// TXmlValue

namespace {
// Copies `count` characters. Attribute values and names are mostly a few characters long, for
// which a call of memcpy costs more than the copy: up to 8 characters are moved as two
// overlapping words.
void CopyChars(char16_t* to, const char16_t* from, size_t count) {
  const auto move = [&]<class TWord>(TWord) {
    TWord head, tail;
    std::memcpy(&head, from, sizeof head);
    std::memcpy(&tail, from + count - sizeof tail / 2, sizeof tail);
    std::memcpy(to, &head, sizeof head);
    std::memcpy(to + count - sizeof tail / 2, &tail, sizeof tail);
  };
  if (count > 8) return void(std::memcpy(to, from, count * sizeof(char16_t)));
  if (count >= 4) return move(uint64_t());
  if (count >= 2) return move(uint32_t());
  if (count == 1) *to = *from;
}
}  // namespace

std::u16string TXmlValue::ToXSTR() const {
  return kind_ == kBoxed ? VarToXSTR(Boxed()) : std::u16string(Text());
}

Variant TXmlValue::ToVariant() const {
  switch (kind_) {
    case kEmpty: return {};
    case kBoxed: return Boxed();
    default: return std::u16string(Text());
  }
}

void TXmlValue::SetText(TXmlNodeStore& store, std::u16string_view text) {
  if (text.size() > UINT32_MAX) return Set(store, std::u16string(text));
  if (text.size() <= kShortLength) {
    char16_t chars[kShortLength];
    if (!IsEmpty()) {  // the text may be this value's own: copied before Clear
      CopyChars(chars, text.data(), text.size());
      text = {chars, text.size()};
    }
    Clear(store);
    CopyChars(chars_, text.data(), text.size());
    shortLength_ = uint8_t(text.size());
    kind_ = kShortText;
    return;
  }
  auto* const copy = static_cast<char16_t*>(store.Allocate(text.size() * sizeof(char16_t)));
  CopyChars(copy, text.data(), text.size());
  Clear(store);
  SetStored(kText, copy, uint32_t(text.size()));
}

void TXmlValue::SetUtf8Decoded(TXmlNodeStore& store, std::string_view bytes) {
  if (bytes.size() > UINT32_MAX) return SetText(store, kelvra::Utf8ToUtf16(bytes));
  size_t produced = 0;
  const auto* const utf8 = reinterpret_cast<const uint8_t*>(bytes.data());
  if (bytes.size() <= kShortLength) {  // never more code units than bytes
    Clear(store);
    kelvra::DecodeUtf8(utf8, bytes.size(), true, chars_, produced);
    shortLength_ = uint8_t(produced);
    kind_ = kShortText;
    return;
  }
  const size_t room = bytes.size() * sizeof(char16_t);
  auto* const text = static_cast<char16_t*>(store.Allocate(room));
  kelvra::DecodeUtf8(utf8, bytes.size(), true, text, produced);
  if (produced <= kShortLength || !TXmlNodeStore::SameBlock(room, produced * sizeof(char16_t))) {
    // Far fewer code units than bytes: kept in the value or a block of their own size.
    SetText(store, {text, produced});
    return store.Free(text, room);
  }
  Clear(store);
  SetStored(kText, text, uint32_t(produced));
}

void TXmlValue::Set(TXmlNodeStore& store, const Variant& value) {
  if (value.VarType() == kelvra::varUString && value.AsWideString().size() <= UINT32_MAX)
    return SetText(store, value.AsWideString());
  if (value.IsEmpty()) return Clear(store);
  Variant* const boxed = new (store.Allocate(sizeof(Variant))) Variant(value);
  Clear(store);
  ++store.Counts.Boxed;
  SetStored(kBoxed, boxed);
}

void TXmlValue::Release(TXmlNodeStore& store) {
  if (kind_ == kText) {
    store.Free(Pointer<char16_t>(), StoredLength() * sizeof(char16_t));
  } else if (kind_ == kBoxed) {
    Variant* const boxed = Pointer<Variant>();
    boxed->~Variant();
    store.Free(boxed, sizeof(Variant));
    --store.Counts.Boxed;
  }
}

// ---------------------------------------------------------------------------------------------
// TXmlChildren

void TXmlChildren::Erase(size_t index) {
  TXmlNode* const node = items_[index];
  items_.Erase(index);
  node->_Release();
}

// ---------------------------------------------------------------------------------------------
// TXmlNodeList

TXmlNodeList::~TXmlNodeList() {
  if (owner_) return;
  own_.TakeAll([](TXmlNode* node) { node->_Release(); });
  own_.FreeMemory(nullptr);
}

bool TXmlNodeList::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlNodeList, IXmlNodeList, IXmlBase>(this, iid, out);
}

int32_t TXmlNodeList::_AddRef() {
  return owner_ ? owner_->_AddRef() : ++refs_;
}

int32_t TXmlNodeList::_Release() {
  if (owner_) return owner_->_Release();
  const int32_t refs = --refs_;
  if (refs == 0) delete this;
  return refs;
}

const TXmlChildren& TXmlNodeList::Items() const { return owner_ ? owner_->children_ : own_; }
TXmlChildren& TXmlNodeList::Items() { return owner_ ? owner_->children_ : own_; }
TXmlNodeStore* TXmlNodeList::Store() const { return owner_ ? owner_->store_ : nullptr; }

void TXmlNodeList::CheckIndex(int32_t index) const {
  if (index < 0 || size_t(index) >= Items().Size())
    throw EXmlError("Error obtaining the element the list: Index out of range");
}

TIntf<IXmlNode> TXmlNodeList::Get(int32_t index) const {
  CheckIndex(index);
  return Items().Item(size_t(index));
}

namespace {
TXmlNode* AsNode(const TIntf<IXmlNode>& node) {
  auto* n = dynamic_cast<TXmlNode*>(node.get());
  KELVRA_ASSERT(n != nullptr);
  return n;
}
}  // namespace

// A node joins an owned list as a child: it leaves its former parent, and it may not be the
// owner or one of the owner's ancestors (that would make a cycle).
void TXmlNodeList::Adopt(TXmlNode* node) {
  if (!owner_) return;
  for (const TXmlNode* p = owner_; p; p = p->parent_) KELVRA_ASSERT(p != node);
  if (TXmlNode* former = node->parent_) {
    const TXmlChildren& siblings = former->children_;
    for (size_t i = 0; i < siblings.Size(); ++i)
      if (siblings.Item(i) == node) {
        node->SetParent(nullptr);
        former->children_.Erase(i);  // the caller holds the node
        break;
      }
  }
  node->SetParent(owner_);
}

void TXmlNodeList::Release(TXmlNode* node) {
  if (owner_ && node->parent_ == owner_) node->SetParent(nullptr);
}

void TXmlNodeList::Insert(const TIntf<IXmlNode>& node, int32_t index) {
  TIntf<TXmlNode> n = AsNode(node);
  if (index != -1 && (index < 0 || size_t(index) > Items().Size())) CheckIndex(index);
  const int32_t present = owner_ && n->parent_ == owner_ ? IndexOf(n.get()) : -1;
  if (present >= 0 && present < index) --index;
  Adopt(n.get());
  Items().Insert(Store(), index == -1 ? Items().Size() : size_t(index), n.get());
}

void TXmlNodeList::Delete(int32_t index) {
  CheckIndex(index);
  Release(Items().Item(size_t(index)));
  Items().Erase(size_t(index));
}

void TXmlNodeList::Remove(const TIntf<IXmlNode>& node) {
  const int32_t index = IndexOf(node.get());
  if (index >= 0) Delete(index);
}

void TXmlNodeList::Exchange(int32_t index1, int32_t index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Items().Exchange(size_t(index1), size_t(index2));
}

void TXmlNodeList::Replace(int32_t index, const TIntf<IXmlNode>& node) {
  CheckIndex(index);
  TIntf<TXmlNode> n = AsNode(node);
  if (n.get() == Items().Item(size_t(index))) return;
  Delete(index);
  Insert(n, index);
}

int32_t TXmlNodeList::IndexOf(const IXmlNode* node) const {
  const TXmlChildren& items = Items();
  for (size_t i = 0; i < items.Size(); ++i)
    if (static_cast<const IXmlNode*>(items.Item(i)) == node) return int32_t(i);
  return -1;
}

void TXmlNodeList::Clear() {
  for (TXmlNode* item : Items()) Release(item);
  Items().TakeAll([](TXmlNode* node) { node->_Release(); });
}

// ---------------------------------------------------------------------------------------------
// TXmlNode

TXmlNode::~TXmlNode() {
  value_.Clear(*store_);
  ClearAttrs();
  attrs_.FreeMemory(store_);
  if (hasChildList_) {
    TXmlNodeList* const list = store_->ChildList(this);
    store_->ForgetChildList(this);
    list->~TXmlNodeList();
    store_->Free(list, sizeof(TXmlNodeList));
  }
  if (children_.Size() > 0) ReleaseSubtree();
  children_.FreeMemory(store_);
}

// Releases the children without recursion: children that die with this node hand their own
// children to the work list before they go.
void TXmlNode::ReleaseSubtree() {
  std::vector<TXmlNode*> pending;  // each holds the count its parent had on it
  auto takeChildren = [&pending](TXmlNode& parent) {
    parent.children_.TakeAll([&pending](TXmlNode* child) {
      child->SetParent(nullptr);
      pending.push_back(child);
    });
  };
  // This node is no longer counted but still holds the store: no node released here may take
  // the store's memory with it.
  ++store_->Counts.Releases;
  takeChildren(*this);
  while (!pending.empty()) {
    TXmlNode* const node = pending.back();
    pending.pop_back();
    if (node->refs_ == 1) takeChildren(*node);
    node->_Release();
  }
  --store_->Counts.Releases;
}

void TXmlNode::Destroy() {
  TXmlNodeStore* const store = store_;
  if (!parent_ && store->OnlyTreeLeft()) {
    // The rest of the tree goes with the store's memory, unvisited.
    children_.Forget();
    store->DropTree();
  }
  if (type_ == NODE_DOCUMENT) {
    delete this;
  } else {
    void* const memory = dynamic_cast<void*>(this);
    this->~TXmlNode();
    store->Free(memory, kNodeSlotSize);
  }
  store->Release();
}

TIntf<IXmlNodeList> TXmlNode::GetChildNodes() {
  TXmlNodeList*& list = store_->ChildList(this);
  if (!hasChildList_) {
    list = new (store_->Allocate(sizeof(TXmlNodeList))) TXmlNodeList(this);
    hasChildList_ = true;
  }
  return list;
}

void TXmlNode::ClearChildren() {
  for (TXmlNode* child : children_) child->SetParent(nullptr);
  children_.TakeAll([](TXmlNode* node) { node->_Release(); });
  children_.FreeMemory(store_);
}

bool TXmlNode::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlNode, IXmlNode, IXmlBase>(this, iid, out);
}

TXmlNode* TXmlNode::MakeElement(TXmlNodeStore& store, TXmlNameId name, size_t attributes) {
  // The attributes go in the node's block when they fit, their room cut from its end. A single
  // attribute, the commonest case after none, gets a block size known here: the store's next
  // block then does not wait for the count read from the input.
  if (attributes == 1) {
    auto* const block = static_cast<char*>(store.Allocate(kNodeSlotSize + sizeof(TXmlAttr)));
    TXmlNode* const node = new (block) TXmlElement(store, name);
    node->attrs_.Adopt(reinterpret_cast<TXmlAttr*>(block + kNodeSlotSize), 1);
    return node;
  }
  const size_t attributeBytes = attributes * sizeof(TXmlAttr);
  if (attributes > 0 && kNodeSlotSize + attributeBytes <= TXmlNodeStore::kLargestSplitBlock) {
    auto* const block = static_cast<char*>(store.Allocate(kNodeSlotSize + attributeBytes));
    TXmlNode* const node = new (block) TXmlElement(store, name);
    node->attrs_.Adopt(reinterpret_cast<TXmlAttr*>(block + kNodeSlotSize), attributes);
    return node;
  }
  TXmlNode* const node = new (store.Allocate(kNodeSlotSize)) TXmlElement(store, name);
  if (attributes > 0) node->attrs_.ReserveFresh(store, attributes);
  return node;
}

TXmlNode* TXmlNode::Make(TXmlNodeType type, TXmlNodeStore& store, TXmlNameId name) {
  if (type == NODE_ELEMENT) return MakeElement(store, name);
  void* const memory = store.Allocate(kNodeSlotSize);
  switch (type) {
    case NODE_TEXT: return new (memory) TXmlText(store);
    case NODE_CDATA_SECTION: return new (memory) TXmlCDATASection(store);
    case NODE_COMMENT: return new (memory) TXmlComment(store);
    case NODE_PROCESSING_INSTRUCTION: return new (memory) TXmlProcessingInstruction(store, name);
    default: store.Free(memory, kNodeSlotSize); KELVRA_ASSERT(false);
  }
  return nullptr;
}

std::u16string TXmlNode::GetNodeName() const {
  switch (type_) {
    case NODE_TEXT: return *Names().idText;
    case NODE_CDATA_SECTION: return *Names().idCDATASection;
    case NODE_COMMENT: return *Names().idComment;
    case NODE_DOCUMENT: return *Names().idDocument;
    default: return IXmlNameTable::GetName(name_);
  }
}

const TXmlDocument* TXmlNode::Document() const {
  const TXmlNode* node = this;
  while (node->parent_) node = node->parent_;
  return node->type_ == NODE_DOCUMENT ? static_cast<const TXmlDocument*>(node) : nullptr;
}

TIntf<IXmlDocument> TXmlNode::GetOwnerDocument() const {
  return const_cast<TXmlDocument*>(Document());
}

void TXmlNode::AppendChild(const TIntf<IXmlNode>& child) { GetChildNodes()->Insert(child); }

TXmlNode* TXmlNode::AppendNew(TXmlNodeType type, TXmlNameId name) {
  TXmlNode* node = Make(type, *store_, name);
  AppendNewChild(node);
  return node;
}

TIntf<IXmlElement> TXmlNode::AppendElement(std::u16string_view name) {
  return static_cast<TXmlElement*>(AppendNew(NODE_ELEMENT, Names().GetID(name)));
}

TIntf<IXmlNode> TXmlNode::AppendText(std::u16string_view text) {
  TXmlNode* node = AppendNew(NODE_TEXT, nullptr);
  node->SetText(text);
  return node;
}

TIntf<IXmlNode> TXmlNode::AppendCDATA(std::u16string_view text) {
  TXmlNode* node = AppendNew(NODE_CDATA_SECTION, nullptr);
  node->SetText(text);
  return node;
}

TIntf<IXmlNode> TXmlNode::AppendComment(std::u16string_view text) {
  TXmlNode* node = AppendNew(NODE_COMMENT, nullptr);
  node->SetText(text);
  return node;
}

TIntf<IXmlNode> TXmlNode::AppendProcessingInstruction(std::u16string_view name,
                                                      std::u16string_view data) {
  TXmlNode* node = AppendNew(NODE_PROCESSING_INSTRUCTION, Names().GetID(name));
  node->SetText(data);
  return node;
}

Variant TXmlNode::GetValue() const { return value_.ToVariant(); }

void TXmlNode::SetValue(const Variant& value) {
  if (type_ == NODE_ELEMENT || type_ == NODE_TEXT)
    SetValueVariant(value);
  else if (type_ != NODE_DOCUMENT)
    SetText(VarToXSTR(value));
}

std::u16string TXmlNode::GetXml() const { return WriteXmlText(*this); }

// ---- attributes

const TXmlAttr* TXmlNode::FindAttr(TXmlNameId name) const {
  for (const TXmlAttr& attr : attrs_)
    if (attr.Name == name) return &attr;
  return nullptr;
}

void TXmlNode::SetAttrById(TXmlNameId name, const Variant& value) {
  for (TXmlAttr& attr : attrs_)
    if (attr.Name == name) return attr.Value.Set(*store_, value);
  attrs_.Append(store_, {name, {}}).Value.Set(*store_, value);
}

void TXmlNode::SetAttrTextById(TXmlNameId name, std::u16string_view text) {
  for (TXmlAttr& attr : attrs_)
    if (attr.Name == name) return attr.Value.SetText(*store_, text);
  attrs_.Append(store_, {name, {}}).Value.SetText(*store_, text);
}

void TXmlNode::ClearAttrs() {
  for (TXmlAttr& attr : attrs_) attr.Value.Clear(*store_);
  attrs_.FreeMemory(store_);
}

std::u16string TXmlNode::AttrName(int32_t index) const {
  if (index < 0 || size_t(index) >= attrs_.Size())
    throw EXmlError("Error obtaining the element the list: Index out of range");
  return IXmlNameTable::GetName(attrs_[size_t(index)].Name);
}

bool TXmlNode::AttrExists(std::u16string_view name) const {
  return FindAttr(Names().GetID(name)) != nullptr;
}

Variant TXmlNode::GetVarAttr(std::u16string_view name, const Variant& defaultValue) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  return attr ? attr->Value.ToVariant() : defaultValue;
}

void TXmlNode::SetVarAttr(std::u16string_view name, const Variant& value) {
  SetAttrById(Names().GetID(name), value);
}

void TXmlNode::SetAttr(std::u16string_view name, std::u16string_view value) {
  SetAttrTextById(Names().GetID(name), value);
}

void TXmlNode::RemoveAttr(std::u16string_view name) {
  const TXmlNameId id = Names().GetID(name);
  for (size_t i = attrs_.Size(); i-- > 0;)
    if (attrs_[i].Name == id) {
      attrs_[i].Value.Clear(*store_);
      attrs_.Erase(i);
    }
}

std::u16string TXmlNode::GetAttr(std::u16string_view name, std::u16string_view defaultValue) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  return attr ? attr->Value.ToXSTR() : std::u16string(defaultValue);
}

int64_t TXmlNode::GetIntAttr(std::u16string_view name, int64_t defaultValue) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  return attr ? XSTRToInt64(attr->Value.ToXSTR()) : defaultValue;
}

bool TXmlNode::GetBoolAttr(std::u16string_view name, bool defaultValue) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  if (!attr) return defaultValue;
  if (!attr->Value.IsEmpty() && !attr->Value.IsText() && attr->Value.Boxed().VarType() == kelvra::varBoolean)
    return attr->Value.Boxed().AsInt64() != 0;
  return XSTRToBool(attr->Value.ToXSTR());
}

double TXmlNode::GetFloatAttr(std::u16string_view name, double defaultValue) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  return attr ? XSTRToFloat(attr->Value.ToXSTR()) : defaultValue;
}

namespace {
int32_t EnumIndex(const TXmlNode& node, std::u16string_view name, const std::u16string& value,
                  std::span<const std::u16string> allowed) {
  for (size_t i = 0; i < allowed.size(); ++i)
    if (allowed[i] == value) return int32_t(i);
  std::u16string list;
  for (const std::u16string& a : allowed) list += (list.empty() ? u"" : u", ") + a;
  throw EXmlError("Incorrect value of the attribute \"" + MessageText(name) + "\" at element \"" +
                  MessageText(node.GetNodeName()) + "\".\r\nAllowed values are: \r\n" +
                  MessageText(list));
}
}  // namespace

int32_t TXmlNode::GetEnumAttr(std::u16string_view name, std::span<const std::u16string> allowed,
                              int32_t defaultValue) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  return attr ? EnumIndex(*this, name, attr->Value.ToXSTR(), allowed) : defaultValue;
}

void TXmlNode::AttributeMissing(const char* format, std::u16string_view name) const {
  RaiseXml(format, name);
}

std::u16string TXmlNode::NeedAttr(std::u16string_view name) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  if (!attr) AttributeMissing("Attribute \"%s\" not assigned", name);
  return attr->Value.ToXSTR();
}

int32_t TXmlNode::NeedEnumAttr(std::u16string_view name, std::span<const std::u16string> allowed) const {
  const TXmlAttr* attr = FindAttr(Names().GetID(name));
  if (!attr) AttributeMissing("Attribute \"%s\" not found", name);
  return EnumIndex(*this, name, attr->Value.ToXSTR(), allowed);
}

// ---- children and paths

TIntf<IXmlElement> TXmlNode::FindElement(std::u16string_view name) const {
  const TXmlNameId id = Names().GetID(name);
  for (TXmlNode* child : children_)
    if (child->type_ == NODE_ELEMENT && child->name_ == id) return static_cast<TXmlElement*>(child);
  return {};
}

TIntf<IXmlElement> TXmlNode::NeedChild(std::u16string_view name) const {
  TIntf<IXmlElement> child = FindElement(name);
  if (!child) RaiseXml("Error: Child node \"%s\" not found", name);
  return child;
}

TIntf<IXmlNodeList> TXmlNode::SelectNodes(std::u16string_view expression) {
  TIntf<TXmlNodeList> result = new TXmlNodeList();
  TXmlNode* node = this;
  // Descend along "first\rest" without recursion, then select the last name's elements.
  for (size_t delimiter; (delimiter = expression.find(XMLPathDelimiter)) != std::u16string_view::npos;) {
    TIntf<IXmlElement> first = node->FindElement(expression.substr(0, delimiter));
    if (!first) return result;
    node = dynamic_cast<TXmlNode*>(first.get());
    expression.remove_prefix(delimiter + XMLPathDelimiter.size());
  }
  if (!IsXmlName(expression)) throw EXmlError("This feature is not supported by SimpleXML");
  const TXmlNameId id = Names().GetID(expression);
  for (TXmlNode* child : node->children_)
    if (child->type_ == NODE_ELEMENT && child->name_ == id) result->Select(child);
  return result;
}

TIntf<IXmlNode> TXmlNode::SelectSingleNode(std::u16string_view expression) {
  TIntf<IXmlNodeList> nodes = SelectNodes(expression);
  return nodes->GetCount() > 0 ? nodes->Get(0) : TIntf<IXmlNode>();
}

std::u16string TXmlNode::FullPath() const {
  std::vector<const TXmlNode*> chain;
  for (const TXmlNode* n = this; n && n->type_ != NODE_DOCUMENT; n = n->parent_) chain.push_back(n);
  std::u16string path;
  for (size_t i = chain.size(); i-- > 0;) {
    path += chain[i]->GetNodeName();
    if (i > 0) path += XMLPathDelimiter;
  }
  return path;
}

// ---------------------------------------------------------------------------------------------
// Node kinds

bool TXmlElement::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlElement, IXmlElement>(this, iid, out) ||
         TXmlNode::QueryInterface(iid, out);
}
bool TXmlText::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlText, IXmlText, IXmlCharacterData>(this, iid, out) ||
         TXmlNode::QueryInterface(iid, out);
}
bool TXmlCDATASection::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlCDATASection, IXmlCDATASection, IXmlCharacterData>(this, iid, out) ||
         TXmlNode::QueryInterface(iid, out);
}
bool TXmlComment::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlComment, IXmlComment, IXmlCharacterData>(this, iid, out) ||
         TXmlNode::QueryInterface(iid, out);
}
bool TXmlProcessingInstruction::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlProcessingInstruction, IXmlProcessingInstruction>(this, iid, out) ||
         TXmlNode::QueryInterface(iid, out);
}

namespace {
TXmlNodeStore& NewStore(const TIntf<IXmlNameTable>& nameTable) {
  TIntf<TXmlNameTable> names = nameTable ? dynamic_cast<TXmlNameTable*>(nameTable.get())
                                         : new TXmlNameTable(kDefaultHashSize);
  return *new TXmlNodeStore(std::move(names));
}
}  // namespace

TIntf<IXmlElement> CreateXmlElement(std::u16string_view name, TIntf<IXmlNameTable> nameTable) {
  TXmlNodeStore& store = NewStore(nameTable);
  return static_cast<TXmlElement*>(TXmlNode::Make(NODE_ELEMENT, store, store.Names().GetID(name)));
}

// ---------------------------------------------------------------------------------------------
// TXmlDocument

TXmlDocument::TXmlDocument(TXmlNodeStore& store)
    : TXmlNode(NODE_DOCUMENT, store, nullptr), preserveWhiteSpace_(DefaultPreserveWhiteSpace) {}

bool TXmlDocument::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TXmlDocument, IXmlDocument>(this, iid, out) ||
         TXmlNode::QueryInterface(iid, out);
}

TIntf<IXmlElement> TXmlDocument::DocumentElement() const {
  for (size_t i = 0; i < Children().Size(); ++i)
    if (Children().Item(i)->GetNodeType() == NODE_ELEMENT) return static_cast<TXmlElement*>(Children().Item(i));
  return {};
}

void TXmlDocument::ClearForLoad() {
  ClearChildren();
  ClearAttrs();
}

std::u16string TXmlDocument::DeclaredEncoding() const {
  for (size_t i = 0; i < Children().Size(); ++i) {
    const TXmlNode* child = Children().Item(i);
    if (child->GetNodeType() == NODE_PROCESSING_INSTRUCTION && child->NameId() == Names().idXml) {
      const TXmlAttr* encoding = child->FindAttr(Names().idEncoding);
      return encoding ? encoding->Value.ToXSTR() : std::u16string();
    }
  }
  return {};
}

void TXmlDocument::LoadXML(std::string_view xml) {
  if (XmlIsInBinaryFormat(xml)) return LoadBinaryXML(xml);
  ClearForLoad();
  ParseXmlText(*this, xml);
}

void TXmlDocument::LoadBinaryXML(std::string_view xml) {
  ClearForLoad();
  ReadBinaryXmlString(*this, xml);
}

void TXmlDocument::Load(kelvra::TStream& stream) {
  ClearForLoad();
  // The first bytes tell the form: the signature and more is binary. They are read once and
  // handed to the reader, as a pipe cannot move back.
  char head[15];
  size_t taken = 0;
  while (taken < sizeof head) {
    const int64_t read = stream.Read(head + taken, int64_t(sizeof head - taken));
    if (read <= 0) break;
    taken += size_t(read);
  }
  const std::string_view first(head, taken);
  if (XmlIsInBinaryFormat(first)) return ReadBinaryXml(*this, stream, first.substr(BinXmlSignature.size()));
  ParseXmlText(*this, stream, first);
}

void TXmlDocument::Load(const std::string& fileName) {
  kelvra::TFileStream file(fileName, kelvra::fmOpenRead);
  Load(file);
}

void TXmlDocument::LoadResource(std::string_view type, std::string_view name) {
  ClearForLoad();
  const std::span<const uint8_t> bytes = FindModuleResource(type, name);
  if (!bytes.empty()) LoadXML({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

void TXmlDocument::Save(kelvra::TStream& stream) const {
  const std::u16string encoding = DeclaredEncoding();
  int32_t codePage = 65001;
  if (!encoding.empty() && (codePage = XmlCodePage(encoding)) == 0)
    RaiseXml("Encoding \"%s\" is not supported by SimpleXML", encoding);
  SaveXmlText(*this, codePage, stream);
}

void TXmlDocument::SaveBinary(kelvra::TStream& stream, uint32_t options) const {
  WriteBinaryXml(*this, stream, options);
}

std::string TXmlDocument::GetBinaryXML() const { return WriteBinaryXmlString(*this); }

TIntf<IXmlElement> TXmlDocument::NewDocument(std::u16string_view version, std::u16string_view encoding,
                                             std::u16string_view rootName) {
  ClearChildren();
  TXmlNode* declaration = AppendNew(NODE_PROCESSING_INSTRUCTION, Names().idXml);
  declaration->SetAttr(u"version", version.empty() ? u"1.0" : version);
  declaration->SetAttr(u"encoding", encoding.empty() ? u"UTF-8" : encoding);
  return AppendElement(rootName);
}

TIntf<IXmlDocument> CreateXmlDocument(std::u16string_view rootName, std::u16string_view version,
                                      std::u16string_view encoding, TIntf<IXmlNameTable> nameTable) {
  TIntf<TXmlDocument> document = new TXmlDocument(NewStore(nameTable));
  if (!rootName.empty()) document->NewDocument(version, encoding, rootName);
  return document;
}

TIntf<IXmlDocument> LoadXmlDocument(kelvra::TStream& stream) {
  TIntf<IXmlDocument> document = CreateXmlDocument();
  document->Load(stream);
  return document;
}

TIntf<IXmlDocument> LoadXmlDocument(const std::string& fileName) {
  TIntf<IXmlDocument> document = CreateXmlDocument();
  document->Load(fileName);
  return document;
}

TIntf<IXmlDocument> LoadXmlDocument(std::string_view resourceType, std::string_view resourceName) {
  TIntf<IXmlDocument> document = CreateXmlDocument();
  document->LoadResource(resourceType, resourceName);
  return document;
}

TIntf<IXmlDocument> LoadXmlDocumentFromXML(std::string_view xml) {
  TIntf<IXmlDocument> document = CreateXmlDocument();
  document->LoadXML(xml);
  return document;
}

TIntf<IXmlDocument> LoadXmlDocumentFromBinaryXML(std::string_view xml) {
  TIntf<IXmlDocument> document = CreateXmlDocument();
  document->LoadBinaryXML(xml);
  return document;
}

bool XmlIsInBinaryFormat(std::string_view s) {
  return s.size() >= 15 && s.substr(0, 14) == BinXmlSignature;
}

bool IsXmlDataString(std::string_view s) {
  if (s.substr(0, 14) == BinXmlSignature) return true;
  const size_t start = s.find_first_not_of("\t\n\r ");
  return start != std::string_view::npos && s.substr(start, 6) == "<?xml ";
}

void PrepareToSaveXml(TIntf<IXmlElement>& element, std::u16string_view name) {
  if (!name.empty()) element = element->AppendElement(name);
}

bool PrepareToLoadXml(TIntf<IXmlElement>& element, std::u16string_view name) {
  if (!name.empty() && element) element = element->FindElement(name);
  return bool(element);
}

void StartRQSimpleXML() {
  // The character classes are needed by the first parse; build them before any thread asks.
  IsXmlNameStart(u'\u00E9');
}

}  // namespace corvane
