// What single system calls cost on a share_fs mount: each call is made once
// with the mount's counts read just before and just after it.
#ifndef KX_BENCH_SHARE_PROBE_H_
#define KX_BENCH_SHARE_PROBE_H_

#include <filesystem>
#include <string>
#include <vector>

#include "share_mount.h"

namespace kx::bench {

struct ProbedCall {
  std::string call;  // e.g. "stat of a missing file"
  FsCounts cost;     // the kinds that counted more than 0
};

// Probes the calls the program makes on its tables (path stat of a present
// and a missing file, open, fstat, pread, close, and a folder listing) on
// the file named table in the folder mounted at mount_point. Empty when a
// call failed that should not have.
std::vector<ProbedCall> probe_calls(const ShareMount& mount,
                                    const std::filesystem::path& mount_point,
                                    const std::string& table);

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_PROBE_H_
