// The in-place index updater that plays the point-of-sale application in the
// concurrency tests: what it leaves must read back through our reader as a
// sound index, and it must write the way a writer that shares the file does.
#include "support/cdx_updater.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/testing/child_process.h"
#include "tables/cdx/cdx_test_util.h"
#include "tablewriter/cdx_pages.h"

namespace kx::tables::cdx {
namespace {

using test::CdxUpdater;
using test::MemoryStore;

// Integer keys in a shuffled but repeatable order.
std::vector<int32_t> shuffled_values(int n, uint32_t seed) {
  std::vector<int32_t> values;
  for (int i = 0; i < n; ++i) values.push_back(i * 3);
  for (size_t i = values.size(); i > 1; --i) {
    seed = seed * 1103515245u + 12345u;
    std::swap(values[i - 1], values[(seed >> 8) % i]);
  }
  return values;
}

// A character tag holding one key for record 1.
writer::CdxTagSpec code_tag(const std::string& first) {
  writer::CdxTagSpec tag;
  tag.name = "CODE";
  tag.key_expression = "code";
  tag.key_length = 12;
  tag.entries.push_back({writer::char_key(first, 12), 1});
  return tag;
}

uint32_t tag_counter(const std::string& bytes, const IndexFile& index, size_t tag) {
  return writer::cdx_pages::get_be32(bytes, index.tags()[tag].header_offset + 8);
}

// The fill of integer keys cannot always be told from the keys (a leaf
// that starts at 0 looks blank-filled); the work area sets it from the field.
std::unique_ptr<IndexFile> open_with_fill(const std::string& bytes, char fill) {
  Status status;
  std::unique_ptr<IndexFile> index = open_bytes(bytes, &status);
  EXPECT_TRUE(index) << status.description();
  if (index) {
    for (size_t t = 0; t < index->tags().size(); ++t) index->set_fill(t, fill);
  }
  return index;
}

std::vector<WalkEntry> walk_bytes(const std::string& bytes, size_t tag, bool forward = true,
                                  char fill = '\0') {
  std::unique_ptr<IndexFile> index = open_with_fill(bytes, fill);
  if (!index) return {};
  std::unique_ptr<TagCursor> cursor = index->cursor(tag);
  std::vector<WalkEntry> out = walk(cursor.get(), forward);
  EXPECT_TRUE(cursor->status().ok()) << cursor->status().description();
  return out;
}

TEST(CdxUpdaterTest, ManyInsertsWalkInOrderAndDeepenTheTree) {
  MemoryStore store(writer::build_cdx({code_tag("K"), integer_tag("OTHER", 5)}));
  CdxUpdater updater(&store);
  std::string error;
  size_t depth = 0;
  ASSERT_TRUE(updater.depth("code", &depth, &error)) << error;
  EXPECT_EQ(depth, 1u);
  std::vector<WalkEntry> expected = walk_bytes(store.bytes(), 0, true, ' ');
  uint32_t recno = 100;
  for (int32_t v : shuffled_values(3000, 7)) {
    const std::string key = writer::char_key("K" + std::to_string(v * 7919 % 100003), 12);
    ASSERT_TRUE(updater.insert("CODE", key, ++recno, ' ', &error)) << error;
    expected.push_back(WalkEntry{key, recno});
  }
  std::sort(expected.begin(), expected.end(), [](const WalkEntry& a, const WalkEntry& b) {
    return a.key != b.key ? a.key < b.key : a.recno < b.recno;
  });
  EXPECT_TRUE(walk_bytes(store.bytes(), 0, true, ' ') == expected);
  std::vector<WalkEntry> backward = walk_bytes(store.bytes(), 0, false, ' ');
  std::reverse(backward.begin(), backward.end());
  EXPECT_TRUE(backward == expected);
  ASSERT_TRUE(updater.depth("CODE", &depth, &error)) << error;
  EXPECT_GE(depth, 3u);
  EXPECT_GE(updater.stats().new_roots, 2u);
  EXPECT_GT(updater.stats().splits, 30u);
  // The other tag is untouched, and the counter counts the inserts.
  EXPECT_EQ(walk_bytes(store.bytes(), 1, true, '\0').size(), 5u);
  std::unique_ptr<IndexFile> index = open_with_fill(store.bytes(), ' ');
  ASSERT_TRUE(index);
  EXPECT_EQ(tag_counter(store.bytes(), *index, 0), 3000u);
  EXPECT_EQ(tag_counter(store.bytes(), *index, 1), 0u);
  uint64_t keys = 0;
  ASSERT_TRUE(index->key_count(0, &keys).ok());
  EXPECT_EQ(keys, 3001u);
}

TEST(CdxUpdaterTest, EqualCharacterKeysStayInRecordOrderAndSeekToTheFirst) {
  MemoryStore store(writer::build_cdx({code_tag("B")}));
  CdxUpdater updater(&store);
  std::string error;
  // Appended records: keys that share prefixes and repeat, in record order.
  for (uint32_t recno = 2; recno <= 600; ++recno) {
    const std::string key =
        "00" + std::to_string(recno % 7) + "2026" + std::to_string(10 + recno % 3);
    ASSERT_TRUE(updater.insert("code", key, recno, ' ', &error)) << error;
  }
  const std::vector<WalkEntry> entries = walk_bytes(store.bytes(), 0, true, ' ');
  ASSERT_EQ(entries.size(), 600u);
  for (size_t i = 1; i < entries.size(); ++i) {
    ASSERT_TRUE(entries[i - 1].key < entries[i].key ||
                (entries[i - 1].key == entries[i].key && entries[i - 1].recno < entries[i].recno))
        << i;
  }
  Status status;
  std::unique_ptr<IndexFile> index = open_bytes(store.bytes(), &status);
  ASSERT_TRUE(index);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  cursor->seek("003202611");
  ASSERT_TRUE(cursor->valid());
  EXPECT_EQ(cursor->key(), writer::char_key("003202611", 12));
  EXPECT_EQ(cursor->recno(), 10u);  // the lowest record with 10 % 7 == 3 and 10 % 3 == 1
}

// The writes of one insert, in order: pages whole and on page boundaries, new
// pages appended, and the tag header's first twelve bytes last.
TEST(CdxUpdaterTest, EachInsertWritesWholePagesThenTheHeaderLast) {
  MemoryStore store(writer::build_cdx({integer_tag("ID", 40)}, {4, 4}));
  CdxUpdater updater(&store);
  std::string error;
  uint32_t recno = 40;
  bool saw_split = false;
  for (int32_t v : shuffled_values(400, 3)) {
    uint64_t size_before = store.bytes().size();
    store.clear_log();
    ASSERT_TRUE(updater.insert("ID", encode_integer(v + 1), ++recno, '\0', &error)) << error;
    const std::vector<test::LoggedWrite>& log = store.log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.back().offset, 0x400u);
    EXPECT_EQ(log.back().bytes.size(), 12u);
    for (size_t i = 0; i + 1 < log.size(); ++i) {
      EXPECT_EQ(log[i].offset % 512, 0u);
      EXPECT_EQ(log[i].bytes.size(), 512u);
      if (log[i].offset >= size_before) {
        EXPECT_EQ(log[i].offset, size_before) << "new pages are appended one after another";
        size_before += 512;
        saw_split = true;
      }
    }
  }
  EXPECT_TRUE(saw_split);
}

TEST(CdxUpdaterTest, WorksOnAFileInPlace) {
  const std::string path = test::scratch_path("UPD.CDX");
  ASSERT_TRUE(writer::write_cdx(path, {integer_tag("ID", 10)}));
  std::string error;
  std::unique_ptr<test::PageStore> store = test::open_file_store(path, &error);
  ASSERT_TRUE(store) << error;
  CdxUpdater updater(store.get());
  for (uint32_t recno = 11; recno <= 400; ++recno) {
    ASSERT_TRUE(
        updater.insert("ID", encode_integer(static_cast<int32_t>(recno)), recno, '\0', &error))
        << error;
  }
  Status status;
  std::unique_ptr<IndexFile> index = open_path(path, &status);
  ASSERT_TRUE(index) << status.description();
  index->set_fill(0, '\0');
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  const std::vector<WalkEntry> entries = walk(cursor.get(), true);
  ASSERT_EQ(entries.size(), 400u);
  EXPECT_EQ(entries.back().key, encode_integer(400));
}

TEST(CdxUpdaterTest, UnknownTagIsAnError) {
  MemoryStore store(writer::build_cdx({integer_tag("ID", 3)}));
  CdxUpdater updater(&store);
  std::string error;
  EXPECT_FALSE(updater.insert("NAME", "x", 4, ' ', &error));
  EXPECT_EQ(error, "no tag NAME");
  EXPECT_TRUE(store.log().empty());
}

}  // namespace
}  // namespace kx::tables::cdx
