#include "pinweave/PNPins.h"

namespace pinweave {

kelvra::TIntf<IPNNotifyOperation> TPNNotifyOperation::Create(
    const TPNNotifyOperationClass& AClass) {
  if (!AClass.Make) throw kelvra::EAbstractError("Abstract Error");
  return AClass.Make();
}

}  // namespace pinweave
