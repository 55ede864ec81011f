// A table file (DBF) opened for reading, with its memo file when it has one.
#ifndef KX_TABLES_DBF_TABLE_H_
#define KX_TABLES_DBF_TABLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/values/value.h"
#include "tables/byte_source.h"
#include "tables/dbf/header.h"
#include "tables/dbf/memo_file.h"
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
  // Reads and checks the header of source. memo is the memo file, or nullptr
  // when there is none (memo fields then read as empty text). On failure
  // returns nullptr and sets *status: corruption (32) when the header is
  // damaged or the file ends inside it, a read error (23) when a read fails;
  // the status names the table file.
  static std::unique_ptr<Table> open(std::unique_ptr<ByteSource> source,
                                     std::unique_ptr<MemoFile> memo, Status* status);

  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::string& name() const { return source_->name(); }
  const TableLayout& layout() const { return layout_; }
  uint8_t version() const { return layout_.prefix.version; }
  // The visible fields in record order (the hidden null-flag field is not
  // one of them).
  const std::vector<Field>& fields() const { return layout_.fields; }
  const MemoFile* memo() const { return memo_.get(); }
  // Gives the table its memo file after opening (for a caller that learns
  // from the header whether one is needed). Replaces any earlier one.
  void attach_memo(std::unique_ptr<MemoFile> memo) { memo_ = std::move(memo); }

  // Re-reads the header's record count, since another application may
  // append while the table is open, and sets *count to the number of records
  // that lie wholly inside the file: the header's count, or fewer when the
  // file is shorter (its size is asked again when the count needs more than
  // the size known so far, or after a failed read). Corruption when the
  // header length or record length changed since the table was opened.
  Status refresh(uint32_t* count);
  // The count found by the last refresh (open does one).
  uint32_t record_count() const { return record_count_; }

  // Reads record recno (1-based). Corruption when recno is 0 or beyond the
  // count of the last refresh; a read error when the read fails.
  Status read_record(uint32_t recno, Record* record);

  // The value of visible field index (0-based, < fields().size()) in record,
  // reading memo values from the memo file. A failed memo read is an error.
  Status value(const Record& record, size_t index, Value* value);

 private:
  Table(std::unique_ptr<ByteSource> source, std::unique_ptr<MemoFile> memo, TableLayout layout)
      : source_(std::move(source)), memo_(std::move(memo)), layout_(std::move(layout)) {}

  const std::unique_ptr<ByteSource> source_;
  std::unique_ptr<MemoFile> memo_;
  const TableLayout layout_;
  uint32_t record_count_ = 0;
  uint64_t known_size_ = 0;  // the file's size when last asked
};

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_TABLE_H_
