// Files in memory for the readers, in place of the files an Env opens: for
// unit tests and fuzzers that hand the table readers bytes.
#ifndef KX_TESTS_SUPPORT_MEMORY_FILE_H_
#define KX_TESTS_SUPPORT_MEMORY_FILE_H_

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/file.h"

namespace kx::test {

// Bytes that a test may change while a reader has them open, as another
// application writing the file would; reads and size queries are counted.
class MemoryFile : public platform::RandomAccessFile {
 public:
  MemoryFile(std::string name, std::shared_ptr<std::string> bytes)
      : name_(std::move(name)), bytes_(std::move(bytes)) {}
  MemoryFile(std::string name, std::string bytes)
      : MemoryFile(std::move(name), std::make_shared<std::string>(std::move(bytes))) {}

  const std::string& name() const override { return name_; }
  platform::FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) override {
    ++reads_;
    *got = 0;
    if (offset < bytes_->size()) {
      *got = static_cast<size_t>(std::min<uint64_t>(size, bytes_->size() - offset));
      std::copy_n(bytes_->data() + offset, *got, static_cast<char*>(buffer));
    }
    return {};
  }
  platform::FileResult size(uint64_t* size) override {
    ++sizes_;
    *size = bytes_->size();
    return {};
  }

  std::string& bytes() { return *bytes_; }
  uint64_t reads() const { return reads_; }
  uint64_t sizes() const { return sizes_; }

 private:
  const std::string name_;
  const std::shared_ptr<std::string> bytes_;
  uint64_t reads_ = 0;
  uint64_t sizes_ = 0;
};

inline std::unique_ptr<MemoryFile> memory_file(std::string name, std::string bytes) {
  return std::make_unique<MemoryFile>(std::move(name), std::move(bytes));
}

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_MEMORY_FILE_H_
