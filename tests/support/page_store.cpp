#include "support/page_store.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kx::test {
namespace {

#ifdef _WIN32
int open_rw(const std::string& path) { return ::_open(path.c_str(), _O_RDWR | _O_BINARY); }
void close_fd(int fd) { ::_close(fd); }
bool file_size(int fd, uint64_t* size) {
  const __int64 n = ::_filelengthi64(fd);
  if (n < 0) return false;
  *size = static_cast<uint64_t>(n);
  return true;
}
long long read_at(int fd, uint64_t offset, char* buffer, size_t length) {
  if (::_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
  return ::_read(fd, buffer, static_cast<unsigned>(length));
}
long long write_at(int fd, uint64_t offset, const char* buffer, size_t length) {
  if (::_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
  return ::_write(fd, buffer, static_cast<unsigned>(length));
}
#else
int open_rw(const std::string& path) { return ::open(path.c_str(), O_RDWR); }
void close_fd(int fd) { ::close(fd); }
bool file_size(int fd, uint64_t* size) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}
long long read_at(int fd, uint64_t offset, char* buffer, size_t length) {
  return ::pread(fd, buffer, length, static_cast<off_t>(offset));
}
long long write_at(int fd, uint64_t offset, const char* buffer, size_t length) {
  return ::pwrite(fd, buffer, length, static_cast<off_t>(offset));
}
#endif

class FileStore : public PageStore {
 public:
  explicit FileStore(int fd) : fd_(fd) {}
  ~FileStore() override { close_fd(fd_); }
  FileStore(const FileStore&) = delete;
  FileStore& operator=(const FileStore&) = delete;

  bool size(uint64_t* size) override { return file_size(fd_, size); }

  bool read(uint64_t offset, size_t length, std::string* bytes) override {
    bytes->assign(length, '\0');
    size_t got = 0;
    while (got < length) {
      const long long n = read_at(fd_, offset + got, bytes->data() + got, length - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      got += static_cast<size_t>(n);
    }
    return true;
  }

  // One call: a reader sees the bytes before or after it, never a mix made
  // by several calls.
  bool write(uint64_t offset, const std::string& bytes) override {
    for (;;) {
      const long long n = write_at(fd_, offset, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      return n == static_cast<long long>(bytes.size());
    }
  }

 private:
  const int fd_;
};

}  // namespace

std::unique_ptr<PageStore> open_file_store(const std::string& path, std::string* error) {
  const int fd = open_rw(path);
  if (fd < 0) {
    if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<FileStore>(fd);
}

bool MemoryStore::size(uint64_t* size) {
  *size = bytes_.size();
  return true;
}

bool MemoryStore::read(uint64_t offset, size_t length, std::string* bytes) {
  if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
  bytes->assign(bytes_, static_cast<size_t>(offset), length);
  return true;
}

bool MemoryStore::write(uint64_t offset, const std::string& bytes) {
  log_.push_back(LoggedWrite{offset, bytes});
  bytes_ = apply_writes(std::move(bytes_), {log_.back()});
  return true;
}

std::string apply_writes(std::string bytes, const std::vector<LoggedWrite>& log) {
  for (const LoggedWrite& w : log) {
    const size_t at = static_cast<size_t>(w.offset);
    if (bytes.size() < at + w.bytes.size()) bytes.resize(at + w.bytes.size(), '\0');
    std::memcpy(&bytes[at], w.bytes.data(), w.bytes.size());
  }
  return bytes;
}

}  // namespace kx::test
