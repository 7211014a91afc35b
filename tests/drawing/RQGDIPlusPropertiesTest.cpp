#include "corvane/drawing/RQGDIPlusProperties.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/ExceptionMessage.h"
#include "tests/drawing/DrawingTestSupport.h"

namespace corvane::test {
namespace {

using namespace kelvra;

// A property object of a test owner: its lock and a count of the changes it reports.
template <class T>
struct TOwned {
  template <class... TArgs>
  explicit TOwned(TArgs... AArgs) : Object(nullptr, Lock, [this] { ++Changes; }, AArgs...) {}
  TIntf<IChangeNotifyLock> Lock = TChangeNotifyLock::Create();
  int Changes = 0;
  T Object;
};

const TIGPRectF kRect{0, 0, 40, 20};

TEST(GPPropertiesTest, PublishedDefaults) {
  TOwned<TRQGPBrush> brush(2.0f, 3.0f);
  const TRQGPBrush& b = brush.Object;
  EXPECT_EQ(b.GetBrushType(), BrushTypeSolidColor);
  EXPECT_EQ(b.GetColor(), 0u);  // stored only when it differs from its default FFFFFF00
  EXPECT_EQ(b.GetWrapMode(), WrapModeClamp);
  EXPECT_EQ(b.GetLinearGradientMode(), lmHorizontal);
  EXPECT_EQ(b.GetHatch()->GetForegroundColor(), 0xFFFFFFFFu);
  EXPECT_EQ(b.GetHatch()->GetBackgroundColor(), 0u);
  EXPECT_EQ(b.GetGradient()->GetCenterColor()->GetColor(), 0xFFFFFFFFu);
  EXPECT_TRUE(b.GetGradient()->GetCenterColor()->GetPoint()->GetAutoCenter());
  EXPECT_FALSE(b.GetBlend()->GetEnabled());
  EXPECT_FLOAT_EQ(b.GetBlend()->GetShape()->GetFocus(), 0.5f);
  EXPECT_FLOAT_EQ(b.GetBlend()->GetShape()->GetScale(), 1.0f);
  EXPECT_TRUE(b.GetTexture()->IsEmpty());
  EXPECT_EQ(brush.Changes, 0);

  TOwned<TRQGPPen> pen(2.0f, 3.0f);
  EXPECT_FLOAT_EQ(pen.Object.GetWidth(), 1);
  EXPECT_EQ(pen.Object.GetBrush()->GetColor(), 0xFFFF0000u);
  EXPECT_FLOAT_EQ(pen.Object.GetBrush()->ScaleY(), 3.0f);
  EXPECT_EQ(pen.Object.GetDashStyle()->GetStyle(), DashStyleSolid);
  EXPECT_EQ(pen.Object.GetLineJoin(), LineJoinMiter);
}

TEST(GPPropertiesTest, ChangesNotifyTheOwnerOnceAndOnlyWhenTheValueChanged) {
  TOwned<TRQGPPen> pen;
  pen.Object.SetWidth(1);  // unchanged
  EXPECT_EQ(pen.Changes, 0);
  pen.Object.SetWidth(3);
  pen.Object.GetBrush()->GetHatch()->SetStyle(HatchStyleCross);  // two levels down
  pen.Object.GetDashStyle()->GetCustomDash()->Add(2);
  EXPECT_EQ(pen.Changes, 3);
  TRQGPPoints& path = *pen.Object.GetBrush()->GetGradient()->GetPath();
  path.BeginUpdate();
  path.Add(1, 2);
  path.Add(3, 4);
  EXPECT_EQ(pen.Changes, 3);
  path.EndUpdate();
  EXPECT_EQ(pen.Changes, 4);
}

TEST(GPPropertiesTest, BrushIsCachedUntilAChange) {
  TOwned<TRQGPBrush> brush;
  brush.Object.SetColor(0xFF102030);
  const auto first = brush.Object.GetGPBrush(kRect);
  EXPECT_EQ(brush.Object.GetGPBrush({5, 5, 1, 1}), first);  // another rectangle: the same brush
  EXPECT_EQ(Supports<IGPSolidBrush>(first)->GetColor(), 0xFF102030u);
  brush.Object.GetBlend()->SetEnabled(true);
  EXPECT_NE(brush.Object.GetGPBrush(kRect), first);
}

TEST(GPPropertiesTest, BrushKindsAndTheirFallbacks) {
  TOwned<TRQGPBrush> brush(2.0f, 1.0f);
  TRQGPBrush& b = brush.Object;
  const auto make = [&] {
    b.NotifyProp();
    return b.GetGPBrush(kRect);
  };
  b.SetColor(0xFF00FF00);
  b.SetBrushType(BrushTypeTextureFill);  // no image: solid of Color
  EXPECT_EQ(Supports<IGPSolidBrush>(make())->GetColor(), 0xFF00FF00u);
  b.GetTexture()->SetGPImage(TIGPBitmap::Create(2, 2));
  EXPECT_EQ(Supports<IGPTextureBrush>(make())->GetWrapMode(), WrapModeClamp);  // keeps clamp

  b.SetBrushType(BrushTypePathGradient);  // no path: solid of the centre colour
  EXPECT_EQ(Supports<IGPSolidBrush>(make())->GetColor(), 0xFFFFFFFFu);
  b.GetGradient()->GetPath()->Add(0, 0);
  b.GetGradient()->GetPath()->Add(10, 0);
  b.GetGradient()->GetPath()->Add(10, 10);
  b.GetGradient()->GetCenterColor()->GetPoint()->SetAutoCenter(false);
  b.GetGradient()->GetCenterColor()->GetPoint()->SetX(3);
  auto path = Supports<IGPPathGradientBrush>(make());
  EXPECT_EQ(path->GetWrapMode(), WrapModeClamp);
  EXPECT_EQ(path->GetCenterPoint(), (TPointF{3, 0}));  // unscaled

  b.SetBrushType(BrushTypeLinearGradient);
  auto linear = Supports<IGPLinearGradientBrush>(make());
  EXPECT_EQ(linear->GetWrapMode(), WrapModeTile);  // clamp becomes tile
  b.GetGradient()->GetColors()->Add(0xFF0000FF);
  linear = Supports<IGPLinearGradientBrush>(make());
  EXPECT_EQ(linear->GetStartColor(), 0xFF0000FFu);
  EXPECT_EQ(linear->GetEndColor(), 0xFFFFFF00u);

  b.SetBrushType(BrushTypeHatchFill);
  EXPECT_EQ(Supports<IGPHatchBrush>(make())->GetHatchStyle(), HatchStyleHorizontal);
}

TEST(GPPropertiesTest, LinearGradientWithoutColoursRunsFromRedToYellow) {
  TOwned<TRQGPBrush> brush;
  brush.Object.SetBrushType(BrushTypeLinearGradient);
  auto linear = Supports<IGPLinearGradientBrush>(brush.Object.GetGPBrush(kRect));
  EXPECT_EQ(linear->GetStartColor(), 0xFFFF0000u);
  EXPECT_EQ(linear->GetEndColor(), 0xFFFFFF00u);
  // The blend, when enabled, with its bell shape.
  brush.Object.GetBlend()->SetEnabled(true);
  brush.Object.GetBlend()->GetShape()->SetShapeType(bstBell);
  linear = Supports<IGPLinearGradientBrush>(brush.Object.GetGPBrush(kRect));
  EXPECT_GT(linear->GetBlend().size(), 3u);
}

TEST(GPPropertiesTest, PenWidthScalesAndSettingsCarryOver) {
  TOwned<TRQGPPen> pen(2.0f, 5.0f);
  TRQGPPen& p = pen.Object;
  p.SetWidth(0);
  EXPECT_FLOAT_EQ(p.GetWidth(), 0.0001f);
  EXPECT_FLOAT_EQ(p.GetGPPenInt(kRect, 3)->GetWidth(), 0.0001f * 3 * 2);
  EXPECT_FLOAT_EQ(p.GetGPPenInt(kRect, 7)->GetWidth(), 0.0001f * 3 * 2);  // cached
  p.SetWidth(2);
  p.GetDashStyle()->SetStyle(DashStyleCustom);
  p.GetDashStyle()->GetCustomDash()->Add(-1);
  p.GetDashStyle()->GetCustomDash()->Add(2);
  p.GetCompound()->Add(1.5f);
  p.GetCompound()->Add(-1);
  auto gp = p.GetGPPen(kRect);
  EXPECT_FLOAT_EQ(gp->GetWidth(), 4);
  EXPECT_EQ(gp->GetDashPattern(), (std::vector<float>{0, 2}));
  EXPECT_EQ(gp->GetCompoundArray(), (std::vector<float>{1, 0}));
  p.GetBrush()->SetColor(0xFF000000);  // the brush's change drops the pen too
  EXPECT_NE(p.GetGPPen(kRect), gp);
}

TEST(GPPropertiesTest, ValueListsAssignCopies) {
  TOwned<TRQGPColors> a, b;
  a.Object.Add(1);
  a.Object.Add(2);
  b.Object.Assign(a.Object);
  EXPECT_EQ(b.Changes, 1);
  ASSERT_EQ(b.Object.Count(), 2);
  a.Object.SetItems(0, 9);
  EXPECT_EQ(b.Object.Items(0), 1u);
}

TEST(GPImagePropertyTest, FilesFormatsAndAssign) {
  TOwned<TRQGPImage> image;
  EXPECT_EQ(MessageOf<EFOpenError>([&] { image.Object.LoadFromFile("/nonexistent/a.png"); }),
            "Cannot open file \"/nonexistent/a.png\".");
  EXPECT_TRUE(image.Object.IsEmpty());
  image.Object.SaveToFile(testing::TempDir() + "none.png");  // nothing without an image
  EXPECT_FALSE(std::filesystem::exists(testing::TempDir() + "none.png"));

  auto bitmap = Render(6, 4, [](IGPGraphics& g) { g.Clear(0x80336699); });
  image.Object.SetGPImage(bitmap);
  EXPECT_EQ(image.Changes, 1);
  EXPECT_EQ(image.Object.Width(), 6u);
  const std::string bmp = testing::TempDir() + "gp_image";  // no extension: bmp
  image.Object.SaveToFile(bmp);
  char magic[2] = {};
  std::FILE* file = std::fopen(bmp.c_str(), "rb");
  ASSERT_TRUE(file);
  EXPECT_EQ(std::fread(magic, 1, 2, file), 2u);
  std::fclose(file);
  EXPECT_EQ(std::string(magic, 2), "BM");
  std::remove(bmp.c_str());

  TOwned<TRQGPImage> copy;
  copy.Object.Assign(image.Object);
  EXPECT_EQ(copy.Changes, 1);
  EXPECT_TRUE(SamePixels(*Supports<IGPBitmap>(copy.Object.GetGPImage()), *bitmap, 1));
  copy.Object.Assign(TOwned<TRQGPImage>().Object);
  EXPECT_TRUE(copy.Object.IsEmpty());
}

}  // namespace
}  // namespace corvane::test
