// The dBase memo file (DBT) reader of MemoFile.
#include <gtest/gtest.h>

#include <string>

#include "support/memory_file.h"
#include "tables/dbf/memo_file.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::dbf::MemoFile;

// A DBT whose block 1 (at block_size, 512 for dBase III) starts with value.
std::string dbt(const std::string& value, uint16_t dbase4_block_size = 0) {
  std::string bytes(512, '\0');
  if (dbase4_block_size != 0) writer::put_le16(&bytes, 20, dbase4_block_size);
  bytes.resize(dbase4_block_size != 0 ? dbase4_block_size : 512, '\0');
  return bytes + value;
}

std::string dbase4_value(const std::string& text, uint32_t stated_length) {
  std::string head("\xFF\xFF\x08\x00\0\0\0\0", 8);
  writer::put_le32(&head, 4, stated_length);
  return head + text;
}

struct DbtCase {
  const char* label;
  bool dbase4;
  std::string file;
  uint32_t block;
  std::string value;
};

TEST(DbaseMemoFileTest, ValuesByBlock) {
  const std::string long_text(700, 'y');
  const DbtCase cases[] = {
      {"dBase III: up to two end bytes", false, dbt("text\x1A\x1Arest"), 1, "text"},
      {"dBase III: over several blocks", false, dbt(long_text + "\x1A\x1A"), 1, long_text},
      {"dBase III: end bytes across blocks", false, dbt(std::string(511, 'z') + "\x1A\x1A"), 1,
       std::string(511, 'z')},
      {"dBase III: one end byte at the end of the file", false, dbt("last\x1A"), 1, "last"},
      {"dBase III: no end bytes before the end of the file", false, dbt("open"), 1, "open"},
      {"dBase III: one end byte inside the text", false,
       dbt("a\x1A"
           "b\x1A\x1A"),
       1,
       "a\x1A"
       "b"},
      {"block 0 is no value", false, dbt("text\x1A\x1A"), 0, ""},
      {"block past the end", false, dbt("text\x1A\x1A"), 9, ""},
      {"dBase IV: length from the value's header", true,
       dbt(dbase4_value("four!ignored", 13), 1024), 1, "four!"},
      {"dBase IV: 512-byte blocks when the header says 0", true,
       dbt(dbase4_value("x", 9) + std::string(503, '\0') + dbase4_value("second", 14)), 2,
       "second"},
      {"dBase IV: length past the end of the file", true, dbt(dbase4_value("x", 100), 512), 1, ""},
      {"dBase IV: length shorter than the value's header", true, dbt(dbase4_value("x", 4), 512), 1,
       ""},
      {"dBase IV: no value header, read as dBase III", true, dbt("plain\x1A\x1A", 512), 1, "plain"},
  };
  for (const DbtCase& c : cases) {
    Status status;
    auto memo = MemoFile::open_dbase(test::memory_file("T.DBT", c.file), c.dbase4, &status);
    ASSERT_NE(memo, nullptr) << c.label << ": " << status.description();
    std::string value = "unchanged";
    status = memo->read(c.block, &value);
    EXPECT_TRUE(status.ok()) << c.label << ": " << status.description();
    EXPECT_EQ(value, c.value) << c.label;
  }
}

TEST(DbaseMemoFileTest, DamagedHeaderIsCorruption) {
  Status status;
  EXPECT_EQ(
      MemoFile::open_dbase(test::memory_file("T.DBT", std::string(100, '\0')), false, &status),
      nullptr);
  EXPECT_EQ(status.description(),
            "memo header: file of 100 bytes is shorter than its 512-byte header");
  std::string bytes(512, '\0');
  writer::put_le16(&bytes, 20, 4);
  EXPECT_EQ(MemoFile::open_dbase(test::memory_file("T.DBT", bytes), true, &status), nullptr);
  EXPECT_EQ(status.gencode(), kGenCorruption);
  EXPECT_EQ(status.description(), "memo header: block size 4");
}

}  // namespace
}  // namespace kx::test
