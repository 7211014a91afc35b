#include "kelvra/Kelvra.Components.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/kelvra/ComponentTestSupport.h"

namespace kelvra::testing {
namespace {

using TLog = std::vector<std::string>;
using ComponentsTest = ComponentTest;

TEST_F(ComponentsTest, AnOwnerFreesItsComponentsLastMadeFirstAfterTellingItsLinks) {
  TDemoComponent* root = Make(nullptr, "Root");
  Make(root, "A");
  TDemoComponent* b = Make(root, "B");
  TDemoComponent* c = Make(root, "C");
  Make(c, "C1");
  TOwnedComponent<TDemoComponent> watcher(Make(nullptr, "Watcher"));
  b->FreeNotification(*watcher);
  root->FreeNotification(*watcher);
  TDemoComponent::Log().clear();

  root->Free();
  const TLog expected = {
      "Root: before destruction",
      "Watcher: removed Root",
      // Each owned component already knows it is going; none is told of its siblings' end.
      "C: before destruction (already destroying)", "C1: before destruction (already destroying)",
      "C1: destroyed", "C: destroyed",
      "B: before destruction (already destroying)", "Watcher: removed B", "B: destroyed",
      "A: before destruction (already destroying)", "A: destroyed",
      "Root: destroyed"};
  EXPECT_EQ(TDemoComponent::Log(), expected);
}

TEST_F(ComponentsTest, AComponentLeavingItsOwnerIsAnnouncedToTheOwnerAndItsComponentsLastFirst) {
  TOwnedComponent<TDemoComponent> root(Make(nullptr, "Root"));
  Make(root.get(), "A");
  TDemoComponent* b = Make(root.get(), "B");
  TDemoComponent::Log().clear();
  TDemoComponent* c = Make(root.get(), "");  // announced before it has its name
  c->SetName("C");
  EXPECT_EQ(TDemoComponent::Log(), (TLog{"Root: inserted ", "B: inserted ", "A: inserted "}));

  TDemoComponent::Log().clear();
  b->Free();
  EXPECT_EQ(TDemoComponent::Log(), (TLog{"B: before destruction", "Root: removed B",
                                        "C: removed B", "A: removed B", "B: destroyed"}));
  EXPECT_EQ(root->ComponentCount(), 2);
  EXPECT_EQ(c->ComponentIndex(), 1);
}

TEST_F(ComponentsTest, FreeNotificationLinksBothWaysUntilOneGoesOrTheLinkIsRemoved) {
  TOwnedComponent<TDemoComponent> a(Make(nullptr, "A")), b(Make(nullptr, "B"));
  TDemoComponent* c = Make(nullptr, "C");
  a->FreeNotification(*b);
  a->FreeNotification(*b);  // once is enough
  a->FreeNotification(*c);
  a->RemoveFreeNotification(*b);
  TDemoComponent::Log().clear();

  c->Free();  // A hears of it through the link C holds
  a.reset();  // B no longer linked; C's link went with C
  EXPECT_EQ(TDemoComponent::Log(), (TLog{"C: before destruction", "A: removed C", "C: destroyed",
                                        "A: before destruction", "A: destroyed"}));
}

TEST_F(ComponentsTest, NamesAreIdentifiersUniqueAmongTheOwnersComponentsInAnyCase) {
  TOwnedComponent<TDemoComponent> root(Make(nullptr, "Root"));
  TDemoComponent* first = Make(root.get(), "First");
  TDemoComponent* second = Make(root.get(), "Second");
  const struct {
    const char* name;
    const char* error;  // nullptr: accepted
  } rows[] = {
      {"first", "A component named first already exists"},
      {"2nd", "'2nd' is not a valid component name"},
      {"with space", "'with space' is not a valid component name"},
      {"_Second_2", nullptr},
      {"", nullptr},  // unnamed components do not clash
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      second->SetName(row.name);
      EXPECT_EQ(row.error, nullptr);
      EXPECT_EQ(second->GetName(), row.name);
    } catch (const EComponentError& e) {
      EXPECT_STREQ(e.what(), row.error);
    }
  }
  EXPECT_EQ(root->FindComponent("FIRST"), first);
  EXPECT_EQ(root->FindComponent(""), nullptr);

  // Moving a component to another owner checks its name there; an owner cannot be owned by its own.
  TOwnedComponent<TDemoComponent> other(Make(nullptr, "Other"));
  Make(other.get(), "First");
  EXPECT_THROW(other->InsertComponent(*first), EComponentError);
  EXPECT_THROW(first->InsertComponent(*root), EComponentError);
  other->InsertComponent(*second);
  EXPECT_EQ(second->GetOwner(), other.get());
  EXPECT_EQ(root->ComponentCount(), 1);
  EXPECT_THROW(root->Components(1), ERangeError);
}

TEST_F(ComponentsTest, DesigningSpreadsToOwnedComponentsAndThoseInsertedLater) {
  TOwnedComponent<TDemoComponent> root(Make(nullptr, "Root"));
  TDemoComponent* child = Make(root.get(), "Child");
  root->SetDesigning(true);
  EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
  EXPECT_TRUE(Make(child, "Late")->ComponentState().Contains(csDesigning));
  root->SetDesigning(false);
  EXPECT_FALSE(child->Components(0)->ComponentState().Contains(csDesigning));
}

TEST_F(ComponentsTest, ClassReferencesMakeComponentsWithTheirOwnerAndRegistrationRecordsThem) {
  TOwnedComponent<TDemoComponent> root(Make(nullptr, "Root"));
  TComponent* made = TDemoComponent::ClassRef.Create<TComponent*(TComponent*)>(root.get());
  EXPECT_EQ(made->GetOwner(), root.get());
  EXPECT_EQ(&made->ClassType(), &TDemoComponent::ClassRef);

  const auto components = RegisteredComponents();
  EXPECT_EQ(std::count(components.begin(), components.end(), &TDemoComponent::ClassRef), 1);
  RegisterNestedComponent(TDemoComponent::ClassRef);
  EXPECT_EQ(RegisteredNestedComponents().size(), 1u);
  EXPECT_EQ(TClassManagement::FindClass("TDemoSpecialItem"), &TDemoSpecialItem::ClassRef);
  EXPECT_EQ(RegisteredCollectionItemClasses(TDemoItem::ClassRef),
            std::vector<const TClassRef*>{&TDemoSpecialItem::ClassRef});
  EXPECT_TRUE(RegisteredCollectionItemClasses(TDemoStrictSettings::ClassRef).empty());
}

}  // namespace
}  // namespace kelvra::testing
