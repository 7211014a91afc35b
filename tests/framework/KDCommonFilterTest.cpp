#include "corvane/framework/KDCommonFilter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <future>
#include <memory>
#include <numbers>
#include <thread>

#include "corvane/framework/Kelvra_Corvane.h"
#include "examples/components/AdderMultiInput.h"
#include "examples/components/ExampleComponents.h"
#include "examples/components/GainFilter.h"
#include "kelvra/Kelvra.Components.Streaming.h"
#include "kelvra/Kelvra.Threading.MainThread.h"
#include "tests/framework/FilterTestSupport.h"

namespace corvane {
namespace {

using examples::TExampleGainFilter;
using kelvra::TOwnedComponent;
using test::RealBuffer;
using test::TRecordingSink;
using namespace std::chrono_literals;

// Each test starts the package and must free every component and pin it made.
class FilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Initialize();
    live_ = kelvra::TPersistent::LiveInstances();
  }
  void TearDown() override {
    EXPECT_EQ(kelvra::TPersistent::LiveInstances(), live_) << "components or pins leaked";
    Finalize();
  }

 private:
  int64_t live_ = 0;
};

// A source pin, a chain of gain filters and a recording sink, connected in that order.
struct TGainChain {
  TGainChain(int AStages, double AGain, std::chrono::microseconds ASinkDelay = {})
      : sink(ASinkDelay) {
    pinweave::TPNPin* upstream = &source;
    for (int i = 0; i < AStages; ++i) {
      auto& filter = filters.emplace_back(new TExampleGainFilter(nullptr));
      filter->SetGain(AGain);
      pinweave::Connect(*upstream, *filter->GetInputPin());
      upstream = filter->GetOutputPinTyped();
    }
    pinweave::Connect(*upstream, sink.Pin());
  }
  void Threaded(TKDQueueFullMode AMode, uint32_t AQueueSize) {
    for (auto& filter : filters) {
      filter->GetThreading()->SetEnabled(true);
      filter->GetThreading()->GetQueue()->SetFullMode(AMode);
      filter->GetThreading()->GetQueue()->SetSize(AQueueSize);
    }
  }
  void Start(double ARate = 1000) { source.Notify(TPNStartSampleRateOperation::Create(ARate)); }

  TKDPNRealSourcePin source{{}, nullptr};
  TRecordingSink sink;
  std::vector<TOwnedComponent<TExampleGainFilter>> filters;
};

TEST_F(FilterTest, SettingsHaveTheirDefaultsAndAQueueNeverHoldsLessThanOne) {
  TOwnedComponent<TKDCommonRealFilter> filter(new TKDCommonRealFilter(nullptr));
  TKDThreadingQueue& queue = *filter->GetThreading()->GetQueue();
  EXPECT_TRUE(filter->GetEnabled());
  EXPECT_FALSE(filter->GetThreading()->GetEnabled());
  EXPECT_EQ(filter->GetThreading()->GetPriority(), kelvra::tpNormal);
  EXPECT_EQ(queue.GetSize(), 15u);
  EXPECT_EQ(queue.GetFullMode(), fmBlock);
  EXPECT_EQ(filter->GetSampleRate(), 100000);
  queue.SetSize(0);
  EXPECT_EQ(queue.GetSize(), 1u);
}

TEST_F(FilterTest, AGraphTextMakesFiltersByClassNameWithTheirSettingsAndConnections) {
  examples::RegisterExampleComponents();
  const auto root = kelvra::ReadComponentYaml(R"(class: TExampleAdder
name: Adder
properties:
  OutputBuffer:
    AutoSize: false
  InputPin1:
    SourcePin: "Gain.OutputPin"
components:
  - class: TExampleGainFilter
    name: Gain
    properties:
      Gain: 0.5
      Enabled: false
      Threading:
        Enabled: true
        Priority: tpLower
        Queue:
          Size: 0
          FullMode: fmDropData
  - class: TKDCommonComplexFilter
    name: Plain
    properties:
      Threading:
        Enabled: true
...
)");
  EXPECT_TRUE(static_cast<TKDCommonComplexFilter&>(*root->FindComponent("Plain"))
                  .GetThreading()
                  ->GetEnabled());
  auto& gain = static_cast<TExampleGainFilter&>(*root->FindComponent("Gain"));
  EXPECT_EQ(gain.GetGain(), 0.5);
  EXPECT_FALSE(gain.GetEnabled());
  EXPECT_TRUE(gain.GetThreading()->GetEnabled());
  EXPECT_EQ(gain.GetThreading()->GetPriority(), kelvra::tpLower);
  EXPECT_EQ(gain.GetThreading()->GetQueue()->GetSize(), 1u);
  EXPECT_EQ(gain.GetThreading()->GetQueue()->GetFullMode(), fmDropData);
  auto& adder = static_cast<examples::TExampleAdder&>(*root);
  EXPECT_FALSE(adder.GetOutputBuffer()->GetAutoSize());
  EXPECT_EQ(adder.GetInputPin1()->SourcePins(),
            std::vector<pinweave::TPNPin*>{gain.GetOutputPinTyped()});
}

TEST_F(FilterTest, StartSetsTheSampleRateAndStopResetsItWhileBothTravelOn) {
  TGainChain chain(1, 1);
  TExampleGainFilter& filter = *chain.filters[0];
  chain.Start(44100);
  EXPECT_EQ(filter.GetSampleRate(), 44100);
  EXPECT_TRUE(filter.IsRunning());
  chain.source.Stop();
  EXPECT_EQ(filter.GetSampleRate(), 0);
  EXPECT_FALSE(filter.IsRunning());
  EXPECT_EQ(chain.sink.Others(),
            (std::vector<std::string>{"TPNStartSampleRateOperation", "TPNStopOperation"}));
  EXPECT_EQ(chain.sink.StartRates(), std::vector<double>{44100});
}

TEST_F(FilterTest, EnabledFiltersProcessBuffersAndSingleValuesAndDisabledOnesPassThemOn) {
  TGainChain chain(1, 2);
  chain.source.SubmitBuffer(RealBuffer({1, -2, 3}));
  chain.source.Notify(pinweave::TPNTypedSuppliedOperation<double>::Create(1.5));
  chain.filters[0]->SetEnabled(false);
  chain.source.SubmitBuffer(RealBuffer({1, -2, 3}));
  chain.source.Notify(pinweave::TPNTypedSuppliedOperation<float>::Create(1.5f));
  EXPECT_EQ(chain.sink.Buffers(), (std::vector<std::vector<double>>{{2, -4, 6}, {1, -2, 3}}));
  EXPECT_EQ(chain.sink.Singles(), (std::vector<float>{3.0f, 1.5f}));
}

// Counts its arithmetic, and records whether its output owned its memory at the time.
class TProbeFilter : public TKDCommonRealFilter {
 public:
  using TKDCommonRealFilter::TKDCommonRealFilter;
  void FilterInternalOperation(const TBuffer&, const TBuffer& AOutput, bool& ASend) override {
    ++calls;
    ownedOutput = TKDGenericBuffer::BufferOf(AOutput).OwnsData();
    ASend = send;
  }
  bool CanInline() override { return inline_; }
  int calls = 0;
  bool ownedOutput = false, inline_ = false, send = true;
};

TEST_F(FilterTest, TheArithmeticRunsOnlyForAConnectedOutputAndInlineOnlyForTheLastReceiver) {
  TKDPNRealSourcePin source({}, nullptr);
  TOwnedComponent<TProbeFilter> probe(new TProbeFilter(nullptr)), other(new TProbeFilter(nullptr));
  pinweave::Connect(source, *probe->GetInputPin());
  source.SubmitBuffer(RealBuffer({1}));
  EXPECT_EQ(probe->calls, 0) << "output pin not connected";

  TRecordingSink sink;
  pinweave::Connect(*probe->GetOutputPinTyped(), sink.Pin());
  source.SubmitBuffer(RealBuffer({1}));
  EXPECT_EQ(probe->calls, 1);
  EXPECT_TRUE(probe->ownedOutput);
  probe->inline_ = true;
  source.SubmitBuffer(RealBuffer({1}));
  EXPECT_FALSE(probe->ownedOutput) << "the only receiver works in the sender's memory";
  pinweave::Connect(source, *other->GetInputPin());  // probe is no longer the last receiver
  source.SubmitBuffer(RealBuffer({1}));
  EXPECT_TRUE(probe->ownedOutput);

  probe->send = false;
  source.SubmitBuffer(RealBuffer({1}));
  EXPECT_EQ(sink.BufferCount(), 3u) << "a cleared send flag sends nothing";
}

TEST_F(FilterTest, WithoutUpstreamAStreamQueryIsAnsweredWithAnIgnoreStream) {
  TGainChain chain(1, 1);
  TExampleGainFilter& filter = *chain.filters[0];
  pinweave::Disconnect(chain.source, *filter.GetInputPin());
  chain.sink.Pin().Notify(
      pinweave::TPNNotifyOperation::Create(pinweave::TPNQueryStreamOperation::ClassRef));
  EXPECT_EQ(chain.sink.Others().back(), "TPNIgnoreStreamOperation");
}

TEST_F(FilterTest, AThreadedFilterRunsInlineUntilItsStreamStartsAndOnItsWorkerUntilItStops) {
  TGainChain chain(1, 1);
  TExampleGainFilter& filter = *chain.filters[0];
  chain.Threaded(fmBlock, 15);
  chain.source.SubmitBuffer(RealBuffer({1}));
  EXPECT_FALSE(filter.HasWorker());
  EXPECT_EQ(chain.sink.LastThread(), std::this_thread::get_id());

  chain.Start();
  EXPECT_TRUE(filter.HasWorker());
  chain.source.SubmitBuffer(RealBuffer({2}));
  ASSERT_TRUE(chain.sink.WaitForBuffers(2));
  EXPECT_NE(chain.sink.LastThread(), std::this_thread::get_id());
  chain.source.Stop();
  EXPECT_FALSE(filter.HasWorker());
  chain.source.SubmitBuffer(RealBuffer({3}));
  EXPECT_EQ(chain.sink.LastThread(), std::this_thread::get_id());
}

TEST_F(FilterTest, AFailingWorkerLetsItsBlockedProducerGoAndDropsWhatFollows) {
  struct TFailingFilter : TExampleGainFilter {
    using TExampleGainFilter::TExampleGainFilter;
    void FilterInternalOperation(const TBuffer&, const TBuffer&, bool&) override {
      std::this_thread::sleep_for(20ms);  // the producer fills the queue and waits meanwhile
      throw std::runtime_error("the arithmetic failed");
    }
  };
  TKDPNRealSourcePin source{{}, nullptr};
  TRecordingSink sink;
  TOwnedComponent<TFailingFilter> filter(new TFailingFilter(nullptr));
  pinweave::Connect(source, *filter->GetInputPin());
  pinweave::Connect(*filter->GetOutputPinTyped(), sink.Pin());
  filter->GetThreading()->SetEnabled(true);
  filter->GetThreading()->GetQueue()->SetSize(1);
  source.Notify(TPNStartSampleRateOperation::Create(1000));
  auto producer = std::async(std::launch::async, [&] {
    for (int i = 0; i < 10; ++i) source.SubmitBuffer(RealBuffer({1}));
  });
  ASSERT_EQ(producer.wait_for(10s), std::future_status::ready) << "the producer still waits";
  EXPECT_EQ(sink.BufferCount(), 0u);
  source.Stop();
}

TEST_F(FilterTest, ATenStageThreadedChainThatBlocksLosesNoBuffer) {
  constexpr int kBuffers = 10000;
  TGainChain chain(10, 2);
  chain.Threaded(fmBlock, 4);
  chain.Start();
  for (int i = 0; i < kBuffers; ++i) chain.source.SubmitBuffer(RealBuffer({double(i), 1}));
  ASSERT_TRUE(chain.sink.WaitForBuffers(kBuffers));
  chain.source.Stop();
  const auto buffers = chain.sink.Buffers();
  ASSERT_EQ(buffers.size(), size_t(kBuffers));
  for (int i = 0; i < kBuffers; ++i)
    ASSERT_EQ(buffers[i], (std::vector<double>{i * 1024.0, 1024})) << "in order, each once";
}

TEST_F(FilterTest, ADroppingChainBeforeASlowSinkDropsSomeAndTellsTheMainThread) {
  constexpr int kBuffers = 400;
  TGainChain chain(10, 1, 300us);
  chain.Threaded(fmDropData, 2);
  std::atomic<int> reports{0};
  for (auto& filter : chain.filters)
    filter->GetThreading()->SetOnQueueFull([&](kelvra::TObject* ASender) {
      EXPECT_NE(ASender, nullptr);
      ++reports;
    });
  chain.Start();
  for (int i = 0; i < kBuffers; ++i) chain.source.SubmitBuffer(RealBuffer({double(i)}));
  chain.sink.WaitForQuiet();
  kelvra::CheckSynchronize();
  const size_t received = chain.sink.BufferCount();
  EXPECT_GT(received, 0u);
  EXPECT_LT(received, size_t(kBuffers));
  EXPECT_GT(reports.load(), 0);
  chain.source.Stop();
}

TEST_F(FilterTest, StoppingAndFreeingAThreadedChainWhileBuffersFlowEndsEveryThread) {
  for (TKDQueueFullMode mode : {fmBlock, fmDropData}) {
    auto chain = std::make_unique<TGainChain>(3, 1, 50us);
    chain->Threaded(mode, 2);
    chain->Start();
    std::atomic<bool> stop{false};
    std::thread producer([&] {
      while (!stop) chain->source.SubmitBuffer(RealBuffer({1, 2, 3}));
    });
    ASSERT_TRUE(chain->sink.WaitForBuffers(20));
    chain->source.Stop();  // beside the producer's deliveries
    chain->Start();
    chain->filters.clear();  // freed while the producer still submits
    stop = true;
    producer.join();
  }
}

TEST_F(FilterTest, APriorityChangeReachesTheRunningWorker) {
  TGainChain chain(1, 1);
  chain.Threaded(fmBlock, 15);
  chain.Start();
  chain.filters[0]->GetThreading()->SetPriority(kelvra::tpLower);
  chain.source.Stop();  // the worker ends with the priority it was given; no error on the way
  EXPECT_EQ(chain.filters[0]->GetThreading()->GetPriority(), kelvra::tpLower);
}

// A taps filter whose Init counts its calls and hands over fixed taps.
class TTwoTapFilter : public TKDCommonTapsFilter {
 public:
  using TKDCommonTapsFilter::TKDCommonTapsFilter;
  void Init() override {
    ++inits;
    IntInit(taps);
  }
  int inits = 0;
  std::vector<double> taps{1, 1};
};

TEST_F(FilterTest, TheFrequencyResponseIsEvaluatedAtCountPlusOnePoints) {
  TOwnedComponent<TTwoTapFilter> filter(new TTwoTapFilter(nullptr));
  TKDFilterFrequencyResponse& response = *filter->GetFrequencyResponse();
  double values[3] = {-1, -1, -1};
  response.GetMagnitudes(values, 0);
  EXPECT_EQ(values[0], 0) << "no taps";
  EXPECT_EQ(values[1], -1) << "one value for a count of 0";
  response.GetPhases(values, 1);
  EXPECT_EQ(values[0], 0);
  EXPECT_EQ(values[1], 0);

  filter->SetSampleRate(8000);
  filter->SetSampleRateProp(8000);
  EXPECT_EQ(filter->inits, 1) << "the property's setter inits only on a change";
  filter->SetSampleRateProp(4000);
  EXPECT_EQ(filter->inits, 2);
  // Taps 1, 1 at w = pi / 10000 and pi / 2: C = 1 + cos w, S = sin w.
  const double w0 = std::numbers::pi / 10000;
  response.GetMagnitudes(values, 1);
  EXPECT_DOUBLE_EQ(values[0], std::pow(1 + std::cos(w0), 2) + std::pow(std::sin(w0), 2));
  EXPECT_DOUBLE_EQ(values[1], 2);
  response.GetPhases(values, 1);
  EXPECT_DOUBLE_EQ(values[0], std::atan(std::sin(w0) / -std::cos(w0)));
  EXPECT_NEAR(values[1], std::numbers::pi / 2, 1e-9);
}

TEST_F(FilterTest, TheBasicEnableFilterReportsEverySetting) {
  struct TCounting : TKDBasicEnableFilter {
    using TKDBasicEnableFilter::TKDBasicEnableFilter;
    void EnabledChanged() override { ++changes; }
    int changes = 0;
  };
  TOwnedComponent<TCounting> filter(new TCounting(nullptr));
  filter->SetEnabled(true);
  filter->SetEnabled(false);
  EXPECT_EQ(filter->changes, 2);
  EXPECT_FALSE(filter->GetEnabled());
}

}  // namespace
}  // namespace corvane
