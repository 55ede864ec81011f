// The files the writer model changes, as it lays them out: their names, the
// rate table's record layout, the MU_TGL key of a rate. For the model's own
// sources only.
#ifndef KX_TESTS_SUPPORT_TORN_POS_FILES_H_
#define KX_TESTS_SUPPORT_TORN_POS_FILES_H_

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tablewriter/cdx_pages.h"
#include "tablewriter/dbf_writer.h"
#include "tablewriter/pos_installation.h"

namespace kx::test::pos_files {

using writer::cdx_pages::Entry;

constexpr const char* kControl = "M_KONTRO.KV3";
constexpr const char* kRates = "M_KURSMA.KV3";
constexpr const char* kIndex = "M_KURSMA.CDX";
constexpr const char* kMuTgl = "MU_TGL";
constexpr const char* kTanggal = "TANGGAL";
constexpr int kIdWidth = 4;
constexpr size_t kCountField = 4;

inline writer::DbfSpec rate_layout() {
  writer::DbfSpec layout{0x30, {}};
  layout.table_flags = 0x01;
  layout.fields = {{"MAUANG_ID", 'N', kIdWidth},
                   {"TANGGAL", 'D'},
                   {"KURS_BELI", 'N', 14, 2},
                   {"KURS_JUAL", 'N', 14, 2}};
  return layout;
}

inline writer::Rate rate_for(int64_t currency, const Date& date, size_t recno) {
  const std::string whole = std::to_string(currency * 1000000 + static_cast<int64_t>(recno));
  return {currency, date, whole + ".25", whole + ".75"};
}

inline uint32_t le_field(const std::string& bytes, size_t at, size_t width) {
  uint32_t v = 0;
  for (size_t i = width; i > 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i - 1]);
  return v;
}

inline bool aktif_offset(const std::string& dbf, uint64_t* offset) {
  if (dbf.size() < 32) return false;
  for (size_t at = 32; at + 32 <= dbf.size() && dbf[at] != 0x0D; at += 32) {
    const std::string name = dbf.substr(at, 11).c_str();
    if (name == "AKTIF") {
      *offset = le_field(dbf, 8, 2) + le_field(dbf, at + 12, 4);
      return true;
    }
  }
  return false;
}

inline Entry mu_entry(const writer::Rate& rate, uint32_t recno) {
  return {writer::mu_tgl_key(rate.currency_id, rate.tanggal, kIdWidth), recno, 0};
}

// The rate whose MU_TGL key is key, with recno.
inline bool parse_key(const std::string& key, int64_t* currency, Date* date) {
  if (key.size() < 12) return false;
  *currency = std::atoi(key.substr(0, 4).c_str());
  *date = Date::from_dtos(key.substr(4, 8));
  return !date->empty();
}

}  // namespace kx::test::pos_files

#endif  // KX_TESTS_SUPPORT_TORN_POS_FILES_H_
