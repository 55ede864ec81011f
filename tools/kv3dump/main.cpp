// kv3dump: prints a table's structure (--info) or its records as JSON lines,
// in record order or in a tag's order, from a seek position when asked; with
// --verify, checks each tag's entries against the table's records.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "support/kv3dump.h"
#include "support/kv3dump_verify.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool verify = std::find(args.begin(), args.end(), "--verify") != args.end();
  const int status = verify ? kx::test::run_kv3dump_verify(args, std::cout, std::cerr)
                            : kx::test::run_kv3dump(args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
