#include "examples/components/AdderMultiInput.h"

namespace corvane::examples {

TExampleAdder::TExampleAdder(kelvra::TComponent* AOwner) : TKDRealMultiInput(AOwner) {
  for (const char* name : {"InputPin1", "InputPin2"})
    QueuedPinCreateFunction(FInputs, pinweave::PinCustomOwnerSetter(this, name));
  InitDefaults(ClassRef);
}

const kelvra::TPropertyTable& TExampleAdder::Properties() {
  using T = TExampleAdder;
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<T>()
                                                  .Object("InputPin1", &T::GetInputPin1)
                                                  .Object("InputPin2", &T::GetInputPin2);
  return table;
}

void TExampleAdder::CalculateSendOutput(uint32_t ASize) {
  const auto sum = corvane::TKDRealBuffer::CreateSize(ASize);
  auto part = corvane::TKDRealBuffer::CreateSize(ASize);
  for (pinweave::TPNPin* pin : FInputs) {
    static_cast<corvane::TKDPNQueuedRealSinkPin*>(pin)->StretchLoadBuffer(part);
    sum->Add(part);
  }
  FOutputPin->SubmitBuffer(sum);
}

}  // namespace corvane::examples
