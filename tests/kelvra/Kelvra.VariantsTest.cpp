#include "kelvra/Kelvra.Variants.h"

#include <gtest/gtest.h>

#include <limits>

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

}  // namespace
}  // namespace kelvra
