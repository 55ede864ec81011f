// Walks of an index that another application changes while they run: every
// state between two writes of an insert, a writer that finishes in the
// middle of a walk, steps across a leaf that was split under the cursor, and
// a tag that never stops changing.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/cdx_updater.h"
#include "support/memory_file.h"
#include "support/testing/fake_env.h"
#include "tables/cdx/cdx_test_util.h"
#include "tables/cdx/tag_header.h"
#include "tables/cdx/tree_walk.h"
#include "tables/cdx/tree_walker.h"
#include "tablewriter/cdx_pages.h"

namespace kx::tables::cdx {
namespace {

using test::CdxUpdater;
using test::LoggedWrite;
using test::MemoryStore;

constexpr uint16_t kKeyLength = 100;
constexpr uint64_t kTagHeader = 0x400;

// Keys that share only their first byte and store ~99 bytes each: four to a
// leaf and four to an interior node, so that inserts split often.
std::string long_key(int n) {
  std::string key = "K" + std::to_string(1000 + n);
  for (int i = 0; key.size() < kKeyLength; ++i) key += static_cast<char>('a' + (n * 7 + i) % 26);
  return key;
}

writer::CdxTagSpec long_tag(int n) {
  writer::CdxTagSpec tag;
  tag.name = "NAME";
  tag.key_expression = "name";
  tag.key_length = kKeyLength;
  for (int i = 0; i < n; ++i)
    tag.entries.push_back({long_key(i * 10), static_cast<uint32_t>(i + 1)});
  return tag;
}

bool entry_less(const WalkEntry& a, const WalkEntry& b) {
  return a.key != b.key ? a.key < b.key : a.recno < b.recno;
}

std::vector<WalkEntry> walk_all(const std::string& bytes, Status* status) {
  std::unique_ptr<IndexFile> index = open_bytes(bytes, status);
  if (!index) return {};
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  std::vector<WalkEntry> out = walk(cursor.get(), true);
  *status = cursor->status();
  return out;
}

// One insert into the tag, with the file before it and the writes it made.
struct Insert {
  std::string before;
  std::vector<LoggedWrite> writes;
  std::string after() const { return test::apply_writes(before, writes); }
};

// Inserts the keys between the tag's keys (n*10 + 5), in a shuffled order.
std::vector<Insert> inserts(int initial, int count, CdxUpdater* updater, MemoryStore* store) {
  std::vector<Insert> out;
  uint32_t recno = static_cast<uint32_t>(initial);
  for (int i = 0; i < count; ++i) {
    const int n = (i * 7) % count * 10 + 5;
    Insert insert{store->bytes(), {}};
    store->clear_log();
    std::string error;
    EXPECT_TRUE(updater->insert("NAME", long_key(n), ++recno, ' ', &error)) << error;
    insert.writes = store->log();
    out.push_back(std::move(insert));
  }
  return out;
}

// A file that a writer changes while it is read: states[0] is served until
// `switch_after` reads have been made since arm(), then states[1] (and so
// on). With bump_counter, every read shows the tag header with a new change
// counter: a file that never stops changing.
class ChangingSource : public platform::RandomAccessFile {
 public:
  ChangingSource(std::vector<std::string> states, int switch_after, bool bump_counter = false)
      : states_(std::move(states)), switch_after_(switch_after), bump_counter_(bump_counter) {}
  const std::string& name() const override { return name_; }
  platform::FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) override {
    ++reads_;
    if (armed_ && ++since_switch_ > switch_after_ && current_ + 1 < states_.size()) {
      ++current_;
      since_switch_ = 0;
    }
    std::string bytes = states_[current_];
    if (bump_counter_ && armed_) {
      writer::cdx_pages::set_be32(&bytes, kTagHeader + 8, static_cast<uint32_t>(reads_));
    }
    *got = offset < bytes.size() ? std::min<size_t>(size, bytes.size() - offset) : 0;
    std::copy_n(bytes.data() + offset, *got, static_cast<char*>(buffer));
    return {};
  }
  platform::FileResult size(uint64_t* size) override {
    *size = states_[current_].size();
    return {};
  }
  uint64_t read_count() const { return reads_; }
  // Reads before this (opening the index) do not count.
  void arm() { armed_ = true; }
  size_t current() const { return current_; }

 private:
  const std::string name_ = "LIVE.CDX";
  std::vector<std::string> states_;
  const int switch_after_;
  const bool bump_counter_;
  size_t current_ = 0;
  int since_switch_ = 0;
  uint64_t reads_ = 0;
  bool armed_ = false;
};

// Whether a strict walk (one that takes no disagreement for a change half
// made) goes through the whole tag.
bool strict_walk_passes(const std::string& bytes) {
  PagedFile file(test::memory_file("STRICT.CDX", bytes));
  TagRoot header;
  if (!read_tag_root(&file, kTagHeader, PagedFile::Freshness::kKept, &header).ok()) return false;
  TreeWalk walk(&file, TreeShape{kTagHeader, kKeyLength, 1, ' '});
  if (!walk.seek(header.root, Target::kFirst, {}, 0, WalkMode{})) return false;
  while (walk.valid()) {
    if (!walk.step(true, WalkMode{})) return false;
  }
  return true;
}

// The first leaf's right sibling pointing back to itself: damage that stays.
std::string damaged(std::string bytes) {
  PagedFile file(test::memory_file("DAMAGED.CDX", bytes));
  TreeWalker walker(&file, TreeShape{kTagHeader, kKeyLength, 1, ' '});
  walker.seek_first();
  EXPECT_TRUE(walker.valid());
  const uint32_t right = walker.leaf().right();
  EXPECT_NE(right, kNoPage);
  put_le32(&bytes, right + kNodeLeft, right);
  return bytes;
}

class CdxConcurrentWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = std::make_unique<MemoryStore>(writer::build_cdx({long_tag(8)}));
    updater_ = std::make_unique<CdxUpdater>(store_.get());
    inserts_ = inserts(8, 40, updater_.get(), store_.get());
  }

  // The first state between two writes of an insert that a strict walk does
  // not get through, with the insert it belongs to.
  bool torn_state(std::string* state, const Insert** insert) {
    for (const Insert& i : inserts_) {
      for (size_t k = 1; k < i.writes.size(); ++k) {
        *state = test::apply_writes(i.before, {i.writes.begin(), i.writes.begin() + k});
        *insert = &i;
        if (!strict_walk_passes(*state)) return true;
      }
    }
    return false;
  }

  test::FakeEnv fake_;  // waits are recorded, not slept
  std::unique_ptr<MemoryStore> store_;
  std::unique_ptr<CdxUpdater> updater_;
  std::vector<Insert> inserts_;
};

// Whatever a reader meets between two writes, a seek of a key that was
// there before the insert finds it or, where the file cannot tell, fails as
// corruption (a leaf whose greatest key has grown past its parent's
// separator may also have lost its first keys to its left sibling, so its
// first entry is no answer); a whole walk yields the keys in order, the old
// ones all present, although a strict walk (one that takes every
// disagreement for damage) fails in some of those states.
TEST_F(CdxConcurrentWalkTest, EveryStateBetweenTwoWritesSeeksEveryOldKey) {
  EXPECT_GE(updater_->stats().new_roots, 2u);  // leaves, interior nodes and roots split
  size_t states = 0, strict_failures = 0, seeks = 0, failed_seeks = 0;
  for (const Insert& insert : inserts_) {
    Status status;
    const std::vector<WalkEntry> old_keys = walk_all(insert.before, &status);
    ASSERT_TRUE(status.ok());
    for (size_t k = 0; k <= insert.writes.size(); ++k, ++states) {
      const std::string state =
          test::apply_writes(insert.before, {insert.writes.begin(), insert.writes.begin() + k});
      std::unique_ptr<IndexFile> index = open_bytes(state, &status);
      ASSERT_TRUE(index) << status.description();
      std::unique_ptr<TagCursor> cursor = index->cursor(0);
      for (const WalkEntry& e : old_keys) {
        cursor = index->cursor(0);
        cursor->seek(e.key);
        ++seeks;
        if (!cursor->valid()) {
          ASSERT_EQ(cursor->status().gencode(), kGenCorruption) << "state " << k;
          ASSERT_GT(k, 0u);  // the state before the insert is a finished one
          ++failed_seeks;
          continue;
        }
        ASSERT_EQ(cursor->key(), e.key) << "state " << k;
      }
      const std::vector<WalkEntry> walked = walk_all(state, &status);
      ASSERT_TRUE(status.ok()) << "state " << k << ": " << status.description();
      ASSERT_TRUE(std::is_sorted(walked.begin(), walked.end(), entry_less));
      ASSERT_TRUE(std::includes(walked.begin(), walked.end(), old_keys.begin(), old_keys.end(),
                                entry_less));
      ASSERT_LE(walked.size(), old_keys.size() + 1);
      strict_failures += strict_walk_passes(state) ? 0 : 1;
    }
  }
  EXPECT_GT(states, 150u);
  EXPECT_LT(failed_seeks * 50, seeks);
  // A step along the leaves can meet a sibling link not yet relinked.
  EXPECT_GT(strict_failures, 0u);
}

TEST_F(CdxConcurrentWalkTest, AWalkThatMeetsAHalfMadeChangeIsWalkedAgainFromTheFile) {
  std::string state;
  const Insert* insert = nullptr;
  ASSERT_TRUE(torn_state(&state, &insert));
  const std::string final_state = insert->after();
  // The writer finishes while the walk reads the file again.
  auto owned = std::make_unique<ChangingSource>(std::vector<std::string>{state, final_state}, 0);
  ChangingSource* source = owned.get();
  Status status;
  std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
  ASSERT_TRUE(index) << status.description();
  source->arm();
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  const std::vector<WalkEntry> walked = walk(cursor.get(), true);
  ASSERT_TRUE(cursor->status().ok()) << cursor->status().description();
  EXPECT_EQ(source->current(), 1u);
  const std::vector<WalkEntry> old_keys = walk_all(insert->before, &status);
  const std::vector<WalkEntry> new_keys = walk_all(final_state, &status);
  EXPECT_TRUE(std::is_sorted(walked.begin(), walked.end(), entry_less));
  EXPECT_TRUE(
      std::includes(walked.begin(), walked.end(), old_keys.begin(), old_keys.end(), entry_less));
  EXPECT_TRUE(
      std::includes(new_keys.begin(), new_keys.end(), walked.begin(), walked.end(), entry_less));
}

// A page read while the writer rewrites it comes back half old, half new.
TEST_F(CdxConcurrentWalkTest, ASeekThatReadsAPageWhileItIsWrittenIsWalkedAgain) {
  for (const Insert& insert : inserts_) {
    const LoggedWrite& first = insert.writes.front();
    std::string torn = insert.before;
    if (first.offset + 512 > torn.size()) continue;  // a new page: nobody pointed at it yet
    torn.replace(first.offset + 256, 256, first.bytes.substr(256));
    Status status;
    const std::vector<WalkEntry> old_keys = walk_all(insert.before, &status);
    const auto fails = std::find_if(old_keys.begin(), old_keys.end(), [&](const WalkEntry& e) {
      std::unique_ptr<IndexFile> index = open_bytes(torn, &status);
      if (!index) return false;
      std::unique_ptr<TagCursor> cursor = index->cursor(0);
      cursor->seek(e.key);
      return !cursor->status().ok();
    });
    if (fails == old_keys.end()) continue;
    auto owned =
        std::make_unique<ChangingSource>(std::vector<std::string>{torn, insert.after()}, 0);
    ChangingSource* source = owned.get();
    std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
    ASSERT_TRUE(index);
    source->arm();
    std::unique_ptr<TagCursor> cursor = index->cursor(0);
    cursor->seek(fails->key);
    ASSERT_TRUE(cursor->valid()) << cursor->status().description();
    EXPECT_EQ(cursor->key(), fails->key);
    EXPECT_EQ(source->current(), 1u);
    return;
  }
  FAIL() << "no torn page gave an error";
}

TEST_F(CdxConcurrentWalkTest, DamageThatStaysIsReportedAsFoundAfterAFewReadings) {
  const std::string state = damaged(inserts_.front().before);
  auto owned = std::make_unique<ChangingSource>(std::vector<std::string>{state}, 1);
  ChangingSource* source = owned.get();
  Status status;
  std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
  ASSERT_TRUE(index);
  const uint64_t reads_at_open = source->read_count();
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  walk(cursor.get(), true);
  EXPECT_EQ(cursor->status().gencode(), kGenCorruption);
  EXPECT_NE(cursor->status().description().find("does not point back"), std::string::npos)
      << cursor->status().description();
  // A handful of readings of the pages involved, not one per millisecond.
  EXPECT_LT(source->read_count() - reads_at_open, 40u);
}

TEST_F(CdxConcurrentWalkTest, AFileThatKeepsChangingGivesUpWithAReadError) {
  const std::string state = damaged(inserts_.front().before);
  auto owned = std::make_unique<ChangingSource>(std::vector<std::string>{state}, 1, true);
  ChangingSource* source = owned.get();
  Status status;
  std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
  ASSERT_TRUE(index);
  source->arm();
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  walk(cursor.get(), true);
  EXPECT_FALSE(cursor->valid());
  EXPECT_EQ(cursor->status().gencode(), kGenRead);
  EXPECT_EQ(cursor->status().description(), "tag header 0x400: the file kept changing for " +
                                                std::to_string(kMaxWaitMs) +
                                                " ms while it was read");
  EXPECT_EQ(cursor->status().filename(), "LIVE.CDX");
  uint32_t waited = 0;
  for (const uint32_t ms : fake_.sleeps) waited += ms;
  EXPECT_EQ(waited, kMaxWaitMs);
}

// The cursor stands on an entry; the writer then inserts a key (and maybe
// splits that entry's leaf). A step lands on the entry's neighbour as it was
// before the insert or as it is after it, never elsewhere and never on an
// error.
TEST_F(CdxConcurrentWalkTest, StepsFromAnEntryWhoseLeafWasSplitLandOnItsNeighbour) {
  size_t steps = 0;
  Status status;
  for (const Insert& insert : inserts_) {
    const std::vector<WalkEntry> before = walk_all(insert.before, &status);
    const std::vector<WalkEntry> after = walk_all(insert.after(), &status);
    for (size_t i = 0; i < before.size(); ++i) {
      for (bool forward : {true, false}) {
        auto owned = std::make_unique<SwappableSource>(insert.before);
        SwappableSource* source = owned.get();
        std::unique_ptr<IndexFile> index = IndexFile::open(std::move(owned), &status);
        ASSERT_TRUE(index);
        std::unique_ptr<TagCursor> cursor = index->cursor(0);
        cursor->seek(before[i].key);
        ASSERT_TRUE(cursor->valid());
        source->replace(insert.after());
        forward ? cursor->next() : cursor->prev();
        ASSERT_TRUE(cursor->status().ok()) << cursor->status().description();
        const auto in_after = std::lower_bound(after.begin(), after.end(), before[i], entry_less);
        // The end of the tag is the empty entry.
        std::vector<WalkEntry> allowed;
        if (forward) {
          allowed.push_back(i + 1 < before.size() ? before[i + 1] : WalkEntry{});
          allowed.push_back(in_after + 1 < after.end() ? *(in_after + 1) : WalkEntry{});
        } else {
          allowed.push_back(i > 0 ? before[i - 1] : WalkEntry{});
          allowed.push_back(in_after > after.begin() ? *(in_after - 1) : WalkEntry{});
        }
        const WalkEntry got =
            cursor->valid() ? WalkEntry{std::string(cursor->key()), cursor->recno()} : WalkEntry{};
        EXPECT_TRUE(std::find(allowed.begin(), allowed.end(), got) != allowed.end())
            << i << (forward ? " forward" : " backward");
        ++steps;
      }
    }
  }
  EXPECT_GT(steps, 1000u);
}

}  // namespace
}  // namespace kx::tables::cdx
