#include "kelvra/Kelvra.Threading.ChangeNotifyLock.h"

#include <functional>

namespace kelvra {

bool TBasicChangeNotifyLock::TSection::QueryInterface(const TGUID& iid, void** out) {
  if (iid != IChangeNotifySection::IID && iid != IInterface::IID) return false;
  *out = static_cast<IChangeNotifySection*>(this);
  _AddRef();
  return true;
}

TIntf<IChangeNotifySection> TBasicChangeNotifyLock::EnterSection() {
  TIntf<IChangeNotifySection> section(&section_);
  if (IsDestroying()) return {};  // checked holding the lock: a destroyer that marked it first wins
  return section;
}

TIntf<IChangeNotifySection> TBasicChangeNotifyLock::EnterStopSection() {
  return TIntf<IChangeNotifySection>(&section_);
}

bool TBasicChangeNotifyLock::Execute(const TProcedure& AProcedure) {
  const TIntf<IChangeNotifySection> section = EnterSection();
  if (!section) return false;
  AProcedure();
  return true;
}

void TBasicChangeNotifyLock::NotifyChange() {
  if (notify_) notify_();
}

// ---------------------------------------------------------------------------------------------

void TChangeNotifyLock::ExecuteReleased(const TProcedure& AProcedure) {
  // Taken back however AProcedure ends.
  struct TRelock {
    TReentrantLock& lock;
    const int32_t depth;
    ~TRelock() { lock.RelockTo(depth); }
  } relock{lock_, lock_.UnlockAll()};
  AProcedure();
}

// ---------------------------------------------------------------------------------------------

TPairedLock::TPairedLock(const TIntf<IChangeNotifyLock>& A, const TIntf<IChangeNotifyLock>& B,
                         TProcedure ANotify)
    : TBasicChangeNotifyLock(std::move(ANotify)),
      lower_(std::less<>()(A.get(), B.get()) ? A : B),
      higher_(std::less<>()(A.get(), B.get()) ? B : A) {}

void TPairedLock::Enter() {
  lower_->Enter();
  higher_->Enter();
}

void TPairedLock::Leave() {
  higher_->Leave();
  lower_->Leave();
}

void TPairedLock::ExecuteReleased(const TProcedure& AProcedure) {
  higher_->ExecuteReleased([&] { lower_->ExecuteReleased(AProcedure); });
}

void TPairedLock::MarkDestroying() {
  lower_->MarkDestroying();
  higher_->MarkDestroying();
}

bool TPairedLock::IsDestroying() { return lower_->IsDestroying() || higher_->IsDestroying(); }

}  // namespace kelvra
