#include "corvane/framework/Kelvra_Corvane.h"

#include <array>
#include <mutex>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/framework/KDClockGen.h"
#include "corvane/framework/KDCommonFilter.h"
#include "corvane/framework/KDComponentCollection.h"
#include "corvane/framework/Kelvra.Categories.TessalyBasic.h"
#include "corvane/framework/Kelvra.Processing.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "corvane/numeric/KDNormDispatcher.h"
#include "corvane/numeric/KDResizeDispatcher.h"
#include "corvane/numeric/KDScopeDispatcher.h"
#include "corvane/numeric/RQIPPILoader.h"
#include "corvane/numeric/RQIPPSLoader.h"
#include "corvane/streams/KDMultiInput.h"
#include "corvane/streams/KDStreamTypes.h"
#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.Threading.MainThread.h"

namespace corvane {
namespace {

// Start order of the package's units. The entries of units not built yet hold their places.
constexpr TPackageUnitEntry kUnits[] = {
    {"JTImageDefs", nullptr, nullptr},  // not built yet
    {"IPPPTypes", nullptr, nullptr},
    {"RQIPPSLoader", &RQIPPSLoader::Start, &RQIPPSLoader::Finish},
    {"RQIPPILoader", &RQIPPILoader::Start, &RQIPPILoader::Finish},
    {"KDResizeDispatcher", &StartKDResizeDispatcher, &FinishKDResizeDispatcher},
    {"KDScopeDispatcher", &KDScopeDispatcher::Start, &KDScopeDispatcher::Finish},
    {"KDBasicDispatcher", &StartKDBasicDispatcher, &FinishKDBasicDispatcher},
    {"Kelvra.BasicDataTypes", nullptr, nullptr},
    {"KDVariantStorages", nullptr, nullptr},
    {"KDStreamTypes", &StartKDStreamTypes, &FinishKDStreamTypes},
    {"KDTypes", nullptr, nullptr},
    {"KDNormDispatcher", &StartKDNormDispatcher, &FinishKDNormDispatcher},
    {"KDFilterTypes", nullptr, nullptr},
    {"KDClockGen", &StartKDClockGen, &FinishKDClockGen},
    {"KDInternalStore", nullptr, nullptr},
    {"KDSimpleDataBuffer", &StartKDSimpleDataBuffer, &FinishKDSimpleDataBuffer},
    {"Kelvra.BufferAccumulator", nullptr, nullptr},
    {"Kelvra.OpenCL.DataBufferProxy", nullptr, nullptr},
    {"Kelvra.Categories.TessalyBasic", &StartKelvraCategoriesTessalyBasic,
     &FinishKelvraCategoriesTessalyBasic},
    {"RQComponent", nullptr, nullptr},
    {"Kelvra.Processing", &StartKelvraProcessing, &FinishKelvraProcessing},
    {"RQProcessingManager", nullptr, nullptr},
    {"KDComponentCollection", &StartKDComponentCollection, &FinishKDComponentCollection},
    {"KDGenericFilterTypes", nullptr, nullptr},       // not built yet
    {"KDCommonGen", nullptr, nullptr},
    {"KDCommonFilter", &StartKDCommonFilter, &FinishKDCommonFilter},
    {"KDMultiInput", &StartKDMultiInput, &FinishKDMultiInput},
    {"KDRealQueue", nullptr, nullptr},                // not built yet
    {"KDAveraging", nullptr, nullptr},
    {"Kelvra.Generic.Containers", nullptr, nullptr},  // not built yet
    {"KDWindowFilter", nullptr, nullptr},
    {"Kelvra.CanvasIntf", nullptr, nullptr},
    {"RQDrawLayers", nullptr, nullptr},
    {"RQGDIPlusProperties", nullptr, nullptr},
    {"RQSimpleXML", &StartRQSimpleXML, nullptr},
    {"RQMalloc", nullptr, nullptr},  // not built yet
};
constexpr size_t kUnitCount = std::size(kUnits);

// Per-unit counters: 0 when the unit is not started, -k after k starts not yet balanced by ends.
std::array<int, kUnitCount> unitCounters{};
std::mutex packageLock;

}  // namespace

std::span<const TPackageUnitEntry> GetPackageInfoTable() {
  return kUnits;
}

void Initialize() {
  std::lock_guard guard(packageLock);
  // The thread that starts the package runs the host's event loop: it is the main thread, on
  // which CheckSynchronize runs what other threads hand to it.
  if (unitCounters[0] == 0) kelvra::SetMainThread();
  for (size_t i = 0; i < kUnitCount; ++i)
    if (--unitCounters[i] == -1 && kUnits[i].Init) kUnits[i].Init();
}

void Finalize() {
  std::lock_guard guard(packageLock);
  for (size_t i = kUnitCount; i-- > 0;) {
    if (unitCounters[i] == 0) continue;
    if (++unitCounters[i] == 0 && kUnits[i].FInit) kUnits[i].FInit();
  }
}

}  // namespace corvane
