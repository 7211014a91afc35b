// The base of the example sinks: a component with one real input pin ("InputPin") that hears of
// each start with its sample rate, each real buffer and each stop, under the component lock.
#pragma once

#include <memory>

#include "corvane/streams/KDStreamTypes.Pins.h"
#include "examples/components/RunReport.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane::examples {

class TRealSink : public kelvra::TLockComponent, public IRunReport {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRealSink(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNRealSinkPin* GetInputPin() const { return FInputPin.get(); }

 protected:
  virtual void StreamStart(double ASampleRate) = 0;
  virtual void ProcessBuffer(const kelvra::TIntf<IKDRealBuffer>& ABuffer) = 0;
  virtual void StreamStop() = 0;

 private:
  TPNNotifyResult Notification(pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin,
                               const kelvra::TGUID& AType, const TPNOperation& AOperation,
                               TPNNotifyState AState);

  std::unique_ptr<TKDPNRealSinkPin> FInputPin;
};
inline constexpr kelvra::TClassRef TRealSink::ClassRef =
    kelvra::ClassRefOf<TRealSink, kelvra::TLockComponent>(
        "TRealSink", {.Properties = &TRealSink::Properties});

}  // namespace corvane::examples
