// kv3dump --info: a table's structure as one JSON object.
#ifndef KX_TOOLS_KV3DUMP_TABLE_INFO_H_
#define KX_TOOLS_KV3DUMP_TABLE_INFO_H_

#include <ostream>

#include "kv3dump/opened_table.h"

namespace kx::kv3dump {

// Writes one line:
//   {"version":48,"records":5,"code_page":1252,"code_page_mark":3,
//    "fields":[{"name":"MU","type":"C","width":3,"decimals":0},...],
//    "tags":[{"name":"ID","key":"id","for":"","unique":false,
//             "descending":false,"keys":5},...]}
// with "code_page_note" when the code page was assumed, "container" (and
// each field's "long_name") when a database container gives long names,
// "container_note" when the table names a container that gives none, and a
// tag's "fill_guess" when its fill byte was guessed. "keys" is null for a
// tag whose keys cannot be counted; "tags" is empty without a readable index.
void print_info(OpenedTable& t, std::ostream& out);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_TABLE_INFO_H_
