// share_fs SOURCE MOUNTPOINT [--delay-ms N]: mirrors the folder SOURCE at
// MOUNTPOINT the way a network share behaves while the point-of-sale
// application holds its tables open for writing: the kernel caches nothing
// (direct I/O on every open, zero entry, attribute and negative timeouts, no
// READDIRPLUS), requests are served one at a time, and every request but a
// forget (which has no reply) is held N milliseconds (default 0) first.
//
// Every request is counted by kind. Opening MOUNTPOINT/.share_fs_counts
// and reading it returns the counts since the previous such open ("kind
// count" lines, then "held_us N", the time held) and resets them; the counts
// file's own requests are neither counted nor held. The program stays in the
// foreground and unmounts on SIGINT, SIGTERM and SIGHUP.
#include <sys/prctl.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "share_fs_ops.h"

namespace kx::bench {
namespace {

int usage() {
  std::fprintf(stderr, "usage: share_fs SOURCE MOUNTPOINT [--delay-ms N]\n");
  return 2;
}

int run(const std::string& source, const std::string& mount_point, long delay_ms) {
  ShareState state(source, delay_ms);
  char arg0[] = "share_fs";
  char opt[] = "-o";
  char options[] = "fsname=share_fs,subtype=share_fs";
  char* argv[] = {arg0, opt, options, nullptr};
  fuse_args args = FUSE_ARGS_INIT(3, argv);
  const fuse_lowlevel_ops ops = share_operations();
  fuse_session* session = fuse_session_new(&args, &ops, sizeof ops, &state);
  if (session == nullptr) return 1;
  int status = 1;
  if (fuse_set_signal_handlers(session) == 0) {
    if (fuse_session_mount(session, mount_point.c_str()) == 0) {
      status = fuse_session_loop(session) < 0 ? 1 : 0;
      fuse_session_unmount(session);
    }
    fuse_remove_signal_handlers(session);
  }
  fuse_session_destroy(session);
  return status;
}

}  // namespace
}  // namespace kx::bench

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) return kx::bench::usage();
  long delay_ms = 0;
  if (argc == 5) {
    char* end = nullptr;
    delay_ms = std::strtol(argv[4], &end, 10);
    if (std::strcmp(argv[3], "--delay-ms") != 0 || *end != '\0' || delay_ms < 0 ||
        delay_ms > 60000) {
      return kx::bench::usage();
    }
  }
  char source[PATH_MAX];
  struct stat st {};
  if (::realpath(argv[1], source) == nullptr || ::stat(source, &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "share_fs: %s is not a folder\n", argv[1]);
    return 1;
  }
  // The default 50 µs timer slack would lengthen every hold by as much.
  ::prctl(PR_SET_TIMERSLACK, 1UL);
  return kx::bench::run(source, argv[2], delay_ms);
}
