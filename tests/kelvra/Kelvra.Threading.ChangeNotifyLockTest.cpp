#include "kelvra/Kelvra.Threading.ChangeNotifyLock.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/kelvra/ThreadingTestSupport.h"

namespace kelvra {
namespace {

using namespace kelvra::testing;
using TLock = TIntf<IChangeNotifyLock>;
using TSectionRef = TIntf<IChangeNotifySection>;

// Another thread that takes a section of a lock and lets it go at once.
class TSectionTaker {
 public:
  explicit TSectionTaker(TLock ALock)
      : thread_([this, ALock] { got_ = bool(ALock->EnterSection()); }) {}
  // Still waiting for the lock after a moment.
  bool Waiting() const { return !thread_.Finished(kBriefly); }
  // Got the lock: a section, or (GotEmpty) an empty one.
  bool Took() const { return thread_.Finished() && got_; }
  bool GotEmpty() const { return thread_.Finished() && !got_; }

 private:
  std::atomic<bool> got_{false};
  TBackground thread_;
};

TEST(TChangeNotifyLock, SectionsAreReentrantAndHeldUntilTheLastReferenceGoes) {
  TLock lock = TChangeNotifyLock::Create();
  TSectionRef outer = lock->EnterSection();
  TSectionRef inner = lock->EnterSection();  // the same thread again
  TSectionRef copy = inner;
  TSectionTaker other(lock);
  outer.reset();
  inner.reset();
  EXPECT_TRUE(other.Waiting());  // the copy still holds it
  copy.reset();
  EXPECT_TRUE(other.Took());
}

TEST(TChangeNotifyLock, WhileDestroyingOnlyStopSectionsAreTaken) {
  TLock lock = TChangeNotifyLock::Create();
  TSectionRef held = lock->EnterSection();
  TSectionTaker waiting(lock);
  EXPECT_TRUE(waiting.Waiting());
  lock->MarkDestroying();
  held.reset();
  EXPECT_TRUE(waiting.GotEmpty());  // it waited, then found the owner going
  EXPECT_FALSE(lock->EnterSection());
  EXPECT_FALSE(lock->Execute([] { ADD_FAILURE() << "ran while destroying"; }));
  EXPECT_TRUE(lock->EnterStopSection());
}

// A producer holding the lock twice waits, with the lock released, for room that the consumer
// makes under the lock; afterwards it holds the lock twice again.
TEST(TChangeNotifyLock, ExecuteReleasedLetsOthersInAndRestoresTheDepth) {
  for (bool paired : {false, true}) {
    SCOPED_TRACE(paired ? "paired" : "single");
    TLock a = TChangeNotifyLock::Create(), b = TChangeNotifyLock::Create();
    // The producer takes `lock`; the consumer `part`, which the producer's lock includes.
    TLock lock = paired ? TPairedLock::Create(a, b) : a, part = paired ? b : a;
    auto room = TEvent::Create(rmAutoReset, false), leftOnce = TEvent::Create(rmAutoReset, false);
    auto leaveLast = TEvent::Create(rmAutoReset, false);
    TBackground producer([&] {
      TSectionRef outer = lock->EnterSection(), inner = lock->EnterSection();
      lock->ExecuteReleased([&] { room->WaitFor(kInfinite); });
      inner.reset();
      leftOnce->SetEvent();
      leaveLast->WaitFor(kInfinite);
    });
    EXPECT_TRUE(part->Execute([&] { room->SetEvent(); }));  // the consumer gets in
    EXPECT_TRUE(leftOnce->WaitFor(kInfinite));
    TSectionTaker other(part);
    EXPECT_TRUE(other.Waiting());  // the producer still holds one level
    leaveLast->SetEvent();
    EXPECT_TRUE(other.Took());
  }
}

TEST(TChangeNotifyLock, ExecuteReleasedTakesTheLockBackWhenTheProcedureThrows) {
  TLock lock = TChangeNotifyLock::Create();
  TSectionRef held = lock->EnterSection();
  EXPECT_THROW(lock->ExecuteReleased([] { throw std::runtime_error("x"); }), std::runtime_error);
  TSectionTaker other(lock);
  EXPECT_TRUE(other.Waiting());
  held.reset();
  EXPECT_TRUE(other.Took());
}

// Two pairs over the same locks, made in opposite orders, taken by two threads again and again:
// both take the locks in one order, so neither waits for the other forever.
TEST(TPairedLock, PairsMadeInOppositeOrdersNeverDeadlock) {
  TLock a = TChangeNotifyLock::Create(), b = TChangeNotifyLock::Create();
  TLock ab = TPairedLock::Create(a, b), ba = TPairedLock::Create(b, a);
  int counter = 0;
  auto work = [&](const TLock& pair) {
    for (int i = 0; i < 20000; ++i) pair->Execute([&] { ++counter; });
  };
  TBackground first([&] { work(ab); }), second([&] { work(ba); });
  ASSERT_TRUE(first.Finished() && second.Finished());
  EXPECT_EQ(counter, 40000);

  // A pair's section holds both; marking the pair marks both.
  TSectionRef section = ab->EnterSection();
  TSectionTaker takeA(a), takeB(b);
  EXPECT_TRUE(takeA.Waiting() && takeB.Waiting());
  ba->MarkDestroying();
  section.reset();
  EXPECT_TRUE(takeA.GotEmpty() && takeB.GotEmpty());
  EXPECT_FALSE(ab->EnterSection());
}

TEST(TChangeNotifySetter, StoresNotBelowTheMinimumAndNotifiesChangesOnly) {
  int ownerNotices = 0, propertyNotices = 0;
  TLock lock = TChangeNotifyLock::Create([&] { ++ownerNotices; });
  const TProcedure notify = [&] { ++propertyNotices; };
  const struct {
    uint32_t value;
    bool notifyOwner;
    uint32_t stored;
    bool changed;
    int ownerNotices, propertyNotices;  // totals after the row
  } rows[] = {
      {15, true, 15, false, 0, 0},  // the value it already has
      {0, true, 1, true, 1, 1},     // below the minimum
      {7, false, 7, true, 1, 2},
      {7, true, 7, false, 1, 2},
  };
  uint32_t field = 15;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(lock->Setter().SetterMin(field, row.value, 1, notify, row.notifyOwner), row.changed);
    EXPECT_EQ(field, row.stored);
    EXPECT_EQ(ownerNotices, row.ownerNotices);
    EXPECT_EQ(propertyNotices, row.propertyNotices);
  }
  lock->MarkDestroying();
  EXPECT_FALSE(lock->Setter().SetterMin(field, 9u, 1u, notify, true));
  EXPECT_EQ(field, 7u);
}

}  // namespace
}  // namespace kelvra
