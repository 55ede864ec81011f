// The long field names that a database container (.dbc) keeps for the
// tables that belong to it. Such a table holds only the first 10 characters
// of each name, while its index expressions use the long ones.
#ifndef KX_TOOLS_KV3DUMP_CONTAINER_NAMES_H_
#define KX_TOOLS_KV3DUMP_CONTAINER_NAMES_H_

#include <string>
#include <vector>

#include "tables/dbf/table.h"

namespace kx::kv3dump {

struct ContainerNames {
  // The container's path; empty when the table names none or it is not
  // beside the table.
  std::string container;
  // One name per visible field of the table, in field order; empty when the
  // container gives none.
  std::vector<std::string> long_names;
  // Why there are no long names although the table names a container.
  std::string note;
};

// The long names of the fields of table (opened from table_path). The
// container is the one whose name the table's backlink holds, looked for
// beside the table in any letter case; its Table record is the live one
// named like the table file (letter case ignored; the name exactly, else with
// blanks and underscores taken as the same), and its live Field records under that record
// give the names in field order. Nothing is returned for a table without a
// backlink (not a Visual FoxPro table, or a free table).
ContainerNames container_names(const std::string& table_path, const tables::dbf::Table& table);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_CONTAINER_NAMES_H_
