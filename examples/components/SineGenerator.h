// A sine wave: Amplitude × sin(2π × Frequency × n / SampleRate), n counting the samples from the
// stream's start, so that the wave runs on without a jump from buffer to buffer.
#pragma once

#include <cstdint>

#include "corvane/framework/KDCommonGen.h"

namespace corvane::examples {

class TSineGenerator : public TKDCommonRealGen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TSineGenerator(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  double GetFrequency() const { return FFrequency; }
  void SetFrequency(double AValue) { SetProperty(FFrequency, AValue); }
  double GetAmplitude() const { return FAmplitude; }
  void SetAmplitude(double AValue) { SetProperty(FAmplitude, AValue); }

 protected:
  void StartStream() override { FSampleIndex = 0; }
  void IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool& ASend,
                   bool& AStop) override;

 private:
  double FFrequency = 1000;
  double FAmplitude = 1;
  uint64_t FSampleIndex = 0;  // under the lock
};
inline constexpr kelvra::TClassRef TSineGenerator::ClassRef =
    kelvra::ClassRefOf<TSineGenerator, TKDCommonRealGen>(
        "TSineGenerator", {.Properties = &TSineGenerator::Properties});

}  // namespace corvane::examples
