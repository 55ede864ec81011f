// Win32 files: CreateFileA with read, write and delete sharing so the
// point-of-sale application is never blocked by this program.
#include <windows.h>

#include "platform/platform.h"

namespace kx::platform {
namespace {

HANDLE as_handle(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
NativeHandle from_handle(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<NativeHandle>(h);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

NativeHandle open_with(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                       DWORD attributes, uint32_t* os_error) {
  HANDLE h = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, attributes, nullptr);
  *os_error = h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
  return from_handle(h);
}

}  // namespace

std::string resolve_case(const std::string& path) { return path; }

PathKind path_kind(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kDirectory : PathKind::kFile;
}

std::string existing_file(const std::string& path) {
  return path_kind(path) == PathKind::kFile ? path : std::string();
}

NativeHandle open_file(const std::string& path, OpenMode mode, bool shared, uint32_t* os_error) {
  const DWORD access = mode == OpenMode::kRead        ? GENERIC_READ
                       : mode == OpenMode::kWriteOnly ? GENERIC_WRITE
                                                      : GENERIC_READ | GENERIC_WRITE;
  return open_with(path, access, shared ? kShareAll : 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                   os_error);
}

NativeHandle open_file_flags(const std::string& path, uint32_t flags, uint32_t* os_error) {
  const uint32_t mode = flags & 3;
  const DWORD access = mode == 1   ? GENERIC_WRITE
                       : mode == 2 ? GENERIC_READ | GENERIC_WRITE
                                   : GENERIC_READ;
  const uint32_t sharing = flags & 0x70;
  const DWORD share = sharing == 0x10   ? 0
                      : sharing == 0x20 ? FILE_SHARE_READ
                      : sharing == 0x30 ? FILE_SHARE_WRITE
                                        : kShareAll;
  return open_with(path, access, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, os_error);
}

NativeHandle create_file(const std::string& path, uint32_t* os_error) {
  return open_with(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS,
                   FILE_ATTRIBUTE_ARCHIVE, os_error);
}

void close_file(NativeHandle handle) {
  if (handle == kInvalidHandle || handle == kNullHandle) return;
  ::CloseHandle(as_handle(handle));
}

bool read_at(NativeHandle handle, uint64_t offset, void* buffer, size_t size, size_t* got,
             uint32_t* os_error) {
  *got = 0;
  char* out = static_cast<char*>(buffer);
  while (*got < size) {
    OVERLAPPED at = {};
    const uint64_t pos = offset + *got;
    at.Offset = static_cast<DWORD>(pos & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(pos >> 32);
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(size - *got);
    if (!::ReadFile(as_handle(handle), out + *got, want, &n, &at)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      *os_error = error;
      return false;
    }
    if (n == 0) break;
    *got += n;
  }
  *os_error = 0;
  return true;
}

bool file_size(NativeHandle handle, uint64_t* size, uint32_t* os_error) {
  LARGE_INTEGER s;
  if (!::GetFileSizeEx(as_handle(handle), &s)) {
    *os_error = ::GetLastError();
    return false;
  }
  *size = static_cast<uint64_t>(s.QuadPart);
  *os_error = 0;
  return true;
}

int64_t seek_file(NativeHandle handle, int64_t offset, int origin, uint32_t* os_error) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  const DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
  if (!::SetFilePointerEx(as_handle(handle), distance, &position, method)) {
    *os_error = ::GetLastError();
    return -1;
  }
  *os_error = 0;
  return position.QuadPart;
}

}  // namespace kx::platform
