#include "share_fs_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

namespace kx::bench {
namespace {

ShareState& share(fuse_req_t req) { return *static_cast<ShareState*>(fuse_req_userdata(req)); }

uint64_t now_ns() {
  timespec t;
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

// Holds the request the set time and counts how long it really was held.
void hold(ShareState& s) {
  if (s.delay_ms <= 0) return;
  const uint64_t start = now_ns();
  const uint64_t end = start + static_cast<uint64_t>(s.delay_ms) * 1000000u;
  const timespec deadline{static_cast<time_t>(end / 1000000000u),
                          static_cast<long>(end % 1000000000u)};
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
  s.counters.add_held((now_ns() - start) / 1000u);
}

// Counts and holds one request; its source path, or nullptr (and the reply
// sent) when the kernel names a number it no longer holds.
const std::string* serve(fuse_req_t req, FsOp op, fuse_ino_t ino) {
  ShareState& s = share(req);
  s.counters.add(op);
  hold(s);
  const std::string* path = s.nodes.path(ino);
  if (path == nullptr) fuse_reply_err(req, ESTALE);
  return path;
}

bool is_control(fuse_ino_t ino) { return ino == NodeTable::kReservedIno; }

struct stat control_attr() {
  struct stat st {};
  st.st_ino = NodeTable::kReservedIno;
  st.st_mode = S_IFREG | 0444;
  st.st_nlink = 1;
  return st;
}

// Replies to a call that returned result: 0 or -1 with errno set.
void reply_result(fuse_req_t req, int result) { fuse_reply_err(req, result == 0 ? 0 : errno); }
void reply_errno(fuse_req_t req) { fuse_reply_err(req, errno); }

void on_init(void* /*userdata*/, fuse_conn_info* conn) {
  conn->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO | FUSE_CAP_AUTO_INVAL_DATA);
}

void on_lookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
  fuse_entry_param entry{};
  if (parent == FUSE_ROOT_ID && std::strcmp(name, kCountsFileName) == 0) {
    entry.ino = NodeTable::kReservedIno;
    entry.attr = control_attr();
    fuse_reply_entry(req, &entry);
    return;
  }
  const std::string* folder = serve(req, FsOp::kLookup, parent);
  if (folder == nullptr) return;
  const std::string path = *folder + "/" + name;
  if (::lstat(path.c_str(), &entry.attr) != 0) {
    // The kernel keeps no negative entry that it may trust: the next lookup asks again.
    fuse_reply_err(req, errno);
    return;
  }
  entry.ino = share(req).nodes.remember(path);
  entry.attr.st_ino = entry.ino;
  fuse_reply_entry(req, &entry);
}

void on_forget(fuse_req_t req, fuse_ino_t ino, uint64_t lookups) {
  // No reply goes back, so nothing waits for a forget: it is counted, not held.
  if (!is_control(ino)) {
    share(req).counters.add(FsOp::kForget);
    share(req).nodes.forget(ino, lookups);
  }
  fuse_reply_none(req);
}

void on_forget_multi(fuse_req_t req, size_t count, fuse_forget_data* forgets) {
  for (size_t i = 0; i < count; ++i) {
    if (is_control(forgets[i].ino)) continue;
    share(req).counters.add(FsOp::kForget);
    share(req).nodes.forget(forgets[i].ino, forgets[i].nlookup);
  }
  fuse_reply_none(req);
}

void on_getattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  struct stat st {};
  if (is_control(ino)) {
    st = control_attr();
    fuse_reply_attr(req, &st, 0);
    return;
  }
  const std::string* path = serve(req, FsOp::kGetattr, ino);
  if (path == nullptr) return;
  const int result =
      fi != nullptr ? ::fstat(static_cast<int>(fi->fh), &st) : ::lstat(path->c_str(), &st);
  if (result != 0) return reply_result(req, result);
  st.st_ino = ino;
  fuse_reply_attr(req, &st, 0);
}

void on_open(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  fi->direct_io = 1;
  fi->keep_cache = 0;
  if (is_control(ino)) {
    ShareState& s = share(req);
    fi->fh = s.next_handle++;
    s.count_texts[fi->fh] = s.counters.take_text();
    if (fuse_reply_open(req, fi) != 0) s.count_texts.erase(fi->fh);
    return;
  }
  const std::string* path = serve(req, FsOp::kOpen, ino);
  if (path == nullptr) return;
  const int fd = ::open(path->c_str(), fi->flags & ~(O_CREAT | O_EXCL | O_NOCTTY));
  if (fd < 0) return reply_errno(req);
  fi->fh = static_cast<uint64_t>(fd);
  if (fuse_reply_open(req, fi) != 0) ::close(fd);
}

void on_read(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info* fi) {
  if (is_control(ino)) {
    const std::string& text = share(req).count_texts[fi->fh];
    const size_t from = static_cast<size_t>(offset) < text.size() ? offset : text.size();
    fuse_reply_buf(req, text.data() + from, std::min(size, text.size() - from));
    return;
  }
  if (serve(req, FsOp::kRead, ino) == nullptr) return;
  std::vector<char>& buffer = share(req).buffer;
  if (buffer.size() < size) buffer.resize(size);
  const ssize_t got = ::pread(static_cast<int>(fi->fh), buffer.data(), size, offset);
  if (got < 0) return reply_errno(req);
  fuse_reply_buf(req, buffer.data(), static_cast<size_t>(got));
}

void on_write(fuse_req_t req, fuse_ino_t ino, const char* data, size_t size, off_t offset,
              fuse_file_info* fi) {
  if (is_control(ino)) {
    fuse_reply_err(req, EACCES);
    return;
  }
  if (serve(req, FsOp::kWrite, ino) == nullptr) return;
  const ssize_t put = ::pwrite(static_cast<int>(fi->fh), data, size, offset);
  if (put < 0) return reply_errno(req);
  fuse_reply_write(req, static_cast<size_t>(put));
}

void on_flush(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  if (is_control(ino)) {
    fuse_reply_err(req, 0);
    return;
  }
  if (serve(req, FsOp::kFlush, ino) == nullptr) return;
  // Closing a duplicate passes the close on to the source without ending the handle.
  reply_result(req, ::close(::dup(static_cast<int>(fi->fh))));
}

void on_release(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  if (is_control(ino)) {
    share(req).count_texts.erase(fi->fh);
    fuse_reply_err(req, 0);
    return;
  }
  share(req).counters.add(FsOp::kRelease);
  hold(share(req));
  ::close(static_cast<int>(fi->fh));
  fuse_reply_err(req, 0);
}

void on_fsync(fuse_req_t req, fuse_ino_t ino, int datasync, fuse_file_info* fi) {
  if (serve(req, FsOp::kFsync, ino) == nullptr) return;
  const int fd = static_cast<int>(fi->fh);
  reply_result(req, datasync != 0 ? ::fdatasync(fd) : ::fsync(fd));
}

void on_opendir(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  const std::string* path = serve(req, FsOp::kOpendir, ino);
  if (path == nullptr) return;
  DIR* dir = ::opendir(path->c_str());
  if (dir == nullptr) return reply_errno(req);
  ShareState& s = share(req);
  fi->fh = s.next_handle++;
  Listing& listing = s.listings[fi->fh];
  while (const dirent* entry = ::readdir(dir)) {
    listing.entries.push_back({entry->d_name, entry->d_ino, entry->d_type});
  }
  ::closedir(dir);
  fi->cache_readdir = 0;
  if (fuse_reply_open(req, fi) != 0) s.listings.erase(fi->fh);
}

void on_readdir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info* fi) {
  if (serve(req, FsOp::kReaddir, ino) == nullptr) return;
  const Listing& listing = share(req).listings[fi->fh];
  std::vector<char>& buffer = share(req).buffer;
  if (buffer.size() < size) buffer.resize(size);
  size_t used = 0;
  for (size_t i = static_cast<size_t>(offset); i < listing.entries.size(); ++i) {
    const Listing::Entry& entry = listing.entries[i];
    struct stat st {};
    st.st_ino = entry.ino;
    st.st_mode = static_cast<mode_t>(entry.type) << 12;
    const size_t need = fuse_add_direntry(req, buffer.data() + used, size - used,
                                          entry.name.c_str(), &st, static_cast<off_t>(i + 1));
    if (need > size - used) break;
    used += need;
  }
  fuse_reply_buf(req, buffer.data(), used);
}

void on_releasedir(fuse_req_t req, fuse_ino_t /*ino*/, fuse_file_info* fi) {
  share(req).counters.add(FsOp::kReleasedir);
  hold(share(req));
  share(req).listings.erase(fi->fh);
  fuse_reply_err(req, 0);
}

void on_statfs(fuse_req_t req, fuse_ino_t ino) {
  const std::string* path = serve(req, FsOp::kStatfs, ino == 0 ? FUSE_ROOT_ID : ino);
  if (path == nullptr) return;
  struct statvfs st {};
  if (::statvfs(path->c_str(), &st) != 0) return reply_errno(req);
  fuse_reply_statfs(req, &st);
}

void on_access(fuse_req_t req, fuse_ino_t ino, int mask) {
  if (is_control(ino)) {
    fuse_reply_err(req, 0);
    return;
  }
  const std::string* path = serve(req, FsOp::kAccess, ino);
  if (path == nullptr) return;
  reply_result(req, ::access(path->c_str(), mask));
}

// A share shows no extended attributes; the requests are counted all the same.
void on_getxattr(fuse_req_t req, fuse_ino_t ino, const char* /*name*/, size_t /*size*/) {
  if (is_control(ino) || serve(req, FsOp::kGetxattr, ino) != nullptr) fuse_reply_err(req, ENODATA);
}

void on_listxattr(fuse_req_t req, fuse_ino_t ino, size_t size) {
  if (!is_control(ino) && serve(req, FsOp::kListxattr, ino) == nullptr) return;
  if (size == 0) {
    fuse_reply_xattr(req, 0);
  } else {
    fuse_reply_buf(req, nullptr, 0);
  }
}

void on_readlink(fuse_req_t req, fuse_ino_t ino) {
  const std::string* path = serve(req, FsOp::kReadlink, ino);
  if (path == nullptr) return;
  char target[PATH_MAX];
  const ssize_t n = ::readlink(path->c_str(), target, sizeof target - 1);
  if (n < 0) return reply_errno(req);
  target[n] = '\0';
  fuse_reply_readlink(req, target);
}

}  // namespace

fuse_lowlevel_ops share_operations() {
  fuse_lowlevel_ops ops{};
  ops.init = on_init;
  ops.lookup = on_lookup;
  ops.forget = on_forget;
  ops.forget_multi = on_forget_multi;
  ops.getattr = on_getattr;
  ops.open = on_open;
  ops.read = on_read;
  ops.write = on_write;
  ops.flush = on_flush;
  ops.release = on_release;
  ops.fsync = on_fsync;
  ops.opendir = on_opendir;
  ops.readdir = on_readdir;
  ops.releasedir = on_releasedir;
  ops.statfs = on_statfs;
  ops.access = on_access;
  ops.getxattr = on_getxattr;
  ops.listxattr = on_listxattr;
  ops.readlink = on_readlink;
  return ops;
}

}  // namespace kx::bench
