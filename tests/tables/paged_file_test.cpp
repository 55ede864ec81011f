#include "tables/paged_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/memory_file.h"

namespace kx::tables {
namespace {

constexpr size_t kPage = PagedFile::kPageSize;

// A file whose byte at i is i's page number mixed with i, so that a page
// copied to the wrong place or read from the wrong offset shows.
std::string numbered_bytes(size_t pages) {
  std::string bytes(pages * kPage, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i / kPage * 7 + i);
  return bytes;
}

struct Reader {
  explicit Reader(size_t pages) {
    auto owned = std::make_unique<test::MemoryFile>("t.cdx", numbered_bytes(pages));
    memory = owned.get();
    file = std::make_unique<PagedFile>(std::move(owned));
  }
  std::string read(uint64_t offset, size_t size,
                   PagedFile::Freshness freshness = PagedFile::Freshness::kKept) {
    std::string out(size, '?');
    status = file->read(offset, size, out.data(), freshness);
    return out;
  }
  test::MemoryFile* memory;
  std::unique_ptr<PagedFile> file;
  Status status;
};

// Reads in orders that fill the pages kept many times over, and ranges that
// straddle pages: every byte comes back as the file holds it.
TEST(PagedFileTest, EveryReadGivesTheFilesBytesHoweverManyPagesCameAndWent) {
  struct Case {
    const char* name;
    size_t pages;
    size_t stride;  // pages between reads
    size_t size;    // bytes read
    size_t rounds;
  };
  const Case cases[] = {
      {"one page, again and again", 4, 0, kPage, 50},
      {"forward through a large file", 2000, 1, kPage, 1},
      {"two pages at a time, straddling", 2000, 3, kPage + 100, 1},
      {"a few hot pages among many", 3000, 37, 64, 3},
  };
  for (const Case& c : cases) {
    Reader r(c.pages);
    const std::string& bytes = r.memory->bytes();
    for (size_t round = 0; round < c.rounds; ++round) {
      for (size_t p = 0; p * kPage + c.size <= bytes.size();
           p += c.stride == 0 ? c.pages : c.stride) {
        const uint64_t offset = p * kPage + (round * 13) % 97;
        if (offset + c.size > bytes.size()) continue;
        ASSERT_EQ(r.read(offset, c.size), bytes.substr(offset, c.size))
            << c.name << " at " << offset;
        ASSERT_TRUE(r.status.ok()) << c.name;
        // Hot pages are read between the others: they must stay right too.
        ASSERT_EQ(r.read(5, 10), bytes.substr(5, 10)) << c.name;
      }
    }
  }
}

TEST(PagedFileTest, KeptPagesAreReadOnceAndFreshReadsGoToTheFile) {
  Reader r(8);
  r.read(0, 100);
  const uint64_t after_first = r.memory->reads();
  r.read(10, 200);
  EXPECT_EQ(r.memory->reads(), after_first);
  const char old = r.memory->bytes()[20];
  r.memory->bytes()[20] = 'X';
  EXPECT_EQ(r.read(20, 1)[0], old);  // the page kept
  EXPECT_EQ(r.read(20, 1, PagedFile::Freshness::kFromFile)[0], 'X');
  EXPECT_TRUE(r.file->take_changed());
  EXPECT_FALSE(r.file->take_changed());
  EXPECT_EQ(r.read(20, 1)[0], 'X');  // the fresh page is kept in place of the old one
}

TEST(PagedFileTest, AFileCutShortForgetsThePagesPastItsEnd) {
  Reader r(8);
  const std::string tail = r.read(6 * kPage, kPage);
  r.memory->bytes().resize(6 * kPage);
  uint64_t size = 0;
  ASSERT_TRUE(r.file->refresh_size(&size).ok());
  EXPECT_EQ(size, 6 * kPage);
  r.read(6 * kPage, kPage);
  EXPECT_TRUE(is_short_read(r.status));
  // A file that grows again is read anew, not served from pages forgotten.
  r.memory->bytes() += std::string(kPage, 'N');
  EXPECT_EQ(r.read(6 * kPage, kPage), std::string(kPage, 'N'));
  EXPECT_NE(tail, std::string(kPage, 'N'));
}

}  // namespace
}  // namespace kx::tables
