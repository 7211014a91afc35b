// The two IPP loaders and the dispatch fill, run against stand-in libraries with IPP's file
// names (built by the test tree), or with none at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "corvane/numeric/KDDispatchReport.h"
#include "corvane/numeric/RQIPPILoader.h"
#include "corvane/numeric/RQIPPSLoader.h"

namespace corvane {
namespace {

// Starts the package with the IPP libraries searched in `folder`; ends it on destruction.
class StartedWithLibrariesIn {
 public:
  explicit StartedWithLibrariesIn(const std::string& folder) {
    RQIPPSLoader::SetIPPSearchFolder(folder);
    Initialize();
  }
  ~StartedWithLibrariesIn() {
    Finalize();
    RQIPPSLoader::SetIPPSearchFolder("");
  }
};

const std::string kPresent = std::string(FAKE_IPP_DIR) + "/present";
const std::string kNone = std::string(FAKE_IPP_DIR) + "/none";

TSlotSource SourceOf(const std::string& name) {
  for (const auto& slot : GetSlotReport())
    if (slot.Name == name) return slot.Source;
  ADD_FAILURE() << "no slot " << name;
  return ssEmpty;
}

TEST(IPPLoaders, WithoutLibrariesEveryLookupIsNil) {
  StartedWithLibrariesIn none(kNone);
  EXPECT_EQ(RQIPPSLoader::ippsLIB, nullptr);
  EXPECT_EQ(RQIPPSLoader::ippcoreLIB, nullptr);
  EXPECT_EQ(RQIPPSLoader::GetIPPSProcAddress("ippsAdd_64f"), nullptr);
  EXPECT_EQ(RQIPPILoader::GetIPPIProcAddress("ippiSet_8u_C4R"), nullptr);
  EXPECT_FALSE(RQIPPSLoader::CheckIPPSDLLs());
  EXPECT_FALSE(RQIPPILoader::CheckIPPSDLLs());
}

TEST(IPPLoaders, ImageLookupPrefersIppiThenIppccAndSkipsAbsentIppcv) {
  StartedWithLibrariesIn present(kPresent);
  EXPECT_NE(RQIPPSLoader::ippsLIB, nullptr);
  EXPECT_TRUE(RQIPPSLoader::CheckIPPSDLLs());
  EXPECT_TRUE(RQIPPILoader::CheckIPPSDLLs());  // ippcv is absent but not tested
  EXPECT_EQ(RQIPPILoader::ippcvHandle(), nullptr);

  using TEntry = int (*)();
  auto shared = reinterpret_cast<TEntry>(RQIPPILoader::GetIPPIProcAddress("fakeSharedEntry"));
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared(), 1) << "ippi's entry must win over ippcc's";
  auto colorOnly = reinterpret_cast<TEntry>(RQIPPILoader::GetIPPIProcAddress("fakeColorOnlyEntry"));
  ASSERT_NE(colorOnly, nullptr);
  EXPECT_EQ(colorOnly(), 2);
  EXPECT_EQ(RQIPPILoader::GetIPPIProcAddress("ippiNormDiff_L2_8u_C1R"), nullptr);
  // The signal lookup asks ipps only.
  EXPECT_EQ(RQIPPSLoader::GetIPPSProcAddress("fakeSharedEntry"), nullptr);
}

TEST(IPPLoaders, SlotsTakeIppEntriesFirstAndBuiltinsForTheRest) {
  StartedWithLibrariesIn present(kPresent);
  std::vector<double> a = {1, 2}, b = {3, 4}, sum(2);
  ASSERT_NE(ippsAdd_64f, nullptr);
  ippsAdd_64f(a.data(), b.data(), sum.data(), 2);
  EXPECT_EQ(sum, (std::vector<double>{42, 42})) << "the stand-in ipps entry must be used";
  EXPECT_EQ(SourceOf("ippsAdd_64f"), ssIPP);
  EXPECT_EQ(SourceOf("ippsMul_64f"), ssBuiltin);
  EXPECT_EQ(SourceOf("ippiSet_8u_C4R"), ssIPP);
}

TEST(IPPLoaders, LibrariesAreFreedAtTheLastFinalisation) {
  RQIPPSLoader::SetIPPSearchFolder(kPresent);
  Initialize();
  Initialize();
  Finalize();
  EXPECT_NE(RQIPPSLoader::ippsLIB, nullptr) << "one start is still open";
  Finalize();
  EXPECT_EQ(RQIPPSLoader::ippsLIB, nullptr);
  EXPECT_EQ(RQIPPILoader::ippiHandle(), nullptr);
  RQIPPSLoader::SetIPPSearchFolder("");
}

TEST(IPPLoaders, SlotsIntoALibraryAreReleasedBeforeItIsUnloaded) {
  {
    StartedWithLibrariesIn present(kPresent);
    ASSERT_EQ(SourceOf("ippsAdd_64f"), ssIPP);
    ASSERT_EQ(SourceOf("ippiSet_8u_C4R"), ssIPP);
  }
  // The slot of a kernel the library has goes back to the built-in one, and works.
  ASSERT_EQ(SourceOf("ippsAdd_64f"), ssBuiltin) << "the slot still points into the unloaded ipps";
  const Ipp64f a[2] = {1, 2}, b[2] = {3, 4};
  Ipp64f sum[2] = {};
  EXPECT_EQ(ippsAdd_64f(a, b, sum, 2), ippStsNoErr);
  EXPECT_EQ(sum[1], 6);
  EXPECT_EQ(SourceOf("ippiSet_8u_C4R"), ippiSet_8u_C4R ? ssBuiltin : ssEmpty);
  EXPECT_NE(ippsMul_64f, nullptr) << "built-in kernels stay";
  EXPECT_EQ(SourceOf("ippsMul_64f"), ssBuiltin);
  // The next start fills the slots again.
  StartedWithLibrariesIn present(kPresent);
  EXPECT_NE(ippsAdd_64f, nullptr);
  EXPECT_EQ(SourceOf("ippsAdd_64f"), ssIPP);
}

TEST(Dispatch, FallbackSwitchedOffLeavesMissingSlotsEmpty) {
  SetBuiltinKernelFallback(false);
  {
    StartedWithLibrariesIn none(kNone);
    EXPECT_EQ(ippsMul_64f, nullptr);
    EXPECT_EQ(SourceOf("ippsMul_64f"), ssEmpty);
  }
  { StartedWithLibrariesIn present(kPresent); }
  EXPECT_EQ(ippsAdd_64f, nullptr) << "released with no built-in kernel to take its place";
  SetBuiltinKernelFallback(true);
  StartedWithLibrariesIn none(kNone);
  EXPECT_NE(ippsMul_64f, nullptr);
  EXPECT_EQ(SourceOf("ippsMul_64f"), ssBuiltin);
}

TEST(Dispatch, StartUpSetsKmpAffinityAndReportsEverySlot) {
  unsetenv("KMP_AFFINITY");
  StartedWithLibrariesIn none(kNone);
  ASSERT_NE(std::getenv("KMP_AFFINITY"), nullptr);
  EXPECT_STREQ(std::getenv("KMP_AFFINITY"), "disabled");
  EXPECT_EQ(GetSlotReport().size(), 198u);
}

}  // namespace
}  // namespace corvane
