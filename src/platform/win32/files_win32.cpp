// Win32 files: CreateFileA with read, write and delete sharing so the
// point-of-sale application is never blocked by this program.
#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/file.h"
#include "platform/platform.h"

namespace kx::platform {
namespace {

HANDLE as_handle(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
NativeHandle from_handle(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<NativeHandle>(h);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileResult open_with(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                     DWORD attributes, NativeHandle* handle) {
  HANDLE h = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, attributes, nullptr);
  *handle = from_handle(h);
  return {h == INVALID_HANDLE_VALUE ? ::GetLastError() : kErrNone};
}

// Reads at an offset with an OVERLAPPED position, so that no file pointer is
// shared between reads.
class Win32File final : public RandomAccessFile {
 public:
  Win32File(std::string name, HANDLE handle) : name_(std::move(name)), handle_(handle) {}
  ~Win32File() override { ::CloseHandle(handle_); }

  const std::string& name() const override { return name_; }

  FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) override {
    *got = 0;
    char* out = static_cast<char*>(buffer);
    while (*got < size) {
      OVERLAPPED at = {};
      const uint64_t pos = offset + *got;
      at.Offset = static_cast<DWORD>(pos & 0xFFFFFFFFu);
      at.OffsetHigh = static_cast<DWORD>(pos >> 32);
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(size - *got);
      if (!::ReadFile(handle_, out + *got, want, &n, &at)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        return {error};
      }
      *got += n;
      // Less than asked for: the file ends there.
      if (n < want) break;
    }
    return {};
  }

  FileResult size(uint64_t* size) override {
    LARGE_INTEGER s;
    if (!::GetFileSizeEx(handle_, &s)) return {::GetLastError()};
    *size = static_cast<uint64_t>(s.QuadPart);
    return {};
  }

 private:
  const std::string name_;
  const HANDLE handle_;
};

}  // namespace

FileResult open_random_access(const std::string& path, const OpenOptions& options,
                              std::unique_ptr<RandomAccessFile>* file) {
  const DWORD share = options.shared ? kShareAll : 0;
  const DWORD access = options.read_only ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  NativeHandle h = kInvalidHandle;
  FileResult result = open_with(path, access, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, &h);
  if (h == kInvalidHandle && !options.read_only && result.os_error == ERROR_ACCESS_DENIED) {
    result = open_with(path, GENERIC_READ, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, &h);
  }
  if (h == kInvalidHandle) {
    file->reset();
    return result;
  }
  *file = std::make_unique<Win32File>(path, as_handle(h));
  return result;
}

std::string resolve_case(const std::string& path) { return path; }

PathKind path_kind(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kDirectory : PathKind::kFile;
}

std::string case_variant(const std::string&) { return ""; }

bool file_modified(const std::string& path, LocalDateTime* when) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  SYSTEMTIME t;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !::FileTimeToSystemTime(&local, &t)) {
    return false;
  }
  *when = {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  return true;
}

FileResult open_file(const std::string& path, OpenMode mode, bool shared, NativeHandle* handle) {
  const DWORD access = mode == OpenMode::kRead        ? GENERIC_READ
                       : mode == OpenMode::kWriteOnly ? GENERIC_WRITE
                                                      : GENERIC_READ | GENERIC_WRITE;
  return open_with(path, access, shared ? kShareAll : 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                   handle);
}

FileResult open_file_flags(const std::string& path, uint32_t flags, NativeHandle* handle) {
  const uint32_t mode = flags & 3;
  const DWORD access = mode == 1   ? GENERIC_WRITE
                       : mode == 2 ? GENERIC_READ | GENERIC_WRITE
                                   : GENERIC_READ;
  const uint32_t sharing = flags & 0x70;
  const DWORD share = sharing == 0x10   ? 0
                      : sharing == 0x20 ? FILE_SHARE_READ
                      : sharing == 0x30 ? FILE_SHARE_WRITE
                                        : kShareAll;
  return open_with(path, access, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, handle);
}

FileResult create_file(const std::string& path, NativeHandle* handle) {
  return open_with(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS,
                   FILE_ATTRIBUTE_ARCHIVE, handle);
}

void close_file(NativeHandle handle) {
  if (handle == kInvalidHandle || handle == kNullHandle) return;
  ::CloseHandle(as_handle(handle));
}

FileResult file_size(NativeHandle handle, uint64_t* size) {
  LARGE_INTEGER s;
  if (!::GetFileSizeEx(as_handle(handle), &s)) return {::GetLastError()};
  *size = static_cast<uint64_t>(s.QuadPart);
  return {};
}

FileResult seek_file(NativeHandle handle, int64_t offset, int origin, int64_t* position) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER moved;
  const DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
  if (!::SetFilePointerEx(as_handle(handle), distance, &moved, method)) {
    *position = -1;
    return {::GetLastError()};
  }
  *position = moved.QuadPart;
  return {};
}

}  // namespace kx::platform
