#include "examples/components/GainFilter.h"

namespace corvane::examples {

TExampleGainFilter::TExampleGainFilter(kelvra::TComponent* AOwner) : TKDCommonRealFilter(AOwner) {
  InitDefaults(ClassRef);
  GetThreading()->SetOnQueueFull([this](kelvra::TObject*) {
    if (GetThreading()->GetQueue()->GetFullMode() == fmDropData) ++FQueueDrops;
  });
}

const kelvra::TPropertyTable& TExampleGainFilter::Properties() {
  using T = TExampleGainFilter;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>().Property("Gain", &T::FGain, &T::SetGain, 1.0);
  return table;
}

void TExampleGainFilter::FilterInternalOperation(const TBuffer& AInput, const TBuffer& AOutput,
                                                 bool&) {
  // The output shares the input's memory until written: Write gives it memory of its own
  // without copying what it is about to overwrite.
  const double* from = AInput->Read();
  double* to = AOutput->Write();
  const uint32_t count = AOutput->GetSize();
  for (uint32_t i = 0; i < count; ++i) to[i] = from[i] * FGain;
}

}  // namespace corvane::examples
