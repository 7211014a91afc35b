// White noise, uniform between -Amplitude and Amplitude; the same Seed gives the same samples
// from each start.
#pragma once

#include <cstdint>
#include <random>

#include "corvane/framework/KDCommonGen.h"

namespace corvane::examples {

class TNoiseGenerator : public TKDCommonRealGen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TNoiseGenerator(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  double GetAmplitude() const { return FAmplitude; }
  void SetAmplitude(double AValue) { SetProperty(FAmplitude, AValue); }
  uint32_t GetSeed() const { return FSeed; }
  void SetSeed(uint32_t AValue) { SetProperty(FSeed, AValue); }

 protected:
  void StartStream() override { FRandom.seed(FSeed); }
  void IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool& ASend,
                   bool& AStop) override;

 private:
  double FAmplitude = 1;
  uint32_t FSeed = 1;
  std::mt19937 FRandom;  // under the lock
};
inline constexpr kelvra::TClassRef TNoiseGenerator::ClassRef =
    kelvra::ClassRefOf<TNoiseGenerator, TKDCommonRealGen>(
        "TNoiseGenerator", {.Properties = &TNoiseGenerator::Properties});

}  // namespace corvane::examples
