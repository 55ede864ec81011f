// The writer model at work on an installation's files while the program
// runs beside it: the sweep's events applied one write call at a time with
// a pause after each, the end of every event logged with its time; and, made
// again from the same seed, the finished states that a run between two
// times may show.
#ifndef KX_TESTS_SUPPORT_TORN_LIVE_WRITER_H_
#define KX_TESTS_SUPPORT_TORN_LIVE_WRITER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/torn/pos_writer.h"

namespace kx::test {

// Nanoseconds of the steady clock, the same in every process of the machine.
int64_t steady_ns();

struct LiveWriterOptions {
  uint64_t seed = 20260315;
  uint32_t pause_ms = 2;  // after every write call
  std::string log_path;   // "<event> <steady_ns>\n" when an event's last write is done
};

// Applies events to the files in data_folder (which hold installation) until
// the process is killed. False with *error on the first failure.
bool run_live_writer(const Installation& installation, const std::string& data_folder,
                     const LiveWriterOptions& options, std::string* error);

// The times at which events 1, 2, ... were finished, from the log.
std::vector<int64_t> read_finish_log(const std::string& path);

class LiveHistory {
 public:
  LiveHistory(const Installation& installation, uint64_t seed);

  // The report members a run from start to end may show, given the finish
  // times: those of every finished state from the last one before start to
  // the first one after end (or the one being made when the log ends); a day
  // close's states also with the other's date. *first and *last are the
  // events of that window (0: the installation). False with *error when the
  // events cannot be made again.
  bool window(int64_t start, int64_t end, const std::vector<int64_t>& finished,
              std::vector<ReportMembers>* members, size_t* first, size_t* last, std::string* error);
  // The members of each state between two writes of events first + 1 to
  // last that looks finished to a reader (see state_view.h).
  std::vector<ReportMembers> trusted_views(size_t first, size_t last);
  // Events made so far, by kind.
  EventKind kind(size_t event) const { return kinds_[event - 1]; }

 private:
  bool reach(size_t event, std::string* error);

  const Installation installation_;
  std::unique_ptr<PosWriter> writer_;
  EventSchedule schedule_;
  std::vector<EventKind> kinds_;
  std::vector<std::vector<WriteCall>> writes_;
  // members_[n]: the finished state after event n (0: the installation),
  // with a day close's cross-dated states after it.
  std::vector<std::vector<ReportMembers>> members_;
};

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_LIVE_WRITER_H_
