#include "corvane/numeric/KDScopeDispatcher.h"

#include "corvane/numeric/KDDispatchReport.h"
#include "corvane/numeric/RQIPPSLoader.h"

namespace corvane::KDScopeDispatcher {

#define CORVANE_SLOT_DEFINE(name, params) TPtr_##name name = nullptr;
IPP_SCOPE(CORVANE_SLOT_DEFINE)
#undef CORVANE_SLOT_DEFINE

void Start() {
  TSlotFiller filler("KDScopeDispatcher", RQIPPSLoader::GetIPPSProcAddress);
  filler.SetFamily("Scope");
#define CORVANE_SLOT_FILL(name, params) filler.Fill(name, #name);
  IPP_SCOPE(CORVANE_SLOT_FILL)
#undef CORVANE_SLOT_FILL
}

void Finish() {
  ReleaseIPPSlots("KDScopeDispatcher");
}

}  // namespace corvane::KDScopeDispatcher
