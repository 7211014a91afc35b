#include "corvane/streams/KDMultiInput.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace corvane {

using kelvra::TIntf;
using kelvra::TPropertyTable;
using kelvra::TPropertyTableBuilder;
using pinweave::OperationAs;
using pinweave::TPNPin;

// ---------------------------------------------------------------------------------------------
// The queue

template <class T>
void TKDPNQueuedPinImpl<T>::StartRate(double ARate) {
  FRate = ARate;
  FRunning = true;
  FStopping = FDelayed = FIgnored = false;
}

template <class T>
void TKDPNQueuedPinImpl<T>::AddBuffer(const TIntf<IKDDataBuffer>& ABuffer) {
  if constexpr (std::is_same_v<T, IKDDataBuffer>)
    FBufferQueue.Push(ABuffer);
  else
    FBufferQueue.Push(KDBufferAs<typename TKDQueuedBufferClass<T>::Type>(ABuffer));
}

template <class T>
void TKDPNQueuedPinImpl<T>::Stop() {
  FDelayed = FIgnored = true;
  FStopping = false;
}

template <class T>
void TKDPNQueuedPinImpl<T>::StopFull() {
  Stop();
  FRunning = false;
}

template <class T>
void TKDPNQueuedPinImpl<T>::ClearStopping() {
  FStopping = FDelayed = FIgnored = false;
  ClearBuffers();
}

template <class T>
uint32_t TKDPNQueuedPinImpl<T>::CalculateSampleCount(int32_t ACount, float ARate) {
  // A rate of 0 (no output rate yet) or a negative count needs nothing.
  const double needed = std::nearbyint(FRate * double(ACount) / double(ARate));
  FNeddedSamples = std::isfinite(needed) && needed > 0
                       ? uint32_t(std::min(needed, double(std::numeric_limits<uint32_t>::max())))
                       : 0;
  return FNeddedSamples;
}

template <class T>
uint32_t TKDPNQueuedPinImpl<T>::GetSizeForRate(float ARate) {
  return CalculateSampleCount(int32_t(std::min<uint32_t>(GetCollectedSamples(), INT32_MAX)), ARate);
}

template <class T>
uint32_t TKDPNQueuedPinImpl<T>::GetFirstBufferSizeForRate(float ARate) {
  return CalculateSampleCount(int32_t(std::min<uint32_t>(GetFirstBufferSize(), INT32_MAX)), ARate);
}

template class TKDPNQueuedPinImpl<IKDRealBuffer>;
template class TKDPNQueuedPinImpl<IKDComplexBuffer>;
template class TKDPNQueuedPinImpl<IKDIntegerBuffer>;
template class TKDPNQueuedPinImpl<IKDDataBuffer>;

template <class TBase, class T>
bool TKDPNQueuedSinkPin<TBase, T>::QueryInterface(const kelvra::TGUID& iid, void** out) {
  if (iid == IPNKDQueuedPin::IID) {
    FQueueIntf->_AddRef();
    *out = FQueueIntf.get();
    return true;
  }
  return TBase::QueryInterface(iid, out);
}

template class TKDPNQueuedSinkPin<TKDPNRealSinkPin, IKDRealBuffer>;
template class TKDPNQueuedSinkPin<TKDPNComplexSinkPin, IKDComplexBuffer>;
template class TKDPNQueuedSinkPin<TKDPNIntegerSinkPin, IKDIntegerBuffer>;
template class TKDPNQueuedSinkPin<TKDPNComboRealIntSinkPin, IKDDataBuffer>;
template class TKDPNQueuedSinkPin<TKDPNIntegerRealComplexSinkPin, IKDDataBuffer>;
template class TKDPNQueuedSinkPin<TKDPNComboRealIntComplexBoolPairedSinkPin, IKDDataBuffer>;

namespace {

// A stretched buffer of ASize samples of the kind AType names, from AQueue; empty for a kind
// that is not real, integer or (with AComplex) complex.
TIntf<IKDDataBuffer> StretchOfKind(TKDPNQueuedPinImpl<IKDDataBuffer>& AQueue,
                                   const kelvra::TGUID& AType, uint32_t ASize, bool AComplex) {
  const double stepNumerator = double(AQueue.GetNeededSamples()) - 1;
  auto load = [&]<class TBufferClass>() {
    const typename TBufferClass::TBuffer buffer = TBufferClass::CreateSize(ASize);
    AQueue.StretchLoad<TBufferClass>(buffer, stepNumerator);
    return TIntf<IKDDataBuffer>(buffer);
  };
  if (AType == IPNKDRealStream::IID) return load.template operator()<TKDRealBuffer>();
  if (AType == IPNKDIntegerStream::IID) return load.template operator()<TKDIntegerBuffer>();
  if (AComplex && AType == IPNKDComplexStream::IID)
    return load.template operator()<TKDComplexBuffer>();
  return nullptr;
}

}  // namespace

TIntf<IKDDataBuffer> TKDPNQueuedIntegerRealSinkPin::StretchLoadBufferSize(uint32_t ASize) {
  if (FQueue->GetNeededSamples() == 0) return TKDRealBuffer::CreateSize(ASize);
  return StretchOfKind(*FQueue, GetConnectedID(), ASize, false);
}

TIntf<IKDDataBuffer> TKDPNQueuedIntegerRealComplexSinkPin::StretchLoadBufferSize(uint32_t ASize) {
  return StretchOfKind(*FQueue, GetConnectedID(), ASize, true);
}

const TPropertyTable& TKDOutputBufferSize::Properties() {
  using T = TKDOutputBufferSize;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>()
          .Property("Size", &T::FSize, &T::SetSize, 1024)
          .Property("AutoSize", &T::FAutoSize, &T::SetAutoSize, true);
  return table;
}

// ---------------------------------------------------------------------------------------------
// The multi-input component

namespace {

TIntf<IPNKDQueuedPin> QueueOf(TPNPin* APin) {
  return kelvra::Supports<IPNKDQueuedPin>(static_cast<pinweave::IPNStream*>(APin));
}

bool IsOperation(const TPNOperation& AOperation, const kelvra::TClassRef& AClass) {
  return AOperation && AOperation->IsType(AClass);
}

}  // namespace

TKDMultiInput::TKDMultiInput(kelvra::TComponent* AOwner) : TLockComponent(AOwner) {
  InitDefaults(ClassRef);
}

TKDMultiInput::~TKDMultiInput() = default;

const TPropertyTable& TKDMultiInput::Properties() {
  using T = TKDMultiInput;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().AutoManaged("OutputBuffer", &T::FOutputBuffer);
  return table;
}

void TKDMultiInput::BeforeDestruction() {
  // The deliveries under way end while the component is whole.
  for (TPNPin* pin : FAllInputPins)
    for (TPNPin* source : static_cast<pinweave::TPNSinkPin*>(pin)->SourcePins())
      pinweave::Disconnect(*source, *pin);
  FAllInputPins.Clear();
  TLockComponent::BeforeDestruction();
}

TPNNotifyResult TKDMultiInput::SinkDispatch(TPNPin* APin, TPNPin*, const kelvra::TGUID&,
                                            const TPNOperation& AOperation, TPNNotifyState) {
  const TIntf<IPNKDQueuedPin> queue = QueueOf(APin);
  if (!queue) return {};
  if (const auto* start = OperationAs<TPNStartSampleRateOperation>(AOperation)) {
    queue->StartRate(start->SampleRate);
    CalculateRate();
  } else if (IsOperation(AOperation, pinweave::TPNStopOperation::ClassRef)) {
    GetStopOnNoStreams() ? queue->StopFull() : queue->Stop();
    AttemptStop();
  } else if (IsOperation(AOperation, pinweave::TPNStartPumpOperation::ClassRef)) {
    const auto section = GetLock()->EnterSection();
    if (section && !FRunning) FPumpStarted = true;
  } else if (IsOperation(AOperation, pinweave::TPNIgnoreStreamOperation::ClassRef)) {
    queue->SetIsIgnored(true);
  } else if (const auto* supplied = OperationAs<TPNSuppliedBufferOperation>(AOperation)) {
    if (const auto buffer = kelvra::Supports<IKDDataBuffer>(supplied->Value())) {
      queue->AddBuffer(buffer);
      TrySend();
    }
  } else if (!IsOperation(AOperation, pinweave::TPNPumpRequestOperation::ClassRef)) {
    TKDPNSourcePin* output = GetOutputPin();
    return output ? output->Notify(AOperation) : TPNNotifyResult{};
  }
  return {};
}

TPNNotifyResult TKDMultiInput::SourceDispatch(TPNPin*, TPNPin*, const kelvra::TGUID&,
                                              const TPNOperation&, TPNNotifyState) {
  return {};
}

void TKDMultiInput::Stop() {
  FRunning = false;
}

void TKDMultiInput::CalculateRateInt() {
  const auto section = GetLock()->EnterSection();
  if (!FRateCalculated) {
    FCalculatedRate = 0;
    for (TPNPin* pin : FAllInputPins)
      if (const auto queue = QueueOf(pin); pin->IsConnected() && queue->IsRunning())
        FCalculatedRate = std::max(FCalculatedRate, queue->GetRate());
    FRateCalculated = true;
  }
  SetSampleRates();
}

void TKDMultiInput::CalculateRate() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  if (FRunning) {
    SetSampleRates();
    return;
  }
  CalculateRateInt();
  FCalculatedRate = std::nearbyint(FCalculatedRate);
  TKDPNSourcePin* output = GetOutputPin();
  output->Notify(TPNStartSampleRateOperation::Create(FCalculatedRate));
  FRunning = true;
  if (FPumpStarted) output->Notify(pinweave::TPNPumpRequestOperation::Create());
  FPumpStarted = false;
}

void TKDMultiInput::SetSampleRates() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  for (TPNPin* pin : FAllInputPins) {
    const auto queue = QueueOf(pin);
    if (pin->IsConnected() && queue->IsRunning())
      queue->CalculateSampleCount(FOutputBuffer->GetSize(), float(FCalculatedRate));
    else
      queue->SetIsDelayed(true);
  }
}

void TKDMultiInput::TrySend() {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  const float rate = float(FCalculatedRate);
  uint32_t size = 0;
  if (FOutputBuffer->GetAutoSize()) {
    bool first = true;
    for (TPNPin* pin : FAllInputPins)
      if (const auto queue = QueueOf(pin); pin->IsConnected() && queue->IsRunning()) {
        const uint32_t candidate = queue->GetFirstBufferSizeForRate(rate);
        size = first ? candidate : std::min(size, candidate);
        first = false;
      }
  } else {
    size = uint32_t(std::max(FOutputBuffer->GetSize(), 0));
  }
  AdjustBufferSiize(size);
  if (size > 0)
    for (TPNPin* pin : FAllInputPins)
      QueueOf(pin)->CalculateSampleCount(int32_t(std::min<uint32_t>(size, INT32_MAX)), rate);
  for (TPNPin* pin : FAllInputPins) {
    if (!pin->IsConnected()) continue;
    const auto queue = QueueOf(pin);
    if (!queue->IsRunning()) {
      if (queue->IsIgnored() || queue->IsDelayed()) continue;
      return;
    }
    if (!queue->IsReady()) return;
  }
  if (size >= 1) CalculateSendOutput(size);
}

void TKDMultiInput::AttemptStop() {
  const auto section = GetLock()->EnterStopSection();
  if (std::ranges::none_of(FAllInputPins, [](TPNPin* pin) { return QueueOf(pin)->IsRunning(); }))
    Stop();
}

void TKDMultiInput::CalculateSendOutput(uint32_t) {}

void TKDMultiInput::AdjustBufferSiize(uint32_t&) {}

TPNPin* TKDMultiInput::AddInputPin(std::unique_ptr<TPNPin> APin, pinweave::TPNPinList& AList) {
  TPNPin* pin = ownedPins_.emplace_back(std::move(APin)).get();
  FAllInputPins.Add(pin);
  AList.Add(pin);
  return pin;
}

TPNPin* TKDMultiInput::QueuedPinCreateFunction(pinweave::TPNPinList& AList,
                                               const TPNOwnerSetter& AOwnerSetter) {
  return AddInputPin(
      std::make_unique<TKDPNQueuedRealSinkPin>(AOwnerSetter, GetLock(), SinkHandler()), AList);
}

void TKDMultiInput::QueuedPinDestroyFunction(pinweave::TPNPinList& AList, TPNPin* APin) {
  FAllInputPins.Remove(APin);
  AList.Remove(APin);
  std::erase_if(ownedPins_,
                [APin](const std::unique_ptr<TPNPin>& pin) { return pin.get() == APin; });
}

TPNBasicPinNotificationEvent TKDMultiInput::SinkHandler() {
  return [this](TPNPin* APin, TPNPin* AOtherPin, const kelvra::TGUID& AType,
                const TPNOperation& AOperation, TPNNotifyState AState) {
    return SinkDispatch(APin, AOtherPin, AType, AOperation, AState);
  };
}

TPNBasicPinNotificationEvent TKDMultiInput::SourceHandler() {
  return [this](TPNPin* APin, TPNPin* AOtherPin, const kelvra::TGUID& AType,
                const TPNOperation& AOperation, TPNNotifyState AState) {
    return SourceDispatch(APin, AOtherPin, AType, AOperation, AState);
  };
}

// ---------------------------------------------------------------------------------------------
// The typed forms

template <class TSourcePin, class TSinkPin>
TKDTypedMultiInput<TSourcePin, TSinkPin>::TKDTypedMultiInput(kelvra::TComponent* AOwner)
    : TKDMultiInput(AOwner),
      FOutputPin(std::make_unique<TSourcePin>(pinweave::PinCustomOwnerSetter(this, "OutputPin"),
                                              GetLock(), SourceHandler())) {}

template <class TSourcePin, class TSinkPin>
const TPropertyTable& TKDTypedMultiInput<TSourcePin, TSinkPin>::Properties() {
  using T = TKDTypedMultiInput<TSourcePin, TSinkPin>;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().Object("OutputPin", &T::FOutputPin);
  return table;
}

template <class TSourcePin, class TSinkPin>
TKDPNSourcePin* TKDTypedMultiInput<TSourcePin, TSinkPin>::GetOutputPin() {
  const auto section = GetLock()->EnterStopSection();
  return FOutputPin.get();
}

template <class TSourcePin, class TSinkPin>
void TKDTypedMultiInput<TSourcePin, TSinkPin>::Stop() {
  const auto section = GetLock()->EnterStopSection();
  if (!FRunning) return;
  FRunning = false;
  FRateCalculated = false;
  FOutputPin->Stop();
}

template <class TSourcePin, class TSinkPin>
TPNNotifyResult TKDTypedMultiInput<TSourcePin, TSinkPin>::SourceDispatch(
    TPNPin*, TPNPin*, const kelvra::TGUID&, const TPNOperation& AOperation, TPNNotifyState) {
  const auto section = GetLock()->EnterSection();
  if (!section) return {};
  TPNNotifyResult result;
  bool connected = false;
  for (TPNPin* pin : FAllInputPins)
    if (pin->IsConnected()) {
      connected = true;
      result = pin->Notify(AOperation);
    }
  if (connected) return result;
  if (IsOperation(AOperation, pinweave::TPNStartOperation::ClassRef))
    FOutputPin->Notify(pinweave::TPNPumpRequestOperation::Create());
  return FOutputPin->Notify(AOperation);
}

template <class TSourcePin, class TSinkPin>
TPNPin* TKDTypedMultiInput<TSourcePin, TSinkPin>::QueuedPinCreateFunction(
    pinweave::TPNPinList& AList, const TPNOwnerSetter& AOwnerSetter) {
  return AddInputPin(std::make_unique<TSinkPin>(AOwnerSetter, GetLock(), SinkHandler()), AList);
}

template class TKDTypedMultiInput<TKDPNRealSourcePin, TKDPNQueuedRealSinkPin>;
template class TKDTypedMultiInput<TKDPNComplexSourcePin, TKDPNQueuedComplexSinkPin>;

namespace {
// Not offered to place (their blocks are the derived component's), but made by name.
constexpr const kelvra::TClassRef* kMultiInputClasses[] = {&TKDRealMultiInput::ClassRef,
                                                           &TKDComplexMultiInput::ClassRef};
}  // namespace

void StartKDMultiInput() {
  kelvra::TClassManagement::RegisterClasses(kMultiInputClasses);
}

void FinishKDMultiInput() {
  kelvra::TClassManagement::UnregisterClasses(kMultiInputClasses);
}

}  // namespace corvane
