#include "tables/dbf/table_files.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "platform/platform.h"
#include "support/testing/child_process.h"
#include "tables/dbf/dbf_test_util.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::dbf::open_table;
using writer::build_dbf;
using writer::DbfFiles;
using writer::DbfSpec;
using writer::write_dbf;
using writer::write_file;

// File names compare without letter case: Windows keeps the case asked for.
std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class DbfTableFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::path(scratch_path("x")).parent_path().string();
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      std::filesystem::remove(entry.path());
    }
  }
  std::string path(const std::string& leaf) const { return folder_ + "/" + leaf; }

  // A table with a memo field, written as leaf with its memo as memo_leaf.
  void write_memo_table(const std::string& leaf, const std::string& memo_leaf) {
    const DbfFiles files = build_dbf(spec_, {{{"USD", "dollar"}}});
    ASSERT_TRUE(write_file(path(leaf), files.dbf));
    if (!memo_leaf.empty()) {
      ASSERT_TRUE(write_file(path(memo_leaf), files.memo));
    }
  }

  DbfSpec spec_{0x30, {{"KODE", 'C', 3}, {"NAMA", 'M'}}};
  std::string folder_;
};

TEST_F(DbfTableFilesTest, BaseNameDropsOnlyTheLastComponentsExtension) {
  EXPECT_EQ(tables::dbf::base_name("D:\\POS\\KV3DB\\M_KURSMA.KV3"), "D:\\POS\\KV3DB\\M_KURSMA");
  EXPECT_EQ(tables::dbf::base_name("/data/v1.2/table"), "/data/v1.2/table");
  EXPECT_EQ(tables::dbf::base_name("a.b.dbf"), "a.b");
  EXPECT_EQ(tables::dbf::base_name("dir.x\\file"), "dir.x\\file");
}

TEST_F(DbfTableFilesTest, ContainerMemoIsDct) {
  EXPECT_EQ(tables::dbf::memo_extension("x/Order Entry.DBC"), "dct");
  EXPECT_EQ(tables::dbf::memo_extension("x/orders.dbf"), "fpt");
  EXPECT_EQ(tables::dbf::memo_extension("x/M_KURSMA.KV3"), "fpt");
}

TEST_F(DbfTableFilesTest, OpensTableWithMemoOfAnyExtensionCase) {
  write_memo_table("M_MAUANG.KV3", "m_mauang.Fpt");
  Status s;
  auto table = open_table(path("M_MAUANG.KV3"), {}, &s);
  ASSERT_NE(table, nullptr) << s.description();
  EXPECT_EQ(record_values(table.get(), 1)[1].as_string(), "dollar");
}

TEST_F(DbfTableFilesTest, MissingMemoFileFailsTheOpen) {
  write_memo_table("M_MAUANG.KV3", "");
  Status s;
  EXPECT_EQ(open_table(path("M_MAUANG.KV3"), {}, &s), nullptr);
  EXPECT_EQ(s.gencode(), kGenOpen);
  EXPECT_EQ(s.oscode(), platform::kErrFileNotFound);
  EXPECT_EQ(lower(s.filename()), lower(path("M_MAUANG.fpt")));
}

TEST_F(DbfTableFilesTest, TableWithoutMemoFieldsNeedsNoMemoFile) {
  ASSERT_TRUE(write_dbf(path("plain.dbf"), DbfSpec{0x03, {{"A", 'C', 1}}}, {{{"x"}}}));
  Status s;
  auto table = open_table(path("plain.dbf"), {}, &s);
  ASSERT_NE(table, nullptr) << s.description();
  EXPECT_EQ(table->memo(), nullptr);
}

TEST_F(DbfTableFilesTest, MissingTableIsAnOpenError) {
  Status s;
  EXPECT_EQ(open_table(path("NONE.DBF"), {}, &s), nullptr);
  EXPECT_EQ(s.gencode(), kGenOpen);
  EXPECT_EQ(s.oscode(), platform::kErrFileNotFound);
  EXPECT_EQ(s.filename(), path("NONE.DBF"));
}

TEST_F(DbfTableFilesTest, DamagedMemoHeaderNamesTheMemoFile) {
  write_memo_table("T.DBF", "T.FPT");
  ASSERT_TRUE(write_file(path("T.FPT"), "short"));
  Status s;
  EXPECT_EQ(open_table(path("T.DBF"), {}, &s), nullptr);
  EXPECT_EQ(s.gencode(), kGenCorruption);
  EXPECT_EQ(lower(s.filename()), lower(path("T.FPT")));
}

TEST_F(DbfTableFilesTest, SiblingFileIsEmptyWhenAbsent) {
  write_memo_table("T.DBF", "t.fpt");
  EXPECT_EQ(tables::dbf::sibling_file(path("T.DBF"), "cdx"), "");
  EXPECT_EQ(lower(tables::dbf::sibling_file(path("T.DBF"), "FPT")), lower(path("t.fpt")));
}

}  // namespace
}  // namespace kx::test
