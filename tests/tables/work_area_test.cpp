#include "tables/work_area.h"

#include <gtest/gtest.h>

#include <cctype>

#include "tables/work_area_test_util.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::WorkArea;
using writer::CdxTagSpec;
using writer::write_cdx;
using writer::write_file;

class WorkAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fresh_folder();
    path_ = write_rate_table(folder_);
    area_ = open(path_);
    ASSERT_NE(area_, nullptr);
  }

  std::unique_ptr<WorkArea> open(const std::string& path) {
    Status s;
    auto area = WorkArea::open(path, "m_kursma", {}, &s);
    EXPECT_TRUE(s.ok()) << s.description();
    return area;
  }

  // Record numbers from the top to eof in the current order.
  std::vector<uint32_t> walk_forward() {
    std::vector<uint32_t> out;
    EXPECT_TRUE(area_->go_top().ok());
    while (!area_->eof() && out.size() < 100) {
      out.push_back(area_->recno());
      EXPECT_TRUE(area_->skip(1).ok());
    }
    return out;
  }

  // Record numbers from the bottom back to bof.
  std::vector<uint32_t> walk_backward() {
    std::vector<uint32_t> out;
    EXPECT_TRUE(area_->go_bottom().ok());
    while (!area_->eof() && out.size() < 100) {
      out.push_back(area_->recno());
      EXPECT_TRUE(area_->skip(-1).ok());
      if (area_->bof()) break;
    }
    return out;
  }

  Value field(const char* name) {
    Value v;
    const tables::Status s = area_->field_get(name, &v);
    EXPECT_TRUE(s.ok()) << s.description();
    return v;
  }

  std::string folder_;
  std::string path_;
  std::unique_ptr<WorkArea> area_;
};

using Recnos = std::vector<uint32_t>;

// File names compare without letter case: Windows keeps the case asked for.
std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST_F(WorkAreaTest, OpensAtTheFirstRecordInRecordOrder) {
  EXPECT_EQ(area_->alias(), "M_KURSMA");
  EXPECT_EQ(area_->order(), 0u);
  EXPECT_EQ(area_->recno(), 1u);
  EXPECT_FALSE(area_->eof());
  EXPECT_EQ(field("mu").as_string(), "USD");
  EXPECT_EQ(field("KURS_BELI").as_float().decimal, "15000.50");
  EXPECT_EQ(field("Tgl").as_date(), Date::from_ymd(2026, 3, 1));
  EXPECT_EQ(field("NOTE").as_string(), "memo");
}

TEST_F(WorkAreaTest, RecordOrderWalkEndsOnTheBlankRecord) {
  EXPECT_EQ(walk_forward(), (Recnos{1, 2, 3, 4, 5}));
  EXPECT_TRUE(area_->eof());
  EXPECT_EQ(area_->recno(), 6u);
  EXPECT_EQ(field("MU").as_string(), "   ");
  EXPECT_EQ(field("KURS_BELI").as_float().decimal, "0.00");
  EXPECT_EQ(field("ID").as_integer(), 0);
  EXPECT_TRUE(field("TGL").as_date().empty());
  EXPECT_EQ(field("NOTE").as_string(), "");
  EXPECT_EQ(walk_backward(), (Recnos{5, 4, 3, 2, 1}));
  EXPECT_TRUE(area_->bof());
  EXPECT_EQ(area_->recno(), 1u);
}

TEST_F(WorkAreaTest, SkipBackFromEofReachesTheLastRecord) {
  ASSERT_TRUE(area_->go_to(99).ok());
  EXPECT_TRUE(area_->eof());
  ASSERT_TRUE(area_->skip(-2).ok());
  EXPECT_EQ(area_->recno(), 4u);
  ASSERT_TRUE(area_->skip(10).ok());
  EXPECT_TRUE(area_->eof());
  EXPECT_FALSE(area_->bof());
}

TEST_F(WorkAreaTest, DeletedRecordsStayVisible) {
  ASSERT_TRUE(area_->go_to(3).ok());
  bool deleted = false;
  ASSERT_TRUE(area_->deleted(&deleted).ok());
  EXPECT_TRUE(deleted);
  EXPECT_EQ(field("ID").as_integer(), 30);
}

TEST_F(WorkAreaTest, CharacterTagWalksInKeyOrderBothWays) {
  ASSERT_TRUE(area_->set_order("mu_tgl").ok());
  EXPECT_EQ(area_->order(), 1u);
  EXPECT_EQ(walk_forward(), (Recnos{2, 4, 3, 1, 5}));
  EXPECT_EQ(area_->recno(), 6u);
  EXPECT_EQ(walk_backward(), (Recnos{5, 1, 3, 4, 2}));
  EXPECT_TRUE(area_->bof());
  EXPECT_EQ(area_->recno(), 2u);
  ASSERT_TRUE(area_->skip(1).ok());
  EXPECT_EQ(area_->recno(), 4u);
}

TEST_F(WorkAreaTest, DescendingTagWalksFromTheHighestKey) {
  ASSERT_TRUE(area_->set_order("KURS").ok());
  EXPECT_EQ(walk_forward(), (Recnos{2, 5, 1, 3, 4}));
  EXPECT_EQ(walk_backward(), (Recnos{4, 3, 1, 5, 2}));
}

TEST_F(WorkAreaTest, ForTagHoldsOnlyItsRecords) {
  ASSERT_TRUE(area_->set_order("USDONLY").ok());
  EXPECT_EQ(walk_forward(), (Recnos{1, 3, 5}));
}

TEST_F(WorkAreaTest, OrderByNumberFollowsHeaderOrder) {
  ASSERT_TRUE(area_->set_order(2u).ok());
  EXPECT_EQ(area_->order_tag()->name, "ID");
  EXPECT_FALSE(area_->set_order(7u).ok());
  EXPECT_EQ(area_->order(), 2u);
  ASSERT_TRUE(area_->set_order(0u).ok());
  EXPECT_EQ(area_->order(), 0u);
  EXPECT_EQ(walk_forward(), (Recnos{1, 2, 3, 4, 5}));
}

TEST_F(WorkAreaTest, UnknownOrOtherCollationTagsCannotBecomeTheOrder) {
  ASSERT_TRUE(area_->set_order("ID").ok());
  EXPECT_FALSE(area_->set_order("NOPE").ok());
  EXPECT_FALSE(area_->set_order("NAMA_GEN").ok());
  EXPECT_FALSE(area_->set_order("   ").ok());
  EXPECT_EQ(area_->order_tag()->name, "ID");
}

TEST_F(WorkAreaTest, IndexFileNameNarrowsTheOrder) {
  EXPECT_TRUE(area_->set_order("ID", "M_KURSMA").ok());
  EXPECT_TRUE(area_->set_order("ID", "m_kursma.cdx").ok());
  EXPECT_TRUE(area_->set_order("ID", folder_ + "/M_KURSMA.CDX").ok());
  EXPECT_FALSE(area_->set_order("ID", "OTHER.CDX").ok());
}

TEST_F(WorkAreaTest, SetOrderKeepsTheRecordAndSkipsFromIt) {
  ASSERT_TRUE(area_->go_to(3).ok());
  ASSERT_TRUE(area_->set_order("MU_TGL").ok());
  EXPECT_EQ(area_->recno(), 3u);
  ASSERT_TRUE(area_->skip(1).ok());
  EXPECT_EQ(area_->recno(), 1u);
  ASSERT_TRUE(area_->skip(-2).ok());
  EXPECT_EQ(area_->recno(), 4u);
  ASSERT_TRUE(area_->set_order(0u).ok());
  ASSERT_TRUE(area_->skip(1).ok());
  EXPECT_EQ(area_->recno(), 5u);
}

TEST_F(WorkAreaTest, SeekPrefixFindsTheFirstMatchingKey) {
  ASSERT_TRUE(area_->set_order("MU_TGL").ok());
  ASSERT_TRUE(area_->seek(Value::string("USD"), false).ok());
  EXPECT_TRUE(area_->found());
  EXPECT_EQ(area_->recno(), 3u);
  ASSERT_TRUE(area_->seek(Value::string("USD20260301"), false).ok());
  EXPECT_TRUE(area_->found());
  EXPECT_EQ(area_->recno(), 1u);
  ASSERT_TRUE(area_->seek(Value::string(""), false).ok());
  EXPECT_TRUE(area_->found());
  EXPECT_EQ(area_->recno(), 2u);
}

TEST_F(WorkAreaTest, SoftSeekStopsOnTheNextGreaterKey) {
  ASSERT_TRUE(area_->set_order("MU_TGL").ok());
  ASSERT_TRUE(area_->seek(Value::string("USD20260215"), true).ok());
  EXPECT_FALSE(area_->found());
  EXPECT_EQ(area_->recno(), 1u);
  EXPECT_FALSE(area_->eof());
  ASSERT_TRUE(area_->seek(Value::string("AAA"), true).ok());
  EXPECT_EQ(area_->recno(), 2u);
  ASSERT_TRUE(area_->seek(Value::string("ZZZ"), true).ok());
  EXPECT_TRUE(area_->eof());
  EXPECT_FALSE(area_->found());
}

TEST_F(WorkAreaTest, PlainSeekMissGoesToEof) {
  ASSERT_TRUE(area_->set_order("MU_TGL").ok());
  ASSERT_TRUE(area_->seek(Value::string("USD20260215"), false).ok());
  EXPECT_FALSE(area_->found());
  EXPECT_TRUE(area_->eof());
  EXPECT_EQ(area_->recno(), 6u);
  EXPECT_EQ(field("MU").as_string(), "   ");
}

TEST_F(WorkAreaTest, SeekLastFindsTheLastMatchingKey) {
  ASSERT_TRUE(area_->set_order("MU_TGL").ok());
  ASSERT_TRUE(area_->set_scope({Value(), Value(), true}).ok());
  ASSERT_TRUE(area_->seek(Value::string("USD"), false).ok());
  EXPECT_TRUE(area_->found());
  EXPECT_EQ(area_->recno(), 5u);
  ASSERT_TRUE(area_->set_scope({}).ok());
  ASSERT_TRUE(area_->seek(Value::string("USD"), false).ok());
  EXPECT_EQ(area_->recno(), 3u);
  // From the last match, the walk goes on in key order.
  ASSERT_TRUE(area_->seek(Value::string("EUR"), false, true).ok());
  ASSERT_TRUE(area_->skip(1).ok());
  EXPECT_EQ(area_->recno(), 4u);
}

TEST_F(WorkAreaTest, SeeksNumbersAndDates) {
  ASSERT_TRUE(area_->set_order("ID").ok());
  ASSERT_TRUE(area_->seek(Value::integer(30), false).ok());
  EXPECT_EQ(area_->recno(), 3u);
  ASSERT_TRUE(area_->seek(Value::floating(35.5), true).ok());
  EXPECT_FALSE(area_->found());
  EXPECT_EQ(area_->recno(), 4u);
  ASSERT_TRUE(area_->set_order("TGL").ok());
  ASSERT_TRUE(area_->seek(Value::date(Date::from_ymd(2026, 3, 5)), false).ok());
  EXPECT_TRUE(area_->found());
  EXPECT_EQ(area_->recno(), 4u);
  ASSERT_TRUE(area_->set_order("KURS").ok());
  ASSERT_TRUE(area_->seek(Value::floating(15000.5), false).ok());
  EXPECT_EQ(area_->recno(), 1u);
  // Descending: a soft seek stops on the next smaller key.
  ASSERT_TRUE(area_->seek(Value::floating(15050), true).ok());
  EXPECT_FALSE(area_->found());
  EXPECT_EQ(area_->recno(), 1u);
}

TEST_F(WorkAreaTest, SeekThatCannotBeCarriedOutFails) {
  EXPECT_EQ(area_->seek(Value::string("USD"), false).gencode(), kGenNoOrder);
  ASSERT_TRUE(area_->set_order("ID").ok());
  EXPECT_EQ(area_->seek(Value::array({}), false).gencode(), kGenArgument);
  EXPECT_FALSE(area_->set_scope({Value::integer(1), Value(), false}).ok());
}

TEST_F(WorkAreaTest, FieldAccessByPositionAndInformation) {
  EXPECT_EQ(area_->field_count(), 5u);
  EXPECT_EQ(area_->field_pos("kurs_beli"), 3u);
  EXPECT_EQ(area_->field_pos("NOPE"), 0u);
  EXPECT_EQ(area_->field_name(4), "ID");
  EXPECT_EQ(area_->field_name(6), "");
  Value v;
  ASSERT_TRUE(area_->field_get(1u, &v).ok());
  EXPECT_EQ(v.as_string(), "USD");
  ASSERT_TRUE(area_->field_info(tables::kFieldInfoWidth, 3, &v).ok());
  EXPECT_EQ(v.as_integer(), 12);
  ASSERT_TRUE(area_->field_info(tables::kFieldInfoDecimals, 3, &v).ok());
  EXPECT_EQ(v.as_integer(), 2);
  ASSERT_TRUE(area_->field_info(tables::kFieldInfoType, 2, &v).ok());
  EXPECT_EQ(v.as_string(), "D");
  ASSERT_TRUE(area_->field_info(tables::kFieldInfoName, 1, &v).ok());
  EXPECT_EQ(v.as_string(), "MU");
  EXPECT_EQ(area_->field_info(9, 1, &v).gencode(), kGenArgument);
  EXPECT_EQ(area_->field_info(tables::kFieldInfoWidth, 0, &v).gencode(), kGenBound);
  EXPECT_EQ(area_->field_get(6u, &v).gencode(), kGenBound);
  EXPECT_EQ(area_->field_get("NOPE", &v).gencode(), kGenArgument);
}

// An entry for a record just past the table's count is a record being
// appended (its key written before the header's count): it is passed by. One
// far past the count is damage.
TEST_F(WorkAreaTest, IndexRecordPastTheTableIsPassedByOrCorruption) {
  const struct {
    uint32_t recno;
    bool damage;
  } cases[] = {{9, false}, {5000, true}};
  for (const auto& c : cases) {
    area_.reset();
    std::vector<CdxTagSpec> tags = rate_tags(rate_rows());
    const uint32_t first = tags[1].entries[0].recno;
    tags[1].entries[0].recno = c.recno;
    ASSERT_TRUE(write_cdx(folder_ + "/M_KURSMA.CDX", tags));
    area_ = open(path_);
    ASSERT_TRUE(area_->set_order("ID").ok());
    const tables::Status s = area_->go_top();
    EXPECT_EQ(s.ok(), !c.damage) << c.recno;
    if (c.damage) {
      EXPECT_EQ(s.gencode(), kGenCorruption);
      EXPECT_EQ(lower(s.filename()), lower(folder_ + "/M_KURSMA.CDX"));
      EXPECT_EQ(s.description(), "tag ID: record 5000 is outside the table of 5 records");
      EXPECT_TRUE(area_->eof());
    } else {
      EXPECT_FALSE(area_->eof());
      EXPECT_NE(area_->recno(), first);
    }
  }
}

// The index names a record that the table does not count yet: a seek passes
// it by, until the record and the header's count are written, when a seek
// from the index kept finds it.
TEST_F(WorkAreaTest, RecordsAppendedAfterOpenAreSeenWhenTheIndexNamesThem) {
  std::vector<RateRow> rows = rate_rows();
  rows.push_back({"GBP", Date::from_ymd(2026, 3, 6), 19000.0, 60, false});
  write_rate_table(folder_, rows);
  const std::string appended = writer::build_dbf(rate_spec(), rate_table_rows(rows)).dbf;
  // The index and the memo file already hold the sixth rate; the table does not.
  std::string before = appended.substr(
      0, writer::header_length(rate_spec()) + 5 * writer::record_length(rate_spec()));
  before[4] = 5;
  ASSERT_TRUE(write_file(path_, before + "\x1A"));
  area_ = open(path_);
  ASSERT_TRUE(area_->set_order("MU_TGL").ok());
  ASSERT_TRUE(area_->seek(Value::string("GBP"), false).ok());
  EXPECT_FALSE(area_->found());
  ASSERT_TRUE(write_file(path_, appended));
  ASSERT_TRUE(area_->seek(Value::string("GBP"), false).ok());
  EXPECT_TRUE(area_->found());
  EXPECT_EQ(area_->recno(), 6u);
  uint32_t count = 0;
  ASSERT_TRUE(area_->record_count(&count).ok());
  EXPECT_EQ(count, 6u);
}

TEST_F(WorkAreaTest, EmptyTableIsAtEofAndBof) {
  write_rate_table(folder_, {});
  area_ = open(path_);
  EXPECT_TRUE(area_->eof());
  EXPECT_TRUE(area_->bof());
  EXPECT_EQ(area_->recno(), 1u);
  ASSERT_TRUE(area_->set_order("MU_TGL").ok());
  ASSERT_TRUE(area_->go_bottom().ok());
  EXPECT_TRUE(area_->eof());
  ASSERT_TRUE(area_->seek(Value::string("USD"), true).ok());
  EXPECT_TRUE(area_->eof());
  EXPECT_FALSE(area_->found());
}

TEST_F(WorkAreaTest, IndexOfAnyLetterCaseIsOpened) {
  area_.reset();
  std::filesystem::rename(folder_ + "/M_KURSMA.CDX", folder_ + "/m_kursma.cdx");
  area_ = open(path_);
  EXPECT_TRUE(area_->set_order("ID").ok());
}

TEST_F(WorkAreaTest, DamagedIndexFailsTheOpen) {
  ASSERT_TRUE(write_file(folder_ + "/M_KURSMA.CDX", std::string(600, '\x55')));
  Status s;
  EXPECT_EQ(WorkArea::open(path_, "", {}, &s), nullptr);
  EXPECT_EQ(s.gencode(), kGenCorruption);
  EXPECT_EQ(lower(s.filename()), lower(folder_ + "/M_KURSMA.CDX"));
}

TEST_F(WorkAreaTest, TableWithoutIndexHasNoOrders) {
  area_.reset();  // an open file cannot be removed everywhere
  std::filesystem::remove(folder_ + "/M_KURSMA.CDX");
  area_ = open(path_);
  EXPECT_EQ(area_->index(), nullptr);
  EXPECT_FALSE(area_->set_order("ID").ok());
  EXPECT_FALSE(area_->set_order(1u).ok());
  EXPECT_TRUE(area_->set_order(0u).ok());
}

}  // namespace
}  // namespace kx::test
