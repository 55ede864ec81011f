#include "e2e/program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

#include "e2e/output_capture.h"

namespace kx::e2e {
namespace {

// Under wine, a wine process that lives as long as the tests do. Without
// one, every run starts a wine server, which inherits the run's output pipes
// and holds them open for the seconds it lingers after the run has ended
// (or, while another wine process lives, for good). The keeper's command
// interpreter answers once the server is up, so no run starts one of its own.
class WineKeeper {
 public:
  explicit WineKeeper(const std::string& loader) {
    int in[2];
    int out[2];
    if (::pipe(in) != 0) return;
    if (::pipe(out) != 0) {
      ::close(in[0]);
      ::close(in[1]);
      return;
    }
    // The runs must not inherit the keeper's ends: a run (or a wine process
    // lingering after it) holding the input open would keep the keeper alive.
    ::fcntl(in[1], F_SETFD, FD_CLOEXEC);
    ::fcntl(out[0], F_SETFD, FD_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(null, 2);
      ::close(in[1]);
      ::close(out[0]);
      ::setenv("WINEDEBUG", "-all", 1);
      ::execlp(loader.c_str(), loader.c_str(), "cmd.exe", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
    if (pid_ > 0) wait_until_ready();
  }
  // Its input ends, so it ends; killed when it has not after ten seconds.
  ~WineKeeper() {
    if (pid_ <= 0) return;
    ::close(input_);
    for (int i = 0; i < 100 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i) ::usleep(100000);
    if (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(output_);
  }
  WineKeeper(const WineKeeper&) = delete;
  WineKeeper& operator=(const WineKeeper&) = delete;

 private:
  void wait_until_ready() {
    const std::string command = "echo kx-ready\r\n";
    if (::write(input_, command.data(), command.size()) < 0) return;
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (seen.find("kx-ready") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      pollfd fd = {output_, POLLIN, 0};
      if (::poll(&fd, 1, 200) <= 0) continue;
      char buffer[256];
      const ssize_t n = ::read(output_, buffer, sizeof buffer);
      if (n <= 0) return;
      seen.append(buffer, static_cast<size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
};

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

std::string wine_loader() {
  const char* r = std::getenv("KX_RUNNER");
  return r ? r : "";
}

bool under_wine() { return !wine_loader().empty(); }

std::string fault_program_under_test() {
  const char* p = std::getenv("KX_FAULT_PROGRAM");
  return p ? p : "";
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

std::string how_it_ended(const RunResult& run) {
  if (run.timed_out) return "timed out";
  if (run.signal != 0) return "killed by signal " + std::to_string(run.signal);
  return "exit status " + std::to_string(run.status);
}

namespace {

RunResult run_once(const std::string& program, const std::string& cwd, double timeout_seconds,
                   const RunOptions& options) {
  const std::string loader = options.native ? std::string() : wine_loader();
  if (!loader.empty()) static const WineKeeper keeper(loader);
  RunResult result;
  int out_pipe[2];
  int err_pipe[2];
  // Close-on-exec, so that a program started meanwhile from another thread
  // does not hold this run's pipes open.
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) return result;
  // Closed before the fork, so that no write of the program can still land
  // in the pipe.
  const bool read_out = options.output == Output::kPipe;
  if (!read_out) ::close(out_pipe[0]);
  std::vector<std::string> argv_text;
  if (!loader.empty()) argv_text.push_back(loader);
  argv_text.push_back(program);
  argv_text.insert(argv_text.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = options.output == Output::kFull ? ::open("/dev/full", O_WRONLY) : out_pipe[1];
    ::dup2(out, 1);
    ::dup2(err_pipe[1], 2);
    const int null_in = ::open("/dev/null", O_RDONLY);
    ::dup2(null_in, 0);
    if (read_out) ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    ::setpgid(0, 0);
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    if (!loader.empty()) {
      ::setenv("WINEDEBUG", "-all", 1);
      ::execvp(argv[0], argv.data());
    } else {
      ::execv(argv[0], argv.data());
    }
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  bool out_open = read_out;
  bool err_open = true;
  while (out_open || err_open) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed > timeout_seconds) {
      result.timed_out = true;
      ::kill(-pid, SIGKILL);
      break;
    }
    pollfd fds[2] = {{out_open ? out_pipe[0] : -1, POLLIN, 0},
                     {err_open ? err_pipe[0] : -1, POLLIN, 0}};
    if (::poll(fds, 2, 100) <= 0) continue;
    if (out_open && (fds[0].revents & (POLLIN | POLLHUP)))
      drain(out_pipe[0], &result.out, &out_open);
    if (err_open && (fds[1].revents & (POLLIN | POLLHUP)))
      drain(err_pipe[0], &result.err, &err_open);
  }
  if (read_out) ::close(out_pipe[0]);
  ::close(err_pipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (options.keep_output) keep_run_output(program, result.out);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!result.timed_out && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (!result.timed_out && WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace

// Under wine a run has once ended with status 1 having written nothing at
// all (one damaged index among thousands of runs; not seen again on rerun).
// The program writes something on every way out, so such a run is made once
// more, and said so: a program that really ends that way does so again.
RunResult run_program(const std::string& program, const std::string& cwd, double timeout_seconds,
                      const RunOptions& options) {
  RunResult run = run_once(program, cwd, timeout_seconds, options);
  const bool silent = run.out.empty() && run.err.empty() && options.output == Output::kPipe;
  if (!options.native && under_wine() && silent && !run.timed_out && run.status == 1) {
    std::cerr << "[ wine     ] " << program
              << " ended with status 1 and wrote nothing; run again\n";
    run = run_once(program, cwd, timeout_seconds, options);
  }
  return run;
}

}  // namespace kx::e2e
