#include "tables/dbf/memo_file.h"

#include <gtest/gtest.h>

#include "support/memory_file.h"
#include "tables/dbf/dbf_test_util.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::dbf::MemoFile;
using writer::build_dbf;
using writer::DbfSpec;
using writer::put_be16;
using writer::put_be32;

class DbfMemoFileTest : public ::testing::Test {
 protected:
  // A memo file holding "first" at block 8 and a 100-byte text after it.
  std::string memo_bytes(uint16_t block_size = 64) {
    DbfSpec spec{0x30, {{"NOTE", 'M'}}};
    spec.memo_block_size = block_size;
    return build_dbf(spec, {{{"first"}}, {{std::string(100, 'x')}}}).memo;
  }

  std::unique_ptr<MemoFile> open(const std::string& bytes) {
    return MemoFile::open(test::memory_file("T.FPT", bytes), &status_);
  }

  std::string read(MemoFile* memo, uint32_t block) {
    std::string value = "unchanged";
    status_ = memo->read(block, &value);
    EXPECT_TRUE(status_.ok()) << status_.description();
    return value;
  }

  Status status_;
};

TEST_F(DbfMemoFileTest, ReadsValuesByBlockNumber) {
  auto memo = open(memo_bytes());
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->block_size(), 64u);
  EXPECT_EQ(read(memo.get(), 8), "first");
  EXPECT_EQ(read(memo.get(), 9), std::string(100, 'x'));
}

TEST_F(DbfMemoFileTest, OddBlockSizesWork) {
  for (uint16_t size : {1, 33, 512}) {
    auto memo = open(memo_bytes(size));
    ASSERT_NE(memo, nullptr) << size;
    const uint32_t first = (512 + size - 1) / size;
    EXPECT_EQ(read(memo.get(), first), "first") << size;
  }
}

TEST_F(DbfMemoFileTest, BlockZeroIsNoValue) {
  auto memo = open(memo_bytes());
  EXPECT_EQ(read(memo.get(), 0), "");
}

TEST_F(DbfMemoFileTest, BlocksInsideTheHeaderOrPastTheEndGiveEmptyText) {
  auto memo = open(memo_bytes());
  EXPECT_EQ(read(memo.get(), 1), "");
  EXPECT_EQ(read(memo.get(), 7), "");
  EXPECT_EQ(read(memo.get(), 1000), "");
  EXPECT_EQ(read(memo.get(), 0xFFFFFFFF), "");
}

TEST_F(DbfMemoFileTest, LengthRunningPastTheEndGivesEmptyText) {
  std::string bytes = memo_bytes();
  put_be32(&bytes, 8 * 64 + 4, 0xFFFFFFF0);  // a length no file holds
  auto memo = open(bytes);
  EXPECT_EQ(read(memo.get(), 8), "");
  put_be32(&bytes, 8 * 64 + 4, static_cast<uint32_t>(bytes.size() - 8 * 64 - 8 + 1));
  memo = open(bytes);
  EXPECT_EQ(read(memo.get(), 8), "");
}

TEST_F(DbfMemoFileTest, ValueEndingExactlyAtEndOfFileIsRead) {
  std::string bytes = memo_bytes();
  bytes.resize(9 * 64 + 8 + 100);
  auto memo = open(bytes);
  EXPECT_EQ(read(memo.get(), 9), std::string(100, 'x'));
  bytes.pop_back();
  memo = open(bytes);
  EXPECT_EQ(read(memo.get(), 9), "");
}

TEST_F(DbfMemoFileTest, ShortHeaderIsCorruption) {
  EXPECT_EQ(open(memo_bytes().substr(0, 100)), nullptr);
  EXPECT_EQ(status_.gencode(), kGenCorruption);
  EXPECT_EQ(status_.filename(), "T.FPT");
  EXPECT_EQ(status_.description(),
            "memo header: file of 100 bytes is shorter than its 512-byte header");
}

TEST_F(DbfMemoFileTest, BlockSizeZeroIsCorruption) {
  std::string bytes = memo_bytes();
  put_be16(&bytes, 6, 0);
  EXPECT_EQ(open(bytes), nullptr);
  EXPECT_EQ(status_.gencode(), kGenCorruption);
  EXPECT_EQ(status_.description(), "memo header: block size 0");
}

TEST_F(DbfMemoFileTest, ValueAppendedAfterOpenIsSeen) {
  auto shared = std::make_shared<std::string>(memo_bytes());
  const std::string complete = *shared;
  shared->resize(9 * 64);  // the second value is not written yet
  auto memo = MemoFile::open(std::make_unique<SharedBytesSource>("T.FPT", shared), &status_);
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(read(memo.get(), 9), "");
  *shared = complete;
  EXPECT_EQ(read(memo.get(), 9), std::string(100, 'x'));
}

}  // namespace
}  // namespace kx::test
