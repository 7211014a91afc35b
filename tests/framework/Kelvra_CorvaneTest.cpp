#include "corvane/framework/Kelvra_Corvane.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "corvane/framework/KDClockGen.h"
#include "corvane/framework/Kelvra.Categories.TessalyBasic.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "corvane/numeric/KDDispatchReport.h"
#include "corvane/numeric/RQIPPSLoader.h"
#include "kelvra/Kelvra.Threading.MainThread.h"

namespace corvane {
namespace {

// The documented start order of every unit of the package.
const std::vector<std::string> kDocumentedOrder = {
    "JTImageDefs", "IPPPTypes", "RQIPPSLoader", "RQIPPILoader", "KDResizeDispatcher",
    "KDScopeDispatcher", "KDBasicDispatcher", "Kelvra.BasicDataTypes", "KDVariantStorages",
    "KDStreamTypes", "KDTypes", "KDNormDispatcher", "KDFilterTypes", "KDClockGen",
    "KDInternalStore", "KDSimpleDataBuffer", "Kelvra.BufferAccumulator",
    "Kelvra.OpenCL.DataBufferProxy", "Kelvra.Categories.TessalyBasic", "RQComponent",
    "Kelvra.Processing", "RQProcessingManager", "KDComponentCollection", "KDGenericFilterTypes",
    "KDCommonGen", "KDCommonFilter", "KDMultiInput", "KDRealQueue", "KDAveraging",
    "Kelvra.Generic.Containers", "KDWindowFilter", "Kelvra.CanvasIntf", "RQDrawLayers",
    "RQGDIPlusProperties", "RQSimpleXML", "RQMalloc"};

TEST(PackageStartUp, ListsEveryUnitInTheDocumentedOrder) {
  std::vector<std::string> units;
  for (const auto& unit : GetPackageInfoTable()) units.push_back(unit.UnitName);
  EXPECT_EQ(units, kDocumentedOrder);
}

// Each unit's counter lets only the first start and the last end do the work: the dispatch table
// is filled once, the clock unit's lock made once, and the categories stay registered until the
// last end.
TEST(PackageStartUp, StartingTwiceStartsEachUnitOnce) {
  const auto categoryCount = [] { return kelvra::TCategoryRegistry::Categories().size(); };
  Initialize();
  const auto slotsAfterFirstStart = GetSlotReport().size();
  const auto* const clockLock = &KDClockGenLock();
  ippsAdd_64f = nullptr;  // a second start must not fill the table again
  Initialize();
  EXPECT_EQ(ippsAdd_64f, nullptr);
  EXPECT_EQ(&KDClockGenLock(), clockLock);
  EXPECT_EQ(GetSlotReport().size(), slotsAfterFirstStart);
  Finalize();
  EXPECT_EQ(categoryCount(), std::size(kToolbarCategories)) << "ended at the first Finalize";
  Finalize();
  EXPECT_EQ(categoryCount(), 0u);
  Finalize();  // one more than started: does nothing
  Initialize();
  EXPECT_NE(ippsAdd_64f, nullptr) << "after the last end, a new start runs the units again";
  EXPECT_EQ(categoryCount(), std::size(kToolbarCategories));
  Finalize();
}

TEST(PackageStartUp, TheThreadThatStartsThePackageIsTheMainThread) {
  std::thread([] {
    Initialize();
    EXPECT_TRUE(kelvra::IsMainThread());
    Initialize();
    Finalize();
    Finalize();
  }).join();
  EXPECT_FALSE(kelvra::IsMainThread());
  Initialize();
  EXPECT_TRUE(kelvra::IsMainThread());
  Finalize();
}

TEST(PackageStartUp, FinalisingAnUnstartedPackageDoesNothing) {
  Finalize();
  Initialize();
  EXPECT_NE(ippsAdd_64f, nullptr);
  Finalize();
}

}  // namespace
}  // namespace corvane
