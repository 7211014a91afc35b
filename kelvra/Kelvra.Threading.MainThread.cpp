#include "kelvra/Kelvra.Threading.MainThread.h"

#include <unistd.h>

#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

namespace kelvra {
namespace {

// The id of the main thread; 0 until SetMainThread: the process's first thread, whose id is the
// process id.
std::atomic<uint32_t> mainThreadId{0};

// What a waiting caller learns of its procedure.
struct TOutcome {
  bool done = false;
  std::exception_ptr error;
};

struct TCall {
  uint64_t number;
  TObject* sender;
  TProcedure procedure;
  std::shared_ptr<TOutcome> outcome;  // set for a caller that waits
};

class TMainThreadQueue {
 public:
  // One for the process, never destroyed: threads may still queue while the process exits.
  static TMainThreadQueue& Instance() {
    static TMainThreadQueue* queue = new TMainThreadQueue();
    return *queue;
  }

  void Queue(TObject* ASender, TProcedure AProcedure, bool AWait) {
    std::unique_lock guard(lock_);
    auto outcome = AWait ? std::make_shared<TOutcome>() : nullptr;
    calls_.push_back({++lastNumber_, ASender, std::move(AProcedure), outcome});
    arrived_.NotifyAll();
    if (!AWait) return;
    finished_.Wait(lock_, [&] { return outcome->done; }, kInfinite);
    if (outcome->error) std::rethrow_exception(outcome->error);
  }

  void Remove(TObject* ASender) {
    std::unique_lock guard(lock_);
    std::erase_if(calls_, [&](TCall& call) {
      if (call.sender != ASender) return false;
      if (call.outcome) call.outcome->done = true;
      return true;
    });
    finished_.NotifyAll();
    if (ASender && !IsMainThread())
      finished_.Wait(lock_, [&] { return running_ != ASender; }, kInfinite);
  }

  bool Run(uint32_t ATimeout) {
    std::unique_lock guard(lock_);
    if (!arrived_.Wait(lock_, [this] { return !calls_.empty(); }, ATimeout)) return false;
    const uint64_t last = lastNumber_;
    while (!calls_.empty() && calls_.front().number <= last) {
      TCall call = std::move(calls_.front());
      calls_.pop_front();
      running_ = call.sender;
      guard.unlock();
      std::exception_ptr error;
      try {
        call.procedure();
      } catch (...) {
        error = std::current_exception();
      }
      guard.lock();
      running_ = nullptr;
      if (call.outcome) {
        call.outcome->done = true;
        call.outcome->error = error;
      }
      finished_.NotifyAll();
      if (error && !call.outcome) std::rethrow_exception(error);
    }
    return true;
  }

 private:
  TParkingLock lock_;
  TWaitCondition arrived_;   // a call was queued
  TWaitCondition finished_;  // a call ran or was removed
  // Under lock_:
  std::deque<TCall> calls_;
  uint64_t lastNumber_ = 0;
  TObject* running_ = nullptr;  // the sender of the call running now
};

}  // namespace

void SetMainThread() { mainThreadId.store(CurrentThreadId(), std::memory_order_relaxed); }

bool IsMainThread() {
  const uint32_t id = mainThreadId.load(std::memory_order_relaxed);
  return CurrentThreadId() == (id != 0 ? id : uint32_t(getpid()));
}

void MainThreadExecute(TObject* ASender, bool AWait, TProcedure AProcedure,
                       bool AForceQueue) {
  if (IsMainThread() && (AWait || !AForceQueue))
    AProcedure();
  else
    TMainThreadQueue::Instance().Queue(ASender, std::move(AProcedure), AWait);
}

void RemoveMainThreadExecutes(TObject* ASender) { TMainThreadQueue::Instance().Remove(ASender); }

bool CheckSynchronize(uint32_t ATimeout) {
  if (!IsMainThread())
    throw EThread("CheckSynchronize called from thread " + std::to_string(CurrentThreadId()) +
                  ", which is not the main thread");
  return TMainThreadQueue::Instance().Run(ATimeout);
}

void TMainThreadExecute::Execute(TProcedure AProcedure) {
  MainThreadExecute(this, false, std::move(AProcedure), true);
}

TMainThreadExecute::~TMainThreadExecute() { RemoveMainThreadExecutes(this); }

}  // namespace kelvra
