#include "kelvra/Kelvra.Threading.MainThread.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "tests/kelvra/ThreadingTestSupport.h"

namespace kelvra {
namespace {

using namespace kelvra::testing;

// The tests run on the process's first thread, which is the main thread. Each starts and ends
// with an empty queue.
class MainThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(IsMainThread()); }
  void TearDown() override { EXPECT_FALSE(CheckSynchronize(0)) << "calls left queued"; }

  std::vector<int> ran_;  // appended to on the main thread only
  TProcedure Append(int AValue) {
    return [this, AValue] {
      EXPECT_TRUE(IsMainThread());
      ran_.push_back(AValue);
    };
  }
};

TEST_F(MainThreadTest, CallsFromOtherThreadsRunInOrderWhenTheMainThreadDrainsTheQueue) {
  TBackground([&] {
    for (int i = 0; i < 100; ++i) MainThreadExecute(nullptr, false, Append(i), false);
  }).Finished();
  EXPECT_TRUE(ran_.empty());  // each call returned before its procedure ran
  EXPECT_TRUE(CheckSynchronize(0));
  ASSERT_EQ(ran_.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(ran_[i], i);
}

TEST_F(MainThreadTest, OnTheMainThreadOnlyAForcedCallWaitsInTheQueue) {
  MainThreadExecute(nullptr, false, Append(1), false);
  MainThreadExecute(nullptr, false, Append(2), true);
  MainThreadExecute(nullptr, true, Append(3), true);
  EXPECT_EQ(ran_, (std::vector<int>{1, 3}));
  // A call queued by a running call runs at the next drain.
  MainThreadExecute(nullptr, false, [&] { MainThreadExecute(nullptr, false, Append(4), true); },
                    true);
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(ran_, (std::vector<int>{1, 3, 2}));
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(ran_, (std::vector<int>{1, 3, 2, 4}));
}

// A waiting caller returns after its procedure ran and gets its exception; the exception of a
// procedure that nobody waits for leaves the drain, and the calls behind it stay queued.
TEST_F(MainThreadTest, ExceptionsGoToTheWaitingCallerOrOutOfTheDrain) {
  TBackground caller([&] {
    MainThreadExecute(nullptr, true, Append(1), false);
    EXPECT_THROW(MainThreadExecute(nullptr, true, [] { throw std::runtime_error("x"); }, false),
                 std::runtime_error);
  });
  while (!caller.Finished(0ms)) CheckSynchronize(10);
  EXPECT_EQ(ran_, std::vector<int>{1});

  MainThreadExecute(nullptr, false, [] { throw std::runtime_error("x"); }, true);
  MainThreadExecute(nullptr, false, Append(2), true);
  EXPECT_THROW(CheckSynchronize(0), std::runtime_error);
  EXPECT_EQ(ran_, std::vector<int>{1});
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(ran_, (std::vector<int>{1, 2}));
}

TEST_F(MainThreadTest, DrainingWaitsForACallOrTimesOut) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(CheckSynchronize(30));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
  TBackground later([&] {
    std::this_thread::sleep_for(kBriefly);
    MainThreadExecute(nullptr, false, Append(1), false);
  });
  EXPECT_TRUE(CheckSynchronize(kInfinite));
  EXPECT_EQ(ran_, std::vector<int>{1});

  TBackground([] { EXPECT_THROW(CheckSynchronize(0), EThread); }).Finished();
}

TEST_F(MainThreadTest, ASendersCallsAreDroppedWithItAndTheirWaitersReturn) {
  TObject sender;
  MainThreadExecute(&sender, false, Append(1), true);
  MainThreadExecute(nullptr, false, Append(2), true);
  TBackground waiter([&] { MainThreadExecute(&sender, true, Append(3), false); });
  EXPECT_FALSE(waiter.Finished(kBriefly));
  RemoveMainThreadExecutes(&sender);
  EXPECT_TRUE(waiter.Finished());

  // TMainThreadExecute is the sender of its own calls: its last release drops them.
  TIntf<IMainThreadExecute> executor = TMainThreadExecute::Create();
  executor->Execute(Append(4));
  executor->Execute(Append(5));
  EXPECT_TRUE(ran_.empty());  // queued also on the main thread
  executor.reset();
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(ran_, std::vector<int>{2});
}

}  // namespace
}  // namespace kelvra
