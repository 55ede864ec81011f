#include "tables/cdx/node.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <random>
#include <utility>

#include "support/memory_file.h"
#include "support/testing/corpus.h"
#include "tables/cdx/cdx_test_util.h"
#include "tables/cdx/node_memo.h"
#include "tables/cdx/tag_header.h"

namespace kx::tables::cdx {
namespace {

// The worked example is northwind-orders/orders.cdx of the corpus (37,888
// bytes). These tests read its directory header (0x0) and leaf (0x400), an
// ORDERDATE interior node (0x1000) and leaf (0x3400) and the ORDERID tag
// header (0x8200), so they carry those bytes: runs of them, zeros between.
struct ByteRun {
  size_t offset;
  const char* hex;
};
// clang-format off
const ByteRun kWorkedExample[] = {
    {0x0001, "04"},
    {0x000c, "0a00e001"},
    {0x01f8, "01000100000001"},
    {0x0400,
        "03000600ffffffffffffffffaa01ffff00000f0f10040403000600001800000c10008235001200001e16"},
    {0x05d4,
        "5249445348495050454444415449444f5244455244415445454d504c4f5945454944435553544f4d45524944"},
    {0x1000,
        "01000600ffffffffffffffff80c142b20f00000000000000a50000340080c142b24e00000000000001250000"
        "320080c142b28980000000000001a60000460080c142b2be000000000000022b0000500080c142b2e2000000"
        "00000002b800005a0080c142b2fe000000000000033e0000640080c142b2e2000000000000029e00005e0080"
        "c142b2e58000000000000299000062"},
    {0x11c7,
        "80c142b24402004800005e0000ffffffffee00ffff00000f0f100404035e0240630245390235450236600236"
        "6502365f024443023544023662"},
    {0x3400,
        "0200a500ffffffff003200000000ff0000000f0f080404020130024403340436054406350744083509440a35"
        "0b440c350d440e450f3410441135124413351444153516441735183619441a341b441c351d441e351f442035"
        "2144224523352444253426442735284429352a442b352c362d442e352f443034314432353344343535443645"
        "3735384439353a443b343c443d353e443f3540364144423543444435454446344744483549444a454b354c44"
        "4d354e444f3550445134524453355436554456355744583559445a355b445c345d445e455f35604461356244"
        "63356444653566446734683669446a356b446c356d446e356f44703571447245733474447545763577447845"
        "79357a447b357c367d447e357f3680448134823683448435854486458735884389458a358b448c458d358e44"
        "8f3490369144923593369444953596369744983599449a459b359c449d459e349f44a045a135a244a335a436"
        "a5440f800d800c0b800a8009800880068005048003800280b20180ff80fefd80fc80fb80fa80f880f7f680f5"
        "80f480f380f180f0ef80ee80ed80ec80ea80e9e880e780e680e580e380e2e180e080df80de80dc80dbda80d9"
        "80d880d780d580d4d380d280d180d080ce80cdcc80cb80ca80c980c780c6c580c480c380c280c080bfbe80bd"
        "80bc80bb80b980b8b780b680b580b480b280b1b080af80c142b1ae80"},
    {0x8201, "86"},
    {0x820c, "040064013e0300003e0300003d03"},
    {0x83f8, "08000100000008006f726465726964"},
};
// clang-format on
constexpr size_t kWorkedExampleSize = 37888;
const std::pair<size_t, size_t> kWorkedExampleRanges[] = {
    {0x0, 1024}, {0x400, 512}, {0x1000, 512}, {0x3400, 512}, {0x8200, 1024}};

std::string worked_example_image() {
  std::string image(kWorkedExampleSize, '\0');
  for (const ByteRun& run : kWorkedExample) {
    const std::string hex = run.hex;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
      image[run.offset + i / 2] = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
  }
  return image;
}

class CdxNodeTest : public ::testing::Test {
 protected:
  Node read(uint64_t offset, uint16_t key_length, char fill) {
    Node node;
    Status s = read_node(&file_, offset, key_length, fill, &node);
    EXPECT_TRUE(s.ok()) << s.description();
    return node;
  }
  PagedFile file_{test::memory_file("orders.cdx", worked_example_image())};
};

// The directory leaf decoded byte by byte in the format notes.
TEST_F(CdxNodeTest, DirectoryLeafOfTheWorkedExampleDecodesAsStated) {
  const Node node = read(0x400, 10, ' ');
  EXPECT_TRUE(node.is_root());
  EXPECT_TRUE(node.is_leaf());
  EXPECT_EQ(node.left(), 0xFFFFFFFFu);
  EXPECT_EQ(node.right(), 0xFFFFFFFFu);
  ASSERT_EQ(node.count(), 6u);
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
  ASSERT_GE(node.count(), 4u);
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
  ASSERT_GE(node.count(), 1u);
  EXPECT_EQ(node.key(0), std::string("\x80\xc1\x42\xb2\x0f\x00\x00\x00\x00", 9));
  EXPECT_EQ(node.recno(0), 165u);
  EXPECT_EQ(node.child(0), 0x3400u);
}

// A node kept in a memo is taken only for the very bytes it was made from: a
// page rewritten in place (the directory leaf with one key changed) is
// checked and decoded anew, and a damaged rewrite fails as it would without
// the memo.
TEST(CdxNodeMemoTest, ANodeIsTakenOnlyForTheBytesItWasMadeFrom) {
  auto bytes = std::make_shared<std::string>(worked_example_image());
  PagedFile file(std::make_unique<test::MemoryFile>("orders.cdx", bytes));
  NodeMemo memo;
  auto read_fresh = [&](Node* node) {
    return read_node_header(&file, 0x400, 10, ' ', node, PagedFile::Freshness::kFromFile, 0, &memo);
  };
  Node first;
  ASSERT_TRUE(read_fresh(&first).ok());
  ASSERT_TRUE(first.decode_all("orders.cdx").ok());
  memo.keep(first);

  Node again;
  ASSERT_TRUE(read_fresh(&again).ok());
  EXPECT_EQ(again.decoded(), 6u);  // taken whole from the memo
  EXPECT_EQ(again.key(5), "SHIPPERID ");

  // The last key's stored bytes come first in the page: "RID" of SHIPPE+RID.
  (*bytes)[0x5d4] = 'A';
  Node rewritten;
  ASSERT_TRUE(read_fresh(&rewritten).ok());
  EXPECT_EQ(rewritten.decoded(), 0u);
  Status s = rewritten.decode_all("orders.cdx");
  EXPECT_FALSE(s.ok()) << "SHIPPEAID after SHIPPEDDAT is out of order, memo or not";
}

TEST_F(CdxNodeTest, TagHeaderOfTheWorkedExample) {
  TagHeader header;
  ASSERT_TRUE(read_tag_header(&file_, 0x8200, true, PagedFile::Freshness::kKept, &header).ok());
  EXPECT_EQ(header.root, 0x8600u);
  EXPECT_EQ(header.key_length, 4);
  EXPECT_EQ(header.options, 0x64);
  EXPECT_EQ(header.key_expression, "orderid");
  EXPECT_EQ(header.for_expression, "");
  TagHeader directory;
  ASSERT_TRUE(read_tag_header(&file_, 0, true, PagedFile::Freshness::kKept, &directory).ok());
  EXPECT_EQ(directory.root, 0x400u);
  EXPECT_EQ(directory.key_length, 10);
  EXPECT_EQ(directory.options, 0xE0);
  EXPECT_EQ(directory.signature, 1);
  EXPECT_EQ(directory.key_expression, "");
}

TEST_F(CdxNodeTest, WorkedExampleBytesAreThoseOfTheCorpusFile) {
  KX_SKIP_WITHOUT_CORPUS();
  std::ifstream in(test::corpus_dir() + "/foxpro/northwind-orders/orders.cdx", std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(file.size(), kWorkedExampleSize);
  const std::string image = worked_example_image();
  for (const auto& [offset, length] : kWorkedExampleRanges) {
    EXPECT_EQ(image.substr(offset, length), file.substr(offset, length)) << std::hex << offset;
  }
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
    set_free(512 - 24 - 2 * 2 - 3);
  }
  void set_free(uint16_t n) {
    page_[12] = n & 0xFF;
    page_[13] = n >> 8;
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

// A lowered count would hide the keys after it; the stated gap tells.
TEST_F(CdxLeafDamageTest, KeyCountLoweredLeavesAnotherGapThanStated) {
  page_[2] = 1;
  EXPECT_EQ(error(), "page 0x1400: stated free bytes 481, entries leave 484");
}

TEST_F(CdxLeafDamageTest, FreeBytesThatDisagreeWithTheEntries) {
  set_free(480);
  EXPECT_EQ(error(), "page 0x1400: stated free bytes 480, entries leave 481");
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

// Leaf keys are rebuilt on demand, in order: a seek pays only for the entries
// it passes, and damage further on is met when a walk reaches it.
class CdxLeafScanTest : public CdxLeafDamageTest {
 protected:
  // Six entries of the fixture's layout: "AB", "AC", ... "AG" for records 1..6,
  // each sharing one byte with the key before it.
  void SetUp() override {
    CdxLeafDamageTest::SetUp();
    page_[2] = 6;
    set_entry(0, 1, 0, 8);
    page_[510] = 'A';
    page_[511] = 'B';
    for (size_t i = 1; i < 6; ++i) {
      set_entry(i, static_cast<uint32_t>(i + 1), 1, 8);
      page_[510 - i] = static_cast<uint8_t>('B' + i);
    }
    set_free(512 - 24 - 6 * 2 - 7);
  }
  Node header_only() {
    PagedFile file(test::memory_file(
        "X.CDX", std::string(0x1400, '\0') + std::string(page_.begin(), page_.end())));
    Node node;
    Status s = read_node_header(&file, 0x1400, 10, ' ', &node);
    EXPECT_TRUE(s.ok()) << s.description();
    return node;
  }
};

TEST_F(CdxLeafScanTest, FindStopsAtTheFirstKeyNotLessThanThePrefix) {
  Node node = header_only();
  EXPECT_EQ(node.decoded(), 0u);
  size_t pos = 99;
  ASSERT_TRUE(node.find("X.CDX", "AC", false, &pos).ok());
  EXPECT_EQ(pos, 1u);
  EXPECT_EQ(node.decoded(), 2u);
  EXPECT_EQ(node.key(1), "AC        ");
  ASSERT_TRUE(node.find("X.CDX", "AC", true, &pos).ok());  // strictly after "AC"
  EXPECT_EQ(pos, 2u);
  ASSERT_TRUE(node.find("X.CDX", "B", false, &pos).ok());
  EXPECT_EQ(pos, 6u);  // past the last key
  EXPECT_EQ(node.decoded(), 6u);
  EXPECT_EQ(node.key(5), "AG        ");
  EXPECT_EQ(node.recno(5), 6u);
}

TEST_F(CdxLeafScanTest, FindsOverRebuiltKeysAgreeWithAFreshScan) {
  const char* prefixes[] = {"A", "AA", "AB", "AD", "ADX", "AG", "AH", "B", ""};
  for (size_t rebuilt = 0; rebuilt <= 6; ++rebuilt) {
    for (const bool after : {false, true}) {
      for (const char* prefix : prefixes) {
        Node fresh = header_only();
        size_t expected = 99;
        ASSERT_TRUE(fresh.find("X.CDX", prefix, after, &expected).ok());
        Node node = header_only();
        if (rebuilt > 0) {
          ASSERT_TRUE(node.decode_through("X.CDX", rebuilt - 1).ok());
        }
        Node copy;
        copy.assign(node);  // as a node kept from an earlier seek comes back
        size_t pos = 99;
        ASSERT_TRUE(copy.find("X.CDX", prefix, after, &pos).ok());
        EXPECT_EQ(pos, expected) << "prefix '" << prefix << "', " << rebuilt << " rebuilt"
                                 << (after ? ", after" : "");
        if (pos < 6) {
          EXPECT_EQ(copy.key(pos), fresh.key(pos));
        }
      }
    }
  }
}

TEST_F(CdxLeafScanTest, DamageBeyondTheSoughtKeyIsFoundWhenTheScanReachesIt) {
  page_[506] = 'A';  // entry 4 becomes "AA": out of order
  Node node = header_only();
  size_t pos = 0;
  ASSERT_TRUE(node.find("X.CDX", "AB", false, &pos).ok());
  EXPECT_EQ(pos, 0u);
  ASSERT_TRUE(node.decode_through("X.CDX", 3).ok());
  EXPECT_EQ(node.decode_through("X.CDX", 5).description(),
            "page 0x1400: entry 4: key out of order");
  EXPECT_EQ(node.decoded(), 4u);  // the entries before the damage stay readable
  EXPECT_EQ(node.find("X.CDX", "AZ", false, &pos).description(),
            "page 0x1400: entry 4: key out of order");
  Node whole;
  EXPECT_EQ(decode(&whole).description(), "page 0x1400: entry 4: key out of order");
}

TEST_F(CdxLeafScanTest, ALayoutThatCannotHoldTheCountFailsBeforeAnyKeyIsRead) {
  page_[2] = 245;  // more entries than 2-byte entries leave room for
  PagedFile file(test::memory_file(
      "X.CDX", std::string(0x1400, '\0') + std::string(page_.begin(), page_.end())));
  Node node;
  EXPECT_EQ(read_node_header(&file, 0x1400, 10, ' ', &node).description(),
            "page 0x1400: key count 245 exceeds room for 244");
}

// Keys are rebuilt by whole words up to 32 bytes and byte by byte beyond:
// every length around those limits, with shared prefixes and trailing fill
// of every size, reads back as written and seeks like a scan.
class CdxKeyLengthTest : public ::testing::TestWithParam<uint16_t> {};

TEST_P(CdxKeyLengthTest, KeysReadBackAndSeekLikeAScan) {
  const uint16_t key_length = GetParam();
  std::mt19937 random(key_length);
  writer::CdxTagSpec tag;
  tag.name = "K";
  tag.key_length = key_length;
  for (uint32_t i = 1; i <= 400; ++i) {
    std::string text;
    const size_t length = 1 + random() % key_length;
    for (size_t j = 0; j < length; ++j) text += static_cast<char>('A' + random() % 3);
    tag.entries.push_back({writer::char_key(text, key_length), i});
  }
  // Keys stored whole (nothing shared, no fill) and keys shared whole (equal
  // to the one before).
  for (uint32_t i = 401; i <= 404; ++i) {
    tag.entries.push_back({std::string(key_length, static_cast<char>('D' + i % 2)), i});
  }
  std::vector<WalkEntry> expected;
  for (const writer::CdxEntry& e : tag.entries) expected.push_back({e.key, e.recno});
  std::sort(expected.begin(), expected.end(), [](const WalkEntry& a, const WalkEntry& b) {
    return a.key != b.key ? a.key < b.key : a.recno < b.recno;
  });
  Status status;
  std::unique_ptr<IndexFile> index = open_bytes(writer::build_cdx({tag}), &status);
  ASSERT_TRUE(index) << status.description();
  index->set_fill(0, ' ');
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  ASSERT_EQ(walk(cursor.get(), true), expected);
  std::vector<WalkEntry> backward = walk(cursor.get(), false);
  std::reverse(backward.begin(), backward.end());
  ASSERT_EQ(backward, expected);
  for (size_t i = 0; i < expected.size(); i += 3) {
    const std::string& key = expected[i].key;
    for (const std::string& probe : {key, key.substr(0, key_length / 2 + 1), successor(key)}) {
      const size_t want = expected_seek(expected, probe, false);
      cursor->seek(probe);
      ASSERT_EQ(cursor->valid(), want < expected.size()) << probe;
      if (want < expected.size()) {
        ASSERT_EQ(cursor->recno(), expected[want].recno) << probe;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AroundTheWordLimits, CdxKeyLengthTest,
                         ::testing::Values(1, 4, 7, 8, 9, 15, 16, 17, 24, 31, 32, 33, 64, 240));

}  // namespace
}  // namespace kx::tables::cdx
