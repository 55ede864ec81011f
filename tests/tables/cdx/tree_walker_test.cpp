// The walker asks the file's size only when something depends on it; what it
// reports about a file that changed size is the same as with a fresh size.
#include "tables/cdx/tree_walker.h"

#include <gtest/gtest.h>

#include <vector>

#include "tables/cdx/cdx_test_util.h"

namespace kx::tables::cdx {
namespace {

using writer::build_cdx;
using writer::CdxLayout;

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
  w.forget_nodes();                          // as a work area does when it sees its table change
  w.seek_first();
  EXPECT_FALSE(w.valid());
  EXPECT_EQ(w.status().gencode(), kGenCorruption);
  EXPECT_EQ(w.status().description(), "tag header " + hex(layout_.tags[0].header_offset) +
                                          ": root " + hex(root) + " lies outside the file (" +
                                          hex(root) + " bytes)");
}

// The pages from the root down to the leaf that holds key.
std::vector<Node> path_to(const std::string& bytes, uint64_t root, const std::string& key) {
  auto source = memory_source("PATH.CDX", bytes);
  std::vector<Node> path;
  uint64_t page = root;
  for (;;) {
    path.emplace_back();
    Node& node = path.back();
    EXPECT_TRUE(read_node(source.get(), page, 4, '\0', &node).ok());
    if (node.is_leaf()) return path;
    size_t pos = 0;
    EXPECT_TRUE(node.find("PATH.CDX", key, false, &pos).ok());
    page = node.child(pos);
  }
}

// Moves the leaf that holds key to a new page at the end of the file, as a
// writer reusing space may, and zeroes its old page; its parent and its
// neighbours point to the new place. The tag header is left as it was.
std::string move_leaf(std::string bytes, uint64_t root, const std::string& key) {
  const std::vector<Node> path = path_to(bytes, root, key);
  EXPECT_GE(path.size(), 2u);
  const Node& leaf = path.back();
  const Node& parent = path[path.size() - 2];
  const uint64_t moved = bytes.size();
  bytes += bytes.substr(leaf.offset, kPageSize);
  bytes.replace(leaf.offset, kPageSize, kPageSize, '\0');
  size_t pos = 0;
  while (parent.child(pos) != leaf.offset) ++pos;
  put_be32(&bytes, parent.offset + kNodeHeaderSize + pos * (4 + kInteriorEntryExtra) + 4 + 4,
           static_cast<uint32_t>(moved));
  if (leaf.left != kNoPage) put_le32(&bytes, leaf.left + kNodeRight, static_cast<uint32_t>(moved));
  if (leaf.right != kNoPage) put_le32(&bytes, leaf.right + kNodeLeft, static_cast<uint32_t>(moved));
  return bytes;
}

TEST_F(CdxTreeWalkerTest, NodesKeptFromEarlierSeeksServeLaterOnesUntilTheTagChanges) {
  TreeWalker w(source_.get(), TreeShape{layout_.tags[0].header_offset, 4, 1, '\0'});
  w.seek_at_least(encode_integer(17));
  ASSERT_TRUE(w.valid());
  const uint64_t first = source_->read_count();  // the tag header and one page per level
  ASSERT_GE(first, 3u);
  w.seek_at_least(encode_integer(18));
  ASSERT_TRUE(w.valid());
  EXPECT_EQ(w.key(), encode_integer(18));
  EXPECT_EQ(source_->read_count(), first + 1);  // only the tag header

  // Another application raised the change counter: every level is read again.
  std::string changed = bytes_;
  put_be32(&changed, layout_.tags[0].header_offset + 8, 7);
  source_->replace(changed);
  uint64_t before = source_->read_count();
  w.seek_at_least(encode_integer(19));
  EXPECT_EQ(source_->read_count() - before, first);

  // So are they after the owner saw the table change.
  w.forget_nodes();
  before = source_->read_count();
  w.seek_at_least(encode_integer(20));
  EXPECT_EQ(source_->read_count() - before, first);
}

TEST_F(CdxTreeWalkerTest, AWalkThatFailsOnKeptNodesIsWalkedAgainFromTheFile) {
  TreeWalker w(source_.get(), TreeShape{layout_.tags[0].header_offset, 4, 1, '\0'});
  // A seek into the leaf left of key 390's keeps the parent they share.
  const std::vector<Node> path = path_to(bytes_, layout_.tags[0].root, encode_integer(390));
  const Node& parent = path[path.size() - 2];
  size_t pos = 0;
  while (parent.child(pos) != path.back().offset) ++pos;
  ASSERT_GT(pos, 0u);
  w.seek_at_least(parent.key(pos - 1));
  ASSERT_TRUE(w.valid());
  // The leaf of key 390 moves while the tag header stays the same: the kept
  // parent points to a page that is now zeros.
  source_->replace(move_leaf(bytes_, layout_.tags[0].root, encode_integer(390)));
  w.seek_at_least(encode_integer(390));
  ASSERT_TRUE(w.valid()) << w.status().description();
  EXPECT_EQ(w.key(), encode_integer(390));
  EXPECT_EQ(w.recno(), 390u);
}

TEST_F(CdxTreeWalkerTest, DamageFoundAgainFromTheFileIsReported) {
  TreeWalker w(source_.get(), TreeShape{layout_.tags[0].header_offset, 4, 1, '\0'});
  w.seek_at_least(encode_integer(1));
  ASSERT_TRUE(w.valid());
  const std::vector<Node> path = path_to(bytes_, layout_.tags[0].root, encode_integer(390));
  std::string damaged = bytes_;
  damaged.replace(path.back().offset, kPageSize, kPageSize, '\0');
  source_->replace(damaged);
  w.seek_at_least(encode_integer(390));
  EXPECT_FALSE(w.valid());
  EXPECT_EQ(w.status().gencode(), kGenCorruption);
  EXPECT_EQ(w.status().description(),
            "page " + hex(path.back().offset) + ": interior node has no entries");
}

}  // namespace
}  // namespace kx::tables::cdx
