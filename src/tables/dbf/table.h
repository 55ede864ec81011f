// A table file (DBF) opened for reading, with its memo file when it has one.
#ifndef KX_TABLES_DBF_TABLE_H_
#define KX_TABLES_DBF_TABLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "runtime/values/value.h"
#include "tables/dbf/header.h"
#include "tables/dbf/memo_file.h"
#include "tables/paged_file.h"
#include "tables/status.h"

namespace kx::tables::dbf {

// One record's bytes, deletion flag first.
struct Record {
  uint32_t recno = 0;
  std::string bytes;
  bool deleted() const;
};

class Table {
 public:
  // Reads and checks the header of file, and a small table (16 KiB at most)
  // whole, with as few calls as the file allows. memo is the memo file, or
  // nullptr when there is none (memo fields then read as empty text). On
  // failure returns nullptr and sets *status: corruption (32) when the header
  // is damaged or the file ends inside it, a read error (23) when a read
  // fails; the status names the table file.
  static std::unique_ptr<Table> open(std::unique_ptr<platform::RandomAccessFile> file,
                                     std::unique_ptr<MemoFile> memo, Status* status);

  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::string& name() const { return file_.name(); }
  const TableLayout& layout() const { return layout_; }
  uint8_t version() const { return layout_.prefix.version; }
  // The visible fields in record order (the hidden null-flag field is not
  // one of them).
  const std::vector<Field>& fields() const { return layout_.fields; }
  const MemoFile* memo() const { return memo_.get(); }
  // Gives the table its memo file after opening (for a caller that learns
  // from the header whether one is needed). Replaces any earlier one.
  void attach_memo(std::unique_ptr<MemoFile> memo) { memo_ = std::move(memo); }

  // Reads the header's record count again from the file, since another
  // application may append while the table is open, and sets *count to the
  // number of records that lie wholly inside the file: the header's count,
  // or fewer when the file is shorter (its size is asked again only when the
  // count needs more than the size known so far). Corruption when the header
  // length or record length changed since the table was opened.
  Status refresh(uint32_t* count);
  // The count found when the table was opened or last refreshed, and the
  // count the header stated then (more when the file does not hold them all).
  uint32_t record_count() const { return record_count_; }
  uint32_t stated_count() const { return stated_count_; }

  // Reads record recno (1-based), from the pages kept or (kFromFile) from
  // the file. Corruption when recno is 0 or beyond the count of the last
  // refresh, or when the record starts with neither a blank nor an asterisk;
  // a read error when the read fails or the file ends inside the record.
  Status read_record(uint32_t recno, Record* record,
                     PagedFile::Freshness freshness = PagedFile::Freshness::kKept);
  // As read_record, for a record past the count too (one that another
  // application is appending): a read error when the file does not hold it
  // whole yet.
  Status read_any_record(uint32_t recno, Record* record, PagedFile::Freshness freshness);

  // The value of visible field index (0-based, < fields().size()) in record,
  // reading memo values from the memo file. A failed memo read is an error.
  Status value(const Record& record, size_t index, Value* value);

  // Calls made to the table file so far.
  uint64_t read_count() const { return file_.calls(); }

 private:
  Table(std::unique_ptr<platform::RandomAccessFile> file, std::unique_ptr<MemoFile> memo)
      : file_(std::move(file)), memo_(std::move(memo)) {}

  Status read_layout();
  Status count_records(uint32_t stated, uint32_t* count);

  PagedFile file_;
  std::unique_ptr<MemoFile> memo_;
  TableLayout layout_;
  uint32_t record_count_ = 0;
  uint32_t stated_count_ = 0;
};

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_TABLE_H_
