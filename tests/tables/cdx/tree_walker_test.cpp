// The walker reads each page once a run and learns the file's size from its
// reads; a walk over kept pages that disagree with the file is walked again
// from the file, and damage that stays is reported as it was found.
#include "tables/cdx/tree_walker.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/memory_file.h"
#include "support/testing/fake_env.h"
#include "tables/cdx/cdx_test_util.h"

namespace kx::tables::cdx {
namespace {

using writer::build_cdx;
using writer::CdxLayout;

class CdxTreeWalkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = build_cdx({integer_tag("ID", 400)}, {4, 4}, &layout_);
    auto file = test::memory_file("WALK.CDX", bytes_);
    file_ = file.get();
    paged_ = std::make_unique<PagedFile>(std::move(file));
  }
  TreeShape shape() const { return TreeShape{layout_.tags[0].header_offset, 4, 1, '\0'}; }

  test::FakeEnv fake_;  // waits are recorded, not slept
  std::string bytes_;
  CdxLayout layout_;
  test::MemoryFile* file_ = nullptr;
  std::unique_ptr<PagedFile> paged_;
};

TEST_F(CdxTreeWalkerTest, PagesAreReadOnceAndTheSizeIsNeverAsked) {
  TreeWalker w(paged_.get(), shape());
  w.seek_at_least(encode_integer(17));
  ASSERT_TRUE(w.valid());
  const uint64_t first = file_->reads();  // the header and one page run per level
  EXPECT_GE(first, 3u);
  w.seek_at_least(encode_integer(18));  // the same leaf
  w.seek_at_least(encode_integer(17));
  EXPECT_EQ(file_->reads(), first);
  w.seek_last();
  ASSERT_TRUE(w.valid());
  EXPECT_EQ(w.key(), encode_integer(400));
  EXPECT_GT(file_->reads(), first);
  const uint64_t after_last = file_->reads();
  w.seek_last();
  EXPECT_EQ(file_->reads(), after_last);
  EXPECT_EQ(file_->sizes(), 0u);
  EXPECT_TRUE(fake_.sleeps.empty());
}

// The pages from the root down to the leaf that holds key.
std::vector<Node> path_to(const std::string& bytes, uint64_t root, const std::string& key) {
  PagedFile file(test::memory_file("PATH.CDX", bytes));
  std::vector<Node> path;
  uint64_t page = root;
  for (;;) {
    path.emplace_back();
    Node& node = path.back();
    EXPECT_TRUE(read_node(&file, page, 4, '\0', &node).ok());
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
  bytes += bytes.substr(leaf.offset(), kPageSize);
  bytes.replace(leaf.offset(), kPageSize, kPageSize, '\0');
  size_t pos = 0;
  while (parent.child(pos) != leaf.offset()) ++pos;
  put_be32(&bytes, parent.offset() + kNodeHeaderSize + pos * (4 + kInteriorEntryExtra) + 4 + 4,
           static_cast<uint32_t>(moved));
  if (leaf.left() != kNoPage) {
    put_le32(&bytes, leaf.left() + kNodeRight, static_cast<uint32_t>(moved));
  }
  if (leaf.right() != kNoPage) {
    put_le32(&bytes, leaf.right() + kNodeLeft, static_cast<uint32_t>(moved));
  }
  return bytes;
}

TEST_F(CdxTreeWalkerTest, AWalkThatFailsOnKeptPagesIsWalkedAgainFromTheFile) {
  TreeWalker w(paged_.get(), shape());
  // A seek into the leaf left of key 390's keeps the parent they share.
  const std::vector<Node> path = path_to(bytes_, layout_.tags[0].root, encode_integer(390));
  const Node& parent = path[path.size() - 2];
  size_t pos = 0;
  while (parent.child(pos) != path.back().offset()) ++pos;
  ASSERT_GT(pos, 0u);
  w.seek_at_least(parent.key(pos - 1));
  ASSERT_TRUE(w.valid());
  // The leaf of key 390 moves: the kept parent points to a page that is now
  // zeros, and only the parent read again knows where it went.
  file_->bytes() = move_leaf(bytes_, layout_.tags[0].root, encode_integer(390));
  w.seek_at_least(encode_integer(390));
  ASSERT_TRUE(w.valid()) << w.status().description();
  EXPECT_EQ(w.key(), encode_integer(390));
  EXPECT_EQ(w.recno(), 390u);
  EXPECT_TRUE(fake_.sleeps.empty());
}

// A leaf that stays zeros however often it is read again (a page the writer
// seems not to have written yet, whose keys no other page holds) is damage:
// it is reported as found, after a short time of waiting for a change that
// does not come, and the error sticks.
TEST_F(CdxTreeWalkerTest, DamageThatStaysIsReportedAfterWaitingBriefly) {
  TreeWalker w(paged_.get(), shape());
  w.seek_at_least(encode_integer(1));
  ASSERT_TRUE(w.valid());
  const std::vector<Node> path = path_to(bytes_, layout_.tags[0].root, encode_integer(390));
  file_->bytes().replace(path.back().offset(), kPageSize, kPageSize, '\0');
  w.seek_at_least(encode_integer(390));
  EXPECT_FALSE(w.valid());
  EXPECT_EQ(w.status().gencode(), kGenCorruption);

  uint32_t waited = 0;
  for (const uint32_t ms : fake_.sleeps) waited += ms;
  EXPECT_GE(waited, kQuietMs);
  EXPECT_LT(waited, kMaxWaitMs);
  w.seek_first();
  EXPECT_FALSE(w.valid());
}

// Pages kept give the tree as it was when they were read; a page the walk
// has not read yet is judged by the file as it is now.
TEST_F(CdxTreeWalkerTest, AFileCutShortKeepsItsKeptPagesAndJudgesTheRestByItsSizeNow) {
  TreeWalker w(paged_.get(), shape());
  w.seek_first();
  ASSERT_TRUE(w.valid());
  const uint64_t last_leaf = layout_.tags[0].levels[0].back();
  file_->bytes().resize(last_leaf);
  w.seek_first();
  ASSERT_TRUE(w.valid());
  EXPECT_EQ(w.key(), encode_integer(1));
  w.seek_at_least(encode_integer(400));
  EXPECT_FALSE(w.valid());
  EXPECT_EQ(w.status().gencode(), kGenCorruption);
  EXPECT_NE(w.status().description().find(" lies outside the file (" + hex(last_leaf) + " bytes)"),
            std::string::npos)
      << w.status().description();
}

// A step that fails finds its entry again from the root; in an index that
// holds one entry twice, that is the first copy, from which the walk comes
// back to the step that fails. Such a walk ends as damage.
TEST(CdxTreeWalkerCircleTest, AStepThatKeepsFindingAnEarlierCopyOfItsEntryEnds) {
  test::FakeEnv fake;
  writer::CdxTagSpec tag = integer_tag("ID", 8);
  tag.entries.insert(tag.entries.begin() + 3, tag.entries[2]);  // key 3, record 3 twice
  CdxLayout layout;
  std::string bytes = build_cdx({tag}, {4, 4}, &layout);
  const uint64_t second_leaf = layout.tags[0].levels[0][1];
  put_le32(&bytes, second_leaf + kNodeLeft, kNoPage);  // its back link no longer points back
  PagedFile file(test::memory_file("LOOP.CDX", bytes));
  TreeWalker w(&file, TreeShape{layout.tags[0].header_offset, 4, 1, '\0'});
  size_t steps = 0;
  for (w.seek_first(); w.valid() && steps < 10000; w.next()) ++steps;
  EXPECT_FALSE(w.valid());
  EXPECT_LT(steps, 100u);
  EXPECT_EQ(w.status().gencode(), kGenCorruption) << w.status().description();
}

}  // namespace
}  // namespace kx::tables::cdx
