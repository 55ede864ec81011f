// What the POSIX and Win32 system Envs share: the byte and file operations
// go straight to the free functions of platform.h, which each platform
// implements in its own files/process sources.
#ifndef KX_PLATFORM_SYSTEM_ENV_BASE_H_
#define KX_PLATFORM_SYSTEM_ENV_BASE_H_

#include <string>

#include "platform/env.h"
#include "platform/platform.h"

namespace kx::platform {

class SystemEnvBase : public Env {
 public:
  bool write_bytes(NativeHandle handle, const char* data, size_t size) override {
    return platform::write_bytes(handle, data, size);
  }
  long read_once(NativeHandle handle, char* buffer, size_t size) override {
    return platform::read_once(handle, buffer, size);
  }

  std::unique_ptr<RandomAccessFile> open_random_access(const std::string& path,
                                                       const OpenOptions& options,
                                                       uint32_t* os_error) override {
    return platform::open_random_access(path, options, os_error);
  }
  PathKind path_kind(const std::string& path) override { return platform::path_kind(path); }
  std::string case_variant(const std::string& path) override {
    return platform::case_variant(path);
  }
  NativeHandle open_file(const std::string& path, OpenMode mode, bool shared,
                         uint32_t* os_error) override {
    return platform::open_file(path, mode, shared, os_error);
  }
  NativeHandle open_file_flags(const std::string& path, uint32_t flags,
                               uint32_t* os_error) override {
    return platform::open_file_flags(path, flags, os_error);
  }
  NativeHandle create_file(const std::string& path, uint32_t* os_error) override {
    return platform::create_file(path, os_error);
  }
  void close_file(NativeHandle handle) override { platform::close_file(handle); }
  bool file_size(NativeHandle handle, uint64_t* size, uint32_t* os_error) override {
    return platform::file_size(handle, size, os_error);
  }
  int64_t seek_file(NativeHandle handle, int64_t offset, int origin, uint32_t* os_error) override {
    return platform::seek_file(handle, offset, origin, os_error);
  }
  void sleep_ms(uint32_t milliseconds) override { platform::sleep_ms(milliseconds); }
};

}  // namespace kx::platform

#endif  // KX_PLATFORM_SYSTEM_ENV_BASE_H_
