// Writes table files (DBF) and their memo files (FPT) for tests, tools and
// benchmarks, from named fields and rows of cell values. It can also write
// what a reader must survive: a header that claims more records than the
// file holds, raw field or record bytes, no end-of-file marker.
//
//   DbfSpec spec{0x30, {{"ID", 'I'}, {"KODE", 'C', 3}, {"KURS", 'N', 12, 2}}};
//   write_dbf(dir + "/M_KURSMA.DBF", spec, {{{1, "USD", 15000.5}}, ...});
#ifndef KX_TOOLS_TABLEWRITER_DBF_WRITER_H_
#define KX_TOOLS_TABLEWRITER_DBF_WRITER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/values/date.h"

namespace kx::writer {

struct FieldSpec {
  std::string name;  // at most 10 characters are written
  char type = 'C';
  // 0 means the type's usual width: C 10, N 10, F 20, D 8, L 1, I 4, B 8,
  // Y 8, T 8, V 10, Q 10, M/G/W/P 4 with a Visual-style version byte (0x30
  // to 0x32) else 10, and for the null-flag field '0' the bytes its bits need.
  int width = 0;
  int decimals = 0;
  uint8_t flags = 0;  // descriptor flags; the null-flag field gets 0x05 when 0
};

struct DbfSpec {
  uint8_t version = 0x30;
  std::vector<FieldSpec> fields;
  // Header table flags; when absent: 0x02 for a Visual-style version with
  // memo fields, else 0 (add 0x01 yourself for a structural index).
  std::optional<uint8_t> table_flags = std::nullopt;
  uint8_t code_page = 0x03;
  uint16_t memo_block_size = 64;
  bool end_marker = true;  // a 0x1A byte after the last record
  // The record count the header states; when absent, the number of rows.
  std::optional<uint32_t> stated_record_count = std::nullopt;
};

// One field value. What it becomes depends on the field's type:
//   text: C and V as stored (C padded or cut to the width); N and F right-
//     aligned (asterisks when too wide); D eight characters as given; L its
//     first character; M/G/W/P memo text; Y an exact decimal ("1.2345").
//   integer: N/F digits, I, B, Y (scaled by 10000).
//   number: N/F with the field's decimals, B, Y (rounded to 4 places).
//   logic: L as T or F.   date: D as YYYYMMDD, T at midnight.
//   raw: the field's bytes exactly (cut or padded with NULs to the width).
//   blank: blanks for text types, zeros for binary ones, no memo.
class Cell {
 public:
  enum class Kind { kBlank, kText, kInteger, kNumber, kLogic, kDate, kDateTime, kRaw };

  Cell() = default;
  Cell(const char* text) : kind_(Kind::kText), text_(text) {}
  Cell(std::string text) : kind_(Kind::kText), text_(std::move(text)) {}
  Cell(int v) : kind_(Kind::kInteger), integer_(v) {}
  Cell(int64_t v) : kind_(Kind::kInteger), integer_(v) {}
  Cell(double v) : kind_(Kind::kNumber), number_(v) {}
  Cell(bool v) : kind_(Kind::kLogic), integer_(v ? 1 : 0) {}
  Cell(Date d) : kind_(Kind::kDate), date_(d) {}
  static Cell raw(std::string bytes);
  // A T field's value: a date (empty gives day 0) and milliseconds since midnight.
  static Cell datetime(Date d, uint32_t milliseconds);

  Kind kind() const { return kind_; }
  const std::string& text() const { return text_; }
  int64_t integer() const { return integer_; }
  double number() const { return number_; }
  const Date& date() const { return date_; }

 private:
  Kind kind_ = Kind::kBlank;
  std::string text_;
  int64_t integer_ = 0;
  double number_ = 0;
  Date date_;
};

struct Row {
  std::vector<Cell> cells = {};  // one per field in spec order; missing ones are blank
  bool deleted = false;
  // When set, the whole record's bytes (deletion flag first), cut or padded
  // with blanks to the record length; cells and deleted are then ignored.
  std::optional<std::string> raw = std::nullopt;
};

struct DbfFiles {
  std::string dbf;
  std::string memo;  // empty when the table has no memo field
};

// The bytes of the table and its memo file.
DbfFiles build_dbf(const DbfSpec& spec, const std::vector<Row>& rows);

// A Visual-style table with a field of every type the reader knows, and three
// rows: ordinary values, an empty deleted row, and edge values (largest
// integer, invalid date, short and over-long text).
DbfSpec all_types_spec();
std::vector<Row> all_types_rows();

// Writes the table at path and, when it has memo fields, the memo file with
// the same base name and extension ".fpt". False when a file cannot be written.
bool write_dbf(const std::string& path, const DbfSpec& spec, const std::vector<Row>& rows);

// Writes bytes to a file, replacing it. False on failure.
bool write_file(const std::string& path, const std::string& bytes);

// Layout facts of a spec, for tests that damage one field of the bytes.
int field_width(const DbfSpec& spec, size_t field_index);
uint16_t header_length(const DbfSpec& spec);
uint16_t record_length(const DbfSpec& spec);
// Offset of field_index's descriptor in the header.
size_t descriptor_offset(size_t field_index);
// Offset of a field's first byte in record recno (1-based).
size_t field_offset(const DbfSpec& spec, uint32_t recno, size_t field_index);

// Overwrite fixed-width numbers in bytes (which must be long enough).
void put_le16(std::string* bytes, size_t offset, uint16_t v);
void put_le32(std::string* bytes, size_t offset, uint32_t v);
void put_be16(std::string* bytes, size_t offset, uint16_t v);
void put_be32(std::string* bytes, size_t offset, uint32_t v);

}  // namespace kx::writer

#endif  // KX_TOOLS_TABLEWRITER_DBF_WRITER_H_
