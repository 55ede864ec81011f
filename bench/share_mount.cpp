#include "share_mount.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "share_fs_counters.h"

namespace kx::bench {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr milliseconds kMountWait{10000};
constexpr milliseconds kExitWait{5000};
constexpr milliseconds kPoll{5};

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
std::string unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// Waits up to limit for pid to end; true when it has ended (and was reaped).
bool reaped_within(pid_t pid, milliseconds limit) {
  const auto deadline = steady_clock::now() + limit;
  do {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || r < 0) return true;
    std::this_thread::sleep_for(kPoll);
  } while (steady_clock::now() < deadline);
  return false;
}

void detach(const fs::path& mount_point) {
  if (is_mounted(mount_point) && ::umount2(mount_point.c_str(), MNT_DETACH) != 0) {
    std::perror(("umount " + mount_point.string()).c_str());
  }
}

pid_t spawn(const std::string& fs_program, const fs::path& source, const fs::path& mount_point,
            int delay_ms) {
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  // Should the driver die, share_fs hears of it and unmounts.
  if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(126);
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
  }
  const std::string delay = std::to_string(delay_ms);
  ::execl(fs_program.c_str(), fs_program.c_str(), source.c_str(), mount_point.c_str(), "--delay-ms",
          delay.c_str(), static_cast<char*>(nullptr));
  ::_exit(127);
}

}  // namespace

bool is_mounted(const fs::path& path) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, point;
    if (fields >> id >> parent >> device >> root >> point && unescape(point) == path.string()) {
      return true;
    }
  }
  return false;
}

std::unique_ptr<ShareMount> ShareMount::start(const std::string& fs_program, const fs::path& source,
                                              const fs::path& mount_point, int delay_ms,
                                              std::string* error) {
  detach(mount_point);
  std::error_code ec;
  fs::create_directories(mount_point, ec);
  if (ec) return *error = "cannot create " + mount_point.string() + ": " + ec.message(), nullptr;
  const pid_t pid = spawn(fs_program, source, mount_point, delay_ms);
  if (pid < 0) return *error = "cannot start " + fs_program, nullptr;
  std::unique_ptr<ShareMount> mount(new ShareMount(pid, mount_point));
  const auto deadline = steady_clock::now() + kMountWait;
  while (!is_mounted(mount_point)) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      mount->pid_ = -1;
      return *error = fs_program + " ended before " + mount_point.string() + " was mounted",
             nullptr;
    }
    if (steady_clock::now() > deadline) {
      return *error = mount_point.string() + " was not mounted within 10 s", nullptr;
    }
    std::this_thread::sleep_for(kPoll);
  }
  FsCounts discarded;
  if (!mount->take_counts(&discarded)) {
    return *error = "cannot read the counts at " + mount_point.string(), nullptr;
  }
  return mount;
}

ShareMount::~ShareMount() { stop(); }

void ShareMount::stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    if (!reaped_within(pid_, kExitWait)) {
      ::kill(pid_, SIGKILL);
      reaped_within(pid_, kExitWait);
    }
    pid_ = -1;
  }
  detach(mount_point_);
}

bool ShareMount::take_counts(FsCounts* counts, uint64_t* held_us) const {
  counts->clear();
  std::ifstream in(mount_point_ / kCountsFileName);
  std::string kind;
  uint64_t count = 0;
  while (in >> kind >> count) {
    if (kind != kHeldLine) {
      counts->emplace_back(kind, count);
    } else if (held_us != nullptr) {
      *held_us = count;
    }
  }
  return !counts->empty();
}

}  // namespace kx::bench
