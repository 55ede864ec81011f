// POSIX process facilities: standard handles, clock, program folder, dialogs.
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace kx::platform {
namespace {

NativeHandle& std_slot(StdStream stream) {
  static NativeHandle handles[3] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
  return handles[static_cast<int>(stream)];
}

}  // namespace

NativeHandle std_handle(StdStream stream) { return std_slot(stream); }
void set_std_handle(StdStream stream, NativeHandle handle) { std_slot(stream) = handle; }

bool write_bytes(NativeHandle handle, const char* data, size_t size) {
  if (handle < 0) return false;
  ssize_t n;
  do {
    n = ::write(static_cast<int>(handle), data, size);
  } while (n < 0 && errno == EINTR);
  return n >= 0 && static_cast<size_t>(n) == size;
}

long read_once(NativeHandle handle, char* buffer, size_t size) {
  if (handle < 0) return -1;
  return static_cast<long>(::read(static_cast<int>(handle), buffer, size));
}

std::string executable_path() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string program_folder() {
  const std::string exe = executable_path();
  const size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

char path_separator() { return '/'; }

LocalDateTime local_now() {
  const time_t now = ::time(nullptr);
  struct tm t;
  ::localtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

// A reader that closes its end of the output pipe early (a web server that
// gives up, "| head -c 10") would otherwise end the process with SIGPIPE
// before its exit procedures run; ignored, the write fails with EPIPE.
void prepare_process() { ::signal(SIGPIPE, SIG_IGN); }

void exit_process(int status) { ::_exit(status); }

uint32_t os_platform_id() { return 2; }

bool window_station_visible() { return true; }

void message_box(const std::string& text, const std::string& caption) {
  const std::string line = caption + ": " + text + "\n";
  write_bytes(std_handle(StdStream::kError), line.data(), line.size());
}

int error_dialog(const std::string& message, const std::string& severity, bool, uint32_t, uint32_t) {
  const std::string text = severity + "\n" + message + "\n";
  write_bytes(std_handle(StdStream::kError), text.data(), text.size());
  return 3;
}

void tone(uint32_t, uint32_t) {}

void reset_fpu() {}

}  // namespace kx::platform
