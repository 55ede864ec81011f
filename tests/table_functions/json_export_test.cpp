#include "table_functions/json_export.h"

#include <gtest/gtest.h>

#include "json/json.h"
#include "runtime/process/exit.h"
#include "runtime/process/settings.h"
#include "support/testing/child_process.h"
#include "support/testing/console_lines.h"
#include "table_functions/table_functions.h"
#include "tablewriter/dbf_writer.h"

namespace kx {
namespace {

using test::lines;

class JsonExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_fixed(true);
    set_digits(20);
    set_decimal_separator(',');
  }

  // Opens a table with one record of every kind the export writes.
  static void open_table(bool audit) {
    writer::DbfSpec spec{
        0x30,
        {{"ID", 'N', 5}, {"NAME", 'C', 10}, {"PRICE", 'N', 10, 2}, {"DAY", 'D'}, {"OK", 'L'}}};
    std::vector<writer::Cell> cells{7, "  Gula ", 1250.5, Date::from_ymd(2026, 3, 7), true};
    if (audit) {
      for (const char* f :
           {"INPUT_OLEH", "TGL_INPUT", "JAM_INPUT", "UBAH_OLEH", "TGL_UBAH", "JAM_UBAH"}) {
        const bool is_date = std::string(f).rfind("TGL", 0) == 0;
        spec.fields.push_back({f, is_date ? 'D' : 'C', is_date ? 0 : 8});
      }
      cells.insert(cells.end(),
                   {"ANI", Date::from_ymd(2026, 1, 2), "08:00:00", "BUDI", Date(), "09:30:00"});
    }
    const std::string path = test::scratch_path(audit ? "AUDIT.DBF" : "ITEMS.DBF");
    writer::write_dbf(path, spec, {writer::Row{cells}});
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
        OUTPUTARRAYJSONOUTPUTFROMDBF(&json, "T");
        json.OUTPUTARRAYJSONEND();
        json.OUTPUTARRAYJSONSTART();
        OUTPUTARRAYJSONOUTPUTFROMDBF(
            &json, "T",
            Value::array({Value::string("ID"), Value::string("Name"), Value::string("day")}));
        json.OUTPUTARRAYJSONEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, lines({"\"R\":[",
                        "{",
                        "\"ID\":7",
                        ",",
                        "\"NAME\":\"Gula\"",
                        ",",
                        "\"PRICE\":1250.50",
                        ",",
                        "\"DAY\":\"2026-03-07\"",
                        ",",
                        "\"OK\":1",
                        "}",
                        ",",
                        "{",
                        "\"NAME\":\"Gula\"",
                        ",",
                        "\"PRICE\":1250.50",
                        ",",
                        "\"DAY\":\"2026-03-07\"",
                        ",",
                        "\"OK\":1",
                        "}"}));
}

TEST_F(JsonExportTest, AuditExportOnlyWithInputOleh) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        open_table(false);
        JSON json;
        json.OUTPUTARRAYJSONSTART();
        OUTPUTARRAYJSONOUTPUTSECURE(&json, "T");
        json.OUTPUTARRAYJSONEND();
        db_close_all();
        open_table(true);
        json.OUTPUTARRAYJSONSTART();
        OUTPUTARRAYJSONOUTPUTSECURE(&json, "T");
        json.OUTPUTARRAYJSONEND();
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out,
            lines({"{", "}", ",", "{", "\"InputBy\":\"ANI\"", ",", "\"InputDate\":\"2026-01-02\"",
                   ",", "\"InputTime\":\"08:00:00\"", ",", "\"LastEditBy\":\"BUDI\"", ",",
                   "\"LastEditDate\":\"\"", ",", "\"LastEditTime\":\"09:30:00\"", "}"}));
}

}  // namespace
}  // namespace kx
