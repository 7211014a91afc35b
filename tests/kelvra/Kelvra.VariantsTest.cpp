#include "kelvra/Kelvra.Variants.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace kelvra {
namespace {

TEST(TDateTime, EncodesAndDecodesCalendarFields) {
  const TDateTime t = EncodeDateTime(2020, 11, 26, 4, 4, 31, 500);
  const TDateTimeFields f = DecodeDateTime(t);
  EXPECT_EQ(f.Year, 2020);
  EXPECT_EQ(f.Month, 11);
  EXPECT_EQ(f.Day, 26);
  EXPECT_EQ(f.Hour, 4);
  EXPECT_EQ(f.Minute, 4);
  EXPECT_EQ(f.Second, 31);
  EXPECT_EQ(f.Millisecond, 500);
  EXPECT_EQ(DecodeDateTime(TDateTime{0.0}).Year, 1899);  // the runtime's day zero, 1899-12-30
  EXPECT_EQ(DecodeDateTime(TDateTime{-693593.0}).Year, 1);
}

TEST(TDateTime, ValuesWithoutACalendarDateRaiseConvertError) {
  for (double days : {1e300, -1e300, 2958466.0, -693594.0, std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity()})
    EXPECT_THROW(DecodeDateTime(TDateTime{days}), EConvertError) << days;
}

class TCounted : public TInterfacedObject {};

TEST(Variant, HoldsInterfacesWithTheirReferenceCount) {
  TIntf<TCounted> object(new TCounted());
  {
    Variant held = object;
    EXPECT_EQ(held.VarType(), varUnknown);
    EXPECT_EQ(object->RefCount(), 2);
    Variant copy = held;
    Variant assigned;
    assigned = copy;
    EXPECT_EQ(object->RefCount(), 4);
    Variant moved = std::move(copy);
    EXPECT_EQ(object->RefCount(), 4);
    assigned = int32_t(1);  // gives its reference back
    EXPECT_EQ(object->RefCount(), 3);
    EXPECT_EQ(held.AsInterface().get(), static_cast<IInterface*>(object.get()));
    // The same object is the same value; another object, or another kind, is not.
    EXPECT_EQ(held, moved);
    EXPECT_NE(held, Variant(TIntf<TCounted>(new TCounted())));
    EXPECT_NE(held, Variant(int32_t(1)));
  }
  EXPECT_EQ(object->RefCount(), 1);
}

TEST(Variant, ReadingAnotherKindRaisesVariantError) {
  const Variant interface = TIntf<TCounted>(new TCounted());
  EXPECT_THROW(interface.AsInt64(), EVariantError);
  EXPECT_THROW(interface.AsWideString(), EVariantError);
  EXPECT_THROW(Variant(int32_t(1)).AsInterface(), EVariantError);
  EXPECT_THROW(Variant(1.5).AsInt64(), EVariantError);
  try {
    Variant().AsDouble();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_STREQ(e.what(), "Invalid variant type conversion");
  }
}

// Each maximal subpart of an ill-formed sequence becomes one U+FFFD; ASCII runs around the other
// bytes, in and out of blocks of eight, keep their places.
TEST(Utf8ToUtf16, OneReplacementForEachMaximalSubpart) {
  const struct {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", u"caf\u00E9 \u20AC \U0001F600"},
      // The example of the Unicode Standard: cut sequences, lone continuation bytes.
      {"a\xF1\x80\x80\xE1\x80\xC2" "b\x80" "c\x80\xBF" "d", u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
      {"\xC0\xAF\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong forms
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                     // a surrogate
      {"\xF4\x90\x80\x80\xF5", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xF0\x9F\x98\xE2\x82\xAC" "x", u"\uFFFD\u20ACx"},          // cut short by another
      {"0123456789\xE2\x82", u"0123456789\uFFFD"},                   // cut short by the end
      {"01234567\xFF" "abcdefghijklmnop\xC3\xA9q", u"01234567\uFFFDabcdefghijklmnop\u00E9q"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text) << c.bytes;
  // Bytes that are not the last: a sequence cut short at their end waits for the next ones.
  const uint8_t cut[] = {'x', 0xF0, 0x9F, 0x98};
  char16_t out[4];
  size_t produced = 0;
  EXPECT_EQ(DecodeUtf8(cut, 4, false, out, produced), 1u);
  EXPECT_EQ(produced, 1u);
  EXPECT_EQ(DecodeUtf8(cut, 4, true, out, produced), 4u);
  EXPECT_EQ(std::u16string(out, produced), u"x\uFFFD");
}

}  // namespace
}  // namespace kelvra
