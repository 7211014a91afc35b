// Benchmarks of the runtime's locks and of the main thread's queue: a lock section taken and
// released on one thread, the same by two threads at once beside std::mutex doing the same work,
// and the time from handing a procedure to the main thread until it runs there. At the end the
// figures are printed and written to the file named by --summary=FILE.
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "kelvra/Kelvra.Threading.ChangeNotifyLock.h"
#include "kelvra/Kelvra.Threading.MainThread.h"

namespace corvane::bench {
namespace {

using kelvra::TIntf;

// A section of a change-notify lock that no other thread wants.
void SectionUncontended(benchmark::State& state) {
  TIntf<kelvra::IChangeNotifyLock> lock = kelvra::TChangeNotifyLock::Create();
  for (auto _ : state) benchmark::DoNotOptimize(lock->EnterSection().get());
}

// Two threads take the lock again and again around the same short work (one shared counter
// raised), a section of one change-notify lock beside one std::mutex. Wall time: a thread that
// sleeps waiting for the lock uses no CPU time.
struct TContended {
  TIntf<kelvra::IChangeNotifyLock> lock = kelvra::TChangeNotifyLock::Create();
  std::mutex mutex;
  int64_t counter = 0;
};
TContended contended;

void SectionContended(benchmark::State& state) {
  for (auto _ : state) {
    const TIntf<kelvra::IChangeNotifySection> section = contended.lock->EnterSection();
    benchmark::DoNotOptimize(++contended.counter);
  }
}

void MutexContended(benchmark::State& state) {
  for (auto _ : state) {
    std::lock_guard guard(contended.mutex);
    benchmark::DoNotOptimize(++contended.counter);
  }
}

// From MainThreadExecute on another thread to the start of the procedure on the main thread,
// which waits for it in CheckSynchronize: the benchmark runs on the process's first thread, the
// main thread of a program that uses kelvra alone.
void MainThreadExecuteLatency(benchmark::State& state) {
  using TClock = std::chrono::steady_clock;
  TIntf<kelvra::ISemaphore> go = kelvra::TSemaphore::Create(0, 1);
  std::atomic<bool> stop{false};
  TClock::time_point posted, ran;
  std::thread poster([&] {
    while (go->WaitFor(kelvra::kInfinite) && !stop) {
      posted = TClock::now();
      kelvra::MainThreadExecute(nullptr, false, [&] { ran = TClock::now(); }, false);
    }
  });
  for (auto _ : state) {
    go->Release(1);
    kelvra::CheckSynchronize(kelvra::kInfinite);
    state.SetIterationTime(std::chrono::duration<double>(ran - posted).count());
  }
  stop = true;
  go->Release(1);
  poster.join();
}

void RegisterAll() {
  benchmark::RegisterBenchmark("lock_section/uncontended", SectionUncontended);
  benchmark::RegisterBenchmark("lock_section/2", SectionContended)->Threads(2)->UseRealTime();
  benchmark::RegisterBenchmark("mutex/2", MutexContended)->Threads(2)->UseRealTime();
  benchmark::RegisterBenchmark("main_thread_execute/1", MainThreadExecuteLatency)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond);
}

// `ns lock_section uncontended <ns>`, `vs_mutex lock_section 2 <mutex time / section time>`
// (wall times of the two threads) and `ns main_thread_execute 1 <ns from post to run>`.
std::string FormatThreadSummary(const MedianCollector& times) {
  std::string out =
      "# threads: ns lock_section = ns per section taken and released; vs_mutex lock_section 2 = "
      "std::mutex time / section time, two threads contending; ns main_thread_execute = ns from "
      "MainThreadExecute to the procedure's start on the draining main thread\n";
  if (const double s = times.Seconds("lock_section/uncontended"); s > 0)
    out += SummaryLine("ns", "lock_section", "uncontended", s * 1e9);
  const double section = times.RealSeconds("lock_section/2");
  const double mutex = times.RealSeconds("mutex/2");
  if (section > 0 && mutex > 0) out += SummaryLine("vs_mutex", "lock_section", 2, mutex / section);
  if (const double s = times.RealSeconds("main_thread_execute/1"); s > 0)
    out += SummaryLine("ns", "main_thread_execute", 1, s * 1e9);
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  using namespace corvane::bench;
  return RunBenchmarks(argc, argv, RegisterAll, FormatThreadSummary);
}
