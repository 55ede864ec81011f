// The 1024-byte header of the tag directory (at offset 0) and of every tag.
#ifndef KX_TABLES_CDX_TAG_HEADER_H_
#define KX_TABLES_CDX_TAG_HEADER_H_

#include <cstdint>
#include <string>

#include "tables/paged_file.h"
#include "tables/status.h"

namespace kx::tables::cdx {

struct TagHeader {
  uint64_t offset = 0;
  uint32_t root = 0;
  uint16_t key_length = 0;
  uint8_t options = 0;
  uint8_t signature = 0;
  bool descending = false;
  std::string collation;       // NUL padding removed
  std::string key_expression;  // empty unless read with expressions
  std::string for_expression;
};

// "directory header" or "tag header 0x800": the place named in errors.
std::string header_place(uint64_t offset);

// Reads and checks the header at offset: its position, key length and option
// bits; with with_expressions also the expression page. The root pointer is
// left for the walk to check. freshness is that of PagedFile::read; the page
// after the header is read with it (it often holds the tag's root). Returns
// a corruption error naming the header (also when the file ends inside it),
// or the read error.
Status read_tag_header(PagedFile* file, uint64_t offset, bool with_expressions,
                       PagedFile::Freshness freshness, TagHeader* header);

// What every positioning operation re-reads: the root and the fields that
// must not have changed since the index was opened.
struct TagRoot {
  uint32_t root = 0;
  uint32_t counter = 0;  // the change counter: a writer raises it after each change
  uint16_t key_length = 0;
  uint8_t signature = 0;
};

// Reads the root fields of the header at offset, with the same checks and
// errors as read_tag_header.
Status read_tag_root(PagedFile* file, uint64_t offset, PagedFile::Freshness freshness,
                     TagRoot* root);

// Parses header bytes already in memory (size is kHeaderSize, or kPageSize
// without the expression page).
Status parse_tag_header(const std::string& file, uint64_t offset, const uint8_t* bytes, size_t size,
                        TagHeader* header);

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_TAG_HEADER_H_
