#include "pinweave/PNPins.h"

namespace pinweave {

kelvra::TIntf<IPNNotifyOperation> TPNNotifyOperation::Create(const kelvra::TClassRef& AClass) {
  return AClass.Create<TPNNotifyOperation*()>();
}

}  // namespace pinweave
