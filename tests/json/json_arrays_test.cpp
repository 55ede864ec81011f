#include <gtest/gtest.h>

#include "errors/error_page.h"
#include "json/json.h"
#include "runtime/error_slot.h"
#include "runtime/exit.h"
#include "runtime/settings.h"
#include "support/dbf_writer.h"
#include "support/testing/child_process.h"
#include "tables/table_functions.h"

namespace kx {
namespace {

std::string lines(const std::vector<std::string>& pieces) {
  std::string out;
  for (const auto& p : pieces) out += "\r\n" + p;
  return out;
}

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
  EXPECT_EQ(out, lines({"\"Items\":[", "{", "\"ID\":1", ",", "\"Lines\":[", "{", "\"Q\":2", "}", "]", "}", "]"}));
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
  EXPECT_EQ(out, lines({"{", "\"A\":1", ",", "\"E\":[", "]", ",", "\"L\":[", "{", ",", "\"N\":[", "]", "}", ",",
                        "{", "}", "]", "}"}));
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
  EXPECT_NE(out.find("************************* ERROR *************************<br>"), std::string::npos);
  EXPECT_NE(out.find("JSON:OUTPUTARRAYJSONOUTPUT (Line: "), std::string::npos) << out;
}

class JsonExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_settings();
    set_fixed(true);
    set_digits(20);
    set_decimal_separator(',');
  }
  void TearDown() override {
    db_close_all();
    reset_settings();
  }

  // Opens a table with one record of every kind the export writes.
  static void open_table(bool audit) {
    test::DbfSpec spec{0x30, {{"ID", 'N', 5}, {"NAME", 'C', 10}, {"PRICE", 'N', 10, 2}, {"DAY", 'D'}, {"OK", 'L'}}};
    std::vector<test::Cell> cells{7, "  Gula ", 1250.5, Date::from_ymd(2026, 3, 7), true};
    if (audit) {
      for (const char* f : {"INPUT_OLEH", "TGL_INPUT", "JAM_INPUT", "UBAH_OLEH", "TGL_UBAH", "JAM_UBAH"}) {
        const bool is_date = std::string(f).rfind("TGL", 0) == 0;
        spec.fields.push_back({f, is_date ? 'D' : 'C', is_date ? 0 : 8});
      }
      cells.insert(cells.end(), {"ANI", Date::from_ymd(2026, 1, 2), "08:00:00", "BUDI", Date(), "09:30:00"});
    }
    const std::string path = test::scratch_path(audit ? "AUDIT.DBF" : "ITEMS.DBF");
    test::write_dbf(path, spec, {test::Row{cells}});
    DBUSEAREA(true, "", path, "T", true, true);
  }
};

TEST_F(JsonExportTest, RecordExportWithAndWithoutExclusions) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        open_table(false);
        JSON json;
        json.OUTPUTARRAYSTART("R");
        json.OUTPUTARRAYJSONSTART();
        json.OUTPUTARRAYJSONOUTPUTFROMDBF("T");
        json.OUTPUTARRAYJSONEND();
        json.OUTPUTARRAYJSONSTART();
        json.OUTPUTARRAYJSONOUTPUTFROMDBF("T", Value::array({Value::string("ID"), Value::string("Name"),
                                                            Value::string("day")}));
        json.OUTPUTARRAYJSONEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, lines({"\"R\":[", "{", "\"ID\":7", ",", "\"NAME\":\"Gula\"", ",", "\"PRICE\":1250.50", ",",
                        "\"DAY\":\"2026-03-07\"", ",", "\"OK\":1", "}", ",", "{", "\"NAME\":\"Gula\"", ",",
                        "\"PRICE\":1250.50", ",", "\"DAY\":\"2026-03-07\"", ",", "\"OK\":1", "}"}));
}

TEST_F(JsonExportTest, AuditExportOnlyWithInputOleh) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        open_table(false);
        JSON json;
        json.OUTPUTARRAYJSONSTART();
        json.OUTPUTARRAYJSONOUTPUTSECURE("T");
        json.OUTPUTARRAYJSONEND();
        db_close_all();
        open_table(true);
        json.OUTPUTARRAYJSONSTART();
        json.OUTPUTARRAYJSONOUTPUTSECURE("T");
        json.OUTPUTARRAYJSONEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, lines({"{", "}", ",", "{", "\"InputBy\":\"ANI\"", ",", "\"InputDate\":\"2026-01-02\"", ",",
                        "\"InputTime\":\"08:00:00\"", ",", "\"LastEditBy\":\"BUDI\"", ",", "\"LastEditDate\":\"\"",
                        ",", "\"LastEditTime\":\"09:30:00\"", "}"}));
}

TEST(AscanExactTest, CaseAndLengthCount) {
  const Value list = Value::array({Value::string("ID"), Value::string("Name")});
  EXPECT_EQ(ASCANEXACT(list, "ID"), 1u);
  EXPECT_EQ(ASCANEXACT(list, "Name"), 2u);
  EXPECT_EQ(ASCANEXACT(list, "Id"), 0u);
  EXPECT_EQ(ASCANEXACT(list, "IDX"), 0u);
  EXPECT_EQ(ASCANEXACT(Value(), "ID"), 0u);
  EXPECT_EQ(ASCANEXACT(Value::array({}), "ID"), 0u);
}

}  // namespace
}  // namespace kx
