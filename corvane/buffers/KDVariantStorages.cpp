#include "corvane/buffers/KDVariantStorages.h"

namespace corvane {

template <class Body>
auto TKDOperationList::Locked(Body body) {
  lock_->Enter();
  struct Leave {
    kelvra::ICriticalSection& lock;
    ~Leave() { lock.Leave(); }
  } leave{*lock_};
  return body();
}

int32_t TKDOperationList::PushBack(const TOperation& AOperation) {
  return Locked([&] {
    operations_.push_front(AOperation);
    return int32_t(operations_.size());
  });
}

int32_t TKDOperationList::Push(const TOperation& AOperation, bool AClear) {
  return Locked([&] {
    if (AClear) operations_.clear();
    operations_.push_back(AOperation);
    return int32_t(operations_.size());
  });
}

int32_t TKDOperationList::PushLimit(const TOperation& AOperation, int32_t ALimit) {
  return Locked([&] {
    if (int32_t(operations_.size()) < ALimit) operations_.push_back(AOperation);
    return int32_t(operations_.size());
  });
}

bool TKDOperationList::Pop(TOperation& AOperation) {
  return Locked([&] {
    if (operations_.empty()) {
      AOperation.reset();
      return false;
    }
    AOperation = std::move(operations_.front());
    operations_.pop_front();
    return true;
  });
}

bool TKDOperationList::Peek(TOperation& AOperation) {
  return Locked([&] {
    AOperation = operations_.empty() ? TOperation() : operations_.front();
    return !operations_.empty();
  });
}

int32_t TKDOperationList::ItemsCount() {
  return Locked([&] { return int32_t(operations_.size()); });
}

void TKDOperationList::Clear() {
  Locked([&] { operations_.clear(); });
}

}  // namespace corvane
