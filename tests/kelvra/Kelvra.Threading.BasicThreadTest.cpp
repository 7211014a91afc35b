#include "kelvra/Kelvra.Threading.BasicThread.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/kelvra/ThreadingTestSupport.h"

namespace kelvra {
namespace {

using namespace kelvra::testing;

// A thread whose pass is given by the test. Its Terminate wakes `wake`, where a pass may wait;
// its destruction sets `destroyed`.
class TTestThread : public TBasicThread {
 public:
  using TPass = std::function<void(TTestThread&)>;

  static TIntf<TTestThread> Make(TPass APass, std::string AName = "", bool AStart = true) {
    TIntf<TTestThread> thread(new TTestThread(std::move(APass), std::move(AName)));
    if (AStart) thread->Start();
    return thread;
  }

  void Terminate() override {
    TBasicThread::Terminate();
    wake->SetEvent();
  }

  std::atomic<int> passes{0};
  const TIntf<IEvent> wake = TEvent::Create(rmManualReset, false);
  std::shared_ptr<std::atomic<bool>> destroyed = std::make_shared<std::atomic<bool>>(false);
  TIntf<IThread> self;  // a reference the pass may drop

 protected:
  void ExecuteLoop() override {
    ++passes;
    pass_(*this);
  }

 private:
  TTestThread(TPass APass, std::string AName)
      : TBasicThread(nullptr, std::move(AName)), pass_(std::move(APass)) {}
  ~TTestThread() override { destroyed->store(true); }

  TPass pass_;
};

TEST(TBasicThread, RunsItsPassUntilTerminatedFromOutsideOrInside) {
  auto outside = TTestThread::Make([](TTestThread& t) { t.wake->WaitFor(1); });
  EXPECT_TRUE(TBackground::Eventually([&] { return outside->passes >= 3; }));
  outside->Terminate();
  EXPECT_TRUE(outside->WaitFor(kInfinite));
  EXPECT_TRUE(outside->IsTerminated());

  auto inside = TTestThread::Make([](TTestThread& t) {
    if (t.passes == 3) t.Terminate();
  });
  EXPECT_TRUE(inside->WaitFor(kInfinite));
  EXPECT_EQ(inside->passes, 3);

  auto unstarted = TTestThread::Make([](TTestThread&) {}, "", false);
  EXPECT_TRUE(unstarted->WaitFor(0));  // nothing runs
}

TEST(TBasicThread, TheLastReleaseEndsTheThreadThroughItsTerminate) {
  // The pass waits for `wake` without limit: only the overridden Terminate ends it.
  auto thread = TTestThread::Make([](TTestThread& t) { t.wake->WaitFor(kInfinite); });
  auto destroyed = thread->destroyed;
  EXPECT_TRUE(TBackground::Eventually([&] { return thread->passes >= 1; }));
  thread.reset();
  EXPECT_TRUE(*destroyed);  // ended and freed before the release returned
}

// A last release that cannot wait for the loop returns at once; the thread frees itself when its
// loop has ended: with FreeOnTerminate, and when the thread itself lets go of the last reference.
TEST(TBasicThread, ThreadsNotWaitedForFreeThemselvesWhenTheirLoopEnds) {
  for (bool ownThread : {false, true}) {
    SCOPED_TRACE(ownThread ? "released on its own thread" : "free on terminate");
    auto gate = TEvent::Create(rmManualReset, false);  // not touched by Terminate
    auto thread = TTestThread::Make([gate, ownThread](TTestThread& t) {
      gate->WaitFor(kInfinite);
      if (ownThread) t.self.reset();  // the last reference
    }, "", false);
    auto destroyed = thread->destroyed;
    thread->self = ownThread ? thread : nullptr;
    thread->SetFreeOnTerminate(!ownThread);
    thread->Start();
    EXPECT_TRUE(TBackground::Eventually([&] { return thread->passes >= 1; }));
    thread.reset();
    EXPECT_FALSE(*destroyed);
    gate->SetEvent();
    EXPECT_TRUE(TBackground::Eventually([&] { return destroyed->load(); }));
  }
}

TEST(TBasicThread, WaitingForItselfAndExceptionsOfThePassEndIt) {
  auto thread = TTestThread::Make([](TTestThread& t) {
    EXPECT_THROW(t.WaitFor(0), EThread);
    throw std::runtime_error("pass failed");
  });
  EXPECT_TRUE(thread->WaitFor(kInfinite));
  EXPECT_EQ(thread->passes, 1);
  EXPECT_TRUE(thread->IsTerminated());
  try {
    std::rethrow_exception(thread->GetFatalException());
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "pass failed");
  }
}

// The kernel's name of a thread of this process.
std::string KernelName(uint32_t AThreadId) {
  std::string name;
  std::getline(std::ifstream("/proc/self/task/" + std::to_string(AThreadId) + "/comm"), name);
  return name;
}

TEST(TBasicThread, ThreadsCarryTheirNameAndIdForDebuggers) {
  std::atomic<uint32_t> seenInside{0};
  auto named = TTestThread::Make([&](TTestThread& t) {
    seenInside = TBasicThread::GetCurrentThreadId();
    t.wake->WaitFor(kInfinite);
  }, "AVeryLongThreadNameIndeed");
  auto unnamed = TTestThread::Make([](TTestThread& t) { t.wake->WaitFor(kInfinite); });
  EXPECT_TRUE(TBackground::Eventually([&] { return seenInside != 0; }));
  EXPECT_EQ(named->GetThreadId(), seenInside);
  EXPECT_EQ(KernelName(named->GetThreadId()), "AVeryLongThread");  // 15 characters
  EXPECT_EQ(unnamed->GetName(), "TTestThread");
  EXPECT_TRUE(TBackground::Eventually([&] { return unnamed->GetThreadId() != 0; }));
  EXPECT_EQ(KernelName(unnamed->GetThreadId()), "TTestThread");
}

// Every priority can be asked for, before and while running, with or without the right to it.
// Lowering is always granted: idle is SCHED_IDLE, tpLowest nice 10.
TEST(TBasicThread, PrioritiesAreBestEffortAndNeverAnError) {
  auto thread = TTestThread::Make([](TTestThread& t) { t.wake->WaitFor(kInfinite); }, "", false);
  thread->SetPriority(tpLowest);
  thread->Start();
  EXPECT_TRUE(TBackground::Eventually([&] { return thread->GetThreadId() != 0; }));
  const auto tid = id_t(thread->GetThreadId());
  EXPECT_GE(getpriority(PRIO_PROCESS, tid), 10);  // more when the whole process runs nicer
  thread->SetPriority(tpIdle);
  EXPECT_EQ(sched_getscheduler(pid_t(tid)), SCHED_IDLE);
  for (TThreadPriority priority : {tpLowest, tpLower, tpNormal, tpHigher, tpHighest,
                                   tpTimeCritical, tpNormal}) {
    thread->SetPriority(priority);
    EXPECT_EQ(thread->GetPriority(), priority);
  }
}

}  // namespace
}  // namespace kelvra
