// A module that makes buffers of a stream type of its own, for the test of the registry's
// module-unload procedure.
#include "corvane/streams/KDStreamTypes.h"

namespace {
kelvra::TIntf<corvane::IKDGenericBuffer> CreateNoBuffer(int32_t) { return nullptr; }
}  // namespace

extern "C" corvane::TKDPNCreateBufferFunction StreamTypeModuleCreateBuffer() {
  return &CreateNoBuffer;
}
