// Running procedures on the main thread.
//
// The main thread is the thread that started the package (the first corvane::Initialize, which
// calls SetMainThread); until then, and in programs that use kelvra alone, it is the process's
// first thread. The host runs the queued procedures by calling CheckSynchronize on the main
// thread, from its event loop or idle handler; tests do the same.
//
// Procedures run in the order they were queued. A procedure that throws hands its exception to
// the thread that waits for it (AWait), or otherwise out of CheckSynchronize; the procedures
// queued behind it stay queued.
#pragma once

#include <cstdint>

#include "kelvra/Kelvra.Threading.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

// Makes the calling thread the main thread.
void SetMainThread();
bool IsMainThread();

// Hands AProcedure to the main thread. ASender names whose call it is, for
// RemoveMainThreadExecutes; it may be null.
// - AWait false: returns before the procedure runs. On the main thread itself the procedure runs
//   at once, unless AForceQueue: then it waits in the queue like any other.
// - AWait true: returns after the procedure has run (or been removed); on the main thread it runs
//   at once. The main thread must not be waiting for the caller meanwhile.
void MainThreadExecute(TObject* ASender, bool AWait, TProcedure AProcedure,
                       bool AForceQueue);

// Drops the queued procedures of ASender (their waiting callers return) and, called on another
// thread than the main thread, waits for one of them that is running now. Afterwards none of
// ASender's procedures runs. Do not call it holding a lock that those procedures take.
void RemoveMainThreadExecutes(TObject* ASender);

// On the main thread: runs every procedure queued when it is called (those that they queue run at
// the next call). When none is queued, waits for one at most ATimeout milliseconds. True when a
// procedure ran. EThread when called on another thread.
bool CheckSynchronize(uint32_t ATimeout = 0);

class IMainThreadExecute : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{7D2C9E14-B36A-4F05-8E7B-51A4C0D9E2F8}");
  // Queues AProcedure for the main thread and returns before it runs, also on the main thread.
  virtual void Execute(TProcedure AProcedure) = 0;
};

// An object whose procedures wait for the main thread only as long as it lives: when its last
// reference goes, its queued procedures are dropped (and one running on the main thread is
// waited for), so they may use what their owner frees with it.
class TMainThreadExecute : public TObject, public TInterfacedObject, public IMainThreadExecute {
 public:
  static TIntf<IMainThreadExecute> Create() { return new TMainThreadExecute(); }

  void Execute(TProcedure AProcedure) override;
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TMainThreadExecute, IMainThreadExecute>(this, iid, out);
  }

 private:
  TMainThreadExecute() = default;
  ~TMainThreadExecute() override;
};

}  // namespace kelvra
