#include "examples/components/ParallelFilter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/framework/RQProcessingManager.h"

namespace corvane::examples {
namespace {

using kelvra::TIntf;

class ParallelFilterTest : public ::testing::Test {
 protected:
  void SetUp() override { Initialize(); }
  void TearDown() override { Finalize(); }

  static TIntf<IKDRealBuffer> Samples(uint32_t ACount) {
    std::mt19937_64 random(7);
    std::normal_distribution<double> normal(0, 30);
    TIntf<IKDRealBuffer> buffer = TKDRealBuffer::CreateSize(ACount);
    double* items = buffer->Write();
    for (uint32_t i = 0; i < ACount; ++i) items[i] = normal(random);
    if (ACount > 2) items[0] = 0, items[1] = 1e300, items[2] = -1e-300;
    return buffer;
  }

  // The filter's output beside the plain clip of the same samples.
  static void ExpectClipped(const TIntf<IKDRealBuffer>& AInput,
                            const TIntf<IKDRealBuffer>& AOutput) {
    std::vector<double> expected(AInput->Read(), AInput->Read() + AInput->GetSize());
    SoftClip(expected.data(), int64_t(expected.size()));
    ASSERT_EQ(AOutput->GetSize(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
      ASSERT_NEAR(AOutput->GetItem(int32_t(i)), expected[i], 1e-12) << i;
  }

  kelvra::TOwnedComponent<TParallelSoftClip> filter_{new TParallelSoftClip(nullptr)};
};

TEST_F(ParallelFilterTest, EveryMeansGivesTheSameSamples) {
  const TIntf<IKDRealBuffer> input = Samples(100003);
  ExpectClipped(input, filter_->Clip(input));  // no engine: on the calling thread

  kelvra::TOwnedComponent<TParallelSoftClip> pooled(new TParallelSoftClip(nullptr));
  auto* parallel = static_cast<TRQParallelProcessingEngine*>(
      pooled->GetProcessing()->GetEngines()->Add(TRQParallelProcessingEngine::ClassRef));
  parallel->SetEnabled(true);
  parallel->GetPool()->SetEnabled(true);
  parallel->SetMemoryStrideSize(1000);
  ExpectClipped(input, pooled->Clip(input));
  EXPECT_FALSE(pooled->UsesDevice());

  if (kelvra::TOpenCL::GetPlatforms().empty()) GTEST_SKIP() << "no OpenCL platform installed";
  kelvra::TOwnedComponent<TParallelSoftClip> device(new TParallelSoftClip(nullptr));
  auto* gpu = static_cast<TRQGPUProcessingEngine*>(
      device->GetProcessing()->GetEngines()->Add(TRQGPUProcessingEngine::ClassRef));
  gpu->SetEnabled(true);
  ExpectClipped(input, device->Clip(input));
  EXPECT_TRUE(device->UsesDevice());
  ExpectClipped(Samples(5), device->Clip(Samples(5)));  // the kernel built once serves again
}

TEST_F(ParallelFilterTest, BuffersThroughThePinsAreClippedByTheManagersMeans) {
  kelvra::TOwnedComponent<TRQProcessingManager> manager(new TRQProcessingManager(nullptr));
  for (const auto* engineClass :
       {&TRQGPUProcessingEngine::ClassRef, &TRQParallelProcessingEngine::ClassRef})
    static_cast<TRQProcessingEngine*>(manager->GetProcessing()->GetEngines()->Add(*engineClass))
        ->SetEnabled(true);
  pinweave::Connect(*manager->GetProcessingPin(), *filter_->GetProcessing()->GetProcessingPin());

  TKDPNRealSourcePin source({}, nullptr);
  std::vector<TIntf<IKDRealBuffer>> received;
  TKDPNRealSinkPin sink(
      {}, nullptr,
      [&](pinweave::TPNPin*, pinweave::TPNPin*, const kelvra::TGUID&,
          const pinweave::TPNOperation& AOperation, pinweave::TPNNotifyState) {
        if (auto* data = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation))
          received.push_back(kelvra::Supports<IKDRealBuffer>(data->Value()));
        return pinweave::TPNNotifyResult{};
      });
  pinweave::Connect(source, *filter_->GetInputPin());
  pinweave::Connect(*filter_->GetOutputPin(), sink);
  const TIntf<IKDRealBuffer> input = Samples(4096);
  source.SubmitBuffer(input);
  ASSERT_EQ(received.size(), 1u);
  ExpectClipped(input, received[0]);
  EXPECT_EQ(filter_->UsesDevice(), !kelvra::TOpenCL::GetPlatforms().empty());
  pinweave::Disconnect(*filter_->GetOutputPin(), sink);
  pinweave::Disconnect(source, *filter_->GetInputPin());
}

}  // namespace
}  // namespace corvane::examples
