// The program's own system calls on one folder's files, from strace, to set
// beside the file-system operations that those calls cost.
#ifndef KX_BENCH_SHARE_TRACE_H_
#define KX_BENCH_SHARE_TRACE_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kx::bench {

// One kind of call: the system call's name, "openat (folder)" for a folder
// opened for listing, and "newfstatat (path)" or "(descriptor)" for stat
// and fstat.
struct CallCount {
  std::string call;
  uint64_t count = 0;
  uint64_t failed = 0;
};

// Runs program (in cwd) under strace -f, the trace kept in trace_path, and
// counts the calls that name a path in folder or a descriptor opened there,
// in the order they first appear. False when strace is missing or failed.
bool trace_folder_calls(const std::string& program, const std::string& cwd,
                        const std::filesystem::path& folder,
                        const std::filesystem::path& trace_path, std::vector<CallCount>* calls);

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_TRACE_H_
