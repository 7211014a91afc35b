#include "corvane/buffers/Kelvra.OpenCL.DataBufferProxy.h"

#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TIntf;

namespace {

TIntf<kelvra::IOCLContext> ContextOf(const kelvra::Variant& AParam) {
  return kelvra::Supports<kelvra::IOCLContext>(AParam.AsInterface());
}

kelvra::TOCLMemoryFlags FlagsOf(const kelvra::Variant& AParam) {
  return kelvra::TOCLMemoryFlags::FromBits(uint8_t(AParam.AsInt64()));
}

}  // namespace

TKDOpenCLSmartBufferProxy::TKDOpenCLSmartBufferProxy(TKDSmartBuffer* ABuffer,
                                                     std::span<const kelvra::Variant> AParams)
    : TKDSmartBufferProxy(ABuffer, AParams) {
  KELVRA_ASSERT(AParams.size() >= 2);
  context_ = ContextOf(AParams[0]);
  KELVRA_ASSERT(context_);
  buffer_ = context_->CreateBuffer(FlagsOf(AParams[1]), ABuffer->GetSize(), ABuffer->GetData());
}

TKDOpenCLSmartBufferProxy::~TKDOpenCLSmartBufferProxy() {
  if (!invalid_) return;
  // A destructor cannot pass an error on: a device that fails now leaves the block as it was.
  try {
    ReadBack();
  } catch (const kelvra::EOpenCL&) {
  }
}

bool TKDOpenCLSmartBufferProxy::MatchesParameters(std::span<const kelvra::Variant> AParams) {
  if (AParams.size() < 2 || ContextOf(AParams[0]) != context_) return false;
  const kelvra::TOCLMemoryFlags asked = FlagsOf(AParams[1]);
  return (asked.Bits() & ~buffer_->GetFlags().Bits()) == 0;
}

void TKDOpenCLSmartBufferProxy::Lock(kelvra::TObject* AOwner, TBufferAccessModes AModes) {
  if (!locked_.exchange(true) && AModes.Contains(TBufferAccessMode::Read)) {
    void* host = Buffer()->GetData();
    const TIntf<kelvra::IOCLCommandQueue> queue = context_->GetCommandQueue(0);
    if (buffer_->GetFlags().Contains(kelvra::mfUseHostPtr))
      // The device works in the block's memory: mapping it for writing hands the device what the
      // host wrote there.
      queue->UnmapBuffer(buffer_, queue->MapBuffer(buffer_, true, 0, buffer_->GetSize()));
    else
      queue->WriteBuffer(buffer_, true, 0, buffer_->GetSize(), host);
  }
  TKDSmartBufferProxy::Lock(AOwner, AModes);
}

void TKDOpenCLSmartBufferProxy::Syncronize(TBufferAccessModes AModes) {
  locked_ = false;
  if (AModes.Contains(TBufferAccessMode::Write)) ReadBack();
}

void TKDOpenCLSmartBufferProxy::ReadBack() {
  const TIntf<kelvra::IOCLCommandQueue> queue = context_->GetCommandQueue(0);
  if (buffer_->GetFlags().Contains(kelvra::mfUseHostPtr)) {
    // Mapping for reading brings the device's results into the block's memory.
    queue->UnmapBuffer(buffer_, queue->MapBuffer(buffer_, false, 0, buffer_->GetSize()));
    queue->Finish();
  } else {
    queue->ReadBuffer(buffer_, true, 0, buffer_->GetSize(), Buffer()->GetData());
  }
  invalid_ = false;
}

TKDOpenCLBufferProxy::TKDOpenCLBufferProxy(const TIntf<IKDGenericBuffer>& ABuffer,
                                           const TIntf<kelvra::IOCLContext>& AContext,
                                           kelvra::TOCLMemoryFlags AFlags)
    : buffer_(ABuffer) {
  const kelvra::Variant params[] = {kelvra::Variant(AContext),
                                    kelvra::Variant(int32_t(AFlags.Bits()))};
  proxy_ = kelvra::Supports<IKDOpenCLSmartBufferProxy>(
      ABuffer->GetProxy(TKDOpenCLSmartBufferProxy::ClassRef, params));
}

}  // namespace corvane
