#include "kelvra/Kelvra.Categories.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvra {
namespace {

// A small tree: Audio at the top, with Effects under it; Sources, also listed under Audio and
// Effects; Reverb under Effects, showing Effects' image, which Effects takes from Audio.
struct TAudio : TClassCategory {
  static const TClassRef ClassRef;
};
struct TEffects : TClassCategory {
  static const TClassRef ClassRef;
};
struct TSources : TClassCategory {
  static const TClassRef ClassRef;
};
struct TReverb : TClassCategory {
  static const TClassRef ClassRef;
};
inline constexpr TClassRef TAudio::ClassRef = ClassRefOf<TAudio, TClassCategory>("TAudio");
inline constexpr TClassRef TEffects::ClassRef = ClassRefOf<TEffects, TClassCategory>(
    "TEffects", {.Categories = ClassRefs<&TAudio::ClassRef>, .ParentImage = &TAudio::ClassRef});
inline constexpr TClassRef TSources::ClassRef = ClassRefOf<TSources, TClassCategory>(
    "TSources", {.AlternateCategories = ClassRefs<&TAudio::ClassRef, &TEffects::ClassRef>});
inline constexpr TClassRef TReverb::ClassRef = ClassRefOf<TReverb, TClassCategory>(
    "TReverb", {.Categories = ClassRefs<&TEffects::ClassRef>, .ParentImage = &TEffects::ClassRef});

using TList = std::vector<const TClassRef*>;
const TClassRef* const kTree[] = {&TAudio::ClassRef, &TEffects::ClassRef, &TSources::ClassRef,
                                  &TReverb::ClassRef};

class TCategoryRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { TCategoryRegistry::RegisterCategories(kTree); }
  void TearDown() override {
    TCategoryRegistry::UnregisterCategories(kTree);
    EXPECT_TRUE(TCategoryRegistry::Categories().empty());
  }
};

TEST_F(TCategoryRegistryTest, GivesTheTreeInRegistrationOrder) {
  EXPECT_EQ(TCategoryRegistry::Roots(), (TList{&TAudio::ClassRef, &TSources::ClassRef}));
  EXPECT_EQ(TCategoryRegistry::Children(TAudio::ClassRef), TList{&TEffects::ClassRef});
  EXPECT_EQ(TCategoryRegistry::Children(TEffects::ClassRef), TList{&TReverb::ClassRef});
  EXPECT_TRUE(TCategoryRegistry::Children(TReverb::ClassRef).empty());
  EXPECT_EQ(TCategoryRegistry::AlternateChildren(TEffects::ClassRef), TList{&TSources::ClassRef});
  EXPECT_EQ(TCategoryRegistry::FindCategory("TReverb"), &TReverb::ClassRef);

  // A category whose parent is gone stands at the top.
  const TClassRef* const effects[] = {&TEffects::ClassRef};
  TCategoryRegistry::UnregisterCategories(effects);
  EXPECT_EQ(TCategoryRegistry::Roots(),
            (TList{&TAudio::ClassRef, &TSources::ClassRef, &TReverb::ClassRef}));
  EXPECT_EQ(TCategoryRegistry::FindCategory("TEffects"), nullptr);
}

TEST_F(TCategoryRegistryTest, ANameRegisteredAgainTakesTheNewClassInPlace) {
  static constexpr TClassRef kOtherEffects = ClassRefOf<TEffects, TClassCategory>("TEffects");
  const TClassRef* const other[] = {&kOtherEffects};
  TCategoryRegistry::RegisterCategories(other);
  EXPECT_EQ(TCategoryRegistry::Categories(), (TList{&TAudio::ClassRef, &kOtherEffects,
                                                    &TSources::ClassRef, &TReverb::ClassRef}));
  TCategoryRegistry::UnregisterCategories(other);
}

TEST_F(TCategoryRegistryTest, RefusesClassesThatAreNoCategories) {
  struct TComponentLike {};
  static constexpr TClassRef kTwoParents = ClassRefOf<TReverb, TClassCategory>(
      "TTwoParents", {.Categories = ClassRefs<&TAudio::ClassRef, &TEffects::ClassRef>});
  static constexpr TClassRef kComponent = ClassRefOf<TComponentLike>("TComponent");
  static constexpr TClassRef kGood = ClassRefOf<TReverb, TClassCategory>("TGood");
  for (const TClassRef* bad : {&kTwoParents, &kComponent}) {
    const TClassRef* const list[] = {&kGood, bad};
    EXPECT_THROW(TCategoryRegistry::RegisterCategories(list), EInvalidCast) << bad->Name();
    EXPECT_EQ(TCategoryRegistry::FindCategory("TGood"), nullptr) << "none of the list is taken";
  }
}

// Two modules' resources: each has the image of one category, named in upper case.
std::span<const uint8_t> FirstModule(std::string_view type, std::string_view name) {
  static const uint8_t image[] = {1};
  return type == kCategoryImageType && name == "TAUDIO" ? image : std::span<const uint8_t>{};
}
std::span<const uint8_t> SecondModule(std::string_view type, std::string_view name) {
  static const uint8_t image[] = {2};
  return type == kCategoryImageType && (name == "TAUDIO" || name == "TSOURCES")
             ? image
             : std::span<const uint8_t>{};
}

TEST_F(TCategoryRegistryTest, FindsImagesThroughParentImagesInTheLatestSourceFirst) {
  static_assert(&ImageCategory(TReverb::ClassRef) == &TAudio::ClassRef);
  EXPECT_TRUE(TCategoryRegistry::Image(TAudio::ClassRef).empty()) << "no source yet";
  TCategoryRegistry::AddImageSource(&FirstModule);
  TCategoryRegistry::AddImageSource(&SecondModule);
  EXPECT_EQ(TCategoryRegistry::Image(TReverb::ClassRef)[0], 2);
  EXPECT_EQ(TCategoryRegistry::Image(TSources::ClassRef)[0], 2);
  TCategoryRegistry::RemoveImageSource(&SecondModule);
  EXPECT_EQ(TCategoryRegistry::Image(TReverb::ClassRef)[0], 1);
  EXPECT_TRUE(TCategoryRegistry::Image(TSources::ClassRef).empty());
  TCategoryRegistry::RemoveImageSource(&FirstModule);
  EXPECT_TRUE(TCategoryRegistry::Image(TReverb::ClassRef).empty());
}

}  // namespace
}  // namespace kelvra
