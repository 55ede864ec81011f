#include "support/torn/live_writer.h"

#include <chrono>
#include <cstdio>
#include <fstream>

#include "platform/platform.h"
#include "support/torn/state_view.h"
#include "support/torn/torn_sweep.h"

namespace kx::test {

int64_t steady_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool run_live_writer(const Installation& installation, const std::string& data_folder,
                     const LiveWriterOptions& options, std::string* error) {
  std::unique_ptr<PosWriter> writer =
      PosWriter::open(installation, sweep_caps(), options.seed, error);
  if (!writer) return false;
  std::FILE* log = std::fopen(options.log_path.c_str(), "a");
  if (log == nullptr) return *error = "cannot open " + options.log_path, false;
  EventSchedule schedule;
  for (uint64_t number = 0;;) {
    std::vector<PosEvent> events;
    if (!schedule.next(writer.get(), &events, error)) return false;
    for (const PosEvent& event : events) {
      for (const WriteCall& w : event.writes) {
        if (!apply_to_folder(w, data_folder, error)) return false;
        platform::sleep_ms(options.pause_ms);
      }
      std::fprintf(log, "%llu %lld\n", static_cast<unsigned long long>(++number),
                   static_cast<long long>(steady_ns()));
      std::fflush(log);
    }
  }
}

std::vector<int64_t> read_finish_log(const std::string& path) {
  std::vector<int64_t> finished;
  std::ifstream in(path);
  unsigned long long number = 0;
  long long at = 0;
  while (in >> number >> at) {
    if (number == finished.size() + 1) finished.push_back(at);
  }
  return finished;
}

LiveHistory::LiveHistory(const Installation& installation, uint64_t seed)
    : installation_(installation) {
  std::string error;
  writer_ = PosWriter::open(installation_, sweep_caps(), seed, &error);
  members_.push_back({expected_members(installation.content, installation.content.aktif)});
}

bool LiveHistory::reach(size_t event, std::string* error) {
  if (!writer_) return *error = "the writer model does not open", false;
  PosContent before = writer_->content();
  while (members_.size() <= event) {
    std::vector<PosEvent> events;
    if (!schedule_.next(writer_.get(), &events, error)) return false;
    for (const PosEvent& e : events) {
      std::vector<ReportMembers> states = {expected_members(e.after, e.after.aktif)};
      if (before.aktif != e.after.aktif) {
        states.push_back(expected_members(before, e.after.aktif));
        states.push_back(expected_members(e.after, before.aktif));
      }
      kinds_.push_back(e.kind);
      writes_.push_back(e.writes);
      members_.push_back(std::move(states));
      before = e.after;
    }
  }
  return true;
}

bool LiveHistory::window(int64_t start, int64_t end, const std::vector<int64_t>& finished,
                         std::vector<ReportMembers>* members, size_t* first, size_t* last,
                         std::string* error) {
  *first = 0;
  while (*first < finished.size() && finished[*first] <= start) ++*first;
  *last = *first;
  while (*last < finished.size() && finished[*last] < end) ++*last;
  ++*last;  // the first event finished after end, or the one in progress
  if (!reach(*last, error)) return false;
  members->clear();
  for (size_t n = *first; n <= *last; ++n) {
    members->insert(members->end(), members_[n].begin(), members_[n].end());
  }
  return true;
}

std::vector<ReportMembers> LiveHistory::trusted_views(size_t first, size_t last) {
  FileImages images = installation_.images;
  std::vector<ReportMembers> out;
  for (size_t n = 1; n <= last && n <= writes_.size(); ++n) {
    for (const WriteCall& w : writes_[n - 1]) {
      apply(w, &images);
      PosContent visible;
      if (n > first && trusted_view(images, installation_.content.currencies, &visible))
        out.push_back(expected_members(visible, visible.aktif));
    }
  }
  return out;
}

}  // namespace kx::test
