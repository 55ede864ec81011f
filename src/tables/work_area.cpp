#include "tables/work_area.h"

#include "platform/env.h"
#include "runtime/text/ascii.h"
#include "runtime/text/text.h"
#include "tables/cdx/key_encoding.h"
#include "tables/dbf/dbf_format.h"
#include "tables/dbf/field_decode.h"
#include "tables/dbf/table_files.h"
#include "tables/expr/key_typer.h"
#include "tables/expr/table_record.h"
#include "tables/open_file.h"
#include "tables/rereading.h"

namespace kx::tables {
namespace {

std::string leaf_of(const std::string& path) { return path.substr(dbf::leaf_start(path)); }

// The file's name without folder and extension, in upper case.
std::string default_alias(const std::string& path) {
  return ascii_upper(leaf_of(dbf::base_name(path)));
}

// Another application appends a record in a few writes: its bytes, the
// header's count and its index keys, in any order. Entries for the last
// records the header counts may name records still being written, and
// entries a little past the count records whose count is not written yet;
// entries for records before them are trusted, as the application that wrote
// the index trusts them.
constexpr uint32_t kTailRecords = 2;
constexpr uint32_t kAheadOfCount = 4;
// Entries passed by in a row before the index counts as damaged.
constexpr size_t kMaxPassedEntries = 64;

// Opens the index at path; *missing when there is no index file there.
std::unique_ptr<cdx::IndexFile> open_index(const std::string& path, dbf::Table* table,
                                           const platform::OpenOptions& options, bool* missing,
                                           Status* status) {
  *missing = false;
  std::unique_ptr<platform::RandomAccessFile> file =
      open_file(path, options, NameMatch::kExact, status);
  std::unique_ptr<cdx::IndexFile> index;
  if (file) {
    index = cdx::IndexFile::open(std::move(file), status, expr::key_typer(expr::fields_of(*table)));
  }
  if (index) return index;
  // Only what is a file there is an index: a folder, a link to nothing or a
  // link loop under the index's name is none.
  const uint32_t code = status->oscode();
  *missing =
      code == platform::kErrFileNotFound || code == platform::kErrPathNotFound ||
      (code != platform::kErrNone && platform::env().path_kind(path) != platform::PathKind::kFile);
  return nullptr;
}

}  // namespace

WorkArea::WorkArea(std::string alias, std::string path, std::unique_ptr<dbf::Table> table,
                   std::unique_ptr<cdx::IndexFile> index, const platform::OpenOptions& options)
    : alias_(std::move(alias)),
      path_(std::move(path)),
      index_path_(index ? index->name() : ""),
      table_(std::move(table)),
      index_(std::move(index)),
      options_(options),
      count_(table_->record_count()) {}

WorkArea::~WorkArea() = default;

std::unique_ptr<WorkArea> WorkArea::open(const std::string& path, const std::string& alias,
                                         const platform::OpenOptions& options, Status* status) {
  std::unique_ptr<dbf::Table> table = dbf::open_table(path, options, status);
  if (!table) return nullptr;
  // The index under the name it most likely has; looking for it under
  // another letter case means listing the folder, which waits until an
  // order is first asked for.
  bool missing = false;
  std::unique_ptr<cdx::IndexFile> index =
      open_index(dbf::sibling_name(path, "cdx"), table.get(), options, &missing, status);
  if (!index && !missing) return nullptr;
  const std::string name = trim(alias).empty() ? default_alias(path) : ascii_upper(trim(alias));
  std::unique_ptr<WorkArea> area(
      new WorkArea(name, path, std::move(table), std::move(index), options));
  area->index_lookup_ = area->index_ ? IndexLookup::kDone : IndexLookup::kExactName;
  *status = area->go_top();
  if (!status->ok()) return nullptr;
  return area;
}

std::unique_ptr<WorkArea> WorkArea::adopt(std::unique_ptr<dbf::Table> table,
                                          std::unique_ptr<cdx::IndexFile> index,
                                          const std::string& alias, Status* status) {
  const std::string path = table->name();
  const std::string name = trim(alias).empty() ? default_alias(path) : ascii_upper(trim(alias));
  std::unique_ptr<WorkArea> area(
      new WorkArea(name, path, std::move(table), std::move(index), platform::OpenOptions{}));
  area->index_lookup_ = IndexLookup::kDone;
  *status = area->go_top();
  if (!status->ok()) return nullptr;
  return area;
}

Status WorkArea::refresh() {
  Status s = table_->refresh(&count_);
  if (!s.ok()) to_eof();
  return s;
}

void WorkArea::to_eof() {
  eof_ = true;
  recno_ = count_ + 1;
  cursor_synced_ = false;
  record_loaded_ = false;
}

void WorkArea::to_record(uint32_t recno) {
  eof_ = false;
  recno_ = recno;
}

Status WorkArea::from_cursor(bool forward) {
  for (size_t passed = 0;; ++passed) {
    if (!cursor_->status().ok()) {
      to_eof();
      return cursor_->status();
    }
    if (!cursor_->valid()) {
      to_eof();
      return Status();
    }
    const uint32_t recno = cursor_->recno();
    if (passed == kMaxPassedEntries) {
      to_eof();
      return Status::corruption(index_->name(), "tag " + index_->tags()[order_].name + ": " +
                                                    std::to_string(passed) +
                                                    " entries in a row name records that "
                                                    "are not written");
    }
    Status failure;
    const Entry entry = entry_state(recno, &failure);
    if (entry == Entry::kPresent) {
      to_record(recno);
      cursor_synced_ = true;
      return Status();
    }
    if (entry == Entry::kFailed) {
      to_eof();
      return failure;
    }
    forward ? cursor_->next() : cursor_->prev();
  }
}

// A record past the count known so far may have been appended since: the
// header is read again. A record that the table does not count, or does not
// hold whole, is one being appended when it is the last one counted or a
// few past the count and every record before it is there; such a record (and
// one of the last few counted) must be written whole and hold the entry's
// key to be there yet. Any other record outside the table is damage. On
// kFailed, *failure tells why.
WorkArea::Entry WorkArea::entry_state(uint32_t recno, Status* failure) {
  if (recno > count_ && recno != 0) {
    *failure = refresh();
    if (!failure->ok()) return Entry::kFailed;
  }
  const uint32_t stated = table_->stated_count();
  if (recno > count_) {
    const bool appending =
        recno != 0 && recno >= stated && recno - stated <= kAheadOfCount && count_ + 1 >= stated;
    if (appending) return check_tail_record(recno, failure);
  }
  if (recno == 0 || recno > count_) {
    *failure = Status::corruption(
        index_->name(), "tag " + index_->tags()[order_].name + ": record " + std::to_string(recno) +
                            " is outside the table of " + std::to_string(count_) + " records");
    return Entry::kFailed;
  }
  if (recno + kTailRecords <= stated) return Entry::kPresent;
  return check_tail_record(recno, failure);
}

// A record at the end of the table is read at once (the fields want it next
// anyway): when it is not written whole, or does not hold the entry's key,
// it is read once more from the file, and then passed by if it still is not.
WorkArea::Entry WorkArea::check_tail_record(uint32_t recno, Status* failure) {
  for (PagedFile::Freshness freshness :
       {PagedFile::Freshness::kKept, PagedFile::Freshness::kFromFile}) {
    const Status s = table_->read_any_record(recno, &record_, freshness);
    record_loaded_ = s.ok();
    if (s.ok() && !looks_half_written(table_->layout(), record_) &&
        (!entry_check_ || entry_check_->holds(record_, cursor_->key()))) {
      return Entry::kPresent;
    }
    if (!s.ok() && !may_be_half_written(s)) {
      *failure = s;
      return Entry::kFailed;
    }
  }
  record_loaded_ = false;
  return Entry::kNotYet;
}

// Finds the current record in the tag after a move in another order. Keys
// are not evaluated here, so this walks the tag; the walk is bounded.
Status WorkArea::sync_cursor() {
  if (cursor_synced_) return Status();
  const uint64_t limit = static_cast<uint64_t>(count_) + 1024;
  uint64_t steps = 0;
  for (cursor_->seek_first(); cursor_->valid() && steps < limit; cursor_->next(), ++steps) {
    if (cursor_->recno() == recno_) {
      cursor_synced_ = true;
      return Status();
    }
  }
  if (!cursor_->status().ok()) {
    to_eof();
    return cursor_->status();
  }
  return Status();  // not in this tag (a FOR condition left it out): cursor_synced_ stays false
}

const cdx::TagInfo* WorkArea::order_tag() const {
  return order_ < 0 ? nullptr : &index_->tags()[static_cast<size_t>(order_)];
}

bool WorkArea::matches_index_file(std::string_view index_file) const {
  const std::string wanted = ascii_upper(trim(index_file));
  if (wanted.empty()) return true;
  if (index_path_.empty()) return false;
  const std::string leaf = ascii_upper(leaf_of(index_path_));
  const std::string wanted_leaf = ascii_upper(leaf_of(wanted));
  return wanted_leaf == leaf || wanted_leaf == ascii_upper(dbf::base_name(leaf));
}

Status WorkArea::no_order(const std::string& why) const {
  return Status(kGenNoOrder, kSubArgument, 0, table_->name(), "order", why);
}

Status WorkArea::use_tag(int tag) {
  if (tag < 0) {
    order_ = -1;
    cursor_.reset();
    cursor_synced_ = false;
    return Status();
  }
  const cdx::TagInfo& info = index_->tags()[static_cast<size_t>(tag)];
  if (!info.can_order()) return no_order("tag " + info.name + " cannot give an order");
  // The program sets the same order before every lookup: a cursor without an
  // error is kept, with the pages it has read.
  if (tag != order_ || !cursor_ || !cursor_->status().ok()) {
    cursor_ = index_->cursor(static_cast<size_t>(tag));
    entry_check_ = std::make_unique<EntryCheck>(table_.get(), info);
  }
  order_ = tag;
  cursor_synced_ = false;
  return Status();
}

// The index is looked for under its likely name, then (on POSIX, where an
// index copied from Windows may carry its name in another letter case) in a
// listing of the folder, once, when an order is first wanted. No index is no
// failure; one that is there and cannot be read is.
Status WorkArea::find_index() {
  if (index_lookup_ == IndexLookup::kDone) return Status();
  const std::string name = dbf::sibling_name(path_, "cdx");
  Status status;
  bool missing = true;
  if (index_lookup_ == IndexLookup::kNone) {
    index_ = open_index(name, table_.get(), options_, &missing, &status);
  }
  index_lookup_ = IndexLookup::kDone;
  if (!index_ && missing) {
    const std::string variant = platform::env().case_variant(name);
    if (variant.empty()) return Status();
    index_ = open_index(variant, table_.get(), options_, &missing, &status);
  }
  if (!index_) return missing ? Status() : status;
  index_path_ = index_->name();
  return Status();
}

Status WorkArea::open_index_for_order(std::string_view index_file) {
  Status s = find_index();
  if (!s.ok()) return s;
  if (!index_) return no_order("the table has no index");
  if (!matches_index_file(index_file)) return no_order("no index file " + std::string(index_file));
  return Status();
}

Status WorkArea::set_order(std::string_view name, std::string_view index_file) {
  if (trim(name).empty()) return no_order("no tag name is given");
  Status s = open_index_for_order(index_file);
  if (!s.ok()) return s;
  const int tag = index_->find_tag(trim(name));
  if (tag < 0) return no_order("no tag " + std::string(trim(name)));
  return use_tag(tag);
}

Status WorkArea::set_order(uint32_t number, std::string_view index_file) {
  if (number == 0) return use_tag(-1);
  Status s = open_index_for_order(index_file);
  if (!s.ok()) return s;
  if (number > index_->tags().size()) return no_order("no tag " + std::to_string(number));
  return use_tag(static_cast<int>(number - 1));
}

Status WorkArea::go_top() {
  found_ = false;
  bof_ = false;
  if (order_ >= 0) {
    cursor_->seek_first();
    Status s = from_cursor(true);
    if (!s.ok()) return s;
  } else if (count_ > 0) {
    to_record(1);
    cursor_synced_ = false;
  } else {
    to_eof();
  }
  bof_ = eof_;
  return Status();
}

Status WorkArea::go_bottom() {
  found_ = false;
  bof_ = false;
  if (order_ >= 0) {
    cursor_->seek_last();
    Status s = from_cursor(false);
    if (!s.ok()) return s;
  } else if (count_ > 0) {
    to_record(count_);
    cursor_synced_ = false;
  } else {
    to_eof();
  }
  bof_ = eof_;
  return Status();
}

Status WorkArea::go_to(uint32_t recno) {
  found_ = false;
  bof_ = false;
  // A record past the count known may have been appended since.
  if (recno > count_) {
    Status s = refresh();
    if (!s.ok()) return s;
  }
  if (recno >= 1 && recno <= count_) {
    to_record(recno);
  } else {
    to_eof();
  }
  cursor_synced_ = false;
  return Status();
}

// One step in the current order from a record (not eof). *moved is false
// when there was nothing in that direction.
Status WorkArea::step(bool forward, bool* moved) {
  *moved = false;
  if (order_ < 0) {
    if (forward ? recno_ >= count_ : recno_ <= 1) return Status();
    to_record(forward ? recno_ + 1 : recno_ - 1);
    *moved = true;
    return Status();
  }
  Status s = sync_cursor();
  if (!s.ok()) return s;
  if (!cursor_synced_) return Status();  // the record is not in the tag: nowhere to go from it
  if (forward) {
    cursor_->next();
  } else {
    cursor_->prev();
  }
  if (!cursor_->status().ok() || cursor_->valid()) {
    *moved = true;
    return from_cursor(forward);
  }
  if (forward) {
    cursor_synced_ = false;  // the caller moves to the blank record
    return Status();
  }
  // Ran off the front: the current record is the first one, so stand the
  // cursor there again rather than lose its place.
  cursor_->seek_first();
  cursor_synced_ = cursor_->valid() && cursor_->recno() == recno_;
  if (!cursor_->status().ok()) return from_cursor(true);
  return Status();
}

Status WorkArea::skip(int64_t count) {
  found_ = false;
  if (count == 0) {
    // The record is read again from the file when it is next wanted.
    record_loaded_ = false;
    reload_from_file_ = true;
    return Status();
  }
  bof_ = false;
  if (count < 0 && eof_) {
    // Backwards from the blank record starts at the last record.
    Status s = go_bottom();
    if (!s.ok()) return s;
    if (eof_) {
      bof_ = true;
      return Status();
    }
    ++count;
  }
  const uint64_t steps =
      count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
  for (uint64_t i = 0; i < steps && !eof_; ++i) {
    bool moved = false;
    Status s = step(count > 0, &moved);
    if (!s.ok()) return s;
    if (moved) continue;
    if (count > 0) {
      to_eof();
    } else {
      bof_ = true;
    }
    break;
  }
  return Status();
}

Status WorkArea::set_scope(const ScopeRecord& scope) {
  if (!scope.top.is_nil() || !scope.bottom.is_nil()) {
    return Status(kGenArgument, kSubArgument, 0, table_->name(), "scope",
                  "scope limits are not supported");
  }
  scope_last_ = scope.last;
  return Status();
}

Status WorkArea::seek(const Value& key, bool soft) { return seek(key, soft, scope_last_); }

Status WorkArea::seek(const Value& key, bool soft, bool last) {
  found_ = false;
  bof_ = false;
  if (order_ < 0) {
    return Status(kGenNoOrder, kSubArgument, 0, table_->name(), "seek", "no index order is set");
  }
  const std::optional<std::string> prefix = cdx::encode_seek_key(*order_tag(), key);
  if (!prefix) {
    return Status(kGenArgument, kSubArgument, 0, table_->name(), "seek",
                  "a value of this kind cannot be sought");
  }
  cursor_->seek(*prefix);
  auto matches = [&] {
    return cursor_->valid() && cursor_->key().substr(0, prefix->size()) == *prefix;
  };
  // Keys are in order: when the entry found does not match, none after it does.
  if (!soft && !matches()) {
    if (!cursor_->status().ok()) return from_cursor(true);
    to_eof();
    return Status();
  }
  Status s = from_cursor(true);
  if (!s.ok()) return s;
  found_ = !eof_ && matches();
  if (found_ && last) {
    uint32_t last_recno = cursor_->recno();
    for (cursor_->next(); matches(); cursor_->next()) last_recno = cursor_->recno();
    if (!cursor_->status().ok()) return from_cursor(true);
    to_record(last_recno);
    cursor_synced_ = false;
    return Status();
  }
  if (!found_ && !soft) to_eof();
  return Status();
}

Status WorkArea::record_count(uint32_t* count) {
  Status s = table_->refresh(&count_);
  if (s.ok()) *count = count_;
  return s;
}

Status WorkArea::load_record() {
  if (eof_ || (record_loaded_ && record_.recno == recno_)) return Status();
  const PagedFile::Freshness freshness =
      reload_from_file_ ? PagedFile::Freshness::kFromFile : PagedFile::Freshness::kKept;
  // A record past the count is one an index entry named while it was being
  // appended, found written whole.
  Status s = recno_ > count_ ? table_->read_any_record(recno_, &record_, freshness)
                             : table_->read_record(recno_, &record_, freshness);
  reload_from_file_ = false;
  record_loaded_ = s.ok();
  return s;
}

Status WorkArea::deleted(bool* deleted) {
  *deleted = false;
  Status s = load_record();
  if (s.ok()) *deleted = !eof_ && record_.deleted();
  return s;
}

uint32_t WorkArea::field_pos(std::string_view name) const {
  return static_cast<uint32_t>(table_->layout().find_field(trim(name)) + 1);
}

std::string WorkArea::field_name(uint32_t position) const {
  if (position < 1 || position > field_count()) return "";
  return table_->fields()[position - 1].name;
}

Status WorkArea::field_get(uint32_t position, Value* value) {
  if (position < 1 || position > field_count()) {
    return Status(kGenBound, kSubArgument, 0, table_->name(), "field",
                  "field position " + std::to_string(position) + " is outside 1.." +
                      std::to_string(field_count()));
  }
  if (eof_) {
    *value = dbf::blank_value(table_->fields()[position - 1]);
    return Status();
  }
  Status s = load_record();
  if (!s.ok()) return s;
  return table_->value(record_, position - 1, value);
}

Status WorkArea::field_get(std::string_view name, Value* value) {
  const uint32_t position = field_pos(name);
  if (position == 0) {
    return Status(kGenArgument, kSubArgument, 0, table_->name(), "field",
                  "no field " + std::string(name));
  }
  return field_get(position, value);
}

Status WorkArea::field_info(uint32_t code, uint32_t position, Value* value) {
  if (position < 1 || position > field_count()) {
    return Status(kGenBound, kSubArgument, 0, table_->name(), "field information",
                  "field position " + std::to_string(position) + " is outside 1.." +
                      std::to_string(field_count()));
  }
  const dbf::Field& f = table_->fields()[position - 1];
  switch (code) {
    case kFieldInfoName:
      *value = Value::string(f.name);
      return Status();
    case kFieldInfoType:
      *value = Value::string(std::string(1, f.type));
      return Status();
    case kFieldInfoWidth:
      *value = Value::integer(f.width);
      return Status();
    case kFieldInfoDecimals:
      *value = Value::integer(f.decimals);
      return Status();
    default:
      return Status(kGenArgument, kSubArgument, 0, table_->name(), "field information",
                    "unknown field information code " + std::to_string(code));
  }
}

}  // namespace kx::tables
