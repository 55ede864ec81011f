#include "tablewriter/pos_installation.h"

#include <cstdio>

#include "tables/cdx/key_encoding.h"
#include "tablewriter/cdx_writer.h"
#include "tablewriter/dbf_writer.h"

namespace kx::writer {
namespace {

// Table flag 0x01: the table has a structural index.
constexpr uint8_t kHasIndex = 0x01;
constexpr uint8_t kVersion = 0x30;

std::string base(const std::string& folder, const char* name) { return folder + name; }

}  // namespace

bool write_location_table(const std::string& folder, const Location& location) {
  DbfSpec spec{
      0x03,
      {{"CUR_DIR", 'C', 120}, {"MAP_DRV", 'C', 10}, {"USER_NAME", 'C', 30}, {"PASSWORD", 'C', 30}}};
  return write_dbf(
      folder + "KELVARO.DIR", spec,
      {Row{{location.cur_dir, location.map_drv, location.user_name, location.password}}});
}

bool write_control_table(const std::string& data_folder, const Control& control, bool empty) {
  DbfSpec spec{kVersion,
               {{"DATAID", 'N', 10},
                {"VERSI", 'N', 5},
                {"NAMA", 'C', 50},
                {"ALAMAT", 'C', 100},
                {"NPWP", 'C', 25},
                {"AKTIF", 'D'},
                {"HAPUS_DATA", 'D'}}};
  std::vector<Row> rows;
  if (!empty) {
    rows.push_back(
        Row{{static_cast<int64_t>(control.data_id), static_cast<int64_t>(control.versi),
             control.nama, control.alamat, control.npwp, control.aktif, control.hapus_data}});
  }
  return write_dbf(base(data_folder, "M_KONTRO.KV3"), spec, rows);
}

bool write_currency_table(const std::string& data_folder, const std::vector<Currency>& currencies,
                          const TableOptions& options) {
  DbfSpec spec{kVersion,
               {{"ID", 'N', 4},
                {"KODE", 'C', options.kode_width},
                {"NAMA", 'C', static_cast<int>(kCurrencyNameWidth)}}};
  spec.table_flags = kHasIndex;
  std::vector<Row> rows;
  CdxTagSpec id_tag = options.character_id_tag ? CdxTagSpec{"ID", "STR(ID,4)", "", 4, ' '}
                                               : CdxTagSpec{"ID", "ID", "", 8, '\0'};
  uint32_t recno = 0;
  for (const Currency& c : currencies) {
    rows.push_back(Row{{c.id, c.kode, c.nama}});
    char id_text[32];
    std::snprintf(id_text, sizeof id_text, "%4lld", static_cast<long long>(c.id));
    id_tag.entries.push_back({options.character_id_tag
                                  ? char_key(id_text, 4)
                                  : tables::cdx::encode_numeric(static_cast<double>(c.id)),
                              ++recno});
  }
  if (!write_dbf(base(data_folder, "M_MAUANG.KV3"), spec, rows)) return false;
  CdxTagSpec name_tag{"KODE", "KODE", "", static_cast<uint16_t>(options.kode_width), ' '};
  recno = 0;
  for (const Currency& c : currencies)
    name_tag.entries.push_back({char_key(c.kode, options.kode_width), ++recno});
  std::vector<CdxTagSpec> tags{name_tag};
  if (options.write_id_tag) tags.push_back(id_tag);
  return write_cdx(base(data_folder, "M_MAUANG.CDX"), tags);
}

std::string mu_tgl_key(int64_t currency_id, const Date& tanggal, int width) {
  std::string digits = std::to_string(currency_id);
  if (digits.size() < static_cast<size_t>(width))
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return digits + tanggal.dtos();
}

bool write_rate_table(const std::string& data_folder, const std::vector<Rate>& rates,
                      const TableOptions& options) {
  const int width = options.mauang_id_width;
  DbfSpec spec{kVersion, {}};
  spec.table_flags = kHasIndex;
  spec.fields.push_back({options.write_mauang_id_field ? "MAUANG_ID" : "MATA_UANG", 'N', width});
  spec.fields.push_back({"TANGGAL", 'D'});
  spec.fields.push_back({"KURS_BELI", 'N', 14, 2});
  spec.fields.push_back({"KURS_JUAL", 'N', 14, 2});
  std::vector<Row> rows;
  rows.reserve(rates.size());
  CdxTagSpec tag{"MU_TGL",
                 "PADL(ALLTRIM(STR(MAUANG_ID))," + std::to_string(width) + ",\"0\")+DTOS(TANGGAL)",
                 "", static_cast<uint16_t>(width + 8), ' '};
  CdxTagSpec date_tag{"TANGGAL", "TANGGAL", "", 8, '\0'};
  tag.entries.reserve(rates.size());
  uint32_t recno = 0;
  for (const Rate& r : rates) {
    rows.push_back(Row{{r.currency_id, r.tanggal, r.kurs_beli, r.kurs_jual}});
    ++recno;
    tag.entries.push_back({mu_tgl_key(r.currency_id, r.tanggal, width), recno});
    date_tag.entries.push_back({tables::cdx::encode_date(r.tanggal), recno});
  }
  if (!write_dbf(base(data_folder, "M_KURSMA.KV3"), spec, rows)) return false;
  std::vector<CdxTagSpec> tags{date_tag};
  if (options.write_mu_tgl_tag) tags.push_back(tag);
  return write_cdx(base(data_folder, "M_KURSMA.CDX"), tags);
}

}  // namespace kx::writer
