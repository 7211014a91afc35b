// Further IPP entry points for sibling packages' scopes: sample conversion to 32-bit floats, byte
// moves, reversed subtraction from a constant and clipping of integers.
//
// The slots live in their own namespace because this table has a separate ippsConvert_64f32f slot
// beside the basic dispatcher's, filled from the same IPP name.
#pragma once

#include "corvane/numeric/IPPPTypes.h"

namespace corvane::KDScopeDispatcher {

#define CORVANE_SCOPE_SLOT_DECLARE(name, params) \
  using TPtr_##name = IppStatus (*) params;      \
  extern TPtr_##name name;
IPP_SCOPE(CORVANE_SCOPE_SLOT_DECLARE)
#undef CORVANE_SCOPE_SLOT_DECLARE

void Start();   // fills the table
void Finish();  // takes the slots that IPP filled off its library (ReleaseIPPSlots)

}  // namespace corvane::KDScopeDispatcher
