// The driver under read faults: whichever read of the table, its memo file
// or its index fails or comes back short, the operation that made it fails
// with a read error naming that file, and nothing before it returned wrong
// data.
#include <gtest/gtest.h>

#include <cctype>

#include "support/testing/child_process.h"
#include "support/testing/faulty_env.h"
#include "tables/cdx/key_encoding.h"
#include "tables/work_area.h"
#include "tablewriter/cdx_writer.h"
#include "tablewriter/dbf_writer.h"

namespace kx::tables {
namespace {

using test::ReadFault;

constexpr int kRecords = 30;
constexpr uint64_t kMaxReads = 2000;

// Windows opens the memo and index under the table name's letter case.
std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string kode(int i) { return "K" + std::to_string(i); }

// Long enough from record 20 on to fill more than one memo block.
std::string note(int i) {
  return "note " + std::to_string(i) + std::string(static_cast<size_t>(i * 5), 'x');
}

class ReadFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = test::scratch_path("NOTES.KV3");
    writer::DbfSpec spec{0x30, {{"ID", 'N', 4}, {"KODE", 'C', 5}, {"CATATAN", 'M'}}};
    spec.table_flags = 0x03;
    std::vector<writer::Row> rows;
    writer::CdxTagSpec tag{"ID", "ID", "", 8, '\0'};
    for (int i = 1; i <= kRecords; ++i) {
      rows.push_back(writer::Row{{i, kode(i), note(i)}});
      tag.entries.push_back({cdx::encode_numeric(i), static_cast<uint32_t>(i)});
    }
    ASSERT_TRUE(writer::write_dbf(path_, spec, rows));
    writer::CdxWriteOptions options;
    options.max_leaf_entries = 4;  // a tree of several levels
    ASSERT_TRUE(writer::write_cdx(test::scratch_path("NOTES.cdx"), {tag}, options));
  }

  // Opens the table, walks it in ID order reading every field, and seeks
  // three keys. OK only when every value read was the one written.
  Status workload() {
    Status status;
    std::unique_ptr<WorkArea> area = WorkArea::open(path_, "NOTES", {}, &status);
    if (!area) return status;
    status = area->set_order("ID");
    if (status.ok()) status = area->go_top();
    int seen = 0;
    while (status.ok() && !area->eof() && seen <= kRecords) {
      ++seen;
      status = check_record(area.get(), seen);
      if (status.ok()) status = area->skip(1);
    }
    if (!status.ok()) return status;
    if (seen != kRecords)
      return Status::corruption(path_, "walked " + std::to_string(seen) + " records");
    for (int id : {7, kRecords, 99}) {
      status = area->seek(Value::integer(id), false);
      if (!status.ok()) return status;
      if (area->found() != (id <= kRecords))
        return Status::corruption(path_, "seek " + std::to_string(id));
      if (area->found()) {
        const Status s = check_record(area.get(), id);
        if (!s.ok()) return s;
      }
    }
    return Status();
  }

  Status check_record(WorkArea* area, int i) {
    Value id;
    Value k;
    Value memo;
    Status s = area->field_get(1, &id);
    if (s.ok()) s = area->field_get(2, &k);
    if (s.ok()) s = area->field_get(3, &memo);
    if (!s.ok()) return s;
    if (id.to_double() != i || k.as_string() != kode(i) + std::string(5 - kode(i).size(), ' ') ||
        memo.as_string() != note(i)) {
      return Status::corruption(path_, "record " + std::to_string(i) + " read wrong");
    }
    return Status();
  }

  // Arms fault at every read of the file in turn, until the workload no
  // longer reaches the Nth read. A fired fault must fail the workload with a
  // read error naming the file, unless may_recover: then the workload may
  // also succeed (every value checked) because the read was made again.
  // Returns how many reads failed the workload.
  uint64_t sweep(ReadFault fault, const std::string& leaf, bool may_recover = false) {
    uint64_t failed = 0;
    uint64_t n = 1;
    for (; n < kMaxReads; ++n) {
      faulty_.arm({fault, n, leaf});
      const Status s = workload();
      const std::string fired = faulty_.fired_path();
      faulty_.disarm();
      if (fired.empty()) {
        EXPECT_TRUE(s.ok()) << "read " << n << ": " << s.description();
        break;
      }
      if (s.ok() && may_recover) continue;
      ++failed;
      EXPECT_EQ(s.gencode(), kGenRead) << leaf << " read " << n << ": " << s.description();
      EXPECT_NE(upper(s.filename()).find(upper(leaf)), std::string::npos)
          << "read " << n << " names " << s.filename();
      if (::testing::Test::HasFailure()) break;
    }
    EXPECT_LT(n, kMaxReads);
    return failed;
  }

  test::FaultyEnv faulty_;
  std::string path_;
};

TEST_F(ReadFaultTest, WorkloadPassesWithoutFaults) {
  EXPECT_TRUE(workload().ok()) << workload().description();
}

// Each file is read in a handful of calls, each byte once; a failed call
// fails the operation that made it. A call that comes back short is believed
// only when the file's size agrees, so it is made good by reading again.
TEST_F(ReadFaultTest, EveryFailedReadOfEachFileFailsItsOperation) {
  const struct {
    const char* file;
    uint64_t reads;  // at least this many calls can fail
  } cases[] = {{"NOTES.KV3", 1}, {"NOTES.fpt", 5}, {"NOTES.cdx", 1}};
  for (const auto& c : cases) {
    EXPECT_GE(sweep(ReadFault::kFailOnce, c.file), c.reads) << c.file;
    EXPECT_GE(sweep(ReadFault::kFailPersistent, c.file), c.reads) << c.file;
    EXPECT_EQ(sweep(ReadFault::kShort, c.file, true), 0u) << c.file;
  }
}

}  // namespace
}  // namespace kx::tables
