// Moving average over a ring of the last Count values.
//
// TRQAveragingRing holds the averaging rules: each value goes into a ring of Count values (zeros
// where nothing was written yet) and the call returns the mean of the values received so far, at
// most Count of them. TRQAveraging is the published sub-property that components hold: one ring,
// the published Enabled (values pass through unchanged, and nothing is stored, while it is false,
// as it is at first) and Count (default 10), which is set in a section of the owner's lock.
//
// One ring must not be used from two threads at once. The owner of a TRQAveraging calls
// AddElement and Clear in a section of its lock (where its processing runs anyway), so that they
// never meet SetCount. The package must have started (corvane::Initialize()), since the sums and
// moves run through the dispatch slots.
//
// Decisions where the rules leave cases open:
// - A new ring holds Count 10 and 10 zeros.
// - Shrinking keeps the last Count values of the ring's storage (not the most recent ones) at
//   its front. The write index follows its value into the kept part (to the front when its value
//   was dropped), so the ring stays in the order it was written, and `filled` becomes the number
//   of received values that were kept: the mean again covers exactly the values in the ring.
// - Growing appends zeros. When the received values wrap around the end of the ring, the write
//   index moves to the first new position, so that the next values fill the new space instead
//   of overwriting values that are still counted.
#pragma once

#include <cstdint>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane {

class TRQAveragingRing {
 public:
  static constexpr uint32_t kDefaultCount = 10;

  TRQAveragingRing();

  uint32_t GetCount() const { return count_; }
  // Values below 1 become 1; a change resizes the ring.
  void SetCount(uint32_t ACount);
  // Stores the value and returns the mean of the values received, at most Count of them.
  double AddElement(double AValue);
  // Zeroes the ring and the number of values received; the write index stays.
  void Clear();

  uint32_t GetWriteIndex() const { return writeIndex_; }
  uint32_t GetFilled() const { return filled_; }

 private:
  uint32_t count_ = kDefaultCount;
  kelvra::TIntf<IKDRealBuffer> ring_;
  uint32_t writeIndex_ = 0;
  uint32_t filled_ = 0;
};

class TRQAveraging : public kelvra::TEnabledPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQAveraging(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
               kelvra::TProcedure AOnChange);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  uint32_t GetCount() const { return ring_.GetCount(); }
  // In a section of the lock: values below 1 become 1; a change resizes the ring and notifies.
  void SetCount(uint32_t ACount);
  // The value itself while not Enabled; else the ring's mean after storing it.
  double AddElement(double AValue) { return FEnabled ? ring_.AddElement(AValue) : AValue; }
  void Clear() { ring_.Clear(); }
  const TRQAveragingRing& Ring() const { return ring_; }

 private:
  TRQAveragingRing ring_;
};

inline constexpr kelvra::TClassRef TRQAveraging::ClassRef =
    kelvra::ClassRefOf<TRQAveraging, kelvra::TEnabledPersistent>(
        "TRQAveraging", {.Properties = &TRQAveraging::Properties});

}  // namespace corvane
