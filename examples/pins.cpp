// Pins in a few lines: a real source feeding a real sink, then an integer source feeding a real
// sink through the converter that the connection puts in between.
//
// Build and run: make run builds it as build/default/examples/pins_example.
#include <cstdio>

#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/streams/KDStreamTypes.Pins.h"

using namespace corvane;
using pinweave::Connect;
using pinweave::OperationAs;
using pinweave::TPNPin;

// A sink's component handler: prints what arrives.
static TPNNotifyResult Show(TPNPin*, TPNPin*, const kelvra::TGUID&, const TPNOperation& op,
                            TPNNotifyState) {
  if (auto* data = OperationAs<TPNSuppliedBufferOperation>(op)) {
    const auto reals = kelvra::Supports<IKDRealBuffer>(data->Value());
    std::printf("%u real samples, the first %.1f\n", reals->GetSize(), reals->Read()[0]);
  } else {
    std::printf("%s\n", std::string(op->GetInstance()->ClassType().Name()).c_str());
  }
  return {};
}

int main() {
  Initialize();  // registers the stream types and the converters
  {
    TKDPNRealSourcePin output({}, nullptr);
    TKDPNRealSinkPin input({}, nullptr, Show);
    Connect(output, input);
    output.SubmitBuffer(TKDRealBuffer::CreateValue(1.0, 1024));
    output.Stop();

    TKDPNIntegerSourcePin counts({}, nullptr);
    TKDPNRealSinkPin reals({}, nullptr, Show);
    Connect(counts, reals);  // through TKDPNIntToRealFormatConverter
    counts.SubmitBuffer(TKDIntegerBuffer::CreateValue(3, 16));
  }  // the pins go, and with them their connections and the converter
  Finalize();
}
