#include "kelvra/Kelvra.Types.LockComponents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kelvra/ComponentTestSupport.h"
#include "tests/kelvra/ThreadingTestSupport.h"

namespace kelvra::testing {
namespace {

using LockComponentsTest = ComponentTest;

TEST_F(LockComponentsTest, SettersStoreUnderTheOwnersLockAndReportChangesOnly) {
  TOwnedComponent<TDemoComponent> component(Make(nullptr, "Owner"));
  TDemoSettings& settings = *component->Settings();
  settings.SetCount(15);
  EXPECT_EQ(component->changes, 0);  // the value it had
  settings.SetCount(20);
  settings.SetCount(20);
  EXPECT_EQ(component->changes, 1);

  // A setter waits while another thread holds the owner's lock.
  auto section = component->GetLock()->EnterSection();
  TBackground setter([&] { settings.SetCount(30); });
  EXPECT_FALSE(setter.Finished(kBriefly));
  section.reset();
  EXPECT_TRUE(setter.Finished());
  EXPECT_EQ(settings.FCount, 30u);

  component->GetLock()->MarkDestroying();  // what Free does first
  settings.SetCount(40);
  EXPECT_EQ(settings.FCount, 30u);
}

TEST_F(LockComponentsTest, FreeingAComponentEmptiesTheSectionsThatOtherThreadsAwait) {
  TDemoComponent* component = Make(nullptr, "Busy");
  const TIntf<IChangeNotifyLock> lock = component->GetLock();
  auto section = lock->EnterSection();
  std::atomic<bool> gotSection{true};
  TBackground worker([&] { gotSection = bool(lock->EnterSection()); });
  EXPECT_FALSE(worker.Finished(kBriefly));
  component->Free();
  section.reset();
  ASSERT_TRUE(worker.Finished());
  EXPECT_FALSE(gotSection);
  EXPECT_TRUE(lock->EnterStopSection());
}

TEST_F(LockComponentsTest, AnEnabledPersistentStartsDisabled) {
  int changes = 0;
  TEnabledPersistent enabled(nullptr, TChangeNotifyLock::Create(), [&] { ++changes; });
  EXPECT_FALSE(enabled.GetEnabled());
  enabled.SetEnabled(true);
  enabled.SetEnabled(true);
  EXPECT_EQ(changes, 1);
}

TEST_F(LockComponentsTest, CollectionItemsMoveByShiftingAndKnowTheirPlace) {
  TOwnedComponent<TDemoComponent> component(Make(nullptr, "Owner"));
  TDemoItems& items = *component->Items();
  const auto captions = [&] {
    std::string text;
    for (int32_t i = 0; i < items.Count(); ++i) text += items.Items(i)->FCaption;
    return text;
  };
  for (const char* caption : {"a", "b", "c"}) items.Add()->SetCaption(caption);
  items.Insert(1)->SetCaption("n");
  EXPECT_EQ(captions(), "anbc");
  items.Items(0)->SetIndex(3);
  EXPECT_EQ(captions(), "nbca");
  EXPECT_THROW(items.Items(0)->SetIndex(4), ERangeError);
  EXPECT_THROW(items.Insert(5), ERangeError);
  EXPECT_EQ(items.Items(2)->GetIndex(), 2);

  // Freeing an item takes it out; an item can change collections or leave them.
  delete items.Items(1);
  items.Delete(0);
  EXPECT_EQ(captions(), "ca");
  TDemoItems other(nullptr, component->GetLock(), {});
  TDemoItem* moved = items.Items(0);
  moved->SetCollection(&other);
  EXPECT_EQ(captions(), "a");
  EXPECT_EQ(moved->GetIndex(), 0);
  moved->SetCollection(nullptr);
  EXPECT_EQ(moved->GetIndex(), -1);
  moved->SetCaption("alone");  // no lock, no collection to tell
  delete moved;

  EXPECT_EQ(items.Items(0)->GetDisplayName(), "TDemoItem");
  EXPECT_EQ(items.Add(TDemoSpecialItem::ClassRef)->GetDisplayName(), "TDemoSpecialItem");
  EXPECT_THROW(items.Add(TDemoSettings::ClassRef), EInvalidCast);
  EXPECT_EQ(items.Count(), 2);
}

TEST_F(LockComponentsTest, CollectionChangesReachTheOwnerOncePerUpdate) {
  TOwnedComponent<TDemoComponent> component(Make(nullptr, "Owner"));
  TDemoItems& items = *component->Items();
  const auto changesAfter = [&](auto AChange) {
    component->changes = 0;
    AChange();
    return component->changes;
  };
  EXPECT_EQ(changesAfter([&] { items.Add(); }), 1);
  EXPECT_EQ(changesAfter([&] { items.Items(0)->SetWeight(2); }), 1);
  EXPECT_EQ(changesAfter([&] { items.Items(0)->SetWeight(2); }), 0);
  EXPECT_EQ(changesAfter([&] {
              items.BeginUpdate();
              items.Add()->SetCaption("x");
              items.Items(1)->SetIndex(0);
              items.EndUpdate();
            }),
            1);
  EXPECT_EQ(changesAfter([&] { items.Clear(); }), 1);
}

}  // namespace
}  // namespace kelvra::testing
