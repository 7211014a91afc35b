// Persistent helpers shared by the components of the product family: the component base with an
// input and an output lock, small property objects (login, optional setting and visibility,
// integer and float points, master pumping), named and point collection items, a language
// descriptor, a byte-array property, a read-only object list, and three free routines.
//
// Every property object is a TLockPersistent (or a TLockCollectionItem) with a property table
// (kelvra/Kelvra.Persistence.h): its defaults are set when it is made, and each setter stores the
// value under the owner's lock and reports the change (NotifyProp, or Changed for an item) only
// when the value changed. Values are read without the lock: a reader on another thread takes a
// section of the owner's lock itself.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <ranges>
#include <span>
#include <string>
#include <vector>

#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.Threading.ChangeNotifyLock.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane {

// A component whose lock is split in two. The input lock is the component's first lock, the
// output lock a second one, and the component lock (GetLock) takes both, in one fixed order.
// Buffer processing runs under the output lock alone; property setters, start and stop take the
// component lock, and so wait for the buffer being processed; settings of the input side take the
// input lock alone. A thread that holds one of the two alone must not take the component lock.
// Freeing the component marks both destroying.
class TRQInputOutputLockComponent : public kelvra::TLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  explicit TRQInputOutputLockComponent(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

 protected:
  kelvra::TIntf<kelvra::IChangeNotifyLock> FInputLock, FOutputLock;
};

class TRQLogin : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  // Made with its owner, the owner's lock and what its NotifyProp calls.
  TRQLogin(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
           kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  const std::string& GetUserName() const { return FUserName; }
  void SetUserName(const std::string& AValue) { SetProperty(FUserName, AValue); }
  const std::string& GetPassword() const { return FPassword; }
  void SetPassword(const std::string& AValue) { SetProperty(FPassword, AValue); }

 private:
  std::string FUserName, FPassword;
};

class TRQOptionalSettingProperty : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQOptionalSettingProperty(kelvra::TPersistent* AOwner,
                             kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                             kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetUseCurrent() const { return FUseCurrent; }
  void SetUseCurrent(bool AValue) { SetProperty(FUseCurrent, AValue); }

 private:
  bool FUseCurrent{};
};

class TRQOptionalVisibilityProperty : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQOptionalVisibilityProperty(kelvra::TPersistent* AOwner,
                                kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                                kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetVisible() const { return FVisible; }
  void SetVisible(bool AValue) { SetProperty(FVisible, AValue); }

 private:
  bool FVisible{};
};

class TRQIntegerPointProperty : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQIntegerPointProperty(kelvra::TPersistent* AOwner,
                          kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                          kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  int32_t GetX() const { return FX; }
  void SetX(int32_t AValue) { SetProperty(FX, AValue); }
  int32_t GetY() const { return FY; }
  void SetY(int32_t AValue) { SetProperty(FY, AValue); }

 private:
  int32_t FX{}, FY{};
};

class TRQFloatPointProperty : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQFloatPointProperty(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                        kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  float GetX() const { return FX; }
  void SetX(float AValue) { SetProperty(FX, AValue); }
  float GetY() const { return FY; }
  void SetY(float AValue) { SetProperty(FY, AValue); }

 private:
  float FX{}, FY{};
};

// Whether a component that can pace its upstream offers to be its master pump, and with which
// priority (the highest offer wins the negotiation).
class TRQMasterPumping : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQMasterPumping(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                   kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }
  uint32_t GetPriority() const { return FPriority; }
  void SetPriority(uint32_t AValue) { SetProperty(FPriority, AValue); }

 protected:
  bool FEnabled{};
  uint32_t FPriority{};
};

// Master pumping that starts enabled, with priority 10.
class TRQDefaultEnabledMasterPumping : public TRQMasterPumping {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  TRQDefaultEnabledMasterPumping(kelvra::TPersistent* AOwner,
                                 kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                                 kelvra::TProcedure AOnChange)
      : TRQMasterPumping(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

// A point in a collection; listed as "(X,Y)".
class TRQCollectionPoint : public kelvra::TLockCollectionItem {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQCollectionPoint(kelvra::TLockCollection* ACollection);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  std::string GetDisplayName() const override;

  float GetX() const { return FX; }
  void SetX(float AValue) { SetProperty(FX, AValue); }
  float GetY() const { return FY; }
  void SetY(float AValue) { SetProperty(FY, AValue); }

 private:
  float FX{}, FY{};
};

class TRQCollectionPoints : public kelvra::TTypedCollection<TRQCollectionPoint> {
 public:
  static const kelvra::TClassRef ClassRef;
  using TTypedCollection::TTypedCollection;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};

// A collection item with a name, listed by its name when it has one.
class TRQNamedCollectionItem : public kelvra::TLockCollectionItem {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQNamedCollectionItem(kelvra::TLockCollection* ACollection);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  std::string GetDisplayName() const override;

  const std::string& GetName() const { return FName; }
  void SetName(const std::string& AValue) { SetProperty(FName, AValue); }

 private:
  std::string FName;
};

class TRQOptionalNamedCollectionItem : public TRQNamedCollectionItem {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TRQOptionalNamedCollectionItem(kelvra::TLockCollection* ACollection);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { SetProperty(FEnabled, AValue); }

 private:
  bool FEnabled{};
};

// A language, by its Windows language identifier (LANGID: primary language in the low 10 bits,
// sublanguage above; the higher bits of a locale identifier are ignored).
class TRQLanguage {
 public:
  using TIDGetter = std::function<uint32_t()>;
  // The language that AIDGetter names whenever it is asked.
  explicit TRQLanguage(TIDGetter AIDGetter) : FIDGetter(std::move(AIDGetter)) {}
  // The language AID.
  explicit TRQLanguage(uint32_t AID) : FIDGetter([AID] { return AID; }), FID(AID) {}

  uint32_t GetID() const { return FIDGetter(); }
  uint32_t GetIntID() const { return FID; }
  // The name of the language and of its country, as "German (Germany)", from the C library's
  // locale definitions (the language and territory of the locale's identification, read from
  // /usr/share/i18n/locales: they need no compiled locales). Identifiers map to locale names
  // through a small table of common languages; an identifier outside it, or a locale whose
  // definition is not installed, gives an empty name.
  std::string GetLocalizedName() const;

 private:
  TIDGetter FIDGetter;
  uint32_t FID = 0;
};

// A byte array streamed as "_Data" (Base64 in the text form), read in place of what it held.
class TRQBinaryPersistent : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  TRQBinaryPersistent(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                      kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {}
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  int32_t Count() const { return int32_t(FBytes.size()); }
  // One byte; ERangeError for an index outside 0 .. Count - 1.
  uint8_t GetItem(int32_t AIndex) const {
    return FBytes[kelvra::CheckListIndex(AIndex, FBytes.size())];
  }
  void SetItem(int32_t AIndex, uint8_t AValue);
  // The bytes themselves, not a copy.
  const std::vector<uint8_t>& GetBytes() const { return FBytes; }
  // Takes a copy of ABytes; false, changing nothing, when they equal the bytes held.
  bool SetBytes(std::span<const uint8_t> ABytes);
  void Assign(const kelvra::TPersistent& ASource) override;
  void DefineProperties(kelvra::TFiler& AFiler) override;

 private:
  std::vector<uint8_t> FBytes;
};

// An object list that owns and frees its objects and shows its users only reading: Items, Count,
// enumeration in both directions and a query. The class that fills it derives from it.
template <class T>
class TRQReadOnlyObjectList {
 public:
  TRQReadOnlyObjectList() = default;
  TRQReadOnlyObjectList(const TRQReadOnlyObjectList&) = delete;
  TRQReadOnlyObjectList& operator=(const TRQReadOnlyObjectList&) = delete;
  virtual ~TRQReadOnlyObjectList() { Clear(); }

  int32_t Count() const { return int32_t(items_.size()); }
  // ERangeError for an index outside 0 .. Count - 1.
  T* Items(int32_t AIndex) const { return items_[kelvra::CheckListIndex(AIndex, items_.size())]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  auto Reversed() const { return std::views::reverse(items_); }
  // The objects for which APredicate holds, in order.
  template <class P>
  std::vector<T*> Query(P APredicate) const {
    std::vector<T*> found;
    std::ranges::copy_if(items_, std::back_inserter(found), APredicate);
    return found;
  }

 protected:
  // The list takes AObject over.
  void Add(std::unique_ptr<T> AObject) { items_.push_back(AObject.release()); }
  void Clear() {
    while (!items_.empty()) {
      delete items_.back();
      items_.pop_back();
    }
  }

 private:
  std::vector<T*> items_;  // owned
};

// The system colours that a negative colour names by its low byte, resolved by RQColorToRGB.
using TColor = int32_t;

// A rectangle of the four values, each rounded to the nearest integer (halves to even), as left,
// top, right and bottom; ERangeError for a value that rounds outside the 32-bit integers.
kelvra::TRect RQMakeRect(double ALeft, double ATop, double ARight, double ABottom);
// AColor unchanged when it is not negative; otherwise the system colour whose index is its low
// byte, from a fixed table (0x00BBGGRR); 0 for an index past the table.
TColor RQColorToRGB(TColor AColor);

// With AEnabled: AMinimum for a value below it, else AMaximum for a value above that; the value
// itself otherwise, and always without AEnabled.
template <class T>
T RQMinMax(T AValue, T AMinimum, T AMaximum, bool AEnabled) {
  if (!AEnabled) return AValue;
  if (AValue < AMinimum) return AMinimum;
  if (AValue > AMaximum) return AMaximum;
  return AValue;
}

// ---------------------------------------------------------------------------------------------
// Class references.

inline constexpr kelvra::TClassRef TRQInputOutputLockComponent::ClassRef =
    kelvra::ClassRefOf<TRQInputOutputLockComponent, kelvra::TLockComponent>(
        "TRQInputOutputLockComponent");
inline constexpr kelvra::TClassRef TRQLogin::ClassRef =
    kelvra::ClassRefOf<TRQLogin, kelvra::TLockPersistent>("TRQLogin",
                                                          {.Properties = &TRQLogin::Properties});
inline constexpr kelvra::TClassRef TRQOptionalSettingProperty::ClassRef =
    kelvra::ClassRefOf<TRQOptionalSettingProperty, kelvra::TLockPersistent>(
        "TRQOptionalSettingProperty", {.Properties = &TRQOptionalSettingProperty::Properties});
inline constexpr kelvra::TClassRef TRQOptionalVisibilityProperty::ClassRef =
    kelvra::ClassRefOf<TRQOptionalVisibilityProperty, kelvra::TLockPersistent>(
        "TRQOptionalVisibilityProperty",
        {.Properties = &TRQOptionalVisibilityProperty::Properties});
inline constexpr kelvra::TClassRef TRQIntegerPointProperty::ClassRef =
    kelvra::ClassRefOf<TRQIntegerPointProperty, kelvra::TLockPersistent>(
        "TRQIntegerPointProperty", {.Properties = &TRQIntegerPointProperty::Properties});
inline constexpr kelvra::TClassRef TRQFloatPointProperty::ClassRef =
    kelvra::ClassRefOf<TRQFloatPointProperty, kelvra::TLockPersistent>(
        "TRQFloatPointProperty", {.Properties = &TRQFloatPointProperty::Properties});
inline constexpr kelvra::TClassRef TRQMasterPumping::ClassRef =
    kelvra::ClassRefOf<TRQMasterPumping, kelvra::TLockPersistent>(
        "TRQMasterPumping", {.Properties = &TRQMasterPumping::Properties});
inline constexpr kelvra::TClassRef TRQDefaultEnabledMasterPumping::ClassRef =
    kelvra::ClassRefOf<TRQDefaultEnabledMasterPumping, TRQMasterPumping>(
        "TRQDefaultEnabledMasterPumping",
        {.Properties = &TRQDefaultEnabledMasterPumping::Properties});
inline constexpr kelvra::TClassRef TRQCollectionPoint::ClassRef =
    kelvra::ClassRefOf<TRQCollectionPoint, kelvra::TLockCollectionItem>(
        "TRQCollectionPoint", {.Properties = &TRQCollectionPoint::Properties});
inline constexpr kelvra::TClassRef TRQCollectionPoints::ClassRef =
    kelvra::ClassRefOf<TRQCollectionPoints, kelvra::TLockCollection>("TRQCollectionPoints");
inline constexpr kelvra::TClassRef TRQNamedCollectionItem::ClassRef =
    kelvra::ClassRefOf<TRQNamedCollectionItem, kelvra::TLockCollectionItem>(
        "TRQNamedCollectionItem", {.Properties = &TRQNamedCollectionItem::Properties});
inline constexpr kelvra::TClassRef TRQOptionalNamedCollectionItem::ClassRef =
    kelvra::ClassRefOf<TRQOptionalNamedCollectionItem, TRQNamedCollectionItem>(
        "TRQOptionalNamedCollectionItem",
        {.Properties = &TRQOptionalNamedCollectionItem::Properties});
inline constexpr kelvra::TClassRef TRQBinaryPersistent::ClassRef =
    kelvra::ClassRefOf<TRQBinaryPersistent, kelvra::TLockPersistent>("TRQBinaryPersistent");

}  // namespace corvane
