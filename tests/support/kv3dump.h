// The core of the kv3dump tool: prints a table's structure, or its records
// as JSON lines, read through the work-area driver.
//
//   kv3dump --info FILE
//   kv3dump FILE [--order TAG] [--seek KEY] [--soft] [--limit N]
#ifndef KX_TESTS_SUPPORT_KV3DUMP_H_
#define KX_TESTS_SUPPORT_KV3DUMP_H_

#include <ostream>
#include <string>
#include <vector>

namespace kx::test {

// Runs the tool on args (without the program name), writing the JSON to out
// and messages to err. Returns the exit status: 0 on success, 1 when the
// table cannot be read, 2 for a usage error (bad arguments, unknown tag, a
// key that does not suit the tag).
int run_kv3dump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// text as a JSON string with its quotes: quote, backslash and control
// characters escaped, bytes 128-255 written as \u0080-\u00FF.
std::string json_string(const std::string& text);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_KV3DUMP_H_
