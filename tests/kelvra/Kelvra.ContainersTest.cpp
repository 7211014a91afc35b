#include "kelvra/Kelvra.Containers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "kelvra/Kelvra.Types.h"

namespace kelvra {
namespace {

TEST(TArrayList, GrowsDeletesAndChecksIndices) {
  TArrayList<int> list;
  for (int i = 0; i < 5; ++i) list.Add(i * 10);
  list.Delete(1);
  list.RemoveIf([](int v) { return v == 30; });
  EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{0, 20, 40}));
  EXPECT_EQ(list[2], 40);
  try {
    list[3];
    ADD_FAILURE() << "no error";
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Delete(-1), ERangeError);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0);
}

enum TColour : uint8_t { clRed, clGreen, clBlue, clBeyond = 8 };

TEST(TSet, OneBitPerMemberByValue) {
  constexpr TSet<TColour, uint8_t> set = {clRed, clBlue};
  static_assert(set.Bits() == 0b101 && set.Contains(clBlue) && !set.Contains(clGreen));
  EXPECT_EQ((TSet<TColour, uint8_t>::FromBits(0b101)), set);
  // A member the storage has no bit for is an error, not a shift past the word.
  EXPECT_THROW((TSet<TColour, uint8_t>{clBeyond}), EAssertionFailed);
  EXPECT_TRUE((TSet<TColour, uint16_t>{clBeyond}).Contains(clBeyond));
}

TEST(TMultiProc, CallsItsProceduresInOrderUntilRemoved) {
  TMultiProc procs;
  std::vector<int> calls;
  procs.Add([&] { calls.push_back(1); });
  const int32_t second = procs.Add([&] { calls.push_back(2); });
  procs.Add([&] { calls.push_back(3); });
  procs.Call();
  procs.Remove(second);
  procs.Call();
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 3, 1, 3}));
  EXPECT_FALSE(procs.IsEmpty());
}

// Holders on several threads add, remove and call at once (run under the thread sanitizer); a
// procedure may remove itself while it is called.
TEST(TMultiProc, IsSafeForSeveralThreadsAndForProceduresThatChangeIt) {
  TMultiProc procs;
  std::atomic<int> calls{0};
  int32_t self = 0;
  self = procs.Add([&] {
    ++calls;
    procs.Remove(self);
  });
  procs.Call();
  procs.Call();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(procs.IsEmpty());

  auto work = [&] {
    for (int i = 0; i < 1000; ++i) {
      const int32_t handle = procs.Add([&] { ++calls; });
      procs.Call();
      procs.Remove(handle);
    }
  };
  std::thread other(work);
  work();
  other.join();
  EXPECT_TRUE(procs.IsEmpty());
  EXPECT_GE(calls, 2001);
}

class TTarget : public TWeakReferencedObject {};

TEST(TWeakHolder, GivesAReferenceOnlyWhileTheObjectLives) {
  TIntf<TTarget> target(new TTarget());
  TWeakHolder<TTarget> holder(target.get());
  EXPECT_EQ(holder.Get().get(), target.get());
  EXPECT_EQ(target->RefCount(), 1);  // the holder itself counts nothing
  target.reset();
  EXPECT_FALSE(holder.Alive());
}

// Releasing on one thread while another asks the holder: the holder either revives a live object
// or gives nothing, never a destroyed one (run under the thread sanitizer).
TEST(TWeakHolder, RacesWithTheLastReleaseSafely) {
  for (int round = 0; round < 200; ++round) {
    TIntf<TTarget> target(new TTarget());
    TWeakHolder<TTarget> holder(target.get());
    std::thread releaser([&] { target.reset(); });
    TIntf<TTarget> revived = holder.Get();
    if (revived) {
      EXPECT_GE(revived->RefCount(), 1);
    }
    releaser.join();
  }
}

}  // namespace
}  // namespace kelvra
