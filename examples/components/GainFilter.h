// A gain filter: every sample of a real stream multiplied by Gain (default 1). Streams as the
// class TExampleGainFilter, with the filter's Enabled and Threading besides Gain. It reports the
// buffers its queue dropped: with fmDropData, each OnQueueFull is one dropped buffer.
#pragma once

#include <atomic>

#include "corvane/framework/KDCommonFilter.h"
#include "examples/components/RunReport.h"

namespace corvane::examples {

class TExampleGainFilter : public corvane::TKDCommonRealFilter, public IRunReport {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TExampleGainFilter(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  double GetGain() const { return FGain; }
  void SetGain(double AValue) { SetProperty(FGain, AValue); }

  void FilterInternalOperation(const TBuffer& AInput, const TBuffer& AOutput, bool& ASend) override;
  int64_t QueueDrops() override { return FQueueDrops; }

 private:
  double FGain{};
  std::atomic<int64_t> FQueueDrops{0};
};

inline constexpr kelvra::TClassRef TExampleGainFilter::ClassRef =
    kelvra::ClassRefOf<TExampleGainFilter, corvane::TKDCommonRealFilter>(
        "TExampleGainFilter", {.Properties = &TExampleGainFilter::Properties});

}  // namespace corvane::examples
