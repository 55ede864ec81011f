#include "support/testing/faulty_env.h"

#include <gtest/gtest.h>

#include "platform/env.h"
#include "support/testing/child_process.h"
#include "support/testing/fake_env.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

using platform::kErrReadFault;
using platform::RandomAccessFile;

// The faulty Env over the fake one, whose standard error it announces on.
class FaultyEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = scratch_path("A.KV3");
    b_ = scratch_path("B.CDX");
    ASSERT_TRUE(writer::write_file(a_, "0123456789"));
    ASSERT_TRUE(writer::write_file(b_, "abcdefghij"));
  }

  std::unique_ptr<RandomAccessFile> open(const std::string& path) {
    std::unique_ptr<RandomAccessFile> file;
    EXPECT_TRUE(platform::env().open_random_access(path, {}, &file).ok());
    EXPECT_NE(file, nullptr);
    return file;
  }

  // Reads 4 bytes at offset 2; "" with *ok false on a failed read.
  std::string read4(RandomAccessFile* file, bool* ok, uint32_t* os_error = nullptr) {
    char buffer[4] = {};
    size_t got = 0;
    const platform::FileResult r = file->read_at(2, buffer, sizeof buffer, &got);
    *ok = r.ok();
    if (os_error != nullptr) *os_error = r.os_error;
    return std::string(buffer, got);
  }

  FakeEnv fake_;
  FaultyEnv faulty_;
  std::string a_;
  std::string b_;
};

TEST_F(FaultyEnvTest, ParsesTheThreeModesWithAndWithoutAPathPart) {
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

TEST_F(FaultyEnvTest, RejectsTextThatIsNotAPlan) {
  for (const char* text : {"", "once", "once:", "once:0", "twice:1", "once:x", "once:-1",
                           "always:1234567890", ":1", "ONCE:1"}) {
    EXPECT_FALSE(parse_read_fault(text).has_value()) << text;
  }
}

TEST_F(FaultyEnvTest, OnceFailsOnlyTheNthRead) {
  faulty_.arm({ReadFault::kFailOnce, 2, ""});
  const std::unique_ptr<RandomAccessFile> h = open(a_);
  bool ok = false;
  uint32_t os_error = 0;
  EXPECT_EQ(read4(h.get(), &ok), "2345");
  EXPECT_TRUE(ok);
  read4(h.get(), &ok, &os_error);
  EXPECT_FALSE(ok);
  EXPECT_EQ(os_error, kErrReadFault);
  EXPECT_EQ(read4(h.get(), &ok), "2345");
  EXPECT_TRUE(ok);
  EXPECT_EQ(faulty_.fired_path(), a_);
}

TEST_F(FaultyEnvTest, PersistentFailsEveryReadFromTheNth) {
  faulty_.arm({ReadFault::kFailPersistent, 2, ""});
  const std::unique_ptr<RandomAccessFile> h = open(a_);
  bool ok = false;
  read4(h.get(), &ok);
  EXPECT_TRUE(ok);
  for (int i = 0; i < 5; ++i) {
    read4(h.get(), &ok);
    EXPECT_FALSE(ok) << i;
  }
}

TEST_F(FaultyEnvTest, ShortReadSucceedsWithHalfTheBytesOnce) {
  faulty_.arm({ReadFault::kShort, 1, ""});
  const std::unique_ptr<RandomAccessFile> h = open(a_);
  bool ok = false;
  EXPECT_EQ(read4(h.get(), &ok), "23");
  EXPECT_TRUE(ok);
  EXPECT_EQ(read4(h.get(), &ok), "2345");
}

TEST_F(FaultyEnvTest, PathPartCountsOnlyReadsOfMatchingFilesIgnoringCase) {
  faulty_.arm({ReadFault::kFailOnce, 2, "b.cdx"});
  const std::unique_ptr<RandomAccessFile> a = open(a_);
  const std::unique_ptr<RandomAccessFile> b = open(b_);
  bool ok = false;
  for (int i = 0; i < 3; ++i) read4(a.get(), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(faulty_.fired_path(), "");
  EXPECT_EQ(read4(b.get(), &ok), "cdef");
  read4(a.get(), &ok);
  EXPECT_TRUE(ok);
  read4(b.get(), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(faulty_.fired_path(), b_);
}

// Each mode on the 2nd read of the matching file, reads of the two files
// interleaved: which reads fail or come back short, and which are untouched.
TEST_F(FaultyEnvTest, NthReadOfTheMatchingFileOnlyAndOthersUntouched) {
  const struct {
    ReadFault fault;
    const char* matching;  // what the reads of B.CDX give: . whole, x failed, s short
  } cases[] = {{ReadFault::kFailOnce, ".x.."},
               {ReadFault::kFailPersistent, ".xxx"},
               {ReadFault::kShort, ".s.."}};
  for (const auto& c : cases) {
    faulty_.arm({c.fault, 2, "B.CDX"});
    const std::unique_ptr<RandomAccessFile> a = open(a_);
    const std::unique_ptr<RandomAccessFile> b = open(b_);
    std::string seen;
    for (int i = 0; i < 4; ++i) {
      bool ok = false;
      EXPECT_EQ(read4(a.get(), &ok), "2345") << c.matching << " read " << i;
      EXPECT_TRUE(ok);
      const std::string got = read4(b.get(), &ok);
      seen += !ok ? 'x' : got == "cdef" ? '.' : got == "cd" ? 's' : '?';
    }
    EXPECT_EQ(seen, c.matching);
    EXPECT_EQ(faulty_.fired_path(), b_);
  }
}

// A file opened after another was closed is judged by its own name.
TEST_F(FaultyEnvTest, ClosedFilesAreForgotten) {
  faulty_.arm({ReadFault::kFailPersistent, 1, "A.KV3"});
  open(a_).reset();
  const std::unique_ptr<RandomAccessFile> b = open(b_);
  bool ok = false;
  EXPECT_EQ(read4(b.get(), &ok), "cdef");
  EXPECT_TRUE(ok);
}

TEST_F(FaultyEnvTest, DisarmedPlanLetsEveryReadThrough) {
  faulty_.arm({ReadFault::kFailPersistent, 1, ""});
  faulty_.disarm();
  const std::unique_ptr<RandomAccessFile> h = open(a_);
  bool ok = false;
  EXPECT_EQ(read4(h.get(), &ok), "2345");
  EXPECT_TRUE(ok);
}

// What the faulty Env writes to the fake's standard error from now on.
class StandardErrorCapture {
 public:
  explicit StandardErrorCapture(const FakeEnv& fake)
      : fake_(fake), start_(fake.error_output.size()) {}

  // What was written since the capture began.
  std::string finish() const { return fake_.error_output.substr(start_); }

 private:
  const FakeEnv& fake_;
  const size_t start_;
};

TEST_F(FaultyEnvTest, AnnouncesOnlyTheFirstFiringAndOnlyWhenAskedTo) {
  bool ok = true;
  {
    StandardErrorCapture capture(fake_);
    faulty_.arm({ReadFault::kFailPersistent, 2, ""}, true);
    const std::unique_ptr<RandomAccessFile> h = open(a_);
    for (int i = 0; i < 3; ++i) read4(h.get(), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(capture.finish(), "fault seam: read 2 of " + a_ + " failed\n");
  }
  {
    StandardErrorCapture capture(fake_);
    faulty_.arm({ReadFault::kShort, 1, "B.CDX"}, true);
    const std::unique_ptr<RandomAccessFile> a = open(a_);
    const std::unique_ptr<RandomAccessFile> b = open(b_);
    read4(a.get(), &ok);
    read4(b.get(), &ok);
    EXPECT_EQ(capture.finish(), "fault seam: read 1 of " + b_ + " cut short\n");
  }
  {
    StandardErrorCapture capture(fake_);
    faulty_.arm({ReadFault::kFailOnce, 1, ""});
    const std::unique_ptr<RandomAccessFile> h = open(a_);
    read4(h.get(), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(capture.finish(), "");
  }
}

// Arming again without the announcement silences an announcing plan.
TEST_F(FaultyEnvTest, RearmingResetsTheAnnouncement) {
  StandardErrorCapture capture(fake_);
  faulty_.arm({ReadFault::kFailOnce, 1, ""}, true);
  faulty_.arm({ReadFault::kFailOnce, 1, ""});
  const std::unique_ptr<RandomAccessFile> h = open(a_);
  bool ok = true;
  read4(h.get(), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(capture.finish(), "");
}

}  // namespace
}  // namespace kx::test
