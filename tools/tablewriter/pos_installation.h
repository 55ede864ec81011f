// Writes a point-of-sale installation for tests, the demo tool and the
// benchmarks: the location table beside the program and, in the data folder,
// the control table, the currency master and the exchange-rate table with
// their compound indexes, shaped as the point-of-sale application writes them.
#ifndef KX_TOOLS_TABLEWRITER_POS_INSTALLATION_H_
#define KX_TOOLS_TABLEWRITER_POS_INSTALLATION_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/values/date.h"

namespace kx::writer {

struct Location {
  std::string cur_dir;
  std::string map_drv;
  std::string user_name;
  std::string password;
};

struct Control {
  uint32_t data_id = 1;
  uint32_t versi = 1;
  std::string nama = "TOKO CONTOH";
  std::string alamat = "JL. CONTOH 1";
  std::string npwp = "01.234.567.8-901.000";
  Date aktif;
  Date hapus_data;
};

// Declared width of M_MAUANG->NAMA; longer names are cut to it.
constexpr size_t kCurrencyNameWidth = 30;

struct Currency {
  int64_t id = 0;
  std::string kode;
  std::string nama;
};

// Rates are decimal texts as the table stores them ("15250.50").
struct Rate {
  int64_t currency_id = 0;
  Date tanggal;
  std::string kurs_beli;
  std::string kurs_jual;
};

struct TableOptions {
  int mauang_id_width = 4;  // declared width of M_KURSMA->MAUANG_ID
  int kode_width = 5;
  bool write_id_tag = true;       // tag "ID" on M_MAUANG
  bool character_id_tag = false;  // tag "ID" over STR(ID,4) instead of the numeric ID
  bool write_mu_tgl_tag = true;   // tag "MU_TGL" on M_KURSMA
  bool write_mauang_id_field = true;
};

// Writes KELVARO.DIR into folder (which must exist).
bool write_location_table(const std::string& folder, const Location& location);
// Writes M_KONTRO.KV3 into the data folder; with no record when empty.
bool write_control_table(const std::string& data_folder, const Control& control,
                         bool empty = false);
// Writes M_MAUANG.KV3 and M_MAUANG.CDX (tag ID on the numeric ID, or on
// STR(ID,4) with character_id_tag).
bool write_currency_table(const std::string& data_folder, const std::vector<Currency>& currencies,
                          const TableOptions& options = {});
// Writes M_KURSMA.KV3 and M_KURSMA.CDX (tag MU_TGL: the currency id padded
// with "0" to the width of MAUANG_ID, then the date as YYYYMMDD), records in
// the order given.
bool write_rate_table(const std::string& data_folder, const std::vector<Rate>& rates,
                      const TableOptions& options = {});

// The MU_TGL key of a rate.
std::string mu_tgl_key(int64_t currency_id, const Date& tanggal, int width);

}  // namespace kx::writer

#endif  // KX_TOOLS_TABLEWRITER_POS_INSTALLATION_H_
