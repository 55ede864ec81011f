// gen_installation FOLDER CURRENCIES DAYS [PROGRAM]: writes an installation
// with CURRENCIES foreign currencies and DAYS consecutive daily rates for
// each (rate records = CURRENCIES x DAYS, ending the day before the active
// date, so that every lookup goes past the exact step), the
// program folder FOLDER/tarvo/ and the data folder FOLDER/pos/KV3DB/. The
// rate table is streamed to disk, so ten million records need little memory
// beyond the index entries.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tablewriter/cdx_writer.h"
#include "tablewriter/dbf_writer.h"
#include "tablewriter/pos_installation.h"

namespace {

namespace fs = std::filesystem;
using kx::Date;
namespace w = kx::writer;

constexpr int kIdWidth = 4;

std::string pad_left(const std::string& s, size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

bool write_rates(const std::string& data, int currencies, int days, const Date& last_day) {
  w::DbfSpec spec{0x30,
                  {{"MAUANG_ID", 'N', kIdWidth},
                   {"TANGGAL", 'D'},
                   {"KURS_BELI", 'N', 14, 2},
                   {"KURS_JUAL", 'N', 14, 2}}};
  spec.table_flags = 0x01;
  const uint64_t count = static_cast<uint64_t>(currencies) * static_cast<uint64_t>(days);
  spec.stated_record_count = static_cast<uint32_t>(count);
  spec.end_marker = false;
  const std::string header = w::build_dbf(spec, {}).dbf;
  std::ofstream out(data + "M_KURSMA.KV3", std::ios::binary);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  w::CdxTagSpec tag{"MU_TGL", "PADL(ALLTRIM(STR(MAUANG_ID)),4,\"0\")+DTOS(TANGGAL)", "",
                    kIdWidth + 8, ' '};
  tag.entries.reserve(count);
  uint32_t recno = 0;
  std::string record;
  const int64_t first = last_day.julian() - days + 1;
  for (int c = 0; c < currencies; ++c) {
    const int id = c + 2;
    for (int d = 0; d < days; ++d) {
      const Date day = Date::from_julian(first + d);
      char rate[32];
      std::snprintf(rate, sizeof rate, "%.2f", 1000.0 + id * 10 + (d % 97) * 0.25);
      record = " " + pad_left(std::to_string(id), kIdWidth) + day.dtos() + pad_left(rate, 14) +
               pad_left(rate, 14);
      out.write(record.data(), static_cast<std::streamsize>(record.size()));
      tag.entries.push_back({w::mu_tgl_key(id, day, kIdWidth), ++recno});
    }
  }
  out.put('\x1a');
  out.close();
  return out.good() && w::write_cdx(data + "M_KURSMA.CDX", {tag});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: gen_installation FOLDER CURRENCIES DAYS [PROGRAM]\n");
    return 2;
  }
  const fs::path root = fs::absolute(argv[1]);
  const int currencies = std::atoi(argv[2]);
  const int days = std::atoi(argv[3]);
  if (currencies < 1 || currencies > 9000 || days < 1) return 2;
  const fs::path program_folder = root / "tarvo";
  const fs::path data_folder = root / "pos" / "KV3DB";
  fs::create_directories(program_folder);
  fs::create_directories(data_folder);
  if (argc > 4) {
    fs::copy_file(argv[4], program_folder / fs::path(argv[4]).filename(),
                  fs::copy_options::overwrite_existing);
  }
  const Date active = Date::from_ymd(2026, 3, 7);
  std::vector<w::Currency> list{{1, "IDR", "Rupiah"}};
  for (int c = 0; c < currencies; ++c) {
    const int id = c + 2;
    char code[16];
    std::snprintf(code, sizeof code, "C%03d", id);
    list.push_back({id, code, std::string("Currency ") + code});
  }
  w::Control control;
  control.aktif = active;
  const std::string data = data_folder.string() + "/";
  const bool ok = w::write_location_table(program_folder.string() + "/",
                                          {(root / "pos").string(), "", "", ""}) &&
                  w::write_control_table(data, control) && w::write_currency_table(data, list) &&
                  write_rates(data, currencies, days, Date::from_julian(active.julian() - 1));
  return ok ? 0 : 1;
}
