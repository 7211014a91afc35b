// Containers through which buffers and operations wait between one producer and one consumer
// thread: the typed buffer queue, which hands out exactly as many elements as the consumer's
// buffer holds, and the operation list, a locked queue of the pin framework's notify operations.
// Every operation holds the container's lock for its whole body; no callback runs under it, and
// the buffers and operations that leave a container are released after its lock. A consumer may
// wait, with a timeout, for what it takes to arrive (WaitPop).
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <mutex>
#include <type_traits>

#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Threading.h"
#include "pinweave/PNPins.h"

namespace corvane {

// The buffer class that implements a typed buffer interface, and its element type; void for the
// generic IKDDataBuffer.
template <class T>
struct TKDQueuedBufferClass {
  using Type = void;
  using Item = void;
};
template <>
struct TKDQueuedBufferClass<IKDRealBuffer> {
  using Type = TKDRealBuffer;
  using Item = double;
};
template <>
struct TKDQueuedBufferClass<IKDComplexBuffer> {
  using Type = TKDComplexBuffer;
  using Item = kelvra::TComplex;
};
template <>
struct TKDQueuedBufferClass<IKDIntegerBuffer> {
  using Type = TKDIntegerBuffer;
  using Item = int32_t;
};

// The generic queue's element unit and copy. Elements are those of the buffer's own kind: bits for
// boolean buffers, cells for matrices, the typed elements otherwise. The copy takes ACount of them
// from element ASourceIndex of ASource to element ADestIndex of ADest, which must count in the same
// elements.
uint32_t QueuedElementBits(const kelvra::TIntf<IKDDataBuffer>& ABuffer);
void CopyQueuedElements(const kelvra::TIntf<IKDDataBuffer>& ASource, uint32_t ASourceIndex,
                        const kelvra::TIntf<IKDDataBuffer>& ADest, uint32_t ADestIndex,
                        uint32_t ACount);

// Queued buffers of the interface T (IKDRealBuffer, IKDComplexBuffer, IKDDataBuffer or
// IKDIntegerBuffer), oldest first. The total counts the queued elements not yet handed out; the
// read position is the first buffer's next element.
template <class T>
class TKDBufferQueue {
 public:
  using TBuffer = kelvra::TIntf<T>;
  // At most this many queued elements: a push beyond it drops the oldest buffer.
  static constexpr uint32_t kMaxElements = 1024000;

  int32_t GetCount() {
    std::lock_guard guard(lock_);
    return int32_t(buffers_.size());
  }

  // Appends ABuffer (the reference, not a copy). When the total then exceeds the limit, the
  // oldest buffer is dropped: one buffer per push, however far the total is over.
  void Push(const TBuffer& ABuffer) {
    TBuffer dropped;  // let go after the lock is left
    std::lock_guard guard(lock_);
    total_ += ABuffer->GetSize();
    buffers_.push_back(ABuffer);
    if (total_ > kMaxElements) dropped = DropFirst();
    arrival_.NotifyAll();
  }

  // Fills ADest completely from the queued elements, joining and splitting buffers as needed,
  // and returns true; false, with nothing changed, when fewer elements are queued. The generic
  // queue raises EInvalidCast, with nothing changed, when ADest counts in other elements than a
  // buffer it would read from.
  bool Pop(const TBuffer& ADest) { return WaitPop(ADest, 0); }

  // Pop, waiting at most ATimeout milliseconds (kelvra::kInfinite: without limit) for enough
  // elements to arrive; false, with nothing changed, when they do not.
  bool WaitPop(const TBuffer& ADest, uint32_t ATimeout) {
    // Declared before the guard, so that the reference is let go after the lock is left: one
    // atomic operation less inside the critical section.
    TBuffer lastUsedUp;
    std::lock_guard guard(lock_);
    const uint32_t wanted = ADest->GetSize();
    if (!arrival_.Wait(lock_, [&] { return wanted <= total_; }, ATimeout)) return false;
    if constexpr (!kTyped) CheckElementUnits(ADest, wanted);
    Fill(ADest, wanted, lastUsedUp);
    total_ -= wanted;
    return true;
  }

  void Clear() {
    std::deque<TBuffer> cleared;  // let go after the lock is left
    std::lock_guard guard(lock_);
    cleared.swap(buffers_);
    total_ = 0;
    readPosition_ = 0;
  }

  // The queued elements not yet handed out.
  uint32_t GetCollectedSamples() {
    std::lock_guard guard(lock_);
    return total_;
  }

  // The first buffer's whole Size, whatever has been read from it; 0 when empty.
  uint32_t GetFirstBufferSize() {
    std::lock_guard guard(lock_);
    return buffers_.empty() ? 0 : buffers_.front()->GetSize();
  }

  // Removes the first buffer and returns it whole (empty when there is none).
  TBuffer GetFirstBuffer() {
    std::lock_guard guard(lock_);
    return buffers_.empty() ? TBuffer() : DropFirst();
  }

 private:
  // The typed buffer class behind T, whose element copy the runs use; void for generic data
  // buffers, which copy in each queued buffer's own elements, as only the buffer knows its class.
  using TBufferClass = typename TKDQueuedBufferClass<T>::Type;
  static constexpr bool kTyped = !std::is_void_v<TBufferClass>;

  // Copies the first `wanted` queued elements into ADest, starting at the read position, and
  // removes the buffers that are used up, the last of them into ALastUsedUp. A typed destination
  // detaches (with a copy) once, at the first run, and each run is one element copy between the
  // two buffers' pointers.
  void Fill(const TBuffer& ADest, uint32_t wanted, TBuffer& ALastUsedUp) {
    typename TKDQueuedBufferClass<T>::Item* destItems = nullptr;
    uint32_t filled = 0;
    while (filled < wanted && !buffers_.empty()) {
      const TBuffer& first = buffers_.front();
      const uint32_t size = first->GetSize();
      const uint32_t count = std::min(size - std::min(size, readPosition_), wanted - filled);
      if (count > 0) {
        if constexpr (kTyped) {
          if (!destItems) destItems = ADest->Modify();
          TBufferClass::CopyItems(first->Read() + readPosition_, destItems + filled,
                                  int32_t(count));
        } else {
          CopyQueuedElements(first, readPosition_, ADest, filled, count);
        }
      }
      filled += count;
      readPosition_ += count;
      if (readPosition_ >= size) {
        ALastUsedUp = std::move(buffers_.front());
        buffers_.pop_front();
        readPosition_ = 0;
      }
    }
  }

  // The buffers that the next `wanted` elements come from must count in ADest's elements;
  // EInvalidCast otherwise.
  void CheckElementUnits(const TBuffer& ADest, uint32_t wanted) const {
    const uint32_t bits = QueuedElementBits(ADest);
    uint64_t reached = 0;
    uint32_t position = readPosition_;
    for (auto buffer = buffers_.begin(); reached < wanted && buffer != buffers_.end(); ++buffer) {
      if (QueuedElementBits(*buffer) != bits) throw kelvra::EInvalidCast("Invalid class typecast");
      const uint32_t size = (*buffer)->GetSize();
      reached += size - std::min(size, position);
      position = 0;
    }
  }

  // Removes the first buffer: the total loses its unread elements, and reading starts at the
  // beginning of the next one.
  TBuffer DropFirst() {
    TBuffer first = std::move(buffers_.front());
    buffers_.pop_front();
    const uint32_t size = first->GetSize();
    total_ -= std::min(total_, size - std::min(size, readPosition_));
    readPosition_ = 0;
    return first;
  }

  std::deque<TBuffer> buffers_;
  uint32_t total_ = 0;
  uint32_t readPosition_ = 0;
  // One producer and one consumer seldom meet in the queue, and each holds it for one operation
  // at most: a lock that costs one compare-and-swap to take and one exchange to leave. A thread
  // that does meet the other spins briefly, then sleeps until that operation is over.
  kelvra::TParkingLock lock_;
  kelvra::TWaitCondition arrival_;  // a buffer was pushed
};

class IKDOperationList : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{8F72DB4A-F371-4468-B4A7-E19AC60202F0}");
  using TOperation = kelvra::TIntf<pinweave::IPNNotifyOperation>;

  // Each returns the count after it. PushBack inserts at the front, so that the operation is the
  // next to be taken; Push appends, emptying the list first when AClear; PushLimit appends only
  // while the count is below ALimit and otherwise drops the operation.
  virtual int32_t PushBack(const TOperation& AOperation) = 0;
  virtual int32_t Push(const TOperation& AOperation, bool AClear) = 0;
  virtual int32_t PushLimit(const TOperation& AOperation, int32_t ALimit) = 0;
  // Remove / deliver the front operation; an empty operation and false when there is none.
  virtual bool Pop(TOperation& AOperation) = 0;
  virtual bool Peek(TOperation& AOperation) = 0;
  virtual int32_t ItemsCount() = 0;
  virtual void Clear() = 0;
  // Pop, waiting at most ATimeout milliseconds (kelvra::kInfinite: without limit) for an
  // operation to arrive.
  virtual bool WaitPop(TOperation& AOperation, uint32_t ATimeout) = 0;
};

class TKDOperationList : public kelvra::TInterfacedObject, public virtual IKDOperationList {
 public:
  static kelvra::TIntf<IKDOperationList> Create() { return new TKDOperationList(); }

  int32_t PushBack(const TOperation& AOperation) override;
  int32_t Push(const TOperation& AOperation, bool AClear) override;
  int32_t PushLimit(const TOperation& AOperation, int32_t ALimit) override;
  bool Pop(TOperation& AOperation) override;
  bool Peek(TOperation& AOperation) override;
  int32_t ItemsCount() override;
  void Clear() override;
  bool WaitPop(TOperation& AOperation, uint32_t ATimeout) override;

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDOperationList, IKDOperationList>(this, iid, out);
  }

 private:
  TKDOperationList() = default;

  std::deque<TOperation> operations_;
  kelvra::TParkingLock lock_;
  kelvra::TWaitCondition arrival_;  // an operation was pushed
};

// A stop marker: an operation with no behaviour of its own.
class TKDInternalStopOperation : public pinweave::TPNNotifyOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TKDInternalStopOperation::ClassRef =
    kelvra::ClassRefOf<TKDInternalStopOperation, pinweave::TPNNotifyOperation>(
        "TKDInternalStopOperation");

}  // namespace corvane
