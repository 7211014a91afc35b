// IPP's image resizing about the centre, for sibling packages.
#pragma once

#include "corvane/numeric/KDBasicDispatcher.h"

namespace corvane {

IPP_RESIZE(CORVANE_SLOT_DECLARE)

void StartKDResizeDispatcher();   // fills the table from the image libraries
void FinishKDResizeDispatcher();  // takes the slots that IPP filled off its library (ReleaseIPPSlots)

}  // namespace corvane
