// The inode numbers a share_fs mount has handed to the kernel, each with the
// source path it stands for and the kernel's lookup count, as the FUSE
// low-level protocol requires: a number stays valid until it is forgotten.
#ifndef KX_BENCH_SHARE_FS_NODES_H_
#define KX_BENCH_SHARE_FS_NODES_H_

#define FUSE_USE_VERSION 35
#include <fuse_lowlevel.h>

#include <cstdint>
#include <string>
#include <unordered_map>

namespace kx::bench {

class NodeTable {
 public:
  // The mount's root (FUSE_ROOT_ID) stands for source.
  explicit NodeTable(std::string source);

  // The source path of ino, or nullptr when the kernel holds no such number.
  const std::string* path(fuse_ino_t ino) const;
  // The number for path, created on first use; counts one kernel lookup.
  fuse_ino_t remember(const std::string& path);
  // Drops n kernel lookups of ino; the number is freed at zero.
  void forget(fuse_ino_t ino, uint64_t n);

  // A number never handed out for a source path (the mount's control file).
  static constexpr fuse_ino_t kReservedIno = FUSE_ROOT_ID + 1;

 private:
  struct Node {
    std::string path;
    uint64_t lookups = 0;
  };
  std::unordered_map<fuse_ino_t, Node> nodes_;
  std::unordered_map<std::string, fuse_ino_t> by_path_;
  fuse_ino_t next_ino_ = kReservedIno + 1;
};

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_FS_NODES_H_
