// syscall_replay TRACE [--parse-only]: makes the file system calls that an strace log of
// one run lists (opens, stats, positioned reads, writes to standard output,
// folder listings), with the same sizes and offsets, and nothing else. Timed
// against the floor program it shows what those calls alone cost, whatever
// code makes them. Files are opened read-only.
//
// TRACE comes from: strace -o TRACE PROGRAM (see syscall_floor.sh). With
// --parse-only it reads the trace and stops, to time the reading alone.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

enum class Op { kOpen, kOpenFolder, kStatPath, kStatHandle, kRead, kWrite, kClose };

struct Call {
  Op op;
  int fd = -1;  // the traced descriptor
  std::string path;
  uint64_t size = 0;
  uint64_t offset = 0;
};

std::string quoted(const std::string& line, size_t from) {
  const size_t open = line.find('"', from);
  const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
  return close == std::string::npos ? "" : line.substr(open + 1, close - open - 1);
}

// The numbers after the last '"...' argument: "..., 512, 4096) = 512".
std::vector<uint64_t> trailing_numbers(const std::string& line) {
  std::vector<uint64_t> numbers;
  const size_t end = line.rfind(") = ");
  size_t at = line.rfind("\"", end);
  if (at == std::string::npos || end == std::string::npos) return numbers;
  while ((at = line.find(", ", at)) != std::string::npos && at < end) {
    at += 2;
    numbers.push_back(std::strtoull(line.c_str() + at, nullptr, 10));
  }
  return numbers;
}

int result_of(const std::string& line) {
  const size_t eq = line.rfind(" = ");
  return eq == std::string::npos ? -1 : std::atoi(line.c_str() + eq + 3);
}

std::vector<Call> parse(std::istream& in) {
  std::vector<Call> calls;
  std::string line;
  while (std::getline(in, line)) {
    const int fd = std::atoi(line.c_str() + line.find('(') + 1);
    if (line.rfind("openat(", 0) == 0 && line.find("/etc/") == std::string::npos &&
        result_of(line) >= 0) {
      const bool folder = line.find("O_DIRECTORY") != std::string::npos;
      calls.push_back({folder ? Op::kOpenFolder : Op::kOpen, result_of(line), quoted(line, 0)});
    } else if (line.rfind("newfstatat(AT_FDCWD", 0) == 0) {
      calls.push_back({Op::kStatPath, -1, quoted(line, 0)});
    } else if (line.rfind("newfstatat(", 0) == 0) {
      calls.push_back({Op::kStatHandle, fd, ""});
    } else if (line.rfind("pread64(", 0) == 0) {
      const std::vector<uint64_t> n = trailing_numbers(line);
      if (n.size() >= 2) calls.push_back({Op::kRead, fd, "", n[0], n[1]});
    } else if (line.rfind("write(1,", 0) == 0) {
      calls.push_back({Op::kWrite, 1, "", static_cast<uint64_t>(result_of(line))});
    } else if (line.rfind("close(", 0) == 0) {
      calls.push_back({Op::kClose, fd, ""});
    }
  }
  return calls;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: syscall_replay TRACE [--parse-only]\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  const std::vector<Call> calls = parse(in);
  if (argc == 3) return calls.empty() ? 1 : 0;
  std::map<int, int> fds;  // traced descriptor -> ours
  std::map<int, DIR*> folders;
  static char buffer[1 << 16] = {};
  struct stat st;
  for (const Call& c : calls) {
    switch (c.op) {
      case Op::kOpen:
        fds[c.fd] = ::open(c.path.c_str(), O_RDONLY | O_CLOEXEC);
        break;
      case Op::kOpenFolder:
        if (DIR* dir = ::opendir(c.path.c_str())) {
          while (::readdir(dir) != nullptr) {
          }
          folders[c.fd] = dir;
        }
        break;
      case Op::kStatPath:
        ::stat(c.path.c_str(), &st);
        break;
      case Op::kStatHandle:
        if (fds.count(c.fd)) ::fstat(fds[c.fd], &st);
        break;
      case Op::kRead:
        if (fds.count(c.fd) && c.size <= sizeof buffer) {
          if (::pread(fds[c.fd], buffer, c.size, static_cast<off_t>(c.offset)) < 0) return 1;
        }
        break;
      case Op::kWrite:
        if (::write(1, buffer, c.size < sizeof buffer ? c.size : sizeof buffer) < 0) return 1;
        break;
      case Op::kClose:
        if (folders.count(c.fd)) {
          ::closedir(folders[c.fd]);
          folders.erase(c.fd);
        } else if (fds.count(c.fd)) {
          ::close(fds[c.fd]);
          fds.erase(c.fd);
        }
        break;
    }
  }
  return 0;
}
