// kv3dump's command line: its forms, options, help text and exit statuses.
#ifndef KX_TOOLS_KV3DUMP_OPTIONS_H_
#define KX_TOOLS_KV3DUMP_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kx::kv3dump {

// Exit statuses (listed in the help text).
constexpr int kExitOk = 0;               // done; with --verify every checked tag matches
constexpr int kExitMismatch = 1;         // --verify: a tag does not match its table
constexpr int kExitUsage = 2;            // bad command line, unknown tag, unsuitable key
constexpr int kExitOutputFailed = 3;     // standard output could not be written
constexpr int kExitUnchecked = 4;        // --verify: no mismatch, some tags not checked
constexpr int kExitNoIndex = 5;          // the table has no index to order, seek or verify
constexpr int kExitIndexUnreadable = 6;  // dumped in record order: the index cannot be read
constexpr int kExitCannotRead = 7;       // the table, its memo file or its index cannot be read

enum class Mode { kDump, kInfo, kVerify, kHelp, kVersion };

struct Options {
  Mode mode = Mode::kDump;
  std::string file;
  std::string order;                  // tag name or number; empty: record order
  std::optional<std::string> seek;    // print from the first key >= this one
  std::optional<std::string> prefix;  // print only the keys that begin with this
  bool soft = false;
  uint64_t limit = UINT64_MAX;
  bool csv = false;
  bool show_password = false;  // a PASSWORD field as stored, not masked
  int code_page = 0;           // 0: the one the table's mark names
};

// Reads args (without the program name). False, with *problem set to a
// message for the user, when they are no valid command line.
bool parse_options(const std::vector<std::string>& args, Options* options, std::string* problem);

// The forms of the command line, one per line, for usage errors.
const char* usage_text();
// The full help: forms, one line per option, key syntax and exit statuses.
std::string help_text();
// "kv3dump " and the build's version.
std::string version_text();

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_OPTIONS_H_
