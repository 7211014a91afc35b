// Statistics of the real samples received since the last start: their count, mean, root mean
// square and peak (the largest magnitude).
#pragma once

#include <cstdint>
#include <string>

#include "examples/components/RealSink.h"

namespace corvane::examples {

class TStatisticsSink : public TRealSink {
 public:
  static const kelvra::TClassRef ClassRef;
  using TRealSink::TRealSink;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  int64_t Count();
  double Mean();
  double RMS();
  double Peak();
  std::string Summary() override;

 protected:
  void StreamStart(double ASampleRate) override;
  void ProcessBuffer(const kelvra::TIntf<IKDRealBuffer>& ABuffer) override;
  void StreamStop() override {}

 private:
  // Under the lock.
  int64_t FCount = 0;
  double FSum = 0, FSumOfSquares = 0, FPeak = 0;
};
inline constexpr kelvra::TClassRef TStatisticsSink::ClassRef =
    kelvra::ClassRefOf<TStatisticsSink, TRealSink>("TStatisticsSink");

}  // namespace corvane::examples
