// The filter components' base: one input pin, one output pin, and the stream handling that every
// filter shares. A derived filter supplies only its arithmetic (FilterInternalOperation); start,
// stop, sample rate, pass-through while disabled, locking and queueing are done here.
//
// A buffer is processed on the thread that delivered it, or, when Threading.Enabled was set at
// the stream's start, on a worker thread of the filter's own (TKDFilterThread) fed through a
// bounded queue of operations (Threading.Queue: Size, default 15, and FullMode: fmBlock makes the
// producer wait, fmDropData drops the operation). A filter whose threading is enabled but whose
// stream has not started has no worker and processes on the delivering thread.
//
// Processing: the output is a copy of the input (sharing its memory until it is written); while
// enabled, FilterInternalOperation turns the input into the output, and only when the output pin
// is connected; while disabled, the input passes unchanged. The output is then submitted on the
// output pin unless the filter cleared the send flag.
//
// Locks (TRQInputOutputLockComponent): buffers are processed holding the output lock; property
// setters, start and stop take the component lock (both); the threading settings take the input
// lock. A producer that waits for room in a full queue leaves the component lock while it waits.
// A stop releases the worker after leaving the component lock, since the worker may be waiting
// for the output lock to finish its operation; operations still queued are not processed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/buffers/KDVariantStorages.h"
#include "corvane/framework/RQComponent.h"
#include "corvane/streams/KDStreamTypes.Pins.h"
#include "kelvra/Kelvra.Threading.BasicThread.h"

namespace corvane {

using TNotifyEvent = std::function<void(kelvra::TObject* ASender)>;

enum TKDQueueFullMode : uint8_t { fmBlock, fmDropData };
// How a mixer channel of another package waits for its input.
enum TKDMixerChannelWaitType : uint8_t { cwNone, cwStart };

inline constexpr std::string_view kKDQueueFullModeNames[] = {"fmBlock", "fmDropData"};
inline constexpr std::string_view kThreadPriorityNames[] = {
    "tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"};

// The queue of a filter's worker: how many operations it holds, and what a full queue does.
class TKDThreadingQueue : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TKDThreadingQueue(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                    kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  uint32_t GetSize() const { return FSize; }
  // A size below 1 stores 1: a queue always takes one operation.
  void SetSize(uint32_t AValue);
  TKDQueueFullMode GetFullMode() const { return FFullMode; }
  void SetFullMode(TKDQueueFullMode AValue) { SetProperty(FFullMode, AValue); }

 private:
  uint32_t FSize{};
  TKDQueueFullMode FFullMode{};
};

// A filter's threading settings. Enabled is read at the next stream start; a priority change
// reaches a running worker at once (OnPriorityChanged, which the filter sets).
class TKDThreading : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TKDThreading(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
               kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }
  kelvra::TThreadPriority GetPriority() const { return FPriority; }
  void SetPriority(kelvra::TThreadPriority AValue);
  TKDThreadingQueue* GetQueue() const { return FQueue.get(); }
  // Called, on the main thread, each time an operation finds the queue full; the sender is the
  // worker thread object. Read under the lock, so that any thread may ask.
  TNotifyEvent GetOnQueueFull() const;
  void SetOnQueueFull(TNotifyEvent AValue);

  // Told, after the lock is left, that the priority changed.
  kelvra::TProcedure OnPriorityChanged;

 private:
  bool FEnabled{};
  kelvra::TThreadPriority FPriority{};
  std::unique_ptr<TKDThreadingQueue> FQueue;
  TNotifyEvent FOnQueueFull;
};

// ---------------------------------------------------------------------------------------------
// The worker thread

class IKDFilterThread : public virtual kelvra::IThread {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{6C1B7E40-92D5-4F38-A0E6-3B5D8C71F924}");
  // Drops the operations waiting in the queue.
  virtual void FlushQueue() = 0;
  // Queues AOperation for the worker (see TKDFilterThread); nothing once it is terminated.
  virtual void PushOperation(const TPNOperation& AOperation) = 0;
  // Signalled while the worker has nothing left to do.
  virtual kelvra::TIntf<kelvra::IEvent> GetQueueEvent() = 0;
};

// Processes a filter's queued operations, one after the other, by the owner's procedure.
//
// PushOperation, on the producer's thread: while the queue holds fewer than Queue.Size
// operations the operation is appended and the worker woken. On a full queue, OnQueueFull is
// handed to the main thread, then fmDropData drops the operation and fmBlock waits, with the
// component lock left, until the worker has taken one, and tries again (raising OnQueueFull again
// when it is still full). One producer per filter: the input pin has one source.
class TKDFilterThread final : public kelvra::TBasicThread, public virtual IKDFilterThread {
 public:
  using TOwnerNotify = std::function<void(const TPNOperation& AOperation)>;
  // A started worker of the filter whose component lock is ALock.
  static kelvra::TIntf<IKDFilterThread> Create(kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                                               TKDThreading& AThreading, TOwnerNotify AOwnerNotify);

  // Ends the loop, wakes the worker and a waiting producer, and waits for the thread to end
  // (unless called on the worker itself).
  void Terminate() override;
  void FlushQueue() override;
  void PushOperation(const TPNOperation& AOperation) override;
  kelvra::TIntf<kelvra::IEvent> GetQueueEvent() override { return FQueueEmptyEvent; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDFilterThread, IKDFilterThread>(this, iid, out) ||
           TBasicThread::QueryInterface(iid, out);
  }

 protected:
  void ExecuteLoop() override;

 private:
  TKDFilterThread(kelvra::TIntf<kelvra::IChangeNotifyLock> ALock, TKDThreading& AThreading,
                  TOwnerNotify AOwnerNotify);
  // Drops the OnQueueFull calls still waiting for the main thread.
  ~TKDFilterThread() override;
  // Waits until an operation may be queued or the worker ends.
  void AwaitOperation();

  const kelvra::TIntf<kelvra::IChangeNotifyLock> FLock;
  const TOwnerNotify FOwnerNotify;
  TKDThreading& FThreading;
  const kelvra::TIntf<kelvra::IEvent> FEvent, FProcessedEvent, FQueueEmptyEvent;
  std::atomic<bool> FStarted{false};
  const kelvra::TIntf<IKDOperationList> FOperationQueue;
};

// ---------------------------------------------------------------------------------------------
// The filter classes

// A filter with threading settings and, between a threaded stream's start and stop, a worker.
// TThread is the worker's interface.
template <class TThread>
class TKDBasicTypedThreadedFilter : public TRQInputOutputLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  explicit TKDBasicTypedThreadedFilter(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TKDThreading* GetThreading() const { return FThreading.get(); }
  bool IsRunning() const { return FRunning; }
  // Whether a worker exists (between a threaded stream's start and stop).
  bool HasWorker();
  // Terminates the worker, then the inherited step.
  void BeforeDestruction() override;

  virtual bool IsEnabled() { return true; }
  // The worker's procedure: the operation under the output lock.
  virtual void FilterPump(const TPNOperation& AOperation);
  // Processes the buffer of a supplied-buffer operation; nothing here.
  virtual TPNNotifyResult IntSingleOperation(const TPNOperation& AOperation);
  virtual TPNNotifyResult IntSingleBufferOperation(const kelvra::TIntf<IKDDataBuffer>& AInput);
  // Hands a supplied buffer to the worker, or processes it here; skipped while disabled.
  virtual TPNNotifyResult BufferOperation(const TPNOperation& AOperation, TPNNotifyState AState);
  virtual void EnabledChanged() {}
  virtual void StreamStop();
  virtual void StreamStart();
  virtual kelvra::TIntf<TThread> CreateProcessingThread();
  // The input pin's handler.
  virtual TPNNotifyResult SinkDispatch(pinweave::TPNPin* ASender, pinweave::TPNPin* AOtherPin,
                                       const kelvra::TGUID& AType, const TPNOperation& AOperation,
                                       TPNNotifyState AState);
  // Sends AOperation on the output pin; nothing while destroyed or without an output pin.
  virtual TPNNotifyResult OutputPinsNotify(const TPNOperation& AOperation);
  virtual TKDPNSourcePin* GetOutputPin() { return nullptr; }

 protected:
  // The worker, when there is one; taken under a lock of its own, so that a producer does not
  // wait for the buffer being processed to learn where to queue the next.
  kelvra::TIntf<TThread> CurrentWorker();
  // The handler that calls SinkDispatch, for the input pin.
  TPNBasicPinNotificationEvent SinkHandler();

  std::unique_ptr<TKDThreading> FThreading;
  // Declared after the settings it reads, so that it ends before they go.
  kelvra::TIntf<TThread> FFilterThread;
  bool FRunning = false;

 private:
  void ApplyPriority();
  kelvra::TParkingLock workerLock_;  // guards FFilterThread
  // Whether FFilterThread is set, read without the lock: most buffers reach filters that have no
  // worker, and they learn it with no more than a load.
  std::atomic<bool> hasWorker_{false};
};

// The same, switched on and off by Enabled (on at first).
template <class TThread>
class TKDBasicTypedThreadedEnableFilter : public TKDBasicTypedThreadedFilter<TThread> {
 public:
  static const kelvra::TClassRef ClassRef;
  explicit TKDBasicTypedThreadedEnableFilter(kelvra::TComponent* AOwner)
      : TKDBasicTypedThreadedFilter<TThread>(AOwner) {}
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetEnabled() const { return FEnabled; }
  bool IsEnabled() override { return FEnabled; }
  // Stores the value under the component lock; EnabledChanged when it changed.
  virtual void SetEnabled(bool AValue);

 protected:
  bool FEnabled = true;
};

class TKDBasicThreadedFilter : public TKDBasicTypedThreadedFilter<IKDFilterThread> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDBasicTypedThreadedFilter::TKDBasicTypedThreadedFilter;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

class TKDBasicThreadedEnableFilter : public TKDBasicTypedThreadedEnableFilter<IKDFilterThread> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDBasicTypedThreadedEnableFilter::TKDBasicTypedThreadedEnableFilter;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

// Publishes Enabled and Threading; processes a buffer as the top of this header says.
class TKDBasicCommonFilter : public TKDBasicTypedThreadedEnableFilter<IKDFilterThread> {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDBasicCommonFilter(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TPNNotifyResult IntSingleBufferOperation(const kelvra::TIntf<IKDDataBuffer>& AInput) override;
  TPNNotifyResult BufferOperation(const TPNOperation& AOperation, TPNNotifyState AState) override;
  // Turns AInput into AOutput (a copy of it) and submits AOutput; under the output lock.
  virtual TPNNotifyResult IntBufferOperation(const kelvra::TIntf<IKDDataBuffer>& AInput,
                                             const kelvra::TIntf<IKDData>& AOutput);
  // True lets the filter work in the incoming buffer's memory when this filter is the last to
  // receive it; false here.
  virtual bool CanInline() { return false; }
};

// A filter that knows its stream's sample rate: set by a start with a rate, 0 after a stop.
class TKDCommonFilter : public TKDBasicCommonFilter {
 public:
  static const kelvra::TClassRef ClassRef;
  explicit TKDCommonFilter(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  double GetSampleRate() const { return FSampleRate; }
  // Stores the rate under the component lock.
  virtual void SetSampleRate(double ARate);
  TPNNotifyResult SinkDispatch(pinweave::TPNPin* ASender, pinweave::TPNPin* AOtherPin,
                               const kelvra::TGUID& AType, const TPNOperation& AOperation,
                               TPNNotifyState AState) override;
  void StreamStop() override;

 protected:
  double FSampleRate = 100000;
};

// What a typed filter works in: its buffer class and interface, and its two pins.
template <class TBufferClass, class TBufferIntf, class TSource, class TSink>
struct TKDFilterKind {
  using Buffer = TBufferClass;
  using Intf = TBufferIntf;
  using SourcePin = TSource;
  using SinkPin = TSink;
};
using TKDRealFilterKind =
    TKDFilterKind<TKDRealBuffer, IKDRealBuffer, TKDPNComboRealSourcePin, TKDPNComboRealSinkPin>;
using TKDComplexFilterKind =
    TKDFilterKind<TKDComplexBuffer, IKDComplexBuffer, TKDPNComplexSourcePin, TKDPNComplexSinkPin>;
using TKDIntegerFilterKind =
    TKDFilterKind<TKDIntegerBuffer, IKDIntegerBuffer, TKDPNIntegerSourcePin, TKDPNIntegerSinkPin>;
using TKDBinaryFilterKind =
    TKDFilterKind<TKDBlockBuffer, IKDBlockBuffer, TKDPNBinarySourcePin, TKDPNBinarySinkPin>;

// A filter with an input pin ("InputPin", under the input lock) and an output pin ("OutputPin",
// under the output lock) of one kind of buffer.
template <class TKind>
class TKDCommonTypedFilter : public TKDCommonFilter {
 public:
  using TBuffer = kelvra::TIntf<typename TKind::Intf>;
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDCommonTypedFilter(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  typename TKind::SourcePin* GetOutputPinTyped() const { return FOutputPin.get(); }
  typename TKind::SinkPin* GetInputPin() const { return FInputPin.get(); }
  TKDPNSourcePin* GetOutputPin() override { return FOutputPin.get(); }
  // Disconnects the input pin, which waits for the deliveries under way (the filter is whole
  // while they end), then the inherited step.
  void BeforeDestruction() override;

  // The output pin's handler: operations from downstream go upstream through the input pin;
  // without an upstream, a stream query is answered with an ignore-stream operation and anything
  // else is taken as if it had arrived on the input pin.
  virtual TPNNotifyResult SourceDispatch(pinweave::TPNPin* ASender, pinweave::TPNPin* AOtherPin,
                                         const kelvra::TGUID& AType, const TPNOperation& AOperation,
                                         TPNNotifyState AState);
  // FilterInternalOperation, only when the output pin is connected.
  virtual void InternalOperation(const TBuffer& AInput, const TBuffer& AOutput, bool AConnected,
                                 bool& ASend);
  // The filter's arithmetic: AOutput starts as a copy of AInput; clearing ASend sends nothing.
  // Nothing here, so that the input passes unchanged.
  virtual void FilterInternalOperation(const TBuffer& AInput, const TBuffer& AOutput, bool& ASend);
  TPNNotifyResult IntBufferOperation(const kelvra::TIntf<IKDDataBuffer>& AInput,
                                     const kelvra::TIntf<IKDData>& AOutput) override;

 protected:
  std::unique_ptr<typename TKind::SourcePin> FOutputPin;
  std::unique_ptr<typename TKind::SinkPin> FInputPin;
};

// A real filter, which also takes single values (a single or a real) and sends each result as
// a single.
class TKDCommonRealFilter : public TKDCommonTypedFilter<TKDRealFilterKind> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDCommonTypedFilter::TKDCommonTypedFilter;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TPNNotifyResult SinkDispatch(pinweave::TPNPin* ASender, pinweave::TPNPin* AOtherPin,
                               const kelvra::TGUID& AType, const TPNOperation& AOperation,
                               TPNNotifyState AState) override;
  // One value through the filter: while enabled, as a one-sample buffer; else unchanged.
  virtual void InternalFloatOperation(double AValue, double& AResult, bool& ASend);
};

class TKDCommonComplexFilter : public TKDCommonTypedFilter<TKDComplexFilterKind> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDCommonTypedFilter::TKDCommonTypedFilter;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

class TKDCommonIntegerFilter : public TKDCommonTypedFilter<TKDIntegerFilterKind> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDCommonTypedFilter::TKDCommonTypedFilter;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

class TKDCommonBinaryFilter : public TKDCommonTypedFilter<TKDBinaryFilterKind> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TKDCommonTypedFilter::TKDCommonTypedFilter;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

// The frequency response of a set of taps, at count + 1 points from near 0 to near half the
// rate: the squared magnitude and the phase arctan(S / (1 - C)), with C and S the cosine and sine
// sums of the taps. The first point is taken at pi / 10000 rather than at 0.
class TKDFilterFrequencyResponse : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  using TLockPersistent::TLockPersistent;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  void SetTaps(std::span<const double> ATaps);
  void Clear();
  // Each writes ACount + 1 values (nothing while the owner is being destroyed).
  void GetMagnitudes(double* AValues, uint32_t ACount);
  void GetPhases(double* AValues, uint32_t ACount);

 private:
  // AValue(C, S) at each point, under the lock.
  template <class F>
  void Evaluate(double* AValues, uint32_t ACount, F AValue);

  std::vector<double> FTaps;
};

// A real filter computed from taps, with their frequency response. A derived filter computes its
// taps in Init (called when the sample rate is set) and hands them over with IntInit.
class TKDCommonTapsFilter : public TKDCommonRealFilter {
 public:
  static const kelvra::TClassRef ClassRef;
  explicit TKDCommonTapsFilter(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TKDFilterFrequencyResponse* GetFrequencyResponse() const { return FFrequencyResponse.get(); }
  // Stores the rate, then Init.
  void SetSampleRate(double ARate) override;
  // The setter of a derived filter's sample-rate property: Init only when the rate changed.
  void SetSampleRateProp(double ARate);
  virtual void Init() {}
  virtual void IntInit(std::span<const double> ATaps);

 protected:
  std::unique_ptr<TKDFilterFrequencyResponse> FFrequencyResponse;
};

// A component switched on and off by Enabled (on at first), without pins or threads.
class TKDBasicEnableFilter : public kelvra::TLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDBasicEnableFilter(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetEnabled() const { return FEnabled; }
  // Stores the value in a section that is taken even while the component is destroyed when it
  // disables, and calls EnabledChanged whether or not the value changed.
  virtual void SetEnabled(bool AValue);
  virtual void EnabledChanged() {}

 protected:
  bool FEnabled = true;
};

// The class templates are made for these arguments only, in KDCommonFilter.cpp.
extern template class TKDBasicTypedThreadedFilter<IKDFilterThread>;
extern template class TKDBasicTypedThreadedEnableFilter<IKDFilterThread>;
extern template class TKDCommonTypedFilter<TKDRealFilterKind>;
extern template class TKDCommonTypedFilter<TKDComplexFilterKind>;
extern template class TKDCommonTypedFilter<TKDIntegerFilterKind>;
extern template class TKDCommonTypedFilter<TKDBinaryFilterKind>;

// Start: registers the filter classes with the class registry, so that streaming makes them by
// name. End: takes them out again.
void StartKDCommonFilter();
void FinishKDCommonFilter();

// ---------------------------------------------------------------------------------------------
// Class references.

inline constexpr kelvra::TClassRef TKDThreadingQueue::ClassRef =
    kelvra::ClassRefOf<TKDThreadingQueue, kelvra::TLockPersistent>(
        "TKDThreadingQueue", {.Properties = &TKDThreadingQueue::Properties});
inline constexpr kelvra::TClassRef TKDThreading::ClassRef =
    kelvra::ClassRefOf<TKDThreading, kelvra::TLockPersistent>(
        "TKDThreading", {.Properties = &TKDThreading::Properties});
template <class TThread>
inline constexpr kelvra::TClassRef TKDBasicTypedThreadedFilter<TThread>::ClassRef =
    kelvra::ClassRefOf<TKDBasicTypedThreadedFilter<TThread>, TRQInputOutputLockComponent>(
        "TKDBasicTypedThreadedFilter");
template <class TThread>
inline constexpr kelvra::TClassRef TKDBasicTypedThreadedEnableFilter<TThread>::ClassRef =
    kelvra::ClassRefOf<TKDBasicTypedThreadedEnableFilter<TThread>,
                       TKDBasicTypedThreadedFilter<TThread>>("TKDBasicTypedThreadedEnableFilter");
inline constexpr kelvra::TClassRef TKDBasicThreadedFilter::ClassRef =
    kelvra::ClassRefOf<TKDBasicThreadedFilter, TKDBasicTypedThreadedFilter<IKDFilterThread>>(
        "TKDBasicThreadedFilter");
inline constexpr kelvra::TClassRef TKDBasicThreadedEnableFilter::ClassRef =
    kelvra::ClassRefOf<TKDBasicThreadedEnableFilter,
                       TKDBasicTypedThreadedEnableFilter<IKDFilterThread>>(
        "TKDBasicThreadedEnableFilter");
inline constexpr kelvra::TClassRef TKDBasicCommonFilter::ClassRef =
    kelvra::ClassRefOf<TKDBasicCommonFilter, TKDBasicTypedThreadedEnableFilter<IKDFilterThread>>(
        "TKDBasicCommonFilter", {.Properties = &TKDBasicCommonFilter::Properties});
inline constexpr kelvra::TClassRef TKDCommonFilter::ClassRef =
    kelvra::ClassRefOf<TKDCommonFilter, TKDBasicCommonFilter>("TKDCommonFilter");
template <class TKind>
inline constexpr kelvra::TClassRef TKDCommonTypedFilter<TKind>::ClassRef =
    kelvra::ClassRefOf<TKDCommonTypedFilter<TKind>, TKDCommonFilter>(
        "TKDCommonTypedFilter", {.Properties = &TKDCommonTypedFilter<TKind>::Properties});
inline constexpr kelvra::TClassRef TKDCommonRealFilter::ClassRef =
    kelvra::ClassRefOf<TKDCommonRealFilter, TKDCommonTypedFilter<TKDRealFilterKind>>(
        "TKDCommonRealFilter");
inline constexpr kelvra::TClassRef TKDCommonComplexFilter::ClassRef =
    kelvra::ClassRefOf<TKDCommonComplexFilter, TKDCommonTypedFilter<TKDComplexFilterKind>>(
        "TKDCommonComplexFilter");
inline constexpr kelvra::TClassRef TKDCommonIntegerFilter::ClassRef =
    kelvra::ClassRefOf<TKDCommonIntegerFilter, TKDCommonTypedFilter<TKDIntegerFilterKind>>(
        "TKDCommonIntegerFilter");
inline constexpr kelvra::TClassRef TKDCommonBinaryFilter::ClassRef =
    kelvra::ClassRefOf<TKDCommonBinaryFilter, TKDCommonTypedFilter<TKDBinaryFilterKind>>(
        "TKDCommonBinaryFilter");
inline constexpr kelvra::TClassRef TKDFilterFrequencyResponse::ClassRef =
    kelvra::ClassRefOf<TKDFilterFrequencyResponse, kelvra::TLockPersistent>(
        "TKDFilterFrequencyResponse");
inline constexpr kelvra::TClassRef TKDCommonTapsFilter::ClassRef =
    kelvra::ClassRefOf<TKDCommonTapsFilter, TKDCommonRealFilter>("TKDCommonTapsFilter");
inline constexpr kelvra::TClassRef TKDBasicEnableFilter::ClassRef =
    kelvra::ClassRefOf<TKDBasicEnableFilter, kelvra::TLockComponent>(
        "TKDBasicEnableFilter", {.Properties = &TKDBasicEnableFilter::Properties});

}  // namespace corvane
