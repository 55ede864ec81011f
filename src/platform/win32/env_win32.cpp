// The Win32 system Env: the free functions of platform.h, the process's
// standard handles, the local clock, message boxes and the WNet connector.
#include <windows.h>

#include <memory>

#include "platform/env.h"
#include "platform/native_network.h"
#include "platform/system_env_base.h"

namespace kx::platform {
namespace {

DWORD std_id(StdStream stream) {
  switch (stream) {
    case StdStream::kInput:
      return STD_INPUT_HANDLE;
    case StdStream::kOutput:
      return STD_OUTPUT_HANDLE;
    default:
      return STD_ERROR_HANDLE;
  }
}

NativeHandle to_native(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE) return kInvalidHandle;
  return reinterpret_cast<NativeHandle>(h);
}

// ABORT maps to quit, RETRY to retry and IGNORE to taking the default.
int show_error_box(const std::string& message, const std::string& severity, bool can_default,
                   uint32_t retry_flag) {
  UINT style = MB_ICONERROR | MB_TASKMODAL;
  if (can_default) {
    style |= MB_ABORTRETRYIGNORE;
  } else if (retry_flag != 0) {
    style |= MB_RETRYCANCEL;
  } else {
    style |= MB_OK;
  }
  const int answer = ::MessageBoxA(nullptr, message.c_str(), severity.c_str(), style);
  switch (answer) {
    case IDIGNORE:
      return 1;
    case IDRETRY:
      return retry_flag != 0 ? 2 : 3;
    default:
      return 3;
  }
}

class WindowsEnv final : public SystemEnvBase {
 public:
  NativeHandle std_handle(StdStream stream) override {
    return to_native(::GetStdHandle(std_id(stream)));
  }
  void set_std_handle(StdStream stream, NativeHandle handle) override {
    ::SetStdHandle(std_id(stream), reinterpret_cast<HANDLE>(handle));
  }

  LocalDateTime local_now() override {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  }

  uint32_t os_platform_id() override {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = 148;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
    return info.dwPlatformId;
  }

  // A service started without desktop interaction gets a window station that
  // no one sees: a message box there would wait for an answer for ever.
  bool window_station_visible() override {
    HWINSTA station = ::GetProcessWindowStation();
    if (station == nullptr) return true;
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (!::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
      return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
  }

  void message_box(const std::string& text, const std::string& caption) override {
    ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), 0);
  }
  int error_dialog(const std::string& message, const std::string& severity, bool can_default,
                   uint32_t retry_flag, uint32_t) override {
    return show_error_box(message, severity, can_default, retry_flag);
  }
  void tone(uint32_t frequency, uint32_t duration) override { ::Beep(frequency, duration); }
  NetworkConnector& network_connector() override { return *network_; }

 private:
  const std::unique_ptr<NetworkConnector> network_ = make_native_network_connector();
};

}  // namespace

Env& system_env() {
  static WindowsEnv env;
  return env;
}

}  // namespace kx::platform
