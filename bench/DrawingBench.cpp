// The shading routines that visual components call on every repaint, each drawing on a 200x100
// ARGB bitmap with antialiasing, and the response plot that a design tool redraws as its
// parameters change, on a 1024x600 one.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/drawing/KDResponsePlot.h"
#include "corvane/drawing/RQGDIPlusProperties.Primitives.h"

namespace corvane::bench {
namespace {

const kelvra::TIGPRectF kArea{10, 10, 180, 80};

struct TPrimitive {
  const char* Name;
  void (*Draw)(kelvra::IGPGraphics&);
};

const TPrimitive kPrimitives[] = {
    {"RQGlossRoundRectangle3DF",
     [](kelvra::IGPGraphics& g) { RQGlossRoundRectangle3DF(g, 0xFF2060C0, 0xE0FFFFFF, kArea, {12, 12}); }},
    {"RQDrawFrame3DF", [](kelvra::IGPGraphics& g) { RQDrawFrame3DF(g, 0xFFE8ECF4, 0xFF303848, kArea, 6); }},
};

std::string BenchmarkName(const TPrimitive& primitive) { return std::string("primitive/") + primitive.Name; }

constexpr char kPlotBenchmark[] = "plot/design_response";

// The plot of a sixth-order lowpass's response at the 257 frequencies of a FIR design's.
void PlotDesignResponse(benchmark::State& state) {
  std::vector<double> frequency, power, phase;
  for (int i = 0; i <= 256; ++i) {
    const double f = i * 4000.0 / 256;
    frequency.push_back(f);
    power.push_back(-10 * std::log10(1 + std::pow(f / 1000, 12)));
    phase.push_back(std::remainder(-f * 0.004, 2 * std::numbers::pi));
  }
  auto bitmap = kelvra::TIGPBitmap::Create(1024, 600);
  auto graphics = kelvra::TIGPGraphics::Create(*bitmap);
  for (auto _ : state) {
    KDDrawResponsePlot(*graphics, {1024, 600}, {frequency, power, phase});
    benchmark::DoNotOptimize(bitmap->GetPixel(512, 300));
  }
}

void RegisterAll() {
  for (const TPrimitive& primitive : kPrimitives)
    benchmark::RegisterBenchmark(BenchmarkName(primitive).c_str(), [&primitive](benchmark::State& state) {
      auto bitmap = kelvra::TIGPBitmap::Create(200, 100);
      auto graphics = kelvra::TIGPGraphics::Create(*bitmap);
      graphics->SetSmoothingMode(kelvra::SmoothingModeAntiAlias);
      for (auto _ : state) {
        primitive.Draw(*graphics);
        benchmark::DoNotOptimize(bitmap->GetPixel(100, 50));  // waits for the drawing
      }
    })->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(kPlotBenchmark, PlotDesignResponse)->Unit(benchmark::kMicrosecond);
}

// `us primitive <routine> <microseconds per call>`, `us plot design_response 1 <microseconds>`.
std::string FormatDrawingSummary(const MedianCollector& times) {
  std::string out = "# drawing: us = microseconds per call on a 200x100 ARGB bitmap, antialiased "
                    "(the plot: on a 1024x600 one)\n";
  for (const TPrimitive& primitive : kPrimitives)
    if (const double s = times.Seconds(BenchmarkName(primitive)); s > 0)
      out += SummaryLine("us", "primitive", primitive.Name, s * 1e6);
  if (const double s = times.Seconds(kPlotBenchmark); s > 0)
    out += SummaryLine("us", "plot design_response", 1, s * 1e6);
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  return corvane::bench::RunBenchmarks(argc, argv, corvane::bench::RegisterAll,
                                       corvane::bench::FormatDrawingSummary);
}
