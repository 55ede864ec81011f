// mkdemo FOLDER [PROGRAM]: writes a demo installation. FOLDER/tarvo/ gets the
// program and its KELVARO.DIR, which points at FOLDER/pos; FOLDER/pos/KV3DB/
// gets the control table, the currency master and a year of exchange rates.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/pos_installation.h"

namespace {

namespace fs = std::filesystem;
using kx::Date;
using kx::test::Currency;
using kx::test::Rate;

const std::vector<Currency> kCurrencies = {
    {1, "IDR", "Rupiah"},         {2, "USD", "US Dollar"},        {3, "EUR", "Euro"},
    {4, "SGD", "Singapore Dollar"}, {5, "JPY", "Yen"},            {6, "AUD", "Australian Dollar"},
    {7, "MYR", "Ringgit"},        {8, "CNY", "Yuan Renminbi"},
};

// Rupiah per unit around which each currency's demo rates move.
const double kBaseRates[] = {1, 15800, 17100, 11750, 105.5, 10350, 3360, 2180};

std::string money(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  return buffer;
}

// Rates on the 1st and the 15th of every month from March 2025 to March
// 2026, so that the active date 7 March 2026 takes the 1 March rate through
// the month step.
std::vector<Rate> demo_rates() {
  std::vector<Rate> rates;
  for (const Currency& c : kCurrencies) {
    if (c.id == 1) continue;
    const double base = kBaseRates[c.id - 1];
    int step = 0;
    for (int year = 2025; year <= 2026; ++year) {
      for (int month = 1; month <= 12; ++month) {
        if ((year == 2025 && month < 3) || (year == 2026 && month > 3)) continue;
        for (int day : {1, 15}) {
          const double mid = base * (1.0 + 0.004 * ((step * 7 + c.id * 3) % 11 - 5));
          rates.push_back({c.id, Date::from_ymd(year, month, day), money(mid * 0.995), money(mid * 1.005)});
          ++step;
        }
      }
    }
  }
  return rates;
}

std::string with_separator(const fs::path& p) {
  std::string s = p.string();
  if (s.empty() || s.back() != kx::platform::path_separator()) s += kx::platform::path_separator();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  kx::platform::prepare_process();
  if (argc < 2) {
    std::fprintf(stderr, "usage: mkdemo FOLDER [PROGRAM]\n");
    return 2;
  }
  const fs::path root = fs::absolute(argv[1]);
  const std::string exe_name = std::string("kursexport") + (kx::platform::path_separator() == '\\' ? ".exe" : "");
  const fs::path program = argc > 2 ? fs::path(argv[2]) : fs::path(kx::platform::program_folder()) / exe_name;
  const fs::path program_folder = root / "tarvo";
  const fs::path data_folder = root / "pos" / "KV3DB";
  std::error_code ec;
  fs::create_directories(program_folder, ec);
  fs::create_directories(data_folder, ec);
  if (fs::exists(program)) {
    fs::copy_file(program, program_folder / program.filename(), fs::copy_options::overwrite_existing, ec);
    if (ec) {
      std::fprintf(stderr, "mkdemo: cannot copy %s: %s\n", program.string().c_str(), ec.message().c_str());
      return 1;
    }
  } else {
    std::fprintf(stderr, "mkdemo: %s not found; the program folder gets only KELVARO.DIR\n",
                 program.string().c_str());
  }
  kx::test::Location location{(root / "pos").string(), "", "", ""};
  kx::test::Control control;
  control.aktif = Date::from_ymd(2026, 3, 7);
  control.hapus_data = Date::from_ymd(2024, 12, 31);
  const std::string data = with_separator(data_folder);
  const bool ok = kx::test::write_location_table(with_separator(program_folder), location) &&
                  kx::test::write_control_table(data, control) &&
                  kx::test::write_currency_table(data, kCurrencies) &&
                  kx::test::write_rate_table(data, demo_rates());
  if (!ok) {
    std::fprintf(stderr, "mkdemo: cannot write the tables under %s\n", root.string().c_str());
    return 1;
  }
  // Callers take the program's path from standard output (scripts/demo.sh):
  // a path that never reached them is a failure.
  if (std::printf("%s\n", (program_folder / program.filename()).string().c_str()) < 0 ||
      std::fflush(stdout) != 0) {
    std::fprintf(stderr, "mkdemo: cannot write standard output\n");
    return 1;
  }
  return 0;
}
