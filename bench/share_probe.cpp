#include "share_probe.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace kx::bench {
namespace {

class Prober {
 public:
  explicit Prober(const ShareMount& mount) : mount_(mount) {}

  // Makes the call between two readings of the counts; false when the call fails.
  bool probe(const std::string& name, const std::function<bool()>& call) {
    FsCounts before, after;
    mount_.take_counts(&before);
    if (!call() || !mount_.take_counts(&after)) return false;
    ProbedCall probed{name, {}};
    for (const auto& [kind, count] : after) {
      if (count > 0) probed.cost.emplace_back(kind, count);
    }
    calls_.push_back(std::move(probed));
    return true;
  }

  std::vector<ProbedCall> take() { return std::move(calls_); }

 private:
  const ShareMount& mount_;
  std::vector<ProbedCall> calls_;
};

}  // namespace

std::vector<ProbedCall> probe_calls(const ShareMount& mount,
                                    const std::filesystem::path& mount_point,
                                    const std::string& table) {
  const std::string folder = mount_point.string() + "/";
  const std::string present = folder + table;
  const std::string missing = folder + table + ".missing";
  struct stat st;
  int fd = -1, dir = -1;
  char buffer[32768];
  Prober p(mount);
  const bool probed =
      p.probe("stat of a present file", [&] { return ::stat(present.c_str(), &st) == 0; }) &&
      p.probe("stat of a missing file", [&] { return ::stat(missing.c_str(), &st) != 0; }) &&
      p.probe("open of a present file (O_RDWR)",
              [&] { return (fd = ::open(present.c_str(), O_RDWR | O_CLOEXEC)) >= 0; }) &&
      p.probe("open of a missing file",
              [&] { return ::open(missing.c_str(), O_RDONLY | O_CLOEXEC) < 0; }) &&
      p.probe("fstat", [&] { return ::fstat(fd, &st) == 0; }) &&
      p.probe("pread of 32 bytes", [&] { return ::pread(fd, buffer, 32, 0) == 32; }) &&
      p.probe("close", [&] { return ::close(fd) == 0; }) &&
      p.probe("open of the data folder (O_DIRECTORY)",
              [&] {
                return (dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) >= 0;
              }) &&
      p.probe("fstat of the folder", [&] { return ::fstat(dir, &st) == 0; }) &&
      p.probe("getdents64, the whole listing",
              [&] { return ::getdents64(dir, buffer, sizeof buffer) > 0; }) &&
      p.probe("getdents64 at the end",
              [&] { return ::getdents64(dir, buffer, sizeof buffer) == 0; }) &&
      p.probe("close of the folder", [&] { return ::close(dir) == 0; });
  if (!probed) return {};
  return p.take();
}

}  // namespace kx::bench
