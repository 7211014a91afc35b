// Benchmarks of the thread-pool executor and of the example soft clipper on an OpenCL GPU: one
// ippsExp_64f over 2^22 doubles beside the same cut into groups that a pool of two threads shares
// out, an empty parallel run (the cost of handing work to the pool and waiting for it), and the
// clipper on a GPU device beside the same on the executor. The GPU figure is skipped, with the
// reason printed, where no platform has a GPU device (PoCL's CPU device is no GPU).
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <cstdio>
#include <string>
#include <vector>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "examples/components/ParallelFilter.h"
#include "kelvra/Kelvra.OpenCL.h"
#include "kelvra/Kelvra.Threading.Executor.h"

namespace corvane::bench {
namespace {

using kelvra::TIntf;

constexpr int kThreads = 2;
constexpr int kExpLength = 1 << 22;
constexpr int kExpGroup = 1 << 16;  // 64 groups: enough for an even share on two threads
constexpr int kClipLength = 1 << 22;

TIntf<kelvra::TBasicThreadExecutor> Pool(uint32_t AGroupSize) {
  TIntf<kelvra::TBasicThreadExecutor> pool(new kelvra::TBasicThreadExecutor(nullptr));
  pool->SetThreadCount(kThreads);
  pool->SetGroupSize(AGroupSize);
  return pool;
}

struct TExpData {
  std::vector<double> source = std::vector<double>(kExpLength, 0.5);
  std::vector<double> target = std::vector<double>(kExpLength);
};

void ExpSerial(benchmark::State& state) {
  TExpData data;
  for (auto _ : state) ippsExp_64f(data.source.data(), data.target.data(), kExpLength);
}

void ExpPool(benchmark::State& state) {
  TExpData data;
  const auto pool = Pool(kExpGroup);
  for (auto _ : state)
    pool->Execute(kExpLength, [&](int64_t first, int64_t last) {
      ippsExp_64f(data.source.data() + first, data.target.data() + first, int(last - first));
    });
}

void EmptyDispatch(benchmark::State& state) {
  const auto pool = Pool(1);
  for (auto _ : state) pool->Execute(kThreads, [](int64_t, int64_t) {});
}

// The first platform's first GPU device, as a GPU engine named after that platform would get.
std::string GPUPlatformName() {
  for (const auto& platform : kelvra::TOpenCL::GetPlatforms())
    for (const auto& device : platform->GetDevices())
      if (device->IsGPU() && device->SupportsDoubles()) return platform->GetName();
  return {};
}

// The clipper with one engine of AEngine's class, enabled (a parallel one with its pool).
void Clip(benchmark::State& state, const kelvra::TClassRef* AEngine) {
  kelvra::TOwnedComponent<examples::TParallelSoftClip> clipper(
      new examples::TParallelSoftClip(nullptr));
  auto* engine =
      static_cast<TRQProcessingEngine*>(clipper->GetProcessing()->GetEngines()->Add(*AEngine));
  engine->SetEnabled(true);
  if (auto* parallel = dynamic_cast<TRQParallelProcessingEngine*>(engine)) {
    parallel->GetPool()->SetEnabled(true);
    parallel->GetPool()->SetCount(kThreads);
    parallel->GetPool()->SetGroupSize(4);
  } else {
    static_cast<TRQGPUProcessingEngine*>(engine)->SetPlatform(GPUPlatformName());
  }
  const TIntf<IKDRealBuffer> input = TKDRealBuffer::CreateValue(3.0, kClipLength);
  for (auto _ : state) benchmark::DoNotOptimize(clipper->Clip(input).get());
}

void RegisterAll() {
  benchmark::RegisterBenchmark("exp/serial/4194304", ExpSerial)->UseRealTime();
  benchmark::RegisterBenchmark("exp/pool/4194304", ExpPool)->UseRealTime();
  benchmark::RegisterBenchmark("dispatch/pool/2", EmptyDispatch)->UseRealTime();
  if (GPUPlatformName().empty()) {
    std::printf("soft_clip on a GPU skipped: no OpenCL platform has a GPU device with doubles\n");
    return;
  }
  benchmark::RegisterBenchmark("soft_clip/gpu/4194304", Clip, &TRQGPUProcessingEngine::ClassRef)
      ->UseRealTime();
  benchmark::RegisterBenchmark("soft_clip/executor/4194304", Clip,
                               &TRQParallelProcessingEngine::ClassRef)
      ->UseRealTime();
}

// `speedup executor 2 <serial time / pool time>`, `us executor_dispatch 2 <us per empty run>`
// and, with a GPU, `vs_executor soft_clip_gpu 4194304 <executor time / GPU time>`; wall times.
std::string FormatExecutorSummary(const MedianCollector& times) {
  std::string out =
      "# executor: ippsExp_64f over 2^22 doubles, serial / in groups of 2^16 on a pool of 2 "
      "threads; executor_dispatch: an empty run of two groups; wall times\n";
  const double serial = times.RealSeconds("exp/serial/4194304");
  const double pooled = times.RealSeconds("exp/pool/4194304");
  if (serial > 0 && pooled > 0)
    out += SummaryLine("speedup", "executor", kThreads, serial / pooled);
  if (const double s = times.RealSeconds("dispatch/pool/2"); s > 0)
    out += SummaryLine("us", "executor_dispatch", kThreads, s * 1e6);
  const double gpu = times.RealSeconds("soft_clip/gpu/4194304");
  const double executor = times.RealSeconds("soft_clip/executor/4194304");
  if (gpu > 0 && executor > 0)
    out += SummaryLine("vs_executor", "soft_clip_gpu", kClipLength, executor / gpu);
  else
    out += "# soft_clip_gpu skipped: no OpenCL platform has a GPU device with doubles\n";
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  corvane::Initialize();
  const int status = corvane::bench::RunBenchmarks(argc, argv, corvane::bench::RegisterAll,
                                                   corvane::bench::FormatExecutorSummary);
  corvane::Finalize();
  return status;
}
