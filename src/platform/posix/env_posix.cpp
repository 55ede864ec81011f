// The POSIX system Env: the free functions of platform.h, the standard
// handles it keeps, the local clock, and the CIFS connector. There is no
// desktop: dialogs go to standard error.
#include <time.h>
#include <unistd.h>

#include <memory>

#include "platform/env.h"
#include "platform/native_network.h"
#include "platform/system_env_base.h"

namespace kx::platform {
namespace {

class PosixEnv final : public SystemEnvBase {
 public:
  NativeHandle std_handle(StdStream stream) override {
    return std_handles_[static_cast<int>(stream)];
  }
  void set_std_handle(StdStream stream, NativeHandle handle) override {
    std_handles_[static_cast<int>(stream)] = handle;
  }

  LocalDateTime local_now() override {
    const time_t now = ::time(nullptr);
    struct tm t;
    ::localtime_r(&now, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
  }

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
