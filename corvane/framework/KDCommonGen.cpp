#include "corvane/framework/KDCommonGen.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "corvane/framework/KDClockGen.h"
#include "kelvra/Kelvra.Threading.MainThread.h"

namespace corvane {

using kelvra::TIntf;
using pinweave::OperationAs;
using pinweave::TPNPin;

namespace {
// The pump type a generator names in its pump requests.
constexpr int32_t kGeneratorPumpType = 2;
// Rates are rounded into a range whose interval products fit 64 bits.
constexpr double kHighestRate = 1e14;
}  // namespace

TKDPumpInterval KDPumpInterval(int32_t ABufferSize, double ASampleRate) {
  const int64_t rate = std::llround(std::min(ASampleRate, kHighestRate));
  if (rate <= 0) return {0, 1};
  const int64_t samples = int64_t(std::max(ABufferSize, 1)) * 10000000;
  // The fewest buffers per tick for which samples × n div rate reaches one 1 ms timer period.
  const int64_t buffersPerGen = std::max<int64_t>(1, (10000 * rate + samples - 1) / samples);
  return {samples * buffersPerGen / rate, int32_t(buffersPerGen)};
}

// ---------------------------------------------------------------------------------------------
// TKDBasicCommonGen

const kelvra::TPropertyTable& TKDBasicCommonGen::Properties() {
  using T = TKDBasicCommonGen;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>()
          .Object("ClockPin", &T::FClockPin)
          .Property("Enabled", &T::FEnabled, &T::SetEnabled, true)
          .Property("PumpPriority", &T::FPumpPriority, &T::SetPumpPriority, uint32_t(0))
          .Property("ClockSource", &T::FClockSource, &T::SetClockSource, csAuto,
                    kKDClockSourceNames);
  return table;
}

TKDBasicCommonGen::TKDBasicCommonGen(kelvra::TComponent* AOwner)
    : TLockComponent(AOwner),
      FClockPin(std::make_unique<pinweave::TPNClockMultiSinkPin>(
          pinweave::PinCustomOwnerSetter(this, "ClockPin"), GetLock(),
          std::bind_front(&TKDBasicCommonGen::ClockPinNotification, this))) {
  InitDefaults(ClassRef);
}

TKDBasicCommonGen::~TKDBasicCommonGen() = default;

pinweave::TPNBasicPinNotificationEvent TKDBasicCommonGen::OutputHandler() {
  return std::bind_front(&TKDBasicCommonGen::DispatchOperation, this);
}

void TKDBasicCommonGen::SetOnStop(TKDNotifyEvent AValue) {
  const auto section = GetLock()->EnterSection();
  if (section) FOnStop = std::move(AValue);
}

void TKDBasicCommonGen::SetEnabled(bool AValue) {
  if (!SetProperty(FEnabled, AValue)) return;
  if (!AValue)
    StreamStop();
  else if (!ComponentState().Contains(kelvra::csDesigning))
    TryStart();
}

void TKDBasicCommonGen::SetClockSource(TKDClockSource AValue) {
  const auto section = GetLock()->EnterSection();
  if (!section || FClockSource == AValue) return;
  if (FIsRunning && !ClockIsExternal()) StopPump();
  FClockSource = AValue;
  if (FIsRunning) {
    RequestPump();
    StartPump();
  }
}

bool TKDBasicCommonGen::IsRunning() {
  const auto section = GetLock()->EnterSection();
  return section && FIsRunning;
}

bool TKDBasicCommonGen::ClockIsExternal() const {
  switch (FClockSource) {
    case csExternal: return true;
    case csInternal: return false;
    case csAuto: break;
  }
  return FClockPin->IsConnected();
}

void TKDBasicCommonGen::Pump() {
  const auto section = GetLock()->EnterSection();
  if (section && ClockIsExternal()) IntPump();
}

void TKDBasicCommonGen::TryStart() {
  const auto section = GetLock()->EnterSection();
  if (!section || ComponentState().Contains(kelvra::csLoading) || FIsRunning || !GetCanStart())
    return;
  FFirstRequest = true;
  RequestPump();
  IntStart();
}

void TKDBasicCommonGen::CreateStart(bool AFlag) {
  if (AFlag) SetProperty(FEnabled, false);
  TLockComponent::CreateStart(AFlag);
  if (FEnabled) TryStart();
}

void TKDBasicCommonGen::BeforeDestruction() {
  TLockComponent::BeforeDestruction();
  StreamStop();
  // The clock generator's tick uses this generator: it ends here, not later on the main thread.
  kelvra::RemoveMainThreadExecutes(this);
  ReleaseClockGens();
}

void TKDBasicCommonGen::RequestPump() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  if (ClockIsExternal()) {
    FIsPump = true;
    return;
  }
  const TPNOperation operation = pinweave::TPNPumpRequestOperation::CreateEx(
      this, kGeneratorPumpType, FPumpPriority, GetSampleRate() / GetBufferSize());
  NotifyOutputPins(operation);
  const auto* request = OperationAs<pinweave::TPNPumpRequestOperation>(operation);
  kelvra::TObject* master = request->PumpObject();
  if (master && master != this) {
    FMasterPump = master;
    FIsPump = false;
  } else {
    FMasterPump = nullptr;
    FPumpRate = request->Rate();
    FIsPump = true;
  }
}

void TKDBasicCommonGen::IntStartStream() {
  const double rate = GetSampleRate();
  SetRate(rate);
  NotifyOutputPins(TPNStartSampleRateOperation::Create(rate));
}

void TKDBasicCommonGen::IntStart() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  FFirstRequest = true;
  FInStopping = false;
  RequestPump();
  IntStartStream();
  FIsRunning = true;
  if (!ClockIsExternal() && !FIsPump)
    NotifyOutputPins(pinweave::TPNStartPumpOperation::Create(FMasterPump));
  StartPump();
  FClockPin->Notify(pinweave::TPNClockNeededOperation::Create(true));
}

void TKDBasicCommonGen::StreamStop() {
  const auto section = GetLock()->EnterStopSection();
  FInStopping = false;
  StopPump();
  FIsRunning = false;
  NotifyOutputPins(pinweave::TPNNotifyOperation::Create(pinweave::TPNStopOperation::ClassRef));
  FEnabled = false;
  FFirstRequest = true;
  FClockPin->Notify(pinweave::TPNClockNeededOperation::Create(false));
  if (FOnStop) FOnStop(this);
}

void TKDBasicCommonGen::PostStop() {
  FInStopping = true;
  StreamStop();
}

void TKDBasicCommonGen::StopPump() {
  if (!FClockGen) return;
  FRetiredClockGens.push_back(std::move(FClockGen));
  // Queued even on the main thread: releasing waits for the clock thread, which may be waiting
  // for the component lock that this thread holds now.
  kelvra::MainThreadExecute(this, false, [this] { ReleaseClockGens(); }, true);
}

void TKDBasicCommonGen::ReleaseClockGens() {
  std::vector<TIntf<kelvra::IThread>> retired;
  {
    const auto section = GetLock()->EnterStopSection();
    retired.swap(FRetiredClockGens);
  }
  // Released outside the lock: each waits for its thread.
  retired.clear();
}

void TKDBasicCommonGen::MasterPump(kelvra::TObject* ASender, uint32_t AIdentifier) {
  if (FIsPump || ASender != FMasterPump) return;
  if (AIdentifier != FLastOperationID || FFirstRequest) IntPump();
  FFirstRequest = false;
  FLastOperationID = AIdentifier;
}

void TKDBasicCommonGen::NotifyIgnoreOutputPin() {
  NotifyOutputPins(
      pinweave::TPNNotifyOperation::Create(pinweave::TPNIgnoreStreamOperation::ClassRef));
}

TPNNotifyResult TKDBasicCommonGen::DispatchOperation(TPNPin*, TPNPin*, const kelvra::TGUID&,
                                                     const TPNOperation& AOperation,
                                                     TPNNotifyState AState) {
  if (AState.Contains(pinweave::nsConnecting)) return {};
  const auto section = GetLock()->EnterSection();
  if (!section) return {};
  if (const auto* start = OperationAs<TPNStartSampleRateOperation>(AOperation)) {
    RequestPump();
    SetRate(start->SampleRate);
    StartPump();
  } else if (AOperation->IsType(pinweave::TPNStopOperation::ClassRef)) {
    StreamStop();
  } else if (AOperation->IsType(pinweave::TPNQueryStreamOperation::ClassRef)) {
    if (!FEnabled) NotifyIgnoreOutputPin();
  } else if (const auto* pump = OperationAs<pinweave::TPNMasterPumpOperation>(AOperation)) {
    MasterPump(pump->PumpObject(), pump->Identifier());
  }
  return {};
}

TPNNotifyResult TKDBasicCommonGen::ClockPinNotification(TPNPin*, TPNPin*, const kelvra::TGUID&,
                                                        const TPNOperation& AOperation,
                                                        TPNNotifyState AState) {
  if (AState.Contains(pinweave::nsConnecting)) return {};
  const auto section = GetLock()->EnterSection();
  if (!section) return {};
  if (AOperation->IsType(pinweave::TPNClockOperation::ClassRef)) {
    if (FIsPump && ClockIsExternal()) IntPump();
  } else {
    FClockPin->Notify(pinweave::TPNClockNeededOperation::Create(FEnabled));
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// TKDCommonGen

const kelvra::TPropertyTable& TKDCommonGen::Properties() {
  using T = TKDCommonGen;
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<T>().Property(
      "SampleRate", &T::FSampleRate, &T::SetSampleRate, 100000.0);
  return table;
}

TKDCommonGen::TKDCommonGen(kelvra::TComponent* AOwner) : TKDBasicCommonGen(AOwner) {
  InitDefaults(ClassRef);
}

void TKDCommonGen::SetSampleRate(double AValue) {
  GetLock()->Setter().SetterMin(FSampleRate, AValue == 0 ? 0.000001 : AValue, 0.0, {}, true);
}

int64_t TKDCommonGen::ClockInterval() {
  const auto section = GetLock()->EnterSection();
  return section && FClockGen ? static_cast<TKDClockGen&>(*FClockGen->GetInstance()).GetInterval()
                              : 0;
}

void TKDCommonGen::RequestPump() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  FBuffersPerGen = 1;
  TKDBasicCommonGen::RequestPump();
}

void TKDCommonGen::IntStartStream() {
  StartStream();
  TKDBasicCommonGen::IntStartStream();
}

void TKDCommonGen::StartPump() {
  const auto section = GetLock()->EnterSection();
  if (!section || !FIsPump || ClockIsExternal() || FClockGen) return;
  const TKDPumpInterval pace = KDPumpInterval(GetBufferSize(), FSampleRate);
  if (pace.Interval == 0) return;  // a rate below 0.5: no clock of its own (see the header)
  FBuffersPerGen = pace.BuffersPerGen;
  FClockGen = TKDClockGen::Create(this, pace.Interval, [this] { Clock(); });
}

void TKDCommonGen::Clock() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  for (int32_t i = 0; i < FBuffersPerGen; ++i) IntPump();
}

// ---------------------------------------------------------------------------------------------
// Buffer generators

const kelvra::TPropertyTable& TKDCommonBufferGen::Properties() {
  using T = TKDCommonBufferGen;
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<T>().Property(
      "BufferSize", &T::FBufferSize, &T::SetBufferSize, int32_t(1024));
  return table;
}

TKDCommonBufferGen::TKDCommonBufferGen(kelvra::TComponent* AOwner) : TKDCommonGen(AOwner) {
  InitDefaults(ClassRef);
}

void TKDCommonBufferGen::SetBufferSize(int32_t AValue) {
  GetLock()->Setter().SetterMin(FBufferSize, AValue, 1, {}, true);
}

void TKDCommonBufferGen::SetOnStart(TKDStartNotify AValue) {
  const auto section = GetLock()->EnterSection();
  if (section) FOnStart = std::move(AValue);
}

void TKDCommonBufferGen::IntStart() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  if (FOnStart) FOnStart(this, double(FBufferSize));
  TKDCommonGen::IntStart();
}

void TKDCommonBaseRealGen::IntPump() {
  const auto section = GetLock()->EnterSection();
  if (!section || FInStopping || !FEnabled) return;
  const TIntf<IKDRealBuffer> buffer = TKDRealBuffer::CreateSize(uint32_t(FBufferSize));
  bool send = true, stop = false;
  IntGenerate(buffer, send, stop);
  if (send) SubmitBuffer(buffer);
  if (stop) PostStop();
}

void TKDCommonBaseRealGen::GenerateFloat(double& AValue) {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  const TIntf<IKDRealBuffer> buffer = TKDRealBuffer::CreateValue(AValue, 1);
  bool send = true, stop = false;
  IntGenerate(buffer, send, stop);
  if (send) AValue = buffer->Read()[0];
  if (stop) StreamStop();
}

const kelvra::TPropertyTable& TKDCommonRealGen::Properties() {
  using T = TKDCommonRealGen;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>().Object("OutputPin", &T::FOutputPin);
  return table;
}

TKDCommonRealGen::TKDCommonRealGen(kelvra::TComponent* AOwner)
    : TKDCommonBaseRealGen(AOwner),
      FOutputPin(std::make_unique<TKDPNComboRealSourcePin>(
          pinweave::PinCustomOwnerSetter(this, "OutputPin"), GetLock(), OutputHandler())) {
  InitDefaults(ClassRef);
}

void TKDCommonRealGen::NotifyOutputPins(const TPNOperation& AOperation) {
  FOutputPin->Notify(AOperation);
}

void TKDCommonRealGen::SubmitBuffer(const TIntf<IKDRealBuffer>& ABuffer) {
  FOutputPin->SubmitBuffer(TIntf<IKDData>(ABuffer.get()));
}

void TKDCommonPinBufferGen::IntPump() {
  const auto section = GetLock()->EnterSection();
  if (!section || FInStopping || !FEnabled) return;
  bool send = true, stop = false;
  const TIntf<IKDData> buffer = FillBuffer(send, stop);
  if (send) NotifyOutputPins(TPNSuppliedBufferOperation::Create(buffer));
  if (stop) PostStop();
}

#define CORVANE_TYPED_GEN_PROPERTIES(Name)                                                 \
  const kelvra::TPropertyTable& Name::Properties() {                                       \
    static const kelvra::TPropertyTable table =                                            \
        kelvra::TPropertyTableBuilder<Name>().Object("OutputPin", &Name::FOutputPin);      \
    return table;                                                                          \
  }

CORVANE_TYPED_GEN_PROPERTIES(TKDCommonBlockGen)
CORVANE_TYPED_GEN_PROPERTIES(TKDCommonComplexGen)
CORVANE_TYPED_GEN_PROPERTIES(TKDCommonIntGen)

}  // namespace corvane
