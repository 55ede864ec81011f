#include "json/json.h"

#include <gtest/gtest.h>

#include "errors/error_page.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/exit.h"
#include "runtime/process/settings.h"
#include "support/testing/child_process.h"
#include "support/testing/report_settings.h"

namespace kx {
namespace {

TEST(JsonWriterTest, ObjectWithTwoMembers) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        JSON json;
        json.OUTPUTSTART();
        json.OUTPUT("A", Value::integer(1));
        json.OUTPUT("B", Value::string("x"));
        json.OUTPUTEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "\r\n{\r\n\"A\":1\r\n,\r\n\"B\":\"x\"\r\n}");
}

TEST(JsonWriterTest, EmptyObjectAndCommaRuleAfterReopening) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        JSON json;
        json.OUTPUTSTART();
        json.OUTPUTEND();
        json.OUTPUTSTART();
        json.OUTPUT("A", Value::integer(1));
        json.OUTPUTEND();
        json.OUTPUTSTART();
        json.OUTPUT("B", Value::integer(2));
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "\r\n{\r\n}\r\n{\r\n\"A\":1\r\n}\r\n{\r\n\"B\":2");
}

class JsonMemberTest : public ::testing::Test {
 protected:
  void SetUp() override { test::apply_report_settings(); }
};

TEST_F(JsonMemberTest, LogicDatesAndNumbers) {
  EXPECT_EQ(json_member_value(Value::logic(true)), "1");
  EXPECT_EQ(json_member_value(Value::logic(false)), "0");
  EXPECT_EQ(json_member_value(Value::date(Date())), "\"\"");
  EXPECT_EQ(json_member_value(Value::date(Date::from_ymd(2026, 3, 7))), "\"2026-03-07\"");
  EXPECT_EQ(json_member_value(Value::date(Date::from_ymd(987, 1, 2))), "\"0987-01-02\"");
  EXPECT_EQ(json_member_value(Value::integer(7)), "7");
  EXPECT_EQ(json_member_value(Value::integer(-3)), "-3");
  EXPECT_EQ(json_member_value(Value::floating(0.5)), "0.50");
  EXPECT_EQ(json_member_value(Value::floating(15000.5)), "15000.50");
  EXPECT_EQ(json_member_value(Value::floating(-12.345, "-12.345")), "-12.35");
}

TEST_F(JsonMemberTest, DecimalPointIsADotWhateverTheSeparator) {
  set_decimal_separator(',');
  EXPECT_EQ(json_member_value(Value::floating(1234.5)), "1234.50");
  set_decimal_separator('.');
  EXPECT_EQ(json_member_value(Value::floating(1234.5)), "1234.50");
}

TEST_F(JsonMemberTest, RoundsHalfAwayFromZeroAndNeverPrintsAsterisks) {
  EXPECT_EQ(json_member_value(Value::floating(1.005)), "1.01");
  EXPECT_EQ(json_member_value(Value::floating(2.675)), "2.68");
  EXPECT_EQ(json_member_value(Value::floating(-0.125)), "-0.13");
  EXPECT_EQ(json_member_value(Value::floating(1e22)), "10000000000000000000000.00");
}

TEST_F(JsonMemberTest, TextIsTrimmedAndEscapedLightly) {
  EXPECT_EQ(json_member_value(Value::string("  a b  ")), "\"a b\"");
  EXPECT_EQ(json_member_value(Value::string("   ")), "\"\"");
  EXPECT_EQ(json_member_value(Value::string("a\r\nb\nc\r\n")), "\"a<br>b<br>c<br>\"");
  EXPECT_EQ(json_member_value(Value::string("\\\"")), "\"\\\\\\\"\"");
}

// A member and the comma line before it go out in one write, except when
// the value has no text form: then the comma line is out before the error
// page that the value raises, as when each line was written on its own.
TEST(JsonWriterTest, CommaLineComesBeforeTheErrorOfAValueWithoutText) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        install_error_handler([](const Value& e) -> Value { MYERRORHANDLER(e); });
        JSON json;
        json.OUTPUTSTART();
        json.OUTPUT("A", Value::integer(1));
        json.OUTPUT("B", Value::array({Value::integer(2)}));
        orderly_exit();
      },
      0, out);
  const std::string before = "\r\n{\r\n\"A\":1\r\n,\r\n";
  ASSERT_EQ(out.substr(0, before.size()), before) << out;
  EXPECT_EQ(out.find("\"B\""), std::string::npos) << out;
  EXPECT_NE(out.find("JSON:OUTPUT (Line: 2)"), std::string::npos) << out;
}

TEST(JsonWriterTest, MemberNamesAreEscaped) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        JSON json;
        json.OUTPUT("ID_U\"S\\D", Value::integer(2));
        json.OUTPUT("Kode_ABC_9", Value::integer(3));
        json.OUTPUT("a\tb", Value::integer(4));
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "\r\n\"ID_U\\\"S\\\\D\":2\r\n,\r\n\"Kode_ABC_9\":3\r\n,\r\n\"a\\tb\":4");
}

}  // namespace
}  // namespace kx
