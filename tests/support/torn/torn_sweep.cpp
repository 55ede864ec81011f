#include "support/torn/torn_sweep.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "support/torn/state_view.h"
#include "tables/byte_source.h"
#include "tables/cdx/index_file.h"

namespace kx::test {
namespace {

constexpr size_t kWrongShown = 20;

// Walks every tag of the index image with the table layer and compares it
// with the keys the content needs; empty when they agree.
std::string check_index(const std::string& image, const PosContent& content) {
  tables::Status status;
  std::unique_ptr<tables::cdx::IndexFile> index =
      tables::cdx::IndexFile::open(tables::memory_source("M_KURSMA.CDX", image), &status);
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

// A failure's text without its numbers, so that like failures count together.
std::string without_numbers(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool hex = text.compare(i, 2, "0x") == 0;
    if (!hex && !std::isdigit(static_cast<unsigned char>(text[i]))) {
      out += text[i];
      continue;
    }
    i += hex ? 2 : 0;
    while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i]))) ++i;
    --i;
    out += "#";
  }
  return out;
}

std::string share(size_t part, size_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return text;
}

class Sweep {
 public:
  Sweep(const SweepConfig& config, const std::string& folder, const StateReader& reader)
      : config_(config), folder_(folder), reader_(reader) {}

  SweepResult run() {
    const auto start = std::chrono::steady_clock::now();
    if (prepare()) {
      uint64_t number = 0;
      EventSchedule schedule;
      while (schedule.rounds() < config_.events_per_kind && !done_) {
        std::vector<PosEvent> events;
        std::string error;
        if (!schedule.next(writer_.get(), &events, &error)) {
          result_.problems.push_back("writer model, " + error);
          break;
        }
        for (const PosEvent& event : events) {
          if (done_) break;
          sweep_event(++number, event);
        }
      }
    }
    result_.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result_;
  }

 private:
  bool prepare() {
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    Installation installation;
    std::string error;
    std::unique_ptr<PosWriter> writer;
    if (!initial_installation(folder_, sweep_caps(), &installation, &error) ||
        !write_images(installation.images, folder_, &error) ||
        !(writer = PosWriter::open(installation, sweep_caps(), config_.seed, &error))) {
      result_.problems.push_back("installation: " + error);
      return false;
    }
    writer_ = std::move(writer);
    state_ = installation.images;
    content_ = installation.content;
    return true;
  }

  void sweep_event(uint64_t number, const PosEvent& event) {
    KindTally& tally = result_.kinds[static_cast<size_t>(event.kind)];
    const bool target = config_.replay && number == config_.replay_event;
    if (config_.replay && !target) {
      for (const WriteCall& w : event.writes) apply(w, &state_);
      content_ = event.after;
      return;
    }
    ++tally.events;
    const std::vector<ReportMembers> window = window_of(content_, event);
    for (size_t w = 0; w < event.writes.size(); ++w) {
      apply(event.writes[w], &state_);
      std::string error;
      if (target) {
        if (w + 1 < config_.replay_write) continue;
        if (!write_images(state_, folder_, &error)) result_.problems.push_back(error);
      } else if (!apply_to_folder(event.writes[w], folder_, &error)) {
        result_.problems.push_back(error);
        done_ = true;
        return;
      }
      read_state(number, w + 1, event, window, &tally);
      if (target) {
        std::cout << "[ torn sweep ] replayed seed " << config_.seed << " event " << number
                  << " write " << w + 1 << " (" << event_kind_name(event.kind) << ", "
                  << event_orders(event.kind)[event.order] << "): " << describe(event.writes[w])
                  << "; the state is kept in " << folder_ << "\n";
        done_ = true;
        return;
      }
    }
    content_ = event.after;
    const std::string index = check_index(state_.at("M_KURSMA.CDX"), content_);
    if (!index.empty()) {
      result_.problems.push_back("event " + std::to_string(number) + " (" +
                                 event_kind_name(event.kind) + "): " + index);
      done_ = true;
    }
  }

  void read_state(uint64_t number, size_t write, const PosEvent& event,
                  const std::vector<ReportMembers>& window, KindTally* tally) {
    ++tally->states;
    const ReaderRun run = reader_(folder_);
    const Verdict verdict = judge(run, window, [&]() -> std::optional<ReportMembers> {
      PosContent visible;
      if (!trusted_view(state_, event.after.currencies, &visible)) return std::nullopt;
      return expected_members(visible, visible.aktif);
    });
    if (!run.complete) {
      ++tally->failures;
      ++tally->failure_texts[without_numbers(run.failure)];
    }
    tally->unavoidable_lines += verdict.unavoidable;
    if (verdict.wrong.empty() && !config_.replay) return;
    tally->wrong_lines += verdict.wrong.size();
    if (!verdict.wrong.empty()) ++tally->wrong_states;
    if (result_.wrong.size() >= kWrongShown && !config_.replay) return;
    std::ostringstream text;
    text << "KX_TORN_REPLAY=" << config_.seed << ":" << number << ":" << write << " ("
         << event_kind_name(event.kind) << ", " << event_orders(event.kind)[event.order]
         << ", after " << describe(event.writes[write - 1])
         << "): " << (run.complete ? "complete report" : run.failure) << "; wrong:";
    for (const std::string& line : verdict.wrong) text << " " << line;
    text << "; shown:" << members_text(run.members);
    if (config_.replay) {
      text << "\n  expected before:" << members_text({window[0].begin(), window[0].end()})
           << "\n  expected after: " << members_text({window[1].begin(), window[1].end()})
           << "\n  output: " << run.output;
    }
    result_.wrong.push_back(text.str());
  }

  const SweepConfig config_;
  const std::string folder_;
  const StateReader& reader_;
  std::unique_ptr<PosWriter> writer_;
  FileImages state_;
  PosContent content_;
  SweepResult result_;
  bool done_ = false;
};

}  // namespace

TreeCaps sweep_caps() { return TreeCaps{16, 6}; }

SweepConfig sweep_config(size_t default_events, const std::string& reduced_because) {
  SweepConfig config;
  config.events_per_kind = default_events;
  config.reduced_because = reduced_because;
  if (const char* seed = std::getenv("KX_TORN_SEED"))
    config.seed = std::strtoull(seed, nullptr, 10);
  if (const char* events = std::getenv("KX_TORN_EVENTS")) {
    config.events_per_kind = std::strtoull(events, nullptr, 10);
    config.reduced_because.clear();
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

SweepResult run_sweep(const SweepConfig& config, const std::string& data_folder,
                      const StateReader& reader) {
  return Sweep(config, data_folder, reader).run();
}

std::string summary(const SweepResult& result, const SweepConfig& config,
                    const std::string& label) {
  std::ostringstream out;
  out << "[ torn sweep ] " << label << ": seed " << config.seed << ", " << config.events_per_kind
      << " events of each kind"
      << (config.reduced_because.empty() ? "" : " (fewer: " + config.reduced_because + ")") << ", "
      << result.seconds << " s\n";
  char line[256];
  const auto row = [&](const std::string& name, const KindTally& t) {
    std::snprintf(line, sizeof line,
                  "[ torn sweep ] %-26s events %6zu  states %7zu  wrong lines %6zu (in %zu states)"
                  "  unavoidable %5zu  failure outputs %6zu (%s)\n",
                  name.c_str(), t.events, t.states, t.wrong_lines, t.wrong_states,
                  t.unavoidable_lines, t.failures, share(t.failures, t.states).c_str());
    out << line;
  };
  KindTally total;
  for (size_t k = 0; k < kEventKinds; ++k) {
    const KindTally& t = result.kinds[k];
    row(event_kind_name(static_cast<EventKind>(k)), t);
    total.events += t.events;
    total.states += t.states;
    total.wrong_lines += t.wrong_lines;
    total.wrong_states += t.wrong_states;
    total.unavoidable_lines += t.unavoidable_lines;
    total.failures += t.failures;
    for (const auto& [text, n] : t.failure_texts) total.failure_texts[text] += n;
  }
  row("total", total);
  for (const auto& [text, n] : total.failure_texts)
    out << "[ torn sweep ]   " << n << " x " << text << "\n";
  return out.str();
}

}  // namespace kx::test
