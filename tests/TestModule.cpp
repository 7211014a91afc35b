// A module with a buffer maker and a class of its own, for the tests of the registries that drop
// what a module registered when it is freed.
#include "corvane/streams/KDStreamTypes.h"
#include "kelvra/Kelvra.ClassRef.h"

namespace {
kelvra::TIntf<corvane::IKDGenericBuffer> CreateNoBuffer(int32_t) { return nullptr; }

struct TModuleClass {};
constexpr kelvra::TClassRef kModuleClass = kelvra::ClassRefOf<TModuleClass>("TModuleClass");
}  // namespace

extern "C" corvane::TKDPNCreateBufferFunction TestModuleCreateBuffer() { return &CreateNoBuffer; }

extern "C" const kelvra::TClassRef* TestModuleClass() { return &kModuleClass; }
