// Compound index costs: seeks and walks in a tag of 10,000 and of 1,000,000
// keys made by the table writer. Reports page reads per seek (the tree depth
// plus the re-read tag header) and the growth of resident memory while the
// benchmark runs, which must not depend on the size of the index.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "tables/byte_source.h"
#include "tables/cdx/index_file.h"
#include "tablewriter/cdx_writer.h"

namespace kx::tables::cdx {
namespace {

constexpr int kDaysPerCurrency = 1000;

// A rate-table key: the currency number in 10 digits, then YYYYMMDD.
std::string rate_key(int currency, int day) {
  char text[32];
  const int year = 2000 + day / 336, month = 1 + (day / 28) % 12, dom = 1 + day % 28;
  std::snprintf(text, sizeof text, "%010d%04d%02d%02d", currency, year, month, dom);
  return text;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The temp folder of the built indexes, removed when the program ends.
struct BenchFolder {
  BenchFolder()
      : path(std::filesystem::temp_directory_path() /
             ("kx_cdx_bench_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  const std::filesystem::path path;
};

// Builds (once per size) an index of one tag with n keys in a temp folder.
const std::string& index_path(int n) {
  static BenchFolder bench_folder;
  static std::map<int, std::string> paths;
  auto found = paths.find(n);
  if (found != paths.end()) return found->second;
  const std::filesystem::path& folder = bench_folder.path;
  const std::string path = (folder / ("rates_" + std::to_string(n) + ".cdx")).string();
  writer::CdxTagSpec tag;
  tag.name = "MU_TGL";
  tag.key_expression = "PADL(mauang_id,10,\"0\")+DTOS(tanggal)";
  tag.key_length = 18;
  tag.entries.reserve(n);
  for (int i = 0; i < n; ++i) {
    tag.entries.push_back(
        {rate_key(1 + i / kDaysPerCurrency, i % kDaysPerCurrency), static_cast<uint32_t>(i + 1)});
  }
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  if (!writer::write_cdx(path, {tag}, {}, &error)) std::fprintf(stderr, "%s\n", error.c_str());
  std::fprintf(stderr, "wrote %d keys to %s (%.0f KiB) in %.2f s\n", n, path.c_str(),
               static_cast<double>(std::filesystem::file_size(path)) / 1024, seconds_since(start));
  return paths[n] = path;
}

std::unique_ptr<IndexFile> open_index(int n) {
  Status status;
  std::unique_ptr<ByteSource> source = open_file_source(index_path(n), false, false, &status);
  if (!source) return nullptr;
  return IndexFile::open(std::move(source), &status);
}

// Resident set size in KiB, from /proc.
long resident_kib() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int tree_depth(IndexFile* index) {
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  const uint64_t before = index->read_count();
  cursor->seek_first();
  return static_cast<int>(index->read_count() - before) - 1;
}

void report(benchmark::State& state, IndexFile* index, uint64_t reads, long rss_before, int seeks) {
  state.counters["depth"] = tree_depth(index);
  state.counters["reads_per_seek"] = seeks ? static_cast<double>(reads) / seeks : 0;
  state.counters["rss_growth_kib"] = static_cast<double>(resident_kib() - rss_before);
}

void BM_SeekExactKey(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::unique_ptr<IndexFile> index = open_index(n);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  std::mt19937 random(42);
  const long rss = resident_kib();
  const uint64_t reads = index->read_count();
  int seeks = 0, found = 0;
  for (auto _ : state) {
    const int i = static_cast<int>(random() % n);
    const std::string key = rate_key(1 + i / kDaysPerCurrency, i % kDaysPerCurrency);
    cursor->seek(key);
    found += cursor->valid() && cursor->key() == key;
    ++seeks;
  }
  if (found != seeks) state.SkipWithError("a key was not found");
  report(state, index.get(), index->read_count() - reads, rss, seeks);
}
BENCHMARK(BM_SeekExactKey)->Arg(10000)->Arg(1000000);

// The rate lookup's window step: a month prefix that usually has no exact key.
void BM_SoftSeekMonthPrefix(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::unique_ptr<IndexFile> index = open_index(n);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  std::mt19937 random(7);
  const long rss = resident_kib();
  const uint64_t reads = index->read_count();
  int seeks = 0;
  for (auto _ : state) {
    const int i = static_cast<int>(random() % n);
    cursor->seek(rate_key(1 + i / kDaysPerCurrency, i % kDaysPerCurrency).substr(0, 16));
    benchmark::DoNotOptimize(cursor->valid());
    ++seeks;
  }
  report(state, index.get(), index->read_count() - reads, rss, seeks);
}
BENCHMARK(BM_SoftSeekMonthPrefix)->Arg(10000)->Arg(1000000);

void BM_WalkForward(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::unique_ptr<IndexFile> index = open_index(n);
  std::unique_ptr<TagCursor> cursor = index->cursor(0);
  const long rss = resident_kib();
  const uint64_t reads = index->read_count();
  cursor->seek_first();
  int64_t steps = 0;
  for (auto _ : state) {
    cursor->next();
    if (!cursor->valid()) cursor->seek_first();
    ++steps;
  }
  state.SetItemsProcessed(steps);
  state.counters["reads_per_1000_steps"] =
      1000.0 * static_cast<double>(index->read_count() - reads) / static_cast<double>(steps);
  state.counters["rss_growth_kib"] = static_cast<double>(resident_kib() - rss);
}
BENCHMARK(BM_WalkForward)->Arg(10000)->Arg(1000000);

void BM_OpenIndex(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  index_path(n);
  for (auto _ : state) {
    std::unique_ptr<IndexFile> index = open_index(n);
    benchmark::DoNotOptimize(index.get());
  }
}
BENCHMARK(BM_OpenIndex)->Arg(10000)->Arg(1000000);

void BM_WriteIndex(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  writer::CdxTagSpec tag;
  tag.name = "MU_TGL";
  tag.key_length = 18;
  for (int i = 0; i < n; ++i) {
    tag.entries.push_back(
        {rate_key(1 + i / kDaysPerCurrency, i % kDaysPerCurrency), static_cast<uint32_t>(i + 1)});
  }
  for (auto _ : state) benchmark::DoNotOptimize(writer::build_cdx({tag}).size());
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_WriteIndex)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kx::tables::cdx

BENCHMARK_MAIN();
