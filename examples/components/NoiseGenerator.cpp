#include "examples/components/NoiseGenerator.h"

#include <cmath>

namespace corvane::examples {

const kelvra::TPropertyTable& TNoiseGenerator::Properties() {
  using T = TNoiseGenerator;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>()
          .Property("Amplitude", &T::FAmplitude, &T::SetAmplitude, 1.0)
          .Property("Seed", &T::FSeed, &T::SetSeed, uint32_t(1));
  return table;
}

TNoiseGenerator::TNoiseGenerator(kelvra::TComponent* AOwner) : TKDCommonRealGen(AOwner) {
  InitDefaults(ClassRef);
}

void TNoiseGenerator::IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool&, bool&) {
  const double amplitude = std::abs(FAmplitude);
  std::uniform_real_distribution<double> uniform(-amplitude, amplitude);
  const uint32_t count = ABuffer->GetSize();
  double* samples = ABuffer->Write();
  for (uint32_t i = 0; i < count; ++i) samples[i] = uniform(FRandom);
}

}  // namespace corvane::examples
