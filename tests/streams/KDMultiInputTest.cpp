#include "corvane/streams/KDMultiInput.h"

#include <gtest/gtest.h>

#include <cmath>

#include "examples/components/AdderMultiInput.h"
#include "tests/buffers/BufferTestSupport.h"
#include "tests/framework/FilterTestSupport.h"

namespace corvane {
namespace {

using examples::TExampleAdder;
using test::RealBuffer;
using test::TRecordingSink;

// Two real sources into an adder, whose sum goes to a recording sink.
struct TAdderRig {
  TAdderRig() : adder(new TExampleAdder(nullptr)) {
    pinweave::Connect(first, *adder->GetInputPin1());
    pinweave::Connect(second, *adder->GetInputPin2());
    pinweave::Connect(*adder->GetOutputPinTyped(), sink.Pin());
  }
  void FixedSize(int32_t ASize) {
    adder->GetOutputBuffer()->SetAutoSize(false);
    adder->GetOutputBuffer()->SetSize(ASize);
  }
  static void Start(TKDPNSourcePin& ASource, double ARate) {
    ASource.Notify(TPNStartSampleRateOperation::Create(ARate));
  }
  uint32_t Needed(int AInput) {
    return (AInput == 1 ? adder->GetInputPin1() : adder->GetInputPin2())
        ->Queue()
        .GetNeededSamples();
  }

  TKDPNRealSourcePin first{{}, nullptr}, second{{}, nullptr};
  TRecordingSink sink;
  kelvra::TOwnedComponent<TExampleAdder> adder;
};

std::vector<double> Ramp(size_t ACount) {
  std::vector<double> ramp(ACount);
  for (size_t i = 0; i < ACount; ++i) ramp[i] = double(i);
  return ramp;
}

TEST_F(BufferTest, TheFirstStartFixesTheOutputRateAndTheSlowerInputIsStretched) {
  TAdderRig rig;
  rig.FixedSize(1024);
  TAdderRig::Start(rig.first, 1000);
  TAdderRig::Start(rig.second, 500);
  EXPECT_EQ(rig.sink.StartRates(), std::vector<double>{1000}) << "one start, at the first rate";
  EXPECT_EQ(rig.Needed(1), 1024u);
  EXPECT_EQ(rig.Needed(2), 512u);

  rig.first.SubmitBuffer(RealBuffer(std::vector<double>(1024, 0.0)));
  EXPECT_EQ(rig.sink.BufferCount(), 0u) << "the second input is not ready";
  rig.second.SubmitBuffer(RealBuffer(Ramp(512)));
  ASSERT_EQ(rig.sink.BufferCount(), 1u);
  const std::vector<double> block = rig.sink.Buffers()[0];
  ASSERT_EQ(block.size(), 1024u);
  // Sample i is the ramp at round(i * 511 / 1024), at most 511.
  EXPECT_EQ(block[1], 0);
  EXPECT_EQ(block[2], 1);
  EXPECT_EQ(block[513], 256);
  EXPECT_EQ(block[1023], 511);
}

TEST_F(BufferTest, WhenTheSlowerInputStartsFirstTheFasterOneNeedsMore) {
  TAdderRig rig;
  rig.FixedSize(1024);
  TAdderRig::Start(rig.second, 500);
  EXPECT_TRUE(rig.adder->GetInputPin1()->Queue().IsDelayed());
  TAdderRig::Start(rig.first, 1000);
  EXPECT_EQ(rig.adder->GetCalculatedRate(), 500);
  EXPECT_EQ(rig.Needed(1), 2048u);
  EXPECT_EQ(rig.Needed(2), 1024u);
  EXPECT_FALSE(rig.adder->GetInputPin1()->Queue().IsDelayed());
}

TEST_F(BufferTest, AnInputNotYetStartedIsLeftOutAndAddsZeros) {
  TAdderRig rig;
  rig.FixedSize(4);
  TAdderRig::Start(rig.first, 1000);
  rig.first.SubmitBuffer(RealBuffer({1, 2, 3, 4}));
  EXPECT_EQ(rig.sink.Buffers(), (std::vector<std::vector<double>>{{1, 2, 3, 4}}));
}

TEST_F(BufferTest, AutoSizeTakesTheSmallestFirstBufferOfTheRunningInputs) {
  TAdderRig rig;
  TAdderRig::Start(rig.first, 1000);
  TAdderRig::Start(rig.second, 1000);
  rig.first.SubmitBuffer(RealBuffer(std::vector<double>(300, 1.0)));
  EXPECT_EQ(rig.sink.BufferCount(), 0u);
  rig.second.SubmitBuffer(RealBuffer(std::vector<double>(200, 2.0)));
  EXPECT_EQ(rig.sink.Buffers(), (std::vector<std::vector<double>>{std::vector<double>(200, 3.0)}));
}

TEST_F(BufferTest, TheOutputStopsOnceWhenEveryInputHasStopped) {
  TAdderRig rig;
  TAdderRig::Start(rig.first, 1000);
  TAdderRig::Start(rig.second, 1000);
  rig.first.Stop();
  EXPECT_TRUE(rig.adder->IsRunning()) << "one input still runs";
  rig.second.Stop();
  rig.first.Stop();
  EXPECT_FALSE(rig.adder->IsRunning());
  EXPECT_EQ(rig.sink.Others(),
            (std::vector<std::string>{"TPNStartSampleRateOperation", "TPNStopOperation"}));
}

TEST_F(BufferTest, TheOutputRateIsRoundedHalvesToEvenAndFixedAnewAfterAStop) {
  TAdderRig rig;
  for (double rate : {2.5, 3.5}) {
    TAdderRig::Start(rig.first, rate);
    rig.first.Stop();
  }
  EXPECT_EQ(rig.sink.StartRates(), (std::vector<double>{2, 4}));
}

TEST_F(BufferTest, PumpRequestsStopAtTheInputsWhileOtherOperationsGoOn) {
  TAdderRig rig;
  rig.first.Notify(pinweave::TPNPumpRequestOperation::Create());
  rig.first.Notify(pinweave::TPNNotifyOperation::Create(TPNKDPauseOperation::ClassRef));
  EXPECT_EQ(rig.sink.Others(), std::vector<std::string>{"TPNKDPauseOperation"});
}

TEST_F(BufferTest, AnIgnoredInputDoesNotHoldTheOthersBack) {
  TAdderRig rig;
  rig.FixedSize(2);
  TAdderRig::Start(rig.first, 1000);
  rig.adder->GetInputPin2()->Queue().SetIsDelayed(false);  // as if it were about to start
  rig.first.SubmitBuffer(RealBuffer({1, 2}));
  EXPECT_EQ(rig.sink.BufferCount(), 0u);
  rig.second.Notify(
      pinweave::TPNNotifyOperation::Create(pinweave::TPNIgnoreStreamOperation::ClassRef));
  rig.first.SubmitBuffer(RealBuffer({3, 4}));
  EXPECT_EQ(rig.sink.BufferCount(), 1u);
}

TEST_F(BufferTest, AQueueNeedsRateTimesCountOverTheOutputRateAndKeepsAtMostItsLimit) {
  TKDPNQueuedRealSinkPin pin({}, nullptr, {});
  TKDPNQueuedPinImpl<IKDRealBuffer>& queue = pin.Queue();
  EXPECT_EQ(kelvra::Supports<IPNKDQueuedPin>(static_cast<pinweave::IPNStream*>(&pin)).get(),
            static_cast<IPNKDQueuedPin*>(&queue));
  queue.StartRate(44100);
  EXPECT_EQ(queue.CalculateSampleCount(1024, 48000), 941u);  // 940.8
  EXPECT_EQ(queue.CalculateSampleCount(1024, 0), 0u) << "no output rate yet";
  EXPECT_EQ(queue.GetFirstBufferSizeForRate(44100), 0u) << "empty";
  for (int i = 0; i < 1001; ++i) queue.AddBuffer(TKDRealBuffer::CreateSize(1024));
  EXPECT_EQ(queue.GetCollectedSamples(), 1000u * 1024) << "the oldest buffer dropped";
  EXPECT_EQ(queue.GetSizeForRate(88200), 512000u);
  EXPECT_TRUE(queue.IsReady());
}

TEST_F(BufferTest, StretchLoadsFillFromTheQueueOrFromZeros) {
  TKDPNQueuedIntegerSinkPin integer({}, nullptr, {});
  auto& queue = integer.Queue();
  queue.StartRate(1000);
  queue.AddBuffer(TKDIntegerBuffer::CreateArrayList(std::vector<int32_t>{10, 20, 30, 40}));
  queue.CalculateSampleCount(4, 1000);
  auto buffer = TKDIntegerBuffer::CreateSize(2);
  integer.StretchLoadBuffer(buffer);  // step 4 / 2: samples 0 and 2
  EXPECT_EQ(buffer->GetItem(0), 10);
  EXPECT_EQ(buffer->GetItem(1), 30);
  buffer = TKDIntegerBuffer::CreateValue(7, 4);
  integer.StretchLoadBuffer(buffer);  // too few queued: nothing popped, contents kept
  EXPECT_EQ(buffer->GetItem(3), 7);

  TKDPNRealSourcePin real({}, nullptr);
  TKDPNIntegerSourcePin ints({}, nullptr);
  TKDPNQueuedIntegerRealSinkPin combo({}, nullptr, {});
  TKDPNQueuedIntegerRealComplexSinkPin triple({}, nullptr, {});
  pinweave::Connect(real, combo);
  pinweave::Connect(ints, triple);
  EXPECT_TRUE(kelvra::Supports<IKDRealBuffer>(combo.StretchLoadBufferSize(3))) << "N = 0";
  EXPECT_TRUE(kelvra::Supports<IKDIntegerBuffer>(triple.StretchLoadBufferSize(3)));
  combo.Queue().StartRate(1000);
  combo.Queue().AddBuffer(RealBuffer({1, 2, 3}));
  combo.Queue().CalculateSampleCount(3, 1000);
  const auto stretched = KDBufferAs<TKDRealBuffer>(combo.StretchLoadBufferSize(6));
  EXPECT_EQ(Values(stretched), (std::vector<double>{1, 1, 2, 2, 2, 3}));  // step 2 / 6
}

}  // namespace
}  // namespace corvane
