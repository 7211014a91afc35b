#include "corvane/numeric/KDResizeDispatcher.h"

#include "corvane/numeric/KDDispatchReport.h"
#include "corvane/numeric/RQIPPILoader.h"

namespace corvane {

#define CORVANE_SLOT_DEFINE(name, params) TPtr_##name name = nullptr;
IPP_RESIZE(CORVANE_SLOT_DEFINE)
#undef CORVANE_SLOT_DEFINE

void StartKDResizeDispatcher() {
  TSlotFiller filler("KDResizeDispatcher", RQIPPILoader::GetIPPIProcAddress);
  filler.SetFamily("Resize");
#define CORVANE_SLOT_FILL(name, params) filler.Fill(name, #name);
  IPP_RESIZE(CORVANE_SLOT_FILL)
#undef CORVANE_SLOT_FILL
}

void FinishKDResizeDispatcher() {
  ReleaseIPPSlots("KDResizeDispatcher");
}

}  // namespace corvane
