#include "corvane/drawing/RQGDIPlusProperties.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "kelvra/Kelvra.Components.Streaming.h"
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

TEST(GPCollectionTest, ColourItemsTakeTheLeastUsedPaletteColour) {
  const TAlphaColor palette[] = {0xFF000001, 0xFF000002, 0xFF000003};
  TOwned<TRQGPColorItems> items{std::span<const TAlphaColor>(palette)};
  int reports = 0;
  items.Object.FOnChange = [&] { ++reports; };
  std::vector<TAlphaColor> colors;
  for (int i = 0; i < 4; ++i) colors.push_back(items.Object.Add()->GetColor());
  EXPECT_EQ(colors, (std::vector<TAlphaColor>{0xFF000001, 0xFF000002, 0xFF000003, 0xFF000001}));
  EXPECT_GT(reports, 4);
  items.Object.Items(1)->SetColor(0xFF000001);  // by hand: 1, 1, 3, 1
  EXPECT_EQ(items.Object.Add()->GetColor(), 0xFF000002u);
  TOwned<TRQGPColorItems> unpainted{std::span<const TAlphaColor>{}};
  EXPECT_EQ(unpainted.Object.Add()->GetColor(), 0xFFFF0000u);
}

TEST(GPCollectionTest, NewPensCountTheHeldNewPenAsRed) {
  TOwned<TRQGPOptionalMultiPen> pen(2.0f, 1.0f);
  TRQGPPenCollection& pens = *pen.Object.GetAdditionalPens();
  std::vector<TAlphaColor> colors;
  for (int i = 0; i < 3; ++i) colors.push_back(pens.Add()->GetPen()->GetBrush()->GetColor());
  // The new pen is red while it is counted: red has 1 then, so the first unused colour wins.
  EXPECT_EQ(colors, (std::vector<TAlphaColor>{0xFF00FF00, 0xFF0000FF, 0xFFFFFF00}));
  EXPECT_FLOAT_EQ(pens.Items(0)->GetPen()->GetBrush()->ScaleX(), 2.0f);
  const int before = pen.Changes;
  pens.Items(2)->GetPen()->SetWidth(5);
  EXPECT_GT(pen.Changes, before);  // reaches the owner of the multi-pen
}

TEST(GPCollectionTest, OptionalPenEnabledDefault) {
  TOwned<TRQGPOptionalPen> pen;
  EXPECT_FALSE(pen.Object.GetEnabled());
  pen.Object.SetEnabledDefault(true);
  EXPECT_TRUE(pen.Object.GetEnabled());
  EXPECT_EQ(pen.Changes, 1);
}

TEST(GPFontTest, DefaultsAndTheWrapperFont) {
  TOwned<TRQGPOptionalText> text;
  TRQGPFont& font = *text.Object.GetFont();
  EXPECT_TRUE(text.Object.GetEnabled());
  EXPECT_EQ(font.GetName(), "Microsoft Sans Serif");
  EXPECT_EQ(font.GetSize(), 10);
  EXPECT_EQ(font.GetStyle(), TFontStyles{});
  font.SetStyleDefault({fsBold});
  EXPECT_EQ(text.Changes, 1);

  TOwned<TRQGPBrushFont> brushFont;
  brushFont.Object.SetStyle({fsItalic, fsStrikeOut});
  brushFont.Object.SetSize(12);
  const auto gp = brushFont.Object.GetGPFont();
  EXPECT_EQ(gp->GetStyle(), FontStyleItalic | FontStyleStrikeout);
  EXPECT_EQ(gp->GetUnit(), UnitPoint);
  EXPECT_FLOAT_EQ(gp->GetSize(), 12);
  EXPECT_NE(brushFont.Object.GetGPFont(), gp);  // not cached
}

TEST(GPFontTest, DrawOnGraphicsFillsThenDrawsEveryEnabledPen) {
  TOwned<TRQGPSimpleFont> font(2.0f, 2.0f);
  TRQGPSimpleFont& f = font.Object;
  f.GetBrush()->SetColor(0xFF0000FF);
  auto path = TIGPGraphicsPath::Create();
  path->AddRectangle({10, 10, 20, 12});
  const auto draw = [&] {
    return Render(40, 32, [&](IGPGraphics& g) { f.DrawOnGraphics(g, *path, 1.5f); }, SmoothingModeDefault);
  };
  auto filled = draw();
  EXPECT_EQ(filled->GetPixel(20, 16), 0xFF0000FFu);
  EXPECT_EQ(filled->GetPixel(10, 9), 0u);  // no pen while disabled
  f.GetPen()->SetEnabled(true);
  f.GetPen()->GetAdditionalPens()->Add();  // green, drawn after the red pen
  auto outlined = draw();
  EXPECT_EQ(outlined->GetPixel(20, 16), 0xFF0000FFu);
  EXPECT_EQ(outlined->GetPixel(20, 9), 0xFF00FF00u);  // width 1 x 1.5 x 2 = 3 about the edge
  EXPECT_EQ(outlined->GetPixel(20, 7), 0u);
}

// A component publishing a multi-pen, a font and an image, for the streaming round trip.
class TDrawingHolder : public TLockComponent {
 public:
  static const TClassRef ClassRef;
  static const TPropertyTable& Properties() {
    static const TPropertyTable table = TPropertyTableBuilder<TDrawingHolder>()
        .AutoManaged("Pen", &TDrawingHolder::Pen)
        .AutoManaged("Font", &TDrawingHolder::Font)
        .AutoManaged("Image", &TDrawingHolder::Image);
    return table;
  }
  explicit TDrawingHolder(TComponent* AOwner) : TLockComponent(AOwner) { InitDefaults(ClassRef); }
  const TClassRef& ClassType() const override { return ClassRef; }
  std::unique_ptr<TRQGPOptionalMultiPen> Pen;
  std::unique_ptr<TRQGPFont> Font;
  std::unique_ptr<TRQGPImage> Image;
};
inline constexpr TClassRef TDrawingHolder::ClassRef =
    ClassRefOf<TDrawingHolder, TLockComponent>("TDrawingHolder", {.Properties = &TDrawingHolder::Properties});

// A holder whose pen, font and image have a value of every streamed kind: values, a set, the
// five value lists (colours with their top bit set among them) and an image.
TOwnedComponent<TDrawingHolder> MakeStreamedHolder() {
  const TClassRef* classes[] = {&TDrawingHolder::ClassRef};
  RegisterComponents(classes);
  TOwnedComponent<TDrawingHolder> holder(new TDrawingHolder(nullptr));
  TRQGPOptionalMultiPen& pen = *holder->Pen;
  pen.SetEnabled(true);
  pen.SetWidth(2.5f);
  pen.GetBrush()->SetBrushType(BrushTypeHatchFill);
  pen.GetBrush()->GetHatch()->SetStyle(HatchStyleCross);
  pen.GetDashStyle()->SetStyle(DashStyleDashDot);
  pen.GetDashStyle()->GetCustomDash()->Add(2);
  pen.GetDashStyle()->GetCustomDash()->Add(0.5f);
  pen.GetCompound()->Add(0.25f);
  pen.GetAdditionalPens()->Add()->GetPen()->SetLineJoin(LineJoinRound);
  TRQGPBrush& brush = *pen.GetBrush();
  brush.GetGradient()->GetPath()->Add(0, 1.5f);
  brush.GetGradient()->GetPath()->Add(-4, 3);
  brush.GetGradient()->GetColors()->Add(0xFF102030);
  brush.GetInterpolationColors()->Add(0x80FFFFFF, 0.75f);
  brush.GetBlend()->GetBlends()->Add(0.1f, 1);
  holder->Font->SetStyle({fsBold, fsUnderline});
  holder->Font->SetSize(14);
  holder->Image->SetGPImage(Render(3, 2, [](IGPGraphics& g) { g.Clear(0xFF204060); }));
  return holder;
}

TEST(GPStreamingTest, PropertiesListsSetsAndImageReadBackAsWritten) {
  const std::string text = WriteComponentYaml(*MakeStreamedHolder());
  for (const char* expected :
       {"Width: 2.5", "Style: HatchStyleCross", "Style: DashStyleDashDot", "LineJoin: LineJoinRound",
        "Style: [fsBold, fsUnderline]", "Size: 14", "Data: !!binary", "Values: [2, 2, 0.5]",
        "Values: [1, 0.25]", "Points: [2, [0, 1.5], [-4, 3]]", "Colors: [1, 4279246896]",
        "Colors: [1, 2164260863, 0.75]", "Blends: [1, [0.1, 1]]"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
  EXPECT_EQ(text.find("Name:"), std::string::npos);  // defaults are left out

  TOwnedComponent<TComponent> read = ReadComponentYaml(text);
  EXPECT_EQ(WriteComponentYaml(*read), text);
  auto& copy = static_cast<TDrawingHolder&>(*read);
  EXPECT_EQ(copy.Pen->GetAdditionalPens()->Count(), 1);
  EXPECT_EQ(copy.Font->GetStyle(), (TFontStyles{fsBold, fsUnderline}));
  const auto path = copy.Pen->GetBrush()->GetGradient()->GetPath()->Values();
  EXPECT_EQ(std::vector<TPointF>(path.begin(), path.end()), (std::vector<TPointF>{{0, 1.5f}, {-4, 3}}));
  EXPECT_EQ(copy.Pen->GetBrush()->GetInterpolationColors()->Items(0).Color, 0x80FFFFFFu);
  EXPECT_EQ(Supports<IGPBitmap>(copy.Image->GetGPImage())->GetPixel(2, 1), 0xFF204060u);
}

constexpr std::string_view kStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

// Edits one line of the holder's text and reads it: the custom dashes (times 10) and the font
// style, or the error.
std::string ReadEdited(const std::string& from, const std::string& to) {
  std::string text = WriteComponentYaml(*MakeStreamedHolder());
  text.replace(text.find(from), from.size(), to);
  try {
    TOwnedComponent<TComponent> read = ReadComponentYaml(text);
    const auto dashes = static_cast<TDrawingHolder&>(*read).Pen->GetDashStyle()->GetCustomDash()->Values();
    std::string values;
    for (const float v : dashes) values += std::to_string(int(v * 10)) + " ";
    return values + kelvra::SetToText(static_cast<TDrawingHolder&>(*read).Font->GetStyle().Bits(), kStyleNames);
  } catch (const EComponentStreamError& e) {
    return std::string("error: ") + e.what();
  }
}

TEST(GPStreamingTest, ListsPassOverSurplusEntriesAndBadListsAndSetsAreRefused) {
  const struct {
    const char *from, *to, *result;
  } rows[] = {
      {"Values: [2, 2, 0.5]", "Values: [1, 2, 0.5, [7]]", "20 [fsBold, fsUnderline]"},
      {"Values: [2, 2, 0.5]", "Values: [0]", "[fsBold, fsUnderline]"},
      {"Style: [fsBold, fsUnderline]", "Style: []", "20 5 []"},
      {"Values: [2, 2, 0.5]", "Values: []", "error: Line 22, column 17: The list has no more values"},
      {"Values: [2, 2, 0.5]", "Values: [3, 2, 0.5]", "error: Line 22, column 17: The list holds 2 entries, not 3"},
      {"Values: [2, 2, 0.5]", "Values: [-1]", "error: Line 22, column 17: The list holds 0 entries, not -1"},
      {"Values: [2, 2, 0.5]", "Values: 2", "error: Line 22, column 17: A list expected"},
      {"Values: [2, 2, 0.5]", "Values: [1, [2]]", "error: Line 22, column 17: A value expected for Values"},
      {"Points: [2, [0, 1.5],", "Points: [2, 0, [1.5],", "error: Line 8, column 19: A list expected"},
      {"Colors: [1, 4279246896]", "Colors: [1, 4294967296]",
       "error: Line 10, column 19: '4294967296' is not a valid colour value"},
      {"Style: [fsBold, fsUnderline]", "Style: [fsBold, fsWide]",
       "error: Line 32, column 12: 'fsWide' is not a valid value (one of fsBold, fsItalic, fsUnderline, fsStrikeOut)"},
      {"Style: [fsBold, fsUnderline]", "Style: 5", "error: Line 32, column 12: A sequence of members expected for Style"},
  };
  for (const auto& row : rows) EXPECT_EQ(ReadEdited(row.from, row.to), row.result) << row.to;
}

}  // namespace
}  // namespace corvane::test
