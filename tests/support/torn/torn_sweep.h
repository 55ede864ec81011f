// The torn-state sweep: from a fresh installation the writer model's events
// are applied one write call at a time, and after every call a reader reads
// that (static) state. Each run is judged against the finished states of the
// event's window: the state before the event and after it (for a day close
// also each with the other's date). Counts go per event kind.
//
// KX_TORN_SEED sets the seed, KX_TORN_EVENTS the events of each kind,
// KX_TORN_JOBS the readers that run side by side (each on its own copy of
// the files; where the test allows it), KX_TORN_SHOW_FAILURES=N prints the
// first N states that gave a failure output, and KX_TORN_REPLAY=seed:event:write
// reads only the state after that write of that event (numbers as the
// failure messages print them) and keeps its folder.
#ifndef KX_TESTS_SUPPORT_TORN_TORN_SWEEP_H_
#define KX_TESTS_SUPPORT_TORN_TORN_SWEEP_H_

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/torn/pos_writer.h"
#include "support/torn/report_judge.h"

namespace kx::test {

struct SweepConfig {
  uint64_t seed = 20260315;
  size_t events_per_kind = 300;
  std::string reduced_because;  // why fewer events than natively, for the summary
  size_t jobs = 1;              // KX_TORN_JOBS; a test that allows more sets its default
  size_t show_failures = 0;     // KX_TORN_SHOW_FAILURES: failing states printed with their ids
  bool replay = false;
  uint64_t replay_event = 0;  // 1-based, as printed
  size_t replay_write = 0;    // 1-based: the state after this many writes of the event
};

// The configuration from the environment; default_events and default_jobs
// where KX_TORN_EVENTS and KX_TORN_JOBS are unset.
SweepConfig sweep_config(size_t default_events, const std::string& reduced_because,
                         size_t default_jobs = 1);

// Reads the state in data_folder (ending in a separator); called from
// several threads at once when the sweep has several folders, never twice at
// once for one folder.
using StateReader = std::function<ReaderRun(const std::string& data_folder)>;

struct Tally {
  size_t events = 0;
  size_t states = 0;
  size_t wrong_lines = 0;
  size_t wrong_states = 0;
  size_t unavoidable_lines = 0;
  size_t failures = 0;    // error page, error object, incomplete or no output
  size_t unreadable = 0;  // of those, in states where pages of the rate tag are missing

  void add(const Tally& other);
};

struct KindTally : Tally {
  std::map<size_t, Tally> orders;  // by write order (event_orders())
  std::map<std::string, size_t> failure_texts;
};

struct SweepResult {
  std::array<KindTally, kEventKinds> kinds{};
  std::vector<std::string> wrong;        // the first wrong states, with seed, event, write, lines
  std::vector<std::string> unavoidable;  // the first states whose lines only the files explain
  std::vector<std::string> problems;     // the writer model or the finished index not as expected
  double seconds = 0;
};

// Runs the sweep with one reading job per data folder (each emptied and
// filled here; a replay uses the first).
SweepResult run_sweep(const SweepConfig& config, const std::vector<std::string>& data_folders,
                      const StateReader& reader);

// The summary: per kind and in total the events, states, wrong lines,
// failure outputs and the failure share.
std::string summary(const SweepResult& result, const SweepConfig& config, const std::string& label);

// The writer's caps for the sweep and the live run.
TreeCaps sweep_caps();

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_TORN_SWEEP_H_
