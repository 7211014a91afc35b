#include "corvane/buffers/KDVariantStorages.h"

#include "corvane/numeric/KDBasicDispatcher.h"

namespace corvane {

namespace {

// Copies ACount bits from bit ASourceBit of ASource to bit ADestBit of ADest, the least
// significant bit of a byte first; ADest's other bits keep their values. From byte boundaries on
// both sides the whole bytes go by the byte copy slot.
void CopyBits(const uint8_t* ASource, uint64_t ASourceBit, uint8_t* ADest, uint64_t ADestBit,
              uint64_t ACount) {
  if (ASourceBit % 8 == 0 && ADestBit % 8 == 0) {
    const uint64_t wholeBits = ACount / 8 * 8;
    ippsCopy_8u(ASource + ASourceBit / 8, ADest + ADestBit / 8, int32_t(wholeBits / 8));
    ASourceBit += wholeBits;
    ADestBit += wholeBits;
    ACount -= wholeBits;
  }
  for (uint64_t i = 0; i < ACount; ++i) {
    const uint64_t from = ASourceBit + i, to = ADestBit + i;
    const uint8_t bit = uint8_t(1u << (to % 8));
    if (ASource[from / 8] >> (from % 8) & 1)
      ADest[to / 8] |= bit;
    else
      ADest[to / 8] &= uint8_t(~bit);
  }
}

}  // namespace

uint32_t QueuedElementBits(const kelvra::TIntf<IKDDataBuffer>& ABuffer) {
  return TKDGenericBuffer::BufferOf(ABuffer).ElementBits();
}

void CopyQueuedElements(const kelvra::TIntf<IKDDataBuffer>& ASource, uint32_t ASourceIndex,
                        const kelvra::TIntf<IKDDataBuffer>& ADest, uint32_t ADestIndex,
                        uint32_t ACount) {
  const uint64_t bits = QueuedElementBits(ASource);
  CopyBits(static_cast<const uint8_t*>(ASource->ByteRead()), ASourceIndex * bits,
           static_cast<uint8_t*>(ADest->ByteModify()), ADestIndex * bits, ACount * bits);
}

// Each operation below holds the lock for its whole body. Operations that leave the list are
// released after the lock is left (by the caller's reference, or a local declared before the
// guard): releasing one may free what it carries.

int32_t TKDOperationList::PushBack(const TOperation& AOperation) {
  std::lock_guard guard(lock_);
  operations_.push_front(AOperation);
  arrival_.NotifyAll();
  return int32_t(operations_.size());
}

int32_t TKDOperationList::Push(const TOperation& AOperation, bool AClear) {
  std::deque<TOperation> cleared;
  std::lock_guard guard(lock_);
  if (AClear) cleared.swap(operations_);
  operations_.push_back(AOperation);
  arrival_.NotifyAll();
  return int32_t(operations_.size());
}

int32_t TKDOperationList::PushLimit(const TOperation& AOperation, int32_t ALimit) {
  std::lock_guard guard(lock_);
  if (int32_t(operations_.size()) < ALimit) {
    operations_.push_back(AOperation);
    arrival_.NotifyAll();
  }
  return int32_t(operations_.size());
}

bool TKDOperationList::Pop(TOperation& AOperation) { return WaitPop(AOperation, 0); }

bool TKDOperationList::WaitPop(TOperation& AOperation, uint32_t ATimeout) {
  TOperation previous = std::move(AOperation);
  std::lock_guard guard(lock_);
  if (!arrival_.Wait(lock_, [this] { return !operations_.empty(); }, ATimeout)) return false;
  AOperation = std::move(operations_.front());
  operations_.pop_front();
  return true;
}

bool TKDOperationList::Peek(TOperation& AOperation) {
  TOperation previous = std::move(AOperation);
  std::lock_guard guard(lock_);
  if (operations_.empty()) return false;
  AOperation = operations_.front();
  return true;
}

int32_t TKDOperationList::ItemsCount() {
  std::lock_guard guard(lock_);
  return int32_t(operations_.size());
}

void TKDOperationList::Clear() {
  std::deque<TOperation> cleared;
  std::lock_guard guard(lock_);
  cleared.swap(operations_);
}

}  // namespace corvane
