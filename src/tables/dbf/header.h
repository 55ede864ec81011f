// The table file's header and field descriptors, checked once when a table is
// opened.
#ifndef KX_TABLES_DBF_HEADER_H_
#define KX_TABLES_DBF_HEADER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/bytes.h"
#include "tables/status.h"

namespace kx::tables::dbf {

struct Field {
  std::string name;  // as stored, up to its first NUL, trailing blanks removed
  char type = 'C';
  uint8_t width = 0;
  uint8_t decimals = 0;
  uint8_t flags = 0;
  uint32_t offset = 0;  // in the record; the first field is at 1
  // Bits of the hidden null-flag field: a V or Q field's "short value" bit
  // and a nullable field's NULL bit; -1 when the field has none.
  int short_bit = -1;
  int null_bit = -1;
};

// The first 32 bytes.
struct HeaderPrefix {
  uint8_t version = 0;
  // The date of the last update as the writer stored it: writers differ in
  // whether the year byte counts from 1900 or is the year's last two digits.
  uint8_t update_year = 0;
  uint8_t update_month = 0;
  uint8_t update_day = 0;
  uint32_t record_count = 0;  // as the header states it
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  uint8_t table_flags = 0;
  uint8_t code_page = 0;
};

struct TableLayout {
  HeaderPrefix prefix;
  std::vector<Field> fields;        // the visible fields, in record order
  std::optional<Field> null_flags;  // the hidden null-flag field, when present

  // True when some field keeps its value in the memo file (M, G, W, P).
  bool has_memo_fields() const;
  // 0-based index of the field named name (letter case ignored), or -1.
  int find_field(std::string_view name) const;
};

// Decodes the 32-byte prefix. Fails with a corruption status naming file_name
// when the view is shorter than 32 bytes, the version byte is unknown or
// the header length leaves no room for a field descriptor.
Status parse_header_prefix(ByteView bytes, const std::string& file_name, HeaderPrefix* prefix);

// Decodes the whole header (prefix.header_length bytes). Descriptors run from
// offset 32 to the 0x0D terminator or the header length, whichever comes
// first. Corruption when a descriptor runs past the header length, a name is
// empty, a type is unknown, a width does not suit its type, there are more
// than 255 visible fields or none, or the record length is smaller than the
// fields need.
Status parse_layout(ByteView header, const std::string& file_name, TableLayout* layout);

// True for the field types whose value lives in the memo file.
bool is_memo_type(char type);

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_HEADER_H_
