// The torn-state sweep read by the program end to end: after every single
// write call of the writer model the program runs as a child process on the
// installation as it stands, and each line of what it prints must be one
// that a finished state of the event's window gives (see
// support/torn/torn_sweep.h for the variables that set the seed, the count
// and a replay of one state).
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <mutex>

#include "e2e/damage_support.h"
#include "e2e/program_runner.h"
#include "support/testing/sanitized_build.h"
#include "support/torn/torn_sweep.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

// A run may wait a while for a writer to finish before it gives up.
constexpr double kRunSeconds = 5;
constexpr size_t kJobs = 4;

TEST(TornSweepE2eTest, EveryStateBetweenTwoWritesPrintsAFinishedStatesLines) {
  const std::string program = program_under_test();
  ASSERT_FALSE(program.empty()) << "KX_PROGRAM is not set";
  std::string reduced;
  if (test::sanitized_build()) reduced = "the sanitizer build";
  if (under_wine()) reduced = "under wine";
  // Readers side by side, each on its own copy: runs that wait for a writer
  // to finish wait together.
  const test::SweepConfig config =
      test::sweep_config(reduced.empty() ? 300 : 15, reduced, under_wine() ? 1 : kJobs);
  const std::string root = (fs::temp_directory_path() / "kx-e2e" / "torn-sweep").string();
  fs::remove_all(root);
  std::vector<std::string> data_folders;
  const std::string name = fs::path(program).filename().string();
  for (size_t j = 0; j < config.jobs; ++j) {
    const std::string job = root + "/job" + std::to_string(j) + "/";
    fs::create_directories(job + "tarvo");
    fs::copy_file(program, job + "tarvo/" + name);
    ASSERT_TRUE(
        writer::write_location_table(job + "tarvo/", {target_path(job + "pos"), "", "", ""}));
    if (under_wine()) run_program(job + "tarvo/" + name, job, 120);  // wine prepares its folder
    data_folders.push_back(job + "pos/KV3DB/");
  }
  RunOptions options;
  options.keep_output = false;  // tens of thousands of torn states
  std::mutex timing;
  double slowest = 0, seconds = 0;
  const test::SweepResult result =
      test::run_sweep(config, data_folders, [&](const std::string& data_folder) {
        const std::string job = data_folder.substr(0, data_folder.size() - 10);  // "pos/KV3DB/"
        const RunResult run = run_program(job + "tarvo/" + name, job, kRunSeconds, options);
        {
          const std::lock_guard<std::mutex> lock(timing);
          slowest = std::max(slowest, run.seconds);
          seconds += run.seconds;
        }
        test::ReaderRun parsed = test::parse_program_output(run.out);
        if (run.timed_out) parsed.complete = false, parsed.failure = "timed out";
        if (!run.timed_out && run.status != 0)
          parsed.complete = false, parsed.failure = how_it_ended(run) + " " + run.err;
        return parsed;
      });
  std::cout << test::summary(
      result, config,
      "program " + program + ", " + std::to_string(config.jobs) + " side by side (KX_TORN_JOBS)");
  std::cout << "[ torn sweep ] the runs took " << seconds << " s in all, the slowest " << slowest
            << " s\n";
  if (config.replay)
    std::cout << "[ torn sweep ] the program again on that state: cd " << root << "/job0 && tarvo/"
              << name << "\n";
  for (const std::string& problem : result.problems) ADD_FAILURE() << problem;
  for (const std::string& wrong : result.wrong) ADD_FAILURE() << wrong;
  size_t events = 0;
  for (const test::KindTally& k : result.kinds) events += k.events;
  EXPECT_GT(events, 0u);
  if (!HasFailure() && !config.replay) fs::remove_all(root);
}

}  // namespace
}  // namespace kx::e2e
