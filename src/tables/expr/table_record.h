// One record of an open table, as expressions see it.
#ifndef KX_TABLES_EXPR_TABLE_RECORD_H_
#define KX_TABLES_EXPR_TABLE_RECORD_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tables/dbf/table.h"
#include "tables/expr/expression.h"
#include "tables/status.h"

namespace kx::tables::expr {

// The visible fields of table, for Expression::compile.
std::vector<FieldInfo> fields_of(const dbf::Table& table);

class TableRecord : public RecordAccess {
 public:
  // table must outlive the record.
  explicit TableRecord(dbf::Table* table) : table_(table) {}

  // Reads record recno; the table's error when that fails.
  Status load(uint32_t recno);
  // Takes a record read already.
  void use(const dbf::Record& record) {
    record_ = record;
    status_ = Status();
  }

  // Field values: NULL when the field allows NULL and its bit in the null
  // flags is set; datetimes with their time of day; memo fields as their
  // text. Corruption when a nullable field's NULL state cannot be told (the
  // table has no null-flag field, or no bit for it) or the record is too
  // short; the read error when the memo file cannot be read (status() then
  // holds it too).
  Status field(size_t index, Datum* value) override;
  bool deleted() override { return record_.deleted(); }

  // The read error met by the last field(), OK when there was none.
  const Status& status() const { return status_; }

 private:
  dbf::Table* const table_;
  dbf::Record record_;
  Status status_;
};

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_TABLE_RECORD_H_
