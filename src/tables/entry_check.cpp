#include "tables/entry_check.h"

#include <string>

#include "tables/dbf/dbf_format.h"

namespace kx::tables {

EntryCheck::EntryCheck(dbf::Table* table, const cdx::TagInfo& tag) : record_(table) {
  Status status;
  expression_ = expr::Expression::compile(tag.key_expression, expr::fields_of(*table), &status);
  if (expression_ && !expr::plan_key(tag, *expression_, &plan_).ok()) expression_.reset();
}

bool EntryCheck::holds(const dbf::Record& record, std::string_view key) {
  if (!expression_) return true;
  record_.use(record);
  expr::Datum value;
  if (!expression_->evaluate(record_, &value).ok()) return true;
  std::string made;
  if (!expr::make_key(plan_, value, &made).ok()) return true;
  return made == key;
}

bool looks_half_written(const dbf::TableLayout& layout, const dbf::Record& record) {
  for (const dbf::Field& f : layout.fields) {
    if (f.type != dbf::kTypeNumeric && f.type != dbf::kTypeFloat && f.type != dbf::kTypeDate) {
      continue;
    }
    const std::string_view bytes = std::string_view(record.bytes).substr(f.offset, f.width);
    if (bytes.find('\0') != std::string_view::npos) return true;
  }
  return false;
}

}  // namespace kx::tables
