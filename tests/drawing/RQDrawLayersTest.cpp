#include "corvane/drawing/RQDrawLayers.h"

#include <gtest/gtest.h>

#include "tests/drawing/DrawingTestSupport.h"

namespace corvane::test {
namespace {

using namespace kelvra;

// A layer that fills its area and refers to sibling layers through its collection.
class TTestLayer : public TRQDrawLayer {
 public:
  static const TClassRef ClassRef;
  explicit TTestLayer(TComponent* AOwner) : TRQDrawLayer(AOwner), Links(this, {}) {}
  const TClassRef& ClassType() const override { return ClassRef; }
  void IntDraw(IGPGraphics& AGraphics, int32_t AWidth, int32_t AHeight) override {
    AGraphics.FillRectangle(*TIGPSolidBrush::Create(0xFF0000FF), {0, 0, float(AWidth), float(AHeight)});
  }
  TRQLayerCollection Links;
};
inline constexpr TClassRef TTestLayer::ClassRef = ClassRefOf<TTestLayer, TRQDrawLayer>("TTestLayer");

// A visual component with its list of layers.
class TLayerOwner : public TLockComponent {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties() {
    static const TPropertyTable table =
        TPropertyTableBuilder<TLayerOwner>().AutoManaged("Layers", &TLayerOwner::Layers);
    return table;
  }
  explicit TLayerOwner(TComponent* AOwner) : TLockComponent(AOwner) { InitDefaults(ClassRef); }
  const TClassRef& ClassType() const override { return ClassRef; }
  // A new layer of this owner at the end of its list.
  TTestLayer* AddLayer() {
    auto* layer = new TTestLayer(this);
    Layers->AddItem(*layer);
    return layer;
  }
  std::unique_ptr<TRQDrawLayers> Layers;
};
inline constexpr TClassRef TLayerOwner::ClassRef =
    ClassRefOf<TLayerOwner, TLockComponent>("TLayerOwner", {.Properties = &TLayerOwner::Properties});

class DrawLayersTest : public testing::Test {
 protected:
  TOwnedComponent<TLayerOwner> owner{new TLayerOwner(nullptr)};
  TTestLayer* drawing = owner->AddLayer();  // the layer whose collection the tests fill
};

TEST_F(DrawLayersTest, NewItemsReferToTheLeastReferredSibling) {
  TRQLayerCollectionItem* lonely = drawing->Links.Add();  // the list holds only the layer itself
  ASSERT_NE(lonely, nullptr);
  EXPECT_EQ(lonely->GetLayer(), nullptr);
  drawing->Links.Clear();
  TTestLayer *first = owner->AddLayer(), *second = owner->AddLayer();
  owner->AddLayer();
  TRQLayerCollectionItem* a = drawing->Links.Add();
  EXPECT_EQ(a->GetLayer(), first);
  drawing->Links.Add()->SetLayer(first);  // first referred to twice, the others never
  EXPECT_EQ(drawing->Links.Add()->GetLayer(), second);
  EXPECT_EQ(drawing->Links.GetCountOfLayers(first), 2);
  EXPECT_EQ(a->GetDisplayName(), first->GetName());
}

TEST_F(DrawLayersTest, ItemsReferOnlyToSiblingsAndResolveStoredIndices) {
  TTestLayer* first = owner->AddLayer();
  TRQLayerCollectionItem* item = drawing->Links.Add();
  TOwnedComponent<TLayerOwner> other(new TLayerOwner(nullptr));
  item->SetLayer(other->AddLayer());  // of another owner: refused
  EXPECT_EQ(item->GetLayer(), first);
  item->SetLayer(drawing);  // the collection's own layer: refused
  EXPECT_EQ(item->GetLayer(), first);
  EXPECT_EQ(first->LayerLinks().size(), 1u);

  TTestLayer* second = owner->AddLayer();
  item->SetLayerIndex(2);  // as reading "LayerIndex" 2 does
  EXPECT_EQ(item->GetLayer(), second);
  EXPECT_EQ(item->GetLayerIndex(), 2);
  EXPECT_TRUE(first->LayerLinks().empty());
  item->SetLayer(nullptr);
  EXPECT_EQ(item->GetLayerIndex(), -1);
}

TEST_F(DrawLayersTest, AnIndexStoredBeforeTheListExistsIsResolvedLater) {
  TTestLayer loose(nullptr);  // in no list yet, as while reading
  auto* item = static_cast<TRQLayerCollectionItem*>(static_cast<TLockCollection&>(loose.Links).Add());
  EXPECT_EQ(loose.Links.Add(), nullptr);  // the collection's own Add needs a listed owner
  item->SetLayerIndex(1);
  EXPECT_EQ(item->GetLayerIndex(), 1);
  TTestLayer* sibling = owner->AddLayer();
  owner->Layers->AddItem(loose);
  EXPECT_EQ(item->GetLayer(), sibling);
  owner->Layers->RemoveItem(loose);
  loose.Links.Clear();
}

TEST_F(DrawLayersTest, DestroyingALayerFreesTheItemsThatReferToIt) {
  TTestLayer* doomed = owner->AddLayer();
  drawing->Links.Add();
  drawing->Links.Add();
  ASSERT_EQ(drawing->Links.GetCountOfLayers(doomed), 2);
  delete doomed;
  EXPECT_EQ(drawing->Links.Count(), 0);
}

TEST_F(DrawLayersTest, DrawingFollowsEnabledAndChangesEmptyTheCache) {
  auto image = TIGPBitmap::Create(20, 20);
  const TIntf<IKDCanvas> canvasHolder = new TKDImageCanvas(*image);
  IKDCanvas& canvas = *canvasHolder;
  drawing->SetIsEnabled(false);
  EXPECT_EQ(drawing->GetOperations(), TRQDrawLayerOperations{});
  drawing->DoLayerDraw(canvas, 5, 5, 10, 10, false);
  EXPECT_EQ(image->GetPixel(12, 12), 0u);
  drawing->SetIsEnabled(true);
  EXPECT_EQ(drawing->GetOperations(), TRQDrawLayerOperations{dloDraw});
  drawing->DoLayerDraw(canvas, 5, 5, 10, 10, false);
  EXPECT_EQ(image->GetPixel(12, 12), 0xFF0000FFu);  // translated by (10, 10)
  EXPECT_EQ(image->GetPixel(8, 8), 0u);

  const TObject key;
  drawing->SetCachedData(&key, nullptr);  // a new key with no data: nothing
  EXPECT_EQ(drawing->GetCachedData(&key), nullptr);
  auto data = std::make_unique<TObject>();
  TObject* stored = data.get();
  drawing->SetCachedData(&key, std::move(data));
  EXPECT_EQ(drawing->GetCachedData(&key), stored);
  drawing->SetIsEnabled(false);  // any change
  EXPECT_EQ(drawing->GetCachedData(&key), nullptr);
}

}  // namespace
}  // namespace corvane::test
