#include "corvane/framework/KDCommonFilter.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "kelvra/Kelvra.Threading.MainThread.h"

namespace corvane {

using kelvra::TIntf;
using kelvra::TPropertyTable;
using kelvra::TPropertyTableBuilder;
using pinweave::OperationAs;

namespace {

// The buffer a supplied-buffer operation carries; empty for any other operation.
TIntf<IKDDataBuffer> SuppliedBuffer(const TPNOperation& AOperation) {
  const auto* supplied = OperationAs<TPNSuppliedBufferOperation>(AOperation);
  return supplied ? kelvra::Supports<IKDDataBuffer>(supplied->Value()) : nullptr;
}

bool IsOperation(const TPNOperation& AOperation, const kelvra::TClassRef& AClass) {
  return AOperation && AOperation->IsType(AClass);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Settings

void TKDThreadingQueue::SetSize(uint32_t AValue) {
  GetLock()->Setter().SetterMin(
      FSize, AValue, 1u, [this] { NotifyProp(); }, false);
}

void TKDThreading::SetPriority(kelvra::TThreadPriority AValue) {
  if (SetProperty(FPriority, AValue) && OnPriorityChanged) OnPriorityChanged();
}

TNotifyEvent TKDThreading::GetOnQueueFull() const {
  const auto section = GetLock()->EnterStopSection();
  return FOnQueueFull;
}

void TKDThreading::SetOnQueueFull(TNotifyEvent AValue) {
  const auto section = GetLock()->EnterStopSection();
  FOnQueueFull = std::move(AValue);
}

const TPropertyTable& TKDThreadingQueue::Properties() {
  using T = TKDThreadingQueue;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>()
          .Property("Size", &T::FSize, &T::SetSize, 15)
          .Property("FullMode", &T::FFullMode, &T::SetFullMode, fmBlock, kKDQueueFullModeNames);
  return table;
}

const TPropertyTable& TKDThreading::Properties() {
  using T = TKDThreading;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("Enabled", &T::FEnabled, &T::SetEnabled, false)
                                          .Property("Priority", &T::FPriority, &T::SetPriority,
                                                    kelvra::tpNormal, kThreadPriorityNames)
                                          .AutoManaged("Queue", &T::FQueue);
  return table;
}

// ---------------------------------------------------------------------------------------------
// The worker thread

TKDFilterThread::TKDFilterThread(TIntf<kelvra::IChangeNotifyLock> ALock, TKDThreading& AThreading,
                                 TOwnerNotify AOwnerNotify)
    : TBasicThread(nullptr, ""),
      FLock(std::move(ALock)),
      FOwnerNotify(std::move(AOwnerNotify)),
      FThreading(AThreading),
      FEvent(kelvra::TEvent::Create(kelvra::rmAutoReset, false)),
      FProcessedEvent(kelvra::TEvent::Create(kelvra::rmAutoReset, false)),
      FQueueEmptyEvent(kelvra::TEvent::Create(kelvra::rmManualReset, true)),
      FOperationQueue(TKDOperationList::Create()) {
  SetPriority(AThreading.GetPriority());
}

TKDFilterThread::~TKDFilterThread() {
  kelvra::RemoveMainThreadExecutes(this);
}

TIntf<IKDFilterThread> TKDFilterThread::Create(TIntf<kelvra::IChangeNotifyLock> ALock,
                                               TKDThreading& AThreading,
                                               TOwnerNotify AOwnerNotify) {
  TIntf<TKDFilterThread> thread =
      new TKDFilterThread(std::move(ALock), AThreading, std::move(AOwnerNotify));
  thread->Start();
  return thread;
}

void TKDFilterThread::Terminate() {
  TBasicThread::Terminate();
  FEvent->SetEvent();
  FProcessedEvent->SetEvent();
  if (FStarted.load(std::memory_order_acquire) && GetThreadId() != GetCurrentThreadId())
    WaitFor(kelvra::kInfinite);
}

void TKDFilterThread::FlushQueue() {
  const auto section = FLock->EnterStopSection();
  FOperationQueue->Clear();
}

void TKDFilterThread::PushOperation(const TPNOperation& AOperation) {
  if (IsTerminated()) return;
  FQueueEmptyEvent->ResetEvent();
  TKDThreadingQueue& queue = *FThreading.GetQueue();
  while (FOperationQueue->ItemsCount() >= int32_t(queue.GetSize())) {
    if (IsTerminated()) return;
    if (TNotifyEvent onQueueFull = FThreading.GetOnQueueFull())
      kelvra::MainThreadExecute(
          this, false, [this, onQueueFull] { onQueueFull(this); }, false);
    if (queue.GetFullMode() == fmDropData) return;
    FLock->ExecuteReleased([this] { FProcessedEvent->WaitFor(kelvra::kInfinite); });
  }
  FOperationQueue->Push(AOperation, false);
  FEvent->SetEvent();
}

// A worker that has emptied its queue keeps looking for the next operation for a short while
// before it sleeps: waking a sleeping thread takes microseconds (more on a virtual machine, whose
// idle processor is halted), which a flow of buffers would pay at every hop. Each look yields the
// processor, so that runnable threads (the producer, the other workers) are not kept from it.
void TKDFilterThread::AwaitOperation() {
  constexpr auto kLookBeforeSleep = std::chrono::microseconds(50);
  const auto until = std::chrono::steady_clock::now() + kLookBeforeSleep;
  while (FOperationQueue->ItemsCount() == 0 && !IsTerminated() &&
         std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
  FEvent->WaitFor(kelvra::kInfinite);  // returns at once when an operation or the end came
}

void TKDFilterThread::ExecuteLoop() {
  FStarted.store(true, std::memory_order_release);
  AwaitOperation();
  TPNOperation operation;
  try {
    while (!IsTerminated() && FOperationQueue->Pop(operation)) {
      FOwnerNotify(operation);
      operation = nullptr;
      if (FOperationQueue->ItemsCount() <= int32_t(FThreading.GetQueue()->GetSize()))
        FProcessedEvent->SetEvent();
    }
  } catch (...) {
    // A failing filter ends its worker (the thread keeps the exception). It is marked terminated
    // before the producer waiting for room is woken, so that the producer sees it and drops its
    // operation instead of waiting for a worker that is gone.
    TBasicThread::Terminate();
    FProcessedEvent->SetEvent();
    FQueueEmptyEvent->SetEvent();
    throw;
  }
  FQueueEmptyEvent->SetEvent();
}

// ---------------------------------------------------------------------------------------------
// TKDBasicTypedThreadedFilter

template <class TThread>
TKDBasicTypedThreadedFilter<TThread>::TKDBasicTypedThreadedFilter(kelvra::TComponent* AOwner)
    : TRQInputOutputLockComponent(AOwner),
      FThreading(std::make_unique<TKDThreading>(this, FInputLock, [this] { NotifyProp(); })) {
  FThreading->OnPriorityChanged = [this] { ApplyPriority(); };
}

template <class TThread>
bool TKDBasicTypedThreadedFilter<TThread>::HasWorker() {
  return bool(CurrentWorker());
}

template <class TThread>
TIntf<TThread> TKDBasicTypedThreadedFilter<TThread>::CurrentWorker() {
  if (!hasWorker_.load(std::memory_order_acquire)) return nullptr;
  std::lock_guard guard(workerLock_);
  return FFilterThread;
}

template <class TThread>
void TKDBasicTypedThreadedFilter<TThread>::BeforeDestruction() {
  if (TIntf<TThread> worker = CurrentWorker()) worker->Terminate();
  TRQInputOutputLockComponent::BeforeDestruction();
}

template <class TThread>
void TKDBasicTypedThreadedFilter<TThread>::ApplyPriority() {
  const auto section = GetLock()->EnterSection();
  if (TIntf<TThread> worker = CurrentWorker()) worker->SetPriority(FThreading->GetPriority());
}

template <class TThread>
void TKDBasicTypedThreadedFilter<TThread>::FilterPump(const TPNOperation& AOperation) {
  const auto section = FOutputLock->EnterSection();
  if (section) IntSingleOperation(AOperation);
}

template <class TThread>
TPNNotifyResult TKDBasicTypedThreadedFilter<TThread>::IntSingleOperation(
    const TPNOperation& AOperation) {
  const TIntf<IKDDataBuffer> input = SuppliedBuffer(AOperation);
  return input ? IntSingleBufferOperation(input) : TPNNotifyResult{};
}

template <class TThread>
TPNNotifyResult TKDBasicTypedThreadedFilter<TThread>::IntSingleBufferOperation(
    const TIntf<IKDDataBuffer>&) {
  return {};
}

template <class TThread>
TPNNotifyResult TKDBasicTypedThreadedFilter<TThread>::BufferOperation(
    const TPNOperation& AOperation, TPNNotifyState) {
  const auto section = FOutputLock->EnterSection();
  if (!section || !IsEnabled()) return {};
  if (TIntf<TThread> worker = CurrentWorker()) {
    worker->PushOperation(AOperation);
    return {};
  }
  return IntSingleOperation(AOperation);
}

template <class TThread>
void TKDBasicTypedThreadedFilter<TThread>::StreamStart() {
  const auto section = GetLock()->EnterSection();
  FRunning = true;
  if (FThreading->GetEnabled() && !CurrentWorker()) {
    TIntf<TThread> worker = CreateProcessingThread();
    std::lock_guard guard(workerLock_);
    FFilterThread = std::move(worker);
    hasWorker_.store(true, std::memory_order_release);
  }
}

template <class TThread>
void TKDBasicTypedThreadedFilter<TThread>::StreamStop() {
  TIntf<TThread> worker;
  {
    const auto section = GetLock()->EnterStopSection();
    std::lock_guard guard(workerLock_);
    worker = std::move(FFilterThread);
    hasWorker_.store(false, std::memory_order_relaxed);
    FRunning = false;
  }
  // The last reference goes here, outside the lock: its release ends the worker and waits for it.
}

template <class TThread>
TIntf<TThread> TKDBasicTypedThreadedFilter<TThread>::CreateProcessingThread() {
  return TKDFilterThread::Create(
      GetLock(), *FThreading, [this](const TPNOperation& AOperation) { FilterPump(AOperation); });
}

template <class TThread>
TPNNotifyResult TKDBasicTypedThreadedFilter<TThread>::SinkDispatch(pinweave::TPNPin*,
                                                                   pinweave::TPNPin*,
                                                                   const kelvra::TGUID&,
                                                                   const TPNOperation& AOperation,
                                                                   TPNNotifyState AState) {
  if (IsOperation(AOperation, TPNSuppliedBufferOperation::ClassRef))
    return BufferOperation(AOperation, AState);
  if (IsOperation(AOperation, TPNStartSampleRateOperation::ClassRef))
    StreamStart();
  else if (IsOperation(AOperation, pinweave::TPNStopOperation::ClassRef))
    StreamStop();
  return OutputPinsNotify(AOperation);
}

template <class TThread>
TPNNotifyResult TKDBasicTypedThreadedFilter<TThread>::OutputPinsNotify(
    const TPNOperation& AOperation) {
  TKDPNSourcePin* pin = GetOutputPin();
  if (ComponentState().Contains(kelvra::csDestroying) || !pin) return {};
  return pin->Notify(AOperation);
}

template <class TThread>
TPNBasicPinNotificationEvent TKDBasicTypedThreadedFilter<TThread>::SinkHandler() {
  return [this](pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin, const kelvra::TGUID& AType,
                const TPNOperation& AOperation, TPNNotifyState AState) {
    return SinkDispatch(APin, AOtherPin, AType, AOperation, AState);
  };
}

template <class TThread>
void TKDBasicTypedThreadedEnableFilter<TThread>::SetEnabled(bool AValue) {
  if (this->GetLock()->Setter().Set(FEnabled, AValue, {}, true)) this->EnabledChanged();
}

// ---------------------------------------------------------------------------------------------
// TKDBasicCommonFilter, TKDCommonFilter

TKDBasicCommonFilter::TKDBasicCommonFilter(kelvra::TComponent* AOwner)
    : TKDBasicTypedThreadedEnableFilter(AOwner) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TKDBasicCommonFilter::Properties() {
  using T = TKDBasicCommonFilter;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("Enabled", &T::FEnabled, &T::SetEnabled, true)
                                          .Object("Threading", &T::FThreading);
  return table;
}

TPNNotifyResult TKDBasicCommonFilter::IntSingleBufferOperation(const TIntf<IKDDataBuffer>& AInput) {
  return IntBufferOperation(AInput, AInput->MakeCopy());
}

TPNNotifyResult TKDBasicCommonFilter::BufferOperation(const TPNOperation& AOperation,
                                                      TPNNotifyState AState) {
  if (TIntf<IKDFilterThread> worker = CurrentWorker()) {
    worker->PushOperation(AOperation);
    return {};
  }
  const TIntf<IKDDataBuffer> input = SuppliedBuffer(AOperation);
  if (!input) return {};
  const TIntf<IKDData> output = input->MakeCopy();
  if (AState.Contains(pinweave::nsLastReceiver) && CanInline())
    TKDGenericBuffer::BufferOf(output).RemoveOwnerShip();
  const auto section = FOutputLock->EnterSection();
  return section ? IntBufferOperation(input, output) : TPNNotifyResult{};
}

TPNNotifyResult TKDBasicCommonFilter::IntBufferOperation(const TIntf<IKDDataBuffer>&,
                                                         const TIntf<IKDData>&) {
  return {};
}

TKDCommonFilter::TKDCommonFilter(kelvra::TComponent* AOwner) : TKDBasicCommonFilter(AOwner) {}

void TKDCommonFilter::SetSampleRate(double ARate) {
  GetLock()->Setter().Set(FSampleRate, ARate, {}, false);
}

TPNNotifyResult TKDCommonFilter::SinkDispatch(pinweave::TPNPin* ASender,
                                              pinweave::TPNPin* AOtherPin,
                                              const kelvra::TGUID& AType,
                                              const TPNOperation& AOperation,
                                              TPNNotifyState AState) {
  if (const auto* start = OperationAs<TPNStartSampleRateOperation>(AOperation))
    SetSampleRate(start->SampleRate);
  return TKDBasicCommonFilter::SinkDispatch(ASender, AOtherPin, AType, AOperation, AState);
}

void TKDCommonFilter::StreamStop() {
  TKDBasicCommonFilter::StreamStop();
  const auto section = GetLock()->EnterStopSection();
  FSampleRate = 0;
}

// ---------------------------------------------------------------------------------------------
// The typed filters

template <class TKind>
TKDCommonTypedFilter<TKind>::TKDCommonTypedFilter(kelvra::TComponent* AOwner)
    : TKDCommonFilter(AOwner),
      FOutputPin(std::make_unique<typename TKind::SourcePin>(
          pinweave::PinCustomOwnerSetter(this, "OutputPin"), FOutputLock,
          [this](pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin, const kelvra::TGUID& AType,
                 const TPNOperation& AOperation, TPNNotifyState AState) {
            return SourceDispatch(APin, AOtherPin, AType, AOperation, AState);
          })),
      FInputPin(std::make_unique<typename TKind::SinkPin>(
          pinweave::PinCustomOwnerSetter(this, "InputPin"), FInputLock, SinkHandler())) {}

template <class TKind>
void TKDCommonTypedFilter<TKind>::BeforeDestruction() {
  for (pinweave::TPNPin* source : FInputPin->SourcePins())
    pinweave::Disconnect(*source, *FInputPin);
  TKDCommonFilter::BeforeDestruction();
}

template <class TKind>
const TPropertyTable& TKDCommonTypedFilter<TKind>::Properties() {
  using T = TKDCommonTypedFilter<TKind>;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Object("OutputPin", &T::FOutputPin)
                                          .Object("InputPin", &T::FInputPin);
  return table;
}

template <class TKind>
TPNNotifyResult TKDCommonTypedFilter<TKind>::SourceDispatch(pinweave::TPNPin* ASender,
                                                            pinweave::TPNPin* AOtherPin,
                                                            const kelvra::TGUID& AType,
                                                            const TPNOperation& AOperation,
                                                            TPNNotifyState AState) {
  if (FInputPin->IsConnected()) return FInputPin->Notify(AOperation);
  if (IsOperation(AOperation, pinweave::TPNQueryStreamOperation::ClassRef))
    return FOutputPin->Notify(
        pinweave::TPNNotifyOperation::Create(pinweave::TPNIgnoreStreamOperation::ClassRef));
  return SinkDispatch(ASender, AOtherPin, AType, AOperation, AState);
}

template <class TKind>
void TKDCommonTypedFilter<TKind>::InternalOperation(const TBuffer& AInput, const TBuffer& AOutput,
                                                    bool AConnected, bool& ASend) {
  if (AConnected) FilterInternalOperation(AInput, AOutput, ASend);
}

template <class TKind>
void TKDCommonTypedFilter<TKind>::FilterInternalOperation(const TBuffer&, const TBuffer&, bool&) {}

template <class TKind>
TPNNotifyResult TKDCommonTypedFilter<TKind>::IntBufferOperation(const TIntf<IKDDataBuffer>& AInput,
                                                                const TIntf<IKDData>& AOutput) {
  const TBuffer output = KDBufferAs<typename TKind::Buffer>(AOutput);
  bool send = true;
  if (FEnabled)
    InternalOperation(KDBufferAs<typename TKind::Buffer>(AInput), output, FOutputPin->IsConnected(),
                      send);
  else
    output->Assign(AInput);
  return send ? FOutputPin->SubmitBuffer(AOutput) : TPNNotifyResult{};
}

TPNNotifyResult TKDCommonRealFilter::SinkDispatch(pinweave::TPNPin* ASender,
                                                  pinweave::TPNPin* AOtherPin,
                                                  const kelvra::TGUID& AType,
                                                  const TPNOperation& AOperation,
                                                  TPNNotifyState AState) {
  // Buffers, by far the most frequent, are none of the operations this filter adds, and the
  // bases' dispatch hands them straight to the buffer path.
  if (IsOperation(AOperation, TPNSuppliedBufferOperation::ClassRef))
    return BufferOperation(AOperation, AState);
  double value;
  if (const auto* single = OperationAs<pinweave::TPNTypedSuppliedOperation<float>>(AOperation))
    value = single->Value();
  else if (const auto* real = OperationAs<pinweave::TPNTypedSuppliedOperation<double>>(AOperation))
    value = real->Value();
  else if (IsOperation(AOperation, pinweave::TPNStartOperation::ClassRef) &&
           !IsOperation(AOperation, TPNStartSampleRateOperation::ClassRef)) {
    StreamStart();
    return OutputPinsNotify(AOperation);
  } else {
    return TKDCommonTypedFilter::SinkDispatch(ASender, AOtherPin, AType, AOperation, AState);
  }
  double result = value;
  bool send = true;
  {
    const auto section = FOutputLock->EnterSection();
    if (!section) return {};
    InternalFloatOperation(value, result, send);
  }
  return send ? FOutputPin->SubmitFloat(float(result)) : OutputPinsNotify(AOperation);
}

void TKDCommonRealFilter::InternalFloatOperation(double AValue, double& AResult, bool& ASend) {
  if (!FEnabled) {
    AResult = AValue;
    return;
  }
  const TBuffer output = TKDRealBuffer::CreateValue(AValue, 1);
  InternalOperation(TKDRealBuffer::CreateValue(AValue, 1), output, FOutputPin->IsConnected(),
                    ASend);
  AResult = output->GetItem(0);
}

// ---------------------------------------------------------------------------------------------
// Frequency response and the taps filter

void TKDFilterFrequencyResponse::SetTaps(std::span<const double> ATaps) {
  const auto section = GetLock()->EnterStopSection();
  FTaps.assign(ATaps.begin(), ATaps.end());
}

void TKDFilterFrequencyResponse::Clear() {
  const auto section = GetLock()->EnterStopSection();
  FTaps.clear();
}

template <class F>
void TKDFilterFrequencyResponse::Evaluate(double* AValues, uint32_t ACount, F AValue) {
  const auto section = GetLock()->EnterSection();
  if (!section) return;
  const uint32_t points = ACount + 1;
  const double step = std::numbers::pi / points;
  for (uint32_t i = 0; i < points; ++i) {
    const double w = i == 0 ? std::numbers::pi / 10000 : i * step;
    double c = 0, s = 0;
    for (size_t k = 0; k < FTaps.size(); ++k) {
      c += FTaps[k] * std::cos(double(k) * w);
      s += FTaps[k] * std::sin(double(k) * w);
    }
    AValues[i] = AValue(c, s);
  }
}

void TKDFilterFrequencyResponse::GetMagnitudes(double* AValues, uint32_t ACount) {
  Evaluate(AValues, ACount, [](double c, double s) { return c * c + s * s; });
}

void TKDFilterFrequencyResponse::GetPhases(double* AValues, uint32_t ACount) {
  Evaluate(AValues, ACount, [](double c, double s) { return std::atan(s / (1 - c)); });
}

TKDCommonTapsFilter::TKDCommonTapsFilter(kelvra::TComponent* AOwner)
    : TKDCommonRealFilter(AOwner),
      FFrequencyResponse(
          std::make_unique<TKDFilterFrequencyResponse>(this, GetLock(), kelvra::TProcedure())) {}

void TKDCommonTapsFilter::SetSampleRate(double ARate) {
  TKDCommonRealFilter::SetSampleRate(ARate);
  Init();
}

void TKDCommonTapsFilter::SetSampleRateProp(double ARate) {
  if (GetLock()->Setter().Set(FSampleRate, ARate, {}, false)) Init();
}

void TKDCommonTapsFilter::IntInit(std::span<const double> ATaps) {
  FFrequencyResponse->SetTaps(ATaps);
}

// ---------------------------------------------------------------------------------------------
// TKDBasicEnableFilter

TKDBasicEnableFilter::TKDBasicEnableFilter(kelvra::TComponent* AOwner) : TLockComponent(AOwner) {
  InitDefaults(ClassRef);
}

const TPropertyTable& TKDBasicEnableFilter::Properties() {
  using T = TKDBasicEnableFilter;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().Property("Enabled", &T::FEnabled, &T::SetEnabled, true);
  return table;
}

void TKDBasicEnableFilter::SetEnabled(bool AValue) {
  {
    const auto section = AValue ? GetLock()->EnterSection() : GetLock()->EnterStopSection();
    FEnabled = AValue;
  }
  EnabledChanged();
}

// ---------------------------------------------------------------------------------------------

template class TKDBasicTypedThreadedFilter<IKDFilterThread>;
template class TKDBasicTypedThreadedEnableFilter<IKDFilterThread>;
template class TKDCommonTypedFilter<TKDRealFilterKind>;
template class TKDCommonTypedFilter<TKDComplexFilterKind>;
template class TKDCommonTypedFilter<TKDIntegerFilterKind>;
template class TKDCommonTypedFilter<TKDBinaryFilterKind>;

namespace {
// Not offered to place (they are bases), but made by name when a component tree names them.
constexpr const kelvra::TClassRef* kFilterClasses[] = {
    &TKDCommonRealFilter::ClassRef,    &TKDCommonComplexFilter::ClassRef,
    &TKDCommonIntegerFilter::ClassRef, &TKDCommonBinaryFilter::ClassRef,
    &TKDCommonTapsFilter::ClassRef,    &TKDBasicEnableFilter::ClassRef};
}  // namespace

void StartKDCommonFilter() {
  kelvra::TClassManagement::RegisterClasses(kFilterClasses);
}

void FinishKDCommonFilter() {
  kelvra::TClassManagement::UnregisterClasses(kFilterClasses);
}

}  // namespace corvane
