// Whether a record holds the key that an index entry gives for it: the tag's
// key expression evaluated on the record and made into a key as the tag
// stores it. An entry written before its record (another application appends
// the record and inserts its keys, in either order) names a record that does
// not hold its key yet.
#ifndef KX_TABLES_ENTRY_CHECK_H_
#define KX_TABLES_ENTRY_CHECK_H_

#include <memory>
#include <string_view>

#include "tables/cdx/index_file.h"
#include "tables/dbf/table.h"
#include "tables/expr/expression.h"
#include "tables/expr/table_record.h"
#include "tables/expr/tag_key.h"

namespace kx::tables {

class EntryCheck {
 public:
  // For tag of table (which must outlive the check). When the key expression
  // cannot be evaluated here (an unknown function, another collation), every
  // record passes.
  EntryCheck(dbf::Table* table, const cdx::TagInfo& tag);
  EntryCheck(const EntryCheck&) = delete;
  EntryCheck& operator=(const EntryCheck&) = delete;

  // False only when the record's key can be made and differs from key.
  bool holds(const dbf::Record& record, std::string_view key);

 private:
  expr::TableRecord record_;
  std::unique_ptr<expr::Expression> expression_;
  expr::KeyPlan plan_;
};

// True when a record shows that its bytes are not all written yet: a number
// or date field holds NUL bytes (what a file extended before the record was
// written holds there) where the table stores only text.
bool looks_half_written(const dbf::TableLayout& layout, const dbf::Record& record);

}  // namespace kx::tables

#endif  // KX_TABLES_ENTRY_CHECK_H_
