// kv3dump: prints a table's structure (--info) or its records as JSON lines,
// in record order or in a tag's order, from a seek position when asked; with
// --verify, checks each tag's entries against the table's records.
//
// Exit status: as the run reports it (0 success; 1 unreadable table, or
// findings with --verify; 2 usage), or 3 when standard output could not be
// written (a reader that closed the pipe, a full disk): a cut-off dump must
// not pass for a whole one.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/kv3dump.h"
#include "support/kv3dump_verify.h"

namespace {

constexpr int kOutputFailed = 3;

}  // namespace

int main(int argc, char** argv) {
  kx::platform::prepare_process();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool verify = std::find(args.begin(), args.end(), "--verify") != args.end();
  const int status = verify ? kx::test::run_kv3dump_verify(args, std::cout, std::cerr)
                            : kx::test::run_kv3dump(args, std::cout, std::cerr);
  if (!std::cout.flush()) {
    std::cerr << "kv3dump: cannot write standard output\n";
    return kOutputFailed;
  }
  return status;
}
