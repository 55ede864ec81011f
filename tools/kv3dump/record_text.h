// How kv3dump writes field values: as JSON and as CSV, in UTF-8.
#ifndef KX_TOOLS_KV3DUMP_RECORD_TEXT_H_
#define KX_TOOLS_KV3DUMP_RECORD_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kv3dump/code_page.h"
#include "tables/dbf/table.h"
#include "tables/status.h"

namespace kx::kv3dump {

// bytes as a JSON string with its quotes: quote, backslash and control
// characters escaped, bytes 128-255 written as \u0080-\u00FF.
std::string json_string(const std::string& bytes);

// UTF-8 text as a JSON string with its quotes: quote, backslash, control
// characters and U+007F-U+009F escaped, other characters as they are; a
// byte that is not part of a valid UTF-8 sequence is written as \u00XX.
std::string json_text(std::string_view utf8);

// One CSV field (RFC 4180): quoted when it holds a comma, a quote, CR or LF,
// with its quotes doubled; as it is otherwise.
std::string csv_field(std::string_view utf8);

// "YYYY-MM-DDTHH:MM:SS" for a Julian day number and the milliseconds since
// midnight (the fraction of a second is cut off); "" when both are 0.
std::string datetime_text(int64_t julian_day, uint32_t milliseconds);

// A stored date that is no date, as the tools show it: "20260230 (not a
// date)".
std::string not_a_date(std::string_view stored);

// A password as the tools show it: "****", or "" when there is none.
std::string masked_password(std::string_view password);

// A field's value as text.
struct CellText {
  std::string text;      // UTF-8
  bool literal = false;  // a number, true or false: no quotes in JSON
};

// The value of visible field index of record: character fields (C) without
// their trailing blanks, memo and varchar text as stored, both decoded from
// page; binary values (G, W, P, Q, and fields flagged binary) as lowercase
// hexadecimal, two digits a byte; numbers as their decimals; dates
// YYYY-MM-DD ("" when blank, the stored text with "(not a date)" when it
// holds no date) and datetimes YYYY-MM-DDTHH:MM:SS ("" when empty); logicals
// true or false. The table's error when a memo value cannot be read.
tables::Status cell_text(tables::dbf::Table& table, const tables::dbf::Record& record, size_t index,
                         const CodePage& page, CellText* out);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_RECORD_TEXT_H_
