#include "e2e/installation_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxReportedFailures = 12;
constexpr uint64_t kSampleStride = 5;

const char* const kDataFiles[] = {"M_KONTRO.KV3", "M_MAUANG.KV3", "M_MAUANG.CDX", "M_KURSMA.KV3",
                                  "M_KURSMA.CDX"};

// Thousands of small installations are written and removed: in memory when
// the machine has a memory file system, where that is several times faster.
std::string process_folder(const std::string& leaf) {
  std::error_code ec;
  const fs::path base =
      fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
  return (base / "kx-e2e" / (leaf + "." + std::to_string(::getpid()))).string();
}

FileSet write_reference_data() {
  const std::string folder = process_folder("reference-installation") + "/";
  fs::remove_all(folder);
  fs::create_directories(folder);
  writer::Control control;
  control.aktif = reference_date();
  FileSet files;
  if (!writer::write_control_table(folder, control) ||
      !writer::write_currency_table(folder, reference_currencies()) ||
      !writer::write_rate_table(folder, reference_rates())) {
    return files;
  }
  for (const char* name : kDataFiles) {
    if (!read_bytes(folder + name, &files[name])) files.erase(name);
  }
  fs::remove_all(folder);
  return files;
}

}  // namespace

Date reference_date() { return Date::from_ymd(2026, 3, 7); }

const std::vector<writer::Currency>& reference_currencies() {
  static const std::vector<writer::Currency> kCurrencies = {{1, "IDR", "Rupiah"},
                                                            {2, "USD", "US Dollar"},
                                                            {3, "EUR", "Euro"},
                                                            {4, "JPY", "Yen"},
                                                            {5, "SGD", "Singapore Dollar"}};
  return kCurrencies;
}

// Every pair is different, so a rate shown for the wrong currency or from a
// mix of two records shows up. Records are not in key order.
const std::vector<writer::Rate>& reference_rates() {
  static const std::vector<writer::Rate> kRates = {
      {2, Date::from_ymd(2026, 3, 9), "15400.30", "15500.30"},  // after the active date
      {3, Date::from_ymd(2026, 2, 1), "15900.50", "16050.50"},
      {2, Date::from_ymd(2026, 3, 1), "15000.10", "15100.10"},  // month step
      {4, Date::from_ymd(2025, 12, 1), "99.70", "100.70"},
      {3, Date::from_ymd(2026, 3, 7), "16000.40", "16100.40"},  // the exact day
      {5, Date::from_ymd(2025, 6, 1), "11000.80", "11100.80"},  // previous year
      {2, Date::from_ymd(2026, 3, 5), "15200.20", "15300.20"},
      {4, Date::from_ymd(2026, 1, 15), "100.60", "101.60"},  // year step
  };
  return kRates;
}

const FileSet& InstallationFixture::data() const {
  static const FileSet kFiles = write_reference_data();
  return kFiles;
}

void InstallationFixture::SetUp() {
  ASSERT_FALSE(program_under_test().empty()) << "KX_PROGRAM names no program";
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  root_ = process_folder(std::string(info->test_suite_name()) + "." + info->name());
  fs::remove_all(root_);
  fs::create_directories(root_);
  program_ = root_ + "/" + fs::path(program_under_test()).filename().string();
  fs::copy_file(program_under_test(), program_);
  if (!fault_program_under_test().empty()) {
    fault_program_ = root_ + "/" + fs::path(fault_program_under_test()).filename().string();
    fs::copy_file(fault_program_under_test(), fault_program_);
  }
  ASSERT_EQ(data().size(), std::size(kDataFiles))
      << "the reference installation could not be written";
  static std::unique_ptr<Reference> cached;
  if (!cached) {
    const CaseFolder folder(root_, "reference", program_, data());
    const RunResult run = folder.run(30);
    ASSERT_EQ(classify(run.out).outcome, kReport) << run.out << run.err;
    cached.reset(new Reference{reference_currencies(), reference_rates(), mask_time(run.out)});
    folder.remove();
  }
  reference_ = cached.get();
}

void InstallationFixture::TearDown() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  int total = 0;
  std::string counts;
  for (const auto& [outcome, n] : tally_) {
    total += n;
    counts += ", " + outcome_names(outcome) + " " + std::to_string(n);
  }
  if (total > 1) {
    std::cout << "[ cases    ] " << info->name() << ": " << total << counts << " (" << seconds_
              << " s)\n";
  }
  if (!HasFailure()) {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
}

RunResult InstallationFixture::run_case(const std::string& label, const Change& change,
                                        const Expectation& expectation, const Check& check,
                                        bool sampled, const std::string& fault_plan) {
  if (sampled && !full_sweep() && sampled_++ % kSampleStride != 0) return RunResult();
  const CaseFolder folder(root_, label, program_, data(), fault_plan.empty() ? "" : fault_program_);
  if (change) change(folder);
  const RunResult run = folder.run(5, fault_plan);
  seconds_ += run.seconds;
  std::string problem = judge(run, expectation, reference());
  const Classified c = classify(run.out);
  if (problem.empty() && check) problem = check(c, run);
  ++tally_[c.outcome];
  if (const char* log = std::getenv("KX_DAMAGE_LOG")) {
    const bool differs = c.outcome == kReport && mask_time(c.report) != reference().report;
    std::ofstream(log, std::ios::app) << label << ": " << outcome_names(c.outcome)
                                      << (differs ? " (not the undamaged report)" : "") << " "
                                      << page_file_name(c.failure) << "\n";
  }
  if (problem.empty()) {
    folder.remove();
    return run;
  }
  if (++failures_ <= kMaxReportedFailures) ADD_FAILURE() << label << ": " << problem;
  return run;
}

}  // namespace kx::e2e
