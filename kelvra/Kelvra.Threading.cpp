#include "kelvra/Kelvra.Threading.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <mutex>
#include <string>

namespace kelvra {

uint32_t CurrentThreadId() {
  static thread_local const uint32_t id = uint32_t(gettid());
  return id;
}

TDeadline::TDeadline(uint32_t ATimeout)
    : at_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ATimeout)),
      infinite_(ATimeout == kInfinite) {}

bool TDeadline::HasPassed() const {
  return !infinite_ && std::chrono::steady_clock::now() >= at_;
}

std::chrono::nanoseconds TDeadline::Remaining() const {
  return std::max(std::chrono::nanoseconds(0), at_ - std::chrono::steady_clock::now());
}

namespace detail {

// The word's address as the kernel takes it: std::atomic<uint32_t> is a plain 32-bit word.
static uint32_t* Word(std::atomic<uint32_t>& word) { return reinterpret_cast<uint32_t*>(&word); }

void FutexWait(std::atomic<uint32_t>& word, uint32_t expected, const TDeadline* deadline) {
  timespec relative{};
  const timespec* limit = nullptr;
  if (deadline && !deadline->IsInfinite()) {
    const auto left = deadline->Remaining();
    if (left.count() == 0) return;
    relative.tv_sec = time_t(left.count() / 1000000000);
    relative.tv_nsec = long(left.count() % 1000000000);
    limit = &relative;
  }
  syscall(SYS_futex, Word(word), FUTEX_WAIT_PRIVATE, expected, limit, nullptr, 0);
}

void FutexWake(std::atomic<uint32_t>& word, int32_t count) {
  syscall(SYS_futex, Word(word), FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0);
}

void SpinPause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

}  // namespace detail

// Spins a hundred pauses, long enough for a holder of a short section to leave it; then marks the
// lock as having a sleeper (2) and sleeps until a leave finds that mark.
void TParkingLock::LockContended() {
  constexpr int kSpins = 100;
  uint32_t state = state_.load(std::memory_order_relaxed);
  for (int i = 0; i < kSpins; ++i) {
    if (state == 0 && state_.compare_exchange_weak(state, 1, std::memory_order_acquire,
                                                   std::memory_order_relaxed))
      return;
    detail::SpinPause();
    state = state_.load(std::memory_order_relaxed);
  }
  if (state != 2) state = state_.exchange(2, std::memory_order_acquire);
  while (state != 0) {
    detail::FutexWait(state_, 2, nullptr);
    state = state_.exchange(2, std::memory_order_acquire);
  }
}

// ---------------------------------------------------------------------------------------------

void TEvent::SetEvent() {
  std::lock_guard guard(lock_);
  signalled_ = true;
  signal_.NotifyAll();
}

void TEvent::ResetEvent() {
  std::lock_guard guard(lock_);
  signalled_ = false;
}

bool TEvent::WaitFor(uint32_t ATimeout) {
  std::lock_guard guard(lock_);
  if (!signal_.Wait(lock_, [this] { return signalled_; }, ATimeout)) return false;
  if (mode_ == rmAutoReset) signalled_ = false;
  return true;
}

TIntf<ISemaphore> TSemaphore::Create(int32_t AInitial, int32_t AMaximum) {
  if (AMaximum < 1 || AInitial < 0 || AInitial > AMaximum)
    throw ESyncObjectException("Invalid semaphore counts (initial " + std::to_string(AInitial) +
                               ", maximum " + std::to_string(AMaximum) + ")");
  return new TSemaphore(AInitial, AMaximum);
}

int32_t TSemaphore::Release(int32_t ACount) {
  if (ACount < 1)
    throw ESyncObjectException("Invalid semaphore release count " + std::to_string(ACount));
  std::lock_guard guard(lock_);
  const int32_t before = count_;
  count_ = int32_t(std::min<int64_t>(int64_t(count_) + ACount, maximum_));
  signal_.NotifyAll();
  return before;
}

bool TSemaphore::WaitFor(uint32_t ATimeout) {
  std::lock_guard guard(lock_);
  if (!signal_.Wait(lock_, [this] { return count_ > 0; }, ATimeout)) return false;
  --count_;
  return true;
}

}  // namespace kelvra
