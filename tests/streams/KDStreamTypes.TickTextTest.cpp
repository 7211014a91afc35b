#include <gtest/gtest.h>

#include "corvane/streams/KDStreamTypes.h"

namespace corvane {
namespace {

TEST(ScaleTickText, DecimalsFollowTheSpanAndThePrecision) {
  EXPECT_EQ(KDGetDecimalPoints(0, 1000, 3, false), 0);
  EXPECT_EQ(KDGetDecimalPoints(0, 10, 3, false), 1);
  EXPECT_EQ(KDGetDecimalPoints(0, 0.5, 3, false), 3);
  EXPECT_EQ(KDGetDecimalPoints(7, 7, 3, false), 1) << "a span of width 0";
  EXPECT_EQ(KDGetDecimalPoints(-0.5, 0.5, 3, false), 2) << "the span, not the ends, counts";
  EXPECT_EQ(KDGetDecimalPoints(0, 1e9, 3, false), 0) << "never negative";
  for (double span : {0.0, 0.001, 1e6}) EXPECT_EQ(KDGetDecimalPoints(0, span, 0, false), 0);
  EXPECT_EQ(KDGetDecimalPoints(0, 0.5, -2, false), 0);
  EXPECT_EQ(KDGetDecimalPoints(0, 1000, 5, true), 5) << "fixed: the precision itself";
}

TEST(ScaleTickText, LabelsInFixedAndScientificForm) {
  EXPECT_EQ(KDGetScaleTickText(250, 0, 1000, false, 3, false), "250");
  EXPECT_EQ(KDGetScaleTickText(2.5, 0, 10, false, 3, false), "2.5");
  EXPECT_EQ(KDGetScaleTickText(0.125, 0, 0.5, false, 3, false), "0.125");
  EXPECT_EQ(KDGetScaleTickText(-3.14159, 0, 10, false, 3, false), "-3.1");
  EXPECT_EQ(KDGetScaleTickText(1234.5, 0, 1, true, 3, true), "1.23E+003");
  EXPECT_EQ(KDGetScaleTickText(0.00012, 0, 1, false, 3, true), "1.20000000000000E-004");
}

TEST(ScaleTickText, FixedLabelsHaveAsManyDecimalsAsThePrecision) {
  for (double value : {0.0, 1.0, -12.5, 1e5, 1e17})
    for (uint32_t precision : {0u, 1u, 4u}) {
      const std::string text = KDGetScaleTickText(value, 0, 1e6, true, precision, false);
      const size_t point = text.find('.');
      EXPECT_EQ(point == std::string::npos ? 0 : text.size() - point - 1, precision) << text;
    }
  EXPECT_EQ(KDGetScaleTickText(1e20, 0, 1, true, 3, false), "1.000E+020")
      << "too large for fixed notation: the mantissa keeps the precision's decimals";
}

TEST(ScaleTickText, UsesTheCallersDecimalSeparator) {
  EXPECT_EQ(KDGetScaleTickText(2.5, 0, 10, false, 3, false, {.DecimalSeparator = ','}), "2,5");
  EXPECT_EQ(KDGetScaleTickText(1e20, 0, 1, true, 2, false, {.DecimalSeparator = ','}),
            "1,00E+020");
}

}  // namespace
}  // namespace corvane
