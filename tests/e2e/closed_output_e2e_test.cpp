// The reader of the report may close its end of the output pipe before the
// program has written (a web server that gives up, "| head -c 10"). The
// program's writes then fail and are ignored: the run goes on to its end,
// runs its exit procedures and ends with the status it would have had.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/installation_fixture.h"

namespace kx::e2e {
namespace {

constexpr const char* kRateTable = "M_KURSMA.KV3";
constexpr uint64_t kMaxProbes = 50;

bool fired(const RunResult& run) { return run.err.find("fault seam: read ") != std::string::npos; }

class ClosedOutputTest : public InstallationFixture {
 protected:
  // The installation with a rate history too long to be read whole when the
  // table is opened, so that the lookups read it while the report is written.
  FileSet long_history() const {
    std::vector<writer::Rate> rates = reference_rates();
    for (int i = 0; i < 2000; ++i) {
      rates.push_back(
          {2 + i % 4, Date::from_julian(reference_date().julian() - 400 - i), "1.00", "2.00"});
    }
    const std::string folder = root() + "/long-history/";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(writer::write_rate_table(folder, rates));
    FileSet files = data();
    EXPECT_TRUE(read_bytes(folder + "M_KURSMA.KV3", &files["M_KURSMA.KV3"]));
    EXPECT_TRUE(read_bytes(folder + "M_KURSMA.CDX", &files["M_KURSMA.CDX"]));
    return files;
  }
};

TEST_F(ClosedOutputTest, ShippedProgramEndsWithTheStatusOfAWholeReport) {
  const CaseFolder folder(root(), "shipped", program(), data());
  const RunResult run = folder.run(30, "", Output::kClosedPipe);
  EXPECT_EQ(run.status, 0) << how_it_ended(run) << "\n" << run.err;
  EXPECT_EQ(run.err, "");
  folder.remove();
}

// With the output closed the report leaves no trace, so the run is made to
// leave one after its first writes have failed: the fault program fails the
// first read of the rate table that follows the report's opening lines and
// says so on standard error. Then the run ends through the error page, whose
// writes fail too, and the orderly exit.
TEST_F(ClosedOutputTest, RunGoesOnPastItsFailedWritesToTheOrderlyExit) {
  if (fault_program().empty()) {
    GTEST_SKIP() << "KX_FAULT_PROGRAM names no program with the read-fault seam (the wine "
                    "lane runs only the shipped program)";
  }
  const FileSet files = long_history();
  std::string plan;
  for (uint64_t n = 1; n <= kMaxProbes && plan.empty(); ++n) {
    const std::string candidate = "once:" + std::to_string(n) + ":" + kRateTable;
    const CaseFolder probe(root(), "probe" + std::to_string(n), program(), files, fault_program());
    const RunResult run = probe.run(5, candidate);
    ASSERT_TRUE(fired(run)) << "the rate table was read fewer than " << n << " times";
    if (!classify(run.out).report.empty()) plan = candidate;
    probe.remove();
  }
  ASSERT_FALSE(plan.empty()) << "no read of the rate table among the first " << kMaxProbes
                             << " comes after the report has begun";

  const CaseFolder folder(root(), "closed", program(), files, fault_program());
  const RunResult run = folder.run(5, plan, Output::kClosedPipe);
  EXPECT_TRUE(fired(run)) << plan << ": the run did not get past its failed writes; "
                          << how_it_ended(run) << "\n"
                          << run.err;
  EXPECT_EQ(run.status, 0) << plan << ": " << how_it_ended(run);
  folder.remove();
}

}  // namespace
}  // namespace kx::e2e
