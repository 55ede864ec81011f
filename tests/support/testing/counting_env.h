// An Env that counts the file-system calls the program makes on one folder,
// as a network share would see them: every open, read, size query, path
// query and folder listing is one round trip there. Everything passes on to
// the Env it wraps.
//
// Only tests and the test-only program kursexport_faults use it.
#ifndef KX_TESTS_SUPPORT_TESTING_COUNTING_ENV_H_
#define KX_TESTS_SUPPORT_TESTING_COUNTING_ENV_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/env.h"

namespace kx::test {

struct FileCalls {
  uint64_t opens = 0;  // failed ones included
  uint64_t reads = 0;
  uint64_t sizes = 0;
  uint64_t stats = 0;
  uint64_t listings = 0;

  uint64_t total() const { return opens + reads + sizes + stats + listings; }
  // "open 5, read 5, size 0, stat 1, list 0"
  std::string text() const;
};

class CountingEnv : public platform::EnvWrapper {
 public:
  // Counts the calls on paths that begin with folder. Wraps the process's
  // Env and installs itself in its place until it is destroyed.
  explicit CountingEnv(std::string folder);
  ~CountingEnv() override;

  const FileCalls& calls() const { return calls_; }

  platform::FileResult open_random_access(
      const std::string& path, const platform::OpenOptions& options,
      std::unique_ptr<platform::RandomAccessFile>* file) override;
  platform::PathKind path_kind(const std::string& path) override;
  std::string case_variant(const std::string& path) override;
  platform::FileResult open_file(const std::string& path, platform::OpenMode mode, bool shared,
                                 platform::NativeHandle* handle) override;
  platform::FileResult open_file_flags(const std::string& path, uint32_t flags,
                                       platform::NativeHandle* handle) override;

 private:
  bool counted(const std::string& path) const {
    return path.compare(0, folder_.size(), folder_) == 0;
  }

  platform::Env* const previous_;
  const std::string folder_;
  FileCalls calls_;
};

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TESTING_COUNTING_ENV_H_
