// An example of a component that spreads its work: a soft clipper, y = x / sqrt(1 + x²), which
// bends every sample smoothly into -1 .. 1.
//
// It asks its Processing object for the means once, at the first buffer: an OpenCL context when
// a GPU engine (or a manager connected to its processing pin) answers with one, else an executor.
// On a device the samples go through a device copy of the output buffer (TKDOpenCLBufferProxy)
// and a kernel built from source at first use; on an executor they are cut into strides of the
// stride size, which the executor's groups share out. Without either it clips on the calling
// thread. The device computes in double precision with correctly rounded division and square
// root, so all three ways give the same samples.
#pragma once

#include <memory>

#include "corvane/framework/Kelvra.Processing.h"
#include "corvane/streams/KDStreamTypes.Pins.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane::examples {

class TParallelSoftClip : public kelvra::TLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TParallelSoftClip(kelvra::TComponent* AOwner);
  ~TParallelSoftClip() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  TKDPNRealSinkPin* GetInputPin() const { return FInputPin.get(); }
  TKDPNRealSourcePin* GetOutputPin() const { return FOutputPin.get(); }
  TRQProcessing* GetProcessing() const { return FProcessing.get(); }

  // The clipped samples of AInput, by whichever means the component has.
  kelvra::TIntf<IKDRealBuffer> Clip(const kelvra::TIntf<IKDRealBuffer>& AInput);
  // Whether the means obtained are an OpenCL device (after the first Clip).
  bool UsesDevice() const { return bool(FMeans.Context); }

 private:
  pinweave::TPNNotifyResult InputNotification(pinweave::TPNPin* APin, pinweave::TPNPin* AOther,
                                              const kelvra::TGUID& AType,
                                              const pinweave::TPNOperation& AOperation,
                                              pinweave::TPNNotifyState AState);
  void ObtainMeans();
  void ClipOnDevice(const kelvra::TIntf<IKDRealBuffer>& AOutput);
  void ClipOnExecutor(double* AData, int64_t ACount);

  std::unique_ptr<TKDPNRealSinkPin> FInputPin;
  std::unique_ptr<TKDPNRealSourcePin> FOutputPin;
  std::unique_ptr<TRQProcessing> FProcessing;
  bool FMeansObtained = false;
  TRQProcessingMeans FMeans;
  kelvra::TIntf<kelvra::IOCLKernel> FKernel;  // built at the first use of the device
};
inline constexpr kelvra::TClassRef TParallelSoftClip::ClassRef =
    kelvra::ClassRefOf<TParallelSoftClip, kelvra::TLockComponent>(
        "TParallelSoftClip", {.Properties = &TParallelSoftClip::Properties});

// y = x / sqrt(1 + x²) over AData in place: the step every way of clipping shares.
void SoftClip(double* AData, int64_t ACount);

}  // namespace corvane::examples
