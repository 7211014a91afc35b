#include "corvane/framework/KDClockGen.h"

#include <time.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane {

using kelvra::TIntf;

std::atomic<int32_t> KDLiveClockGens{0};

namespace {

// Checks report this unit by its name, not by its file.
#define KD_CLOCK_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::kelvra::AssertionFailed("KDClockGen", __LINE__))

constexpr int64_t kTimerPeriod = 10000;         // one timer period in units of 100 ns
constexpr long kTimerPeriodNs = 1000000;        // the same in nanoseconds
constexpr int32_t kMaxPendingTicks = 10000;

TIntf<kelvra::ICriticalSection> unitLock;
std::atomic<bool> timerManual{false};

void AddNanoseconds(timespec& ATime, long ANanoseconds) {
  ATime.tv_nsec += ANanoseconds;
  while (ATime.tv_nsec >= 1000000000) {
    ATime.tv_nsec -= 1000000000;
    ++ATime.tv_sec;
  }
}

bool NotBefore(const timespec& A, const timespec& B) {
  return A.tv_sec != B.tv_sec ? A.tv_sec > B.tv_sec : A.tv_nsec >= B.tv_nsec;
}

// The timer: its thread sleeps to deadlines 1 ms apart and walks the live clock generators after
// each. There is at most one, named by masterClock while it serves; once it no longer does, its
// walks do nothing and it is ended.
class TSMediaMasterClock : public kelvra::TBasicThread {
 public:
  static TSMediaMasterClock* Make() {
    auto* clock = new TSMediaMasterClock();
    clock->_AddRef();  // the unit's reference (masterClockRef)
    clock->Start();
    return clock;
  }

  std::vector<TKDClockGen*> FClockGens;  // under the unit critical section

 protected:
  TSMediaMasterClock() : TBasicThread(nullptr, "TSMediaMasterClock") {
    clock_gettime(CLOCK_MONOTONIC, &deadline_);
  }

  void ExecuteLoop() override;

 private:
  void Walk();

  timespec deadline_{};
};

TSMediaMasterClock* masterClock = nullptr;  // under the unit critical section

void TSMediaMasterClock::ExecuteLoop() {
  AddNanoseconds(deadline_, kTimerPeriodNs);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline_, nullptr) == EINTR) {
  }
  Walk();
  // Periods overslept: each is walked, late, so that no 1 ms goes uncounted.
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  timespec next = deadline_;
  AddNanoseconds(next, kTimerPeriodNs);
  while (NotBefore(now, next) && !IsTerminated()) {
    deadline_ = next;
    Walk();
    AddNanoseconds(next, kTimerPeriodNs);
  }
}

void TSMediaMasterClock::Walk() {
  if (timerManual.load(std::memory_order_relaxed)) return;
  kelvra::TLockAccess::Execute(*unitLock, [this] {
    if (masterClock != this) return;
    for (auto it = FClockGens.rbegin(); it != FClockGens.rend(); ++it) (*it)->Clock();
  });
}

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

void KDSetClockGenTimerManual(bool AManual) { timerManual.store(AManual); }

void KDClockGenTimerPeriod() {
  kelvra::TLockAccess::Execute(KDClockGenLock(), [] {
    if (!masterClock) return;
    auto& list = masterClock->FClockGens;
    for (auto it = list.rbegin(); it != list.rend(); ++it) (*it)->Clock();
  });
}

bool KDClockGenTimerRunning() {
  bool running = false;
  kelvra::TLockAccess::Execute(KDClockGenLock(), [&] { running = masterClock != nullptr; });
  return running;
}

// ---------------------------------------------------------------------------------------------
// TKDClockGen

TKDClockGen::TKDClockGen(kelvra::TObject* AOwner, std::string AName)
    : TBasicThread(AOwner, std::move(AName)) {}

TIntf<kelvra::IThread> TKDClockGen::Make(TKDClockGen* AThread, int64_t AInterval,
                                         TKDClockGenEvent AEvent) {
  TIntf<kelvra::IThread> result(AThread);
  AThread->IntCreate(AInterval, std::move(AEvent));
  AThread->Start();
  return result;
}

TIntf<kelvra::IThread> TKDClockGen::Create(kelvra::TObject* AOwner, int64_t AInterval,
                                           TKDClockGenEvent AEvent) {
  KD_CLOCK_ASSERT(AEvent);
  return Make(new TKDClockGen(AOwner, ""), AInterval, std::move(AEvent));
}

TIntf<kelvra::IThread> TKDClockGen::Create(kelvra::TObject* AOwner, int64_t AInterval,
                                           kelvra::TProcedure AEvent) {
  KD_CLOCK_ASSERT(AEvent);
  return Create(AOwner, AInterval, [event = std::move(AEvent)](TKDClockGen&) { event(); });
}

TIntf<kelvra::IThread> TKDClockGen::Create(std::string AName, int64_t AInterval,
                                           TKDClockGenEvent AEvent) {
  KD_CLOCK_ASSERT(AEvent);
  return Make(new TKDClockGen(nullptr, std::move(AName)), AInterval, std::move(AEvent));
}

TIntf<kelvra::IThread> TKDClockGen::Create(std::string AName, int64_t AInterval,
                                           kelvra::TProcedure AEvent) {
  KD_CLOCK_ASSERT(AEvent);
  return Create(std::move(AName), AInterval,
                [event = std::move(AEvent)](TKDClockGen&) { event(); });
}

void TKDClockGen::IntCreate(int64_t AInterval, TKDClockGenEvent AEvent) {
  KDLiveClockGens.fetch_add(1);
  counted_ = true;
  KD_CLOCK_ASSERT(AInterval >= 1);
  KD_CLOCK_ASSERT(AEvent);
  FInterval = AInterval;
  FAccumulator = 0;
  FEvent = std::move(AEvent);
  FSemaphore = kelvra::TSemaphore::Create(0, kMaxPendingTicks);
  kelvra::TLockAccess::Execute(KDClockGenLock(), [this] {
    if (!masterClock) masterClock = TSMediaMasterClock::Make();
    masterClock->FClockGens.push_back(this);
  });
  registered_ = true;
}

TKDClockGen::~TKDClockGen() {
  TSMediaMasterClock* ended = nullptr;
  if (registered_) {
    kelvra::TLockAccess::Execute(KDClockGenLock(), [&] {
      std::erase(masterClock->FClockGens, this);
      if (masterClock->FClockGens.empty()) ended = std::exchange(masterClock, nullptr);
    });
  }
  // Outside the unit critical section: the timer's walk may be waiting for it.
  if (ended) ended->_Release();
  if (counted_) KDLiveClockGens.fetch_sub(1);
}

void TKDClockGen::Clock() {
  FAccumulator += kTimerPeriod;
  while (FAccumulator > FInterval) {
    FSemaphore->Release(1);
    FTickCount.fetch_add(1, std::memory_order_relaxed);
    FAccumulator -= FInterval;
  }
}

void TKDClockGen::Terminate() {
  if (GetThreadId() == kelvra::CurrentThreadId()) {
    SetFreeOnTerminate(true);
    TBasicThread::Terminate();
    return;
  }
  SetFreeOnTerminate(false);
  TBasicThread::Terminate();
  if (FSemaphore) FSemaphore->Release(1);
  WaitFor(kelvra::kInfinite);
}

void TKDClockGen::IntEvent() { FEvent(*this); }

void TKDClockGen::ExecuteLoop() {
  FSemaphore->WaitFor(kelvra::kInfinite);
  if (!IsTerminated()) IntEvent();
}

// ---------------------------------------------------------------------------------------------
// TKDClockThread, TKDEventClockThreadImpl

TKDClockThread::TKDClockThread(kelvra::TObject* AOwner, kelvra::TProcedure AOnClock)
    : TBasicThread(AOwner, ""),
      FOnClock(std::move(AOnClock)),
      FClockSemaphore(kelvra::TSemaphore::Create(0, 300000)) {}

TIntf<IKDClockThread> TKDClockThread::Create(kelvra::TObject* AOwner, kelvra::TProcedure AOnClock) {
  TIntf<IKDClockThread> result(new TKDClockThread(AOwner, std::move(AOnClock)));
  result->SetPriority(kelvra::tpHighest);
  result->GetInstance()->Start();
  return result;
}

void TKDClockThread::Terminate() {
  TBasicThread::Terminate();
  FClockSemaphore->Release(1);
}

void TKDClockThread::ExecuteLoop() {
  FClockSemaphore->WaitFor(kelvra::kInfinite);
  if (!IsTerminated() && FOnClock) FOnClock();
}

TKDEventClockThreadImpl::TKDEventClockThreadImpl(kelvra::TObject* AOwner,
                                                 kelvra::TProcedure AOnClock)
    : TBasicThread(AOwner, ""),
      FOnClock(std::move(AOnClock)),
      FClockEvent(kelvra::TEvent::Create(kelvra::rmAutoReset, false)) {}

TIntf<IKDEventClockThread> TKDEventClockThreadImpl::Create(kelvra::TObject* AOwner,
                                                           kelvra::TProcedure AOnClock) {
  TIntf<IKDEventClockThread> result(new TKDEventClockThreadImpl(AOwner, std::move(AOnClock)));
  result->SetPriority(kelvra::tpHighest);
  result->GetInstance()->Start();
  return result;
}

void TKDEventClockThreadImpl::Terminate() {
  TBasicThread::Terminate();
  FClockEvent->SetEvent();
}

void TKDEventClockThreadImpl::ExecuteLoop() {
  FClockEvent->WaitFor(kelvra::kInfinite);
  if (!IsTerminated() && FOnClock) FOnClock();
}

// ---------------------------------------------------------------------------------------------
// TKDMainThreadBufferQueue

TKDMainThreadBufferQueue::TKDMainThreadBufferQueue(TKDBufferNotifyEvent AOnBuffer)
    : FOnBuffer(std::move(AOnBuffer)),
      FSemaphore(kelvra::TSemaphore::Create(600, 600)),
      FMainThreadNotify(kelvra::TMainThreadExecute::Create()) {}

TKDMainThreadBufferQueue::~TKDMainThreadBufferQueue() {
  FMainThreadNotify = nullptr;  // no delivery runs from here on
  FSemaphore->Release(1);
  Clear();
}

void TKDMainThreadBufferQueue::AddBuffer(const TIntf<IKDData>& ABuffer, bool AQueue) {
  FSemaphore->WaitFor(kelvra::kInfinite);
  {
    std::lock_guard guard(listLock_);
    if (AQueue || FBufferQueue.empty()) FBufferQueue.push_back(ABuffer->MakeCopy());
  }
  FMainThreadNotify->Execute([this] { Deliver(); });
}

void TKDMainThreadBufferQueue::Clear() {
  std::lock_guard guard(listLock_);
  FBufferQueue.clear();
}

void TKDMainThreadBufferQueue::Deliver() {
  TIntf<IKDData> buffer;
  {
    std::lock_guard guard(listLock_);
    if (!FBufferQueue.empty()) {
      buffer = std::move(FBufferQueue.front());
      FBufferQueue.pop_front();
    }
  }
  if (buffer && FOnBuffer) FOnBuffer(this, buffer);
  FSemaphore->Release(1);
}

}  // namespace corvane
