#include "kelvra/Kelvra.ClassRef.h"

#include <gtest/gtest.h>

#include <memory>

#include "kelvra/Kelvra.Modules.h"

namespace kelvra {
namespace {

// A small family: shapes made by class from a corner count.
class TShape {
 public:
  explicit TShape(int corners) : corners_(corners) {}
  virtual ~TShape() = default;
  static const TClassRef ClassRef;
  virtual const TClassRef& ClassType() const { return ClassRef; }
  template <class T>
    requires std::is_constructible_v<T, int>
  static TShape* MakeInstance(int corners) { return new T(corners); }
  int Corners() const { return corners_; }

 private:
  int corners_;
};
inline constexpr TClassRef TShape::ClassRef = ClassRefOf<TShape>("TShape");

class TPolygon : public TShape {
 public:
  using TShape::TShape;
  static const TClassRef ClassRef;
  const TClassRef& ClassType() const override { return ClassRef; }
};
constexpr TGUID kFrom = TGUID::Parse("{00000000-0000-0000-0000-000000000001}");
constexpr TGUID kTo = TGUID::Parse("{00000000-0000-0000-0000-000000000002}");
constexpr const TClassRef* kPolygonCategories[] = {&TShape::ClassRef};
inline constexpr TClassRef TPolygon::ClassRef =
    ClassRefOf<TPolygon, TShape>("TPolygon", {.DisplayName = "Polygon",
                                              .ImageName = "TPOLYGON",
                                              .ConvertFrom = kFrom,
                                              .ConvertTo = kTo,
                                              .Categories = kPolygonCategories});

// Needs more than the family's construction values: no factory.
class TCircle : public TShape {
 public:
  TCircle(int, double) : TShape(0) {}
  static const TClassRef ClassRef;
};
inline constexpr TClassRef TCircle::ClassRef = ClassRefOf<TCircle, TShape>("TCircle");

class TSquare : public TPolygon {
 public:
  TSquare() : TPolygon(4) {}
  explicit TSquare(int) : TSquare() {}
  static const TClassRef ClassRef;
  const TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr TClassRef TSquare::ClassRef = ClassRefOf<TSquare, TPolygon>("TSquare");

// Everything a class reference tells is known at compile time.
static_assert(TSquare::ClassRef.InheritsFrom(TShape::ClassRef));
static_assert(TSquare::ClassRef.InheritsFrom(TSquare::ClassRef));
static_assert(!TShape::ClassRef.InheritsFrom(TSquare::ClassRef));
static_assert(!TSquare::ClassRef.InheritsFrom(TCircle::ClassRef));
static_assert(TSquare::ClassRef.Parent() == &TPolygon::ClassRef && !TShape::ClassRef.Parent());
static_assert(TPolygon::ClassRef.Attributes().ConvertTo == kTo);
static_assert(TPolygon::ClassRef.Attributes().Categories[0] == &TShape::ClassRef);
static_assert(TShape::ClassRef.Attributes().DisplayName.empty());

TEST(TClassRef, MakesObjectsOfItsClassByTheFamilysFactory) {
  std::unique_ptr<TShape> square(TSquare::ClassRef.Create<TShape*(int)>(7));
  EXPECT_EQ(&square->ClassType(), &TSquare::ClassRef);
  EXPECT_EQ(square->Corners(), 4);
  std::unique_ptr<TShape> polygon(TPolygon::ClassRef.Create<TShape*(int)>(5));
  EXPECT_EQ(polygon->Corners(), 5);
  EXPECT_EQ(TPolygon::ClassRef.Name(), "TPolygon");
  EXPECT_EQ(TPolygon::ClassRef.Attributes().ImageName, "TPOLYGON");

  EXPECT_FALSE(TCircle::ClassRef.CanCreate<TShape*(int)>());
  EXPECT_THROW(TCircle::ClassRef.Create<TShape*(int)>(0), EAbstractError);
  // A factory is called only with the signature it has.
  EXPECT_FALSE(TSquare::ClassRef.CanCreate<TShape*(long)>());
  EXPECT_THROW(TSquare::ClassRef.Create<TShape*(long)>(1L), EInvalidCast);
}

TEST(TClassManagement, FindsRegisteredClassesByName) {
  const TClassRef* const classes[] = {&TShape::ClassRef, &TSquare::ClassRef};
  TClassManagement::RegisterClasses(classes);
  EXPECT_EQ(TClassManagement::FindClass("TSquare"), &TSquare::ClassRef);
  EXPECT_EQ(TClassManagement::FindClass("TPolygon"), nullptr);
  EXPECT_EQ(TClassManagement::Classes(),
            (std::vector<const TClassRef*>{&TShape::ClassRef, &TSquare::ClassRef}));

  // A class of a name registered again replaces the first; unregistering the first then leaves
  // the second in place.
  static constexpr TClassRef kOtherSquare = ClassRefOf<TSquare, TPolygon>("TSquare");
  const TClassRef* const other[] = {&kOtherSquare};
  TClassManagement::RegisterClasses(other);
  EXPECT_EQ(TClassManagement::FindClass("TSquare"), &kOtherSquare);
  TClassManagement::UnregisterClasses(classes);
  EXPECT_EQ(TClassManagement::FindClass("TSquare"), &kOtherSquare);
  EXPECT_EQ(TClassManagement::FindClass("TShape"), nullptr);
  TClassManagement::UnregisterClasses(other);
  EXPECT_EQ(TClassManagement::FindClass("TSquare"), nullptr);
}

// A class whose reference lies in a library is found until the library is freed; freeing another
// library leaves it.
TEST(TClassManagement, FreeingALibraryForgetsItsClasses) {
  const TLoadResult module = SafeLoadLibrary(TEST_MODULE);
  ASSERT_TRUE(module.Handle) << module.ErrorText;
  const TClassRef* const classes[] = {
      reinterpret_cast<const TClassRef* (*)()>(GetProcAddress(module.Handle, "TestModuleClass"))()};
  TClassManagement::RegisterClasses(classes);
  const TLoadResult other = SafeLoadLibrary("libm.so.6");
  ASSERT_TRUE(other.Handle) << other.ErrorText;
  FreeLibrary(other.Handle);
  EXPECT_EQ(TClassManagement::FindClass("TModuleClass"), classes[0]);
  FreeLibrary(module.Handle);
  EXPECT_EQ(TClassManagement::FindClass("TModuleClass"), nullptr);
}

}  // namespace
}  // namespace kelvra
