// The filter designs' hot paths: the response of a long FIR filter beside the direct sums it
// replaces, and the design of a biquad cascade.
#include <cmath>
#include <random>
#include <vector>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/algorithms/KDWindowFilter.h"
#include "corvane/framework/Kelvra_Corvane.h"

namespace corvane::bench {
namespace {

constexpr int kResponseTaps = 4096;
constexpr int kBiquadOrder = 10;

std::vector<double> Taps() {
  std::mt19937_64 random(4096);
  std::uniform_real_distribution<double> value(-1, 1);
  std::vector<double> taps(kResponseTaps);
  for (double& t : taps) t = value(random);
  return taps;
}

void ResponseOurs(benchmark::State& state) {
  const std::vector<double> taps = Taps();
  std::vector<double> power, phase;
  for (auto _ : state) {
    KDGetFIRResponse(taps.data(), kResponseTaps - 1, power, phase);
    benchmark::DoNotOptimize(power.data());
  }
}

// The response as the sums define it: one cosine and one sine per tap and frequency.
void ResponseDirect(benchmark::State& state) {
  const std::vector<double> taps = Taps();
  const int intervals = kResponseTaps / 2;
  std::vector<double> power(intervals + 1), phase(intervals + 1);
  for (auto _ : state) {
    for (int i = 0; i <= intervals; ++i) {
      const double w = KDGetResponseFrequency(i, intervals);
      double r = 0, im = 0;
      for (int n = 0; n < kResponseTaps; ++n) {
        r += taps[n] * std::cos(n * w);
        im += taps[n] * std::sin(n * w);
      }
      power[i] = r * r + im * im;
      phase[i] = std::atan(im / (1.0 - r));
    }
    benchmark::DoNotOptimize(power.data());
  }
}

void DesignBiquad(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(KDFilterCalc(ftBiquadIIR, fdftBandPass, kBiquadOrder, 1000, 2000, 8000,
                                          wtRect, iirButterworth, 0));
}

const std::string kOurs = BenchName("fir_response", "ours", kResponseTaps);
const std::string kDirect = BenchName("fir_response", "direct", kResponseTaps);
const std::string kBiquad = "design_biquad/" + std::to_string(kBiquadOrder);

void RegisterAll() {
  benchmark::RegisterBenchmark(kOurs.c_str(), ResponseOurs);
  benchmark::RegisterBenchmark(kDirect.c_str(), ResponseDirect)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(kBiquad.c_str(), DesignBiquad)->Unit(benchmark::kMicrosecond);
}

// `vs_direct fir_response 4096 <direct sums time / ours>` and
// `us design biquad 10 <microseconds per 10th-order band-pass biquad design>`.
std::string FormatAlgorithmsSummary(const MedianCollector& times) {
  std::string out =
      "# algorithms: vs_direct = direct sums time / KDGetFIRResponse time; us = microseconds per "
      "KDFilterCalc of a band-pass biquad cascade\n";
  const RatioFigure response[] = {{"vs_direct", "fir_response", kResponseTaps, kDirect, kOurs}};
  out += FormatRatios(times, response);
  if (const double s = times.Seconds(kBiquad); s > 0)
    out += SummaryLine("us", "design biquad", kBiquadOrder, s * 1e6);
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  corvane::Initialize();
  const int status =
      corvane::bench::RunBenchmarks(argc, argv, corvane::bench::RegisterAll,
                                    corvane::bench::FormatAlgorithmsSummary);
  corvane::Finalize();
  return status;
}
