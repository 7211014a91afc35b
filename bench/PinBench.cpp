// Benchmarks of the pin framework's delivery: a 1024-sample real buffer submitted to a real source
// pin with 1 and with 8 KD real sinks whose handlers only count, beside calling the same 8
// handlers directly through std::function; and the allocations of one submit. At the end the
// figures are printed and written to the file named by --summary=FILE.
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/streams/KDStreamTypes.Pins.h"

// The allocations of the program are counted while `counting` is set, to tell how many one
// submit makes; the timed runs leave it clear and so do not pay for the count.
namespace {
std::atomic<bool> counting{false};
std::atomic<int64_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace corvane::bench {
namespace {

using pinweave::TPNPin;

// A real source pin with `count` KD real sinks that count what reaches them.
struct TFanOut {
  explicit TFanOut(int count) : source({}, nullptr) {
    for (int i = 0; i < count; ++i) {
      sinks.push_back(std::make_unique<TKDPNRealSinkPin>(TPNOwnerSetter(), nullptr, Counter()));
      pinweave::Connect(source, *sinks.back());
    }
  }
  TPNBasicPinNotificationEvent Counter() {
    return [this](TPNPin*, TPNPin*, const kelvra::TGUID&, const TPNOperation&, TPNNotifyState) {
      ++received;
      return TPNNotifyResult{};
    };
  }
  TKDPNRealSourcePin source;
  std::vector<std::unique_ptr<TKDPNRealSinkPin>> sinks;
  int64_t received = 0;
};

kelvra::TIntf<IKDData> SampleBuffer() {
  static const kelvra::TIntf<IKDData> buffer = TKDRealBuffer::CreateSize(1024);
  return buffer;
}

void Notify(benchmark::State& state, int sinks) {
  TFanOut fan(sinks);
  const auto buffer = SampleBuffer();
  for (auto _ : state) fan.source.SubmitBuffer(buffer);
  benchmark::DoNotOptimize(fan.received);
}

// The same handlers called one after the other, with an operation made once.
void Direct(benchmark::State& state, int sinks) {
  TFanOut fan(sinks);
  std::vector<TPNBasicPinNotificationEvent> handlers(fan.sinks.size(), fan.Counter());
  const TPNOperation operation = TPNSuppliedBufferOperation::Create(SampleBuffer());
  for (auto _ : state)
    for (const auto& handler : handlers)
      handler(nullptr, nullptr, IPNKDRealStream::IID, operation, {});
  benchmark::DoNotOptimize(fan.received);
}

void RegisterAll() {
  Initialize();
  benchmark::RegisterBenchmark("notify/1", Notify, 1);
  benchmark::RegisterBenchmark("notify/8", Notify, 8);
  benchmark::RegisterBenchmark("direct/8", Direct, 8);
}

double AllocationsPerSubmit() {
  TFanOut fan(8);
  const auto buffer = SampleBuffer();
  fan.source.SubmitBuffer(buffer);  // once, so that what is made only once is made
  constexpr int kSubmits = 1000;
  counting = true;
  for (int i = 0; i < kSubmits; ++i) fan.source.SubmitBuffer(buffer);
  counting = false;
  return double(allocations.load()) / kSubmits;
}

// `ns notify_per_sink 1|8 <ns per sink>`, `overhead notify 8 <notify time / direct calls time>`
// and `allocs_per_submit 8 <allocations per submit>`.
std::string FormatPinSummary(const MedianCollector& times) {
  std::string out =
      "# pins: ns notify_per_sink N = ns of a SubmitBuffer to N counting KD real sinks / N; "
      "overhead notify 8 = that time / calling the 8 handlers directly\n";
  for (int sinks : {1, 8})
    if (const double s = times.Seconds("notify/" + std::to_string(sinks)); s > 0)
      out += SummaryLine("ns", "notify_per_sink", sinks, s * 1e9 / sinks);
  const double notify = times.Seconds("notify/8"), direct = times.Seconds("direct/8");
  if (notify > 0 && direct > 0) out += SummaryLine("overhead", "notify", 8, notify / direct);
  char allocs[64];
  std::snprintf(allocs, sizeof allocs, "allocs_per_submit 8 %.3f\n", AllocationsPerSubmit());
  return out + allocs;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  using namespace corvane::bench;
  return RunBenchmarks(argc, argv, RegisterAll, FormatPinSummary);
}
