#include "corvane/framework/Kelvra.Processing.h"

#include <gtest/gtest.h>

#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/framework/ModuleResources.h"
#include "corvane/framework/RQProcessingManager.h"
#include "kelvra/Kelvra.Components.Streaming.h"
#include "tests/kelvra/OpenCLTestSupport.h"

namespace corvane {
namespace {

using kelvra::TIntf;

// A component that asks for processing means, as the components that spread their work do.
class TAsker : public kelvra::TLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties() {
    static const kelvra::TPropertyTable table =
        kelvra::TPropertyTableBuilder<TAsker>().AutoManaged("Processing", &TAsker::FProcessing);
    return table;
  }
  explicit TAsker(kelvra::TComponent* AOwner) : TLockComponent(AOwner) { InitDefaults(ClassRef); }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TRQProcessing& Processing() const { return *FProcessing; }
  bool Ask(TRQProcessingMeans& AMeans) { return FProcessing->GetEngines(this, AMeans); }

  std::unique_ptr<TRQProcessing> FProcessing;
};
inline constexpr kelvra::TClassRef TAsker::ClassRef =
    kelvra::ClassRefOf<TAsker, kelvra::TLockComponent>("TAsker",
                                                       {.Properties = &TAsker::Properties});

class ProcessingTest : public ::testing::Test {
 protected:
  void SetUp() override { Initialize(); }
  void TearDown() override { Finalize(); }

  template <class TEngine>
  static TEngine* AddEngine(TRQProcessing& AProcessing, bool AEnabled = true) {
    auto* engine = static_cast<TEngine*>(AProcessing.GetEngines()->Add(TEngine::ClassRef));
    engine->SetEnabled(AEnabled);
    return engine;
  }

  kelvra::TOwnedComponent<TAsker> asker_{new TAsker(nullptr)};
};

bool HasOpenCL() {
  return !kelvra::TOpenCL::GetPlatforms().empty();
}

TEST_F(ProcessingTest, NothingAnswersWithoutEnabledEnginesOrAManager) {
  AddEngine<TRQParallelProcessingEngine>(asker_->Processing(), false);
  TRQProcessingMeans means;
  means.StrideSize = 3;
  EXPECT_FALSE(asker_->Ask(means));
  EXPECT_FALSE(means.Executor);
  EXPECT_FALSE(means.Context);
  EXPECT_FALSE(means.Platform);
  EXPECT_EQ(means.StrideSize, 0);
}

TEST_F(ProcessingTest, TheParallelEngineGivesAPoolOrAPlainExecutorAndItsStride) {
  auto* engine = AddEngine<TRQParallelProcessingEngine>(asker_->Processing());
  EXPECT_EQ(engine->GetMemoryStrideSize(), 10240u);
  EXPECT_EQ(engine->GetPool()->GetCount(), 4);
  EXPECT_EQ(engine->GetPool()->GetGroupSize(), 10u);
  engine->GetPool()->SetCount(0);
  EXPECT_EQ(engine->GetPool()->GetCount(), 1);

  TRQProcessingMeans means;
  ASSERT_TRUE(asker_->Ask(means));
  auto* plain = static_cast<kelvra::TBasicThreadExecutor*>(means.Executor.get());
  EXPECT_EQ(plain->GetKind(), kelvra::ekPlainThread);
  EXPECT_EQ(plain->GetOwner(), asker_.get());
  EXPECT_EQ(means.StrideSize, 10240);

  engine->GetPool()->SetEnabled(true);
  engine->GetPool()->SetCount(3);
  engine->GetPool()->SetGroupSize(64);
  engine->SetMemoryStrideSize(512);
  ASSERT_TRUE(asker_->Ask(means));
  auto* pool = static_cast<kelvra::TBasicThreadExecutor*>(means.Executor.get());
  EXPECT_EQ(pool->GetKind(), kelvra::ekThreadPool);
  EXPECT_EQ(pool->GetThreadCount(), 3);
  EXPECT_EQ(pool->GetGroupSize(), 64u);
  EXPECT_EQ(pool->GetPriority(), kelvra::tpHighest);
  EXPECT_EQ(means.StrideSize, 512);
}

TEST_F(ProcessingTest, EnginesAreAskedInOrderAndTheFirstAnswerWins) {
  auto* gpu = AddEngine<TRQGPUProcessingEngine>(asker_->Processing());
  EXPECT_EQ(gpu->GetPlatform(), "Default");
  AddEngine<TRQParallelProcessingEngine>(asker_->Processing());
  TRQProcessingMeans means;
  ASSERT_TRUE(asker_->Ask(means));
  if (HasOpenCL()) {
    EXPECT_TRUE(means.Context);
    EXPECT_EQ(means.Platform->GetName(), TRQGPUProcessingEngine::GetPlatforms().front());
    EXPECT_FALSE(means.Executor);
  }
  // A platform of no such name gives no answer: the parallel engine after it answers.
  gpu->SetPlatform("No Such Platform");
  TRQProcessingMeans fallback;
  EXPECT_FALSE(gpu->GetEngines(asker_.get(), fallback));
  ASSERT_TRUE(asker_->Ask(means));
  EXPECT_TRUE(means.Executor);
  EXPECT_FALSE(means.Context);
  // Listed first, the parallel engine always wins.
  asker_->Processing().GetEngines()->Items(1)->SetIndex(0);
  gpu->SetPlatform("Default");
  ASSERT_TRUE(asker_->Ask(means));
  EXPECT_TRUE(means.Executor);
  EXPECT_FALSE(means.Context);
}

TEST_F(ProcessingTest, TheGPUEngineFindsANamedPlatform) {
  if (!HasOpenCL()) GTEST_SKIP() << "no OpenCL platform installed";
  const std::string name = TRQGPUProcessingEngine::GetPlatforms().back();
  auto* gpu = AddEngine<TRQGPUProcessingEngine>(asker_->Processing());
  gpu->SetPlatform(name);
  TRQProcessingMeans means;
  ASSERT_TRUE(asker_->Ask(means));
  EXPECT_EQ(means.Platform->GetName(), name);
  EXPECT_EQ(means.Context->GetDevices().size(), means.Platform->GetDevices().size());
}

TEST_F(ProcessingTest, AManagerAnswersThroughTheProcessingPins) {
  kelvra::TOwnedComponent<TRQProcessingManager> manager(new TRQProcessingManager(nullptr));
  AddEngine<TRQParallelProcessingEngine>(*manager->GetProcessing())->SetMemoryStrideSize(77);
  AddEngine<TRQParallelProcessingEngine>(asker_->Processing(), false);
  pinweave::Connect(*manager->GetProcessingPin(), *asker_->Processing().GetProcessingPin());
  EXPECT_EQ(asker_->Processing().GetProcessingPin()->GetConnectedID(), IPNRQProcessingStream::IID);

  TRQProcessingMeans means;
  ASSERT_TRUE(asker_->Ask(means));
  EXPECT_EQ(means.StrideSize, 77);
  EXPECT_EQ(static_cast<kelvra::TBasicThreadExecutor*>(means.Executor.get())->GetOwner(),
            manager.get());
  // Other operations reach the manager and are ignored.
  EXPECT_FALSE(
      asker_->Processing()
          .GetProcessingPin()
          ->Notify(pinweave::TPNNotifyOperation::Create(pinweave::TPNStartOperation::ClassRef))
          .Handled);
  // A manager without an enabled engine answers nothing.
  manager->GetProcessing()->GetEngines()->Clear();
  EXPECT_FALSE(asker_->Ask(means));
}

TEST_F(ProcessingTest, TheUnitRegistersItsStreamEnginesAndManager) {
  EXPECT_EQ(pinweave::PNFindStream(IPNRQProcessingStream::IID)->Name, "Processing Control");
  const auto engines = kelvra::RegisteredCollectionItemClasses(TRQProcessingEngine::ClassRef);
  EXPECT_EQ(engines, (std::vector<const kelvra::TClassRef*>{&TRQParallelProcessingEngine::ClassRef,
                                                            &TRQGPUProcessingEngine::ClassRef}));
  RQProcessingManager::RegisterPkg();
  const auto components = kelvra::RegisteredComponents();
  EXPECT_NE(std::find(components.begin(), components.end(), &TRQProcessingManager::ClassRef),
            components.end());
  EXPECT_EQ(TRQProcessingManager::ClassRef.Attributes().DisplayName, "Processing Engines Manager");
  for (const kelvra::TClassRef* imaged :
       {&TRQProcessingManager::ClassRef, &TRQParallelProcessingEngine::ClassRef,
        &TRQGPUProcessingEngine::ClassRef})
    EXPECT_FALSE(FindModuleResource("PNG", imaged->Attributes().ImageName).empty())
        << imaged->Name();
  // The manager's palette bitmap in its small and large forms (the width is the last byte of the
  // PNG header's first field).
  for (const auto& [name, size] :
       {std::pair{"TRQPROCESSINGMANAGER16", 16}, {"TRQPROCESSINGMANAGER32", 32}}) {
    const auto png = FindModuleResource("PNG", name);
    ASSERT_GT(png.size(), 24u) << name;
    EXPECT_EQ(png[19], size) << name;
    EXPECT_EQ(png[23], size) << name;
  }
}

TEST_F(ProcessingTest, AManagerWithItsEnginesStreamsAndAssigns) {
  RQProcessingManager::RegisterPkg();
  kelvra::TOwnedComponent<TRQProcessingManager> manager(new TRQProcessingManager(nullptr));
  manager->SetName("Manager");
  auto* parallel = AddEngine<TRQParallelProcessingEngine>(*manager->GetProcessing());
  parallel->GetPool()->SetEnabled(true);
  parallel->SetPriority(kelvra::tpLower);
  AddEngine<TRQGPUProcessingEngine>(*manager->GetProcessing())->SetPlatform("Other");

  const std::string text = kelvra::WriteComponentYaml(*manager);
  auto loaded = kelvra::ReadComponentYaml(text);
  EXPECT_EQ(kelvra::WriteComponentYaml(*loaded), text);
  auto& copy = static_cast<TRQProcessingManager&>(*loaded);
  ASSERT_EQ(copy.GetProcessing()->GetEngines()->Count(), 2);
  EXPECT_EQ(static_cast<TRQGPUProcessingEngine*>(copy.GetProcessing()->GetEngines()->Items(1))
                ->GetPlatform(),
            "Other");

  asker_->Processing().Assign(*manager->GetProcessing());  // the engines, not the pin
  ASSERT_EQ(asker_->Processing().GetEngines()->Count(), 2);
  auto* assigned =
      static_cast<TRQParallelProcessingEngine*>(asker_->Processing().GetEngines()->Items(0));
  EXPECT_TRUE(assigned->GetPool()->GetEnabled());
  EXPECT_EQ(assigned->GetPriority(), kelvra::tpLower);
}

}  // namespace
}  // namespace corvane
