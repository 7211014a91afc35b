// Clock generators: periodic ticks drawn from one process-wide 1 ms timer, each delivered on a
// thread of its own.
//
// What the unit holds so far is its part in the package's start and end: the unit critical
// section, which guards the master clock and its list of clock generators, and the count of live
// clock generators. The clock generators and the master clock are not built yet.
//
// Start and end run on the thread that starts and ends the package.
#pragma once

#include <atomic>
#include <cstdint>

#include "kelvra/Kelvra.Threading.h"

namespace corvane {

// The number of clock generators alive; each raises it when made and lowers it when gone.
extern std::atomic<int32_t> KDLiveClockGens;

// The unit critical section: it exists from the unit's start to its end.
kelvra::ICriticalSection& KDClockGenLock();

// Start: creates the unit critical section. End: waits, in 1 ms sleeps, until no clock generator
// is alive, then releases the critical section.
void StartKDClockGen();
void FinishKDClockGen();

}  // namespace corvane
