#include "corvane/framework/KDClockGen.h"

#include <chrono>
#include <thread>

namespace corvane {

std::atomic<int32_t> KDLiveClockGens{0};

namespace {
kelvra::TIntf<kelvra::ICriticalSection> unitLock;
}  // namespace

kelvra::ICriticalSection& KDClockGenLock() {
  KELVRA_ASSERT(unitLock);
  return *unitLock;
}

void StartKDClockGen() { unitLock = kelvra::TCriticalSection::Create(); }

void FinishKDClockGen() {
  // A clock generator still running ticks under the unit lock: it must be gone first.
  while (KDLiveClockGens.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  unitLock = nullptr;
}

}  // namespace corvane
