// A small exchange-rate table with a compound index, written into a scratch
// folder for the work-area tests.
#ifndef KX_TESTS_TABLES_WORK_AREA_TEST_UTIL_H_
#define KX_TESTS_TABLES_WORK_AREA_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testing/child_process.h"
#include "tables/cdx/key_encoding.h"
#include "tablewriter/cdx_writer.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {

// Records (recno: MU, TGL, KURS_BELI, ID; record 3 is deleted):
//   1 USD 2026-03-01 15000.50 10     2 EUR 2026-03-01 16000.25 20
//   3 USD 2026-02-01 14900.00 30     4 JPY 2026-03-05   100.10 40
//   5 USD 2026-03-05 15100.00 50
// Tags, in header order: 1 MU_TGL (MU+DTOS(TGL), character), 2 ID
// (integer), 3 KURS (numeric, descending), 4 USDONLY (MU, FOR MU="USD"),
// 5 TGL (date), 6 NAMA_GEN (character, GENERAL collation).
struct RateRow {
  const char* mu;
  Date tgl;
  double kurs;
  int id;
  bool deleted;
};

inline std::vector<RateRow> rate_rows() {
  return {{"USD", Date::from_ymd(2026, 3, 1), 15000.50, 10, false},
          {"EUR", Date::from_ymd(2026, 3, 1), 16000.25, 20, false},
          {"USD", Date::from_ymd(2026, 2, 1), 14900.00, 30, true},
          {"JPY", Date::from_ymd(2026, 3, 5), 100.10, 40, false},
          {"USD", Date::from_ymd(2026, 3, 5), 15100.00, 50, false}};
}

inline writer::DbfSpec rate_spec() {
  return writer::DbfSpec{
      0x30, {{"MU", 'C', 3}, {"TGL", 'D'}, {"KURS_BELI", 'N', 12, 2}, {"ID", 'I'}, {"NOTE", 'M'}}};
}

inline std::vector<writer::Row> rate_table_rows(const std::vector<RateRow>& rows) {
  std::vector<writer::Row> out;
  for (const RateRow& r : rows)
    out.push_back(writer::Row{{r.mu, r.tgl, r.kurs, r.id, "memo"}, r.deleted});
  return out;
}

inline writer::CdxTagSpec make_tag(const char* name, const char* expression, uint16_t key_length,
                                   char fill) {
  writer::CdxTagSpec tag;
  tag.name = name;
  tag.key_expression = expression;
  tag.key_length = key_length;
  tag.fill = fill;
  return tag;
}

inline std::vector<writer::CdxTagSpec> rate_tags(const std::vector<RateRow>& rows) {
  writer::CdxTagSpec mu_tgl = make_tag("MU_TGL", "mu+DTOS(tgl)", 11, ' ');
  writer::CdxTagSpec id = make_tag("ID", "id", 4, '\0');
  writer::CdxTagSpec kurs = make_tag("KURS", "kurs_beli", 8, '\0');
  kurs.descending = true;
  writer::CdxTagSpec usd = make_tag("USDONLY", "mu", 3, ' ');
  usd.for_expression = "mu=\"USD\"";
  writer::CdxTagSpec tgl = make_tag("TGL", "tgl", 8, '\0');
  writer::CdxTagSpec general = make_tag("NAMA_GEN", "mu", 6, '\0');
  general.signature = 2;
  general.collation = "GENERAL";
  for (size_t i = 0; i < rows.size(); ++i) {
    const RateRow& r = rows[i];
    const uint32_t recno = static_cast<uint32_t>(i + 1);
    mu_tgl.entries.push_back({writer::char_key(std::string(r.mu) + r.tgl.dtos(), 11), recno});
    id.entries.push_back({tables::cdx::encode_integer(r.id), recno});
    kurs.entries.push_back({tables::cdx::encode_numeric(r.kurs), recno});
    usd.entries.push_back({writer::char_key(r.mu, 3), recno, std::string(r.mu) == "USD"});
    tgl.entries.push_back({tables::cdx::encode_date(r.tgl), recno});
    general.entries.push_back({std::string(r.mu) + std::string(3, '\0'), recno});
  }
  return {mu_tgl, id, kurs, usd, tgl, general};
}

// A fresh scratch folder for the current test.
inline std::string fresh_folder() {
  const std::string folder = std::filesystem::path(scratch_path("x")).parent_path().string();
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::filesystem::remove_all(entry.path());
  }
  return folder;
}

// Writes M_KURSMA.KV3, its memo and M_KURSMA.CDX into folder; the table's path.
inline std::string write_rate_table(const std::string& folder,
                                    const std::vector<RateRow>& rows = rate_rows(),
                                    const std::string& index_leaf = "M_KURSMA.CDX") {
  const std::string path = folder + "/M_KURSMA.KV3";
  EXPECT_TRUE(writer::write_dbf(path, rate_spec(), rate_table_rows(rows)));
  std::string error;
  EXPECT_TRUE(writer::write_cdx(folder + "/" + index_leaf, rate_tags(rows), {}, &error)) << error;
  return path;
}

}  // namespace kx::test

#endif  // KX_TESTS_TABLES_WORK_AREA_TEST_UTIL_H_
