// The operations a share_fs mount serves, counted by kind, so that one
// program run's file-system traffic can be read and reset at once.
#ifndef KX_BENCH_SHARE_FS_COUNTERS_H_
#define KX_BENCH_SHARE_FS_COUNTERS_H_

#include <array>
#include <cstdint>
#include <string>

namespace kx::bench {

// The file at the mount's root that hands out the counts and resets them.
inline constexpr char kCountsFileName[] = ".share_fs_counts";

enum class FsOp {
  kLookup,
  kForget,
  kGetattr,
  kOpen,
  kRead,
  kWrite,
  kFlush,
  kRelease,
  kFsync,
  kOpendir,
  kReaddir,
  kReleasedir,
  kStatfs,
  kAccess,
  kGetxattr,
  kListxattr,
  kReadlink,
};

inline constexpr size_t kFsOpKinds = static_cast<size_t>(FsOp::kReadlink) + 1;

// The kind's name as it appears in the counts text ("lookup", "read", ...).
const char* fs_op_name(FsOp op);

class FsOpCounters {
 public:
  void add(FsOp op) { ++counts_[static_cast<size_t>(op)]; }
  // Every kind as a "name count" line, zeros included; then all counts are 0.
  std::string take_text();

 private:
  std::array<uint64_t, kFsOpKinds> counts_{};
};

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_FS_COUNTERS_H_
