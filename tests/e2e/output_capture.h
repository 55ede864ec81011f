// Keeps what each run of the program printed: with KX_E2E_OUTPUT_DIR set,
// every run's standard output is written, byte for byte, to a file of its
// own in that folder, so that checks outside the suite (the report schema
// check, scripts/check-schema.sh) can read every output the suite produced.
#ifndef KX_TESTS_E2E_OUTPUT_CAPTURE_H_
#define KX_TESTS_E2E_OUTPUT_CAPTURE_H_

#include <string>

namespace kx::e2e {

// Writes out, what a run of program printed, to
// KX_E2E_OUTPUT_DIR/<pid>-<run number>-<suite.test>.out when the variable
// names a folder (created if missing) and program is kursexport (any file
// name beginning with "kursexport": the Windows build, the read-fault
// build); runs of other programs (the tools) are not kept. Does nothing
// when the variable is unset or empty. A file that cannot be written is
// reported on standard error and otherwise ignored: the tests themselves do
// not depend on it.
void keep_run_output(const std::string& program, const std::string& out);

}  // namespace kx::e2e

#endif  // KX_TESTS_E2E_OUTPUT_CAPTURE_H_
