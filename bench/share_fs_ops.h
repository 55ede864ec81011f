// The requests a share_fs mount serves: a passthrough to the source folder
// that counts each request by kind and holds it the set time first, and the
// counts file, which is neither counted nor held.
#ifndef KX_BENCH_SHARE_FS_OPS_H_
#define KX_BENCH_SHARE_FS_OPS_H_

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "share_fs_counters.h"
#include "share_fs_nodes.h"

namespace kx::bench {

// A folder's entries, read when it is opened for listing.
struct Listing {
  struct Entry {
    std::string name;
    ino_t ino;
    unsigned char type;
  };
  std::vector<Entry> entries;
};

// The session's state, handed to fuse_session_new as its user data.
struct ShareState {
  ShareState(std::string source, long delay) : nodes(std::move(source)), delay_ms(delay) {}

  NodeTable nodes;
  FsOpCounters counters;
  const long delay_ms;
  std::vector<char> buffer;  // requests are served one at a time
  // Open listings and counts texts by the handle the kernel was given.
  std::unordered_map<uint64_t, Listing> listings;
  std::unordered_map<uint64_t, std::string> count_texts;
  uint64_t next_handle = 1;
};

fuse_lowlevel_ops share_operations();

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_FS_OPS_H_
