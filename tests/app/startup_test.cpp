#include "app/startup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "errors/error_record.h"
#include "errors/process_start.h"
#include "platform/platform.h"
#include "runtime/error_slot.h"
#include "support/dbf_writer.h"
#include "support/testing/child_process.h"

namespace kx {
namespace {

TEST(StartupHelpersTest, RetFullPathAppendsOneSeparator) {
  const std::string sep(1, platform::path_separator());
  EXPECT_EQ(VORETFULLPATH(""), "");
  EXPECT_EQ(VORETFULLPATH("   "), "");
  EXPECT_EQ(VORETFULLPATH("D:" + sep + "POS"), "D:" + sep + "POS" + sep);
  EXPECT_EQ(VORETFULLPATH("D:" + sep + "POS" + sep), "D:" + sep + "POS" + sep);
  EXPECT_EQ(VORETFULLPATH("D:" + sep + "POS" + sep + sep), "D:" + sep + "POS" + sep + sep);
}

TEST(StartupHelpersTest, FileIsTrueOnlyForFiles) {
  const std::string file = test::scratch_path("A.DBF");
  ASSERT_TRUE(test::write_file(file, "x"));
  EXPECT_TRUE(VOFILE(file));
  EXPECT_TRUE(VOFILE(file + "   "));
  EXPECT_FALSE(VOFILE(file + ".missing"));
  EXPECT_FALSE(VOFILE(std::filesystem::path(file).parent_path().string()));
}

TEST(StartupHelpersTest, CutLastSixWhateverTheyAre) {
  EXPECT_EQ(cut_last_six("C:\\WEB\\tarvo\\", "program folder"), "C:\\WEB\\");
  EXPECT_EQ(cut_last_six("C:\\WEB\\APP\\", "program folder"), "C:\\WE");
  EXPECT_EQ(cut_last_six("KV3DB\\", "data folder"), "");
}

TEST(StartupHelpersTest, ShortFolderRaisesNumericOverflow) {
  register_runtime_support();
  Value seen;
  install_error_handler([&](const Value& e) {
    seen = e;
    return Value();
  });
  EXPECT_EQ(cut_last_six("C:\\A\\", "program folder"), "");
  install_error_handler(nullptr);
  ASSERT_NE(as_error(seen), nullptr);
  EXPECT_EQ(as_error(seen)->GENCODE, 4u);
  EXPECT_EQ(as_error(seen)->FUNCSYM.name(), "STARTPRE2");
}

TEST(StartupHelpersTest, DataFolderNameUsesThePlatformSeparator) {
  EXPECT_EQ(data_folder_name(), std::string("KV3DB") + platform::path_separator());
}

}  // namespace
}  // namespace kx
