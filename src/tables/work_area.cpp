#include "tables/work_area.h"

#include "runtime/text/ascii.h"
#include "tables/cdx/key_encoding.h"
#include "tables/dbf/field_decode.h"
#include "tables/dbf/table_files.h"
#include "tables/expr/key_typer.h"
#include "tables/expr/table_record.h"

namespace kx::tables {
namespace {

// A view of s without leading and trailing blanks.
std::string_view trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string leaf_of(std::string_view path) {
  const size_t slash = path.find_last_of("/\\:");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The file's name without folder and extension, in upper case.
std::string default_alias(const std::string& path) {
  return ascii_upper(leaf_of(dbf::base_name(path)));
}

}  // namespace

WorkArea::WorkArea(std::string alias, std::string index_path, std::unique_ptr<dbf::Table> table,
                   std::unique_ptr<cdx::IndexFile> index)
    : alias_(std::move(alias)),
      index_path_(std::move(index_path)),
      table_(std::move(table)),
      index_(std::move(index)) {}

WorkArea::~WorkArea() = default;

std::unique_ptr<WorkArea> WorkArea::open(const std::string& path, const std::string& alias,
                                         bool shared, bool read_only, Status* status) {
  std::unique_ptr<dbf::Table> table = dbf::open_table(path, !read_only, !shared, status);
  if (!table) return nullptr;
  std::unique_ptr<cdx::IndexFile> index;
  const std::string index_path = dbf::sibling_file(path, "cdx");
  if (!index_path.empty()) {
    std::unique_ptr<ByteSource> source = open_file_source(index_path, !read_only, !shared, status);
    if (!source) return nullptr;
    index =
        cdx::IndexFile::open(std::move(source), status, expr::key_typer(expr::fields_of(*table)));
    if (!index) return nullptr;
  }
  const std::string name = trim(alias).empty() ? default_alias(path) : ascii_upper(trim(alias));
  std::unique_ptr<WorkArea> area(
      new WorkArea(name, index_path, std::move(table), std::move(index)));
  if (!area->go_top()) {
    *status = area->last_error();
    return nullptr;
  }
  *status = Status();
  return area;
}

std::unique_ptr<WorkArea> WorkArea::adopt(std::unique_ptr<dbf::Table> table,
                                          std::unique_ptr<cdx::IndexFile> index,
                                          const std::string& alias, Status* status) {
  const std::string index_path = index ? index->name() : "";
  const std::string name =
      trim(alias).empty() ? default_alias(table->name()) : ascii_upper(trim(alias));
  std::unique_ptr<WorkArea> area(
      new WorkArea(name, index_path, std::move(table), std::move(index)));
  if (!area->go_top()) {
    *status = area->last_error();
    return nullptr;
  }
  *status = Status();
  return area;
}

bool WorkArea::fail(Status status) {
  last_error_ = status;
  if (sink_ != nullptr) *sink_ = std::move(status);
  return false;
}

Status WorkArea::refresh_count() {
  const uint32_t before = count_;
  Status s = table_->refresh(&count_);
  // A writer that appends a record also inserts its key, whether or not it
  // raises the tag's change counter.
  if (s.ok() && count_ != before && cursor_) cursor_->forget_nodes();
  return s;
}

bool WorkArea::refresh() {
  const Status s = refresh_count();
  if (!s.ok()) {
    to_eof();
    return fail(s);
  }
  return true;
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
  record_loaded_ = false;
}

// Moves to the cursor's record; eof when the cursor has run off its tag.
bool WorkArea::from_cursor() {
  if (!cursor_->status().ok()) {
    to_eof();
    return fail(cursor_->status());
  }
  if (!cursor_->valid()) {
    to_eof();
    return true;
  }
  const uint32_t recno = cursor_->recno();
  if (recno == 0 || recno > count_) {
    // The index may name a record appended since the count was read.
    if (!refresh()) return false;
    if (recno == 0 || recno > count_) {
      to_eof();
      return fail(Status::corruption(index_->name(), "tag " + index_->tags()[order_].name +
                                                         ": record " + std::to_string(recno) +
                                                         " is outside the table of " +
                                                         std::to_string(count_) + " records"));
    }
  }
  to_record(recno);
  cursor_synced_ = true;
  return true;
}

// Finds the current record in the tag after a move in another order. Keys
// are not evaluated here, so this walks the tag; the walk is bounded.
bool WorkArea::sync_cursor() {
  if (cursor_synced_) return true;
  const uint64_t limit = static_cast<uint64_t>(count_) + 1024;
  uint64_t steps = 0;
  for (cursor_->seek_first(); cursor_->valid() && steps < limit; cursor_->next(), ++steps) {
    if (cursor_->recno() == recno_) {
      cursor_synced_ = true;
      return true;
    }
  }
  if (!cursor_->status().ok()) {
    to_eof();
    return fail(cursor_->status());
  }
  return true;  // not in this tag (a FOR condition left it out): cursor_synced_ stays false
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

bool WorkArea::use_tag(int tag) {
  if (tag < 0) {
    order_ = -1;
    cursor_.reset();
    cursor_synced_ = false;
    return true;
  }
  if (!index_->tags()[static_cast<size_t>(tag)].can_order()) return false;
  // The program sets the same order before every lookup: a cursor without an
  // error is kept (every positioning re-reads the tag anyway).
  if (tag != order_ || !cursor_ || !cursor_->status().ok()) {
    cursor_ = index_->cursor(static_cast<size_t>(tag));
  }
  order_ = tag;
  cursor_synced_ = false;
  return true;
}

bool WorkArea::set_order(std::string_view name, std::string_view index_file) {
  if (!index_ || trim(name).empty() || !matches_index_file(index_file)) return false;
  const int tag = index_->find_tag(trim(name));
  return tag >= 0 && use_tag(tag);
}

bool WorkArea::set_order(uint32_t number, std::string_view index_file) {
  if (number == 0) return use_tag(-1);
  if (!index_ || !matches_index_file(index_file) || number > index_->tags().size()) return false;
  return use_tag(static_cast<int>(number - 1));
}

bool WorkArea::go_top() {
  found_ = false;
  bof_ = false;
  if (!refresh()) return false;
  if (order_ >= 0) {
    cursor_->seek_first();
    if (!from_cursor()) return false;
  } else if (count_ > 0) {
    to_record(1);
    cursor_synced_ = false;
  } else {
    to_eof();
  }
  bof_ = eof_;
  return true;
}

bool WorkArea::go_bottom() {
  found_ = false;
  bof_ = false;
  if (!refresh()) return false;
  if (order_ >= 0) {
    cursor_->seek_last();
    if (!from_cursor()) return false;
  } else if (count_ > 0) {
    to_record(count_);
    cursor_synced_ = false;
  } else {
    to_eof();
  }
  bof_ = eof_;
  return true;
}

bool WorkArea::go_to(uint32_t recno) {
  found_ = false;
  bof_ = false;
  if (!refresh()) return false;
  if (recno >= 1 && recno <= count_) {
    to_record(recno);
  } else {
    to_eof();
  }
  cursor_synced_ = false;
  return true;
}

// One step in the current order from a record (not eof). *moved is false
// when there was nothing in that direction.
bool WorkArea::step(bool forward, bool* moved) {
  *moved = false;
  if (order_ < 0) {
    if (forward ? recno_ >= count_ : recno_ <= 1) return true;
    to_record(forward ? recno_ + 1 : recno_ - 1);
    *moved = true;
    return true;
  }
  if (!sync_cursor()) return false;
  if (!cursor_synced_) return true;  // the record is not in the tag: nowhere to go from it
  if (forward) {
    cursor_->next();
  } else {
    cursor_->prev();
  }
  if (!cursor_->status().ok() || cursor_->valid()) {
    *moved = true;
    return from_cursor();
  }
  if (forward) {
    cursor_synced_ = false;  // the caller moves to the blank record
    return true;
  }
  // Ran off the front: the current record is the first one, so stand the
  // cursor there again rather than lose its place.
  cursor_->seek_first();
  cursor_synced_ = cursor_->valid() && cursor_->recno() == recno_;
  if (!cursor_->status().ok()) return from_cursor();
  return true;
}

bool WorkArea::skip(int64_t count) {
  found_ = false;
  if (!refresh()) return false;
  if (count == 0) {
    record_loaded_ = false;
    return true;
  }
  bof_ = false;
  if (count < 0 && eof_) {
    // Backwards from the blank record starts at the last record.
    if (!go_bottom()) return false;
    if (eof_) {
      bof_ = true;
      return true;
    }
    ++count;
  }
  const uint64_t steps =
      count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
  for (uint64_t i = 0; i < steps && !eof_; ++i) {
    bool moved = false;
    if (!step(count > 0, &moved)) return false;
    if (moved) continue;
    if (count > 0) {
      to_eof();
    } else {
      bof_ = true;
    }
    break;
  }
  return true;
}

bool WorkArea::set_scope(const ScopeRecord& scope) {
  if (!scope.top.is_nil() || !scope.bottom.is_nil()) {
    return fail(Status(kGenArgument, kSubArgument, 0, table_->name(), "scope",
                       "scope limits are not supported"));
  }
  scope_last_ = scope.last;
  return true;
}

bool WorkArea::seek(const Value& key, bool soft) { return seek(key, soft, scope_last_); }

bool WorkArea::seek(const Value& key, bool soft, bool last) {
  found_ = false;
  bof_ = false;
  if (order_ < 0) {
    return fail(
        Status(kGenNoOrder, kSubArgument, 0, table_->name(), "seek", "no index order is set"));
  }
  if (!refresh()) return false;
  const std::optional<std::string> prefix = cdx::encode_seek_key(*order_tag(), key);
  if (!prefix) {
    return fail(Status(kGenArgument, kSubArgument, 0, table_->name(), "seek",
                       "a value of this kind cannot be sought"));
  }
  cursor_->seek(*prefix);
  auto matches = [&] {
    return cursor_->valid() && cursor_->key().substr(0, prefix->size()) == *prefix;
  };
  found_ = matches();
  if (found_ && last) {
    uint32_t last_recno = cursor_->recno();
    for (cursor_->next(); matches(); cursor_->next()) last_recno = cursor_->recno();
    if (!cursor_->status().ok()) return from_cursor();
    to_record(last_recno);
    cursor_synced_ = false;
    return true;
  }
  if (!found_ && !soft) {
    if (!cursor_->status().ok()) return from_cursor();
    to_eof();
    return true;
  }
  return from_cursor();
}

bool WorkArea::record_count(uint32_t* count) {
  const Status s = refresh_count();
  if (!s.ok()) return fail(s);
  *count = count_;
  return true;
}

bool WorkArea::load_record() {
  if (eof_ || (record_loaded_ && record_.recno == recno_)) return true;
  const Status s = table_->read_record(recno_, &record_);
  if (!s.ok()) return fail(s);
  record_loaded_ = true;
  return true;
}

bool WorkArea::deleted(bool* deleted) {
  *deleted = false;
  if (!load_record()) return false;
  *deleted = !eof_ && record_.deleted();
  return true;
}

uint32_t WorkArea::field_pos(std::string_view name) const {
  return static_cast<uint32_t>(table_->layout().find_field(trim(name)) + 1);
}

std::string WorkArea::field_name(uint32_t position) const {
  if (position < 1 || position > field_count()) return "";
  return table_->fields()[position - 1].name;
}

bool WorkArea::field_get(uint32_t position, Value* value) {
  if (position < 1 || position > field_count()) {
    return fail(Status(kGenBound, kSubArgument, 0, table_->name(), "field",
                       "field position " + std::to_string(position) + " is outside 1.." +
                           std::to_string(field_count())));
  }
  if (eof_) {
    *value = dbf::blank_value(table_->fields()[position - 1]);
    return true;
  }
  if (!load_record()) return false;
  const Status s = table_->value(record_, position - 1, value);
  return s.ok() || fail(s);
}

bool WorkArea::field_get(std::string_view name, Value* value) {
  const uint32_t position = field_pos(name);
  if (position == 0) {
    return fail(Status(kGenArgument, kSubArgument, 0, table_->name(), "field",
                       "no field " + std::string(name)));
  }
  return field_get(position, value);
}

bool WorkArea::field_info(uint32_t code, uint32_t position, Value* value) {
  if (position < 1 || position > field_count()) {
    return fail(Status(kGenBound, kSubArgument, 0, table_->name(), "field information",
                       "field position " + std::to_string(position) + " is outside 1.." +
                           std::to_string(field_count())));
  }
  const dbf::Field& f = table_->fields()[position - 1];
  switch (code) {
    case kFieldInfoName:
      *value = Value::string(f.name);
      return true;
    case kFieldInfoType:
      *value = Value::string(std::string(1, f.type));
      return true;
    case kFieldInfoWidth:
      *value = Value::integer(f.width);
      return true;
    case kFieldInfoDecimals:
      *value = Value::integer(f.decimals);
      return true;
    default:
      return fail(Status(kGenArgument, kSubArgument, 0, table_->name(), "field information",
                         "unknown field information code " + std::to_string(code)));
  }
}

}  // namespace kx::tables
