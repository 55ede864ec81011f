// whole_run PROGRAM FLOOR WORKDIR [RUNS]: generates installations of several
// sizes (with gen_installation beside this program), runs PROGRAM on each
// RUNS times (at least 20) and FLOOR on the same output bytes, and prints the
// median wall time, the peak resident memory and the ratio to the floor.
//
// When strace is installed it then records the system calls of one run on
// the 365,000-record installation and times syscall_replay (beside this
// program), which makes only those calls: what the calls alone cost.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Size {
  const char* label;
  int currencies;
  int days;
};

const Size kSizes[] = {
    {"10,000", 50, 200},      {"100,000", 50, 2000},      {"365,000 (50 x 20 years)", 50, 7300},
    {"1,000,000", 50, 20000}, {"10,000,000", 50, 200000},
};

struct Run {
  double seconds = 0;
  long max_rss_kib = 0;
  int status = -1;
};

// Runs argv with standard output into out_path (or /dev/null).
Run run_once(const std::vector<std::string>& argv, const std::string& cwd,
             const std::string& out_path) {
  Run run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    if (!std::freopen(out_path.empty() ? "/dev/null" : out_path.c_str(), "wb", stdout))
      ::_exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.max_rss_kib = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Times the program, the replay of its system calls, the replay's reading of
// the trace alone, and the floor, taking turns.
void print_replay_table(const fs::path& root, const std::string& installed,
                        const std::string& replay, const std::string& floor, int runs) {
  const std::string trace = (root / "syscalls.trace").string();
  if (run_once({"/usr/bin/strace", "-o", trace, installed}, root.string(), "").status != 0) {
    std::printf("\n(strace is not installed: no system-call replay)\n");
    return;
  }
  const std::string output = (root / "report.out").string();
  const std::vector<std::vector<std::string>> commands = {
      {installed}, {replay, trace}, {replay, trace, "--parse-only"}, {floor, output}};
  std::vector<std::vector<double>> walls(commands.size());
  for (int i = 0; i < runs; ++i) {
    for (size_t c = 0; c < commands.size(); ++c) {
      walls[c].push_back(run_once(commands[c], root.string(), "").seconds);
    }
  }
  const double program = median(walls[0]), calls = median(walls[1]);
  const double parse = median(walls[2]), floor_wall = median(walls[3]);
  std::printf(
      "\n| 365,000 records, median wall (ms) | program | its system calls replayed | "
      "replay reading the trace only | floor |\n|---|---|---|---|---|\n");
  std::printf("| | %.2f | %.2f | %.2f | %.2f |\n", program * 1000, calls * 1000, parse * 1000,
              floor_wall * 1000);
  std::printf(
      "\nThe system calls alone cost %.2f ms; with no other work the program would "
      "stand at %.2f times the floor.\n",
      (calls - parse) * 1000, (floor_wall + calls - parse) / floor_wall);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: whole_run PROGRAM FLOOR WORKDIR [RUNS]\n");
    return 2;
  }
  const std::string program = fs::absolute(argv[1]).string();
  const std::string floor = fs::absolute(argv[2]).string();
  const fs::path work = fs::absolute(argv[3]);
  const int runs = std::max(20, argc > 4 ? std::atoi(argv[4]) : 21);
  const std::string generator = (fs::path(floor).parent_path() / "gen_installation").string();
  std::printf(
      "| rate records | median wall (ms) | floor median (ms) | ratio to floor | peak RSS (KiB) "
      "|\n");
  std::printf("|---|---|---|---|---|\n");
  std::fflush(stdout);  // a forked child must not inherit unwritten output
  double first_wall = 0;
  fs::path replay_root;  // the 365,000-record installation
  for (const Size& size : kSizes) {
    const fs::path root =
        work / (std::to_string(size.currencies) + "x" + std::to_string(size.days));
    const fs::path installed = root / "tarvo" / fs::path(program).filename();
    if (!fs::exists(root / "pos" / "KV3DB" / "M_KURSMA.CDX")) {
      const Run gen = run_once({generator, root.string(), std::to_string(size.currencies),
                                std::to_string(size.days), program},
                               "", "");
      if (gen.status != 0) {
        std::fprintf(stderr, "generating %s failed\n", root.string().c_str());
        return 1;
      }
    }
    fs::copy_file(program, installed, fs::copy_options::overwrite_existing);
    const std::string output = (root / "report.out").string();
    run_once({installed.string()}, root.string(), output);
    std::vector<double> walls;
    std::vector<double> floors;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
      const Run r = run_once({installed.string()}, root.string(), "");
      if (r.status != 0) {
        std::fprintf(stderr, "the program failed on %s\n", root.string().c_str());
        return 1;
      }
      walls.push_back(r.seconds);
      peak = std::max(peak, r.max_rss_kib);
      floors.push_back(run_once({floor, output}, root.string(), "").seconds);
    }
    const double wall = median(walls);
    const double floor_wall = median(floors);
    if (first_wall == 0) first_wall = wall;
    std::printf("| %s | %.2f | %.2f | %.2f | %ld |\n", size.label, wall * 1000, floor_wall * 1000,
                wall / floor_wall, peak);
    std::fflush(stdout);
    if (size.days == 7300) replay_root = root;
  }
  const std::string replay = (fs::path(floor).parent_path() / "syscall_replay").string();
  if (!replay_root.empty() && fs::exists(replay)) {
    print_replay_table(replay_root, (replay_root / "tarvo" / fs::path(program).filename()).string(),
                       replay, floor, runs);
  }
  return 0;
}
