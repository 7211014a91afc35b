// The shading routines that visual components call on every repaint, each drawing on a 200x100
// ARGB bitmap with antialiasing.
#include <string>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
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
}

// `us primitive <routine> <microseconds per call>`.
std::string FormatDrawingSummary(const MedianCollector& times) {
  std::string out = "# drawing: us = microseconds per call on a 200x100 ARGB bitmap, antialiased\n";
  for (const TPrimitive& primitive : kPrimitives)
    if (const double s = times.Seconds(BenchmarkName(primitive)); s > 0)
      out += SummaryLine("us", "primitive", primitive.Name, s * 1e6);
  return out;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  return corvane::bench::RunBenchmarks(argc, argv, corvane::bench::RegisterAll,
                                       corvane::bench::FormatDrawingSummary);
}
