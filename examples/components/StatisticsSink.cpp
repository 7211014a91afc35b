#include "examples/components/StatisticsSink.h"

#include <cmath>
#include <cstdio>

namespace corvane::examples {

int64_t TStatisticsSink::Count() {
  const auto section = GetLock()->EnterSection();
  return FCount;
}

double TStatisticsSink::Mean() {
  const auto section = GetLock()->EnterSection();
  return FCount ? FSum / double(FCount) : 0;
}

double TStatisticsSink::RMS() {
  const auto section = GetLock()->EnterSection();
  return FCount ? std::sqrt(FSumOfSquares / double(FCount)) : 0;
}

double TStatisticsSink::Peak() {
  const auto section = GetLock()->EnterSection();
  return FPeak;
}

std::string TStatisticsSink::Summary() {
  char text[160];
  std::snprintf(text, sizeof text, "count %lld, mean %.6g, rms %.6g, peak %.6g",
                static_cast<long long>(Count()), Mean(), RMS(), Peak());
  return text;
}

void TStatisticsSink::StreamStart(double) {
  FCount = 0;
  FSum = FSumOfSquares = FPeak = 0;
}

void TStatisticsSink::ProcessBuffer(const kelvra::TIntf<IKDRealBuffer>& ABuffer) {
  const uint32_t count = ABuffer->GetSize();
  const double* samples = ABuffer->Read();
  for (uint32_t i = 0; i < count; ++i) {
    FSum += samples[i];
    FSumOfSquares += samples[i] * samples[i];
    FPeak = std::max(FPeak, std::abs(samples[i]));
  }
  FCount += count;
}

}  // namespace corvane::examples
