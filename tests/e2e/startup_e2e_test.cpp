// Start-up run end to end: finding the location table, the data folder and
// the tables, and each failure it reports.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/json_validator.h"
#include "e2e/scenario.h"
#include "tablewriter/dbf_writer.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

const Date kAktif = Date::from_ymd(2026, 3, 7);

std::string state(int code, const std::string& text) {
  return "\r\n{\"State\":1,\"Error\":" + std::to_string(code) + ",\"ErrorAddText\":\"" +
         json_escaped(text) + "\"}";
}

bool is_error_page(const std::string& out) {
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += "\r\n<br>";
  return out.compare(0, ten.size(), ten) == 0 &&
         out.find("************************* ERROR *************************<br>") !=
             std::string::npos;
}

class StartupTest : public ::testing::Test {
 protected:
  // Data tables in the point-of-sale folder, no location table yet.
  void write_data() {
    scenario_.write_control(kAktif);
    scenario_.write_currencies({{1, "IDR", "Rupiah"}});
    scenario_.write_rates({});
  }

  void expect_report(const RunResult& r) {
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(is_valid_json(r.out)) << r.out;
    EXPECT_NE(r.out.find("\"Aktif_Tanggal\":\"2026-03-07\""), std::string::npos) << r.out;
  }

  Scenario scenario_;
};

TEST_F(StartupTest, LocationFileAbsent) {
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, state(1, ""));
}

TEST_F(StartupTest, LocationFileThatIsAFolder) {
  fs::create_directories(scenario_.program_folder() + "KELVARO.DIR");
  EXPECT_EQ(scenario_.run().out, state(1, ""));
}

TEST_F(StartupTest, LocationTableThatIsNotATableEndsWithTheErrorPage) {
  ASSERT_TRUE(
      writer::write_file(scenario_.program_folder() + "KELVARO.DIR", "this is not a table"));
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(is_error_page(r.out)) << r.out;
  EXPECT_NE(r.out.find("KELVARO.DIR"), std::string::npos);
}

TEST_F(StartupTest, LocalFolderWithAndWithoutTrailingSeparator) {
  write_data();
  scenario_.write_location({target_path(scenario_.pos_folder()), "", "", ""});
  expect_report(scenario_.run());
  scenario_.write_location({target_path(scenario_.pos_folder()) + target_separator(), "", "", ""});
  expect_report(scenario_.run());
}

TEST_F(StartupTest, FolderAlreadyEndingInTheDataFolderName) {
  write_data();
  const std::string data = target_path(scenario_.pos_folder()) + target_separator() + "KV3DB";
  scenario_.write_location({data, "", "", ""});
  expect_report(scenario_.run());
  scenario_.write_location({data + target_separator(), "", "", ""});
  expect_report(scenario_.run());
}

TEST_F(StartupTest, DataFolderNameInAnotherLetterCaseGetsTheNameAppended) {
  write_data();
  const std::string lower = target_path(scenario_.pos_folder()) + target_separator() + "kv3db";
  scenario_.write_location({lower, "", "", ""});
  const std::string sep(1, target_separator());
  const std::string expected = lower + sep + "KV3DB" + sep + "M_KONTRO.KV3";
  if (fs::exists(scenario_.pos_folder() + "/kv3db/KV3DB/M_KONTRO.KV3")) GTEST_SKIP();
  EXPECT_EQ(scenario_.run().out, state(3, expected));
}

TEST_F(StartupTest, BlankFolderIsResolvedAgainstTheWorkingDirectory) {
  write_data();
  scenario_.write_location({"", "", "", ""});
  expect_report(scenario_.run(scenario_.pos_folder()));
}

TEST_F(StartupTest, LeadingBlanksBeforeTwoBackslashesAreNotANetworkPath) {
  write_data();
  scenario_.write_location({"  \\\\SRV\\DATA", "P:", "user", "secret"});
  const std::string sep(1, target_separator());
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.out, state(3, "  \\\\SRV\\DATA" + sep + "KV3DB" + sep + "M_KONTRO.KV3"));
}

TEST_F(StartupTest, ControlTableMissingGivesItsFullPath) {
  scenario_.write_location_to_pos();
  EXPECT_EQ(scenario_.run().out, state(3, scenario_.target_data_folder() + "M_KONTRO.KV3"));
}

TEST_F(StartupTest, RequestedTableMissingEndsWithTheErrorPage) {
  scenario_.write_location_to_pos();
  scenario_.write_control(kAktif);
  scenario_.write_currencies({{1, "IDR", "Rupiah"}});
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(is_error_page(r.out)) << r.out;
  EXPECT_NE(r.out.find("M_KURSMA.KV3"), std::string::npos);
}

// The connection fails (no such server, or no network at all); start-up
// prints the message line and then cannot find the control table.
TEST_F(StartupTest, FailedNetworkConnectionPrintsItsLineThenCode3) {
  scenario_.write_location({"\\\\NOSUCHSERVER\\SHARE\\POS", "Q:", "user", "pa\"ss"});
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  const std::string sep(1, target_separator());
  const std::string tail = state(3, "Q:" + sep + "KV3DB" + sep + "M_KONTRO.KV3");
  ASSERT_GT(r.out.size(), tail.size()) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
  const std::string message = r.out.substr(0, r.out.size() - tail.size());
  EXPECT_EQ(message.substr(0, 2), "\r\n");
  EXPECT_EQ(message.find("\r\n", 2), std::string::npos) << message;
  EXPECT_EQ(r.out.find("pa\"ss"), std::string::npos);
}

TEST_F(StartupTest, NetworkPathWithoutAShareEndsWithTheErrorPage) {
  scenario_.write_location({"\\\\SERVER", "Q:", "", ""});
  const RunResult r = scenario_.run();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 12), "\r\n<br>\r\n<br>") << r.out;
  EXPECT_NE(r.out.find("Numeric overflow"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("_MAPPINGDRIVE"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace kx::e2e
