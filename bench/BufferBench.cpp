// Benchmarks of the buffers' hot paths, each beside its peer in the same run: sharing a buffer
// at two sizes, the real buffer's Add beside a direct call of its slot, Write (alone, and followed
// by filling the block) beside Modify on a shared block, the accumulator's FindBytes beside
// memmem, and the buffer queue's Pop beside memcpy. At the end the figures are printed and
// written to the file named by --summary=FILE.
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/buffers/KDVariantStorages.h"
#include "corvane/buffers/Kelvra.BufferAccumulator.h"
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

// Write or Modify on a buffer that shares its block; making and releasing the sharing copy is not
// timed. Write's fresh block comes as untouched zero pages that the system maps at their first
// touch, so Write alone leaves that work out of the timed region; Write followed by filling every
// element ends, as Modify's copy does, with every element of the new block written.
enum class TDetach { Write, WriteFill, Modify };

template <TDetach kDetach>
void DetachShared(benchmark::State& state, int n) {
  TBuffer source = TKDRealBuffer::CreateValue(1.0, n);
  for (auto _ : state) {
    state.PauseTiming();
    TBuffer copy = TKDRealBuffer::CreateCopy(source);
    state.ResumeTiming();
    if constexpr (kDetach == TDetach::Modify) {
      benchmark::DoNotOptimize(copy->Modify());
    } else {
      double* items = copy->Write();
      if constexpr (kDetach == TDetach::WriteFill) ippsSet_64f(2.0, items, n);
      benchmark::DoNotOptimize(items);
    }
    benchmark::ClobberMemory();
    state.PauseTiming();
    copy.reset();
    state.ResumeTiming();
  }
}

// FindBytes of an 8-byte pattern that ends the last of 1024 buffers of 64 KiB, beside memmem
// over the same bytes as one block. The bytes before it are pseudo-random.
constexpr int kFindBytes = 64 << 20, kFindBuffer = 64 << 10;
constexpr uint8_t kPattern[8] = {'c', 'o', 'r', 'v', 'a', 'n', 'e', '!'};

std::vector<uint8_t> FindData() {
  std::vector<uint8_t> bytes(kFindBytes);
  uint32_t state = 12345;
  for (uint8_t& b : bytes) b = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
  std::memcpy(bytes.data() + kFindBytes - sizeof kPattern, kPattern, sizeof kPattern);
  bytes[kFindBytes - sizeof kPattern - 1] = 0;  // no partial match runs into the pattern
  return bytes;
}

void FindAccumulator(benchmark::State& state) {
  const std::vector<uint8_t> bytes = FindData();
  auto accumulator = TBufferAccumulator::Create();
  for (int offset = 0; offset < kFindBytes; offset += kFindBuffer)
    accumulator->AddBuffer(TKDBlockBuffer::CreateData(bytes.data() + offset, kFindBuffer));
  for (auto _ : state) {
    int32_t position = 0;
    if (!accumulator->FindBytes(sizeof kPattern, kPattern, position) || position != kFindBytes)
      state.SkipWithError("pattern not found at the end");
    benchmark::DoNotOptimize(position);
  }
}

void FindMemmem(benchmark::State& state) {
  const std::vector<uint8_t> bytes = FindData();
  for (auto _ : state)
    benchmark::DoNotOptimize(memmem(bytes.data(), bytes.size(), kPattern, sizeof kPattern));
}

// Pop of 1000 elements from a real-buffer queue of 1024-element buffers, beside a memcpy of 1000
// doubles. The queue is refilled, untimed, whenever it runs short: 999 buffers at a time, which
// stays below its limit.
constexpr int kPopLength = 1000, kPushLength = 1024, kRefill = 999;

void QueuePop(benchmark::State& state) {
  TKDBufferQueue<IKDRealBuffer> queue;
  TBuffer source = TKDRealBuffer::CreateValue(1.0, kPushLength);
  TBuffer dest = TKDRealBuffer::CreateSize(kPopLength);
  int64_t queued = 0;
  for (auto _ : state) {
    if (queued < kPopLength) {
      state.PauseTiming();
      for (int i = 0; i < kRefill; ++i) queue.Push(source);
      queued += int64_t(kRefill) * kPushLength;
      state.ResumeTiming();
    }
    queue.Pop(dest);
    queued -= kPopLength;
    benchmark::ClobberMemory();
  }
}

void QueueMemcpy(benchmark::State& state) {
  TBuffer source = TKDRealBuffer::CreateValue(1.0, kPushLength);
  TBuffer dest = TKDRealBuffer::CreateSize(kPopLength);
  const double* from = source->Read();
  double* to = dest->Write();
  int offset = 0;
  for (auto _ : state) {
    std::memcpy(to, from + offset, kPopLength * sizeof(double));
    offset = (offset + 8) % (kPushLength - kPopLength);
    benchmark::ClobberMemory();
  }
}

void RegisterAll() {
  for (int n : kCopyLengths)
    benchmark::RegisterBenchmark(Name("make_copy", n).c_str(), MakeCopy, n);
  for (int n : kAddLengths) {
    benchmark::RegisterBenchmark(Name("real_add/method", n).c_str(), AddMethod, n);
    benchmark::RegisterBenchmark(Name("real_add/slot", n).c_str(), AddSlot, n);
  }
  benchmark::RegisterBenchmark(Name("real_write", kWriteLength).c_str(),
                               DetachShared<TDetach::Write>, kWriteLength)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Name("real_write_fill", kWriteLength).c_str(),
                               DetachShared<TDetach::WriteFill>, kWriteLength)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Name("real_modify", kWriteLength).c_str(),
                               DetachShared<TDetach::Modify>, kWriteLength)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Name("accumulator_find/ours", kFindBytes).c_str(), FindAccumulator)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Name("accumulator_find/memmem", kFindBytes).c_str(), FindMemmem)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Name("queue_pop/ours", kPopLength).c_str(), QueuePop);
  benchmark::RegisterBenchmark(Name("queue_pop/memcpy", kPopLength).c_str(), QueueMemcpy);
}

// `ns make_copy <N> <ns per copy>`, `overhead real_add <N> <method time / slot time>`,
// `write_vs_modify real <N> <Write time / Modify time>`,
// `write_fill_vs_modify real <N> <Write + filling the block time / Modify time>`,
// `mbps accumulator_find <N> <MB/s>`, `vs_memmem accumulator_find <N> <memmem time / ours>`,
// `ns_per_element queue_pop <N> <ns>` and `vs_memcpy queue_pop <N> <memcpy time / ours>`.
std::string FormatBufferSummary(const MedianCollector& times) {
  std::string out =
      "# buffers: ns make_copy = ns per MakeCopy; overhead real_add = buffer Add time / direct "
      "ippsAdd_64f_I time; write_vs_modify = Write time / Modify time on a shared buffer; "
      "write_fill_vs_modify = Write and filling every element time / Modify time; "
      "vs_<peer> = peer time / our time\n";
  for (int n : kCopyLengths)
    if (const double s = times.Seconds(Name("make_copy", n)); s > 0)
      out += SummaryLine("ns", "make_copy", n, s * 1e9);
  for (int n : kAddLengths) {
    const double method = times.Seconds(Name("real_add/method", n));
    const double slot = times.Seconds(Name("real_add/slot", n));
    if (method > 0 && slot > 0) out += SummaryLine("overhead", "real_add", n, method / slot);
  }
  const std::string modify = Name("real_modify", kWriteLength);
  const RatioFigure detachFigures[] = {
      {"write_vs_modify", "real", kWriteLength, Name("real_write", kWriteLength), modify},
      {"write_fill_vs_modify", "real", kWriteLength, Name("real_write_fill", kWriteLength), modify},
  };
  out += FormatRatios(times, detachFigures);
  const double find = times.Seconds(Name("accumulator_find/ours", kFindBytes));
  const double memmemTime = times.Seconds(Name("accumulator_find/memmem", kFindBytes));
  if (find > 0) out += SummaryLine("mbps", "accumulator_find", kFindBytes, kFindBytes / find / 1e6);
  if (find > 0 && memmemTime > 0)
    out += SummaryLine("vs_memmem", "accumulator_find", kFindBytes, memmemTime / find);
  const double pop = times.Seconds(Name("queue_pop/ours", kPopLength));
  const double memcpyTime = times.Seconds(Name("queue_pop/memcpy", kPopLength));
  if (pop > 0) out += SummaryLine("ns_per_element", "queue_pop", kPopLength, pop * 1e9 / kPopLength);
  if (pop > 0 && memcpyTime > 0)
    out += SummaryLine("vs_memcpy", "queue_pop", kPopLength, memcpyTime / pop);
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  using namespace corvane::bench;
  corvane::Initialize();
  const int status = RunBenchmarks(
      argc, argv,
      [] {
        RegisterAll();
        benchmark::AddCustomContext("kernels", corvane::kernels::KernelTargetName());
      },
      FormatBufferSummary);
  corvane::Finalize();
  return status;
}
