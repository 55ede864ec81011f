// POSIX files: descriptors, pread, and case-insensitive name lookup for
// tables copied from Windows.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"

namespace kx::platform {

uint32_t windows_error_from_errno(int error) {
  switch (error) {
    case 0:
      return kErrNone;
    case ENOENT:
      return kErrFileNotFound;
    case ENOTDIR:
      return kErrPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kErrAccessDenied;
    case EBADF:
      return kErrInvalidHandle;
    case ENOMEM:
      return kErrNotEnoughMemory;
    case EROFS:
      return kErrWriteProtect;
    case EIO:
      return kErrReadFault;
    case EBUSY:
    case ETXTBSY:
      return kErrSharingViolation;
    case EAGAIN:
      return kErrLockViolation;
    case EEXIST:
      return kErrFileExists;
    case EINVAL:
      return kErrInvalidParameter;
    case ENOSPC:
      return kErrDiskFull;
    case ENAMETOOLONG:
      return kErrInvalidName;
    default:
      return kErrGenFailure;
  }
}

namespace {

// An entry of path's folder whose name differs from path's last component
// only in letter case; empty when there is none.
std::string case_variant(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
  if (leaf.empty()) return "";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return "";
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, leaf.c_str()) == 0) {
      found = (slash == std::string::npos ? "" : folder) + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// stat of path, or else of its case variant (*found names what was found).
bool stat_any_case(const std::string& path, struct stat* st, std::string* found) {
  if (::stat(path.c_str(), st) == 0) {
    *found = path;
    return true;
  }
  *found = case_variant(path);
  return !found->empty() && ::stat(found->c_str(), st) == 0;
}

}  // namespace

std::string resolve_case(const std::string& path) {
  struct stat st;
  std::string found;
  return stat_any_case(path, &st, &found) ? found : path;
}

PathKind path_kind(const std::string& path) {
  struct stat st;
  std::string found;
  if (!stat_any_case(path, &st, &found)) return PathKind::kMissing;
  return S_ISDIR(st.st_mode) ? PathKind::kDirectory : PathKind::kFile;
}

std::string existing_file(const std::string& path) {
  struct stat st;
  std::string found;
  if (!stat_any_case(path, &st, &found) || S_ISDIR(st.st_mode)) return "";
  return found;
}

namespace {

// Only regular files are files here. O_NONBLOCK keeps the open of a pipe
// from waiting for a writer; it means nothing to a regular file.
NativeHandle open_with(const std::string& path, int flags, uint32_t* os_error) {
  flags |= O_CLOEXEC | O_NONBLOCK;
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0 && errno == ENOENT && (flags & O_CREAT) == 0) {
    const std::string variant = case_variant(path);
    if (!variant.empty()) fd = ::open(variant.c_str(), flags, 0644);
    if (fd < 0 && variant.empty()) errno = ENOENT;
  }
  if (fd < 0) {
    *os_error = windows_error_from_errno(errno);
    return kInvalidHandle;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    *os_error = kErrAccessDenied;
    return kInvalidHandle;
  }
  *os_error = kErrNone;
  return fd;
}

}  // namespace

NativeHandle open_file(const std::string& path, OpenMode mode, bool /*shared*/,
                       uint32_t* os_error) {
  const int flags = mode == OpenMode::kRead        ? O_RDONLY
                    : mode == OpenMode::kWriteOnly ? O_WRONLY
                                                   : O_RDWR;
  return open_with(path, flags, os_error);
}

NativeHandle open_file_flags(const std::string& path, uint32_t flags, uint32_t* os_error) {
  const uint32_t access = flags & 3;
  const int mode = access == 1 ? O_WRONLY : access == 2 ? O_RDWR : O_RDONLY;
  return open_with(path, mode, os_error);
}

NativeHandle create_file(const std::string& path, uint32_t* os_error) {
  return open_with(resolve_case(path), O_WRONLY | O_CREAT | O_TRUNC, os_error);
}

void close_file(NativeHandle handle) {
  if (handle < 0) return;
  ::close(static_cast<int>(handle));
}

bool read_at(NativeHandle handle, uint64_t offset, void* buffer, size_t size, size_t* got,
             uint32_t* os_error) {
  *got = 0;
  char* out = static_cast<char*>(buffer);
  while (*got < size) {
    const ssize_t n = ::pread(static_cast<int>(handle), out + *got, size - *got,
                              static_cast<off_t>(offset + *got));
    if (n < 0) {
      if (errno == EINTR) continue;
      *os_error = windows_error_from_errno(errno);
      return false;
    }
    if (n == 0) break;
    *got += static_cast<size_t>(n);
  }
  *os_error = kErrNone;
  return true;
}

bool file_size(NativeHandle handle, uint64_t* size, uint32_t* os_error) {
  struct stat st;
  if (::fstat(static_cast<int>(handle), &st) != 0) {
    *os_error = windows_error_from_errno(errno);
    return false;
  }
  *size = static_cast<uint64_t>(st.st_size);
  *os_error = kErrNone;
  return true;
}

int64_t seek_file(NativeHandle handle, int64_t offset, int origin, uint32_t* os_error) {
  const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  const off_t pos = ::lseek(static_cast<int>(handle), static_cast<off_t>(offset), whence);
  if (pos < 0) {
    *os_error = windows_error_from_errno(errno);
    return -1;
  }
  *os_error = kErrNone;
  return pos;
}

}  // namespace kx::platform
