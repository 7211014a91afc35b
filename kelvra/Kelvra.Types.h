// The COM-like object model every Corvane interface is built on: GUIDs, IInterface, the intrusive
// smart pointer TIntf<I>, and three bases for objects that answer interface queries:
//
//   TInterfacedBase    answers queries for the interfaces its class lists once, with
//                      AnswerInterfaces<Self, I...> (checked at compile time, answered with
//                      static_cast); leaves _AddRef/_Release to the class, for objects whose
//                      lifetime is counted in a way of their own (the XML nodes);
//   TInterfacedObject  shared objects: an atomic count, deleted by the release that reaches 0;
//   TNoRefCountObject  owned objects (components, pins, property objects, converters): no count
//                      at all, _AddRef/_Release do nothing, the owner deletes them.
//
// Counting is thread-safe for TInterfacedObject; a TIntf itself is not (one thread per pointer
// variable, as with any value). TGUID::Parse raises EConvertError at run time; nothing else here
// throws.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace kelvra {

// Root of the classes that are passed around as "sender" objects.
class TObject {
 public:
  virtual ~TObject() = default;
};

// A rectangle of whole pixels: left and top inside it, right and bottom just outside.
struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

// A 16-byte interface identifier, laid out as the Windows GUID record.
struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  uint8_t D4[8] = {};

  // Parses the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". In a constant expression a
  // malformed text fails to compile; at run time it raises EConvertError.
  static constexpr TGUID Parse(std::string_view text);

  std::string ToString() const;  // the registry form, upper-case hex, with braces
  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
  friend constexpr auto operator<=>(const TGUID&, const TGUID&) = default;
};

namespace detail {
[[noreturn]] void ThrowBadGUID(std::string_view text);

constexpr unsigned HexDigit(std::string_view text, char c) {
  if (c >= '0' && c <= '9') return unsigned(c - '0');
  if (c >= 'a' && c <= 'f') return unsigned(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return unsigned(c - 'A' + 10);
  ThrowBadGUID(text);
}

constexpr uint64_t HexField(std::string_view text, size_t pos, size_t digits) {
  uint64_t value = 0;
  for (size_t i = 0; i < digits; ++i) value = value << 4 | HexDigit(text, text[pos + i]);
  return value;
}
}  // namespace detail

constexpr TGUID TGUID::Parse(std::string_view text) {
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-')
    detail::ThrowBadGUID(text);
  TGUID g;
  g.D1 = uint32_t(detail::HexField(text, 1, 8));
  g.D2 = uint16_t(detail::HexField(text, 10, 4));
  g.D3 = uint16_t(detail::HexField(text, 15, 4));
  g.D4[0] = uint8_t(detail::HexField(text, 20, 2));
  g.D4[1] = uint8_t(detail::HexField(text, 22, 2));
  for (size_t i = 0; i < 6; ++i) g.D4[2 + i] = uint8_t(detail::HexField(text, 25 + 2 * i, 2));
  return g;
}

struct TGUIDHash {
  size_t operator()(const TGUID& g) const noexcept;
};

// The root interface. Interfaces derive from it virtually and declare `static constexpr TGUID IID`.
class IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{00000000-0000-0000-C000-000000000046}");

  // Stores the object's pointer for `iid` (already AddRef'ed) in *out; returns false when the
  // object does not offer that interface.
  virtual bool QueryInterface(const TGUID& iid, void** out) = 0;
  virtual int32_t _AddRef() = 0;
  virtual int32_t _Release() = 0;

 protected:
  virtual ~IInterface() = default;
};

// Intrusive smart pointer: copying adds a reference, destruction releases it.
template <class I>
class TIntf {
 public:
  TIntf() = default;
  TIntf(std::nullptr_t) {}
  TIntf(I* p) : p_(p) { Retain(); }
  TIntf(const TIntf& other) : p_(other.p_) { Retain(); }
  TIntf(TIntf&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class J>
    requires std::is_convertible_v<J*, I*>
  TIntf(const TIntf<J>& other) : p_(other.get()) { Retain(); }
  ~TIntf() { Drop(); }

  TIntf& operator=(TIntf other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Takes over a reference that the caller already holds (as QueryInterface hands one out).
  static TIntf Adopt(I* p) {
    TIntf result;
    result.p_ = p;
    return result;
  }

  // Gives up the held reference without releasing it: the caller takes it over.
  I* Detach() { return std::exchange(p_, nullptr); }

  I* get() const { return p_; }
  I* operator->() const { return p_; }
  I& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() { TIntf().swap(*this); }
  void swap(TIntf& other) noexcept { std::swap(p_, other.p_); }

  friend bool operator==(const TIntf& a, const TIntf& b) { return a.p_ == b.p_; }
  friend bool operator==(const TIntf& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  void Retain() {
    if (p_) p_->_AddRef();
  }
  void Drop() {
    if (p_) std::exchange(p_, nullptr)->_Release();
  }
  I* p_ = nullptr;
};

// Asks `object` for interface I by GUID; an empty pointer when it does not offer it.
template <class I, class J>
TIntf<I> Supports(const TIntf<J>& object) {
  void* out = nullptr;
  if (object && object->QueryInterface(I::IID, &out)) return TIntf<I>::Adopt(static_cast<I*>(out));
  return {};
}

template <class I>
TIntf<I> Supports(IInterface* object) {
  void* out = nullptr;
  if (object && object->QueryInterface(I::IID, &out)) return TIntf<I>::Adopt(static_cast<I*>(out));
  return {};
}

// The interface-answering part of an object. QueryInterface answers IInterface; a class that
// offers more overrides it with AnswerInterfaces, listing them once. Lifetime is the derived
// class's: it supplies _AddRef and _Release.
class TInterfacedBase : public virtual IInterface {
 public:
  TInterfacedBase(const TInterfacedBase&) = delete;
  TInterfacedBase& operator=(const TInterfacedBase&) = delete;

  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TInterfacedBase>(this, iid, out);
  }

 protected:
  TInterfacedBase() = default;
  ~TInterfacedBase() override = default;

  // Answers `iid` when it is one of Is or IInterface, handing out a reference to `self`; used as
  //   return AnswerInterfaces<TSelf, IFirst, ISecond>(this, iid, out);
  // Each of Is must be a base of Self, reached along one path: a class cannot list an interface
  // it does not implement. A GUID comparison per listed interface, no run-time type lookup.
  template <class Self, class... Is>
    requires(std::is_base_of_v<Is, Self> && ...)
  static bool AnswerInterfaces(Self* self, const TGUID& iid, void** out) {
    const bool answered =
        ((iid == Is::IID && (*out = static_cast<Is*>(self), true)) || ... ||
         (iid == IInterface::IID && (*out = static_cast<IInterface*>(self), true)));
    if (answered) static_cast<IInterface*>(self)->_AddRef();
    return answered;
  }
};

// Reference-counted base: the count is atomic, and the release that brings it to 0 deletes the
// object. Objects of these classes live on the heap and are held through TIntf.
class TInterfacedObject : public TInterfacedBase {
 public:
  int32_t _AddRef() override;
  int32_t _Release() override;
  int32_t RefCount() const { return refCount_.load(std::memory_order_relaxed); }
  // Adds a reference only while the object is alive (count above 0): the one way to revive a
  // reference from a weak holder without resurrecting an object that is being destroyed.
  bool TryAddRef();

 protected:
  TInterfacedObject() = default;
  ~TInterfacedObject() override = default;

  // _AddRef and _Release for a class whose objects are made and dropped in great numbers, never
  // reached by a weak holder (TryAddRef) and handed to no other thread before their first
  // reference. Such an object with no reference is seen by its maker alone, and the holder of
  // its only reference is the only one that could add another, so the first reference is stored
  // and the release of the only one frees the object, neither with an atomic read-modify-write.
  int32_t AddRefUnshared();
  int32_t ReleaseUnshared();

 private:
  std::atomic<int32_t> refCount_{0};
};

// Base of owned objects that answer interface queries. References handed out through TIntf do
// not keep such an object alive: its owner alone decides its lifetime and deletes it.
class TNoRefCountObject : public TInterfacedBase {
 public:
  ~TNoRefCountObject() override = default;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

 protected:
  TNoRefCountObject() = default;
};

namespace detail {
// Shared by an object that weak holders refer to and those holders. The object clears `target`
// in its destructor under `mutex`; a holder that finds it set, under the same mutex, may still
// ask the (not yet destroyed) object for a reference.
struct TWeakLink {
  explicit TWeakLink(TInterfacedObject* object) : target(object) {}
  std::mutex mutex;
  TInterfacedObject* target;
};
}  // namespace detail

// Base of the objects that TWeakHolder may refer to.
class TWeakReferencedObject : public TInterfacedObject {
 public:
  const std::shared_ptr<detail::TWeakLink>& WeakLink() const { return link_; }

 protected:
  TWeakReferencedObject() : link_(std::make_shared<detail::TWeakLink>(this)) {}
  ~TWeakReferencedObject() override {
    std::lock_guard guard(link_->mutex);
    link_->target = nullptr;
  }

 private:
  std::shared_ptr<detail::TWeakLink> link_;
};

// A reference that does not keep its object alive. Get() hands out a counted reference while the
// object lives and an empty one from the moment its last counted reference is released.
template <class T>
class TWeakHolder {
 public:
  explicit TWeakHolder(T* object) : link_(object->WeakLink()), object_(object) {}

  TIntf<T> Get() const {
    std::lock_guard guard(link_->mutex);
    if (link_->target && object_->TryAddRef()) return TIntf<T>::Adopt(object_);
    return {};
  }
  bool Alive() const { return bool(Get()); }

 private:
  std::shared_ptr<detail::TWeakLink> link_;
  T* object_;
};

}  // namespace kelvra
