#include "corvane/algorithms/KDAveraging.h"

#include <algorithm>

#include "corvane/numeric/KDBasicDispatcher.h"

namespace corvane {

TRQAveragingRing::TRQAveragingRing() : ring_(TKDRealBuffer::CreateSize(count_)) {}

double TRQAveragingRing::AddElement(double AValue) {
  ring_->Write()[writeIndex_] = AValue;
  if (++writeIndex_ >= count_) writeIndex_ = 0;
  if (filled_ < count_) ++filled_;
  double sum = 0;
  ippsSum_64f(ring_->Read(), int(ring_->GetSize()), &sum);
  return sum / filled_;
}

void TRQAveragingRing::Clear() {
  ring_->Zero();
  filled_ = 0;
}

void TRQAveragingRing::SetCount(uint32_t ACount) {
  const uint32_t count = std::max<uint32_t>(ACount, 1);
  if (count == count_) return;
  const uint32_t size = ring_->GetSize();
  if (count <= size) {
    const uint32_t dropped = size - count;
    double* items = ring_->Modify();
    ippsMove_64f(items + dropped, items, int(count));
    ring_->Resize(count, true);
    // The received values are the `filled` positions before the write index, cyclically.
    uint32_t kept = 0;
    for (uint32_t k = 1; k <= filled_; ++k)
      if ((writeIndex_ + size - k) % size >= dropped) ++kept;
    filled_ = kept;
    writeIndex_ = writeIndex_ >= dropped ? writeIndex_ - dropped : 0;
  } else {
    ring_->Resize(count, true);
    ippsZero_64f(ring_->Modify() + size, int(count - size));
    if (filled_ > writeIndex_) writeIndex_ = size;
  }
  count_ = count;
}

TRQAveraging::TRQAveraging(kelvra::TPersistent* AOwner,
                           kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                           kelvra::TProcedure AOnChange)
    : TEnabledPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
  InitDefaults(ClassRef);
}

const kelvra::TPropertyTable& TRQAveraging::Properties() {
  static const kelvra::TPropertyTable table =
      kelvra::TPropertyTableBuilder<TRQAveraging>().Property("Count", &TRQAveraging::GetCount,
                                                             &TRQAveraging::SetCount,
                                                             TRQAveragingRing::kDefaultCount);
  return table;
}

void TRQAveraging::SetCount(uint32_t ACount) {
  const auto section = GetLock()->EnterSection();
  if (!section || std::max<uint32_t>(ACount, 1) == ring_.GetCount()) return;
  ring_.SetCount(ACount);
  NotifyProp();
}

}  // namespace corvane
