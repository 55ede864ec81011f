// A table opened for kv3dump, with everything that belongs to it: its memo
// file, the long field names of its database container, the index beside
// it and the code page of its text.
#ifndef KX_TOOLS_KV3DUMP_OPENED_TABLE_H_
#define KX_TOOLS_KV3DUMP_OPENED_TABLE_H_

#include <memory>
#include <string>
#include <vector>

#include "kv3dump/code_page.h"
#include "kv3dump/container_names.h"
#include "tables/expr/expression.h"
#include "tables/status.h"
#include "tables/work_area.h"

namespace kx::kv3dump {

struct OpenedTable {
  // Owns the table and, when it could be read, the index; starts at the
  // first record in record order.
  std::unique_ptr<tables::WorkArea> area;
  // The index file beside the table (.cdx, .dcx for a container); empty
  // when there is none.
  std::string index_path;
  // Why that index file could not be read; the area then has no index.
  tables::Status index_error;
  ContainerNames names;
  // The table's fields under the names its index expressions use: the
  // container's long names when it gives them, else the table's own.
  std::vector<tables::expr::FieldInfo> fields;
  const CodePage* code_page = nullptr;
  // Why code_page was assumed; empty when the table's mark or --codepage named it.
  std::string code_page_note;

  // A message about index_error: "index PATH cannot be read: ...".
  std::string index_problem() const;
};

// Opens the table at path, shared and read-only, with its memo file (FPT,
// DCT, or DBT for a dBase table). code_page is the code page to use, 0 for
// the one the table's mark names. The index beside the table is opened
// with a key typer over fields; an index that cannot be read does not fail
// the open (see index_error). On failure returns false and sets *problem to
// a message for the user: "no such file: PATH", "is a directory: PATH",
// "PATH is an index file; give its table", "PATH is a memo file; give its
// table", or "cannot read PATH: ...".
bool open_table(const std::string& path, int code_page, OpenedTable* out, std::string* problem);

// A message for a failed read of path: "cannot read PATH: " and what failed,
// naming the file when it is another one (a memo file) and the OS error.
std::string read_problem(const std::string& path, const tables::Status& status);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_OPENED_TABLE_H_
