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
// The line of the counts text that gives the time requests were held, in
// microseconds, rather than a kind of request.
inline constexpr char kHeldLine[] = "held_us";

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
  void add_held(uint64_t microseconds) { held_us_ += microseconds; }
  // Every kind as a "name count" line, zeros included, and the held time as
  // a last "held_us N" line; then all counts are 0.
  std::string take_text();

 private:
  std::array<uint64_t, kFsOpKinds> counts_{};
  uint64_t held_us_ = 0;
};

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_FS_COUNTERS_H_
