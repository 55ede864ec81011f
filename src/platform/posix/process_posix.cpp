// POSIX process facilities: byte writes, program folder, process end, sleep.
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace kx::platform {

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

// A reader that closes its end of the output pipe early (a web server that
// gives up, "| head -c 10") would otherwise end the process with SIGPIPE
// before its exit procedures run; ignored, the write fails with EPIPE.
void prepare_process() { ::signal(SIGPIPE, SIG_IGN); }

void exit_process(int status) { ::_exit(status); }

void reset_fpu() {}

void sleep_ms(uint32_t milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace kx::platform
