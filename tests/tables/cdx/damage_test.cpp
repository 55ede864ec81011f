// Damaged indexes: one field per test, each giving its exact error; and
// sweeps that cut or overwrite a valid index everywhere.
#include <gtest/gtest.h>

#include "tables/cdx/cdx_test_util.h"
#include "tables/cdx/node.h"

namespace kx::tables::cdx {
namespace {

using writer::build_cdx;
using writer::CdxLayout;
using writer::CdxTagSpec;

constexpr size_t kKeyLength = 4;
constexpr size_t kEntry = kKeyLength + 8;  // interior entry size

class CdxDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 40 keys, four to a node: ten leaves, three interior nodes and a root.
    bytes_ = build_cdx({integer_tag("ID", 40), integer_tag("OTHER", 3)}, {4, 4}, &layout_);
    ASSERT_EQ(tree().levels.size(), 3u);
  }
  const writer::CdxTreeLayout& tree() const { return layout_.tags[0]; }
  uint64_t root() const { return tree().root; }
  uint64_t leaf(size_t i) const { return tree().levels[0][i]; }
  uint64_t interior(size_t i) const { return tree().levels[1][i]; }
  // The child pointer of entry i of the interior node at page.
  uint64_t child_field(uint64_t page, size_t i) const {
    return page + 12 + i * kEntry + kKeyLength + 4;
  }

  // Opens the damaged bytes; the first tag's cursor then runs op.
  std::string cursor_error(void (*op)(TagCursor*)) {
    Status status;
    std::unique_ptr<IndexFile> index = open_bytes(bytes_, &status, "M_KURSMA.CDX");
    if (!index) return "open failed: " + status.description();
    std::unique_ptr<TagCursor> cursor = index->cursor(0);
    op(cursor.get());
    EXPECT_FALSE(cursor->valid());
    EXPECT_EQ(cursor->status().gencode(), kGenCorruption);
    EXPECT_EQ(cursor->status().filename(), "M_KURSMA.CDX");
    return cursor->status().description();
  }
  std::string open_error() {
    Status status;
    std::unique_ptr<IndexFile> index = open_bytes(bytes_, &status);
    EXPECT_FALSE(index);
    EXPECT_EQ(status.gencode(), kGenCorruption);
    return status.description();
  }
  static void first(TagCursor* c) { c->seek_first(); }
  static void walk_forward(TagCursor* c) {
    for (c->seek_first(); c->valid();) c->next();
  }
  static void walk_backward(TagCursor* c) {
    for (c->seek_last(); c->valid();) c->prev();
  }

  std::string bytes_;
  CdxLayout layout_;
};

TEST_F(CdxDamageTest, RootOutsideTheFile) {
  put_le32(&bytes_, tree().header_offset, static_cast<uint32_t>(bytes_.size()));
  EXPECT_EQ(cursor_error(first), "tag header 0x400: root " + hex(bytes_.size()) +
                                     " lies outside the file (" + hex(bytes_.size()) + " bytes)");
}

TEST_F(CdxDamageTest, ChildNotOnAPageBoundary) {
  put_be32(&bytes_, child_field(root(), 0), static_cast<uint32_t>(interior(0) + 8));
  EXPECT_EQ(cursor_error(first), "page " + hex(root()) + ": child " + hex(interior(0) + 8) +
                                     " is not on a page boundary");
}

TEST_F(CdxDamageTest, ChildOutsideTheFile) {
  put_be32(&bytes_, child_field(interior(0), 1), 0x00100000);
  EXPECT_EQ(cursor_error([](TagCursor* c) { c->seek(encode_integer(6)); }),
            "page " + hex(interior(0)) + ": child 0x100000 lies outside the file (" +
                hex(bytes_.size()) + " bytes)");
}

TEST_F(CdxDamageTest, ChildInsideTheDirectoryHeader) {
  put_be32(&bytes_, child_field(root(), 0), 0x200);
  EXPECT_EQ(cursor_error(first),
            "page " + hex(root()) + ": child 0x200 points into the directory header");
}

TEST_F(CdxDamageTest, ChildThatIsAnotherTagsRoot) {
  put_be32(&bytes_, child_field(root(), 0), static_cast<uint32_t>(layout_.tags[1].root));
  EXPECT_EQ(cursor_error(first), "page " + hex(root()) + ": child " + hex(layout_.tags[1].root) +
                                     " is marked as a root");
}

TEST_F(CdxDamageTest, ChildThatIsATagHeader) {
  put_be32(&bytes_, child_field(root(), 0), static_cast<uint32_t>(layout_.tags[1].header_offset));
  // A header read as a node: its root pointer gives attributes no node has.
  const uint32_t attributes = static_cast<uint32_t>(layout_.tags[1].root & 0xFFFF);
  EXPECT_EQ(cursor_error(first), "page " + hex(layout_.tags[1].header_offset) + ": attributes " +
                                     hex(attributes) + " are not those of a node");
}

TEST_F(CdxDamageTest, SiblingThatIsNotALeaf) {
  put_le32(&bytes_, leaf(0) + 8, static_cast<uint32_t>(interior(1)));
  EXPECT_EQ(cursor_error(walk_forward),
            "page " + hex(leaf(0)) + ": right sibling " + hex(interior(1)) + " is not a leaf");
}

TEST_F(CdxDamageTest, KeyCountThatDoesNotFit) {
  put_le16(&bytes_, root() + 2, 90);
  EXPECT_EQ(cursor_error(first), "page " + hex(root()) + ": key count 90 exceeds room for 41");
}

TEST_F(CdxDamageTest, SiblingLoopBackToTheFirstLeaf) {
  put_le32(&bytes_, leaf(9) + 8, static_cast<uint32_t>(leaf(0)));
  EXPECT_EQ(cursor_error(walk_forward),
            "page " + hex(leaf(0)) + ": left sibling none does not point back to " + hex(leaf(9)));
}

TEST_F(CdxDamageTest, LeftSiblingThatDoesNotMirror) {
  put_le32(&bytes_, leaf(5) + 4, static_cast<uint32_t>(leaf(3)));
  // Walking backwards from leaf 5 reaches leaf 3, whose right sibling is leaf 4.
  EXPECT_EQ(cursor_error(walk_backward), "page " + hex(leaf(3)) + ": right sibling " +
                                             hex(leaf(4)) + " does not point back to " +
                                             hex(leaf(5)));
}

TEST_F(CdxDamageTest, ChildLoopBackToTheRoot) {
  put_be32(&bytes_, child_field(interior(0), 0), static_cast<uint32_t>(root()));
  EXPECT_EQ(cursor_error(first),
            "page " + hex(interior(0)) + ": child " + hex(root()) + " loops back to an ancestor");
}

TEST_F(CdxDamageTest, ChildLoopToItself) {
  const size_t last = static_cast<uint8_t>(bytes_[interior(2) + 2]) - 1;
  put_be32(&bytes_, child_field(interior(2), last), static_cast<uint32_t>(interior(2)));
  EXPECT_EQ(
      cursor_error([](TagCursor* c) { c->seek_last(); }),
      "page " + hex(interior(2)) + ": child " + hex(interior(2)) + " loops back to an ancestor");
}

TEST_F(CdxDamageTest, ChainOfInteriorNodesDeeperThanTheLimit) {
  // Forty one-entry interior nodes, each the only child of the one before.
  const uint64_t base = bytes_.size();
  bytes_.resize(base + 40 * 512, '\0');
  for (uint64_t i = 0; i < 40; ++i) {
    const uint64_t page = base + i * 512;
    put_le16(&bytes_, page, i == 0 ? 1 : 0);
    put_le16(&bytes_, page + 2, 1);
    put_le32(&bytes_, page + 4, 0xFFFFFFFF);
    put_le32(&bytes_, page + 8, 0xFFFFFFFF);
    put_be32(&bytes_, page + 12 + kKeyLength, 1);
    put_be32(&bytes_, child_field(page, 0), static_cast<uint32_t>(page + 512));
  }
  put_le32(&bytes_, tree().header_offset, static_cast<uint32_t>(base));
  EXPECT_EQ(cursor_error(first), "page " + hex(base + 31 * 512) + ": tree deeper than 32 levels");
}

TEST_F(CdxDamageTest, RingOfEqualKeysIsStoppedByTheHopLimit) {
  CdxTagSpec tag = integer_tag("SAME", 0);
  for (uint32_t i = 1; i <= 8; ++i) tag.entries.push_back({encode_integer(5), i});
  bytes_ = build_cdx({tag}, {2, 2}, &layout_);
  const auto& leaves = tree().levels[0];
  put_le32(&bytes_, leaves.back() + 8, static_cast<uint32_t>(leaves.front()));
  put_le32(&bytes_, leaves.front() + 4, static_cast<uint32_t>(leaves.back()));
  const std::string error = cursor_error(walk_forward);
  EXPECT_NE(error.find(": sibling chain runs longer than the file has pages"), std::string::npos)
      << error;
}

TEST_F(CdxDamageTest, TagHeaderKeyLengthOutOfRange) {
  put_le16(&bytes_, tree().header_offset + 12, 0);
  EXPECT_EQ(open_error(), "tag header 0x400: key length 0 out of range 1 to 240");
}

TEST_F(CdxDamageTest, TagHeaderWithoutCompactBits) {
  bytes_[tree().header_offset + 14] = 0x04;
  EXPECT_EQ(open_error(), "tag header 0x400: options 0x4 lack the compact and compound bits");
}

TEST_F(CdxDamageTest, KeyExpressionRunningPastItsPage) {
  put_le16(&bytes_, tree().header_offset + 510, 600);
  EXPECT_EQ(open_error(),
            "tag header 0x400: key expression (offset 0, length 600) runs past its page");
}

TEST_F(CdxDamageTest, DirectoryKeyLengthOtherThanTen) {
  put_le16(&bytes_, 12, 12);
  EXPECT_EQ(open_error(), "directory header: key length 12, expected 10");
}

TEST_F(CdxDamageTest, DirectoryRootOutsideTheFile) {
  put_le32(&bytes_, 0, 0x7FFFFE00);
  EXPECT_EQ(open_error(), "directory header: root 0x7FFFFE00 lies outside the file (" +
                              hex(bytes_.size()) + " bytes)");
}

TEST_F(CdxDamageTest, DirectoryEntryPointingPastTheEnd) {
  // The directory leaf's first entry: record number in the low bits.
  const uint64_t dir = layout_.directory.root;
  const uint8_t recno_bits = static_cast<uint8_t>(bytes_[dir + 20]);
  const size_t entry_size = static_cast<uint8_t>(bytes_[dir + 23]);
  uint64_t v = 0;
  for (size_t i = 0; i < entry_size; ++i)
    v |= static_cast<uint64_t>(static_cast<uint8_t>(bytes_[dir + 24 + i])) << (8 * i);
  const uint64_t mask = (uint64_t{1} << recno_bits) - 1;
  v = (v & ~mask) | (mask & ~uint64_t{511});
  for (size_t i = 0; i < entry_size; ++i)
    bytes_[dir + 24 + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  EXPECT_EQ(open_error(), "tag header " + hex(mask & ~uint64_t{511}) + " lies outside the file (" +
                              hex(bytes_.size()) + " bytes)");
}

// Everything a damaged file can lead to: an error of the two kinds, or an
// index whose walks end.
void exercise(const std::string& bytes) {
  Status status;
  std::unique_ptr<IndexFile> index = open_bytes(bytes, &status);
  if (!index) {
    ASSERT_TRUE(status.gencode() == kGenCorruption || status.gencode() == kGenRead)
        << status.description();
    return;
  }
  for (size_t t = 0; t < index->tags().size(); ++t) {
    std::unique_ptr<TagCursor> cursor = index->cursor(t);
    const size_t forward = walk(cursor.get(), true, 1000).size();
    const size_t backward = walk(cursor.get(), false, 1000).size();
    ASSERT_LT(forward, 1000u);
    ASSERT_LT(backward, 1000u);
    cursor->seek(encode_integer(17));
    cursor->seek("B");
    uint64_t count = 0;
    Status counted = index->key_count(t, &count);
    for (const Status* s : {&cursor->status(), static_cast<const Status*>(&counted)}) {
      ASSERT_TRUE(s->ok() || s->gencode() == kGenCorruption || s->gencode() == kGenRead)
          << s->description();
    }
  }
}

// Two tags of depth 3, one of them with compressed character keys.
std::string sweep_input(CdxLayout* layout = nullptr) {
  CdxTagSpec names;
  names.name = "NAME";
  names.key_length = 8;
  for (uint32_t i = 1; i <= 12; ++i) {
    names.entries.push_back(
        {writer::char_key(std::string(1 + i % 5, static_cast<char>('A' + i % 7)), 8), i});
  }
  return build_cdx({integer_tag("ID", 20), names}, {3, 2}, layout);
}

// Bytes of a header that the reader never looks at.
bool ignored_header_byte(const CdxLayout& layout, size_t at) {
  std::vector<uint64_t> headers = {0};
  for (const auto& tag : layout.tags) headers.push_back(tag.header_offset);
  for (uint64_t h : headers) {
    if (at >= h + 16 && at < h + 494) return true;
  }
  return false;
}

TEST(CdxTruncationTest, EveryCutGivesACleanResult) {
  const std::string bytes = sweep_input();
  for (size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(length);
    exercise(bytes.substr(0, length));
    if (HasFatalFailure()) return;
  }
}

TEST(CdxTruncationTest, CutsBeforeTheHeaderEndFailToOpen) {
  const std::string bytes = sweep_input();
  for (size_t length : {0, 1, 511, 512, 1023}) {
    Status status;
    EXPECT_FALSE(open_bytes(bytes.substr(0, length), &status));
    EXPECT_EQ(status.gencode(), kGenCorruption);
  }
}

TEST(CdxOverwriteTest, EveryByteInvertedGivesACleanResult) {
  CdxLayout layout;
  const std::string bytes = sweep_input(&layout);
  for (size_t at = 0; at < bytes.size(); ++at) {
    if (ignored_header_byte(layout, at)) continue;
    SCOPED_TRACE(at);
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(~damaged[at]);
    exercise(damaged);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace kx::tables::cdx
