#include "kelvra/Kelvra.Persistence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/kelvra/ComponentTestSupport.h"

namespace kelvra::testing {
namespace {

class PersistenceTest : public ComponentTest {
 protected:
  // A settings object of class T whose changes are counted in changes_.
  template <class T = TDemoSettings>
  std::unique_ptr<T> MakeSettings() {
    return std::make_unique<T>(nullptr, lock_, [this] { ++changes_; });
  }
  static const TPropertyInfo& Find(const TPersistent& AObject, std::string_view AName) {
    const auto properties = PublishedProperties(AObject.ClassType());
    const auto found = std::find_if(properties.begin(), properties.end(),
                                    [&](const TPropertyInfo* p) { return p->Name() == AName; });
    EXPECT_NE(found, properties.end()) << AName;
    return **found;
  }
  static std::vector<std::string> StoredNames(const TPersistent& AObject) {
    std::vector<std::string> names;
    for (const TPropertyInfo* p : PublishedProperties(AObject.ClassType()))
      if (p->IsStored(AObject)) names.emplace_back(p->Name());
    return names;
  }

  TIntf<IChangeNotifyLock> lock_ = TChangeNotifyLock::Create();
  int changes_ = 0;
};

TEST_F(PersistenceTest, EachKindReadsItsTextFormBackAndRefusesOtherTexts) {
  const struct {
    const char* property;
    const char* text;
    const char* readBack;  // nullptr: refused with EConvertError
  } rows[] = {
      {"Count", "4294967295", "4294967295"}, {"Count", "4294967296", nullptr},
      {"Count", "-1", nullptr}, {"Count", " 1", nullptr}, {"Count", "0x10", nullptr},
      {"Count", "", nullptr}, {"Offset", "-2147483648", "-2147483648"},
      {"Big", "-9223372036854775808", "-9223372036854775808"},
      {"Big", "9223372036854775808", nullptr}, {"Gain", "0.1", "0.1"}, {"Gain", "+2.5", "2.5"},
      {"Gain", "1e300", "1e+300"}, {"Gain", "-.Inf", "-.inf"}, {"Gain", ".NaN", ".nan"},
      {"Gain", "-.nan", nullptr}, {"Gain", "1e999", nullptr}, {"Gain", "+-1", nullptr},
      {"Level", "0.1", "0.1"}, {"Level", "16777217", "16777216"}, {"Level", "1e39", nullptr},
      {"Active", "False", "false"}, {"Active", "yes", nullptr}, {"Mode", "dmFast", "dmFast"},
      {"Mode", "dmfast", nullptr}, {"Title", "  a: b # c", "  a: b # c"},
  };
  auto settings = MakeSettings();
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.property) + " <- '" + row.text + "'");
    const TPropertyInfo& info = Find(*settings, row.property);
    if (!row.readBack) {
      EXPECT_THROW(info.SetText(*settings, row.text), EConvertError);
      continue;
    }
    info.SetText(*settings, row.text);
    EXPECT_EQ(info.GetText(*settings), row.readBack);
  }
  try {
    Find(*settings, "Mode").SetText(*settings, "dmOn");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'dmOn' is not a valid value (one of dmOff, dmSlow, dmFast)");
  }
}

TEST_F(PersistenceTest, DefaultsAreSetAtConstructionAndADescendantsOwnDefaultWins) {
  auto settings = MakeSettings();
  EXPECT_EQ(settings->FTitle, "untitled");
  EXPECT_EQ(settings->FCount, 15u);
  EXPECT_EQ(settings->FGain, 1.0);
  EXPECT_EQ(settings->FMode, dmSlow);
  EXPECT_TRUE(settings->FActive);
  EXPECT_EQ(StoredNames(*settings), std::vector<std::string>{"Level"});  // it has no default
  EXPECT_EQ(changes_, 0);  // defaults are no changes

  auto strict = MakeSettings<TDemoStrictSettings>();
  EXPECT_EQ(strict->FCount, 3u);
  EXPECT_EQ(strict->FTitle, "untitled");
  const auto properties = PublishedProperties(TDemoStrictSettings::ClassRef);
  ASSERT_EQ(properties.size(), 8u);
  EXPECT_EQ(properties[1]->Name(), "Count");  // at the place the ancestor gave it
  EXPECT_EQ(properties[1]->DefaultText(), "3");
  strict->SetCount(15);
  EXPECT_EQ(StoredNames(*strict), (std::vector<std::string>{"Count", "Level"}));
}

TEST_F(PersistenceTest, TheStoredPredicateKeepsAPropertyOutOfTheStream) {
  auto settings = MakeSettings();
  settings->SetOffset(5);
  EXPECT_EQ(StoredNames(*settings), (std::vector<std::string>{"Level", "Offset"}));
  settings->SetActive(false);
  EXPECT_EQ(StoredNames(*settings), (std::vector<std::string>{"Level", "Active"}));
}

TEST_F(PersistenceTest, AssignCopiesThePropertiesTheClassesShareThroughTheSetters) {
  auto source = MakeSettings<TDemoStrictSettings>();
  source->SetTitle("copied");
  source->SetMode(dmFast);
  source->SetLevel(2.5f);
  auto target = MakeSettings();
  changes_ = 0;
  target->Assign(*source);  // Count: 3 differs from 15 as well
  EXPECT_EQ(target->FTitle, "copied");
  EXPECT_EQ(target->FMode, dmFast);
  EXPECT_EQ(target->FLevel, 2.5f);
  EXPECT_EQ(target->FCount, 3u);
  EXPECT_EQ(changes_, 4);
  target->Assign(*source);
  EXPECT_EQ(changes_, 4);  // nothing changed the second time

  auto back = MakeSettings<TDemoStrictSettings>();
  back->Assign(*target);  // from the ancestor: what the ancestor has
  EXPECT_EQ(back->FTitle, "copied");

  TDemoItems items(nullptr, lock_, {});
  try {
    target->Assign(*items.Add());
    ADD_FAILURE() << "assigned";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TDemoItem to a TDemoSettings");
  }
  EXPECT_THROW(items.Assign(*target), EConvertError);
}

TEST_F(PersistenceTest, AssigningAComponentAssignsItsObjectsAndCollectionsItemByItem) {
  TOwnedComponent<TDemoComponent> source(Make(nullptr, "Source")), target(Make(nullptr, "Target"));
  source->Settings()->SetGain(0.5);
  source->Items()->Add()->SetCaption("first");
  static_cast<TDemoSpecialItem*>(source->Items()->Add(TDemoSpecialItem::ClassRef))->SetExtra(true);
  target->Items()->Add()->SetCaption("replaced");

  target->Assign(*source);
  EXPECT_EQ(target->Settings()->FGain, 0.5);
  ASSERT_EQ(target->Items()->Count(), 2);
  EXPECT_EQ(target->Items()->Items(0)->FCaption, "first");
  ASSERT_EQ(&target->Items()->Items(1)->ClassType(), &TDemoSpecialItem::ClassRef);
  EXPECT_TRUE(static_cast<TDemoSpecialItem*>(target->Items()->Items(1))->FExtra);
  EXPECT_EQ(target->GetName(), "Target");  // names are no published properties
}

}  // namespace
}  // namespace kelvra::testing
