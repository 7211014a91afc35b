#include "corvane/framework/KDCommonGen.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "corvane/framework/KDClockGen.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "tests/kelvra/ThreadingTestSupport.h"

namespace corvane {
namespace {

using kelvra::testing::TBackground;
using pinweave::TPNPin;

// Numbers its buffers 1, 2, ... in their first sample; asks to stop at buffer StopAt.
class TNumberingGen : public TKDCommonRealGen {
 public:
  using TKDCommonRealGen::TKDCommonRealGen;
  std::atomic<int32_t> fills{0};
  int32_t StopAt = 0;

 protected:
  void IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool&, bool& AStop) override {
    const int32_t number = ++fills;
    ABuffer->Write()[0] = number;
    AStop = number == StopAt;
  }
};

// Counts what reaches its input; claims the pump requests it sees when ClaimPriority is set.
template <class TInputPin = TKDPNRealSinkPin>
class TCountingSink : public kelvra::TLockComponent, public kelvra::TObject {
 public:
  explicit TCountingSink(kelvra::TComponent* AOwner)
      : TLockComponent(AOwner),
        FInputPin(pinweave::PinCustomOwnerSetter(this, "InputPin"), GetLock(),
                  [this](TPNPin*, TPNPin*, const kelvra::TGUID&, const TPNOperation& AOperation,
                         TPNNotifyState AState) {
                    if (!AState.Contains(pinweave::nsConnecting)) Count(AOperation);
                    return TPNNotifyResult{};
                  }) {}

  TInputPin FInputPin;
  uint32_t ClaimPriority = 0;
  std::atomic<int32_t> buffers{0}, stops{0}, ignores{0};
  std::atomic<double> lastSample{0}, startRate{0};

 private:
  void Count(const TPNOperation& AOperation) {
    if (const auto* data = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation)) {
      if (const auto real = kelvra::Supports<IKDRealBuffer>(data->Value()))
        lastSample = real->Read()[0];
      ++buffers;
    } else if (const auto* start = pinweave::OperationAs<TPNStartSampleRateOperation>(AOperation)) {
      startRate = start->SampleRate;
    } else if (AOperation->IsType(pinweave::TPNStopOperation::ClassRef)) {
      ++stops;
    } else if (AOperation->IsType(pinweave::TPNIgnoreStreamOperation::ClassRef)) {
      ++ignores;
    } else if (auto* request = pinweave::OperationAs<pinweave::TPNPumpRequestOperation>(AOperation)) {
      if (ClaimPriority) request->Claim(this, ClaimPriority);
    }
  }
};

class CommonGenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Initialize();
    pinweave::Connect(*gen->GetOutputPin(), sink->FInputPin);
  }
  void TearDown() override {
    gen.reset();
    sink.reset();
    KDSetClockGenTimerManual(false);
    while (kelvra::CheckSynchronize(0)) {
    }
    EXPECT_EQ(KDLiveClockGens, 0);
    Finalize();
  }
  // Runs what the generators handed to the main thread (the release of their clocks).
  static void Synchronize() {
    while (kelvra::CheckSynchronize(0)) {
    }
  }

  std::atomic<int32_t> stopped{0};  // OnStop, which is told again when the generator is freed
  kelvra::TOwnedComponent<TNumberingGen> gen{new TNumberingGen(nullptr)};
  kelvra::TOwnedComponent<TCountingSink<>> sink{new TCountingSink<>(nullptr)};
};

TEST(KDPumpInterval, OneTickCoversAtLeastOneTimerPeriod) {
  EXPECT_EQ(KDPumpInterval(1024, 100000).Interval, 102400);
  EXPECT_EQ(KDPumpInterval(1024, 100000).BuffersPerGen, 1);
  EXPECT_EQ(KDPumpInterval(1, 100000).Interval, 10000);
  EXPECT_EQ(KDPumpInterval(1, 100000).BuffersPerGen, 100);
  EXPECT_EQ(KDPumpInterval(3, 100000).BuffersPerGen, 34) << "33 would tick in 9900";
  EXPECT_EQ(KDPumpInterval(3, 100000).Interval, 10200);
  EXPECT_EQ(KDPumpInterval(1024, 0.49).Interval, 0) << "the rate rounds to 0";
  EXPECT_EQ(KDPumpInterval(1024, 0.5).Interval, 10240000000);
}

TEST_F(CommonGenTest, PropertiesKeepTheirLimits) {
  EXPECT_TRUE(gen->GetEnabled());
  EXPECT_EQ(gen->GetSampleRate(), 100000);
  EXPECT_EQ(gen->GetBufferSize(), 1024);
  gen->SetSampleRate(0);
  EXPECT_EQ(gen->GetSampleRate(), 0.000001);
  gen->SetSampleRate(-5);
  EXPECT_EQ(gen->GetSampleRate(), 0);
  gen->SetBufferSize(0);
  EXPECT_EQ(gen->GetBufferSize(), 1);
}

TEST_F(CommonGenTest, TheOwnClockPacesAtTheIntervalOfBufferSizeAndRate) {
  KDSetClockGenTimerManual(true);
  gen->SetBufferSize(1);
  gen->CreateStart(false);
  EXPECT_TRUE(gen->IsRunning());
  EXPECT_TRUE(gen->IsPump());
  EXPECT_EQ(sink->startRate, 100000);
  EXPECT_EQ(gen->ClockInterval(), 10000);
  EXPECT_EQ(gen->GetBuffersPerGen(), 100);
  KDClockGenTimerPeriod();
  KDClockGenTimerPeriod();  // the first tick
  EXPECT_TRUE(TBackground::Eventually([&] { return sink->buffers == 100; }));
  gen->Stop();
  EXPECT_EQ(sink->stops, 1);
  EXPECT_EQ(KDLiveClockGens, 1) << "released on the main thread";
  Synchronize();
  EXPECT_EQ(KDLiveClockGens, 0);

  gen->SetBufferSize(1024);
  gen->Start();
  EXPECT_EQ(gen->ClockInterval(), 102400);
  EXPECT_EQ(gen->GetBuffersPerGen(), 1);
}

TEST_F(CommonGenTest, ARateBelowOneHalfRunsNoClockOfItsOwn) {
  gen->SetSampleRate(0.4);
  gen->CreateStart(false);
  EXPECT_TRUE(gen->IsRunning());
  EXPECT_EQ(sink->startRate, 0.4);
  EXPECT_EQ(gen->ClockInterval(), 0);
  EXPECT_EQ(KDLiveClockGens, 0);
  gen->SetClockSource(csExternal);
  gen->Pump();
  EXPECT_EQ(sink->buffers, 1) << "an external clock still paces it";
}

TEST_F(CommonGenTest, AFillThatAsksToStopTurnsEnabledOff) {
  gen->SetOnStop([this](kelvra::TObject*) { ++stopped; });
  gen->SetClockSource(csExternal);
  gen->StopAt = 2;
  gen->CreateStart(false);
  EXPECT_EQ(KDLiveClockGens, 0) << "an external clock needs none of its own";
  for (int i = 0; i < 3; ++i) gen->Pump();
  EXPECT_EQ(sink->buffers, 2) << "the stopping buffer is sent, nothing after";
  EXPECT_FALSE(gen->GetEnabled());
  EXPECT_FALSE(gen->IsRunning());
  EXPECT_EQ(sink->stops, 1);
  EXPECT_EQ(stopped, 1);
  gen->Start();
  gen->Pump();
  EXPECT_EQ(sink->buffers, 3) << "starts again";
}

TEST_F(CommonGenTest, OneValueOnRequestAndQueriesWhileDisabled) {
  double value = 5;
  gen->GenerateFloat(value);
  EXPECT_EQ(value, 1) << "the fill's first sample";
  const TPNOperation query =
      pinweave::TPNNotifyOperation::Create(pinweave::TPNQueryStreamOperation::ClassRef);
  sink->FInputPin.Notify(query);
  EXPECT_EQ(sink->ignores, 0) << "enabled";
  gen->Stop();
  sink->FInputPin.Notify(query);
  EXPECT_EQ(sink->ignores, 1);
}

TEST_F(CommonGenTest, AMasterOfHigherPriorityPacesTheGeneratorOnePumpOneBuffer) {
  KDSetClockGenTimerManual(true);
  gen->SetPumpPriority(3);
  sink->ClaimPriority = 3;  // not above: the generator paces itself
  gen->CreateStart(false);
  EXPECT_TRUE(gen->IsPump());
  gen->Stop();
  Synchronize();

  sink->ClaimPriority = 4;
  gen->Start();
  EXPECT_FALSE(gen->IsPump());
  EXPECT_EQ(gen->ClockInterval(), 0);
  const TPNOperation pump = pinweave::TPNMasterPumpOperation::Create(sink.get());
  sink->FInputPin.Notify(pump);
  sink->FInputPin.Notify(pump);  // the same operation by another path
  EXPECT_EQ(sink->buffers, 1);
  sink->FInputPin.MasterPump(sink.get());
  EXPECT_EQ(sink->buffers, 2);
  sink->FInputPin.MasterPump(gen.get());  // not the master
  EXPECT_EQ(sink->buffers, 2);
  EXPECT_EQ(sink->lastSample, 2);
}

TEST_F(CommonGenTest, AConnectedClockPinPacesTheGenerator) {
  std::vector<bool> needed;  // what the generator tells its clock source
  pinweave::TPNClockSourcePin clock({}, nullptr,
                                    [&](TPNPin*, TPNPin*, const kelvra::TGUID&,
                                        const TPNOperation& AOperation, TPNNotifyState) {
                                      if (const auto* need = pinweave::OperationAs<
                                              pinweave::TPNClockNeededOperation>(AOperation))
                                        needed.push_back(need->Needed());
                                      return TPNNotifyResult{};
                                    });
  pinweave::Connect(clock, *gen->GetClockPin());
  EXPECT_TRUE(gen->ClockIsExternal()) << "csAuto follows the connection";
  gen->CreateStart(false);
  EXPECT_EQ(KDLiveClockGens, 0);
  for (int i = 0; i < 2; ++i) clock.Notify(pinweave::TPNClockOperation::Create(1));
  EXPECT_EQ(sink->buffers, 2);
  gen->Stop();
  clock.Notify(pinweave::TPNClockOperation::Create(1));
  EXPECT_EQ(sink->buffers, 2) << "stopped";
  EXPECT_EQ(needed, (std::vector<bool>{true, false}));
  gen->SetClockSource(csInternal);
  EXPECT_FALSE(gen->ClockIsExternal());
}

// Fills each integer buffer with its size.
class TSizeGen : public TKDCommonIntGen {
 public:
  using TKDCommonIntGen::TKDCommonIntGen;

 protected:
  void IntGenerate(const kelvra::TIntf<IKDIntegerBuffer>& ABuffer, bool&, bool&) override {
    ABuffer->Write()[0] = int32_t(ABuffer->GetSize());
  }
};

TEST_F(CommonGenTest, PinBufferGeneratorsSendTheirBuffersInSuppliedOperations) {
  kelvra::TOwnedComponent<TSizeGen> integers(new TSizeGen(nullptr));
  kelvra::TOwnedComponent<TCountingSink<TKDPNIntegerSinkPin>> counter(
      new TCountingSink<TKDPNIntegerSinkPin>(nullptr));
  pinweave::Connect(*integers->GetOutputPin(), counter->FInputPin);
  integers->SetBufferSize(7);
  integers->SetClockSource(csExternal);
  integers->CreateStart(false);
  integers->Pump();
  EXPECT_EQ(counter->buffers, 1);
  integers->Stop();
  EXPECT_EQ(counter->stops, 1);
}

TEST_F(CommonGenTest, FreeingARunningGeneratorEndsItsClock) {
  gen->SetBufferSize(100);  // a tick every 1 ms
  gen->CreateStart(false);
  ASSERT_TRUE(TBackground::Eventually([&] { return sink->buffers >= 3; }));
  gen.reset();
  EXPECT_EQ(KDLiveClockGens, 0);
  EXPECT_EQ(sink->stops, 1);
}

}  // namespace
}  // namespace corvane
