// Demo classes of the component tests: a property object with a value of every kind, a
// collection with two item classes, and a component that owns both, streams bytes and a
// reference of its own, and logs what happens to it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kelvra/Kelvra.Components.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace kelvra::testing {

enum TDemoMode : uint8_t { dmOff, dmSlow, dmFast };
inline constexpr std::string_view kDemoModeNames[] = {"dmOff", "dmSlow", "dmFast"};

class TDemoSettings : public TLockPersistent {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties();
  TDemoSettings(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock, TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const TClassRef& ClassType() const override { return ClassRef; }

  void SetTitle(const std::string& AValue) { SetProperty(FTitle, AValue); }
  void SetCount(uint32_t AValue) { SetProperty(FCount, AValue); }
  void SetGain(double AValue) { SetProperty(FGain, AValue); }
  void SetLevel(float AValue) { SetProperty(FLevel, AValue); }
  void SetMode(TDemoMode AValue) { SetProperty(FMode, AValue); }
  void SetBig(int64_t AValue) { SetProperty(FBig, AValue); }
  void SetActive(bool AValue) { SetProperty(FActive, AValue); }
  int32_t GetOffset() const { return FOffset; }
  void SetOffset(int32_t AValue) { SetProperty(FOffset, AValue); }
  bool IsOffsetStored() const { return FActive; }

  std::string FTitle;
  uint32_t FCount{};
  double FGain{};
  float FLevel{};  // no default: always written
  TDemoMode FMode{};
  int64_t FBig{};
  bool FActive{};
  int32_t FOffset{};  // read through a function, written only while Active
};

inline const TPropertyTable& TDemoSettings::Properties() {
  using T = TDemoSettings;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
      .Property("Title", &T::FTitle, &T::SetTitle, "untitled")
      .Property("Count", &T::FCount, &T::SetCount, 15)
      .Property("Gain", &T::FGain, &T::SetGain, 1.0)
      .Property("Level", &T::FLevel, &T::SetLevel)
      .Property("Mode", &T::FMode, &T::SetMode, dmSlow, kDemoModeNames)
      .Property("Big", &T::FBig, &T::SetBig, 0)
      .Property("Active", &T::FActive, &T::SetActive, true)
      .Property("Offset", &T::GetOffset, &T::SetOffset, 0)
      .Stored(&T::IsOffsetStored);
  return table;
}
inline constexpr TClassRef TDemoSettings::ClassRef =
    ClassRefOf<TDemoSettings, TLockPersistent>("TDemoSettings", {.Properties = &TDemoSettings::Properties});

// Names Count again, with another default.
class TDemoStrictSettings : public TDemoSettings {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties();
  TDemoStrictSettings(TPersistent* AOwner, TIntf<IChangeNotifyLock> ALock, TProcedure AOnChange)
      : TDemoSettings(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const TClassRef& ClassType() const override { return ClassRef; }
};

inline const TPropertyTable& TDemoStrictSettings::Properties() {
  using T = TDemoStrictSettings;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().Property("Count", &T::FCount, &T::SetCount, 3);
  return table;
}
inline constexpr TClassRef TDemoStrictSettings::ClassRef = ClassRefOf<TDemoStrictSettings, TDemoSettings>(
    "TDemoStrictSettings", {.Properties = &TDemoStrictSettings::Properties});

class TDemoItem : public TLockCollectionItem {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties();
  explicit TDemoItem(TLockCollection* ACollection) : TLockCollectionItem(ACollection) {
    InitDefaults(ClassRef);
  }
  const TClassRef& ClassType() const override { return ClassRef; }
  void SetCaption(const std::string& AValue) { SetProperty(FCaption, AValue); }
  void SetWeight(double AValue) { SetProperty(FWeight, AValue); }

  std::string FCaption;
  double FWeight{};
};

inline const TPropertyTable& TDemoItem::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TDemoItem>()
      .Property("Caption", &TDemoItem::FCaption, &TDemoItem::SetCaption, "")
      .Property("Weight", &TDemoItem::FWeight, &TDemoItem::SetWeight, 0.0);
  return table;
}
inline constexpr TClassRef TDemoItem::ClassRef =
    ClassRefOf<TDemoItem, TLockCollectionItem>("TDemoItem", {.Properties = &TDemoItem::Properties});

class TDemoSpecialItem : public TDemoItem {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties();
  explicit TDemoSpecialItem(TLockCollection* ACollection) : TDemoItem(ACollection) {
    InitDefaults(ClassRef);
  }
  const TClassRef& ClassType() const override { return ClassRef; }
  void SetExtra(bool AValue) { SetProperty(FExtra, AValue); }
  bool FExtra{};
};

inline const TPropertyTable& TDemoSpecialItem::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TDemoSpecialItem>().Property(
      "Extra", &TDemoSpecialItem::FExtra, &TDemoSpecialItem::SetExtra, false);
  return table;
}
inline constexpr TClassRef TDemoSpecialItem::ClassRef = ClassRefOf<TDemoSpecialItem, TDemoItem>(
    "TDemoSpecialItem", {.Properties = &TDemoSpecialItem::Properties});

using TDemoItems = TTypedCollection<TDemoItem>;

// Logs its notices, its loading and its end to Log() as "<name>: <what>".
class TDemoComponent : public TLockComponent {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties();
  explicit TDemoComponent(TComponent* AOwner) : TLockComponent(AOwner) { InitDefaults(ClassRef); }
  ~TDemoComponent() override { Log().push_back(GetName() + ": destroyed"); }
  const TClassRef& ClassType() const override { return ClassRef; }

  static std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
  }

  void Notification(TComponent* AComponent, TOperation AOperation) override {
    if (AComponent == partner && AOperation == opRemove) partner = nullptr;
    Log().push_back(GetName() + (AOperation == opInsert ? ": inserted " : ": removed ") +
                    AComponent->GetName());
    TLockComponent::Notification(AComponent, AOperation);
  }
  void BeforeDestruction() override {
    Log().push_back(GetName() + ": before destruction" +
                    (ComponentState().Contains(csDestroying) ? " (already destroying)" : ""));
    TLockComponent::BeforeDestruction();
  }
  void Loaded() override {
    Log().push_back(GetName() + (ComponentState().Contains(csLoading) ? ": loaded" : ": not loading"));
    TLockComponent::Loaded();
  }
  void CreateStart(bool AFlag) override { Log().push_back(GetName() + ": start " + BooleanToText(AFlag)); }
  void NotifyProp() override { ++changes; }

  // Streams the bytes as "_Blob" and the partner's name as "_Partner": a component of the root,
  // which may be read after this one.
  void DefineProperties(TFiler& AFiler) override {
    AFiler.DefineBinaryProperty(
        "_Blob", [this](TStream& s) { blob.resize(size_t(s.Size())); s.ReadBuffer(blob.data(), s.Size()); },
        [this](TStream& s) { s.WriteBuffer(blob.data(), int64_t(blob.size())); }, !blob.empty());
    AFiler.DefineProperty(
        "_Partner",
        [this](TReader& r) {
          r.AddFixup([this, &root = r.Root(), name = r.ReadString()] {
            TComponent* found = root.FindComponent(name);
            if (!found) throw EComponentError("No component named " + name);
            SetPartner(found);
          });
        },
        [this](TWriter& w) { w.WriteString(partner->GetName()); }, partner != nullptr);
  }
  void SetPartner(TComponent* APartner) {
    partner = APartner;
    if (partner) FreeNotification(*partner);
  }

  TDemoSettings* Settings() const { return settings_.get(); }
  TDemoItems* Items() const { return items_.get(); }

  std::vector<uint8_t> blob;
  TComponent* partner = nullptr;
  int changes = 0;

 private:
  std::unique_ptr<TDemoSettings> settings_;
  std::unique_ptr<TDemoItems> items_;
};

inline const TPropertyTable& TDemoComponent::Properties() {
  static const TPropertyTable table = TPropertyTableBuilder<TDemoComponent>()
      .AutoManaged("Settings", &TDemoComponent::settings_)
      .AutoManaged("Items", &TDemoComponent::items_);
  return table;
}
inline constexpr TClassRef TDemoComponent::ClassRef = ClassRefOf<TDemoComponent, TLockComponent>(
    "TDemoComponent", {.Properties = &TDemoComponent::Properties});

// Checks that every persistent object made during a test is freed by its end, and registers the
// demo classes.
class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const TClassRef* components[] = {&TDemoComponent::ClassRef};
    RegisterComponents(components);
    const TClassRef* items[] = {&TDemoSpecialItem::ClassRef};
    RegisterCollectionItemClasses(items);
    TDemoComponent::Log().clear();
  }
  void TearDown() override { EXPECT_EQ(TPersistent::LiveInstances(), live_) << "objects leaked"; }

  // A component of the demo class named AName, owned by AOwner.
  static TDemoComponent* Make(TComponent* AOwner, const std::string& AName) {
    auto* component = new TDemoComponent(AOwner);
    component->SetName(AName);
    return component;
  }

 private:
  const int64_t live_ = TPersistent::LiveInstances();
};

}  // namespace kelvra::testing
