// Threads of the runtime: TBasicThread runs its ExecuteLoop again and again on a thread of its own
// until it is terminated.
//
// Life of a thread object:
// - A derived class's factory makes the object, holds it in a TIntf and then calls Start(); the
//   running thread keeps the object alive until its loop has ended.
// - Terminate() asks the loop to end: the loop ends after the ExecuteLoop pass under way. A class
//   whose ExecuteLoop waits overrides Terminate to wake that wait, and calls this one.
// - Releasing the last reference terminates the thread through its Terminate and waits for its
//   loop to end, except when it is released on the thread itself (a thread cannot wait for
//   itself) or when FreeOnTerminate is set: then the release returns at once and the object is
//   freed by its own thread when the loop has ended.
// - An exception that leaves ExecuteLoop ends the thread; GetFatalException tells it.
//
// Priorities are best effort: a priority the process has no right to (raising it needs
// CAP_SYS_NICE or an RLIMIT_NICE / RLIMIT_RTPRIO allowance) is left as it was, without an error.
// On Linux: tpIdle is SCHED_IDLE; tpLowest to tpHigher are the normal policy at nice 10, 5, 0,
// -5; tpHighest is SCHED_RR and tpTimeCritical SCHED_FIFO at the lowest real-time priorities (2
// above 1), each falling back to nice -10 and -15 without real-time rights.
//
// The thread's name (its class name unless the constructor is given one) is what debuggers and
// `top -H` show, cut to the 15 characters the kernel keeps.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>
#include <thread>

#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Threading.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

enum TThreadPriority : uint8_t {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// Gives the calling thread APriority, best effort as above (the workers of a thread pool).
void PrioritizeCurrentThread(TThreadPriority APriority);

class TBasicThread;

class IThread : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{0F5B3D8E-6A21-4C7E-9B43-E2D1A7C5F960}");
  virtual void Terminate() = 0;
  virtual bool IsTerminated() = 0;
  virtual TBasicThread* GetInstance() = 0;
  // True once the thread's loop has ended (at once for a thread never started); false when
  // ATimeout milliseconds pass first. EThread when called on the thread itself.
  virtual bool WaitFor(uint32_t ATimeout) = 0;
  virtual TThreadPriority GetPriority() = 0;
  virtual void SetPriority(TThreadPriority APriority) = 0;
};

class TBasicThread : public TObject, public TInterfacedObject, public virtual IThread {
 public:
  // Runs the loop on a new thread. Call once, when the object is complete and held by a
  // reference. EThread when the system cannot create the thread.
  void Start();

  void Terminate() override;
  bool IsTerminated() override { return terminated_.load(std::memory_order_acquire); }
  TBasicThread* GetInstance() override { return this; }
  bool WaitFor(uint32_t ATimeout) override;
  // The priority last asked for (tpNormal at first), whether or not the system granted it. Set
  // before Start, it is applied when the thread starts.
  TThreadPriority GetPriority() override;
  void SetPriority(TThreadPriority APriority) override;

  bool GetFreeOnTerminate() const { return freeOnTerminate_.load(std::memory_order_relaxed); }
  void SetFreeOnTerminate(bool AValue) { freeOnTerminate_.store(AValue, std::memory_order_relaxed); }
  TObject* GetOwner() const { return owner_; }
  std::string GetName();
  // The kernel's id of the thread; 0 before it runs.
  uint32_t GetThreadId();
  static uint32_t GetCurrentThreadId() { return CurrentThreadId(); }
  // The exception that ended the loop; empty when none did.
  std::exception_ptr GetFatalException();

  // The count of references other than the running thread's own: the last one to go ends the
  // thread (see the top of this header).
  int32_t _AddRef() override;
  int32_t _Release() override;
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TBasicThread, IThread>(this, iid, out);
  }

 protected:
  // AOwner is kept for the derived classes (the component the thread works for); it is not
  // owned. An empty AName names the thread after its class.
  TBasicThread(TObject* AOwner, std::string AName);
  ~TBasicThread() override;

  // One pass of the thread's work, called again and again until the thread is terminated.
  virtual void ExecuteLoop() = 0;

 private:
  static void Run(TBasicThread* AThread);
  void EndWithLastReference();
  bool OnOwnThread() const;  // under stateLock_
  void ApplyPriority();      // under stateLock_, while the thread runs

  TObject* const owner_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> freeOnTerminate_{false};
  std::atomic<int32_t> references_{0};
  TParkingLock stateLock_;
  TWaitCondition finished_;
  // Under stateLock_:
  std::string name_;
  std::thread thread_;
  bool started_ = false;
  bool ended_ = false;
  uint32_t threadId_ = 0;
  TThreadPriority priority_ = tpNormal;
  std::exception_ptr fatalException_;
};

}  // namespace kelvra
