#include "kv3dump/tag_verify.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "support/testing/child_process.h"
#include "tables/dbf/table_files.h"
#include "tables/open_file.h"
#include "tables/work_area.h"
#include "tables/work_area_test_util.h"
#include "tools/kv3dump/tag_verify_test_util.h"

namespace kx::kv3dump {
namespace {

namespace cdx = tables::cdx;
namespace dbf = tables::dbf;
using tables::open_file;
using tables::Status;
using tables::WorkArea;
using test::stock_tags;
using test::tag_named;
using writer::CdxTagSpec;

class VerifyTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = test::fresh_folder(); }

  // Writes the table with tags and checks every tag through a work area.
  std::map<std::string, VerifyReport> verify_all(
      const std::vector<CdxTagSpec>& tags = stock_tags(),
      const writer::DbfSpec& table_def = test::stock_table()) {
    const std::string path = test::write_stock(folder_, tags, table_def);
    Status status;
    std::unique_ptr<WorkArea> area = WorkArea::open(path, "", {}, &status);
    EXPECT_TRUE(area) << status.description();
    std::map<std::string, VerifyReport> out;
    if (!area) return out;
    for (size_t t = 0; t < area->index()->tags().size(); ++t) {
      VerifyReport r = verify_tag(*area, t);
      out[r.tag] = r;
    }
    return out;
  }

  // The one tag with findings among reports; fails the test when not exactly one.
  static VerifyReport only_finding(const std::map<std::string, VerifyReport>& reports) {
    const VerifyReport* found = nullptr;
    for (const auto& [name, r] : reports) {
      if (!r.has_findings()) continue;
      EXPECT_EQ(found, nullptr) << "second tag with findings: " << name;
      found = &r;
    }
    EXPECT_NE(found, nullptr);
    return found ? *found : VerifyReport();
  }

  std::string folder_;
};

TEST_F(VerifyTest, GoodIndexHasNoFindingsOnAnyEvaluableTag) {
  const auto reports = verify_all();
  ASSERT_EQ(reports.size(), 12u);
  for (const auto& [name, r] : reports) {
    const bool expect_evaluable = name != "GEN" && name != "LONGNAME";
    EXPECT_EQ(r.evaluable, expect_evaluable) << name << ": " << r.reason;
    EXPECT_TRUE(r.status.ok()) << name << ": " << r.status.description();
    EXPECT_FALSE(r.has_findings()) << name;
  }
  EXPECT_EQ(reports.at("GEN").reason,
            "tag under collation GENERAL: only machine-collation tags are checked");
  EXPECT_EQ(reports.at("LONGNAME").reason,
            "key expression: unknown name customername (no field of the table)");
}

TEST_F(VerifyTest, OneWrongKeyIsReportedWithBothKeys) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CODEQTY").entries[1].key = "CD     -3.00";
  const VerifyReport r = only_finding(verify_all(tags));
  EXPECT_EQ(r.tag, "CODEQTY");
  ASSERT_EQ(r.different.size(), 1u);
  EXPECT_EQ(r.different[0].recno, 2u);
  EXPECT_EQ(r.different[0].expected, "CD     -3.25");
  EXPECT_EQ(r.different[0].actual, "CD     -3.00");
  EXPECT_TRUE(r.missing.empty());
  EXPECT_TRUE(r.extra.empty());
}

TEST_F(VerifyTest, OneMissingEntryIsReported) {
  std::vector<CdxTagSpec> tags = stock_tags();
  auto& entries = tag_named(tags, "ID").entries;
  entries.erase(entries.begin() + 3);
  const VerifyReport r = only_finding(verify_all(tags));
  EXPECT_EQ(r.tag, "ID");
  EXPECT_EQ(r.missing, std::vector<uint32_t>{4});
  EXPECT_TRUE(r.extra.empty());
  EXPECT_TRUE(r.different.empty());
}

TEST_F(VerifyTest, EntryThatTheForConditionExcludesIsExtra) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "LIVE").entries[1].for_result = true;  // the deleted record 2
  const VerifyReport r = only_finding(verify_all(tags));
  EXPECT_EQ(r.tag, "LIVE");
  EXPECT_EQ(r.extra, std::vector<uint32_t>{2});
  EXPECT_TRUE(r.missing.empty());
  EXPECT_TRUE(r.different.empty());
}

TEST_F(VerifyTest, SecondEntryForARecordAndEntriesPastTheTableAreExtra) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "FLAG").entries.push_back({"T", 1});
  tag_named(tags, "FLAG").entries.push_back({"F", 9});
  const VerifyReport r = only_finding(verify_all(tags));
  EXPECT_EQ(r.tag, "FLAG");
  EXPECT_EQ(r.extra, (std::vector<uint32_t>{1, 9}));
  EXPECT_TRUE(r.missing.empty());
  EXPECT_TRUE(r.different.empty());
}

TEST_F(VerifyTest, DuplicateWithAWrongKeyBesideTheRightOneIsExtraNotDifferent) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "ID").entries.push_back({cdx::encode_integer(8), 1});
  const VerifyReport r = only_finding(verify_all(tags));
  EXPECT_EQ(r.extra, std::vector<uint32_t>{1});
  EXPECT_TRUE(r.different.empty());
}

TEST_F(VerifyTest, NullKeyWhereTheFieldHoldsAValueIsDifferent) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CUST").entries[1].key = std::string(4, '\0');  // record 2 is "Y2"
  tag_named(tags, "CUST").entries[2].key = "\x80   ";             // record 3 is NULL
  const VerifyReport r = only_finding(verify_all(tags));
  EXPECT_EQ(r.tag, "CUST");
  ASSERT_EQ(r.different.size(), 2u);
  EXPECT_EQ(r.different[0].expected, "\x80Y2 ");
  EXPECT_EQ(r.different[0].actual, std::string(4, '\0'));
  EXPECT_EQ(r.different[1].expected, std::string(4, '\0'));
  EXPECT_EQ(r.different[1].actual, "\x80   ");
}

TEST_F(VerifyTest, WrongNumericDateAndDatetimeKeysAreFound) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CALC").entries[3].key = cdx::encode_numeric(149.98);
  const VerifyReport calc = verify_all(tags).at("CALC");
  ASSERT_EQ(calc.different.size(), 1u);
  EXPECT_EQ(calc.different[0].recno, 4u);
  tags = stock_tags();
  tag_named(tags, "DAY").entries[1].key = cdx::encode_date(Date::from_ymd(2024, 1, 2));
  tag_named(tags, "STAMP").entries[4].key = cdx::encode_numeric(1.5);
  const auto reports = verify_all(tags);
  ASSERT_EQ(reports.at("DAY").different.size(), 1u);
  EXPECT_EQ(reports.at("DAY").different[0].recno, 2u);
  ASSERT_EQ(reports.at("STAMP").different.size(), 1u);
  EXPECT_EQ(reports.at("STAMP").different[0].recno, 5u);
}

TEST_F(VerifyTest, UniqueTagKeepsOneEntryPerKeyValue) {
  std::vector<CdxTagSpec> tags = stock_tags();
  auto& entries = tag_named(tags, "UNIQ").entries;
  entries.erase(entries.begin());  // no record holds "AB" any more
  const VerifyReport r = only_finding(verify_all(tags));
  EXPECT_EQ(r.tag, "UNIQ");
  EXPECT_EQ(r.missing, (std::vector<uint32_t>{1, 3}));
  // The later duplicate holding the key instead of the first is no finding.
  tags = stock_tags();
  tag_named(tags, "UNIQ").entries[0].recno = 3;
  EXPECT_FALSE(verify_all(tags).at("UNIQ").has_findings());
}

TEST_F(VerifyTest, NullThatCannotBeToldMakesTheTagUnevaluable) {
  const auto reports = verify_all(stock_tags(), test::stock_table(false));
  const VerifyReport& r = reports.at("CUST");
  EXPECT_FALSE(r.evaluable);
  EXPECT_EQ(r.reason, "record 1: cannot tell whether field CUST is NULL");
  EXPECT_FALSE(r.has_findings());
  EXPECT_TRUE(reports.at("CODEQTY").evaluable);
}

TEST_F(VerifyTest, EvaluationProblemOnARecordMakesTheTagUnevaluable) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CALC").key_expression = "qty/(id-100)";
  tag_named(tags, "LIVE").key_expression = "SUBSTR(code,0)";
  tag_named(tags, "FLAG").key_expression = "qty";
  const auto reports = verify_all(tags);
  EXPECT_EQ(reports.at("CALC").reason, "record 3: division by zero");
  EXPECT_EQ(reports.at("LIVE").reason, "record 1: SUBSTR start 0 before the first character");
  EXPECT_EQ(reports.at("FLAG").reason, "key length 1 does not fit number keys");
  for (const char* name : {"CALC", "LIVE", "FLAG"}) {
    EXPECT_FALSE(reports.at(name).evaluable);
    EXPECT_TRUE(reports.at(name).different.empty());
  }
}

TEST_F(VerifyTest, DamagedTagIsAFinding) {
  const std::string path = test::write_stock(folder_);
  writer::CdxLayout layout;
  const std::string cdx = writer::build_cdx(stock_tags(), {2, 2}, &layout);
  std::string damaged = cdx;
  const uint64_t leaf = layout.tags[0].levels[0][1];
  damaged[static_cast<size_t>(leaf) + 2] = '\x7F';  // entry count far beyond the node
  ASSERT_TRUE(writer::write_file(folder_ + "/STOCK.CDX", damaged));
  Status status;
  std::unique_ptr<WorkArea> area = WorkArea::open(path, "", {}, &status);
  ASSERT_TRUE(area) << status.description();
  const VerifyReport r = verify_tag(*area, 0);
  EXPECT_TRUE(r.evaluable);
  EXPECT_EQ(r.status.gencode(), kGenCorruption);
  EXPECT_TRUE(r.has_findings());
}

TEST_F(VerifyTest, ContainerStyleTableAndIndexOpenedDirectly) {
  const std::string path = test::write_stock(folder_);
  Status status;
  std::unique_ptr<dbf::Table> table = dbf::open_table(path, {}, &status);
  ASSERT_TRUE(table) << status.description();
  std::unique_ptr<cdx::IndexFile> index = cdx::IndexFile::open(
      open_file(folder_ + "/STOCK.CDX", {}, tables::NameMatch::kAnyCase, &status), &status);
  ASSERT_TRUE(index) << status.description();
  const VerifyReport r = verify_tag(*table, *index, 0);
  EXPECT_TRUE(r.evaluable);
  EXPECT_FALSE(r.has_findings());
}

}  // namespace
}  // namespace kx::kv3dump
