#include <gtest/gtest.h>

#include "errors/error_page.h"
#include "json/json.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/exit.h"
#include "support/testing/child_process.h"
#include "support/testing/console_lines.h"

namespace kx {
namespace {

using test::lines;

TEST(JsonArrayTest, NestedArrayExample) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        JSON json;
        json.OUTPUTARRAYSTART("Items");
        json.OUTPUTARRAYJSONSTART();
        json.OUTPUTARRAYJSONOUTPUT("ID", Value::integer(1));
        json.OUTPUTARRAY2START("Lines");
        json.OUTPUTARRAY2JSONSTART();
        json.OUTPUTARRAY2JSONOUTPUT("Q", Value::integer(2));
        json.OUTPUTARRAY2JSONEND();
        json.OUTPUTARRAY2END();
        json.OUTPUTARRAYJSONEND();
        json.OUTPUTARRAYEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, lines({"\"Items\":[", "{", "\"ID\":1", ",", "\"Lines\":[", "{", "\"Q\":2", "}",
                        "]", "}", "]"}));
}

TEST(JsonArrayTest, EmptyArraysCommasAndReopening) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        JSON json;
        json.OUTPUTSTART();
        json.OUTPUT("A", Value::integer(1));
        json.OUTPUTARRAYSTART("E");
        json.OUTPUTARRAYEND();
        json.OUTPUTARRAYSTART("L");
        json.OUTPUTARRAYJSONSTART();
        json.OUTPUTARRAY2START("N");
        json.OUTPUTARRAY2END();
        json.OUTPUTARRAYJSONEND();
        json.OUTPUTARRAYJSONSTART();
        json.OUTPUTARRAYJSONEND();
        json.OUTPUTARRAYEND();
        json.OUTPUTEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, lines({"{", "\"A\":1", ",", "\"E\":[", "]", ",", "\"L\":[", "{", ",", "\"N\":[",
                        "]", "}", ",", "{", "}", "]", "}"}));
}

TEST(JsonArrayTest, ArrayNamesAreEscaped) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        JSON json;
        json.OUTPUTARRAYSTART("a\"b");
        json.OUTPUTARRAYEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, lines({"\"a\\\"b\":[", "]"}));
}

TEST(JsonArrayTest, MemberWithoutAnOpenElementEndsWithTheErrorPage) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        install_error_handler([](const Value& e) -> Value { MYERRORHANDLER(e); });
        JSON json;
        json.OUTPUTARRAYJSONOUTPUT("ID", Value::integer(1));
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out.find("\"ID\""), std::string::npos);
  EXPECT_NE(out.find("************************* ERROR *************************<br>"),
            std::string::npos);
  EXPECT_NE(out.find("JSON:OUTPUTARRAYJSONOUTPUT (Line: "), std::string::npos) << out;
}

}  // namespace
}  // namespace kx
