#include "share_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace kx::bench {

Run run_program(const std::vector<std::string>& argv, const std::string& cwd,
                const std::string& out_path) {
  std::fflush(nullptr);  // a forked child must not inherit unwritten output
  Run run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    if (!std::freopen(out_path.empty() ? "/dev/null" : out_path.c_str(), "wb", stdout))
      ::_exit(126);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace kx::bench
