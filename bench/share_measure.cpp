#include "share_measure.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "share_process.h"

namespace kx::bench {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The report with its clock time ("Aktif_Jam":"HH:MM:SS") blanked out.
std::string without_time(std::string report) {
  const std::string member = "\"Aktif_Jam\":\"";
  const size_t at = report.find(member);
  if (at == std::string::npos) return report;
  const size_t from = at + member.size();
  const size_t end = report.find('"', from);
  if (end != std::string::npos) report.replace(from, end - from, "--:--:--");
  return report;
}

bool fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

bool record(const ShareMount& mount, Measured* m, std::string* error, bool held = false) {
  FsCounts counts;
  uint64_t held_us = 0;
  if (!mount.take_counts(&counts, &held_us)) return fail(error, "cannot read the share_fs counts");
  if (held) m->held_us.push_back(held_us);
  if (m->kinds.empty()) {
    for (const auto& [kind, count] : counts) m->kinds.push_back(kind);
  }
  for (const auto& [kind, count] : counts) m->per_run[kind].push_back(count);
  return true;
}

bool timed(const fs::path& program, const Installation& at, std::vector<double>* walls,
           std::string* error) {
  const Run run = run_program({program.string()}, at.root.string());
  if (run.status != 0) return fail(error, program.string() + " failed");
  walls->push_back(run.seconds);
  return true;
}

bool check_report(const Installation& at, std::string* error) {
  const fs::path local = at.root / "report-local.out";
  const fs::path shared = at.root / "report-share.out";
  if (run_program({at.local_program().string()}, at.root.string(), local.string()).status != 0 ||
      run_program({at.share_program().string()}, at.root.string(), shared.string()).status != 0) {
    return fail(error, "the program failed on " + at.root.string());
  }
  if (without_time(read_file(local)) != without_time(read_file(shared))) {
    return fail(error, "the report through the mount differs: " + shared.string() + " against " +
                           local.string());
  }
  return true;
}

}  // namespace

bool measure_unheld(const Installation& at, const std::string& share_fs, int runs, bool trace,
                    Measured* m, std::string* error) {
  const auto mount = ShareMount::start(share_fs, at.data_folder(), at.mount_point(), 0, error);
  if (!mount || !check_report(at, error)) return false;
  FsCounts discarded;
  mount->take_counts(&discarded);
  for (int i = 0; i < runs; ++i) {
    if (!timed(at.local_program(), at, &m->local, error) ||
        !timed(at.share_program(), at, &m->share0, error) || !record(*mount, m, error)) {
      return false;
    }
  }
  if (trace && trace_folder_calls(at.share_program().string(), at.root.string(), at.mount_point(),
                                  at.root / "share.trace", &m->traced)) {
    mount->take_counts(&m->traced_counts);
  }
  if (trace) m->probes = probe_calls(*mount, at.mount_point(), "M_KONTRO.KV3");
  return true;
}

bool measure_held(const Installation& at, const std::string& share_fs, int runs, Measured* m,
                  std::string* error) {
  const auto mount = ShareMount::start(share_fs, at.data_folder(), at.mount_point(), 1, error);
  if (!mount) return false;
  for (int i = 0; i < runs; ++i) {
    if (!timed(at.share_program(), at, &m->share1, error) || !record(*mount, m, error, true)) {
      return false;
    }
  }
  return true;
}

}  // namespace kx::bench
