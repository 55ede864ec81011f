// Win32 process facilities: byte writes, program folder, process end, sleep.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cfloat>
#include <cstdio>

#include "platform/platform.h"

namespace kx::platform {

bool write_bytes(NativeHandle handle, const char* data, size_t size) {
  if (handle == kInvalidHandle || handle == kNullHandle) return false;
  DWORD written = 0;
  if (!::WriteFile(reinterpret_cast<HANDLE>(handle), data, static_cast<DWORD>(size), &written,
                   nullptr)) {
    return false;
  }
  return written == size;
}

long read_once(NativeHandle handle, char* buffer, size_t size) {
  if (handle == kInvalidHandle || handle == kNullHandle) return -1;
  DWORD n = 0;
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle), buffer, static_cast<DWORD>(size), &n,
                  nullptr)) {
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

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails.
void prepare_process() {
  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
}

void exit_process(int status) { ::ExitProcess(static_cast<UINT>(status)); }

void reset_fpu() { _fpreset(); }

void sleep_ms(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace kx::platform
