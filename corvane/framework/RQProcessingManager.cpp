#include "corvane/framework/RQProcessingManager.h"

#include "kelvra/Kelvra.Components.h"
#include "kelvra/Kelvra.Persistence.h"

namespace corvane {

const kelvra::TPropertyTable& TRQProcessingManager::Properties() {
  using T = TRQProcessingManager;
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<T>()
                                                  .Object("ProcessingPin", &T::FProcessingPin)
                                                  .AutoManaged("Processing", &T::FProcessing);
  return table;
}

TRQProcessingManager::TRQProcessingManager(kelvra::TComponent* AOwner)
    : TLockComponent(AOwner),
      FProcessingPin(std::make_unique<TPNRQProcessingSourcePin>(
          pinweave::PinCustomOwnerSetter(this, "ProcessingPin"), GetLock(),
          [this](pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin, const kelvra::TGUID& AType,
                 const pinweave::TPNOperation& AOperation, pinweave::TPNNotifyState AState) {
            return ProcessingDispatch(APin, AOtherPin, AType, AOperation, AState);
          })) {
  InitDefaults(ClassRef);
}

TRQProcessingManager::~TRQProcessingManager() = default;

pinweave::TPNNotifyResult TRQProcessingManager::ProcessingDispatch(
    pinweave::TPNPin*, pinweave::TPNPin*, const kelvra::TGUID&,
    const pinweave::TPNOperation& AOperation, pinweave::TPNNotifyState) {
  auto* request = pinweave::OperationAs<TPNProcessingEngineRequestOperation>(AOperation);
  if (!request) return {};
  FProcessing->GetEngines(this, *request);
  return {.Handled = true};
}

void RQProcessingManager::RegisterPkg() {
  static constexpr const kelvra::TClassRef* kComponents[] = {&TRQProcessingManager::ClassRef};
  kelvra::RegisterComponents(kComponents);
}

}  // namespace corvane
