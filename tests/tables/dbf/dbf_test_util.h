// Opening writer-made tables from memory in the table tests.
#ifndef KX_TESTS_TABLES_DBF_DBF_TEST_UTIL_H_
#define KX_TESTS_TABLES_DBF_DBF_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/memory_file.h"
#include "tables/dbf/table.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {

// A file in memory that a test can change while a reader holds it open,
// like a table that another application appends to.
using SharedBytesSource = MemoryFile;

struct OpenedTable {
  std::unique_ptr<tables::dbf::Table> table;
  tables::Status status;
};

// Opens the table bytes (and memo bytes when not empty) held in memory under
// the names T.DBF and T.FPT.
inline OpenedTable open_memory_table(const std::string& dbf, const std::string& memo = "") {
  OpenedTable out;
  std::unique_ptr<tables::dbf::MemoFile> memo_file;
  if (!memo.empty()) {
    memo_file = tables::dbf::MemoFile::open(memory_file("T.FPT", memo), &out.status);
    if (!memo_file) return out;
  }
  out.table =
      tables::dbf::Table::open(memory_file("T.DBF", dbf), std::move(memo_file), &out.status);
  return out;
}

inline OpenedTable open_memory_table(const writer::DbfFiles& files) {
  return open_memory_table(files.dbf, files.memo);
}

// The values of every visible field of record recno; fails the test on error.
inline std::vector<Value> record_values(tables::dbf::Table* table, uint32_t recno) {
  std::vector<Value> values;
  tables::dbf::Record record;
  tables::Status s = table->read_record(recno, &record);
  EXPECT_TRUE(s.ok()) << s.description();
  if (!s.ok()) return values;
  for (size_t i = 0; i < table->fields().size(); ++i) {
    Value v;
    s = table->value(record, i, &v);
    EXPECT_TRUE(s.ok()) << s.description();
    values.push_back(v);
  }
  return values;
}

}  // namespace kx::test

#endif  // KX_TESTS_TABLES_DBF_DBF_TEST_UTIL_H_
