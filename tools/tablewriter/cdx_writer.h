// Writes compound index (CDX) files for tests, the demo data set and the
// benchmarks. The caller gives each tag's keys already encoded (see
// tables/cdx/key_encoding.h) with their record numbers; the writer does not
// evaluate key or FOR expressions, it stores their texts.
//
// The output follows the layout that the point-of-sale application's files
// have: a tag directory at offset 0, one 1024-byte header per tag, B-trees of
// 512-byte nodes whose interior keys are the greatest key of their subtree,
// sibling links on every level, leaves with per-node record-number width and
// duplicate/trailing compression against the previous key with its trailing
// fill removed.
#ifndef KX_TOOLS_TABLEWRITER_CDX_WRITER_H_
#define KX_TOOLS_TABLEWRITER_CDX_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx::writer {

struct CdxEntry {
  std::string key{};  // key_length bytes (shorter keys are padded with the fill)
  uint32_t recno = 0;
  bool for_result = true;  // false: the record fails the FOR condition and gets no key
};

struct CdxTagSpec {
  std::string name{};            // at most 10 characters; stored in upper case
  std::string key_expression{};  // stored as given
  std::string for_expression{};  // empty: no FOR condition
  uint16_t key_length = 10;      // 1..240, the NULL-indicator byte included
  char fill = ' ';               // ' ' for character keys, '\0' for all others
  bool descending = false;
  bool unique = false;
  bool candidate = false;
  bool nullable = false;
  uint8_t signature = 1;            // 1 machine collation, 2 another collation
  std::string collation{};          // stored at 0x1EE when not empty (at most 8 bytes)
  std::vector<CdxEntry> entries{};  // any order: the writer sorts by (key, recno)
};

struct CdxWriteOptions {
  // Caps on entries per node (0: as many as fit), so that small key counts
  // give deep trees: max_leaf_entries 2 and max_interior_entries 2 reach
  // depth 3 with 5 keys.
  size_t max_leaf_entries = 0;
  size_t max_interior_entries = 0;
};

// Where the writer put things, for tests that damage one field.
struct CdxTreeLayout {
  uint64_t header_offset = 0;
  uint64_t root = 0;
  // levels[0] holds the leaves from left to right, levels.back() the root.
  std::vector<std::vector<uint64_t>> levels;
};
struct CdxLayout {
  CdxTreeLayout directory;
  std::vector<CdxTreeLayout> tags;  // in the order given
};

// Blank-pads (or cuts) text to a character key of key_length bytes.
std::string char_key(std::string_view text, size_t key_length);

// The whole file as bytes. Tag headers lie in the order given; the
// directory lists the tags by name. layout, when given, receives the offsets.
std::string build_cdx(const std::vector<CdxTagSpec>& tags, const CdxWriteOptions& options = {},
                      CdxLayout* layout = nullptr);

// Writes build_cdx's bytes to path; false (with *error set) on failure.
bool write_cdx(const std::string& path, const std::vector<CdxTagSpec>& tags,
               const CdxWriteOptions& options = {}, std::string* error = nullptr,
               CdxLayout* layout = nullptr);

}  // namespace kx::writer

#endif  // KX_TOOLS_TABLEWRITER_CDX_WRITER_H_
