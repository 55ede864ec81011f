#include "e2e/program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace kx::e2e {
namespace {

void drain(int fd, std::string* into, bool* open) {
  char buffer[65536];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) {
    into->append(buffer, static_cast<size_t>(n));
  } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    *open = false;
  }
}

}  // namespace

std::string program_under_test() {
  const char* p = std::getenv("KX_PROGRAM");
  return p ? p : "";
}

bool under_wine() {
  const char* r = std::getenv("KX_RUNNER");
  return r && std::string(r) == "wine";
}

std::string target_path(const std::string& posix_path) {
  if (!under_wine()) return posix_path;
  std::string out = "Z:" + posix_path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

char target_separator() { return under_wine() ? '\\' : '/'; }

RunResult run_program(const std::string& program, const std::string& cwd, double timeout_seconds) {
  RunResult result;
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) return result;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    const int null_in = ::open("/dev/null", O_RDONLY);
    ::dup2(null_in, 0);
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    ::setpgid(0, 0);
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    if (under_wine()) {
      ::setenv("WINEDEBUG", "-all", 1);
      ::execlp("wine", "wine", program.c_str(), static_cast<char*>(nullptr));
    } else {
      ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    }
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  bool out_open = true;
  bool err_open = true;
  while (out_open || err_open) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed > timeout_seconds) {
      result.timed_out = true;
      ::kill(-pid, SIGKILL);
      break;
    }
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    if (::poll(fds, 2, 100) <= 0) continue;
    if (out_open && (fds[0].revents & (POLLIN | POLLHUP))) drain(out_pipe[0], &result.out, &out_open);
    if (err_open && (fds[1].revents & (POLLIN | POLLHUP))) drain(err_pipe[0], &result.err, &err_open);
  }
  ::close(out_pipe[0]);
  ::close(err_pipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!result.timed_out && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

}  // namespace kx::e2e
