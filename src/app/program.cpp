#include "app/program.h"

#include "app/report.h"
#include "errors/process_start.h"
#include "platform/platform.h"
#include "runtime/process/exit.h"
#include "table_functions/table_functions.h"

namespace kx {

int run_program() {
  platform::prepare_process();
  register_runtime_support();
  register_table_support();
  START();
  run_exit_procedures();
  return exit_status();
}

}  // namespace kx
