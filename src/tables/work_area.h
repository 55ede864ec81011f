// A work area: one open table with its compound index, a current record, a
// current order and the end-of-file, beginning-of-file and found flags.
//
// Another application may append records and insert their keys while the
// area is open, one write at a time. The area reads the table's header once
// and again only when the index names a record past the count it knows. An
// index entry whose record is not written yet (past the header's count even
// when read again, or at the end of the table and not fully written, or not
// holding the entry's key) is a change not finished: the area passes it by,
// as if the entry were not there yet. Each operation returns a Status: a
// damaged or unreadable file gives generic code 32 or 23 naming the file;
// after such a failure the area stands on the blank record past the end.
#ifndef KX_TABLES_WORK_AREA_H_
#define KX_TABLES_WORK_AREA_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "runtime/values/value.h"
#include "tables/cdx/index_file.h"
#include "tables/dbf/table.h"
#include "tables/entry_check.h"
#include "tables/status.h"

namespace kx::tables {

// Field-information codes.
constexpr uint32_t kFieldInfoName = 1;
constexpr uint32_t kFieldInfoType = 2;
constexpr uint32_t kFieldInfoWidth = 3;
constexpr uint32_t kFieldInfoDecimals = 4;

// The scope record handed to the driver around a seek. top and bottom nil
// (all zero) mean no limits; last asks a seek for the last matching key.
struct ScopeRecord {
  Value top;
  Value bottom;
  bool last = false;
};

class WorkArea {
 public:
  // Opens the table at path under alias (upper-cased; empty: the file's base
  // name) as options say, with its memo file and, when one exists, the index
  // file of the same base name and extension CDX. An index whose name
  // differs in letter case is looked for only when an order is first asked
  // for. The area starts at the first record in record order. On failure
  // returns nullptr and sets *status.
  static std::unique_ptr<WorkArea> open(const std::string& path, const std::string& alias,
                                        const platform::OpenOptions& options, Status* status);
  // An area over a table and an index that the caller opened itself (index
  // may be nullptr), for tools: an index typed with other field names, a
  // container's index, or none when the index cannot be read. alias as for
  // open (empty: the table file's base name). The area starts at the first
  // record in record order; on failure returns nullptr and sets *status.
  static std::unique_ptr<WorkArea> adopt(std::unique_ptr<dbf::Table> table,
                                         std::unique_ptr<cdx::IndexFile> index,
                                         const std::string& alias, Status* status);

  ~WorkArea();
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;

  const std::string& alias() const { return alias_; }
  dbf::Table& table() { return *table_; }
  // The index file, or nullptr when the table has none (looked for in another
  // letter case first, when it was not found under its likely name) or it
  // cannot be read.
  cdx::IndexFile* index() {
    (void)find_index();
    return index_.get();
  }

  // ---- Order ----
  // Makes the tag named name (letter case ignored) the current order.
  // kGenNoOrder when there is no index, no such tag, the tag cannot give an
  // order (other collation, bitmap tag), or index_file is given and does not
  // name this area's index file (its base name, extension and folder
  // optional); the index's own error when the one found in another letter
  // case cannot be read. The current record stays where it is.
  Status set_order(std::string_view name, std::string_view index_file = "");
  // By 1-based tag number in the order the tag headers lie in the file; 0
  // selects record order.
  Status set_order(uint32_t number, std::string_view index_file = "");
  // 1-based number of the current order's tag, 0 in record order.
  uint32_t order() const { return static_cast<uint32_t>(order_ + 1); }
  // The current order's tag, nullptr in record order.
  const cdx::TagInfo* order_tag() const;

  // ---- Movement (each failing on a read error or corruption) ----
  Status go_top();
  Status go_bottom();
  // Record recno in any order; outside 1..count: the blank record (eof).
  Status go_to(uint32_t recno);
  // count records forward (backward when negative) in the current order;
  // descending tags walk their stored order backwards. Past the last record:
  // eof on the blank record. Before the first: bof, on the first record.
  Status skip(int64_t count);
  // Seeks key (string, number, date, logic; a string shorter than the key
  // is a prefix) in the current order. found() tells whether a key begins
  // with it; otherwise a soft seek stands on the first greater key (or at
  // eof) and a plain one at eof. Fails only when the seek cannot be carried
  // out: no index order (kGenNoOrder), a value that cannot be a key
  // (kGenArgument), a damaged or unreadable index. The last-key flag comes
  // from the scope record.
  Status seek(const Value& key, bool soft);
  Status seek(const Value& key, bool soft, bool last);
  // Accepts an all-zero scope (nil limits) and keeps its last-key flag;
  // kGenArgument for real limits, which this driver does not support.
  Status set_scope(const ScopeRecord& scope);

  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  bool found() const { return found_; }
  void set_found(bool found) { found_ = found; }

  // ---- The current record ----
  // Record number; count + 1 on the blank record past the end.
  uint32_t recno() const { return eof_ ? count_ + 1 : recno_; }
  // The record count after re-reading the header (only records wholly in
  // the file count).
  Status record_count(uint32_t* count);
  // The count as the area knows it, without reading.
  uint32_t known_record_count() const { return count_; }
  // Whether the current record is marked deleted (false on the blank record).
  Status deleted(bool* deleted);

  uint32_t field_count() const { return static_cast<uint32_t>(table_->fields().size()); }
  // 1-based position of the field (letter case ignored), 0 when absent.
  uint32_t field_pos(std::string_view name) const;
  // The field's name; empty when position is out of range.
  std::string field_name(uint32_t position) const;
  // The field's value in the current record (the blank record's value at
  // eof). kGenBound for a position outside 1..field_count(), kGenArgument
  // for an unknown name, or the read error.
  Status field_get(uint32_t position, Value* value);
  Status field_get(std::string_view name, Value* value);
  // Field information: kFieldInfoName (string), kFieldInfoType (one-letter
  // string), kFieldInfoWidth and kFieldInfoDecimals (integers). kGenBound
  // for a bad position, kGenArgument for an unknown code.
  Status field_info(uint32_t code, uint32_t position, Value* value);

 private:
  // What an index entry's record is.
  enum class Entry { kPresent, kNotYet, kFailed };
  // How far the index has been looked for: not at all, under its likely name,
  // or as far as it will be.
  enum class IndexLookup { kNone, kExactName, kDone };

  WorkArea(std::string alias, std::string path, std::unique_ptr<dbf::Table> table,
           std::unique_ptr<cdx::IndexFile> index, const platform::OpenOptions& options);

  // Re-reads the table's record count; goes to eof on failure.
  Status refresh();
  void to_eof();
  void to_record(uint32_t recno);
  // Moves to the cursor's record, passing by entries not present yet in the
  // direction of travel.
  Status from_cursor(bool forward);
  Entry entry_state(uint32_t recno, Status* failure);
  Entry check_tail_record(uint32_t recno, Status* failure);
  Status find_index();
  // The index ready for a set order naming index_file, or why not.
  Status open_index_for_order(std::string_view index_file);
  Status no_order(const std::string& why) const;
  Status sync_cursor();
  Status step(bool forward, bool* moved);
  Status load_record();
  bool matches_index_file(std::string_view index_file) const;
  Status use_tag(int tag);

  const std::string alias_;
  const std::string path_;
  std::string index_path_;
  const std::unique_ptr<dbf::Table> table_;
  std::unique_ptr<cdx::IndexFile> index_;
  const platform::OpenOptions options_;
  IndexLookup index_lookup_ = IndexLookup::kNone;
  std::unique_ptr<cdx::TagCursor> cursor_;
  std::unique_ptr<EntryCheck> entry_check_;  // for the current order's tag
  int order_ = -1;                           // index into index_->tags(), -1 for record order
  bool cursor_synced_ = false;               // the cursor stands on the current record
  uint32_t count_ = 0;
  uint32_t recno_ = 0;
  bool eof_ = true;
  bool bof_ = false;
  bool found_ = false;
  bool scope_last_ = false;
  dbf::Record record_;
  bool record_loaded_ = false;     // record_ holds a record read (record_.recno tells which)
  bool reload_from_file_ = false;  // the next read of the record goes to the file
};

}  // namespace kx::tables

#endif  // KX_TABLES_WORK_AREA_H_
