#include "platform/fault_seam.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/dbf_writer.h"
#include "support/testing/child_process.h"

namespace kx::platform {
namespace {

class FaultSeamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = test::scratch_path("A.KV3");
    b_ = test::scratch_path("B.CDX");
    ASSERT_TRUE(test::write_file(a_, "0123456789"));
    ASSERT_TRUE(test::write_file(b_, "abcdefghij"));
  }
  void TearDown() override { disarm_read_fault(); }

  NativeHandle open(const std::string& path) {
    uint32_t os_error = 0;
    const NativeHandle h = open_file(path, OpenMode::kRead, true, &os_error);
    EXPECT_NE(h, kInvalidHandle);
    return h;
  }

  // Reads 4 bytes at offset 2; "" with *ok false on a failed read.
  std::string read4(NativeHandle h, bool* ok, uint32_t* os_error = nullptr) {
    char buffer[4] = {};
    size_t got = 0;
    uint32_t error = 0;
    *ok = read_at(h, 2, buffer, sizeof buffer, &got, &error);
    if (os_error != nullptr) *os_error = error;
    return std::string(buffer, got);
  }

  std::string a_;
  std::string b_;
};

TEST_F(FaultSeamTest, ParsesTheThreeModesWithAndWithoutAPathPart) {
  const auto once = parse_read_fault("once:3");
  ASSERT_TRUE(once.has_value());
  EXPECT_EQ(once->fault, ReadFault::kFailOnce);
  EXPECT_EQ(once->nth, 3u);
  EXPECT_EQ(once->path_part, "");
  const auto always = parse_read_fault("always:12:M_KURSMA.CDX");
  ASSERT_TRUE(always.has_value());
  EXPECT_EQ(always->fault, ReadFault::kFailPersistent);
  EXPECT_EQ(always->nth, 12u);
  EXPECT_EQ(always->path_part, "M_KURSMA.CDX");
  const auto cut = parse_read_fault("short:1:Z:\\POS\\KV3DB\\M_KONTRO.KV3");
  ASSERT_TRUE(cut.has_value());
  EXPECT_EQ(cut->fault, ReadFault::kShort);
  EXPECT_EQ(cut->path_part, "Z:\\POS\\KV3DB\\M_KONTRO.KV3");
}

TEST_F(FaultSeamTest, RejectsTextThatIsNotAPlan) {
  for (const char* text : {"", "once", "once:", "once:0", "twice:1", "once:x", "once:-1",
                           "always:1234567890", ":1", "ONCE:1"}) {
    EXPECT_FALSE(parse_read_fault(text).has_value()) << text;
  }
}

TEST_F(FaultSeamTest, OnceFailsOnlyTheNthRead) {
  arm_read_fault({ReadFault::kFailOnce, 2, ""});
  ScopedHandle h(open(a_));
  bool ok = false;
  uint32_t os_error = 0;
  EXPECT_EQ(read4(h.get(), &ok), "2345");
  EXPECT_TRUE(ok);
  read4(h.get(), &ok, &os_error);
  EXPECT_FALSE(ok);
  EXPECT_EQ(os_error, kErrReadFault);
  EXPECT_EQ(read4(h.get(), &ok), "2345");
  EXPECT_TRUE(ok);
  EXPECT_EQ(read_fault_fired_path(), a_);
}

TEST_F(FaultSeamTest, PersistentFailsEveryReadFromTheNth) {
  arm_read_fault({ReadFault::kFailPersistent, 2, ""});
  ScopedHandle h(open(a_));
  bool ok = false;
  read4(h.get(), &ok);
  EXPECT_TRUE(ok);
  for (int i = 0; i < 5; ++i) {
    read4(h.get(), &ok);
    EXPECT_FALSE(ok) << i;
  }
}

TEST_F(FaultSeamTest, ShortReadSucceedsWithHalfTheBytesOnce) {
  arm_read_fault({ReadFault::kShort, 1, ""});
  ScopedHandle h(open(a_));
  bool ok = false;
  EXPECT_EQ(read4(h.get(), &ok), "23");
  EXPECT_TRUE(ok);
  EXPECT_EQ(read4(h.get(), &ok), "2345");
}

TEST_F(FaultSeamTest, PathPartCountsOnlyReadsOfMatchingFilesIgnoringCase) {
  arm_read_fault({ReadFault::kFailOnce, 2, "b.cdx"});
  ScopedHandle a(open(a_));
  ScopedHandle b(open(b_));
  bool ok = false;
  for (int i = 0; i < 3; ++i) read4(a.get(), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(read_fault_fired_path(), "");
  EXPECT_EQ(read4(b.get(), &ok), "cdef");
  read4(a.get(), &ok);
  EXPECT_TRUE(ok);
  read4(b.get(), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(read_fault_fired_path(), b_);
}

// A handle number reused for another file must not keep the old path.
TEST_F(FaultSeamTest, ClosedFilesAreForgotten) {
  arm_read_fault({ReadFault::kFailPersistent, 1, "A.KV3"});
  NativeHandle first = open(a_);
  close_file(first);
  ScopedHandle b(open(b_));
  bool ok = false;
  EXPECT_EQ(read4(b.get(), &ok), "cdef");
  EXPECT_TRUE(ok);
}

TEST_F(FaultSeamTest, DisarmedSeamLetsEveryReadThrough) {
  arm_read_fault({ReadFault::kFailPersistent, 1, ""});
  disarm_read_fault();
  ScopedHandle h(open(a_));
  bool ok = false;
  EXPECT_EQ(read4(h.get(), &ok), "2345");
  EXPECT_TRUE(ok);
}

// What the seam writes to standard error while reads of path are made.
class StandardErrorCapture {
 public:
  explicit StandardErrorCapture(const std::string& path)
      : path_(path), saved_(std_handle(StdStream::kError)) {
    uint32_t os_error = 0;
    file_ = create_file(path, &os_error);
    EXPECT_NE(file_, kInvalidHandle);
    set_std_handle(StdStream::kError, file_);
  }
  ~StandardErrorCapture() { finish(); }

  // Puts standard error back and returns what was written meanwhile.
  std::string finish() {
    if (file_ != kInvalidHandle) {
      set_std_handle(StdStream::kError, saved_);
      close_file(file_);
      file_ = kInvalidHandle;
    }
    return test::read_file(path_);
  }

 private:
  std::string path_;
  NativeHandle saved_;
  NativeHandle file_ = kInvalidHandle;
};

TEST_F(FaultSeamTest, AnnouncesOnlyTheFirstFiringAndOnlyWhenAskedTo) {
  bool ok = true;
  {
    StandardErrorCapture capture(test::scratch_path("persistent.txt"));
    arm_read_fault({ReadFault::kFailPersistent, 2, ""}, true);
    ScopedHandle h(open(a_));
    for (int i = 0; i < 3; ++i) read4(h.get(), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(capture.finish(), "fault seam: read 2 of " + a_ + " failed\n");
  }
  {
    StandardErrorCapture capture(test::scratch_path("short.txt"));
    arm_read_fault({ReadFault::kShort, 1, "B.CDX"}, true);
    ScopedHandle a(open(a_));
    ScopedHandle b(open(b_));
    read4(a.get(), &ok);
    read4(b.get(), &ok);
    EXPECT_EQ(capture.finish(), "fault seam: read 1 of " + b_ + " cut short\n");
  }
  {
    StandardErrorCapture capture(test::scratch_path("quiet.txt"));
    arm_read_fault({ReadFault::kFailOnce, 1, ""});
    ScopedHandle h(open(a_));
    read4(h.get(), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(capture.finish(), "");
  }
}

// Arming again without the announcement silences an announcing plan.
TEST_F(FaultSeamTest, RearmingResetsTheAnnouncement) {
  StandardErrorCapture capture(test::scratch_path("rearmed.txt"));
  arm_read_fault({ReadFault::kFailOnce, 1, ""}, true);
  arm_read_fault({ReadFault::kFailOnce, 1, ""});
  ScopedHandle h(open(a_));
  bool ok = true;
  read4(h.get(), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(capture.finish(), "");
}

}  // namespace
}  // namespace kx::platform
