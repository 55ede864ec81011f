// The program never writes to a table, memo or index file: after runs that
// print the report, a JSON state or error object, or the error page, every
// such file has the bytes and the modification time it had before, and no
// file has appeared beside the tables.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "e2e/installation_fixture.h"
#include "tablewriter/dbf_writer.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

struct FileState {
  std::string bytes;
  fs::file_time_type modified;
};

using Snapshot = std::map<std::string, FileState>;

// The location table and everything in the data folder.
Snapshot snapshot(const CaseFolder& folder) {
  Snapshot s;
  for (const auto& entry : fs::directory_iterator(folder.data_folder())) {
    read_bytes(entry.path().string(), &s[entry.path().filename().string()].bytes);
    s[entry.path().filename().string()].modified = fs::last_write_time(entry.path());
  }
  const std::string location = folder.path("KELVARO.DIR");
  read_bytes(location, &s["KELVARO.DIR"].bytes);
  s["KELVARO.DIR"].modified = fs::last_write_time(location);
  return s;
}

// Dates every file well in the past, so that any write shows in its time
// whatever the file system's time resolution.
void age_files(const CaseFolder& folder) {
  const fs::file_time_type past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
  for (const auto& entry : fs::directory_iterator(folder.data_folder()))
    fs::last_write_time(entry.path(), past);
  fs::last_write_time(folder.path("KELVARO.DIR"), past);
}

void expect_unchanged(const Snapshot& before, const Snapshot& after, const std::string& what) {
  EXPECT_EQ(before.size(), after.size()) << what << ": files appeared or went";
  for (const auto& [name, state] : before) {
    const auto it = after.find(name);
    if (it == after.end()) continue;
    EXPECT_TRUE(it->second.bytes == state.bytes) << what << ": " << name << " changed";
    EXPECT_TRUE(it->second.modified == state.modified) << what << ": " << name << "'s time changed";
  }
}

class ReadOnlyTest : public InstallationFixture {
 protected:
  // Builds an installation, lets change shape it, then runs the program
  // twice (or the fault program with each fault plan in turn) and compares.
  // Returns how many runs announced a read fault.
  int expect_read_only(const std::string& label, const Change& change, unsigned outcome,
                       const std::vector<std::string>& fault_plans = {}) {
    const CaseFolder folder(root(), label, program(), data(), fault_program());
    if (change) change(folder);
    age_files(folder);
    const Snapshot before = snapshot(folder);
    std::vector<std::string> plans = fault_plans;
    if (plans.empty()) plans = {"", ""};
    int faults = 0;
    for (const std::string& plan : plans) {
      const RunResult run = folder.run(5, plan);
      EXPECT_EQ(judge(run, {outcome}, reference()), "") << label << " " << plan;
      if (run.err.find("fault seam: read ") != std::string::npos) ++faults;
    }
    expect_unchanged(before, snapshot(folder), label);
    return faults;
  }
};

TEST_F(ReadOnlyTest, ReportRunsWriteNothing) { expect_read_only("report", nullptr, kReport); }

TEST_F(ReadOnlyTest, ErrorObjectRunsWriteNothing) {
  expect_read_only(
      "no-mu-tgl",
      [](const CaseFolder& f) {
        writer::TableOptions options;
        options.write_mu_tgl_tag = false;
        ASSERT_TRUE(writer::write_rate_table(f.data_folder(), reference_rates(), options));
      },
      kErrorObject);
}

TEST_F(ReadOnlyTest, StateObjectRunsWriteNothing) {
  expect_read_only(
      "no-control-table",
      [](const CaseFolder& f) {
        ASSERT_TRUE(writer::write_location_table(
            f.program_folder(), {target_path(f.data_folder() + "nowhere"), "", "", ""}));
      },
      kStateObject);
}

TEST_F(ReadOnlyTest, ErrorPageRunsWriteNothing) {
  expect_read_only(
      "cut-rate-index", [](const CaseFolder& f) { fs::resize_file(f.path("M_KURSMA.CDX"), 3000); },
      kErrorPage);
  expect_read_only(
      "empty-control-table",
      [](const CaseFolder& f) {
        ASSERT_TRUE(writer::write_control_table(f.data_folder(), {}, true));
      },
      kErrorPage);
}

// A currency table with a memo field, so that a memo file is opened too.
TEST_F(ReadOnlyTest, MemoFileIsNotWritten) {
  expect_read_only(
      "memo",
      [](const CaseFolder& f) {
        writer::DbfSpec spec{
            0x30, {{"ID", 'N', 4}, {"KODE", 'C', 5}, {"NAMA", 'C', 30}, {"CATATAN", 'M'}}};
        spec.table_flags = 0x03;
        std::vector<writer::Row> rows;
        for (const writer::Currency& c : reference_currencies()) {
          rows.push_back(writer::Row{{c.id, c.kode, c.nama, "note on " + c.nama}});
        }
        ASSERT_TRUE(writer::write_dbf(f.data_folder() + "M_MAUANG.KV3", spec, rows));
        ASSERT_TRUE(fs::exists(f.data_folder() + "M_MAUANG.fpt"));
      },
      kReport);
}

// Failed reads of each file in turn (the program with the read-fault seam).
TEST_F(ReadOnlyTest, RunsEndedByReadFaultsWriteNothing) {
  if (fault_program().empty()) {
    GTEST_SKIP() << "KX_FAULT_PROGRAM names no program with the read-fault seam";
  }
  std::vector<std::string> plans;
  for (const char* file : {"KELVARO.DIR", "M_KONTRO.KV3", "M_MAUANG.KV3", "M_MAUANG.CDX",
                           "M_KURSMA.KV3", "M_KURSMA.CDX"}) {
    for (int n : {1, 3}) plans.push_back("always:" + std::to_string(n) + ":" + file);
  }
  // Every file is read at least once, so at least its first read fails.
  EXPECT_GE(expect_read_only("faults", nullptr, kErrorPage | kReport, plans), 6);
}

}  // namespace
}  // namespace kx::e2e
