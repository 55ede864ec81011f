// The program run again and again on one installation while the
// point-of-sale application appends rates to it: records written header
// first or record first, keys inserted into the index, leaves, interior
// nodes and roots split under the running program. Every run must end in
// time with a sound report, a state or error object, or the error page.
//
// KX_CONCURRENCY_RUNS sets the number of runs (default 200, 100 under wine).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>

#include "e2e/damage_support.h"
#include "e2e/scenario.h"
#include "support/cdx_updater.h"
#include "support/rate_writer.h"
#include "tables/work_area.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

constexpr double kRunSeconds = 5;

const Date kActive = Date::from_ymd(2026, 3, 15);

int runs_wanted() {
  const char* runs = std::getenv("KX_CONCURRENCY_RUNS");
  if (runs != nullptr && std::atoi(runs) > 0) return std::atoi(runs);
  return under_wine() ? 100 : 200;
}

std::vector<writer::Currency> currencies() {
  return {{1, "IDR", "Rupiah"},
          {2, "USD", "US Dollar"},
          {3, "EUR", "Euro"},
          {4, "JPY", "Yen"},
          {5, "SGD", "Singapore Dollar"}};
}

// For every currency a rate on the first of the month that the lookup's
// month step finds, and a history of the year before, enough for an index
// whose root is nearly full, so that the writer soon splits it; until the writer adds a rate on the
// active date itself, the report shows the first-of-month rates.
std::vector<writer::Rate> initial_rates() {
  std::vector<writer::Rate> rates;
  for (int64_t id = 2; id <= 5; ++id) {
    const std::string base = std::to_string(1000 * id);
    rates.push_back({id, Date::from_ymd(2026, 3, 1), base + ".10", base + ".90"});
  }
  for (int i = 0; i < 2600; ++i) {
    const int64_t id = 2 + i % 4;
    const std::string whole = std::to_string(1000000 * id + i);
    rates.push_back({id, Date::from_julian(kActive.julian() - 400 + (i * 37) % 380), whole + ".40",
                     whole + ".60"});
  }
  return rates;
}

// The writer runs in a child process until it is stopped.
class WriterProcess {
 public:
  WriterProcess(const std::string& data_folder, const test::RateWriterOptions& options) {
    pid_ = ::fork();
    if (pid_ != 0) return;
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    std::string error;
    if (test::run_rate_writer(data_folder, options, &error)) ::_exit(0);
    error = "rate writer: " + error + "\n";
    const ssize_t ignored = ::write(2, error.data(), error.size());
    (void)ignored;
    ::_exit(1);
  }
  ~WriterProcess() { stop(); }

  bool running() {
    if (pid_ <= 0 || status_ != -1) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return false;
  }
  // Stops the writer; its exit status when it had ended by itself, else -1.
  int stop() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      return -1;
    }
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// Every rate the table holds now, the writer's included.
Reference final_reference(const std::string& data_folder) {
  Reference reference;
  reference.currencies = currencies();
  tables::Status status;
  std::unique_ptr<tables::WorkArea> area =
      tables::WorkArea::open(data_folder + "M_KURSMA.KV3", "", {}, &status);
  EXPECT_TRUE(area) << status.description();
  if (!area) return reference;
  uint32_t count = 0;
  EXPECT_TRUE(area->record_count(&count));
  for (uint32_t recno = 1; recno <= count; ++recno) {
    Value id, beli, jual;
    EXPECT_TRUE(area->go_to(recno) && area->field_get("MAUANG_ID", &id) &&
                area->field_get("KURS_BELI", &beli) && area->field_get("KURS_JUAL", &jual));
    if (beli.kind() != Kind::kFloat || jual.kind() != Kind::kFloat) continue;
    reference.rates.push_back({static_cast<int64_t>(id.to_double()), Date(),
                               beli.as_float().decimal, jual.as_float().decimal});
  }
  return reference;
}

size_t mu_tgl_depth(const std::string& data_folder) {
  std::string error;
  std::unique_ptr<test::PageStore> index =
      test::open_file_store(data_folder + "M_KURSMA.CDX", &error);
  test::CdxUpdater updater(index.get());
  size_t depth = 0;
  EXPECT_TRUE(index && updater.depth("MU_TGL", &depth, &error)) << error;
  return depth;
}

// The first line of the page's description, or the object, for the tally.
std::string failure_text(const Classified& c) {
  static const std::string kLabel = "Description      : ";
  const size_t at = c.failure.find(kLabel);
  if (at == std::string::npos) return c.failure.substr(0, 160);
  const size_t end = c.failure.find("<br>", at);
  return c.failure.substr(at + kLabel.size(),
                          end == std::string::npos ? 160 : end - at - kLabel.size());
}

TEST(ConcurrencyTest, EveryRunWhileRatesAreAppendedEndsSoundly) {
  const std::string program = program_under_test();
  ASSERT_FALSE(program.empty()) << "KX_PROGRAM is not set";
  const std::string root =
      (fs::temp_directory_path() / "kx-e2e" / ("concurrency." + std::to_string(::getpid())))
          .string();
  fs::remove_all(root);
  const std::string program_folder = root + "/tarvo/";
  const std::string data_folder = root + "/pos/KV3DB/";
  fs::create_directories(program_folder);
  fs::create_directories(data_folder);
  const std::string copy = program_folder + fs::path(program).filename().string();
  fs::copy_file(program, copy);
  ASSERT_TRUE(
      writer::write_location_table(program_folder, {target_path(root + "/pos"), "", "", ""}));
  writer::Control control;
  control.aktif = kActive;
  ASSERT_TRUE(writer::write_control_table(data_folder, control));
  ASSERT_TRUE(writer::write_currency_table(data_folder, currencies()));
  ASSERT_TRUE(writer::write_rate_table(data_folder, initial_rates()));

  // The first start of wine (the runner's keeper's, then this run's) may
  // prepare its folder; that run is not timed.
  if (under_wine())
    std::cout << "[ concurrency ] first start under wine: " << run_program(copy, root, 120).seconds
              << " s\n";
  const size_t depth_before = mu_tgl_depth(data_folder);
  test::RateWriterOptions options;
  options.currency_ids = {2, 3, 4, 5};
  options.around = kActive;
  options.max_records = 400000;
  // A writer that takes its time over each change: the runs meet splits
  // half made.
  options.index_write_pause_ms = 1;
  const int runs = runs_wanted();
  std::map<std::string, int> tally;
  std::map<std::string, int> failures;
  std::vector<std::string> reports;
  double slowest = 0;
  {
    WriterProcess writer(data_folder, options);
    for (int i = 0; i < runs; ++i) {
      const RunResult r = run_program(copy, root, kRunSeconds);
      slowest = std::max(slowest, r.seconds);
      ASSERT_FALSE(r.timed_out) << "run " << i << " hung";
      ASSERT_LE(r.seconds, kRunSeconds) << "run " << i;
      ASSERT_EQ(r.status, 0) << "run " << i << ": " << r.err << r.out;
      const Classified c = classify(r.out);
      ASSERT_TRUE(c.outcome == kReport || c.outcome == kStateObject || c.outcome == kErrorObject ||
                  c.outcome == kErrorPage)
          << "run " << i << " printed " << outcome_names(c.outcome) << ": " << r.out;
      ++tally[outcome_names(c.outcome)];
      if (c.outcome != kReport) ++failures[failure_text(c)];
      reports.push_back(c.report);
      if (c.outcome == kReport && c.report.find("\":0.00") != std::string::npos) {
        ADD_FAILURE() << "run " << i << ": a currency without a rate: " << c.report;
      }
    }
    // Still running (-1), or done at its record limit (0).
    const int writer_status = writer.stop();
    EXPECT_TRUE(writer_status == -1 || writer_status == 0) << "the rate writer failed";
  }
  const Reference reference = final_reference(data_folder);
  int wrong_reports = 0;
  for (size_t i = 0; i < reports.size(); ++i) {
    const std::string wrong = check_rates(reports[i], reference, true);
    if (wrong.empty() || ++wrong_reports > 5) continue;
    ADD_FAILURE() << "run " << i << ": " << wrong << "\n" << reports[i];
  }
  EXPECT_EQ(wrong_reports, 0);
  std::cout << "[ concurrency ] " << runs << " runs" << (under_wine() ? " under wine" : "") << ", "
            << reference.rates.size() - initial_rates().size()
            << " rates appended meanwhile, MU_TGL depth " << depth_before << " -> "
            << mu_tgl_depth(data_folder) << ", slowest run " << slowest << " s\n";
  for (const auto& [outcome, count] : tally)
    std::cout << "[ concurrency ]   " << outcome << ": " << count << "\n";
  for (const auto& [text, count] : failures)
    std::cout << "[ concurrency ]     " << count << " x " << text << "\n";
  EXPECT_GT(tally["report"], runs / 2);
  if (!HasFailure()) fs::remove_all(root);
}

}  // namespace
}  // namespace kx::e2e
