// Win32 process facilities: standard handles, clock, program folder, dialogs.
#include <windows.h>

#include <cfloat>

#include "platform/platform.h"

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

}  // namespace

NativeHandle std_handle(StdStream stream) { return to_native(::GetStdHandle(std_id(stream))); }

void set_std_handle(StdStream stream, NativeHandle handle) {
  ::SetStdHandle(std_id(stream), reinterpret_cast<HANDLE>(handle));
}

bool write_bytes(NativeHandle handle, const char* data, size_t size) {
  if (handle == kInvalidHandle || handle == kNullHandle) return false;
  DWORD written = 0;
  if (!::WriteFile(reinterpret_cast<HANDLE>(handle), data, static_cast<DWORD>(size), &written, nullptr)) {
    return false;
  }
  return written == size;
}

long read_once(NativeHandle handle, char* buffer, size_t size) {
  if (handle == kInvalidHandle || handle == kNullHandle) return -1;
  DWORD n = 0;
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle), buffer, static_cast<DWORD>(size), &n, nullptr)) {
    return -1;
  }
  return static_cast<long>(n);
}

std::string executable_path() {
  char buffer[MAX_PATH + 1];
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, n);
}

std::string program_folder() {
  const std::string exe = executable_path();
  const size_t slash = exe.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : exe.substr(0, slash + 1);
}

char path_separator() { return '\\'; }

LocalDateTime local_now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails.
void prepare_process() {}

void exit_process(int status) { ::ExitProcess(static_cast<UINT>(status)); }

uint32_t os_platform_id() {
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
bool window_station_visible() {
  HWINSTA station = ::GetProcessWindowStation();
  if (station == nullptr) return true;
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  if (!::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void message_box(const std::string& text, const std::string& caption) {
  ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), 0);
}

// ABORT maps to quit, RETRY to retry and IGNORE to taking the default.
int error_dialog(const std::string& message, const std::string& severity, bool can_default,
                 uint32_t retry_flag, uint32_t) {
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

void tone(uint32_t frequency, uint32_t duration) { ::Beep(frequency, duration); }

void reset_fpu() { _fpreset(); }

}  // namespace kx::platform
