#include "corvane/framework/RQComponent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "kelvra/Kelvra.Components.Streaming.h"
#include "tests/kelvra/ComponentTestSupport.h"
#include "tests/kelvra/ThreadingTestSupport.h"

namespace corvane {
namespace {

using namespace kelvra;
using namespace kelvra::testing;

using RQComponentTest = ComponentTest;

// A property object, or a collection item in its own collection, whose change reports are
// counted.
struct TSubject {
  std::unique_ptr<TPersistent> holder;
  TPersistent* object;
};

template <class T>
TSubject MakeSubject(const TIntf<IChangeNotifyLock>& ALock, int& AChanges) {
  const TProcedure count = [&AChanges] { ++AChanges; };
  if constexpr (std::is_base_of_v<TLockCollectionItem, T>) {
    auto collection = std::make_unique<TLockCollection>(nullptr, ALock, count, T::ClassRef);
    TPersistent* item = collection->Add();
    return {std::move(collection), item};
  } else {
    auto object = std::make_unique<T>(nullptr, ALock, count);
    TPersistent* raw = object.get();
    return {std::move(object), raw};
  }
}

// Each published property starts at its default, and its setter reports a change once, and only
// when the value changes.
TEST_F(RQComponentTest, PropertyObjectsStartAtTheirDefaultsAndReportChangesOnly) {
  using TFactory = TSubject (*)(const TIntf<IChangeNotifyLock>&, int&);
  const struct {
    TFactory make;
    const char* property;
    const char* start;
    const char* other;  // a value it does not have
  } rows[] = {
      {&MakeSubject<TRQLogin>, "UserName", "", "admin"},
      {&MakeSubject<TRQLogin>, "Password", "", "secret"},
      {&MakeSubject<TRQOptionalSettingProperty>, "UseCurrent", "true", "false"},
      {&MakeSubject<TRQOptionalVisibilityProperty>, "Visible", "true", "false"},
      {&MakeSubject<TRQIntegerPointProperty>, "X", "0", "-7"},
      {&MakeSubject<TRQIntegerPointProperty>, "Y", "0", "2147483647"},
      {&MakeSubject<TRQFloatPointProperty>, "X", "0", "1.5"},
      {&MakeSubject<TRQFloatPointProperty>, "Y", "0", "-0.25"},
      {&MakeSubject<TRQMasterPumping>, "Enabled", "false", "true"},
      {&MakeSubject<TRQMasterPumping>, "Priority", "0", "4294967295"},
      {&MakeSubject<TRQDefaultEnabledMasterPumping>, "Enabled", "true", "false"},
      {&MakeSubject<TRQDefaultEnabledMasterPumping>, "Priority", "10", "0"},
      {&MakeSubject<TRQCollectionPoint>, "X", "0", "3"},
      {&MakeSubject<TRQCollectionPoint>, "Y", "0", "4"},
      {&MakeSubject<TRQNamedCollectionItem>, "Name", "", "Channel"},
      {&MakeSubject<TRQOptionalNamedCollectionItem>, "Name", "", "Channel"},
      {&MakeSubject<TRQOptionalNamedCollectionItem>, "Enabled", "true", "false"},
  };
  const TIntf<IChangeNotifyLock> lock = TChangeNotifyLock::Create();
  for (const auto& row : rows) {
    int changes = 0;
    TSubject subject = row.make(lock, changes);
    SCOPED_TRACE(std::string(subject.object->ClassName()) + "." + row.property);
    const auto properties = PublishedProperties(subject.object->ClassType());
    const auto info =
        std::find_if(properties.begin(), properties.end(),
                     [&](const TPropertyInfo* p) { return p->Name() == row.property; });
    ASSERT_NE(info, properties.end());
    EXPECT_EQ((*info)->GetText(*subject.object), row.start);
    EXPECT_EQ((*info)->DefaultText(), row.start);
    changes = 0;
    (*info)->SetText(*subject.object, row.start);
    EXPECT_EQ(changes, 0);
    (*info)->SetText(*subject.object, row.other);
    (*info)->SetText(*subject.object, row.other);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ((*info)->GetText(*subject.object), row.other);
  }
}

TEST_F(RQComponentTest, CollectionItemsAreListedByTheirPointOrName) {
  int changes = 0;
  TRQCollectionPoints points(nullptr, TChangeNotifyLock::Create(), [&] { ++changes; });
  TRQCollectionPoint* point = points.Add();
  EXPECT_EQ(point->GetDisplayName(), "(0,0)");
  point->SetX(1.5f);
  point->SetY(2);
  EXPECT_EQ(point->GetDisplayName(), "(1.5,2)");
  point->SetX(-0.1f);
  EXPECT_EQ(point->GetDisplayName(), "(-0.1,2)");
  EXPECT_EQ(points.ClassName(), "TRQCollectionPoints");

  TLockCollection names(
      nullptr, TChangeNotifyLock::Create(), [&] { ++changes; }, TRQNamedCollectionItem::ClassRef);
  auto* named = static_cast<TRQNamedCollectionItem*>(names.Add());
  EXPECT_EQ(named->GetDisplayName(), "TRQNamedCollectionItem");
  changes = 0;
  named->SetName("Left");
  named->SetName("Left");
  EXPECT_EQ(changes, 1);  // the collection heard of it once
  EXPECT_EQ(named->GetDisplayName(), "Left");
}

TEST(RQMinMax, ClampsOnlyWhenEnabledTheMinimumFirst) {
  const struct {
    int value, minimum, maximum;
    bool enabled;
    int result;
  } rows[] = {
      {5, 0, 10, true, 5},
      {-1, 0, 10, true, 0},
      {11, 0, 10, true, 10},
      {-1, 0, 10, false, -1},
      {11, 0, 10, false, 11},
      // A minimum above the maximum: below the minimum gives it, the rest above the maximum
      // gives the maximum.
      {5, 10, 0, true, 10},
      {12, 10, 0, true, 0},
      {10, 10, 0, true, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(RQMinMax(row.value, row.minimum, row.maximum, row.enabled), row.result)
        << row.value << " in " << row.minimum << ".." << row.maximum;
  EXPECT_EQ(RQMinMax(0.5, 1.0, 2.0, true), 1.0);
}

TEST(RQMakeRect, RoundsHalvesToEvenAndRefusesValuesBeyondTheIntegers) {
  EXPECT_EQ(RQMakeRect(0.5, 1.5, 2.5, -1.5), (TRect{0, 2, 2, -2}));
  EXPECT_EQ(RQMakeRect(2.4, -0.6, 2147483647.4, -2147483648.0),
            (TRect{2, -1, 2147483647, -2147483647 - 1}));
  EXPECT_THROW(RQMakeRect(0, 0, 2147483647.5, 0), ERangeError);
  EXPECT_THROW(RQMakeRect(std::nan(""), 0, 0, 0), ERangeError);
}

TEST(RQColorToRGB, KeepsColoursAndLooksUpSystemColoursByTheirLowByte) {
  EXPECT_EQ(RQColorToRGB(0x123456), 0x123456);
  EXPECT_EQ(RQColorToRGB(TColor(0xFF00000F)), 0xF0F0F0);  // button face
  EXPECT_EQ(RQColorToRGB(TColor(0x8000000D)), 0xD77800);  // highlight: only the low byte counts
  EXPECT_EQ(RQColorToRGB(TColor(0xFF00001E)), 0xF0F0F0);  // the last entry, menu bar
  EXPECT_EQ(RQColorToRGB(TColor(0xFF00001F)), 0);
}

TEST(TRQLanguage, NamesTheLanguageAndCountryOfItsIdentifier) {
  if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE"))
    GTEST_SKIP() << "the C library's locale definitions are not installed";
  const TRQLanguage german(0x0407u);
  EXPECT_EQ(german.GetID(), 0x0407u);
  EXPECT_EQ(german.GetIntID(), 0x0407u);
  EXPECT_EQ(german.GetLocalizedName(), "German (Germany)");
  EXPECT_EQ(TRQLanguage(0x00010407u).GetLocalizedName(), "German (Germany)");  // a sort order
  EXPECT_EQ(TRQLanguage(0x0414u).GetLocalizedName(), "Norwegian Bokmål (Norway)");
  EXPECT_EQ(TRQLanguage(0x7777u).GetLocalizedName(), "");

  uint32_t current = 0x0809;
  const TRQLanguage asked([&] { return current; });
  EXPECT_EQ(asked.GetLocalizedName(), "British English (United Kingdom)");
  current = 0x040C;
  EXPECT_EQ(asked.GetID(), 0x040Cu);
  EXPECT_EQ(asked.GetIntID(), 0u);
  EXPECT_EQ(asked.GetLocalizedName(), "French (France)");
}

TEST_F(RQComponentTest, BinaryPersistentReplacesItsBytesOnlyWithOthers) {
  int changes = 0;
  TRQBinaryPersistent binary(nullptr, TChangeNotifyLock::Create(), [&] { ++changes; });
  const std::vector<uint8_t> bytes = {1, 2, 3};
  EXPECT_FALSE(binary.SetBytes({}));  // two empty arrays are equal
  EXPECT_TRUE(binary.SetBytes(bytes));
  EXPECT_FALSE(binary.SetBytes(bytes));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(binary.SetBytes(std::vector<uint8_t>{1, 2, 4}));  // same length, other content
  EXPECT_EQ(changes, 2);

  binary.SetItem(1, 2);
  EXPECT_EQ(changes, 2);
  binary.SetItem(1, 9);
  EXPECT_EQ(binary.GetItem(1), 9);
  EXPECT_EQ(binary.GetBytes(), (std::vector<uint8_t>{1, 9, 4}));
  EXPECT_THROW(binary.GetItem(3), ERangeError);
  EXPECT_THROW(binary.SetItem(-1, 0), ERangeError);
}

// A component whose byte property starts filled, to show that reading replaces the bytes.
class TBlobHolder : public TLockComponent {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties() {
    static const TPropertyTable table =
        TPropertyTableBuilder<TBlobHolder>().AutoManaged("Blob", &TBlobHolder::blob_);
    return table;
  }
  explicit TBlobHolder(TComponent* AOwner) : TLockComponent(AOwner) {
    InitDefaults(ClassRef);
    blob_->SetBytes(std::vector<uint8_t>{9, 9, 9, 9});
  }
  const TClassRef& ClassType() const override { return ClassRef; }
  TRQBinaryPersistent& Blob() { return *blob_; }

 private:
  std::unique_ptr<TRQBinaryPersistent> blob_;
};
inline constexpr TClassRef TBlobHolder::ClassRef = ClassRefOf<TBlobHolder, TLockComponent>(
    "TBlobHolder", {.Properties = &TBlobHolder::Properties});

TEST_F(RQComponentTest, BinaryPersistentStreamsItsBytesAsData) {
  const TClassRef* classes[] = {&TBlobHolder::ClassRef};
  RegisterComponents(classes);
  TOwnedComponent<TBlobHolder> holder(new TBlobHolder(nullptr));
  holder->Blob().SetBytes(std::vector<uint8_t>{1, 2, 3});
  const std::string text = WriteComponentYaml(*holder);
  EXPECT_EQ(text, "class: TBlobHolder\nproperties:\n  Blob:\n    _Data: !!binary \"AQID\"\n...\n");
  TOwnedComponent<TComponent> read = ReadComponentYaml(text);
  EXPECT_EQ(static_cast<TBlobHolder&>(*read).Blob().GetBytes(), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(RQComponentTest, ReadOnlyObjectListsFreeTheirObjectsAndListThemBothWays) {
  struct TLogins : TRQReadOnlyObjectList<TRQLogin> {
    void Append(const std::string& AName) {
      auto login = std::make_unique<TRQLogin>(nullptr, TChangeNotifyLock::Create(), TProcedure());
      login->SetUserName(AName);
      Add(std::move(login));
    }
  };
  const auto names = [](auto&& ARange) {
    std::string text;
    for (const TRQLogin* login : ARange) text += login->GetUserName();
    return text;
  };
  TLogins list;
  for (const char* name : {"a", "b", "c"}) list.Append(name);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(names(list), "abc");
  EXPECT_EQ(names(list.Reversed()), "cba");
  EXPECT_EQ(names(list.Query([](const TRQLogin* l) { return l->GetUserName() != "b"; })), "ac");
  EXPECT_EQ(list.Items(1)->GetUserName(), "b");
  EXPECT_THROW(list.Items(3), ERangeError);
}  // the fixture finds the logins freed

// A filter-like component that shows its two locks.
class TPairedComponent : public TRQInputOutputLockComponent {
 public:
  using TRQInputOutputLockComponent::TRQInputOutputLockComponent;
  TIntf<IChangeNotifyLock> Input() const { return FInputLock; }
  TIntf<IChangeNotifyLock> Output() const { return FOutputLock; }
};

// Another thread taking a section of ALock; it finishes once it got one.
std::unique_ptr<TBackground> TakeElsewhere(const TIntf<IChangeNotifyLock>& ALock) {
  return std::make_unique<TBackground>([ALock] { ALock->EnterSection(); });
}

TEST_F(RQComponentTest, TheComponentLockTakesBothLocksAndTheOutputLockOnlyItself) {
  TOwnedComponent<TPairedComponent> component(new TPairedComponent(nullptr));
  {
    auto section = component->GetLock()->EnterSection();
    auto input = TakeElsewhere(component->Input()), output = TakeElsewhere(component->Output());
    EXPECT_FALSE(input->Finished(kBriefly));
    EXPECT_FALSE(output->Finished(kBriefly));
    section.reset();
    EXPECT_TRUE(input->Finished() && output->Finished());
  }
  {
    auto processing = component->Output()->EnterSection();
    // The input lock first: a thread taking the component lock holds the input lock while it
    // waits for the output lock.
    EXPECT_TRUE(TakeElsewhere(component->Input())->Finished());
    auto both = TakeElsewhere(component->GetLock());
    EXPECT_FALSE(both->Finished(kBriefly));
    processing.reset();
    EXPECT_TRUE(both->Finished());
  }
  const TIntf<IChangeNotifyLock> input = component->Input(), output = component->Output();
  component.reset();  // freeing marks both
  EXPECT_FALSE(input->EnterSection());
  EXPECT_FALSE(output->EnterSection());
}

// Buffers processed under the output lock on one thread, properties set under the component lock
// on another and input settings under the input lock on a third: the processing never sees a
// property half set, and no thread waits forever.
TEST_F(RQComponentTest, ProcessingSettersAndInputSettingsRunSideBySideWithoutTearingOrDeadlock) {
  TOwnedComponent<TPairedComponent> component(new TPairedComponent(nullptr));
  constexpr int kRounds = 20000;
  int low = 0, high = 0, inputSettings = 0, torn = 0;
  TBackground processing([&] {
    for (int i = 0; i < kRounds; ++i) component->Output()->Execute([&] { torn += low != high; });
  });
  TBackground setter([&] {
    for (int i = 0; i < kRounds; ++i)
      component->GetLock()->Execute([&] {
        low = i;
        high = i;
      });
  });
  TBackground input([&] {
    for (int i = 0; i < kRounds; ++i) component->Input()->Execute([&] { ++inputSettings; });
  });
  ASSERT_TRUE(processing.Finished() && setter.Finished() && input.Finished());
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(high, kRounds - 1);
  EXPECT_EQ(inputSettings, kRounds);
}

// A producer that holds the component lock and waits for room, as a filter's full queue makes it,
// lets the processing thread in under the output lock.
TEST_F(RQComponentTest, WaitingWithTheComponentLockReleasedLetsProcessingIn) {
  TOwnedComponent<TPairedComponent> component(new TPairedComponent(nullptr));
  auto holding = TEvent::Create(rmAutoReset, false), room = TEvent::Create(rmAutoReset, false);
  TBackground producer([&] {
    const auto outer = component->GetLock()->EnterSection();
    const auto inner = component->GetLock()->EnterSection();
    holding->SetEvent();
    component->GetLock()->ExecuteReleased([&] { room->WaitFor(kInfinite); });
  });
  holding->WaitFor(kInfinite);
  EXPECT_TRUE(component->Output()->Execute([&] { room->SetEvent(); }));
  EXPECT_TRUE(producer.Finished());
}

}  // namespace
}  // namespace corvane
