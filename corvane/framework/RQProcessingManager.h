// The processing manager: a component whose processing pin answers the requests of the
// components connected to it (TRQProcessing, corvane/framework/Kelvra.Processing.h) from its own
// engines.
#pragma once

#include <memory>

#include "corvane/framework/Kelvra.Categories.TessalyBasic.h"
#include "corvane/framework/Kelvra.Processing.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane {

class TRQProcessingManager : public kelvra::TLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQProcessingManager(kelvra::TComponent* AOwner);
  ~TRQProcessingManager() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TPNRQProcessingSourcePin* GetProcessingPin() const { return FProcessingPin.get(); }
  TRQProcessing* GetProcessing() const { return FProcessing.get(); }

  // The handler of the processing pin: fills a TPNProcessingEngineRequestOperation from the
  // manager's engines; every other operation is ignored.
  pinweave::TPNNotifyResult ProcessingDispatch(pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin,
                                               const kelvra::TGUID& AType,
                                               const pinweave::TPNOperation& AOperation,
                                               pinweave::TPNNotifyState AState);

 private:
  std::unique_ptr<TPNRQProcessingSourcePin> FProcessingPin;
  std::unique_ptr<TRQProcessing> FProcessing;
};
inline constexpr kelvra::TClassRef TRQProcessingManager::ClassRef =
    kelvra::ClassRefOf<TRQProcessingManager, kelvra::TLockComponent>(
        "TRQProcessingManager",
        {.DisplayName = "Processing Engines Manager",
         .ImageName = "TRQPROCESSINGMANAGER",
         .Categories = kelvra::ClassRefs<&TCorvaneProcessingToolbarCategory::ClassRef>,
         .Properties = &TRQProcessingManager::Properties});

// The unit's registration, named after the unit, since every unit of a package may have one.
namespace RQProcessingManager {
// Registers TRQProcessingManager as a component that editors offer.
void RegisterPkg();
}  // namespace RQProcessingManager

}  // namespace corvane
