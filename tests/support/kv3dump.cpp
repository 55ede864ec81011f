#include "support/kv3dump.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "runtime/text.h"
#include "tables/work_area.h"

namespace kx::test {
namespace {

using tables::WorkArea;
using tables::cdx::TagInfo;

struct Options {
  bool info = false;
  std::string file;
  std::string order;
  std::optional<std::string> seek;
  bool soft = false;
  uint64_t limit = UINT64_MAX;
};

constexpr char kUsage[] =
    "usage: kv3dump --info FILE\n"
    "       kv3dump FILE [--order TAG] [--seek KEY] [--soft] [--limit N]\n";

bool parse_args(const std::vector<std::string>& args, Options* o, std::string* problem) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--info") {
      o->info = true;
    } else if (a == "--soft") {
      o->soft = true;
    } else if ((a == "--order" || a == "--seek" || a == "--limit") && has_value) {
      const std::string& v = args[++i];
      if (a == "--order") o->order = v;
      if (a == "--seek") o->seek = v;
      if (a == "--limit") {
        const auto r = std::from_chars(v.data(), v.data() + v.size(), o->limit);
        if (r.ec != std::errc() || r.ptr != v.data() + v.size())
          return *problem = "bad --limit " + v, false;
      }
    } else if (!a.empty() && a[0] == '-') {
      return *problem = "unknown option " + a, false;
    } else if (o->file.empty()) {
      o->file = a;
    } else {
      return *problem = "more than one file", false;
    }
  }
  if (o->file.empty()) return *problem = "no file", false;
  if (o->seek && o->order.empty()) return *problem = "--seek needs --order", false;
  return true;
}

std::string json_value(const Value& v) {
  switch (v.kind()) {
    case Kind::kInteger:
      return std::to_string(v.as_integer());
    case Kind::kFloat:
      return float_decimal(v.as_float());
    case Kind::kLogic:
      return v.as_logic() ? "true" : "false";
    case Kind::kDate: {
      const Date& d = v.as_date();
      if (d.empty()) return "\"\"";
      char text[16];
      std::snprintf(text, sizeof text, "\"%04d-%02d-%02d\"", d.year(), d.month(), d.day());
      return text;
    }
    case Kind::kString:
      return json_string(trim_right(v.as_string()));
    default:
      return "null";
  }
}

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

// The seek value for text: by the type of the field that the tag's key
// expression names, else by the key's fill and length.
std::optional<Value> seek_value(WorkArea* area, const TagInfo& tag, const std::string& text) {
  const uint32_t pos = area->field_pos(tag.key_expression);
  char type = pos > 0 ? area->table().fields()[pos - 1].type : 0;
  const size_t length = tag.key_length - (tag.nullable ? 1 : 0);
  if (type == 0) {
    if (tag.fill == ' ')
      type = 'C';
    else if (length == 1)
      type = 'L';
    else if (length == 8 && parse_date(text) && !parse_number(text))
      type = 'D';
    else
      type = 'N';
  }
  switch (type) {
    case 'N':
    case 'F':
    case 'B':
    case 'Y':
    case 'I': {
      const std::optional<double> n = parse_number(text);
      if (!n) return std::nullopt;
      return Value::floating(*n);
    }
    case 'D':
    case 'T': {
      const std::optional<Date> d = parse_date(text);
      if (!d) return std::nullopt;
      return Value::date(*d);
    }
    case 'L':
      return Value::logic(text == "T" || text == "t" || text == "Y" || text == "y" ||
                          text == "true");
    default:
      return Value::string(text);
  }
}

void print_info(WorkArea* area, std::ostream& out) {
  uint32_t count = 0;
  area->record_count(&count);
  out << "{\"version\":" << static_cast<int>(area->table().version()) << ",\"records\":" << count
      << ",\"fields\":[";
  for (uint32_t i = 1; i <= area->field_count(); ++i) {
    const tables::dbf::Field& f = area->table().fields()[i - 1];
    out << (i > 1 ? "," : "") << "{\"name\":" << json_string(f.name)
        << ",\"type\":" << json_string(std::string(1, f.type))
        << ",\"width\":" << static_cast<int>(f.width)
        << ",\"decimals\":" << static_cast<int>(f.decimals) << "}";
  }
  out << "],\"tags\":[";
  tables::cdx::IndexFile* index = area->index();
  for (size_t t = 0; index != nullptr && t < index->tags().size(); ++t) {
    const TagInfo& tag = index->tags()[t];
    uint64_t keys = 0;
    const bool counted = tag.is_btree() && index->key_count(t, &keys).ok();
    out << (t > 0 ? "," : "") << "{\"name\":" << json_string(tag.name)
        << ",\"key\":" << json_string(tag.key_expression)
        << ",\"for\":" << json_string(tag.for_expression)
        << ",\"unique\":" << (tag.unique ? "true" : "false")
        << ",\"descending\":" << (tag.descending ? "true" : "false")
        << ",\"keys\":" << (counted ? std::to_string(keys) : "null");
    // A fill that neither the key's type nor the pages settled is a guess; say so.
    if (tag.fill_source == tables::cdx::FillSource::kGuess) {
      out << ",\"fill_guess\":" << json_string(tag.fill_note);
    }
    out << "}";
  }
  out << "]}\n";
}

bool print_record(WorkArea* area, std::ostream& out) {
  bool deleted = false;
  if (!area->deleted(&deleted)) return false;
  out << "{\"recno\":" << area->recno() << ",\"deleted\":" << (deleted ? "true" : "false")
      << ",\"fields\":{";
  for (uint32_t i = 1; i <= area->field_count(); ++i) {
    Value v;
    if (!area->field_get(i, &v)) return false;
    out << (i > 1 ? "," : "") << json_string(area->field_name(i)) << ":" << json_value(v);
  }
  out << "}}\n";
  return true;
}

int fail(std::ostream& err, const std::string& file, const tables::Status& s) {
  err << "kv3dump: " << (s.filename().empty() ? file : s.filename()) << ": " << s.description()
      << " (code " << s.gencode() << (s.oscode() ? ", os " + std::to_string(s.oscode()) : "")
      << ")\n";
  return 1;
}

int usage(std::ostream& err, const std::string& problem) {
  err << "kv3dump: " << problem << "\n" << kUsage;
  return 2;
}

bool set_order(WorkArea* area, const std::string& order) {
  uint32_t number = 0;
  const auto r = std::from_chars(order.data(), order.data() + order.size(), number);
  if (r.ec == std::errc() && r.ptr == order.data() + order.size()) return area->set_order(number);
  return area->set_order(order);
}

}  // namespace

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c >= 0x80) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04X", c);
      out += esc;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

int run_kv3dump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  std::string problem;
  if (!parse_args(args, &o, &problem)) return usage(err, problem);
  tables::Status status;
  std::unique_ptr<WorkArea> area = WorkArea::open(o.file, "KV3DUMP", true, true, &status);
  if (!area) return fail(err, o.file, status);
  if (o.info) {
    print_info(area.get(), out);
    return 0;
  }
  if (!o.order.empty() && !set_order(area.get(), o.order)) {
    return usage(err, "no tag " + o.order + " that can give an order");
  }
  if (o.seek) {
    const std::optional<Value> key = seek_value(area.get(), *area->order_tag(), *o.seek);
    if (!key) return usage(err, "key " + *o.seek + " does not suit tag " + area->order_tag()->name);
    if (!area->seek(*key, o.soft)) return fail(err, o.file, area->last_error());
  } else if (!area->go_top()) {
    return fail(err, o.file, area->last_error());
  }
  for (uint64_t n = 0; n < o.limit && !area->eof(); ++n) {
    if (!print_record(area.get(), out) || !area->skip(1))
      return fail(err, o.file, area->last_error());
  }
  return 0;
}

}  // namespace kx::test
