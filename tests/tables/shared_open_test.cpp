// The point-of-sale application keeps writing its tables while this program
// reads them: the driver's opens must let another handle write, and on
// Windows also rename or delete, the files it holds.
#include <gtest/gtest.h>

#include <filesystem>

#include "errors/process_start.h"
#include "platform/env.h"
#include "platform/platform.h"
#include "runtime/errors/runtime_error.h"
#include "support/testing/child_process.h"
#include "table_functions/program_helpers.h"
#include "table_functions/table_functions.h"
#include "tablewriter/pos_installation.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// The raw open flags of another application: read-write, deny none.
constexpr uint32_t kReadWriteDenyNone = 0x42;

class SharedOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    register_runtime_support();
    install_error_handler([this](const Value&) {
      ++errors_;
      return Value::logic(false);
    });
    folder_ = test::scratch_path("");
    ASSERT_TRUE(
        writer::write_currency_table(folder_, {{1, "IDR", "Rupiah"}, {2, "USD", "Dollar"}}));
  }

  // Opens file as the point-of-sale application would, appends one byte
  // and closes it; the OS error when the open fails, else 0.
  uint32_t write_from_outside(const std::string& file) {
    platform::NativeHandle h = platform::kInvalidHandle;
    const platform::FileResult opened =
        platform::env().open_file_flags(folder_ + file, kReadWriteDenyNone, &h);
    if (h == platform::kInvalidHandle)
      return opened.ok() ? platform::kErrGenFailure : opened.os_error;
    platform::ScopedHandle handle(h);
    int64_t end = -1;
    EXPECT_TRUE(platform::env().seek_file(h, 0, 2, &end).ok());
    EXPECT_TRUE(platform::env().write_bytes(h, "\x1A", 1));
    return 0;
  }

  // Renames file away and back, as an application replacing it would.
  bool rename_from_outside(const std::string& file) {
    std::error_code ec;
    fs::rename(folder_ + file, folder_ + file + ".old", ec);
    if (ec) return false;
    fs::rename(folder_ + file + ".old", folder_ + file, ec);
    return !ec;
  }

  std::string folder_;
  int errors_ = 0;
};

TEST_F(SharedOpenTest, ReadWriteSharedOpenLetsAnotherApplicationWriteAndRename) {
  ASSERT_TRUE(DBUSEAREA(true, "", folder_ + "M_MAUANG.KV3", "M_MAUANG", true, false)) << errors_;
  for (const char* file : {"M_MAUANG.KV3", "M_MAUANG.CDX"}) {
    EXPECT_EQ(write_from_outside(file), 0u) << file;
    EXPECT_TRUE(rename_from_outside(file)) << file;
  }
  // The driver still reads through its handles.
  EXPECT_TRUE(VOSETORDER(Value::string("ID")));
  db_go_top();
  EXPECT_EQ(field_get("M_MAUANG", "KODE").as_string(), "IDR  ");
}

TEST_F(SharedOpenTest, ReadOnlySharedOpenLetsAnotherApplicationWriteAndRename) {
  ASSERT_TRUE(DBUSEAREA(true, "", folder_ + "M_MAUANG.KV3", "M_MAUANG", true, true)) << errors_;
  for (const char* file : {"M_MAUANG.KV3", "M_MAUANG.CDX"}) {
    EXPECT_EQ(write_from_outside(file), 0u) << file;
    EXPECT_TRUE(rename_from_outside(file)) << file;
  }
}

// The control: an exclusive open does keep others out, so the tests above
// would see a driver that forgot to share.
TEST_F(SharedOpenTest, ExclusiveOpenKeepsAnotherApplicationOut) {
#ifndef _WIN32
  GTEST_SKIP() << "POSIX files have no share modes";
#endif
  ASSERT_TRUE(DBUSEAREA(true, "", folder_ + "M_MAUANG.KV3", "M_MAUANG", false, false)) << errors_;
  EXPECT_EQ(write_from_outside("M_MAUANG.KV3"), platform::kErrSharingViolation);
  EXPECT_EQ(write_from_outside("M_MAUANG.CDX"), platform::kErrSharingViolation);
  EXPECT_FALSE(rename_from_outside("M_MAUANG.KV3"));
}

}  // namespace
}  // namespace kx
