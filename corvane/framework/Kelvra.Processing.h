// The means that a component spreads its work with: a thread executor (with a memory stride
// size) or an OpenCL context on a platform.
//
// A component carries a TRQProcessing. GetEngines asks its engines in collection order, skipping
// disabled ones; the first that answers ends the search. When none does, the request goes out
// through the object's processing pin as a TPNProcessingEngineRequestOperation, which a
// processing manager (corvane/framework/RQProcessingManager.h) connected to the pin fills from
// its own engines. Engines keep nothing between requests: each answer is a new executor or
// context, which the caller holds.
//
//   TRQParallelProcessingEngine  always answers, with its MemoryStrideSize and a thread-pool
//                                executor of Pool.Count threads in groups of Pool.GroupSize at
//                                tpHighest when the pool is enabled, else a plain-thread one.
//                                Its Priority property is kept for editors; the executor's
//                                priority is fixed.
//   TRQGPUProcessingEngine       answers with a context over all devices of a platform: the
//                                first one the ICD loader lists for "Default", else the one of
//                                that name; no platform or no context is no answer.
//
// Engines are disabled when made (Enabled false), as every enabled persistent of the runtime.
//
// Threads: as the lock-holding bases (kelvra/Kelvra.Types.LockComponents.h). GetEngines may run
// on any thread: it asks the engines under a section of the owner's lock (none once the owner is
// being destroyed: then it answers false), and sends the request on the pin after leaving it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "corvane/streams/KDStreamTypes.Pins.h"
#include "kelvra/Kelvra.OpenCL.h"
#include "kelvra/Kelvra.Threading.Executor.h"
#include "kelvra/Kelvra.Types.LockComponents.h"
#include "pinweave/PNPins.h"

namespace corvane {

// The outputs of a request, filled by whoever answers.
struct TRQProcessingMeans {
  kelvra::TIntf<kelvra::IExecutor> Executor;
  int32_t StrideSize = 0;
  kelvra::TIntf<kelvra::IOCLContext> Context;
  kelvra::TIntf<kelvra::IOCLPlatform> Platform;
};

// A request for the means, whose fields (all empty when made) the answering manager fills.
class TPNProcessingEngineRequestOperation : public pinweave::TPNNotifyOperation,
                                            public TRQProcessingMeans {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNProcessingEngineRequestOperation() = default;
};
inline constexpr kelvra::TClassRef TPNProcessingEngineRequestOperation::ClassRef =
    kelvra::ClassRefOf<TPNProcessingEngineRequestOperation, pinweave::TPNNotifyOperation>(
        "TPNProcessingEngineRequestOperation");

// The processing pin of a component that asks: its operations go to the manager; what reaches it
// is left alone.
class TPNRQProcessingSinkPin : public TKDPNSinkPin, public virtual IPNRQProcessingStream {
  CORVANE_PIN_CLASS_BODY(TPNRQProcessingSinkPin, TKDPNSinkPin)
  CORVANE_PIN_INTERFACES(TPNRQProcessingSinkPin, TKDPNSinkPin, IPNRQProcessingStream)
};
CORVANE_PIN_CLASSREF(TPNRQProcessingSinkPin, TKDPNSinkPin, IPNRQProcessingStream::IID);

// The processing pin of a manager: passes an operation on to a peer that speaks the processing
// stream.
class TPNRQProcessingSourcePin : public pinweave::TPNBasicDispatchSourcePin,
                                 public virtual IPNRQProcessingStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNRQProcessingSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                           TPNBasicPinNotificationEvent AOnNotification);
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TPNRQProcessingSourcePin, IPNRQProcessingStream, IPNKDGenericStream>(
               this, iid, out) ||
           TPNBasicDispatchSourcePin::QueryInterface(iid, out);
  }
};
CORVANE_PIN_CLASSREF(TPNRQProcessingSourcePin, pinweave::TPNBasicDispatchSourcePin,
                     IPNRQProcessingStream::IID);

class TRQProcessingEngine : public kelvra::TLockCollectionItem {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQProcessingEngine(kelvra::TLockCollection* ACollection);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }
  // Fills AMeans for AOwner; true when it answered.
  virtual bool GetEngines(kelvra::TComponent* AOwner, TRQProcessingMeans& AMeans) = 0;

 private:
  bool FEnabled{};
};
inline constexpr kelvra::TClassRef TRQProcessingEngine::ClassRef =
    kelvra::ClassRefOf<TRQProcessingEngine, kelvra::TLockCollectionItem>(
        "TRQProcessingEngine", {.Properties = &TRQProcessingEngine::Properties});

class TRQParallelProcessingPool : public kelvra::TEnabledPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQParallelProcessingPool(kelvra::TPersistent* AOwner,
                            kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                            kelvra::TProcedure AOnChange);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  int32_t GetCount() const { return FCount; }
  // Not below 1.
  void SetCount(int32_t AValue);
  uint32_t GetGroupSize() const { return FGroupSize; }
  void SetGroupSize(uint32_t AValue) { SetProperty(FGroupSize, AValue); }

 private:
  int32_t FCount{};
  uint32_t FGroupSize{};
};
inline constexpr kelvra::TClassRef TRQParallelProcessingPool::ClassRef =
    kelvra::ClassRefOf<TRQParallelProcessingPool, kelvra::TEnabledPersistent>(
        "TRQParallelProcessingPool", {.Properties = &TRQParallelProcessingPool::Properties});

class TRQParallelProcessingEngine : public TRQProcessingEngine {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQParallelProcessingEngine(kelvra::TLockCollection* ACollection);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TRQParallelProcessingPool* GetPool() const { return FPool.get(); }
  uint32_t GetMemoryStrideSize() const { return FMemoryStrideSize; }
  void SetMemoryStrideSize(uint32_t AValue) { SetProperty(FMemoryStrideSize, AValue); }
  kelvra::TThreadPriority GetPriority() const { return FPriority; }
  void SetPriority(kelvra::TThreadPriority AValue) { SetProperty(FPriority, AValue); }

  bool GetEngines(kelvra::TComponent* AOwner, TRQProcessingMeans& AMeans) override;

 private:
  std::unique_ptr<TRQParallelProcessingPool> FPool;
  uint32_t FMemoryStrideSize{};
  kelvra::TThreadPriority FPriority{};
};
inline constexpr kelvra::TClassRef TRQParallelProcessingEngine::ClassRef =
    kelvra::ClassRefOf<TRQParallelProcessingEngine, TRQProcessingEngine>(
        "TRQParallelProcessingEngine", {.ImageName = "TRQPARALLELPROCESSINGENGINE",
                                        .Properties = &TRQParallelProcessingEngine::Properties});

class TRQGPUProcessingEngine : public TRQProcessingEngine {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQGPUProcessingEngine(kelvra::TLockCollection* ACollection);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  const std::string& GetPlatform() const { return FPlatform; }
  void SetPlatform(const std::string& AValue) { SetProperty(FPlatform, AValue); }
  // The names of all OpenCL platforms.
  static std::vector<std::string> GetPlatforms();
  // The platform that APlatform names ("Default": the first listed); empty when there is none.
  static kelvra::TIntf<kelvra::IOCLPlatform> FindPlatform(const std::string& APlatform);

  bool GetEngines(kelvra::TComponent* AOwner, TRQProcessingMeans& AMeans) override;

 private:
  std::string FPlatform;
};
inline constexpr kelvra::TClassRef TRQGPUProcessingEngine::ClassRef =
    kelvra::ClassRefOf<TRQGPUProcessingEngine, TRQProcessingEngine>(
        "TRQGPUProcessingEngine",
        {.ImageName = "TRQGPUPROCESSINGENGINE", .Properties = &TRQGPUProcessingEngine::Properties});

class TRQProcessingEngines : public kelvra::TTypedCollection<TRQProcessingEngine> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TTypedCollection::TTypedCollection;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TRQProcessingEngines::ClassRef =
    kelvra::ClassRefOf<TRQProcessingEngines, kelvra::TLockCollection>("TRQProcessingEngines");

class TRQProcessing : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  // AOwner: the component, or a property object of the component, that carries it.
  TRQProcessing(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                kelvra::TProcedure AOnChange);
  ~TRQProcessing() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TPNRQProcessingSinkPin* GetProcessingPin() const { return FProcessingPin.get(); }
  TRQProcessingEngines* GetEngines() const { return FEngines.get(); }
  // From another processing object: its engines (the pin keeps its own connections).
  void Assign(const kelvra::TPersistent& ASource) override;
  // Fills AMeans for AOwner (see the top of this header); true when an executor or a context was
  // obtained. All outputs are empty when it returns false.
  bool GetEngines(kelvra::TComponent* AOwner, TRQProcessingMeans& AMeans);

 private:
  std::unique_ptr<TPNRQProcessingSinkPin> FProcessingPin;
  std::unique_ptr<TRQProcessingEngines> FEngines;
};
inline constexpr kelvra::TClassRef TRQProcessing::ClassRef =
    kelvra::ClassRefOf<TRQProcessing, kelvra::TLockPersistent>(
        "TRQProcessing", {.Properties = &TRQProcessing::Properties});

// The unit's start and end: the processing stream type and the two engine classes.
void StartKelvraProcessing();
void FinishKelvraProcessing();

}  // namespace corvane
