#include "corvane/framework/KDClockGen.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "tests/ExceptionMessage.h"
#include "tests/kelvra/ThreadingTestSupport.h"

namespace corvane {
namespace {

using kelvra::TIntf;
using kelvra::testing::TBackground;

class ClockGenTest : public ::testing::Test {
 protected:
  void SetUp() override { Initialize(); }
  void TearDown() override {
    KDSetClockGenTimerManual(false);
    Finalize();
  }

  // A clock generator of AInterval whose ticks are counted in `ticks`.
  TIntf<kelvra::IThread> Counting(int64_t AInterval) {
    return TKDClockGen::Create("Counting", AInterval, [this] { ++ticks; });
  }
  static TKDClockGen& Gen(const TIntf<kelvra::IThread>& AThread) {
    return static_cast<TKDClockGen&>(*AThread->GetInstance());
  }

  std::atomic<int32_t> ticks{0};
};

// The timer periods (from 1) in which a clock generator of AInterval ticks, over APeriods
// periods walked by hand; a period with two ticks appears twice.
std::vector<int32_t> TickPeriods(int64_t AInterval, int32_t APeriods) {
  const auto gen = TKDClockGen::Create("Periods", AInterval, [] {});
  auto& clock = static_cast<TKDClockGen&>(*gen->GetInstance());
  std::vector<int32_t> periods;
  for (int32_t period = 1; period <= APeriods; ++period) {
    const int64_t before = clock.TickCount();
    KDClockGenTimerPeriod();
    for (int64_t tick = before; tick < clock.TickCount(); ++tick) periods.push_back(period);
  }
  return periods;
}

TEST_F(ClockGenTest, TheAccumulatorTicksWhenItExceedsTheInterval) {
  KDSetClockGenTimerManual(true);
  EXPECT_EQ(TickPeriods(5000, 3), (std::vector<int32_t>{1, 2, 2, 3, 3}));
  EXPECT_EQ(TickPeriods(25000, 18), (std::vector<int32_t>{3, 6, 8, 11, 13, 16, 18}));
  EXPECT_EQ(TickPeriods(102400, 31), (std::vector<int32_t>{11, 21, 31}));
  EXPECT_EQ(TickPeriods(10000, 3), (std::vector<int32_t>{2, 3})) << "equal does not tick";
}

TEST_F(ClockGenTest, TicksRunTheProcedureOnTheGeneratorsThread) {
  KDSetClockGenTimerManual(true);
  std::atomic<uint32_t> tickThread{0};
  kelvra::TBasicThread* seen = nullptr;
  const auto gen = TKDClockGen::Create(nullptr, 10000, [&](TKDClockGen& AThread) {
    seen = &AThread;
    tickThread = kelvra::CurrentThreadId();
  });
  for (int i = 0; i < 2; ++i) KDClockGenTimerPeriod();
  ASSERT_TRUE(TBackground::Eventually([&] { return tickThread != 0; }));
  EXPECT_EQ(seen, gen->GetInstance());
  EXPECT_EQ(tickThread, gen->GetInstance()->GetThreadId());
  EXPECT_EQ(gen->GetInstance()->GetName(), "TKDClockGen");
}

TEST_F(ClockGenTest, PendingTicksStayBoundedWhenTheProcedureFallsBehind) {
  KDSetClockGenTimerManual(true);
  const auto release = kelvra::TEvent::Create(kelvra::rmManualReset, false);
  std::atomic<bool> running{false};
  const auto gen = TKDClockGen::Create("Slow", 10000, [&] {
    running = true;
    release->WaitFor(kelvra::kInfinite);
    ++ticks;
  });
  for (int i = 0; i < 2; ++i) KDClockGenTimerPeriod();
  ASSERT_TRUE(TBackground::Eventually([&] { return running.load(); }));
  for (int i = 0; i < 11999; ++i) KDClockGenTimerPeriod();  // 11999 ticks behind the running one
  EXPECT_EQ(Gen(gen).TickCount(), 12000);
  release->SetEvent();
  std::this_thread::sleep_for(kelvra::testing::kBriefly);
  ASSERT_TRUE(TBackground::Eventually([&] { return ticks >= 10001; }));
  std::this_thread::sleep_for(kelvra::testing::kBriefly);
  EXPECT_EQ(ticks, 10001) << "the running tick and 10000 pending; the rest dropped";
}

TEST(KDClockGen, TheUnitsEndWaitsUntilNoClockGeneratorIsAlive) {
  StartKDClockGen();
  KDLiveClockGens = 1;  // a clock generator still running
  TBackground finisher(&FinishKDClockGen);
  EXPECT_FALSE(finisher.Finished(kelvra::testing::kBriefly));
  KDLiveClockGens = 0;  // the last one goes
  EXPECT_TRUE(finisher.Finished());
  EXPECT_THROW(KDClockGenLock(), kelvra::EAssertionFailed) << "released at the end";
}

TEST_F(ClockGenTest, TheTimerRunsWhileAClockGeneratorLives) {
  EXPECT_FALSE(KDClockGenTimerRunning());
  {
    auto first = Counting(10000);
    auto second = Counting(10000);
    EXPECT_TRUE(KDClockGenTimerRunning());
    EXPECT_EQ(KDLiveClockGens, 2);
    first = nullptr;
    EXPECT_TRUE(KDClockGenTimerRunning()) << "one is left";
  }
  EXPECT_FALSE(KDClockGenTimerRunning());
  EXPECT_EQ(KDLiveClockGens, 0);
  const auto next = Counting(10000);
  EXPECT_TRUE(KDClockGenTimerRunning());
  EXPECT_TRUE(TBackground::Eventually([&] { return ticks >= 3; })) << "the new timer ticks";
}

TEST_F(ClockGenTest, TerminateFromTheTickProcedureReturnsAtOnce) {
  std::atomic<bool> returned{false};
  auto gen = TKDClockGen::Create(nullptr, 10000, [&](TKDClockGen& AThread) {
    AThread.Terminate();
    returned = true;
  });
  ASSERT_TRUE(TBackground::Eventually([&] { return returned.load(); }));
  EXPECT_TRUE(gen->WaitFor(10000)) << "the loop ends after the tick";
  TBackground release([&] { gen = nullptr; });
  EXPECT_TRUE(release.Finished());
  EXPECT_TRUE(TBackground::Eventually([] { return KDLiveClockGens == 0; }));
}

TEST_F(ClockGenTest, AMissingEventOrAnIntervalBelowOneIsAnAssertionFailure) {
  const auto reported = [](auto AMake) {
    return test::MessageOf<kelvra::EAssertionFailed>(AMake).starts_with(
        "Assertion failure (KDClockGen, line ");
  };
  EXPECT_TRUE(reported([] { TKDClockGen::Create("x", 100, kelvra::TProcedure{}); }));
  EXPECT_TRUE(reported([] { TKDClockGen::Create("x", 0, [] {}); }));
  EXPECT_EQ(KDLiveClockGens, 0);
  EXPECT_FALSE(KDClockGenTimerRunning());
  Finalize();
  EXPECT_THROW(TKDClockGen::Create("x", 100, [] {}), kelvra::EAssertionFailed) << "the unit ended";
  Initialize();
}

// The timer keeps its long-run rate; the precise figure is the clock benchmark's.
TEST_F(ClockGenTest, TheTimerKeepsItsRateOverSeconds) {
  const auto gen = Counting(10000);
  const auto start = std::chrono::steady_clock::now();
  const int64_t first = Gen(gen).TickCount();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const int64_t issued = Gen(gen).TickCount() - first;
  const double expected =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_NEAR(double(issued), expected, expected * 0.02);
}

TEST_F(ClockGenTest, ClockThreadsRunOncePerClockAndEndWhenReleased) {
  std::atomic<int32_t> semaphoreRuns{0}, eventRuns{0};
  auto counted = TKDClockThread::Create(nullptr, [&] { ++semaphoreRuns; });
  auto signalled = TKDEventClockThreadImpl::Create(nullptr, [&] { ++eventRuns; });
  for (int i = 0; i < 3; ++i) counted->Clock();
  signalled->Clock();
  EXPECT_TRUE(TBackground::Eventually([&] { return semaphoreRuns == 3 && eventRuns == 1; }));
  EXPECT_EQ(counted->GetInstance()->GetName(), "TKDClockThread");
  EXPECT_EQ(counted->GetPriority(), kelvra::tpHighest);
  TBackground release([&] {
    counted = nullptr;
    signalled = nullptr;
  });
  EXPECT_TRUE(release.Finished());
  EXPECT_EQ(semaphoreRuns, 3) << "the release runs no procedure";
}

TEST_F(ClockGenTest, TheBufferQueueHandsCopiesToTheMainThread) {
  std::vector<TIntf<IKDData>> delivered;
  TKDMainThreadBufferQueue queue(
      [&](kelvra::TObject*, const TIntf<IKDData>& ABuffer) { delivered.push_back(ABuffer); });
  const TIntf<IKDData> buffer(TKDRealBuffer::CreateSize(4).get());
  TBackground producer([&] {
    queue.AddBuffer(buffer, true);
    queue.AddBuffer(buffer, true);
    queue.AddBuffer(buffer, false);  // one is waiting: dropped
  });
  ASSERT_TRUE(producer.Finished());
  EXPECT_TRUE(delivered.empty()) << "delivered on the main thread only";
  while (kelvra::CheckSynchronize(0)) {
  }
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_NE(delivered[0].get(), buffer.get()) << "a copy";
}

}  // namespace
}  // namespace corvane
