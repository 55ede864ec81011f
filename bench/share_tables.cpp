#include "share_tables.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace kx::bench {
namespace {

// Closes of files and of listings, shown apart from the other round trips.
bool is_close(const std::string& kind) {
  return kind == "flush" || kind == "release" || kind == "releasedir";
}
bool is_round_trip(const std::string& kind) { return !is_close(kind) && kind != "forget"; }

double median_ms(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2] * 1000;
}

uint64_t median(std::vector<uint64_t> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// "12", or "12 (10 to 14)" when the runs did not all count the same.
std::string count_cell(const std::vector<uint64_t>& runs) {
  if (runs.empty()) return "0";
  const auto [low, high] = std::minmax_element(runs.begin(), runs.end());
  std::string cell = std::to_string(median(runs));
  if (*low != *high) cell += " (" + std::to_string(*low) + " to " + std::to_string(*high) + ")";
  return cell;
}

uint64_t median_sum(const Measured& m, bool (*wanted)(const std::string&)) {
  uint64_t sum = 0;
  for (const auto& [kind, runs] : m.per_run) {
    if (wanted(kind)) sum += median(runs);
  }
  return sum;
}

std::string cost_text(const FsCounts& cost) {
  std::string text;
  for (const auto& [kind, count] : cost) {
    text += (text.empty() ? "" : ", ") + kind + (count > 1 ? " x" + std::to_string(count) : "");
  }
  return text.empty() ? "none" : text;
}

}  // namespace

void print_counts(const std::vector<Measured>& all) {
  std::printf(
      "\nshare_fs operations per run on the data folder (median of every run at 0 and 1 ms):\n\n");
  std::printf("| operation |");
  for (const Measured& m : all) std::printf(" %s |", m.label.c_str());
  std::printf("\n|---|");
  for (size_t i = 0; i < all.size(); ++i) std::printf("---|");
  std::printf("\n");
  std::vector<std::string> unused;
  for (const std::string& kind : all.front().kinds) {
    const bool seen = std::any_of(
        all.begin(), all.end(), [&](const Measured& m) { return median(m.per_run.at(kind)) > 0; });
    if (!seen) {
      unused.push_back(kind);
      continue;
    }
    std::printf("| %s |", kind.c_str());
    for (const Measured& m : all) std::printf(" %s |", count_cell(m.per_run.at(kind)).c_str());
    std::printf("\n");
  }
  std::printf("| **round trips** (all but closes and forget) |");
  for (const Measured& m : all)
    std::printf(" **%llu** |", static_cast<unsigned long long>(median_sum(m, is_round_trip)));
  std::printf("\n| closes (flush, release, releasedir) |");
  for (const Measured& m : all)
    std::printf(" %llu |", static_cast<unsigned long long>(median_sum(m, is_close)));
  std::printf("\n\nNever asked for:");
  for (const std::string& kind : unused) std::printf(" %s", kind.c_str());
  std::printf(".\n");
}

void print_walls(const std::vector<Measured>& all, int runs) {
  std::printf("\nMedian wall time per run (ms), %d runs each:\n\n", runs);
  std::printf(
      "| installation | local | share, 0 ms per request | share, 1 ms per request | added by "
      "the 1 ms | per held request | of which held |\n|---|---|---|---|---|---|---|\n");
  for (const Measured& m : all) {
    const double s0 = median_ms(m.share0), s1 = median_ms(m.share1);
    // Every request but a forget is held, closes too.
    const double held = static_cast<double>(median_sum(m, is_round_trip) + median_sum(m, is_close));
    const double held_ms = static_cast<double>(median(m.held_us)) / 1000;
    std::printf("| %s | %.2f | %.2f | %.1f | %.1f | %.3f | %.3f |\n", m.label.c_str(),
                median_ms(m.local), s0, s1, s1 - s0, held == 0 ? 0.0 : (s1 - s0) / held,
                held == 0 ? 0.0 : held_ms / held);
  }
}

void print_trace(const Measured& m) {
  if (m.traced.empty()) {
    std::printf("\n(strace is not installed or failed: no comparison with the program's calls)\n");
    return;
  }
  std::printf("\n%s, one run under strace: the program's system calls on the data folder\n\n",
              m.label.c_str());
  std::printf("| system call | calls | of which failed |\n|---|---|---|\n");
  for (const CallCount& c : m.traced) {
    std::printf("| %s | %llu | %llu |\n", c.call.c_str(), static_cast<unsigned long long>(c.count),
                static_cast<unsigned long long>(c.failed));
  }
  std::printf("\nand the share_fs operations of that run:\n\n| operation | count |\n|---|---|\n");
  for (const auto& [kind, count] : m.traced_counts) {
    if (count > 0)
      std::printf("| %s | %llu |\n", kind.c_str(), static_cast<unsigned long long>(count));
  }
}

void print_probes(const std::vector<ProbedCall>& probes) {
  if (probes.empty()) {
    std::printf("\n(a probed call failed: no per-call costs)\n");
    return;
  }
  std::printf("\nsingle calls on the mount (M_KONTRO.KV3) and the operations each cost:\n\n");
  std::printf("| system call | share_fs operations |\n|---|---|\n");
  for (const ProbedCall& p : probes) {
    std::printf("| %s | %s |\n", p.call.c_str(), cost_text(p.cost).c_str());
  }
}

}  // namespace kx::bench
