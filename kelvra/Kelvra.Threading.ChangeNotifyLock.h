// The lock of a component: one IChangeNotifyLock per component, taken by everything that reads or
// changes the component's state from more than one thread.
//
// Work under the lock is done in a section: a handle that holds the lock (re-entrantly) from the
// moment it is taken until its last reference is released. A section belongs to the thread that
// took it: hand it to no other thread, and let it end before its lock object goes.
//
// While the component is being destroyed (MarkDestroying), EnterSection hands out empty sections,
// and the work they guard is skipped; EnterStopSection takes the lock all the same, for the work
// that stops or disables the component, which destruction itself does.
//
// TPairedLock makes one lock of two: a filter keeps an input and an output lock, processes buffers
// under the output lock alone and changes properties under both. Both are always taken in one
// order, the lower address first, so two threads that take the same two never deadlock through
// the pair. A thread that holds one of them alone must not take the pair: it would wait for the
// other while holding the first, out of order.
#pragma once

#include <atomic>
#include <type_traits>
#include <utility>

#include "kelvra/Kelvra.Threading.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

// A held lock section: it has no operations; holding a reference is holding the lock.
class IChangeNotifySection : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{B8E3F1A6-2D47-4C90-A5E1-7F06C3B9D214}");
};

class TChangeNotifySetter;

class IChangeNotifyLock : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{4A91D6C3-E85B-4F27-9C0D-3B62E1F7A508}");

  // Takes a section, waiting while another thread holds one; empty (the lock not held) when the
  // owner is being destroyed.
  virtual TIntf<IChangeNotifySection> EnterSection() = 0;
  // Takes a section even while the owner is being destroyed: the form for stopping and disabling.
  virtual TIntf<IChangeNotifySection> EnterStopSection() = 0;
  // Runs AProcedure in a section; false, without running it, when the section is empty.
  virtual bool Execute(const TProcedure& AProcedure) = 0;
  // Runs AProcedure with the lock left by the calling thread, however often it holds it, and
  // takes it back as often afterwards (also when AProcedure throws). For a wait that the lock's
  // other users must be able to end: a producer waiting for room in a queue.
  virtual void ExecuteReleased(const TProcedure& AProcedure) = 0;
  // From now on, EnterSection hands out empty sections.
  virtual void MarkDestroying() = 0;
  virtual bool IsDestroying() = 0;
  // Calls the change procedure the lock was made with (nothing when none was).
  virtual void NotifyChange() = 0;
  // One level of the lock, the stuff sections are made of; Leave on the thread that entered.
  virtual void Enter() = 0;
  virtual void Leave() = 0;

  // The setter object of this lock.
  TChangeNotifySetter Setter();
};

// Stores property values under the lock.
class TChangeNotifySetter {
 public:
  explicit TChangeNotifySetter(IChangeNotifyLock& ALock) : lock_(ALock) {}

  // In a section of the lock (nothing at all when it is empty): stores AValue in AField. When the
  // field changed, calls ANotify (when set) and, with ANotifyOwner, the lock's change procedure,
  // both still in the section. True when it changed.
  template <class T>
  bool Set(T& AField, std::type_identity_t<T> AValue, const TProcedure& ANotify,
           bool ANotifyOwner) {
    const TIntf<IChangeNotifySection> section = lock_.EnterSection();
    if (!section || AField == AValue) return false;
    AField = std::move(AValue);
    if (ANotify) ANotify();
    if (ANotifyOwner) lock_.NotifyChange();
    return true;
  }

  // Set, storing AMinimum when AValue is below it.
  template <class T>
  bool SetterMin(T& AField, std::type_identity_t<T> AValue, std::type_identity_t<T> AMinimum,
                 const TProcedure& ANotify, bool ANotifyOwner) {
    return Set(AField, AValue < AMinimum ? AMinimum : AValue, ANotify, ANotifyOwner);
  }

 private:
  IChangeNotifyLock& lock_;
};

inline TChangeNotifySetter IChangeNotifyLock::Setter() { return TChangeNotifySetter(*this); }

// What both locks share: sections, Execute and the change procedure, on top of Enter and Leave.
class TBasicChangeNotifyLock : public TInterfacedObject, public IChangeNotifyLock {
 public:
  TIntf<IChangeNotifySection> EnterSection() override;
  TIntf<IChangeNotifySection> EnterStopSection() override;
  bool Execute(const TProcedure& AProcedure) override;
  void NotifyChange() override;
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TBasicChangeNotifyLock, IChangeNotifyLock>(this, iid, out);
  }

 protected:
  explicit TBasicChangeNotifyLock(TProcedure ANotify)
      : notify_(std::move(ANotify)), section_(*this) {}

 private:
  // The one section object of the lock: its reference count is the lock's depth, each reference
  // one Enter, each release one Leave. Taking a section therefore allocates nothing.
  class TSection final : public IChangeNotifySection {
   public:
    explicit TSection(IChangeNotifyLock& ALock) : lock_(ALock) {}
    bool QueryInterface(const TGUID& iid, void** out) override;
    int32_t _AddRef() override {
      lock_.Enter();
      return 1;
    }
    int32_t _Release() override {
      lock_.Leave();
      return 1;
    }

   private:
    IChangeNotifyLock& lock_;
  };

  const TProcedure notify_;
  TSection section_;
};

class TChangeNotifyLock final : public TBasicChangeNotifyLock {
 public:
  // ANotify: the owner's change procedure, called by NotifyChange.
  static TIntf<IChangeNotifyLock> Create(TProcedure ANotify = {}) {
    return new TChangeNotifyLock(std::move(ANotify));
  }

  void ExecuteReleased(const TProcedure& AProcedure) override;
  void MarkDestroying() override { destroying_.store(true, std::memory_order_relaxed); }
  bool IsDestroying() override { return destroying_.load(std::memory_order_relaxed); }
  void Enter() override { lock_.lock(); }
  void Leave() override { lock_.unlock(); }

 private:
  explicit TChangeNotifyLock(TProcedure ANotify) : TBasicChangeNotifyLock(std::move(ANotify)) {}

  TReentrantLock lock_;
  std::atomic<bool> destroying_{false};
};

// One lock over two: entering it enters both, the one at the lower address first. Its sections
// are empty when either is being destroyed; MarkDestroying marks both.
class TPairedLock final : public TBasicChangeNotifyLock {
 public:
  static TIntf<IChangeNotifyLock> Create(const TIntf<IChangeNotifyLock>& A,
                                         const TIntf<IChangeNotifyLock>& B,
                                         TProcedure ANotify = {}) {
    return new TPairedLock(A, B, std::move(ANotify));
  }

  // Leaves the higher lock, then the lower, and takes them back lower first.
  void ExecuteReleased(const TProcedure& AProcedure) override;
  void MarkDestroying() override;
  bool IsDestroying() override;
  void Enter() override;
  void Leave() override;

 private:
  TPairedLock(const TIntf<IChangeNotifyLock>& A, const TIntf<IChangeNotifyLock>& B,
              TProcedure ANotify);

  TIntf<IChangeNotifyLock> lower_, higher_;
};

}  // namespace kelvra
