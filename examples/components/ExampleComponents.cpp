#include "examples/components/ExampleComponents.h"

#include "examples/components/AdderMultiInput.h"
#include "examples/components/GainFilter.h"
#include "examples/components/NoiseGenerator.h"
#include "examples/components/SineGenerator.h"
#include "examples/components/StatisticsSink.h"
#include "examples/components/WavLogger.h"
#include "examples/components/WavPlayer.h"

namespace corvane::examples {

void RegisterExampleComponents() {
  static const kelvra::TClassRef* const classes[] = {
      &TGraph::ClassRef, &TSineGenerator::ClassRef, &TNoiseGenerator::ClassRef, &TStatisticsSink::ClassRef,
      &TWavPlayer::ClassRef, &TWavLogger::ClassRef, &TExampleGainFilter::ClassRef, &TExampleAdder::ClassRef};
  kelvra::RegisterComponents(classes);
}

}  // namespace corvane::examples
