// Locks of the runtime that the dispatch and buffer layers use.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "kelvra/Kelvra.Types.h"

namespace kelvra {

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

  void Enter() override { mutex_.lock(); }
  bool TryEnter() override { return mutex_.try_lock(); }
  void Leave() override { mutex_.unlock(); }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TCriticalSection, ICriticalSection>(this, iid, out);
  }

  // Also usable as a BasicLockable (std::lock_guard, std::scoped_lock).
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  TCriticalSection() = default;
  std::recursive_mutex mutex_;
};

// A re-entrant lock for short sections that are almost never contended (a memory block's counts):
// taking it is one compare-and-swap and leaving it one store, about half the cost of a
// recursive mutex. A waiting thread spins, yielding its time slice between attempts.
class TReentrantSpinLock {
 public:
  void lock() {
    const void* self = ThreadToken();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    const void* free = nullptr;
    while (!owner_.compare_exchange_weak(free, self, std::memory_order_acquire,
                                         std::memory_order_relaxed)) {
      free = nullptr;
      std::this_thread::yield();
    }
    depth_ = 1;
  }
  void unlock() {
    if (--depth_ == 0) owner_.store(nullptr, std::memory_order_release);
  }

 private:
  // A distinct address per thread, found without a library call (unlike the thread id).
  static const void* ThreadToken() {
    static thread_local const char token = 0;
    return &token;
  }

  std::atomic<const void*> owner_{nullptr};
  int depth_ = 0;  // touched only by the owner
};

struct TLockAccess {
  // Runs `procedure` holding `lock`; the lock is left also when the procedure throws.
  static void Execute(ICriticalSection& lock, const std::function<void()>& procedure) {
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

}  // namespace kelvra
