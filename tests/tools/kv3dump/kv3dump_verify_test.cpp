#include "kv3dump/kv3dump_verify.h"

#include <gtest/gtest.h>

#include <sstream>

#include "kv3dump/kv3dump.h"
#include "support/testing/corpus.h"
#include "tables/work_area_test_util.h"
#include "tools/kv3dump/tag_verify_test_util.h"

namespace kx::kv3dump {
namespace {

using test::corpus_dir;
using test::fresh_folder;
using test::stock_rows;
using test::stock_table;
using test::stock_tags;
using test::tag_named;
using test::write_stock;
using writer::CdxTagSpec;
using writer::write_dbf;

class Kv3dumpVerifyTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = fresh_folder(); }

  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return run_kv3dump_verify(args, out_, err_);
  }

  // The tag lines; the summary line that ends them is left out.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);) out.push_back(line);
    if (!out.empty() && out.back().rfind("{\"summary\":", 0) == 0) out.pop_back();
    return out;
  }

  std::string folder_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(Kv3dumpVerifyTest, GoodIndexPrintsOneLinePerTagAndExitsZero) {
  const std::string path = write_stock(folder_);
  ASSERT_EQ(run({"--verify", path, "--order", "CODEQTY"}), kExitOk) << err_.str();
  // GEN and LONGNAME cannot be checked, which the status tells apart.
  ASSERT_EQ(run({"--verify", path}), kExitUnchecked) << err_.str();
  const std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 12u);
  EXPECT_EQ(got[0],
            "{\"tag\":\"CODEQTY\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[],"
            "\"different\":[]}");
  EXPECT_EQ(got[10],
            "{\"tag\":\"GEN\",\"evaluable\":false,\"reason\":\"tag under collation GENERAL: only "
            "machine-collation tags are checked\",\"missing\":[],\"extra\":[],\"different\":[]}");
  EXPECT_NE(out_.str().find("\n{\"summary\":\"12 tags: 10 matching the table, 0 differing, 2 not "
                            "checked\",\"tags\":12,\"match\":10,\"mismatch\":0,\"unchecked\":2}\n"),
            std::string::npos);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(Kv3dumpVerifyTest, FindingsArePrintedAndExitWithOne) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CODEQTY").entries[1].key = "CD     -3.00";
  tag_named(tags, "LIVE").entries[1].for_result = true;
  tag_named(tags, "ID").entries.erase(tag_named(tags, "ID").entries.begin() + 3);
  const std::string path = write_stock(folder_, tags);
  ASSERT_EQ(run({path, "--verify"}), 1) << err_.str();
  const std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 12u);
  EXPECT_EQ(
      got[0],
      "{\"tag\":\"CODEQTY\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[],"
      "\"different\":[{\"recno\":2,\"expected\":{\"value\":\"CD     -3.25\",\"hex\":\"43 44 20 20 "
      "20 20 20 2D 33 2E 32 35\"},\"actual\":{\"value\":\"CD     -3.00\",\"hex\":\"43 44 20 20 20 "
      "20 20 2D 33 2E 30 30\"}}]}");
  EXPECT_EQ(got[1],
            "{\"tag\":\"ID\",\"evaluable\":true,\"reason\":\"\",\"missing\":[4],\"extra\":[],"
            "\"different\":[]}");
  EXPECT_EQ(got[7],
            "{\"tag\":\"LIVE\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[2],"
            "\"different\":[]}");
}

TEST_F(Kv3dumpVerifyTest, OrderSelectsOneTagByNameOrNumber) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "ID").entries.erase(tag_named(tags, "ID").entries.begin() + 3);
  const std::string path = write_stock(folder_, tags);
  ASSERT_EQ(run({"--verify", path, "--order", "flag"}), 0) << err_.str();
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0].rfind("{\"tag\":\"FLAG\",\"evaluable\":true", 0), 0u);
  ASSERT_EQ(run({"--verify", path, "--order", "2"}), 1);
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0].rfind("{\"tag\":\"ID\"", 0), 0u);
}

TEST_F(Kv3dumpVerifyTest, UnevaluableTagsDoNotCountAsFindings) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "LONGNAME").entries.push_back({"zzz", 1});
  const std::string path = write_stock(folder_, tags);
  EXPECT_EQ(run({"--verify", path, "--order", "LONGNAME"}), kExitUnchecked);
  EXPECT_NE(out_.str().find("\"evaluable\":false"), std::string::npos);
}

TEST_F(Kv3dumpVerifyTest, KeysWithBinaryBytesAreEscaped) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CUST").entries[2].key = "\x80   ";
  const std::string path = write_stock(folder_, tags);
  ASSERT_EQ(run({"--verify", path, "--order", "CUST"}), 1);
  EXPECT_EQ(
      out_.str(),
      "{\"tag\":\"CUST\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[],"
      "\"different\":[{\"recno\":3,\"expected\":{\"value\":null,\"hex\":\"00 00 00 00\"},"
      "\"actual\":{\"value\":\"   \",\"hex\":\"80 20 20 20\"}}]}\n{\"summary\":\"1 tag: 0 matching "
      "the table, 1 differing, 0 not checked\",\"tags\":1,\"match\":0,"
      "\"mismatch\":1,\"unchecked\":0}\n");
}

TEST_F(Kv3dumpVerifyTest, UsageAndOpenErrors) {
  const std::string path = write_stock(folder_);
  EXPECT_EQ(run({"--verify"}), 2);
  EXPECT_EQ(run({"--verify", path, "--order", "NOSUCH"}), 2);
  EXPECT_EQ(run({"--verify", path, "--order", "13"}), 2);
  EXPECT_EQ(run({"--verify", path, "--bogus"}), 2);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(run({"--verify", folder_ + "/NONE.DBF"}), kExitCannotRead);
  EXPECT_NE(err_.str().find("NONE.DBF"), std::string::npos);
  ASSERT_TRUE(write_dbf(folder_ + "/BARE.DBF", stock_table(), stock_rows()));
  EXPECT_EQ(run({"--verify", folder_ + "/BARE.DBF"}), kExitNoIndex);
  EXPECT_NE(err_.str().find("has no index"), std::string::npos);
}

// One stock tag whose entry for record 1 holds another key.
struct KeyCase {
  const char* tag;
  std::string actual;
  std::string different;  // the "expected" and "actual" members of the finding
};

TEST_F(Kv3dumpVerifyTest, KeysAreShownByTheirTypeBesideTheirBytes) {
  using tables::cdx::encode_date;
  using tables::cdx::encode_integer;
  using tables::cdx::encode_numeric;
  const double day = static_cast<double>(Date::from_ymd(2024, 1, 2).julian());
  const KeyCase cases[] = {
      {"ID", encode_integer(8),
       "\"expected\":{\"value\":7,\"hex\":\"80 00 00 07\"},"
       "\"actual\":{\"value\":8,\"hex\":\"80 00 00 08\"}"},
      {"QTY", encode_numeric(12.25),
       "\"expected\":{\"value\":12.5,\"hex\":\"C0 29 00 00 00 00 00 00\"},"
       "\"actual\":{\"value\":12.25,\"hex\":\"C0 28 80 00 00 00 00 00\"}"},
      {"DAY", encode_date(Date::from_ymd(2024, 1, 3)),
       "\"expected\":{\"value\":\"2024-01-02\",\"hex\":\"C1 42 C5 4C 00 00 00 00\"},"
       "\"actual\":{\"value\":\"2024-01-03\",\"hex\":\"C1 42 C5 4C 80 00 00 00\"}"},
      {"STAMP", encode_numeric(day + 0.5),
       "\"expected\":{\"value\":\"2024-01-02T00:00:00\",\"hex\":\"C1 42 C5 4C 00 00 00 00\"},"
       "\"actual\":{\"value\":\"2024-01-02T12:00:00\",\"hex\":\"C1 42 C5 4C 40 00 00 00\"}"},
      {"FLAG", "F",
       "\"expected\":{\"value\":true,\"hex\":\"54\"},\"actual\":{\"value\":false,\"hex\":\"46\"}"},
      {"CUST", std::string(4, '\0'),
       "\"expected\":{\"value\":\"X1 \",\"hex\":\"80 58 31 20\"},"
       "\"actual\":{\"value\":null,\"hex\":\"00 00 00 00\"}"},
      {"CODEQTY", "\xC9      12.50",
       "\"actual\":{\"value\":\"\xC3\x89      12.50\",\"hex\":\"C9 20 20 20 20 20 20 31 32 2E 35 "
       "30\"}"},
  };
  for (const KeyCase& c : cases) {
    std::vector<CdxTagSpec> tags = stock_tags();
    tag_named(tags, c.tag).entries[0].key = c.actual;
    const std::string path = write_stock(fresh_folder(), tags);
    EXPECT_EQ(run({"--verify", path, "--order", c.tag}), kExitMismatch) << c.tag;
    EXPECT_NE(out_.str().find(c.different), std::string::npos) << c.tag << "\n" << out_.str();
  }
}

// A table of a database container: its fields keep the first 10 characters
// of their names, its index expressions and the container the long ones.
class Kv3dumpContainerTest : public Kv3dumpVerifyTest {
 protected:
  // Writes BASE.DBF (naming container lt.dbc in its backlink), BASE.CDX and,
  // with_container, LT.DBC, which holds the table as table_object, into
  // folder_; the table's path.
  std::string write_table(bool with_container, const std::string& base,
                          const std::string& table_object) {
    using writer::Cell;
    using writer::Row;
    const writer::DbfSpec spec{0x30, {{"DEPRECIATI", 'I'}, {"DEPRECIAT2", 'D'}}};
    const Date d1 = Date::from_ymd(2024, 1, 2), d2 = Date::from_ymd(2023, 12, 31);
    const Date d3 = Date::from_ymd(2024, 3, 1);
    std::string dbf = writer::build_dbf(spec, {Row{{1, d1}}, Row{{2, d2}}, Row{{3, d3}}}).dbf;
    const std::string link = "lt.dbc";
    dbf.replace(writer::header_length(spec) - 263, link.size(), link);
    EXPECT_TRUE(writer::write_file(folder_ + "/" + base + ".DBF", dbf));
    CdxTagSpec id = test::stock_tag("PRIMARYKEY", "depreciationid", 4, '\0');
    CdxTagSpec date = test::stock_tag("DEPREDATE", "depreciationdate", 8, '\0');
    const Date dates[] = {d1, d2, d3};
    for (uint32_t r = 1; r <= 3; ++r) {
      id.entries.push_back({tables::cdx::encode_integer(static_cast<int>(r)), r});
      date.entries.push_back({tables::cdx::encode_date(dates[r - 1]), r});
    }
    std::string error;
    EXPECT_TRUE(writer::write_cdx(folder_ + "/" + base + ".CDX", {id, date}, {}, &error)) << error;
    if (!with_container) return folder_ + "/" + base + ".DBF";
    const writer::DbfSpec dbc{
        0x30,
        {{"OBJECTID", 'I'}, {"PARENTID", 'I'}, {"OBJECTTYPE", 'C', 10}, {"OBJECTNAME", 'C', 128}}};
    EXPECT_TRUE(
        write_dbf(folder_ + "/LT.DBC", dbc,
                  {Row{{1, 1, "Database", "Database"}}, Row{{2, 1, "Table", "other"}},
                   Row{{3, 1, "Table", table_object}}, Row{{4, 2, "Field", "otherfield"}},
                   Row{{5, 3, "Field", "oldname"}, true}, Row{{6, 3, "Field", "depreciationid"}},
                   Row{{7, 3, "Field", "depreciationdate"}}}));
    return folder_ + "/" + base + ".DBF";
  }
};

struct ContainerCase {
  bool with_container;
  std::vector<std::string> args;  // "$T" for the table's path
  int status;
  std::string fragment;  // of standard output and standard error together
  // The table's file name and the container's name for it.
  std::string base = "LT";
  std::string table_object = "lt";
};

TEST_F(Kv3dumpContainerTest, LongFieldNamesOfTheContainerBesideTheTable) {
  const ContainerCase cases[] = {
      {true,
       {"--info", "$T"},
       kExitOk,
       "\"fields\":[{\"name\":\"DEPRECIATI\",\"long_name\":\"depreciationid\",\"type\":\"I\""},
      // Named as found (LT.DBC) on POSIX, as the header holds it on Windows.
      {true, {"--info", "$T"}, kExitOk, "\"code_page_mark\":3,\"container\":\""},
      {true,
       {"--verify", "$T"},
       kExitOk,
       "{\"tag\":\"DEPREDATE\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[],"
       "\"different\":[]}\n"},
      {true,
       {"$T", "--order", "DEPREDATE", "--seek", "2024-01-02"},
       kExitOk,
       "{\"recno\":1,\"deleted\":false,\"fields\":{\"DEPRECIATI\":1,\"DEPRECIAT2\":\"2024-01-02\"}}"
       "\n{\"recno\":3,"},
      {true,
       {"$T", "--order", "PRIMARYKEY", "--prefix", "2"},
       kExitOk,
       "{\"recno\":2,\"deleted\":false,\"fields\":{\"DEPRECIATI\":2,\"DEPRECIAT2\":\"2023-12-31\"}}"
       "\n"},
      {false,
       {"--info", "$T"},
       kExitOk,
       "\"container_note\":\"the table belongs to container lt.dbc, which is not beside it\""},
      // A container names a table whose file name has blanks with underscores.
      {true,
       {"--verify", "$T", "--order", "DEPREDATE"},
       kExitOk,
       "\"evaluable\":true",
       "L T",
       "l_t"},
      {true, {"--info", "$T"}, kExitOk, "\"long_name\":\"depreciationid\"", "L T", "L T"},
      {true, {"--info", "$T"}, kExitOk, "has no table L X", "L X", "l_t_"},
      {false,
       {"--verify", "$T", "--order", "DEPREDATE"},
       kExitUnchecked,
       "\"reason\":\"key expression: unknown name depreciationdate (no field of the table)\""},
  };
  for (const ContainerCase& c : cases) {
    folder_ = fresh_folder();
    const std::string path = write_table(c.with_container, c.base, c.table_object);
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a == "$T" ? path : a);
    out_.str("");
    err_.str("");
    EXPECT_EQ(run_kv3dump(args, out_, err_), c.status) << c.fragment << "\n" << err_.str();
    const std::string all = out_.str() + err_.str();
    EXPECT_NE(all.find(c.fragment), std::string::npos) << c.fragment << "\n" << all;
  }
}

TEST_F(Kv3dumpVerifyTest, DatabaseContainerIsCheckedAgainstItsDcx) {
  KX_SKIP_WITHOUT_CORPUS();
  const std::string dbc = corpus_dir() + "/foxpro/order-entry-orders/order entry.dbc";
  ASSERT_EQ(run({"--verify", dbc}), 0) << err_.str();
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0].rfind("{\"tag\":\"OBJECTNAME\",\"evaluable\":true", 0), 0u);
  EXPECT_EQ(lines()[1].rfind("{\"tag\":\"OBJECTTYPE\",\"evaluable\":true", 0), 0u);
}

TEST_F(Kv3dumpVerifyTest, CorpusTablesOfAContainerAreCheckedWithItsLongNames) {
  KX_SKIP_WITHOUT_CORPUS();
  for (const char* table :
       {"asset-depreciation/depreciation.dbf", "order-entry-orders/orders.dbf"}) {
    EXPECT_EQ(run({"--verify", corpus_dir() + "/foxpro/" + table}), kExitOk) << out_.str();
    EXPECT_EQ(out_.str().find("\"evaluable\":false"), std::string::npos) << table;
  }
}

}  // namespace
}  // namespace kx::kv3dump
