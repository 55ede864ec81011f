#ifndef _WIN32
// Opening what lies where a table should be: only regular files open, and
// nothing there can make the open wait.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/platform.h"
#include "support/dbf_writer.h"
#include "support/testing/child_process.h"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;

uint32_t open_error(const std::string& path, OpenMode mode) {
  uint32_t os_error = 0;
  ScopedHandle h(open_file(path, mode, true, &os_error));
  return h.valid() ? kErrNone : os_error;
}

TEST(PosixFilesTest, PipeIsRefusedWithoutWaitingForAWriter) {
  const std::string path = test::scratch_path("PIPE.KV3");
  fs::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
  EXPECT_EQ(open_error(path, OpenMode::kRead), kErrAccessDenied);
  EXPECT_EQ(open_error(path, OpenMode::kReadWrite), kErrAccessDenied);
  uint32_t os_error = 0;
  EXPECT_EQ(open_file_flags(path, 0x40, &os_error), kInvalidHandle);
}

TEST(PosixFilesTest, FolderIsRefusedAndAFileOpens) {
  const std::string folder = test::scratch_path("FOLDER.KV3");
  fs::create_directories(folder);
  EXPECT_EQ(open_error(folder, OpenMode::kRead), kErrAccessDenied);
  const std::string file = test::scratch_path("FILE.KV3");
  ASSERT_TRUE(test::write_file(file, "x"));
  EXPECT_EQ(open_error(file, OpenMode::kRead), kErrNone);
  EXPECT_EQ(open_error(file, OpenMode::kReadWrite), kErrNone);
}

}  // namespace
}  // namespace kx::platform
#endif
