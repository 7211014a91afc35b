// The figures of a benchmark run: median times collected from Google Benchmark's reports, turned
// into the summary lines `<metric> <kernel> <N> <value>`.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "benchmark/benchmark.h"

namespace corvane::bench {

// Name of a benchmark: `<kernel>/<variant>/<N>` (variant "simd" or "scalar"), or `triad/<N>`.
std::string BenchName(const std::string& subject, const std::string& variant, int n);
std::string TriadName(int n);

// Passes every report on to the console and keeps the median CPU time of each benchmark. The
// benchmarks are single-threaded, so CPU time equals wall time on an idle machine; on a shared one
// it leaves out the time the process waits descheduled.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  MedianCollector();  // colours the console only when it is a terminal
  void ReportRuns(const std::vector<Run>& runs) override;
  // Median CPU seconds per iteration of the named benchmark; 0 when it did not run.
  double Seconds(const std::string& name) const;
  // Median wall (or manual) seconds per iteration: for benchmarks whose threads wait, which CPU
  // time leaves out.
  double RealSeconds(const std::string& name) const;

 private:
  std::map<std::string, double> medianSeconds_;
  std::map<std::string, double> medianRealSeconds_;
};

struct SummarySubject {
  std::string kernel;
  int bytesPerElement;  // bytes the kernel must move per element: read + written
};

struct SummaryContext {
  std::string cpu;            // model name from /proc/cpuinfo
  std::string kernelTarget;   // instruction set the kernels dispatch to
  std::span<const int> lengths;
  int triadLength;            // N of the triad, also the N of the bw_fraction figures
  std::vector<std::string> skipped;  // kernels whose slot is empty
};

// A kernel measured beside a peer other than its scalar loop: `<subject>/ours/<N>` and
// `<subject>/<peer>/<N>`, summarised as `<metric> <subject> <N> <peer time / our time>`.
// `ours` names the variant measured against the peer.
struct PeerComparison {
  std::string metric, subject, peer;
  std::span<const int> lengths;
  std::string ours = "ours";
};

// The summary: '#' comment lines on the machine and the method, then
// `vs_scalar <kernel> <N> <scalar time / kernel time>` for every kernel and N, and
// `bw_fraction <kernel> <N> <kernel bytes per second / triad bytes per second>` at the triad's N,
// then the peer comparisons.
std::string FormatSummary(const MedianCollector& times, const SummaryContext& context,
                          std::span<const SummarySubject> subjects,
                          std::span<const PeerComparison> peers);

// A figure comparing two benchmarks of one run: `<metric> <subject> <n> <value>` with value =
// median time of `reference` / median time of `measured`, above 1 when `measured` is faster.
struct RatioFigure {
  std::string metric;
  std::string subject;
  int64_t n;
  std::string reference;
  std::string measured;
};

// The ratio lines of the figures whose two benchmarks both ran.
std::string FormatRatios(const MedianCollector& times, std::span<const RatioFigure> figures);

// The "model name" of the first processor in /proc/cpuinfo, or "unknown".
std::string CpuModel();

// One summary line, `<metric> <subject> <N> <value>`, the value with three decimals (three
// significant digits below 0.01).
std::string SummaryLine(const std::string& metric, const std::string& subject, int64_t n, double value);
// The same with a word in place of N (`ns lock_section uncontended 12.500`).
std::string SummaryLine(const std::string& metric, const std::string& subject, const std::string& n,
                        double value);

// Removes `--<name>=VALUE` from the arguments and returns VALUE ("" when absent).
std::string TakeFlag(int& argc, char** argv, const std::string& name);

// The main of a benchmark program: takes --summary=FILE off the arguments, initialises Google
// Benchmark, calls `registerAll`, runs the benchmarks (the CPU model recorded in the context),
// then prints the summary that `summarize` makes of the median times and writes it to FILE.
// Returns the program's exit status.
int RunBenchmarks(int argc, char** argv, const std::function<void()>& registerAll,
                  const std::function<std::string(const MedianCollector&)>& summarize);

}  // namespace corvane::bench
