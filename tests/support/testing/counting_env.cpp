#include "support/testing/counting_env.h"

namespace kx::test {
namespace {

class CountingFile : public platform::RandomAccessFile {
 public:
  CountingFile(std::unique_ptr<platform::RandomAccessFile> file, FileCalls* calls)
      : file_(std::move(file)), calls_(calls) {}

  const std::string& name() const override { return file_->name(); }
  platform::FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) override {
    ++calls_->reads;
    return file_->read_at(offset, buffer, size, got);
  }
  platform::FileResult size(uint64_t* size) override {
    ++calls_->sizes;
    return file_->size(size);
  }

 private:
  const std::unique_ptr<platform::RandomAccessFile> file_;
  FileCalls* const calls_;
};

}  // namespace

std::string FileCalls::text() const {
  return "open " + std::to_string(opens) + ", read " + std::to_string(reads) + ", size " +
         std::to_string(sizes) + ", stat " + std::to_string(stats) + ", list " +
         std::to_string(listings);
}

CountingEnv::CountingEnv(std::string folder)
    : EnvWrapper(&platform::env()),
      previous_(platform::set_env(this)),
      folder_(std::move(folder)) {}

CountingEnv::~CountingEnv() { platform::set_env(previous_); }

platform::FileResult CountingEnv::open_random_access(
    const std::string& path, const platform::OpenOptions& options,
    std::unique_ptr<platform::RandomAccessFile>* file) {
  const platform::FileResult opened = target()->open_random_access(path, options, file);
  if (!counted(path)) return opened;
  ++calls_.opens;
  if (*file) *file = std::make_unique<CountingFile>(std::move(*file), &calls_);
  return opened;
}

platform::PathKind CountingEnv::path_kind(const std::string& path) {
  if (counted(path)) ++calls_.stats;
  return target()->path_kind(path);
}

std::string CountingEnv::case_variant(const std::string& path) {
  if (counted(path)) ++calls_.listings;
  return target()->case_variant(path);
}

platform::FileResult CountingEnv::open_file(const std::string& path, platform::OpenMode mode,
                                            bool shared, platform::NativeHandle* handle) {
  if (counted(path)) ++calls_.opens;
  return target()->open_file(path, mode, shared, handle);
}

platform::FileResult CountingEnv::open_file_flags(const std::string& path, uint32_t flags,
                                                  platform::NativeHandle* handle) {
  if (counted(path)) ++calls_.opens;
  return target()->open_file_flags(path, flags, handle);
}

}  // namespace kx::test
