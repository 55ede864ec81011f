// One open table, memo or index file, read in 512-byte pages. The data folder
// is usually on a network share, where every call to the file is a round
// trip, so a page is read from the file once a run unless a reader asks for
// it again, reads cover whole runs of pages (and, when asked, the pages that
// the next step will want), and the file's size is learnt from reads that
// come back short rather than asked for.
//
// Another application may change the file at any time: what a page holds is
// what the file held when the page was read. Readers that check what they
// read against what led them to it (dbf/, cdx/) read again from the file when
// the checks disagree; changed() tells them whether that found anything new.
#ifndef KX_TABLES_PAGED_FILE_H_
#define KX_TABLES_PAGED_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tables/page_store.h"
#include "tables/status.h"

namespace kx::tables {

class PagedFile {
 public:
  static constexpr size_t kPageSize = PageStore::kPageSize;

  // Whether a read may use the pages held.
  enum class Freshness { kKept, kFromFile };

  explicit PagedFile(std::unique_ptr<platform::RandomAccessFile> file);
  PagedFile(const PagedFile&) = delete;
  PagedFile& operator=(const PagedFile&) = delete;

  // The file name used in error values.
  const std::string& name() const { return file_->name(); }

  // Copies the bytes [offset, offset + size) into out. With kKept, pages
  // held are used as they are; the pages missing are read with one call,
  // which also reads up to `ahead` bytes past the range and keeps them. With
  // kFromFile every page of the range is read from the file. A range that
  // passes the end of the file as known so far is read from the file, since
  // the file may have grown. Fails with a read error (generic code 23) that
  // carries the OS code when the call fails, or OS code kErrHandleEof when
  // the file ends before offset + size ("short read").
  Status read(uint64_t offset, size_t size, void* out, Freshness freshness = Freshness::kKept,
              size_t ahead = 0);

  // Makes sure the pages of [offset, offset + size) are held, reading those
  // missing with one call; a file that ends before offset + size is no error.
  Status prefetch(uint64_t offset, size_t size);

  // The file's size as far as reads have shown it: exact after a read that
  // came back short, else a lower bound.
  uint64_t known_size() const { return known_size_; }
  bool size_known_exactly() const { return size_exact_; }
  // Asks the file for its size (one call); pages past it are forgotten.
  Status refresh_size(uint64_t* size);

  // True when a read from the file found a page held before with other
  // bytes since the last call; clears the flag.
  bool take_changed();

  // A number that stays the same for as long as the page holding offset is
  // held with the same bytes (re-reads that find them unchanged included);
  // 0 when the page is not held whole.
  uint64_t version_of(uint64_t offset);

  // Calls made to the file so far (reads and size queries).
  uint64_t calls() const { return calls_; }

 private:
  using Page = PageStore::Page;

  Status read_from_file(uint64_t first_page, uint64_t end_offset);
  Status read_through(uint64_t first_page, uint64_t end, uint64_t read_end);
  Page* held(uint64_t page);
  void keep(uint64_t page, const uint8_t* bytes, size_t valid);

  const std::unique_ptr<platform::RandomAccessFile> file_;
  PageStore pages_;
  // What the last read call brought back: buffer_size_ bytes.
  std::unique_ptr<uint8_t[]> buffer_;
  size_t buffer_room_ = 0;
  size_t buffer_size_ = 0;
  uint64_t known_size_ = 0;
  bool size_exact_ = false;
  bool changed_ = false;
  uint64_t versions_ = 0;
  uint64_t calls_ = 0;
};

// A read error for a range that the file does not hold whole: the file ends
// before it.
bool is_short_read(const Status& status);

}  // namespace kx::tables

#endif  // KX_TABLES_PAGED_FILE_H_
