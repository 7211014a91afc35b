// Containers of the runtime: the growable list and the multicast procedure list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra {

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
  size_t CheckedIndex(int32_t index) const {
    if (index < 0 || index >= GetCount())
      throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
    return size_t(index);
  }
  std::vector<T> items_;
};

// A list of procedures called together, in the order they were added.
class TMultiProc {
 public:
  using TProcedure = std::function<void()>;

  // Returns a handle that Remove accepts.
  int32_t Add(TProcedure procedure) {
    procedures_.emplace_back(++lastHandle_, std::move(procedure));
    return lastHandle_;
  }
  void Remove(int32_t handle) {
    std::erase_if(procedures_, [handle](const auto& entry) { return entry.first == handle; });
  }
  bool IsEmpty() const { return procedures_.empty(); }
  void Call() const {
    for (const auto& entry : procedures_) entry.second();
  }

 private:
  std::vector<std::pair<int32_t, TProcedure>> procedures_;
  int32_t lastHandle_ = 0;
};

}  // namespace kelvra
