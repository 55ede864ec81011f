// The program run again and again on one installation while the writer
// model works on it as the point-of-sale application does: every event kind
// of the torn-state sweep (appends, leaf inserts, splits, keys moved between
// pages, root splits, index rebuilds, day closes), one write call at a time
// with a pause of a few milliseconds after each. Every run must end in time
// with a report, a state or error object, or the error page, and every line
// it prints must be one that a finished state of the run's window gives:
// from the last event finished before the run started to the first one
// finished after it ended.
//
// KX_CONCURRENCY_RUNS sets the number of runs (default 200, 100 under wine),
// KX_TORN_SEED the writer's seed.
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
#include "support/torn/live_writer.h"
#include "support/torn/report_judge.h"
#include "support/torn/torn_sweep.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

constexpr double kRunSeconds = 5;
constexpr uint32_t kPauseMs = 2;
constexpr size_t kWrongShown = 10;

int runs_wanted() {
  const char* runs = std::getenv("KX_CONCURRENCY_RUNS");
  if (runs != nullptr && std::atoi(runs) > 0) return std::atoi(runs);
  return under_wine() ? 100 : 200;
}

// The writer runs in a child process until it is stopped.
class WriterProcess {
 public:
  WriterProcess(const test::Installation& installation, const std::string& data_folder,
                const test::LiveWriterOptions& options) {
    pid_ = ::fork();
    if (pid_ != 0) return;
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    std::string error;
    test::run_live_writer(installation, data_folder, options, &error);
    error = "writer model: " + error + "\n";
    const ssize_t ignored = ::write(2, error.data(), error.size());
    (void)ignored;
    ::_exit(1);
  }
  ~WriterProcess() { stop(); }

  // Stops the writer; false when it had ended by itself (it only ends on a failure).
  bool stop() {
    if (pid_ <= 0) return false;
    int status = 0;
    const bool running = ::waitpid(pid_, &status, WNOHANG) == 0;
    if (running) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return running;
  }

 private:
  pid_t pid_ = -1;
};

struct TimedRun {
  int64_t start = 0, end = 0;
  test::ReaderRun result;
};

std::string share(size_t part, size_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return text;
}

// A report, or a failure output that the report contract lists.
bool sound(const test::ReaderRun& run) {
  return run.complete || run.failure.rfind("error page: ", 0) == 0 ||
         run.failure == "error object" || run.failure == "state object";
}

TEST(ConcurrencyTest, EveryRunWhileTheWriterWorksShowsAFinishedStatesLines) {
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
  test::Installation installation;
  std::string error;
  ASSERT_TRUE(test::initial_installation(data_folder, test::sweep_caps(), &installation, &error) &&
              test::write_images(installation.images, data_folder, &error))
      << error;

  // The first start of wine (the runner's keeper's, then this run's) may
  // prepare its folder; that run is not timed.
  if (under_wine())
    std::cout << "[ concurrency ] first start under wine: " << run_program(copy, root, 120).seconds
              << " s\n";
  test::LiveWriterOptions options;
  options.seed = test::sweep_config(0, "").seed;  // KX_TORN_SEED, as for the sweep
  options.pause_ms = kPauseMs;
  options.log_path = root + "/events.log";
  const int runs = runs_wanted();
  std::vector<TimedRun> done;
  double slowest = 0;
  {
    WriterProcess writer(installation, data_folder, options);
    for (int i = 0; i < runs; ++i) {
      TimedRun run;
      run.start = test::steady_ns();
      const RunResult r = run_program(copy, root, kRunSeconds);
      run.end = test::steady_ns();
      slowest = std::max(slowest, r.seconds);
      ASSERT_FALSE(r.timed_out) << "run " << i << " hung";
      ASSERT_EQ(r.status, 0) << "run " << i << ": " << r.err << r.out;
      run.result = test::parse_program_output(r.out);
      ASSERT_TRUE(sound(run.result))
          << "run " << i << " printed " << run.result.failure << ": " << r.out;
      done.push_back(std::move(run));
    }
    EXPECT_TRUE(writer.stop()) << "the writer model stopped by itself";
  }
  const std::vector<int64_t> finished = test::read_finish_log(options.log_path);
  test::LiveHistory history(installation, options.seed);
  size_t wrong_lines = 0, wrong_runs = 0, unavoidable = 0, failures = 0, widest = 0;
  std::map<std::string, size_t> failure_texts;
  std::map<std::string, size_t> kinds;
  for (size_t i = 0; i < done.size(); ++i) {
    std::vector<test::ReportMembers> window;
    size_t first = 0, last = 0;
    ASSERT_TRUE(
        history.window(done[i].start, done[i].end, finished, &window, &first, &last, &error))
        << error;
    widest = std::max(widest, last - first);
    const auto no_view = [] { return std::optional<test::ReportMembers>(); };
    std::vector<std::string> wrong = test::judge(done[i].result, window, no_view).wrong;
    if (!wrong.empty()) {
      // Lines that the files as they stood between two writes show to a
      // reader that cannot tell them from a finished state.
      std::vector<test::ReportMembers> views = history.trusted_views(first, last);
      views.insert(views.end(), window.begin(), window.end());
      const test::Verdict strict = test::judge(done[i].result, views, no_view);
      unavoidable += wrong.size() - strict.wrong.size();
      wrong = strict.wrong;
    }
    if (!done[i].result.complete) {
      ++failures;
      ++failure_texts[test::failure_class(done[i].result.failure)];
    }
    if (wrong.empty()) continue;
    wrong_lines += wrong.size();
    if (++wrong_runs > kWrongShown) continue;
    std::string lines;
    for (const std::string& w : wrong) lines += " " + w;
    std::string events;
    for (size_t n = first + 1; n <= last; ++n)
      events += std::string(" ") + test::event_kind_name(history.kind(n));
    ADD_FAILURE() << "run " << i << " (window: events " << first << " to " << last << ":" << events
                  << "): wrong:" << lines << "\n"
                  << done[i].result.output;
  }
  for (size_t n = 1; n <= finished.size(); ++n) ++kinds[test::event_kind_name(history.kind(n))];
  std::cout << "[ concurrency ] " << runs << " runs" << (under_wine() ? " under wine" : "")
            << ", slowest " << slowest << " s; the writer finished " << finished.size()
            << " events meanwhile (pause " << kPauseMs << " ms after each write), at most "
            << widest << " in one run's window\n";
  for (const auto& [kind, n] : kinds)
    std::cout << "[ concurrency ]   " << n << " x " << kind << "\n";
  std::cout << "[ concurrency ] wrong lines " << wrong_lines << " in " << wrong_runs << " runs ("
            << share(wrong_runs, done.size()) << "), unavoidable lines " << unavoidable
            << ", failure outputs " << failures << " (" << share(failures, done.size()) << ")\n";
  for (const auto& [text, n] : failure_texts)
    std::cout << "[ concurrency ]     " << n << " x " << text << "\n";
  EXPECT_EQ(wrong_lines, 0u);
  EXPECT_GT(done.size() - failures, done.size() / 2);
  if (!HasFailure()) fs::remove_all(root);
}

}  // namespace
}  // namespace kx::e2e
