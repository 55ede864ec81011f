// A scenario folder for the end-to-end tests: a program folder holding a copy
// of the program under test and its KELVARO.DIR, and a point-of-sale folder
// whose KV3DB subfolder holds the tables.
#ifndef KX_TESTS_E2E_SCENARIO_H_
#define KX_TESTS_E2E_SCENARIO_H_

#include <string>
#include <vector>

#include "e2e/program_runner.h"
#include "support/testing/console_lines.h"
#include "tablewriter/pos_installation.h"

namespace kx::e2e {

class Scenario {
 public:
  // A fresh, empty folder named after the current test.
  Scenario();

  const std::string& root() const { return root_; }
  std::string program_folder() const { return root_ + "/tarvo/"; }
  std::string pos_folder() const { return root_ + "/pos"; }
  std::string data_folder() const { return root_ + "/pos/KV3DB/"; }

  // KELVARO.DIR with CUR_DIR as given (already in the target's path form).
  void write_location(const writer::Location& location);
  // KELVARO.DIR whose CUR_DIR is the point-of-sale folder, in the target's form.
  void write_location_to_pos();
  // The control table with the given active date.
  void write_control(const Date& aktif);
  void write_currencies(const std::vector<writer::Currency>& currencies,
                        const writer::TableOptions& options = {});
  void write_rates(const std::vector<writer::Rate>& rates,
                   const writer::TableOptions& options = {});

  // A complete installation: location, control, currencies and rates.
  void write_installation(const Date& aktif, const std::vector<writer::Currency>& currencies,
                          const std::vector<writer::Rate>& rates,
                          const writer::TableOptions& options = {});

  // Runs the program from the program folder (working directory: cwd, or
  // the scenario root).
  RunResult run(const std::string& cwd = "") const;

  // The data folder as the program names it ("/.../pos/KV3DB/" natively,
  // "Z:\...\pos\KV3DB\" under wine).
  std::string target_data_folder() const;

 private:
  std::string root_;
};

// Text between JSON quotes the way the state and error objects escape it.
std::string json_escaped(const std::string& text);

// The report with the time member's value replaced by "hh:mm:ss"; fails the
// current test when that value is not a 24-hour time.
std::string mask_time(const std::string& report);

// What a report looks like line by line: "\r\n" before each piece.
using test::lines;

// The five members of one currency, each preceded by a comma line.
std::vector<std::string> currency_members(const std::string& code, const std::string& id,
                                          const std::string& kode, const std::string& nama,
                                          const std::string& beli, const std::string& jual);

}  // namespace kx::e2e

#endif  // KX_TESTS_E2E_SCENARIO_H_
