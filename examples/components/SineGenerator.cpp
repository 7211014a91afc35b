#include "examples/components/SineGenerator.h"

#include <cmath>
#include <numbers>

namespace corvane::examples {

const kelvra::TPropertyTable& TSineGenerator::Properties() {
  using T = TSineGenerator;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>()
          .Property("Frequency", &T::FFrequency, &T::SetFrequency, 1000.0)
          .Property("Amplitude", &T::FAmplitude, &T::SetAmplitude, 1.0);
  return table;
}

TSineGenerator::TSineGenerator(kelvra::TComponent* AOwner) : TKDCommonRealGen(AOwner) {
  InitDefaults(ClassRef);
}

void TSineGenerator::IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool&, bool&) {
  const uint32_t count = ABuffer->GetSize();
  double* samples = ABuffer->Write();
  // The phase step, and the phase taken modulo one turn, keep long runs exact.
  const double cyclesPerSample = FFrequency / FSampleRate;
  for (uint32_t i = 0; i < count; ++i, ++FSampleIndex) {
    const double cycles = std::fmod(cyclesPerSample * double(FSampleIndex), 1.0);
    samples[i] = FAmplitude * std::sin(2 * std::numbers::pi * cycles);
  }
}

}  // namespace corvane::examples
