#include "runtime/text/text.h"

#include <gtest/gtest.h>

#include "runtime/process/settings.h"
#include "support/testing/report_settings.h"

namespace kx {
namespace {

class NumberTextTest : public ::testing::Test {
 protected:
  void SetUp() override { test::apply_report_settings(); }
};

TEST_F(NumberTextTest, RoundsHalfAwayFromZeroOnTheDecimalValue) {
  EXPECT_EQ(round_decimal("1.005", 2), "1.01");
  EXPECT_EQ(round_decimal("2.675", 2), "2.68");
  EXPECT_EQ(round_decimal("-0.125", 2), "-0.13");
  EXPECT_EQ(round_decimal("9.995", 2), "10.00");
  EXPECT_EQ(round_decimal("-0.001", 2), "0.00");
  EXPECT_EQ(round_decimal(".5", 0), "1");
}

TEST_F(NumberTextTest, FloatsFromDoublesUseTheirShortestDecimalText) {
  EXPECT_EQ(trim(number_text(Value::floating(1.005))), "1,01");
  EXPECT_EQ(trim(number_text(Value::floating(2.675))), "2,68");
  EXPECT_EQ(trim(number_text(Value::floating(-0.125))), "-0,13");
  EXPECT_EQ(trim(number_text(Value::floating(15000.5))), "15000,50");
}

TEST_F(NumberTextTest, FieldWidthAndNoAsterisks) {
  EXPECT_EQ(number_text(Value::integer(7)), std::string(19, ' ') + "7");
  EXPECT_EQ(number_text(Value::integer(-3)), std::string(18, ' ') + "-3");
  EXPECT_EQ(number_text(Value::floating(0.5)).size(), 23u);
  const std::string wide = number_text(Value::floating(1e25, "12345678901234567890123456"));
  EXPECT_EQ(wide, "12345678901234567890123456,00");
}

TEST_F(NumberTextTest, DigitsAreTheNumberTextWithoutItsPadding) {
  EXPECT_EQ(number_digits(Value::integer(-3)), "-3");
  EXPECT_EQ(number_digits(Value::floating(2.675)), "2,68");
  EXPECT_EQ(number_digits(Value()), "0");
  for (const Value& v :
       {Value::integer(7), Value::integer(-2147483647 - 1), Value::floating(0.5),
        Value::floating(-0.001), Value::floating(1e25, "12345678901234567890123456"),
        Value::string("12")}) {
    EXPECT_EQ(number_digits(v), trim(number_text(v))) << number_text(v);
  }
  settings().decimals = 0;
  EXPECT_EQ(number_digits(Value::floating(2.5)), trim(number_text(Value::floating(2.5))));
}

TEST_F(NumberTextTest, DatesFollowTheDateFormat) {
  EXPECT_EQ(date_text(Date::from_ymd(2026, 3, 7)), "07/03/2026");
  EXPECT_EQ(date_text(Date()), "  /  /    ");
  set_century(false);
  EXPECT_EQ(date_text(Date::from_ymd(2026, 3, 7)), "07/03/26");
}

TEST(DateTest, JulianDaysAndValidation) {
  EXPECT_EQ(Date::from_ymd(1970, 1, 1).julian(), 2440588);
  EXPECT_EQ(Date::from_ymd(1996, 7, 4).julian(), 2450269);
  EXPECT_EQ(Date::from_julian(2450269), Date::from_ymd(1996, 7, 4));
  EXPECT_TRUE(Date::from_ymd(2023, 2, 29).empty());
  EXPECT_FALSE(Date::from_ymd(2024, 2, 29).empty());
  EXPECT_TRUE(Date::from_dtos("        ").empty());
  EXPECT_TRUE(Date::from_dtos("00000000").empty());
  EXPECT_TRUE(Date::from_dtos("20261331").empty());
  EXPECT_EQ(Date::from_dtos("20260307").dtos(), "20260307");
  EXPECT_EQ(Date().dtos(), "        ");
}

}  // namespace
}  // namespace kx
