#include "corvane/framework/Kelvra_Corvane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

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

TEST(PackageStartUp, UnitsAreListedInTheDocumentedOrder) {
  auto next = kDocumentedOrder.begin();
  for (const auto& unit : GetPackageInfoTable()) {
    next = std::find(next, kDocumentedOrder.end(), unit.UnitName);
    ASSERT_NE(next, kDocumentedOrder.end()) << unit.UnitName << " is out of order or unknown";
  }
}

TEST(PackageStartUp, StartingTwiceStartsEachUnitOnce) {
  Initialize();
  const auto slotsAfterFirstStart = GetSlotReport().size();
  ippsAdd_64f = nullptr;  // a second start must not fill the table again
  Initialize();
  EXPECT_EQ(ippsAdd_64f, nullptr);
  EXPECT_EQ(GetSlotReport().size(), slotsAfterFirstStart);
  Finalize();
  Finalize();
  Finalize();  // one more than started: does nothing
  Initialize();
  EXPECT_NE(ippsAdd_64f, nullptr) << "after the last end, a new start runs the units again";
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
