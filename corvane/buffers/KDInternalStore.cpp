#include "corvane/buffers/KDInternalStore.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

std::atomic<int32_t> _KDCountStores{0};

void* KDBufferAllocate(uint32_t ASize) {
  if (ASize == 0) return nullptr;
  // The allocator takes a signed size: larger blocks cannot be had.
  void* data = ASize <= uint32_t(INT32_MAX) ? _ippMalloc(int32_t(ASize)) : nullptr;
  if (!data) throw kelvra::EOutOfMemory();
  return data;
}

void KDBufferDeallocate(void* AData, uint32_t) { _ippFree(AData); }

void KDMemoryCleanUp() {}

// ---------------------------------------------------------------------------------------------

TKDSmartBuffer::TKDSmartBuffer() { _KDCountStores.fetch_add(1, std::memory_order_relaxed); }

TKDSmartBuffer::~TKDSmartBuffer() { _KDCountStores.fetch_sub(1, std::memory_order_relaxed); }

namespace {
// Adds ADelta to a count that only the holder of the block's lock changes, keeping it at 0 or
// above: a plain load and store.
void Change(std::atomic<int32_t>& ACount, int32_t ADelta) {
  const int32_t value = ACount.load(std::memory_order_relaxed) + ADelta;
  if (value >= 0) ACount.store(value, std::memory_order_relaxed);
}
}  // namespace

void TKDSmartBuffer::AddReff(bool AOwnership) {
  std::lock_guard guard(lock_);
  if (AOwnership) Change(ownerCount_, 1);
  Change(referenceCount_, 1);
}

void TKDSmartBuffer::RemoveReff(bool AOwnership) {
  {
    std::lock_guard guard(lock_);
    if (AOwnership) Change(ownerCount_, -1);
    Change(referenceCount_, -1);
    if (referenceCount_.load(std::memory_order_relaxed) > 0) return;
  }
  delete this;
}

void TKDSmartBuffer::RemoveOwnerShip() {
  std::lock_guard guard(lock_);
  Change(ownerCount_, -1);
}

TKDSmartBuffer* TKDSmartBuffer::Clone(bool) {
  kelvra::AssertionFailed(__FILE__, __LINE__,
                          "Cloning is not implemented for " + kelvra::ClassName(typeid(*this)));
}

kelvra::TIntf<IKDSmartBufferProxy> TKDSmartBuffer::GetProxy(
    const TKDSmartBufferProxyClass& AClass, std::span<const kelvra::Variant> AParams) {
  // The proxies looked at and not chosen are let go after the lock: a proxy whose other holders
  // have gone meanwhile is destroyed then, outside the lock.
  std::vector<kelvra::TIntf<TKDSmartBufferProxy>> passed;
  kelvra::TIntf<TKDSmartBufferProxy> found;
  std::lock_guard guard(lock_);
  // Entries whose proxy has gone are dropped on the way.
  proxies_.RemoveIf([&](const kelvra::TWeakHolder<TKDSmartBufferProxy>& holder) {
    kelvra::TIntf<TKDSmartBufferProxy> proxy = holder.Get();
    if (!proxy) return true;
    if (!found && proxy->ClassType() == AClass && proxy->MatchesParameters(AParams))
      found = std::move(proxy);
    else
      passed.push_back(std::move(proxy));
    return false;
  });
  if (!found) {
    found = AClass.Create<TKDSmartBufferProxy*(TKDSmartBuffer*, std::span<const kelvra::Variant>)>(
        this, AParams);
    proxies_.Add(kelvra::TWeakHolder<TKDSmartBufferProxy>(found.get()));
  }
  return kelvra::TIntf<IKDSmartBufferProxy>(found.get());
}

// ---------------------------------------------------------------------------------------------

TKDSmartMemoryBuffer::TKDSmartMemoryBuffer(uint32_t ASize)
    : data_(KDBufferAllocate(ASize)), size_(ASize) {}

TKDSmartMemoryBuffer::TKDSmartMemoryBuffer(const void* AData, uint32_t ASize)
    : TKDSmartMemoryBuffer(ASize) {
  if (AData && ASize > 0) std::memcpy(data_, AData, ASize);
}

TKDSmartMemoryBuffer::TKDSmartMemoryBuffer(TKDSmartMemoryBuffer& ASource, bool ACopyData)
    : TKDSmartMemoryBuffer(ACopyData ? ASource.data_ : nullptr, ASource.size_) {}

TKDSmartMemoryBuffer::~TKDSmartMemoryBuffer() { KDBufferDeallocate(data_, size_); }

TKDSmartBuffer* TKDSmartMemoryBuffer::Clone(bool ACopyData) {
  return new TKDSmartMemoryBuffer(*this, ACopyData);
}

void TKDSmartMemoryBuffer::CopyFrom(TKDSmartMemoryBuffer& ASource) {
  const uint32_t count = std::min(size_, ASource.size_);
  if (count > 0) std::memmove(data_, ASource.data_, count);
}

// ---------------------------------------------------------------------------------------------

TKDSmartBufferProxy::TKDSmartBufferProxy(TKDSmartBuffer* ABuffer,
                                         std::span<const kelvra::Variant>)
    : buffer_(ABuffer) {
  buffer_->AddReff(false);
}

TKDSmartBufferProxy::~TKDSmartBufferProxy() { buffer_->RemoveReff(false); }

bool TKDSmartBufferProxy::MatchesParameters(std::span<const kelvra::Variant>) { return true; }

void TKDSmartBufferProxy::Syncronize(TBufferAccessModes) {}

void TKDSmartBufferProxy::Lock(kelvra::TObject* AOwner, TBufferAccessModes AModes) {
  std::lock_guard guard(lock_);
  owners_[reinterpret_cast<uintptr_t>(AOwner)] = AModes;
  lockedModes_ |= AModes;
}

void TKDSmartBufferProxy::Unlock(kelvra::TObject* AOwner) {
  std::lock_guard guard(lock_);
  owners_.erase(reinterpret_cast<uintptr_t>(AOwner));
  if (owners_.empty()) Syncronize(lockedModes_);
}

void TKDSmartBufferProxy::Invalidate() {}

}  // namespace corvane
