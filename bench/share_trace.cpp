#include "share_trace.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>

#include "share_process.h"

namespace kx::bench {
namespace {

constexpr char kStrace[] = "/usr/bin/strace";

struct Line {
  std::string name;
  std::string first_arg;
  std::string path;  // the first quoted argument
  long result = -1;
  std::string args;
};

// "1234 openat(AT_FDCWD, \"/x\", O_RDONLY) = 3": false for signal and exit notes.
bool parse(std::string text, Line* line) {
  size_t at = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
  while (at < text.size() && text[at] == ' ') ++at;
  const size_t open = text.find('(', at);
  // strace pads short calls: "close(3)      = 0".
  const size_t equals = text.rfind(" = ");
  const size_t close = equals == std::string::npos ? equals : text.rfind(')', equals);
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  line->name = text.substr(at, open - at);
  line->args = text.substr(open + 1, close - open - 1);
  line->first_arg = line->args.substr(0, line->args.find(", "));
  line->result = std::strtol(text.c_str() + equals + 3, nullptr, 10);
  const size_t quote = line->args.find('"');
  const size_t end = quote == std::string::npos ? quote : line->args.find('"', quote + 1);
  line->path = end == std::string::npos ? "" : line->args.substr(quote + 1, end - quote - 1);
  return !line->name.empty();
}

bool in_folder(const std::string& path, const std::string& folder) {
  return path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

bool is_descriptor(const std::string& arg) {
  return !arg.empty() && std::isdigit(static_cast<unsigned char>(arg[0]));
}

void add(std::vector<CallCount>* calls, const std::string& call, bool failed) {
  for (CallCount& c : *calls) {
    if (c.call == call) {
      ++c.count;
      c.failed += failed ? 1 : 0;
      return;
    }
  }
  calls->push_back({call, 1, failed ? 1u : 0u});
}

}  // namespace

bool trace_folder_calls(const std::string& program, const std::string& cwd,
                        const std::filesystem::path& folder,
                        const std::filesystem::path& trace_path, std::vector<CallCount>* calls) {
  calls->clear();
  const Run run = run_program(
      {kStrace, "-f", "-qq", "-e", "trace=%file,%desc", "-o", trace_path.string(), program}, cwd);
  if (run.status != 0) return false;
  std::ifstream in(trace_path);
  std::set<std::string> descriptors;  // those opened in folder
  std::string text;
  Line line;
  while (std::getline(in, text)) {
    if (!parse(text, &line)) continue;
    const bool by_descriptor = is_descriptor(line.first_arg);
    if (by_descriptor ? descriptors.count(line.first_arg) == 0 : !in_folder(line.path, folder)) {
      continue;
    }
    std::string call = line.name;
    if (call == "newfstatat" || call == "statx")
      call += by_descriptor ? " (descriptor)" : " (path)";
    if (call == "openat" && line.args.find("O_DIRECTORY") != std::string::npos) {
      call += " (folder)";
    }
    add(calls, call, line.result < 0);
    if (line.name == "openat" && line.result >= 0) descriptors.insert(std::to_string(line.result));
    if (line.name == "close") descriptors.erase(line.first_arg);
  }
  return !calls->empty();
}

}  // namespace kx::bench
