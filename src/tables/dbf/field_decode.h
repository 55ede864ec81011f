// Turns the stored bytes of one field into a value.
#ifndef KX_TABLES_DBF_FIELD_DECODE_H_
#define KX_TABLES_DBF_FIELD_DECODE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/values/value.h"
#include "tables/bytes.h"
#include "tables/dbf/header.h"

namespace kx::tables::dbf {

// The value of a field whose bytes are in the record (every type but the
// memo types). bytes holds exactly field.width bytes; null_flags holds the
// record's null-flag field (empty when the table has none).
//   C: bytes as stored; V, Q: as stored, or the length in the last byte when
//   the field's short bit is set; N, F: decimal number (see parse_number);
//   D: date, empty when blank or impossible; L: true for T t Y y;
//   I: integer; B: float; Y: float with its exact 4-decimal text;
//   T: the date part.
Value decode_field(const Field& field, ByteView bytes, ByteView null_flags);

// The value every field shows on the blank record past the last record:
// numbers 0, characters width blanks, dates empty, logic false, memo and
// variable-length fields empty.
Value blank_value(const Field& field);

// Reads an N or F field's text. Blanks, NULs, asterisks, and any text that
// is not a plain decimal number give 0. An N field with 0 decimals whose
// value fits in 32 signed bits is an integer; everything else is a float
// carrying its exact decimal text in canonical form ("-0.50", "1.005").
Value parse_number(std::string_view text, bool numeric_type, uint8_t decimals);

// The block number in a memo field's bytes: 4 bytes LE for width 4, right-
// aligned ASCII digits otherwise. 0 (no memo) for blanks or garbage.
uint32_t memo_block(ByteView bytes);

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_FIELD_DECODE_H_
