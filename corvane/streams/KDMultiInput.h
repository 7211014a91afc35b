// Components with several queued input pins and one output pin.
//
// Each input pin queues the buffers that arrive on it (TKDPNQueuedPinImpl, a TKDBufferQueue: a
// push past 1024000 queued samples drops the oldest buffer, so an input that runs ahead of the
// others loses its oldest data and its sender never waits). The component sends an output block
// only when every active input has queued the samples that cover the block's time span, and a
// derived component (CalculateSendOutput) then takes them from each input, stretched to the
// block's length when the input runs at another rate (StretchLoadBuffer, StretchLoadBufferSize).
//
// Rates. The output rate is fixed by the first start: the highest rate among the inputs started
// by then, rounded to a whole number (halves to even). An input that starts later keeps the
// output rate and needs its rate x block size / output rate samples per block (rounded); until
// its start arrives it is delayed and left out of the readiness test. The output stops, with one
// stop operation, when no input is running any more.
//
// Block size (OutputBuffer): Size samples, or with AutoSize (the default) the smallest first
// queued buffer among the running inputs, converted to the output rate.
//
// Threads: inputs may be fed from different threads. Queues lock themselves; the rate and run
// state of the component change under its lock, which every handler here takes. A rate of 0 (a
// buffer before any start) needs no samples, rather than dividing by zero.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

#include "corvane/buffers/KDVariantStorages.h"
#include "corvane/streams/KDStreamTypes.Pins.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane {

// The queue side of an input pin.
class IPNKDQueuedPin : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{AEE73535-9267-4CB2-ABF7-905245E0EB46}");
  // The input's stream started at ARate: running, no longer delayed, ignored or stopping.
  virtual void StartRate(double ARate) = 0;
  virtual void AddBuffer(const kelvra::TIntf<IKDDataBuffer>& ABuffer) = 0;
  // Stop: delayed and ignored. StopFull: also no longer running. ClearStopping: neither delayed,
  // ignored nor stopping, and the queue emptied.
  virtual void Stop() = 0;
  virtual void ClearStopping() = 0;
  virtual void StopFull() = 0;
  virtual bool IsRunning() = 0;
  // At least the needed samples are queued.
  virtual bool IsReady() = 0;
  virtual double GetRate() = 0;
  virtual void SetIsIgnored(bool AValue) = 0;
  virtual void SetIsDelayed(bool AValue) = 0;
  virtual bool IsIgnored() = 0;
  virtual bool IsDelayed() = 0;
  // False and true, always.
  virtual bool IsEnabled() = 0;
  virtual bool IsStartReady() = 0;
  // Sets and returns the samples needed for ACount samples at ARate: rate x ACount / ARate,
  // rounded (halves to even).
  virtual uint32_t CalculateSampleCount(int32_t ACount, float ARate) = 0;
  // The same for the queued samples, or for the first queued buffer's size.
  virtual uint32_t GetSizeForRate(float ARate) = 0;
  virtual uint32_t GetFirstBufferSizeForRate(float ARate) = 0;
};

// The queue of an input pin, of buffers of interface T.
template <class T>
class TKDPNQueuedPinImpl : public kelvra::TInterfacedObject, public virtual IPNKDQueuedPin {
 public:
  explicit TKDPNQueuedPinImpl(pinweave::TPNPin* APin) : FPin(APin) {}

  void StartRate(double ARate) override;
  void AddBuffer(const kelvra::TIntf<IKDDataBuffer>& ABuffer) override;
  void Stop() override;
  void ClearStopping() override;
  void StopFull() override;
  // A stop is pending while the input runs.
  void PrepareStop() { FStopping = FRunning.load(); }
  bool IsRunning() override { return FRunning; }
  bool IsStopping() { return FStopping; }
  bool IsReady() override { return GetCollectedSamples() >= FNeddedSamples; }
  double GetRate() override { return FRate; }
  void SetIsIgnored(bool AValue) override { FIgnored = AValue; }
  void SetIsDelayed(bool AValue) override { FDelayed = AValue; }
  bool IsIgnored() override { return FIgnored; }
  bool IsDelayed() override { return FDelayed; }
  bool IsEnabled() override { return false; }
  bool IsStartReady() override { return true; }
  bool IsActive() { return FIgnored; }
  uint32_t CalculateSampleCount(int32_t ACount, float ARate) override;
  uint32_t GetSizeForRate(float ARate) override;
  uint32_t GetFirstBufferSizeForRate(float ARate) override;

  uint32_t GetCollectedSamples() { return FBufferQueue.GetCollectedSamples(); }
  uint32_t GetFirstBufferSize() { return FBufferQueue.GetFirstBufferSize(); }
  kelvra::TIntf<T> GetFirstBuffer() { return FBufferQueue.GetFirstBuffer(); }
  void ClearBuffers() { FBufferQueue.Clear(); }
  uint32_t GetNeededSamples() const { return FNeddedSamples; }
  pinweave::TPNPin* GetPin() const { return FPin; }

  // Fills ADest with the needed samples stretched to its length (see the stretch loads below).
  // AStepNumerator is N - 1 or N: the step through the N popped samples is AStepNumerator / M.
  template <class TBufferClass>
  void StretchLoad(const typename TBufferClass::TBuffer& ADest, double AStepNumerator);

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDPNQueuedPinImpl, IPNKDQueuedPin>(this, iid, out);
  }

 private:
  pinweave::TPNPin* const FPin;  // not owned
  std::atomic<uint32_t> FNeddedSamples{0};
  TKDBufferQueue<T> FBufferQueue;
  std::atomic<bool> FRunning{false}, FDelayed{false}, FIgnored{false}, FStopping{false};
  std::atomic<double> FRate{0.0};
};

template <class T>
template <class TBufferClass>
void TKDPNQueuedPinImpl<T>::StretchLoad(const typename TBufferClass::TBuffer& ADest,
                                        double AStepNumerator) {
  using TItem = std::remove_pointer_t<decltype(ADest->Read())>;
  const uint32_t needed = FNeddedSamples, length = ADest->GetSize();
  if (needed == 0) {
    std::fill_n(ADest->Write(), length, TItem{});
    return;
  }
  if (length == needed) {
    FBufferQueue.Pop(ADest);
    return;
  }
  const typename TBufferClass::TBuffer popped = TBufferClass::CreateSize(needed);
  FBufferQueue.Pop(popped);
  const TItem* from = popped->Read();
  TItem* to = ADest->Write();
  const double step = AStepNumerator / length;
  double position = 0;
  for (uint32_t i = 0; i < length; ++i, position += step)
    to[i] = from[std::min(uint32_t(std::nearbyint(position)), needed - 1)];
}

extern template class TKDPNQueuedPinImpl<IKDRealBuffer>;
extern template class TKDPNQueuedPinImpl<IKDComplexBuffer>;
extern template class TKDPNQueuedPinImpl<IKDIntegerBuffer>;
extern template class TKDPNQueuedPinImpl<IKDDataBuffer>;

// An input pin of base TBase whose queue holds buffers of interface T; a query for
// IPNKDQueuedPin answers with the queue.
template <class TBase, class T>
class TKDPNQueuedSinkPin : public TBase {
 public:
  TKDPNQueuedSinkPin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                     TPNBasicPinNotificationEvent AOnNotification)
      : TBase(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
        FQueue(new TKDPNQueuedPinImpl<T>(this)),
        FQueueIntf(FQueue) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
  TKDPNQueuedPinImpl<T>& Queue() const { return *FQueue; }

 protected:
  const kelvra::TIntf<TKDPNQueuedPinImpl<T>> FQueue;
  const kelvra::TIntf<IPNKDQueuedPin> FQueueIntf;
};

// Stretch loading. N is the pin's needed samples, M the length wanted. N = 0 gives zeros; M = N
// pops N samples straight into the buffer; otherwise N samples are popped and sample i of the
// result is popped[min(round(p), N - 1)], p growing from 0 by (N - 1) / M (N / M for the integer
// pin). Too few queued samples pop nothing: the buffer keeps its contents (M = N), or the
// stretch is made of zeros.
#define CORVANE_QUEUED_TYPED_SINK(Name, Base, Intf, BufferClass, StepOffset) \
  class Name : public TKDPNQueuedSinkPin<Base, Intf> {                       \
   public:                                                                   \
    static const kelvra::TClassRef ClassRef;                                 \
    const kelvra::TClassRef& ClassType() const override { return ClassRef; } \
    using TKDPNQueuedSinkPin::TKDPNQueuedSinkPin;                            \
    void StretchLoadBuffer(kelvra::TIntf<Intf>& ABuffer) {                   \
      FQueue->template StretchLoad<BufferClass>(                             \
          ABuffer, double(FQueue->GetNeededSamples()) - (StepOffset));       \
    }                                                                        \
  };                                                                         \
  inline constexpr kelvra::TClassRef Name::ClassRef = kelvra::ClassRefOf<Name, Base>(#Name)

CORVANE_QUEUED_TYPED_SINK(TKDPNQueuedRealSinkPin, TKDPNRealSinkPin, IKDRealBuffer, TKDRealBuffer,
                          1);
CORVANE_QUEUED_TYPED_SINK(TKDPNQueuedComplexSinkPin, TKDPNComplexSinkPin, IKDComplexBuffer,
                          TKDComplexBuffer, 1);
CORVANE_QUEUED_TYPED_SINK(TKDPNQueuedIntegerSinkPin, TKDPNIntegerSinkPin, IKDIntegerBuffer,
                          TKDIntegerBuffer, 0);

// Real or integer inputs: StretchLoadBufferSize gives a buffer of the connected kind (a real one
// of zeros whenever nothing is needed); none for another kind.
class TKDPNQueuedIntegerRealSinkPin
    : public TKDPNQueuedSinkPin<TKDPNComboRealIntSinkPin, IKDDataBuffer> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TKDPNQueuedSinkPin::TKDPNQueuedSinkPin;
  kelvra::TIntf<IKDDataBuffer> StretchLoadBufferSize(uint32_t ASize);
};
inline constexpr kelvra::TClassRef TKDPNQueuedIntegerRealSinkPin::ClassRef =
    kelvra::ClassRefOf<TKDPNQueuedIntegerRealSinkPin, TKDPNComboRealIntSinkPin>(
        "TKDPNQueuedIntegerRealSinkPin");

// Integer, real or complex inputs: StretchLoadBufferSize gives a buffer of the connected kind,
// zeros of that kind when nothing is needed; none for another kind.
class TKDPNQueuedIntegerRealComplexSinkPin
    : public TKDPNQueuedSinkPin<TKDPNIntegerRealComplexSinkPin, IKDDataBuffer> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TKDPNQueuedSinkPin::TKDPNQueuedSinkPin;
  kelvra::TIntf<IKDDataBuffer> StretchLoadBufferSize(uint32_t ASize);
};
inline constexpr kelvra::TClassRef TKDPNQueuedIntegerRealComplexSinkPin::ClassRef =
    kelvra::ClassRefOf<TKDPNQueuedIntegerRealComplexSinkPin, TKDPNIntegerRealComplexSinkPin>(
        "TKDPNQueuedIntegerRealComplexSinkPin");

class TKDPNComboRealIntComplexBoolPairedQueuedSinkPin
    : public TKDPNQueuedSinkPin<TKDPNComboRealIntComplexBoolPairedSinkPin, IKDDataBuffer> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TKDPNQueuedSinkPin::TKDPNQueuedSinkPin;
};
inline constexpr kelvra::TClassRef TKDPNComboRealIntComplexBoolPairedQueuedSinkPin::ClassRef =
    kelvra::ClassRefOf<TKDPNComboRealIntComplexBoolPairedQueuedSinkPin,
                       TKDPNComboRealIntComplexBoolPairedSinkPin>(
        "TKDPNComboRealIntComplexBoolPairedQueuedSinkPin");

// The output block's size.
class TKDOutputBufferSize : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TKDOutputBufferSize(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                      kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  int32_t GetSize() const { return FSize; }
  void SetSize(int32_t AValue) { SetProperty(FSize, AValue); }
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool AValue) { SetProperty(FAutoSize, AValue); }

 private:
  int32_t FSize{};
  bool FAutoSize{};
};
inline constexpr kelvra::TClassRef TKDOutputBufferSize::ClassRef =
    kelvra::ClassRefOf<TKDOutputBufferSize, kelvra::TLockPersistent>(
        "TKDOutputBufferSize", {.Properties = &TKDOutputBufferSize::Properties});

// The multi-input component (see the top of this header). It owns the input pins made by
// QueuedPinCreateFunction until QueuedPinDestroyFunction or its end.
class TKDMultiInput : public kelvra::TLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDMultiInput(kelvra::TComponent* AOwner);
  ~TKDMultiInput() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TKDOutputBufferSize* GetOutputBuffer() const { return FOutputBuffer.get(); }
  double GetCalculatedRate() const { return FCalculatedRate; }
  bool IsRunning() const { return FRunning; }
  const pinweave::TPNPinList& GetAllInputPins() const { return FAllInputPins; }
  // Disconnects the input pins and clears their list, then the inherited step.
  void BeforeDestruction() override;

  // The handler of every input pin.
  virtual TPNNotifyResult SinkDispatch(pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin,
                                       const kelvra::TGUID& AType, const TPNOperation& AOperation,
                                       TPNNotifyState AState);
  // The handler of the output pin: nothing here.
  virtual TPNNotifyResult SourceDispatch(pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin,
                                         const kelvra::TGUID& AType, const TPNOperation& AOperation,
                                         TPNNotifyState AState);
  virtual bool GetStopOnNoStreams() { return true; }
  virtual void Stop();
  // Sends a block when every active input is ready; under the lock.
  virtual void TrySend();
  // Fixes the output rate at the first start and starts the output; under the lock.
  virtual void CalculateRate();
  // Takes ASize output samples' worth from each input and sends the result: the derived
  // component's work; nothing here.
  virtual void CalculateSendOutput(uint32_t ASize);
  // May change the block size before the inputs are told it; nothing here.
  virtual void AdjustBufferSiize(uint32_t& ASize);
  virtual TKDPNSourcePin* GetOutputPin() = 0;
  // Makes an input pin (a real one here) handled by SinkDispatch, owned by the component, and
  // adds it to the input pins and to AList.
  virtual pinweave::TPNPin* QueuedPinCreateFunction(pinweave::TPNPinList& AList,
                                                    const TPNOwnerSetter& AOwnerSetter);
  // Takes APin out of the input pins and AList and frees it.
  virtual void QueuedPinDestroyFunction(pinweave::TPNPinList& AList, pinweave::TPNPin* APin);

 protected:
  // Stops when no input runs any more; under the lock.
  void AttemptStop();
  // Tells each running input its samples per block (Size at the output rate), and marks the
  // others delayed; under the lock.
  void SetSampleRates();
  void CalculateRateInt();
  // The handler that calls SinkDispatch, for new input pins.
  TPNBasicPinNotificationEvent SinkHandler();
  TPNBasicPinNotificationEvent SourceHandler();
  // Adds APin, which the component then owns, to the input pins and AList.
  pinweave::TPNPin* AddInputPin(std::unique_ptr<pinweave::TPNPin> APin,
                                pinweave::TPNPinList& AList);

  pinweave::TPNPinList FAllInputPins;
  double FCalculatedRate = 0;
  std::unique_ptr<TKDOutputBufferSize> FOutputBuffer;
  bool FRunning = false, FPumpStarted = false, FRateCalculated = false;

 private:
  std::vector<std::unique_ptr<pinweave::TPNPin>> ownedPins_;
};

// A multi-input whose output pin ("OutputPin") sends buffers of TSourcePin's kind and whose new
// inputs are TSinkPin.
template <class TSourcePin, class TSinkPin>
class TKDTypedMultiInput : public TKDMultiInput {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDTypedMultiInput(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TKDPNSourcePin* GetOutputPin() override;
  TSourcePin* GetOutputPinTyped() const { return FOutputPin.get(); }
  // Stops the output once: a stop operation downstream, and the rate is fixed anew at the next
  // start.
  void Stop() override;
  // Passes the operation upstream through every connected input; without one, answers it
  // itself (a start first asks for a pump).
  TPNNotifyResult SourceDispatch(pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin,
                                 const kelvra::TGUID& AType, const TPNOperation& AOperation,
                                 TPNNotifyState AState) override;
  pinweave::TPNPin* QueuedPinCreateFunction(pinweave::TPNPinList& AList,
                                            const TPNOwnerSetter& AOwnerSetter) override;

 protected:
  std::unique_ptr<TSourcePin> FOutputPin;
};

class TKDRealMultiInput : public TKDTypedMultiInput<TKDPNRealSourcePin, TKDPNQueuedRealSinkPin> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDTypedMultiInput::TKDTypedMultiInput;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

class TKDComplexMultiInput
    : public TKDTypedMultiInput<TKDPNComplexSourcePin, TKDPNQueuedComplexSinkPin> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDTypedMultiInput::TKDTypedMultiInput;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

extern template class TKDTypedMultiInput<TKDPNRealSourcePin, TKDPNQueuedRealSinkPin>;
extern template class TKDTypedMultiInput<TKDPNComplexSourcePin, TKDPNQueuedComplexSinkPin>;

// Start: registers the multi-input classes with the class registry, so that streaming makes them
// by name. End: takes them out again.
void StartKDMultiInput();
void FinishKDMultiInput();

inline constexpr kelvra::TClassRef TKDMultiInput::ClassRef =
    kelvra::ClassRefOf<TKDMultiInput, kelvra::TLockComponent>(
        "TKDMultiInput", {.Properties = &TKDMultiInput::Properties});
template <class TSourcePin, class TSinkPin>
inline constexpr kelvra::TClassRef TKDTypedMultiInput<TSourcePin, TSinkPin>::ClassRef =
    kelvra::ClassRefOf<TKDTypedMultiInput<TSourcePin, TSinkPin>, TKDMultiInput>(
        "TKDTypedMultiInput",
        {.Properties = &TKDTypedMultiInput<TSourcePin, TSinkPin>::Properties});
inline constexpr kelvra::TClassRef TKDRealMultiInput::ClassRef =
    kelvra::ClassRefOf<TKDRealMultiInput,
                       TKDTypedMultiInput<TKDPNRealSourcePin, TKDPNQueuedRealSinkPin>>(
        "TKDRealMultiInput");
inline constexpr kelvra::TClassRef TKDComplexMultiInput::ClassRef =
    kelvra::ClassRefOf<TKDComplexMultiInput,
                       TKDTypedMultiInput<TKDPNComplexSourcePin, TKDPNQueuedComplexSinkPin>>(
        "TKDComplexMultiInput");

}  // namespace corvane
