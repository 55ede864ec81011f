#include "kv3dump/table_info.h"

#include <string>

#include "kv3dump/record_text.h"

namespace kx::kv3dump {
namespace {

using tables::cdx::TagInfo;

const char* boolean(bool b) { return b ? "true" : "false"; }

void print_fields(const OpenedTable& t, std::ostream& out) {
  const auto& fields = t.area->table().fields();
  out << "\"fields\":[";
  for (size_t i = 0; i < fields.size(); ++i) {
    const tables::dbf::Field& f = fields[i];
    out << (i > 0 ? "," : "") << "{\"name\":" << json_text(t.code_page->to_utf8(f.name));
    if (i < t.names.long_names.size()) {
      out << ",\"long_name\":" << json_text(t.code_page->to_utf8(t.names.long_names[i]));
    }
    out << ",\"type\":" << json_string(std::string(1, f.type))
        << ",\"width\":" << static_cast<int>(f.width)
        << ",\"decimals\":" << static_cast<int>(f.decimals) << "}";
  }
  out << "]";
}

void print_tags(const OpenedTable& t, std::ostream& out) {
  out << "\"tags\":[";
  tables::cdx::IndexFile* index = t.area->index();
  for (size_t i = 0; index != nullptr && i < index->tags().size(); ++i) {
    const TagInfo& tag = index->tags()[i];
    uint64_t keys = 0;
    const bool counted = tag.is_btree() && index->key_count(i, &keys).ok();
    out << (i > 0 ? "," : "") << "{\"name\":" << json_string(tag.name)
        << ",\"key\":" << json_text(t.code_page->to_utf8(tag.key_expression))
        << ",\"for\":" << json_text(t.code_page->to_utf8(tag.for_expression))
        << ",\"unique\":" << boolean(tag.unique) << ",\"descending\":" << boolean(tag.descending)
        << ",\"keys\":" << (counted ? std::to_string(keys) : "null");
    // A fill that neither the key's type nor the pages settled is a guess; say so.
    if (tag.fill_source == tables::cdx::FillSource::kGuess) {
      out << ",\"fill_guess\":" << json_text(tag.fill_note);
    }
    out << "}";
  }
  out << "]";
}

}  // namespace

void print_info(OpenedTable& t, std::ostream& out) {
  tables::dbf::Table& table = t.area->table();
  uint32_t count = 0;
  t.area->record_count(&count);
  out << "{\"version\":" << static_cast<int>(table.version()) << ",\"records\":" << count
      << ",\"code_page\":" << t.code_page->number
      << ",\"code_page_mark\":" << static_cast<int>(table.layout().prefix.code_page);
  if (!t.code_page_note.empty()) out << ",\"code_page_note\":" << json_text(t.code_page_note);
  if (!t.names.long_names.empty()) out << ",\"container\":" << json_text(t.names.container);
  if (!t.names.note.empty()) out << ",\"container_note\":" << json_text(t.names.note);
  out << ",";
  print_fields(t, out);
  out << ",";
  print_tags(t, out);
  out << "}\n";
}

}  // namespace kx::kv3dump
