#include "fileio/file_open.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/console.h"
#include "runtime/activation.h"
#include "runtime/exit.h"
#include "support/testing/child_process.h"

namespace kx {
namespace {

constexpr int32_t kFourBlanks = 538976288;  // 0x20202020
constexpr uint16_t kTwoBlanks = 8224;       // 0x2020

class FileOpenTest : public ::testing::Test {
 protected:
  static std::string write_file(const std::string& leaf, const std::string& bytes) {
    const std::string path = test::scratch_path(leaf);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  static std::string missing_path() {
    const std::string path = test::scratch_path("missing.bin");
    std::filesystem::remove(path);
    return path;
  }

  // The error object's text member as it appears on output: a Windows path's
  // backslashes come out escaped.
  static std::string error_object_for(const std::string& path) {
    std::string text;
    for (char c : "Error opening file " + path) {
      if (c == '\\' || c == '"') text.push_back('\\');
      text.push_back(c);
    }
    return "\r\n{\"Error\":1,\"ErrorText\":\"" + text + "\",\"ErrorAddText\":\"" + text + "\"}";
  }
};

// ---- Reads at and past the end ----

TEST_F(FileOpenTest, ReadStrPastEndPadsWithBlanksAndReachesEnd) {
  FILEOPEN reader(write_file("abc.bin", "abc"));
  EXPECT_EQ(reader.SIZE(), 3);
  EXPECT_FALSE(reader.ISEOF());
  EXPECT_EQ(reader.READSTR(5), "abc  ");
  EXPECT_TRUE(reader.ISEOF());
  EXPECT_EQ(reader.READBYTE(), -1);
}

TEST_F(FileOpenTest, NumbersReadAtEndDecodeTheBlanks) {
  FILEOPEN reader(write_file("one.bin", std::string("\x07", 1)));
  EXPECT_EQ(reader.READWORD(), 0x2007);  // one byte left, one blank
  EXPECT_EQ(reader.READWORD(), kTwoBlanks);
  EXPECT_EQ(reader.READLONG(), kFourBlanks);
  EXPECT_EQ(reader.READSTR(3), "   ");
}

TEST_F(FileOpenTest, ByteOfValue32MidFileIsNotTakenForEnd) {
  FILEOPEN reader(write_file("blank.bin", "A B"));
  EXPECT_EQ(reader.READBYTE(), 65);
  EXPECT_EQ(reader.READBYTE(), 32);
  EXPECT_EQ(reader.READBYTE(), 66);
  EXPECT_EQ(reader.READBYTE(), -1);
}

TEST_F(FileOpenTest, ByteAbove127IsPositive) {
  FILEOPEN reader(write_file("high.bin", "\xFF\x80"));
  EXPECT_EQ(reader.READBYTE(), 255);
  EXPECT_EQ(reader.READBYTE(), 128);
}

// ---- Byte order ----

TEST_F(FileOpenTest, WordsAndLongsAreLittleEndian) {
  FILEOPEN reader(write_file("le.bin", std::string("\x01\x02\xFF\xFF\xFF\xFF\x78\x56\x34\x12\xFF\xFF", 12)));
  EXPECT_EQ(reader.READWORD(), 513);
  EXPECT_EQ(reader.READLONG(), -1);
  EXPECT_EQ(reader.READLONG(), 0x12345678);
  EXPECT_EQ(reader.READWORD(), 65535);
}

TEST_F(FileOpenTest, ReadsAdvanceThePositionByWhatTheyRead) {
  FILEOPEN reader(write_file("adv.bin", "0123456789"));
  reader.READWORD();
  EXPECT_EQ(reader.POSITION(), 2);
  reader.READLONG();
  EXPECT_EQ(reader.POSITION(), 6);
  reader.READSTR(10);
  EXPECT_EQ(reader.POSITION(), 10);
}

// ---- Positioning ----

TEST_F(FileOpenTest, SeekMovesFromEachOrigin) {
  FILEOPEN reader(write_file("seek.bin", "0123456789"));
  EXPECT_EQ(reader.SEEK(4, kSeekFromStart), 4);
  EXPECT_EQ(reader.READBYTE(), '4');
  EXPECT_EQ(reader.SEEK(2, kSeekFromCurrent), 7);
  EXPECT_EQ(reader.READBYTE(), '7');
  EXPECT_EQ(reader.SEEK(-3, kSeekFromCurrent), 5);
  EXPECT_EQ(reader.SEEK(-3, kSeekFromEnd), 7);
  EXPECT_EQ(reader.READBYTE(), '7');
  EXPECT_EQ(reader.SEEK(0, kSeekFromEnd), 10);
  EXPECT_TRUE(reader.ISEOF());
}

TEST_F(FileOpenTest, GotoThenPosition) {
  FILEOPEN reader(write_file("goto.bin", std::string(20, 'x') + "yz"));
  EXPECT_EQ(reader.GOTO(10), 10);
  EXPECT_EQ(reader.POSITION(), 10);
  EXPECT_EQ(reader.GOTO(20), 20);
  EXPECT_EQ(reader.READSTR(2), "yz");
}

TEST_F(FileOpenTest, GotoPastEndReadsNothing) {
  FILEOPEN reader(write_file("past.bin", "abc"));
  EXPECT_EQ(reader.GOTO(50), 50);
  EXPECT_EQ(reader.POSITION(), 50);
  EXPECT_TRUE(reader.ISEOF());
  EXPECT_EQ(reader.READBYTE(), -1);
  EXPECT_EQ(reader.READSTR(2), "  ");
}

TEST_F(FileOpenTest, PositionAssignMovesFromTheStart) {
  FILEOPEN reader(write_file("assign.bin", "0123456789"));
  reader.GOTO(8);
  EXPECT_EQ(reader.POSITION(3), 3);
  EXPECT_EQ(reader.READSTR(2), "34");
  EXPECT_EQ(reader.POSITION(), 5);
}

TEST_F(FileOpenTest, FailedSeeksGiveMinusOneAndSetIsError) {
  FILEOPEN reader(write_file("bad.bin", "0123456789"));
  reader.GOTO(4);
  EXPECT_EQ(reader.SEEK(-1, kSeekFromStart), -1);
  EXPECT_TRUE(reader.ISERROR());
  EXPECT_EQ(reader.SEEK(1, 3), -1);
  EXPECT_TRUE(reader.ISERROR());
  EXPECT_EQ(reader.POSITION(), 4);
  EXPECT_FALSE(reader.ISERROR());
}

TEST_F(FileOpenTest, SizeIsMeasuredOnceAtOpening) {
  const std::string path = write_file("grow.bin", "abc");
  FILEOPEN reader(path);
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << "defg";
  }
  EXPECT_EQ(reader.SIZE(), 3);
  EXPECT_EQ(reader.SEEK(0, kSeekFromEnd), 7);
  EXPECT_EQ(reader.GOTO(3), 3);
  EXPECT_FALSE(reader.ISEOF());
}

// ---- Blocks and long reads ----

TEST_F(FileOpenTest, ReadBlockCountsWhatItRead) {
  FILEOPEN reader(write_file("block.bin", "0123456789"));
  std::vector<char> buffer(16, '#');
  EXPECT_EQ(reader.READBLOCK(buffer.data(), 4), 4u);
  EXPECT_EQ(std::string(buffer.data(), 5), "0123#");
  EXPECT_EQ(reader.READBLOCK(buffer.data(), 0), 0u);
  EXPECT_EQ(reader.POSITION(), 4);
  EXPECT_EQ(reader.READBLOCK(buffer.data(), 16), 6u);
  EXPECT_EQ(std::string(buffer.data(), 7), "456789#");
  EXPECT_EQ(reader.READBLOCK(buffer.data(), 16), 0u);
}

TEST_F(FileOpenTest, LongReadsGoOnUntilTheEnd) {
  std::string bytes(2 * 1024 * 1024 + 12345, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 23);
  FILEOPEN reader(write_file("long.bin", bytes));
  const std::string text = reader.READSTR(3 * 1024 * 1024);
  ASSERT_EQ(text.size(), 3u * 1024 * 1024);
  EXPECT_TRUE(text.compare(0, bytes.size(), bytes) == 0);
  EXPECT_EQ(text.find_first_not_of(' ', bytes.size()), std::string::npos);
  std::vector<char> buffer(bytes.size() + 100);
  reader.GOTO(0);
  EXPECT_EQ(reader.READBLOCK(buffer.data(), static_cast<uint32_t>(buffer.size())), bytes.size());
}

TEST_F(FileOpenTest, ReadStrOfNoOrTooManyBytesReadsNothing) {
  FILEOPEN reader(write_file("limit.bin", "0123456789"));
  reader.GOTO(2);
  EXPECT_EQ(reader.READSTR(0), "");
  EXPECT_EQ(reader.READSTR(-5), "");
  EXPECT_EQ(reader.POSITION(), 2);
  EXPECT_EQ(reader.READSTR(kReadStrLimit + 1), "");
  EXPECT_TRUE(reader.ISERROR());
  EXPECT_EQ(reader.POSITION(), 2);
}

// ---- Closing ----

TEST_F(FileOpenTest, CloseTwiceLeavesItClosed) {
  FILEOPEN reader(write_file("close.bin", "abc"));
  EXPECT_TRUE(reader.ISOPEN());
  reader.CLOSE();
  EXPECT_FALSE(reader.ISOPEN());
  reader.CLOSE();
  EXPECT_FALSE(reader.ISOPEN());
}

TEST_F(FileOpenTest, ClosedReaderGivesFixedResults) {
  FILEOPEN reader(write_file("closed.bin", "0123456789"));
  reader.GOTO(3);
  reader.CLOSE();
  char buffer[4] = {'#', '#', '#', '#'};
  EXPECT_TRUE(reader.ISEOF());
  EXPECT_EQ(reader.READSTR(3), "");
  EXPECT_EQ(reader.READBYTE(), -1);
  EXPECT_EQ(reader.READWORD(), 0);
  EXPECT_EQ(reader.READLONG(), 0);
  EXPECT_EQ(reader.READBLOCK(buffer, 4), 0u);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(reader.POSITION(), -1);
  EXPECT_EQ(reader.POSITION(5), 5);
  EXPECT_EQ(reader.POSITION(), -1);
  EXPECT_EQ(reader.SEEK(2, kSeekFromStart), 0);
  EXPECT_EQ(reader.GOTO(2), 0);
  EXPECT_EQ(reader.SIZE(), 10);
}

TEST_F(FileOpenTest, InitOnAnOpenReaderSwitchesFiles) {
  FILEOPEN reader(write_file("first.bin", "first"));
  reader.GOTO(3);
  reader.INIT(write_file("second.bin", "2nd"));
  EXPECT_EQ(reader.SIZE(), 3);
  EXPECT_EQ(reader.POSITION(), 0);
  EXPECT_EQ(reader.READSTR(3), "2nd");
}

// ---- Last file error ----

TEST_F(FileOpenTest, IsErrorFollowsTheLastFileOperationOfTheProcess) {
  const std::string path = write_file("wo.bin", "abc");
  FILEOPEN readable(path);
  FILEOPEN write_only(path, 1);
  EXPECT_FALSE(write_only.ISERROR());
  EXPECT_EQ(write_only.READBYTE(), -1);
  EXPECT_TRUE(write_only.ISERROR());
  EXPECT_TRUE(readable.ISERROR());
  EXPECT_EQ(readable.READBYTE(), 'a');
  EXPECT_FALSE(write_only.ISERROR());
}

TEST_F(FileOpenTest, ReadAtEndIsNoError) {
  FILEOPEN reader(write_file("end.bin", "a"));
  reader.READSTR(4);
  EXPECT_FALSE(reader.ISERROR());
  EXPECT_EQ(reader.READBYTE(), -1);
  EXPECT_FALSE(reader.ISERROR());
}

// ---- Failed open ----

TEST_F(FileOpenTest, MissingFileEndsTheRunWithTheErrorObject) {
  const std::string path = missing_path();
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(FILEOPEN reader(path), 0, out);
  EXPECT_EQ(out, error_object_for(path));
}

TEST_F(FileOpenTest, FolderEndsTheRunWithTheErrorObject) {
  const std::string path = test::scratch_path("folder");
  std::filesystem::create_directories(path);
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(FILEOPEN reader(path), 0, out);
  EXPECT_EQ(out, error_object_for(path));
}

void open_reporting_caller(const std::string& path) {
  register_exit_procedure([] {
    QOUT(activation_name(1) + "|" + activation_module(1) + "|" + std::to_string(activation_line(1)));
  });
  FILEOPEN reader(path);
}

TEST_F(FileOpenTest, FailedOpenIsReportedFromInitInModuleFile) {
  const std::string path = missing_path();
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(open_reporting_caller(path), 0, out);
  EXPECT_EQ(out, error_object_for(path) + "\r\nFILEOPEN:INIT|Class  File|5");
}

}  // namespace
}  // namespace kx
