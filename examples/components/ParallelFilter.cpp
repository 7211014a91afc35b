#include "examples/components/ParallelFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "corvane/buffers/Kelvra.OpenCL.DataBufferProxy.h"

namespace corvane::examples {

using kelvra::TIntf;

namespace {

constexpr const char* kSoftClipSource = R"(
#pragma OPENCL EXTENSION cl_khr_fp64 : enable
__kernel void soft_clip(__global double* data) {
  const size_t i = get_global_id(0);
  const double x = data[i];
  data[i] = x / sqrt(1.0 + x * x);
}
)";

}  // namespace

void SoftClip(double* AData, int64_t ACount) {
  for (int64_t i = 0; i < ACount; ++i) AData[i] = AData[i] / std::sqrt(1.0 + AData[i] * AData[i]);
}

const kelvra::TPropertyTable& TParallelSoftClip::Properties() {
  using T = TParallelSoftClip;
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<T>()
                                                  .Object("InputPin", &T::FInputPin)
                                                  .Object("OutputPin", &T::FOutputPin)
                                                  .AutoManaged("Processing", &T::FProcessing);
  return table;
}

TParallelSoftClip::TParallelSoftClip(kelvra::TComponent* AOwner)
    : TLockComponent(AOwner),
      FInputPin(std::make_unique<TKDPNRealSinkPin>(
          pinweave::PinCustomOwnerSetter(this, "InputPin"), GetLock(),
          [this](pinweave::TPNPin* APin, pinweave::TPNPin* AOther, const kelvra::TGUID& AType,
                 const pinweave::TPNOperation& AOperation, pinweave::TPNNotifyState AState) {
            return InputNotification(APin, AOther, AType, AOperation, AState);
          })),
      FOutputPin(std::make_unique<TKDPNRealSourcePin>(
          pinweave::PinCustomOwnerSetter(this, "OutputPin"), GetLock())) {
  InitDefaults(ClassRef);
}

TParallelSoftClip::~TParallelSoftClip() = default;

pinweave::TPNNotifyResult TParallelSoftClip::InputNotification(
    pinweave::TPNPin*, pinweave::TPNPin*, const kelvra::TGUID&,
    const pinweave::TPNOperation& AOperation, pinweave::TPNNotifyState) {
  const auto* supplied = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation);
  if (!supplied) return FOutputPin->Notify(AOperation);  // start, stop and the like pass on
  if (TIntf<IKDRealBuffer> input = kelvra::Supports<IKDRealBuffer>(supplied->Value()))
    return FOutputPin->SubmitBuffer(Clip(input));
  return {};
}

void TParallelSoftClip::ObtainMeans() {
  if (FMeansObtained) return;
  FMeansObtained = true;
  FProcessing->GetEngines(this, FMeans);
}

TIntf<IKDRealBuffer> TParallelSoftClip::Clip(const TIntf<IKDRealBuffer>& AInput) {
  ObtainMeans();
  const uint32_t count = AInput->GetSize();
  TIntf<IKDRealBuffer> output = TKDRealBuffer::CreateSize(count);
  if (count == 0) return output;
  std::memcpy(output->Write(), AInput->Read(), count * sizeof(double));
  if (FMeans.Context)
    ClipOnDevice(output);
  else if (FMeans.Executor)
    ClipOnExecutor(output->Modify(), count);
  else
    SoftClip(output->Modify(), count);
  return output;
}

void TParallelSoftClip::ClipOnDevice(const TIntf<IKDRealBuffer>& AOutput) {
  if (!FKernel) FKernel = FMeans.Context->BuildProgram(kSoftClipSource)->CreateKernel("soft_clip");
  TIntf<TKDOpenCLBufferProxy> proxy(
      new TKDOpenCLBufferProxy(kelvra::Supports<IKDGenericBuffer>(AOutput), FMeans.Context,
                               {kelvra::mfReadWrite, kelvra::mfUseHostPtr}));
  TKDSmartBufferProxy* device = proxy->SmartProxy()->GetInstance();
  // Locked for reading and writing: the samples go to the device first, and the last unlock
  // reads the results back into the buffer. This clip is the user that locks.
  kelvra::TObject user;
  device->Lock(&user, {TBufferAccessMode::Read, TBufferAccessMode::Write});
  FKernel->SetBufferArg(0, proxy->SmartProxy()->GetBuffer());
  const size_t global[] = {AOutput->GetSize()};
  FMeans.Context->GetCommandQueue(0)->EnqueueKernel(FKernel, global);
  device->Unlock(&user);
}

void TParallelSoftClip::ClipOnExecutor(double* AData, int64_t ACount) {
  const int64_t stride = std::max<int64_t>(1, FMeans.StrideSize);
  FMeans.Executor->Execute((ACount + stride - 1) / stride, [&](int64_t AFirst, int64_t ALast) {
    const int64_t first = AFirst * stride;
    SoftClip(AData + first, std::min(ACount, ALast * stride) - first);
  });
}

}  // namespace corvane::examples
