#include "tables/cdx/node.h"

#include <gtest/gtest.h>

#include <array>

#include "tables/cdx/cdx_test_util.h"
#include "tables/cdx/tag_header.h"

namespace kx::tables::cdx {
namespace {

const std::string kOrders = std::string(KX_CORPUS_DIR) + "/foxpro/northwind-orders/orders.cdx";

class CdxNodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Status status;
    source_ = open_file_source(kOrders, false, false, &status);
    ASSERT_TRUE(source_) << status.description();
  }
  Node read(uint64_t offset, uint16_t key_length, char fill) {
    Node node;
    Status s = read_node(source_.get(), offset, key_length, fill, &node);
    EXPECT_TRUE(s.ok()) << s.description();
    return node;
  }
  std::unique_ptr<ByteSource> source_;
};

// The directory leaf decoded byte by byte in the format notes.
TEST_F(CdxNodeTest, DirectoryLeafOfTheWorkedExampleDecodesAsStated) {
  const Node node = read(0x400, 10, ' ');
  EXPECT_TRUE(node.is_root());
  EXPECT_TRUE(node.is_leaf());
  EXPECT_EQ(node.left, 0xFFFFFFFFu);
  EXPECT_EQ(node.right, 0xFFFFFFFFu);
  ASSERT_EQ(node.count, 6u);
  const char* keys[] = {"CUSTOMERID", "EMPLOYEEID", "ORDERDATE ",
                        "ORDERID   ", "SHIPPEDDAT", "SHIPPERID "};
  const uint32_t recnos[] = {0x600, 0x1800, 0xC00, 0x8200, 0x1200, 0x1E00};
  const uint8_t dups[] = {0, 0, 0, 5, 0, 6};
  const uint8_t trails[] = {0, 0, 1, 3, 0, 1};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(node.key(i), keys[i]) << i;
    EXPECT_EQ(node.recno(i), recnos[i]) << i;
    EXPECT_EQ(node.dup(i), dups[i]) << i;
    EXPECT_EQ(node.trail(i), trails[i]) << i;
  }
}

TEST_F(CdxNodeTest, NullableDateLeafRestoresTrailingNuls) {
  const Node node = read(0x3400, 9, '\0');
  ASSERT_GE(node.count, 4u);
  const std::string k0("\x80\xc1\x42\xb1\xae\x80\x00\x00\x00", 9);
  const std::string k1("\x80\xc1\x42\xb1\xaf\x00\x00\x00\x00", 9);
  const std::string k2("\x80\xc1\x42\xb1\xb0\x80\x00\x00\x00", 9);
  EXPECT_EQ(node.key(0), k0);
  EXPECT_EQ(node.key(1), k1);
  EXPECT_EQ(node.key(2), k2);
  EXPECT_EQ(node.key(3), k2);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(node.recno(i), i + 1);
  EXPECT_EQ(node.dup(3), 6);
  EXPECT_EQ(node.trail(3), 3);
}

TEST_F(CdxNodeTest, InteriorEntriesCarryBigEndianRecordAndChild) {
  const Node node = read(0x1000, 9, '\0');
  EXPECT_FALSE(node.is_leaf());
  ASSERT_GE(node.count, 1u);
  EXPECT_EQ(node.key(0), std::string("\x80\xc1\x42\xb2\x0f\x00\x00\x00\x00", 9));
  EXPECT_EQ(node.recno(0), 165u);
  EXPECT_EQ(node.child(0), 0x3400u);
}

TEST_F(CdxNodeTest, TagHeaderOfTheWorkedExample) {
  uint64_t size = 0;
  ASSERT_TRUE(source_->size(&size).ok());
  TagHeader header;
  ASSERT_TRUE(read_tag_header(source_.get(), 0x8200, size, true, &header).ok());
  EXPECT_EQ(header.root, 0x8600u);
  EXPECT_EQ(header.key_length, 4);
  EXPECT_EQ(header.options, 0x64);
  EXPECT_EQ(header.key_expression, "orderid");
  EXPECT_EQ(header.for_expression, "");
  TagHeader directory;
  ASSERT_TRUE(read_tag_header(source_.get(), 0, size, true, &directory).ok());
  EXPECT_EQ(directory.root, 0x400u);
  EXPECT_EQ(directory.key_length, 10);
  EXPECT_EQ(directory.options, 0xE0);
  EXPECT_EQ(directory.signature, 1);
  EXPECT_EQ(directory.key_expression, "");
}

// A leaf page built by hand: one field is damaged per test.
class CdxLeafDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page_.fill(0);
    page_[0] = 3;  // root leaf
    page_[2] = 2;  // two entries
    for (int i = 4; i < 12; ++i) page_[i] = 0xFF;
    page_[14] = 0xFF;  // record mask, 8 bits
    page_[18] = 0x0F;  // dup mask
    page_[19] = 0x0F;  // trail mask
    page_[20] = 8;
    page_[21] = 4;
    page_[22] = 4;
    page_[23] = 2;  // two bytes per entry
    // "AB" + 8 blanks for record 1, then "AC" sharing one byte.
    set_entry(0, 1, 0, 8);
    set_entry(1, 2, 1, 8);
    page_[510] = 'A';
    page_[511] = 'B';
    page_[509] = 'C';
  }
  void set_entry(size_t i, uint32_t recno, uint32_t dup, uint32_t trail) {
    const uint32_t v = recno | (dup << 8) | (trail << 12);
    page_[24 + 2 * i] = v & 0xFF;
    page_[25 + 2 * i] = (v >> 8) & 0xFF;
  }
  Status decode(Node* node) { return decode_node("X.CDX", 0x1400, page_.data(), 10, ' ', node); }
  std::string error() {
    Node node;
    Status s = decode(&node);
    EXPECT_EQ(s.gencode(), kGenCorruption);
    EXPECT_EQ(s.filename(), "X.CDX");
    return s.description();
  }
  std::array<uint8_t, 512> page_;
};

TEST_F(CdxLeafDamageTest, UndamagedPageDecodes) {
  Node node;
  ASSERT_TRUE(decode(&node).ok());
  EXPECT_EQ(node.key(0), "AB        ");
  EXPECT_EQ(node.key(1), "AC        ");
}

TEST_F(CdxLeafDamageTest, KeyCountBeyondTheEntryRoom) {
  page_[2] = 245;
  EXPECT_EQ(error(), "page 0x1400: key count 245 exceeds room for 244");
}

TEST_F(CdxLeafDamageTest, BitLayoutWiderThanTheEntry) {
  page_[20] = 9;
  page_[14] = 0xFF;
  page_[15] = 0x01;
  EXPECT_EQ(error(), "page 0x1400: bit layout 9/4/4 does not fit 2-byte entries");
}

TEST_F(CdxLeafDamageTest, MaskThatDisagreesWithItsBitCount) {
  page_[18] = 0x07;
  EXPECT_EQ(error(), "page 0x1400: masks do not match the bit layout");
}

TEST_F(CdxLeafDamageTest, EntrySizeOutOfRange) {
  page_[23] = 0;
  EXPECT_EQ(error(), "page 0x1400: entry size 0 out of range 1 to 8");
}

TEST_F(CdxLeafDamageTest, CountsLongerThanTheKey) {
  set_entry(1, 2, 5, 6);
  EXPECT_EQ(error(),
            "page 0x1400: entry 1: duplicate count 5 and trailing count 6 exceed key length 10");
}

TEST_F(CdxLeafDamageTest, FirstEntrySharingBytes) {
  set_entry(0, 1, 1, 8);
  EXPECT_EQ(error(), "page 0x1400: entry 0: first key shares bytes with no previous key");
}

TEST_F(CdxLeafDamageTest, StoredBytesRunningIntoTheEntries) {
  page_[2] = 240;  // 240 entries of 2 bytes leave 8 bytes for keys
  for (size_t i = 0; i < 240; ++i) set_entry(i, 1, 0, 0);
  EXPECT_EQ(error(), "page 0x1400: entry 0: key bytes run into the entry array");
}

TEST_F(CdxLeafDamageTest, KeysOutOfOrder) {
  page_[509] = 'A';  // "AA" after "AB"
  EXPECT_EQ(error(), "page 0x1400: entry 1: key out of order");
}

TEST_F(CdxLeafDamageTest, AttributesThatNoNodeHas) {
  page_[1] = 0x04;
  EXPECT_EQ(error(), "page 0x1400: attributes 0x403 are not those of a node");
}

TEST_F(CdxLeafDamageTest, InteriorKeyCountBeyondItsRoom) {
  page_[0] = 0;  // interior: 500 / (10 + 8) = 27 entries fit
  page_[2] = 90;
  EXPECT_EQ(error(), "page 0x1400: key count 90 exceeds room for 27");
}

TEST_F(CdxLeafDamageTest, InteriorWithoutEntries) {
  page_[0] = 0;
  page_[2] = 0;
  EXPECT_EQ(error(), "page 0x1400: interior node has no entries");
}

TEST(CdxPointerTest, EveryKindOfBadPointerIsNamed) {
  EXPECT_TRUE(check_pointer("X.CDX", "page 0x400", "child", 0x600, 0x800).ok());
  EXPECT_EQ(check_pointer("X.CDX", "page 0x400", "child", 0x601, 0x800).description(),
            "page 0x400: child 0x601 is not on a page boundary");
  EXPECT_EQ(check_pointer("X.CDX", "page 0x400", "child", 0x200, 0x800).description(),
            "page 0x400: child 0x200 points into the directory header");
  EXPECT_EQ(check_pointer("X.CDX", "page 0x400", "right sibling", 0x800, 0x800).description(),
            "page 0x400: right sibling 0x800 lies outside the file (0x800 bytes)");
  EXPECT_EQ(check_pointer("X.CDX", "page 0x400", "child", 0xFFFFFE00u, 0x800).gencode(),
            kGenCorruption);
}

}  // namespace
}  // namespace kx::tables::cdx
