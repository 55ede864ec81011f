#include "table_functions/table_functions.h"

#include <gtest/gtest.h>

#include "errors/error_record.h"
#include "errors/process_start.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/exit.h"
#include "support/testing/child_process.h"
#include "table_functions/program_helpers.h"
#include "tablewriter/pos_installation.h"

namespace kx {
namespace {

class TableFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    register_runtime_support();
    folder_ = test::scratch_path("");
    writer::write_currency_table(folder_,
                                 {{1, "IDR", "Rupiah"}, {2, "USD", "Dollar"}, {3, "EUR", "Euro"}});
    writer::write_rate_table(folder_, {}, {});
  }

  void open_currencies() {
    ASSERT_TRUE(DBUSEAREA(true, "", folder_ + "M_MAUANG.KV3", "M_MAUANG", true, true));
  }
  void open_rates() {
    ASSERT_TRUE(DBUSEAREA(true, "", folder_ + "M_KURSMA.KV3", "M_KURSMA", true, true));
  }

  std::string error_object(const std::string& text) {
    return "\r\n{\"Error\":1,\"ErrorText\":\"" + text + "\",\"ErrorAddText\":\"" + text + "\"}";
  }

  std::string folder_;
};

TEST_F(TableFunctionsTest, SetOrderReportsEmptyAlias) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(VOSETORDER(Value::string("ID")), 0, out);
  EXPECT_EQ(out, error_object("CANNOT SET ORDER TO \\\"ID\\\", EMPTY ALIAS NAME !"));
}

TEST_F(TableFunctionsTest, SetOrderReportsBlankOrderBeforeAskingTheDriver) {
  open_currencies();
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(VOSETORDER(Value::string("   ")), 0, out);
  EXPECT_EQ(out, error_object("CANNOT SET ORDER TO \\\"   \\\", EMPTY ORDER NAME !"));
}

TEST_F(TableFunctionsTest, SetOrderReportsMissingTagWithAlias) {
  open_currencies();
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(VOSETORDER(Value::string("MU_TGL")), 0, out);
  EXPECT_EQ(
      out, error_object(
               "CANNOT SET ORDER TO \\\"MU_TGL\\\", ALIAS: M_MAUANG, PLEASE RUN CREATE INDEXES !"));
}

TEST_F(TableFunctionsTest, OrderNumbersGoToTheDriverUntested) {
  open_currencies();
  EXPECT_TRUE(VOSETORDER(Value::integer(2)));
  EXPECT_TRUE(VOSETORDER(Value::integer(0)));
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(VOSETORDER(Value::integer(9)), 0, out);
  EXPECT_EQ(
      out,
      error_object("CANNOT SET ORDER TO \\\"9\\\", ALIAS: M_MAUANG, PLEASE RUN CREATE INDEXES !"));
}

TEST_F(TableFunctionsTest, FieldLenGivesDeclaredWidthsAndReportsMissingFields) {
  open_rates();
  EXPECT_EQ(VOFIELDLEN("MAUANG_ID"), 4);
  EXPECT_EQ(VOFIELDLEN("kurs_beli"), 14);
  EXPECT_EQ(VOFIELDLEN("TANGGAL"), 8);
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(VOFIELDLEN("NOPE"), 0, out);
  EXPECT_EQ(out, error_object("CANNOT FIND FIELD \\\"NOPE\\\", ALIAS: M_KURSMA !"));
}

TEST_F(TableFunctionsTest, SeekFailedLeavesTheBlankRecordOnFullAndEmptyTables) {
  open_currencies();
  ASSERT_TRUE(VOSETORDER(Value::string("KODE")));
  ASSERT_TRUE(DBSEEK(Value::string("USD"), false, false));
  VOSEEKFAILED();
  EXPECT_TRUE(db_eof());
  EXPECT_EQ(field_get("M_MAUANG", "KODE").as_string(), "     ");
  EXPECT_EQ(field_get("M_MAUANG", "ID").to_double(), 0);
  open_rates();
  VOSEEKFAILED();
  EXPECT_TRUE(db_eof());
  EXPECT_TRUE(field_get("M_KURSMA", "TANGGAL").as_date().empty());
}

TEST_F(TableFunctionsTest, SoftAndPlainSeekMisses) {
  open_currencies();
  ASSERT_TRUE(VOSETORDER(Value::string("KODE")));
  EXPECT_FALSE(DBSEEK(Value::string("F"), true, false));
  EXPECT_FALSE(db_eof());
  EXPECT_EQ(field_get("M_MAUANG", "KODE").as_string(), "IDR  ");
  EXPECT_FALSE(DBSEEK(Value::string("F"), false, false));
  EXPECT_TRUE(db_eof());
  EXPECT_TRUE(DBSEEK(Value::string("US"), false, false));
  EXPECT_EQ(field_get("M_MAUANG", "NAMA").as_string().substr(0, 6), "Dollar");
  EXPECT_FALSE(DBSEEK(Value::string("ZZZ"), true, false));
  EXPECT_TRUE(db_eof());
}

TEST_F(TableFunctionsTest, DoErrorBuildsTheRecordFromTheDriversLastError) {
  std::vector<ERROR> seen;
  install_error_handler([&](const Value& e) {
    seen.push_back(*as_error(e));
    return Value::logic(seen.size() < 3);
  });
  EXPECT_FALSE(DBUSEAREA(true, "", folder_ + "NOPE.KV3", "NOPE", true, true));
  ASSERT_EQ(seen.size(), 3u);
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].SUBSYSTEM, "DBFCDX");
    EXPECT_EQ(seen[i].GENCODE, 21u);
    EXPECT_EQ(seen[i].OSCODE, 2u);
    EXPECT_NE(seen[i].FILENAME.find("NOPE.KV3"), std::string::npos);
    EXPECT_EQ(seen[i].FUNCSYM.name(), "DBUSEAREA");
    EXPECT_EQ(seen[i].TRIES, i + 1);
    EXPECT_FALSE(seen[i].STACK.empty());
  }
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
