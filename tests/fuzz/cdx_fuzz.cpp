// Fuzz target for the compound index reader: any bytes as an index file; every
// tag is sought with keys taken from the input and walked both ways for a
// bounded number of steps.
//
// With KX_CDX_FUZZ_SEEDS=<folder> in the environment it first writes seed
// indexes made by the table writer into that folder and exits.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/env.h"
#include "support/memory_file.h"
#include "tables/cdx/index_file.h"
#include "tables/cdx/key_encoding.h"
#include "tablewriter/cdx_writer.h"

namespace kx::tables::cdx {
namespace {

using writer::CdxTagSpec;

CdxTagSpec integers(const char* name, int n, bool descending) {
  CdxTagSpec tag;
  tag.name = name;
  tag.key_expression = "id";
  tag.key_length = 4;
  tag.fill = '\0';
  tag.descending = descending;
  for (int i = 1; i <= n; ++i)
    tag.entries.push_back({encode_integer(i * 3 - 50), static_cast<uint32_t>(i)});
  return tag;
}

CdxTagSpec texts(const char* name, int n, uint16_t key_length) {
  CdxTagSpec tag;
  tag.name = name;
  tag.key_expression = "PADL(mauang_id,10,\"0\")+DTOS(tanggal)";
  tag.for_expression = ".NOT.DELETED()";
  tag.key_length = key_length;
  for (int i = 1; i <= n; ++i) {
    std::string text = std::to_string(1000 + (i * 7919) % 997) + "2024";
    tag.entries.push_back(
        {writer::char_key(text, key_length), static_cast<uint32_t>(i), i % 5 != 0});
  }
  return tag;
}

CdxTagSpec dates(const char* name, int n) {
  CdxTagSpec tag;
  tag.name = name;
  tag.key_expression = "tanggal";
  tag.key_length = 9;
  tag.fill = '\0';
  tag.nullable = true;
  for (int i = 1; i <= n; ++i) {
    tag.entries.push_back(
        {std::string(1, '\x80') + encode_date(Date::from_julian(2450000 + i % 40)),
         static_cast<uint32_t>(i)});
  }
  return tag;
}

void write_seeds(const std::string& folder) {
  const std::vector<std::pair<std::vector<CdxTagSpec>, writer::CdxWriteOptions>> seeds = {
      {{integers("ID", 5, false)}, {}},
      {{integers("ID", 40, false), texts("MU_TGL", 30, 18)}, {3, 2}},
      {{integers("DOWN", 60, true)}, {4, 3}},
      {{texts("NAME", 120, 12), dates("TANGGAL", 50)}, {}},
      {{dates("TANGGAL", 300)}, {8, 4}},
      {{integers("EMPTY", 0, false), texts("CODE", 9, 4)}, {}},
  };
  for (size_t i = 0; i < seeds.size(); ++i) {
    writer::write_cdx(folder + "/seed" + std::to_string(i) + ".cdx", seeds[i].first,
                      seeds[i].second);
  }
}

std::string slice(const uint8_t* data, size_t size, size_t at, size_t length) {
  if (size == 0) return std::string();
  at %= size;
  if (length > size - at) length = size - at;
  return std::string(reinterpret_cast<const char*>(data) + at, length);
}

void exercise(TagCursor* cursor, const std::vector<std::string>& probes) {
  for (const std::string& probe : probes) {
    cursor->seek(probe);
    for (int i = 0; i < 50 && cursor->valid(); ++i) cursor->next();
    for (int i = 0; i < 50 && cursor->valid(); ++i) cursor->prev();
  }
  int steps = 0;
  for (cursor->seek_first(); cursor->valid() && steps < 3000; ++steps) cursor->next();
  for (cursor->seek_last(); cursor->valid() && steps < 6000; ++steps) cursor->prev();
  if (cursor->valid()) (void)cursor->key(), (void)cursor->recno();
}

// A bytes-in-memory index never changes while it is read: the reader's waits
// for a writer would only slow every damaged input by their full length.
class NoWaitEnv : public platform::EnvWrapper {
 public:
  NoWaitEnv() : EnvWrapper(&platform::env()) {}
  void sleep_ms(uint32_t) override {}
};

}  // namespace
}  // namespace kx::tables::cdx

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* folder = std::getenv("KX_CDX_FUZZ_SEEDS")) {
    kx::tables::cdx::write_seeds(folder);
    std::exit(0);
  }
  static kx::tables::cdx::NoWaitEnv no_wait;
  kx::platform::set_env(&no_wait);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kx::tables;
  Status status;
  std::unique_ptr<cdx::IndexFile> index = cdx::IndexFile::open(
      kx::test::memory_file("FUZZ.CDX", std::string(reinterpret_cast<const char*>(data), size)),
      &status);
  if (!index) return 0;
  for (size_t t = 0; t < index->tags().size() && t < 16; ++t) {
    const cdx::TagInfo& tag = index->tags()[t];
    const std::vector<std::string> probes = {
        std::string(), std::string(tag.key_length, '\xFF'),
        cdx::slice(data, size, size / 3, tag.key_length),
        cdx::slice(data, size, size / 2 + 7, tag.key_length / 2 + 1),
        cdx::slice(data, size, size - 1, 1)};
    std::unique_ptr<cdx::TagCursor> cursor = index->cursor(t);
    cdx::exercise(cursor.get(), probes);
    uint64_t count = 0;
    (void)index->key_count(t, &count);
  }
  return 0;
}
