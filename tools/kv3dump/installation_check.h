// The installation check of the kv3dump tool: what kursexport would do if it
// ran from a program folder now, found by the program's own start-up steps
// and rate lookup, without printing its output, connecting a network drive
// or writing anything.
//
//   kv3dump --installation PROGRAM_FOLDER [--json]
#ifndef KX_TOOLS_KV3DUMP_INSTALLATION_CHECK_H_
#define KX_TOOLS_KV3DUMP_INSTALLATION_CHECK_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/rate_lookup.h"
#include "app/startup.h"
#include "kv3dump/code_page.h"
#include "kv3dump/program_check.h"
#include "runtime/values/date.h"

namespace kx::kv3dump {

// Exit statuses of --installation.
constexpr int kExitReport = 0;    // the program would print a complete report
constexpr int kExitNoReport = 1;  // it would not; the check names the cause
// It would print a complete report, but something needs attention: an index
// disagrees with its table (rates may be wrong), or the data folder depends
// on the web server's current folder.
constexpr int kExitReportWithWarnings = 8;

// What the program would print; kNothing: the program is not there to run.
enum class Outcome { kReport, kStateObject, kErrorObject, kErrorPage, kNothing };

struct TableCheck {
  std::string name;  // the alias: M_KONTRO, M_MAUANG, M_KURSMA
  std::string path;
  bool found = false;  // the file exists
  bool opened = false;
  uint32_t records = 0;
  std::string last_update;  // YYYY-MM-DD from the header; empty when it holds no date
};

struct TagCheck {
  std::string table;
  uint32_t records = 0;  // of the table
  std::string tag;
  bool index_found = false;  // the table has its index file
  bool present = false;      // the program can make the tag the order
  std::string key;           // key expression
  std::string for_condition;
  // The entries were checked against the records (kv3dump --verify);
  // otherwise why not.
  bool checked = false;
  std::string not_checked;
  size_t missing = 0;
  size_t extra = 0;
  size_t different = 0;
  std::string read_error;  // damage met while walking the tag
  bool agrees() const;     // checked, nothing missing, extra or different, readable
};

struct CurrencyCheck {
  std::string id;    // as the report writes it
  std::string code;  // trailing blanks removed; UTF-8, as all text here
  std::string name;
  bool deleted = false;       // its M_MAUANG record is marked deleted
  bool rate_deleted = false;  // the M_KURSMA record whose rates apply is
  LookupTrace trace;
  uint32_t recno = 0;    // the record whose rates apply (trace.chosen)
  std::string date;      // its TANGGAL, YYYY-MM-DD, or as stored with "(not a date)"
  std::string buy;       // as the report writes KURS_BELI
  std::string sell;      // as the report writes KURS_JUAL
  std::string why_none;  // plain words, when no record applies
  std::string error;     // the runtime error that ended the run here
};

struct InstallationCheck {
  std::string program_folder;  // ends with a separator
  ProgramCheck program;
  LocationTable location;
  // The location table's text as UTF-8 (its code page's; 1252 until opened).
  const CodePage* location_page = find_code_page(1252);
  bool location_opened = false;
  std::optional<LocationFields> fields;
  std::optional<DataFolder> data_folder;
  bool data_folder_exists = false;
  std::vector<TableCheck> tables;
  std::vector<TagCheck> tags;
  std::optional<Date> active_date;
  std::vector<CurrencyCheck> currencies;

  Outcome outcome = Outcome::kReport;
  std::string cause;    // a fixed word, e.g. "control_table_missing"; empty for a report
  std::string problem;  // the cause in plain words
  std::string output;   // the state object the program prints, when it prints one
  std::vector<std::string> warnings;

  int status() const;
};

// Checks the installation whose program (and KELVARO.DIR) lies in
// program_folder. Uses the process's work areas, settings and error handler,
// and closes every work area it opened; meant for a process of its own.
InstallationCheck check_installation(const std::string& program_folder);

// Runs --installation on args (without the program name; "--installation"
// among them), writing the result to out and messages to err. Returns the
// check's status, or 2 for a usage error.
int run_installation_check(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_INSTALLATION_CHECK_H_
