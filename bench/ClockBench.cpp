// The clock generator's pace over seconds of real time: one clock generator of interval 102400
// (10.24 ms) records the time of each tick on its own thread. Prints the summary lines
//   ppm clock_rate_error 102400 <(nominal interval / mean measured interval - 1) × 10^6>
//   us clock_jitter_p99 102400 <99th percentile of |tick-to-tick time - 10.24 ms|, in µs>
// and writes them to the file of --summary=FILE. --seconds=S sets the measured time (default 5,
// never less). Other arguments (those that bench/run-all gives every program) are ignored.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/Summary.h"
#include "corvane/framework/KDClockGen.h"
#include "corvane/framework/Kelvra_Corvane.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t kInterval = 102400;  // units of 100 ns
constexpr double kNominalSeconds = kInterval * 100e-9;

std::vector<Clock::time_point> RecordTicks(double ASeconds) {
  std::vector<Clock::time_point> ticks;
  ticks.reserve(size_t(ASeconds / kNominalSeconds) + 64);
  std::mutex lock;
  {
    const auto gen = corvane::TKDClockGen::Create("ClockBench", kInterval, [&] {
      std::lock_guard guard(lock);
      ticks.push_back(Clock::now());
    });
    std::this_thread::sleep_for(std::chrono::duration<double>(ASeconds + 2 * kNominalSeconds));
  }
  return ticks;
}

std::string Summarize(const std::vector<Clock::time_point>& ATicks) {
  if (ATicks.size() < 3) return "# too few ticks\n";
  const double span = std::chrono::duration<double>(ATicks.back() - ATicks.front()).count();
  const double meanInterval = span / double(ATicks.size() - 1);
  std::vector<double> deviations;
  for (size_t i = 1; i < ATicks.size(); ++i) {
    const double interval = std::chrono::duration<double>(ATicks[i] - ATicks[i - 1]).count();
    deviations.push_back(std::abs(interval - kNominalSeconds));
  }
  std::sort(deviations.begin(), deviations.end());
  const double p99 = deviations[std::min(deviations.size() - 1, deviations.size() * 99 / 100)];
  return "# " + std::to_string(ATicks.size()) + " ticks over " + std::to_string(span) + " s\n" +
         corvane::bench::SummaryLine("ppm", "clock_rate_error", kInterval,
                                     (kNominalSeconds / meanInterval - 1) * 1e6) +
         corvane::bench::SummaryLine("us", "clock_jitter_p99", kInterval, p99 * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string summaryPath = corvane::bench::TakeFlag(argc, argv, "summary");
  const std::string secondsText = corvane::bench::TakeFlag(argc, argv, "seconds");
  const double seconds = std::max(5.0, secondsText.empty() ? 5.0 : std::atof(secondsText.c_str()));
  corvane::Initialize();
  const std::string summary = Summarize(RecordTicks(seconds));
  corvane::Finalize();
  std::cout << summary;
  if (!summaryPath.empty()) std::ofstream(summaryPath) << summary;
  return 0;
}
