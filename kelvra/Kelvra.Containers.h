// Containers of the runtime: the growable list, the multicast procedure list and the set of
// enumeration members. TMultiProc may be used from several threads at once (see there); the
// others, one thread at a time per container.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Threading.h"

namespace kelvra {

// AIndex as a place in a list of ACount items; ERangeError ("List index out of bounds (AIndex)")
// when it lies outside 0 .. ACount - 1.
inline size_t CheckListIndex(int64_t AIndex, size_t ACount) {
  if (AIndex < 0 || uint64_t(AIndex) >= ACount)
    throw ERangeError("List index out of bounds (" + std::to_string(AIndex) + ")");
  return size_t(AIndex);
}

// A growable list with index-checked access.
template <class T>
class TArrayList {
 public:
  void Add(T item) { items_.push_back(std::move(item)); }
  int32_t GetCount() const { return int32_t(items_.size()); }
  const T& operator[](int32_t index) const { return items_[CheckedIndex(index)]; }
  T& operator[](int32_t index) { return items_[CheckedIndex(index)]; }
  void Delete(int32_t index) { items_.erase(items_.begin() + CheckedIndex(index)); }
  void Clear() { items_.clear(); }
  // Removes every item for which `predicate` is true, keeping the order of the others.
  template <class Predicate>
  void RemoveIf(Predicate predicate) {
    std::erase_if(items_, predicate);
  }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  size_t CheckedIndex(int32_t index) const { return CheckListIndex(index, items_.size()); }
  std::vector<T> items_;
};

// A set of members of the enumeration E, one bit each: the member of value n is bit n of Bits(),
// so that [a, c] of the enumeration (a, b, c) is 0b101. TBits holds as many members as it has
// bits; a member of a larger value raises EAssertionFailed.
template <class E, class TBits = uint32_t>
class TSet {
  static_assert(std::is_enum_v<E> && std::is_unsigned_v<TBits>);

 public:
  using TMember = E;
  using TStorage = TBits;

  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E member : members) bits_ |= Bit(member);
  }
  static constexpr TSet FromBits(TBits bits) {
    TSet set;
    set.bits_ = bits;
    return set;
  }

  constexpr bool Contains(E member) const { return (bits_ & Bit(member)) != 0; }
  constexpr TBits Bits() const { return bits_; }
  constexpr TSet& operator|=(TSet other) {
    bits_ |= other.bits_;
    return *this;
  }
  constexpr TSet& operator-=(TSet other) {
    bits_ &= TBits(~other.bits_);
    return *this;
  }
  friend constexpr bool operator==(TSet, TSet) = default;

 private:
  static constexpr TBits Bit(E member) {
    const auto value = std::underlying_type_t<E>(member);
    KELVRA_ASSERT(std::cmp_greater_equal(value, 0) &&
                  std::cmp_less(value, std::numeric_limits<TBits>::digits));
    return TBits(TBits(1) << value);
  }
  TBits bits_ = 0;
};

// A list of procedures called together, in the order they were added. Holders on several
// threads may add, remove and call at once: Call runs the list as it stood when the Call began,
// outside the list's lock, so that a procedure may itself add or remove procedures (the change
// shows at the next Call). A procedure removed while a Call on another thread is under way may
// still run in that Call.
class TMultiProc {
 public:
  using TProcedure = std::function<void()>;

  // Returns a handle that Remove accepts.
  int32_t Add(TProcedure procedure) {
    std::lock_guard guard(lock_);
    TList next = procedures_ ? *procedures_ : TList();
    next.emplace_back(++lastHandle_, std::move(procedure));
    Publish(std::move(next));
    return lastHandle_;
  }
  void Remove(int32_t handle) {
    std::lock_guard guard(lock_);
    if (!procedures_) return;
    TList next = *procedures_;
    std::erase_if(next, [handle](const auto& entry) { return entry.first == handle; });
    Publish(std::move(next));
  }
  bool IsEmpty() const { return count_.load(std::memory_order_relaxed) == 0; }
  void Call() const {
    std::shared_ptr<const TList> procedures;
    {
      std::lock_guard guard(lock_);
      procedures = procedures_;
    }
    if (procedures)
      for (const auto& entry : *procedures) entry.second();
  }

 private:
  using TList = std::vector<std::pair<int32_t, TProcedure>>;

  // Under the lock: the list that the next Call runs. A list once published is never changed.
  void Publish(TList list) {
    count_.store(int32_t(list.size()), std::memory_order_relaxed);
    procedures_ = std::make_shared<const TList>(std::move(list));
  }

  mutable TParkingLock lock_;
  std::shared_ptr<const TList> procedures_;  // under the lock
  int32_t lastHandle_ = 0;                   // under the lock
  std::atomic<int32_t> count_{0};
};

}  // namespace kelvra
