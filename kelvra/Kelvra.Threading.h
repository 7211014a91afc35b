// Locks and signals of the runtime.
//
// TParkingLock and TReentrantLock are the locks behind everything else: a thread that finds one
// taken spins briefly, a hundred pauses of the processor or a few microseconds at most (the
// holder of a short section is usually about to leave it), and then sleeps in the kernel until
// the holder wakes it. No lock here ever spins on
// sched_yield, which under real-time scheduling does not give the processor to a thread of lower
// priority: a waiting clock thread would keep the holder from running.
//
// TWaitCondition lets a thread wait, under one of these locks, for a condition that another
// thread makes true under the same lock. TEvent and TSemaphore are built on it, and so are the
// queues of the buffer layer that a consumer can wait on.
//
// Every wait takes a timeout in milliseconds; kInfinite (all ones) means no limit. Any thread may
// call anything here; what each object protects is said at the object.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

// A procedure that the locks and threads run.
using TProcedure = std::function<void()>;

// A timeout of all ones: wait without limit.
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

// Errors of the synchronisation objects (bad construction values, bad release counts).
KELVRA_DECLARE_EXCEPTION(ESyncObjectException, Exception);
// Errors of thread use: a thread waiting for itself, a thread the system cannot create, the main
// thread's queue drained on another thread.
KELVRA_DECLARE_EXCEPTION(EThread, Exception);

// The kernel's id of the calling thread (what debuggers and `top -H` show).
uint32_t CurrentThreadId();

// The moment a wait of ATimeout milliseconds, begun now, ends.
class TDeadline {
 public:
  explicit TDeadline(uint32_t ATimeout);
  bool IsInfinite() const { return infinite_; }
  bool HasPassed() const;
  // Time left, not below 0; meaningless for an infinite deadline.
  std::chrono::nanoseconds Remaining() const;

 private:
  std::chrono::steady_clock::time_point at_;
  bool infinite_;
};

namespace detail {
// The kernel's wait on a 32-bit word: sleeps while `word` holds `expected`, until woken or the
// deadline. Returns at once when the word differs; may return spuriously.
void FutexWait(std::atomic<uint32_t>& word, uint32_t expected, const TDeadline* deadline);
void FutexWake(std::atomic<uint32_t>& word, int32_t count);
void SpinPause();
}  // namespace detail

// A mutual-exclusion lock for short sections: taking a free lock is one compare-and-swap and
// leaving it one exchange. A thread that meets it taken spins briefly, then sleeps until woken.
// Not re-entrant. Satisfies Lockable (std::lock_guard, std::unique_lock).
//
// The algorithm is the third mutex of Ulrich Drepper, "Futexes Are Tricky" (2011): the word is 0
// when free, 1 when taken, 2 when taken and a thread may sleep on it; only a leave that finds 2
// asks the kernel to wake one.
class TParkingLock {
 public:
  TParkingLock() = default;
  TParkingLock(const TParkingLock&) = delete;
  TParkingLock& operator=(const TParkingLock&) = delete;

  void lock() {
    uint32_t free = 0;
    if (!state_.compare_exchange_strong(free, 1, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      LockContended();
  }
  bool try_lock() {
    uint32_t free = 0;
    return state_.compare_exchange_strong(free, 1, std::memory_order_acquire,
                                          std::memory_order_relaxed);
  }
  void unlock() {
    if (state_.exchange(0, std::memory_order_release) == 2) detail::FutexWake(state_, 1);
  }

 private:
  void LockContended();
  std::atomic<uint32_t> state_{0};
};

// TParkingLock made re-entrant: the thread that holds it may take it again, and must leave it as
// often as it took it. Taking it again costs no atomic operation.
class TReentrantLock {
 public:
  void lock() {
    const void* self = ThreadToken();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    lock_.lock();
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }
  bool try_lock() {
    const void* self = ThreadToken();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return true;
    }
    if (!lock_.try_lock()) return false;
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
    return true;
  }
  void unlock() {
    if (--depth_ > 0) return;
    owner_.store(nullptr, std::memory_order_relaxed);
    lock_.unlock();
  }

  // Only the holder's own view is reliable: true exactly when the calling thread holds the lock.
  bool HeldByCurrentThread() const {
    return owner_.load(std::memory_order_relaxed) == ThreadToken();
  }
  // How often the calling thread holds it (0 when it does not).
  int32_t Depth() const { return HeldByCurrentThread() ? depth_ : 0; }
  // Leaves the lock completely, however often the calling thread took it, and returns that count
  // (0, leaving nothing, when the thread does not hold it). RelockTo(count) takes it back.
  int32_t UnlockAll() {
    const int32_t depth = Depth();
    if (depth > 0) {
      depth_ = 1;
      unlock();
    }
    return depth;
  }
  void RelockTo(int32_t ADepth) {
    if (ADepth <= 0) return;
    lock();
    depth_ = ADepth;
  }

 private:
  // An address of its own per thread, found without a library call (unlike the thread id). Only
  // the owning thread stores its token, so a thread that reads its own token reads its own store:
  // relaxed order suffices.
  static const void* ThreadToken() {
    static thread_local const char token = 0;
    return &token;
  }

  TParkingLock lock_;
  std::atomic<const void*> owner_{nullptr};
  int32_t depth_ = 0;  // touched only by the holder
};

// A condition that threads wait for under a lock: the waiter checks the condition holding the
// lock and, while it is false, sleeps with the lock left; a thread that may have made it true
// calls NotifyAll holding the lock. Notifying when no thread waits reads one counter.
class TWaitCondition {
 public:
  // With `ALock` held once by the calling thread: waits until `AReady()` is true (checked under
  // the lock) or ATimeout milliseconds have passed; returns the last `AReady()`. The lock is held
  // again on return.
  template <class Lock, class Ready>
  bool Wait(Lock& ALock, Ready AReady, uint32_t ATimeout) {
    if (AReady()) return true;
    if (ATimeout == 0) return false;
    const TDeadline deadline(ATimeout);
    for (;;) {
      const uint32_t seen = sequence_.load(std::memory_order_relaxed);
      ++waiters_;
      ALock.unlock();
      detail::FutexWait(sequence_, seen, &deadline);
      ALock.lock();
      --waiters_;
      if (AReady()) return true;
      if (deadline.HasPassed()) return false;
    }
  }

  // With the lock held: wakes every waiter, which re-checks its condition.
  void NotifyAll() {
    if (waiters_ == 0) return;
    sequence_.fetch_add(1, std::memory_order_relaxed);
    detail::FutexWake(sequence_, INT32_MAX);
  }

 private:
  std::atomic<uint32_t> sequence_{0};  // changed by every notification that has waiters
  int32_t waiters_ = 0;                // under the lock
};

class ICriticalSection : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{5B0E6A52-7C1D-4C55-9E0B-2F4E8C1D7A31}");
  virtual void Enter() = 0;
  virtual bool TryEnter() = 0;
  virtual void Leave() = 0;
};

// Re-entrant: the thread that holds it may enter again, and must leave as often as it entered.
class TCriticalSection : public TInterfacedObject, public ICriticalSection {
 public:
  static TIntf<ICriticalSection> Create() { return new TCriticalSection(); }

  void Enter() override { lock_.lock(); }
  bool TryEnter() override { return lock_.try_lock(); }
  void Leave() override { lock_.unlock(); }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TCriticalSection, ICriticalSection>(this, iid, out);
  }

 private:
  TCriticalSection() = default;
  TReentrantLock lock_;
};

struct TLockAccess {
  // Runs `procedure` holding `lock`; the lock is left also when the procedure throws.
  static void Execute(ICriticalSection& lock, const TProcedure& procedure) {
    lock.Enter();
    try {
      procedure();
    } catch (...) {
      lock.Leave();
      throw;
    }
    lock.Leave();
  }
};

// ---------------------------------------------------------------------------------------------
// Events and semaphores

enum TEventResetMode : uint8_t {
  rmManualReset,  // stays signalled, releasing every waiter, until ResetEvent
  rmAutoReset,    // each successful wait takes the signal: one waiter per SetEvent
};

class IEvent : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{3C7F2A10-58E4-4B9D-A1C6-0D2E9B4F7A83}");
  virtual void SetEvent() = 0;
  virtual void ResetEvent() = 0;
  // True once the event is signalled, false when ATimeout milliseconds pass first.
  virtual bool WaitFor(uint32_t ATimeout) = 0;
};

class TEvent : public TInterfacedObject, public IEvent {
 public:
  static TIntf<IEvent> Create(TEventResetMode AMode, bool AInitial) {
    return new TEvent(AMode, AInitial);
  }

  void SetEvent() override;
  void ResetEvent() override;
  bool WaitFor(uint32_t ATimeout) override;
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TEvent, IEvent>(this, iid, out);
  }

 private:
  TEvent(TEventResetMode AMode, bool AInitial) : mode_(AMode), signalled_(AInitial) {}

  const TEventResetMode mode_;
  TParkingLock lock_;
  TWaitCondition signal_;
  bool signalled_;  // under lock_
};

class ISemaphore : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{9E41B7C2-0F63-4D28-B5A9-6C18E3D2F054}");
  // Adds ACount (at least 1) to the count, which never rises above the maximum: releases beyond
  // it are dropped. Returns the count before the release.
  virtual int32_t Release(int32_t ACount) = 0;
  // Takes one count, waiting for one at most ATimeout milliseconds; false when none came.
  virtual bool WaitFor(uint32_t ATimeout) = 0;
};

// A counting semaphore bounded by its maximum. A release past the maximum clamps the count to
// the maximum rather than failing: the releasing side (a timer, a producer) must not stop because
// its consumer is far behind, and the count stays bounded.
class TSemaphore : public TInterfacedObject, public ISemaphore {
 public:
  // ESyncObjectException unless 1 <= AMaximum and 0 <= AInitial <= AMaximum.
  static TIntf<ISemaphore> Create(int32_t AInitial, int32_t AMaximum);

  int32_t Release(int32_t ACount) override;
  bool WaitFor(uint32_t ATimeout) override;
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TSemaphore, ISemaphore>(this, iid, out);
  }

 private:
  TSemaphore(int32_t AInitial, int32_t AMaximum) : count_(AInitial), maximum_(AMaximum) {}

  TParkingLock lock_;
  TWaitCondition signal_;
  int32_t count_;  // under lock_
  const int32_t maximum_;
};

}  // namespace kelvra
