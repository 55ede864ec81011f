#include "tables/byte_source.h"

#include <cstring>

#include "platform/env.h"

namespace kx::tables {
namespace {

class FileSource : public ByteSource {
 public:
  FileSource(std::string name, platform::ScopedHandle handle)
      : name_(std::move(name)), handle_(std::move(handle)) {}

  const std::string& name() const override { return name_; }

  Status size(uint64_t* size) override {
    uint32_t os_error = 0;
    if (!platform::env().file_size(handle_.get(), size, &os_error)) {
      return Status::read_error(name_, os_error, "cannot read the file size");
    }
    return Status();
  }

  Status read(uint64_t offset, size_t size, void* buffer) override {
    ++reads_;
    size_t got = 0;
    uint32_t os_error = 0;
    if (!platform::env().read_at(handle_.get(), offset, buffer, size, &got, &os_error)) {
      return Status::read_error(name_, os_error, "read failed at offset " + std::to_string(offset));
    }
    if (got != size) {
      return Status::read_error(name_, platform::kErrHandleEof,
                                "short read at offset " + std::to_string(offset));
    }
    return Status();
  }

  uint64_t read_count() const override { return reads_; }

 private:
  const std::string name_;
  platform::ScopedHandle handle_;
  uint64_t reads_ = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(std::string name, std::string bytes)
      : name_(std::move(name)), bytes_(std::move(bytes)) {}

  const std::string& name() const override { return name_; }

  Status size(uint64_t* size) override {
    *size = bytes_.size();
    return Status();
  }

  Status read(uint64_t offset, size_t size, void* buffer) override {
    ++reads_;
    if (offset > bytes_.size() || size > bytes_.size() - offset) {
      return Status::read_error(name_, platform::kErrHandleEof,
                                "short read at offset " + std::to_string(offset));
    }
    if (size > 0) std::memcpy(buffer, bytes_.data() + offset, size);
    return Status();
  }

  uint64_t read_count() const override { return reads_; }

 private:
  const std::string name_;
  const std::string bytes_;
  uint64_t reads_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> open_file_source(const std::string& path, bool read_write,
                                             bool exclusive, Status* status) {
  uint32_t os_error = 0;
  const platform::OpenMode mode =
      read_write ? platform::OpenMode::kReadWrite : platform::OpenMode::kRead;
  platform::Env& env = platform::env();
  platform::ScopedHandle handle(env.open_file(path, mode, !exclusive, &os_error));
  if (!handle.valid() && read_write && os_error == platform::kErrAccessDenied) {
    // A read-write open of a read-only file still lets the program read it;
    // this program never writes to a table.
    handle.reset(env.open_file(path, platform::OpenMode::kRead, !exclusive, &os_error));
  }
  if (!handle.valid()) {
    *status = Status(kGenOpen, kSubOpen, os_error, path, "open", "cannot open the file");
    return nullptr;
  }
  *status = Status();
  return std::make_unique<FileSource>(path, std::move(handle));
}

std::unique_ptr<ByteSource> memory_source(std::string name, std::string bytes) {
  return std::make_unique<MemorySource>(std::move(name), std::move(bytes));
}

}  // namespace kx::tables
