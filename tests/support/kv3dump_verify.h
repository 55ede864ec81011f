// The index check of the kv3dump tool: evaluates each tag's key (and FOR)
// expression on every record of a table and prints, one JSON object per
// tag, the records whose index entry is missing, extra or different.
//
//   kv3dump --verify FILE [--order TAG]
//
// A database container (.dbc) is checked against its .dcx index.
#ifndef KX_TESTS_SUPPORT_KV3DUMP_VERIFY_H_
#define KX_TESTS_SUPPORT_KV3DUMP_VERIFY_H_

#include <ostream>
#include <string>
#include <vector>

#include "tables/expr/verify.h"

namespace kx::test {

// Runs the check on args (without the program name; "--verify" among them),
// writing one line per tag to out:
//   {"tag":"ID","evaluable":true,"reason":"","missing":[4],"extra":[],
//    "different":[{"recno":2,"expected":"...","actual":"..."}]}
// and messages to err. Returns 0 when no evaluable tag has a finding, 1 when
// one has (or the table or index cannot be read), 2 for a usage error (bad
// arguments, no index, unknown tag).
int run_kv3dump_verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One report as the JSON line above (without the line end). A tag that
// could not be read completely has its error in "reason".
std::string verify_report_json(const tables::expr::VerifyReport& report);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_KV3DUMP_VERIFY_H_
