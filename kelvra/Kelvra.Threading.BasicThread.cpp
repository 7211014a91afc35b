#include "kelvra/Kelvra.Threading.BasicThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <mutex>
#include <system_error>

namespace kelvra {
namespace {

// How a priority is asked of the system: a policy with its static priority, and the nice value
// of the normal policy, used as well when a real-time policy is refused.
struct TPriorityRequest {
  int policy;
  int realTimePriority;
  int nice;
};

TPriorityRequest RequestOf(TThreadPriority APriority) {
  switch (APriority) {
    case tpIdle: return {SCHED_IDLE, 0, 19};
    case tpLowest: return {SCHED_OTHER, 0, 10};
    case tpLower: return {SCHED_OTHER, 0, 5};
    case tpNormal: return {SCHED_OTHER, 0, 0};
    case tpHigher: return {SCHED_OTHER, 0, -5};
    case tpHighest: return {SCHED_RR, sched_get_priority_min(SCHED_RR), -10};
    case tpTimeCritical: return {SCHED_FIFO, sched_get_priority_min(SCHED_FIFO) + 1, -15};
  }
  return {SCHED_OTHER, 0, 0};
}

// Best effort: every refusal leaves the thread as it was.
void Prioritize(pthread_t AHandle, uint32_t AThreadId, TThreadPriority APriority) {
  const TPriorityRequest request = RequestOf(APriority);
  sched_param param{};
  param.sched_priority = request.realTimePriority;
  if (request.policy != SCHED_OTHER && pthread_setschedparam(AHandle, request.policy, &param) == 0)
    return;
  param.sched_priority = 0;
  pthread_setschedparam(AHandle, SCHED_OTHER, &param);
  setpriority(PRIO_PROCESS, id_t(AThreadId), request.nice);
}

}  // namespace

void PrioritizeCurrentThread(TThreadPriority APriority) {
  Prioritize(pthread_self(), CurrentThreadId(), APriority);
}

TBasicThread::TBasicThread(TObject* AOwner, std::string AName)
    : owner_(AOwner), name_(std::move(AName)) {}

TBasicThread::~TBasicThread() {
  // The loop has ended (the running thread held the object until then); what may be left is the
  // system thread's own exit.
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id())
    thread_.detach();
  else
    thread_.join();
}

void TBasicThread::Start() {
  std::lock_guard guard(stateLock_);
  KELVRA_ASSERT(!started_);
  if (name_.empty()) name_ = ClassName(typeid(*this));
  TInterfacedObject::_AddRef();  // the running thread's reference, released when its loop ends
  try {
    thread_ = std::thread(&TBasicThread::Run, this);
  } catch (const std::system_error& e) {
    TInterfacedObject::_Release();  // the caller's reference keeps the object
    throw EThread(std::string("Cannot create thread: ") + e.what());
  }
  started_ = true;
}

void TBasicThread::Run(TBasicThread* AThread) {
  {
    std::lock_guard guard(AThread->stateLock_);
    AThread->threadId_ = CurrentThreadId();
    pthread_setname_np(pthread_self(), AThread->name_.substr(0, 15).c_str());
    AThread->ApplyPriority();  // also tpNormal: the creator's priority is not inherited
  }
  std::exception_ptr fatal;
  try {
    while (!AThread->IsTerminated()) AThread->ExecuteLoop();
  } catch (...) {
    fatal = std::current_exception();
    AThread->terminated_.store(true, std::memory_order_release);
  }
  {
    std::lock_guard guard(AThread->stateLock_);
    AThread->fatalException_ = fatal;
    AThread->ended_ = true;
    AThread->finished_.NotifyAll();
  }
  AThread->TInterfacedObject::_Release();  // may free the object, on this thread
}

void TBasicThread::Terminate() { terminated_.store(true, std::memory_order_release); }

bool TBasicThread::WaitFor(uint32_t ATimeout) {
  std::lock_guard guard(stateLock_);
  if (OnOwnThread()) throw EThread("Thread " + name_ + " cannot wait for itself");
  return finished_.Wait(stateLock_, [this] { return !started_ || ended_; }, ATimeout);
}

TThreadPriority TBasicThread::GetPriority() {
  std::lock_guard guard(stateLock_);
  return priority_;
}

void TBasicThread::SetPriority(TThreadPriority APriority) {
  std::lock_guard guard(stateLock_);
  priority_ = APriority;
  if (threadId_ != 0 && !ended_) ApplyPriority();
}

void TBasicThread::ApplyPriority() {
  Prioritize(OnOwnThread() ? pthread_self() : thread_.native_handle(), threadId_, priority_);
}

std::string TBasicThread::GetName() {
  std::lock_guard guard(stateLock_);
  return name_;
}

uint32_t TBasicThread::GetThreadId() {
  std::lock_guard guard(stateLock_);
  return threadId_;
}

std::exception_ptr TBasicThread::GetFatalException() {
  std::lock_guard guard(stateLock_);
  return fatalException_;
}

bool TBasicThread::OnOwnThread() const { return threadId_ != 0 && threadId_ == CurrentThreadId(); }

int32_t TBasicThread::_AddRef() {
  references_.fetch_add(1, std::memory_order_relaxed);
  return TInterfacedObject::_AddRef();
}

int32_t TBasicThread::_Release() {
  if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) EndWithLastReference();
  return TInterfacedObject::_Release();
}

// Runs while the object is whole: the released reference is still counted by the base.
void TBasicThread::EndWithLastReference() {
  Terminate();
  bool wait;
  {
    std::lock_guard guard(stateLock_);
    wait = !OnOwnThread() && !GetFreeOnTerminate();
  }
  if (!wait) return;
  WaitFor(kInfinite);
  // The loop has ended, but the running thread lets go of its own reference just after that:
  // joining waits for it, so that the caller's release is the last one and frees the object
  // before it returns.
  if (thread_.joinable()) thread_.join();
}

}  // namespace kelvra
