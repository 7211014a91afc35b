#include "examples/components/RealSink.h"

#include <functional>

namespace corvane::examples {

const kelvra::TPropertyTable& TRealSink::Properties() {
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<TRealSink>().Object("InputPin", &TRealSink::FInputPin);
  return table;
}

TRealSink::TRealSink(kelvra::TComponent* AOwner)
    : TLockComponent(AOwner),
      FInputPin(std::make_unique<TKDPNRealSinkPin>(
          pinweave::PinCustomOwnerSetter(this, "InputPin"), GetLock(),
          std::bind_front(&TRealSink::Notification, this))) {
  InitDefaults(ClassRef);
}

TPNNotifyResult TRealSink::Notification(pinweave::TPNPin*, pinweave::TPNPin*,
                                        const kelvra::TGUID&, const TPNOperation& AOperation,
                                        TPNNotifyState AState) {
  if (AState.Contains(pinweave::nsConnecting)) return {};
  const auto section = GetLock()->EnterSection();
  if (!section) return {};
  if (const auto* data = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation)) {
    if (const auto buffer = kelvra::Supports<IKDRealBuffer>(data->Value())) ProcessBuffer(buffer);
  } else if (const auto* start = pinweave::OperationAs<TPNStartSampleRateOperation>(AOperation)) {
    StreamStart(start->SampleRate);
  } else if (AOperation->IsType(pinweave::TPNStopOperation::ClassRef)) {
    StreamStop();
  }
  return {};
}

}  // namespace corvane::examples
