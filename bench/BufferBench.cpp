// Benchmarks of the buffers' hot paths, each beside its peer in the same run: sharing a buffer
// at two sizes, the real buffer's Add beside a direct call of its slot, and Write beside Modify
// on a shared block. At the end the figures are printed and written to the file named by
// --summary=FILE.
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <fstream>
#include <iostream>
#include <string>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "kernels/KernelTable.h"

namespace corvane::bench {
namespace {

using TBuffer = kelvra::TIntf<IKDRealBuffer>;

constexpr int kCopyLengths[] = {1024, 16777216};
constexpr int kAddLengths[] = {1024, 65536};
constexpr int kWriteLength = 16777216;

std::string Name(const std::string& subject, int n) { return subject + "/" + std::to_string(n); }

// MakeCopy: a new buffer sharing the block, released again.
void MakeCopy(benchmark::State& state, int n) {
  TBuffer buffer = TKDRealBuffer::CreateValue(1.0, n);
  for (auto _ : state) benchmark::DoNotOptimize(buffer->MakeCopy().get());
}

// The buffer method and the slot it calls, on the same memory.
void AddMethod(benchmark::State& state, int n) {
  TBuffer a = TKDRealBuffer::CreateValue(1.0, n), b = TKDRealBuffer::CreateValue(0.5, n);
  for (auto _ : state) {
    a->Add(b);
    benchmark::ClobberMemory();
  }
}

void AddSlot(benchmark::State& state, int n) {
  TBuffer a = TKDRealBuffer::CreateValue(1.0, n), b = TKDRealBuffer::CreateValue(0.5, n);
  double* target = a->Modify();
  const double* source = b->Read();
  for (auto _ : state) {
    ippsAdd_64f_I(source, target, n);
    benchmark::ClobberMemory();
  }
}

// Write or Modify on a buffer that shares its block: only the detach is timed.
template <bool kWrite>
void DetachShared(benchmark::State& state, int n) {
  TBuffer source = TKDRealBuffer::CreateValue(1.0, n);
  for (auto _ : state) {
    state.PauseTiming();
    TBuffer copy = TKDRealBuffer::CreateCopy(source);
    state.ResumeTiming();
    benchmark::DoNotOptimize(kWrite ? copy->Write() : copy->Modify());
    state.PauseTiming();
    copy.reset();
    state.ResumeTiming();
  }
}

void RegisterAll() {
  for (int n : kCopyLengths)
    benchmark::RegisterBenchmark(Name("make_copy", n).c_str(), MakeCopy, n);
  for (int n : kAddLengths) {
    benchmark::RegisterBenchmark(Name("real_add/method", n).c_str(), AddMethod, n);
    benchmark::RegisterBenchmark(Name("real_add/slot", n).c_str(), AddSlot, n);
  }
  benchmark::RegisterBenchmark(Name("real_write", kWriteLength).c_str(), DetachShared<true>,
                               kWriteLength)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Name("real_modify", kWriteLength).c_str(), DetachShared<false>,
                               kWriteLength)
      ->Unit(benchmark::kMicrosecond);
}

// `ns make_copy <N> <ns per copy>`, `overhead real_add <N> <method time / slot time>` and
// `write_vs_modify real <N> <Write time / Modify time>`.
std::string FormatBufferSummary(const MedianCollector& times) {
  std::string out =
      "# buffers: ns make_copy = ns per MakeCopy; overhead real_add = buffer Add time / direct "
      "ippsAdd_64f_I time; write_vs_modify = Write time / Modify time on a shared buffer\n";
  for (int n : kCopyLengths)
    if (const double s = times.Seconds(Name("make_copy", n)); s > 0)
      out += SummaryLine("ns", "make_copy", n, s * 1e9);
  for (int n : kAddLengths) {
    const double method = times.Seconds(Name("real_add/method", n));
    const double slot = times.Seconds(Name("real_add/slot", n));
    if (method > 0 && slot > 0) out += SummaryLine("overhead", "real_add", n, method / slot);
  }
  const double write = times.Seconds(Name("real_write", kWriteLength));
  const double modify = times.Seconds(Name("real_modify", kWriteLength));
  if (write > 0 && modify > 0)
    out += SummaryLine("write_vs_modify", "real", kWriteLength, write / modify);
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  using namespace corvane::bench;
  const std::string summaryPath = TakeSummaryPath(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  corvane::Initialize();
  RegisterAll();
  benchmark::AddCustomContext("cpu", CpuModel());
  benchmark::AddCustomContext("kernels", corvane::kernels::KernelTargetName());
  MedianCollector times;
  benchmark::RunSpecifiedBenchmarks(&times);
  benchmark::Shutdown();

  const std::string summary = FormatBufferSummary(times);
  std::cout << '\n' << summary;
  if (!summaryPath.empty()) std::ofstream(summaryPath) << summary;
  corvane::Finalize();
  return 0;
}
