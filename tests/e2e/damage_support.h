// Helpers for running the program on damaged installations: what class of
// result a run printed, whether a report holds only rates that were written,
// and installation folders built fresh for each case from one set of bytes.
#ifndef KX_TESTS_E2E_DAMAGE_SUPPORT_H_
#define KX_TESTS_E2E_DAMAGE_SUPPORT_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "e2e/program_runner.h"
#include "tablewriter/pos_installation.h"

namespace kx::e2e {

// What a run printed, as a bit so that a case can allow several.
enum Outcome : unsigned {
  kReport = 1,       // a complete report (one JSON object)
  kStateObject = 2,  // {"State":1,...} from start-up
  kErrorObject = 4,  // {"Error":1,...}, possibly after part of the report
  kErrorPage = 8,    // the HTML error page, possibly after part of the report
  kNothing = 16,     // no output at all
  kUnclassified = 32,
};
std::string outcome_names(unsigned outcomes);

struct Classified {
  Outcome outcome = kUnclassified;
  std::string report;   // the report text in front of the failure output
  std::string failure;  // the state or error object, or the page
};
Classified classify(const std::string& out);

// The value of the page's "File Name" line; empty when there is none.
std::string page_file_name(const std::string& page);

// Everything a case may check a report against.
struct Reference {
  std::vector<writer::Currency> currencies;
  std::vector<writer::Rate> rates;
  std::string report;  // the undamaged installation's report, time masked
};

// Empty when every currency in report (complete or cut off) shows either no
// rate (0.00 and 0.00) or the buy and sell rate of one record written: for
// its own ID when per_currency, for any currency otherwise (an index that
// points at the wrong record is trusted, as the point-of-sale application
// trusts it). Otherwise what is wrong.
std::string check_rates(const std::string& report, const Reference& reference, bool per_currency);

// What a case allows.
struct Expectation {
  unsigned allowed = 0;      // Outcome bits
  bool intact_only = false;  // a complete report must be the undamaged one
  bool per_currency = true;  // see check_rates
};

// A run's result measured against what the case allows: empty when it is
// acceptable, otherwise why not. Any report text, complete or in front of a
// failure, is checked with check_rates.
std::string judge(const RunResult& run, const Expectation& expectation, const Reference& reference);

// The files of an installation as bytes, without the location table (whose
// path differs per folder).
using FileSet = std::map<std::string, std::string>;

// One case's installation: root/<label>/tarvo holds a link to (or copy of)
// the program, of the program with the read-fault seam when one is given,
// and KELVARO.DIR; root/<label>/pos/KV3DB holds the tables.
class CaseFolder {
 public:
  CaseFolder(const std::string& root, const std::string& label, const std::string& program,
             const FileSet& data, const std::string& fault_program = "");

  // Where a file of the installation lies ("KELVARO.DIR" or a table file).
  std::string path(const std::string& file) const;
  std::string data_folder() const { return folder_ + "/pos/KV3DB/"; }
  std::string program_folder() const { return folder_ + "/tarvo/"; }
  // Runs from the case root (which holds no KV3DB folder of its own). With a
  // fault plan, runs the fault program instead and hands it the plan in
  // KX_FAULT_READ (see support/testing/faulty_env.h); without a fault program that
  // run does not start and the result says why in err. Standard output goes
  // where output says.
  RunResult run(double timeout_seconds = 5, const std::string& fault_plan = "",
                Output output = Output::kPipe) const;
  // Removes the folder (a passed case leaves nothing behind).
  void remove() const;

 private:
  std::string folder_;
  std::string program_;
  std::string fault_program_;
};

// Reads a whole file; false when it cannot be read.
bool read_bytes(const std::string& path, std::string* bytes);
bool write_bytes_to(const std::string& path, const std::string& bytes);

// The fixed layout numbers of a table file.
struct DbfLayout {
  uint32_t header_length = 0;
  uint32_t record_length = 0;
  uint32_t record_count = 0;
  uint32_t field_count = 0;                           // descriptors before the 0x0D terminator
  std::vector<std::pair<uint32_t, uint32_t>> fields;  // offset in record, width
};
DbfLayout dbf_layout(const std::string& bytes);

// The full sweep natively, or whenever KX_DAMAGE_FULL=1; under wine and in
// the sanitizer build a spread subset keeps the suite within its time.
bool full_sweep();

}  // namespace kx::e2e

#endif  // KX_TESTS_E2E_DAMAGE_SUPPORT_H_
