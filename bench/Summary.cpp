#include "bench/Summary.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>

#include <unistd.h>

namespace corvane::bench {

std::string BenchName(const std::string& subject, const std::string& variant, int n) {
  return subject + "/" + variant + "/" + std::to_string(n);
}

std::string TriadName(int n) { return "triad/" + std::to_string(n); }

MedianCollector::MedianCollector()
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

void MedianCollector::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
      const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
      medianSeconds_[run.run_name.function_name] = run.GetAdjustedCPUTime() / unit;
      medianRealSeconds_[run.run_name.function_name] = run.GetAdjustedRealTime() / unit;
    }
  }
  ConsoleReporter::ReportRuns(runs);
}

namespace {
double Find(const std::map<std::string, double>& seconds, const std::string& name) {
  auto it = seconds.find(name);
  return it == seconds.end() ? 0.0 : it->second;
}
}  // namespace

double MedianCollector::Seconds(const std::string& name) const { return Find(medianSeconds_, name); }

double MedianCollector::RealSeconds(const std::string& name) const {
  return Find(medianRealSeconds_, name);
}

namespace {

// Triad a[i] = b[i] + s*c[i]: two doubles read and one written per element.
constexpr int kTriadBytesPerElement = 24;

}  // namespace

std::string FormatSummary(const MedianCollector& times, const SummaryContext& context,
                          std::span<const SummarySubject> subjects,
                          std::span<const PeerComparison> peers) {
  const double triadSeconds = times.Seconds(TriadName(context.triadLength));
  const double bandwidth =
      triadSeconds > 0 ? double(kTriadBytesPerElement) * context.triadLength / triadSeconds : 0;

  std::ostringstream out;
  out << "# cpu: " << context.cpu << '\n'
      << "# kernels dispatch to: " << context.kernelTarget << '\n'
      << "# triad bandwidth: " << bandwidth / 1e9 << " GB/s (N = " << context.triadLength
      << ", 24 bytes per element, write-allocate not counted)\n"
      << "# figures from median CPU times; vs_scalar = scalar peer time / kernel time;"
         " bw_fraction = (bytes read + written / kernel time) / triad bandwidth\n";
  if (!context.skipped.empty()) {
    out << "# skipped, slot empty:";
    for (const std::string& name : context.skipped) out << ' ' << name;
    out << '\n';
  }

  for (const SummarySubject& subject : subjects) {
    for (int n : context.lengths) {
      const double simd = times.Seconds(BenchName(subject.kernel, "simd", n));
      const double scalar = times.Seconds(BenchName(subject.kernel, "scalar", n));
      if (simd > 0 && scalar > 0) out << SummaryLine("vs_scalar", subject.kernel, n, scalar / simd);
    }
  }
  for (const SummarySubject& subject : subjects) {
    const double simd = times.Seconds(BenchName(subject.kernel, "simd", context.triadLength));
    if (simd > 0 && bandwidth > 0) {
      const double kernelBandwidth = double(subject.bytesPerElement) * context.triadLength / simd;
      out << SummaryLine("bw_fraction", subject.kernel, context.triadLength,
                         kernelBandwidth / bandwidth);
    }
  }
  for (const PeerComparison& c : peers) {
    for (int n : c.lengths) {
      const double ours = times.Seconds(BenchName(c.subject, c.ours, n));
      const double peer = times.Seconds(BenchName(c.subject, c.peer, n));
      if (ours > 0 && peer > 0) out << SummaryLine(c.metric, c.subject, n, peer / ours);
    }
  }
  return out.str();
}

std::string SummaryLine(const std::string& metric, const std::string& subject, int64_t n,
                        double value) {
  return SummaryLine(metric, subject, std::to_string(n), value);
}

std::string SummaryLine(const std::string& metric, const std::string& subject, const std::string& n,
                        double value) {
  char number[32];
  // Three decimals; a value below 0.01 (a detach that costs nothing beside a copy) keeps three
  // significant digits instead of printing as 0.000.
  std::snprintf(number, sizeof number, value != 0 && std::fabs(value) < 0.01 ? "%.3g" : "%.3f",
                value);
  return metric + ' ' + subject + ' ' + n + ' ' + number + '\n';
}

std::string FormatRatios(const MedianCollector& times, std::span<const RatioFigure> figures) {
  std::string out;
  for (const RatioFigure& figure : figures) {
    const double reference = times.Seconds(figure.reference);
    const double measured = times.Seconds(figure.measured);
    if (reference > 0 && measured > 0)
      out += SummaryLine(figure.metric, figure.subject, figure.n, reference / measured);
  }
  return out;
}

std::string TakeFlag(int& argc, char** argv, const std::string& name) {
  const std::string flag = "--" + name + "=";
  std::string value;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]).starts_with(flag))
      value = argv[i] + flag.size();
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  return value;
}

int RunBenchmarks(int argc, char** argv, const std::function<void()>& registerAll,
                  const std::function<std::string(const MedianCollector&)>& summarize) {
  const std::string summaryPath = TakeFlag(argc, argv, "summary");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerAll();
  benchmark::AddCustomContext("cpu", CpuModel());
  MedianCollector times;
  benchmark::RunSpecifiedBenchmarks(&times);
  benchmark::Shutdown();
  const std::string summary = summarize(times);
  std::cout << '\n' << summary;
  if (!summaryPath.empty()) std::ofstream(summaryPath) << summary;
  return 0;
}

std::string CpuModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0) {
      const size_t value = line.find_first_not_of(" \t", line.find(':') + 1);
      if (value != std::string::npos) return line.substr(value);
    }
  }
  return "unknown";
}

}  // namespace corvane::bench
