// mkdemo [--name CODE=TEXT]... FOLDER [PROGRAM]: writes a demo installation.
// FOLDER/tarvo/ gets the program and its KELVARO.DIR, which points at
// FOLDER/pos; FOLDER/pos/KV3DB/ gets the control table, the currency master
// and a year of exchange rates.
// mkdemo --help lists the forms and exit statuses.
#include <cstdio>
#include <string>
#include <vector>

#include "build_version.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "runtime/errors/error_texts.h"
#include "tablewriter/pos_installation.h"

namespace {

using kx::Date;
using kx::writer::Currency;
using kx::writer::Rate;

const std::vector<Currency> kCurrencies = {
    {1, "IDR", "Rupiah"},           {2, "USD", "US Dollar"},     {3, "EUR", "Euro"},
    {4, "SGD", "Singapore Dollar"}, {5, "JPY", "Yen"},           {6, "AUD", "Australian Dollar"},
    {7, "MYR", "Ringgit"},          {8, "CNY", "Yuan Renminbi"},
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
          const double mid =
              base * (1.0 + 0.004 * static_cast<double>((int64_t{step} * 7 + c.id * 3) % 11 - 5));
          rates.push_back(
              {c.id, Date::from_ymd(year, month, day), money(mid * 0.995), money(mid * 1.005)});
          ++step;
        }
      }
    }
  }
  return rates;
}

std::string with_separator(std::string path) {
  if (path.empty() || path.back() != kx::platform::path_separator()) {
    path += kx::platform::path_separator();
  }
  return path;
}

// What follows the last separator of path (either slash on Windows).
std::string file_name(const std::string& path) {
  const size_t slash = path.find_last_of(kx::platform::path_separator() == '\\' ? "\\/" : "/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: mkdemo [--name CODE=TEXT]... FOLDER [PROGRAM]\n"
    "       mkdemo --help | --version\n";

constexpr char kHelp[] =
    "\n"
    "Writes a demo installation: FOLDER/tarvo/ gets a copy of PROGRAM and KELVARO.DIR,\n"
    "FOLDER/pos/KV3DB/ the point-of-sale tables. Prints the path of the copied program.\n"
    "\n"
    "  FOLDER     the folder to write into; created when missing\n"
    "  PROGRAM    the program to copy; by default the kursexport beside mkdemo\n"
    "  --name CODE=TEXT\n"
    "             give the demo currency CODE (USD, EUR, SGD, JPY, AUD, MYR, CNY) the\n"
    "             name TEXT: at most 30 bytes, stored as given, in the tables' code\n"
    "             page (Windows-1252); may be given once for each currency\n"
    "  --help     print this help (also -h and /?)\n"
    "  --version  print the version\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  the installation could not be written (the message says why)\n"
    "  2  usage error\n";

// printf to standard output, false when the write fails.
bool print(const std::string& text) {
  return std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "mkdemo: %s\n", message.c_str());
  return kExitFailed;
}

int usage(const std::string& problem) {
  std::fprintf(stderr, "mkdemo: %s\n%s", problem.c_str(), kUsage);
  return kExitUsage;
}

// Gives the currency named by "CODE=TEXT" the name TEXT; else the problem.
// The text is not translated: it reaches the table as the bytes given, so
// that a client's decoding can be tried on any byte of the code page.
bool rename_currency(const std::string& assignment, std::vector<Currency>* currencies,
                     std::string* problem) {
  const size_t equals = assignment.find('=');
  if (equals == std::string::npos) return *problem = "--name needs CODE=TEXT", false;
  const std::string code = assignment.substr(0, equals);
  const std::string text = assignment.substr(equals + 1);
  if (text.size() > kx::writer::kCurrencyNameWidth) {
    return *problem = "the name for " + code + " is longer than " +
                      std::to_string(kx::writer::kCurrencyNameWidth) + " bytes",
           false;
  }
  for (Currency& c : *currencies) {
    if (c.kode == code) return c.nama = text, true;
  }
  return *problem = "no demo currency " + code + " (see mkdemo --help)", false;
}

// FOLDER and PROGRAM from args, and the currencies renamed by --name; a
// usage problem when there are not one or two names. "--" ends the options,
// for a folder whose name starts with "-".
bool parse_args(const std::vector<std::string>& args, std::vector<std::string>* names,
                std::vector<Currency>* currencies, std::string* problem) {
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--name") {
      if (++i == args.size()) return *problem = "--name needs CODE=TEXT", false;
      if (!rename_currency(args[i], currencies, problem)) return false;
    } else if (options && a.size() > 1 && a[0] == '-') {
      return *problem = "unknown option " + a + " (see mkdemo --help)", false;
    } else {
      names->push_back(a);
    }
  }
  if (names->empty()) return *problem = "no folder given", false;
  if (names->size() > 2) return *problem = "too many arguments: " + (*names)[2], false;
  return true;
}

std::string default_program() {
  const std::string exe = kx::platform::path_separator() == '\\' ? ".exe" : "";
  return kx::platform::program_folder() + "kursexport" + exe;
}

// The program to copy: an existing regular file; else the problem.
bool check_program(const std::string& program, std::string* problem) {
  switch (kx::platform::path_kind(program)) {
    case kx::platform::PathKind::kMissing:
      return *problem = "no such program: " + program, false;
    case kx::platform::PathKind::kDirectory:
      return *problem = program + " is a directory, not a program", false;
    case kx::platform::PathKind::kFile:
      break;
  }
  return true;
}

bool make_folder(const std::string& folder, std::string* problem) {
  const kx::platform::FileResult made = kx::platform::make_folders(folder);
  if (made.ok()) return true;
  *problem = "cannot create folder " + folder + ": " +
             (made.os_error == kx::platform::kErrAlreadyExists
                  ? std::string("a file of that name is in the way")
                  : kx::os_error_text(made.os_error));
  return false;
}

// root ends with a separator.
bool write_tables(const std::string& root, const std::string& program_folder,
                  const std::string& data_folder, const std::vector<Currency>& currencies) {
  kx::writer::Location location{root + "pos", "", "", ""};
  kx::writer::Control control;
  control.aktif = Date::from_ymd(2026, 3, 7);
  control.hapus_data = Date::from_ymd(2024, 12, 31);
  const std::string data = with_separator(data_folder);
  return kx::writer::write_location_table(with_separator(program_folder), location) &&
         kx::writer::write_control_table(data, control) &&
         kx::writer::write_currency_table(data, currencies) &&
         kx::writer::write_rate_table(data, demo_rates());
}

// Paths stay the bytes the command line gave them, as the program takes its
// own: on Windows the ANSI code page.
int make_demo(const std::string& folder, const std::string& program,
              const std::vector<Currency>& currencies) {
  std::string problem;
  const std::string root = with_separator(folder);
  const char separator = kx::platform::path_separator();
  const std::string program_folder = root + "tarvo";
  const std::string data_folder = root + "pos" + separator + "KV3DB";
  if (!check_program(program, &problem) || !make_folder(program_folder, &problem) ||
      !make_folder(data_folder, &problem)) {
    return fail(problem);
  }
  const std::string copy = with_separator(program_folder) + file_name(program);
  const kx::platform::FileResult copied = kx::platform::copy_file(program, copy);
  if (!copied.ok()) {
    return fail("cannot copy " + program + " to " + copy + ": " +
                kx::os_error_text(copied.os_error));
  }
  if (!write_tables(root, program_folder, data_folder, currencies)) {
    return fail("cannot write the tables under " + folder);
  }
  // Callers take the program's path from standard output (scripts/demo.sh):
  // a path that never reached them is a failure.
  if (!print(copy + "\n")) return fail("cannot write standard output");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  kx::platform::prepare_process();
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--") break;
    // -h and /? as well, as Windows tools take them.
    const bool help = a == "--help" || a == "-h" || a == "/?";
    if (help || a == "--version") {
      const std::string text =
          help ? std::string("mkdemo ") + KX_BUILD_VERSION + "\n\n" + kUsage + kHelp
               : std::string("mkdemo ") + KX_BUILD_VERSION + "\n";
      return print(text) ? 0 : fail("cannot write standard output");
    }
  }
  std::vector<std::string> names;
  std::vector<Currency> currencies = kCurrencies;
  std::string problem;
  if (!parse_args(args, &names, &currencies, &problem)) return usage(problem);
  const std::string program = names.size() > 1 ? names[1] : default_program();
  return make_demo(kx::platform::absolute_path(names[0]), program, currencies);
}
