#include "kelvra/Kelvra.Threading.Executor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace kelvra {
namespace {

// An executor of each kind with the given threads and group size.
TIntf<IExecutor> MakeExecutor(TExecutorKind AKind, int32_t AThreads, uint32_t AGroupSize) {
  auto* executor = new TBasicThreadExecutor(nullptr, AKind);
  TIntf<IExecutor> result(executor);
  executor->SetThreadCount(AThreads);
  executor->SetGroupSize(AGroupSize);
  return result;
}

class ExecutorKinds : public ::testing::TestWithParam<TExecutorKind> {};

INSTANTIATE_TEST_SUITE_P(Executor, ExecutorKinds, ::testing::Values(ekThreadPool, ekPlainThread));

TEST_P(ExecutorKinds, EveryIndexRunsOnceInGroupsOfTheGroupSize) {
  for (int64_t count : {0, 1, 7, 1000, 1001}) {
    TIntf<IExecutor> executor = MakeExecutor(GetParam(), 3, 10);
    std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
    std::mutex lock;
    std::set<std::pair<int64_t, int64_t>> groups;
    executor->Execute(count, [&](int64_t first, int64_t last) {
      for (int64_t i = first; i < last; ++i) runs[size_t(i)]++;
      std::lock_guard guard(lock);
      groups.emplace(first, last);
    });
    for (const auto& run : runs) ASSERT_EQ(run.load(), 1) << count;
    ASSERT_EQ(int64_t(groups.size()), (count + 9) / 10);
    for (const auto& [first, last] : groups) {
      EXPECT_EQ(first % 10, 0);
      EXPECT_EQ(last, std::min(first + 10, count));
    }
  }
}

TEST_P(ExecutorKinds, TheFirstExceptionLeavesAfterTheGroupsUnderWayEnded) {
  TIntf<IExecutor> executor = MakeExecutor(GetParam(), 4, 1);
  std::atomic<int> running{0}, begun{0};
  try {
    executor->Execute(10000, [&](int64_t first, int64_t) {
      ++running;
      ++begun;
      std::this_thread::yield();
      --running;
      if (first == 3) throw std::runtime_error("group 3");
    });
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "group 3");
  }
  EXPECT_EQ(running.load(), 0);
  EXPECT_LT(begun.load(), 10000);  // the groups not begun are skipped
  // The executor runs on afterwards.
  std::atomic<int64_t> sum{0};
  executor->Execute(100, [&](int64_t first, int64_t last) {
    for (int64_t i = first; i < last; ++i) sum += i;
  });
  EXPECT_EQ(sum.load(), 4950);
}

TEST(Executor, APoolRunsAsManyGroupsAtOnceAsItHasThreads) {
  // Three threads, also on a machine of fewer processors: each group waits until all three have
  // begun, which happens before the waits give up only when three threads run them at once.
  TIntf<IExecutor> executor = MakeExecutor(ekThreadPool, 3, 1);
  std::atomic<int> arrived{0}, met{0};
  executor->Execute(3, [&](int64_t, int64_t) {
    ++arrived;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (arrived.load() < 3 && std::chrono::steady_clock::now() < end) std::this_thread::yield();
    if (std::chrono::steady_clock::now() < end) ++met;
  });
  EXPECT_EQ(met.load(), 3);
}

TEST(Executor, ThePlainKindRunsOnTheCallingThreadAndSettingsKeepTheirMinimum) {
  auto* plain = new TBasicThreadExecutor(nullptr, ekPlainThread);
  TIntf<IExecutor> holder(plain);
  plain->SetThreadCount(8);
  plain->SetGroupSize(0);
  EXPECT_EQ(plain->GetThreadCount(), 1);
  EXPECT_EQ(plain->GetGroupSize(), 1u);
  std::set<std::thread::id> threads;
  plain->Execute(50, [&](int64_t, int64_t) { threads.insert(std::this_thread::get_id()); });
  EXPECT_EQ(threads, std::set{std::this_thread::get_id()});

  auto* pool = new TBasicThreadExecutor(nullptr, ekThreadPool);
  TIntf<IExecutor> poolHolder(pool);
  pool->SetThreadCount(0);
  EXPECT_EQ(pool->GetThreadCount(), 1);
  pool->SetPriority(tpHigher);  // best effort: runs the same without the right to it
  std::atomic<int64_t> count{0};
  pool->Execute(64, [&](int64_t first, int64_t last) { count += last - first; });
  EXPECT_EQ(count.load(), 64);
}

TEST(Executor, SeveralThreadsMayShareOnePool) {
  TIntf<IExecutor> executor = MakeExecutor(ekThreadPool, 2, 16);
  std::atomic<int64_t> total{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 3; ++t)
    callers.emplace_back([&] {
      executor->Execute(1000, [&](int64_t first, int64_t last) { total += last - first; });
    });
  for (auto& caller : callers) caller.join();
  EXPECT_EQ(total.load(), 3000);
}

}  // namespace
}  // namespace kelvra
