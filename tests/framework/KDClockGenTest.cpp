#include "corvane/framework/KDClockGen.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace corvane {
namespace {

TEST(KDClockGen, TheUnitsEndWaitsUntilNoClockGeneratorIsAlive) {
  StartKDClockGen();
  kelvra::TLockAccess::Execute(KDClockGenLock(), [] {});
  KDLiveClockGens = 1;  // a clock generator still running
  std::atomic<bool> ended{false};
  std::thread finisher([&] {
    FinishKDClockGen();
    ended = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(ended);
  KDLiveClockGens = 0;  // the last one goes
  finisher.join();
  EXPECT_TRUE(ended);
  EXPECT_THROW(KDClockGenLock(), kelvra::EAssertionFailed) << "released at the end";
}

}  // namespace
}  // namespace corvane
