#include "tables/dbf/header.h"

#include <gtest/gtest.h>

#include "tables/dbf/dbf_test_util.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

using tables::Status;
using writer::build_dbf;
using writer::DbfSpec;
using writer::descriptor_offset;
using writer::put_le16;
using writer::put_le32;

class DbfHeaderTest : public ::testing::Test {
 protected:
  DbfSpec spec_{0x30, {{"ID", 'I'}, {"KODE", 'C', 3}, {"KURS", 'N', 12, 2}}};
  std::string bytes_ = build_dbf(spec_, {{{7, "USD", 15000.25}}, {{8, "EUR", 16000.5}}}).dbf;

  // Opens bytes_ and expects a corruption error with exactly that description.
  void expect_corruption(const std::string& description) {
    OpenedTable t = open_memory_table(bytes_);
    ASSERT_EQ(t.table, nullptr);
    EXPECT_EQ(t.status.gencode(), kGenCorruption);
    EXPECT_EQ(t.status.filename(), "T.DBF");
    EXPECT_EQ(t.status.description(), description);
  }
  void set_descriptor_byte(size_t field, size_t offset, uint8_t value) {
    bytes_[descriptor_offset(field) + offset] = static_cast<char>(value);
  }
};

TEST_F(DbfHeaderTest, WriterTableOpensWithItsLayout) {
  OpenedTable t = open_memory_table(bytes_);
  ASSERT_TRUE(t.status.ok()) << t.status.description();
  const tables::dbf::TableLayout& l = t.table->layout();
  EXPECT_EQ(l.prefix.version, 0x30);
  EXPECT_EQ(l.prefix.update_year * 10000 + l.prefix.update_month * 100 + l.prefix.update_day,
            260307);
  EXPECT_EQ(l.prefix.header_length, 32 + 3 * 32 + 1 + 263);
  EXPECT_EQ(l.prefix.record_length, 1 + 4 + 3 + 12);
  ASSERT_EQ(l.fields.size(), 3u);
  EXPECT_EQ(l.fields[2].name, "KURS");
  EXPECT_EQ(l.fields[2].offset, 8u);
  EXPECT_EQ(l.fields[2].decimals, 2);
  EXPECT_EQ(t.table->record_count(), 2u);
}

TEST_F(DbfHeaderTest, FileShorterThanHeaderPrefix) {
  bytes_.resize(20);
  expect_corruption("file of 20 bytes is too short for a table header");
}

TEST_F(DbfHeaderTest, UnknownVersionByte) {
  bytes_[0] = 0x07;
  expect_corruption("header: unknown version byte 0x07");
}

TEST_F(DbfHeaderTest, HeaderLengthWithoutRoomForADescriptor) {
  put_le16(&bytes_, 8, 40);
  expect_corruption("header: header length 40 leaves no room for a field descriptor");
}

TEST_F(DbfHeaderTest, FileEndingInsideTheHeader) {
  bytes_.resize(200);
  expect_corruption("file of 200 bytes ends inside its header of 392 bytes");
}

TEST_F(DbfHeaderTest, DescriptorRunningPastTheHeaderLength) {
  put_le16(&bytes_, 8, 80);  // room for descriptor 1 and half of descriptor 2
  expect_corruption("header: descriptor 2 at offset 64 runs past the header length 80");
}

TEST_F(DbfHeaderTest, FieldWithoutName) {
  bytes_[descriptor_offset(1)] = '\0';
  expect_corruption("header: field 2 has no name");
}

TEST_F(DbfHeaderTest, UnknownFieldType) {
  set_descriptor_byte(2, 11, 'X');
  expect_corruption("header: field 3 (KURS): unknown field type 0x58");
}

TEST_F(DbfHeaderTest, IntegerFieldOfWrongWidth) {
  set_descriptor_byte(0, 16, 2);
  expect_corruption("header: field 1 (ID): type I needs width 4, not 2");
}

TEST_F(DbfHeaderTest, CharacterFieldOfWidthZero) {
  set_descriptor_byte(1, 16, 0);
  expect_corruption("header: field 2 (KODE): width 0");
}

TEST_F(DbfHeaderTest, RecordLengthSmallerThanTheFieldsNeed) {
  put_le16(&bytes_, 10, 12);
  expect_corruption("header: record length 12 is less than the 20 bytes its fields need");
}

TEST_F(DbfHeaderTest, HeaderLengthEndingInsideTheBacklinkIsCorruption) {
  put_le16(&bytes_, 8, 32 + 3 * 32 + 1 + 100);  // records would start in the backlink
  expect_corruption("header: header length 229 is less than the 392 bytes its descriptors need");
}

TEST_F(DbfHeaderTest, RecordLongerThanItsFieldsIsCorruption) {
  set_descriptor_byte(1, 16, 2);  // KODE narrower: KURS would be read one byte early
  expect_corruption("header: record length 20 is more than the 19 bytes its fields need");
}

TEST_F(DbfHeaderTest, TerminatorRightAfterTheHeaderMeansNoFields) {
  bytes_[32] = 0x0D;
  expect_corruption("header: no fields");
}

TEST_F(DbfHeaderTest, NameEndsAtItsFirstNul) {
  const char name[11] = {'K', 'O', 'D', 'E', '\0', 'x', '!', '\x7f', 'q', 'z', 'y'};
  bytes_.replace(descriptor_offset(1), 11, name, 11);
  OpenedTable t = open_memory_table(bytes_);
  ASSERT_TRUE(t.status.ok()) << t.status.description();
  EXPECT_EQ(t.table->fields()[1].name, "KODE");
  EXPECT_EQ(t.table->layout().find_field("kode"), 1);
}

TEST_F(DbfHeaderTest, StoredFieldOffsetsAreIgnored) {
  // Some writers leave the offset in the descriptor zero.
  for (size_t f = 0; f < 3; ++f) put_le32(&bytes_, descriptor_offset(f) + 12, 0);
  OpenedTable t = open_memory_table(bytes_);
  ASSERT_TRUE(t.status.ok());
  const std::vector<Value> v = record_values(t.table.get(), 2);
  EXPECT_EQ(v[1].as_string(), "EUR");
  EXPECT_EQ(v[2].as_float().decimal, "16000.50");
}

TEST_F(DbfHeaderTest, DescriptorsMayRunToTheHeaderLengthWithoutTerminator) {
  DbfSpec spec{0x03, {{"A", 'C', 2}, {"B", 'L'}}};
  std::string bytes = build_dbf(spec, {{{"xy", true}}}).dbf;
  // Drop the terminator: the header ends right after the descriptors.
  bytes.erase(32 + 2 * 32, 1);
  put_le16(&bytes, 8, 32 + 2 * 32);
  OpenedTable t = open_memory_table(bytes);
  ASSERT_TRUE(t.status.ok()) << t.status.description();
  const std::vector<Value> v = record_values(t.table.get(), 1);
  EXPECT_EQ(v[0].as_string(), "xy");
  EXPECT_TRUE(v[1].as_logic());
}

TEST_F(DbfHeaderTest, MoreThan255FieldsIsCorruption) {
  DbfSpec spec{0x30, {}};
  for (int i = 0; i < 256; ++i) spec.fields.push_back({"F" + std::to_string(i), 'C', 1});
  bytes_ = build_dbf(spec, {}).dbf;
  expect_corruption("header: more than 255 fields");
}

TEST_F(DbfHeaderTest, NullFlagFieldIsHiddenAndNotCounted) {
  DbfSpec spec{0x30, {}};
  for (int i = 0; i < 255; ++i) spec.fields.push_back({"F" + std::to_string(i), 'C', 1, 0, 0x02});
  spec.fields.push_back({"_NullFlags", '0'});
  OpenedTable t = open_memory_table(build_dbf(spec, {}).dbf);
  ASSERT_TRUE(t.status.ok()) << t.status.description();
  EXPECT_EQ(t.table->fields().size(), 255u);
  EXPECT_EQ(t.table->layout().find_field("_NullFlags"), -1);
  ASSERT_TRUE(t.table->layout().null_flags.has_value());
  EXPECT_EQ(t.table->layout().null_flags->width, 32);
}

TEST_F(DbfHeaderTest, SecondNullFlagFieldIsCorruption) {
  DbfSpec spec{0x30, {{"A", 'C', 2}, {"_NullFlags", '0'}, {"_NullFlag2", '0'}}};
  bytes_ = build_dbf(spec, {}).dbf;
  expect_corruption("header: field 3 (_NullFlag2): a second null-flag field");
}

TEST_F(DbfHeaderTest, MemoPointerOfOddWidthIsCorruption) {
  DbfSpec spec{0x30, {{"NOTE", 'M', 6}}};
  bytes_ = build_dbf(spec, {}).dbf;
  expect_corruption("header: field 1 (NOTE): memo pointer width 6 is neither 4 nor 10");
}

}  // namespace
}  // namespace kx::test
