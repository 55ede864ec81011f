// Where the test writers that change files in place (the index updater, the
// rate writer) read and write: a file opened for reading and writing, or
// bytes in memory that keep a log of every write, so that a test can rebuild
// each state a concurrent reader could have seen.
#ifndef KX_TESTS_SUPPORT_PAGE_STORE_H_
#define KX_TESTS_SUPPORT_PAGE_STORE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kx::test {

class PageStore {
 public:
  virtual ~PageStore() = default;
  // The current size in bytes; false on failure.
  virtual bool size(uint64_t* size) = 0;
  // Reads exactly length bytes at offset into *bytes; false on failure or
  // when the store ends before offset + length.
  virtual bool read(uint64_t offset, size_t length, std::string* bytes) = 0;
  // Writes bytes at offset with one write call (the store grows when the
  // write ends past its end); false on failure.
  virtual bool write(uint64_t offset, const std::string& bytes) = 0;
};

// A file opened shared for reading and writing; nullptr with *error set when
// it cannot be opened.
std::unique_ptr<PageStore> open_file_store(const std::string& path, std::string* error);

// One write as a MemoryStore logged it.
struct LoggedWrite {
  uint64_t offset = 0;
  std::string bytes;
};

class MemoryStore : public PageStore {
 public:
  explicit MemoryStore(std::string bytes) : bytes_(std::move(bytes)) {}

  bool size(uint64_t* size) override;
  bool read(uint64_t offset, size_t length, std::string* bytes) override;
  bool write(uint64_t offset, const std::string& bytes) override;

  const std::string& bytes() const { return bytes_; }
  // Every write since construction (or the last clear_log), in order.
  const std::vector<LoggedWrite>& log() const { return log_; }
  void clear_log() { log_.clear(); }

 private:
  std::string bytes_;
  std::vector<LoggedWrite> log_;
};

// bytes after applying the writes of log in order (a file grows as writes
// extend it; a gap is filled with zero bytes).
std::string apply_writes(std::string bytes, const std::vector<LoggedWrite>& log);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_PAGE_STORE_H_
