#include "support/torn/write_call.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kx::test {
namespace {

#ifdef _WIN32
int open_for_writing(const std::string& path) {
  return ::_open(path.c_str(), _O_WRONLY | _O_BINARY);
}
void close_fd(int fd) { ::_close(fd); }
bool truncate_fd(int fd, uint64_t length) {
  return ::_chsize_s(fd, static_cast<__int64>(length)) == 0;
}
bool write_at(int fd, uint64_t offset, const std::string& bytes) {
  return ::_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) >= 0 &&
         ::_write(fd, bytes.data(), static_cast<unsigned>(bytes.size())) ==
             static_cast<int>(bytes.size());
}
#else
int open_for_writing(const std::string& path) { return ::open(path.c_str(), O_WRONLY); }
void close_fd(int fd) { ::close(fd); }
bool truncate_fd(int fd, uint64_t length) {
  return ::ftruncate(fd, static_cast<off_t>(length)) == 0;
}
bool write_at(int fd, uint64_t offset, const std::string& bytes) {
  return ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
         static_cast<ssize_t>(bytes.size());
}
#endif

}  // namespace

void apply(const WriteCall& call, FileImages* images) {
  std::string& bytes = (*images)[call.file];
  const size_t at = static_cast<size_t>(call.offset);
  if (call.truncate) {
    bytes.resize(at, '\0');
    return;
  }
  if (bytes.size() < at + call.bytes.size()) bytes.resize(at + call.bytes.size(), '\0');
  std::memcpy(&bytes[at], call.bytes.data(), call.bytes.size());
}

bool apply_to_folder(const WriteCall& call, const std::string& folder, std::string* error) {
  const std::string path = folder + call.file;
  const int fd = open_for_writing(path);
  if (fd < 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool done =
      call.truncate ? truncate_fd(fd, call.offset) : write_at(fd, call.offset, call.bytes);
  if (!done) *error = "cannot change " + path + ": " + std::strerror(errno);
  close_fd(fd);
  return done;
}

bool write_images(const FileImages& images, const std::string& folder, std::string* error) {
  for (const auto& [name, bytes] : images) {
    const std::string path = folder + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool done = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != nullptr && std::fclose(f) != 0) *error = "cannot close " + path;
    if (!done) {
      *error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

std::string describe(const WriteCall& call) {
  char at[32];
  std::snprintf(at, sizeof at, "0x%llx", static_cast<unsigned long long>(call.offset));
  if (call.truncate) return call.file + ": truncated to " + std::to_string(call.offset);
  return call.file + ": " + std::to_string(call.bytes.size()) + " bytes at " + at;
}

}  // namespace kx::test
