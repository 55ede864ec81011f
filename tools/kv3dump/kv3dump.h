// The kv3dump tool: describes a table and its index tags, prints its
// records as JSON lines or CSV, or checks its index against it. The forms,
// options and exit statuses are those of options.h (kv3dump --help).
#ifndef KX_TOOLS_KV3DUMP_KV3DUMP_H_
#define KX_TOOLS_KV3DUMP_KV3DUMP_H_

#include <ostream>
#include <string>
#include <vector>

#include "kv3dump/options.h"
#include "kv3dump/record_text.h"

namespace kx::kv3dump {

// Runs the tool on args (without the program name), writing results (and
// the help and version) to out and messages to err. Returns the exit status
// (options.h); a failed write of out is the caller's to detect.
int run_kv3dump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_KV3DUMP_H_
