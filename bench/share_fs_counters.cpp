#include "share_fs_counters.h"

namespace kx::bench {

const char* fs_op_name(FsOp op) {
  static constexpr std::array<const char*, kFsOpKinds> kNames = {
      "lookup", "forget",  "getattr",  "open",      "read",     "write",
      "flush",  "release", "fsync",    "opendir",   "readdir",  "releasedir",
      "statfs", "access",  "getxattr", "listxattr", "readlink",
  };
  return kNames[static_cast<size_t>(op)];
}

std::string FsOpCounters::take_text() {
  std::string text;
  for (size_t i = 0; i < kFsOpKinds; ++i) {
    text += fs_op_name(static_cast<FsOp>(i));
    text += ' ';
    text += std::to_string(counts_[i]);
    text += '\n';
    counts_[i] = 0;
  }
  text += std::string(kHeldLine) + ' ' + std::to_string(held_us_) + '\n';
  held_us_ = 0;
  return text;
}

}  // namespace kx::bench
