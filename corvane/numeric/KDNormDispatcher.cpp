#include "corvane/numeric/KDNormDispatcher.h"

#include "corvane/numeric/KDDispatchReport.h"
#include "corvane/numeric/RQIPPSLoader.h"

namespace corvane {

TPtr_ippsNorm_L2_64fc64f ippsNorm_L2_64fc64f = nullptr;

void StartKDNormDispatcher() {
  TSlotFiller filler("KDNormDispatcher", RQIPPSLoader::GetIPPSProcAddress);
  filler.SetFamily("Norm");
  filler.Fill(ippsNorm_L2_64fc64f, "ippsNorm_L2_64fc64f");
}

void FinishKDNormDispatcher() {
  ReleaseIPPSlots("KDNormDispatcher");
}

}  // namespace corvane
