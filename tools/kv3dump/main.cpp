// kv3dump: prints a table's structure (--info) or its records as JSON lines,
// in record order or in a tag's order, from a seek position when asked.
#include <iostream>
#include <string>
#include <vector>

#include "support/kv3dump.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = kx::test::run_kv3dump(args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
