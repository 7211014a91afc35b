#include "corvane/framework/Kelvra.Processing.h"

#include <array>
#include <string_view>

#include "kelvra/Kelvra.Components.h"
#include "kelvra/Kelvra.Persistence.h"

namespace corvane {

using kelvra::TIntf;

namespace {

constexpr std::string_view kPriorityNames[] = {"tpIdle",   "tpLowest",  "tpLower",       "tpNormal",
                                               "tpHigher", "tpHighest", "tpTimeCritical"};

constexpr const kelvra::TClassRef* kEngineClasses[] = {&TRQParallelProcessingEngine::ClassRef,
                                                       &TRQGPUProcessingEngine::ClassRef};

// The component that AObject belongs to: itself, or the nearest owner that is one.
kelvra::TComponent* ComponentOf(kelvra::TPersistent* AObject) {
  for (kelvra::TPersistent* object = AObject; object; object = object->GetOwner())
    if (auto* component = dynamic_cast<kelvra::TComponent*>(object)) return component;
  return nullptr;
}

// The processing stream as the pin framework knows it, from the package's description.
pinweave::TPNStreamTypeInfo ProcessingStreamInfo() {
  for (const TKDStreamTypeDescription& description : KDStreamTypeDescriptions())
    if (description.TypeID == IPNRQProcessingStream::IID) return KDStreamTypeInfo(description);
  return {IPNRQProcessingStream::IID, "Processing Control"};
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TPNRQProcessingSourcePin::TPNRQProcessingSourcePin(const TPNOwnerSetter& AOwnerSetter,
                                                   TPNChangeLock ALock,
                                                   TPNBasicPinNotificationEvent AOnNotification)
    : TPNBasicDispatchSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification), -1) {
  PopulateTypes([](CORVANE_HANDLER_ARGS) {
    void* out = nullptr;
    if (AState.Contains(pinweave::nsConnecting) ||
        !AStream->QueryInterface(IPNRQProcessingStream::IID, &out))
      return TPNNotifyResult{};
    static_cast<IPNRQProcessingStream*>(out)->_Release();
    return AStream->DispatchOperation(ASender, AType, AOperation, AState);
  });
}

// ---------------------------------------------------------------------------------------------

const kelvra::TPropertyTable& TRQProcessingEngine::Properties() {
  using T = TRQProcessingEngine;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>().Property("Enabled", &T::FEnabled, &T::SetEnabled, false);
  return table;
}

TRQProcessingEngine::TRQProcessingEngine(kelvra::TLockCollection* ACollection)
    : TLockCollectionItem(ACollection) {
  InitDefaults(ClassRef);
}

// ---------------------------------------------------------------------------------------------

const kelvra::TPropertyTable& TRQParallelProcessingPool::Properties() {
  using T = TRQParallelProcessingPool;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>()
          .Property("Count", &T::FCount, &T::SetCount, 4)
          .Property("GroupSize", &T::FGroupSize, &T::SetGroupSize, 10u);
  return table;
}

TRQParallelProcessingPool::TRQParallelProcessingPool(kelvra::TPersistent* AOwner,
                                                     kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                                                     kelvra::TProcedure AOnChange)
    : TEnabledPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

void TRQParallelProcessingPool::SetCount(int32_t AValue) {
  GetLock()->Setter().SetterMin(
      FCount, AValue, 1, [this] { NotifyProp(); }, false);
}

// ---------------------------------------------------------------------------------------------

const kelvra::TPropertyTable& TRQParallelProcessingEngine::Properties() {
  using T = TRQParallelProcessingEngine;
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<T>()
          .AutoManaged("Pool", &T::FPool)
          .Property("MemoryStrideSize", &T::FMemoryStrideSize, &T::SetMemoryStrideSize, 10240u)
          .Property("Priority", &T::FPriority, &T::SetPriority, kelvra::tpNormal, kPriorityNames);
  return table;
}

TRQParallelProcessingEngine::TRQParallelProcessingEngine(kelvra::TLockCollection* ACollection)
    : TRQProcessingEngine(ACollection) {
  InitDefaults(ClassRef);
}

bool TRQParallelProcessingEngine::GetEngines(kelvra::TComponent* AOwner,
                                             TRQProcessingMeans& AMeans) {
  AMeans.StrideSize = int32_t(GetMemoryStrideSize());
  if (!FPool->GetEnabled()) {
    AMeans.Executor = new kelvra::TBasicThreadExecutor(AOwner, kelvra::ekPlainThread);
    return true;
  }
  auto* executor = new kelvra::TBasicThreadExecutor(AOwner, kelvra::ekThreadPool);
  AMeans.Executor = executor;
  executor->SetPriority(kelvra::tpHighest);
  executor->SetThreadCount(FPool->GetCount());
  executor->SetGroupSize(FPool->GetGroupSize());
  return true;
}

// ---------------------------------------------------------------------------------------------

const kelvra::TPropertyTable& TRQGPUProcessingEngine::Properties() {
  using T = TRQGPUProcessingEngine;
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<T>().Property(
      "Platform", &T::FPlatform, &T::SetPlatform, std::string("Default"));
  return table;
}

TRQGPUProcessingEngine::TRQGPUProcessingEngine(kelvra::TLockCollection* ACollection)
    : TRQProcessingEngine(ACollection) {
  InitDefaults(ClassRef);
}

std::vector<std::string> TRQGPUProcessingEngine::GetPlatforms() {
  std::vector<std::string> names;
  for (const auto& platform : kelvra::TOpenCL::GetPlatforms()) names.push_back(platform->GetName());
  return names;
}

TIntf<kelvra::IOCLPlatform> TRQGPUProcessingEngine::FindPlatform(const std::string& APlatform) {
  const auto platforms = kelvra::TOpenCL::GetPlatforms();
  if (APlatform == "Default") return platforms.empty() ? nullptr : platforms.front();
  for (const auto& platform : platforms)
    if (platform->GetName() == APlatform) return platform;
  return nullptr;
}

bool TRQGPUProcessingEngine::GetEngines(kelvra::TComponent*, TRQProcessingMeans& AMeans) {
  TIntf<kelvra::IOCLPlatform> platform = FindPlatform(GetPlatform());
  if (!platform) return false;
  const auto devices = platform->GetDevices();
  if (devices.empty()) return false;
  // A platform whose devices cannot share a context gives no answer; the search goes on.
  try {
    AMeans.Context = kelvra::TOCLContext::Create(devices);
  } catch (const kelvra::EOpenCL&) {
    return false;
  }
  AMeans.Platform = platform;
  return true;
}

// ---------------------------------------------------------------------------------------------

const kelvra::TPropertyTable& TRQProcessing::Properties() {
  using T = TRQProcessing;
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<T>()
                                                  .Object("ProcessingPin", &T::FProcessingPin)
                                                  .AutoManaged("Engines", &T::FEngines);
  return table;
}

TRQProcessing::TRQProcessing(kelvra::TPersistent* AOwner,
                             kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                             kelvra::TProcedure AOnChange)
    : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)),
      FProcessingPin(std::make_unique<TPNRQProcessingSinkPin>(
          pinweave::PinCustomPathSetter(ComponentOf(AOwner), "Processing.ProcessingPin"),
          GetLock())) {
  InitDefaults(ClassRef);
}

TRQProcessing::~TRQProcessing() = default;

void TRQProcessing::Assign(const kelvra::TPersistent& ASource) {
  if (const auto* source = dynamic_cast<const TRQProcessing*>(&ASource))
    FEngines->Assign(*source->FEngines);
  else
    TLockPersistent::Assign(ASource);
}

bool TRQProcessing::GetEngines(kelvra::TComponent* AOwner, TRQProcessingMeans& AMeans) {
  AMeans = {};
  {
    const TIntf<kelvra::IChangeNotifySection> section = GetLock()->EnterSection();
    if (!section) return false;
    for (int32_t i = 0; i < FEngines->Count(); ++i) {
      TRQProcessingEngine* engine = FEngines->Items(i);
      if (!engine->GetEnabled()) continue;
      TRQProcessingMeans answer;
      if (engine->GetEngines(AOwner, answer)) {
        AMeans = std::move(answer);
        return true;
      }
    }
  }
  TIntf<TPNProcessingEngineRequestOperation> request(new TPNProcessingEngineRequestOperation());
  FProcessingPin->Notify(pinweave::TPNOperation(request.get()));
  AMeans = *request;
  return AMeans.Executor || AMeans.Context;
}

// ---------------------------------------------------------------------------------------------

void StartKelvraProcessing() {
  pinweave::PNRegisterStream(ProcessingStreamInfo());
  kelvra::RegisterCollectionItemClasses(kEngineClasses);
}

void FinishKelvraProcessing() {
  const pinweave::TPNStreamTypeInfo infos[] = {ProcessingStreamInfo()};
  pinweave::PNUnregisterStreams(infos);
}

}  // namespace corvane
