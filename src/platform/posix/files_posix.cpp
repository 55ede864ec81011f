// POSIX files: descriptors, pread, and case-insensitive name lookup for
// tables copied from Windows.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/file.h"
#include "platform/platform.h"
#include "platform/posix/errno_codes.h"

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
    case ESPIPE:
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

std::string resolve_case(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return path;
  const std::string variant = case_variant(path);
  return variant.empty() ? path : variant;
}

PathKind path_kind(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return PathKind::kMissing;
  return S_ISDIR(st.st_mode) ? PathKind::kDirectory : PathKind::kFile;
}

bool file_modified(const std::string& path, LocalDateTime* when) {
  struct stat st;
  struct tm local;
  if (::stat(path.c_str(), &st) != 0 || ::localtime_r(&st.st_mtime, &local) == nullptr) {
    return false;
  }
  *when = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
           local.tm_hour,        local.tm_min,     local.tm_sec};
  return true;
}

namespace {

// O_NONBLOCK keeps the open of a pipe from waiting for a writer; it means
// nothing to a regular file. With check_regular only regular files open;
// without, a folder or a pipe opened for reading fails at its first read,
// which spares the data folder's share a round trip per file. *fd is -1 on
// failure.
FileResult open_regular(const std::string& path, int flags, int* fd, bool check_regular = true) {
  *fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
  if (*fd < 0) return {windows_error_from_errno(errno)};
  struct stat st;
  if (check_regular && (::fstat(*fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(*fd);
    *fd = -1;
    return {kErrAccessDenied};
  }
  return {};
}

// The handles of the binary file reader and the error log take a name in
// another letter case when the exact one does not exist.
FileResult open_with(const std::string& path, int flags, NativeHandle* handle) {
  int fd = -1;
  FileResult result = open_regular(path, flags, &fd);
  if (fd < 0 && result.os_error == kErrFileNotFound && (flags & O_CREAT) == 0) {
    const std::string variant = case_variant(path);
    if (!variant.empty()) result = open_regular(variant, flags, &fd);
  }
  *handle = fd < 0 ? kInvalidHandle : fd;
  return result;
}

class PosixFile final : public RandomAccessFile {
 public:
  PosixFile(std::string name, int fd) : name_(std::move(name)), fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  const std::string& name() const override { return name_; }

  FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) override {
    *got = 0;
    char* out = static_cast<char*>(buffer);
    // A read that brings back less than asked for stops there: the file ends
    // (asking once more to be sure would cost another round trip on a share).
    while (*got < size) {
      const size_t want = size - *got;
      const ssize_t n = ::pread(fd_, out + *got, want, static_cast<off_t>(offset + *got));
      if (n < 0) {
        if (errno == EINTR) continue;
        return {windows_error_from_errno(errno)};
      }
      *got += static_cast<size_t>(n);
      if (static_cast<size_t>(n) < want) break;
    }
    return {};
  }

  FileResult size(uint64_t* size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return {windows_error_from_errno(errno)};
    *size = static_cast<uint64_t>(st.st_size);
    return {};
  }

 private:
  const std::string name_;
  const int fd_;
};

}  // namespace

FileResult open_random_access(const std::string& path, const OpenOptions& options,
                              std::unique_ptr<RandomAccessFile>* file) {
  // The exact name only: a caller that takes another letter case asks for
  // the case variant itself (platform/file_names.h).
  int fd = -1;
  FileResult result = open_regular(path, options.read_only ? O_RDONLY : O_RDWR, &fd, false);
  if (fd < 0 && !options.read_only && result.os_error == kErrAccessDenied) {
    result = open_regular(path, O_RDONLY, &fd, false);
  }
  if (fd < 0) {
    file->reset();
    return result;
  }
  *file = std::make_unique<PosixFile>(path, fd);
  return result;
}

FileResult open_file(const std::string& path, OpenMode mode, bool /*shared*/,
                     NativeHandle* handle) {
  const int flags = mode == OpenMode::kRead        ? O_RDONLY
                    : mode == OpenMode::kWriteOnly ? O_WRONLY
                                                   : O_RDWR;
  return open_with(path, flags, handle);
}

FileResult open_file_flags(const std::string& path, uint32_t flags, NativeHandle* handle) {
  const uint32_t access = flags & 3;
  const int mode = access == 1 ? O_WRONLY : access == 2 ? O_RDWR : O_RDONLY;
  return open_with(path, mode, handle);
}

FileResult create_file(const std::string& path, NativeHandle* handle) {
  return open_with(resolve_case(path), O_WRONLY | O_CREAT | O_TRUNC, handle);
}

void close_file(NativeHandle handle) {
  if (handle < 0) return;
  ::close(static_cast<int>(handle));
}

FileResult file_size(NativeHandle handle, uint64_t* size) {
  struct stat st;
  if (::fstat(static_cast<int>(handle), &st) != 0) return {windows_error_from_errno(errno)};
  *size = static_cast<uint64_t>(st.st_size);
  return {};
}

FileResult seek_file(NativeHandle handle, int64_t offset, int origin, int64_t* position) {
  const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  const off_t pos = ::lseek(static_cast<int>(handle), static_cast<off_t>(offset), whence);
  if (pos < 0) {
    *position = -1;
    return {windows_error_from_errno(errno)};
  }
  *position = pos;
  return {};
}

}  // namespace kx::platform
