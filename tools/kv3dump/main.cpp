// kv3dump: prints a table's structure (--info) or its records as JSON lines
// or CSV, in record order or in a tag's order, from a seek position or only
// a key prefix when asked; with --verify, checks each tag's entries against
// the table's records; with --installation, tells what kursexport would print
// from a program folder. kv3dump --help lists the forms and exit statuses.
//
// Everything it prints is UTF-8: table text is decoded from the table's code
// page, paths in the installation check are converted where it shows them,
// and messages, which hold paths and arguments as the system gave them, are
// converted on their way out.
//
// A failed write of standard output (a reader that closed the pipe, a full
// disk) ends with status 3: a cut-off dump must not pass for a whole one.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "kv3dump/installation_check.h"
#include "kv3dump/kv3dump.h"
#include "kv3dump/system_text_stream.h"
#include "platform/platform.h"
#include "platform/utf8_text.h"

int main(int argc, char** argv) {
  kx::platform::prepare_process();
  kx::platform::use_utf8_console();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  kx::kv3dump::SystemTextStream err(std::cerr);
  const bool installation = std::find(args.begin(), args.end(), "--installation") != args.end();
  const int status = installation ? kx::kv3dump::run_installation_check(args, std::cout, err)
                                  : kx::kv3dump::run_kv3dump(args, std::cout, err);
  if (!std::cout.flush()) {
    err << "kv3dump: cannot write standard output\n";
    return kx::kv3dump::kExitOutputFailed;
  }
  return status;
}
