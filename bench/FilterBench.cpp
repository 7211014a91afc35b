// Benchmarks of the filter base: 1024-sample real buffers pushed from a source pin through 10
// gain filters into a counting sink, on the delivering thread (beside the same 10
// multiplications done directly, each into a new buffer as the filters make one) and with a
// worker thread in every filter; and the latency of one buffer through one threaded filter. At
// the end the figures are printed and written to the file named by --summary=FILE.
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "examples/components/GainFilter.h"

namespace corvane::bench {
namespace {

constexpr int kStages = 10;
constexpr uint32_t kSamples = 1024;
constexpr double kGain = 1.0001;
constexpr int kThreadedBatch = 256;

// A source pin, gain filters and a sink that counts buffers and signals each arrival.
struct TChain {
  TChain(int AStages, bool AThreaded)
      : arrived(kelvra::TEvent::Create(kelvra::rmAutoReset, false)),
        sink({}, nullptr, [this](auto*, auto*, auto&, const TPNOperation& AOperation, auto) {
          if (AOperation->IsType(TPNSuppliedBufferOperation::ClassRef)) {
            lastArrival = Clock::now();
            received.fetch_add(1, std::memory_order_release);
            arrived->SetEvent();
          }
          return TPNNotifyResult{};
        }) {
    pinweave::TPNPin* upstream = &source;
    for (int i = 0; i < AStages; ++i) {
      auto& filter = filters.emplace_back(new examples::TExampleGainFilter(nullptr));
      filter->SetGain(kGain);
      filter->GetThreading()->SetEnabled(AThreaded);
      pinweave::Connect(*upstream, *filter->GetInputPin());
      upstream = filter->GetOutputPinTyped();
    }
    pinweave::Connect(*upstream, sink);
    source.Notify(TPNStartSampleRateOperation::Create(48000));
  }
  ~TChain() { source.Stop(); }
  // Waits until ACount buffers have arrived in all.
  void WaitFor(int64_t ACount) {
    while (received.load(std::memory_order_acquire) < ACount) arrived->WaitFor(kelvra::kInfinite);
  }

  using Clock = std::chrono::steady_clock;

  TKDPNRealSourcePin source{{}, nullptr};
  std::atomic<int64_t> received{0};
  Clock::time_point lastArrival;  // written before `received` is raised, read after it is seen
  kelvra::TIntf<kelvra::IEvent> arrived;
  TKDPNRealSinkPin sink;
  std::vector<kelvra::TOwnedComponent<examples::TExampleGainFilter>> filters;
};

kelvra::TIntf<IKDData> InputBuffer() {
  static const kelvra::TIntf<IKDData> buffer = TKDRealBuffer::CreateValue(1.0, kSamples);
  return buffer;
}

void PipelineSync(benchmark::State& state) {
  TChain chain(kStages, false);
  const auto input = InputBuffer();
  for (auto _ : state) chain.source.SubmitBuffer(input);
  benchmark::DoNotOptimize(chain.received.load());
}

// The filters' arithmetic alone: each stage a new output buffer, multiplied from its input. The
// outputs live to the end of the pass and go last first, as the chain's do while its calls
// unwind, so that the heap places the blocks as it does for the chain: how fast a multiplication
// runs depends on where its output block lies against its input (bench/README.md).
void DirectMultiplications(benchmark::State& state) {
  const auto input = KDBufferAs<TKDRealBuffer>(InputBuffer());
  for (auto _ : state) {
    std::array<kelvra::TIntf<IKDRealBuffer>, kStages> outputs;  // destroyed last first
    IKDRealBuffer* from = input.get();
    for (int stage = 0; stage < kStages; ++stage) {
      outputs[stage] = TKDRealBuffer::CreateSize(kSamples);
      const double* in = from->Read();
      double* out = outputs[stage]->Write();
      for (uint32_t i = 0; i < kSamples; ++i) out[i] = in[i] * kGain;
      from = outputs[stage].get();
    }
    benchmark::DoNotOptimize(from->Read());
  }
}

void PipelineThreaded(benchmark::State& state) {
  TChain chain(kStages, true);
  const auto input = InputBuffer();
  int64_t sent = 0;
  for (auto _ : state) {
    for (int i = 0; i < kThreadedBatch; ++i) chain.source.SubmitBuffer(input);
    sent += kThreadedBatch;
    chain.WaitFor(sent);
  }
  state.SetItemsProcessed(sent);
}

// Timed from the submit to the sink's handler, so the waiting thread's own wake-up is not counted.
void HopLatency(benchmark::State& state) {
  TChain chain(1, true);
  const auto input = InputBuffer();
  int64_t sent = 0;
  for (auto _ : state) {
    const auto submitted = TChain::Clock::now();
    chain.source.SubmitBuffer(input);
    chain.WaitFor(++sent);
    state.SetIterationTime(std::chrono::duration<double>(chain.lastArrival - submitted).count());
  }
}

void RegisterAll() {
  Initialize();
  benchmark::RegisterBenchmark("pipeline_sync/1024", PipelineSync);
  benchmark::RegisterBenchmark("direct_multiplications/1024", DirectMultiplications);
  benchmark::RegisterBenchmark("pipeline_threaded/1024", PipelineThreaded)->UseRealTime();
  benchmark::RegisterBenchmark("hop_latency/1", HopLatency)->UseManualTime();
}

// `overhead pipeline_sync 1024 <chain time / direct time>`, `items_per_s pipeline_threaded 1024
// <buffers per second through the threaded chain>` and `us hop_latency 1 <submit to arrival>`.
std::string FormatFilterSummary(const MedianCollector& times) {
  std::string out =
      "# filters: overhead pipeline_sync = 1024-sample buffers through 10 gain filters on the "
      "delivering thread / the 10 multiplications done directly, each into a new buffer; "
      "items_per_s pipeline_threaded = buffers per second with a worker in every filter; "
      "us hop_latency = one buffer through one threaded filter, submit to arrival\n";
  const double sync = times.Seconds("pipeline_sync/1024");
  const double direct = times.Seconds("direct_multiplications/1024");
  if (sync > 0 && direct > 0)
    out += SummaryLine("overhead", "pipeline_sync", kSamples, sync / direct);
  if (const double s = times.RealSeconds("pipeline_threaded/1024"); s > 0)
    out += SummaryLine("items_per_s", "pipeline_threaded", kSamples, kThreadedBatch / s);
  if (const double s = times.RealSeconds("hop_latency/1"); s > 0)
    out += SummaryLine("us", "hop_latency", 1, s * 1e6);
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  using namespace corvane::bench;
  return RunBenchmarks(argc, argv, RegisterAll, FormatFilterSummary);
}
