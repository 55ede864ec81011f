#include "support/torn/torn_sweep.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

#include "support/memory_file.h"
#include "support/torn/state_view.h"
#include "tables/cdx/index_file.h"

namespace kx::test {
namespace {

constexpr size_t kWrongShown = 20;
constexpr size_t kUnavoidableShown = 5;

// Walks every tag of the index image with the table layer and compares it
// with the keys the content needs; empty when they agree.
std::string check_index(const std::string& image, const PosContent& content) {
  tables::Status status;
  std::unique_ptr<tables::cdx::IndexFile> index =
      tables::cdx::IndexFile::open(test::memory_file("M_KURSMA.CDX", image), &status);
  if (!index) return "the finished index does not open: " + status.description();
  for (const char* name : {"MU_TGL", "TANGGAL"}) {
    const int tag = index->find_tag(name);
    if (tag < 0) return std::string("the finished index has no tag ") + name;
    index->set_fill(static_cast<size_t>(tag), std::string(name) == "MU_TGL" ? ' ' : '\0');
    std::unique_ptr<tables::cdx::TagCursor> cursor = index->cursor(static_cast<size_t>(tag));
    const std::vector<writer::cdx_pages::Entry> expected = model_entries(content, name);
    size_t i = 0;
    for (cursor->seek_first(); cursor->valid(); cursor->next(), ++i) {
      if (i >= expected.size() || cursor->key() != expected[i].key ||
          cursor->recno() != expected[i].recno)
        return std::string(name) + ": entry " + std::to_string(i + 1) + " differs from the model";
    }
    if (!cursor->status().ok()) return std::string(name) + ": " + cursor->status().description();
    if (i != expected.size())
      return std::string(name) + ": " + std::to_string(i) + " keys, the model has " +
             std::to_string(expected.size());
  }
  return "";
}

// The finished states a run during event may show: before and after, and a
// day close's each with the other's date.
std::vector<ReportMembers> window_of(const PosContent& before, const PosEvent& event) {
  std::vector<ReportMembers> window = {expected_members(before, before.aktif),
                                       expected_members(event.after, event.after.aktif)};
  if (before.aktif != event.after.aktif) {
    window.push_back(expected_members(before, event.after.aktif));
    window.push_back(expected_members(event.after, before.aktif));
  }
  return window;
}

std::string members_text(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string out;
  for (const auto& [name, value] : members) out += " " + name + ":" + value;
  return out;
}

std::string share(size_t part, size_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return text;
}

// An event as the readers need it: its writes and its window.
struct SweptEvent {
  uint64_t number = 0;
  EventKind kind = EventKind::kAppend;
  size_t order = 0;
  std::vector<WriteCall> writes;
  std::vector<ReportMembers> window;
  PosContent after;
};

// The sweep's events made one by one from the installation: every job makes
// its own (the same seed gives the same events), so that no job holds them
// all and a program started from the test process is cheap to fork.
class EventStream {
 public:
  EventStream(const SweepConfig& config, const Installation& installation)
      : config_(config), before_(installation.content) {
    std::string error;
    writer_ = PosWriter::open(installation, sweep_caps(), config.seed, &error);
    if (!writer_) problem_ = "installation: " + error;
  }

  // The next event; false at the end of the sweep or on a failure (problem()).
  bool next(SweptEvent* event) {
    while (pending_.empty()) {
      if (!writer_ || schedule_.rounds() >= config_.events_per_kind) return false;
      if (config_.replay && number_ >= config_.replay_event) return false;
      std::string error;
      if (!schedule_.next(writer_.get(), &pending_, &error)) {
        problem_ = "writer model, " + error;
        writer_.reset();
        return false;
      }
      std::reverse(pending_.begin(), pending_.end());
    }
    PosEvent& e = pending_.back();
    *event = {++number_, e.kind, e.order, std::move(e.writes), window_of(before_, e), e.after};
    before_ = std::move(e.after);
    pending_.pop_back();
    return true;
  }
  const std::string& problem() const { return problem_; }

 private:
  const SweepConfig& config_;
  std::unique_ptr<PosWriter> writer_;
  EventSchedule schedule_;
  std::vector<PosEvent> pending_;  // the step's events, last first
  PosContent before_;
  uint64_t number_ = 0;
  std::string problem_;
};

struct Wrong {
  uint64_t event = 0;
  size_t write = 0;
  std::string text;
};

// One reading job: its own copy of the files, brought from state to state
// by every write, reading the states whose number is job modulo jobs.
class Job {
 public:
  Job(const SweepConfig& config, const std::vector<writer::Currency>& currencies,
      const FileImages& images, const std::string& folder, const StateReader& reader)
      : config_(config),
        currencies_(currencies),
        state_(images),
        folder_(folder),
        reader_(reader) {}

  void run(const Installation& installation, size_t job, size_t jobs) {
    std::string error;
    if (!write_images(state_, folder_, &error)) return problems_.push_back(error);
    EventStream events(config_, installation);
    uint64_t state = 0;
    for (SweptEvent event; events.next(&event);) {
      KindTally& tally = kinds_[static_cast<size_t>(event.kind)];
      const bool target = config_.replay && event.number == config_.replay_event;
      if (!config_.replay && job == 0) ++tally.events, ++tally.orders[event.order].events;
      for (size_t w = 0; w < event.writes.size(); ++w) {
        test::apply(event.writes[w], &state_);
        if (config_.replay) {
          if (target && w + 1 == config_.replay_write) return replay(event, w);
          continue;
        }
        if (!apply_to_folder(event.writes[w], folder_, &error)) return problems_.push_back(error);
        if (state++ % jobs == job) read_state(event, w + 1, &tally);
      }
      const std::string index =
          job != 0 || config_.replay ? "" : check_index(state_.at("M_KURSMA.CDX"), event.after);
      if (!index.empty())
        return problems_.push_back("after event " + std::to_string(event.number) + ": " + index);
    }
    if (!events.problem().empty() && job == 0) problems_.push_back(events.problem());
  }

  void merge_into(SweepResult* result, std::vector<Wrong>* wrong,
                  std::vector<Wrong>* unavoidable) const {
    for (size_t k = 0; k < kEventKinds; ++k) {
      KindTally& to = result->kinds[k];
      const KindTally& from = kinds_[k];
      to.add(from);
      for (const auto& [order, t] : from.orders) to.orders[order].add(t);
      for (const auto& [text, n] : from.failure_texts) to.failure_texts[text] += n;
    }
    wrong->insert(wrong->end(), wrong_.begin(), wrong_.end());
    unavoidable->insert(unavoidable->end(), unavoidable_.begin(), unavoidable_.end());
    result->problems.insert(result->problems.end(), problems_.begin(), problems_.end());
  }

 private:
  void replay(const SweptEvent& event, size_t w) {
    std::string error;
    if (!write_images(state_, folder_, &error)) return problems_.push_back(error);
    std::cout << "[ torn sweep ] replayed seed " << config_.seed << " event " << event.number
              << " write " << w + 1 << " (" << event_kind_name(event.kind) << ", "
              << event_orders(event.kind)[event.order] << "): " << describe(event.writes[w])
              << "; the state is kept in " << folder_ << "\n";
    ++kinds_[static_cast<size_t>(event.kind)].events;
    ++kinds_[static_cast<size_t>(event.kind)].orders[event.order].events;
    read_state(event, w + 1, &kinds_[static_cast<size_t>(event.kind)]);
  }

  std::string replay_id(const SweptEvent& event, size_t write) const {
    return "KX_TORN_REPLAY=" + std::to_string(config_.seed) + ":" + std::to_string(event.number) +
           ":" + std::to_string(write) + " (" + event_kind_name(event.kind) + ", " +
           event_orders(event.kind)[event.order] + ", after " + describe(event.writes[write - 1]) +
           ")";
  }

  void read_state(const SweptEvent& event, size_t write, KindTally* kind) {
    const ReaderRun run = reader_(folder_);
    const Verdict verdict = judge(run, event.window, [&]() -> std::optional<ReportMembers> {
      PosContent visible;
      if (!trusted_view(state_, currencies_, &visible)) return std::nullopt;
      return expected_members(visible, visible.aktif);
    });
    if (!run.complete) {
      ++kind->failure_texts[failure_class(run.failure)];
      if (shown_failures_ < config_.show_failures) {
        ++shown_failures_;
        std::cout << "[ torn sweep ] failure: " << replay_id(event, write) << ": " << run.failure
                  << "\n";
      }
    }
    const bool unreadable = !run.complete && rate_tag_unreadable(state_);
    for (Tally* tally : {static_cast<Tally*>(kind), &kind->orders[event.order]}) {
      ++tally->states;
      tally->failures += run.complete ? 0 : 1;
      tally->unreadable += unreadable ? 1 : 0;
      tally->unavoidable_lines += verdict.unavoidable;
      tally->wrong_lines += verdict.wrong.size();
      tally->wrong_states += verdict.wrong.empty() ? 0 : 1;
    }
    if (verdict.wrong.empty() && verdict.unavoidable != 0 && !config_.replay) {
      unavoidable_.push_back({event.number, write,
                              replay_id(event, write) + ": " + std::to_string(verdict.unavoidable) +
                                  " lines that only the files as they "
                                  "stand give" +
                                  members_text(run.members)});
    }
    if (verdict.wrong.empty() && !config_.replay) return;
    std::ostringstream text;
    text << replay_id(event, write) << ": " << (run.complete ? "complete report" : run.failure)
         << "; wrong:";
    for (const std::string& line : verdict.wrong) text << " " << line;
    text << "; shown:" << members_text(run.members);
    if (config_.replay) {
      for (const ReportMembers& state : event.window)
        text << "\n  a finished state:" << members_text({state.begin(), state.end()});
      text << "\n  output: " << run.output;
    }
    wrong_.push_back({event.number, write, text.str()});
  }

  const SweepConfig& config_;
  const std::vector<writer::Currency>& currencies_;
  FileImages state_;
  const std::string folder_;
  const StateReader& reader_;
  std::array<KindTally, kEventKinds> kinds_{};
  std::vector<Wrong> wrong_;
  std::vector<Wrong> unavoidable_;
  std::vector<std::string> problems_;
  size_t shown_failures_ = 0;
};

}  // namespace

TreeCaps sweep_caps() { return TreeCaps{16, 6}; }

void Tally::add(const Tally& other) {
  events += other.events;
  states += other.states;
  wrong_lines += other.wrong_lines;
  wrong_states += other.wrong_states;
  unavoidable_lines += other.unavoidable_lines;
  failures += other.failures;
  unreadable += other.unreadable;
}

SweepConfig sweep_config(size_t default_events, const std::string& reduced_because,
                         size_t default_jobs) {
  SweepConfig config;
  config.events_per_kind = default_events;
  config.jobs = default_jobs;
  config.reduced_because = reduced_because;
  if (const char* seed = std::getenv("KX_TORN_SEED"))
    config.seed = std::strtoull(seed, nullptr, 10);
  if (const char* events = std::getenv("KX_TORN_EVENTS")) {
    config.events_per_kind = std::strtoull(events, nullptr, 10);
    config.reduced_because.clear();
  }
  if (const char* shown = std::getenv("KX_TORN_SHOW_FAILURES")) {
    config.show_failures = std::strtoull(shown, nullptr, 10);
  }
  if (const char* jobs = std::getenv("KX_TORN_JOBS")) {
    config.jobs = std::max<size_t>(1, std::strtoull(jobs, nullptr, 10));
  }
  if (const char* replay = std::getenv("KX_TORN_REPLAY")) {
    unsigned long long seed = 0, event = 0, write = 0;
    if (std::sscanf(replay, "%llu:%llu:%llu", &seed, &event, &write) == 3) {
      config.replay = true;
      config.seed = seed;
      config.replay_event = event;
      config.replay_write = write;
      config.events_per_kind = std::max<size_t>(config.events_per_kind, event);
    }
  }
  return config;
}

SweepResult run_sweep(const SweepConfig& config, const std::vector<std::string>& folders,
                      const StateReader& reader) {
  const auto start = std::chrono::steady_clock::now();
  SweepResult result;
  for (const std::string& folder : folders) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  Installation installation;
  std::string error;
  if (!initial_installation(folders.front(), sweep_caps(), &installation, &error)) {
    result.problems.push_back("installation: " + error);
  } else {
    const size_t jobs = config.replay ? 1 : folders.size();
    std::vector<std::unique_ptr<Job>> workers;
    for (size_t j = 0; j < jobs; ++j) {
      workers.push_back(std::make_unique<Job>(config, installation.content.currencies,
                                              installation.images, folders[j], reader));
    }
    std::vector<std::thread> threads;
    for (size_t j = 1; j < jobs; ++j)
      threads.emplace_back([&, j] { workers[j]->run(installation, j, jobs); });
    workers[0]->run(installation, 0, jobs);
    for (std::thread& t : threads) t.join();
    std::vector<Wrong> wrong, unavoidable;
    for (const auto& w : workers) w->merge_into(&result, &wrong, &unavoidable);
    const auto first = [](std::vector<Wrong>* list, size_t n, std::vector<std::string>* out) {
      std::sort(list->begin(), list->end(), [](const Wrong& a, const Wrong& b) {
        return a.event != b.event ? a.event < b.event : a.write < b.write;
      });
      for (size_t i = 0; i < list->size() && i < n; ++i) out->push_back((*list)[i].text);
    };
    first(&wrong, kWrongShown, &result.wrong);
    first(&unavoidable, kUnavoidableShown, &result.unavoidable);
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

std::string summary(const SweepResult& result, const SweepConfig& config,
                    const std::string& label) {
  std::ostringstream out;
  out << "[ torn sweep ] " << label << ": seed " << config.seed << ", " << config.events_per_kind
      << " events of each kind"
      << (config.reduced_because.empty() ? "" : " (fewer: " + config.reduced_because + ")")
      << " and the events that prepared them, " << result.seconds << " s\n";
  char line[420];
  const auto row = [&](const std::string& name, const Tally& t) {
    std::snprintf(line, sizeof line,
                  "[ torn sweep ] %-48s events %5zu  states %6zu  wrong lines %5zu (in %4zu "
                  "states)  unavoidable %4zu  failure outputs %5zu (%s; %zu where pages of the "
                  "rate tag are missing, %s in the others)\n",
                  name.c_str(), t.events, t.states, t.wrong_lines, t.wrong_states,
                  t.unavoidable_lines, t.failures, share(t.failures, t.states).c_str(),
                  t.unreadable, share(t.failures - t.unreadable, t.states - t.unreadable).c_str());
    out << line;
  };
  KindTally total;
  for (size_t k = 0; k < kEventKinds; ++k) {
    const KindTally& t = result.kinds[k];
    const EventKind kind = static_cast<EventKind>(k);
    row(event_kind_name(kind), t);
    for (const auto& [order, o] : t.orders) row("  " + event_orders(kind)[order], o);
    total.add(t);
    for (const auto& [text, n] : t.failure_texts) total.failure_texts[text] += n;
  }
  row("total", total);
  for (const auto& [text, n] : total.failure_texts)
    out << "[ torn sweep ]   " << n << " x " << text << "\n";
  for (const std::string& text : result.unavoidable)
    out << "[ torn sweep ] unavoidable: " << text << "\n";
  return out.str();
}

}  // namespace kx::test
