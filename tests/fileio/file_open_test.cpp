#include "fileio/file_open.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "console/console.h"
#include "runtime/process/activation.h"
#include "runtime/process/exit.h"
#include "support/testing/child_process.h"

namespace kx {
namespace {

std::string write_file(const std::string& leaf, const std::string& bytes) {
  const std::string path = test::scratch_path(leaf);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

// The object ERROROCCUR prints; a Windows path's backslashes come out escaped.
std::string error_object_for(const std::string& path) {
  std::string text;
  for (char c : "Error opening file " + path)
    text += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return "\r\n{\"Error\":1,\"ErrorText\":\"" + text + "\",\"ErrorAddText\":\"" + text + "\"}";
}

TEST(FileOpenTest, ReadsPastEndGiveBlanksAndMinusOne) {
  FILEOPEN reader(write_file("abc.bin", "abc"));
  EXPECT_EQ(reader.SIZE(), 3);
  EXPECT_FALSE(reader.ISEOF());
  EXPECT_EQ(reader.READSTR(5), "abc  ");
  EXPECT_TRUE(reader.ISEOF());
  EXPECT_FALSE(reader.ISERROR());
  EXPECT_EQ(reader.READBYTE(), -1);
  EXPECT_EQ(reader.READLONG(), 538976288);
  EXPECT_EQ(reader.READWORD(), 8224);
  reader.GOTO(2);
  EXPECT_EQ(reader.READWORD(), 0x2063);  // 'c' and one blank
}

TEST(FileOpenTest, BytesAreUnsignedAndBlankIsAByte) {
  FILEOPEN reader(write_file("bytes.bin", "A \xFF"));
  EXPECT_EQ(reader.READBYTE(), 65);
  EXPECT_EQ(reader.READBYTE(), 32);
  EXPECT_EQ(reader.READBYTE(), 255);
  EXPECT_EQ(reader.READBYTE(), -1);
}

TEST(FileOpenTest, WordsAndLongsAreLittleEndian) {
  FILEOPEN reader(
      write_file("le.bin", std::string("\x01\x02\xFF\xFF\xFF\xFF\x78\x56\x34\x12\xFF\xFF", 12)));
  EXPECT_EQ(reader.READWORD(), 513);
  EXPECT_EQ(reader.READLONG(), -1);
  EXPECT_EQ(reader.READLONG(), 0x12345678);
  EXPECT_EQ(reader.POSITION(), 10);
  EXPECT_EQ(reader.READWORD(), 65535);
}

TEST(FileOpenTest, PositioningByOffsetAndOrigin) {
  FILEOPEN reader(write_file("seek.bin", "0123456789"));
  EXPECT_EQ(reader.SEEK(4, kSeekFromStart), 4);
  EXPECT_EQ(reader.READBYTE(), '4');
  EXPECT_EQ(reader.SEEK(2, kSeekFromCurrent), 7);
  EXPECT_EQ(reader.SEEK(-3, kSeekFromEnd), 7);
  EXPECT_EQ(reader.READBYTE(), '7');
  EXPECT_EQ(reader.GOTO(10), 10);
  EXPECT_EQ(reader.POSITION(), 10);
  EXPECT_TRUE(reader.ISEOF());
  EXPECT_EQ(reader.POSITION(3), 3);
  EXPECT_EQ(reader.READSTR(2), "34");
  EXPECT_EQ(reader.GOTO(50), 50);
  EXPECT_EQ(reader.READSTR(2), "  ");
}

TEST(FileOpenTest, IsErrorFollowsTheLastFileOperationOfTheProcess) {
  const std::string path = write_file("err.bin", "0123456789");
  FILEOPEN reader(path);
  FILEOPEN write_only(path, 1);
  EXPECT_EQ(write_only.READBYTE(), -1);
  EXPECT_TRUE(reader.ISERROR());
  EXPECT_EQ(reader.GOTO(4), 4);
  EXPECT_FALSE(write_only.ISERROR());
  EXPECT_EQ(reader.SEEK(-5, kSeekFromCurrent), -1);
  EXPECT_TRUE(reader.ISERROR());
  EXPECT_EQ(reader.SEEK(1, 3), -1);
  EXPECT_EQ(reader.POSITION(), 4);
  EXPECT_EQ(reader.READSTR(kReadStrLimit + 1), "");
  EXPECT_TRUE(reader.ISERROR());
  EXPECT_EQ(reader.READSTR(-1), "");
  EXPECT_EQ(reader.POSITION(), 4);
}

TEST(FileOpenTest, BlocksAndLongReadsGoOnUntilTheEnd) {
  std::string bytes(2 * 1024 * 1024 + 12345, 'x');
  for (size_t i = 0; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(i);
  const std::string path = write_file("long.bin", bytes);
  FILEOPEN reader(path);
  std::vector<char> buffer(bytes.size() + 100, '#');
  EXPECT_EQ(reader.READBLOCK(buffer.data(), 0), 0u);
  EXPECT_EQ(reader.READBLOCK(buffer.data(), static_cast<uint32_t>(buffer.size())), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), buffer.begin()));
  EXPECT_EQ(buffer[bytes.size()], '#');
  reader.GOTO(0);
  EXPECT_EQ(reader.READSTR(3 * 1024 * 1024),
            bytes + std::string(3 * 1024 * 1024 - bytes.size(), ' '));
  std::ofstream(path, std::ios::binary | std::ios::app) << "more";
  EXPECT_EQ(reader.SIZE(), static_cast<int32_t>(bytes.size()));  // measured once
}

TEST(FileOpenTest, ClosedReaderGivesFixedResults) {
  FILEOPEN reader(write_file("closed.bin", "0123456789"));
  reader.CLOSE();
  reader.CLOSE();
  char buffer[4] = {'#'};
  EXPECT_FALSE(reader.ISOPEN());
  EXPECT_TRUE(reader.ISEOF());
  EXPECT_EQ(reader.READSTR(3), "");
  EXPECT_EQ(reader.READBYTE(), -1);
  EXPECT_EQ(reader.READWORD(), 0);
  EXPECT_EQ(reader.READLONG(), 0);
  EXPECT_EQ(reader.READBLOCK(buffer, 4), 0u);
  EXPECT_EQ(reader.POSITION(5), 5);
  EXPECT_EQ(reader.POSITION(), -1);
  EXPECT_EQ(reader.SEEK(2, kSeekFromStart), 0);
  EXPECT_EQ(reader.GOTO(2), 0);
  reader.INIT(write_file("again.bin", "2nd"));
  EXPECT_EQ(reader.READSTR(3), "2nd");
}

void open_reporting_caller(const std::string& path) {
  register_exit_procedure([] {
    QOUT(activation_name(1) + "|" + activation_module(1) + "|" +
         std::to_string(activation_line(1)));
  });
  FILEOPEN reader(path);
}

TEST(FileOpenTest, MissingFileEndsTheRunFromInitWithTheErrorObject) {
  const std::string path = test::scratch_path("missing.bin");
  std::filesystem::remove(path);
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(open_reporting_caller(path), 0, out);
  EXPECT_EQ(out, error_object_for(path) + "\r\nFILEOPEN:INIT|Class  File|5");
}

TEST(FileOpenTest, FolderEndsTheRunWithTheErrorObject) {
  const std::string path = test::scratch_path("folder");
  std::filesystem::create_directories(path);
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(FILEOPEN reader(path), 0, out);
  EXPECT_EQ(out, error_object_for(path));
}

}  // namespace
}  // namespace kx
