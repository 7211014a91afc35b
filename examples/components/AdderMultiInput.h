// A two-input adder: the sum of InputPin1 and InputPin2, block by block, each input stretched to
// the output rate (the higher of the two rates at the start). Streams as the class TExampleAdder,
// with OutputBuffer (Size, AutoSize) besides its pins.
#pragma once

#include "corvane/streams/KDMultiInput.h"

namespace corvane::examples {

class TExampleAdder : public corvane::TKDRealMultiInput {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TExampleAdder(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  corvane::TKDPNQueuedRealSinkPin* GetInputPin1() const { return Input(0); }
  corvane::TKDPNQueuedRealSinkPin* GetInputPin2() const { return Input(1); }

  // Adds the stretched blocks of both inputs and sends the sum.
  void CalculateSendOutput(uint32_t ASize) override;

 private:
  corvane::TKDPNQueuedRealSinkPin* Input(int32_t AIndex) const {
    return static_cast<corvane::TKDPNQueuedRealSinkPin*>(FInputs[AIndex]);
  }

  pinweave::TPNPinList FInputs;
};

inline constexpr kelvra::TClassRef TExampleAdder::ClassRef =
    kelvra::ClassRefOf<TExampleAdder, corvane::TKDRealMultiInput>(
        "TExampleAdder", {.Properties = &TExampleAdder::Properties});

}  // namespace corvane::examples
