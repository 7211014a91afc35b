#include "kelvra/Kelvra.Threading.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace kelvra {
namespace {

TEST(TCriticalSection, IsReentrantForItsOwnerAndExclusiveForOthers) {
  TIntf<ICriticalSection> lock = TCriticalSection::Create();
  lock->Enter();
  EXPECT_TRUE(lock->TryEnter());  // same thread enters again
  bool otherGotIt = true;
  std::thread([&] { otherGotIt = lock->TryEnter(); }).join();
  EXPECT_FALSE(otherGotIt);
  lock->Leave();
  lock->Leave();
  std::thread([&] {
    otherGotIt = lock->TryEnter();
    if (otherGotIt) lock->Leave();
  }).join();
  EXPECT_TRUE(otherGotIt);
}

TEST(TLockAccess, RunsUnderTheLockAndReleasesItOnException) {
  TIntf<ICriticalSection> lock = TCriticalSection::Create();
  int counter = 0;
  std::thread workers[4];
  for (auto& w : workers)
    w = std::thread([&] {
      for (int i = 0; i < 10000; ++i) TLockAccess::Execute(*lock, [&] { ++counter; });
    });
  for (auto& w : workers) w.join();
  EXPECT_EQ(counter, 40000);

  EXPECT_THROW(TLockAccess::Execute(*lock, [] { throw std::runtime_error("x"); }), std::runtime_error);
  bool free = false;
  std::thread([&] {
    free = lock->TryEnter();
    if (free) lock->Leave();
  }).join();
  EXPECT_TRUE(free);
}

}  // namespace
}  // namespace kelvra
