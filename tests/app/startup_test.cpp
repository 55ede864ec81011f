#include "app/startup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/report.h"
#include "errors/error_record.h"
#include "errors/process_start.h"
#include "platform/platform.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/settings.h"
#include "runtime/text/text.h"
#include "support/testing/child_process.h"
#include "tablewriter/dbf_writer.h"

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
  ASSERT_TRUE(writer::write_file(file, "x"));
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

TEST(StartupHelpersTest, DataFolderSaysWhichRuleGaveIt) {
  const std::string sep(1, platform::path_separator());
  const std::string pos = "D:" + sep + "POS";
  const std::string data = pos + sep + "KV3DB" + sep;
  struct Case {
    std::string cur_dir;
    std::string map_drv;  // used for a network CUR_DIR
    std::string path;
    DataFolderRule rule;
    bool appended;
  };
  const Case cases[] = {
      {pos + "  ", "", data, DataFolderRule::kLocalFolder, true},
      {pos + sep + "KV3DB", "", data, DataFolderRule::kLocalFolder, false},
      {pos + sep + "kv3db", "", pos + sep + "kv3db" + sep + "KV3DB" + sep,
       DataFolderRule::kLocalFolder, true},
      {"   ", "", "KV3DB" + sep, DataFolderRule::kCurrentFolder, true},
      {"\\\\SRV\\SHARE", "P:", "P:" + sep + "KV3DB" + sep, DataFolderRule::kNetworkDrive, true},
  };
  for (const Case& c : cases) {
    LocationFields location;
    location.cur_dir = c.cur_dir;
    location.network = !c.map_drv.empty();
    location.map_drv = c.map_drv;
    const DataFolder folder = build_data_folder(location);
    EXPECT_EQ(folder.path, c.path) << c.cur_dir;
    EXPECT_EQ(folder.rule, c.rule) << c.cur_dir;
    EXPECT_EQ(folder.name_appended, c.appended) << c.cur_dir;
  }
}

// Start-up's tolerance decides: IDs closer to 1 than 0.00000001 are the
// home currency's.
TEST(HomeCurrencyTest, IdsWithinTheToleranceOfOneAreTheHomeCurrency) {
  const ConversionSettings kept = settings();
  apply_startup_settings();
  install_error_handler(nullptr);
  const struct {
    Value id;
    bool home;
  } cases[] = {
      {Value::floating(1.0, "1"), true},
      {Value::floating(1.000000001, "1.000000001"), true},
      {Value::floating(0.999999995, "0.999999995"), true},
      {Value::floating(1.00000002, "1.00000002"), false},
      {Value::floating(0.99999998, "0.99999998"), false},
      {Value::floating(2.0, "2"), false},
      {Value::string("1"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_home_currency(c.id), c.home) << value_text(c.id);
  settings() = kept;
}

}  // namespace
}  // namespace kx
