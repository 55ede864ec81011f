// Runs a program and waits for it, for the share benchmark's driver.
#ifndef KX_BENCH_SHARE_PROCESS_H_
#define KX_BENCH_SHARE_PROCESS_H_

#include <string>
#include <vector>

namespace kx::bench {

struct Run {
  double seconds = 0;  // from fork to the end of the wait
  int status = -1;     // the exit status; -1 when it did not exit normally
};

// Runs argv[0] (a path) in cwd (unchanged when empty) with standard output
// into out_path (/dev/null when empty).
Run run_program(const std::vector<std::string>& argv, const std::string& cwd = "",
                const std::string& out_path = "");

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_PROCESS_H_
