#ifndef _WIN32
// Opening what lies where a table should be: only regular files open, and
// nothing there can make the open wait.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/env.h"
#include "platform/file_names.h"
#include "platform/platform.h"
#include "support/testing/child_process.h"
#include "tablewriter/dbf_writer.h"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;

uint32_t open_error(const std::string& path, OpenMode mode) {
  NativeHandle handle = kInvalidHandle;
  const FileResult opened = open_file(path, mode, true, &handle);
  ScopedHandle h(handle);
  return h.valid() ? kErrNone : opened.os_error;
}

TEST(PosixFilesTest, PipeIsRefusedWithoutWaitingForAWriter) {
  const std::string path = test::scratch_path("PIPE.KV3");
  fs::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
  EXPECT_EQ(open_error(path, OpenMode::kRead), kErrAccessDenied);
  EXPECT_EQ(open_error(path, OpenMode::kReadWrite), kErrAccessDenied);
  NativeHandle handle = kNullHandle;
  EXPECT_FALSE(open_file_flags(path, 0x40, &handle).ok());
  EXPECT_EQ(handle, kInvalidHandle);
}

TEST(PosixFilesTest, FolderIsRefusedAndAFileOpens) {
  const std::string folder = test::scratch_path("FOLDER.KV3");
  fs::create_directories(folder);
  EXPECT_EQ(open_error(folder, OpenMode::kRead), kErrAccessDenied);
  const std::string file = test::scratch_path("FILE.KV3");
  ASSERT_TRUE(writer::write_file(file, "x"));
  EXPECT_EQ(open_error(file, OpenMode::kRead), kErrNone);
  EXPECT_EQ(open_error(file, OpenMode::kReadWrite), kErrNone);
}

TEST(PosixFilesTest, NamesInAnotherLetterCaseAreFoundAndOpened) {
  const std::string folder = test::scratch_path("cased");
  fs::remove_all(folder);
  fs::create_directories(folder + "/SUB.CDX");
  ASSERT_TRUE(writer::write_file(folder + "/M_Kursma.Cdx", "x"));
  EXPECT_EQ(existing_file(folder + "/M_KURSMA.CDX"), folder + "/M_Kursma.Cdx");
  EXPECT_EQ(existing_file(folder + "/M_Kursma.Cdx"), folder + "/M_Kursma.Cdx");
  EXPECT_EQ(existing_file(folder + "/M_MAUANG.CDX"), "");
  EXPECT_EQ(existing_file(folder + "/sub.cdx"), "");  // a folder is not a file
  EXPECT_EQ(path_kind_any_case(folder + "/sub.cdx"), PathKind::kDirectory);
  EXPECT_EQ(path_kind(folder + "/sub.cdx"), PathKind::kMissing);
  EXPECT_EQ(open_error(folder + "/m_kursma.cdx", OpenMode::kRead), kErrNone);
  EXPECT_EQ(open_error(folder + "/M_MAUANG.CDX", OpenMode::kRead), kErrFileNotFound);
}

// The files the table readers read open under their exact name only, and a
// folder or a pipe there opens without waiting and fails its first read.
TEST(PosixFilesTest, ReadersFilesOpenByExactNameAndFolderOrPipeFailsItsRead) {
  const std::string folder = test::scratch_path("readers");
  fs::remove_all(folder);
  fs::create_directories(folder + "/DIR.KV3");
  ASSERT_EQ(::mkfifo((folder + "/PIPE.KV3").c_str(), 0644), 0);
  ASSERT_TRUE(writer::write_file(folder + "/M_Kursma.Kv3", "x"));
  std::unique_ptr<RandomAccessFile> file;
  EXPECT_EQ(env().open_random_access(folder + "/M_KURSMA.KV3", {}, &file).os_error,
            kErrFileNotFound);
  EXPECT_EQ(file, nullptr);
  EXPECT_TRUE(open_any_case(folder + "/M_KURSMA.KV3", {}, &file).ok());
  EXPECT_NE(file, nullptr);
  for (const char* name : {"/DIR.KV3", "/PIPE.KV3"}) {
    ASSERT_TRUE(env().open_random_access(folder + name, {}, &file).ok()) << name;
    ASSERT_NE(file, nullptr) << name;
    char byte = 0;
    size_t got = 0;
    EXPECT_EQ(file->read_at(0, &byte, 1, &got).os_error, kErrAccessDenied) << name;
  }
}

}  // namespace
}  // namespace kx::platform
#endif
