// The classes behind the RQSimpleXML interfaces, shared by the model, the text parser and writer,
// and the binary form.
#pragma once

#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

class TXmlNode;
class TXmlNodeList;

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

// The memory of the nodes of one document (or of one free element and what is appended to it):
// node slots and the arrays of attributes and children are cut from chunks kept here and go back
// to free lists by size when released, so that building and dropping a tree calls the heap about
// once per chunk instead of several times per node. The store lives while its document or any of
// its nodes does: each holds a count on it, so a node taken out of its document stays valid.
//
// When the last reference to a tree's root goes and nothing else refers to any node of the store,
// every node is in that tree and owns nothing outside the store (boxed values aside, which are
// counted): the tree is dropped with the store's memory instead of node by node. The store keeps
// the counts that tell.
//
// The counts of the store and of the nodes are not atomic: a document, its nodes and its name
// table are used by one thread at a time (the name table is not locked either).
class TXmlNodeStore {
 public:
  explicit TXmlNodeStore(TIntf<TXmlNameTable> names) : names_(std::move(names)) {}
  TXmlNodeStore(const TXmlNodeStore&) = delete;
  TXmlNodeStore& operator=(const TXmlNodeStore&) = delete;

  void AddRef() { ++refs_; }
  void Release() {
    if (--refs_ == 0) delete this;
  }
  TXmlNameTable& Names() const { return *names_; }

  // The child list made for a node, kept here rather than in every node: few nodes are asked
  // for one. The entry is null until the node makes its list.
  TXmlNodeList*& ChildList(const TXmlNode* node) { return childLists_[node]; }
  void ForgetChildList(const TXmlNode* node) { childLists_.erase(node); }

  // A block of at least `bytes`, aligned to 8: cut from the current chunk while it lasts, then
  // taken from the blocks freed before or cut from a new chunk. Blocks past the largest size class
  // come from the heap.
  [[gnu::always_inline]] void* Allocate(size_t bytes) {
    if (bytes <= kLargestClass) {
      const size_t size = BlockSize(bytes);
      if (size <= size_t(end_ - next_)) return std::exchange(next_, next_ + size);
    }
    return AllocateSlow(bytes);
  }
  // A block of at most this many bytes may be given back in parts, each a multiple of 8 bytes
  // and then a block of its own size: a node and its attributes are cut from one block.
  static constexpr size_t kLargestSplitBlock = 256;
  // Whether blocks of the two sizes are the same: one may be freed as the other.
  static bool SameBlock(size_t bytes1, size_t bytes2) {
    if (bytes1 > kLargestClass || bytes2 > kLargestClass) return bytes1 > kLargestClass && bytes2 > kLargestClass;
    return SizeClass(bytes1) == SizeClass(bytes2);
  }
  void Free(void* block, size_t bytes) {
    if (bytes > kLargestClass) return FreeLarge(block);
    const size_t sizeClass = SizeClass(bytes);
    free_[sizeClass] = new (block) TFreeBlock{free_[sizeClass]};
  }

  // The references to the store's nodes, the nodes that have a parent (each of which holds one
  // of those references), the links between a parent and a child of different stores, the boxed
  // values and the subtree releases under way.
  struct TTreeCounts {
    int64_t NodeRefs = 0;
    int64_t Parented = 0;
    int64_t Foreign = 0;
    int64_t Boxed = 0;
    int32_t Releases = 0;
  };
  TTreeCounts Counts;
  // True when a root whose last reference has gone holds every other node of the store, and
  // only those.
  bool OnlyTreeLeft() const {
    return Counts.NodeRefs == Counts.Parented && Counts.Foreign == 0 && Counts.Boxed == 0 &&
           Counts.Releases == 0;
  }
  // Forgets the other nodes of the tree and their counts on the store: their memory goes with
  // the store when the root releases its count.
  void DropTree() { refs_ = 1; }

 private:
  // Steps of 8 bytes up to kLargestSplitBlock, so that node slots, attribute arrays and short
  // texts fit closely (the tree is most of the memory a document takes), then powers of two up to
  // 4096.
  static constexpr size_t kSizeClasses = 36;
  static constexpr size_t kLargestClass = 4096;
  static size_t SizeClass(size_t bytes) {
    static_assert(kLargestSplitBlock == 256);
    if (bytes <= 256) return bytes <= 8 ? 0 : (bytes - 1) >> 3;
    return 31 + size_t(std::bit_width((bytes - 1) >> 8));  // 512 -> 32, ..., 4096 -> 35
  }
  static size_t ClassSize(size_t sizeClass) {
    return sizeClass < 32 ? (sizeClass + 1) << 3 : size_t(256) << (sizeClass - 31);
  }
  // ClassSize(SizeClass(bytes)), in fewer steps.
  static size_t BlockSize(size_t bytes) {
    return bytes <= 256 ? std::max<size_t>(8, (bytes + 7) & ~size_t(7)) : std::bit_ceil(bytes);
  }
  // A freed block, a block of a new chunk, or a block past the largest class.
  void* AllocateSlow(size_t bytes);
  void FreeLarge(void* block);
  ~TXmlNodeStore();

  struct TFreeBlock {
    TFreeBlock* Next;
  };
  // The header of a block past the largest class, linked so that the store can free those left.
  struct TLargeBlock {
    TLargeBlock* Prev;
    TLargeBlock* Next;
  };
  static_assert(sizeof(TLargeBlock) == 16);
  TIntf<TXmlNameTable> names_;
  std::unordered_map<const TXmlNode*, TXmlNodeList*> childLists_;
  TLargeBlock large_ = {&large_, &large_};
  int32_t refs_ = 0;
  TFreeBlock* free_[kSizeClasses] = {};
  std::vector<void*> chunks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

// An array of trivially copyable items in 16 bytes, its memory from the node store, or from the
// heap without one: the owner, which knows its store, passes it in.
template <class T>
class TXmlStoreArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  TXmlStoreArray() = default;
  TXmlStoreArray(const TXmlStoreArray&) = delete;
  TXmlStoreArray& operator=(const TXmlStoreArray&) = delete;

  size_t Size() const { return count_; }
  T& operator[](size_t index) { return items_[index]; }
  const T& operator[](size_t index) const { return items_[index]; }
  T* begin() { return items_; }
  T* end() { return items_ + count_; }
  const T* begin() const { return items_; }
  const T* end() const { return items_ + count_; }

  void Reserve(TXmlNodeStore* store, size_t count) {
    if (count <= capacity_) return;
    if (count > UINT32_MAX / sizeof(T)) throw kelvra::EOutOfMemory();
    auto* items = static_cast<T*>(store ? store->Allocate(count * sizeof(T)) : ::operator new(count * sizeof(T)));
    const uint32_t kept = count_;
    if (kept > 0) std::memcpy(static_cast<void*>(items), items_, kept * sizeof(T));
    FreeMemory(store);
    items_ = items;
    count_ = kept;
    capacity_ = uint32_t(count);
  }
  // Takes room for `capacity` items, cut from a block with its owner (see kLargestSplitBlock), as
  // the memory of an array that has none.
  void Adopt(T* items, size_t capacity) {
    items_ = items;
    capacity_ = uint32_t(capacity);
  }
  // Reserve for an array that has no memory yet, a new node's: the readers' fast path.
  void ReserveFresh(TXmlNodeStore& store, size_t count) {
    if (count > UINT32_MAX / sizeof(T)) throw kelvra::EOutOfMemory();
    items_ = static_cast<T*>(store.Allocate(count * sizeof(T)));
    capacity_ = uint32_t(count);
  }
  T& Insert(TXmlNodeStore* store, size_t index, const T& item) {
    if (count_ == capacity_) Grow(store);
    if (index < count_)
      std::memmove(static_cast<void*>(items_ + index + 1), items_ + index, (count_ - index) * sizeof(T));
    ++count_;
    return items_[index] = item;
  }
  T& Append(TXmlNodeStore* store, const T& item) { return Insert(store, count_, item); }
  // Appends a value-initialised item made in place, with no copy through the stack.
  T& AppendNew(TXmlNodeStore* store) {
    if (count_ == capacity_) Grow(store);
    return *new (static_cast<void*>(items_ + count_++)) T();
  }
  // Replaces the items with count items from `items`.
  void Assign(TXmlNodeStore* store, const T* items, size_t count) {
    count_ = 0;
    Reserve(store, count);
    // Item by item: nodes hold a few attributes, fewer bytes than a call of memcpy is worth.
    for (size_t i = 0; i < count; ++i) std::memcpy(static_cast<void*>(items_ + i), items + i, sizeof(T));
    count_ = uint32_t(count);
  }
  void Erase(size_t index) {
    std::memmove(static_cast<void*>(items_ + index), items_ + index + 1, (count_ - index - 1) * sizeof(T));
    --count_;
  }
  void Clear() { count_ = 0; }
  void FreeMemory(TXmlNodeStore* store) {
    if (!items_) return;
    if (store)
      store->Free(items_, capacity_ * sizeof(T));
    else
      ::operator delete(items_);
    items_ = nullptr;
    count_ = capacity_ = 0;
  }
  // Forgets the memory without giving it back (the store drops it all).
  void Forget() { items_ = nullptr, count_ = capacity_ = 0; }

 private:
  // From room for one item: many elements hold a single child, their text or one element.
  void Grow(TXmlNodeStore* store) { Reserve(store, std::max<size_t>(1, size_t(capacity_) * 2)); }

  T* items_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
};

// Nodes in order, each counted by the array: a node's children, kept inside the node, or the
// nodes of a selection. The array's memory comes from the node store, or the heap without one.
class TXmlChildren {
 public:
  size_t Size() const { return items_.Size(); }
  TXmlNode* Item(size_t index) const { return items_[index]; }
  TXmlNode* const* begin() const { return items_.begin(); }
  TXmlNode* const* end() const { return items_.end(); }

  void Reserve(TXmlNodeStore* store, size_t count) { items_.Reserve(store, count); }
  void ReserveFresh(TXmlNodeStore& store, size_t count) { items_.ReserveFresh(store, count); }
  void Insert(TXmlNodeStore* store, size_t index, TXmlNode* node);
  // Takes the node out and gives back the array's count on it.
  void Erase(size_t index);
  void Exchange(size_t index1, size_t index2) { std::swap(items_[index1], items_[index2]); }
  // Moves the nodes, with their counts, out into `out`.
  template <class F>
  void TakeAll(F&& out) {
    const size_t count = items_.Size();
    items_.Clear();
    for (size_t i = 0; i < count; ++i) out(items_.begin()[i]);
  }
  // Gives the memory back; the array must be empty.
  void FreeMemory(TXmlNodeStore* store) { items_.FreeMemory(store); }
  // Forgets the nodes and the memory (the store drops them all).
  void Forget() { items_.Forget(); }

 private:
  TXmlStoreArray<TXmlNode*> items_;
};

// The list of a node's children, made on first request and counted with the node: a reference to
// the list keeps the node alive. A selection is a free list with its own count (not atomic, as the
// nodes' are not) and nodes.
class TXmlNodeList : public kelvra::TInterfacedBase, public virtual IXmlNodeList {
 public:
  explicit TXmlNodeList(TXmlNode* owner = nullptr) : owner_(owner) {}
  ~TXmlNodeList() override;

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
  int32_t _AddRef() override;
  int32_t _Release() override;
  int32_t GetCount() const override { return int32_t(Items().Size()); }
  TIntf<IXmlNode> Get(int32_t index) const override;
  void Insert(const TIntf<IXmlNode>& node, int32_t index = -1) override;
  void Delete(int32_t index) override;
  void Remove(const TIntf<IXmlNode>& node) override;
  void Exchange(int32_t index1, int32_t index2) override;
  void Replace(int32_t index, const TIntf<IXmlNode>& node) override;
  int32_t IndexOf(const IXmlNode* node) const override;
  void Clear() override;

  // Appends to a selection.
  void Select(TXmlNode* node) { own_.Insert(nullptr, own_.Size(), node); }

 private:
  void CheckIndex(int32_t index) const;
  void Adopt(TXmlNode* node);
  void Release(TXmlNode* node);
  const TXmlChildren& Items() const;
  TXmlChildren& Items();
  TXmlNodeStore* Store() const;

  TXmlNode* const owner_;  // nullptr for a selection, which does not re-parent its nodes
  TXmlChildren own_;       // a selection's nodes
  int32_t refs_ = 0;       // a selection's count
};

// The value of a node or an attribute, in 16 bytes: UTF-16 text (what the parsers produce), or
// any other Variant boxed in the store's memory. A text of up to seven characters (numbers,
// flags, short identifiers: most attribute values) is kept in the value itself, a longer one in
// the store's memory. The value is trivially copyable and owns its memory only through the store:
// its owner gives it back with Clear. A view of its text is valid until the value changes or moves.
class TXmlValue {
 public:
  bool IsEmpty() const { return kind_ == kEmpty; }
  bool IsText() const { return kind_ == kShortText || kind_ == kText; }
  // The characters of a text value; empty for the other kinds.
  std::u16string_view Text() const {
    if (kind_ == kShortText) return {chars_, shortLength_};
    return kind_ == kText ? std::u16string_view(Pointer<const char16_t>(), StoredLength()) : std::u16string_view();
  }
  // The value as the general conversion gives it; a text value as it stands.
  std::u16string ToXSTR() const;
  Variant ToVariant() const;
  // The Variant of a boxed value (neither empty nor text).
  const Variant& Boxed() const { return *Pointer<const Variant>(); }

  void SetText(TXmlNodeStore& store, std::u16string_view text);
  // Text decoded from UTF-8 straight into the value or the store's memory. Inline for a short
  // ASCII text into a value that holds no memory, what the binary reader sets for most values.
  void SetUtf8(TXmlNodeStore& store, std::string_view bytes);
  // UTF-16 strings of the host type become text; other values are boxed.
  void Set(TXmlNodeStore& store, const Variant& value);
  void Clear(TXmlNodeStore& store) {
    if (kind_ >= kText) Release(store);
    shortLength_ = 0;
    kind_ = kEmpty;
  }

 private:
  enum : uint8_t { kEmpty, kShortText, kText, kBoxed };
  static constexpr size_t kShortLength = 7;

  // A stored text or a boxed value: the pointer in the first 8 bytes, a text's length after it.
  template <class T>
  T* Pointer() const {
    T* pointer;
    std::memcpy(&pointer, chars_, sizeof pointer);
    return pointer;
  }
  uint32_t StoredLength() const {
    uint32_t length;
    std::memcpy(&length, chars_ + 4, sizeof length);
    return length;
  }
  void SetStored(uint8_t kind, const void* pointer, uint32_t length = 0) {
    std::memcpy(chars_, &pointer, sizeof pointer);
    std::memcpy(chars_ + 4, &length, sizeof length);
    kind_ = kind;
  }
  // Gives back the memory of a stored text or a boxed value.
  void Release(TXmlNodeStore& store);
  // SetUtf8 for every other text.
  void SetUtf8Decoded(TXmlNodeStore& store, std::string_view bytes);

  alignas(8) char16_t chars_[kShortLength] = {};  // a short text, or a pointer and a length
  uint8_t shortLength_ = 0;
  uint8_t kind_ = kEmpty;
};
static_assert(sizeof(TXmlValue) == 16);

struct TXmlAttr {
  TXmlNameId Name;
  TXmlValue Value;
};
using TXmlAttrs = TXmlStoreArray<TXmlAttr>;

class TXmlDocument;

// The common node. One class carries the fields of every kind; the kinds differ by type and by
// the interfaces they answer. Nodes other than documents live in their store's memory; every
// node keeps its own count (not atomic, see TXmlNodeStore), which also counts on its store.
class TXmlNode : public kelvra::TInterfacedBase, public virtual IXmlNode {
 public:
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
  int32_t _AddRef() final {
    ++store_->Counts.NodeRefs;
    return ++refs_;
  }
  int32_t _Release() final {
    --store_->Counts.NodeRefs;
    const int32_t refs = --refs_;
    if (refs == 0) Destroy();
    return refs;
  }

  TIntf<IXmlNameTable> GetNameTable() const override { return &store_->Names(); }
  TXmlNodeType GetNodeType() const override { return type_; }
  std::u16string GetNodeName() const override;
  IXmlNode* GetParentNode() const override { return parent_; }
  TIntf<IXmlDocument> GetOwnerDocument() const override;

  TIntf<IXmlNodeList> GetChildNodes() override;
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

  int32_t AttrCount() const override { return int32_t(attrs_.Size()); }
  std::u16string AttrName(int32_t index) const override;
  bool AttrExists(std::u16string_view name) const override;
  Variant GetVarAttr(std::u16string_view name, const Variant& defaultValue = {}) const override;
  void SetVarAttr(std::u16string_view name, const Variant& value) override;
  void RemoveAttr(std::u16string_view name) override;
  void ClearAttrs() override;
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
  TXmlNodeStore& Store() const { return *store_; }
  TXmlNameTable& Names() const { return store_->Names(); }
  TXmlNameId NameId() const { return name_; }
  void SetNameId(TXmlNameId name) { name_ = name; }
  const TXmlChildren& Children() const { return children_; }
  // Appends a node that has no parent yet (the parsers' and builders' fast path).
  void AppendNewChild(TXmlNode* node);
  void ReserveChildren(size_t count) { children_.Reserve(store_, count); }
  // Room for the children of a new node.
  void ReserveNewChildren(size_t count) { children_.ReserveFresh(*store_, count); }
  // Releases every child and gives back the memory that held them.
  void ClearChildren();
  TXmlNode* Parent() const { return parent_; }
  TXmlAttrs& Attrs() { return attrs_; }
  const TXmlAttrs& Attrs() const { return attrs_; }
  const TXmlAttr* FindAttr(TXmlNameId name) const;
  // Sets the attribute with an interned name, replacing an existing one.
  void SetAttrById(TXmlNameId name, const Variant& value);
  void SetAttrTextById(TXmlNameId name, std::u16string_view text);
  const TXmlValue& Value() const { return value_; }
  TXmlValue& MutableValue() { return value_; }
  void SetValueVariant(const Variant& value) { value_.Set(*store_, value); }
  // The text of a CDATA section, comment or instruction (kept as the value).
  std::u16string_view Text() const { return value_.IsText() ? value_.Text() : std::u16string_view(); }
  void SetText(std::u16string_view text) { value_.SetText(*store_, text); }
  // The document this node belongs to, nullptr for a free node.
  const TXmlDocument* Document() const;

  // Appends a new child of `type` and returns it.
  TXmlNode* AppendNew(TXmlNodeType type, TXmlNameId name);
  // Makes a node of `type` (element, text, CDATA, comment or processing instruction) in the
  // store's memory.
  static TXmlNode* Make(TXmlNodeType type, TXmlNodeStore& store, TXmlNameId name = nullptr);
  // Make for an element, the kind that documents hold most of, with room reserved for
  // `attributes` attributes: in the node's own block when they fit there.
  static TXmlNode* MakeElement(TXmlNodeStore& store, TXmlNameId name, size_t attributes = 0);

 protected:
  TXmlNode(TXmlNodeType type, TXmlNodeStore& store, TXmlNameId name);
  ~TXmlNode() override;

 private:
  friend class TXmlNodeList;
  [[noreturn]] void AttributeMissing(const char* format, std::u16string_view name) const;
  // Runs when the last reference goes: gives the node's memory back and releases the store.
  void Destroy();
  void ReleaseSubtree();
  void SetParent(TXmlNode* parent);

  // The fields are ordered so that the small ones share the word after the table pointer: a
  // node takes 96 bytes.
  int32_t refs_ = 0;
  const TXmlNodeType type_;
  bool hasChildList_ = false;  // the store holds the list made for GetChildNodes
  TXmlNodeStore* const store_;
  TXmlNameId name_;  // elements and processing instructions
  TXmlNode* parent_ = nullptr;
  TXmlChildren children_;
  TXmlAttrs attrs_;
  TXmlValue value_;  // element and text values; the text of the other kinds
};

class TXmlElement : public TXmlNode, public virtual IXmlElement {
 public:
  TXmlElement(TXmlNodeStore& store, TXmlNameId name) : TXmlNode(NODE_ELEMENT, store, name) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

// The node slot's size is most of the memory of a large document.
static_assert(sizeof(TXmlElement) <= 96, "the fields of TXmlNode are out of order");

class TXmlCharacterData : public TXmlNode, public virtual IXmlCharacterData {
 public:
  using TXmlNode::TXmlNode;
};

class TXmlText : public TXmlCharacterData, public virtual IXmlText {
 public:
  explicit TXmlText(TXmlNodeStore& store) : TXmlCharacterData(NODE_TEXT, store, nullptr) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlCDATASection : public TXmlCharacterData, public virtual IXmlCDATASection {
 public:
  explicit TXmlCDATASection(TXmlNodeStore& store) : TXmlCharacterData(NODE_CDATA_SECTION, store, nullptr) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlComment : public TXmlCharacterData, public virtual IXmlComment {
 public:
  explicit TXmlComment(TXmlNodeStore& store) : TXmlCharacterData(NODE_COMMENT, store, nullptr) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlProcessingInstruction : public TXmlNode, public virtual IXmlProcessingInstruction {
 public:
  TXmlProcessingInstruction(TXmlNodeStore& store, TXmlNameId name)
      : TXmlNode(NODE_PROCESSING_INSTRUCTION, store, name) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};

class TXmlDocument : public TXmlNode, public virtual IXmlDocument {
 public:
  explicit TXmlDocument(TXmlNodeStore& store);
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

  // Clears the children and the attributes, with their memory: the first step of every load,
  // which then fills the document as it fills a new node.
  void ClearForLoad();
  // The "encoding" attribute of the "xml" declaration, empty when there is none.
  std::u16string DeclaredEncoding() const;

 private:
  bool preserveWhiteSpace_;
};

// ---- making nodes and linking them, inline: the parsers do it for every node they read

// Inline in the constructors of the node kinds, which then know where their virtual bases lie
// instead of looking it up in the tables of the object under construction.
[[gnu::always_inline]] inline TXmlNode::TXmlNode(TXmlNodeType type, TXmlNodeStore& store,
                                                TXmlNameId name)
    : type_(type), store_(&store), name_(name) {
  store.AddRef();
}

inline void TXmlChildren::Insert(TXmlNodeStore* store, size_t index, TXmlNode* node) {
  items_.Insert(store, index, node);
  node->_AddRef();
}

inline void TXmlNode::SetParent(TXmlNode* parent) {
  auto count = [this](TXmlNode* link, int step) {
    if (!link) return;
    store_->Counts.Parented += step;
    if (link->store_ != store_) {
      store_->Counts.Foreign += step;
      link->store_->Counts.Foreign += step;
    }
  };
  count(parent_, -1);
  count(parent, 1);
  parent_ = parent;
}

inline void TXmlNode::AppendNewChild(TXmlNode* node) {
  node->SetParent(this);
  children_.Insert(store_, children_.Size(), node);
}

// ---- the seams between the source files of this unit

// The text parser: reads into the (cleared) document the bytes `taken` from the stream already,
// then the rest of `stream`.
void ParseXmlText(TXmlDocument& document, kelvra::TStream& stream, std::string_view taken);
// The same for bytes in memory.
void ParseXmlText(TXmlDocument& document, std::string_view bytes);
// The node's XML text.
std::u16string WriteXmlText(const TXmlNode& node);
// Writes the node's XML text to a stream in a code page of the encoding table.
void SaveXmlText(const TXmlNode& node, int32_t codePage, kelvra::TStream& stream);
// The binary form.
void WriteBinaryXml(const TXmlDocument& document, kelvra::TStream& stream, uint32_t options);
std::string WriteBinaryXmlString(const TXmlDocument& document);
// Reads after the signature: options, name table, document node; from the bytes `taken` from the
// stream already, then the rest of `stream`.
void ReadBinaryXml(TXmlDocument& document, kelvra::TStream& stream, std::string_view taken);
void ReadBinaryXmlString(TXmlDocument& document, std::string_view xml);

// Short texts, at most 16 bytes, are read as two overlapping words: the first bytes and the last.
constexpr size_t kShortAsciiBytes = 16;

template <class TWord>
inline std::pair<TWord, TWord> HeadAndTail(const uint8_t* bytes, size_t count) {
  TWord head, tail;
  std::memcpy(&head, bytes, sizeof head);
  std::memcpy(&tail, bytes + count - sizeof tail, sizeof tail);
  return {head, tail};
}

// Whether the `count` bytes, at most kShortAsciiBytes, are all ASCII.
inline bool IsShortAscii(const uint8_t* bytes, size_t count) {
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  if (count >= 8) {
    const auto [head, tail] = HeadAndTail<uint64_t>(bytes, count);
    return ((head | tail) & kHighBits) == 0;
  }
  if (count >= 4) {
    const auto [head, tail] = HeadAndTail<uint32_t>(bytes, count);
    return ((head | tail) & uint32_t(kHighBits)) == 0;
  }
  if (count == 0) return true;
  return (bytes[0] | bytes[count / 2] | bytes[count - 1]) < 0x80;  // every byte of up to three
}

// Widens `count` ASCII bytes, at most kShortAsciiBytes, into `out`.
inline void WidenShortAscii(const uint8_t* bytes, size_t count, char16_t* out) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  if (count >= 8) {
    const auto [head, tail] = HeadAndTail<uint64_t>(bytes, count);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(head)), zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count - 8),
                     _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(tail)), zero));
    return;
  }
  if (count >= 4) {
    const auto [head, tail] = HeadAndTail<uint32_t>(bytes, count);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(head)), zero));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + count - 4),
                     _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(tail)), zero));
    return;
  }
  if (count == 0) return;
  out[0] = bytes[0], out[count / 2] = bytes[count / 2], out[count - 1] = bytes[count - 1];  // up to three
#else
  for (size_t i = 0; i < count; ++i) out[i] = bytes[i];
#endif
}

inline void TXmlValue::SetUtf8(TXmlNodeStore& store, std::string_view bytes) {
  const auto* const utf8 = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t count = bytes.size();
  if (kind_ < kText && count <= kShortAsciiBytes && IsShortAscii(utf8, count)) {
    if (count <= kShortLength) {
      WidenShortAscii(utf8, count, chars_);
      shortLength_ = uint8_t(count);
      kind_ = kShortText;
    } else {
      auto* const text = static_cast<char16_t*>(store.Allocate(count * sizeof(char16_t)));
      WidenShortAscii(utf8, count, text);
      SetStored(kText, text, uint32_t(count));
    }
    return;
  }
  SetUtf8Decoded(store, bytes);
}

// The first of `stops` in [p, end), or end; eight characters at a time where SSE2 is there.
template <class... TChars>
inline const char16_t* FindFirstOf(const char16_t* p, const char16_t* end, TChars... stops) {
#if defined(__SSE2__)
  for (; end - p >= 8; p += 8) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int mask = _mm_movemask_epi8((_mm_cmpeq_epi16(chars, _mm_set1_epi16(short(stops))) | ...));
    if (mask != 0) return p + std::countr_zero(unsigned(mask)) / 2;
  }
#endif
  while (p < end && ((*p != stops) && ...)) ++p;
  return p;
}

// TextToXML appending to `out`, with no string of its own.
void AppendTextToXML(std::u16string& out, std::u16string_view s);
// The attribute readings of integers ("-12") and booleans ("0", "1", "false", "true" in any
// letter case); EConvertError naming the text for any other.
int64_t XSTRToInt64(std::u16string_view s);
bool XSTRToBool(std::u16string_view s);
// Whether the texts are the same but for the case of ASCII letters.
bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// The iconv name of a code page of the encoding table.
std::string IconvCharset(int32_t codePage);

// Name character tests: Unicode letters and digits.
bool IsXmlNameStart(char16_t c);
bool IsXmlNameChar(char16_t c);
// UTF-16 names in exception messages, which are UTF-8.
inline std::string MessageText(std::u16string_view s) { return kelvra::Utf16ToUtf8(s); }
// Raises EXmlError with the message `format`, its one "%s" replaced by `argument`, escaped.
[[noreturn]] void RaiseXml(const char* format, std::u16string_view argument);

}  // namespace corvane
