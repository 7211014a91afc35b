// Helpers of the threaded tests. Checks that something has not happened wait kBriefly (they can
// only pass wrongly, never fail wrongly, on a slow machine); checks that something happens wait
// up to kPatience.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace kelvra::testing {

using namespace std::chrono_literals;

inline constexpr auto kBriefly = 50ms;
inline constexpr auto kPatience = 10s;

// Work on a thread of its own, whose end the test can await with a limit.
class TBackground {
 public:
  explicit TBackground(std::function<void()> AWork)
      : done_(std::make_shared<std::atomic<bool>>(false)),
        thread_([work = std::move(AWork), done = done_] {
          work();
          done->store(true);
        }) {}
  TBackground(const TBackground&) = delete;
  TBackground& operator=(const TBackground&) = delete;
  // A thread that never ends is left behind (its test has failed) rather than hanging the run.
  ~TBackground() {
    if (Finished(kPatience))
      thread_.join();
    else
      thread_.detach();
  }

  // True once the work has returned; waits at most AWithin.
  bool Finished(std::chrono::milliseconds AWithin = kPatience) const {
    return Eventually([this] { return done_->load(); }, AWithin);
  }

  // True once ACondition holds; asks it every millisecond for at most AWithin.
  static bool Eventually(const std::function<bool()>& ACondition,
                         std::chrono::milliseconds AWithin = kPatience) {
    const auto end = std::chrono::steady_clock::now() + AWithin;
    while (!ACondition()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

 private:
  std::shared_ptr<std::atomic<bool>> done_;
  std::thread thread_;
};

// Whether another thread could take ALock at this moment (a try, which never waits).
template <class Lock>
bool FreeForOthers(Lock& ALock) {
  bool took = false;
  std::thread([&] {
    took = ALock.try_lock();
    if (took) ALock.unlock();
  }).join();
  return took;
}

}  // namespace kelvra::testing
