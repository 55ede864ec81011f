// Fuzzes the table and memo readers: open, then read every field of every
// record. An input is a 4-byte little-endian length n, then n bytes of table
// file, then the memo file's bytes (none when the input ends there).
//
// Seeds: `dbf_fuzz --write-seeds=DIR` writes tables made by the table writer
// into DIR and exits (libFuzzer ignores flags that begin with "--").
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/memory_file.h"
#include "tables/dbf/table.h"
#include "tablewriter/dbf_writer.h"

namespace {

using kx::Date;
using kx::writer::Cell;
using kx::writer::DbfFiles;
using kx::writer::DbfSpec;
using kx::writer::Row;

std::string pack(const DbfFiles& files) {
  std::string out(4, '\0');
  const uint32_t n = static_cast<uint32_t>(files.dbf.size());
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  return out + files.dbf + files.memo;
}

std::vector<DbfFiles> seed_tables() {
  std::vector<DbfFiles> seeds;
  seeds.push_back(
      kx::writer::build_dbf(kx::writer::all_types_spec(), kx::writer::all_types_rows()));
  DbfSpec fox2{0xF5, {{"ID", 'C', 4}, {"DATA", 'M'}, {"N", 'N', 6, 2}}};
  fox2.memo_block_size = 33;
  seeds.push_back(
      kx::writer::build_dbf(fox2, {{{"a", "first"}}, {{"b", std::string(70, 'z'), 3.5}}}));
  DbfSpec plain{0x03, {{"KODE", 'C', 3}, {"KURS", 'N', 12, 2}, {"TGL", 'D'}}};
  plain.end_marker = false;
  plain.stated_record_count = 5;
  seeds.push_back(kx::writer::build_dbf(
      plain, {{{"USD", 15000.5, Date::from_ymd(2026, 3, 1)}}, {{"EUR", "*****", "        "}}}));
  DbfSpec empty{0x30, {{"A", 'C', 1}}};
  seeds.push_back(kx::writer::build_dbf(empty, {}));
  return seeds;
}

void write_seeds(const std::string& folder) {
  int n = 0;
  for (const DbfFiles& files : seed_tables()) {
    const std::string path = folder + "/seed" + std::to_string(++n);
    if (!kx::writer::write_file(path, pack(files))) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
  }
  std::fprintf(stderr, "wrote %d seeds to %s\n", n, folder.c_str());
  std::exit(0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const char kFlag[] = "--write-seeds=";
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], kFlag, sizeof kFlag - 1) == 0)
      write_seeds((*argv)[i] + sizeof kFlag - 1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kx::tables;
  std::string dbf(reinterpret_cast<const char*>(data), size);
  std::string memo;
  if (size >= 4) {
    const uint32_t n = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                       (static_cast<uint32_t>(data[2]) << 16) |
                       (static_cast<uint32_t>(data[3]) << 24);
    const size_t dbf_size = n < size - 4 ? n : size - 4;
    dbf = std::string(reinterpret_cast<const char*>(data) + 4, dbf_size);
    memo = std::string(reinterpret_cast<const char*>(data) + 4 + dbf_size, size - 4 - dbf_size);
  }
  Status status;
  std::unique_ptr<dbf::MemoFile> memo_file;
  if (!memo.empty()) memo_file = dbf::MemoFile::open(kx::test::memory_file("F.FPT", memo), &status);
  auto table = dbf::Table::open(kx::test::memory_file("F.DBF", dbf), std::move(memo_file), &status);
  if (!table) return 0;
  uint32_t count = 0;
  if (!table->refresh(&count).ok()) return 0;
  for (uint32_t recno = 1; recno <= count; ++recno) {
    dbf::Record record;
    // A counted record reads, unless it does not start with a deletion flag
    // (damage, reported as such).
    const Status read = table->read_record(recno, &record);
    if (!read.ok()) {
      const dbf::HeaderPrefix& prefix = table->layout().prefix;
      const uint64_t at = prefix.header_length + uint64_t{recno - 1} * prefix.record_length;
      const char flag = at < dbf.size() ? dbf[at] : ' ';
      if (read.gencode() != kx::kGenCorruption || flag == ' ' || flag == '*') __builtin_trap();
      continue;
    }
    for (size_t i = 0; i < table->fields().size(); ++i) {
      kx::Value value;
      if (!table->value(record, i, &value).ok()) __builtin_trap();
    }
  }
  return 0;
}
