// The walker asks the file's size only when something depends on it; what it
// reports about a file that changed size is the same as with a fresh size.
#include "tables/cdx/tree_walker.h"

#include <gtest/gtest.h>

#include "tables/cdx/cdx_test_util.h"

namespace kx::tables::cdx {
namespace {

using test::build_cdx;
using test::CdxLayout;

// Bytes the test can replace, counting the size requests.
class SizeCountingSource : public ByteSource {
 public:
  explicit SizeCountingSource(std::string bytes) : bytes_(std::move(bytes)) {}
  void replace(std::string bytes) { bytes_ = std::move(bytes); }
  int size_calls() const { return size_calls_; }
  const std::string& name() const override { return name_; }
  Status size(uint64_t* size) override {
    ++size_calls_;
    *size = bytes_.size();
    return Status();
  }
  Status read(uint64_t offset, size_t size, void* buffer) override {
    ++reads_;
    if (offset > bytes_.size() || size > bytes_.size() - offset) {
      return Status::read_error(name_, 38, "short read at offset " + std::to_string(offset));
    }
    std::copy(bytes_.data() + offset, bytes_.data() + offset + size, static_cast<char*>(buffer));
    return Status();
  }
  uint64_t read_count() const override { return reads_; }

 private:
  const std::string name_ = "SIZE.CDX";
  std::string bytes_;
  int size_calls_ = 0;
  uint64_t reads_ = 0;
};

class CdxTreeWalkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = build_cdx({integer_tag("ID", 400)}, {4, 4}, &layout_);
    source_ = std::make_unique<SizeCountingSource>(bytes_);
  }
  std::string bytes_;
  CdxLayout layout_;
  std::unique_ptr<SizeCountingSource> source_;
};

TEST_F(CdxTreeWalkerTest, OperationsAfterTheFirstDoNotAskTheSize) {
  TreeWalker w(source_.get(), TreeShape{layout_.tags[0].header_offset, 4, 1, '\0'});
  w.seek_at_least(encode_integer(17));
  ASSERT_TRUE(w.valid());
  EXPECT_EQ(source_->size_calls(), 1);
  w.seek_at_least(encode_integer(300));
  w.seek_first();
  w.seek_last();
  ASSERT_TRUE(w.valid());
  EXPECT_EQ(w.key(), encode_integer(400));
  EXPECT_EQ(source_->size_calls(), 1);
}

TEST_F(CdxTreeWalkerTest, ARootPastTheSizeKnownSoFarIsRead) {
  TreeWalker w(source_.get(), TreeShape{layout_.tags[0].header_offset, 4, 1, '\0'});
  w.seek_first();
  ASSERT_TRUE(w.valid());
  // Re-indexed with more keys: the new root lies past the old end of file.
  CdxLayout grown_layout;
  std::string grown = build_cdx({integer_tag("ID", 900)}, {4, 4}, &grown_layout);
  ASSERT_GT(grown_layout.tags[0].root, bytes_.size());
  ASSERT_EQ(grown_layout.tags[0].header_offset, layout_.tags[0].header_offset);
  source_->replace(std::move(grown));
  w.seek_at_least(encode_integer(850));
  ASSERT_TRUE(w.valid()) << w.status().description();
  EXPECT_EQ(w.key(), encode_integer(850));
}

TEST_F(CdxTreeWalkerTest, AFileThatShrankIsJudgedByItsSizeNow) {
  TreeWalker w(source_.get(), TreeShape{layout_.tags[0].header_offset, 4, 1, '\0'});
  w.seek_first();
  ASSERT_TRUE(w.valid());
  const uint64_t root = layout_.tags[0].root;
  ASSERT_GT(root, layout_.tags[0].header_offset);
  source_->replace(bytes_.substr(0, root));  // the root page is cut off
  w.seek_first();
  EXPECT_FALSE(w.valid());
  EXPECT_EQ(w.status().gencode(), kGenCorruption);
  EXPECT_EQ(w.status().description(), "tag header " + hex(layout_.tags[0].header_offset) +
                                           ": root " + hex(root) + " lies outside the file (" +
                                           hex(root) + " bytes)");
}

}  // namespace
}  // namespace kx::tables::cdx
