#include "tables/dbf/table.h"

#include <gtest/gtest.h>

#include "support/memory_file.h"
#include "tables/dbf/dbf_test_util.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

using tables::PagedFile;
using tables::Status;
using tables::dbf::Record;
using tables::dbf::Table;
using writer::all_types_rows;
using writer::all_types_spec;
using writer::build_dbf;
using writer::DbfFiles;
using writer::DbfSpec;
using writer::header_length;
using writer::put_le16;
using writer::put_le32;
using writer::record_length;

class DbfTableTest : public ::testing::Test {
 protected:
  DbfFiles files_ = build_dbf(all_types_spec(), all_types_rows());
};

TEST_F(DbfTableTest, ReadsEveryFieldType) {
  OpenedTable t = open_memory_table(files_);
  ASSERT_TRUE(t.status.ok()) << t.status.description();
  ASSERT_EQ(t.table->fields().size(), 15u);
  const std::vector<Value> v = record_values(t.table.get(), 1);
  ASSERT_EQ(v.size(), 15u);
  EXPECT_EQ(v[0].as_string(), "Rupiah  ");
  EXPECT_EQ(v[1].as_integer(), 42);
  EXPECT_EQ(v[2].as_float().decimal, "1.005");
  EXPECT_EQ(v[3].as_float().decimal, "2.5000");
  EXPECT_EQ(v[4].as_date(), Date::from_ymd(2026, 3, 7));
  EXPECT_TRUE(v[5].as_logic());
  EXPECT_EQ(v[6].as_string(), "line1\r\nline2");
  EXPECT_EQ(v[7].as_integer(), -7);
  EXPECT_EQ(v[8].as_float().value, 0.25);
  EXPECT_EQ(v[9].as_float().decimal, "12.3456");
  EXPECT_EQ(v[10].as_date(), Date::from_ymd(1996, 7, 4));
  EXPECT_EQ(v[11].as_string(), "ab");
  EXPECT_EQ(v[12].as_string(), "\x01\x02");
  EXPECT_EQ(v[13].as_string(), "OLE");
  EXPECT_EQ(v[14].as_string(), "blob");
}

TEST_F(DbfTableTest, BlankAndOddFieldsReadAsZeroBlankOrEmpty) {
  OpenedTable t = open_memory_table(files_);
  const std::vector<Value> blank = record_values(t.table.get(), 2);
  EXPECT_EQ(blank[0].as_string(), "        ");
  EXPECT_EQ(blank[1].as_integer(), 0);
  EXPECT_EQ(blank[2].as_float().decimal, "0.000");
  EXPECT_TRUE(blank[4].as_date().empty());
  EXPECT_FALSE(blank[5].as_logic());
  EXPECT_EQ(blank[6].as_string(), "");
  EXPECT_TRUE(blank[10].as_date().empty());
  EXPECT_EQ(blank[11].as_string(), "");

  const std::vector<Value> odd = record_values(t.table.get(), 3);
  EXPECT_EQ(odd[1].as_integer(), 2147483647);
  EXPECT_EQ(odd[2].as_float().decimal, "-0.5");
  EXPECT_EQ(odd[3].as_float().decimal, "0.0000");  // asterisks
  EXPECT_TRUE(odd[4].as_date().empty());           // no 30 February
  EXPECT_TRUE(odd[5].as_logic());
  EXPECT_EQ(odd[9].as_float().decimal, "-3.0000");
  EXPECT_EQ(odd[11].as_string(), "sixsix");
}

TEST_F(DbfTableTest, DeletedRecordsAreReadLikeOthers) {
  OpenedTable t = open_memory_table(files_);
  Record r;
  ASSERT_TRUE(t.table->read_record(3, &r).ok());
  EXPECT_TRUE(r.deleted());
  ASSERT_TRUE(t.table->read_record(1, &r).ok());
  EXPECT_FALSE(r.deleted());
}

TEST_F(DbfTableTest, TenDigitMemoPointersWithOddBlockSize) {
  DbfSpec spec{0xF5, {{"ID", 'C', 4}, {"DATA", 'M'}, {"N", 'N', 6}}};
  spec.memo_block_size = 33;
  OpenedTable t =
      open_memory_table(build_dbf(spec, {{{"a", "first memo"}}, {{"b", std::string(70, 'z'), 3}}}));
  ASSERT_TRUE(t.status.ok()) << t.status.description();
  EXPECT_EQ(t.table->fields()[1].width, 10);
  EXPECT_EQ(record_values(t.table.get(), 1)[1].as_string(), "first memo");
  EXPECT_EQ(record_values(t.table.get(), 2)[1].as_string(), std::string(70, 'z'));
}

TEST_F(DbfTableTest, MemoFieldsWithoutMemoFileReadEmpty) {
  OpenedTable t = open_memory_table(files_.dbf);
  ASSERT_TRUE(t.status.ok());
  EXPECT_EQ(record_values(t.table.get(), 1)[6].as_string(), "");
}

TEST_F(DbfTableTest, EndMarkerIsOptional) {
  DbfSpec spec{0x03, {{"A", 'C', 3}}};
  spec.end_marker = false;
  OpenedTable t = open_memory_table(build_dbf(spec, {{{"one"}}, {{"two"}}}));
  ASSERT_TRUE(t.status.ok());
  EXPECT_EQ(t.table->record_count(), 2u);
  EXPECT_EQ(record_values(t.table.get(), 2)[0].as_string(), "two");
}

TEST_F(DbfTableTest, HeaderCountBeyondTheFileGivesOnlyWholeRecords) {
  DbfSpec spec{0x03, {{"A", 'C', 3}}};
  spec.stated_record_count = 1000;
  spec.end_marker = false;
  std::string bytes = build_dbf(spec, {{{"one"}}, {{"two"}}, {{"thr"}}}).dbf;
  bytes.resize(bytes.size() - 2);  // the third record is half written
  OpenedTable t = open_memory_table(bytes);
  ASSERT_TRUE(t.status.ok());
  EXPECT_EQ(t.table->record_count(), 2u);
  Record r;
  const Status s = t.table->read_record(3, &r);
  EXPECT_EQ(s.gencode(), kGenCorruption);
  EXPECT_EQ(s.description(), "record 3 is outside the table of 2 records");
  EXPECT_EQ(t.table->read_record(0, &r).gencode(), kGenCorruption);
}

TEST_F(DbfTableTest, HeaderCountBelowTheFileWins) {
  DbfSpec spec{0x03, {{"A", 'C', 3}}};
  spec.stated_record_count = 1;
  std::string bytes = build_dbf(spec, {{{"one"}}, {{"two"}}}).dbf + "slack after the end";
  OpenedTable t = open_memory_table(bytes);
  EXPECT_EQ(t.table->record_count(), 1u);
}

TEST_F(DbfTableTest, RefreshSeesRecordsAppendedAfterOpen) {
  DbfSpec spec{0x30, {{"A", 'C', 3}}};
  const std::string two = build_dbf(spec, {{{"one"}}, {{"two"}}}).dbf;
  const std::string three = build_dbf(spec, {{{"one"}}, {{"two"}}, {{"thr"}}}).dbf;
  auto shared = std::make_shared<std::string>(two);
  Status s;
  auto table = Table::open(std::make_unique<SharedBytesSource>("T.DBF", shared), nullptr, &s);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->record_count(), 2u);
  // The other application writes the record first, the header count after.
  std::string half = three;
  put_le32(&half, 4, 2);
  *shared = half;
  uint32_t count = 0;
  ASSERT_TRUE(table->refresh(&count).ok());
  EXPECT_EQ(count, 2u);
  *shared = three;
  ASSERT_TRUE(table->refresh(&count).ok());
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(record_values(table.get(), 3)[0].as_string(), "thr");
}

TEST_F(DbfTableTest, RefreshCountsOnlyRecordsTheFileHoldsWhenTheCountIsWrittenFirst) {
  DbfSpec spec{0x30, {{"A", 'C', 3}}};
  const std::string two = build_dbf(spec, {{{"one"}}, {{"two"}}}).dbf;
  auto shared = std::make_shared<std::string>(two);
  Status s;
  auto table = Table::open(std::make_unique<SharedBytesSource>("T.DBF", shared), nullptr, &s);
  ASSERT_NE(table, nullptr);
  put_le32(shared.get(), 4, 3);  // the header counts a record not yet written
  uint32_t count = 0;
  ASSERT_TRUE(table->refresh(&count).ok());
  EXPECT_EQ(count, 2u);
  Record r;
  EXPECT_EQ(table->read_record(3, &r).gencode(), kGenCorruption);
}

// Records read are kept as they were; the count read again counts only the
// records the file still holds.
TEST_F(DbfTableTest, RecordsCutOffAfterOpenAreKeptUntilTheCountIsReadAgain) {
  DbfSpec spec{0x30, {{"A", 'C', 3}}};
  const std::string three = build_dbf(spec, {{{"one"}}, {{"two"}}, {{"thr"}}}).dbf;
  auto shared = std::make_shared<std::string>(three);
  Status s;
  auto table = Table::open(std::make_unique<SharedBytesSource>("T.DBF", shared), nullptr, &s);
  ASSERT_NE(table, nullptr);
  shared->resize(shared->size() - 2 * 4);  // the last two records are gone
  put_le32(shared.get(), 4, 3);
  Record r;
  ASSERT_TRUE(table->read_record(3, &r).ok());
  EXPECT_EQ(r.bytes, " thr");
  EXPECT_EQ(table->read_record(3, &r, PagedFile::Freshness::kFromFile).gencode(), kGenRead);
  EXPECT_TRUE(r.bytes.empty());
  uint32_t count = 0;
  ASSERT_TRUE(table->refresh(&count).ok());
  EXPECT_EQ(count, 1u);
}

// A record read from the wrong place, or not written yet, starts with
// something other than the blank or asterisk that every record starts with.
TEST_F(DbfTableTest, RecordWithoutADeletionFlagIsCorruption) {
  DbfSpec spec{0x30, {{"A", 'C', 3}}};
  std::string bytes = build_dbf(spec, {{{"one"}}, {{"two"}}, {{"thr"}}}).dbf;
  const uint16_t header_length =
      static_cast<uint16_t>(static_cast<uint8_t>(bytes[8]) | static_cast<uint8_t>(bytes[9]) << 8);
  bytes[header_length + 4] = '*';   // record 2 deleted
  bytes[header_length + 8] = '\0';  // record 3 not written yet
  OpenedTable t = open_memory_table(bytes);
  Record r;
  EXPECT_TRUE(t.table->read_record(2, &r).ok());
  EXPECT_TRUE(r.deleted());
  const Status s = t.table->read_record(3, &r);
  EXPECT_EQ(s.gencode(), kGenCorruption);
  EXPECT_EQ(s.description(), "record 3: deletion flag 0x00 is neither blank nor *");
}

TEST_F(DbfTableTest, ChangedRecordLengthAfterOpenIsCorruption) {
  DbfSpec spec{0x30, {{"A", 'C', 3}}};
  auto shared = std::make_shared<std::string>(build_dbf(spec, {{{"one"}}}).dbf);
  Status s;
  auto table = Table::open(std::make_unique<SharedBytesSource>("T.DBF", shared), nullptr, &s);
  ASSERT_NE(table, nullptr);
  put_le16(shared.get(), 10, 9);
  uint32_t count = 0;
  s = table->refresh(&count);
  EXPECT_EQ(s.gencode(), kGenCorruption);
  EXPECT_EQ(s.description(),
            "header: header length 328 or record length 9 changed while the table was open");
}

// Walks every record and field; every failure must be a clean error.
void walk_all(Table* table) {
  uint32_t count = 0;
  Status s = table->refresh(&count);
  if (!s.ok()) return;
  for (uint32_t recno = 1; recno <= count; ++recno) {
    Record r;
    s = table->read_record(recno, &r);
    ASSERT_TRUE(s.ok()) << s.description();
    for (size_t i = 0; i < table->fields().size(); ++i) {
      Value v;
      s = table->value(r, i, &v);
      ASSERT_TRUE(s.ok()) << s.description();
    }
  }
}

TEST_F(DbfTableTest, TableCutAtEveryLengthOpensCleanlyOrFailsCleanly) {
  const uint16_t header = header_length(all_types_spec());
  const uint16_t record = record_length(all_types_spec());
  for (size_t cut = 0; cut <= files_.dbf.size(); ++cut) {
    OpenedTable t = open_memory_table(files_.dbf.substr(0, cut), files_.memo);
    if (cut < header) {
      ASSERT_EQ(t.table, nullptr) << cut;
      EXPECT_EQ(t.status.gencode(), kGenCorruption) << cut;
      continue;
    }
    ASSERT_NE(t.table, nullptr) << cut << ": " << t.status.description();
    EXPECT_EQ(t.table->record_count(), std::min<size_t>(3, (cut - header) / record)) << cut;
    walk_all(t.table.get());
  }
}

TEST_F(DbfTableTest, MemoCutAtEveryLengthOpensCleanlyOrFailsCleanly) {
  for (size_t cut = 0; cut <= files_.memo.size(); ++cut) {
    Status s;
    auto memo =
        tables::dbf::MemoFile::open(test::memory_file("T.FPT", files_.memo.substr(0, cut)), &s);
    if (cut < 512) {
      ASSERT_EQ(memo, nullptr);
      EXPECT_EQ(s.gencode(), kGenCorruption);
      continue;
    }
    ASSERT_NE(memo, nullptr) << cut;
    auto table = Table::open(test::memory_file("T.DBF", files_.dbf), std::move(memo), &s);
    ASSERT_NE(table, nullptr);
    walk_all(table.get());
    const std::string note = record_values(table.get(), 1)[6].as_string();
    EXPECT_TRUE(note.empty() || note == "line1\r\nline2") << cut;
  }
}

}  // namespace
}  // namespace kx::test
