// Executors: run a piece of work over an index range, split into groups, and wait for all of it.
//
// TBasicThreadExecutor(owner, kind):
//   ekThreadPool   the groups run on a pool of ThreadCount threads, the calling thread among
//                  them: a oneTBB task arena of that size, made with the executor and kept for
//                  its life (also where that is more threads than the machine has
//                  processors). The pool's worker threads run at the executor's Priority while
//                  they work for it (best effort, as TBasicThread's priorities).
//   ekPlainThread  the groups run one after another on the calling thread: no pool at all, for
//                  components that are given no threads.
// Execute returns when every group has ended. When groups raise exceptions, the first one raised
// leaves Execute once the groups under way have ended; groups not yet begun are skipped.
//
// Threads: one executor may run Execute from several threads at once; its settings are changed
// while none runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "kelvra/Kelvra.Threading.BasicThread.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

class TPersistent;

// The work of one group: the indices AFirst .. ALast - 1.
using TExecutorWork = std::function<void(int64_t AFirst, int64_t ALast)>;

class IExecutor : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{5D2A8F61-3B9E-4C07-A4D1-E87C0B6F2935}");
  // Runs AWork over 0 .. ACount - 1 in groups of GetGroupSize() indices (the last group may be
  // shorter); nothing for ACount <= 0.
  virtual void Execute(int64_t ACount, const TExecutorWork& AWork) = 0;
  virtual int32_t GetThreadCount() = 0;
  virtual uint32_t GetGroupSize() = 0;
};

enum TExecutorKind : uint8_t { ekThreadPool, ekPlainThread };

class TBasicThreadExecutor : public TInterfacedObject, public IExecutor {
 public:
  // AOwner: the component the executor works for (not owned). A pool starts with as many threads as
  // the machine has processors, a group size of 1 and tpNormal.
  explicit TBasicThreadExecutor(TPersistent* AOwner, TExecutorKind AKind = ekThreadPool);
  ~TBasicThreadExecutor() override;

  void Execute(int64_t ACount, const TExecutorWork& AWork) override;
  int32_t GetThreadCount() override { return threadCount_; }
  uint32_t GetGroupSize() override { return groupSize_; }
  // Not below 1; 1 for the plain-thread kind whatever is asked.
  void SetThreadCount(int32_t ACount);
  // Not below 1.
  void SetGroupSize(uint32_t ASize);
  TThreadPriority GetPriority() const { return priority_; }
  void SetPriority(TThreadPriority APriority);
  TExecutorKind GetKind() const { return kind_; }
  TPersistent* GetOwner() const { return owner_; }

  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TBasicThreadExecutor, IExecutor>(this, iid, out);
  }

 private:
  struct TPool;
  void MakePool();

  TPersistent* const owner_;
  const TExecutorKind kind_;
  int32_t threadCount_;
  uint32_t groupSize_ = 1;
  TThreadPriority priority_ = tpNormal;
  std::unique_ptr<TPool> pool_;  // ekThreadPool only
};

}  // namespace kelvra
