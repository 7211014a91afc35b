// The complex L2 norm that the window calculator uses for its gain.
#pragma once

#include "corvane/numeric/KDBasicDispatcher.h"

namespace corvane {

IPP_NORM(CORVANE_SLOT_DECLARE)

void StartKDNormDispatcher();   // fills the slot from the signal library
void FinishKDNormDispatcher();  // empties it if IPP filled it (ReleaseIPPSlots)

}  // namespace corvane
