#include "corvane/framework/KDComponentCollection.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelvra/Kelvra.Components.Streaming.h"
#include "kelvra/Kelvra.Modules.h"
#include "kelvra/Kelvra.Serialization.h"
#include "tests/kelvra/ComponentTestSupport.h"

namespace corvane {
namespace {

using namespace kelvra;
using namespace kelvra::testing;

// An item that records what it is told.
class TLayer : public TKDComponentItem {
 public:
  static const TClassRef ClassRef;
  using TKDComponentItem::TKDComponentItem;
  const TClassRef& ClassType() const override { return ClassRef; }
  std::vector<int32_t> moves;
  int ownerChanges = 0;

 protected:
  void ComponentIndexChanged(int32_t AIndex) override { moves.push_back(AIndex); }
  void ComponentOwnerChanged() override { ++ownerChanges; }
};
inline constexpr TClassRef TLayer::ClassRef = ClassRefOf<TLayer, TKDComponentItem>("TLayer");

class TOverlayList : public TKDComponentItems {
 public:
  static const TClassRef ClassRef;
  using TKDComponentItems::TKDComponentItems;
  const TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr TClassRef TOverlayList::ClassRef =
    ClassRefOf<TOverlayList, TKDComponentItems>("TOverlayList");

// Two lists and a property object, declared out of the order of their names.
class TDrawing : public TLockComponent {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties() {
    static const TPropertyTable table = TPropertyTableBuilder<TDrawing>()
                                            .AutoManaged("Overlays", &TDrawing::overlays_)
                                            .AutoManaged("Layers", &TDrawing::layers_)
                                            .AutoManaged("Backdrop", &TDrawing::backdrop_);
    return table;
  }
  explicit TDrawing(TComponent* AOwner) : TLockComponent(AOwner) { InitDefaults(ClassRef); }
  const TClassRef& ClassType() const override { return ClassRef; }
  void NotifyProp() override { ++changes; }
  // Records how many layers are left when an owned component goes.
  void Notification(TComponent* AComponent, TOperation AOperation) override {
    TLockComponent::Notification(AComponent, AOperation);
    if (AOperation == opRemove) layersAtRemoval = layers_->Count();
  }

  TKDTypedComponentItems<TLayer>& Layers() const { return *layers_; }
  TOverlayList& Overlays() const { return *overlays_; }
  TDemoSettings& Backdrop() const { return *backdrop_; }
  TLayer* AddLayer(const std::string& AName, TKDComponentItems& AList) {
    auto* layer = new TLayer(this);
    layer->SetName(AName);
    layer->SetList(&AList);
    return layer;
  }
  int changes = 0;
  int32_t layersAtRemoval = -1;

 private:
  std::unique_ptr<TOverlayList> overlays_;
  std::unique_ptr<TKDTypedComponentItems<TLayer>> layers_;
  std::unique_ptr<TDemoSettings> backdrop_;
};
inline constexpr TClassRef TDrawing::ClassRef =
    ClassRefOf<TDrawing, TLockComponent>("TDrawing", {.Properties = &TDrawing::Properties});

class KDComponentCollectionTest : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    const TClassRef* drawings[] = {&TDrawing::ClassRef};
    RegisterComponents(drawings);
    RegisterNestedComponent(TLayer::ClassRef);
    drawing_.reset(new TDrawing(nullptr));
  }
  void TearDown() override {
    drawing_.reset();
    ComponentTest::TearDown();
  }
  // The names of the list's items in order, "-" for an empty entry.
  static std::string Names(const TKDComponentItems& AList) {
    std::string names;
    for (const TKDComponentItem* item : AList) names += item ? item->GetName() : "-";
    return names;
  }
  TOwnedComponent<TDrawing> drawing_;
};

TEST_F(KDComponentCollectionTest, SetIndexSwapsWithTheItemAtTheClampedPlace) {
  std::vector<std::string> added;
  drawing_->Layers().SetOnAdded([&](TKDComponentItem& AItem) { added.push_back(AItem.GetName()); });
  std::vector<TLayer*> layers;
  for (const char* name : {"A", "B", "C", "D"})
    layers.push_back(drawing_->AddLayer(name, drawing_->Layers()));
  TLayer& a = *layers[0];
  EXPECT_EQ(a.GetList(), &drawing_->Layers());
  EXPECT_EQ(a.GetListOwner(), drawing_.get());
  EXPECT_TRUE(a.HasParent());
  EXPECT_EQ(a.GetOwnerProperty(), "Layers");
  EXPECT_EQ(added, (std::vector<std::string>{"A", "B", "C", "D"}));

  a.SetIndex(10);  // beyond the end: exchanged with the last
  EXPECT_EQ(Names(drawing_->Layers()), "DBCA");
  EXPECT_EQ(a.GetIndex(), 3);
  EXPECT_EQ(a.moves, (std::vector<int32_t>{3}));
  a.SetIndex(3);
  EXPECT_EQ(a.moves.size(), 1u);  // no move, no report
  layers[1]->SetIndex(-5);
  EXPECT_EQ(Names(drawing_->Layers()), "BDCA");

  drawing_->changes = 0;
  layers[2]->SetList(&drawing_->Overlays());
  EXPECT_EQ(Names(drawing_->Layers()), "BDA");
  EXPECT_EQ(Names(drawing_->Overlays()), "C");
  EXPECT_EQ(layers[2]->GetOwnerProperty(), "Overlays");
  EXPECT_EQ(layers[2]->ownerChanges, 2);
  EXPECT_GT(drawing_->changes, 0);
  EXPECT_EQ(drawing_->Layers().Items(2), &a);
  EXPECT_THROW(drawing_->Layers().Items(3), ERangeError);
}

TEST_F(KDComponentCollectionTest, FixedIndicesLeaveEmptyEntries) {
  TLayer* a = drawing_->AddLayer("A", drawing_->Overlays());
  a->SetListIndex(&drawing_->Layers(), 3);
  EXPECT_EQ(Names(drawing_->Layers()), "---A");
  EXPECT_EQ(Names(drawing_->Overlays()), "");
  EXPECT_EQ(a->GetIndex(), 3);
  EXPECT_EQ(drawing_->Layers().Query([](auto*) { return true; }).size(), 1u);

  a->SetListIndex(&drawing_->Layers(), 1);  // same list: moves there
  EXPECT_EQ(Names(drawing_->Layers()), "-A--");
  TLayer* b = drawing_->AddLayer("B", drawing_->Overlays());
  drawing_->Layers().AddItemAtFixedIndex(1, *b);  // takes A's place: A leaves
  EXPECT_EQ(Names(drawing_->Layers()), "-B--");
  EXPECT_EQ(a->GetList(), nullptr);
  EXPECT_EQ(a->GetIndex(), -1);
}

TEST_F(KDComponentCollectionTest, FreedItemsLeaveTheirListAndClearingFreesOnlyWhenAsked) {
  static std::vector<std::string> removed;
  removed.clear();
  RQRemoveCollectionControlHooks[1] = [](TComponent* AOwner, TComponent* AComponent) {
    removed.push_back(AOwner->GetName() + "/" + AComponent->GetName());
  };
  drawing_->SetName("Drawing");
  for (const char* name : {"A", "B", "C"}) drawing_->AddLayer(name, drawing_->Layers());
  drawing_->Layers().Items(1)->Free();
  EXPECT_EQ(drawing_->layersAtRemoval, 2);  // it had left the list before it left its owner
  EXPECT_EQ(Names(drawing_->Layers()), "AC");
  TLayer* other = drawing_->AddLayer("D", drawing_->Overlays());
  drawing_->Layers().Notification(other, opRemove);  // not of this list
  drawing_->Layers().Notification(drawing_->Layers().Items(0), opInsert);
  EXPECT_EQ(Names(drawing_->Layers()), "AC");
  delete other;  // without Free
  EXPECT_EQ(Names(drawing_->Overlays()), "");

  TLayer* a = drawing_->Layers().Items(0);
  drawing_->Layers().Clear(false);
  EXPECT_EQ(drawing_->Layers().Count(), 0);
  EXPECT_EQ(a->GetList(), nullptr);
  EXPECT_EQ(a->GetListOwner(), nullptr);
  EXPECT_EQ(drawing_->ComponentCount(), 2);  // still alive and owned

  for (int i = 0; i < drawing_->ComponentCount(); ++i)
    static_cast<TLayer*>(drawing_->Components(i))->SetList(&drawing_->Overlays());
  const int64_t live = TPersistent::LiveInstances();
  drawing_->Overlays().Clear(true);
  EXPECT_EQ(TPersistent::LiveInstances(), live - 2);
  EXPECT_EQ(drawing_->ComponentCount(), 0);
  EXPECT_EQ(removed, (std::vector<std::string>{"Drawing/A", "Drawing/C"}));
  RQRemoveCollectionControlHooks[1] = nullptr;
}

TEST_F(KDComponentCollectionTest, PropertyLookUpsGoByNameOrder) {
  TPersistent* value = nullptr;
  ASSERT_TRUE(RQGetProperty(*drawing_, TKDComponentItems::ClassRef, value));
  EXPECT_EQ(value, &drawing_->Layers());  // before Overlays by name, though declared after
  ASSERT_TRUE(RQGetProperty(*drawing_, TPersistent::ClassRef, value));
  EXPECT_EQ(value, &drawing_->Backdrop());
  EXPECT_FALSE(RQGetProperty(*drawing_, TLayer::ClassRef, value));
  auto* layer = new TLayer(drawing_.get());
  layer->SetParentComponent(drawing_.get());  // joins the first list by name
  EXPECT_EQ(layer->GetList(), &drawing_->Layers());

  std::string name;
  ASSERT_TRUE(RQGetObjPropertyName(*drawing_, drawing_->Overlays(), name));
  EXPECT_EQ(name, "Overlays");
  EXPECT_FALSE(RQGetObjPropertyName(*drawing_, *drawing_, name));

  ASSERT_TRUE(RQGetPropertyByName(*drawing_, "Backdrop", value));
  EXPECT_EQ(value, &drawing_->Backdrop());
  EXPECT_FALSE(RQGetPropertyByName(*drawing_, "layers", value));
}

TEST_F(KDComponentCollectionTest, ListMembershipStreamsAsTheOwnersPropertyName) {
  drawing_->AddLayer("A", drawing_->Overlays());
  drawing_->AddLayer("B", drawing_->Layers());
  drawing_->AddLayer("C", drawing_->Layers())->SetList(nullptr);
  const std::string text = WriteComponentYaml(*drawing_);
  EXPECT_NE(text.find("name: A\n    properties:\n      _OwnerCollection: \"Overlays\"\n"),
            std::string::npos)
      << text;

  TOwnedComponent<TComponent> read = ReadComponentYaml(text);
  const auto& copy = static_cast<const TDrawing&>(*read);
  EXPECT_EQ(Names(copy.Overlays()), "A");
  EXPECT_EQ(Names(copy.Layers()), "B");
  EXPECT_EQ(copy.Layers().Items(0)->GetListOwner(), read.get());
  EXPECT_EQ(WriteComponentYaml(*read), text);

  const std::string unknown =
      "class: TDrawing\ncomponents:\n  - class: TLayer\n    properties:\n"
      "      _OwnerCollection: \"Backdrop\"\n...\n";
  EXPECT_THROW(ReadComponentYaml(unknown), EComponentStreamError);
}

TEST_F(KDComponentCollectionTest, BinarySerialisationJoinsTheNamedListOfTheReadersOwner) {
  TMemoryStream stream;
  TSerialize::Serialize(*drawing_->AddLayer("A", drawing_->Overlays()), stream);
  const auto read = [&](TLayer& AItem) {
    stream.SetPosition(0);
    TSerialize::Deserialize(stream, AItem);
  };
  TLayer* copy = drawing_->AddLayer("B", drawing_->Layers());
  read(*copy);
  EXPECT_EQ(Names(drawing_->Overlays()), "AB");
  EXPECT_EQ(Names(drawing_->Layers()), "");

  TOwnedComponent<TLayer> ownerless(new TLayer(nullptr));
  read(*ownerless);  // its own root: joins nothing
  EXPECT_EQ(ownerless->GetList(), nullptr);

  copy->SetList(nullptr);  // in no list: stores an empty name, which joins nothing
  stream.SetSize(0);
  stream.SetPosition(0);
  TSerialize::Serialize(*copy, stream);
  TLayer* other = drawing_->AddLayer("C", drawing_->Layers());
  read(*other);
  EXPECT_EQ(other->GetList(), &drawing_->Layers());
}

TEST_F(KDComponentCollectionTest, RegistryKeepsClassesPerListWithGroupsUntilTheirModuleGoes) {
  class TBadge : public TLayer {
   public:
    using TLayer::TLayer;
  };
  static constexpr TClassRef badge = ClassRefOf<TBadge, TLayer>("TBadge");
  const TClassRef* both[] = {&TOverlayList::ClassRef, &TKDComponentItems::ClassRef};
  const TClassRef* overlays[] = {&TOverlayList::ClassRef};
  KDRegisterCollectionComponent(both, TLayer::ClassRef, "Basic");
  KDRegisterCollectionComponent(overlays, badge, "Extras");
  KDRegisterCollectionComponent(overlays, TLayer::ClassRef, "Other");  // already there: kept

  EXPECT_EQ(KDGetRegisteredCollectionComponentCount(TOverlayList::ClassRef), 2);
  EXPECT_EQ(&KDGetRegisteredCollectionComponent(TOverlayList::ClassRef, 1), &badge);
  EXPECT_EQ(KDGetRegisteredCollectionComponentGroupName(TOverlayList::ClassRef, 0), "Basic");
  EXPECT_EQ(KDGetRegisteredCollectionComponentGroupName(TOverlayList::ClassRef, 1), "Extras");
  EXPECT_THROW(KDGetRegisteredCollectionComponent(TOverlayList::ClassRef, 2), ERangeError);
  EXPECT_EQ(KDGetRegisteredCollectionComponentCount(TDrawing::ClassRef), 0);
  EXPECT_EQ(KDGetRegisteredCollectionComponentCountByName("TOverlayList"), 2);
  EXPECT_EQ(KDGetRegisteredCollectionComponentNameByName("TOverlayList", 1), "TBadge");
  EXPECT_EQ(KDGetRegisteredCollectionComponentNameByName("TOverlayList", 2), "");
  EXPECT_EQ(KDGetRegisteredCollectionComponentNameByName("TNoList", 0), "");
  EXPECT_EQ(TClassManagement::FindClass("TBadge"), &badge);
  EXPECT_EQ(TClassManagement::FindClass("TOverlayList"), &TOverlayList::ClassRef);
  EXPECT_EQ(RQGetRegisteredCollectionPersistentCountByName("TDemoSpecialItem"), 1);
  EXPECT_EQ(RQGetRegisteredCollectionPersistentNameByName("TDemoSpecialItem", 0),
            "TDemoSpecialItem");
  EXPECT_EQ(RQGetRegisteredCollectionPersistentNameByName("TDemoSpecialItem", 1), "");
  EXPECT_EQ(RQGetRegisteredCollectionPersistentCountByName("TNoClass"), 0);

  // Freeing a library drops the classes whose code lies in it: another library's leaves them,
  // the program's own (where these classes are) removes them.
  StartKDComponentCollection();
  const TLoadResult library = SafeLoadLibrary("libm.so.6");
  ASSERT_TRUE(library.Handle) << library.ErrorText;
  FreeLibrary(library.Handle);
  EXPECT_EQ(KDGetRegisteredCollectionComponentCount(TOverlayList::ClassRef), 2);
  FreeLibrary(dlopen(nullptr, RTLD_NOW));
  EXPECT_EQ(KDGetRegisteredCollectionComponentCount(TOverlayList::ClassRef), 0);
  EXPECT_EQ(KDGetRegisteredCollectionComponentCount(TKDComponentItems::ClassRef), 0);
  FinishKDComponentCollection();
  const TClassRef* registered[] = {&badge, &TOverlayList::ClassRef};
  TClassManagement::UnregisterClasses(registered);
}

}  // namespace
}  // namespace corvane
