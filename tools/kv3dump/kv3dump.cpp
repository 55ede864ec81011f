#include "kv3dump/kv3dump.h"

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>

#include "kv3dump/kv3dump_verify.h"
#include "kv3dump/opened_table.h"
#include "kv3dump/table_info.h"
#include "runtime/text/ascii.h"
#include "tables/cdx/key_encoding.h"

namespace kx::kv3dump {
namespace {

using tables::WorkArea;
using tables::cdx::TagInfo;
using tables::expr::Expression;
using tables::expr::Type;

std::optional<Date> parse_date(const std::string& text) {
  if (text.empty()) return Date();
  if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
    const Date d = Date::from_dtos(text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2));
    return d.empty() ? std::nullopt : std::optional<Date>(d);
  }
  const Date d = Date::from_dtos(text);
  return d.empty() ? std::nullopt : std::optional<Date>(d);
}

std::optional<double> parse_number(const std::string& text) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

// The type of the tag's keys: that of its key expression, or, when that
// does not compile here, a guess from the key's fill and length.
Type key_type(const OpenedTable& t, const TagInfo& tag, const std::string& text) {
  tables::Status status;
  const std::unique_ptr<Expression> key =
      Expression::compile(tag.key_expression, t.fields, &status);
  if (key) return key->type();
  const size_t length = tag.key_length - (tag.nullable ? 1 : 0);
  if (tag.fill == ' ') return Type::kCharacter;
  if (length == 1) return Type::kLogical;
  if (length == 8 && parse_date(text) && !parse_number(text)) return Type::kDate;
  return Type::kNumber;
}

// The value to seek for text in the tag; nullopt, with *problem set, when
// text is no key of the tag's type.
std::optional<Value> seek_value(const OpenedTable& t, const TagInfo& tag, const std::string& text,
                                std::string* problem) {
  *problem = "key " + text + " does not suit tag " + tag.name;
  switch (key_type(t, tag, text)) {
    case Type::kNumber: {
      const std::optional<double> n = parse_number(text);
      return n ? std::optional<Value>(Value::floating(*n)) : std::nullopt;
    }
    case Type::kDate:
    case Type::kDateTime: {
      const std::optional<Date> d = parse_date(text);
      return d ? std::optional<Value>(Value::date(*d)) : std::nullopt;
    }
    case Type::kLogical:
      return Value::logic(text == "T" || text == "t" || text == "Y" || text == "y" ||
                          text == "true");
    case Type::kCharacter:
      break;
  }
  const std::optional<std::string> bytes = t.code_page->from_utf8(text);
  if (!bytes) {
    *problem = "key " + text + " has characters that code page " +
               std::to_string(t.code_page->number) + " lacks";
    return std::nullopt;
  }
  return Value::string(*bytes);
}

// Writes records as JSON lines or as CSV rows.
class RecordWriter {
 public:
  RecordWriter(OpenedTable* t, const Options& o, std::ostream& out)
      : t_(t), csv_(o.csv), out_(out) {
    // The location table's network password, as the program keeps it.
    const auto& fields = t_->area->table().fields();
    for (size_t i = 0; i < fields.size() && !o.show_password; ++i) {
      if (ascii_equal_ignoring_case(fields[i].name, "PASSWORD")) password_field_ = i;
    }
  }

  void header() {
    if (!csv_) return;
    const auto& fields = t_->area->table().fields();
    for (size_t i = 0; i < fields.size(); ++i) {
      out_ << (i ? "," : "") << csv_field(t_->code_page->to_utf8(fields[i].name));
    }
    out_ << (fields.empty() ? "" : ",") << "_deleted\r\n";
  }

  // The area's current record; the read error when it cannot be read.
  tables::Status write() {
    tables::dbf::Table& table = t_->area->table();
    tables::dbf::Record record;
    tables::Status s = table.read_record(t_->area->recno(), &record);
    if (!s.ok()) return s;
    if (!csv_) {
      out_ << "{\"recno\":" << record.recno
           << ",\"deleted\":" << (record.deleted() ? "true" : "false") << ",\"fields\":{";
    }
    for (size_t i = 0; i < table.fields().size(); ++i) {
      CellText cell;
      s = cell_text(table, record, i, *t_->code_page, &cell);
      if (!s.ok()) return s;
      if (i == password_field_) cell.text = masked_password(cell.text);
      write_cell(table.fields()[i], i, cell);
    }
    if (csv_) {
      out_ << (table.fields().empty() ? "" : ",") << (record.deleted() ? "true" : "false")
           << "\r\n";
    } else {
      out_ << "}}\n";
    }
    return s;
  }

 private:
  void write_cell(const tables::dbf::Field& field, size_t i, const CellText& cell) {
    if (csv_) {
      out_ << (i ? "," : "") << csv_field(cell.text);
    } else {
      out_ << (i ? "," : "") << json_text(t_->code_page->to_utf8(field.name)) << ":"
           << (cell.literal ? cell.text : json_text(cell.text));
    }
  }

  OpenedTable* const t_;
  const bool csv_;
  size_t password_field_ = SIZE_MAX;  // masked; SIZE_MAX: none, or shown as stored
  std::ostream& out_;
};

int usage(std::ostream& err, const std::string& problem) {
  err << "kv3dump: " << problem << "\n" << usage_text();
  return kExitUsage;
}

int cannot_read(std::ostream& err, const std::string& file, const tables::Status& s) {
  err << "kv3dump: " << read_problem(file, s) << "\n";
  return kExitCannotRead;
}

bool set_order(WorkArea* area, const std::string& order) {
  uint32_t number = 0;
  const auto r = std::from_chars(order.data(), order.data() + order.size(), number);
  if (r.ec == std::errc() && r.ptr == order.data() + order.size()) {
    return area->set_order(number).ok();
  }
  return area->set_order(order).ok();
}

// Writes the records whose key begins with key, in the current order.
int write_prefix(const Options& o, OpenedTable& t, const std::string& key, RecordWriter* writer,
                 std::ostream& err) {
  WorkArea& area = *t.area;
  std::unique_ptr<tables::cdx::TagCursor> cursor = area.index()->cursor(area.order() - 1);
  uint64_t n = 0;
  for (cursor->seek(key); cursor->valid() && n < o.limit; cursor->next(), ++n) {
    if (cursor->key().substr(0, key.size()) != key) break;
    const tables::Status moved = area.go_to(cursor->recno());
    if (!moved.ok()) return cannot_read(err, o.file, moved);
    if (area.eof()) {
      err << "kv3dump: " << t.index_path << ": tag " << area.order_tag()->name << " names record "
          << cursor->recno() << ", which the table does not have\n";
      return kExitCannotRead;
    }
    const tables::Status s = writer->write();
    if (!s.ok()) return cannot_read(err, o.file, s);
  }
  return cursor->status().ok() ? kExitOk : cannot_read(err, o.file, cursor->status());
}

// Sets the order that o names; kExitOk, or the exit status when it cannot.
int use_order(const Options& o, OpenedTable& t, std::ostream& err) {
  if (!t.index_error.ok()) {
    err << "kv3dump: " << t.index_problem() << "\n";
    return kExitCannotRead;
  }
  if (t.area->index() == nullptr) {
    err << "kv3dump: " << o.file << " has no index\n";
    return kExitNoIndex;
  }
  if (!set_order(t.area.get(), o.order)) {
    return usage(
        err, "no tag " + o.order + " that can give an order (see kv3dump --info " + o.file + ")");
  }
  return kExitOk;
}

int dump(const Options& o, OpenedTable& t, std::ostream& out, std::ostream& err) {
  WorkArea& area = *t.area;
  const bool ordered = !o.order.empty();
  if (ordered) {
    const int status = use_order(o, t, err);
    if (status != kExitOk) return status;
  } else if (!t.index_error.ok()) {
    err << "kv3dump: " << t.index_problem() << "; dumping in record order\n";
  }
  const int done = ordered || t.index_error.ok() ? kExitOk : kExitIndexUnreadable;
  std::optional<Value> value;
  if (o.seek || o.prefix) {
    std::string problem;
    value = seek_value(t, *area.order_tag(), o.seek ? *o.seek : *o.prefix, &problem);
    if (!value) return usage(err, problem);
  }
  RecordWriter writer(&t, o, out);
  writer.header();
  if (o.prefix) {
    // Only arrays and objects have no key; a seek value is neither.
    const std::string key = tables::cdx::encode_seek_key(*area.order_tag(), *value).value_or("");
    return write_prefix(o, t, key, &writer, err);
  }
  const tables::Status started = o.seek ? area.seek(*value, o.soft) : area.go_top();
  if (!started.ok()) return cannot_read(err, o.file, started);
  for (uint64_t n = 0; n < o.limit && !area.eof(); ++n) {
    tables::Status s = writer.write();
    if (s.ok()) s = area.skip(1);
    if (!s.ok()) return cannot_read(err, o.file, s);
  }
  return done;
}

}  // namespace

int run_kv3dump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  std::string problem;
  if (!parse_options(args, &o, &problem)) return usage(err, problem);
  if (o.mode == Mode::kHelp) {
    out << help_text();
    return kExitOk;
  }
  if (o.mode == Mode::kVersion) {
    out << version_text() << "\n";
    return kExitOk;
  }
  OpenedTable t;
  if (!open_table(o.file, o.code_page, &t, &problem)) {
    err << "kv3dump: " << problem << "\n";
    return kExitCannotRead;
  }
  if (o.mode == Mode::kVerify) return verify_tags(o, t, out, err);
  if (o.mode == Mode::kDump) return dump(o, t, out, err);
  if (!t.index_error.ok()) err << "kv3dump: " << t.index_problem() << "\n";
  print_info(t, out);
  return t.index_error.ok() ? kExitOk : kExitIndexUnreadable;
}

}  // namespace kx::kv3dump
