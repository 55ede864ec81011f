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
  int status = -1;  // exit status; -1 when killed or not started
  bool timed_out = false;
  std::string out;
  std::string err;
  double seconds = 0;
  int signal = 0;  // the signal that ended it, 0 when it exited
};

// Where a run's standard output goes.
enum class Output {
  kPipe,        // a pipe the runner reads into RunResult::out
  kClosedPipe,  // a pipe whose reading end is closed before the program starts:
                // a reader that has gone away, as "| head -c 0" would be
  kFull,        // /dev/full: every write fails for want of space
};

struct RunOptions {
  std::vector<std::string> args;  // the arguments after the program's name
  Output output = Output::kPipe;
  bool native = false;      // not through wine even under wine (the tools)
  bool keep_output = true;  // saved for the schema check when KX_E2E_OUTPUT_DIR is set
};

// The program under test: KX_PROGRAM.
std::string program_under_test();
// The wine loader that runs it: KX_RUNNER, a command or a path ("wine",
// "/usr/lib/wine/wine64"); empty when it runs natively.
std::string wine_loader();
bool under_wine();
// The program with the read-fault seam armed from KX_FAULT_READ:
// KX_FAULT_PROGRAM, empty when unset (the wine lane has no such program).
std::string fault_program_under_test();

// Runs program (through the runner) with cwd as its working directory; kills
// it after timeout_seconds.
RunResult run_program(const std::string& program, const std::string& cwd,
                      double timeout_seconds = 30, const RunOptions& options = {});

// How a run ended, for failure messages: "exit status N", "killed by signal
// N" or "timed out".
std::string how_it_ended(const RunResult& run);

// A POSIX path as the program under test sees it: unchanged natively, the
// Z: drive form under wine ("/tmp/a" -> "Z:\tmp\a").
std::string target_path(const std::string& posix_path);
// The folder separator of the program under test.
char target_separator();

}  // namespace kx::e2e

#endif  // KX_TESTS_E2E_PROGRAM_RUNNER_H_
