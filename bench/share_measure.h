// One installation measured through share_fs: the report checked against
// the local one, then the program's runs with every request held 0 ms and
// 1 ms, the operations of each run counted.
#ifndef KX_BENCH_SHARE_MEASURE_H_
#define KX_BENCH_SHARE_MEASURE_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "share_installations.h"
#include "share_mount.h"
#include "share_probe.h"
#include "share_trace.h"

namespace kx::bench {

struct Measured {
  std::string label;
  std::vector<std::string> kinds;                        // share_fs's order
  std::map<std::string, std::vector<uint64_t>> per_run;  // every run, both holds
  std::vector<double> local, share0, share1;             // wall seconds
  std::vector<uint64_t> held_us;                         // each 1 ms run's holds
  std::vector<CallCount> traced;                         // with trace only
  FsCounts traced_counts;                                // the traced run's operations
  std::vector<ProbedCall> probes;                        // with trace only
};

// Runs the local and the mounted program runs times each, taking turns, with
// the mount holding nothing, after checking that both print the same report
// (the clock time aside); with trace, one more run under strace and the
// single-call probes. False with *error set when anything failed.
bool measure_unheld(const Installation& at, const std::string& share_fs, int runs, bool trace,
                    Measured* m, std::string* error);
// Runs the mounted program runs times with every request held 1 ms.
bool measure_held(const Installation& at, const std::string& share_fs, int runs, Measured* m,
                  std::string* error);

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_MEASURE_H_
