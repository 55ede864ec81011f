// The POSIX system Env: the free functions of platform.h, the standard
// handles it keeps, the local clock, and the CIFS connector. There is no
// desktop: dialogs go to standard error.
#include <time.h>
#include <unistd.h>

#include <memory>

#include "platform/env.h"
#include "platform/native_network.h"

namespace kx::platform {
namespace {

class PosixEnv final : public Env {
 public:
  NativeHandle std_handle(StdStream stream) override {
    return std_handles_[static_cast<int>(stream)];
  }
  void set_std_handle(StdStream stream, NativeHandle handle) override {
    std_handles_[static_cast<int>(stream)] = handle;
  }
  bool write_bytes(NativeHandle handle, const char* data, size_t size) override {
    return platform::write_bytes(handle, data, size);
  }
  long read_once(NativeHandle handle, char* buffer, size_t size) override {
    return platform::read_once(handle, buffer, size);
  }

  PathKind path_kind(const std::string& path) override { return platform::path_kind(path); }
  std::string existing_file(const std::string& path) override {
    return platform::existing_file(path);
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
  bool read_at(NativeHandle handle, uint64_t offset, void* buffer, size_t size, size_t* got,
               uint32_t* os_error) override {
    return platform::read_at(handle, offset, buffer, size, got, os_error);
  }
  bool file_size(NativeHandle handle, uint64_t* size, uint32_t* os_error) override {
    return platform::file_size(handle, size, os_error);
  }
  int64_t seek_file(NativeHandle handle, int64_t offset, int origin, uint32_t* os_error) override {
    return platform::seek_file(handle, offset, origin, os_error);
  }

  LocalDateTime local_now() override {
    const time_t now = ::time(nullptr);
    struct tm t;
    ::localtime_r(&now, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
  }
  void sleep_ms(uint32_t milliseconds) override { platform::sleep_ms(milliseconds); }

  uint32_t os_platform_id() override { return 2; }
  bool window_station_visible() override { return true; }
  void message_box(const std::string& text, const std::string& caption) override {
    write_error(caption + ": " + text + "\n");
  }
  int error_dialog(const std::string& message, const std::string& severity, bool, uint32_t,
                   uint32_t) override {
    write_error(severity + "\n" + message + "\n");
    return 3;
  }
  void tone(uint32_t, uint32_t) override {}
  NetworkConnector& network_connector() override { return *network_; }

 private:
  void write_error(const std::string& text) {
    platform::write_bytes(std_handle(StdStream::kError), text.data(), text.size());
  }

  NativeHandle std_handles_[3] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
  const std::unique_ptr<NetworkConnector> network_ = make_native_network_connector();
};

}  // namespace

Env& system_env() {
  static PosixEnv env;
  return env;
}

}  // namespace kx::platform
