// A share_fs mount for the duration of one object: started in its own
// process, waited for with a time limit, and gone again (process ended,
// mount point detached) when the object is destroyed or the driver dies.
#ifndef KX_BENCH_SHARE_MOUNT_H_
#define KX_BENCH_SHARE_MOUNT_H_

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kx::bench {

// Operation counts by kind, in share_fs's order.
using FsCounts = std::vector<std::pair<std::string, uint64_t>>;

class ShareMount {
 public:
  // Mounts source at mount_point with the share_fs program fs_program,
  // holding each request delay_ms, and resets its counts. A mount left at
  // mount_point by an earlier run is detached first. nullptr with *error set
  // when share_fs failed or the mount did not appear within a few seconds.
  static std::unique_ptr<ShareMount> start(const std::string& fs_program,
                                           const std::filesystem::path& source,
                                           const std::filesystem::path& mount_point, int delay_ms,
                                           std::string* error);
  ~ShareMount();
  ShareMount(const ShareMount&) = delete;
  ShareMount& operator=(const ShareMount&) = delete;

  // The counts since the previous call (or the start) and, when held_us is
  // given, the time the requests were held; false when the counts file could
  // not be read.
  bool take_counts(FsCounts* counts, uint64_t* held_us = nullptr) const;

 private:
  ShareMount(pid_t pid, std::filesystem::path mount_point)
      : pid_(pid), mount_point_(std::move(mount_point)) {}
  void stop();

  pid_t pid_;
  const std::filesystem::path mount_point_;
};

// True when /proc/self/mountinfo lists a mount at path (absolute, normal).
bool is_mounted(const std::filesystem::path& path);

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_MOUNT_H_
