// Shared memory blocks: the store behind every typed buffer. A block counts its holders and its
// owners; a buffer that must write into a block that other owners hold takes a private block
// first (copy-on-write, carried out by the generic buffer). The block also carries the buffer
// number and the proxies that mirror it elsewhere.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <type_traits>
#include <unordered_map>

#include "kelvra/Kelvra.ClassRef.h"
#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.Types.h"
#include "kelvra/Kelvra.Threading.h"
#include "kelvra/Kelvra.Variants.h"

namespace corvane {

// Scoped: the members' plain names would otherwise clash with the buffers' Read and Write.
enum class TBufferAccessMode : uint8_t { Read, Write };

// A set of access modes: [Read] = 1, [Write] = 2, [Read, Write] = 3.
using TBufferAccessModes = kelvra::TSet<TBufferAccessMode, uint8_t>;

class TKDSmartBuffer;
class TKDSmartBufferProxy;

class IKDSmartBufferProxy : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{144E7F44-DE45-463D-A94F-73ACEB80BC6F}");
  virtual TKDSmartBufferProxy* GetInstance() = 0;
  virtual void Invalidate() = 0;
};

// A proxy class: the class reference of TKDSmartBufferProxy or a descendant.
using TKDSmartBufferProxyClass = kelvra::TClassRef;

// The block. Abstract: memory blocks hold their bytes in TKDSmartMemoryBuffer. Blocks are not
// reference-counted objects: they destroy themselves in the RemoveReff that releases the last
// holder.
class TKDSmartBuffer : public kelvra::TObject {
 public:
  TKDSmartBuffer(const TKDSmartBuffer&) = delete;
  TKDSmartBuffer& operator=(const TKDSmartBuffer&) = delete;

  virtual void AddReff(bool AOwnership);
  virtual void RemoveReff(bool AOwnership);
  virtual void RemoveOwnerShip();
  // At most one owner (others may hold the block without owning it). Inline: every write to a
  // buffer asks it.
  bool SingleOwner() {
    std::lock_guard guard(lock_);
    return ownerCount_.load(std::memory_order_relaxed) < 2;
  }
  virtual uint32_t GetSize() = 0;
  virtual void* GetData() = 0;
  // A new block of the same class; with ACopyData the bytes too. The base class cannot.
  virtual TKDSmartBuffer* Clone(bool ACopyData);

  // One re-entrant lock serves reading, writing and counting.
  void EnterRead() { lock_.lock(); }
  void LeaveRead() { lock_.unlock(); }
  void EnterWrite() { lock_.lock(); }
  void LeaveWrite() { lock_.unlock(); }

  // The sequence stamp, which holders on any thread may read and write: each field is read and
  // written whole, without the lock. A holder that sets the number before the flag publishes both:
  // one that sees the flag set sees that number.
  bool GetBufferNumberAvailable() const {
    return bufferNumberAvailable_.load(std::memory_order_acquire);
  }
  void SetBufferNumberAvailable(bool value) {
    bufferNumberAvailable_.store(value, std::memory_order_release);
  }
  int64_t GetBufferNumber() const { return bufferNumber_.load(std::memory_order_acquire); }
  void SetBufferNumber(int64_t value) { bufferNumber_.store(value, std::memory_order_release); }

  // The proxy of exactly class AClass that matches AParams, created and listed when there is none.
  // Safe from several threads: the list is walked under the block's lock.
  kelvra::TIntf<IKDSmartBufferProxy> GetProxy(const TKDSmartBufferProxyClass& AClass,
                                              std::span<const kelvra::Variant> AParams);

  int32_t OwnerCount() const { return ownerCount_.load(std::memory_order_acquire); }
  int32_t ReferenceCount() const { return referenceCount_.load(std::memory_order_acquire); }

 protected:
  TKDSmartBuffer();
  ~TKDSmartBuffer() override;

 private:
  // Under the lock, each change a plain load and store (no atomic read-modify-write: the lock
  // already orders them); atomic so that the counts can be inspected without it.
  std::atomic<int32_t> ownerCount_{0};
  std::atomic<int32_t> referenceCount_{0};
  // Held for a few instructions at a time; a thread that meets it spins briefly, then sleeps.
  kelvra::TReentrantLock lock_;
  std::atomic<bool> bufferNumberAvailable_{false};
  std::atomic<int64_t> bufferNumber_{0};
  kelvra::TArrayList<kelvra::TWeakHolder<TKDSmartBufferProxy>> proxies_;  // under the lock
};

class TKDSmartMemoryBuffer : public TKDSmartBuffer {
 public:
  // ASize zero-filled bytes.
  explicit TKDSmartMemoryBuffer(uint32_t ASize);
  // ASize zero-filled bytes, then ASize bytes copied from AData unless it is null.
  TKDSmartMemoryBuffer(const void* AData, uint32_t ASize);
  // A block of ASource's size holding a copy of its bytes when ACopyData, zeros otherwise. Counts,
  // buffer number and proxies start afresh.
  TKDSmartMemoryBuffer(TKDSmartMemoryBuffer& ASource, bool ACopyData);

  uint32_t GetSize() override { return size_; }
  void* GetData() override { return data_; }
  TKDSmartBuffer* Clone(bool ACopyData) override;
  void* GetRawData() const { return data_; }
  // Copies as many bytes as the smaller block holds.
  void CopyFrom(TKDSmartMemoryBuffer& ASource);

 protected:
  ~TKDSmartMemoryBuffer() override;

 private:
  void* data_;
  const uint32_t size_;
};

// An object that mirrors a block elsewhere. It holds its block as a non-owning holder, so that
// the block lives as long as any proxy of it. Each proxy class declares its class reference
// (kelvra/Kelvra.ClassRef.h) and returns it from ClassType: a block finds its proxies by class.
// Holders on several threads may lock and unlock a proxy at once: the per-owner record is kept
// under a lock of the proxy's own, which Syncronize runs under too, so that no owner locks the
// proxy while it synchronises.
class TKDSmartBufferProxy : public kelvra::TWeakReferencedObject,
                            public virtual IKDSmartBufferProxy {
 public:
  TKDSmartBufferProxy(TKDSmartBuffer* ABuffer, std::span<const kelvra::Variant> AParams);

  static const kelvra::TClassRef ClassRef;
  virtual const kelvra::TClassRef& ClassType() const { return ClassRef; }
  // How a class reference makes a proxy: its virtual constructor.
  template <class T>
    requires std::is_constructible_v<T, TKDSmartBuffer*, std::span<const kelvra::Variant>>
  static TKDSmartBufferProxy* MakeInstance(TKDSmartBuffer* ABuffer,
                                           std::span<const kelvra::Variant> AParams) {
    return new T(ABuffer, AParams);
  }

  TKDSmartBufferProxy* GetInstance() override { return this; }
  virtual bool MatchesParameters(std::span<const kelvra::Variant> AParams);
  virtual void Syncronize(TBufferAccessModes AModes);
  // Records AOwner's modes (replacing an earlier record) and adds them to the union.
  virtual void Lock(kelvra::TObject* AOwner, TBufferAccessModes AModes);
  // Drops AOwner's record; when none is left, synchronises with the union of all modes locked.
  virtual void Unlock(kelvra::TObject* AOwner);
  void Invalidate() override;

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDSmartBufferProxy, IKDSmartBufferProxy>(this, iid, out);
  }

 protected:
  ~TKDSmartBufferProxy() override;
  TKDSmartBuffer* Buffer() const { return buffer_; }
  TBufferAccessModes LockedModes() {
    std::lock_guard guard(lock_);
    return lockedModes_;
  }

 private:
  TKDSmartBuffer* const buffer_;
  kelvra::TReentrantLock lock_;  // re-entrant: Syncronize may lock and unlock again
  std::unordered_map<uintptr_t, TBufferAccessModes> owners_;
  TBufferAccessModes lockedModes_;
};
inline constexpr kelvra::TClassRef TKDSmartBufferProxy::ClassRef =
    kelvra::ClassRefOf<TKDSmartBufferProxy>("TKDSmartBufferProxy");

// Zero-filled memory from the numeric layer's allocator. EOutOfMemory when it has none to give,
// and for sizes above INT32_MAX, which the allocator cannot take.
void* KDBufferAllocate(uint32_t ASize);
void KDBufferDeallocate(void* AData, uint32_t ASize);  // the size is not used
void KDMemoryCleanUp();                                 // nothing to clean up

// Live blocks.
extern std::atomic<int32_t> _KDCountStores;

}  // namespace corvane
