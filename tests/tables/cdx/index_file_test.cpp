// Indexes made by the table writer, read back: tags, order, seeks, descending
// and FOR tags, and an index rewritten while it is open.
#include "tables/cdx/index_file.h"

#include <gtest/gtest.h>

#include <random>

#include "tables/cdx/cdx_test_util.h"

namespace kx::tables::cdx {
namespace {

using writer::build_cdx;
using writer::CdxEntry;
using writer::CdxLayout;
using writer::CdxTagSpec;
using writer::CdxWriteOptions;
using writer::char_key;

CdxTagSpec char_tag(std::string name, uint16_t key_length, std::vector<std::string> values) {
  CdxTagSpec tag;
  tag.name = std::move(name);
  tag.key_expression = "name";
  tag.key_length = key_length;
  for (size_t i = 0; i < values.size(); ++i) {
    tag.entries.push_back({char_key(values[i], key_length), static_cast<uint32_t>(i + 1)});
  }
  return tag;
}

std::unique_ptr<IndexFile> open_tags(const std::vector<CdxTagSpec>& tags,
                                     const CdxWriteOptions& options = {}) {
  Status status;
  std::unique_ptr<IndexFile> index = open_bytes(build_cdx(tags, options), &status);
  EXPECT_TRUE(index) << status.description();
  return index;
}

std::vector<uint32_t> recnos(const std::vector<WalkEntry>& walk) {
  std::vector<uint32_t> out;
  for (const WalkEntry& e : walk) out.push_back(e.recno);
  return out;
}

TEST(CdxIndexFileTest, TagsComeInHeaderOrderWithTheirHeaders) {
  CdxTagSpec rate = char_tag("mu_tgl", 18, {"000000000120240105"});
  rate.key_expression = "PADL(mauang_id,10,\"0\")+DTOS(tanggal)";
  CdxTagSpec day;
  day.name = "TANGGAL";
  day.key_expression = "tanggal";
  day.for_expression = ".NOT.DELETED()";
  day.key_length = 8;
  day.fill = '\0';
  day.descending = true;
  day.candidate = true;
  day.entries.push_back({encode_date(Date::from_ymd(2024, 1, 5)), 1});
  CdxTagSpec amount;
  amount.name = "KURS";
  amount.key_expression = "kurs_jual";
  amount.key_length = 8;
  amount.fill = '\0';
  amount.entries.push_back({encode_numeric(15600.5), 1});
  CdxTagSpec flag;
  flag.name = "AKTIF";
  flag.key_expression = "aktif";
  flag.key_length = 1;
  flag.fill = '\0';
  flag.entries.push_back({encode_logical(true), 1});
  flag.entries.push_back({encode_logical(false), 2});
  std::unique_ptr<IndexFile> index = open_tags({rate, day, amount, flag, integer_tag("ID", 3)});
  ASSERT_TRUE(index);
  const auto& tags = index->tags();
  ASSERT_EQ(tags.size(), 5u);
  EXPECT_EQ(tags[0].name, "MU_TGL");
  EXPECT_EQ(tags[0].key_expression, "PADL(mauang_id,10,\"0\")+DTOS(tanggal)");
  EXPECT_EQ(tags[0].fill, ' ');
  EXPECT_TRUE(tags[0].can_order());
  EXPECT_EQ(tags[1].name, "TANGGAL");
  EXPECT_EQ(tags[1].for_expression, ".NOT.DELETED()");
  EXPECT_TRUE(tags[1].descending);
  EXPECT_TRUE(tags[1].candidate);
  EXPECT_EQ(tags[1].options, 0x6C);
  EXPECT_EQ(tags[1].fill, '\0');
  EXPECT_EQ(tags[2].fill, '\0');
  EXPECT_EQ(tags[3].fill, '\0');
  EXPECT_EQ(tags[4].fill, '\0');
  EXPECT_EQ(index->find_tag("aktif"), 3);
  EXPECT_EQ(index->find_tag("Mu_Tgl"), 0);
}

TEST(CdxIndexFileTest, CharacterKeysOfFourOrEightBytesKeepTheBlankFill) {
  std::unique_ptr<IndexFile> index = open_tags(
      {char_tag("CODE", 4, {"USD", "EUR", "SGD"}), char_tag("DAY", 8, {"20240105", "2024"})});
  ASSERT_TRUE(index);
  EXPECT_EQ(index->tags()[0].fill, ' ');
  EXPECT_EQ(index->tags()[1].fill, ' ');
  std::unique_ptr<TagCursor> cursor = index->cursor(1);
  cursor->seek("2024");
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->key(), "2024    ");
}

TEST(CdxIndexFileTest, PrefixAndSoftSeeksOnCharacterKeys) {
  std::unique_ptr<IndexFile> index = open_tags({char_tag("NAME", 6, {"ABD", "ABC", "B", "ABC"})});
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek("ABC");
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->key(), "ABC   ");
  EXPECT_EQ(cursor->recno(), 2u);  // the first of the equal keys
  cursor->seek("ABC ");
  EXPECT_EQ(cursor->recno(), 2u);
  cursor->seek("ABCA");  // no match: stays on the next greater key
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->key(), "ABD   ");
  cursor->seek("A");
  EXPECT_EQ(cursor->key(), "ABC   ");
  cursor->seek("C");
  EXPECT_FALSE(cursor->valid());
  EXPECT_TRUE(cursor->status().ok());
  cursor->seek("ABD   TOO LONG");  // cut to the key length
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->key(), "ABD   ");
}

TEST(CdxIndexFileTest, DescendingTagsRunFromTheGreatestKey) {
  CdxTagSpec tag = integer_tag("DOWN", 0);
  tag.descending = true;
  const int values[] = {10, 20, 20, 30};
  for (uint32_t i = 0; i < 4; ++i) tag.entries.push_back({encode_integer(values[i]), i + 1});
  std::unique_ptr<IndexFile> index = open_tags({tag});
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  EXPECT_EQ(recnos(walk(cursor.get(), true)), (std::vector<uint32_t>{4, 3, 2, 1}));
  EXPECT_EQ(recnos(walk(cursor.get(), false)), (std::vector<uint32_t>{1, 2, 3, 4}));
  cursor->seek(encode_integer(20));  // equal keys: the higher record first
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->recno(), 3u);
  cursor->seek(encode_integer(25));  // soft: the next smaller key
  EXPECT_EQ(cursor->recno(), 3u);
  cursor->seek(encode_integer(35));
  EXPECT_EQ(cursor->recno(), 4u);
  cursor->seek(encode_integer(5));
  EXPECT_FALSE(cursor->valid());
  cursor->seek("");
  EXPECT_EQ(cursor->recno(), 4u);
}

TEST(CdxIndexFileTest, ForTagsHoldOnlyTheRecordsThatPass) {
  CdxTagSpec tag = integer_tag("EVEN", 10);
  tag.for_expression = "MOD(id,2)=0";
  for (CdxEntry& e : tag.entries) e.for_result = e.recno % 2 == 0;
  std::unique_ptr<IndexFile> index = open_tags({tag});
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  EXPECT_EQ(recnos(walk(cursor.get(), true)), (std::vector<uint32_t>{2, 4, 6, 8, 10}));
  uint64_t count = 0;
  ASSERT_TRUE(index->key_count(0, &count).ok());
  EXPECT_EQ(count, 5u);
}

TEST(CdxIndexFileTest, EmptyTagIsAtEndOfFileEverywhere) {
  std::unique_ptr<IndexFile> index = open_tags({integer_tag("NONE", 0), integer_tag("SOME", 3)});
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek_first();
  EXPECT_FALSE(cursor->valid());
  cursor->seek_last();
  EXPECT_FALSE(cursor->valid());
  cursor->seek(encode_integer(1));
  EXPECT_FALSE(cursor->valid());
  EXPECT_TRUE(cursor->status().ok());
  uint64_t count = 7;
  ASSERT_TRUE(index->key_count(0, &count).ok());
  EXPECT_EQ(count, 0u);
}

TEST(CdxIndexFileTest, EqualKeysAcrossManyLeavesSeekToTheLowestRecord) {
  CdxTagSpec tag = integer_tag("SAME", 0);
  for (uint32_t i = 9; i >= 1; --i) tag.entries.push_back({encode_integer(7), i});
  tag.entries.push_back({encode_integer(3), 20});
  tag.entries.push_back({encode_integer(9), 21});
  std::unique_ptr<IndexFile> index = open_tags({tag}, {2, 2});
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek(encode_integer(7));
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->recno(), 1u);
  cursor->prev();
  EXPECT_EQ(cursor->recno(), 20u);
  cursor->seek(encode_integer(8));
  EXPECT_EQ(cursor->recno(), 21u);
}

// Depth 3 from five keys: two entries per leaf and per interior node. The
// index is small enough to be read whole when it is opened, in one call.
TEST(CdxIndexFileTest, ForcedSmallNodesGiveDeepTreesThatSeekWithoutMoreReads) {
  std::unique_ptr<IndexFile> index = open_tags({integer_tag("ID", 5)}, {2, 2});
  ASSERT_TRUE(index);
  EXPECT_EQ(index->read_count(), 1u);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek(encode_integer(4));
  EXPECT_EQ(index->read_count(), 1u);
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->recno(), 4u);
}

TEST(CdxIndexFileTest, RandomKeysInDeepTreesWalkSortedAndSeekLikeAScan) {
  std::mt19937 random(7);
  CdxTagSpec tag;
  tag.name = "RANDOM";
  tag.key_length = 12;
  for (uint32_t i = 1; i <= 3000; ++i) {
    std::string text;
    const int length = 1 + static_cast<int>(random() % 12);
    for (int j = 0; j < length; ++j) text += static_cast<char>('A' + random() % 4);
    tag.entries.push_back({char_key(text, 12), i});
  }
  for (const CdxWriteOptions& options : {CdxWriteOptions{}, CdxWriteOptions{3, 3}}) {
    std::unique_ptr<IndexFile> index = open_tags({tag}, options);
    ASSERT_TRUE(index);
    std::unique_ptr<TagCursor> cursor = index->cursor(0);
    const std::vector<WalkEntry> order = walk(cursor.get(), true);
    ASSERT_EQ(order.size(), 3000u);
    for (size_t i = 1; i < order.size(); ++i) {
      ASSERT_TRUE(order[i - 1].key < order[i].key ||
                  (order[i - 1].key == order[i].key && order[i - 1].recno < order[i].recno));
    }
    for (size_t i = 0; i < order.size(); i += 7) {
      for (std::string probe :
           {order[i].key, order[i].key.substr(0, 3), successor(order[i].key.substr(0, 5))}) {
        const size_t want = expected_seek(order, probe, false);
        cursor->seek(probe);
        ASSERT_EQ(cursor->valid(), want < order.size()) << probe;
        if (want < order.size()) {
          EXPECT_EQ(cursor->recno(), order[want].recno) << probe;
        }
      }
    }
  }
}

// Pages kept give the index as it was when they were read, whatever the file
// holds now: a run answers from one state of the index, not a mix.
TEST(CdxIndexFileTest, PagesKeptAnswerAsTheIndexWasWhenTheyWereRead) {
  auto owned = std::make_unique<SwappableSource>(build_cdx({integer_tag("ID", 10)}));
  SwappableSource* source = owned.get();
  Status status;
  std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  // Another application re-indexes: more keys, a deeper tree, a new root.
  source->replace(build_cdx({integer_tag("ID", 400, 5)}, {4, 4}));
  cursor->seek_first();
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->key(), encode_integer(1));
  cursor->seek(encode_integer(1001));
  EXPECT_FALSE(cursor->valid());
  EXPECT_TRUE(cursor->status().ok());
}

// The header is read again when pages disagree; one whose key length is no
// longer the tag's is an error, and the error sticks.
TEST(CdxIndexFileTest, AHeaderThatChangedItsKeyLengthIsAnError) {
  auto owned = std::make_unique<SwappableSource>(build_cdx({integer_tag("ID", 400)}, {4, 4}));
  SwappableSource* source = owned.get();
  Status status;
  std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek_first();
  ASSERT_TRUE(cursor->valid());
  source->replace(build_cdx({char_tag("ID", 10, {"X"})}));
  cursor->seek_last();  // pages not read yet, which no longer agree with the ones kept
  EXPECT_FALSE(cursor->valid());
  EXPECT_EQ(cursor->status().gencode(), kGenCorruption);
  EXPECT_EQ(cursor->status().description(),
            "tag header 0x400: key length or signature changed since the index was opened");
  source->replace(build_cdx({integer_tag("ID", 400)}, {4, 4}));
  cursor->seek_first();
  EXPECT_FALSE(cursor->valid());
  EXPECT_EQ(cursor->status().gencode(), kGenCorruption);
}

// Another application writes the index anew: more keys, and the tag's header
// behind another tag's. A seek that needs pages not kept reads the new file,
// finds the old header place taken by the other tag and the tag's header in
// the directory, and seeks the new tree.
TEST(CdxIndexFileTest, AnIndexWrittenAnewIsFollowedToTheTagsNewHeader) {
  auto owned = std::make_unique<SwappableSource>(build_cdx({integer_tag("ID", 400)}, {4, 4}));
  SwappableSource* source = owned.get();
  Status status;
  std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek_first();
  ASSERT_TRUE(cursor->valid());
  writer::CdxTagSpec before = integer_tag("AAA", 50);
  before.key_expression = "other";
  CdxLayout layout;
  source->replace(build_cdx({before, integer_tag("ID", 800)}, {4, 4}, &layout));
  ASSERT_NE(layout.tags[1].header_offset, index->tags()[0].header_offset);
  cursor->seek(encode_integer(300));  // through pages not read before
  ASSERT_TRUE(cursor->valid()) << cursor->status().description();
  EXPECT_EQ(cursor->recno(), 300u);
  cursor->seek(encode_integer(700));  // a key only the new tree has
  ASSERT_TRUE(cursor->valid()) << cursor->status().description();
  EXPECT_EQ(cursor->recno(), 700u);
}

TEST(CdxIndexFileTest, FailedReadsGiveReadErrors) {
  auto owned = std::make_unique<SwappableSource>(build_cdx({integer_tag("ID", 100)}, {4, 4}));
  SwappableSource* source = owned.get();
  Status status;
  std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
  ASSERT_TRUE(index);
  source->fail_reads_from(0x800);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek_last();
  EXPECT_FALSE(cursor->valid());
  EXPECT_EQ(cursor->status().gencode(), kGenRead);
  uint64_t count = 0;
  EXPECT_EQ(index->key_count(0, &count).gencode(), kGenRead);
}

TEST(CdxIndexFileTest, SetFillOverridesTheInferredByte) {
  CdxTagSpec tag;
  tag.name = "CODE";
  tag.key_expression = "code";
  tag.key_length = 4;
  tag.fill = '\0';
  tag.entries.push_back({std::string("\x01\x02\0\0", 4), 1});
  std::unique_ptr<IndexFile> index = open_tags({tag});
  ASSERT_TRUE(index);
  EXPECT_EQ(index->tags()[0].fill, '\0');
  index->set_fill(0, ' ');
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek_first();
  EXPECT_EQ(cursor->key(), std::string("\x01\x02  ", 4));
}

}  // namespace
}  // namespace kx::tables::cdx
