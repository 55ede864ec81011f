// The table writer's files follow the layout notes, not only our reader: leaf
// bit layout, compression, separators, sibling links and headers are checked
// byte by byte.
#include "tablewriter/cdx_writer.h"

#include <gtest/gtest.h>

#include "tables/bytes.h"
#include "tables/cdx/cdx_test_util.h"
#include "tables/cdx/node.h"

namespace kx::tables::cdx {
namespace {

using writer::build_cdx;
using writer::CdxLayout;
using writer::CdxTagSpec;

const uint8_t* at(const std::string& bytes, uint64_t offset) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
}

Node decode(const std::string& bytes, uint64_t offset, uint16_t key_length, char fill) {
  Node node;
  Status s = decode_node("W.CDX", offset, at(bytes, offset), key_length, fill, &node);
  EXPECT_TRUE(s.ok()) << s.description();
  return node;
}

TEST(CdxWriterTest, LeafBitLayoutFitsTheLargestRecordNumber) {
  CdxTagSpec small = integer_tag("SMALL", 200);
  CdxTagSpec large = integer_tag("LARGE", 3);
  large.entries[2].recno = 0x8200;
  CdxLayout layout;
  const std::string bytes = build_cdx({small, large}, {}, &layout);
  const uint8_t* leaf = at(bytes, layout.tags[0].levels[0][0]);
  // Key length 4 needs 3 bits each for dup and trail; record 200 needs 8.
  EXPECT_EQ(leaf[21], 3);
  EXPECT_EQ(leaf[22], 3);
  EXPECT_EQ(leaf[23], 2);
  EXPECT_EQ(leaf[20], 10);  // spare bits go to the record number
  EXPECT_EQ(decode_le32(leaf + 14), 0x3FFu);
  EXPECT_EQ(leaf[18], 0x07);
  EXPECT_EQ(leaf[19], 0x07);
  const uint8_t* wide = at(bytes, layout.tags[1].levels[0][0]);
  EXPECT_EQ(wide[23], 3);
  EXPECT_EQ(wide[20], 18);
}

TEST(CdxWriterTest, FreeBytesAccountForEntriesAndStoredKeys) {
  CdxLayout layout;
  const std::string bytes = build_cdx({integer_tag("ID", 300)}, {}, &layout);
  for (uint64_t offset : layout.tags[0].levels[0]) {
    const Node node = decode(bytes, offset, 4, '\0');
    size_t stored = 0;
    for (size_t i = 0; i < node.count(); ++i) stored += 4 - node.dup(i) - node.trail(i);
    const size_t entry_size = at(bytes, offset)[23];
    EXPECT_EQ(decode_le16(at(bytes, offset + 12)), 512 - 24 - entry_size * node.count() - stored);
  }
}

TEST(CdxWriterTest, DuplicateCountIsTakenAgainstThePreviousKeyWithoutItsFill) {
  CdxTagSpec tag = integer_tag("ID", 0);
  tag.entries.push_back({encode_integer(0), 1});  // 80 00 00 00, stored as 80
  tag.entries.push_back({encode_integer(1), 2});  // 80 00 00 01
  CdxLayout layout;
  const std::string bytes = build_cdx({tag}, {}, &layout);
  const Node node = decode(bytes, layout.tags[0].root, 4, '\0');
  ASSERT_EQ(node.count(), 2u);
  EXPECT_EQ(node.dup(0), 0);
  EXPECT_EQ(node.trail(0), 3);
  EXPECT_EQ(node.dup(1), 1);
  EXPECT_EQ(node.trail(1), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(at(bytes, layout.tags[0].root + 508)), 4),
            std::string("\x00\x00\x01\x80", 4));
}

TEST(CdxWriterTest, StoredPartsNeverEndWithTheFill) {
  CdxTagSpec tag;
  tag.name = "NAME";
  tag.key_length = 10;
  const char* names[] = {"A", "AB", "AB", "ABC DEF", "B", ""};
  for (uint32_t i = 0; i < 6; ++i) tag.entries.push_back({writer::char_key(names[i], 10), i + 1});
  CdxLayout layout;
  const std::string bytes = build_cdx({tag}, {}, &layout);
  const Node node = decode(bytes, layout.tags[0].root, 10, ' ');
  for (size_t i = 0; i < node.count(); ++i) {
    const size_t kept = 10 - node.trail(i);
    if (kept > 0) {
      EXPECT_NE(node.key(i)[kept - 1], ' ') << i;
    }
    for (size_t j = kept; j < 10; ++j) EXPECT_EQ(node.key(i)[j], ' ');
  }
}

TEST(CdxWriterTest, SeparatorsAreTheGreatestEntryOfTheirSubtree) {
  CdxLayout layout;
  const std::string bytes = build_cdx({integer_tag("ID", 50)}, {3, 3}, &layout);
  const auto& levels = layout.tags[0].levels;
  ASSERT_GE(levels.size(), 3u);
  for (size_t level = 1; level < levels.size(); ++level) {
    for (uint64_t offset : levels[level]) {
      const Node node = decode(bytes, offset, 4, '\0');
      for (size_t i = 0; i < node.count(); ++i) {
        // Follow the last entries down to the leaf under entry i.
        uint64_t child = node.child(i);
        Node below = decode(bytes, child, 4, '\0');
        while (!below.is_leaf()) below = decode(bytes, below.child(below.count() - 1), 4, '\0');
        EXPECT_EQ(node.key(i), below.key(below.count() - 1));
        EXPECT_EQ(node.recno(i), below.recno(below.count() - 1));
      }
    }
  }
}

TEST(CdxWriterTest, EveryLevelIsAChainOfSiblingsBothWays) {
  CdxLayout layout;
  const std::string bytes = build_cdx({integer_tag("ID", 50)}, {3, 3}, &layout);
  for (const auto& level : layout.tags[0].levels) {
    for (size_t i = 0; i < level.size(); ++i) {
      const Node node = decode(bytes, level[i], 4, '\0');
      EXPECT_EQ(node.left(), i == 0 ? 0xFFFFFFFFu : level[i - 1]);
      EXPECT_EQ(node.right(), i + 1 == level.size() ? 0xFFFFFFFFu : level[i + 1]);
      EXPECT_EQ(node.is_root(), level.size() == 1);
    }
  }
}

TEST(CdxWriterTest, HeadersCarryOptionsExpressionsAndFlags) {
  CdxTagSpec tag = integer_tag("kurs", 2);
  tag.key_expression = "mauang_id";
  tag.for_expression = ".NOT.DELETED()";
  tag.descending = true;
  tag.candidate = true;
  tag.collation = "GENERAL";
  tag.signature = 2;
  CdxLayout layout;
  const std::string bytes = build_cdx({tag}, {}, &layout);
  const uint8_t* header = at(bytes, layout.tags[0].header_offset);
  EXPECT_EQ(decode_le32(header), layout.tags[0].root);
  EXPECT_EQ(decode_le16(header + 12), 4);
  EXPECT_EQ(header[14], 0x6C);
  EXPECT_EQ(header[15], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header + 494)), "GENERAL");
  EXPECT_EQ(decode_le16(header + 502), 1);
  EXPECT_EQ(decode_le16(header + 504), 10);  // FOR after "mauang_id" and its NUL
  EXPECT_EQ(decode_le16(header + 506), 15);
  EXPECT_EQ(decode_le16(header + 508), 0);
  EXPECT_EQ(decode_le16(header + 510), 10);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header + 512)), "mauang_id");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header + 522)), ".NOT.DELETED()");
  const uint8_t* directory = at(bytes, 0);
  EXPECT_EQ(decode_le16(directory + 12), 10);
  EXPECT_EQ(directory[14], 0xE0);
  EXPECT_EQ(directory[15], 1);
  EXPECT_EQ(decode_le16(directory + 506), 1);
  EXPECT_EQ(decode_le16(directory + 510), 1);
}

TEST(CdxWriterTest, DirectoryListsNamesInOrderWithHeaderOffsets) {
  CdxLayout layout;
  const std::string bytes = build_cdx(
      {integer_tag("ZETA", 1), integer_tag("alpha", 1), integer_tag("MID", 1)}, {}, &layout);
  const Node directory = decode(bytes, layout.directory.root, 10, ' ');
  ASSERT_EQ(directory.count(), 3u);
  EXPECT_EQ(directory.key(0), "ALPHA     ");
  EXPECT_EQ(directory.recno(0), layout.tags[1].header_offset);
  EXPECT_EQ(directory.key(1), "MID       ");
  EXPECT_EQ(directory.recno(1), layout.tags[2].header_offset);
  EXPECT_EQ(directory.key(2), "ZETA      ");
  EXPECT_EQ(directory.recno(2), layout.tags[0].header_offset);
  EXPECT_LT(layout.tags[0].header_offset, layout.tags[1].header_offset);
  EXPECT_EQ(bytes.size() % 512, 0u);
}

TEST(CdxWriterTest, ManyTagsGiveTheDirectoryInteriorLevels) {
  std::vector<CdxTagSpec> tags;
  for (int i = 0; i < 60; ++i) tags.push_back(integer_tag("T" + std::to_string(1000 + i), 2));
  CdxLayout layout;
  const std::string bytes = build_cdx(tags, {4, 4}, &layout);
  EXPECT_GE(layout.directory.levels.size(), 2u);
  Status status;
  std::unique_ptr<IndexFile> index = open_bytes(bytes, &status);
  ASSERT_TRUE(index) << status.description();
  ASSERT_EQ(index->tags().size(), 60u);
  EXPECT_EQ(index->tags()[59].name, "T1059");
  EXPECT_EQ(index->find_tag("t1030"), 30);
}

}  // namespace
}  // namespace kx::tables::cdx
