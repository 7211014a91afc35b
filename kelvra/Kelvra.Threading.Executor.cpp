#include "kelvra/Kelvra.Threading.Executor.h"

#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>
#include <tbb/task_scheduler_observer.h>

#include <algorithm>
#include <thread>

namespace kelvra {

// The arena and an observer that gives the workers entering it the executor's priority, and
// back tpNormal when they leave (workers move between arenas).
struct TBasicThreadExecutor::TPool {
  class TPriorityObserver : public tbb::task_scheduler_observer {
   public:
    TPriorityObserver(tbb::task_arena& AArena, TThreadPriority APriority)
        : tbb::task_scheduler_observer(AArena), priority_(APriority) {
      observe(true);
    }
    ~TPriorityObserver() override { observe(false); }
    void on_scheduler_entry(bool AWorker) override {
      if (AWorker) PrioritizeCurrentThread(priority_);
    }
    void on_scheduler_exit(bool AWorker) override {
      if (AWorker) PrioritizeCurrentThread(tpNormal);
    }

   private:
    const TThreadPriority priority_;
  };

  TPool(int32_t AThreads, TThreadPriority APriority) : arena(AThreads) {
    // TBB starts no more workers than the machine has processors unless told to: a pool of more
    // threads raises that limit for its life (several such pools get the smallest of their
    // counts).
    if (AThreads > tbb::info::default_concurrency())
      limit = std::make_unique<tbb::global_control>(
          tbb::global_control::max_allowed_parallelism, size_t(AThreads));
    if (APriority != tpNormal) observer = std::make_unique<TPriorityObserver>(arena, APriority);
  }

  std::unique_ptr<tbb::global_control> limit;
  tbb::task_arena arena;
  std::unique_ptr<TPriorityObserver> observer;
};

TBasicThreadExecutor::TBasicThreadExecutor(TPersistent* AOwner, TExecutorKind AKind)
    : owner_(AOwner),
      kind_(AKind),
      threadCount_(AKind == ekThreadPool ? std::max(1, int32_t(std::thread::hardware_concurrency()))
                                         : 1) {
  MakePool();
}

TBasicThreadExecutor::~TBasicThreadExecutor() = default;

void TBasicThreadExecutor::MakePool() {
  if (kind_ != ekThreadPool) return;
  pool_.reset();  // an arena's observer goes before the arena
  pool_ = std::make_unique<TPool>(threadCount_, priority_);
}

void TBasicThreadExecutor::SetThreadCount(int32_t ACount) {
  const int32_t count = kind_ == ekThreadPool ? std::max(1, ACount) : 1;
  if (count == threadCount_) return;
  threadCount_ = count;
  MakePool();
}

void TBasicThreadExecutor::SetGroupSize(uint32_t ASize) {
  groupSize_ = std::max(1u, ASize);
}

void TBasicThreadExecutor::SetPriority(TThreadPriority APriority) {
  if (APriority == priority_) return;
  priority_ = APriority;
  MakePool();
}

void TBasicThreadExecutor::Execute(int64_t ACount, const TExecutorWork& AWork) {
  if (ACount <= 0) return;
  const int64_t size = groupSize_;
  const int64_t groups = (ACount + size - 1) / size;
  auto runGroup = [&](int64_t AGroup) {
    AWork(AGroup * size, std::min(ACount, (AGroup + 1) * size));
  };
  if (!pool_ || groups == 1) {
    for (int64_t group = 0; group < groups; ++group) runGroup(group);
    return;
  }
  // One task per group: the groups are the units of work that the caller chose. TBB rethrows
  // the first exception and cancels the tasks not yet begun.
  pool_->arena.execute([&] {
    tbb::parallel_for(
        tbb::blocked_range<int64_t>(0, groups, 1),
        [&](const tbb::blocked_range<int64_t>& ARange) {
          for (int64_t group = ARange.begin(); group < ARange.end(); ++group) runGroup(group);
        },
        tbb::simple_partitioner());
  });
}

}  // namespace kelvra
