// Runs the built program as a child process, natively or under wine, and
// collects its standard output, standard error, exit status and time.
// Under wine the first run starts one wine process that lives until the
// test process ends, so that the runs do not each start a wine server.
#ifndef KX_TESTS_E2E_PROGRAM_RUNNER_H_
#define KX_TESTS_E2E_PROGRAM_RUNNER_H_

#include <string>
#include <vector>

namespace kx::e2e {

struct RunResult {
  int status = -1;         // exit status; -1 when killed or not started
  bool timed_out = false;
  std::string out;
  std::string err;
  double seconds = 0;
};

// The program under test: KX_PROGRAM, run through KX_RUNNER (empty or "wine").
std::string program_under_test();
bool under_wine();
// The program with the read-fault seam armed from KX_FAULT_READ:
// KX_FAULT_PROGRAM, empty when unset (the wine lane has no such program).
std::string fault_program_under_test();

// Runs program (through the runner) with cwd as its working directory; kills
// it after timeout_seconds.
RunResult run_program(const std::string& program, const std::string& cwd,
                      double timeout_seconds = 30);

// A POSIX path as the program under test sees it: unchanged natively, the
// Z: drive form under wine ("/tmp/a" -> "Z:\tmp\a").
std::string target_path(const std::string& posix_path);
// The folder separator of the program under test.
char target_separator();

}  // namespace kx::e2e

#endif  // KX_TESTS_E2E_PROGRAM_RUNNER_H_
