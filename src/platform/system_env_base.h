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

  FileResult open_random_access(const std::string& path, const OpenOptions& options,
                                std::unique_ptr<RandomAccessFile>* file) override {
    return platform::open_random_access(path, options, file);
  }
  PathKind path_kind(const std::string& path) override { return platform::path_kind(path); }
  std::string case_variant(const std::string& path) override {
    return platform::case_variant(path);
  }
  FileResult open_file(const std::string& path, OpenMode mode, bool shared,
                       NativeHandle* handle) override {
    return platform::open_file(path, mode, shared, handle);
  }
  FileResult open_file_flags(const std::string& path, uint32_t flags,
                             NativeHandle* handle) override {
    return platform::open_file_flags(path, flags, handle);
  }
  FileResult create_file(const std::string& path, NativeHandle* handle) override {
    return platform::create_file(path, handle);
  }
  void close_file(NativeHandle handle) override { platform::close_file(handle); }
  FileResult file_size(NativeHandle handle, uint64_t* size) override {
    return platform::file_size(handle, size);
  }
  FileResult seek_file(NativeHandle handle, int64_t offset, int origin,
                       int64_t* position) override {
    return platform::seek_file(handle, offset, origin, position);
  }
  void sleep_ms(uint32_t milliseconds) override { platform::sleep_ms(milliseconds); }
};

}  // namespace kx::platform

#endif  // KX_PLATFORM_SYSTEM_ENV_BASE_H_
