// Read-only access to a compound index file (CDX): its tag directory, the
// tags' headers and an ordered cursor over each tag's B-tree.
//
// Nothing in the file is trusted: every pointer, count and length is checked
// before use, every walk is bounded, and a damaged file gives an error Status
// (generic code 32 for corruption, 23 for a failed read) that names the page:
//   description "page 0x1400: key count 90 exceeds room for 40".
// Memory does not grow with the size of the index: the file keeps a bounded
// number of pages (paged_file.h) and a cursor holds a few decoded nodes.
//
// Another application may change the index while it is read: each walk
// checks its pages against each other and reads again when they disagree
// (cdx/tree_walker.h).
#ifndef KX_TABLES_CDX_INDEX_FILE_H_
#define KX_TABLES_CDX_INDEX_FILE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"
#include "tables/status.h"

namespace kx::tables::cdx {

// Where a tag's fill byte came from: the header alone (collation, NULL
// indicator, key length), the key expression typed with the table's fields,
// the pages (one fill ruled out by the keys), or a guess (see fill_note).
enum class FillSource { kHeader, kKeyType, kPages, kGuess };

// What the header of one tag says, plus the tag's name from the directory.
struct TagInfo {
  std::string name;            // upper case, fill removed
  std::string key_expression;  // as stored
  std::string for_expression;  // empty when the tag has no FOR condition
  uint16_t key_length = 0;     // bytes per key, the NULL-indicator byte included
  uint8_t options = 0;         // option bits of the header
  uint8_t signature = 0;       // 1 machine collation, 2 other collation, 5 bitmap
  std::string collation;       // "" for machine collation
  bool descending = false;
  bool unique = false;
  bool candidate = false;
  bool nullable = false;  // keys carry a leading NULL-indicator byte
  // The byte that pads keys and that trailing compression removes: blank for
  // character keys under machine collation, NUL for every other key. The file
  // does not store it; it is settled when the index is opened.
  char fill = ' ';
  FillSource fill_source = FillSource::kHeader;
  std::string fill_note;       // the evidence, when fill_source is kGuess
  uint64_t header_offset = 0;  // byte offset of the tag's 1024-byte header

  // True for a B-tree tag under machine collation: the only kind that can be
  // a work area's current order (keys compare as unsigned bytes).
  bool can_order() const;
  // True for a B-tree tag (any collation); false for a bitmap tag.
  bool is_btree() const;
};

// An ordered position in one tag, in the shape of a leveldb iterator.
//
// Positions follow the tag's order: for a descending tag the first entry is
// the greatest key and next() moves towards smaller keys. A corruption or
// read error makes the cursor invalid and the error sticks: every later call
// leaves it invalid and status() keeps returning that error.
// A cursor refers to its IndexFile, which must outlive it.
class TagCursor {
 public:
  virtual ~TagCursor() = default;
  TagCursor(const TagCursor&) = delete;
  TagCursor& operator=(const TagCursor&) = delete;

  // True when the cursor is on an entry.
  virtual bool valid() const = 0;
  // First / last entry in tag order; invalid when the tag is empty.
  virtual void seek_first() = 0;
  virtual void seek_last() = 0;
  // The first entry in tag order whose key, cut to the prefix's length, is
  // >= prefix (<= prefix for a descending tag); invalid when there is none.
  // A prefix longer than the key length is cut to the key length; an empty
  // prefix gives the first entry. "Found" is valid() and key() starting with
  // the prefix; otherwise the cursor stands where a soft seek leaves it.
  virtual void seek(std::string_view prefix) = 0;
  // Next / previous entry in tag order; invalid after the last / before the
  // first. Require valid() (they do nothing otherwise).
  virtual void next() = 0;
  virtual void prev() = 0;
  // The current entry's full key (key_length bytes, fill restored) and record
  // number. Require valid(); the view lasts until the cursor moves.
  virtual std::string_view key() const = 0;
  virtual uint32_t recno() const = 0;
  // OK, or the first error met.
  virtual const Status& status() const = 0;

 protected:
  TagCursor() = default;
};

// The fill byte of a tag for a caller that knows the table (blank for a
// character key, NUL for any other), or nullopt when the tag's key
// expression cannot be typed.
using KeyTyper = std::function<std::optional<char>(const TagInfo&)>;

class IndexFile {
 public:
  ~IndexFile();
  IndexFile(const IndexFile&) = delete;
  IndexFile& operator=(const IndexFile&) = delete;

  // Reads the directory and every tag header. On success returns the index
  // and sets *status OK; on failure returns nullptr and sets *status.
  // Each B-tree tag's fill comes from its header where that settles it, else
  // from typer, else from the tag's first leaves (fill_inference.h).
  static std::unique_ptr<IndexFile> open(std::unique_ptr<platform::RandomAccessFile> file,
                                         Status* status, const KeyTyper& typer = {});

  // The tags in the order in which their headers lie in the file (ascending
  // header offset): tag number n (1-based) is tags()[n - 1].
  const std::vector<TagInfo>& tags() const;
  // Index into tags() of the tag with that name, letter case and trailing
  // blanks ignored; -1 when there is none.
  int find_tag(std::string_view name) const;
  // Overrides the fill byte of a tag, for a caller that knows the key's type.
  // Requires tag < tags().size().
  void set_fill(size_t tag, char fill);

  // A new cursor over tag (invalid until positioned). Requires
  // tag < tags().size(). For a bitmap tag the cursor carries an error status.
  std::unique_ptr<TagCursor> cursor(size_t tag);
  // Counts the keys of a B-tree tag by walking its leaves.
  Status key_count(size_t tag, uint64_t* count);

  // Calls made to the file so far.
  uint64_t read_count() const;
  // The file name used in error values.
  const std::string& name() const;

 private:
  class Impl;
  explicit IndexFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_INDEX_FILE_H_
