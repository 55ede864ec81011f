// The index check of the kv3dump tool: evaluates each tag's key (and FOR)
// expression on every record of a table and prints, one JSON object per
// tag, the records whose index entry is missing, extra or different.
//
//   kv3dump --verify FILE [--order TAG] [--codepage N]
//
// A database container (.dbc) is checked against its .dcx index; a table of
// a container beside it with the container's long field names.
#ifndef KX_TOOLS_KV3DUMP_KV3DUMP_VERIFY_H_
#define KX_TOOLS_KV3DUMP_KV3DUMP_VERIFY_H_

#include <ostream>
#include <string>
#include <vector>

#include "kv3dump/code_page.h"
#include "kv3dump/opened_table.h"
#include "kv3dump/options.h"
#include "kv3dump/tag_verify.h"

namespace kx::kv3dump {

// Runs the check on args (without the program name; "--verify" may be left
// out), as run_kv3dump does.
int run_kv3dump_verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Checks the tags of table (all, or the one options.order names), writing
// one line per tag to out:
//   {"tag":"ID","evaluable":true,"reason":"","missing":[4],"extra":[],
//    "different":[{"recno":2,"expected":{"value":7,"hex":"80 00 00 07"},
//                  "actual":{"value":8,"hex":"80 00 00 08"}}]}
// and messages to err. Returns kExitOk when every tag was checked and
// matches, kExitMismatch when some tag has a finding (or could not be read
// completely), kExitUnchecked when none has but some could not be checked,
// kExitNoIndex, kExitCannotRead when the index cannot be read, kExitUsage
// for an unknown tag.
int verify_tags(const Options& options, OpenedTable& table, std::ostream& out, std::ostream& err);

// One report as the JSON line above (without the line end); keys are read
// back with page. A tag that could not be read completely has its error in
// "reason".
std::string verify_report_json(const VerifyReport& report, const CodePage& page);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_KV3DUMP_VERIFY_H_
