// A small stock table with one tag of every key kind, written with the test
// writers, for the index check's tests. Each tag's entries are built here
// from the row values, independently of the code under test, so that a
// damaged copy differs from the good one in exactly the entries a test
// changes.
#ifndef KX_TESTS_TOOLS_KV3DUMP_TAG_VERIFY_TEST_UTIL_H_
#define KX_TESTS_TOOLS_KV3DUMP_TAG_VERIFY_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tables/cdx/key_encoding.h"
#include "tablewriter/cdx_writer.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {

// Records (recno: CODE, QTY, ID, DAY, FLAG, STAMP, CUST; record 2 deleted):
//   1 "AB"  12.50    7 2024-01-02 T 2024-01-02 "X1"
//   2 "CD"  -3.25   -1 (empty)    F (empty)    "Y2"
//   3 "AB"   0.00  100 2023-12-31 T 2023-12-31 NULL
//   4 "EF"  99.99    5 2024-03-01 F 2024-03-01 "Z3"
//   5 "ab"   1.00    6 2024-03-01 F 2024-03-01 "Z3"
inline writer::DbfSpec stock_table(bool with_null_flags = true) {
  writer::DbfSpec table_def{0x30,
                            {{"CODE", 'C', 4},
                             {"QTY", 'N', 8, 2},
                             {"ID", 'I'},
                             {"DAY", 'D'},
                             {"FLAG", 'L'},
                             {"STAMP", 'T'},
                             {"CUST", 'C', 3, 0, 0x02}}};
  if (with_null_flags) table_def.fields.push_back({"_NullFlags", '0'});
  table_def.table_flags = 0x01;
  return table_def;
}

inline std::vector<writer::Row> stock_rows() {
  using writer::Cell;
  using writer::Row;
  const Date d1 = Date::from_ymd(2024, 1, 2), d3 = Date::from_ymd(2023, 12, 31);
  const Date d4 = Date::from_ymd(2024, 3, 1);
  return {Row{{"AB", 12.5, 7, d1, true, Cell::datetime(d1, 0), "X1"}},
          Row{{"CD", -3.25, -1, Cell(), false, Cell::datetime(Date(), 0), "Y2"}, true},
          Row{{"AB", 0.0, 100, d3, true, Cell::datetime(d3, 0), Cell(), Cell::raw("\x01")}},
          Row{{"EF", 99.99, 5, d4, false, Cell::datetime(d4, 0), "Z3"}},
          Row{{"ab", 1.0, 6, d4, false, Cell::datetime(d4, 0), "Z3"}}};
}

inline writer::CdxTagSpec stock_tag(const char* name, const char* key, uint16_t length, char fill) {
  writer::CdxTagSpec tag;
  tag.name = name;
  tag.key_expression = key;
  tag.key_length = length;
  tag.fill = fill;
  return tag;
}

// Tags, in header order: CODEQTY code+STR(qty,8,2); ID id; QTY qty
// (descending); DAY DAY; FLAG flag; STAMP stamp; CUST cust (nullable); LIVE
// UPPER(code) FOR .NOT.DELETED(); CALC id*10+qty; UNIQ code (unique); GEN
// code (GENERAL collation); LONGNAME customername (no such field).
inline std::vector<writer::CdxTagSpec> stock_tags() {
  using tables::cdx::encode_date;
  using tables::cdx::encode_integer;
  using tables::cdx::encode_numeric;
  using writer::CdxTagSpec;
  CdxTagSpec codeqty = stock_tag("CODEQTY", "code+STR(qty,8,2)", 12, ' ');
  codeqty.entries = {{"AB     12.50", 1},
                     {"CD     -3.25", 2},
                     {"AB      0.00", 3},
                     {"EF     99.99", 4},
                     {"ab      1.00", 5}};
  CdxTagSpec id = stock_tag("ID", "id", 4, '\0');
  const int ids[] = {7, -1, 100, 5, 6};
  CdxTagSpec qty = stock_tag("QTY", "qty", 8, '\0');
  qty.descending = true;
  const double qtys[] = {12.5, -3.25, 0, 99.99, 1};
  CdxTagSpec calc = stock_tag("CALC", "id*10+qty", 8, '\0');
  for (uint32_t r = 1; r <= 5; ++r) {
    id.entries.push_back({encode_integer(ids[r - 1]), r});
    qty.entries.push_back({encode_numeric(qtys[r - 1]), r});
    calc.entries.push_back({encode_numeric(ids[r - 1] * 10 + qtys[r - 1]), r});
  }
  const Date d1 = Date::from_ymd(2024, 1, 2), d3 = Date::from_ymd(2023, 12, 31);
  const Date d4 = Date::from_ymd(2024, 3, 1);
  CdxTagSpec day = stock_tag("DAY", "DAY", 8, '\0');
  day.entries = {{encode_date(d1), 1},
                 {encode_date(Date()), 2},
                 {encode_date(d3), 3},
                 {encode_date(d4), 4},
                 {encode_date(d4), 5}};
  CdxTagSpec flag = stock_tag("FLAG", "flag", 1, '\0');
  flag.entries = {{"T", 1}, {"F", 2}, {"T", 3}, {"F", 4}, {"F", 5}};
  CdxTagSpec stamp = stock_tag("STAMP", "stamp", 8, '\0');
  stamp.entries = {{encode_numeric(static_cast<double>(d1.julian())), 1},
                   {encode_numeric(0), 2},
                   {encode_numeric(static_cast<double>(d3.julian())), 3},
                   {encode_numeric(static_cast<double>(d4.julian())), 4},
                   {encode_numeric(static_cast<double>(d4.julian())), 5}};
  CdxTagSpec cust = stock_tag("CUST", "cust", 4, '\0');
  cust.nullable = true;
  cust.entries = {
      {"\x80X1 ", 1}, {"\x80Y2 ", 2}, {std::string(4, '\0'), 3}, {"\x80Z3 ", 4}, {"\x80Z3 ", 5}};
  CdxTagSpec live = stock_tag("LIVE", "UPPER(code)", 4, ' ');
  live.for_expression = ".NOT.DELETED()";
  live.entries = {{"AB  ", 1}, {"CD  ", 2, false}, {"AB  ", 3}, {"EF  ", 4}, {"AB  ", 5}};
  CdxTagSpec uniq = stock_tag("UNIQ", "code", 4, ' ');
  uniq.unique = true;
  uniq.entries = {{"AB  ", 1}, {"CD  ", 2}, {"EF  ", 4}, {"ab  ", 5}};
  CdxTagSpec gen = stock_tag("GEN", "code", 8, '\0');
  gen.signature = 2;
  gen.collation = "GENERAL";
  gen.entries = {{"\x60\x61", 1}};
  CdxTagSpec longname = stock_tag("LONGNAME", "customername", 3, ' ');
  return {codeqty, id, qty, day, flag, stamp, cust, live, calc, uniq, gen, longname};
}

// Index of the tag named name in tags.
inline writer::CdxTagSpec& tag_named(std::vector<writer::CdxTagSpec>& tags,
                                     const std::string& name) {
  for (writer::CdxTagSpec& t : tags) {
    if (t.name == name) return t;
  }
  ADD_FAILURE() << "no tag " << name;
  return tags.front();
}

// Writes STOCK.DBF and STOCK.CDX (with tags) into folder; the table's path.
// Small nodes give the trees several levels.
inline std::string write_stock(const std::string& folder,
                               const std::vector<writer::CdxTagSpec>& tags = stock_tags(),
                               const writer::DbfSpec& table_def = stock_table()) {
  const std::string path = folder + "/STOCK.DBF";
  EXPECT_TRUE(writer::write_dbf(path, table_def, stock_rows()));
  std::string error;
  writer::CdxWriteOptions options;
  options.max_leaf_entries = 2;
  options.max_interior_entries = 2;
  EXPECT_TRUE(writer::write_cdx(folder + "/STOCK.CDX", tags, options, &error)) << error;
  return path;
}

}  // namespace kx::test

#endif  // KX_TESTS_TOOLS_KV3DUMP_TAG_VERIFY_TEST_UTIL_H_
