// share_run PROGRAM MKDEMO WORKDIR [RUNS]: what the program costs when its
// data folder is on a network share. For three installations under WORKDIR
// (one foreign currency, the demo, 50 currencies x 20 years of daily rates)
// it mounts the data folder with share_fs (beside this program), checks that
// the report through the mount is the local one, then runs the program RUNS
// times (at least 3; 21 by default) with each request held 0 ms and 1 ms, and
// prints as markdown the file-system operations per run by kind and the
// median wall times. For the one-currency installation it also sets the
// program's own system calls on the data folder (strace) beside the
// operations that the same run cost.
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "share_installations.h"
#include "share_measure.h"
#include "share_tables.h"

namespace kx::bench {
namespace {

// The machine's CPU time so far, busy and in all, from /proc/stat.
struct CpuTime {
  uint64_t busy = 0;
  uint64_t total = 0;
};

CpuTime cpu_time() {
  std::ifstream in("/proc/stat");
  std::string label;
  in >> label;
  CpuTime t;
  uint64_t value = 0;
  // user nice system idle iowait irq softirq steal
  for (int field = 0; field < 8 && in >> value; ++field) {
    t.total += value;
    if (field != 3 && field != 4) t.busy += value;
  }
  return t;
}

// Keeps this process and its children (share_fs, the program) on the last
// CPU it may use. Across two CPUs every request costs a wake-up of the other
// CPU, and whether the scheduler splits the two processes changes from run
// to run; on one CPU the runs repeat.
void stay_on_one_cpu() {
  cpu_set_t allowed;
  if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
  for (int cpu = CPU_SETSIZE - 1; cpu >= 0; --cpu) {
    if (!CPU_ISSET(cpu, &allowed)) continue;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    ::sched_setaffinity(0, sizeof one, &one);
    return;
  }
}

}  // namespace
}  // namespace kx::bench

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace kx::bench;
  if (argc < 4) {
    std::fprintf(stderr, "usage: share_run PROGRAM MKDEMO WORKDIR [RUNS]\n");
    return 2;
  }
  const fs::path self_folder = fs::absolute(argv[0]).parent_path();
  const Writers writers{fs::absolute(argv[1]).string(), fs::absolute(argv[2]).string(),
                        (self_folder / "gen_installation").string()};
  const std::string share_fs = (self_folder / "share_fs").string();
  fs::create_directories(argv[3]);
  const fs::path work = fs::canonical(argv[3]);
  const int runs = std::max(3, argc > 4 ? std::atoi(argv[4]) : 21);
  using Writer = std::function<bool(const Installation&, const Writers&, std::string*)>;
  struct Case {
    Installation at;
    Writer write;
  };
  const Case cases[] = {
      {{"one currency", work / "one-currency"}, write_one_currency},
      {{"demo (mkdemo)", work / "demo"}, write_demo},
      {{"50 x 7300 days", work / "50x7300"},
       [](const Installation& at, const Writers& writers, std::string* error) {
         return write_generated(at, writers, 50, 7300, error);
       }},
  };
  std::vector<Measured> all;
  std::string error;
  stay_on_one_cpu();
  const CpuTime start = cpu_time();
  for (const Case& c : cases) {
    Measured m;
    m.label = c.at.label;
    const bool traced = all.empty();  // the one-currency installation
    if (!c.write(c.at, writers, &error) ||
        !measure_unheld(c.at, share_fs, runs, traced, &m, &error) ||
        !measure_held(c.at, share_fs, runs, &m, &error)) {
      std::fprintf(stderr, "share_run: %s\n", error.c_str());
      return 1;
    }
    std::fprintf(stderr, "share_run: %s measured\n", c.at.label.c_str());
    all.push_back(std::move(m));
  }
  const CpuTime end = cpu_time();
  print_counts(all);
  print_walls(all, runs);
  print_trace(all.front());
  print_probes(all.front().probes);
  // Processes outside this benchmark (even outside its PID namespace) slow the
  // share runs most, as every request hands the CPU between two processes.
  if (end.total > start.total) {
    std::printf("\nThe machine's CPUs were %.0f%% busy during the runs, this benchmark included.\n",
                100.0 * static_cast<double>(end.busy - start.busy) /
                    static_cast<double>(end.total - start.total));
  }
  return 0;
}
