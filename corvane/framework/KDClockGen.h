// Clock generators: periodic ticks drawn from one process-wide 1 ms timer, each delivered on a
// thread of its own; two simpler signalled threads; a queue that hands data buffers to the main
// thread.
//
// The timer. One thread of the unit sleeps to absolute deadlines 1 ms apart
// (clock_nanosleep on CLOCK_MONOTONIC with TIMER_ABSTIME). It is made with the first clock
// generator and ended when the last one goes. After each deadline it walks the live clock
// generators, from the last made to the first, calling Clock on each; a deadline it oversleeps
// is caught up, each missed period walked once, so the long-run tick rate does not drift.
//
// TKDClockGen. Clock adds one timer period (10000, in units of 100 ns) to the accumulator and,
// while the accumulator is strictly greater than the interval, issues one tick and subtracts the
// interval. Each tick is one count of a semaphore bounded at 10000 that the generator's own thread
// waits on, running the tick procedure once per count. A tick that finds 10000 ticks pending is
// dropped (the semaphore keeps its maximum): a consumer far behind loses ticks rather than
// collecting them without bound.
//
// Missing tick procedures and intervals below 1 raise EAssertionFailed ("Assertion failure
// (KDClockGen, line <n>)").
//
// Threads: the timer's thread walks the list under the unit critical section, which also guards
// registration and removal; the tick procedure runs outside it, on the generator's own thread.
// TKDMainThreadBufferQueue delivers on the main thread. Start and end of the unit run on the
// thread that starts and ends the package.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "corvane/buffers/Kelvra.BasicDataTypes.h"
#include "kelvra/Kelvra.Threading.BasicThread.h"
#include "kelvra/Kelvra.Threading.MainThread.h"
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

// Holding the timer: while manual, the timer thread keeps its deadlines but walks nothing (the
// periods held are not caught up), and each KDClockGenTimerPeriod is one period's walk. For tests
// that drive the clock generators by hand, and for programs that finish setting up a running
// graph before its clocks tick.
void KDSetClockGenTimerManual(bool AManual);
void KDClockGenTimerPeriod();
// Whether the timer thread exists now.
bool KDClockGenTimerRunning();

class TKDClockGen;
// The tick procedure, given the clock generator whose tick it is.
using TKDClockGenEvent = std::function<void(TKDClockGen& AThread)>;

class TKDClockGen : public kelvra::TBasicThread {
 public:
  // AInterval: the tick period in units of 100 ns, at least 1. The thread is named AName, or
  // after its class when made with an owner or an empty name; it runs once made.
  static kelvra::TIntf<kelvra::IThread> Create(kelvra::TObject* AOwner, int64_t AInterval,
                                               TKDClockGenEvent AEvent);
  static kelvra::TIntf<kelvra::IThread> Create(kelvra::TObject* AOwner, int64_t AInterval,
                                               kelvra::TProcedure AEvent);
  static kelvra::TIntf<kelvra::IThread> Create(std::string AName, int64_t AInterval,
                                               TKDClockGenEvent AEvent);
  static kelvra::TIntf<kelvra::IThread> Create(std::string AName, int64_t AInterval,
                                               kelvra::TProcedure AEvent);

  // From another thread: wakes the thread, ends it and waits for it. From the tick procedure:
  // ends the loop after the tick and returns at once; the thread frees itself when its loop has
  // ended and no reference is left.
  void Terminate() override;
  // One timer period (see the top of this header); on the timer's thread, under the unit
  // critical section.
  void Clock();
  // Ticks issued so far, those dropped at a full semaphore included.
  int64_t TickCount() const { return FTickCount.load(std::memory_order_relaxed); }
  int64_t GetInterval() const { return FInterval; }

 protected:
  TKDClockGen(kelvra::TObject* AOwner, std::string AName);
  // Leaves the timer's list (the last one ends the timer), then counts itself gone.
  ~TKDClockGen() override;
  virtual void IntCreate(int64_t AInterval, TKDClockGenEvent AEvent);
  virtual void IntEvent();
  void ExecuteLoop() override;

 private:
  static kelvra::TIntf<kelvra::IThread> Make(TKDClockGen* AThread, int64_t AInterval,
                                             TKDClockGenEvent AEvent);

  TKDClockGenEvent FEvent;
  kelvra::TIntf<kelvra::ISemaphore> FSemaphore;
  int64_t FInterval = 1;
  int64_t FAccumulator = 0;  // under the unit critical section
  std::atomic<int64_t> FTickCount{0};
  bool counted_ = false;     // in KDLiveClockGens
  bool registered_ = false;  // in the timer's list
};

// A thread that runs its procedure once per Clock.
class IKDClockThread : public virtual kelvra::IThread {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{6C2E8A41-93D7-4F1B-B5E0-2A7D4C9F8E13}");
  virtual void Clock() = 0;
  virtual kelvra::TIntf<kelvra::ISemaphore> GetClockSemaphore() = 0;
};

// Clock releases a semaphore (at most 300000 pending) that the thread waits on.
class TKDClockThread : public kelvra::TBasicThread, public virtual IKDClockThread {
 public:
  // Runs at once, at the highest priority below time-critical.
  static kelvra::TIntf<IKDClockThread> Create(kelvra::TObject* AOwner, kelvra::TProcedure AOnClock);

  void Clock() override { FClockSemaphore->Release(1); }
  kelvra::TIntf<kelvra::ISemaphore> GetClockSemaphore() override { return FClockSemaphore; }
  void Terminate() override;
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDClockThread, IKDClockThread>(this, iid, out) ||
           TBasicThread::QueryInterface(iid, out);
  }

 protected:
  TKDClockThread(kelvra::TObject* AOwner, kelvra::TProcedure AOnClock);
  void ExecuteLoop() override;

 private:
  kelvra::TProcedure FOnClock;
  kelvra::TIntf<kelvra::ISemaphore> FClockSemaphore;
};

// A thread that runs its procedure when its event is set; Clocks that come while it runs merge
// into one.
class IKDEventClockThread : public virtual kelvra::IThread {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{A4D91F37-5B6C-4E28-8C3A-71E0B5D2F946}");
  virtual void Clock() = 0;
  virtual kelvra::TIntf<kelvra::IEvent> GetClockEvent() = 0;
};

class TKDEventClockThreadImpl : public kelvra::TBasicThread, public virtual IKDEventClockThread {
 public:
  // Runs at once, at the highest priority below time-critical.
  static kelvra::TIntf<IKDEventClockThread> Create(kelvra::TObject* AOwner,
                                                   kelvra::TProcedure AOnClock);

  void Clock() override { FClockEvent->SetEvent(); }
  kelvra::TIntf<kelvra::IEvent> GetClockEvent() override { return FClockEvent; }
  // Terminates and sets the event, so that the releasing side's wait for the thread ends.
  void Terminate() override;
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDEventClockThreadImpl, IKDEventClockThread>(this, iid, out) ||
           TBasicThread::QueryInterface(iid, out);
  }

 protected:
  TKDEventClockThreadImpl(kelvra::TObject* AOwner, kelvra::TProcedure AOnClock);
  void ExecuteLoop() override;

 private:
  kelvra::TProcedure FOnClock;
  kelvra::TIntf<kelvra::IEvent> FClockEvent;
};

using TKDBufferNotifyEvent =
    std::function<void(kelvra::TObject* ASender, const kelvra::TIntf<IKDData>& ABuffer)>;

// Hands copies of data buffers to the main thread, at most 600 at a time: AddBuffer waits while
// 600 are pending. Each AddBuffer queues one delivery, which takes the oldest buffer (if any) and
// gives it to the buffer event.
class TKDMainThreadBufferQueue : public kelvra::TObject {
 public:
  explicit TKDMainThreadBufferQueue(TKDBufferNotifyEvent AOnBuffer);
  // Drops the deliveries not yet made.
  ~TKDMainThreadBufferQueue() override;

  // Queues a copy of ABuffer; with AQueue false, drops ABuffer when one is already waiting.
  void AddBuffer(const kelvra::TIntf<IKDData>& ABuffer, bool AQueue);
  void Clear();

 private:
  void Deliver();

  std::deque<kelvra::TIntf<IKDData>> FBufferQueue;  // under listLock_
  kelvra::TParkingLock listLock_;
  TKDBufferNotifyEvent FOnBuffer;
  kelvra::TIntf<kelvra::ISemaphore> FSemaphore;
  // Last, so that it goes first: queued deliveries are dropped before the list goes.
  kelvra::TIntf<kelvra::IMainThreadExecute> FMainThreadNotify;
};

}  // namespace corvane
