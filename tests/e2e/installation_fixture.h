// A test fixture that runs the program on many installations, each built
// fresh in its own folder from one set of undamaged table files, changed by
// the case, and judged against what the case allows.
#ifndef KX_TESTS_E2E_INSTALLATION_FIXTURE_H_
#define KX_TESTS_E2E_INSTALLATION_FIXTURE_H_

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "e2e/damage_support.h"
#include "e2e/scenario.h"

namespace kx::e2e {

// The undamaged installation: active date 7 March 2026, the home currency
// and four others, each with a rate that another step of the lookup finds.
const std::vector<writer::Currency>& reference_currencies();
const std::vector<writer::Rate>& reference_rates();
Date reference_date();

class InstallationFixture : public ::testing::Test {
 public:
  using Change = std::function<void(const CaseFolder&)>;
  // Looks at a run that the expectation accepted; empty or what is wrong.
  using Check = std::function<std::string(const Classified&, const RunResult&)>;

 protected:
  void SetUp() override;
  void TearDown() override;

  // The undamaged table files (not the location table).
  const FileSet& data() const;
  const Reference& reference() const { return *reference_; }
  const std::string& program() const { return program_; }
  // The copy of the program with the read-fault seam; empty when
  // KX_FAULT_PROGRAM names none.
  const std::string& fault_program() const { return fault_program_; }

  // Builds a fresh installation under label, applies change, runs the
  // program once (the fault program with fault_plan, when given) and judges
  // it; a passed case's folder is removed. When sampled and not a full
  // sweep, only every fifth such case runs (and the result has status -1
  // and no output).
  // With KX_DAMAGE_LOG=path, one line per case (its label, what it printed)
  // is appended to path, for deciding what a new kind of case allows.
  RunResult run_case(const std::string& label, const Change& change, const Expectation& expectation,
                     const Check& check = nullptr, bool sampled = true,
                     const std::string& fault_plan = "");

  // How many cases ran, by outcome (printed when the test ends), and how
  // many failed.
  const std::map<unsigned, int>& tally() const { return tally_; }
  int failures() const { return failures_; }

  // This test's folder, unique to the process: other runs of the suite on
  // the same machine keep to their own.
  const std::string& root() const { return root_; }

 private:
  std::string root_;
  std::string program_;
  std::string fault_program_;
  const Reference* reference_ = nullptr;
  std::map<unsigned, int> tally_;
  int failures_ = 0;
  uint64_t sampled_ = 0;
  double seconds_ = 0;
};

}  // namespace kx::e2e

#endif  // KX_TESTS_E2E_INSTALLATION_FIXTURE_H_
