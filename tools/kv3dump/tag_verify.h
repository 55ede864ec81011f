// Checks a tag of a compound index against its table: the key (and FOR)
// expression is evaluated on every record, deleted ones included, and the
// keys it gives are compared with the tag's entries record by record. An
// administrator uses the findings to decide when to rebuild the indexes.
#ifndef KX_TOOLS_KV3DUMP_TAG_VERIFY_H_
#define KX_TOOLS_KV3DUMP_TAG_VERIFY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/cdx/index_file.h"
#include "tables/dbf/table.h"
#include "tables/expr/expression.h"
#include "tables/expr/tag_key.h"
#include "tables/status.h"
#include "tables/work_area.h"

namespace kx::kv3dump {

struct KeyDifference {
  uint32_t recno = 0;
  std::string expected;  // the key the record's values give
  std::string actual;    // the key the tag holds for the record
};

struct VerifyReport {
  std::string tag;
  // False when the tag's keys cannot be computed here; reason says why (an
  // expression outside the language, a name that is no field, another
  // collation, a bitmap tag, a NULL that cannot be told, an evaluation
  // problem on some record). The lists are then empty.
  bool evaluable = false;
  std::string reason;
  // How the keys are made (their type), when evaluable.
  tables::expr::KeyPlan plan;
  // A read error or damage met while walking the tag or reading the table;
  // the lists then hold what was found before it.
  tables::Status status;
  // Records that should have a key and have none.
  std::vector<uint32_t> missing;
  // Entries for records that should have none: a FOR condition excludes
  // them, they repeat a record's key, or their record number is 0 or past
  // the last record. One number per entry, ascending.
  std::vector<uint32_t> extra;
  // Records whose entry holds another key than their values give.
  std::vector<KeyDifference> different;

  // True when the tag needs rebuilding: an evaluable tag with an entry
  // missing, extra or different, or one that could not be read.
  bool has_findings() const;
};

// Checks tag number tag (< index.tags().size()) of index against table.
// Sets the tag's fill byte in index to the one the key's type has, so that
// the walk restores trailing bytes as the key was built. A UNIQUE tag keeps
// one entry per key value: a record whose key another record's entry holds
// is not missing. The expressions are compiled against fields when given
// (the table's fields in order, under the names the expressions use: a
// database container's long names), else against the table's own names.
VerifyReport verify_tag(tables::dbf::Table& table, tables::cdx::IndexFile& index, size_t tag,
                        const std::vector<tables::expr::FieldInfo>* fields = nullptr);

// The same on a work area's table and index; not evaluable when the area
// has no index. The area's position is not changed.
VerifyReport verify_tag(tables::WorkArea& area, size_t tag);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_TAG_VERIFY_H_
