#include "kelvra/Kelvra.Threading.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/kelvra/ThreadingTestSupport.h"

namespace kelvra {
namespace {

using namespace kelvra::testing;

// Four threads add to a plain counter under ALock, taking it twice per step where it is
// re-entrant: no step may be lost.
template <class Lock, bool kReentrant>
void CountUnderContention() {
  Lock lock;
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        std::lock_guard outer(lock);
        if constexpr (kReentrant) {
          std::lock_guard inner(lock);
          ++counter;
        } else {
          ++counter;
        }
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 80000);
}

TEST(Locks, ExcludeEachOtherUnderContention) {
  CountUnderContention<TParkingLock, false>();
  CountUnderContention<TReentrantLock, true>();
}

TEST(TReentrantLock, UnlockAllLeavesEveryLevelAndRelockToTakesThemBack) {
  TReentrantLock lock;
  EXPECT_EQ(lock.UnlockAll(), 0);  // not held: nothing to leave
  for (int i = 0; i < 3; ++i) lock.lock();
  EXPECT_FALSE(FreeForOthers(lock));
  const int32_t depth = lock.UnlockAll();
  EXPECT_EQ(depth, 3);
  EXPECT_TRUE(FreeForOthers(lock));
  lock.RelockTo(depth);
  EXPECT_EQ(lock.Depth(), 3);
  lock.unlock();
  lock.unlock();
  EXPECT_FALSE(FreeForOthers(lock));
  lock.unlock();
  EXPECT_TRUE(FreeForOthers(lock));
}

TEST(TLockAccess, LeavesTheSectionWhenTheProcedureThrows) {
  TIntf<ICriticalSection> lock = TCriticalSection::Create();
  EXPECT_THROW(TLockAccess::Execute(*lock, [] { throw std::runtime_error("x"); }),
               std::runtime_error);
  bool free = false;
  std::thread([&] {
    if ((free = lock->TryEnter())) lock->Leave();
  }).join();
  EXPECT_TRUE(free);
}

TEST(TEvent, ManualEventsStaySignalledAndAutomaticOnesReleaseOneWait) {
  const struct {
    TEventResetMode mode;
    std::vector<bool> waitsAfterSet;  // what WaitFor(0) answers, again and again, after SetEvent
  } rows[] = {
      {rmManualReset, {true, true, true}},
      {rmAutoReset, {true, false, false}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(int(row.mode));
    TIntf<IEvent> event = TEvent::Create(row.mode, false);
    EXPECT_FALSE(event->WaitFor(0));
    event->SetEvent();
    for (bool expected : row.waitsAfterSet) EXPECT_EQ(event->WaitFor(0), expected);
    event->ResetEvent();
    EXPECT_FALSE(event->WaitFor(0));
    EXPECT_TRUE(TEvent::Create(row.mode, true)->WaitFor(0));
  }

  // Two waiters without limit: each SetEvent of an automatic event releases one.
  TIntf<IEvent> event = TEvent::Create(rmAutoReset, false);
  std::atomic<int> released{0};
  TBackground first([&] { released += event->WaitFor(kInfinite); });
  TBackground second([&] { released += event->WaitFor(kInfinite); });
  event->SetEvent();
  EXPECT_TRUE(TBackground::Eventually([&] { return released == 1; }));
  std::this_thread::sleep_for(kBriefly);
  EXPECT_EQ(released, 1);
  event->SetEvent();
  EXPECT_TRUE(first.Finished() && second.Finished());
}

TEST(TSemaphore, CountsStayWithinTheMaximumAndWaitsEndAtARelease) {
  EXPECT_THROW(TSemaphore::Create(0, 0), ESyncObjectException);
  EXPECT_THROW(TSemaphore::Create(-1, 3), ESyncObjectException);
  EXPECT_THROW(TSemaphore::Create(4, 3), ESyncObjectException);

  TIntf<ISemaphore> semaphore = TSemaphore::Create(1, 3);
  EXPECT_THROW(semaphore->Release(0), ESyncObjectException);
  EXPECT_EQ(semaphore->Release(5), 1);  // clamped to the maximum
  EXPECT_EQ(semaphore->Release(1), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(semaphore->WaitFor(0));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(semaphore->WaitFor(30));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);

  TBackground waiter([&] { EXPECT_TRUE(semaphore->WaitFor(kInfinite)); });
  EXPECT_FALSE(waiter.Finished(kBriefly));
  EXPECT_EQ(semaphore->Release(INT32_MAX), 0);  // no overflow on the way to the maximum
  EXPECT_TRUE(waiter.Finished());
}

}  // namespace
}  // namespace kelvra
